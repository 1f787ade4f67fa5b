#include "imaging/UPictureUtil.h"

#include "core/UGeometryUtil.h"
#include "imaging/UExifReader.h"
#include "imaging/UGraphicsUtil.h"
#include "imaging/UPictureEX.h"
#include "imaging/USafetyBitmap.h"
#include "platform/Canvas.h"

#include <QFileInfo>
#include <mutex>

std::atomic<int> PictureSizeLimit{0x7FFFFFFF};

namespace {

constexpr TColor kSampleOutline = clGray;
constexpr TColor kSampleOutlineOnGray = clSilver;
constexpr int kExifVersionScale = 10;

std::mutex photoCDLock;
TPhotoCDLoader photoCDLoader;

} // namespace

bool ExifVersionAtLeast(TPicture* picture, int version) {
    if (!picture || !dynamic_cast<TJPEGGraphic*>(picture->Graphic()))
        return false;
    TExifReader reader;
    try {
        reader.LoadFromPicture(picture);
    } catch (const Exception&) {
        return false;
    }
    if (!reader.HasExif())
        return false;
    return version <= 0 || reader.ExifVersion() >= version * kExifVersionScale;
}

bool IsExifPicture(TPicture* picture) {
    return ExifVersionAtLeast(picture, 0);
}

void ShrinkPictureToSize(TPicture* picture, int maxSize) {
    if (!picture || !picture->Graphic() || picture->Graphic()->Empty())
        return;
    TGraphic* graphic = picture->Graphic();
    const TRect fitted = FitSizeInner(TRect(0, 0, graphic->Width(), graphic->Height()), maxSize, maxSize);
    if (IsRectDegenerate(fitted))
        return;
    SetJPEGScaleForSize(graphic, fitted.Width(), fitted.Height());
    TSafetyBitmap bitmap(fitted.Width(), fitted.Height(), pf24bit);
    StretchDrawLocked(bitmap.Canvas(), TRect(0, 0, fitted.Width(), fitted.Height()), graphic);
    picture->SetGraphic(&bitmap);
}

void ShrinkPictureToLimit(TPicture* picture) {
    ShrinkPictureToSize(picture, PictureSizeLimit.load());
}

bool LoadMetafile9x(TPicture*, const QString&) {
    return false;
}

void SetPhotoCDLoader(TPhotoCDLoader loader) {
    std::lock_guard<std::mutex> guard(photoCDLock);
    photoCDLoader = std::move(loader);
}

bool LoadPictureFile(QWidget* owner, TPicture* picture, const QString& fileName) {
    TPictureEx loaded;
    TPhotoCDLoader photoCD;
    {
        std::lock_guard<std::mutex> guard(photoCDLock);
        photoCD = photoCDLoader;
    }
    if (photoCD && QFileInfo(fileName).suffix().compare(QLatin1String("pcd"), Qt::CaseInsensitive) == 0) {
        if (!photoCD(owner, fileName, loaded))
            return false;
    } else {
        loaded.LoadFromFile(fileName);
    }
    loaded.SetImageID(fileName);
    const int limit = PictureSizeLimit.load();
    if ((loaded.Width() > limit || loaded.Height() > limit) && !IsExifPicture(&loaded))
        ShrinkPictureToSize(&loaded, limit);
    if (picture && !IsRectDegenerate(TRect(0, 0, loaded.Width(), loaded.Height())))
        picture->Assign(&loaded);
    return true;
}

std::unique_ptr<TSafetyBitmap> MakeColorSampleBitmap(TColor color, int width, int height) {
    auto bitmap = std::make_unique<TSafetyBitmap>(std::max(width, 0), std::max(height, 0), pf24bit);
    if (width < 1 || height < 1)
        return bitmap;
    TCanvas& canvas = bitmap->Canvas();
    canvas.FillSolid(TRect(0, 0, width, height), color == clWhite ? clBlack : clWhite);
    canvas.Brush().Color = color;
    canvas.Brush().Style = bsSolid;
    canvas.Pen().Color = color == kSampleOutline ? kSampleOutlineOnGray : kSampleOutline;
    canvas.Pen().Style = psSolid;
    canvas.Pen().Width = 1;
    canvas.Rectangle(1, 0, width, height);
    return bitmap;
}

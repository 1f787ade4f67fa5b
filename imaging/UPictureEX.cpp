#include "imaging/UPictureEX.h"

#include "imaging/UGIFImage.h"
#include "imaging/UPCDAccess.h"
#include "imaging/UPNGImage.h"
#include "imaging/UResStream.h"
#include "imaging/USafetyBitmap.h"
#include "imaging/UZLIB.h"
#include "platform/Dib.h"
#include "platform/Filer.h"
#include "platform/Icon.h"
#include "platform/Metafile.h"
#include "platform/Stream.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <mutex>
#include <typeinfo>

namespace {

// Records the read and write procedures a picture hands over for its "Data" property, so that
// the picture's own stored form can be written to and read from any stream.
class TTrapFiler : public TFiler {
public:
    explicit TTrapFiler(TStream& stream) : TFiler(stream) {}
    void DefineProperty(const QString&, const TReaderProc&, const TWriterProc&, bool) override {}
    void DefineBinaryProperty(const QString& name, const TStreamProc& readProc, const TStreamProc& writeProc,
                              bool) override {
        if (name == QLatin1String("Data")) {
            read = readProc;
            write = writeProc;
        }
    }
    TStreamProc read;
    TStreamProc write;
};

// Clears a flag for a scope and puts the old value back.
struct FlagOverride {
    bool& flag;
    bool saved;
    FlagOverride(bool& f, bool value) : flag(f), saved(f) { flag = value; }
    ~FlagOverride() { flag = saved; }
};

// The clipboard format a MIME type carries, 0 for none the picture pastes.
uint16_t ClipboardFormatOf(const QString& mime) {
    if (mime == QLatin1String("image/bmp") || mime == QLatin1String("image/x-bmp") ||
        mime == QLatin1String("image/x-ms-bmp") || mime == QLatin1String("image/x-win-bitmap"))
        return CF_DIB;
    if (mime == QLatin1String("application/x-qt-image"))
        return CF_BITMAP;
    if (mime == QLatin1String("image/emf") || mime == QLatin1String("image/x-emf"))
        return CF_ENHMETAFILE;
    return 0;
}

} // namespace

// ---- JPEG classes

void TSafetyJPEGImage::Draw(TCanvas& canvas, const TRect& rect) {
    TNotifyEvent saved = std::move(OnChange);
    OnChange = nullptr;
    try {
        TJPEGGraphic::Draw(canvas, rect);
    } catch (...) {
        OnChange = std::move(saved);
        throw;
    }
    OnChange = std::move(saved);
}

// ---- TPictureEx

TPictureEx::TPictureEx() : notifier_(std::make_unique<TChangeNotify>(this)) {
    RegisterPictureClasses();
}

TPictureEx::~TPictureEx() {
    // Listeners are told and unlinked while the picture still answers for its notifier.
    notifier_->DestroyLinks();
    if (Graphic())
        Graphic()->OnChange = nullptr;
}

void TPictureEx::DeclareProperties(TPropertyBuilder<TPictureEx>& p) {
    p.String("ImageID", &TPictureEx::ImageID, &TPictureEx::SetImageID);
    p.String("StorageID", &TPictureEx::StorageID, &TPictureEx::SetStorageID);
}

void TPictureEx::SaveToStream(TStream& stream) {
    TTrapFiler filer(stream);
    FlagOverride scope(noData_, false);
    DefineProperties(filer);
    filer.write(stream);
}

void TPictureEx::LoadFromStream(TStream& stream) {
    TTrapFiler filer(stream);
    FlagOverride scope(noData_, false);
    DefineProperties(filer);
    filer.read(stream);
}

void TPictureEx::DefineProperties(TFiler& filer) {
    if (!noData_)
        TPicture::DefineProperties(filer);
}

void TPictureEx::Changed(TObject* sender) {
    if (!inChange_) {
        FlagOverride scope(inChange_, true);
        TPicture::Changed(sender);
        notifier_->Changed();
    }
    modified_ = true;
}

void TPictureEx::Assign(const TPersistent* source) {
    if (const auto* ex = dynamic_cast<const TPictureEx*>(source)) {
        imageID_ = ex->imageID_;
        storageID_ = ex->storageID_;
        privateID_ = ex->privateID_;
    }
    if (const auto* picture = dynamic_cast<const TPicture*>(source)) {
        TGraphic* mine = Graphic();
        const TGraphic* theirs = picture->Graphic();
        if (!mine && !theirs)
            return;
        // JPEG objects carry decoding settings of their own; they are replaced, not reused.
        if (mine && theirs && typeid(*mine) == typeid(*theirs) && !dynamic_cast<TJPEGGraphic*>(mine)) {
            mine->Assign(*theirs);
            return;
        }
    }
    TPicture::Assign(source);
}

void TPictureEx::AssignMimeData(const QMimeData& data) {
    for (const QString& mime : data.formats()) {
        const uint16_t format = ClipboardFormatOf(mime);
        if (format == 0 || !SupportsClipboardFormat(format))
            continue;
        QByteArray bytes;
        if (format == CF_BITMAP) {
            const QImage image = qvariant_cast<QImage>(data.imageData());
            if (image.isNull())
                continue;
            bytes = EncodeBitmapFile(PixelBuffer::FromImage(image, 24));
        } else {
            bytes = data.data(mime);
        }
        LoadFromClipboardFormat(format, bytes);
        return;
    }
    throw EInvalidGraphic(QStringLiteral("Unsupported clipboard format"));
}

void TPictureEx::AssignClipboard() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data)
        throw EInvalidGraphic(QStringLiteral("Unsupported clipboard format"));
    AssignMimeData(*data);
}

// ---- graphic accessors

TSafetyBitmap& GetSafetyBitmap(TPicture& picture) {
    if (auto* bitmap = dynamic_cast<TSafetyBitmap*>(picture.Graphic()))
        return *bitmap;
    auto made = std::make_unique<TSafetyBitmap>();
    // A framework bitmap (read from a document that stored "TBitmap") keeps its image.
    if (const auto* plain = dynamic_cast<const TBitmap*>(picture.Graphic()))
        made->Assign(*plain);
    TSafetyBitmap& result = *made;
    picture.TakeGraphic(std::move(made), false);
    return result;
}

TSafetyJPEGImage& GetSafetyJPEG(TPicture& picture) {
    return picture.ForceType<TSafetyJPEGImage>(false);
}

// ---- TResourceImageLoader

TResourceImageLoader::TResourceImageLoader(TPictureEx* picture) : picture_(picture) {}

void TResourceImageLoader::DeclareProperties(TPropertyBuilder<TResourceImageLoader>& p) {
    p.String("ResFile", &TResourceImageLoader::ResFile, &TResourceImageLoader::SetResFile);
    p.String("ResType", &TResourceImageLoader::ResType, &TResourceImageLoader::SetResType);
    p.String("ResName", &TResourceImageLoader::ResName, &TResourceImageLoader::SetResName);
    p.Boolean("AutoLoad", &TResourceImageLoader::AutoLoad, &TResourceImageLoader::SetAutoLoad).Default(true);
}

void TResourceImageLoader::Renamed() {
    if (picture_)
        picture_->SetNoData(false);
    CheckAutoLoad();
}

void TResourceImageLoader::SetResFile(const QString& value) {
    if (value != resFile_) {
        resFile_ = value;
        Renamed();
    }
}

void TResourceImageLoader::SetResType(const QString& value) {
    if (value != resType_) {
        resType_ = value;
        Renamed();
    }
}

void TResourceImageLoader::SetResName(const QString& value) {
    if (value != resName_) {
        resName_ = value;
        Renamed();
    }
}

void TResourceImageLoader::AssignTo(TPersistent* dest) const {
    auto* loader = dynamic_cast<TResourceImageLoader*>(dest);
    if (!loader) {
        TPersistent::AssignTo(dest);
        return;
    }
    loader->resFile_ = resFile_;
    loader->resType_ = resType_;
    loader->resName_ = resName_;
    loader->Renamed();
}

void TResourceImageLoader::CheckAutoLoad() {
    if (autoLoad_ && ready_)
        Load();
}

void TResourceImageLoader::Load() {
    if (resName_.isEmpty() || resType_.isEmpty() || !picture_)
        return;
    const QString fileName =
        resFile_.isEmpty() ? QString() : QCoreApplication::applicationDirPath() + QLatin1Char('/') + resFile_;
    const TResName type = resType_ == QLatin1String("RT_BITMAP") ? TResName(RT_BITMAP)
                          : resType_ == QLatin1String("RT_ICON") ? TResName(RT_ICON)
                                                                 : TResName(resType_);
    TResStream stream(fileName, TResName(resName_), type);
    bool loaded = false;
    if (OnLoad)
        OnLoad(stream, loaded);
    if (!loaded) {
        if ((type.IsOrdinal() && type.Ordinal() == RT_BITMAP) ||
            (!type.IsOrdinal() && type.Text().compare(QLatin1String("CBM"), Qt::CaseInsensitive) == 0)) {
            // A bitmap resource has no file header; a packed one holds a whole bitmap file.
            TMemoryStream file;
            int32_t size = 0;
            if (ReadZLIBHeader(stream, size)) {
                ZLIBDecompressStream(stream, file, size);
            } else {
                file.WriteBytes(QByteArray("BM") + QByteArray(12, '\0'));
                file.CopyFrom(stream, 0);
            }
            file.SetPosition(0);
            GetSafetyBitmap(*picture_).LoadFromStream(file);
            loaded = true;
        } else if (type.IsOrdinal() && type.Ordinal() == RT_ICON) {
            picture_->ForceType<TIcon>().LoadFromIconImage(stream.ReadBytes(stream.Remaining()));
            loaded = true;
        } else if (!type.IsOrdinal() && type.Text() == QLatin1String("METAFILE")) {
            picture_->ForceType<TMetafile>().LoadFromStream(stream);
            loaded = true;
        } else if (!type.IsOrdinal() && type.Text() == QLatin1String("JPEG")) {
            GetSafetyJPEG(*picture_).LoadFromStream(stream);
            loaded = true;
        }
    }
    if (loaded)
        picture_->SetNoData(true);
}

// ---- registration

void RegisterPictureClasses() {
    static std::once_flag once;
    std::call_once(once, [] {
        RegisterSafetyBitmap();
        const QString jpeg = QStringLiteral("JPEG Image");
        TPicture::RegisterFileFormat<TJPEGImage>(QStringLiteral("JPG"), jpeg);
        TPicture::RegisterFileFormat<TSafetyJPEGImage>(QStringLiteral("JPG"), jpeg);
        TPicture::RegisterFileFormat<TSafetyJPEGImage>(QStringLiteral("JPEG"), jpeg);
        TPicture::RegisterFileFormat<TPNGImage>(QStringLiteral("PNG"),
                                                QStringLiteral("Portable Network Graphics"));
        TPicture::RegisterFileFormat<TGIFImage>(QStringLiteral("GIF"), QStringLiteral("GIF Image"));
        RegisterPCDBitmap();
    });
}

#include "imaging/UColorFill.h"

#include "core/USupportUtil.h"
#include "imaging/UCanvas.h"
#include "imaging/USafetyBitmap.h"
#include "platform/Bitmap.h"
#include "platform/Filer.h"
#include "platform/Stream.h"

#include <QImage>
#include <algorithm>

namespace {

// The colour nearest to rgb among those an indexed image can hold (rgb itself for direct colour).
TColor NearestDeviceColor(TCanvas& canvas, TColor rgb) {
    const QImage* image = canvas.TargetImage();
    if (image == nullptr || image->colorCount() == 0)
        return rgb;
    TColor best = rgb;
    int bestDistance = -1;
    for (QRgb entry : image->colorTable()) {
        const int dr = qRed(entry) - GetRValue(rgb), dg = qGreen(entry) - GetGValue(rgb),
                  db = qBlue(entry) - GetBValue(rgb);
        const int distance = dr * dr + dg * dg + db * db;
        if (bestDistance < 0 || distance < bestDistance) {
            bestDistance = distance;
            best = RGB(qRed(entry), qGreen(entry), qBlue(entry));
        }
    }
    return best;
}

} // namespace

// ---- TGradationColors

TGradationColors::TGradationColors() : notifier_(std::make_unique<TChangeNotify>(this)) {}

TGradationColors::~TGradationColors() {
    notifier_->DestroyLinks();
}

void TGradationColors::DeclareProperties(TPropertyBuilder<TGradationColors>& p) {
    p.Integer("RepeatCount", &TGradationColors::RepeatCount, &TGradationColors::SetRepeatCount).Default(1);
}

void TGradationColors::SetCount(int n) {
    n = std::max(0, n);
    if (n == Count())
        return;
    colors_.resize(size_t(n), clBlack);
    Changed();
}

TColor TGradationColors::Colors(int index) const {
    if (index < 0 || index >= Count())
        throw ERangeError(QStringLiteral("Range check error"));
    return colors_[size_t(index)];
}

void TGradationColors::SetColors(int index, TColor value) {
    if (Colors(index) == value)
        return;
    colors_[size_t(index)] = value;
    Changed();
}

void TGradationColors::SetRepeatCount(int32_t value) {
    if (value == repeatCount_)
        return;
    repeatCount_ = value;
    Changed();
}

void TGradationColors::GetExpandedColors(std::vector<TColor>& colors) const {
    colors.clear();
    if (colors_.empty() || repeatCount_ < 1)
        return;
    const int64_t total = std::min<int64_t>(int64_t(colors_.size()) * repeatCount_, kMaxExpandedColors);
    colors.reserve(size_t(total));
    for (int64_t k = 0; k < total; ++k)
        colors.push_back(colors_[size_t(k % int64_t(colors_.size()))]);
}

void TGradationColors::DefineProperties(TFiler& filer) {
    TPersistent::DefineProperties(filer);
    filer.DefineBinaryProperty(
        QStringLiteral("Colors"),
        [this](TStream& stream) {
            const int32_t n = stream.ReadInt32();
            if (n < 0 || n > kMaxStoredColors || n > stream.Remaining() / 4)
                throw EReadError(QStringLiteral("Invalid property value"));
            std::vector<TColor> read(static_cast<size_t>(n));
            for (TColor& c : read)
                c = stream.ReadInt32();
            // Read as the holder loads: no change of its own.
            colors_ = std::move(read);
        },
        [this](TStream& stream) {
            stream.WriteInt32(int32_t(colors_.size()));
            for (TColor c : colors_)
                stream.WriteInt32(c);
        },
        colors_ != std::vector<TColor>{clWhite, clBlack});
}

void TGradationColors::AssignTo(TPersistent* dest) const {
    auto* colors = dynamic_cast<TGradationColors*>(dest);
    if (colors == nullptr) {
        TPersistent::AssignTo(dest);
        return;
    }
    InUpdate(*colors, [&] {
        colors->SetRepeatCount(repeatCount_);
        colors->SetCount(Count());
        for (int i = Count() - 1; i >= 0; --i)
            colors->SetColors(i, colors_[size_t(i)]);
    });
}

// ---- TColorSpec

TColorSpec::TColorSpec()
    : listener_(std::make_unique<TListener>()), notifier_(std::make_unique<TChangeNotify>(this)),
      imageData_(std::make_unique<TImageData>()), gradColors_(std::make_unique<TGradationColors>()) {
    notifier_->OnChange = [this](TObject*) {
        if (OnChange) {
            const TNotifyEvent handler = OnChange;
            handler(this);
        }
    };
    listener_->OnNotify = [this](TObject*, const TGUID& eventID) {
        if (eventID == GUID_Changed)
            Changed();
    };
    imageData_->AddListener(listener_.get());
    gradColors_->AddListener(listener_.get());
}

TColorSpec::~TColorSpec() {
    notifier_->DestroyLinks();
    gradColors_.reset();
    imageData_.reset();
    listener_.reset();
    notifier_.reset();
}

void TColorSpec::DeclareProperties(TPropertyBuilder<TColorSpec>& p) {
    p.Color("Color", &TColorSpec::Color, &TColorSpec::SetColor).Default(0);
    p.Enumeration("Style", &TColorSpec::Style, &TColorSpec::SetStyle,
                  {"bsSolid", "bsClear", "bsHorizontal", "bsVertical", "bsFDiagonal", "bsBDiagonal",
                   "bsCross", "bsDiagCross"},
                  QStringLiteral("TBrushStyle"))
        .Default(bsSolid);
    p.Boolean("Tile", &TColorSpec::Tile, &TColorSpec::SetTile).Default(false);
    p.Enumeration("Kind", &TColorSpec::Kind, &TColorSpec::SetKind, {"cskSolid", "cskBitmap", "cskGradation"},
                  QStringLiteral("TColorSpecKind"))
        .Default(cskSolid);
    p.Boolean("TileShift", &TColorSpec::TileShift, &TColorSpec::SetTileShift).Default(false);
    p.Object("ImageData", &TColorSpec::ImageData);
    p.Integer("GradAngle", &TColorSpec::GradAngle, &TColorSpec::SetGradAngle).Default(270);
    p.Enumeration("GradKind", &TColorSpec::GradKind, &TColorSpec::SetGradKind,
                  {"rgkSimple", "rgkBoxToRim", "rgkBoxToCenter", "rgkCircleToRim", "rgkCircleToCenter",
                   "rgkConeClockwise", "rgkConeCounterClockwise"},
                  QStringLiteral("rgGradationKind"))
        .Default(rgkSimple);
    p.Object("GradColors", &TColorSpec::GradColors);
    // Views for property panels, never stored.
    p.Enumeration("GradDir", &TColorSpec::GradDir, &TColorSpec::SetGradDir,
                  {"rgdLeftToRight", "rgdRightToLeft", "rgdTopToBottom", "rgdBottomToTop",
                   "rgdLeftTopToRightBottom", "rgdRightTopToLeftBottom", "rgdRightBottomToLeftTop",
                   "rgdLeftBottomToRightTop", "rgdCenterToRim", "rgdRimToCenter"},
                  QStringLiteral("rgGradationDir"))
        .Stored(false);
    p.Integer("GradColNum", &TColorSpec::GradColNum, &TColorSpec::SetGradColNum).Stored(false);
    static const char* const kColorNames[] = {"GradColor0", "GradColor1", "GradColor2", "GradColor3",
                                              "GradColor4", "GradColor5", "GradColor6", "GradColor7"};
    for (int i = 0; i < 8; ++i) {
        p.Color(
             kColorNames[i], [i](TColorSpec& s) { return s.GradColor(i); },
             [i](TColorSpec& s, TColor c) { s.SetGradColor(i, c); })
            .Stored(false);
    }
}

void TColorSpec::SetColor(TColor value) {
    if (value == color_)
        return;
    color_ = value;
    Changed();
}

void TColorSpec::SetStyle(TBrushStyle value) {
    if (value == style_)
        return;
    style_ = value;
    Changed();
}

TSafetyBitmap* TColorSpec::Bitmap() const {
    TPictureEx& picture = *imageData_->Picture();
    const TGraphic* graphic = picture.Graphic();
    // Turning a JPEG or metafile into an empty bitmap would lose the user's picture.
    if (graphic != nullptr && !graphic->Empty() && dynamic_cast<const TBitmap*>(graphic) == nullptr)
        return nullptr;
    return &GetSafetyBitmap(picture);
}

void TColorSpec::SetBitmap(const TBitmap* value) {
    TPictureEx* picture = imageData_->Picture();
    if (IsPictureEmpty(picture) && (value == nullptr || value->Empty()))
        return;
    picture->SetGraphic(value);
}

void TColorSpec::SetTile(bool value) {
    if (value == tile_)
        return;
    tile_ = value;
    Changed();
}

TColorSpecKind TColorSpec::Kind() const {
    return kind_ == cskBitmap && imageData_->IsEmpty() ? cskSolid : kind_;
}

void TColorSpec::SetKind(TColorSpecKind value) {
    if (value == Kind())
        return;
    kind_ = value;
    Changed();
}

void TColorSpec::SetTileShift(bool value) {
    if (value == tileShift_)
        return;
    tileShift_ = value;
    Changed();
}

void TColorSpec::SetGradAngle(int32_t value) {
    if (value == gradAngle_)
        return;
    gradAngle_ = value;
    Changed();
}

void TColorSpec::SetGradKind(rgGradationKind value) {
    if (value == gradKind_)
        return;
    gradKind_ = value;
    Changed();
}

rgGradationDir TColorSpec::GradDir() const {
    return GradKindAngleToDir(gradKind_, gradAngle_);
}

void TColorSpec::SetGradDir(rgGradationDir value) {
    InUpdate(*notifier_, [&] {
        SetGradKind(value == rgdCenterToRim   ? rgkBoxToRim
                    : value == rgdRimToCenter ? rgkBoxToCenter
                                              : rgkSimple);
        SetGradAngle(GradDirToAngle(value));
    });
}

void TColorSpec::SetGradColor(int index, TColor value) {
    if (index >= 0 && index < GradColNum())
        gradColors_->SetColors(index, value);
}

void TColorSpec::Assign(const TPersistent* source) {
    const auto* spec = dynamic_cast<const TColorSpec*>(source);
    if (spec == nullptr) {
        TPersistent::Assign(source);
        return;
    }
    InUpdate(*notifier_, [&] {
        SetKind(spec->kind_);
        SetColor(spec->color_);
        SetStyle(spec->style_);
        imageData_->Assign(spec->imageData_.get());
        SetTile(spec->tile_);
        SetTileShift(spec->tileShift_);
        if (Kind() == cskGradation) {
            SetGradAngle(spec->gradAngle_);
            SetGradKind(spec->gradKind_);
            gradColors_->Assign(spec->gradColors_.get());
        }
    });
}

bool TColorSpec::IsExactSolidColor(TCanvas& canvas) const {
    if (Kind() != cskSolid || style_ != bsSolid)
        return false;
    const TColor rgb = ColorToRGB(color_);
    return NearestDeviceColor(canvas, rgb) == rgb;
}

void TColorSpec::Tiling(TCanvas& canvas, const TRect& rect, TGraphic& graphic) const {
    const int w = graphic.Width();
    const int h = graphic.Height();
    // A tile without area would never advance.
    if (w < 1 || h < 1)
        return;
    bool shifted = false;
    for (int64_t y = rect.Top; y < rect.Bottom; y += h, shifted = !shifted) {
        const int64_t start = rect.Left - (tileShift_ && shifted ? (w + 1) / 2 : 0);
        for (int64_t x = start; x < rect.Right; x += w)
            canvas.StretchDraw(Rect(int(x), int(y), int(x + w), int(y + h)), graphic);
    }
}

void TColorSpec::FillRect(TCanvas& canvas, const TRect& rect) {
    TIntf<IUnknownEx> saver;
    SaveCanvasState(canvas, false, saver);
    switch (Kind()) {
    case cskSolid:
        canvas.Brush().Style = style_;
        // Palette-relative, as the graphics layer wants solid fills on palette devices.
        canvas.Brush().Color = ColorToRGB(color_) | 0x02000000;
        canvas.FillRect(rect);
        break;
    case cskBitmap: {
        TPictureEx* picture = imageData_->GetFilteredPicture();
        TGraphic* graphic = picture->Graphic();
        if (graphic == nullptr || graphic->Empty())
            break;
        if (tile_)
            Tiling(canvas, rect, *graphic);
        else
            canvas.StretchDraw(rect, *graphic);
        break;
    }
    case cskGradation: {
        std::vector<TColor> colors;
        gradColors_->GetExpandedColors(colors);
        DrawGradation(canvas, rect, colors.data(), int(colors.size()), gradKind_, gradAngle_, false);
        break;
    }
    }
}

void TColorSpec::DrawPreview(TCanvas& canvas, const TRect& rect) {
    TIntf<IUnknownEx> saver;
    SaveCanvasState(canvas, false, saver);
    canvas.Brush().Style = bsSolid;
    canvas.Brush().Color = clWhite;
    canvas.FillRect(rect);
    canvas.Brush().Color = 0x808080;
    int row = 0;
    for (int64_t y = rect.Top; y < rect.Bottom; y += 8, ++row)
        for (int64_t x = rect.Left + (row % 2 ? 8 : 0); x < rect.Right; x += 16)
            canvas.FillRect(Rect(int(x), int(y), int(x + 8), int(y + 8)));

    TGraphic* graphic = imageData_->Picture()->Graphic();
    if (!(tile_ && Kind() == cskBitmap && graphic != nullptr && !graphic->Empty())) {
        FillRect(canvas, rect);
        return;
    }
    // A reduced tiling: two fifths of the preview along the picture's longer side.
    const int64_t w = graphic->Width();
    const int64_t h = graphic->Height();
    int64_t tileWidth, tileHeight;
    if (w <= h) {
        tileHeight = int64_t(rect.Height()) * 2 / 5;
        tileWidth = w * tileHeight / h;
    } else {
        tileWidth = int64_t(rect.Width()) * 2 / 5;
        tileHeight = h * tileWidth / w;
    }
    if (tileWidth < 1 || tileHeight < 1)
        return;
    TColorSpec reduced;
    reduced.Assign(this);
    TSafetyBitmap tile(int(tileWidth), int(tileHeight), pf24bit);
    tile.Canvas().StretchDraw(Rect(0, 0, int(tileWidth), int(tileHeight)), *graphic);
    TPictureEx picture;
    picture.SetGraphic(&tile);
    reduced.ImageData()->SetResizedPicture(&picture);
    reduced.FillRect(canvas, rect);
}

#include "pageobjects/layout/ULOAlbumPhoto.h"

#include "core/UGeometryUtil.h"
#include "core/USupportUtil.h"
#include "imaging/UCanvas.h"
#include "imaging/UExifReader.h"
#include "imaging/UGraphicsUtil.h"
#include "imaging/UImagePack.h"
#include "imaging/UJPEGImage.h"
#include "imaging/URotateBitmap.h"
#include "imaging/USafetyBitmap.h"
#include "pageobjects/engine/UDOUtils.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/layout/UDisplayCopy.h"
#include "pageobjects/layout/ULOLine.h"
#include "platform/Canvas.h"
#include "platform/Cp932.h"
#include "platform/Exception.h"

#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

int displayLimit = 0;
int printLimit = 0;
TImagePack* dateImagePack = nullptr;

// An empty photo slot shows as a grey area.
constexpr TColor kEmptySlotColor = 0xC0C0C0;
// The glyph imprint's unit is the picture height / 34: a margin of one unit, the row's top at
// 32.5 units and its height one unit.
constexpr double kDateUnits = 34;
constexpr double kDateRowTop = 32.5;
// Dates reach from year 1 to this one.
constexpr int kLastYear = 9999;

bool IsLimit(int limit) {
    return limit >= 1 && limit <= kLargestSizeLimit;
}

bool IsQuarterSideways(int turn) {
    return turn == 90 || turn == 270;
}

// The picture's graphic as a 24-bit safety bitmap of its size, for drawing into.
TSafetyBitmap& PaintableBitmap(TPictureEx& picture) {
    if (auto* bitmap = dynamic_cast<TSafetyBitmap*>(picture.Graphic()))
        return *bitmap;
    TGraphic* graphic = picture.Graphic();
    TSafetyBitmap copy(graphic->Width(), graphic->Height(), pf24bit);
    copy.Canvas().FillSolid(TRect(0, 0, copy.Width(), copy.Height()), clWhite);
    StretchDrawLocked(copy.Canvas(), TRect(0, 0, copy.Width(), copy.Height()), graphic);
    copy.Canvas().FreeHandle();
    picture.SetGraphic(&copy);
    return *dynamic_cast<TSafetyBitmap*>(picture.Graphic());
}

// A bitmap turned a quarter (or half) at full size onto white; a mask turns with it.
void TurnPicture(TPictureEx& picture, int turn) {
    TSafetyBitmap& source = PaintableBitmap(picture);
    TSafetyBitmap turned;
    const TPoint size(source.Width(), source.Height());
    if (source.Transparent())
        RotateSafetyBitmap(&source, &turned, turn, size);
    else
        RotateBitmap(&source, &turned, turn, clWhite, size);
    picture.SetGraphic(&turned);
}

void DrawGlyphDate(TSafetyBitmap& bitmap, const QByteArray& text, TImagePack& pack) {
    if (pack.GetCount() < 1 || text.isEmpty())
        return;
    const int width = bitmap.Width(), height = bitmap.Height();
    const double u = height / kDateUnits;
    const int margin = int(std::lrint(u));
    const int top = int(std::lrint(kDateRowTop * u));
    const TRect row(margin, top, width - margin, top + margin);
    const TRect glyph = FitSizeInner(TRect(0, 0, pack.Width(0), pack.Height(0)), row.Width(), row.Height());
    const int64_t gw = glyph.Width(), gh = glyph.Height();
    if (gw < 1 || gh < 1)
        return;
    const int64_t gap = gw / 3;
    const int64_t length = text.size();
    int64_t left = int64_t(row.Right) - gw * length - (length - 1) * gap;
    TCanvas& canvas = bitmap.Canvas();
    for (const char c : text) {
        const char* found = c != 0 ? std::strchr(kPhotoDateGlyphs, c) : nullptr;
        const int index = found ? int(found - kPhotoDateGlyphs) : -1;
        if (index >= 0 && !pack.IsOutOfRange(index)) {
            TSafetyBitmap cell(std::max(pack.Width(index), 1), std::max(pack.Height(index), 1), pf24bit);
            cell.Canvas().FillSolid(TRect(0, 0, cell.Width(), cell.Height()), clWhite);
            pack.Draw(cell.Canvas(), 0, 0, index);
            cell.Canvas().FreeHandle();
            cell.SetTransparentColor(clWhite);
            cell.SetTransparent(true);
            canvas.StretchDraw(HeldExtent(left, row.Top, left + gw, row.Top + gh), cell);
        }
        left += gw + gap;
    }
    canvas.FreeHandle();
}

void DrawFontDate(TSafetyBitmap& bitmap, const QString& text, const TFont& font) {
    TCanvas& canvas = bitmap.Canvas();
    canvas.Font() = font;
    canvas.Brush().Style = bsClear;
    const TSize extent = canvas.TextExtent(text);
    const int m = extent.cy * 3 / 2;
    canvas.TextOut(bitmap.Width() - extent.cx - m, bitmap.Height() - m, text);
    canvas.FreeHandle();
}

TPictureEx& DefaultShade() {
    static const std::unique_ptr<TPictureEx> picture = std::make_unique<TPictureEx>();
    return *picture;
}

} // namespace

// ---- unit-wide settings

void SetImageDispLimitSize(int limit) {
    displayLimit = limit;
}

void SetImagePrintLimitSize(int limit) {
    printLimit = limit;
}

int ImageDispLimitSize() {
    return displayLimit;
}

int ImagePrintLimitSize() {
    return printLimit;
}

void SetPhotoDateImagePack(TImagePack* pack) {
    dateImagePack = pack;
}

void LoadDefaultShadowPicture(const QString& fileName) {
    TSafetyBitmap bitmap;
    bitmap.LoadFromFile(fileName);
    DefaultShade().SetGraphic(&bitmap);
}

TPictureEx* DefaultShadowPicture() {
    return &DefaultShade();
}

void PreparePhotosForPrint(const TDOList& list) {
    for (TDrawObject* object : list) {
        auto* photo = dynamic_cast<TLOAlbumPhoto*>(object);
        if (photo == nullptr)
            continue;
        if (!photo->PhotoImageObj()->ForPrint()) {
            photo->PhotoImageObj()->SetForPrint(true);
            // A picture prepared for the screen is not good enough for the printer.
            photo->DropPreparedPicture();
        }
        if (photo->PhotoImageObj()->IsEmpty())
            photo->SetVisible(false);
    }
}

bool ParseExifDateTime(const QString& text, TDateTime& value) {
    QByteArray s = Cp932::Encode(text);
    if (s.size() >= 8 && s[4] == ':' && s[7] == ':')
        s[4] = s[7] = '/';
    // Tokens: a run of digits, one double-byte character or one other character; blanks and
    // full-width spaces between them are skipped.
    std::vector<QByteArray> tokens;
    qsizetype i = 0;
    const qsizetype n = s.size();
    while (i < n && tokens.size() < 10) {
        const auto b = static_cast<unsigned char>(s[i]);
        if (b <= ' ') {
            ++i;
            continue;
        }
        if (b == 0x81 && i + 1 < n && static_cast<unsigned char>(s[i + 1]) == 0x40) {
            i += 2;
            continue;
        }
        qsizetype end = i + 1;
        if (b >= '0' && b <= '9') {
            while (end < n && s[end] >= '0' && s[end] <= '9')
                ++end;
        } else if (Cp932::IsLeadByte(b) && end < n) {
            ++end;
        }
        tokens.push_back(s.mid(i, end - i));
        i = end;
    }
    auto number = [&](size_t index) {
        if (index >= tokens.size())
            return 0;
        bool ok = false;
        const int v = tokens[index].toInt(&ok);
        return ok ? v : 0;
    };
    const int year = number(0), hour = number(5), minute = number(7), second = number(9);
    if (year < 1 || year > kLastYear || hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 ||
        second > 59)
        return false;
    try {
        value = DateTimeFromParts(year, number(2), number(4), hour, minute, second);
    } catch (const Exception&) {
        return false;
    }
    return true;
}

// ---- TLOAlbumPhoto

TLOAlbumPhoto::TLOAlbumPhoto(TComponent* owner)
    : TLORectBase(owner), photoImage_(std::make_unique<TLOPhotoImage>(nullptr)),
      shade_(std::make_unique<TLOAlbumShade>(nullptr)), photo_(std::make_unique<TPhotoImageData>()),
      shadowPicture_(std::make_unique<TPictureEx>()), dateFont_(std::make_unique<TPersistentFont>()),
      normalizeFilter_(std::make_unique<TAutoAdjustFilter>()), photoDate_(NowDateTime()) {
    shade_->FillColor()->SetColor(clBlack);
    dateFont_->SetColor(kDefaultDateColor);
    dateFont_->SetSize(kDefaultDatePoints);
    dateFont_->SetStyle(fsBold);
    dateFont_->OnChange = [this](TObject*) {
        DropPreparedPicture();
        Refresh();
    };
    Listener()->AddBroadcaster(photo_.get());
    Listener()->AddBroadcaster(photoImage_->FramePicture());
    Listener()->AddBroadcaster(shadowPicture_.get());
    Listener()->AddBroadcaster(normalizeFilter_.get());
}

TLOAlbumPhoto::~TLOAlbumPhoto() {
    destroying_ = true;
    dateFont_->OnChange = nullptr;
}

void TLOAlbumPhoto::DeclareProperties(TPropertyBuilder<TLOAlbumPhoto>& p) {
    p.Object("PhotoImageObj", &TLOAlbumPhoto::PhotoImageObj).TypeName(QStringLiteral("TImageData"));
    p.Enumeration("ImageSource", &TLOAlbumPhoto::ImageSource, &TLOAlbumPhoto::SetImageSource,
                  {QStringLiteral("isFile"), QStringLiteral("isOnePoint"), QStringLiteral("isTwain"),
                   QStringLiteral("isPlugin")},
                  QStringLiteral("TImageSource"));
    p.Boolean("AlphaFrame", &TLOAlbumPhoto::AlphaFrame, &TLOAlbumPhoto::SetAlphaFrame);
    p.Object("FramePicture", &TLOAlbumPhoto::FramePicture).TypeName(QStringLiteral("TPicture"));
    p.Boolean("Shadow", &TLOAlbumPhoto::Shadow, &TLOAlbumPhoto::SetShadow);
    p.Integer("ShadowX", &TLOAlbumPhoto::ShadowX, &TLOAlbumPhoto::SetShadowX);
    p.Integer("ShadowY", &TLOAlbumPhoto::ShadowY, &TLOAlbumPhoto::SetShadowY);
    p.Color("ShadowColor", &TLOAlbumPhoto::ShadowColor, &TLOAlbumPhoto::SetShadowColor);
    p.Object("ShadowPicture", &TLOAlbumPhoto::ShadowPicture).TypeName(QStringLiteral("TPicture"));
    p.Boolean("ShadowShade", &TLOAlbumPhoto::ShadowShade, &TLOAlbumPhoto::SetShadowShade);
    p.Boolean("FitOuter", &TLOAlbumPhoto::FitOuter, &TLOAlbumPhoto::SetFitOuter);
    p.Boolean("FrameFitPhoto", &TLOAlbumPhoto::FrameFitPhoto, &TLOAlbumPhoto::SetFrameFitPhoto);
    p.Boolean("DisplayDate", &TLOAlbumPhoto::DisplayDate, &TLOAlbumPhoto::SetDisplayDate);
    p.String("DateFormat", &TLOAlbumPhoto::DateFormat, &TLOAlbumPhoto::SetDateFormat);
    p.Object("DateFont", &TLOAlbumPhoto::DateFont).TypeName(QStringLiteral("TFont"));
    p.Object("NormalizeFilter", &TLOAlbumPhoto::NormalizeFilter);
    p.Integer("PhotoAngle", &TLOAlbumPhoto::PhotoAngle, &TLOAlbumPhoto::SetPhotoAngleValue);
    p.Float("PhotoDate", &TLOAlbumPhoto::PhotoDate, &TLOAlbumPhoto::SetPhotoDate, TFloatType::DateTime);
    p.Integer("Angle", &TLOAlbumPhoto::Angle, &TLOAlbumPhoto::SetAngle);
}

// ---- property changes

void TLOAlbumPhoto::Refresh() {
    Changed();
    Invalidate();
}

void TLOAlbumPhoto::DropPreparedPicture() {
    if (destroying_ || IsLoading() || preparing_)
        return;
    photoImage_->ImageData()->Picture()->SetGraphic(nullptr);
}

void TLOAlbumPhoto::SetPhotoImageObj(const TImageData* value) {
    photo_->Assign(value);
    DropPreparedPicture();
    Refresh();
}

void TLOAlbumPhoto::SetAlphaFrame(bool value) {
    if (value == AlphaFrame())
        return;
    photoImage_->SetAlphaFrame(value);
    Refresh();
}

void TLOAlbumPhoto::SetShadow(bool value) {
    if (value == shadow_)
        return;
    shadow_ = value;
    LayoutShade();
    UpdateBounds();
    Refresh();
}

void TLOAlbumPhoto::SetShadowX(int value) {
    if (value == shadowX_)
        return;
    shadowX_ = value;
    LayoutShade();
    UpdateBounds();
    Refresh();
}

void TLOAlbumPhoto::SetShadowY(int value) {
    if (value == shadowY_)
        return;
    shadowY_ = value;
    LayoutShade();
    UpdateBounds();
    Refresh();
}

void TLOAlbumPhoto::SetShadowColor(TColor value) {
    if (value == ShadowColor())
        return;
    shade_->FillColor()->SetColor(value);
    Refresh();
}

void TLOAlbumPhoto::SetShadowShade(bool value) {
    if (value == shadowShade_)
        return;
    shadowShade_ = value;
    UpdateShadeMask();
    Refresh();
}

void TLOAlbumPhoto::SetFitOuter(bool value) {
    if (value == fitOuter_)
        return;
    fitOuter_ = value;
    DropPreparedPicture();
    Refresh();
}

void TLOAlbumPhoto::SetFrameFitPhoto(bool value) {
    if (value == frameFitPhoto_)
        return;
    frameFitPhoto_ = value;
    LayoutPhotoImage();
    LayoutShade();
    Refresh();
}

void TLOAlbumPhoto::SetDisplayDate(bool value) {
    if (value == displayDate_)
        return;
    displayDate_ = value;
    DropPreparedPicture();
    Refresh();
}

void TLOAlbumPhoto::SetDateFormat(const QString& value) {
    if (value == dateFormat_)
        return;
    dateFormat_ = value;
    DropPreparedPicture();
    Refresh();
}

void TLOAlbumPhoto::SetPhotoAngleValue(int value) {
    if (value == photoAngle_)
        return;
    photoAngle_ = value;
    DropPreparedPicture();
    Refresh();
}

void TLOAlbumPhoto::SetPhotoDate(TDateTime value) {
    if (value == photoDate_)
        return;
    photoDate_ = value;
    Refresh();
}

void TLOAlbumPhoto::SetAngle(int value) {
    if (value == Angle())
        return;
    rotator_.SetAngle(value);
    shade_->SetAngle(value);
    photoImage_->SetAngle(value);
    Refresh();
    UpdateBounds();
}

void TLOAlbumPhoto::UpdateShadeMask() {
    if (!shadowShade_)
        shade_->Picture()->SetGraphic(nullptr);
    else if (!IsPictureEmpty(shadowPicture_.get()))
        shade_->SetPicture(shadowPicture_.get());
    else
        shade_->SetPicture(&DefaultShade());
}

// ---- geometry

TPoint TLOAlbumPhoto::ShadowOffset() const {
    const TRect& r = LogBounds();
    const int64_t longer = r.Width() > r.Height() ? r.Width() : r.Height();
    return TPoint(ClampToInt32(longer * shadowX_ / 100), ClampToInt32(longer * shadowY_ / 100));
}

void TLOAlbumPhoto::GetLogRect(TRect& r) {
    r = TurnedBounds(LogBounds(), rotator_);
    if (shadow_) {
        const TPoint d = ShadowOffset();
        r = HeldExtent(r.Left, r.Top, int64_t(r.Right) + d.X, int64_t(r.Bottom) + d.Y);
    }
}

bool TLOAlbumPhoto::HitTest(const TPoint& p) {
    // Where it is drawn: the turned rectangle.
    return InTurnedRect(LogBounds(), rotator_, p);
}

void TLOAlbumPhoto::DrawOutline(TCanvas& canvas) {
    DrawTurnedOutline(canvas, LogBounds(), rotator_);
}

void TLOAlbumPhoto::SetEnclosingSize(int w, int h) {
    // The extent without the shadow, which does not scale with the photo.
    const TSize size = TurnedEnclosingSize(Angle(), TSize(LogWidth(), LogHeight()), TSize(w, h),
                                           TurnedBounds(LogBounds(), rotator_));
    SetLogWidth(size.cx);
    SetLogHeight(size.cy);
}

void TLOAlbumPhoto::SetLogRect(const TRect& r) {
    const TRect n = NormalizeRect(r);
    const bool resized =
        (n.Width() != LogWidth() && LogWidth() > 0) || (n.Height() != LogHeight() && LogHeight() >= 1);
    rotator_.Center = RectCenter(n);
    TLORectBase::SetLogRect(n);
    if (resized)
        DropPreparedPicture();
    if (!photo_->IsEmpty()) {
        LayoutPhotoImage();
        LayoutShade();
    }
    UpdateBounds();
}

void TLOAlbumPhoto::LayoutPhotoImage() {
    TImageData* shown = photoImage_->ImageData();
    if (shown->IsEmpty()) {
        photoImage_->SetLogRect(LogBounds());
        return;
    }
    TRect shape(0, 0, shown->Picture()->Width(), shown->Picture()->Height());
    TPictureEx* frame = photoImage_->FramePicture();
    if (IsPictureEmpty(frame) || frameFitPhoto_) {
        shown->ResetClipRect(0, 0);
    } else {
        shown->ResetClipRect(frame->Width(), frame->Height());
        shape = TRect(0, 0, frame->Width(), frame->Height());
    }
    photoImage_->SetLogRect(fitOuter_ ? FitRectOuter(shape, LogBounds()) : FitRectInner(shape, LogBounds()));
}

void TLOAlbumPhoto::LayoutShade() {
    const TPoint d = ShadowOffset();
    const TRect& r = photoImage_->LogBounds();
    shade_->SetLogRect(HeldExtent(int64_t(r.Left) + d.X, int64_t(r.Top) + d.Y, int64_t(r.Right) + d.X,
                                  int64_t(r.Bottom) + d.Y));
}

// ---- the prepared picture

int TLOAlbumPhoto::PhotoTurn() const {
    if (LogWidth() < 1 || LogHeight() < 1 || photo_->IsEmpty())
        return 0;
    if (photoAngle_ >= 0)
        return photoAngle_;
    const int pw = photo_->Picture()->Width(), ph = photo_->Picture()->Height();
    if (LogHeight() > LogWidth() && pw > ph)
        return 90;
    if (LogWidth() > LogHeight() && ph > pw)
        return 270;
    return 0;
}

bool TLOAlbumPhoto::PreparePicture() {
    if (!photoImage_->ImageData()->IsEmpty())
        return true;
    if (photo_->IsEmpty() || destroying_)
        return false;
    preparing_ = true;
    struct Clear {
        bool& flag;
        ~Clear() { flag = false; }
    } clear{preparing_};

    photo_->ClearFilteredPicture();
    const int turn = PhotoTurn();
    if (fitOuter_) {
        const bool sideways = IsQuarterSideways(turn);
        photo_->ResetClipRect(sideways ? LogHeight() : LogWidth(), sideways ? LogWidth() : LogHeight());
    } else {
        photo_->ResetClipRect(0, 0);
    }
    const int limit = photo_->ForPrint() ? printLimit : displayLimit;
    TPictureEx prepared;
    prepared.Assign(photo_->GetFilteredPicture(normalizeFilter_.get(), IsLimit(limit) ? limit : 0));
    if (turn > 0 && !IsPictureEmpty(&prepared))
        TurnPicture(prepared, turn);
    if (displayDate_ && !IsPictureEmpty(&prepared))
        StampDate(prepared);
    photo_->ClearFilteredPicture();

    TImageData* shown = photoImage_->ImageData();
    shown->SetTransparentColor(photo_->UsesTransparentColor() ? photo_->TransparentColor() : clNone);
    shown->SetPicture(&prepared);
    LayoutPhotoImage();
    LayoutShade();
    return !shown->IsEmpty();
}

QString TLOAlbumPhoto::DateText() const {
    QString text;
    try {
        TExifReader exif;
        exif.LoadFromPicture(photo_->Picture());
        QString stamp;
        TDateTime date = 0;
        if (exif.HasTag(EXIF_IFD0, EXIFTAG_DateTime)) {
            exif.GetText(EXIF_IFD0, EXIFTAG_DateTime, stamp);
            if (ParseExifDateTime(stamp, date))
                text = FormatDateEx(dateFormat_, date);
        }
    } catch (const Exception&) {
        // A damaged Exif block or a date the format cannot show: PhotoDate instead.
        text.clear();
    }
    if (!text.isEmpty())
        return text;
    try {
        return FormatDateEx(dateFormat_, photoDate_);
    } catch (const Exception&) {
        return QString();
    }
}

void TLOAlbumPhoto::StampDate(TPictureEx& picture) const {
    const QString text = DateText();
    if (text.isEmpty())
        return;
    TSafetyBitmap& bitmap = PaintableBitmap(picture);
    // The date runs along the longer side, at the lower right of the landscape view.
    const bool portrait = bitmap.Height() > bitmap.Width();
    if (portrait)
        TurnPicture(picture, 270);
    TSafetyBitmap& target = PaintableBitmap(picture);
    if (dateImagePack != nullptr)
        DrawGlyphDate(target, Cp932::Encode(text), *dateImagePack);
    else
        DrawFontDate(target, text, dateFont_->Value());
    target.Changed();
    if (portrait)
        TurnPicture(picture, 90);
}

// ---- painting

void TLOAlbumPhoto::SetFaceShape(const TFaceInfo& face) {
    // A plain rectangle clips nothing the frame's own bounds do not.
    if (face.FaceShape == fsRect && !face.HasCenterHole()) {
        ClearFaceShape();
        return;
    }
    faceShape_ = std::make_unique<TFaceInfo>(face);
    Invalidate();
}

void TLOAlbumPhoto::ClearFaceShape() {
    if (!faceShape_)
        return;
    faceShape_.reset();
    Invalidate();
}

bool TLOAlbumPhoto::ClipToFaceShape(TCanvas& canvas) {
    if (!faceShape_)
        return false;
    // The shape stays where its face lies on the page, whatever the user made of the frame.
    const QRegion shape = faceShape_->CreateRegion(&canvas, true);
    canvas.ExtSelectClipRgn(&shape, RGN_AND);
    return true;
}

void TLOAlbumPhoto::Paint() {
    TCanvas* canvas = GetDrawCanvas();
    if (canvas == nullptr)
        return;
    TIntf<IUnknownEx> state;
    if (faceShape_) {
        SaveCanvasState(*canvas, true, state);
        ClipToFaceShape(*canvas);
    }
    if (photo_->IsEmpty()) {
        TPoint c[4];
        TurnedCorners(LogBounds(), rotator_, c);
        canvas->Pen() = TPen{};
        // A shaped slot shows its shape, not bits of its bounding square's outline.
        if (faceShape_)
            canvas->Pen().Style = psClear;
        canvas->Brush() = TBrush{kEmptySlotColor, bsSolid};
        canvas->Polygon(c, 4);
        return;
    }
    if (!PreparePicture())
        return;
    if (shadow_) {
        canvas->Brush() = TBrush{ShadowColor(), bsSolid};
        canvas->FillRect(LogRect());
    }
    photoImage_->PaintTo(*canvas);
}

bool TLOAlbumPhoto::NeedsBlend() {
    if (photo_->IsEmpty())
        return false;
    if (shadow_ || BlendRatio() != 100 || BlendShade())
        return true;
    // Asked before every paint: answered from the settings, so that asking decodes nothing.
    return photoImage_->BlendsWhenShown();
}

bool TLOAlbumPhoto::PhotoInterior(TCanvas& canvas, TRect& deviceRect) {
    if (photo_->IsEmpty() || faceShape_ || shadow_ || NeedsBlend() || PaintFailed() ||
        dynamic_cast<TJPEGGraphic*>(photo_->Picture()->Graphic()) == nullptr ||
        !photoImage_->OpaqueInterior(canvas, deviceRect))
        return false;
    return IntersectRect(deviceRect, deviceRect, NormalizeRect(canvas.LPtoDP(LogBounds())));
}

void TLOAlbumPhoto::DrawAlphaMap(TBitmap& mask) {
    if (!PreparePicture())
        return;
    TIntf<IUnknownEx> state;
    if (faceShape_) {
        SaveCanvasState(mask.Canvas(), true, state);
        ClipToFaceShape(mask.Canvas());
    }
    if (!shadow_ || HasAlphaFrame()) {
        photoImage_->DrawAlphaMap(mask);
        return;
    }
    TCanvas& canvas = mask.Canvas();
    const TBitmap* shown = photoImage_->ShownPicture(photoImage_->WorkSize(canvas));
    if (shown == nullptr)
        return;
    const QImage alpha = AlphaMapImage(*shown);
    const TRect source(0, 0, alpha.width(), alpha.height());
    const TRect box = photoImage_->LogRect();
    // Transparent wherever neither the photo nor its shadow lies.
    canvas.Brush() = TBrush{clBlack, bsSolid};
    canvas.FillRect(LogRect());
    if (IsPictureEmpty(shade_->Picture())) {
        const TPoint d = ShadowOffset();
        canvas.StretchBlt(HeldExtent(int64_t(box.Left) + d.X, int64_t(box.Top) + d.Y,
                                     int64_t(box.Right) + d.X, int64_t(box.Bottom) + d.Y),
                          alpha, source, cmSrcCopy);
    } else {
        shade_->DrawAlphaMap(mask);
    }
    // The photo's own map joins the shadow's: opaque where either is.
    canvas.StretchBlt(box, alpha, source, cmSrcPaint);
    canvas.SetCopyMode(cmSrcCopy);
}

bool TLOAlbumPhoto::HasAlphaFrame() const {
    return !IsPictureEmpty(photoImage_->FramePicture()) && photoImage_->AlphaFrame();
}

// ---- pictures

void TLOAlbumPhoto::CopyPhotoPicture(bool withAdjustments, bool withNormalize, TPicture& dest) const {
    TLOAlbumPhoto temporary(nullptr);
    if (withAdjustments)
        temporary.photo_->Assign(photo_.get());
    else
        temporary.photo_->SetPicture(photo_->Picture());
    TPictureEx* result = temporary.photo_->GetFilteredPicture(
        withNormalize ? normalizeFilter_.get() : nullptr, IsLimit(displayLimit) ? displayLimit : 0);
    dest.Assign(result);
}

TSize TLOAlbumPhoto::GetPictureSize(const TPicture* picture) {
    if (IsPictureEmpty(picture))
        return TSize();
    return GetDefaultGraphicSize(*picture->Graphic());
}

void TLOAlbumPhoto::AdjustSizeToPicture() {
    const TSize size = GetPictureSize(photo_->Picture());
    if (size.cx > 0 && size.cy > 0)
        SetLogRect(Bounds(LogLeft(), LogTop(), size.cx, size.cy));
}

// ---- streaming, notifications, assignment

void TLOAlbumPhoto::Loaded() {
    TLORectBase::Loaded();
    UpdateShadeMask();
    LayoutPhotoImage();
    LayoutShade();
}

void TLOAlbumPhoto::HandleNotify(TObject* sender, const TGUID& eventID) {
    if (!destroying_ && !preparing_ && !Dropping()) {
        if (sender == static_cast<TObject*>(photo_.get())) {
            // Any change of the photo or its filters shows only once the picture is prepared again.
            if (eventID == GUID_ImageDataPictureChanged || eventID == GUID_Changed) {
                DropPreparedPicture();
                Refresh();
            }
        } else if (eventID == GUID_Changed) {
            if (sender == static_cast<TObject*>(photoImage_->FramePicture())) {
                LayoutPhotoImage();
                LayoutShade();
            } else if (sender == static_cast<TObject*>(shadowPicture_.get())) {
                UpdateShadeMask();
            } else if (sender == static_cast<TObject*>(normalizeFilter_.get())) {
                DropPreparedPicture();
            }
            Refresh();
        }
    }
    TLORectBase::HandleNotify(sender, eventID);
}

void TLOAlbumPhoto::AssignTo(TPersistent* dest) const {
    TLORectBase::AssignTo(dest);
    auto* target = dynamic_cast<TLOAlbumPhoto*>(dest);
    if (target == nullptr)
        return;
    target->SetShadow(shadow_);
    target->SetShadowX(shadowX_);
    target->SetShadowY(shadowY_);
    target->SetShadowShade(shadowShade_);
    target->SetFitOuter(fitOuter_);
    target->SetPhotoAngleValue(photoAngle_);
    target->SetFrameFitPhoto(frameFitPhoto_);
    target->SetPhotoDate(photoDate_);
    target->SetDisplayDate(displayDate_);
    target->SetDateFormat(dateFormat_);
    target->SetAngle(Angle());
    target->SetNormalizeFilter(normalizeFilter_.get());
    target->shade_->Assign(shade_.get());
    target->SetDateFont(dateFont_.get());
    target->SetShadowPicture(shadowPicture_.get());
    target->SetPhotoImageObj(photo_.get());
    if (faceShape_)
        target->SetFaceShape(*faceShape_);
    else
        target->ClearFaceShape();
    target->photoImage_->Assign(photoImage_.get());
    target->LayoutPhotoImage();
    target->LayoutShade();
}

bool TLOAlbumPhoto::GetInterface(const TGUID& iid, void** obj) {
    return Offer<IDOBlend>(this, iid, obj) || Offer<IDORotate>(this, iid, obj) ||
           Offer<IDOPhotoRotate>(this, iid, obj) || TLORectBase::GetInterface(iid, obj);
}

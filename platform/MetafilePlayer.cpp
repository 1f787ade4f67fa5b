#include "platform/MetafilePlayer.h"

#include "platform/ByteOrder.h"
#include "platform/Cp932.h"
#include "platform/Dib.h"
#include "platform/Exception.h"
#include "platform/Angle.h"
#include "platform/PixelBuffer.h"

#include <QBuffer>
#include <QImageReader>
#include <QLineF>
#include <QPainter>
#include <QPainterPath>
#include <QStringDecoder>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <optional>
#include <vector>

namespace {

// --- format constants ---

constexpr uint32_t kEmfSignature = 0x464D4520; // " EMF"
constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr int kPlaceableSize = 22;
constexpr int kEmfHeaderMin = 88;
constexpr int kWmfHeaderSize = 18;
constexpr uint32_t kStockObject = 0x80000000u;

// EMF record types.
enum : uint32_t {
    EMR_HEADER = 1,
    EMR_POLYBEZIER = 2,
    EMR_POLYGON = 3,
    EMR_POLYLINE = 4,
    EMR_POLYBEZIERTO = 5,
    EMR_POLYLINETO = 6,
    EMR_POLYPOLYLINE = 7,
    EMR_POLYPOLYGON = 8,
    EMR_SETWINDOWEXTEX = 9,
    EMR_SETWINDOWORGEX = 10,
    EMR_SETVIEWPORTEXTEX = 11,
    EMR_SETVIEWPORTORGEX = 12,
    EMR_SETBRUSHORGEX = 13,
    EMR_EOF = 14,
    EMR_SETPIXELV = 15,
    EMR_SETMAPPERFLAGS = 16,
    EMR_SETMAPMODE = 17,
    EMR_SETBKMODE = 18,
    EMR_SETPOLYFILLMODE = 19,
    EMR_SETROP2 = 20,
    EMR_SETSTRETCHBLTMODE = 21,
    EMR_SETTEXTALIGN = 22,
    EMR_SETCOLORADJUSTMENT = 23,
    EMR_SETTEXTCOLOR = 24,
    EMR_SETBKCOLOR = 25,
    EMR_OFFSETCLIPRGN = 26,
    EMR_MOVETOEX = 27,
    EMR_SETMETARGN = 28,
    EMR_EXCLUDECLIPRECT = 29,
    EMR_INTERSECTCLIPRECT = 30,
    EMR_SCALEVIEWPORTEXTEX = 31,
    EMR_SCALEWINDOWEXTEX = 32,
    EMR_SAVEDC = 33,
    EMR_RESTOREDC = 34,
    EMR_SETWORLDTRANSFORM = 35,
    EMR_MODIFYWORLDTRANSFORM = 36,
    EMR_SELECTOBJECT = 37,
    EMR_CREATEPEN = 38,
    EMR_CREATEBRUSHINDIRECT = 39,
    EMR_DELETEOBJECT = 40,
    EMR_ELLIPSE = 42,
    EMR_RECTANGLE = 43,
    EMR_ROUNDRECT = 44,
    EMR_ARC = 45,
    EMR_CHORD = 46,
    EMR_PIE = 47,
    EMR_SELECTPALETTE = 48,
    EMR_CREATEPALETTE = 49,
    EMR_SETPALETTEENTRIES = 50,
    EMR_RESIZEPALETTE = 51,
    EMR_REALIZEPALETTE = 52,
    EMR_LINETO = 54,
    EMR_POLYDRAW = 56,
    EMR_SETARCDIRECTION = 57,
    EMR_SETMITERLIMIT = 58,
    EMR_BEGINPATH = 59,
    EMR_ENDPATH = 60,
    EMR_CLOSEFIGURE = 61,
    EMR_FILLPATH = 62,
    EMR_STROKEANDFILLPATH = 63,
    EMR_STROKEPATH = 64,
    EMR_FLATTENPATH = 65,
    EMR_WIDENPATH = 66,
    EMR_SELECTCLIPPATH = 67,
    EMR_ABORTPATH = 68,
    EMR_GDICOMMENT = 70,
    EMR_FILLRGN = 71,
    EMR_FRAMERGN = 72,
    EMR_INVERTRGN = 73,
    EMR_PAINTRGN = 74,
    EMR_EXTSELECTCLIPRGN = 75,
    EMR_BITBLT = 76,
    EMR_STRETCHBLT = 77,
    EMR_SETDIBITSTODEVICE = 80,
    EMR_STRETCHDIBITS = 81,
    EMR_EXTCREATEFONTINDIRECTW = 82,
    EMR_EXTTEXTOUTA = 83,
    EMR_EXTTEXTOUTW = 84,
    EMR_POLYBEZIER16 = 85,
    EMR_POLYGON16 = 86,
    EMR_POLYLINE16 = 87,
    EMR_POLYBEZIERTO16 = 88,
    EMR_POLYLINETO16 = 89,
    EMR_POLYPOLYLINE16 = 90,
    EMR_POLYPOLYGON16 = 91,
    EMR_POLYDRAW16 = 92,
    EMR_CREATEMONOBRUSH = 93,
    EMR_CREATEDIBPATTERNBRUSHPT = 94,
    EMR_EXTCREATEPEN = 95,
    EMR_POLYTEXTOUTA = 96,
    EMR_POLYTEXTOUTW = 97,
    EMR_SETICMMODE = 98,
    EMR_CREATECOLORSPACE = 99,
    EMR_SETCOLORSPACE = 100,
    EMR_DELETECOLORSPACE = 101,
    EMR_ALPHABLEND = 114,
    EMR_SETLAYOUT = 115,
    EMR_TRANSPARENTBLT = 116,
    EMR_SETTEXTJUSTIFICATION = 120,
};

// WMF function numbers.
enum : uint16_t {
    META_EOF = 0x0000,
    META_SAVEDC = 0x001E,
    META_REALIZEPALETTE = 0x0035,
    META_SETPALENTRIES = 0x0037,
    META_CREATEPALETTE = 0x00F7,
    META_SETBKMODE = 0x0102,
    META_SETMAPMODE = 0x0103,
    META_SETROP2 = 0x0104,
    META_SETRELABS = 0x0105,
    META_SETPOLYFILLMODE = 0x0106,
    META_SETSTRETCHBLTMODE = 0x0107,
    META_SETTEXTCHAREXTRA = 0x0108,
    META_RESTOREDC = 0x0127,
    META_INVERTREGION = 0x012A,
    META_PAINTREGION = 0x012B,
    META_SELECTCLIPREGION = 0x012C,
    META_SELECTOBJECT = 0x012D,
    META_SETTEXTALIGN = 0x012E,
    META_RESIZEPALETTE = 0x0139,
    META_DIBCREATEPATTERNBRUSH = 0x0142,
    META_SETLAYOUT = 0x0149,
    META_DELETEOBJECT = 0x01F0,
    META_CREATEPATTERNBRUSH = 0x01F9,
    META_SETBKCOLOR = 0x0201,
    META_SETTEXTCOLOR = 0x0209,
    META_SETTEXTJUSTIFICATION = 0x020A,
    META_SETWINDOWORG = 0x020B,
    META_SETWINDOWEXT = 0x020C,
    META_SETVIEWPORTORG = 0x020D,
    META_SETVIEWPORTEXT = 0x020E,
    META_OFFSETWINDOWORG = 0x020F,
    META_OFFSETVIEWPORTORG = 0x0211,
    META_LINETO = 0x0213,
    META_MOVETO = 0x0214,
    META_OFFSETCLIPRGN = 0x0220,
    META_FILLREGION = 0x0228,
    META_SETMAPPERFLAGS = 0x0231,
    META_SELECTPALETTE = 0x0234,
    META_CREATEPENINDIRECT = 0x02FA,
    META_CREATEFONTINDIRECT = 0x02FB,
    META_CREATEBRUSHINDIRECT = 0x02FC,
    META_POLYGON = 0x0324,
    META_POLYLINE = 0x0325,
    META_SCALEWINDOWEXT = 0x0410,
    META_SCALEVIEWPORTEXT = 0x0412,
    META_EXCLUDECLIPRECT = 0x0415,
    META_INTERSECTCLIPRECT = 0x0416,
    META_ELLIPSE = 0x0418,
    META_FLOODFILL = 0x0419,
    META_RECTANGLE = 0x041B,
    META_SETPIXEL = 0x041F,
    META_PATBLT = 0x061D,
    META_FRAMEREGION = 0x0429,
    META_ANIMATEPALETTE = 0x0436,
    META_TEXTOUT = 0x0521,
    META_POLYPOLYGON = 0x0538,
    META_EXTFLOODFILL = 0x0548,
    META_ROUNDRECT = 0x061C,
    META_ESCAPE = 0x0626,
    META_CREATEREGION = 0x06FF,
    META_ARC = 0x0817,
    META_PIE = 0x081A,
    META_CHORD = 0x0830,
    META_BITBLT = 0x0922,
    META_DIBBITBLT = 0x0940,
    META_EXTTEXTOUT = 0x0A32,
    META_STRETCHBLT = 0x0B23,
    META_DIBSTRETCHBLT = 0x0B41,
    META_SETDIBTODEV = 0x0D33,
    META_STRETCHDIB = 0x0F43,
};

enum : uint32_t { ETO_GLYPH_INDEX = 0x10, ETO_PDY = 0x2000 };
enum : uint32_t { BI_JPEG = 4, BI_PNG = 5 };
enum : uint32_t {
    PS_STYLE_MASK = 0xF,
    PS_ENDCAP_MASK = 0xF00,
    PS_JOIN_MASK = 0xF000,
    PS_GEOMETRIC = 0x10000
};
enum : uint32_t { AC_SRC_ALPHA = 1 };

// --- bytes ---

// One record's bytes; every read is checked against them with `len <= size - off`.
struct Bytes {
    const uint8_t* p = nullptr;
    int64_t size = 0;

    bool Has(int64_t off, int64_t len) const {
        return off >= 0 && len >= 0 && off <= size && len <= size - off;
    }
    uint16_t U16(int64_t off) const { return GetLE16(p + off); }
    int16_t I16(int64_t off) const { return GetLEInt16(p + off); }
    uint32_t U32(int64_t off) const { return GetLE32(p + off); }
    int32_t I32(int64_t off) const { return GetLEInt32(p + off); }
    float F32(int64_t off) const {
        const uint32_t bits = U32(off);
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return f;
    }
};

TColor ColorRef(uint32_t v) {
    // Palette-relative forms keep their RGB part.
    return TColor(v & 0xFFFFFF);
}

// --- text decoding ---

QString DecodeCharset(const char* bytes, qsizetype n, int charset) {
    switch (charset) {
    case 128:
    case 1:
        return Cp932::Decode(bytes, n);
    case 129:
    case 134:
    case 136: {
        const char* name = charset == 129 ? "CP949" : charset == 134 ? "GBK" : "Big5";
        QStringDecoder decoder(name);
        if (decoder.isValid())
            return decoder.decode(QByteArrayView(bytes, n));
        return QString::fromLatin1(bytes, n);
    }
    default: {
        // Windows-1252: Latin-1 with printable characters in 0x80..0x9F.
        static const char16_t high[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                          0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
                                          0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                          0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
        QString out;
        out.reserve(n);
        for (qsizetype i = 0; i < n; ++i) {
            const auto b = uint8_t(bytes[i]);
            out += QChar(b >= 0x80 && b < 0xA0 ? high[b - 0x80] : char16_t(b));
        }
        return out;
    }
    }
}

bool IsDoubleByteCharset(int charset) {
    return charset == 128 || charset == 1 || charset == 129 || charset == 134 || charset == 136;
}

// The byte length of each character of bytes in the charset (1 or 2), for advances given per byte.
std::vector<int> CharacterLengths(const char* bytes, qsizetype n, int charset) {
    std::vector<int> lengths;
    for (qsizetype i = 0; i < n;) {
        const auto b = uint8_t(bytes[i]);
        bool lead = false;
        if (charset == 128 || charset == 1)
            lead = Cp932::IsLeadByte(b);
        else if (IsDoubleByteCharset(charset))
            lead = b >= 0x81 && b <= 0xFE;
        const int len = lead && i + 1 < n ? 2 : 1;
        lengths.push_back(len);
        i += len;
    }
    return lengths;
}

// --- bitmaps ---

// Run-length rows (8 or 4 bits) expanded to 8-bit rows, bottom-up; runs never leave their row.
bool ExpandRle(const uint8_t* bits, int64_t size, int width, int height, bool four, QByteArray& rows) {
    const int64_t stride = (int64_t(width) + 3) / 4 * 4;
    rows = QByteArray(qsizetype(stride * height), '\0');
    auto* out = reinterpret_cast<uint8_t*>(rows.data());
    int64_t x = 0, y = 0, pos = 0;
    auto put = [&](uint8_t v) {
        if (x < width && y < height)
            out[y * stride + x] = v;
        ++x;
    };
    while (pos < size - 1 && y < height) {
        const uint8_t count = bits[pos];
        const uint8_t value = bits[pos + 1];
        pos += 2;
        if (count > 0) {
            const int64_t n = std::min<int64_t>(count, width - std::min<int64_t>(x, width));
            for (int64_t i = 0; i < n; ++i)
                put(four ? ((i & 1) ? (value & 0xF) : (value >> 4)) : value);
            x += count - n;
            continue;
        }
        if (value == 0) {
            x = 0;
            ++y;
        } else if (value == 1) {
            break;
        } else if (value == 2) {
            if (size - pos < 2)
                break;
            x += bits[pos];
            y += bits[pos + 1];
            pos += 2;
        } else {
            const int64_t n = value;
            const int64_t bytes = four ? (n + 1) / 2 : n;
            const int64_t padded = (bytes + 1) / 2 * 2;
            if (padded > size - pos)
                break;
            const int64_t shown = std::min<int64_t>(n, width - std::min<int64_t>(x, width));
            for (int64_t i = 0; i < shown; ++i) {
                const uint8_t b = bits[pos + (four ? i / 2 : i)];
                put(four ? ((i & 1) ? (b & 0xF) : (b >> 4)) : b);
            }
            x += n - shown;
            pos += padded;
        }
    }
    return true;
}

// Converts a decoded buffer to a 32-bit image; with alpha the fourth byte is kept as
// premultiplied alpha (what AlphaBlend's per-pixel alpha is).
QImage ImageOf(const PixelBuffer& buffer, bool alpha) {
    if (alpha && buffer.BitCount() == 32) {
        const QImage view = buffer.ConstView();
        QImage image(view.width(), view.height(), QImage::Format_ARGB32_Premultiplied);
        for (int y = 0; y < view.height(); ++y) {
            const auto* in = reinterpret_cast<const uint32_t*>(view.constScanLine(y));
            auto* out = reinterpret_cast<uint32_t*>(image.scanLine(y));
            for (int x = 0; x < view.width(); ++x) {
                const uint32_t v = in[x];
                const uint32_t a = v >> 24;
                const uint32_t r = std::min((v >> 16) & 0xFF, a), g = std::min((v >> 8) & 0xFF, a),
                               b = std::min(v & 0xFF, a);
                out[x] = (a << 24) | (r << 16) | (g << 8) | b;
            }
        }
        return image;
    }
    return buffer.ToImage().convertToFormat(QImage::Format_RGB32);
}

// --- transforms ---

bool Finite(const QTransform& t) {
    return std::isfinite(t.m11()) && std::isfinite(t.m12()) && std::isfinite(t.m21()) &&
           std::isfinite(t.m22()) && std::isfinite(t.dx()) && std::isfinite(t.dy());
}

// Hundredths of a millimetre per unit of the fixed map modes (0 for the others).
double HimetricPerUnit(int mode) {
    switch (mode) {
    case MM_LOMETRIC:
        return 10;
    case MM_HIMETRIC:
        return 1;
    case MM_LOENGLISH:
        return 25.4;
    case MM_HIENGLISH:
        return 2.54;
    case MM_TWIPS:
        return 2540.0 / 1440;
    default:
        return 0;
    }
}

TPenMode PenModeOfRop2(int rop2) {
    static const TPenMode modes[16] = {
        pmBlack, pmNotMerge, pmMaskNotPen, pmNotCopy,     pmMaskPenNot, pmNot,         pmXor,   pmNotMask,
        pmMask,  pmNotXor,   pmNop,        pmMergeNotPen, pmCopy,       pmMergePenNot, pmMerge, pmWhite};
    return rop2 >= 1 && rop2 <= 16 ? modes[rop2 - 1] : pmCopy;
}

TBrushStyle HatchOf(uint32_t hatch) {
    static const TBrushStyle styles[6] = {bsHorizontal, bsVertical, bsFDiagonal,
                                          bsBDiagonal,  bsCross,    bsDiagCross};
    return hatch < 6 ? styles[hatch] : bsSolid;
}

// --- the player ---

struct GdiObject {
    enum Kind { None, Pen, Brush, Font, Palette, Region, Other } kind = None;
    TPen pen;
    TBrush brush;
    TFont font;
    std::vector<QRect> region; // WMF regions, logical units
};

struct DcState {
    int mapMode = MM_TEXT;
    QPointF windowOrg{0, 0};
    QPointF windowExt{1, 1};
    QPointF viewportOrg{0, 0};
    QPointF viewportExt{1, 1};
    QTransform world;
    TPen pen;
    TBrush brush;
    TFont font;
    TColor textColor = clBlack;
    TColor bkColor = clWhite;
    int bkMode = OPAQUE;
    unsigned textAlign = 0;
    int fillMode = ALTERNATE;
    int rop2 = 13;
    int stretchMode = BLACKONWHITE;
    TPoint pos;
    // Canvas device regions inside the target: the meta region, and the records' own clip
    // (none when !hasClip, so the meta region alone clips). The canvas shows clip ∩ meta.
    QRegion meta;
    QRegion clip;
    bool hasClip = false;
};

class Player {
public:
    Player(TCanvas& canvas, TMetafilePlayReport* report) : c_(canvas), report_(report) {}

    // frame: the EMF's frame in hundredths of a millimetre instead of its header's, when given.
    bool PlayEmf(const Bytes& data, const TRect& rect, const QRectF* frame = nullptr);
    bool PlayWmf(const Bytes& data, const TRect& rect);
    // Makes the play gather the bounds of the points it draws, in the metafile's device space.
    void Measure() { measuring_ = true; }
    const QRectF& Drawn() const { return drawn_; }
    double PixelsPerHimetricX() const { return pixelsPerHimetricX_; }
    double PixelsPerHimetricY() const { return pixelsPerHimetricY_; }

private:
    enum Outcome { Played, Skipped, Stop };

    // setup and teardown
    void Begin(const TRect& rect, const QRectF& frame);
    void End();

    // state
    void MappingChanged() { dirty_ = true; }
    bool Ready();
    void ApplyTools(bool pen = true);
    bool PointsFit(const TPoint* points, int64_t count, double* length = nullptr);
    bool RectFits(int l, int t, int r, int b);
    void SolidWhenLong(double length);
    void SyncPosition();
    void SaveDC();
    void RestoreDC(int level);
    void SetClipRegion(const std::vector<QRect>& rects, bool logical, int mode);
    // A clip record works on the records' own clip (the whole target when there is none), put
    // on the canvas by BeginClip and taken back by EndClip; the meta region then bounds it.
    void BeginClip();
    void EndClip();
    void ShowClip();
    void ResetClip();
    void SetMetaRegion();
    Outcome OffsetClip(int x, int y);
    QRegion DeviceRegionOf(const std::vector<QRect>& rects, const QTransform& toDevice) const;
    void FillRects(const std::vector<QRect>& rects, const TBrush& brush);

    // drawing
    Outcome Poly(uint32_t kind, const std::vector<TPoint>& points);
    Outcome PolyPoly(bool polygon, const std::vector<TPoint>& points, const std::vector<int>& counts);
    Outcome Shape(int kind, int l, int t, int r, int b, int a = 0, int bb = 0, int c = 0, int d = 0);
    Outcome Text(int x, int y, unsigned options, const TRect* rect, const QString& text,
                 const std::vector<int>* advances);
    Outcome Bitmap(const TRect& dest, const TRect& source, bool sourceBottomUp, const uint8_t* info,
                   int64_t infoSize, const uint8_t* bits, int64_t bitsSize, TCopyMode rop, int blend,
                   std::optional<TColor> transparent);
    std::optional<QImage> DecodeBitmap(const uint8_t* info, int64_t infoSize, const uint8_t* bits,
                                       int64_t bitsSize, bool alpha, bool& bottomUp);

    // records
    Outcome EmfRecord(uint32_t type, const Bytes& r);
    Outcome EmfText(const Bytes& r, int64_t at, bool wide);
    Outcome EmfBlt(uint32_t type, const Bytes& r);
    Outcome WmfRecord(uint16_t function, const Bytes& r);
    Outcome WmfBlt(uint16_t function, const Bytes& r);
    Outcome WmfText(const Bytes& r, bool extended);
    int NewWmfSlot();
    GdiObject* Object(uint32_t handle);
    void Select(const GdiObject& object);
    void SelectStock(uint32_t index);
    void Count(int type, Outcome outcome, int64_t offset, int64_t size);

    TCanvas& c_;
    TMetafilePlayReport* report_;
    bool wmf_ = false;
    DcState s_;
    std::vector<DcState> saved_;
    std::vector<GdiObject> objects_;
    // The metafile's device space (EMF reference pixels, WMF box units) onto the caller's logical
    // space, and on to the caller's device.
    QTransform deviceToTarget_;
    QTransform deviceToCanvasDevice_;
    QTransform callerWorld_;
    QTransform canvasMapping_;
    // Record space to the canvas's device, and to the metafile's device space, as last set.
    QTransform recordToDevice_;
    QTransform recordToMeta_;
    bool measuring_ = false;
    bool measured_ = false;
    QRectF drawn_;
    double pixelsPerHimetricX_ = 96 / 2540.0;
    double pixelsPerHimetricY_ = 96 / 2540.0;
    bool dirty_ = true;
    bool usable_ = false;
    QRegion baseClip_;
    int baseLevel_ = 0;
    TPen callerPen_;
    TBrush callerBrush_;
    TFont callerFont_;
    TCopyMode callerCopyMode_ = cmSrcCopy;
    int64_t bitmapBytes_ = 0;
};

void Player::Count(int type, Outcome outcome, int64_t offset, int64_t size) {
    if (!report_)
        return;
    if (report_->KeepRecords)
        report_->Records.push_back({type, offset, size});
    if (outcome == Played) {
        ++report_->Played;
        ++report_->PlayedByType[type];
    } else {
        ++report_->Skipped;
        ++report_->SkippedByType[type];
    }
}

void Player::Begin(const TRect& rect, const QRectF& frame) {
    callerPen_ = c_.Pen();
    callerBrush_ = c_.Brush();
    callerFont_ = c_.Font();
    callerCopyMode_ = c_.CopyMode();
    callerWorld_ = c_.WorldTransform();
    canvasMapping_ = c_.MappingTransform();
    baseLevel_ = c_.SaveDC();
    // Records may draw beyond the frame; nothing leaves the target rectangle.
    c_.IntersectClipRect(rect);
    c_.GetClipRgn(baseClip_);
    s_.meta = baseClip_;
    QTransform toTarget;
    toTarget.translate(rect.Left, rect.Top);
    toTarget.scale(double(rect.Right - rect.Left) / frame.width(),
                   double(rect.Bottom - rect.Top) / frame.height());
    toTarget.translate(-frame.left(), -frame.top());
    deviceToTarget_ = toTarget;
    deviceToCanvasDevice_ = deviceToTarget_ * callerWorld_ * canvasMapping_;
    s_.pen.Width = 0;
    s_.pen.Color = clBlack;
    s_.brush = TBrush{clWhite, bsSolid};
    s_.font = TFont();
    s_.font.Name = QString();
    s_.font.Height = -12;
    s_.font.Charset = 1;
    c_.SetBkMode(OPAQUE);
    c_.SetTextAlign(0);
}

void Player::End() {
    if (c_.InPathBracket() || c_.HasPath())
        c_.AbortPath();
    c_.RestoreDC(baseLevel_);
    c_.Pen() = callerPen_;
    c_.Brush() = callerBrush_;
    c_.Font() = callerFont_;
    c_.SetCopyMode(callerCopyMode_);
}

bool Player::Ready() {
    if (!dirty_)
        return usable_;
    dirty_ = false;
    usable_ = false;
    QPointF scale;
    const double unit = HimetricPerUnit(s_.mapMode);
    if (wmf_ || s_.mapMode == MM_ISOTROPIC || s_.mapMode == MM_ANISOTROPIC) {
        if (s_.windowExt.x() == 0 || s_.windowExt.y() == 0 || s_.viewportExt.x() == 0 ||
            s_.viewportExt.y() == 0)
            return false;
        scale = QPointF(s_.viewportExt.x() / s_.windowExt.x(), s_.viewportExt.y() / s_.windowExt.y());
        if (s_.mapMode == MM_ISOTROPIC) {
            const double m = std::min(std::abs(scale.x()), std::abs(scale.y()));
            scale = QPointF(std::copysign(m, scale.x()), std::copysign(m, scale.y()));
        }
    } else if (unit > 0) {
        scale = QPointF(unit * pixelsPerHimetricX_, -unit * pixelsPerHimetricY_);
    } else {
        scale = QPointF(1, 1);
    }
    QTransform page;
    page.translate(s_.viewportOrg.x(), s_.viewportOrg.y());
    page.scale(scale.x(), scale.y());
    page.translate(-s_.windowOrg.x(), -s_.windowOrg.y());
    const QTransform world = s_.world * page * deviceToTarget_ * callerWorld_;
    if (!Finite(world) || !c_.SetWorldTransform(world))
        return false;
    recordToDevice_ = world * canvasMapping_;
    recordToMeta_ = s_.world * page;
    usable_ = Finite(recordToDevice_);
    return usable_;
}

void Player::ApplyTools(bool pen) {
    TPen p = s_.pen;
    p.Mode = PenModeOfRop2(s_.rop2);
    if (!pen)
        p.Style = psClear;
    c_.Pen() = p;
    c_.Brush() = s_.brush;
    c_.Font() = s_.font;
    c_.Font().Color = s_.textColor;
    c_.SetTextColor(s_.textColor);
    c_.SetBkColor(s_.bkColor);
    c_.SetBkMode(s_.bkMode);
    c_.SetTextAlign(s_.textAlign);
    c_.SetPolyFillMode(s_.fillMode);
    c_.SetStretchBltMode(s_.stretchMode);
}

bool Player::PointsFit(const TPoint* points, int64_t count, double* length) {
    constexpr double limit = TMetafilePlayer::kMaxDeviceCoordinate;
    double total = 0;
    QPointF last;
    for (int64_t i = 0; i < count; ++i) {
        const QPointF d = recordToDevice_.map(QPointF(points[i].X, points[i].Y));
        if (!std::isfinite(d.x()) || !std::isfinite(d.y()) || std::abs(d.x()) > limit ||
            std::abs(d.y()) > limit)
            return false;
        if (i > 0)
            total += std::hypot(d.x() - last.x(), d.y() - last.y());
        last = d;
    }
    if (measuring_)
        for (int64_t i = 0; i < count; ++i) {
            const QPointF m = recordToMeta_.map(QPointF(points[i].X, points[i].Y));
            if (!measured_) {
                drawn_ = QRectF(m, m);
                measured_ = true;
            } else {
                drawn_.setCoords(std::min(drawn_.left(), m.x()), std::min(drawn_.top(), m.y()),
                                 std::max(drawn_.right(), m.x()), std::max(drawn_.bottom(), m.y()));
            }
        }
    if (length)
        *length = total;
    return true;
}

bool Player::RectFits(int l, int t, int r, int b) {
    const TPoint corners[4] = {TPoint(l, t), TPoint(r, t), TPoint(r, b), TPoint(l, b)};
    double length = 0;
    if (!PointsFit(corners, 4, &length))
        return false;
    SolidWhenLong(length * 1.6);
    return true;
}

void Player::SolidWhenLong(double length) {
    // Qt's dasher slows with the length; an outline that long is drawn solid.
    const TPenStyle style = c_.Pen().Style;
    if ((style == psDash || style == psDot || style == psDashDot || style == psDashDotDot) &&
        length > TMetafilePlayer::kMaxDashedLength)
        c_.Pen().Style = psSolid;
}

void Player::SyncPosition() {
    if (c_.PenPos() != s_.pos)
        c_.MoveTo(s_.pos.X, s_.pos.Y);
}

void Player::SaveDC() {
    if (int(saved_.size()) >= TMetafilePlayer::kMaxSaveDepth)
        return;
    saved_.push_back(s_);
    c_.SaveDC();
}

void Player::RestoreDC(int level) {
    // Negative: back from the top; positive: that level.
    const int64_t depth = int64_t(saved_.size());
    const int64_t target = level < 0 ? depth + level : int64_t(level) - 1;
    if (target < 0 || target >= depth)
        return;
    s_ = saved_[size_t(target)];
    saved_.resize(size_t(target));
    c_.RestoreDC(baseLevel_ + 1 + int(target));
    MappingChanged();
}

QRegion Player::DeviceRegionOf(const std::vector<QRect>& rects, const QTransform& toDevice) const {
    QRegion region;
    if (toDevice.m12() == 0 && toDevice.m21() == 0) {
        for (const QRect& r : rects)
            region += toDevice.mapRect(QRectF(r)).toAlignedRect();
        return region;
    }
    QPainterPath path;
    for (const QRect& r : rects)
        path.addRect(QRectF(r));
    // Cut to the target first: Qt's polygon regions leak on polygons without area and on
    // coordinates far beyond any device.
    QPainterPath bounds;
    bounds.addRect(QRectF(baseClip_.boundingRect().adjusted(-1, -1, 1, 1)));
    const QPolygon polygon = toDevice.map(path).intersected(bounds).toFillPolygon().toPolygon();
    if (polygon.boundingRect().width() <= 1 || polygon.boundingRect().height() <= 1)
        return QRegion();
    return QRegion(polygon);
}

void Player::SetClipRegion(const std::vector<QRect>& rects, bool logical, int mode) {
    if (logical && !Ready())
        return;
    const QRegion region = DeviceRegionOf(rects, logical ? recordToDevice_ : deviceToCanvasDevice_);
    BeginClip();
    c_.ExtSelectClipRgn(&region, mode);
    EndClip();
}

void Player::BeginClip() {
    c_.SelectClipRgn(s_.hasClip ? &s_.clip : &baseClip_);
}

void Player::EndClip() {
    QRegion now;
    if (!c_.GetClipRgn(now))
        now = baseClip_;
    s_.clip = now.intersected(baseClip_);
    s_.hasClip = true;
    ShowClip();
}

void Player::ShowClip() {
    const QRegion shown = s_.hasClip ? s_.clip.intersected(s_.meta) : s_.meta;
    c_.SelectClipRgn(&shown);
}

void Player::ResetClip() {
    s_.hasClip = false;
    s_.clip = QRegion();
    ShowClip();
}

// The region clipping now becomes the meta region, and the records' clip starts anew inside it.
void Player::SetMetaRegion() {
    if (s_.hasClip)
        s_.meta &= s_.clip;
    ResetClip();
}

// Moves the records' clip (not the meta region) by a logical offset.
Player::Outcome Player::OffsetClip(int x, int y) {
    if (!s_.hasClip)
        return Played;
    if (!Ready())
        return Skipped;
    const QPointF d = recordToDevice_.map(QPointF(x, y)) - recordToDevice_.map(QPointF(0, 0));
    if (!std::isfinite(d.x()) || !std::isfinite(d.y()) ||
        std::abs(d.x()) > TMetafilePlayer::kMaxDeviceCoordinate ||
        std::abs(d.y()) > TMetafilePlayer::kMaxDeviceCoordinate)
        return Skipped;
    // Cut to the target again so offsets piling up keep the coordinates small.
    s_.clip = s_.clip.translated(qRound(d.x()), qRound(d.y())).intersected(baseClip_);
    ShowClip();
    return Played;
}

void Player::FillRects(const std::vector<QRect>& rects, const TBrush& brush) {
    if (!Ready() || rects.empty())
        return;
    ApplyTools(false);
    c_.Brush() = brush;
    std::vector<TPoint> points;
    std::vector<int> counts;
    for (const QRect& r : rects) {
        const TPoint corners[4] = {TPoint(r.left(), r.top()), TPoint(r.left() + r.width(), r.top()),
                                   TPoint(r.left() + r.width(), r.top() + r.height()),
                                   TPoint(r.left(), r.top() + r.height())};
        if (!PointsFit(corners, 4))
            continue;
        points.insert(points.end(), corners, corners + 4);
        counts.push_back(4);
    }
    c_.SetPolyFillMode(WINDING);
    c_.PolyPolygon(points.data(), counts.data(), int(counts.size()));
}

Player::Outcome Player::Poly(uint32_t kind, const std::vector<TPoint>& points) {
    if (!Ready())
        return Skipped;
    double length = 0;
    if (!PointsFit(points.data(), int64_t(points.size()), &length))
        return Skipped;
    ApplyTools();
    SolidWhenLong(length);
    const int n = int(points.size());
    switch (kind) {
    case EMR_POLYGON:
        c_.Polygon(points.data(), n);
        break;
    case EMR_POLYLINE:
        c_.Polyline(points.data(), n);
        break;
    case EMR_POLYBEZIER:
        c_.PolyBezier(points.data(), n);
        break;
    case EMR_POLYLINETO:
        SyncPosition();
        for (const TPoint& p : points)
            c_.LineTo(p.X, p.Y);
        if (n > 0)
            s_.pos = points.back();
        break;
    case EMR_POLYBEZIERTO:
        SyncPosition();
        c_.PolyBezierTo(points.data(), n - n % 3);
        if (n >= 3)
            s_.pos = points[size_t(n - n % 3 - 1)];
        break;
    default:
        return Skipped;
    }
    return Played;
}

Player::Outcome Player::PolyPoly(bool polygon, const std::vector<TPoint>& points,
                                 const std::vector<int>& counts) {
    if (!Ready())
        return Skipped;
    double length = 0;
    if (!PointsFit(points.data(), int64_t(points.size()), &length))
        return Skipped;
    ApplyTools();
    SolidWhenLong(length);
    if (polygon)
        c_.PolyPolygon(points.data(), counts.data(), int(counts.size()));
    else
        c_.PolyPolyline(points.data(), counts.data(), int(counts.size()));
    return Played;
}

// kind: 0 rectangle, 1 ellipse, 2 round rectangle (a, bb: corner), 3 arc, 4 chord, 5 pie (a..d: radials).
Player::Outcome Player::Shape(int kind, int l, int t, int r, int b, int a, int bb, int c, int d) {
    if (!Ready())
        return Skipped;
    ApplyTools();
    if (!RectFits(l, t, r, b))
        return Skipped;
    switch (kind) {
    case 0:
        c_.Rectangle(l, t, r, b);
        break;
    case 1:
        c_.Ellipse(l, t, r, b);
        break;
    case 2:
        c_.RoundRect(l, t, r, b, a, bb);
        break;
    case 3:
        c_.Arc(l, t, r, b, a, bb, c, d);
        break;
    case 4:
        c_.Chord(l, t, r, b, a, bb, c, d);
        break;
    case 5:
        c_.Pie(l, t, r, b, a, bb, c, d);
        break;
    default:
        return Skipped;
    }
    return Played;
}

Player::Outcome Player::Text(int x, int y, unsigned options, const TRect* rect, const QString& text,
                             const std::vector<int>* advances) {
    if (!Ready())
        return Skipped;
    const TPoint origin = (s_.textAlign & TA_UPDATECP) ? s_.pos : TPoint(x, y);
    if (!PointsFit(&origin, 1))
        return Skipped;
    if (rect && !RectFits(rect->Left, rect->Top, rect->Right, rect->Bottom))
        return Skipped;
    // The larger of the two axes' scales: a mapping that stretches one axis thousands of times
    // and squeezes the other keeps a small mean scale while its glyphs grow without bound.
    const double scale = std::max(std::hypot(recordToDevice_.m11(), recordToDevice_.m12()),
                                  std::hypot(recordToDevice_.m21(), recordToDevice_.m22()));
    if (!(std::abs(double(s_.font.Height)) * scale <= TMetafilePlayer::kMaxFontPixels))
        return Skipped;
    if (measuring_) {
        // The run's cell, roughly (advances of six tenths of the height), from its reference
        // point by its alignment; either way up, as the mapping may turn the y axis over.
        const int64_t h = std::abs(int64_t(s_.font.Height)), w = h * 6 / 10 * text.size();
        const unsigned align = s_.textAlign & (TA_CENTER | TA_RIGHT);
        const int64_t left = align == TA_CENTER ? -w / 2 : align == TA_RIGHT ? -w : 0;
        const auto held = [](int64_t v) { return int(std::clamp<int64_t>(v, INT_MIN, INT_MAX)); };
        const TPoint cell[2] = {TPoint(held(origin.X + left), held(origin.Y - h)),
                                TPoint(held(origin.X + left + w), held(origin.Y + h))};
        PointsFit(cell, 2);
    }
    ApplyTools();
    if (s_.textAlign & TA_UPDATECP)
        SyncPosition();
    c_.ExtTextOut(x, y, options, rect, text, advances);
    if (s_.textAlign & TA_UPDATECP)
        s_.pos = c_.PenPos();
    return Played;
}

std::optional<QImage> Player::DecodeBitmap(const uint8_t* info, int64_t infoSize, const uint8_t* bits,
                                           int64_t bitsSize, bool alpha, bool& bottomUp) {
    bottomUp = true;
    if (infoSize < 12)
        return std::nullopt;
    const uint32_t headerSize = GetLE32(info);
    if (headerSize < 40 || headerSize > uint32_t(infoSize)) {
        // Core headers carry neither compression nor sign; the reader takes them as they are.
        try {
            return ImageOf(DecodeDIB(info, infoSize, bits, bitsSize), false);
        } catch (const Exception&) {
            return std::nullopt;
        }
    }
    const int32_t width = GetLEInt32(info + 4);
    const int32_t height = GetLEInt32(info + 8);
    const int bitCount = GetLE16(info + 14);
    const uint32_t compression = GetLE32(info + 16);
    if (width <= 0 || height == 0 || height == INT32_MIN)
        return std::nullopt;
    bottomUp = height > 0;
    const int64_t pixels = int64_t(width) * std::abs(int64_t(height));
    if (pixels > TMetafilePlayer::kMaxBitmapPixels ||
        pixels * 4 > TMetafilePlayer::kMaxBitmapBytesPerPlay - bitmapBytes_)
        return std::nullopt;
    bitmapBytes_ += pixels * 4;
    if (compression == BI_JPEG || compression == BI_PNG) {
        QByteArray payload(reinterpret_cast<const char*>(bits), qsizetype(bitsSize));
        QBuffer buffer(&payload);
        QImageReader reader(&buffer, compression == BI_JPEG ? "jpeg" : "png");
        const QSize size = reader.size();
        if (!size.isValid() || int64_t(size.width()) * size.height() > TMetafilePlayer::kMaxBitmapPixels)
            return std::nullopt;
        QImage image;
        if (!reader.read(&image))
            return std::nullopt;
        bottomUp = false;
        return image.convertToFormat(alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    }
    try {
        if (compression == BI_RLE8 || compression == BI_RLE4) {
            if (height < 0 || (compression == BI_RLE8 && bitCount != 8) ||
                (compression == BI_RLE4 && bitCount != 4))
                return std::nullopt;
            QByteArray rows;
            ExpandRle(bits, bitsSize, width, height, compression == BI_RLE4, rows);
            // The expanded rows as an uncompressed 8-bit bitmap with the same colour table.
            const uint32_t used = GetLE32(info + 32);
            const uint32_t colors = used != 0 ? used : (compression == BI_RLE4 ? 16u : 256u);
            const int64_t tableBytes = int64_t(std::min<uint32_t>(colors, 256)) * 4;
            if (tableBytes > infoSize - int64_t(headerSize))
                return std::nullopt;
            QByteArray header(reinterpret_cast<const char*>(info), qsizetype(40));
            header.append(reinterpret_cast<const char*>(info + headerSize), qsizetype(tableBytes));
            auto* h = reinterpret_cast<uint8_t*>(header.data());
            PutLE32(h, 40);
            PutLE16(h + 14, 8);
            PutLE32(h + 16, BI_RGB);
            PutLE32(h + 20, 0);
            PutLE32(h + 32, std::min<uint32_t>(colors, 256));
            return ImageOf(
                DecodeDIB(h, header.size(), reinterpret_cast<const uint8_t*>(rows.constData()), rows.size()),
                false);
        }
        return ImageOf(DecodeDIB(info, infoSize, bits, bitsSize), alpha);
    } catch (const Exception&) {
        return std::nullopt;
    }
}

Player::Outcome Player::Bitmap(const TRect& dest, const TRect& source, bool sourceBottomUp,
                               const uint8_t* info, int64_t infoSize, const uint8_t* bits, int64_t bitsSize,
                               TCopyMode rop, int blend, std::optional<TColor> transparent) {
    if (!Ready() || !RectFits(dest.Left, dest.Top, dest.Right, dest.Bottom))
        return Skipped;
    const bool alpha = blend >= 0 && ((blend >> 24) & AC_SRC_ALPHA);
    bool bottomUp = true;
    std::optional<QImage> image = DecodeBitmap(info, infoSize, bits, bitsSize, alpha, bottomUp);
    if (!image || image->isNull())
        return Skipped;
    TRect src = source;
    if (sourceBottomUp && bottomUp) {
        // Source rows count from the bottom of a bottom-up bitmap.
        const int64_t top = int64_t(image->height()) - src.Bottom;
        src = TRect(src.Left, int(std::clamp<int64_t>(top, INT_MIN, INT_MAX)), src.Right,
                    int(std::clamp<int64_t>(top + (int64_t(source.Bottom) - source.Top), INT_MIN, INT_MAX)));
    }
    // The canvas cuts a source reaching past the bitmap (and the destination in proportion); the cut is
    // taken here already so that the reduction below copies only what the bitmap holds.
    TRect to = dest;
    if (!TCanvas::CutSourceToPicture(image->size(), src, to))
        return Skipped;
    QRect wanted = QRect(QPoint(std::min(src.Left, src.Right), std::min(src.Top, src.Bottom)),
                         QPoint(std::max(src.Left, src.Right) - 1, std::max(src.Top, src.Bottom) - 1));
    // A picture far finer than the device pixels it covers is reduced to them first: painters resample
    // it at the draw anyway, and a recording canvas would otherwise keep (and encode) every source pixel.
    const QTransform full = c_.WorldTransform() * c_.MappingTransform();
    const QPointF origin = full.map(QPointF(to.Left, to.Top));
    const double deviceWidth = QLineF(origin, full.map(QPointF(to.Right, to.Top))).length();
    const double deviceHeight = QLineF(origin, full.map(QPointF(to.Left, to.Bottom))).length();
    const auto reducedSide = [](int side, double device) {
        return device * 2 + 2 < side ? std::max(1, int(std::ceil(device))) : side;
    };
    const int reducedWidth = reducedSide(wanted.width(), deviceWidth);
    const int reducedHeight = reducedSide(wanted.height(), deviceHeight);
    if (reducedWidth != wanted.width() || reducedHeight != wanted.height()) {
        image = image->copy(wanted).scaled(reducedWidth, reducedHeight, Qt::IgnoreAspectRatio,
                                           Qt::SmoothTransformation);
        if (image->isNull())
            return Skipped;
        // The source keeps its direction, so mirrored copies stay mirrored.
        const bool mirrorX = src.Right < src.Left;
        const bool mirrorY = src.Bottom < src.Top;
        src = TRect(mirrorX ? reducedWidth : 0, mirrorY ? reducedHeight : 0, mirrorX ? 0 : reducedWidth,
                    mirrorY ? 0 : reducedHeight);
        wanted = image->rect();
    }
    ApplyTools(false);
    if (blend >= 0 || transparent) {
        QImage part = image->copy(wanted).convertToFormat(QImage::Format_ARGB32_Premultiplied);
        if (transparent) {
            const QRgb key = 0xFF000000u | (uint32_t(*transparent & 0xFF) << 16) |
                             (uint32_t(*transparent) & 0xFF00) | ((uint32_t(*transparent) >> 16) & 0xFF);
            for (int y = 0; y < part.height(); ++y) {
                auto* row = reinterpret_cast<QRgb*>(part.scanLine(y));
                for (int x = 0; x < part.width(); ++x)
                    if (row[x] == key)
                        row[x] = 0;
            }
        } else {
            const int constant = (blend >> 16) & 0xFF;
            if (constant != 255) {
                QImage faded(part.size(), QImage::Format_ARGB32_Premultiplied);
                faded.fill(Qt::transparent);
                QPainter painter(&faded);
                painter.setOpacity(constant / 255.0);
                painter.drawImage(0, 0, part);
                painter.end();
                part = faded;
            }
        }
        c_.DrawImage(to, part);
        return Played;
    }
    c_.StretchBlt(to, *image, src, rop);
    return Played;
}

GdiObject* Player::Object(uint32_t handle) {
    if (handle >= objects_.size())
        return nullptr;
    GdiObject& o = objects_[handle];
    return o.kind == GdiObject::None ? nullptr : &o;
}

void Player::Select(const GdiObject& o) {
    switch (o.kind) {
    case GdiObject::Pen:
        s_.pen = o.pen;
        break;
    case GdiObject::Brush:
        s_.brush = o.brush;
        break;
    case GdiObject::Font:
        s_.font = o.font;
        break;
    default:
        break;
    }
}

void Player::SelectStock(uint32_t index) {
    switch (index) {
    case 0:
    case 1:
    case 2:
    case 3:
    case 4: {
        static const TColor grays[5] = {0xFFFFFF, 0xC0C0C0, 0x808080, 0x404040, 0x000000};
        s_.brush = TBrush{grays[index], bsSolid};
        break;
    }
    case 5:
        s_.brush.Style = bsClear;
        break;
    case 6:
    case 7:
        s_.pen = TPen();
        s_.pen.Width = 0;
        s_.pen.Color = index == 6 ? clWhite : clBlack;
        break;
    case 8:
        s_.pen.Style = psClear;
        break;
    case 10:
    case 11:
    case 12:
    case 13:
    case 14:
    case 16:
    case 17:
        s_.font = TFont();
        s_.font.Name = QString();
        s_.font.Height = -12;
        break;
    default:
        break;
    }
}

// --- EMF ---

TRect RectL(const Bytes& r, int64_t off) {
    return TRect(r.I32(off), r.I32(off + 4), r.I32(off + 8), r.I32(off + 12));
}

// Reads count points (32- or 16-bit) at off; false when they are not all there.
bool ReadPoints(const Bytes& r, int64_t off, int64_t count, bool small, std::vector<TPoint>& points) {
    const int64_t each = small ? 4 : 8;
    if (count < 0 || !r.Has(off, 0) || count > (r.size - off) / each)
        return false;
    points.resize(size_t(count));
    for (int64_t i = 0; i < count; ++i) {
        const int64_t at = off + i * each;
        points[size_t(i)] = small ? TPoint(r.I16(at), r.I16(at + 2)) : TPoint(r.I32(at), r.I32(at + 4));
    }
    return true;
}

// RGNDATA at off: header (32 bytes) then rectangles.
bool ReadRegionData(const Bytes& r, int64_t off, int64_t size, std::vector<QRect>& rects) {
    if (!r.Has(off, size) || size < 32)
        return false;
    const uint32_t count = r.U32(off + 8);
    if (count > (size - 32) / 16)
        return false;
    rects.clear();
    for (uint32_t i = 0; i < count; ++i) {
        const int64_t at = off + 32 + int64_t(i) * 16;
        const int64_t left = r.I32(at), top = r.I32(at + 4), right = r.I32(at + 8), bottom = r.I32(at + 12);
        if (right > left && bottom > top && right - left <= INT_MAX && bottom - top <= INT_MAX)
            rects.emplace_back(int(left), int(top), int(right - left), int(bottom - top));
    }
    return true;
}

TPen PenOf(uint32_t style, int64_t width, TColor color, bool geometric) {
    TPen pen;
    pen.Color = color;
    static const TPenStyle styles[7] = {psSolid,      psDash,  psDot,        psDashDot,
                                        psDashDotDot, psClear, psInsideFrame};
    const uint32_t kind = style & PS_STYLE_MASK;
    pen.Style = kind < 7 ? styles[kind] : psSolid;
    pen.Width = geometric ? int(std::clamp<int64_t>(std::llabs(width), 0, INT_MAX / 4)) : 0;
    switch (style & PS_ENDCAP_MASK) {
    case 0x100:
        pen.Cap = Qt::SquareCap;
        break;
    case 0x200:
        pen.Cap = Qt::FlatCap;
        break;
    default:
        pen.Cap = Qt::RoundCap;
    }
    switch (style & PS_JOIN_MASK) {
    case 0x1000:
        pen.Join = Qt::BevelJoin;
        break;
    case 0x2000:
        pen.Join = Qt::MiterJoin;
        break;
    default:
        pen.Join = Qt::RoundJoin;
    }
    return pen;
}

TFont FontOf(int height, int escapement, int weight, bool italic, bool underline, bool strike, int charset,
             const QString& face) {
    TFont font;
    font.Name = face;
    font.Height = height == 0 ? -12 : height;
    // Any int a record holds; what draws is its remainder in a turn.
    font.Orientation = AngleWithinTurn(escapement);
    font.Charset = charset;
    font.Style = (weight >= 600 ? fsBold : 0) | (italic ? fsItalic : 0) | (underline ? fsUnderline : 0) |
                 (strike ? fsStrikeOut : 0);
    return font;
}

// A pattern brush: its picture tiled, and its average colour for what fills with one colour. Patterns
// are small tiles; a huge one is drawn in its average colour rather than kept with every brush copy.
TBrush PatternBrush(const std::optional<QImage>& image) {
    if (!image || image->isNull())
        return TBrush{clGray, bsSolid, {}};
    const QImage small = image->scaled(1, 1, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QRgb c = small.pixel(0, 0);
    TBrush brush{TColor(qRed(c) | (qGreen(c) << 8) | (qBlue(c) << 16)), bsSolid, {}};
    if (image->width() <= 256 && image->height() <= 256)
        brush.Pattern = image->convertToFormat(QImage::Format_RGB32);
    return brush;
}

bool Player::PlayEmf(const Bytes& d, const TRect& rect, const QRectF* frameOverride) {
    wmf_ = false;
    TMetafilePlayer::THeader header;
    // The caller checked the header; the frame is in hundredths of a millimetre.
    const int32_t devX = d.I32(72), devY = d.I32(76), mmX = d.I32(80), mmY = d.I32(84);
    if (devX > 0 && devY > 0 && mmX > 0 && mmY > 0) {
        pixelsPerHimetricX_ = double(devX) / (double(mmX) * 100);
        pixelsPerHimetricY_ = double(devY) / (double(mmY) * 100);
    }
    const TRect frameH = RectL(d, 24);
    QRectF frame(QPointF(frameH.Left * pixelsPerHimetricX_, frameH.Top * pixelsPerHimetricY_),
                 QPointF(frameH.Right * pixelsPerHimetricX_, frameH.Bottom * pixelsPerHimetricY_));
    if (frameOverride) {
        frame = QRectF(QPointF(frameOverride->left() * pixelsPerHimetricX_, frameOverride->top() * pixelsPerHimetricY_),
                       QPointF(frameOverride->right() * pixelsPerHimetricX_,
                               frameOverride->bottom() * pixelsPerHimetricY_));
    } else if (frameH.Right <= frameH.Left || frameH.Bottom <= frameH.Top) {
        const TRect b = RectL(d, 8);
        frame = QRectF(QPointF(b.Left, b.Top), QPointF(double(b.Right) + 1, double(b.Bottom) + 1));
    }
    if (!(frame.width() > 0) || !(frame.height() > 0))
        return false;
    Begin(rect, frame);
    const uint32_t handles = std::min<uint32_t>(d.U16(56), 65535);
    objects_.assign(handles, GdiObject());
    int64_t pos = 0, records = 0;
    bool ended = false;
    while (pos < d.size) {
        if (d.size - pos < 8 || records >= TMetafilePlayer::kMaxRecords)
            break;
        const uint32_t type = d.U32(pos);
        const uint32_t size = d.U32(pos + 4);
        if (size < 8 || size > d.size - pos || (records == 0 && type != EMR_HEADER))
            break;
        ++records;
        const Bytes r{d.p + pos, size};
        if (type == EMR_EOF) {
            Count(int(type), Played, pos, size);
            ended = true;
            break;
        }
        const Outcome outcome = EmfRecord(type, r);
        if (outcome == Stop)
            break;
        Count(int(type), outcome, pos, size);
        pos += size;
    }
    if (report_ && !ended)
        report_->Stopped = true;
    End();
    return true;
}

Player::Outcome Player::EmfRecord(uint32_t type, const Bytes& r) {
    const int64_t n = r.size;
    auto need = [&](int64_t bytes) { return n >= bytes; };
    switch (type) {
    case EMR_HEADER:
    case EMR_GDICOMMENT:
        // Comments (EMF+ records among them) and embedded pictures are not played.
        return type == EMR_HEADER ? Played : Skipped;
    case EMR_POLYBEZIER:
    case EMR_POLYGON:
    case EMR_POLYLINE:
    case EMR_POLYBEZIERTO:
    case EMR_POLYLINETO:
    case EMR_POLYBEZIER16:
    case EMR_POLYGON16:
    case EMR_POLYLINE16:
    case EMR_POLYBEZIERTO16:
    case EMR_POLYLINETO16: {
        if (!need(28))
            return Stop;
        const bool small = type >= EMR_POLYBEZIER16;
        std::vector<TPoint> points;
        if (!ReadPoints(r, 28, r.U32(24), small, points))
            return Stop;
        return Poly(small ? type - (EMR_POLYBEZIER16 - EMR_POLYBEZIER) : type, points);
    }
    case EMR_POLYPOLYLINE:
    case EMR_POLYPOLYGON:
    case EMR_POLYPOLYLINE16:
    case EMR_POLYPOLYGON16: {
        if (!need(32))
            return Stop;
        const bool small = type >= EMR_POLYPOLYLINE16;
        const uint32_t polys = r.U32(24), total = r.U32(28);
        if (polys > (n - 32) / 4)
            return Stop;
        std::vector<int> counts(polys);
        int64_t sum = 0;
        for (uint32_t i = 0; i < polys; ++i) {
            counts[i] = int(std::min<uint32_t>(r.U32(32 + 4 * int64_t(i)), INT_MAX));
            sum += counts[i];
        }
        std::vector<TPoint> points;
        if (sum != total || !ReadPoints(r, 32 + 4 * int64_t(polys), total, small, points))
            return Stop;
        return PolyPoly(type == EMR_POLYPOLYGON || type == EMR_POLYPOLYGON16, points, counts);
    }
    case EMR_POLYDRAW:
    case EMR_POLYDRAW16: {
        if (!need(28))
            return Stop;
        const bool small = type == EMR_POLYDRAW16;
        const uint32_t count = r.U32(24);
        std::vector<TPoint> points;
        if (!ReadPoints(r, 28, count, small, points) || !r.Has(28 + int64_t(count) * (small ? 4 : 8), count))
            return Stop;
        if (!Ready() || !PointsFit(points.data(), int64_t(points.size())))
            return Skipped;
        ApplyTools();
        SyncPosition();
        const uint8_t* types = r.p + 28 + int64_t(count) * (small ? 4 : 8);
        TPoint start = s_.pos;
        for (uint32_t i = 0; i < count; ++i) {
            const uint8_t t = types[i] & ~PT_CLOSEFIGURE;
            if (t == PT_MOVETO) {
                c_.MoveTo(points[i].X, points[i].Y);
                start = points[i];
            } else if (t == PT_LINETO) {
                c_.LineTo(points[i].X, points[i].Y);
            } else if (t == PT_BEZIERTO && i + 2 < count) {
                c_.PolyBezierTo(&points[i], 3);
                i += 2;
            }
            if (types[i] & PT_CLOSEFIGURE) {
                if (c_.InPathBracket())
                    c_.CloseFigure();
                else
                    c_.LineTo(start.X, start.Y);
            }
        }
        s_.pos = c_.PenPos();
        return Played;
    }
    case EMR_SETWINDOWEXTEX:
    case EMR_SETWINDOWORGEX:
    case EMR_SETVIEWPORTEXTEX:
    case EMR_SETVIEWPORTORGEX: {
        if (!need(16))
            return Stop;
        const QPointF v(r.I32(8), r.I32(12));
        if ((type == EMR_SETWINDOWEXTEX || type == EMR_SETVIEWPORTEXTEX) && (v.x() == 0 || v.y() == 0))
            return Skipped;
        (type == EMR_SETWINDOWEXTEX     ? s_.windowExt
         : type == EMR_SETWINDOWORGEX   ? s_.windowOrg
         : type == EMR_SETVIEWPORTEXTEX ? s_.viewportExt
                                        : s_.viewportOrg) = v;
        MappingChanged();
        return Played;
    }
    case EMR_SCALEVIEWPORTEXTEX:
    case EMR_SCALEWINDOWEXTEX: {
        if (!need(24))
            return Stop;
        const double xn = r.I32(8), xd = r.I32(12), yn = r.I32(16), yd = r.I32(20);
        if (xd == 0 || yd == 0 || xn == 0 || yn == 0)
            return Skipped;
        QPointF& ext = type == EMR_SCALEWINDOWEXTEX ? s_.windowExt : s_.viewportExt;
        ext = QPointF(ext.x() * xn / xd, ext.y() * yn / yd);
        MappingChanged();
        return Played;
    }
    case EMR_SETMAPMODE:
        if (!need(12))
            return Stop;
        if (r.U32(8) < MM_TEXT || r.U32(8) > MM_ANISOTROPIC)
            return Skipped;
        s_.mapMode = int(r.U32(8));
        MappingChanged();
        return Played;
    case EMR_SETWORLDTRANSFORM:
    case EMR_MODIFYWORLDTRANSFORM: {
        if (!need(type == EMR_SETWORLDTRANSFORM ? 32 : 36))
            return Stop;
        const QTransform t(r.F32(8), r.F32(12), r.F32(16), r.F32(20), r.F32(24), r.F32(28));
        const uint32_t mode = type == EMR_SETWORLDTRANSFORM ? 0 : r.U32(32);
        QTransform next;
        if (mode == 0)
            next = t;
        else if (mode == MWT_IDENTITY)
            next = QTransform();
        else if (mode == MWT_LEFTMULTIPLY)
            next = t * s_.world;
        else if (mode == MWT_RIGHTMULTIPLY)
            next = s_.world * t;
        else if (mode == 4) // MWT_SET
            next = t;
        else
            return Skipped;
        // Singular transforms are ignored, as the window system refused them.
        if (!Finite(next) || std::abs(next.determinant()) < 1e-12)
            return Skipped;
        s_.world = next;
        MappingChanged();
        return Played;
    }
    case EMR_SETBKMODE:
    case EMR_SETPOLYFILLMODE:
    case EMR_SETROP2:
    case EMR_SETSTRETCHBLTMODE:
    case EMR_SETTEXTALIGN:
    case EMR_SETTEXTCOLOR:
    case EMR_SETBKCOLOR: {
        if (!need(12))
            return Stop;
        const uint32_t v = r.U32(8);
        switch (type) {
        case EMR_SETBKMODE:
            s_.bkMode = v == TRANSPARENT ? TRANSPARENT : OPAQUE;
            break;
        case EMR_SETPOLYFILLMODE:
            s_.fillMode = v == WINDING ? WINDING : ALTERNATE;
            break;
        case EMR_SETROP2:
            s_.rop2 = int(v >= 1 && v <= 16 ? v : 13);
            break;
        case EMR_SETSTRETCHBLTMODE:
            s_.stretchMode = v >= 1 && v <= 4 ? int(v) : int(BLACKONWHITE);
            break;
        case EMR_SETTEXTALIGN:
            s_.textAlign = v & 0x1F;
            break;
        case EMR_SETTEXTCOLOR:
            s_.textColor = ColorRef(v);
            break;
        default:
            s_.bkColor = ColorRef(v);
        }
        return Played;
    }
    case EMR_MOVETOEX:
        if (!need(16))
            return Stop;
        s_.pos = TPoint(r.I32(8), r.I32(12));
        if (c_.InPathBracket() && Ready())
            c_.MoveTo(s_.pos.X, s_.pos.Y);
        return Played;
    case EMR_LINETO: {
        if (!need(16))
            return Stop;
        return Poly(EMR_POLYLINETO, {TPoint(r.I32(8), r.I32(12))});
    }
    case EMR_SETPIXELV: {
        if (!need(20))
            return Stop;
        const TPoint p(r.I32(8), r.I32(12));
        if (!Ready() || !PointsFit(&p, 1))
            return Skipped;
        c_.SetPixel(p.X, p.Y, ColorRef(r.U32(16)));
        return Played;
    }
    case EMR_RECTANGLE:
    case EMR_ELLIPSE: {
        if (!need(24))
            return Stop;
        const TRect b = RectL(r, 8);
        return Shape(type == EMR_RECTANGLE ? 0 : 1, b.Left, b.Top, b.Right, b.Bottom);
    }
    case EMR_ROUNDRECT: {
        if (!need(32))
            return Stop;
        const TRect b = RectL(r, 8);
        return Shape(2, b.Left, b.Top, b.Right, b.Bottom, r.I32(24), r.I32(28));
    }
    case EMR_ARC:
    case EMR_CHORD:
    case EMR_PIE: {
        if (!need(40))
            return Stop;
        const TRect b = RectL(r, 8);
        const int kind = type == EMR_ARC ? 3 : type == EMR_CHORD ? 4 : 5;
        return Shape(kind, b.Left, b.Top, b.Right, b.Bottom, r.I32(24), r.I32(28), r.I32(32), r.I32(36));
    }
    case EMR_SAVEDC:
        SaveDC();
        return Played;
    case EMR_RESTOREDC:
        if (!need(12))
            return Stop;
        RestoreDC(r.I32(8));
        return Played;
    case EMR_SELECTOBJECT: {
        if (!need(12))
            return Stop;
        const uint32_t h = r.U32(8);
        if (h & kStockObject) {
            SelectStock(h & ~kStockObject);
            return Played;
        }
        GdiObject* o = Object(h);
        if (!o)
            return Skipped;
        Select(*o);
        return Played;
    }
    case EMR_DELETEOBJECT: {
        if (!need(12))
            return Stop;
        const uint32_t h = r.U32(8);
        if (h < objects_.size())
            objects_[h] = GdiObject();
        return Played;
    }
    case EMR_CREATEPEN:
    case EMR_EXTCREATEPEN:
    case EMR_CREATEBRUSHINDIRECT:
    case EMR_EXTCREATEFONTINDIRECTW:
    case EMR_CREATEPALETTE:
    case EMR_CREATEMONOBRUSH:
    case EMR_CREATEDIBPATTERNBRUSHPT:
    case EMR_CREATECOLORSPACE: {
        if (!need(12))
            return Stop;
        const uint32_t h = r.U32(8);
        // Handles lie below the header's table size; index 0 is the metafile itself.
        if (h == 0 || h >= objects_.size())
            return Skipped;
        GdiObject o;
        if (type == EMR_CREATEPEN) {
            if (!need(28))
                return Stop;
            o.kind = GdiObject::Pen;
            const uint32_t style = r.U32(12);
            o.pen = PenOf(style, r.I32(16), ColorRef(r.U32(24)), true);
            // Wider than a pixel only draws solid (the window system's rule for old-style pens).
            if (o.pen.Width > 1 && o.pen.Style != psClear && o.pen.Style != psInsideFrame)
                o.pen.Style = psSolid;
        } else if (type == EMR_EXTCREATEPEN) {
            if (!need(52))
                return Stop;
            o.kind = GdiObject::Pen;
            const uint32_t style = r.U32(28);
            o.pen = PenOf(style, r.U32(32), ColorRef(r.U32(40)), (style & PS_GEOMETRIC) != 0);
            if (r.U32(36) == 1) // BS_NULL
                o.pen.Style = psClear;
        } else if (type == EMR_CREATEBRUSHINDIRECT) {
            if (!need(24))
                return Stop;
            o.kind = GdiObject::Brush;
            const uint32_t style = r.U32(12);
            o.brush.Color = ColorRef(r.U32(16));
            o.brush.Style = style == 1 ? bsClear : style == 2 ? HatchOf(r.U32(20)) : bsSolid;
        } else if (type == EMR_EXTCREATEFONTINDIRECTW) {
            if (!need(12 + 92))
                return Stop;
            o.kind = GdiObject::Font;
            const Bytes& f = r;
            const int64_t at = 12;
            QString face = QString::fromUtf16(reinterpret_cast<const char16_t*>(f.p + at + 28), 32);
            const qsizetype nul = face.indexOf(QChar(0));
            if (nul >= 0)
                face.truncate(nul);
            o.font = FontOf(f.I32(at), f.I32(at + 8), f.I32(at + 16), f.p[at + 20] != 0, f.p[at + 21] != 0,
                            f.p[at + 22] != 0, f.p[at + 23], face);
        } else if (type == EMR_CREATEMONOBRUSH || type == EMR_CREATEDIBPATTERNBRUSHPT) {
            if (!need(32))
                return Stop;
            o.kind = GdiObject::Brush;
            const uint32_t offBmi = r.U32(16), cbBmi = r.U32(20), offBits = r.U32(24), cbBits = r.U32(28);
            bool bottomUp = true;
            std::optional<QImage> image;
            if (r.Has(offBmi, cbBmi) && r.Has(offBits, cbBits))
                image = DecodeBitmap(r.p + offBmi, cbBmi, r.p + offBits, cbBits, false, bottomUp);
            o.brush = PatternBrush(image);
        } else {
            o.kind = GdiObject::Other;
        }
        objects_[h] = o;
        return Played;
    }
    case EMR_SELECTPALETTE:
    case EMR_SETPALETTEENTRIES:
    case EMR_RESIZEPALETTE:
    case EMR_REALIZEPALETTE:
    case EMR_SETBRUSHORGEX:
    case EMR_SETMAPPERFLAGS:
    case EMR_SETCOLORADJUSTMENT:
    case EMR_SETARCDIRECTION:
    case EMR_SETMITERLIMIT:
    case EMR_FLATTENPATH:
    case EMR_SETICMMODE:
    case EMR_SETCOLORSPACE:
    case EMR_DELETECOLORSPACE:
    case EMR_SETLAYOUT:
    case EMR_SETTEXTJUSTIFICATION:
        // No effect on what is drawn here.
        return Played;
    case EMR_BEGINPATH:
        if (!Ready())
            return Skipped;
        c_.BeginPath();
        return Played;
    case EMR_ENDPATH:
        c_.EndPath();
        return Played;
    case EMR_ABORTPATH:
        c_.AbortPath();
        return Played;
    case EMR_CLOSEFIGURE:
        c_.CloseFigure();
        return Played;
    case EMR_FILLPATH:
    case EMR_STROKEPATH:
    case EMR_STROKEANDFILLPATH:
    case EMR_WIDENPATH: {
        if (c_.InPathBracket() || !Ready())
            return Skipped;
        ApplyTools();
        const QRectF box = c_.DevicePath().controlPointRect();
        if (!std::isfinite(box.width()) || std::abs(box.left()) > TMetafilePlayer::kMaxDeviceCoordinate ||
            std::abs(box.right()) > TMetafilePlayer::kMaxDeviceCoordinate ||
            std::abs(box.top()) > TMetafilePlayer::kMaxDeviceCoordinate ||
            std::abs(box.bottom()) > TMetafilePlayer::kMaxDeviceCoordinate) {
            c_.AbortPath();
            return Skipped;
        }
        SolidWhenLong(2 * (box.width() + box.height()));
        if (type == EMR_FILLPATH)
            c_.FillPath();
        else if (type == EMR_STROKEPATH)
            c_.StrokePath();
        else if (type == EMR_STROKEANDFILLPATH)
            c_.StrokeAndFillPath();
        else
            c_.WidenPath();
        return Played;
    }
    case EMR_SELECTCLIPPATH: {
        if (!need(12))
            return Stop;
        const int mode = int(r.U32(8));
        if (c_.InPathBracket() || mode < RGN_AND || mode > RGN_COPY)
            return Skipped;
        BeginClip();
        if (mode == RGN_COPY) {
            const QRegion region = c_.PathToRegion();
            c_.SelectClipRgn(&region);
        } else {
            c_.SelectClipPath(mode);
        }
        EndClip();
        return Played;
    }
    case EMR_INTERSECTCLIPRECT:
    case EMR_EXCLUDECLIPRECT: {
        if (!need(24))
            return Stop;
        if (!Ready())
            return Skipped;
        const TRect b = RectL(r, 8);
        if (!RectFits(b.Left, b.Top, b.Right, b.Bottom))
            return Skipped;
        BeginClip();
        if (type == EMR_INTERSECTCLIPRECT)
            c_.IntersectClipRect(b);
        else
            c_.ExcludeClipRect(b);
        EndClip();
        return Played;
    }
    case EMR_EXTSELECTCLIPRGN: {
        if (!need(16))
            return Stop;
        const uint32_t cb = r.U32(8);
        const int mode = int(r.U32(12));
        if (mode < RGN_AND || mode > RGN_COPY)
            return Skipped;
        if (mode == RGN_COPY && cb == 0) {
            // No clip of the records' own: the meta region (the target at first) alone.
            ResetClip();
            return Played;
        }
        std::vector<QRect> rects;
        if (!ReadRegionData(r, 16, cb, rects))
            return Stop;
        SetClipRegion(rects, false, mode);
        return Played;
    }
    case EMR_OFFSETCLIPRGN:
        if (!need(16))
            return Stop;
        return OffsetClip(r.I32(8), r.I32(12));
    case EMR_SETMETARGN:
        SetMetaRegion();
        return Played;
    case EMR_FILLRGN:
    case EMR_PAINTRGN:
    case EMR_INVERTRGN:
    case EMR_FRAMERGN: {
        const bool brushed = type == EMR_FILLRGN || type == EMR_FRAMERGN;
        const int64_t dataAt = type == EMR_FRAMERGN ? 36 : brushed ? 28 : 24;
        if (!need(dataAt))
            return Stop;
        std::vector<QRect> rects;
        if (!ReadRegionData(r, dataAt, r.U32(24), rects))
            return Stop;
        TBrush brush = s_.brush;
        if (brushed) {
            const uint32_t h = r.U32(28);
            if (h & kStockObject) {
                const DcState keep = s_;
                SelectStock(h & ~kStockObject);
                brush = s_.brush;
                s_ = keep;
            } else if (GdiObject* o = Object(h); o && o->kind == GdiObject::Brush) {
                brush = o->brush;
            } else {
                return Skipped;
            }
        }
        if (type == EMR_INVERTRGN || type == EMR_FRAMERGN)
            return Skipped;
        FillRects(rects, brush);
        return Played;
    }
    case EMR_BITBLT:
    case EMR_STRETCHBLT:
    case EMR_SETDIBITSTODEVICE:
    case EMR_STRETCHDIBITS:
    case EMR_ALPHABLEND:
    case EMR_TRANSPARENTBLT:
        return EmfBlt(type, r);
    case EMR_EXTTEXTOUTA:
    case EMR_EXTTEXTOUTW:
        if (!need(76))
            return Stop;
        return EmfText(r, 36, type == EMR_EXTTEXTOUTW);
    case EMR_POLYTEXTOUTA:
    case EMR_POLYTEXTOUTW: {
        if (!need(40))
            return Stop;
        const uint32_t strings = r.U32(36);
        if (strings > (n - 40) / 40)
            return Stop;
        Outcome outcome = Skipped;
        for (uint32_t i = 0; i < strings; ++i) {
            const Outcome one = EmfText(r, 40 + int64_t(i) * 40, type == EMR_POLYTEXTOUTW);
            if (one == Stop)
                return Stop;
            if (one == Played)
                outcome = Played;
        }
        return outcome;
    }
    default:
        return Skipped;
    }
}

Player::Outcome Player::EmfText(const Bytes& r, int64_t at, bool wide) {
    // EMRTEXT: reference point, count, string offset, options, rectangle, advances offset.
    if (!r.Has(at, 40))
        return Stop;
    const TPoint ref(r.I32(at), r.I32(at + 4));
    const uint32_t chars = r.U32(at + 8);
    const uint32_t offString = r.U32(at + 12);
    const uint32_t options = r.U32(at + 16);
    const TRect box = RectL(r, at + 20);
    const uint32_t offDx = r.U32(at + 36);
    const int64_t charBytes = wide ? 2 : 1;
    if (chars > (r.size) / charBytes || !r.Has(offString, int64_t(chars) * charBytes))
        return Stop;
    if (options & ETO_GLYPH_INDEX)
        return Skipped; // glyph numbers of another font
    QString text;
    std::vector<int> lengths;
    if (wide) {
        text = QString::fromUtf16(reinterpret_cast<const char16_t*>(r.p + offString), chars);
        lengths.assign(chars, 1);
    } else {
        const auto* bytes = reinterpret_cast<const char*>(r.p + offString);
        text = DecodeCharset(bytes, chars, s_.font.Charset);
        lengths = CharacterLengths(bytes, chars, s_.font.Charset);
    }
    std::vector<int> advances;
    const int64_t perChar = (options & ETO_PDY) ? 8 : 4;
    if (offDx != 0 && r.Has(offDx, int64_t(chars) * perChar)) {
        // One advance per code unit (or byte); a character takes the sum of its own.
        std::vector<int> raw(chars);
        for (uint32_t i = 0; i < chars; ++i)
            raw[i] = r.I32(offDx + int64_t(i) * perChar);
        size_t k = 0;
        const QList<uint> ucs = text.toUcs4();
        if (wide) {
            for (qsizetype i = 0; i < text.size() && k < raw.size(); ++i) {
                int64_t sum = raw[k++];
                if (text.at(i).isHighSurrogate() && i + 1 < text.size() && k < raw.size()) {
                    sum += raw[k++];
                    ++i;
                }
                advances.push_back(int(std::clamp<int64_t>(sum, INT_MIN / 4, INT_MAX / 4)));
            }
        } else {
            for (const int len : lengths) {
                int64_t sum = 0;
                for (int j = 0; j < len && k < raw.size(); ++j)
                    sum += raw[k++];
                advances.push_back(int(std::clamp<int64_t>(sum, INT_MIN / 4, INT_MAX / 4)));
            }
        }
        if (advances.size() != size_t(ucs.size()))
            advances.clear();
    }
    const bool hasRect =
        (options & (ETO_OPAQUE | ETO_CLIPPED)) && box.Right > box.Left && box.Bottom > box.Top;
    return Text(ref.X, ref.Y, options & (ETO_OPAQUE | ETO_CLIPPED), hasRect ? &box : nullptr, text,
                advances.empty() ? nullptr : &advances);
}

Player::Outcome Player::EmfBlt(uint32_t type, const Bytes& r) {
    if (type == EMR_STRETCHDIBITS || type == EMR_SETDIBITSTODEVICE) {
        if (r.size < (type == EMR_STRETCHDIBITS ? 80 : 76))
            return Stop;
        const int xDest = r.I32(24), yDest = r.I32(28), xSrc = r.I32(32), ySrc = r.I32(36);
        const int cxSrc = r.I32(40), cySrc = r.I32(44);
        const uint32_t offBmi = r.U32(48), cbBmi = r.U32(52), offBits = r.U32(56), cbBits = r.U32(60);
        const TCopyMode rop = type == EMR_STRETCHDIBITS ? TCopyMode(r.U32(68)) : cmSrcCopy;
        const int cxDest = type == EMR_STRETCHDIBITS ? r.I32(72) : cxSrc;
        const int cyDest = type == EMR_STRETCHDIBITS ? r.I32(76) : cySrc;
        if (!r.Has(offBmi, cbBmi) || !r.Has(offBits, cbBits))
            return Stop;
        const TRect dest(xDest, yDest, int(std::clamp<int64_t>(int64_t(xDest) + cxDest, INT_MIN, INT_MAX)),
                         int(std::clamp<int64_t>(int64_t(yDest) + cyDest, INT_MIN, INT_MAX)));
        const TRect src(xSrc, ySrc, int(std::clamp<int64_t>(int64_t(xSrc) + cxSrc, INT_MIN, INT_MAX)),
                        int(std::clamp<int64_t>(int64_t(ySrc) + cySrc, INT_MIN, INT_MAX)));
        if (cbBmi == 0) {
            if (!Ready() || !RectFits(dest.Left, dest.Top, dest.Right, dest.Bottom))
                return Skipped;
            ApplyTools(false);
            c_.PatBlt(dest, rop);
            return Played;
        }
        return Bitmap(dest, src, true, r.p + offBmi, cbBmi, r.p + offBits, cbBits, rop, -1, std::nullopt);
    }
    // BitBlt, StretchBlt, AlphaBlend, TransparentBlt share one layout; the stretching ones end
    // with the source extents.
    const bool stretching = type != EMR_BITBLT;
    if (r.size < (stretching ? 108 : 100))
        return Stop;
    const int xDest = r.I32(24), yDest = r.I32(28), cxDest = r.I32(32), cyDest = r.I32(36);
    const uint32_t ropOrBlend = r.U32(40);
    const int xSrc = r.I32(44), ySrc = r.I32(48);
    const uint32_t offBmi = r.U32(84), cbBmi = r.U32(88), offBits = r.U32(92), cbBits = r.U32(96);
    const int cxSrc = stretching ? r.I32(100) : cxDest;
    const int cySrc = stretching ? r.I32(104) : cyDest;
    const TRect dest(xDest, yDest, int(std::clamp<int64_t>(int64_t(xDest) + cxDest, INT_MIN, INT_MAX)),
                     int(std::clamp<int64_t>(int64_t(yDest) + cyDest, INT_MIN, INT_MAX)));
    const TRect src(xSrc, ySrc, int(std::clamp<int64_t>(int64_t(xSrc) + cxSrc, INT_MIN, INT_MAX)),
                    int(std::clamp<int64_t>(int64_t(ySrc) + cySrc, INT_MIN, INT_MAX)));
    if (cbBmi == 0) {
        if (type != EMR_BITBLT && type != EMR_STRETCHBLT)
            return Skipped;
        if (!Ready() || !RectFits(dest.Left, dest.Top, dest.Right, dest.Bottom))
            return Skipped;
        // A transfer without a source bitmap paints with the brush.
        ApplyTools(false);
        c_.PatBlt(dest, TCopyMode(ropOrBlend));
        return Played;
    }
    if (!r.Has(offBmi, cbBmi) || !r.Has(offBits, cbBits))
        return Stop;
    const int blend = type == EMR_ALPHABLEND ? int(ropOrBlend & 0x7FFFFFFF) : -1;
    std::optional<TColor> transparent;
    if (type == EMR_TRANSPARENTBLT)
        transparent = ColorRef(ropOrBlend);
    const TCopyMode rop = (type == EMR_BITBLT || type == EMR_STRETCHBLT) ? TCopyMode(ropOrBlend) : cmSrcCopy;
    // The source is a device context's bitmap: its rows count from the top.
    return Bitmap(dest, src, false, r.p + offBmi, cbBmi, r.p + offBits, cbBits, rop, blend, transparent);
}

// --- WMF ---

// The size of the header block, masks and colour table at the start of a packed bitmap.
int64_t PackedInfoSize(const uint8_t* p, int64_t size) {
    if (size < 12)
        return -1;
    const uint32_t header = GetLE32(p);
    if (header == 12) {
        const int bits = GetLE16(p + 10);
        return 12 + (bits <= 8 ? (int64_t(1) << bits) * 3 : 0);
    }
    if (header < 40 || header > uint32_t(size))
        return -1;
    const int bits = GetLE16(p + 14);
    const uint32_t compression = GetLE32(p + 16);
    const uint32_t used = GetLE32(p + 32);
    int64_t table =
        used != 0 ? int64_t(std::min<uint32_t>(used, 65536)) : (bits <= 8 ? (int64_t(1) << bits) : 0);
    if (bits > 8 && used == 0)
        table = 0;
    const int64_t masks = (header == 40 && (compression == BI_BITFIELDS || compression == BI_ALPHABITFIELDS))
                              ? (compression == BI_ALPHABITFIELDS ? 16 : 12)
                              : 0;
    return int64_t(header) + masks + table * 4;
}

int Player::NewWmfSlot() {
    for (size_t i = 0; i < objects_.size(); ++i)
        if (objects_[i].kind == GdiObject::None)
            return int(i);
    return -1;
}

bool IsPlaceable(const Bytes& d) {
    return d.size >= kPlaceableSize && d.U32(0) == kPlaceableKey;
}

bool ReadWmfHeader(const Bytes& d, int64_t& start, QRectF& box, double& unitsPerInch, uint32_t& objects) {
    start = 0;
    if (IsPlaceable(d)) {
        box = QRectF(QPointF(d.I16(6), d.I16(8)), QPointF(d.I16(10), d.I16(12)));
        unitsPerInch = d.U16(14) != 0 ? d.U16(14) : 1440;
        start = kPlaceableSize;
    }
    if (d.size - start < kWmfHeaderSize)
        return false;
    const uint16_t type = d.U16(start);
    const uint16_t headerWords = d.U16(start + 2);
    if ((type != 1 && type != 2) || headerWords != 9)
        return false;
    objects = d.U16(start + 10);
    start += kWmfHeaderSize;
    return true;
}

bool Player::PlayWmf(const Bytes& d, const TRect& rect) {
    wmf_ = true;
    int64_t pos = 0;
    QRectF box;
    double unitsPerInch = 1440;
    uint32_t handles = 0;
    if (!ReadWmfHeader(d, pos, box, unitsPerInch, handles))
        return false;
    if (box.isNull()) {
        QRect measured;
        if (!TMetafilePlayer::MeasureWindowsMetafile(
                QByteArray::fromRawData(reinterpret_cast<const char*>(d.p), qsizetype(d.size)), measured))
            return false;
        box = QRectF(measured);
    }
    box = box.normalized();
    if (!(box.width() > 0) || !(box.height() > 0))
        return false;
    Begin(rect, box);
    // The records' window maps onto the box; without a window of their own they draw in its units.
    s_.mapMode = MM_ANISOTROPIC;
    s_.windowOrg = s_.viewportOrg = box.topLeft();
    s_.windowExt = s_.viewportExt = QPointF(box.width(), box.height());
    objects_.assign(handles, GdiObject());
    int64_t records = 0;
    bool ended = false;
    while (pos < d.size) {
        if (d.size - pos < 6 || records >= TMetafilePlayer::kMaxRecords)
            break;
        const int64_t size = int64_t(d.U32(pos)) * 2;
        const uint16_t function = d.U16(pos + 4);
        if (size < 6 || size > d.size - pos)
            break;
        ++records;
        if (function == META_EOF) {
            Count(function, Played, pos, size);
            ended = true;
            break;
        }
        const Bytes r{d.p + pos + 6, size - 6};
        const Outcome outcome = WmfRecord(function, r);
        if (outcome == Stop)
            break;
        Count(function, outcome, pos, size);
        pos += size;
    }
    if (report_ && !ended)
        report_->Stopped = true;
    End();
    return true;
}

// WMF region object: header, then scans of (count, top, bottom, count/2 pairs, count).
bool ReadWmfRegion(const Bytes& r, std::vector<QRect>& rects) {
    if (!r.Has(0, 20))
        return false;
    const int scans = r.I16(10);
    int64_t at = 20;
    for (int i = 0; i < scans; ++i) {
        if (!r.Has(at, 6))
            return false;
        const int count = r.U16(at);
        const int top = r.I16(at + 2), bottom = r.I16(at + 4);
        if (count % 2 != 0 || !r.Has(at + 6, int64_t(count) * 2 + 2))
            return false;
        for (int k = 0; k + 1 < count; k += 2) {
            const int left = r.I16(at + 6 + k * 2), right = r.I16(at + 8 + k * 2);
            if (right > left && bottom > top)
                rects.emplace_back(left, top, right - left, bottom - top);
        }
        at += 6 + int64_t(count) * 2 + 2;
    }
    return true;
}

Player::Outcome Player::WmfRecord(uint16_t function, const Bytes& r) {
    const int64_t words = r.size / 2;
    auto W = [&](int i) { return int(r.I16(int64_t(i) * 2)); };
    auto need = [&](int64_t count) { return words >= count; };
    switch (function) {
    case META_SAVEDC:
        SaveDC();
        return Played;
    case META_RESTOREDC:
        if (!need(1))
            return Stop;
        RestoreDC(W(0));
        return Played;
    case META_SETBKMODE:
    case META_SETMAPMODE:
    case META_SETROP2:
    case META_SETPOLYFILLMODE:
    case META_SETSTRETCHBLTMODE:
    case META_SETTEXTALIGN: {
        if (!need(1))
            return Stop;
        const int v = r.U16(0);
        switch (function) {
        case META_SETBKMODE:
            s_.bkMode = v == TRANSPARENT ? TRANSPARENT : OPAQUE;
            break;
        case META_SETMAPMODE:
            // The box is the target: only the isotropic rule changes how the window maps.
            s_.mapMode = v == MM_ISOTROPIC ? MM_ISOTROPIC : MM_ANISOTROPIC;
            MappingChanged();
            break;
        case META_SETROP2:
            s_.rop2 = v >= 1 && v <= 16 ? v : 13;
            break;
        case META_SETPOLYFILLMODE:
            s_.fillMode = v == WINDING ? WINDING : ALTERNATE;
            break;
        case META_SETSTRETCHBLTMODE:
            s_.stretchMode = v >= 1 && v <= 4 ? v : BLACKONWHITE;
            break;
        default:
            s_.textAlign = unsigned(v) & 0x1F;
        }
        return Played;
    }
    case META_SETBKCOLOR:
    case META_SETTEXTCOLOR:
        if (!need(2))
            return Stop;
        (function == META_SETBKCOLOR ? s_.bkColor : s_.textColor) = ColorRef(r.U32(0));
        return Played;
    case META_SETWINDOWORG:
    case META_SETWINDOWEXT:
    case META_OFFSETWINDOWORG: {
        if (!need(2))
            return Stop;
        const QPointF v(W(1), W(0));
        if (function == META_SETWINDOWEXT) {
            if (v.x() == 0 || v.y() == 0)
                return Skipped;
            s_.windowExt = v;
        } else if (function == META_SETWINDOWORG) {
            s_.windowOrg = v;
        } else {
            s_.windowOrg += v;
        }
        MappingChanged();
        return Played;
    }
    case META_SCALEWINDOWEXT: {
        if (!need(4))
            return Stop;
        const double yd = W(0), yn = W(1), xd = W(2), xn = W(3);
        if (xd == 0 || yd == 0 || xn == 0 || yn == 0)
            return Skipped;
        s_.windowExt = QPointF(s_.windowExt.x() * xn / xd, s_.windowExt.y() * yn / yd);
        MappingChanged();
        return Played;
    }
    case META_SETVIEWPORTORG:
    case META_SETVIEWPORTEXT:
    case META_OFFSETVIEWPORTORG:
    case META_SCALEVIEWPORTEXT:
        // The viewport is the target rectangle, set by whoever plays the metafile.
        return Skipped;
    case META_MOVETO:
        if (!need(2))
            return Stop;
        s_.pos = TPoint(W(1), W(0));
        return Played;
    case META_LINETO:
        if (!need(2))
            return Stop;
        return Poly(EMR_POLYLINETO, {TPoint(W(1), W(0))});
    case META_RECTANGLE:
    case META_ELLIPSE:
        if (!need(4))
            return Stop;
        return Shape(function == META_RECTANGLE ? 0 : 1, W(3), W(2), W(1), W(0));
    case META_ROUNDRECT:
        if (!need(6))
            return Stop;
        return Shape(2, W(5), W(4), W(3), W(2), W(1), W(0));
    case META_ARC:
    case META_CHORD:
    case META_PIE: {
        if (!need(8))
            return Stop;
        const int kind = function == META_ARC ? 3 : function == META_CHORD ? 4 : 5;
        return Shape(kind, W(7), W(6), W(5), W(4), W(3), W(2), W(1), W(0));
    }
    case META_POLYGON:
    case META_POLYLINE: {
        if (!need(1))
            return Stop;
        std::vector<TPoint> points;
        if (!ReadPoints(r, 2, r.U16(0), true, points))
            return Stop;
        return Poly(function == META_POLYGON ? EMR_POLYGON : EMR_POLYLINE, points);
    }
    case META_POLYPOLYGON: {
        if (!need(1))
            return Stop;
        const int polys = r.U16(0);
        if (!need(1 + int64_t(polys)))
            return Stop;
        std::vector<int> counts(static_cast<size_t>(polys), 0);
        int64_t total = 0;
        for (int i = 0; i < polys; ++i) {
            counts[size_t(i)] = r.U16(2 + int64_t(i) * 2);
            total += counts[size_t(i)];
        }
        std::vector<TPoint> points;
        if (!ReadPoints(r, 2 + int64_t(polys) * 2, total, true, points))
            return Stop;
        return PolyPoly(true, points, counts);
    }
    case META_SETPIXEL: {
        if (!need(4))
            return Stop;
        const TPoint p(W(3), W(2));
        if (!Ready() || !PointsFit(&p, 1))
            return Skipped;
        c_.SetPixel(p.X, p.Y, ColorRef(r.U32(0)));
        return Played;
    }
    case META_INTERSECTCLIPRECT:
    case META_EXCLUDECLIPRECT: {
        if (!need(4))
            return Stop;
        if (!Ready())
            return Skipped;
        const TRect b(W(3), W(2), W(1), W(0));
        if (!RectFits(b.Left, b.Top, b.Right, b.Bottom))
            return Skipped;
        BeginClip();
        if (function == META_INTERSECTCLIPRECT)
            c_.IntersectClipRect(b);
        else
            c_.ExcludeClipRect(b);
        EndClip();
        return Played;
    }
    case META_OFFSETCLIPRGN:
        if (!need(2))
            return Stop;
        return OffsetClip(W(1), W(0));
    case META_SELECTCLIPREGION: {
        if (!need(1))
            return Stop;
        GdiObject* o = Object(r.U16(0));
        if (!o || o->kind != GdiObject::Region) {
            ResetClip();
            return Played;
        }
        SetClipRegion(o->region, true, RGN_COPY);
        return Played;
    }
    case META_FILLREGION:
    case META_PAINTREGION: {
        if (!need(function == META_FILLREGION ? 2 : 1))
            return Stop;
        GdiObject* region = Object(r.U16(0));
        if (!region || region->kind != GdiObject::Region)
            return Skipped;
        TBrush brush = s_.brush;
        if (function == META_FILLREGION) {
            GdiObject* b = Object(r.U16(2));
            if (!b || b->kind != GdiObject::Brush)
                return Skipped;
            brush = b->brush;
        }
        FillRects(region->region, brush);
        return Played;
    }
    case META_SELECTOBJECT: {
        if (!need(1))
            return Stop;
        GdiObject* o = Object(r.U16(0));
        if (!o)
            return Skipped;
        Select(*o);
        return Played;
    }
    case META_DELETEOBJECT: {
        if (!need(1))
            return Stop;
        const uint16_t h = r.U16(0);
        if (h < objects_.size())
            objects_[h] = GdiObject();
        return Played;
    }
    case META_CREATEPENINDIRECT:
    case META_CREATEBRUSHINDIRECT:
    case META_CREATEFONTINDIRECT:
    case META_CREATEPALETTE:
    case META_CREATEPATTERNBRUSH:
    case META_DIBCREATEPATTERNBRUSH:
    case META_CREATEREGION: {
        // Every creating record takes the lowest free slot, so later indexes stay right.
        const int slot = NewWmfSlot();
        GdiObject o;
        o.kind = GdiObject::Other;
        if (function == META_CREATEPENINDIRECT) {
            if (!need(5))
                return Stop;
            o.kind = GdiObject::Pen;
            const uint16_t style = r.U16(0);
            o.pen = PenOf(style, W(1), ColorRef(r.U32(6)), true);
            if (o.pen.Width > 1 && o.pen.Style != psClear && o.pen.Style != psInsideFrame)
                o.pen.Style = psSolid;
        } else if (function == META_CREATEBRUSHINDIRECT) {
            if (!need(4))
                return Stop;
            o.kind = GdiObject::Brush;
            const uint16_t style = r.U16(0);
            o.brush.Color = ColorRef(r.U32(2));
            o.brush.Style = style == 1 ? bsClear : style == 2 ? HatchOf(r.U16(6)) : bsSolid;
        } else if (function == META_CREATEFONTINDIRECT) {
            if (!need(9))
                return Stop;
            o.kind = GdiObject::Font;
            const int charset = r.p[13];
            const int64_t faceBytes = std::min<int64_t>(32, r.size - 18);
            const auto* face = reinterpret_cast<const char*>(r.p + 18);
            const int64_t len = faceBytes > 0 ? int64_t(qstrnlen(face, uint(faceBytes))) : 0;
            o.font = FontOf(W(0), W(2), W(4), r.p[10] != 0, r.p[11] != 0, r.p[12] != 0, charset,
                            DecodeCharset(face, qsizetype(len), charset == 0 ? 0 : 128));
        } else if (function == META_DIBCREATEPATTERNBRUSH) {
            if (!need(2))
                return Stop;
            o.kind = GdiObject::Brush;
            const int64_t info = PackedInfoSize(r.p + 4, r.size - 4);
            bool bottomUp = true;
            std::optional<QImage> image;
            if (info > 0 && info <= r.size - 4)
                image = DecodeBitmap(r.p + 4, info, r.p + 4 + info, r.size - 4 - info, false, bottomUp);
            o.brush = PatternBrush(image);
        } else if (function == META_CREATEPATTERNBRUSH) {
            o.kind = GdiObject::Brush;
            o.brush = TBrush{clGray, bsSolid, {}};
        } else if (function == META_CREATEREGION) {
            o.kind = GdiObject::Region;
            if (!ReadWmfRegion(r, o.region))
                o.region.clear();
        }
        if (slot < 0)
            return Skipped;
        objects_[size_t(slot)] = o;
        return Played;
    }
    case META_TEXTOUT:
    case META_EXTTEXTOUT:
        return WmfText(r, function == META_EXTTEXTOUT);
    case META_PATBLT:
    case META_DIBBITBLT:
    case META_DIBSTRETCHBLT:
    case META_STRETCHDIB:
    case META_SETDIBTODEV:
    case META_BITBLT:
    case META_STRETCHBLT:
        return WmfBlt(function, r);
    case META_SELECTPALETTE:
    case META_REALIZEPALETTE:
    case META_SETPALENTRIES:
    case META_RESIZEPALETTE:
    case META_ANIMATEPALETTE:
    case META_SETMAPPERFLAGS:
    case META_SETRELABS:
    case META_SETTEXTCHAREXTRA:
    case META_SETTEXTJUSTIFICATION:
    case META_SETLAYOUT:
        return Played;
    default:
        // Escapes (embedded pictures among them), flood fills.
        return Skipped;
    }
}

Player::Outcome Player::WmfText(const Bytes& r, bool extended) {
    const int64_t words = r.size / 2;
    int x = 0, y = 0;
    unsigned options = 0;
    std::optional<TRect> box;
    int64_t count = 0, at = 0;
    if (!extended) {
        if (words < 1)
            return Stop;
        count = r.U16(0);
        at = 2;
        const int64_t padded = (count + 1) / 2 * 2;
        if (!r.Has(at, padded + 4))
            return Stop;
        y = r.I16(at + padded);
        x = r.I16(at + padded + 2);
    } else {
        if (words < 4)
            return Stop;
        y = r.I16(0);
        x = r.I16(2);
        count = r.U16(4);
        options = r.U16(6);
        at = 8;
        if (options & (ETO_OPAQUE | ETO_CLIPPED)) {
            if (!r.Has(8, 8))
                return Stop;
            box = TRect(r.I16(8), r.I16(10), r.I16(12), r.I16(14));
            at = 16;
        }
        if (!r.Has(at, count))
            return Stop;
    }
    if (options & ETO_GLYPH_INDEX)
        return Skipped;
    const auto* bytes = reinterpret_cast<const char*>(r.p + at);
    const int charset = s_.font.Charset;
    const QString text = DecodeCharset(bytes, qsizetype(count), charset);
    std::vector<int> advances;
    const int64_t dxAt = at + (count + 1) / 2 * 2;
    if (extended && count > 0 && r.Has(dxAt, count * 2)) {
        // One advance per byte; a double-byte character takes the sum of its two.
        const std::vector<int> lengths = CharacterLengths(bytes, qsizetype(count), charset);
        int64_t k = 0;
        for (const int len : lengths) {
            int sum = 0;
            for (int j = 0; j < len && k < count; ++j, ++k)
                sum += r.I16(dxAt + k * 2);
            advances.push_back(sum);
        }
        if (advances.size() != size_t(text.toUcs4().size()))
            advances.clear();
    }
    const bool hasRect = box && box->Right > box->Left && box->Bottom > box->Top;
    return Text(x, y, options & (ETO_OPAQUE | ETO_CLIPPED), hasRect ? &*box : nullptr, text,
                advances.empty() ? nullptr : &advances);
}

Player::Outcome Player::WmfBlt(uint16_t function, const Bytes& r) {
    const int64_t words = r.size / 2;
    auto W = [&](int i) { return int(r.I16(int64_t(i) * 2)); };
    // A transfer record carries a bitmap unless its size is that of the bare parameters.
    const bool hasBitmap = words + 3 != int64_t(function >> 8) + 3 && function != META_PATBLT;
    auto rect = [](int x, int y, int w, int h) { return TRect(x, y, x + w, y + h); };
    TRect dest, src;
    TCopyMode rop = cmSrcCopy;
    int64_t dibAt = 0;
    bool bottomUpSource = false;
    switch (function) {
    case META_PATBLT:
        if (words < 6)
            return Stop;
        rop = TCopyMode(r.U32(0));
        dest = rect(W(5), W(4), W(3), W(2));
        break;
    case META_DIBBITBLT:
    case META_BITBLT:
        if (hasBitmap) {
            if (words < 8)
                return Stop;
            rop = TCopyMode(r.U32(0));
            src = rect(W(3), W(2), W(5), W(4));
            dest = rect(W(7), W(6), W(5), W(4));
            dibAt = 16;
        } else {
            if (words < 9)
                return Stop;
            rop = TCopyMode(r.U32(0));
            dest = rect(W(8), W(7), W(6), W(5));
        }
        break;
    case META_DIBSTRETCHBLT:
    case META_STRETCHBLT:
        if (hasBitmap) {
            if (words < 10)
                return Stop;
            rop = TCopyMode(r.U32(0));
            src = rect(W(5), W(4), W(3), W(2));
            dest = rect(W(9), W(8), W(7), W(6));
            dibAt = 20;
        } else {
            if (words < 11)
                return Stop;
            rop = TCopyMode(r.U32(0));
            dest = rect(W(10), W(9), W(8), W(7));
        }
        break;
    case META_STRETCHDIB:
        if (words < 11)
            return Stop;
        rop = TCopyMode(r.U32(0));
        src = rect(W(6), W(5), W(4), W(3));
        dest = rect(W(10), W(9), W(8), W(7));
        dibAt = 22;
        bottomUpSource = true;
        break;
    case META_SETDIBTODEV:
        if (words < 9)
            return Stop;
        src = rect(W(4), W(3), W(6), W(5));
        dest = rect(W(8), W(7), W(6), W(5));
        dibAt = 18;
        bottomUpSource = true;
        break;
    default:
        return Skipped;
    }
    if (dibAt == 0) {
        if (!Ready() || !RectFits(dest.Left, dest.Top, dest.Right, dest.Bottom))
            return Skipped;
        ApplyTools(false);
        c_.PatBlt(dest, rop);
        return Played;
    }
    if (function == META_BITBLT || function == META_STRETCHBLT)
        return Skipped; // device-dependent bitmaps of the old form
    const int64_t info = PackedInfoSize(r.p + dibAt, r.size - dibAt);
    if (info <= 0 || info > r.size - dibAt)
        return Skipped;
    return Bitmap(dest, src, bottomUpSource, r.p + dibAt, info, r.p + dibAt + info, r.size - dibAt - info,
                  rop, -1, std::nullopt);
}

// Parses data's header: EMF, placeable WMF or plain WMF.
bool HeaderOf(const Bytes& d, TMetafilePlayer::THeader& header) {
    header = TMetafilePlayer::THeader();
    if (d.size > TMetafilePlayer::kMaxDataSize)
        return false;
    if (d.size >= kEmfHeaderMin && d.U32(0) == EMR_HEADER && d.U32(40) == kEmfSignature) {
        const uint32_t size = d.U32(4);
        if (size < kEmfHeaderMin || size > d.size)
            return false;
        header.Format = TMetafilePlayer::mfEnhanced;
        header.UnitsPerInch = 2540;
        const TRect f = RectL(d, 24);
        if (f.Right > f.Left && f.Bottom > f.Top) {
            header.Frame = QRectF(QPointF(f.Left, f.Top), QPointF(f.Right, f.Bottom));
        } else {
            // rclBounds over the reference device's size.
            const TRect b = RectL(d, 8);
            const int32_t devX = d.I32(72), devY = d.I32(76), mmX = d.I32(80), mmY = d.I32(84);
            const double hx = devX > 0 && mmX > 0 ? mmX * 100.0 / devX : 2540.0 / 96;
            const double hy = devY > 0 && mmY > 0 ? mmY * 100.0 / devY : 2540.0 / 96;
            header.Frame = QRectF(QPointF(b.Left * hx, b.Top * hy),
                                  QPointF((double(b.Right) + 1) * hx, (double(b.Bottom) + 1) * hy));
        }
        return true;
    }
    int64_t start = 0;
    QRectF box;
    double unitsPerInch = 1440;
    uint32_t objects = 0;
    if (!ReadWmfHeader(d, start, box, unitsPerInch, objects))
        return false;
    header.Format = IsPlaceable(d) ? TMetafilePlayer::mfPlaceable : TMetafilePlayer::mfWindows;
    header.Frame = box.normalized();
    header.UnitsPerInch = unitsPerInch;
    return true;
}

Bytes BytesOf(const QByteArray& data) {
    return Bytes{reinterpret_cast<const uint8_t*>(data.constData()), int64_t(data.size())};
}

} // namespace

bool TMetafilePlayer::ReadHeader(const QByteArray& data, THeader& header) {
    return HeaderOf(BytesOf(data), header);
}

bool TMetafilePlayer::Play(TCanvas& canvas, const QByteArray& data, const TRect& rect,
                           TMetafilePlayReport* report, const QRectF* frame) {
    THeader header;
    const Bytes d = BytesOf(data);
    if (!HeaderOf(d, header) || rect.Left == rect.Right || rect.Top == rect.Bottom)
        return false;
    Player player(canvas, report);
    const QRectF* own = frame && header.Format == mfEnhanced && frame->width() > 0 && frame->height() > 0 ? frame : nullptr;
    return header.Format == mfEnhanced ? player.PlayEmf(d, rect, own) : player.PlayWmf(d, rect);
}

bool TMetafilePlayer::Complete(const QByteArray& data) {
    THeader header;
    const Bytes d = BytesOf(data);
    if (!HeaderOf(d, header))
        return false;
    int64_t pos = 0;
    QRectF box;
    double unitsPerInch = 0;
    uint32_t objects = 0;
    const bool emf = header.Format == mfEnhanced;
    if (!emf && !ReadWmfHeader(d, pos, box, unitsPerInch, objects))
        return false;
    for (int64_t records = 0; records < kMaxRecords; ++records) {
        if (d.size - pos < (emf ? 8 : 6))
            return false;
        const int64_t size = emf ? int64_t(d.U32(pos + 4)) : int64_t(d.U32(pos)) * 2;
        if (size < (emf ? 8 : 6) || size > d.size - pos)
            return false;
        if (emf ? d.U32(pos) == EMR_EOF : d.U16(pos + 4) == META_EOF)
            return true;
        pos += size;
    }
    return false;
}

bool TMetafilePlayer::DrawnFrame(const QByteArray& data, QRectF& frame) {
    THeader header;
    const Bytes d = BytesOf(data);
    if (!HeaderOf(d, header) || header.Format != mfEnhanced)
        return false;
    // Played onto a single pixel with the frame one to one, gathering what the records draw.
    QImage pixel(1, 1, QImage::Format_RGB32);
    TCanvas canvas(&pixel);
    Player player(canvas, nullptr);
    player.Measure();
    const TRect target(0, 0, 1000, 1000);
    if (!player.PlayEmf(d, target))
        return false;
    const QRectF drawn = player.Drawn();
    const double hx = player.PixelsPerHimetricX(), hy = player.PixelsPerHimetricY();
    if (!(drawn.width() > 0) || !(drawn.height() > 0) || !(hx > 0) || !(hy > 0))
        return false;
    const QRectF own(QPointF(header.Frame.left() * hx, header.Frame.top() * hy),
                     QPointF(header.Frame.right() * hx, header.Frame.bottom() * hy));
    // Some writers store the bounds in their logical units rather than the reference device's:
    // the drawing then lies wholly outside them and the frame would show nothing. Only then is
    // the drawing's own box taken (drawing beyond the frame is otherwise the writer's wish).
    if (own.normalized().intersects(drawn))
        return false;
    // The points' box, with a margin for the pens that stroke its edges.
    const double margin = std::max(drawn.width(), drawn.height()) / 50;
    const QRectF box = drawn.adjusted(-margin, -margin, margin, margin);
    frame = QRectF(QPointF(box.left() / hx, box.top() / hy), QPointF(box.right() / hx, box.bottom() / hy));
    return true;
}

bool TMetafilePlayer::MeasureWindowsMetafile(const QByteArray& data, QRect& box) {
    const Bytes d = BytesOf(data);
    int64_t pos = 0;
    QRectF placeable;
    double unitsPerInch = 0;
    uint32_t objects = 0;
    if (d.size > kMaxDataSize || !ReadWmfHeader(d, pos, placeable, unitsPerInch, objects))
        return false;
    std::optional<QPoint> windowOrg, windowExt;
    int64_t minX = INT64_MAX, minY = INT64_MAX, maxX = INT64_MIN, maxY = INT64_MIN;
    auto add = [&](int x, int y) {
        minX = std::min<int64_t>(minX, x);
        minY = std::min<int64_t>(minY, y);
        maxX = std::max<int64_t>(maxX, x);
        maxY = std::max<int64_t>(maxY, y);
    };
    int64_t records = 0;
    while (d.size - pos >= 6 && records++ < kMaxRecords) {
        const int64_t size = int64_t(d.U32(pos)) * 2;
        const uint16_t function = d.U16(pos + 4);
        if (size < 6 || size > d.size - pos || function == META_EOF)
            break;
        const Bytes r{d.p + pos + 6, size - 6};
        const int64_t words = r.size / 2;
        auto W = [&](int i) { return int(r.I16(int64_t(i) * 2)); };
        switch (function) {
        case META_SETWINDOWORG:
            if (words >= 2)
                windowOrg = QPoint(W(1), W(0));
            break;
        case META_SETWINDOWEXT:
            if (words >= 2 && W(0) != 0 && W(1) != 0)
                windowExt = QPoint(W(1), W(0));
            break;
        case META_MOVETO:
        case META_LINETO:
            if (words >= 2)
                add(W(1), W(0));
            break;
        case META_RECTANGLE:
        case META_ELLIPSE:
        case META_ROUNDRECT:
        case META_ARC:
        case META_CHORD:
        case META_PIE: {
            const bool arc = function == META_ARC || function == META_CHORD || function == META_PIE;
            const int first = function == META_ROUNDRECT ? 2 : arc ? 4 : 0;
            if (words >= first + 4) {
                add(W(first + 3), W(first + 2));
                add(W(first + 1), W(first));
            }
            break;
        }
        case META_POLYGON:
        case META_POLYLINE: {
            std::vector<TPoint> points;
            if (words >= 1 && ReadPoints(r, 2, r.U16(0), true, points))
                for (const TPoint& p : points)
                    add(p.X, p.Y);
            break;
        }
        case META_POLYPOLYGON: {
            if (words < 1)
                break;
            const int polys = r.U16(0);
            if (words < 1 + polys)
                break;
            int64_t total = 0;
            for (int i = 0; i < polys; ++i)
                total += r.U16(2 + int64_t(i) * 2);
            std::vector<TPoint> points;
            if (ReadPoints(r, 2 + int64_t(polys) * 2, total, true, points))
                for (const TPoint& p : points)
                    add(p.X, p.Y);
            break;
        }
        case META_STRETCHDIB:
            if (words >= 11) {
                add(W(10), W(9));
                add(W(10) + W(8), W(9) + W(7));
            }
            break;
        default:
            break;
        }
        pos += size;
    }
    if (windowExt) {
        const QPoint org = windowOrg.value_or(QPoint(0, 0));
        box = QRect(
            QPoint(std::min(org.x(), org.x() + windowExt->x()), std::min(org.y(), org.y() + windowExt->y())),
            QSize(std::abs(windowExt->x()), std::abs(windowExt->y())));
        return !box.isEmpty();
    }
    if (minX > maxX || maxX - minX <= 0 || maxY - minY <= 0)
        return false;
    box = QRect(int(minX), int(minY), int(maxX - minX), int(maxY - minY));
    return true;
}

QByteArray TMetafilePlayer::WithPlaceableHeader(const QByteArray& data, int unitsPerInch) {
    THeader header;
    QRect box;
    if (!ReadHeader(data, header) || header.Format != mfWindows || !MeasureWindowsMetafile(data, box))
        return data;
    const int64_t right = int64_t(box.left()) + box.width(), bottom = int64_t(box.top()) + box.height();
    if (box.left() < INT16_MIN || box.top() < INT16_MIN || right > INT16_MAX || bottom > INT16_MAX)
        return data;
    QByteArray out;
    out.reserve(data.size() + kPlaceableSize);
    AppendLE32(out, kPlaceableKey);
    AppendLE16(out, 0);
    AppendLE16(out, uint16_t(int16_t(box.left())));
    AppendLE16(out, uint16_t(int16_t(box.top())));
    AppendLE16(out, uint16_t(int16_t(right)));
    AppendLE16(out, uint16_t(int16_t(bottom)));
    AppendLE16(out, uint16_t(unitsPerInch));
    AppendLE32(out, 0);
    // The checksum: the first ten words xor'ed.
    uint16_t sum = 0;
    for (int i = 0; i < 10; ++i)
        sum ^= GetLE16(out.constData() + i * 2);
    AppendLE16(out, sum);
    out.append(data);
    return out;
}

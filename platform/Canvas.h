#pragma once
// The canvas layer: what a device context and the framework's canvas were to the system, over a
// QPainter on an image, a widget, a recorded picture or a printer. It keeps the device-context
// state itself (coordinate mapping, clip region, current position, path, text alignment) so that
// it survives the painter being ended and begun again, and so that the same drawing code gives
// the same pixels everywhere:
// - coordinates are logical and mapped to device pixels with the window/viewport rules
//   (integer rounding as the graphics layer did); drawing happens in device space;
// - rectangles exclude their right and bottom edge; lines exclude their last point;
// - pen widths are logical units and scale with the mapping (and so with the device DPI that the
//   renderers' mapping carries); width 0 is one device pixel at any resolution;
// - raster operations (copy modes and pen modes) run as Qt raster-op composition modes where the
//   device has pixels (images, widgets); on printers and recorded pictures the image operations
//   drawn into one rectangle are composed into one image with transparency and drawn once.

#include "platform/Color.h"
#include "platform/Object.h"
#include "platform/Rect.h"

#include <QFont>
#include <QImage>
#include <QPainterPath>
#include <QRegion>
#include <QString>
#include <QTransform>
#include <cstdint>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class QPaintDevice;
class QPainter;
class QPicture;
class QPrinter;
class QWidget;
class PixelBuffer;
class TGraphic;
struct FontGlyph;

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode {
    pmBlack,
    pmWhite,
    pmNop,
    pmNot,
    pmCopy,
    pmNotCopy,
    pmMergePenNot,
    pmMaskPenNot,
    pmMergeNotPen,
    pmMaskNotPen,
    pmMerge,
    pmNotMerge,
    pmMask,
    pmNotMask,
    pmXor,
    pmNotXor
};
enum TBrushStyle {
    bsSolid,
    bsClear,
    bsHorizontal,
    bsVertical,
    bsFDiagonal,
    bsBDiagonal,
    bsCross,
    bsDiagCross
};
enum TFontStyle { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = int;
enum TFontPitch { fpDefault, fpVariable, fpFixed };

// Raster-operation codes of image transfers, as stored and passed around by the system.
using TCopyMode = int32_t;
constexpr TCopyMode cmBlackness = 0x00000042;
constexpr TCopyMode cmDstInvert = 0x00550009;
constexpr TCopyMode cmMergeCopy = 0x00C000CA;
constexpr TCopyMode cmMergePaint = 0x00BB0226;
constexpr TCopyMode cmNotSrcCopy = 0x00330008;
constexpr TCopyMode cmNotSrcErase = 0x001100A6;
constexpr TCopyMode cmPatCopy = 0x00F00021;
constexpr TCopyMode cmPatInvert = 0x005A0049;
constexpr TCopyMode cmPatPaint = 0x00FB0A09;
constexpr TCopyMode cmSrcAnd = 0x008800C6;
constexpr TCopyMode cmSrcCopy = 0x00CC0020;
constexpr TCopyMode cmSrcErase = 0x00440328;
constexpr TCopyMode cmSrcInvert = 0x00660046;
constexpr TCopyMode cmSrcPaint = 0x00EE0086;
constexpr TCopyMode cmWhiteness = 0x00FF0062;

// Mapping modes.
enum {
    MM_TEXT = 1,
    MM_LOMETRIC = 2,
    MM_HIMETRIC = 3,
    MM_LOENGLISH = 4,
    MM_HIENGLISH = 5,
    MM_TWIPS = 6,
    MM_ISOTROPIC = 7,
    MM_ANISOTROPIC = 8
};
// Region combination and results.
enum { RGN_AND = 1, RGN_OR = 2, RGN_XOR = 3, RGN_DIFF = 4, RGN_COPY = 5 };
enum { RGN_ERROR = 0, NULLREGION = 1, SIMPLEREGION = 2, COMPLEXREGION = 3 };
// World-transform changes.
enum { MWT_IDENTITY = 1, MWT_LEFTMULTIPLY = 2, MWT_RIGHTMULTIPLY = 3 };
// Polygon fill modes.
enum { ALTERNATE = 1, WINDING = 2 };
// Background modes.
enum { TRANSPARENT = 1, OPAQUE = 2 };
// Stretch modes: COLORONCOLOR picks the nearest pixel, HALFTONE averages.
enum { BLACKONWHITE = 1, WHITEONBLACK = 2, COLORONCOLOR = 3, HALFTONE = 4 };
// Text alignment flags.
enum : unsigned {
    TA_NOUPDATECP = 0,
    TA_UPDATECP = 1,
    TA_LEFT = 0,
    TA_RIGHT = 2,
    TA_CENTER = 6,
    TA_TOP = 0,
    TA_BOTTOM = 8,
    TA_BASELINE = 24
};
// ExtTextOut options.
enum : unsigned { ETO_OPAQUE = 2, ETO_CLIPPED = 4 };
// Text layout flags of DrawText.
enum : unsigned {
    DT_TOP = 0,
    DT_LEFT = 0,
    DT_CENTER = 1,
    DT_RIGHT = 2,
    DT_VCENTER = 4,
    DT_BOTTOM = 8,
    DT_WORDBREAK = 0x10,
    DT_SINGLELINE = 0x20,
    DT_EXPANDTABS = 0x40,
    DT_NOCLIP = 0x100,
    DT_CALCRECT = 0x400,
    DT_NOPREFIX = 0x800,
    DT_END_ELLIPSIS = 0x8000
};
// Point types of a path read back with GetPath.
enum : uint8_t { PT_CLOSEFIGURE = 1, PT_LINETO = 2, PT_BEZIERTO = 4, PT_MOVETO = 6 };

struct TPen {
    TColor Color = clBlack;
    int Width = 1;
    TPenStyle Style = psSolid;
    TPenMode Mode = pmCopy;
    // Ends and joins of lines wider than one pixel (the graphics layer's default: round).
    Qt::PenCapStyle Cap = Qt::RoundCap;
    Qt::PenJoinStyle Join = Qt::RoundJoin;
    friend bool operator==(const TPen&, const TPen&) = default;
};

struct TBrush {
    TColor Color = clWhite;
    TBrushStyle Style = bsSolid;
    // A pattern brush's picture, tiled from the device origin in place of the solid colour (Color
    // stays its average, for what fills with one colour).
    QImage Pattern = {};
    friend bool operator==(const TBrush&, const TBrush&) = default;
};

struct TFont {
    QString Name = QStringLiteral("ＭＳ Ｐゴシック");
    // Logical units; negative: the character height (em), positive: the cell height.
    int Height = -12;
    TColor Color = clWindowText;
    TFontStyles Style = 0;
    int Charset = 128;
    // Escapement in tenths of a degree, counter-clockwise.
    int Orientation = 0;
    TFontPitch Pitch = fpDefault;
    // The resolution that Size converts with (the framework font's PixelsPerInch).
    int PixelsPerInch = 96;

    // Points, from and to Height at PixelsPerInch.
    int Size() const;
    void SetSize(int points);
    friend bool operator==(const TFont&, const TFont&) = default;
};

// The font's metrics in logical units, as the outline-metrics query of the graphics layer gave
// them: the cell (ascent and descent), the em, and where underline and strike-out lie (positions
// above the baseline, y up).
struct TOutlineTextMetrics {
    int Ascent = 0;
    int Descent = 0;
    int Height = 0;
    int EmHeight = 0;
    int InternalLeading = 0;
    int ExternalLeading = 0;
    int UnderscorePosition = 0;
    int UnderscoreSize = 0;
    int StrikeoutPosition = 0;
    int StrikeoutSize = 0;
};

// Where the two colours of a one-bit source come from: a monochrome device bitmap (a mask)
// takes the canvas's text colour for its 0 bits and background colour for its 1 bits, as raster
// operations with masks rely on; a device-independent bitmap (a picture from a file) keeps the
// colours of its own table.
enum TMonoColors { mcTextAndBackground, mcColorTable };

// Tells whether a copy mode reads the destination (and so needs composing on printers).
bool CopyModeUsesDestination(TCopyMode mode);

class TCanvas : public TObject {
public:
    enum TDeviceKind { dkNone, dkImage, dkWidget, dkPicture, dkPrinter };

    // A canvas without a device: it only holds tools (pen, brush, font, copy mode).
    TCanvas();
    // Canvases on a device that must outlive them; painting begins at the first drawing.
    explicit TCanvas(QImage* image);
    // A widget can be painted only while it handles its paint event; there a canvas on the
    // event's painter (below) is the usual choice.
    explicit TCanvas(QWidget* widget);
    explicit TCanvas(QPicture* picture);
    explicit TCanvas(QPrinter* printer);
    // A canvas on any paint device, of the kind given.
    TCanvas(QPaintDevice* device, TDeviceKind kind);
    // A canvas drawing through a painter that is already active (a widget's paint event); the
    // painter stays the caller's.
    explicit TCanvas(QPainter* painter);
    ~TCanvas() override;
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    // --- device ---
    TDeviceKind DeviceKind() const { return kind_; }
    virtual bool IsPrinter() const { return kind_ == dkPrinter; }
    // The image drawn into (image canvases and bitmap canvases), else null.
    virtual QImage* TargetImage();
    // Pixels per inch of the device (vertical), unless set explicitly.
    virtual int PixelsPerInch() const;
    void SetPixelsPerInch(int value) { pixelsPerInch_ = value; }
    // Device size in pixels.
    virtual TSize DeviceSize() const;
    bool HandleAllocated() const { return painter_ != nullptr; }
    // Ends the painter (drawing state is kept and applied again on the next drawing).
    void FreeHandle();
    // The painter set up for device-space drawing with the canvas's clip; null without a device.
    // For drawing that the canvas does not offer; the caller restores what it changes.
    QPainter* Painter();

    // Drawing that another thread does meanwhile with this canvas's painter (a finished print band
    // on its way into the PDF, while the next one is drawn). Whatever the canvas does with its
    // painter next waits for it first (Painter, FreeHandle, the destructor); WaitForPaintElsewhere
    // waits and raises what that drawing raised.
    void PaintElsewhere(std::future<void> work);
    void WaitForPaintElsewhere();

    // The framework canvas's lock, for drawing from more than one thread.
    void Lock() { lock_.lock(); }
    void Unlock() { lock_.unlock(); }
    bool TryLock() { return lock_.try_lock(); }

    // --- tools ---
    TPen& Pen() { return pen_; }
    const TPen& Pen() const { return pen_; }
    TBrush& Brush() { return brush_; }
    const TBrush& Brush() const { return brush_; }
    TFont& Font() { return font_; }
    const TFont& Font() const { return font_; }
    TCopyMode CopyMode() const { return copyMode_; }
    void SetCopyMode(TCopyMode mode) { copyMode_ = mode; }
    // Copies pen, brush, font and copy mode from another canvas.
    void CopyTools(const TCanvas& source);

    // --- device-context attributes ---
    TColor TextColor() const { return state_.textColor; }
    TColor SetTextColor(TColor color);
    TColor BkColor() const { return state_.bkColor; }
    TColor SetBkColor(TColor color);
    int BkMode() const { return state_.bkMode; }
    int SetBkMode(int mode);
    unsigned TextAlign() const { return state_.textAlign; }
    unsigned SetTextAlign(unsigned align);
    int PolyFillMode() const { return state_.polyFillMode; }
    int SetPolyFillMode(int mode);
    int StretchBltMode() const { return state_.stretchMode; }
    int SetStretchBltMode(int mode);

    // --- coordinate mapping ---
    int MapMode() const { return state_.mapMode; }
    int SetMapMode(int mode);
    TPoint WindowOrg() const { return state_.windowOrg; }
    TSize WindowExt() const { return state_.windowExt; }
    TPoint ViewportOrg() const { return state_.viewportOrg; }
    TSize ViewportExt() const { return state_.viewportExt; }
    // Each answers the previous value.
    TPoint SetWindowOrg(int x, int y);
    TPoint SetViewportOrg(int x, int y);
    TPoint OffsetWindowOrg(int dx, int dy);
    TPoint OffsetViewportOrg(int dx, int dy);
    // Only in MM_ISOTROPIC and MM_ANISOTROPIC; false otherwise.
    bool SetWindowExt(int cx, int cy, TSize* old = nullptr);
    bool SetViewportExt(int cx, int cy, TSize* old = nullptr);
    // Logical to device and back, rounded as the graphics layer did.
    TPoint LPtoDP(const TPoint& p) const;
    TPoint DPtoLP(const TPoint& p) const;
    void LPtoDP(TPoint* points, int count) const;
    void DPtoLP(TPoint* points, int count) const;
    TRect LPtoDP(const TRect& r) const;
    TRect DPtoLP(const TRect& r) const;
    // The mapping as a transform from logical to device coordinates.
    QTransform MappingTransform() const;
    // The world transform: logical coordinates to page space, before the window/viewport mapping.
    // It moves points, pen widths, font sizes and image destinations; identity by default.
    const QTransform& WorldTransform() const { return state_.world; }
    // Singular and non-finite transforms are refused (false), the current one kept.
    bool SetWorldTransform(const QTransform& transform);
    // MWT_IDENTITY resets; MWT_LEFTMULTIPLY applies transform first, MWT_RIGHTMULTIPLY last.
    bool ModifyWorldTransform(const QTransform& transform, int mode);
    // Takes another canvas's mapping (mode, origins, extents, world), fill mode and resolution, moved so
    // that device point origin of that canvas lands on this one's (0, 0).
    void TakeMapping(const TCanvas& source, const TPoint& origin);

    // --- clipping (regions are in device pixels) ---
    // 1 with the region set when the canvas has a clip region, 0 when it has none.
    int GetClipRgn(QRegion& region) const;
    bool HasClipRegion() const { return state_.clip.has_value(); }
    // null: no clip region.
    int SelectClipRgn(const QRegion* region);
    int ExtSelectClipRgn(const QRegion* region, int mode);
    // Logical rectangles.
    int IntersectClipRect(const TRect& r);
    int ExcludeClipRect(const TRect& r);
    // The smallest logical rectangle around what may be drawn.
    int GetClipBox(TRect& r) const;
    bool RectVisible(const TRect& r) const;
    bool PtVisible(int x, int y) const;
    // The visible device region (clip and device bounds).
    QRegion VisibleRegion() const;
    // The device's bounds, without the clip (vast for canvases without a device).
    QRegion DeviceRegion() const;

    // --- saved states ---
    // Pushes mapping, clip, position and attributes; answers the new level (1, 2, ...).
    int SaveDC();
    // A positive level restores that level (dropping those above), a negative one counts back.
    bool RestoreDC(int level);
    int SavedLevel() const { return int(saved_.size()); }

    // --- paths (a path bracket collects drawing instead of drawing it) ---
    void BeginPath();
    void EndPath();
    void AbortPath();
    void CloseFigure();
    bool InPathBracket() const { return pathOpen_; }
    bool HasPath() const { return !pathTypes_.empty() || pathOpen_; }
    // Replaces the path by the outline that the current pen would paint.
    void WidenPath();
    void StrokePath();
    void FillPath();
    void StrokeAndFillPath();
    bool SelectClipPath(int mode);
    // The region inside the path (with the fill mode), in device pixels; the path is used up.
    QRegion PathToRegion();
    // The path in logical coordinates with point types (PT_*).
    int GetPath(std::vector<TPoint>& points, std::vector<uint8_t>& types) const;
    // The path as a Qt path in device coordinates.
    QPainterPath DevicePath() const;

    // --- drawing ---
    TPoint PenPos() const { return state_.penPos; }
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void Polyline(const TPoint* points, int count);
    void Polyline(const std::vector<TPoint>& points) { Polyline(points.data(), int(points.size())); }
    void Polygon(const TPoint* points, int count);
    void Polygon(const std::vector<TPoint>& points) { Polygon(points.data(), int(points.size())); }
    // Several polygons filled as one shape (with the fill mode), so inner ones can be holes;
    // counts[i] points each, taken in turn from points.
    void PolyPolygon(const TPoint* points, const int* counts, int polygons);
    void PolyPolyline(const TPoint* points, const int* counts, int lines);
    // 3n + 1 points: start, then control, control, end for each curve.
    void PolyBezier(const TPoint* points, int count);
    // 3n points continuing from the current position, which moves to the last.
    void PolyBezierTo(const TPoint* points, int count);
    void Rectangle(int left, int top, int right, int bottom);
    void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
    void RoundRect(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight);
    void Ellipse(int left, int top, int right, int bottom);
    void Ellipse(const TRect& r) { Ellipse(r.Left, r.Top, r.Right, r.Bottom); }
    // Counter-clockwise from the radial through (x3, y3) to the one through (x4, y4).
    void Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    void Chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    void Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    // Brush only, no outline.
    void FillRect(const TRect& r);
    // A one-unit frame in the brush colour.
    void FrameRect(const TRect& r);
    void InvertRect(const TRect& r);
    // A device region filled with the brush.
    void FillRegion(const QRegion& region);
    // Fills with a colour, ignoring the brush; copy mode and pen mode do not apply.
    void FillSolid(const TRect& r, TColor color);

    TColor GetPixel(int x, int y);
    void SetPixel(int x, int y, TColor color);

    // --- text ---
    void TextOut(int x, int y, const QString& text);
    // ETO_OPAQUE fills rect with the background colour first; ETO_CLIPPED clips the text to it.
    // advances (one per character, logical units) place each character after the one before it,
    // so a line keeps the widths it was measured with elsewhere.
    void ExtTextOut(int x, int y, unsigned options, const TRect* rect, const QString& text,
                    const std::vector<int>* advances);
    // Clipped to the rectangle; the brush fills it first unless it is clear.
    void TextRect(const TRect& r, int x, int y, const QString& text);
    TSize TextExtent(const QString& text);
    int TextWidth(const QString& text) { return TextExtent(text).cx; }
    int TextHeight(const QString& text) { return TextExtent(text).cy; }
    // Lays text out in a rectangle; with DT_CALCRECT only measures (the rectangle's bottom and,
    // for a single line, right edge are set). Answers the text height.
    int DrawText(const QString& text, TRect& rect, unsigned format);
    // The Qt font that text is drawn with, sized in device pixels.
    QFont DeviceFont() const;
    // The space before the ink, the ink and the space after it of one character in the font, in
    // logical units (from the face's design units, rounded once). A character the face lacks is
    // measured as the glyph that is drawn for it (a fallback face's, else the missing-glyph box).
    bool GetCharABCWidths(char32_t c, int& a, int& b, int& cc);
    bool GetOutlineTextMetrics(TOutlineTextMetrics& metrics);
    // One character with its cell's top-left corner at (x, y) (before the font's escapement turns
    // it), by glyph, so it stays text in PDF output. In a vertical ("@") font a wide character
    // stands upright in its cell and advances by its vertical metrics.
    void CharOut(int x, int y, char32_t c);

    // --- images ---
    // Stretches a part of an image onto a logical rectangle with a raster operation. 1-bit
    // sources take their colours as `mono` says (by default as a mask: 0 bits in the text colour,
    // 1 bits in the background colour).
    // A source rectangle reaching past the picture is cut to it, the destination in proportion.
    void StretchBlt(const TRect& dest, const QImage& source, const TRect& sourceRect, TCopyMode rop,
                    TMonoColors mono = mcTextAndBackground);
    // Cuts `source` (either direction) to a picture of `size` and moves `dest`'s edges in proportion, so
    // mirrored rectangles stay mirrored. False when nothing of the picture is wanted or the cut
    // destination has no extent.
    static bool CutSourceToPicture(const QSize& size, TRect& source, TRect& dest);
    void StretchPixels(const TRect& dest, const PixelBuffer& source, const TRect& sourceRect, TCopyMode rop,
                       TMonoColors mono = mcTextAndBackground);
    // Draws an image with its alpha channel over the logical rectangle (copy mode not used).
    void DrawImage(const TRect& dest, const QImage& image);
    // Copies from another canvas (with pixels) using the copy mode.
    void CopyRect(const TRect& dest, TCanvas& source, const TRect& sourceRect);
    void Draw(int x, int y, TGraphic& graphic);
    void StretchDraw(const TRect& rect, TGraphic& graphic);
    // A brush-only raster operation on a rectangle (PATCOPY, PATINVERT, DSTINVERT...).
    void PatBlt(const TRect& r, TCopyMode rop);
    // Draws what image operations were composed for a printer so far.
    void Flush();

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

protected:
    // The device to paint on, asked whenever a painter is begun.
    virtual QPaintDevice* AcquireDevice();
    // Called after the painter has ended.
    virtual void ReleaseDevice() {}
    // Called before every drawing operation, so a subclass can end a stale painter first.
    virtual void ValidateDevice() {}
    virtual void Changing();
    virtual void Changed();

private:
    struct DCState {
        int mapMode = MM_TEXT;
        TPoint windowOrg;
        TSize windowExt{1, 1};
        TPoint viewportOrg;
        TSize viewportExt{1, 1};
        QTransform world;
        std::optional<QRegion> clip;
        TPoint penPos;
        TColor textColor = clBlack;
        TColor bkColor = clWhite;
        int bkMode = OPAQUE;
        unsigned textAlign = TA_TOP | TA_LEFT;
        int polyFillMode = ALTERNATE;
        int stretchMode = BLACKONWHITE;
    };
    struct Composite;

    QPainter* Begin();
    bool SupportsRasterOps() const;
    void FixedModeExtents();
    void AdjustIsotropic();
    double ScaleX() const;
    double ScaleY() const;
    QPointF MapF(const TPoint& p) const;
    // World then mapping, logical to device.
    QTransform FullTransform() const;
    // How much the world transform scales lengths (1 for the identity).
    double WorldScale() const;
    // Whether the world transform turns or shears, so rectangles stop being device rectangles.
    bool WorldTurns() const { return state_.world.m12() != 0 || state_.world.m21() != 0; }
    // How far the world transform turns the baseline on the device, clockwise, in degrees.
    double WorldTurnDegrees() const;
    // What the world transform does to text beyond a turn and an even scale (a shear, an uneven
    // stretch), at unit size, as it acts on device vectors; nullopt when nothing.
    std::optional<QTransform> WorldSlant() const;
    // Draws an image onto a logical rectangle through the world transform (turned or sheared).
    void DrawImageTurned(QPainter& painter, const TRect& dest, const QImage& source);
    // A logical rectangle's outline in device coordinates under a turning world transform.
    QPainterPath TurnedRect(const TRect& r) const;
    // Pen and brush for device-space drawing; false when nothing is drawn.
    bool PreparePen(QPainter& painter);
    bool PrepareBrush(QPainter& painter);
    void ApplyPenMode(QPainter& painter);
    double DevicePenWidth() const;
    void DrawShape(const QPainterPath& devicePath, bool fill, bool outline);
    // Whether the shape, filled or stroked with the pen, lies wholly outside the device's
    // visible area (and so would change no pixel of an image).
    bool MissesClip(const QPainterPath& devicePath, bool outline) const;
    void AddToPath(const QPainterPath& devicePath, bool closed);
    void AppendPathPoint(const QPointF& p, uint8_t type);
    QPainterPath BuildPath() const;
    QPainterPath ArcPath(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4, int kind) const;
    void DrawTextAt(const QPointF& devicePoint, const QString& text, const QRectF* opaqueClip,
                    const std::vector<int>* advances = nullptr);
    // The logical em of the font for a face with units-per-em upem and the given cell height.
    double LogicalEm(int upem, int cell) const;
    // Into the path bracket when painter is null.
    void DrawGlyph(QPainter* painter, const QTransform& frame, const FontGlyph& glyph, double pixelSize);
    void ComposeBlt(const QRect& deviceDest, const QImage& source, TCopyMode rop);
    void DrawImageDevice(QPainter& painter, const QRect& deviceDest, const QImage& source);

    TDeviceKind kind_ = dkNone;
    QPaintDevice* device_ = nullptr;
    QPainter* external_ = nullptr;
    std::unique_ptr<QPainter> own_;
    QPainter* painter_ = nullptr;
    QPaintDevice* activeDevice_ = nullptr;
    int pixelsPerInch_ = 0;

    TPen pen_;
    TBrush brush_;
    TFont font_;
    TCopyMode copyMode_ = cmSrcCopy;

    DCState state_;
    std::vector<DCState> saved_;

    bool pathOpen_ = false;
    std::vector<QPointF> pathPoints_;
    std::vector<uint8_t> pathTypes_;

    std::unique_ptr<Composite> composite_;
    std::recursive_mutex lock_;
    std::future<void> elsewhere_;
};

// Where drawing would put pixels on another canvas: a canvas with that canvas's mapping and
// tools over a device rectangle of it, drawing by the same rules onto a mask, which gives what
// was drawn (in any colour but black) as a region of that canvas's device pixels. Pen and brush
// start white.
class TCoverageCanvas : public TCanvas {
public:
    TCoverageCanvas(const TCanvas& like, const QRect& area);
    ~TCoverageCanvas() override;

    QRegion Coverage();

private:
    QImage mask_;
    QPoint origin_;
};

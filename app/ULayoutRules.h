#pragma once
// The layout editor's rules, free of the form: the page strip's order, zoom steps, alignment and
// positioning offsets, guide coordinates and the status bar's texts. The page strip and the photo
// size window use them without the editor's header.

#include "papers/ULabelData.h"
#include "platform/Rect.h"
#include "platform/ShiftState.h"

#include <QRegion>
#include <QString>
#include <vector>

class TDrawSite;
class TExScrollBox;

// Whether a sheet is printed on the back side of the paper: never for front-only documents, always
// for back-only ones; for two-sided ones alternate sheets, starting from the covers' sides.
bool IsBackSidePage(TFaceSides sides, bool landscape, int sheetIndex);

// The page strip shows the front cover (when used) first, the inner pages in sheet order, and the back
// cover (when used) last.
int PageStripCellCount(int sheetCount, bool frontCover, bool backCover);
int PageStripColToSheet(int col, int sheetCount, bool frontCover, bool backCover);
int PageStripSheetToCol(int sheet, int sheetCount, bool frontCover, bool backCover);
// The caption of a page strip cell: "表", "裏" or the page number.
QString PageStripCaption(int col, int sheetCount, bool frontCover, bool backCover);
// The page label: "表表紙", "裏表紙" or "page/pages".
QString PageLabelText(int sheet, int sheetCount, bool frontCover, bool backCover);

// Zoom steps in percent, ascending.
const std::vector<int>& LayoutZoomSteps();
// The first step above (magnify) or below (reduce) the scale; the scale itself when there is none.
int NextZoomStep(int scale, bool magnify);
// An automatic scale never goes below 1 %: a view shrunk to nothing would fit at 0.
int ClampAutoScale(int fitScale);
// Lays the site into its scroll box: with auto scale the whole page fits the box's client area (less
// its edge) and the scroll bars hide; without, the bars show as needed.
void RelayoutSite(TExScrollBox* box, TDrawSite* site, bool autoScale);

enum TOrderMode {
    omLeft,
    omRight,
    omTop,
    omBottom,
    omHorzCentre,
    omVertCentre,
    omHorzSpacing,
    omVertSpacing
};
// The move of each target (by its enclosing bounds, same order) that aligns them against the union
// of all. Spacing orders the targets by their numeric centre (of equal centres only the first takes
// part) and moves nothing with fewer than two distinct centres.
std::vector<TPoint> AlignOffsets(const std::vector<TRect>& bounds, TOrderMode mode);

// The question before deleting a fixed photo frame.
QString FixedPhotoDeleteQuestion();

// A page can be inserted after an album page, not after a cover.
bool PageAddEnabled(int currentSheet);
// An album page can be deleted while another one stays; a cover while it is in use.
bool PageDeleteEnabled(int sheetCount, int currentSheet, bool frontCover, bool backCover);

// A length in tenths of a millimetre as "12.3mm" ("-0.5mm" for negatives).
QString FormatTenthsMm(int tenths);

// ---- positioning against the page, and guides
enum TAdjustPosMode {
    apLeft,
    apRight,
    apTop,
    apBottom,
    apVertCentre,
    apHorzCentre,
    apPerpendicular,
    apParallel
};
// The move that puts bounds against the edge of the face region (page coordinates) within its span,
// or centres it on the page of logWidth x logHeight; (0, 0) for the turning modes.
TPoint AdjustPosOffset(const QRegion& face, const TRect& bounds, TAdjustPosMode mode, int logWidth,
                       int logHeight);
// The angle in whole degrees that turns an object centred at centre towards the page centre:
// perpendicular (across the line to the centre) or parallel (along it).
int PageCentreAngle(const TPoint& centre, const TPoint& pageCentre, TAdjustPosMode mode);
// A guide coordinate dragged to v: whole millimetres ((v + 5) div 10 x 10, truncated toward zero)
// unless fine.
int RoundGuideCoord(int v, bool fine);
// The hint while a guide is dragged to p ((x, 0) vertical, (0, y) horizontal): its distances from
// both page edges, or "ガイド削除" when it lies off the page.
QString GuideHintText(const TPoint& p, int logWidth, int logHeight);

// The status bar's texts: the mouse at a logical point, an object's place and size, the scale.
QString MouseStatusText(const TPoint& logical);
QString PositionStatusText(const TRect& bounds);
// The box a rectangle turned by angle degrees about its centre covers.
TRect TurnedExtent(const TRect& r, int angle);
QString ScaleStatusText(int scale);
// Modifier keys as a menu item names them ("Alt", "Ctrl+Shift"); empty for none.
QString ModifierMarkText(TShiftState modifiers);
// A menu caption with the keys that give it during a drag ("自由移動\tAlt"); the plain caption
// without keys.
QString MarkedCaption(const QString& caption, const QString& mark);
// A caption as a button shows it: without its mnemonic, dots and keys ("文字(&T)..." gives "文字").
QString RemoveMenuMarks(const QString& caption);

#include "app/ULayoutRules.h"

#include "app/UAlbumFunc.h"
#include "controls/Exscrbox.h"
#include "core/UGeometryUtil.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/layout/UAlignUtil.h"
#include "papers/UPaperImages.h"
#include "platform/IntMath.h"

#include <QRegularExpression>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr int kTenthsPerMm = 10;
constexpr int kLeastAutoScale = 1;

} // namespace

bool IsBackSidePage(TFaceSides sides, bool landscape, int sheetIndex) {
    return IsFaceSideMatch(int(sides), landscape, sheetIndex);
}

int PageStripCellCount(int sheetCount, bool frontCover, bool backCover) {
    return std::max(sheetCount - kFirstInnerSheet, 0) + (frontCover ? 1 : 0) + (backCover ? 1 : 0);
}

int PageStripColToSheet(int col, int sheetCount, bool frontCover, bool backCover) {
    if (backCover && col == PageStripCellCount(sheetCount, frontCover, backCover) - 1)
        return kBackCoverSheet;
    if (frontCover && col == 0)
        return kFrontCoverSheet;
    return col + kFirstInnerSheet - (frontCover ? 1 : 0);
}

int PageStripSheetToCol(int sheet, int sheetCount, bool frontCover, bool backCover) {
    if (sheet == kFrontCoverSheet)
        return 0;
    if (sheet == kBackCoverSheet)
        return PageStripCellCount(sheetCount, frontCover, backCover) - 1;
    return sheet - (frontCover ? 1 : 2);
}

QString PageStripCaption(int col, int sheetCount, bool frontCover, bool backCover) {
    const int sheet = PageStripColToSheet(col, sheetCount, frontCover, backCover);
    if (sheet == kFrontCoverSheet)
        return QStringLiteral("表");
    if (sheet == kBackCoverSheet)
        return QStringLiteral("裏");
    return QString::number(col + (frontCover ? 0 : 1));
}

QString PageLabelText(int sheet, int sheetCount, bool frontCover, bool backCover) {
    if (sheet == kFrontCoverSheet && frontCover)
        return QStringLiteral("表表紙");
    if (sheet == kBackCoverSheet && backCover)
        return QStringLiteral("裏表紙");
    return QStringLiteral("%1/%2").arg(sheet - 1).arg(sheetCount - 2);
}


const std::vector<int>& LayoutZoomSteps() {
    static const std::vector<int> steps{25, 50, 75, 100, 150, 200, 400};
    return steps;
}

int NextZoomStep(int scale, bool magnify) {
    const std::vector<int>& steps = LayoutZoomSteps();
    if (magnify) {
        const auto next = std::upper_bound(steps.begin(), steps.end(), scale);
        return next == steps.end() ? scale : *next;
    }
    const auto next = std::lower_bound(steps.begin(), steps.end(), scale);
    return next == steps.begin() ? scale : *(next - 1);
}

int ClampAutoScale(int fitScale) {
    return std::max(fitScale, kLeastAutoScale);
}

void RelayoutSite(TExScrollBox* box, TDrawSite* site, bool autoScale) {
    if (autoScale) {
        box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        const QSize view = box->viewport()->size();
        const int edge = box->Edge();
        const TRect r(0, 0, view.width() - 2 * edge, view.height() - 2 * edge);
        if (site->LogWidth() > 0 && site->LogHeight() > 0)
            site->Scaler().SetScale(ClampAutoScale(site->CalcFitScale(site->Canvas(), r, true, true)));
    } else {
        box->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        box->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    }
    box->PlaceBaseControl();
}

QString FormatTenthsMm(int tenths) {
    const QString sign = tenths < 0 ? QStringLiteral("-") : QString();
    const int64_t magnitude = tenths < 0 ? -int64_t(tenths) : int64_t(tenths);
    return QStringLiteral("%1%2.%3mm").arg(sign).arg(magnitude / kTenthsPerMm).arg(magnitude % kTenthsPerMm);
}

QString MouseStatusText(const TPoint& logical) {
    return QStringLiteral("マウス(%1,%2)").arg(FormatTenthsMm(logical.X), FormatTenthsMm(logical.Y));
}

QString PositionStatusText(const TRect& bounds) {
    return QStringLiteral("位置(%1,%2),サイズ(%3,%4)")
        .arg(FormatTenthsMm(bounds.Left), FormatTenthsMm(bounds.Top), FormatTenthsMm(bounds.Width()),
             FormatTenthsMm(bounds.Height()));
}

TRect TurnedExtent(const TRect& r, int angle) {
    // Where a turned object shows: the box around the rectangle turned about its centre.
    const double radians = qDegreesToRadians(double(angle % 360));
    const double c = std::abs(std::cos(radians));
    const double sn = std::abs(std::sin(radians));
    const int w = int(std::lround(r.Width() * c + r.Height() * sn));
    const int h = int(std::lround(r.Width() * sn + r.Height() * c));
    const int64_t cx = (int64_t(r.Left) + r.Right) / 2;
    const int64_t cy = (int64_t(r.Top) + r.Bottom) / 2;
    const int left = ClampToInt32(cx - w / 2);
    const int top = ClampToInt32(cy - h / 2);
    return TRect(left, top, ClampToInt32(int64_t(left) + w), ClampToInt32(int64_t(top) + h));
}

QString ScaleStatusText(int scale) {
    return QStringLiteral("%1%").arg(scale);
}

QString ModifierMarkText(TShiftState modifiers) {
    QStringList keys;
    if (modifiers & ssCtrl)
        keys << QStringLiteral("Ctrl");
    if (modifiers & ssAlt)
        keys << QStringLiteral("Alt");
    if (modifiers & ssShift)
        keys << QStringLiteral("Shift");
    return keys.join(QLatin1Char('+'));
}

QString MarkedCaption(const QString& caption, const QString& mark) {
    return mark.isEmpty() ? caption : caption + QLatin1Char('\t') + mark;
}

QString RemoveMenuMarks(const QString& caption) {
    QString text = caption.section(QLatin1Char('\t'), 0, 0);
    static const QRegularExpression marks(QStringLiteral("\\(&.\\)|\\.\\.\\.$"));
    text.remove(marks);
    return text.remove(QLatin1Char('&'));
}

std::vector<TPoint> AlignOffsets(const std::vector<TRect>& bounds, TOrderMode mode) {
    std::vector<TPoint> offsets(bounds.size(), TPoint(0, 0));
    if (bounds.size() < 2)
        return offsets;
    TRect u = bounds.front();
    for (const TRect& r : bounds)
        u = TRect(std::min(u.Left, r.Left), std::min(u.Top, r.Top), std::max(u.Right, r.Right),
                  std::max(u.Bottom, r.Bottom));
    // Centres in 64 bits: no overflow at the ends of the int range; halves truncated toward zero.
    const auto centre = [](int a, int b) { return int((int64_t(a) + b) / 2); };
    const bool horizontal = mode == omHorzSpacing;
    for (size_t i = 0; i < bounds.size(); ++i) {
        const TRect& r = bounds[i];
        switch (mode) {
        case omLeft:
            offsets[i].X = u.Left - r.Left;
            break;
        case omRight:
            offsets[i].X = u.Right - r.Right;
            break;
        case omTop:
            offsets[i].Y = u.Top - r.Top;
            break;
        case omBottom:
            offsets[i].Y = u.Bottom - r.Bottom;
            break;
        case omHorzCentre:
            offsets[i].X = centre(u.Left, u.Right) - centre(r.Left, r.Right);
            break;
        case omVertCentre:
            offsets[i].Y = centre(u.Top, u.Bottom) - centre(r.Top, r.Bottom);
            break;
        default:
            break;
        }
    }
    if (mode != omHorzSpacing && mode != omVertSpacing)
        return offsets;
    // Sorted by the centre as a number: negative centres come first, not last.
    std::vector<std::pair<int, size_t>> listed;
    for (size_t i = 0; i < bounds.size(); ++i) {
        const TRect& r = bounds[i];
        const int key = horizontal ? centre(r.Left, r.Right) : centre(r.Top, r.Bottom);
        if (std::none_of(listed.begin(), listed.end(), [key](const auto& item) { return item.first == key; }))
            listed.emplace_back(key, i);
    }
    // With fewer than two there are no gaps to share (and nothing to divide by).
    if (listed.size() < 2)
        return offsets;
    std::stable_sort(listed.begin(), listed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    const auto extent = [horizontal](const TRect& r) { return horizontal ? r.Width() : r.Height(); };
    int64_t sum = 0;
    for (const auto& item : listed)
        sum += extent(bounds[item.second]);
    const int space =
        int(std::clamp<int64_t>((horizontal ? u.Width() : u.Height()) - sum, INT32_MIN, INT32_MAX));
    const int n = int(listed.size());
    int64_t p = horizontal ? u.Left : u.Top;
    for (int i = 0; i < n; ++i) {
        const TRect& r = bounds[listed[size_t(i)].second];
        const int64_t target = p + MulDiv(i, space, n - 1);
        const int64_t move = target - (horizontal ? r.Left : r.Top);
        (horizontal ? offsets[listed[size_t(i)].second].X : offsets[listed[size_t(i)].second].Y) =
            int(std::clamp<int64_t>(move, INT32_MIN, INT32_MAX));
        p += extent(r);
    }
    return offsets;
}

QString FixedPhotoDeleteQuestion() {
    return QStringLiteral("写真枠は固定されています。削除しても良いですか？");
}

bool PageAddEnabled(int currentSheet) {
    return currentSheet >= kFirstInnerSheet;
}

bool PageDeleteEnabled(int sheetCount, int currentSheet, bool frontCover, bool backCover) {
    // Two cover slots and at least two pages: one page stays.
    return (sheetCount > kFirstInnerSheet + 1 && currentSheet >= kFirstInnerSheet) ||
           (frontCover && currentSheet == kFrontCoverSheet) || (backCover && currentSheet == kBackCoverSheet);
}

// ---- positioning against the page, and guides

TPoint AdjustPosOffset(const QRegion& face, const TRect& bounds, TAdjustPosMode mode, int logWidth,
                       int logHeight) {
    TRect moved = bounds;
    switch (mode) {
    case apLeft:
        AlignRectLeftInRgn(face, bounds, moved);
        break;
    case apRight:
        AlignRectRightInRgn(face, bounds, moved);
        break;
    case apTop:
        AlignRectTopInRgn(face, bounds, moved);
        break;
    case apBottom:
        AlignRectBottomInRgn(face, bounds, moved);
        break;
    case apVertCentre:
        return TPoint(0, ClampToInt32((int64_t(logHeight) - bounds.Height()) / 2 - bounds.Top));
    case apHorzCentre:
        return TPoint(ClampToInt32((int64_t(logWidth) - bounds.Width()) / 2 - bounds.Left), 0);
    default:
        return TPoint(0, 0);
    }
    return TPoint(moved.Left - bounds.Left, moved.Top - bounds.Top);
}

int PageCentreAngle(const TPoint& centre, const TPoint& pageCentre, TAdjustPosMode mode) {
    const double dx = double(centre.X) - pageCentre.X;
    const double dy = double(centre.Y) - pageCentre.Y;
    // y grows downwards, so the angle turns clockwise on the page.
    const int angle = int(std::lround(std::atan2(dy, dx) * 180.0 / std::numbers::pi));
    return mode == apPerpendicular ? angle + 90 : angle;
}

int RoundGuideCoord(int v, bool fine) {
    if (fine)
        return v;
    return ClampToInt32((int64_t(v) + kTenthsPerMm / 2) / kTenthsPerMm * kTenthsPerMm);
}

QString GuideHintText(const TPoint& p, int logWidth, int logHeight) {
    const bool vertical = p.X != 0;
    const int v = vertical ? p.X : p.Y;
    const int length = vertical ? logWidth : logHeight;
    if (v < 0 || v > length)
        return QStringLiteral("ガイド削除");
    return (vertical ? QStringLiteral("左から%1 右から%2") : QStringLiteral("上から%1 下から%2"))
        .arg(FormatTenthsMm(v), FormatTenthsMm(length - v));
}

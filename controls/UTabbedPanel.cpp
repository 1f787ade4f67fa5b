#include "controls/UTabbedPanel.h"

#include "core/UMacroString.h"

#include <QMouseEvent>
#include <QPainter>

namespace {
constexpr int kTabTop = 2;      // tabs start this far down; the selected one rises to the top
constexpr int kTabOverhang = 4; // tab faces run below the control so only their upper edges show
} // namespace

std::vector<TRect> TabLayout(int width, int height, int count, int startMargin, int endMargin) {
    std::vector<TRect> rects;
    const int n = std::max(1, count);
    const int w = (width - (startMargin + endMargin)) / n;
    int x = startMargin;
    for (int k = 0; k < n; ++k) {
        rects.push_back(TRect(x, kTabTop, x + w, kTabTop + height));
        x += w;
    }
    return rects;
}

std::vector<int> TabSlots(int count, const std::vector<bool>& visible) {
    std::vector<int> places;
    int next = 0;
    for (int i = 0; i < count; ++i) {
        const bool shown = size_t(i) >= visible.size() || visible[size_t(i)];
        places.push_back(shown ? next++ : -1);
    }
    return places;
}

QRegion TabRegion(const std::vector<TRect>& places, const std::vector<int>& tabSlots, int selected, int width,
                  int height) {
    QRegion region;
    for (size_t i = 0; i < tabSlots.size(); ++i) {
        if (tabSlots[i] < 0 || size_t(tabSlots[i]) >= places.size())
            continue;
        const TRect r = places[size_t(tabSlots[i])];
        const int d = int(i) == selected ? -kTabTop : 0;
        region += TRect(r.Left, r.Top + d, r.Right, r.Bottom + kTabOverhang).ToQRect();
    }
    region += QRect(0, height - 1, width, 1);
    return region;
}

TTabbedPanel::TTabbedPanel(QWidget* parent) : TPaintPanel(parent) {
    Relayout();
}

void TTabbedPanel::Relayout() {
    if (tabs_.isEmpty())
        rects_.clear();
    else
        rects_ = TabLayout(width(), height(), int(tabs_.size()), startMargin_, endMargin_);
    setMask(TabRegion(rects_, TabSlots(int(tabs_.size()), visible_), tabIndex_, width(), height()));
    update();
}

void TTabbedPanel::SetStartMargin(int value) {
    if (startMargin_ == value)
        return;
    startMargin_ = value;
    Relayout();
}

void TTabbedPanel::SetEndMargin(int value) {
    if (endMargin_ == value)
        return;
    endMargin_ = value;
    Relayout();
}

void TTabbedPanel::SetTabIndex(int value) {
    if (tabIndex_ == value)
        return;
    tabIndex_ = value;
    Relayout();
}

void TTabbedPanel::SetTabs(const QStringList& value) {
    tabs_ = value;
    Relayout();
}

bool TTabbedPanel::TabVisible(int index) const {
    return index < 0 || size_t(index) >= visible_.size() || visible_[size_t(index)];
}

void TTabbedPanel::SetTabVisible(int index, bool value) {
    if (index < 0 || index >= tabs_.size())
        return;
    if (visible_.size() <= size_t(index))
        visible_.resize(size_t(index) + 1, true);
    visible_[size_t(index)] = value;
    Relayout();
}

void TTabbedPanel::SetSelectedColor(TColor value) {
    if (selectedColor_ == value)
        return;
    selectedColor_ = value;
    update();
}

void TTabbedPanel::SetUnSelectedColor(TColor value) {
    if (unSelectedColor_ == value)
        return;
    unSelectedColor_ = value;
    update();
}

TRect TTabbedPanel::TabRect(int index) const {
    const std::vector<int> places = TabSlots(int(tabs_.size()), visible_);
    if (index < 0 || size_t(index) >= places.size() || places[size_t(index)] < 0 ||
        size_t(places[size_t(index)]) >= rects_.size())
        return TRect();
    return rects_[size_t(places[size_t(index)])];
}

int TTabbedPanel::TabAt(const QPoint& p) const {
    for (int i = 0; i < tabs_.size(); ++i) {
        const TRect r = TabRect(i);
        if (!r.IsEmpty() && r.Contains(TPoint(p.x(), p.y())))
            return i;
    }
    return -1;
}

void TTabbedPanel::resizeEvent(QResizeEvent* event) {
    TPaintPanel::resizeEvent(event);
    Relayout();
}

void TTabbedPanel::mousePressEvent(QMouseEvent* event) {
    TPaintPanel::mousePressEvent(event);
    if (event->button() != Qt::LeftButton || !isEnabled())
        return;
    const int tab = TabAt(event->position().toPoint());
    if (tab < 0 || tab == tabIndex_)
        return;
    tabIndex_ = tab;
    Relayout();
    if (OnChange)
        OnChange(this);
}

void TTabbedPanel::DrawTab(QPainter& painter, int index, TColor color, bool selected) {
    TRect r = TabRect(index);
    if (selected)
        r.Top -= kTabTop;
    painter.setPen(QPen(Qt::black, 0));
    painter.setBrush(ToQColor(color));
    painter.drawRect(QRect(r.Left, r.Top, r.Width() - 1, r.Height() + kTabOverhang - 1));
    std::unique_ptr<TStringList> lines = SplitTokens(tabs_[index], QStringLiteral("|"));
    if (lines->Count() == 0)
        return;
    const QFontMetrics metrics(font());
    int widest = 0;
    for (int k = 0; k < lines->Count(); ++k)
        widest = std::max(widest, metrics.horizontalAdvance((*lines)[k]));
    const int x = r.Left + (r.Width() - widest) / 2;
    const int total = metrics.height() * lines->Count();
    int y = r.Top + (r.Height() - total) / 2;
    painter.save();
    painter.setClipRect(r.ToQRect());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.setFont(font());
    for (int k = 0; k < lines->Count(); ++k) {
        if (k > 0)
            y += metrics.height();
        const QString& line = (*lines)[k];
        painter.drawText(x + (widest - metrics.horizontalAdvance(line)) / 2, y + metrics.ascent(), line);
    }
    painter.restore();
}

void TTabbedPanel::Paint(TCanvas& canvas) {
    if (!tabs_.isEmpty() && rects_.size() != size_t(tabs_.size()))
        Relayout();
    QPainter& painter = *canvas.Painter();
    painter.fillRect(rect(), Brush().ToQBrush());
    for (int i = 0; i < tabs_.size(); ++i)
        if (i != tabIndex_ && TabVisible(i))
            DrawTab(painter, i, unSelectedColor_, false);
    painter.fillRect(QRect(0, height() - 1, width(), 1), Qt::black);
    if (tabIndex_ >= 0 && tabIndex_ < tabs_.size() && TabVisible(tabIndex_))
        DrawTab(painter, tabIndex_, selectedColor_, true);
}

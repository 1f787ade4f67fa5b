#pragma once
// A strip of equal tabs drawn by the control itself, shaped to its tabs so that the background shows
// between them; a "|" in a tab's text starts a new line. Tabs may be hidden: the visible ones take
// the places in order and leave free places at the end.

#include "controls/PaintPanel.h"

#include <QStringList>
#include <vector>

// n places (n at least 1) of (W - start - end) div n pixels from start, each (x, 2, x + w, 2 + H).
std::vector<TRect> TabLayout(int width, int height, int count, int startMargin, int endMargin);
// The slot each tab takes (-1 for a hidden one): visible tabs fill the places in order.
std::vector<int> TabSlots(int count, const std::vector<bool>& visible);
// The window's shape: each visible tab (the selected one 2 pixels higher) down to 4 pixels below its
// slot, and the bottom line.
QRegion TabRegion(const std::vector<TRect>& places, const std::vector<int>& tabSlots, int selected, int width,
                  int height);

class TTabbedPanel : public TPaintPanel {
    Q_OBJECT

public:
    explicit TTabbedPanel(QWidget* parent = nullptr);

    int StartMargin() const { return startMargin_; }
    void SetStartMargin(int value);
    int EndMargin() const { return endMargin_; }
    void SetEndMargin(int value);
    int TabIndex() const { return tabIndex_; }
    // No OnChange.
    void SetTabIndex(int value);
    const QStringList& Tabs() const { return tabs_; }
    void SetTabs(const QStringList& value);
    bool TabVisible(int index) const;
    void SetTabVisible(int index, bool value);
    TColor SelectedColor() const { return selectedColor_; }
    void SetSelectedColor(TColor value);
    TColor UnSelectedColor() const { return unSelectedColor_; }
    void SetUnSelectedColor(TColor value);
    // The slot rectangle of a tab; empty for a hidden tab or none.
    TRect TabRect(int index) const;
    // The visible tab at the point; -1 for none.
    int TabAt(const QPoint& p) const;

    TNotifyEvent OnChange;

protected:
    void Paint(TCanvas& canvas) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void Relayout();
    void DrawTab(QPainter& painter, int index, TColor color, bool selected);

    std::vector<TRect> rects_;
    int startMargin_ = 0;
    int endMargin_ = 0;
    int tabIndex_ = -1;
    std::vector<bool> visible_;
    QStringList tabs_;
    TColor selectedColor_ = clWhite;
    TColor unSelectedColor_ = clWhite;
};

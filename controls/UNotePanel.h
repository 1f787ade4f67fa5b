#pragma once
// A placeholder that shows one of several pages at a time, each laid exactly over the panel (the
// pages are children of the panel's parent).

#include "controls/PaintPanel.h"

#include <QPointer>
#include <vector>

class TNotePanel : public TPaintPanel {
    Q_OBJECT

public:
    explicit TNotePanel(QWidget* parent = nullptr);

    // The first page is shown; later ones are hidden.
    void AddPage(QWidget* page);
    // A page taller than the panel can be: it keeps its controls' sizes and scrolls instead of
    // squeezing them over each other. Returns the scroll area that stands for the page.
    QWidget* AddScrollingPage(QWidget* page);
    int PageCount() const { return int(pages_.size()); }
    QWidget* Page(int index) const;
    int PageIndex() const { return pageIndex_; }
    void SetPageIndex(int value);
    void ShowPage(int index);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    std::vector<QPointer<QWidget>> pages_;
    int pageIndex_ = 0;
};

#include "controls/UNotePanel.h"

#include <QScrollArea>

TNotePanel::TNotePanel(QWidget* parent) : TPaintPanel(parent) {}

void TNotePanel::AddPage(QWidget* page) {
    pages_.emplace_back(page);
    if (pages_.size() == 1)
        ShowPage(pageIndex_);
    else if (page)
        page->hide();
}

QWidget* TNotePanel::AddScrollingPage(QWidget* page) {
    auto* area = new QScrollArea(page->parentWidget());
    area->setObjectName(page->objectName() + QStringLiteral("Scroll"));
    area->setFrameShape(QFrame::NoFrame);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->setWidgetResizable(true);
    // The page's own background shows through, as on an unscrolled page.
    area->viewport()->setAutoFillBackground(false);
    area->setWidget(page);
    AddPage(area);
    return area;
}

QWidget* TNotePanel::Page(int index) const {
    return index >= 0 && size_t(index) < pages_.size() ? pages_[size_t(index)].data() : nullptr;
}

void TNotePanel::ShowPage(int index) {
    if (QWidget* current = Page(pageIndex_); current && pageIndex_ != index)
        current->hide();
    if (QWidget* page = Page(index)) {
        if (page->parentWidget() != parentWidget())
            page->setParent(parentWidget());
        page->setGeometry(geometry());
        page->show();
        page->raise();
    }
    pageIndex_ = index;
}

void TNotePanel::SetPageIndex(int value) {
    if (pageIndex_ != value)
        ShowPage(value);
}

void TNotePanel::resizeEvent(QResizeEvent* event) {
    if (pageIndex_ < PageCount())
        ShowPage(pageIndex_);
    TPaintPanel::resizeEvent(event);
}

void TNotePanel::moveEvent(QMoveEvent* event) {
    if (pageIndex_ < PageCount())
        ShowPage(pageIndex_);
    TPaintPanel::moveEvent(event);
}

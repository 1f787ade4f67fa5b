#include "controls/UNotePanel.h"

TNotePanel::TNotePanel(QWidget* parent) : TPaintPanel(parent) {}

void TNotePanel::AddPage(QWidget* page) {
    pages_.emplace_back(page);
    if (pages_.size() == 1)
        ShowPage(pageIndex_);
    else if (page)
        page->hide();
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

#include "app/FPages.h"
#include "app/ULayoutRules.h"

#include "imaging/UImagePack.h"
#include "papers/ULabelData.h"
#include "papers/UPaperInfo.h"
#include "platform/Component.h"

#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>

namespace {

constexpr int kIconCols = 3;
constexpr int kIconRows = 2;
constexpr int kIconPage = 0;
constexpr int kIconSelected = 1;
// The second row: pages on the front side of the paper.
constexpr int kIconFrontRow = 3;

} // namespace

// ---- grid

TPageStripGrid::TPageStripGrid(TframePages* frame) : QWidget(frame), frame_(frame) {
    setObjectName(QStringLiteral("dgPages"));
    setFixedHeight(kRowHeight);
}

void TPageStripGrid::SetColCount(int value) {
    colCount_ = std::max(value, 0);
    col_ = std::clamp(col_, 0, std::max(colCount_ - 1, 0));
    SetLeftCol(leftCol_);
    update();
}

void TPageStripGrid::SetCol(int value) {
    if (value < 0 || value >= colCount_)
        return;
    col_ = value;
    // The chosen page is always in view.
    if (col_ < leftCol_)
        SetLeftCol(col_);
    else if (col_ >= leftCol_ + VisibleColCount())
        SetLeftCol(col_ - VisibleColCount() + 1);
    update();
}

void TPageStripGrid::SetLeftCol(int value) {
    leftCol_ = std::clamp(value, 0, std::max(colCount_ - VisibleColCount(), 0));
    update();
}

int TPageStripGrid::VisibleColCount() const {
    return std::max(width() / kColWidth, 1);
}

int TPageStripGrid::ColAt(const QPoint& p) const {
    if (p.x() < 0 || p.y() < 0 || p.y() >= height())
        return -1;
    const int col = leftCol_ + p.x() / kColWidth;
    return col < colCount_ ? col : -1;
}

QRect TPageStripGrid::CellRect(int col) const {
    return QRect((col - leftCol_) * kColWidth, 0, kColWidth, kRowHeight);
}

QSize TPageStripGrid::sizeHint() const {
    return QSize(kColWidth * std::max(colCount_, 1), kRowHeight);
}

QSize TPageStripGrid::minimumSizeHint() const {
    return QSize(kColWidth, kRowHeight);
}

void TPageStripGrid::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    for (int col = leftCol_; col < colCount_ && col < leftCol_ + VisibleColCount() + 1; ++col)
        frame_->DrawCell(painter, col, CellRect(col), col == col_);
}

void TPageStripGrid::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const int col = ColAt(event->position().toPoint());
    if (col >= 0)
        frame_->CellClicked(col);
}

void TPageStripGrid::wheelEvent(QWheelEvent* event) {
    SetLeftCol(leftCol_ + (event->angleDelta().y() > 0 ? -1 : 1));
    frame_->ScrollBar1->setValue(leftCol_);
}

void TPageStripGrid::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    SetLeftCol(leftCol_);
}

// ---- frame

TframePages::TframePages(QWidget* parent)
    : QWidget(parent), components_(std::make_unique<TComponent>(nullptr)) {
    setObjectName(QStringLiteral("framePages1"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    dgPages = new TPageStripGrid(this);
    column->addWidget(dgPages);
    ScrollBar1 = new QScrollBar(Qt::Horizontal, this);
    ScrollBar1->setObjectName(QStringLiteral("ScrollBar1"));
    ScrollBar1->hide();
    column->addWidget(ScrollBar1);
    connect(ScrollBar1, &QScrollBar::valueChanged, this, [this](int value) { dgPages->SetLeftCol(value); });
    // The resource "PAGEICON".
    mipPageIcon = CreateResourcePack(components_.get(), QStringLiteral("PageIcon"), kIconCols, kIconRows);
    mipPageIcon->SetName(QStringLiteral("mipPageIcon"));
}

TframePages::~TframePages() = default;

void TframePages::Attach(TLabelData* document) {
    document_ = document;
    dgPages->SetColCount(0);
    Refresh();
}

int TframePages::ColToSheet(int col) const {
    return document_ ? PageStripColToSheet(col, document_->GetSheetCount(), document_->FrontCover,
                                           document_->BackCover)
                     : -1;
}

int TframePages::SheetToCol(int sheet) const {
    return document_ ? PageStripSheetToCol(sheet, document_->GetSheetCount(), document_->FrontCover,
                                           document_->BackCover)
                     : -1;
}

void TframePages::Refresh() {
    if (!document_) {
        dgPages->SetColCount(0);
        ScrollBar1->hide();
        return;
    }
    const int cells =
        PageStripCellCount(document_->GetSheetCount(), document_->FrontCover, document_->BackCover);
    const int current = SheetToCol(document_->CurrentSheetNo());
    if (cells == dgPages->ColCount()) {
        if (current != dgPages->Col())
            dgPages->SetCol(current);
        dgPages->update();
        return;
    }
    updating_ = true;
    dgPages->SetCol(0);
    dgPages->SetColCount(cells);
    dgPages->SetCol(current);
    dgPages->update();
    UpdateScrollBar();
    updating_ = false;
}

void TframePages::UpdateScrollBar() {
    const int hidden = dgPages->ColCount() - dgPages->VisibleColCount();
    ScrollBar1->setVisible(hidden > 0);
    ScrollBar1->setRange(0, std::max(hidden, 0));
    ScrollBar1->setValue(dgPages->LeftCol());
}

void TframePages::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    UpdateScrollBar();
}

void TframePages::CellClicked(int col) {
    if (updating_ || !document_)
        return;
    const int sheet = ColToSheet(col);
    if (OnCanSelectPage && !OnCanSelectPage(sheet))
        return;
    dgPages->SetCol(col);
    ScrollBar1->setValue(dgPages->LeftCol());
    if (OnPageSelect)
        OnPageSelect(sheet);
}

void TframePages::DrawCell(QPainter& painter, int col, const QRect& r, bool selected) {
    if (!document_)
        return;
    const int sheet = ColToSheet(col);
    const bool back = IsBackSidePage(document_->FaceSides, document_->GetLayoutPaper()->Landscape, sheet);
    const int icon = (selected ? kIconSelected : kIconPage) + (back ? 0 : kIconFrontRow);
    const QImage image = KeyedPackCellImage(mipPageIcon, icon);
    if (!image.isNull()) {
        painter.drawImage(QRect(r.left() + (r.width() - image.width()) / 2,
                                r.top() + (r.height() - image.height()) / 2, image.width(), image.height()),
                          image);
    }
    painter.setPen(selected ? Qt::white : Qt::black);
    painter.drawText(
        r, Qt::AlignCenter,
        PageStripCaption(col, document_->GetSheetCount(), document_->FrontCover, document_->BackCover));
}

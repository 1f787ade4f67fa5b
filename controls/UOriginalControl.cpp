#include "controls/UOriginalControl.h"

#include <QPainter>
#include <QResizeEvent>

void TNoDefaultBrush::Changed() {
    if (OnChange)
        OnChange(nullptr);
}

void TNoDefaultBrush::SetColor(TColor value) {
    if (color_ == value)
        return;
    color_ = value;
    Changed();
}

void TNoDefaultBrush::SetStyle(TBrushStyle value) {
    if (style_ == value)
        return;
    style_ = value;
    Changed();
}

void TNoDefaultBrush::SetBitmap(const QImage& value) {
    bitmap_ = value;
    Changed();
}

void TNoDefaultBrush::Assign(const TNoDefaultBrush& source) {
    color_ = source.color_;
    style_ = source.style_;
    bitmap_ = source.bitmap_;
    Changed();
}

QBrush TNoDefaultBrush::ToQBrush() const {
    if (!bitmap_.isNull())
        return QBrush(bitmap_);
    switch (style_) {
    case bsClear:
        return QBrush(Qt::NoBrush);
    case bsHorizontal:
        return QBrush(ToQColor(color_), Qt::HorPattern);
    case bsVertical:
        return QBrush(ToQColor(color_), Qt::VerPattern);
    case bsFDiagonal:
        return QBrush(ToQColor(color_), Qt::FDiagPattern);
    case bsBDiagonal:
        return QBrush(ToQColor(color_), Qt::BDiagPattern);
    case bsCross:
        return QBrush(ToQColor(color_), Qt::CrossPattern);
    case bsDiagCross:
        return QBrush(ToQColor(color_), Qt::DiagCrossPattern);
    case bsSolid:
        break;
    }
    return QBrush(ToQColor(color_));
}

void FillRectWithBrush(TCanvas& canvas, const TRect& r, const QBrush& brush) {
    if (brush.style() == Qt::NoBrush)
        return;
    QPainter* painter = canvas.Painter();
    if (!painter)
        return;
    painter->save();
    painter->setTransform(canvas.MappingTransform());
    painter->fillRect(r.ToQRect(), brush);
    painter->restore();
}

TOriginalControl::TOriginalControl(QWidget* parent) : QWidget(parent) {
    brush_.OnChange = [this](TObject*) { BrushChanged(); };
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(75, 25);
}

void TOriginalControl::Paint(TCanvas& canvas) {
    FillWithBrush(canvas, TRect::FromQRect(rect()));
}

void TOriginalControl::FillWithBrush(TCanvas& canvas, const TRect& r) {
    FillRectWithBrush(canvas, r, brush_.ToQBrush());
}

void TOriginalControl::paintEvent(QPaintEvent*) {
    TCanvas canvas(this);
    Paint(canvas);
}

void TOriginalControl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (fullRepaint_)
        update();
    if (OnResize)
        OnResize(this);
}

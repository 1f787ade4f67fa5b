#include "controls/UImageEx.h"

#include "core/UGeometryUtil.h"

TImageEx::TImageEx(QWidget* parent) : TBitmapControl(parent) {}

void TImageEx::SetImageIndex(int value) {
    if (imageIndex_ == value)
        return;
    imageIndex_ = value;
    ImagePackChanged();
}

void TImageEx::SetAutoSize(bool value) {
    if (autoSize_ == value)
        return;
    autoSize_ = value;
    ApplyAutoSize();
}

void TImageEx::SetKeepRatio(bool value) {
    if (keepRatio_ == value)
        return;
    keepRatio_ = value;
    update();
}

void TImageEx::ImagePackChanged() {
    update();
    ApplyAutoSize();
}

void TImageEx::ApplyAutoSize() {
    if (!autoSize_ || Link().IsEmpty(imageIndex_))
        return;
    const TSize size = Link().CellSize(imageIndex_);
    resize(size.cx, size.cy);
}

void TImageEx::Paint(TCanvas& canvas) {
    const TRect r = TRect::FromQRect(rect());
    if (!Link().IsEmpty(imageIndex_)) {
        TRect d = r;
        const TSize cell = Link().CellSize(imageIndex_);
        if (keepRatio_)
            d = FitRectInner(TRect(0, 0, cell.cx, cell.cy), r);
        if (!d.IsEmpty() && canvas.RectVisible(d)) {
            Link().StretchDraw(canvas, d, imageIndex_);
            canvas.ExcludeClipRect(d);
        }
    }
    if (canvas.RectVisible(r))
        FillWithBrush(canvas, r);
}

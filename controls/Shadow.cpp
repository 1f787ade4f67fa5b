#include "controls/Shadow.h"

TShadow::TShadow(QWidget* parent) : QWidget(parent) {}

void TShadow::SetShadowWidth(int value) {
    shadowWidth_ = value;
    update();
}

void TShadow::SetBorder(bool value) {
    border_ = value;
    update();
}

void TShadow::SetColor(TColor value) {
    color_ = value;
    update();
}

void TShadow::SetParentControl(QWidget* control) {
    parentControl_ = control;
    if (control && control->parentWidget() && control->parentWidget() != parentWidget()) {
        QWidget* old = parentWidget();
        setParent(control->parentWidget());
        setGeometry(control->x(), control->y(), control->width() + shadowWidth_,
                    control->height() + shadowWidth_);
        stackUnder(control);
        show();
        if (old)
            old->update();
    }
    update();
}

void TShadow::paintEvent(QPaintEvent*) {
    TCanvas canvas(this);
    canvas.Brush().Color = color_;
    canvas.Pen().Style = psSolid;
    canvas.Pen().Color = color_;
    if (parentControl_) {
        TRect r = TRect::FromQRect(parentControl_->geometry());
        OffsetRect(r, -x(), -y());
        TRect shadow = r;
        const int d = shadowWidth_ + (border_ ? 1 : 0);
        OffsetRect(shadow, d, d);
        canvas.Rectangle(shadow);
        if (border_) {
            InflateRect(r, 1, 1);
            canvas.Rectangle(r);
        }
    }
    if (OnPaint)
        OnPaint(this);
}

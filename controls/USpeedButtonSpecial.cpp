#include "controls/USpeedButtonSpecial.h"

#include <QPainter>

void DrawEtchedFrame(QPainter& painter, const QWidget& button) {
    const int w = button.width();
    const int h = button.height();
    painter.save();
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(button.palette().color(QPalette::Light), 0));
    painter.drawRect(QRect(1, 1, w - 2, h - 2));
    painter.setPen(QPen(button.palette().color(QPalette::Dark), 0));
    painter.drawRect(QRect(0, 0, w - 2, h - 2));
    painter.restore();
}

void TSpeedButtonExSp::SetDownGlyph(const QImage& value) {
    downGlyph_ = value;
    update();
}

void TSpeedButtonExSp::paintEvent(QPaintEvent* event) {
    if (!isChecked()) {
        TSpeedButtonBase::paintEvent(event);
        return;
    }
    // The pressed face is the picture, tiled from the button's origin; the label goes over it.
    QPainter painter(this);
    if (!downGlyph_.isNull())
        painter.fillRect(rect(), QBrush(downGlyph_));
    PaintFace(painter, DisplayedCaption(), true);
}

void TFramedSpeedButtonSp::SetFramed(bool value) {
    framed_ = value;
    update();
}

void TFramedSpeedButtonSp::paintEvent(QPaintEvent* event) {
    TSpeedButtonExSp::paintEvent(event);
    if (framed_ && !isChecked()) {
        QPainter painter(this);
        DrawEtchedFrame(painter, *this);
    }
}

#include "controls/UFramedSpeedButton.h"

#include "controls/USpeedButtonSpecial.h"

#include <QPainter>

void TFramedSpeedButton::paintEvent(QPaintEvent* event) {
    QToolButton::paintEvent(event);
    if (!isChecked() && !isDown()) {
        QPainter painter(this);
        DrawEtchedFrame(painter, *this);
    }
}

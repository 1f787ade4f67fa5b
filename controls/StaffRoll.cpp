#include "controls/StaffRoll.h"

#include <QEvent>
#include <QPainter>

namespace {
constexpr int kTextBottom = 32767; // the text's box reaches this far down
} // namespace

TStaffRoll::TStaffRoll(QWidget* parent) : QWidget(parent) {}

void TStaffRoll::SetAlignment(Qt::Alignment value) {
    if (alignment_ == value)
        return;
    alignment_ = value;
    update();
}

void TStaffRoll::SetStaffText(const QStringList& value) {
    staffText_ = value;
    textHeight_ = -1;
    update();
}

void TStaffRoll::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        textHeight_ = -1;
}

int TStaffRoll::Flags() const {
    return int(alignment_ & Qt::AlignHorizontal_Mask) | Qt::AlignTop;
}

int TStaffRoll::TextHeight() {
    if (textHeight_ < 0) {
        const QString text = staffText_.join(QLatin1Char('\n'));
        textHeight_ =
            text.isEmpty()
                ? 0
                : fontMetrics().boundingRect(QRect(0, 0, width(), kTextBottom), Flags(), text).height();
    }
    return textHeight_;
}

void TStaffRoll::Step() {
    ++position_;
    update();
    if (height() - position_ + TextHeight() < 0) {
        position_ = 0;
        if (OnRolled)
            OnRolled(this);
    }
}

// The parent paints the background behind the roll (the widget is not opaque), so only the text
// is drawn here.
void TStaffRoll::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));
    const int top = height() - position_;
    painter.drawText(QRect(0, top, width(), std::max(0, kTextBottom - top)), Flags(),
                     staffText_.join(QLatin1Char('\n')));
}

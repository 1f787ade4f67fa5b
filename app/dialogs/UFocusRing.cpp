#include "app/dialogs/UFocusRing.h"

#include <QPainter>
#include <QProxyStyle>
#include <QPushButton>
#include <QStyleOption>

namespace {

// The ring's distance from the button's edge, inside its bevel.
constexpr int kRingInset = 4;

class TFocusRingStyle : public QProxyStyle {
public:
    // No base given: the application's style draws, and stays the application's.
    TFocusRingStyle() : QProxyStyle(nullptr) {}

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
        QProxyStyle::drawControl(element, option, painter, widget);
        if (element != CE_PushButton || !(option->state & State_HasFocus) ||
            !(option->state & State_KeyboardFocusChange))
            return;
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing, false);
        painter->setPen(QPen(option->palette.color(QPalette::ButtonText), 1, Qt::DotLine));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(option->rect.adjusted(kRingInset, kRingInset, -kRingInset - 1, -kRingInset - 1));
        painter->restore();
    }
};

} // namespace

void ShowButtonFocus(QWidget* window) {
    // Owned by the window and made after its buttons, so it outlives them as the window goes.
    auto* style = new TFocusRingStyle;
    style->setParent(window);
    for (QPushButton* button : window->findChildren<QPushButton*>()) {
        button->setStyle(style);
        // Room for the ring beside the caption.
        button->setMinimumWidth(button->sizeHint().width() + 2 * kRingInset);
    }
}

#include "app/dialogs/UFocusRing.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QPushButton>
#include <QStyleOption>

namespace {

// The ring's distance from a push button's edge, inside its bevel.
constexpr int kRingInset = 4;
// The ring's distance from the top and bottom of a drop-down list's field.
constexpr int kFieldInset = 2;

// A one-pixel dotted frame that shows on any ground: light under dark dots.
void DrawRing(QPainter* painter, const QRect& rect) {
    if (rect.width() < 3 || rect.height() < 3)
        return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setBrush(Qt::NoBrush);
    const QRect ring = rect.adjusted(0, 0, -1, -1);
    painter->setPen(QPen(Qt::white, 1, Qt::SolidLine));
    painter->drawRect(ring);
    painter->setPen(QPen(Qt::black, 1, Qt::DotLine));
    painter->drawRect(ring);
    painter->restore();
}

class TFocusRingStyle : public QProxyStyle {
public:
    // No base given: the application's own style draws everything else.
    TFocusRingStyle() : QProxyStyle(nullptr) {}

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override {
        // The base style's frame is a faint tint; the ring replaces it.
        if (element == PE_FrameFocusRect) {
            if (option->state & State_KeyboardFocusChange)
                DrawRing(painter, option->rect);
            return;
        }
        QProxyStyle::drawPrimitive(element, option, painter, widget);
    }

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget) const override {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        // A drop-down list only tints its frame; the ring goes round the chosen line.
        if (control == CC_ComboBox && (option->state & State_HasFocus) &&
            (option->state & State_KeyboardFocusChange)) {
            const auto* combo = qstyleoption_cast<const QStyleOptionComboBox*>(option);
            if (combo && !combo->editable)
                DrawRing(painter, subControlRect(CC_ComboBox, combo, SC_ComboBoxEditField, widget)
                                      .adjusted(0, kFieldInset, 0, -kFieldInset));
        }
    }

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
        QProxyStyle::drawControl(element, option, painter, widget);
        // The base style outlines a focused button in the default button's colour, which tells
        // neither apart.
        if (element == CE_PushButton && (option->state & State_HasFocus) &&
            (option->state & State_KeyboardFocusChange))
            DrawRing(painter, option->rect.adjusted(kRingInset, kRingInset, -kRingInset, -kRingInset));
    }
};

// Turns the cues on in a window whose keys are used, and in a window opened from one that shows them.
class TFocusCueWatch : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::ShortcutOverride:
            if (auto* widget = qobject_cast<QWidget*>(watched))
                ShowCues(widget->window());
            break;
        case QEvent::Show:
            if (auto* widget = qobject_cast<QWidget*>(watched); widget && widget->isWindow()) {
                const QWidget* opener =
                    widget->parentWidget() ? widget->parentWidget()->window() : QApplication::activeWindow();
                if (opener && opener != widget && opener->testAttribute(Qt::WA_KeyboardFocusChange))
                    ShowCues(widget);
            }
            break;
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    static void ShowCues(QWidget* window) {
        if (!window || window->testAttribute(Qt::WA_KeyboardFocusChange))
            return;
        window->setAttribute(Qt::WA_KeyboardFocusChange);
        window->update();
    }
};

} // namespace

void InstallFocusCues(QApplication& app) {
    auto* style = new TFocusRingStyle;
    QApplication::setStyle(style);
    app.installEventFilter(new TFocusCueWatch(&app));
}

void ShowButtonFocus(QWidget* window) {
    // The ring also where the application's style is not this one (a window shown on its own).
    auto* style = new TFocusRingStyle;
    style->setParent(window);
    for (QPushButton* button : window->findChildren<QPushButton*>()) {
        if (!dynamic_cast<TFocusRingStyle*>(QApplication::style()))
            button->setStyle(style);
        // Room for the ring beside the caption.
        button->setMinimumWidth(button->sizeHint().width() + 2 * kRingInset);
    }
}

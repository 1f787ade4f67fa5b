#include "controls/UFormPanel.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDialog>
#include <QPainter>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

class CountingForm : public QWidget {
public:
    int closes = 0;
    bool refuse = false;

protected:
    void closeEvent(QCloseEvent* event) override {
        ++closes;
        if (refuse)
            event->ignore();
    }
};

class RedForm : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), Qt::red); }
};

void FlushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

TEST(FormPanelTest, AlignOffsetKeepsMarginWhileBaseControlCoversAll) {
    TFormPanel panel;
    auto* base = new QWidget(&panel);
    panel.show();
    panel.resize(100, 50);
    panel.SetBaseControl(base);
    auto* form = new CountingForm;
    panel.SetForm(form);
    panel.AlignOffset().SetLeft(2);
    panel.AlignOffset().SetTop(2);
    panel.AlignOffset().SetRight(2);
    panel.AlignOffset().SetBottom(2);
    EXPECT_EQ(form->geometry(), QRect(2, 2, 96, 46));
    EXPECT_EQ(base->geometry(), QRect(0, 0, 100, 50));
    EXPECT_EQ(form->parentWidget(), &panel);
    EXPECT_FALSE(form->isWindow());
    panel.resize(60, 40);
    EXPECT_EQ(form->geometry(), QRect(2, 2, 56, 36));
    TIntegerList wrong(3);
    EXPECT_THROW(panel.SetAlignOffset(wrong), EIntegerList);
    EXPECT_EQ(panel.AlignOffset().Left(), 2);
}

TEST(FormPanelTest, HostingAnotherFormClosesDisablesAndFreesThePrevious) {
    TFormPanel panel;
    panel.SetForm(nullptr); // nothing hosted: nothing happens
    QPointer<CountingForm> first = new CountingForm;
    auto* action = new QAction(first);
    action->setShortcut(QKeySequence(Qt::Key_F5));
    first->addAction(action);
    panel.SetForm(first);
    EXPECT_TRUE(first->isVisibleTo(&panel));

    auto* second = new CountingForm;
    panel.SetForm(second);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->closes, 1);
    EXPECT_FALSE(first->isVisible());
    EXPECT_FALSE(action->isEnabled());
    EXPECT_EQ(panel.Form(), second);
    FlushDeletes();
    EXPECT_TRUE(first.isNull());

    // A form that refuses to close is freed all the same, not left hidden.
    second->refuse = true;
    QPointer<CountingForm> secondGuard = second;
    panel.SetForm(nullptr);
    EXPECT_EQ(panel.Form(), nullptr);
    FlushDeletes();
    EXPECT_TRUE(secondGuard.isNull());
}

TEST(FormPanelTest, FreedFormAndFormReplacingItself) {
    TFormPanel panel;
    auto* form = new CountingForm;
    panel.SetForm(form);
    delete form;
    EXPECT_EQ(panel.Form(), nullptr);
    panel.SetForm(nullptr);

    // A form's own button asks for the next form: the asking form lives until its handler ends.
    auto* asking = new CountingForm;
    panel.SetForm(asking);
    QPointer<CountingForm> guard = asking;
    auto* next = new CountingForm;
    QMetaObject::invokeMethod(
        asking,
        [&] {
            panel.SetForm(next);
            EXPECT_TRUE(guard); // still whole inside its own handler
        },
        Qt::DirectConnection);
    FlushDeletes();
    EXPECT_TRUE(guard.isNull());
    EXPECT_EQ(panel.Form(), next);
}

TEST(FormPanelTest, FreeingThePanelClosesItsFormAndItSitsInADialogLayout) {
    QDialog dialog;
    auto* layout = new QVBoxLayout(&dialog);
    auto* panel = new TFormPanel;
    layout->addWidget(panel);
    QPointer<CountingForm> form = new CountingForm;
    panel->SetForm(form);
    dialog.resize(200, 100);
    dialog.show();
    EXPECT_EQ(form->size(), panel->size());
    delete panel;
    ASSERT_TRUE(form);
    EXPECT_EQ(form->closes, 1);
    FlushDeletes();
    EXPECT_TRUE(form.isNull());
}

TEST(FormPanelTest, AFormThatPaintsNothingHidesThePreviousFormsPixels) {
    // The panel never erases: a hosted form that paints only its controls must still cover the
    // pixels the previous form left.
    QWidget window;
    window.resize(120, 80);
    auto* panel = new TFormPanel(&window);
    panel->resize(120, 80);
    panel->SetForm(new RedForm);
    window.show();
    panel->SetForm(new QWidget);
    FlushDeletes();
    const QImage shown = window.grab().toImage();
    EXPECT_NE(shown.pixelColor(60, 40), QColor(Qt::red));
    EXPECT_EQ(shown.pixelColor(60, 40), window.palette().color(QPalette::Window));
}

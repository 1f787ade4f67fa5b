#include "controls/UBitmapButton.h"
#include "tests/controls/ControlsTestSupport.h"

#include <QAction>
#include <QCoreApplication>
#include <QDialog>
#include <QEnterEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <gtest/gtest.h>

using namespace ControlsTest;

namespace {

void Enter(QWidget& w) {
    QEnterEvent event(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(&w, &event);
}

void Leave(QWidget& w) {
    QEvent event(QEvent::Leave);
    QCoreApplication::sendEvent(&w, &event);
}

void ClickAt(QWidget& w, QPoint p = QPoint(3, 3)) {
    QMouseEvent press(QEvent::MouseButtonPress, p, w.mapToGlobal(p), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, p, w.mapToGlobal(p), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &release);
}

// The caption's pixels: those darker than the face.
QRect InkBox(const QImage& image, QRect area) {
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(image.pixel(x, y)) < 100)
                box |= QRect(x, y, 1, 1);
    return box;
}

} // namespace

TEST(BitmapButtonTest, PlainFaceBevelColoursAreExact) {
    TBitmapButton button;
    button.resize(20, 12);
    button.Brush().SetColor(RGB(100, 150, 201));
    QImage up = Grab(button);
    const int w = 20, h = 12;
    EXPECT_EQ(PixelAt(up, 0, 0), clWhite);
    EXPECT_EQ(PixelAt(up, 1, 1), RGB(177, 202, 228)); // c + (255 - c) div 2
    EXPECT_EQ(PixelAt(up, w - 1, 5), clBlack);
    EXPECT_EQ(PixelAt(up, 5, h - 1), clBlack);
    EXPECT_EQ(PixelAt(up, w - 2, 5), RGB(50, 75, 100)); // c div 2
    EXPECT_EQ(PixelAt(up, 5, h - 2), RGB(50, 75, 100));
    EXPECT_EQ(PixelAt(up, 5, 5), RGB(100, 150, 201));
    button.SetAllowAllUp(true);
    button.SetDown(true);
    QImage down = Grab(button);
    EXPECT_EQ(PixelAt(down, 0, 0), clBlack);
    EXPECT_EQ(PixelAt(down, 1, 1), RGB(50, 75, 100));
    EXPECT_EQ(PixelAt(down, w - 1, 5), clWhite);
    EXPECT_EQ(PixelAt(down, w - 2, 5), RGB(177, 202, 228));
}

TEST(BitmapButtonTest, StatesShowTheirCellsAndTheHotOutline) {
    auto pack = MakePack({clRed, clLime, clBlue, clYellow, clAqua}, 8, 8);
    QWidget parent;
    auto* button = new TBitmapButton(&parent);
    button->resize(16, 10);
    button->SetImagePack(pack.get());
    EXPECT_EQ(PixelAt(Grab(*button), 8, 5), clRed);
    button->SetAutoSize(false);
    button->SetAutoSize(true);
    EXPECT_EQ(button->size(), QSize(8, 8));

    button->SetFlat(true);
    Enter(*button);
    EXPECT_EQ(button->State(), bbsHot);
    EXPECT_EQ(PixelAt(Grab(*button), 4, 4), clAqua);
    EXPECT_FALSE(button->HotOutline());

    // Without a hot cell the hovered face gets an inverted outline; DownHot is none by default.
    button->ImageIndex().SetHot(-1);
    EXPECT_EQ(button->State(), bbsUp);
    EXPECT_TRUE(button->HotOutline());
    QImage outlined = Grab(*button);
    EXPECT_EQ(PixelAt(outlined, 0, 0), clAqua); // red inverted
    EXPECT_EQ(PixelAt(outlined, 4, 4), clRed);
    button->SetAllowAllUp(true);
    button->SetDown(true);
    EXPECT_EQ(button->State(), bbsDown);
    EXPECT_TRUE(button->HotOutline());
    EXPECT_EQ(PixelAt(Grab(*button), 4, 4), clLime);
    Leave(*button);
    EXPECT_FALSE(button->HotOutline());

    button->setEnabled(false);
    EXPECT_EQ(button->State(), bbsDisabled);
    EXPECT_EQ(PixelAt(Grab(*button), 4, 4), clBlue);

    // A pack that goes is forgotten; the plain face is painted.
    button->setEnabled(true);
    pack.reset();
    EXPECT_EQ(button->ImagePack(), nullptr);
    button->Brush().SetColor(clGray);
    EXPECT_EQ(PixelAt(Grab(*button), 4, 4), clGray);

    // An empty Up cell leaves the size alone.
    auto emptyPack = MakePack({clRed}, 30, 30);
    auto* other = new TBitmapButton(&parent);
    other->resize(10, 10);
    other->SetImagePack(emptyPack.get());
    other->ImageIndex().SetUp(7);
    other->SetAutoSize(false);
    other->SetAutoSize(true);
    EXPECT_EQ(other->size(), QSize(10, 10));
}

TEST(BitmapButtonTest, GroupsReleaseOthersOnTheSameParentOnly) {
    QWidget parent, elsewhere;
    TBitmapButton* b[3];
    for (auto*& button : b) {
        button = new TBitmapButton(&parent);
        button->SetGroupIndex(1);
    }
    auto* stranger = new TBitmapButton(&elsewhere);
    stranger->SetGroupIndex(1);
    int clicks = 0;
    b[1]->OnClick = [&](TObject*) { ++clicks; };

    ClickAt(*stranger);
    ClickAt(*b[0]);
    EXPECT_TRUE(b[0]->Down());
    ClickAt(*b[1]);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(b[1]->Down());
    EXPECT_FALSE(b[0]->Down());
    EXPECT_TRUE(stranger->Down());
    ClickAt(*b[1]); // no AllowAllUp: stays down
    EXPECT_TRUE(b[1]->Down());
    b[1]->SetDown(false);
    EXPECT_TRUE(b[1]->Down());

    b[2]->SetAllowAllUp(true); // shared with the group
    EXPECT_TRUE(b[1]->AllowAllUp());
    ClickAt(*b[1]);
    EXPECT_FALSE(b[1]->Down());
}

TEST(BitmapButtonTest, DefaultAndCancelKeysAndModalResultInADialog) {
    QDialog dialog;
    auto* layout = new QHBoxLayout(&dialog);
    auto* ok = new TBitmapButton;
    auto* cancel = new TBitmapButton;
    layout->addWidget(ok);
    layout->addWidget(cancel);
    ok->setText(QStringLiteral("はい"));
    ok->SetDefault(true);
    ok->SetModalResult(6);
    cancel->SetCancel(true);
    cancel->SetModalResult(2);
    QAction menu(QStringLiteral("menu"));
    int menuRuns = 0;
    QObject::connect(&menu, &QAction::triggered, [&] { ++menuRuns; });
    ok->SetExecMenu(&menu);
    dialog.show();

    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(&dialog, &enter);
    EXPECT_EQ(dialog.result(), 6);
    EXPECT_EQ(menuRuns, 1);
    dialog.show();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(&dialog, &escape);
    EXPECT_EQ(dialog.result(), 2);
    // With a shift key held Enter is no dialog key.
    dialog.show();
    dialog.setResult(0);
    QKeyEvent shifted(QEvent::KeyPress, Qt::Key_Return, Qt::ShiftModifier);
    QCoreApplication::sendEvent(&dialog, &shifted);
    EXPECT_EQ(dialog.result(), 0);
}

TEST(BitmapButtonTest, CaptionIsCentredAndMovesWhenPressed) {
    TBitmapButton button;
    button.resize(80, 30);
    button.Brush().SetColor(clWhite);
    button.setFont(QFont(QStringLiteral("IPAGothic"), 12));
    button.setText(QStringLiteral("日本"));
    button.SetTextOffset(true);
    const QRect area(2, 2, 76, 26);
    const QRect up = InkBox(Grab(button), area);
    ASSERT_FALSE(up.isEmpty());
    EXPECT_NEAR(up.center().x(), 40, 2);
    EXPECT_NEAR(up.center().y(), 15, 3);
    button.SetAllowAllUp(true);
    button.SetDown(true);
    const QRect down = InkBox(Grab(button), area);
    EXPECT_EQ(down.topLeft(), up.topLeft() + QPoint(1, 1));

    // Disabled: embossed in the highlight and shadow colours, drawn one pixel apart.
    button.SetDown(false);
    button.setEnabled(false);
    const QImage disabled = Grab(button);
    int black = 0, marked = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            black += qGray(disabled.pixel(x, y)) < 40;
            marked += disabled.pixel(x, y) != qRgb(255, 255, 255);
        }
    EXPECT_EQ(black, 0);
    EXPECT_GT(marked, 10);
}

TEST(BitmapButtonTest, VerticalCaptionKeepsCharactersWhole) {
    const QString text = QStringLiteral("A日") + QString::fromUcs4(U"\U0001F600") + QStringLiteral("e\u0301");
    const QStringList characters = CaptionCharacters(text);
    ASSERT_EQ(characters.size(), 4);
    EXPECT_EQ(characters[2].size(), 2);
    EXPECT_EQ(characters[3], QStringLiteral("e\u0301"));
}

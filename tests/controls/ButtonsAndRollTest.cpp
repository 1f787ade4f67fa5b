#include "controls/StaffRoll.h"
#include "controls/UComCtrlsEx.h"
#include "controls/UFramedSpeedButton.h"
#include "controls/USpeedButtonSpecial.h"
#include "tests/controls/ControlsTestSupport.h"

#include <QAction>
#include <QDialog>
#include <QHBoxLayout>
#include <gtest/gtest.h>

using namespace ControlsTest;

TEST(SpeedButtonTest, GlyphCellsBecomeIconModes) {
    QImage glyph(16, 4, QImage::Format_RGB32);
    glyph.fill(qRgb(255, 0, 255)); // the bottom-left colour is see-through
    glyph.setPixel(1, 1, qRgb(255, 0, 0));
    glyph.setPixel(5, 1, qRgb(0, 255, 0));
    glyph.setPixel(13, 1, qRgb(0, 0, 255));
    const QIcon icon = SpeedButtonIcon(glyph, 4);
    const QImage up = icon.pixmap(QSize(4, 4), QIcon::Normal, QIcon::Off).toImage();
    EXPECT_EQ(up.pixel(1, 1), qRgb(255, 0, 0));
    EXPECT_EQ(qAlpha(up.pixel(0, 0)), 0);
    EXPECT_EQ(icon.pixmap(QSize(4, 4), QIcon::Disabled, QIcon::Off).toImage().pixel(1, 1), qRgb(0, 255, 0));
    EXPECT_EQ(icon.pixmap(QSize(4, 4), QIcon::Normal, QIcon::On).toImage().pixel(1, 1), qRgb(0, 0, 255));
    EXPECT_TRUE(SpeedButtonIcon(QImage(), 2).isNull());
}

TEST(SpeedButtonTest, GroupsCaptionsDownGlyphAndFrame) {
    QDialog dialog;
    auto* layout = new QHBoxLayout(&dialog);
    auto* a = new TSpeedButtonSpecial;
    auto* b = new TSpeedButtonSpecial;
    auto* stock = new TFramedSpeedButton;
    layout->addWidget(a);
    layout->addWidget(b);
    layout->addWidget(stock);
    for (auto* button : {a, b}) {
        button->SetGroupIndex(1);
        button->setFixedSize(30, 20);
    }
    stock->setFixedSize(30, 20);
    dialog.show();

    a->click();
    EXPECT_TRUE(a->Down());
    b->click();
    EXPECT_TRUE(b->Down());
    EXPECT_FALSE(a->Down());
    b->click(); // no AllowAllUp: stays down
    EXPECT_TRUE(b->Down());
    a->SetAllowAllUp(true);
    EXPECT_TRUE(b->AllowAllUp());
    b->click();
    EXPECT_FALSE(b->Down());

    a->SetCaption(QStringLiteral("写真"));
    a->SetFixedCaption(QStringLiteral("固定"));
    EXPECT_EQ(a->text(), QStringLiteral("固定"));
    a->SetDisableCaption(true);
    EXPECT_EQ(a->text(), QString());

    QImage pattern(2, 2, QImage::Format_RGB32);
    pattern.fill(qRgb(10, 200, 30));
    a->SetDownGlyph(pattern);
    a->SetDown(true);
    EXPECT_EQ(PixelAt(Grab(*a), 2, 2), RGB(10, 200, 30));
    a->SetDown(false);
    a->SetFramed(true);
    const QImage framed = Grab(*a);
    EXPECT_EQ(framed.pixel(0, 5), dialog.palette().color(QPalette::Dark).rgb());
    EXPECT_EQ(framed.pixel(29, 5), dialog.palette().color(QPalette::Light).rgb());
    EXPECT_EQ(Grab(*stock).pixel(0, 5), dialog.palette().color(QPalette::Dark).rgb());
}

TEST(ToolButtonExTest, KeepsItsOwnCaptionWhenLinked) {
    QAction action(QStringLiteral("印刷"));
    action.setToolTip(QStringLiteral("印刷します"));
    TToolButtonEx own, plain;
    own.setText(QStringLiteral("プリント"));
    own.SetAction(&action);
    plain.SetAction(&action);
    EXPECT_EQ(own.text(), QStringLiteral("プリント"));
    EXPECT_EQ(plain.text(), QStringLiteral("印刷"));
    EXPECT_EQ(own.toolTip(), QStringLiteral("印刷します"));
    int runs = 0;
    QObject::connect(&action, &QAction::triggered, [&] { ++runs; });
    own.click();
    EXPECT_EQ(runs, 1);
    action.setEnabled(false);
    EXPECT_FALSE(own.isEnabled());
}

TEST(StaffRollTest, RollsUpAndStartsAgain) {
    TStaffRoll roll;
    roll.resize(100, 50);
    int rolled = 0;
    roll.OnRolled = [&](TObject*) { ++rolled; };
    for (int k = 0; k < 50; ++k)
        roll.Step();
    EXPECT_EQ(rolled, 0);
    roll.Step(); // an empty text has left after height + 1 steps
    EXPECT_EQ(rolled, 1);
    EXPECT_EQ(roll.Position(), 0);

    roll.setFont(QFont(QStringLiteral("IPAGothic"), 10));
    roll.SetStaffText({QStringLiteral("制作"), QStringLiteral("スタッフ")});
    const int h = roll.TextHeight();
    EXPECT_GT(h, 20);
    for (int k = 0; k < 50 + h; ++k)
        roll.Step();
    EXPECT_EQ(rolled, 1);
    roll.Step();
    EXPECT_EQ(rolled, 2);
    roll.SetStaffText({QStringLiteral("制作")});
    EXPECT_LT(roll.TextHeight(), h); // measured again

    // Centred text is centred line by line over the background.
    QWidget back;
    back.setAutoFillBackground(true);
    QPalette p = back.palette();
    p.setColor(QPalette::Window, Qt::white);
    p.setColor(QPalette::WindowText, Qt::black);
    back.setPalette(p);
    back.resize(100, 50);
    auto* centred = new TStaffRoll(&back);
    centred->resize(100, 50);
    centred->setFont(QFont(QStringLiteral("IPAGothic"), 10));
    centred->SetAlignment(Qt::AlignHCenter);
    centred->SetStaffText({QStringLiteral("中央")});
    for (int k = 0; k < 40; ++k)
        centred->Step();
    const QImage image = Grab(back);
    int minX = 100, maxX = -1;
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 100; ++x)
            if (qGray(image.pixel(x, y)) < 128) {
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
            }
    ASSERT_GE(maxX, 0);
    EXPECT_NEAR((minX + maxX) / 2.0, 49.5, 2.0);
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 255, 255));
}

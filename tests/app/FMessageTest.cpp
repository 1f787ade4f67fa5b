// The message window's buttons: kinds, captions, marks and places.

#include "app/dialogs/FMessage.h"

#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(MessageWindow, TwoButtonsAreYesAndNoInACentredRow) {
    TfrmMessage form;
    form.SetupButtons({bkOK, bkCancel}, 0, 1);
    form.show();
    EXPECT_EQ(form.BitBtn1->text(), QStringLiteral("はい"));
    EXPECT_EQ(form.BitBtn2->text(), QStringLiteral("いいえ"));
    EXPECT_FALSE(form.BitBtn3->isVisible());
    // (410 - (2 x 84 + 12)) / 2 = 115
    EXPECT_EQ(form.BitBtn1->x(), 115);
    EXPECT_EQ(form.BitBtn2->x(), 115 + 84 + 12);
    EXPECT_TRUE(form.BitBtn1->isDefault());
    EXPECT_TRUE(form.BitBtn2->Cancel());
    EXPECT_EQ(form.BitBtn2->ModalResult(), mrCancel);
    form.BitBtn2->click();
    EXPECT_EQ(form.ModalResult(), mrCancel);
}

TEST(MessageWindow, OneButtonIsCentredAlone) {
    TfrmMessage form;
    form.SetupButtons({bkOK}, 0, 0);
    form.show();
    EXPECT_FALSE(form.BitBtn2->isVisible());
    EXPECT_EQ(form.BitBtn1->x(), (410 - 84) / 2);
}

TEST(MessageWindow, ThreeButtonsKeepTheirPlacesAndKindCaptions) {
    TfrmMessage form;
    const int lefts[] = {form.BitBtn1->x(), form.BitBtn2->x(), form.BitBtn3->x()};
    form.SetupButtons({bkYes, bkNo, bkCancel}, 3, -1);
    form.show();
    EXPECT_EQ(form.BitBtn1->x(), lefts[0]);
    EXPECT_EQ(form.BitBtn2->x(), lefts[1]);
    EXPECT_EQ(form.BitBtn3->x(), lefts[2]);
    EXPECT_EQ(form.BitBtn2->x() - (form.BitBtn1->x() + 84), 12);
    EXPECT_EQ(form.BitBtn1->text(), QStringLiteral("はい(&Y)"));
    EXPECT_EQ(form.BitBtn2->text(), QStringLiteral("いいえ(&N)"));
    EXPECT_EQ(form.BitBtn3->text(), QStringLiteral("キャンセル"));
    for (TBitBtn* b : {form.BitBtn1, form.BitBtn2, form.BitBtn3}) {
        EXPECT_FALSE(b->isDefault()) << "a default of 3 marks none";
        EXPECT_FALSE(b->Cancel()) << "a cancel of -1 marks none";
    }
    // Only OK and Yes keep their glyph.
    EXPECT_FALSE(form.BitBtn1->icon().isNull());
    EXPECT_TRUE(form.BitBtn2->icon().isNull());
    form.BitBtn2->click();
    EXPECT_EQ(form.ModalResult(), mrNo);
}

// As the window system's message box: the underlined letter answers, alone or with Alt, whichever
// button has the focus; a letter no button underlines answers nothing.
TEST(MessageWindow, UnderlinedLettersAnswer) {
    for (const auto& [key, modifiers, answer] :
         {std::tuple{Qt::Key_N, Qt::NoModifier, mrNo}, std::tuple{Qt::Key_Y, Qt::NoModifier, mrYes},
          std::tuple{Qt::Key_N, Qt::ShiftModifier, mrNo}}) {
        TfrmMessage form;
        form.SetupButtons({bkYes, bkNo, bkCancel}, 0, 2);
        form.show();
        QTest::keyClick(form.BitBtn1, 'X');
        QTest::keyClick(form.BitBtn1, Qt::Key_C, Qt::ControlModifier);
        EXPECT_EQ(form.ModalResult(), mrNone);
        QTest::keyClick(form.BitBtn1, key, modifiers);
        EXPECT_EQ(form.ModalResult(), answer) << QKeySequence(key | modifiers).toString().toStdString();
    }
    // A question of two buttons shows them as plain はい and いいえ: Y and N still answer.
    for (const auto& [key, answer] : {std::pair{Qt::Key_N, mrNo}, std::pair{Qt::Key_Y, mrYes}}) {
        TfrmMessage form;
        form.SetupButtons({bkYes, bkNo}, 1, 1);
        form.show();
        ASSERT_EQ(form.BitBtn2->text(), QStringLiteral("いいえ"));
        QTest::keyClick(form.BitBtn2, key);
        EXPECT_EQ(form.ModalResult(), answer);
    }
}

} // namespace

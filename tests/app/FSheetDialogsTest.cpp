// The sheet name and sheet order windows: unique names, moves within the list that leave the cover
// slots in place, and the document taking the order shown.

#include "app/dialogs/FSheetName.h"
#include "app/dialogs/FSheetPos.h"
#include "papers/ULabelData.h"
#include "platform/StringList.h"
#include "tests/FakeDialogService.h"
#include "tests/app/AppTestSupport.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// A document of the sheets A, B, C, ... (A and B the cover slots) with the given one current.
std::unique_ptr<TLabelData> Sheets(int count, int current) {
    RegisterLabelDataClasses();
    auto doc = std::make_unique<TLabelData>(nullptr);
    while (doc->GetSheetCount() < count)
        doc->AddSheet();
    while (doc->GetSheetCount() > count)
        doc->DeleteSheet(count);
    for (int i = 0; i < count; ++i) {
        doc->SetCurrentSheetNo(i);
        doc->SetSheetName(QString(QChar('A' + i)));
    }
    doc->SetCurrentSheetNo(current);
    return doc;
}

QString Order(TLabelData& doc) {
    TStringList names;
    doc.GetSheetNames(names);
    return names.ToQStringList().join(QString());
}

TEST(SheetOrder, EntriesMoveOnePlaceNeverOffTheEndsNorIntoOrOutOfACoverSlot) {
    std::vector<int> entries{0, 1, 2, 3};
    EXPECT_EQ(MoveSheetEntry(entries, 3, -1), 2);
    EXPECT_EQ(entries, (std::vector<int>{0, 1, 3, 2}));
    EXPECT_EQ(MoveSheetEntry(entries, 2, -1), 2);
    EXPECT_EQ(MoveSheetEntry(entries, 1, +1), 1);
    EXPECT_EQ(MoveSheetEntry(entries, 0, +1), 0);
    EXPECT_EQ(MoveSheetEntry(entries, 3, +1), 3);
    EXPECT_EQ(MoveSheetEntry(entries, -1, +1), -1);
    EXPECT_EQ(entries, (std::vector<int>{0, 1, 3, 2}));
}

TEST(SheetOrder, DocumentTakesTheShownOrderAndKeepsItsCurrentSheet) {
    struct Case {
        std::vector<int> entries;
        const char* order;
    };
    for (const Case& c : {Case{{0, 1, 4, 2, 3}, "ABECD"}, Case{{0, 1, 3, 4, 2}, "ABDEC"},
                          Case{{0, 1, 4, 3, 2}, "ABEDC"}, Case{{0, 1, 2, 3, 4}, "ABCDE"}}) {
        auto doc = Sheets(5, 3);
        ApplySheetOrder(*doc, c.entries);
        EXPECT_EQ(Order(*doc), QString::fromLatin1(c.order));
        EXPECT_EQ(doc->SheetName(), QStringLiteral("D")) << c.order;
    }
    // Not an order of every sheet (a copy that was never appended, a repeat), or one that takes a
    // cover slot's sheet out of its place: nothing moves.
    for (const std::vector<int>& bad : {std::vector<int>{5, 0, 1, 2, 3, 4}, std::vector<int>{0, 1, 2, 2, 3},
                                        std::vector<int>{2, 1, 0, 3, 4}, std::vector<int>{0, 4, 2, 3, 1},
                                        std::vector<int>{1, 0, 2, 3, 4}}) {
        auto doc = Sheets(5, 0);
        ApplySheetOrder(*doc, bad);
        EXPECT_EQ(Order(*doc), QStringLiteral("ABCDE"));
    }
}

TEST(SheetWindows, NameWindowRefusesATakenNameAndRenamesOnOk) {
    FakeDialogService dialogs;
    dialogs.answers = {mrOk};
    auto doc = Sheets(3, 1);
    TfrmSheetName form;
    form.Setup(doc.get());
    EXPECT_EQ(form.edtSheetName->text(), QStringLiteral("B"));
    bool seen = false;
    WhenModal([&](QWidget* window) {
        seen = true;
        auto* edit = window->findChild<QLineEdit*>(QStringLiteral("edtSheetName"));
        auto* ok = window->findChild<QPushButton*>(QStringLiteral("btnOK"));
        // Its own name is taken too: the window stays open.
        QTest::mouseClick(ok, Qt::LeftButton);
        EXPECT_TRUE(window->isVisible());
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        EXPECT_FALSE(ok->isEnabled());
        QTest::keyClicks(edit, QStringLiteral("Z"));
        EXPECT_TRUE(ok->isEnabled());
        QTest::keyClick(edit, Qt::Key_Return);
    });
    EXPECT_EQ(form.exec(), QDialog::Accepted);
    ASSERT_TRUE(seen);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, QStringLiteral("指定されたシート名はすでに存在します"));
    EXPECT_EQ(Order(*doc), QStringLiteral("AZC"));
    EXPECT_TRUE(doc->Modified());
}

TEST(SheetWindows, OrderWindowMovesTheLastPageToTheFirstAndPlacesACopy) {
    auto doc = Sheets(5, 3);
    TfrmSheetPos form;
    form.Setup(*doc, false);
    EXPECT_EQ(form.lbSheet->currentRow(), 3);
    WhenModal([&](QWidget* window) {
        auto* list = window->findChild<QListWidget*>(QStringLiteral("lbSheet"));
        auto* up = window->findChild<QPushButton*>(QStringLiteral("btnUP"));
        auto* down = window->findChild<QPushButton*>(QStringLiteral("btnDown"));
        const auto click = [&](int row) {
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(list->item(row)).center());
        };
        click(4);
        EXPECT_FALSE(down->isEnabled());
        QTest::mouseClick(up, Qt::LeftButton);
        QTest::mouseClick(up, Qt::LeftButton);
        // The first page stops there: above it lie the cover slots, which never move.
        EXPECT_FALSE(up->isEnabled());
        EXPECT_TRUE(down->isEnabled());
        click(1);
        EXPECT_FALSE(up->isEnabled());
        EXPECT_FALSE(down->isEnabled());
        QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("btnOK")), Qt::LeftButton);
    });
    ASSERT_EQ(form.exec(), QDialog::Accepted);
    form.Apply(*doc);
    EXPECT_EQ(Order(*doc), QStringLiteral("ABECD"));
    EXPECT_EQ(doc->SheetName(), QStringLiteral("D"));

    // Copy mode: the copy's entry comes last and selected; left there, the copy is the last sheet.
    TfrmSheetPos copy;
    copy.Setup(*doc, true);
    ASSERT_EQ(copy.lbSheet->count(), 6);
    EXPECT_EQ(copy.lbSheet->item(5)->text(), QStringLiteral("複写したラベルシート"));
    EXPECT_EQ(copy.lbSheet->currentRow(), 5);
    EXPECT_FALSE(copy.btnDown->isEnabled());
    doc->CopySheet();
    const QString copyName = doc->SheetName();
    copy.Apply(*doc);
    EXPECT_EQ(doc->CurrentSheetNo(), 5);
    EXPECT_EQ(doc->SheetName(), copyName);
    EXPECT_TRUE(Order(*doc).startsWith(QStringLiteral("ABECD")));

    // The guidance's arrow keys move the chosen sheet, not only the highlight.
    TfrmSheetPos keys;
    keys.Setup(*doc, false);
    const int row = keys.lbSheet->currentRow();
    ASSERT_GT(row, kFirstInnerSheet);
    const QString moved = keys.lbSheet->item(row)->text();
    QTest::keyClick(keys.lbSheet, Qt::Key_Up);
    EXPECT_EQ(keys.lbSheet->currentRow(), row - 1);
    EXPECT_EQ(keys.lbSheet->item(row - 1)->text(), moved);
}

} // namespace

// The sheet name and sheet order windows: unique names, moves within the list, and the document
// taking the order shown.

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

// A document of the sheets A, B, C with the given one current.
std::unique_ptr<TLabelData> ThreeSheets(int current) {
    RegisterLabelDataClasses();
    auto doc = std::make_unique<TLabelData>(nullptr);
    while (doc->GetSheetCount() < 3)
        doc->AddSheet();
    while (doc->GetSheetCount() > 3)
        doc->DeleteSheet(3);
    for (int i = 0; i < 3; ++i) {
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

TEST(SheetOrder, EntriesMoveOnePlaceAndNeverOffTheEnds) {
    std::vector<int> entries{0, 1, 2};
    EXPECT_EQ(MoveSheetEntry(entries, 2, -1), 1);
    EXPECT_EQ(entries, (std::vector<int>{0, 2, 1}));
    EXPECT_EQ(MoveSheetEntry(entries, 0, -1), 0);
    EXPECT_EQ(MoveSheetEntry(entries, 2, +1), 2);
    EXPECT_EQ(MoveSheetEntry(entries, -1, +1), -1);
    EXPECT_EQ(entries, (std::vector<int>{0, 2, 1}));
}

TEST(SheetOrder, DocumentTakesTheShownOrderAndKeepsItsCurrentSheet) {
    struct Case {
        std::vector<int> entries;
        const char* order;
    };
    for (const Case& c :
         {Case{{2, 0, 1}, "CAB"}, Case{{1, 2, 0}, "BCA"}, Case{{2, 1, 0}, "CBA"}, Case{{0, 1, 2}, "ABC"}}) {
        auto doc = ThreeSheets(1);
        ApplySheetOrder(*doc, c.entries);
        EXPECT_EQ(Order(*doc), QString::fromLatin1(c.order));
        EXPECT_EQ(doc->SheetName(), QStringLiteral("B")) << c.order;
    }
    // Not an order of every sheet (a copy that was never appended, a repeat): nothing moves.
    for (const std::vector<int>& bad : {std::vector<int>{3, 0, 1, 2}, std::vector<int>{0, 0, 1}}) {
        auto doc = ThreeSheets(0);
        ApplySheetOrder(*doc, bad);
        EXPECT_EQ(Order(*doc), QStringLiteral("ABC"));
    }
}

TEST(SheetWindows, NameWindowRefusesATakenNameAndRenamesOnOk) {
    FakeDialogService dialogs;
    dialogs.answers = {mrOk};
    auto doc = ThreeSheets(1);
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

TEST(SheetWindows, OrderWindowMovesTheLastSheetToTheTopAndPlacesACopy) {
    auto doc = ThreeSheets(1);
    TfrmSheetPos form;
    form.Setup(*doc, false);
    EXPECT_EQ(form.lbSheet->currentRow(), 1);
    WhenModal([&](QWidget* window) {
        auto* list = window->findChild<QListWidget*>(QStringLiteral("lbSheet"));
        auto* up = window->findChild<QPushButton*>(QStringLiteral("btnUP"));
        auto* down = window->findChild<QPushButton*>(QStringLiteral("btnDown"));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(2)).center());
        EXPECT_FALSE(down->isEnabled());
        QTest::mouseClick(up, Qt::LeftButton);
        QTest::mouseClick(up, Qt::LeftButton);
        EXPECT_FALSE(up->isEnabled());
        EXPECT_TRUE(down->isEnabled());
        QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("btnOK")), Qt::LeftButton);
    });
    ASSERT_EQ(form.exec(), QDialog::Accepted);
    form.Apply(*doc);
    EXPECT_EQ(Order(*doc), QStringLiteral("CAB"));
    EXPECT_EQ(doc->SheetName(), QStringLiteral("B"));

    // Copy mode: the copy's entry comes last and selected; left there, the copy is the last sheet.
    TfrmSheetPos copy;
    copy.Setup(*doc, true);
    ASSERT_EQ(copy.lbSheet->count(), 4);
    EXPECT_EQ(copy.lbSheet->item(3)->text(), QStringLiteral("複写したラベルシート"));
    EXPECT_EQ(copy.lbSheet->currentRow(), 3);
    EXPECT_FALSE(copy.btnDown->isEnabled());
    doc->CopySheet();
    const QString copyName = doc->SheetName();
    copy.Apply(*doc);
    EXPECT_EQ(doc->CurrentSheetNo(), 3);
    EXPECT_EQ(doc->SheetName(), copyName);
    EXPECT_TRUE(Order(*doc).startsWith(QStringLiteral("CAB")));
}

} // namespace

// The purpose editor's shape checks, new IDs, moves and refusals, and the purpose check over a
// small store of grid and free papers.

#include "app/DMain.h"
#include "app/dialogs/FCheckPurpose.h"
#include "app/dialogs/FEditPurpose.h"
#include "papers/UPaperInfo.h"
#include "papers/UPapers.h"
#include "tests/FakeDialogService.h"
#include "tests/TestSupport.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

TPurposeInfo& AddPurpose(TPurposeList& list, const QString& id, TFaceShapes mask = 0) {
    auto* item = static_cast<TPurposeInfo*>(list.Add());
    item->ID = id;
    item->DisplayName = id + QStringLiteral("名");
    item->ShapeMask = mask;
    return *item;
}

QStringList Rows(const QListWidget* list) {
    QStringList rows;
    for (int i = 0; i < list->count(); ++i)
        rows << list->item(i)->text();
    return rows;
}

QStringList IDs(const TPurposeList& list) {
    QStringList ids;
    for (int i = 0; i < list.Count(); ++i)
        ids << list.GetItem(i)->ID;
    return ids;
}

} // namespace

TEST(EditPurpose, ShapeChecksNewIDsMovesAndDeletionFollowTheList) {
    FakeDialogService dialogs;
    TPurposeList list;
    AddPurpose(list, QStringLiteral("NewID1"));
    AddPurpose(list, QStringLiteral("newid3"), FaceShapeBit(fsRect));
    EXPECT_EQ(NewPurposeNumber(list), 2);

    TfrmEditPurpose editor;
    editor.SetPurposeList(list);
    ASSERT_EQ(editor.lbPurpose->currentRow(), 0);
    ASSERT_EQ(editor.clbShapes->count(), kFaceShapeCount);
    // The empty mask shows all six; one off stores the five; on again stores the empty mask.
    for (int i = 0; i < kFaceShapeCount; ++i)
        EXPECT_EQ(editor.clbShapes->item(i)->checkState(), Qt::Checked) << i;
    editor.clbShapes->item(fsEllipse)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(editor.PurposeList().GetItem(0)->ShapeMask,
              TFaceShapes((1u << kFaceShapeCount) - 1) & ~FaceShapeBit(fsEllipse));
    editor.clbShapes->item(fsEllipse)->setCheckState(Qt::Checked);
    EXPECT_EQ(editor.PurposeList().GetItem(0)->ShapeMask, 0u);
    EXPECT_FALSE(editor.btnUp->isEnabled());

    editor.btnAdd->click();
    EXPECT_EQ(IDs(editor.PurposeList()), (QStringList{"NewID1", "newid3", "NewID2"}));
    EXPECT_EQ(Rows(editor.lbPurpose).last(), QStringLiteral("新規用途2"));
    EXPECT_EQ(editor.edtID->text(), QStringLiteral("NewID2"));
    EXPECT_FALSE(editor.btnDown->isEnabled());
    QTest::keyClicks(editor.edtName, QStringLiteral("x"));
    EXPECT_EQ(Rows(editor.lbPurpose).last(), QStringLiteral("新規用途2x"));

    editor.btnUp->click();
    EXPECT_EQ(IDs(editor.PurposeList()), (QStringList{"NewID1", "NewID2", "newid3"}));
    EXPECT_EQ(Rows(editor.lbPurpose), (QStringList{"NewID1名", "新規用途2x", "newid3名"}));
    EXPECT_EQ(editor.lbPurpose->currentRow(), 1);
    editor.btnDown->click();
    editor.btnDown->click(); // already last: nothing moves
    EXPECT_EQ(IDs(editor.PurposeList()), (QStringList{"NewID1", "newid3", "NewID2"}));
    // The last line deleted selects the new last line and shows it.
    editor.btnDelete->click();
    EXPECT_EQ(IDs(editor.PurposeList()), (QStringList{"NewID1", "newid3"}));
    EXPECT_EQ(editor.lbPurpose->currentRow(), 1);
    EXPECT_EQ(editor.edtID->text(), QStringLiteral("newid3"));
    EXPECT_EQ(editor.clbShapes->item(fsRect)->checkState(), Qt::Checked);
    EXPECT_EQ(editor.clbShapes->item(fsDoughnut)->checkState(), Qt::Unchecked);
    editor.btnDelete->click();
    editor.btnDelete->click();
    EXPECT_EQ(editor.PurposeList().Count(), 0);
    for (QPushButton* button : {editor.btnDelete, editor.btnUp, editor.btnDown})
        EXPECT_FALSE(button->isEnabled());
    EXPECT_FALSE(editor.edtID->isEnabled());
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST(EditPurpose, OKRefusesARepeatedOrObsoleteIDAndStaysOpen) {
    FakeDialogService dialogs;
    TCDLabelPurposeValidator validator;
    TPurposeValidator::SetValidator(&validator);
    TPurposeList list;
    AddPurpose(list, QStringLiteral("CD"));
    AddPurpose(list, QString());
    EXPECT_TRUE(CheckPurposeIDs(list).isEmpty());
    AddPurpose(list, QStringLiteral("cd"));
    EXPECT_EQ(CheckPurposeIDs(list), QStringLiteral("用途ID「cd」が重複しています"));
    list.Delete(2);
    AddPurpose(list, QString());
    EXPECT_EQ(CheckPurposeIDs(list), QStringLiteral("用途ID「(空)」が重複しています"));
    list.Delete(2);

    TfrmEditPurpose editor;
    editor.SetPurposeList(list);
    editor.show();
    editor.btnAdd->click();
    editor.edtID->selectAll();
    QTest::keyClicks(editor.edtID, QStringLiteral("MO"));
    editor.lbPurpose->setCurrentRow(0);
    dialogs.answers.push_back(mrOk);
    editor.btnOK->click();
    EXPECT_EQ(editor.lbPurpose->currentRow(), 2) << "the refused purpose is shown";
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes.back().text, QStringLiteral("用途ID「MO」は古い用途IDのため使えません"));
    EXPECT_TRUE(editor.isVisible());
    QTest::keyClick(editor.edtID, Qt::Key_Backspace);
    QTest::keyClick(editor.edtID, Qt::Key_Backspace);
    QTest::keyClicks(editor.edtID, QStringLiteral("Seal"));
    editor.btnOK->click();
    EXPECT_EQ(editor.result(), QDialog::Accepted);
    EXPECT_EQ(IDs(editor.PurposeList()), (QStringList{"CD", "", "Seal"}));
    TPurposeValidator::SetValidator(nullptr);
}

TEST(CheckPurpose, ListsUnknownIDsOfGridAndFreeFacesAndStopsOnAbort) {
    FakeDialogService dialogs;
    QTemporaryDir dir;
    TPapersV2 papers(dir.filePath(QStringLiteral("p.ppr")), false);
    const auto grid = [&](const QString& name, const QString& purpose) {
        TMatrixPaperInfo paper(nullptr);
        paper.PaperName = name;
        paper.SetWidth(2100);
        paper.SetHeight(2970);
        paper.FaceCountX = 1;
        paper.FaceCountY = 1;
        paper.FaceWidth = 900;
        paper.FaceHeight = 500;
        paper.FacePurpose = purpose;
        papers.AddOrReplace(paper);
    };
    grid(QStringLiteral("grid"), QStringLiteral("Unknown"));
    grid(QStringLiteral("known"), QStringLiteral("cd"));
    grid(QStringLiteral("blank"), QString());
    TFreePaperInfo free(nullptr);
    free.PaperName = QStringLiteral("free");
    free.SetWidth(2100);
    free.SetHeight(2970);
    for (const QString& purpose : {QStringLiteral("Odd"), QStringLiteral("CD"), QStringLiteral("Odd"), QString()}) {
        auto* face = static_cast<TFaceItem*>(free.Faces()->Add());
        face->Rect = TRect(100, 100, 500, 500);
        face->FacePurpose = purpose;
    }
    papers.AddOrReplace(free);

    TfrmCheckPurpose check;
    check.SetPapers(&papers);
    check.btnCheck->click();
    EXPECT_EQ(check.Memo->toPlainText().split('\n'), (QStringList{"grid:[Unknown]", "free:[Odd]", "free:[Odd]"}))
        << "the default list holds the empty ID";
    EXPECT_EQ(check.lblInfo->text(), QStringLiteral("情報"));
    EXPECT_FALSE(check.ProgressBar->isVisible());
    EXPECT_FALSE(check.btnAbort->isEnabled());

    TPurposeList withoutEmpty;
    AddPurpose(withoutEmpty, QStringLiteral("CD"));
    papers.SetPurposeList(withoutEmpty);
    check.SetPapers(&papers);
    check.btnCheck->click();
    EXPECT_EQ(check.Memo->toPlainText().split('\n'),
              (QStringList{"grid:[Unknown]", "blank:[]", "free:[Odd]", "free:[Odd]", "free:[]"}));

    // "中断" between two batches stops the loop there.
    for (int i = 0; i < 3 * TfrmCheckPurpose::kPapersPerBatch; ++i)
        grid(QStringLiteral("more%1").arg(i), QStringLiteral("Unknown"));
    check.show();
    int progressSeen = -1;
    QTimer::singleShot(0, &check, [&] {
        progressSeen = check.ProgressBar->value();
        EXPECT_TRUE(check.ProgressBar->isVisible());
        check.btnAbort->click();
    });
    check.btnCheck->click();
    EXPECT_EQ(progressSeen, TfrmCheckPurpose::kPapersPerBatch);
    EXPECT_EQ(check.Memo->toPlainText().split('\n').size(), 5 + TfrmCheckPurpose::kPapersPerBatch - 4);
    EXPECT_FALSE(check.Checking());
}

// Paper selection's extended functions on the main window with the shipped papers: the menu, the
// merge, system papers, the lists, the order and the purposes, each saved at once and listed, and
// still there after a restart.

#include "app/DMain.h"
#include "app/FMain.h"
#include "app/FModeBar.h"
#include "app/UModeRegistry.h"
#include "app/dialogs/FEditPaper30.h"
#include "app/dialogs/FEditPaperLists.h"
#include "app/dialogs/FEditPurpose.h"
#include "app/dialogs/FPaperSelectExFunc.h"
#include "app/dialogs/FPaperSelectPanel.h"
#include "app/dialogs/FStringsEditor.h"
#include "app/dialogs/UPaperEditing.h"
#include "core/UAppFrame.h"
#include "papers/UExtraPaperInfo.h"
#include "papers/UPaperInfo.h"
#include "papers/UPapers.h"
#include "platform/Cp932.h"
#include "tests/SmallPaper.h"
#include "tests/TestSupport.h"
#include "tests/app/AppTestSupport.h"

#include <QAction>
#include <QComboBox>
#include <QCryptographicHash>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

namespace {

QByteArray FileHash(const QString& name) {
    QFile file(name);
    file.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

QStringList Items(const QComboBox* combo) {
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

class ExFuncTest : public AppFixture {
protected:
    void SetUp() override { StartAndEnter(); }
    void TearDown() override {
        SetAdvancedPaperMode(false);
        WriteSettingBool(QStringLiteral("EnableSpecialMenu"), false);
        data.reset();
        RegisterModeForm(mkLayout, {});
        TframeModeBarEx::ResetCurrentStep();
    }
    void StartAndEnter() {
        main = StartMainWindow([] { RegisterStandInLayout(); });
        ASSERT_NE(main, nullptr);
        QApplication::setActiveWindow(main);
        main->actNew->trigger();
        panel = HostedPaperPanel(main);
        ASSERT_NE(panel, nullptr);
        RunLoopUntil([&] { return main->HostedForm()->isVisible(); });
        frame = panel->frameExFunc;
        resets = 0;
        QObject::connect(panel->actResetPapers, &QAction::triggered, [this] { ++resets; });
    }
    void Restart() {
        data.reset();
        TframeModeBarEx::ResetCurrentStep();
        StartAndEnter();
    }
    // Every genre, every maker and use.
    void ShowAll() {
        panel->lbGenre->setCurrentRow(-1);
        panel->lbGenre->clearSelection();
        panel->RefreshGenre(false);
        panel->cbMaker->setCurrentIndex(0);
        panel->cbGroup->setCurrentIndex(0);
        panel->FillPaperList();
    }
    QStringList Listed() const {
        QStringList names;
        for (int i = 0; i < panel->lvPaper->topLevelItemCount(); ++i)
            names << panel->lvPaper->topLevelItem(i)->text(0);
        return names;
    }
    TPapersV2& Papers() { return *data->Papers(); }
    QStringList StoreOrder() {
        QStringList names;
        for (int i = 0; i < Papers().GetCount(); ++i)
            names << Papers().PeekPaper(i).PaperName;
        return names;
    }
    // Runs a function whose editor window act answers.
    template <class Window>
    void WithEditor(QAction* action, const std::function<void(Window&)>& act) {
        bool seen = false;
        WhenModal([&](QWidget* window) {
            auto* editor = qobject_cast<Window*>(window);
            ASSERT_NE(editor, nullptr);
            seen = true;
            act(*editor);
            if (editor->isVisible())
                editor->reject();
        });
        action->trigger();
        EXPECT_TRUE(seen);
    }
    void AppendLines(QPlainTextEdit* memo, const QString& lines) {
        memo->moveCursor(QTextCursor::End);
        memo->insertPlainText(lines);
    }

    TfrmMain* main = nullptr;
    TfrmPaperSelectPanel* panel = nullptr;
    TframePaperSelectExFunc* frame = nullptr;
    int resets = 0;
};

} // namespace

TEST_F(ExFuncTest, TheFunctionsButtonComesWithExtendedModeAndOpensItsMenuAtItsTopRightCorner) {
    emit main->popupHelp->aboutToShow();
    EXPECT_FALSE(main->actAdvancedPaper->isVisible());
    EXPECT_FALSE(frame->isVisible());
    WriteSettingBool(QStringLiteral("EnableSpecialMenu"), true);
    emit main->popupHelp->aboutToShow();
    ASSERT_TRUE(main->actAdvancedPaper->isVisible());
    main->actAdvancedPaper->trigger();
    EXPECT_TRUE(panel->gbEditPaper->isVisible());
    ASSERT_TRUE(frame->btnExFunc->isVisible());
    EXPECT_EQ(frame->btnExFunc->text(), QStringLiteral("拡張機能..."));

    // Room for the menu below and right of the button, so the screen's edge does not move it.
    main->move(main->pos() - frame->btnExFunc->mapToGlobal(QPoint(frame->btnExFunc->width(), 0)) + QPoint(200, 100));
    QTest::mouseClick(frame->btnExFunc, Qt::LeftButton);
    RunLoopUntil([&] { return frame->PopupMenu->isVisible(); });
    ASSERT_TRUE(frame->PopupMenu->isVisible());
    EXPECT_EQ(frame->PopupMenu->pos(), frame->btnExFunc->mapToGlobal(QPoint(frame->btnExFunc->width(), 0)));
    QStringList captions;
    for (QAction* action : frame->PopupMenu->actions())
        captions << action->text();
    EXPECT_EQ(captions, (QStringList{"更新情報(&U)...", "用紙情報のマージ(&M)...", "全てをシステム用紙に(&R)...",
                                     "グループ編集(&G)...", "用紙メーカー編集(&M)..", "用途IDの編集(&P)...",
                                     "用紙順の変更(&O)...", "すべての用紙用途の削除(&A)...", "用途情報の最適化",
                                     "グループ名の出力", "写真サイズの編集(&S)"}));
    EXPECT_TRUE(frame->actUpdateInfo->isEnabled());
    frame->PopupMenu->hide();
}

TEST_F(ExFuncTest, AMergeTakesTheSystemPapersOfAnotherFileAndRefusesTheStoresOwnFile) {
    const QString storeFile = Papers().FileName();
    Papers().AddOrReplace(*SmallPaper(QStringLiteral("自作の用紙"), false));
    ASSERT_TRUE(SavePaperStore(Papers()));
    ASSERT_TRUE(QFile::exists(storeFile));
    QTemporaryDir dir;
    // The other database sits beside the store under the store's name in other letters.
    const QString other = QFileInfo(storeFile).absolutePath() + QLatin1Char('/') + QFileInfo(storeFile).fileName().toUpper();
    ASSERT_NE(other, storeFile);
    {
        TPapersV2 db(other, false);
        db.AddStandardExtraInfoBases();
        db.AddOrReplace(*SmallPaper(QStringLiteral("マージした用紙"), true, QStringLiteral("定形")));
        db.AddOrReplace(*SmallPaper(QStringLiteral("よそのユーザー用紙"), false));
        TExPaperInfo info(nullptr);
        info.PaperName = QStringLiteral("マージした用紙");
        info.Company = QStringLiteral("マージ社");
        db.PutExtraInfo(kExtraInfosTable, info);
        db.Save();
    }
    const QString link = dir.filePath(QStringLiteral("link.ppr"));
    ASSERT_TRUE(QFile::link(storeFile, link));
    const QString garbage = dir.filePath(QStringLiteral("garbage.ppr"));
    {
        QFile file(garbage);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4096, 'x'));
    }
    const QByteArray before = FileHash(storeFile);
    const int count = Papers().GetCount();
    for (const QString& refused : {storeFile, link, garbage}) {
        dialogs.files.push_back(refused);
        dialogs.answers.push_back(mrOk);
        frame->actMergePapers->trigger();
        ASSERT_FALSE(dialogs.boxes.empty());
        if (refused == garbage) {
            EXPECT_TRUE(dialogs.boxes.back().text.contains(garbage)) << dialogs.boxes.back().text.toStdString();
            EXPECT_EQ(EnglishWords(QString(dialogs.boxes.back().text).remove(garbage)), QStringList());
        }
        else
            EXPECT_EQ(dialogs.boxes.back().text, QStringLiteral("このファイルは、現在の保存先です"));
    }
    EXPECT_EQ(Papers().GetCount(), count);
    EXPECT_EQ(FileHash(storeFile), before);
    ASSERT_FALSE(dialogs.fileRequests.empty());
    EXPECT_EQ(dialogs.fileRequests.back().Title, QStringLiteral("用紙情報ファイルの選択"));
    EXPECT_EQ(dialogs.fileRequests.back().Filter, QStringLiteral("ppr(*.ppr)|*.ppr|All Files|*.*"));

    const size_t boxes = dialogs.boxes.size();
    dialogs.files.push_back(other);
    dialogs.answers.push_back(mrOk);
    frame->actMergePapers->trigger();
    ASSERT_EQ(dialogs.boxes.size(), boxes + 1) << "merged without a word";
    EXPECT_EQ(dialogs.boxes.back().text, QStringLiteral("用紙情報ファイル「%1」をマージしました").arg(other));
    EXPECT_GE(Papers().IndexOf(QStringLiteral("マージした用紙")), 0);
    EXPECT_LT(Papers().IndexOf(QStringLiteral("よそのユーザー用紙")), 0);
    EXPECT_FALSE(Papers().Modified()) << "saved at once";
    ShowAll();
    EXPECT_TRUE(Listed().contains(QStringLiteral("マージした用紙")));
    EXPECT_GE(resets, 1);

    // The other file's pattern number (0) does not replace the store's higher one, which would
    // make the next start take the installed papers over the merged ones.
    Restart();
    EXPECT_GE(Papers().IndexOf(QStringLiteral("マージした用紙")), 0);
}

TEST_F(ExFuncTest, SystemPapersListsAndOrderReachTheFiltersTheWizardAndTheFile) {
    auto own = SmallPaper(QStringLiteral("自作の用紙"), false, QStringLiteral("用紙だけのグループ"));
    Papers().AddOrReplace(*own);
    ASSERT_TRUE(SavePaperStore(Papers()));
    ASSERT_LT(Papers().GetGroupList().IndexOf(QStringLiteral("用紙だけのグループ")), 0);

    // User papers become system papers; a second run finds none and still refreshes.
    dialogs.answers.push_back(mrOk);
    frame->actSetAllSystemPaper->trigger();
    EXPECT_EQ(dialogs.boxes.back().text, QStringLiteral("すべての用紙をシステム用紙にします"));
    EXPECT_TRUE(Papers().GetPaper(Papers().IndexOf(QStringLiteral("自作の用紙")))->ReadOnly);
    EXPECT_FALSE(Papers().Modified());
    panel->lbGenre->setCurrentRow(TfrmPaperSelectPanel::kGenreUser);
    EXPECT_TRUE(Listed().isEmpty()) << Listed().join(',').toStdString();
    const QByteArray settled = FileHash(Papers().FileName());
    const int resetsBefore = resets;
    dialogs.answers.push_back(mrOk);
    frame->actSetAllSystemPaper->trigger();
    EXPECT_EQ(resets, resetsBefore + 1);
    EXPECT_EQ(FileHash(Papers().FileName()), settled);

    // Two new groups; the group only a paper used is offered.
    WithEditor<TfrmEditPaperGroup>(frame->actEditGroup, [&](TfrmEditPaperGroup& editor) {
        EXPECT_EQ(editor.lblTitle->text(), QStringLiteral("グループ名"));
        EXPECT_TRUE(editor.Lines().ToQStringList().contains(QStringLiteral("用紙だけのグループ")));
        AppendLines(editor.Memo, QStringLiteral("\n新しいグループA\n新しいグループB\n"));
        editor.btnOK->click();
    });
    ShowAll();
    EXPECT_TRUE(Items(panel->cbGroup).contains(QStringLiteral("新しいグループA")));
    EXPECT_TRUE(Items(panel->cbGroup).contains(QStringLiteral("新しいグループB")));

    WithEditor<TfrmEditPaperMaker>(frame->actEditMaker, [&](TfrmEditPaperMaker& editor) {
        AppendLines(editor.Memo, QStringLiteral("\n新しいメーカー"));
        editor.btnOK->click();
    });
    ShowAll();
    EXPECT_TRUE(Items(panel->cbMaker).contains(QStringLiteral("新しいメーカー")));

    WithEditor<TfrmEditPhotoSize>(frame->actEditPhotoSize, [&](TfrmEditPhotoSize& editor) {
        AppendLines(editor.Memo, QStringLiteral("\n新しい写真サイズ"));
        editor.btnOK->click();
    });
    {
        TfrmEditPaper30 page;
        page.Setup(*SmallPaper(QStringLiteral("x"), false), Papers());
        EXPECT_GE(page.cbPhotoSize->findText(QStringLiteral("新しい写真サイズ")), 0);
    }

    // A bad line is refused with the window kept open and nothing renumbered; then the order reversed.
    const QStringList order = StoreOrder();
    QStringList reversed = order;
    std::reverse(reversed.begin(), reversed.end());
    WithEditor<TfrmStringsEditor>(frame->actChangeOrder, [&](TfrmStringsEditor& editor) {
        EXPECT_EQ(editor.Lines().ToQStringList(), order);
        editor.Memo->setPlainText(QStringList(reversed.mid(0, 3)).join('\n') + QStringLiteral("\nない用紙"));
        dialogs.answers.push_back(mrOk);
        editor.btnOK->click();
        EXPECT_EQ(dialogs.boxes.back().text, QStringLiteral("4行目の「ない用紙」という用紙はありません"));
        EXPECT_TRUE(editor.isVisible());
        EXPECT_EQ(StoreOrder(), order);
        editor.Memo->setPlainText(reversed.join('\n') + QStringLiteral("\n\n"));
        editor.btnOK->click();
    });
    EXPECT_EQ(StoreOrder(), reversed);
    EXPECT_FALSE(Papers().Modified());
    ShowAll();
    EXPECT_EQ(Listed().first(), reversed.first());

    const QString groupFile = QTemporaryDir().path() + QStringLiteral("-groups.txt");
    dialogs.files.push_back(groupFile);
    frame->actSaveGroupList->trigger();
    QFile saved(groupFile);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray bytes = saved.readAll();
    EXPECT_TRUE(bytes.endsWith(QByteArray("\x90\x56\x82\xb5\x82\xa2\x83\x4f\x83\x8b\x81\x5b\x83\x76\x41\r\n"
                                          "\x90\x56\x82\xb5\x82\xa2\x83\x4f\x83\x8b\x81\x5b\x83\x76\x42\r\n")))
        << bytes.right(40).toHex().toStdString();
    QFile::remove(groupFile);

    Restart();
    EXPECT_TRUE(Papers().GetPaper(Papers().IndexOf(QStringLiteral("自作の用紙")))->ReadOnly);
    EXPECT_GE(Papers().GetGroupList().IndexOf(QStringLiteral("新しいグループB")), 0);
    EXPECT_GE(Papers().GetCompanyList().IndexOf(QStringLiteral("新しいメーカー")), 0);
    TStringList sizes;
    Papers().LoadGlobalInfo(QStringLiteral("PhotoSizeInfo"), sizes);
    EXPECT_GE(sizes.IndexOf(QStringLiteral("新しい写真サイズ")), 0);
    EXPECT_EQ(StoreOrder(), reversed);
}

TEST_F(ExFuncTest, PurposeFunctionsStoreAndShowWhatTheyChange) {
    // The editor: a repeated ID is refused and the window stays; an added purpose is stored on OK.
    const int purposes = Papers().PurposeList().Count();
    WithEditor<TfrmEditPurpose>(frame->actEditPurpose, [&](TfrmEditPurpose& editor) {
        editor.btnAdd->click();
        editor.edtID->selectAll();
        QTest::keyClicks(editor.edtID, QStringLiteral("cd"));
        dialogs.answers.push_back(mrOk);
        editor.btnOK->click();
        EXPECT_TRUE(dialogs.boxes.back().text.contains(QStringLiteral("重複"))) << dialogs.boxes.back().text.toStdString();
        EXPECT_TRUE(editor.isVisible());
        editor.edtID->selectAll();
        QTest::keyClicks(editor.edtID, QStringLiteral("Sticker"));
        editor.btnOK->click();
    });
    ASSERT_EQ(Papers().PurposeList().Count(), purposes + 1);
    EXPECT_GE(Papers().PurposeList().IndexOfID(QStringLiteral("Sticker")), 0);
    EXPECT_FALSE(Papers().Modified());
    WithEditor<TfrmEditPurpose>(frame->actEditPurpose, [&](TfrmEditPurpose& editor) {
        editor.btnAdd->click();
        editor.btnCancel->click();
    });
    EXPECT_EQ(Papers().PurposeList().Count(), purposes + 1);

    // Optimising stores every paper again: the file changes and the store is saved.
    const QByteArray before = FileHash(Papers().FileName());
    dialogs.answers.push_back(mrOk);
    frame->actOptimumPurpose->trigger();
    EXPECT_EQ(dialogs.boxes.back().text, QStringLiteral("用途を最適化します"));
    EXPECT_NE(FileHash(Papers().FileName()), before);
    EXPECT_FALSE(Papers().Modified());
    EXPECT_GE(Papers().GetPaper(0)->PurposeList()->IndexOfID(QStringLiteral("Sticker")), 0);

    // Deleting every purpose refreshes the panel.
    int withPurpose = -1;
    for (int i = 0; i < Papers().GetCount() && withPurpose < 0; ++i) {
        auto info = Papers().GetExtraInfo(kExtraInfosTable, Papers().PeekPaper(i).PaperName);
        if (auto* extra = dynamic_cast<TExPaperInfo*>(info.get()); extra && !extra->Purpose.isEmpty())
            withPurpose = i;
    }
    ASSERT_GE(withPurpose, 0) << "the shipped papers name purposes";
    const QString name = Papers().PeekPaper(withPurpose).PaperName;
    const int resetsBefore = resets;
    dialogs.answers.push_back(mrOk);
    frame->actDelAllPurpose->trigger();
    EXPECT_EQ(dialogs.boxes.back().text, QStringLiteral("すべての用紙用途を削除します"));
    EXPECT_EQ(resets, resetsBefore + 1);
    EXPECT_FALSE(Papers().Modified());

    Restart();
    EXPECT_GE(Papers().PurposeList().IndexOfID(QStringLiteral("Sticker")), 0);
    auto info = Papers().GetExtraInfo(kExtraInfosTable, name);
    auto* extra = dynamic_cast<TExPaperInfo*>(info.get());
    EXPECT_TRUE(!extra || extra->Purpose.isEmpty());
}

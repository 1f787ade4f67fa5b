// Paper selection on the main window with the shipped papers and a stand-in layout editor, driven
// by keys and clicks; and its filter, name and size rules.

#include "app/DMain.h"
#include "app/FMain.h"
#include "app/FModeBar.h"
#include "app/UModeRegistry.h"
#include "app/dialogs/FPaperSelectBase.h"
#include "app/dialogs/FPaperSelectPanel.h"
#include "controls/UExButtons.h"
#include "core/UAppFrame.h"
#include "core/UHistoryManager.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/layout/ULOBackImage.h"
#include "papers/UExtraPaperInfo.h"
#include "papers/ULOFace.h"
#include "papers/ULabelData.h"
#include "papers/UPaperInfo.h"
#include "papers/UPapers.h"
#include "papers/UPapersUI.h"
#include "platform/ComponentWriter.h"
#include "platform/Stream.h"
#include "tests/app/AppTestSupport.h"
#include "tests/app/BareAppHost.h"

#include <QAction>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

namespace {

class PaperSelectTest : public AppFixture {
protected:
    void SetUp() override {
        // In place of the layout editor that start-up registers.
        main = StartMainWindow(
            [] { RegisterStandInLayout(); });
        ASSERT_NE(main, nullptr);
        QApplication::setActiveWindow(main);
    }
    void TearDown() override {
        data.reset();
        RegisterModeForm(mkLayout, {});
        TframeModeBarEx::ResetCurrentStep();
    }
    TfrmPaperSelectPanel* EnterPaperSelection() {
        main->actNew->trigger();
        auto* base = qobject_cast<TfrmPaperSelectBase*>(main->HostedForm());
        if (!base)
            return nullptr;
        RunLoopUntil([&] { return base->isVisible(); });
        return base->Panel();
    }
    QStringList Captions(const TfrmPaperSelectPanel& panel) const {
        QStringList captions;
        for (int i = 0; i < panel.lvPaper->topLevelItemCount(); ++i)
            captions << panel.lvPaper->topLevelItem(i)->text(0);
        return captions;
    }
    QByteArray StoredPaper(const QString& name) const {
        TMemoryStream stream;
        const TPapersV2& papers = *data->Papers();
        WriteComponent(stream, papers.GetPaper(papers.IndexOf(name)));
        return stream.Data();
    }

    void ClickGenre(TfrmPaperSelectPanel& panel, int genre) {
        QListWidget* list = panel.lbGenre;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(genre)).center());
    }
    void ClickRow(TfrmPaperSelectPanel& panel, const QString& caption) {
        const QList<QTreeWidgetItem*> items = panel.lvPaper->findItems(caption, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1) << caption.toStdString();
        panel.lvPaper->scrollToItem(items[0]);
        QTest::mouseClick(panel.lvPaper->viewport(), Qt::LeftButton, {},
                          panel.lvPaper->visualItemRect(items[0]).center());
        EXPECT_EQ(panel.lvPaper->currentItem(), items[0]);
    }
    // On its round button, as a user aims.
    static void ClickRadio(QRadioButton* button) {
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(button->height() / 2, button->height() / 2));
        EXPECT_TRUE(button->isChecked()) << button->text().toStdString();
    }
    // As an input method commits what the user typed.
    static void Type(QComboBox* combo, const QString& text) {
        QInputMethodEvent event;
        event.setCommitString(text);
        QApplication::sendEvent(combo->lineEdit(), &event);
    }
    // The entry by keys: the drop-downs take no clicks without a window system.
    void Choose(QComboBox* combo, const QString& text) {
        const int index = combo->findText(text);
        ASSERT_GE(index, 0) << text.toStdString();
        combo->setFocus();
        QTest::keyClick(combo, Qt::Key_Home);
        for (int i = 0; i < index; ++i)
            QTest::keyClick(combo, Qt::Key_Down);
        EXPECT_EQ(combo->currentText(), text);
    }
    void ExpectAllContain(const TfrmPaperSelectPanel& panel, const QString& text) {
        const QStringList captions = Captions(panel);
        EXPECT_FALSE(captions.isEmpty()) << text.toStdString();
        for (const QString& caption : captions)
            EXPECT_TRUE(caption.contains(text)) << caption.toStdString();
    }

    TfrmMain* main = nullptr;
};

bool Ink(const QImage& image, QPoint p) {
    return image.rect().contains(p) && qGray(image.pixel(p)) < 128;
}
bool Blank(const QImage& image, QPoint p) {
    return image.rect().contains(p) && qGray(image.pixel(p)) > 240;
}

// Checks the preview's paint of a face rectangle (logical units): each edge's middle inked within a
// pixel of its place, blank just inside.
void ExpectOutlined(const TPaperSite& site, const QImage& image, const TRect& face) {
    const QPoint tl = site.LogToDev(TPoint(face.Left, face.Top)).ToQPoint();
    const QPoint br = site.LogToDev(TPoint(face.Right, face.Bottom)).ToQPoint() - QPoint(1, 1);
    const QPoint mid = (tl + br) / 2;
    const auto inkNear = [&](QPoint p, QPoint step) {
        return Ink(image, p - step) || Ink(image, p) || Ink(image, p + step);
    };
    const std::string where = std::to_string(face.Left) + "," + std::to_string(face.Top);
    EXPECT_TRUE(inkNear({tl.x(), mid.y()}, {1, 0})) << "left " << where;
    EXPECT_TRUE(inkNear({br.x(), mid.y()}, {1, 0})) << "right " << where;
    EXPECT_TRUE(inkNear({mid.x(), tl.y()}, {0, 1})) << "top " << where;
    EXPECT_TRUE(inkNear({mid.x(), br.y()}, {0, 1})) << "bottom " << where;
    for (const QPoint inside : {QPoint(tl.x() + 3, mid.y()), QPoint(br.x() - 3, mid.y()),
                                QPoint(mid.x(), tl.y() + 3), QPoint(mid.x(), br.y() - 3)})
        EXPECT_TRUE(Blank(image, inside)) << "inside " << where;
}

std::unique_ptr<TPaperInfo> UserPaper(TPaperInfo* paper, const char* name) {
    paper->PaperName = QString::fromUtf8(name);
    paper->GroupName = QStringLiteral("ラベル");
    paper->ReadOnly = false;
    paper->SetWidth(2100);
    paper->SetHeight(2970);
    return std::unique_ptr<TPaperInfo>(paper);
}

TEST_F(PaperSelectTest, PapersFoundBySearchAndByGenreMakerAndUseGoToTheEditorByClicks) {
    TfrmPaperSelectPanel* panel = EnterPaperSelection();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(main->HostedKind(), mkPaper);
    EXPECT_EQ(TframeModeBarEx::CurrentStep(), TframeModeBarEx::kStepPaper);
    // The default paper's genre; clicking it again lists every paper and offers the search.
    const int genre = panel->SelectedGenre();
    ASSERT_GE(genre, 0);
    EXPECT_FALSE(panel->frameSearchPaper->isVisibleTo(panel));
    ClickGenre(*panel, genre);
    EXPECT_EQ(panel->SelectedGenre(), -1);
    ASSERT_TRUE(panel->frameSearchPaper->isVisibleTo(panel));
    QComboBox* search = panel->frameSearchPaper->cbSearch;
    Type(search, QStringLiteral("いんでっくす"));
    QTest::mouseClick(panel->frameSearchPaper->btnSearch, Qt::LeftButton);
    ExpectAllContain(*panel, QStringLiteral("インデックス"));
    EXPECT_EQ(panel->lvPaper->currentItem(), panel->lvPaper->topLevelItem(0));
    // Through a synonym of the shipped papers: the reading finds the kanji.
    search->clearEditText();
    Type(search, QStringLiteral("めいし"));
    QTest::mouseClick(panel->frameSearchPaper->btnSearch, Qt::LeftButton);
    ExpectAllContain(*panel, QStringLiteral("名刺"));
    RunLoopUntil([&] { return search->count() == 2; });
    EXPECT_EQ(search->count(), 2) << "both searches in the history once their papers are listed";

    ClickGenre(*panel, 1);
    EXPECT_FALSE(panel->frameSearchPaper->isVisibleTo(panel)) << "no search inside a genre";
    Choose(panel->cbMaker, QStringLiteral("Quorlane"));
    Choose(panel->cbGroup, QStringLiteral("アルバム"));
    ExpectAllContain(*panel, QStringLiteral("アルバム台紙"));
    const QString chosen = QStringLiteral("QL-AB3 アルバム台紙 A4 2L判1枚");
    ClickRow(*panel, chosen);
    EXPECT_TRUE(panel->memoInfo->toPlainText().contains(QStringLiteral("写真サイズ: 2L: ")));
    ASSERT_TRUE(panel->rbBoth->isEnabled());
    ClickRadio(panel->rbBoth);
    ClickRadio(panel->rbLandscape);
    const QByteArray before = StoredPaper(chosen);
    QTest::mouseClick(panel->btnToEdit, Qt::LeftButton);

    EXPECT_EQ(main->HostedKind(), mkLayout);
    TLabelData* document = main->Document();
    EXPECT_EQ(document->CurrentSheetNo(), 2);
    EXPECT_EQ(document->GetPaperInfo()->PaperName, chosen);
    EXPECT_TRUE(document->GetPaperInfo()->Landscape);
    EXPECT_TRUE(document->SeparatelyDesign);
    EXPECT_EQ(document->FaceSides, fsBoth);
    ASSERT_NE(document->GetPaperExtraInfo(), nullptr);
    EXPECT_EQ(document->GetPaperExtraInfo()->Company, QStringLiteral("Quorlane"));
    ASSERT_NE(document->GetPaperExtraAlbum(), nullptr);
    EXPECT_EQ(document->GetPaperExtraAlbum()->PhotoSize, QStringLiteral("2L"));
    EXPECT_TRUE(!document->GetPaperImageInfo() || document->GetPaperImageInfo()->IsEmpty())
        << "the store has no images for it";
    EXPECT_FALSE(document->Modified());
    EXPECT_EQ(ReadSettingString(QStringLiteral("DefaultPaperName"), QString()), chosen);
    EXPECT_TRUE(ReadSettingBool(QStringLiteral("DefaultDesign"), false));
    EXPECT_TRUE(ReadSettingBool(QStringLiteral("DefaultLandScape"), false));
    EXPECT_EQ(ReadSettingInteger(QStringLiteral("DefaultFaceSide"), -1), 2);
    EXPECT_EQ(ReadSettingInteger(QStringLiteral("DefaultFaceGenre"), -1), 1);
    EXPECT_EQ(ReadSettingString(QStringLiteral("DefaultFaceMaker"), QString()), QStringLiteral("Quorlane"));
    EXPECT_EQ(ReadSettingString(QStringLiteral("DefaultFaceGroup"), QString()), QStringLiteral("アルバム"));
    TComponent owner(nullptr);
    auto* used = new THistoryManager(&owner);
    used->SetRegistryKey(QStringLiteral("$(UsedPaperHistory)"));
    EXPECT_EQ(used->GetItems().ToQStringList(), QStringList{chosen});
    EXPECT_EQ(StoredPaper(chosen), before) << "the store's paper is never turned";
}

TEST_F(PaperSelectTest, AMakersSheetIsFoundByMakerAndUseOrByItsProductNumber) {
    TfrmPaperSelectPanel* panel = EnterPaperSelection();
    ASSERT_NE(panel, nullptr);
    constexpr int kStandard = 2; // 定形: the makers' sheets
    if (panel->SelectedGenre() != kStandard)
        ClickGenre(*panel, kStandard);
    QStringList makers;
    for (int i = 0; i < panel->cbMaker->count(); ++i)
        makers << panel->cbMaker->itemText(i);
    for (const char* maker : {"Quorlane", "Avery", "Herma", "Hisago", "Online Labels", "Zweckform"})
        EXPECT_TRUE(makers.contains(QString::fromUtf8(maker))) << maker;
    EXPECT_GT(makers.size(), 30);
    Choose(panel->cbMaker, QStringLiteral("Avery"));
    Choose(panel->cbGroup, QStringLiteral("ラベル"));
    const QString l7160 = QStringLiteral("Avery 7160 ラベル 21面");
    EXPECT_TRUE(Captions(*panel).contains(l7160));
    for (int i = 0; i < panel->lvPaper->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = panel->lvPaper->topLevelItem(i);
        EXPECT_EQ(item->text(4), QStringLiteral("Avery"));
        EXPECT_EQ(item->text(3), QStringLiteral("ラベル"));
    }

    // By the number on the packet, with no genre: either width and case, with or without the maker,
    // and by the laser sheet's number the same layout is sold under.
    ClickGenre(*panel, kStandard);
    ASSERT_TRUE(panel->frameSearchPaper->isVisibleTo(panel));
    QComboBox* search = panel->frameSearchPaper->cbSearch;
    for (const char* key : {"7160", "７１６０", "avery 7160", "７１６０　ＡＶＥＲＹ", "l7160", "Ｌ７１６０", "ｌ７１６０",
                            "AVERY l7160"}) {
        search->clearEditText();
        Type(search, QString::fromUtf8(key));
        QTest::mouseClick(panel->frameSearchPaper->btnSearch, Qt::LeftButton);
        EXPECT_TRUE(Captions(*panel).contains(l7160)) << key;
        ExpectAllContain(*panel, QStringLiteral("7160"));
    }
    // The searches go on the history once the list is shown, newest first.
    RunLoopUntil([&] { return search->count() > 0 && search->itemText(0) == QStringLiteral("AVERY l7160"); });
    EXPECT_EQ(search->itemText(0), QStringLiteral("AVERY l7160"));
    EXPECT_GE(search->findText(QStringLiteral("l7160")), 1);
    EXPECT_EQ(search->currentText(), QStringLiteral("AVERY l7160")) << "the typed text stays";
    search->clearEditText();
    Type(search, QStringLiteral("hisago elm006"));
    QTest::mouseClick(panel->frameSearchPaper->btnSearch, Qt::LeftButton);
    EXPECT_EQ(Captions(*panel), QStringList{QStringLiteral("Hisago ELM006 ラベル 10面")});

    // The preview outlines each of the 21 faces where the sheet has it.
    search->clearEditText();
    Type(search, QStringLiteral("l7160"));
    QTest::mouseClick(panel->frameSearchPaper->btnSearch, Qt::LeftButton);
    ClickRow(*panel, l7160);
    ClickRadio(panel->rbPortrait); // as the sheet's faces are given
    EXPECT_TRUE(panel->memoInfo->toPlainText().contains(QStringLiteral("面数: 3x7")));
    const TPaperSite& site = *panel->PaperSite;
    ASSERT_EQ(CountFaces(site), 21);
    const TPaperInfo* paper = panel->GetSelectedPaper();
    ASSERT_NE(paper, nullptr);
    const QImage image = panel->PaperSite->grab().toImage();
    for (int face = 0; face < 21; ++face)
        ExpectOutlined(site, image, paper->GetFaceRect(face));
}

TEST_F(PaperSelectTest, TheSameRoadByKeysAlone) {
    TfrmPaperSelectPanel* panel = EnterPaperSelection();
    ASSERT_NE(panel, nullptr);
    // Space on the selected genre takes it back; the search box follows the filters.
    QTest::keyClick(main, Qt::Key_J, Qt::AltModifier);
    ASSERT_TRUE(panel->lbGenre->hasFocus());
    QTest::keyClick(panel->lbGenre, Qt::Key_Space);
    ASSERT_EQ(panel->SelectedGenre(), -1);
    ASSERT_TRUE(panel->frameSearchPaper->isVisibleTo(panel));
    QComboBox* search = panel->frameSearchPaper->cbSearch;
    while (!search->hasFocus() && QApplication::focusWidget() != panel->lvPaper)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_TRUE(search->hasFocus());
    Type(search, QStringLiteral("めいし"));
    QTest::keyClick(search, Qt::Key_Return);
    ExpectAllContain(*panel, QStringLiteral("名刺"));

    // Genre by arrows, maker and use by their mnemonics: the lists follow the genre.
    QTest::keyClick(main, Qt::Key_J, Qt::AltModifier);
    QTest::keyClick(panel->lbGenre, Qt::Key_Home);
    QTest::keyClick(panel->lbGenre, Qt::Key_Right);
    QTest::keyClick(panel->lbGenre, Qt::Key_Right);
    EXPECT_EQ(panel->SelectedGenre(), 2);
    EXPECT_FALSE(panel->frameSearchPaper->isVisibleTo(panel));
    QTest::keyClick(main, Qt::Key_M, Qt::AltModifier);
    ASSERT_TRUE(panel->cbMaker->hasFocus());
    QTest::keyClick(panel->cbMaker, Qt::Key_Home);
    QTest::keyClick(panel->cbMaker, Qt::Key_Down);
    EXPECT_EQ(panel->cbMaker->currentText(), QStringLiteral("Quorlane"));
    const int cd = panel->cbGroup->findText(QStringLiteral("CD/DVD"));
    ASSERT_GT(cd, 0);
    QTest::keyClick(main, Qt::Key_G, Qt::AltModifier);
    ASSERT_TRUE(panel->cbGroup->hasFocus());
    QTest::keyClick(panel->cbGroup, Qt::Key_Home);
    for (int i = 0; i < cd; ++i)
        QTest::keyClick(panel->cbGroup, Qt::Key_Down);
    EXPECT_EQ(panel->cbGroup->currentText(), QStringLiteral("CD/DVD"));
    // The list by its mnemonic, one step down with the preview following; Tab to the orientation,
    // an arrow to landscape, Tab to the big button, Enter.
    QTest::keyClick(main, Qt::Key_N, Qt::AltModifier);
    ASSERT_TRUE(panel->lvPaper->hasFocus());
    QTest::keyClick(panel->lvPaper, Qt::Key_Down);
    const QString chosen = panel->lvPaper->currentItem()->text(0);
    EXPECT_EQ(chosen, Captions(*panel).value(1));
    EXPECT_EQ(panel->PaperSite->PaperInfo()->PaperName, chosen);
    QTest::keyClick(panel->lvPaper, Qt::Key_Tab);
    ASSERT_TRUE(panel->rbPortrait->hasFocus());
    QTest::keyClick(panel->rbPortrait, Qt::Key_Right);
    EXPECT_TRUE(panel->rbLandscape->isChecked());
    EXPECT_GT(panel->PaperSite->width(), panel->PaperSite->height()) << "the preview turned";
    QTest::keyClick(panel->rbLandscape, Qt::Key_Tab);
    ASSERT_TRUE(panel->btnToEdit->hasFocus());
    QTest::keyClick(panel->btnToEdit, Qt::Key_Return);

    EXPECT_EQ(main->HostedKind(), mkLayout);
    TLabelData* document = main->Document();
    EXPECT_EQ(document->GetPaperInfo()->PaperName, chosen);
    EXPECT_TRUE(document->GetPaperInfo()->Landscape);
    EXPECT_EQ(document->FaceSides, fsFront);
    EXPECT_EQ(ReadSettingInteger(QStringLiteral("DefaultFaceGenre"), -1), 2);
    EXPECT_EQ(ReadSettingString(QStringLiteral("DefaultFaceGroup"), QString()), QStringLiteral("CD/DVD"));

    // Back to the paper: the used paper is selected again, and Enter in the list goes on.
    main->actNew->trigger();
    panel = qobject_cast<TfrmPaperSelectBase*>(main->HostedForm())->Panel();
    RunLoopUntil([&] { return panel->isVisible(); });
    EXPECT_EQ(panel->SelectedGenre(), 2);
    ASSERT_NE(panel->GetSelectedPaper(), nullptr);
    EXPECT_EQ(panel->GetSelectedPaper()->PaperName, chosen);
    EXPECT_TRUE(panel->rbLandscape->isChecked());
    QTest::keyClick(main, Qt::Key_J, Qt::AltModifier);
    QTest::keyClick(panel->lbGenre, Qt::Key_Home);
    EXPECT_EQ(Captions(*panel), QStringList{chosen}) << "the recent genre";
    QTest::keyClick(main, Qt::Key_N, Qt::AltModifier);
    QTest::keyClick(panel->lvPaper, Qt::Key_Return);
    EXPECT_EQ(main->HostedKind(), mkLayout);
}

TEST_F(PaperSelectTest, ADocumentWithPagesIsReplacedOnlyThroughTheSaveQuestion) {
    TfrmPaperSelectPanel* panel = EnterPaperSelection();
    ASSERT_NE(panel, nullptr);
    TLabelData* document = main->Document();
    // A page on a sheet other than the current one.
    document->SetCurrentSheetNo(0);
    TOwnedDOList objects;
    auto background = std::make_unique<TLOBackImage>(nullptr);
    background->SetLogRect(TRect(0, 0, 100, 100));
    background->FillColor()->SetColor(0x0000FF);
    objects.Add(std::move(background));
    TDOList page;
    objects.ListObjects(page);
    document->StoreLabelObjects(0, page);
    document->SetCurrentSheetNo(2);
    document->SetModified(true);
    const bool holds = [&] {
        document->SetCurrentSheetNo(0);
        const bool has = document->HasLabelData(0);
        document->SetCurrentSheetNo(2);
        return has;
    }();
    ASSERT_TRUE(holds);
    dialogs.answers = {mrCancel};
    QTest::keyClick(panel->lvPaper, Qt::Key_Return);
    EXPECT_EQ(main->HostedKind(), mkPaper);
    EXPECT_EQ(main->Document(), document);
    EXPECT_TRUE(document->Modified()) << "Cancel keeps the modified document";
    EXPECT_EQ(dialogs.boxes.size(), 1u);
    dialogs.answers = {mrNo};
    QTest::keyClick(panel->lvPaper, Qt::Key_Return);
    EXPECT_EQ(main->HostedKind(), mkLayout);
    EXPECT_NE(main->Document(), document);
}

TEST_F(PaperSelectTest, DeletingTheLastUserPaperSelectsTheNewLastAndColumnsSortBothWays) {
    TPapersV2& papers = *data->Papers();
    for (const char* name : {"My B", "My A", "My C"}) {
        std::unique_ptr<TPaperInfo> own = [&] {
            const TPaperInfo* first = papers.GetPaper(0);
            std::unique_ptr<TPaperInfo> copy(static_cast<TPaperInfo*>(first->NewInstance(nullptr)));
            copy->Assign(first);
            return copy;
        }();
        own->PaperName = QString::fromLatin1(name);
        own->ReadOnly = false;
        papers.AddOrReplace(*own);
    }
    TfrmPaperSelectPanel* panel = EnterPaperSelection();
    ASSERT_NE(panel, nullptr);
    auto* base = qobject_cast<TfrmPaperSelectBase*>(main->HostedForm());
    panel->lbGenre->setCurrentRow(TfrmPaperSelectPanel::kGenreUser);
    EXPECT_EQ(Captions(*panel), (QStringList{"My B", "My A", "My C"}));
    panel->SortByColumn(0);
    EXPECT_EQ(Captions(*panel), (QStringList{"My A", "My B", "My C"}));
    panel->SortByColumn(0);
    EXPECT_EQ(Captions(*panel), (QStringList{"My C", "My B", "My A"}));
    panel->SortByColumn(0);
    EXPECT_EQ(Captions(*panel), (QStringList{"My A", "My B", "My C"}));

    panel->lvPaper->setCurrentItem(panel->lvPaper->topLevelItem(2));
    emit base->mnuEditPaper->aboutToShow();
    ASSERT_TRUE(base->mnuDeletePaper->isEnabled()) << "a user paper may go";
    dialogs.answers = {mrCancel};
    base->mnuDeletePaper->trigger();
    EXPECT_GE(papers.IndexOf(QStringLiteral("My C")), 0);
    dialogs.answers = {mrOk};
    base->mnuDeletePaper->trigger();
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes[1].text, QStringLiteral("「My C」を削除します。よろしいですか？"));
    EXPECT_LT(papers.IndexOf(QStringLiteral("My C")), 0);
    ASSERT_NE(panel->GetSelectedPaper(), nullptr);
    EXPECT_EQ(panel->GetSelectedPaper()->PaperName, QStringLiteral("My A")) << "the new last item";
    // A system paper stays outside the extended functions.
    panel->lbGenre->setCurrentRow(2);
    emit base->mnuEditPaper->aboutToShow();
    EXPECT_FALSE(base->mnuDeletePaper->isEnabled());
}

TEST_F(PaperSelectTest, AnOlderDocumentCopyNeverReplacesTheStoresPaperHiddenByTheFilters) {
    TfrmPaperSelectPanel* panel = EnterPaperSelection();
    ASSERT_NE(panel, nullptr);
    const TPapersV2& papers = *data->Papers();
    const TPaperInfo* stored = papers.GetPaper(papers.IndexOf(QStringLiteral("QL-CD1 CD/DVDラベル 1面")));
    ASSERT_NE(stored, nullptr);
    const QByteArray before = StoredPaper(stored->PaperName);
    std::unique_ptr<TPaperInfo> older(static_cast<TPaperInfo*>(stored->NewInstance(nullptr)));
    older->Assign(stored);
    older->SetWidth(older->StoredWidth() + 50);
    // The saved use filter hides the paper.
    WriteSettingString(QStringLiteral("DefaultFaceGroup"), QStringLiteral("はがき"));
    panel->SelectPaper(older.get());
    EXPECT_EQ(StoredPaper(stored->PaperName), before);
    ASSERT_NE(panel->GetSelectedPaper(), nullptr);
    EXPECT_EQ(panel->GetSelectedPaper()->PaperName, stored->PaperName) << "the filters were cleared";
    EXPECT_EQ(panel->cbGroup->currentIndex(), 0);
}

TEST_F(PaperSelectTest, ThePreviewDrawsEachFaceWhereItsPaperPutsIt) {
    TPapersV2& papers = *data->Papers();
    // 2 x 5 faces of 850 x 480 from (150, 200), gaps of 100 across and 60 down.
    auto* matrix = new TMatrixPaperInfo(nullptr);
    const auto grid = UserPaper(matrix, "Grid 2x5");
    matrix->LeftOffset = 150;
    matrix->TopOffset = 200;
    matrix->FaceWidth = 850;
    matrix->FaceHeight = 480;
    matrix->RightMargin = 100;
    matrix->BottomMargin = 60;
    matrix->FaceCountX = 2;
    matrix->FaceCountY = 5;
    papers.AddOrReplace(*grid);
    // One face at (100, 200), 500 x 300, printable on its back.
    auto* freePaper = new TFreePaperInfo(nullptr);
    const auto freeSheet = UserPaper(freePaper, "Free back");
    freePaper->Faces()->Add()->Rect = TRect(100, 200, 600, 500);
    papers.AddOrReplace(*freeSheet);
    TExAlbumInfo album(nullptr);
    album.PaperName = freeSheet->PaperName;
    album.CanReverse = true;
    papers.PutExtraInfo(QStringLiteral("ExtraAlbumInfo"), album);
    WriteSettingInteger(QStringLiteral("DefaultFaceSide"), 0);

    TfrmPaperSelectPanel* panel = EnterPaperSelection();
    ASSERT_NE(panel, nullptr);
    // In an 800 x 600 window nothing is cut off: the five genres, the preview in its frame.
    main->resize(800, 600);
    RunLoopUntil([&] { return panel->height() < 600; });
    QApplication::processEvents();
    const QListWidget* genres = panel->lbGenre;
    EXPECT_TRUE(genres->viewport()->rect().contains(genres->visualItemRect(genres->item(4))));
    const QWidget* frame = panel->pnlPreview->parentWidget();
    EXPECT_TRUE(frame->contentsRect().contains(panel->pnlPreview->geometry()));
    EXPECT_TRUE(panel->rect().contains(frame->geometry()));
    const TPaperSite& site = *panel->PaperSite;
    panel->SelectPaper(papers.GetPaper(papers.IndexOf(grid->PaperName)));
    ASSERT_EQ(CountFaces(site), 10);
    QImage image = panel->PaperSite->grab().toImage();
    for (int row = 0; row < 5; ++row)
        for (int column = 0; column < 2; ++column) {
            const int left = 150 + column * 950;
            const int top = 200 + row * 540;
            ExpectOutlined(site, image, TRect(left, top, left + 850, top + 480));
            // The gaps are blank paper.
            if (column == 0) {
                EXPECT_TRUE(Blank(image, site.LogToDev(TPoint(1050, top + 240)).ToQPoint())) << row;
            }
            if (row < 4) {
                EXPECT_TRUE(Blank(image, site.LogToDev(TPoint(left + 425, top + 510)).ToQPoint())) << row;
            }
        }
    // The whole sheet stays inside the preview.
    EXPECT_TRUE(QRect(QPoint(), panel->pnlPreview->size()).contains(site.geometry()));

    // A CD label: the outline of the disc and of its hole, blank ring between.
    const TPaperInfo* cd = papers.GetPaper(papers.IndexOf(QStringLiteral("QL-CD1 CD/DVDラベル 1面")));
    ASSERT_NE(cd, nullptr);
    panel->SelectPaper(cd);
    image = panel->PaperSite->grab().toImage();
    const TRect disc = cd->GetFaceRect(0);
    const TPoint centre((disc.Left + disc.Right) / 2, (disc.Top + disc.Bottom) / 2);
    constexpr int kHoleRadius = 205;
    // Outlines end a pixel inside their right edge.
    for (const auto& [x, right] : {std::pair{centre.X - kHoleRadius, 0}, std::pair{centre.X + kHoleRadius, 1},
                                   std::pair{disc.Left, 0}, std::pair{disc.Right, 1}}) {
        const QPoint p = site.LogToDev(TPoint(x, centre.Y)).ToQPoint() - QPoint(right, 0);
        EXPECT_TRUE(Ink(image, p) || Ink(image, p - QPoint(1, 0)) || Ink(image, p + QPoint(1, 0))) << x;
    }
    EXPECT_TRUE(Blank(image, site.LogToDev(centre).ToQPoint()));
    EXPECT_TRUE(
        Blank(image, site.LogToDev(TPoint((disc.Left + centre.X - kHoleRadius) / 2, centre.Y)).ToQPoint()));

    // The back side of a free sheet is mirrored across the paper; landscape turns it.
    const QByteArray stored = StoredPaper(freeSheet->PaperName);
    panel->SelectPaper(papers.GetPaper(papers.IndexOf(freeSheet->PaperName)));
    ASSERT_TRUE(panel->rbBack->isEnabled());
    panel->rbBack->click();
    image = panel->PaperSite->grab().toImage();
    ExpectOutlined(site, image, TRect(1500, 200, 2000, 500));
    EXPECT_TRUE(Blank(image, site.LogToDev(TPoint(350, 350)).ToQPoint()))
        << "nothing left at the front's place";
    panel->rbLandscape->click();
    image = panel->PaperSite->grab().toImage();
    EXPECT_GT(site.width(), site.height());
    ExpectOutlined(site, image, TRect(200, 100, 500, 600));
    panel->rbFront->click();
    image = panel->PaperSite->grab().toImage();
    ExpectOutlined(site, image, TRect(200, 1500, 500, 2000));
    EXPECT_EQ(StoredPaper(freeSheet->PaperName), stored) << "the store's paper is never mirrored or turned";
}

TEST(PaperSelectRules, NormalisingAndFiltering) {
    EXPECT_EQ(NormalizeSearchText(QStringLiteral("abcｱｲ")), QStringLiteral("ＡＢＣアイ"));
    EXPECT_EQ(NormalizeSearchText(QStringLiteral("ａｂかなＣ")), QStringLiteral("ＡＢカナＣ"))
        << "full-width letters are upper-cased too";
    TStringList synonyms(QStringList{QStringLiteral("ＣＤ"), QStringLiteral("ディスク"),
                                     QStringLiteral("ディスク"), QStringLiteral("ラベル")});
    TPaperInfoUI entry;
    entry.PaperName = QStringLiteral("ディスクラベル");
    entry.Company = QStringLiteral("A");
    entry.GroupName = QStringLiteral("G");
    entry.GenreIndex = 2;
    TPaperFilter filter;
    filter.Synonyms = &synonyms;
    const QString name = NormalizeSearchText(entry.PaperName);
    filter.SearchKey = NormalizeSearchText(QStringLiteral("cd"));
    EXPECT_TRUE(MatchesFilter(filter, entry, name)) << "through the synonym";
    filter.SearchKey = QStringLiteral("ラベ");
    EXPECT_TRUE(MatchesFilter(filter, entry, name));
    filter.SearchKey = QStringLiteral("ＸＸ");
    EXPECT_FALSE(MatchesFilter(filter, entry, name));
    // Words in any order, each found directly or through a synonym; every word must be found.
    filter.SearchKey = NormalizeSearchText(QStringLiteral("ﾗﾍﾞﾙ cd"));
    EXPECT_TRUE(MatchesFilter(filter, entry, name));
    filter.SearchKey = NormalizeSearchText(QStringLiteral("ラベル　ＸＸ"));
    EXPECT_FALSE(MatchesFilter(filter, entry, name));
    filter.SearchKey = QStringLiteral("ＸＸ");
    // A key on an odd line is no synonym key.
    synonyms =
        TStringList(QStringList{QStringLiteral("ＸＸ"), QStringLiteral("ＣＤ"), QStringLiteral("ＸＸ")});
    EXPECT_FALSE(MatchesFilter(filter, entry, name));
    filter.Genre = 2;
    EXPECT_TRUE(MatchesFilter(filter, entry, name)) << "a genre ignores the search";
    filter.MakerIndex = 1;
    filter.Maker = QStringLiteral("B");
    EXPECT_FALSE(MatchesFilter(filter, entry, name));
    filter.MakerIndex = 0;
    filter.GroupIndex = 2;
    filter.Group = QStringLiteral("G");
    EXPECT_TRUE(MatchesFilter(filter, entry, name));
    filter.Genre = 3;
    EXPECT_FALSE(MatchesFilter(filter, entry, name));
}

TEST(PaperSelectRules, NamesSizesAndOrder) {
    const TStringList v1(QStringList{QStringLiteral("Old A4=Mid A4")});
    const TStringList v2(QStringList{QStringLiteral("Mid A4=New A4")});
    EXPECT_EQ(MapPaperName(QStringLiteral("Old A4"), v1, v2), QStringLiteral("New A4"));
    EXPECT_EQ(MapPaperName(QStringLiteral("Maker Card 10"), v1, v2), QStringLiteral("Card 10"));
    EXPECT_EQ(MapPaperName(QStringLiteral("Plain"), v1, v2), QStringLiteral("Plain"));
    TFormSizeTable forms;
    forms.insert((quint64(2100) << 32) | 2970, QStringLiteral("A4"));
    EXPECT_EQ(FormatPaperSize(forms, 2100, 2970), QStringLiteral("A4"));
    EXPECT_EQ(FormatPaperSize(forms, 1485, 2100), QStringLiteral("148.5x210mm"));
    // First-level kanji in reading order: 阿 (a) before 伊 (i), which UTF-16 would turn round.
    EXPECT_LT(ComparePaperText(QStringLiteral("阿"), QStringLiteral("伊")), 0);
    EXPECT_LT(ComparePaperText(QStringLiteral("ア"), QStringLiteral("亜")), 0);
    EXPECT_LT(ComparePaperText(QStringLiteral("A"), QStringLiteral("AB")), 0);
    EXPECT_EQ(ComparePaperText(QStringLiteral("名刺"), QStringLiteral("名刺")), 0);
}

// A host that counts its layout editor being asked for.
struct BareHost : BareAppHost {
    int layoutEntered = 0;
    BareHost() { QObject::connect(&action, &QAction::triggered, [this] { ++layoutEntered; }); }
};

class NoPaperStoreTest : public AppFixture {};

TEST_F(NoPaperStoreTest, PaperSelectionWithoutThePaperDatabaseSaysSoAndGoesNowhere) {
    ASSERT_EQ(dataMain(), nullptr);
    BareHost host;
    TfrmPaperSelectBase form(&host);
    EXPECT_EQ(form.Panel(), nullptr);
    auto* told = form.findChild<QLabel*>(QStringLiteral("lblNoPapers"));
    ASSERT_NE(told, nullptr);
    EXPECT_EQ(told->text(), NoPaperStoreText());
    EXPECT_FALSE(form.frameModeBar1->btnEdit->isEnabled());
    EXPECT_FALSE(form.btnEditMenu->isEnabled());
    form.show();
    form.ResetPapers();
    form.UpdatePanelButtons();
    dialogs.answers = {mrOk};
    EXPECT_FALSE(form.GoToLayout());
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, NoPaperStoreText());
    EXPECT_EQ(host.layoutEntered, 0);
}

} // namespace

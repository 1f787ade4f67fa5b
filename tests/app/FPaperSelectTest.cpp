// Paper selection on the main window with the shipped papers and a stand-in layout editor, driven
// by keys and clicks; and its filter, name and size rules.

#include "app/DMain.h"
#include "app/FMain.h"
#include "app/FModeBar.h"
#include "app/dialogs/FAbout.h"
#include "app/dialogs/FPaperSelectBase.h"
#include "app/dialogs/FPaperSelectPanel.h"
#include "core/UAppFrame.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/layout/ULOBackImage.h"
#include "papers/ULabelData.h"
#include "papers/UPaperInfo.h"
#include "papers/UPapers.h"
#include "papers/UPapersUI.h"
#include "platform/ComponentWriter.h"
#include "platform/Stream.h"
#include "tests/app/AppTestSupport.h"

#include <QAction>
#include <QComboBox>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>

namespace {

class StandInLayout : public QWidget, public IModeForm {
public:
    explicit StandInLayout(QWidget* parent) : QWidget(parent) {}
};

class PaperSelectTest : public AppFixture {
protected:
    void SetUp() override {
        Start();
        // In place of the layout editor that start-up registers.
        RegisterModeForm(mkLayout, [](TfrmMain* main) { return new StandInLayout(main); });
        RunUntilIdleHandled();
        main = data->MainForm();
        ASSERT_NE(main, nullptr);
        if (QPointer<TfrmAbout> splash = data->Splash()) {
            splash->RequestClose();
            RunLoopUntil([&] { return !splash; });
        }
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

    TfrmMain* main = nullptr;
};

TEST_F(PaperSelectTest, APaperChosenByKeysBecomesTheNewDocumentsPaper) {
    TfrmPaperSelectPanel* panel = EnterPaperSelection();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(main->HostedKind(), mkPaper);
    EXPECT_EQ(TframeModeBarEx::CurrentStep(), TframeModeBarEx::kStepPaper);
    // Genre by its mnemonic and arrows: the use list follows the genre.
    QTest::keyClick(main, Qt::Key_J, Qt::AltModifier);
    ASSERT_TRUE(panel->lbGenre->hasFocus());
    QTest::keyClick(panel->lbGenre, Qt::Key_Home);
    QTest::keyClick(panel->lbGenre, Qt::Key_Right);
    QTest::keyClick(panel->lbGenre, Qt::Key_Right);
    EXPECT_EQ(panel->SelectedGenre(), 2);
    EXPECT_FALSE(panel->frameSearchPaper->isVisibleTo(panel)) << "no search inside a genre";
    EXPECT_EQ(panel->cbGroup->itemText(0), QStringLiteral("すべての用途"));
    const int cd = panel->cbGroup->findText(QStringLiteral("CD/DVD"));
    ASSERT_GT(cd, 0);
    QTest::keyClick(main, Qt::Key_G, Qt::AltModifier);
    ASSERT_TRUE(panel->cbGroup->hasFocus());
    for (int i = 0; i < cd; ++i)
        QTest::keyClick(panel->cbGroup, Qt::Key_Down);
    EXPECT_EQ(panel->cbGroup->currentText(), QStringLiteral("CD/DVD"));
    for (const QString& caption : Captions(*panel))
        EXPECT_TRUE(caption.contains(QStringLiteral("CD")) || caption.contains(QStringLiteral("MO")))
            << caption.toStdString();
    // The list by its mnemonic, one step down, landscape, Enter goes on.
    QTest::keyClick(main, Qt::Key_N, Qt::AltModifier);
    ASSERT_TRUE(panel->lvPaper->hasFocus());
    QTest::keyClick(panel->lvPaper, Qt::Key_Down);
    const QString chosen = panel->lvPaper->currentItem()->text(0);
    EXPECT_EQ(chosen, Captions(*panel).value(1));
    EXPECT_TRUE(panel->pnlPreview->isVisibleTo(panel));
    const QByteArray before = StoredPaper(chosen);
    panel->rbLandscape->click();
    QTest::keyClick(panel->lvPaper, Qt::Key_Return);

    EXPECT_EQ(main->HostedKind(), mkLayout);
    TLabelData* document = main->Document();
    EXPECT_EQ(document->CurrentSheetNo(), 2);
    EXPECT_EQ(document->GetPaperInfo()->PaperName, chosen);
    EXPECT_TRUE(document->GetPaperInfo()->Landscape);
    EXPECT_TRUE(document->SeparatelyDesign);
    EXPECT_EQ(document->FaceSides, fsFront);
    EXPECT_NE(document->GetPaperExtraInfo(), nullptr);
    EXPECT_FALSE(document->Modified());
    EXPECT_EQ(ReadSettingString(QStringLiteral("DefaultPaperName"), QString()), chosen);
    EXPECT_TRUE(ReadSettingBool(QStringLiteral("DefaultLandScape"), false));
    EXPECT_EQ(ReadSettingInteger(QStringLiteral("DefaultFaceGenre"), -1), 2);
    EXPECT_EQ(ReadSettingString(QStringLiteral("DefaultFaceGroup"), QString()), QStringLiteral("CD/DVD"));
    EXPECT_EQ(StoredPaper(chosen), before) << "the store's paper is never turned";

    // Back to the paper: the used paper leads the recent genre and is selected again.
    main->actNew->trigger();
    panel = qobject_cast<TfrmPaperSelectBase*>(main->HostedForm())->Panel();
    RunLoopUntil([&] { return panel->isVisible(); });
    EXPECT_EQ(panel->SelectedGenre(), 2);
    ASSERT_NE(panel->GetSelectedPaper(), nullptr);
    EXPECT_EQ(panel->GetSelectedPaper()->PaperName, chosen);
    EXPECT_TRUE(panel->rbLandscape->isChecked());
    panel->lbGenre->setCurrentRow(TfrmPaperSelectPanel::kGenreRecent);
    EXPECT_EQ(Captions(*panel), QStringList{chosen});
}

TEST_F(PaperSelectTest, SearchFindsKatakanaByHiraganaAndAGenreHidesIt) {
    TfrmPaperSelectPanel* panel = EnterPaperSelection();
    ASSERT_NE(panel, nullptr);
    panel->lbGenre->setCurrentRow(-1);
    panel->lbGenre->clearSelection();
    panel->RefreshGenre(true);
    ASSERT_TRUE(panel->frameSearchPaper->isVisibleTo(panel));
    // An empty search lists every paper of every maker and use.
    panel->frameSearchPaper->btnSearch->click();
    EXPECT_EQ(panel->lvPaper->topLevelItemCount(), data->Papers()->GetCount());
    panel->frameSearchPaper->cbSearch->setEditText(QStringLiteral("いんでっくす"));
    panel->frameSearchPaper->btnSearch->click();
    const QStringList found = Captions(*panel);
    ASSERT_FALSE(found.isEmpty());
    for (const QString& caption : found)
        EXPECT_TRUE(caption.contains(QStringLiteral("インデックス"))) << caption.toStdString();
    EXPECT_EQ(panel->lvPaper->currentItem(), panel->lvPaper->topLevelItem(0));
    // A genre ignores the search key.
    panel->lbGenre->setCurrentRow(2);
    EXPECT_GT(panel->lvPaper->topLevelItemCount(), found.size());
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

TEST(PaperSelectRules, NormalisingAndFiltering) {
    EXPECT_EQ(NormalizeSearchText(QStringLiteral("abcｱｲ")), QStringLiteral("ＡＢＣアイ"));
    EXPECT_EQ(NormalizeSearchText(QStringLiteral("ａｂかな")), QStringLiteral("ａｂカナ"))
        << "two-byte letters stay";
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

} // namespace

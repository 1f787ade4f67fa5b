// Adding and editing papers from paper selection on the main window with the shipped papers: the
// extended switch, the paper wizard's pages driven by keys and clicks, and what the store keeps.

#include "app/DMain.h"
#include "app/FMain.h"
#include "app/FModeBar.h"
#include "app/UModeRegistry.h"
#include "app/dialogs/FEditPaper10.h"
#include "app/dialogs/FEditPaper20.h"
#include "app/dialogs/FEditPaper30.h"
#include "app/dialogs/FEditPaper40.h"
#include "app/dialogs/FPaperSelectBase.h"
#include "app/dialogs/FPaperSelectPanel.h"
#include "app/dialogs/UPaperEditing.h"
#include "controls/Exspined.h"
#include "core/UDocStorage.h"
#include "platform/CompoundFile.h"
#include "core/UAppFrame.h"
#include "pageobjects/engine/UAction.h"
#include "pageobjects/engine/UDrawSite.h"
#include "papers/UExtraPaperInfo.h"
#include "papers/ULOFace.h"
#include "papers/UPaperInfo.h"
#include "papers/UPapers.h"
#include "papers/UPurposeList.h"
#include "platform/ComponentWriter.h"
#include "platform/Printer.h"
#include "platform/Stream.h"
#include "tests/TestSupport.h"
#include "tests/app/AppTestSupport.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

namespace {

class EditPaperTest : public AppFixture {
protected:
    void SetUp() override {
        main = StartMainWindow(
            [] { RegisterStandInLayout(); });
        ASSERT_NE(main, nullptr);
        QApplication::setActiveWindow(main);
    }
    void TearDown() override {
        SetAdvancedPaperMode(false);
        data.reset();
        RegisterModeForm(mkLayout, {});
        TframeModeBarEx::ResetCurrentStep();
    }
    TfrmPaperSelectBase* EnterPaperSelection() {
        main->actNew->trigger();
        auto* base = qobject_cast<TfrmPaperSelectBase*>(main->HostedForm());
        if (base)
            RunLoopUntil([&] { return base->isVisible(); });
        return base;
    }

    // A system paper of the sheet size, selected in the list (every genre shown).
    const TPaperInfo* SelectSystemPaper(TfrmPaperSelectPanel& panel, int width, int height) {
        panel.lbGenre->setCurrentRow(-1);
        panel.lbGenre->clearSelection();
        panel.RefreshGenre(true);
        for (int i = 0; i < panel.lvPaper->topLevelItemCount(); ++i) {
            QTreeWidgetItem* item = panel.lvPaper->topLevelItem(i);
            panel.lvPaper->setCurrentItem(item);
            const TPaperInfo* paper = panel.GetSelectedPaper();
            if (paper && paper->ReadOnly && dynamic_cast<const TMatrixPaperInfo*>(paper) &&
                paper->Width() == width && paper->Height() == height && paper->GetFaceCount() > 1)
                return paper;
        }
        return nullptr;
    }
    QByteArray StoredPaper(const QString& name) const {
        TMemoryStream stream;
        const TPapersV2& papers = *data->Papers();
        WriteComponent(stream, papers.GetPaper(papers.IndexOf(name)));
        return stream.Data();
    }
    // A user paper in the store under name (a copy of the first paper).
    void AddUserPaper(const QString& name) {
        TPapersV2& papers = *data->Papers();
        std::unique_ptr<TPaperInfo> own(static_cast<TPaperInfo*>(papers.GetPaper(0)->NewInstance(nullptr)));
        own->Assign(papers.GetPaper(0));
        own->PaperName = name;
        own->ReadOnly = false;
        papers.AddOrReplace(*own);
    }

    TfrmMain* main = nullptr;
};

// Typed over what the field holds, as a user does.
void TypeInto(TExSpinEdit* edit, const QString& text) {
    edit->setFocus();
    edit->Edit()->selectAll();
    QTest::keyClicks(edit->Edit(), text);
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

// The name of the current printer's form of a size; empty when it has none.
QString FormOfSize(int width, int height) {
    const QStringList& printers = Printer().Printers();
    const int index = Printer().PrinterIndex();
    TIntf<ImPrinterForm> forms =
        CreatePrinterForm(index >= 0 && index < printers.size() ? printers[index] : QString(), QString(), nullptr);
    const int found = forms->IndexOfSize(TPoint(width, height));
    return found >= 0 ? forms->GetForm(found)->GetName() : QString();
}

bool Ink(const QImage& image, QPoint p) {
    return image.rect().contains(p) && qGray(image.pixel(p)) < 160;
}

// Each edge's middle of a face's outer rect is inked within a pixel of its place on the site's grab.
void ExpectOutlined(const TDrawSite& site, const QImage& image, const TRect& face, const char* what) {
    const QPoint tl = site.LogToDev(TPoint(face.Left, face.Top)).ToQPoint();
    const QPoint br = site.LogToDev(TPoint(face.Right, face.Bottom)).ToQPoint() - QPoint(1, 1);
    const QPoint mid = (tl + br) / 2;
    const auto inkNear = [&](QPoint p, QPoint step) {
        return Ink(image, p - step) || Ink(image, p) || Ink(image, p + step);
    };
    EXPECT_TRUE(inkNear({tl.x(), mid.y()}, {1, 0})) << what << " left";
    EXPECT_TRUE(inkNear({br.x(), mid.y()}, {1, 0})) << what << " right";
    EXPECT_TRUE(inkNear({mid.x(), tl.y()}, {0, 1})) << what << " top";
    EXPECT_TRUE(inkNear({mid.x(), br.y()}, {0, 1})) << what << " bottom";
}

} // namespace

TEST_F(EditPaperTest, TheExtendedSwitchIsOfferedOnlyWithTheSpecialMenuAndShowsTheEditingButtons) {
    TfrmPaperSelectBase* base = EnterPaperSelection();
    ASSERT_NE(base, nullptr);
    TfrmPaperSelectPanel* panel = base->Panel();
    emit main->popupHelp->aboutToShow();
    EXPECT_FALSE(main->actAdvancedPaper->isVisible()) << "hidden without EnableSpecialMenu";
    EXPECT_FALSE(panel->gbEditPaper->isVisible());

    WriteSettingBool(QStringLiteral("EnableSpecialMenu"), true);
    emit main->popupHelp->aboutToShow();
    ASSERT_TRUE(main->actAdvancedPaper->isVisible());
    EXPECT_FALSE(main->actAdvancedPaper->isChecked());
    main->actAdvancedPaper->trigger();
    EXPECT_TRUE(AdvancedPaperMode());
    EXPECT_TRUE(panel->gbEditPaper->isVisible()) << "the hosted panel refreshed its buttons";
    ASSERT_NE(panel->GetSelectedPaper(), nullptr);
    EXPECT_TRUE(panel->GetSelectedPaper()->ReadOnly);
    EXPECT_TRUE(panel->btnEditPaper->isEnabled()) << "a system paper is editable in extended mode";
    main->actAdvancedPaper->trigger();
    EXPECT_FALSE(AdvancedPaperMode());
    EXPECT_FALSE(panel->gbEditPaper->isVisible());
    EXPECT_FALSE(panel->btnEditPaper->isEnabled());
    emit main->popupHelp->aboutToShow();
    EXPECT_FALSE(main->actAdvancedPaper->isChecked());
    WriteSettingBool(QStringLiteral("EnableSpecialMenu"), false);
}

TEST_F(EditPaperTest, ANewGridPaperByKeysIsStoredSavedListedAndFoundAfterARestart) {
    AddUserPaper(QStringLiteral("ユーザー用紙1"));
    TfrmPaperSelectBase* base = EnterPaperSelection();
    ASSERT_NE(base, nullptr);
    TfrmPaperSelectPanel* panel = base->Panel();
    ASSERT_NE(SelectSystemPaper(*panel, 2100, 2970), nullptr);
    const QString a4 = FormOfSize(2100, 2970);
    ASSERT_FALSE(a4.isEmpty()) << "the test printer has a form of 210 x 297 mm";
    emit base->mnuEditPaper->aboutToShow();
    ASSERT_TRUE(base->mnuNewPaper->isEnabled()) << "adding needs no extended mode";

    bool sawPages = false;
    WhenModal([&](QWidget* window) {
        auto* page1 = qobject_cast<TfrmEditPaper10*>(window);
        ASSERT_NE(page1, nullptr);
        EXPECT_EQ(page1->windowTitle(), QStringLiteral("用紙の編集・登録-1/3-用紙名の登録"));
        EXPECT_EQ(page1->edtName->text(), QStringLiteral("ユーザー用紙2")) << "ユーザー用紙1 exists";
        EXPECT_FALSE(page1->edtName->isReadOnly());
        EXPECT_EQ(page1->lblSourceKind->text(), QStringLiteral("元にする用紙"));
        EXPECT_FALSE(page1->btnBack->isEnabled());
        EXPECT_FALSE(page1->gbExtended->isVisible());
        Choose(page1->cbSheet, QStringLiteral("その他"));
        Choose(page1->cbSheet, a4);
        EXPECT_EQ(page1->seWidth->Value(), 2100);
        EXPECT_EQ(page1->seHeight->Value(), 2970);
        TypeInto(page1->seWidth, QStringLiteral("210.1"));
        EXPECT_EQ(page1->cbSheet->currentText(), QStringLiteral("その他"));
        EXPECT_EQ(page1->GetResultPaper()->Width(), 2101);
        TypeInto(page1->seWidth, QStringLiteral("210"));
        EXPECT_EQ(page1->cbSheet->currentText(), a4);
        page1->cbMaker->setCurrentText(QStringLiteral("自作"));
        WhenModal([&](QWidget* second) {
            auto* page2 = qobject_cast<TfrmEditPaper20*>(second);
            ASSERT_NE(page2, nullptr);
            EXPECT_TRUE(page2->rbMatrix->isChecked());
            EXPECT_TRUE(page2->btnMatrix->isChecked());
            WhenModal([&](QWidget* third) {
                auto* grid = qobject_cast<TfrmEditPaper30*>(third);
                ASSERT_NE(grid, nullptr);
                EXPECT_EQ(grid->lblPaperName->text(), QStringLiteral("用紙名：ユーザー用紙2"));
                EXPECT_EQ(grid->lblSheet->text(), QStringLiteral("台紙：%1").arg(a4));
                TypeInto(grid->seCountX, QStringLiteral("2"));
                TypeInto(grid->seCountY, QStringLiteral("5"));
                TypeInto(grid->seFaceWidth, QStringLiteral("90"));
                TypeInto(grid->seLeftOffset, QStringLiteral("10"));
                TypeInto(grid->seGapX, QStringLiteral("10"));
                TypeInto(grid->seFaceHeight, QStringLiteral("50"));
                TypeInto(grid->seTopOffset, QStringLiteral("10"));
                TypeInto(grid->seGapY, QStringLiteral("5"));
                EXPECT_EQ(grid->Paper().GetFaceCount(), 10);
                sawPages = true;
                grid->btnFinish->click();
            });
            page2->btnNext->click();
        });
        page1->btnNext->click();
    });
    base->mnuNewPaper->trigger();
    ASSERT_TRUE(sawPages);

    TPapersV2& papers = *data->Papers();
    const int index = papers.IndexOf(QStringLiteral("ユーザー用紙2"));
    ASSERT_GE(index, 0);
    auto* made = dynamic_cast<TMatrixPaperInfo*>(papers.GetPaper(index));
    ASSERT_NE(made, nullptr);
    EXPECT_FALSE(made->ReadOnly);
    EXPECT_EQ(made->Width(), 2100);
    EXPECT_EQ(made->FaceCountX * made->FaceCountY, 10);
    EXPECT_EQ(made->FaceHeight, 500);
    EXPECT_EQ(made->GetFaceRect(9), TRect(1100, 100 + 4 * 550, 2000, 100 + 5 * 500 + 4 * 50));
    EXPECT_FALSE(papers.Modified()) << "saved at once";
    auto extra = papers.GetExtraInfo(QStringLiteral("ExtraInfos"), QStringLiteral("ユーザー用紙2"));
    ASSERT_NE(dynamic_cast<TExPaperInfo*>(extra.get()), nullptr);
    EXPECT_EQ(static_cast<TExPaperInfo*>(extra.get())->Company, QStringLiteral("自作"));
    EXPECT_EQ(panel->SelectedGenre(), TfrmPaperSelectPanel::kGenreUser);
    ASSERT_NE(panel->GetSelectedPaper(), nullptr);
    EXPECT_EQ(panel->GetSelectedPaper()->PaperName, QStringLiteral("ユーザー用紙2"));
    // The preview shows the new faces where the paper puts them.
    const QImage grab = panel->PaperSite->grab().toImage();
    for (int i : {0, 5, 9})
        ExpectOutlined(*panel->PaperSite, grab, made->GetFaceOuterRect(i), "preview face");

    // The saved copy: an outside reader finds the paper's stream, and a new start lists it, bytes
    // equal.
    const QString file = papers.FileName();
    const QByteArray bytes = StoredPaper(QStringLiteral("ユーザー用紙2"));
    if (QProcess::execute(QStringLiteral("/usr/bin/python3"), {"-c", "import olefile"}) != 0) {
        // Checked where it is installed; CI installs it.
        EXPECT_FALSE(TestSupport::UnderCI()) << "python3-olefile is missing";
    } else {
        QProcess python;
        python.start(QStringLiteral("/usr/bin/python3"),
                     {"-c",
                      "import olefile,sys\n"
                      "f=olefile.OleFileIO(sys.argv[1])\n"
                      "n=sys.argv[2].encode('cp932')\n"
                      "print(sum(1 for s in f.listdir() if n in f.openstream(s).read()))",
                      file, QStringLiteral("ユーザー用紙2")});
        ASSERT_TRUE(python.waitForFinished(30000));
        EXPECT_GE(python.readAllStandardOutput().trimmed().toInt(), 2) << "the paper and its records";
    }
    data.reset();
    main = StartMainWindow(
        [] { RegisterStandInLayout(); });
    ASSERT_NE(main, nullptr);
    ASSERT_GE(data->Papers()->IndexOf(QStringLiteral("ユーザー用紙2")), 0);
    EXPECT_EQ(StoredPaper(QStringLiteral("ユーザー用紙2")), bytes);
}

TEST_F(EditPaperTest, AFreePaperOfThreeFacesKeepsPageOneAcrossBackAndForthAndRefusesOverlaps) {
    TfrmPaperSelectBase* base = EnterPaperSelection();
    ASSERT_NE(base, nullptr);
    TfrmPaperSelectPanel* panel = base->Panel();
    ASSERT_NE(SelectSystemPaper(*panel, 2100, 2970), nullptr);
    const bool undoWas = UndoList().Enabled();
    int visits = 0;
    // Page 40's second visit: the first visit's faces were discarded by going back.
    const auto secondVisit = [&](QWidget* window) {
        auto* page = qobject_cast<TfrmEditPaper40*>(window);
        ASSERT_NE(page, nullptr);
        ++visits;
        EXPECT_EQ(CountFaces(*page->DrawSite), 1) << "going back discarded the faces";
        EXPECT_EQ(page->lblPaperName->text(), QStringLiteral("用紙名：自由1"));
        for (const TRect& r : {TRect(100, 100, 600, 600), TRect(600, 100, 1100, 400)}) {
            page->btnAddFace->click();
            TypeInto(page->seLeft, QString::number(r.Left / 10));
            TypeInto(page->seTop, QString::number(r.Top / 10));
            TypeInto(page->seWidth, QString::number(r.Width() / 10));
            TypeInto(page->seHeight, QString::number(r.Height() / 10));
        }
        page->btnFinish->click();
    };
    const auto toSecondVisit = [&](QWidget* window) {
        auto* page2 = qobject_cast<TfrmEditPaper20*>(window);
        ASSERT_NE(page2, nullptr);
        EXPECT_TRUE(page2->rbFree->isChecked()) << "the layout choice survives going back";
        WhenModal(secondVisit);
        page2->btnNext->click();
    };
    const auto pageOneAgain = [&](QWidget* window) {
        auto* page1 = qobject_cast<TfrmEditPaper10*>(window);
        ASSERT_NE(page1, nullptr);
        EXPECT_EQ(page1->edtName->text(), QStringLiteral("自由1")) << "page 1 keeps what was typed";
        EXPECT_EQ(page1->cbMaker->currentText(), QStringLiteral("自作"));
        WhenModal(toSecondVisit);
        page1->btnNext->click();
    };
    const auto backToOne = [&](QWidget* window) {
        auto* page2 = qobject_cast<TfrmEditPaper20*>(window);
        ASSERT_NE(page2, nullptr);
        WhenModal(pageOneAgain);
        page2->btnBack->click();
    };
    const auto firstVisit = [&](QWidget* window) {
        auto* page = qobject_cast<TfrmEditPaper40*>(window);
        ASSERT_NE(page, nullptr);
        ++visits;
        EXPECT_FALSE(UndoList().Enabled()) << "moving faces records no undo steps";
        ASSERT_EQ(CountFaces(*page->DrawSite), 1);
        EXPECT_EQ(GetFace(*page->DrawSite, 0)->FaceInfo().Rect, TfrmEditPaper40::DefaultFaceRect(page->Paper()));
        page->btnDeleteFace->click();
        EXPECT_EQ(CountFaces(*page->DrawSite), 1) << "the last face stays";
        page->btnAddFace->click();
        page->btnAddFace->click();
        ASSERT_EQ(CountFaces(*page->DrawSite), 3);
        EXPECT_EQ(page->CurrentFace(), 2);
        // Face 3 set by its fields.
        TypeInto(page->seLeft, QStringLiteral("10"));
        TypeInto(page->seTop, QStringLiteral("20"));
        TypeInto(page->seWidth, QStringLiteral("30"));
        TypeInto(page->seHeight, QStringLiteral("40"));
        EXPECT_EQ(GetFace(*page->DrawSite, 2)->FaceInfo().Rect, TRect(100, 200, 400, 600));
        // Face 2 dragged down by the mouse: its fields follow.
        page->SelectAndShow(1);
        const TRect before = GetFace(*page->DrawSite, 1)->FaceInfo().Rect;
        const auto drag = [&](int dy) {
            const TRect r = GetFace(*page->DrawSite, 1)->FaceInfo().Rect;
            const QPoint from = page->DrawSite->LogToDev(TPoint(r.Left + r.Width() / 4, r.Top + r.Height() / 2)).ToQPoint();
            QTest::mousePress(page->DrawSite, Qt::LeftButton, {}, from);
            QTest::mouseMove(page->DrawSite, from + QPoint(0, dy / 2));
            QTest::mouseMove(page->DrawSite, from + QPoint(0, dy));
            QTest::mouseRelease(page->DrawSite, Qt::LeftButton, {}, from + QPoint(0, dy));
        };
        drag(60);
        const TRect dragged = GetFace(*page->DrawSite, 1)->FaceInfo().Rect;
        EXPECT_GT(dragged.Top, before.Top + 100) << "moved down";
        EXPECT_EQ(page->seTop->Value(), dragged.Top) << "the fields follow the drag";
        page->chkLockMoves->click();
        drag(60);
        EXPECT_EQ(GetFace(*page->DrawSite, 1)->FaceInfo().Rect, dragged) << "no drags while locked";
        EXPECT_EQ(page->CurrentFace(), 1) << "a press still chooses the face";
        TypeInto(page->seLeft, QStringLiteral("0"));
        EXPECT_EQ(GetFace(*page->DrawSite, 1)->FaceInfo().Rect.Left, 0) << "fields work while locked";
        // Faces 1 and 2 overlap: refused, naming both; the page stays with the later face chosen.
        dialogs.answers = {mrOk};
        page->SelectAndShow(0);
        TypeInto(page->seLeft, QStringLiteral("0"));
        TypeInto(page->seTop, QStringLiteral("0"));
        TypeInto(page->seWidth, QStringLiteral("150"));
        TypeInto(page->seHeight, QStringLiteral("290"));
        page->btnFinish->click();
        ASSERT_FALSE(dialogs.boxes.empty());
        EXPECT_TRUE(dialogs.boxes.back().text.startsWith(QStringLiteral("写真枠が重なっています")));
        EXPECT_TRUE(dialogs.boxes.back().text.contains(QStringLiteral("写真枠1と写真枠2")))
            << dialogs.boxes.back().text.toStdString();
        EXPECT_TRUE(page->isVisible());
        EXPECT_EQ(page->CurrentFace(), 1);
        WhenModal(backToOne);
        page->btnBack->click();
    };
    WhenModal([&](QWidget* window) {
        auto* page1 = qobject_cast<TfrmEditPaper10*>(window);
        ASSERT_NE(page1, nullptr);
        page1->edtName->setText(QStringLiteral("自由1"));
        page1->cbMaker->setCurrentText(QStringLiteral("自作"));
        WhenModal([&](QWidget* second) {
            auto* page2 = qobject_cast<TfrmEditPaper20*>(second);
            ASSERT_NE(page2, nullptr);
            QTest::mouseClick(page2->rbFree, Qt::LeftButton, {}, QPoint(8, page2->rbFree->height() / 2));
            EXPECT_TRUE(page2->btnFree->isChecked());
            WhenModal(firstVisit);
            page2->btnNext->click();
        });
        page1->btnNext->click();
    });
    panel->btnNewPaper->click();
    EXPECT_EQ(visits, 2);
    EXPECT_EQ(UndoList().Enabled(), undoWas) << "the undo list as the page found it";

    TPapersV2& papers = *data->Papers();
    const int index = papers.IndexOf(QStringLiteral("自由1"));
    ASSERT_GE(index, 0);
    auto* made = dynamic_cast<TFreePaperInfo*>(papers.GetPaper(index));
    ASSERT_NE(made, nullptr);
    ASSERT_EQ(made->GetFaceCount(), 3);
    EXPECT_EQ(made->GetFaceRect(1), TRect(100, 100, 600, 600));
    EXPECT_EQ(made->GetFaceRect(2), TRect(600, 100, 1100, 400)) << "touching face 2 is fine";
    EXPECT_EQ(panel->GetSelectedPaper()->PaperName, QStringLiteral("自由1"));

    // Editing keeps name and stream; a sheet shrunk on page 1 and finished there is refused.
    const QString stream = papers.GetStreamName(index);
    const QByteArray bytes = StoredPaper(QStringLiteral("自由1"));
    WhenModal([&](QWidget* window) {
        auto* page1 = qobject_cast<TfrmEditPaper10*>(window);
        ASSERT_NE(page1, nullptr);
        EXPECT_TRUE(page1->edtName->isReadOnly());
        EXPECT_EQ(page1->lblSourceKind->text(), QStringLiteral("編集する用紙"));
        TypeInto(page1->seWidth, QStringLiteral("100"));
        dialogs.answers = {mrOk};
        page1->btnFinish->click();
        ASSERT_FALSE(dialogs.boxes.empty());
        EXPECT_EQ(dialogs.boxes.back().text, QStringLiteral("写真枠が用紙からはみ出しています\n(写真枠1、3)"));
        EXPECT_TRUE(page1->isVisible());
        TypeInto(page1->seWidth, QStringLiteral("210"));
        page1->btnFinish->click();
    });
    panel->btnEditPaper->click();
    ASSERT_EQ(papers.IndexOf(QStringLiteral("自由1")), index);
    EXPECT_EQ(papers.GetStreamName(index), stream);
    EXPECT_EQ(StoredPaper(QStringLiteral("自由1")), bytes);
}

TEST(EditPaperRules, DefaultsChecksShapesAndShortening) {
    RegisterPaperClasses();
    TMatrixPaperInfo paper(nullptr);
    paper.SetWidth(2100);
    paper.SetHeight(2970);
    TfrmEditPaper30::SetDefaults(paper);
    EXPECT_EQ(paper.FaceCountX * 10 + paper.FaceCountY, 23);
    EXPECT_EQ(paper.FaceWidth, 700);
    EXPECT_EQ(paper.FaceHeight, 742);
    EXPECT_EQ(paper.LeftOffset, 233);
    EXPECT_EQ(paper.TopOffset, 148);
    EXPECT_EQ(paper.RightMargin, 233);
    EXPECT_EQ(paper.BottomMargin, 148);
    EXPECT_EQ(paper.GetFaceRect(5), TRect(1166, 1928, 1866, 2670));
    EXPECT_TRUE(CheckPaperFaces(paper).Passed());

    paper.FaceWidth = paper.FaceHeight = 1000;
    paper.LeftOffset = paper.RightMargin = 100;
    TFaceCheck check = CheckPaperFaces(paper);
    EXPECT_EQ(check.Face, 1) << "the second face ends at 2200";
    // Every face that leaves the sheet is named: the right column and the bottom row.
    EXPECT_EQ(check.Message, QStringLiteral("写真枠が用紙からはみ出しています\n(写真枠2、4、5、6)"));
    paper.FaceWidth = 900;
    paper.FaceHeight = 800;
    paper.RightMargin = 0;
    EXPECT_TRUE(CheckPaperFaces(paper).Passed()) << "ends at 1900, faces touch";
    paper.FaceMargin = 1;
    check = CheckPaperFaces(paper);
    EXPECT_EQ(check.Face, 1) << "touching bleeds overlap";
    EXPECT_EQ(check.Other, 0);
    EXPECT_EQ(check.Message, QStringLiteral("写真枠が重なっています\n(写真枠1と写真枠2)"));
    paper.LeftOffset = 0;
    EXPECT_EQ(CheckPaperFaces(paper).Face, 0) << "a bleed over the edge is outside";

    TFreePaperInfo free(nullptr);
    free.SetWidth(2100);
    free.SetHeight(2970);
    EXPECT_EQ(TfrmEditPaper40::DefaultFaceRect(free), TRect(525, 1114, 1575, 1856));

    TPurposeList purposes;
    purposes.SetDefaults();
    EXPECT_EQ(ShapesForPurpose(purposes, QStringLiteral("CD")), (std::vector<TFaceShape>{fsDoughnut, fsEllipse}));
    EXPECT_EQ(ShapesForPurpose(purposes, QStringLiteral("unknown")).size(), 6u) << "a purpose the store lacks";

    const QFontMetrics metrics(QApplication::font());
    const QString name = QStringLiteral("とても長い用紙の名前がここに入りますとても長い用紙の名前");
    const int room = metrics.horizontalAdvance(name) / 2;
    const QString shortened = ShortenToWidth(name, metrics, room);
    EXPECT_TRUE(shortened.endsWith(QStringLiteral("...")));
    EXPECT_LE(metrics.horizontalAdvance(shortened), room);
    EXPECT_GT(metrics.horizontalAdvance(ShortenToWidth(name, metrics, room + 40)), room) << "the longest that fits";
    EXPECT_EQ(ShortenToWidth(QStringLiteral("短い"), metrics, room), QStringLiteral("短い"));
}

TEST_F(EditPaperTest, ExtendedModeShowsTheExtendedRowsAndAnUnreadablePatternChangesNothing) {
    TfrmPaperSelectBase* base = EnterPaperSelection();
    ASSERT_NE(base, nullptr);
    TfrmPaperSelectPanel* panel = base->Panel();
    SetAdvancedPaperMode(true);
    ASSERT_NE(SelectSystemPaper(*panel, 2100, 2970), nullptr);
    const QString name = panel->GetSelectedPaper()->PaperName;
    const QByteArray bytes = StoredPaper(name);
    QTemporaryDir dir;
    const QString garbage = dir.filePath(QStringLiteral("壊れた.qld"));
    TestSupport::WriteFile(garbage, QByteArray("not a document"));
    bool sawGrid = false;
    WhenModal([&](QWidget* window) {
        auto* page1 = qobject_cast<TfrmEditPaper10*>(window);
        ASSERT_NE(page1, nullptr);
        EXPECT_TRUE(page1->gbExtended->isVisible());
        EXPECT_TRUE(page1->chkReadOnly->isChecked()) << "a system paper unless cleared";
        EXPECT_TRUE(page1->edtName->isReadOnly());
        WhenModal([&](QWidget* second) {
            auto* page2 = qobject_cast<TfrmEditPaper20*>(second);
            ASSERT_NE(page2, nullptr);
            WhenModal([&](QWidget* third) {
                auto* grid = qobject_cast<TfrmEditPaper30*>(third);
                ASSERT_NE(grid, nullptr);
                sawGrid = true;
                EXPECT_TRUE(grid->btnAddPattern->isVisible());
                EXPECT_TRUE(grid->lblPurposeText->isVisible());
                dialogs.files = {garbage};
                dialogs.answers = {mrOk};
                grid->btnAddPattern->click();
                ASSERT_FALSE(dialogs.boxes.empty());
                EXPECT_TRUE(dialogs.boxes.back().text.contains(garbage)) << "the document is named";
                EXPECT_TRUE(grid->PaperImages().IsEmpty()) << "nothing changed";
                grid->btnCancel->click();
            });
            page2->btnNext->click();
        });
        page1->btnNext->click();
    });
    panel->btnEditPaper->click();
    EXPECT_TRUE(sawGrid);
    EXPECT_EQ(StoredPaper(name), bytes) << "cancelled: the store is as it was";
}

namespace {

// A new grid paper by the wizard's defaults: page 1 named, next, next, 完了.
void MakePaperByDefaults(TfrmPaperSelectBase& base, const QString& name) {
    WhenModal([&](QWidget* window) {
        auto* page1 = qobject_cast<TfrmEditPaper10*>(window);
        ASSERT_NE(page1, nullptr);
        page1->edtName->setText(name);
        WhenModal([&](QWidget* second) {
            auto* page2 = qobject_cast<TfrmEditPaper20*>(second);
            ASSERT_NE(page2, nullptr);
            WhenModal([&](QWidget* third) {
                auto* grid = qobject_cast<TfrmEditPaper30*>(third);
                ASSERT_NE(grid, nullptr);
                grid->btnFinish->click();
            });
            page2->btnNext->click();
        });
        page1->btnNext->click();
    });
    base.mnuNewPaper->trigger();
}

} // namespace

TEST_F(EditPaperTest, TheWizardsPaperSurvivesAKilledSaveAFailedSaveAndANewerShippedDatabase) {
    TfrmPaperSelectBase* base = EnterPaperSelection();
    ASSERT_NE(base, nullptr);
    ASSERT_NE(SelectSystemPaper(*base->Panel(), 2100, 2970), nullptr);
    TPapersV2& papers = *data->Papers();
    const QString file = papers.FileName();
    ASSERT_TRUE(SavePaperStore(papers));
    const QByteArray old = TestSupport::ReadFile(file);

    // What a kill leaves on disk at each step of the save after 完了: the old database whole until
    // the rename, the new one after it.
    std::vector<std::pair<SaveCopyStep, QByteArray>> onDisk;
    const SaveCopyStepHook previous =
        SetSaveCopyStepHook([&](SaveCopyStep step) { onDisk.emplace_back(step, TestSupport::ReadFile(file)); });
    MakePaperByDefaults(*base, QStringLiteral("自作ラベル"));
    SetSaveCopyStepHook(previous);
    ASSERT_GE(papers.IndexOf(QStringLiteral("自作ラベル")), 0);
    ASSERT_FALSE(onDisk.empty()) << "完了 saved the store";
    QTemporaryDir scratch;
    for (const auto& [step, bytes] : onDisk) {
        SCOPED_TRACE(int(step));
        const QString copy = scratch.filePath(QStringLiteral("left.ppr"));
        TestSupport::WriteFile(copy, bytes);
        TPapersV2 left(copy, true);
        EXPECT_EQ(left.IndexOf(QStringLiteral("自作ラベル")) >= 0, step == SaveCopyStep::Renamed);
        if (step != SaveCopyStep::Renamed) {
            EXPECT_EQ(bytes, old);
        }
    }

    // A save that fails (the copy held by another writer) says so; the paper stays in memory and
    // the copy on disk as it was.
    const QByteArray saved = TestSupport::ReadFile(file);
    dialogs.boxes.clear();
    {
        TFileStorage holder(file, 0x12);
        dialogs.answers = {mrOk};
        MakePaperByDefaults(*base, QStringLiteral("自作ラベル2"));
    }
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_TRUE(dialogs.boxes[0].text.startsWith(QStringLiteral("用紙データを保存できませんでした")))
        << qPrintable(dialogs.boxes[0].text);
    EXPECT_GE(papers.IndexOf(QStringLiteral("自作ラベル2")), 0);
    EXPECT_EQ(TestSupport::ReadFile(file), saved);
    ASSERT_TRUE(SavePaperStore(papers));
    const QByteArray mine = StoredPaper(QStringLiteral("自作ラベル"));

    // A newer shipped database at the next start keeps both of the user's papers, bytes equal.
    const QString installed = ExeDir() + QStringLiteral("/quorlane.ppr");
    const int pattern = TPapersV2::ReadPPRNo(installed);
    {
        TPapersV2 shipped(installed, false);
        TPaperUpdate update(nullptr);
        update.PPRNo = pattern + 1;
        shipped.SetUpdateInfo(update);
        shipped.Save();
    }
    data.reset();
    main = StartMainWindow(
        [] { RegisterStandInLayout(); });
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(TPapersV2::ReadPPRNo(data->Papers()->FileName()), pattern + 1) << "the newer database was taken";
    ASSERT_GE(data->Papers()->IndexOf(QStringLiteral("自作ラベル2")), 0);
    EXPECT_EQ(StoredPaper(QStringLiteral("自作ラベル")), mine);
}

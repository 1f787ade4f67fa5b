// Adding and editing papers from paper selection on the main window with the shipped papers: the
// extended switch, the paper wizard's pages driven by keys and clicks, and what the store keeps.

#include "app/DMain.h"
#include "app/FMain.h"
#include "app/FModeBar.h"
#include "app/dialogs/FEditPaper10.h"
#include "app/dialogs/FEditPaper20.h"
#include "app/dialogs/FEditPaper30.h"
#include "app/dialogs/FEditPaper40.h"
#include "app/dialogs/FPaperSelectBase.h"
#include "app/dialogs/FPaperSelectPanel.h"
#include "controls/Exspined.h"
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
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

namespace {

class StandInLayout : public QWidget, public IModeForm {
public:
    explicit StandInLayout(QWidget* parent) : QWidget(parent) {}
};

class EditPaperTest : public AppFixture {
protected:
    void SetUp() override {
        main = StartMainWindow(
            [] { RegisterModeForm(mkLayout, [](TfrmMain* main) { return new StandInLayout(main); }); });
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
        [] { RegisterModeForm(mkLayout, [](TfrmMain* main) { return new StandInLayout(main); }); });
    ASSERT_NE(main, nullptr);
    ASSERT_GE(data->Papers()->IndexOf(QStringLiteral("ユーザー用紙2")), 0);
    EXPECT_EQ(StoredPaper(QStringLiteral("ユーザー用紙2")), bytes);
}

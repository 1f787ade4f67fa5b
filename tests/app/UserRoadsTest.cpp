// Roads a user walks on the real main window beside the main one: an idle editor, the date tool,
// the sheet window's clear, the selection after select-all, disc labels, stacking, back sides.

#include "app/FAMPhoto.h"
#include "app/FAMText.h"
#include "app/FLayout.h"
#include "app/FMain.h"
#include "app/FModeBar.h"
#include "app/FSheet.h"
#include "app/dialogs/FPaperSelectBase.h"
#include "app/dialogs/FPaperSelectPanel.h"
#include "app/dialogs/FPhotoFileBrowser.h"
#include "app/dialogs/FPrintDialog.h"
#include "app/dialogs/FPrintPaperBase.h"
#include "app/dialogs/FPrintPaperPanel.h"
#include "app/dialogs/FPrinterSetting.h"
#include "app/dialogs/FImageBrowser.h"
#include "app/dialogs/UThumbGrid.h"
#include "controls/Exscrbox.h"
#include "controls/UExButtons.h"
#include "core/UAppUtil.h"
#include "core/USupportUtil.h"
#include "imaging/UPictureEX.h"
#include "imaging/USafetyBitmap.h"
#include "pageobjects/engine/UAction.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/engine/UDrawSiteAction.h"
#include "pageobjects/engine/UGhost.h"
#include "pageobjects/layout/ULOAlbumPhoto.h"
#include "pageobjects/layout/ULODate.h"
#include "pageobjects/layout/ULORect.h"
#include "pageobjects/layout/ULOText.h"
#include "papers/ULabelData.h"
#include "papers/UPaperInfo.h"
#include "papers/UPapers.h"
#include "platform/Printer.h"
#include "tests/FakePrinterBackend.h"
#include "tests/PrivateCupsd.h"
#include "tests/TestSupport.h"
#include "tests/app/AppTestSupport.h"

#include <algorithm>
#include <QApplication>
#include <QElapsedTimer>
#include <QInputMethodEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QEventLoop>
#include <QTimer>
#include <QCheckBox>
#include <QDir>
#include <QRadioButton>
#include <QScopeGuard>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTreeWidget>
#include <ctime>

namespace {

double ProcessCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

class UserRoadsTest : public AppFixture {
protected:
    void SetUp() override {
        RegisterPageClasses();
        main = StartMainWindow();
        ASSERT_NE(main, nullptr);
        main->resize(1000, 760);
        main->show();
        QApplication::setActiveWindow(main);
        editor = OpenLayoutEditor(main);
        ASSERT_NE(editor, nullptr);
    }
    template <class T>
    std::vector<T*> OnPage() const {
        TDOList page;
        editor->DrawSite1->ListObjects(page, false);
        std::vector<T*> found;
        for (TDrawObject* object : page)
            if (auto* typed = dynamic_cast<T*>(object))
                found.push_back(typed);
        return found;
    }
    int SelectedCount() const {
        TDOList selected;
        editor->DrawSite1->ListObjects(selected, true);
        return selected.Count();
    }

    // Printing goes to the fake print system (no queue: the PDF-file printer) until the guard goes.
    [[nodiscard]] static auto PrintToTheFakeSystem() {
        ResetPrintChoices();
        FakePrinterBackend::Install();
        Printer().Refresh();
        return qScopeGuard([] {
            SetPrinterBackend(nullptr);
            ResetPrintChoices();
        });
    }
    // 用紙 -> the genre, the group (if any) and the paper chosen by clicks; null (with a failure) when
    // one of them is not offered.
    TfrmPaperSelectPanel* ClickToPaper(const QString& genreName, const QString& groupName, const QString& paper,
                                       Qt::MatchFlags match = Qt::MatchExactly) {
        main->actPaper->trigger();
        auto* form = qobject_cast<TfrmPaperSelectBase*>(main->HostedForm());
        if (form == nullptr) {
            ADD_FAILURE() << "no paper selection";
            return nullptr;
        }
        TfrmPaperSelectPanel* panel = form->Panel();
        RunLoopUntil([&] { return form->isVisible(); });
        const QList<QListWidgetItem*> genre = panel->lbGenre->findItems(genreName, Qt::MatchExactly);
        if (genre.size() != 1) {
            ADD_FAILURE() << "no genre " << genreName.toStdString();
            return nullptr;
        }
        QTest::mouseClick(panel->lbGenre->viewport(), Qt::LeftButton, {},
                          panel->lbGenre->visualItemRect(genre[0]).center());
        if (!groupName.isEmpty()) {
            const int group = panel->cbGroup->findText(groupName);
            if (group <= 0) {
                ADD_FAILURE() << "no group " << groupName.toStdString();
                return nullptr;
            }
            panel->cbGroup->setFocus();
            QTest::keyClick(panel->cbGroup, Qt::Key_Home);
            for (int i = 0; i < group; ++i)
                QTest::keyClick(panel->cbGroup, Qt::Key_Down);
        }
        const QList<QTreeWidgetItem*> rows = panel->lvPaper->findItems(paper, match);
        if (rows.size() != 1) {
            ADD_FAILURE() << "no single paper " << paper.toStdString();
            return nullptr;
        }
        QTest::mouseClick(panel->lvPaper->viewport(), Qt::LeftButton, {},
                          panel->lvPaper->visualItemRect(rows[0]).center());
        return panel;
    }
    // 定形 -> はがき -> the card -> 両面 -> 編集画面へ: the document, null (with a failure) when that did not go.
    TLabelData* EditPostcardOnBothSides(const QString& card) {
        TfrmPaperSelectPanel* panel = ClickToPaper(QStringLiteral("定形"), QStringLiteral("はがき"), card);
        if (panel == nullptr || !panel->rbBoth->isEnabled()) {
            ADD_FAILURE() << "no two-sided " << card.toStdString();
            return nullptr;
        }
        panel->rbBoth->click();
        QTest::mouseClick(panel->btnToEdit, Qt::LeftButton);
        editor = qobject_cast<TfrmLayout*>(main->HostedForm());
        if (editor == nullptr || main->Document()->FaceSides != fsBoth) {
            ADD_FAILURE() << "not edited on both sides";
            return nullptr;
        }
        return main->Document();
    }
    void PrintToPdf(TLabelData* document, const QString& pdf) {
        TfrmPrintDialog dialog(main);
        dialog.SetLabelData(document);
        dialog.cbPaperChangeMsg->setChecked(true);
        dialogs.files = {pdf};
        dialog.btnPrint->click();
    }
    // The document printed to a PDF of that name in the folder, its first page at 50 dpi (null on failure).
    QImage PrintedPage(const QString& name) {
        const QString pdf = folder.filePath(name);
        PrintToPdf(main->Document(), pdf);
        return TestSupport::RasterisePdf(pdf, 50, 1);
    }
    static QColor PrintedAt(const QImage& page, const TPoint& p) {
        return page.pixelColor(int(p.X * 50 / 254), int(p.Y * 50 / 254));
    }
    // 定形 -> CD/DVD -> the two-disc label -> 編集画面へ: its two disc frames, the upper first (none on failure).
    std::vector<TLOAlbumPhoto*> EditTheDiscLabel() {
        TfrmPaperSelectPanel* panel = ClickToPaper(QStringLiteral("定形"), QStringLiteral("CD/DVD"),
                                                   QStringLiteral("CD/DVDラベル 2面 内径41mm"), Qt::MatchContains);
        if (panel == nullptr)
            return {};
        QTest::mouseClick(panel->btnToEdit, Qt::LeftButton);
        editor = qobject_cast<TfrmLayout*>(main->HostedForm());
        if (editor == nullptr) {
            ADD_FAILURE() << "no editor";
            return {};
        }
        RunUntilIdleHandled();
        std::vector<TLOAlbumPhoto*> discs = OnPage<TLOAlbumPhoto>();
        if (discs.size() != 2) {
            ADD_FAILURE() << discs.size() << " disc frames";
            return {};
        }
        if (discs[0]->LogRect().Top > discs[1]->LogRect().Top)
            std::swap(discs[0], discs[1]);
        return discs;
    }
    static void PutARedPhoto(TLOAlbumPhoto* frame) {
        auto picture = std::make_unique<TPictureEx>();
        TSafetyBitmap red(60, 60, pf24bit);
        red.Canvas().Brush() = TBrush{RGB(220, 20, 20), bsSolid};
        red.Canvas().FillRect(TRect(0, 0, 60, 60));
        picture->SetGraphic(&red);
        frame->SetPhotoPicture(picture.get());
    }
    // Saved under that name, closed by 新規 and opened again; false (with a failure) when that did not go.
    bool SaveAndReopen(const QString& name) {
        const QString path = folder.filePath(name);
        dialogs.files = {path};
        main->actSaveAs->trigger();
        main->actNew->trigger();
        if (!main->OpenDocument(path)) {
            ADD_FAILURE() << "not reopened";
            return false;
        }
        editor = qobject_cast<TfrmLayout*>(main->HostedForm());
        if (editor == nullptr) {
            ADD_FAILURE() << "no editor after reopening";
            return false;
        }
        RunUntilIdleHandled();
        return true;
    }

    QTemporaryDir folder;
    TfrmMain* main = nullptr;
    TfrmLayout* editor = nullptr;
};

TEST_F(UserRoadsTest, AnIdleEditorLeavesTheProcessorAlone) {
    editor->actModeText->trigger();
    auto owned = std::make_unique<TLORect>(nullptr);
    owned->SetLogRect(TRect(100, 100, 600, 400));
    editor->DrawSite1->AdoptObject(std::move(owned))->SetSelected(true);
    RunUntilIdleHandled();
    // Two windows of 2.5 s, the quieter one counted: an editor that loops on idle fills both, while
    // a stray burst of the sanitizers' or Qt's own threads on a loaded machine falls in one.
    double quietest = 1.0;
    for (int window = 0; window < 2; ++window) {
        QElapsedTimer wall;
        wall.start();
        const double before = ProcessCpuSeconds();
        // One wait with nothing to wake the loop but its end.
        QEventLoop loop;
        QTimer::singleShot(2500, &loop, &QEventLoop::quit);
        loop.exec();
        quietest = std::min(quietest, (ProcessCpuSeconds() - before) / (double(wall.elapsed()) / 1000.0));
    }
    EXPECT_LT(quietest, 0.01) << "share of a processor used while idle";
}

TEST_F(UserRoadsTest, TheDateToolShowsADateThatSurvivesSaveAndOpen) {
    editor->actModeText->trigger();
    auto* panel = dynamic_cast<TfrmAMText*>(editor->EditPanel());
    ASSERT_NE(panel, nullptr);
    QTest::keyClicks(panel->memText, QStringLiteral("Label 2026"));
    const TDateTime before = NowDateTime();
    editor->actDate->trigger();
    const std::vector<TLODate*> dates = OnPage<TLODate>();
    ASSERT_EQ(dates.size(), 1u);
    TLODate* date = dates[0];
    EXPECT_GE(date->Date(), before);
    const QString shown = date->Text()->Text().trimmed();
    EXPECT_EQ(shown, FormatDateEx(date->Format(), date->Date()));
    EXPECT_TRUE(shown.startsWith(QString::number(QDate::currentDate().year()) + QStringLiteral("年"))) << shown.toStdString();

    const QString path = folder.filePath(QStringLiteral("dated.qld"));
    dialogs.files = {path};
    main->actSaveAs->trigger();
    main->actNew->trigger();
    ASSERT_TRUE(main->OpenDocument(path));
    editor = qobject_cast<TfrmLayout*>(main->HostedForm());
    ASSERT_NE(editor, nullptr);
    const std::vector<TLODate*> reopened = OnPage<TLODate>();
    ASSERT_EQ(reopened.size(), 1u);
    EXPECT_EQ(reopened[0]->Text()->Text().trimmed(), shown);
}

} // namespace

namespace {

TEST_F(UserRoadsTest, DeleteInTheSheetWindowClearsTheFaceTheEditorMade) {
    auto owned = std::make_unique<TLORect>(nullptr);
    owned->SetLogRect(TRect(100, 100, 600, 400));
    editor->DrawSite1->AdoptObject(std::move(owned));
    main->actSheet->trigger();
    auto* sheet = qobject_cast<TfrmSheet*>(main->HostedForm());
    ASSERT_NE(sheet, nullptr);
    TLabelData* document = main->Document();
    const int face = document->CurrentLabelNo;
    ASSERT_TRUE(document->HasLabelData(face));
    sheet->DrawSite1->setFocus();
    dialogs.answers = {mrYes};
    QTest::keyClick(sheet->DrawSite1, Qt::Key_Delete);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_FALSE(document->HasLabelData(face));
    main->actLayout->trigger();
    editor = qobject_cast<TfrmLayout*>(main->HostedForm());
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(OnPage<TLORect>().empty()) << "the cleared face stays clear in the editor";
}

TEST_F(UserRoadsTest, ThePaperStepsEditStepGoesBackToTheOpenDocumentUnlessAnotherPaperIsChosen) {
    auto owned = std::make_unique<TLORect>(nullptr);
    owned->SetLogRect(TRect(100, 100, 600, 400));
    editor->DrawSite1->AdoptObject(std::move(owned));
    const QString path = folder.filePath(QStringLiteral("kept.qld"));
    dialogs.files = {path};
    main->actSaveAs->trigger();
    const QString paperName = main->Document()->GetPaperInfo()->PaperName;
    const auto enterPaper = [&] {
        main->actPaper->trigger();
        auto* form = qobject_cast<TfrmPaperSelectBase*>(main->HostedForm());
        RunLoopUntil([&] { return form && form->isVisible(); });
        return form;
    };
    TfrmPaperSelectBase* form = enterPaper();
    ASSERT_NE(form, nullptr);
    QTreeWidget* list = form->Panel()->lvPaper;
    ASSERT_NE(list->currentItem(), nullptr);
    EXPECT_EQ(form->Panel()->GetSelectedPaper()->PaperName, paperName) << "the open document's paper";
    QTest::mouseClick(form->frameModeBar1->btnEdit, Qt::LeftButton);
    editor = qobject_cast<TfrmLayout*>(main->HostedForm());
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(main->FileName(), path);
    EXPECT_EQ(OnPage<TLORect>().size(), 1u) << "the open document, not a new one";
    EXPECT_TRUE(dialogs.boxes.empty());

    // Another paper chosen: a new document on it.
    form = enterPaper();
    ASSERT_NE(form, nullptr);
    list = form->Panel()->lvPaper;
    const int other = list->indexOfTopLevelItem(list->currentItem()) == 0 ? 1 : 0;
    list->setCurrentItem(list->topLevelItem(other));
    const QString chosen = form->Panel()->GetSelectedPaper()->PaperName;
    ASSERT_NE(chosen, paperName);
    QTest::mouseClick(form->frameModeBar1->btnEdit, Qt::LeftButton);
    editor = qobject_cast<TfrmLayout*>(main->HostedForm());
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(main->FileName().isEmpty());
    EXPECT_EQ(main->Document()->GetPaperInfo()->PaperName, chosen);
    EXPECT_TRUE(OnPage<TLORect>().empty());
}

TEST_F(UserRoadsTest, BothSidesOfAnAlbumRefillAreDesignedAndPrintedTheBackMirrored) {
    REQUIRE_CHECKER(TestSupport::HasPdftoppm(), "pdftoppm");
    const auto restore = PrintToTheFakeSystem();
    ASSERT_EQ(Printer().PrinterName(), TPrinter::PdfPrinterName);
    // A refill with a 20 mm binding strip on the left of its front.
    const QString refill = QStringLiteral("QL-AB1 アルバム台紙 A4 フリー");
    TfrmPaperSelectPanel* panel = ClickToPaper(QStringLiteral("アルバム専用紙"), QString(), refill);
    ASSERT_NE(panel, nullptr);
    ASSERT_TRUE(panel->rbBoth->isEnabled()) << "a refill printed on both sides offers its back";
    panel->rbBoth->click();
    QTest::mouseClick(panel->btnToEdit, Qt::LeftButton);
    editor = qobject_cast<TfrmLayout*>(main->HostedForm());
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->actCoverFront->isVisible()) << "an album offers its covers";
    EXPECT_TRUE(editor->btnFrontCover->isVisibleTo(editor));
    TLabelData* document = main->Document();
    ASSERT_EQ(document->FaceSides, fsBoth);
    const auto fill = [&](TColor color) {
        auto rect = std::make_unique<TLORect>(nullptr);
        rect->SetLogRect(TRect(0, 0, editor->DrawSite1->LogWidth(), editor->DrawSite1->LogHeight()));
        rect->SetFillInside(true);
        rect->FillColor()->SetColor(color);
        editor->DrawSite1->AdoptObject(std::move(rect));
    };
    fill(RGB(220, 30, 30));
    editor->actPageAdd->trigger();
    ASSERT_EQ(document->CurrentSheetNo(), 3);
    fill(RGB(30, 30, 220));
    const QString pdf = folder.filePath(QStringLiteral("both.pdf"));
    PrintToPdf(document, pdf);
    ASSERT_EQ(TestSupport::PdfPageCount(pdf), 2);
    const QImage front = TestSupport::RasterisePdf(pdf, 50, 1);
    const QImage back = TestSupport::RasterisePdf(pdf, 50, 2);
    const auto at = [](const QImage& page, double xMm) {
        return page.pixelColor(int(xMm * 50 / 25.4), page.height() / 2);
    };
    // The front leaves the binding strip on the left; the back, printed from the reverse, on the right.
    EXPECT_GT(at(front, 8).blue(), 240) << "front binding strip";
    EXPECT_GT(at(front, 40).red(), 200);
    EXPECT_LT(at(front, 40).blue(), 80);
    EXPECT_GT(at(back, 8).blue(), 200);
    EXPECT_LT(at(back, 8).red(), 80);
    EXPECT_GT(at(back, 202).red(), 240) << "back binding strip";
}

TEST_F(UserRoadsTest, AClickOnATextBringsTheTextPanel) {
    ASSERT_EQ(TfrmLayout::EditModeOf(editor->EditPanel()), emPhoto);
    auto owned = std::make_unique<TLOText>(nullptr);
    owned->SetLogRect(TRect(200, 200, 900, 500));
    owned->Text()->Add(QStringLiteral("ラベル"));
    editor->DrawSite1->AdoptObject(std::move(owned));
    editor->SetZoom(50);
    QTest::mouseClick(editor->DrawSite1, Qt::LeftButton, {}, editor->DrawSite1->LogToDev(TPoint(550, 350)).ToQPoint());
    EXPECT_EQ(SelectedCount(), 1);
    EXPECT_NE(dynamic_cast<TfrmAMText*>(editor->EditPanel()), nullptr);
}

TEST_F(UserRoadsTest, SelectAllLetsGoOnEscapeAndOnAClickBeside) {
    TDrawSite* site = editor->DrawSite1;
    const auto add = [&](const TRect& r) {
        auto owned = std::make_unique<TLORect>(nullptr);
        owned->SetLogRect(r);
        return site->AdoptObject(std::move(owned));
    };
    add(TRect(100, 100, 600, 400));
    TDrawObject* second = add(TRect(100, 1000, 600, 1300));
    editor->SetZoom(50);
    site->setFocus();
    const auto at = [&](const TPoint& p) { return site->LogToDev(p).ToQPoint(); };
    const auto selectAll = [&] {
        site->setFocus();
        QTest::keyClick(site, Qt::Key_A, Qt::ControlModifier);
        RunUntilIdleHandled();
        ASSERT_EQ(SelectedCount(), 2);
    };
    selectAll();
    QTest::keyClick(site, Qt::Key_Escape);
    EXPECT_EQ(SelectedCount(), 0) << "Esc";
    selectAll();
    QTest::mouseClick(site, Qt::LeftButton, {}, at(TPoint(1500, 2500)));
    EXPECT_EQ(SelectedCount(), 0) << "a click on the empty page";
    selectAll();
    QWidget* margin = editor->ScrollBox1->viewport();
    QTest::mouseClick(margin, Qt::LeftButton, {}, QPoint(margin->width() - 3, margin->height() - 3));
    EXPECT_EQ(SelectedCount(), 0) << "a click on the margin";
    selectAll();
    QTest::mouseClick(site, Qt::LeftButton, {}, at(TPoint(101, 1150)));
    EXPECT_EQ(SelectedCount(), 1) << "a click on one object";
    EXPECT_TRUE(second->Selected());
}

} // namespace

namespace {

// A queue whose own default sheet is Letter, while the document is on A4.
class PrintRoadsTest : public UserRoadsTest {
protected:
    void SetUp() override {
        ResetPrintChoices();
        backend = FakePrinterBackend::Install();
        FakePrinterBackend::Queue office = FakePrinterBackend::OfficeQueue();
        office.caps.PageSizes.append(QPageSize(QPageSize::Letter));
        office.caps.DefaultPageSize = QPageSize(QPageSize::Letter);
        backend->queues["Office"] = office;
        backend->defaultQueue = "Office";
        Printer().Refresh();
        UserRoadsTest::SetUp();
    }
    void TearDown() override {
        data.reset();
        SetPrinterBackend(nullptr);
        ResetPrintChoices();
    }

    FakePrinterBackend* backend = nullptr;
};

TEST_F(PrintRoadsTest, CopiesChosenInThePrintersPropertiesReachTheQueueOnTheDocumentsSheet) {
    ASSERT_EQ(Printer().PrinterName(), QStringLiteral("Office"));
    main->actPrint->trigger();
    auto* base = dynamic_cast<TfrmPrintPaperBase*>(main->HostedForm());
    ASSERT_NE(base, nullptr);
    TfrmPrintPaperPanel* panel = base->Panel();
    RunLoopUntil([&] { return !panel->Captions().isEmpty(); });
    TPageSetupRequest answer;
    answer.PageSize = QPageSize(QPageSize::A4);
    answer.Copies = 3;
    dialogs.pageSetupAnswer = answer;
    QString setupSheet;
    QStringList setupSheets;
    bool printed = false;
    // 印刷... -> プリンタ設定 -> プロパティ... (3 copies) -> OK -> 印刷.
    WhenModal([&](QWidget* window) {
        auto* print = qobject_cast<TfrmPrintDialog*>(window);
        ASSERT_NE(print, nullptr);
        WhenModal([&](QWidget* inner) {
            auto* setting = qobject_cast<TfrmPrinterSetting*>(inner);
            ASSERT_NE(setting, nullptr);
            setupSheet = setting->cmbPaper->currentText();
            for (int i = 0; i < setting->cmbPaper->count(); ++i)
                setupSheets << setting->cmbPaper->itemText(i);
            QTest::mouseClick(setting->btnProperty, Qt::LeftButton);
            QTest::mouseClick(setting->btnOK, Qt::LeftButton);
        });
        QTest::mouseClick(print->btnPrinter, Qt::LeftButton);
        print->cbPaperChangeMsg->setChecked(true);
        QTest::mouseClick(print->btnPrint, Qt::LeftButton);
        printed = true;
    });
    QTest::mouseClick(panel->btnStart, Qt::LeftButton);
    ASSERT_TRUE(printed);
    ASSERT_EQ(dialogs.pageSetups.size(), 1u);
    const TPageSetupRequest& shown = dialogs.pageSetups[0];
    // The properties show the sheet the set-up shows, from the same list.
    EXPECT_TRUE(shown.PageSize.isEquivalentTo(QPageSize(QPageSize::A4))) << shown.PageSize.name().toStdString();
    EXPECT_EQ(setupSheet, shown.PageSize.name());
    QStringList offered;
    for (const QPageSize& size : shown.Sizes)
        offered << size.name();
    EXPECT_EQ(offered, setupSheets.mid(0, offered.size()));
    EXPECT_EQ(shown.Copies, 1);
    ASSERT_FALSE(backend->spool.empty());
    EXPECT_EQ(backend->spool.back().options.Copies, 3);
    EXPECT_TRUE(backend->spool.back().options.PageSize.isEquivalentTo(QPageSize(QPageSize::A4)));

    // The window system's properties: the printer's sheets, the current one chosen, and copies.
    TPageSetupRequest request;
    request.PrinterName = QStringLiteral("Office");
    request.Sizes = {QPageSize(QPageSize::A4), QPageSize(QPageSize::Letter)};
    request.PageSize = QPageSize(QPageSize::Letter);
    QString current;
    WhenModal([&](QWidget* window) {
        auto* size = window->findChild<QComboBox*>(QStringLiteral("cmbSize"));
        auto* copies = window->findChild<QSpinBox*>(QStringLiteral("spnCopies"));
        ASSERT_TRUE(size && copies);
        current = size->currentText();
        size->setCurrentIndex(0);
        copies->setValue(5);
        QTest::keyClick(window, Qt::Key_Return);
    });
    ASSERT_TRUE(DialogService::WindowSystem().PageSetup(request));
    EXPECT_EQ(current, QPageSize(QPageSize::Letter).name());
    EXPECT_TRUE(request.PageSize.isEquivalentTo(QPageSize(QPageSize::A4)));
    EXPECT_EQ(request.Copies, 5);
}

// The same road to a private print server's queue: the job itself carries the copies and the sheet.
class CupsRoadsTest : public UserRoadsTest {
protected:
    void SetUp() override {
        REQUIRE_CHECKER(!PrivateCupsd::Executable().isEmpty(), "cupsd");
        ASSERT_TRUE(cupsd.Start(QStringLiteral("<DefaultPrinter Keep>\nDeviceURI %OUT%\nState Idle\n"
                                               "Accepting Yes\n</Printer>\n"),
                                1))
            << cupsd.Log().toStdString();
        ResetPrintChoices();
        SetPrinterBackend(nullptr);
        Printer().Refresh();
        UserRoadsTest::SetUp();
    }
    void TearDown() override {
        data.reset();
        ResetPrintChoices();
    }

    PrivateCupsd cupsd;
};

TEST_F(CupsRoadsTest, CopiesChosenInThePrintersPropertiesAreTheJobsCopiesOnTheDocumentsSheet) {
    ASSERT_EQ(Printer().PrinterName(), QStringLiteral("Keep"));
    main->actPrint->trigger();
    auto* base = dynamic_cast<TfrmPrintPaperBase*>(main->HostedForm());
    ASSERT_NE(base, nullptr);
    TfrmPrintPaperPanel* panel = base->Panel();
    RunLoopUntil([&] { return !panel->Captions().isEmpty(); });
    TPageSetupRequest answer;
    answer.PageSize = QPageSize(QPageSize::A4);
    answer.Copies = 2;
    dialogs.pageSetupAnswer = answer;
    bool printed = false;
    // 印刷... -> プリンタ設定 -> プロパティ... (2 copies) -> OK -> 印刷.
    WhenModal([&](QWidget* window) {
        auto* print = qobject_cast<TfrmPrintDialog*>(window);
        ASSERT_NE(print, nullptr);
        WhenModal([&](QWidget* inner) {
            auto* setting = qobject_cast<TfrmPrinterSetting*>(inner);
            ASSERT_NE(setting, nullptr);
            QTest::mouseClick(setting->btnProperty, Qt::LeftButton);
            QTest::mouseClick(setting->btnOK, Qt::LeftButton);
        });
        QTest::mouseClick(print->btnPrinter, Qt::LeftButton);
        print->cbPaperChangeMsg->setChecked(true);
        QTest::mouseClick(print->btnPrint, Qt::LeftButton);
        printed = true;
    });
    QTest::mouseClick(panel->btnStart, Qt::LeftButton);
    ASSERT_TRUE(printed);
    const int job = Printer().JobId();
    ASSERT_GT(job, 0) << cupsd.Log().toStdString();
    EXPECT_TRUE(TestSupport::ReadFile(cupsd.WaitForJob(job)).startsWith("%PDF")) << cupsd.Log().toStdString();
    const auto [copies, media] = cupsd.JobCopiesAndMedia(job);
    EXPECT_EQ(copies, 2);
    EXPECT_TRUE(media.contains(QStringLiteral("a4"), Qt::CaseInsensitive)) << media.toStdString();
}

// A Letter label sheet on queues without Letter: a raw queue (no driver) offers the standard sheets
// and prints on the document's own; the ESC/P-R queue has no Letter, and the print dialog says so
// and names the sheet it prints on instead before anything is printed.
TEST_F(CupsRoadsTest, ALetterSheetPrintsOnItsOwnSizeOrTheDialogNamesTheSizeUsedInstead) {
    REQUIRE_CHECKER(PrivateCupsd::HasVendorDrivers(), "printer-driver-escpr and printer-driver-gutenprint");
    ASSERT_TRUE(cupsd.AddQueue("PMA920", "escpr:0/cups/model/epson-inkjet-printer-escpr/"
                                         "Epson-PM-A920-epson-escpr-en.ppd"))
        << cupsd.Log().toStdString();
    ASSERT_TRUE(cupsd.AddQueue("Raw", QString())) << cupsd.Log().toStdString();
    Printer().Refresh();
    const TPapersV2& store = *data->Papers();
    const TPaperInfo* letter = nullptr;
    for (int i = 0; i < store.GetCount() && !letter; ++i)
        if (store.GetPaper(i)->PaperName.startsWith(QStringLiteral("Avery 5164 ")))
            letter = store.GetPaper(i);
    ASSERT_NE(letter, nullptr);
    TLabelData* doc = main->Document();
    doc->ChangePaperInfo(*letter);

    // プリンタ設定 -> the queue -> OK, then 印刷: what the set-up offered, the dialog's note, the job's sheet.
    struct Printed {
        QString sheet;
        int sheets = 0;
        QString note;
        QString media;
    };
    const auto printOn = [&](const QString& queue) {
        Printed printed;
        WhenModalOf<TfrmPrinterSetting>([&](TfrmPrinterSetting* setting) {
            setting->cmbPrinter->setCurrentIndex(setting->cmbPrinter->findText(queue));
            emit setting->cmbPrinter->activated(setting->cmbPrinter->currentIndex());
            printed.sheet = setting->cmbPaper->currentText();
            printed.sheets = setting->cmbPaper->count();
            setting->btnOK->click();
        });
        main->actPrinterSetup->trigger();
        TfrmPrintDialog dialog(main);
        dialog.SetLabelData(doc);
        const auto* note = dialog.findChild<QLabel*>(QStringLiteral("lblPaperNote"));
        if (note && note->isVisibleTo(&dialog))
            printed.note = note->text();
        dialog.cbPaperChangeMsg->setChecked(true);
        dialog.btnPrint->click();
        if (dialog.result() == mrOk) {
            const int job = Printer().JobId();
            EXPECT_FALSE(cupsd.WaitForJob(job).isEmpty()) << cupsd.Log().toStdString();
            printed.media = cupsd.JobCopiesAndMedia(job).second;
        }
        return printed;
    };

    const Printed raw = printOn(QStringLiteral("Raw"));
    EXPECT_EQ(raw.sheet, QPageSize(QPageSize::Letter).name());
    EXPECT_GT(raw.sheets, 20);
    EXPECT_TRUE(raw.note.isEmpty()) << raw.note.toStdString();
    EXPECT_TRUE(raw.media.contains(QStringLiteral("letter"), Qt::CaseInsensitive)) << raw.media.toStdString();

    // No to the question: nothing printed, the dialog stays.
    dialogs.answers = {mrNo};
    const Printed declined = printOn(QStringLiteral("PMA920"));
    const QString note =
        QStringLiteral("プリンタ「PMA920」にはこの用紙のサイズ(215.9 x 279.4mm)がありません。プリンタの用紙「A4 210 x 297 mm」で印刷します。");
    EXPECT_EQ(declined.sheet, QStringLiteral("A4 210 x 297 mm"));
    EXPECT_EQ(declined.note, note);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, note + QStringLiteral("\r\nこのまま印刷しますか?"));
    EXPECT_TRUE(declined.media.isEmpty());
    dialogs.answers = {mrYes};
    const Printed printed = printOn(QStringLiteral("PMA920"));
    EXPECT_TRUE(printed.media.contains(QStringLiteral("a4"), Qt::CaseInsensitive)) << printed.media.toStdString();
}

} // namespace

namespace {

TEST_F(UserRoadsTest, ADiscLabelsFramesShowAndPrintOnlyInsideTheDiscOutsideItsHole) {
    REQUIRE_CHECKER(TestSupport::HasPdftoppm(), "pdftoppm");
    const auto restore = PrintToTheFakeSystem();
    // 定形 -> CD/DVD -> QL-CD2 -> 横長 -> 編集画面へ.
    TfrmPaperSelectPanel* panel = ClickToPaper(QStringLiteral("定形"), QStringLiteral("CD/DVD"),
                                               QStringLiteral("CD/DVDラベル 2面 内径41mm"), Qt::MatchContains);
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->memoInfo->toPlainText().contains(QStringLiteral("面数: 1x2")));
    panel->rbLandscape->click();
    EXPECT_TRUE(panel->memoInfo->toPlainText().contains(QStringLiteral("面数: 2x1"))) << "two discs side by side";
    QTest::mouseClick(panel->btnToEdit, Qt::LeftButton);
    editor = qobject_cast<TfrmLayout*>(main->HostedForm());
    ASSERT_NE(editor, nullptr);
    RunUntilIdleHandled();
    // A label sheet has no covers to make.
    EXPECT_FALSE(editor->actCoverFront->isVisible());
    EXPECT_FALSE(editor->actCoverBack->isVisible());
    EXPECT_FALSE(editor->btnFrontCover->isVisibleTo(editor));
    std::vector<TLOAlbumPhoto*> frames = OnPage<TLOAlbumPhoto>();
    ASSERT_EQ(frames.size(), 2u);
    // The left disc: 117 mm across with a 41 mm hole.
    TLOAlbumPhoto* left = frames[0]->LogRect().Left < frames[1]->LogRect().Left ? frames[0] : frames[1];
    const TRect disc = left->LogRect();
    ASSERT_EQ(disc.Width(), 1170);
    const TPoint centre((disc.Left + disc.Right) / 2, (disc.Top + disc.Bottom) / 2);
    const TPoint ring(centre.X, centre.Y - 400);
    const TPoint corner(disc.Left + 60, disc.Top + 60);
    const QColor empty(192, 192, 192);
    const auto shownAt = [&](const QImage& shown, const TPoint& p) {
        return shown.pixelColor(editor->DrawSite1->LogToDev(p).ToQPoint());
    };
    QImage shown = editor->DrawSite1->grab().toImage();
    EXPECT_EQ(shownAt(shown, ring), empty) << "the ring shows the empty frame";
    EXPECT_NE(shownAt(shown, centre), empty) << "the hole";
    EXPECT_NE(shownAt(shown, corner), empty) << "outside the disc";

    // A red photo in the frame, kept through a save and a reopen, prints as a ring.
    PutARedPhoto(left);
    ASSERT_TRUE(SaveAndReopen(QStringLiteral("disc.qld")));
    shown = editor->DrawSite1->grab().toImage();
    EXPECT_GT(shownAt(shown, ring).red(), 180);
    EXPECT_LT(shownAt(shown, ring).green(), 80);
    EXPECT_GT(shownAt(shown, centre).green(), 200) << "the hole after reopening";
    EXPECT_GT(shownAt(shown, corner).green(), 200) << "outside the disc after reopening";

    const QImage page = PrintedPage(QStringLiteral("disc.pdf"));
    ASSERT_FALSE(page.isNull());
    ASSERT_GT(page.width(), page.height()) << "a landscape page";
    const auto printedAt = [&](const TPoint& p) { return PrintedAt(page, p); };
    EXPECT_GT(printedAt(ring).red(), 180);
    EXPECT_LT(printedAt(ring).green(), 80);
    EXPECT_GT(printedAt(centre).green(), 200) << "the printed hole";
    EXPECT_GT(printedAt(corner).green(), 200) << "printed outside the disc";
}

TEST_F(UserRoadsTest, AResizedDiscFrameKeepsItsDiscThroughSaveReopenAndPrint) {
    REQUIRE_CHECKER(TestSupport::HasPdftoppm(), "pdftoppm");
    const auto restore = PrintToTheFakeSystem();
    const std::vector<TLOAlbumPhoto*> discs = EditTheDiscLabel();
    ASSERT_EQ(discs.size(), 2u);
    TLOAlbumPhoto* top = discs[0];
    const TRect disc = top->LogRect();
    const TPoint centre((disc.Left + disc.Right) / 2, (disc.Top + disc.Bottom) / 2);
    TDrawSite* site = editor->DrawSite1;
    const auto at = [&](const TPoint& p) { return site->LogToDev(p).ToQPoint(); };
    // Clicked, then its top-left handle dragged 10 mm in: the frame is smaller, the disc is not.
    QTest::mouseClick(site, Qt::LeftButton, {}, at(TPoint(centre.X + 400, centre.Y)));
    RunUntilIdleHandled();
    ASSERT_TRUE(top->Selected());
    const QPoint from = at(disc.TopLeft());
    const QPoint to = at(TPoint(disc.Left + 100, disc.Top + 100));
    QTest::mousePress(site, Qt::LeftButton, {}, from);
    for (int step = 1; step <= 4; ++step)
        QTest::mouseMove(site, from + (to - from) * step / 4);
    QTest::mouseRelease(site, Qt::LeftButton, {}, to);
    RunUntilIdleHandled();
    ASSERT_NEAR(top->LogRect().Left, disc.Left + 100, 10);
    EXPECT_EQ(site->grab().toImage().pixelColor(at(TPoint((disc.Left + 100 + disc.Right) / 2, disc.Top + 100))),
              QColor(Qt::black))
        << "the frame's handle is drawn over it";
    // In the hole of the disc, not of a disc drawn from the frame's new corner.
    const TPoint hole(centre.X - 180, centre.Y);
    const TPoint ring(centre.X + 400, centre.Y);
    const QColor empty(192, 192, 192);
    top->SetSelected(false);
    site->UpdatePivots();
    QImage shown = site->grab().toImage();
    EXPECT_EQ(shown.pixelColor(at(ring)), empty);
    EXPECT_NE(shown.pixelColor(at(hole)), empty) << "the disc's hole";

    PutARedPhoto(top);
    ASSERT_TRUE(SaveAndReopen(QStringLiteral("resized.qld")));
    site = editor->DrawSite1;
    shown = site->grab().toImage();
    EXPECT_GT(shown.pixelColor(at(ring)).red(), 180);
    EXPECT_GT(shown.pixelColor(at(hole)).green(), 200) << "the hole after reopening";

    const QImage page = PrintedPage(QStringLiteral("resized.pdf"));
    ASSERT_FALSE(page.isNull());
    const auto printedAt = [&](const TPoint& p) { return PrintedAt(page, p); };
    EXPECT_GT(printedAt(ring).red(), 180);
    EXPECT_LT(printedAt(ring).green(), 80);
    EXPECT_GT(printedAt(hole).green(), 200) << "the printed hole";
}

TEST_F(UserRoadsTest, AFrameAddedToADiscLabelTakesTheDiscItCoversMostAtOnceOnScreenAndInPrint) {
    REQUIRE_CHECKER(TestSupport::HasPdftoppm(), "pdftoppm");
    const auto restore = PrintToTheFakeSystem();
    const std::vector<TLOAlbumPhoto*> discs = EditTheDiscLabel();
    ASSERT_EQ(discs.size(), 2u);
    const TRect upper = discs[0]->LogRect();
    const TRect lower = discs[1]->LogRect();
    const auto centreOf = [](const TRect& r) { return TPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2); };

    // A red photo about 110 mm square, added by 写真枠追加 in the middle of the page, between the discs.
    editor->actModePhoto->trigger();
    auto* photos = dynamic_cast<TfrmAMPhoto*>(editor->EditPanel());
    ASSERT_NE(photos, nullptr);
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("Photos")));
    QImage red(780, 780, QImage::Format_RGB32);
    red.fill(QColor(220, 20, 20));
    ASSERT_TRUE(red.save(folder.filePath(QStringLiteral("Photos/red.jpg")), "JPG"));
    photos->PhotoBrowser()->FillFromFolder(folder.filePath(QStringLiteral("Photos")));
    photos->PhotoBrowser()->SelectIndex(0);
    editor->EditPanelIdle();
    ASSERT_TRUE(photos->btnPasteImage->isEnabled());
    photos->btnPasteImage->click();
    RunUntilIdleHandled();
    std::vector<TLOAlbumPhoto*> frames = OnPage<TLOAlbumPhoto>();
    ASSERT_EQ(frames.size(), 3u);
    TLOAlbumPhoto* added = *std::find_if(frames.begin(), frames.end(),
                                         [&](TLOAlbumPhoto* f) { return f != discs[0] && f != discs[1]; });
    const TRect frame = added->LogRect();
    ASSERT_GT(frame.Bottom, lower.Top);
    ASSERT_GT(upper.Bottom - frame.Top, frame.Bottom - lower.Top) << "it covers the upper disc most";
    TDrawSite* site = editor->DrawSite1;
    const auto at = [&](const TPoint& p) { return site->LogToDev(p).ToQPoint(); };
    const auto isRed = [](const QColor& c) { return c.red() > 180 && c.green() < 80; };
    const auto grab = [&] {
        GhostList().ClearGhosts();
        site->SelectAll(false);
        site->UpdatePivots();
        return site->grab().toImage();
    };
    QImage shown = grab();
    EXPECT_TRUE(isRed(shown.pixelColor(at(TPoint(centreOf(frame).X, upper.Bottom - 100))))) << "the upper ring";
    EXPECT_FALSE(isRed(shown.pixelColor(at(TPoint(centreOf(frame).X, (upper.Bottom + lower.Top) / 2)))))
        << "between the discs";
    EXPECT_FALSE(isRed(shown.pixelColor(at(TPoint(frame.Left + 30, frame.Bottom - 30)))))
        << "on the lower disc it covers less";
    // Nudged down by 1 mm steps with the arrow key until it covers the lower disc most.
    added->SetSelected(true);
    site->setFocus();
    const int steps = ((upper.Bottom - frame.Top) - (frame.Bottom - lower.Top)) / 20 + 1;
    for (int i = 0; i < steps; ++i)
        QTest::keyClick(site, Qt::Key_Down);
    ASSERT_EQ(added->LogRect().Top, frame.Top + 10 * steps);
    ASSERT_NE(added->FaceShape(), nullptr);
    EXPECT_EQ(added->FaceShape()->GetOuterRect(), lower);

    // Dragged onto the lower disc, it takes that disc: its hole and the corners outside it stay white.
    const auto drag = [&](TLOAlbumPhoto* what, const TPoint& to, Qt::KeyboardModifiers keys) {
        const QPoint from = at(TPoint(centreOf(what->LogRect()).X, what->LogRect().Top + 100));
        const QPoint end = from + at(to) - at(centreOf(what->LogRect()));
        QTest::mousePress(site, Qt::LeftButton, keys, from);
        for (int step = 1; step <= 4; ++step)
            QTest::mouseMove(site, from + (end - from) * step / 4);
        QTest::mouseRelease(site, Qt::LeftButton, keys, end);
        RunUntilIdleHandled();
    };
    drag(added, centreOf(lower), {});
    ASSERT_NEAR(centreOf(added->LogRect()).Y, centreOf(lower).Y, 20);
    const TPoint hole = centreOf(lower);
    const TPoint ring(hole.X, hole.Y - 400);
    const TPoint corner(added->LogRect().Left + 30, added->LogRect().Top + 30);
    shown = grab();
    EXPECT_TRUE(isRed(shown.pixelColor(at(ring))));
    EXPECT_FALSE(isRed(shown.pixelColor(at(hole)))) << "the hole";
    EXPECT_FALSE(isRed(shown.pixelColor(at(corner)))) << "outside the disc";

    // A pasted copy and a copy dragged with Ctrl onto the upper disc take their discs too.
    added->SetSelected(true);
    editor->DSACopy1->trigger();
    editor->DSAPaste1->trigger();
    frames = OnPage<TLOAlbumPhoto>();
    ASSERT_EQ(frames.size(), 4u);
    ASSERT_NE(frames[0]->FaceShape(), nullptr) << "the pasted frame, topmost";
    EXPECT_EQ(frames[0]->FaceShape()->GetOuterRect(), lower);
    drag(frames[0], centreOf(upper), Qt::ControlModifier);
    frames = OnPage<TLOAlbumPhoto>();
    ASSERT_EQ(frames.size(), 5u);
    ASSERT_NE(frames[0]->FaceShape(), nullptr) << "the dragged copy, topmost";
    EXPECT_EQ(frames[0]->FaceShape()->GetOuterRect(), upper);

    const QImage page = PrintedPage(QStringLiteral("added.pdf"));
    ASSERT_FALSE(page.isNull());
    const auto printed = [&](const TPoint& p) { return PrintedAt(page, p); };
    EXPECT_TRUE(isRed(printed(ring)));
    EXPECT_GT(printed(hole).green(), 200) << "the printed hole";
    EXPECT_GT(printed(corner).green(), 200) << "printed outside the disc";
}

} // namespace

namespace {

TEST_F(UserRoadsTest, APostcardsBackIsDesignedAndPrintedWhereItsFrontIs) {
    REQUIRE_CHECKER(TestSupport::HasPdftoppm(), "pdftoppm");
    const auto restore = PrintToTheFakeSystem();
    TLabelData* document = EditPostcardOnBothSides(QStringLiteral("QL-PC1 はがき"));
    ASSERT_NE(document, nullptr);
    const auto mark = [&](TColor color) {
        auto rect = std::make_unique<TLORect>(nullptr);
        rect->SetLogRect(TRect(100, 100, 400, 400));
        rect->SetFillInside(true);
        rect->FillColor()->SetColor(color);
        editor->DrawSite1->AdoptObject(std::move(rect));
    };
    mark(RGB(220, 30, 30));
    editor->actPageAdd->trigger();
    mark(RGB(30, 30, 220));
    const QString pdf = folder.filePath(QStringLiteral("postcard.pdf"));
    PrintToPdf(document, pdf);
    ASSERT_EQ(TestSupport::PdfPageCount(pdf), 2);
    const QImage front = TestSupport::RasterisePdf(pdf, 50, 1);
    const QImage back = TestSupport::RasterisePdf(pdf, 50, 2);
    const auto at = [](const QImage& page, double xMm, double yMm) {
        return page.pixelColor(int(xMm * 50 / 25.4), int(yMm * 50 / 25.4));
    };
    // The card's one face is the whole card: the back, mirrored onto itself, keeps its mark where
    // the editor showed it (a mirrored drawing would put it at the right).
    EXPECT_GT(at(front, 25, 25).red(), 200);
    EXPECT_LT(at(front, 25, 25).blue(), 80);
    EXPECT_GT(at(back, 25, 25).blue(), 200);
    EXPECT_LT(at(back, 25, 25).red(), 80);
    EXPECT_GT(at(back, 75, 25).red(), 240) << "nothing at the right of the back";
    EXPECT_GT(at(back, 75, 25).blue(), 240);
}

TEST_F(UserRoadsTest, StackingChosenWithFrontAndBackStaysThroughSaveReopenAndPrint) {
    REQUIRE_CHECKER(TestSupport::HasPdftoppm(), "pdftoppm");
    const auto restore = PrintToTheFakeSystem();
    TDrawSite* site = editor->DrawSite1;
    const auto add = [&](int at, TColor color) {
        auto rect = std::make_unique<TLORect>(nullptr);
        rect->SetLogRect(TRect(at, at, at + 500, at + 500));
        rect->SetFillInside(true);
        rect->FillColor()->SetColor(color);
        return static_cast<TLORect*>(site->AdoptObject(std::move(rect)));
    };
    // Three overlapping squares added red, green, blue (blue on top); then red to the front and
    // blue to the back, by the tool bar's buttons.
    TLORect* red = add(300, RGB(220, 20, 20));
    add(500, RGB(20, 200, 20));
    TLORect* blue = add(700, RGB(20, 20, 220));
    const auto click = [&](TLORect* rect, TDrawSiteActionBase* action) {
        site->SelectAll(false);
        rect->SetSelected(true);
        site->UpdatePivots();
        site->setFocus();
        action->trigger();
    };
    click(red, editor->DSABringToFront1);
    click(blue, editor->DSASendToBack1);
    site->SelectAll(false);
    site->UpdatePivots();
    // All three overlap at 750: red shows; green and blue only at 950: green shows.
    const auto colours = [](const std::function<QColor(const TPoint&)>& at) {
        return std::pair(at(TPoint(750, 750)), at(TPoint(950, 950)));
    };
    const auto expectRedOverGreen = [](const std::pair<QColor, QColor>& shown, const char* where) {
        EXPECT_TRUE(shown.first.red() > 180 && shown.first.green() < 80) << where << ": red on top";
        EXPECT_TRUE(shown.second.green() > 150 && shown.second.blue() < 80) << where << ": green over blue";
    };
    const auto onScreen = [&] {
        const QImage shown = editor->DrawSite1->grab().toImage();
        return colours([&](const TPoint& p) { return shown.pixelColor(editor->DrawSite1->LogToDev(p).ToQPoint()); });
    };
    expectRedOverGreen(onScreen(), "before saving");

    const QString path = folder.filePath(QStringLiteral("stacked.qld"));
    dialogs.files = {path};
    main->actSaveAs->trigger();
    main->actNew->trigger();
    ASSERT_TRUE(main->OpenDocument(path));
    editor = qobject_cast<TfrmLayout*>(main->HostedForm());
    ASSERT_NE(editor, nullptr);
    RunUntilIdleHandled();
    expectRedOverGreen(onScreen(), "reopened");

    const QString pdf = folder.filePath(QStringLiteral("stacked.pdf"));
    PrintToPdf(main->Document(), pdf);
    const QImage page = TestSupport::RasterisePdf(pdf, 50, 1);
    ASSERT_FALSE(page.isNull());
    expectRedOverGreen(colours([&](const TPoint& p) { return page.pixelColor(int(p.X * 50 / 254), int(p.Y * 50 / 254)); }),
                       "printed");
}

TEST_F(UserRoadsTest, AThreeMillimetreOutlineRingsTheLettersThreeMillimetresWide) {
    editor->actModeText->trigger();
    auto owned = std::make_unique<TLOText>(nullptr);
    owned->SetLogRect(TRect(400, 400, 1400, 1000));
    owned->Text()->SetText(QStringLiteral("I"));
    TFont font = owned->GetFont();
    font.SetSize(72);
    owned->SetFont(font);
    TDrawSite* site = editor->DrawSite1;
    auto* text = static_cast<TLOText*>(site->AdoptObject(std::move(owned)));
    text->SetSelected(true);
    editor->SetZoom(200);
    editor->EditPanelIdle();
    auto* panel = dynamic_cast<TfrmAMText*>(editor->EditPanel());
    ASSERT_NE(panel, nullptr);
    panel->SetPage(TfrmAMText::pgEffect);
    if (!panel->cbOutline->isChecked())
        panel->cbOutline->click();
    panel->spnOutline->setFocus();
    panel->spnOutline->selectAll();
    QTest::keyClicks(panel->spnOutline, QStringLiteral("3"));
    ASSERT_EQ(text->Text()->Text().trimmed(), QStringLiteral("I"));
    text->TextColor()->SetColor(RGB(0, 255, 0));
    text->OutlineColor()->SetColor(RGB(255, 0, 0));
    site->repaint();
    const QImage shown = site->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const auto span = [&](QRgb want) {
        QRect found;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x)
                if (const QRgb p = shown.pixel(x, y); std::abs(qRed(p) - qRed(want)) < 40 &&
                                                      std::abs(qGreen(p) - qGreen(want)) < 40 &&
                                                      std::abs(qBlue(p) - qBlue(want)) < 40)
                    found |= QRect(x, y, 1, 1);
        return found;
    };
    const QRect letters = span(qRgb(0, 255, 0));
    const QRect rim = span(qRgb(255, 0, 0));
    ASSERT_FALSE(letters.isEmpty());
    const double perMm = (site->LogToDev(TPoint(1000, 0)).X - site->LogToDev(TPoint(0, 0)).X) / 100.0;
    // On every side alike: an outline drawn off the letters would be wider on one side.
    for (const double side : {letters.left() - rim.left(), rim.right() - letters.right(), letters.top() - rim.top(),
                              rim.bottom() - letters.bottom()})
        EXPECT_NEAR(side / perMm, 3.0, 0.3);
}

} // namespace

namespace {

// The walk's postcard: the front's frame with a photo, a page inserted for the back, whose frame
// lies mirrored across the card, printed to PDF.
TEST_F(UserRoadsTest, ATwoSidedPostcardsBackFrameIsMirroredOnScreenAndInPrint) {
    REQUIRE_CHECKER(TestSupport::HasPdftoppm(), "pdftoppm");
    const auto restore = PrintToTheFakeSystem();
    TLabelData* document = EditPostcardOnBothSides(QStringLiteral("QL-PC1P はがき 写真用"));
    ASSERT_NE(document, nullptr);
    ASSERT_EQ(editor->DrawSite1->LogWidth(), 1000);
    EXPECT_FALSE(editor->actCoverFront->isVisible()) << "a postcard offers no album covers";
    EXPECT_FALSE(editor->actCoverBack->isVisible());
    // A frame on the left of the front, 10 to 40 mm across, 20 to 60 mm down.
    auto owned = std::make_unique<TLOAlbumPhoto>(nullptr);
    owned->SetLogRect(TRect(100, 200, 400, 600));
    PutARedPhoto(static_cast<TLOAlbumPhoto*>(editor->DrawSite1->AdoptObject(std::move(owned))));
    editor->popupPage->actions()[0]->trigger();
    ASSERT_EQ(document->CurrentSheetNo(), 3);
    std::vector<TLOAlbumPhoto*> back = OnPage<TLOAlbumPhoto>();
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0]->LogRect(), TRect(600, 200, 900, 600)) << "the back's frame, mirrored";
    EXPECT_TRUE(IsPictureEmpty(back[0]->GetPhotoPicture()));
    PutARedPhoto(back[0]);

    const QString pdf = folder.filePath(QStringLiteral("two-sided.pdf"));
    PrintToPdf(document, pdf);
    ASSERT_EQ(TestSupport::PdfPageCount(pdf), 2);
    const QImage front = TestSupport::RasterisePdf(pdf, 50, 1);
    const QImage printedBack = TestSupport::RasterisePdf(pdf, 50, 2);
    const auto red = [](const QImage& page, double xMm) {
        const QColor c = page.pixelColor(int(xMm * 50 / 25.4), int(40 * 50 / 25.4));
        return c.red() > 180 && c.green() < 90 && c.blue() < 90;
    };
    EXPECT_TRUE(red(front, 25));
    EXPECT_FALSE(red(front, 75));
    EXPECT_TRUE(red(printedBack, 75)) << "the back's photo where the editor showed it";
    EXPECT_FALSE(red(printedBack, 25));
}

} // namespace

namespace {

// A thumbnail of the photo browser dragged onto a frame puts its photo into that frame, as a
// double-click does; dragged beside the frames it is a new photo, as a file from the desktop is.
TEST_F(UserRoadsTest, APhotoDraggedFromThePhotoBrowserGoesIntoTheFrameItIsDroppedOn) {
    QDir(folder.path()).mkdir(QStringLiteral("photos"));
    QImage blue(300, 200, QImage::Format_RGB32);
    blue.fill(QColor(20, 60, 220));
    ASSERT_TRUE(blue.save(folder.filePath(QStringLiteral("photos/blue.jpg")), "JPG", 95));
    editor->actModePhoto->trigger();
    auto* panel = dynamic_cast<TfrmAMPhoto*>(editor->EditPanel());
    ASSERT_NE(panel, nullptr);
    panel->PhotoBrowser()->FillFromFolder(folder.filePath(QStringLiteral("photos")));
    TThumbGrid* grid = panel->PhotoBrowser()->Browser()->Grid();
    ASSERT_EQ(grid->Count(), 1);
    TDrawSite* site = editor->DrawSite1;
    editor->SetZoom(50);
    auto owned = std::make_unique<TLOAlbumPhoto>(nullptr);
    owned->SetLogRect(TRect(200, 200, 800, 700));
    auto* frame = static_cast<TLOAlbumPhoto*>(site->AdoptObject(std::move(owned)));
    const int before = site->DrawObjectCount();

    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->ItemRect(0).center());
    ASSERT_TRUE(grid->DragData) << "the browser's thumbnails are dragged";
    const std::unique_ptr<QMimeData> data(grid->DragData());
    ASSERT_NE(data, nullptr);
    UndoList().Clear();
    // Dropped where the window system delivers it: on the main window, at the point under the mouse.
    const auto onMain = [&](const TPoint& p) { return site->mapTo(main, site->LogToDev(p).ToQPoint()); };
    EXPECT_TRUE(TestSupport::DropOn(main, *data, onMain(TPoint(500, 450))));
    EXPECT_FALSE(IsPictureEmpty(frame->GetPhotoPicture())) << "the photo went into the frame";
    EXPECT_EQ(frame->ImageSource(), isFile);
    EXPECT_TRUE(frame->Selected());
    EXPECT_EQ(site->DrawObjectCount(), before);
    ASSERT_TRUE(UndoList().CanUndo());
    editor->DSAUndo1->ExecuteTarget(site);
    EXPECT_TRUE(IsPictureEmpty(frame->GetPhotoPicture())) << "one undo step takes it out";

    EXPECT_TRUE(TestSupport::DropOn(main, *data, onMain(TPoint(500, 1500))));
    EXPECT_EQ(site->DrawObjectCount(), before + 1) << "beside the frame: a new photo";
    EXPECT_TRUE(IsPictureEmpty(frame->GetPhotoPicture()));
}

} // namespace

namespace {

// The text tool on a paper of the user's own, whose frames come from its faces: used while a frame
// holding a photo is selected, the text it makes is the selected one, and what is typed into the
// memo at once, before the editor's next idle, goes into it (not nowhere, as for the photo before).
TEST_F(UserRoadsTest, TheTextToolsNewTextTakesWhatIsTypedAtOnceOnAUsersPaper) {
    TPapersV2& papers = *data->Papers();
    const TPaperInfo* tenLabels = papers.GetPaper(papers.IndexOf(QStringLiteral("QL-A4L10 A4ラベル 10面")));
    ASSERT_NE(tenLabels, nullptr);
    std::unique_ptr<TPaperInfo> own(static_cast<TPaperInfo*>(tenLabels->NewInstance(nullptr)));
    own->Assign(tenLabels);
    own->PaperName = QStringLiteral("ユーザー用紙1");
    own->ReadOnly = false;
    papers.AddOrReplace(*own);
    TfrmPaperSelectPanel* panel = ClickToPaper(QStringLiteral("ユーザー定義"), QString(), QStringLiteral("ユーザー用紙1"));
    ASSERT_NE(panel, nullptr);
    QTest::mouseClick(panel->btnToEdit, Qt::LeftButton);
    editor = qobject_cast<TfrmLayout*>(main->HostedForm());
    ASSERT_NE(editor, nullptr);
    RunUntilIdleHandled();
    const size_t before = OnPage<TLOText>().size();
    // The text panel shown and seen idle with a frame holding a photo selected.
    std::vector<TLOAlbumPhoto*> frames = OnPage<TLOAlbumPhoto>();
    ASSERT_FALSE(frames.empty());
    PutARedPhoto(frames[0]);
    editor->actModeText->trigger();
    editor->DrawSite1->SelectAll(false);
    frames[0]->SetSelected(true);
    editor->EditPanelIdle();
    auto* textPanel = dynamic_cast<TfrmAMText*>(editor->EditPanel());
    ASSERT_NE(textPanel, nullptr);
    // The new text takes the memo's text, which what is typed then replaces.
    textPanel->memText->setPlainText(QStringLiteral("前の文字"));
    editor->actText->trigger();
    std::vector<TLOText*> texts = OnPage<TLOText>();
    ASSERT_EQ(texts.size(), before + 1);
    TLOText* made = texts.front()->Selected() ? texts.front() : texts.back();
    ASSERT_TRUE(made->Selected());
    // The keys wait in the memo.
    EXPECT_EQ(editor->window()->focusWidget(), textPanel->memText);
    QInputMethodEvent typed;
    typed.setCommitString(QStringLiteral("ラベル"));
    QApplication::sendEvent(textPanel->memText, &typed);
    EXPECT_EQ(made->Text()->ToQStringList(), QStringList{QStringLiteral("ラベル")});
    EXPECT_EQ(OnPage<TLOText>().size(), before + 1);
}

} // namespace

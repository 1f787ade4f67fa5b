// Printing from the main window through the print dialog, into a PDF file or onto a fake queue.

#include "app/dialogs/FPrintDialog.h"
#include "app/FMain.h"
#include "app/UModeRegistry.h"
#include "app/dialogs/FPrinterSetting.h"
#include "app/dialogs/FPrinting.h"
#include "app/dialogs/FWaitPrintJob.h"
#include "papers/ULabelData.h"
#include "papers/printing/UPrintSite.h"
#include "papers/printing/UmPrinterConfiguration.h"
#include "platform/DevMode.h"
#include "platform/Application.h"
#include "tests/FakePrinterBackend.h"
#include "tests/TestSupport.h"
#include "tests/app/AppTestSupport.h"
#include "tests/pageobjects/engine/EngineTestObjects.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>
#include <QPointer>
#include <QTimer>
#include <optional>

namespace {

TEST(PrintDialogRules, SheetsCaptionsAndReadingOrder) {
    // Sheet count 7: covers and pages 1 to 5.
    const auto flagged = [](const std::vector<bool>& flags) {
        std::vector<int> sheets;
        for (size_t s = 0; s < flags.size(); ++s)
            if (flags[s])
                sheets.push_back(int(s));
        return sheets;
    };
    EXPECT_EQ(flagged(ChooseSheets(7, 0, {}, poOdd, 1, 1)), (std::vector<int>{2, 4, 6}));
    EXPECT_EQ(flagged(ChooseSheets(7, 0, {}, poEven, 1, 1)), (std::vector<int>{3, 5}));
    EXPECT_EQ(flagged(ChooseSheets(7, 1, {}, -1, 2, 3)), (std::vector<int>{3, 4}));
    EXPECT_EQ(flagged(ChooseSheets(3, 0, {}, -1, 1, 1)), (std::vector<int>{2}));
    EXPECT_EQ(flagged(ChooseSheets(7, 2, QStringLiteral("表表紙+裏表紙"), -1, 1, 1)),
              (std::vector<int>{0, 1}));
    EXPECT_EQ(flagged(ChooseSheets(7, 2, QStringLiteral("裏表紙のみ"), -1, 1, 1)), (std::vector<int>{1}));
    // A range beyond the document flags only what exists.
    EXPECT_EQ(flagged(ChooseSheets(4, 1, {}, -1, 2, 9)), (std::vector<int>{3}));

    EXPECT_EQ(SheetCaption(0), QStringLiteral("表表紙"));
    EXPECT_EQ(SheetCaption(1), QStringLiteral("裏表紙"));
    EXPECT_EQ(SheetCaption(4), QStringLiteral("3ページ"));
    EXPECT_EQ(SheetToPreviewIndex(0, 5, true), 0);
    EXPECT_EQ(SheetToPreviewIndex(1, 5, true), 4);
    EXPECT_EQ(SheetToPreviewIndex(1, 5, false), 3);
    EXPECT_EQ(SheetToPreviewIndex(2, 5, true), 1);
    EXPECT_EQ(SheetToPreviewIndex(2, 5, false), 0);
}

TEST(PrintDialogRules, ControlsFollowTheDocumentAndTheRememberedChoice) {
    RegisterLabelDataClasses();
    struct Row {
        int sheets;
        bool front, back;
        int rememberedMode;
        QStringList covers; // the cover list
        bool pageOption;    // the odd/even choice enabled
        QStringList pages;  // the preview-page list as opened
    };
    const Row rows[] = {
        // Covers and one page: no odd/even choice; all pages is sheet 2 alone.
        {3, true, true, 0, {"表表紙+裏表紙", "表表紙のみ", "裏表紙のみ"}, false, {"1ページ"}},
        // No covers: the covers' choice is off and a remembered covers mode opens on all pages.
        {4, false, false, 2, {}, true, {"1ページ", "2ページ"}},
        // Only a back cover, remembered as the covers mode.
        {5, false, true, 2, {"裏表紙のみ"}, false, {"裏表紙"}},
        {5, true, false, 2, {"表表紙のみ"}, false, {"表表紙"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.sheets * 100 + row.front * 10 + row.back);
        ResetPrintChoices();
        PrintChoices().Mode = row.rememberedMode;
        TLabelData doc(nullptr);
        while (doc.GetSheetCount() < row.sheets)
            doc.AddSheet();
        doc.FrontCover = row.front;
        doc.BackCover = row.back;
        TfrmPrintDialog dialog;
        int shownIndex = -1;
        dialog.OnGetPreview = [&shownIndex](int index) {
            shownIndex = index;
            return QImage(4, 6, QImage::Format_RGB32);
        };
        dialog.SetLabelData(&doc);
        QStringList covers, pages;
        for (int i = 0; i < dialog.cbCoverOption->count(); ++i)
            covers << dialog.cbCoverOption->itemText(i);
        for (int i = 0; i < dialog.cbPages->count(); ++i)
            pages << dialog.cbPages->itemText(i);
        EXPECT_EQ(covers, row.covers);
        EXPECT_EQ(dialog.rbCover->isEnabled(), !row.covers.isEmpty());
        EXPECT_EQ(dialog.rbCover->isChecked(), row.rememberedMode == 2 && !row.covers.isEmpty());
        EXPECT_EQ(dialog.cbPageOption->isEnabled(), row.pageOption);
        EXPECT_EQ(pages, row.pages);
        // The back cover's preview is the last of the reading order.
        if (pages == QStringList{"裏表紙"}) {
            EXPECT_EQ(shownIndex, row.sheets - 2);
        }
    }
}

TEST(PrintDialogRules, RangesCorrectAsTypedAndChoicesLastTheRun) {
    RegisterLabelDataClasses();
    ResetPrintChoices();
    TLabelData doc(nullptr);
    while (doc.GetSheetCount() < 7)
        doc.AddSheet();
    {
        TfrmPrintDialog dialog;
        dialog.SetLabelData(&doc);
        dialog.rbAssign->click();
        QTest::keyClick(dialog.esEnd, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(dialog.esEnd, "3");
        QTest::keyClick(dialog.esStart, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(dialog.esStart, "4"); // above the end: the end follows
        EXPECT_EQ(dialog.esEnd->value(), 4);
        QTest::keyClick(dialog.esEnd, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(dialog.esEnd, "2"); // below the start: the start follows
        EXPECT_EQ(dialog.esStart->value(), 2);
        QTest::keyClick(dialog.esEnd, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(dialog.esEnd, "5");
        dialog.cbPageOption->setCurrentIndex(poEven);
        dialog.spnTopMargin->setValue(-1.5);
        dialog.spnLeftMargin->setValue(2.3);
        dialog.cbPaperChangeMsg->setChecked(true);
        dialog.cbPages->setCurrentIndex(1);
        EXPECT_EQ(dialog.cbPages->currentText(), QStringLiteral("4ページ"));
    }
    EXPECT_EQ(PrintChoices().TopOffset, -15);
    EXPECT_EQ(PrintChoices().LeftOffset, 23);
    TfrmPrintDialog again;
    again.SetLabelData(&doc);
    EXPECT_TRUE(again.rbAssign->isChecked());
    EXPECT_EQ(again.esStart->value(), 2);
    EXPECT_EQ(again.esEnd->value(), 5);
    EXPECT_EQ(again.cbPageOption->currentIndex(), int(poEven));
    EXPECT_DOUBLE_EQ(again.spnTopMargin->value(), -1.5);
    EXPECT_TRUE(again.cbPaperChangeMsg->isChecked());
    EXPECT_EQ(again.cbPages->currentText(), QStringLiteral("4ページ"));
    EXPECT_EQ(PrintChoices().SheetFlags, (std::vector<bool>{false, false, false, true, false, true, false}));
}

class PrintDialogTest : public AppFixture {
protected:
    void SetUp() override {
        ResetPrintChoices();
        backend = FakePrinterBackend::Install();
        RegisterTestClasses();
        main = StartMainWindow();
        ASSERT_NE(main, nullptr);
        doc = main->Document();
        while (doc->GetSheetCount() < 4)
            doc->AddSheet();
        // A rectangle on each page.
        for (int sheet = 2; sheet < doc->GetSheetCount(); ++sheet) {
            doc->SetCurrentSheetNo(sheet);
            TOwnedDOList objects;
            auto rect = std::make_unique<TTestRect>(nullptr);
            rect->SetLogRect(TRect(200, 300, 800, 700));
            objects.Add(std::move(rect));
            TDOList view;
            objects.ListObjects(view);
            doc->StoreLabelObjects(0, view);
        }
        doc->SetCurrentSheetNo(2);
        target = folder.filePath(QStringLiteral("album.pdf"));
    }
    void TearDown() override {
        data.reset();
        SetPrinterBackend(nullptr);
        ResetPrintChoices();
    }
    // Answers the paper prompts in order (true: "印刷", false: Escape).
    // Answers not used by the last print are dropped.
    void AnswerPrompts(std::vector<bool> answers) {
        delete answering;
        auto* timer = new QTimer(main);
        answering = timer;
        QObject::connect(timer, &QTimer::timeout, timer, [this, timer, answers]() mutable {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* prompt = qobject_cast<TfrmWaitPrintJob*>(w);
                if (!prompt || !prompt->isVisible() || answers.empty())
                    continue;
                ++prompts;
                const bool yes = answers.front();
                answers.erase(answers.begin());
                if (yes)
                    QTest::mouseClick(prompt->btnPrint, Qt::LeftButton);
                else
                    QTest::keyClick(prompt, Qt::Key_Escape);
            }
            if (answers.empty())
                timer->deleteLater();
        });
        timer->start(1);
    }
    // Closes the printing window once sheet `sheet` is being printed.
    void CloseWhilePrinting(int sheet) {
        auto* timer = new QTimer(main);
        QObject::connect(timer, &QTimer::timeout, timer, [this, timer, sheet] {
            if (doc->CurrentSheetNo() != sheet || !Printer().Printing())
                return;
            jobFile = Printer().JobFileName();
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* printing = qobject_cast<TfrmPrinting*>(w); printing && printing->isVisible()) {
                    printing->close();
                    EXPECT_TRUE(printing->isVisible()); // up until the print returns
                    timer->deleteLater();
                }
        });
        timer->start(0);
    }
    int Pages() { return TestSupport::PdfPageCount(target); }
    int Print(bool prompts) {
        TfrmPrintDialog dialog(main);
        dialog.SetLabelData(doc);
        dialog.cbPaperChangeMsg->setChecked(!prompts);
        dialogs.files = {target};
        dialog.btnPrint->click();
        return dialog.result();
    }

    FakePrinterBackend* backend = nullptr;
    TfrmMain* main = nullptr;
    TLabelData* doc = nullptr;
    QTemporaryDir folder;
    QString target;
    int prompts = 0;
    QString jobFile;
    QPointer<QTimer> answering;
};

TEST_F(PrintDialogTest, ChosenPagesBecomeOnePdfWithOrWithoutPrompts) {
    REQUIRE_CHECKER(TestSupport::HasPdftoppm(), "pdftoppm");
    ASSERT_EQ(Printer().PrinterName(), TPrinter::PdfPrinterName);
    EXPECT_EQ(Print(false), mrOk);
    ASSERT_EQ(dialogs.fileRequests.size(), 1u);
    EXPECT_EQ(dialogs.fileRequests[0].Filter, QStringLiteral("PDF ファイル (*.pdf)|*.pdf"));
    EXPECT_EQ(dialogs.fileRequests[0].FileName, QStringLiteral("新規作成.pdf"));
    EXPECT_EQ(Printer().Title(), QStringLiteral("新規作成 - ") + TApplication::Title());
    ASSERT_TRUE(QFile::exists(target));
    EXPECT_EQ(Pages(), 2);
    EXPECT_EQ(PrintChoices().SheetFlags, (std::vector<bool>{false, false, true, true}));

    // The paper prompts are for a printer: the file printer prints without them.
    QFile::remove(target);
    AnswerPrompts({true, true});
    EXPECT_EQ(Print(true), mrOk);
    EXPECT_EQ(prompts, 0);
    EXPECT_EQ(Pages(), 2);

    // A queue: a prompt before each sheet; Escape on the second: one sheet, the choice kept whole.
    backend->UseOfficeQueue();
    prompts = 0;
    AnswerPrompts({true, true});
    EXPECT_EQ(Print(true), mrOk);
    EXPECT_EQ(prompts, 2);
    EXPECT_EQ(backend->spool.size(), 2u);
    AnswerPrompts({true, false});
    EXPECT_EQ(Print(true), mrOk);
    EXPECT_EQ(backend->spool.size(), 3u);
    EXPECT_EQ(PrintChoices().SheetFlags, (std::vector<bool>{false, false, true, true}));

    // The first prompt refused: nothing printed, the dialog stays.
    AnswerPrompts({false});
    EXPECT_NE(Print(true), mrOk);
    EXPECT_EQ(backend->spool.size(), 3u);
}

TEST_F(PrintDialogTest, ClosingThePrintingWindowLeavesNoFileAndAsksNoMore) {
    TestSupport::WriteFile(target, QByteArray("older"));
    dialogs.answers = {mrYes}; // to replacing it
    // The print's temporary files go to a folder of this test's own.
    QTemporaryDir temp;
    const std::optional<QByteArray> savedTemp =
        qEnvironmentVariableIsSet("TMPDIR") ? std::optional(qgetenv("TMPDIR")) : std::nullopt;
    qputenv("TMPDIR", temp.path().toLocal8Bit());
    CloseWhilePrinting(3);
    EXPECT_NE(Print(false), mrOk);
    EXPECT_EQ(TestSupport::ReadFile(target), QByteArray("older"));
    EXPECT_TRUE(jobFile.startsWith(temp.path())) << jobFile.toStdString();
    EXPECT_TRUE(QDir(temp.path()).isEmpty());
    EXPECT_EQ(main->StatusBar->currentMessage(), QStringLiteral("印刷を中止しました"));

    // With prompts on a queue: no prompt after the aborted sheet, nothing handed to the queue.
    backend->UseOfficeQueue();
    CloseWhilePrinting(2);
    AnswerPrompts({true, true});
    EXPECT_NE(Print(true), mrOk);
    EXPECT_EQ(prompts, 1);
    EXPECT_TRUE(backend->spool.empty());
    EXPECT_TRUE(QDir(temp.path()).isEmpty());
    if (savedTemp)
        qputenv("TMPDIR", *savedTemp);
    else
        qunsetenv("TMPDIR");
}

TEST_F(PrintDialogTest, QueuesGetAJobPerSheetAndAVanishedQueueItsMessage) {
    backend->queues["Office"] = FakePrinterBackend::OfficeQueue();
    backend->defaultQueue = "Office";
    Printer().Refresh();
    Printer().SetPrinter("Office", {}, {}, {});
    EXPECT_EQ(Print(false), mrOk);
    EXPECT_EQ(backend->spool.size(), 2u);
    EXPECT_TRUE(dialogs.fileRequests.empty());

    backend->unreachable = true;
    dialogs.answers = {mrOk};
    EXPECT_NE(Print(false), mrOk);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_TRUE(dialogs.boxes[0].text.contains(QStringLiteral("Office")));
    EXPECT_EQ(backend->spool.size(), 2u);
}

// By keys: every stop of the dialog shows that it has the focus, and Space closes the dialog only on
// its cancel button. The printer and the copies chosen in the printer set-up's properties show in
// the dialog, and the copies outlast a change of printer.
TEST_F(PrintDialogTest, ByKeysEveryStopShowsItsFocusAndThePrinterAndCopiesChosenDeeperShow) {
    backend->queues["Office"] = FakePrinterBackend::OfficeQueue();
    backend->queues["PMA920"] =
        FakePrinterBackend::PpdQueue(TestSupport::SourcePath(QStringLiteral("tests/data/ppd/EscprPhoto.ppd")));
    backend->defaultQueue = "Office";
    Printer().Refresh();
    TfrmPrintDialog dialog(main);
    dialog.SetLabelData(doc);
    dialog.show();
    dialog.activateWindow();
    RunLoopUntil([&] { return QApplication::activeWindow() == &dialog; });
    EXPECT_EQ(dialog.lblPrinter->text(), TPrinter::PdfPrinterName);
    EXPECT_EQ(dialog.lblCopies->text(), QStringLiteral("1"));

    // Once round by Tab: each stop looks different with the focus than without it.
    const auto differing = [&](const QImage& a, const QImage& b, QWidget* w) {
        const QRect area =
            QRect(w->mapTo(&dialog, QPoint(0, 0)), w->size()).adjusted(-3, -3, 3, 3).intersected(a.rect());
        int count = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                count += a.pixel(x, y) != b.pixel(x, y);
        return count;
    };
    // A Tab first: the focus shows once the keys move it.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QList<QWidget*> stops;
    while (stops.size() < 30 && !stops.contains(QApplication::focusWidget())) {
        QWidget* stop = QApplication::focusWidget();
        ASSERT_NE(stop, nullptr);
        stops << stop;
        const QImage focused = dialog.grab().toImage();
        QTest::keyClick(stop, Qt::Key_Tab);
        EXPECT_GE(differing(focused, dialog.grab().toImage(), stop), 8) << stop->objectName().toStdString();
    }
    for (QWidget* expected : std::initializer_list<QWidget*>{dialog.rbAll, dialog.cbPageOption, dialog.spnTopMargin,
                                                             dialog.cbPaperChangeMsg, dialog.cbPages,
                                                             dialog.btnPrinter, dialog.btnPrint, dialog.btnCancel})
        EXPECT_TRUE(stops.contains(expected)) << expected->objectName().toStdString();

    // Space acts on each control in place; a list it opens is closed again by Escape.
    for (QWidget* stop : stops) {
        if (qobject_cast<QPushButton*>(stop))
            continue;
        stop->setFocus(Qt::TabFocusReason);
        QTest::keyClick(stop, Qt::Key_Space);
        if (QWidget* popup = QApplication::activePopupWidget())
            QTest::keyClick(popup, Qt::Key_Escape);
        EXPECT_TRUE(dialog.isVisible()) << stop->objectName().toStdString();
    }

    // Space on "プリンタ設定": another printer and three copies in its properties, the printer
    // changed again by keys, OK.
    dialogs.pageSetupAnswer = TPageSetupRequest{{}, QPageSize(QPageSize::A4), QPageLayout::Portrait, 3, {}};
    int copiesAfterChange = 0;
    WhenModalOf<TfrmPrinterSetting>([&](TfrmPrinterSetting* setting) {
        QTest::keyClick(setting->cmbPrinter, Qt::Key_End);
        EXPECT_EQ(setting->cmbPrinter->currentText(), QStringLiteral("PMA920"));
        setting->btnProperty->setFocus(Qt::TabFocusReason);
        QTest::keyClick(setting->btnProperty, Qt::Key_Space);
        QTest::keyClick(setting->cmbPrinter, Qt::Key_Home);
        EXPECT_EQ(setting->cmbPrinter->currentText(), QStringLiteral("Office"));
        copiesAfterChange = TDevModeFields::Read(setting->Configuration()->GetDevMode()->GetAnsiDevMode()).Copies;
        setting->btnOK->setFocus(Qt::TabFocusReason);
        QTest::keyClick(setting->btnOK, Qt::Key_Space);
    });
    dialog.btnPrinter->setFocus(Qt::TabFocusReason);
    QTest::keyClick(dialog.btnPrinter, Qt::Key_Space);
    EXPECT_EQ(copiesAfterChange, 3);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.lblPrinter->text(), QStringLiteral("Office"));
    EXPECT_EQ(dialog.lblCopies->text(), QStringLiteral("3"));
    EXPECT_EQ(Printer().Copies(), 3);

    dialog.btnCancel->setFocus(Qt::TabFocusReason);
    QTest::keyClick(dialog.btnCancel, Qt::Key_Space);
    EXPECT_FALSE(dialog.isVisible());

    // The file printer with two copies in its properties: the dialog says two, and its file holds
    // each chosen sheet twice.
    dialogs.pageSetupAnswer->Copies = 2;
    TfrmPrintDialog again(main);
    again.SetLabelData(doc);
    WhenModalOf<TfrmPrinterSetting>([](TfrmPrinterSetting* setting) {
        setting->cmbPrinter->setCurrentIndex(setting->cmbPrinter->findText(TPrinter::PdfPrinterName));
        emit setting->cmbPrinter->activated(setting->cmbPrinter->currentIndex());
        setting->btnProperty->click();
        setting->btnOK->click();
    });
    again.btnPrinter->click();
    EXPECT_EQ(again.lblPrinter->text(), TPrinter::PdfPrinterName);
    EXPECT_EQ(again.lblCopies->text(), QStringLiteral("2"));
    again.cbPaperChangeMsg->setChecked(true);
    dialogs.files = {target};
    again.btnPrint->click();
    EXPECT_EQ(again.result(), mrOk);
    EXPECT_EQ(Pages(), 4);
}

TEST_F(PrintDialogTest, ASheetChoiceBelongsToItsDocument) {
    REQUIRE_CHECKER(TestSupport::HasPdftoppm(), "pdftoppm");
    // Chosen for another document: the print command enters the print mode instead of printing.
    TLabelData other(nullptr);
    PrintChoices().SheetFlags = {false, false, true, false};
    PrintChoices().FlagsDocument = &other;
    doc->LastPrint = 0;
    main->actSheet->trigger();
    main->actPrint->trigger();
    EXPECT_EQ(doc->LastPrint, 0);
    EXPECT_FALSE(QFile::exists(target));

    PrintChoices().FlagsDocument = doc;
    dialogs.files = {target};
    main->actPrint->trigger();
    EXPECT_NE(doc->LastPrint, 0);
    EXPECT_EQ(Pages(), 1);
}

// The file printer asks for its file at every print, offering the last one, and replaces a file
// only when told; the print command with the kept choice asks the same. Without a choice that fits
// the document, the print command in the print mode opens the print dialog.
TEST_F(PrintDialogTest, TheFilePrinterAsksForItsFileAtEachPrintAndReplacesOnlyWhenTold) {
    REQUIRE_CHECKER(TestSupport::HasPdftoppm(), "pdftoppm");
    main->actSheet->trigger();
    main->actPrint->trigger();
    ASSERT_EQ(main->HostedKind(), mkPrint);
    bool opened = false;
    WhenModalOf<TfrmPrintDialog>([&](TfrmPrintDialog* dialog) {
        opened = true;
        dialog->cbPaperChangeMsg->setChecked(true);
        dialog->btnPrint->click();
    });
    dialogs.files = {target};
    QApplication::setActiveWindow(main);
    QTest::keyClick(main, Qt::Key_P, Qt::ControlModifier);
    ASSERT_TRUE(opened);
    EXPECT_EQ(Pages(), 2);

    // Ctrl+P again prints the kept choice: the last file is offered, and "いいえ" to replacing it
    // prints nothing and asks nothing more.
    TestSupport::WriteFile(target, QByteArray("older"));
    dialogs.files = {target};
    dialogs.answers = {mrNo};
    QApplication::setActiveWindow(main);
    QTest::keyClick(main, Qt::Key_P, Qt::ControlModifier);
    ASSERT_EQ(dialogs.fileRequests.size(), 2u);
    EXPECT_EQ(dialogs.fileRequests[1].FileName, QStringLiteral("album.pdf"));
    EXPECT_EQ(QDir(dialogs.fileRequests[1].InitialDir), QDir(folder.path()));
    EXPECT_FALSE(dialogs.fileRequests[1].OverwritePrompt);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, QStringLiteral("ファイル「album.pdf」は既にあります。置き換えますか?"));
    EXPECT_EQ(dialogs.boxes[0].buttons, (std::vector<TBitBtnKind>{bkYes, bkNo}));
    EXPECT_EQ(TestSupport::ReadFile(target), QByteArray("older"));
    // "はい": the file holds every chosen sheet.
    dialogs.files = {target};
    dialogs.answers = {mrYes};
    main->actPrint->trigger();
    EXPECT_EQ(Pages(), 2);
    // The file question cancelled: nothing printed, nothing asked.
    TestSupport::WriteFile(target, QByteArray("older"));
    dialogs.files = {QString()};
    main->actPrint->trigger();
    // The print dialog asks the same.
    dialogs.files = {target};
    dialogs.answers = {mrNo};
    EXPECT_NE(Print(false), mrOk);
    EXPECT_EQ(dialogs.boxes.size(), 3u);
    EXPECT_EQ(TestSupport::ReadFile(target), QByteArray("older"));

    // A sheet added since the choice: the print command opens the dialog rather than print a choice
    // made for other sheets.
    doc->AddSheet();
    opened = false;
    WhenModalOf<TfrmPrintDialog>([&](TfrmPrintDialog* dialog) {
        opened = true;
        dialog->btnCancel->click();
    });
    main->actPrint->trigger();
    EXPECT_TRUE(opened);
    EXPECT_EQ(TestSupport::ReadFile(target), QByteArray("older"));
}

} // namespace

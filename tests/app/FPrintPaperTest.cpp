// The print mode: sheets in reading order with their sides, the tiles the browser shows, and the
// road from the file menu's print command to the print dialog.

#include "app/FMain.h"
#include "app/UModeRegistry.h"
#include "app/dialogs/FPrintDialog.h"
#include "app/dialogs/FPrintPaperBase.h"
#include "app/dialogs/FPrintPaperPanel.h"
#include "app/dialogs/FPrintPreviewBrowser.h"
#include "app/dialogs/FWaitPrintJob.h"
#include "app/dialogs/UThumbGrid.h"
#include "imaging/UPictureEX.h"
#include "imaging/USafetyBitmap.h"
#include "pageobjects/layout/ULOAlbumPhoto.h"
#include "pageobjects/layout/ULOBackImage.h"
#include "pageobjects/layout/ULORect.h"
#include "pageobjects/layout/ULOText.h"
#include "papers/UExtraPaperInfo.h"
#include "papers/ULabelData.h"
#include "papers/UPaperInfo.h"
#include "papers/UPapers.h"
#include "platform/DevMode.h"
#include "platform/PixelBuffer.h"
#include "platform/Printer.h"
#include "tests/FakePrinterBackend.h"
#include "tests/PrivateCupsd.h"
#include "tests/TestSupport.h"
#include "tests/app/AppTestSupport.h"
#include "tests/pageobjects/engine/EngineTestObjects.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTransform>

namespace {

TEST(PrintModeRules, ReadingOrderSidesAndCaptions) {
    // Both covers and 4 pages: front cover, pages 1 to 4, back cover.
    EXPECT_EQ(PrintPreviewCount(6, true, true), 6);
    EXPECT_EQ(PrintPreviewCount(6, false, false), 4);
    EXPECT_EQ(PrintPreviewCount(6, false, true), 5);
    std::vector<int> sheets;
    for (int i = 0; i < 6; ++i)
        sheets.push_back(PreviewIndexToSheet(i, 6, true, true));
    EXPECT_EQ(sheets, (std::vector<int>{0, 2, 3, 4, 5, 1}));
    EXPECT_EQ(PreviewIndexToSheet(0, 4, false, false), 2);
    EXPECT_EQ(PreviewIndexToSheet(4, 5, false, true), 1);
    // The dialog's mapping is the inverse.
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(SheetToPreviewIndex(PreviewIndexToSheet(i, 5, false, true), 6, false), i);

    EXPECT_EQ(BuildPrintCaptions(6, true, true, fsBoth, false),
              (QStringList{"表表紙(表面)", "1ページ(表面)", "2ページ(裏面)", "3ページ(表面)", "4ページ(裏面)",
                           "裏表紙(裏面)"}));
    // Landscape paper turns the sides of a two-sided document; one-sided ones keep theirs.
    EXPECT_EQ(BuildPrintCaptions(4, true, false, fsBoth, true),
              (QStringList{"表表紙(裏面)", "1ページ(裏面)", "2ページ(表面)"}));
    EXPECT_EQ(BuildPrintCaptions(3, false, false, fsBack, false), QStringList{"1ページ(裏面)"});
    EXPECT_EQ(BuildPrintCaptions(3, false, true, fsFront, true),
              (QStringList{"1ページ(表面)", "裏表紙(表面)"}));
}

TEST(PrintModeRules, TileAndSteppedShadowPixels) {
    // A 48 x 24 preview: two shadow steps, placed at (166, 178) in the tile.
    QImage preview(48, 24, QImage::Format_RGB32);
    preview.fill(QColor(10, 20, 30));
    const QImage tile = MakePreviewTile(preview, false);
    ASSERT_EQ(tile.size(), QSize(380, 380));
    const QRgb base = qRgb(0xE1, 0xEB, 0xD5);
    const QRgb step0 = qRgb(213, 223, 202);
    const QRgb step1 = qRgb(202, 211, 191);
    const QRgb step2 = qRgb(191, 200, 181);
    EXPECT_EQ(tile.pixel(0, 0), base);
    EXPECT_EQ(tile.pixel(166, 178), qRgb(10, 20, 30));
    EXPECT_EQ(tile.pixel(213, 201), qRgb(10, 20, 30));
    EXPECT_EQ(tile.pixel(165, 190), base);
    EXPECT_EQ(tile.pixel(190, 177), base);
    EXPECT_EQ(tile.pixel(217, 190), base);
    EXPECT_EQ(tile.pixel(216, 190), step0);
    EXPECT_EQ(tile.pixel(215, 190), step1);
    EXPECT_EQ(tile.pixel(214, 195), step2);
    EXPECT_EQ(tile.pixel(190, 203), step1);
    EXPECT_EQ(tile.pixel(190, 202), step2);
    EXPECT_EQ(MakePreviewTile(preview, true).pixel(379, 379), qRgb(0xE6, 0xD3, 0xC6));

    // A blank page keeps the face's proportions within 360 x 360.
    EXPECT_EQ(BlankPreview(1000, 500).size(), QSize(360, 180));
    EXPECT_EQ(BlankPreview(300, 600).size(), QSize(180, 360));
    EXPECT_TRUE(BlankPreview(0, 600).isNull());
}

// Mean absolute channel difference, and the share of pixels off by more than a quarter of the range.
struct TImageDistance {
    double Mean = 0;
    double FarShare = 0;
};
TImageDistance Distance(const QImage& a, const QImage& b) {
    TImageDistance d;
    const int pixels = a.width() * a.height();
    if (a.size() != b.size() || pixels == 0)
        return {255, 1};
    long long sum = 0;
    int far = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            const int dr = std::abs(qRed(p) - qRed(q));
            const int dg = std::abs(qGreen(p) - qGreen(q));
            const int db = std::abs(qBlue(p) - qBlue(q));
            sum += dr + dg + db;
            far += std::max({dr, dg, db}) > 64 ? 1 : 0;
        }
    d.Mean = double(sum) / (3.0 * pixels);
    d.FarShare = double(far) / pixels;
    return d;
}

// Tolerance: resampling blurs the edges of shapes and letters only.
void ExpectLike(const QImage& printed, const QImage& preview, int page) {
    ASSERT_EQ(printed.size(), preview.size()) << "page " << page;
    const TImageDistance d = Distance(printed, preview);
    EXPECT_LT(d.Mean, 6.0) << "page " << page;
    EXPECT_LT(d.FarShare, 0.03) << "page " << page;
}

class PrintModeTest : public AppFixture {
protected:
    void SetUp() override {
        ResetPrintChoices();
        backend = FakePrinterBackend::Install();
        RegisterTestClasses();
        main = StartMainWindow();
        ASSERT_NE(main, nullptr);
        doc = main->Document();
        doc->FrontCover = true;
        doc->BackCover = true;
        while (doc->GetSheetCount() < 5)
            doc->AddSheet();
        for (int sheet = 0; sheet < doc->GetSheetCount(); ++sheet) {
            doc->SetCurrentSheetNo(sheet);
            TOwnedDOList objects;
            auto rect = std::make_unique<TTestRect>(nullptr);
            rect->SetLogRect(TRect(200 + 100 * sheet, 300, 800 + 200 * sheet, 700 + 300 * sheet));
            rect->SetFillColor(RGB(40 * sheet, 200 - 30 * sheet, 90));
            objects.Add(std::move(rect));
            TDOList view;
            objects.ListObjects(view);
            doc->StoreLabelObjects(0, view);
        }
        doc->SetCurrentSheetNo(3);
        // The document is looked at in the sheet window: the start menu offers no print or save.
        main->actSheet->trigger();
        ASSERT_EQ(main->HostedKind(), mkSheet);
        target = folder.filePath(QStringLiteral("pages.pdf"));
    }
    void TearDown() override {
        data.reset();
        SetPrinterBackend(nullptr);
        ResetPrintChoices();
    }
    TfrmPrintPaperPanel* EnterPrintMode() {
        main->actPrint->trigger();
        auto* base = dynamic_cast<TfrmPrintPaperBase*>(main->HostedForm());
        if (!base)
            return nullptr;
        RunLoopUntil([&] { return !base->Panel()->Captions().isEmpty(); });
        return base->Panel();
    }

    // An album made in code: both covers and two pages, each sheet with a background, a photo, a
    // text and a rectangle, no paper images; saved, then opened again through the main window.
    void MakeAlbum(bool landscape) {
        doc->SetModified(false);
        ASSERT_TRUE(main->NewDocument());
        TLabelData* album = main->Document();
        if (landscape) {
            const TPaperInfo* stored = album->GetPaperInfo();
            std::unique_ptr<TPaperInfo> paper(static_cast<TPaperInfo*>(stored->NewInstance(nullptr)));
            paper->Assign(stored);
            paper->Landscape = true;
            album->ChangePaperInfo(*paper);
        }
        album->FrontCover = true;
        album->BackCover = true;
        album->FaceSides = fsBoth;
        while (album->GetSheetCount() < 4)
            album->AddSheet();
        const int w = album->GetLayoutPaper()->Width();
        const int h = album->GetLayoutPaper()->Height();
        for (int sheet = 0; sheet < 4; ++sheet) {
            album->SetCurrentSheetNo(sheet);
            album->FaceInit = true;
            TOwnedDOList objects;
            auto back = std::make_unique<TLOBackImage>(nullptr);
            back->SetLogRect(TRect(0, 0, w, h));
            back->FillColor()->SetColor(RGB(250, 240 - 30 * sheet, 160 + 30 * sheet));
            objects.Add(std::move(back));
            auto photo = std::make_unique<TLOAlbumPhoto>(nullptr);
            photo->SetLogRect(TRect(w / 10, h / 10, w / 2, h / 2));
            QImage picture(300, 200, QImage::Format_RGB32);
            for (int y = 0; y < picture.height(); ++y)
                for (int x = 0; x < picture.width(); ++x)
                    picture.setPixel(x, y, qRgb(x * 255 / 300, y * 255 / 200, 60 * sheet));
            TSafetyBitmap bitmap;
            bitmap.SetPixels(PixelBuffer::FromImage(picture, 24));
            photo->PhotoImageObj()->Picture()->SetGraphic(&bitmap);
            objects.Add(std::move(photo));
            auto text = std::make_unique<TLOText>(nullptr);
            TStringList lines({QStringLiteral("ページ %1").arg(sheet)});
            text->Engine().SetText(lines);
            text->Font()->SetSize(48);
            text->SetLogRect(TRect(w / 10, h * 6 / 10, w * 9 / 10, h * 7 / 10));
            objects.Add(std::move(text));
            auto rect = std::make_unique<TLORect>(nullptr);
            rect->SetLogRect(TRect(w * 6 / 10, h / 5 + 100 * sheet, w * 9 / 10, h / 2));
            rect->SetFillInside(true);
            rect->FillColor()->SetColor(sheet % 2 == 0 ? RGB(220, 60, 30) : RGB(30, 60, 220));
            objects.Add(std::move(rect));
            TDOList view;
            objects.ListObjects(view);
            album->StoreLabelObjects(0, view);
        }
        album->SetCurrentSheetNo(2);
        const QString path = folder.filePath(QStringLiteral("album.qld"));
        dialogs.files = {path};
        main->actSaveAs->trigger();
        ASSERT_TRUE(QFile::exists(path));
        ASSERT_TRUE(main->NewDocument());
        ASSERT_TRUE(main->OpenDocument(path));
        doc = main->Document();
        ASSERT_EQ(doc->GetSheetCount(), 4);
    }

    FakePrinterBackend* backend = nullptr;
    TfrmMain* main = nullptr;
    TLabelData* doc = nullptr;
    QTemporaryDir folder;
    QString target;
};

TEST_F(PrintModeTest, PrintCommandWithoutChoiceEntersTheModeWhoseButtonOpensTheDialog) {
    TfrmPrintPaperPanel* panel = EnterPrintMode();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(main->HostedKind(), mkPrint);
    EXPECT_EQ(panel->Captions(), (QStringList{"表表紙(表面)", "1ページ(表面)", "2ページ(表面)",
                                              "3ページ(表面)", "裏表紙(表面)"}));
    EXPECT_EQ(doc->CurrentSheetNo(), 3);
    EXPECT_EQ(panel->Browser()->ListView1->Count(), 5);
    EXPECT_EQ(panel->Browser()->ListView1->ItemText(4), QStringLiteral("裏表紙(表面)"));
    // Sheets differ, so their previews do.
    EXPECT_NE(panel->GetPreview(0), panel->GetPreview(1));
    EXPECT_EQ(panel->GetPreview(4).size(), panel->GetPreview(0).size());

    QStringList listed;
    QTimer::singleShot(0, main, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<TfrmPrintDialog*>(w); dialog && dialog->isVisible()) {
                for (int i = 0; i < dialog->cbPages->count(); ++i)
                    listed << dialog->cbPages->itemText(i);
                dialog->btnCancel->click();
            }
    });
    panel->btnStart->click();
    EXPECT_EQ(listed, (QStringList{"1ページ", "2ページ", "3ページ"}));
    EXPECT_EQ(doc->CurrentSheetNo(), 3);
}

// The dialog of the print mode, driven by its controls: pages 1 and 2, with or without the paper
// prompts. Each preview the dialog shows for those pages is kept in `shown`.
void PrintPagesOneAndTwo(TfrmPrintPaperPanel* panel, bool prompts, std::vector<QImage>& shown) {
    QTimer::singleShot(0, panel, [&shown, prompts] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<TfrmPrintDialog*>(w); dialog && dialog->isVisible()) {
                dialog->rbAssign->click();
                dialog->esStart->setValue(1);
                dialog->esEnd->setValue(2);
                if (dialog->cbPaperChangeMsg->isChecked() == prompts)
                    dialog->cbPaperChangeMsg->click();
                for (int i = 0; i < dialog->cbPages->count(); ++i) {
                    dialog->cbPages->setCurrentIndex(i);
                    shown.push_back(
                        dialog->imPreview->pixmap().toImage().convertToFormat(QImage::Format_RGB32));
                }
                dialog->btnPrint->click();
            }
    });
    panel->btnStart->click();
}

// Answers each paper prompt by a click on "印刷", keeping the picture it shows.
void AnswerPromptsByClicks(QObject* owner, std::vector<QImage>& shown) {
    auto* timer = new QTimer(owner);
    QObject::connect(timer, &QTimer::timeout, timer, [&shown] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* prompt = qobject_cast<TfrmWaitPrintJob*>(w); prompt && prompt->isVisible()) {
                shown.push_back(prompt->imPreview->pixmap().toImage().convertToFormat(QImage::Format_RGB32));
                QTest::mouseClick(prompt->btnPrint, Qt::LeftButton);
            }
    });
    timer->start(1);
}

TEST_F(PrintModeTest, PrintedPagesOfAnOpenedAlbumMatchTheirPreviews) {
    REQUIRE_CHECKER(TestSupport::HasPdftoppm(), "pdftoppm");
    MakeAlbum(false);
    TfrmPrintPaperPanel* panel = EnterPrintMode();
    ASSERT_NE(panel, nullptr);
    ASSERT_EQ(panel->Captions(),
              (QStringList{"表表紙(表面)", "1ページ(表面)", "2ページ(裏面)", "裏表紙(裏面)"}));
    std::vector<QImage> shown;
    dialogs.files = {target};
    PrintPagesOneAndTwo(panel, false, shown);
    ASSERT_EQ(TestSupport::PdfPageCount(target), 2);
    ASSERT_EQ(shown.size(), 2u);
    std::vector<QImage> previews;
    for (int page = 1; page <= 2; ++page) {
        const QImage preview = panel->GetPreview(page).convertToFormat(QImage::Format_RGB32);
        previews.push_back(preview);
        // The paper's size: A4 at 100 dpi.
        const QImage whole = TestSupport::RasterisePdf(target, 100, page);
        EXPECT_NEAR(whole.width(), 827, 2);
        EXPECT_NEAR(whole.height(), 1169, 2);
        ExpectLike(TestSupport::RasterisePdfToSize(target, preview.size(), page), preview, page);
        // The dialog's smaller copy of the same preview.
        ExpectLike(TestSupport::RasterisePdfToSize(target, shown[size_t(page - 1)].size(), page),
                   shown[size_t(page - 1)], page);
    }
    // The two pages differ as their previews do.
    EXPECT_GT(Distance(previews[0], previews[1]).FarShare, 0.01);
    const QImage first = TestSupport::RasterisePdf(target, 50, 1);
    const QImage second = TestSupport::RasterisePdf(target, 50, 2);

    // With prompts the file printer asks nothing and writes the same file.
    QFile::remove(target);
    shown.clear();
    dialogs.files = {target};
    std::vector<QImage> prompted;
    AnswerPromptsByClicks(main, prompted);
    PrintPagesOneAndTwo(panel, true, shown);
    ASSERT_EQ(TestSupport::PdfPageCount(target), 2);
    EXPECT_EQ(TestSupport::RasterisePdf(target, 50, 1), first);
    EXPECT_EQ(TestSupport::RasterisePdf(target, 50, 2), second);
    EXPECT_TRUE(prompted.empty());

    // A printer with paper in it: both prompts answered by clicks, each showing its page, each
    // sheet a job of the same page.
    backend->UseOfficeQueue();
    main->actPaperInfoToPrinter->trigger();
    shown.clear();
    PrintPagesOneAndTwo(panel, true, shown);
    ASSERT_EQ(backend->spool.size(), 2u);
    ASSERT_EQ(prompted.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        const QString job = backend->SpooledFile(i, folder.filePath(QStringLiteral("job%1.pdf").arg(i)));
        ExpectLike(TestSupport::RasterisePdf(job, 50, 1), i == 0 ? first : second, int(i + 1));
        ExpectLike(prompted[i],
                   previews[i].scaled(prompted[i].size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation),
                   int(i + 1));
    }
}

TEST_F(PrintModeTest, ALandscapeAlbumTurnsItsPreviewsAndPages) {
    REQUIRE_CHECKER(TestSupport::HasPdftoppm(), "pdftoppm");
    MakeAlbum(true);
    TfrmPrintPaperPanel* panel = EnterPrintMode();
    ASSERT_NE(panel, nullptr);
    // Landscape paper turns the sides of a two-sided album.
    ASSERT_EQ(panel->Captions(),
              (QStringList{"表表紙(裏面)", "1ページ(裏面)", "2ページ(表面)", "裏表紙(表面)"}));
    // Printed on a printer with paper in it, one job a sheet, the paper prompt before each.
    backend->UseOfficeQueue();
    main->actPaperInfoToPrinter->trigger();
    std::vector<QImage> shown;
    std::vector<QImage> prompted;
    AnswerPromptsByClicks(main, prompted);
    PrintPagesOneAndTwo(panel, true, shown);
    ASSERT_EQ(backend->spool.size(), 2u);
    ASSERT_EQ(shown.size(), 2u);
    ASSERT_EQ(prompted.size(), 2u);
    for (int page = 1; page <= 2; ++page) {
        const QImage preview = panel->GetPreview(page).convertToFormat(QImage::Format_RGB32);
        ASSERT_GT(preview.width(), preview.height());
        const QString job =
            backend->SpooledFile(size_t(page - 1), folder.filePath(QStringLiteral("job%1.pdf").arg(page)));
        // The page is the paper lying down, as the print mode shows it.
        const QImage whole = TestSupport::RasterisePdf(job, 100, 1);
        EXPECT_NEAR(whole.width(), 1169, 2);
        EXPECT_NEAR(whole.height(), 827, 2);
        ExpectLike(TestSupport::RasterisePdfToSize(job, preview.size(), 1), preview, page);
        // The dialog and the prompt show it turned a quarter clockwise, as it goes into the printer.
        const QImage turned = preview.transformed(QTransform().rotate(90));
        for (const QImage& small : {shown[size_t(page - 1)], prompted[size_t(page - 1)]}) {
            EXPECT_LT(small.width(), small.height());
            ExpectLike(small, turned.scaled(small.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation),
                       page);
        }
    }
}

TEST_F(PrintModeTest, ThePaperGoesOntoTheCurrentPrinter) {
    backend->queues["Office"] = FakePrinterBackend::OfficeQueue();
    backend->defaultQueue = "Office";
    Printer().Refresh();
    // The printer was left on A5, landscape.
    TDevModeFields a5;
    a5.Fields = DM_PAPERSIZE | DM_ORIENTATION;
    a5.PaperSize = int16_t(QPageSize::windowsId(QPageSize::A5));
    a5.Orientation = DMORIENT_LANDSCAPE;
    QByteArray bytes = DevMode::Empty();
    a5.WriteTo(bytes);
    Printer().SetPrinter("Office", {}, {}, bytes);
    ASSERT_EQ(Printer().PageSize().id(), QPageSize::A5);
    const TMatrixPaperInfo* paper = doc->GetLayoutPaper();
    ASSERT_NE(paper, nullptr);
    main->actPaperInfoToPrinter->trigger();
    const QSizeF sheet = Printer().PageSize().size(QPageSize::Millimeter);
    EXPECT_NEAR(sheet.width(), paper->StoredWidth() / 10.0, 2.0);
    EXPECT_NEAR(sheet.height(), paper->StoredHeight() / 10.0, 2.0);
    EXPECT_EQ(Printer().Orientation(), paper->Landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
}

TEST_F(PrintModeTest, AnAlbumPaintedToTheEdgeGoesBorderlessOnAPrinterThatCan) {
    backend->queues["PMA920"] = FakePrinterBackend::PpdQueue(TestSupport::SourcePath("tests/data/ppd/EscprPhoto.ppd"));
    backend->defaultQueue = "PMA920";
    Printer().Refresh();
    Printer().SetPrinter("PMA920", {}, {}, {});
    std::unique_ptr<TPaperInfo> a4(static_cast<TPaperInfo*>(doc->GetPaperInfo()->NewInstance(nullptr)));
    a4->Assign(doc->GetPaperInfo());
    a4->Landscape = false;
    a4->SetWidth(2100);
    a4->SetHeight(2970);
    doc->ChangePaperInfo(*a4);
    TExAlbumInfo album(nullptr);
    album.FullPaint = true;
    doc->SetPaperExtraAlbum(&album);
    main->actPaperInfoToPrinter->trigger();
    EXPECT_EQ(TDevModeFields::Read(Printer().DevMode()).DefaultSource, DMBIN_BORDERLESS);
    Printer().BeginDoc();
    Printer().EndDoc();
    ASSERT_FALSE(backend->spool.empty());
    EXPECT_EQ(backend->spool.back().options.PageSizeKeyword, QStringLiteral("TA4"));

    album.FullPaint = false;
    doc->SetPaperExtraAlbum(&album);
    main->actPaperInfoToPrinter->trigger();
    EXPECT_EQ(TDevModeFields::Read(Printer().DevMode()).DefaultSource, DMBIN_AUTO);
}

TEST_F(PrintModeTest, APhotoPaperSetsThePaperTypeTheShippedTableGivesIt) {
    backend->queues["PMA920"] = FakePrinterBackend::PpdQueue(TestSupport::SourcePath("tests/data/ppd/EscprPhoto.ppd"));
    Printer().Refresh();
    Printer().SetPrinter("PMA920", {}, {}, {});
    const int index = data->Papers()->IndexOf(QStringLiteral("QL-PL 写真用紙 L判"));
    ASSERT_GE(index, 0);
    doc->ChangePaperInfo(*data->Papers()->GetPaper(index));
    main->actPaperInfoToPrinter->trigger();
    Printer().BeginDoc();
    Printer().EndDoc();
    ASSERT_FALSE(backend->spool.empty());
    EXPECT_EQ(backend->spool.back().options.PageSizeKeyword, QStringLiteral("L"));
    EXPECT_EQ(DriverOption(backend->spool.back().options.DriverOptions, "MediaType"), QStringLiteral("PMPHOTO_HIGH"));
}

// The same on a private print server's queue made from the installed ESC/P-R driver: the shipped
// table's type for the photo paper is one the real driver has, and an album painted to the edge
// prints on the driver's borderless A4.
TEST_F(PrintModeTest, OnTheRealEpsonDriverThePaperAndTheAlbumsEdgeReachTheJob) {
    REQUIRE_CHECKER(!PrivateCupsd::Executable().isEmpty(), "cupsd");
    REQUIRE_CHECKER(PrivateCupsd::HasVendorDrivers(), "printer-driver-escpr and printer-driver-gutenprint");
    PrivateCupsd cupsd;
    ASSERT_TRUE(cupsd.Start()) << cupsd.Log().toStdString();
    ASSERT_TRUE(cupsd.AddQueue("PMA920", "escpr:0/cups/model/epson-inkjet-printer-escpr/"
                                         "Epson-PM-A920-epson-escpr-en.ppd"))
        << cupsd.Log().toStdString();
    SetPrinterBackend(nullptr);
    Printer().SetPrinter("PMA920", {}, {}, {});
    const auto printedOptions = [&] {
        Printer().BeginDoc();
        Printer().EndDoc();
        const int id = Printer().JobId();
        EXPECT_GT(QFileInfo(cupsd.WaitForJob(id)).size(), 0) << cupsd.Log().toStdString();
        return cupsd.JobOptions(id).split(u' ');
    };

    const int index = data->Papers()->IndexOf(QStringLiteral("QL-PL 写真用紙 L判"));
    ASSERT_GE(index, 0);
    doc->ChangePaperInfo(*data->Papers()->GetPaper(index));
    main->actPaperInfoToPrinter->trigger();
    QStringList options = printedOptions();
    EXPECT_TRUE(options.contains("PageSize=L")) << options.join(u' ').toStdString();
    EXPECT_TRUE(options.contains("MediaType=PMPHOTO_HIGH")) << options.join(u' ').toStdString();

    std::unique_ptr<TPaperInfo> a4(static_cast<TPaperInfo*>(doc->GetPaperInfo()->NewInstance(nullptr)));
    a4->Assign(doc->GetPaperInfo());
    a4->PaperName = QStringLiteral("A4");
    a4->Landscape = false;
    a4->SetWidth(2100);
    a4->SetHeight(2970);
    doc->ChangePaperInfo(*a4);
    TExAlbumInfo album(nullptr);
    album.FullPaint = true;
    doc->SetPaperExtraAlbum(&album);
    main->actPaperInfoToPrinter->trigger();
    options = printedOptions();
    EXPECT_TRUE(options.contains("PageSize=TA4")) << options.join(u' ').toStdString();
}

TEST_F(PrintModeTest, ADetachedDocumentIsNoLongerRead) {
    TfrmPrintPaperPanel* panel = EnterPrintMode();
    ASSERT_NE(panel, nullptr);
    const QImage first = panel->GetPreview(0);
    // A new document replaces this one: what was rendered stays.
    doc->SetModified(false);
    ASSERT_TRUE(main->NewDocument());
    EXPECT_TRUE(panel->DocumentGone());
    EXPECT_EQ(panel->GetPreview(0), first);
    panel->btnStart->click(); // no dialog over a document that is gone

    // Gone before anything was rendered: the placeholder, and the document's sheet stays.
    TfrmPrintPaperPanel early(main->Document());
    main->Document()->SetCurrentSheetNo(1);
    early.MarkDocumentGone();
    early.Prepare();
    const QImage pending = early.GetPreview(0);
    ASSERT_FALSE(pending.isNull());
    EXPECT_EQ(pending.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_NE(pending.size(), first.size());
    TPictureEx tile;
    early.GetTile(tile, 0);
    EXPECT_EQ(tile.Width(), pending.width());
    EXPECT_EQ(main->Document()->CurrentSheetNo(), 1);
}

} // namespace

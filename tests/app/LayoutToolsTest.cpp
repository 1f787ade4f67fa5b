// The editor's tools and catalogues as a user reaches them: the bar code, figure and background
// tools make their objects in one undo step, a bar code made in the editor scans from its print,
// and arrow-key nudges are undone burst by burst.

#include "app/FAMBackGround.h"
#include "app/FAMFigure.h"
#include "app/FLayout.h"
#include "app/FMain.h"
#include "app/dialogs/FBackFileBrowser.h"
#include "app/dialogs/FDecoLine.h"
#include "app/dialogs/FDecoString.h"
#include "app/dialogs/FIllustFileBrowser.h"
#include "app/dialogs/FMessage.h"
#include "controls/Exspined.h"
#include "app/dialogs/FImageBrowser.h"
#include "app/dialogs/FJANCode.h"
#include "app/dialogs/FPrintDialog.h"
#include "app/dialogs/FShadeFileBrowser.h"
#include "app/dialogs/UThumbGrid.h"
#include "core/USupportUtil.h"
#include "pageobjects/engine/UAction.h"
#include "pageobjects/engine/UDOFunc.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/engine/UDrawSiteAction.h"
#include "pageobjects/layout/ULOAlphaMask.h"
#include "pageobjects/layout/UImageFont.h"
#include "pageobjects/layout/ULOBackImage.h"
#include "pageobjects/layout/ULODecoLine.h"
#include "pageobjects/layout/ULODecoString.h"
#include "pageobjects/layout/ULOJANCode.h"
#include "pageobjects/layout/ULODate.h"
#include "pageobjects/layout/ULOLine.h"
#include "pageobjects/layout/ULORect.h"
#include "papers/ULabelData.h"
#include "papers/printing/UPrintSite.h"
#include "platform/Cp932.h"
#include "platform/Printer.h"
#include "platform/Stream.h"
#include "tests/FakePrinterBackend.h"
#include "tests/TestSupport.h"
#include "tests/app/AppTestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

TEST(JANCodeInput, DigitsAreCheckedCompletedOrRefusedWithTheReason) {
    EXPECT_TRUE(CheckJANCodeInput(QStringLiteral("4901234567894")).Valid);
    const TJANCodeInput wide = CheckJANCodeInput(QStringLiteral("４９０１２３４-５６７８９４"));
    EXPECT_TRUE(wide.Valid);
    EXPECT_EQ(wide.Code, QStringLiteral("4901234567894"));
    const TJANCodeInput twelve = CheckJANCodeInput(QStringLiteral("490123456789"));
    EXPECT_TRUE(twelve.Valid);
    EXPECT_EQ(twelve.Code, QStringLiteral("4901234567894"));
    EXPECT_EQ(CheckJANCodeInput(QStringLiteral("9638507")).Code, QStringLiteral("96385074"));
    const TJANCodeInput wrong = CheckJANCodeInput(QStringLiteral("4901234567895"));
    EXPECT_FALSE(wrong.Valid);
    EXPECT_TRUE(wrong.Message.contains(QStringLiteral("チェックデジット"))) << wrong.Message.toStdString();
    EXPECT_TRUE(wrong.Message.contains(QStringLiteral("4"))) << "the right digit is named";
    for (const char* bad : {"", "49012345A7894", "49012345678", "49012345678941"})
        EXPECT_FALSE(CheckJANCodeInput(QString::fromLatin1(bad)).Valid) << bad;
}

class LayoutToolsTest : public AppFixture {
protected:
    void SetUp() override {
        ResetPrintChoices();
        backend = FakePrinterBackend::Install();
        main = StartMainWindow();
        ASSERT_NE(main, nullptr);
        editor = OpenLayoutEditor(main);
        ASSERT_NE(editor, nullptr);
    }
    void TearDown() override {
        data.reset();
        SetPrinterBackend(nullptr);
        ResetPrintChoices();
    }

    QByteArray Stored() {
        TDOList all;
        editor->DrawSite1->ListObjects(all, false);
        TMemoryStream stream;
        all.SaveToStream(stream);
        return stream.Data();
    }
    template <class T>
    std::vector<T*> All() {
        TDOList all;
        editor->DrawSite1->ListObjects(all, false);
        std::vector<T*> found;
        for (TDrawObject* object : all)
            if (auto* t = dynamic_cast<T*>(object))
                found.push_back(t);
        return found;
    }
    // A command that adds or changes, then undo and redo through the editor: the stored bytes each
    // time, and one step each.
    void Round(const char* what, const std::function<void()>& command) {
        const QByteArray before = Stored();
        const int steps = UndoList().Count();
        command();
        const QByteArray after = Stored();
        EXPECT_NE(after, before) << what << " changed nothing";
        EXPECT_EQ(UndoList().Count(), steps + 1) << what << " is one step";
        editor->DSAUndo1->ExecuteTarget(editor->DrawSite1);
        EXPECT_EQ(Stored(), before) << what << " undone";
        editor->DSARedo1->ExecuteTarget(editor->DrawSite1);
        EXPECT_EQ(Stored(), after) << what << " redone";
    }
    QString Picture(const QString& relative, int width, int height, const QColor& colour) {
        const QString path = QDir(ExeDir()).filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(colour);
        EXPECT_TRUE(image.save(path, "BMP"));
        return path;
    }
    void Write(const QString& relative, const QByteArray& bytes) {
        const QString path = QDir(ExeDir()).filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    // The tile under the grid's first cell, double-clicked as a user does (the press chooses it).
    static void DoubleClickFirstTile(TThumbGrid* grid) {
        grid->resize(400, 300);
        grid->grab();
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, grid->ItemRect(0).center());
    }
    // The code tool's window, typed into and closed with OK (and Cancel when OK refuses).
    void TypeCode(const QString& digits) {
        WhenModal([digits](QWidget* window) {
            auto* code = window->findChild<QLineEdit*>(QStringLiteral("edtJANCode"));
            ASSERT_NE(code, nullptr);
            code->selectAll();
            QTest::keyClicks(code, digits);
            QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("btnOK")), Qt::LeftButton);
            if (window->isVisible())
                QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("btnCancel")), Qt::LeftButton);
        });
        editor->actJANCode->trigger();
    }
    // Every page of the document printed into one PDF; the codes found on its pages at 300 dpi.
    QStringList PrintedCodes() {
        editor->CommitPage();
        const QString target = folder.filePath(QStringLiteral("codes.pdf"));
        QFile::remove(target);
        TfrmPrintDialog dialog(main);
        dialog.SetLabelData(main->Document());
        dialog.cbPaperChangeMsg->setChecked(true);
        dialogs.files = {target};
        dialog.btnPrint->click();
        QStringList found;
        for (int page = 1; page <= TestSupport::PdfPageCount(target); ++page)
            found += TestSupport::DecodeBarcodes(TestSupport::RasterisePdf(target, 300, page));
        return found;
    }

    FakePrinterBackend* backend = nullptr;
    TfrmMain* main = nullptr;
    TfrmLayout* editor = nullptr;
    QTemporaryDir folder;
};

TEST_F(LayoutToolsTest, AJANCodeMadeInTheEditorScansFromItsPrintTurnedOrNotAndAWrongOneIsNeverMade) {
    REQUIRE_CHECKER(TestSupport::HasPdftoppm(), "pdftoppm");
    REQUIRE_CHECKER(TestSupport::HasZbarimg(), "zbarimg");
    ASSERT_EQ(Printer().PrinterName(), TPrinter::PdfPrinterName);
    // A wrong check digit: the window says why and stays; nothing is made.
    const QByteArray empty = Stored();
    const int steps = UndoList().Count();
    dialogs.answers = {mrOk};
    TypeCode(QStringLiteral("4901234567895"));
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_TRUE(dialogs.boxes[0].text.contains(QStringLiteral("チェックデジット")));
    EXPECT_EQ(Stored(), empty);
    EXPECT_EQ(UndoList().Count(), steps);

    Round("bar code", [&] { TypeCode(QStringLiteral("4901234567894")); });
    const std::vector<TLOJANCode*> codes = All<TLOJANCode>();
    ASSERT_EQ(codes.size(), 1u);
    EXPECT_EQ(codes[0]->JANCode(), QStringLiteral("4901234567894"));
    EXPECT_TRUE(codes[0]->Selected());
    EXPECT_EQ(PrintedCodes(), QStringList{QStringLiteral("4901234567894")});

    Round("turn", [&] { editor->DSARotate90->ExecuteTarget(editor->DrawSite1); });
    EXPECT_EQ(All<TLOJANCode>()[0]->Angle(), 90);
    EXPECT_EQ(PrintedCodes(), QStringList{QStringLiteral("4901234567894")});

    // A stored code with a wrong check digit (an older document) prints no bars.
    All<TLOJANCode>()[0]->SetJANCode(QStringLiteral("4901234567895"));
    EXPECT_TRUE(PrintedCodes().isEmpty());
}

TEST_F(LayoutToolsTest, FiguresAndBackgroundsArePlacedByPasteAndByDoubleClick) {
    Picture(QStringLiteral("Data/Figure/Round/t1.bmp"), 4, 4, Qt::black);
    Picture(QStringLiteral("Data/Figure/Round/p1.bmp"), 160, 120, Qt::black);
    Picture(QStringLiteral("Data/Figure/Round/b1.bmp"), 160, 120, Qt::black);
    Write(QStringLiteral("Data/Figure/Figure.dat"),
          Cp932::Encode(QStringLiteral("[丸]\nFolder=Data\\Figure\\Round\nFile1=t1.bmp,p1.bmp,b1.bmp\n")));
    TfrmShadeFileBrowser::RememberedGenre() = 0;
    editor->actModeFigure->trigger();
    auto* figures = dynamic_cast<TfrmAMFigure*>(editor->EditPanel());
    ASSERT_NE(figures, nullptr);
    ASSERT_EQ(figures->Browser()->Browser()->ItemCount(), 1);
    figures->Browser()->Browser()->SelectIndex(0);
    Round("figure pasted", [&] { figures->btnPasteFigure->click(); });
    ASSERT_EQ(All<TLOAlphaMask>().size(), 1u);
    EXPECT_TRUE(All<TLOAlphaMask>()[0]->Picture()->ImageID().endsWith(QLatin1String("p1.bmp")));
    editor->DrawSite1->SelectAll(false);
    editor->EditPanelIdle();
    Round("figure double-clicked", [&] { DoubleClickFirstTile(figures->Browser()->Browser()->Grid()); });
    EXPECT_EQ(All<TLOAlphaMask>().size(), 2u);

    Picture(QStringLiteral("Data/BackGrnd/Tile/a001.bmp"), 8, 6, Qt::green);
    Write(QStringLiteral("Data/BackGrnd/BackGrnd.dat"),
          Cp932::Encode(QStringLiteral("[柄]\nCaption=柄\nGenre=Data\\BackGrnd\n"
                                       "SubGenre1=タイル,Data\\BackGrnd\\Tile,1,1\n")));
    TfrmBackFileBrowser::RememberedGenre() = 0;
    TfrmBackFileBrowser::RememberedSubGenre() = 0;
    editor->actModeBackGround->trigger();
    auto* backs = dynamic_cast<TfrmAMBackGround*>(editor->EditPanel());
    ASSERT_NE(backs, nullptr);
    backs->Browser()->resize(400, 300);
    backs->Browser()->grab();
    ASSERT_EQ(backs->Browser()->Browser()->ItemCount(), 1);
    // The tile chosen by the press of the double-click; the button keeps the last idle's state.
    backs->btnPasteBackGround->setEnabled(false);
    Round("background double-clicked", [&] {
        backs->Browser()->Browser()->SelectIndex(0);
        emit backs->Browser()->Browser()->Grid()->doubleClicked();
    });
    const std::vector<TLOBackImage*> pictured = All<TLOBackImage>();
    ASSERT_EQ(pictured.size(), 1u);
    EXPECT_EQ(pictured[0]->FillColor()->Kind(), cskBitmap);
}

TEST_F(LayoutToolsTest, DecoratedLinesAndTextsAreMadeThroughTheirWindowsAndStored) {
    Picture(QStringLiteral("Data/Illust/Border/wave.bmp"), 40, 20, Qt::red);
    Write(QStringLiteral("Data/Illust/Illust.dat"),
          Cp932::Encode(QStringLiteral("[a]\nName=罫線\nDir=Data\\Illust\\Border\n")));
    TfrmIllustFileBrowser::RememberedGenre() = 0;
    // Without a motif the window asks for one and stays; then the motif, 8 mm wide.
    const QByteArray empty = Stored();
    dialogs.answers = {mrOk};
    WhenModal([](QWidget* window) {
        auto* line = qobject_cast<TfrmDecoLine*>(window);
        ASSERT_NE(line, nullptr);
        line->btnOK->click();
        ASSERT_TRUE(line->isVisible());
        line->Motifs()->SelectIndex(0);
        line->esLineWidth->SetValue(80);
        line->btnOK->click();
    });
    Round("decorated line", [&] { editor->actDecoLine->trigger(); });
    EXPECT_EQ(dialogs.boxes.size(), 1u);
    ASSERT_EQ(All<TLODecoLine>().size(), 1u);
    TLODecoLine* line = All<TLODecoLine>()[0];
    EXPECT_EQ(line->LineWidth(), 80);
    EXPECT_FALSE(IsPictureEmpty(line->Image()));
    EXPECT_EQ(line->EndX() - line->StartX(), TfrmDecoLine::kDefaultLength);
    EXPECT_TRUE(line->Selected());

    // One image font of 64 glyphs, each 8 x 16.
    for (int i = 0; i < kImageFontGlyphs; ++i)
        Picture(QStringLiteral("Data/Font/%1.bmp").arg(i, 2, 10, QLatin1Char('0')), 8, 16, Qt::blue);
    FreeImageFontPack();
    ASSERT_EQ(ImageFontCount(), 1);
    WhenModal([](QWidget* window) {
        auto* text = qobject_cast<TfrmDecoString*>(window);
        ASSERT_NE(text, nullptr);
        // A sample wider than its box is drawn smaller, not cut: its last glyph ends inside the box.
        QTest::keyClicks(text->edtText, QStringLiteral("Happy 2026! Happy 2026!"));
        const QImage sample = text->lblSample->pixmap().toImage();
        int inkRight = -1;
        for (int y = 0; y < sample.height(); ++y)
            for (int x = inkRight + 1; x < sample.width(); ++x)
                if (sample.pixel(x, y) != qRgb(255, 255, 255))
                    inkRight = x;
        EXPECT_GT(inkRight, sample.width() / 2);
        EXPECT_LT(inkRight, sample.width() - 4) << "the last glyph is cut";
        text->edtText->clear();
        QTest::keyClicks(text->edtText, QStringLiteral("Hi"));
        text->edtText->insert(QStringLiteral(" あ"));
        EXPECT_EQ(CharactersWithoutGlyphs(text->edtText->text()), QStringLiteral("あ"));
        EXPECT_TRUE(text->lblNote->text().contains(QStringLiteral("あ")));
        text->cmbAlign->setCurrentIndex(1);
        text->btnOK->click();
    });
    Round("decorated text", [&] { editor->actDecoString->trigger(); });
    ASSERT_EQ(All<TLODecoString>().size(), 1u);
    TLODecoString* text = All<TLODecoString>()[0];
    EXPECT_EQ(text->Text(), QStringLiteral("Hi あ"));
    EXPECT_EQ(text->Align(), 1);
    EXPECT_EQ(text->LogHeight(), TfrmDecoString::kDefaultHeight);
    // Two glyphs of 50 and three gaps of a third of the height (a space and the two bytes of あ).
    EXPECT_EQ(text->LogWidth(), 2 * 50 + 3 * (TfrmDecoString::kDefaultHeight / 3));

    // Both come back from the stored page.
    editor->CommitPage();
    editor->LoadPage();
    EXPECT_EQ(All<TLODecoLine>().size(), 1u);
    ASSERT_EQ(All<TLODecoString>().size(), 1u);
    EXPECT_EQ(All<TLODecoString>()[0]->Text(), QStringLiteral("Hi あ"));
    EXPECT_NE(Stored(), empty);

    // Editing a placed line by its window is one step.
    Round("decorated line edited", [&] {
        WhenModal([](QWidget* window) {
            auto* edit = qobject_cast<TfrmDecoLine*>(window);
            ASSERT_NE(edit, nullptr);
            edit->esLineWidth->SetValue(120);
            edit->btnOK->click();
        });
        DesignerList().EditObject(All<TLODecoLine>()[0]);
    });
    EXPECT_EQ(All<TLODecoLine>()[0]->LineWidth(), 120);
}

TEST_F(LayoutToolsTest, DrawnAndDatedToolsMakeTheirObjectInOneStep) {
    main->resize(1000, 800);
    main->show();
    QApplication::setActiveWindow(main);
    editor->SetZoom(50);
    TDrawSite* site = editor->DrawSite1;
    site->setFocus();
    const auto at = [&](int x, int y) {
        const TPoint d = site->LogToDev(TPoint(x, y));
        return QPoint(d.X, d.Y);
    };
    const auto drag = [&](QPoint from, QPoint to) {
        QTest::mousePress(site, Qt::LeftButton, {}, from);
        for (int step = 1; step <= 4; ++step)
            QTest::mouseMove(site, from + (to - from) * step / 4);
        QTest::mouseRelease(site, Qt::LeftButton, {}, to);
    };
    const struct {
        QAction* tool;
        const char* kind;
    } drawn[] = {{editor->actLine, "TLOLine"},
                 {editor->actArc, "TLOCurve"},
                 {editor->actRect, "TLORect"},
                 {editor->actCircle, "TLOCircle"}};
    int y = 200;
    for (const auto& tool : drawn) {
        Round(tool.kind, [&] {
            tool.tool->trigger();
            drag(at(200, y), at(700, y + 150));
        });
        TDOList all;
        site->ListObjects(all, false);
        ASSERT_FALSE(all.IsEmpty());
        EXPECT_EQ(all[0]->ClassName(), QLatin1String(tool.kind)) << "on top";
        y += 250;
    }
    Round("date", [&] { editor->actDate->trigger(); });
    EXPECT_EQ(All<TLODate>().size(), 1u);
}

TEST_F(LayoutToolsTest, EachArrowBurstIsOneUndoStep) {
    auto owned = std::make_unique<TLORect>(nullptr);
    owned->SetLogRect(TRect(100, 100, 300, 200));
    auto* rect = static_cast<TLORect*>(editor->DrawSite1->AdoptObject(std::move(owned)));
    rect->SetSelected(true);
    TDrawSite* site = editor->DrawSite1;
    const auto key = [&](QEvent::Type type, int code, bool repeat, Qt::KeyboardModifiers modifiers = {}) {
        QKeyEvent event(type, code, modifiers, QString(), repeat);
        QApplication::sendEvent(site, &event);
    };
    // A held key: a press, repeats, one release.
    Round("held arrow", [&] {
        key(QEvent::KeyPress, Qt::Key_Right, false);
        for (int i = 0; i < 4; ++i) {
            key(QEvent::KeyRelease, Qt::Key_Right, true);
            key(QEvent::KeyPress, Qt::Key_Right, true);
        }
        key(QEvent::KeyRelease, Qt::Key_Right, false);
    });
    EXPECT_EQ(rect->LogBounds(), TRect(150, 100, 350, 200));
    EXPECT_EQ(UndoList().UndoCaption(), QStringLiteral("移動"));
    // Two taps are two steps; Shift moves 0.1 mm.
    QTest::keyClick(site, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(site, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(rect->LogBounds(), TRect(150, 102, 350, 202));
    editor->DSAUndo1->ExecuteTarget(site);
    EXPECT_EQ(rect->LogBounds(), TRect(150, 101, 350, 201));
    // A burst cut short by a shortcut (Qt asks the focus first) is recorded before the command runs.
    key(QEvent::KeyPress, Qt::Key_Left, false);
    EXPECT_EQ(rect->LogBounds(), TRect(140, 101, 340, 201));
    key(QEvent::ShortcutOverride, Qt::Key_Z, false, Qt::ControlModifier);
    editor->DSAUndo1->ExecuteTarget(site);
    EXPECT_EQ(rect->LogBounds(), TRect(150, 101, 350, 201)) << "the nudge was the step undone";
}

} // namespace

// Outside metafiles the way a user meets them: an EMF and a WMF inserted into the editor draw on
// screen, keep their bytes through save and reopen, and print to PDF as the screen shows them.

#include "app/DMain.h"
#include "app/FAMIllust.h"
#include "app/FLayout.h"
#include "app/FMain.h"
#include "app/dialogs/FImageBrowser.h"
#include "app/dialogs/FPrintDialog.h"
#include "app/dialogs/FUserFileBrowser.h"
#include "app/dialogs/UThumbGrid.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/layout/ULOImage.h"
#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Metafile.h"
#include "platform/Picture.h"
#include "platform/Printer.h"
#include "tests/FakePrinterBackend.h"
#include "tests/TestSupport.h"
#include "tests/app/AppTestSupport.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

// Whether a colour shows on a run of at least 30 pixels of the picture (anti-aliased edges and
// stray pixels do not count).
bool Shows(const QImage& image, QRgb colour) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    int found = 0;
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x) {
            const QRgb c = rgb.pixel(x, y);
            if (std::abs(qRed(c) - qRed(colour)) <= 12 && std::abs(qGreen(c) - qGreen(colour)) <= 12 &&
                std::abs(qBlue(c) - qBlue(colour)) <= 12)
                ++found;
        }
    return found >= 30;
}

bool Ink(QRgb c) {
    return qRed(c) < 232 || qGreen(c) < 232 || qBlue(c) < 232;
}

// The share of pixels where both pictures agree on ink or paper, the reference stretched over
// the picture.
double InkAgreement(const QImage& picture, const QImage& reference) {
    const QImage a = picture.convertToFormat(QImage::Format_RGB32);
    const QImage b = reference.convertToFormat(QImage::Format_RGB32)
                         .scaled(a.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    int agree = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            agree += Ink(a.pixel(x, y)) == Ink(b.pixel(x, y));
    return a.isNull() ? 0.0 : double(agree) / (a.width() * a.height());
}

// The bounding box of the picture's ink.
QRect InkBounds(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    QRect box;
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x)
            if (Ink(rgb.pixel(x, y)))
                box |= QRect(x, y, 1, 1);
    return box;
}

class MetafileRoadTest : public AppFixture {
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
    std::vector<const TMetafile*> Metafiles() const {
        TDOList all;
        main->findChild<TfrmLayout*>()->DrawSite1->ListObjects(all, false);
        std::vector<const TMetafile*> found;
        for (TDrawObject* object : all)
            if (auto* image = dynamic_cast<TLOImage*>(object))
                if (auto* meta = dynamic_cast<const TMetafile*>(image->Picture()->Graphic()))
                    found.push_back(meta);
        return found;
    }

    FakePrinterBackend* backend = nullptr;
    TfrmMain* main = nullptr;
    TfrmLayout* editor = nullptr;
    QTemporaryDir folder;
};

TEST_F(MetafileRoadTest, InsertedMetafilesDrawKeepTheirBytesAndPrintAsShown) {
    const QString emf = TestSupport::SourcePath(QStringLiteral("tests/data/metafile/libemf_gdi.emf"));
    const QString wmf = TestSupport::SourcePath(QStringLiteral("tests/data/metafile/uwmf_shapes.wmf"));
    const QRgb red = qRgb(210, 30, 30), blue = qRgb(30, 60, 210), green = qRgb(30, 160, 40);
    ASSERT_TRUE(editor->InsertPicture(emf));
    QImage screen = editor->DrawSite1->grab().toImage();
    EXPECT_TRUE(Shows(screen, red));
    EXPECT_TRUE(Shows(screen, blue));
    EXPECT_FALSE(Shows(screen, green));
    ASSERT_TRUE(editor->InsertPicture(wmf));
    screen = editor->DrawSite1->grab().toImage();
    EXPECT_TRUE(Shows(screen, green));

    const QString path = folder.filePath(QStringLiteral("メタファイル.qld"));
    dialogs.files = {path};
    main->actSaveAs->trigger();
    ASSERT_TRUE(QFile::exists(path));
    ASSERT_TRUE(main->OpenDocument(path));
    RunLoopUntil([&] { return main->findChild<TfrmLayout*>() != nullptr; });
    const std::vector<const TMetafile*> metas = Metafiles();
    ASSERT_EQ(metas.size(), 2u);
    QList<QByteArray> kept = {metas[0]->Data(), metas[1]->Data()};
    EXPECT_TRUE(kept.contains(TestSupport::ReadFile(emf)));
    EXPECT_TRUE(kept.contains(TestSupport::ReadFile(wmf)));

    if (!TestSupport::HasPdftoppm())
        GTEST_SKIP() << "pdftoppm is not installed";
    TfrmLayout* reopened = main->findChild<TfrmLayout*>();
    reopened->CommitPage();
    const QString pdf = folder.filePath(QStringLiteral("metafiles.pdf"));
    TfrmPrintDialog dialog(main);
    dialog.SetLabelData(main->Document());
    dialog.cbPaperChangeMsg->setChecked(true);
    dialogs.files = {pdf};
    dialog.btnPrint->click();
    const QImage printed = TestSupport::RasterisePdf(pdf, 100);
    ASSERT_FALSE(printed.isNull());
    EXPECT_TRUE(Shows(printed, red));
    EXPECT_TRUE(Shows(printed, blue));
    EXPECT_TRUE(Shows(printed, green));
}

// The user's road: the illustration panel's file page browses to the folder, the file is chosen
// and the イメージファイル tool puts it on the page. Each picture shows what an independent reader
// draws of it (libwmf for the WMF; for the EMF, whose only Debian renderer is not installed here,
// the player's own rendering of the file: the screen draws it through the picture's bitmap), and
// the printout shows what the screen shows.
TEST_F(MetafileRoadTest, MetafilesChosenForTheImageFileToolDrawTheirReferencesOnScreenAndInPrint) {
    const QString data = TestSupport::SourcePath(QStringLiteral("tests/data/metafile"));
    // Near the pictures' own size, so thin lines are not thinned further by the screen's scale.
    main->resize(2000, 2700); // the whole page in view: no scrolling between the site and its grab
    editor->SetZoom(200);
    editor->actModeIllust->trigger();
    auto* panel = dynamic_cast<TfrmAMIllust*>(editor->EditPanel());
    ASSERT_NE(panel, nullptr);
    panel->SetPage(TfrmAMIllust::pgUserFile);
    panel->UserBrowser()->ChangeFolder(data);
    TfrmImageBrowser* files = panel->UserBrowser()->Browser();
    const auto insert = [&](const QString& name) -> TLOImage* {
        int index = -1;
        for (int i = 0; i < files->ItemCount(); ++i)
            if (files->Grid()->ItemText(i) == name)
                index = i;
        if (index < 0)
            return nullptr;
        panel->UserBrowser()->SelectIndex(index);
        editor->EditPanelIdle();
        TDOList before, after;
        editor->DrawSite1->ListObjects(before, false);
        panel->btnPasteImage->click();
        editor->DrawSite1->ListObjects(after, false);
        TLOImage* made = nullptr;
        for (TDrawObject* object : after)
            if (before.IndexOf(object) < 0)
                made = dynamic_cast<TLOImage*>(object);
        return after.Count() == before.Count() + 1 ? made : nullptr;
    };
    // Each picture put where the other cannot cover it (the view's centre takes both).
    const auto shown = [&](TLOImage* image, int top) {
        image->Invalidate();
        image->SetLogLeft(60);
        image->SetLogTop(top);
        image->Invalidate();
        editor->DrawSite1->SelectAll(false);
        QCoreApplication::processEvents();
        const QRect r = editor->DrawSite1->LogRectToDev(image->LogRect()).ToQRect().normalized();
        return editor->DrawSite1->grab().toImage().copy(r);
    };

    TLOImage* emf = insert(QStringLiteral("uemf_regions.emf"));
    ASSERT_NE(emf, nullptr) << "the browser lists .emf and the tool inserts it";
    ASSERT_NE(dynamic_cast<const TMetafile*>(emf->Picture()->Graphic()), nullptr);
    const QImage emfShown = shown(emf, 60);
    ASSERT_GT(emfShown.width(), 200);
    // Drawn where the screen has it, so hatches start from the same origin.
    const QRect emfAt = editor->DrawSite1->LogRectToDev(emf->LogRect()).ToQRect().normalized();
    QImage emfReference(editor->DrawSite1->size(), QImage::Format_RGB32);
    emfReference.fill(Qt::white);
    {
        TCanvas canvas(&emfReference);
        emf->Picture()->Graphic()->Draw(canvas, TRect(emfAt.left(), emfAt.top(), emfAt.right() + 1, emfAt.bottom() + 1));
    }
    EXPECT_GE(InkAgreement(emfShown, emfReference.copy(emfAt)), 0.97);
    EXPECT_TRUE(Shows(emfShown, qRgb(200, 30, 30)));
    EXPECT_TRUE(Shows(emfShown, qRgb(30, 150, 40)));

    TLOImage* wmf = insert(QStringLiteral("uwmf_shapes.wmf"));
    ASSERT_NE(wmf, nullptr);
    const QImage wmfShown = shown(wmf, 700);
    EXPECT_TRUE(Shows(wmfShown, qRgb(30, 160, 40)));
    if (const QString wmf2gd = QStandardPaths::findExecutable(QStringLiteral("wmf2gd")); !wmf2gd.isEmpty()) {
        const QString png = folder.filePath(QStringLiteral("wmf.png"));
        ASSERT_EQ(QProcess::execute(wmf2gd, {QStringLiteral("-t"), QStringLiteral("png"),
                                             QStringLiteral("--maxwidth=%1").arg(wmfShown.width()),
                                             QStringLiteral("--maxheight=%1").arg(wmfShown.height()),
                                             QStringLiteral("--maxsize"), QStringLiteral("-o"), png,
                                             QDir(data).filePath(QStringLiteral("uwmf_shapes.wmf"))}),
                  0);
        EXPECT_GE(InkAgreement(wmfShown, QImage(png)), 0.97);
    }

    // Saved and opened again, the bytes are the file's.
    const QString path = folder.filePath(QStringLiteral("ツール.qld"));
    dialogs.files = {path};
    main->actSaveAs->trigger();
    ASSERT_TRUE(main->OpenDocument(path));
    RunLoopUntil([&] { return main->findChild<TfrmLayout*>() != nullptr; });
    QList<QByteArray> kept;
    for (const TMetafile* meta : Metafiles())
        kept << meta->Data();
    EXPECT_TRUE(kept.contains(TestSupport::ReadFile(QDir(data).filePath(QStringLiteral("uemf_regions.emf")))));
    EXPECT_TRUE(kept.contains(TestSupport::ReadFile(QDir(data).filePath(QStringLiteral("uwmf_shapes.wmf")))));

    // The printout at the screen's scale: the ink of the page laid over the ink of the grab.
    if (!TestSupport::HasPdftoppm())
        GTEST_SKIP() << "pdftoppm is not installed";
    TfrmLayout* reopened = main->findChild<TfrmLayout*>();
    reopened->CommitPage();
    main->resize(2000, 2700);
    reopened->SetZoom(200);
    reopened->DrawSite1->SelectAll(false);
    QCoreApplication::processEvents();
    const QImage screen = reopened->DrawSite1->grab().toImage();
    TDOList all;
    reopened->DrawSite1->ListObjects(all, false);
    QRect objects;
    for (TDrawObject* object : all)
        objects |= reopened->DrawSite1->LogRectToDev(object->LogRect()).ToQRect().normalized();
    const QString pdf = folder.filePath(QStringLiteral("tool.pdf"));
    TfrmPrintDialog dialog(main);
    dialog.SetLabelData(main->Document());
    dialog.cbPaperChangeMsg->setChecked(true);
    dialogs.files = {pdf};
    dialog.btnPrint->click();
    const QImage printed = TestSupport::RasterisePdf(pdf, 100);
    ASSERT_FALSE(printed.isNull());
    const QImage printedInk = printed.copy(InkBounds(printed));
    const QImage screenInk = screen.copy(objects).copy(InkBounds(screen.copy(objects)));
    if (qEnvironmentVariableIsSet("METAFILE_ROAD_SAVE")) {
        const QString to = qEnvironmentVariable("METAFILE_ROAD_SAVE");
        screen.save(to + QStringLiteral("/screen.png"));
        printed.save(to + QStringLiteral("/printed.png"));
        emfShown.save(to + QStringLiteral("/emf.png"));
        wmfShown.save(to + QStringLiteral("/wmf.png"));
    }
    ASSERT_FALSE(printedInk.isNull());
    EXPECT_NEAR(double(printedInk.width()) / printedInk.height(), double(screenInk.width()) / screenInk.height(),
                0.03);
    EXPECT_GE(InkAgreement(printedInk, screenInk), 0.95);
}

// The photo browser's thumbnails of metafiles (made on its loader threads) show the drawing.
TEST_F(MetafileRoadTest, MetafileThumbnailsShowTheDrawing) {
    const auto thumbnail = [](const char* name) {
        TPicture picture;
        LoadPreviewImage(nullptr, TestSupport::SourcePath(QStringLiteral("tests/data/metafile/") + name), picture);
        auto* bitmap = dynamic_cast<TBitmap*>(picture.Graphic());
        return bitmap ? bitmap->ImageForPainting().copy() : QImage();
    };
    const QImage emf = thumbnail("libemf_gdi.emf");
    ASSERT_FALSE(emf.isNull());
    EXPECT_TRUE(Shows(emf, qRgb(210, 30, 30)));
    EXPECT_TRUE(Shows(emf, qRgb(30, 60, 210)));
    EXPECT_TRUE(Shows(thumbnail("uwmf_shapes.wmf"), qRgb(30, 160, 40)));
}

} // namespace

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

#include <QAbstractButton>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The pixels of the picture in (about) that colour.
int Found(const QImage& image, QRgb colour) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    int found = 0;
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x) {
            const QRgb c = rgb.pixel(x, y);
            if (std::abs(qRed(c) - qRed(colour)) <= 12 && std::abs(qGreen(c) - qGreen(colour)) <= 12 &&
                std::abs(qBlue(c) - qBlue(colour)) <= 12)
                ++found;
        }
    return found;
}

// Whether a colour shows on at least 30 pixels of the picture (anti-aliased edges and stray
// pixels do not count).
bool Shows(const QImage& image, QRgb colour) {
    return Found(image, colour) >= 30;
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

    // The document printed to the PDF printer into the test's folder, and rasterised.
    QImage Printed(const QString& name, int dpi) {
        const QString pdf = folder.filePath(name);
        TfrmPrintDialog dialog(main);
        dialog.SetLabelData(main->Document());
        dialog.cbPaperChangeMsg->setChecked(true);
        dialogs.files = {pdf};
        dialog.btnPrint->click();
        return TestSupport::RasterisePdf(pdf, dpi);
    }

    // The document saved under name in the test's folder and opened again: its metafiles' bytes.
    QList<QByteArray> SavedAndReopened(const QString& name) {
        dialogs.files = {folder.filePath(name)};
        main->actSaveAs->trigger();
        if (!main->OpenDocument(folder.filePath(name)))
            return {};
        RunLoopUntil([&] { return main->findChild<TfrmLayout*>() != nullptr; });
        QList<QByteArray> kept;
        for (const TMetafile* meta : Metafiles())
            kept << meta->Data();
        return kept;
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
    // The EMF's hatch lines share the WMF's green; the WMF's filled shapes add far more.
    const int greenBefore = Found(screen, green);
    ASSERT_TRUE(editor->InsertPicture(wmf));
    screen = editor->DrawSite1->grab().toImage();
    EXPECT_GT(Found(screen, green), greenBefore + 300);

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

    REQUIRE_CHECKER(TestSupport::HasPdftoppm(), "pdftoppm");
    TfrmLayout* reopened = main->findChild<TfrmLayout*>();
    reopened->CommitPage();
    const QImage printed = Printed(QStringLiteral("metafiles.pdf"), 100);
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
        // Hatch lines are drawn crisp and one pixel wide on screen; libwmf spaces and widens
        // its own a little differently.
        EXPECT_GE(InkAgreement(wmfShown, QImage(png)), 0.96);
    }

    // Saved and opened again, the bytes are the file's.
    const QList<QByteArray> kept = SavedAndReopened(QStringLiteral("ツール.qld"));
    EXPECT_TRUE(kept.contains(TestSupport::ReadFile(QDir(data).filePath(QStringLiteral("uemf_regions.emf")))));
    EXPECT_TRUE(kept.contains(TestSupport::ReadFile(QDir(data).filePath(QStringLiteral("uwmf_shapes.wmf")))));

    // The printout at the screen's scale: the ink of the page laid over the ink of the grab.
    REQUIRE_CHECKER(TestSupport::HasPdftoppm(), "pdftoppm");
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
    const QImage printed = Printed(QStringLiteral("tool.pdf"), 100);
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

// Clip art from three writers (libwmf's WMF, libUEMF's EMF, pstoedit's EMF, whose header bounds
// are in its logical units) pasted from the illustration panel's file page: each object draws and
// keeps its own picture through paste, delete, drag, print, save and reopen; a truncated EMF is
// told as damaged and places nothing.
TEST_F(MetafileRoadTest, ClipArtKeepsEachPictureThroughPasteDeleteDragPrintSaveAndReopen) {
    const QString data = TestSupport::SourcePath(QStringLiteral("tests/data/metafile"));
    QFile truncated(folder.filePath(QStringLiteral("truncated.emf")));
    ASSERT_TRUE(truncated.open(QIODevice::WriteOnly));
    truncated.write(TestSupport::ReadFile(QDir(data).filePath(QStringLiteral("uemf_regions.emf"))).left(400));
    truncated.close();
    for (const char* name : {"uwmf_shapes.wmf", "uemf_regions.emf", "pstoedit_shapes.emf"})
        ASSERT_TRUE(QFile::copy(QDir(data).filePath(QString::fromLatin1(name)),
                                folder.filePath(QString::fromLatin1(name))));
    main->resize(1600, 1200);
    editor->actModeIllust->trigger();
    auto* panel = dynamic_cast<TfrmAMIllust*>(editor->EditPanel());
    ASSERT_NE(panel, nullptr);
    panel->SetPage(TfrmAMIllust::pgUserFile);
    panel->UserBrowser()->ChangeFolder(folder.path());
    TfrmImageBrowser* files = panel->UserBrowser()->Browser();
    TDrawSite* site = editor->DrawSite1;
    const auto paste = [&](const QString& name) -> TLOImage* {
        // Chosen by a click, as the user does; the object pasted last is still selected.
        for (int i = 0; i < files->ItemCount(); ++i)
            if (files->Grid()->ItemText(i) == name) {
                files->Grid()->SelectIndex(i);
                QTest::mouseClick(files->Grid()->viewport(), Qt::LeftButton, {}, files->Grid()->ItemRect(i).center());
            }
        editor->EditPanelIdle();
        TDOList before, after;
        site->ListObjects(before, false);
        panel->btnPasteImage->click();
        RunUntilIdleHandled();
        site->ListObjects(after, false);
        for (TDrawObject* object : after)
            if (before.IndexOf(object) < 0)
                return dynamic_cast<TLOImage*>(object);
        return nullptr;
    };
    const auto bytesOf = [](TLOImage* image) {
        const auto* meta = dynamic_cast<const TMetafile*>(image->Picture()->Graphic());
        return meta ? meta->Data() : QByteArray();
    };
    const auto shownOf = [&](TLOImage* image) {
        QCoreApplication::processEvents();
        const QRect r = site->LogRectToDev(image->LogRect()).ToQRect().normalized();
        return site->grab().toImage().copy(r);
    };
    const QRgb wmfGreen = qRgb(30, 160, 40), emfRed = qRgb(200, 30, 30), psBlue = qRgb(0, 0, 255);

    // Each pasted where the others cannot cover it.
    std::vector<std::pair<TLOImage*, QString>> placed;
    int top = 40;
    for (const char* name : {"uwmf_shapes.wmf", "uemf_regions.emf", "pstoedit_shapes.emf"}) {
        TLOImage* image = paste(QString::fromLatin1(name));
        ASSERT_NE(image, nullptr) << name;
        image->Invalidate();
        image->SetLogRect(Bounds(40, top, 600, 400));
        image->Invalidate();
        top += 450;
        placed.emplace_back(image, QString::fromLatin1(name));
        site->SelectAll(false);
        for (const auto& [object, file] : placed)
            EXPECT_EQ(bytesOf(object), TestSupport::ReadFile(folder.filePath(file))) << file.toStdString();
    }
    EXPECT_TRUE(Shows(shownOf(placed[0].first), wmfGreen));
    EXPECT_FALSE(Shows(shownOf(placed[0].first), emfRed));
    EXPECT_TRUE(Shows(shownOf(placed[1].first), emfRed));
    EXPECT_TRUE(Shows(shownOf(placed[2].first), psBlue)) << "pstoedit's drawing fills its object";

    // Laid over the WMF, pstoedit's picture covers only what it draws.
    placed[2].first->Invalidate();
    placed[2].first->SetLogRect(placed[0].first->LogRect());
    site->SelectAll(false);
    EXPECT_TRUE(Shows(shownOf(placed[0].first), wmfGreen));
    EXPECT_TRUE(Shows(shownOf(placed[0].first), psBlue));

    // The damaged file is told and places nothing.
    dialogs.boxes.clear();
    dialogs.answers = {mrOk, mrOk};
    EXPECT_EQ(paste(QStringLiteral("truncated.emf")), nullptr);
    ASSERT_FALSE(dialogs.boxes.empty());
    EXPECT_TRUE(dialogs.boxes[0].text.contains(QStringLiteral("truncated.emf"))) << qPrintable(dialogs.boxes[0].text);
    EXPECT_TRUE(dialogs.boxes[0].text.contains(QStringLiteral("メタファイルが不正です")))
        << qPrintable(dialogs.boxes[0].text);
    dialogs.answers.clear();

    // The last deleted, the EMF dragged: the others still draw their own pictures.
    QTest::mouseClick(site, Qt::LeftButton, {},
                      site->LogRectToDev(placed[2].first->LogRect()).ToQRect().normalized().center());
    RunUntilIdleHandled();
    ASSERT_TRUE(placed[2].first->Selected());
    auto* deleteButton = editor->findChild<QAbstractButton*>(QStringLiteral("btnObjectDelete"));
    ASSERT_NE(deleteButton, nullptr);
    ASSERT_TRUE(deleteButton->isEnabled());
    deleteButton->click();
    RunUntilIdleHandled();
    TDOList left;
    site->ListObjects(left, false);
    ASSERT_EQ(left.Count(), 2);
    placed.pop_back();
    site->SelectAll(false);
    const TRect before = placed[1].first->LogRect();
    const QPoint from = site->LogRectToDev(before).ToQRect().normalized().center();
    const QPoint to = from + QPoint(40, 30);
    QTest::mousePress(site, Qt::LeftButton, {}, from);
    for (int step = 1; step <= 4; ++step)
        QTest::mouseMove(site, from + (to - from) * step / 4);
    QTest::mouseRelease(site, Qt::LeftButton, {}, to);
    RunUntilIdleHandled();
    ASSERT_NE(placed[1].first->LogRect(), before) << "dragged";
    site->SelectAll(false);
    EXPECT_TRUE(Shows(shownOf(placed[0].first), wmfGreen));
    EXPECT_TRUE(Shows(shownOf(placed[1].first), emfRed));

    REQUIRE_CHECKER(TestSupport::HasPdftoppm(), "pdftoppm");
    editor->CommitPage();
    const QImage printed = Printed(QStringLiteral("clipart.pdf"), 60);
    ASSERT_FALSE(printed.isNull());
    EXPECT_TRUE(Shows(printed, wmfGreen));
    EXPECT_TRUE(Shows(printed, emfRed));

    const QList<QByteArray> kept = SavedAndReopened(QStringLiteral("クリップアート.qld"));
    ASSERT_EQ(kept.size(), 2);
    EXPECT_TRUE(kept.contains(TestSupport::ReadFile(folder.filePath(placed[0].second))));
    EXPECT_TRUE(kept.contains(TestSupport::ReadFile(folder.filePath(placed[1].second))));
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

// Outside metafiles the way a user meets them: an EMF and a WMF inserted into the editor draw on
// screen, keep their bytes through save and reopen, and print to PDF as the screen shows them.

#include "app/DMain.h"
#include "app/FLayout.h"
#include "app/FMain.h"
#include "app/dialogs/FPrintDialog.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/layout/ULOImage.h"
#include "platform/Bitmap.h"
#include "platform/Metafile.h"
#include "platform/Picture.h"
#include "platform/Printer.h"
#include "tests/FakePrinterBackend.h"
#include "tests/TestSupport.h"
#include "tests/app/AppTestSupport.h"

#include <QCheckBox>
#include <QFile>
#include <QImage>
#include <QPushButton>
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

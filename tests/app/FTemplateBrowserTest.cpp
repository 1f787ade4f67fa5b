#include "app/dialogs/FTemplateBrowser.h"

#include "app/dialogs/FCoverTemplate.h"
#include "app/dialogs/FImageBrowser.h"
#include "app/dialogs/FLabelDataBrowser.h"
#include "app/dialogs/UMaterialBrowser.h"
#include "app/dialogs/UThumbGrid.h"
#include "pageobjects/engine/UDrawSite.h"
#include "papers/ULabelData.h"
#include "papers/UPaperInfo.h"
#include "platform/Bitmap.h"
#include "platform/Picture.h"
#include "tests/app/MaterialTestSupport.h"
#include "tests/pageobjects/engine/EngineTestObjects.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

namespace {

const TRect kObjectRect(10, 20, 110, 220);

class TemplateBrowserTest : public MaterialFixture {
protected:
    TemplateBrowserTest() {
        RegisterLabelDataClasses();
        RegisterTestClasses();
        TfrmTemplateBrowser::RememberedGenre() = 0;
        TfrmCoverTemplate::LastTemplate().reset();
        paper.PaperName = QStringLiteral("Cover");
        paper.SetWidth(2100);
        paper.SetHeight(2970);
        paper.FaceCountX = paper.FaceCountY = 1;
        paper.FaceWidth = 1000;
        paper.FaceHeight = 1400;
        paper.FacePurpose = QStringLiteral("cover");
        face.FacePurpose = paper.GetFacePurpose(0);
        face.Rect = TRect(0, 0, 1000, 1400);
    }

    // A document whose first page holds one rectangle (two objects when twice).
    QString MakeDocument(const QString& relative, int objects = 1) {
        TLabelData doc(nullptr);
        doc.SetPaperInfo(paper);
        TOwnedDOList list;
        for (int i = 0; i < objects; ++i) {
            auto rect = std::make_unique<TTestRect>(nullptr);
            rect->SetLogRect(
                TRect(kObjectRect.Left + i, kObjectRect.Top, kObjectRect.Right, kObjectRect.Bottom));
            list.Add(std::move(rect));
        }
        TDOList view;
        list.ListObjects(view);
        doc.StoreLabelObjects(0, view);
        const QString path = Path(relative);
        QDir().mkpath(QFileInfo(path).path());
        doc.SaveToFile(path);
        return path;
    }

    void MakeContent() {
        MakeDocument(QStringLiteral("Data/Cover/Sea/a.qlt"), 2);
        Write(QStringLiteral("Data/Cover/Cover.dat"),
              QStringLiteral("[%1]\nDir=Sea,Sky\nName=海,空\n").arg(face.FacePurpose));
        Write(QStringLiteral("Data/Cover/Cover.ids"), QStringLiteral("[Data\\Cover\\Sea]\nA,0,0=C001\n"));
    }

    static void Paint(QWidget& widget) {
        widget.resize(500, 400);
        widget.grab();
    }

    TMatrixPaperInfo paper{nullptr};
    TFaceInfo face;
};

} // namespace

TEST_F(TemplateBrowserTest, APurposeWithoutTemplatesSaysSo) {
    TfrmTemplateBrowser missing;
    EXPECT_TRUE(missing.Group().NotFound());
    EXPECT_EQ(missing.pnlWarning->Lines().first(), u"テンプレート集が見つかりません。");

    MakeContent();
    TfrmTemplateBrowser browser;
    TFaceInfo other = face;
    other.FacePurpose = QStringLiteral("NONE");
    browser.SetFaceInfo(other);
    EXPECT_FALSE(browser.cmbGenre->isEnabled());
    EXPECT_TRUE(browser.pnlWarning->isVisibleTo(&browser));
    EXPECT_EQ(browser.pnlWarning->Lines(), (QStringList{QStringLiteral("現在のラベルに適合する"),
                                                        QStringLiteral("テンプレートはありません")}));
}

TEST_F(TemplateBrowserTest, GenresListFittingPagesCaptionedByIDAndFoundByIt) {
    MakeContent();
    TfrmTemplateBrowser browser;
    browser.SetFaceInfo(face);
    ASSERT_EQ(browser.cmbGenre->count(), 2);
    ASSERT_EQ(browser.Templates().GetCount(), 1);
    EXPECT_EQ(browser.Browser()->Grid()->ItemText(0), u"C001");
    EXPECT_TRUE(browser.pnlImageID->isVisibleTo(&browser));
    EXPECT_FALSE(browser.pnlWarning->isVisibleTo(&browser));

    browser.cmbGenre->setCurrentIndex(1);
    EXPECT_EQ(TfrmTemplateBrowser::RememberedGenre(), 1);
    EXPECT_EQ(browser.Templates().GetCount(), 0);
    browser.edtImageID->setText(QStringLiteral("c001"));
    ASSERT_TRUE(browser.btnImageID->isEnabled());
    browser.btnImageID->click();
    EXPECT_EQ(browser.cmbGenre->currentIndex(), 0);
    ASSERT_TRUE(browser.SelectedTemplate());
    EXPECT_EQ(browser.SelectedTemplate()->FileName, Path(QStringLiteral("Data/Cover/Sea/a.qlt")));

    dialogs.answers = {mrOk};
    browser.edtImageID->setText(QStringLiteral("C999"));
    browser.btnImageID->click();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, u"「C999」は見つかりませんでした");
    EXPECT_EQ(browser.cmbGenre->currentIndex(), 0);
}

TEST_F(TemplateBrowserTest, TheCoverDialogHandsBackThePageAndOffersItAgain) {
    MakeContent();
    {
        TfrmCoverTemplate dialog;
        EXPECT_EQ(dialog.property("HelpContext").toInt(), 5009);
        dialog.SetFaceInfo(face);
        EXPECT_FALSE(dialog.actOK->isEnabled());
        dialog.TemplateBrowser()->Browser()->SelectIndex(0);
        EXPECT_TRUE(dialog.actOK->isEnabled());
        TOwnedDOList objects;
        TRect faceRect;
        ASSERT_TRUE(dialog.GetSelection(objects, faceRect));
        // The page's objects as the document gives them, in reverse order, and its face.
        TLabelData doc(nullptr);
        doc.LoadFromFile(Path(QStringLiteral("Data/Cover/Sea/a.qlt")));
        TOwnedDOList stored;
        doc.LoadLabelObjects(0, stored);
        ASSERT_EQ(objects.Count(), 2);
        TRect first, last;
        objects[0]->GetLogRect(first);
        stored[1]->GetLogRect(last);
        EXPECT_EQ(first, last);
        EXPECT_EQ(faceRect, doc.GetLayoutPaper()->GetFaceOuterRect(0));
        ASSERT_TRUE(TfrmCoverTemplate::LastTemplate());
    }
    TfrmCoverTemplate dialog;
    dialog.SetFaceInfo(face);
    dialog.TemplateBrowser()->Browser()->SelectIndex(-1);
    Paint(*dialog.TemplateBrowser());
    EXPECT_TRUE(dialog.TemplateBrowser()->HasSelection());
    // Shown, the window leaves its browser room for a row of thumbnails.
    dialog.show();
    QCoreApplication::processEvents();
    EXPECT_GE(dialog.TemplateBrowser()->height(), TThumbGrid::kDefaultThumbSize);
    dialog.ShowDeleteButton();
    dialog.btnDelete->click();
    EXPECT_EQ(dialog.result(), mrYes);
}

TEST_F(TemplateBrowserTest, DocumentBrowserListsPagesOrFilesAndWarnsOnAnEmptyFolder) {
    const QString folder = Path(QStringLiteral("docs"));
    QDir().mkpath(folder);
    TfrmLabelDataBrowser browser;
    browser.cbViewReport->setChecked(false);
    browser.SetWarningLines({QStringLiteral("データがありません")});
    browser.ChangeFolder(folder);
    EXPECT_TRUE(browser.pnlWarning->isVisibleTo(&browser));
    EXPECT_EQ(browser.Browser()->ItemCount(), 0);

    MakeDocument(QStringLiteral("docs/one.qld"));
    Write(QStringLiteral("docs/broken.qld"), QStringLiteral("damaged"));
    browser.Scan();
    EXPECT_FALSE(browser.pnlWarning->isVisibleTo(&browser));
    ASSERT_EQ(browser.Browser()->ItemCount(), 1);
    EXPECT_EQ(browser.Browser()->Grid()->ItemText(0), u"one.qld");
    Paint(browser);
    browser.cbViewReport->click();
    EXPECT_FALSE(browser.rgSize->isEnabled());
    EXPECT_EQ(browser.Templates().GetCount(), 2);
    EXPECT_TRUE(browser.Templates().GetItem(0).WholeFile);
    EXPECT_TRUE(browser.Browser()->ReportView());
    browser.HideViewStyle();
    EXPECT_FALSE(browser.Browser()->ReportView());
    EXPECT_EQ(browser.Templates().GetCount(), 1);
}

TEST(TemplateThumbnailTest, WholeFilesAreBlankAndPagesWithoutPreviewShowTheDefault) {
    TPicture picture;
    LoadTemplateThumbnail({QStringLiteral("/nowhere/x.qlt"), 0, 0, true}, picture);
    auto* blank = dynamic_cast<TBitmap*>(picture.Graphic());
    ASSERT_NE(blank, nullptr);
    EXPECT_EQ(blank->Width(), 100);
    EXPECT_EQ(blank->ScanLine(50)[150], 0xFF);
    TPicture fallback, expected;
    LoadTemplateThumbnail({QStringLiteral("/nowhere/x.qlt"), 0, 0, false}, fallback);
    GetDefaultTemplatePicture(expected);
    auto* shown = dynamic_cast<TBitmap*>(fallback.Graphic());
    auto* wanted = dynamic_cast<TBitmap*>(expected.Graphic());
    ASSERT_TRUE(shown != nullptr && wanted != nullptr);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(shown->ScanLine(50)), 300),
              QByteArray(reinterpret_cast<const char*>(wanted->ScanLine(50)), 300));
    EXPECT_NE(shown->ScanLine(50)[150], 0xFF);
}

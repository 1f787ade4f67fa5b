// The editor's property panels on the real editor: each control changes the selected objects (read
// back from the stored page) as one undo step, and a picture that cannot be read changes nothing.

#include "app/FAMBackGround.h"
#include "app/FAMFigure.h"
#include "app/FAMIllust.h"
#include "app/FLayout.h"
#include "app/FMain.h"
#include "app/dialogs/FBackFileBrowser.h"
#include "app/dialogs/FIllustFileBrowser.h"
#include "app/dialogs/FImageBrowser.h"
#include "app/dialogs/FShadeFileBrowser.h"
#include "controls/UColGrid.h"
#include "controls/UTabbedPanel.h"
#include "imaging/UColorFill.h"
#include "imaging/UImageData.h"
#include "pageobjects/engine/UAction.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/engine/UDrawSiteAction.h"
#include "pageobjects/layout/ULOAlphaMask.h"
#include "pageobjects/layout/ULOBackImage.h"
#include "pageobjects/layout/ULOImage.h"
#include "platform/Cp932.h"
#include "platform/Stream.h"
#include "tests/app/AppTestSupport.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

class PropertyPanelTest : public AppFixture {
protected:
    void SetUp() override {
        main = StartMainWindow();
        ASSERT_NE(main, nullptr);
        editor = OpenLayoutEditor(main);
        ASSERT_NE(editor, nullptr);
    }

    QString Write(const QString& relative, const QByteArray& bytes) {
        const QString path = QDir(ExeDir()).filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
    QString Picture(const QString& relative, int width, int height) {
        const QString path = QDir(ExeDir()).filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(Qt::blue);
        EXPECT_TRUE(image.save(path, "BMP"));
        return path;
    }
    QByteArray StoredPage() {
        TDOList all;
        EditorSite(editor).ListObjects(all, false);
        TMemoryStream stream;
        all.SaveToStream(stream);
        return stream.Data();
    }
    template <class T>
    T* Add(const TRect& r) {
        auto owned = std::make_unique<T>(nullptr);
        owned->SetLogRect(r);
        return static_cast<T*>(EditorSite(editor).AdoptObject(std::move(owned)));
    }
    template <class T>
    T* Find() {
        TDOList all;
        EditorSite(editor).ListObjects(all, false);
        for (TDrawObject* object : all)
            if (auto* found = dynamic_cast<T*>(object))
                return found;
        return nullptr;
    }

    TfrmMain* main = nullptr;
    TfrmLayout* editor = nullptr;
};

TEST_F(PropertyPanelTest, TheBackgroundTakesAPictureLosesItAndKeepsItsColourWhenTheFileIsBroken) {
    Picture(QStringLiteral("Data/BackGrnd/Tile/a001.bmp"), 8, 6);
    Write(QStringLiteral("Data/BackGrnd/Tile/a002.bmp"), "BM not a picture");
    Write(QStringLiteral("Data/BackGrnd/BackGrnd.dat"),
          Cp932::Encode(QStringLiteral("[柄]\nCaption=柄\nGenre=Data\\BackGrnd\n"
                                       "SubGenre1=タイル,Data\\BackGrnd\\Tile,1,1\n")));
    TfrmBackFileBrowser::RememberedGenre() = 0;
    TfrmBackFileBrowser::RememberedSubGenre() = 0;
    TriggerEditorAction(editor, "actModeBackGround");
    auto* panel = dynamic_cast<TfrmAMBackGround*>(EditorPanel(editor));
    ASSERT_NE(panel, nullptr);
    panel->Browser()->resize(400, 300);
    panel->Browser()->grab();
    ASSERT_EQ(panel->Browser()->Browser()->ItemCount(), 2);

    TLOBackImage* back = Find<TLOBackImage>();
    if (back == nullptr)
        back = Add<TLOBackImage>(TRect(0, 0, 1000, 1000));
    back->FillColor()->SetKind(cskSolid);
    back->FillColor()->SetColor(0x00FFFF);
    EditorIdle(editor);
    EXPECT_FALSE(panel->btnDeleteBackGround->isEnabled()) << "no background picture on the page";
    EXPECT_FALSE(panel->btnPasteBackGround->isEnabled());
    UndoList().Clear();
    const QByteArray plain = StoredPage();

    // A click alone leaves a plain background; pasting puts the picture in, tiled as the sub-genre.
    panel->Browser()->Browser()->SelectIndex(0);
    panel->actSingleClick->trigger();
    EXPECT_EQ(StoredPage(), plain);
    EXPECT_FALSE(UndoList().CanUndo());
    EditorIdle(editor);
    ASSERT_TRUE(panel->btnPasteBackGround->isEnabled());
    panel->btnPasteBackGround->click();
    TColorSpec* fill = back->FillColor();
    EXPECT_EQ(fill->Kind(), cskBitmap);
    EXPECT_EQ(fill->ImageData()->Picture()->Width(), 8);
    EXPECT_TRUE(fill->Tile());
    EXPECT_TRUE(fill->TileShift());
    EXPECT_EQ(UndoList().UndoCaption(), QStringLiteral("背景変更"));
    const QByteArray pictured = StoredPage();
    EXPECT_NE(pictured, plain);
    EditorUndo(editor);
    EXPECT_EQ(StoredPage(), plain);
    EditorRedo(editor);
    EXPECT_EQ(StoredPage(), pictured);

    // A file that cannot be read is named, and the background stays as it was, unrecorded.
    const int recorded = UndoList().Count();
    dialogs.answers = {mrOk, mrOk};
    panel->Browser()->Browser()->SelectIndex(1);
    panel->btnPasteBackGround->click();
    panel->actSingleClick->trigger();
    EXPECT_EQ(StoredPage(), pictured);
    EXPECT_EQ(UndoList().Count(), recorded);
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_TRUE(dialogs.boxes[0].text.contains(QStringLiteral("a002.bmp")));

    // Removing: a solid fill without a picture, the button released, one undo step.
    EditorIdle(editor);
    ASSERT_TRUE(panel->btnDeleteBackGround->isEnabled());
    panel->btnDeleteBackGround->click();
    EXPECT_FALSE(panel->btnDeleteBackGround->isChecked());
    EXPECT_EQ(fill->StoredKind(), cskSolid);
    EXPECT_TRUE(fill->ImageData()->IsEmpty());
    EXPECT_EQ(fill->Color(), 0x00FFFFu);
    EditorUndo(editor);
    EXPECT_EQ(StoredPage(), pictured);
}

TEST_F(PropertyPanelTest, PicturesTakeAnIllustrationAndTurnAsOneStepEach) {
    Picture(QStringLiteral("Data/Illust/Animals/cat.bmp"), 12, 10);
    Write(QStringLiteral("Data/Illust/Illust.dat"),
          Cp932::Encode(QStringLiteral("[a]\nName=動物\nDir=Data\\Illust\\Animals\n")));
    TfrmIllustFileBrowser::RememberedGenre() = 0;
    TriggerEditorAction(editor, "actModeIllust");
    auto* panel = dynamic_cast<TfrmAMIllust*>(EditorPanel(editor));
    ASSERT_NE(panel, nullptr);
    ASSERT_EQ(panel->IllustBrowser()->Browser()->ItemCount(), 1);
    auto* first = Add<TLOImage>(TRect(0, 0, 100, 100));
    auto* second = Add<TLOImage>(TRect(200, 0, 300, 100));
    EditorIdle(editor);
    EXPECT_FALSE(panel->edAngle->isEnabled()) << "nothing selected";
    UndoList().Clear();
    const QByteArray blank = StoredPage();

    // Nothing selected: no object changes and nothing is recorded.
    panel->IllustBrowser()->SelectIndex(0);
    panel->actSingleClick->trigger();
    EXPECT_EQ(StoredPage(), blank);
    EXPECT_FALSE(UndoList().CanUndo());
    EXPECT_EQ(panel->DefaultObject()->Angle(), 0);

    EditorSite(editor).SelectAll(true);
    EditorIdle(editor);
    ASSERT_TRUE(panel->edAngle->isEnabled());
    panel->actSingleClick->trigger();
    for (TLOImage* image : {first, second}) {
        EXPECT_EQ(image->ImageData()->Picture()->Width(), 12);
        EXPECT_EQ(image->ImageSource(), isOnePoint);
        EXPECT_EQ(image->ImageData()->TransparentColor(), TfrmAMIllust::kOnePointTransparent);
    }
    EXPECT_EQ(UndoList().UndoCaption(), QStringLiteral("設定変更"));
    const QByteArray pictured = StoredPage();
    EditorUndo(editor);
    EXPECT_EQ(StoredPage(), blank) << "both pictures in one step";
    EditorRedo(editor);
    EXPECT_EQ(StoredPage(), pictured);

    // Typed and buttoned turns; showing a picture's angle applies nothing.
    panel->SetPage(TfrmAMIllust::pgSetup);
    panel->edAngle->setText(QStringLiteral("45"));
    EXPECT_EQ(first->Angle(), 45);
    EXPECT_EQ(second->Angle(), 45);
    panel->btnAngle90->click();
    EXPECT_EQ(second->Angle(), 90);
    const int recorded = UndoList().Count();
    second->SetAngle(180);
    panel->ShowObject(second);
    EXPECT_EQ(panel->edAngle->text(), u"180");
    EXPECT_EQ(first->Angle(), 90);
    EXPECT_EQ(UndoList().Count(), recorded);
    EditorUndo(editor);
    EXPECT_EQ(first->Angle(), 45);
}

TEST_F(PropertyPanelTest, TheImageMenusFileAndIllustrationCommandsOpenWhatTheyName) {
    Picture(QStringLiteral("Data/Illust/Animals/cat.bmp"), 12, 10);
    Write(QStringLiteral("Data/Illust/Illust.dat"),
          Cp932::Encode(QStringLiteral("[a]\nName=動物\nDir=Data\\Illust\\Animals\n")));
    TfrmIllustFileBrowser::RememberedGenre() = 0;
    const auto pictures = [&] {
        TDOList all;
        EditorSite(editor).ListObjects(all, false);
        std::vector<TLOImage*> found;
        for (TDrawObject* object : all)
            if (auto* image = dynamic_cast<TLOImage*>(object))
                found.push_back(image);
        return found;
    };

    // イメージファイル: the picture file dialog; a cancel places nothing, a file is placed selected.
    dialogs.files = {QString()};
    editor->actImageFile->trigger();
    ASSERT_EQ(dialogs.fileRequests.size(), 1u);
    EXPECT_TRUE(dialogs.fileRequests[0].Filter.contains(QStringLiteral("*.bmp")));
    EXPECT_TRUE(pictures().empty());
    dialogs.files = {Picture(QStringLiteral("chosen.bmp"), 30, 20)};
    editor->actImageFile->trigger();
    TDOList selected;
    EditorSite(editor).ListObjects(selected, true);
    ASSERT_EQ(selected.Count(), 1);
    auto* placed = dynamic_cast<TLOAlbumIllust*>(selected[0]);
    ASSERT_NE(placed, nullptr);
    EXPECT_EQ(placed->ImageData()->Picture()->Width(), 30);

    // イラスト: the illustration panel on its illustration page, from which the user pastes one.
    ASSERT_EQ(dynamic_cast<TfrmAMIllust*>(EditorPanel(editor)), nullptr);
    editor->actOnePoint->trigger();
    auto* panel = dynamic_cast<TfrmAMIllust*>(EditorPanel(editor));
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->TabbedPanel1->TabIndex(), int(TfrmAMIllust::pgIllustFile));
    EXPECT_EQ(pictures().size(), 1u);
    panel->IllustBrowser()->SelectIndex(0);
    EditorSite(editor).SelectAll(false);
    EditorIdle(editor);
    ASSERT_TRUE(panel->btnPasteImage->isEnabled());
    panel->btnPasteImage->click();
    ASSERT_EQ(pictures().size(), 2u);
    EXPECT_EQ(pictures()[0]->ImageSource(), isOnePoint);
    EXPECT_EQ(pictures()[0]->ImageData()->Picture()->Width(), 12);
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(PropertyPanelTest, FiguresTakeAFigureItsOtherVariantAndAColour) {
    Picture(QStringLiteral("Data/Figure/Round/t1.bmp"), 4, 4);
    Picture(QStringLiteral("Data/Figure/Round/p1.bmp"), 16, 12);
    Picture(QStringLiteral("Data/Figure/Round/b1.bmp"), 16, 12);
    Write(QStringLiteral("Data/Figure/Figure.dat"),
          Cp932::Encode(QStringLiteral("[丸]\nFolder=Data\\Figure\\Round\nFile1=t1.bmp,p1.bmp,b1.bmp\n")));
    TfrmShadeFileBrowser::RememberedGenre() = 0;
    TfrmShadeFileBrowser::RememberedBlurredEdge() = false;
    TriggerEditorAction(editor, "actModeFigure");
    auto* panel = dynamic_cast<TfrmAMFigure*>(EditorPanel(editor));
    ASSERT_NE(panel, nullptr);
    ASSERT_EQ(panel->Browser()->Browser()->ItemCount(), 1);
    auto* first = Add<TLOAlphaMask>(TRect(0, 0, 100, 100));
    auto* second = Add<TLOAlphaMask>(TRect(200, 0, 300, 100));
    EditorIdle(editor);
    EXPECT_TRUE(panel->pnlColor->isHidden()) << "nothing selected";
    EXPECT_FALSE(panel->edAngle->isEnabled());
    UndoList().Clear();
    const QByteArray blank = StoredPage();

    // Nothing selected: a colour goes to the default figure only.
    panel->ColGrid1->resize(160, 100);
    const auto pick = [&](int cell) {
        const TRect r = panel->ColGrid1->Cells()[size_t(cell)];
        QTest::mouseClick(panel->ColGrid1, Qt::LeftButton, {},
                          QPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2));
    };
    pick(1);
    EXPECT_EQ(panel->DefaultObject()->FillColor()->Color(), clRed);
    EXPECT_EQ(StoredPage(), blank);
    EXPECT_FALSE(UndoList().CanUndo());

    EditorSite(editor).SelectAll(true);
    EditorIdle(editor);
    ASSERT_FALSE(panel->pnlColor->isHidden());
    panel->Browser()->Browser()->SelectIndex(0);
    panel->actSingleClick->trigger();
    for (TLOAlphaMask* figure : {first, second})
        EXPECT_TRUE(figure->Picture()->ImageID().endsWith(QLatin1String("p1.bmp")));
    EXPECT_EQ(UndoList().UndoCaption(), QStringLiteral("設定変更"));
    EditorUndo(editor);
    EXPECT_EQ(StoredPage(), blank) << "both figures in one step";
    EditorRedo(editor);

    // The other variant keeps each figure's size.
    first->SetLogRect(TRect(0, 0, 500, 400));
    const TRect kept = first->LogRect();
    const QByteArray plainVariant = StoredPage();
    EditorIdle(editor);
    ASSERT_TRUE(panel->Browser()->cbShade->isEnabled());
    panel->Browser()->cbShade->click();
    EXPECT_TRUE(first->Picture()->ImageID().endsWith(QLatin1String("b1.bmp")));
    EXPECT_TRUE(second->Picture()->ImageID().endsWith(QLatin1String("b1.bmp")));
    EXPECT_EQ(first->LogRect(), kept);

    pick(5);
    EXPECT_EQ(first->FillColor()->Color(), clBlue);
    EXPECT_EQ(second->FillColor()->Color(), clBlue);
    panel->SetPage(TfrmAMFigure::pgSetup);
    panel->btnAngle270->click();
    EXPECT_EQ(second->Angle(), 270);
    EditorUndo(editor);
    EditorUndo(editor);
    EditorUndo(editor);
    EXPECT_EQ(StoredPage(), plainVariant);
}

} // namespace

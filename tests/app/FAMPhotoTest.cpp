// The photo panel on the real editor: every control changes the selected photos (read back from
// the stored page) as one undo step, nothing selected changes only the default photo, and windows
// run from their buttons record nothing when cancelled.

#include "app/FAMPhoto.h"
#include "app/FMain.h"
#include "app/dialogs/FAutoImgNorm.h"
#include "app/dialogs/FColorAdjuster.h"
#include "app/dialogs/FFrameBrowser.h"
#include "app/dialogs/FImageBrowser.h"
#include "app/dialogs/FPhotoFileBrowser.h"
#include "app/dialogs/FSelectFrame.h"
#include "controls/UImagePanel.h"
#include "core/USupportUtil.h"
#include "imaging/UImageData.h"
#include "imaging/UImageFilter.h"
#include "imaging/UPictureEX.h"
#include "imaging/USafetyBitmap.h"
#include "pageobjects/engine/UAction.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/engine/UDrawSiteAction.h"
#include "pageobjects/engine/UGhost.h"
#include "pageobjects/layout/ULOAlbumPhoto.h"
#include "platform/Bitmap.h"
#include "platform/Cp932.h"
#include "platform/PixelBuffer.h"
#include "platform/Stream.h"
#include "tests/app/AppTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

std::unique_ptr<TPictureEx> Bitmap(int width, int height) {
    auto picture = std::make_unique<TPictureEx>();
    TSafetyBitmap bitmap(width, height, pf24bit);
    picture->SetGraphic(&bitmap);
    return picture;
}

class PhotoPanelTest : public AppFixture {
protected:
    void SetUp() override {
        TfrmAMPhoto::DefaultPhoto()->Assign(&fresh);
        main = StartMainWindow();
        ASSERT_NE(main, nullptr);
        editor = OpenLayoutEditor(main);
        ASSERT_NE(editor, nullptr);
        panel = dynamic_cast<TfrmAMPhoto*>(EditorPanel(editor));
        ASSERT_NE(panel, nullptr) << "the editor opens on the photo panel";
    }
    void TearDown() override { TfrmAMPhoto::DefaultPhoto()->Assign(&fresh); }

    QString Picture(const QString& relative, int width, int height) {
        const QString path = QDir(ExeDir()).filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(Qt::blue);
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
    QByteArray StoredPage() {
        TDOList all;
        EditorSite(editor).ListObjects(all, false);
        TMemoryStream stream;
        all.SaveToStream(stream);
        return stream.Data();
    }
    TLOAlbumPhoto* Add(const TRect& r) {
        auto owned = std::make_unique<TLOAlbumPhoto>(nullptr);
        owned->SetLogRect(r);
        return static_cast<TLOAlbumPhoto*>(EditorSite(editor).AdoptObject(std::move(owned)));
    }
    void Select(std::initializer_list<TLOAlbumPhoto*> photos) {
        EditorSite(editor).SelectAll(false);
        for (TLOAlbumPhoto* photo : photos)
            photo->SetSelected(true);
        EditorIdle(editor);
    }
    void Undo() { EditorUndo(editor); }
    void Redo() { EditorRedo(editor); }

    TLOAlbumPhoto fresh{nullptr};
    TfrmMain* main = nullptr;
    TfrmLayout* editor = nullptr;
    TfrmAMPhoto* panel = nullptr;
};

TEST_F(PhotoPanelTest, PhotosTakeTheChosenFileAndEverySettingAsOneUndoStep) {
    Picture(QStringLiteral("Photos/a.bmp"), 40, 30);
    Write(QStringLiteral("Photos/b.bmp"), "BM not a picture");
    TfrmPhotoFileBrowser* browser = panel->PhotoBrowser();
    browser->FillFromFolder(QDir(ExeDir()).filePath(QStringLiteral("Photos")));
    ASSERT_EQ(browser->Browser()->ItemCount(), 2);

    // Before the first idle nothing is selected: a change goes to the default photo only.
    auto* first = Add(TRect(0, 0, 400, 300));
    auto* second = Add(TRect(500, 0, 900, 300));
    UndoList().Clear();
    const QByteArray blank = StoredPage();
    panel->cbMovable->click();
    panel->cmbPhotoRatate->setCurrentIndex(2);
    EXPECT_FALSE(TfrmAMPhoto::DefaultPhoto()->Movable());
    EXPECT_EQ(TfrmAMPhoto::DefaultPhoto()->PhotoAngle(), 90);
    EXPECT_EQ(StoredPage(), blank);
    EXPECT_FALSE(UndoList().CanUndo());
    EditorIdle(editor);
    EXPECT_FALSE(panel->cbMovable->isEnabled()) << "nothing selected";
    EXPECT_FALSE(panel->btnPasteImage->isEnabled()) << "no file chosen";

    // One photo takes the chosen file, its source and date, as one step.
    Select({first});
    browser->SelectIndex(0);
    EditorIdle(editor);
    ASSERT_TRUE(panel->btnSetPhoto->isEnabled());
    panel->btnSetPhoto->click();
    EXPECT_EQ(first->GetPhotoPicture()->Width(), 40);
    EXPECT_EQ(first->ImageSource(), isFile);
    EXPECT_NE(first->PhotoDate(), 0);
    EXPECT_TRUE(IsPictureEmpty(second->GetPhotoPicture()));
    EXPECT_EQ(UndoList().UndoCaption(), QStringLiteral("設定変更"));
    const QByteArray pictured = StoredPage();
    Undo();
    EXPECT_EQ(StoredPage(), blank);
    Redo();
    EXPECT_EQ(StoredPage(), pictured);

    // A file that cannot be read is named, and the photo stays as it was, unrecorded.
    const int recorded = UndoList().Count();
    browser->Browser()->SelectAll(false);
    browser->SelectIndex(1);
    dialogs.answers = {mrOk};
    panel->btnSetPhoto->click();
    EXPECT_EQ(StoredPage(), pictured);
    EXPECT_EQ(UndoList().Count(), recorded);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_TRUE(dialogs.boxes[0].text.contains(QStringLiteral("b.bmp")));

    // Both photos selected: each control changes both, one step each.
    Select({first, second});
    ASSERT_TRUE(panel->cbShadow->isEnabled());
    panel->SetPage(TfrmAMPhoto::pgFrame);
    panel->cbShadow->click();
    EXPECT_TRUE(panel->edShadowSize->isEnabled());
    panel->edShadowSize->setText(QStringLiteral("12"));
    panel->cbShadowShade->click();
    for (TLOAlbumPhoto* photo : {first, second}) {
        EXPECT_TRUE(photo->Shadow());
        EXPECT_TRUE(photo->ShadowShade());
        EXPECT_EQ(photo->ShadowX(), 12);
        EXPECT_EQ(photo->ShadowY(), 12);
    }
    panel->SetPage(TfrmAMPhoto::pgSetup);
    panel->cmbPhotoRatate->setCurrentIndex(1);
    panel->rbFitOuter->click();
    panel->cbDispDate->click();
    EXPECT_TRUE(panel->cmbDateStyle->isEnabled());
    panel->cmbDateStyle->setCurrentIndex(4);
    panel->cbMovable->click();
    for (TLOAlbumPhoto* photo : {first, second}) {
        EXPECT_EQ(photo->PhotoAngle(), -1);
        EXPECT_TRUE(photo->FitOuter());
        EXPECT_TRUE(photo->DisplayDate());
        EXPECT_EQ(photo->DateFormat(), QStringLiteral("yyyy\"/\"mm\"/\"dd"));
        EXPECT_FALSE(photo->Movable());
    }
    EXPECT_EQ(UndoList().UndoCaption(), QStringLiteral("設定変更"));
    EXPECT_EQ(TfrmAMPhoto::DefaultPhoto()->PhotoAngle(), 90) << "photos selected: the default stays";
    panel->btnPhotoClear->click();
    EXPECT_TRUE(IsPictureEmpty(first->GetPhotoPicture()));
    const QByteArray cleared = StoredPage();
    for (int step = 0; step < 9; ++step)
        Undo();
    EXPECT_EQ(StoredPage(), pictured) << "nine changes, nine steps";
    for (int step = 0; step < 9; ++step)
        Redo();
    EXPECT_EQ(StoredPage(), cleared);

    // Showing a photo applies nothing; odd angles and unknown date lines show the first fitting entry.
    const int count = UndoList().Count();
    second->SetPhotoAngleValue(45);
    second->SetDateFormat(QStringLiteral("yyyy"));
    panel->ShowObject(second);
    EXPECT_EQ(panel->cmbPhotoRatate->currentIndex(), 1);
    EXPECT_EQ(panel->cmbDateStyle->currentIndex(), 0);
    second->SetPhotoAngleValue(270);
    panel->ShowObject(second);
    EXPECT_EQ(panel->cmbPhotoRatate->currentIndex(), 3);
    EXPECT_EQ(UndoList().Count(), count);
    EXPECT_EQ(second->DateFormat(), QStringLiteral("yyyy"));
}

TEST_F(PhotoPanelTest, FramesAndColoursComeFromTheirWindowsAndACancelRecordsNothing) {
    for (const char* name : {"t1.bmp", "f1.bmp"})
        Picture(QStringLiteral("Data/Frame/Plain/") + QLatin1String(name), 20, 20);
    Picture(QStringLiteral("Data/Frame/Plain/s1.bmp"), 24, 18);
    Picture(QStringLiteral("Data/Frame/Alpha/a.bmp"), 20, 20);
    Picture(QStringLiteral("Data/Frame/Alpha/af.bmp"), 30, 30);
    Write(QStringLiteral("Data/Frame/Frame.dat"),
          Cp932::Encode(
              QStringLiteral("[普通]\nFolder=Data\\Frame\\Plain\nFile1=t1.bmp,f1.bmp,s1.bmp\n"
                             "[透過]\nFolder=Data\\Frame\\Alpha\nAlphaFrame=1\nFile1=a.bmp,a.bmp,af.bmp\n")));
    TfrmFrameBrowser::RememberedGenre() = 0;
    const std::unique_ptr<TPictureEx> picture = Bitmap(40, 30);
    auto* photo = Add(TRect(0, 0, 400, 300));
    auto* other = Add(TRect(500, 0, 900, 300));
    photo->SetPhotoPicture(picture.get());
    other->SetPhotoPicture(picture.get());
    Select({photo});
    UndoList().Clear();
    const QByteArray plain = StoredPage();

    const auto frameWindow = [&](const std::function<void(TfrmSelectFrame*)>& act) {
        WhenModal([&](QWidget* window) {
            auto* dialog = qobject_cast<TfrmSelectFrame*>(window);
            ASSERT_NE(dialog, nullptr);
            act(dialog);
        });
        panel->btnFrame->click();
    };
    frameWindow([](TfrmSelectFrame* dialog) { dialog->btnCancel->click(); });
    EXPECT_EQ(StoredPage(), plain);
    EXPECT_FALSE(UndoList().CanUndo());

    // A frame and its shadow picture in one step; the preview follows.
    frameWindow([](TfrmSelectFrame* dialog) {
        dialog->FrameBrowser()->Browser()->SelectIndex(0);
        dialog->btnOk->click();
    });
    EXPECT_TRUE(photo->FramePicture()->ImageID().endsWith(QLatin1String("f1.bmp")));
    EXPECT_EQ(photo->ShadowPicture()->Width(), 24);
    EXPECT_TRUE(IsPictureEmpty(other->FramePicture()));
    EXPECT_EQ(panel->imgPnlFrame->Picture().Width(), 20);
    EXPECT_EQ(UndoList().UndoCaption(), QStringLiteral("設定変更"));
    const QByteArray framed = StoredPage();
    Undo();
    EXPECT_EQ(StoredPage(), plain);
    Redo();
    EditorIdle(editor);
    EXPECT_TRUE(panel->rbFitPhoto->isEnabled()) << "a framed photo chooses what gives way";
    frameWindow([](TfrmSelectFrame* dialog) { dialog->btnClear->click(); });
    EXPECT_TRUE(IsPictureEmpty(photo->FramePicture()));
    EXPECT_TRUE(photo->FramePicture()->ImageID().isEmpty());
    EXPECT_TRUE(IsPictureEmpty(photo->ShadowPicture()));
    Undo();
    EXPECT_EQ(StoredPage(), framed);

    // An alpha frame takes the shadow away in the same step; its preview is the inverted mask.
    panel->cbShadow->click();
    ASSERT_TRUE(photo->Shadow());
    const QByteArray shadowed = StoredPage();
    frameWindow([](TfrmSelectFrame* dialog) {
        dialog->FrameBrowser()->cmbGenre->setCurrentIndex(1);
        dialog->FrameBrowser()->Browser()->SelectIndex(0);
        dialog->btnOk->click();
    });
    EXPECT_TRUE(photo->FramePicture()->ImageID().endsWith(QLatin1String("af.bmp")));
    EXPECT_TRUE(photo->AlphaFrame());
    EXPECT_FALSE(photo->Shadow());
    EXPECT_TRUE(IsPictureEmpty(photo->ShadowPicture()));
    EXPECT_FALSE(panel->cbShadow->isChecked());
    auto* preview = dynamic_cast<TBitmap*>(panel->imgPnlFrame->Picture().Graphic());
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(preview->GetPixel(5, 5), 0x00FFFFu) << "blue inverted";
    Undo();
    EXPECT_EQ(StoredPage(), shadowed);
    Undo();
    EXPECT_EQ(StoredPage(), framed);

    // The colour adjuster works on a copy: OK brings its filters, the photo keeps its own picture.
    panel->SetPage(TfrmAMPhoto::pgSetup);
    const int recorded = UndoList().Count();
    WhenModal([](QWidget* window) { qobject_cast<TfrmColorAdjuster*>(window)->btnCancel->click(); });
    panel->btnColorAdjust->click();
    EXPECT_EQ(UndoList().Count(), recorded);
    WhenModal([](QWidget* window) {
        auto* dialog = qobject_cast<TfrmColorAdjuster*>(window);
        dialog->ImageData()->LightFilter()->SetBrightness(30);
        dialog->btnOk->click();
    });
    panel->btnColorAdjust->click();
    EXPECT_EQ(photo->PhotoImageObj()->LightFilter()->Brightness(), 30);
    EXPECT_EQ(photo->GetPhotoPicture()->Width(), 40);
    EXPECT_EQ(other->PhotoImageObj()->LightFilter()->Brightness(), 0);
    Undo();
    EXPECT_EQ(photo->PhotoImageObj()->LightFilter()->Brightness(), 0);

    // The automatic adjustment works on a copy too: its number arrives as one undo step on OK.
    ASSERT_TRUE(panel->btnAutoAdjust->isEnabled());
    const QByteArray unadjusted = StoredPage();
    const int beforeAuto = UndoList().Count();
    WhenModal([](QWidget* window) {
        auto* dialog = qobject_cast<TfrmAutoImgNorm*>(window);
        dialog->ChooseFilter(0, TfrmAutoImgNorm::fnOwn);
        dialog->btnCancel->click();
    });
    panel->btnAutoAdjust->click();
    EXPECT_EQ(StoredPage(), unadjusted);
    EXPECT_EQ(UndoList().Count(), beforeAuto);
    WhenModal([](QWidget* window) {
        auto* dialog = qobject_cast<TfrmAutoImgNorm*>(window);
        EXPECT_FALSE(dialog->BtnSetAll->isVisible());
        EXPECT_FALSE(dialog->imSrc[1]->isVisible());
        EXPECT_FALSE(dialog->CanApplyNumber(0, TfrmAutoImgNorm::fnExifPrint));
        dialog->ChooseFilter(0, TfrmAutoImgNorm::fnOwn);
        dialog->btnOK->click();
    });
    panel->btnAutoAdjust->click();
    EXPECT_EQ(photo->NormalizeFilter()->FilterNo(), 1);
    EXPECT_EQ(other->NormalizeFilter()->FilterNo(), 0);
    Undo();
    EXPECT_EQ(photo->NormalizeFilter()->FilterNo(), 0);

    photo->SetPhotoPicture(nullptr);
    dialogs.answers = {mrOk, mrOk};
    panel->btnColorAdjust->click();
    panel->btnAutoAdjust->click();
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes[0].text, QStringLiteral("写真が設定された写真枠を選択してください"));
    EXPECT_EQ(dialogs.boxes[1].text, dialogs.boxes[0].text);

    // A placed picture goes to the first photo reached only, and never to the default photo.
    const std::unique_ptr<TPictureEx> cover = Bitmap(16, 16);
    Select({photo, other});
    panel->PlacePicture(cover.get());
    const int covered = (photo->GetPhotoPicture()->Width() == 16) + (other->GetPhotoPicture()->Width() == 16);
    EXPECT_EQ(covered, 1);
    Select({});
    const QByteArray placed = StoredPage();
    panel->PlacePicture(cover.get());
    EXPECT_EQ(StoredPage(), placed);
    EXPECT_TRUE(IsPictureEmpty(TfrmAMPhoto::DefaultPhoto()->GetPhotoPicture()));
}

TEST_F(PhotoPanelTest, TheColourAdjusterShowsTheClippedPartOfTheReducedPicture) {
    // 400 x 200: red quarters at both ends, blue between; a square frame filled from outside
    // shows the blue middle only.
    QImage image(400, 200, QImage::Format_RGB32);
    image.fill(Qt::red);
    for (int y = 0; y < 200; ++y)
        for (int x = 100; x < 300; ++x)
            image.setPixel(x, y, qRgb(0, 0, 255));
    TPictureEx picture;
    TSafetyBitmap bitmap;
    bitmap.SetPixels(PixelBuffer::FromImage(image, 24));
    picture.SetGraphic(&bitmap);
    auto* photo = Add(TRect(0, 0, 100, 100));
    photo->SetFitOuter(true);
    photo->SetPhotoPicture(&picture);
    ASSERT_TRUE(photo->PreparePicture());
    const TRect clip = photo->PhotoImageObj()->ClipFilter()->ClipRect();
    ASSERT_EQ(clip, Rect(100, 0, 300, 200));
    Select({photo});
    panel->SetPage(TfrmAMPhoto::pgSetup);

    const int limit = ImageDispLimitSize();
    SetImageDispLimitSize(100);
    TSize shownSize;
    TColor corner = clBlack;
    WhenModal([&](QWidget* window) {
        auto* dialog = qobject_cast<TfrmColorAdjuster*>(window);
        TPictureEx* shown = dialog->ImageData()->GetFilteredPicture();
        shownSize = TSize(shown->Width(), shown->Height());
        corner = CopyToSafetyBitmap24(*shown)->GetPixel(1, 1);
        dialog->ImageData()->LightFilter()->SetBrightness(30);
        dialog->btnOk->click();
    });
    panel->btnColorAdjust->click();
    SetImageDispLimitSize(limit);
    EXPECT_EQ(shownSize, TSize(50, 50)) << "the clipped square of the 100 x 50 copy";
    EXPECT_EQ(corner, TColor(0xFF0000)) << "blue, the middle";
    EXPECT_EQ(photo->PhotoImageObj()->LightFilter()->Brightness(), 30);
    EXPECT_EQ(photo->GetPhotoPicture()->Width(), 400);
    EXPECT_EQ(photo->PhotoImageObj()->ClipFilter()->ClipRect(), clip) << "the clip stays full-size";
}

TEST_F(PhotoPanelTest, ANewFrameTakesTheDefaultStyleAndTheChosenPhoto) {
    Picture(QStringLiteral("Photos/a.bmp"), 40, 30);
    panel->PhotoBrowser()->FillFromFolder(QDir(ExeDir()).filePath(QStringLiteral("Photos")));
    panel->PhotoBrowser()->SelectIndex(0);
    EXPECT_EQ(panel->SelectedPhotoCount(), 1);
    TfrmAMPhoto::DefaultPhoto()->SetShadow(true);
    EditorIdle(editor);
    ASSERT_TRUE(panel->btnPasteImage->isEnabled());
    const int count = EditorSite(editor).DrawObjectCount();
    panel->actDoubleClick->trigger(); // no frame selected: a new one
    ASSERT_EQ(EditorSite(editor).DrawObjectCount(), count + 1);
    TDOList all;
    EditorSite(editor).ListObjects(all, false);
    TLOAlbumPhoto* made = nullptr;
    for (TDrawObject* object : all)
        if (auto* photo = dynamic_cast<TLOAlbumPhoto*>(object))
            made = photo;
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->GetPhotoPicture()->Width(), 40);
    EXPECT_TRUE(made->Shadow());
    EXPECT_EQ(made->LogWidth(), TLOAlbumPhoto::GetPictureSize(made->GetPhotoPicture()).cx)
        << "its natural size";
    EXPECT_TRUE(IsPictureEmpty(TfrmAMPhoto::DefaultPhoto()->GetPhotoPicture()));

    // With one frame selected the new one takes its size and style, and keeps its own photo.
    GhostList().ClearGhosts();
    auto* selected = Add(TRect(100, 100, 400, 300));
    selected->SetShadowShade(true);
    Select({selected});
    panel->btnPasteImage->click();
    EditorSite(editor).ListObjects(all, false);
    TLOAlbumPhoto* second = nullptr;
    for (TDrawObject* object : all)
        if (auto* photo = dynamic_cast<TLOAlbumPhoto*>(object); photo && photo != made && photo != selected)
            second = photo;
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->LogWidth(), 300);
    EXPECT_EQ(second->LogHeight(), 200);
    EXPECT_TRUE(second->ShadowShade());
    EXPECT_EQ(second->GetPhotoPicture()->Width(), 40);
    EXPECT_TRUE(IsPictureEmpty(selected->GetPhotoPicture()));
    GhostList().ClearGhosts();
    Select({selected});
    panel->actDoubleClick->trigger();
    EXPECT_EQ(selected->GetPhotoPicture()->Width(), 40) << "one frame selected: its photo replaced";
    EXPECT_EQ(UndoList().UndoCaption(), QStringLiteral("設定変更"));
}

} // namespace

TEST_F(PhotoPanelTest, OnASmallWindowTheControlPagesScrollInsteadOfSqueezingTheirControls) {
    main->resize(800, 600);
    main->show();
    panel->SetPage(3);
    QCoreApplication::processEvents();
    for (QWidget* control :
         std::initializer_list<QWidget*>{panel->btnColorAdjust, panel->cmbPhotoRatate, panel->cbMovable,
                                         panel->cbDispDate, panel->cmbDateStyle, panel->rbFitOuter})
        EXPECT_GE(control->height(), control->minimumSizeHint().height())
            << control->objectName().toStdString();
}

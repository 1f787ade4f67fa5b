// The image effect editor and its style browser, driven as a user would: the shipped styles, the
// focus and tint tables both ways, the colour grid, and the worker's preview of the edited data.

#include "app/dialogs/FBackEffectEditor.h"
#include "app/UEffectPreview.h"
#include "app/dialogs/FColorAdjuster.h"
#include "app/dialogs/FEffectStyleBrowser.h"
#include "app/dialogs/FImageBrowser.h"
#include "app/dialogs/UMaterialBrowser.h"
#include "app/dialogs/UThumbGrid.h"
#include "controls/Exspined.h"
#include "controls/FColorGrid.h"
#include "controls/UImagePanel.h"
#include "imaging/UImageData.h"
#include "imaging/UImagePack.h"
#include "imaging/USafetyBitmap.h"
#include "platform/Picture.h"
#include "tests/app/MaterialTestSupport.h"

#include <QAction>
#include <QButtonGroup>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>

namespace {

const TColor kSepia = TfrmBackEffectEditor::kSepiaTint;
const TColor kWhite = TfrmBackEffectEditor::kWhiteTint;

void FillPhoto(TImageData& data, int width, int height) {
    TSafetyBitmap bitmap(width, height, pf24bit);
    for (int y = 0; y < height; ++y) {
        uint8_t* line = bitmap.ScanLine(y);
        for (int x = 0; x < width; ++x) {
            line[x * 3] = uint8_t(40 + x % 150);
            line[x * 3 + 1] = uint8_t(90 + y % 120);
            line[x * 3 + 2] = uint8_t(200 - (x + y) % 100);
        }
    }
    data.Picture()->SetGraphic(&bitmap);
}

class EffectEditorTest : public MaterialFixture {
protected:
    EffectEditorTest() { TfrmBackEffectEditor::RememberedMode() = TfrmBackEffectEditor::smStyle; }
    void UseShippedStyles() {
        frame.Macro().SetValue(QStringLiteral("ExeDir"), QStringLiteral(QUORLANE_EXE_DIR "/"));
    }
};

} // namespace

TEST_F(EffectEditorTest, ShippedStylesListInFileOrderAndTheMatchingOneIsSelected) {
    UseShippedStyles();
    TImageData photo;
    FillPhoto(photo, 400, 300);
    TfrmEffectStyleBrowser browser;
    EXPECT_FALSE(browser.pnlWarning->isVisibleTo(&browser));
    ASSERT_EQ(browser.StyleCount(), 12);
    EXPECT_EQ(browser.Style(0).Title, QStringLiteral("標準"));
    EXPECT_EQ(browser.Style(1).Title, QStringLiteral("セピア"));
    EXPECT_EQ(browser.Style(2).Title, QStringLiteral("白黒"));
    EXPECT_EQ(browser.Style(1).Color, kSepia);
    EXPECT_EQ(browser.Style(0).Color, clNone);
    EXPECT_EQ(browser.MatchedIndex(), -1);
    EXPECT_FALSE(browser.HasSelection());
    EXPECT_TRUE(browser.GetSelectedStyle().SameEffects(TEffectStyle()));

    ApplyEffectStyle(browser.Style(1), photo);
    browser.SetImageData(&photo);
    EXPECT_EQ(browser.MatchedIndex(), 1);
    EXPECT_TRUE(browser.HasSelection());
    EXPECT_EQ(browser.GetSelectedStyle().Title, QStringLiteral("セピア"));
    EXPECT_LE(browser.WorkData()->Picture()->Width(), TfrmEffectStyleBrowser::kWorkPictureSize);
    EXPECT_EQ(browser.WorkData()->Picture()->Height(), 150);
    // Effects equal to no style keep the previous choice.
    photo.LightFilter()->SetBrightness(7);
    browser.SetImageData(&photo);
    EXPECT_EQ(browser.MatchedIndex(), 1);

    // Thumbnails, as the loader makes them: the style's effects on the user's picture.
    TPictureEx plain, sepia, mono;
    browser.CustomImagePack1->LoadImage(plain, 0);
    browser.CustomImagePack1->LoadImage(sepia, 1);
    browser.CustomImagePack1->LoadImage(mono, 2);
    ASSERT_EQ(plain.Width(), 200);
    const auto pixel = [](TPictureEx& p) { return CopyToSafetyBitmap24(p)->GetPixel(100, 75); };
    const TColor grey = pixel(mono);
    EXPECT_EQ(GetRValue(grey), GetGValue(grey));
    EXPECT_EQ(GetGValue(grey), GetBValue(grey));
    const TColor brown = pixel(sepia);
    EXPECT_GT(GetRValue(brown), GetBValue(brown));
    EXPECT_NE(pixel(plain), grey);

    // A clipped picture shows its clipped part in every style.
    photo.ClipFilter()->SetClipRect(Rect(100, 0, 400, 300));
    browser.SetImageData(&photo);
    TPictureEx clipped;
    browser.CustomImagePack1->LoadImage(clipped, 1);
    EXPECT_EQ(clipped.Width(), 150);
    EXPECT_EQ(clipped.Height(), 150);
}

TEST_F(EffectEditorTest, TheSelectedStyleIsWhollyInView) {
    UseShippedStyles();
    TImageData photo;
    FillPhoto(photo, 40, 30);
    TfrmEffectStyleBrowser browser;
    browser.resize(420, 300);
    TThumbGrid* grid = browser.Browser()->Grid();
    const auto wholly = [&] {
        QCoreApplication::processEvents();
        const int position = grid->CurrentPosition();
        return position >= 0 && grid->viewport()->rect().contains(grid->ItemRect(position));
    };
    // Chosen before the window has its size: the first style, shown from its top.
    browser.SetImageData(&photo);
    ASSERT_EQ(browser.MatchedIndex(), 0);
    browser.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&browser));
    EXPECT_TRUE(wholly());
    EXPECT_EQ(grid->verticalScrollBar()->value(), 0);
    ApplyEffectStyle(browser.Style(browser.StyleCount() - 1), photo);
    browser.SetImageData(&photo);
    EXPECT_TRUE(wholly()) << "the last style";
    browser.resize(300, 260);
    EXPECT_TRUE(wholly()) << "after a resize";
    browser.resize(500, 500);
    browser.grpSize->button(200)->click();
    EXPECT_TRUE(wholly()) << "after a larger thumbnail size";
}

TEST_F(EffectEditorTest, NoCatalogueShowsTheWarningAndNoStyles) {
    TfrmEffectStyleBrowser browser;
    EXPECT_EQ(browser.StyleCount(), 0);
    EXPECT_TRUE(browser.pnlWarning->isVisibleTo(&browser));
    EXPECT_EQ(browser.pnlWarning->Lines().value(0), QStringLiteral("画質調整情報が見つかりません。"));
    EXPECT_EQ(browser.pnlWarning->Lines().value(3), QStringLiteral("CDを正しくセットしてください。"));
    EXPECT_EQ(browser.Browser()->ItemCount(), 0);
    EXPECT_FALSE(browser.HasSelection());
}

TEST_F(EffectEditorTest, FocusAndTintTablesBothWaysAndTheColourGrid) {
    TImageData data;
    FillPhoto(data, 60, 40);
    TfrmBackEffectEditor editor;
    editor.SetSetMode(TfrmBackEffectEditor::smDetail);
    editor.SetImageData(&data);

    // Counts to items.
    const std::pair<int, int> shown[] = {{12, 0}, {6, 0},  {5, 1},  {4, 1},  {2, 1},  {1, 2},
                                         {0, 3},  {-1, 4}, {-2, 5}, {-3, 5}, {-4, 6}, {-9, 6}};
    for (const auto& [count, item] : shown) {
        data.BlurFilter()->SetBlurCount(count);
        EXPECT_EQ(editor.grpBlur->checkedId(), item) << count;
    }
    // Items to counts; the item shown stays the one clicked.
    const int set[] = {10, 5, 1, 0, -1, -3, -6};
    for (int item = 0; item < 7; ++item) {
        editor.grpBlur->button(item)->click();
        EXPECT_EQ(data.BlurFilter()->BlurCount(), set[item]) << item;
        EXPECT_EQ(editor.grpBlur->checkedId(), item);
    }

    // Tints to radios and radios to tints.
    const std::pair<TColor, QRadioButton*> tints[] = {{clNone, editor.rbMTNone},
                                                      {kWhite, editor.rbMTWhite},
                                                      {kSepia, editor.rbMTSepia},
                                                      {0x123456, editor.rbMTNoneColors}};
    for (const auto& [tint, radio] : tints) {
        data.MonotoneFilter()->SetRefColor(tint);
        EXPECT_TRUE(radio->isChecked()) << tint;
        EXPECT_EQ(editor.btnMTColor->isEnabled(), radio == editor.rbMTNoneColors);
    }
    EXPECT_EQ(editor.CustomColor(), 0x123456u);
    for (const auto& [tint, radio] : tints) {
        radio->click();
        EXPECT_EQ(data.MonotoneFilter()->RefColor(), tint);
    }
    // White chosen as the custom colour keeps 指定色 when shown again.
    data.MonotoneFilter()->SetRefColor(kWhite);
    EXPECT_TRUE(editor.rbMTNoneColors->isChecked());
    EXPECT_EQ(editor.CustomColor(), kWhite);
    editor.SetSetMode(TfrmBackEffectEditor::smStyle);
    editor.SetSetMode(TfrmBackEffectEditor::smDetail);
    EXPECT_TRUE(editor.rbMTNoneColors->isChecked());

    // The colour button drops the grid down, held while open; a pick is the new tint.
    editor.btnMTColor->click();
    TfrmColorGrid* grid = editor.ColorGrid();
    ASSERT_NE(grid, nullptr);
    EXPECT_TRUE(grid->isVisible());
    EXPECT_TRUE(editor.btnMTColor->isDown());
    EXPECT_EQ(grid->DefaultColor(), kWhite);
    const TRect red = grid->Grid()->Cells()[1];
    QTest::mouseClick(grid->Grid(), Qt::LeftButton, {},
                      QPoint(red.Left + red.Width() / 2, red.Top + red.Height() / 2));
    EXPECT_FALSE(grid->isVisible());
    EXPECT_FALSE(editor.btnMTColor->isDown());
    EXPECT_EQ(editor.CustomColor(), clRed);
    EXPECT_EQ(data.MonotoneFilter()->RefColor(), clRed);

    // Track bars set their spin edits and the filter; typed values set the track bars.
    editor.tbBrightness->setValue(35);
    EXPECT_EQ(editor.seBrightness->Value(), 35);
    EXPECT_EQ(data.LightFilter()->Brightness(), 35);
    editor.seContrast->Edit()->setText(QStringLiteral("-40"));
    EXPECT_EQ(editor.tbContrast->value(), -40);
    EXPECT_EQ(data.LightFilter()->Contrast(), -40);
    editor.seContrast->Edit()->setText(QStringLiteral("-"));
    EXPECT_EQ(data.LightFilter()->Contrast(), -40) << "no number, no change";
    editor.SetImageData(nullptr);
}

TEST_F(EffectEditorTest, StylesApplyByClickConfirmByDoubleClickAndThePreviewFollowsTheData) {
    UseShippedStyles();
    auto owned = std::make_unique<TfrmColorAdjuster>();
    TfrmColorAdjuster& dialog = *owned;
    TImageData photo;
    FillPhoto(photo, 1000, 500);
    dialog.SetImageData(&photo);
    TfrmBackEffectEditor* editor = dialog.Editor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->SetMode(), TfrmBackEffectEditor::smStyle);
    EXPECT_EQ(editor->StyleBrowser()->MatchedIndex(), 0) << "no effects: 標準";
    dialog.resize(700, 500);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));

    TThumbGrid* grid = editor->StyleBrowser()->Browser()->Grid();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->ItemRect(2).center());
    const TEffectStyle mono = editor->StyleBrowser()->Style(2);
    EXPECT_TRUE(GetEffectStyle(*dialog.ImageData()).SameEffects(mono));
    EXPECT_EQ(editor->StyleBrowser()->MatchedIndex(), 0) << "applying a style does not rebuild the browser";

    // The details show the data, and the worker's preview equals the chain at the display limit.
    editor->grpSetMode->button(TfrmBackEffectEditor::smDetail)->click();
    EXPECT_TRUE(editor->rbMTWhite->isChecked());
    editor->tbBrightness->setValue(25);
    const quint64 wanted = editor->RequestedPreview();
    EXPECT_GT(wanted, 0u);
    QTRY_COMPARE_WITH_TIMEOUT(editor->ShownPreview(), wanted, 20000);
    TImageData reference;
    reference.Assign(dialog.ImageData());
    TPictureEx* filtered = reference.GetFilteredPicture(nullptr, EffectPreviewSizeLimit());
    EXPECT_EQ(filtered->Width(), kDefaultPreviewLimit);
    EXPECT_EQ(editor->PreviewImage(), EffectPreviewImage(*filtered, clNone));
    EXPECT_EQ(editor->ipEffect->Picture().Width(), kDefaultPreviewLimit);

    editor->grpSetMode->button(TfrmBackEffectEditor::smStyle)->click();
    QTest::keyClick(grid, Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    editor->SetSetMode(TfrmBackEffectEditor::smDetail);
    owned.reset();

    TfrmBackEffectEditor next;
    EXPECT_EQ(next.SetMode(), TfrmBackEffectEditor::smDetail) << "remembered when an editor closes";
}

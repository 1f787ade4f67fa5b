// The colour adjuster works on its own copy of a photo's image data.

#include "app/dialogs/FColorAdjuster.h"
#include "controls/UBroadcastCatcher.h"
#include "imaging/UImageData.h"
#include "imaging/USafetyBitmap.h"

#include <QAction>
#include <QPushButton>
#include <gtest/gtest.h>

TEST(ColorAdjuster, EditsACopyThatADoubleClickConfirms) {
    TImageData photo;
    TSafetyBitmap bitmap(8, 6, pf24bit);
    photo.Picture()->SetGraphic(&bitmap);
    photo.LightFilter()->SetBrightness(20);
    photo.SetTransparentColor(0x00FF00);

    TfrmColorAdjuster dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("イメージの画質調整"));
    EXPECT_GE(dialog.minimumWidth(), TfrmColorAdjuster::kMinWidth);
    int caught = 0;
    dialog.BroadcastCatcher1->OnCatch = [&](TObject*) { ++caught; };
    dialog.SetImageData(&photo);
    EXPECT_EQ(caught, 1) << "taken in one change";
    TImageData* copy = dialog.ImageData();
    EXPECT_EQ(copy->Picture()->Width(), 8);
    EXPECT_EQ(copy->LightFilter()->Brightness(), 20);
    EXPECT_EQ(copy->TransparentColor(), 0x00FF00u);
    copy->LightFilter()->SetBrightness(-10);
    EXPECT_EQ(photo.LightFilter()->Brightness(), 20) << "the photo waits for OK";

    dialog.actDoubleClick->trigger();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    TfrmColorAdjuster cancelled;
    cancelled.btnCancel->click();
    EXPECT_EQ(cancelled.result(), QDialog::Rejected);
}

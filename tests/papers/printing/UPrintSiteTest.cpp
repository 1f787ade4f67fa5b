#include "papers/printing/UPrintSite.h"

#include "platform/Canvas.h"

#include <QImage>
#include <gtest/gtest.h>

namespace {

TEST(PrintSpec, FlagsGrowOnDemandAndAllFacesOverridesThem) {
    TPrintSpec spec;
    EXPECT_FALSE(spec.IsFacePrinted(3));
    spec.SetFacePrinted(3, true);
    EXPECT_TRUE(spec.IsFacePrinted(3));
    EXPECT_FALSE(spec.IsFacePrinted(2));
    spec.AllFaces = true;
    EXPECT_TRUE(spec.IsFacePrinted(100));
    spec.SetSheetPrinted(1, true);
    EXPECT_TRUE(spec.IsSheetPrinted(1));
    EXPECT_FALSE(spec.IsSheetPrinted(0));
    EXPECT_FALSE(spec.IsSheetPrinted(-1));
    spec.SetSheetPrinted(2000000000, true); // no billion-flag array
    EXPECT_FALSE(spec.IsSheetPrinted(2000000000));

    // Without a "Banding" setting bands are 254 dpi; a stated resolution wins.
    QImage image(10, 10, QImage::Format_RGB32);
    TCanvas canvas(&image);
    canvas.SetPixelsPerInch(600);
    EXPECT_EQ(spec.GetResolution(canvas), 254);
    EXPECT_TRUE(IsBandingEnabled());
    spec.Resolution = 600;
    EXPECT_EQ(spec.GetResolution(canvas), 600);
}

} // namespace

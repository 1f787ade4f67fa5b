// The guides on a draw site and two rulers of their own, without an editor around them.

#include "app/ULayoutGuides.h"
#include "controls/Ruler.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/engine/UGuide.h"
#include "papers/ULabelData.h"
#include "papers/faces/UFaceInfo.h"

#include <QLabel>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

namespace {

struct TBareGuides {
    QWidget owner;
    TRuler* top = new TRuler(&owner);
    TRuler* left = new TRuler(&owner);
    TDrawSite* site = new TDrawSite(nullptr, &owner);
    TLabelData document{nullptr};
    TFaceInfo face;
    std::unique_ptr<TLayoutGuides> guides;

    TBareGuides() {
        left->SetKind(rkVertical);
        top->setGeometry(24, 0, 400, 24);
        left->setGeometry(0, 24, 24, 400);
        site->Scaler().SetUnitDPI(254);
        site->SetLogWidth(1000);
        site->SetLogHeight(1000);
        site->setGeometry(24, 24, 400, 400);
        guides = std::make_unique<TLayoutGuides>(&owner, site, top, left);
        owner.resize(430, 430);
        owner.show();
    }
};

TEST(LayoutGuidesTest, ARulerPressWantsADocumentAndTheGuidesLeaveTheSiteAsTheyFoundIt) {
    TBareGuides bare;
    // No document: the press is the ruler's and no guide is begun.
    QTest::mousePress(bare.top, Qt::LeftButton, {}, QPoint(40, 5));
    EXPECT_EQ(bare.guides->GuideIndex(), -1);
    QTest::mouseRelease(bare.top, Qt::LeftButton, {}, QPoint(40, 5));

    bare.guides->SetDocument(&bare.document, &bare.face);
    const TGuide& guide = *bare.document.Guide();
    // A new guide's drag given up (the window lost the activation): its slot is free again, not
    // a guide off the page saved with the sheet.
    QTest::mousePress(bare.left, Qt::LeftButton, {}, QPoint(5, 40));
    ASSERT_EQ(bare.guides->GuideIndex(), 0);
    bare.guides->CancelGuideDrag();
    EXPECT_TRUE(guide.IsEmpty());
    EXPECT_EQ(guide.FindFree(), 0);

    QTest::mousePress(bare.left, Qt::LeftButton, {}, QPoint(5, 40));
    ASSERT_EQ(bare.guides->GuideIndex(), 0);
    EXPECT_EQ(QWidget::mouseGrabber(), bare.site);
    ASSERT_NE(bare.guides->GuideHint(), nullptr);

    // Gone in the middle of the drag: the grab is let go and the site no longer calls into them.
    bare.guides.reset();
    EXPECT_NE(QWidget::mouseGrabber(), bare.site);
    EXPECT_FALSE(bare.site->OnPaintAfter);
    EXPECT_FALSE(bare.site->OnMouseDown);
    EXPECT_FALSE(bare.site->OnMouseMove);
    // The rulers' presses are their own again, and the site paints without the guides.
    QTest::mousePress(bare.top, Qt::LeftButton, {}, QPoint(40, 5));
    QTest::mouseRelease(bare.top, Qt::LeftButton, {}, QPoint(40, 5));
    bare.site->repaint();
}

} // namespace

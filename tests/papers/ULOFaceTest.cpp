#include "papers/ULOFace.h"

#include "papers/UPaperInfo.h"
#include "tests/pageobjects/engine/EngineTestObjects.h"

#include <QWidget>
#include <gtest/gtest.h>

namespace {

// Two faces of 800 x 800 side by side on a 2000 x 1000 paper, 100 from its edges, a gap of 200.
std::unique_ptr<TMatrixPaperInfo> TwoFacePaper() {
    auto paper = std::make_unique<TMatrixPaperInfo>(nullptr);
    paper->SetWidth(2000);
    paper->SetHeight(1000);
    paper->LeftOffset = paper->TopOffset = 100;
    paper->RightMargin = 200;
    paper->FaceCountX = 2;
    paper->FaceCountY = 1;
    paper->FaceWidth = paper->FaceHeight = 800;
    return paper;
}

struct PaperSiteFixture {
    QWidget parent;
    TPaperSite site{nullptr, &parent};
    int clicks = 0;

    explicit PaperSiteFixture(TPaperInfo* paper) {
        RegisterFaceClasses();
        parent.resize(400, 300);
        site.OnFaceClick = [this](TObject*) { ++clicks; };
        site.SetPaperInfo(paper);
    }
    // The site's pixel at a logical point.
    QPoint At(int x, int y) const { return site.LogToDev(TPoint(x, y)).ToQPoint(); }
};

} // namespace

TEST(PaperSite, SingleSelectionClicksReportOnlyChanges) {
    auto paper = TwoFacePaper();
    PaperSiteFixture f(paper.get());
    ASSERT_EQ(CountFaces(f.site), 2);
    EXPECT_EQ(f.site.GetSelectedFaceIndex(), -1);
    // Fitted inside the parent and centred.
    EXPECT_LE(f.site.width(), 400);
    EXPECT_LE(f.site.height(), 300);
    EXPECT_NEAR(f.site.x() + f.site.width() / 2, 200, 1);

    SendClick(&f.site, f.At(500, 500));
    EXPECT_EQ(f.site.GetSelectedFaceIndex(), 0);
    EXPECT_EQ(f.clicks, 1);
    SendClick(&f.site, f.At(1500, 500));
    EXPECT_EQ(f.site.GetSelectedFaceIndex(), 1);
    EXPECT_FALSE(GetFace(f.site, 0)->Selected());
    EXPECT_EQ(f.clicks, 2);
    // Again on the selected face: it stays selected and nothing changed.
    SendClick(&f.site, f.At(1500, 500));
    EXPECT_EQ(f.site.GetSelectedFaceIndex(), 1);
    EXPECT_EQ(f.clicks, 2);
    // Empty paper between the faces.
    SendClick(&f.site, f.At(1000, 500));
    EXPECT_EQ(f.clicks, 2);
}

TEST(PaperSite, MultipleSelectionToggles) {
    auto paper = TwoFacePaper();
    PaperSiteFixture f(paper.get());
    f.site.SetMultiSelect(true);
    ASSERT_EQ(CountFaces(f.site), 2);
    SendClick(&f.site, f.At(500, 500));
    SendClick(&f.site, f.At(1500, 500));
    EXPECT_TRUE(GetFace(f.site, 0)->Selected());
    EXPECT_TRUE(GetFace(f.site, 1)->Selected());
    SendClick(&f.site, f.At(500, 500));
    EXPECT_FALSE(GetFace(f.site, 0)->Selected());
    EXPECT_TRUE(GetFace(f.site, 1)->Selected());
    EXPECT_EQ(f.clicks, 3);
}

TEST(PaperSite, ADestroyedPaperIsForgotten) {
    auto paper = TwoFacePaper();
    PaperSiteFixture f(paper.get());
    paper.reset();
    EXPECT_EQ(f.site.PaperInfo(), nullptr);
    f.site.SetMultiSelect(true);
    EXPECT_EQ(CountFaces(f.site), 0);
}

TEST(PaperSite, EveryParentSizeHoldsTheWholePaper) {
    auto paper = TwoFacePaper();
    PaperSiteFixture f(paper.get());
    for (int w = 101; w < 700; w += 37) {
        f.parent.resize(w, w * 2 / 3 + 1);
        f.site.SetPaperInfo(paper.get());
        EXPECT_LE(f.site.width(), f.parent.width()) << w;
        EXPECT_LE(f.site.height(), f.parent.height()) << w;
        EXPECT_GE(f.site.x(), 0) << w;
    }
}

TEST(PaperSite, FixedFacesKeepTheirShapeOnASite) {
    RegisterFaceClasses();
    TDrawSite site(nullptr);
    auto paper = TwoFacePaper();
    CreateFaces(site, *paper, true, false);
    TLOFace* face = GetFace(site, 1);
    ASSERT_NE(face, nullptr);
    EXPECT_EQ(face->LogBounds(), TRect(1100, 100, 1900, 900));
    TFaceInfo other;
    other.Rect = TRect(0, 0, 10, 10);
    face->SetFaceInfo(other);
    face->SetLogRect(TRect(0, 0, 20, 20));
    EXPECT_EQ(face->LogBounds(), TRect(1100, 100, 1900, 900));
    EXPECT_EQ(face->FaceInfo().Rect, TRect(1100, 100, 1900, 900));
    face->Editable = true;
    face->SetLogRect(TRect(0, 0, 20, 20));
    EXPECT_EQ(face->FaceInfo().Rect, TRect(0, 0, 20, 20));
}

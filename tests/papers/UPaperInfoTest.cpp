#include "papers/UPaperInfo.h"

#include "platform/ComponentReader.h"
#include "platform/ComponentWriter.h"
#include "platform/Stream.h"
#include "tests/papers/PapersTestSupport.h"

#include <QRegion>
#include <gtest/gtest.h>
#include <random>

class PaperInfoTest : public ::testing::Test {
protected:
    void SetUp() override { RegisterPaperClasses(); }
};

TEST_F(PaperInfoTest, LandscapeSwapsTheSidesAndTurnsFaces) {
    auto paper = MakeGridPaper("p", 1, 1, 500, 500, 100, 200);
    paper->Landscape = true;
    EXPECT_EQ(paper->Width(), 2970);
    EXPECT_EQ(paper->Height(), 2100);
    paper->SetWidth(3000);
    EXPECT_EQ(paper->StoredHeight(), 3000);
    EXPECT_EQ(paper->StoredWidth(), 2100);
    // (100, 200, 600, 700) on a stored width of 2100.
    EXPECT_EQ(paper->GetFaceOuterRect(0), TRect(200, 1500, 700, 2000));

    paper->FaceShape = fsRectCD;
    paper->CutCenterWidth = 200;
    paper->CutCenterHeight = 300;
    TFaceInfo face;
    paper->GetFaceInfo(0, face);
    EXPECT_EQ(face.Rect, TRect(200, 1500, 700, 2000));
    EXPECT_EQ(face.CutCenterWidth, 300);
    EXPECT_EQ(face.CutCenterHeight, 200);
    EXPECT_EQ(face.FaceShape, fsRectCD);
}

TEST_F(PaperInfoTest, GridFacesRunRowByRowAndBadCountsGiveNone) {
    auto paper = MakeGridPaper("p", 2, 5, 910, 550, 140, 110);
    paper->RightMargin = 10;
    paper->BottomMargin = 20;
    ASSERT_EQ(paper->GetFaceCount(), 10);
    EXPECT_EQ(paper->GetFaceRect(0), TRect(140, 110, 1050, 660));
    EXPECT_EQ(paper->GetFaceRect(3), TRect(1060, 680, 1970, 1230));
    paper->FaceCountX = 0;
    EXPECT_EQ(paper->GetFaceCount(), 0);
    paper->FaceCountX = -3;
    EXPECT_EQ(paper->GetFaceCount(), 0);
    paper->FaceCountX = 70000;
    paper->FaceCountY = 70000;
    EXPECT_EQ(paper->GetFaceCount(), INT32_MAX) << "multiplied in 64 bits";
    EXPECT_FALSE(paper->IsSound());
    paper->FaceCountX = 200;
    paper->FaceCountY = 50;
    EXPECT_FALSE(paper->IsSound()) << "200 faces of 91 mm in a row reach beyond 10 m";
    paper->FaceWidth = 5;
    paper->FaceHeight = 5;
    paper->RightMargin = 0;
    paper->BottomMargin = 0;
    EXPECT_TRUE(paper->IsSound());
    paper->FaceCountY = 101;
    EXPECT_FALSE(paper->IsSound());
}

TEST_F(PaperInfoTest, FacesOutsideAndOverlapping) {
    auto paper = MakeGridPaper("p", 2, 1, 1000, 500, 50, 100);
    EXPECT_EQ(paper->FindFaceOutsidePaper(), -1) << "the second face ends exactly at 2050";
    paper->LeftOffset = 100;
    paper->FaceMargin = 0;
    EXPECT_EQ(paper->FindFaceOutsidePaper(), -1) << "ending exactly at the edge is inside";
    EXPECT_EQ(paper->FindOverlappingFace(), -1) << "touching faces do not overlap";
    paper->FaceMargin = 1;
    EXPECT_EQ(paper->FindFaceOutsidePaper(), 1);
    EXPECT_EQ(paper->FindOverlappingFace(), 1) << "their bleeds do";

    TFreePaperInfo free(nullptr);
    free.SetWidth(2100);
    free.SetHeight(2970);
    for (const TRect& r : {TRect(0, 0, 500, 500), TRect(500, 0, 1000, 500), TRect(0, 500, 500, 1000)}) {
        TFaceItem* item = free.Faces()->Add();
        item->Rect = r;
        item->FaceShape = fsEllipse;
    }
    EXPECT_EQ(free.FindOverlappingFace(), -1);
    free.Faces()->GetItem(2)->SetTop(499);
    EXPECT_EQ(free.Faces()->GetItem(2)->Rect, TRect(0, 499, 500, 999)) << "moved, size kept";
    EXPECT_EQ(free.FindOverlappingFace(), 2) << "one row of pixels in common";
}

// The answer of the plain union of every earlier face's region.
static int OverlapByUnion(const TPaperInfo& paper) {
    QRegion covered;
    TFaceInfo face;
    for (int i = 0; i < paper.GetFaceCount(); ++i) {
        paper.GetFaceInfo(i, face);
        const QRegion region = face.CreateRegion(nullptr, false);
        if (covered.intersects(region))
            return i;
        covered += region;
    }
    return -1;
}

TEST_F(PaperInfoTest, OverlapEqualsTheUnionOnRandomLayoutsAndNamesBothFaces) {
    std::mt19937 random(45);
    const auto pick = [&random](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    int overlapping = 0;
    for (int layout = 0; layout < 500; ++layout) {
        TFreePaperInfo free(nullptr);
        free.SetWidth(2000);
        free.SetHeight(2000);
        free.Landscape = layout % 7 == 0;
        const int faces = pick(1, 12);
        for (int i = 0; i < faces; ++i) {
            TFaceItem* item = free.Faces()->Add();
            const int left = pick(0, 1800), top = pick(0, 1800);
            item->Rect = TRect(left, top, left + pick(1, 400), top + pick(1, 400));
            item->FaceShape = TFaceShape(pick(0, kFaceShapeCount - 1));
            item->FaceMargin = pick(0, 3) == 0 ? pick(0, 30) : 0;
            item->RoundSize = pick(0, 150);
        }
        int earlier = -2;
        const int found = free.FindOverlappingFace(&earlier);
        ASSERT_EQ(found, OverlapByUnion(free)) << "layout " << layout;
        if (found < 0) {
            EXPECT_EQ(earlier, -1);
            continue;
        }
        ++overlapping;
        ASSERT_LT(earlier, found);
        TFaceInfo a, b;
        free.GetFaceInfo(earlier, a);
        free.GetFaceInfo(found, b);
        EXPECT_TRUE(a.CreateRegion(nullptr, false).intersects(b.CreateRegion(nullptr, false)));
    }
    EXPECT_GT(overlapping, 50) << "the layouts are to test both answers";
    EXPECT_LT(overlapping, 450);

    // Round faces that only touch pass; a grid with gaps makes no region at all, until bleeds meet.
    auto touching = MakeGridPaper("t", 10, 10, 100, 100, 0, 0);
    touching->FaceShape = fsEllipse;
    EXPECT_EQ(touching->FindOverlappingFace(), -1);
    auto grid = MakeGridPaper("g", 99, 99, 100, 100, 0, 0);
    grid->FaceShape = fsEllipse;
    grid->RightMargin = grid->BottomMargin = 10;
    EXPECT_EQ(grid->FindOverlappingFace(), -1);
    grid->FaceMargin = 6;
    int earlier = -1;
    EXPECT_EQ(grid->FindOverlappingFace(&earlier), 1) << "the bleeds of the first two faces meet";
    EXPECT_EQ(earlier, 0);
}

TEST_F(PaperInfoTest, HoleStoringRulesAndTheirGoldenBytes) {
    auto paper = MakeGridPaper("p", 1, 1);
    const QByteArray plain = StreamBytes(paper.get());
    EXPECT_FALSE(plain.contains("CutCenter")) << "410 x 410 stores nothing";
    EXPECT_FALSE(plain.contains("RoundSize")) << "100 is the default";

    paper->CutCenterWidth = paper->CutCenterHeight = 220;
    const QByteArray square = StreamBytes(paper.get());
    // The defined property comes after the published ones: name, Int16 220, then the ends of
    // the property list and of the (empty) child list.
    EXPECT_TRUE(square.endsWith(QByteArray("\x09"
                                           "CutCenter"
                                           "\x03\xDC\x00\x00\x00",
                                           15)));
    EXPECT_FALSE(square.contains("CutCenterWidth"));

    paper->CutCenterHeight = 300;
    const QByteArray both = StreamBytes(paper.get());
    EXPECT_TRUE(both.contains("CutCenterWidth"));
    EXPECT_TRUE(both.contains("CutCenterHeight"));
    EXPECT_FALSE(both.contains(QByteArray("\x09"
                                          "CutCenter"
                                          "\x03",
                                          11)));

    for (const QByteArray& bytes : {plain, square, both}) {
        std::unique_ptr<TComponent> back = ReadBack(bytes);
        EXPECT_EQ(StreamBytes(back.get()), bytes) << "round trip";
    }
    auto back = ReadBack(both);
    auto* m = dynamic_cast<TMatrixPaperInfo*>(back.get());
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->CutCenterWidth, 220);
    EXPECT_EQ(m->CutCenterHeight, 300);
}

TEST_F(PaperInfoTest, OldStreamsReadCutCenterZeroAndFaceType) {
    auto paper = MakeGridPaper("old", 1, 1);
    paper->CutCenterWidth = paper->CutCenterHeight = 220;
    QByteArray bytes = StreamBytes(paper.get());
    // "CutCenter" 0 (Int8), then "FaceType" 1 as an older writer stored them.
    const QByteArray tail("\x09"
                          "CutCenter"
                          "\x03\xDC\x00",
                          13);
    ASSERT_TRUE(bytes.contains(tail));
    bytes.replace(tail, QByteArray("\x09"
                                   "CutCenter"
                                   "\x02\x00"
                                   "\x08"
                                   "FaceType"
                                   "\x02\x01",
                                   23));
    std::unique_ptr<TComponent> back = ReadBack(bytes);
    auto* m = dynamic_cast<TMatrixPaperInfo*>(back.get());
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->CutCenterWidth, 410);
    EXPECT_EQ(m->CutCenterHeight, 410);
    EXPECT_EQ(m->FaceShape, fsDoughnut);
    EXPECT_EQ(m->FacePurpose, QStringLiteral("CD"));
    EXPECT_FALSE(StreamBytes(m).contains("FaceType")) << "never written";
}

TEST_F(PaperInfoTest, LandscapeAndFreeFacesSurviveARoundTrip) {
    TFreePaperInfo free(nullptr);
    free.PaperName = QStringLiteral("自由");
    free.SetWidth(1000);
    free.SetHeight(1480);
    free.Landscape = true;
    TFaceItem* item = free.Faces()->Add();
    item->Rect = TRect(10, 20, 310, 420);
    item->FaceShape = fsBarrelCD;
    item->CenterShape = csBarrel;
    item->FacePurpose = QStringLiteral("CD");
    item->CutCenterWidth = 150;
    free.PurposeList()->SetDefaults();
    free.StorePurposeList = true;
    const QByteArray bytes = StreamBytes(&free);
    std::unique_ptr<TComponent> back = ReadBack(bytes);
    auto* f = dynamic_cast<TFreePaperInfo*>(back.get());
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(f->Landscape);
    EXPECT_EQ(f->StoredWidth(), 1000) << "Landscape read before the sides";
    EXPECT_EQ(f->Width(), 1480);
    ASSERT_EQ(f->GetFaceCount(), 1);
    EXPECT_EQ(f->GetFaceRect(0), TRect(10, 20, 310, 420));
    EXPECT_EQ(f->GetCenterShape(0), csBarrel);
    EXPECT_EQ(f->GetCutCenterSize(0), TSize(150, 410));
    EXPECT_EQ(f->PurposeList()->Count(), 5);
    f->StorePurposeList = true;
    EXPECT_EQ(StreamBytes(f), bytes);

    TFreePaperInfo copy(nullptr);
    copy.Assign(f);
    EXPECT_EQ(copy.GetFaceShape(0), fsBarrelCD);
    EXPECT_EQ(copy.PaperName, f->PaperName);
    EXPECT_TRUE(copy.Landscape);
}

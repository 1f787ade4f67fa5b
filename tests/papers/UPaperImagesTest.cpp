#include "papers/UPaperImages.h"

#include "papers/UExtraPaperInfo.h"
#include "papers/ULabelData.h"
#include "papers/UPaperInfo.h"
#include "tests/pageobjects/engine/EngineTestObjects.h"
#include "tests/papers/PapersTestSupport.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(PaperImages, FaceSideModes) {
    EXPECT_TRUE(IsFaceSideMatch(1, false, 7));
    EXPECT_FALSE(IsFaceSideMatch(2, false, 0));
    EXPECT_TRUE(IsFaceSideMatch(2, true, 0));
    EXPECT_TRUE(IsFaceSideMatch(2, false, 1));
    EXPECT_FALSE(IsFaceSideMatch(2, true, 1));
    EXPECT_TRUE(IsFaceSideMatch(2, false, 3));
    EXPECT_FALSE(IsFaceSideMatch(2, false, 4));
    EXPECT_TRUE(IsFaceSideMatch(2, true, 4));
    EXPECT_FALSE(IsFaceSideMatch(2, true, -1));
    EXPECT_FALSE(IsFaceSideMatch(0, true, 0));
}

TEST(PaperImages, ScramblingTwiceGivesTheTextBack) {
    // "K" and "e" equal the key's first two bytes: their results would be 0.
    const QByteArray plain("Ke-pass");
    const QByteArray scrambled = ScrambleSettingBytes(plain);
    EXPECT_EQ(scrambled.left(2), QByteArray("Ke"));
    EXPECT_EQ(uint8_t(scrambled[2]), uint8_t('-' ^ 's'));
    EXPECT_EQ(ScrambleSettingBytes(scrambled), plain);
    EXPECT_TRUE(ScrambleSettingText(QString()).isEmpty());
    const QString text = QStringLiteral("パスワードKestrolYandewqKestrol!");
    const QString stored = ScrambleSettingText(text);
    EXPECT_NE(stored, text);
    EXPECT_EQ(UnscrambleSettingText(stored), text);
}

TEST(PaperImages, MirroringFaces) {
    TFreePaperInfo free(nullptr);
    free.SetWidth(2100);
    free.SetHeight(2970);
    TFaceItem* face = free.Faces()->Add();
    face->Rect = Bounds(100, 300, 500, 200);
    MirrorPaperFaces(free);
    EXPECT_EQ(face->Rect, Bounds(1500, 300, 500, 200));
    free.Landscape = true;
    MirrorPaperFaces(free);
    EXPECT_EQ(face->Rect, Bounds(1500, 2970 - 500, 500, 200))
        << "landscape mirrors the top in the used width";

    auto matrix = MakeGridPaper("m", 2, 5, 910, 550, 140, 110);
    matrix->FaceMargin = 5;
    MirrorPaperFaces(*matrix);
    EXPECT_EQ(matrix->LeftOffset, 2100 - 1960);
    matrix->LeftOffset = 130;
    MirrorPaperFaces(*matrix);
    MirrorPaperFaces(*matrix);
    EXPECT_EQ(matrix->LeftOffset, 130) << "twice restores";
}

TEST(PaperImages, TurningForLandscapeIsAQuarterTurnAboutTheFace) {
    RegisterTestClasses();
    auto paper = MakeGridPaper("p", 1, 1, 500, 500, 100, 200);
    paper->Landscape = true;
    // Face (100, 200, 600, 700) turned: (200, 1500, 700, 2000), centre (450, 1750).
    TTestRect centred(nullptr);
    centred.SetLogRect(TRect(440, 1740, 460, 1760));
    TTestRect right(nullptr);
    right.SetLogRect(TRect(540, 1740, 560, 1760));
    TDOList objects;
    objects.Add(&centred);
    objects.Add(&right);
    FlipObjectsForLandscape(objects, *paper, 0, false);
    EXPECT_EQ(centred.LogRect(), TRect(440, 1740, 460, 1760));
    // 100 right of the centre becomes 100 up (halves rounded up: 99).
    EXPECT_EQ(right.LogRect(), TRect(441, 1641, 461, 1661));
    EXPECT_EQ((right.Angle() % 360 + 360) % 360, 270);
    EXPECT_TRUE(paper->Landscape) << "the toggled position is restored";
}

TEST(PaperImages, ImagesGoOnTheSiteAsPaperImagesAndMarksCanBeRemoved) {
    RegisterTestClasses();
    auto paper = MakeGridPaper("p", 2, 1, 500, 500, 100, 200);
    TImagePaperInfo info(nullptr);
    for (int i = 0; i < 2; ++i) {
        TOwnedDOList list;
        auto rect = std::make_unique<TTestRect>(nullptr);
        rect->SetLogRect(TRect(0, 0, 50, 50));
        rect->SetLayerGroup(kPaperImageLayerGroup);
        list.Add(std::move(rect));
        info.SetImageObjects(i, list);
    }
    TDrawSite site(nullptr);
    site.SetLogWidth(2100);
    site.SetLogHeight(2970);
    ApplyPaperImagesToFaces(site, *paper, info, true, true);
    TDOList placed;
    site.ListObjects(placed, false);
    ASSERT_EQ(placed.Count(), 2);
    QList<TRect> rects;
    for (TDrawObject* object : placed) {
        EXPECT_FALSE(object->Selectable());
        EXPECT_FALSE(object->Enabled());
        rects.append(static_cast<TTestRect*>(object)->LogRect());
    }
    EXPECT_TRUE(rects.contains(TRect(100, 200, 150, 250)));
    EXPECT_TRUE(rects.contains(TRect(600, 200, 650, 250)));
    RemovePaperImageMarks(site);
    for (TDrawObject* object : placed)
        EXPECT_EQ(object->LayerGroup(), 0);

    // The stored objects themselves move to the site and leave the info.
    TDrawSite other(nullptr);
    ApplyPaperImagesToFaces(other, *paper, info, false, false);
    EXPECT_EQ(other.DrawObjectCount(), 2);
    EXPECT_TRUE(info.IsEmpty());

    TMatrixPaperInfo single(nullptr);
    paper->Landscape = true;
    MakeSingleFacePaper(*paper, single);
    EXPECT_EQ(single.GetFaceCount(), 1);
    EXPECT_EQ(single.GetFaceRect(0), TRect(0, 0, 2100, 2970));
    EXPECT_TRUE(single.Landscape);
    EXPECT_EQ(single.RoundSize, 0);
}

TEST(PaperImages, DocumentPagesBecomePaperImagesAndTheCurrentFacesArePlaced) {
    RegisterLabelDataClasses();
    RegisterTestClasses();
    QTemporaryDir dir;
    const QString file = dir.filePath("images.qld");
    TLabelData doc(nullptr);
    doc.SetPaperInfo(*MakeGridPaper("p", 2, 1, 500, 500, 100, 200));
    for (int face = 0; face < 2; ++face) {
        TOwnedDOList list;
        auto rect = std::make_unique<TTestRect>(nullptr);
        rect->SetLogRect(TRect(10 * face, 0, 50, 50));
        list.Add(std::move(rect));
        TDOList view;
        list.ListObjects(view);
        doc.StoreLabelObjects(face, view);
    }
    doc.SaveToFile(file);

    TImagePaperInfo info(nullptr);
    {
        TOwnedDOList old;
        old.Add(std::make_unique<TTestRect>(nullptr));
        info.SetImageObjects(0, old);
    }
    EXPECT_THROW(LoadPaperImages(dir.filePath("missing.qld"), info), Exception);
    EXPECT_EQ(info.ImageListCount(), 1);
    LoadPaperImages(file, info);
    EXPECT_EQ(info.LabelCount, 2);
    ASSERT_EQ(info.ImageListCount(), 2);
    TDOList refs;
    info.GetImageObjectRefs(1, refs);
    ASSERT_EQ(refs.Count(), 1);
    EXPECT_EQ(static_cast<TTestRect*>(refs[0])->LogRect(), TRect(10, 0, 50, 50));
    EXPECT_EQ(refs[0]->LayerGroup(), kPaperImageLayerGroup);
    EXPECT_FALSE(refs[0]->Selectable());
    EXPECT_FALSE(refs[0]->Enabled());

    // The site shows only the current face's images, turned on a landscape paper.
    TDrawSite site(nullptr);
    AddRect(site, TRect(0, 0, 5, 5));
    doc.CurrentLabelNo = 1;
    auto turned = MakeGridPaper("p", 2, 1, 500, 500, 100, 200);
    turned->Landscape = true;
    doc.SetPaperInfo(*turned);
    PlacePaperImagesOnSite(site, doc, info);
    TDOList placed;
    site.ListObjects(placed, false);
    ASSERT_EQ(placed.Count(), 1);
    EXPECT_EQ((static_cast<TTestRect*>(placed[0])->Angle() % 360 + 360) % 360, 270);
    EXPECT_FALSE(placed[0]->Selectable());
    EXPECT_FALSE(placed[0]->Enabled());
}

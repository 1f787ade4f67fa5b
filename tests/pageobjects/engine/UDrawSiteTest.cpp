#include "pageobjects/engine/UDrawSite.h"

#include "EngineTestObjects.h"
#include "pageobjects/engine/UGhost.h"
#include "platform/Application.h"
#include "platform/ClassRegistry.h"
#include "platform/Clipboard.h"
#include "platform/ComponentReader.h"
#include "platform/ComponentWriter.h"
#include "platform/Stream.h"
#include "tests/TestSupport.h"

#include <QCoreApplication>
#include <QPrinter>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>
#include <vector>

namespace {

// A site of 400 x 200 units where one unit is one screen pixel.
class DrawSiteTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetEngineGlobals();
        site.Scaler().SetUnitDPI(site.Canvas().PixelsPerInch());
        site.SetLogWidth(400);
        site.SetLogHeight(200);
        site.SetColor(clWhite);
        site.SetBorder(false);
    }

    std::vector<TDrawObject*> Selected() const {
        TDOList list;
        site.ListObjects(list, true);
        return std::vector<TDrawObject*>(list.begin(), list.end());
    }

    TDrawSite site{nullptr};
};

using Objects = std::vector<TDrawObject*>;

} // namespace

TEST_F(DrawSiteTest, PageSizeGivesThePixelSize) {
    ASSERT_EQ(site.Canvas().PixelsPerInch(), 96);
    int changed = 0;
    site.OnScalerChanged = [&](TObject*) { ++changed; };
    site.Scaler().SetUnitDPI(254);
    site.SetLogWidth(2100);
    site.SetLogHeight(2970);
    EXPECT_EQ(site.width(), 794);
    EXPECT_EQ(site.height(), 1123);
    EXPECT_EQ(changed, 3);
    EXPECT_EQ(site.GetLogClientRect(), TRect(0, 0, 2101, 2971));
    site.SetLogWidth(2100);
    EXPECT_EQ(changed, 3) << "an unchanged size does nothing";
}

TEST_F(DrawSiteTest, ZoomMovesTheObjects) {
    TTestRect* r = AddRect(site, TRect(100, 50, 200, 100));
    EXPECT_EQ(r->BoundsRect(), TRect(100, 50, 201, 101));
    site.Scaler().SetScale(200);
    EXPECT_EQ(site.width(), 800);
    EXPECT_EQ(r->BoundsRect(), TRect(200, 100, 401, 201));
    EXPECT_EQ(site.DevToLog(TPoint(300, 150)), TPoint(150, 75));
    EXPECT_EQ(site.ObjectAt(TPoint(150, 75)), r);
    EXPECT_EQ(site.ObjectAt(TPoint(200, 75)), nullptr);
}

TEST_F(DrawSiteTest, NoColourLeavesTheBackgroundToOnPaint) {
    site.SetColor(clNone);
    site.OnPaint = [&](TObject*) {
        TCanvas& c = site.Canvas();
        c.Brush() = TBrush{clYellow, bsSolid};
        c.FillRect(TRect(0, 0, 100, 100));
    };
    const QImage page = site.PageImage();
    EXPECT_EQ(PixelAt(page, 50, 50), clYellow);
    EXPECT_EQ(qAlpha(page.pixel(150, 150)), 0) << "untouched";
}

TEST_F(DrawSiteTest, ObjectEventsAreRelayedUnchanged) {
    TTestRect* r = AddRect(site, TRect(10, 10, 50, 50));
    std::vector<std::pair<TObject*, TGUID>> seen;
    TListener listener([&](TObject* sender, const TGUID& id) { seen.emplace_back(sender, id); });
    site.AddListener(&listener);
    r->SetFillColor(clBlue);
    r->SetSelected(true);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].first, static_cast<TObject*>(static_cast<TComponent*>(r)));
    EXPECT_EQ(seen[0].second, GUID_Changed);
    EXPECT_EQ(seen[1].second, GUID_SelectionChanged);
}

TEST_F(DrawSiteTest, DrawToSkipsHiddenObjectsAndReportsEveryChild) {
    TTestRect* shown = AddRect(site, TRect(10, 10, 50, 50), clBlue);
    TTestRect* hidden = AddRect(site, TRect(60, 10, 100, 50), clGreen);
    hidden->Hide();
    auto* pivot = new TPivot(shown, crDefault, 0);
    site.PlacePivot(pivot, TPoint(10, 10));
    EXPECT_EQ(pivot->BoundsRect(), TRect(8, 8, 13, 13));

    std::vector<int> progress;
    site.OnDrawToProgress = [&](TObject*, int index) { progress.push_back(index); };
    QImage image(400, 200, QImage::Format_RGB32);
    image.fill(Qt::white);
    TCanvas canvas(&image);
    site.DrawTo(canvas, TPoint(0, 0), 100);
    canvas.FreeHandle();
    EXPECT_EQ(progress, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(PixelAt(image, 30, 30), clBlue);
    EXPECT_EQ(PixelAt(image, 80, 30), clWhite);
}

TEST_F(DrawSiteTest, DrawToLeavesTheSitesOwnScaleAlone) {
    AddRect(site, TRect(100, 100, 200, 150), clBlue);
    int changed = 0;
    site.OnScalerChanged = [&](TObject*) { ++changed; };
    QImage image(300, 200, QImage::Format_RGB32);
    image.fill(Qt::white);
    TCanvas canvas(&image);
    site.DrawTo(canvas, TPoint(20, 10), 50);
    canvas.FreeHandle();
    EXPECT_EQ(site.Scaler().Scale(), 100);
    EXPECT_EQ(changed, 0);
    EXPECT_EQ(site.width(), 400);
    // At half size with the page's top-left at (20, 10): (70, 60) to (120, 85).
    EXPECT_EQ(PixelAt(image, 70, 60), clBlue);
    EXPECT_EQ(PixelAt(image, 119, 84), clBlue);
    EXPECT_EQ(PixelAt(image, 120, 85), clWhite);
    EXPECT_EQ(PixelAt(image, 69, 59), clWhite);
}

TEST_F(DrawSiteTest, DrawToAnImageAndToAPdfGivesTheSamePicture) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    AddRect(site, TRect(0, 0, 400, 200), RGB(230, 230, 230));
    AddRect(site, TRect(20, 20, 180, 120), clBlue);
    TTestRect* half = AddRect(site, TRect(100, 60, 300, 180), clRed);
    half->SetBlendRatio(50);
    TTestRect* hidden = AddRect(site, TRect(320, 20, 380, 80), clGreen);
    hidden->SetDontPrint(true);

    QImage image(400, 200, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        TCanvas canvas(&image);
        site.DrawTo(canvas, TPoint(0, 0), 100);
    }

    const QString pdf = dir.filePath(QStringLiteral("page.pdf"));
    {
        QPrinter printer(QPrinter::ScreenResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printer.setFullPage(true);
        printer.setPageSize(QPageSize(QSizeF(400 * 72.0 / 96, 200 * 72.0 / 96), QPageSize::Point));
        printer.setPageMargins(QMarginsF(0, 0, 0, 0));
        printer.setResolution(96);
        TCanvas canvas(&printer);
        site.DrawTo(canvas, TPoint(0, 0), 100);
    }
    REQUIRE_CHECKER(TestSupport::HasPdftoppm(), "pdftoppm");
    const QImage printed = TestSupport::RasterisePdf(pdf, 96);
    ASSERT_FALSE(printed.isNull()) << "pdftoppm failed";

    // The object that is not printed shows on the image only.
    EXPECT_EQ(PixelAt(image, 350, 50), clGreen);
    EXPECT_EQ(PixelAt(printed, 350, 50), RGB(230, 230, 230));
    // The half-transparent object is blended by the PDF renderer, whose rounding differs from
    // the blend rule's by one at most.
    EXPECT_TRUE(
        TestSupport::ImagesMatch(printed, image, 1, {.SkipEdges = true, .Ignore = QRegion(316, 16, 68, 68)}));
    // Half red over blue and over grey, by the blend rule (weight 128).
    EXPECT_EQ(PixelAt(image, 150, 100), RGB(128, 0, 127));
    EXPECT_EQ(PixelAt(image, 250, 150), RGB(242, 115, 115));
}

TEST_F(DrawSiteTest, ClickingSelectsAndShiftClickingExtendsAndReduces) {
    TTestRect* a = AddRect(site, TRect(10, 10, 60, 60));
    TTestRect* b = AddRect(site, TRect(100, 10, 150, 60));
    SendClick(&site, QPoint(30, 30));
    EXPECT_EQ(Selected(), (Objects{a}));
    SendClick(&site, QPoint(120, 30));
    EXPECT_EQ(Selected(), (Objects{b}));
    SendClick(&site, QPoint(30, 30), Qt::ShiftModifier);
    EXPECT_EQ(Selected(), (Objects{b, a}));
    SendClick(&site, QPoint(30, 30), Qt::ShiftModifier);
    EXPECT_EQ(Selected(), (Objects{b})) << "a shift click on a selected object without a drag deselects it";
    SendPress(&site, QPoint(30, 30), Qt::RightButton);
    SendRelease(&site, QPoint(30, 30), Qt::RightButton);
    EXPECT_TRUE(Selected().empty()) << "another button deselects everything";
}

TEST_F(DrawSiteTest, AnEarlierDragDoesNotStopAShiftClickFromDeselecting) {
    TTestRect* a = AddRect(site, TRect(10, 10, 60, 60));
    TTestRect* b = AddRect(site, TRect(100, 10, 150, 60));
    // A rubber band that moved; the presses below make no ghosts of their own.
    SendPress(&site, QPoint(5, 65));
    SendMove(&site, QPoint(40, 68));
    SendRelease(&site, QPoint(40, 68));
    a->SetSelected(true);
    b->SetSelected(true);
    SendClick(&site, QPoint(30, 30), Qt::ShiftModifier);
    EXPECT_EQ(Selected(), (Objects{b}));
}

TEST_F(DrawSiteTest, PressOnTheEmptyPageDeselectsAndDragsARubberBand) {
    TTestRect* a = AddRect(site, TRect(10, 10, 60, 60));
    TTestRect* b = AddRect(site, TRect(100, 10, 150, 60));
    TTestRect* c = AddRect(site, TRect(200, 10, 250, 60));
    c->SetSelected(true);
    int cleared = 0;
    site.OnClearGhost = [&](TObject*) { ++cleared; };
    SendPress(&site, QPoint(5, 5));
    EXPECT_TRUE(Selected().empty());
    EXPECT_TRUE(GhostList().IsSelectGhost());
    EXPECT_TRUE(GhostList().Active());
    SendMove(&site, QPoint(155, 70));
    // The band from (5, 5) to (155, 70) holds a (bounds up to 61) and b (up to 151) wholly.
    SendRelease(&site, QPoint(155, 70));
    EXPECT_EQ(Selected(), (Objects{b, a}));
    EXPECT_TRUE(GhostList().IsEmpty());
    EXPECT_EQ(cleared, 1);

    // With Shift the selection is kept and the band adds to it.
    SendPress(&site, QPoint(190, 5), Qt::LeftButton, Qt::ShiftModifier);
    SendMove(&site, QPoint(260, 70), Qt::LeftButton, Qt::ShiftModifier);
    SendRelease(&site, QPoint(260, 70), Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_EQ(Selected(), (Objects{c, b, a}));
}

TEST_F(DrawSiteTest, RubberBandStaysInsideTheSite) {
    SendPress(&site, QPoint(300, 100));
    SendMove(&site, QPoint(900, -50));
    ASSERT_TRUE(GhostList().IsSelectGhost());
    const auto* band = dynamic_cast<TSelectGhost*>(GhostList().Ghosts(0));
    EXPECT_EQ(band->CurrentPoint, TPoint(400, 0));
    site.CancelMode();
    EXPECT_TRUE(GhostList().IsEmpty()) << "a cancelled drag ends without effect";
}

TEST_F(DrawSiteTest, PressOnAnObjectAsksItsDesignerForGhosts) {
    TScopedDesigner designer;
    std::vector<std::pair<TDrawObject*, int>> asked;
    designer->onGhost = [&](TDrawObject* object, int handle) {
        asked.emplace_back(object, handle);
        return true;
    };
    TTestRect* a = AddRect(site, TRect(10, 10, 60, 60));
    TTestRect* b = AddRect(site, TRect(100, 10, 150, 60));
    TTestRect* fixed = AddRect(site, TRect(200, 10, 250, 60));
    fixed->SetMovable(false);
    a->SetSelected(true);
    b->SetSelected(true);
    fixed->SetSelected(true);
    SendPress(&site, QPoint(30, 30));
    // Several selected: every movable one moves as a whole, bottom-most first.
    EXPECT_EQ(asked, (std::vector<std::pair<TDrawObject*, int>>{{a, -1}, {b, -1}}));
    SendRelease(&site, QPoint(30, 30));
}

TEST_F(DrawSiteTest, KeysReachTheSitesHandlers) {
    TTestRect* a = AddRect(site, TRect(10, 10, 60, 60));
    TTestRect* b = AddRect(site, TRect(100, 10, 150, 60));
    site.OnKeyDown = [&](TObject*, int& key, TShiftState shift) {
        const int step = (shift & ssShift) != 0 ? 1 : 10;
        int dx = 0;
        int dy = 0;
        if (key == Qt::Key_Left)
            dx = -step;
        else if (key == Qt::Key_Right)
            dx = step;
        else if (key == Qt::Key_Down)
            dy = step;
        TDOList list;
        site.ListObjects(list, true);
        for (TDrawObject* object : list)
            if (object->Movable())
                Supports<IDOEncloseBounds>(static_cast<TObject*>(object))->MoveBy(dx, dy);
        key = 0;
    };
    SendClick(&site, QPoint(30, 30));
    SendKey(&site, Qt::Key_Right);
    SendKey(&site, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(a->LogRect(), TRect(20, 11, 70, 61));
    EXPECT_EQ(a->BoundsRect(), TRect(20, 11, 71, 62));
    EXPECT_EQ(b->LogRect(), TRect(100, 10, 150, 60));
}

TEST_F(DrawSiteTest, HandlesFollowTheSelection) {
    TScopedDesigner designer;
    designer->onPivots = [&](TDrawObject* object) {
        const TRect r = object->LogRect();
        site.PlacePivot(new TLabelPivot(object, crSizeAll, 0), r.TopLeft());
        site.PlacePivot(new TLabelPivot(object, crSizeAll, 7), r.BottomRight());
        return true;
    };
    TTestRect* a = AddRect(site, TRect(10, 10, 60, 60));
    AddRect(site, TRect(100, 10, 150, 60));
    SendClick(&site, QPoint(30, 30));
    QCoreApplication::processEvents();
    int pivots = 0;
    for (int i = 0; i < site.ControlCount(); ++i)
        if (auto* p = dynamic_cast<TPivot*>(site.Controls(i))) {
            ++pivots;
            EXPECT_EQ(p->DrawObject(), a);
            EXPECT_EQ(p->Size, 6);
        }
    EXPECT_EQ(pivots, 2);
    site.SelectAll(false);
    site.UpdatePivots();
    for (int i = 0; i < site.ControlCount(); ++i)
        EXPECT_EQ(dynamic_cast<TPivot*>(site.Controls(i)), nullptr);
}

TEST_F(DrawSiteTest, HandlesThatFailAfterASelectionAreReportedNotThrownIntoTheEventLoop) {
    TScopedDesigner designer;
    designer->onPivots = [](TDrawObject*) -> bool { throw EComponentError(QStringLiteral("no handles")); };
    int reported = 0;
    TApplication::SetOnException([&](TObject*, const std::exception&) { ++reported; });
    AddRect(site, TRect(10, 10, 60, 60))->SetSelected(true);
    QCoreApplication::processEvents();
    TApplication::SetOnException(nullptr);
    EXPECT_EQ(reported, 1);
}

TEST_F(DrawSiteTest, FitScaleTakesTheSmallerSide) {
    site.Scaler().SetUnitDPI(254);
    site.SetLogWidth(2540);
    site.SetLogHeight(1270);
    TCanvas canvas;
    canvas.SetPixelsPerInch(96);
    // The page is 960 x 480 pixels at 100 percent.
    EXPECT_EQ(site.CalcFitScale(canvas, TRect(0, 0, 480, 480), true, false), 50);
    EXPECT_EQ(site.CalcFitScale(canvas, TRect(0, 0, 480, 480), false, true), 100);
    EXPECT_EQ(site.CalcFitScale(canvas, TRect(0, 0, 480, 480), true, true), 50);
    EXPECT_EQ(site.CalcFitScale(canvas, TRect(0, 0, 480, 480), false, false), 100);
}

// ---- stored object lists

TEST_F(DrawSiteTest, ObjectListsRoundTripByteForByte) {
    TDOList list;
    TTestRect a(nullptr);
    a.SetName(QStringLiteral("Frame1"));
    a.SetLogRect(TRect(10, 20, 110, 220));
    a.SetFillColor(clBlue);
    a.SetBlendRatio(60);
    a.SetMovable(false);
    a.Appendix()->Add(QStringLiteral("key=value"));
    TTestRect b(nullptr);
    b.SetLogRect(TRect(-5, -5, 5, 5));
    b.SetDontPrint(true);
    b.SetLayerGroup(-50);
    list.Add(&a);
    list.Add(&b);
    TMemoryStream first;
    list.SaveToStream(first);

    first.Seek(0, TSeekOrigin::soBeginning);
    TOwnedDOList read;
    read.LoadFromStream(first);
    ASSERT_EQ(read.Count(), 2);
    auto* ra = dynamic_cast<TTestRect*>(read[0]);
    auto* rb = dynamic_cast<TTestRect*>(read[1]);
    ASSERT_TRUE(ra && rb);
    EXPECT_EQ(ra->Name(), QStringLiteral("Frame1"));
    EXPECT_EQ(ra->LogRect(), TRect(10, 20, 110, 220));
    EXPECT_EQ(ra->FillColor(), clBlue);
    EXPECT_EQ(ra->BlendRatio(), 60);
    EXPECT_FALSE(ra->Movable());
    EXPECT_EQ(ra->Appendix()->Text(), QStringLiteral("key=value\r\n"));
    EXPECT_EQ(rb->LogRect(), TRect(-5, -5, 5, 5));
    EXPECT_TRUE(rb->DontPrint());
    EXPECT_EQ(rb->LayerGroup(), -50);

    TMemoryStream second;
    read.SaveToStream(second);
    EXPECT_EQ(second.Data(), first.Data());
}

TEST_F(DrawSiteTest, StoredListsPassOverComponentsThatAreNoDrawObjects) {
    TMemoryStream stream;
    stream.WriteInt32(3);
    TTestRect a(nullptr);
    a.SetLogRect(TRect(1, 2, 3, 4));
    WriteComponent(stream, &a);
    TTestThing thing(nullptr);
    thing.SetValue(42);
    WriteComponent(stream, &thing);
    TTestRect b(nullptr);
    b.SetFillColor(clGreen);
    WriteComponent(stream, &b);
    stream.Seek(0, TSeekOrigin::soBeginning);
    TOwnedDOList list;
    list.LoadFromStream(stream);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list[0]->LogRect(), TRect(1, 2, 3, 4));
    EXPECT_EQ(dynamic_cast<TTestRect*>(list[1])->FillColor(), clGreen);
    EXPECT_EQ(stream.GetPosition(), stream.GetSize());
}

TEST_F(DrawSiteTest, DamagedStoredListsFailCleanly) {
    TDOList good;
    TTestRect a(nullptr);
    a.SetLogRect(TRect(1, 2, 3, 4));
    good.Add(&a);
    good.Add(&a);
    TMemoryStream stream;
    good.SaveToStream(stream);
    const QByteArray bytes = stream.Data();

    for (qsizetype cut = 0; cut < bytes.size(); ++cut) {
        TMemoryStream damaged(bytes.left(cut));
        TOwnedDOList list;
        EXPECT_THROW(list.LoadFromStream(damaged), EReadError) << "cut at " << cut;
        EXPECT_EQ(list.Count(), 0);
    }
    for (int32_t count : {-1, 2000000000, 100001}) {
        TMemoryStream claim;
        claim.WriteInt32(count);
        claim.WriteBytes(bytes.mid(4));
        claim.Seek(0, TSeekOrigin::soBeginning);
        TOwnedDOList list;
        EXPECT_THROW(list.LoadFromStream(claim), EReadError) << count;
    }
}

TEST_F(DrawSiteTest, ObjectListsTravelThroughTheClipboard) {
    const unsigned format = RegisterClipboardFormat(QStringLiteral("EngineTestObjects"));
    Clipboard::SetText(QStringLiteral("plain"));
    TOwnedDOList unchanged;
    unchanged.Add(std::make_unique<TTestRect>(nullptr));
    unchanged.LoadFromClipboard(format);
    EXPECT_EQ(unchanged.Count(), 1) << "no data of the format leaves the list as it was";

    TTestRect* a = AddRect(site, TRect(10, 10, 60, 60), clBlue);
    a->SetName(QStringLiteral("Blue"));
    TDOList list;
    list.Add(a);
    list.CopyToClipboard(format);
    EXPECT_TRUE(Clipboard::HasFormat(format));
    EXPECT_EQ(Clipboard::Formats(), (std::vector<unsigned>{format}));

    TOwnedDOList pasted;
    pasted.LoadFromClipboard(format);
    ASSERT_EQ(pasted.Count(), 1);
    EXPECT_NE(pasted[0], a);
    EXPECT_EQ(pasted[0]->Name(), QStringLiteral("Blue"));
    EXPECT_EQ(pasted[0]->LogRect(), TRect(10, 10, 60, 60));
    EXPECT_EQ(pasted[0]->Owner(), nullptr);
}

TEST_F(DrawSiteTest, SiteStoresItsObjectsAsChildren) {
    RegisterTestClasses();
    site.SetName(QStringLiteral("Page"));
    AddRect(site, TRect(10, 10, 60, 60), clBlue)->SetName(QStringLiteral("R1"));
    AddRect(site, TRect(20, 20, 80, 90), clGreen)->SetName(QStringLiteral("R2"));
    site.SetModified(true);
    TMemoryStream stream;
    WriteComponent(stream, &site);
    stream.Seek(0, TSeekOrigin::soBeginning);
    std::unique_ptr<TDrawSite> read = ReadComponentAs<TDrawSite>(stream);
    EXPECT_EQ(read->LogWidth(), 400);
    EXPECT_EQ(read->LogHeight(), 200);
    EXPECT_EQ(read->Scaler().UnitDPI(), 96);
    EXPECT_FALSE(read->Modified());
    ASSERT_EQ(read->DrawObjectCount(), 2);
    auto* r2 = dynamic_cast<TTestRect*>(read->Controls(1));
    ASSERT_NE(r2, nullptr);
    EXPECT_EQ(r2->Name(), QStringLiteral("R2"));
    EXPECT_EQ(r2->Owner(), read.get());
    EXPECT_EQ(r2->BoundsRect(), TRect(20, 20, 81, 91));
}

TEST_F(DrawSiteTest, SiteWithoutPageSizeTakesItFromItsPixels) {
    TDrawSite source(nullptr);
    source.Scaler().SetUnitDPI(254);
    source.resize(96, 48);
    TMemoryStream stream;
    WriteComponent(stream, &source);
    stream.Seek(0, TSeekOrigin::soBeginning);
    std::unique_ptr<TDrawSite> read = ReadComponentAs<TDrawSite>(stream);
    EXPECT_EQ(read->LogWidth(), 254);
    EXPECT_EQ(read->LogHeight(), 127);
}

TEST_F(DrawSiteTest, HandWrittenStoredListLoads) {
    // The corpus's valid list, written byte by byte from the stored form, names its class
    // "TFuzzRect"; here that name stands for the test rectangle.
    if (GetClass(QStringLiteral("TFuzzRect")) == nullptr)
        RegisterClassAlias(TTestRect::StaticClass(), QStringLiteral("TFuzzRect"));
    TMemoryStream stream(
        TestSupport::ReadFile(TestSupport::SourcePath(QStringLiteral("fuzz/dolist/corpus/valid_two"))));
    TOwnedDOList list;
    list.LoadFromStream(stream);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list[0]->Name(), QStringLiteral("A"));
    EXPECT_EQ(list[0]->LogRect(), TRect(10, 20, 110, 70));
    auto* b = dynamic_cast<TTestRect*>(list[1]);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->LogRect(), TRect(-5, -5, 2995, 69995));
    EXPECT_EQ(b->Appendix()->Text(), QStringLiteral("key=value\r\nx\r\n"));
    EXPECT_TRUE(b->DontPrint());
    EXPECT_EQ(b->BlendRatio(), 40);
    EXPECT_FALSE(b->Movable());
    EXPECT_EQ(stream.GetPosition(), stream.GetSize());
}

TEST_F(DrawSiteTest, DragFeedbackIsDrawnOverThePageAndLeavesNoTrace) {
    TScopedDesigner designer;
    designer->onPivots = [&](TDrawObject* object) {
        site.PlacePivot(new TLabelPivot(object, crSizeAll, 0), object->LogRect().TopLeft());
        return true;
    };
    TTestRect* a = AddRect(site, TRect(100, 50, 200, 150), clBlue);
    const QImage clean = site.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage page = site.PageImage();

    SendPress(&site, QPoint(20, 20));
    SendMove(&site, QPoint(60, 40));
    const QImage dragging = site.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(site.PageImage(), page) << "the page image is not touched by the band";
    // The band's outline inverts what lies beneath (dots of white xor white = black).
    int changed = 0;
    for (int x = 20; x < 60; ++x)
        changed += dragging.pixel(x, 20) != clean.pixel(x, 20);
    EXPECT_GT(changed, 10);
    EXPECT_EQ(dragging.pixel(40, 30), clean.pixel(40, 30)) << "inside the band nothing changes";
    SendRelease(&site, QPoint(60, 40));
    const QImage after = site.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(after, clean) << "no trail";

    SendClick(&site, QPoint(150, 100));
    QCoreApplication::processEvents();
    ASSERT_TRUE(a->Selected());
    const QImage handles = site.grab().toImage().convertToFormat(QImage::Format_RGB32);
    // A 6-pixel handle centred on (100, 50): black inside a white frame.
    EXPECT_EQ(PixelAt(handles, 98, 48), clBlack);
    EXPECT_EQ(PixelAt(handles, 97, 47), clWhite);
    EXPECT_EQ(PixelAt(handles, 102, 52), clWhite);
    EXPECT_EQ(PixelAt(handles, 120, 70), clBlue);
}

TEST_F(DrawSiteTest, TilesJoinIntoThePageDrawToGivesAndRenderAgainOnlyWhereChanged) {
    site.SetLogWidth(600);
    site.SetLogHeight(400);
    // Objects across tile edges (at 256), one of them blended over the others.
    AddRect(site, TRect(200, 200, 320, 300), clBlue);
    TTestRect* half = AddRect(site, TRect(240, 100, 560, 280), clRed);
    half->SetBlendRatio(50);
    TTestRect* corner = AddRect(site, TRect(10, 10, 40, 40), clGreen);
    QImage drawn(600, 400, QImage::Format_RGB32);
    drawn.fill(Qt::white);
    {
        TCanvas canvas(&drawn);
        site.DrawTo(canvas, TPoint(0, 0), 100);
    }
    EXPECT_TRUE(TestSupport::ImagesMatch(site.PageImage(), drawn, 0, {}));
    EXPECT_EQ(site.PageTileCount(), 6);
    const QImage part = site.PageImage(TRect(230, 90, 330, 310));
    EXPECT_EQ(part, drawn.copy(230, 90, 100, 220));

    // A change inside one tile renders that tile again, and only where the object was.
    const int64_t rendered = site.TilesRendered();
    corner->SetFillColor(clYellow);
    EXPECT_EQ(PixelAt(site.PageImage(), 20, 20), clYellow);
    EXPECT_EQ(site.TilesRendered(), rendered + 1);
}

TEST_F(DrawSiteTest, TheCacheOfAnA3PageAt800PercentStaysWithinItsBudget) {
    QWidget view;
    view.resize(1600, 1000);
    site.setParent(&view);
    site.Scaler().SetUnitDPI(254);
    site.SetLogWidth(2970);
    site.SetLogHeight(4200);
    AddRect(site, TRect(100, 100, 2870, 4100), clBlue);
    site.Scaler().SetScale(800);
    EXPECT_GT(int64_t(site.width()) * site.height() * 4, 400'000'000) << "a whole-page image would be huge";
    const int64_t budget = site.PageCacheBudgetBytes();
    EXPECT_LT(budget, 64 << 20);
    // Scrolled corner to corner.
    for (int step = 0; step <= 16; ++step) {
        const int x = (site.width() - 1600) * step / 16, y = (site.height() - 1000) * step / 16;
        const QImage shown = site.PageImage(TRect(x, y, x + 1600, y + 1000));
        EXPECT_LE(site.PageCacheBytes(), budget) << step;
        if (step == 8) {
            EXPECT_EQ(PixelAt(shown, 800, 500), clBlue);
        }
    }
    EXPECT_GT(site.PageTileCount(), 40) << "views scrolled past stay while the budget allows";
    site.setParent(nullptr);
}

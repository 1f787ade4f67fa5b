// The layout editor: its rules, and a page shown, edited and stored through the main window.

#include "app/FLayout.h"
#include "app/FMain.h"
#include "app/FPages.h"
#include "app/FSheet.h"
#include "app/ULayoutGuides.h"
#include "app/UModeRegistry.h"
#include "app/dialogs/FPaperSelectBase.h"
#include "app/dialogs/FPaperSelectPanel.h"
#include "controls/UFormPanel.h"
#include "controls/Exscrbox.h"
#include "controls/Ruler.h"
#include "core/USupportUtil.h"
#include "imaging/UPictureEX.h"
#include "imaging/UPictureUtil.h"
#include "imaging/UZLIB.h"
#include "pageobjects/engine/UAction.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/engine/UExtraDSA.h"
#include "pageobjects/engine/UGrid.h"
#include "pageobjects/engine/UGuide.h"
#include "pageobjects/engine/ULORectBase.h"
#include "pageobjects/engine/UMoveGhost.h"
#include "pageobjects/engine/UUniversalGhost.h"
#include "pageobjects/layout/UDOGroup.h"
#include "pageobjects/layout/ULOAlbumPhoto.h"
#include "pageobjects/layout/ULOBackImage.h"
#include "pageobjects/layout/ULOImage.h"
#include "pageobjects/layout/ULORect.h"
#include "pageobjects/layout/ULOText.h"
#include "pageobjects/layout/ULOWizardText.h"
#include "papers/UExtraPaperInfo.h"
#include "papers/ULabelData.h"
#include "papers/UPaperInfo.h"
#include "papers/UPapers.h"
#include "platform/Application.h"
#include "platform/ClassRegistry.h"
#include "platform/Clipboard.h"
#include "platform/Metafile.h"
#include "platform/Stream.h"
#include "tests/TestSupport.h"
#include "tests/app/AppTestSupport.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <array>
#include <bit>
#include <functional>
#include <set>
#include <string>
#include <tuple>

namespace {

TEST(LayoutRules, PageStripWithAndWithoutCovers) {
    // Five sheets: two cover fourSlots and three pages.
    EXPECT_EQ(PageStripCellCount(5, false, false), 3);
    EXPECT_EQ(PageStripCellCount(5, true, true), 5);
    EXPECT_EQ(PageStripColToSheet(0, 5, false, false), 2);
    EXPECT_EQ(PageStripColToSheet(2, 5, false, false), 4);
    EXPECT_EQ(PageStripColToSheet(0, 5, true, true), 0);
    EXPECT_EQ(PageStripColToSheet(1, 5, true, true), 2);
    EXPECT_EQ(PageStripColToSheet(4, 5, true, true), 1);
    EXPECT_EQ(PageStripColToSheet(3, 5, false, true), 1);
    for (const bool front : {false, true})
        for (const bool back : {false, true})
            for (int col = 0; col < PageStripCellCount(5, front, back); ++col)
                EXPECT_EQ(PageStripSheetToCol(PageStripColToSheet(col, 5, front, back), 5, front, back), col);
    EXPECT_EQ(PageStripCaption(0, 5, true, true), QStringLiteral("表"));
    EXPECT_EQ(PageStripCaption(1, 5, true, true), QStringLiteral("1"));
    EXPECT_EQ(PageStripCaption(4, 5, true, true), QStringLiteral("裏"));
    EXPECT_EQ(PageStripCaption(0, 5, false, false), QStringLiteral("1"));
    EXPECT_EQ(PageLabelText(0, 5, true, false), QStringLiteral("表表紙"));
    EXPECT_EQ(PageLabelText(1, 5, false, true), QStringLiteral("裏表紙"));
    EXPECT_EQ(PageLabelText(3, 5, true, true), QStringLiteral("2/3"));
}

TEST(LayoutRules, BackSidePages) {
    for (int sheet = 0; sheet < 6; ++sheet) {
        EXPECT_FALSE(IsBackSidePage(fsFront, false, sheet));
        EXPECT_TRUE(IsBackSidePage(fsBack, true, sheet));
        // Portrait: sheet 1 and odd sheets; landscape: sheet 0 and even sheets.
        EXPECT_EQ(IsBackSidePage(fsBoth, false, sheet), sheet % 2 == 1) << sheet;
        EXPECT_EQ(IsBackSidePage(fsBoth, true, sheet), sheet % 2 == 0) << sheet;
    }
}

TEST(LayoutRules, ZoomStepsAndAutoScale) {
    EXPECT_EQ(NextZoomStep(400, true), 400);
    EXPECT_EQ(NextZoomStep(25, false), 25);
    EXPECT_EQ(NextZoomStep(83, true), 100);
    EXPECT_EQ(NextZoomStep(83, false), 75);
    EXPECT_EQ(NextZoomStep(100, true), 150);
    EXPECT_EQ(NextZoomStep(100, false), 75);
    EXPECT_EQ(ClampAutoScale(0), 1);
    EXPECT_EQ(ClampAutoScale(-40), 1);
    EXPECT_EQ(ClampAutoScale(83), 83);
    EXPECT_EQ(FormatTenthsMm(123), QStringLiteral("12.3mm"));
    EXPECT_EQ(FormatTenthsMm(-5), QStringLiteral("-0.5mm"));
}

TEST(LayoutRules, AlignAndDistribute) {
    // Centres at 100, 300 and 250: ordered 100, 250, 300, gaps equal between the outer edges.
    const std::vector<TRect> three{TRect(50, 0, 150, 10), TRect(280, 0, 320, 10), TRect(200, 0, 300, 10)};
    const std::vector<TPoint> spaced = AlignOffsets(three, omHorzSpacing);
    // Widths 100 + 40 + 100 in a span of 270: two gaps of 15.
    EXPECT_EQ(spaced[0], TPoint(0, 0));
    EXPECT_EQ(spaced[2], TPoint(165 - 200, 0));
    EXPECT_EQ(spaced[1], TPoint(280 - 280, 0));
    // Negative centres sort before positive ones.
    const std::vector<TRect> negative{TRect(100, 0, 120, 10), TRect(-300, 0, -280, 10), TRect(0, 0, 20, 10)};
    const std::vector<TPoint> ordered = AlignOffsets(negative, omHorzSpacing);
    EXPECT_EQ(ordered[1], TPoint(0, 0));
    EXPECT_EQ(ordered[0], TPoint(0, 0));
    EXPECT_EQ(ordered[2], TPoint(-100 - 0, 0)) << "halfway between -300 and 120, less half its width";
    // Equal centres: only the first takes part; with one distinct centre nothing moves.
    const std::vector<TRect> same{TRect(0, 0, 10, 10), TRect(-5, 20, 15, 30), TRect(100, 0, 110, 10)};
    const std::vector<TPoint> firstOnly = AlignOffsets(same, omHorzSpacing);
    EXPECT_EQ(firstOnly[1], TPoint(0, 0));
    const std::vector<TRect> stacked{TRect(0, 0, 10, 10), TRect(-5, 20, 15, 30)};
    for (const TPoint& offset : AlignOffsets(stacked, omHorzSpacing))
        EXPECT_EQ(offset, TPoint(0, 0));
    EXPECT_EQ(AlignOffsets(stacked, omLeft)[0], TPoint(-5, 0));
    EXPECT_EQ(AlignOffsets(stacked, omBottom)[0], TPoint(0, 20));
    EXPECT_EQ(AlignOffsets(stacked, omHorzCentre)[1], TPoint(0, 0));
    EXPECT_EQ(AlignOffsets(stacked, omVertCentre)[0], TPoint(0, 10));
}

QByteArray StoredForm(const TDOList& list) {
    TMemoryStream stream;
    list.SaveToStream(stream);
    return stream.Data();
}

// The page's own objects (paper images left out), topmost first.
void PageObjects(TDrawSite& site, TDOList& list) {
    TDOList all;
    site.ListObjects(all, false);
    for (TDrawObject* object : all)
        if (object->LayerGroup() >= 0)
            list.Add(object);
}

// A JPEG photo of w x h pixels in folder.
QString WriteJpeg(const QTemporaryDir& folder, const QString& name, int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(QColor(40, 120, 200));
    const QString path = folder.filePath(name);
    image.save(path, "JPG");
    return path;
}

std::unique_ptr<TPictureEx> SamplePicture(const QTemporaryDir& folder) {
    auto picture = std::make_unique<TPictureEx>();
    LoadPictureFile(nullptr, picture.get(), WriteJpeg(folder, QStringLiteral("sample.jpg"), 60, 40));
    return picture;
}

std::vector<TRect> Rects(const TDOList& list) {
    std::vector<TRect> rects;
    for (TDrawObject* object : list)
        rects.push_back(static_cast<TLORectBase*>(object)->LogBounds());
    std::sort(rects.begin(), rects.end(), [](const TRect& a, const TRect& b) {
        return std::tie(a.Left, a.Top) < std::tie(b.Left, b.Top);
    });
    return rects;
}

class LayoutEditorTest : public AppFixture {
protected:
    void SetUp() override {
        RegisterPageClasses();
        main = StartMainWindow();
        ASSERT_NE(main, nullptr);
        main->resize(900, 700);
    }
    TfrmLayout* Editor() const { return qobject_cast<TfrmLayout*>(main->HostedForm()); }
    // A new document leads to paper selection; the editor follows on the default paper.
    void NewDocument() {
        main->actNew->trigger();
        main->actLayout->trigger();
    }

    QTemporaryDir folder;
    TfrmMain* main = nullptr;
};

TEST_F(LayoutEditorTest, NewShowsThePageAndAnEditSurvivesSaveAndOpen) {
    NewDocument();
    ASSERT_EQ(main->HostedKind(), mkLayout);
    TfrmLayout* editor = Editor();
    ASSERT_NE(editor, nullptr);
    TLabelData* document = main->Document();
    EXPECT_EQ(editor->Document(), document);
    EXPECT_EQ(document->CurrentSheetNo(), 2);
    EXPECT_EQ(editor->lblPage->text(), QStringLiteral("1/1"));
    // F1 on the page or on the main window's own parts asks for the editor's help page.
    EXPECT_EQ(HelpContextOf(editor->DrawSite1), 5010);
    EXPECT_EQ(HelpContextOf(main->StatusBar), 5010);
    const TRect outer = document->GetLayoutPaper()->GetFaceOuterRect(0);
    EXPECT_EQ(editor->DrawSite1->LogWidth(), outer.Width());
    EXPECT_EQ(editor->DrawSite1->LogHeight(), outer.Height());
    EXPECT_EQ(editor->rulerTop->RulerLength(), outer.Width() / 10);
    EXPECT_TRUE(document->FaceInit);
    EXPECT_TRUE(document->FaceModified) << "frames were made: the page is written on the next commit";
    EXPECT_FALSE(main->Document()->Modified());

    // The user draws a rectangle.
    auto rect = std::make_unique<TLORect>(nullptr);
    rect->SetLogRect(TRect(100, 200, 600, 500));
    editor->DrawSite1->AdoptObject(std::move(rect));
    EXPECT_TRUE(editor->IsModified());
    TDOList page;
    PageObjects(*editor->DrawSite1, page);
    const QByteArray shown = StoredForm(page);

    const QString path = folder.filePath(QStringLiteral("page.qld"));
    dialogs.files = {path};
    main->actSaveAs->trigger();
    EXPECT_FALSE(editor->IsModified()) << "the page went into the document before saving";
    EXPECT_FALSE(document->FaceModified);

    NewDocument();
    TDOList empty;
    PageObjects(*Editor()->DrawSite1, empty);
    EXPECT_EQ(empty.Count(), page.Count() - 1) << "a new document's page has only its frames";
    const int64_t pageBytes = [&] {
        TLabelData stored(nullptr);
        stored.LoadFromFile(path);
        return stored.OpenLabelStream(0, false, true)->GetSize();
    }();
    const int64_t inflated = ZLIBInflatedBytes();
    ASSERT_TRUE(main->OpenDocument(path));
    EXPECT_EQ(ZLIBInflatedBytes() - inflated, pageBytes)
        << "the open checks the page the editor shows: unpacked once";
    ASSERT_NE(Editor(), nullptr);
    TDOList reopened;
    PageObjects(*Editor()->DrawSite1, reopened);
    EXPECT_EQ(StoredForm(reopened), shown);
    EXPECT_FALSE(Editor()->IsModified());

    // Zoom keeps the rulers with the site.
    Editor()->SetZoom(200);
    EXPECT_EQ(Editor()->DrawSite1->Scaler().Scale(), 200);
    EXPECT_EQ(Editor()->rulerTop->Scale(), 200);
    Editor()->Magnify();
    EXPECT_EQ(Editor()->Scale(), 400);
    Editor()->Magnify();
    EXPECT_EQ(Editor()->Scale(), 400);
    Editor()->SetAutoScale();
    EXPECT_GE(Editor()->Scale(), 1);
    if (qEnvironmentVariableIsSet("QUORLANE_GRAB"))
        main->grab().save(qEnvironmentVariable("QUORLANE_GRAB"));
}

TEST_F(LayoutEditorTest, AnEmptyPageVisitedIsWrittenAndAViewShrunkToNothingStaysAtOnePercent) {
    NewDocument();
    TfrmLayout* editor = Editor();
    ASSERT_NE(editor, nullptr);
    TLabelData* document = main->Document();
    editor->CommitPage();
    document->AddSheet();
    const int added = document->CurrentSheetNo();
    document->FaceInit = false;
    // The new sheet (3) is a back-side page of a two-sided album.
    UseFourSlots(*document);
    document->SetCurrentSheetNo(2);
    editor->GoToPage(added);
    ASSERT_EQ(document->CurrentSheetNo(), added);
    EXPECT_EQ(editor->lblPage->text(), QStringLiteral("2/2"));
    TDOList frames;
    PageObjects(*editor->DrawSite1, frames);
    ASSERT_EQ(frames.Count(), 4);
    std::vector<TRect> placed;
    for (TDrawObject* frame : frames)
        placed.push_back(static_cast<TLOAlbumPhoto*>(frame)->LogRect());
    // Mirrored across the sheet: the top-left slot lies at the right.
    EXPECT_NE(std::find(placed.begin(), placed.end(), TRect(1100, 300, 1900, 1300)), placed.end());
    EXPECT_NE(std::find(placed.begin(), placed.end(), TRect(200, 1400, 1000, 2400)), placed.end());
    const QByteArray made = StoredForm(frames);
    // Leaving it unchanged still writes its frames.
    editor->GoToPage(2);
    EXPECT_EQ(editor->lblPage->text(), QStringLiteral("1/2"));
    editor->GoToPage(added);
    TDOList back;
    PageObjects(*editor->DrawSite1, back);
    EXPECT_EQ(StoredForm(back), made);
    EXPECT_FALSE(document->FaceModified);

    editor->ScrollBox1->resize(0, 0);
    editor->SetAutoScale();
    EXPECT_EQ(editor->Scale(), 1);
}

// Rectangles sorted and told as text, for messages that say where.
std::string Described(std::vector<TRect> rects) {
    std::sort(rects.begin(), rects.end(), [](const TRect& a, const TRect& b) {
        return std::tie(a.Left, a.Top) < std::tie(b.Left, b.Top);
    });
    std::string text;
    for (const TRect& r : rects)
        text += "(" + std::to_string(r.Left) + "," + std::to_string(r.Top) + ")-(" + std::to_string(r.Right) +
                "," + std::to_string(r.Bottom) + ") ";
    return text;
}

// The photo frames of a page.
std::string FrameRects(TDrawSite& site) {
    TDOList all, frames;
    site.ListObjects(all, false);
    for (TDrawObject* object : all)
        if (dynamic_cast<TLOAlbumPhoto*>(object) != nullptr)
            frames.Add(object);
    return Described(Rects(frames));
}

// What sets a paper's faces apart for the editor: free or grid, a grid of one face, one column, one
// row or more, the face count's order of magnitude, the shape, whether a face spans the sheet's width
// (height), half of it or less, and the sheet. Makers' papers alike in all of it meet the editor
// alike, so the first of each kind is walked; our own papers are walked every one.
using PaperKind = std::array<int, 9>;
PaperKind KindOf(const TPaperInfo& paper) {
    const auto* grid = dynamic_cast<const TMatrixPaperInfo*>(&paper);
    const int count = paper.GetFaceCount();
    const TRect face = count > 0 ? paper.GetFaceOuterRect(0) : TRect();
    const auto share = [](int side, int sheet) { return side >= sheet ? 2 : 2 * side >= sheet ? 1 : 0; };
    return {grid == nullptr,
            grid ? std::min(grid->FaceCountX, 2) : 0,
            grid ? std::min(grid->FaceCountY, 2) : 0,
            int(std::bit_width(unsigned(count))),
            count > 0 ? int(paper.GetFaceShape(0)) : -1,
            share(face.Width(), paper.Width()),
            share(face.Height(), paper.Height()),
            paper.Width(),
            paper.Height()};
}

TEST_F(LayoutEditorTest, EveryKindOfShippedPaperOpensWithTheFacesItsPreviewShows) {
    NewDocument();
    TfrmLayout* editor = Editor();
    ASSERT_NE(editor, nullptr);
    TLabelData* document = main->Document();
    const TPapersV2& papers = *data->Papers();
    ASSERT_GT(papers.GetCount(), 900) << "our own papers and the makers' sheets";
    document->FaceSides = fsFront;
    std::set<PaperKind> kinds;
    int own = 0;
    for (int i = 0; i < papers.GetCount(); ++i) {
        const TPaperInfo& paper = *papers.GetPaper(i);
        const auto extra = papers.GetExtraInfo(QStringLiteral("ExtraInfos"), paper.PaperName);
        const auto* extraInfo = dynamic_cast<const TExPaperInfo*>(extra.get());
        const bool ours = extraInfo != nullptr && extraInfo->Company == QStringLiteral("Quorlane");
        own += ours;
        if (!kinds.insert(KindOf(paper)).second && !ours)
            continue;
        // As the paper step leaves a new document: the paper and its album facts, the page not visited.
        document->FaceInit = false;
        document->ChangePaperInfo(paper);
        const auto album = papers.GetExtraInfo(QStringLiteral("ExtraAlbumInfo"), paper.PaperName);
        const auto* albumInfo = dynamic_cast<const TExAlbumInfo*>(album.get());
        document->SetPaperExtraAlbum(albumInfo);
        editor->LoadPage();
        // Each face the preview draws is a frame at its place; a paper's only face reaching across the
        // sheet (a sheet without cuts, an album's free page) is the page itself, unless the album paper
        // is printed to its edges.
        const bool fullPaint = albumInfo != nullptr && albumInfo->FullPaint;
        std::vector<TRect> faces;
        for (int face = 0; face < paper.GetFaceCount(); ++face)
            faces.push_back(paper.GetFaceOuterRect(face));
        if (faces.size() == 1 && !fullPaint &&
            (faces[0].Width() >= paper.Width() || faces[0].Height() >= paper.Height()))
            faces.clear();
        EXPECT_EQ(FrameRects(*editor->DrawSite1), Described(faces)) << paper.PaperName.toStdString();
    }
    EXPECT_GE(own, 70) << "every one of our own papers";
    EXPECT_GT(int(kinds.size()), 100) << "the makers' sheets come in many layouts";
    document->SetModified(false);
    editor->SetModified(false);
}

TEST_F(LayoutEditorTest, AHalfSheetPaperChosenInThePaperStepShowsBothFacesInTheEditorAndTheSheetWindow) {
    main->actNew->trigger();
    auto* step = qobject_cast<TfrmPaperSelectBase*>(main->HostedForm());
    ASSERT_NE(step, nullptr);
    const TPapersV2& papers = *data->Papers();
    const int index = papers.IndexOf(QStringLiteral("QL-A4L02 A4ラベル 2面"));
    ASSERT_GE(index, 0);
    step->Panel()->SelectPaper(papers.GetPaper(index));
    QTest::mouseClick(step->Panel()->btnToEdit, Qt::LeftButton);
    ASSERT_EQ(main->HostedKind(), mkLayout);
    const std::string halves = Described({TRect(0, 0, 2100, 1485), TRect(0, 1485, 2100, 2970)});
    EXPECT_EQ(FrameRects(*Editor()->DrawSite1), halves);
    main->actSheet->trigger();
    auto* sheet = qobject_cast<TfrmSheet*>(main->HostedForm());
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(FrameRects(*sheet->DrawSite1), halves) << "the page's frames on the sheet's one face";
}

TEST_F(LayoutEditorTest, CommandsUndoAndRedoByteForByteNudgesAndSnapping) {
    NewDocument();
    TfrmLayout* editor = Editor();
    ASSERT_NE(editor, nullptr);
    TDrawSite& site = *editor->DrawSite1;
    auto owned = std::make_unique<TLORect>(nullptr);
    owned->SetLogRect(TRect(100, 100, 300, 200));
    auto* rect = static_cast<TLORect*>(site.AdoptObject(std::move(owned)));
    auto frame = std::make_unique<TLOAlbumPhoto>(nullptr);
    frame->SetLogRect(TRect(500, 500, 900, 800));
    frame->SetMovable(false);
    auto* fixed = static_cast<TLOAlbumPhoto*>(site.AdoptObject(std::move(frame)));
    const auto stored = [&] {
        TDOList page;
        PageObjects(site, page);
        return StoredForm(page);
    };
    const QByteArray before = stored();

    // Delete, undo, redo: the page's stored form each time.
    site.SelectAll(false);
    rect->SetSelected(true);
    editor->DSAQueryClear1->ExecuteTarget(&site);
    EXPECT_TRUE(dialogs.boxes.empty()) << "no fixed frame among the deleted";
    const QByteArray deleted = stored();
    EXPECT_NE(deleted, before);
    editor->DSAUndo1->ExecuteTarget(&site);
    EXPECT_EQ(stored(), before);
    editor->DSARedo1->ExecuteTarget(&site);
    EXPECT_EQ(stored(), deleted);
    editor->DSAUndo1->ExecuteTarget(&site);
    ASSERT_EQ(stored(), before);

    // A page loaded anew takes no undo steps of the old one along.
    editor->SetModified(true);
    editor->StorePage();
    site.SelectAll(false);
    rect->SetSelected(true);
    editor->DSAQueryClear1->ExecuteTarget(&site);
    ASSERT_TRUE(UndoList().CanUndo());
    editor->LoadPage();
    EXPECT_FALSE(UndoList().CanUndo());
    EXPECT_EQ(stored(), before) << "the deletion was never stored";
    rect = nullptr;
    fixed = nullptr;
    TDOList reloaded;
    PageObjects(site, reloaded);
    for (TDrawObject* object : reloaded) {
        if (auto* r = dynamic_cast<TLORect*>(object))
            rect = r;
        if (auto* f = dynamic_cast<TLOAlbumPhoto*>(object))
            fixed = f;
    }
    ASSERT_TRUE(rect && fixed);

    // A fixed frame is deleted only after the question; Cancel keeps everything.
    site.SelectAll(true);
    dialogs.answers = {mrCancel};
    editor->DSAQueryClear1->ExecuteTarget(&site);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, QStringLiteral("写真枠は固定されています。削除しても良いですか？"));
    EXPECT_EQ(stored(), before);

    // Aligning the two left edges is one step, undone and redone whole.
    site.SelectAll(true);
    editor->AlignSelection(omLeft);
    const QByteArray aligned = stored();
    EXPECT_EQ(fixed->LogRect().Left, rect->LogRect().Left);
    EXPECT_EQ(UndoList().UndoCaption(), QStringLiteral("位置揃え"));
    editor->DSAUndo1->ExecuteTarget(&site);
    EXPECT_EQ(stored(), before);
    editor->DSARedo1->ExecuteTarget(&site);
    EXPECT_EQ(stored(), aligned);
    editor->DSAUndo1->ExecuteTarget(&site);
    site.SelectAll(true);

    // Arrows: 1 mm, 0.1 mm with Shift; the fixed frame stays.
    TDOList targets;
    site.ListObjects(targets, true);
    ASSERT_EQ(targets.Count(), 2);
    const TRect start = rect->LogRect();
    QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
    QApplication::sendEvent(&site, &right);
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::ShiftModifier);
    QApplication::sendEvent(&site, &down);
    EXPECT_EQ(rect->LogRect(), TRect(start.Left + 10, start.Top + 1, start.Right + 10, start.Bottom + 1));
    EXPECT_EQ(fixed->LogRect(), TRect(500, 500, 900, 800));

    // Snapping: grid offset 3 against guide offset -3 takes the grid; a nearer guide wins.
    TLabelData* document = main->Document();
    document->Grid()->SetSize(20);
    document->Grid()->SetEnabled(true);
    document->Guide()->SetEnabled(true);
    document->Guide()->SetPos(0, TPoint(1014, 0));
    EXPECT_EQ(EditorSnapOffset(site, TPoint(1017, 47), 0, document->Guide(), document->Grid()),
              TPoint(3, -7));
    document->Guide()->SetPos(0, TPoint(1019, 0));
    EXPECT_EQ(EditorSnapOffset(site, TPoint(1017, 47), 0, document->Guide(), document->Grid()).X, 2);
    EXPECT_EQ(EditorSnapOffset(site, TPoint(1017, 47), ssAlt, document->Guide(), document->Grid()),
              TPoint(0, 0));
    EXPECT_EQ(EditorSnapOffset(site, TPoint(1017, 47), 0, document->Guide(), nullptr), TPoint(2, kNoSnap));
    EXPECT_EQ(EditorSnapOffset(site, TPoint(1017, 47), 0, nullptr, nullptr), TPoint(kNoSnap, kNoSnap));
    // While the editor is shown the hook is its own; it goes with the editor.
    main->show();
    ASSERT_TRUE(bool(SnapHook()));
    TPoint offset;
    SnapHook()(nullptr, TPoint(1017, 47), offset);
    EXPECT_EQ(offset.X, 2);
    dialogs.answers = {mrNo};
    main->actStartMenu->trigger();
    ASSERT_EQ(main->HostedKind(), mkStartMenu);
    EXPECT_FALSE(bool(SnapHook()));
}

TEST_F(LayoutEditorTest, ARectangleToolStartsAPlacement) {
    NewDocument();
    TfrmLayout* editor = Editor();
    ASSERT_NE(editor, nullptr);
    const int before = editor->DrawSite1->DrawObjectCount();
    editor->actRect->trigger();
    ASSERT_EQ(editor->DrawSite1->DrawObjectCount(), before + 1);
    TDOList all;
    editor->DrawSite1->ListObjects(all, false);
    auto* placed = dynamic_cast<TLORect*>(all[0]);
    ASSERT_NE(placed, nullptr);
    EXPECT_FALSE(placed->Visible()) << "hidden until the drag gives it its extent";
}

} // namespace

namespace {

TEST_F(LayoutEditorTest, InsertedPagesCarryEmptiedFramesLaterPagesChangeSideAndDeletingAsksForWorkOnly) {
    NewDocument();
    TfrmLayout* editor = Editor();
    ASSERT_NE(editor, nullptr);
    TLabelData* document = main->Document();
    TDrawSite& site = *editor->DrawSite1;
    UseFourSlots(*document);
    document->FaceInit = false;
    editor->LoadPage();
    const auto page = [&] {
        TDOList list;
        PageObjects(site, list);
        return Rects(list);
    };
    const std::vector<TRect> front = page();
    ASSERT_EQ(front.size(), 4u);
    TDOList frames;
    PageObjects(site, frames);
    static_cast<TLOAlbumPhoto*>(frames[0])->SetPhotoPicture(SamplePicture(folder).get());
    EXPECT_FALSE(PageAddEnabled(1));
    EXPECT_FALSE(PageDeleteEnabled(3, 2, false, false)) << "the last page stays";
    editor->DeletePage();
    EXPECT_EQ(document->GetSheetCount(), 3);

    // Page 2 (a back side) takes page 1's frames, emptied and mirrored.
    editor->AddPage();
    ASSERT_EQ(document->CurrentSheetNo(), 3);
    EXPECT_TRUE(editor->IsModified());
    std::vector<TRect> mirrored;
    for (const TRect& r : front)
        mirrored.push_back(TRect(2100 - r.Right, r.Top, 2100 - r.Left, r.Bottom));
    std::sort(mirrored.begin(), mirrored.end(), [](const TRect& a, const TRect& b) {
        return std::tie(a.Left, a.Top) < std::tie(b.Left, b.Top);
    });
    EXPECT_EQ(page(), mirrored);
    frames.Clear();
    PageObjects(site, frames);
    for (TDrawObject* frame : frames)
        EXPECT_TRUE(IsPictureEmpty(static_cast<TLOAlbumPhoto*>(frame)->GetPhotoPicture()));
    auto rect = std::make_unique<TLORect>(nullptr);
    rect->SetLogRect(TRect(100, 200, 600, 500));
    site.AdoptObject(std::move(rect));

    // A page inserted before it turns it to the front side: everything on it is mirrored.
    editor->GoToPage(2);
    editor->AddPage();
    EXPECT_EQ(document->GetSheetCount(), 5);
    EXPECT_EQ(editor->lblPage->text(), QStringLiteral("2/3"));
    editor->GoToPage(4);
    std::vector<TRect> expected = front;
    expected.push_back(TRect(1500, 200, 2000, 500));
    std::sort(expected.begin(), expected.end(), [](const TRect& a, const TRect& b) {
        return std::tie(a.Left, a.Top) < std::tie(b.Left, b.Top);
    });
    EXPECT_EQ(page(), expected);

    // The page with a rectangle asks first; Cancel keeps it.
    dialogs.answers = {mrCancel};
    editor->DeletePage();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, QStringLiteral("ページを削除してもよろしいですか？"));
    EXPECT_EQ(document->GetSheetCount(), 5);
    // Deleting the empty page before it asks nothing and turns it back.
    editor->GoToPage(3);
    editor->DeletePage();
    EXPECT_EQ(dialogs.boxes.size(), 1u);
    ASSERT_EQ(document->GetSheetCount(), 4);
    ASSERT_EQ(document->CurrentSheetNo(), 3);
    EXPECT_EQ(editor->lblPage->text(), QStringLiteral("2/2"));
    expected = mirrored;
    expected.push_back(TRect(100, 200, 600, 500));
    std::sort(expected.begin(), expected.end(), [](const TRect& a, const TRect& b) {
        return std::tie(a.Left, a.Top) < std::tie(b.Left, b.Top);
    });
    EXPECT_EQ(page(), expected);

    // A cover in use goes after its own question; the first page follows.
    document->FrontCover = true;
    editor->GoToPage(0);
    EXPECT_TRUE(PageDeleteEnabled(4, 0, true, false));
    dialogs.answers = {mrOk};
    editor->DeletePage();
    EXPECT_EQ(dialogs.boxes.back().text, QStringLiteral("表紙を削除してもよろしいですか？"));
    EXPECT_FALSE(document->FrontCover);
    EXPECT_EQ(document->CurrentSheetNo(), 2);
    EXPECT_EQ(editor->lblPage->text(), QStringLiteral("1/2"));
}

TEST_F(LayoutEditorTest, PasteByFormatFollowsTheClipboard) {
    NewDocument();
    TfrmLayout* editor = Editor();
    ASSERT_NE(editor, nullptr);
    TDrawSite& site = *editor->DrawSite1;
    Clipboard::SetText(QStringLiteral("貼り付け"));
    editor->mnuPasteSpecial->aboutToShow();
    EXPECT_TRUE(editor->actPasteText->isEnabled());
    EXPECT_FALSE(editor->actPasteBitmap->isEnabled());
    const int before = site.DrawObjectCount();
    editor->actPasteText->trigger();
    ASSERT_EQ(site.DrawObjectCount(), before + 1);
    TDOList all;
    site.ListObjects(all, false);
    auto* text = dynamic_cast<TLOText*>(all[0]);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->Text()->Text().trimmed(), QStringLiteral("貼り付け"));

    // A picture copied elsewhere: only the bitmap item; it becomes an illustration of its size.
    QImage picture(40, 20, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QGuiApplication::clipboard()->setImage(picture);
    editor->UpdatePasteActions();
    EXPECT_FALSE(editor->actPasteText->isEnabled());
    EXPECT_TRUE(editor->actPasteBitmap->isEnabled());
    EXPECT_FALSE(editor->actPasteMetafile->isEnabled());
    EXPECT_FALSE(editor->actPasteOLEObject->isEnabled());
    EXPECT_EQ(editor->actPasteOLEObject->text(), QStringLiteral("OLEオブジェクト(&O)"));
    editor->actPasteBitmap->trigger();
    ASSERT_EQ(site.DrawObjectCount(), before + 2);
    all.Clear();
    site.ListObjects(all, false);
    auto* illust = dynamic_cast<TLOAlbumIllust*>(all[0]);
    ASSERT_NE(illust, nullptr);
    EXPECT_FALSE(illust->Picture()->Graphic()->Empty());
    Clipboard::Clear();
}

TEST_F(LayoutEditorTest, MetafilePasteTakesEitherFormatAndRefusesDamage) {
    NewDocument();
    TfrmLayout* editor = Editor();
    ASSERT_NE(editor, nullptr);
    TDrawSite& site = *editor->DrawSite1;
    int reported = 0;
    TApplication::SetOnException([&](TObject*, const std::exception&) { ++reported; });
    const auto restore = qScopeGuard([] {
        TApplication::SetOnException(nullptr);
        Clipboard::Clear();
    });
    const auto offer = [editor](const QString& type, const QByteArray& bytes) {
        auto* data = new QMimeData;
        data->setData(type, bytes);
        QGuiApplication::clipboard()->setMimeData(data);
        editor->UpdatePasteActions();
    };
    const auto pasted = [&site]() -> const TMetafile* {
        TDOList all;
        site.ListObjects(all, false);
        auto* image = dynamic_cast<TLOImage*>(all[0]);
        return image ? dynamic_cast<const TMetafile*>(image->Picture()->Graphic()) : nullptr;
    };
    const int before = site.DrawObjectCount();

    const QByteArray emf =
        TestSupport::ReadFile(TestSupport::SourcePath("fuzz/metafile/corpus/emf_shapes.emf"));
    offer(QStringLiteral("image/x-emf"), emf);
    EXPECT_TRUE(editor->actPasteMetafile->isEnabled());
    EXPECT_FALSE(editor->actPasteBitmap->isEnabled());
    editor->actPasteMetafile->trigger();
    ASSERT_EQ(site.DrawObjectCount(), before + 1);
    const TMetafile* meta = pasted();
    ASSERT_NE(meta, nullptr);
    EXPECT_EQ(meta->Data(), emf);
    EXPECT_GT(meta->Width(), 0);

    // A Windows metafile under an office program's name, without a placeable header: it gains one.
    const QByteArray wmf = TestSupport::ReadFile(TestSupport::SourcePath("fuzz/metafile/corpus/wmf_plain.wmf"));
    offer(QStringLiteral("application/x-openoffice-wmf;windows_formatname=\"Image WMF\""), wmf);
    EXPECT_TRUE(editor->actPasteMetafile->isEnabled());
    editor->actPasteMetafile->trigger();
    ASSERT_EQ(site.DrawObjectCount(), before + 2);
    meta = pasted();
    ASSERT_NE(meta, nullptr);
    EXPECT_EQ(meta->Kind(), TMetafile::mkPlaceable);
    EXPECT_TRUE(meta->Data().endsWith(wmf));
    EXPECT_EQ(reported, 0);

    // Damaged data is reported and adds nothing.
    offer(QStringLiteral("image/emf"), QByteArray("not a metafile at all"));
    EXPECT_TRUE(editor->actPasteMetafile->isEnabled());
    editor->actPasteMetafile->trigger();
    EXPECT_EQ(reported, 1);
    EXPECT_EQ(site.DrawObjectCount(), before + 2);

    Clipboard::Clear();
    editor->UpdatePasteActions();
    EXPECT_FALSE(editor->actPasteMetafile->isEnabled());
}

} // namespace

namespace {

TEST_F(LayoutEditorTest, EveryToolButtonShowsInAnEightHundredPixelWindowAndUndoKeepsItsWidth) {
    // The desktop's usual 10 points: the tests' 9 points would leave room the user does not have.
    const QFont font = QApplication::font();
    QApplication::setFont(QFont(font.family(), 10));
    const auto restore = qScopeGuard([&] { QApplication::setFont(font); });
    NewDocument();
    TfrmLayout* editor = Editor();
    ASSERT_NE(editor, nullptr);
    main->resize(800, 600);
    main->show();
    auto* undo = editor->findChild<QToolButton*>(QStringLiteral("btnUndo"));
    ASSERT_NE(undo, nullptr);
    RunLoopUntil([&] { return undo->isVisible(); }, 1000);
    // The font change reaches the widgets through the event loop.
    QApplication::processEvents();
    const int width = undo->width();
    editor->DSAUndo1->setText(QStringLiteral("写真サイズ変更の取り消し(&U)"));
    QApplication::processEvents();
    EXPECT_EQ(undo->width(), width);
    // A tool bar puts what does not fit behind its extension button, hidden.
    for (QToolBar* bar : {editor->tbTools, editor->tbView})
        for (auto* button : bar->findChildren<QToolButton*>(Qt::FindDirectChildrenOnly))
            if (button->objectName().startsWith(QStringLiteral("btn"))) {
                EXPECT_TRUE(button->isVisible()) << button->objectName().toStdString();
            }
    EXPECT_TRUE(editor->Guides()->btnGrid->isVisible());
}

TEST(LayoutRules, StatusTextsAndMenuMarks) {
    EXPECT_EQ(MouseStatusText(TPoint(123, -5)), QStringLiteral("マウス(12.3mm,-0.5mm)"));
    EXPECT_EQ(PositionStatusText(TRect(100, 200, 600, 205)),
              QStringLiteral("位置(10.0mm,20.0mm),サイズ(50.0mm,0.5mm)"));
    EXPECT_EQ(ScaleStatusText(83), QStringLiteral("83%"));
    EXPECT_EQ(ModifierMarkText(ssAlt), QStringLiteral("Alt"));
    EXPECT_EQ(ModifierMarkText(ssShift | ssCtrl), QStringLiteral("Ctrl+Shift"));
    EXPECT_EQ(MarkedCaption(QStringLiteral("自由移動"), QStringLiteral("Alt")),
              QStringLiteral("自由移動\tAlt"));
    EXPECT_EQ(MarkedCaption(QStringLiteral("自由移動"), {}), QStringLiteral("自由移動"));
    EXPECT_EQ(RemoveMenuMarks(QStringLiteral("文字(&T)...")), QStringLiteral("文字"));
    EXPECT_EQ(RemoveMenuMarks(QStringLiteral("円周・直径上\tAlt")), QStringLiteral("円周・直径上"));
}

TEST_F(LayoutEditorTest, ThePageStripChoosesPagesTheStatusBarFollowsAndMoveModesAreMarked) {
    NewDocument();
    TfrmLayout* editor = Editor();
    ASSERT_NE(editor, nullptr);
    TLabelData* document = main->Document();
    main->show();
    for (int i = 0; i < 12; ++i)
        editor->AddPage();
    document->FrontCover = true;
    editor->GoToPage(2);
    TframePages& strip = *editor->framePages1;
    TPageStripGrid& grid = *strip.dgPages;
    ASSERT_EQ(grid.ColCount(), 14) << "the front cover and thirteen pages";
    EXPECT_EQ(grid.Col(), 1);
    RunLoopUntil([&] { return strip.ScrollBar1->isVisible(); }, 1000);
    EXPECT_EQ(strip.ScrollBar1->isVisible(), grid.VisibleColCount() < 14);
    // A click on the cover's cell shows the cover.
    grid.SetLeftCol(0);
    QTest::mouseClick(&grid, Qt::LeftButton, {}, grid.CellRect(0).center());
    EXPECT_EQ(document->CurrentSheetNo(), 0);
    EXPECT_EQ(editor->lblPage->text(), QStringLiteral("表表紙"));
    QTest::mouseClick(&grid, Qt::LeftButton, {}, grid.CellRect(3).center());
    EXPECT_EQ(document->CurrentSheetNo(), 4);
    EXPECT_EQ(editor->lblPage->text(), QStringLiteral("3/13"));

    // The status bar: the first selected object's place, its lock, the scale.
    auto owned = std::make_unique<TLORect>(nullptr);
    owned->SetLogRect(TRect(100, 200, 600, 500));
    TDrawObject* rect = editor->DrawSite1->AdoptObject(std::move(owned));
    rect->SetSelected(true);
    rect->SetMovable(false);
    editor->SetZoom(75);
    editor->UpdateStatusText(true);
    ASSERT_NE(main->StatusPanel(5), nullptr);
    EXPECT_EQ(main->StatusPanel(6), nullptr);
    EXPECT_EQ(main->StatusPanel(1)->text(), QStringLiteral("位置(10.0mm,20.0mm),サイズ(50.0mm,30.0mm)"));
    EXPECT_EQ(main->StatusPanel(2)->text(), QStringLiteral("固定"));
    EXPECT_EQ(main->StatusPanel(4)->text(), QStringLiteral("75%"));
    EXPECT_TRUE(editor->zoomActions[2]->isChecked());

    // Move modes: the toggle names the mode in use and gives the other; the menu marks its keys.
    MoveGhostOptions() = TMoveGhostOptions();
    editor->UpdateMoveModes();
    EXPECT_EQ(editor->actToggleMoveMode->text(), QStringLiteral("自由移動"));
    editor->actToggleMoveMode->trigger();
    EXPECT_TRUE(MoveGhostOptions().CircumMove);
    EXPECT_EQ(editor->actToggleMoveMode->text(), QStringLiteral("円周・直径上"));
    editor->act8Phase->trigger();
    editor->actParallelMove->trigger();
    EXPECT_EQ(MoveGhostOptions().StepAngle, 45);
    EXPECT_TRUE(MoveGhostOptions().ParallelMove);
    EXPECT_TRUE(editor->act8Phase->isChecked());
    EXPECT_FALSE(editor->act12Phase->isChecked());
    emit editor->popupMoveMode->aboutToShow();
    EXPECT_EQ(editor->actFreeMove->text(), QStringLiteral("自由移動\tAlt"));
    EXPECT_EQ(editor->actCircumMove->text(), QStringLiteral("円周・直径上"));
    EXPECT_EQ(editor->actParallelMove->text(), QStringLiteral("水平・垂直方向のみ\tShift"));
    MoveGhostOptions() = TMoveGhostOptions();

    // Leaving the editor takes its panels and hooks away.
    ObjectCreatedHook()(rect);
    EXPECT_TRUE(bool(ObjectCreatedHook()));
    EXPECT_TRUE(bool(ObjectPlacedHook()));
    dialogs.answers = {mrNo};
    main->actStartMenu->trigger();
    ASSERT_EQ(main->HostedKind(), mkStartMenu);
    EXPECT_FALSE(bool(ObjectCreatedHook()));
    EXPECT_FALSE(bool(ObjectPlacedHook()));
    EXPECT_EQ(main->StatusBar->findChild<QLabel*>(QStringLiteral("StatusPanel1")), nullptr);
}

} // namespace

namespace {

// The page's stored form while the user works: every undoable command is run, undone and redone.
class LayoutUserTest : public LayoutEditorTest {
protected:
    QByteArray Stored() {
        TDOList page;
        PageObjects(*editor->DrawSite1, page);
        return StoredForm(page);
    }
    // A command, then undo and redo through the editor's own commands, the stored form compared
    // each time; the page stays as the command left it.
    void Round(const char* what, const std::function<void()>& command) {
        const QByteArray before = Stored();
        command();
        const QByteArray after = Stored();
        EXPECT_NE(after, before) << what << " changed nothing";
        editor->DSAUndo1->ExecuteTarget(editor->DrawSite1);
        EXPECT_EQ(Stored(), before) << what << " undone";
        editor->DSARedo1->ExecuteTarget(editor->DrawSite1);
        EXPECT_EQ(Stored(), after) << what << " redone";
    }
    template <class T>
    T* Only() {
        TDOList page;
        PageObjects(*editor->DrawSite1, page);
        T* found = nullptr;
        for (TDrawObject* object : page)
            if (auto* t = dynamic_cast<T*>(object)) {
                EXPECT_EQ(found, nullptr) << "one of its kind";
                found = t;
            }
        return found;
    }
    void Select(std::initializer_list<TDrawObject*> objects) {
        editor->DrawSite1->SelectAll(false);
        for (TDrawObject* object : objects)
            object->SetSelected(true);
        editor->DrawSite1->UpdatePivots();
        // As the idle after a click does.
        editor->UpdateActions();
    }
    // The device point of a logical one on the site.
    QPoint At(const TPoint& p) const {
        const TPoint d = editor->DrawSite1->LogToDev(p);
        return QPoint(d.X, d.Y);
    }
    void Drag(const QPoint& from, const QPoint& to) {
        TDrawSite* site = editor->DrawSite1;
        QTest::mousePress(site, Qt::LeftButton, {}, from);
        for (int step = 1; step <= 4; ++step)
            QTest::mouseMove(site, from + (to - from) * step / 4);
        QTest::mouseRelease(site, Qt::LeftButton, {}, to);
    }

    TfrmLayout* editor = nullptr;
};

TEST_F(LayoutUserTest, APageMadeByHandSurvivesSaveAndOpenAndEveryCommandUndoes) {
    main->resize(1000, 800);
    main->show();
    QApplication::setActiveWindow(main);
    NewDocument();
    editor = Editor();
    ASSERT_NE(editor, nullptr);
    editor->SetZoom(50);
    TDrawSite& site = *editor->DrawSite1;
    site.setFocus();

    // A text, a photo and a rectangle drawn by a drag.
    Round("text", [&] { editor->actText->trigger(); });
    auto* text = Only<TLOText>();
    ASSERT_NE(text, nullptr);
    const QString jpeg = WriteJpeg(folder, QStringLiteral("photo.jpg"), 300, 200);
    Round("photo", [&] { ASSERT_TRUE(editor->InsertPicture(jpeg)); });
    auto* photo = Only<TLOAlbumPhoto>();
    ASSERT_NE(photo, nullptr);
    EXPECT_FALSE(IsPictureEmpty(photo->GetPhotoPicture()));
    Round("rectangle", [&] {
        editor->actRect->trigger();
        Drag(At(TPoint(200, 1500)), At(TPoint(800, 1900)));
    });
    auto* rect = Only<TLORect>();
    ASSERT_NE(rect, nullptr);
    EXPECT_NEAR(rect->LogBounds().Left, 200, 10);
    EXPECT_NEAR(rect->LogBounds().Bottom, 1900, 10);

    // The rectangle dragged 20 mm to the right.
    const TRect placed = rect->LogBounds();
    Round("drag move", [&] {
        Select({rect});
        Drag(At(TPoint(placed.Left + 5, placed.Top + placed.Height() / 2)),
             At(TPoint(placed.Left + 205, placed.Top + placed.Height() / 2)));
    });
    EXPECT_NEAR(rect->LogBounds().Left, placed.Left + 200, 10);

    // Left edges aligned through the alignment window.
    Select({rect, photo});
    Round("align", [&] {
        WhenModal([](QWidget* window) {
            QTest::mouseClick(window->findChild<QAbstractButton*>(QStringLiteral("rbMode0")), Qt::LeftButton,
                              {}, QPoint(8, 8));
            QTest::mouseClick(window->findChild<QAbstractButton*>(QStringLiteral("btnOK")), Qt::LeftButton);
        });
        editor->actOrder->trigger();
    });
    EXPECT_EQ(rect->LogRect().Left, photo->LogRect().Left);

    // Every other undoable command of the editor, on the objects it works on.
    const auto run = [&](TDrawSiteActionBase* action) { action->ExecuteTarget(&site); };
    Select({rect});
    Round("send to back", [&] { run(editor->DSASendToBack1); });
    Round("bring to front", [&] { run(editor->DSABringToFront1); });
    Round("lock", [&] { run(editor->DSALock1); });
    Round("unlock", [&] { run(editor->DSAUnlock1); });
    Round("do not print", [&] { run(editor->DSADontPrint1); });
    Round("print", [&] { run(editor->DSADoPrint1); });
    Round("turn", [&] { run(editor->DSARotate90); });
    Select({text});
    Round("vertical text", [&] { run(editor->DSAVertText1); });
    Round("horizontal text", [&] { run(editor->DSAHorzText1); });
    Select({photo});
    Round("photo turn", [&] { run(editor->DSAPhotoRotate90); });
    Round("photo lock", [&] { run(editor->DSAPhotoLock); });
    Round("photo unlock", [&] { run(editor->DSAPhotoUnlock); });
    Select({rect, text});
    Round("group", [&] { editor->actGroup->trigger(); });
    ASSERT_NE(Only<TDOGroup>(), nullptr);
    Select({Only<TDOGroup>()});
    Round("ungroup", [&] { editor->actUngroup->trigger(); });
    EXPECT_EQ(Only<TDOGroup>(), nullptr);
    rect = Only<TLORect>();
    text = Only<TLOText>();
    ASSERT_TRUE(rect && text);
    Select({rect});
    Round("copy and paste", [&] {
        run(editor->DSACopy1);
        run(editor->DSAPaste1);
    });
    Select({rect});
    Round("cut", [&] { run(editor->DSAQueryCut1); });
    Select({text});
    Round("delete", [&] { run(editor->DSAQueryClear1); });

    // Saved through the file dialog and opened again: the same stored objects.
    const QString path = folder.filePath(QStringLiteral("made.qld"));
    dialogs.files = {path};
    main->actSaveAs->trigger();
    EXPECT_FALSE(editor->IsModified());
    const QByteArray saved = Stored();
    NewDocument();
    EXPECT_NE(Stored(), saved);
    ASSERT_TRUE(main->OpenDocument(path));
    editor = Editor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(Stored(), saved);
}

} // namespace

namespace {

TEST_F(LayoutUserTest, ATextSplitsIntoItsLinesAndAPageKeepsOneBackground) {
    NewDocument();
    editor = Editor();
    ASSERT_NE(editor, nullptr);
    TDrawSite& site = *editor->DrawSite1;
    auto owned = std::make_unique<TLOWizardText>(nullptr);
    owned->Text()->SetText(QStringLiteral("一\n二\n三"));
    owned->SetOutline(true);
    owned->SetLogRect(TRect(100, 100, 400, 700));
    auto* three = static_cast<TLOText*>(site.AdoptObject(std::move(owned)));
    auto single = std::make_unique<TLOWizardText>(nullptr);
    single->Text()->SetText(QStringLiteral("一行"));
    TDrawObject* one = site.AdoptObject(std::move(single));
    Select({one});
    EXPECT_FALSE(editor->DSASeparateText->CanExecute(&site)) << "one line is no target";

    Select({three});
    MoveGhostOptions().CircumMove = true;
    Round("split", [&] { editor->DSASeparateText->ExecuteTarget(&site); });
    EXPECT_FALSE(MoveGhostOptions().CircumMove);
    TDOList selected;
    site.ListObjects(selected, true);
    ASSERT_EQ(selected.Count(), 3);
    TRect bounds;
    three->GetTextBounds(bounds);
    const int pitch = bounds.Height() / 3;
    std::vector<TRect> lines;
    for (TDrawObject* object : selected) {
        auto* line = dynamic_cast<TLOText*>(object);
        ASSERT_NE(line, nullptr);
        EXPECT_TRUE(line->Outline());
        EXPECT_EQ(line->Text()->Count(), 1);
        lines.push_back(line->LogBounds());
    }
    std::sort(lines.begin(), lines.end(), [](const TRect& a, const TRect& b) { return a.Top < b.Top; });
    EXPECT_EQ(lines[1].Top - lines[0].Top, pitch);
    EXPECT_EQ(lines[2].Top - lines[1].Top, pitch);
    EXPECT_NEAR((lines[0].Top + lines[2].Bottom) / 2, site.LogHeight() / 2, 3) << "centred on the page";
    EXPECT_NEAR((lines[0].Left + lines[0].Right) / 2, site.LogWidth() / 2, 1);

    // With a background on the page the background command makes no second one.
    auto back = std::make_unique<TLOBackImage>(nullptr);
    back->SetLogRect(TRect(0, 0, site.LogWidth(), site.LogHeight()));
    site.AdoptObject(std::move(back));
    editor->actBackground->trigger();
    TDOList page;
    site.ListObjects(page, false);
    EXPECT_EQ(
        std::count_if(page.begin(), page.end(),
                      [](TDrawObject* object) { return dynamic_cast<TLOBackImage*>(object) != nullptr; }),
        1);
}

} // namespace

// The sheet window: the sheet-label clipboard format, and sheets and faces handled by clicks on the
// main window.

#include "app/FSheet.h"
#include "app/FMain.h"
#include "app/UModeRegistry.h"
#include "controls/Exscrbox.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/layout/ULORect.h"
#include "papers/ULOFace.h"
#include "papers/ULabelData.h"
#include "papers/UPaperInfo.h"
#include "platform/ClassRegistry.h"
#include "platform/Clipboard.h"
#include "platform/Stream.h"
#include "tests/app/AppTestSupport.h"

#include <QAction>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>

namespace {

std::unique_ptr<TLORect> Rect(int left, int top) {
    if (GetClass(TLORect::StaticClass().Name()) == nullptr)
        RegisterClass(TLORect::StaticClass());
    auto rect = std::make_unique<TLORect>(nullptr);
    rect->SetLogRect(TRect(left, top, left + 300, top + 200));
    return rect;
}

QByteArray Stored(const TDOList& list) {
    TMemoryStream stream;
    list.SaveToStream(stream);
    return stream.Data();
}

TEST(SheetLabel, SizeNamesAndTheQuestionsTheyRaise) {
    EXPECT_EQ(SheetLabelSizeName(2000, 1200), QStringLiteral("Size000007D0000004B0"));
    const auto size = ParseSheetLabelSizeName(QStringLiteral("Size000007d0000004B0"));
    ASSERT_TRUE(size);
    EXPECT_EQ(size->Width, 2000u);
    EXPECT_EQ(size->Height, 1200u);
    for (const char* bad :
         {"", "Size", "Size000007D0000004B", "Size000007D0000004B00", "size000007D0000004B0",
          "Size+00007D0000004B0", "Size 00007D0000004B0", "Size000007D0000004G0"})
        EXPECT_FALSE(ParseSheetLabelSizeName(QString::fromLatin1(bad))) << bad;

    const TSheetLabelSize face{1000, 600};
    EXPECT_EQ(FacePasteConditions(face, 1020, 600, false), 0) << "2 mm exactly is the same size";
    EXPECT_EQ(FacePasteConditions(face, 980, 580, false), 0);
    EXPECT_EQ(FacePasteConditions(face, 1021, 600, false), kPasteSizeDiffers);
    EXPECT_EQ(FacePasteConditions(face, 1000, 579, true), kPasteSizeDiffers | kPasteTargetHoldsData);
    EXPECT_EQ(FacePasteConditions(face, 1000, 600, true), kPasteTargetHoldsData);
    EXPECT_EQ(FacePasteConditions(std::nullopt, 1000, 600, false), kPasteSizeDiffers);
    // Compared in 64 bits: an all-ones width does not wrap round to -1.
    EXPECT_EQ(FacePasteConditions(TSheetLabelSize{0xFFFFFFFFu, 600}, -1, 600, false), kPasteSizeDiffers);
    EXPECT_TRUE(FacePasteQuestion(0).isEmpty());
    EXPECT_EQ(FacePasteQuestion(kPasteTargetHoldsData),
              QStringLiteral("複写先ﾗﾍﾞﾙのﾃﾞｰﾀを削除してから複写します。\r\n複写してもよろしいですか？"));
    EXPECT_EQ(
        FacePasteQuestion(kPasteTargetHoldsData | kPasteSizeDiffers),
        QStringLiteral("複写先のﾗﾍﾞﾙｻｲｽﾞが異なっています。\r\nﾃﾞｰﾀの位置関係が変わりますが複写しますか？"));
}

TEST(SheetLabel, BytesAreTheReversedListNamedBySizeAndReadBackUnnamed) {
    TOwnedDOList face;
    face.Add(Rect(10, 10));
    face.Add(Rect(500, 300));
    const QByteArray bytes = SheetLabelBytes(face, 2000, 1200);
    TDOList expected;
    expected.Add(face[1]);
    expected.Add(face[0]);
    EXPECT_EQ(face[1]->Name(), QStringLiteral("Size000007D0000004B0"));
    EXPECT_EQ(bytes, Stored(expected));

    TOwnedDOList read;
    const auto size = ReadSheetLabel(bytes, read);
    ASSERT_TRUE(size);
    EXPECT_EQ(size->Width, 2000u);
    ASSERT_EQ(read.Count(), 2);
    EXPECT_TRUE(read[0]->Name().isEmpty());
    face[1]->SetName(QString());
    TDOList again;
    read.ListObjects(again);
    const QByteArray unnamed = Stored(again);
    EXPECT_EQ(unnamed, Stored(expected));

    // An empty list and an unnamed first object carry no size; damaged bytes raise, holding nothing.
    TOwnedDOList none;
    EXPECT_FALSE(ReadSheetLabel(SheetLabelBytes(none, 10, 10), read));
    EXPECT_TRUE(read.IsEmpty());
    EXPECT_FALSE(ReadSheetLabel(unnamed, read));
    EXPECT_EQ(read.Count(), 2);
    EXPECT_THROW(ReadSheetLabel(bytes.left(bytes.size() - 3), read), EReadError);
    EXPECT_TRUE(read.IsEmpty());
}

TEST(SheetFace, TheCaptionStaysClearOfTheSelectedOutline) {
    TMatrixPaperInfo paper(nullptr);
    paper.SetWidth(1000);
    paper.SetHeight(800);
    paper.LeftOffset = paper.TopOffset = 100;
    paper.FaceWidth = 800;
    paper.FaceHeight = 600;
    paper.FaceCountX = paper.FaceCountY = 1;
    QWidget parent;
    TDrawSite site(nullptr, &parent);
    site.SetLogWidth(paper.Width());
    site.SetLogHeight(paper.Height());
    site.Scaler().SetUnitDPI(254);
    site.Scaler().SetScale(100);
    CreateFaces(site, paper, true, false, &TLOFaceForSheet::StaticClass());
    TLOFace* face = GetFace(site, 0);
    ASSERT_NE(face, nullptr);
    site.resize(site.LogToDev(TPoint(paper.Width(), paper.Height())).ToQPoint().x(),
                site.LogToDev(TPoint(paper.Width(), paper.Height())).ToQPoint().y());
    const QImage plain = site.grab().toImage().convertToFormat(QImage::Format_RGB32);
    face->SetSelected(true);
    const QImage selected = site.grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(plain.size(), selected.size());

    // The caption: what is not white just inside the face's thin outline, towards its top-left.
    const QPoint corner = site.LogToDev(TPoint(100, 100)).ToQPoint() + QPoint(2, 2);
    QRect caption;
    for (int y = corner.y(); y < corner.y() + 40; ++y)
        for (int x = corner.x(); x < corner.x() + 100; ++x)
            if (plain.pixel(x, y) != 0xFFFFFFFFu)
                caption |= QRect(x, y, 1, 1);
    ASSERT_FALSE(caption.isEmpty());
    EXPECT_EQ(selected.pixel(corner), 0xFF0000FFu) << "the outline shows the selection";
    int covered = 0;
    for (int y = caption.top(); y <= caption.bottom(); ++y)
        for (int x = caption.left(); x <= caption.right(); ++x)
            covered += selected.pixel(x, y) != plain.pixel(x, y);
    EXPECT_EQ(covered, 0);
}

class SheetWindowTest : public AppFixture {
protected:
    void SetUp() override {
        main = StartMainWindow();
        ASSERT_NE(main, nullptr);
        main->resize(900, 700);
        main->show();
    }
    TfrmSheet* Sheet() const { return qobject_cast<TfrmSheet*>(main->HostedForm()); }
    QStringList Tabs() const {
        QStringList texts;
        for (int i = 0; i < Sheet()->TabSheet->count(); ++i)
            texts << Sheet()->TabSheet->tabText(i);
        return texts;
    }
    void ClickTab(int index) {
        QTabBar* tabs = Sheet()->TabSheet;
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(index).center());
        ASSERT_EQ(main->Document()->CurrentSheetNo(), index);
    }
    QByteArray Face(int sheet) {
        TOwnedDOList objects;
        LoadSheetFace(*main->Document(), sheet, 0, objects);
        TDOList list;
        objects.ListObjects(list);
        return objects.IsEmpty() ? QByteArray() : Stored(list);
    }

    TfrmMain* main = nullptr;
    QTemporaryDir folder;
};

TEST_F(SheetWindowTest, SheetsReorderedRenamedAndFacesCopiedCutAndPasted) {
    main->actNew->trigger();
    main->actSheet->trigger();
    ASSERT_EQ(main->HostedKind(), mkSheet);
    TLabelData* doc = main->Document();
    ASSERT_EQ(Sheet()->Document(), doc);
    EXPECT_TRUE(doc->SheetMode);
    // The album page (sheet 2) holds two rectangles, bottom first.
    TOwnedDOList page;
    page.Add(Rect(800, 900));
    page.Add(Rect(100, 200));
    TDOList topmostFirst;
    topmostFirst.Add(page[1]);
    topmostFirst.Add(page[0]);
    doc->StoreLabelObjects(0, topmostFirst);
    const QByteArray original = Face(2);
    ASSERT_FALSE(original.isEmpty());
    const auto paperWidth = doc->GetPaperInfo()->Width();
    ASSERT_GT(paperWidth, 0);
    Sheet()->AttachDocument(doc);
    EXPECT_EQ(Tabs(), (QStringList{QStringLiteral("新規シート1"), QStringLiteral("新規シート2"),
                                   QStringLiteral("新規シート3")}));
    // Auto scale fits the whole sheet into what the tab bar leaves of the view.
    QCoreApplication::processEvents();
    EXPECT_LE(Sheet()->DrawSite1->geometry().bottom(), Sheet()->ScrollBox1->viewport()->height());

    // The only page can neither be ordered nor deleted: the cover slots before it keep their places.
    EXPECT_EQ(doc->CurrentSheetNo(), 2);
    EXPECT_FALSE(Sheet()->actMoveSheet->isEnabled());
    EXPECT_FALSE(Sheet()->actDelSheet->isEnabled());
    Sheet()->MoveSheet();
    Sheet()->DeleteSheet();
    EXPECT_EQ(doc->GetSheetCount(), 3);
    EXPECT_EQ(Face(2), original);

    // Renamed: the tab shows "&" as it is.
    WhenModal([&](QWidget* window) {
        auto* edit = window->findChild<QLineEdit*>(QStringLiteral("edtSheetName"));
        edit->selectAll();
        QTest::keyClicks(edit, QStringLiteral("A&B"));
        QTest::keyClick(edit, Qt::Key_Return);
    });
    Sheet()->actSheetName->trigger();
    EXPECT_EQ(doc->SheetName(), QStringLiteral("A&B"));
    EXPECT_EQ(Tabs()[2], QStringLiteral("A&&B"));

    // Copied onto a new sheet of the same paper: no question, the same objects byte for byte.
    Sheet()->actCopy->trigger();
    ASSERT_TRUE(Clipboard::HasFormat(SheetLabelFormat()));
    Sheet()->actAddSheet->trigger();
    ASSERT_EQ(doc->CurrentSheetNo(), 3);
    EXPECT_EQ(Tabs().last(), QStringLiteral("新規シート3"));
    Sheet()->UpdateActions();
    EXPECT_FALSE(Sheet()->actCopy->isEnabled());
    Sheet()->actPaste->trigger();
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(Face(3), original);
    // An unused cover slot has no paper: its face of no area takes nothing, and nothing is asked.
    // It is neither deleted nor copied; a sheet added there is a page like the last, after it.
    ClickTab(1);
    EXPECT_FALSE(Sheet()->actPaste->isEnabled());
    Sheet()->PasteFace();
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_TRUE(Face(1).isEmpty());
    EXPECT_FALSE(Sheet()->actDelSheet->isEnabled());
    EXPECT_FALSE(Sheet()->actCopySheet->isEnabled());
    Sheet()->DeleteSheet();
    Sheet()->CopySheet();
    ASSERT_EQ(doc->GetSheetCount(), 4);
    Sheet()->actAddSheet->trigger();
    ASSERT_EQ(doc->CurrentSheetNo(), 4);
    EXPECT_EQ(doc->GetPaperInfo()->Width(), paperWidth);
    Sheet()->actPaste->trigger();
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(Face(4), original);
    dialogs.answers = {mrOk};
    Sheet()->actDelSheet->trigger();
    ASSERT_EQ(doc->GetSheetCount(), 4);
    EXPECT_EQ(doc->CurrentSheetNo(), 3);
    // A list without its size name counts as another size too.
    TDOList unnamed;
    unnamed.Add(page[0]);
    Clipboard::SetData(SheetLabelFormat(), Stored(unnamed));
    ClickTab(3);
    dialogs.answers = {mrNo};
    Sheet()->actPaste->trigger();
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes[1].text, FacePasteQuestion(kPasteSizeDiffers | kPasteTargetHoldsData));
    EXPECT_EQ(Face(3), original);

    // Cut from the new sheet, cleared on the first, pasted back there.
    dialogs.answers = {mrYes};
    Sheet()->actCut->trigger();
    EXPECT_TRUE(Face(3).isEmpty());
    ClickTab(2);
    dialogs.answers = {mrYes};
    Sheet()->actClear->trigger();
    EXPECT_TRUE(Face(2).isEmpty());
    Sheet()->actPaste->trigger();
    EXPECT_EQ(dialogs.boxes.size(), 4u) << "an empty face of the same size is pasted on without a question";
    EXPECT_EQ(Face(2), original);

    // Saved and opened again while the sheet window is up: it shows the document read.
    dialogs.files = {folder.filePath(QStringLiteral("sheets.qld"))};
    main->actSaveAs->trigger();
    ASSERT_TRUE(main->OpenDocument(folder.filePath(QStringLiteral("sheets.qld"))));
    ASSERT_EQ(main->HostedKind(), mkSheet);
    EXPECT_NE(main->Document(), doc);
    EXPECT_EQ(Sheet()->Document(), main->Document());
    EXPECT_EQ(Tabs(), (QStringList{QStringLiteral("新規シート1"), QStringLiteral("新規シート2"),
                                   QStringLiteral("A&&B"), QStringLiteral("新規シート3")}));
    EXPECT_EQ(Face(2), original);

    // A face dragged never moves, and dropped on itself copies nothing.
    ClickTab(2);
    TDrawSite* site = Sheet()->DrawSite1;
    const TRect outer = main->Document()->GetLayoutPaper()->GetFaceOuterRect(0);
    const TPoint centre =
        site->LogToDev(TPoint((outer.Left + outer.Right) / 2, (outer.Top + outer.Bottom) / 2));
    const QPoint at(centre.X, centre.Y);
    EXPECT_EQ(Sheet()->FaceAt(at), 0);
    QTest::mousePress(site, Qt::LeftButton, {}, at);
    EXPECT_EQ(Sheet()->DragSource(), 0);
    QTest::mouseMove(site, at + QPoint(30, 20));
    QTest::mouseRelease(site, Qt::LeftButton, {}, at + QPoint(30, 20));
    EXPECT_EQ(Sheet()->DragSource(), -1);
    EXPECT_EQ(Sheet()->Face(0)->LogRect(), outer);
    EXPECT_EQ(Face(2), original);
    // A double-click on the face edits it in the layout editor.
    QTest::mouseDClick(site, Qt::LeftButton, {}, at);
    EXPECT_EQ(main->HostedKind(), mkLayout);
}

} // namespace

#include "pageobjects/layout/ULOCreator.h"

#include "LayoutTestSupport.h"
#include "core/UAppUtil.h"
#include "pageobjects/engine/UAction.h"
#include "pageobjects/engine/UGhost.h"
#include "pageobjects/engine/UMoveGhost.h"
#include "pageobjects/engine/UTextGhost.h"
#include "pageobjects/layout/UDOGroup.h"
#include "pageobjects/layout/ULOAlbumPhoto.h"
#include "pageobjects/layout/ULOAlphaMask.h"
#include "pageobjects/layout/ULOBackImage.h"
#include "pageobjects/layout/ULODate.h"
#include "pageobjects/layout/ULODecoLine.h"
#include "pageobjects/layout/ULOImage.h"
#include "pageobjects/layout/ULOLine.h"
#include "pageobjects/layout/ULOOLE.h"
#include "pageobjects/layout/ULORect.h"
#include "pageobjects/layout/ULOText.h"
#include "pageobjects/layout/ULOWizardText.h"
#include "platform/ClassRegistry.h"
#include "platform/Clipboard.h"
#include "platform/Exception.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <functional>
#include <gtest/gtest.h>

namespace {

// The property dialog of every object: answers as the test says and counts the dialogs.
class TFakeEditor : public TDODesigner {
public:
    std::function<bool(TDrawObject*)> accept = [](TDrawObject*) { return true; };
    std::vector<QString> edited;

    bool EditObject(TDrawObject* object, bool& flag) override {
        edited.push_back(object->ClassName());
        flag = !accept(object);
        return true;
    }
};

// A stored page object with no properties, as a document holds it.
QByteArray HandMade(const char* className) {
    QByteArray b("TPF0");
    b.append(char(qstrlen(className))).append(className);
    return b.append(char(0)).append(char(0)).append(char(0));
}

void SendMouse(QWidget* w, QEvent::Type type, const TPoint& p, Qt::MouseButton button,
               Qt::MouseButtons held) {
    QMouseEvent e(type, QPointF(p.X, p.Y), w->mapToGlobal(QPointF(p.X, p.Y)), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

class CreatorTest : public ::testing::Test {
protected:
    void SetUp() override {
        static const bool once = (RegisterLayoutObjects(), RegisterGhostDesigners(), true);
        (void)once;
        editor = new TFakeEditor;
        DesignerList().Add(static_cast<IDODesigner*>(editor));
        GhostList().ClearGhosts();
        UndoList().Clear();
        MoveGhostOptions() = TMoveGhostOptions{};
        site = MakeSite(2000, 1000);
    }
    void TearDown() override {
        site.reset();
        DesignerList().Remove(static_cast<IDODesigner*>(editor));
        Clipboard::Clear();
    }
    std::vector<TDrawObject*> Objects() const {
        TDOList list;
        site->ListObjects(list, false);
        return {list.begin(), list.end()};
    }
    bool Command(const char* kind) { return DesignerList().DoCommand(site.get(), QString::fromLatin1(kind)); }

    TFakeEditor* editor = nullptr;
    std::unique_ptr<TDrawSite> site;
};

} // namespace

TEST_F(CreatorTest, StoredClassNamesLoadAsTheirClasses) {
    const std::vector<std::pair<const char*, const char*>> table = {{"TLOImage", "TLOWizardImage"},
                                                                    {"tloimage", "TLOWizardImage"},
                                                                    {"TLOWizardImage", "TLOWizardImage"},
                                                                    {"TLOAlbumIllust", "TLOAlbumIllust"},
                                                                    {"TLOLine", "TLOLine"},
                                                                    {"TLOCurve", "TLOCurve"},
                                                                    {"TLORect", "TLORect"},
                                                                    {"TLOCircle", "TLOCircle"},
                                                                    {"TLODecoLine", "TLODecoLine"},
                                                                    {"TLOAlphaMask", "TLOAlphaMask"},
                                                                    {"TLOBackImage", "TLOBackImage"},
                                                                    {"TDOGroup", "TDOGroup"},
                                                                    {"TLOOLE", "TLOOLE"},
                                                                    {"TLOText", "TLOWizardText"},
                                                                    {"TLOWizardText", "TLOWizardText"},
                                                                    {"TLODate", "TLODate"},
                                                                    {"TLODecoString", "TLODecoString"},
                                                                    {"TLOJANCode", "TLOJANCode"},
                                                                    {"TLOAlbumPhoto", "TLOAlbumPhoto"}};
    for (const auto& [stored, loaded] : table) {
        std::unique_ptr<TComponent> object = Load(HandMade(stored));
        ASSERT_NE(object, nullptr) << stored;
        EXPECT_EQ(object->ClassName(), QLatin1String(loaded)) << stored;
        // What it loaded as is what it stores as, and the stored form is stable.
        const QByteArray once = Store(object.get());
        EXPECT_EQ(Store(Load(once).get()), once) << stored;
        EXPECT_TRUE(once.contains(QByteArray(loaded))) << stored;
    }
    EXPECT_TRUE(IsClassRegistered(TImageData::StaticClass()));
    EXPECT_TRUE(IsClassRegistered(TColorSpec::StaticClass()));
    EXPECT_FALSE(IsClassRegistered(TLOImage::StaticClass()));
    EXPECT_FALSE(IsClassRegistered(TLOText::StaticClass()));

    // An unknown class and an abstract one fail with the reader's error (the leak check watches).
    EXPECT_THROW(Load(HandMade("TLOUnknown")), EClassNotFound);
    EXPECT_THROW(Load(HandMade("TLORectBase")), EReadError);
    EXPECT_THROW(Load(HandMade("TLabelObject")), EReadError);
}

TEST_F(CreatorTest, KindNamesMakeTheEditorsClasses) {
    TLOCreator creator;
    const std::vector<std::pair<const char*, const char*>> table = {{"TLOImage", "TLOAlbumIllust"},
                                                                    {"TLOOnePoint", "TLOAlbumIllust"},
                                                                    {"TLOTwain", "TLOAlbumIllust"},
                                                                    {"TLOBitmapPaste", "TLOAlbumIllust"},
                                                                    {"TLOMetafilePaste", "TLOAlbumIllust"},
                                                                    {"TLOImagePaste", "TLOAlbumIllust"},
                                                                    {"TLOTextPaste", "TLOWizardText"},
                                                                    {"TLOText", "TLOWizardText"},
                                                                    {"TLODate", "TLODate"},
                                                                    {"TLOAlbumPhoto", "TLOAlbumPhoto"},
                                                                    {"TLOJANCode", "TLOJANCode"},
                                                                    {"TLOOLEPaste", "TLOOLE"},
                                                                    {"TLORect", "TLORect"},
                                                                    {"tlocircle", "TLOCircle"},
                                                                    {"TLODecoLine", "TLODecoLine"}};
    for (const auto& [kind, made] : table) {
        std::unique_ptr<TDrawObject> object(creator.CreateObject(QString::fromLatin1(kind)));
        ASSERT_NE(object, nullptr) << kind;
        EXPECT_EQ(object->ClassName(), QLatin1String(made)) << kind;
        EXPECT_EQ(object->Owner(), nullptr);
    }
    for (const char* none : {"TLONothing", "TImageData", "TLORectBase", ""})
        EXPECT_EQ(creator.CreateObject(QString::fromLatin1(none)), nullptr) << none;
}

TEST_F(CreatorTest, ShapesArePlacedByDraggingThenRecorded) {
    ASSERT_TRUE(Command("TLORect"));
    ASSERT_EQ(Objects().size(), 1u);
    auto* rect = dynamic_cast<TLORect*>(Objects()[0]);
    ASSERT_NE(rect, nullptr);
    EXPECT_FALSE(rect->Visible()) << "hidden until drawn";
    EXPECT_EQ(site->Cursor(), crCross);
    EXPECT_EQ(GhostList().Count(), 1);
    EXPECT_TRUE(editor->edited.empty());
    EXPECT_EQ(UndoList().Count(), 0);

    const TPoint from = site->LogToDev(TPoint(100, 100));
    const TPoint to = site->LogToDev(TPoint(500, 300));
    SendMouse(site.get(), QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    SendMouse(site.get(), QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    SendMouse(site.get(), QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    EXPECT_TRUE(rect->Visible());
    EXPECT_GT(rect->LogWidth(), 300);
    EXPECT_EQ(UndoList().UndoCaption(), QStringLiteral("追加"));

    // A kind in other case finds the class but is placed like any other name.
    ASSERT_TRUE(Command("tloline"));
    EXPECT_EQ(Objects().size(), 2u);
    EXPECT_TRUE(editor->edited.empty());
    EXPECT_EQ(GhostList().Count(), 1);
}

TEST_F(CreatorTest, PastedTextIsFittedRecordedAndSelectedWithoutADialog) {
    MoveGhostOptions().CircumMove = true;
    MoveGhostOptions().FreeRotate = true;
    MoveGhostOptions().CircumRotate = true;
    Clipboard::SetText(QStringLiteral("貼り付けた文字"));
    ASSERT_TRUE(Command("TLOTextPaste"));
    ASSERT_EQ(Objects().size(), 1u);
    auto* text = dynamic_cast<TLOWizardText*>(Objects()[0]);
    ASSERT_NE(text, nullptr);
    EXPECT_TRUE(editor->edited.empty());
    EXPECT_EQ(text->Text()->Text().trimmed(), QStringLiteral("貼り付けた文字"));
    EXPECT_TRUE(text->AutoSize());
    EXPECT_EQ(text->ShadowColor()->Color(), TColor(0x808080));
    EXPECT_TRUE(text->Visible());
    EXPECT_TRUE(text->Selected());
    EXPECT_EQ(text->Cursor(), crHandPoint);
    EXPECT_TRUE(TRect(0, 0, 2000, 1000).Contains(text->LogRect().TopLeft()));
    EXPECT_EQ(UndoList().UndoCaption(), QStringLiteral("追加"));
    EXPECT_FALSE(MoveGhostOptions().CircumMove);
    EXPECT_FALSE(MoveGhostOptions().FreeRotate);
    EXPECT_TRUE(MoveGhostOptions().CircumRotate) << "kept";

    UndoList().Undo();
    EXPECT_TRUE(Objects().empty());
}

TEST_F(CreatorTest, ACancelledDialogLeavesEverythingAsItWas) {
    MoveGhostOptions().ParallelMove = true;
    ASSERT_TRUE(Command("TLORect"));
    GhostList().ClearGhosts(); // the user gave the drawing up: the hidden object goes
    UndoList().Clear();
    TLORect* kept = new TLORect(nullptr);
    site->AdoptObject(std::unique_ptr<TDrawObject>(kept));
    kept->SetSelected(true);
    MoveGhostOptions().ParallelMove = true;

    editor->accept = [](TDrawObject*) { return false; };
    EXPECT_FALSE(Command("TLOAlphaMask"));
    EXPECT_EQ(editor->edited, std::vector<QString>{QStringLiteral("TLOAlphaMask")});
    EXPECT_EQ(Objects(), std::vector<TDrawObject*>{kept});
    EXPECT_TRUE(kept->Selected());
    EXPECT_EQ(UndoList().Count(), 0);
    EXPECT_TRUE(MoveGhostOptions().ParallelMove);

    editor->accept = [](TDrawObject*) { return true; };
    EXPECT_TRUE(Command("TLOImage"));
    ASSERT_EQ(Objects().size(), 2u);
    auto* image = dynamic_cast<TLOAlbumIllust*>(Objects()[0]);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->ImageSource(), isFile);
    EXPECT_TRUE(image->Selected());
    EXPECT_FALSE(kept->Selected());
    EXPECT_FALSE(MoveGhostOptions().ParallelMove);

    EXPECT_FALSE(Command("TLONothing")) << "no class of that name";
    EXPECT_EQ(Objects().size(), 2u);
    EXPECT_EQ(UndoList().Count(), 1);
}

TEST_F(CreatorTest, DatesTakeTheTimeAndPhotosTheirSourceBeforeTheirDialog) {
    TDateTime dialogDate = 0;
    TImageSource dialogSource = isPlugin;
    editor->accept = [&](TDrawObject* object) {
        if (auto* date = dynamic_cast<TLODate*>(object))
            dialogDate = date->Date();
        if (auto* photo = dynamic_cast<TLOAlbumPhoto*>(object))
            dialogSource = photo->ImageSource();
        return true;
    };
    const TDateTime before = NowDateTime();
    ASSERT_TRUE(Command("TLODate"));
    EXPECT_GE(dialogDate, before);
    EXPECT_LE(dialogDate, NowDateTime());
    auto* date = dynamic_cast<TLODate*>(Objects()[0]);
    ASSERT_NE(date, nullptr);
    EXPECT_TRUE(date->AutoSize());
    EXPECT_EQ(date->ShadowColor()->Color(), TColor(0x808080));

    ASSERT_TRUE(Command("TLOAlbumPhoto"));
    EXPECT_EQ(dialogSource, isFile);
    EXPECT_EQ(editor->edited,
              (std::vector<QString>{QStringLiteral("TLODate"), QStringLiteral("TLOAlbumPhoto")}));

    // The active editor's hook prepares each new object before its dialog, once per object.
    std::vector<TDrawObject*> prepared;
    ObjectCreatedHook() = [&](TDrawObject* object) {
        prepared.push_back(object);
        static_cast<TLabelObject*>(object)->SetDontPrint(true);
    };
    bool dialogSawIt = false;
    editor->accept = [&](TDrawObject* object) {
        dialogSawIt = static_cast<TLabelObject*>(object)->DontPrint();
        return true;
    };
    const bool made = Command("TLORect") && Command("TLOText");
    ObjectCreatedHook() = nullptr;
    ASSERT_TRUE(made);
    EXPECT_TRUE(dialogSawIt);
    ASSERT_EQ(prepared.size(), 2u);
    EXPECT_EQ(prepared[1], Objects()[0]);
}

TEST_F(CreatorTest, BackgroundCoversTheSiteUnlessItHasAWidth) {
    ASSERT_TRUE(Command("TLOBackImage"));
    ASSERT_EQ(Objects().size(), 1u);
    auto* back = dynamic_cast<TLOBackImage*>(Objects()[0]);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->LogBounds(), TRect(0, 0, 2000, 1000));
    EXPECT_FALSE(back->Selectable());
    EXPECT_FALSE(back->Enabled());
    EXPECT_FALSE(back->Selected());
    EXPECT_EQ(back->FillColor()->Kind(), cskSolid);
    EXPECT_EQ(back->FillColor()->Color(), TColor(0xFFFFFF));
    EXPECT_EQ(UndoList().Count(), 1);

    // An editor that gives the new background its own extent keeps it.
    editor->accept = [](TDrawObject* object) {
        static_cast<TLOBackImage*>(object)->SetLogRect(TRect(0, 0, 300, 200));
        return true;
    };
    TLOBackImage* sized = new TLOBackImage(nullptr);
    sized->SetLogRect(TRect(10, 10, 110, 60));
    ASSERT_TRUE(InsertCreatedObject(site.get(), std::unique_ptr<TDrawObject>(sized), true, false));
    EXPECT_EQ(sized->LogBounds().Width(), 300);
}

TEST_F(CreatorTest, AFailedPasteFreesTheObjectAndLeavesTheSite) {
    EXPECT_THROW(Command("TLOOLEPaste"), Exception);
    EXPECT_TRUE(Objects().empty());
    EXPECT_EQ(UndoList().Count(), 0);
    Clipboard::Clear();
    EXPECT_THROW(Command("TLOBitmapPaste"), Exception);
    EXPECT_TRUE(Objects().empty());
}

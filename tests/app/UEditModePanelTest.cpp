// Edit modes and property panels: the editor routes edits, applies, creations and the selection to
// fake panels, and the object designers bring the right panel up.

#include "app/UEditModePanel.h"
#include "app/FLayout.h"
#include "app/FMain.h"
#include "app/UObjectDesigners.h"
#include "imaging/UColorFill.h"
#include "imaging/USafetyBitmap.h"
#include "pageobjects/engine/UAction.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/engine/UExtraDSA.h"
#include "pageobjects/layout/ULOAlbumPhoto.h"
#include "pageobjects/layout/ULOBackImage.h"
#include "pageobjects/layout/ULOOLE.h"
#include "pageobjects/layout/ULORect.h"
#include "pageobjects/layout/ULOWizardText.h"
#include "platform/Stream.h"
#include "tests/app/AppTestSupport.h"

#include <QAction>
#include <QWidget>

namespace {

// A panel that records what the editor asks and, like a real one, writes objects only when asked.
class FakePanel : public QWidget,
                  public IEditModePanel,
                  public IEditModeApplyHook,
                  public IEditModeInsertHook,
                  public IEditModeDefaults,
                  public IEditModeIdle {
public:
    explicit FakePanel(QWidget* owner) : QWidget(owner) {}
    static inline std::vector<QString> log;
    TColor operation = 0;

    void CopyStyle(TDrawObject* src, TDrawObject* dst) override {
        auto* from = dynamic_cast<TLOText*>(src);
        auto* to = dynamic_cast<TLOText*>(dst);
        if (from && to)
            to->TextColor()->SetColor(from->TextColor()->Color());
    }
    void ShowObject(TDrawObject* object) override { log.push_back("show " + object->ClassName()); }
    void ApplyToObject(TDrawObject* object) override {
        if (auto* text = dynamic_cast<TLOText*>(object))
            text->TextColor()->SetColor(operation);
        if (auto* back = dynamic_cast<TLOBackImage*>(object))
            back->FillColor()->SetColor(operation);
    }
    void ApplyToDefault() override { log.push_back("default"); }
    void ShowDefault() override { log.push_back("showdefault"); }
    void InitNewObject(TDrawObject* object) override { log.push_back("init " + object->ClassName()); }
    void SetApplyHandler(const TEditPanelHandler& handler) override { apply = handler; }
    void SetInsertHandler(const TEditPanelHandler& handler) override { insert = handler; }
    void LoadDefaults() override { log.push_back("load"); }
    void SaveDefaults() override { log.push_back("save"); }
    void IdleUpdate(TDrawSite*) override { log.push_back("idle"); }

    // What a panel does on a change of its controls.
    void Change(TColor value) {
        operation = value;
        apply(this);
    }
    TEditPanelHandler apply;
    TEditPanelHandler insert;
};
class FakeTextPanel : public FakePanel {
    using FakePanel::FakePanel;
};
class FakeBackPanel : public FakePanel {
    using FakePanel::FakePanel;
};

QByteArray StoredForm(TDrawSite& site) {
    TDOList all;
    site.ListObjects(all, false);
    TMemoryStream stream;
    all.SaveToStream(stream);
    return stream.Data();
}

class EditModeTest : public AppFixture {
protected:
    void SetUp() override {
        RegisterEditModePanel<FakeTextPanel>(emText);
        RegisterEditModePanel<FakeBackPanel>(emBackGround);
        FakePanel::log.clear();
        main = StartMainWindow();
        ASSERT_NE(main, nullptr);
        editor = OpenLayoutEditor(main);
        ASSERT_NE(editor, nullptr);
    }
    void TearDown() override {
        RegisterEditModePanel(emText, typeid(void), {});
        RegisterEditModePanel(emBackGround, typeid(void), {});
    }
    template <class T>
    T* Add(const TRect& r) {
        auto owned = std::make_unique<T>(nullptr);
        owned->SetLogRect(r);
        return static_cast<T*>(editor->DrawSite1->AdoptObject(std::move(owned)));
    }

    TfrmMain* main = nullptr;
    TfrmLayout* editor = nullptr;
};

TEST(EditModes, PanelsAreKnownByTheirClassAndInsertsFollowTheSource) {
    RegisterEditModePanel<FakeTextPanel>(emText);
    FakeTextPanel text(nullptr);
    FakeBackPanel other(nullptr);
    QWidget plain;
    EXPECT_EQ(EditModeOf(&text), emText);
    EXPECT_EQ(EditModeOf(&other), emNone) << "not registered";
    EXPECT_EQ(EditModeOf(&plain), emNone);
    EXPECT_EQ(EditModeOf(nullptr), emNone);
    EXPECT_EQ(CreateEditModePanel(emPhoto, nullptr), nullptr);
    RegisterEditModePanel(emText, typeid(void), {});
    EXPECT_EQ(EditModeOf(&text), emNone);
    EXPECT_EQ(InsertActionOf(emIllust, nullptr), QStringLiteral("actImageFile"));
    EXPECT_EQ(InsertActionOf(emFigure, nullptr), QStringLiteral("actAlphaMask"));
    EXPECT_EQ(QString::fromUtf8(EditModeInfo(emBackGround).UndoCaption), QStringLiteral("背景変更"));
}

TEST_F(EditModeTest, ADoubleClickShowsTheTextPanelWhoseChangeIsOneUndoStep) {
    EXPECT_EQ(EditModeOf(editor->EditPanel()), emPhoto) << "the editor opens on the photo panel";
    TDrawSite& site = *editor->DrawSite1;
    auto* first = Add<TLOWizardText>(TRect(100, 100, 500, 200));
    auto* second = Add<TLOWizardText>(TRect(100, 300, 500, 400));
    auto* rect = Add<TLORect>(TRect(600, 100, 800, 300));
    UndoList().Clear();
    ASSERT_FALSE(first->EditProperty()) << "a placed object: nothing left for the caller to do";
    auto* panel = dynamic_cast<FakeTextPanel*>(editor->EditPanel());
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(FakePanel::log, (std::vector<QString>{"load", "showdefault", "showdefault"}));
    editor->actModeText->trigger();
    EXPECT_EQ(editor->EditPanel(), panel) << "the same mode keeps its panel";

    site.SelectAll(true);
    const QByteArray before = StoredForm(site);
    FakePanel::log.clear();
    panel->Change(0x0000FF);
    EXPECT_EQ(first->TextColor()->Color(), 0x0000FFu);
    EXPECT_EQ(second->TextColor()->Color(), 0x0000FFu);
    const QByteArray changed = StoredForm(site);
    EXPECT_EQ(UndoList().UndoCaption(), QStringLiteral("設定変更"));
    EXPECT_TRUE(FakePanel::log.empty()) << "objects selected: the default stays";
    editor->DSAUndo1->ExecuteTarget(&site);
    EXPECT_EQ(StoredForm(site), before) << "both texts in one step";
    editor->DSARedo1->ExecuteTarget(&site);
    EXPECT_EQ(StoredForm(site), changed);

    // The selection is followed; with nothing selected a change goes to the panel's default.
    editor->EditPanelIdle();
    EXPECT_EQ(FakePanel::log, (std::vector<QString>{"show TLOWizardText", "idle"}));
    site.SelectAll(false);
    FakePanel::log.clear();
    panel->Change(0x00FF00);
    EXPECT_EQ(FakePanel::log, (std::vector<QString>{"default"}));
    EXPECT_EQ(first->TextColor()->Color(), 0x0000FFu);

    // A new text takes the panel's preparation and the selected text's style.
    first->SetSelected(true);
    auto* made = Add<TLOWizardText>(TRect(0, 0, 100, 100));
    FakePanel::log.clear();
    editor->ObjectCreated(made);
    EXPECT_EQ(FakePanel::log, (std::vector<QString>{"init TLOWizardText"}));
    EXPECT_EQ(made->TextColor()->Color(), 0x0000FFu);

    // The panel's insert request creates a text through the editor's tool.
    const int count = site.DrawObjectCount();
    panel->insert(panel);
    ASSERT_EQ(site.DrawObjectCount(), count + 1);
    TDOList all;
    site.ListObjects(all, false);
    EXPECT_NE(dynamic_cast<TLOText*>(all[0]), nullptr);

    // A rectangle has no panel; the background panel replaces the text panel, which saves first.
    rect->EditProperty();
    EXPECT_EQ(editor->EditPanel(), panel);
    FakePanel::log.clear();
    editor->actModeBackGround->trigger();
    EXPECT_NE(dynamic_cast<FakeBackPanel*>(editor->EditPanel()), nullptr);
    EXPECT_EQ(FakePanel::log.front(), QStringLiteral("save"));
}

TEST_F(EditModeTest, PlainBackgroundsChangeOnlyWhenTheBackgroundCommandAsks) {
    editor->actModeBackGround->trigger();
    auto* panel = dynamic_cast<FakeBackPanel*>(editor->EditPanel());
    ASSERT_NE(panel, nullptr);
    auto* plain = Add<TLOBackImage>(TRect(0, 0, 100, 100));
    plain->FillColor()->SetKind(cskSolid);
    plain->FillColor()->SetColor(0xFFFFFF);
    auto* pictured = Add<TLOBackImage>(TRect(0, 0, 100, 100));
    TSafetyBitmap pattern(4, 4, pf24bit);
    pictured->Image()->SetGraphic(&pattern);
    ASSERT_EQ(pictured->FillColor()->Kind(), cskBitmap);
    editor->DrawSite1->SelectAll(false);
    panel->Change(0x123456);
    EXPECT_EQ(plain->FillColor()->Color(), 0xFFFFFFu);
    EXPECT_EQ(pictured->FillColor()->Color(), 0x123456u) << "backgrounds are targets selected or not";
    EXPECT_EQ(UndoList().UndoCaption(), QStringLiteral("背景変更"));
    editor->BackPropertyForced = true;
    panel->Change(0x654321);
    editor->BackPropertyForced = false;
    EXPECT_EQ(plain->FillColor()->Color(), 0x654321u);
}

TEST_F(EditModeTest, DesignersPrepareNewObjectsAndDeclineWhatIsNotTheirs) {
    TDODesignerList list;
    RegisterObjectDesigners(list, [this] { return static_cast<IAppHost*>(main); });
    EXPECT_EQ(list.Count(), 9);
    // A new text sizes itself and shows the text panel; the insert may go on.
    auto text = std::make_unique<TLOWizardText>(nullptr);
    text->Text()->SetText(QStringLiteral("ラベル"));
    text->SetAutoSize(false);
    EXPECT_TRUE(list.EditObject(text.get()));
    EXPECT_TRUE(text->AutoSize());
    EXPECT_NE(dynamic_cast<FakeTextPanel*>(editor->EditPanel()), nullptr);
    // A photo frame without a picture is no designer's here: the panel stays.
    TLOAlbumPhoto frame(nullptr);
    EXPECT_FALSE(list.EditObject(&frame));
    // An embedded object says it cannot be edited.
    TLOOLE ole(nullptr);
    EXPECT_THROW(list.EditObject(&ole), EInvalidOperation);
}

} // namespace

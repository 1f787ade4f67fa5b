#include "pageobjects/engine/UStandardDSA.h"

#include "EngineTestObjects.h"
#include "pageobjects/engine/UAction.h"
#include "pageobjects/engine/UDSOperation.h"
#include "pageobjects/engine/UExtraDSA.h"
#include "platform/Clipboard.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <gtest/gtest.h>
#include <vector>

namespace {

// A rectangle of another class, with a text direction.
class TTestText : public TLORectBase, public virtual IDOVertical {
    QUORLANE_CLASS(TTestText, TLORectBase)

public:
    explicit TTestText(TComponent* owner) : TLORectBase(owner) {}
    void SetEnclosingSize(int w, int h) override { SetLogRect(Bounds(LogLeft(), LogTop(), w, h)); }
    void DrawOutline(TCanvas&) override {}
    bool GetVertical() override { return vertical_; }
    void SetVertical(bool value) override {
        if (value != vertical_) {
            vertical_ = value;
            Changed();
        }
    }

protected:
    bool GetInterface(const TGUID& iid, void** obj) override {
        return Offer<IDOVertical>(this, iid, obj) || TLORectBase::GetInterface(iid, obj);
    }

private:
    bool vertical_ = false;
};

class DSATest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetEngineGlobals();
        site.Scaler().SetUnitDPI(96);
        site.SetLogWidth(400);
        site.SetLogHeight(200);
        a = AddRect(site, TRect(10, 10, 60, 60), clRed);
        b = AddRect(site, TRect(40, 40, 90, 90), clGreen);
        c = AddRect(site, TRect(70, 70, 120, 120), clBlue);
    }

    std::vector<TDrawObject*> Order() const {
        TDOList list;
        site.ListObjects(list, false);
        return std::vector<TDrawObject*>(list.begin(), list.end());
    }
    std::vector<TDrawObject*> Selected() const {
        TDOList list;
        site.ListObjects(list, true);
        return std::vector<TDrawObject*>(list.begin(), list.end());
    }
    // The enabled state the action shows for the site.
    template <class A>
    bool EnabledOn(A& action) {
        action.UpdateTarget(&site);
        return action.Enabled();
    }

    TDrawSite site{nullptr};
    TTestRect* a = nullptr;
    TTestRect* b = nullptr;
    TTestRect* c = nullptr;
};

using Objects = std::vector<TDrawObject*>;

} // namespace

TEST_F(DSATest, EditPropertyNeedsExactlyOneSelectedLabelObject) {
    TDSAEditProperty edit(nullptr);
    EXPECT_FALSE(EnabledOn(edit));
    a->SetSelected(true);
    EXPECT_TRUE(EnabledOn(edit));
    b->SetSelected(true);
    EXPECT_FALSE(EnabledOn(edit)) << "two selected";

    TScopedDesigner designer;
    std::vector<TDrawObject*> edited;
    designer->onEdit = [&](TDrawObject* object, bool&) {
        edited.push_back(object);
        return true;
    };
    site.SelectAll(false);
    c->SetSelected(true);
    edit.ExecuteTarget(&site);
    EXPECT_EQ(edited, (Objects{c}));
}

TEST_F(DSATest, LockDropsObjectsAlreadyLockedAndUndoes) {
    TDSALock lock(nullptr);
    TDSAUnlock unlock(nullptr);
    lock.SetActionString(QStringLiteral("ロック"));
    a->SetSelected(true);
    b->SetSelected(true);
    b->SetMovable(false);
    EXPECT_TRUE(EnabledOn(lock));
    EXPECT_EQ(lock.Targets().Count(), 1);
    lock.ExecuteTarget(&site);
    EXPECT_FALSE(a->Movable());
    EXPECT_FALSE(EnabledOn(lock)) << "every selected object is locked already";
    EXPECT_TRUE(EnabledOn(unlock));
    ASSERT_EQ(UndoList().Count(), 1);
    EXPECT_EQ(UndoList().UndoCaption(), QStringLiteral("ロック"));
    UndoList().Undo();
    EXPECT_TRUE(a->Movable());
    EXPECT_FALSE(b->Movable());
}

TEST_F(DSATest, WithoutActionStringEachObjectIsItsOwnStep) {
    TDSALock lock(nullptr);
    site.SelectAll(true);
    lock.ExecuteTarget(&site);
    EXPECT_EQ(UndoList().Count(), 3);
    UndoList().Clear();
    TDSAUnlock unlock(nullptr);
    unlock.SetActionString(QStringLiteral("解除"));
    unlock.ExecuteTarget(&site);
    EXPECT_EQ(UndoList().Count(), 1);
}

TEST_F(DSATest, TargetClassOnlyDisablesOnAnyOtherClass) {
    auto* text = new TTestText(&site);
    text->SetLogRect(TRect(200, 10, 300, 60));
    site.AddObject(text);
    site.SelectAll(true);
    TDrawSiteAction action(nullptr);
    action.SetTargetClassName(QStringLiteral("TTestRect"));
    std::vector<TDrawObject*> stepped;
    action.OnEachObject = [&](TObject*, TDrawObject* object) { stepped.push_back(object); };
    EXPECT_TRUE(EnabledOn(action));
    EXPECT_EQ(action.Targets().Count(), 3) << "the other class is left out";
    action.ExecuteTarget(&site);
    EXPECT_EQ(stepped, (Objects{a, b, c})) << "bottom-most first";
    action.SetTargetClassOnly(true);
    EXPECT_FALSE(EnabledOn(action));

    TDSAVertText vertical(nullptr);
    TDSAHorzText horizontal(nullptr);
    EXPECT_TRUE(EnabledOn(vertical));
    EXPECT_EQ(vertical.Targets().Count(), 1);
    EXPECT_FALSE(EnabledOn(horizontal)) << "already horizontal";
    vertical.ExecuteTarget(&site);
    EXPECT_TRUE(text->GetVertical());
    EXPECT_FALSE(EnabledOn(vertical));
}

TEST_F(DSATest, ZOrderCommandsKeepTheTargetsOrder) {
    TDSABringToFront front(nullptr);
    TDSASendToBack back(nullptr);
    front.SetActionString(QStringLiteral("最前面"));
    back.SetActionString(QStringLiteral("最背面"));
    a->SetSelected(true);
    b->SetSelected(true);
    front.ExecuteTarget(&site);
    EXPECT_EQ(Order(), (Objects{b, a, c}));
    back.ExecuteTarget(&site);
    EXPECT_EQ(Order(), (Objects{c, b, a}));
    site.SelectAll(false);
    UndoList().Undo();
    EXPECT_EQ(Order(), (Objects{b, a, c}));
    EXPECT_EQ(Selected(), (Objects{b, a}));
    UndoList().Undo();
    EXPECT_EQ(Order(), (Objects{c, b, a}));
}

TEST_F(DSATest, CutAndUndoPutTheObjectsBackInPlaceAndSelected) {
    TDSACut cut(nullptr);
    cut.SetActionString(QStringLiteral("切り取り"));
    a->SetSelected(true);
    c->SetSelected(true);
    ASSERT_TRUE(EnabledOn(cut));
    cut.ExecuteTarget(&site);
    EXPECT_EQ(Order(), (Objects{b}));
    EXPECT_TRUE(Clipboard::HasFormat(cut.FormatNumber()));
    EXPECT_EQ(UndoList().UndoCaption(), QStringLiteral("切り取り"));

    TDSAUndo undo(nullptr);
    undo.UpdateTarget(&site);
    EXPECT_TRUE(undo.Enabled());
    EXPECT_EQ(undo.Caption(), QStringLiteral("切り取りの取り消し(&U)"));
    undo.ExecuteTarget(&site);
    EXPECT_EQ(Order(), (Objects{c, b, a}));
    EXPECT_EQ(Selected(), (Objects{c, a}));

    TDSARedo redo(nullptr);
    redo.UpdateTarget(&site);
    EXPECT_EQ(redo.Caption(), QStringLiteral("切り取りのやり直し(&R)"));
    redo.ExecuteTarget(&site);
    EXPECT_EQ(Order(), (Objects{b}));
    undo.UpdateTarget(&site);
    redo.UpdateTarget(&site);
    EXPECT_EQ(undo.Caption(), QStringLiteral("切り取りの取り消し(&U)"));
    UndoList().Clear();
    undo.UpdateTarget(&site);
    EXPECT_FALSE(undo.Enabled());
    EXPECT_EQ(undo.Caption(), QStringLiteral("取り消し(&U)"));
}

TEST_F(DSATest, ClearWithoutUndoFreesTheObjects) {
    UndoList().SetEnabled(false);
    int destroyed = 0;
    TListener watch([&](TObject*, const TGUID& id) { destroyed += id == GUID_BroadcasterDestroyed; });
    watch.AddBroadcaster(a->AsBroadcaster());
    a->SetSelected(true);
    TDSAClear clear(nullptr);
    clear.ExecuteTarget(&site);
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(Order(), (Objects{c, b}));
}

TEST_F(DSATest, CopyAndPasteMakesSelectedCopiesKeptOnThePage) {
    TDrawSite large(nullptr);
    large.Scaler().SetUnitDPI(96);
    large.SetLogWidth(1000);
    large.SetLogHeight(1000);
    TTestRect* far = AddRect(large, TRect(900, 900, 960, 940), clBlue);
    far->SetSelected(true);
    TDSACopy copy(nullptr);
    copy.ExecuteTarget(&large);

    TDSAPaste paste(nullptr);
    paste.SetActionString(QStringLiteral("貼り付け"));
    a->SetSelected(true);
    EXPECT_TRUE(EnabledOn(paste));
    paste.ExecuteTarget(&site);
    ASSERT_EQ(site.DrawObjectCount(), 4);
    auto* pasted = dynamic_cast<TTestRect*>(Order().front());
    ASSERT_NE(pasted, nullptr);
    EXPECT_EQ(pasted->FillColor(), clBlue);
    EXPECT_EQ(pasted->Owner(), &site);
    // The centre (930, 920) is brought 10 units inside the 400 x 200 page: (390, 190).
    EXPECT_EQ(pasted->LogRect(), TRect(360, 170, 420, 210));
    EXPECT_EQ(Selected(), (Objects{pasted}));
    UndoList().Undo();
    EXPECT_EQ(site.DrawObjectCount(), 3);
    UndoList().Redo();
    EXPECT_EQ(site.DrawObjectCount(), 4);
}

TEST_F(DSATest, PastingANamedObjectBackOntoItsOwnPageAddsAnUnnamedCopy) {
    // The stored form keeps component names; the copy may not take a name its new page already has.
    a->SetName(QStringLiteral("Frame1"));
    a->SetSelected(true);
    TDSACopy copy(nullptr);
    copy.ExecuteTarget(&site);
    TDSAPaste paste(nullptr);
    paste.ExecuteTarget(&site);
    ASSERT_EQ(site.DrawObjectCount(), 4);
    TDrawObject* pasted = Order().front();
    EXPECT_NE(pasted, a);
    EXPECT_EQ(pasted->Owner(), &site);
    EXPECT_TRUE(pasted->Name().isEmpty());
    EXPECT_EQ(a->Name(), QStringLiteral("Frame1"));
    EXPECT_EQ(Selected(), (Objects{pasted}));
}

TEST_F(DSATest, PastingTextGoesToTheDesigners) {
    TScopedDesigner designer;
    Clipboard::SetText(QStringLiteral("こんにちは"));
    TDSAPaste paste(nullptr);
    EXPECT_TRUE(EnabledOn(paste));
    paste.ExecuteTarget(&site);
    EXPECT_EQ(designer->commands, (std::vector<QString>{QStringLiteral("TLOTextPaste")}));
    EXPECT_EQ(UndoList().Count(), 0) << "the designer records what it places";
    EXPECT_EQ(site.DrawObjectCount(), 3);
    Clipboard::Clear();
    EXPECT_FALSE(EnabledOn(paste));
}

TEST_F(DSATest, SelectAllAndQueriedDeletes) {
    TDSASelectAll all(nullptr);
    EXPECT_TRUE(EnabledOn(all));
    all.ExecuteTarget(&site);
    EXPECT_EQ(Selected(), (Objects{c, b, a}));

    TDSAQueryClear clear(nullptr);
    int asked = 0;
    clear.OnQuery = [&](TObject* target) {
        EXPECT_EQ(target, static_cast<TObject*>(static_cast<TComponent*>(&site)));
        return ++asked > 1;
    };
    clear.ExecuteTarget(&site);
    EXPECT_EQ(site.DrawObjectCount(), 3) << "the first answer was no";
    clear.ExecuteTarget(&site);
    EXPECT_EQ(site.DrawObjectCount(), 0);
    EXPECT_EQ(asked, 2);
}

TEST_F(DSATest, PrintFlagsAndRotation) {
    TDSADontPrint dontPrint(nullptr);
    TDSADoPrint doPrint(nullptr);
    a->SetSelected(true);
    b->SetSelected(true);
    b->SetDontPrint(true);
    EXPECT_TRUE(EnabledOn(dontPrint));
    EXPECT_EQ(dontPrint.Targets().Count(), 1);
    dontPrint.ExecuteTarget(&site);
    EXPECT_TRUE(a->DontPrint());
    EXPECT_FALSE(EnabledOn(dontPrint));
    EXPECT_TRUE(EnabledOn(doPrint));

    TDSAOffsetAngle turn(nullptr);
    turn.SetOffsetAngle(90);
    turn.ExecuteTarget(&site);
    turn.ExecuteTarget(&site);
    EXPECT_EQ(a->Angle(), 180);
    EXPECT_EQ(b->Angle(), 180);
    EXPECT_EQ(c->Angle(), 0);
    // An angle stored at the end of the range stays there instead of wrapping round.
    a->SetAngle(INT32_MAX - 10);
    turn.ExecuteTarget(&site);
    EXPECT_EQ(a->Angle(), INT32_MAX);

    TDSAPhotoRotate photo(nullptr);
    EXPECT_TRUE(EnabledOn(photo)) << "enabled by any target";
    EXPECT_FALSE(photo.Checked());
}

TEST_F(DSATest, EditCommandsServeLineEditsAndComboBoxes) {
    QLineEdit edit;
    edit.setText(QStringLiteral("hello world"));
    edit.setSelection(0, 5);
    TDSACopy copy(nullptr);
    TDSACut cut(nullptr);
    TDSAPaste paste(nullptr);
    TDSAUndo undo(nullptr);
    TDSARedo redo(nullptr);
    EXPECT_TRUE(copy.HandlesTarget(&edit));
    copy.UpdateTarget(&edit);
    EXPECT_TRUE(copy.Enabled());
    copy.ExecuteTarget(&edit);
    EXPECT_EQ(Clipboard::Text(), QStringLiteral("hello"));
    cut.ExecuteTarget(&edit);
    EXPECT_EQ(edit.text(), QStringLiteral(" world"));
    cut.UpdateTarget(&edit);
    EXPECT_FALSE(cut.Enabled()) << "nothing selected";
    edit.setCursorPosition(6);
    paste.UpdateTarget(&edit);
    EXPECT_TRUE(paste.Enabled());
    paste.ExecuteTarget(&edit);
    EXPECT_EQ(edit.text(), QStringLiteral(" worldhello"));
    undo.UpdateTarget(&edit);
    EXPECT_TRUE(undo.Enabled());
    EXPECT_EQ(undo.Caption(), QStringLiteral("取り消し(&U)"));
    undo.ExecuteTarget(&edit);
    EXPECT_EQ(edit.text(), QStringLiteral(" world"));
    redo.UpdateTarget(&edit);
    EXPECT_FALSE(redo.Enabled()) << "edit fields offer no redo";

    QComboBox combo;
    combo.setEditable(true);
    combo.setEditText(QStringLiteral("abc"));
    combo.lineEdit()->selectAll();
    TDSAClear clear(nullptr);
    EXPECT_TRUE(clear.HandlesTarget(&combo));
    clear.ExecuteTarget(&combo);
    EXPECT_EQ(combo.currentText(), QString());
    QComboBox fixed;
    EXPECT_FALSE(clear.HandlesTarget(&fixed)) << "a combo box without an edit field";
    TDSALock lock(nullptr);
    EXPECT_FALSE(lock.HandlesTarget(&edit));
}

TEST_F(DSATest, OperationsRunTheirEventsInOneGroup) {
    TDSOperation operation(nullptr);
    TActionList own;
    operation.SetUndoList(&own);
    operation.SetActionType(otChange);
    operation.SetActionString(QStringLiteral("色"));
    operation.SetMultiSelect(false);
    int executed = 0;
    operation.OnExecute = [&](TObject*) { ++executed; };
    operation.OnEachObject = [](TObject*, TDrawObject* object) {
        dynamic_cast<TTestRect*>(object)->SetFillColor(clYellow);
    };
    a->SetSelected(true);
    b->SetSelected(true);
    operation.Execute(&site);
    EXPECT_EQ(executed, 0) << "single selection wanted";
    b->SetSelected(false);
    operation.Execute(&site);
    EXPECT_EQ(executed, 1);
    EXPECT_EQ(a->FillColor(), clYellow);
    ASSERT_EQ(own.Count(), 1);
    EXPECT_EQ(own.UndoCaption(), QStringLiteral("色"));
    EXPECT_EQ(UndoList().Count(), 0);
    own.Undo();
    EXPECT_EQ(a->FillColor(), clRed);

    TDSOperation remover(nullptr);
    remover.SetActionType(otDelete);
    remover.SetSelectedOnly(false);
    remover.OnEachObject = [](TObject*, TDrawObject* object) { object->SetParent(nullptr); };
    remover.Execute(&site);
    EXPECT_EQ(site.DrawObjectCount(), 0);
    EXPECT_EQ(UndoList().Count(), 3);
    UndoList().Undo();
    EXPECT_EQ(site.DrawObjectCount(), 1);
}

TEST_F(DSATest, AnEditingSessionThroughTheActions) {
    // The commands serve the focused site, as from the menu.
    QWidget window;
    site.setParent(&window);
    window.resize(500, 300);
    window.show();
    QApplication::setActiveWindow(&window);
    TDSACopy copy(nullptr);
    TDSAPaste paste(nullptr);
    TDSACut cut(nullptr);
    TDSALock lock(nullptr);
    TDSABringToFront front(nullptr);
    TDSAUndo undo(nullptr);
    TDSARedo redo(nullptr);
    for (TDrawSiteActionBase* action :
         std::initializer_list<TDrawSiteActionBase*>{&copy, &paste, &cut, &lock, &front, &undo, &redo})
        action->SetActionString(action == &undo || action == &redo ? QString() : QStringLiteral("cmd"));

    SendClick(&site, QPoint(20, 20)); // a, and the site takes the focus
    ASSERT_EQ(TCustomAction::FocusedTarget(), &site);
    EXPECT_EQ(Selected(), (Objects{a}));
    copy.trigger();
    paste.trigger();
    ASSERT_EQ(site.DrawObjectCount(), 4);
    TDrawObject* pasted = Order().front();
    EXPECT_EQ(Selected(), (Objects{pasted}));

    SendClick(&site, QPoint(20, 20));                      // the copy lies over a
    SendClick(&site, QPoint(110, 110), Qt::ShiftModifier); // and c
    EXPECT_EQ(Selected(), (Objects{pasted, c}));
    lock.trigger();
    EXPECT_FALSE(pasted->Movable());
    EXPECT_FALSE(c->Movable());
    cut.trigger();
    EXPECT_EQ(Order(), (Objects{b, a}));

    SendClick(&site, QPoint(20, 20));
    front.trigger();
    EXPECT_EQ(Order(), (Objects{a, b}));

    undo.trigger(); // z-order
    EXPECT_EQ(Order(), (Objects{b, a}));
    undo.trigger(); // cut
    EXPECT_EQ(Order(), (Objects{pasted, c, b, a}));
    undo.trigger(); // lock
    EXPECT_TRUE(pasted->Movable());
    EXPECT_TRUE(c->Movable());
    redo.trigger();
    EXPECT_FALSE(c->Movable());
    site.setParent(nullptr);
}

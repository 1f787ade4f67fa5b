#include "platform/Component.h"
#include "platform/ClassRegistry.h"
#include "platform/ComponentWriter.h"
#include "platform/Stream.h"
#include "platform/StringList.h"

#include <gtest/gtest.h>
#include <memory>

namespace {

// Counts its instances, so tests see what the owner freed.
class TCounted : public TComponent {
    QUORLANE_CLASS(TCounted, TComponent)

public:
    explicit TCounted(TComponent* owner) : TComponent(owner) { ++alive; }
    ~TCounted() override { --alive; }
    static void DeclareProperties(TPropertyBuilder<TCounted>& p) {
        p.String("Caption", &TCounted::Caption, &TCounted::SetCaption);
        p.Integer("Size", &TCounted::Size, &TCounted::SetSize).Default(10);
        p.Strings("Lines", &TCounted::Lines);
    }
    void Assign(const TPersistent* source) override {
        if (auto* other = dynamic_cast<const TCounted*>(source)) {
            caption_ = other->caption_;
            size_ = other->size_;
            lines_.Assign(other->lines_);
            return;
        }
        TComponent::Assign(source);
    }
    QString Caption() const { return caption_; }
    void SetCaption(const QString& v) { caption_ = v; }
    int Size() const { return size_; }
    void SetSize(int v) { size_ = v; }
    TStringList* Lines() { return &lines_; }
    void Notification(TComponent* c, TOperation op) override {
        if (op == TOperation::opRemove && c == buddy)
            buddy = nullptr;
    }

    static inline int alive = 0;
    TComponent* buddy = nullptr;

private:
    QString caption_;
    int size_ = 10;
    TStringList lines_;
};

// A form-like owner with a published field for its child "Child1".
class TFieldOwner : public TComponent {
    QUORLANE_CLASS(TFieldOwner, TComponent)

public:
    using TComponent::TComponent;
    static void DeclareProperties(TPropertyBuilder<TFieldOwner>& p) {
        p.Field("Child1", &TFieldOwner::child1);
    }
    TCounted* child1 = nullptr;
};

class TAbstractThing : public TComponent {
    QUORLANE_CLASS(TAbstractThing, TComponent)

public:
    using TComponent::TComponent;
    virtual void Draw() = 0;
};

class TItem : public TCollectionItem {
    QUORLANE_CLASS(TItem, TCollectionItem)

public:
    using TCollectionItem::TCollectionItem;
    void Assign(const TPersistent* source) override {
        if (auto* other = dynamic_cast<const TItem*>(source)) {
            value = other->value;
            return;
        }
        TCollectionItem::Assign(source);
    }
    int value = 0;
};

} // namespace

TEST(Component, OwnerFreesOwnedComponentsAndForgetsOnesFreedEarly) {
    TCounted::alive = 0;
    {
        auto owner = std::make_unique<TCounted>(nullptr);
        auto* a = new TCounted(owner.get());
        new TCounted(owner.get());
        EXPECT_EQ(owner->ComponentCount(), 2);
        EXPECT_EQ(TCounted::alive, 3);
        delete a; // leaves its owner's list
        EXPECT_EQ(owner->ComponentCount(), 1);
        EXPECT_EQ(TCounted::alive, 2);
    }
    EXPECT_EQ(TCounted::alive, 0);
}

TEST(Component, NamesAreIdentifiersUniqueAmongSiblings) {
    TComponent owner(nullptr);
    auto* a = new TComponent(&owner);
    auto* b = new TComponent(&owner);
    a->SetName(QStringLiteral("Label1"));
    EXPECT_THROW(b->SetName(QStringLiteral("label1")), EComponentError);
    EXPECT_THROW(b->SetName(QStringLiteral("1st")), EComponentError);
    EXPECT_THROW(b->SetName(QStringLiteral("a b")), EComponentError);
    b->SetName(QStringLiteral("_Label2"));
    a->SetName(QStringLiteral("LABEL1")); // renaming itself in other case is no clash
    EXPECT_EQ(owner.FindComponent(QStringLiteral("label1")), a);
    EXPECT_EQ(owner.FindComponent(QStringLiteral("_label2")), b);
    EXPECT_EQ(owner.FindComponent(QString()), nullptr);
    EXPECT_THROW(owner.Components(2), EListError);
}

TEST(Component, PublishedFieldFollowsTheChildOfThatName) {
    TFieldOwner owner(nullptr);
    auto* child = new TCounted(&owner);
    EXPECT_EQ(owner.child1, nullptr);
    child->SetName(QStringLiteral("Child1"));
    EXPECT_EQ(owner.child1, child);
    child->SetName(QStringLiteral("Other"));
    EXPECT_EQ(owner.child1, nullptr);
    child->SetName(QStringLiteral("child1"));
    EXPECT_EQ(owner.child1, child);
    delete child;
    EXPECT_EQ(owner.child1, nullptr);
    // A component of another class never lands in the typed field.
    auto* plain = new TComponent(&owner);
    plain->SetName(QStringLiteral("Child1"));
    EXPECT_EQ(owner.child1, nullptr);
}

TEST(Component, FreeNotificationTellsTheOtherSide) {
    auto watcher = std::make_unique<TCounted>(nullptr);
    auto* target = new TComponent(nullptr);
    watcher->buddy = target;
    watcher->FreeNotification(target);
    delete target;
    EXPECT_EQ(watcher->buddy, nullptr);
    // And the other way round: a freed watcher leaves nothing dangling in the target.
    TComponent keep(nullptr);
    {
        TCounted gone(nullptr);
        gone.FreeNotification(&keep);
    }
    TComponent other(nullptr);
    other.FreeNotification(&keep);
}

TEST(Component, CloneMakesSameClassWithOwnerAndAssignedValues) {
    TComponent owner(nullptr);
    TCounted source(nullptr);
    source.SetCaption(QStringLiteral("見出し"));
    source.SetSize(42);
    source.Lines()->Add(QStringLiteral("line"));
    TComponent* clone = CloneComponent(&source, &owner);
    ASSERT_EQ(clone->ClassName(), QStringLiteral("TCounted"));
    EXPECT_EQ(clone->Owner(), &owner);
    auto* typed = dynamic_cast<TCounted*>(clone);
    ASSERT_NE(typed, nullptr);
    EXPECT_EQ(typed->Caption(), QStringLiteral("見出し"));
    EXPECT_EQ(typed->Size(), 42);
    EXPECT_EQ(typed->Lines()->Count(), 1);
    // Assigning between unrelated classes is refused with the class library's message.
    TComponent plain(nullptr);
    try {
        plain.Assign(&source);
        FAIL() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Cannot assign a TCounted to a TComponent"));
    }
}

TEST(Component, AbstractClassesAreNotCreated) {
    EXPECT_TRUE(TAbstractThing::StaticClass().IsAbstract());
    EXPECT_FALSE(TCounted::StaticClass().IsAbstract());
    EXPECT_THROW(TAbstractThing::StaticClass().CreateComponent(nullptr), EPropertyError);
    EXPECT_TRUE(TCounted::StaticClass().InheritsFrom(TComponent::StaticClass()));
    EXPECT_FALSE(TComponent::StaticClass().InheritsFrom(TCounted::StaticClass()));
}

TEST(Component, GenericStringAccessWalksPublishedProperties) {
    TCounted c(nullptr);
    QStringList names;
    for (const TPropInfo* p : GetPropList(&c))
        names << p->Name();
    EXPECT_EQ(names, (QStringList{"Name", "Tag", "Caption", "Size", "Lines"}));
    SetStrProp(&c, QStringLiteral("caption"), QStringLiteral("$(AppName)"));
    EXPECT_EQ(c.Caption(), QStringLiteral("$(AppName)"));
    EXPECT_EQ(GetStrProp(&c, QStringLiteral("Caption")), QStringLiteral("$(AppName)"));
    SetOrdProp(&c, QStringLiteral("Size"), 7);
    EXPECT_EQ(GetOrdProp(&c, QStringLiteral("size")), 7);
    EXPECT_THROW(GetStrProp(&c, QStringLiteral("Size")), EPropertyError);
    EXPECT_THROW(GetStrProp(&c, QStringLiteral("Missing")), EPropertyError);
    // Name is published but not stored: generic walkers skip it through the stored test.
    EXPECT_FALSE(GetPropInfo(&c, QStringLiteral("Name"))->IsStored(&c));
}

TEST(Collection, ItemsAreOwnedOrderedAndAssigned) {
    TCollection list(TItem::StaticClass());
    int updates = 0;
    list.OnUpdate = [&](TCollection*, TCollectionItem*) { ++updates; };
    auto* first = static_cast<TItem*>(list.Add());
    first->value = 1;
    auto* second = static_cast<TItem*>(list.Insert(0));
    second->value = 2;
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Items(0), second);
    EXPECT_EQ(first->Index(), 1);
    EXPECT_GE(updates, 2);
    EXPECT_EQ(list.FindItemID(first->ID()), first);

    TCollection copy(TItem::StaticClass());
    copy.Add();
    updates = 0;
    copy.OnUpdate = [&](TCollection*, TCollectionItem*) { ++updates; };
    copy.Assign(&list);
    ASSERT_EQ(copy.Count(), 2);
    EXPECT_EQ(static_cast<TItem*>(copy.Items(0))->value, 2);
    EXPECT_EQ(static_cast<TItem*>(copy.Items(1))->value, 1);
    EXPECT_EQ(updates, 1); // one change for the whole assignment

    delete list.Items(0);
    EXPECT_EQ(list.Count(), 1);
    first->SetCollection(nullptr);
    EXPECT_EQ(list.Count(), 0);
    delete first;
    EXPECT_THROW(list.Items(0), EListError);
}

namespace {

// Declares Size again with another default: it keeps its place among the inherited properties.
class TCountedBig : public TCounted {
    QUORLANE_CLASS(TCountedBig, TCounted)

public:
    explicit TCountedBig(TComponent* owner) : TCounted(owner) { SetSize(99); }
    static void DeclareProperties(TPropertyBuilder<TCountedBig>& p) {
        p.Integer("size", &TCounted::Size, &TCounted::SetSize).Default(99);
        p.Enumeration("Mood", &TCountedBig::mood, &TCountedBig::mood, {"mdCalm", "mdBusy"});
    }
    int mood = 0;
};

} // namespace

TEST(PropertyRegistry, DerivedClassReplacesAnInheritedPropertyInPlace) {
    TCountedBig c(nullptr);
    QStringList names;
    for (const TPropInfo* p : GetPropList(&c))
        names << p->Name();
    EXPECT_EQ(names, (QStringList{"Name", "Tag", "Caption", "size", "Lines", "Mood"}));
    const TPropInfo* size = GetPropInfo(&c, QStringLiteral("Size"));
    EXPECT_EQ(size->DefaultOrdinal(), 99);
    EXPECT_TRUE(size->IsDefault(&c));
    // The ancestor's table is untouched.
    EXPECT_EQ(TCounted::StaticClass().FindProperty(QStringLiteral("Size"))->DefaultOrdinal(), 10);
    EXPECT_EQ(GetEnumProp(&c, QStringLiteral("Mood")), QStringLiteral("mdCalm"));
    SetEnumProp(&c, QStringLiteral("mood"), QStringLiteral("MDBUSY"));
    EXPECT_EQ(c.mood, 1);
    EXPECT_THROW(SetEnumProp(&c, QStringLiteral("Mood"), QStringLiteral("mdAngry")), EPropertyError);
    // An enumeration without a declared default is always stored.
    EXPECT_FALSE(GetPropInfo(&c, QStringLiteral("Mood"))->IsDefault(&c));
    EXPECT_EQ(GetPropInfo(&c, QStringLiteral("Caption"))->TypeName(), QStringLiteral("String"));
}

TEST(PropertyRegistry, ColourIdentifiersOfTheClassLibrary) {
    QString ident;
    ASSERT_TRUE(ColorToIdent(0x000000, ident));
    EXPECT_EQ(ident, QStringLiteral("clBlack"));
    ASSERT_TRUE(ColorToIdent(static_cast<TColor>(0x8000000Fu), ident));
    EXPECT_EQ(ident, QStringLiteral("clBtnFace"));
    ASSERT_TRUE(ColorToIdent(clNone, ident));
    EXPECT_EQ(ident, QStringLiteral("clNone"));
    EXPECT_FALSE(ColorToIdent(0x123456, ident));
    TColor color = 0;
    ASSERT_TRUE(IdentToColor(QStringLiteral("CLWHITE"), color));
    EXPECT_EQ(color, 0xFFFFFF);
    ASSERT_TRUE(IdentToColor(QStringLiteral("clMoneyGreen"), color));
    EXPECT_EQ(color, 0xC0DCC0);
    EXPECT_FALSE(IdentToColor(QStringLiteral("clPlaid"), color));
}

namespace {
// Forgot QUORLANE_CLASS: it would be cloned and stored as a TCounted.
class TForgotten : public TCounted {
public:
    using TCounted::TCounted;
};
} // namespace

TEST(Component, AClassWithoutItsOwnDescriptionIsNotClonedOrStoredAsItsAncestor) {
    TForgotten f(nullptr);
    EXPECT_THROW(CloneComponent(&f, nullptr), EComponentError);
    TMemoryStream s;
    EXPECT_THROW(WriteComponent(s, &f), EComponentError);
    TCounted fine(nullptr);
    EXPECT_NO_THROW(fine.CheckClassType());
}

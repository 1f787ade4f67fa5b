#include "platform/ClassRegistry.h"
#include "platform/Component.h"

#include <gtest/gtest.h>

// Each test uses class names of its own: the registry lives for the whole test program.
namespace {

class TRegBase : public TComponent {
    QUORLANE_CLASS(TRegBase, TComponent)

public:
    using TComponent::TComponent;
};
class TRegMiddle : public TRegBase {
    QUORLANE_CLASS(TRegMiddle, TRegBase)

public:
    using TRegBase::TRegBase;
};
class TRegLeaf : public TRegMiddle {
    QUORLANE_CLASS(TRegLeaf, TRegMiddle)

public:
    using TRegMiddle::TRegMiddle;
};

// The shape of the page objects' text classes: a stored "TRegText" must load as the wizard
// text once the text class is taken out and its name made an alias.
class TRegText : public TComponent {
    QUORLANE_CLASS(TRegText, TComponent)

public:
    using TComponent::TComponent;
};
class TRegWizardText : public TRegText {
    QUORLANE_CLASS(TRegWizardText, TRegText)

public:
    using TRegText::TRegText;
};
class TRegDateText : public TRegWizardText {
    QUORLANE_CLASS(TRegDateText, TRegWizardText)

public:
    using TRegWizardText::TRegWizardText;
};

namespace other {
// Another class that calls itself TRegBase.
class TRegBase : public TComponent {
    QUORLANE_CLASS(TRegBase, TComponent)

public:
    using TComponent::TComponent;
};
} // namespace other

} // namespace

TEST(ClassRegistry, RegisteringAClassRegistersItsAncestorsNearestFirst) {
    RegisterClass<TRegLeaf>();
    const QStringList names = RegisteredClassNames();
    const qsizetype leaf = names.indexOf(QStringLiteral("TRegLeaf"));
    ASSERT_GE(leaf, 0);
    EXPECT_EQ(names.value(leaf + 1), QStringLiteral("TRegMiddle"));
    EXPECT_EQ(names.value(leaf + 2), QStringLiteral("TRegBase"));
    EXPECT_TRUE(IsClassRegistered(TComponent::StaticClass()));
    // Lookup ignores case; registering again changes nothing.
    EXPECT_EQ(GetClass(QStringLiteral("tregmiddle")), &TRegMiddle::StaticClass());
    RegisterClass<TRegLeaf>();
    EXPECT_EQ(RegisteredClassNames().count(QStringLiteral("TRegLeaf")), 1);
    // A second class of a registered name is refused.
    try {
        RegisterClass<other::TRegBase>();
        FAIL() << "no error";
    } catch (const EFilerError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("A class named TRegBase already exists"));
    }
    EXPECT_EQ(GetClass(QStringLiteral("TRegBase")), &TRegBase::StaticClass());
    EXPECT_EQ(GetClass(QStringLiteral("TRegNothing")), nullptr);
    EXPECT_THROW(FindClass(QStringLiteral("TRegNothing")), EClassNotFound);
}

TEST(ClassRegistry, AnAliasStandsInForAClassTakenOut) {
    RegisterClass<TRegDateText>(); // brings TRegWizardText and TRegText along
    EXPECT_EQ(GetClass(QStringLiteral("TRegText")), &TRegText::StaticClass());
    UnRegisterClass(TRegText::StaticClass());
    RegisterClass<TRegWizardText>(); // already there: its ancestors are not walked again
    RegisterClassAlias(TRegWizardText::StaticClass(), QStringLiteral("TRegText"));
    EXPECT_FALSE(IsClassRegistered(TRegText::StaticClass()));
    EXPECT_EQ(GetClass(QStringLiteral("tregtext")), &TRegWizardText::StaticClass());
    EXPECT_EQ(GetClass(QStringLiteral("TRegDateText")), &TRegDateText::StaticClass());
    // Registered classes are searched before aliases.
    RegisterClassAlias(TRegDateText::StaticClass(), QStringLiteral("TRegWizardText"));
    EXPECT_EQ(GetClass(QStringLiteral("TRegWizardText")), &TRegWizardText::StaticClass());
    // An alias name cannot be taken by a new class either.
    EXPECT_THROW(RegisterClass<TRegText>(), EFilerError);
}

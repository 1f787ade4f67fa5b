#include "core/UInterfaces.h"

#include <gtest/gtest.h>

namespace {

struct IGreeter : virtual IUnknownEx {
    static constexpr TGUID IID = GUIDLiteral("{5A0C3E11-7B2D-4C9E-8F10-2233445566AA}");
    virtual int Greet() = 0;
};
struct IOther : virtual IUnknownEx {
    static constexpr TGUID IID = GUIDLiteral("{5A0C3E11-7B2D-4C9E-8F10-2233445566AB}");
};

class TGreeter : public TAutoFreeInterface, public virtual IGreeter {
public:
    explicit TGreeter(bool* destroyed) : destroyed_(destroyed) {}
    ~TGreeter() override { *destroyed_ = true; }
    int Greet() override { return 42; }

protected:
    bool GetInterface(const TGUID& iid, void** obj) override {
        return Offer<IGreeter>(this, iid, obj) || TAutoFreeInterface::GetInterface(iid, obj);
    }

private:
    bool* destroyed_;
};

// An owned object whose embedded helper answers queries with the owner's interfaces.
class TOwner : public TInterfacedObjectEx, public virtual IGreeter {
public:
    TOwner() : helper(this) {}
    int Greet() override { return 7; }
    TInterfaceImplement helper;

protected:
    bool GetInterface(const TGUID& iid, void** obj) override {
        return Offer<IGreeter>(this, iid, obj) || TInterfacedObjectEx::GetInterface(iid, obj);
    }
};

} // namespace

TEST(Interfaces, GUIDLiteralMatchesParsedText) {
    constexpr TGUID g = GUIDLiteral("{D945C5B0-29DA-11D3-ACA5-00500463098A}");
    EXPECT_EQ(g, StringToGUID("{D945C5B0-29DA-11D3-ACA5-00500463098A}"));
    EXPECT_EQ(g.D1, 0xD945C5B0u);
    EXPECT_EQ(g.D4[0], 0xACu);
    EXPECT_EQ(g.D4[7], 0x8Au);
    EXPECT_EQ(IUnknownEx::IID.ToString(), u"{00000000-0000-0000-C000-000000000046}");
}

TEST(Interfaces, AutoFreeObjectLivesUntilLastReference) {
    bool destroyed = false;
    auto* object = new TGreeter(&destroyed);
    EXPECT_TRUE(object->AutoFree());
    TIntf<IGreeter> a(object);
    {
        TIntf<IGreeter> b = a;
        EXPECT_EQ(object->RefCount(), 2);
        TIntf<IUnknownEx> unknown = Supports<IUnknownEx>(static_cast<IUnknownEx*>(object));
        ASSERT_TRUE(unknown);
        EXPECT_EQ(object->RefCount(), 3);
    }
    EXPECT_EQ(object->RefCount(), 1);
    EXPECT_FALSE(destroyed);
    EXPECT_EQ(a->Greet(), 42);
    a.Reset();
    EXPECT_TRUE(destroyed);
}

TEST(Interfaces, ObjectMayRefuseAnInterface) {
    bool destroyed = false;
    TIntf<IGreeter> greeter(new TGreeter(&destroyed));
    void* p = reinterpret_cast<void*>(1);
    EXPECT_EQ(greeter->QueryInterface(IOther::IID, &p), E_NOINTERFACE);
    EXPECT_EQ(p, nullptr);
    EXPECT_FALSE(Supports<IOther>(greeter.get()));
    EXPECT_FALSE(Supports<IGreeter>(static_cast<IUnknownEx*>(nullptr)));
    // Asking for the null identifier finds nothing.
    EXPECT_EQ(greeter->QueryInterface(TGUID{}, &p), E_NOINTERFACE);
}

TEST(Interfaces, OwnedObjectCountsWithoutFreeing) {
    TOwner owner;
    EXPECT_FALSE(owner.AutoFree());
    {
        TIntf<IGreeter> g = Supports<IGreeter>(static_cast<TObject*>(&owner));
        ASSERT_TRUE(g);
        EXPECT_EQ(owner.RefCount(), 1);
    }
    EXPECT_EQ(owner.RefCount(), 0);
}

TEST(Interfaces, EmbeddedObjectAnswersForItsController) {
    TOwner owner;
    TIntf<IGreeter> g = Supports<IGreeter>(static_cast<IUnknownEx*>(&owner.helper));
    ASSERT_TRUE(g);
    EXPECT_EQ(g->Greet(), 7);
    EXPECT_EQ(owner.RefCount(), 1);
    EXPECT_EQ(owner.helper.RefCount(), 0);

    TInterfaceImplement alone;
    EXPECT_FALSE(Supports<IGreeter>(static_cast<IUnknownEx*>(&alone)));
    EXPECT_TRUE(Supports<IUnknownEx>(static_cast<IUnknownEx*>(&alone)));
}

TEST(Interfaces, PlainObjectsOfferNothing) {
    TObject plain;
    void* p = nullptr;
    EXPECT_FALSE(QueryObjectInterface(&plain, IUnknownEx::IID, &p));
    EXPECT_FALSE(QueryObjectInterface(nullptr, IUnknownEx::IID, &p));
    EXPECT_EQ(p, nullptr);
}

#pragma once
// Reference-counted service objects and interfaces asked for by identifier.
//
// An interface is an abstract struct that derives virtually from IUnknownEx and names its identifier
// in a static member IID. An object offers interfaces by deriving from them and answering
// QueryInterface; it may refuse any of them. TIntf<I> holds one counted reference. Most service
// objects here are owned by a parent object and freed by it; their count only tracks outstanding
// references. Auto-free objects delete themselves when the last reference goes.
//
// Interface methods report failure by throwing, as any other C++ call does; no status codes.

#include "platform/Exception.h"
#include "platform/Guid.h"
#include "platform/Object.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <utility>

namespace detail {
consteval uint32_t HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return uint32_t(c - '0');
    if (c >= 'A' && c <= 'F')
        return uint32_t(c - 'A' + 10);
    if (c >= 'a' && c <= 'f')
        return uint32_t(c - 'a' + 10);
    throw "not a hexadecimal digit"; // makes a malformed literal a compile error
}
consteval uint32_t HexField(const char* s, int first, int count) {
    uint32_t v = 0;
    for (int i = 0; i < count; ++i)
        v = (v << 4) | HexDigit(s[first + i]);
    return v;
}
} // namespace detail

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" as a compile-time constant.
consteval TGUID GUIDLiteral(const char (&s)[39]) {
    if (s[0] != '{' || s[9] != '-' || s[14] != '-' || s[19] != '-' || s[24] != '-' || s[37] != '}')
        throw "malformed GUID literal";
    TGUID g;
    g.D1 = detail::HexField(s, 1, 8);
    g.D2 = static_cast<uint16_t>(detail::HexField(s, 10, 4));
    g.D3 = static_cast<uint16_t>(detail::HexField(s, 15, 4));
    g.D4[0] = static_cast<uint8_t>(detail::HexField(s, 20, 2));
    g.D4[1] = static_cast<uint8_t>(detail::HexField(s, 22, 2));
    for (int i = 0; i < 6; ++i)
        g.D4[size_t(2 + i)] = static_cast<uint8_t>(detail::HexField(s, 25 + 2 * i, 2));
    return g;
}

// The base interface: query, add a reference, release one.
struct IUnknownEx {
    static constexpr TGUID IID = GUIDLiteral("{00000000-0000-0000-C000-000000000046}");
    // On success *obj holds the interface asked for, with a reference added for the caller; S_OK.
    // Otherwise *obj is null and the result is E_NOINTERFACE.
    virtual HRESULT QueryInterface(const TGUID& iid, void** obj) = 0;
    virtual int32_t AddRef() = 0;
    virtual int32_t Release() = 0;

protected:
    ~IUnknownEx() = default;
};

// One counted reference to an interface I; null when empty.
template <class I>
class TIntf {
public:
    TIntf() = default;
    TIntf(std::nullptr_t) {}
    // Adds a reference of its own.
    explicit TIntf(I* p) : p_(p) {
        if (p_)
            p_->AddRef();
    }
    TIntf(const TIntf& other) : TIntf(other.p_) {}
    TIntf(TIntf&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    template <class J>
    requires std::is_convertible_v<J*, I*> TIntf(const TIntf<J>& other)
        : TIntf(static_cast<I*>(other.get())) {}
    ~TIntf() { Reset(); }

    TIntf& operator=(TIntf other) noexcept {
        std::swap(p_, other.p_);
        return *this;
    }

    // Takes over a reference the caller already owns (the result of QueryInterface).
    static TIntf Adopt(I* p) {
        TIntf r;
        r.p_ = p;
        return r;
    }
    void Reset() {
        if (I* p = std::exchange(p_, nullptr))
            p->Release();
    }

    I* get() const { return p_; }
    I* operator->() const { return p_; }
    I& operator*() const { return *p_; }
    explicit operator bool() const { return p_ != nullptr; }
    friend bool operator==(const TIntf& a, const TIntf& b) { return a.p_ == b.p_; }
    friend bool operator==(const TIntf& a, const I* b) { return a.p_ == b; }

private:
    I* p_ = nullptr;
};

// Asks obj for the interface iid: through its base interface when it has one (so an object that hands
// queries on to another answers for it); a plain object offers none. True when found.
bool QueryObjectInterface(TObject* obj, const TGUID& iid, void** intf);

// The interface I of an object, or null when it refuses or is null.
template <class I>
TIntf<I> Supports(IUnknownEx* obj) {
    void* p = nullptr;
    if (obj && obj->QueryInterface(I::IID, &p) == S_OK)
        return TIntf<I>::Adopt(static_cast<I*>(p));
    return {};
}
template <class I>
TIntf<I> Supports(TObject* obj) {
    void* p = nullptr;
    if (QueryObjectInterface(obj, I::IID, &p))
        return TIntf<I>::Adopt(static_cast<I*>(p));
    return {};
}

// The base of reference-counted service objects. Not auto-free: owned and freed by its creator.
// For the interface tables of objects (GetInterface): when iid names I, hands out self as I with a
// reference added.
template <class I, class Self>
bool OfferInterface(Self* self, const TGUID& iid, void** obj) {
    if (iid != I::IID || I::IID.IsNull())
        return false;
    I* intf = static_cast<I*>(self);
    intf->AddRef();
    *obj = intf;
    return true;
}

class TInterfacedObjectEx : public TObject, public virtual IUnknownEx {
public:
    TInterfacedObjectEx() = default;
    TInterfacedObjectEx(const TInterfacedObjectEx&) = delete;
    TInterfacedObjectEx& operator=(const TInterfacedObjectEx&) = delete;
    ~TInterfacedObjectEx() override;

    HRESULT QueryInterface(const TGUID& iid, void** obj) override;
    int32_t AddRef() override;
    // Auto-free objects delete themselves at 0. An owned object's count must never go below 0:
    // that is a release without a matching reference (checked in debug builds; the count stays 0).
    int32_t Release() override;

    bool AutoFree() const { return autoFree_; }
    int32_t RefCount() const { return refCount_.load(); }

protected:
    // The object's own interface table: offers an interface the object implements. Derived classes
    // add theirs and end with the inherited call.
    virtual bool GetInterface(const TGUID& iid, void** obj);
    // For GetInterface: when iid names I, hands out self as I with a reference added.
    template <class I, class Self>
    static bool Offer(Self* self, const TGUID& iid, void** obj) {
        return OfferInterface<I>(self, iid, obj);
    }

    bool autoFree_ = false;

private:
    std::atomic<int32_t> refCount_{0};
};

// A service object that frees itself when its last reference is released.
class TAutoFreeInterface : public TInterfacedObjectEx {
public:
    TAutoFreeInterface() { autoFree_ = true; }
};

// A service object that may be embedded in another object, its controller: queries then go to the
// controller, so the embedded object answers with the interfaces of the object that embeds it. Its
// own count is kept apart from the controller's.
class TInterfaceImplement : public TInterfacedObjectEx {
public:
    explicit TInterfaceImplement(TObject* controller = nullptr) : controller_(controller) {}

    TObject* Controller() const { return controller_; }
    HRESULT QueryInterface(const TGUID& iid, void** obj) override;

private:
    TObject* controller_;
};

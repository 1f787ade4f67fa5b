#include "core/UInterfaces.h"

#include <QtGlobal>

namespace {
// Set while an auto-free object is being deleted, so that a reference taken and dropped by its own
// destruction (a broadcaster asking for its interface to unsubscribe) cannot delete it a second time.
constexpr int32_t DestroyingCount = 1 << 30;
} // namespace

bool QueryObjectInterface(TObject* obj, const TGUID& iid, void** intf) {
    *intf = nullptr;
    auto* unknown = dynamic_cast<IUnknownEx*>(obj);
    return unknown && unknown->QueryInterface(iid, intf) == S_OK;
}

TInterfacedObjectEx::~TInterfacedObjectEx() = default;

HRESULT TInterfacedObjectEx::QueryInterface(const TGUID& iid, void** obj) {
    *obj = nullptr;
    return GetInterface(iid, obj) ? S_OK : E_NOINTERFACE;
}

int32_t TInterfacedObjectEx::AddRef() {
    return ++refCount_;
}

int32_t TInterfacedObjectEx::Release() {
    const int32_t count = --refCount_;
    if (autoFree_) {
        if (count == 0) {
            refCount_ = DestroyingCount;
            delete this;
        }
        return count;
    }
    if (count < 0) {
        Q_ASSERT_X(false, "TInterfacedObjectEx::Release", "FRefCount is minus value");
        refCount_ = 0;
        return 0;
    }
    return count;
}

bool TInterfacedObjectEx::GetInterface(const TGUID& iid, void** obj) {
    return Offer<IUnknownEx>(this, iid, obj);
}

HRESULT TInterfaceImplement::QueryInterface(const TGUID& iid, void** obj) {
    if (!controller_)
        return TInterfacedObjectEx::QueryInterface(iid, obj);
    return QueryObjectInterface(controller_, iid, obj) ? S_OK : E_NOINTERFACE;
}

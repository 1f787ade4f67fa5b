// A plug-in library for the plug-in list tests: one server offering three classes in three categories.

#include "tests/core/plugins/TestPluginProtocol.h"

#include <atomic>
#include <stdexcept>

namespace {

std::atomic<int> liveObjects{0};
int failing = 0;

struct ClassEntry {
    TGUID clsid;
    TGUID category;
    const char16_t* name;
};

constexpr ClassEntry kClasses[] = {
    {kImportClass, kImportCategory, u"テスト取り込み"},
    {kSecondClass, kSecondCategory, u"Second"},
    {kOtherClass, kOtherCategory, u"Other"},
};

template <class... Interfaces>
class Counted : public Interfaces... {
public:
    Counted() { ++liveObjects; }
    virtual ~Counted() { --liveObjects; }
    int32_t AddRef() override { return ++refs_; }
    int32_t Release() override {
        const int32_t left = --refs_;
        if (left == 0)
            delete this;
        return left;
    }

private:
    std::atomic<int32_t> refs_{1};
};

class PluginObject final : public Counted<IComponentObject, ITestPluginObject> {
public:
    explicit PluginObject(const TGUID& clsid) : clsid_(clsid) {}
    HRESULT QueryInterface(const TGUID& iid, void** obj) override {
        if (iid == IComponentObject::IID || iid == IUnknownEx::IID)
            *obj = static_cast<IComponentObject*>(this);
        else if (iid == ITestPluginObject::IID)
            *obj = static_cast<ITestPluginObject*>(this);
        else {
            *obj = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    void SetHost(IUnknownEx* host) override { host_ = host; }
    TGUID ClassID() override { return clsid_; }
    IUnknownEx* Host() override { return host_; }

private:
    TGUID clsid_;
    IUnknownEx* host_ = nullptr;
};

class Server final : public Counted<IComponentServer, IComponentObject> {
public:
    HRESULT QueryInterface(const TGUID& iid, void** obj) override {
        if (iid == IComponentServer::IID || iid == IUnknownEx::IID)
            *obj = static_cast<IComponentServer*>(this);
        else if (iid == IComponentObject::IID)
            *obj = static_cast<IComponentObject*>(this);
        else {
            *obj = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    void SetHost(IUnknownEx*) override {}
    int32_t GetCount() override {
        if (failing)
            throw std::runtime_error("server broken");
        return 3;
    }
    TGUID GetCLSID(int32_t index) override { return At(index).clsid; }
    TGUID GetCategory(int32_t index) override { return At(index).category; }
    QString GetName(int32_t index) override { return QString::fromUtf16(At(index).name); }
    IComponentObject* CreateObject(const TGUID& clsid) override {
        for (const ClassEntry& c : kClasses) {
            if (c.clsid == clsid)
                return new PluginObject(clsid);
        }
        return nullptr;
    }

private:
    static const ClassEntry& At(int32_t index) {
        if (index < 0 || index >= 3)
            throw std::out_of_range("class index");
        return kClasses[index];
    }
};

} // namespace

QUORLANE_COMPONENT_SERVER_ENTRY {
    if (version != kComponentServerVersion)
        return nullptr;
    return new Server;
}

extern "C" __attribute__((visibility("default"))) void TestPluginSetFailing(int value) {
    failing = value;
}

extern "C" __attribute__((visibility("default"))) int TestPluginLiveObjects() {
    return liveObjects;
}

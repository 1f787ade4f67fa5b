// A plug-in library for the plug-in tests: one server offering three classes in three categories;
// the import class is an image generator whose picture is 40 x 30 pixels of kTestPluginColour.

#include "tests/core/plugins/TestPluginProtocol.h"

#include "platform/Stream.h"

#include <atomic>
#include <stdexcept>
#include <vector>

namespace {

std::atomic<int> liveObjects{0};
int failing = 0;
int runResult = 1;

void PutLE(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(uint8_t(value >> (8 * i)));
}

// A 24-bit bottom-up BMP file of one colour.
std::vector<uint8_t> MakeBMP(int width, int height, uint32_t rgb) {
    const int stride = (width * 3 + 3) & ~3;
    std::vector<uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    PutLE(out, uint32_t(54 + stride * height), 4);
    PutLE(out, 0, 4);
    PutLE(out, 54, 4);
    PutLE(out, 40, 4);
    PutLE(out, uint32_t(width), 4);
    PutLE(out, uint32_t(height), 4);
    PutLE(out, 1, 2);
    PutLE(out, 24, 2);
    for (int i = 0; i < 6; ++i)
        PutLE(out, 0, 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            out.push_back(uint8_t(rgb));
            out.push_back(uint8_t(rgb >> 8));
            out.push_back(uint8_t(rgb >> 16));
        }
        for (int pad = width * 3; pad < stride; ++pad)
            out.push_back(0);
    }
    return out;
}

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

class PluginObject final : public Counted<IComponentObject, ITestPluginObject, IImageGenerator> {
public:
    explicit PluginObject(const TGUID& clsid) : clsid_(clsid) {}
    HRESULT QueryInterface(const TGUID& iid, void** obj) override {
        if (iid == IComponentObject::IID || iid == IUnknownEx::IID)
            *obj = static_cast<IComponentObject*>(this);
        else if (iid == ITestPluginObject::IID)
            *obj = static_cast<ITestPluginObject*>(this);
        else if (iid == IImageGenerator::IID && clsid_ == kImportClass)
            *obj = static_cast<IImageGenerator*>(this);
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
    bool Run(QWidget*) override {
        if (runResult < 0)
            throw std::runtime_error("generator broken");
        made_ = runResult > 0;
        return made_;
    }
    void SaveToStream(TStream& stream) override {
        if (!made_)
            throw std::logic_error("no picture made");
        const std::vector<uint8_t> bmp = MakeBMP(kTestPluginWidth, kTestPluginHeight, kTestPluginColour);
        if (stream.Write(bmp.data(), int64_t(bmp.size())) != int64_t(bmp.size()))
            throw std::runtime_error("stream full");
    }

private:
    TGUID clsid_;
    IUnknownEx* host_ = nullptr;
    bool made_ = false;
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

extern "C" __attribute__((visibility("default"))) void TestPluginSetRunResult(int value) {
    runResult = value;
}

extern "C" __attribute__((visibility("default"))) int TestPluginLiveObjects() {
    return liveObjects;
}

// Feeds arbitrary bytes to the reader of stored object lists (what the clipboard and stored pages
// hand over): a count, then components. A clean EReadError is fine; a crash, a leak of created
// objects or a list that does not store and load again the same is not.

#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/engine/ULORectBase.h"
#include "platform/ClassRegistry.h"
#include "platform/Stream.h"

#include <cstdint>
#include <cstdlib>

namespace {

// A concrete page object, so that stored lists can create something.
class TFuzzRect : public TLORectBase {
    QUORLANE_CLASS(TFuzzRect, TLORectBase)

public:
    explicit TFuzzRect(TComponent* owner) : TLORectBase(owner) {}
    void SetEnclosingSize(int w, int h) override { SetLogRect(Bounds(LogLeft(), LogTop(), w, h)); }
    void DrawOutline(TCanvas&) override {}
};

// A stored component that is no page object.
class TFuzzThing : public TComponent {
    QUORLANE_CLASS(TFuzzThing, TComponent)

public:
    explicit TFuzzThing(TComponent* owner) : TComponent(owner) {}
};

void Register() {
    static const bool done = [] {
        RegisterClass(TFuzzRect::StaticClass());
        RegisterClass(TFuzzThing::StaticClass());
        return true;
    }();
    (void)done;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Register();
    TMemoryStream stream(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    TOwnedDOList list;
    try {
        list.LoadFromStream(stream);
    } catch (const Exception&) {
        if (list.Count() != 0)
            std::abort();
        return 0;
    }
    if (stream.GetPosition() > stream.GetSize())
        std::abort();
    TMemoryStream first;
    list.SaveToStream(first);
    first.Seek(0, TSeekOrigin::soBeginning);
    TOwnedDOList again;
    again.LoadFromStream(first);
    TMemoryStream second;
    again.SaveToStream(second);
    if (again.Count() != list.Count() || second.Data() != first.Data())
        std::abort();
    return 0;
}

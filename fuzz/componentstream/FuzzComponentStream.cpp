// Fuzz target of the component stream reader. The input is read as a component stream and,
// when its first byte is $FF, as a component resource. Whatever reads cleanly is written
// again, read again and written a third time: the two written forms must be equal. The peek that
// indexes stored components without reading them must walk every stream the reader reads.

#include "platform/ClassRegistry.h"
#include "platform/Component.h"
#include "platform/ComponentReader.h"
#include "platform/ComponentResource.h"
#include "platform/ComponentWriter.h"
#include "platform/Stream.h"
#include "platform/StringList.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

class TFzNested : public TPersistent {
    QUORLANE_CLASS(TFzNested, TPersistent)

public:
    static void DeclareProperties(TPropertyBuilder<TFzNested>& p) {
        p.Enumeration("Kind", &TFzNested::kind, &TFzNested::kind, {"fkOne", "fkTwo", "fkThree"}).Default(0);
        p.Set("Flags", &TFzNested::flags, &TFzNested::flags, {"ffA", "ffB", "ffC", "ffD"});
        p.Color("Color", &TFzNested::color, &TFzNested::color).Default(0);
        p.Float("Angle", &TFzNested::angle, &TFzNested::angle);
    }
    void DefineProperties(TFiler& filer) override {
        filer.DefineBinaryProperty(
            QStringLiteral("Data"),
            [this](TStream& s) {
                const int32_t n = s.ReadInt32();
                if (n < 0 || n > s.Remaining() / 4)
                    throw EReadError(QStringLiteral("Invalid data count"));
                data.assign(static_cast<size_t>(n), 0);
                for (int32_t& v : data)
                    v = s.ReadInt32();
            },
            [this](TStream& s) {
                s.WriteInt32(static_cast<int32_t>(data.size()));
                for (int32_t v : data)
                    s.WriteInt32(v);
            },
            !data.empty());
    }
    int kind = 0;
    uint32_t flags = 0;
    TColor color = 0;
    double angle = 0;
    std::vector<int32_t> data;
};

class TFzItem : public TCollectionItem {
    QUORLANE_CLASS(TFzItem, TCollectionItem)

public:
    using TCollectionItem::TCollectionItem;
    static void DeclareProperties(TPropertyBuilder<TFzItem>& p) {
        p.Integer("Left", &TFzItem::left, &TFzItem::left).Default(0);
        p.String("Text", &TFzItem::text, &TFzItem::text);
        p.Object("Nested", &TFzItem::Nested);
    }
    TFzNested* Nested() { return &nested; }
    int left = 0;
    QString text;
    TFzNested nested;
};

class TFzRoot : public TComponent {
    QUORLANE_CLASS(TFzRoot, TComponent)

public:
    explicit TFzRoot(TComponent* owner) : TComponent(owner), items(TFzItem::StaticClass(), this) {}
    static void DeclareProperties(TPropertyBuilder<TFzRoot>& p) {
        p.Int64("Big", &TFzRoot::big, &TFzRoot::big);
        p.Boolean("Flag", &TFzRoot::flag, &TFzRoot::flag).Default(false);
        p.String("Caption", &TFzRoot::caption, &TFzRoot::caption);
        p.WideString("Wide", &TFzRoot::wide, &TFzRoot::wide);
        p.Strings("Lines", &TFzRoot::Lines);
        p.Float("Half", &TFzRoot::half, &TFzRoot::half, TFloatType::Single);
        p.Currency("Price", &TFzRoot::price, &TFzRoot::price);
        p.Float("When", &TFzRoot::when, &TFzRoot::when, TFloatType::DateTime);
        p.Object("Nested", &TFzRoot::Nested);
        p.Collection("Items", &TFzRoot::Items);
        p.Component("Link", &TFzRoot::link, &TFzRoot::link);
        p.Event("OnDone", &TFzRoot::onDone, &TFzRoot::onDone);
        p.Field("Child1", &TFzRoot::child1);
    }
    void GetChildren(const TGetChildProc& proc, TComponent*) override {
        for (int i = 0; i < ComponentCount(); ++i)
            proc(Components(i));
    }
    TStringList* Lines() { return &lines; }
    TFzNested* Nested() { return &nested; }
    TCollection* Items() { return &items; }
    int64_t big = 0;
    bool flag = false;
    QString caption;
    QString wide;
    TStringList lines;
    double half = 0;
    TCurrency price;
    double when = 0;
    TFzNested nested;
    TCollection items;
    TComponent* link = nullptr;
    QString onDone;
    TFzRoot* child1 = nullptr;
};

class TFzAbstract : public TComponent {
    QUORLANE_CLASS(TFzAbstract, TComponent)

public:
    using TComponent::TComponent;
    virtual void Run() = 0;
};

QByteArray WriteBack(TComponent* c) {
    TMemoryStream s;
    WriteComponent(s, c);
    return s.Data();
}

void CheckRoundTrip(TComponent* c) {
    QByteArray first;
    try {
        first = WriteBack(c);
    } catch (const Exception&) {
        return; // a value read cleanly that the writer refuses
    }
    TMemoryStream again(first);
    std::unique_ptr<TComponent> second = ReadComponent(again);
    if (WriteBack(second.get()) != first) {
        std::fprintf(stderr, "component stream changed on a second round trip\n");
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool registered = [] {
        RegisterClasses({&TFzRoot::StaticClass(), &TFzAbstract::StaticClass(), &TFzItem::StaticClass()});
        RegisterClassAlias(TFzRoot::StaticClass(), QStringLiteral("TFzOld"));
        return true;
    }();
    (void)registered;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    std::vector<TPeekedProperty> peeked;
    QByteArrayView className;
    const bool peekedWhole = PeekComponent(bytes, className, peeked);
    QString text;
    bool flag = false;
    int32_t number = 0;
    for (const TPeekedProperty& property : peeked) {
        PeekedText(property, text);
        PeekedBoolean(property, flag);
        PeekedInteger(property, number);
    }
    try {
        TMemoryStream s(bytes);
        const bool resource = size > 0 && data[0] == 0xFF;
        std::unique_ptr<TComponent> c = resource ? ReadComponentRes(s) : ReadComponent(s);
        if (!resource && !peekedWhole) {
            std::fprintf(stderr, "a stream the reader reads does not peek whole\n");
            std::abort();
        }
        CheckRoundTrip(c.get());
    } catch (const Exception&) {
        // A clean rejection.
    }
    try {
        TFzRoot into(nullptr);
        TMemoryStream s(bytes);
        ReadComponent(s, into);
    } catch (const Exception&) {
    }
    return 0;
}

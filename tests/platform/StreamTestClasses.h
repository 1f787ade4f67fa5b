#pragma once
// Classes used by the component-stream tests: TKitchen publishes one property of every kind,
// with a nested object inside a nested object, a collection, a component reference, an event,
// custom binary and typed properties, and writes its owned components as children.

#include "platform/ClassRegistry.h"
#include "platform/Component.h"
#include "platform/ComponentReader.h"
#include "platform/ComponentWriter.h"
#include "platform/Stream.h"
#include "platform/StringList.h"

#include <QByteArray>
#include <vector>

namespace StreamTest {

enum TShade { shNone, shLight, shDark };
enum TInnerKind { ikA, ikB };
enum TStyleBit : uint32_t { fsBold = 1, fsItalic = 2, fsUnderline = 4 };

class TDeep : public TPersistent {
    QUORLANE_CLASS(TDeep, TPersistent)

public:
    static void DeclareProperties(TPropertyBuilder<TDeep>& p) {
        p.Integer("Level", &TDeep::Level, &TDeep::SetLevel).Default(0);
    }
    int Level() const { return level_; }
    void SetLevel(int v) { level_ = v; }

private:
    int level_ = 0;
};

// Like a colour spec's gradation colours: a binary "Colors" list, left out while it holds
// the default white and black.
class TInner : public TPersistent {
    QUORLANE_CLASS(TInner, TPersistent)

public:
    static void DeclareProperties(TPropertyBuilder<TInner>& p) {
        p.Enumeration("Kind", &TInner::Kind, &TInner::SetKind, {"ikA", "ikB"}, "TInnerKind").Default(ikA);
        p.Integer("Count", &TInner::Count, &TInner::SetCount).Default(1);
        p.Object("Deep", &TInner::Deep);
    }
    void DefineProperties(TFiler& filer) override {
        filer.DefineBinaryProperty(
            QStringLiteral("Colors"),
            [this](TStream& s) {
                colors.clear();
                const int32_t n = s.ReadInt32();
                if (n < 0 || n > s.Remaining() / 4)
                    throw EReadError(QStringLiteral("bad colour count"));
                for (int32_t i = 0; i < n; ++i)
                    colors.push_back(s.ReadInt32());
            },
            [this](TStream& s) {
                s.WriteInt32(static_cast<int32_t>(colors.size()));
                for (int32_t c : colors)
                    s.WriteInt32(c);
            },
            colors != std::vector<int32_t>{0xFFFFFF, 0});
    }
    TInnerKind Kind() const { return kind_; }
    void SetKind(TInnerKind v) { kind_ = v; }
    int Count() const { return count_; }
    void SetCount(int v) { count_ = v; }
    TDeep* Deep() { return &deep_; }

    std::vector<int32_t> colors{0xFFFFFF, 0};

private:
    TInnerKind kind_ = ikA;
    int count_ = 1;
    TDeep deep_;
};

class TRow : public TCollectionItem {
    QUORLANE_CLASS(TRow, TCollectionItem)

public:
    using TCollectionItem::TCollectionItem;
    static void DeclareProperties(TPropertyBuilder<TRow>& p) {
        p.Integer("X", &TRow::X, &TRow::SetX).Default(0);
        p.String("Label", &TRow::Label, &TRow::SetLabel);
    }
    int X() const { return x_; }
    void SetX(int v) { x_ = v; }
    QString Label() const { return label_; }
    void SetLabel(const QString& v) { label_ = v; }

private:
    int x_ = 0;
    QString label_;
};

class TPart : public TComponent {
    QUORLANE_CLASS(TPart, TComponent)

public:
    using TComponent::TComponent;
    static void DeclareProperties(TPropertyBuilder<TPart>& p) {
        p.Integer("Size", &TPart::Size, &TPart::SetSize).Default(0);
    }
    int Size() const { return size_; }
    void SetSize(int v) { size_ = v; }
    void Loaded() override {
        TComponent::Loaded();
        ++loadedCalls;
    }
    int loadedCalls = 0;

private:
    int size_ = 0;
};

class TKitchen : public TComponent {
    QUORLANE_CLASS(TKitchen, TComponent)

public:
    explicit TKitchen(TComponent* owner) : TComponent(owner), rows_(TRow::StaticClass(), this) {}

    static void DeclareProperties(TPropertyBuilder<TKitchen>& p) {
        p.Integer("Number", &TKitchen::number_, &TKitchen::number_).Default(0);
        p.Int64("Big", &TKitchen::big_, &TKitchen::big_);
        p.Boolean("Visible", &TKitchen::visible_, &TKitchen::visible_).Default(true);
        p.Boolean("Landscape", &TKitchen::landscape_, &TKitchen::landscape_);
        p.Enumeration("Shade", &TKitchen::shade_, &TKitchen::shade_, {"shNone", "shLight", "shDark"},
                      "TShade")
            .Default(shNone);
        p.Set("Styles", &TKitchen::styles_, &TKitchen::styles_, {"fsBold", "fsItalic", "fsUnderline"})
            .Default(0);
        p.String("Caption", &TKitchen::caption_, &TKitchen::caption_);
        p.WideString("Wide", &TKitchen::wide_, &TKitchen::wide_);
        p.Strings("Lines", &TKitchen::Lines);
        p.Float("Ratio", &TKitchen::ratio_, &TKitchen::ratio_);
        p.Float("Half", &TKitchen::half_, &TKitchen::half_, TFloatType::Single);
        p.Currency("Price", &TKitchen::price_, &TKitchen::price_);
        p.Float("When", &TKitchen::when_, &TKitchen::when_, TFloatType::DateTime);
        p.Float("Exact", &TKitchen::exact_, &TKitchen::exact_, TFloatType::Double);
        p.Color("Color", &TKitchen::color_, &TKitchen::color_).Default(clNone);
        p.Object("Inner", &TKitchen::Inner);
        p.Collection("Rows", &TKitchen::Rows);
        p.Component("Buddy", &TKitchen::buddy_, &TKitchen::buddy_);
        p.Event("OnClick", &TKitchen::onClick_, &TKitchen::onClick_);
        p.Integer("Secret", &TKitchen::secret_, &TKitchen::secret_).Stored(false);
        p.Integer("Margin", &TKitchen::margin_, &TKitchen::margin_).Stored(&TKitchen::MarginStored);
        p.Field("Other", &TKitchen::other);
    }
    void DefineProperties(TFiler& filer) override {
        TComponent::DefineProperties(filer);
        filer.DefineBinaryProperty(
            QStringLiteral("Blob"), [this](TStream& s) { blob = s.ReadBytes(s.Remaining()); },
            [this](TStream& s) { s.WriteBytes(blob); }, !blob.isEmpty());
        filer.DefineProperty(
            QStringLiteral("Pair"),
            [this](TReader& r) {
                r.ReadListBegin();
                pairA = r.ReadInteger();
                pairB = r.ReadInteger();
                r.ReadListEnd();
            },
            [this](TWriter& w) {
                w.WriteListBegin();
                w.WriteInteger(pairA);
                w.WriteInteger(pairB);
                w.WriteListEnd();
            },
            pairA != 0 || pairB != 0);
        // An older name, read and never written.
        filer.DefineProperty(
            QStringLiteral("OldNumber"), [this](TReader& r) { number_ = r.ReadInteger() * 10; }, nullptr,
            false);
    }
    void GetChildren(const TGetChildProc& proc, TComponent*) override {
        for (int i = 0; i < ComponentCount(); ++i)
            proc(Components(i));
    }
    void Loaded() override {
        TComponent::Loaded();
        ++loadedCalls;
    }
    bool MarginStored() const { return margin_ != 0; }
    TStringList* Lines() { return &lines_; }
    TInner* Inner() { return &inner_; }
    TCollection* Rows() { return &rows_; }

    int32_t number_ = 0;
    int64_t big_ = 0;
    bool visible_ = true;
    bool landscape_ = false;
    TShade shade_ = shNone;
    uint32_t styles_ = 0;
    QString caption_;
    QString wide_;
    double ratio_ = 0;
    double half_ = 0;
    TCurrency price_;
    double when_ = 0;
    double exact_ = 0;
    TColor color_ = clNone;
    TComponent* buddy_ = nullptr;
    QString onClick_;
    int32_t secret_ = 0;
    int32_t margin_ = 0;
    QByteArray blob;
    int32_t pairA = 0;
    int32_t pairB = 0;
    TPart* other = nullptr;
    int loadedCalls = 0;

private:
    TStringList lines_;
    TInner inner_;
    TCollection rows_;
};

// A component class that cannot be made by name.
class TShapeBase : public TComponent {
    QUORLANE_CLASS(TShapeBase, TComponent)

public:
    using TComponent::TComponent;
    virtual int Corners() const = 0;
};

inline void RegisterStreamTestClasses() {
    if (!IsClassRegistered(TKitchen::StaticClass()))
        RegisterClasses({&TKitchen::StaticClass(), &TPart::StaticClass(), &TShapeBase::StaticClass(),
                         &TRow::StaticClass()});
}

// A short string as the stream holds it: length byte, then the bytes.
inline QByteArray S(const char* text) {
    const QByteArray bytes(text);
    return char(bytes.size()) + bytes;
}

inline QByteArray Write(TComponent* c) {
    TMemoryStream s;
    WriteComponent(s, c);
    return s.Data();
}

} // namespace StreamTest

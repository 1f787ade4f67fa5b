#pragma once
// Published properties, standing in for the class library's run-time type information: each
// streamable class has one TMetaClass that knows its name, its ancestor, how to create an
// instance (the virtual constructor) and its published properties in declaration order,
// ancestors first. The component writer and reader, macro expansion in components and colour
// replacement all walk these tables instead of knowing the classes.
//
// A class declares its properties in a static DeclareProperties (see Component.h for the
// QUORLANE_CLASS macro that gives a class its TMetaClass):
//
//     void TGrid::DeclareProperties(TPropertyBuilder<TGrid>& p) {
//         p.Boolean("Visible", &TGrid::Visible, &TGrid::SetVisible);
//         p.Integer("Size", &TGrid::Size, &TGrid::SetSize).Default(50);
//         p.Enumeration("Kind", &TGrid::Kind, &TGrid::SetKind, {"gkDot", "gkLine"}).Default(0);
//     }

#include "platform/Color.h"
#include "platform/Exception.h"
#include "platform/Filer.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <type_traits>
#include <typeinfo>
#include <utility>
#include <vector>

class TPersistent;
class TComponent;
class TCollection;
class TCollectionItem;
class TStringList;
class TMetaClass;

QUORLANE_EXCEPTION(EPropertyError, Exception)

enum class TPropKind {
    Integer,     // 32-bit signed; stored as the smallest of Int8/Int16/Int32
    Int64,       // 64-bit signed; Int64 on the wire only when 32 bits do not hold it
    Boolean,     // False/True
    Enumeration, // stored as its identifier
    Set,         // stored as the identifiers of its members; bit n is ordinal n
    String,      // CP932 where it can be, wide otherwise
    WideString,  // always wide
    Strings,     // a string list, stored as "<name>.Strings"
    Float,       // see TFloatType
    Color,       // stored as an identifier such as clBlack when it has one
    Charset,     // a font's character set, stored as an identifier such as SHIFTJIS_CHARSET when it has one
    Object,      // a nested persistent object: its properties stored as "<name>.<property>"
    Collection,  // a collection of items
    Component,   // a reference to another component, stored as its name
    Event,       // an event, stored as the name of its handler
};

// The wire form of a float property: Extended and Double go as the 10-byte extended value
// (what every reader of the format understands), the others as their own tags.
enum class TFloatType { Extended, Double, Single, Currency, DateTime };

class TPropInfo {
public:
    const QString& Name() const { return name_; }
    TPropKind Kind() const { return kind_; }
    // The declared type's name ("Integer", "TColor", "TColorSpecKind"...).
    const QString& TypeName() const { return typeName_; }
    TFloatType FloatType() const { return floatType_; }
    // Identifiers of an enumeration or of a set's members, by ordinal.
    const QStringList& Identifiers() const { return identifiers_; }
    // The class of a nested object, a collection or a referenced component.
    const TMetaClass* ObjectClass() const { return objectClass_; }
    bool HasDefault() const { return hasDefault_; }
    // Whether it takes its own class's place in the order when it hides an inherited one.
    bool Repositioned() const { return reposition_; }
    int64_t DefaultOrdinal() const { return ordDefault_; }
    double DefaultFloat() const { return floatDefault_; }
    bool CanWrite() const;

    // Raise EPropertyError when the property is not of a fitting kind or is read-only.
    int64_t GetOrdinal(TPersistent* instance) const;
    void SetOrdinal(TPersistent* instance, int64_t value) const;
    // A Currency property gives its nearest double; a double set into it is rounded to nearest and
    // raises EPropertyError beyond the type.
    double GetFloat(TPersistent* instance) const;
    void SetFloat(TPersistent* instance, double value) const;
    // Currency properties only: the count of ten-thousandths as it is.
    TCurrency GetCurrency(TPersistent* instance) const;
    void SetCurrency(TPersistent* instance, TCurrency value) const;
    // String, WideString and Event (the handler's name).
    QString GetString(TPersistent* instance) const;
    void SetString(TPersistent* instance, const QString& value) const;
    // Object and Collection.
    TPersistent* GetObject(TPersistent* instance) const;
    TStringList* GetStrings(TPersistent* instance) const;
    TComponent* GetComponent(TPersistent* instance) const;
    // Raises EPropertyError when value is not of the referenced class.
    void SetComponent(TPersistent* instance, TComponent* value) const;
    // An enumeration's identifier, or the set's "[a,b]" text; Boolean gives False/True.
    QString GetIdent(TPersistent* instance) const;

    // The stored predicate (true when none was declared).
    bool IsStored(TPersistent* instance) const;
    // True when the value equals the default, so the writer leaves it out: ordinals with a
    // declared default, empty strings, zero floats, nil references and unassigned events.
    bool IsDefault(TPersistent* instance) const;

private:
    template <class C>
    friend class TPropertyBuilder;
    template <class C>
    friend class TPropDecl;
    void KindError(const char* what) const;

    QString name_;
    TPropKind kind_ = TPropKind::Integer;
    QString typeName_;
    TFloatType floatType_ = TFloatType::Extended;
    QStringList identifiers_;
    const TMetaClass* objectClass_ = nullptr;
    bool hasDefault_ = false;
    bool reposition_ = false;
    int64_t ordDefault_ = 0;
    double floatDefault_ = 0;

    std::function<int64_t(TPersistent*)> getOrd_;
    std::function<void(TPersistent*, int64_t)> setOrd_;
    std::function<double(TPersistent*)> getFloat_;
    std::function<void(TPersistent*, double)> setFloat_;
    std::function<TCurrency(TPersistent*)> getCurrency_;
    std::function<void(TPersistent*, TCurrency)> setCurrency_;
    std::function<QString(TPersistent*)> getStr_;
    std::function<void(TPersistent*, const QString&)> setStr_;
    std::function<TPersistent*(TPersistent*)> getObj_;
    std::function<TStringList*(TPersistent*)> getStrings_;
    std::function<TComponent*(TPersistent*)> getComp_;
    std::function<void(TPersistent*, TComponent*)> setComp_;
    std::function<bool(TPersistent*)> stored_;
};

// A published field of a form-like owner: the owner's member that points to the owned
// component of that name (set when such a component is named or read, cleared when it goes).
class TFieldInfo {
public:
    const QString& Name() const { return name_; }
    const TMetaClass* FieldClass() const { return fieldClass_; }
    // False (and nothing set) when value is not of the field's class.
    bool Set(TPersistent* owner, TComponent* value) const { return set_(owner, value); }
    TComponent* Get(TPersistent* owner) const { return get_(owner); }

private:
    template <class C>
    friend class TPropertyBuilder;
    QString name_;
    const TMetaClass* fieldClass_ = nullptr;
    std::function<bool(TPersistent*, TComponent*)> set_;
    std::function<TComponent*(TPersistent*)> get_;
};

// What a class is: name, ancestor, virtual constructor and published properties.
class TMetaClass {
public:
    template <class C, class P>
    struct Describe {};

    // The root of the hierarchy (TPersistent).
    TMetaClass(const char* name, const std::type_info& type,
               std::unique_ptr<TPersistent> (*createPersistent)());
    template <class C, class P>
    TMetaClass(Describe<C, P>, const char* name);
    TMetaClass(const TMetaClass&) = delete;
    TMetaClass& operator=(const TMetaClass&) = delete;

    const QString& Name() const { return name_; }
    // The C++ class described; a class that forgot QUORLANE_CLASS reports its parent's
    // description, and the writer and CloneComponent refuse it through this.
    const std::type_info& TypeInfo() const { return *typeInfo_; }
    const TMetaClass* Parent() const { return parentFn_ != nullptr ? parentFn_() : nullptr; }
    // True for this class and its descendants.
    bool InheritsFrom(const TMetaClass& other) const;
    bool IsComponentClass() const;
    bool IsCollectionItemClass() const;
    // A class that cannot be instantiated (abstract, or without a fitting constructor).
    bool IsAbstract() const;

    // The virtual constructors; each raises EPropertyError for an abstract class or one
    // of another family.
    TComponent* CreateComponent(TComponent* owner) const;
    TCollectionItem* CreateItem(TCollection* collection) const;
    std::unique_ptr<TPersistent> CreatePersistent() const;

    // Published properties, ancestors' first; a property a class declares again under an
    // inherited name takes the inherited one's place.
    const std::vector<const TPropInfo*>& Properties() const;
    // Case-insensitive, as the class library looks names up.
    const TPropInfo* FindProperty(const QString& name) const;
    const std::vector<const TFieldInfo*>& Fields() const;
    const TFieldInfo* FindField(const QString& name) const;

private:
    template <class C>
    friend class TPropertyBuilder;
    void Build() const;

    QString name_;
    const std::type_info* typeInfo_;
    const TMetaClass* (*parentFn_)() = nullptr;
    TComponent* (*createComponent_)(TComponent*) = nullptr;
    TCollectionItem* (*createItem_)(TCollection*) = nullptr;
    std::unique_ptr<TPersistent> (*createPersistent_)() = nullptr;
    void (*declare_)(TMetaClass&) = nullptr;
    bool isComponent_ = false;
    bool isItem_ = false;

    mutable std::once_flag built_;
    mutable std::vector<std::unique_ptr<TPropInfo>> own_;
    mutable std::vector<std::unique_ptr<TFieldInfo>> ownFields_;
    mutable std::vector<const TPropInfo*> props_;
    mutable std::vector<const TFieldInfo*> fields_;
};

// Builder handle returned for one declared property, to add its default and stored predicate.
template <class C>
class TPropDecl {
public:
    explicit TPropDecl(TPropInfo& info) : info_(info) {}
    // Ordinal kinds (Integer, Int64, Boolean, Enumeration, Set as a mask, Color) and Float.
    template <class V>
    TPropDecl& Default(V value) {
        info_.hasDefault_ = true;
        if constexpr (std::is_same_v<V, TCurrency>) {
            info_.ordDefault_ = value.Scaled;
            info_.floatDefault_ = value.ToDouble();
        } else if constexpr (std::is_floating_point_v<V>) {
            info_.floatDefault_ = value;
            info_.ordDefault_ = static_cast<int64_t>(value);
        } else {
            info_.ordDefault_ = static_cast<int64_t>(value);
            info_.floatDefault_ = static_cast<double>(info_.ordDefault_);
        }
        return *this;
    }
    TPropDecl& Stored(bool stored) {
        info_.stored_ = [stored](TPersistent*) { return stored; };
        return *this;
    }
    // A member function or a callable taking C&.
    template <class F>
    TPropDecl& Stored(F predicate) {
        info_.stored_ = [predicate](TPersistent* o) {
            return static_cast<bool>(std::invoke(predicate, *static_cast<C*>(o)));
        };
        return *this;
    }
    TPropDecl& TypeName(const QString& name) {
        info_.typeName_ = name;
        return *this;
    }
    // A property that hides an inherited one of its name takes this class's place in the order
    // instead of the inherited one's (it is written once, where this class declares it).
    TPropDecl& Reposition() {
        info_.reposition_ = true;
        return *this;
    }

private:
    TPropInfo& info_;
};

namespace PropertyDetail {
template <class C, class G>
using Value = std::remove_cvref_t<std::invoke_result_t<G, C&>>;

template <class C, class S, class V>
void Assign(S setter, C& object, V value) {
    if constexpr (std::is_member_object_pointer_v<S>)
        object.*setter = std::move(value);
    else
        std::invoke(setter, object, std::move(value));
}
template <class S>
constexpr bool kReadOnly = std::is_null_pointer_v<S>;
} // namespace PropertyDetail

// Declares the published properties of C, in order. Getters are member functions (or
// callables taking C&) returning the value; setters take it; a setter may be nullptr for a
// read-only property, which the writer leaves out.
template <class C>
class TPropertyBuilder {
public:
    explicit TPropertyBuilder(TMetaClass& meta) : meta_(meta) {}

    template <class G, class S>
    TPropDecl<C> Integer(const char* name, G get, S set) {
        return Ordinal(name, TPropKind::Integer, QStringLiteral("Integer"), get, set);
    }
    template <class G, class S>
    TPropDecl<C> Int64(const char* name, G get, S set) {
        return Ordinal(name, TPropKind::Int64, QStringLiteral("Int64"), get, set);
    }
    template <class G, class S>
    TPropDecl<C> Boolean(const char* name, G get, S set) {
        TPropDecl<C> d = Ordinal(name, TPropKind::Boolean, QStringLiteral("Boolean"), get, set);
        Last().identifiers_ = QStringList{QStringLiteral("False"), QStringLiteral("True")};
        return d;
    }
    template <class G, class S>
    TPropDecl<C> Color(const char* name, G get, S set) {
        return Ordinal(name, TPropKind::Color, QStringLiteral("TColor"), get, set);
    }
    template <class G, class S>
    TPropDecl<C> Charset(const char* name, G get, S set) {
        return Ordinal(name, TPropKind::Charset, QStringLiteral("TFontCharset"), get, set);
    }
    // identifiers by ordinal; the getter returns the enumeration (or an integer ordinal).
    template <class G, class S>
    TPropDecl<C> Enumeration(const char* name, G get, S set, const QStringList& identifiers,
                             const QString& typeName = QString()) {
        TPropDecl<C> d = Ordinal(name, TPropKind::Enumeration, typeName, get, set);
        Last().identifiers_ = identifiers;
        return d;
    }
    // identifiers of the member enumeration (at most 32); the getter returns the mask.
    template <class G, class S>
    TPropDecl<C> Set(const char* name, G get, S set, const QStringList& identifiers,
                     const QString& typeName = QString()) {
        if (identifiers.size() > 32)
            throw EPropertyError(QStringLiteral("Set property %1 has more than 32 members").arg(name));
        TPropDecl<C> d = Ordinal(name, TPropKind::Set, typeName, get, set);
        Last().identifiers_ = identifiers;
        return d;
    }
    template <class G, class S>
    TPropDecl<C> String(const char* name, G get, S set) {
        return Text(name, TPropKind::String, QStringLiteral("String"), get, set);
    }
    template <class G, class S>
    TPropDecl<C> WideString(const char* name, G get, S set) {
        return Text(name, TPropKind::WideString, QStringLiteral("WideString"), get, set);
    }
    // The handler's name; binding names to code is the holder's business.
    template <class G, class S>
    TPropDecl<C> Event(const char* name, G get, S set) {
        return Text(name, TPropKind::Event, QStringLiteral("TNotifyEvent"), get, set);
    }
    // Currency values are declared with Currency, so that they are held as the integer they are.
    template <class G, class S>
    TPropDecl<C> Float(const char* name, G get, S set, TFloatType type = TFloatType::Extended) {
        if (type == TFloatType::Currency)
            throw EPropertyError(QStringLiteral("Currency property %1 must hold a TCurrency").arg(name));
        TPropInfo& p = Add(name, TPropKind::Float);
        static const char* const kNames[] = {"Extended", "Double", "Single", "Currency", "TDateTime"};
        p.typeName_ = QString::fromLatin1(kNames[static_cast<int>(type)]);
        p.floatType_ = type;
        p.getFloat_ = [get](TPersistent* o) { return static_cast<double>(std::invoke(get, *Self(o))); };
        if constexpr (!PropertyDetail::kReadOnly<S>) {
            using V = PropertyDetail::Value<C, G>;
            p.setFloat_ = [set](TPersistent* o, double v) {
                PropertyDetail::Assign(set, *Self(o), static_cast<V>(v));
            };
        }
        return TPropDecl<C>(p);
    }
    // A Float property of type Currency; the getter returns a TCurrency.
    template <class G, class S>
    TPropDecl<C> Currency(const char* name, G get, S set) {
        static_assert(std::is_same_v<PropertyDetail::Value<C, G>, TCurrency>, "a currency is a TCurrency");
        TPropInfo& p = Add(name, TPropKind::Float);
        p.typeName_ = QStringLiteral("Currency");
        p.floatType_ = TFloatType::Currency;
        p.getCurrency_ = [get](TPersistent* o) { return std::invoke(get, *Self(o)); };
        p.getFloat_ = [get](TPersistent* o) { return std::invoke(get, *Self(o)).ToDouble(); };
        if constexpr (!PropertyDetail::kReadOnly<S>) {
            p.setCurrency_ = [set](TPersistent* o, TCurrency v) { PropertyDetail::Assign(set, *Self(o), v); };
            p.setFloat_ = [set, &p](TPersistent* o, double v) {
                TCurrency c;
                if (!DoubleToCurrency(v, c))
                    throw EPropertyError(QStringLiteral("Currency value out of range (%1)").arg(p.Name()));
                PropertyDetail::Assign(set, *Self(o), c);
            };
        }
        return TPropDecl<C>(p);
    }
    // The string list is read into and written from in place.
    template <class G>
    TPropDecl<C> Strings(const char* name, G get) {
        TPropInfo& p = Add(name, TPropKind::Strings);
        p.typeName_ = QStringLiteral("TStrings");
        p.getStrings_ = [get](TPersistent* o) -> TStringList* { return std::invoke(get, *Self(o)); };
        return TPropDecl<C>(p);
    }
    // A persistent object owned by C; its properties are read into it in place. Declare only
    // what the stored form holds (or mark it Stored(false)): objects are always walked.
    template <class G>
    TPropDecl<C> Object(const char* name, G get) {
        using V = std::remove_pointer_t<PropertyDetail::Value<C, G>>;
        TPropInfo& p = Add(name, TPropKind::Object);
        p.objectClass_ = &V::StaticClass();
        p.typeName_ = p.objectClass_->Name();
        p.getObj_ = [get](TPersistent* o) -> TPersistent* { return std::invoke(get, *Self(o)); };
        return TPropDecl<C>(p);
    }
    template <class G>
    TPropDecl<C> Collection(const char* name, G get) {
        using V = std::remove_pointer_t<PropertyDetail::Value<C, G>>;
        TPropInfo& p = Add(name, TPropKind::Collection);
        p.objectClass_ = &V::StaticClass();
        p.typeName_ = p.objectClass_->Name();
        p.getObj_ = [get](TPersistent* o) -> TPersistent* { return std::invoke(get, *Self(o)); };
        return TPropDecl<C>(p);
    }
    // A reference to a component of class V (the getter's pointee).
    template <class G, class S>
    TPropDecl<C> Component(const char* name, G get, S set) {
        using VP = PropertyDetail::Value<C, G>;
        using V = std::remove_pointer_t<VP>;
        TPropInfo& p = Add(name, TPropKind::Component);
        p.objectClass_ = &V::StaticClass();
        p.typeName_ = p.objectClass_->Name();
        p.getComp_ = [get](TPersistent* o) -> TComponent* { return std::invoke(get, *Self(o)); };
        if constexpr (!PropertyDetail::kReadOnly<S>) {
            p.setComp_ = [set, &p](TPersistent* o, TComponent* c) {
                VP v = dynamic_cast<VP>(c);
                if (c != nullptr && v == nullptr)
                    throw EPropertyError(QStringLiteral("Invalid property value: %1").arg(p.Name()));
                PropertyDetail::Assign(set, *Self(o), v);
            };
        }
        return TPropDecl<C>(p);
    }
    // A published field: member (a pointer to a component class) of C that the owned
    // component of this name is assigned to.
    template <class F>
    void Field(const char* name, F C::*member) {
        static_assert(std::is_pointer_v<F>, "a published field points to a component");
        auto f = std::make_unique<TFieldInfo>();
        f->name_ = QString::fromLatin1(name);
        f->fieldClass_ = &std::remove_pointer_t<F>::StaticClass();
        f->set_ = [member](TPersistent* o, TComponent* c) {
            F v = dynamic_cast<F>(c);
            if (c != nullptr && v == nullptr)
                return false;
            Self(o)->*member = v;
            return true;
        };
        f->get_ = [member](TPersistent* o) -> TComponent* { return Self(o)->*member; };
        meta_.ownFields_.push_back(std::move(f));
    }

private:
    static C* Self(TPersistent* o) { return static_cast<C*>(o); }
    TPropInfo& Last() { return *meta_.own_.back(); }
    TPropInfo& Add(const char* name, TPropKind kind) {
        auto p = std::make_unique<TPropInfo>();
        p->name_ = QString::fromLatin1(name);
        p->kind_ = kind;
        meta_.own_.push_back(std::move(p));
        return Last();
    }
    template <class G, class S>
    TPropDecl<C> Ordinal(const char* name, TPropKind kind, const QString& typeName, G get, S set) {
        TPropInfo& p = Add(name, kind);
        p.typeName_ = typeName;
        using V = PropertyDetail::Value<C, G>;
        p.getOrd_ = [get](TPersistent* o) { return static_cast<int64_t>(std::invoke(get, *Self(o))); };
        if constexpr (!PropertyDetail::kReadOnly<S>) {
            p.setOrd_ = [set](TPersistent* o, int64_t v) {
                PropertyDetail::Assign(set, *Self(o), static_cast<V>(v));
            };
        }
        return TPropDecl<C>(p);
    }
    template <class G, class S>
    TPropDecl<C> Text(const char* name, TPropKind kind, const QString& typeName, G get, S set) {
        TPropInfo& p = Add(name, kind);
        p.typeName_ = typeName;
        p.getStr_ = [get](TPersistent* o) { return QString(std::invoke(get, *Self(o))); };
        if constexpr (!PropertyDetail::kReadOnly<S>) {
            p.setStr_ = [set](TPersistent* o, const QString& v) { PropertyDetail::Assign(set, *Self(o), v); };
        }
        return TPropDecl<C>(p);
    }

    TMetaClass& meta_;
};

template <class C, class P>
TMetaClass::TMetaClass(Describe<C, P>, const char* name)
    : name_(QString::fromLatin1(name)), typeInfo_(&typeid(C)),
      parentFn_([]() -> const TMetaClass* { return &P::StaticClass(); }) {
    isComponent_ = std::is_base_of_v<TComponent, C>;
    isItem_ = std::is_base_of_v<TCollectionItem, C>;
    if constexpr (!std::is_abstract_v<C>) {
        if constexpr (std::is_base_of_v<TComponent, C> && std::is_constructible_v<C, TComponent*>)
            createComponent_ = [](TComponent* owner) -> TComponent* { return new C(owner); };
        else if constexpr (std::is_base_of_v<TCollectionItem, C> && std::is_constructible_v<C, TCollection*>)
            createItem_ = [](TCollection* collection) -> TCollectionItem* { return new C(collection); };
        else if constexpr (!std::is_base_of_v<TComponent, C> && !std::is_base_of_v<TCollectionItem, C> &&
                           std::is_default_constructible_v<C>)
            createPersistent_ = []() -> std::unique_ptr<TPersistent> { return std::make_unique<C>(); };
    }
    if constexpr (requires(TPropertyBuilder<C> & b) { C::DeclareProperties(b); }) {
        declare_ = [](TMetaClass& meta) {
            TPropertyBuilder<C> builder(meta);
            C::DeclareProperties(builder);
        };
    }
}

// Position of ident in identifiers compared without regard to case, -1 when absent.
int IndexOfIdent(const QStringList& identifiers, const QString& ident);

// Colour identifiers of the class library (clBlack, clWhite, clNone, clBtnFace...).
bool ColorToIdent(TColor color, QString& ident);
bool IdentToColor(const QString& ident, TColor& color);
// Character-set identifiers of fonts (ANSI_CHARSET, SHIFTJIS_CHARSET...).
bool CharsetToIdent(int charset, QString& ident);
bool IdentToCharset(const QString& ident, int& charset);

// Generic access by property name (case-insensitive); EPropertyError when there is no such
// property or it is of another kind.
const TPropInfo* GetPropInfo(TPersistent* instance, const QString& name);
const std::vector<const TPropInfo*>& GetPropList(TPersistent* instance);
QString GetStrProp(TPersistent* instance, const QString& name);
void SetStrProp(TPersistent* instance, const QString& name, const QString& value);
int64_t GetOrdProp(TPersistent* instance, const QString& name);
void SetOrdProp(TPersistent* instance, const QString& name, int64_t value);
double GetFloatProp(TPersistent* instance, const QString& name);
void SetFloatProp(TPersistent* instance, const QString& name, double value);
TPersistent* GetObjectProp(TPersistent* instance, const QString& name);
// An enumeration's identifier; EPropertyError for an unknown identifier on setting.
QString GetEnumProp(TPersistent* instance, const QString& name);
void SetEnumProp(TPersistent* instance, const QString& name, const QString& ident);

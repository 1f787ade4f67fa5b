#include "platform/PropertyRegistry.h"

#include "platform/Component.h"
#include "platform/StringList.h"

#include <cstring>

// ---- TPropInfo

void TPropInfo::KindError(const char* what) const {
    throw EPropertyError(QStringLiteral("Property %1 is not %2").arg(name_, QLatin1String(what)));
}

bool TPropInfo::CanWrite() const {
    switch (kind_) {
    case TPropKind::Integer:
    case TPropKind::Int64:
    case TPropKind::Boolean:
    case TPropKind::Enumeration:
    case TPropKind::Set:
    case TPropKind::Color:
    case TPropKind::Charset:
        return static_cast<bool>(setOrd_);
    case TPropKind::Float:
        return static_cast<bool>(setFloat_);
    case TPropKind::String:
    case TPropKind::WideString:
    case TPropKind::Event:
        return static_cast<bool>(setStr_);
    case TPropKind::Component:
        return static_cast<bool>(setComp_);
    case TPropKind::Strings:
    case TPropKind::Object:
    case TPropKind::Collection:
        // Read and written in place.
        return true;
    }
    return false;
}

int64_t TPropInfo::GetOrdinal(TPersistent* instance) const {
    if (!getOrd_)
        KindError("ordinal");
    return getOrd_(instance);
}

void TPropInfo::SetOrdinal(TPersistent* instance, int64_t value) const {
    if (!getOrd_)
        KindError("ordinal");
    if (!setOrd_)
        KindError("writable");
    setOrd_(instance, value);
}

double TPropInfo::GetFloat(TPersistent* instance) const {
    if (!getFloat_)
        KindError("a float");
    return getFloat_(instance);
}

void TPropInfo::SetFloat(TPersistent* instance, double value) const {
    if (!getFloat_)
        KindError("a float");
    if (!setFloat_)
        KindError("writable");
    setFloat_(instance, value);
}

TCurrency TPropInfo::GetCurrency(TPersistent* instance) const {
    if (!getCurrency_)
        KindError("a currency");
    return getCurrency_(instance);
}

void TPropInfo::SetCurrency(TPersistent* instance, TCurrency value) const {
    if (!getCurrency_)
        KindError("a currency");
    if (!setCurrency_)
        KindError("writable");
    setCurrency_(instance, value);
}

QString TPropInfo::GetString(TPersistent* instance) const {
    if (!getStr_)
        KindError("a string");
    return getStr_(instance);
}

void TPropInfo::SetString(TPersistent* instance, const QString& value) const {
    if (!getStr_)
        KindError("a string");
    if (!setStr_)
        KindError("writable");
    setStr_(instance, value);
}

TPersistent* TPropInfo::GetObject(TPersistent* instance) const {
    if (!getObj_)
        KindError("an object");
    return getObj_(instance);
}

TStringList* TPropInfo::GetStrings(TPersistent* instance) const {
    if (!getStrings_)
        KindError("a string list");
    return getStrings_(instance);
}

TComponent* TPropInfo::GetComponent(TPersistent* instance) const {
    if (!getComp_)
        KindError("a component reference");
    return getComp_(instance);
}

void TPropInfo::SetComponent(TPersistent* instance, TComponent* value) const {
    if (!getComp_)
        KindError("a component reference");
    if (!setComp_)
        KindError("writable");
    setComp_(instance, value);
}

QString TPropInfo::GetIdent(TPersistent* instance) const {
    const int64_t v = GetOrdinal(instance);
    if (kind_ == TPropKind::Set) {
        QStringList members;
        for (int i = 0; i < identifiers_.size(); ++i) {
            if ((static_cast<uint64_t>(v) >> i) & 1u)
                members << identifiers_[i];
        }
        return QLatin1Char('[') + members.join(QLatin1Char(',')) + QLatin1Char(']');
    }
    if (kind_ == TPropKind::Boolean)
        return v != 0 ? QStringLiteral("True") : QStringLiteral("False");
    if (kind_ != TPropKind::Enumeration)
        KindError("an enumeration");
    if (v < 0 || v >= identifiers_.size())
        return QString::number(v);
    return identifiers_[static_cast<int>(v)];
}

bool TPropInfo::IsStored(TPersistent* instance) const {
    return !stored_ || stored_(instance);
}

bool TPropInfo::IsDefault(TPersistent* instance) const {
    switch (kind_) {
    case TPropKind::Integer:
    case TPropKind::Boolean:
    case TPropKind::Enumeration:
    case TPropKind::Set:
    case TPropKind::Color:
    case TPropKind::Charset:
        // Without a declared default an ordinal is always written, as the class library does.
        return hasDefault_ && getOrd_(instance) == ordDefault_;
    case TPropKind::Int64:
        return getOrd_(instance) == (hasDefault_ ? ordDefault_ : 0);
    case TPropKind::Float:
        if (getCurrency_)
            return getCurrency_(instance).Scaled == (hasDefault_ ? ordDefault_ : 0);
        return getFloat_(instance) == (hasDefault_ ? floatDefault_ : 0.0);
    case TPropKind::String:
    case TPropKind::WideString:
    case TPropKind::Event:
        return getStr_(instance).isEmpty();
    case TPropKind::Component:
        return getComp_(instance) == nullptr;
    case TPropKind::Strings:
    case TPropKind::Object:
    case TPropKind::Collection:
        return false;
    }
    return false;
}

// ---- TMetaClass

TMetaClass::TMetaClass(const char* name, const std::type_info& type,
                       std::unique_ptr<TPersistent> (*createPersistent)())
    : name_(QString::fromLatin1(name)), typeInfo_(&type), createPersistent_(createPersistent) {}

bool TMetaClass::InheritsFrom(const TMetaClass& other) const {
    for (const TMetaClass* m = this; m != nullptr; m = m->Parent()) {
        if (m == &other)
            return true;
    }
    return false;
}

bool TMetaClass::IsComponentClass() const {
    return isComponent_;
}

bool TMetaClass::IsCollectionItemClass() const {
    return isItem_;
}

bool TMetaClass::IsAbstract() const {
    if (isComponent_)
        return createComponent_ == nullptr;
    if (isItem_)
        return createItem_ == nullptr;
    return createPersistent_ == nullptr;
}

TComponent* TMetaClass::CreateComponent(TComponent* owner) const {
    if (createComponent_ == nullptr)
        throw EPropertyError(QStringLiteral("Cannot create an instance of abstract class %1").arg(name_));
    return createComponent_(owner);
}

TCollectionItem* TMetaClass::CreateItem(TCollection* collection) const {
    if (createItem_ == nullptr)
        throw EPropertyError(QStringLiteral("Cannot create an instance of abstract class %1").arg(name_));
    return createItem_(collection);
}

std::unique_ptr<TPersistent> TMetaClass::CreatePersistent() const {
    if (createPersistent_ == nullptr)
        throw EPropertyError(QStringLiteral("Cannot create an instance of abstract class %1").arg(name_));
    return createPersistent_();
}

void TMetaClass::Build() const {
    std::call_once(built_, [this] {
        auto* self = const_cast<TMetaClass*>(this);
        if (const TMetaClass* parent = Parent()) {
            props_ = parent->Properties();
            fields_ = parent->Fields();
        }
        if (declare_ != nullptr)
            declare_(*self);
        for (const auto& p : own_) {
            bool replaced = false;
            for (auto it = props_.begin(); it != props_.end(); ++it) {
                if ((*it)->Name().compare(p->Name(), Qt::CaseInsensitive) == 0) {
                    if (p->Repositioned()) {
                        props_.erase(it);
                        break;
                    }
                    *it = p.get();
                    replaced = true;
                    break;
                }
            }
            if (!replaced)
                props_.push_back(p.get());
        }
        for (const auto& f : ownFields_)
            fields_.push_back(f.get());
    });
}

const std::vector<const TPropInfo*>& TMetaClass::Properties() const {
    Build();
    return props_;
}

const TPropInfo* TMetaClass::FindProperty(const QString& name) const {
    for (const TPropInfo* p : Properties()) {
        if (p->Name().compare(name, Qt::CaseInsensitive) == 0)
            return p;
    }
    return nullptr;
}

const std::vector<const TFieldInfo*>& TMetaClass::Fields() const {
    Build();
    return fields_;
}

const TFieldInfo* TMetaClass::FindField(const QString& name) const {
    for (const TFieldInfo* f : Fields()) {
        if (f->Name().compare(name, Qt::CaseInsensitive) == 0)
            return f;
    }
    return nullptr;
}

// ---- colour identifiers

namespace {

struct ColorIdent {
    TColor value;
    const char* name;
};

constexpr TColor SystemColor(int index) {
    return static_cast<TColor>(0x80000000u | static_cast<uint32_t>(index));
}

// The class library's table, in its order (the first match names a value).
constexpr ColorIdent kColors[] = {
    {0x000000, "clBlack"},
    {0x000080, "clMaroon"},
    {0x008000, "clGreen"},
    {0x008080, "clOlive"},
    {0x800000, "clNavy"},
    {0x800080, "clPurple"},
    {0x808000, "clTeal"},
    {0x808080, "clGray"},
    {0xC0C0C0, "clSilver"},
    {0x0000FF, "clRed"},
    {0x00FF00, "clLime"},
    {0x00FFFF, "clYellow"},
    {0xFF0000, "clBlue"},
    {0xFF00FF, "clFuchsia"},
    {0xFFFF00, "clAqua"},
    {0xFFFFFF, "clWhite"},
    {0xC0DCC0, "clMoneyGreen"},
    {0xF0CAA6, "clSkyBlue"},
    {0xF0FBFF, "clCream"},
    {0xA4A0A0, "clMedGray"},
    {SystemColor(10), "clActiveBorder"},
    {SystemColor(2), "clActiveCaption"},
    {SystemColor(12), "clAppWorkSpace"},
    {SystemColor(1), "clBackground"},
    {SystemColor(15), "clBtnFace"},
    {SystemColor(20), "clBtnHighlight"},
    {SystemColor(16), "clBtnShadow"},
    {SystemColor(18), "clBtnText"},
    {SystemColor(9), "clCaptionText"},
    {clDefault, "clDefault"},
    {SystemColor(27), "clGradientActiveCaption"},
    {SystemColor(28), "clGradientInactiveCaption"},
    {SystemColor(17), "clGrayText"},
    {SystemColor(13), "clHighlight"},
    {SystemColor(14), "clHighlightText"},
    {SystemColor(26), "clHotLight"},
    {SystemColor(11), "clInactiveBorder"},
    {SystemColor(3), "clInactiveCaption"},
    {SystemColor(19), "clInactiveCaptionText"},
    {SystemColor(24), "clInfoBk"},
    {SystemColor(23), "clInfoText"},
    {SystemColor(4), "clMenu"},
    {SystemColor(30), "clMenuBar"},
    {SystemColor(29), "clMenuHighlight"},
    {SystemColor(7), "clMenuText"},
    {clNone, "clNone"},
    {SystemColor(0), "clScrollBar"},
    {SystemColor(21), "cl3DDkShadow"},
    {SystemColor(22), "cl3DLight"},
    {SystemColor(5), "clWindow"},
    {SystemColor(6), "clWindowFrame"},
    {SystemColor(8), "clWindowText"},
};

} // namespace

namespace {

struct CharsetIdent {
    int value;
    const char* name;
};

constexpr CharsetIdent kCharsets[] = {
    {0, "ANSI_CHARSET"},      {1, "DEFAULT_CHARSET"},    {2, "SYMBOL_CHARSET"},
    {77, "MAC_CHARSET"},      {128, "SHIFTJIS_CHARSET"}, {129, "HANGEUL_CHARSET"},
    {130, "JOHAB_CHARSET"},   {134, "GB2312_CHARSET"},   {136, "CHINESEBIG5_CHARSET"},
    {161, "GREEK_CHARSET"},   {162, "TURKISH_CHARSET"},  {163, "VIETNAMESE_CHARSET"},
    {177, "HEBREW_CHARSET"},  {178, "ARABIC_CHARSET"},   {186, "BALTIC_CHARSET"},
    {204, "RUSSIAN_CHARSET"}, {222, "THAI_CHARSET"},     {238, "EASTEUROPE_CHARSET"},
    {255, "OEM_CHARSET"},
};

} // namespace

bool CharsetToIdent(int charset, QString& ident) {
    for (const CharsetIdent& c : kCharsets) {
        if (c.value == charset) {
            ident = QString::fromLatin1(c.name);
            return true;
        }
    }
    return false;
}

bool IdentToCharset(const QString& ident, int& charset) {
    for (const CharsetIdent& c : kCharsets) {
        if (ident.compare(QLatin1String(c.name), Qt::CaseInsensitive) == 0) {
            charset = c.value;
            return true;
        }
    }
    return false;
}

bool ColorToIdent(TColor color, QString& ident) {
    for (const ColorIdent& c : kColors) {
        if (c.value == color) {
            ident = QString::fromLatin1(c.name);
            return true;
        }
    }
    return false;
}

bool IdentToColor(const QString& ident, TColor& color) {
    for (const ColorIdent& c : kColors) {
        if (ident.compare(QLatin1String(c.name), Qt::CaseInsensitive) == 0) {
            color = c.value;
            return true;
        }
    }
    return false;
}

// ---- generic access

int IndexOfIdent(const QStringList& identifiers, const QString& ident) {
    for (qsizetype i = 0; i < identifiers.size(); ++i) {
        if (identifiers[i].compare(ident, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

const TPropInfo* GetPropInfo(TPersistent* instance, const QString& name) {
    const TPropInfo* p = instance->ClassType().FindProperty(name);
    if (p == nullptr)
        throw EPropertyError(QStringLiteral("Property %1 does not exist").arg(name));
    return p;
}

const std::vector<const TPropInfo*>& GetPropList(TPersistent* instance) {
    return instance->ClassType().Properties();
}

QString GetStrProp(TPersistent* instance, const QString& name) {
    return GetPropInfo(instance, name)->GetString(instance);
}

void SetStrProp(TPersistent* instance, const QString& name, const QString& value) {
    GetPropInfo(instance, name)->SetString(instance, value);
}

int64_t GetOrdProp(TPersistent* instance, const QString& name) {
    return GetPropInfo(instance, name)->GetOrdinal(instance);
}

void SetOrdProp(TPersistent* instance, const QString& name, int64_t value) {
    GetPropInfo(instance, name)->SetOrdinal(instance, value);
}

double GetFloatProp(TPersistent* instance, const QString& name) {
    return GetPropInfo(instance, name)->GetFloat(instance);
}

void SetFloatProp(TPersistent* instance, const QString& name, double value) {
    GetPropInfo(instance, name)->SetFloat(instance, value);
}

TPersistent* GetObjectProp(TPersistent* instance, const QString& name) {
    return GetPropInfo(instance, name)->GetObject(instance);
}

QString GetEnumProp(TPersistent* instance, const QString& name) {
    return GetPropInfo(instance, name)->GetIdent(instance);
}

void SetEnumProp(TPersistent* instance, const QString& name, const QString& ident) {
    const TPropInfo* p = GetPropInfo(instance, name);
    const int index = IndexOfIdent(p->Identifiers(), ident);
    if (index < 0 || (p->Kind() != TPropKind::Enumeration && p->Kind() != TPropKind::Boolean))
        throw EPropertyError(QStringLiteral("Invalid property value: %1").arg(ident));
    p->SetOrdinal(instance, index);
}

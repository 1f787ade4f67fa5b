#include "platform/ComponentReader.h"

#include "platform/ByteOrder.h"
#include "platform/ClassRegistry.h"
#include "platform/Cp932.h"
#include "platform/Stream.h"
#include "platform/StringList.h"

#include <QScopeGuard>
#include <QStringList>
#include <QtEndian>
#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

namespace {

// Flags of the optional prefix byte in front of a component ($F0 | flags).
constexpr uint8_t ffChildPos = 0x02;

bool IsIntegerTag(TValueType t) {
    return t == TValueType::vaInt8 || t == TValueType::vaInt16 || t == TValueType::vaInt32 ||
           t == TValueType::vaInt64;
}

} // namespace

// A reference to a component that may be stored after the property naming it: resolved once
// the whole tree is there, by walking the property path again from its component (so nothing
// points into objects that a later property may have replaced).
struct TReader::Fixup {
    TComponent* component;
    QString path;
    QString name;
};

TBinaryPropertyStream::TBinaryPropertyStream(QByteArray bytes) : TMemoryStream(bytes) {
    // The stream's reference is the only one, so that TakeRest moves no bytes.
    bytes = QByteArray();
}

QByteArray TBinaryPropertyStream::TakeRest() {
    QByteArray rest = Data();
    const int64_t position = std::min<int64_t>(GetPosition(), rest.size());
    Clear();
    rest.remove(0, static_cast<qsizetype>(position));
    return rest;
}

TReader::TReader(TStream& stream) : TFiler(stream) {}

TReader::~TReader() = default;

void TReader::Error(const QString& message) const {
    throw EReadError(message);
}

void TReader::PropValueError() const {
    Error(QStringLiteral("Invalid property value: %1").arg(propPath_));
}

void TReader::Enter() {
    if (depth_ >= kMaxDepth)
        Error(QStringLiteral("Component stream nested too deeply"));
    ++depth_;
}

void TReader::CheckCount(int64_t& counter, int64_t limit, const char* what) {
    if (++counter > limit)
        Error(QStringLiteral("Too many %1 in component stream").arg(QLatin1String(what)));
}

void TReader::Read(void* buffer, int64_t count) {
    if (count < 0 || count > Stream().Remaining())
        Error(QStringLiteral("Component stream ends unexpectedly"));
    Stream().ReadBuffer(buffer, count);
}

TValueType TReader::ReadValue() {
    uint8_t b = 0;
    Read(&b, 1);
    return static_cast<TValueType>(b);
}

TValueType TReader::NextValue() {
    const TValueType t = ReadValue();
    Stream().Seek(-1, TSeekOrigin::soCurrent);
    return t;
}

void TReader::ReadListBegin() {
    if (ReadValue() != TValueType::vaList)
        Error(QStringLiteral("List expected in component stream"));
}

void TReader::ReadListEnd() {
    if (ReadValue() != TValueType::vaNull)
        Error(QStringLiteral("List end expected in component stream"));
}

int64_t TReader::ReadLength() {
    int32_t length = 0;
    Read(&length, 4);
    length = static_cast<int32_t>(qFromLittleEndian<uint32_t>(static_cast<uint32_t>(length)));
    if (length < 0 || length > Stream().Remaining())
        Error(QStringLiteral("Invalid length %1 in component stream").arg(length));
    return length;
}

int64_t TReader::ReadInt64() {
    const TValueType t = ReadValue();
    switch (t) {
    case TValueType::vaInt8: {
        int8_t v = 0;
        Read(&v, 1);
        return v;
    }
    case TValueType::vaInt16: {
        uint8_t b[2];
        Read(b, 2);
        return GetLEInt16(b);
    }
    case TValueType::vaInt32: {
        uint8_t b[4];
        Read(b, 4);
        return GetLEInt32(b);
    }
    case TValueType::vaInt64: {
        uint8_t b[8];
        Read(b, 8);
        return static_cast<int64_t>(GetLE64(b));
    }
    default:
        Error(QStringLiteral("Integer expected in component stream (%1)").arg(propPath_));
    }
}

int32_t TReader::ReadInteger() {
    const int64_t v = ReadInt64();
    if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
        Error(QStringLiteral("Integer out of range in component stream (%1)").arg(propPath_));
    return static_cast<int32_t>(v);
}

bool TReader::ReadBoolean() {
    const TValueType t = ReadValue();
    if (t == TValueType::vaTrue)
        return true;
    if (t == TValueType::vaFalse)
        return false;
    Error(QStringLiteral("Boolean expected in component stream (%1)").arg(propPath_));
}

QString TReader::ReadStr() {
    uint8_t length = 0;
    Read(&length, 1);
    QByteArray bytes(length, Qt::Uninitialized);
    Read(bytes.data(), length);
    return Cp932::Decode(bytes);
}

QString TReader::ReadString() {
    const TValueType t = ReadValue();
    switch (t) {
    case TValueType::vaString: {
        uint8_t length = 0;
        Read(&length, 1);
        QByteArray bytes(length, Qt::Uninitialized);
        Read(bytes.data(), length);
        return Cp932::Decode(bytes);
    }
    case TValueType::vaLString:
    case TValueType::vaUTF8String: {
        const int64_t length = ReadLength();
        QByteArray bytes(static_cast<qsizetype>(length), Qt::Uninitialized);
        Read(bytes.data(), length);
        return t == TValueType::vaUTF8String ? QString::fromUtf8(bytes) : Cp932::Decode(bytes);
    }
    case TValueType::vaWString: {
        int32_t count = 0;
        Read(&count, 4);
        count = static_cast<int32_t>(qFromLittleEndian<uint32_t>(static_cast<uint32_t>(count)));
        if (count < 0 || count > Stream().Remaining() / 2)
            Error(QStringLiteral("Invalid length %1 in component stream").arg(count));
        QByteArray bytes(static_cast<qsizetype>(count) * 2, Qt::Uninitialized);
        Read(bytes.data(), bytes.size());
        QString text(count, Qt::Uninitialized);
        for (int32_t i = 0; i < count; ++i)
            text[i] = QChar(static_cast<char16_t>(GetLE16(bytes.constData() + 2 * i)));
        return text;
    }
    default:
        Error(QStringLiteral("String expected in component stream (%1)").arg(propPath_));
    }
}

QString TReader::ReadIdent() {
    switch (ReadValue()) {
    case TValueType::vaIdent:
        return ReadStr();
    case TValueType::vaFalse:
        return QStringLiteral("False");
    case TValueType::vaTrue:
        return QStringLiteral("True");
    case TValueType::vaNil:
        return QStringLiteral("nil");
    case TValueType::vaNull:
        return QStringLiteral("Null");
    default:
        Error(QStringLiteral("Identifier expected in component stream (%1)").arg(propPath_));
    }
}

double TReader::ReadFloat() {
    const TValueType t = NextValue();
    if (IsIntegerTag(t))
        return static_cast<double>(ReadInt64());
    ReadValue();
    switch (t) {
    case TValueType::vaExtended: {
        uint8_t b[10];
        Read(b, 10);
        return ExtendedToDouble(b);
    }
    case TValueType::vaSingle: {
        uint32_t bits = 0;
        Read(&bits, 4);
        return std::bit_cast<float>(qFromLittleEndian(bits));
    }
    case TValueType::vaDouble:
    case TValueType::vaDate: {
        uint64_t bits = 0;
        Read(&bits, 8);
        return std::bit_cast<double>(qFromLittleEndian(bits));
    }
    case TValueType::vaCurrency: {
        uint64_t bits = 0;
        Read(&bits, 8);
        return TCurrency{static_cast<int64_t>(qFromLittleEndian(bits))}.ToDouble();
    }
    default:
        Error(QStringLiteral("Floating point value expected in component stream (%1)").arg(propPath_));
    }
}

float TReader::ReadSingle() {
    return DoubleToSingle(ReadFloat());
}

double TReader::ReadFloatAs(TFloatType type) {
    // A value stored in more precision than the property keeps (an extended for a single) is
    // rounded now, so that the default check and what is written again see the same number.
    if (type == TFloatType::Currency)
        return ReadCurrency().ToDouble();
    const double v = ReadFloat();
    return type == TFloatType::Single ? DoubleToSingle(v) : v;
}

double TReader::ReadDouble() {
    return ReadFloat();
}

TCurrency TReader::ReadCurrency() {
    // Converted straight from the stored form: a double in between would lose the low digits of
    // large values.
    const TValueType t = NextValue();
    TCurrency value;
    bool fits = true;
    if (IsIntegerTag(t)) {
        fits = !__builtin_mul_overflow(ReadInt64(), kCurrencyScale, &value.Scaled);
    } else {
        ReadValue();
        switch (t) {
        case TValueType::vaCurrency: {
            uint64_t bits = 0;
            Read(&bits, 8);
            value.Scaled = static_cast<int64_t>(qFromLittleEndian(bits));
            break;
        }
        case TValueType::vaExtended: {
            uint8_t b[10];
            Read(b, 10);
            fits = ExtendedToCurrency(b, value);
            break;
        }
        case TValueType::vaSingle: {
            uint32_t bits = 0;
            Read(&bits, 4);
            fits = DoubleToCurrency(std::bit_cast<float>(qFromLittleEndian(bits)), value);
            break;
        }
        case TValueType::vaDouble:
        case TValueType::vaDate: {
            uint64_t bits = 0;
            Read(&bits, 8);
            fits = DoubleToCurrency(std::bit_cast<double>(qFromLittleEndian(bits)), value);
            break;
        }
        default:
            Error(QStringLiteral("Floating point value expected in component stream (%1)").arg(propPath_));
        }
    }
    if (!fits)
        Error(QStringLiteral("Currency value out of range (%1)").arg(propPath_));
    return value;
}

double TReader::ReadDate() {
    return ReadFloat();
}

void TReader::SkipValue() {
    const TValueType t = ReadValue();
    int64_t skip = 0;
    switch (t) {
    case TValueType::vaNull:
    case TValueType::vaFalse:
    case TValueType::vaTrue:
    case TValueType::vaNil:
        return;
    case TValueType::vaInt8:
        skip = 1;
        break;
    case TValueType::vaInt16:
        skip = 2;
        break;
    case TValueType::vaInt32:
    case TValueType::vaSingle:
        skip = 4;
        break;
    case TValueType::vaInt64:
    case TValueType::vaCurrency:
    case TValueType::vaDate:
    case TValueType::vaDouble:
        skip = 8;
        break;
    case TValueType::vaExtended:
        skip = 10;
        break;
    case TValueType::vaString:
    case TValueType::vaIdent: {
        uint8_t length = 0;
        Read(&length, 1);
        skip = length;
        break;
    }
    case TValueType::vaLString:
    case TValueType::vaUTF8String:
    case TValueType::vaBinary:
        skip = ReadLength();
        break;
    case TValueType::vaWString: {
        int32_t count = 0;
        Read(&count, 4);
        count = static_cast<int32_t>(qFromLittleEndian<uint32_t>(static_cast<uint32_t>(count)));
        if (count < 0)
            Error(QStringLiteral("Invalid length %1 in component stream").arg(count));
        skip = int64_t(count) * 2;
        break;
    }
    case TValueType::vaSet:
        while (!ReadStr().isEmpty()) {
        }
        return;
    case TValueType::vaList: {
        Enter();
        int64_t count = 0;
        while (!EndOfList()) {
            CheckCount(count, kMaxListValues, "list values");
            SkipValue();
        }
        ReadListEnd();
        Leave();
        return;
    }
    case TValueType::vaCollection: {
        Enter();
        int64_t count = 0;
        while (!EndOfList()) {
            CheckCount(count, kMaxItems, "collection items");
            if (IsIntegerTag(NextValue()))
                SkipValue();
            ReadListBegin();
            while (!EndOfList()) {
                ReadStr();
                SkipValue();
            }
            ReadListEnd();
        }
        ReadListEnd();
        Leave();
        return;
    }
    default:
        Error(QStringLiteral("Unknown value tag %1 at offset %2 of component stream")
                  .arg(static_cast<int>(t))
                  .arg(Stream().GetPosition() - 1));
    }
    if (skip > Stream().Remaining())
        Error(QStringLiteral("Component stream ends unexpectedly"));
    Stream().Seek(skip, TSeekOrigin::soCurrent);
}

void TReader::ReadSignature() {
    uint32_t signature = 0;
    Read(&signature, 4);
    if (qFromLittleEndian(signature) != kFilerSignature)
        Error(QStringLiteral("Invalid stream format"));
}

void TReader::ReadPrefix() {
    const auto b = static_cast<uint8_t>(NextValue());
    if ((b & 0xF0) != 0xF0)
        return;
    ReadValue();
    // Inherited and inline flags mean nothing here; a child position is read and dropped.
    if ((b & ffChildPos) != 0)
        ReadInteger();
}

QString TReader::PeekClassName() {
    TStream& stream = Stream();
    const int64_t start = stream.GetPosition();
    const auto restore = qScopeGuard([&] { stream.Seek(start, TSeekOrigin::soBeginning); });
    ReadSignature();
    ReadPrefix();
    return ReadStr();
}

void TReader::SkipComponent() {
    ReadSignature();
    SkipComponentBody();
}

void TReader::SkipComponentBody() {
    Enter();
    ReadPrefix();
    ReadStr();
    ReadStr();
    while (!EndOfList()) {
        ReadStr();
        SkipValue();
    }
    ReadListEnd();
    while (!EndOfList())
        SkipComponentBody();
    ReadListEnd();
    Leave();
}

const TMetaClass& TReader::FindComponentClass(const QString& name) const {
    const TMetaClass* meta = GetClass(name);
    if (meta == nullptr)
        throw EClassNotFound(QStringLiteral("Class %1 not found").arg(name));
    if (!meta->IsComponentClass())
        Error(QStringLiteral("Class %1 is not a component class").arg(name));
    if (meta->IsAbstract())
        Error(QStringLiteral("Cannot create an instance of abstract class %1").arg(name));
    return *meta;
}

TComponent* TReader::ReadRootComponent(TComponent* root) {
    ReadSignature();
    ReadPrefix();
    const QString className = ReadStr();
    const QString name = ReadStr();
    const bool createdRoot = root == nullptr;
    if (createdRoot)
        root = FindComponentClass(className).CreateComponent(nullptr);
    root_ = root;
    owner_ = root;
    std::vector<TComponent*> created;
    const auto failed = [&] {
        if (createdRoot) {
            delete root;
        } else {
            for (auto it = created.rbegin(); it != created.rend(); ++it) {
                loaded_.erase(std::remove(loaded_.begin(), loaded_.end(), *it), loaded_.end());
                delete *it;
            }
            for (TComponent* c : loaded_)
                c->AbortLoading();
        }
        root_ = nullptr;
        owner_ = nullptr;
        loaded_.clear();
        fixups_.clear();
    };
    try {
        if (!name.isEmpty() && !IsValidIdent(name))
            Error(QStringLiteral("'%1' is not a valid component name").arg(name));
        root->SetName(name);
        root->BeginLoading();
        loaded_.push_back(root);
        currentComponent_ = root;
        ReadProperties(root);
        created_ = &created;
        if (TComponent* childOwner = root->GetChildOwner())
            owner_ = childOwner;
        TComponent* const childParent = root->GetChildParent();
        while (!EndOfList())
            ReadComponent(childParent);
        ReadListEnd();
        created_ = nullptr;
        ResolveFixups();
        for (TComponent* c : loaded_)
            c->EndReading();
        const std::vector<TComponent*> loaded = std::move(loaded_);
        loaded_.clear();
        for (TComponent* c : loaded)
            c->Loaded();
    } catch (const EPropertyError& e) {
        failed();
        throw EReadError(e.Message());
    } catch (...) {
        failed();
        throw;
    }
    return root;
}

TComponent* TReader::ReadComponent(TComponent* parent) {
    Enter();
    const auto leave = qScopeGuard([this] { Leave(); });
    CheckCount(components_, kMaxComponents, "components");
    ReadPrefix();
    const QString className = ReadStr();
    const QString name = ReadStr();
    const TMetaClass& meta = FindComponentClass(className);
    if (!name.isEmpty() && !IsValidIdent(name))
        Error(QStringLiteral("'%1' is not a valid component name").arg(name));
    TComponent* component = owner_->FindComponent(name);
    if (component != nullptr && &component->ClassType() != &meta)
        Error(QStringLiteral("A component named %1 already exists").arg(name));
    if (component == nullptr) {
        component = meta.CreateComponent(owner_);
        created_->push_back(component);
        component->SetName(name);
    }
    // A component made before the read is filled once; a second one of its name in the same stream
    // is damage (and nested inside itself it would become its own parent).
    if (std::find(loaded_.begin(), loaded_.end(), component) != loaded_.end())
        Error(QStringLiteral("A component named %1 already exists").arg(name));
    component->BeginLoading();
    loaded_.push_back(component);
    component->SetParentComponent(parent);
    TComponent* const savedCurrent = currentComponent_;
    currentComponent_ = component;
    ReadProperties(component);
    TComponent* const savedOwner = owner_;
    if (TComponent* childOwner = component->GetChildOwner())
        owner_ = childOwner;
    const auto restoreOwner = qScopeGuard([&] { owner_ = savedOwner; });
    TComponent* const childParent = component->GetChildParent();
    while (!EndOfList())
        ReadComponent(childParent);
    ReadListEnd();
    currentComponent_ = savedCurrent;
    return component;
}

void TReader::ReadProperties(TPersistent* instance) {
    while (!EndOfList())
        ReadProperty(instance);
    ReadListEnd();
}

void TReader::ReadProperty(TPersistent* instance) {
    const QString path = ReadStr();
    propPath_ = path;
    const QStringList parts = path.split(QLatin1Char('.'));
    TPersistent* target = instance;
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        const TPropInfo* prop = target->ClassType().FindProperty(parts[i]);
        if (prop != nullptr && prop->Kind() == TPropKind::Strings && i + 2 == parts.size() &&
            parts[i + 1].compare(QLatin1String("Strings"), Qt::CaseInsensitive) == 0) {
            TStringList* list = prop->GetStrings(target);
            if (list == nullptr) {
                SkipValue();
                return;
            }
            ReadStringsData(list);
            return;
        }
        TPersistent* next = nullptr;
        if (prop != nullptr && (prop->Kind() == TPropKind::Object || prop->Kind() == TPropKind::Collection))
            next = prop->GetObject(target);
        if (next == nullptr) {
            // A property this class does not have (any more): its value is passed over.
            SkipValue();
            return;
        }
        target = next;
    }
    const QString& last = parts.back();
    if (const TPropInfo* prop = target->ClassType().FindProperty(last)) {
        if (prop->CanWrite()) {
            ReadPropValue(target, *prop);
            return;
        }
    }
    propName_ = last;
    propHandled_ = false;
    target->DefineProperties(*this);
    const bool handled = propHandled_;
    propName_.clear();
    propHandled_ = false;
    if (!handled)
        SkipValue();
}

void TReader::ReadStringsData(TStringList* list) {
    if (ReadValue() != TValueType::vaList)
        PropValueError();
    Enter();
    list->BeginUpdate();
    const auto done = qScopeGuard([this, list] {
        list->EndUpdate();
        Leave();
    });
    list->Clear();
    int64_t count = 0;
    while (!EndOfList()) {
        CheckCount(count, kMaxListValues, "strings");
        list->Add(ReadString());
    }
    ReadListEnd();
}

void TReader::ReadPropValue(TPersistent* instance, const TPropInfo& prop) {
    switch (prop.Kind()) {
    case TPropKind::Integer:
        prop.SetOrdinal(instance, ReadInteger());
        return;
    case TPropKind::Int64:
        prop.SetOrdinal(instance, ReadInt64());
        return;
    case TPropKind::Boolean: {
        const QString ident = ReadIdent();
        if (ident.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
            prop.SetOrdinal(instance, 1);
        else if (ident.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
            prop.SetOrdinal(instance, 0);
        else
            PropValueError();
        return;
    }
    case TPropKind::Enumeration: {
        const int index = IndexOfIdent(prop.Identifiers(), ReadIdent());
        if (index < 0)
            PropValueError();
        prop.SetOrdinal(instance, index);
        return;
    }
    case TPropKind::Set: {
        if (ReadValue() != TValueType::vaSet)
            PropValueError();
        uint64_t mask = 0;
        for (QString member = ReadStr(); !member.isEmpty(); member = ReadStr()) {
            const int index = IndexOfIdent(prop.Identifiers(), member);
            if (index < 0)
                PropValueError();
            mask |= uint64_t(1) << index;
        }
        prop.SetOrdinal(instance, static_cast<int64_t>(mask));
        return;
    }
    case TPropKind::Color: {
        if (NextValue() == TValueType::vaIdent) {
            TColor color = 0;
            if (!IdentToColor(ReadIdent(), color))
                PropValueError();
            prop.SetOrdinal(instance, color);
        } else {
            prop.SetOrdinal(instance, ReadInteger());
        }
        return;
    }
    case TPropKind::Charset: {
        if (NextValue() == TValueType::vaIdent) {
            int charset = 0;
            if (!IdentToCharset(ReadIdent(), charset))
                PropValueError();
            prop.SetOrdinal(instance, charset);
        } else {
            prop.SetOrdinal(instance, ReadInteger());
        }
        return;
    }
    case TPropKind::String:
    case TPropKind::WideString:
        prop.SetString(instance, ReadString());
        return;
    case TPropKind::Event: {
        const QString name = ReadIdent();
        const bool none = name.compare(QLatin1String("nil"), Qt::CaseInsensitive) == 0 ||
                          name.compare(QLatin1String("Null"), Qt::CaseInsensitive) == 0;
        prop.SetString(instance, none ? QString() : name);
        return;
    }
    case TPropKind::Float:
        if (prop.FloatType() == TFloatType::Currency)
            prop.SetCurrency(instance, ReadCurrency());
        else
            prop.SetFloat(instance, ReadFloatAs(prop.FloatType()));
        return;
    case TPropKind::Component: {
        const QString name = ReadIdent();
        if (name.compare(QLatin1String("nil"), Qt::CaseInsensitive) == 0) {
            prop.SetComponent(instance, nullptr);
        } else if (collectionDepth_ > 0 || currentComponent_ == nullptr) {
            // Items cannot be found again by a path: only components already read are found.
            if (TComponent* target = FindReference(name))
                prop.SetComponent(instance, target);
        } else {
            fixups_.push_back(Fixup{currentComponent_, propPath_, name});
        }
        return;
    }
    case TPropKind::Collection: {
        const TValueType t = ReadValue();
        if (t == TValueType::vaNil)
            return;
        if (t != TValueType::vaCollection)
            PropValueError();
        if (auto* collection = dynamic_cast<TCollection*>(prop.GetObject(instance)))
            ReadCollection(collection);
        else
            PropValueError();
        return;
    }
    case TPropKind::Object:
    case TPropKind::Strings:
        if (ReadValue() != TValueType::vaNil)
            PropValueError();
        return;
    }
}

void TReader::ReadCollection(TCollection* collection) {
    Enter();
    ++collectionDepth_;
    collection->BeginUpdate();
    const auto done = qScopeGuard([this, collection] {
        collection->EndUpdate();
        --collectionDepth_;
        Leave();
    });
    collection->Clear();
    int64_t count = 0;
    while (!EndOfList()) {
        CheckCount(count, kMaxItems, "collection items");
        if (IsIntegerTag(NextValue()))
            ReadInteger();
        ReadListBegin();
        TCollectionItem* item = collection->Add();
        while (!EndOfList())
            ReadProperty(item);
        ReadListEnd();
    }
    ReadListEnd();
}

void TReader::DefineProperty(const QString& name, const TReaderProc& readProc, const TWriterProc&, bool) {
    if (propHandled_ || !readProc || name.compare(propName_, Qt::CaseInsensitive) != 0)
        return;
    propHandled_ = true;
    readProc(*this);
}

void TReader::DefineBinaryProperty(const QString& name, const TStreamProc& readProc, const TStreamProc&,
                                   bool) {
    if (propHandled_ || !readProc || name.compare(propName_, Qt::CaseInsensitive) != 0)
        return;
    propHandled_ = true;
    if (ReadValue() != TValueType::vaBinary)
        PropValueError();
    const int64_t length = ReadLength();
    QByteArray bytes(static_cast<qsizetype>(length), Qt::Uninitialized);
    Read(bytes.data(), length);
    TBinaryPropertyStream data(std::move(bytes));
    readProc(data);
}

TComponent* TReader::FindReference(const QString& name) const {
    if (root_ == nullptr)
        return nullptr;
    if (name.compare(QLatin1String("Owner"), Qt::CaseInsensitive) == 0)
        return root_;
    const QStringList parts = name.split(QLatin1Char('.'));
    TComponent* c = nullptr;
    if (!root_->Name().isEmpty() && parts[0].compare(root_->Name(), Qt::CaseInsensitive) == 0 &&
        parts.size() == 1)
        return root_;
    c = root_->FindComponent(parts[0]);
    for (qsizetype i = 1; c != nullptr && i < parts.size(); ++i)
        c = c->FindComponent(parts[i]);
    return c;
}

void TReader::ResolveFixups() {
    for (const Fixup& f : fixups_) {
        TComponent* target = FindReference(f.name);
        if (target == nullptr)
            continue;
        propPath_ = f.path;
        const QStringList parts = f.path.split(QLatin1Char('.'));
        TPersistent* instance = f.component;
        for (qsizetype i = 0; instance != nullptr && i + 1 < parts.size(); ++i) {
            const TPropInfo* prop = instance->ClassType().FindProperty(parts[i]);
            instance =
                prop != nullptr && prop->Kind() == TPropKind::Object ? prop->GetObject(instance) : nullptr;
        }
        if (instance == nullptr)
            continue;
        const TPropInfo* prop = instance->ClassType().FindProperty(parts.back());
        if (prop == nullptr || prop->Kind() != TPropKind::Component)
            continue;
        try {
            prop->SetComponent(instance, target);
        } catch (const EPropertyError&) {
            PropValueError();
        }
    }
    fixups_.clear();
}

void ThrowWrongRootClass(const QString& found, const QString& expected) {
    throw EReadError(QStringLiteral("Stored component is a %1, not a %2").arg(found, expected));
}

std::unique_ptr<TComponent> ReadComponent(TStream& stream) {
    TReader reader(stream);
    return std::unique_ptr<TComponent>(reader.ReadRootComponent(nullptr));
}

void ReadComponent(TStream& stream, TComponent& instance) {
    TReader reader(stream);
    reader.ReadRootComponent(&instance);
}

// ---- peeking

namespace {

class Peeker {
public:
    Peeker(QByteArrayView data)
        : p_(reinterpret_cast<const uint8_t*>(data.data())), end_(p_ + data.size()) {}

    bool Component(QByteArrayView* className, std::vector<TPeekedProperty>* properties) {
        if (!Enter())
            return false;
        uint8_t b = 0;
        if (!Peek(b))
            return false;
        if ((b & 0xF0) == 0xF0) {
            ++p_;
            if ((b & ffChildPos) != 0) {
                int64_t position = 0;
                if (!Integer(position) || position < std::numeric_limits<int32_t>::min() ||
                    position > std::numeric_limits<int32_t>::max())
                    return false;
            }
        }
        QByteArrayView cls, name;
        if (!Str(cls) || !Str(name))
            return false;
        if (className != nullptr)
            *className = cls;
        while (true) {
            if (!Peek(b))
                return false;
            if (b == uint8_t(TValueType::vaNull))
                break;
            TPeekedProperty property;
            if (!Str(property.Name) || !Value(properties != nullptr ? &property : nullptr))
                return false;
            if (properties != nullptr)
                properties->push_back(property);
        }
        ++p_;
        while (true) {
            if (!Peek(b))
                return false;
            if (b == uint8_t(TValueType::vaNull))
                break;
            if (!Component(nullptr, nullptr))
                return false;
        }
        ++p_;
        --depth_;
        return true;
    }

    bool Signature() {
        if (end_ - p_ < 4)
            return false;
        const uint32_t signature = qFromLittleEndian<uint32_t>(p_);
        p_ += 4;
        return signature == kFilerSignature;
    }

private:
    bool Enter() { return ++depth_ <= TReader::kMaxDepth; }
    bool Peek(uint8_t& b) const {
        if (p_ >= end_)
            return false;
        b = *p_;
        return true;
    }
    bool Take(size_t n, const uint8_t** at = nullptr) {
        if (size_t(end_ - p_) < n)
            return false;
        if (at != nullptr)
            *at = p_;
        p_ += n;
        return true;
    }
    bool Str(QByteArrayView& text) {
        const uint8_t* at = nullptr;
        if (!Take(1, &at) || !Take(*at))
            return false;
        text = QByteArrayView(reinterpret_cast<const char*>(at + 1), *at);
        return true;
    }
    bool Length(int64_t& length) {
        const uint8_t* at = nullptr;
        if (!Take(4, &at))
            return false;
        length = int32_t(qFromLittleEndian<uint32_t>(at));
        return length >= 0 && length <= end_ - p_;
    }
    bool Integer(int64_t& value) {
        const uint8_t* at = nullptr;
        if (!Take(1, &at))
            return false;
        switch (TValueType(*at)) {
        case TValueType::vaInt8:
            if (!Take(1, &at))
                return false;
            value = int8_t(*at);
            return true;
        case TValueType::vaInt16:
            if (!Take(2, &at))
                return false;
            value = GetLEInt16(at);
            return true;
        case TValueType::vaInt32:
            if (!Take(4, &at))
                return false;
            value = GetLEInt32(at);
            return true;
        case TValueType::vaInt64:
            if (!Take(8, &at))
                return false;
            value = int64_t(GetLE64(at));
            return true;
        default:
            return false;
        }
    }
    // A value, its tag first; out (when given) gets the tag and what a scalar holds.
    bool Value(TPeekedProperty* out) {
        uint8_t tag = 0;
        if (!Peek(tag))
            return false;
        const auto t = TValueType(tag);
        if (out != nullptr)
            out->Type = t;
        if (IsIntegerTag(t)) {
            int64_t value = 0;
            if (!Integer(value))
                return false;
            if (out != nullptr)
                out->Integer = value;
            return true;
        }
        ++p_;
        const uint8_t* at = nullptr;
        switch (t) {
        case TValueType::vaNull:
        case TValueType::vaFalse:
        case TValueType::vaTrue:
        case TValueType::vaNil:
            return true;
        case TValueType::vaSingle:
            return Take(4);
        case TValueType::vaCurrency:
        case TValueType::vaDate:
        case TValueType::vaDouble:
            return Take(8);
        case TValueType::vaExtended:
            return Take(10);
        case TValueType::vaString:
        case TValueType::vaIdent: {
            QByteArrayView text;
            if (!Str(text))
                return false;
            if (out != nullptr)
                out->Bytes = text;
            return true;
        }
        case TValueType::vaLString:
        case TValueType::vaUTF8String:
        case TValueType::vaBinary: {
            int64_t length = 0;
            if (!Length(length) || !Take(size_t(length), &at))
                return false;
            if (out != nullptr)
                out->Bytes = QByteArrayView(reinterpret_cast<const char*>(at), length);
            return true;
        }
        case TValueType::vaWString: {
            if (!Take(4, &at))
                return false;
            const int32_t count = int32_t(qFromLittleEndian<uint32_t>(at));
            if (count < 0 || !Take(size_t(count) * 2, &at))
                return false;
            if (out != nullptr)
                out->Bytes = QByteArrayView(reinterpret_cast<const char*>(at), qsizetype(count) * 2);
            return true;
        }
        case TValueType::vaSet: {
            QByteArrayView member;
            do {
                if (!Str(member))
                    return false;
            } while (!member.isEmpty());
            return true;
        }
        case TValueType::vaList: {
            if (!Enter())
                return false;
            uint8_t b = 0;
            while (Peek(b) && b != uint8_t(TValueType::vaNull))
                if (!Value(nullptr))
                    return false;
            if (!Take(1))
                return false;
            --depth_;
            return true;
        }
        case TValueType::vaCollection: {
            if (!Enter())
                return false;
            uint8_t b = 0;
            while (Peek(b) && b != uint8_t(TValueType::vaNull)) {
                int64_t index = 0;
                if (IsIntegerTag(TValueType(b)) && !Integer(index))
                    return false;
                if (!Take(1, &at) || TValueType(*at) != TValueType::vaList)
                    return false;
                while (Peek(b) && b != uint8_t(TValueType::vaNull)) {
                    QByteArrayView name;
                    if (!Str(name) || !Value(nullptr))
                        return false;
                }
                if (!Take(1))
                    return false;
            }
            if (!Take(1))
                return false;
            --depth_;
            return true;
        }
        default:
            return false;
        }
    }

    const uint8_t* p_;
    const uint8_t* end_;
    int depth_ = 0;
};

} // namespace

bool PeekComponent(QByteArrayView data, QByteArrayView& className, std::vector<TPeekedProperty>& properties) {
    properties.clear();
    Peeker peeker(data);
    return peeker.Signature() && peeker.Component(&className, &properties);
}

bool PeekedText(const TPeekedProperty& property, QString& text) {
    switch (property.Type) {
    case TValueType::vaString:
    case TValueType::vaLString:
        text = Cp932::Decode(property.Bytes.toByteArray());
        return true;
    case TValueType::vaUTF8String:
        text = QString::fromUtf8(property.Bytes);
        return true;
    case TValueType::vaWString: {
        const qsizetype count = property.Bytes.size() / 2;
        text = QString(count, Qt::Uninitialized);
        for (qsizetype i = 0; i < count; ++i)
            text[i] = QChar(static_cast<char16_t>(GetLE16(property.Bytes.data() + 2 * i)));
        return true;
    }
    default:
        return false;
    }
}

bool PeekedNameIs(QByteArrayView name, QLatin1StringView wanted) {
    if (name.size() != wanted.size())
        return false;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char a = name[i];
        const char b = wanted[i].toLatin1();
        if (a != b && !((a | 0x20) == (b | 0x20) && (a | 0x20) >= 'a' && (a | 0x20) <= 'z'))
            return false;
    }
    return true;
}

bool PeekedBoolean(const TPeekedProperty& property, bool& value) {
    if (property.Type == TValueType::vaTrue || property.Type == TValueType::vaFalse) {
        value = property.Type == TValueType::vaTrue;
        return true;
    }
    if (property.Type != TValueType::vaIdent)
        return false;
    if (PeekedNameIs(property.Bytes, QLatin1StringView("True")))
        value = true;
    else if (PeekedNameIs(property.Bytes, QLatin1StringView("False")))
        value = false;
    else
        return false;
    return true;
}

bool PeekedInteger(const TPeekedProperty& property, int32_t& value) {
    if (!IsIntegerTag(property.Type) || property.Integer < std::numeric_limits<int32_t>::min() ||
        property.Integer > std::numeric_limits<int32_t>::max())
        return false;
    value = int32_t(property.Integer);
    return true;
}

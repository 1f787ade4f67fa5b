#include "platform/ComponentWriter.h"

#include "platform/ByteOrder.h"
#include "platform/Component.h"
#include "platform/Cp932.h"
#include "platform/Stream.h"
#include "platform/StringList.h"

#include <QScopeGuard>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

// Nested objects and components cannot nest deeper than this without a cycle somewhere.
constexpr int kMaxWriteDepth = 64;

} // namespace

void TWriter::Write(const void* buffer, int64_t count) {
    Stream().WriteBuffer(buffer, count);
}

void TWriter::WriteValue(TValueType value) {
    Stream().WriteByte(static_cast<uint8_t>(value));
}

void TWriter::WriteInteger(int64_t value) {
    if (value >= std::numeric_limits<int8_t>::min() && value <= std::numeric_limits<int8_t>::max()) {
        WriteValue(TValueType::vaInt8);
        Stream().WriteByte(static_cast<uint8_t>(static_cast<int8_t>(value)));
    } else if (value >= std::numeric_limits<int16_t>::min() && value <= std::numeric_limits<int16_t>::max()) {
        WriteValue(TValueType::vaInt16);
        Stream().WriteUInt16(static_cast<uint16_t>(static_cast<int16_t>(value)));
    } else if (value >= std::numeric_limits<int32_t>::min() && value <= std::numeric_limits<int32_t>::max()) {
        WriteValue(TValueType::vaInt32);
        Stream().WriteInt32(static_cast<int32_t>(value));
    } else {
        WriteValue(TValueType::vaInt64);
        Stream().WriteUInt64(static_cast<uint64_t>(value));
    }
}

void TWriter::WriteBoolean(bool value) {
    WriteValue(value ? TValueType::vaTrue : TValueType::vaFalse);
}

void TWriter::WriteString(const QString& value) {
    bool lossless = true;
    const QByteArray bytes = Cp932::Encode(value, &lossless);
    // Some characters have a CP932 form that reads back as another one ("¥" as a backslash, the wave dash
    // as the full-width tilde): only text that reads back unchanged goes as CP932.
    if (!lossless || (!bytes.isEmpty() && Cp932::Decode(bytes) != value)) {
        WriteWideString(value);
        return;
    }
    if (bytes.size() <= 255) {
        WriteValue(TValueType::vaString);
        Stream().WriteByte(static_cast<uint8_t>(bytes.size()));
    } else {
        WriteValue(TValueType::vaLString);
        Stream().WriteInt32(static_cast<int32_t>(bytes.size()));
    }
    Stream().WriteBytes(bytes);
}

void TWriter::WriteWideString(const QString& value) {
    WriteValue(TValueType::vaWString);
    Stream().WriteInt32(static_cast<int32_t>(value.size()));
    QByteArray bytes(value.size() * 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < value.size(); ++i)
        PutLE16(bytes.data() + 2 * i, value[i].unicode());
    Stream().WriteBytes(bytes);
}

void TWriter::WriteUTF8String(const QString& value) {
    const QByteArray bytes = value.toUtf8();
    WriteValue(TValueType::vaUTF8String);
    Stream().WriteInt32(static_cast<int32_t>(bytes.size()));
    Stream().WriteBytes(bytes);
}

void TWriter::WriteIdent(const QString& ident) {
    if (ident.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) {
        WriteValue(TValueType::vaFalse);
    } else if (ident.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) {
        WriteValue(TValueType::vaTrue);
    } else if (ident.compare(QLatin1String("Null"), Qt::CaseInsensitive) == 0) {
        WriteValue(TValueType::vaNull);
    } else if (ident.compare(QLatin1String("nil"), Qt::CaseInsensitive) == 0) {
        WriteValue(TValueType::vaNil);
    } else {
        WriteValue(TValueType::vaIdent);
        WriteStr(ident);
    }
}

void TWriter::WriteFloat(double value) {
    uint8_t bytes[10];
    DoubleToExtended(value, bytes);
    WriteValue(TValueType::vaExtended);
    Write(bytes, 10);
}

void TWriter::WriteSingle(float value) {
    WriteValue(TValueType::vaSingle);
    Stream().WriteUInt32(std::bit_cast<uint32_t>(value));
}

void TWriter::WriteDouble(double value) {
    WriteValue(TValueType::vaDouble);
    Stream().WriteUInt64(std::bit_cast<uint64_t>(value));
}

void TWriter::WriteCurrency(TCurrency value) {
    WriteValue(TValueType::vaCurrency);
    Stream().WriteUInt64(static_cast<uint64_t>(value.Scaled));
}

void TWriter::WriteDate(double value) {
    WriteValue(TValueType::vaDate);
    Stream().WriteUInt64(std::bit_cast<uint64_t>(value));
}

void TWriter::WriteStr(const QString& value) {
    const QByteArray bytes = Cp932::Encode(value);
    if (bytes.size() > 255)
        throw EWriteError(QStringLiteral("Name too long to be stored: %1").arg(value.left(64)));
    Stream().WriteByte(static_cast<uint8_t>(bytes.size()));
    Stream().WriteBytes(bytes);
}

void TWriter::WritePropName(const QString& name) {
    WriteStr(propPath_ + name);
}

void TWriter::WriteSignature() {
    Stream().WriteUInt32(kFilerSignature);
}

void TWriter::WriteRootComponent(TComponent* root) {
    root_ = root;
    lookupRoot_ = root;
    WriteSignature();
    WriteComponent(root);
}

void TWriter::WriteComponent(TComponent* component) {
    if (++depth_ > kMaxWriteDepth)
        throw EWriteError(QStringLiteral("Components nested too deeply: %1").arg(component->Name()));
    const auto leave = qScopeGuard([this] { --depth_; });
    if (root_ == nullptr) {
        root_ = component;
        lookupRoot_ = component;
    }
    WriteStr(component->ClassName());
    WriteStr(component->Name());
    const QString savedPath = propPath_;
    propPath_.clear();
    WriteProperties(component);
    WriteListEnd();
    component->GetChildren([this](TComponent* child) { WriteComponent(child); }, root_);
    WriteListEnd();
    propPath_ = savedPath;
}

void TWriter::WriteProperties(TPersistent* instance) {
    instance->CheckClassType();
    for (const TPropInfo* prop : instance->ClassType().Properties()) {
        if (prop->IsStored(instance))
            WriteProperty(instance, *prop);
    }
    instance->DefineProperties(*this);
}

void TWriter::WriteProperty(TPersistent* instance, const TPropInfo& prop) {
    if (!prop.CanWrite() || prop.IsDefault(instance))
        return;
    switch (prop.Kind()) {
    case TPropKind::Integer:
    case TPropKind::Int64:
        WritePropName(prop.Name());
        WriteInteger(prop.GetOrdinal(instance));
        break;
    case TPropKind::Boolean:
        WritePropName(prop.Name());
        WriteBoolean(prop.GetOrdinal(instance) != 0);
        break;
    case TPropKind::Enumeration: {
        const int64_t v = prop.GetOrdinal(instance);
        if (v < 0 || v >= prop.Identifiers().size())
            throw EWriteError(QStringLiteral("Invalid property value: %1").arg(propPath_ + prop.Name()));
        WritePropName(prop.Name());
        WriteIdent(prop.Identifiers()[static_cast<int>(v)]);
        break;
    }
    case TPropKind::Set: {
        const auto mask = static_cast<uint64_t>(prop.GetOrdinal(instance));
        WritePropName(prop.Name());
        WriteValue(TValueType::vaSet);
        for (int i = 0; i < prop.Identifiers().size(); ++i) {
            if ((mask >> i) & 1u)
                WriteStr(prop.Identifiers()[i]);
        }
        WriteStr(QString());
        break;
    }
    case TPropKind::Color: {
        const auto color = static_cast<TColor>(prop.GetOrdinal(instance));
        QString ident;
        WritePropName(prop.Name());
        if (ColorToIdent(color, ident))
            WriteIdent(ident);
        else
            WriteInteger(color);
        break;
    }
    case TPropKind::Charset: {
        const auto charset = static_cast<int>(prop.GetOrdinal(instance));
        QString ident;
        WritePropName(prop.Name());
        if (CharsetToIdent(charset, ident))
            WriteIdent(ident);
        else
            WriteInteger(charset);
        break;
    }
    case TPropKind::String:
        WritePropName(prop.Name());
        WriteString(prop.GetString(instance));
        break;
    case TPropKind::WideString:
        WritePropName(prop.Name());
        WriteWideString(prop.GetString(instance));
        break;
    case TPropKind::Event:
        WritePropName(prop.Name());
        WriteIdent(prop.GetString(instance));
        break;
    case TPropKind::Float: {
        if (prop.FloatType() == TFloatType::Currency) {
            const TCurrency v = prop.GetCurrency(instance);
            WritePropName(prop.Name());
            WriteCurrency(v);
            break;
        }
        const double v = prop.GetFloat(instance);
        WritePropName(prop.Name());
        switch (prop.FloatType()) {
        case TFloatType::Extended:
        case TFloatType::Double:
            WriteFloat(v);
            break;
        case TFloatType::Single:
            WriteSingle(DoubleToSingle(v));
            break;
        case TFloatType::Currency:
        case TFloatType::DateTime:
            WriteDate(v);
            break;
        }
        break;
    }
    case TPropKind::Component: {
        const QString path = ComponentPath(prop.GetComponent(instance));
        if (!path.isEmpty()) {
            WritePropName(prop.Name());
            WriteIdent(path);
        }
        break;
    }
    case TPropKind::Strings: {
        TStringList* list = prop.GetStrings(instance);
        if (list == nullptr || list->Count() == 0)
            break;
        WritePropName(prop.Name() + QStringLiteral(".Strings"));
        WriteListBegin();
        for (int i = 0; i < list->Count(); ++i)
            WriteString(list->Strings(i));
        WriteListEnd();
        break;
    }
    case TPropKind::Object:
    case TPropKind::Collection: {
        TPersistent* object = prop.GetObject(instance);
        if (object == nullptr)
            break;
        if (++depth_ > kMaxWriteDepth)
            throw EWriteError(QStringLiteral("Objects nested too deeply: %1").arg(propPath_ + prop.Name()));
        const auto leave = qScopeGuard([this] { --depth_; });
        const QString savedPath = propPath_;
        propPath_ += prop.Name() + QLatin1Char('.');
        WriteProperties(object);
        propPath_ = savedPath;
        if (auto* collection = dynamic_cast<TCollection*>(object)) {
            WritePropName(prop.Name());
            propPath_.clear();
            WriteCollection(collection);
            propPath_ = savedPath;
        }
        break;
    }
    }
}

void TWriter::WriteCollection(TCollection* collection) {
    WriteValue(TValueType::vaCollection);
    if (collection != nullptr) {
        // Item properties are named from the item, whatever held the collection.
        const QString savedPath = propPath_;
        propPath_.clear();
        for (int i = 0; i < collection->Count(); ++i) {
            WriteListBegin();
            WriteProperties(collection->Items(i));
            WriteListEnd();
        }
        propPath_ = savedPath;
    }
    WriteListEnd();
}

QString TWriter::ComponentPath(TComponent* component) const {
    if (component == nullptr)
        return QString();
    if (component->Owner() == lookupRoot_)
        return component->Name();
    if (component == lookupRoot_)
        return QStringLiteral("Owner");
    if (component->Owner() != nullptr && !component->Owner()->Name().isEmpty() &&
        !component->Name().isEmpty())
        return component->Owner()->Name() + QLatin1Char('.') + component->Name();
    return component->Name();
}

void TWriter::DefineProperty(const QString& name, const TReaderProc&, const TWriterProc& writeProc,
                             bool hasData) {
    if (!hasData || !writeProc)
        return;
    WritePropName(name);
    writeProc(*this);
}

void TWriter::DefineBinaryProperty(const QString& name, const TStreamProc&, const TStreamProc& writeProc,
                                   bool hasData) {
    if (!hasData || !writeProc)
        return;
    TMemoryStream data;
    writeProc(data);
    if (data.GetSize() > std::numeric_limits<int32_t>::max())
        throw EWriteError(QStringLiteral("Binary property too large: %1").arg(propPath_ + name));
    WritePropName(name);
    WriteValue(TValueType::vaBinary);
    Stream().WriteInt32(static_cast<int32_t>(data.GetSize()));
    Write(data.Memory(), data.GetSize());
}

void WriteComponent(TStream& stream, TComponent* instance) {
    TWriter writer(stream);
    writer.WriteRootComponent(instance);
}

#pragma once
// The writer of the class library's binary component stream: "TPF0", then the component as
// its class name and name, its properties (name, value tag, value) up to a zero byte, its
// children, and a zero byte. Only properties that differ from their defaults are written;
// nested objects' properties carry the holder's property name and a point in front.

#include "platform/Filer.h"

#include <QByteArray>
#include <QString>
#include <cstdint>

class TComponent;
class TCollection;
class TPersistent;
class TPropInfo;

class TWriter : public TFiler {
public:
    explicit TWriter(TStream& stream) : TFiler(stream) {}

    // Signature and the whole tree of root.
    void WriteRootComponent(TComponent* root);
    void WriteSignature();
    void WriteComponent(TComponent* component);
    // The published and defined properties of instance (with the current name prefix).
    void WriteProperties(TPersistent* instance);
    void WriteCollection(TCollection* collection);

    void DefineProperty(const QString& name, const TReaderProc& readProc, const TWriterProc& writeProc,
                        bool hasData) override;
    void DefineBinaryProperty(const QString& name, const TStreamProc& readProc, const TStreamProc& writeProc,
                              bool hasData) override;

    // Values with their tags.
    void WriteValue(TValueType value);
    // The smallest of Int8, Int16, Int32, Int64 that holds value.
    void WriteInteger(int64_t value);
    void WriteBoolean(bool value);
    // CP932 as String (up to 255 bytes) or LString when CP932 holds the text; WString when
    // it does not, so nothing is lost.
    void WriteString(const QString& value);
    void WriteWideString(const QString& value);
    void WriteUTF8String(const QString& value);
    // False, True, nil and Null have tags of their own; anything else is an Ident.
    void WriteIdent(const QString& ident);
    // 10-byte extended.
    void WriteFloat(double value);
    void WriteSingle(float value);
    void WriteDouble(double value);
    // The count of ten-thousandths as it is.
    void WriteCurrency(TCurrency value);
    void WriteDate(double value);
    void WriteListBegin() { WriteValue(TValueType::vaList); }
    void WriteListEnd() { WriteValue(TValueType::vaNull); }
    // A short string: a length byte and up to 255 bytes (CP932). EWriteError when longer.
    void WriteStr(const QString& value);
    void Write(const void* buffer, int64_t count);

    TComponent* Root() const { return root_; }
    TComponent* LookupRoot() const { return lookupRoot_; }

private:
    void WriteProperty(TPersistent* instance, const TPropInfo& prop);
    void WritePropName(const QString& name);
    QString ComponentPath(TComponent* component) const;

    TComponent* root_ = nullptr;
    TComponent* lookupRoot_ = nullptr;
    QString propPath_;
    int depth_ = 0;
};

// "TPF0" and the component tree, at the stream's position.
void WriteComponent(TStream& stream, TComponent* instance);

#pragma once
// A stream over one named resource: of an external resource file (".res", the platform's 32-bit
// resource file) or of the program itself. The program's own resources are Qt resources under
// ":/resources/TYPE/NAME" (type and name in upper case; an ordinal type by its name, BITMAP or
// ICON, or as "#n").

#include "platform/Exception.h"
#include "platform/Stream.h"

#include <QString>
#include <cstdint>
#include <memory>

QUORLANE_EXCEPTION(EResNotFound, Exception)

constexpr uint16_t RT_BITMAP = 2;
constexpr uint16_t RT_ICON = 3;

// A resource type or name: an ordinal (a value below 65536) or a text.
class TResName {
public:
    TResName(uint16_t ordinal) : ordinal_(ordinal), isOrdinal_(true) {}
    TResName(const QString& text) : text_(text) {}
    TResName(const char* text) : text_(QString::fromLatin1(text)) {}

    bool IsOrdinal() const { return isOrdinal_; }
    uint16_t Ordinal() const { return ordinal_; }
    const QString& Text() const { return text_; }
    // The text, or "#n" for an ordinal.
    QString ToString() const;

private:
    QString text_;
    uint16_t ordinal_ = 0;
    bool isOrdinal_ = false;
};

// Tests the TYPE or NAME field at the stream's position (the word 0xFFFF and an ordinal, or a
// zero-terminated UTF-16 text, within the stream) and leaves the stream after the field. Texts
// compare whole and without regard to case. Raises EReadError when the field runs past the end.
bool MatchResEntryName(TStream& stream, const TResName& name);

// Scans a resource file from its start for the entry of that type and name; true with data set
// when found. Every entry is checked against the file's size and the scan always moves forward,
// so a damaged file ends the scan rather than looping or reading outside it.
bool FindResInResFile(TStream& file, const TResName& name, const TResName& type, QByteArray& data);

class TResStream : public TStream {
public:
    // An external file when fileName names one; else the program's resource. EResNotFound
    // ("%s リソースが見つかりません" with the name) when there is no such resource.
    TResStream(const QString& fileName, const TResName& resName, const TResName& resType);
    ~TResStream() override;

    int64_t Read(void* buffer, int64_t count) override { return inner_->Read(buffer, count); }
    int64_t Write(const void* buffer, int64_t count) override { return inner_->Write(buffer, count); }
    int64_t Seek(int64_t offset, TSeekOrigin origin) override { return inner_->Seek(offset, origin); }
    int64_t GetSize() override { return inner_->GetSize(); }
    void SetSize(int64_t newSize) override { inner_->SetSize(newSize); }

private:
    std::unique_ptr<TStream> inner_;
};

// "%s リソースが見つかりません"
QString ResNotFoundMessage(const QString& name);

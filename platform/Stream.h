#pragma once
// The class library's stream family: a seekable byte stream with 64-bit positions,
// memory and file variants. Readers of outside bytes rely on ReadBuffer failing
// cleanly when fewer bytes are there than asked for.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstdint>
#include <memory>

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
public:
    virtual ~TStream() = default;

    // Reads up to count bytes; returns how many were read (0 at the end).
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    // Writes count bytes; returns how many were written.
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    // Returns the new position.
    virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
    virtual int64_t GetSize();
    virtual void SetSize(int64_t newSize) = 0;

    int64_t GetPosition() { return Seek(0, TSeekOrigin::soCurrent); }
    void SetPosition(int64_t pos) { Seek(pos, TSeekOrigin::soBeginning); }
    int64_t Remaining() { return GetSize() - GetPosition(); }

    // Exactly count bytes or EReadError ("Stream read error").
    void ReadBuffer(void* buffer, int64_t count);
    // Exactly count bytes or EWriteError ("Stream write error").
    void WriteBuffer(const void* buffer, int64_t count);
    // Copies count bytes from source (the whole source from its start when count is 0).
    int64_t CopyFrom(TStream& source, int64_t count);

    // Little-endian helpers for the binary formats the system stores.
    uint8_t ReadByte();
    uint16_t ReadUInt16();
    uint32_t ReadUInt32();
    int32_t ReadInt32() { return static_cast<int32_t>(ReadUInt32()); }
    uint64_t ReadUInt64();
    void WriteByte(uint8_t v) { WriteBuffer(&v, 1); }
    void WriteUInt16(uint16_t v);
    void WriteUInt32(uint32_t v);
    void WriteInt32(int32_t v) { WriteUInt32(static_cast<uint32_t>(v)); }
    void WriteUInt64(uint64_t v);
    // Reads count bytes (bounded by what is left in the stream) or raises EReadError.
    QByteArray ReadBytes(int64_t count);
    void WriteBytes(const QByteArray& bytes) { WriteBuffer(bytes.constData(), bytes.size()); }

    // The position a seek asks for, clamped to 0..limit. Offsets may come from damaged files, so a
    // far offset is compared with what is left, never added.
    static int64_t SeekTarget(int64_t offset, TSeekOrigin origin, int64_t current, int64_t end,
                              int64_t limit);
};

// A growable stream in memory.
class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(const QByteArray& data) : data_(data) {}

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t GetSize() override { return data_.size(); }
    void SetSize(int64_t newSize) override;

    void Clear();
    const char* Memory() const { return data_.constData(); }
    char* Memory() { return data_.data(); }
    const QByteArray& Data() const { return data_; }
    void SetData(const QByteArray& data);

    void LoadFromStream(TStream& source);
    void SaveToStream(TStream& target) const;
    void LoadFromFile(const QString& fileName);
    // Replaces the file only once everything is written.
    void SaveToFile(const QString& fileName) const;

private:
    QByteArray data_;
    int64_t position_ = 0;
};

// Open modes of TFileStream; the share bits of the class library are accepted and ignored.
enum : uint16_t {
    fmOpenRead = 0x0000,
    fmOpenWrite = 0x0001,
    fmOpenReadWrite = 0x0002,
    fmShareCompat = 0x0000,
    fmShareExclusive = 0x0010,
    fmShareDenyWrite = 0x0020,
    fmShareDenyRead = 0x0030,
    fmShareDenyNone = 0x0040,
    fmCreate = 0xFFFF,
};

// A stream on a file on disk.
class TFileStream : public TStream {
public:
    // Raises EFOpenError or EFCreateError with the file name when it cannot be opened.
    TFileStream(const QString& fileName, uint16_t mode);

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t GetSize() override { return file_.size(); }
    void SetSize(int64_t newSize) override;
    const QString& FileName() const { return fileName_; }
    bool Flush() { return file_.flush(); }

private:
    QString fileName_;
    QFile file_;
};

// A view on a window of another stream: reads at most `length` bytes from `offset`,
// so a damaged record cannot run into what follows it.
class TSubStream : public TStream {
public:
    TSubStream(TStream& base, int64_t offset, int64_t length);
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t GetSize() override { return length_; }
    void SetSize(int64_t newSize) override;

private:
    TStream& base_;
    int64_t offset_;
    int64_t length_;
    int64_t position_ = 0;
};

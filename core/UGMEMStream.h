#pragma once
// A stream laid over a movable memory block that is exchanged with the clipboard as a whole: data
// taken from the clipboard is read in place, and data written for it is handed over as the block.
// The block is shared by handle; whoever holds the handle may pass its bytes on
// (QMimeData::setData) once the stream has released it.

#include "platform/Exception.h"
#include "platform/Stream.h"

#include <QByteArray>
#include <memory>

QUORLANE_EXCEPTION(EGMEMStream, Exception)

// The stand-in for a global memory handle: a block of bytes shared by whoever holds the handle.
using TGlobalHandle = std::shared_ptr<QByteArray>;

// A block of size bytes, zero-filled.
TGlobalHandle GlobalAllocHandle(int64_t size);

class TGMEMStream : public TStream {
public:
    // Locks the block: the stream's memory and size are the block's. A null handle gives an empty,
    // unlocked stream.
    explicit TGMEMStream(TGlobalHandle handle);
    // Still locked: releases the handle first (the block keeps the stream's size).
    ~TGMEMStream() override;

    int64_t Read(void* buffer, int64_t count) override;
    // Inside the locked block as in any memory stream; growing it raises EGMEMStream
    // "should not realloc Global Handle".
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t GetSize() override { return size_; }
    // Shrinking is allowed; growing a locked block raises EGMEMStream.
    void SetSize(int64_t newSize) override;

    bool Locked() const { return locked_; }
    const char* Memory() const;

    // Unlocks the block, cuts it to the stream's size and hands it to the caller; the stream is left
    // empty and unlocked (it then grows in memory of its own). Null when nothing was locked.
    TGlobalHandle ReleaseHandle();

private:
    char* Data();
    void Grow(int64_t newSize);

    TGlobalHandle handle_;
    QByteArray own_;
    bool locked_ = false;
    int64_t size_ = 0;
    int64_t position_ = 0;
};

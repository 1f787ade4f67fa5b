#pragma once
// A bitmap kept as a device-independent block (header, colour table, pixel rows) apart from any
// canvas: the reader of bitmap files (plain or packed in the compressed container) that the
// safety bitmap uses, and drawing such a block onto a canvas. Pixel rows are shared between
// copies through a reference-counted holder.
//
// Header fields are the published bitmap structures'. Every quantity derived from them is
// computed in 64 bits; a file whose claims do not fit the bytes that hold it raises
// EInvalidGraphic ("ビットマップイメージが不正です").

#include "core/UInterfaces.h"
#include "platform/Bitmap.h"
#include "platform/PixelBuffer.h"
#include "platform/Rect.h"

#include <QByteArray>
#include <cstdint>
#include <memory>

class TCanvas;
class TStream;

// Derived quantities of a header block (core or info header at `info`).
int DIBColorCount(int bitCount);
int64_t DIBNumColors(const uint8_t* info);
int64_t DIBInfoSize(const uint8_t* info);
int64_t DIBImageSize(const uint8_t* info);
int64_t DIBFileHeaderAndInfoSize(const uint8_t* info);
// Raises the invalid-bitmap error unless the data starts with "BM" (fewer than two bytes fail).
void CheckBitmapSignature(const uint8_t* data, int64_t size);

// One memory block: a BITMAPINFOHEADER followed by its colour table or bit-field masks.
class TBMPInfo {
public:
    // A 40-byte header: biSize 40, biPlanes 1, biBitCount 24, the rest 0.
    TBMPInfo();
    // Replaces the block by a new zero-filled one of that size.
    void SetSize(int64_t size);
    int64_t Size() const { return block_.size(); }
    void Assign(const TBMPInfo& source);
    // Copies the header found in `available` bytes at `info`: a core header becomes a 40-byte
    // header with an RGBQUAD table; any other header is copied as its info size.
    void AssignHeader(const uint8_t* info, int64_t available);
    uint8_t* Data() { return reinterpret_cast<uint8_t*>(block_.data()); }
    const uint8_t* Data() const { return reinterpret_cast<const uint8_t*>(block_.constData()); }
    // The colour table: block start + biSize.
    uint8_t* ColorTable();

    uint32_t HeaderSize() const;
    int32_t Width() const;
    int32_t Height() const; // biHeight as stored (negative: top-down)
    int BitCount() const;
    uint32_t Compression() const;

private:
    QByteArray block_;
};

// The holder of a block's pixel rows, shared by every TDIB that draws them.
struct IBitsHolder : public virtual IUnknownEx {
    static constexpr TGUID IID = GUIDLiteral("{2D47D5A1-88E0-11D2-93A4-0060976E9510}");
    // Rows as stored in a file (owned by the holder).
    virtual void SetBits(const QByteArray& rows) = 0;
    // Rows of a bitmap's own pixels, shared with it (top-down).
    virtual void SetPixels(const PixelBuffer& pixels) = 0;
    virtual const uint8_t* GetBits() = 0;
    virtual int64_t GetSize() = 0;
    // The rows as a pixel buffer, decoded once for every TDIB sharing the holder.
    virtual PixelBuffer GetPixels(const TBMPInfo& info) = 0;

protected:
    ~IBitsHolder() = default;
};

class TBitsHolder : public TAutoFreeInterface, public IBitsHolder {
public:
    void SetBits(const QByteArray& rows) override;
    void SetPixels(const PixelBuffer& pixels) override;
    const uint8_t* GetBits() override;
    int64_t GetSize() override;
    PixelBuffer GetPixels(const TBMPInfo& info) override;

protected:
    bool GetInterface(const TGUID& iid, void** obj) override;

private:
    QByteArray rows_;
    PixelBuffer pixels_;
    bool decoded_ = false;
};

class TDIB {
public:
    TDIB();
    ~TDIB();
    TDIB(const TDIB&) = delete;
    TDIB& operator=(const TDIB&) = delete;

    // Copies the header block and shares the pixel holder (no pixel copy).
    void Assign(const TDIB& source);
    // Takes a bitmap's pixels, shared with it; the bitmap's image is kept alive by a copy.
    void LoadFromBitmap(const TBitmap& bitmap);
    // Reads a bitmap file, or a compressed container holding one, at the stream's position. A
    // memory stream is read in place and left just past the file.
    void LoadFromStream(TStream& stream);
    // Draws SrcRect of the block (top-down pixel coordinates) onto DestRect with the canvas's
    // copy mode, in the block's own colours (a one-bit block's from its table). Printers need no
    // other path here: the canvas composes raster operations there.
    void Draw(TCanvas& canvas, const TRect& destRect, const TRect& srcRect);
    // False when there was something to draw and it could not be drawn.
    bool DrawDirect(TCanvas& canvas, const TRect& destRect, const TRect& srcRect);
    // Puts the pixels into a bitmap (sharing them where they came from a bitmap).
    void SaveToBitmap(TBitmap& bitmap) const;

    int Width() const;
    int Height() const;
    bool Empty() const { return !holder_; }
    const TBMPInfo& Info() const { return *info_; }
    TBMPInfo& Info() { return *info_; }
    IBitsHolder* Holder() const { return holder_.get(); }
    // The pixels, top-down; a null buffer when empty.
    PixelBuffer Pixels() const;

private:
    TIntf<IBitsHolder> holder_;
    std::unique_ptr<TBMPInfo> info_;
    std::unique_ptr<TBitmap> kept_;
};

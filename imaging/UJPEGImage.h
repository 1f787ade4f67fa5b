#pragma once
// The JPEG library's graphic class, over libjpeg. It keeps the file's bytes as they came, so a
// stored JPEG is written back unchanged, and decodes them only when pixels are needed, at the
// scale asked for (full, 1/2, 1/4, 1/8: thumbnails decode at a fraction of the cost). A bitmap
// assigned to it is compressed when the JPEG bytes are next needed.

#include "platform/Bitmap.h"
#include "platform/Exception.h"
#include "platform/Graphic.h"

#include <QByteArray>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

// A JPEG that libjpeg refuses; the message carries libjpeg's error number.
QUORLANE_EXCEPTION(EJPEG, EInvalidGraphic)

enum TJPEGScale { jsFullSize, jsHalf, jsQuarter, jsEighth };
enum TJPEGPerformance { jpBestQuality, jpBestSpeed };
enum TJPEGPixelFormat { jf24Bit, jf8Bit };

// Decodes done so far in this process, by scale: tests and benchmarks compare two readings to see
// that a page was drawn without decoding a picture at full size.
struct TJPEGDecodeCounts {
    int64_t Scale[4] = {0, 0, 0, 0}; // indexed by TJPEGScale
    int64_t FromCache = 0;           // decodes a decode cache answered
};
TJPEGDecodeCounts JPEGDecodeCounts();

// The JPEG file's picture data is cut short or corrupt, so part of it decodes as grey. False for
// a sound file and for one libjpeg refuses outright (its decoder raises EJPEG).
bool JPEGDataDamaged(const QByteArray& data);

// While one is open on a thread, the JPEG decodes that thread makes are kept and shared (pixels are
// copy-on-write) by every picture of the same bytes and decode options: a print job's pages load
// their objects afresh, and a label sheet shows one photo on every face. Pictures least recently
// used go first once the kept pixels and bytes pass the budget; one larger than the budget is not
// kept. Caches nest (the innermost answers); each must close on the thread that opened it, after
// every thread it was lent to is done with it. A lent cache serves several threads at once: a
// picture another thread is decoding is waited for, not decoded twice.
class TJPEGDecodeCache {
public:
    explicit TJPEGDecodeCache(int64_t budgetBytes);
    ~TJPEGDecodeCache();
    TJPEGDecodeCache(const TJPEGDecodeCache&) = delete;
    TJPEGDecodeCache& operator=(const TJPEGDecodeCache&) = delete;

    int64_t Bytes() const { return bytes_; }
    int64_t BudgetBytes() const { return budget_; }
    int Count() const { return int(entries_.size()); }

    // The cache this thread's decodes go through, if any.
    static TJPEGDecodeCache* Current();

    // While it lives, this thread decodes through a cache another thread opened (nothing when
    // null): work handed to other threads shares the job's decodes.
    class TLend {
    public:
        explicit TLend(TJPEGDecodeCache* cache);
        ~TLend();
        TLend(const TLend&) = delete;
        TLend& operator=(const TLend&) = delete;

    private:
        TJPEGDecodeCache* outer_;
    };

private:
    friend class TJPEGGraphic;
    struct Key {
        QByteArray Data;
        int Denominator = 1;
        bool Fast = false;
        bool Smoothing = true;
        bool Gray = false;
        bool Bits8 = false;
        bool operator==(const Key& other) const;
    };
    struct Entry {
        Key Options;
        PixelBuffer Pixels;
        uint64_t LastUse = 0;
    };
    // True with the kept pixels; false when the caller is to decode them and then Finish (with
    // the pixels, or null when the decode failed). Waits while another thread decodes the same.
    bool Claim(const Key& key, PixelBuffer& pixels);
    void Finish(const Key& key, const PixelBuffer* pixels);
    const PixelBuffer* Find(const Key& key);
    void Keep(const Key& key, const PixelBuffer& pixels);
    static int64_t SizeOf(const Key& key, const PixelBuffer& pixels);

    int64_t budget_;
    int64_t bytes_ = 0;
    uint64_t clock_ = 0;
    std::vector<Entry> entries_;
    TJPEGDecodeCache* outer_;
    std::mutex lock_;
    std::condition_variable finished_;
    std::vector<Key> decoding_;
};

class TJPEGGraphic : public TGraphic {
public:
    TJPEGGraphic();
    ~TJPEGGraphic() override;

    const char* ClassName() const override { return "TJPEGGraphic"; }
    std::unique_ptr<TGraphic> NewInstance() const override { return std::make_unique<TJPEGGraphic>(); }

    // From another JPEG: shares its bytes and takes its settings. From a bitmap: keeps a copy of
    // the bitmap, compressed on the next need of JPEG bytes.
    void Assign(const TGraphic& source) override;
    void Draw(TCanvas& canvas, const TRect& rect) override;
    bool Empty() const override;
    // The size at the current scale (the bitmap's size for an assigned bitmap).
    int Width() const override;
    int Height() const override;
    // A JPEG's size comes from its data; setting it does nothing.
    void SetWidth(int) override {}
    void SetHeight(int) override {}

    // Reads the rest of the stream as a JPEG file; the header is checked at once.
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) override;
    // The stored "Data" form: 32-bit length (0 when empty), then the JPEG file.
    void ReadData(TStream& stream) override;
    void WriteData(TStream& stream) override;

    // The JPEG file's bytes (compressing an assigned bitmap first).
    const QByteArray& Data();
    // Takes the bytes of a JPEG file; raises EJPEG when its header cannot be read.
    void SetData(const QByteArray& data);

    // The decoded pixels at the current scale (decoding on first use).
    TBitmap& Bitmap();
    // Pixels are at hand (decoded, or an assigned bitmap).
    bool Decoded() const { return bitmap_ != nullptr; }
    void DIBNeeded() { Bitmap(); }
    // Compresses an assigned bitmap into JPEG bytes.
    void JPEGNeeded();
    void Compress();

    TJPEGScale Scale() const { return scale_; }
    void SetScale(TJPEGScale value);
    TJPEGPerformance Performance() const { return performance_; }
    void SetPerformance(TJPEGPerformance value);
    bool Smoothing() const { return smoothing_; }
    void SetSmoothing(bool value);
    // Decode to 8-bit grey rather than 24-bit colour.
    bool Grayscale() const { return grayscale_; }
    void SetGrayscale(bool value);
    TJPEGPixelFormat PixelFormat() const { return pixelFormat_; }
    void SetPixelFormat(TJPEGPixelFormat value);
    // 1 to 100; used when a bitmap is compressed.
    int CompressionQuality() const { return quality_; }
    void SetCompressionQuality(int value);
    bool ProgressiveEncoding() const { return progressive_; }
    void SetProgressiveEncoding(bool value) { progressive_ = value; }

    // The full size stored in the JPEG header (0 without data).
    int ImageWidth() const { return imageWidth_; }
    int ImageHeight() const { return imageHeight_; }

private:
    void FreeBitmap();
    template <class T>
    void SetDecodeOption(T& option, T value);
    int ScaleDenominator() const;

    QByteArray data_;
    int imageWidth_ = 0;
    int imageHeight_ = 0;
    // Decoded pixels, or the assigned bitmap while data_ is empty.
    std::unique_ptr<TBitmap> bitmap_;
    TJPEGScale scale_ = jsFullSize;
    TJPEGPerformance performance_ = jpBestQuality;
    bool smoothing_ = true;
    bool grayscale_ = false;
    TJPEGPixelFormat pixelFormat_ = jf24Bit;
    int quality_ = 90;
    bool progressive_ = false;
};

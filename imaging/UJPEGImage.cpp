#include "imaging/UJPEGImage.h"

#include "platform/Canvas.h"
#include "platform/Picture.h"
#include "platform/Stream.h"

#include <algorithm>
#include <atomic>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>

namespace {

// Progressive files may hold any number of scans; past this many the file is taken as hostile.
constexpr int kMaxScans = 256;
// What libjpeg may take for its own arrays (the coefficients of a progressive file).
constexpr long kMaxLibraryMemory = 512L << 20;
// Error number reported when a limit of ours, not libjpeg, stops the work.
constexpr int kLimitError = 1000;

struct ErrorManager {
    jpeg_error_mgr pub;
    jmp_buf jump;
    int code;
};

void ErrorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    err->code = cinfo->err->msg_code;
    std::longjmp(err->jump, 1);
}

// Warnings about damaged data are not printed; the decoder goes on as libjpeg does.
void OutputMessage(j_common_ptr) {}

void LimitScans(j_common_ptr cinfo) {
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->input_scan_number > kMaxScans) {
        auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
        err->code = kLimitError;
        std::longjmp(err->jump, 1);
    }
}

[[noreturn]] void RaiseJPEG(int code) {
    throw EJPEG(QStringLiteral("JPEG error #%1").arg(code));
}

struct HeaderInfo {
    int width = 0;
    int height = 0;
};

// Everything between setjmp and the end of these functions is plain data, so that a longjmp out
// of libjpeg skips no destructor.
bool ReadHeader(const QByteArray& data, HeaderInfo& info, int& code) {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = ErrorExit;
    err.pub.output_message = OutputMessage;
    err.code = 0;
    if (setjmp(err.jump)) {
        code = err.code;
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(data.constData()),
                 static_cast<unsigned long>(data.size()));
    jpeg_read_header(&cinfo, TRUE);
    info.width = int(cinfo.image_width);
    info.height = int(cinfo.image_height);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

struct DecodeRequest {
    int denominator = 1;
    bool fast = false;
    bool smoothing = true;
    bool gray = false;
};

// Decodes into out: 24-bit BGR, 8-bit grey, or for CMYK files 32-bit C,M,Y,K bytes (cmyk set,
// inverted as Adobe writes them when adobe is set).
bool Decode(const QByteArray& data, const DecodeRequest& request, PixelBuffer& out, bool& cmyk, bool& adobe,
            int& code) {
    jpeg_decompress_struct cinfo;
    jpeg_progress_mgr progress;
    ErrorManager err;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = ErrorExit;
    err.pub.output_message = OutputMessage;
    err.code = 0;
    if (setjmp(err.jump)) {
        code = err.code;
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    // Progressive files keep every coefficient of the image in memory; beyond this libjpeg
    // stops with an error rather than taking what a small hostile file claims.
    cinfo.mem->max_memory_to_use = kMaxLibraryMemory;
    progress.progress_monitor = LimitScans;
    cinfo.progress = &progress;
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(data.constData()),
                 static_cast<unsigned long>(data.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.scale_num = 1;
    cinfo.scale_denom = static_cast<unsigned>(request.denominator);
    cinfo.dct_method = request.fast ? JDCT_IFAST : JDCT_ISLOW;
    cinfo.do_fancy_upsampling = request.fast ? FALSE : TRUE;
    cinfo.do_block_smoothing = request.smoothing ? TRUE : FALSE;
    cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    adobe = cinfo.saw_Adobe_marker != 0;
    int bits = 24;
    if (cmyk) {
        cinfo.out_color_space = JCS_CMYK;
        bits = 32;
    } else if (request.gray || cinfo.jpeg_color_space == JCS_GRAYSCALE) {
        cinfo.out_color_space = JCS_GRAYSCALE;
        bits = 8;
    } else {
        cinfo.out_color_space = JCS_EXT_BGR;
    }
    jpeg_calc_output_dimensions(&cinfo);
    const int64_t w = cinfo.output_width;
    const int64_t h = cinfo.output_height;
    // Progressive files hold the whole image's coefficients while decoding, at any scale.
    const bool fullSizeAllowed =
        !cinfo.progressive_mode || DecodedSizeAllowed(cinfo.image_width, cinfo.image_height, data.size());
    if (!fullSizeAllowed || !DecodedSizeAllowed(w, h, data.size())) {
        code = kLimitError;
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    out = PixelBuffer(int(w), int(h), bits);
    jpeg_start_decompress(&cinfo);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = out.ScanLine(int(cinfo.output_scanline));
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

// Records the warnings that mean picture data was lost: libjpeg fills what it could not read with
// grey and goes on.
void NoteLostData(j_common_ptr cinfo, int level) {
    if (level >= 0)
        return;
    switch (cinfo->err->msg_code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_MUST_RESYNC:
    case JWRN_NOT_SEQUENTIAL:
    case JWRN_BOGUS_PROGRESSION:
        ++cinfo->err->num_warnings;
        break;
    default:
        break;
    }
}

PixelBuffer CmykToBgr(const PixelBuffer& src, bool adobe) {
    PixelBuffer out(src.Width(), src.Height(), 24);
    for (int y = 0; y < src.Height(); ++y) {
        const uint8_t* s = src.ConstScanLine(y);
        uint8_t* d = out.ScanLine(y);
        for (int x = 0; x < src.Width(); ++x, s += 4, d += 3) {
            // Adobe stores the inks inverted: 255 means no ink.
            const int c = adobe ? s[0] : 255 - s[0];
            const int m = adobe ? s[1] : 255 - s[1];
            const int yy = adobe ? s[2] : 255 - s[2];
            const int k = adobe ? s[3] : 255 - s[3];
            d[0] = uint8_t(yy * k / 255);
            d[1] = uint8_t(m * k / 255);
            d[2] = uint8_t(c * k / 255);
        }
    }
    return out;
}

bool Encode(const PixelBuffer& pixels, int quality, bool progressive, unsigned char** buffer,
            unsigned long* size, int& code) {
    jpeg_compress_struct cinfo;
    ErrorManager err;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = ErrorExit;
    err.pub.output_message = OutputMessage;
    err.code = 0;
    if (setjmp(err.jump)) {
        code = err.code;
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, buffer, size);
    cinfo.image_width = static_cast<JDIMENSION>(pixels.Width());
    cinfo.image_height = static_cast<JDIMENSION>(pixels.Height());
    const bool gray = pixels.BitCount() == 8;
    cinfo.input_components = gray ? 1 : 3;
    cinfo.in_color_space = gray ? JCS_GRAYSCALE : JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    if (progressive)
        jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(pixels.ConstScanLine(int(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

std::atomic<int64_t> decodeCounts[4];
std::atomic<int64_t> cacheAnswers{0};
thread_local TJPEGDecodeCache* currentCache = nullptr;

} // namespace

TJPEGDecodeCounts JPEGDecodeCounts() {
    TJPEGDecodeCounts counts;
    for (int i = 0; i < 4; ++i)
        counts.Scale[i] = decodeCounts[i].load();
    counts.FromCache = cacheAnswers.load();
    return counts;
}

bool JPEGDataDamaged(const QByteArray& data) {
    jpeg_decompress_struct cinfo;
    jpeg_progress_mgr progress;
    ErrorManager err;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = ErrorExit;
    err.pub.output_message = OutputMessage;
    err.pub.emit_message = NoteLostData;
    err.code = 0;
    if (setjmp(err.jump)) {
        // A file libjpeg refuses is told by its decoder when drawn.
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    cinfo.mem->max_memory_to_use = kMaxLibraryMemory;
    progress.progress_monitor = LimitScans;
    cinfo.progress = &progress;
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(data.constData()),
                 static_cast<unsigned long>(data.size()));
    jpeg_read_header(&cinfo, TRUE);
    // Every coefficient is still read at an eighth of the size; only the output is small.
    cinfo.scale_num = 1;
    cinfo.scale_denom = 8;
    cinfo.dct_method = JDCT_IFAST;
    cinfo.do_fancy_upsampling = FALSE;
    cinfo.do_block_smoothing = FALSE;
    if (cinfo.jpeg_color_space != JCS_CMYK && cinfo.jpeg_color_space != JCS_YCCK)
        cinfo.out_color_space = JCS_GRAYSCALE;
    jpeg_calc_output_dimensions(&cinfo);
    if (!cinfo.progressive_mode || DecodedSizeAllowed(cinfo.image_width, cinfo.image_height, data.size())) {
        jpeg_start_decompress(&cinfo);
        // The row lives in libjpeg's own pool, so a longjmp leaves nothing of ours behind.
        JSAMPARRAY row = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                                    cinfo.output_width * JDIMENSION(cinfo.output_components), 1);
        while (cinfo.output_scanline < cinfo.output_height)
            jpeg_read_scanlines(&cinfo, row, 1);
        jpeg_finish_decompress(&cinfo);
    }
    const bool damaged = err.pub.num_warnings > 0;
    jpeg_destroy_decompress(&cinfo);
    return damaged;
}

bool TJPEGDecodeCache::Key::operator==(const Key& other) const {
    return Denominator == other.Denominator && Fast == other.Fast && Smoothing == other.Smoothing &&
           Gray == other.Gray && Bits8 == other.Bits8 && Data == other.Data;
}

TJPEGDecodeCache::TJPEGDecodeCache(int64_t budgetBytes)
    : budget_(std::max<int64_t>(0, budgetBytes)), outer_(currentCache) {
    currentCache = this;
}

TJPEGDecodeCache::~TJPEGDecodeCache() {
    currentCache = outer_;
}

TJPEGDecodeCache* TJPEGDecodeCache::Current() {
    return currentCache;
}

TJPEGDecodeCache::TLend::TLend(TJPEGDecodeCache* cache) : outer_(currentCache) {
    if (cache != nullptr)
        currentCache = cache;
}

TJPEGDecodeCache::TLend::~TLend() {
    currentCache = outer_;
}

bool TJPEGDecodeCache::Claim(const Key& key, PixelBuffer& pixels) {
    std::unique_lock<std::mutex> hold(lock_);
    for (;;) {
        if (const PixelBuffer* kept = Find(key)) {
            pixels = *kept;
            return true;
        }
        if (std::find(decoding_.begin(), decoding_.end(), key) == decoding_.end())
            break;
        finished_.wait(hold);
    }
    decoding_.push_back(key);
    return false;
}

void TJPEGDecodeCache::Finish(const Key& key, const PixelBuffer* pixels) {
    {
        const std::lock_guard<std::mutex> hold(lock_);
        decoding_.erase(std::find(decoding_.begin(), decoding_.end(), key));
        try {
            if (pixels != nullptr)
                Keep(key, *pixels);
        } catch (...) {
            // Not kept: the next picture of these bytes decodes them again.
        }
    }
    finished_.notify_all();
}

int64_t TJPEGDecodeCache::SizeOf(const Key& key, const PixelBuffer& pixels) {
    return int64_t(key.Data.size()) + int64_t(pixels.Stride()) * pixels.Height();
}

const PixelBuffer* TJPEGDecodeCache::Find(const Key& key) {
    for (Entry& entry : entries_)
        if (entry.Options == key) {
            entry.LastUse = ++clock_;
            return &entry.Pixels;
        }
    return nullptr;
}

void TJPEGDecodeCache::Keep(const Key& key, const PixelBuffer& pixels) {
    const int64_t size = SizeOf(key, pixels);
    if (size > budget_)
        return;
    while (!entries_.empty() && size > budget_ - bytes_) {
        auto oldest = std::min_element(entries_.begin(), entries_.end(),
                                       [](const Entry& a, const Entry& b) { return a.LastUse < b.LastUse; });
        bytes_ -= SizeOf(oldest->Options, oldest->Pixels);
        entries_.erase(oldest);
    }
    entries_.push_back({key, pixels, ++clock_});
    bytes_ += size;
}

TJPEGGraphic::TJPEGGraphic() = default;
TJPEGGraphic::~TJPEGGraphic() = default;

void TJPEGGraphic::Assign(const TGraphic& source) {
    if (const auto* jpeg = dynamic_cast<const TJPEGGraphic*>(&source)) {
        data_ = jpeg->data_;
        imageWidth_ = jpeg->imageWidth_;
        imageHeight_ = jpeg->imageHeight_;
        scale_ = jpeg->scale_;
        performance_ = jpeg->performance_;
        smoothing_ = jpeg->smoothing_;
        grayscale_ = jpeg->grayscale_;
        pixelFormat_ = jpeg->pixelFormat_;
        quality_ = jpeg->quality_;
        progressive_ = jpeg->progressive_;
        bitmap_.reset();
        if (jpeg->bitmap_) {
            bitmap_ = std::make_unique<TBitmap>();
            bitmap_->Assign(*jpeg->bitmap_);
        }
        Changed();
        return;
    }
    if (const auto* bitmap = dynamic_cast<const TBitmap*>(&source)) {
        data_.clear();
        imageWidth_ = imageHeight_ = 0;
        bitmap_ = std::make_unique<TBitmap>();
        bitmap_->Assign(*bitmap);
        Changed();
        return;
    }
    TGraphic::Assign(source);
}

int TJPEGGraphic::ScaleDenominator() const {
    switch (scale_) {
    case jsHalf:
        return 2;
    case jsQuarter:
        return 4;
    case jsEighth:
        return 8;
    case jsFullSize:
        break;
    }
    return 1;
}

bool TJPEGGraphic::Empty() const {
    return data_.isEmpty() && (!bitmap_ || bitmap_->Empty());
}

int TJPEGGraphic::Width() const {
    if (data_.isEmpty())
        return bitmap_ ? bitmap_->Width() : 0;
    // libjpeg's scaled size: the full size divided by the denominator, rounded up.
    const int d = ScaleDenominator();
    return (imageWidth_ + d - 1) / d;
}

int TJPEGGraphic::Height() const {
    if (data_.isEmpty())
        return bitmap_ ? bitmap_->Height() : 0;
    const int d = ScaleDenominator();
    return (imageHeight_ + d - 1) / d;
}

void TJPEGGraphic::FreeBitmap() {
    // An assigned bitmap is the only copy of the image until it is compressed.
    if (!data_.isEmpty())
        bitmap_.reset();
}

void TJPEGGraphic::SetData(const QByteArray& data) {
    HeaderInfo info;
    int code = 0;
    if (!data.isEmpty() && !ReadHeader(data, info, code))
        RaiseJPEG(code);
    data_ = data;
    imageWidth_ = info.width;
    imageHeight_ = info.height;
    bitmap_.reset();
    Changed();
}

void TJPEGGraphic::LoadFromStream(TStream& stream) {
    SetData(stream.ReadBytes(stream.Remaining()));
}

void TJPEGGraphic::SaveToStream(TStream& stream) {
    stream.WriteBytes(Data());
}

void TJPEGGraphic::ReadData(TStream& stream) {
    SetData(ReadGraphicBlock(stream));
}

void TJPEGGraphic::WriteData(TStream& stream) {
    WriteGraphicBlock(stream, Data());
}

const QByteArray& TJPEGGraphic::Data() {
    JPEGNeeded();
    return data_;
}

void TJPEGGraphic::JPEGNeeded() {
    if (data_.isEmpty() && bitmap_ && !bitmap_->Empty())
        Compress();
}

void TJPEGGraphic::Compress() {
    if (!bitmap_ || bitmap_->Empty())
        return;
    const PixelBuffer& source = bitmap_->Pixels();
    const bool gray = grayscale_ || (source.BitCount() == 8 && source.HasGrayTable());
    const PixelBuffer pixels = source.Converted(gray ? 8 : 24);
    // A colour table other than the grey ramp cannot go in as grey samples.
    const PixelBuffer input = gray && !pixels.HasGrayTable() ? pixels.Converted(24) : pixels;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    int code = 0;
    const bool ok = Encode(input, quality_, progressive_, &buffer, &size, code);
    QByteArray bytes;
    if (ok)
        bytes = QByteArray(reinterpret_cast<const char*>(buffer), static_cast<qsizetype>(size));
    std::free(buffer);
    if (!ok)
        RaiseJPEG(code);
    std::unique_ptr<TBitmap> kept = std::move(bitmap_);
    SetData(bytes);
    // The assigned pixels stay as the decoded image of the full scale.
    if (scale_ == jsFullSize && !grayscale_)
        bitmap_ = std::move(kept);
}

TBitmap& TJPEGGraphic::Bitmap() {
    if (!bitmap_) {
        bitmap_ = std::make_unique<TBitmap>();
        if (!data_.isEmpty()) {
            DecodeRequest request;
            request.denominator = ScaleDenominator();
            request.fast = performance_ == jpBestSpeed;
            request.smoothing = smoothing_;
            request.gray = grayscale_;
            TJPEGDecodeCache* cache = TJPEGDecodeCache::Current();
            TJPEGDecodeCache::Key key;
            PixelBuffer pixels;
            if (cache != nullptr) {
                key = {data_,        request.denominator,   request.fast, request.smoothing,
                       request.gray, pixelFormat_ == jf8Bit};
                if (cache->Claim(key, pixels)) {
                    ++cacheAnswers;
                    bitmap_->SetPixels(pixels);
                    return *bitmap_;
                }
            }
            // Threads waiting for this decode go on however it ends.
            struct Finish {
                TJPEGDecodeCache* cache;
                const TJPEGDecodeCache::Key& key;
                const PixelBuffer* pixels = nullptr;
                ~Finish() {
                    if (cache != nullptr)
                        cache->Finish(key, pixels);
                }
            } finish{cache, key};
            ++decodeCounts[scale_];
            bool cmyk = false, adobe = false;
            int code = 0;
            if (!Decode(data_, request, pixels, cmyk, adobe, code)) {
                bitmap_.reset();
                RaiseJPEG(code);
            }
            if (cmyk)
                pixels = CmykToBgr(pixels, adobe);
            if (pixelFormat_ == jf8Bit && pixels.BitCount() == 24)
                pixels = pixels.Converted(8);
            finish.pixels = &pixels;
            bitmap_->SetPixels(pixels);
        }
    }
    return *bitmap_;
}

void TJPEGGraphic::Draw(TCanvas& canvas, const TRect& rect) {
    if (Empty())
        return;
    Bitmap().Draw(canvas, rect);
}

template <class T>
void TJPEGGraphic::SetDecodeOption(T& option, T value) {
    if (value != option) {
        // The decoded bitmap was made with the old option.
        FreeBitmap();
        option = value;
        Changed();
    }
}

void TJPEGGraphic::SetScale(TJPEGScale value) {
    SetDecodeOption(scale_, value);
}

void TJPEGGraphic::SetPerformance(TJPEGPerformance value) {
    SetDecodeOption(performance_, value);
}

void TJPEGGraphic::SetSmoothing(bool value) {
    SetDecodeOption(smoothing_, value);
}

void TJPEGGraphic::SetGrayscale(bool value) {
    SetDecodeOption(grayscale_, value);
}

void TJPEGGraphic::SetPixelFormat(TJPEGPixelFormat value) {
    SetDecodeOption(pixelFormat_, value);
}

void TJPEGGraphic::SetCompressionQuality(int value) {
    quality_ = std::clamp(value, 1, 100);
}

#pragma once
// Photo CD image packs, read by our own decoder. A pack ("PCD_IPI" at 0x800) holds the picture at
// up to six sizes; the three stored uncompressed are offered: resolution 1 (Base/16, 192 x 128),
// 2 (Base/4, 384 x 256) and 3 (Base, 768 x 512). Each is stored as two luma rows followed by one
// row of each half-width chroma, in PhotoYCC. The Huffman-coded larger sizes are not offered, and
// overview packs ("PCD_OPA") are refused.
//
// TPCDAccess keeps the call sequence of the platform's Photo CD library it stands in for: open,
// choose resolution, colour format and transform, then take the picture as a bitmap file or
// straight into a bitmap. Every library result lands in LastError.

#include "imaging/USafetyBitmap.h"
#include "platform/Exception.h"
#include "platform/PixelBuffer.h"

#include <QString>
#include <cstdint>
#include <memory>

class TBitmap;
class TStream;

QUORLANE_EXCEPTION(EPCDError, Exception)

// Result codes of the decoder (0 is success).
enum : int16_t {
    kPCDOk = 0,
    kPCDNotOpen = -1,
    kPCDCannotOpen = -2,  // the file cannot be read
    kPCDNotPhotoCD = -3,  // no "PCD_IPI" signature
    kPCDOverview = -4,    // an overview pack, not an image pack
    kPCDNoImage = -5,     // not even the smallest size is complete
    kPCDBadArgument = -6, // a resolution, format or transform the decoder does not know
    kPCDReadError = -7,   // the pack could not be read after opening
};

// Colour formats: 8-bit grey, 24-bit colour, 8-bit on the halftone palette.
constexpr int kPCDFormatGray = 10;
constexpr int kPCDFormatRGB = 11;
constexpr int kPCDFormatHalftone = 13;

// Transform bits: flips are applied after the turn. 3 turns 180 degrees, 7 turns 90 clockwise.
constexpr int kPCDFlipVertical = 1;
constexpr int kPCDFlipHorizontal = 2;
constexpr int kPCDTurnLeft = 4;

constexpr int kPCDBase16 = 1;
constexpr int kPCDBase4 = 2;
constexpr int kPCDBase = 3;
constexpr int kPCDNoResolution = 9;

// Width and height of a resolution (0 x 0 for one not offered).
int PCDImageWidth(int resolution);
int PCDImageHeight(int resolution);

// What the pack header says: the resolutions a file of fileSize bytes holds completely (bit i for
// resolution i) and the transform that turns the picture upright. header holds the file's first
// headerSize bytes. Answers a result code.
struct TPCDHeader {
    uint32_t resolutionMask = 0;
    int transform = 0;
};
int16_t ParsePCDHeader(const uint8_t* header, int64_t headerSize, int64_t fileSize, TPCDHeader& out);
// Bytes of the header ParsePCDHeader needs.
constexpr int64_t kPCDHeaderBytes = 0x1000;

// Decodes one stored size (pack: its 3 * width * height / 2 bytes) into a buffer of the format
// (24 bits, or 8 bits with a grey or halftone table), turned and flipped by transform.
PixelBuffer DecodePCDImage(const uint8_t* pack, int64_t packSize, int resolution, int format, int transform);

class TPCDAccess {
public:
    TPCDAccess();
    ~TPCDAccess();
    TPCDAccess(const TPCDAccess&) = delete;
    TPCDAccess& operator=(const TPCDAccess&) = delete;

    // Closes the open image first; false (LastError set) when the file is no readable image pack.
    // Sets the lowest available resolution, format 11 and the stored upright transform.
    bool Open(const QString& fileName);
    // The same over a stream the reader then owns (tests and the fuzz target).
    bool OpenStream(std::unique_ptr<TStream> stream);
    bool Close();
    bool IsOpen() const { return stream_ != nullptr; }
    bool HasResolution(int index) const;
    uint32_t ResolutionMask() const { return resolutionMask_; }
    int16_t LastError() const { return lastError_; }

    // Raise EPCDError with the library's messages on failure.
    int Resolution();
    void SetResolution(int index);
    int Format();
    void SetFormat(int format);
    int Transform();
    void SetTransform(int transform);

    // The picture in the current resolution, format and transform; a null buffer (LastError set)
    // when it cannot be read.
    PixelBuffer LoadPixels();
    // Writes it as a bitmap file; false when it cannot be read.
    bool SaveToStream(TStream& stream);
    bool LoadBitmap(TBitmap& bitmap);

private:
    int16_t Result(int16_t code);
    std::unique_ptr<TStream> stream_;
    uint32_t resolutionMask_ = 0;
    int16_t lastError_ = kPCDOk;
    int resolution_ = kPCDNoResolution;
    int format_ = kPCDFormatRGB;
    int transform_ = 0;
};

// "<file>をオープンできません": the message of a Photo CD file that cannot be read.
QString PCDOpenErrorMessage(const QString& fileName);
// Loads fileName at resolution (the lowest stored one when that is not offered), upright and in
// colour; raises EPCDError with PCDOpenErrorMessage when the file cannot be read.
void LoadPCDFile(const QString& fileName, int resolution, TBitmap& bitmap);

// A bitmap that loads Photo CD files ("PCD"): the lowest stored size, upright. A file that cannot
// be opened raises EPCDError naming it. Stored in pictures as the bitmap it became.
class TPCDBitmap : public TSafetyBitmap {
public:
    const char* ClassName() const override { return "TPCDBitmap"; }
    std::unique_ptr<TGraphic> NewInstance() const override { return std::make_unique<TPCDBitmap>(); }
    // A Photo CD file at the stream's start.
    void LoadFromStream(TStream& stream) override;
    void ReadData(TStream& stream) override;
};

// Registers TPCDBitmap for "PCD" ("PCD Bitmaps"); any number of calls is fine.
void RegisterPCDBitmap();

#pragma once
// A printer's driver settings as the system stores and exchanges them: the DEVMODE record, in its
// ANSI layout (156-byte public part, names in CP932) or its wide layout (220 bytes, names in
// UTF-16), followed by the driver's private bytes. Documents and settings keep these bytes
// verbatim; the printer layer reads the fields it maps to a job from the ANSI layout.

#include <QByteArray>
#include <QList>
#include <QString>
#include <utility>
#include <cstdint>

namespace DevMode {

// Sizes of the public parts and of the two names.
constexpr int AnsiSize = 156;
constexpr int WideSize = 220;
constexpr int NameChars = 32;

// Offsets in the ANSI layout. The wide layout has the same fields with both names twice as wide:
// the block from dmSpecVersion to dmCollate sits at WideBlockOffset, everything from dmLogPixels
// on at WideTailOffset.
constexpr int DeviceNameOffset = 0;
constexpr int SpecVersionOffset = 32;
constexpr int SizeOffset = 36;
constexpr int DriverExtraOffset = 38;
constexpr int FieldsOffset = 40;
constexpr int OrientationOffset = 44;
constexpr int PaperSizeOffset = 46;
constexpr int PaperLengthOffset = 48;
constexpr int PaperWidthOffset = 50;
constexpr int ScaleOffset = 52;
constexpr int CopiesOffset = 54;
constexpr int DefaultSourceOffset = 56;
constexpr int PrintQualityOffset = 58;
constexpr int ColorOffset = 60;
constexpr int DuplexOffset = 62;
constexpr int YResolutionOffset = 64;
constexpr int CollateOffset = 68;
constexpr int FormNameOffset = 70;
constexpr int AnsiTailOffset = 102; // dmLogPixels
constexpr int AnsiBlockOffset = SpecVersionOffset;
constexpr int BlockSize = FormNameOffset - SpecVersionOffset; // dmSpecVersion to dmCollate: 38 bytes
constexpr int WideBlockOffset = 64;
constexpr int WideFormNameOffset = WideBlockOffset + BlockSize; // 102
constexpr int WideTailOffset = 166;
// The wide layout's dmSize and dmDriverExtra.
constexpr int WideSizeOffset = SizeOffset + WideBlockOffset - AnsiBlockOffset;
constexpr int WideDriverExtraOffset = DriverExtraOffset + WideBlockOffset - AnsiBlockOffset;

constexpr uint16_t SpecVersion = 0x0401;

} // namespace DevMode

// dmFields bits: which fields a DEVMODE sets.
enum : uint32_t {
    DM_ORIENTATION = 0x1,
    DM_PAPERSIZE = 0x2,
    DM_PAPERLENGTH = 0x4,
    DM_PAPERWIDTH = 0x8,
    DM_SCALE = 0x10,
    DM_COPIES = 0x100,
    DM_DEFAULTSOURCE = 0x200,
    DM_PRINTQUALITY = 0x400,
    DM_COLOR = 0x800,
    DM_DUPLEX = 0x1000,
    DM_YRESOLUTION = 0x2000,
    DM_COLLATE = 0x8000,
    DM_FORMNAME = 0x10000,
};
enum : int16_t { DMORIENT_PORTRAIT = 1, DMORIENT_LANDSCAPE = 2 };
enum : int16_t { DMDUP_SIMPLEX = 1, DMDUP_VERTICAL = 2, DMDUP_HORIZONTAL = 3 };
// Paper codes: 9 is A4; 256 a size given by dmPaperWidth and dmPaperLength.
enum : int16_t { DMPAPER_A4 = 9, DMPAPER_A6 = 70, DMPAPER_USER = 256 };
// Paper sources: 7 lets the printer choose; 259 prints to every edge (the vendors' borderless
// feed); a queue's own input slots are numbered from 260.
enum : int16_t { DMBIN_AUTO = 7, DMBIN_USER = 256, DMBIN_BORDERLESS = 259, DMBIN_FIRSTSLOT = 260 };

// A driver's own settings beside a DEVMODE: a PPD's option keywords with their choices, in order.
// They stand for the private DEVMODE bytes a driver keeps, which are never written here.
using TDriverOptions = QList<std::pair<QString, QString>>;
// The choice of option; empty when the list has none.
QString DriverOption(const TDriverOptions& options, const QString& option);
// Sets option to choice in place, or appends it.
void SetDriverOption(TDriverOptions& options, const QString& option, const QString& choice);
void RemoveDriverOption(TDriverOptions& options, const QString& option);

// The fields of an ANSI DEVMODE that printing acts on, read from and written into its bytes.
struct TDevModeFields {
    QString DeviceName;
    uint32_t Fields = 0;
    int16_t Orientation = DMORIENT_PORTRAIT;
    int16_t PaperSize = 0;
    int16_t PaperLength = 0; // 0.1 mm
    int16_t PaperWidth = 0;  // 0.1 mm
    int16_t Copies = 1;
    int16_t DefaultSource = DMBIN_AUTO;
    int16_t PrintQuality = 0; // positive: horizontal dots per inch
    int16_t Duplex = DMDUP_SIMPLEX;
    int16_t YResolution = 0;

    // Reads the fields of an ANSI DEVMODE; a buffer shorter than the public part reads as empty
    // fields (what a missing DEVMODE means).
    static TDevModeFields Read(const QByteArray& ansi);
    // Writes the fields into an ANSI DEVMODE, keeping its other bytes; a buffer shorter than the
    // public part is first made the empty 156-byte DEVMODE.
    void WriteTo(QByteArray& ansi) const;
};

namespace DevMode {
// The empty ANSI DEVMODE: 156 zero bytes but dmSize.
QByteArray Empty();
uint16_t ReadWord(const QByteArray& bytes, int offset);
uint32_t ReadDword(const QByteArray& bytes, int offset);
void WriteWord(QByteArray& bytes, int offset, uint16_t value);
void WriteDword(QByteArray& bytes, int offset, uint32_t value);
// The 32-character names: read up to their terminating zero; written cut to 31 characters (on a
// CP932 character boundary) and zero-filled.
QString ReadAnsiName(const QByteArray& bytes, int offset);
void WriteAnsiName(QByteArray& bytes, int offset, const QString& name);
QString ReadWideName(const QByteArray& bytes, int offset);
void WriteWideName(QByteArray& bytes, int offset, const QString& name);
} // namespace DevMode

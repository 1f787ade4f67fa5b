#pragma once
// What the component writer and reader share: the value tags of the class library's binary
// component stream, and the define-properties interface through which an object adds stored
// properties of its own (binary blocks, older names) beside its published ones.

#include <QString>
#include <cstdint>
#include <functional>

class TStream;
class TReader;
class TWriter;
class TPersistent;

// The published value tags; the numbers are the stored bytes.
enum class TValueType : uint8_t {
    vaNull = 0,
    vaList = 1,
    vaInt8 = 2,
    vaInt16 = 3,
    vaInt32 = 4,
    vaExtended = 5,
    vaString = 6,
    vaIdent = 7,
    vaFalse = 8,
    vaTrue = 9,
    vaBinary = 10,
    vaSet = 11,
    vaLString = 12,
    vaNil = 13,
    vaCollection = 14,
    vaSingle = 15,
    vaCurrency = 16,
    vaDate = 17,
    vaWString = 18,
    vaInt64 = 19,
    vaUTF8String = 20,
    vaDouble = 21,
};

// "TPF0": the signature in front of every stored component.
constexpr uint32_t kFilerSignature = 0x30465054u;

// The x87 80-bit extended form of a double (sign, 15-bit exponent biased by 16383, explicit
// integer bit, 64-bit mantissa), little-endian, and back; exact from double, rounded
// to nearest (ties to even) back to double.
void DoubleToExtended(double value, uint8_t out[10]);
double ExtendedToDouble(const uint8_t in[10]);
// The class library's currency: a 64-bit count of ten-thousandths. Held and stored as that integer,
// so that every value of the type, MinCurrency and MaxCurrency too, is read and written exactly.
constexpr int64_t kCurrencyScale = 10000;
struct TCurrency {
    int64_t Scaled = 0;
    friend constexpr bool operator==(TCurrency, TCurrency) = default;
    // The nearest double (exact up to 2^53 ten-thousandths).
    double ToDouble() const { return static_cast<double>(Scaled) / static_cast<double>(kCurrencyScale); }
};
constexpr TCurrency MaxCurrency{INT64_MAX};
constexpr TCurrency MinCurrency{INT64_MIN};
// A float as currency: its exact value in ten-thousandths, rounded to nearest (ties to even). False
// for an infinity, a NaN or a value the 64-bit count cannot hold.
bool ExtendedToCurrency(const uint8_t in[10], TCurrency& out);
bool DoubleToCurrency(double value, TCurrency& out);
// A double as a stored single: rounded to nearest, and beyond the single range the infinity of its
// sign (a plain conversion of such a value is undefined).
float DoubleToSingle(double value);

class TFiler {
public:
    using TReaderProc = std::function<void(TReader&)>;
    using TWriterProc = std::function<void(TWriter&)>;
    using TStreamProc = std::function<void(TStream&)>;

    explicit TFiler(TStream& stream) : stream_(stream) {}
    TFiler(const TFiler&) = delete;
    TFiler& operator=(const TFiler&) = delete;
    virtual ~TFiler() = default;

    TStream& Stream() const { return stream_; }
    // The ancestor a descendant is written against; this system always writes whole
    // components, so there is none. Kept so that hasData tests read as the class library's.
    TPersistent* Ancestor() const { return nullptr; }

    // A property stored through the reader and writer (any value form). It is written when
    // hasData is true; readProc is called when a stored property of that name is read.
    virtual void DefineProperty(const QString& name, const TReaderProc& readProc,
                                const TWriterProc& writeProc, bool hasData) = 0;
    // A block of bytes (vaBinary, a 32-bit length and the bytes). readProc gets a stream
    // holding exactly the stored bytes.
    virtual void DefineBinaryProperty(const QString& name, const TStreamProc& readProc,
                                      const TStreamProc& writeProc, bool hasData) = 0;

private:
    TStream& stream_;
};

#include "platform/ComponentReader.h"
#include "platform/ComponentWriter.h"
#include "tests/TestSupport.h"
#include "tests/platform/StreamTestClasses.h"

#include <QtEndian>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace StreamTest;
using TestSupport::Hex;

namespace {

QByteArray Values(const std::function<void(TWriter&)>& write) {
    TMemoryStream s;
    TWriter w(s);
    write(w);
    return s.Data();
}

QByteArray Ext(double v) {
    uint8_t b[10];
    DoubleToExtended(v, b);
    return QByteArray(reinterpret_cast<const char*>(b), 10);
}

double FromExt(const QByteArray& bytes) {
    return ExtendedToDouble(reinterpret_cast<const uint8_t*>(bytes.constData()));
}

// A kitchen with a non-default value in every property, and its stored form worked out by hand.
std::unique_ptr<TKitchen> FullKitchen() {
    auto k = std::make_unique<TKitchen>(nullptr);
    k->SetName(QStringLiteral("Kitchen1"));
    k->SetTag(5);
    k->number_ = -200;
    k->big_ = 5000000000LL;
    k->visible_ = false;
    k->landscape_ = true;
    k->shade_ = shDark;
    k->styles_ = fsBold | fsUnderline;
    k->caption_ = QStringLiteral("日本");
    k->wide_ = QStringLiteral("한");
    k->Lines()->Add(QStringLiteral("a"));
    k->Lines()->Add(QStringLiteral("한"));
    k->ratio_ = 0.1;
    k->half_ = 1.5;
    k->price_ = TCurrency{15000};
    k->when_ = 1.0;
    k->exact_ = -2.5;
    k->color_ = 0x0000FF;
    k->Inner()->SetKind(ikB);
    k->Inner()->SetCount(1000);
    k->Inner()->Deep()->SetLevel(-1);
    k->Inner()->colors = {0xFF};
    static_cast<TRow*>(k->Rows()->Add())->SetX(3);
    static_cast<TRow*>(k->Rows()->Add())->SetLabel(QStringLiteral("b"));
    auto* part = new TPart(k.get());
    part->SetName(QStringLiteral("Other"));
    part->SetSize(4);
    k->buddy_ = part;
    k->onClick_ = QStringLiteral("KitchenClick");
    k->secret_ = 9;
    k->margin_ = 7;
    k->blob = Hex("de ad");
    k->pairA = 1;
    k->pairB = 300;
    return k;
}

QByteArray FullKitchenBytes() {
    return QByteArray("TPF0") + S("TKitchen") + S("Kitchen1") + //
           S("Tag") + Hex("02 05") +                            //
           S("Number") + Hex("03 38ff") +                       // -200 as Int16
           S("Big") + Hex("13 00f2052a01000000") +              // 5000000000 as Int64
           S("Visible") + Hex("08") +                           //
           S("Landscape") + Hex("09") +                         //
           S("Shade") + Hex("07") + S("shDark") +               //
           S("Styles") + Hex("0b") + S("fsBold") + S("fsUnderline") + Hex("00") + S("Caption") +
           Hex("06 04 93fa 967b") +                                      // CP932
           S("Wide") + Hex("12 01000000 5cd5") +                         // UTF-16
           S("Lines.Strings") + Hex("01 06 01 61 12 01000000 5cd5 00") + // "a" as CP932, Hangul wide
           S("Ratio") + Hex("05 00d0cccccccccccc fb3f") +                // 0.1 extended
           S("Half") + Hex("0f 0000c03f") +                              //
           S("Price") + Hex("10 983a000000000000") +                     // 15000 ten-thousandths
           S("When") + Hex("11 000000000000f03f") +                      //
           S("Exact") + Hex("05 00000000000000a0 00c0") +                // -2.5 extended
           S("Color") + Hex("07") + S("clRed") +                         //
           S("Inner.Kind") + Hex("07") + S("ikB") +                      //
           S("Inner.Count") + Hex("03 e803") +                           //
           S("Inner.Deep.Level") + Hex("02 ff") +                        //
           S("Inner.Colors") + Hex("0a 08000000 01000000 ff000000") +    //
           S("Rows") + Hex("0e 01") + S("X") + Hex("02 03 00 01") + S("Label") + Hex("06 01 62 00 00") +
           S("Buddy") + Hex("07") + S("Other") +                      //
           S("OnClick") + Hex("07") + S("KitchenClick") +             //
           S("Margin") + Hex("02 07") +                               //
           S("Blob") + Hex("0a 02000000 dead") +                      //
           S("Pair") + Hex("01 02 01 03 2c01 00") +                   //
           Hex("00") +                                                // end of properties
           S("TPart") + S("Other") + S("Size") + Hex("02 04 00 00") + // the child
           Hex("00");                                                 // end of children
}

std::unique_ptr<TComponent> Read(const QByteArray& bytes) {
    TMemoryStream s(bytes);
    return ReadComponent(s);
}

std::unique_ptr<TKitchen> ReadKitchen(const QByteArray& bytes) {
    TMemoryStream s(bytes);
    return ReadComponentAs<TKitchen>(s);
}

// A kitchen stream whose only property is the given name and value.
QByteArray KitchenWith(const QByteArray& property) {
    return QByteArray("TPF0") + S("TKitchen") + Hex("00") + property + Hex("00 00");
}

QString ReadError(const QByteArray& bytes) {
    RegisterStreamTestClasses();
    try {
        Read(bytes);
    } catch (const EStreamError& e) {
        return e.Message();
    }
    return QStringLiteral("<no error>");
}

} // namespace

TEST(ComponentWriter, IntegersTakeTheSmallestWidthThatHoldsThem) {
    const QByteArray bytes = Values([](TWriter& w) {
        for (int64_t v : {int64_t(0), int64_t(-1), int64_t(127), int64_t(-128), int64_t(128), int64_t(-129),
                          int64_t(-32768), int64_t(32768), int64_t(-32769), int64_t(INT32_MIN),
                          int64_t(INT32_MAX) + 1, int64_t(INT32_MIN) - 1})
            w.WriteInteger(v);
    });
    EXPECT_EQ(bytes, Hex("02 00  02 ff  02 7f  02 80  03 8000  03 7fff  03 0080  04 00800000  04 ff7fffff"
                         "04 00000080  13 0000008000000000  13 ffffff7fffffffff"));
}

TEST(ComponentWriter, FloatTagsAndTheTenByteExtendedForm) {
    EXPECT_EQ(Ext(1.0), Hex("0000000000000080 ff3f"));
    EXPECT_EQ(Ext(0.0), Hex("0000000000000000 0000"));
    EXPECT_EQ(Ext(-0.0), Hex("0000000000000000 0080"));
    EXPECT_EQ(Ext(-2.5), Hex("00000000000000a0 00c0"));
    EXPECT_EQ(Ext(0.1), Hex("00d0cccccccccccc fb3f"));
    EXPECT_EQ(Ext(std::numeric_limits<double>::infinity()), Hex("0000000000000080 ff7f"));
    // The smallest subnormal double, 2^-1074, is a normal extended: exponent 16383-1074.
    EXPECT_EQ(Ext(std::numeric_limits<double>::denorm_min()), Hex("0000000000000080 cd3b"));
    EXPECT_EQ(Ext(std::numeric_limits<double>::max()), Hex("00f8ffffffffffff fe43"));
    const QByteArray bytes = Values([](TWriter& w) {
        w.WriteFloat(1.0);
        w.WriteSingle(1.5f);
        w.WriteDouble(1.0);
        w.WriteCurrency(TCurrency{-15000});
        w.WriteDate(2.0);
    });
    EXPECT_EQ(bytes, Hex("05 0000000000000080ff3f  0f 0000c03f  15 000000000000f03f  10 68c5ffffffffffff"
                         "11 0000000000000040"));
}

TEST(ComponentWriter, StringsAreCp932WhenTheyCanBeAndWideOtherwise) {
    const QByteArray bytes = Values([](TWriter& w) {
        w.WriteString(QStringLiteral("abc"));
        w.WriteString(QStringLiteral("日本"));
        w.WriteString(QStringLiteral("A한"));
        w.WriteString(QString());
        w.WriteIdent(QStringLiteral("clRed"));
        w.WriteIdent(QStringLiteral("True"));
        w.WriteIdent(QStringLiteral("nil"));
    });
    EXPECT_EQ(bytes,
              Hex("06 03 616263  06 04 93fa967b  12 02000000 4100 5cd5  06 00  07 05 636c526564  09  0d"));
    // CP932 forms that read back as other characters would change the text: those go wide.
    const QByteArray changed = Values([](TWriter& w) {
        w.WriteString(QStringLiteral("¥1"));
        w.WriteString(QStringLiteral("〜"));
        w.WriteString(QStringLiteral("～"));
    });
    EXPECT_EQ(changed, Hex("12 02000000 a500 3100  12 01000000 1c30  06 02 8160"));
    {
        TMemoryStream s(changed);
        TReader r(s);
        EXPECT_EQ(r.ReadString(), QStringLiteral("¥1"));
        EXPECT_EQ(r.ReadString(), QStringLiteral("〜"));
        EXPECT_EQ(r.ReadString(), QStringLiteral("～"));
    }
    const QByteArray longText = Values([](TWriter& w) { w.WriteString(QString(300, QLatin1Char('x'))); });
    EXPECT_EQ(longText.left(5), Hex("0c 2c010000"));
    EXPECT_EQ(longText.size(), 5 + 300);
    EXPECT_THROW(Values([](TWriter& w) { w.WriteStr(QString(256, QLatin1Char('n'))); }), EWriteError);
}

TEST(ComponentWriter, EveryKindWithNonDefaultValuesMatchesHandWorkedBytes) {
    RegisterStreamTestClasses();
    auto k = FullKitchen();
    EXPECT_EQ(Write(k.get()).toHex(' '), FullKitchenBytes().toHex(' '));
}

TEST(ComponentWriter, DefaultValuesAreNotWritten) {
    TKitchen k(nullptr);
    // Only the Boolean without a declared default and the (always written) collection remain.
    EXPECT_EQ(Write(&k), QByteArray("TPF0") + S("TKitchen") + Hex("00") + S("Landscape") + Hex("08") +
                             S("Rows") + Hex("0e 00") + Hex("00 00"));
    // The stored predicate alone decides for a property without default; Stored(false) never writes.
    k.margin_ = 0;
    k.secret_ = 12345;
    EXPECT_FALSE(Write(&k).contains("Margin"));
    EXPECT_FALSE(Write(&k).contains("Secret"));
}

TEST(ComponentReader, EveryKindRoundTripsToTheSameBytes) {
    RegisterStreamTestClasses();
    auto k = ReadKitchen(FullKitchenBytes());
    EXPECT_EQ(k->Name(), QStringLiteral("Kitchen1"));
    EXPECT_EQ(k->Tag(), 5);
    EXPECT_EQ(k->number_, -200);
    EXPECT_EQ(k->big_, 5000000000LL);
    EXPECT_FALSE(k->visible_);
    EXPECT_TRUE(k->landscape_);
    EXPECT_EQ(k->shade_, shDark);
    EXPECT_EQ(k->styles_, uint32_t(fsBold | fsUnderline));
    EXPECT_EQ(k->caption_, QStringLiteral("日本"));
    EXPECT_EQ(k->wide_, QStringLiteral("한"));
    EXPECT_EQ(k->Lines()->ToQStringList(), (QStringList{"a", "한"}));
    EXPECT_EQ(k->ratio_, 0.1);
    EXPECT_EQ(k->half_, 1.5);
    EXPECT_EQ(k->price_, TCurrency{15000});
    EXPECT_EQ(k->when_, 1.0);
    EXPECT_EQ(k->exact_, -2.5);
    EXPECT_EQ(k->color_, 0x0000FF);
    EXPECT_EQ(k->Inner()->Kind(), ikB);
    EXPECT_EQ(k->Inner()->Count(), 1000);
    EXPECT_EQ(k->Inner()->Deep()->Level(), -1);
    EXPECT_EQ(k->Inner()->colors, std::vector<int32_t>{0xFF});
    ASSERT_EQ(k->Rows()->Count(), 2);
    EXPECT_EQ(static_cast<TRow*>(k->Rows()->Items(0))->X(), 3);
    EXPECT_EQ(static_cast<TRow*>(k->Rows()->Items(1))->Label(), QStringLiteral("b"));
    EXPECT_EQ(k->onClick_, QStringLiteral("KitchenClick"));
    EXPECT_EQ(k->secret_, 0);
    EXPECT_EQ(k->margin_, 7);
    EXPECT_EQ(k->blob, Hex("dead"));
    EXPECT_EQ(k->pairA, 1);
    EXPECT_EQ(k->pairB, 300);
    // The child is owned by the root, lands in its published field and is what Buddy names.
    ASSERT_EQ(k->ComponentCount(), 1);
    ASSERT_NE(k->other, nullptr);
    EXPECT_EQ(k->other->Owner(), k.get());
    EXPECT_EQ(k->other->Size(), 4);
    EXPECT_EQ(k->buddy_, k->other);
    // Loaded ran once on each, after everything was read.
    EXPECT_EQ(k->loadedCalls, 1);
    EXPECT_EQ(k->other->loadedCalls, 1);
    EXPECT_FALSE(k->IsLoading());
    EXPECT_EQ(Write(k.get()), FullKitchenBytes());
}

TEST(ComponentReader, AcceptsEveryEquivalentValueForm) {
    RegisterStreamTestClasses();
    auto k = ReadKitchen(KitchenWith(
        S("Caption") + Hex("0c 03000000 616263") + S("Wide") + Hex("14 03000000 e697a5") + S("Number") +
        Hex("04 05000000") + S("Big") + Hex("02 07") + S("Ratio") + Hex("15 000000000000f83f") + S("Half") +
        Hex("03 0001") + S("Color") + Hex("04 56341200") + S("Visible") + Hex("07") + S("False") +
        S("Shade") + Hex("07") + S("SHLIGHT") + S("Styles") + Hex("0b 00") + S("inner.kind") + Hex("07") +
        S("ikB") + S("OnClick") + Hex("0d")));
    EXPECT_EQ(k->caption_, QStringLiteral("abc"));
    EXPECT_EQ(k->wide_, QStringLiteral("日"));
    EXPECT_EQ(k->number_, 5);
    EXPECT_EQ(k->big_, 7);
    EXPECT_EQ(k->ratio_, 1.5);
    EXPECT_EQ(k->half_, 256.0);
    EXPECT_EQ(k->color_, 0x123456);
    EXPECT_FALSE(k->visible_);
    EXPECT_EQ(k->shade_, shLight);
    EXPECT_EQ(k->styles_, 0u);
    EXPECT_EQ(k->Inner()->Kind(), ikB);
    EXPECT_TRUE(k->onClick_.isEmpty());
    // Older names through the define-properties hook, and the prefix byte with a child position.
    auto old = ReadKitchen(QByteArray("TPF0") + Hex("f2 02 03") + S("TKitchen") + Hex("00") + S("OldNumber") +
                           Hex("02 04") + Hex("00 00"));
    EXPECT_EQ(old->number_, 40);
}

TEST(ComponentReader, FloatsAreReadAtTheirPropertysPrecision) {
    RegisterStreamTestClasses();
    // An extended far below the single range, a third and a price in millionths: what is read is
    // what a second write and read give, so a default check cannot drop it on the way.
    auto k =
        ReadKitchen(KitchenWith(S("Half") + Hex("05 3f0000ff05050000003f") + S("Ratio") +
                                Hex("05 abaaaaaaaaaaaaaafd3f") + S("Price") + Hex("15 c2c052e1f87ff33f")));
    EXPECT_EQ(k->half_, 0.0);
    EXPECT_EQ(k->ratio_, 1.0 / 3);
    EXPECT_EQ(k->price_, TCurrency{12187});
    const QByteArray written = Write(k.get());
    EXPECT_EQ(written.indexOf("Half"), -1) << "zero is the default";
    EXPECT_EQ(Write(ReadKitchen(written).get()), written);
    // Beyond the single range a value becomes the infinity of its sign, not undefined behaviour.
    EXPECT_TRUE(std::isinf(ReadKitchen(KitchenWith(S("Half") + Hex("15 9c7500883ce4377e")))->half_));
}

TEST(ComponentReader, CurrencyHoldsEveryValueOfItsRangeExactly) {
    RegisterStreamTestClasses();
    const auto stored = [](int64_t scaled) {
        QByteArray raw(8, 0);
        qToLittleEndian(scaled, raw.data());
        return S("Price") + Hex("10") + raw;
    };
    for (int64_t scaled : {int64_t(1), int64_t(-1), MaxCurrency.Scaled, MinCurrency.Scaled}) {
        auto k = ReadKitchen(KitchenWith(stored(scaled)));
        EXPECT_EQ(k->price_.Scaled, scaled);
        EXPECT_NE(Write(k.get()).indexOf(stored(scaled)), -1) << scaled;
    }
    auto zero = ReadKitchen(KitchenWith(stored(0)));
    EXPECT_EQ(zero->price_, TCurrency{});
    EXPECT_EQ(Write(zero.get()).indexOf("Price"), -1) << "zero is the default";

    // Other forms: the exact value rounded once, ties to even (1/32 is 312.5 units, 3/32 937.5).
    // The nearest extended of each limit holds; that of one unit past the top does not.
    const auto price = [](const char* form) { return ReadKitchen(KitchenWith(S("Price") + Hex(form)))->price_; };
    EXPECT_EQ(price("15 000000000000a03f"), TCurrency{312});
    EXPECT_EQ(price("05 00000000000000c0fb3f"), TCurrency{938});
    EXPECT_EQ(price("02 fe"), TCurrency{-20000});
    EXPECT_EQ(price("05 2a6519e25817b7d13040"), MaxCurrency);
    EXPECT_EQ(price("05 2c6519e25817b7d130c0"), MinCurrency);
    for (const char* past : {"05 2c6519e25817b7d13040", "13 6688635ddc460300", "15 000000000000f07f"})
        EXPECT_TRUE(ReadError(KitchenWith(S("Price") + Hex(past))).startsWith("Currency value out of range"))
            << past;
    // A double set through the generic accessor is rounded the same way and refused past the type.
    const TPropInfo* info = GetPropInfo(zero.get(), QStringLiteral("Price"));
    info->SetFloat(zero.get(), 0.09375);
    EXPECT_EQ(zero->price_, TCurrency{938});
    EXPECT_THROW(info->SetFloat(zero.get(), 1e15), EPropertyError);
}

TEST(ComponentReader, UnknownPropertiesAreSkippedWithTheirValues) {
    RegisterStreamTestClasses();
    auto k = ReadKitchen(KitchenWith(S("Gone") + Hex("01 02 05 01 06 01 78 00 0b") + S("a") + Hex("00 00") +
                                     S("Inner.Missing") + Hex("0e 02 01 01") + S("Z") + Hex("09 00 00") +
                                     S("Missing.Kind") + Hex("0a 02000000 0102") + S("Lines.Other") +
                                     Hex("05 0000000000000080ff3f") + S("Number") + Hex("02 09")));
    EXPECT_EQ(k->number_, 9);
}

TEST(ComponentReader, ExtendedValuesRoundToNearestDouble) {
    EXPECT_EQ(FromExt(Hex("0000000000000080 ff3f")), 1.0);
    EXPECT_EQ(FromExt(Hex("00d0cccccccccccc fb3f")), 0.1);
    // Half an ulp above 1.0 rounds to even (1.0); one and a half ulps rounds up to 1 + 2 ulps.
    EXPECT_EQ(FromExt(Hex("0004000000000080 ff3f")), 1.0);
    EXPECT_EQ(FromExt(Hex("000c000000000080 ff3f")), 1.0 + 2 * std::numeric_limits<double>::epsilon());
    // Beyond the double range: infinity; below it: zero or the nearest subnormal.
    EXPECT_TRUE(std::isinf(FromExt(Hex("0000000000000080 fe7f"))));
    EXPECT_EQ(FromExt(Hex("0000000000000080 0100")), 0.0);
    EXPECT_EQ(FromExt(Hex("0000000000000080 cd3b")), std::numeric_limits<double>::denorm_min());
    EXPECT_EQ(FromExt(Hex("0000000000000080 cc3b")), 0.0);                                       // half: even
    EXPECT_EQ(FromExt(Hex("0100000000000080 cc3b")), std::numeric_limits<double>::denorm_min()); // above half
    EXPECT_TRUE(std::isnan(FromExt(Hex("00000000000000c0 ff7f"))));
    // Every double survives the trip.
    for (double v : {3.141592653589793, -1e-310, 1e308, 123456789.125, -0.0}) {
        EXPECT_EQ(FromExt(Ext(v)), v);
        EXPECT_EQ(std::signbit(FromExt(Ext(v))), std::signbit(v));
    }
}

TEST(ComponentReader, DamagedStreamsGiveErrorsThatSayWhatWasWrong) {
    RegisterStreamTestClasses();
    EXPECT_EQ(ReadError(QByteArray("TPF1") + S("TKitchen") + Hex("00 00 00")),
              QStringLiteral("Invalid stream format"));
    EXPECT_EQ(ReadError(QByteArray("TPF0") + S("TNope") + Hex("00 00 00")),
              QStringLiteral("Class TNope not found"));
    EXPECT_EQ(ReadError(QByteArray("TPF0") + S("TShapeBase") + Hex("00 00 00")),
              QStringLiteral("Cannot create an instance of abstract class TShapeBase"));
    EXPECT_EQ(ReadError(KitchenWith(S("Number") + Hex("06 01 41"))),
              QStringLiteral("Integer expected in component stream (Number)"));
    EXPECT_EQ(ReadError(KitchenWith(S("Shade") + Hex("07") + S("shPurple"))),
              QStringLiteral("Invalid property value: Shade"));
    EXPECT_EQ(ReadError(KitchenWith(S("Styles") + Hex("0b") + S("fsStrike") + Hex("00"))),
              QStringLiteral("Invalid property value: Styles"));
    EXPECT_EQ(ReadError(KitchenWith(S("Color") + Hex("07") + S("clPlaid"))),
              QStringLiteral("Invalid property value: Color"));
    EXPECT_EQ(ReadError(KitchenWith(S("Gone") + Hex("16"))),
              QStringLiteral("Unknown value tag 22 at offset 19 of component stream"));
    EXPECT_EQ(ReadError(KitchenWith(S("Caption") + Hex("0c ffffff7f 41"))),
              QStringLiteral("Invalid length 2147483647 in component stream"));
    EXPECT_EQ(ReadError(KitchenWith(S("Caption") + Hex("12 00000040 4100"))),
              QStringLiteral("Invalid length 1073741824 in component stream"));
    EXPECT_EQ(ReadError(KitchenWith(S("Blob") + Hex("0a feffffff"))),
              QStringLiteral("Invalid length -2 in component stream"));
    EXPECT_EQ(ReadError(KitchenWith(S("Blob") + Hex("06 00"))),
              QStringLiteral("Invalid property value: Blob"));
    EXPECT_EQ(ReadError(KitchenWith(S("Gone") + QByteArray(200, '\x01'))),
              QStringLiteral("Component stream nested too deeply"));
    EXPECT_EQ(ReadError(QByteArray("TPF0") + S("TKitchen") + Hex("00 00") + S("TRow") + Hex("00 00 00 00")),
              QStringLiteral("Class TRow is not a component class"));
    EXPECT_EQ(ReadError(QByteArray("TPF0") + S("TKitchen") + Hex("00 00") + S("TPart") + S("9lives") +
                        Hex("00 00 00")),
              QStringLiteral("'9lives' is not a valid component name"));
    EXPECT_EQ(ReadError(QByteArray("TPF0") + S("TKitchen") + Hex("00 00") + S("TPart") + S("Twin") +
                        Hex("00 00") + S("TKitchen") + S("Twin") + Hex("00 00 00")),
              QStringLiteral("A component named Twin already exists"));
    // The same name twice, also of the same class and also nested inside itself.
    EXPECT_EQ(ReadError(QByteArray("TPF0") + S("TKitchen") + Hex("00 00") + S("TPart") + S("Twin") +
                        Hex("00 00") + S("TPart") + S("twin") + Hex("00 00 00")),
              QStringLiteral("A component named twin already exists"));
    EXPECT_EQ(ReadError(QByteArray("TPF0") + S("TKitchen") + Hex("00 00") + S("TPart") + S("Twin") +
                        Hex("00") + S("TPart") + S("Twin") + Hex("00 00 00 00")),
              QStringLiteral("A component named Twin already exists"));
    // Children nested deeper than the limit.
    QByteArray deep = QByteArray("TPF0") + S("TKitchen") + Hex("00 00");
    for (int i = 0; i < 80; ++i)
        deep += S("TPart") + Hex("00 00");
    EXPECT_EQ(ReadError(deep + QByteArray(81, '\0')), QStringLiteral("Component stream nested too deeply"));
}

TEST(ComponentReader, EveryTruncationFailsCleanly) {
    RegisterStreamTestClasses();
    const QByteArray full = FullKitchenBytes();
    for (qsizetype n = 0; n < full.size(); ++n)
        EXPECT_THROW(Read(full.left(n)), EStreamError) << "prefix of " << n << " bytes";
}

TEST(ComponentReader, CollectionSizeIsBounded) {
    RegisterStreamTestClasses();
    QByteArray items;
    for (int i = 0; i <= TReader::kMaxItems; ++i)
        items += Hex("01 00");
    EXPECT_EQ(ReadError(KitchenWith(S("Rows") + Hex("0e") + items + Hex("00"))),
              QStringLiteral("Too many collection items in component stream"));
}

TEST(ComponentReader, FailedReadIntoAnInstanceFreesWhatItCreated) {
    RegisterStreamTestClasses();
    TKitchen k(nullptr);
    k.SetName(QStringLiteral("Mine"));
    TMemoryStream s(QByteArray("TPF0") + S("TKitchen") + S("Mine") + S("Number") + Hex("02 03") + Hex("00") +
                    S("TPart") + S("Other") + Hex("00 00") + S("TNope") + Hex("00 00 00 00"));
    EXPECT_THROW(ReadComponent(s, k), EClassNotFound);
    EXPECT_EQ(k.ComponentCount(), 0);
    EXPECT_EQ(k.other, nullptr);
    EXPECT_FALSE(k.IsLoading());
    // Read into the same instance again with a good stream: the stored class name is not checked.
    TMemoryStream good(QByteArray("TPF0") + S("TSomethingElse") + S("Mine") + S("Number") + Hex("02 03") +
                       Hex("00") + S("TPart") + S("Other") + Hex("00 00 00"));
    ReadComponent(good, k);
    EXPECT_EQ(k.number_, 3);
    EXPECT_NE(k.other, nullptr);
    EXPECT_EQ(good.GetPosition(), good.GetSize());
    EXPECT_EQ(k.loadedCalls, 1);
}

TEST(ComponentReader, ReadingAsAnotherClassIsRefused) {
    RegisterStreamTestClasses();
    TPart part(nullptr);
    TMemoryStream s;
    WriteComponent(s, &part);
    s.SetPosition(0);
    try {
        ReadComponentAs<TKitchen>(s);
        FAIL() << "no error";
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Stored component is a TPart, not a TKitchen"));
    }
}

TEST(ComponentPeek, WalksEveryValueKindAndGivesTheTopLevelValuesAsTheReaderTakesThem) {
    const QByteArray full = FullKitchenBytes();
    QByteArrayView className;
    std::vector<TPeekedProperty> peeked;
    ASSERT_TRUE(PeekComponent(full, className, peeked));
    EXPECT_EQ(className, QByteArrayView("TKitchen"));
    ASSERT_EQ(peeked.size(), 26u) << "nested paths count as top-level properties; the child's do not";
    const auto find = [&](const char* name) {
        for (const TPeekedProperty& p : peeked)
            if (PeekedNameIs(p.Name, QLatin1StringView(name)))
                return p;
        ADD_FAILURE() << name;
        return TPeekedProperty{};
    };
    QString text;
    bool flag = true;
    int32_t number = 0;
    EXPECT_TRUE(PeekedText(find("caption"), text) && text == QStringLiteral("日本")) << "CP932, name in any case";
    EXPECT_TRUE(PeekedText(find("Wide"), text) && text == QStringLiteral("한"));
    EXPECT_TRUE(PeekedBoolean(find("Visible"), flag) && !flag);
    EXPECT_TRUE(PeekedInteger(find("Number"), number) && number == -200);
    EXPECT_FALSE(PeekedInteger(find("Big"), number)) << "beyond 32 bits";
    EXPECT_FALSE(PeekedText(find("Shade"), text)) << "an identifier is no string";
    EXPECT_FALSE(PeekedBoolean(find("Shade"), flag));
    EXPECT_FALSE(PeekedNameIs(QByteArrayView("Tag_"), QLatin1StringView("Tag")));
    EXPECT_FALSE(PeekedNameIs(QByteArrayView("T@g"), QLatin1StringView("T`g"))) << "only letters ignore case";
}

TEST(ComponentPeek, AnythingButOneWholeComponentIsRefused) {
    const QByteArray full = FullKitchenBytes();
    QByteArrayView className;
    std::vector<TPeekedProperty> peeked;
    for (qsizetype n = 0; n < full.size(); ++n)
        EXPECT_FALSE(PeekComponent(full.left(n), className, peeked)) << "prefix of " << n << " bytes";
    EXPECT_FALSE(PeekComponent(QByteArray("TPF1") + full.mid(4), className, peeked));
    // An unknown tag, a length beyond the bytes, a collection item that is no list.
    EXPECT_FALSE(PeekComponent(KitchenWith(S("Tag") + Hex("30")), className, peeked));
    EXPECT_FALSE(PeekComponent(KitchenWith(S("Caption") + Hex("0c ffffff7f 41")), className, peeked));
    EXPECT_FALSE(PeekComponent(KitchenWith(S("Rows") + Hex("0e 02 00")), className, peeked));
    // Nesting beyond the reader's limit, in lists and in child components.
    QByteArray lists = S("Inner.Colors");
    for (int i = 0; i < 80; ++i)
        lists += Hex("01");
    EXPECT_FALSE(PeekComponent(KitchenWith(lists + QByteArray(80, '\0')), className, peeked));
    QByteArray deep = QByteArray("TPF0") + S("TKitchen") + Hex("00 00");
    for (int i = 0; i < 80; ++i)
        deep += S("TPart") + Hex("00 00");
    EXPECT_FALSE(PeekComponent(deep + QByteArray(81, '\0'), className, peeked));
    EXPECT_TRUE(PeekComponent(KitchenWith(S("Rows") + Hex("0e 02 05 01 00 00")), className, peeked))
        << "an item's index as the reader takes it";
}

#include "papers/printing/UmDeviceMode.h"

#include "papers/printing/UmInterfaceArray.h"
#include "platform/DevMode.h"

#include <gtest/gtest.h>

namespace {

using namespace DevMode;

QByteArray AnsiWithPrivateBytes(int extra) {
    QByteArray bytes = Empty();
    TDevModeFields f;
    f.DeviceName = QStringLiteral("写真プリンタ");
    f.Fields = DM_ORIENTATION | DM_PAPERSIZE;
    f.Orientation = DMORIENT_LANDSCAPE;
    f.PaperSize = DMPAPER_A4;
    f.WriteTo(bytes);
    WriteWord(bytes, DriverExtraOffset, uint16_t(extra));
    WriteAnsiName(bytes, FormNameOffset, QStringLiteral("A4"));
    WriteWord(bytes, AnsiTailOffset, 300); // dmLogPixels
    for (int i = 0; i < extra; ++i)
        bytes.append(char(i * 7 + 1));
    return bytes;
}

TEST(DeviceMode, EmptyAndFromHandleZeroHold156Bytes) {
    TIntf<ImDeviceMode> dm = CreateDeviceMode();
    dm->SetFromHandle(QByteArray());
    EXPECT_EQ(dm->GetSize(), 156);
    EXPECT_EQ(ReadWord(dm->GetAnsiDevMode(), SizeOffset), 156);
    EXPECT_TRUE(dm->GetIsAnsi());
}

TEST(DeviceMode, ConversionKeepsEveryValueAndThePrivateBytes) {
    TIntf<ImDeviceMode> dm = CreateDeviceMode();
    const QByteArray ansi = AnsiWithPrivateBytes(200);
    dm->SetDevModeA(ansi);
    uint8_t* wide = dm->GetDevModeW();
    ASSERT_EQ(dm->GetSize(), 420);
    const QByteArray w(reinterpret_cast<const char*>(wide), 420);
    EXPECT_EQ(ReadWord(w, WideSizeOffset), 220);
    EXPECT_EQ(ReadWideName(w, DeviceNameOffset), QStringLiteral("写真プリンタ"));
    EXPECT_EQ(ReadWideName(w, WideFormNameOffset), QStringLiteral("A4"));
    // The block from dmSpecVersion to dmCollate moves unchanged but for dmSize.
    EXPECT_EQ(w.mid(WideBlockOffset, 4), ansi.mid(AnsiBlockOffset, 4));
    EXPECT_EQ(w.mid(WideBlockOffset + 6, BlockSize - 6), ansi.mid(AnsiBlockOffset + 6, BlockSize - 6));
    EXPECT_EQ(w.mid(WideTailOffset), ansi.mid(AnsiTailOffset));

    // Back to ANSI: the same bytes as went in.
    uint8_t* a = dm->GetDevModeA();
    EXPECT_EQ(dm->GetSize(), 356);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(a), 356), ansi);
    // Asking again converts nothing: the same buffer.
    EXPECT_EQ(dm->GetDevModeA(), a);
}

TEST(DeviceMode, ShortOrLyingRecordsArePaddedNotOverread) {
    TIntf<ImDeviceMode> dm = CreateDeviceMode();
    QByteArray lying = Empty();
    WriteWord(lying, DriverExtraOffset, 65535); // claims far more private bytes than it has
    dm->SetDevModeA(lying);
    EXPECT_EQ(dm->GetSize(), 156 + 65535);
    dm->GetDevModeW();
    EXPECT_EQ(dm->GetSize(), 220 + 65535);
    dm->SetDevModeA(QByteArray("\x01\x02", 2));
    EXPECT_EQ(dm->GetSize(), 156);
    // Cut inside dmDriverExtra: the half kept there must not count as private bytes.
    dm->SetDevModeA(Empty().left(DriverExtraOffset) + QByteArray("\x4f", 1));
    EXPECT_EQ(ReadWord(dm->GetAnsiDevMode(), DriverExtraOffset), 0);
    dm->GetDevModeW();
    EXPECT_EQ(dm->GetSize(), 220);

    // Assign copies the other's ANSI form, whatever layout it is in.
    TIntf<ImDeviceMode> other = CreateDeviceMode();
    other->SetDevModeA(AnsiWithPrivateBytes(4));
    other->GetDevModeW();
    dm->Assign(other.get());
    EXPECT_EQ(dm->CreateHandle(), AnsiWithPrivateBytes(4));
}

// ---- the interface array

class TNumber : public TAutoFreeInterface, public virtual IUnknownEx {
public:
    explicit TNumber(int value) : value(value) {}
    const int value;
};

int ValueOf(IUnknownEx* item) {
    return dynamic_cast<TNumber*>(item)->value;
}

class TByValue : public TAutoFreeInterface, public virtual ImComparator {
public:
    int Compare(IUnknownEx* a, IUnknownEx* b) override { return ValueOf(a) - ValueOf(b); }
};

class TValueFinder : public TAutoFreeInterface, public virtual ImItemFinder {
public:
    explicit TValueFinder(int key) : key_(key) {}
    int Compare(IUnknownEx* item) override { return ValueOf(item) - key_; }

private:
    int key_;
};

TIntf<IUnknownEx> Number(int value) {
    return TIntf<IUnknownEx>(new TNumber(value));
}

std::vector<int> Values(ImInterfaceArray& array) {
    std::vector<int> values;
    for (int i = 0; i < array.GetCount(); ++i)
        values.push_back(ValueOf(array.GetItem(i).get()));
    return values;
}

TEST(InterfaceArray, SortedArrayKeepsOrderAndRefusesEqualItems) {
    TIntf<ImInterfaceArray> array = CreateInterfaceArray();
    array->SetComparator(TIntf<ImComparator>(new TByValue));
    for (int v : {5, 1, 4, 2})
        array->Add(Number(v));
    array->SetSorted(true);
    EXPECT_EQ(Values(*array), (std::vector<int>{1, 2, 4, 5}));
    EXPECT_EQ(array->Add(Number(3)), 2);
    try {
        array->Add(Number(4));
        ADD_FAILURE();
    } catch (const EListError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("文字列リストは重複を許しません"));
    }
    EXPECT_EQ(Values(*array), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_THROW(array->Insert(0, Number(0)), EListError);
    try {
        array->GetItem(5);
        ADD_FAILURE();
    } catch (const EListError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("リストのインデックスが範囲を超えています (5)"));
    }
}

TEST(InterfaceArray, FindGivesTheLowestEqualIndex) {
    TIntf<ImInterfaceArray> array = CreateInterfaceArray();
    for (int v : {1, 2, 2, 2, 3})
        array->Add(Number(v));
    TIntf<ImItemFinder> two(new TValueFinder(2));
    EXPECT_EQ(array->Find(two.get()), 1);
    EXPECT_EQ(array->FindFirst(two.get()), 1);
    TIntf<ImItemFinder> nine(new TValueFinder(9));
    EXPECT_EQ(array->Find(nine.get()), -1);
    array->Move(0, 4);
    EXPECT_EQ(Values(*array), (std::vector<int>{2, 2, 2, 3, 1}));
    array->SetCount(2);
    EXPECT_EQ(Values(*array), (std::vector<int>{2, 2}));
}

} // namespace

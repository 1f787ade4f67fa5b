#include "pageobjects/layout/ULODate.h"

#include "LayoutTestSupport.h"
#include "platform/Filer.h"
#include "platform/StringList.h"

#include <QtEndian>
#include <cstring>
#include <gtest/gtest.h>

namespace {

// A length-prefixed property name as the stream holds it.
QByteArray Name(const char* name) {
    return char(std::strlen(name)) + QByteArray(name);
}

std::unique_ptr<TLODate> MakeDate() {
    auto date = std::make_unique<TLODate>(nullptr);
    date->SetLogRect(TRect(10, 20, 610, 220));
    date->SetFormat(QStringLiteral("yyyy/mm/dd"));
    date->SetDate(DateTimeFromParts(2002, 3, 5, 14, 30));
    date->SetUpdateFlag(dufSave);
    return date;
}

} // namespace

TEST(LODateTest, SettersRebuildTheTextOnlyForANewFormatOrDate) {
    auto date = MakeDate();
    EXPECT_EQ(date->Text()->ToQStringList(), QStringList{QStringLiteral("2002/03/05")});
    // A hand-edited text stays while neither format nor date changes.
    date->Text()->SetText(QStringLiteral("edited"));
    date->SetDate(DateTimeFromParts(2002, 3, 5, 14, 30));
    date->SetUpdateFlag(dufOpen);
    EXPECT_EQ(date->Text()->ToQStringList(), QStringList{QStringLiteral("edited")});
    // A format with line breaks gives several lines.
    date->SetFormat(QStringLiteral("yyyy\"\n\"m\"月\""));
    EXPECT_EQ(date->Text()->Count(), 2);
    EXPECT_EQ(date->Text()->Strings(1), QStringLiteral("3月"));
    // A date beyond the calendar keeps what is shown instead of failing.
    date->SetDate(1e300);
    EXPECT_EQ(date->Text()->Strings(0), QStringLiteral("2002"));
    EXPECT_EQ(date->Date(), 1e300);
}

TEST(LODateTest, AssignCopiesTheFormatBeforeTheDate) {
    auto date = MakeDate();
    TLODate copy(nullptr);
    copy.Assign(date.get());
    EXPECT_EQ(copy.Text()->ToQStringList(), QStringList{QStringLiteral("2002/03/05")});
    EXPECT_EQ(copy.UpdateFlag(), dufSave);
    EXPECT_EQ(copy.Format(), date->Format());
}

TEST(LODateTest, StoredFormRoundTripsAndReadsTheExtendedDate) {
    RegisterLayoutTestClasses();
    auto date = MakeDate();
    const QByteArray bytes = Store(date.get());
    // After the text's own properties, in this order, the date as a date value.
    const qsizetype fieldType = bytes.indexOf(Name("FieldType"));
    const qsizetype format = bytes.indexOf(Name("Format"));
    const qsizetype at = bytes.indexOf(Name("Date"));
    const qsizetype flag = bytes.indexOf(Name("UpdateFlag"));
    ASSERT_GT(fieldType, 0);
    EXPECT_LT(fieldType, format);
    EXPECT_LT(format, at);
    EXPECT_LT(at, flag);
    const qsizetype tag = at + 5;
    ASSERT_EQ(uint8_t(bytes[tag]), uint8_t(TValueType::vaDate));
    EXPECT_EQ(bytes.mid(flag + 11), QByteArray("\x07\x07"
                                               "dufSave\x00\x00",
                                               11));

    auto back = Load(bytes);
    auto* loaded = dynamic_cast<TLODate*>(back.get());
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->Date(), date->Date());
    EXPECT_EQ(Store(loaded), bytes);

    // Older documents hold the date as a 10-byte extended value.
    uint8_t extended[10];
    DoubleToExtended(date->Date(), extended);
    QByteArray old = bytes;
    old.replace(tag, 9,
                char(TValueType::vaExtended) + QByteArray(reinterpret_cast<const char*>(extended), 10));
    auto older = Load(old);
    auto* olderDate = dynamic_cast<TLODate*>(older.get());
    ASSERT_NE(olderDate, nullptr);
    EXPECT_EQ(olderDate->Date(), date->Date());
    EXPECT_EQ(Store(olderDate), bytes);
}

#include "platform/Rect.h"
#include "platform/Settings.h"

#include <gtest/gtest.h>

namespace {
const QString kKey = QStringLiteral("Software\\Ovandrexa\\Test\\Settings");
}

TEST(SettingsStore, MissingKeysAndValuesGiveDefaults) {
    SettingsStore::DeleteKey(QStringLiteral("Software\\Ovandrexa\\Test"));
    EXPECT_FALSE(SettingsStore::KeyExists(kKey));
    EXPECT_EQ(SettingsStore::ReadInteger(kKey, QStringLiteral("Limit"), 1500), 1500);
    EXPECT_TRUE(SettingsStore::ReadBool(kKey, QStringLiteral("Flag"), true));
    EXPECT_EQ(SettingsStore::ReadString(kKey, QStringLiteral("Name"), QStringLiteral("d")),
              QStringLiteral("d"));
}

TEST(SettingsStore, WritesReadBackUnderTheKeyPath) {
    SettingsStore::WriteInteger(kKey, QStringLiteral("Limit"), -7);
    SettingsStore::WriteBool(kKey, QStringLiteral("Flag"), false);
    SettingsStore::WriteString(kKey, QStringLiteral("Path"), QStringLiteral("C:\\写真\\a=b;c"));
    EXPECT_TRUE(SettingsStore::KeyExists(kKey));
    EXPECT_TRUE(SettingsStore::KeyExists(QStringLiteral("Software\\Ovandrexa")));
    EXPECT_EQ(SettingsStore::ReadInteger(kKey, QStringLiteral("Limit"), 0), -7);
    EXPECT_FALSE(SettingsStore::ReadBool(kKey, QStringLiteral("Flag"), true));
    EXPECT_EQ(SettingsStore::ReadString(kKey, QStringLiteral("Path")), QStringLiteral("C:\\写真\\a=b;c"));
    // A text that is no number reads as the default, not as 0.
    EXPECT_EQ(SettingsStore::ReadInteger(kKey, QStringLiteral("Path"), 42), 42);
    EXPECT_TRUE(SettingsStore::ValueNames(kKey).contains(QStringLiteral("Limit")));
    EXPECT_TRUE(SettingsStore::DeleteValue(kKey, QStringLiteral("Limit")));
    EXPECT_FALSE(SettingsStore::DeleteValue(kKey, QStringLiteral("Limit")));
    EXPECT_TRUE(SettingsStore::DeleteKey(kKey));
    EXPECT_FALSE(SettingsStore::ValueExists(kKey, QStringLiteral("Flag")));
}

TEST(Rect, EdgesAreExclusive) {
    const TRect r = Bounds(10, 20, 5, 5);
    EXPECT_TRUE(PtInRect(r, Point(10, 20)));
    EXPECT_FALSE(PtInRect(r, Point(15, 20)));
    EXPECT_EQ(r.ToQRect().right(), 14);
    EXPECT_EQ(TRect::FromQRect(r.ToQRect()), r);
}

TEST(Rect, IntersectionAndUnionTreatEmptyAsNothing) {
    TRect out(1, 1, 1, 1);
    EXPECT_FALSE(IntersectRect(out, Rect(0, 0, 10, 10), Rect(10, 0, 20, 10)));
    EXPECT_EQ(out, TRect());
    EXPECT_TRUE(IntersectRect(out, Rect(0, 0, 10, 10), Rect(5, -5, 20, 5)));
    EXPECT_EQ(out, Rect(5, 0, 10, 5));
    EXPECT_TRUE(UnionRect(out, TRect(), Rect(1, 2, 3, 4)));
    EXPECT_EQ(out, Rect(1, 2, 3, 4));
    EXPECT_EQ(NormalizeRect(Rect(5, 6, 1, 2)), Rect(1, 2, 5, 6));
}

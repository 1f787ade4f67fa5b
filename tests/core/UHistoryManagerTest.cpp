#include "core/UHistoryManager.h"

#include "core/UAppFrame.h"
#include "platform/Settings.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <gtest/gtest.h>

namespace {

const QString kListKey = QStringLiteral("Software\\Ovandrexa\\HistoryTest\\Settings\\OpenFileHistory");

class HistoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        SettingsStore::DeleteKey(QStringLiteral("Software\\Ovandrexa\\HistoryTest"));
        frame.Macro().SetValue(QStringLiteral("SysRegistryKey"),
                               QStringLiteral("Software\\Ovandrexa\\HistoryTest\\Settings"));
        frame.Macro().SetValue(QStringLiteral("OpenFileHistory"),
                               QStringLiteral("$(SysRegistryKey)\\OpenFileHistory"));
        history.SetRegistryKey(QStringLiteral("$(OpenFileHistory)"));
    }
    void TearDown() override {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        SettingsStore::DeleteKey(QStringLiteral("Software\\Ovandrexa\\HistoryTest"));
    }
    QStringList Items() { return history.GetItems().ToQStringList(); }
    static QStringList Captions(const QMenu& menu) {
        QStringList captions;
        for (QAction* a : menu.actions()) {
            if (!a->isVisible())
                continue;
            captions.append(a->isSeparator() ? QStringLiteral("-") : a->text());
        }
        return captions;
    }

    TAppFrame frame{nullptr};
    THistoryManager history{nullptr};
};

} // namespace

TEST_F(HistoryTest, NewestFirstWithoutDuplicatesAndStored) {
    history.Add(QStringLiteral("A"));
    history.Add(QStringLiteral("B"));
    history.Add(QStringLiteral("a")); // equal without regard to case: moves to the top
    EXPECT_EQ(Items(), QStringList({"a", "B"}));
    EXPECT_EQ(SettingsStore::ValueNames(kListKey), QStringList({"Item0", "Item1"}));
    EXPECT_EQ(SettingsStore::ReadString(kListKey, QStringLiteral("Item0")), u"a");
    EXPECT_EQ(SettingsStore::ReadString(kListKey, QStringLiteral("Item1")), u"B");

    history.Remove(QStringLiteral("b"));
    EXPECT_EQ(Items(), QStringList({"a"}));
    history.Remove(QStringLiteral("missing"));
    history.Clear();
    EXPECT_TRUE(Items().isEmpty());
    EXPECT_TRUE(SettingsStore::ValueNames(kListKey).isEmpty());
}

TEST_F(HistoryTest, TheLimitDropsTheOldestAndLongListsKeepTheirOrder) {
    history.SetLimit(3);
    for (const char* e : {"1", "2", "3", "4"})
        history.Add(QString::fromLatin1(e));
    EXPECT_EQ(Items(), QStringList({"4", "3", "2"}));

    // Beyond ten entries Item10 follows Item9, not Item1.
    history.SetLimit(12);
    for (int i = 0; i < 12; ++i)
        history.Add(QStringLiteral("e%1").arg(i));
    QStringList expected;
    for (int i = 11; i >= 0; --i)
        expected.append(QStringLiteral("e%1").arg(i));
    EXPECT_EQ(Items(), expected);

    // A smaller limit reads only the newest entries.
    history.SetLimit(2);
    EXPECT_EQ(Items(), QStringList({"e11", "e10"}));
}

TEST_F(HistoryTest, AKeyWithoutBothPartsIsRefused) {
    for (const char* key : {"", "NoBackslash", "Software\\", "\\Name"}) {
        history.SetRegistryKey(QString::fromLatin1(key));
        try {
            history.Add(QStringLiteral("x"));
            ADD_FAILURE() << "no exception for " << key;
        } catch (const EHistoryManager& e) {
            EXPECT_EQ(e.Message(), u"History用のキーがセットされていません");
        }
    }
}

TEST_F(HistoryTest, TheMenuFollowsTheAnchor) {
    QMenu menu;
    menu.addAction(QStringLiteral("開く"));
    QAction* anchor = menu.addAction(QStringLiteral("(history)"));
    menu.addAction(QStringLiteral("終了"));
    history.ClearHistoryCaption = QStringLiteral("履歴を消去");
    history.SetMenuItem(anchor);
    EXPECT_FALSE(anchor->isVisible());
    EXPECT_EQ(Captions(menu), QStringList({"開く", "終了"}));

    history.Add(QStringLiteral("C:\\a.qla"));
    history.Add(QStringLiteral("Tom & Jerry.qla"));
    EXPECT_EQ(Captions(menu),
              QStringList({"開く", "-", "Tom && Jerry.qla", "C:\\a.qla", "-", "履歴を消去", "終了"}));

    // Choosing an entry moves it to the top and tells the owner.
    QString chosen;
    history.OnMenuClick = [&](TObject* sender, const QString& text) {
        EXPECT_EQ(sender, &history);
        chosen = text;
    };
    menu.actions()[4]->trigger();
    EXPECT_EQ(chosen, u"C:\\a.qla");
    EXPECT_EQ(Items(), QStringList({"C:\\a.qla", "Tom & Jerry.qla"}));
    EXPECT_EQ(Captions(menu),
              QStringList({"開く", "-", "C:\\a.qla", "Tom && Jerry.qla", "-", "履歴を消去", "終了"}));

    // The clear item empties the list and the menu.
    menu.actions()[6]->trigger();
    EXPECT_TRUE(Items().isEmpty());
    EXPECT_EQ(Captions(menu), QStringList({"開く", "終了"}));
}

TEST_F(HistoryTest, AcceleratorsNumberTheEntries) {
    QMenu menu;
    QAction* anchor = menu.addAction(QStringLiteral("(history)"));
    history.SetLimit(11);
    for (int i = 10; i >= 0; --i)
        history.Add(QStringLiteral("f%1").arg(i));
    history.SetMenuItem(anchor);
    history.SetUseAccelerator(true);
    const QStringList captions = Captions(menu);
    // The anchor is the first item: no separator before the history.
    ASSERT_EQ(captions.size(), 11);
    EXPECT_EQ(captions[0], u"&0 f0");
    EXPECT_EQ(captions[9], u"&9 f9");
    EXPECT_EQ(captions[10], u"&A f10");
    history.SetUseAccelerator(false);
    EXPECT_EQ(Captions(menu)[0], u"f0");
}

#include "core/UAppUtil.h"

#include "core/UMacroString.h"
#include "platform/Application.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QWidget>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

QStringList Pieces(const QString& s, const QString& separator) {
    return SplitByString(s, separator)->ToQStringList();
}

} // namespace

TEST(UAppUtilTest, NumbersAsTenths) {
    EXPECT_EQ(FormatTenthMM(123), "12.3mm");
    EXPECT_EQ(FormatTenthMM(-5), "-0.5mm");
    EXPECT_EQ(FormatTenthMM(0), "0.0mm");
    EXPECT_EQ(FormatTenths(120), "12");
    EXPECT_EQ(FormatTenths(125), "12.5");
    EXPECT_EQ(FormatTenths(-5), "-0.5");
    EXPECT_EQ(FormatTenths(-120), "-12");
    EXPECT_EQ(FormatTenths(INT32_MIN), "-214748364.8");
}

TEST(UAppUtilTest, SplitByStringKeepsInnerEmptyPiecesAndSkipsWholeSeparators) {
    EXPECT_EQ(Pieces("a,b,,c,", ","), QStringList({"a", "b", "", "c"}));
    EXPECT_EQ(Pieces("a::b::c", "::"), QStringList({"a", "b", "c"}));
    EXPECT_EQ(Pieces("a:::b", "::"), QStringList({"a", ":b"}));
    EXPECT_EQ(Pieces("", ","), QStringList());
    EXPECT_EQ(Pieces("abc", ""), QStringList({"abc"}));
}

TEST(UAppUtilTest, ShortenPathDropsFoldersFromTheFileNameLeftwards) {
    EXPECT_EQ(ShortenPath("/a/b/c/file.txt", 15), "/a/b/c/file.txt");
    EXPECT_EQ(ShortenPath("/a/b/c/file.txt", 14), "/.../file.txt");
    EXPECT_EQ(ShortenPath("/a/b/c/file.txt", 16), "/a/b/c/file.txt");
    EXPECT_EQ(ShortenPath("x/a/b/c/file.txt", 16), "x/a/b/c/file.txt");
    EXPECT_EQ(ShortenPath("x/a/b/c/file.txt", 15), "x/.../file.txt");
    EXPECT_EQ(ShortenPath("/a/b/c/file.txt", 10), "file.txt");
    EXPECT_EQ(ShortenPath("/a/b/c/file.txt/", 15), "/a/b/c/file.txt");
    EXPECT_EQ(ShortenPath("", 0), "");
    EXPECT_EQ(ShortenPath("/", 0), "/");
    EXPECT_EQ(ShortenPath("file.txt", 3), "file.txt");
}

TEST(UAppUtilTest, FormatDateExGoldenStrings) {
    const TDateTime march5 = DateTimeFromParts(2002, 3, 5, 14, 7, 9, 45);
    EXPECT_EQ(FormatDateEx("yyyy $(ShortMonthC) d", march5), "2002 MAR 5");
    EXPECT_EQ(FormatDateEx("$(LongMonthA) dd, yyyy", march5), "March 05, 2002");
    EXPECT_EQ(FormatDateEx("$(LongMonthB)/$(ShortMonthA)/$(ShortMonthB)/$(LongMonthC)", march5),
              "march/Mar/mar/MARCH");
    EXPECT_EQ(FormatDateTime("yy/m/d h:nn:ss.zzz", march5), "02/3/5 14:07:09.045");
    EXPECT_EQ(FormatDateTime("hh:mm", march5), "14:07");
    EXPECT_EQ(FormatDateTime("h:mm AM/PM|h a/p|ampm", march5), "2:07 PM|2 p|午後");
    EXPECT_EQ(FormatDateTime("mmm mmmm ddd dddd aaa", march5), "3 3月 火 火曜日 火");
    EXPECT_EQ(FormatDateTime("ddddd|dddddd", march5), "2002/03/05|2002年3月5日");
    EXPECT_EQ(FormatDateTime("c", march5), "2002/03/05 14:07:09");
    EXPECT_EQ(FormatDateTime("c|t|tt", DateTimeFromParts(2002, 3, 5)), "2002/03/05|0:00|0:00:00");
    EXPECT_EQ(FormatDateTime("gge'年'|g ee", march5), "平成14年|平 14");
    EXPECT_EQ(FormatDateTime("gge", DateTimeFromParts(2019, 5, 1)), "令和1");
    EXPECT_EQ(FormatDateTime("gge", DateTimeFromParts(2019, 4, 30)), "平成31");
    EXPECT_EQ(FormatDateTime("\"dd\" 'mm' x", march5), "dd mm x");
    EXPECT_EQ(FormatDateTime("'unclosed d", march5), "unclosed d");
    EXPECT_EQ(FormatDateTime("hh AM/PM", DateTimeFromParts(2002, 3, 5, 0, 30)), "12 AM");
    EXPECT_EQ(FormatDateTime("yyyy/mm/dd hh:nn", DateTimeFromParts(1850, 6, 1, 6, 0)), "1850/06/01 06:00");
    // A time that rounds to the whole next day is midnight of that day.
    EXPECT_EQ(FormatDateTime("yyyy/mm/dd hh:nn:ss", 1.0 - 1e-10), "1899/12/31 00:00:00");
    EXPECT_THROW(FormatDateEx("$(Unknown)", march5), EMacroString);
    EXPECT_THROW(FormatDateTime("d", 1e12), EConvertError);
}

TEST(UAppUtilTest, ExistsInDataFolderMatchesTheTailOfTheFolder) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath("Data/Illust"));
    const QString folder = dir.path() + "/Data/Illust";
    QFile file(folder + "/a.bmp");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_TRUE(ExistsInDataFolder("C:\\Prog\\DATA\\illust\\a.bmp", folder));
    EXPECT_FALSE(ExistsInDataFolder("C:\\Prog\\Data\\Frame\\a.bmp", folder));
    EXPECT_FALSE(ExistsInDataFolder("C:\\Prog\\Data\\Illust\\b.bmp", folder));
    EXPECT_FALSE(ExistsInDataFolder("C:\\Prog\\Illust\\a.bmp", folder));
}

TEST(UAppUtilTest, SetupFormWiresHelpReplacesColoursAndKeepsTheFormOnScreen) {
    QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    const QRect area = screen->availableGeometry();

    QWidget form;
    form.resize(area.width() + 100, 50);
    auto* panel = new QWidget(&form);
    auto* inner = new QWidget(panel);
    auto* help = new QPushButton(inner);
    help->setObjectName("btnHelp");
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, QColor(0xFF, 0xE7, 0xAF));
    panel->setPalette(palette);

    QObject* clicked = nullptr;
    SetHelpButtonClick([&](QObject* sender) { clicked = sender; });
    int made = 0;
    TComponent* packSeen = reinterpret_cast<TComponent*>(1);
    SetFillImageMaker([&](QWidget* f, TComponent* pack, TColor) {
        ++made;
        packSeen = pack;
        return new QWidget(f);
    });
    SetupFormNoBackground(&form);
    help->click();
    EXPECT_EQ(clicked, help);
    EXPECT_EQ(made, 0);
    EXPECT_EQ(panel->palette().color(QPalette::Window), QColor(0xE6, 0xE6, 0xE6));
    EXPECT_EQ(form.palette().color(QPalette::Window), QGuiApplication::palette().color(QPalette::Window));
    // Placed once it shows, at the size it shows with.
    form.show();
    EXPECT_EQ(form.x(), area.left());
    EXPECT_GE(form.y(), area.top());

    // A background needs a pack.
    SetupForm(&form);
    EXPECT_EQ(made, 0);
    TComponent* pack = reinterpret_cast<TComponent*>(&form);
    SetFormBackgroundImagePack(pack);
    SetupForm(&form);
    EXPECT_EQ(made, 1);
    EXPECT_EQ(packSeen, pack);
    SetFormBackgroundImagePack(nullptr);
    SetFillImageMaker({});
    SetHelpButtonClick({});
}

TEST(UAppUtilTest, ADialogSetUpBeforeItsLayoutSizedItIsCentredAtTheSizeItShowsWith) {
    QWidget owner;
    QDialog dialog(&owner);
    auto* layout = new QVBoxLayout(&dialog);
    auto* content = new QWidget(&dialog);
    content->setFixedSize(300, 200);
    layout->addWidget(content);
    SetupFormNoBackground(&dialog);
    dialog.show();
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_GE(dialog.width(), 300);
    EXPECT_LE(std::abs(dialog.geometry().center().x() - area.center().x()), 4);
    EXPECT_LE(std::abs(dialog.geometry().center().y() - area.center().y()), 4);
}

#include "core/UAppFrame.h"

#include "platform/Application.h"
#include "platform/Settings.h"
#include "tests/FakeDialogService.h"
#include "tests/TestSupport.h"

#include <QAction>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

QUORLANE_EXCEPTION(ETwain, Exception)

const QString kKey = QStringLiteral("Software\\Ovandrexa\\Quorlane\\1.0\\Settings");

// The macro table the application ships.
const char* const kApplicationMacros[] = {
    "AppName=Quorlane",
    "SysHelpFile=$(ExeNameNoExt).chm",
    "SysMsgUnexpected=予期しないエラーが発生しました$(CRLF)%s",
    "SysMsgTwainErr=TWAINでエラーが発生しました。$(CRLF)TWAINドライバあるいはTWAIN機器に問題があると$(CRLF)"
    "思われます$(CRLF)「%s」",
    "SysMsgNotDefaultPrinter=通常使うプリンタがセットされていません$(CRLF)"
    "コントロールパネルのプリンタを開いて設定して"
    "ください",
    "SysMsgNotEnoughColor=「$(AppName)」は、32,000色以上の$(CRLF)表示環境でご使用ください。$(CRLF)"
    "正しく表示できないこ"
    "とがありますが起動しますか？",
    "SysMsgAlreadyRun=$(AppName)は、すでに実行中です",
    "SysMutexID=$(AppName).$(ShortVer).Skarvane.Japan",
    "SysMsgCDNotFound=%sが見つかりません$(CRLF)$(AppName)のＣＤを正しくセットしてください。",
    "SysRegistryKey=Software\\Ovandrexa\\Quorlane\\$(ShortVer)\\Settings",
    "SysKeyFile=QUORLANE.EXE",
    "SysApplicationFolder=",
    "SysInstallKey=Quorlane.Application",
    "OpenFileHistory=$(SysRegistryKey)\\OpenFileHistory",
    "UserPreferenceFolder=$(AppDataDir)$(AppName)\\$(ShortVer)\\",
    "UserPaperInfo=$(UserPreferenceFolder)UserPaper.ppr",
    "SysMsgNotPowerUsers=「$(AppName)」の実行には$(CRLF)標準ユーザー（PowerUsers）以上の権限が必要です",
};

class FakeEnvironment : public TAppEnvironment {
public:
    int colorBits = 24;
    bool powerUser = true;
    bool printer = true;
    bool instanceFree = true;
    QStringList volumes;
    std::vector<QString> asked;

    int ScreenColorBits() override {
        asked.push_back(QStringLiteral("color"));
        return colorBits;
    }
    bool IsPowerUser() override {
        asked.push_back(QStringLiteral("rights"));
        return powerUser;
    }
    bool HasDefaultPrinter() override {
        asked.push_back(QStringLiteral("printer"));
        return printer;
    }
    bool AcquireInstance(const QString& name) override {
        asked.push_back(QStringLiteral("lock:") + name);
        return instanceFree;
    }
    QStringList Volumes() override { return volumes; }
};

class AppFrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        SettingsStore::DeleteKey(QStringLiteral("Software\\Ovandrexa"));
        SettingsStore::DeleteKey(QStringLiteral("Software\\Classes\\Quorlane.Application"));
        frame = std::make_unique<TAppFrame>(nullptr);
        TStringList lines;
        for (const char* line : kApplicationMacros)
            lines.Add(QString::fromUtf8(line));
        // The stored table replaces the constructor's "Project" name.
        frame->SetMacro(lines);
        frame->Loaded();
        environment = std::make_shared<FakeEnvironment>();
        frame->SetEnvironment(environment);
    }
    void TearDown() override {
        frame.reset();
        SettingsStore::DeleteKey(QStringLiteral("Software\\Ovandrexa"));
        SettingsStore::DeleteKey(QStringLiteral("Software\\Classes\\Quorlane.Application"));
    }

    FakeDialogService dialogs;
    std::unique_ptr<TAppFrame> frame;
    std::shared_ptr<FakeEnvironment> environment;
};

// A content folder: the key file and the given files (created with their folders).
void MakeContent(const QString& folder, std::initializer_list<const char*> files, bool keyFile = true) {
    QDir().mkpath(folder);
    if (keyFile)
        TestSupport::WriteFile(folder + QStringLiteral("/QUORLANE.EXE"), "MZ");
    for (const char* f : files) {
        const QString path = folder + QLatin1Char('/') + QString::fromUtf8(f);
        QDir().mkpath(QFileInfo(path).absolutePath());
        TestSupport::WriteFile(path, "data");
    }
}

// A component with every kind of property the macro expansion looks at.
class TCaptioned : public TComponent {
    QUORLANE_CLASS(TCaptioned, TComponent)

public:
    using TComponent::TComponent;
    static void DeclareProperties(TPropertyBuilder<TCaptioned>& p) {
        p.String("Caption", &TCaptioned::caption, &TCaptioned::caption);
        p.WideString("Hint", &TCaptioned::hint, &TCaptioned::hint).Stored(false);
        p.String(
            "Version", [](TCaptioned&) { return QStringLiteral("$(ShortVer)"); }, nullptr);
        p.Strings("Lines", [](TCaptioned& c) { return &c.lines; });
        p.Component("Buddy", &TCaptioned::buddy, &TCaptioned::buddy);
    }
    QString caption;
    QString hint;
    TStringList lines;
    TCaptioned* buddy = nullptr;
};

} // namespace

TEST(AppFrameAbsent, FreeFunctionsFallBackWithoutAFrame) {
    ASSERT_EQ(AppFrame(), nullptr);
    FakeDialogService dialogs;
    EXPECT_EQ(ExpandMacros(QStringLiteral("$(AppName) $(")), u"$(AppName) $(");
    EXPECT_EQ(ReadSettingInteger(QStringLiteral("ImageLimitSize"), 1500), 1500);
    EXPECT_TRUE(ReadSettingBool(QStringLiteral("FixGDILeak"), true));
    EXPECT_EQ(ReadSettingString(QStringLiteral("CDPath"), QStringLiteral("d")), u"d");
    WriteSettingInteger(QStringLiteral("Written"), 1);
    EXPECT_FALSE(SettingsStore::KeyExists(kKey));
    // The message goes to the window system's dialog as it is.
    dialogs.answers = {mrCancel};
    EXPECT_FALSE(AppConfirm(QStringLiteral("$(AppName)?")));
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, u"$(AppName)?");
}

TEST(AppFrameAbsent, TheLastFrameCreatedIsTheFrameUntilItGoes) {
    auto first = std::make_unique<TAppFrame>(nullptr);
    EXPECT_EQ(first->Macro().Values(QStringLiteral("AppName")), u"Project");
    {
        TAppFrame second(nullptr);
        EXPECT_EQ(AppFrame(), &second);
    }
    EXPECT_EQ(AppFrame(), nullptr);
    first.reset();
    EXPECT_EQ(AppFrame(), nullptr);
}

TEST_F(AppFrameTest, LoadingAddsTheBuiltInMacros) {
    EXPECT_EQ(ExpandMacros(QStringLiteral("$(SysMutexID)")), u"Quorlane.1.0.Skarvane.Japan");
    EXPECT_EQ(ExpandMacros(QStringLiteral("$(OpenFileHistory)")), kKey + QStringLiteral("\\OpenFileHistory"));
    EXPECT_EQ(ExpandMacros(QStringLiteral("a$(CRLF)b$(Quote)")), u"a\r\nb\"");
    EXPECT_EQ(ExpandMacros(QStringLiteral("$(LongVer)")), u"1.0.0.0");
    // A key file the table names is kept; an empty application folder gets the program's name.
    const QFileInfo exe(QCoreApplication::applicationFilePath());
    EXPECT_EQ(ExpandMacros(QStringLiteral("$(SysKeyFile)")), u"QUORLANE.EXE");
    EXPECT_EQ(ExpandMacros(QStringLiteral("$(SysApplicationFolder)")), exe.completeBaseName());
    EXPECT_EQ(ExpandMacros(QStringLiteral("$(ExeDir)")), exe.absolutePath() + QLatin1Char('/'));
    EXPECT_EQ(ExpandMacros(QStringLiteral("$(SysHelpFile)")),
              exe.absolutePath() + QLatin1Char('/') + exe.completeBaseName() + QStringLiteral(".chm"));
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    EXPECT_EQ(ExpandMacros(QStringLiteral("$(UserPaperInfo)")),
              data + QStringLiteral("/Quorlane\\1.0\\UserPaper.ppr"));
    EXPECT_EQ(TApplication::Title(), u"Quorlane");
}

TEST_F(AppFrameTest, SettingsLiveDirectlyUnderTheRegistryKey) {
    EXPECT_EQ(ReadSettingInteger(QStringLiteral("ImageLimitSize"), 1500), 1500);
    WriteSettingInteger(QStringLiteral("ImageLimitSize"), 2000);
    WriteSettingBool(QStringLiteral("UseColorSpecHistory"), false);
    WriteSettingString(QStringLiteral("CDPath"), QStringLiteral("/media/写真"));
    EXPECT_EQ(SettingsStore::ReadInteger(kKey, QStringLiteral("ImageLimitSize"), 0), 2000);
    EXPECT_EQ(ReadSettingInteger(QStringLiteral("ImageLimitSize"), 1500), 2000);
    EXPECT_FALSE(ReadSettingBool(QStringLiteral("UseColorSpecHistory"), true));
    EXPECT_EQ(frame->GetCDPath(), u"/media/写真");
    frame->SetCDPath(QString());
    EXPECT_EQ(frame->GetCDPath(), u"");

    // Without a key name nothing is read or written.
    frame->Macro().SetValue(QStringLiteral("SysRegistryKey"), QString());
    EXPECT_EQ(ReadSettingInteger(QStringLiteral("ImageLimitSize"), 7), 7);
    WriteSettingInteger(QStringLiteral("Other"), 1);
    EXPECT_FALSE(SettingsStore::ValueExists(kKey, QStringLiteral("Other")));
}

TEST_F(AppFrameTest, MessageBoxesExpandTheirTextAndPassButtonsAndPositions) {
    dialogs.answers = {mrOk, mrCancel, mrOk, mrYes};
    EXPECT_TRUE(AppConfirm(QStringLiteral("$(AppName)を終了しますか")));
    EXPECT_FALSE(AppConfirm(QStringLiteral("x")));
    AppShowMessage(QStringLiteral("保存しました"));
    EXPECT_EQ(AppMessageBox(QStringLiteral("?"), {bkYes, bkNo, bkCancel}, 1, 2), mrYes);
    ASSERT_EQ(dialogs.boxes.size(), 4u);
    EXPECT_EQ(dialogs.boxes[0].text, u"Quorlaneを終了しますか");
    EXPECT_EQ(dialogs.boxes[0].buttons, std::vector<TBitBtnKind>({bkOK, bkCancel}));
    EXPECT_EQ(dialogs.boxes[0].defaultIndex, 0);
    EXPECT_EQ(dialogs.boxes[0].cancelIndex, 1);
    EXPECT_EQ(dialogs.boxes[2].buttons, std::vector<TBitBtnKind>({bkOK}));
    EXPECT_EQ(dialogs.boxes[2].cancelIndex, 0);
    EXPECT_EQ(dialogs.boxes[3].defaultIndex, 1);
    EXPECT_EQ(dialogs.boxes[3].cancelIndex, 2);

    // The application's own message window takes over when it is set.
    std::vector<TBitBtnKind> seen;
    frame->OnMessageBox = [&](const QString& text, const std::vector<TBitBtnKind>& buttons, int d, int c) {
        EXPECT_EQ(text, u"Quorlane");
        EXPECT_EQ(d, 0);
        EXPECT_EQ(c, 1);
        seen = buttons;
        return mrOk;
    };
    EXPECT_TRUE(AppConfirm(QStringLiteral("$(AppName)")));
    EXPECT_EQ(seen, std::vector<TBitBtnKind>({bkOK, bkCancel}));
    EXPECT_EQ(dialogs.boxes.size(), 4u);
}

TEST_F(AppFrameTest, StartUpChecksRunInOrderAndStopAtTheFirstFailure) {
    // Nothing asked for: nothing checked, nothing shown.
    EXPECT_TRUE(frame->CheckExecuteCondition());
    EXPECT_TRUE(environment->asked.empty());

    frame->ExecuteCondition = ecNeedHighColor | ecNeedPrinter | ecExclusive | ecPowerUsers;
    EXPECT_TRUE(frame->CheckExecuteCondition());
    EXPECT_EQ(environment->asked,
              std::vector<QString>({"color", "rights", "printer", "lock:Quorlane.1.0.Skarvane.Japan"}));
    EXPECT_TRUE(dialogs.boxes.empty());

    // A low-colour screen asks; Yes goes on with the other checks.
    environment->asked.clear();
    environment->colorBits = 8;
    dialogs.answers = {mrYes};
    EXPECT_TRUE(frame->CheckExecuteCondition());
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, u"「Quorlane」は、32,000色以上の\r\n表示環境でご使用ください。\r\n"
                                     u"正しく表示できないことがありますが起動しますか？");
    EXPECT_EQ(dialogs.boxes[0].buttons, std::vector<TBitBtnKind>({bkYes, bkNo}));
    EXPECT_EQ(environment->asked.size(), 4u);

    // No stops at once.
    environment->asked.clear();
    dialogs.answers = {mrNo};
    EXPECT_FALSE(frame->CheckExecuteCondition());
    EXPECT_EQ(environment->asked, std::vector<QString>({"color"}));
}

TEST_F(AppFrameTest, EachFailedCheckShowsItsOwnMessage) {
    frame->ExecuteCondition = ecNeedHighColor | ecNeedPrinter | ecExclusive | ecPowerUsers;
    struct Case {
        bool FakeEnvironment::*flag;
        const char16_t* message;
    };
    const Case cases[] = {
        {&FakeEnvironment::powerUser,
         u"「Quorlane」の実行には\r\n標準ユーザー（PowerUsers）以上の権限が必要です"},
        {&FakeEnvironment::printer,
         u"通常使うプリンタがセットされていません\r\nコントロールパネルのプリンタを開いて設定してください"},
        {&FakeEnvironment::instanceFree, u"Quorlaneは、すでに実行中です"},
    };
    for (const Case& c : cases) {
        (*environment).*c.flag = false;
        dialogs.boxes.clear();
        dialogs.answers = {mrOk};
        EXPECT_FALSE(frame->CheckExecuteCondition());
        ASSERT_EQ(dialogs.boxes.size(), 1u);
        EXPECT_EQ(dialogs.boxes[0].text, QString::fromUtf16(c.message));
        EXPECT_EQ(dialogs.boxes[0].buttons, std::vector<TBitBtnKind>({bkOK}));
        (*environment).*c.flag = true;
    }
}

TEST_F(AppFrameTest, UnhandledExceptionsShowTheSystemsOwnMessage) {
    dialogs.answers = {mrOk, mrOk, mrOk, mrOk};
    TApplication::HandleException(nullptr, Exception(QStringLiteral("ファイルが壊れています")));
    TApplication::HandleException(nullptr, ETwain(QStringLiteral("device busy")));
    // A stray "%" and a message that quotes a macro are shown as they are.
    TApplication::HandleException(nullptr, std::runtime_error("100% $(AppName) %s %d"));
    frame->Macro().SetValue(QStringLiteral("SysMsgUnexpected"), QStringLiteral("%d%%: %s / %s"));
    TApplication::HandleException(nullptr, Exception(QStringLiteral("x")));
    ASSERT_EQ(dialogs.boxes.size(), 4u);
    EXPECT_EQ(dialogs.boxes[0].text, u"予期しないエラーが発生しました\r\nファイルが壊れています");
    EXPECT_EQ(dialogs.boxes[1].text, u"TWAINでエラーが発生しました。\r\nTWAINドライバあるいはTWAIN機器に問題"
                                     u"があると\r\n思われます\r\n「device busy」");
    EXPECT_EQ(dialogs.boxes[2].text, u"予期しないエラーが発生しました\r\n100% $(AppName) %s %d");
    EXPECT_EQ(dialogs.boxes[3].text, u"%d%%: x / %s");
    EXPECT_EQ(dialogs.boxes[3].buttons, std::vector<TBitBtnKind>({bkOK}));

    // Without the message in the table the exception's own message still shows.
    frame->Macro().SetValue(QStringLiteral("SysMsgUnexpected"), QString());
    dialogs.answers = {mrOk};
    TApplication::HandleException(nullptr, Exception(QStringLiteral("lost?")));
    EXPECT_EQ(dialogs.boxes.back().text, u"lost?");

    // OnException replaces the message.
    QString handled;
    frame->OnException = [&](TObject*, const std::exception& e) { handled = QString::fromUtf8(e.what()); };
    TApplication::HandleException(nullptr, Exception(QStringLiteral("mine")));
    EXPECT_EQ(handled, u"mine");
    EXPECT_EQ(dialogs.boxes.size(), 5u);
}

TEST_F(AppFrameTest, MessageHooksReachTheFramesEvents) {
    int sent = 0;
    const auto probe = static_cast<QEvent::Type>(QEvent::User + 23);
    frame->OnSendMessage = [&](tagMSG& m) {
        if (m.Message == probe)
            ++sent;
    };
    QObject target;
    QEvent event(probe);
    QCoreApplication::sendEvent(&target, &event);
    EXPECT_EQ(sent, 1);
    const int before = SendMessageHookList().Count();
    frame.reset();
    EXPECT_EQ(SendMessageHookList().Count(), before - 1);
}

TEST_F(AppFrameTest, ContentIsFoundBesideTheProgramAndInTheContentFolder) {
    QTemporaryDir dir;
    const QString exeDir = dir.path() + QStringLiteral("/bin");
    const QString cd = dir.path() + QStringLiteral("/cd");
    MakeContent(exeDir, {"Data/Figure/Figure.dat"}, false);
    MakeContent(cd, {"DATA/ILLUST/ILLUST.DAT", "Data/Frame/b.frm", "Data/Frame/a.frm", "Data/Frame/.c.frm",
                     "Data/Frame/0 folder/x"});
    frame->Macro().SetValue(QStringLiteral("ExeDir"), exeDir + QLatin1Char('/'));
    frame->SetCDPath(cd);

    // Beside the program no key file is needed.
    EXPECT_EQ(frame->FindSourceFile(QStringLiteral("Data\\Figure\\Figure.dat"), QString()),
              exeDir + QStringLiteral("/Data/Figure/Figure.dat"));
    // Names are matched without regard to case.
    EXPECT_EQ(frame->FindSourceFile(QStringLiteral("Data\\Illust\\Illust.dat"), QString()),
              cd + QStringLiteral("/DATA/ILLUST/ILLUST.DAT"));
    // A mask gives the first plain file, never a folder or a hidden file.
    EXPECT_EQ(frame->FindSourceFile(QStringLiteral("Data\\Frame\\*.*"), QString()),
              cd + QStringLiteral("/Data/Frame/a.frm"));
    EXPECT_EQ(frame->FindSourceFile(QStringLiteral("Data\\Frame\\*.png"), QString()), u"");

    // A content folder without the key file is no content folder.
    QFile::remove(cd + QStringLiteral("/QUORLANE.EXE"));
    EXPECT_EQ(frame->FindSourceFile(QStringLiteral("Data\\Illust\\Illust.dat"), QString()), u"");
}

TEST_F(AppFrameTest, AMultiDiscSetIsSearchedThroughItsSiblings) {
    QTemporaryDir dir;
    MakeContent(dir.path() + QStringLiteral("/disk1"), {});
    MakeContent(dir.path() + QStringLiteral("/disk2"), {"Data/Back/Back.dat"}, false);
    MakeContent(dir.path() + QStringLiteral("/Disk3"), {"Data/Back/Back.dat"});
    frame->SetCDPath(dir.path() + QStringLiteral("/disk1/"));
    EXPECT_EQ(frame->FindSourceFile(QStringLiteral("Data\\Back\\Back.dat"), QString()),
              dir.path() + QStringLiteral("/Disk3/Data/Back/Back.dat"));
    // Siblings count only next to a folder named disk...
    frame->SetCDPath(dir.path() + QStringLiteral("/disk2"));
    EXPECT_EQ(frame->FindSourceFile(QStringLiteral("Data\\Back\\Back.dat"), QString()), u"");
}

TEST_F(AppFrameTest, TheInstalledSourceFoldersAndTheVolumesAreSearchedLast) {
    QTemporaryDir dir;
    const QString classes = QStringLiteral("Software\\Classes\\Quorlane.Application\\srcDir");
    MakeContent(dir.path() + QStringLiteral("/src0"), {});
    MakeContent(dir.path() + QStringLiteral("/src1"), {"Data/Shade/Shade.dat"});
    SettingsStore::WriteString(classes, QStringLiteral("@"), dir.path() + QStringLiteral("/nothing"));
    SettingsStore::WriteString(classes, QStringLiteral("srcDir0"), dir.path() + QStringLiteral("/src0"));
    SettingsStore::WriteString(classes, QStringLiteral("srcDir1"), dir.path() + QStringLiteral("/src1"));
    EXPECT_EQ(frame->FindSourceFile(QStringLiteral("Data\\Shade\\Shade.dat"), QString()),
              dir.path() + QStringLiteral("/src1/Data/Shade/Shade.dat"));
    EXPECT_EQ(frame->SourceFolder(), dir.path() + QStringLiteral("/src1"));

    // Mounted volumes stand in for drive letters; the one that holds the file becomes the source.
    SettingsStore::DeleteKey(QStringLiteral("Software\\Classes\\Quorlane.Application"));
    MakeContent(dir.path() + QStringLiteral("/mnt/a"), {});
    MakeContent(dir.path() + QStringLiteral("/mnt/b"), {"Data/Photo/p.jpg"});
    environment->volumes = {dir.path() + QStringLiteral("/mnt/a"), dir.path() + QStringLiteral("/mnt/b")};
    EXPECT_EQ(frame->FindSourceFile(QStringLiteral("Data\\Photo\\p.jpg"), QString()),
              dir.path() + QStringLiteral("/mnt/b/Data/Photo/p.jpg"));
    EXPECT_EQ(frame->SourceFolder(), dir.path() + QStringLiteral("/mnt/b"));
    // The remembered folder is searched before any scan.
    environment->volumes.clear();
    EXPECT_EQ(frame->FindSourceFile(QStringLiteral("Data\\Photo\\p.jpg"), QString()),
              dir.path() + QStringLiteral("/mnt/b/Data/Photo/p.jpg"));
}

TEST_F(AppFrameTest, TheUserIsAskedForTheDiscOnlyWithADisplayName) {
    QTemporaryDir dir;
    // An empty display name never asks (the fake fails on any unexpected box).
    EXPECT_EQ(frame->FindSourceFile(QStringLiteral("Data\\X.dat"), QString()), u"");

    dialogs.answers = {mrYes, mrCancel};
    EXPECT_EQ(frame->FindSourceFile(QStringLiteral("Data\\X.dat"), QStringLiteral("@")), u"");
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes[0].text,
              u"必要なファイルが見つかりません\r\nQuorlaneのＣＤを正しくセットしてください。");
    EXPECT_EQ(dialogs.boxes[0].buttons, std::vector<TBitBtnKind>({bkYes, bkCancel}));
    EXPECT_EQ(dialogs.boxes[0].defaultIndex, 0);
    EXPECT_EQ(dialogs.boxes[0].cancelIndex, 1);

    // Retrying after the disc went in finds the file.
    int asked = 0;
    frame->OnCDNotFound = [&](const QString& display, bool& retry) {
        EXPECT_EQ(display, u"イラスト");
        EXPECT_TRUE(retry);
        ++asked;
        MakeContent(dir.path(), {"Data/X.dat"});
        frame->SetCDPath(dir.path());
    };
    EXPECT_EQ(frame->FindSourceFile(QStringLiteral("Data\\X.dat"), QStringLiteral("イラスト")),
              dir.path() + QStringLiteral("/Data/X.dat"));
    EXPECT_EQ(asked, 1);
}

TEST_F(AppFrameTest, FormPlacementRoundTripsAndStaysOnScreen) {
    QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    const QRect area = screen->geometry();
    QWidget form;
    form.setObjectName(QStringLiteral("frmMain"));

    // Nothing stored, defaults larger than the screen: a window of the screen's size, centred.
    RestoreFormPlacement(&form, area.width() + 200, area.height() + 100);
    EXPECT_EQ(QRect(form.pos(), form.size()), area);
    RestoreFormPlacement(&form, 400, 300);
    EXPECT_EQ(QRect(form.pos(), form.size()), QRect(area.left() + (area.width() - 400) / 2,
                                                    area.top() + (area.height() - 300) / 2, 400, 300));

    form.move(area.left() + 10, area.top() + 20);
    form.resize(300, 200);
    SaveFormPlacement(&form);
    EXPECT_EQ(SettingsStore::ReadInteger(kKey, QStringLiteral("frmMainLeft"), -1), area.left() + 10);
    EXPECT_EQ(SettingsStore::ReadInteger(kKey, QStringLiteral("frmMainTop"), -1), area.top() + 20);
    EXPECT_EQ(SettingsStore::ReadInteger(kKey, QStringLiteral("frmMainWidth"), -1), 300);
    EXPECT_EQ(SettingsStore::ReadInteger(kKey, QStringLiteral("frmMainHeight"), -1), 200);
    QWidget again;
    again.setObjectName(QStringLiteral("frmMain"));
    RestoreFormPlacement(&again, 800, 600);
    EXPECT_EQ(QRect(again.pos(), again.size()), QRect(area.left() + 10, area.top() + 20, 300, 200));

    // A placement stored for a screen that is no longer there comes back onto this one.
    WriteSettingInteger(QStringLiteral("frmMainLeft"), area.right() + 5000);
    WriteSettingInteger(QStringLiteral("frmMainTop"), -3000);
    RestoreFormPlacement(&again, 800, 600);
    const QRect available = screen->availableGeometry();
    EXPECT_TRUE(available.contains(QRect(again.pos(), again.size()))) << again.x() << "," << again.y();
    EXPECT_EQ(again.size(), QSize(300, 200));
}

TEST(FillFirstPlaceholder, ReplacesOnlyTheFirstPlaceholderLiterally) {
    EXPECT_EQ(FillFirstPlaceholder(QStringLiteral("a%sb%s"), QStringLiteral("%s")), u"a%sb%s");
    EXPECT_EQ(FillFirstPlaceholder(QStringLiteral("100%"), QStringLiteral("x")), u"100%");
    EXPECT_EQ(FillFirstPlaceholder(QStringLiteral("%d %s"), QStringLiteral("x")), u"%d x");
}

TEST(AppEnvironment, TheMachineAnswersForItself) {
    TAppEnvironment machine;
    EXPECT_GT(machine.ScreenColorBits(), 8);
    // The test program's data and settings folders are its own and writable.
    EXPECT_TRUE(machine.IsPowerUser());
    EXPECT_TRUE(machine.HasDefaultPrinter());
    const QStringList volumes = machine.Volumes();
    ASSERT_FALSE(volumes.isEmpty());
    EXPECT_EQ(volumes.first(), u"/");
    for (const QString& v : volumes)
        EXPECT_FALSE(v.startsWith(QLatin1String("/proc")) || v.startsWith(QLatin1String("/sys")))
            << v.toStdString();
}

TEST_F(AppFrameTest, MacrosInPublishedTextsAreExpandedThroughOwnersAndReferences) {
    TCaptioned form(nullptr);
    form.caption = QStringLiteral("$(AppName)の設定");
    form.hint = QStringLiteral("$(AppName)"); // not stored: left alone
    form.lines.SetText(QStringLiteral("line $(AppName)\r\nplain"));
    auto* child = new TCaptioned(&form);
    child->caption = QStringLiteral("[$(SysMutexID)]");
    // Two objects that refer to each other are walked once each.
    TCaptioned other(nullptr);
    other.caption = QStringLiteral("$(AppName)!");
    form.buddy = &other;
    other.buddy = &form;

    ExpandComponentMacros(&form);
    EXPECT_EQ(form.caption, u"Quorlaneの設定");
    EXPECT_EQ(form.hint, u"$(AppName)");
    EXPECT_EQ(form.lines.ToQStringList(), QStringList({"line Quorlane", "plain"}));
    EXPECT_EQ(child->caption, u"[Quorlane.1.0.Skarvane.Japan]");
    EXPECT_EQ(other.caption, u"Quorlane!");

    // Without a frame nothing changes.
    child->caption = QStringLiteral("$(AppName)");
    frame.reset();
    ExpandComponentMacros(&form);
    EXPECT_EQ(child->caption, u"$(AppName)");
}

TEST_F(AppFrameTest, MacrosInQtWindowsAreExpandedToo) {
    QWidget window;
    window.setWindowTitle(QStringLiteral("$(AppName) - 設定"));
    auto* label = new QLabel(QStringLiteral("$(AppName)のバージョン $(LongVer)"), &window);
    auto* button = new QPushButton(QStringLiteral("OK"), &window);
    button->setToolTip(QStringLiteral("$(AppName)を閉じる"));
    QAction action(QStringLiteral("$(AppName)について"));
    window.addAction(&action);
    ExpandComponentMacros(&window);
    EXPECT_EQ(window.windowTitle(), u"Quorlane - 設定");
    EXPECT_EQ(label->text(), u"Quorlaneのバージョン 1.0.0.0");
    EXPECT_EQ(button->text(), u"OK");
    EXPECT_EQ(button->toolTip(), u"Quorlaneを閉じる");
    EXPECT_EQ(action.text(), u"Quorlaneについて");
}

TEST_F(AppFrameTest, TheFramesOwnPropertiesArePublished) {
    EXPECT_EQ(GetPropInfo(frame.get(), QStringLiteral("ExecuteCondition"))->GetIdent(frame.get()), u"[]");
    frame->ExecuteCondition = ecNeedHighColor | ecExclusive;
    EXPECT_EQ(GetPropInfo(frame.get(), QStringLiteral("ExecuteCondition"))->GetIdent(frame.get()),
              u"[ecNeedHighColor,ecExclusive]");
    TStringList* lines = GetPropInfo(frame.get(), QStringLiteral("Macro"))->GetStrings(frame.get());
    ASSERT_EQ(lines, &frame->Macro());
}

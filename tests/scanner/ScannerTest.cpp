// The scanner service against SANE's test backend, configured from tests/data/sane only (the
// system configuration lists backends that search the network). Every scan is compared with what
// scanimage writes for the same options.

#include "platform/Scanner.h"
#include "tests/TestSupport.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <algorithm>
#include <chrono>
#include <cstring>
#include <map>
#include <gtest/gtest.h>
#include <thread>

namespace {

const QString kConfigDir = QStringLiteral(QUORLANE_SOURCE_DIR "/tests/data/sane");
const QString kDevice = QStringLiteral("test:0");

class ScannerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        qputenv("SANE_CONFIG_DIR", kConfigDir.toUtf8());
        Scanner::Instance().Load();
    }
    void TearDown() override { Scanner::Instance().CloseDevice().get(); }
};

struct Case {
    const char* what;
    std::vector<std::pair<QString, QString>> options;
};

// The picture scanimage writes for the options: a PNM file read into 0x00RRGGBB pixels.
struct Pnm {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> rgb;
};

Pnm ScanImage(const std::vector<std::pair<QString, QString>>& options) {
    QStringList arguments{QStringLiteral("-d"), kDevice, QStringLiteral("--format=pnm")};
    for (const auto& [name, value] : options) {
        if (name.size() == 1)
            arguments << QStringLiteral("-") + name << value;
        else
            arguments << QStringLiteral("--%1=%2").arg(name, value);
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("SANE_CONFIG_DIR"), kConfigDir);
    // scanimage runs SANE in its own process and meets the hazard our helper keeps from the program:
    // the backend cancels its reader thread asynchronously, and now and then scanimage then waits for
    // ever on a lock the thread held. A checker stuck so is ended and run once more; an answer is
    // never taken from a run that did not finish.
    QProcess process;
    process.setProcessEnvironment(environment);
    for (int run = 0; run < 2; ++run) {
        process.start(QStringLiteral("scanimage"), arguments);
        if (process.waitForFinished(10000))
            break;
        process.kill();
        process.waitForFinished(5000);
    }
    EXPECT_EQ(process.state(), QProcess::NotRunning);
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    const QByteArray out = process.readAllStandardOutput();
    EXPECT_EQ(process.exitCode(), 0) << arguments.join(' ').toStdString() << "\n"
                                     << process.readAllStandardError().toStdString();
    Pnm pnm;
    // "P4|P5|P6\n# comment\nW H\n[max\n]data"
    QList<QByteArray> fields;
    qsizetype pos = 0;
    const int wanted = out.startsWith("P4") ? 3 : 4;
    while (fields.size() < wanted && pos < out.size()) {
        if (out[pos] == '#') {
            pos = out.indexOf('\n', pos) + 1;
            continue;
        }
        if (QByteArrayView(" \t\r\n").contains(out[pos])) {
            ++pos;
            continue;
        }
        const qsizetype start = pos;
        while (pos < out.size() && !QByteArrayView(" \t\r\n").contains(out[pos]))
            ++pos;
        fields << out.mid(start, pos - start);
    }
    ++pos;
    if (fields.size() < wanted)
        return pnm;
    pnm.width = fields[1].toInt();
    pnm.height = fields[2].toInt();
    const bool wide = wanted == 4 && fields[3].toInt() > 255;
    const int samples = fields[0] == "P6" ? 3 : 1;
    // scanimage writes the device's lines as they come, padding (ppl-loss) and all, under a header
    // that gives the pixels per line; the rows are then longer than the width.
    const qsizetype rowSamples =
        pnm.height > 0 ? std::max<qsizetype>(qsizetype(pnm.width) * samples,
                                             (out.size() - pos) / (wide ? 2 : 1) / pnm.height)
                       : 0;
    const auto sample = [&](qsizetype i) { return uint8_t(out[pos + (wide ? 2 * i : i)]); }; // big-endian
    for (int y = 0; y < pnm.height; ++y) {
        for (int x = 0; x < pnm.width; ++x) {
            const qsizetype i = fields[0] == "P6" ? y * rowSamples / 3 + x : y * rowSamples + x;
            if (fields[0] == "P4") {
                const uint8_t byte = uint8_t(out[pos + y * ((pnm.width + 7) / 8) + x / 8]);
                pnm.rgb.push_back(byte & (0x80 >> (x % 8)) ? 0 : 0xFFFFFF);
            } else if (fields[0] == "P5") {
                const uint32_t v = sample(i);
                pnm.rgb.push_back(v << 16 | v << 8 | v);
            } else {
                pnm.rgb.push_back(uint32_t(sample(3 * i)) << 16 | uint32_t(sample(3 * i + 1)) << 8 | sample(3 * i + 2));
            }
        }
    }
    return pnm;
}

} // namespace

// SANE's test backend does not free all it allocates; that is not ours to report.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libsane-test.so\n";
}

TEST_F(ScannerTest, EveryKindOfScanEqualsWhatScanimageWrites) {
    REQUIRE_CHECKER(!QStandardPaths::findExecutable(QStringLiteral("scanimage")).isEmpty(), "scanimage (sane-utils)");
    const std::vector<std::pair<QString, QString>> area = {
        {QStringLiteral("resolution"), QStringLiteral("50")}, {QStringLiteral("l"), QStringLiteral("0")},
        {QStringLiteral("t"), QStringLiteral("0")},           {QStringLiteral("x"), QStringLiteral("25")},
        {QStringLiteral("y"), QStringLiteral("20")},
    };
    const auto mode = [](const char* m, const char* depth) {
        return std::vector<std::pair<QString, QString>>{{QStringLiteral("mode"), QString::fromLatin1(m)},
                                                        {QStringLiteral("depth"), QString::fromLatin1(depth)}};
    };
    const QString pattern = QStringLiteral("Color pattern");
    std::vector<Case> cases = {
        {"colour", mode("Color", "8")},
        {"grey", mode("Gray", "8")},
        {"lineart", mode("Gray", "1")},
        {"grey 16", mode("Gray", "16")},
        {"colour 16", mode("Color", "16")},
        {"three-pass", mode("Color", "8")},
        {"hand scanner", mode("Gray", "8")},
        {"pixels lost", mode("Color", "8")},
    };
    cases[5].options.push_back({QStringLiteral("three-pass"), QStringLiteral("yes")});
    cases[6].options.push_back({QStringLiteral("hand-scanner"), QStringLiteral("yes")});
    cases[7].options.push_back({QStringLiteral("ppl-loss"), QStringLiteral("7")});
    // scanimage names the area -l -t -x -y; SANE names them tl-x tl-y br-x br-y.
    const std::map<QString, QString> saneName = {{QStringLiteral("l"), QStringLiteral("tl-x")},
                                                 {QStringLiteral("t"), QStringLiteral("tl-y")},
                                                 {QStringLiteral("x"), QStringLiteral("br-x")},
                                                 {QStringLiteral("y"), QStringLiteral("br-y")}};
    for (Case& c : cases) {
        c.options.push_back({QStringLiteral("test-picture"), pattern});
        // The backend keeps its option values from one opening to the next; scanimage starts
        // from the configured ones, so ours are set back to them first.
        std::vector<std::pair<QString, QString>> ours = {{QStringLiteral("mode"), QStringLiteral("Color")},
                                                         {QStringLiteral("three-pass"), QStringLiteral("no")},
                                                         {QStringLiteral("hand-scanner"), QStringLiteral("no")},
                                                         {QStringLiteral("ppl-loss"), QStringLiteral("0")}};
        ours.insert(ours.end(), c.options.begin(), c.options.end());
        std::vector<std::pair<QString, QString>> theirs = c.options;
        const bool hand = std::string(c.what) == "hand scanner";
        for (const auto& [name, value] : area) {
            // A hand scanner has no area to choose.
            if (hand && saneName.count(name))
                continue;
            ours.push_back({saneName.count(name) ? saneName.at(name) : name, value});
            theirs.push_back({name, value});
        }
        const Pnm expected = ScanImage(theirs);
        ScanOptions options;
        for (const auto& [name, value] : ours)
            options.values.push_back({name, value == QLatin1String("yes")  ? QStringLiteral("true")
                                            : value == QLatin1String("no") ? QStringLiteral("false")
                                                                           : value});
        const ScanResult result = Scanner::Instance().Scan(kDevice, options).get();
        ASSERT_EQ(result.status, kScanGood) << c.what;
        ASSERT_FALSE(result.pixels.IsNull()) << c.what;
        ASSERT_GT(expected.width, 0) << c.what;
        ASSERT_EQ(result.pixels.Width(), expected.width) << c.what;
        ASSERT_EQ(result.pixels.Height(), expected.height) << c.what;
        int differing = 0;
        for (int y = 0; y < expected.height; ++y)
            for (int x = 0; x < expected.width; ++x)
                differing += result.pixels.PixelRGB(x, y) != expected.rgb[size_t(y) * expected.width + x];
        EXPECT_EQ(differing, 0) << c.what;
    }
}

TEST_F(ScannerTest, FeederJamsAndCancelsEndAsTheDeviceSays) {
    ScanOptions feeder{{{QStringLiteral("source"), QStringLiteral("Automatic Document Feeder")},
                        {QStringLiteral("br-x"), QStringLiteral("10")},
                        {QStringLiteral("br-y"), QStringLiteral("10")}}};
    int pages = 0;
    for (; pages < 20; ++pages) {
        const ScanResult page = Scanner::Instance().Scan(kDevice, feeder).get();
        if (page.status == kScanNoDocs)
            break;
        ASSERT_EQ(page.status, kScanGood);
    }
    EXPECT_EQ(pages, 10);

    ScanOptions jam{{{QStringLiteral("source"), QStringLiteral("Flatbed")},
                     {QStringLiteral("read-return-value"), QStringLiteral("SANE_STATUS_JAMMED")}}};
    const ScanResult jammed = Scanner::Instance().Scan(kDevice, jam).get();
    EXPECT_EQ(jammed.status, kScanJammed);
    EXPECT_TRUE(jammed.pixels.IsNull());
    EXPECT_FALSE(jammed.cancelled);

    // About 1.6 s of delayed transfer.
    ScanOptions slow{{{QStringLiteral("read-return-value"), QStringLiteral("Default")},
                      {QStringLiteral("resolution"), QStringLiteral("200")},
                      {QStringLiteral("br-x"), QStringLiteral("80")},
                      {QStringLiteral("br-y"), QStringLiteral("100")},
                      {QStringLiteral("read-delay"), QStringLiteral("true")},
                      {QStringLiteral("read-delay-duration"), QStringLiteral("200000")}}};
    std::future<ScanResult> running = Scanner::Instance().Scan(kDevice, slow);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    Scanner::Instance().Cancel();
    ASSERT_EQ(running.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    const ScanResult stopped = running.get();
    EXPECT_TRUE(stopped.cancelled);
    EXPECT_TRUE(stopped.pixels.IsNull());
}

namespace {

// A device that follows a script: every frame states header and brings frameBytes (then the end of
// its data), or only empty reads. It gives up with an I/O error after giveUp starts or reads, so a
// reader that would never stop ends the test instead of hanging it.
struct ScriptedSource final : Scanner::Source {
    Scanner::Frame header;
    bool lastFrame = true;
    int frameBytes = 0;
    bool emptyReads = false;
    int giveUp = 100000;
    int starts = 0;
    int reads = 0;
    int left = 0;

    int Start() override {
        left = frameBytes;
        return ++starts > giveUp ? kScanIOError : kScanGood;
    }
    int Parameters(Scanner::Frame& frame, bool& last) override {
        frame = header;
        last = lastFrame;
        return kScanGood;
    }
    int Read(char* buffer, int max, int& got) override {
        got = 0;
        if (++reads > giveUp)
            return kScanIOError;
        if (emptyReads)
            return kScanGood;
        if (left == 0)
            return kScanEof;
        got = std::min(left, max);
        std::memset(buffer, 0x80, size_t(got));
        left -= got;
        return kScanGood;
    }
    bool Cancelled() const override { return false; }
};

} // namespace

TEST(ScannerReadTest, APageBeyondItsBoundsEndsWithTheScannerMessage) {
    // Three passes of 40 x 10 grey samples: each fits, all three do not.
    ScriptedSource passes;
    passes.header = {5, 40, 40, 10, 8, {}}; // SANE_FRAME_RED...
    passes.lastFrame = false;
    passes.frameBytes = 400;
    ScanLimits small;
    small.bytes = 1000;
    ScanResult result = Scanner::ReadPage(passes, small);
    EXPECT_TRUE(result.pixels.IsNull());
    EXPECT_EQ(result.status, kScanNoMem);
    EXPECT_EQ(result.message, QStringLiteral("スキャンする範囲が大きすぎます"));
    // The same with lines unknown: the data itself is counted.
    passes.header.lines = -1;
    passes.starts = passes.reads = 0;
    result = Scanner::ReadPage(passes, small);
    EXPECT_EQ(result.message, QStringLiteral("スキャンする範囲が大きすぎます"));
    EXPECT_LE(passes.starts, 3);

    // A device whose frames never end its page.
    ScriptedSource endless;
    endless.header = {0, 4, 4, 1, 8, {}};
    endless.lastFrame = false;
    endless.frameBytes = 4;
    endless.giveUp = 50;
    result = Scanner::ReadPage(endless);
    EXPECT_TRUE(result.pixels.IsNull());
    EXPECT_EQ(result.message, QStringLiteral("スキャナが1ページに送る画像の数が多すぎます"));
    EXPECT_EQ(endless.starts, kMaxScanFrames);

    // A device that answers every read without data.
    ScriptedSource silent;
    silent.header = {0, 4, 4, 1, 8, {}};
    silent.emptyReads = true;
    result = Scanner::ReadPage(silent);
    EXPECT_TRUE(result.pixels.IsNull());
    EXPECT_EQ(result.status, kScanIOError);
    EXPECT_TRUE(result.message.startsWith(QStringLiteral("スキャナから画像が届きません")));
    EXPECT_EQ(silent.reads, kMaxEmptyScanReads);
}

namespace {

// SANE's test backend beside one that misbehaves (tests/scanner/faulty), with short limits on the
// helper's answers.
class FaultyScannerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        savedLibraryPath = qgetenv("LD_LIBRARY_PATH");
        qputenv("SANE_CONFIG_DIR", QUORLANE_SOURCE_DIR "/tests/data/sane-faulty:" QUORLANE_SOURCE_DIR "/tests/data/sane");
        qputenv("LD_LIBRARY_PATH", QUORLANE_FAULTY_BACKEND_DIR);
        Scanner::Instance().CloseDevice().get();
        Scanner::Instance().SetTimeouts({2000, 1000});
    }
    static void TearDownTestSuite() {
        Scanner::Instance().SetTimeouts({});
        Scanner::Instance().CloseDevice().get();
        qputenv("SANE_CONFIG_DIR", kConfigDir.toUtf8());
        if (savedLibraryPath.isEmpty())
            qunsetenv("LD_LIBRARY_PATH");
        else
            qputenv("LD_LIBRARY_PATH", savedLibraryPath);
    }
    // A small page of the test device: the service still scans.
    static void ScansAGoodPage(const char* after) {
        const ScanResult page = Scanner::Instance()
                                    .Scan(kDevice, ScanOptions{{{QStringLiteral("br-x"), QStringLiteral("10")},
                                                                {QStringLiteral("br-y"), QStringLiteral("10")}}})
                                    .get();
        EXPECT_EQ(page.status, kScanGood) << after;
        EXPECT_FALSE(page.pixels.IsNull()) << after;
    }
    // Scans device, which fails; the seconds it took.
    static double Fails(const char* device, ScanResult& result) {
        const auto start = std::chrono::steady_clock::now();
        result = Scanner::Instance().Scan(QString::fromLatin1(device), {}).get();
        EXPECT_TRUE(result.pixels.IsNull()) << device;
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    static inline QByteArray savedLibraryPath;
};

} // namespace

TEST_F(FaultyScannerTest, ABackendThatCrashesOrNeverAnswersEndsWithItsHelperNotTheProgram) {
    Scanner::Instance().Load();
    std::vector<std::string> names;
    for (const ScanDevice& device : Scanner::Instance().ListDevices(true).get())
        names.push_back(device.name.toStdString());
    EXPECT_EQ(names, (std::vector<std::string>{"test:0", "faulty:crash", "faulty:hang", "faulty:lock",
                                               "faulty:crash-open"}))
        << "the test device first";
    ScanResult result;
    Fails("faulty:crash", result);
    EXPECT_EQ(result.status, kScanIOError);
    EXPECT_FALSE(result.cancelled);
    EXPECT_TRUE(result.message.startsWith(QStringLiteral("スキャナのドライバが異常終了しました。")))
        << result.message.toStdString();
    ScansAGoodPage("a crash");

    // Silent past the answer limit (2 s here).
    EXPECT_LT(Fails("faulty:hang", result), 6);
    EXPECT_EQ(result.status, kScanIOError);
    EXPECT_TRUE(result.message.startsWith(QStringLiteral("スキャナのドライバが応答しません。")))
        << result.message.toStdString();
    ScansAGoodPage("a hang");

    // A device that crashes while it is opened gives no options.
    std::future<ScanDeviceInfo> opening = Scanner::Instance().OpenDevice(QStringLiteral("faulty:crash-open"));
    try {
        opening.get();
        ADD_FAILURE() << "a crash while opening was taken for an answer";
    } catch (const EScannerFailed& e) {
        EXPECT_TRUE(e.Message().startsWith(QStringLiteral("スキャナのドライバが異常終了しました。")));
    }
    EXPECT_EQ(Scanner::Instance().OpenDevice(kDevice).get().status, kScanGood);
}

TEST_F(FaultyScannerTest, ACancelOrAJamThatLeavesALockHeldEndsWithinTheEndLimit) {
    // A cancel the backend never hears: the helper goes once the end limit (1 s here) is over.
    const auto start = std::chrono::steady_clock::now();
    std::future<ScanResult> running = Scanner::Instance().Scan(QStringLiteral("faulty:hang"), {});
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    Scanner::Instance().Cancel();
    ASSERT_EQ(running.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    const ScanResult stopped = running.get();
    EXPECT_TRUE(stopped.cancelled);
    EXPECT_TRUE(stopped.message.isEmpty());
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 1.9);
    ScansAGoodPage("a cancel");

    // A jam whose reader thread ended holding the device's lock: closing the device would wait for
    // ever; the jam is told as the device said, and the next page comes from a new helper.
    ScanResult result;
    EXPECT_LT(Fails("faulty:lock", result), 1.5);
    EXPECT_EQ(result.status, kScanJammed);
    EXPECT_FALSE(result.cancelled);
    EXPECT_TRUE(result.message.isEmpty());
    std::future<void> closed = Scanner::Instance().CloseDevice();
    EXPECT_EQ(closed.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    ScansAGoodPage("a lock left held");
}

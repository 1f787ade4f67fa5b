// Scanning as a user scans, on the main window: the TWAIN page's 取り込み, a source chosen, its
// settings window (mode, resolution, an area dragged on the preview), the page it scans placed into a
// photo frame that keeps it through save and reopen. The scanner is SANE's
// test backend configured from tests/data/sane only (the system configuration searches the network).

#include "app/FAMIllust.h"
#include "app/FAMPhoto.h"
#include "app/FMain.h"
#include "app/dialogs/FMessage.h"
#include "app/dialogs/FTwain.h"
#include "controls/UImagePanel.h"
#include "core/USupportUtil.h"
#include "imaging/UPictureEX.h"
#include "imaging/UTwain.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/engine/UDrawSiteAction.h"
#include "imaging/UImageData.h"
#include "imaging/UPictureUtil.h"
#include "imaging/UTemporaryPicture.h"
#include "pageobjects/layout/ULOImage.h"
#include "pageobjects/layout/ULOAlbumPhoto.h"
#include "platform/Bitmap.h"
#include "platform/Scanner.h"
#include "platform/ScannerWindow.h"
#include "tests/app/AppTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

namespace {

// How long a scripted acquisition may take on a loaded machine before the test stops waiting for it.
constexpr int kScanSeconds = 60;

// A step that cannot be done fails the test, and the acquisition window waiting for it is closed so that
// the click that opened it returns.
void GiveUp(const std::string& why) {
    ADD_FAILURE() << why;
    if (auto* acquisition = qobject_cast<TfrmTwain*>(QApplication::activeModalWidget()))
        acquisition->reject();
}

// Acts on the source's settings window once it is up; the acquisition it belongs to must then end
// within kScanSeconds.
void WhenSourceWindow(const std::function<void(TScannerWindow*)>& act,
                      QDeadlineTimer deadline = QDeadlineTimer(std::chrono::seconds(kScanSeconds))) {
    QTimer::singleShot(20, [act, deadline] {
        TScannerWindow* window = TTwainManager::Instance().SourceWindow();
        if (window == nullptr || !window->isVisible()) {
            if (deadline.hasExpired())
                GiveUp("no settings window within " + std::to_string(kScanSeconds) + " s");
            else
                WhenSourceWindow(act, deadline);
            return;
        }
        QPointer<TfrmTwain> acquisition = qobject_cast<TfrmTwain*>(window->parentWidget());
        act(window);
        if (acquisition != nullptr && acquisition->isVisible())
            QTimer::singleShot(std::chrono::seconds(kScanSeconds), acquisition, [] {
                GiveUp("the acquisition did not end within " + std::to_string(kScanSeconds) + " s");
            });
    });
}

// Waits for the scanner thread's answer; false after kScanSeconds.
template <class T>
bool Answered(const std::future<T>& answer) {
    return answer.wait_for(std::chrono::seconds(kScanSeconds)) == std::future_status::ready;
}

void Choose(QComboBox* box, const QString& text) {
    const int index = box->findText(text);
    ASSERT_GE(index, 0) << text.toStdString();
    box->setCurrentIndex(index);
}

// What the test device does on the next scans (a jam, 1-bit samples, a picture) is set in a SANE
// configuration of the test's own: tests/data/sane's test.conf with these values (by option name).
// The helper started for the next scan reads it; a test's last settings go with the fixture.
void SetDeviceOptions(const std::vector<std::pair<QString, QString>>& values) {
    static QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QFile base(QStringLiteral(QUORLANE_SOURCE_DIR "/tests/data/sane/test.conf"));
    ASSERT_TRUE(base.open(QIODevice::ReadOnly | QIODevice::Text));
    QStringList lines = QString::fromUtf8(base.readAll()).split(u'\n');
    for (const auto& [name, value] : values) {
        const QString key = name == QLatin1String("read-return-value") ? QStringLiteral("read-status-code") : name;
        bool number = false;
        value.toDouble(&number);
        const QString line = key + u' ' + (number ? value : u'"' + value + u'"');
        const auto found = std::find_if(lines.begin(), lines.end(),
                                        [&](const QString& l) { return l.startsWith(key + u' '); });
        ASSERT_NE(found, lines.end()) << key.toStdString();
        *found = line;
    }
    QFile conf(folder.filePath(QStringLiteral("test.conf")));
    QFile dll(folder.filePath(QStringLiteral("dll.conf")));
    ASSERT_TRUE(conf.open(QIODevice::WriteOnly | QIODevice::Truncate) && dll.open(QIODevice::WriteOnly | QIODevice::Truncate));
    conf.write(lines.join(u'\n').toUtf8());
    dll.write("test\n");
    conf.close();
    dll.close();
    qputenv("SANE_CONFIG_DIR", QFile::encodeName(folder.path()));
    ASSERT_TRUE(Answered(Scanner::Instance().CloseDevice())) << "the scanner thread did not end the helper";
}

// The last resort when the scanner thread itself is stuck, which every bounded wait above would wait
// for again while closing the acquisition: the process ends, naming the test, well before the test
// runner's own limit, rather than hanging until it.
class Watchdog {
public:
    explicit Watchdog(std::chrono::seconds limit)
        : thread_([this, limit] {
              std::unique_lock guard(lock_);
              if (!wake_.wait_for(guard, limit, [this] { return done_; })) {
                  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
                  std::fprintf(stderr, "%s did not end within %lld s: a wait on the scanner thread never ended\n",
                               test != nullptr ? test->name() : "a scanner test", (long long)limit.count());
                  std::abort();
              }
          }) {}
    ~Watchdog() {
        {
            std::lock_guard guard(lock_);
            done_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }

private:
    std::mutex lock_;
    std::condition_variable wake_;
    bool done_ = false;
    std::thread thread_;
};

class TwainRoadTest : public AppFixture {
protected:
    static void SetUpTestSuite() { qputenv("SANE_CONFIG_DIR", QUORLANE_SOURCE_DIR "/tests/data/sane"); }
    void TearDown() override {
        PictureSizeLimit = savedLimit;
        qputenv("SANE_CONFIG_DIR", QUORLANE_SOURCE_DIR "/tests/data/sane");
        ASSERT_TRUE(Answered(Scanner::Instance().CloseDevice())) << "the scanner thread did not end the helper";
    }
    void SetUp() override {
        watchdog = std::make_unique<Watchdog>(std::chrono::seconds(4 * kScanSeconds));
        main = StartMainWindow();
        ASSERT_NE(main, nullptr);
        main->resize(1000, 760);
        main->show();
        QApplication::setActiveWindow(main);
        editor = OpenLayoutEditor(main);
        ASSERT_NE(editor, nullptr);
        panel = dynamic_cast<TfrmAMPhoto*>(EditorPanel(editor));
        ASSERT_NE(panel, nullptr);
    }
    // The pixels of a photo's picture; null unless it is a bitmap.
    static QImage Pixels(TLOAlbumPhoto* photo) {
        auto* bitmap = dynamic_cast<TBitmap*>(photo->GetPhotoPicture()->Graphic());
        return bitmap ? bitmap->ImageForPainting().copy() : QImage();
    }
    std::vector<TLOAlbumPhoto*> Photos() const {
        TDOList page;
        EditorSite(editor).ListObjects(page, false);
        std::vector<TLOAlbumPhoto*> found;
        for (TDrawObject* object : page)
            if (auto* photo = dynamic_cast<TLOAlbumPhoto*>(object))
                found.push_back(photo);
        return found;
    }

    std::unique_ptr<Watchdog> watchdog;
    QTemporaryDir folder;
    const int savedLimit = PictureSizeLimit.load();
    TfrmMain* main = nullptr;
    TfrmLayout* editor = nullptr;
    TfrmAMPhoto* panel = nullptr;
};

TEST_F(TwainRoadTest, APhotoFrameKeepsTheScannedPageThroughSaveAndReopen) {
    panel->SetPage(TfrmAMPhoto::pgTwain);
    ASSERT_TRUE(panel->btnTwain->isEnabled());
    // No source chosen: no acquisition window.
    dialogs.scanners = {-1};
    bool windowShown = false;
    WhenModalOf<TfrmTwain>([&](TfrmTwain*) { windowShown = true; }, 5);
    panel->btnTwain->click();
    ASSERT_EQ(dialogs.scannerLists.size(), 1u);
    ASSERT_EQ(dialogs.scannerLists[0].size(), 1);
    EXPECT_TRUE(dialogs.scannerLists[0][0].endsWith(QStringLiteral("(test:0)")));
    EXPECT_FALSE(windowShown);
    EXPECT_TRUE(IsPictureEmpty(&panel->ipTwain->Picture()));

    // The whole bed, 200 x 200 mm (the test backend's geometry), in colour at 75 dpi.
    dialogs.scanners = {0};
    QStringList modes;
    WhenSourceWindow([&](TScannerWindow* window) {
        EXPECT_TRUE(qobject_cast<TfrmTwain*>(window->parentWidget())) << "above the modal window";
        for (int i = 0; i < window->cmbMode->count(); ++i)
            modes << window->cmbMode->itemText(i);
        Choose(window->cmbMode, QStringLiteral("カラー"));
        Choose(window->cmbResolution, QStringLiteral("75 dpi"));
        EXPECT_EQ(window->Bed(), QRectF(0, 0, 200, 200));
        window->btnScan->click();
    });
    panel->btnTwain->click();
    // The test device has no lineart mode: 白黒 is not offered.
    EXPECT_EQ(modes, (QStringList{QStringLiteral("カラー"), QStringLiteral("グレー")}));
    const TPicture& scanned = panel->ipTwain->Picture();
    ASSERT_EQ(scanned.Width(), 590);
    ASSERT_EQ(scanned.Height(), 590);
    EXPECT_FALSE(TTwainManager::Instance().SourceOpen()) << "the source closes after the page";
    EXPECT_EQ(TTwainManager::Instance().SourceWindow(), nullptr);
    EXPECT_TRUE(dialogs.boxes.empty());

    EditorIdle(editor);
    ASSERT_TRUE(panel->btnPasteImage->isEnabled());
    panel->btnPasteImage->click();
    ASSERT_EQ(Photos().size(), 1u);
    EXPECT_EQ(Photos()[0]->ImageSource(), isTwain);
    const QImage taken = Pixels(Photos()[0]);

    const QString path = folder.filePath(QStringLiteral("scanned.qld"));
    dialogs.files = {path};
    main->actSaveAs->trigger();
    main->actNew->trigger();
    ASSERT_TRUE(main->OpenDocument(path));
    editor = HostedEditor(main);
    ASSERT_NE(editor, nullptr);
    ASSERT_EQ(Photos().size(), 1u);
    EXPECT_EQ(Pixels(Photos()[0]), taken);
    EXPECT_EQ(taken.size(), QSize(590, 590));
}

TEST_F(TwainRoadTest, AnAreaDraggedOnThePreviewIsScannedAndTheSettingsStayWithTheDevice) {
    panel->SetPage(TfrmAMPhoto::pgTwain);
    // Grey at 100 dpi, the middle of the bed (50..150 mm both ways) marked on the preview.
    dialogs.scanners = {0};
    QRectF area;
    WhenSourceWindow([&](TScannerWindow* window) {
        Choose(window->cmbMode, QStringLiteral("グレー"));
        Choose(window->cmbResolution, QStringLiteral("100 dpi"));
        EXPECT_FALSE(window->rbArea->isEnabled()) << "nothing marked yet";
        window->btnPreview->click();
        RunLoopUntil([&] { return !window->pnlPreview->Image().isNull(); });
        // The bed at 50 dpi.
        EXPECT_NEAR(window->pnlPreview->Image().width(), 394, 1);
        EXPECT_NEAR(window->pnlPreview->Image().height(), 394, 1);
        const QSize panel = window->pnlPreview->size();
        const double scale = std::min((panel.width() - 2) / 200.0, (panel.height() - 2) / 200.0);
        const QPointF origin((panel.width() - 200 * scale) / 2, (panel.height() - 200 * scale) / 2);
        const QPoint from = (origin + QPointF(50 * scale, 50 * scale)).toPoint();
        const QPoint to = (origin + QPointF(150 * scale, 150 * scale)).toPoint();
        QTest::mousePress(window->pnlPreview, Qt::LeftButton, {}, from);
        QMouseEvent move(QEvent::MouseMove, QPointF(to), window->pnlPreview->mapToGlobal(QPointF(to)), Qt::NoButton,
                         Qt::LeftButton, {});
        QApplication::sendEvent(window->pnlPreview, &move);
        QTest::mouseRelease(window->pnlPreview, Qt::LeftButton, {}, to);
        EXPECT_TRUE(window->rbArea->isChecked());
        area = window->pnlPreview->Area();
        window->btnScan->click();
    });
    panel->btnTwain->click();
    EXPECT_NEAR(area.left(), 50, 2);
    EXPECT_NEAR(area.bottom(), 150, 2);
    // The device rounds the area to its whole millimetres.
    const TPicture& scanned = panel->ipTwain->Picture();
    EXPECT_NEAR(scanned.Width(), area.width() / 25.4 * 100, 5);
    EXPECT_NEAR(scanned.Height(), area.height() / 25.4 * 100, 5);
    auto* bitmap = dynamic_cast<TBitmap*>(scanned.Graphic());
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->PixelFormat(), pf8bit) << "grey";

    // The next time the window shows what was set; 閉じる brings nothing and leaves the page as it was.
    dialogs.scanners = {0};
    WhenSourceWindow([&](TScannerWindow* window) {
        EXPECT_EQ(window->cmbMode->currentText(), QStringLiteral("グレー"));
        EXPECT_EQ(window->cmbResolution->currentText(), QStringLiteral("100 dpi"));
        EXPECT_TRUE(window->rbArea->isChecked());
        EXPECT_NEAR(window->pnlPreview->Area().top(), area.top(), 0.01);
        window->btnClose->click();
    });
    const int width = scanned.Width();
    panel->btnTwain->click();
    EXPECT_EQ(panel->ipTwain->Picture().Width(), width);
    EXPECT_FALSE(TTwainManager::Instance().SourceOpen());

    // 中止 in the acquisition window closes the settings window with it.
    dialogs.scanners = {0};
    WhenSourceWindow([&](TScannerWindow* window) {
        QPointer<TScannerWindow> shown(window);
        auto* acquisition = qobject_cast<TfrmTwain*>(window->parentWidget());
        ASSERT_NE(acquisition, nullptr);
        acquisition->btnCancel->click();
        EXPECT_TRUE(shown.isNull() || !shown->isVisible());
    });
    panel->btnTwain->click();
    EXPECT_EQ(panel->ipTwain->Picture().Width(), width);
    EXPECT_EQ(TTwainManager::Instance().SourceWindow(), nullptr);
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(TwainRoadTest, TheIllustrationPanelsScannerPictureIsPastedOrScannedByTheToolAsOneUndoStep) {
    TriggerEditorAction(editor, "actModeIllust");
    auto* illust = dynamic_cast<TfrmAMIllust*>(EditorPanel(editor));
    ASSERT_NE(illust, nullptr);
    illust->SetPage(TfrmAMIllust::pgTwain);
    auto pictures = [&] {
        TDOList page;
        EditorSite(editor).ListObjects(page, false);
        std::vector<TLOImage*> found;
        for (TDrawObject* object : page)
            if (auto* image = dynamic_cast<TLOImage*>(object))
                found.push_back(image);
        return found;
    };
    // The tool without a page on the TWAIN page scans one; a cancelled selection places nothing.
    dialogs.scanners = {-1};
    TriggerEditorAction(editor, "actTwain");
    EXPECT_TRUE(pictures().empty());
    dialogs.scanners = {0};
    WhenSourceWindow([](TScannerWindow* window) {
        Choose(window->cmbResolution, QStringLiteral("50 dpi"));
        window->rbWholeBed->setChecked(true);
        window->btnScan->click();
    });
    TriggerEditorAction(editor, "actTwain");
    ASSERT_EQ(pictures().size(), 1u);
    EXPECT_EQ(pictures()[0]->ImageSource(), isTwain);
    EXPECT_EQ(pictures()[0]->ImageData()->Picture()->Width(), 393);

    // A page scanned on the TWAIN page goes in with ≪  貼る; one undo step takes it away again.
    dialogs.scanners = {0};
    WhenSourceWindow([](TScannerWindow* window) { window->btnScan->click(); });
    illust->btnTwain->click();
    EditorIdle(editor);
    ASSERT_TRUE(illust->btnPasteImage->isEnabled());
    illust->btnPasteImage->click();
    ASSERT_EQ(pictures().size(), 2u);
    EXPECT_EQ(pictures()[1]->ImageSource(), isTwain);
    EditorUndo(editor);
    EXPECT_EQ(pictures().size(), 1u);

    // With nothing selected, the command scans anew though the page still shows the last scan.
    EditorSite(editor).SelectAll(false);
    EditorIdle(editor);
    const size_t asked = dialogs.scannerLists.size();
    dialogs.scanners = {-1};
    TriggerEditorAction(editor, "actTwain");
    EXPECT_EQ(dialogs.scannerLists.size(), asked + 1) << "a source is chosen again";
    EXPECT_EQ(pictures().size(), 1u);
}

// Scans the whole bed in mode at 50 or 100 dpi through the photo panel's TWAIN page.
void ScanWholeBed(TfrmAMPhoto* panel, FakeDialogService& dialogs, const QString& mode, const QString& dpi) {
    dialogs.scanners = {0};
    WhenSourceWindow([mode, dpi](TScannerWindow* window) {
        Choose(window->cmbMode, mode);
        Choose(window->cmbResolution, dpi);
        window->rbWholeBed->setChecked(true);
        window->btnScan->click();
    });
    panel->btnTwain->click();
}

TEST_F(TwainRoadTest, AJammedPageShowsTheScannerFailureAndBringsNothing) {
    panel->SetPage(TfrmAMPhoto::pgTwain);
    SetDeviceOptions({{QStringLiteral("read-return-value"), QStringLiteral("SANE_STATUS_JAMMED")}});
    dialogs.answers = {mrOk};
    ScanWholeBed(panel, dialogs, QStringLiteral("カラー"), QStringLiteral("50 dpi"));
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_TRUE(dialogs.boxes[0].text.startsWith(QStringLiteral("TWAINでエラーが発生しました。")))
        << dialogs.boxes[0].text.toStdString();
    EXPECT_TRUE(dialogs.boxes[0].text.contains(QStringLiteral("「TWAIN ERROR : 6」")));
    EXPECT_TRUE(IsPictureEmpty(&panel->ipTwain->Picture()));
    EXPECT_FALSE(TTwainManager::Instance().SourceOpen());
    EXPECT_EQ(TTwainManager::Instance().SourceWindow(), nullptr);
    EXPECT_TRUE(QDir(TemporaryPictureFolder()).entryList({QStringLiteral("mtf*")}, QDir::Files).isEmpty());

    // The next page comes as usual.
    SetDeviceOptions({{QStringLiteral("read-return-value"), QStringLiteral("Default")}});
    ScanWholeBed(panel, dialogs, QStringLiteral("カラー"), QStringLiteral("50 dpi"));
    EXPECT_EQ(panel->ipTwain->Picture().Width(), 393);
    EXPECT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_TRUE(QDir(TemporaryPictureFolder()).entryList({QStringLiteral("mtf*")}, QDir::Files).isEmpty());
}

// A scanner driver that crashes or never answers (tests/scanner/faulty, listed after the test device)
// is told in Japanese; the document keeps its page and the next scan comes as usual.
TEST_F(TwainRoadTest, AScannerDriverThatCrashesOrHangsIsToldAndTheDocumentStays) {
    // With short limits on the helper's answers; the test's own scanners until the test ends.
    struct FaultyScanners {
        FaultyScanners() {
            qputenv("SANE_CONFIG_DIR",
                    QUORLANE_SOURCE_DIR "/tests/data/sane-faulty:" QUORLANE_SOURCE_DIR "/tests/data/sane");
            qputenv("LD_LIBRARY_PATH", QUORLANE_FAULTY_BACKEND_DIR);
            Scanner::Instance().CloseDevice().get();
            Scanner::Instance().SetTimeouts({2000, 1000});
        }
        ~FaultyScanners() {
            Scanner::Instance().SetTimeouts({});
            Scanner::Instance().CloseDevice().get();
            qputenv("SANE_CONFIG_DIR", QUORLANE_SOURCE_DIR "/tests/data/sane");
            if (savedLibraryPath.isEmpty())
                qunsetenv("LD_LIBRARY_PATH");
            else
                qputenv("LD_LIBRARY_PATH", savedLibraryPath);
        }
        const QByteArray savedLibraryPath = qgetenv("LD_LIBRARY_PATH");
    } faulty;
    panel->SetPage(TfrmAMPhoto::pgTwain);
    ScanWholeBed(panel, dialogs, QStringLiteral("カラー"), QStringLiteral("50 dpi"));
    EditorIdle(editor);
    panel->btnPasteImage->click();
    ASSERT_EQ(Photos().size(), 1u);
    const QImage placed = Pixels(Photos()[0]);
    ASSERT_FALSE(placed.isNull());

    // faulty:crash, faulty:hang (second and third in the list): each page fails with the reason.
    const QString reasons[] = {QStringLiteral("スキャナのドライバが異常終了しました。"),
                               QStringLiteral("スキャナのドライバが応答しません。")};
    for (int device : {1, 2}) {
        dialogs.scanners = {device};
        dialogs.answers = {mrOk};
        WhenSourceWindow([](TScannerWindow* window) { window->btnScan->click(); });
        panel->btnTwain->click();
        ASSERT_EQ(dialogs.boxes.size(), size_t(device));
        const QString& text = dialogs.boxes.back().text;
        EXPECT_TRUE(text.startsWith(QStringLiteral("TWAINでエラーが発生しました。"))) << text.toStdString();
        EXPECT_TRUE(text.contains(reasons[device - 1])) << text.toStdString();
        EXPECT_FALSE(TTwainManager::Instance().SourceOpen());
        EXPECT_EQ(TTwainManager::Instance().SourceWindow(), nullptr);
    }
    // faulty:crash-open: no settings window, the reason at once.
    dialogs.scanners = {4};
    dialogs.answers = {mrOk};
    panel->btnTwain->click();
    ASSERT_EQ(dialogs.boxes.size(), 3u);
    EXPECT_TRUE(dialogs.boxes.back().text.contains(reasons[0])) << dialogs.boxes.back().text.toStdString();

    ASSERT_EQ(Photos().size(), 1u);
    EXPECT_EQ(Pixels(Photos()[0]), placed);
    ScanWholeBed(panel, dialogs, QStringLiteral("グレー"), QStringLiteral("100 dpi"));
    EXPECT_EQ(panel->ipTwain->Picture().Width(), 787);
    EXPECT_EQ(dialogs.boxes.size(), 3u);
}

TEST_F(TwainRoadTest, PagesAreShrunkOnlyBeyondTheSizeLimitAndLineartIsBlackOnWhite) {
    panel->SetPage(TfrmAMPhoto::pgTwain);
    const auto format = [&] {
        auto* bitmap = dynamic_cast<TBitmap*>(panel->ipTwain->Picture().Graphic());
        return bitmap != nullptr ? bitmap->PixelFormat() : pfDevice;
    };
    const auto pixel = [&](int x, int y) {
        auto* bitmap = dynamic_cast<TBitmap*>(panel->ipTwain->Picture().Graphic());
        return bitmap != nullptr ? uint32_t(bitmap->GetPixel(x, y)) : 0x123456u;
    };
    // 787 x 787 grey under a limit of 800 stays as it came; over a limit of 500 it is shrunk to it.
    PictureSizeLimit = 800;
    ScanWholeBed(panel, dialogs, QStringLiteral("グレー"), QStringLiteral("100 dpi"));
    EXPECT_EQ(panel->ipTwain->Picture().Width(), 787);
    EXPECT_EQ(format(), pf8bit);
    PictureSizeLimit = 500;
    ScanWholeBed(panel, dialogs, QStringLiteral("グレー"), QStringLiteral("100 dpi"));
    EXPECT_EQ(panel->ipTwain->Picture().Width(), 500);
    EXPECT_EQ(panel->ipTwain->Picture().Height(), 500);

    // Lineart (grey of one bit): SANE's 1 is black.
    SetDeviceOptions({{QStringLiteral("depth"), QStringLiteral("1")}});
    ScanWholeBed(panel, dialogs, QStringLiteral("グレー"), QStringLiteral("50 dpi"));
    EXPECT_EQ(format(), pf1bit);
    EXPECT_EQ(pixel(0, 0), 0u);
    EXPECT_EQ(pixel(392, 392), 0u);
    // and is shown so.
    const QImage shown = panel->ipTwain->grab().toImage();
    EXPECT_EQ(shown.pixel(shown.width() / 2, shown.height() / 2) & 0xFFFFFF, 0u);
    SetDeviceOptions({{QStringLiteral("depth"), QStringLiteral("1")}, {QStringLiteral("test-picture"), QStringLiteral("Solid white")}});
    ScanWholeBed(panel, dialogs, QStringLiteral("グレー"), QStringLiteral("50 dpi"));
    EXPECT_EQ(format(), pf1bit);
    EXPECT_EQ(pixel(0, 0), 0xFFFFFFu);
    EXPECT_EQ(pixel(392, 392), 0xFFFFFFu);
    // Shrunk, it stays black on white.
    ScanWholeBed(panel, dialogs, QStringLiteral("グレー"), QStringLiteral("100 dpi"));
    EXPECT_EQ(panel->ipTwain->Picture().Width(), 500);
    EXPECT_EQ(pixel(250, 250), 0xFFFFFFu);
    SetDeviceOptions({{QStringLiteral("depth"), QStringLiteral("1")}, {QStringLiteral("test-picture"), QStringLiteral("Solid black")}});
    ScanWholeBed(panel, dialogs, QStringLiteral("グレー"), QStringLiteral("100 dpi"));
    EXPECT_EQ(pixel(250, 250), 0u);
    EXPECT_TRUE(dialogs.boxes.empty());
}

// All pages: a feeder's until it is empty; a flatbed gives one (it would scan its bed for ever).
TEST_F(TwainRoadTest, AllPagesAreTakenOnlyFromAFeeder) {
    dialogs.scanners = {0};
    ASSERT_TRUE(TTWainSelectDialog().Execute());
    TTwain twain;
    int pages = 0;
    twain.OnTransferFromStream = [&](TStream* stream, bool canceled) {
        pages += stream != nullptr && !canceled;
        // A flatbed taken for a feeder would never end.
        if (pages > 12)
            twain.Cancel();
    };
    const auto scan = [&](const char* source, bool all) {
        pages = 0;
        twain.MultipleTransfer = all;
        QTimer limit;
        limit.setSingleShot(true);
        QObject::connect(&limit, &QTimer::timeout, &twain, [&] {
            ADD_FAILURE() << source << ": the scan did not end within " << kScanSeconds << " s";
            twain.Cancel();
        });
        limit.start(std::chrono::seconds(kScanSeconds));
        twain.Scan(ScanOptions{{{QStringLiteral("source"), QString::fromLatin1(source)},
                                {QStringLiteral("resolution"), QStringLiteral("50")},
                                {QStringLiteral("br-x"), QStringLiteral("10")},
                                {QStringLiteral("br-y"), QStringLiteral("10")}}});
        while (twain.Busy())
            twain.WaitForScan();
        return pages;
    };
    EXPECT_EQ(scan("Flatbed", true), 1);
    EXPECT_EQ(scan("Automatic Document Feeder", false), 1);
    EXPECT_EQ(scan("Automatic Document Feeder", true), 10);
    EXPECT_FALSE(TTwainManager::Instance().SourceOpen());
    EXPECT_TRUE(dialogs.boxes.empty());
}

} // namespace

// The program's own dialog service chooses the scanner in a list: arrows and Enter choose, and the
// label's key leads to the list.
TEST(AppScannerChoiceTest, TheProgramsServiceOffersTheScannersInAList) {
    bool shown = false;
    WhenModal([&](QWidget* window) {
        auto* list = window->findChild<QListWidget*>(QStringLiteral("lbSources"));
        auto* label = window->findChild<QLabel*>();
        ASSERT_TRUE(list && label);
        shown = true;
        EXPECT_EQ(label->buddy(), list);
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(window, Qt::Key_Return);
    });
    TAppDialogService service;
    int index = -1;
    EXPECT_TRUE(service.SelectScanner({QStringLiteral("A (a:0)"), QStringLiteral("B (b:0)")}, index));
    EXPECT_TRUE(shown);
    EXPECT_EQ(index, 1);
}

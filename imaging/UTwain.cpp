#include "imaging/UTwain.h"

#include "core/UAppFrame.h"
#include "imaging/UTemporaryPicture.h"
#include "platform/Application.h"
#include "platform/DialogService.h"
#include "platform/Dib.h"
#include "platform/ScannerWindow.h"
#include "platform/Stream.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QTemporaryFile>
#include <QTimer>
#include <chrono>

namespace {

// How often a running call is looked at: short enough that a page shows at once.
constexpr int kPollMs = 20;
// The identity's texts hold 33 characters and the terminating zero.
constexpr int kIdentityText = 33;

template <class T>
bool Ready(const std::future<T>& f) {
    return f.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

// Waits for f with the event loop running (windows repaint; the user's input waits).
template <class T>
void AwaitReady(const std::future<T>& f) {
    if (Ready(f))
        return;
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (Ready(f))
            loop.quit();
    });
    poll.start(kPollMs);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

// The scanner service's answer, awaited as above; a helper that failed is a failure of the scanner
// like any other.
template <class T>
T Collect(std::future<T>& f) {
    AwaitReady(f);
    try {
        return f.get();
    } catch (const EScannerMissing&) {
        throw ETwain(TwainMissingMessage());
    } catch (const EScannerFailed& e) {
        throw ETwain(e.Message());
    }
}

// A feeder scans page after page until it is empty; a flatbed would scan its bed for ever.
bool FromFeeder(const ScanOptions& options) {
    for (const auto& [name, value] : options.values)
        if (name == QLatin1String("source"))
            return value.contains(QLatin1String("ADF"), Qt::CaseInsensitive) ||
                   value.contains(QLatin1String("Feeder"), Qt::CaseInsensitive);
    return false;
}

// The setting that keeps a device's window settings (device names hold any character).
QString SettingsName(const QString& device) {
    return QStringLiteral("Scanner.") + QString::fromLatin1(device.toUtf8().toHex());
}

} // namespace

QString TwainMissingMessage() {
    return QStringLiteral("TWAINドライバが見つかりません");
}

QString NoScannerMessage() {
    return QStringLiteral("スキャナが見つかりません。\r\nスキャナの電源と接続、SANEの設定\r\n"
                          "（dll.conf のバックエンド）を確かめてください。");
}

QString TwainErrorMessage(int status) {
    return QStringLiteral("TWAIN ERROR : %1").arg(status);
}

// ---- TTwainManager

TTwainManager& TTwainManager::Instance() {
    static TTwainManager manager;
    return manager;
}

TTwainManager::TTwainManager() = default;

TTwainManager::~TTwainManager() = default;

TScannerWindow* TTwainManager::SourceWindow() const {
    return window_.data();
}

void TTwainManager::SetSourceIdentity(const ScanDevice& device) {
    if (device.name != source_.name)
        CloseSource();
    source_ = device;
}

void TTwainManager::SetProductName(const QString& name) {
    if (!AppIdentity.ProductName.isEmpty())
        throw ETwain(QStringLiteral("Product Name is already setting."));
    const QString cut = name.left(kIdentityText);
    AppIdentity.Info = cut;
    AppIdentity.ProductFamily = cut;
    AppIdentity.ProductName = cut;
}

void TTwainManager::Load() {
    if (AppIdentity.ProductName.isEmpty())
        SetProductName(TApplication::Title());
    try {
        Scanner::Instance().Load();
    } catch (const EScannerMissing&) {
        throw ETwain(TwainMissingMessage());
    }
}

bool TTwainManager::SelectSource() {
    CloseSource();
    Load();
    // Network backends take seconds to answer.
    std::future<std::vector<ScanDevice>> listing = Scanner::Instance().ListDevices(false);
    const std::vector<ScanDevice> devices = Collect(listing);
    // An empty choice would end as a silent cancel: the user is told where to look instead.
    if (devices.empty())
        throw ETwain(NoScannerMessage());
    QStringList names;
    int index = -1;
    for (const ScanDevice& device : devices) {
        if (device.name == source_.name)
            index = int(names.size());
        names << QStringLiteral("%1 %2 (%3)").arg(device.vendor, device.model, device.name);
    }
    if (!DialogService::Instance().SelectScanner(names, index) || index < 0 || index >= int(devices.size()))
        return false;
    source_ = devices[size_t(index)];
    return true;
}

void TTwainManager::OpenSource() {
    if (sourceOpen_)
        return;
    Load();
    if (source_.name.isEmpty())
        throw ETwain(TwainErrorMessage(kScanInvalid));
    std::future<ScanDeviceInfo> opening = Scanner::Instance().OpenDevice(source_.name);
    const ScanDeviceInfo info = Collect(opening);
    status_ = info.status;
    if (info.status != kScanGood)
        throw ETwain(TwainErrorMessage(info.status));
    deviceInfo_ = info;
    sourceOpen_ = true;
}

void TTwainManager::CloseSource() {
    if (closing_)
        return;
    closing_ = true;
    // A scan in progress ends as a cancel for its client.
    if (client_ != nullptr && client_->Busy()) {
        client_->Cancel();
        client_->WaitForScan();
    }
    DisableSource();
    if (sourceOpen_) {
        std::future<void> closed = Scanner::Instance().CloseDevice();
        AwaitReady(closed);
        closed.get();
        sourceOpen_ = false;
    }
    closing_ = false;
}

void TTwainManager::EnableSource() {
    OpenSource();
    sourceEnabled_ = true;
    if (window_ != nullptr)
        return;
    // Parented to the modal window so that window does not block it.
    QWidget* parent = QApplication::activeModalWidget();
    if (parent == nullptr)
        parent = QApplication::activeWindow();
    const QString title = QStringLiteral("%1 %2").arg(source_.vendor, source_.model).trimmed();
    window_ = new TScannerWindow(source_.name, title.isEmpty() ? source_.name : title, deviceInfo_,
                                 TScanSettings::FromString(ReadSettingString(SettingsName(source_.name), {})),
                                 parent);
    window_->OnScan = [this](const ScanOptions& options) {
        if (client_ != nullptr)
            TApplication::Guard(nullptr, [&] { client_->Scan(options); });
    };
    window_->OnClose = [this] { CloseSource(); };
    window_->show();
    window_->raise();
}

void TTwainManager::SaveSettings() {
    if (window_ == nullptr)
        return;
    // Settings that cannot be written are lost, not the scan.
    TApplication::Guard(nullptr, [&] {
        WriteSettingString(SettingsName(source_.name), window_->Settings().ToString());
    });
}

void TTwainManager::DisableSource() {
    if (!sourceEnabled_)
        return;
    sourceEnabled_ = false;
    if (window_ != nullptr) {
        SaveSettings();
        TScannerWindow* window = window_;
        window_ = nullptr;
        window->OnClose = nullptr;
        window->OnScan = nullptr;
        window->hide();
        window->deleteLater();
    }
    if (client_ != nullptr && client_->OnDisableSource)
        client_->OnDisableSource();
}

// ---- TTwain

TTwain::TTwain(QObject* owner) : QObject(owner), timer_(new QTimer(this)) {
    timer_->setInterval(kPollMs);
    connect(timer_, &QTimer::timeout, this, [this] { Poll(); });
}

TTwain::~TTwain() {
    TTwainManager& manager = TTwainManager::Instance();
    if (manager.client_ != this) {
        if (pending_.valid()) {
            Scanner::Instance().Cancel();
            pending_.wait();
        }
        return;
    }
    // The owner is going: it hears nothing more.
    OnTransferFromStream = nullptr;
    OnDisableSource = nullptr;
    manager.CloseSource();
    manager.client_ = nullptr;
}

void TTwain::Acquire() {
    TTwainManager& manager = TTwainManager::Instance();
    manager.Load();
    manager.client_ = this;
    manager.EnableSource();
}

void TTwain::Scan(const ScanOptions& options) {
    if (Busy())
        return;
    options_ = options;
    cancelled_ = false;
    pages_ = 0;
    StartPage();
}

void TTwain::StartPage() {
    TTwainManager& manager = TTwainManager::Instance();
    manager.OpenSource();
    pending_ = Scanner::Instance().Scan(manager.source_.name, options_);
    timer_->start();
    if (manager.window_ != nullptr)
        manager.window_->SetBusy(true);
}

void TTwain::Cancel() {
    cancelled_ = true;
    if (Busy())
        Scanner::Instance().Cancel();
}

void TTwain::WaitForScan() {
    if (!Busy())
        return;
    timer_->stop();
    AwaitReady(pending_);
    Handle(pending_.get());
}

void TTwain::Poll() {
    if (!Busy() || !Ready(pending_))
        return;
    timer_->stop();
    Handle(pending_.get());
}

void TTwain::Handle(ScanResult result) {
    TTwainManager& manager = TTwainManager::Instance();
    manager.status_ = result.status;
    if (manager.window_ != nullptr)
        manager.window_->SetBusy(false);
    // A failed or cancelled scan closed the device.
    if (result.pixels.IsNull() && result.status != kScanNoDocs)
        manager.sourceOpen_ = false;
    if (result.cancelled || cancelled_) {
        if (OnTransferFromStream)
            OnTransferFromStream(nullptr, true);
        Finish({});
        return;
    }
    if (result.status == kScanNoDocs) {
        // An empty feeder ends a batch; before the first page it is the scan's failure.
        Finish(pages_ > 0 ? QString() : TwainErrorMessage(result.status));
        return;
    }
    if (result.status != kScanGood || result.pixels.IsNull()) {
        Finish(result.message.isEmpty() ? TwainErrorMessage(result.status) : result.message);
        return;
    }
    try {
        Deliver(result.pixels);
    } catch (const Exception& e) {
        Finish(e.Message());
        return;
    }
    ++pages_;
    if (MultipleTransfer && !cancelled_ && FromFeeder(options_)) {
        // This runs from the poll timer: a source that cannot be opened again ends the batch here.
        try {
            StartPage();
        } catch (const Exception& e) {
            Finish(e.Message());
        }
        return;
    }
    // The feeder's remaining pages are not taken; the device closes with them.
    if (manager.sourceOpen_) {
        std::future<void> ended = Scanner::Instance().EndPages();
        AwaitReady(ended);
        ended.get();
        manager.sourceOpen_ = false;
    }
    Finish({});
}

void TTwain::Deliver(const PixelBuffer& pixels) {
    // The page goes through a private file as a bitmap file; the file goes whatever happens.
    QTemporaryFile file(QDir(TemporaryPictureFolder()).filePath(QStringLiteral("mtfXXXXXX")));
    if (!file.open())
        throw ETwain(TwainErrorMessage(kScanIOError));
    const QByteArray bytes = EncodeBitmapFile(pixels);
    if (file.write(bytes) != bytes.size() || !file.flush())
        throw ETwain(TwainErrorMessage(kScanIOError));
    TFileStream stream(file.fileName(), fmOpenRead);
    if (OnTransferFromStream)
        OnTransferFromStream(&stream, false);
}

void TTwain::Finish(const QString& failure) {
    TTwainManager& manager = TTwainManager::Instance();
    if (!failure.isEmpty()) {
        // Nothing more comes: the source closes, and the failure is shown as any other of the scanner.
        manager.CloseSource();
        TApplication::HandleException(nullptr, ETwain(failure));
        return;
    }
    if (AutoClose)
        manager.CloseSource();
}

// ---- TTWainSelectDialog

bool TTWainSelectDialog::Execute() {
    return TTwainManager::Instance().SelectSource();
}

#pragma once
// Acquisition from scanners in the shape the rest of the system knows: one manager per process holds
// the chosen source and the state of the connection, a TTwain component runs an acquisition and hands
// every page to its owner as a bitmap file stream. Underneath is the platform's SANE service: its
// thread makes every call; the manager collects the results on the UI thread with the event loop
// running, so windows stay responsive while a network backend lists devices or a page comes in.

#include "platform/Exception.h"
#include "platform/Scanner.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <functional>
#include <future>

class QTimer;
class TScannerWindow;
class TStream;

QUORLANE_EXCEPTION(ETwain, Exception)

// "TWAINドライバが見つかりません".
QString TwainMissingMessage();
// No device answers: what to check.
QString NoScannerMessage();
// "TWAIN ERROR : <status>".
QString TwainErrorMessage(int status);

// Who the application is, in the record the acquisition interface keeps for it.
struct TTwainIdentity {
    uint32_t Id = 0;
    uint16_t MajorNum = 1;
    uint16_t MinorNum = 0;
    uint16_t Language = 2;
    uint16_t Country = 81;
    QString Info;
    uint16_t ProtocolMajor = 1;
    uint16_t ProtocolMinor = 6;
    uint32_t SupportedGroups = 3;
    QString Manufacturer = QStringLiteral("Skarvane");
    QString ProductFamily;
    QString ProductName;
};

class TTwain;

class TTwainManager {
public:
    static TTwainManager& Instance();
    TTwainManager(const TTwainManager&) = delete;
    TTwainManager& operator=(const TTwainManager&) = delete;

    TTwainIdentity AppIdentity;
    // The chosen source (its SANE device); an empty name until one was chosen.
    const ScanDevice& SourceIdentity() const { return source_; }
    void SetSourceIdentity(const ScanDevice& device);
    bool SourceOpen() const { return sourceOpen_; }
    bool SourceEnabled() const { return sourceEnabled_; }
    // The last SANE status of a call to the source.
    int Status() const { return status_; }
    // The client acquiring now; null when none.
    TTwain* Client() const { return client_; }
    // The source's settings window ("スキャナの設定") while the source is enabled.
    TScannerWindow* SourceWindow() const;

    // Starts the scanner service on first use; ETwain "TWAINドライバが見つかりません" when it is missing.
    // The application's title becomes the identity's product name the first time.
    void Load();
    // ETwain "Product Name is already setting." when a name is there already.
    void SetProductName(const QString& name);

    // Closes any open source, lists the devices off the UI thread and lets the user choose one through
    // the dialog service. True when one was chosen; ETwain NoScannerMessage() when there is none.
    bool SelectSource();
    // Opens the chosen source unless it is open; ETwain "TWAIN ERROR : %d" when it cannot be opened.
    void OpenSource();
    // Disables an enabled source, stops a scan in progress (a cancel for the client) and closes it.
    void CloseSource();
    // Shows the source's settings window, parented to the active window (opening the source first),
    // with the settings last used with the device; its スキャン scans for the client.
    void EnableSource();
    // Closes the settings window (keeping its settings for the device) and tells the client
    // (OnDisableSource). The user closing the window comes here.
    void DisableSource();

private:
    friend class TTwain;
    TTwainManager();
    ~TTwainManager();
    void SaveSettings();

    ScanDevice source_;
    bool sourceOpen_ = false;
    bool sourceEnabled_ = false;
    int status_ = kScanGood;
    TTwain* client_ = nullptr;
    ScanDeviceInfo deviceInfo_;
    QPointer<TScannerWindow> window_;
    // Set while CloseSource runs: what it sets off (a cancelled scan's end) does not close again.
    bool closing_ = false;
};

class TTwain : public QObject {
    Q_OBJECT

public:
    // A page as a bitmap file stream (null and canceled True when the user cancelled).
    using TTransferFromStream = std::function<void(TStream* stream, bool canceled)>;

    explicit TTwain(QObject* owner = nullptr);
    ~TTwain() override;

    TTransferFromStream OnTransferFromStream;
    std::function<void()> OnDisableSource;
    // All pages of a feeder; otherwise the first only.
    bool MultipleTransfer = false;
    // The source closes after the pages came; otherwise its window stays for the next scan.
    bool AutoClose = true;

    // Makes this the manager's client and enables the source (its settings window).
    void Acquire();
    // Scans with options (what the settings window asks); pages come through OnTransferFromStream.
    void Scan(const ScanOptions& options);
    // Stops the scan in progress; whatever it ends with is a cancel.
    void Cancel();
    bool Busy() const { return pending_.valid(); }
    // Waits (the event loop running) until the scan in progress has ended and was handled.
    void WaitForScan();

private:
    void StartPage();
    void Poll();
    void Handle(ScanResult result);
    void Deliver(const PixelBuffer& pixels);
    void Finish(const QString& failure);

    ScanOptions options_;
    std::future<ScanResult> pending_;
    QTimer* timer_;
    bool cancelled_ = false;
    // Pages delivered by this scan.
    int pages_ = 0;
};

// The source selection of the manager.
class TTWainSelectDialog {
public:
    // True when a source was chosen.
    bool Execute();
};

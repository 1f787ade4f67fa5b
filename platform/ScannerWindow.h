#pragma once
// "スキャナの設定": stands in for the scanner's own settings window, which SANE devices do not have.
// Mode (カラー, グレー, 白黒), resolution, the source (flatbed or feeder) and the area, the whole bed
// or a rectangle dragged on a 50-dpi preview, over the options the open device offers. スキャン hands
// the options to the owner; 閉じる (or the window's close button) tells it the user is done.
//
// The window is not modal and is parented to the active (modal) window, so that window does not block
// it. The preview scans on the scanner service's thread; the event loop runs meanwhile.

#include "platform/Scanner.h"

#include <QImage>
#include <QRectF>
#include <QWidget>
#include <functional>
#include <future>

class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QTimer;
class TScanPreview;

// What the user set for one device, kept from one acquisition to the next.
struct TScanSettings {
    QString mode;       // the device's value ("Color", "Gray", "Lineart")
    QString resolution; // dots per inch
    QString source;     // the device's value; empty without a choice
    bool wholeBed = true;
    QRectF area; // millimetres on the bed, when not the whole bed

    QString ToString() const;
    // Settings written by ToString; defaults for anything else.
    static TScanSettings FromString(const QString& text);
};

class TScannerWindow : public QWidget {
    Q_OBJECT

public:
    // device is the SANE name; info describes its options as it was opened.
    TScannerWindow(const QString& device, const QString& title, const ScanDeviceInfo& info,
                   const TScanSettings& settings, QWidget* parent);
    ~TScannerWindow() override;

    QComboBox* cmbMode;
    QComboBox* cmbResolution;
    QComboBox* cmbSource;
    QRadioButton* rbWholeBed;
    QRadioButton* rbArea;
    TScanPreview* pnlPreview;
    QPushButton* btnPreview;
    QPushButton* btnScan;
    QPushButton* btnClose;
    QLabel* lblState;

    // The options of a scan with the settings shown.
    ScanOptions Options() const;
    TScanSettings Settings() const;
    // Whether the bed's geometry is known (an area can be chosen).
    bool HasBed() const { return !bed_.isEmpty(); }
    const QRectF& Bed() const { return bed_; }
    // While a page comes in nothing can be started.
    void SetBusy(bool busy);
    bool PreviewRunning() const { return preview_.valid(); }

    std::function<void(const ScanOptions&)> OnScan;
    std::function<void()> OnClose;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void StartPreview();
    void PollPreview();
    void UpdateEnabled();

    QString device_;
    QRectF bed_;
    std::future<ScanResult> preview_;
    QTimer* previewPoll_;
    bool busy_ = false;
};

// The preview: the bed's picture scaled into the panel, a dragged rectangle marking the area.
class TScanPreview : public QWidget {
    Q_OBJECT

public:
    explicit TScanPreview(QWidget* parent);
    void SetBed(const QRectF& bed) { bed_ = bed; }
    void SetImage(const QImage& image);
    const QImage& Image() const { return image_; }
    // The area in millimetres; empty when none is marked.
    QRectF Area() const { return area_; }
    void SetArea(const QRectF& area);
    std::function<void()> OnAreaChanged;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // Where the bed is drawn in the panel.
    QRectF BedOnScreen() const;
    QPointF ToBed(const QPointF& point) const;

    QRectF bed_;
    QImage image_;
    QRectF area_;
    QPointF anchor_;
    bool dragging_ = false;
};

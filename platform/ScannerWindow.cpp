#include "platform/ScannerWindow.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <chrono>
#include <cmath>

namespace {

constexpr int kPollMs = 20;
constexpr int kPreviewDpi = 50;
constexpr double kMmPerInch = 25.4;
// Resolutions offered from a range.
constexpr int kCommonDpi[] = {50, 75, 100, 150, 200, 300, 400, 600, 1200, 2400, 4800};
constexpr int kDefaultDpi = 150;

// The window's words for the SANE modes it knows (other devices' spellings included).
QString ModeCaption(const QString& value) {
    const QString v = value.toLower();
    if (v.contains(QLatin1String("col")))
        return QStringLiteral("カラー");
    if (v.contains(QLatin1String("gr")))
        return QStringLiteral("グレー");
    if (v.contains(QLatin1String("lineart")) || v.contains(QLatin1String("binary")) ||
        v.contains(QLatin1String("black")))
        return QStringLiteral("白黒");
    return {};
}

QString Number(double value) {
    return QString::number(value, 'g', 10);
}

void SelectData(QComboBox* box, const QString& value) {
    const int index = box->findData(value);
    if (index >= 0)
        box->setCurrentIndex(index);
}

} // namespace

// ---- settings

QString TScanSettings::ToString() const {
    QStringList parts{mode, resolution, source, wholeBed ? QStringLiteral("1") : QStringLiteral("0"),
                      Number(area.left()), Number(area.top()), Number(area.right()), Number(area.bottom())};
    for (QString& part : parts)
        part.replace(u'|', u' ');
    return parts.join(u'|');
}

TScanSettings TScanSettings::FromString(const QString& text) {
    TScanSettings settings;
    const QStringList parts = text.split(u'|');
    if (parts.size() != 8)
        return settings;
    settings.mode = parts[0];
    settings.resolution = parts[1];
    settings.source = parts[2];
    settings.wholeBed = parts[3] != QLatin1String("0");
    double v[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        v[i] = parts[4 + i].toDouble(&ok);
        if (!ok || !std::isfinite(v[i]))
            return settings;
    }
    settings.area = QRectF(QPointF(v[0], v[1]), QPointF(v[2], v[3])).normalized();
    return settings;
}

// ---- the window

TScannerWindow::TScannerWindow(const QString& device, const QString& title, const ScanDeviceInfo& info,
                               const TScanSettings& settings, QWidget* parent)
    : QWidget(parent, Qt::Dialog), device_(device), previewPoll_(new QTimer(this)) {
    setObjectName(QStringLiteral("frmScanner"));
    setWindowTitle(QStringLiteral("スキャナの設定"));
    setAttribute(Qt::WA_DeleteOnClose, false);

    cmbMode = new QComboBox(this);
    cmbMode->setObjectName(QStringLiteral("cmbMode"));
    if (const ScanOptionInfo* mode = info.Find(QStringLiteral("mode")); mode && mode->active) {
        // One entry per caption, in the window's order.
        for (const QString& caption : {QStringLiteral("カラー"), QStringLiteral("グレー"), QStringLiteral("白黒")})
            for (const QString& value : mode->choices)
                if (ModeCaption(value) == caption) {
                    cmbMode->addItem(caption, value);
                    break;
                }
    }
    cmbMode->setEnabled(cmbMode->count() > 0);

    cmbResolution = new QComboBox(this);
    cmbResolution->setObjectName(QStringLiteral("cmbResolution"));
    if (const ScanOptionInfo* dpi = info.Find(QStringLiteral("resolution")); dpi && dpi->active) {
        std::vector<double> values = dpi->values;
        if (values.empty() && dpi->range) {
            for (int common : kCommonDpi)
                if (common >= dpi->min && common <= dpi->max)
                    values.push_back(common);
            if (values.empty())
                values.push_back(dpi->min);
        }
        for (double value : values)
            if (value > 0)
                cmbResolution->addItem(QStringLiteral("%1 dpi").arg(Number(value)), Number(value));
    }
    cmbResolution->setEnabled(cmbResolution->count() > 0);

    cmbSource = new QComboBox(this);
    cmbSource->setObjectName(QStringLiteral("cmbSource"));
    if (const ScanOptionInfo* source = info.Find(QStringLiteral("source")); source && source->active)
        for (const QString& value : source->choices)
            cmbSource->addItem(value, value);
    cmbSource->setEnabled(cmbSource->count() > 1);

    const ScanOptionInfo* left = info.Find(QStringLiteral("tl-x"));
    const ScanOptionInfo* top = info.Find(QStringLiteral("tl-y"));
    const ScanOptionInfo* right = info.Find(QStringLiteral("br-x"));
    const ScanOptionInfo* bottom = info.Find(QStringLiteral("br-y"));
    if (left && top && right && bottom && left->range && top->range && right->range && bottom->range &&
        right->max > left->min && bottom->max > top->min)
        bed_ = QRectF(QPointF(left->min, top->min), QPointF(right->max, bottom->max));

    rbWholeBed = new QRadioButton(QStringLiteral("原稿台全体(&W)"), this);
    rbWholeBed->setObjectName(QStringLiteral("rbWholeBed"));
    rbArea = new QRadioButton(QStringLiteral("指定範囲(&A)"), this);
    rbArea->setObjectName(QStringLiteral("rbArea"));
    rbWholeBed->setChecked(true);
    pnlPreview = new TScanPreview(this);
    pnlPreview->setObjectName(QStringLiteral("pnlPreview"));
    pnlPreview->SetBed(bed_);
    btnPreview = new QPushButton(QStringLiteral("プレビュー(&P)"), this);
    btnPreview->setObjectName(QStringLiteral("btnPreview"));
    btnScan = new QPushButton(QStringLiteral("スキャン"), this);
    btnScan->setObjectName(QStringLiteral("btnScan"));
    btnScan->setDefault(true);
    btnClose = new QPushButton(QStringLiteral("閉じる"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    lblState = new QLabel(this);
    lblState->setObjectName(QStringLiteral("lblState"));

    auto* form = new QFormLayout;
    auto* name = new QLabel(title, this);
    name->setObjectName(QStringLiteral("lblDevice"));
    form->addRow(QStringLiteral("スキャナ:"), name);
    form->addRow(QStringLiteral("モード(&M):"), cmbMode);
    form->addRow(QStringLiteral("解像度(&R):"), cmbResolution);
    form->addRow(QStringLiteral("原稿(&S):"), cmbSource);
    auto* area = new QHBoxLayout;
    area->addWidget(rbWholeBed);
    area->addWidget(rbArea);
    form->addRow(QStringLiteral("範囲:"), area);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnPreview);
    buttons->addStretch(1);
    buttons->addWidget(btnScan);
    buttons->addWidget(btnClose);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(pnlPreview, 1);
    layout->addWidget(lblState);
    layout->addLayout(buttons);

    // The user's last settings for this device, where it still offers them.
    SelectData(cmbMode, settings.mode);
    if (cmbResolution->findData(settings.resolution) >= 0)
        SelectData(cmbResolution, settings.resolution);
    else
        SelectData(cmbResolution, QString::number(kDefaultDpi));
    SelectData(cmbSource, settings.source);
    if (HasBed() && !settings.wholeBed && bed_.intersects(settings.area)) {
        pnlPreview->SetArea(settings.area & bed_);
        rbArea->setChecked(true);
    }

    pnlPreview->OnAreaChanged = [this] {
        (pnlPreview->Area().isEmpty() ? rbWholeBed : rbArea)->setChecked(true);
        UpdateEnabled();
    };
    previewPoll_->setInterval(kPollMs);
    connect(previewPoll_, &QTimer::timeout, this, [this] { PollPreview(); });
    connect(btnPreview, &QPushButton::clicked, this, [this] { StartPreview(); });
    connect(btnScan, &QPushButton::clicked, this, [this] {
        if (OnScan && !busy_ && !PreviewRunning())
            OnScan(Options());
    });
    connect(btnClose, &QPushButton::clicked, this, &QWidget::close);
    connect(rbWholeBed, &QRadioButton::toggled, this, [this] { UpdateEnabled(); });
    UpdateEnabled();
    resize(360, 520);
}

TScannerWindow::~TScannerWindow() {
    if (preview_.valid()) {
        Scanner::Instance().Cancel();
        preview_.wait();
    }
}

ScanOptions TScannerWindow::Options() const {
    ScanOptions options;
    auto add = [&options](const char* name, const QString& value) {
        if (!value.isEmpty())
            options.values.emplace_back(QLatin1String(name), value);
    };
    add("preview", QStringLiteral("false"));
    add("mode", cmbMode->currentData().toString());
    add("source", cmbSource->currentData().toString());
    add("resolution", cmbResolution->currentData().toString());
    if (HasBed()) {
        const QRectF area = rbArea->isChecked() && !pnlPreview->Area().isEmpty() ? pnlPreview->Area() : bed_;
        add("tl-x", Number(area.left()));
        add("tl-y", Number(area.top()));
        add("br-x", Number(area.right()));
        add("br-y", Number(area.bottom()));
    }
    return options;
}

TScanSettings TScannerWindow::Settings() const {
    TScanSettings settings;
    settings.mode = cmbMode->currentData().toString();
    settings.resolution = cmbResolution->currentData().toString();
    settings.source = cmbSource->currentData().toString();
    settings.wholeBed = !rbArea->isChecked() || pnlPreview->Area().isEmpty();
    settings.area = pnlPreview->Area();
    return settings;
}

void TScannerWindow::SetBusy(bool busy) {
    busy_ = busy;
    lblState->setText(busy ? QStringLiteral("スキャン中です...") : QString());
    UpdateEnabled();
}

void TScannerWindow::UpdateEnabled() {
    const bool idle = !busy_ && !PreviewRunning();
    btnScan->setEnabled(idle);
    btnPreview->setEnabled(idle && HasBed());
    rbArea->setEnabled(HasBed() && !pnlPreview->Area().isEmpty());
    rbWholeBed->setEnabled(HasBed());
}

void TScannerWindow::closeEvent(QCloseEvent* event) {
    if (preview_.valid()) {
        Scanner::Instance().Cancel();
        preview_.wait();
        previewPoll_->stop();
    }
    event->accept();
    // The owner closes the source; the window goes with it.
    if (OnClose)
        QTimer::singleShot(0, this, [this] {
            if (OnClose)
                OnClose();
        });
}

void TScannerWindow::StartPreview() {
    if (!HasBed() || busy_ || PreviewRunning())
        return;
    ScanOptions options;
    options.values = {{QStringLiteral("preview"), QStringLiteral("true")},
                      {QStringLiteral("mode"), cmbMode->currentData().toString()},
                      {QStringLiteral("source"), cmbSource->currentData().toString()},
                      {QStringLiteral("resolution"), QString::number(kPreviewDpi)},
                      {QStringLiteral("tl-x"), Number(bed_.left())},
                      {QStringLiteral("tl-y"), Number(bed_.top())},
                      {QStringLiteral("br-x"), Number(bed_.right())},
                      {QStringLiteral("br-y"), Number(bed_.bottom())}};
    std::erase_if(options.values, [](const auto& value) { return value.second.isEmpty(); });
    lblState->setText(QStringLiteral("プレビュー中です..."));
    preview_ = Scanner::Instance().Scan(device_, options);
    previewPoll_->start();
    UpdateEnabled();
}

void TScannerWindow::PollPreview() {
    if (!preview_.valid() || preview_.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
        return;
    previewPoll_->stop();
    const ScanResult result = preview_.get();
    if (!result.pixels.IsNull()) {
        pnlPreview->SetImage(result.pixels.ToImage());
        lblState->clear();
    } else {
        lblState->setText(result.cancelled ? QString()
                                           : QStringLiteral("プレビューできません (%1)").arg(result.status));
    }
    UpdateEnabled();
}

// ---- the preview

TScanPreview::TScanPreview(QWidget* parent) : QWidget(parent) {
    setMinimumSize(160, 200);
    setCursor(Qt::CrossCursor);
}

void TScanPreview::SetImage(const QImage& image) {
    image_ = image;
    update();
}

void TScanPreview::SetArea(const QRectF& area) {
    area_ = area.normalized();
    update();
}

QRectF TScanPreview::BedOnScreen() const {
    if (bed_.isEmpty())
        return {};
    const double scale = std::min((width() - 2) / bed_.width(), (height() - 2) / bed_.height());
    const QSizeF size(bed_.width() * scale, bed_.height() * scale);
    return QRectF(QPointF((width() - size.width()) / 2, (height() - size.height()) / 2), size);
}

QPointF TScanPreview::ToBed(const QPointF& point) const {
    const QRectF screen = BedOnScreen();
    const double x = std::clamp((point.x() - screen.left()) / screen.width(), 0.0, 1.0);
    const double y = std::clamp((point.y() - screen.top()) / screen.height(), 0.0, 1.0);
    return {bed_.left() + x * bed_.width(), bed_.top() + y * bed_.height()};
}

void TScanPreview::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    const QRectF screen = BedOnScreen();
    if (screen.isEmpty())
        return;
    painter.fillRect(screen, Qt::white);
    if (!image_.isNull())
        painter.drawImage(screen, image_);
    painter.setPen(Qt::gray);
    painter.drawRect(screen);
    if (!area_.isEmpty()) {
        const double sx = screen.width() / bed_.width();
        const double sy = screen.height() / bed_.height();
        const QRectF marked(screen.left() + (area_.left() - bed_.left()) * sx,
                            screen.top() + (area_.top() - bed_.top()) * sy, area_.width() * sx, area_.height() * sy);
        painter.setPen(QPen(Qt::red, 1, Qt::DashLine));
        painter.drawRect(marked);
    }
}

void TScanPreview::mousePressEvent(QMouseEvent* event) {
    if (bed_.isEmpty() || event->button() != Qt::LeftButton)
        return;
    dragging_ = true;
    anchor_ = ToBed(event->position());
}

void TScanPreview::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_)
        return;
    area_ = QRectF(anchor_, ToBed(event->position())).normalized();
    update();
}

void TScanPreview::mouseReleaseEvent(QMouseEvent* event) {
    if (!dragging_ || event->button() != Qt::LeftButton)
        return;
    dragging_ = false;
    area_ = QRectF(anchor_, ToBed(event->position())).normalized();
    // A click without a drag marks nothing.
    const double minimum = kMmPerInch / kPreviewDpi;
    if (area_.width() < minimum || area_.height() < minimum)
        area_ = QRectF();
    update();
    if (OnAreaChanged)
        OnAreaChanged();
}

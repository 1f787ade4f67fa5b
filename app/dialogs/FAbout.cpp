#include "app/dialogs/FAbout.h"

#include "controls/StaffRoll.h"
#include "controls/UImageEx.h"
#include "core/UAppFrame.h"
#include "core/UAppUtil.h"
#include "core/UGlobalNotify.h"
#include "imaging/UImagePack.h"
#include "platform/Application.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QTimer>
#include <QWindow>

namespace {

constexpr int kWidth = 400;
constexpr int kHeight = 300;
constexpr int kSplashInterval = 3000;
constexpr int kCreditsInterval = 100;
constexpr int kFadeSteps = 25;

} // namespace

QStringList AboutCredits() {
    return {QStringLiteral("Quorlane"),
            QString(),
            QStringLiteral("ラベルとアルバムのデザインと印刷"),
            QString(),
            QStringLiteral("Qt 6, libjpeg, libpng, giflib, zlib, HarfBuzz"),
            QStringLiteral("IPA フォント, Liberation フォント"),
            QString(),
            QStringLiteral("Quorlane の開発者たち")};
}

TfrmAbout::TfrmAbout(QWidget* parent)
    : QDialog(parent, Qt::FramelessWindowHint), packs_(std::make_unique<TComponent>(nullptr)) {
    setObjectName(QStringLiteral("frmAbout"));
    setFixedSize(kWidth, kHeight);
    ImageEx1 = new TImageEx(this);
    ImageEx1->setObjectName(QStringLiteral("ImageEx1"));
    ImageEx1->setGeometry(0, 0, kWidth, kHeight);
    ImageEx1->installEventFilter(this);
    ImageEx1->SetImagePack(CreateResourcePack(packs_.get(), QStringLiteral("mipAbout"), 1));
    QPalette light = palette();
    light.setColor(QPalette::WindowText, Qt::white);
    lblVersion = new QLabel(QStringLiteral("$(LongVer)"), this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblVersion->setGeometry(kWidth - 160, kHeight - 32, 148, 20);
    lblVersion->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblVersion->setPalette(light);
    lblVersion->hide();
    StaffRoll1 = new TStaffRoll(this);
    StaffRoll1->setObjectName(QStringLiteral("StaffRoll1"));
    StaffRoll1->setGeometry(40, 90, kWidth - 80, kHeight - 110);
    StaffRoll1->SetStaffText(AboutCredits());
    // The credits roll in a dark box of the picture's sky colour.
    QPalette credits = light;
    credits.setColor(QPalette::Window, QColor(40, 56, 96));
    StaffRoll1->setPalette(credits);
    StaffRoll1->setAutoFillBackground(true);
    StaffRoll1->SetAlignment(Qt::AlignHCenter);
    StaffRoll1->hide();
    StaffRoll1->installEventFilter(this);
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kSplashInterval);
    connect(Timer1, &QTimer::timeout, this, [this] { TimerTick(); });
    GlobalNotify1 = new TGlobalNotify(nullptr);
    GlobalNotify1->OnIdle = [this](TObject* sender) { Idle(sender); };
    GlobalNotify1->OnActiveFormChange = [this](TObject* sender) { ActiveFormChange(sender); };
    setProperty("OwnPaint", true);
    setAttribute(Qt::WA_DeleteOnClose, false);
}

TfrmAbout::~TfrmAbout() {
    FinishSplash();
    ImageEx1->SetImagePack(nullptr);
    delete GlobalNotify1;
}

void TfrmAbout::SetMode(int mode) {
    if (mode == mode_)
        return;
    mode_ = mode;
    if (mode_ == kModeSplash) {
        // A splash is its own frameless window, kept above the main window that follows it.
        setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint);
        setAttribute(Qt::WA_DeleteOnClose, true);
    }
    Timer1->setInterval(mode_ == kModeCredits ? kCreditsInterval : kSplashInterval);
    if (mode_ != kModeAbout)
        Timer1->start();
}

void TfrmAbout::showEvent(QShowEvent* event) {
    if (mode_ == kModeAbout) {
        lblVersion->setText(ExpandMacros(QStringLiteral("$(LongVer)")));
        lblVersion->show();
    }
    ExpandComponentMacros(static_cast<QObject*>(this));
    QDialog::showEvent(event);
}

void TfrmAbout::RequestClose() {
    if (mode_ != kModeSplash) {
        close();
        return;
    }
    closeWhenIdle_ = true;
}

void TfrmAbout::TimerTick() {
    if (mode_ == kModeSplash) {
        Timer1->stop();
        RequestClose();
        return;
    }
    if (mode_ != kModeCredits)
        return;
    ++fadeStep_;
    if (fadeStep_ <= kFadeSteps) {
        setWindowOpacity(double(fadeStep_) / kFadeSteps);
        return;
    }
    if (!creditsStarted_) {
        creditsStarted_ = true;
        StaffRoll1->show();
    }
    StaffRoll1->Step();
}

void TfrmAbout::Idle(TObject*) {
    if (mode_ != kModeSplash || !closeWhenIdle_)
        return;
    GlobalNotify1->OnIdle = nullptr;
    GlobalNotify1->OnActiveFormChange = nullptr;
    close();
}

void TfrmAbout::ActiveFormChange(TObject*) {
    GuardMainForm();
}

void TfrmAbout::GuardMainForm() {
    if (mode_ != kModeSplash || splashFinished_)
        return;
    QWidget* main = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("frmMain") ||
            w->objectName() == QLatin1String("frmStartupSelect"))
            main = w;
    if (!main)
        return;
    if (guarded_ != main) {
        guarded_ = main;
        main->setEnabled(false);
        if (QWindow* handle = windowHandle(); handle && main->windowHandle())
            handle->setTransientParent(main->windowHandle());
    }
    raise();
}

void TfrmAbout::FinishSplash() {
    if (splashFinished_ || mode_ != kModeSplash)
        return;
    splashFinished_ = true;
    Timer1->stop();
    GlobalNotify1->OnIdle = nullptr;
    GlobalNotify1->OnActiveFormChange = nullptr;
    QWidget* main = guarded_;
    if (!main)
        main = TApplication::MainForm();
    if (!main)
        return;
    main->setEnabled(true);
    if (auto* finished = main->findChild<QAbstractButton*>(QStringLiteral("btnStartupFinished")))
        finished->click();
}

void TfrmAbout::closeEvent(QCloseEvent* event) {
    FinishSplash();
    QDialog::closeEvent(event);
}

void TfrmAbout::mousePressEvent(QMouseEvent* event) {
    RequestClose();
    QDialog::mousePressEvent(event);
}

void TfrmAbout::keyPressEvent(QKeyEvent*) {
    RequestClose();
}

bool TfrmAbout::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress && (watched == ImageEx1 || watched == StaffRoll1)) {
        RequestClose();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

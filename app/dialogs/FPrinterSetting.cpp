#include "app/dialogs/FPrinterSetting.h"

#include "app/dialogs/FCanonPrinterSetting.h"
#include "app/dialogs/FEpsonPrinterSetting.h"
#include "app/dialogs/UFocusRing.h"
#include "core/UAppUtil.h"
#include "imaging/UImagePack.h"
#include "papers/UPaperInfo.h"
#include "papers/printing/UPrinterUtil.h"
#include "papers/printing/UmPaperPrintSetting.h"
#include "papers/printing/UmPrinterConfiguration.h"
#include "papers/printing/UmPrinterForm.h"
#include "platform/DevMode.h"
#include "platform/Application.h"
#include "platform/Printer.h"

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <vector>

namespace {

// The printer and orientation pictures, square.
constexpr int PictureSize = 32;
// Wide enough for the vendor pages and a model name on one or two lines.
constexpr int DialogWidth = 480;

constexpr double kTenthsPerMm = 10.0;
enum TVendorPage { vpCanon, vpEpson, vpOther };

// The working DEVMODE's fields.
TDevModeFields WorkingFields(ImPrinterConfiguration& configuration) {
    return TDevModeFields::Read(configuration.GetDevMode()->GetAnsiDevMode());
}

void WriteWorkingFields(ImPrinterConfiguration& configuration, const TDevModeFields& fields) {
    TIntf<ImDeviceMode> working = configuration.GetDevMode();
    QByteArray bytes = working->GetAnsiDevMode();
    fields.WriteTo(bytes);
    working->SetDevModeA(bytes);
}

// What the "場所:" line shows: the PDF printer writes files; a queue names its device.
QString GetPrinterPort(const QString& name) {
    TPrinter& printer = Printer();
    if (printer.IsPdfPrinter(name))
        return QStringLiteral("PDFファイル");
    try {
        return printer.Capabilities(name).MakeAndModel;
    } catch (const EPrinter&) {
        return {};
    }
}

} // namespace

QString VendorUnavailableText() {
    return QStringLiteral("このプリンタではBrisko印刷設定をご使用になれません。プロパティボタンを押して設定変"
                          "更をしてください。");
}

QString NoQueueText() {
    return QStringLiteral("プリンタが登録されていないため、PDFファイルに印刷します。");
}

QStringList PaperFormLines(ImPrinterForm& forms) {
    QStringList lines = forms.GetNamesText().split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    NameUserSizeForm(forms, lines);
    return lines;
}

void NameUserSizeForm(ImPrinterForm& forms, QStringList& lines) {
    const int user = forms.IndexOfPaperID(DMPAPER_USER);
    if (user >= 0 && user < lines.size()) {
        const TPoint size = forms.GetForm(user)->GetSize();
        lines[user] = QStringLiteral("ユーザー定義(%1 x %2mm)")
                          .arg(QString::number(size.X / kTenthsPerMm, 'g'),
                               QString::number(size.Y / kTenthsPerMm, 'g'));
    }
}

void SetComboItems(QComboBox* combo, const QStringList& lines) {
    QStringList shown;
    for (int i = 0; i < combo->count(); ++i)
        shown << combo->itemText(i);
    // Replaced only when changed: an unchanged list keeps the user's place in it.
    if (shown != lines) {
        combo->clear();
        combo->addItems(lines);
    }
}

bool PaperFillsItsFace(const TPaperInfo* paper) {
    if (!paper || paper->GetFaceCount() != 1)
        return false;
    TFaceInfo face;
    paper->GetFaceInfo(0, face);
    return face.Rect.Width() >= paper->StoredWidth() || face.Rect.Height() >= paper->StoredHeight();
}

QStringList SortedPrinterNames(const QStringList& printers) {
    QStringList names = printers;
    names.sort();
    names.removeDuplicates();
    return names;
}

TfrmPrinterSetting::TfrmPrinterSetting(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmPrinterSetting"));
    setWindowTitle(QStringLiteral("プリンタの設定"));
    setProperty("HelpContext", 5065);
    setMinimumWidth(DialogWidth);

    auto* printerGroup = new QGroupBox(QStringLiteral("プリンタ"), this);
    cmbPrinter = new QComboBox(printerGroup);
    cmbPrinter->setObjectName(QStringLiteral("cmbPrinter"));
    lblPort = new QLabel(printerGroup);
    lblPort->setObjectName(QStringLiteral("lblPort"));
    // A long model name wraps rather than widening the dialog as printers are switched.
    lblPort->setWordWrap(true);
    lblPdfNote = new QLabel(NoQueueText(), printerGroup);
    lblPdfNote->setObjectName(QStringLiteral("lblPdfNote"));
    lblPdfNote->setWordWrap(true);
    btnProperty = new QPushButton(QStringLiteral("プロパティ..."), printerGroup);
    btnProperty->setObjectName(QStringLiteral("btnProperty"));
    btnProperty->setAutoDefault(false);
    imgPrinter = new QLabel(printerGroup);
    imgPrinter->setObjectName(QStringLiteral("imgPrinter"));
    auto* printerLayout = new QGridLayout(printerGroup);
    printerLayout->addWidget(imgPrinter, 0, 0, 2, 1, Qt::AlignTop);
    printerLayout->addWidget(new QLabel(QStringLiteral("プリンタ名:"), printerGroup), 0, 1);
    printerLayout->addWidget(cmbPrinter, 0, 2);
    printerLayout->addWidget(btnProperty, 0, 3);
    printerLayout->addWidget(new QLabel(QStringLiteral("場所:"), printerGroup), 1, 1, Qt::AlignTop);
    printerLayout->addWidget(lblPort, 1, 2, 1, 2);
    printerLayout->addWidget(lblPdfNote, 2, 0, 1, 4);
    printerLayout->setColumnStretch(2, 1);

    auto* paperGroup = new QGroupBox(QStringLiteral("用紙"), this);
    cmbPaper = new QComboBox(paperGroup);
    cmbPaper->setObjectName(QStringLiteral("cmbPaper"));
    auto* orientation = new QGroupBox(QStringLiteral("印刷の向き"), paperGroup);
    rbPortrait = new QRadioButton(QStringLiteral("縦"), orientation);
    rbPortrait->setObjectName(QStringLiteral("rbPortrait"));
    rbLandscape = new QRadioButton(QStringLiteral("横"), orientation);
    rbLandscape->setObjectName(QStringLiteral("rbLandscape"));
    // One picture per orientation, the chosen one shown: a page standing or lying.
    imgPortrait = new QLabel(orientation);
    imgPortrait->setObjectName(QStringLiteral("imgPortrait"));
    imgLandscape = new QLabel(orientation);
    imgLandscape->setObjectName(QStringLiteral("imgLandscape"));
    for (QLabel* picture : {imgPrinter, imgPortrait, imgLandscape}) {
        picture->setFixedSize(PictureSize, PictureSize);
        picture->setAlignment(Qt::AlignCenter);
    }
    // The pictures: the printer, the upright and the turned sheet.
    const std::vector<QIcon> pictures = LoadImageList(QStringLiteral("PRINTERSETTING"));
    if (pictures.size() >= 3) {
        imgPrinter->setPixmap(pictures[0].pixmap(PictureSize, PictureSize));
        imgPortrait->setPixmap(pictures[1].pixmap(PictureSize, PictureSize));
        imgLandscape->setPixmap(pictures[2].pixmap(PictureSize, PictureSize));
    }
    auto* orientationLayout = new QGridLayout(orientation);
    orientationLayout->addWidget(imgPortrait, 0, 0, 2, 1);
    orientationLayout->addWidget(imgLandscape, 0, 0, 2, 1);
    orientationLayout->addWidget(rbPortrait, 0, 1);
    orientationLayout->addWidget(rbLandscape, 1, 1);
    auto* paperLayout = new QVBoxLayout(paperGroup);
    paperLayout->addWidget(cmbPaper);
    paperLayout->addWidget(orientation);

    auto* vendorGroup = new QGroupBox(QStringLiteral("Brisko印刷設定"), this);
    nbVendor = new QStackedWidget(vendorGroup);
    nbVendor->setObjectName(QStringLiteral("nbVendor"));
    frameCanon = new TframeCanonPrinterSetting(nbVendor);
    frameEpson = new TframeEpsonPrinterSetting(nbVendor);
    nbVendor->addWidget(frameCanon);
    nbVendor->addWidget(frameEpson);
    auto* other = new QLabel(VendorUnavailableText(), nbVendor);
    other->setObjectName(QStringLiteral("lblOther"));
    other->setWordWrap(true);
    nbVendor->addWidget(other);
    nbVendor->setCurrentIndex(vpOther);
    (new QVBoxLayout(vendorGroup))->addWidget(nbVendor);

    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(printerGroup);
    layout->addWidget(paperGroup);
    layout->addWidget(vendorGroup);
    layout->addLayout(buttons);

    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(cmbPrinter, &QComboBox::activated, this, [this] { ChangePrinter(); });
    connect(cmbPaper, &QComboBox::currentIndexChanged, this, [this] { ApplyDialogToConfiguration(); });
    for (QRadioButton* radio : {rbPortrait, rbLandscape})
        connect(radio, &QRadioButton::toggled, this, [this](bool on) {
            if (!on)
                return;
            imgPortrait->setVisible(rbPortrait->isChecked());
            imgLandscape->setVisible(rbLandscape->isChecked());
            ApplyDialogToConfiguration();
        });
    connect(btnProperty, &QPushButton::clicked, this, [this] {
        if (configuration_ && configuration_->EditProperties(this)) {
            configuration_->ValidateDevMode();
            RefreshFromConfiguration();
        }
    });

    for (QAction* changed : {frameCanon->actChanged, frameEpson->actChanged})
        connect(changed, &QAction::triggered, this, [this] {
            TApplication::Guard(nullptr, [&] { ApplyDialogToConfiguration(); });
        });
    // Opening the printer list reads it again.
    cmbPrinter->installEventFilter(this);

    TWatchCursor cursor;
    configuration_ = CreatePrinterConfiguration();
    SetFramesConfiguration();
    ListPrinters();
    FillPrinterCombo();
    RefreshFromConfiguration();
    ShowButtonFocus(this);
}

TfrmPrinterSetting::~TfrmPrinterSetting() = default;

void TfrmPrinterSetting::Setup(ImPaperPrintSetting* paperPrintSetting, const TPaperInfo* paper,
                               uint8_t paperSourceFlag, bool fullFace) {
    paperPrintSetting_ = paperPrintSetting;
    paper_ = paper;
    paperSourceFlag_ = paperSourceFlag;
    fullFace_ = fullFace;
    frameCanon->SetFullFace(fullFace);
    frameEpson->SetFullFace(fullFace);
    RefreshFromConfiguration();
}

void TfrmPrinterSetting::SetFramesConfiguration() {
    frameCanon->SetConfiguration(configuration_.get());
    frameEpson->SetConfiguration(configuration_.get());
}

void TfrmPrinterSetting::ListPrinters() {
    printerNames_ = SortedPrinterNames(Printer().Printers());
}

void TfrmPrinterSetting::FillPrinterCombo() {
    const QSignalBlocker block(cmbPrinter);
    cmbPrinter->clear();
    cmbPrinter->addItems(printerNames_);
    SelectCurrentPrinter();
}

void TfrmPrinterSetting::SelectCurrentPrinter() {
    int index = configuration_ ? printerNames_.indexOf(configuration_->GetDeviceName()) : -1;
    if (index < 0)
        index = printerNames_.indexOf(Printer().PrinterName());
    if (index < 0)
        index = 0;
    if (index < cmbPrinter->count())
        cmbPrinter->setCurrentIndex(index);
}

void TfrmPrinterSetting::ShowPrinterNote() {
    // Without a queue the PDF-file printer is the only one, and the user is told why.
    const QStringList& printers = Printer().Printers();
    const bool noQueue = printers.size() == 1 && Printer().IsPdfPrinter(printers.first());
    lblPdfNote->setVisible(noQueue);
}

void TfrmPrinterSetting::ShowPaper() {
    TIntf<ImPrinterForm> forms = configuration_->GetForms();
    SetComboItems(cmbPaper, PaperFormLines(*forms));
    const int index = forms->IndexOfPaperID(WorkingFields(*configuration_).PaperSize);
    if (index >= 0 && index < cmbPaper->count())
        cmbPaper->setCurrentIndex(index);
}

void TfrmPrinterSetting::ShowOrientation() {
    const bool portrait = WorkingFields(*configuration_).Orientation == DMORIENT_PORTRAIT;
    (portrait ? rbPortrait : rbLandscape)->setChecked(true);
    imgPortrait->setVisible(portrait);
    imgLandscape->setVisible(!portrait);
}

void TfrmPrinterSetting::RefreshFromConfiguration() {
    if (!configuration_)
        return;
    updating_ = true;
    try {
        lblPort->setText(GetPrinterPort(cmbPrinter->currentText()));
        ShowPrinterNote();
        ShowPaper();
        ShowOrientation();
        if (frameCanon->IsAvailable()) {
            frameCanon->RefreshControls();
            nbVendor->setCurrentIndex(vpCanon);
        } else if (frameEpson->IsAvailable()) {
            frameEpson->RefreshControls();
            nbVendor->setCurrentIndex(vpEpson);
        } else {
            nbVendor->setCurrentIndex(vpOther);
        }
    } catch (...) {
        updating_ = false;
        throw;
    }
    updating_ = false;
}

void TfrmPrinterSetting::ChangePrinter() {
    TWatchCursor cursor;
    const TDevModeFields before =
        configuration_ ? WorkingFields(*configuration_) : TDevModeFields::Read(DevMode::Empty());
    configuration_ = CreatePrinterConfigurationFor(cmbPrinter->currentText(), QString());
    SetFramesConfiguration();
    if (paperPrintSetting_ && paper_) {
        paperPrintSetting_->ApplyPaperToPrinter(configuration_.get(), *paper_, QString());
        SetVendorPaperSource(*configuration_, paperSourceFlag_ != 0);
    }
    // The copies the user chose go along to a printer that makes copies, held to what it allows.
    TDevModeFields fields = WorkingFields(*configuration_);
    if ((before.Fields & DM_COPIES) && (fields.Fields & DM_COPIES) && before.Copies != fields.Copies) {
        fields.Copies = before.Copies;
        WriteWorkingFields(*configuration_, fields);
        configuration_->ValidateDevMode();
    }
    RefreshFromConfiguration();
}

void TfrmPrinterSetting::ApplyDialogToConfiguration() {
    if (updating_ || !configuration_)
        return;
    TIntf<ImPrinterForm> forms = configuration_->GetForms();
    TDevModeFields fields = WorkingFields(*configuration_);
    const int index = cmbPaper->currentIndex();
    if (index >= 0 && index < forms->GetFormList()->GetCount()) {
        TIntf<ImFormInfo> form = forms->GetForm(index);
        fields.PaperSize = int16_t(form->GetPaperID());
        // A form known only by its size carries it, or the printer would fall back to its own sheet.
        const TPoint size = form->GetSize();
        if (fields.PaperSize == DMPAPER_USER && size.X > 0 && size.Y > 0) {
            fields.PaperWidth = int16_t(size.X);
            fields.PaperLength = int16_t(size.Y);
            fields.Fields |= DM_PAPERSIZE | DM_PAPERWIDTH | DM_PAPERLENGTH;
        }
    }
    fields.Orientation = rbPortrait->isChecked() ? DMORIENT_PORTRAIT : DMORIENT_LANDSCAPE;
    WriteWorkingFields(*configuration_, fields);
    configuration_->ValidateDevMode();
    if (frameCanon->IsAvailable()) {
        TWatchCursor cursor;
        frameCanon->ApplyToConfiguration();
    } else if (frameEpson->IsAvailable()) {
        frameEpson->ApplyToConfiguration();
    }
    RefreshFromConfiguration();
}

void TfrmPrinterSetting::PrintersChanged() {
    RefreshPrinters();
    ListPrinters();
    FillPrinterCombo();
    if (configuration_ && !PrinterExists(configuration_->GetDeviceName(), configuration_->GetPort())) {
        const QSignalBlocker block(cmbPrinter);
        int index = printerNames_.indexOf(Printer().PrinterName());
        cmbPrinter->setCurrentIndex(index >= 0 ? index : 0);
        ChangePrinter();
    }
}

bool TfrmPrinterSetting::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate)
        TApplication::Guard(nullptr, [&] { PrintersChanged(); });
    return QDialog::event(event);
}

bool TfrmPrinterSetting::eventFilter(QObject* watched, QEvent* event) {
    if (watched == cmbPrinter && (event->type() == QEvent::MouseButtonPress ||
                                  (event->type() == QEvent::KeyPress && !cmbPrinter->view()->isVisible())))
        TApplication::Guard(nullptr, [&] { PrintersChanged(); });
    return QDialog::eventFilter(watched, event);
}

void TfrmPrinterSetting::done(int result) {
    if (result == QDialog::Accepted && configuration_) {
        // A printer gone since it was chosen: the printing layer says so and the dialog stays.
        if (!TApplication::Guard(nullptr, [&] { configuration_->ApplyToPrinter(); }))
            return;
    }
    QDialog::done(result);
}

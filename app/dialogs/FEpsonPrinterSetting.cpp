#include "app/dialogs/FEpsonPrinterSetting.h"

#include "papers/printing/UPrinterUtil.h"
#include "papers/printing/UmEpsonEPDI.h"
#include "papers/printing/UmPrinterConfiguration.h"
#include "platform/DevMode.h"
#include "platform/Printer.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

namespace {

TDevModeFields FieldsOf(ImPrinterConfiguration& configuration) {
    return TDevModeFields::Read(configuration.GetDevMode()->GetAnsiDevMode());
}

void SetPaperSource(ImPrinterConfiguration& configuration, int16_t source) {
    TIntf<ImDeviceMode> devMode = configuration.GetDevMode();
    QByteArray bytes = devMode->GetAnsiDevMode();
    TDevModeFields fields = TDevModeFields::Read(bytes);
    fields.Fields |= DM_DEFAULTSOURCE;
    fields.DefaultSource = source;
    fields.WriteTo(bytes);
    devMode->SetDevModeA(bytes);
}

// A scratch configuration of the same printer with the working settings, for questions that change
// them.
TIntf<ImPrinterConfiguration> ScratchCopy(ImPrinterConfiguration& configuration) {
    TIntf<ImPrinterConfiguration> scratch =
        CreatePrinterConfigurationFor(configuration.GetDeviceName(), configuration.GetPort());
    scratch->GetDevMode()->Assign(configuration.GetDevMode().get());
    return scratch;
}

} // namespace

TframeEpsonPrinterSetting::TframeEpsonPrinterSetting(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frameEpson"));
    cmbPaperType = new QComboBox(this);
    cmbPaperType->setObjectName(QStringLiteral("cmbPaperType"));

    pnlQuality = new QWidget(this);
    pnlQuality->setObjectName(QStringLiteral("pnlQuality"));
    tbQuality = new QSlider(Qt::Horizontal, pnlQuality);
    tbQuality->setObjectName(QStringLiteral("tbQuality"));
    tbQuality->setTickPosition(QSlider::TicksAbove);
    tbQuality->setSingleStep(1);
    tbQuality->setPageStep(1);
    tbQuality->setRange(1, 1);
    auto* qualityLayout = new QHBoxLayout(pnlQuality);
    qualityLayout->setContentsMargins(0, 0, 0, 0);
    qualityLayout->addWidget(new QLabel(QStringLiteral("きれい"), pnlQuality));
    qualityLayout->addWidget(tbQuality, 1);
    qualityLayout->addWidget(new QLabel(QStringLiteral("はやい"), pnlQuality));

    pnlCustom = new QWidget(this);
    pnlCustom->setObjectName(QStringLiteral("pnlCustom"));
    lblCustomPaperType = new QLabel(pnlCustom);
    lblCustomPaperType->setObjectName(QStringLiteral("lblCustomPaperType"));
    auto* note = new QLabel(QStringLiteral("詳細設定されています。プロパティボタンを押して設定変更してください。"), pnlCustom);
    note->setWordWrap(true);
    auto* customLayout = new QVBoxLayout(pnlCustom);
    customLayout->setContentsMargins(0, 0, 0, 0);
    customLayout->addWidget(lblCustomPaperType);
    customLayout->addWidget(note);

    lblNoRecommended = new QLabel(QStringLiteral("この用紙種類には選択できる推奨設定がありません"), this);
    lblNoRecommended->setObjectName(QStringLiteral("lblNoRecommended"));
    chkBorderless = new QCheckBox(QStringLiteral("フチなし印刷"), this);
    chkBorderless->setObjectName(QStringLiteral("chkBorderless"));
    actChanged = new QAction(this);
    actChanged->setObjectName(QStringLiteral("actChanged"));

    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("用紙種類:"), this), 0, 0);
    grid->addWidget(cmbPaperType, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("印字品質:"), this), 1, 0, Qt::AlignTop);
    grid->addWidget(pnlQuality, 1, 1);
    grid->addWidget(pnlCustom, 1, 1);
    grid->addWidget(lblNoRecommended, 1, 1);
    grid->addWidget(chkBorderless, 2, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(3, 1);
    pnlCustom->hide();
    lblNoRecommended->hide();

    connect(cmbPaperType, &QComboBox::currentIndexChanged, actChanged, &QAction::trigger);
    connect(chkBorderless, &QCheckBox::toggled, actChanged, &QAction::trigger);
    connect(tbQuality, &QSlider::valueChanged, this, [this](int value) {
        if (value != shown_.QualityLevel)
            actChanged->trigger();
    });
}

TframeEpsonPrinterSetting::~TframeEpsonPrinterSetting() = default;

void TframeEpsonPrinterSetting::SetConfiguration(ImPrinterConfiguration* configuration) {
    configuration_ = TIntf<ImPrinterConfiguration>(configuration);
    extension_ = CreateEpsonEPDI(configuration);
}

bool TframeEpsonPrinterSetting::IsAvailable() {
    return extension_ && extension_->GetCommandLevel(epdmRecommended) >= 1;
}

void TframeEpsonPrinterSetting::SetFullFace(bool value) {
    fullFace_ = value;
    RefreshControls();
}

bool TframeEpsonPrinterSetting::CanBorderless() {
    if (!fullFace_)
        return false;
    // The printer's paper sources under the working sheet include the borderless one.
    QByteArray bytes = configuration_->GetDevMode()->GetAnsiDevMode();
    TDevModeFields fields = TDevModeFields::Read(bytes);
    fields.Fields |= DM_DEFAULTSOURCE;
    fields.DefaultSource = DMBIN_BORDERLESS;
    fields.WriteTo(bytes);
    return Printer().PrintsBorderless(configuration_->GetDeviceName(), bytes);
}

bool TframeEpsonPrinterSetting::PaperTypeAllowsBorderless(int paperType) {
    TIntf<ImPrinterConfiguration> scratch = ScratchCopy(*configuration_);
    TIntf<ImEpsonEPDI> extension = CreateEpsonEPDI(scratch.get());
    extension->SetItem40(DMBIN_BORDERLESS);
    return extension->GetItem60Values().contains(paperType);
}

bool TframeEpsonPrinterSetting::BorderlessKeepsPaperSize() {
    // The scratch copy must both keep the sheet and have kept the borderless source.
    TIntf<ImPrinterConfiguration> scratch = ScratchCopy(*configuration_);
    SetPaperSource(*scratch, DMBIN_BORDERLESS);
    scratch->ValidateDevMode();
    const TDevModeFields fields = FieldsOf(*scratch);
    return fields.DefaultSource == DMBIN_BORDERLESS && fields.PaperSize == FieldsOf(*configuration_).PaperSize;
}

TEpsonSettingState TframeEpsonPrinterSetting::ReadState() {
    TEpsonSettingState state;
    if (!IsAvailable())
        return state;
    const TEpdmRecord item70 = extension_->GetItem70();
    state.PaperTypeValues = extension_->GetItem60Values();
    for (int value : state.PaperTypeValues)
        state.PaperTypeNames += extension_->GetPaperTypeName(value) + QStringLiteral("\r\n");
    state.PaperTypeIndex = IndexOfValue(state.PaperTypeValues, item70.Words[2]);
    state.QualityMax = extension_->ProbeItem70Max();
    state.QualityLevel = item70.Words[0] == 1 ? item70.Words[1] : 0;
    if (CanBorderless()) {
        state.BorderlessVisible = true;
        state.PaperSource = FieldsOf(*configuration_).DefaultSource;
        state.BorderlessEnabled = PaperTypeAllowsBorderless(item70.Words[2]) && BorderlessKeepsPaperSize();
    }
    return state;
}

void TframeEpsonPrinterSetting::RefreshControls() {
    if (!IsAvailable())
        return;
    extension_->Reopen();
    const TEpsonSettingState state = ReadState();
    if (state == shown_)
        return;
    const QSignalBlocker blockList(cmbPaperType);
    const QSignalBlocker blockBar(tbQuality);
    const QSignalBlocker blockBox(chkBorderless);
    QStringList names = state.PaperTypeNames.split(QStringLiteral("\r\n"));
    names.removeLast();
    if (state.PaperTypeNames != shown_.PaperTypeNames || cmbPaperType->count() != names.size()) {
        cmbPaperType->clear();
        cmbPaperType->addItems(names);
    }
    cmbPaperType->setCurrentIndex(state.PaperTypeIndex < cmbPaperType->count() ? state.PaperTypeIndex : -1);
    if (state.QualityMax != shown_.QualityMax || tbQuality->maximum() != std::max(1, state.QualityMax))
        tbQuality->setRange(1, std::max(1, state.QualityMax));
    if (tbQuality->value() != state.QualityLevel)
        tbQuality->setValue(state.QualityLevel);
    const bool custom = state.QualityLevel == 0;
    const bool quality = !custom && tbQuality->maximum() != 1;
    pnlQuality->setVisible(quality);
    pnlCustom->setVisible(custom);
    lblNoRecommended->setVisible(!quality && !custom);
    if (custom)
        lblCustomPaperType->setText(state.PaperTypeIndex >= 0 && state.PaperTypeIndex < names.size()
                                        ? names[state.PaperTypeIndex]
                                        : QString());
    chkBorderless->setVisible(state.BorderlessVisible);
    chkBorderless->setEnabled(state.BorderlessEnabled);
    chkBorderless->setChecked(state.PaperSource == DMBIN_BORDERLESS);
    shown_ = state;
}

void TframeEpsonPrinterSetting::ApplyToConfiguration() {
    if (!IsAvailable())
        return;
    if (CanBorderless()) {
        SetPaperSource(*configuration_, chkBorderless->isChecked() ? DMBIN_BORDERLESS : DMBIN_AUTO);
        configuration_->ValidateDevMode();
    }
    extension_->Reopen();
    TEpdmRecord record = extension_->GetItem70();
    // Custom driver settings are the user's own: only a recommended setting is changed.
    if (record.Words[0] != 1)
        return;
    const int index = cmbPaperType->currentIndex();
    if (index >= 0 && index < shown_.PaperTypeValues.size())
        record.Words[2] = int16_t(shown_.PaperTypeValues[index]);
    record.Words[1] = int16_t(tbQuality->value());
    // A level the new paper type lacks gives way to its finest.
    bool kept = extension_->SetItem70(record);
    if (!kept && record.Words[1] != 1) {
        record.Words[1] = 1;
        kept = extension_->SetItem70(record);
    }
    if (kept)
        extension_->ReadDevMode();
}

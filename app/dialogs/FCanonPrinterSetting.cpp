#include "app/dialogs/FCanonPrinterSetting.h"

#include "papers/printing/UExtDDI.h"
#include "papers/printing/UPrinterUtil.h"
#include "papers/printing/UmPrinterConfiguration.h"
#include "platform/DevMode.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

QStringList Lines(const QString& text) {
    QStringList lines = text.split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

void ShowList(QComboBox* combo, const QString& names, const QString& shownNames, int index) {
    const QSignalBlocker block(combo);
    if (names != shownNames || combo->count() != Lines(names).size()) {
        combo->clear();
        combo->addItems(Lines(names));
    }
    combo->setCurrentIndex(index < combo->count() ? index : -1);
}

int16_t PaperSizeOf(ImPrinterConfiguration& configuration) {
    return TDevModeFields::Read(configuration.GetDevMode()->GetAnsiDevMode()).PaperSize;
}

} // namespace

TframeCanonPrinterSetting::TframeCanonPrinterSetting(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frameCanon"));
    cmbCartridge = new QComboBox(this);
    cmbCartridge->setObjectName(QStringLiteral("cmbCartridge"));
    cmbPaperType = new QComboBox(this);
    cmbPaperType->setObjectName(QStringLiteral("cmbPaperType"));
    cmbQuality = new QComboBox(this);
    cmbQuality->setObjectName(QStringLiteral("cmbQuality"));
    chkBorderless = new QCheckBox(QStringLiteral("フチなし印刷"), this);
    chkBorderless->setObjectName(QStringLiteral("chkBorderless"));
    actChanged = new QAction(this);
    actChanged->setObjectName(QStringLiteral("actChanged"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("カートリッジ:"), cmbCartridge);
    form->addRow(QStringLiteral("用紙種類:"), cmbPaperType);
    form->addRow(QStringLiteral("印字品質:"), cmbQuality);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(chkBorderless);
    layout->addStretch(1);

    for (QComboBox* combo : {cmbCartridge, cmbPaperType, cmbQuality})
        connect(combo, &QComboBox::currentIndexChanged, actChanged, &QAction::trigger);
    connect(chkBorderless, &QCheckBox::toggled, actChanged, &QAction::trigger);
}

TframeCanonPrinterSetting::~TframeCanonPrinterSetting() = default;

void TframeCanonPrinterSetting::SetConfiguration(ImPrinterConfiguration* configuration) {
    configuration_ = TIntf<ImPrinterConfiguration>(configuration);
    extension_ = GetCanonExtDDI(configuration);
}

bool TframeCanonPrinterSetting::IsAvailable() {
    return extension_ && extension_->IsAvailable();
}

void TframeCanonPrinterSetting::SetFullFace(bool value) {
    fullFace_ = value;
    RefreshControls();
}

bool TframeCanonPrinterSetting::CanBorderless() {
    return fullFace_ && extension_->GetItemCount(cdiPaperFeed) >= 1;
}

bool TframeCanonPrinterSetting::PaperTypeAllowsBorderless() {
    return extension_->GetItemValues(cdiBorderlessTypes).contains(extension_->GetItemValue(cdiPaperType));
}

bool TframeCanonPrinterSetting::BorderlessKeepsPaperSize() {
    // Asked of a scratch copy: it must both keep the sheet and have taken borderless printing.
    TIntf<ImPrinterConfiguration> scratch =
        CreatePrinterConfigurationFor(configuration_->GetDeviceName(), configuration_->GetPort());
    scratch->GetDevMode()->Assign(configuration_->GetDevMode().get());
    TIntf<ImCanonExtDDI> extension = GetCanonExtDDI(scratch.get());
    extension->SetItemValue(cdiPaperFeed, 1, true);
    return extension->GetItemValue(cdiPaperFeed) == 1 && PaperSizeOf(*scratch) == PaperSizeOf(*configuration_);
}

QList<int> TframeCanonPrinterSetting::PaperTypeValuesForBorderless() {
    const QList<int> all = extension_->GetItemValues(cdiPaperType);
    if (extension_->GetItemValue(cdiPaperFeed) != 1)
        return all;
    // Borderless: only the types that may go borderless, in the driver's order.
    const QList<int> borderless = extension_->GetItemValues(cdiBorderlessTypes);
    QList<int> offered;
    for (int value : all)
        if (IndexOfValue(borderless, value) >= 0)
            offered.append(value);
    return offered;
}

QString TframeCanonPrinterSetting::PaperTypeNamesForBorderless(const QList<int>& offered) {
    const QList<int> all = extension_->GetItemValues(cdiPaperType);
    const QStringList names = Lines(extension_->GetItemNames(cdiPaperType));
    QString text;
    for (int i = 0; i < int(names.size()); ++i)
        if (i < all.size() && IndexOfValue(offered, all[i]) >= 0)
            text += names[i] + QStringLiteral("\r\n");
    return text;
}

TCanonSettingState TframeCanonPrinterSetting::ReadState() {
    TCanonSettingState state;
    if (!IsAvailable())
        return state;
    state.QualityValues = extension_->GetQualityValues();
    state.CartridgeValues = extension_->GetItemValues(cdiCartridge);
    state.PaperTypeValues = PaperTypeValuesForBorderless();
    state.QualityNames = extension_->GetQualityNames();
    state.CartridgeNames = extension_->GetItemNames(cdiCartridge);
    state.PaperTypeNames = PaperTypeNamesForBorderless(state.PaperTypeValues);
    state.QualityIndex = IndexOfValue(state.QualityValues, extension_->GetItemValue(cdiQuality));
    state.CartridgeIndex = IndexOfValue(state.CartridgeValues, extension_->GetItemValue(cdiCartridge));
    state.PaperTypeIndex = IndexOfValue(state.PaperTypeValues, extension_->GetItemValue(cdiPaperType));
    if (CanBorderless()) {
        state.BorderlessVisible = true;
        state.BorderlessValue = extension_->GetItemValue(cdiPaperFeed);
        state.BorderlessEnabled = PaperTypeAllowsBorderless() && BorderlessKeepsPaperSize();
    }
    return state;
}

void TframeCanonPrinterSetting::RefreshControls() {
    if (!IsAvailable())
        return;
    const TCanonSettingState state = ReadState();
    if (state == shown_)
        return;
    ShowList(cmbCartridge, state.CartridgeNames, shown_.CartridgeNames, state.CartridgeIndex);
    ShowList(cmbPaperType, state.PaperTypeNames, shown_.PaperTypeNames, state.PaperTypeIndex);
    ShowList(cmbQuality, state.QualityNames, shown_.QualityNames, state.QualityIndex);
    {
        const QSignalBlocker block(chkBorderless);
        chkBorderless->setVisible(state.BorderlessVisible);
        chkBorderless->setEnabled(state.BorderlessEnabled);
        chkBorderless->setChecked(state.BorderlessValue != 0);
    }
    shown_ = state;
}

void TframeCanonPrinterSetting::ApplyToConfiguration() {
    if (!IsAvailable())
        return;
    const auto apply = [&](QComboBox* combo, const QList<int>& values, int item) {
        const int index = combo->currentIndex();
        if (index >= 0 && index < values.size())
            extension_->SetItemValue(item, values[index], true);
    };
    apply(cmbCartridge, shown_.CartridgeValues, cdiCartridge);
    apply(cmbPaperType, shown_.PaperTypeValues, cdiPaperType);
    apply(cmbQuality, shown_.QualityValues, cdiQuality);
    if (CanBorderless() && extension_->GetItemCount(cdiPaperFeed) == 2)
        extension_->SetItemValue(cdiPaperFeed, chkBorderless->isChecked() ? 1 : 0, true);
}

#include "papers/printing/UmPrinterConfiguration.h"

#include "platform/DialogService.h"
#include "platform/Printer.h"

#include <algorithm>
#include <cmath>
#include <vector>

TPrinterConfiguration::TPrinterConfiguration(const QString& deviceName, const QString&)
    : devMode_(CreateDeviceMode()), defaultDevMode_(CreateDeviceMode()), deviceName_(deviceName) {
    if (!Printer().Printers().contains(deviceName))
        throw EPrinter(QStringLiteral("プリンタ「%1」が見つかりません。").arg(deviceName));
    ReadDriverDefaultDevMode(*defaultDevMode_);
}

bool TPrinterConfiguration::GetInterface(const TGUID& iid, void** obj) {
    return Offer<ImPrinterConfiguration>(this, iid, obj) || TAutoFreeInterface::GetInterface(iid, obj);
}

void TPrinterConfiguration::ReadDriverDefaultDevMode(ImDeviceMode& devMode) {
    const QByteArray bytes = Printer().DefaultDevMode(deviceName_);
    devMode.SetFromHandle(bytes.size() >= DevMode::AnsiSize ? bytes : QByteArray());
}

TIntf<ImPrinterForm> TPrinterConfiguration::GetForms() {
    if (!forms_)
        forms_ = CreatePrinterForm(deviceName_, port_, devMode_.get());
    return forms_;
}

void TPrinterConfiguration::RevertDevMode() {
    devMode_->Assign(defaultDevMode_.get());
}

bool TPrinterConfiguration::EditProperties(QWidget*) {
    QByteArray bytes = devMode_->GetAnsiDevMode();
    TDevModeFields fields = TDevModeFields::Read(bytes);
    TPageSetupRequest request;
    request.PrinterName = deviceName_;
    request.PageSize = Printer().PageSizeOf(deviceName_, fields);
    request.Orientation = (fields.Fields & DM_ORIENTATION) && fields.Orientation == DMORIENT_LANDSCAPE
                              ? QPageLayout::Landscape
                              : QPageLayout::Portrait;
    request.Copies = (fields.Fields & DM_COPIES) && fields.Copies > 0 ? fields.Copies : 1;
    // The same sheets, in the same order, as the printer set-up lists, each with its own code.
    std::vector<int16_t> codes;
    for (const TPaperForm& form : Printer().Forms(deviceName_, bytes)) {
        if (form.Width <= 0 || form.Height <= 0)
            continue;
        request.Sizes.append(QPageSize(QSizeF(form.Width / 10.0, form.Height / 10.0), QPageSize::Millimeter,
                                       form.Name, QPageSize::FuzzyMatch));
        codes.push_back(form.PaperID);
    }
    if (!DialogService::Instance().PageSetup(request))
        return false;
    const int chosen = PageSetupSizeIndex(request.Sizes, request.PageSize);
    const int windowsId = request.PageSize.windowsId();
    const QSizeF mm = request.PageSize.size(QPageSize::Millimeter);
    fields.PaperSize = chosen >= 0 ? codes[size_t(chosen)] : int16_t(windowsId > 0 ? windowsId : DMPAPER_USER);
    fields.PaperWidth = int16_t(std::lround(mm.width() * 10));
    fields.PaperLength = int16_t(std::lround(mm.height() * 10));
    fields.Orientation =
        request.Orientation == QPageLayout::Landscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    fields.Copies = int16_t(std::clamp(request.Copies, 1, int(INT16_MAX)));
    fields.Fields |= DM_ORIENTATION | DM_PAPERSIZE | DM_PAPERWIDTH | DM_PAPERLENGTH | DM_COPIES;
    fields.WriteTo(bytes);
    devMode_->SetDevModeA(bytes);
    forms_ = nullptr;
    return true;
}

void TPrinterConfiguration::ApplyToPrinter() {
    Printer().SetPrinter(deviceName_, QString(), port_, devMode_->CreateHandle(), devMode_->GetDriverOptions());
}

void TPrinterConfiguration::ValidateDevMode() {
    const QByteArray working = devMode_->GetAnsiDevMode();
    const uint32_t defaultFields = TDevModeFields::Read(defaultDevMode_->GetAnsiDevMode()).Fields;
    const uint32_t mask =
        (defaultFields | DM_PAPERWIDTH | DM_PAPERLENGTH) & TDevModeFields::Read(working).Fields;
    const QByteArray merged = Printer().MergeDevMode(deviceName_, working, mask);
    devMode_->SetDevModeA(merged);
    devMode_->SetDriverOptions(Printer().ValidDriverOptions(deviceName_, merged, devMode_->GetDriverOptions()));
    forms_ = nullptr;
}

bool TPrinterConfiguration::AddForm(const QString& name, const TPoint& size) {
    if (!Printer().AddForm(deviceName_, name, size.X, size.Y))
        return false;
    forms_ = nullptr;
    return true;
}

TIntf<ImPrinterConfiguration> CreatePrinterConfiguration() {
    QString device, driver, port;
    QByteArray devMode;
    TDriverOptions options;
    Printer().GetPrinter(device, driver, port, devMode, options);
    auto* config = new TPrinterConfiguration(device, port);
    TIntf<ImPrinterConfiguration> result(config);
    config->GetDevMode()->SetFromHandle(devMode);
    config->GetDevMode()->SetDriverOptions(options);
    return result;
}

TIntf<ImPrinterConfiguration> CreatePrinterConfigurationFor(const QString& name, const QString& port) {
    auto* config = new TPrinterConfiguration(name, port);
    TIntf<ImPrinterConfiguration> result(config);
    config->ReadDriverDefaultDevMode(*config->GetDevMode());
    return result;
}

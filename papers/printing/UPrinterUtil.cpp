#include "papers/printing/UPrinterUtil.h"

#include "core/UGeometryUtil.h"
#include "core/USupportUtil.h"
#include "papers/printing/UExtDDI.h"
#include "papers/printing/UmDeviceMode.h"
#include "papers/printing/UmEpsonEPDI.h"
#include "papers/printing/UmPrinterConfiguration.h"
#include "platform/Printer.h"

TRect GetPrintableRect(int unitsPerInch) {
    return GetPrintableAreaRect(unitsPerInch);
}

TPoint GetPhysicalPaperSize(int unitsPerInch) {
    const TPrinterGeometry g = Printer().Geometry();
    return TPoint(MulDiv(g.PhysicalWidth, unitsPerInch, g.DpiX),
                  MulDiv(g.PhysicalHeight, unitsPerInch, g.DpiY));
}

void SelectDefaultPrinter() {
    const QString name = Printer().DefaultPrinterName();
    if (PrinterExists(name, QString()))
        Printer().SetPrinter(name, QString(), QString(), QByteArray());
    else
        Printer().SetPrinterIndex(-1);
}

bool TrySelectDefaultPrinter() {
    try {
        SelectDefaultPrinter();
        return true;
    } catch (const Exception&) {
        return false;
    }
}

bool PrinterExists(const QString& name, const QString&) {
    return Printer().Printers().contains(name);
}

bool RefreshPrinters() {
    QString device, driver, port;
    QByteArray handle;
    TDriverOptions options;
    Printer().GetPrinter(device, driver, port, handle, options);
    TIntf<ImDeviceMode> kept = CreateDeviceMode();
    kept->SetFromHandle(handle);
    Printer().Refresh();
    if (PrinterExists(device, port)) {
        Printer().SetPrinter(device, driver, port, kept->CreateHandle(), options);
        return false;
    }
    SelectDefaultPrinter();
    return true;
}

void SetVendorPaperSource(ImPrinterConfiguration& configuration, bool flag) {
    TIntf<ImCanonExtDDI> canon = GetCanonExtDDI(&configuration);
    if (canon->IsAvailable()) {
        if (canon->GetItemCount(cdiPaperFeed) == 2) {
            canon->SetItemValue(cdiPaperFeed, flag ? 1 : 0, true);
            configuration.ValidateDevMode();
        }
        return;
    }
    TIntf<ImEpsonEPDI> epson = CreateEpsonEPDI(&configuration);
    if (!epson->IsOpen() || !epson->GetItem40Values().contains(DMBIN_BORDERLESS))
        return;
    TIntf<ImDeviceMode> working = configuration.GetDevMode();
    QByteArray bytes = working->GetAnsiDevMode();
    TDevModeFields fields = TDevModeFields::Read(bytes);
    fields.Fields |= DM_DEFAULTSOURCE;
    fields.DefaultSource = flag ? DMBIN_BORDERLESS : DMBIN_AUTO;
    fields.WriteTo(bytes);
    working->SetDevModeA(bytes);
    configuration.ValidateDevMode();
}

int IndexOfValue(const QList<int>& values, int value) {
    return int(values.indexOf(value));
}

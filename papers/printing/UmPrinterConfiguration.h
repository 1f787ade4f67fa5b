#pragma once
// One opened printer: its name and port, a working DEVMODE that callers change and the driver's
// default one, and its paper forms. Everything that reads or changes printer settings goes through
// it; ApplyToPrinter makes it the printing framework's current printer.

#include "core/UInterfaces.h"
#include "papers/printing/UmDeviceMode.h"
#include "papers/printing/UmPrinterForm.h"
#include "platform/Rect.h"

#include <QString>

class QWidget;

struct ImPrinterConfiguration : public virtual IUnknownEx {
    static constexpr TGUID IID = GUIDLiteral("{D3F6E8C1-7F40-4A0D-8B53-9EBC2F408D31}");
    virtual QString GetDeviceName() = 0;
    // Always empty: printers are known by name alone.
    virtual QString GetPort() = 0;
    // What the printer was opened as: its name in the print system.
    virtual QString GetHandle() = 0;
    virtual TIntf<ImDeviceMode> GetDevMode() = 0;
    // Read on first use under the working DEVMODE, then kept until the driver may have changed them.
    virtual TIntf<ImPrinterForm> GetForms() = 0;
    virtual void RevertDevMode() = 0;
    // The page set-up (sheet and orientation) through the dialog service; true when accepted.
    virtual bool EditProperties(QWidget* parentWindow) = 0;
    virtual void ApplyToPrinter() = 0;
    // The driver merges the working DEVMODE: only fields it uses by default (and the paper width
    // and length) that the working DEVMODE sets are offered, and it holds them to what it supports.
    virtual void ValidateDevMode() = 0;
    // A form of size (0.1 mm) kept for the rest of the run; false when the printer takes no custom
    // sizes.
    virtual bool AddForm(const QString& name, const TPoint& size) = 0;

protected:
    ~ImPrinterConfiguration() = default;
};

class TPrinterConfiguration : public TAutoFreeInterface, public virtual ImPrinterConfiguration {
public:
    // Raises EPrinter when the printer is not listed.
    TPrinterConfiguration(const QString& deviceName, const QString& port);
    QString GetDeviceName() override { return deviceName_; }
    QString GetPort() override { return port_; }
    QString GetHandle() override { return deviceName_; }
    TIntf<ImDeviceMode> GetDevMode() override { return devMode_; }
    TIntf<ImPrinterForm> GetForms() override;
    void RevertDevMode() override;
    bool EditProperties(QWidget* parentWindow) override;
    void ApplyToPrinter() override;
    void ValidateDevMode() override;
    bool AddForm(const QString& name, const TPoint& size) override;

    // The driver's default DEVMODE into devMode; the empty one when the driver gives none.
    void ReadDriverDefaultDevMode(ImDeviceMode& devMode);

protected:
    bool GetInterface(const TGUID& iid, void** obj) override;

private:
    TIntf<ImDeviceMode> devMode_;
    TIntf<ImDeviceMode> defaultDevMode_;
    QString deviceName_;
    QString port_;
    TIntf<ImPrinterForm> forms_;
};

// The framework's current printer with its current settings.
TIntf<ImPrinterConfiguration> CreatePrinterConfiguration();
// A named printer with its driver's default settings.
TIntf<ImPrinterConfiguration> CreatePrinterConfigurationFor(const QString& name, const QString& port);

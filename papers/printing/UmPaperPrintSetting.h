#pragma once
// Sets a printer up for a paper product: orientation and paper size, through a printer
// configuration's working DEVMODE. The "PrinterSetting" table it is made with maps papers to the
// vendors' paper types; the vendor steps that read it belong to the vendor extensions.

#include "core/UInterfaces.h"
#include "papers/printing/UmPrinterConfiguration.h"

#include <QString>
#include <QStringList>

class TPaperInfo;

struct ImPaperPrintSetting : public virtual IUnknownEx {
    static constexpr TGUID IID = GUIDLiteral("{E4A7F9D1-8051-4B1E-9C64-AFCD3051AE41}");
    // Changes the configuration's working DEVMODE for the paper; the caller applies it.
    virtual void ApplyPaperToPrinter(ImPrinterConfiguration* configuration, const TPaperInfo& paper,
                                     const QString& variant) = 0;

protected:
    ~ImPaperPrintSetting() = default;
};

// Bits of Disabled: the Canon and the Epson steps switched off.
enum : uint8_t { ppsDisableCanon = 1, ppsDisableEpson = 2 };

class TPaperPrintSetting : public TAutoFreeInterface, public virtual ImPaperPrintSetting {
public:
    TPaperPrintSetting(const QStringList& lines, uint8_t disabled) : lines_(lines), disabled_(disabled) {}
    void ApplyPaperToPrinter(ImPrinterConfiguration* configuration, const TPaperInfo& paper,
                             const QString& variant) override;
    // Orientation always; the paper size when a form lies within 2 mm of the sheet, or a form
    // of that size could be added, or the printer takes user sizes.
    void ApplyPaperSize(ImPrinterConfiguration& configuration, const TPaperInfo& paper);

    const QStringList& Lines() const { return lines_; }
    uint8_t Disabled() const { return disabled_; }

protected:
    bool GetInterface(const TGUID& iid, void** obj) override;

private:
    QStringList lines_;
    uint8_t disabled_;
};

TIntf<ImPaperPrintSetting> CreatePaperPrintSetting(const QStringList& lines, uint8_t disabled);

// "A4" for 2100 x 2970 (0.1 mm) and the other standard A and B sizes; empty for any other size.
QString PaperSizeName(const TPoint& size);
// The name of a form added for a sheet: "A4(210 x 297mm)", or "100 x 148mm" for a size without one.
QString PaperFormName(const TPoint& size);

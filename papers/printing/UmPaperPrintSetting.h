#pragma once
// Sets a printer up for a paper product: orientation and paper size through a printer
// configuration's working DEVMODE, and for Canon and Epson printers the driver's paper type (and
// Canon's quality) through their extensions. The "PrinterSetting" table maps paper names to the
// vendors' paper types, per maker, per driver or printer group, with defaults.

#include "core/UInterfaces.h"
#include "platform/IniFile.h"
#include "papers/printing/UmPrinterConfiguration.h"

#include <QList>
#include <QString>
#include <utility>
#include <vector>
#include <QStringList>

class TPaperInfo;

struct ImCanonExtDDI;
struct ImEpsonEPDI;
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
    // A table that cannot be read (past its bounds) is an empty one: paper sizes are still set.
    TPaperPrintSetting(const QStringList& lines, uint8_t disabled);
    void ApplyPaperToPrinter(ImPrinterConfiguration* configuration, const TPaperInfo& paper,
                             const QString& variant) override;
    // Orientation always; the paper size when a form lies within 2 mm of the sheet, or a form
    // of that size could be added, or the printer takes user sizes.
    void ApplyPaperSize(ImPrinterConfiguration& configuration, const TPaperInfo& paper);
    // The Canon steps; false when they did not run (no Canon extension, or switched off).
    bool ApplyCanonSettings(ImPrinterConfiguration& configuration, const TPaperInfo& paper, const QString& variant);
    void ApplyEpsonSettings(ImPrinterConfiguration& configuration, const TPaperInfo& paper, const QString& variant);

    const QStringList& Lines() const { return lines_; }
    uint8_t Disabled() const { return disabled_; }

protected:
    bool GetInterface(const TGUID& iid, void** obj) override;

private:
    // The table's tries in order, as (section prefix, ident): the driver's sections, its group's,
    // the maker's, the maker's default.
    std::vector<std::pair<QString, QString>> PaperSearch(const QString& maker, ImPrinterConfiguration& configuration,
                                                         const QString& paperName, const QString& variant) const;
    // The paper-type names of one section family (prefix + 0 to 9) for ident, up to the first gap.
    QStringList SectionTypeNames(const QString& prefix, const QString& ident) const;
    // The first type of the family the driver lists and takes; false when none.
    bool TryCanonPaperSections(ImCanonExtDDI& extension, const QList<int>& values, const QString& prefix,
                               const QString& ident);
    bool TryEpsonPaperSections(ImEpsonEPDI& extension, const QList<int>& values, const QString& prefix,
                               const QString& ident);
    // The table's paper type (and for Canon the finest quality) set through the extension.
    void ApplyCanonPaperType(ImPrinterConfiguration& configuration, ImCanonExtDDI& extension,
                             const QString& paperName, const QString& variant);
    void ApplyEpsonPaperType(ImPrinterConfiguration& configuration, ImEpsonEPDI& extension,
                             const QString& paperName, const QString& variant);
    // The driver brings its settings up to date; the cartridge stays the user's.
    static void RefreshCanonDevMode(ImCanonExtDDI& extension);

    QStringList lines_;
    uint8_t disabled_;
    IniFile table_;
};

// The driver name the table knows a printer by: its driver's model name; empty without a driver.
QString GetPrinterDriverName(ImPrinterConfiguration& configuration);

TIntf<ImPaperPrintSetting> CreatePaperPrintSetting(const QStringList& lines, uint8_t disabled);

// "A4" for 2100 x 2970 (0.1 mm) and the other standard A and B sizes; empty for any other size.
QString PaperSizeName(const TPoint& size);
// The name of a form added for a sheet: "A4(210 x 297mm)", or "100 x 148mm" for a size without one.
QString PaperFormName(const TPoint& size);

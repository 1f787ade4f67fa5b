#pragma once
// Printer helpers shared by printing, the start-up checks and the windows: the printable area and
// the sheet of the current printer in chosen units, choosing the default printer, and reading the
// printer list again after the print system's printers changed. They work on the printing
// framework's current printer.

#include "platform/Rect.h"

struct ImPrinterConfiguration;

#include <QList>
#include <QString>

// The printable area of the current printer in unitsPerInch, each axis by its own resolution.
TRect GetPrintableRect(int unitsPerInch);
// The whole sheet of the current printer in unitsPerInch.
TPoint GetPhysicalPaperSize(int unitsPerInch);
// Makes the print system's default printer current (else the first queue, else the PDF printer).
void SelectDefaultPrinter();
// SelectDefaultPrinter, answering false instead of raising.
bool TrySelectDefaultPrinter();
// A printer of that name is listed (printers have no ports here).
bool PrinterExists(const QString& name, const QString& port);
// Reads the printer list again keeping the current printer and its settings when it is still
// there; true when it was gone and the default printer was selected.
bool RefreshPrinters();
// Sets the vendor's paper feed of the configuration's working DEVMODE: borderless when flag is
// set, the usual feed otherwise. Canon through its item 21 when that has both entries, else Epson
// through the paper source 259 when the printer offers it; other printers are left as they are.
void SetVendorPaperSource(ImPrinterConfiguration& configuration, bool flag);
// The position of value in values; -1 when it is not there.
int IndexOfValue(const QList<int>& values, int value);

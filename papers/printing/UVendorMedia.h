#pragma once
// The vendors' paper types as the queues' drivers name them. Epson's and Canon's settings speak of
// paper types by number and show them by Japanese name; the drivers here (ESC/P-R and Gutenprint)
// name them by PPD keyword. This table ties the three together: the numbers the paper table uses
// for the same papers, ours from 600 for other papers we know, and 1000 + the type's position in
// the driver for papers we do not.

#include "platform/Printer.h"

#include <QString>
#include <QStringList>

enum class TVendorFamily {
    None,            // no vendor settings: the page "Other"
    Escpr,           // Epson's ESC/P-R driver: paper type and quality in one MediaType
    GutenprintEscp2, // Gutenprint's Epson models
    GutenprintBjc,   // Gutenprint's Canon models
};

struct TVendorMedia {
    TVendorFamily Family;
    const char* Keyword;
    int Number;
    const char* Name;
};

// Unknown paper types are numbered from here by their position among the driver's types.
constexpr int FirstUnknownMediaNumber = 1000;

TVendorFamily VendorFamily(const TPrinterDriver& driver);
// "Epson" or "Canon"; empty for None.
QString VendorMaker(TVendorFamily family);

// A driver's paper types in its order: for ESC/P-R the MediaType choices without their quality
// suffix, else the MediaType choices.
QStringList VendorMediaTypes(const TPrinterDriver& driver, TVendorFamily family);
// The number of the type at position in VendorMediaTypes.
int VendorMediaNumber(TVendorFamily family, const QStringList& types, int position);
// The position of the type with number in types; -1 when none has it.
int IndexOfVendorMedia(TVendorFamily family, const QStringList& types, int number);
// The table's Japanese name of a known type; empty for one it does not know.
QString VendorMediaName(TVendorFamily family, const QString& keyword);

// ESC/P-R's quality suffixes, finest first: a MediaType choice is type + "_" + suffix.
const QStringList& EscprQualitySuffixes();
// Splits an ESC/P-R MediaType choice into its type and quality suffix; false for one without.
bool SplitEscprMedia(const QString& choice, QString& type, QString& suffix);

#include "papers/printing/UmPaperPrintSetting.h"

#include "papers/UPaperInfo.h"
#include "papers/printing/UExtDDI.h"
#include "papers/printing/UPrinterUtil.h"
#include "papers/printing/UmEpsonEPDI.h"
#include "platform/Cp932.h"
#include "platform/DevMode.h"
#include "platform/Printer.h"

namespace {

struct SizeName {
    int width;
    int height;
    const char* name;
};
constexpr SizeName SizeNames[] = {
    {2970, 4200, "A3"}, {2100, 2970, "A4"}, {1480, 2100, "A5"}, {1050, 1480, "A6"},
    {2570, 3640, "B4"}, {1820, 2570, "B5"}, {1280, 1820, "B6"},
};

// "%g" of a length in tenths as millimetres; QString::number does not follow the locale.
QString Millimetres(int tenths) {
    return QString::number(tenths / 10.0, 'g', 6);
}

int FindPaperIDForSize(ImPrinterConfiguration& configuration, const TPoint& size) {
    TIntf<ImPrinterForm> forms = configuration.GetForms();
    const int index = forms->IndexOfNearSize(size);
    return index < 0 ? -1 : forms->GetForm(index)->GetPaperID();
}

} // namespace

QString PaperSizeName(const TPoint& size) {
    for (const SizeName& entry : SizeNames)
        if (entry.width == size.X && entry.height == size.Y)
            return QString::fromLatin1(entry.name);
    return {};
}

QString PaperFormName(const TPoint& size) {
    const QString dimensions = QStringLiteral("%1 x %2mm").arg(Millimetres(size.X), Millimetres(size.Y));
    const QString name = PaperSizeName(size);
    return name.isEmpty() ? dimensions : QStringLiteral("%1(%2)").arg(name, dimensions);
}

bool TPaperPrintSetting::GetInterface(const TGUID& iid, void** obj) {
    return Offer<ImPaperPrintSetting>(this, iid, obj) || TAutoFreeInterface::GetInterface(iid, obj);
}

TPaperPrintSetting::TPaperPrintSetting(const QStringList& lines, uint8_t disabled)
    : lines_(lines), disabled_(disabled) {
    try {
        table_.LoadFromBytes(Cp932::Encode(lines.join(QStringLiteral("\r\n"))), QStringLiteral("PrinterSetting"));
    } catch (const EIniFile&) {
        table_ = IniFile();
    }
}

void TPaperPrintSetting::ApplyPaperToPrinter(ImPrinterConfiguration* configuration, const TPaperInfo& paper,
                                             const QString& variant) {
    if (!configuration)
        return;
    if (ApplyCanonSettings(*configuration, paper, variant))
        return;
    ApplyPaperSize(*configuration, paper);
    ApplyEpsonSettings(*configuration, paper, variant);
}

QString GetPrinterDriverName(ImPrinterConfiguration& configuration) {
    try {
        const TPrinterCaps caps = Printer().Capabilities(configuration.GetDeviceName());
        return caps.Driver ? caps.Driver->ModelName : QString();
    } catch (const EPrinter&) {
        return {};
    }
}

QStringList TPaperPrintSetting::SectionTypeNames(const QString& prefix, const QString& ident) const {
    constexpr int Sections = 10;
    QStringList names;
    for (int n = 0; n < Sections; ++n) {
        const QString name = table_.ReadString(prefix + QString::number(n), ident);
        // A gap in the numbering ends the family.
        if (name.isEmpty())
            break;
        names.append(name);
    }
    return names;
}

std::vector<std::pair<QString, QString>> TPaperPrintSetting::PaperSearch(const QString& maker,
                                                                         ImPrinterConfiguration& configuration,
                                                                         const QString& paperName,
                                                                         const QString& variant) const {
    const QString driver = GetPrinterDriverName(configuration);
    const QString group = table_.ReadString(maker + QStringLiteral(".PrinterGroup"), driver);
    return {{maker + u'.' + driver + QStringLiteral(".Paper."), paperName},
            {maker + u'.' + group + QStringLiteral(".Paper."), paperName},
            {maker + QStringLiteral(".Paper."), paperName},
            {maker + QStringLiteral(".Paper."), QStringLiteral("@@") + variant + QStringLiteral("default")}};
}

bool TPaperPrintSetting::TryCanonPaperSections(ImCanonExtDDI& extension, const QList<int>& values,
                                               const QString& prefix, const QString& ident) {
    for (const QString& typeName : SectionTypeNames(prefix, ident)) {
        const int number = table_.ReadInteger(QStringLiteral("Canon.Paper.ID"), typeName, -1);
        // A type the driver does not list, or refuses, lets the search go on.
        if (number != -1 && IndexOfValue(values, number) >= 0 && extension.SetItemValue(cdiPaperType, number, true))
            return true;
    }
    return false;
}

bool TPaperPrintSetting::TryEpsonPaperSections(ImEpsonEPDI& extension, const QList<int>& values,
                                               const QString& prefix, const QString& ident) {
    for (const QString& typeName : SectionTypeNames(prefix, ident)) {
        const int number = table_.ReadInteger(QStringLiteral("Epson.Paper.ID"), typeName, -1);
        if (number == -1 || IndexOfValue(values, number) < 0)
            continue;
        TEpdmRecord record;
        record.Words = {1, 1, int16_t(number), 2};
        if (extension.SetItem70(record)) {
            extension.ReadDevMode();
            return true;
        }
    }
    return false;
}

void TPaperPrintSetting::ApplyCanonPaperType(ImPrinterConfiguration& configuration, ImCanonExtDDI& extension,
                                             const QString& paperName, const QString& variant) {
    const QList<int> values = extension.GetItemValues(cdiPaperType);
    for (const auto& [prefix, ident] : PaperSearch(QStringLiteral("Canon"), configuration, paperName, variant))
        if (TryCanonPaperSections(extension, values, prefix, ident))
            break;
    // The finest quality the driver offers: きれい, else 標準, else はやい.
    for (int quality = 1; quality <= 3; ++quality)
        if (extension.SetItemValue(cdiQuality, quality, true))
            break;
}

void TPaperPrintSetting::ApplyEpsonPaperType(ImPrinterConfiguration& configuration, ImEpsonEPDI& extension,
                                             const QString& paperName, const QString& variant) {
    const QList<int> values = extension.GetItem60Values();
    for (const auto& [prefix, ident] : PaperSearch(QStringLiteral("Epson"), configuration, paperName, variant))
        if (TryEpsonPaperSections(extension, values, prefix, ident))
            break;
}

void TPaperPrintSetting::RefreshCanonDevMode(ImCanonExtDDI& extension) {
    if (!extension.IsAvailable())
        return;
    // The driver's update may change the cartridge; the user's stays.
    const int cartridge = extension.GetItemValue(cdiCartridge);
    extension.UpdateDevMode();
    extension.SetItemValue(cdiCartridge, cartridge, true);
}

bool TPaperPrintSetting::ApplyCanonSettings(ImPrinterConfiguration& configuration, const TPaperInfo& paper,
                                            const QString& variant) {
    if (disabled_ & ppsDisableCanon)
        return false;
    TIntf<ImCanonExtDDI> extension = GetCanonExtDDI(&configuration);
    if (!extension->IsAvailable())
        return false;
    RefreshCanonDevMode(*extension);
    ApplyPaperSize(configuration, paper);
    ApplyCanonPaperType(configuration, *extension, paper.PaperName, variant);
    return true;
}

void TPaperPrintSetting::ApplyEpsonSettings(ImPrinterConfiguration& configuration, const TPaperInfo& paper,
                                            const QString& variant) {
    if (disabled_ & ppsDisableEpson)
        return;
    TIntf<ImEpsonEPDI> extension = CreateEpsonEPDI(&configuration);
    if (extension->GetCommandLevel(epdmRecommended) >= 1)
        ApplyEpsonPaperType(configuration, *extension, paper.PaperName, variant);
}

void TPaperPrintSetting::ApplyPaperSize(ImPrinterConfiguration& configuration, const TPaperInfo& paper) {
    TIntf<ImDeviceMode> working = configuration.GetDevMode();
    QByteArray temp = working->GetAnsiDevMode();
    TDevModeFields fields = TDevModeFields::Read(temp);
    fields.Fields = DM_ORIENTATION;
    const TPoint size(paper.StoredWidth(), paper.StoredHeight());
    fields.Orientation = paper.Landscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;

    int paperID = FindPaperIDForSize(configuration, size);
    if (paperID == -1 && configuration.AddForm(PaperFormName(size), size))
        paperID = FindPaperIDForSize(configuration, size);
    if (paperID != -1) {
        fields.PaperSize = int16_t(paperID);
        fields.Fields |= DM_PAPERSIZE;
    } else if (configuration.GetForms()->IndexOfPaperID(DMPAPER_USER) != -1) {
        fields.PaperSize = DMPAPER_USER;
        fields.PaperWidth = int16_t(size.X);
        fields.PaperLength = int16_t(size.Y);
        fields.Fields |= DM_PAPERSIZE | DM_PAPERWIDTH | DM_PAPERLENGTH;
    }
    // The orientation is carried even when no paper size could be: a landscape paper on the
    // printer's own sheet still prints landscape.
    fields.WriteTo(temp);
    working->SetDevModeA(temp);
    configuration.ValidateDevMode();
}

TIntf<ImPaperPrintSetting> CreatePaperPrintSetting(const QStringList& lines, uint8_t disabled) {
    return TIntf<ImPaperPrintSetting>(new TPaperPrintSetting(lines, disabled));
}

#include "papers/printing/UmPaperPrintSetting.h"

#include "papers/UPaperInfo.h"
#include "platform/DevMode.h"

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

void TPaperPrintSetting::ApplyPaperToPrinter(ImPrinterConfiguration* configuration, const TPaperInfo& paper,
                                             const QString&) {
    // The Canon and Epson paper-type steps are the vendor extensions'; without them the paper size
    // is all there is to set.
    ApplyPaperSize(*configuration, paper);
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

#include "papers/UBackImageFit.h"

#include "core/USupportUtil.h"
#include "pageobjects/layout/ULOBackImage.h"
#include "papers/UExtraPaperInfo.h"
#include "papers/ULabelData.h"
#include "papers/UPaperImages.h"
#include "papers/UPaperInfo.h"
#include "platform/IntMath.h"
#include "platform/Printer.h"

#include <algorithm>
#include <optional>

namespace {

// Paper sizes and album margins are kept in tenths of a millimetre.
constexpr int kPaperUnitsPerInch = 254;

int FromPaperUnits(int value, int unitsPerInch) {
    return MulDiv(value, unitsPerInch, kPaperUnitsPerInch);
}

} // namespace

TRect GetBackImageRect(TLabelData& document, int unitsPerInch) {
    const TMatrixPaperInfo* paper = document.GetLayoutPaper();
    const int width = FromPaperUnits(paper->Width(), unitsPerInch);
    const int height = FromPaperUnits(paper->Height(), unitsPerInch);
    // The PDF file takes any paper whole; its page is only set to the paper when a job begins.
    TPrinter& printer = Printer();
    TRect r = printer.IsPdfPrinter(printer.PrinterName()) ? TRect(0, 0, width, height)
                                                          : GetPrintableAreaRect(unitsPerInch);
    r.Right = std::min(r.Right, width - r.Left);
    r.Bottom = std::min(r.Bottom, height - r.Top);
    if (const TExAlbumInfo* album = document.GetPaperExtraAlbum()) {
        const int strip = FromPaperUnits(album->LeftMargin(), unitsPerInch);
        const bool landscape = paper->Landscape;
        if (IsFaceSideMatch(int(document.FaceSides), landscape, document.CurrentSheetNo())) {
            if (landscape)
                r.Top = std::max(r.Top, strip);
            else
                r.Right = std::min(r.Right, width - strip);
        } else {
            if (landscape)
                r.Bottom = std::min(r.Bottom, height - strip);
            else
                r.Left = std::max(r.Left, strip);
        }
    }
    return r;
}

void FitBackImageToPrintArea(TLabelData& document, TDrawObject* object, int unitsPerInch) {
    if (auto* background = dynamic_cast<TLOBackImage*>(object))
        background->SetLogRect(GetBackImageRect(document, unitsPerInch));
}

void FitBackImagesToPrintArea(TLabelData& document, const TDOList& list, int unitsPerInch) {
    // The printer is asked only when there is a background to fit.
    std::optional<TRect> r;
    for (TDrawObject* object : list) {
        if (auto* background = dynamic_cast<TLOBackImage*>(object)) {
            if (!r)
                r = GetBackImageRect(document, unitsPerInch);
            background->SetLogRect(*r);
        }
    }
}

void FitBackImagesOnSite(TLabelData& document, TDrawSite& site) {
    TDOList objects;
    site.ListObjects(objects, false);
    FitBackImagesToPrintArea(document, objects, site.Scaler().UnitDPI());
}

#include "papers/printing/UPrintSite.h"

#include "core/UAppFrame.h"
#include "core/UGeometryUtil.h"
#include "core/UPhasedProgress.h"
#include "core/USupportUtil.h"
#include "imaging/UCanvas.h"
#include "imaging/UJPEGImage.h"
#include "pageobjects/engine/UDOInterface.h"
#include "pageobjects/layout/ULOAlbumPhoto.h"
#include "papers/UBackImageFit.h"
#include "papers/UExtraPaperInfo.h"
#include "papers/ULabelData.h"
#include "papers/UPaperImages.h"
#include "papers/UPaperInfo.h"
#include "papers/printing/UPrintPage.h"
#include "platform/Printer.h"

#include <QCoreApplication>
#include <algorithm>

namespace {

const QString BandingSetting = QStringLiteral("Banding");
constexpr int DefaultBanding = 1;
// Above this an index is taken for a mistake, not a request to grow the flags.
constexpr int MaxFlagIndex = 1 << 20;

bool Flag(const std::vector<bool>& flags, int index) {
    return index >= 0 && size_t(index) < flags.size() && flags[size_t(index)];
}

void SetFlag(std::vector<bool>& flags, int index, bool value) {
    if (index < 0 || index > MaxFlagIndex)
        return;
    if (size_t(index) >= flags.size())
        flags.resize(size_t(index) + 1, false);
    flags[size_t(index)] = value;
}

} // namespace

bool TPrintSpec::IsFacePrinted(int index) const {
    return AllFaces || Flag(faces_, index);
}

void TPrintSpec::SetFacePrinted(int index, bool value) {
    SetFlag(faces_, index, value);
}

bool TPrintSpec::IsSheetPrinted(int index) const {
    return Flag(sheets_, index);
}

void TPrintSpec::SetSheetPrinted(int index, bool value) {
    SetFlag(sheets_, index, value);
}

int TPrintSpec::GetResolution(TCanvas& printerCanvas) const {
    if (Resolution != 0)
        return Resolution;
    if (ReadSettingInteger(BandingSetting, DefaultBanding) == 1)
        return PrintBandResolution;
    return GetCanvasPixelsPerInch(printerCanvas);
}

bool IsBandingEnabled() {
    return ReadSettingInteger(BandingSetting, DefaultBanding) != 0;
}

namespace {

// The page rectangle reaches this many device pixels beyond a face's outer rectangle.
constexpr int PageRectMargin = 10;

} // namespace

TPrintSite::TPrintSite(TComponent* owner, TLabelData* document, TPhasedProgressBase* progress,
                       const TPrintSpec* spec)
    : TDrawSite(owner), document_(document), progress_(progress), spec_(spec) {
    SetBorder(false);
    SetPrepareInParallel(true);
    Scaler().SetUnitDPI(PrintBandResolution);
    SetLogWidth(document_->GetLayoutPaper()->Width());
    SetLogHeight(document_->GetLayoutPaper()->Height());
}

void TPrintSite::DoDrawToProgress(int index) {
    TDrawSite::DoDrawToProgress(index);
    if (progress_)
        progress_->StepIt();
    QCoreApplication::processEvents();
}

void TPrintSite::DrawObject(TDrawObject* object) {
    if (!Printer().Printing())
        return;
    TDrawSite::DrawObject(object);
    if (page_)
        page_->ObjectDrawn(*object);
}

void TPrintSite::Print() {
    TPrinter& printer = Printer();
    // Every face and copy loads its objects afresh: their pictures are decoded once for the job.
    TJPEGDecodeCache decodes(PrintDecodeBudget);
    const int previousSheet = document_->CurrentSheetNo();
    const int sheets = document_->GetSheetCount();
    progress_->BeginPhase(1, std::max(1, sheets - 1));
    try {
        for (int sheet = 0; sheet < sheets; ++sheet) {
            if (!spec_->IsSheetPrinted(sheet))
                continue;
            if (aborted_)
                break;
            document_->SetCurrentSheetNo(sheet);
            TMatrixPaperInfo* layout = document_->GetLayoutPaper();
            SetLogWidth(layout->Width());
            SetLogHeight(layout->Height());
            printer.SetOrientation(layout->Landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
            printer.BeginDoc();
            const int dpi = GetCanvasPixelsPerInch(printer.Canvas());
            origin_ = TPoint(MulDiv(spec_->Offset.X, dpi, PrintBandResolution),
                             MulDiv(spec_->Offset.Y, dpi, PrintBandResolution));
            progress_->StepIt();
            PrintCopies();
            if (printer.Printing())
                printer.EndDoc();
            if (printer.Aborted())
                break;
        }
    } catch (...) {
        printer.Abort();
        DestroyComponents();
        progress_->EndPhase();
        try {
            document_->SetCurrentSheetNo(previousSheet);
        } catch (const Exception&) {
            // The first fault is the one to report.
        }
        throw;
    }
    DestroyComponents();
    progress_->EndPhase();
    if (Aborted()) {
        // An aborted print leaves the document as it found it.
        document_->SetCurrentSheetNo(previousSheet);
    }
}

bool TPrintSite::Aborted() const {
    return aborted_ || Printer().Aborted();
}

void TPrintSite::PrintCopies() {
    TPrinter& printer = Printer();
    // A printer that writes files draws the copies the user chose into its file.
    const int copies = spec_->Copies * printer.DrawnCopies();
    progress_->BeginPhase(1, std::max(1, copies));
    for (int copy = 1; copy <= copies && printer.Printing(); ++copy) {
        if (copy > 1)
            printer.NewPage();
        PrintFaces();
        DrawFaceOutlines();
        progress_->StepIt();
    }
    progress_->EndPhase();
}

bool TPrintSite::FaceHasContent(int index) {
    if (document_->HasLabelData(index))
        return true;
    if (!spec_->PrintPaperImages || !document_->GetPaperImageInfo())
        return false;
    TDOList refs;
    document_->GetPaperImageInfo()->GetImageObjectRefs(index, refs);
    return refs.Count() > 0;
}

void TPrintSite::PrintFaces() {
    TPrinter& printer = Printer();
    if (!printer.Printing())
        return;
    TMatrixPaperInfo* layout = document_->GetLayoutPaper();
    int printed = 0;
    for (int i = 0; i < layout->GetFaceCount(); ++i)
        printed += spec_->IsFacePrinted(i) ? 1 : 0;
    progress_->BeginPhase(1, std::max(1, printed));
    for (int i = 0; i < layout->GetFaceCount() && printer.Printing(); ++i) {
        if (spec_->IsFacePrinted(i) && FaceHasContent(i)) {
            PrintFace(i);
            progress_->StepIt();
        }
        QCoreApplication::processEvents();
    }
    progress_->EndPhase();
}

void TPrintSite::LoadFaceObjects(int index) {
    TMatrixPaperInfo* layout = document_->GetLayoutPaper();
    const TRect outer = layout->GetFaceOuterRect(index);
    TOwnedDOList list;
    document_->LoadLabelObjects(index, list);
    TDOList objects;
    list.ListObjects(objects);
    for (TDrawObject* object : objects)
        if (TIntf<IDOEncloseBounds> bounds = Supports<IDOEncloseBounds>(static_cast<TObject*>(object)))
            bounds->MoveBy(outer.Left, outer.Top);
    FitBackImagesToPrintArea(*document_, objects, PrintBandResolution);
    if (spec_->PrintPaperImages && document_->GetPaperImageInfo()) {
        TOwnedDOList images;
        document_->GetPaperImageInfo()->GetImageObjects(index, images);
        TDOList imageObjects;
        images.ListObjects(imageObjects);
        for (TDrawObject* object : imageObjects) {
            if (TIntf<IDOEncloseBounds> bounds = Supports<IDOEncloseBounds>(static_cast<TObject*>(object)))
                bounds->MoveBy(outer.Left, outer.Top);
            object->SetLayerGroup(kPaperImageLayerGroup);
        }
        if (layout->Landscape)
            FlipObjectsForLandscape(imageObjects, *layout, index, false);
        for (std::unique_ptr<TDrawObject>& object : images.TakeAll())
            list.Add(std::move(object));
    }
    // Photos are printed from their full pictures, up to the print limit; empty slots not at all.
    TDOList all;
    list.ListObjects(all);
    PreparePhotosForPrint(all);
    for (std::unique_ptr<TDrawObject>& object : list.TakeAll()) {
        object->SetSelectable(false);
        AdoptObject(std::move(object));
    }
}

void TPrintSite::PrintFace(int index) {
    TPrinter& printer = Printer();
    TCanvas& canvas = printer.Canvas();
    DestroyComponents();
    LoadFaceObjects(index);

    TIntf<IUnknownEx> clipSaver;
    SaveClipRegion(canvas, clipSaver);
    TMatrixPaperInfo* layout = document_->GetLayoutPaper();
    // What the printer can reach of the paper, less an album's binding strip, in device pixels.
    const TRect area = Scaler().LogRectToDev(canvas, GetBackImageRect(*document_, PrintBandResolution));
    QRegion clip = canvas.VisibleRegion();
    clip &= QRegion(area.Left, area.Top, area.Right - area.Left, area.Bottom - area.Top);
    // The face's shape at the print origin.
    TFaceInfo face;
    layout->GetFaceInfo(index, face);
    {
        const int saved = canvas.SaveDC();
        canvas.OffsetWindowOrg(-origin_.X, -origin_.Y);
        Scaler().PrepareCanvas(canvas);
        clip &= face.CreateRegion(&canvas, true);
        canvas.RestoreDC(saved);
    }
    canvas.SelectClipRgn(&clip);

    TRect rect = Scaler().LogRectToDev(canvas, face.GetOuterRect());
    rect = TRect(rect.Left - PageRectMargin, rect.Top - PageRectMargin, rect.Right + PageRectMargin,
                 rect.Bottom + PageRectMargin);
    TStretchPrintPage page(canvas, spec_->GetResolution(canvas), IsBandingEnabled(), origin_, rect);
    page_ = &page;
    struct Forget {
        TStretchPrintPage*& page;
        ~Forget() { page = nullptr; }
    } forget{page_};
    progress_->BeginPhase(1, std::max(1, page.BandCount()));
    while (printer.Printing() && page.NextBand()) {
        progress_->BeginPhase(1, std::max(1, DrawObjectCount()));
        DrawTo(page.GetCanvas(), TPoint(), 100);
        progress_->EndPhase();
        progress_->StepIt();
    }
    progress_->EndPhase();
}

void TPrintSite::DrawFaceOutlines() {
    TPrinter& printer = Printer();
    if (!printer.Printing() || (!spec_->SolidOutline && !spec_->DottedOutline))
        return;
    TCanvas& canvas = printer.Canvas();
    TIntf<IUnknownEx> saver;
    SaveCanvasState(canvas, true, saver);
    canvas.OffsetWindowOrg(-origin_.X, -origin_.Y);
    Scaler().PrepareCanvas(canvas);
    canvas.Brush().Style = bsClear;
    TMatrixPaperInfo* layout = document_->GetLayoutPaper();
    for (int i = 0; i < layout->GetFaceCount(); ++i) {
        if (!spec_->IsFacePrinted(i))
            continue;
        TFaceInfo face;
        layout->GetFaceInfo(i, face);
        canvas.Pen().Color = clBlack;
        canvas.Pen().Width = 0;
        if (spec_->SolidOutline) {
            canvas.Pen().Style = psSolid;
            face.DrawOutline(canvas, false, false);
        }
        if (spec_->DottedOutline) {
            canvas.Pen().Style = psDash;
            face.DrawInnerOutline(canvas, false);
        }
    }
}

#pragma once
// The print request and the print site. The print dialog's choices fill a TPrintSpec (which sheets
// and faces, copies, outlines, paper images, offset, band resolution); the print site renders the
// chosen faces of a document's chosen sheets onto the printer, each sheet one print job.

#include "pageobjects/engine/UDrawSite.h"
#include "platform/Rect.h"

#include <cstdint>
#include <vector>

class TCanvas;
class TLabelData;
class TPhasedProgressBase;
class TStretchPrintPage;

// The band resolution that the setting "Banding" = 1 chooses.
constexpr int PrintBandResolution = 254;
// Decoded pictures a print job keeps for its later faces and pages: one 12-megapixel photo, or
// dozens of label-sized ones (a label sheet repeats the same few on every face). Pages of distinct
// photos gain nothing from it, so it is kept small: it adds to every 600-dpi page's own memory.
constexpr int64_t PrintDecodeBudget = int64_t(64) << 20;

class TPrintSpec {
public:
    // Copies of each sheet: pages of its print job (each drawn as often as a file printer draws copies).
    int Copies = 1;
    bool SolidOutline = false;
    bool DottedOutline = false;
    bool PrintPaperImages = false;
    // Shift of the whole print on the paper, 0.1 mm.
    TPoint Offset;
    bool AllFaces = false;
    // Pixels per inch of the page bands; 0 lets the setting "Banding" choose.
    int Resolution = 0;
    // The print dialog's option; the print loop does not act on it.
    bool PrintOption = false;

    bool IsFacePrinted(int index) const;
    void SetFacePrinted(int index, bool value);
    bool IsSheetPrinted(int index) const;
    void SetSheetPrinted(int index, bool value);
    // Resolution when set; else 254 when "Banding" is 1, else the printer canvas's resolution.
    int GetResolution(TCanvas& printerCanvas) const;

private:
    std::vector<bool> faces_;
    std::vector<bool> sheets_;
};

// The setting "Banding" is not 0.
bool IsBandingEnabled();

// Renders the chosen faces of a document's chosen sheets onto the process's printer: each chosen
// sheet one print job, each copy a page of it, each face drawn (directly or in bands) through the
// site's objects at 254 units per inch. The printer's canvas covers the whole sheet, so the print
// origin is the request's offset alone. An abort (from the progress window) ends the loop at the
// next check; an exception or abort leaves no job, no file, the canvas as it was and the sheet that
// was current before.
class TPrintSite : public TDrawSite {
    QUORLANE_CLASS(TPrintSite, TDrawSite)

public:
    // document, progress and spec are borrowed and must outlive the site.
    TPrintSite(TComponent* owner, TLabelData* document, TPhasedProgressBase* progress,
               const TPrintSpec* spec);
    void Print();
    // Stops printing before the next sheet (the progress window's close, which also aborts the
    // printer's open job; between two sheets there is none).
    void Abort() { aborted_ = true; }
    // Printing was stopped, by Abort or by the printer.
    bool Aborted() const;

protected:
    void DoDrawToProgress(int index) override;
    void DrawObject(TDrawObject* object) override;

private:
    void PrintCopies();
    void PrintFaces();
    void PrintFace(int index);
    void DrawFaceOutlines();
    bool FaceHasContent(int index);
    void LoadFaceObjects(int index);

    TLabelData* document_;
    TPhasedProgressBase* progress_;
    const TPrintSpec* spec_;
    TPoint origin_;
    bool aborted_ = false;
    // The page of the face being drawn.
    TStretchPrintPage* page_ = nullptr;
};

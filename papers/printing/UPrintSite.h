#pragma once
// The print request and the print site. The print dialog's choices fill a TPrintSpec (which sheets
// and faces, copies, outlines, paper images, offset, band resolution); the print site renders the
// chosen faces of a document's chosen sheets onto the printer, each sheet one print job.

#include "platform/Rect.h"

#include <vector>

class TCanvas;

// The band resolution that the setting "Banding" = 1 chooses.
constexpr int PrintBandResolution = 254;

class TPrintSpec {
public:
    // Copies of each sheet: pages of its print job.
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

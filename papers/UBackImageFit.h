#pragma once
// Backgrounds are printed over the part of the paper the printer reaches, less an album's binding
// strip: these functions give that rectangle and fit background objects to it.

#include "platform/Rect.h"

class TDOList;
class TDrawObject;
class TDrawSite;
class TLabelData;

// The printer's printable area in unitsPerInch, kept on the document's layout paper as far from its
// right and bottom edges as from its left and top ones, less the album's strip on the side the
// current page binds on. Without a printer (the PDF file) it is the whole paper.
TRect GetBackImageRect(TLabelData& document, int unitsPerInch);
// A background object (others are left alone) takes that rectangle as its own.
void FitBackImageToPrintArea(TLabelData& document, TDrawObject* object, int unitsPerInch);
void FitBackImagesToPrintArea(TLabelData& document, const TDOList& list, int unitsPerInch);
// Every background on site, in the site's own units.
void FitBackImagesOnSite(TLabelData& document, TDrawSite& site);

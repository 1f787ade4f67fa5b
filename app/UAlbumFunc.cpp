#include "app/UAlbumFunc.h"

#include "core/UInterfaces.h"
#include "pageobjects/engine/UDOInterface.h"
#include "pageobjects/engine/UDOUtils.h"
#include "pageobjects/engine/UDrawSite.h"
#include "papers/ULabelData.h"
#include "papers/UPaperInfo.h"

#include <algorithm>

namespace {

constexpr int kFrontCoverSheet = 0;
constexpr int kBackCoverSheet = 1;
constexpr int kFirstInnerSheet = 2;
// Pages are laid out on the layout paper's one face.
constexpr int kPageFace = 0;

} // namespace

void AlbumFunc_MirrorPage(int index, TLabelData& document) {
    document.SetCurrentSheetNo(index);
    TOwnedDOList stored;
    document.LoadLabelObjects(kPageFace, stored);
    const TMatrixPaperInfo* paper = document.GetLayoutPaper();
    TDOList page;
    stored.ListObjects(page);
    for (TDrawObject* object : page) {
        TIntf<IDOEncloseBounds> enclose = Supports<IDOEncloseBounds>(static_cast<TObject*>(object));
        if (!enclose)
            continue;
        TRect r;
        enclose->GetLogRect(r);
        if (paper->Landscape)
            enclose->MoveBy(0, paper->Height() - r.Bottom - r.Top);
        else
            enclose->MoveBy(paper->Width() - r.Right - r.Left, 0);
    }
    // Read bottom-most first, written topmost first: the page keeps its order.
    ReverseList(page);
    document.StoreLabelObjects(kPageFace, page);
}

void AlbumFunc_ClearCover(bool front, TLabelData& document) {
    const int remembered = document.CurrentSheetNo();
    document.SetCurrentSheetNo(front ? kFrontCoverSheet : kBackCoverSheet);
    document.ClearLabel(kPageFace);
    (front ? document.FrontCover : document.BackCover) = false;
    int next = remembered;
    if (remembered < kFirstInnerSheet)
        next =
            front ? std::min(kFirstInnerSheet, document.GetSheetCount() - 1) : document.GetSheetCount() - 1;
    document.SetCurrentSheetNo(next);
}

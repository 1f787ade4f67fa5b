#include "pageobjects/engine/UTextGhost.h"

#include "core/UGeometryUtil.h"
#include "pageobjects/engine/UArcGeometry.h"
#include "pageobjects/engine/UCurveGhost.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/engine/ULineGhost.h"
#include "pageobjects/engine/URectGhost.h"

bool IsBulgedText(TDrawObject* object) {
    TIntf<IDOCurve> curve = ObjectSupports<IDOCurve>(object);
    if (!curve)
        return false;
    TPoint s, b, e;
    curve->GetStartPoint(s);
    curve->GetBulgePoint(b);
    curve->GetEndPoint(e);
    return GetArcBulge(s, b, e) != 0;
}

bool TDOTextGhostDesigner::MakePivots(TDrawObject* object) {
    if (!ObjectSupports<IDORectProps>(object) || IsBulgedText(object))
        return false;
    auto* site = dynamic_cast<TDrawSite*>(object->Parent());
    if (site == nullptr)
        return false;
    const TRect tr = RectPropsBounds(object);
    const std::array<TPoint, kRectHandleCount> points = RectHandlePoints(object, tr);
    for (int i : {ghBottomLeft, ghTopRight}) {
        if (ObjectSupports<IDORotate>(object))
            site->PlacePivot(new TRotatePivot(object, crRotate, ghRotate), points[size_t(i)]);
        else
            site->PlacePivot(new TLabelPivot(object, crSizeNESW, i), points[size_t(i)]);
    }
    // The centre stays where it is under the object's turn.
    if (ObjectSupports<IDOCurve>(object))
        site->PlacePivot(new TBulgePivot(object, crSizeNS, ghBulge), RectCenter(tr));
    for (int i : {ghTopLeft, ghLeftMiddle, ghTopMiddle, ghBottomMiddle, ghRightMiddle, ghBottomRight})
        site->PlacePivot(new TLabelPivot(object, RectHandleCursor(i), i), points[size_t(i)]);
    return true;
}

void RegisterGhostDesigners(TDODesignerList& list) {
    LoadRotateCursor();
    for (IDODesigner* designer : {static_cast<IDODesigner*>(new TDOLineGhostDesigner),
                                  static_cast<IDODesigner*>(new TDORectGhostDesigner),
                                  static_cast<IDODesigner*>(new TDOCurveGhostDesigner),
                                  static_cast<IDODesigner*>(new TDOTextGhostDesigner)})
        list.Add(designer);
}

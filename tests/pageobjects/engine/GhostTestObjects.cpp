#include "GhostTestObjects.h"

#include "EngineTestObjects.h"
#include "pageobjects/engine/UArcGeometry.h"
#include "pageobjects/engine/UCurveGhost.h"
#include "pageobjects/engine/UDOFunc.h"
#include "pageobjects/engine/UGhost.h"
#include "pageobjects/engine/ULineGhost.h"
#include "pageobjects/engine/URectGhost.h"
#include "pageobjects/engine/UTextGhost.h"
#include "platform/Canvas.h"

#include <algorithm>
#include <cstdlib>

// ---- TGhostBox

void TGhostBox::SetAngle(int value) {
    if (value == angle_)
        return;
    angle_ = value;
    Changed();
}

void TGhostBox::SetAutoSize(bool value) {
    if (value == autoSize_)
        return;
    autoSize_ = value;
    Changed();
}

void TGhostBox::SetEnclosingSize(int w, int h) {
    const TRect r = LogRect();
    SetLogRect(Bounds(r.Left, r.Top, w, h));
}

void TGhostBox::DrawOutline(TCanvas& canvas) {
    canvas.Rectangle(LogRect());
}

void TGhostBox::Paint() {
    TCanvas* canvas = GetDrawCanvas();
    canvas->Brush() = TBrush{clSilver, bsSolid};
    canvas->FillRect(LogRect());
}

void TGhostBox::AssignTo(TPersistent* dest) const {
    TLORectBase::AssignTo(dest);
    if (auto* target = dynamic_cast<TGhostBox*>(dest)) {
        target->SetAngle(angle_);
        target->SetAutoSize(autoSize_);
        target->keepAspect_ = keepAspect_;
    }
}

bool TGhostBox::GetInterface(const TGUID& iid, void** obj) {
    return Offer<IDORotate>(this, iid, obj) || Offer<IDOAutoSize>(this, iid, obj) ||
           TLORectBase::GetInterface(iid, obj);
}

void TGhostPlainBox::SetEnclosingSize(int w, int h) {
    const TRect r = LogRect();
    SetLogRect(Bounds(r.Left, r.Top, w, h));
}

void TGhostPlainBox::DrawOutline(TCanvas& canvas) {
    canvas.Rectangle(LogRect());
}

// ---- TGhostLine

void TGhostLine::SetStartPoint(const TPoint& p) {
    if (p == start_)
        return;
    start_ = p;
    UpdateBounds();
    Changed();
}

void TGhostLine::SetEndPoint(const TPoint& p) {
    if (p == end_)
        return;
    end_ = p;
    UpdateBounds();
    Changed();
}

void TGhostLine::MoveBy(int dx, int dy) {
    if (dx == 0 && dy == 0)
        return;
    start_ = TPoint(start_.X + dx, start_.Y + dy);
    end_ = TPoint(end_.X + dx, end_.Y + dy);
    UpdateBounds();
    Changed();
}

void TGhostLine::GetLogRect(TRect& r) {
    r = NormalizeRect(TRect(start_, end_));
}

bool TGhostLine::HitTest(const TPoint& p) {
    TRect r;
    GetLogRect(r);
    InflateRect(r, 3, 3);
    return r.Contains(p);
}

void TGhostLine::DrawOutline(TCanvas& canvas) {
    canvas.MoveTo(start_.X, start_.Y);
    canvas.LineTo(end_.X, end_.Y);
}

void TGhostLine::AssignTo(TPersistent* dest) const {
    TLabelObject::AssignTo(dest);
    if (auto* target = dynamic_cast<TGhostLine*>(dest)) {
        target->SetStartPoint(start_);
        target->SetEndPoint(end_);
    }
}

bool TGhostLine::GetInterface(const TGUID& iid, void** obj) {
    return Offer<IDOLine>(this, iid, obj) || Offer<IDOEncloseBounds>(this, iid, obj) ||
           Offer<IDOGhostPaint>(this, iid, obj) || TLabelObject::GetInterface(iid, obj);
}

// ---- TGhostCurve

int TGhostCurve::OpenEdits = 0;
int TGhostCurve::EditsBegun = 0;

void TGhostCurve::BeginCurveEdit() {
    ++OpenEdits;
    ++EditsBegun;
}

void TGhostCurve::EndCurveEdit() {
    --OpenEdits;
}

void TGhostCurve::SetBulgePoint(const TPoint& p) {
    if (p == bulge_)
        return;
    bulge_ = p;
    UpdateBounds();
    Changed();
}

void TGhostCurve::GetLogRect(TRect& r) {
    r = TRect(std::min({start_.X, end_.X, bulge_.X}), std::min({start_.Y, end_.Y, bulge_.Y}),
              std::max({start_.X, end_.X, bulge_.X}), std::max({start_.Y, end_.Y, bulge_.Y}));
}

void TGhostCurve::MoveBy(int dx, int dy) {
    bulge_ = TPoint(bulge_.X + dx, bulge_.Y + dy);
    TGhostLine::MoveBy(dx, dy);
}

void TGhostCurve::SetCurve(const TPoint& s, const TPoint& b, const TPoint& e) {
    SetStartPoint(s);
    SetEndPoint(e);
    SetBulgePoint(b);
}

void TGhostCurve::AssignTo(TPersistent* dest) const {
    TGhostLine::AssignTo(dest);
    if (auto* target = dynamic_cast<TGhostCurve*>(dest))
        target->SetBulgePoint(bulge_);
}

bool TGhostCurve::GetInterface(const TGUID& iid, void** obj) {
    return Offer<IDOCurve>(this, iid, obj) || TGhostLine::GetInterface(iid, obj);
}

// ---- TGhostText

void TGhostText::SetStartPoint(const TPoint& p) {
    start_ = p;
    Changed();
}

void TGhostText::SetEndPoint(const TPoint& p) {
    end_ = p;
    Changed();
}

void TGhostText::SetBulgePoint(const TPoint& p) {
    bulge_ = p;
    if (straighten_) {
        const int bulge = GetArcBulge(start_, p, end_);
        if (bulge > -50 && bulge < 50)
            ::GetBulgePoint(start_, end_, 0, bulge_);
    }
    Changed();
}

void TGhostText::RotateAroundOrigin(int newAngle) {
    RotatedAroundOrigin = newAngle;
    SetAngle(newAngle);
}

void TGhostText::SetCurve(const TPoint& s, const TPoint& b, const TPoint& e) {
    start_ = s;
    end_ = e;
    bulge_ = b;
    Changed();
}

void TGhostText::AssignTo(TPersistent* dest) const {
    TGhostBox::AssignTo(dest);
    if (auto* target = dynamic_cast<TGhostText*>(dest)) {
        target->start_ = start_;
        target->end_ = end_;
        target->bulge_ = bulge_;
        target->straighten_ = straighten_;
        target->RotatedAroundOrigin = RotatedAroundOrigin;
    }
}

bool TGhostText::GetInterface(const TGUID& iid, void** obj) {
    return Offer<IDOCurve>(this, iid, obj) || Offer<IDOLine>(this, iid, obj) ||
           Offer<IDOTextGhost>(this, iid, obj) || TGhostBox::GetInterface(iid, obj);
}

// ---- GhostTest

void GhostTest::SetUp() {
    ResetEngineGlobals();
    MoveGhostOptions() = TMoveGhostOptions();
    SnapHook() = nullptr;
    SetSnapOffModifier(ssAlt);
    TGhostCurve::OpenEdits = 0;
    TGhostCurve::EditsBegun = 0;
    site.Scaler().SetUnitDPI(site.Canvas().PixelsPerInch());
    site.SetLogWidth(400);
    site.SetLogHeight(300);
    site.SetColor(clWhite);
    site.SetBorder(false);
    LoadRotateCursor();
    designers = {new TDOLineGhostDesigner, new TDORectGhostDesigner, new TDOCurveGhostDesigner,
                 new TDOTextGhostDesigner};
    for (IDODesigner* d : designers)
        DesignerList().Add(d);
}

void GhostTest::TearDown() {
    GhostList().ClearGhosts();
    // The list remembers whether the last drag moved until the next drag starts; an empty start
    // leaves no trace of these drags for tests that follow in the same process.
    GhostList().Start(nullptr, TRect(), TPoint(), 0);
    GhostList().ClearGhosts();
    for (IDODesigner* d : designers)
        DesignerList().Remove(d);
    designers.clear();
    SnapHook() = nullptr;
    MoveGhostOptions() = TMoveGhostOptions();
    SetSnapOffModifier(ssAlt);
    ResetEngineGlobals();
}

TGhostLine* GhostTest::AddLine(const TPoint& s, const TPoint& e) {
    auto* line = new TGhostLine(&site);
    line->SetStartPoint(s);
    line->SetEndPoint(e);
    site.AddObject(line);
    return line;
}

TGhostCurve* GhostTest::AddCurve(const TPoint& s, const TPoint& b, const TPoint& e) {
    auto* curve = new TGhostCurve(&site);
    curve->SetCurve(s, b, e);
    site.AddObject(curve);
    return curve;
}

namespace {
QPoint Dev(const TDrawSite& site, const TPoint& p) {
    const TPoint d = site.LogToDev(p);
    return QPoint(d.X, d.Y);
}
} // namespace

void GhostTest::Drag(const TPoint& from, const std::vector<TPoint>& to, Qt::KeyboardModifiers mods) {
    SendPress(&site, Dev(site, from), Qt::LeftButton, mods);
    for (const TPoint& p : to)
        SendMove(&site, Dev(site, p), Qt::LeftButton, mods);
    SendRelease(&site, Dev(site, to.empty() ? from : to.back()), Qt::LeftButton, mods);
}

void GhostTest::DragHandle(TDrawObject* object, int index, const std::vector<TPoint>& to,
                           Qt::KeyboardModifiers mods) {
    TPivot* pivot = PivotOf(object, index);
    ASSERT_NE(pivot, nullptr) << "no handle " << index;
    const QPoint press(pivot->Left() + pivot->Size / 2, pivot->Top() + pivot->Size / 2);
    SendPress(&site, press, Qt::LeftButton, mods);
    for (const TPoint& p : to)
        SendMove(&site, Dev(site, p), Qt::LeftButton, mods);
    SendRelease(&site, to.empty() ? press : Dev(site, to.back()), Qt::LeftButton, mods);
}

std::vector<TPivot*> GhostTest::Pivots(TDrawObject* object) {
    std::vector<TPivot*> result;
    for (int i = 0; i < site.ControlCount(); ++i)
        if (auto* pivot = dynamic_cast<TPivot*>(site.Controls(i)))
            if (object == nullptr || pivot->DrawObject() == object)
                result.push_back(pivot);
    return result;
}

TPivot* GhostTest::PivotOf(TDrawObject* object, int index) {
    if (!object->Selected()) {
        site.SelectAll(false);
        object->SetSelected(true);
    }
    // Rebuilt, so that they sit where the object now is.
    site.HidePivots();
    site.UpdatePivots();
    for (TPivot* pivot : Pivots(object))
        if (pivot->Index == index)
            return pivot;
    return nullptr;
}

void GhostTest::SnapToGrid(int pitch) {
    SnapHook() = [pitch](TObject*, const TPoint& p, TPoint& offset) {
        auto axis = [pitch](int v) {
            const int down = (v / pitch) * pitch - (v % pitch < 0 ? pitch : 0);
            return (v - down) * 2 < pitch ? down - v : down + pitch - v;
        };
        offset = TPoint(axis(p.X), axis(p.Y));
    };
}

#include "pageobjects/engine/UUniversalGhost.h"

#include "pageobjects/engine/UAction.h"
#include "pageobjects/engine/UDOAction.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/engine/UGrid.h"
#include "pageobjects/engine/UGuide.h"

#include <climits>
#include <cmath>
#include <cstdlib>

namespace {

TShiftState& SnapOffModifierSetting() {
    static TShiftState modifiers = ssAlt;
    return modifiers;
}

int64_t Magnitude(int v) {
    return std::llabs(int64_t(v));
}

} // namespace

TSnapHook& SnapHook() {
    static TSnapHook hook;
    return hook;
}

TObjectCreatedHook& ObjectCreatedHook() {
    static TObjectCreatedHook hook;
    return hook;
}

TObjectPlacedHook& ObjectPlacedHook() {
    static TObjectPlacedHook hook;
    return hook;
}

void ObjectPlaced(TDrawObject* object) {
    if (const TObjectPlacedHook hook = ObjectPlacedHook(); hook && object != nullptr)
        hook(object);
}

void GetSnapOffset(TObject* sender, const std::vector<TPoint>& points, TPoint& offset) {
    offset = TPoint(kNoSnap, kNoSnap);
    const TSnapHook hook = SnapHook();
    if (!hook)
        return;
    for (const TPoint& p : points) {
        TPoint result(kNoSnap, kNoSnap);
        hook(sender, p, result);
        if (Magnitude(result.X) < Magnitude(offset.X))
            offset.X = result.X;
        if (Magnitude(result.Y) < Magnitude(offset.Y))
            offset.Y = result.Y;
    }
}

void SnapPoint(TObject* sender, const TPoint& p, TPoint& q) {
    TPoint offset;
    GetSnapOffset(sender, {p}, offset);
    q = p;
    if (offset.X != kNoSnap)
        q.X = int(int64_t(p.X) + offset.X);
    if (offset.Y != kNoSnap)
        q.Y = int(int64_t(p.Y) + offset.Y);
}

TPoint SnapPoint(TObject* sender, const TPoint& p) {
    TPoint q;
    SnapPoint(sender, p, q);
    return q;
}

TShiftState SnapOffModifier() {
    return SnapOffModifierSetting();
}

void SetSnapOffModifier(TShiftState modifiers) {
    SnapOffModifierSetting() = modifiers;
}

TPoint EditorSnapOffset(const TDrawSite& site, const TPoint& p, TShiftState liveShift, const TGuide* guides,
                        const TGrid* grid) {
    const TShiftState off = SnapOffModifier();
    if (off != 0 && (liveShift & off) == off)
        return TPoint(0, 0);
    const int tolerance = site.DevToLog(TPoint(10, 10)).X;
    TPoint offset = grid != nullptr ? grid->GetSnapOffset(p) : TPoint(kNoSnap, kNoSnap);
    if (guides != nullptr) {
        const TPoint guide = guides->GetSnapOffset(p, tolerance);
        if (Magnitude(guide.X) < Magnitude(offset.X))
            offset.X = guide.X;
        if (Magnitude(guide.Y) < Magnitude(offset.Y))
            offset.Y = guide.Y;
    }
    return offset;
}

// ---- TUniversalGhost

TUniversalGhost::TUniversalGhost(TDrawObject* object, int index)
    : Index(index), ghost_(CloneDrawObject(object)), target_(object) {}

TUniversalGhost::~TUniversalGhost() = default;

void TUniversalGhost::Start(const TPoint& p) {
    StartPoint = p;
}

void TUniversalGhost::Draw() {
    TCanvas* canvas = Site != nullptr ? Site->GetDrawCanvas() : nullptr;
    if (canvas == nullptr)
        return;
    if (TIntf<IDOGhostPaint> paint = ObjectSupports<IDOGhostPaint>(ghost_.get()))
        paint->DrawOutline(*canvas);
}

void TUniversalGhost::Drop(TShiftState) {
    TDrawObject* target = target_.get();
    if (target == nullptr || !ghost_)
        return;
    if (Caption.isEmpty()) {
        target->Assign(ghost_.get());
        ObjectPlaced(target);
        return;
    }
    auto action = std::make_unique<TDOChangeAction>(target);
    action->SetCaption(Caption);
    target->SetDropping(true);
    try {
        target->Assign(ghost_.get());
        // Inside the change, so that an undo gives back what the hook changed too.
        ObjectPlaced(target);
    } catch (...) {
        target->SetDropping(false);
        throw;
    }
    target->SetDropping(false);
    TDOChangeAction::EndChange(std::move(action), UndoList());
}

void TUniversalGhost::BeginCreate(int index) {
    Index = index;
    Caption.clear();
    if (Site != nullptr)
        Site->SelectAll(false);
}

void TUniversalGhost::HoldCreated() {
    created_ = ReleaseFromOwner(target_.get());
}

void TUniversalGhost::AddCreated() {
    TDrawObject* target = target_.get();
    TDrawSite* site = target != nullptr ? target->Site() : nullptr;
    if (site == nullptr)
        return;
    if (created_)
        site->AdoptObject(std::move(created_));
    committed_ = true;
    target->SetSelected(true);
    target->Show();
    ObjectPlaced(target);
    auto action = std::make_unique<TDOAddAction>(target);
    action->SetCaption(QStringLiteral("追加"));
    UndoList().Add(std::move(action));
}

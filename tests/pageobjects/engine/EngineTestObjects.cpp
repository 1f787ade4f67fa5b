#include "EngineTestObjects.h"

#include "pageobjects/engine/UAction.h"
#include "pageobjects/engine/UDrawSiteAction.h"
#include "pageobjects/engine/UGhost.h"
#include "platform/ClassRegistry.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <stdexcept>

// ---- TTestRect

TTestRect::TTestRect(TComponent* owner) : TLORectBase(owner) {}

void TTestRect::DeclareProperties(TPropertyBuilder<TTestRect>& p) {
    p.Color("FillColor", &TTestRect::FillColor, &TTestRect::SetFillColor).Default(clRed);
    p.Integer("Angle", &TTestRect::Angle, &TTestRect::SetAngle).Default(0);
}

void TTestRect::SetFillColor(TColor value) {
    if (value == fillColor_)
        return;
    fillColor_ = value;
    Changed();
    Invalidate();
}

void TTestRect::SetAngle(int value) {
    if (value == angle_)
        return;
    angle_ = value;
    Changed();
}

void TTestRect::SetEnclosingSize(int w, int h) {
    TRect r = LogRect();
    SetLogRect(Bounds(r.Left, r.Top, w, h));
}

void TTestRect::DrawOutline(TCanvas& canvas) {
    canvas.Rectangle(LogRect());
}

void TTestRect::Paint() {
    ++PaintCount;
    if (FailPaint)
        throw std::runtime_error("test paint failure");
    TCanvas* canvas = GetDrawCanvas();
    canvas->Brush() = TBrush{fillColor_, bsSolid};
    canvas->FillRect(LogRect());
}

void TTestRect::AssignTo(TPersistent* dest) const {
    TLORectBase::AssignTo(dest);
    if (auto* target = dynamic_cast<TTestRect*>(dest)) {
        target->SetFillColor(fillColor_);
        target->SetAngle(angle_);
    }
}

bool TTestRect::GetInterface(const TGUID& iid, void** obj) {
    return Offer<IDOBlend>(this, iid, obj) || Offer<IDORotate>(this, iid, obj) ||
           TLORectBase::GetInterface(iid, obj);
}

void TTestThing::DeclareProperties(TPropertyBuilder<TTestThing>& p) {
    p.Integer("Value", &TTestThing::Value, &TTestThing::SetValue).Default(0);
}

void RegisterTestClasses() {
    RegisterEngineClasses();
    for (const TMetaClass* meta : {&TTestRect::StaticClass(), &TTestThing::StaticClass()})
        if (GetClass(meta->Name()) == nullptr)
            RegisterClass(*meta);
}

TTestRect* AddRect(TDrawSite& site, const TRect& r, TColor color, int layerGroup) {
    auto* rect = new TTestRect(&site);
    rect->SetLogRect(r);
    rect->SetFillColor(color);
    rect->SetLayerGroup(layerGroup);
    site.AddObject(rect);
    return rect;
}

// ---- designers

bool TTestDesigner::DoCommand(TDrawSite* site, const QString& command) {
    commands.push_back(command);
    return onCommand ? onCommand(site, command) : false;
}

bool TTestDesigner::EditObject(TDrawObject* object, bool& flag) {
    return onEdit ? onEdit(object, flag) : false;
}

bool TTestDesigner::MakePivots(TDrawObject* object) {
    return onPivots ? onPivots(object) : false;
}

bool TTestDesigner::MakeGhost(TDrawObject* object, int handle) {
    return onGhost ? onGhost(object, handle) : false;
}

TScopedDesigner::TScopedDesigner() : designer_(new TTestDesigner) {
    DesignerList().Add(static_cast<IDODesigner*>(designer_));
}

TScopedDesigner::~TScopedDesigner() {
    DesignerList().Remove(static_cast<IDODesigner*>(designer_));
}

// ---- face

QRegion TTestFace::CreateRegion(TCanvas& canvas, bool withHole, const TPoint& offset) const {
    TRect outer = Outer;
    OffsetRect(outer, offset.X, offset.Y);
    const TRect dev = NormalizeRect(canvas.LPtoDP(outer));
    QRegion region(dev.ToQRect(), Round ? QRegion::Ellipse : QRegion::Rectangle);
    if (withHole && Round) {
        const QRect inner =
            dev.ToQRect().adjusted(dev.Width() / 4, dev.Height() / 4, -dev.Width() / 4, -dev.Height() / 4);
        region -= QRegion(inner, QRegion::Ellipse);
    }
    return region;
}

// ---- input

void SendPress(QWidget* w, const QPoint& p, Qt::MouseButton button, Qt::KeyboardModifiers mods) {
    QMouseEvent e(QEvent::MouseButtonPress, QPointF(p), w->mapToGlobal(QPointF(p)), button, button, mods);
    QCoreApplication::sendEvent(w, &e);
}

void SendMove(QWidget* w, const QPoint& p, Qt::MouseButtons buttons, Qt::KeyboardModifiers mods) {
    QMouseEvent e(QEvent::MouseMove, QPointF(p), w->mapToGlobal(QPointF(p)), Qt::NoButton, buttons, mods);
    QCoreApplication::sendEvent(w, &e);
}

void SendRelease(QWidget* w, const QPoint& p, Qt::MouseButton button, Qt::KeyboardModifiers mods) {
    QMouseEvent e(QEvent::MouseButtonRelease, QPointF(p), w->mapToGlobal(QPointF(p)), button, Qt::NoButton,
                  mods);
    QCoreApplication::sendEvent(w, &e);
}

void SendClick(QWidget* w, const QPoint& p, Qt::KeyboardModifiers mods) {
    SendPress(w, p, Qt::LeftButton, mods);
    SendRelease(w, p, Qt::LeftButton, mods);
}

void SendDoubleClick(QWidget* w, const QPoint& p) {
    SendClick(w, p);
    QMouseEvent e(QEvent::MouseButtonDblClick, QPointF(p), w->mapToGlobal(QPointF(p)), Qt::LeftButton,
                  Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
    SendRelease(w, p);
}

void SendKey(QWidget* w, int key, Qt::KeyboardModifiers mods) {
    QKeyEvent press(QEvent::KeyPress, key, mods);
    QCoreApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods);
    QCoreApplication::sendEvent(w, &release);
}

TColor PixelAt(const QImage& image, int x, int y) {
    const QRgb c = image.pixel(x, y);
    return RGB(qRed(c), qGreen(c), qBlue(c));
}

void ResetEngineGlobals() {
    GhostList().ClearGhosts();
    GhostList().OnClear = nullptr;
    while (UndoList().GroupLevel() > 0)
        UndoList().EndGroup();
    UndoList().Clear();
    UndoList().SetEnabled(true);
    UndoList().SetAllowRepeat(true);
    RegisterTestClasses();
}

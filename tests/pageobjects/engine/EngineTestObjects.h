#pragma once
// Simple page objects, designers and faces for the engine tests.

#include "pageobjects/engine/UDOFunc.h"
#include "pageobjects/engine/UDOUtils.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/engine/ULORectBase.h"
#include "platform/Canvas.h"

#include <QImage>
#include <functional>
#include <vector>

// A filled rectangle of one colour, with a blend ratio and a rotation angle.
class TTestRect : public TLORectBase, public virtual IDOBlend, public virtual IDORotate {
    QUORLANE_CLASS(TTestRect, TLORectBase)

public:
    explicit TTestRect(TComponent* owner);
    static void DeclareProperties(TPropertyBuilder<TTestRect>& p);

    TColor FillColor() const { return fillColor_; }
    void SetFillColor(TColor value);
    int Angle() const { return angle_; }
    void SetAngle(int value) override;
    int GetAngle() override { return angle_; }

    void SetBlendShade(bool value) override { TLabelObject::SetBlendShade(value); }
    bool GetBlendShade() override { return BlendShade(); }
    void SetBlendRatio(int value) override { TLabelObject::SetBlendRatio(value); }
    int GetBlendRatio() override { return BlendRatio(); }

    void SetEnclosingSize(int w, int h) override;
    void DrawOutline(TCanvas& canvas) override;

    // Raises on the next paints while set (to show the error display).
    bool FailPaint = false;
    int PaintCount = 0;

protected:
    void Paint() override;
    void AssignTo(TPersistent* dest) const override;
    bool GetInterface(const TGUID& iid, void** obj) override;

private:
    TColor fillColor_ = clRed;
    int angle_ = 0;
};

// A component that is no draw object (to be passed over in stored object lists).
class TTestThing : public TComponent {
    QUORLANE_CLASS(TTestThing, TComponent)

public:
    explicit TTestThing(TComponent* owner) : TComponent(owner) {}
    static void DeclareProperties(TPropertyBuilder<TTestThing>& p);
    int Value() const { return value_; }
    void SetValue(int v) { value_ = v; }

private:
    int value_ = 0;
};

// Registers the test classes once.
void RegisterTestClasses();

TTestRect* AddRect(TDrawSite& site, const TRect& r, TColor color = clRed, int layerGroup = 0);

// A designer whose answers the test decides.
class TTestDesigner : public TDODesigner {
public:
    std::function<bool(TDrawSite*, const QString&)> onCommand;
    std::function<bool(TDrawObject*, bool&)> onEdit;
    std::function<bool(TDrawObject*)> onPivots;
    std::function<bool(TDrawObject*, int)> onGhost;
    std::vector<QString> commands;

    bool DoCommand(TDrawSite* site, const QString& command) override;
    bool EditObject(TDrawObject* object, bool& flag) override;
    bool MakePivots(TDrawObject* object) override;
    bool MakeGhost(TDrawObject* object, int handle) override;
};

// Adds a designer to the global list for the extent of a test.
class TScopedDesigner {
public:
    TScopedDesigner();
    ~TScopedDesigner();
    TTestDesigner* operator->() const { return designer_; }
    TTestDesigner* get() const { return designer_; }

private:
    TTestDesigner* designer_;
};

// A rectangular face, optionally with an elliptic hole.
class TTestFace : public TFaceGeometry {
public:
    TRect Outer;
    bool Round = false;
    TRect GetOuterRect() const override { return Outer; }
    QRegion CreateRegion(TCanvas& canvas, bool withHole, const TPoint& offset) const override;
};

// Synthetic input to a widget, as the window system would deliver it.
void SendPress(QWidget* w, const QPoint& p, Qt::MouseButton button = Qt::LeftButton,
               Qt::KeyboardModifiers mods = Qt::NoModifier);
void SendMove(QWidget* w, const QPoint& p, Qt::MouseButtons buttons = Qt::LeftButton,
              Qt::KeyboardModifiers mods = Qt::NoModifier);
void SendRelease(QWidget* w, const QPoint& p, Qt::MouseButton button = Qt::LeftButton,
                 Qt::KeyboardModifiers mods = Qt::NoModifier);
void SendClick(QWidget* w, const QPoint& p, Qt::KeyboardModifiers mods = Qt::NoModifier);
void SendDoubleClick(QWidget* w, const QPoint& p);
void SendKey(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier);

// Colour of an image pixel as 0x00BBGGRR.
TColor PixelAt(const QImage& image, int x, int y);

// Resets the process-wide lists between tests.
void ResetEngineGlobals();

#pragma once
// What every printable page object has beyond the draw object: DontPrint, the blend ratio and
// shade, handles and drag ghosts obtained from the designer list, and property editing through
// the designers (a double click opens the editor).

#include "pageobjects/engine/UDrawObject.h"
#include "pageobjects/engine/UGhost.h"

class TLabelObject : public TDrawObject {
    QUORLANE_CLASS(TLabelObject, TDrawObject)

public:
    explicit TLabelObject(TComponent* owner);

    static void DeclareProperties(TPropertyBuilder<TLabelObject>& p);

    bool DontPrint() const { return dontPrint_; }
    // A change broadcasts GUID_DontPrintChanged, then Changed.
    void SetDontPrint(bool value);
    int BlendRatio() const { return blendRatio_; }
    void SetBlendRatio(int value);
    bool BlendShade() const { return blendShade_; }
    void SetBlendShade(bool value);

    // Stores the value and, when it changed, signals Changed before the movable event.
    void SetMovable(bool value) override;
    // Asks the designer list to edit the object; whether a designer handled it.
    bool EditProperty();

    void MakePivots() override;
    void MakeGhost(int handle) override;
    // Nothing on a printer while DontPrint is set.
    void PaintTo(TCanvas& canvas) override;
    // No hit while a drag holds ghosts, so the mouse passes to the site.
    bool HitTestControl(int x, int y) override;
    // Moves go to the site's handler (in site pixels).
    void MouseMove(TShiftState shift, int x, int y) override;

protected:
    void AssignTo(TPersistent* dest) const override;

private:
    void DoubleClickEditor(TObject* sender);

    bool dontPrint_ = false;
    int blendRatio_ = 100;
    bool blendShade_ = false;
};

// The selection handle of a label object: 6 pixels square; a black square with a white frame
// for a movable object, the plain handle paint for a fixed one; never drawn by inversion.
class TLabelPivot : public TPivot {
    QUORLANE_CLASS(TLabelPivot, TPivot)

public:
    explicit TLabelPivot(TComponent* owner);
    TLabelPivot(TDrawObject* object, TCursor cursor, int index);

    bool IsInverted() override { return false; }

protected:
    void Paint() override;
};

#pragma once
// A text object is edited like a rectangle while it is straight and like a curve once it is bent.
// The text designer places the handles of a straight text: the rectangle handles plus a red
// bulge handle in its centre, from which the user bends the text. It makes no ghosts itself: the
// curve designer makes those of the bulge handle, the move and the creation, the rectangle
// designer those of the resize and rotate handles. A bent text is left to the curve designer.

#include "pageobjects/engine/UDOFunc.h"

class TDrawObject;

// The object is a curve whose bulge is not 0.
bool IsBulgedText(TDrawObject* object);

class TDOTextGhostDesigner : public TDODesigner {
public:
    bool MakePivots(TDrawObject* object) override;
};

// Loads the rotate cursor and registers the ghost designers in the designer list (the global one
// at start-up, once) in the order line, rectangle, curve, text, so that the text designer is
// asked first.
void RegisterGhostDesigners(TDODesignerList& list = DesignerList());

#pragma once
// The interfaces through which the engine, the ghosts and the utilities reach any page object
// without knowing its class: bounds, rotation, lines and curves. An object answers the ones it
// implements; code that needs one asks for it (Supports<I>) and skips objects that refuse.

#include "core/UInterfaces.h"
#include "platform/Rect.h"

#include <QString>

class TColorSpec;
struct TFont;

struct IDOEncloseBounds : virtual IUnknownEx {
    static constexpr TGUID IID = GUIDLiteral("{4B303A53-7027-11D1-A16E-0060976E9510}");
    virtual void MoveBy(int dx, int dy) = 0;
    // Sets the size so that the bounding rectangle measures w x h.
    virtual void SetEnclosingSize(int w, int h) = 0;
    virtual void GetLogRect(TRect& r) = 0;

protected:
    ~IDOEncloseBounds() = default;
};

// Whole degrees, clockwise on the page.
struct IDORotate : virtual IUnknownEx {
    static constexpr TGUID IID = GUIDLiteral("{14B4B450-7230-11D1-A177-0060976E9510}");
    virtual int GetAngle() = 0;
    virtual void SetAngle(int value) = 0;

protected:
    ~IDORotate() = default;
};

// End points in logical units.
struct IDOLine : virtual IUnknownEx {
    static constexpr TGUID IID = GUIDLiteral("{9E37EE01-9488-11D2-9408-0060976E9510}");
    virtual void GetStartPoint(TPoint& p) = 0;
    virtual void SetStartPoint(const TPoint& p) = 0;
    virtual void GetEndPoint(TPoint& p) = 0;
    virtual void SetEndPoint(const TPoint& p) = 0;

protected:
    ~IDOLine() = default;
};

// A line with a bulge point; BeginCurveEdit and EndCurveEdit bracket an interactive bulge edit.
struct IDOCurve : virtual IDOLine {
    static constexpr TGUID IID = GUIDLiteral("{705CB8D0-8E77-11D1-A1CC-0060976E9510}");
    virtual void BeginCurveEdit() = 0;
    virtual void EndCurveEdit() = 0;
    virtual void GetBulgePoint(TPoint& p) = 0;
    virtual void SetBulgePoint(const TPoint& p) = 0;

protected:
    ~IDOCurve() = default;
};

// Property interfaces of the text and photo objects that engine commands and ghosts ask for.
struct IDOVertical : virtual IUnknownEx {
    static constexpr TGUID IID = GUIDLiteral("{DA0A5EA0-8D74-11D1-A1CA-0060976E9510}");
    virtual bool GetVertical() = 0;
    virtual void SetVertical(bool value) = 0;

protected:
    ~IDOVertical() = default;
};

// The object's main colour (text, line or frame); the object keeps its spec, a set copies from value.
struct IDOColor : virtual IUnknownEx {
    static constexpr TGUID IID = GUIDLiteral("{405F7333-8D50-11D1-A1CA-0060976E9510}");
    virtual TColorSpec& GetColor() = 0;
    virtual void SetColor(const TColorSpec& value) = 0;

protected:
    ~IDOColor() = default;
};

// The inside of a closed shape; NoFill leaves it unpainted.
struct IDOFill : virtual IUnknownEx {
    static constexpr TGUID IID = GUIDLiteral("{405F7334-8D50-11D1-A1CA-0060976E9510}");
    virtual TColorSpec& GetFillColor() = 0;
    virtual void SetFillColor(const TColorSpec& value) = 0;
    virtual bool GetNoFill() = 0;
    virtual void SetNoFill(bool value) = 0;

protected:
    ~IDOFill() = default;
};

// The text alignment code of a text object.
struct IDOAlign : virtual IUnknownEx {
    static constexpr TGUID IID = GUIDLiteral("{405F7332-8D50-11D1-A1CA-0060976E9510}");
    virtual int GetAlign() = 0;
    virtual void SetAlign(int value) = 0;

protected:
    ~IDOAlign() = default;
};

// The object's font as a value (name, size, colour, style, character set); a set copies it in.
struct IDOFont : virtual IUnknownEx {
    static constexpr TGUID IID = GUIDLiteral("{405F7331-8D50-11D1-A1CA-0060976E9510}");
    virtual TFont GetFont() = 0;
    virtual void SetFont(const TFont& value) = 0;

protected:
    ~IDOFont() = default;
};

// The slant of the character feed in degrees (45 and -45 lay text along a diagonal).
struct IDOFeedAngle : virtual IUnknownEx {
    static constexpr TGUID IID = GUIDLiteral("{5FA98FF7-4B5B-4ECB-8E35-71404A61DE83}");
    virtual int GetFeedAngle() = 0;
    virtual void SetFeedAngle(int value) = 0;

protected:
    ~IDOFeedAngle() = default;
};

// The page wizard's input of an object: whether the wizard asks for it, and its caption.
struct IDOWizardInput : virtual IUnknownEx {
    static constexpr TGUID IID = GUIDLiteral("{30EAB04F-B991-4260-BDF1-3EF623FEB949}");
    virtual bool GetWizInputEnable() = 0;
    virtual void SetWizInputEnable(bool value) = 0;
    virtual QString GetWizInputCaption() = 0;
    virtual void SetWizInputCaption(const QString& value) = 0;

protected:
    ~IDOWizardInput() = default;
};

struct IDOAutoSize : virtual IUnknownEx {
    static constexpr TGUID IID = GUIDLiteral("{405F7330-8D50-11D1-A1CA-0060976E9510}");
    virtual bool GetAutoSize() = 0;
    virtual void SetAutoSize(bool value) = 0;

protected:
    ~IDOAutoSize() = default;
};

// The turn of a photo inside its frame, in degrees (-1 fits the frame).
struct IDOPhotoRotate : virtual IUnknownEx {
    static constexpr TGUID IID = GUIDLiteral("{A9AAA42A-D3D5-4BBC-8136-D37B8650489F}");
    virtual int GetPhotoAngle() = 0;
    virtual void SetPhotoAngle(int value) = 0;

protected:
    ~IDOPhotoRotate() = default;
};

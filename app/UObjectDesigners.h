#pragma once
// The designers that answer an edit request for a page object (a double-click, or a tool's new
// object) by showing its property panel: each prepares an object not yet on a page and hands the
// object to the main window's edit-object command. Embedded objects open in their own server, which
// is not available here.

#include "pageobjects/engine/UDOFunc.h"

#include <functional>

class IAppHost;

// Where a designer finds the main window to hand an object to when it is asked (null: none).
using TAppHostSource = std::function<IAppHost*()>;

// A designer that hands its objects to the host's edit-object command.
class TDOHostedDesigner : public TDODesigner {
public:
    explicit TDOHostedDesigner(TAppHostSource host) : host_(std::move(host)) {}

protected:
    IAppHost* Host() const { return host_ ? host_() : nullptr; }

private:
    TAppHostSource host_;
};

// The designers' EditObject: false at once for another kind; otherwise placed tells whether the
// object is on a page already.
class TDOPhotoEditor : public TDOHostedDesigner {
public:
    using TDOHostedDesigner::TDOHostedDesigner;
    // Album photos with a picture.
    bool EditObject(TDrawObject* object, bool& placed) override;
};

class TDOTextEditor : public TDOHostedDesigner {
public:
    using TDOHostedDesigner::TDOHostedDesigner;
    // Any text; a new one sizes itself to its text.
    bool EditObject(TDrawObject* object, bool& placed) override;
};

class TDOAlbumIllustEditor : public TDOHostedDesigner {
public:
    using TDOHostedDesigner::TDOHostedDesigner;
    // Illustrations with a picture; a new one takes its picture's natural size.
    bool EditObject(TDrawObject* object, bool& placed) override;
};

class TDOAlphaMaskEditor : public TDOHostedDesigner {
public:
    using TDOHostedDesigner::TDOHostedDesigner;
    // Any figure; a new one takes its mask picture's natural size.
    bool EditObject(TDrawObject* object, bool& placed) override;
};

class TDOBackImageEditor : public TDOHostedDesigner {
public:
    using TDOHostedDesigner::TDOHostedDesigner;
    bool EditObject(TDrawObject* object, bool& placed) override;
};

// The designers with an edit window of their own: the window opens for a new object (a cancel
// gives the object up) and for one on a page (OK records the change as one undo step "設定変更").
class TDOJANCodeEditor : public TDOHostedDesigner {
public:
    using TDOHostedDesigner::TDOHostedDesigner;
    bool EditObject(TDrawObject* object, bool& placed) override;
};

class TDODecoLineEditor : public TDOHostedDesigner {
public:
    using TDOHostedDesigner::TDOHostedDesigner;
    bool EditObject(TDrawObject* object, bool& placed) override;
};

class TDODecoStringEditor : public TDOHostedDesigner {
public:
    using TDOHostedDesigner::TDOHostedDesigner;
    bool EditObject(TDrawObject* object, bool& placed) override;
};

class TDOOLEEditor : public TDODesigner {
public:
    // Opens the embedded object for editing (which says that is not available here).
    bool EditObject(TDrawObject* object, bool& placed) override;
};

// Start-up, after the object factory and the ghost designers: the embedded-object designer, then
// the photo, text, illustration, figure and background designers, then those with edit windows
// (so those are asked first).
void RegisterObjectDesigners(TDODesignerList& list, TAppHostSource host);

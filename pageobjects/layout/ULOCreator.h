#pragma once
// The object factory: one designer that makes every page object the editor's tools and paste
// commands ask for and puts it on the site (with its property dialog, drawn by the user, or fitted
// at once), and the start-up registration that decides which class each class name of a stored
// page loads as.

#include "pageobjects/engine/UDOFunc.h"

#include <memory>

class TDrawObject;
class TDrawSite;

// Asked last of all designers, so that a newer designer may create or handle a kind first.
class TLOCreator : public TDODesigner {
public:
    // The object for a kind name of the tools and paste commands (the paste kinds and "TLOImage"
    // make the classes the editor works with), else the class registered under that name; the
    // caller owns it. Kind names are compared exactly.
    TDrawObject* CreateObject(const QString& kindName) override;
    // Makes the object through the designer list, prepares it for its kind (pastes take the
    // clipboard) and inserts it. False when nothing was made or the user gave it up. An exception
    // of the preparation frees the object and passes on, the site untouched.
    bool DoCommand(TDrawSite* site, const QString& kindName) override;
};

// Puts a new object on site: the active editor's ObjectCreatedHook prepares it; with edit its
// property dialog opens next (a cancel frees it);
// with place the user then draws its extent (creation ghost); otherwise it is fitted to the
// site, recorded for undo as "追加" and selected when it can be. True when the object stayed.
bool InsertCreatedObject(TDrawSite* site, std::unique_ptr<TDrawObject> object, bool edit, bool place);

// Start-up: registers the page-object classes for streaming (once per process; "TLOImage" then
// loads as the wizard image) with the picture classes they hold, and adds a TLOCreator to list.
// Run before the ghost designers are registered so that the factory is asked last.
void RegisterLayoutObjects(TDODesignerList& list = DesignerList());

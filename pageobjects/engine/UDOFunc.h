#pragma once
// Designers: plug-in objects that know how page objects are created, edited, handled and
// dragged. They sit in one global list and are asked in turn, newest first, until one handles
// the request; the ghost designers, the object factory and the property editors are designers.

#include "core/UInterfaces.h"

#include <QString>
#include <vector>

class TDrawObject;
class TDrawSite;

struct IDODesigner : virtual IUnknownEx {
    static constexpr TGUID IID = GUIDLiteral("{CF484154-74BF-11D1-A181-0060976E9510}");
    virtual bool DoCommand(TDrawSite* site, const QString& command) = 0;
    // flag: see TDODesignerList::EditObject.
    virtual bool EditObject(TDrawObject* object, bool& flag) = 0;
    virtual bool MakePivots(TDrawObject* object) = 0;
    virtual bool MakeGhost(TDrawObject* object, int handle) = 0;
    // A new object of the named class (the caller owns it), or nullptr.
    virtual TDrawObject* CreateObject(const QString& className) = 0;

protected:
    ~IDODesigner() = default;
};

// The designer base: handles nothing. Freed when the list releases it.
class TDODesigner : public TAutoFreeInterface, public virtual IDODesigner {
public:
    bool DoCommand(TDrawSite* site, const QString& command) override;
    TDrawObject* CreateObject(const QString& className) override;
    bool EditObject(TDrawObject* object, bool& flag) override;
    bool MakePivots(TDrawObject* object) override;
    bool MakeGhost(TDrawObject* object, int handle) override;

protected:
    bool GetInterface(const TGUID& iid, void** obj) override;
};

class TDODesignerList : public TObject {
public:
    TDODesignerList() = default;
    // Releases every designer, oldest first.
    ~TDODesignerList() override;
    TDODesignerList(const TDODesignerList&) = delete;
    TDODesignerList& operator=(const TDODesignerList&) = delete;

    // Appends a designer (later ones are asked first). module names the loadable module the
    // designer's code comes from (nullptr: the application), for ModuleUnloaded.
    void Add(IUnknownEx* designer, const void* module = nullptr);
    void Remove(IUnknownEx* designer);
    // Releases the designers after the first count (newest first), as their registrar goes.
    void Truncate(int count);
    int Count() const { return int(items_.size()); }

    // Each, newest first, until one handles it; designers without IDODesigner are skipped.
    bool DoCommand(TDrawSite* site, const QString& command);
    TDrawObject* CreateObject(const QString& className);
    bool MakePivots(TDrawObject* object);
    bool MakeGhost(TDrawObject* object, int handle);
    // The flag starts true and the first designer that handles the object may change it; when
    // one handled it and the object is on a draw site, the site's handles are rebuilt. The
    // answer is the flag inverted, so it is false when no designer handled the object.
    bool EditObject(TDrawObject* object);

    // A loadable module is about to go: its designers are released (newest first).
    void ModuleUnloaded(const void* module);

private:
    struct Item {
        TIntf<IUnknownEx> designer;
        const void* module;
    };
    // A snapshot, newest first, so that a designer may add or remove designers while asked.
    std::vector<TIntf<IDODesigner>> NewestFirst() const;

    std::vector<Item> items_;
};

// The one designer list of the process (UI thread only).
TDODesignerList& DesignerList();

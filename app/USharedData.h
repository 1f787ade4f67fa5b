#pragma once
// What the windows use of the data module: its shared stores, the preview maker and the plug-ins.
// The data module implements it, so a window reaches the shared data without the module's header
// (and the start-up and registrations that come with it).

class QString;
class TImageCacheStorage;
class TPapers;
class TPapersV2;
class TPicture;
class TPluginList;
class TProductDB;
struct IUnknownEx;

class ISharedData {
public:
    // Each is null when its store could not be loaded.
    virtual TPapersV2* Papers() const = 0;
    virtual TImageCacheStorage* ImageCache() const = 0;
    virtual TProductDB* ProductDB() const = 0;
    virtual TPluginList* ImportPlugins() const = 0;
    // What plug-ins are handed when created.
    virtual IUnknownEx* PluginHost() const = 0;

    // A 200 x 200 thumbnail of a picture file (safe on loader threads; loading errors pass to the
    // caller).
    virtual void GetPreviewImage(const QString& fileName, TPicture& picture) = 0;
    virtual void ClearImageCache() = 0;

protected:
    ~ISharedData() = default;
};

// The data module's shared data; null before the module is made and once it is gone.
ISharedData* sharedData();

// Writes a changed paper store at once, as every change of it must be; a failure shows the store's
// message and answers false (the store stays modified, so the next save tries again).
bool SavePaperStore(TPapers& papers);

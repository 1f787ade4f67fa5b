#pragma once
// Import plug-ins: shared libraries in a folder beside the executable. Each library exports one entry,
// QuorlaneComponentServer, that hands out its component server; the server lists the plug-in classes
// it offers (identifier, category, display name) and creates their objects. A TPluginList keeps the
// classes of one category found in a folder and creates a chosen plug-in, handing it the host.
//
// The protocol is C++ interfaces (see UInterfaces.h) shared by the host and the plug-ins, so a plug-in
// must be built with the same compiler and Qt as the host; the entry checks a protocol version.

#include "core/UInterfaces.h"
#include "platform/Exception.h"
#include "platform/Guid.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

class QWidget;
class TStream;

// A plug-in object. The host hands it its own interface right after creating it.
struct IComponentObject : virtual IUnknownEx {
    static constexpr TGUID IID = GUIDLiteral("{EDA01AB8-6659-4DD4-9480-0D52D0665DF5}");
    virtual void SetHost(IUnknownEx* host) = 0;
};

// What a plug-in library offers. Index runs from 0 to GetCount() - 1; failures throw.
struct IComponentServer : virtual IUnknownEx {
    static constexpr TGUID IID = GUIDLiteral("{94EC3A94-13A1-4FB0-BC23-89325ADC7876}");
    virtual int32_t GetCount() = 0;
    virtual TGUID GetCLSID(int32_t index) = 0;
    virtual TGUID GetCategory(int32_t index) = 0;
    virtual QString GetName(int32_t index) = 0;
    // A new object of a class the server offers, with one reference for the caller; null for a class
    // it does not know.
    virtual IComponentObject* CreateObject(const TGUID& clsid) = 0;
};

// An image-generation plug-in (category and interface share one identifier): it shows a window of
// its own and hands over the picture it made. Failures throw.
struct IImageGenerator : virtual IUnknownEx {
    static constexpr TGUID IID = GUIDLiteral("{0D01349C-343D-490A-A363-64130FB91C83}");
    // Shows the plug-in's own window over owner (may be null); true when it made a picture.
    virtual bool Run(QWidget* owner) = 0;
    // Writes the picture made as a BMP file into stream, at its position, through its virtual
    // Write only (the plug-in does not link the host's stream code).
    virtual void SaveToStream(TStream& stream) = 0;
};

// The version of this protocol; a library built for another answers nothing.
inline constexpr int32_t kComponentServerVersion = 1;
// The exported entry: returns the library's server with one reference for the caller, or null when the
// library does not speak this version.
using TComponentServerEntry = IComponentServer* (*)(int32_t version);
inline constexpr const char* kComponentServerEntry = "QuorlaneComponentServer";
// For plug-in sources: declares the entry with the right linkage and visibility.
#define QUORLANE_COMPONENT_SERVER_ENTRY                                                                      \
    extern "C" __attribute__((visibility("default"))) IComponentServer* QuorlaneComponentServer(             \
        int32_t version)

// Result codes of failed creations.
inline constexpr HRESULT CO_E_DLLNOTFOUND = static_cast<HRESULT>(0x800401F8u);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111u);

// One plug-in class.
struct TServerInfo {
    TGUID CLSID;
    TGUID Category;
    QString Name;    // display name
    QString DllName; // the library's path
};

class TPluginList {
public:
    explicit TPluginList(const TGUID& category) : category_(category) {}

    const TGUID& Category() const { return category_; }
    // Lists the plug-in classes of this list's category offered by the shared libraries of folder,
    // handing each server the host. Files that are not shared libraries are not loaded; a library that
    // fails to load or whose server fails is skipped (and logged) and the others are still read.
    void LoadFromFolder(const QString& folder, IUnknownEx* host);
    int GetCount() const { return static_cast<int>(servers_.size()); }
    const TServerInfo& Server(int index) const;
    QString GetServerName(int index) const { return Server(index).Name; }
    // Creates the plug-in of entry index and hands it the host. Raises EOleSysError on any failure.
    TIntf<IComponentObject> CreateInstance(int index, IUnknownEx* host) const;

private:
    TGUID category_;
    std::vector<TServerInfo> servers_;
};

#include "core/UPluginList.h"

#include "core/UPathUtil.h"

#include <QDir>
#include <QFile>
#include <QLibrary>
#include <map>

namespace {

// Loaded libraries stay loaded for the life of the process: objects they made may be alive anywhere.
QLibrary* LoadedLibrary(const QString& fileName) {
    static std::map<QString, std::unique_ptr<QLibrary>> libraries;
    auto it = libraries.find(fileName);
    if (it == libraries.end()) {
        auto library = std::make_unique<QLibrary>(fileName);
        if (!library->load()) {
            qWarning("plug-in %s not loaded: %s", qPrintable(fileName), qPrintable(library->errorString()));
            return nullptr;
        }
        it = libraries.emplace(fileName, std::move(library)).first;
    }
    return it->second.get();
}

// A shared library by its name and by its first bytes; anything else in the folder is no plug-in.
bool IsSharedLibrary(const QString& fileName) {
    if (!QLibrary::isLibrary(fileName))
        return false;
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) && file.read(4) == QByteArrayLiteral("\x7f"
                                                                               "ELF");
}

// The server of a library, or null (with the reason in result) when there is none.
TIntf<IComponentServer> ServerOf(const QString& fileName, HRESULT& result) {
    result = CO_E_DLLNOTFOUND;
    QLibrary* library = LoadedLibrary(fileName);
    if (!library)
        return {};
    auto entry = reinterpret_cast<TComponentServerEntry>(library->resolve(kComponentServerEntry));
    if (!entry)
        return {};
    IComponentServer* server = entry(kComponentServerVersion);
    if (!server)
        return {};
    result = S_OK;
    return TIntf<IComponentServer>::Adopt(server);
}

void HandHost(IUnknownEx* object, IUnknownEx* host) {
    if (TIntf<IComponentObject> target = Supports<IComponentObject>(object))
        target->SetHost(host);
}

} // namespace

void TPluginList::LoadFromFolder(const QString& folder, IUnknownEx* host) {
    const QDir dir(folder);
    if (folder.isEmpty() || !dir.exists())
        return;
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name)) {
        const QString fileName = JoinPath(dir.path(), name);
        if (!IsSharedLibrary(fileName))
            continue;
        try {
            HRESULT result = S_OK;
            TIntf<IComponentServer> server = ServerOf(fileName, result);
            if (!server)
                continue;
            HandHost(server.get(), host);
            // The library's classes are taken all or none, so a server that fails half-way adds nothing.
            std::vector<TServerInfo> found;
            const int32_t count = server->GetCount();
            for (int32_t i = 0; i < count; ++i) {
                if (server->GetCategory(i) != category_)
                    continue;
                found.push_back({server->GetCLSID(i), category_, server->GetName(i), fileName});
            }
            servers_.insert(servers_.end(), found.begin(), found.end());
        } catch (const std::exception& e) {
            qWarning("plug-in %s skipped: %s", qPrintable(fileName), e.what());
        } catch (...) {
            qWarning("plug-in %s skipped: unknown exception", qPrintable(fileName));
        }
    }
}

const TServerInfo& TPluginList::Server(int index) const {
    if (index < 0 || index >= GetCount())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    return servers_[static_cast<size_t>(index)];
}

TIntf<IComponentObject> TPluginList::CreateInstance(int index, IUnknownEx* host) const {
    const TServerInfo& info = Server(index);
    HRESULT result = S_OK;
    try {
        TIntf<IComponentServer> server = ServerOf(info.DllName, result);
        if (!server)
            throw EOleSysError(result);
        IComponentObject* created = server->CreateObject(info.CLSID);
        if (!created)
            throw EOleSysError(CLASS_E_CLASSNOTAVAILABLE);
        TIntf<IComponentObject> object = TIntf<IComponentObject>::Adopt(created);
        object->SetHost(host);
        return object;
    } catch (const EOleSysError&) {
        throw;
    } catch (const std::exception& e) {
        throw EOleSysError(QString::fromUtf8(e.what()), E_FAIL);
    }
}

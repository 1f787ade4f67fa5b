#include "platform/ClassRegistry.h"

#include "platform/PropertyRegistry.h"

#include <algorithm>
#include <mutex>
#include <utility>
#include <vector>

namespace {

struct Registry {
    std::mutex mutex;
    std::vector<const TMetaClass*> classes;
    std::vector<std::pair<QString, const TMetaClass*>> aliases;

    const TMetaClass* Find(const QString& name) const {
        for (const TMetaClass* c : classes) {
            if (c->Name().compare(name, Qt::CaseInsensitive) == 0)
                return c;
        }
        for (const auto& [alias, c] : aliases) {
            if (alias.compare(name, Qt::CaseInsensitive) == 0)
                return c;
        }
        return nullptr;
    }
    bool Contains(const TMetaClass& meta) const {
        return std::find(classes.begin(), classes.end(), &meta) != classes.end();
    }
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

} // namespace

void RegisterClass(const TMetaClass& meta) {
    Registry& r = TheRegistry();
    const std::lock_guard lock(r.mutex);
    // The class, then its ancestors nearest first, up to one that is already there.
    for (const TMetaClass* c = &meta; c != nullptr && !r.Contains(*c); c = c->Parent()) {
        if (r.Find(c->Name()) != nullptr)
            throw EFilerError(QStringLiteral("A class named %1 already exists").arg(c->Name()));
        r.classes.push_back(c);
    }
}

void RegisterClasses(std::initializer_list<const TMetaClass*> classes) {
    for (const TMetaClass* c : classes)
        RegisterClass(*c);
}

void UnRegisterClass(const TMetaClass& meta) {
    Registry& r = TheRegistry();
    const std::lock_guard lock(r.mutex);
    r.classes.erase(std::remove(r.classes.begin(), r.classes.end(), &meta), r.classes.end());
}

void RegisterClassAlias(const TMetaClass& meta, const QString& alias) {
    Registry& r = TheRegistry();
    const std::lock_guard lock(r.mutex);
    r.aliases.emplace_back(alias, &meta);
}

const TMetaClass* GetClass(const QString& name) {
    Registry& r = TheRegistry();
    const std::lock_guard lock(r.mutex);
    return r.Find(name);
}

const TMetaClass& FindClass(const QString& name) {
    const TMetaClass* meta = GetClass(name);
    if (meta == nullptr)
        throw EClassNotFound(QStringLiteral("Class %1 not found").arg(name));
    return *meta;
}

bool IsClassRegistered(const TMetaClass& meta) {
    Registry& r = TheRegistry();
    const std::lock_guard lock(r.mutex);
    return r.Contains(meta);
}

QStringList RegisteredClassNames() {
    Registry& r = TheRegistry();
    const std::lock_guard lock(r.mutex);
    QStringList names;
    for (const TMetaClass* c : r.classes)
        names << c->Name();
    return names;
}

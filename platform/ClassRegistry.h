#pragma once
// The class library's registry of stream classes: the names a stored component may carry and
// the class each loads as. Lookup compares names without regard to case and searches the
// registered classes before the aliases. Registering a class also registers its ancestors,
// nearest first, up to one already registered.
//
// Register from an explicit start-up function of the unit, not from a static initialiser: the
// linker drops object files of a static library that nothing references.

#include "platform/Exception.h"

#include <QString>
#include <QStringList>
#include <initializer_list>

class TMetaClass;

QUORLANE_EXCEPTION(EFilerError, EStreamError)
QUORLANE_EXCEPTION(EClassNotFound, EFilerError)

// EFilerError "A class named X already exists" when another class of that name (or an alias
// of that name) is registered.
void RegisterClass(const TMetaClass& meta);
void RegisterClasses(std::initializer_list<const TMetaClass*> classes);
// Takes the class out of the registered classes (not its ancestors, not aliases to it).
void UnRegisterClass(const TMetaClass& meta);
void RegisterClassAlias(const TMetaClass& meta, const QString& alias);
// The class registered under name (or an alias of it), or nullptr.
const TMetaClass* GetClass(const QString& name);
// As GetClass, raising EClassNotFound "Class X not found".
const TMetaClass& FindClass(const QString& name);
bool IsClassRegistered(const TMetaClass& meta);
// Names of the registered classes in registration order (for diagnostics and tests).
QStringList RegisteredClassNames();

template <class T>
void RegisterClass() {
    RegisterClass(T::StaticClass());
}

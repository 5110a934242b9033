#pragma once
// modCreateObj on Windows: a COM object straight from an in-process server DLL
// by class name, without the class being registered. The class id comes from
// the DLL's own type library (LoadTypeLibEx with REGKIND_NONE, so nothing is
// written to the registry); the object from the DLL's DllGetClassObject and the
// class factory it hands out. Paths and names are in the ANSI code page.
//
// Modules are never unloaded: one already in the process is reused and a
// loaded one stays after its objects are gone.
#include "platform/modcreateobjcore.h"

#include <string>
#include <vector>

struct IUnknown;

namespace modCreateObj {

// True with the coclasses in type-library order; false with an empty list
// when no type library can be loaded from the path.
bool ListTypeLibClasses(const std::string &path, std::vector<ClassEntryA> *classes);

// A new object (its IUnknown, the caller's only reference) of the first class
// named className in any letter case; nullptr when the type library cannot be
// loaded, no class has that name, the module cannot be loaded, has no
// DllGetClassObject, or the entry point or the factory fail.
// Throws SubscriptOutOfRange (9, "下标越界") when the type library holds no class.
IUnknown *CreateFromDll(const std::string &path, const std::string &className);

} // namespace modCreateObj

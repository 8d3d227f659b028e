#pragma once
// The class objects DllGetClassObject hands out: each makes new objects of one class.

#include <windows.h>
#include <ole2.h>

namespace com {

using Creator = IUnknown* (*)();

// A new class factory for the class, AddRef'ed; nothing for a class this module does not serve.
IClassFactory* classFactoryFor(REFCLSID classId);

}  // namespace com

#pragma once
// The module's own type library (resource TYPELIB 1), loaded once, and the interface type
// information that IDispatch calls are served from.

#include <windows.h>
#include <ole2.h>
#include <oaidl.h>

namespace com {

ITypeLib* moduleTypeLibrary();  // not AddRef'ed: the module keeps it
// The vtable (TKIND_INTERFACE) type information of a dual interface, not AddRef'ed; null on failure.
ITypeInfo* interfaceTypeInfo(REFIID interfaceId);

}  // namespace com

#pragma once
// What DllRegisterServer writes and DllUnregisterServer removes: the type library, the five
// classes (in-process server, apartment threading, ProgID, type library) and Word's add-in entry.

#include <windows.h>
#include <ole2.h>

namespace com {

HRESULT registerServer();
HRESULT unregisterServer();

}  // namespace com

#pragma once
// The DLL module: its handle, the count of living objects and server locks that DllCanUnloadNow
// answers from, and the platform services every object of the module shares.

#include <windows.h>
#include <ole2.h>

#include <string>

#include "automation/object_factory.h"
#include "platform/platform.h"

namespace com {

HMODULE moduleHandle();
std::wstring modulePath();

// Living objects and LockServer locks; the module may unload when both are zero.
void objectCreated();
void objectDestroyed();
void lockServer(bool lock);
bool canUnload();

// The module's platform: the Win32 services over this module's resources.
const platform::Platform& modulePlatform();
automation::ObjectFactory& moduleObjects();

}  // namespace com

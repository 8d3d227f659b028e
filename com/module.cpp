#include "com/module.h"

#include <atomic>
#include <memory>

#include "automation/win32/com_object_factory.h"
#include "automation/win32/module_lifetime.h"
#include "platform/growing_buffer.h"
#include "platform/win32/win32_platform.h"

namespace com {

namespace {

HMODULE g_module = nullptr;
std::atomic<long> g_objects{0};
std::atomic<long> g_locks{0};

}  // namespace

HMODULE moduleHandle() { return g_module; }

std::wstring modulePath() {
  auto path = platform::fetchGrowing(MAX_PATH, [](wchar_t* buffer, std::uint32_t capacity) -> std::uint32_t {
    const DWORD length = GetModuleFileNameW(g_module, buffer, capacity);
    // A full buffer means the path was cut: ask for a larger one.
    return length >= capacity ? capacity + MAX_PATH : length;
  });
  return path.value_or(L"");
}

void objectCreated() { ++g_objects; }
void objectDestroyed() { --g_objects; }
void lockServer(bool lock) { lock ? ++g_locks : --g_locks; }
bool canUnload() { return g_objects == 0 && g_locks == 0; }

const platform::Platform& modulePlatform() {
  // Made at first use, on the thread of the first object: apartment-threaded classes only.
  static platform::win32::Win32Platform services(g_module);
  static const platform::Platform platform = services.platform();
  return platform;
}

automation::ObjectFactory& moduleObjects() {
  static automation::win32::ComObjectFactory factory;
  return factory;
}

}  // namespace com

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    com::g_module = instance;
    DisableThreadLibraryCalls(instance);
    // The event sinks the add-in hands to Office are objects of this module too.
    automation::win32::setObjectLifetimeHooks(com::objectCreated, com::objectDestroyed);
  }
  return TRUE;
}

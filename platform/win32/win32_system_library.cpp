#include "platform/win32/win32_system_library.h"

#include <windows.h>

namespace platform::win32 {

SystemLibrary::SystemLibrary(const wchar_t* fileName) noexcept
    // Fails (ERROR_INVALID_PARAMETER) on a Windows 7 without the update that added the flag;
    // the library then counts as unavailable rather than being searched for elsewhere.
    : module_(LoadLibraryExW(fileName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {}

SystemLibrary::~SystemLibrary() {
  if (module_ != nullptr) FreeLibrary(module_);
}

SystemLibrary::AnyFunction SystemLibrary::address(const char* name) const noexcept {
  if (module_ == nullptr) return nullptr;
  // FARPROC and void (*)() are both plain function pointers; going through void (*)() is the
  // conversion the compiler accepts between unrelated function types without a warning.
  return reinterpret_cast<AnyFunction>(GetProcAddress(module_, name));
}

}  // namespace platform::win32

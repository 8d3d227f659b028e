#include "platform/win32/win32_registry.h"

#include <windows.h>

#include <new>

#include "platform/win32/win32_handles.h"
#include "platform/win32/win32_registry_key.h"
#include "platform/win32/win32_system_library.h"

namespace platform::win32 {
namespace {

// A predefined root key from its 32-bit value, sign-extended on 64-bit Windows as winreg.h does.
HKEY rootKey(std::int32_t root) {
  return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(root)));
}

// Hands an open key over to `key`, or closes it again.
long wrapped(HKEY opened, std::unique_ptr<RegistryKey>& key) {
  UniqueKey owner(opened);  // closes the key if the wrapper cannot be allocated
  auto* wrapper = new (std::nothrow) Win32RegistryKey(owner.get());
  if (wrapper == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
  owner.release();
  key.reset(wrapper);
  return ERROR_SUCCESS;
}

}  // namespace

long Win32Registry::createKey(std::int32_t root, const std::wstring& path, std::uint32_t access,
                              std::unique_ptr<RegistryKey>& key) {
  wchar_t keyClass[] = L"1";  // the class stored with a key this call creates
  HKEY opened = nullptr;
  const LSTATUS status = RegCreateKeyExW(rootKey(root), path.c_str(), 0, keyClass, REG_OPTION_NON_VOLATILE,
                                         access, nullptr, &opened, nullptr);
  if (status != ERROR_SUCCESS) return status;
  return wrapped(opened, key);
}

long Win32Registry::openKey(std::int32_t root, const std::wstring& path, std::uint32_t access,
                            std::unique_ptr<RegistryKey>& key) {
  HKEY opened = nullptr;
  const LSTATUS status = RegOpenKeyExW(rootKey(root), path.c_str(), 0, access, &opened);
  if (status != ERROR_SUCCESS) return status;
  return wrapped(opened, key);
}

bool Win32Registry::treeDeleteAvailable() {
  // The same test deleteSubKeyTree makes before each use; the library is freed again at once.
  return SystemLibrary(L"shlwapi.dll").loaded();
}

}  // namespace platform::win32

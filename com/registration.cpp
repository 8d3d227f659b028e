#include "com/registration.h"

#include <memory>
#include <string>
#include <vector>

#include "LockfolioAddIn_h.h"
#include "com/module.h"
#include "com/type_library.h"
#include "platform/registry.h"
#include "platform/text.h"

namespace com {

namespace {

struct ClassEntry {
  const CLSID* classId;
  const wchar_t* name;
};

const ClassEntry kClasses[] = {
    {&CLSID_Connect, L"Connect"},
    {&CLSID_ClassAddIn, L"ClassAddIn"},
    {&CLSID_clsResStr, L"clsResStr"},
    {&CLSID_Restrictions, L"Restrictions"},
    {&CLSID_clsSessionFolder, L"clsSessionFolder"},
};

const wchar_t kWordAddInKey[] = L"Software\\Microsoft\\Office\\Word\\Addins\\LockfolioAddIn.Connect";

std::wstring guidText(const GUID& guid) {
  wchar_t text[64] = {};
  StringFromGUID2(guid, text, 64);
  return text;
}

std::wstring progIdOf(const ClassEntry& entry) { return std::wstring(L"LockfolioAddIn.") + entry.name; }

// Registry writes that stop at the first failure and say which.
class Writer {
 public:
  explicit Writer(platform::Registry& registry) : registry_(registry) {}

  void text(std::int32_t root, const std::wstring& key, const std::wstring& name, const std::wstring& value) {
    set(root, key, name, platform::kRegSz, platform::toUtf16Bytes(value, 1));
  }
  void number(std::int32_t root, const std::wstring& key, const std::wstring& name, std::uint32_t value) {
    set(root, key, name, platform::kRegDword,
        {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value >> 16),
         static_cast<std::uint8_t>(value >> 24)});
  }
  long failure() const { return failure_; }

 private:
  void set(std::int32_t root, const std::wstring& key, const std::wstring& name, std::uint32_t type,
           const std::vector<std::uint8_t>& data) {
    if (failure_ != ERROR_SUCCESS) return;
    std::unique_ptr<platform::RegistryKey> opened;
    failure_ = registry_.createKey(root, key, platform::kKeyAllAccess, opened);
    if (failure_ == ERROR_SUCCESS) failure_ = opened->setValue(name, type, data);
  }
  platform::Registry& registry_;
  long failure_ = ERROR_SUCCESS;
};

// Deletes root\parent\child with everything below it; a key that is not there is no failure.
// The parent is only opened: one that is not there holds nothing to delete, and creating it would
// leave keys behind that were never the module's.
long deleteTree(platform::Registry& registry, std::int32_t root, const std::wstring& path) {
  const std::size_t slash = path.rfind(L'\\');
  const std::wstring parentPath = slash == std::wstring::npos ? L"" : path.substr(0, slash);
  const std::wstring child = slash == std::wstring::npos ? path : path.substr(slash + 1);
  std::unique_ptr<platform::RegistryKey> parent;
  long result = registry.openKey(root, parentPath, platform::kKeyAllAccess, parent);
  if (result == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
  if (result != ERROR_SUCCESS) return result;
  result = registry.treeDeleteAvailable() ? parent->deleteSubKeyTree(child) : parent->deleteSubKey(child);
  return result == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : result;
}

long removeEverything() {
  platform::Registry& registry = modulePlatform().registry;
  long firstFailure = ERROR_SUCCESS;
  const auto keep = [&](long result) {
    if (firstFailure == ERROR_SUCCESS) firstFailure = result;
  };
  for (const ClassEntry& entry : kClasses) {
    keep(deleteTree(registry, platform::kHkeyClassesRoot, L"CLSID\\" + guidText(*entry.classId)));
    keep(deleteTree(registry, platform::kHkeyClassesRoot, progIdOf(entry)));
  }
  keep(deleteTree(registry, platform::kHkeyCurrentUser, kWordAddInKey));
  // Only a library that is registered is unregistered: the system's answer for one that is not
  // varies (Wine says E_INVALIDARG), and there is nothing left to remove then.
  HKEY registered = nullptr;
  const std::wstring libraryKey = L"TypeLib\\" + guidText(LIBID_LockfolioAddIn);
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, libraryKey.c_str(), 0, KEY_READ, &registered) == ERROR_SUCCESS) {
    RegCloseKey(registered);
    const HRESULT typeLibrary =
        UnRegisterTypeLib(LIBID_LockfolioAddIn, 1, 0, 0, sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
    if (FAILED(typeLibrary)) keep(HRESULT_CODE(typeLibrary));
  }
  return firstFailure;
}

}  // namespace

HRESULT registerServer() {
  ITypeLib* library = moduleTypeLibrary();
  if (!library) return TYPE_E_CANTLOADLIBRARY;
  const std::wstring path = modulePath();
  HRESULT result = RegisterTypeLib(library, const_cast<LPOLESTR>(path.c_str()), nullptr);
  if (FAILED(result)) return result;

  Writer write(modulePlatform().registry);
  const std::int32_t classes = platform::kHkeyClassesRoot;
  for (const ClassEntry& entry : kClasses) {
    const std::wstring key = L"CLSID\\" + guidText(*entry.classId);
    const std::wstring progId = progIdOf(entry);
    write.text(classes, key, L"", progId);
    write.text(classes, key + L"\\InprocServer32", L"", path);
    write.text(classes, key + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
    write.text(classes, key + L"\\ProgID", L"", progId);
    write.text(classes, key + L"\\TypeLib", L"", guidText(LIBID_LockfolioAddIn));
    write.text(classes, key + L"\\VERSION", L"", L"1.0");
    write.text(classes, progId, L"", progId);
    write.text(classes, progId + L"\\CLSID", L"", guidText(*entry.classId));
  }
  const std::int32_t user = platform::kHkeyCurrentUser;
  write.text(user, kWordAddInKey, L"FriendlyName", L"Lockfolio Add-In");
  write.text(user, kWordAddInKey, L"Description", L"Add-In for Lockfolio integration support");
  write.number(user, kWordAddInKey, L"LoadBehavior", 3);
  write.number(user, kWordAddInKey, L"CommandLineSafe", 0);
  write.text(user, kWordAddInKey, L"SatelliteDllName", L"ZorIdod.dll");
  if (write.failure() != ERROR_SUCCESS) {
    // Nothing half-registered stays behind.
    removeEverything();
    return HRESULT_FROM_WIN32(static_cast<DWORD>(write.failure()));
  }
  return S_OK;
}

HRESULT unregisterServer() {
  const long result = removeEverything();
  return result == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(static_cast<DWORD>(result));
}

}  // namespace com

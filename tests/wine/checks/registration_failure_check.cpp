// A registration that fails part-way leaves nothing half-registered. Word's add-ins key is made
// volatile first, so that the non-volatile add-in entry cannot be created under it
// (ERROR_CHILD_MUST_BE_VOLATILE) after the type library and the classes were written.
// Usage: registration_failure_check <path of the DLL>. Ends with "N passed, N failed".

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

int passed = 0;
int failed = 0;

void check(const char* name, bool ok) {
  if (ok) {
    ++passed;
  } else {
    ++failed;
    std::printf("FAILED %s\n", name);
  }
}

bool keyExists(HKEY root, const wchar_t* path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

const wchar_t kAddIns[] = L"Software\\Microsoft\\Office\\Word\\Addins";

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::printf("usage: registration_failure_check <dll>\n0 passed, 1 failed\n");
    return 1;
  }
  RegDeleteTreeW(HKEY_CURRENT_USER, kAddIns);
  HKEY volatileKey = nullptr;
  const LONG made = RegCreateKeyExW(HKEY_CURRENT_USER, kAddIns, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                                    nullptr, &volatileKey, nullptr);
  check("volatile add-ins key made", made == ERROR_SUCCESS);
  if (volatileKey) RegCloseKey(volatileKey);

  HMODULE module = LoadLibraryW(argv[1]);
  check("DLL loads", module != nullptr);
  if (module) {
    using Entry = HRESULT(STDAPICALLTYPE*)();
    const auto registerServer = reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(module, "DllRegisterServer")));
    const HRESULT result = registerServer ? registerServer() : E_FAIL;
    check("the registry's error comes back", result == HRESULT_FROM_WIN32(ERROR_CHILD_MUST_BE_VOLATILE));
    check("no ProgID left", !keyExists(HKEY_CLASSES_ROOT, L"LockfolioAddIn.Connect"));
    check("no class left", !keyExists(HKEY_CLASSES_ROOT, L"CLSID\\{4B738E9D-940F-45A1-A7BE-E3CA9886419A}"));
    check("no type library left", !keyExists(HKEY_CLASSES_ROOT, L"TypeLib\\{30A43C52-C05F-48E1-9430-275473C791CF}"));
    check("no add-in entry left", !keyExists(HKEY_CURRENT_USER, L"Software\\Microsoft\\Office\\Word\\Addins\\LockfolioAddIn.Connect"));
    FreeLibrary(module);
  }
  RegDeleteTreeW(HKEY_CURRENT_USER, kAddIns);
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}

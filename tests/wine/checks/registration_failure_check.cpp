// A registration that fails part-way leaves nothing half-registered, and creates nothing while it
// takes back what it wrote. A key made volatile beforehand makes the step that creates a
// non-volatile key under it fail (ERROR_CHILD_MUST_BE_VOLATILE): Word's add-ins key stops the
// add-in entry after the type library and the classes were written; a class's ProgID key stops the
// registration before Word's keys were touched, so they must not exist afterwards either.
// Usage: registration_failure_check <path of the DLL>. Ends with "N passed, N failed".

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

int passed = 0;
int failed = 0;

void check(const char* name, bool ok, const char* detail) {
  if (ok) {
    ++passed;
  } else {
    ++failed;
    std::printf("FAILED %s (%s)\n", name, detail);
  }
}

bool keyExists(HKEY root, const wchar_t* path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

const wchar_t kWord[] = L"Software\\Microsoft\\Office\\Word";

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::printf("usage: registration_failure_check <dll>\n0 passed, 1 failed\n");
    return 1;
  }
  const struct {
    const char* name;
    HKEY root;
    const wchar_t* volatileKey;
    bool wordKeysLeft;  // whether Word's keys exist after the failure: the volatile key is among them
  } cases[] = {
      {"the add-in entry fails", HKEY_CURRENT_USER, L"Software\\Microsoft\\Office\\Word\\Addins", true},
      {"a class fails", HKEY_CLASSES_ROOT, L"LockfolioAddIn.clsSessionFolder", false},
  };
  HMODULE module = LoadLibraryW(argv[1]);
  check("DLL loads", module != nullptr, "");
  using Entry = HRESULT(STDAPICALLTYPE*)();
  const auto registerServer =
      module ? reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(module, "DllRegisterServer"))) : nullptr;
  for (const auto& c : cases) {
    if (!registerServer) break;
    RegDeleteTreeW(HKEY_CURRENT_USER, kWord);
    RegDeleteTreeW(c.root, c.volatileKey);
    HKEY volatileKey = nullptr;
    const LONG made = RegCreateKeyExW(c.root, c.volatileKey, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                                      nullptr, &volatileKey, nullptr);
    check("volatile key made", made == ERROR_SUCCESS, c.name);
    if (volatileKey) RegCloseKey(volatileKey);

    const HRESULT result = registerServer();
    check("the registry's error comes back", result == HRESULT_FROM_WIN32(ERROR_CHILD_MUST_BE_VOLATILE), c.name);
    check("no ProgID left", !keyExists(HKEY_CLASSES_ROOT, L"LockfolioAddIn.Connect\\CLSID"), c.name);
    check("no class left", !keyExists(HKEY_CLASSES_ROOT, L"CLSID\\{4B738E9D-940F-45A1-A7BE-E3CA9886419A}"), c.name);
    check("no type library left", !keyExists(HKEY_CLASSES_ROOT, L"TypeLib\\{30A43C52-C05F-48E1-9430-275473C791CF}"),
          c.name);
    check("no add-in entry left",
          !keyExists(HKEY_CURRENT_USER, L"Software\\Microsoft\\Office\\Word\\Addins\\LockfolioAddIn.Connect"), c.name);
    check("Word's keys as they were", keyExists(HKEY_CURRENT_USER, kWord) == c.wordKeysLeft, c.name);
    RegDeleteTreeW(c.root, c.volatileKey);
  }
  if (module) FreeLibrary(module);
  RegDeleteTreeW(HKEY_CURRENT_USER, kWord);
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}

// Reads LockfolioAddIn.dll's resources back with the Win32 API: the version values, the five
// "_IID_" resources, the type library, the string tables and the button bitmaps.
// Usage: module_resources_check <path of the DLL>. Ends with "N passed, N failed".

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "LockfolioAddIn_h.h"

namespace {

int passed = 0;
int failed = 0;

void check(const char* name, bool ok, const std::wstring& detail = L"") {
  if (ok) {
    ++passed;
  } else {
    ++failed;
    std::printf("FAILED %s %ls\n", name, detail.c_str());
  }
}

std::wstring versionValue(const std::vector<BYTE>& block, const wchar_t* name) {
  void* value = nullptr;
  UINT length = 0;
  const std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
  if (!VerQueryValueW(block.data(), query.c_str(), &value, &length) || !value) return L"<missing>";
  return std::wstring(static_cast<const wchar_t*>(value), length ? length - 1 : 0);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::printf("usage: module_resources_check <dll>\n0 passed, 1 failed\n");
    return 1;
  }
  const wchar_t* dll = argv[1];

  DWORD handle = 0;
  std::vector<BYTE> block(GetFileVersionInfoSizeW(dll, &handle));
  check("version block", !block.empty() && GetFileVersionInfoW(dll, 0, static_cast<DWORD>(block.size()), block.data()));
  if (!block.empty()) {
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    check("fixed version", VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) && fixed &&
                               fixed->dwFileVersionMS == 0x00050002 && fixed->dwFileVersionLS == 0 &&
                               fixed->dwProductVersionMS == 0x00050002);
    const struct {
      const wchar_t* name;
      const wchar_t* expected;
    } values[] = {{L"FileDescription", L"LockfolioAddIn.DLL"}, {L"FileVersion", L"5.02"},
                  {L"ProductVersion", L"5.02"},              {L"InternalName", L"LockfolioAddIn"},
                  {L"OriginalFilename", L"LockfolioAddIn.dll"}, {L"OLESelfRegister", L""},
                  {L"CompanyName", L"Palvantis"}};
    for (const auto& value : values) {
      const std::wstring found = versionValue(block, value.name);
      check("version value", found == value.expected, std::wstring(value.name) + L" = [" + found + L"]");
    }
  }

  HMODULE module = LoadLibraryExW(dll, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  check("module loads as data", module != nullptr);
  if (!module) {
    std::printf("%d passed, %d failed\n", passed, failed);
    return 1;
  }
  const struct {
    const wchar_t* type;
    const IID* iid;
  } iids[] = {{L"_IID_CONNECT", &IID__Connect},
              {L"_IID_CLASSADDIN", &IID__ClassAddIn},
              {L"_IID_CLSRESSTR", &IID__clsResStr},
              {L"_IID_RESTRICTIONS", &IID__Restrictions},
              {L"_IID_CLSSESSIONFOLDER", &IID__clsSessionFolder}};
  for (const auto& entry : iids) {
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(1), entry.type);
    const DWORD size = resource ? SizeofResource(module, resource) : 0;
    const BYTE* data = resource ? static_cast<const BYTE*>(LockResource(LoadResource(module, resource))) : nullptr;
    check("IID resource", size == 20 && data && data[0] == 16 && data[1] == 0 && data[2] == 0 && data[3] == 0 &&
                              std::memcmp(data + 4, entry.iid, 16) == 0,
          entry.type);
  }
  check("type library", FindResourceW(module, MAKEINTRESOURCEW(1), L"TYPELIB") != nullptr);
  for (int id = 101; id <= 106; ++id) {
    HRSRC bitmap = FindResourceExW(module, MAKEINTRESOURCEW(2) /* RT_BITMAP */, MAKEINTRESOURCEW(id),
                                   MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    check("bitmap", bitmap && SizeofResource(module, bitmap) == 40 + 16 * 48, std::to_wstring(id));
  }
  // Each language's table holds message 107 in its own words.
  const struct {
    LANGID language;
    const wchar_t* text;
  } captions[] = {{0x0409, L"Open Encrypted File..."},
                  {0x0407, L"Verschl\u00fcsselte Datei \u00f6ffnen..."},
                  {0x0411, L"\u6697\u53f7\u5316\u30d5\u30a1\u30a4\u30eb\u3092\u958b\u304f\u2026"}};
  for (const auto& caption : captions) {
    // String 107 lives in block 7 (107 / 16 + 1), as entry 11 (107 % 16).
    HRSRC table = FindResourceExW(module, MAKEINTRESOURCEW(6) /* RT_STRING */, MAKEINTRESOURCEW(107 / 16 + 1),
                                  caption.language);
    const WORD* entry = table ? static_cast<const WORD*>(LockResource(LoadResource(module, table))) : nullptr;
    for (int skip = 0; entry && skip < 107 % 16; ++skip) entry += 1 + *entry;
    const std::wstring found = entry ? std::wstring(reinterpret_cast<const wchar_t*>(entry + 1), *entry) : L"";
    check("caption 107", found == caption.text, found);
  }
  FreeLibrary(module);
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}

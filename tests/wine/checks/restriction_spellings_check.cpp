// The restrictions see through the spellings of a file: a refused file is refused and an allowed
// one allowed under every spelling Windows opens it by, asked through COM while another handle
// holds the file open without sharing it, as the host holds its document.
// Usage: restriction_spellings_check [<a folder that is a link to the Windows folder>]
// (the DLL registered). Ends with "N passed, N failed"; lines starting "NOTE" list the spellings
// this system does not open, which only Windows can check.

#include <windows.h>

#include <oleauto.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/win32/win32_this_machine.h"

namespace {

int passed = 0;
int failed = 0;

std::string narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out += c < 128 ? static_cast<char>(c) : '?';
  return out;
}

void check(const std::wstring& name, const std::string& actual, const std::string& expected) {
  if (actual == expected) {
    ++passed;
  } else {
    ++failed;
    std::printf("FAILED %s: got [%s], expected [%s]\n", narrow(name).c_str(), actual.c_str(), expected.c_str());
  }
}

class Restrictions {
 public:
  Restrictions() {
    CLSID clsid{};
    if (FAILED(CLSIDFromProgID(L"LockfolioAddIn.Restrictions", &clsid))) return;
    if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&object_)))) {
      return;
    }
    LPOLESTR name = const_cast<LPOLESTR>(L"IsEncryptionAllowed");
    if (FAILED(object_->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &member_))) member_ = DISPID_UNKNOWN;
  }
  ~Restrictions() {
    if (object_) object_->Release();
  }
  Restrictions(const Restrictions&) = delete;
  Restrictions& operator=(const Restrictions&) = delete;
  bool ready() const { return object_ && member_ != DISPID_UNKNOWN; }

  // "allowed", "refused", or "error N" with the Automation number of a failed call.
  std::string answer(const std::wstring& path) {
    VARIANT argument;
    VariantInit(&argument);
    argument.vt = VT_BSTR;
    argument.bstrVal = SysAllocStringLen(path.data(), static_cast<UINT>(path.size()));
    DISPPARAMS params{&argument, nullptr, 1, 0};
    VARIANT result;
    VariantInit(&result);
    EXCEPINFO exception{};
    const HRESULT hr =
        object_->Invoke(member_, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, &exception, nullptr);
    VariantClear(&argument);
    std::string text;
    if (SUCCEEDED(hr)) {
      text = result.vt != VT_BOOL ? "not a Boolean" : result.boolVal ? "allowed" : "refused";
    } else {
      const HRESULT reason = hr == DISP_E_EXCEPTION ? exception.scode : hr;
      text = "error " + std::to_string(HRESULT_FACILITY(reason) == FACILITY_CONTROL ? HRESULT_CODE(reason) : reason);
    }
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    VariantClear(&result);
    return text;
  }

 private:
  IDispatch* object_ = nullptr;
  DISPID member_ = DISPID_UNKNOWN;
};

// A file made for the check and removed afterwards, held open without sharing while it is asked about.
class HeldFile {
 public:
  explicit HeldFile(std::wstring path) : path_(std::move(path)) {
    handle_ = CreateFileW(path_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                          nullptr);
  }
  ~HeldFile() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    DeleteFileW(path_.c_str());
  }
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;
  bool held() const { return handle_ != INVALID_HANDLE_VALUE; }
  const std::wstring& path() const { return path_; }

 private:
  std::wstring path_;
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

struct Spelling {
  std::wstring what;
  std::wstring path;
  bool onlyWindows = false;  // a spelling Windows opens and Wine 8 does not
};

std::wstring replaceAll(std::wstring text, const std::wstring& from, const std::wstring& to) {
  for (std::size_t at = text.find(from); at != std::wstring::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

// The spellings of "C:\folder\...\name" that Windows opens as that file.
std::vector<Spelling> spellingsOf(const std::wstring& path) {
  const std::size_t slash = path.rfind(L'\\');
  const std::wstring folder = path.substr(0, slash);
  const std::wstring name = path.substr(slash + 1);
  const std::wstring folderName = folder.substr(folder.rfind(L'\\') + 1);
  std::wstring lower = path;
  CharLowerBuffW(&lower[0], static_cast<DWORD>(lower.size()));
  std::vector<Spelling> spellings = {
      {L"as it is", path},
      {L"forward slashes", replaceAll(path, L"\\", L"/")},
      {L"\\\\?\\ prefix", L"\\\\?\\" + path},
      {L"\\\\.\\ prefix", L"\\\\.\\" + path},
      {L". and ..", path.substr(0, 3) + L".\\" + folder.substr(3) + L"\\..\\" + folderName + L"\\" + name},
      {L"repeated separators", path.substr(0, 3) + replaceAll(path.substr(3), L"\\", L"\\\\\\")},
      {L"trailing dots and blanks", path + L". ."},
      {L"trailing dots and blanks in a folder", folder + L". \\" + name, true},
      {L"the default stream", path + L"::$DATA", true},
      {L"lower case", lower},
      {L"local machine's share", L"\\\\localhost\\" + path.substr(0, 1) + L"$" + path.substr(2), true},
  };
  wchar_t shortPath[MAX_PATH];
  const DWORD length = GetShortPathNameW(path.c_str(), shortPath, MAX_PATH);
  if (length > 0 && length < MAX_PATH && std::wstring(shortPath, length) != path) {
    spellings.push_back({L"8.3 short name", std::wstring(shortPath, length)});
  } else {
    std::printf("NOTE no 8.3 short name for %s\n", narrow(path).c_str());
  }
  return spellings;
}

// Whether this system opens the file under that spelling at all.
bool opens(const std::wstring& path) {
  const HANDLE handle = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  CloseHandle(handle);
  return true;
}

void checkSpellings(Restrictions& restrictions, const HeldFile& file, const std::string& expected,
                    std::vector<Spelling> spellings) {
  check(L"made and held " + file.path(), file.held() ? "held" : "not held", "held");
  if (!file.held()) return;
  // The hold is real: no one else may read the file now.
  const HANDLE reader = CreateFileW(file.path().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
  check(L"no one else reads " + file.path(), reader == INVALID_HANDLE_VALUE ? std::to_string(GetLastError()) : "opened",
        std::to_string(ERROR_SHARING_VIOLATION));
  if (reader != INVALID_HANDLE_VALUE) CloseHandle(reader);
  for (const Spelling& spelling : spellings) {
    if (!opens(spelling.path)) {
      if (spelling.onlyWindows) {
        std::printf("NOTE not opened here (%s): %s\n", narrow(spelling.what).c_str(), narrow(spelling.path).c_str());
      } else {
        check(spelling.what + L" opens " + spelling.path, std::to_string(GetLastError()), "opened");
      }
      continue;
    }
    check(spelling.what + L": " + spelling.path, restrictions.answer(spelling.path), expected);
  }
}

std::wstring folderPath(const wchar_t* base, const std::wstring& name) {
  std::wstring folder = base;
  if (folder.back() != L'\\') folder += L'\\';
  folder += name;
  CreateDirectoryW(folder.c_str(), nullptr);
  return folder;
}

}  // namespace

// A path to one of this machine's shares stands for a local path; Wine opens no such path, but it
// answers who this machine is as Windows does.
void checkThisMachine() {
  platform::win32::Win32ThisMachine machine;
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  std::vector<std::wstring> own = {L"localhost", L"LOCALHOST", L"127.0.0.1", L"127.1.2.3", L"[::1]",
                                   L"0--1.ipv6-literal.net"};
  if (GetComputerNameW(name, &size)) own.emplace_back(name, size);
  for (const std::wstring& server : own) check(L"this machine is " + server, machine.isNamed(server) ? "yes" : "no", "yes");
  for (const wchar_t* server : {L"fileserver.invalid", L"192.0.2.1", L"2001-db8--1.ipv6-literal.net"}) {
    check(L"this machine is not " + std::wstring(server), machine.isNamed(server) ? "yes" : "no", "no");
  }
  const auto local = platform::localPathOfUncPath(L"\\\\localhost\\c$\\windows\\win.ini", machine);
  check(L"the administrative share's local path", local ? narrow(*local) : "none", "C:\\windows\\win.ini");
}

int wmain(int argc, wchar_t** argv) {
  CoInitialize(nullptr);
  checkThisMachine();
  {
    Restrictions restrictions;
    check(L"Restrictions created", restrictions.ready() ? "yes" : "no", "yes");
    if (restrictions.ready()) {
      wchar_t windows[MAX_PATH];
      GetWindowsDirectoryW(windows, MAX_PATH);
      wchar_t temp[MAX_PATH];
      GetTempPathW(MAX_PATH, temp);
      const std::wstring unique = L"spellings-" + std::to_wstring(GetCurrentProcessId());
      const std::wstring inWindows = folderPath((std::wstring(windows) + L"\\temp").c_str(), unique);
      const std::wstring allowedFolder = folderPath(temp, unique);
      const std::wstring makers = folderPath(allowedFolder.c_str(), L"Palvantis Office Tools");
      {
        HeldFile file(inWindows + L"\\probe-document.doc");
        std::vector<Spelling> spellings = spellingsOf(file.path());
        if (argc > 1) {
          const std::wstring link = argv[1];
          spellings.push_back({L"a link to the Windows folder", link + file.path().substr(wcslen(windows))});
        }
        checkSpellings(restrictions, file, "refused", spellings);
      }
      {
        HeldFile file(makers + L"\\quarterly-figures.doc");
        checkSpellings(restrictions, file, "refused", spellingsOf(file.path()));
      }
      {
        HeldFile file(allowedFolder + L"\\device-driver.sys");
        checkSpellings(restrictions, file, "refused", spellingsOf(file.path()));
      }
      {
        HeldFile file(allowedFolder + L"\\quarterly-report.doc");
        std::vector<Spelling> spellings = spellingsOf(file.path());
        // A spelling may show a protected text that the file's path does not hold.
        spellings.push_back({L"through the Windows folder and back",
                             std::wstring(windows) + L"\\..\\" + file.path().substr(3)});
        spellings.push_back({L"through the maker's folder and back", makers + L"\\..\\quarterly-report.doc"});
        checkSpellings(restrictions, file, "allowed", spellings);
      }
      RemoveDirectoryW(makers.c_str());
      RemoveDirectoryW(allowedFolder.c_str());
      RemoveDirectoryW(inWindows.c_str());
    }
  }
  CoUninitialize();
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}

// Plays Excel and PowerPoint starting up as Office does: reads each host's add-in entries under
// HKEY_LOCAL_MACHINE (or, with --per-user, HKEY_CURRENT_USER)\Software\Microsoft\Office\<host>\Addins,
// and loads every entry whose LoadBehavior is 3 by its ProgID and connects it. Run after the
// installer: the add-in must load from the entries the package wrote, and build its menu and
// toolbar. Ends with "N passed, N failed".
//
// Windows finds a user's own classes under HKEY_CURRENT_USER\Software\Classes before the
// machine's; Wine 8 looks at the machine's only. With --per-user this program therefore resolves
// the ProgID the way Windows does for a per-user registration (ProgID -> CLSID -> InprocServer32
// with ThreadingModel Apartment -> DllGetClassObject), and prints the DLL it loaded.

#include <windows.h>
#include <ole2.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/win32_platform.h"
#include "sim/application.h"
#include "sim/com/com_add_in_client.h"
#include "sim/com/dispatch_bridge.h"
#include "sim/command_bar.h"
#include "sim/machine.h"
#include "sim/path_mapper.h"
#include "tests/wine/host/test_harness.h"

namespace {

struct Entry {
  std::wstring progId;
  DWORD loadBehavior = 0;
};

struct KeyCloser {
  void operator()(HKEY key) const { RegCloseKey(key); }
};
using Key = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

struct ModuleFreer {
  void operator()(HMODULE module) const { FreeLibrary(module); }
};
using Module = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleFreer>;

bool perUser = false;

HKEY scopeRoot() { return perUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }

// The add-in entries Office reads at start-up for the host, in the registry view of Office's own
// bitness: 32-bit Office on 64-bit Windows reads HKLM's under Software\WOW6432Node, so the i686
// build of this program must not ask for the 64-bit view.
std::vector<Entry> addInEntries(const std::wstring& host) {
  std::vector<Entry> entries;
  const std::wstring path = L"Software\\Microsoft\\Office\\" + host + L"\\Addins";
  HKEY opened = nullptr;
  if (RegOpenKeyExW(scopeRoot(), path.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) {
    return entries;
  }
  const Key addIns(opened);
  wchar_t name[256];
  for (DWORD index = 0;; ++index) {
    DWORD length = 256;
    if (RegEnumKeyExW(addIns.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    Entry entry{name};
    DWORD size = sizeof(entry.loadBehavior);
    RegGetValueW(addIns.get(), name, L"LoadBehavior", RRF_RT_REG_DWORD, nullptr, &entry.loadBehavior, &size);
    entries.push_back(entry);
  }
  return entries;
}

// A text value under HKEY_CURRENT_USER\Software\Classes; raises ComError naming what is missing.
std::wstring userClassesText(const std::wstring& subkey, const wchar_t* name) {
  const std::wstring path = L"Software\\Classes\\" + subkey;
  wchar_t text[MAX_PATH * 2];
  DWORD size = sizeof(text);
  const LSTATUS status = RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name, RRF_RT_REG_SZ, nullptr, text, &size);
  if (status != ERROR_SUCCESS) {
    throw automation::ComError(HRESULT_FROM_WIN32(status),
                               L"HKCU\\" + path + L" [" + (name ? name : L"(default)") + L"] is missing");
  }
  return text;
}

// The user's registration of an in-process class, as Windows resolves it for CoCreateInstance.
class UserClass {
 public:
  explicit UserClass(const std::wstring& progId) {
    const std::wstring clsidText = userClassesText(progId + L"\\CLSID", nullptr);
    CLSID clsid{};
    if (FAILED(CLSIDFromString(clsidText.c_str(), &clsid))) {
      throw automation::ComError(REGDB_E_CLASSNOTREG, progId + L"'s CLSID is not a class ID: " + clsidText);
    }
    const std::wstring server = L"CLSID\\" + clsidText + L"\\InprocServer32";
    path_ = userClassesText(server, nullptr);
    const std::wstring model = userClassesText(server, L"ThreadingModel");
    if (model != L"Apartment") throw automation::ComError(E_FAIL, L"ThreadingModel is " + model);
    module_.reset(LoadLibraryExW(path_.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    if (!module_) throw automation::ComError(HRESULT_FROM_WIN32(GetLastError()), L"cannot load " + path_);
    using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    const auto getClassObject =
        reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(module_.get(), "DllGetClassObject")));
    if (!getClassObject) throw automation::ComError(E_FAIL, path_ + L" exports no DllGetClassObject");
    automation::win32::ComPtr<IClassFactory> factory;
    HRESULT result = getClassObject(clsid, IID_IClassFactory, factory.putVoid());
    if (FAILED(result)) throw automation::ComError(result, L"DllGetClassObject refused " + clsidText);
    result = factory->CreateInstance(nullptr, IID_IUnknown, object_.putVoid());
    if (FAILED(result)) throw automation::ComError(result, L"the class factory could not create " + progId);
  }
  // The object goes first; the module is unloaded only when it says nothing of it is in use, as
  // COM unloads unused libraries.
  ~UserClass() {
    object_.reset();
    using CanUnloadNow = HRESULT(STDAPICALLTYPE*)();
    const auto canUnloadNow =
        reinterpret_cast<CanUnloadNow>(reinterpret_cast<void*>(GetProcAddress(module_.get(), "DllCanUnloadNow")));
    if (!canUnloadNow || canUnloadNow() != S_OK) static_cast<void>(module_.release());
  }
  UserClass(const UserClass&) = delete;
  UserClass& operator=(const UserClass&) = delete;

  const std::wstring& path() const { return path_; }
  const automation::win32::ComPtr<IUnknown>& object() const { return object_; }

 private:
  std::wstring path_;
  Module module_;
  automation::win32::ComPtr<IUnknown> object_;
};

// The add-in as the host loads it: by ProgID through COM, or from the user's own classes.
std::unique_ptr<wine_host::ComAddInClient> load(const std::wstring& progId, wine_host::DispatchBridge& bridge,
                                                std::unique_ptr<UserClass>& userClass) {
  if (!perUser) return std::make_unique<wine_host::ComAddInClient>(progId, bridge);
  userClass = std::make_unique<UserClass>(progId);
  std::printf("%ls loaded from %ls\n", progId.c_str(), userClass->path().c_str());
  return std::make_unique<wine_host::ComAddInClient>(userClass->object(), progId, bridge);
}

void startUp(sim::HostKind kind, const std::wstring& host) {
  std::vector<Entry> toLoad;
  for (const Entry& entry : addInEntries(host)) {
    if (entry.loadBehavior == 3) toLoad.push_back(entry);
  }
  CHECK(toLoad.size() == 1 && toLoad[0].progId == L"LockfolioAddIn.Connect");
  platform::win32::Win32Platform services(GetModuleHandleW(nullptr));
  sim::Machine machine(services.platform(), std::make_unique<sim::IdentityPathMapper>());
  wine_host::DispatchBridge bridge(L"Microsoft " + host);
  sim::HostOptions options;
  options.kind = kind;
  auto app = sim::Application::start(machine, options);
  for (const Entry& entry : toLoad) {
    std::unique_ptr<UserClass> userClass;
    const auto addIn = load(entry.progId, bridge, userClass);
    CHECK(app->connectAddIn(*addIn, sim::kConnectStartup));
    auto menuBar = app->menuBar();
    CHECK(menuBar && menuBar->controlByTag(L"Lockfolio"));
    auto toolbar = app->commandBar(L"Lockfolio");
    CHECK(toolbar && toolbar->controls().size() == 3);
    CHECK(app->quit());
    CHECK(!app->commandBar(L"Lockfolio"));
    addIn->release();
  }
  if (app->running()) app->terminate();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring option = argc > 1 ? argv[1] : L"";
  if (argc > 2 || (argc == 2 && option != L"--per-user")) {
    std::fprintf(stderr, "usage: office_loader_check [--per-user]\n");
    return 2;
  }
  perUser = argc == 2;
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const int result = wine_host::testing::runTests({
      {"Excel loads the add-in from its entry", [] { startUp(sim::HostKind::Excel, L"Excel"); }},
      {"PowerPoint loads the add-in from its entry", [] { startUp(sim::HostKind::PowerPoint, L"PowerPoint"); }},
  });
  CoUninitialize();
  return result;
}

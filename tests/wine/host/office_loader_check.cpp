// Plays Excel and PowerPoint starting up as Office does: reads each host's add-in entries under
// HKEY_LOCAL_MACHINE\Software\Microsoft\Office\<host>\Addins, and loads every entry whose
// LoadBehavior is 3 by its ProgID and connects it. Run after the installer: the add-in must load
// from the entries the package wrote, and build its menu and toolbar. Ends with "N passed, N failed".

#include <windows.h>
#include <ole2.h>

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

// The add-in entries Office reads at start-up for the host.
std::vector<Entry> addInEntries(const std::wstring& host) {
  std::vector<Entry> entries;
  const std::wstring path = L"Software\\Microsoft\\Office\\" + host + L"\\Addins";
  HKEY addIns = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &addIns) != ERROR_SUCCESS) {
    return entries;
  }
  wchar_t name[256];
  for (DWORD index = 0;; ++index) {
    DWORD length = 256;
    if (RegEnumKeyExW(addIns, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    Entry entry{name};
    DWORD size = sizeof(entry.loadBehavior);
    RegGetValueW(addIns, name, L"LoadBehavior", RRF_RT_REG_DWORD, nullptr, &entry.loadBehavior, &size);
    entries.push_back(entry);
  }
  RegCloseKey(addIns);
  return entries;
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
    wine_host::ComAddInClient addIn(entry.progId, bridge);
    CHECK(app->connectAddIn(addIn, sim::kConnectStartup));
    auto menuBar = app->menuBar();
    CHECK(menuBar && menuBar->controlByTag(L"Lockfolio"));
    auto toolbar = app->commandBar(L"Lockfolio");
    CHECK(toolbar && toolbar->controls().size() == 3);
    CHECK(app->quit());
    CHECK(!app->commandBar(L"Lockfolio"));
  }
  if (app->running()) app->terminate();
}

}  // namespace

int wmain() {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const int result = wine_host::testing::runTests({
      {"Excel loads the add-in from its entry", [] { startUp(sim::HostKind::Excel, L"Excel"); }},
      {"PowerPoint loads the add-in from its entry", [] { startUp(sim::HostKind::PowerPoint, L"PowerPoint"); }},
  });
  CoUninitialize();
  return result;
}

// The real add-in DLL inside the test host under Wine: a simulated Office shown through the
// dispatch bridges, the add-in created by its ProgID and connected through _IDTExtensibility2, the
// vault server served by the host as "Morvane.Vault", message boxes captured.
// Usage: host_test <path of LockfolioAddIn.dll>. Registers the DLL for the run and unregisters it.
// Prints each failed check and ends with "N passed, N failed"; exits non-zero on any failure.

#include <windows.h>

#include <ole2.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "automation/win32/com_ptr.h"
#include "platform/win32/win32_platform.h"
#include "sim/application.h"
#include "sim/command_bar.h"
#include "sim/command_bar_control.h"
#include "sim/folder_vault.h"
#include "sim/machine.h"
#include "sim/path_mapper.h"
#include "tests/wine/host/class_registration.h"
#include "tests/wine/host/com_add_in_client.h"
#include "tests/wine/host/dispatch_bridge.h"
#include "tests/wine/host/message_box_capture.h"
#include "tests/wine/host/test_harness.h"

namespace {

using automation::ComError;
using wine_host::ClassRegistration;
using wine_host::ComAddInClient;
using wine_host::DispatchBridge;
using wine_host::MessageBoxCapture;

constexpr wchar_t kProgId[] = L"LockfolioAddIn.Connect";
constexpr wchar_t kVaultProgId[] = L"Morvane.Vault";
// The test host's own class for the vault server.
constexpr CLSID kVaultClsid = {0x1a22118b, 0x56ae, 0x4dde, {0xa2, 0x0e, 0x4c, 0x9e, 0x76, 0xec, 0x44, 0xbf}};
constexpr wchar_t kLoadErrorPrefix[] = L"Error loading Lockfolio Office Add-in.";

HMODULE addInModule = nullptr;

// One run of a simulated host with the add-in as Office loads it.
struct Office {
  explicit Office(sim::HostOptions options)
      : bridge(options.kind == sim::HostKind::Word    ? L"Microsoft Word"
               : options.kind == sim::HostKind::Excel ? L"Microsoft Excel"
                                                      : L"Microsoft PowerPoint"),
        vaultClass(kVaultProgId, kVaultClsid, bridge, [this] { return vaults.createObject(); }) {
    // The add-in's settings of an earlier run must not change this one.
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Palvantis\\LockfolioAddIn");
    vaults.addVault({L"Demo", L'V', L"secret"});
    app = sim::Application::start(machine, options);
  }
  ~Office() {
    if (app && app->running()) app->terminate();
  }

  std::shared_ptr<sim::CommandBar> toolbar() const { return app->commandBar(L"Lockfolio"); }
  std::vector<std::wstring> toolbarTags() const {
    std::vector<std::wstring> tags;
    if (auto bar = toolbar()) {
      for (const auto& control : bar->controls()) tags.push_back(control->tag());
    }
    return tags;
  }
  std::shared_ptr<sim::CommandBarControl> menu() const {
    auto bar = app->menuBar();
    return bar ? bar->controlByTag(L"Lockfolio") : nullptr;
  }
  // After the add-in let go: nothing of the host may still be held or advised.
  void checkNothingHeld() {
    CHECK(bridge.advisedConnections() == 0);
    CHECK(bridge.liveBridges() == 0);
  }

  platform::win32::Win32Platform services{GetModuleHandleW(nullptr)};
  sim::Machine machine{services.platform(), std::make_unique<sim::IdentityPathMapper>()};
  sim::VaultService vaults{[this](const sim::VaultDefinition& vault) { mounted.push_back(vault.name); }};
  std::vector<std::wstring> mounted;
  DispatchBridge bridge;
  ClassRegistration vaultClass;
  MessageBoxCapture boxes;
  std::shared_ptr<sim::Application> app;
};

sim::HostOptions host(sim::HostKind kind) {
  sim::HostOptions options;
  options.kind = kind;
  return options;
}

void loadsThroughItsExtensibilityInterface() {
  Office office(host(sim::HostKind::Word));
  ComAddInClient addIn(kProgId, office.bridge);
  CHECK(addIn.loaded());
  // Its late-bound face names the five notifications as well.
  LPOLESTR names[] = {const_cast<LPOLESTR>(L"OnConnection")};
  DISPID id = DISPID_UNKNOWN;
  CHECK_HR(addIn.extensibility()->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK);
  CHECK(id == 1);
  addIn.release();
  office.checkNothingHeld();
}

void connectsToEachHostAndBuildsItsUserInterface() {
  for (const sim::HostKind kind : {sim::HostKind::Word, sim::HostKind::Excel, sim::HostKind::PowerPoint}) {
    Office office(host(kind));
    ComAddInClient addIn(kProgId, office.bridge);
    CHECK(office.app->connectAddIn(addIn, sim::kConnectStartup));
    for (const auto& failure : office.app->eventFailures()) {
      CHECK_TEXT(failure.event + L": " + failure.error.description(), L"");
    }
    CHECK(office.menu());
    CHECK(office.toolbarTags() ==
          (std::vector<std::wstring>{L"tbOpenEncryptedFile", L"tbSaveCloseEncrypt", L"tbSaveAsCloseEncrypt"}));
    CHECK(office.boxes.boxes().empty());
    // The add-in listens to the application and to its buttons.
    CHECK(office.bridge.advisedConnections() >= 1);

    CHECK(office.app->disconnectAddIn(sim::kDisconnectUserClosed));
    CHECK(office.app->eventFailures().empty());
    CHECK(!office.menu());
    CHECK(!office.toolbar());
    addIn.release();
    office.checkNothingHeld();
  }
}

void aClickReachesTheAddInWhichCreatesTheVaultThroughCom() {
  Office office(host(sim::HostKind::Word));
  ComAddInClient addIn(kProgId, office.bridge);
  CHECK(office.app->connectAddIn(addIn, sim::kConnectStartup));
  auto bar = office.toolbar();
  CHECK(bar);
  if (!bar) return;
  auto open = bar->controlByTag(L"tbOpenEncryptedFile");
  CHECK(open);
  if (!open) return;
  // Nobody answers the vault's log-in window: the command ends quietly.
  const sim::ClickOutcome clicked = office.app->click(open);
  CHECK(clicked.clicked);
  CHECK(office.app->eventFailures().empty());
  CHECK(office.vaultClass.created() == 1);
  CHECK(office.vaults.loginWindowsShown() == 1);
  CHECK(office.boxes.boxes().empty());

  CHECK(office.app->quit());
  CHECK(office.app->eventFailures().empty());
  addIn.release();
  office.checkNothingHeld();
}

void aHostWithoutAMenuBarFailsTheConnectionWithAMessageBox() {
  sim::HostOptions options = host(sim::HostKind::Excel);
  options.hasActiveMenuBar = false;
  Office office(options);
  ComAddInClient addIn(kProgId, office.bridge);
  // The add-in traps the failure itself: it tells the user and builds nothing.
  office.app->connectAddIn(addIn, sim::kConnectStartup);
  CHECK(office.boxes.boxes().size() == 1);
  if (!office.boxes.boxes().empty()) {
    CHECK_TEXT(office.boxes.boxes()[0].caption, L"Lockfolio");
    CHECK(office.boxes.boxes()[0].text.rfind(kLoadErrorPrefix, 0) == 0);
  }
  CHECK(!office.toolbar());
  CHECK(!office.menu());
  office.app->disconnectAddIn(sim::kDisconnectUserClosed);
  addIn.release();
  office.checkNothingHeld();
}

void anApplicationWithoutItsTypedInterfaceFailsTheConnection() {
  // Excel under Word's name: the add-in asks for Word's _Application, which the bridge refuses.
  sim::HostOptions options = host(sim::HostKind::Excel);
  options.name = L"Microsoft Word";
  Office office(options);
  ComAddInClient addIn(kProgId, office.bridge);
  office.app->connectAddIn(addIn, sim::kConnectStartup);
  CHECK(office.boxes.boxes().size() == 1);
  if (!office.boxes.boxes().empty()) {
    CHECK_TEXT(office.boxes.boxes()[0].text, std::wstring(kLoadErrorPrefix) + L"\r\n\r\nError: 13 - Type mismatch");
  }
  CHECK(!office.menu());
  office.app->disconnectAddIn(sim::kDisconnectUserClosed);
  addIn.release();
  office.checkNothingHeld();
}

using DllEntry = HRESULT(STDAPICALLTYPE*)();

DllEntry entry(const char* name) {
  return reinterpret_cast<DllEntry>(reinterpret_cast<void*>(GetProcAddress(addInModule, name)));
}

void nothingOfTheAddInStaysAlive() {
  const DllEntry canUnload = entry("DllCanUnloadNow");
  CHECK(canUnload);
  if (canUnload) CHECK_HR(canUnload(), S_OK);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::printf("usage: host_test <LockfolioAddIn.dll>\n0 passed, 1 failed\n");
    return 2;
  }
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
    std::printf("CoInitializeEx failed\n0 passed, 1 failed\n");
    return 1;
  }
  addInModule = LoadLibraryW(argv[1]);
  DllEntry registerServer = addInModule ? entry("DllRegisterServer") : nullptr;
  if (!registerServer || FAILED(registerServer())) {
    std::printf("cannot load or register %s\n0 passed, 1 failed\n", platform::toUtf8(argv[1]).c_str());
    return 1;
  }
  const int result = wine_host::testing::runTests({
      {"The add-in loads through its extensibility interface", loadsThroughItsExtensibilityInterface},
      {"It connects to each host and builds its user interface", connectsToEachHostAndBuildsItsUserInterface},
      {"A click reaches the add-in, which creates the vault through COM",
       aClickReachesTheAddInWhichCreatesTheVaultThroughCom},
      {"A host without a menu bar fails the connection with a message box",
       aHostWithoutAMenuBarFailsTheConnectionWithAMessageBox},
      {"An application without its typed interface fails the connection",
       anApplicationWithoutItsTypedInterfaceFailsTheConnection},
      {"Afterwards no object of the add-in is alive", nothingOfTheAddInStaysAlive},
  });
  if (DllEntry unregisterServer = entry("DllUnregisterServer")) unregisterServer();
  FreeLibrary(addInModule);
  CoUninitialize();
  return result;
}

#pragma once
// The add-in inside a simulated Office, for one test: the test platform (drive C:, the vault's
// drive V:), a machine, the object factory with the vault server registered as "Morvane.Vault",
// and the add-in loaded as a host loads it.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "app/native_add_in.h"
#include "helpers/test_platform.h"
#include "sim/application.h"
#include "sim/command_bar.h"
#include "sim/command_bar_control.h"
#include "sim/folder_vault.h"
#include "sim/machine.h"
#include "sim/sim_object_factory.h"

namespace testing_support {

inline sim::HostOptions host(sim::HostKind kind, std::wstring version = L"11.0",
                             std::optional<std::wstring> name = std::nullopt, bool hasActiveMenuBar = true) {
  return {kind, std::move(version), std::move(name), hasActiveMenuBar};
}

class OfficeFixture {
 public:
  explicit OfficeFixture(std::uint16_t language = 1033);
  // The host started and the add-in loaded at its start-up.
  explicit OfficeFixture(sim::HostOptions host, std::uint16_t language = 1033);
  explicit OfficeFixture(sim::HostKind kind, std::wstring version = L"11.0", std::uint16_t language = 1033)
      : OfficeFixture(host(kind, std::move(version)), language) {}
  ~OfficeFixture();

  std::shared_ptr<sim::Application> start(sim::HostKind kind, std::wstring version = L"11.0");
  std::shared_ptr<sim::Application> start(sim::HostOptions options);
  // Loads the add-in into the running host; a new process loads a new Connect.
  bool connect(std::int32_t mode = sim::kConnectStartup);
  // Quits the host and starts the same host again in a new process, with the add-in loaded.
  void restart();
  addin::ClassAddIn& addIn() { return addInObject->addIn(); }

  // What the user sees.
  std::vector<std::wstring> menuBarCaptions() const;
  std::shared_ptr<sim::CommandBarControl> menu() const;  // the Lockfolio menu on the menu bar
  std::shared_ptr<sim::CommandBarControl> menuItem(const std::wstring& tag) const;
  std::shared_ptr<sim::CommandBar> toolbar() const;  // the bar named Lockfolio
  std::shared_ptr<sim::CommandBarControl> button(const std::wstring& tag) const;
  std::vector<std::wstring> toolbarTags() const;
  // The add-in's ribbon customization as the host shows it; null when there is none.
  std::shared_ptr<sim::CustomUi> ribbon() const { return addInObject ? app->customUi(*addInObject) : nullptr; }
  int countLockfolioMenus() const;
  int countLockfolioToolbars() const;
  std::vector<ShownBox>& boxes() { return env.ui.boxes; }
  std::vector<std::wstring> boxTexts() const;
  // The placement stored for a host kind: Left, Index, Width, Position; -1 where missing.
  std::tuple<std::int32_t, std::int32_t, std::int32_t, std::int32_t> storedPlacement(std::int16_t hostKind);

  // The vault "Demo" (drive V:, password "secret") is the folder vaults/Demo of drive C:.
  // Sets the product's default vault.
  void setDefaultVault();

  TestPlatform env;
  std::unique_ptr<sim::Machine> machine;
  sim::SimObjectFactory objects;
  sim::VaultService vaults;
  std::unique_ptr<app::NativeAddIn> addInObject;
  std::shared_ptr<sim::Application> app;
  sim::HostOptions options;
};

}  // namespace testing_support

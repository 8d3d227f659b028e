#pragma once
// Everything the demo runs: a state folder of its own holding the simulated C: drive, the vaults
// and the registry file; the native platform over it; the simulated machine with the vault server
// registered as "Morvane.Vault"; one host at a time with the add-in loaded.

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "app/native_add_in.h"
#include "platform/posix/posix_platform.h"
#include "sim/application.h"
#include "sim/folder_vault.h"
#include "sim/machine.h"
#include "sim/sim_object_factory.h"

namespace app {

struct DemoOptions {
  std::filesystem::path stateFolder;
  sim::HostKind host = sim::HostKind::Word;
  std::wstring version = L"11.0";
  std::uint16_t language = 1033;
  bool fresh = false;  // start from an empty state folder
  std::ostream* out = nullptr;
};

// The demo's one vault.
inline constexpr wchar_t kDemoVault[] = L"Demo";
inline constexpr wchar_t kDemoPassword[] = L"lockfolio";
inline constexpr wchar_t kDemoDrive = L'V';

class DemoWorld {
 public:
  explicit DemoWorld(DemoOptions options);
  ~DemoWorld();
  DemoWorld(const DemoWorld&) = delete;
  DemoWorld& operator=(const DemoWorld&) = delete;

  // Starts the host (kind and version) and loads the add-in into it.
  void start(sim::HostKind kind, std::wstring version);
  void connect(std::int32_t mode);
  // Quits the host; the next start is a new process with a new add-in object.
  void quit();
  void restart();

  bool running() const { return app_ && app_->running(); }
  // Keystrokes sent to the active window wait until the sender is done, as they do on a desktop;
  // this hands them to the host. Returns what the host said when it could not act on them.
  std::vector<std::wstring> deliverKeystrokes();
  sim::Application& app();
  addin::ClassAddIn& addIn();
  sim::Machine& machine() { return *machine_; }
  sim::VaultService& vaults() { return vaults_; }
  platform::posix::PosixPlatform& platform() { return *platform_; }
  const DemoOptions& options() const { return options_; }

  // Where the simulated disk and the vault live.
  std::filesystem::path driveFolder() const { return options_.stateFolder / "c"; }
  std::filesystem::path vaultFolder() const { return options_.stateFolder / "vaults" / "Demo"; }
  std::filesystem::path registryFile() const { return options_.stateFolder / "registry.reg"; }

 private:
  DemoOptions options_;
  std::unique_ptr<platform::posix::PosixPlatform> platform_;
  std::unique_ptr<sim::Machine> machine_;
  sim::SimObjectFactory objects_;
  sim::VaultService vaults_;
  std::unique_ptr<NativeAddIn> addIn_;
  std::shared_ptr<sim::Application> app_;
  std::vector<std::wstring> pendingKeys_;
  sim::HostKind kind_ = sim::HostKind::Word;
  std::wstring version_ = L"11.0";
};

}  // namespace app

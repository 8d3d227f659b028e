#include "app/demo_world.h"

#include <iostream>

#include "commandbars/reg_intfc.h"
#include "platform/com_error.h"
#include "support/reg_op.h"
#include "platform/text.h"

namespace app {

namespace {

void ensureFolder(const std::filesystem::path& folder) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) {
    throw platform::ComError(platform::errors::kPathFileAccessError,
                             platform::fromUtf8("Cannot create the folder " + folder.string() + ": " + error.message()));
  }
}

}  // namespace

DemoWorld::DemoWorld(DemoOptions options)
    : options_(std::move(options)),
      vaults_([this](const sim::VaultDefinition& vault) {
        platform_->fileSystem().drives().map(vault.drive, vaultFolder().string());
      },
              [this](const std::wstring& path) { return platform_->fileSystem().fileExists(path); }) {
  if (options_.fresh) {
    std::error_code error;
    std::filesystem::remove_all(options_.stateFolder, error);
  }
  for (const char* folder : {"Temp", "Users/User/Documents", "Work"}) ensureFolder(driveFolder() / folder);
  ensureFolder(vaultFolder());

  platform::posix::PosixPlatformOptions platformOptions;
  platformOptions.registryFile = registryFile().string();
  platformOptions.drives.map(L'C', driveFolder().string());
  platformOptions.tempPath = L"C:\\Temp\\";
  platformOptions.currentDirectory = L"C:\\Users\\User\\Documents";
  platformOptions.language = options_.language;
  platformOptions.out = options_.out ? options_.out : &std::cout;
  platform_ = std::make_unique<platform::posix::PosixPlatform>(std::move(platformOptions));

  auto* fileSystem = &platform_->fileSystem();
  machine_ = std::make_unique<sim::Machine>(
      platform_->platform(), std::make_unique<sim::FunctionPathMapper>([fileSystem](const std::wstring& path) {
        return std::filesystem::path(fileSystem->toNative(path));
      }));
  vaults_.addVault({kDemoVault, kDemoDrive, kDemoPassword});
  objects_.registerClass(L"Morvane.Vault", [this] { return vaults_.createObject(); });
  platform_->ui().setKeyboardTarget([this](const std::wstring& keys) { pendingKeys_.push_back(keys); });
  kind_ = options_.host;
  version_ = options_.version;

  // What the product's installer sets up: the default vault that Save and Encrypt asks for.
  support::RegOp install(platform_->platform());
  install.Key(RegIntfc::kInstallKey);
  if (install.Value(L"Path").toString() == L"-1") install.Value(L"Path", automation::Variant(L"V:\\"));
}

DemoWorld::~DemoWorld() {
  // An interrupted demo ends like a host that is closed: the add-in stores its placement.
  if (running()) {
    try {
      app_->quit();
    } catch (...) {
    }
    if (running()) app_->terminate();
  }
}

void DemoWorld::start(sim::HostKind kind, std::wstring version) {
  if (running()) quit();
  kind_ = kind;
  version_ = std::move(version);
  sim::HostOptions hostOptions;
  hostOptions.kind = kind_;
  hostOptions.version = version_;
  app_ = sim::Application::start(*machine_, hostOptions);
}

void DemoWorld::connect(std::int32_t mode) {
  if (!running()) start(kind_, version_);
  if (!addIn_) addIn_ = std::make_unique<NativeAddIn>(platform_->platform(), objects_);
  app_->connectAddIn(*addIn_, mode);
}

void DemoWorld::quit() {
  if (running() && !app_->quit()) app_->terminate();
  app_.reset();
  addIn_.reset();
}

void DemoWorld::restart() {
  quit();
  start(kind_, version_);
  connect(1);
}

std::vector<std::wstring> DemoWorld::deliverKeystrokes() {
  std::vector<std::wstring> problems;
  const std::vector<std::wstring> keys = std::move(pendingKeys_);
  pendingKeys_.clear();
  for (const auto& key : keys) {
    if (!running()) continue;
    try {
      app_->pressKeys(key);
    } catch (const platform::ComError& e) {
      problems.push_back(e.description());
    }
  }
  return problems;
}

sim::Application& DemoWorld::app() {
  if (!running()) throw platform::ComError(platform::errors::kObjectNotSet, L"No host is running: use 'start' first");
  return *app_;
}

addin::ClassAddIn& DemoWorld::addIn() {
  if (!addIn_) throw platform::ComError(platform::errors::kObjectNotSet, L"The add-in is not loaded: use 'connect' first");
  return addIn_->addIn();
}

}  // namespace app

#include "helpers/office_fixture.h"

#include <filesystem>

#include "sim/bar_store.h"
#include "support/reg_op.h"
#include "commandbars/reg_intfc.h"
#include "platform/text.h"

namespace testing_support {

OfficeFixture::OfficeFixture(std::uint16_t language)
    : env(language),
      vaults([this](const sim::VaultDefinition& vault) {
        env.fileSystem.drives().map(vault.drive, env.drive.path() + "/vaults/" + platform::toUtf8(vault.name));
      },
             [this](const std::wstring& path) { return env.fileSystem.fileExists(path); }) {
  env.drive.makeDirectory("vaults/Demo");
  for (const char* folder : {"Users", "Users/User", "Users/User/Documents"}) env.drive.makeDirectory(folder);
  auto* fileSystem = &env.fileSystem;
  machine = std::make_unique<sim::Machine>(
      env.platform(), std::make_unique<sim::FunctionPathMapper>([fileSystem](const std::wstring& path) {
        return std::filesystem::path(fileSystem->toNative(path));
      }));
  vaults.addVault({L"Demo", L'V', L"secret"});
  objects.registerClass(L"Morvane.Vault", [this] { return vaults.createObject(); });
}

OfficeFixture::OfficeFixture(sim::HostOptions host, std::uint16_t language) : OfficeFixture(language) {
  start(std::move(host));
  connect();
}

OfficeFixture::~OfficeFixture() {
  if (app && app->running()) app->terminate();
}

std::shared_ptr<sim::Application> OfficeFixture::start(sim::HostKind kind, std::wstring version) {
  sim::HostOptions hostOptions;
  hostOptions.kind = kind;
  hostOptions.version = std::move(version);
  return start(hostOptions);
}

std::shared_ptr<sim::Application> OfficeFixture::start(sim::HostOptions hostOptions) {
  options = hostOptions;
  app = sim::Application::start(*machine, hostOptions);
  // Keystrokes go to the host's window, as they do to the active window of a desktop.
  std::weak_ptr<sim::Application> host = app;
  env.ui.keyboardTarget = [host](const std::wstring& keys) {
    // What the host does with the keys is its own business: nothing of it reaches the sender.
    if (auto running = host.lock()) {
      try {
        running->pressKeys(keys);
      } catch (const automation::ComError&) {
      }
    }
  };
  return app;
}

bool OfficeFixture::connect(std::int32_t mode) {
  if (!addInObject) addInObject = std::make_unique<app::NativeAddIn>(env.platform(), objects);
  return app->connectAddIn(*addInObject, mode);
}

void OfficeFixture::restart() {
  app->quit();
  addInObject.reset();
  start(options);
  connect();
}

std::vector<std::wstring> OfficeFixture::menuBarCaptions() const {
  std::vector<std::wstring> captions;
  if (auto bar = app->menuBar()) {
    for (const auto& control : bar->controls()) captions.push_back(control->caption());
  }
  return captions;
}

std::shared_ptr<sim::CommandBarControl> OfficeFixture::menu() const {
  auto bar = app->menuBar();
  return bar ? bar->controlByTag(L"Lockfolio") : nullptr;
}

std::shared_ptr<sim::CommandBarControl> OfficeFixture::menuItem(const std::wstring& tag) const {
  auto popup = menu();
  return popup && popup->menu() ? popup->menu()->controlByTag(tag) : nullptr;
}

std::shared_ptr<sim::CommandBar> OfficeFixture::toolbar() const { return app->commandBar(L"Lockfolio"); }

std::shared_ptr<sim::CommandBarControl> OfficeFixture::button(const std::wstring& tag) const {
  auto bar = toolbar();
  return bar ? bar->controlByTag(tag) : nullptr;
}

std::vector<std::wstring> OfficeFixture::toolbarTags() const {
  std::vector<std::wstring> tags;
  if (auto bar = toolbar()) {
    for (const auto& control : bar->controls()) tags.push_back(control->tag());
  }
  return tags;
}

int OfficeFixture::countLockfolioMenus() const {
  int count = 0;
  for (const auto& bar : app->bars().bars()) {
    for (const auto& control : bar->controls()) count += control->tag() == L"Lockfolio" ? 1 : 0;
  }
  return count;
}

int OfficeFixture::countLockfolioToolbars() const {
  int count = 0;
  for (const auto& bar : app->bars().bars()) count += bar->name() == L"Lockfolio" ? 1 : 0;
  return count;
}

std::vector<std::wstring> OfficeFixture::boxTexts() const {
  std::vector<std::wstring> texts;
  for (const auto& box : env.ui.boxes) texts.push_back(box.text);
  return texts;
}

std::tuple<std::int32_t, std::int32_t, std::int32_t, std::int32_t> OfficeFixture::storedPlacement(
    std::int16_t hostKind) {
  support::RegOp reg(env.platform());
  reg.Key(RegIntfc::ToolbarPlacementKey(hostKind));
  return {reg.Value(L"Left").toInt32(), reg.Value(L"Index").toInt32(), reg.Value(L"Width").toInt32(),
          reg.Value(L"Position").toInt32()};
}

void OfficeFixture::setDefaultVault() {
  support::RegOp reg(env.platform());
  reg.Key(RegIntfc::kInstallKey);
  reg.Value(L"Path", automation::Variant(L"V:\\"));
}

}  // namespace testing_support

#include "sim/test_machine.h"

#include <algorithm>

namespace sim_testing {

TestMachine::TestMachine() {
  test.drive.makeDirectory("vault");
  test.fileSystem.drives().map(L'V', test.drive.path() + "/vault");
  auto* fileSystem = &test.fileSystem;
  machine = std::make_unique<sim::Machine>(
      test.platform(), std::make_unique<sim::FunctionPathMapper>([fileSystem](const std::wstring& path) {
        return std::filesystem::path(fileSystem->toNative(path));
      }));
  for (const char* folder : {"Users", "Users/User", "Users/User/Documents"}) test.drive.makeDirectory(folder);
}

std::shared_ptr<sim::Application> TestMachine::start(sim::HostKind kind, std::wstring version) {
  sim::HostOptions options;
  options.kind = kind;
  options.version = std::move(version);
  return sim::Application::start(*machine, options);
}

void RecordingAddIn::maybeFail(const std::wstring& call) {
  if (std::find(failIn.begin(), failIn.end(), call) != failIn.end()) {
    throw automation::ComError(static_cast<std::int32_t>(0x800A0009u), L"Subscript out of range in " + call);
  }
}

void RecordingAddIn::OnConnection(automation::Object app, std::int32_t connectMode, automation::Object inst,
                                  automation::Variant&) {
  calls.push_back(L"OnConnection(" + std::to_wstring(connectMode) + L")");
  application = std::move(app);
  addInInst = std::move(inst);
  maybeFail(L"OnConnection");
}

void RecordingAddIn::OnDisconnection(std::int32_t removeMode, automation::Variant&) {
  calls.push_back(L"OnDisconnection(" + std::to_wstring(removeMode) + L")");
  maybeFail(L"OnDisconnection");
}

void RecordingAddIn::OnStartupComplete(automation::Variant&) {
  calls.push_back(L"OnStartupComplete");
  maybeFail(L"OnStartupComplete");
}

void RecordingAddIn::OnBeginShutdown(automation::Variant&) {
  calls.push_back(L"OnBeginShutdown");
  maybeFail(L"OnBeginShutdown");
}

}  // namespace sim_testing

#pragma once
// A simulated machine for one test: the test platform (drive C: in a fresh directory), drive V:
// as a second folder (a vault's drive), and a Machine whose documents live there. Also an add-in
// that records what the host calls on it.

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "helpers/error_of.h"
#include "helpers/test_platform.h"
#include "sim/application.h"
#include "sim/com_add_in.h"
#include "sim/machine.h"

namespace sim_testing {

class TestMachine {
 public:
  TestMachine();

  std::shared_ptr<sim::Application> start(sim::HostKind kind, std::wstring version = L"11.0");

  testing_support::TestPlatform test;
  std::unique_ptr<sim::Machine> machine;
};

// Records the notifications; throws from those listed in `failIn`.
class RecordingAddIn : public sim::ComAddIn {
 public:
  void OnConnection(automation::Object application, std::int32_t connectMode, automation::Object addInInst,
                    automation::Variant& custom) override;
  void OnDisconnection(std::int32_t removeMode, automation::Variant& custom) override;
  void OnStartupComplete(automation::Variant& custom) override;
  void OnBeginShutdown(automation::Variant& custom) override;

  std::vector<std::wstring> calls;  // "OnConnection(1)", "OnDisconnection(0)", ...
  std::vector<std::wstring> failIn;
  automation::Object application;
  automation::Object addInInst;

 private:
  void maybeFail(const std::wstring& call);
};

// What every test of the simulator names.
using automation::Arg;
using automation::ComError;
using automation::Connection;
using automation::EventHandler;
using automation::Object;
using automation::Variant;
using sim::HostKind;
using testing_support::errorOf;

}  // namespace sim_testing

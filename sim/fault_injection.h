#pragma once
// Every outside call the add-in makes can fail: the host's objects and the vault server (through
// Dispatchable: calls, QueryInterface, event connect and disconnect), the registry, the file
// system, the object factory, the resources and the Ui. A FaultPlan counts the calls of one road
// through wrappers around those seams, and makes call k fail once (a transient refusal) or fail
// with every call after it (the object or service is gone), with the codes real systems give there.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "automation/dispatch.h"
#include "automation/object_factory.h"
#include "platform/platform.h"
#include "sim/com_add_in.h"
#include "sim/host_kind.h"

namespace sim::faults {

enum class Mode { Once, FromOn };
// Where a call goes; each seam fails with codes of its own.
enum class Seam { Host, Server, Connect, Disconnect, Registry, Files, Factory, Resources, Ui };

struct Call {
  Seam seam;
  std::wstring what;  // "put DefaultFilePath = C:\Users\...", "setValue Left", ...
  bool failed = false;
};

class FaultPlan {
 public:
  explicit FaultPlan(HostKind host) : host_(host) {}

  // Starts counting a road's calls; with `failAt` (1-based), that call fails as `mode` says.
  void begin(std::optional<int> failAt = std::nullopt, Mode mode = Mode::Once);
  // Stops counting: later calls pass as they are.
  void end() { active_ = false; }
  // Counts a call; the failure it must raise, or nothing.
  std::optional<automation::ComError> next(Seam seam, std::wstring what);

  const std::vector<Call>& calls() const { return calls_; }
  // Objects of the host or the server that the add-in holds through the wrappers, and their live
  // event subscriptions: both must be back to zero once the host released the add-in.
  int liveObjects = 0;
  int liveConnections = 0;

 private:
  automation::ComError errorFor(Seam seam, int call) const;

  HostKind host_;
  bool active_ = false;
  std::optional<int> failAt_;
  Mode mode_ = Mode::Once;
  std::vector<Call> calls_;
};

// The object as the add-in reaches it through the plan; objects it gives out are wrapped too.
automation::Object wrap(const automation::Object& object, const std::shared_ptr<FaultPlan>& plan, Seam seam);

// The platform's services through the plan.
class FaultyPlatform {
 public:
  FaultyPlatform(platform::Platform inner, std::shared_ptr<FaultPlan> plan);
  ~FaultyPlatform();
  platform::Platform platform();

 private:
  struct Services;
  std::unique_ptr<Services> services_;
};

// Servers made by ProgID and pictures, through the plan; the servers' calls go through it as well.
class FaultyObjectFactory : public automation::ObjectFactory {
 public:
  FaultyObjectFactory(automation::ObjectFactory& inner, std::shared_ptr<FaultPlan> plan)
      : inner_(inner), plan_(std::move(plan)) {}
  automation::Object create(const std::wstring& progId) override;
  automation::Object picture(const std::vector<std::uint8_t>& dib) override;

 private:
  automation::ObjectFactory& inner_;
  std::shared_ptr<FaultPlan> plan_;
};

// An add-in as a host loads it, whose every reach into the host (the Application and AddInInst it
// is given, the objects of its events and of its ribbon's callbacks) goes through the plan.
class FaultyAddIn : public ComAddIn, private RibbonExtensibility {
 public:
  FaultyAddIn(ComAddIn& inner, std::shared_ptr<FaultPlan> plan) : inner_(inner), plan_(std::move(plan)) {}
  void OnConnection(automation::Object application, std::int32_t connectMode, automation::Object addInInst,
                    automation::Variant& custom) override;
  void OnDisconnection(std::int32_t removeMode, automation::Variant& custom) override {
    inner_.OnDisconnection(removeMode, custom);
  }
  RibbonExtensibility* queryRibbonExtensibility() override {
    return inner_.queryRibbonExtensibility() ? this : nullptr;
  }

 private:
  std::wstring GetCustomUI(const std::wstring& ribbonId) override;
  automation::Variant invokeCallback(const std::wstring& callback, std::vector<automation::Arg>& args) override;

  ComAddIn& inner_;
  std::shared_ptr<FaultPlan> plan_;
};

}  // namespace sim::faults

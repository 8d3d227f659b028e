#pragma once
// A simulated object that can go away while references to it remain (a deleted control, a closed
// document, every object of a host that has ended): from then on each of its members raises the
// failure that the real host gives for such a reference.

#include <optional>

#include "sim/sim_object.h"

namespace sim {

class HostObject : public SimObject {
 public:
  Variant invoke(std::wstring_view member, automation::InvokeKind kind, std::vector<Arg>& args) override;
  automation::Connection connect(std::wstring_view eventsInterface, automation::EventHandler handler) override;

  bool isGone() const { return gone_.has_value(); }

 protected:
  // Makes every later use fail with `reason` and ends the object's event subscriptions.
  void retire(ComError reason);
  void requireUsable() const;

 private:
  std::optional<ComError> gone_;
};

}  // namespace sim

#include "sim/host_object.h"

namespace sim {

void HostObject::requireUsable() const {
  if (gone_) throw *gone_;
}

Variant HostObject::invoke(std::wstring_view member, automation::InvokeKind kind, std::vector<Arg>& args) {
  requireUsable();
  try {
    return SimObject::invoke(member, kind, args);
  } catch (const ComError&) {
    throw;
  } catch (...) {
    // A host reports every failure of a member as an error of the call, never as a crash.
    throw automation::currentError(std::current_exception());
  }
}

automation::Connection HostObject::connect(std::wstring_view eventsInterface, automation::EventHandler handler) {
  requireUsable();
  return SimObject::connect(eventsInterface, std::move(handler));
}

void HostObject::retire(ComError reason) {
  if (gone_) return;
  gone_ = std::move(reason);
  disconnectAll();
}

}  // namespace sim

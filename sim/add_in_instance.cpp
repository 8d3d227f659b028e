#include "sim/add_in_instance.h"

#include "sim/host_errors.h"

namespace sim {

AddInInstance::AddInInstance(std::wstring progId, std::wstring description, std::weak_ptr<SimObject> host)
    : progId_(std::move(progId)), description_(std::move(description)), application_(std::move(host)) {
  signature(L"Office.COMAddIn");
  property(L"ProgId", [this](Params&) { return Variant(progId_); });
  property(
      L"Description", [this](Params&) { return Variant(description_); },
      [this](Params&, const Variant& value) { description_ = value.toString(); });
  property(L"Connect", [this](Params&) { return Variant(connected_); });
  property(L"Guid", [](Params&) { return Variant(std::wstring()); });
  // What the add-in chooses to show other clients of the host.
  property(
      L"Object", [this](Params&) { return Variant(object_); },
      [this](Params&, const Variant& value) { object_ = value.toObject(); });
  property(L"Application", [this](Params&) {
    auto application = application_.lock();
    return Variant(application ? application->self() : Object());
  });
  defaultMember(L"Description");
}

void AddInInstance::end() {
  connected_ = false;
  object_ = Object();
  retire(host_errors::hostEnded());
}

}  // namespace sim

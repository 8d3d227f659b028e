#include "sim/command_bar_controls.h"

#include "platform/text.h"
#include "sim/host_errors.h"

namespace sim {

CommandBarControls::CommandBarControls(std::shared_ptr<CommandBar> bar) : bar_(std::move(bar)) {
  signature(L"Office.CommandBarControls");
  // The collection is a view: once its bar is gone, so is it.
  auto live = [this]() -> CommandBar& {
    if (bar_->isGone()) throw host_errors::commandBarObjectGone();
    return *bar_;
  };
  property(L"Count", [live](Params&) { return Variant(static_cast<std::int32_t>(live().controls().size())); });
  property(L"Item", {L"Index"}, [live](Params& p) {
    const auto& controls = live().controls();
    const Variant& index = p.at(0);
    if (index.isString()) {
      const std::wstring wanted = withoutAccelerator(index.toString());
      for (const auto& control : controls) {
        if (platform::equalsIgnoreCase(withoutAccelerator(control->caption()), wanted)) return Variant(control->self());
      }
      throw host_errors::invalidArgument();
    }
    const std::int32_t i = index.toInt32();
    if (i < 1 || static_cast<std::size_t>(i) > controls.size()) throw host_errors::invalidArgument();
    return Variant(controls[static_cast<std::size_t>(i - 1)]->self());
  });
  defaultMember(L"Item");
  method(L"Add", {L"Type", L"Id", L"Parameter", L"Before", L"Temporary"}, [live](Params& p) {
    const std::int32_t type = p.given(0) ? p.at(0).toInt32() : static_cast<std::int32_t>(ControlType::Button);
    const std::int32_t id = p.given(1) ? p.at(1).toInt32() : 1;
    const std::wstring parameter = p.given(2) ? p.at(2).toString() : std::wstring();
    std::optional<std::int32_t> before;
    if (p.given(3)) before = p.at(3).toInt32();
    const bool temporary = p.given(4) && p.at(4).toBool();
    return Variant(live().addControl(type, id, parameter, before, temporary)->self());
  });
  property(L"Parent", [live](Params&) { return Variant(live().self()); });
}

}  // namespace sim

#include "sim/command_bars.h"

#include "sim/host_errors.h"

namespace sim {

CommandBars::CommandBars(std::shared_ptr<BarStore> store, bool hasActiveMenuBar)
    : store_(std::move(store)), hasActiveMenuBar_(hasActiveMenuBar) {
  signature(L"Office._CommandBars");
  property(L"Count", [this](Params&) { return Variant(static_cast<std::int32_t>(store_->bars().size())); });
  property(L"Item", {L"Index"}, [this](Params& p) {
    const Variant& index = p.at(0);
    if (index.isString()) {
      auto bar = store_->find(index.toString());
      if (!bar) throw host_errors::invalidArgument();
      return Variant(bar->self());
    }
    const std::int32_t i = index.toInt32();
    const auto& bars = store_->bars();
    if (i < 1 || static_cast<std::size_t>(i) > bars.size()) throw host_errors::invalidArgument();
    return Variant(bars[static_cast<std::size_t>(i - 1)]->self());
  });
  defaultMember(L"Item");
  property(L"ActiveMenuBar", [this](Params&) {
    auto bar = hasActiveMenuBar_ ? store_->menuBar() : nullptr;
    return Variant(bar ? bar->self() : Object());
  });
  method(L"Add", {L"Name", L"Position", L"MenuBar", L"Temporary"}, [this](Params& p) {
    const std::wstring name = p.given(0) ? p.at(0).toString() : std::wstring();
    const std::int32_t position = p.given(1) ? p.at(1).toInt32() : static_cast<std::int32_t>(kBarFloating);
    const bool menuBar = p.given(2) && p.at(2).toBool();
    const bool temporary = p.given(3) && p.at(3).toBool();
    return Variant(store_->add(name, position, menuBar, temporary)->self());
  });
  method(L"FindControl", {L"Type", L"Id", L"Tag", L"Visible"}, [this](Params& p) {
    auto found = store_->findControl(findControlCriteria(p));
    return Variant(found ? found->self() : Object());
  });
  property(
      L"DisplayTooltips", [this](Params&) { return Variant(displayTooltips_); },
      [this](Params&, const Variant& value) { displayTooltips_ = value.toBool(); });
  property(
      L"LargeButtons", [this](Params&) { return Variant(largeButtons_); },
      [this](Params&, const Variant& value) { largeButtons_ = value.toBool(); });
}

void CommandBars::end() { retire(host_errors::hostEnded()); }

}  // namespace sim

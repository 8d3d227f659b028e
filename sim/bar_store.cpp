#include "sim/bar_store.h"

#include <algorithm>

#include "platform/text.h"
#include "sim/built_in_bars.h"
#include "sim/host_errors.h"

namespace sim {
namespace {

void collect(const std::vector<std::shared_ptr<CommandBarControl>>& controls,
             std::vector<std::shared_ptr<CommandBarControl>>& out) {
  for (const auto& control : controls) {
    out.push_back(control);
    collect(control->controls(), out);
  }
}

}  // namespace

std::shared_ptr<BarStore> BarStore::create(HostKind host, platform::Ui* ui) {
  auto store = std::make_shared<BarStore>(host, ui);
  store->context_->store = store;
  addBuiltInBars(*store);
  return store;
}

BarStore::BarStore(HostKind host, platform::Ui* ui) : context_(std::make_shared<BarContext>()) {
  context_->host = host;
  context_->ui = ui;
}

std::shared_ptr<CommandBar> BarStore::find(const std::wstring& name) const {
  for (const auto& bar : bars_) {
    if (platform::equalsIgnoreCase(bar->name(), name)) return bar;
  }
  return nullptr;
}

std::shared_ptr<CommandBar> BarStore::menuBar() const {
  if (auto custom = customMenuBar_.lock()) {
    if (!custom->isGone()) return custom;
  }
  for (const auto& bar : bars_) {
    if (bar->builtIn() && bar->type() == BarType::MenuBar) return bar;
  }
  return nullptr;
}

std::int32_t BarStore::indexOf(const CommandBar& bar) const {
  for (std::size_t i = 0; i < bars_.size(); ++i) {
    if (bars_[i].get() == &bar) return static_cast<std::int32_t>(i + 1);
  }
  return 0;
}

std::shared_ptr<CommandBarControl> BarStore::findControl(const ControlCriteria& criteria) const {
  ControlCriteria everywhere = criteria;
  everywhere.recursive = true;
  for (const auto& bar : bars_) {
    if (auto found = bar->findControl(everywhere)) return found;
  }
  return nullptr;
}

std::vector<std::shared_ptr<CommandBarControl>> BarStore::allControls() const {
  std::vector<std::shared_ptr<CommandBarControl>> controls;
  for (const auto& bar : bars_) collect(bar->controls(), controls);
  return controls;
}

std::shared_ptr<CommandBar> BarStore::add(const std::wstring& name, std::int32_t position, bool menuBar,
                                          bool temporary) {
  std::wstring barName = name;
  if (barName.empty()) {
    for (int n = 1; barName.empty() || find(barName); ++n) barName = L"Custom " + std::to_wstring(n);
  }
  if (find(barName)) throw host_errors::invalidArgument();
  if (position < kBarLeft || position > kBarPopup) throw host_errors::invalidArgument();
  const BarType type = position == kBarPopup ? BarType::Popup : (menuBar ? BarType::MenuBar : BarType::Normal);
  auto bar = CommandBar::create(context_, barName, type, false, temporary);
  if (position == kBarFloating || position == kBarPopup) {
    bar->setPlacement(position, 0, 200, 150);
  } else {
    // A newly docked bar gets a row of its own after the rows on that side.
    std::int32_t lastRow = 0;
    for (const auto& other : bars_) {
      if (other->position() == position) lastRow = std::max(lastRow, other->rowIndex());
    }
    bar->setPlacement(position, lastRow + 1, 0, 0);
  }
  bars_.push_back(bar);
  if (type == BarType::MenuBar) customMenuBar_ = bar;
  return bar;
}

std::shared_ptr<CommandBar> BarStore::addBuiltIn(const std::wstring& name, BarType type, std::int32_t position,
                                                 std::int32_t rowIndex) {
  auto bar = CommandBar::create(context_, name, type, true, false);
  bar->setPlacement(position, rowIndex, 0, 0);
  bar->setVisible(true);
  bars_.push_back(bar);
  return bar;
}

void BarStore::removeBar(const CommandBar& bar) {
  bars_.erase(std::remove_if(bars_.begin(), bars_.end(), [&](const auto& b) { return b.get() == &bar; }),
              bars_.end());
}

void BarStore::restoreAtEndOfRun(const std::shared_ptr<CommandBar>& parent, std::size_t at,
                                 std::shared_ptr<CommandBarControl> copy) {
  restores_.push_back(Restore{parent, at, std::move(copy)});
}

void BarStore::endRun() {
  for (auto it = bars_.begin(); it != bars_.end();) {
    if ((*it)->isTemporary()) {
      (*it)->retireTree();
      it = bars_.erase(it);
    } else {
      (*it)->endRun();
      ++it;
    }
  }
  // Latest deletion first, so that each copy returns to the place it had when it was deleted.
  for (auto it = restores_.rbegin(); it != restores_.rend(); ++it) {
    auto parent = it->parent.lock();
    if (parent && !parent->isGone()) parent->insertControl(it->copy, it->at);
  }
  restores_.clear();
}

}  // namespace sim

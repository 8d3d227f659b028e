#include "sim/command_bar.h"

#include <algorithm>

#include "platform/text.h"
#include "sim/bar_store.h"
#include "sim/built_in_bars.h"
#include "sim/command_bar_controls.h"
#include "sim/host_errors.h"

namespace sim {

ControlCriteria findControlCriteria(const Params& p) {
  ControlCriteria criteria;
  if ((criteria.hasType = p.given(0))) criteria.type = p.at(0).toInt32();
  if ((criteria.hasId = p.given(1))) criteria.id = p.at(1).toInt32();
  if ((criteria.hasTag = p.given(2))) criteria.tag = p.at(2).toString();
  criteria.visibleOnly = p.given(3) && p.at(3).toBool();
  criteria.recursive = p.given(4) && p.at(4).toBool();
  return criteria;
}
namespace {

bool matches(const CommandBarControl& control, const ControlCriteria& criteria) {
  if (criteria.hasType && static_cast<std::int32_t>(control.type()) != criteria.type) return false;
  if (criteria.hasId && control.id() != criteria.id) return false;
  if (criteria.hasTag && control.tag() != criteria.tag) return false;
  if (criteria.visibleOnly && !control.visible()) return false;
  return true;
}

}  // namespace

std::shared_ptr<CommandBar> CommandBar::create(std::shared_ptr<BarContext> context, std::wstring name, BarType type,
                                               bool builtIn, bool temporary) {
  return std::make_shared<CommandBar>(std::move(context), std::move(name), type, builtIn, temporary);
}

CommandBar::CommandBar(std::shared_ptr<BarContext> context, std::wstring name, BarType type, bool builtIn,
                       bool temporary)
    : context_(std::move(context)), name_(std::move(name)), type_(type), builtIn_(builtIn), temporary_(temporary) {
  registerMembers();
}

std::wstring CommandBar::name() const {
  if (auto popup = owner_.lock()) return withoutAccelerator(popup->caption());
  return name_;
}

std::int32_t CommandBar::width() const {
  if (position_ == kBarFloating && floatingWidth_ > 0) return floatingWidth_;
  if (position_ == kBarLeft || position_ == kBarRight) {
    std::int32_t widest = 23;
    for (const auto& control : controls_) widest = std::max(widest, control->width());
    return widest + 4;
  }
  std::int32_t sum = 0;
  for (const auto& control : controls_) sum += control->width();
  // The bar's frame and its move handle take 10 pixels; an empty bar still shows as a small stub.
  return std::max<std::int32_t>(10 + sum, 25);
}

std::int32_t CommandBar::height() const {
  if (position_ == kBarLeft || position_ == kBarRight || type_ == BarType::Popup) {
    std::int32_t visible = 0;
    for (const auto& control : controls_) visible += control->visible() ? 1 : 0;
    return 4 + 22 * visible;
  }
  return 26;
}

std::int32_t CommandBar::index() const {
  if (owner_.lock() || isGone()) return 0;
  auto store = context_->store.lock();
  return store ? store->indexOf(*this) : 0;
}

std::shared_ptr<CommandBarControl> CommandBar::findControl(const ControlCriteria& criteria) const {
  for (const auto& control : controls_) {
    if (matches(*control, criteria)) return control;
    if (criteria.recursive && control->menu()) {
      if (auto found = control->menu()->findControl(criteria)) return found;
    }
  }
  return nullptr;
}

std::shared_ptr<CommandBarControl> CommandBar::controlByTag(const std::wstring& tag) const {
  ControlCriteria criteria;
  criteria.hasTag = true;
  criteria.tag = tag;
  criteria.recursive = true;
  return findControl(criteria);
}

std::shared_ptr<CommandBarControl> CommandBar::controlByCaption(const std::wstring& caption) const {
  const std::wstring wanted = withoutAccelerator(caption);
  for (const auto& control : controls_) {
    if (platform::equalsIgnoreCase(withoutAccelerator(control->caption()), wanted)) return control;
    if (control->menu()) {
      if (auto found = control->menu()->controlByCaption(caption)) return found;
    }
  }
  return nullptr;
}

void CommandBar::rename(std::wstring name) {
  requireUsable();
  if (builtIn_ || owner_.lock()) throw host_errors::methodFailed(L"Name", L"CommandBar");
  if (name.empty()) throw host_errors::invalidArgument();
  if (auto store = context_->store.lock()) {
    auto other = store->find(name);
    if (other && other.get() != this) throw host_errors::invalidArgument();
  }
  name_ = std::move(name);
}

void CommandBar::setPosition(std::int32_t position) {
  if (type_ == BarType::Popup) throw host_errors::invalidArgument();
  if (position < kBarLeft || position > kBarFloating) throw host_errors::invalidArgument();
  position_ = position;
}

void CommandBar::setWidth(std::int32_t width) {
  // A docked bar is as wide as its controls make it; only a floating one can be reshaped.
  if (position_ != kBarFloating) throw host_errors::methodFailed(L"Width", L"CommandBar");
  if (width <= 0) throw host_errors::invalidArgument();
  floatingWidth_ = width;
}

void CommandBar::dragTo(std::int32_t position, std::int32_t rowIndex, std::int32_t left) {
  requireUsable();
  setPosition(position);
  rowIndex_ = rowIndex;
  left_ = left;
}

void CommandBar::setPlacement(std::int32_t position, std::int32_t rowIndex, std::int32_t left, std::int32_t top) {
  position_ = position;
  rowIndex_ = rowIndex;
  left_ = left;
  top_ = top;
}

std::shared_ptr<CommandBarControl> CommandBar::addControl(std::int32_t type, std::int32_t id,
                                                          const std::wstring& parameter,
                                                          std::optional<std::int32_t> before, bool temporary) {
  requireUsable();
  if (type != static_cast<std::int32_t>(ControlType::Button) && type != static_cast<std::int32_t>(ControlType::Popup)) {
    throw host_errors::invalidArgument();
  }
  const BuiltInControl* builtIn = nullptr;
  if (id > 1) {
    builtIn = findBuiltInControl(id);
    if (!builtIn || static_cast<std::int32_t>(builtIn->type) != type) throw host_errors::invalidArgument();
  } else if (id < 0) {
    throw host_errors::invalidArgument();
  }
  std::size_t at = controls_.size();
  if (before) {
    if (*before < 1 || static_cast<std::size_t>(*before) > controls_.size() + 1) throw host_errors::invalidArgument();
    at = static_cast<std::size_t>(*before - 1);
  }
  auto control = CommandBarControl::create(context_, static_cast<ControlType>(type), builtIn ? id : 1,
                                           builtIn != nullptr, temporary);
  if (builtIn) control->setCaption(builtIn->caption);
  control->setParameter(parameter);
  insertControl(control, at);
  return control;
}

void CommandBar::insertControl(const std::shared_ptr<CommandBarControl>& control, std::size_t at) {
  at = std::min(at, controls_.size());
  controls_.insert(controls_.begin() + static_cast<std::ptrdiff_t>(at), control);
  control->attach(std::static_pointer_cast<CommandBar>(shared_from_this()));
}

std::size_t CommandBar::takeControl(const CommandBarControl& control) {
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    if (controls_[i].get() == &control) {
      controls_[i]->detach();
      controls_.erase(controls_.begin() + static_cast<std::ptrdiff_t>(i));
      return i;
    }
  }
  return controls_.size();
}

void CommandBar::remove() {
  requireUsable();
  if (builtIn_ || owner_.lock()) throw host_errors::methodFailed(L"Delete", L"CommandBar");
  auto self = shared_from_this();  // alive while the store lets go of it
  if (auto store = context_->store.lock()) store->removeBar(*this);
  retireTree();
}

void CommandBar::retireTree() {
  retire(host_errors::commandBarObjectGone());
  for (const auto& control : controls_) control->retireTree();
}

void CommandBar::endRun() {
  disconnectAll();
  for (auto it = controls_.begin(); it != controls_.end();) {
    if ((*it)->isTemporary()) {
      (*it)->detach();
      (*it)->retireTree();
      it = controls_.erase(it);
    } else {
      (*it)->endRun();
      ++it;
    }
  }
}

void CommandBar::registerMembers() {
  signature(L"Office.CommandBar");
  property(
      L"Name", [this](Params&) { return Variant(name()); },
      [this](Params&, const Variant& value) { rename(value.toString()); });
  property(
      L"NameLocal", [this](Params&) { return Variant(name()); },
      [this](Params&, const Variant& value) { rename(value.toString()); });
  property(L"Type", [this](Params&) { return Variant(static_cast<std::int32_t>(type_)); });
  property(L"BuiltIn", [this](Params&) { return Variant(builtIn_); });
  property(L"Index", [this](Params&) { return Variant(index()); });
  property(L"Controls", [this](Params&) {
    return Variant(Object(std::make_shared<CommandBarControls>(std::static_pointer_cast<CommandBar>(shared_from_this()))));
  });
  method(L"FindControl", {L"Type", L"Id", L"Tag", L"Visible", L"Recursive"}, [this](Params& p) {
    auto found = findControl(findControlCriteria(p));
    return Variant(found ? found->self() : Object());
  });
  property(
      L"Visible", [this](Params&) { return Variant(visible_); },
      [this](Params&, const Variant& value) { visible_ = value.toBool(); });
  property(
      L"Enabled", [this](Params&) { return Variant(enabled_); },
      [this](Params&, const Variant& value) { enabled_ = value.toBool(); });
  property(
      L"Position", [this](Params&) { return Variant(position_); },
      [this](Params&, const Variant& value) { setPosition(value.toInt32()); });
  property(
      L"RowIndex", [this](Params&) { return Variant(rowIndex_); },
      [this](Params&, const Variant& value) { rowIndex_ = value.toInt32(); });
  property(
      L"Left", [this](Params&) { return Variant(left_); },
      [this](Params&, const Variant& value) { left_ = value.toInt32(); });
  property(
      L"Top", [this](Params&) { return Variant(top_); },
      [this](Params&, const Variant& value) { top_ = value.toInt32(); });
  property(
      L"Width", [this](Params&) { return Variant(width()); },
      [this](Params&, const Variant& value) { setWidth(value.toInt32()); });
  property(L"Height", [this](Params&) { return Variant(height()); });
  property(
      L"Protection", [this](Params&) { return Variant(protection_); },
      [this](Params&, const Variant& value) { protection_ = value.toInt32(); });
  method(L"Delete", {}, [this](Params&) {
    remove();
    return Variant();
  });
}

}  // namespace sim

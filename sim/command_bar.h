#pragma once
// A command bar: a toolbar, a menu bar, or the menu of a popup control. Its placement (Position,
// RowIndex, Left, Top) is what the user changes by dragging it; its Width follows its controls.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/bar_context.h"
#include "sim/command_bar_control.h"
#include "sim/host_object.h"

namespace sim {

enum class BarType : std::int32_t { Normal = 0, MenuBar = 1, Popup = 2 };

// msoBarLeft .. msoBarFloating, and msoBarPopup for a shortcut menu.
enum BarPosition : std::int32_t { kBarLeft = 0, kBarTop = 1, kBarRight = 2, kBarBottom = 3, kBarFloating = 4, kBarPopup = 5 };

// The criteria of a FindControl call: Type, Id, Tag, Visible and, where the member has it, Recursive.
ControlCriteria findControlCriteria(const Params& p);

class CommandBar : public HostObject {
 public:
  static std::shared_ptr<CommandBar> create(std::shared_ptr<BarContext> context, std::wstring name, BarType type,
                                            bool builtIn, bool temporary);

  // A popup's menu takes its name from the popup's caption.
  std::wstring name() const;
  BarType type() const { return type_; }
  bool builtIn() const { return builtIn_; }
  bool isTemporary() const { return temporary_; }
  std::int32_t position() const { return position_; }
  std::int32_t rowIndex() const { return rowIndex_; }
  std::int32_t left() const { return left_; }
  std::int32_t top() const { return top_; }
  std::int32_t width() const;
  std::int32_t height() const;
  bool visible() const { return visible_; }
  bool enabled() const { return enabled_; }
  // 1-based among the host's command bars; 0 for a popup's menu or a deleted bar.
  std::int32_t index() const;
  const std::vector<std::shared_ptr<CommandBarControl>>& controls() const { return controls_; }
  // The first control matching, in the order FindControl searches.
  std::shared_ptr<CommandBarControl> findControl(const ControlCriteria& criteria) const;
  // The first control (popups included) with this tag, or this caption read without "&" and
  // without regard to case; null when none.
  std::shared_ptr<CommandBarControl> controlByTag(const std::wstring& tag) const;
  std::shared_ptr<CommandBarControl> controlByCaption(const std::wstring& caption) const;
  // The popup whose menu this is; null for a bar of the CommandBars collection.
  std::shared_ptr<CommandBarControl> ownerPopup() const { return owner_.lock(); }

  // What the user does: rename a custom toolbar, drag a bar somewhere else, show or hide it.
  // Each raises as the same change made through the object model would.
  void rename(std::wstring name);
  void dragTo(std::int32_t position, std::int32_t rowIndex, std::int32_t left);
  void setVisible(bool visible) { visible_ = visible; }
  void setEnabled(bool enabled) { enabled_ = enabled; }
  void setPlacement(std::int32_t position, std::int32_t rowIndex, std::int32_t left, std::int32_t top);

  // Adds a control as Controls.Add does (raising for a bad type, Id or Before).
  std::shared_ptr<CommandBarControl> addControl(std::int32_t type, std::int32_t id, const std::wstring& parameter,
                                                std::optional<std::int32_t> before, bool temporary);
  // Puts a control at a 0-based place (clamped to the end).
  void insertControl(const std::shared_ptr<CommandBarControl>& control, std::size_t at);
  // Takes the control off the bar and gives its 0-based place (or the count when it was not here).
  std::size_t takeControl(const CommandBarControl& control);
  // Deletes the bar, as Delete does; built-in bars cannot be deleted.
  void remove();

  // For the store and the popups.
  void setOwner(const std::shared_ptr<CommandBarControl>& popup) { owner_ = popup; }
  void retireTree();
  void endRun();
  std::shared_ptr<CommandBar> cloneDetached() const;
  const std::shared_ptr<BarContext>& context() const { return context_; }

  // Use create().
  CommandBar(std::shared_ptr<BarContext> context, std::wstring name, BarType type, bool builtIn, bool temporary);

 private:
  void registerMembers();
  void setPosition(std::int32_t position);
  void setWidth(std::int32_t width);

  std::shared_ptr<BarContext> context_;
  std::wstring name_;
  BarType type_;
  bool builtIn_;
  bool temporary_;
  std::int32_t position_ = kBarFloating;
  std::int32_t rowIndex_ = 0;
  std::int32_t left_ = 0;
  std::int32_t top_ = 0;
  std::int32_t floatingWidth_ = 0;  // a width the user gave a floating bar; 0: follows the controls
  std::int32_t protection_ = 0;
  bool visible_ = false;
  bool enabled_ = true;
  std::vector<std::shared_ptr<CommandBarControl>> controls_;
  std::weak_ptr<CommandBarControl> owner_;
};

}  // namespace sim

#pragma once
// The command bars of one host kind on the simulated machine. They outlive a run of the host:
// bars and their non-temporary controls come back at the next start, as Office keeps them in the
// user's settings; temporary bars and controls go when the run ends.

#include <memory>
#include <string>
#include <vector>

#include "platform/ui.h"
#include "sim/command_bar.h"

namespace sim {

class BarStore : public std::enable_shared_from_this<BarStore> {
 public:
  // A store holding the host's built-in menu bar and its Standard and Formatting toolbars.
  static std::shared_ptr<BarStore> create(HostKind host, platform::Ui* ui);

  HostKind host() const { return context_->host; }
  const std::shared_ptr<BarContext>& context() const { return context_; }
  const std::vector<std::shared_ptr<CommandBar>>& bars() const { return bars_; }
  // By name, without regard to case; null when there is none.
  std::shared_ptr<CommandBar> find(const std::wstring& name) const;
  // The bar that serves as the host's menu bar.
  std::shared_ptr<CommandBar> menuBar() const;
  std::int32_t indexOf(const CommandBar& bar) const;
  // Across every bar, popups included.
  std::shared_ptr<CommandBarControl> findControl(const ControlCriteria& criteria) const;
  std::vector<std::shared_ptr<CommandBarControl>> allControls() const;

  // What CommandBars.Add does; an empty name gives "Custom 1", "Custom 2", ...
  std::shared_ptr<CommandBar> add(const std::wstring& name, std::int32_t position, bool menuBar, bool temporary);
  // For the host's own bars at first start.
  std::shared_ptr<CommandBar> addBuiltIn(const std::wstring& name, BarType type, std::int32_t position,
                                         std::int32_t rowIndex);
  void removeBar(const CommandBar& bar);
  // A control deleted "for this session only" comes back here when the run ends.
  void restoreAtEndOfRun(const std::shared_ptr<CommandBar>& parent, std::size_t at,
                         std::shared_ptr<CommandBarControl> copy);

  // The host's run ends: temporary bars and controls go, controls deleted for the session only come
  // back, and no event handler stays connected.
  void endRun();

  // Use create().
  BarStore(HostKind host, platform::Ui* ui);

 private:
  struct Restore {
    std::weak_ptr<CommandBar> parent;
    std::size_t at;
    std::shared_ptr<CommandBarControl> copy;
  };
  std::shared_ptr<BarContext> context_;
  std::vector<std::shared_ptr<CommandBar>> bars_;
  std::weak_ptr<CommandBar> customMenuBar_;
  std::vector<Restore> restores_;
};

}  // namespace sim

#pragma once
// The Controls collection of a bar or of a popup's menu: a view of the bar's controls.

#include <memory>

#include "sim/command_bar.h"

namespace sim {

class CommandBarControls : public HostObject {
 public:
  explicit CommandBarControls(std::shared_ptr<CommandBar> bar);

 private:
  std::shared_ptr<CommandBar> bar_;
};

}  // namespace sim

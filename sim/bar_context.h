#pragma once
// What every command bar and control of one host kind shares: the host, the version of the host
// run that shows them now (Picture and Mask exist from Office XP, version 10, on), the clipboard
// that PasteFace reads, and the store that keeps the bars between runs. It holds no bar or control
// itself, so that sharing it makes no ownership cycle.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/ui.h"
#include "sim/host_kind.h"

namespace sim {

class BarStore;

struct BarContext {
  HostKind host = HostKind::Word;
  platform::Ui* ui = nullptr;
  int version = 11;
  std::weak_ptr<BarStore> store;
};

// What FindControl matches: each criterion given must hold.
struct ControlCriteria {
  bool hasType = false;
  std::int32_t type = 0;
  bool hasId = false;
  std::int32_t id = 0;
  bool hasTag = false;
  std::wstring tag;
  bool visibleOnly = false;
  bool recursive = false;  // look into popups too
};

}  // namespace sim

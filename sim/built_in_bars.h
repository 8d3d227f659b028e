#pragma once
// The hosts' own command bars and the built-in controls that Controls.Add can copy by Id.

#include <cstdint>

#include "sim/bar_store.h"

namespace sim {

struct BuiltInControl {
  std::int32_t id;
  const wchar_t* caption;
  ControlType type;
};

// The built-in control with this Id, or null.
const BuiltInControl* findBuiltInControl(std::int32_t id);

// The menu bar (Word "Menu Bar": File .. Help; Excel "Worksheet Menu Bar" with Data; PowerPoint
// "Menu Bar" with Slide Show) and the Standard and Formatting toolbars.
void addBuiltInBars(BarStore& store);

// Ids of built-in commands whose click makes the host act.
namespace built_in_ids {
inline constexpr std::int32_t kSave = 3;
inline constexpr std::int32_t kNewDialog = 18;
inline constexpr std::int32_t kOpen = 23;
inline constexpr std::int32_t kClose = 106;
inline constexpr std::int32_t kSaveAs = 748;
inline constexpr std::int32_t kExit = 752;
inline constexpr std::int32_t kNew = 2520;
}  // namespace built_in_ids

}  // namespace sim

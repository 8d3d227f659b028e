#pragma once
// The number of the ComError that an action raises; 0 when it raises none.

#include <cstdint>
#include <functional>

#include "platform/com_error.h"

namespace testing_support {

inline std::int32_t errorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const platform::ComError& e) {
    return e.number();
  }
  return 0;
}

}  // namespace testing_support

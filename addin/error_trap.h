#pragma once
// The two ways a procedure of the add-in traps errors: run a step and go on whatever it raised,
// or run a body and hand whatever it raised, as a ComError, to a handler.

#include <exception>
#include <utility>

#include "automation/dispatch.h"

namespace addin {

// Runs `step`; a failure of it is skipped. Returns whether it succeeded.
template <typename Step>
bool ignoringErrors(Step&& step) noexcept {
  try {
    std::forward<Step>(step)();
    return true;
  } catch (...) {
    return false;
  }
}

// Runs `step`, and once more when it fails: for a step that must not be lost to a host that
// refuses a call for a moment. The second failure is raised.
template <typename Step>
void retryingOnce(Step&& step) {
  try {
    step();
  } catch (...) {
    step();
  }
}

// Runs `body`; on failure, calls `handler` with the error.
template <typename Body, typename Handler>
void trappingErrors(Body&& body, Handler&& handler) {
  try {
    std::forward<Body>(body)();
  } catch (...) {
    std::forward<Handler>(handler)(automation::currentError(std::current_exception()));
  }
}

}  // namespace addin

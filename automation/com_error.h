#pragma once
// The add-in's error type, as the automation layer names it.

#include "platform/com_error.h"

namespace automation {
using platform::ComError;
namespace errors = platform::errors;
}  // namespace automation

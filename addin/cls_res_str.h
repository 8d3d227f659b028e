#pragma once
// clsResStr: the add-in's numbered messages in the user's interface language. It has no state of
// its own; callers create one for each lookup.

#include <cstdint>
#include <string>

#include "platform/resources.h"

namespace addin {

class clsResStr {
 public:
  explicit clsResStr(platform::Resources& resources) : resources_(resources) {}

  // The tables are part of the module, so there is nothing to load.
  bool LoadLocalizedResources() { return true; }
  // The text of message `StringIndex`. Raises ComError 5 for a number the tables do not hold.
  std::wstring GetString(const std::int32_t& StringIndex);

 private:
  platform::Resources& resources_;
};

}  // namespace addin

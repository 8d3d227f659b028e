#pragma once
// The process environment.

#include <optional>
#include <string>
#include <vector>

namespace platform {

class Environment {
 public:
  virtual ~Environment() = default;
  virtual std::optional<std::wstring> variable(const std::wstring& name) = 0;
  // The "NAME=value" entries in the order the process holds them.
  virtual std::vector<std::wstring> entries() = 0;
  // Replaces every %NAME% of a defined variable by its value; other text stays as it is.
  virtual std::wstring expand(const std::wstring& text) = 0;
};

}  // namespace platform

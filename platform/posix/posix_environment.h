#pragma once
// The process environment of the native build, or a fixed one for tests and the demo. Names are
// looked up without regard to case, as on Windows.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/environment.h"

namespace platform::posix {

// Replaces every %NAME% whose `lookup` gives a value, as ExpandEnvironmentStrings does: an undefined
// reference stays as written, and its closing "%" may open the next reference.
std::wstring expandReferences(const std::wstring& text,
                              const std::function<std::optional<std::wstring>(const std::wstring&)>& lookup);

class ProcessEnvironment : public Environment {
 public:
  std::optional<std::wstring> variable(const std::wstring& name) override;
  std::vector<std::wstring> entries() override;
  std::wstring expand(const std::wstring& text) override;
};

// A fixed set of "NAME=value" entries, in the order given.
class FixedEnvironment : public Environment {
 public:
  explicit FixedEnvironment(std::vector<std::wstring> entries = {}) : entries_(std::move(entries)) {}
  void set(const std::wstring& name, const std::wstring& value);
  void unset(const std::wstring& name);

  std::optional<std::wstring> variable(const std::wstring& name) override;
  std::vector<std::wstring> entries() override { return entries_; }
  std::wstring expand(const std::wstring& text) override;

 private:
  std::vector<std::wstring> entries_;
};

}  // namespace platform::posix

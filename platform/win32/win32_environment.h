#pragma once
// The process environment through the kernel32 wide-character functions.

#include "platform/environment.h"

namespace platform::win32 {

class Win32Environment final : public Environment {
 public:
  std::optional<std::wstring> variable(const std::wstring& name) override;
  // Includes the entries Windows keeps for itself, such as "=C:=C:\Docs" (the current folder per drive).
  std::vector<std::wstring> entries() override;
  std::wstring expand(const std::wstring& text) override;
};

}  // namespace platform::win32

#pragma once
// Message boxes through user32.

#include "platform/ui.h"

namespace platform::win32 {

class Win32Ui final : public Ui {
 public:
  int messageBox(const std::wstring& text, const std::wstring& title, std::uint32_t flags) override;
};

}  // namespace platform::win32

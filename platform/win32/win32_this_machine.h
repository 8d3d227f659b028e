#pragma once
// What this Windows machine knows about itself: its names and addresses, and its shares' folders.

#include "platform/local_share.h"

namespace platform::win32 {

class Win32ThisMachine final : public ThisMachine {
 public:
  bool isNamed(std::wstring_view server) override;
  std::optional<std::wstring> shareFolder(std::wstring_view share) override;
};

}  // namespace platform::win32

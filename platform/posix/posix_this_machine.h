#pragma once
// What a POSIX machine knows about itself for UNC paths: its host name, "localhost" and loopback
// addresses name it; it serves no shares but the drives' administrative ones.

#include "platform/local_share.h"

namespace platform::posix {

class PosixThisMachine final : public ThisMachine {
 public:
  bool isNamed(std::wstring_view server) override;
  std::optional<std::wstring> shareFolder(std::wstring_view) override { return std::nullopt; }
};

}  // namespace platform::posix

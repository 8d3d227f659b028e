#pragma once
// The registry through advapi32.

#include "platform/registry.h"

namespace platform::win32 {

class Win32Registry final : public Registry {
 public:
  long createKey(std::int32_t root, const std::wstring& path, std::uint32_t access,
                 std::unique_ptr<RegistryKey>& key) override;
  bool treeDeleteAvailable() override;
};

}  // namespace platform::win32

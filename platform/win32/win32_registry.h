#pragma once
// The registry through advapi32.

#include "platform/registry.h"

namespace platform::win32 {

class Win32Registry final : public Registry {
 public:
  long createKey(std::int32_t root, const std::wstring& path, std::uint32_t access,
                 std::unique_ptr<RegistryKey>& key) override;
  bool treeDeleteAvailable() override;
  // Opens root\path with `access` only where it exists: ERROR_FILE_NOT_FOUND, and no key made,
  // where it does not.
  long openKey(std::int32_t root, const std::wstring& path, std::uint32_t access,
               std::unique_ptr<RegistryKey>& key) override;
};

}  // namespace platform::win32

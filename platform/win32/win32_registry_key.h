#pragma once
// An open registry key (advapi32), closed by the destructor.

#include "platform/registry.h"
#include "platform/win32/win32_types.h"

namespace platform::win32 {

class Win32RegistryKey final : public RegistryKey {
 public:
  // Takes ownership of an open key (not a predefined root key).
  explicit Win32RegistryKey(KeyHandle key) noexcept : key_(key) {}
  ~Win32RegistryKey() override;
  Win32RegistryKey(const Win32RegistryKey&) = delete;
  Win32RegistryKey& operator=(const Win32RegistryKey&) = delete;

  long queryInfo(RegistryKeyInfo& info) override;
  long enumValue(std::uint32_t index, RegistryValue& value) override;
  long enumSubKey(std::uint32_t index, std::wstring& name) override;
  long queryValue(const std::wstring& name, std::uint32_t& type, std::vector<std::uint8_t>* data) override;
  long setValue(const std::wstring& name, std::uint32_t type, const std::vector<std::uint8_t>& data) override;
  long deleteValue(const std::wstring& name) override;
  long deleteSubKeyTree(const std::wstring& name) override;
  long deleteSubKey(const std::wstring& name) override;

 private:
  KeyHandle key_;
};

}  // namespace platform::win32

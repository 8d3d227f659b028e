#pragma once
// The registry operations the add-in needs, with the Win32 meaning of every call and result code.
// Windows: advapi32. POSIX: an in-memory hive persisted as a .reg file.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// Value types.
inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegDwordBigEndian = 5;
inline constexpr std::uint32_t kRegLink = 6;
inline constexpr std::uint32_t kRegMultiSz = 7;

// Predefined root keys, as their 32-bit handle values.
inline constexpr std::int32_t kHkeyClassesRoot = static_cast<std::int32_t>(0x80000000u);
inline constexpr std::int32_t kHkeyCurrentUser = static_cast<std::int32_t>(0x80000001u);
inline constexpr std::int32_t kHkeyLocalMachine = static_cast<std::int32_t>(0x80000002u);
inline constexpr std::int32_t kHkeyUsers = static_cast<std::int32_t>(0x80000003u);

// Access masks.
inline constexpr std::uint32_t kKeyRead = 0x20019;
inline constexpr std::uint32_t kKeyWrite = 0x20006;
inline constexpr std::uint32_t kKeyAllAccess = 0xF003F;

// Win32 result codes that the implementations return.
inline constexpr long kErrorSuccess = 0;
inline constexpr long kErrorFileNotFound = 2;
inline constexpr long kErrorAccessDenied = 5;
inline constexpr long kErrorInvalidHandle = 6;
inline constexpr long kErrorInvalidParameter = 87;
inline constexpr long kErrorBadPathname = 161;
inline constexpr long kErrorNoMoreItems = 259;
inline constexpr long kErrorDiskFull = 112;
inline constexpr long kErrorBadDatabase = 1009;
inline constexpr long kErrorRegistryIoFailed = 1016;
inline constexpr long kErrorKeyDeleted = 1018;

struct RegistryKeyInfo {
  std::uint32_t subKeyCount = 0;
  std::uint32_t valueCount = 0;
  std::uint32_t maxSubKeyNameLength = 0;    // characters, without the terminating NUL
  std::uint32_t maxValueNameLength = 0;     // characters, without the terminating NUL
  std::uint32_t maxValueDataBytes = 0;
};

struct RegistryValue {
  std::wstring name;
  std::uint32_t type = kRegNone;
  std::vector<std::uint8_t> data;  // raw bytes; strings are UTF-16LE with their terminators
};

// An open key. Closing is the destructor's job.
class RegistryKey {
 public:
  virtual ~RegistryKey() = default;
  virtual long queryInfo(RegistryKeyInfo& info) = 0;
  // The value at `index` in the key's enumeration order, whole whatever its size.
  virtual long enumValue(std::uint32_t index, RegistryValue& value) = 0;
  virtual long enumSubKey(std::uint32_t index, std::wstring& name) = 0;
  // Type of the named value ("" is the default value), and its data when `data` is given.
  virtual long queryValue(const std::wstring& name, std::uint32_t& type, std::vector<std::uint8_t>* data) = 0;
  virtual long setValue(const std::wstring& name, std::uint32_t type, const std::vector<std::uint8_t>& data) = 0;
  virtual long deleteValue(const std::wstring& name) = 0;
  // Deletes a direct subkey with everything below it.
  virtual long deleteSubKeyTree(const std::wstring& name) = 0;
  // Deletes a direct subkey that has no subkeys of its own.
  virtual long deleteSubKey(const std::wstring& name) = 0;
};

class Registry {
 public:
  virtual ~Registry() = default;
  // Opens root\path with `access`, creating the key and every missing parent.
  virtual long createKey(std::int32_t root, const std::wstring& path, std::uint32_t access,
                         std::unique_ptr<RegistryKey>& key) = 0;
  // Opens root\path with `access` only if it exists (2, file not found, otherwise): creates nothing.
  virtual long openKey(std::int32_t root, const std::wstring& path, std::uint32_t access,
                       std::unique_ptr<RegistryKey>& key) = 0;
  // Whether deleteSubKeyTree can be used (on Windows: the shell library loads from the system folder).
  virtual bool treeDeleteAvailable() = 0;
};

}  // namespace platform

#pragma once
// RegOp: one registry key, given by a root and a path, whose values are read and written by name.
// Reads come from a cache filled with all values of the key at the first read, so several reads
// cost one enumeration; every write or delete empties it. Missing keys are created on first access.
// Registry failures never raise: they read as -1, an empty list, 0 or false, and are shown in a
// message box only with option bit 8.

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "automation/variant.h"
#include "platform/platform.h"
#include "support/value_cache.h"

namespace support {

class RegOp {
 public:
  static constexpr std::int32_t kOptionNumbersAsText = 1;  // writing: numbers are stored as REG_SZ
  static constexpr std::int32_t kOptionMultiAsArray = 2;   // reading: REG_MULTI_SZ as an array
  static constexpr std::int32_t kOptionExpand = 4;         // reading: REG_EXPAND_SZ expanded
  static constexpr std::int32_t kOptionShowErrors = 8;     // failures are shown in a message box

  explicit RegOp(const platform::Platform& platform);
  ~RegOp();
  RegOp(const RegOp&) = delete;
  RegOp& operator=(const RegOp&) = delete;

  void Root(std::int32_t root);
  void Key(const std::wstring& path);
  void Options(std::int32_t options);

  // The value, or the 16-bit integer -1 when the key has no such value or cannot be opened.
  automation::Variant Value(const std::wstring& valueName = {});
  // Writes the value; an empty variant is ignored. Raises ComError 13 when the value cannot take
  // the type of the existing value (text that is no number into a REG_DWORD).
  void Value(const std::wstring& valueName, const automation::Variant& newValue);

  std::vector<std::pair<std::wstring, automation::Variant>> AllValues();
  std::vector<std::wstring> AllKeys();
  bool DeleteValue(const std::wstring& valueName = {});
  bool DeleteKey();
  std::int32_t ValueCount();
  std::int32_t KeyCount();
  // Whether a registry call of this object failed (a key that could not be opened, a value that
  // could not be read or written): what a caller that must not take a failure for a missing value
  // asks.
  bool Failed() const { return failed_; }

 private:
  void OpenKey();
  void CloseKey();
  bool EnsureKeyOpen();
  void LoadValueCache();
  void RefreshCounts();
  bool HasEnvironmentReference(const std::wstring& text);
  bool IsShellDeleteAvailable();
  bool IsWindowsNT() const { return true; }  // every platform we run on is of the NT family
  void ShowRegistryError(const std::wstring& message);

  platform::Platform platform_;
  std::int32_t root_;
  std::wstring keyPath_;
  std::int32_t options_ = 0;
  std::uint32_t requestedAccess_ = 0;
  std::uint32_t openedAccess_ = 0;
  std::unique_ptr<platform::RegistryKey> key_;
  platform::RegistryKeyInfo info_;
  ValueCache cache_;
  bool failed_ = false;
};

}  // namespace support

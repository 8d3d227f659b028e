#pragma once
// An in-memory registry: root keys, subkeys and values, with names compared without regard to
// case as Windows does, and enumeration in the order of creation.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace platform::posix {

struct HiveKey {
  std::wstring name;
  std::vector<std::unique_ptr<HiveKey>> subKeys;
  std::vector<RegistryValue> values;

  HiveKey* findSubKey(const std::wstring& subKeyName) const;
  HiveKey& subKey(const std::wstring& subKeyName);  // creates it when missing
  RegistryValue* findValue(const std::wstring& valueName);
  bool removeSubKey(const std::wstring& subKeyName);
  bool removeValue(const std::wstring& valueName);
  void setValue(const std::wstring& valueName, std::uint32_t type, std::vector<std::uint8_t> data);
};

// The predefined roots with their names in .reg files.
struct HiveRoot {
  std::int32_t handle;
  const wchar_t* name;
};
const std::vector<HiveRoot>& hiveRoots();
const HiveRoot* findRootByHandle(std::int32_t handle);
const HiveRoot* findRootByName(const std::wstring& name);

// Splits a key path at its backslashes; empty parts are dropped.
std::vector<std::wstring> splitKeyPath(const std::wstring& path);

class Hive {
 public:
  Hive();
  // The root key, or null for a handle that names no root.
  HiveKey* root(std::int32_t handle);
  const HiveKey* root(std::int32_t handle) const;
  // The key at `path` below the root, or null.
  HiveKey* find(std::int32_t rootHandle, const std::vector<std::wstring>& path);
  // The key at `path`, created with its missing parents; null for an unknown root.
  HiveKey* create(std::int32_t rootHandle, const std::vector<std::wstring>& path);
  void clear();

  // The same keys and values with the same names, spelled exactly alike and in the same order.
  bool operator==(const Hive& other) const;

 private:
  std::vector<std::pair<std::int32_t, std::unique_ptr<HiveKey>>> roots_;
};

}  // namespace platform::posix

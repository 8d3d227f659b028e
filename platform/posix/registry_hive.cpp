#include "platform/posix/registry_hive.h"

#include <algorithm>

#include "platform/text.h"

namespace platform::posix {
namespace {

bool sameKey(const HiveKey& a, const HiveKey& b) {
  if (a.name != b.name || a.values.size() != b.values.size() || a.subKeys.size() != b.subKeys.size()) return false;
  for (std::size_t i = 0; i < a.values.size(); ++i) {
    const RegistryValue& x = a.values[i];
    const RegistryValue& y = b.values[i];
    if (x.name != y.name || x.type != y.type || x.data != y.data) return false;
  }
  for (std::size_t i = 0; i < a.subKeys.size(); ++i) {
    if (!sameKey(*a.subKeys[i], *b.subKeys[i])) return false;
  }
  return true;
}

}  // namespace

HiveKey* HiveKey::findSubKey(const std::wstring& subKeyName) const {
  for (const auto& key : subKeys) {
    if (equalsIgnoreCase(key->name, subKeyName)) return key.get();
  }
  return nullptr;
}

HiveKey& HiveKey::subKey(const std::wstring& subKeyName) {
  if (HiveKey* existing = findSubKey(subKeyName)) return *existing;
  subKeys.push_back(std::make_unique<HiveKey>());
  subKeys.back()->name = subKeyName;
  return *subKeys.back();
}

RegistryValue* HiveKey::findValue(const std::wstring& valueName) {
  for (auto& value : values) {
    if (equalsIgnoreCase(value.name, valueName)) return &value;
  }
  return nullptr;
}

bool HiveKey::removeSubKey(const std::wstring& subKeyName) {
  auto it = std::find_if(subKeys.begin(), subKeys.end(),
                         [&](const auto& key) { return equalsIgnoreCase(key->name, subKeyName); });
  if (it == subKeys.end()) return false;
  subKeys.erase(it);
  return true;
}

bool HiveKey::removeValue(const std::wstring& valueName) {
  auto it = std::find_if(values.begin(), values.end(),
                         [&](const auto& value) { return equalsIgnoreCase(value.name, valueName); });
  if (it == values.end()) return false;
  values.erase(it);
  return true;
}

void HiveKey::setValue(const std::wstring& valueName, std::uint32_t type, std::vector<std::uint8_t> data) {
  if (RegistryValue* existing = findValue(valueName)) {
    existing->type = type;
    existing->data = std::move(data);
    return;
  }
  values.push_back(RegistryValue{valueName, type, std::move(data)});
}

const std::vector<HiveRoot>& hiveRoots() {
  static const std::vector<HiveRoot> roots = {
      {kHkeyClassesRoot, L"HKEY_CLASSES_ROOT"},
      {kHkeyCurrentUser, L"HKEY_CURRENT_USER"},
      {kHkeyLocalMachine, L"HKEY_LOCAL_MACHINE"},
      {kHkeyUsers, L"HKEY_USERS"},
  };
  return roots;
}

const HiveRoot* findRootByHandle(std::int32_t handle) {
  for (const auto& root : hiveRoots()) {
    if (root.handle == handle) return &root;
  }
  return nullptr;
}

const HiveRoot* findRootByName(const std::wstring& name) {
  for (const auto& root : hiveRoots()) {
    if (equalsIgnoreCase(root.name, name)) return &root;
  }
  return nullptr;
}

std::vector<std::wstring> splitKeyPath(const std::wstring& path) {
  std::vector<std::wstring> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find(L'\\', start);
    if (end == std::wstring::npos) end = path.size();
    if (end > start) parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

Hive::Hive() { clear(); }

void Hive::clear() {
  roots_.clear();
  for (const auto& root : hiveRoots()) {
    roots_.emplace_back(root.handle, std::make_unique<HiveKey>());
    roots_.back().second->name = root.name;
  }
}

HiveKey* Hive::root(std::int32_t handle) {
  for (auto& [rootHandle, key] : roots_) {
    if (rootHandle == handle) return key.get();
  }
  return nullptr;
}

const HiveKey* Hive::root(std::int32_t handle) const { return const_cast<Hive*>(this)->root(handle); }

bool Hive::operator==(const Hive& other) const {
  if (roots_.size() != other.roots_.size()) return false;
  for (std::size_t i = 0; i < roots_.size(); ++i) {
    if (roots_[i].first != other.roots_[i].first || !sameKey(*roots_[i].second, *other.roots_[i].second)) return false;
  }
  return true;
}

HiveKey* Hive::find(std::int32_t rootHandle, const std::vector<std::wstring>& path) {
  HiveKey* key = root(rootHandle);
  for (const auto& part : path) {
    if (!key) return nullptr;
    key = key->findSubKey(part);
  }
  return key;
}

HiveKey* Hive::create(std::int32_t rootHandle, const std::vector<std::wstring>& path) {
  HiveKey* key = root(rootHandle);
  if (!key) return nullptr;
  for (const auto& part : path) key = &key->subKey(part);
  return key;
}

}  // namespace platform::posix

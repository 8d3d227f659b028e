#include "platform/win32/win32_registry_key.h"

#include <windows.h>

#include <algorithm>
#include <new>
#include <stdexcept>

#include "platform/win32/win32_system_library.h"

namespace platform::win32 {
namespace {

// Value names have at most 16383 characters and key names 255; buffers never grow past this.
constexpr DWORD kNameCeiling = 32768;
// The sizes can change between two calls when another process writes the key; retry a few times.
constexpr int kAttempts = 8;

// A buffer that cannot be allocated is reported the way the registry reports it, as a code.
template <typename Body>
long withoutThrowing(Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return ERROR_NOT_ENOUGH_MEMORY;
  } catch (const std::length_error&) {
    return ERROR_NOT_ENOUGH_MEMORY;
  }
}

LSTATUS readInfo(HKEY key, RegistryKeyInfo& info) {
  DWORD subKeys = 0;
  DWORD maxSubKeyName = 0;
  DWORD values = 0;
  DWORD maxValueName = 0;
  DWORD maxValueData = 0;
  const LSTATUS status = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeys, &maxSubKeyName,
                                          nullptr, &values, &maxValueName, &maxValueData, nullptr, nullptr);
  if (status != ERROR_SUCCESS) return status;
  info.subKeyCount = subKeys;
  info.valueCount = values;
  info.maxSubKeyNameLength = maxSubKeyName;
  info.maxValueNameLength = maxValueName;
  info.maxValueDataBytes = maxValueData;
  return ERROR_SUCCESS;
}

// Capacity for a name of `length` characters and its NUL.
DWORD nameCapacity(DWORD length) { return std::min(length, kNameCeiling - 1) + 1; }

DWORD doubled(DWORD capacity, DWORD ceiling) { return capacity >= ceiling / 2 ? ceiling : capacity * 2; }

DWORD capacityOf(std::size_t size) { return static_cast<DWORD>(size); }

}  // namespace

Win32RegistryKey::~Win32RegistryKey() { RegCloseKey(key_); }

long Win32RegistryKey::queryInfo(RegistryKeyInfo& info) {
  RegistryKeyInfo read;
  const LSTATUS status = readInfo(key_, read);
  if (status == ERROR_SUCCESS) info = read;
  return status;
}

long Win32RegistryKey::enumValue(std::uint32_t index, RegistryValue& value) {
  return withoutThrowing([&]() -> long {
    RegistryKeyInfo info;
    LSTATUS status = readInfo(key_, info);
    if (status != ERROR_SUCCESS) return status;
    std::vector<wchar_t> name(nameCapacity(info.maxValueNameLength));
    // Never an empty buffer: with no buffer at all the call reports the size instead of the data.
    std::vector<BYTE> data(std::max<DWORD>(info.maxValueDataBytes, 1));
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
      DWORD nameLength = capacityOf(name.size());
      DWORD dataBytes = capacityOf(data.size());
      DWORD type = REG_NONE;
      status = RegEnumValueW(key_, index, name.data(), &nameLength, nullptr, &type, data.data(), &dataBytes);
      if (status == ERROR_SUCCESS) {
        value.name.assign(name.data(), std::min<std::size_t>(nameLength, name.size()));
        value.type = type;
        value.data.assign(data.begin(), data.begin() + std::min<std::size_t>(dataBytes, data.size()));
        return ERROR_SUCCESS;
      }
      if (status != ERROR_MORE_DATA) return status;
      // The value grew since the sizes were read. The call does not always say which buffer was
      // short, so take the key's present maxima (and the data size when reported), and double
      // both when that brings nothing new.
      const DWORD oldName = capacityOf(name.size());
      const DWORD oldData = capacityOf(data.size());
      DWORD newName = oldName;
      DWORD newData = oldData;
      if (readInfo(key_, info) == ERROR_SUCCESS) {
        newName = std::max(newName, nameCapacity(info.maxValueNameLength));
        newData = std::max<DWORD>(newData, info.maxValueDataBytes);
      }
      if (dataBytes > oldData) newData = std::max(newData, dataBytes);
      if (newName == oldName && newData == oldData) {
        newName = doubled(oldName, kNameCeiling);
        newData = doubled(oldData, MAXDWORD);
        if (newName == oldName && newData == oldData) return status;
      }
      name.resize(newName);
      data.resize(newData);
    }
    return ERROR_MORE_DATA;
  });
}

long Win32RegistryKey::enumSubKey(std::uint32_t index, std::wstring& name) {
  return withoutThrowing([&]() -> long {
    RegistryKeyInfo info;
    LSTATUS status = readInfo(key_, info);
    if (status != ERROR_SUCCESS) return status;
    std::vector<wchar_t> buffer(nameCapacity(info.maxSubKeyNameLength));
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
      DWORD length = capacityOf(buffer.size());
      status = RegEnumKeyExW(key_, index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
      if (status == ERROR_SUCCESS) {
        name.assign(buffer.data(), std::min<std::size_t>(length, buffer.size()));
        return ERROR_SUCCESS;
      }
      if (status != ERROR_MORE_DATA) return status;
      // A longer name appeared since the sizes were read.
      const DWORD oldCapacity = capacityOf(buffer.size());
      DWORD newCapacity = oldCapacity;
      if (readInfo(key_, info) == ERROR_SUCCESS) {
        newCapacity = std::max(newCapacity, nameCapacity(info.maxSubKeyNameLength));
      }
      if (newCapacity == oldCapacity) newCapacity = doubled(oldCapacity, kNameCeiling);
      if (newCapacity == oldCapacity) return status;
      buffer.resize(newCapacity);
    }
    return ERROR_MORE_DATA;
  });
}

long Win32RegistryKey::queryValue(const std::wstring& name, std::uint32_t& type,
                                  std::vector<std::uint8_t>* data) {
  return withoutThrowing([&]() -> long {
    DWORD valueType = REG_NONE;
    if (data == nullptr) {
      const LSTATUS status = RegQueryValueExW(key_, name.c_str(), nullptr, &valueType, nullptr, nullptr);
      if (status == ERROR_SUCCESS) type = valueType;
      return status;
    }
    DWORD needed = 0;
    LSTATUS status = RegQueryValueExW(key_, name.c_str(), nullptr, &valueType, nullptr, &needed);
    if (status != ERROR_SUCCESS) return status;
    // Never an empty buffer: with no buffer at all the call reports the size instead of the data.
    std::vector<BYTE> buffer(std::max<DWORD>(needed, 1));
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
      DWORD bytes = capacityOf(buffer.size());
      status = RegQueryValueExW(key_, name.c_str(), nullptr, &valueType, buffer.data(), &bytes);
      if (status == ERROR_SUCCESS) {
        type = valueType;
        data->assign(buffer.begin(), buffer.begin() + std::min<std::size_t>(bytes, buffer.size()));
        return ERROR_SUCCESS;
      }
      if (status != ERROR_MORE_DATA) return status;
      // The value grew since its size was read; the call reports the size it needs now.
      const DWORD oldCapacity = capacityOf(buffer.size());
      const DWORD newCapacity = bytes > oldCapacity ? bytes : doubled(oldCapacity, MAXDWORD);
      if (newCapacity == oldCapacity) return status;
      buffer.resize(newCapacity);
    }
    return ERROR_MORE_DATA;
  });
}

long Win32RegistryKey::setValue(const std::wstring& name, std::uint32_t type,
                                const std::vector<std::uint8_t>& data) {
  if constexpr (sizeof(std::size_t) > sizeof(DWORD)) {
    if (data.size() > MAXDWORD) return ERROR_INVALID_PARAMETER;
  }
  // Empty data is written from a valid address rather than a null pointer.
  static const BYTE kNoData = 0;
  const BYTE* bytes = data.empty() ? &kNoData : data.data();
  return RegSetValueExW(key_, name.c_str(), 0, type, bytes, capacityOf(data.size()));
}

long Win32RegistryKey::deleteValue(const std::wstring& name) { return RegDeleteValueW(key_, name.c_str()); }

long Win32RegistryKey::deleteSubKeyTree(const std::wstring& name) {
  // An empty name would make Windows act on this key itself: everything below it would go.
  if (name.empty()) return ERROR_INVALID_PARAMETER;
  // Taken at run time from the system folder's copy only; see SystemLibrary.
  const SystemLibrary shell(L"shlwapi.dll");
  if (!shell.loaded()) return ERROR_MOD_NOT_FOUND;
  using DeleteKeyTree = DWORD(WINAPI*)(HKEY, LPCWSTR);
  const auto deleteKeyTree = shell.function<DeleteKeyTree>("SHDeleteKeyW");
  if (deleteKeyTree == nullptr) return ERROR_PROC_NOT_FOUND;
  return static_cast<long>(deleteKeyTree(key_, name.c_str()));
}

long Win32RegistryKey::deleteSubKey(const std::wstring& name) {
  if (name.empty()) return ERROR_INVALID_PARAMETER;
  return RegDeleteKeyW(key_, name.c_str());
}

}  // namespace platform::win32

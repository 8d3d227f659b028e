#include "platform/win32/win32_environment.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>

#include "platform/win32/win32_handles.h"

namespace platform::win32 {
namespace {

constexpr DWORD kFirstCapacity = 256;
// A value can change between two calls; retry a few times.
constexpr int kAttempts = 8;

}  // namespace

std::optional<std::wstring> Win32Environment::variable(const std::wstring& name) {
  std::vector<wchar_t> buffer(kFirstCapacity);
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    const auto capacity = static_cast<DWORD>(buffer.size());
    // An empty value also answers 0; only the error code tells it from a missing variable.
    SetLastError(ERROR_SUCCESS);
    const DWORD result = GetEnvironmentVariableW(name.c_str(), buffer.data(), capacity);
    if (result == 0) {
      if (GetLastError() == ERROR_SUCCESS) return std::wstring();
      return std::nullopt;
    }
    if (result < capacity) return std::wstring(buffer.data(), result);
    buffer.assign(result, L'\0');  // too small: `result` is the size needed, NUL included
  }
  return std::nullopt;
}

std::vector<std::wstring> Win32Environment::entries() {
  std::vector<std::wstring> entries;
  const UniqueEnvironmentBlock block(GetEnvironmentStringsW());
  if (!block) return entries;
  // "NAME=value\0NAME=value\0...\0\0"
  for (const wchar_t* entry = block.get(); *entry != L'\0';) {
    const std::size_t length = std::wcslen(entry);
    entries.emplace_back(entry, length);
    entry += length + 1;
  }
  return entries;
}

std::wstring Win32Environment::expand(const std::wstring& text) {
  // The system reads the text only up to a NUL; the pieces around one are expanded on their own.
  if (const auto nul = text.find(L'\0'); nul != std::wstring::npos) {
    return expand(text.substr(0, nul)) + L'\0' + expand(text.substr(nul + 1));
  }
  // Unlike most text functions, this one answers with the size INCLUDING the NUL on success as
  // well as when the buffer is too small: a result that fits the buffer is a success.
  std::vector<wchar_t> buffer(std::max<std::size_t>(text.size() + 1, kFirstCapacity));
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    const auto capacity = static_cast<DWORD>(buffer.size());
    const DWORD result = ExpandEnvironmentStringsW(text.c_str(), buffer.data(), capacity);
    if (result == 0) return text;
    if (result <= capacity) {
      // Measured up to the NUL rather than trusted as result - 1.
      const auto end = std::find(buffer.begin(), buffer.begin() + result, L'\0');
      return std::wstring(buffer.begin(), end);
    }
    buffer.assign(result, L'\0');
  }
  return text;
}

}  // namespace platform::win32

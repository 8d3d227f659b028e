#include "platform/win32/win32_resources.h"

#include <windows.h>

namespace platform::win32 {

std::optional<std::wstring> Win32Resources::loadString(std::int32_t id) {
  // String resource ids are 16 bits; a larger one would be cut down to another string's id.
  if (id < 0 || id > 0xFFFF) return std::nullopt;
  // With no buffer size, LoadStringW hands back a read-only pointer into the resource itself and
  // the string's length, so a text of any length comes back whole. The text has no NUL of its own.
  const wchar_t* text = nullptr;
  const int length = LoadStringW(module_, static_cast<UINT>(id), reinterpret_cast<LPWSTR>(&text), 0);
  if (length <= 0 || text == nullptr) return std::nullopt;
  return std::wstring(text, static_cast<std::size_t>(length));
}

std::optional<std::vector<std::uint8_t>> Win32Resources::loadBitmap(std::int32_t id) {
  // Integer resource names are 16 bits, and 0 is no name; anything else would alias another id.
  if (id <= 0 || id > 0xFFFF) return std::nullopt;
  const auto name = MAKEINTRESOURCEW(static_cast<WORD>(id));
  HRSRC found = FindResourceExW(module_, RT_BITMAP, name, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
  if (found == nullptr) found = FindResourceW(module_, name, RT_BITMAP);
  if (found == nullptr) return std::nullopt;
  // A loaded resource lives as long as the module: nothing to free.
  const HGLOBAL loaded = LoadResource(module_, found);
  if (loaded == nullptr) return std::nullopt;
  const auto* bytes = static_cast<const std::uint8_t*>(LockResource(loaded));
  const DWORD size = SizeofResource(module_, found);
  if (bytes == nullptr || size == 0) return std::nullopt;
  return std::vector<std::uint8_t>(bytes, bytes + size);
}

}  // namespace platform::win32

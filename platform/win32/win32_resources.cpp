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

}  // namespace platform::win32

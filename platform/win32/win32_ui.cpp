#include "platform/win32/win32_ui.h"

#include <windows.h>

namespace platform::win32 {

int Win32Ui::messageBox(const std::wstring& text, const std::wstring& title, std::uint32_t flags) {
  // Owned by the thread's active window (the host's), so that the box is modal to it.
  return MessageBoxW(GetActiveWindow(), text.c_str(), title.c_str(), flags);
}

}  // namespace platform::win32

#pragma once
// Message boxes, keystrokes and the system clipboard through user32 and gdi32.

#include "platform/ui.h"

namespace platform::win32 {

class Win32Ui final : public Ui {
 public:
  int messageBox(const std::wstring& text, const std::wstring& title, std::uint32_t flags) override;
  // Types the keys into the active window with SendInput and returns at once.
  void sendKeys(const std::wstring& keys) override;

  // Each clipboard call opens the clipboard for the current thread and closes it before returning.
  // While another program holds the clipboard, a call waits briefly for it and then raises a
  // ComError (CLIPBRD_E_CANT_OPEN, "The clipboard is in use by another program").
  void clearClipboard() override;
  // Puts the packed DIB on the clipboard as a CF_BITMAP, a bitmap of the screen's format. A buffer
  // that is no uncompressed or bit-field packed DIB raises Automation error 5.
  void setClipboardBitmap(const std::vector<std::uint8_t>& dib) override;
  // The clipboard's CF_BITMAP (Windows makes one from a CF_DIB as well) as a bottom-up 24-bit
  // uncompressed packed DIB; nothing when the clipboard has no bitmap.
  std::optional<std::vector<std::uint8_t>> clipboardBitmap() override;
  // The active window of the calling thread (the host's, on its own thread) as GetDpiForWindow
  // gives it; where Windows has no per-window scale (before Windows 10) or no window is active,
  // the screen's LOGPIXELSY.
  std::uint32_t windowDpi() override;
};

}  // namespace platform::win32

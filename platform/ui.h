#pragma once
// What the user sees and does outside the host's own windows: message boxes, keystrokes, the
// clipboard, and the display scale the host's windows are drawn at.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

inline constexpr std::uint32_t kMbOk = 0x0;
inline constexpr std::uint32_t kMbIconHand = 0x10;
inline constexpr std::uint32_t kMbIconExclamation = 0x30;
inline constexpr std::uint32_t kMbSetForeground = 0x10000;
inline constexpr int kIdOk = 1;

class Ui {
 public:
  virtual ~Ui() = default;
  // A modal message box; returns the button the user chose.
  virtual int messageBox(const std::wstring& text, const std::wstring& title, std::uint32_t flags) = 0;

  // Sends keystrokes to the active window without waiting for them to be handled ("^o" is Ctrl+O).
  virtual void sendKeys(const std::wstring& keys) = 0;

  // The system clipboard, for bitmaps (CF_BITMAP) given as packed DIBs.
  virtual void clearClipboard() = 0;
  virtual void setClipboardBitmap(const std::vector<std::uint8_t>& dib) = 0;
  virtual std::optional<std::vector<std::uint8_t>> clipboardBitmap() = 0;

  // The display scale of the host's window that has the focus, in dots per inch (96 is 100 %,
  // 144 is 150 %); the system's where that window's is unknown.
  virtual std::uint32_t windowDpi() = 0;
};

}  // namespace platform

#pragma once
// Message boxes of the native build, drawn in the terminal, with the session's clipboard and keyboard. There is nobody to press a button,
// so every box is answered with OK.

#include <functional>
#include <ostream>

#include "platform/ui.h"

namespace platform::posix {

class ConsoleUi : public Ui {
 public:
  explicit ConsoleUi(std::ostream& out) : out_(out) {}
  int messageBox(const std::wstring& text, const std::wstring& title, std::uint32_t flags) override;
  // Keystrokes go to whatever window is active: the simulated host registers itself here.
  void sendKeys(const std::wstring& keys) override {
    if (keyboardTarget_) keyboardTarget_(keys);
  }
  void setKeyboardTarget(std::function<void(const std::wstring&)> target) { keyboardTarget_ = std::move(target); }
  // Called before each box is drawn, so that whoever narrates can tell first what led to it.
  void setBeforeMessageBox(std::function<void()> hook) { beforeMessageBox_ = std::move(hook); }
  void clearClipboard() override { clipboard_.reset(); }
  void setClipboardBitmap(const std::vector<std::uint8_t>& dib) override { clipboard_ = dib; }
  std::optional<std::vector<std::uint8_t>> clipboardBitmap() override { return clipboard_; }
  // A terminal has no display scale: what the demo's user sets, 96 (100 %) to begin with.
  std::uint32_t windowDpi() override { return dpi_; }
  void setWindowDpi(std::uint32_t dpi) { dpi_ = dpi; }

 private:
  std::ostream& out_;
  std::optional<std::vector<std::uint8_t>> clipboard_;
  std::uint32_t dpi_ = 96;
  std::function<void(const std::wstring&)> keyboardTarget_;
  std::function<void()> beforeMessageBox_;  // the session's clipboard: one process, one desktop
};

}  // namespace platform::posix

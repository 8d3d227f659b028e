#include "sim/com/message_box_capture.h"

#include "automation/com_error.h"

namespace wine_host {
namespace {

thread_local MessageBoxCapture* current = nullptr;

// The control of a message box that holds its text.
constexpr int kMessageTextId = 0xFFFF;
// The static control of a message box that shows its icon (stc1).
constexpr int kMessageIconId = 0x0440;

std::wstring windowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
  return text;
}

std::wstring itemText(HWND window, int item) {
  HWND control = GetDlgItem(window, item);
  return control ? windowText(control) : std::wstring();
}

bool isDialog(HWND window) {
  wchar_t name[16] = {};
  return GetClassNameW(window, name, 16) > 0 && std::wstring(name) == L"#32770";
}

}  // namespace

MessageBoxCapture::MessageBoxCapture() {
  if (current) throw automation::ComError(static_cast<std::int32_t>(E_UNEXPECTED), L"A capture is running already");
  hook_ = SetWindowsHookExW(WH_CBT, &MessageBoxCapture::hook, nullptr, GetCurrentThreadId());
  if (!hook_) {
    throw automation::ComError(static_cast<std::int32_t>(HRESULT_FROM_WIN32(GetLastError())),
                               L"SetWindowsHookEx(WH_CBT) failed");
  }
  current = this;
}

MessageBoxCapture::~MessageBoxCapture() {
  UnhookWindowsHookEx(hook_);
  current = nullptr;
}

LRESULT CALLBACK MessageBoxCapture::hook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE && current) {
    try {
      current->activated(reinterpret_cast<HWND>(wParam));
    } catch (...) {
      // Nothing may leave a hook procedure; the box stays open and the test sees it time out.
    }
  } else if (code == HCBT_DESTROYWND && current) {
    current->seen_.erase(reinterpret_cast<HWND>(wParam));  // a later window may get the same handle
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

void MessageBoxCapture::activated(HWND window) {
  if (!isDialog(window) || !seen_.insert(window).second) return;
  CapturedBox box;
  box.caption = windowText(window);
  box.text = itemText(window, kMessageTextId);
  if (HWND icon = GetDlgItem(window, kMessageIconId)) {
    box.icon = reinterpret_cast<HICON>(SendMessageW(icon, STM_GETICON, 0, 0));
  }
  if (!answers_.empty()) {
    box.answer = answers_.front();
    answers_.pop_front();
  }
  boxes_.push_back(box);
  // Posted: the box is still being set up while it is activated.
  PostMessageW(window, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(box.answer), BN_CLICKED), 0);
}

}  // namespace wine_host

#pragma once
// Captures the message boxes shown on this thread while it lives (the add-in runs on the host's
// thread, so its boxes are among them): a thread-local WH_CBT hook sees each box as it is
// activated, records its caption and text, and closes it with the next queued answer (IDOK when
// none is queued). Needs a display driver that makes windows: Wine's null driver does.

#include <windows.h>

#include <deque>
#include <set>
#include <string>
#include <vector>

namespace wine_host {

struct CapturedBox {
  std::wstring caption;
  std::wstring text;
  int answer = IDOK;  // the button that closed it
  HICON icon = nullptr;  // what the box's icon control shows; null when it has none
};

class MessageBoxCapture {
 public:
  // Installs the hook; raises ComError when the system refuses it. One capture per thread.
  MessageBoxCapture();
  ~MessageBoxCapture();
  MessageBoxCapture(const MessageBoxCapture&) = delete;
  MessageBoxCapture& operator=(const MessageBoxCapture&) = delete;

  // The next box is closed with this button (IDOK, IDCANCEL, IDYES, IDNO, ...).
  void answer(int button) { answers_.push_back(button); }
  const std::vector<CapturedBox>& boxes() const { return boxes_; }
  void clear() { boxes_.clear(); }

 private:
  static LRESULT CALLBACK hook(int code, WPARAM wParam, LPARAM lParam);
  void activated(HWND window);

  HHOOK hook_ = nullptr;
  std::deque<int> answers_;
  std::vector<CapturedBox> boxes_;
  std::set<HWND> seen_;
};

}  // namespace wine_host

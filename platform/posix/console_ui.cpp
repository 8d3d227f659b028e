#include "platform/posix/console_ui.h"

#include "platform/text.h"

namespace platform::posix {

int ConsoleUi::messageBox(const std::wstring& text, const std::wstring& title, std::uint32_t flags) {
  if (beforeMessageBox_) beforeMessageBox_();
  const char* icon = "";
  if ((flags & 0xF0) == kMbIconHand) icon = "(x) ";
  else if ((flags & 0xF0) == kMbIconExclamation) icon = "(!) ";
  out_ << "  +-- " << icon << toUtf8(title) << "\n";
  std::wstring line;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == L'\n') {
      if (!line.empty() && line.back() == L'\r') line.pop_back();
      out_ << "  | " << toUtf8(line) << "\n";
      line.clear();
    } else {
      line += text[i];
    }
  }
  out_ << "  +-- [ OK ]\n";
  out_.flush();
  return kIdOk;
}

}  // namespace platform::posix

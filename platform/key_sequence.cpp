#include "platform/key_sequence.h"

#include "platform/com_error.h"

namespace platform {

std::vector<KeyStroke> parseKeySequence(const std::wstring& keys) {
  std::vector<KeyStroke> strokes;
  KeyStroke next{L'\0'};
  bool modified = false;
  for (std::size_t i = 0; i < keys.size(); ++i) {
    const wchar_t c = keys[i];
    if (c == L'^' || c == L'+' || c == L'%') {
      (c == L'^' ? next.ctrl : c == L'+' ? next.shift : next.alt) = true;
      modified = true;
      continue;
    }
    next.key = c;
    if (c == L'{') {
      if (i + 2 >= keys.size() || keys[i + 2] != L'}') {
        throw ComError::automation(errors::kInvalidProcedureCall, L"Unclosed brace in the keys \"" + keys + L"\"");
      }
      next.key = keys[i + 1];
      i += 2;
    }
    strokes.push_back(next);
    next = KeyStroke{L'\0'};
    modified = false;
  }
  if (modified) {
    throw ComError::automation(errors::kInvalidProcedureCall, L"The keys \"" + keys + L"\" end with a modifier");
  }
  return strokes;
}

}  // namespace platform

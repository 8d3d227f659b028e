#pragma once
// Keystrokes written the way Office's SendKeys writes them: "^" holds Ctrl, "+" Shift and "%" Alt
// for the next key ("^o" is Ctrl+O); every other character is typed as it is. Braces quote a
// character that would otherwise be a modifier ("{+}").

#include <string>
#include <vector>

namespace platform {

struct KeyStroke {
  wchar_t key;
  bool ctrl = false;
  bool shift = false;
  bool alt = false;
};

// Raises ComError 5 for a sequence that ends in a modifier or has an unclosed brace.
std::vector<KeyStroke> parseKeySequence(const std::wstring& keys);

}  // namespace platform

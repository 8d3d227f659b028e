#include "platform/posix/reg_file_format.h"

#include <algorithm>
#include <cstdio>

#include "platform/com_error.h"
#include "platform/text.h"

namespace platform::posix {
namespace {

const wchar_t kHeader[] = L"Windows Registry Editor Version 5.00";

class Damaged {
 public:
  Damaged(const std::string& fileName) : fileName_(fileName) {}
  [[noreturn]] void at(std::size_t line, const std::wstring& reason) const {
    throw ComError(errors::kPathFileAccessError,
                   L"The registry file \"" + fromUtf8(fileName_) + L"\" is damaged at line " + std::to_wstring(line) +
                       L": " + reason + L". It was left as it is; repair or remove it.");
  }

 private:
  std::string fileName_;
};

std::wstring decode(const std::vector<char>& bytes) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE) {
    std::vector<std::uint8_t> utf16(bytes.begin() + 2, bytes.end());
    return fromUtf16Bytes(utf16);
  }
  std::size_t skip = 0;
  if (bytes.size() >= 3 && static_cast<unsigned char>(bytes[0]) == 0xEF &&
      static_cast<unsigned char>(bytes[1]) == 0xBB && static_cast<unsigned char>(bytes[2]) == 0xBF) {
    skip = 3;
  }
  return fromUtf8(std::string_view(bytes.data() + skip, bytes.size() - skip));
}

struct Line {
  std::size_t number;
  std::wstring text;
};

// Splits into lines and joins hex continuations (a line ending in a backslash goes on in the next).
std::vector<Line> logicalLines(const std::wstring& text, const Damaged& damaged) {
  std::vector<Line> lines;
  std::size_t number = 0;
  std::size_t start = 0;
  bool continuing = false;
  while (start < text.size()) {
    std::size_t end = text.find(L'\n', start);
    if (end == std::wstring::npos) end = text.size();
    std::wstring line = text.substr(start, end - start);
    start = end + 1;
    ++number;
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    if (continuing) {
      const std::size_t first = line.find_first_not_of(L" \t");
      lines.back().text += first == std::wstring::npos ? L"" : line.substr(first);
    } else {
      lines.push_back({number, line});
    }
    continuing = !lines.back().text.empty() && lines.back().text.back() == L'\\' &&
                 lines.back().text.find(L"=hex") != std::wstring::npos;
    if (continuing) lines.back().text.pop_back();
  }
  if (continuing) damaged.at(number, L"the file ends in the middle of a value");
  return lines;
}

// Reads a quoted text starting at text[pos] == '"'; leaves pos after the closing quote.
std::wstring readQuoted(const std::wstring& text, std::size_t& pos, std::size_t line, const Damaged& damaged) {
  std::wstring out;
  ++pos;
  while (pos < text.size()) {
    const wchar_t c = text[pos++];
    if (c == L'"') return out;
    if (c == L'\\') {
      if (pos >= text.size()) break;
      const wchar_t escaped = text[pos++];
      if (escaped == L'n') {
        out.push_back(L'\n');
      } else if (escaped == L'r') {
        out.push_back(L'\r');
      } else if (escaped == L'\\' || escaped == L'"') {
        out.push_back(escaped);
      } else {
        damaged.at(line, L"unknown escape in a quoted text");
      }
    } else {
      out.push_back(c);
    }
  }
  damaged.at(line, L"a quoted text has no closing quote");
}

int hexDigit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

std::vector<std::uint8_t> readHexBytes(const std::wstring& text, std::size_t line, const Damaged& damaged) {
  std::vector<std::uint8_t> bytes;
  std::size_t pos = 0;
  while (pos < text.size()) {
    while (pos < text.size() && (text[pos] == L' ' || text[pos] == L'\t')) ++pos;
    if (pos >= text.size()) break;
    if (pos + 1 >= text.size() || hexDigit(text[pos]) < 0 || hexDigit(text[pos + 1]) < 0) {
      damaged.at(line, L"expected two hexadecimal digits per byte");
    }
    bytes.push_back(static_cast<std::uint8_t>(hexDigit(text[pos]) * 16 + hexDigit(text[pos + 1])));
    pos += 2;
    while (pos < text.size() && (text[pos] == L' ' || text[pos] == L'\t')) ++pos;
    if (pos < text.size()) {
      if (text[pos] != L',') damaged.at(line, L"bytes must be separated by commas");
      ++pos;
      if (pos >= text.size()) damaged.at(line, L"a byte list ends with a comma");
    }
  }
  return bytes;
}

void parseValue(const Line& line, HiveKey& key, const Damaged& damaged) {
  const std::wstring& text = line.text;
  std::size_t pos = 0;
  std::wstring name;
  if (text[0] == L'@') {
    pos = 1;
  } else {
    name = readQuoted(text, pos, line.number, damaged);
  }
  if (pos >= text.size() || text[pos] != L'=') damaged.at(line.number, L"expected '=' after the value name");
  ++pos;
  const std::wstring data = text.substr(pos);
  if (!data.empty() && data[0] == L'"') {
    std::size_t end = 0;
    const std::wstring value = readQuoted(data, end, line.number, damaged);
    if (data.find_first_not_of(L" \t", end) != std::wstring::npos) damaged.at(line.number, L"text after a quoted value");
    key.setValue(name, kRegSz, toUtf16Bytes(value, 1));
  } else if (data.rfind(L"dword:", 0) == 0) {
    const std::wstring digits = data.substr(6);
    if (digits.size() != 8) damaged.at(line.number, L"a dword needs exactly eight hexadecimal digits");
    std::uint32_t number = 0;
    for (wchar_t c : digits) {
      const int digit = hexDigit(c);
      if (digit < 0) damaged.at(line.number, L"a dword needs exactly eight hexadecimal digits");
      number = number * 16 + static_cast<std::uint32_t>(digit);
    }
    key.setValue(name, kRegDword,
                 {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
                  static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)});
  } else if (data.rfind(L"hex", 0) == 0) {
    std::uint32_t type = kRegBinary;
    std::size_t colon = 3;
    if (data.size() > 3 && data[3] == L'(') {
      const std::size_t close = data.find(L')', 4);
      if (close == std::wstring::npos || close == 4 || close > 12) damaged.at(line.number, L"bad hex(type) prefix");
      type = 0;
      for (std::size_t i = 4; i < close; ++i) {
        const int digit = hexDigit(data[i]);
        if (digit < 0) damaged.at(line.number, L"bad hex(type) prefix");
        type = type * 16 + static_cast<std::uint32_t>(digit);
      }
      colon = close + 1;
    }
    if (colon >= data.size() || data[colon] != L':') damaged.at(line.number, L"expected ':' after hex");
    key.setValue(name, type, readHexBytes(data.substr(colon + 1), line.number, damaged));
  } else if (data == L"-") {
    damaged.at(line.number, L"value deletions ('=-') are not kept in this file");
  } else {
    damaged.at(line.number, L"unknown value data");
  }
}

bool isSurrogate(wchar_t c) {
  return static_cast<std::uint32_t>(c) >= 0xD800 && static_cast<std::uint32_t>(c) <= 0xDFFF;
}

// Line breaks become the escapes \n and \r, so that a value name stays on its line.
std::wstring quote(const std::wstring& text) {
  std::wstring out = L"\"";
  for (wchar_t c : text) {
    if (c == L'\n') {
      out += L"\\n";
    } else if (c == L'\r') {
      out += L"\\r";
    } else {
      if (c == L'"' || c == L'\\') out.push_back(L'\\');
      out.push_back(c);
    }
  }
  return out + L"\"";
}

// REG_SZ data that the quoted form carries exactly: one terminating NUL, no other NUL, no line
// break, and only whole characters (a lone surrogate would not survive UTF-8; in hex it does).
bool quotable(const RegistryValue& value) {
  if (value.type != kRegSz || value.data.size() < 2 || value.data.size() % 2 != 0) return false;
  const std::wstring text = fromUtf16Bytes(value.data);
  if (text.empty() || text.back() != L'\0') return false;
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] == L'\0' || text[i] == L'\n' || text[i] == L'\r' || isSurrogate(text[i])) return false;
  }
  return toUtf16Bytes(text.substr(0, text.size() - 1), 1) == value.data;
}

[[noreturn]] void refuse(const std::wstring& path, const std::wstring& reason) {
  std::wstring shown;
  for (wchar_t c : path) shown += c == L'\n' ? std::wstring(L"\\n") : std::wstring(1, c);
  throw ComError(errors::kInvalidProcedureCall, L"The registry key \"" + shown +
                                                    L"\" cannot be kept in the registry file: " + reason +
                                                    L". Nothing was written.");
}

// What the file cannot carry is refused before anything is written: a line break in a key name
// (the key line has no escapes), and numbers beyond Unicode, which neither UTF-8 nor UTF-16 hold.
void checkNames(const HiveKey& key, const std::wstring& path) {
  auto beyondUnicode = [](const std::wstring& name) {
    for (wchar_t c : name) {
      if (static_cast<std::uint32_t>(c) > 0x10FFFF) return true;
    }
    return false;
  };
  if (key.name.find(L'\n') != std::wstring::npos) refuse(path, L"its name holds a line break");
  if (beyondUnicode(key.name)) refuse(path, L"its name holds a character beyond Unicode");
  for (const auto& value : key.values) {
    if (beyondUnicode(value.name)) refuse(path, L"a value name holds a character beyond Unicode");
  }
}

std::wstring formatValue(const RegistryValue& value) {
  std::wstring line = value.name.empty() ? L"@=" : quote(value.name) + L"=";
  if (quotable(value)) {
    std::wstring text = fromUtf16Bytes(value.data);
    text.pop_back();  // the terminating NUL
    return line + quote(text);
  }
  if (value.type == kRegDword && value.data.size() == 4) {
    wchar_t digits[16];
    const std::uint32_t number = value.data[0] | (value.data[1] << 8) | (value.data[2] << 16) |
                                 (static_cast<std::uint32_t>(value.data[3]) << 24);
    std::swprintf(digits, 16, L"%08x", number);
    return line + L"dword:" + digits;
  }
  if (value.type == kRegBinary) {
    line += L"hex:";
  } else {
    wchar_t type[16];
    std::swprintf(type, 16, L"hex(%x):", value.type);
    line += type;
  }
  std::size_t width = line.size();
  for (std::size_t i = 0; i < value.data.size(); ++i) {
    wchar_t byte[4];
    std::swprintf(byte, 4, L"%02x", value.data[i]);
    line += byte;
    width += 2;
    if (i + 1 < value.data.size()) {
      line += L",";
      ++width;
      if (width > 76) {
        line += L"\\\n  ";
        width = 2;
      }
    }
  }
  return line;
}

void formatKey(const HiveKey& key, const std::wstring& path, bool isRoot, std::wstring& out) {
  checkNames(key, path);
  // A root key always exists: its line is needed only for the values directly under it.
  if (!isRoot || !key.values.empty()) {
    out += L"[" + path + L"]\n";
    for (const auto& value : key.values) out += formatValue(value) + L"\n";
    out += L"\n";
  }
  for (const auto& sub : key.subKeys) formatKey(*sub, path + L"\\" + sub->name, false, out);
}

}  // namespace

void parseRegFile(const std::vector<char>& bytes, const std::string& fileName, Hive& hive) {
  const Damaged damaged(fileName);
  hive.clear();
  const std::vector<Line> lines = logicalLines(decode(bytes), damaged);
  bool headerSeen = false;
  HiveKey* current = nullptr;
  for (const Line& line : lines) {
    const std::wstring& text = line.text;
    const std::size_t first = text.find_first_not_of(L" \t");
    if (first == std::wstring::npos || text[first] == L';') continue;
    if (!headerSeen) {
      if (text != kHeader) damaged.at(line.number, L"the first line must be \"Windows Registry Editor Version 5.00\"");
      headerSeen = true;
      continue;
    }
    if (text[0] == L'[') {
      const std::size_t close = text.rfind(L']');
      if (close == std::wstring::npos || text.find_first_not_of(L" \t", close + 1) != std::wstring::npos) {
        damaged.at(line.number, L"a key line must end with ']'");
      }
      const std::wstring path = text.substr(1, close - 1);
      if (!path.empty() && path[0] == L'-') damaged.at(line.number, L"key deletions ('[-...]') are not kept in this file");
      std::vector<std::wstring> parts = splitKeyPath(path);
      const HiveRoot* root = parts.empty() ? nullptr : findRootByName(parts[0]);
      if (!root) damaged.at(line.number, L"unknown root key");
      parts.erase(parts.begin());
      current = hive.create(root->handle, parts);
      continue;
    }
    if (text[0] != L'"' && text[0] != L'@') damaged.at(line.number, L"expected a key in brackets or a value");
    if (!current) damaged.at(line.number, L"a value comes before any key");
    parseValue(line, *current, damaged);
  }
  if (!headerSeen) damaged.at(1, L"the file is empty; it must start with \"Windows Registry Editor Version 5.00\"");
}

std::string formatRegFile(const Hive& hive) {
  std::wstring out = std::wstring(kHeader) + L"\n\n";
  for (const auto& root : hiveRoots()) {
    if (const HiveKey* key = hive.root(root.handle)) formatKey(*key, root.name, true, out);
  }
  // A name with a lone surrogate (from a UTF-16 export) cannot be spelled in UTF-8; such a hive is
  // written in UTF-16LE with a byte-order mark, as regedit writes its own exports.
  if (std::find_if(out.begin(), out.end(), isSurrogate) == out.end()) return toUtf8(out);
  std::string bytes = "\xFF\xFE";
  for (std::uint8_t b : toUtf16Bytes(out, 0)) bytes.push_back(static_cast<char>(b));
  return bytes;
}

}  // namespace platform::posix

#include "platform/text.h"

#include <algorithm>

namespace platform {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes the wide text into code points: UTF-16 (with surrogate pairs) where wchar_t is 16 bits,
// UTF-32 where it is 32 bits.
template <typename Fn>
void forEachCodePoint(std::wstring_view text, Fn&& fn) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = static_cast<char32_t>(text[i]);
    if constexpr (sizeof(wchar_t) == 2) {
      if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
        char32_t low = static_cast<char32_t>(text[i + 1]);
        if (low >= 0xDC00 && low <= 0xDFFF) {
          c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
          ++i;
        }
      }
    }
    fn(c);
  }
}

void appendCodePoint(std::wstring& out, char32_t c) {
  if constexpr (sizeof(wchar_t) == 2) {
    if (c >= 0x10000) {
      c -= 0x10000;
      out.push_back(static_cast<wchar_t>(0xD800 + (c >> 10)));
      out.push_back(static_cast<wchar_t>(0xDC00 + (c & 0x3FF)));
      return;
    }
  }
  out.push_back(static_cast<wchar_t>(c));
}

}  // namespace

std::string toUtf8(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  forEachCodePoint(text, [&](char32_t c) {
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = kReplacement;
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  });
  return out;
}

std::wstring fromUtf8(std::string_view text) {
  std::wstring out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    int extra = 0;
    char32_t c = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
      c = lead;
    } else if ((lead & 0xE0) == 0xC0) {
      extra = 1, c = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2, c = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      extra = 3, c = lead & 0x07, minimum = 0x10000;
    } else {
      appendCodePoint(out, kReplacement);
      ++i;
      continue;
    }
    bool valid = true;
    for (int k = 1; valid && k <= extra; ++k) {
      if (i + k >= text.size()) {
        valid = false;
        break;
      }
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) {
        valid = false;
        break;
      }
      c = (c << 6) | (next & 0x3F);
    }
    if (!valid || c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
      appendCodePoint(out, kReplacement);
      ++i;
      continue;
    }
    appendCodePoint(out, c);
    i += static_cast<std::size_t>(extra) + 1;
  }
  return out;
}

std::vector<std::uint16_t> toUtf16(std::wstring_view text) {
  std::vector<std::uint16_t> out;
  out.reserve(text.size());
  forEachCodePoint(text, [&](char32_t c) {
    if (c > 0x10FFFF) c = kReplacement;
    if (c >= 0x10000) {
      c -= 0x10000;
      out.push_back(static_cast<std::uint16_t>(0xD800 + (c >> 10)));
      out.push_back(static_cast<std::uint16_t>(0xDC00 + (c & 0x3FF)));
    } else {
      out.push_back(static_cast<std::uint16_t>(c));
    }
  });
  return out;
}

std::wstring fromUtf16(const std::uint16_t* units, std::size_t count) {
  std::wstring out;
  out.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    char32_t c = units[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < count && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00u);
      ++i;
    }
    appendCodePoint(out, c);
  }
  return out;
}

std::vector<std::uint8_t> toUtf16Bytes(std::wstring_view text, int terminators) {
  std::vector<std::uint16_t> units = toUtf16(text);
  units.insert(units.end(), static_cast<std::size_t>(std::max(terminators, 0)), 0);
  std::vector<std::uint8_t> bytes;
  bytes.reserve(units.size() * 2);
  for (std::uint16_t u : units) {
    bytes.push_back(static_cast<std::uint8_t>(u & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(u >> 8));
  }
  return bytes;
}

std::wstring fromUtf16Bytes(const std::vector<std::uint8_t>& bytes) {
  std::vector<std::uint16_t> units(bytes.size() / 2);
  for (std::size_t i = 0; i < units.size(); ++i) {
    units[i] = static_cast<std::uint16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
  }
  return fromUtf16(units.data(), units.size());
}

wchar_t foldCase(wchar_t wc) {
  const auto c = static_cast<std::uint32_t>(wc);
  auto up = [](std::uint32_t v) { return static_cast<wchar_t>(v); };
  if (c < 0x80) return (c >= 'a' && c <= 'z') ? up(c - 0x20) : wc;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return up(c - 0x20);
  if (c == 0xFF) return up(0x178);
  if (c >= 0x100 && c <= 0x17F) {
    // Latin Extended-A pairs letters as upper/lower neighbours; the parity flips in two runs.
    const bool oddIsLower = (c <= 0x137) || (c >= 0x14A && c <= 0x177);
    const bool evenIsLower = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if (oddIsLower && (c & 1) && c != 0x131) return up(c - 1);
    if (evenIsLower && !(c & 1)) return up(c - 1);
    return wc;
  }
  if (c >= 0x3B1 && c <= 0x3C9) return up(c == 0x3C2 ? 0x3A3 : c - 0x20);
  if (c == 0x3AC) return up(0x386);
  if (c >= 0x3AD && c <= 0x3AF) return up(c - 0x25);
  if (c == 0x3CC) return up(0x38C);
  if (c == 0x3CD || c == 0x3CE) return up(c - 0x3F);
  if (c >= 0x430 && c <= 0x44F) return up(c - 0x20);
  if (c >= 0x450 && c <= 0x45F) return up(c - 0x50);
  if (c >= 0xFF41 && c <= 0xFF5A) return up(c - 0x20);
  return wc;
}

std::wstring foldCase(std::wstring_view text) {
  std::wstring out(text);
  for (auto& c : out) c = foldCase(c);
  return out;
}

bool equalsIgnoreCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (foldCase(a[i]) != foldCase(b[i])) return false;
  }
  return true;
}

bool containsIgnoreCase(std::wstring_view haystack, std::wstring_view needle) {
  return foldCase(haystack).find(foldCase(needle)) != std::wstring::npos;
}

}  // namespace platform

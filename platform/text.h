#pragma once
// Text helpers shared by both builds. Texts are std::wstring everywhere: UTF-16 on Windows,
// UTF-32 on POSIX. Registry data and resources are exchanged as UTF-16 code units.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

std::string toUtf8(std::wstring_view text);
std::wstring fromUtf8(std::string_view text);  // invalid sequences become U+FFFD

std::vector<std::uint16_t> toUtf16(std::wstring_view text);
std::wstring fromUtf16(const std::uint16_t* units, std::size_t count);

// UTF-16LE bytes of the text, followed by `terminators` NUL characters (registry string data).
std::vector<std::uint8_t> toUtf16Bytes(std::wstring_view text, int terminators);
// Text of UTF-16LE bytes; an odd trailing byte is dropped. Embedded NULs are kept.
std::wstring fromUtf16Bytes(const std::vector<std::uint8_t>& bytes);

// Case folding in the way Windows compares names: simple one-to-one upper-casing of
// Latin, Greek and Cyrillic letters; other characters compare as they are.
wchar_t foldCase(wchar_t c);
std::wstring foldCase(std::wstring_view text);
bool equalsIgnoreCase(std::wstring_view a, std::wstring_view b);
bool containsIgnoreCase(std::wstring_view haystack, std::wstring_view needle);

}  // namespace platform

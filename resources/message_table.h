#pragma once
// The add-in's messages in every language, as the native build carries them (the Windows build
// carries the same texts as STRINGTABLE resources). Generated from resources/strings.

#include <cstddef>
#include <cstdint>

namespace resources {

struct MessageEntry {
  std::uint16_t language;  // Windows language identifier, 1033 for English (United States)
  std::int32_t id;
  const wchar_t* text;
};

extern const MessageEntry kMessages[];
extern const std::size_t kMessageCount;

}  // namespace resources

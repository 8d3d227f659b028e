#include "platform/posix/message_table_resources.h"

#include "resources/bitmap_table.h"
#include "resources/message_table.h"

namespace platform::posix {
namespace {

constexpr std::uint16_t kEnglish = 1033;

std::wstring lower(std::wstring text) {
  for (auto& c : text) {
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  }
  return text;
}

}  // namespace

std::uint16_t languageOfLocale(const std::wstring& locale) {
  // "ll_CC.codeset@modifier" or "ll-CC": the language and the country decide.
  std::wstring name = locale.substr(0, locale.find_first_of(L".@"));
  const std::size_t separator = name.find_first_of(L"_-");
  const std::wstring language = lower(name.substr(0, separator));
  const std::wstring country = separator == std::wstring::npos ? L"" : lower(name.substr(separator + 1));
  if (language == L"zh") {
    const bool traditional = country == L"tw" || country == L"hk" || country == L"mo" || country == L"hant";
    return traditional ? 1028 : 2052;
  }
  static const struct {
    const wchar_t* language;
    std::uint16_t id;
  } kLanguages[] = {{L"de", 1031}, {L"en", 1033}, {L"fr", 1036}, {L"it", 1040}, {L"ja", 1041},
                    {L"ko", 1042}, {L"pt", 1046}, {L"ru", 1049}, {L"es", 3082}};
  for (const auto& entry : kLanguages) {
    if (language == entry.language) return entry.id;
  }
  return kEnglish;
}

std::uint16_t userLanguage(Environment& environment) {
  for (const wchar_t* name : {L"LC_ALL", L"LC_MESSAGES", L"LANG"}) {
    const auto value = environment.variable(name);
    if (value && !value->empty()) return languageOfLocale(*value);
  }
  return kEnglish;
}

std::optional<std::wstring> MessageTableResources::loadString(std::int32_t id) {
  const wchar_t* english = nullptr;
  for (std::size_t i = 0; i < resources::kMessageCount; ++i) {
    const auto& entry = resources::kMessages[i];
    if (entry.id != id) continue;
    if (entry.language == language_) return std::wstring(entry.text);
    if (entry.language == kEnglish) english = entry.text;
  }
  if (english) return std::wstring(english);
  return std::nullopt;
}

std::optional<std::vector<std::uint8_t>> MessageTableResources::loadBitmap(std::int32_t id) {
  // The bitmaps exist in English only, which Windows' loader also falls back to for any language.
  for (std::size_t i = 0; i < resources::kBitmapCount; ++i) {
    const auto& entry = resources::kBitmaps[i];
    if (entry.id == id) return std::vector<std::uint8_t>(entry.dib, entry.dib + entry.size);
  }
  return std::nullopt;
}

}  // namespace platform::posix

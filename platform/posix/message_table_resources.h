#pragma once
// The add-in's resources in the native build: the generated message table, in the language of the
// user's locale (LC_ALL, else LC_MESSAGES, else LANG), English for every other language; and the
// generated bitmap table, the same in every language.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/environment.h"
#include "platform/resources.h"

namespace platform::posix {

// The Windows language identifier of a locale name such as "de_DE.UTF-8", "zh_TW" or "pt-BR":
// one of the eleven languages of the tables, or 1033.
std::uint16_t languageOfLocale(const std::wstring& locale);

// The language the locale variables of `environment` select.
std::uint16_t userLanguage(Environment& environment);

class MessageTableResources : public Resources {
 public:
  explicit MessageTableResources(std::uint16_t language) : language_(language) {}
  std::optional<std::wstring> loadString(std::int32_t id) override;
  std::optional<std::vector<std::uint8_t>> loadBitmap(std::int32_t id) override;
  std::uint16_t language() const { return language_; }

 private:
  std::uint16_t language_;
};

}  // namespace platform::posix

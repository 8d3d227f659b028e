#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "addin/cls_res_str.h"
#include "addin/messages.h"
#include "helpers/test_platform.h"

using testing_support::TestPlatform;

namespace {

constexpr std::uint16_t kLanguages[] = {1028, 1031, 1033, 1036, 1040, 1041, 1042, 1046, 1049, 2052, 3082};
constexpr std::int32_t kIds[] = {101, 102, 105, 106, 107, 108, 109, 120, 125, 126, 150, 151, 152,
                                 153, 154, 155, 156, 157, 158, 159, 160, 161, 162, 163, 164, 165,
                                 166, 167, 168, 169, 170, 171, 172, 173, 174, 175, 176, 177};

std::wstring message(std::uint16_t language, std::int32_t id) {
  TestPlatform env(language);
  return addin::GetMessage(env.platform(), id);
}

TEST(MessagesTest, EveryLanguageHoldsEveryMessageAndTranslatesAllButSix) {
  const std::set<std::int32_t> untranslated = {101, 102, 105, 106, 169, 170};
  for (std::uint16_t language : kLanguages) {
    for (std::int32_t id : kIds) {
      const std::wstring text = message(language, id);
      EXPECT_FALSE(text.empty()) << language << "/" << id;
      EXPECT_EQ(text.find(L'\r'), std::wstring::npos) << language << "/" << id;
      if (language == 1033) continue;
      if (untranslated.count(id)) {
        EXPECT_EQ(text, message(1033, id)) << language << "/" << id;
      } else {
        EXPECT_NE(text, message(1033, id)) << language << "/" << id;
      }
    }
  }
}

// The commands' captions and the menu's name in their languages are checked where the menu and
// the ribbon tab show them.
TEST(MessagesTest, CaptionsAndNamesAreTheLanguagesOwn) {
  struct Case {
    std::uint16_t language;
    std::int32_t id;
    const wchar_t* text;
  } cases[] = {
      {1033, 155, L"VAULT:"},
      {1031, 155, L"TRESOR:"},
      {1036, 155, L"COFFRE FORT:"},
      {1028, 155, L"\u4FDD\u96AA\u5EAB\uFF1A"},
      {3082, 155, L"Cripta:"},
      {1033, 169, L"Palvantis, $WINDIR"},
      {1049, 170, L".sys"},
      {1033, 172, L"This file may not contain features compatible with the Text Only format.Do you want to save "
                  L"this document in this format?"},
  };
  for (const auto& c : cases) EXPECT_EQ(message(c.language, c.id), c.text) << c.language << "/" << c.id;
}

TEST(MessagesTest, LineFeedsStayAsTheyAre) {
  EXPECT_EQ(message(1033, 175), L"Changes to this file will not be saved.\n\nContinue closing the file?");
  for (std::uint16_t language : kLanguages) {
    for (std::int32_t id : {174, 175, 176, 177}) {
      const auto count = [](const std::wstring& s) { return std::count(s.begin(), s.end(), L'\n'); };
      EXPECT_EQ(count(message(language, id)), count(message(1033, id))) << language << "/" << id;
    }
  }
}

TEST(MessagesTest, UnknownIdentifiersAreAClearError) {
  TestPlatform env;
  addin::clsResStr resources(env.platform().resources);
  EXPECT_TRUE(resources.LoadLocalizedResources());
  const std::int32_t missing = 103;
  try {
    resources.GetString(missing);
    FAIL() << "expected an error";
  } catch (const platform::ComError& e) {
    EXPECT_EQ(e.number(), 5);
    EXPECT_NE(e.description().find(L"103"), std::wstring::npos);
  }
}

TEST(ErrorBoxTest, ShowsMessageNumberAndDescription) {
  struct Case {
    std::uint16_t language;
    platform::ComError error;
    std::int16_t id;
    const wchar_t* prompt;
  } cases[] = {
      {1033, platform::ComError(5, L"D"), 151, L"Error adding menu.\r\n\r\nError: 5 - D"},
      {1033, platform::ComError(static_cast<std::int32_t>(0x80004005), L"Unspecified error"), 150,
       L"Error adding toolbar.\r\n\r\nError: -2147467259 - Unspecified error"},
      {1033, platform::ComError(91, L""), 153, L"Error adding commandbar images.\r\n\r\nError: 91 - "},
      {1033, platform::ComError(0, L""), 120, L"Error loading Lockfolio Office Add-in.\r\n\r\nError: 0 - "},
      {1031, platform::ComError(5, L"x"), 151, L"Fehler beim Hinzuf\u00FCgen des Men\u00FCs\r\n\r\nError: 5 - x"},
  };
  for (const auto& c : cases) {
    TestPlatform env(c.language);
    addin::ShowErrorMessage(env.platform(), c.error, c.id);
    ASSERT_EQ(env.ui.boxes.size(), 1u);
    EXPECT_EQ(env.ui.boxes[0].text, c.prompt);
    EXPECT_EQ(env.ui.boxes[0].title, L"Lockfolio");
    EXPECT_EQ(env.ui.boxes[0].flags, 0x10030u);
  }
}

}  // namespace

#include <gtest/gtest.h>

#include <cstdlib>

#include "helpers/error_of.h"
#include "helpers/test_platform.h"
#include "platform/com_error.h"
#include "platform/posix/message_table_resources.h"
#include "platform/posix/posix_environment.h"
#include "platform/text.h"

using platform::posix::DriveMap;
using testing_support::errorOf;
using testing_support::TestPlatform;

namespace {

TEST(DriveMapTest, MapsWindowsPathsBothWays) {
  DriveMap drives;
  drives.map(L'v', "/srv/vault/");
  struct Case {
    const wchar_t* windows;
    const char* native;
  } cases[] = {
      {L"V:\\Reports\\Q3.doc", "/srv/vault/Reports/Q3.doc"},
      {L"v:/Reports//Q3.doc", "/srv/vault/Reports/Q3.doc"},
      {L"V:\\", "/srv/vault"},
      {L"Z:\\etc\\hosts", "/etc/hosts"},
      {L"Notes.txt", "/srv/vault/Work/Notes.txt"},  // relative to the current folder
      {L"\\Other\\x", "/srv/vault/Other/x"},        // rooted on the current drive
  };
  for (const auto& c : cases) EXPECT_EQ(drives.toNative(c.windows, L"V:\\Work"), c.native);
  EXPECT_EQ(drives.toWindows("/srv/vault/Reports/Q3.doc"), std::wstring(L"V:\\Reports\\Q3.doc"));
  EXPECT_EQ(drives.toWindows("/tmp/x"), std::wstring(L"Z:\\tmp\\x"));
  EXPECT_EQ(errorOf([&] { drives.toNative(L"Q:\\x", L""); }), 76);
  EXPECT_EQ(errorOf([&] { drives.toNative(L"\\\\server\\share\\x", L""); }), 76);
  drives.unmap(L'Z');
  EXPECT_EQ(drives.toWindows("/tmp/x"), std::nullopt);
}

TEST(PosixFileSystemTest, FailuresCarryTheAutomationNumbers) {
  TestPlatform env;
  auto& fs = env.fileSystem;
  fs.createFolder(L"C:\\New");
  EXPECT_TRUE(fs.folderExists(L"C:\\New\\"));
  EXPECT_FALSE(fs.fileExists(L"C:\\New"));
  EXPECT_EQ(errorOf([&] { fs.createFolder(L"C:\\New"); }), 58);
  EXPECT_EQ(errorOf([&] { fs.createFolder(L"C:\\Missing\\Child"); }), 76);
  EXPECT_EQ(errorOf([&] { fs.subFolderNames(L"C:\\Missing"); }), 76);
  EXPECT_EQ(errorOf([&] { fs.deleteFolder(L"C:\\Missing"); }), 76);
  EXPECT_EQ(errorOf([&] { fs.attributes(L"C:\\Missing.txt"); }), 53);
  EXPECT_EQ(fs.attributes(L"C:\\New") & platform::kAttributeDirectory, platform::kAttributeDirectory);
  env.drive.write("file.txt", "x");
  EXPECT_EQ(errorOf([&] { fs.deleteFolder(L"C:\\file.txt"); }), 76);  // a file is no folder
  EXPECT_TRUE(env.drive.exists("file.txt"));
  EXPECT_EQ(fs.longPathName(L"C:\\New"), std::wstring(L"C:\\New"));
  EXPECT_EQ(fs.longPathName(L"C:\\Missing"), std::nullopt);
}

TEST(LanguageTest, TheLocaleChoosesOneOfTheElevenTables) {
  struct Case {
    const wchar_t* locale;
    std::uint16_t language;
  } cases[] = {
      {L"de_DE.UTF-8", 1031}, {L"de-DE", 1031},      {L"de_AT", 1031},  {L"zh_TW.UTF-8", 1028}, {L"zh_HK", 1028},
      {L"zh_CN.UTF-8", 2052}, {L"zh_SG", 2052},      {L"pt_PT", 1046},  {L"pt_BR", 1046},       {L"es_MX", 3082},
      {L"fr_CA", 1036},       {L"it_IT@euro", 1040}, {L"ja_JP", 1041},  {L"ko_KR", 1042},       {L"ru_RU", 1049},
      {L"C", 1033},           {L"POSIX", 1033},      {L"nl_NL", 1033},  {L"", 1033},            {L"en_GB", 1033},
  };
  for (const auto& c : cases) EXPECT_EQ(platform::posix::languageOfLocale(c.locale), c.language) << platform::toUtf8(c.locale);
}

TEST(LanguageTest, LcAllThenLcMessagesThenLang) {
  platform::posix::FixedEnvironment environment({L"LANG=fr_FR.UTF-8"});
  EXPECT_EQ(platform::posix::userLanguage(environment), 1036);
  environment.set(L"LC_MESSAGES", L"ja_JP.UTF-8");
  EXPECT_EQ(platform::posix::userLanguage(environment), 1041);
  environment.set(L"LC_ALL", L"de_DE.UTF-8");
  EXPECT_EQ(platform::posix::userLanguage(environment), 1031);
  environment.set(L"LC_ALL", L"");
  EXPECT_EQ(platform::posix::userLanguage(environment), 1041);
}

TEST(EnvironmentTest, ExpandsDefinedReferencesOnly) {
  platform::posix::FixedEnvironment environment({L"WINDIR=C:\\WINDOWS", L"A=1"});
  struct Case {
    const wchar_t* text;
    const wchar_t* expanded;
  } cases[] = {
      {L"%WINDIR%\\Temp", L"C:\\WINDOWS\\Temp"}, {L"%NOPE%\\x", L"%NOPE%\\x"}, {L"50%", L"50%"},
      {L"%NOPE%A%", L"%NOPE1"},                  {L"%%A%", L"%1"},           {L"%A%%A%", L"11"},
      {L"%windir%\\Temp", L"C:\\WINDOWS\\Temp"},  // names ignore case, as on Windows
  };
  for (const auto& c : cases) EXPECT_EQ(environment.expand(c.text), c.expanded) << platform::toUtf8(c.text);
}

TEST(EnvironmentTest, TheProcessEnvironmentFindsNamesWhateverTheirCase) {
  ::setenv("LOCKFOLIO_CASE_TEST", "found", 1);
  platform::posix::ProcessEnvironment environment;
  EXPECT_EQ(environment.variable(L"Lockfolio_Case_Test"), std::optional<std::wstring>(L"found"));
  EXPECT_EQ(environment.expand(L"%lockfolio_case_test%"), L"found");
  ::unsetenv("LOCKFOLIO_CASE_TEST");
  EXPECT_EQ(environment.variable(L"LOCKFOLIO_CASE_TEST"), std::nullopt);
}

TEST(TextTest, ConvertsAndFoldsCase) {
  const std::wstring text = L"Gr\u00FC\u00DFe \u4E2D \U0001F512";
  EXPECT_EQ(platform::fromUtf8(platform::toUtf8(text)), text);
  EXPECT_EQ(platform::fromUtf16Bytes(platform::toUtf16Bytes(text, 0)), text);
  EXPECT_EQ(platform::toUtf16(text).size(), text.size() + 1);  // the lock needs a surrogate pair
  EXPECT_EQ(platform::fromUtf8("\xC3\x28 ok"), L"\uFFFD( ok");
  EXPECT_TRUE(platform::equalsIgnoreCase(L"Software\\Palvantis", L"SOFTWARE\\palvantis"));
  EXPECT_TRUE(platform::equalsIgnoreCase(L"\u00FCber \u0436", L"\u00DCBER \u0416"));
  EXPECT_FALSE(platform::equalsIgnoreCase(L"a", L"ab"));
  EXPECT_TRUE(platform::containsIgnoreCase(L"C:\\Windows\\x", L"C:\\WINDOWS"));
}

}  // namespace

#include <gtest/gtest.h>

#include "commands/path_utilities.h"
#include "helpers/error_of.h"
#include "helpers/test_platform.h"
#include "platform/growing_buffer.h"
#include "platform/text.h"

using testing_support::errorOf;
using testing_support::TestPlatform;

namespace {

TEST(PathUtilitiesTest, GetFileNameFromPath) {
  struct Case {
    const wchar_t* path;
    const wchar_t* name;
  } cases[] = {
      {L"C:\\Docs\\Book.xls", L"Book.xls"}, {L"Book.xls", L""}, {L"C:\\Docs\\", L""},
      {L"", L""},                           {L"\\x", L"x"},     {L"C:/Docs/Book.xls", L""},
  };
  for (const auto& c : cases) EXPECT_EQ(commands::GetFileNameFromPath(c.path), c.name) << platform::toUtf8(c.path);
}

TEST(PathUtilitiesTest, GetLongFolderPathEndsInOneBackslash) {
  TestPlatform env;
  env.drive.makeDirectory("Temp/Reports");
  struct Case {
    const wchar_t* path;
    const wchar_t* expected;
  } cases[] = {
      {L"", L"\\"},
      {L"C:\\Temp", L"C:\\Temp\\"},
      {L"C:\\Temp\\", L"C:\\Temp\\"},
      {L"C:\\Temp\\Reports", L"C:\\Temp\\Reports\\"},
      {L"C:\\Gone\\Away", L"C:\\Gone\\Away\\"},
      {L"C:\\Gone\\Away\\", L"C:\\Gone\\Away\\"},
      {L"Q:\\Unmapped", L"Q:\\Unmapped\\"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(commands::GetLongFolderPath(env.platform(), c.path), c.expected) << platform::toUtf8(c.path);
  }
}

// Short 8.3 names exist only on Windows; this stands in for GetLongPathNameW there.
class ShortNameFileSystem : public platform::posix::PosixFileSystem {
 public:
  using PosixFileSystem::PosixFileSystem;
  std::optional<std::wstring> longPathName(const std::wstring& path) override {
    if (path == L"C:\\PROGRA~1") return std::wstring(L"C:\\Program Files");
    return PosixFileSystem::longPathName(path);
  }
};

TEST(PathUtilitiesTest, GetLongFolderPathGivesTheLongForm) {
  TestPlatform env;
  ShortNameFileSystem fileSystem(env.fileSystem.drives(), L"C:\\Temp\\", L"C:\\");
  EXPECT_EQ(commands::GetLongFolderPath(env.platform(fileSystem), L"C:\\PROGRA~1"), L"C:\\Program Files\\");
}

TEST(PathUtilitiesTest, LongFormsLongerThanTheFirstBufferComeBackWhole) {
  const std::wstring longForm = L"C:\\" + std::wstring(300, L'x') + L"\\" + std::wstring(300, L'y');
  int calls = 0;
  // Behaves as GetLongPathNameW: the length written, or the size needed (with the NUL) when too small.
  const auto fill = [&](wchar_t* buffer, std::uint32_t capacity) -> std::uint32_t {
    ++calls;
    if (capacity <= longForm.size()) return static_cast<std::uint32_t>(longForm.size() + 1);
    std::copy(longForm.begin(), longForm.end(), buffer);
    buffer[longForm.size()] = L'\0';
    return static_cast<std::uint32_t>(longForm.size());
  };
  EXPECT_EQ(platform::fetchGrowing(260, fill), longForm);
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(platform::fetchGrowing(260, [](wchar_t*, std::uint32_t) -> std::uint32_t { return 0; }), std::nullopt);
  // A size that keeps growing between calls is given up on rather than cut.
  std::uint32_t needed = 300;
  EXPECT_EQ(platform::fetchGrowing(260, [&](wchar_t*, std::uint32_t) { return needed += 10; }), std::nullopt);
}

TEST(PathUtilitiesTest, StorageFolderUnderTheTemporaryFolder) {
  struct Case {
    std::uint16_t language;
    const wchar_t* folder;
  } cases[] = {
      {1033, L"C:\\Temp\\VAULT\\"},
      {1036, L"C:\\Temp\\COFFRE FORT\\"},
      {1028, L"C:\\Temp\\\u4FDD\u96AA\u5EAB\\"},
      {1041, L"C:\\Temp\\\u30DC\u30FC\u30EB\u30C8\\"},
  };
  for (const auto& c : cases) {
    TestPlatform env(c.language);
    std::int32_t length = 0;
    EXPECT_EQ(commands::GetFileStorageLocation(env.platform(), length), c.folder);
    EXPECT_EQ(length, 8);
    EXPECT_TRUE(env.fileSystem.folderExists(c.folder));
  }
}

TEST(PathUtilitiesTest, StorageFolderIsMadeOnceWhereItsBaseIsMissingAndFailsWhereItCannotBeMade) {
  TestPlatform env;
  platform::posix::PosixFileSystem newTemp(env.fileSystem.drives(), L"C:\\NewTemp\\", L"C:\\");
  platform::posix::PosixFileSystem noTemp(env.fileSystem.drives(), L"C:\\No\\Such\\Temp\\", L"C:\\");
  const platform::Platform withNewTemp = env.platform(newTemp);
  std::int32_t length = 0;
  EXPECT_EQ(commands::GetFileStorageLocation(withNewTemp, length), L"C:\\NewTemp\\VAULT\\");
  EXPECT_EQ(length, 11);
  env.drive.write("NewTemp/VAULT/inside.txt", "kept");
  EXPECT_EQ(commands::GetFileStorageLocation(withNewTemp, length), L"C:\\NewTemp\\VAULT\\");
  EXPECT_EQ(env.drive.read("NewTemp/VAULT/inside.txt"), "kept");
  EXPECT_EQ(errorOf([&] { commands::GetFileStorageLocation(env.platform(noTemp), length); }), 76);
}

}  // namespace

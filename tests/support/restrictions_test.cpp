#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "helpers/error_of.h"
#include "helpers/test_platform.h"
#include "platform/text.h"
#include "support/restrictions.h"

using support::Restrictions;
using testing_support::errorOf;
using testing_support::TestPlatform;

namespace {

// The same files seen the Windows way: names compared without regard to letter case, and a named
// stream reported after its file's path, as the final path of a handle to one is.
class WindowsLikeFileSystem : public platform::posix::PosixFileSystem {
 public:
  using PosixFileSystem::PosixFileSystem;
  std::wstring canonicalPath(const std::wstring& p) override {
    const std::size_t colon = p.find(L':', 2);
    if (colon == std::wstring::npos) return PosixFileSystem::canonicalPath(p);
    const std::size_t type = p.find(L':', colon + 1);  // ":$DATA" is not part of the reported name
    return PosixFileSystem::canonicalPath(p.substr(0, colon)) +
           p.substr(colon, type == std::wstring::npos ? type : type - colon);
  }
  bool namesIgnoreCase() const override { return true; }
};

class RestrictionsTest : public ::testing::Test {
 protected:
  RestrictionsTest() {
    env.environment.set(L"WINDIR", L"C:\\WINDOWS");
    for (const char* folder : {"Docs", "WINDOWS", "Windows", "Apps/Palvantis"}) env.drive.makeDirectory(folder);
  }
  std::wstring file(const std::string& relative) {
    env.drive.write(relative, "content");
    std::wstring path = L"C:\\" + platform::fromUtf8(relative);
    for (auto& c : path) {
      if (c == L'/') c = L'\\';
    }
    return path;
  }
  bool allowed(const std::wstring& path) { return Restrictions(env.platform()).IsEncryptionAllowed(path); }
  // "allowed", "refused" or the error: a spelling that fails is neither.
  std::string answer(const std::wstring& path) {
    bool answer = false;
    const std::int32_t error = errorOf([&] { answer = allowed(path); });
    return error ? "error " + std::to_string(error) : answer ? "allowed" : "refused";
  }
  bool allowedIgnoringCase(const std::wstring& path) {
    WindowsLikeFileSystem windowsLike(env.fileSystem.drives(), L"C:\\Temp\\", L"C:\\");
    return Restrictions(env.platform(windowsLike)).IsEncryptionAllowed(path);
  }

  TestPlatform env;
};

TEST_F(RestrictionsTest, RefusesWhatMustNeverBeEncrypted) {
  const std::wstring ordinary = file("Docs/report.doc");
  const std::wstring readOnly = file("Docs/locked.doc");
  ::chmod(env.drive.file("Docs/locked.doc").c_str(), 0444);
  const std::wstring dotHidden = file("Docs/.hidden.doc");
  const std::wstring hidden = file("Docs/marked-hidden.doc");
  const std::wstring system = file("Docs/marked-system.doc");
  ASSERT_TRUE(platform::posix::setDosAttributes(env.drive.file("Docs/marked-hidden.doc"), platform::kAttributeHidden));
  ASSERT_TRUE(platform::posix::setDosAttributes(env.drive.file("Docs/marked-system.doc"), platform::kAttributeSystem));
  file("Apps/Palvantis/notes.doc");
  ASSERT_EQ(::symlink("../WINDOWS", env.drive.file("Docs/to-windows").c_str()), 0);
  ASSERT_EQ(::symlink("../Apps/Palvantis/notes.doc", env.drive.file("Docs/maker-notes.doc").c_str()), 0);
  ASSERT_EQ(::symlink("report.doc", env.drive.file("Docs/report-link.doc").c_str()), 0);

  struct Case {
    std::wstring path;
    bool allowed;
  } cases[] = {
      {ordinary, true},
      {readOnly, false},
      {dotHidden, false},
      {hidden, false},
      {system, false},
      {file("Docs/driver.sys"), false},
      {file("Docs/DRIVER.SYS"), true},  // names are case-sensitive here
      {file("WINDOWS/notes.doc"), false},
      {file("Windows/notes.doc"), true},
      {file("Apps/Palvantis/notes.doc"), false},
      {file("Docs/Palvantis-budget.xls"), false},
      // Other spellings of a refused file: the rules see the one path the file system reports.
      {L"C:/WINDOWS/notes.doc", false},
      {L"c:\\WINDOWS\\notes.doc", false},
      {L"\\\\?\\C:\\WINDOWS\\notes.doc", false},
      {L"\\\\.\\C:\\WINDOWS\\notes.doc", false},
      {L"C:\\Docs\\..\\WINDOWS\\.\\notes.doc", false},
      {L"C:\\\\WINDOWS\\\\notes.doc", false},
      {L"C:\\WINDOWS. \\notes.doc. .", false},
      {L"C:\\WINDOWS\\notes.doc::$DATA", false},
      {L"C:\\Docs\\to-windows\\notes.doc", false},  // a link to the Windows folder
      {L"C:\\Docs\\maker-notes.doc", false},         // a link to a file in the maker's folder
      {L"C:\\Docs\\driver.sys::$DATA", false},
      {L"C:\\Docs\\driver.sys .", false},
      {L"\\\\localhost\\C$\\WINDOWS\\notes.doc", false},  // this machine's own share
      {L"\\\\127.0.0.1\\c$\\Docs\\..\\WINDOWS\\notes.doc", false},
      {L"\\\\0--1.ipv6-literal.net\\C$\\Docs\\to-windows\\notes.doc", false},
      // and of an allowed one, whose spellings may show a protected text the path does not hold.
      {L"C:/Docs/report.doc", true},
      {L"\\\\?\\C:\\Docs\\report.doc", true},
      {L"\\\\.\\C:\\Docs\\report.doc", true},
      {L"C:\\WINDOWS\\..\\Docs\\.\\report.doc", true},
      {L"C:\\Palvantis\\..\\\\Docs\\report.doc", true},
      {L"C:\\Docs.\\report.doc ", true},
      {L"C:\\Docs\\report.doc::$DATA", true},
      {L"C:\\Docs\\report-link.doc", true},
      {L"\\\\LOCALHOST\\C$\\Docs\\report.doc", true},
  };
  for (const auto& c : cases) EXPECT_EQ(answer(c.path), c.allowed ? "allowed" : "refused") << platform::toUtf8(c.path);
}

TEST_F(RestrictionsTest, WhereNamesIgnoreCaseSoDoTheComparisons) {
  EXPECT_FALSE(allowedIgnoringCase(file("Docs/DRIVER.SYS")));
  EXPECT_FALSE(allowedIgnoringCase(file("Windows/notes.doc")));
  EXPECT_FALSE(allowedIgnoringCase(file("Docs/palvantis.doc")));
  EXPECT_TRUE(allowedIgnoringCase(file("Docs/report.doc")));
  // A named stream's name follows its file's: the ending is the file's own.
  EXPECT_FALSE(allowedIgnoringCase(file("Docs/driver.sys") + L":stream:$DATA"));
  EXPECT_TRUE(allowedIgnoringCase(file("Docs/report.doc") + L":notes.sys"));
}

TEST_F(RestrictionsTest, WithoutWindirOnlyTheMakersNameIsLookedFor) {
  env.environment.unset(L"WINDIR");
  EXPECT_TRUE(allowed(file("WINDOWS/notes.doc")));
  EXPECT_FALSE(allowed(file("Apps/Palvantis/notes.doc")));
}

// An empty entry of the list refuses every file; a variable entry too short to name one matches none.
TEST_F(RestrictionsTest, AnEmptyListEntryRefusesEveryFileAndATooShortVariableEntryNone) {
  for (const auto& [list, allowedAfter] :
       {std::pair{L"Palvantis,, $WINDIR", false}, std::pair{L"Palvantis, $WINDIR,", false}, std::pair{L"Palvantis, $", true}}) {
    env.overrides.strings[169] = list;
    EXPECT_EQ(allowed(file("Docs/report.doc")), allowedAfter) << platform::toUtf8(list);
  }
}

TEST_F(RestrictionsTest, AMissingFileOrAFolderIsAFailedCallNotARefusal) {
  // A folder is no file: neither allowed nor refused, be it plain or hidden.
  env.drive.makeDirectory("Docs/.cache");
  // The native file system has no named streams.
  env.drive.write("Docs/report.doc", "content");
  for (const wchar_t* path : {L"C:\\Docs\\missing.doc", L"C:\\NoFolder\\missing.doc", L"C:\\Docs",
                              L"C:\\Docs\\", L"C:\\Docs\\.cache", L"C:/Docs/.", L"C:\\Docs\\report.doc\\..",
                              L"C:\\Docs\\report.doc:stream:$DATA"}) {
    EXPECT_EQ(errorOf([&] { allowed(path); }), 53) << platform::toUtf8(path);
  }
  EXPECT_EQ(errorOf([&] { allowed(L"Q:\\unmapped.doc"); }), 76);
  // A device or a pipe is refused before anything is opened, by either question.
  for (const wchar_t* path : {L"\\\\.\\PhysicalDrive0", L"\\\\.\\pipe\\x", L"CON", L"C:\\Docs\\nul.txt", L"//?/pipe/x",
                              L"\\\\server\\PIPE\\x", L"\\\\?\\UNC\\server\\mailslot\\x", L"C:\\Docs\\COM1 .doc", L"\\??\\C:\\x"}) {
    EXPECT_EQ(errorOf([&] { allowed(path); }), 75) << platform::toUtf8(path);
    EXPECT_EQ(errorOf([&] { Restrictions(env.platform()).IsFileOpen(path); }), 75) << platform::toUtf8(path);
  }
  // Another machine's share is none of this machine's folders.
  EXPECT_EQ(errorOf([&] { allowed(L"\\\\fileserver\\C$\\Docs\\report.doc"); }), 76);
}

TEST_F(RestrictionsTest, IsFileOpenTellsWhetherTheFileCanBeWrittenNow) {
  Restrictions restrictions(env.platform());
  const std::wstring closed = file("Docs/closed.doc");
  EXPECT_FALSE(restrictions.IsFileOpen(closed));
  EXPECT_EQ(env.drive.read("Docs/closed.doc"), "content");  // opened and left unchanged

  const std::wstring readOnly = file("Docs/ro.doc");
  ::chmod(env.drive.file("Docs/ro.doc").c_str(), 0444);
  EXPECT_TRUE(restrictions.IsFileOpen(readOnly));
  EXPECT_TRUE(restrictions.IsFileOpen(L"C:\\Docs\\nothing-here.doc"));
  EXPECT_FALSE(env.drive.exists("Docs/nothing-here.doc"));  // and not created
  EXPECT_TRUE(restrictions.IsFileOpen(L"C:\\Docs"));

  const std::wstring held = file("Docs/held.doc");
  const int fd = ::open(env.drive.file("Docs/held.doc").c_str(), O_RDWR);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);  // another program holds it
  EXPECT_TRUE(restrictions.IsFileOpen(held));
  ::close(fd);
  EXPECT_FALSE(restrictions.IsFileOpen(held));
}

}  // namespace

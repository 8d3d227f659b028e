#include <gtest/gtest.h>

#include <functional>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "helpers/temp_dir.h"
#include "platform/com_error.h"
#include "platform/posix/hive_registry.h"
#include "platform/posix/reg_file_format.h"
#include "platform/text.h"

using platform::posix::Hive;
using platform::posix::HiveRegistry;
using testing_support::TempDir;

namespace {

std::vector<char> bytesOf(const std::string& text) { return std::vector<char>(text.begin(), text.end()); }

std::string errorOf(const std::string& text) {
  Hive hive;
  try {
    platform::posix::parseRegFile(bytesOf(text), "/x/user.reg", hive);
  } catch (const platform::ComError& e) {
    return platform::toUtf8(e.description());
  }
  return "";
}

void setValue(platform::Registry& registry, const std::wstring& path, const std::wstring& name, std::uint32_t type,
              const std::vector<std::uint8_t>& data) {
  std::unique_ptr<platform::RegistryKey> key;
  ASSERT_EQ(registry.createKey(platform::kHkeyCurrentUser, path, platform::kKeyWrite, key), 0);
  ASSERT_EQ(key->setValue(name, type, data), 0);
}

bool getValue(platform::Registry& registry, const std::wstring& path, const std::wstring& name, std::uint32_t& type,
              std::vector<std::uint8_t>& data) {
  std::unique_ptr<platform::RegistryKey> key;
  registry.createKey(platform::kHkeyCurrentUser, path, platform::kKeyRead, key);
  return key && key->queryValue(name, type, &data) == 0;
}

TEST(RegFileTest, EveryKindOfValueSurvivesTheRoundTrip) {
  Hive hive;
  auto& key = *hive.create(platform::kHkeyCurrentUser, {L"Software", L"Palvantis", L"Test \"quoted\""});
  key.setValue(L"Left", platform::kRegDword, {0x10, 0, 0, 0x80});
  key.setValue(L"", platform::kRegSz, platform::toUtf16Bytes(L"default \\ \"value\" \u00FC\u4E2D", 1));
  key.setValue(L"Lines", platform::kRegSz, platform::toUtf16Bytes(L"two\nlines", 1));
  key.setValue(L"Name with\nline\r\nbreaks", platform::kRegSz, platform::toUtf16Bytes(L"x", 1));
  key.setValue(L"LoneSurrogate", platform::kRegSz, {'a', 0, 0x00, 0xD8, 'b', 0, 0, 0});
  key.setValue(L"Expand", platform::kRegExpandSz, platform::toUtf16Bytes(L"%WINDIR%", 1));
  key.setValue(L"Multi", platform::kRegMultiSz, platform::toUtf16Bytes(std::wstring(L"a\0b", 3), 2));
  key.setValue(L"Blob", platform::kRegBinary, std::vector<std::uint8_t>(100, 0xAB));
  key.setValue(L"Odd", 0x20, {});
  key.setValue(L"ShortDword", platform::kRegDword, {1, 2});
  hive.create(platform::kHkeyLocalMachine, {L"Empty", L"Key"});
  // Values directly under a root key, as regedit exports them.
  hive.root(platform::kHkeyCurrentUser)->setValue(L"AtRoot", platform::kRegDword, {1, 0, 0, 0});
  hive.root(platform::kHkeyUsers)->setValue(L"", platform::kRegSz, platform::toUtf16Bytes(L"root default", 1));

  const std::string text = platform::posix::formatRegFile(hive);
  EXPECT_EQ(text.rfind("Windows Registry Editor Version 5.00\n", 0), 0u);
  EXPECT_NE(text.find("\"Left\"=dword:80000010"), std::string::npos);
  EXPECT_NE(text.find("\"Name with\\nline\\r\\nbreaks\"=\"x\""), std::string::npos) << text;

  Hive again;
  platform::posix::parseRegFile(bytesOf(text), "f", again);
  EXPECT_TRUE(again == hive) << text;
  EXPECT_NE(again.find(platform::kHkeyCurrentUser, {L"software", L"PALVANTIS", L"Test \"quoted\""}), nullptr);
}

// What regedit and Wine export, UTF-16 after a byte order mark; it may hold lone surrogates in
// names and data, which UTF-8 cannot carry: they are kept exactly, also when written again.
TEST(RegFileTest, ReadsWhatRegeditAndWineExportAndKeepsTextThatIsNoValidUtf16) {
  const std::wstring high(1, static_cast<wchar_t>(0xD800));
  const std::wstring low(1, static_cast<wchar_t>(0xDC00));
  const std::wstring text =
      L"Windows Registry Editor Version 5.00\r\n\r\n; exported\r\n"
      L"[HKEY_CURRENT_USER\\Software\\Palvantis\\LockfolioAddIn\\Word]\r\n"
      L"\"Left\"=dword:0000000a\r\n\"Name\"=\"Gr\u00FC\u00DFe\"\r\n"
      L"\"Bin\"=hex:01,02,\\\r\n  03\r\n[HKEY_CURRENT_USER\\Software\\L" + low + L"ne]\r\n\"N" + high + L"me\"=\"a" + high +
      L"b\"\r\n";
  std::vector<std::uint8_t> utf16 = {0xFF, 0xFE};
  for (std::uint8_t b : platform::toUtf16Bytes(text, 0)) utf16.push_back(b);
  Hive hive;
  platform::posix::parseRegFile(std::vector<char>(utf16.begin(), utf16.end()), "f", hive);
  auto* key = hive.find(platform::kHkeyCurrentUser, {L"Software", L"Palvantis", L"LockfolioAddIn", L"Word"});
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->findValue(L"left")->data, (std::vector<std::uint8_t>{10, 0, 0, 0}));
  EXPECT_EQ(platform::fromUtf16Bytes(key->findValue(L"Name")->data), std::wstring(L"Gr\u00FC\u00DFe") + L'\0');
  EXPECT_EQ(key->findValue(L"Bin")->data, (std::vector<std::uint8_t>{1, 2, 3}));
  auto* odd = hive.find(platform::kHkeyCurrentUser, {L"Software", L"L" + low + L"ne"});
  ASSERT_NE(odd, nullptr);
  ASSERT_NE(odd->findValue(L"N" + high + L"me"), nullptr);
  EXPECT_EQ(odd->findValue(L"N" + high + L"me")->data, (std::vector<std::uint8_t>{'a', 0, 0x00, 0xD8, 'b', 0, 0, 0}));

  Hive again;
  platform::posix::parseRegFile(bytesOf(platform::posix::formatRegFile(hive)), "f", again);
  EXPECT_TRUE(again == hive);
}

TEST(RegFileTest, DamagedFilesNameTheFileAndTheLine) {
  const std::string header = "Windows Registry Editor Version 5.00\n\n";
  struct Case {
    std::string text;
    std::string expected;
  } cases[] = {
      {"", "line 1: the file is empty"},
      {"REGEDIT4\n", "line 1: the first line must be"},
      {header + "\"Left\"=dword:00000001\n", "line 3: a value comes before any key"},
      {header + "[HKEY_CURRENT_USER\\A]\n\"Left\"=dword:0000\n", "line 4: a dword needs exactly eight"},
      {header + "[HKEY_CURRENT_USER\\A]\n\"Left\"=dword:0000000g\n", "line 4: a dword needs exactly eight"},
      {header + "[HKEY_CURRENT_USER\\A]\n\"Name\"=\"unterminated\n", "line 4: a quoted text has no closing quote"},
      {header + "[HKEY_NOWHERE\\A]\n", "line 3: unknown root key"},
      {header + "[HKEY_CURRENT_USER\\A\n", "line 3: a key line must end with ']'"},
      {header + "[HKEY_CURRENT_USER\\A]\n\"B\"=hex:01,0\n", "line 4: expected two hexadecimal digits"},
      {header + "[HKEY_CURRENT_USER\\A]\n\"B\"=hex:01,02,\\\n", "line 4: the file ends in the middle of a value"},
      {header + "[HKEY_CURRENT_USER\\A]\n\"B\"=-\n", "line 4: value deletions"},
      {header + "[-HKEY_CURRENT_USER\\A]\n", "line 3: key deletions"},
      {header + "[HKEY_CURRENT_USER\\A]\ngarbage\n", "line 4: expected a key in brackets or a value"},
      {header + "[HKEY_CURRENT_USER\\A]\n\"B\"=\"x\" trailing\n", "line 4: text after a quoted value"},
  };
  for (const auto& c : cases) {
    const std::string error = errorOf(c.text);
    EXPECT_NE(error.find("\"/x/user.reg\""), std::string::npos) << error;
    EXPECT_NE(error.find(c.expected), std::string::npos) << "got: " << error << "\nwanted: " << c.expected;
  }
}

TEST(HiveRegistryTest, PersistsAcrossProcessesAndSeesOtherWriters) {
  TempDir dir;
  const std::string file = dir.file("user.reg");
  HiveRegistry first(file);
  setValue(first, L"", L"AtRoot", platform::kRegSz, platform::toUtf16Bytes(L"kept", 1));
  setValue(first, L"Software\\A", L"x", platform::kRegDword, {1, 0, 0, 0});
  EXPECT_TRUE(dir.exists("user.reg"));
  EXPECT_FALSE(dir.exists("user.reg.tmp" + std::to_string(::getpid())));

  HiveRegistry second(file);
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  ASSERT_TRUE(getValue(second, L"software\\a", L"X", type, data));
  EXPECT_EQ(data, (std::vector<std::uint8_t>{1, 0, 0, 0}));
  ASSERT_TRUE(getValue(second, L"", L"AtRoot", type, data));  // a value directly under the root
  EXPECT_EQ(data, platform::toUtf16Bytes(L"kept", 1));

  setValue(second, L"Software\\A", L"x", platform::kRegDword, {2, 0, 0, 0});
  ASSERT_TRUE(getValue(first, L"Software\\A", L"x", type, data));  // reloaded after the other's write
  EXPECT_EQ(data[0], 2);

  // Another writer's change may leave the same inode, size and modification time behind (timestamps
  // move in steps of milliseconds, and a save and rename reuses the inode freed by the one before):
  // only the content tells.
  struct stat before {};
  ASSERT_EQ(::stat(file.c_str(), &before), 0);
  std::string text = dir.read("user.reg");
  const std::size_t at = text.find("dword:00000002");
  ASSERT_NE(at, std::string::npos);
  text.replace(at, 14, "dword:00000003");
  dir.write("user.reg", text);  // rewritten in place: the same inode and size
  const struct timespec times[2] = {before.st_atim, before.st_mtim};
  ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
  ASSERT_TRUE(getValue(first, L"Software\\A", L"x", type, data));
  EXPECT_EQ(data[0], 3);
}

TEST(HiveRegistryTest, ADamagedFileIsReportedAndNeverOverwritten) {
  TempDir dir;
  const std::string damaged = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\A]\n\"Left\"=dword:00";
  dir.write("user.reg", damaged);
  try {
    HiveRegistry registry(dir.file("user.reg"));
    FAIL() << "expected the damage to be reported";
  } catch (const platform::ComError& e) {
    EXPECT_NE(platform::toUtf8(e.description()).find("line 4"), std::string::npos);
  }
  EXPECT_EQ(dir.read("user.reg"), damaged);

  // Damage that appears while the registry is in use fails the next operation with Windows' code
  // for a damaged hive, as Windows' registry does: nothing raises.
  HiveRegistry registry(dir.file("other.reg"));
  setValue(registry, L"Software\\A", L"x", platform::kRegDword, {1, 0, 0, 0});
  dir.write("other.reg", "not a registry file");
  std::unique_ptr<platform::RegistryKey> key;
  EXPECT_EQ(registry.createKey(platform::kHkeyCurrentUser, L"Software\\A", platform::kKeyWrite, key),
            platform::kErrorBadDatabase);
  EXPECT_EQ(dir.read("other.reg"), "not a registry file");
}

// Returned as codes, as Windows' registry returns them: the registry's callers handle codes alone.
TEST(HiveRegistryTest, AChangeTheFileCannotTakeFailsWithACodeAndLosesNothingOnDisk) {
  const auto setX = [](HiveRegistry& registry, const std::wstring& name) {
    std::unique_ptr<platform::RegistryKey> key;
    const long opened = registry.createKey(platform::kHkeyCurrentUser, L"Software\\A", platform::kKeyWrite, key);
    return opened ? opened : key->setValue(name, platform::kRegDword, {2, 0, 0, 0});
  };
  struct Case {
    const char* why;
    std::function<long(const TempDir&, HiveRegistry&)> change;
    long expected;
  } cases[] = {
      {"no room for the temporary copy",
       [&](const TempDir& dir, HiveRegistry& registry) {
         // A folder where the temporary copy must go makes the write fail, even for root.
         dir.makeDirectory("user.reg.tmp" + std::to_string(::getpid()));
         return setX(registry, L"x");
       },
       platform::kErrorRegistryIoFailed},
      {"a key name with a line break, which no key line can hold",
       [](const TempDir&, HiveRegistry& registry) {
         std::unique_ptr<platform::RegistryKey> key;
         return registry.createKey(platform::kHkeyCurrentUser, L"Software\\two\nlines", platform::kKeyWrite, key);
       },
       platform::kErrorInvalidParameter},
      {"a value name beyond Unicode, which neither UTF-8 nor UTF-16 can spell",
       [&](const TempDir&, HiveRegistry& registry) {
         return setX(registry, std::wstring(1, static_cast<wchar_t>(0x110000)));
       },
       platform::kErrorInvalidParameter},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    TempDir dir;
    HiveRegistry registry(dir.file("user.reg"));
    setValue(registry, L"Software\\A", L"x", platform::kRegDword, {1, 0, 0, 0});
    const std::string before = dir.read("user.reg");
    EXPECT_EQ(c.change(dir, registry), c.expected);
    EXPECT_EQ(dir.read("user.reg"), before);
    // The failed change is not kept in memory either: what is read is what is on disk.
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    ASSERT_TRUE(getValue(registry, L"Software\\A", L"x", type, data));
    EXPECT_EQ(data[0], 1);
    std::unique_ptr<platform::RegistryKey> software;
    ASSERT_EQ(registry.createKey(platform::kHkeyCurrentUser, L"Software", platform::kKeyRead, software), 0);
    platform::RegistryKeyInfo info;
    software->queryInfo(info);
    EXPECT_EQ(info.subKeyCount, 1u);
  }
}

constexpr int kProcesses = 4;
constexpr int kWrites = 25;

std::wstring sharedName(int process, int write) {
  return L"p" + std::to_wstring(process) + L"w" + std::to_wstring(100 + write);
}

// Every value of every process, all set to `value`: a write turns one dword from 0 to 1, so the
// file keeps its size and only its content tells that another process wrote.
Hive sharedValues(std::uint8_t value) {
  Hive hive;
  auto* shared = hive.create(platform::kHkeyCurrentUser, {L"Software", L"Shared"});
  for (int process = 0; process < kProcesses; ++process) {
    for (int write = 0; write < kWrites; ++write) {
      shared->setValue(sharedName(process, write), platform::kRegDword, {value, 0, 0, 0});
    }
  }
  return hive;
}

int writeInChildProcess(const std::string& file, int process) noexcept {
  try {
    HiveRegistry registry(file);
    std::unique_ptr<platform::RegistryKey> key;
    if (registry.createKey(platform::kHkeyCurrentUser, L"Software\\Shared", platform::kKeyWrite, key) != 0) return 2;
    for (int write = 0; write < kWrites; ++write) {
      if (key->setValue(sharedName(process, write), platform::kRegDword, {1, 0, 0, 0}) != 0) return 3;
    }
    return 0;
  } catch (...) {
    return 1;
  }
}

TEST(HiveRegistryTest, WritersInSeveralProcessesLoseNothing) {
  TempDir dir;
  dir.write("user.reg", platform::posix::formatRegFile(sharedValues(0)));
  std::vector<pid_t> children;
  for (int process = 0; process < kProcesses; ++process) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) ::_exit(writeInChildProcess(dir.file("user.reg"), process));
    children.push_back(child);
  }
  for (const pid_t child : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
  }
  Hive after;
  platform::posix::parseRegFile(bytesOf(dir.read("user.reg")), "user.reg", after);
  EXPECT_TRUE(after == sharedValues(1)) << dir.read("user.reg");
}

TEST(HiveRegistryTest, KeysBehaveAsWindowsKeysDo) {
  HiveRegistry registry;
  std::unique_ptr<platform::RegistryKey> key;
  EXPECT_EQ(registry.createKey(0x1234, L"A", platform::kKeyRead, key), platform::kErrorInvalidHandle);
  // A path below a root never starts with a backslash; the root itself is the empty path.
  for (const wchar_t* path : {L"\\", L"\\A"}) {
    EXPECT_EQ(registry.createKey(platform::kHkeyCurrentUser, path, platform::kKeyRead, key),
              platform::kErrorBadPathname);
  }
  EXPECT_EQ(key, nullptr);
  ASSERT_EQ(registry.createKey(platform::kHkeyCurrentUser, L"A\\B\\C", platform::kKeyRead, key), 0);
  std::unique_ptr<platform::RegistryKey> parent;
  registry.createKey(platform::kHkeyCurrentUser, L"A", platform::kKeyAllAccess, parent);
  EXPECT_EQ(parent->deleteSubKey(L"B"), platform::kErrorAccessDenied);  // it has a subkey
  EXPECT_EQ(parent->deleteSubKeyTree(L"b"), 0);
  std::uint32_t type;
  EXPECT_EQ(key->queryValue(L"x", type, nullptr), platform::kErrorKeyDeleted);
  platform::RegistryValue value;
  EXPECT_EQ(parent->enumValue(0, value), platform::kErrorNoMoreItems);
  // Opening without creating: a missing key stays missing, an existing one opens.
  std::unique_ptr<platform::RegistryKey> opened;
  for (int attempt = 0; attempt < 2; ++attempt) {
    EXPECT_EQ(registry.openKey(platform::kHkeyCurrentUser, L"A\\B", platform::kKeyRead, opened),
              platform::kErrorFileNotFound);
  }
  EXPECT_EQ(opened, nullptr);
  EXPECT_EQ(registry.openKey(platform::kHkeyCurrentUser, L"a", platform::kKeyRead, opened), 0);
  EXPECT_NE(opened, nullptr);
}

}  // namespace

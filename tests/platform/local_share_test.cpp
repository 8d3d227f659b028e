#include <gtest/gtest.h>

#include <map>

#include "helpers/error_of.h"
#include "platform/local_share.h"
#include "platform/text.h"

using testing_support::errorOf;

namespace {

// A machine called WORKSTATION at 10.0.0.7 that shares D:\Shared as "docs".
class Workstation : public platform::ThisMachine {
 public:
  bool isNamed(std::wstring_view server) override {
    const std::wstring address = platform::serverAddressText(server);
    return platform::equalsIgnoreCase(server, L"workstation") || address == L"10.0.0.7" ||
           address == L"fe80::7%3";
  }
  std::optional<std::wstring> shareFolder(std::wstring_view share) override {
    if (platform::equalsIgnoreCase(share, L"docs")) return L"D:\\Shared";
    return std::nullopt;
  }
};

TEST(LocalShareTest, AShareOfThisMachineStandsForItsLocalFolder) {
  Workstation machine;
  const std::map<std::wstring, std::optional<std::wstring>> cases = {
      {L"\\\\WORKSTATION\\C$\\Windows\\notes.doc", L"C:\\Windows\\notes.doc"},
      {L"\\\\workstation\\d$", L"D:\\"},
      {L"//10.0.0.7/docs/plans/q3.doc", L"D:\\Shared\\plans/q3.doc"},
      {L"\\\\fe80--7s3.ipv6-literal.net\\DOCS\\a.doc", L"D:\\Shared\\a.doc"},
      {L"\\\\[fe80::7%3]\\c$\\a.doc", L"C:\\a.doc"},
      // Not this machine, or no share at all: nothing to map.
      {L"\\\\fileserver\\C$\\Windows\\notes.doc", std::nullopt},
      {L"\\\\10.0.0.8\\docs\\a.doc", std::nullopt},
      {L"C:\\Windows\\notes.doc", std::nullopt},
      {L"\\\\?\\C:\\Windows\\notes.doc", std::nullopt},
      {L"\\\\.\\C:\\Windows\\notes.doc", std::nullopt},
      {L"\\\\workstation", std::nullopt},
      {L"\\\\workstation\\", std::nullopt},
      {L"\\\\\\C$\\x.doc", std::nullopt},
  };
  for (const auto& [path, local] : cases) {
    EXPECT_EQ(platform::localPathOfUncPath(path, machine), local) << platform::toUtf8(path);
  }
  // A share of this machine whose folder cannot be learned cannot be judged: refused.
  EXPECT_EQ(errorOf([&] { platform::localPathOfUncPath(L"\\\\workstation\\private\\a.doc", machine); }), 70);
  EXPECT_EQ(errorOf([&] { platform::localPathOfUncPath(L"\\\\workstation\\1$\\a.doc", machine); }), 70);
}

}  // namespace

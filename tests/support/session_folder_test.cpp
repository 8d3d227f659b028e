#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include <sys/stat.h>
#include <unistd.h>

#include "helpers/error_of.h"
#include "helpers/test_platform.h"
#include "helpers/variant_printer.h"
#include "platform/text.h"
#include "support/cls_session_folder.h"

using automation::Variant;
using support::clsSessionFolder;
using testing_support::errorOf;
using testing_support::TestPlatform;

namespace {

const wchar_t kBase[] = L"C:\\Sessions\\";

class SessionFolderTest : public ::testing::Test {
 protected:
  SessionFolderTest() : folders(env.platform()) { env.drive.makeDirectory("Sessions"); }

  std::vector<std::string> entries() {
    std::vector<std::string> names;
    for (const auto& name : env.fileSystem.subFolderNames(kBase)) names.push_back(platform::toUtf8(name));
    std::sort(names.begin(), names.end());
    return names;
  }

  TestPlatform env;
  clsSessionFolder folders;
};

TEST_F(SessionFolderTest, NamesFoldersByCategoryAndCounterAndReusesAnExistingOne) {
  struct Case {
    std::int16_t category;
    std::int16_t counter;
    const wchar_t* name;
    std::int16_t counterAfter;
  } cases[] = {
      {1, 0, L"vfn10001\\", 1},      {0, 41, L"vfn42\\", 42},   {1, 9998, L"vfn10000\\", 0},
      {0, 9998, L"vfn0\\", 0},       {3, 2766, L"vfn32767\\", 2767}, {-1, 5, L"vfn-9994\\", 6},
      {-3, -10, L"vfn-30009\\", -9},
  };
  for (const auto& c : cases) {
    std::int16_t category = c.category;
    std::int16_t counter = c.counter;
    EXPECT_EQ(folders.NextFolder(kBase, category, counter), c.name);
    EXPECT_EQ(counter, c.counterAfter);
    EXPECT_EQ(category, c.category);
    std::wstring folder = std::wstring(kBase) + c.name;
    EXPECT_TRUE(env.fileSystem.folderExists(folder)) << platform::toUtf8(folder);
  }
  // An existing folder is reused unchanged.
  env.drive.write("Sessions/vfn10001/keep.txt", "data");
  std::int16_t category = 1;
  std::int16_t counter = 0;
  EXPECT_EQ(folders.NextFolder(kBase, category, counter), L"vfn10001\\");
  EXPECT_EQ(env.drive.read("Sessions/vfn10001/keep.txt"), "data");
}

TEST_F(SessionFolderTest, AFailureLeavesTheCounterAdvancedUnlessItCouldNotAdvance) {
  struct Case {
    const wchar_t* base;
    std::int16_t category, counter;
    std::int32_t error;
    std::int16_t counterAfter;
  } cases[] = {
      {kBase, 3, 2767, 6, 2768},            // the number overflows
      {kBase, 4, 0, 6, 1},                  // no name of category 4 fits
      {kBase, 0, 32767, 6, 32767},          // the counter itself cannot advance
      {L"C:\\Nowhere\\", 1, 0, 76, 1},  // no base folder to create it in
      // A device or a pipe is never opened as a folder.
      {L"\\\\.\\pipe\\x\\", 1, 0, 75, 1}, {L"//./PhysicalDrive0", 1, 0, 75, 1}, {L"C:\\Sessions\\CON", 1, 0, 75, 1},
      {L"\\\\server\\pipe\\x", 1, 0, 75, 1},
  };
  for (const auto& c : cases) {
    std::int16_t category = c.category;
    std::int16_t counter = c.counter;
    EXPECT_EQ(errorOf([&] { folders.NextFolder(c.base, category, counter); }), c.error) << platform::toUtf8(c.base);
    EXPECT_EQ(counter, c.counterAfter);
    if (c.error == 75) {
      EXPECT_EQ(errorOf([&] { folders.RemoveFolders(c.base, category); }), 75);
    }
  }
  EXPECT_TRUE(entries().empty());
}

TEST_F(SessionFolderTest, ABaseWithoutItsSeparatorGetsOneSoTheFolderListedIsTheFolderDeleted) {
  env.drive.makeDirectory("Sessionsvfn10001");  // beside the base folder, not in it
  std::int16_t category = 1;
  std::int16_t counter = 0;
  EXPECT_EQ(folders.NextFolder(L"C:\\Sessions", category, counter), L"vfn10001\\");
  EXPECT_EQ(entries(), std::vector<std::string>{"vfn10001"});
  env.drive.write("Sessionsvfn10001/keep.txt", "the user's");
  folders.RemoveFolders(L"C:\\Sessions", category);
  EXPECT_TRUE(entries().empty());
  EXPECT_EQ(env.drive.read("Sessionsvfn10001/keep.txt"), "the user's");
}

TEST_F(SessionFolderTest, RemovesOnlyNamesThatContainThePatternAndThatNextFolderMakesForTheCategory) {
  struct Case {
    std::int16_t category;
    std::vector<std::string> removed;
    std::vector<std::string> kept;
  } cases[] = {
      // vfn1 to vfn9998 are category 0's names too, and category 1's for a negative counter (vfn9996).
      {0, {"vfn0"}, {"myvfn0data", "vfn-1", "vfn01", "vfn0x", "vfn1", "vfn10000", "vfn9996", "vfn9998"}},
      {1,
       {"vfn10000", "vfn10001", "vfn19998"},
       {"myvfn1data", "vfn0", "vfn010001", "vfn1", "vfn10001x", "vfn1234", "vfn15", "vfn19999", "vfn20001"}},
      // vfn-9994 is category -1's own (counter 5) but lacks "vfn-1"; no counter gives vfn-1 or vfn-10001.
      {-1, {"vfn-10", "vfn-10000", "vfn-1999"}, {"vfn-1", "vfn-10001", "vfn-19998", "vfn-9994", "vfn1"}},
      {3, {"vfn30000", "vfn32767"}, {"vfn-3", "vfn3", "vfn32768", "vfn35", "vfn39999"}},
  };
  for (const auto& c : cases) {
    for (const auto& names : {c.removed, c.kept}) {
      for (const auto& name : names) env.drive.makeDirectory("Sessions/" + name);
    }
    std::int16_t category = c.category;
    folders.RemoveFolders(kBase, category);
    EXPECT_EQ(entries(), c.kept) << "category " << c.category;
    EXPECT_EQ(category, c.category);
    for (const auto& name : c.kept) std::filesystem::remove(env.drive.file("Sessions/" + name));
  }
}

TEST_F(SessionFolderTest, RemovesContentReadOnlyFilesAndLinksButNothingALinkPointsAt) {
  for (const char* folder : {"Sessions/vfn10001", "Sessions/vfn10003", "Sessions/vfn10000/deeper", "Elsewhere"}) {
    env.drive.makeDirectory(folder);
  }
  env.drive.write("Sessions/vfn10001/inner.txt", "x");
  env.drive.write("Sessions/vfn10000/deeper/ro.txt", "x");
  ::chmod(env.drive.file("Sessions/vfn10000/deeper/ro.txt").c_str(), 0444);
  ::chmod(env.drive.file("Sessions/vfn10000/deeper").c_str(), 0555);
  env.drive.write("Sessions/vfin10001", "a file");
  env.drive.write("Elsewhere/keep.txt", "the user's");
  ASSERT_EQ(::symlink(env.drive.file("Elsewhere").c_str(), env.drive.file("Sessions/vfn10002").c_str()), 0);
  ASSERT_EQ(::symlink(env.drive.file("Elsewhere").c_str(), env.drive.file("Sessions/vfn10001/inside").c_str()), 0);

  std::int16_t category = 1;
  folders.RemoveFolders(kBase, category);
  EXPECT_TRUE(entries().empty());
  EXPECT_TRUE(env.drive.exists("Sessions/vfin10001"));
  EXPECT_EQ(env.drive.read("Elsewhere/keep.txt"), "the user's");
  EXPECT_EQ(errorOf([&] { folders.RemoveFolders(L"C:\\Nowhere\\", category); }), 76);
}

TEST_F(SessionFolderTest, NamesFilesWithoutCreatingThem) {
  struct Case {
    std::int16_t category;
    Variant counter;
    const wchar_t* name;  // null: the call fails with `error`
    Variant counterAfter;
    std::int32_t error = 0;
  } cases[] = {
      {1, Variant(std::int16_t{0}), L"vfin10001", Variant(std::int16_t{1})},
      {2, Variant(std::int16_t{9998}), L"vfin20000", Variant(std::int16_t{0})},
      {0, Variant(), L"vfin1", Variant(std::int16_t{1})},
      {0, Variant(std::int32_t{20000}), L"vfin3", Variant(std::int32_t{3})},
      {0, Variant(std::int16_t{32767}), L"vfin2771", Variant(std::int32_t{2771})},  // widens instead of overflowing
      {0, Variant(L"41"), L"vfin42", Variant(std::int32_t{42})},
      {0, Variant(5.5), L"vfin6", Variant(std::int32_t{6})},
      {0, Variant(L"abc"), nullptr, Variant(L"abc"), 13},
      {4, Variant(std::int32_t{0}), nullptr, Variant(std::int32_t{1}), 6},
  };
  for (const auto& c : cases) {
    std::int16_t category = c.category;
    Variant counter = c.counter;
    if (c.name) {
      EXPECT_EQ(folders.NextFilename(category, counter), c.name);
    } else {
      EXPECT_EQ(errorOf([&] { folders.NextFilename(category, counter); }), c.error);
    }
    EXPECT_EQ(counter, c.counterAfter) << (c.name ? platform::toUtf8(c.name) : "fails");
  }
  EXPECT_TRUE(entries().empty());
}

}  // namespace

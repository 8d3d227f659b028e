#include <gtest/gtest.h>

#include "commandbars/reg_intfc.h"
#include "helpers/error_of.h"
#include "helpers/test_platform.h"
#include "helpers/variant_printer.h"
#include "support/reg_op.h"

using automation::Variant;
using testing_support::errorOf;
using testing_support::TestPlatform;

namespace {

class RegIntfcTest : public ::testing::Test {
 protected:
  Variant stored(std::int16_t hostKind, const wchar_t* name) {
    support::RegOp reg(env.platform());
    reg.Key(RegIntfc::ToolbarPlacementKey(hostKind));
    return reg.Value(name);
  }
  void store(const std::wstring& key, const wchar_t* name, const Variant& value) {
    support::RegOp reg(env.platform());
    reg.Key(key);
    reg.Value(name, value);
  }

  TestPlatform env;
};

TEST_F(RegIntfcTest, EachHostKindHasItsOwnKey) {
  EXPECT_EQ(RegIntfc::ToolbarPlacementKey(1), L"Software\\Palvantis\\LockfolioAddIn\\Word");
  EXPECT_EQ(RegIntfc::ToolbarPlacementKey(2), L"Software\\Palvantis\\LockfolioAddIn\\Excel");
  EXPECT_EQ(RegIntfc::ToolbarPlacementKey(3), L"Software\\Palvantis\\LockfolioAddIn\\PPT");
  EXPECT_EQ(RegIntfc::ToolbarPlacementKey(0), L"Software\\Palvantis\\LockfolioAddIn\\PPT");
}

TEST_F(RegIntfcTest, FirstReadWritesTheDefaultsOnce) {
  std::int32_t left = 9, row = 9, width = 9, position = 9;
  EXPECT_TRUE(RegIntfc::GetToolbarPlacement(env.platform(), 1, left, row, width, position));
  EXPECT_EQ(left, 0);
  EXPECT_EQ(row, 3);
  EXPECT_EQ(position, 1);
  EXPECT_EQ(width, 79);
  EXPECT_EQ(stored(1, L"Left"), Variant(std::int32_t{0}));
  EXPECT_EQ(stored(1, L"Index"), Variant(std::int32_t{3}));
  EXPECT_EQ(stored(1, L"Position"), Variant(std::int32_t{1}));
  EXPECT_EQ(stored(1, L"Width"), Variant(std::int32_t{79}));

  env.registry.writes = 0;
  RegIntfc::GetToolbarPlacement(env.platform(), 1, left, row, width, position);
  EXPECT_EQ(env.registry.writes, 0);  // nothing missing any more
}

TEST_F(RegIntfcTest, OnlyMissingValuesGetTheirDefault) {
  RegIntfc::SaveToolbarPlacement(env.platform(), 2, 120, 5, 200, 3);
  {
    support::RegOp reg(env.platform());
    reg.Key(RegIntfc::ToolbarPlacementKey(2));
    reg.DeleteValue(L"Left");
  }
  store(RegIntfc::ToolbarPlacementKey(2), L"Width", Variant(std::int32_t{-1}));  // a stored -1 is missing too
  env.registry.writes = 0;
  std::int32_t left, row, width, position;
  RegIntfc::GetToolbarPlacement(env.platform(), 2, left, row, width, position);
  EXPECT_EQ(left, 0);
  EXPECT_EQ(row, 5);
  EXPECT_EQ(position, 3);
  EXPECT_EQ(width, 79);
  EXPECT_EQ(env.registry.writes, 2);
  EXPECT_EQ(stored(2, L"Left"), Variant(std::int32_t{0}));
}

TEST_F(RegIntfcTest, SavedPlacementComesBackPerHost) {
  RegIntfc::SaveToolbarPlacement(env.platform(), 1, 40, 2, 100, 3);
  RegIntfc::SaveToolbarPlacement(env.platform(), 3, 7, 1, 90, 4);
  std::int32_t left, row, width, position;
  RegIntfc::GetToolbarPlacement(env.platform(), 1, left, row, width, position);
  EXPECT_EQ(std::make_tuple(left, row, width, position), std::make_tuple(40, 2, 100, 3));
  RegIntfc::GetToolbarPlacement(env.platform(), 3, left, row, width, position);
  EXPECT_EQ(std::make_tuple(left, row, width, position), std::make_tuple(7, 1, 90, 4));
  RegIntfc::GetToolbarPlacement(env.platform(), 2, left, row, width, position);
  EXPECT_EQ(std::make_tuple(left, row, width, position), std::make_tuple(0, 3, 79, 1));
}

TEST_F(RegIntfcTest, StoredTextConvertsAndTextThatIsNoNumberRaises) {
  store(RegIntfc::ToolbarPlacementKey(1), L"Left", Variant(L" 12"));
  std::int32_t left, row, width, position;
  RegIntfc::GetToolbarPlacement(env.platform(), 1, left, row, width, position);
  EXPECT_EQ(left, 12);
  {
    support::RegOp reg(env.platform());
    reg.Key(RegIntfc::ToolbarPlacementKey(1));
    reg.DeleteValue(L"Index");  // so that the text is stored as text
  }
  store(RegIntfc::ToolbarPlacementKey(1), L"Index", Variant(L"top"));
  EXPECT_EQ(errorOf([&] { RegIntfc::GetToolbarPlacement(env.platform(), 1, left, row, width, position); }), 13);
  EXPECT_EQ(stored(1, L"Index"), Variant(L"top"));  // nothing overwritten
}

TEST_F(RegIntfcTest, DefaultVaultFromPathOrHard) {
  struct Case {
    Variant path;  // empty: not stored
    Variant hard;
    bool expected;
    const wchar_t* decidingText;
  } cases[] = {
      {Variant(L"V:\\Vaults\\Main"), Variant(), true, L"V:\\Vaults\\Main"},
      {Variant(), Variant(std::int32_t{1}), true, L"1"},
      {Variant(), Variant(), false, L"-1"},
      {Variant(L""), Variant(L"2"), true, L"2"},
      {Variant(L"-1"), Variant(std::int32_t{-1}), false, L"-1"},
  };
  for (const auto& c : cases) {
    TestPlatform local;
    support::RegOp reg(local.platform());
    reg.Key(RegIntfc::kInstallKey);
    reg.Value(L"Path", c.path);
    reg.Value(L"Hard", c.hard);
    std::wstring text = L"stale";
    EXPECT_EQ(RegIntfc::IsDefaultVaultSet(local.platform(), text), c.expected);
    EXPECT_EQ(text, c.decidingText);
  }
}

TEST_F(RegIntfcTest, AHardThatIsEmptyOrNoNumberRaises) {
  for (const wchar_t* hard : {L"", L"yes"}) {
    TestPlatform local;
    support::RegOp reg(local.platform());
    reg.Key(RegIntfc::kInstallKey);
    reg.Value(L"Hard", Variant(hard));
    std::wstring text;
    EXPECT_EQ(errorOf([&] { RegIntfc::IsDefaultVaultSet(local.platform(), text); }), 13);
  }
}

TEST_F(RegIntfcTest, ReadingTheInstallKeyCreatesItEmptyAndWritesNothing) {
  std::wstring text;
  EXPECT_FALSE(RegIntfc::IsDefaultVaultSet(env.platform(), text));
  EXPECT_EQ(env.registry.writes, 0);
  support::RegOp reg(env.platform());
  reg.Key(RegIntfc::kInstallKey);
  EXPECT_EQ(reg.ValueCount(), 0);
}

}  // namespace

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

using Placement = std::tuple<std::int32_t, std::int32_t, std::int32_t, std::int32_t>;

class RegIntfcTest : public ::testing::Test {
 protected:
  Variant stored(std::int16_t hostKind, const wchar_t* name) { return reg(hostKind)->Value(name); }
  std::unique_ptr<support::RegOp> reg(std::int16_t hostKind, const std::wstring& key = L"") {
    auto reg = std::make_unique<support::RegOp>(env.platform());
    reg->Key(key.empty() ? RegIntfc::ToolbarPlacementKey(hostKind) : key);
    return reg;
  }
  // Left, row, width, position as GetToolbarPlacement reads them.
  Placement placement(std::int16_t hostKind) {
    std::int32_t left = 9, row = 9, width = 9, position = 9;
    RegIntfc::GetToolbarPlacement(env.platform(), hostKind, left, row, width, position);
    return {left, row, width, position};
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
  EXPECT_EQ(std::make_tuple(left, row, width, position), std::make_tuple(0, 3, 79, 1));
  EXPECT_EQ(stored(1, L"Left"), Variant(std::int32_t{0}));
  EXPECT_EQ(stored(1, L"Index"), Variant(std::int32_t{3}));
  EXPECT_EQ(stored(1, L"Position"), Variant(std::int32_t{1}));
  EXPECT_EQ(stored(1, L"Width"), Variant(std::int32_t{79}));

  env.registry.writes = 0;
  placement(1);
  EXPECT_EQ(env.registry.writes, 0);  // nothing missing any more
}

TEST_F(RegIntfcTest, OnlyMissingValuesGetTheirDefault) {
  RegIntfc::SaveToolbarPlacement(env.platform(), 2, 120, 5, 200, 3);
  reg(2)->DeleteValue(L"Left");
  reg(2)->Value(L"Width", Variant(std::int32_t{-1}));  // a stored -1 is missing too
  env.registry.writes = 0;
  EXPECT_EQ(placement(2), Placement(0, 5, 79, 3));
  EXPECT_EQ(env.registry.writes, 2);
  EXPECT_EQ(stored(2, L"Left"), Variant(std::int32_t{0}));
}

TEST_F(RegIntfcTest, SavedPlacementComesBackPerHost) {
  RegIntfc::SaveToolbarPlacement(env.platform(), 1, 40, 2, 100, 3);
  RegIntfc::SaveToolbarPlacement(env.platform(), 3, 7, 1, 90, 4);
  EXPECT_EQ(placement(1), Placement(40, 2, 100, 3));
  EXPECT_EQ(placement(3), Placement(7, 1, 90, 4));
  EXPECT_EQ(placement(2), Placement(0, 3, 79, 1));
}

TEST_F(RegIntfcTest, StoredTextConvertsAndTextThatIsNoNumberRaises) {
  reg(1)->Value(L"Left", Variant(L" 12"));
  EXPECT_EQ(std::get<0>(placement(1)), 12);
  reg(1)->DeleteValue(L"Index");  // so that the text is stored as text
  reg(1)->Value(L"Index", Variant(L"top"));
  EXPECT_EQ(errorOf([&] { placement(1); }), 13);
  EXPECT_EQ(stored(1, L"Index"), Variant(L"top"));  // nothing overwritten
}

TEST_F(RegIntfcTest, DefaultVaultFromPathOrHardAndAHardThatIsEmptyOrNoNumberRaises) {
  struct Case {
    Variant path;  // empty: not stored
    Variant hard;
    bool expected;
    const wchar_t* decidingText;
    std::int32_t error = 0;
  } cases[] = {
      {Variant(L"V:\\Vaults\\Main"), Variant(), true, L"V:\\Vaults\\Main"},
      {Variant(), Variant(std::int32_t{1}), true, L"1"},
      {Variant(), Variant(), false, L"-1"},
      {Variant(L""), Variant(L"2"), true, L"2"},
      {Variant(L"-1"), Variant(std::int32_t{-1}), false, L"-1"},
      {Variant(), Variant(L""), false, L"", 13},
      {Variant(), Variant(L"yes"), false, L"yes", 13},
  };
  for (const auto& c : cases) {
    TestPlatform local;
    support::RegOp reg(local.platform());
    reg.Key(RegIntfc::kInstallKey);
    reg.Value(L"Path", c.path);
    reg.Value(L"Hard", c.hard);
    std::wstring text = L"stale";
    bool set = !c.expected && c.error == 0;  // a failing call leaves it as it was
    EXPECT_EQ(errorOf([&] { set = RegIntfc::IsDefaultVaultSet(local.platform(), text); }), c.error);
    EXPECT_EQ(set, c.expected);
    EXPECT_EQ(text, c.decidingText);
  }
}

TEST_F(RegIntfcTest, ReadingTheInstallKeyCreatesItEmptyAndWritesNothing) {
  std::wstring text;
  EXPECT_FALSE(RegIntfc::IsDefaultVaultSet(env.platform(), text));
  EXPECT_EQ(env.registry.writes, 0);
  EXPECT_EQ(reg(0, RegIntfc::kInstallKey)->ValueCount(), 0);
}

}  // namespace

#include <gtest/gtest.h>

#include "automation/variant.h"
#include "helpers/error_of.h"
#include "helpers/variant_printer.h"
#include "platform/text.h"

using automation::Variant;
using testing_support::errorOf;

namespace {

TEST(VariantTest, ConvertsToIntegersWithRoundingHalfToEven) {
  struct Case {
    Variant value;
    std::int32_t expected;
  } cases[] = {
      {Variant(2.5), 2},           {Variant(3.5), 4},          {Variant(-2.5), -2},
      {Variant(L" 42 "), 42},      {Variant(L"&H10"), 16},     {Variant(L"&HFFFF"), -1},
      {Variant(L"1e3"), 1000},     {Variant(true), -1},        {Variant(), 0},
      {Variant(std::int16_t{-7}), -7}, {Variant(L"-12.5"), -12}, {Variant(L"&O17"), 15},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.value.toInt32(), c.expected) << platform::toUtf8(c.value.isString() ? c.value.toString() : L"");
  }
}

TEST(VariantTest, RaisesOverflowAndTypeMismatchAsAutomationDoes) {
  struct Case {
    Variant value;
    bool int16;
    std::int32_t error;
  } cases[] = {
      {Variant(std::int32_t{40000}), true, 6},
      {Variant(32767.5), true, 6},  // rounds to 32768
      {Variant(L"abc"), false, 13},
      {Variant(L""), false, 13},
      {Variant(L"12abc"), false, 13},
      {Variant(L"1e"), false, 13},
      {Variant(3e10), false, 6},
      {Variant(automation::VariantArray{}), false, 13},
      {Variant::null(), false, 94},
  };
  for (const auto& c : cases) {
    const auto error = errorOf([&] {
      if (c.int16) c.value.toInt16();
      else c.value.toInt32();
    });
    EXPECT_EQ(error, c.error);
  }
  EXPECT_EQ(Variant(32767.4).toInt16(), 32767);
  EXPECT_EQ(Variant(std::int32_t{-32768}).toInt16(), -32768);
}

TEST(VariantTest, FormatsTextTheAutomationWay) {
  struct Case {
    Variant value;
    const wchar_t* expected;
  } cases[] = {
      {Variant(std::int32_t{5}), L"5"},  {Variant(std::int16_t{-1}), L"-1"}, {Variant(1.5), L"1.5"},
      {Variant(0.1 + 0.2), L"0.3"},      {Variant(1e20), L"1E+20"},          {Variant(0.000015), L"1.5E-05"},
      {Variant(123456789012345.0), L"123456789012345"}, {Variant(true), L"True"}, {Variant(false), L"False"},
      {Variant(), L""},                  {Variant(-0.5), L"-0.5"},           {Variant(100.0), L"100"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.value.toString(), c.expected);
}

TEST(VariantTest, ConvertsToDoubleAndBool) {
  EXPECT_DOUBLE_EQ(Variant(L"-1").toDouble(), -1);
  EXPECT_DOUBLE_EQ(Variant(L"  2.25").toDouble(), 2.25);
  EXPECT_TRUE(Variant(L"True").toBool());
  EXPECT_FALSE(Variant(L"0").toBool());
  EXPECT_TRUE(Variant(std::int32_t{3}).toBool());
  EXPECT_EQ(errorOf([] { Variant(L"yes").toBool(); }), 13);
}

TEST(VariantTest, ComparesTypeAndValue) {
  EXPECT_EQ(Variant(std::int32_t{1}), Variant(std::int32_t{1}));
  EXPECT_NE(Variant(std::int32_t{1}), Variant(std::int16_t{1}));
  EXPECT_EQ(Variant(automation::VariantArray{Variant(L"a")}), Variant(automation::VariantArray{Variant(L"a")}));
  EXPECT_NE(Variant(), Variant::null());
}

}  // namespace

#include <gtest/gtest.h>

#include <functional>

#include "helpers/error_of.h"
#include "helpers/test_platform.h"
#include "helpers/variant_printer.h"
#include "platform/text.h"
#include "support/reg_op.h"

using automation::Variant;
using automation::VariantArray;
using support::RegOp;
using testing_support::TestPlatform;

namespace {

const wchar_t kKey[] = L"Software\\Palvantis\\Test";

class RegOpTest : public ::testing::Test {
 protected:
  // The test's key, or `below` it.
  std::unique_ptr<RegOp> open(std::int32_t options = 0, const std::wstring& below = L"") {
    auto reg = std::make_unique<RegOp>(env.platform());
    reg->Root(platform::kHkeyCurrentUser);
    reg->Key(kKey + below);
    reg->Options(options);
    return reg;
  }
  // Reads a value straight from the registry, bypassing RegOp.
  bool raw(const std::wstring& name, std::uint32_t& type, std::vector<std::uint8_t>& data) {
    std::unique_ptr<platform::RegistryKey> key;
    env.hive.createKey(platform::kHkeyCurrentUser, kKey, platform::kKeyRead, key);
    return key->queryValue(name, type, &data) == platform::kErrorSuccess;
  }
  void put(const std::wstring& name, std::uint32_t type, std::vector<std::uint8_t> data) {
    std::unique_ptr<platform::RegistryKey> key;
    env.hive.createKey(platform::kHkeyCurrentUser, kKey, platform::kKeyWrite, key);
    key->setValue(name, type, data);
  }
  std::uint32_t typeOf(const std::wstring& name) {
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    return raw(name, type, data) ? type : 0xFFFFFFFF;
  }

  TestPlatform env;
};

TEST_F(RegOpTest, ReadingFromAMissingKeyCreatesItAndGivesMinusOne) {
  EXPECT_EQ(open()->Value(L"Left"), Variant(std::int16_t{-1}));
  std::unique_ptr<platform::RegistryKey> key;
  ASSERT_EQ(env.hive.createKey(platform::kHkeyCurrentUser, L"Software\\Palvantis", platform::kKeyRead, key), 0);
  std::wstring name;
  EXPECT_EQ(key->enumSubKey(0, name), 0);
  EXPECT_EQ(name, L"Test");
}

TEST_F(RegOpTest, FourReadsOfOneKeyCostOneEnumerationAndAWriteIsSeenByTheNextRead) {
  for (const wchar_t* name : {L"Left", L"Index", L"Position", L"Width"}) open()->Value(name, Variant(std::int32_t{7}));
  env.registry.opens = env.registry.valueEnumerations = 0;
  auto reg = open();
  for (const wchar_t* name : {L"Index", L"Left", L"Position", L"Width"}) {
    EXPECT_EQ(reg->Value(name), Variant(std::int32_t{7}));
  }
  EXPECT_EQ(reg->Value(L"LEFT"), Variant(std::int32_t{7}));  // names match whatever their case
  EXPECT_EQ(env.registry.opens, 1);
  EXPECT_EQ(env.registry.valueEnumerations, 4);  // one pass over the four values
  reg->Value(L"Left", Variant(std::int32_t{2}));
  reg->Value(L"Top", Variant(std::int32_t{3}));
  EXPECT_EQ(reg->Value(L"Left"), Variant(std::int32_t{2}));
  EXPECT_EQ(reg->Value(L"Top"), Variant(std::int32_t{3}));
  EXPECT_EQ(reg->ValueCount(), 5);
}

TEST_F(RegOpTest, WritingNewValuesTakesTheTypeFromTheVariant) {
  struct Case {
    const wchar_t* name;
    Variant value;
    std::uint32_t type;
    Variant readBack;
  } cases[] = {
      {L"Int32", Variant(std::int32_t{-5}), platform::kRegDword, Variant(std::int32_t{-5})},
      {L"Int16", Variant(std::int16_t{12}), platform::kRegDword, Variant(std::int32_t{12})},
      {L"Text", Variant(L"hello"), platform::kRegSz, Variant(L"hello")},
      {L"Double", Variant(1.5), platform::kRegSz, Variant(L"1.5")},
      {L"Bool", Variant(true), platform::kRegSz, Variant(L"True")},
      {L"List", Variant(VariantArray{Variant(L"a"), Variant(std::int32_t{2})}), platform::kRegMultiSz,
       Variant(std::wstring(L"a\0" L"2", 3))},
  };
  for (const auto& c : cases) {
    open()->Value(c.name, c.value);
    EXPECT_EQ(typeOf(c.name), c.type) << platform::toUtf8(c.name);
    EXPECT_EQ(open()->Value(c.name), c.readBack) << platform::toUtf8(c.name);
  }
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  ASSERT_TRUE(raw(L"List", type, data));
  EXPECT_EQ(data, platform::toUtf16Bytes(std::wstring(L"a\0" L"2", 3), 2));
}

TEST_F(RegOpTest, AnExistingValueKeepsItsTypeOrRefusesTheValue) {
  put(L"Number", platform::kRegDword, {1, 0, 0, 0});
  put(L"Text", platform::kRegSz, platform::toUtf16Bytes(L"x", 1));
  open()->Value(L"Number", Variant(L"123"));
  open()->Value(L"Text", Variant(std::int32_t{5}));
  EXPECT_EQ(typeOf(L"Number"), platform::kRegDword);
  EXPECT_EQ(open()->Value(L"Number"), Variant(std::int32_t{123}));
  EXPECT_EQ(typeOf(L"Text"), platform::kRegSz);
  EXPECT_EQ(open()->Value(L"Text"), Variant(L"5"));
  // Text that is no number cannot go into a dword, and nothing is written.
  EXPECT_EQ(testing_support::errorOf([&] { open()->Value(L"Number", Variant(L"abc")); }), 13);
  EXPECT_EQ(open()->Value(L"Number"), Variant(std::int32_t{123}));
}

TEST_F(RegOpTest, EnvironmentReferencesMakeExpandableText) {
  env.environment.set(L"WINDIR", L"C:\\WINDOWS");
  struct Case {
    const wchar_t* text;
    std::uint32_t type;
  } cases[] = {
      {L"%WINDIR%\\Temp", platform::kRegExpandSz},
      {L"%windir%\\Temp", platform::kRegExpandSz},  // variable names ignore case
      {L"100% sure", platform::kRegSz},
      {L"%UNDEFINED_VARIABLE%", platform::kRegSz},
      {L"%%", platform::kRegSz},
  };
  for (const auto& c : cases) {
    open()->Value(L"Path", Variant(std::wstring(c.text)));
    // A REG_SZ/REG_EXPAND_SZ value stays text: the type is chosen anew at every write.
    EXPECT_EQ(typeOf(L"Path"), c.type) << platform::toUtf8(c.text);
  }
  open()->Value(L"Path", Variant(L"%WINDIR%\\Temp"));
  EXPECT_EQ(open()->Value(L"Path"), Variant(L"%WINDIR%\\Temp"));
  EXPECT_EQ(open(RegOp::kOptionExpand)->Value(L"Path"), Variant(L"C:\\WINDOWS\\Temp"));
  open()->Value(L"Path", Variant(L"%windir%\\Temp"));
  EXPECT_EQ(open(RegOp::kOptionExpand)->Value(L"Path"), Variant(L"C:\\WINDOWS\\Temp"));
}

TEST_F(RegOpTest, ProcessDriveEntriesNameNoVariable) {
  env.environment = platform::posix::FixedEnvironment({L"=C:=C:\\Work", L"PATH=x"});
  open()->Value(L"Odd", Variant(L"50%% off"));
  EXPECT_EQ(typeOf(L"Odd"), platform::kRegSz);
}

TEST_F(RegOpTest, UnsupportedTypesReadAsATextAndAreNeverOverwritten) {
  put(L"Blob", platform::kRegBinary, {1, 2, 3});
  EXPECT_EQ(open()->Value(L"Blob"), Variant(L"(unsupported data format)"));
  open()->Value(L"Blob", Variant(L"new"));
  EXPECT_EQ(typeOf(L"Blob"), platform::kRegBinary);
  EXPECT_TRUE(env.ui.boxes.empty());

  open(RegOp::kOptionShowErrors)->Value(L"Blob", Variant(L"new"));
  ASSERT_EQ(env.ui.boxes.size(), 1u);
  EXPECT_EQ(env.ui.boxes[0].text, L"Existing value has unsupported data type and will not be overwritten");
  EXPECT_EQ(env.ui.boxes[0].title, L"Registry Error");
  EXPECT_EQ(env.ui.boxes[0].flags, 0x30u);
}

TEST_F(RegOpTest, FailuresAreSilentWithoutOptionBitEight) {
  RegOp silent(env.platform());
  EXPECT_EQ(silent.Value(L"x"), Variant(std::int16_t{-1}));
  silent.Value(L"x", Variant(std::int32_t{1}));
  EXPECT_FALSE(silent.DeleteKey());
  EXPECT_EQ(silent.ValueCount(), 0);
  EXPECT_TRUE(env.ui.boxes.empty());

  RegOp loud(env.platform());
  loud.Options(RegOp::kOptionShowErrors);
  loud.Value(L"x");
  ASSERT_EQ(env.ui.boxes.size(), 1u);
  EXPECT_EQ(env.ui.boxes[0].text, L"No Key name specified!");

  // An unknown root, and a path that starts with a backslash (which Windows refuses), open nothing:
  // a write goes nowhere, not to the root, and reads give -1.
  struct Unopenable {
    std::int32_t root;
    const wchar_t* path;
  } unopenable[] = {{0x12345, kKey}, {platform::kHkeyCurrentUser, L"\\"}, {platform::kHkeyCurrentUser, L"\\Software"}};
  for (const auto& c : unopenable) {
    RegOp reg(env.platform());
    reg.Options(RegOp::kOptionShowErrors);
    reg.Root(c.root);
    reg.Key(c.path);
    reg.Value(L"x", Variant(L"lost?"));
    EXPECT_EQ(reg.Value(L"x"), Variant(std::int16_t{-1})) << platform::toUtf8(c.path);
    EXPECT_EQ(env.ui.boxes.back().text, L"Could not open Registry Key!");
  }
  std::unique_ptr<platform::RegistryKey> root;
  ASSERT_EQ(env.hive.createKey(platform::kHkeyCurrentUser, L"", platform::kKeyRead, root), 0);
  platform::RegistryKeyInfo info;
  root->queryInfo(info);
  EXPECT_EQ(info.valueCount, 0u);
}

TEST_F(RegOpTest, AFailedReopenLeavesNoValuesOfThePreviousKey) {
  const std::function<void(RegOp&)> reopens[] = {
      [](RegOp& reg) { reg.Root(0x12345); },
      [](RegOp& reg) { reg.Key(L"\\Elsewhere"); },
  };
  for (const auto& reopen : reopens) {
    auto reg = open();
    reg->Value(L"Left", Variant(std::int32_t{7}));
    ASSERT_EQ(reg->Value(L"Left"), Variant(std::int32_t{7}));  // the cache holds the key's values now
    reopen(*reg);
    EXPECT_EQ(reg->Value(L"Left"), Variant(std::int16_t{-1}));
    EXPECT_EQ(reg->ValueCount(), 0);
    EXPECT_TRUE(reg->AllValues().empty());
  }
}

TEST_F(RegOpTest, AnEmptyVariantChangesNothingAndOpensNothing) {
  open()->Value(L"x", Variant());
  EXPECT_EQ(env.registry.opens, 0);
}

TEST_F(RegOpTest, OptionsShapeReadsAndWrites) {
  // Multi-strings are cut at the first pair of NULs, as if read into a buffer filled with NUL: a
  // missing final terminator makes no empty last element.
  struct Multi {
    std::wstring stored;
    std::wstring text;
    VariantArray parts;
  } multis[] = {
      {std::wstring(L"one\0two\0\0junk\0", 14), std::wstring(L"one\0two", 7), {Variant(L"one"), Variant(L"two")}},
      {std::wstring(L"a\0b\0", 4), std::wstring(L"a\0b", 3), {Variant(L"a"), Variant(L"b")}},
      {std::wstring(L"a\0b", 3), std::wstring(L"a\0b", 3), {Variant(L"a"), Variant(L"b")}},
      {std::wstring(L"\0", 1), L"", {}},
  };
  for (const auto& m : multis) {
    put(L"Multi", platform::kRegMultiSz, platform::toUtf16Bytes(m.stored, 0));
    EXPECT_EQ(open()->Value(L"Multi"), Variant(m.text)) << m.stored.size();
    EXPECT_EQ(open(RegOp::kOptionMultiAsArray)->Value(L"Multi"), Variant(m.parts)) << m.stored.size();
  }

  open(RegOp::kOptionNumbersAsText)->Value(L"AsText", Variant(std::int32_t{42}));
  EXPECT_EQ(typeOf(L"AsText"), platform::kRegSz);

  open()->Value(L"", Variant(std::int32_t{7}));  // the default value is always text
  EXPECT_EQ(typeOf(L""), platform::kRegSz);

  auto reg = open(RegOp::kOptionMultiAsArray);
  reg->Options(99);  // out of range: ignored
  EXPECT_TRUE(reg->Value(L"Multi").isArray());
}

TEST_F(RegOpTest, ListsValuesAndSubkeysInEnumerationOrder) {
  auto reg = open();
  reg->Value(L"b", Variant(L"2"));
  reg->Value(L"a", Variant(std::int32_t{1}));
  const auto values = reg->AllValues();
  ASSERT_EQ(values.size(), 2u);
  EXPECT_EQ(values[0].first, L"b");
  EXPECT_EQ(values[1].second, Variant(std::int32_t{1}));

  open(0, L"\\Child1")->Value(L"x", Variant(L"y"));
  open(0, L"\\Child2")->ValueCount();
  EXPECT_EQ(open()->AllKeys(), (std::vector<std::wstring>{L"Child1", L"Child2"}));
  EXPECT_EQ(open()->KeyCount(), 2);
}

TEST_F(RegOpTest, DeletesValuesAndKeys) {
  auto reg = open();
  reg->Value(L"gone", Variant(L"x"));
  EXPECT_TRUE(reg->DeleteValue(L"gone"));
  EXPECT_FALSE(reg->DeleteValue(L"gone"));
  EXPECT_EQ(reg->Value(L"gone"), Variant(std::int16_t{-1}));

  open(0, L"\\Sub\\Deeper")->Value(L"v", Variant(L"x"));
  EXPECT_TRUE(open(0, L"\\Sub")->DeleteKey());  // with everything below it
  EXPECT_EQ(open()->KeyCount(), 0);

  // A key without a parent in its path is never deleted.
  reg->Value(L"still", Variant(L"here"));
  for (const wchar_t* path : {L"Software", L"Software\\", L"\\Software"}) {
    RegOp parentless(env.platform());
    parentless.Key(path);
    EXPECT_FALSE(parentless.DeleteKey()) << platform::toUtf8(path);
  }
  EXPECT_EQ(open()->Value(L"still"), Variant(L"here"));
}

TEST_F(RegOpTest, WithoutTheTreeDeleteOnlyAKeyWithoutSubkeysGoes) {
  env.registry.treeDelete = false;
  open(0, L"\\Sub\\Deeper")->ValueCount();
  EXPECT_FALSE(open(0, L"\\Sub")->DeleteKey());
  EXPECT_TRUE(open(0, L"\\Sub\\Deeper")->DeleteKey());
}

}  // namespace

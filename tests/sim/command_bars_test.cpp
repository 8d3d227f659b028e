// The command-bar rules of the simulated hosts that the add-in's own tests do not reach: where
// Controls.Add puts a control and what it refuses, what FindControl finds, how bars are placed and
// named, and what a deleted bar or control does afterwards.

#include <gtest/gtest.h>

#include "helpers/variant_printer.h"
#include "sim/bar_store.h"
#include "sim/command_bars.h"
#include "sim/host_errors.h"
#include "sim/test_machine.h"

namespace {

using namespace sim_testing;

constexpr std::int32_t kInvalidArgument = sim::host_errors::kInvalidArgument;
constexpr std::int32_t kGone = sim::host_errors::kDisconnected;

class CommandBarsTest : public ::testing::Test {
 protected:
  Object bars() { return app->self().get(L"CommandBars").toObject(); }
  Object addToolbar(const std::wstring& name) {
    return bars().call(L"Add", {Arg::named(L"Name", name), Arg::named(L"Position", std::int32_t{1})}).toObject();
  }
  std::vector<std::wstring> captions(const Object& bar) {
    std::vector<std::wstring> result;
    Object controls = bar.get(L"Controls").toObject();
    const std::int32_t count = controls.get(L"Count").toInt32();
    for (std::int32_t i = 1; i <= count; ++i) {
      result.push_back(controls.get(L"", {Variant(i)}).toObject().get(L"Caption").toString());
    }
    return result;
  }

  sim_testing::TestMachine machine;
  std::shared_ptr<sim::Application> app = machine.start(HostKind::Word);
};

TEST(BuiltInBarsTest, EachHostHasItsOwnMenuBarOfNineMenusAndTheTwoToolbars) {
  struct Case {
    HostKind host;
    std::wstring menuBar;
    std::vector<std::wstring> menus;
  } cases[] = {
      {HostKind::Word, L"Menu Bar",
       {L"&File", L"&Edit", L"&View", L"&Insert", L"F&ormat", L"&Tools", L"T&able", L"&Window", L"&Help"}},
      {HostKind::Excel, L"Worksheet Menu Bar",
       {L"&File", L"&Edit", L"&View", L"&Insert", L"F&ormat", L"&Tools", L"&Data", L"&Window", L"&Help"}},
      {HostKind::PowerPoint, L"Menu Bar",
       {L"&File", L"&Edit", L"&View", L"&Insert", L"F&ormat", L"&Tools", L"Sli&de Show", L"&Window", L"&Help"}},
  };
  for (const auto& c : cases) {
    sim_testing::TestMachine machine;
    auto app = machine.start(c.host);
    Object bars = app->self().get(L"CommandBars").toObject();
    Object menuBar = bars.get(L"ActiveMenuBar").toObject();
    ASSERT_TRUE(menuBar);
    EXPECT_EQ(menuBar.get(L"Name").toString(), c.menuBar);
    EXPECT_EQ(menuBar.get(L"Type").toInt32(), 1);  // msoBarTypeMenuBar
    std::vector<std::wstring> menus;
    for (const auto& control : app->menuBar()->controls()) {
      EXPECT_EQ(control->type(), sim::ControlType::Popup);
      menus.push_back(control->caption());
    }
    EXPECT_EQ(menus, c.menus) << sim::hostLabel(c.host);
    EXPECT_TRUE(app->commandBar(L"Standard"));
    EXPECT_TRUE(app->commandBar(L"Formatting"));
    EXPECT_EQ(bars.get(L"Count").toInt32(), 3);
  }
}

TEST_F(CommandBarsTest, ControlsAddPutsTheControlBeforeTheGivenPositionAndRefusesOthers) {
  struct Case {
    std::optional<std::int32_t> before;
    std::vector<std::wstring> expected;  // empty: refused, and nothing added
    std::int32_t type = 1;
  } cases[] = {
      {std::nullopt, {L"a", L"b", L"c", L"new"}},
      {1, {L"new", L"a", L"b", L"c"}},
      {2, {L"a", L"new", L"b", L"c"}},
      {3, {L"a", L"b", L"new", L"c"}},
      {4, {L"a", L"b", L"c", L"new"}},  // Count + 1: at the end
      {0, {}}, {-1, {}, 10}, {5, {}},   // Count + 2
  };
  int n = 0;
  for (const auto& c : cases) {
    Object bar = addToolbar(L"Bar " + std::to_wstring(++n));
    Object controls = bar.get(L"Controls").toObject();
    for (const wchar_t* caption : {L"a", L"b", L"c"}) controls.call(L"Add").toObject().put(L"Caption", caption);
    std::vector<Arg> args{Arg(c.type), Arg::missing(), Arg::missing()};
    if (c.before) args.push_back(Arg(*c.before));
    if (c.expected.empty()) {
      EXPECT_EQ(errorOf([&] { controls.call(L"Add", args); }), kInvalidArgument) << "Before " << *c.before;
      EXPECT_EQ(captions(bar), (std::vector<std::wstring>{L"a", L"b", L"c"})) << "a refused Add adds nothing";
      continue;
    }
    Object added = controls.call(L"Add", args).toObject();
    added.put(L"Caption", L"new");
    EXPECT_EQ(captions(bar), c.expected) << "Before " << (c.before ? *c.before : 0);
    EXPECT_EQ(added.get(L"Index").toInt32(),
              static_cast<std::int32_t>(std::find(c.expected.begin(), c.expected.end(), L"new") - c.expected.begin() + 1));
  }
}

TEST_F(CommandBarsTest, PopupsGetMenusOfTheirOwn) {
  Object bar = addToolbar(L"Target");
  Object controls = bar.get(L"Controls").toObject();
  Object popup = controls.call(L"Add", {Arg::named(L"Type", std::int32_t{10})}).toObject();
  EXPECT_EQ(popup.get(L"Type").toInt32(), 10);
  popup.put(L"Caption", L"&Vault");
  Object item = popup.get(L"Controls").toObject().call(L"Add", {Arg::named(L"Parameter", L"p")}).toObject();
  EXPECT_EQ(item.get(L"Parameter").toString(), L"p");
  EXPECT_EQ(item.get(L"Id").toInt32(), 1);
  EXPECT_FALSE(item.get(L"BuiltIn").toBool());
  EXPECT_EQ(popup.get(L"CommandBar").toObject().get(L"Name").toString(), L"Vault");
  EXPECT_EQ(popup.get(L"CommandBar").toObject().get(L"Type").toInt32(), 2);  // msoBarTypePopup
  EXPECT_EQ(errorOf([&] { item.get(L"Controls"); }), static_cast<std::int32_t>(0x80020006u)) << "a button has no menu";
}

TEST_F(CommandBarsTest, FindControlMatchesTypeAndTagAndLooksIntoPopupsOnlyWhenRecursive) {
  Object bar = addToolbar(L"Target");
  Object controls = bar.get(L"Controls").toObject();
  Object button = controls.call(L"Add").toObject();
  button.put(L"Tag", L"shared");
  Object popup = controls.call(L"Add", {Arg(std::int32_t{10})}).toObject();
  popup.put(L"Tag", L"menu");
  Object inner = popup.get(L"Controls").toObject().call(L"Add").toObject();
  inner.put(L"Tag", L"inner");
  Object hidden = controls.call(L"Add").toObject();
  hidden.put(L"Tag", L"hidden");
  hidden.put(L"Visible", false);

  auto find = [&](std::vector<Arg> args) { return bar.call(L"FindControl", std::move(args)).toObject(); };
  EXPECT_EQ(find({Arg::named(L"Tag", L"shared")}), button);
  EXPECT_EQ(find({Arg(std::int32_t{10}), Arg::named(L"Tag", L"menu")}), popup);
  EXPECT_FALSE(find({Arg(std::int32_t{1}), Arg::named(L"Tag", L"menu")})) << "the type must match too";
  EXPECT_FALSE(find({Arg::named(L"Tag", L"inner")})) << "not recursive: popups are not searched";
  EXPECT_EQ(find({Arg::named(L"Tag", L"inner"), Arg::named(L"Recursive", true)}), inner);
  EXPECT_FALSE(find({Arg::named(L"Tag", L"SHARED")})) << "tags match exactly";
  EXPECT_EQ(find({Arg::named(L"Tag", L"hidden")}), hidden);
  EXPECT_FALSE(find({Arg::named(L"Tag", L"hidden"), Arg::named(L"Visible", true)}));
}

TEST_F(CommandBarsTest, BarsAreFoundByNameWithoutRegardToCaseAndNamesAreUnique) {
  Object bar = addToolbar(L"Lockfolio");
  EXPECT_EQ(bars().get(L"", {Variant(L"LOCKFOLIO")}).toObject(), bar);
  EXPECT_EQ(bars().get(L"Item", {Variant(std::int32_t{4})}).toObject(), bar);
  EXPECT_EQ(bar.get(L"Index").toInt32(), 4);
  EXPECT_EQ(app->self().get(L"CommandBars", {Variant(L"lockfolio")}).toObject(), bar) << "app.CommandBars(name)";
  EXPECT_EQ(errorOf([&] { bars().get(L"", {Variant(L"Nope")}); }), kInvalidArgument);
  EXPECT_EQ(errorOf([&] { bars().get(L"", {Variant(std::int32_t{5})}); }), kInvalidArgument);
  EXPECT_EQ(errorOf([&] { addToolbar(L"lockFOLIO"); }), kInvalidArgument);
}

TEST_F(CommandBarsTest, ADockedBarGetsARowOfItsOwnAndTakesOnlyValidPositions) {
  Object bar = addToolbar(L"Docked");
  EXPECT_EQ(bar.get(L"Position").toInt32(), 1);
  EXPECT_EQ(bar.get(L"RowIndex").toInt32(), 4) << "after Menu Bar, Standard and Formatting";
  for (std::int32_t position : {0, 1, 2, 3, 4}) {
    bar.put(L"Position", position);
    EXPECT_EQ(bar.get(L"Position").toInt32(), position);
  }
  for (std::int32_t position : {-1, 5, 6}) {
    EXPECT_EQ(errorOf([&] { bar.put(L"Position", position); }), kInvalidArgument) << position;
  }
  bar.put(L"RowIndex", std::int32_t{7});
  bar.put(L"Left", std::int32_t{120});
  bar.put(L"Top", std::int32_t{30});
  EXPECT_EQ(bar.get(L"RowIndex").toInt32(), 7);
  EXPECT_EQ(bar.get(L"Left").toInt32(), 120);
  EXPECT_EQ(bar.get(L"Top").toInt32(), 30);
}

TEST_F(CommandBarsTest, WidthFollowsTheControlsAndOnlyAFloatingBarCanBeGivenOne) {
  Object bar = addToolbar(L"Lockfolio");
  Object controls = bar.get(L"Controls").toObject();
  for (int i = 0; i < 3; ++i) controls.call(L"Add").toObject().put(L"Style", std::int32_t{1});
  EXPECT_EQ(bar.get(L"Width").toInt32(), 79) << "three icon buttons, docked at the top";
  Object wide = controls.call(L"Add").toObject();
  wide.put(L"Caption", L"&Wide");
  wide.put(L"Style", std::int32_t{2});
  EXPECT_GT(bar.get(L"Width").toInt32(), 79 + 23);
  wide.put(L"Visible", false);
  EXPECT_EQ(bar.get(L"Width").toInt32(), 79) << "a hidden control takes no room";

  EXPECT_EQ(errorOf([&] { bar.put(L"Width", std::int32_t{300}); }), sim::host_errors::kFail);
  EXPECT_EQ(bar.get(L"Width").toInt32(), 79);
  bar.put(L"Position", std::int32_t{4});
  bar.put(L"Width", std::int32_t{300});
  EXPECT_EQ(bar.get(L"Width").toInt32(), 300);
  bar.put(L"Position", std::int32_t{2});
  EXPECT_EQ(bar.get(L"Width").toInt32(), 27) << "docked at the side: one button wide";
}

TEST_F(CommandBarsTest, ADeletedBarOrControlRaisesOnEveryMemberAfterwards) {
  Object bar = addToolbar(L"Doomed");
  Object controls = bar.get(L"Controls").toObject();
  Object button = controls.call(L"Add").toObject();
  Object popup = controls.call(L"Add", {Arg(std::int32_t{10})}).toObject();
  Object inner = popup.get(L"Controls").toObject().call(L"Add").toObject();

  button.call(L"Delete");
  EXPECT_EQ(errorOf([&] { button.get(L"Caption"); }), kGone);
  EXPECT_EQ(errorOf([&] { button.put(L"Enabled", true); }), kGone);
  EXPECT_EQ(errorOf([&] { button.call(L"Delete"); }), kGone);
  EXPECT_EQ(controls.get(L"Count").toInt32(), 1);

  bar.call(L"Delete");
  for (const Object& gone : {bar, popup, inner}) {
    EXPECT_EQ(errorOf([&] { gone.get(L"Index"); }), kGone);
  }
  EXPECT_EQ(errorOf([&] { controls.get(L"Count"); }), kGone) << "the collection of a deleted bar";
  EXPECT_EQ(errorOf([&] { bars().get(L"", {Variant(L"Doomed")}); }), kInvalidArgument);
}

}  // namespace

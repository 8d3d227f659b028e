// What survives the end of a host's run on the simulated machine: bars and non-temporary controls
// with the user's changes to them; what does not: temporary controls, event subscriptions, and the
// objects of the ended run.

#include <gtest/gtest.h>

#include "helpers/variant_printer.h"
#include "sim/host_errors.h"
#include "sim/test_machine.h"

namespace {

using namespace sim_testing;

struct Built {
  Object bar;
  Object kept;
  Object temporary;
  Object popup;
  Object temporaryInPopup;
};

// A toolbar with a non-temporary and a temporary button, and a non-temporary menu on the menu
// bar holding a temporary item: what the add-in builds.
Built build(sim::Application& app) {
  Object bars = app.self().get(L"CommandBars").toObject();
  Built built;
  built.bar = bars.call(L"Add", {Arg::named(L"Name", L"Lockfolio"), Arg::named(L"Position", std::int32_t{1})}).toObject();
  Object controls = built.bar.get(L"Controls").toObject();
  built.kept = controls.call(L"Add").toObject();
  built.kept.put(L"Tag", L"kept");
  built.temporary = controls.call(L"Add", {Arg::named(L"Temporary", true)}).toObject();
  built.temporary.put(L"Tag", L"temporary");
  Object menuBar = bars.get(L"ActiveMenuBar").toObject();
  built.popup = menuBar.get(L"Controls").toObject().call(L"Add", {Arg(std::int32_t{10}), Arg::missing(), Arg::missing(), Arg(std::int32_t{8})}).toObject();
  built.popup.put(L"Tag", L"Lockfolio");
  built.popup.put(L"Caption", L"&Lockfolio");
  built.temporaryInPopup =
      built.popup.get(L"Controls").toObject().call(L"Add", {Arg::named(L"Temporary", true)}).toObject();
  return built;
}

TEST(RestartTest, BarsAndNonTemporaryControlsSurviveTemporaryOnesDoNot) {
  for (const bool orderly : {true, false}) {
    sim_testing::TestMachine machine;
    auto first = machine.start(HostKind::Word);
    Built built = build(*first);
    if (orderly) {
      EXPECT_TRUE(first->quit());
    } else {
      first->terminate();
    }
    EXPECT_EQ(errorOf([&] { built.temporary.get(L"Tag"); }), sim::host_errors::kDisconnected);
    EXPECT_EQ(errorOf([&] { built.temporaryInPopup.get(L"Tag"); }), sim::host_errors::kDisconnected);

    auto second = machine.start(HostKind::Word);
    auto bar = second->commandBar(L"Lockfolio");
    ASSERT_TRUE(bar) << "quit: " << orderly;
    ASSERT_EQ(bar->controls().size(), 1u);
    EXPECT_EQ(bar->controls()[0]->tag(), L"kept");
    auto popup = second->menuBar()->controlByTag(L"Lockfolio");
    ASSERT_TRUE(popup);
    EXPECT_EQ(popup->index(), 8);
    EXPECT_TRUE(popup->controls().empty()) << "its temporary item went with the run";
    second->quit();
  }
}

TEST(RestartTest, TheUsersCustomisationIsKeptForItsHostAlone) {
  sim_testing::TestMachine machine;
  auto first = machine.start(HostKind::Word);
  Built built = build(*first);
  auto bar = first->commandBar(L"Lockfolio");
  bar->dragTo(3, 2, 140);  // the user drags it to the bottom, second row
  bar->rename(L"My Vault Bar");
  first->commandBar(L"Formatting")->controls()[1]->remove(false);  // drags Italic off the bar
  first->commandBar(L"Standard")->setVisible(false);
  EXPECT_EQ(sim_testing::errorOf([&] { first->menuBar()->rename(L"Menus"); }), sim::host_errors::kFail);
  EXPECT_EQ(sim_testing::errorOf([&] { bar->dragTo(6, 1, 0); }), sim::host_errors::kInvalidArgument);
  first->quit();

  auto second = machine.start(HostKind::Word);
  EXPECT_FALSE(second->commandBar(L"Lockfolio"));
  Object moved = second->self().get(L"CommandBars", {Variant(L"My Vault Bar")}).toObject();
  ASSERT_TRUE(moved);
  EXPECT_EQ(moved.get(L"Position").toInt32(), 3);
  EXPECT_EQ(moved.get(L"RowIndex").toInt32(), 2);
  EXPECT_EQ(moved.get(L"Left").toInt32(), 140);
  EXPECT_EQ(second->commandBar(L"Formatting")->controls().size(), 2u);
  EXPECT_FALSE(second->commandBar(L"Standard")->visible());
  EXPECT_TRUE(second->commandBar(L"Menu Bar")->visible());
  second->quit();
  // The hosts keep their bars apart.
  for (const HostKind other : {HostKind::Excel, HostKind::PowerPoint}) {
    auto app = machine.start(other);
    EXPECT_FALSE(app->commandBar(L"My Vault Bar")) << sim::hostLabel(other);
    app->quit();
  }
}

TEST(RestartTest, NoSubscriptionOutlivesTheRunAndTheRunsObjectsAreDead) {
  sim_testing::TestMachine machine;
  auto first = machine.start(HostKind::Word);
  Built built = build(*first);
  int clicks = 0;
  automation::Connection connection =
      built.kept.connect(L"_CommandBarButtonEvents", automation::EventHandler([&](auto, auto&) { ++clicks; }));
  Object bars = first->self().get(L"CommandBars").toObject();
  first->quit();
  EXPECT_EQ(errorOf([&] { first->self().get(L"Name"); }), sim::host_errors::kServerUnavailable);
  EXPECT_EQ(errorOf([&] { bars.get(L"Count"); }), sim::host_errors::kServerUnavailable);
  EXPECT_EQ(errorOf([&] { first->newDocument(); }), sim::host_errors::kServerUnavailable);

  auto second = machine.start(HostKind::Word);
  auto kept = second->commandBar(L"Lockfolio")->controlByTag(L"kept");
  second->commandBar(L"Lockfolio")->setVisible(true);
  ASSERT_TRUE(second->click(kept));
  EXPECT_EQ(clicks, 0) << "the handler connected in the first run is not called in the second";
}

TEST(RestartTest, TheVersionOfTheCurrentRunDecidesWhetherButtonsHavePictures) {
  sim_testing::TestMachine machine;
  auto xp = machine.start(HostKind::Word, L"10.0");
  Built built = build(*xp);
  EXPECT_FALSE(built.kept.get(L"Picture").toObject());
  xp->quit();
  auto old = machine.start(HostKind::Word, L"9.0");
  Object kept = old->self().get(L"CommandBars", {Variant(L"Lockfolio")}).toObject().get(L"Controls").toObject().get(
      L"", {Variant(std::int32_t{1})}).toObject();
  // Office 2000's type library does not know the names at all.
  EXPECT_EQ(errorOf([&] { kept.get(L"Picture"); }), static_cast<std::int32_t>(0x80020006u));
  EXPECT_EQ(errorOf([&] { kept.get(L"Mask"); }), static_cast<std::int32_t>(0x80020006u));
}

}  // namespace

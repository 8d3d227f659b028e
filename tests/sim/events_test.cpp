// How the simulated hosts deliver events and treat their add-ins: a failing handler is recorded
// and the host carries on; connection and disconnection in the order Office uses; clicks reach
// every button with the clicked one's tag, and only a control the user can reach can be clicked.

#include <gtest/gtest.h>

#include <stdexcept>

#include "helpers/variant_printer.h"
#include "sim/host_errors.h"
#include "sim/test_machine.h"

namespace {

using namespace sim_testing;

EventHandler throwing(std::function<void()> fail) {
  return EventHandler([fail](std::wstring_view, std::vector<Arg>&) { fail(); });
}

TEST(EventFailuresTest, AFailingHandlerIsRecordedAndTheHostAndTheOtherHandlersCarryOn) {
  struct Case {
    const char* what;
    std::function<void()> fail;
    std::int32_t number;
  } cases[] = {
      {"ComError", [] { throw ComError(91, L"Object variable or With block variable not set"); }, 91},
      {"other exception", [] { throw std::runtime_error("boom"); }, sim::host_errors::kFail},
  };
  for (const auto& c : cases) {
    sim_testing::TestMachine machine;
    auto word = machine.start(HostKind::Word);
    int reached = 0;
    Connection failing = word->self().connect(L"ApplicationEvents2", throwing(c.fail));
    Connection counting = word->self().connect(L"ApplicationEvents2", EventHandler([&](auto, auto&) { ++reached; }));
    auto document = word->newDocument();
    EXPECT_TRUE(document) << c.what;
    EXPECT_EQ(reached, 1) << "the next handler still ran";
    ASSERT_EQ(word->eventFailures().size(), 1u);
    EXPECT_EQ(word->eventFailures()[0].event, L"NewDocument");
    EXPECT_EQ(word->eventFailures()[0].error.number(), c.number);
    EXPECT_TRUE(word->closeDocument(document)) << "a failed close event does not cancel";
    EXPECT_EQ(word->eventFailures().size(), 2u);
    word->clearEventFailures();
    EXPECT_TRUE(word->eventFailures().empty());
  }
}

TEST(EventFailuresTest, ACancelThatIsNoBooleanIsRecordedAndTakenAsFalse) {
  sim_testing::TestMachine machine;
  auto excel = machine.start(HostKind::Excel);
  auto book = excel->newDocument();
  Connection events = excel->self().connect(L"AppEvents", EventHandler([](std::wstring_view event, auto& args) {
    if (event == L"WorkbookBeforeClose") args[1].ref() = Variant(L"perhaps");
  }));
  EXPECT_TRUE(excel->closeDocument(book));
  ASSERT_EQ(excel->eventFailures().size(), 1u);
  EXPECT_EQ(excel->eventFailures()[0].error.number(), 13);
}

TEST(EventFailuresTest, EachHostRaisesItsOwnEventsInterfaceOnly) {
  struct Case {
    HostKind host;
    const wchar_t* own;
    const wchar_t* foreign;
  } cases[] = {
      {HostKind::Word, L"ApplicationEvents2", L"AppEvents"},
      {HostKind::Excel, L"AppEvents", L"EApplication"},
      {HostKind::PowerPoint, L"EApplication", L"ApplicationEvents2"},
  };
  for (const auto& c : cases) {
    sim_testing::TestMachine machine;
    auto app = machine.start(c.host);
    EXPECT_EQ(errorOf([&] { app->self().connect(c.own, EventHandler([](auto, auto&) {})); }), 0);
    EXPECT_EQ(errorOf([&] { app->self().connect(c.foreign, EventHandler([](auto, auto&) {})); }),
              automation::dispatch_errors::kNoConnection);
  }
}

TEST(TypedInterfaceTest, AnApplicationOffersItsOwnHostsInterfaceWhateverItsName) {
  struct Case {
    HostKind host;
    std::wstring name;
    bool word, excel, powerPoint;
  } cases[] = {
      {HostKind::Word, L"Microsoft Word", true, false, false},
      {HostKind::Word, L"microsoft word", true, false, false},
      {HostKind::Excel, L"Microsoft Word", false, true, false},
      {HostKind::PowerPoint, L"Microsoft PowerPoint ", false, false, true},
  };
  for (const auto& c : cases) {
    sim_testing::TestMachine machine;
    sim::HostOptions options;
    options.kind = c.host;
    options.name = c.name;
    auto app = sim::Application::start(*machine.machine, options);
    const Object object = app->self();
    EXPECT_EQ(object.get(L"").toString(), c.name);
    EXPECT_EQ(object.implements(L"Word._Application"), c.word);
    EXPECT_EQ(object.implements(L"Excel._Application"), c.excel);
    EXPECT_EQ(object.implements(L"PowerPoint._Application"), c.powerPoint);
  }
}

TEST(KeystrokeTest, CtrlKeysActAndOtherKeysDoNot) {
  sim_testing::TestMachine machine;
  auto word = machine.start(HostKind::Word);
  EXPECT_FALSE(word->pressKeys(L"o%o+o"));
  EXPECT_TRUE(machine.machine->user().shownDialogs().empty());
  EXPECT_TRUE(word->pressKeys(L"^n^N"));
  EXPECT_EQ(word->documents().size(), 2u);
  EXPECT_TRUE(word->pressKeys(L"^{o}"));
  EXPECT_EQ(machine.machine->user().lastDialog()->request.source, L"Ctrl+O");
  EXPECT_EQ(errorOf([&] { word->pressKeys(L"^"); }), 5);
}

class AddInConnectionTest : public ::testing::Test {
 protected:
  sim_testing::TestMachine machine;
  sim_testing::RecordingAddIn addIn;
};

TEST_F(AddInConnectionTest, ConnectionGivesTheApplicationAndTheAddInInstance) {
  auto ppt = machine.start(HostKind::PowerPoint);
  ASSERT_TRUE(ppt->connectAddIn(addIn, sim::kConnectStartup));
  EXPECT_EQ(addIn.calls, (std::vector<std::wstring>{L"OnConnection(1)", L"OnStartupComplete"}));
  EXPECT_EQ(addIn.application.get(L"").toString(), L"Microsoft PowerPoint");
  EXPECT_EQ(addIn.addInInst.get(L"ProgId").toString(), L"LockfolioAddIn.Connect");
  EXPECT_TRUE(addIn.addInInst.get(L"Connect").toBool());
  EXPECT_EQ(addIn.addInInst.get(L"Application").toObject(), ppt->self());
  EXPECT_TRUE(ppt->isConnected(addIn));

  EXPECT_TRUE(ppt->disconnectAddIn(sim::kDisconnectUserClosed));
  EXPECT_EQ(addIn.calls.back(), L"OnDisconnection(1)");
  EXPECT_FALSE(addIn.addInInst.get(L"Connect").toBool());
  EXPECT_FALSE(ppt->disconnectAddIn(sim::kDisconnectUserClosed)) << "nothing connected any more";
  EXPECT_TRUE(ppt->connectAddIn(addIn, sim::kConnectAfterStartup));
  EXPECT_EQ(addIn.calls.back(), L"OnConnection(0)");
}

TEST_F(AddInConnectionTest, AFailedConnectionIsRecordedAndTheAddInIsNotCalledAgain) {
  auto word = machine.start(HostKind::Word);
  addIn.failIn = {L"OnConnection"};
  EXPECT_FALSE(word->connectAddIn(addIn, sim::kConnectStartup));
  EXPECT_FALSE(word->isConnected(addIn));
  ASSERT_EQ(word->eventFailures().size(), 1u);
  EXPECT_EQ(word->eventFailures()[0].event, L"OnConnection");
  EXPECT_EQ(word->eventFailures()[0].error.number(), static_cast<std::int32_t>(0x800A0009u));
  EXPECT_TRUE(word->quit());
  EXPECT_EQ(addIn.calls, std::vector<std::wstring>{L"OnConnection(1)"});
}

TEST_F(AddInConnectionTest, QuitClosesTheDocumentsThenDisconnectsAndACancelledCloseStopsIt) {
  auto word = machine.start(HostKind::Word);
  addIn.failIn = {L"OnDisconnection"};
  word->connectAddIn(addIn, sim::kConnectStartup);
  auto document = word->newDocument();
  bool refuse = true;
  Connection events = word->self().connect(
      L"ApplicationEvents2", EventHandler([&](std::wstring_view event, std::vector<Arg>& args) {
        if (event != L"DocumentBeforeClose") return;
        addIn.calls.push_back(L"DocumentBeforeClose");
        args[1].ref() = Variant(refuse);
      }));

  EXPECT_FALSE(word->quit());
  EXPECT_TRUE(word->running());
  EXPECT_TRUE(word->isConnected(addIn));

  refuse = false;
  EXPECT_TRUE(word->quit());
  EXPECT_FALSE(word->running());
  EXPECT_EQ(addIn.calls, (std::vector<std::wstring>{L"OnConnection(1)", L"OnStartupComplete", L"DocumentBeforeClose",
                                                    L"DocumentBeforeClose", L"OnBeginShutdown", L"OnDisconnection(0)"}));
  ASSERT_EQ(word->eventFailures().size(), 1u);
  EXPECT_EQ(word->eventFailures()[0].event, L"OnDisconnection");
  EXPECT_EQ(errorOf([&] { addIn.addInInst.get(L"ProgId"); }), sim::host_errors::kServerUnavailable);
}

TEST_F(AddInConnectionTest, TerminateCallsNothing) {
  auto excel = machine.start(HostKind::Excel);
  excel->connectAddIn(addIn, sim::kConnectAfterStartup);
  excel->newDocument();
  excel->terminate();
  EXPECT_EQ(addIn.calls, std::vector<std::wstring>{L"OnConnection(0)"});
  EXPECT_EQ(errorOf([&] { excel->quit(); }), sim::host_errors::kServerUnavailable);
}

class ClickTest : public ::testing::Test {
 protected:
  ClickTest() {
    Object bars = word->self().get(L"CommandBars").toObject();
    toolbar = bars.call(L"Add", {Arg::named(L"Name", L"Lockfolio"), Arg::named(L"Position", std::int32_t{1})})
                  .toObject();
    toolbar.put(L"Visible", true);
    button = addButton(toolbar, L"tbOpen");
    Object menuBar = bars.get(L"ActiveMenuBar").toObject();
    menu = menuBar.get(L"Controls").toObject().call(L"Add", {Arg(std::int32_t{10})}).toObject();
    item = addButton(menu, L"mOpen");
  }
  Object addButton(const Object& parent, const std::wstring& tag) {
    Object control = parent.get(L"Controls").toObject().call(L"Add", {Arg::named(L"Temporary", true)}).toObject();
    control.put(L"Tag", tag);
    return control;
  }
  Connection count(const Object& control, std::vector<std::wstring>& log, const std::wstring& name,
                   bool cancel = false) {
    return control.connect(L"_CommandBarButtonEvents",
                           EventHandler([&log, name, cancel, control](std::wstring_view event, std::vector<Arg>& args) {
                             log.push_back(name + L":" + std::wstring(event) + L":" +
                                           args[0].value().toObject().get(L"Tag").toString());
                             EXPECT_TRUE(args[1].isByRef());
                             if (cancel) args[1].ref() = Variant(true);
                           }));
  }

  sim_testing::TestMachine machine;
  std::shared_ptr<sim::Application> word = machine.start(HostKind::Word);
  Object toolbar, button, menu, item;
};

TEST_F(ClickTest, AClickReachesTheButtonAndEveryOtherButtonWithItsTag) {
  std::vector<std::wstring> log;
  Object twin = addButton(toolbar, L"tbOpen");
  Object stranger = addButton(toolbar, L"tbSave");
  Connection a = count(button, log, L"button");
  Connection b = count(twin, log, L"twin");
  Connection c = count(stranger, log, L"stranger");
  Connection d = count(item, log, L"item");
  auto outcome = word->click(button);
  EXPECT_TRUE(outcome.clicked);
  EXPECT_FALSE(outcome.cancelDefault);
  EXPECT_EQ(log, (std::vector<std::wstring>{L"button:Click:tbOpen", L"twin:Click:tbOpen"}));
  log.clear();
  EXPECT_TRUE(word->click(item));
  EXPECT_EQ(log, std::vector<std::wstring>{L"item:Click:mOpen"});
}

TEST_F(ClickTest, OnlyAControlTheUserCanReachCanBeClicked) {
  std::vector<std::wstring> log;
  Connection a = count(button, log, L"button");
  Connection b = count(item, log, L"item");
  struct Case {
    const char* what;
    std::function<void()> change;
    std::function<void()> undo;
    Object* target;
  } cases[] = {
      {"disabled button", [&] { button.put(L"Enabled", false); }, [&] { button.put(L"Enabled", true); }, &button},
      {"hidden button", [&] { button.put(L"Visible", false); }, [&] { button.put(L"Visible", true); }, &button},
      {"hidden toolbar", [&] { toolbar.put(L"Visible", false); }, [&] { toolbar.put(L"Visible", true); }, &button},
      {"disabled menu", [&] { menu.put(L"Enabled", false); }, [&] { menu.put(L"Enabled", true); }, &item},
      {"disabled item", [&] { item.put(L"Enabled", false); }, [&] { item.put(L"Enabled", true); }, &item},
  };
  for (auto& c : cases) {
    c.change();
    EXPECT_FALSE(word->click(*c.target)) << c.what;
    c.undo();
    EXPECT_TRUE(word->click(*c.target)) << c.what;
  }
  EXPECT_EQ(log.size(), 5u) << "only the clicks that happened";
  button.call(L"Delete");
  EXPECT_FALSE(word->click(button)) << "a deleted button";
  EXPECT_FALSE(word->click(Object())) << "Nothing";
}

TEST_F(ClickTest, AFailingClickHandlerIsRecorded) {
  Connection failing = button.connect(L"_CommandBarButtonEvents", throwing([] { throw ComError(5, L"x"); }));
  EXPECT_TRUE(word->click(button));
  ASSERT_EQ(word->eventFailures().size(), 1u);
  EXPECT_EQ(word->eventFailures()[0].event, L"Click");
  EXPECT_EQ(errorOf([&] { menu.connect(L"_CommandBarButtonEvents", EventHandler([](auto, auto&) {})); }),
            automation::dispatch_errors::kNoConnection)
      << "a popup raises no Click";
}

}  // namespace

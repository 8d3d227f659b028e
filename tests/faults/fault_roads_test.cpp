// Every road the add-in takes, with each of its outside calls failing in turn: once (a transient
// refusal) and from that call on (the object or service gone). After each run one check: nothing
// crashed or escaped, nothing leaked, the host is still usable, nothing the user stored is lost,
// and the failure was reported as it should be.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <functional>
#include <set>

#include "addin/cls_res_str.h"
#include "addin/messages.h"
#include "commandbars/reg_intfc.h"
#include "helpers/office_fixture.h"
#include "platform/text.h"
#include "ribbon/custom_ui.h"
#include "sim/fault_injection.h"
#include "support/cls_session_folder.h"
#include "support/restrictions.h"

namespace {

using namespace sim::faults;
using sim::HostKind;
using Placement = std::tuple<std::int32_t, std::int32_t, std::int32_t, std::int32_t>;

const wchar_t kDocuments[] = L"C:\\Users\\User\\Documents";
const Placement kDefaults{0, 3, 79, 1};
const std::int16_t kKinds[] = {1, 2, 3};
Placement seeded(std::int16_t kind) { return {20 * kind, kind, 100 + kind, 1}; }

// One host with the add-in loaded through a fault plan.
struct World {
  World(HostKind host, const std::wstring& version)
      : plan(std::make_shared<FaultPlan>(host)), platform(office.env.platform(), plan), objects(office.objects, plan) {
    for (std::int16_t kind : kKinds) {
      auto [left, row, width, position] = seeded(kind);
      RegIntfc::SaveToolbarPlacement(office.env.platform(), kind, left, row, width, position);
    }
    office.setDefaultVault();
    office.env.drive.write("vaults/Demo/kept.doc", "kept");
    office.env.writeFile(std::wstring(kDocuments) + L"\\plain.doc", "plain");
    office.start(host, version);
    builtInMenus = office.menuBarCaptions().size();
  }
  void load(std::int32_t mode = sim::kConnectStartup) {
    if (!addIn) {
      addIn = std::make_unique<app::NativeAddIn>(platform.platform(), objects);
      faulty = std::make_unique<FaultyAddIn>(*addIn, plan);
    }
    office.app->connectAddIn(*faulty, mode);
  }
  // Loaded, with the toolbar where the user dragged it in this run.
  void prepare() {
    load();
    if (auto bar = office.toolbar()) bar->dragTo(3, 2, 140);
  }
  void release() {
    faulty.reset();
    addIn.reset();
  }
  void click(const wchar_t* tag) {
    if (auto control = office.button(tag)) office.app->click(control);
  }
  std::wstring documentsFolder() { return office.machine->documentsFolder(office.options.kind); }
  std::shared_ptr<sim::CustomUi> ribbon() { return faulty ? office.app->customUi(*faulty) : nullptr; }
  // The vault's drive, as a log-in on an earlier day left it.
  void mountVault() {
    office.vaults.answerLogin(L"Demo", L"secret");
    automation::Variant drive = std::wstring();
    office.vaults.createObject().call(L"SelectAndLogin", {automation::Arg::byRef(drive)});
  }

  testing_support::OfficeFixture office;
  std::shared_ptr<FaultPlan> plan;
  FaultyPlatform platform;
  FaultyObjectFactory objects;
  std::unique_ptr<app::NativeAddIn> addIn;
  std::unique_ptr<FaultyAddIn> faulty;
  std::size_t builtInMenus = 0;
};

struct Road {
  std::string name;
  HostKind host;
  std::wstring version;
  std::function<void(World&)> prepare;  // unfaulted
  std::function<void(World&)> act;      // every outside call of this counts
};

void PrintTo(const Road& road, std::ostream* out) { *out << road.name; }

// --- The roads ------------------------------------------------------------------------------------

const wchar_t* kOpen = L"tbOpenEncryptedFile";
const wchar_t* kSave = L"tbSaveCloseEncrypt";
const wchar_t* kSaveAs = L"tbSaveAsCloseEncrypt";

std::vector<Road> roads() {
  std::vector<Road> table;
  const std::pair<HostKind, const char*> hosts[] = {
      {HostKind::Word, "Word"}, {HostKind::Excel, "Excel"}, {HostKind::PowerPoint, "PowerPoint"}};
  const auto loaded = [](World& w) { w.prepare(); };
  const auto withPlain = [](World& w) {  // loaded, with a document of the user's open
    w.prepare();
    w.office.app->openDocument(std::wstring(kDocuments) + L"\\plain.doc");
  };
  for (const auto& [host, hostName] : hosts) {
    const std::string h = hostName;
    for (const wchar_t* version : {L"9.0", L"10.0", L"11.0", L"16.0"}) {
      const std::string v = platform::toUtf8(version);
      table.push_back({h + " " + v + " connect", host, version, {}, [](World& w) { w.load(); }});
      // Commands from the toolbar, the dialog accepted and cancelled.
      for (const bool accept : {true, false}) {
        const std::string how = accept ? " accepted" : " cancelled";
        // The log-in answered, then the dialog: the file `chosen` or the proposal taken, or cancelled.
        const auto command = [accept](const wchar_t* tag, const wchar_t* chosen) {
          return [accept, tag, chosen](World& w) {
            w.office.vaults.answerLogin(L"Demo", L"secret");
            if (!accept) w.office.machine->user().cancel();
            else if (chosen) w.office.machine->user().choose(chosen);
            else w.office.machine->user().accept();
            w.click(tag);
          };
        };
        table.push_back({h + " " + v + " open" + how, host, version, loaded, command(kOpen, L"V:\\kept.doc")});
        table.push_back({h + " " + v + " save" + how, host, version,
                         [accept](World& w) {
                           w.prepare();
                           w.mountVault();
                           w.office.app->openDocument(accept ? L"V:\\kept.doc" : std::wstring(kDocuments) + L"\\plain.doc");
                         },
                         command(kSave, nullptr)});
        table.push_back({h + " " + v + " save as" + how, host, version, withPlain, command(kSaveAs, nullptr)});
      }
    }
    const std::wstring v = L"11.0";
    table.push_back({h + " connect without user interface", host, v, {}, [](World& w) { w.load(sim::kConnectExternal); }});
    // A later start, which finds the toolbar of the earlier run.
    table.push_back({h + " connect again", host, v,
                     [](World& w) {
                       w.prepare();
                       w.office.app->terminate();
                       w.release();
                       w.office.start(w.office.options);
                     },
                     [](World& w) { w.load(); }});
    table.push_back({h + " disconnect", host, v, loaded,
                     [](World& w) { w.office.app->disconnectAddIn(*w.faulty, sim::kDisconnectUserClosed); }});
    table.push_back({h + " disconnect without user interface", host, v, [](World& w) { w.load(sim::kConnectExternal); },
                     [](World& w) { w.office.app->disconnectAddIn(*w.faulty, sim::kDisconnectUserClosed); }});
    // Document events.
    table.push_back({h + " new document", host, v, loaded, [](World& w) { w.office.app->newDocument(); }});
    table.push_back({h + " open document", host, v, loaded,
                     [](World& w) { w.office.app->openDocument(std::wstring(kDocuments) + L"\\plain.doc"); }});
    table.push_back({h + " save and close document", host, v, withPlain,
                     [](World& w) {
                       w.office.app->saveDocument(w.office.app->activeDocument());
                       w.office.app->closeDocument(w.office.app->activeDocument());
                     }});
    // The ribbon's callbacks: each button's onAction (its command, cancelled), then the host asking
    // every button's enabled state and image again.
    table.push_back({h + " ribbon", host, L"16.0", withPlain,
                     [](World& w) {
                       for (const wchar_t* tag : {kOpen, kSave, kSaveAs}) {
                         w.office.vaults.answerCancel();
                         if (auto ribbon = w.ribbon()) ribbon->click(ribbon::ButtonId(tag));
                       }
                       if (auto ribbon = w.ribbon()) ribbon->invalidate();
                     }});
  }
  table.push_back({"Excel double-click and selection change", HostKind::Excel, L"11.0",
                   [](World& w) {
                     w.prepare();
                     w.office.app->newDocument();
                   },
                   [](World& w) {
                     w.office.app->doubleClickCell(L"B2");
                     w.office.app->selectCell(L"C3");
                   }});
  // The public classes, as COM clients call them.
  table.push_back({"public classes", HostKind::Word, L"11.0", {}, [](World& w) {
                     const platform::Platform p = w.platform.platform();
                     const auto call = [](auto member) {
                       try {
                         member();
                       } catch (const automation::ComError&) {
                         // A ComError becomes the member's HRESULT at its entry point.
                       }
                     };
                     call([&] { addin::clsResStr(p.resources).GetString(105); });
                     call([&] { support::Restrictions(p).IsEncryptionAllowed(std::wstring(kDocuments) + L"\\plain.doc"); });
                     call([&] { support::Restrictions(p).IsFileOpen(std::wstring(kDocuments) + L"\\plain.doc"); });
                     support::clsSessionFolder folders(p);
                     std::int16_t category = 1, counter = 0;
                     call([&] { folders.NextFolder(L"C:\\Temp\\", category, counter); });
                     automation::Variant fileCounter(std::int32_t{0});
                     call([&] { folders.NextFilename(category, fileCounter); });
                     call([&] { folders.RemoveFolders(L"C:\\Temp\\", category); });
                     std::int32_t length = 0;
                     call([&] { addin::ClassAddIn(p, w.objects).GetFileStorageLocation(length); });
                   }});
  return table;
}

// --- The one check --------------------------------------------------------------------------------

// What a run left for the user to see.
struct Outcome {
  std::vector<std::wstring> boxes;
  std::vector<std::wstring> eventFailures;
};

Outcome outcomeSince(World& w, std::size_t boxesBefore, std::size_t failuresBefore) {
  Outcome outcome;
  const auto& boxes = w.office.boxes();
  for (std::size_t i = boxesBefore; i < boxes.size(); ++i) outcome.boxes.push_back(boxes[i].text.substr(0, boxes[i].text.find(L"\r\n")));
  const auto& failures = w.office.app->eventFailures();
  for (std::size_t i = failuresBefore; i < failures.size(); ++i) outcome.eventFailures.push_back(failures[i].event);
  return outcome;
}

Outcome run(World& w, const Road& road, std::optional<int> failAt, Mode mode) {
  const std::size_t boxes = w.office.boxes().size(), failures = w.office.app->eventFailures().size();
  w.plan->begin(failAt, mode);
  bool escaped = false;
  try {
    road.act(w);
  } catch (...) {
    escaped = true;  // through the host: no entry point of the add-in may let an error out
  }
  w.plan->end();
  Outcome outcome = outcomeSince(w, boxes, failures);
  if (escaped) outcome.eventFailures.push_back(L"the host's caller");
  return outcome;
}

// Behaviour that loses nothing, which the check accepts: what the check saw, after which failure,
// and why it stays.
struct Accepted {
  const char* loss;
  std::function<bool(const Road&, const Call& failed, Mode)> when;
  const char* why;
};
const Accepted kAccepted[] = {
    {"the procedure's own two boxes", [](const Road&, const Call&, Mode) { return true; },
     "AddMenu's failure shows message 151 and then the connection's 120; AddToolbar's shows its \"Error = \" box, then 150"},
    {"an error crossed GetCustomUI", [](const Road&, const Call&, Mode mode) { return mode == Mode::FromOn; },
     "a host refusing every call while it loads the tab: no image can be made, and a host shows no tab it cannot draw"},
    {"user interface left", [](const Road&, const Call&, Mode mode) { return mode == Mode::FromOn; },
     "a host refusing every call from then on: its controls can be neither deleted nor found again"},
    {"placement not kept", [](const Road&, const Call& failed, Mode mode) { return mode == Mode::FromOn && failed.seam == Seam::Registry; },
     "a registry refusing every call from one write on: the values written before it cannot be put back either"},
    {"user interface left",
     [](const Road& road, const Call& failed, Mode) {
       return road.name.find("connect again") != std::string::npos && (failed.what == L"get (default)" ||
              failed.what.rfind(L"QueryInterface", 0) == 0 || failed.what.rfind(L"connect ", 0) == 0); },
     "a connection that fails before it builds anything leaves the tagged menu of a run that ended without "
     "disconnection; the next start finds it by its tag"},
    {"menu item and button disagree", [](const Road&, const Call&, Mode mode) { return mode == Mode::FromOn; },
     "a host refusing every call from the button's put on: the menu item cannot follow the button back"},
    {"a menu a later start cannot find", [](const Road&, const Call&, Mode mode) { return mode == Mode::FromOn; },
     "the same: the new menu can be neither tagged nor removed"},
    {"not one menu", [](const Road&, const Call&, Mode mode) { return mode == Mode::FromOn; },
     "a host refusing every call from the new menu's Add on: it can be neither tagged nor removed again"},
    {"several boxes", [](const Road&, const Call&, Mode mode) { return mode == Mode::FromOn; },
     "a host gone for good fails every later step, and each step of the set-up reports its own failure"},
};

bool accepts(const Accepted& entry, const Road& road, const Call& failed, Mode mode, const std::string& loss) {
  return loss.find(entry.loss) != std::string::npos && entry.when(road, failed, mode);
}

// The losses the check finds in a world after a faulted run of the road.
std::set<std::string> check(World& w, const Road& road, const Outcome& clean, const Outcome& faulted,
                            const Placement& cleanPlacement, Mode mode) {
  std::set<std::string> losses;
  const std::vector<Call> calls = w.plan->calls();
  const auto failed = [&](const std::wstring& prefix) {
    for (const auto& call : calls) {
      if (call.failed && call.what.rfind(prefix, 0) == 0) return true;
    }
    return false;
  };
  const std::int16_t ownKind = static_cast<std::int16_t>(static_cast<int>(road.host) + 1);
  const auto placements = [&](const char* when) {
    for (std::int16_t kind : kKinds) {
      const Placement stored = w.office.storedPlacement(kind);
      if (stored == seeded(kind)) continue;
      if (kind == ownKind && stored == cleanPlacement) continue;
      losses.insert(std::string(when) + (kind == ownKind ? ": placement not kept" : ": another host's placement changed") +
                    (stored == kDefaults ? " (defaults)" : ""));
    }
  };
  placements("after the road");
  // The user's document folder, unless its put-back failed for good: a refusal for a moment loses
  // nothing.
  const bool putBackFailed = mode == Mode::FromOn && (failed(L"put DefaultFilePath = " + std::wstring(kDocuments)) ||
                                                      failed(L"put path") || failed(L"put Setting") ||
                                                      failed(L"call Execute"));
  // Every menu the add-in leaves on the menu bar carries the tag a later start finds it by, and
  // the host shows no menu or buttons of ours that the add-in does not hold (an empty toolbar of a
  // run that ended without disconnection waits for the next start, which finds it by name).
  if (w.office.menuBarCaptions().size() - w.builtInMenus != static_cast<std::size_t>(w.office.countLockfolioMenus())) {
    losses.insert("a menu a later start cannot find");
  }
  const bool menuHeld = w.addIn && w.addIn->addIn().g_cbpLockfolioMenu;
  const bool toolbarHeld = w.addIn && w.addIn->addIn().g_cbLockfolioToolbar;
  if ((!menuHeld && w.office.countLockfolioMenus()) || (!toolbarHeld && !w.office.toolbarTags().empty())) {
    losses.insert("user interface left that the add-in does not hold");
  }
  if (road.host != HostKind::PowerPoint && !putBackFailed && w.documentsFolder() != kDocuments) {
    losses.insert("document folder not put back");
  }
  // Reported once; and by the host only for its application events: connection, clicks and the
  // ribbon's callbacks report their own failures.
  if (faulted.boxes.size() > clean.boxes.size() + 1) {
    // Two procedures report one failure in two boxes by design: their own box, then their caller's.
    static const std::vector<std::vector<std::wstring>> pairs = {
        {L"Error adding menu.", L"Error loading Lockfolio Office Add-in."}};
    std::vector<std::wstring> extra(faulted.boxes.begin() + static_cast<std::ptrdiff_t>(clean.boxes.size()), faulted.boxes.end());
    const bool toolbarPair = extra.size() == 2 && extra[0].rfind(L"Error = ", 0) == 0 && extra[1] == L"Error adding toolbar.";
    losses.insert(toolbarPair || std::find(pairs.begin(), pairs.end(), extra) != pairs.end() ? "the procedure's own two boxes"
                                                                                           : "several boxes");
  }
  for (const auto& name : faulted.eventFailures) {
    static const std::set<std::wstring> events = {L"NewDocument", L"DocumentOpen", L"NewWorkbook", L"WorkbookOpen",
                                                  L"NewPresentation", L"PresentationOpen", L"SheetBeforeDoubleClick",
                                                  L"SheetSelectionChange"};
    if (!events.count(name)) losses.insert("an error crossed " + platform::toUtf8(name));
  }
  // A command's menu item and toolbar button agree, and the tab shows the add-in's state of it.
  for (const auto& command : addin::ClassAddIn::ToolbarButtons()) {
    const auto ribbon = w.ribbon();
    const auto* shown = ribbon ? ribbon->button(ribbon::ButtonId(command.tag)) : nullptr;
    if (shown && w.addIn && shown->enabled != w.addIn->addIn().CommandEnabled(command))
      losses.insert("ribbon not told");
  }
  for (const auto& [item, tag] : {std::pair{L"mOpenEncryptedFile", kOpen}, std::pair{L"mSaveCloseEncrypt", kSave},
                                  std::pair{L"mSaveAsCloseEncrypt", kSaveAs}}) {
    const auto menuItem = w.office.menuItem(item);
    const auto button = w.office.button(tag);
    if (button && menuItem && menuItem->enabled() != button->enabled()) losses.insert("menu item and button disagree");
  }
  // Still usable: the road again without a fault.
  if (road.name.find("connect") == std::string::npos && road.name != "public classes") {
    if (!w.office.app->isConnected(*w.faulty)) w.load();
    const Outcome again = run(w, road, std::nullopt, Mode::Once);
    if (again.boxes != clean.boxes) losses.insert("boxes differ when run again");
  }
  // Gone with the host: every subscription ended, every object released.
  w.office.app->quit();
  placements("after quitting");
  w.release();
  if (w.plan->liveConnections != 0) losses.insert("subscriptions left");
  if (w.plan->liveObjects != 0) losses.insert("objects left");
  // A later start finds exactly one menu and one toolbar of three buttons.
  w.office.start(w.office.options);
  w.load();
  const std::wstring caption = addin::GetMessage(w.office.env.platform(), addin::message::kMenuCaption);
  int menus = 0;
  for (const auto& c : w.office.menuBarCaptions()) menus += c == caption ? 1 : 0;
  if (menus != 1 || w.office.countLockfolioMenus() != 1) losses.insert("not one menu");
  if (w.office.countLockfolioToolbars() != 1 ||
      w.office.toolbarTags() != std::vector<std::wstring>{kOpen, kSave, kSaveAs})
    losses.insert("not one toolbar of three buttons");
  if (auto menu = w.office.menu(); !menu || menu->controls().size() != 3) losses.insert("menu without its three items");
  return losses;
}

// The failures that lost something before the add-in was mended, as runs of the enumeration: the
// road, its call (the n-th call so described) and how it failed. Each must stay a call of its road.
struct Found {
  const char* road;
  const wchar_t* call;
  int occurrence;
  Mode mode;
  const char* lost;
};
const Found kFound[] = {
    {"Word disconnect", L"get (default)", 1, Mode::Once, "the placement stored under PowerPoint's key"},
    {"Excel disconnect", L"setValue Position", 1, Mode::Once, "old and new placement values mixed"},
    {"Word 11.0 connect", L"enumValue", 1, Mode::Once, "defaults written over the stored placement"},
    {"PowerPoint 11.0 connect", L"put Style = 1", 1, Mode::Once, "an unplaced toolbar's placement stored over the user's"},
    {"Word connect again", L"get (default)", 2, Mode::Once, "Add refused the name in use: no toolbar for the run"},
    {"Excel 11.0 open cancelled", L"put DefaultFilePath = C:\\Users\\User\\Documents", 1, Mode::Once, "DefaultFilePath not back"},
    {"Word 11.0 open accepted", L"put Setting = C:\\Users\\User\\Documents", 1, Mode::Once, "document folder not back"},
    {"Excel double-click and selection change", L"put Enabled = True", 4, Mode::Once, "menu item and button disagree"},
    {"Word 11.0 connect", L"put Tag = Lockfolio", 1, Mode::Once, "an untagged permanent menu"},
    {"Word disconnect", L"call Delete", 4, Mode::Once, "the menu left after disconnection"},
    {"Word 11.0 connect", L"get ProgId", 1, Mode::Once, "one failure in two boxes (152, then 153)"},
    {"Word 16.0 connect", L"get Id", 1, Mode::Once, "the tab refused by the host"},
};

class FaultRoads : public ::testing::TestWithParam<Road> {};

TEST_P(FaultRoads, EveryCallFailingLosesNothing) {
  int runs = 0, totalLosses = 0, failedRuns = 0;
  {
    const Road& road = GetParam();
    World reference(road.host, road.version);
    if (road.prepare) road.prepare(reference);
    const Outcome clean = run(reference, road, std::nullopt, Mode::Once);
    const int calls = static_cast<int>(reference.plan->calls().size());
    for (const Found& found : kFound) {
      if (road.name != found.road) continue;
      const auto& made = reference.plan->calls();
      EXPECT_GE(std::count_if(made.begin(), made.end(), [&](const Call& call) { return call.what == found.call; }),
                found.occurrence)
          << road.name << " no longer makes the call that lost " << found.lost;
    }
    // The complete new placement: what the toolbar's own placement is once the host has gone.
    reference.office.app->quit();
    const Placement cleanPlacement = reference.office.storedPlacement(static_cast<std::int16_t>(static_cast<int>(road.host) + 1));
    int injected = 0, lossCount = 0;
    for (const Mode mode : {Mode::Once, Mode::FromOn}) {
      for (int k = 1; k <= calls; ++k) {
        World w(road.host, road.version);
        if (road.prepare) road.prepare(w);
        const Outcome faulted = run(w, road, k, mode);
        ++injected;
        ++runs;
        const Call failedCall = w.plan->calls().at(static_cast<std::size_t>(k - 1));
        bool runFailed = false;
        for (const std::string& loss : check(w, road, clean, faulted, cleanPlacement, mode)) {
          bool accepted = false;
          for (const auto& entry : kAccepted) accepted = accepted || accepts(entry, road, failedCall, mode, loss);
          if (accepted) continue;
          ++lossCount;
          runFailed = true;
          ADD_FAILURE() << road.name << ", call " << k << " (" << platform::toUtf8(failedCall.what) << ") failing "
                        << (mode == Mode::Once ? "once" : "from then on") << ": " << loss;
        }
        failedRuns += runFailed ? 1 : 0;
      }
    }
    totalLosses += lossCount;
    std::printf("road: %-44s calls %4d, failures injected %5d, losses %d\n", road.name.c_str(), calls, injected,
                lossCount);
  }
  std::printf("%d runs, %d losses\n%d passed, %d failed\n", runs, totalLosses, runs - failedRuns, failedRuns);
}

INSTANTIATE_TEST_SUITE_P(Every, FaultRoads, ::testing::ValuesIn(roads()), [](const ::testing::TestParamInfo<Road>& road) {
  std::string name;
  for (const char c : road.param.name) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name;
});

}  // namespace

#include <gtest/gtest.h>

#include "helpers/office_fixture.h"
#include "office/office.h"

using testing_support::OfficeFixture;

namespace {

const wchar_t* const kSaveGroup[] = {L"mSaveCloseEncrypt", L"mSaveAsCloseEncrypt"};
const wchar_t* const kSaveButtons[] = {L"tbSaveCloseEncrypt", L"tbSaveAsCloseEncrypt"};

TEST(DocumentRefreshTest, NewAndOpenedDocumentsStoreThePlacementAndRebuildTheToolbar) {
  struct Case {
    sim::HostKind kind;
    std::int16_t hostKind;
    bool open;
  } cases[] = {
      {sim::HostKind::Word, 1, false},       {sim::HostKind::Word, 1, true},
      {sim::HostKind::Excel, 2, false},      {sim::HostKind::Excel, 2, true},
      {sim::HostKind::PowerPoint, 3, false}, {sim::HostKind::PowerPoint, 3, true},
  };
  for (const auto& c : cases) {
    OfficeFixture office;
    office.env.writeFile(L"C:\\Docs\\existing.doc", "text");
    office.start(c.kind);
    office.connect();
    office.toolbar()->dragTo(office::msoBarLeft, 1, 30);
    office.toolbar()->setVisible(false);
    for (const wchar_t* tag : kSaveGroup) office.menuItem(tag)->setEnabled(false);
    for (const wchar_t* tag : kSaveButtons) office.button(tag)->setEnabled(false);
    office.button(L"tbOpenEncryptedFile")->remove(false);

    if (c.open) {
      office.app->openDocument(L"C:\\Docs\\existing.doc");
    } else {
      office.app->newDocument();
    }
    EXPECT_TRUE(office.app->eventFailures().empty());
    const auto [left, row, width, position] = office.storedPlacement(c.hostKind);
    EXPECT_EQ(std::make_tuple(left, row, position), std::make_tuple(30, 1, office::msoBarLeft));
    EXPECT_EQ(width, office.toolbar()->width());
    EXPECT_TRUE(office.toolbar()->visible());
    EXPECT_EQ(office.toolbar()->position(), office::msoBarLeft);
    EXPECT_EQ(office.toolbarTags().size(), 3u);  // the deleted button is back
    for (const wchar_t* tag : kSaveGroup) EXPECT_TRUE(office.menuItem(tag)->enabled());
    for (const wchar_t* tag : kSaveButtons) EXPECT_TRUE(office.button(tag)->enabled());
  }
}

TEST(DocumentRefreshTest, ARefreshWithoutAToolbarStopsBeforeStoringAnything) {
  OfficeFixture office(sim::HostKind::Word);
  office.toolbar()->dragTo(office::msoBarRight, 1, 0);
  office.menuItem(L"mSaveCloseEncrypt")->setEnabled(false);
  office.env.registry.writes = 0;
  office.toolbar()->remove();  // the user deleted the toolbar
  office.app->newDocument();
  ASSERT_EQ(office.app->eventFailures().size(), 1u);
  EXPECT_EQ(office.app->eventFailures()[0].event, L"NewDocument");
  EXPECT_EQ(office.env.registry.writes, 0);
  EXPECT_FALSE(office.menuItem(L"mSaveCloseEncrypt")->enabled());
  EXPECT_EQ(office.countLockfolioToolbars(), 0);
  EXPECT_TRUE(office.boxes().empty());
}

TEST(ExcelEventsTest, TheAddInsStateOfTheCommandsIsWhatMenuToolbarAndTabShow) {
  // A double-click switches Open off until the selection changes or a workbook closes; the menu
  // item and the toolbar button follow the add-in's state while they exist, the tab's buttons
  // always, also when the user deleted the toolbar or the add-in runs without its menu and toolbar.
  enum Shown { kOff, kOn, kGone };
  const auto deleted = [](OfficeFixture& o) { ASSERT_TRUE(o.app->deleteToolbarByUser(L"Lockfolio")); };
  const auto doubleClick = [](OfficeFixture& o) { EXPECT_FALSE(o.app->doubleClickCell(L"A1")); };
  const auto select = [](OfficeFixture& o) { o.app->selectCell(L"C3"); };
  const auto close = [](OfficeFixture& o) { EXPECT_TRUE(o.app->closeDocument(o.app->activeDocument())); };
  const struct Row {
    const char* steps;
    std::int32_t mode;
    std::vector<std::function<void(OfficeFixture&)>> act;
    Shown menuOpen, toolbarOpen;
    bool tabOpen;
    std::vector<std::wstring> failedEvents;  // the handlers that hand an error back to Excel
  } rows[] = {
      {"connection", 1, {}, kOn, kOn, true, {}},
      {"double-click", 1, {doubleClick}, kOff, kOff, false, {}},
      {"double-click, selection change", 1, {doubleClick, select}, kOn, kOn, true, {}},
      {"double-click, workbook closes", 1, {doubleClick, close}, kOn, kOn, true, {}},
      {"toolbar deleted", 1, {deleted}, kOn, kGone, true, {}},
      // The deleted button refuses Enabled: the event fails, but the menu item and the tab follow.
      {"toolbar deleted, double-click", 1, {deleted, doubleClick}, kOff, kGone, false, {L"SheetBeforeDoubleClick"}},
      {"toolbar deleted, double-click, selection change", 1, {deleted, doubleClick, select}, kOn, kGone, true,
       {L"SheetBeforeDoubleClick", L"SheetSelectionChange"}},
      // The close handler traps the deleted button's refusal: the workbook closes quietly.
      {"toolbar deleted, double-click, workbook closes", 1, {deleted, doubleClick, close}, kOn, kGone, true,
       {L"SheetBeforeDoubleClick"}},
      // Without a user interface the refresh, and each handler that sets a control, hands back error
      // 91 (an empty field is never used); the close handler traps it.
      {"connection without user interface", 2, {}, kGone, kGone, true, {L"NewWorkbook"}},
      {"without user interface, double-click", 2, {doubleClick}, kGone, kGone, false,
       {L"NewWorkbook", L"SheetBeforeDoubleClick"}},
      {"without user interface, double-click, selection change, workbook closes", 2, {doubleClick, select, close},
       kGone, kGone, true, {L"NewWorkbook", L"SheetBeforeDoubleClick", L"SheetSelectionChange"}},
  };
  const auto shown = [](const std::shared_ptr<sim::CommandBarControl>& control) {
    return !control ? kGone : control->enabled() ? kOn : kOff;
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.steps);
    OfficeFixture office;
    office.start(sim::HostKind::Excel, L"16.0");
    ASSERT_TRUE(office.connect(row.mode));
    office.app->newDocument();
    for (const auto& step : row.act) step(office);
    EXPECT_EQ(shown(office.menuItem(L"mOpenEncryptedFile")), row.menuOpen);
    EXPECT_EQ(shown(office.button(L"tbOpenEncryptedFile")), row.toolbarOpen);
    const auto tab = office.ribbon();
    EXPECT_EQ(tab->button(L"PalvantisLockfolio.tbOpenEncryptedFile")->enabled, row.tabOpen);
    EXPECT_TRUE(tab->button(L"PalvantisLockfolio.tbSaveCloseEncrypt")->enabled);
    EXPECT_TRUE(tab->button(L"PalvantisLockfolio.tbSaveAsCloseEncrypt")->enabled);
    std::vector<std::wstring> failed;
    for (const auto& failure : office.app->eventFailures()) {
      failed.push_back(failure.event);
      EXPECT_TRUE(row.mode != 2 || failure.error.number() == 91);
    }
    EXPECT_EQ(failed, row.failedEvents);
    // A click on an enabled tab button starts its command, toolbar or not, with no error box.
    EXPECT_EQ(tab->click(L"PalvantisLockfolio.tbOpenEncryptedFile"), row.tabOpen);
    EXPECT_EQ(office.vaults.loginWindowsShown(), row.tabOpen ? 1 : 0);
    EXPECT_TRUE(office.boxes().empty());
  }
}

TEST(IgnoredEventsTest, SavingAndClosingChangeNothing) {
  for (const sim::HostKind kind : {sim::HostKind::Word, sim::HostKind::PowerPoint}) {
    OfficeFixture office(kind);
    office.env.drive.makeDirectory("Docs");
    auto document = office.app->newDocument();
    office.env.registry.writes = 0;
    EXPECT_TRUE(office.app->saveDocumentAs(document, L"C:\\Docs\\kept"));
    EXPECT_TRUE(office.app->saveDocument(document));
    EXPECT_TRUE(office.app->closeDocument(document));
    EXPECT_TRUE(document->isClosed());
    EXPECT_EQ(office.env.registry.writes, 0);
    EXPECT_TRUE(office.app->eventFailures().empty());
    EXPECT_TRUE(office.boxes().empty());
  }
}

}  // namespace

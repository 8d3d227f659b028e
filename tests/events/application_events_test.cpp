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
    office.writeFile(L"C:\\Docs\\existing.doc", "text");
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

TEST(ExcelEventsTest, ADoubleClickSwitchesOpenOffUntilTheSelectionChanges) {
  OfficeFixture office;
  office.start(sim::HostKind::Excel, L"12.0");
  office.connect();
  office.app->newDocument();
  const auto openItem = office.menuItem(L"mOpenEncryptedFile");
  const auto openButton = office.button(L"tbOpenEncryptedFile");
  // The ribbon tab's buttons follow the toolbar's, once the add-in has invalidated them.
  const auto onTab = [&](const wchar_t* id) { return office.ribbon()->button(std::wstring(L"PalvantisLockfolio.") + id)->enabled; };

  EXPECT_FALSE(office.app->doubleClickCell(L"B2"));  // Cancel is False: Excel edits the cell
  EXPECT_EQ(office.app->editingCell(), L"$B$2");
  EXPECT_FALSE(openItem->enabled());
  EXPECT_FALSE(openButton->enabled());
  EXPECT_FALSE(onTab(L"tbOpenEncryptedFile"));
  EXPECT_TRUE(office.menuItem(L"mSaveCloseEncrypt")->enabled());
  EXPECT_TRUE(onTab(L"tbSaveCloseEncrypt"));

  office.app->selectCell(L"C3");
  EXPECT_TRUE(openItem->enabled());
  EXPECT_TRUE(openButton->enabled());
  EXPECT_TRUE(onTab(L"tbOpenEncryptedFile"));

  office.app->doubleClickCell(L"D4");
  EXPECT_FALSE(openButton->enabled());
  EXPECT_FALSE(onTab(L"tbOpenEncryptedFile"));
  EXPECT_TRUE(office.app->closeDocument(office.app->activeDocument()));
  EXPECT_TRUE(openItem->enabled());
  EXPECT_TRUE(openButton->enabled());
  EXPECT_TRUE(onTab(L"tbOpenEncryptedFile"));
  EXPECT_TRUE(office.app->eventFailures().empty());
}

TEST(ExcelEventsTest, WithoutAUserInterfaceTheHandlersFailButTheHostGoesOn) {
  OfficeFixture office;
  office.start(sim::HostKind::Excel);
  office.connect(2);
  auto workbook = office.app->newDocument();  // the refresh fails on the missing toolbar
  EXPECT_FALSE(office.app->doubleClickCell(L"A1"));  // Cancel was set before the failure
  EXPECT_EQ(office.app->editingCell(), L"$A$1");
  office.app->selectCell(L"B1");
  EXPECT_TRUE(office.app->closeDocument(workbook));  // the close handler traps its error
  std::vector<std::wstring> failed;
  for (const auto& failure : office.app->eventFailures()) {
    failed.push_back(failure.event);
    EXPECT_EQ(failure.error.number(), 91);
  }
  EXPECT_EQ(failed, (std::vector<std::wstring>{L"NewWorkbook", L"SheetBeforeDoubleClick", L"SheetSelectionChange"}));
  EXPECT_TRUE(office.boxes().empty());
}

TEST(IgnoredEventsTest, SavingAndClosingChangeNothing) {
  struct Case {
    sim::HostKind kind;
  } cases[] = {{sim::HostKind::Word}, {sim::HostKind::PowerPoint}};
  for (const auto& c : cases) {
    OfficeFixture office;
    office.start(c.kind);
    office.connect();
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

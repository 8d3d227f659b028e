#include <gtest/gtest.h>

#include "helpers/office_fixture.h"

using testing_support::host;
using testing_support::OfficeFixture;

namespace {

const wchar_t kLoadError[] = L"Error loading Lockfolio Office Add-in.\r\n\r\nError: 0 - ";

TEST(ConnectionTest, ModesZeroOneAndThreeBuildTheWholeUserInterface) {
  for (std::int32_t mode : {0, 1, 3}) {
    OfficeFixture office;
    office.start(sim::HostKind::Word);
    ASSERT_TRUE(office.connect(mode));
    EXPECT_TRUE(office.menu()) << mode;
    EXPECT_EQ(office.toolbarTags(),
              (std::vector<std::wstring>{L"tbOpenEncryptedFile", L"tbSaveCloseEncrypt", L"tbSaveAsCloseEncrypt"}));
    EXPECT_EQ(office.addIn().strCurrentOperation, L"None");
    EXPECT_TRUE(office.addIn().strSessionFolderName);
    EXPECT_TRUE(office.boxes().empty());
  }
}

TEST(ConnectionTest, ExternalModeBuildsNothingButEventsStillArrive) {
  OfficeFixture office;
  office.start(sim::HostKind::Word);
  ASSERT_TRUE(office.connect(2));
  EXPECT_FALSE(office.menu());
  EXPECT_FALSE(office.toolbar());
  EXPECT_EQ(office.addIn().strCurrentOperation, L"None");
  EXPECT_TRUE(office.addIn().strSessionFolderName);
  EXPECT_TRUE(office.addIn().g_appWord);
  EXPECT_FALSE(office.addIn().g_cbbSOpenButton);
  // The event reaches the add-in, whose refresh then fails on the missing toolbar.
  office.app->newDocument();
  ASSERT_EQ(office.app->eventFailures().size(), 1u);
  EXPECT_EQ(office.app->eventFailures()[0].event, L"NewDocument");
  EXPECT_EQ(office.app->eventFailures()[0].error.number(), 91);
  EXPECT_TRUE(office.boxes().empty());
  // Connecting again keeps the session folder object held, also one assigned from outside.
  const auto assigned = std::make_shared<support::clsSessionFolder>(office.env.platform());
  office.addIn().strSessionFolderName = assigned;
  automation::Variant custom;
  office.addIn().DoOnConnection(office.app->self(), 2, automation::Object(), custom);
  EXPECT_EQ(office.addIn().strSessionFolderName, assigned);
}

TEST(ConnectionTest, EachHostSetsOnlyItsOwnApplicationFieldAndOnlyUnderItsExactName) {
  // Without an application field there is no version to choose the faces by.
  const std::wstring noFaces =
      L"Error adding commandbar images.\r\n\r\nError: 91 - Object variable or With block variable not set";
  struct Case {
    sim::HostOptions host;
    bool word, excel, powerPoint;
    std::vector<std::wstring> boxes;
  } cases[] = {{host(sim::HostKind::Word), true, false, false, {}},
               {host(sim::HostKind::Excel), false, true, false, {}},
               {host(sim::HostKind::PowerPoint), false, false, true, {}},
               {host(sim::HostKind::Word, L"11.0", L"microsoft word"), false, false, false, {noFaces}},
               {host(sim::HostKind::Word, L"11.0", L"Microsoft Word "), false, false, false, {noFaces}}};
  for (const auto& c : cases) {
    OfficeFixture office(c.host);
    EXPECT_EQ(static_cast<bool>(office.addIn().g_appWord), c.word);
    EXPECT_EQ(static_cast<bool>(office.addIn().g_appExcel), c.excel);
    EXPECT_EQ(static_cast<bool>(office.addIn().g_appPPT), c.powerPoint);
    EXPECT_TRUE(office.menu());
    EXPECT_EQ(office.toolbarTags().size(), 3u);
    EXPECT_EQ(office.boxTexts(), c.boxes);
  }
}

TEST(ConnectionTest, AHostWithoutAMenuBarOrItsTypedInterfaceFailsTheConnectionAndLeavesNothing) {
  struct Case {
    sim::HostOptions host;  // Excel under Word's name: Word's _Application is refused
    const wchar_t* box;
    bool excelField;  // the application field stays
  } cases[] = {{host(sim::HostKind::Excel, L"11.0", std::nullopt, false), kLoadError, true},
               {host(sim::HostKind::Excel, L"11.0", L"Microsoft Word"),
                L"Error loading Lockfolio Office Add-in.\r\n\r\nError: 13 - Type mismatch", false}};
  for (const auto& c : cases) {
    OfficeFixture office(c.host);
    EXPECT_EQ(office.boxTexts(), std::vector<std::wstring>{c.box});
    EXPECT_EQ(office.boxes()[0].title, L"Lockfolio");
    EXPECT_EQ(office.countLockfolioToolbars(), 0);
    EXPECT_EQ(office.countLockfolioMenus(), 0);
    EXPECT_EQ(office.addIn().strCurrentOperation, L"");
    EXPECT_FALSE(office.addIn().strSessionFolderName);
    EXPECT_EQ(static_cast<bool>(office.addIn().g_appExcel), c.excelField);
    EXPECT_FALSE(office.addIn().g_appWord);
  }
}

TEST(ConnectionTest, DisconnectionBeforeConnectionShowsNothingAndStoresNothing) {
  OfficeFixture office;
  app::NativeAddIn addIn(office.env.platform(), office.objects);
  automation::Variant custom;
  addIn.OnDisconnection(1, custom);
  EXPECT_TRUE(addIn.connect().g_objAddIn());
  EXPECT_TRUE(office.boxes().empty());
  EXPECT_EQ(office.env.registry.writes, 0);
}

TEST(ConnectionTest, TwoConnectionsThroughOneConnectLeaveOneMenuAndOneToolbar) {
  OfficeFixture office(sim::HostKind::Word);
  auto* first = office.addInObject->connect().g_objAddIn().get();
  office.app->disconnectAddIn(1);
  office.connect();
  office.connect();  // a host may connect a connected add-in again
  EXPECT_EQ(office.addInObject->connect().g_objAddIn().get(), first);
  EXPECT_EQ(office.countLockfolioMenus(), 1);
  EXPECT_EQ(office.countLockfolioToolbars(), 1);
  EXPECT_EQ(office.toolbarTags().size(), 3u);
  EXPECT_EQ(office.menu()->controls().size(), 3u);
}

TEST(ConnectionTest, DisconnectionStoresThePlacementAndRemovesTheUserInterface) {
  OfficeFixture office(sim::HostKind::PowerPoint);
  office.toolbar()->dragTo(3, 2, 120);
  ASSERT_TRUE(office.app->disconnectAddIn(1));
  EXPECT_FALSE(office.menu());
  EXPECT_FALSE(office.toolbar());
  const auto [left, row, width, position] = office.storedPlacement(3);
  EXPECT_EQ(std::make_tuple(left, row, position), std::make_tuple(120, 2, 3));
  auto& addIn = office.addIn();
  EXPECT_FALSE(addIn.g_cbLockfolioToolbar);
  EXPECT_FALSE(addIn.g_cbpLockfolioMenu);
  EXPECT_FALSE(addIn.g_cbbSSaveAsMenuItem);
  EXPECT_TRUE(addIn.g_objHostApp);
  EXPECT_TRUE(addIn.g_appPPT);
  EXPECT_EQ(addIn.strCurrentOperation, L"None");
  EXPECT_TRUE(office.boxes().empty());
}

}  // namespace

#include <gtest/gtest.h>

#include "helpers/office_fixture.h"
#include "office/office.h"

using testing_support::OfficeFixture;

namespace {

struct ItemCase {
  const wchar_t* tag;
  const wchar_t* english;
  const wchar_t* german;
  bool beginGroup;
};

const ItemCase kItems[] = {
    {L"mOpenEncryptedFile", L"Open Encrypted File...", L"Verschl\u00FCsselte Datei \u00F6ffnen...", true},
    {L"mSaveCloseEncrypt", L"Save and Encrypt...", L"Speichern, schlie\u00DFen und verschl\u00FCsseln...", true},
    {L"mSaveAsCloseEncrypt", L"Save As and Encrypt...",
     L"Speichern unter, schlie\u00DFen und verschl\u00FCsseln...", false},
};

// The menu goes in front of the Window menu; its items are in the user's language, with fixed tags
// and actions.
TEST(MenuTest, TheMenuGoesInFrontOfTheWindowMenuWithItemsInTheUsersLanguage) {
  for (const auto& [kind, language, hostsMenu] : {std::tuple{sim::HostKind::Word, std::uint16_t{1033}, L"T&able"},
                                                  std::tuple{sim::HostKind::Excel, std::uint16_t{1031}, L"&Data"}}) {
    OfficeFixture office(kind, L"11.0", language);
    EXPECT_EQ(office.menuBarCaptions(), (std::vector<std::wstring>{L"&File", L"&Edit", L"&View", L"&Insert", L"F&ormat",
                                                                   L"&Tools", hostsMenu, L"Lockfolio", L"&Window",
                                                                   L"&Help"}));
    const auto menu = office.menu();
    ASSERT_TRUE(menu);
    EXPECT_EQ(menu->caption(), L"Lockfolio");
    EXPECT_EQ(menu->tooltipText(), L"Lockfolio");
    EXPECT_EQ(static_cast<std::int32_t>(menu->type()), office::msoControlPopup);
    EXPECT_FALSE(menu->isTemporary());
    ASSERT_EQ(menu->controls().size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
      const auto& item = menu->controls()[i];
      const ItemCase& expected = kItems[i];
      const std::wstring caption = language == 1031 ? expected.german : expected.english;
      EXPECT_EQ(item->tag(), expected.tag);
      EXPECT_EQ(item->parameter(), expected.tag);
      EXPECT_EQ(item->caption(), caption);
      EXPECT_EQ(item->tooltipText(), caption);
      EXPECT_EQ(item->onAction(), L"!<LockfolioAddIn.Connect>");
      EXPECT_EQ(item->style(), office::msoButtonIconAndCaption);
      EXPECT_EQ(item->beginGroup(), expected.beginGroup);
      EXPECT_TRUE(item->isTemporary());
      EXPECT_TRUE(item->enabled());
    }
  }
}

// A menu an earlier run left on the active menu bar is replaced; one on another bar is not found
// and stays.
TEST(MenuTest, AnOldMenuOnTheActiveMenuBarIsReplacedAndOneOnAnotherBarStays) {
  for (const bool active : {true, false}) {
    OfficeFixture office;
    office.start(sim::HostKind::Word);
    const auto bars = office.app->self().get(L"CommandBars").toObject();
    const auto bar = active ? bars.get(L"ActiveMenuBar") : bars.get(L"", {automation::Variant(L"Standard")});
    bar.toObject().get(L"Controls").toObject().call(L"Add", {automation::Variant(std::int32_t{10})}).toObject().put(
        L"Tag", L"Lockfolio");
    ASSERT_EQ(office.countLockfolioMenus(), 1);
    office.connect();
    EXPECT_EQ(office.countLockfolioMenus(), active ? 1 : 2);
    EXPECT_EQ(office.menu()->controls().size(), 3u);
    EXPECT_EQ(static_cast<bool>(office.app->commandBar(L"Standard")->controlByTag(L"Lockfolio")), !active);
  }
}

TEST(MenuTest, AMenuBarTooShortForTheMenuReportsBothFailures) {
  OfficeFixture office;
  office.start(sim::HostKind::Word);
  const auto bar = office.app->menuBar();
  while (bar->controls().size() > 1) bar->controls().back()->remove(false);
  office.connect();
  ASSERT_EQ(office.boxes().size(), 2u);
  EXPECT_EQ(office.boxes()[0].text.rfind(L"Error adding menu.\r\n\r\nError: ", 0), 0u);
  EXPECT_EQ(office.boxes()[1].text, L"Error loading Lockfolio Office Add-in.\r\n\r\nError: 0 - ");
  EXPECT_EQ(office.countLockfolioMenus(), 0);
  EXPECT_EQ(office.countLockfolioToolbars(), 0);
}

}  // namespace

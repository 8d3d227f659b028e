#include <gtest/gtest.h>

#include "helpers/office_fixture.h"
#include "office/office.h"
#include "platform/text.h"
#include "support/reg_op.h"
#include "commandbars/reg_intfc.h"

using testing_support::OfficeFixture;

namespace {

const std::vector<std::wstring> kTags = {L"tbOpenEncryptedFile", L"tbSaveCloseEncrypt", L"tbSaveAsCloseEncrypt"};

TEST(ToolbarTest, FirstBuildUsesTheStoredDefaults) {
  OfficeFixture office(sim::HostKind::Word, L"9.0");
  const auto toolbar = office.toolbar();
  ASSERT_TRUE(toolbar);
  EXPECT_EQ(std::make_tuple(toolbar->position(), toolbar->rowIndex(), toolbar->left()),
            std::make_tuple(office::msoBarTop, 3, 0));
  EXPECT_TRUE(toolbar->visible());
  EXPECT_FALSE(toolbar->isTemporary());
  EXPECT_EQ(office.storedPlacement(1), std::make_tuple(0, 3, 79, 1));
  EXPECT_EQ(office.toolbarTags(), kTags);
  const std::wstring tips[] = {L"Open Encrypted File...", L"Save and Encrypt...", L"Save As and Encrypt..."};
  for (std::size_t i = 0; i < 3; ++i) {
    const auto& button = toolbar->controls()[i];
    EXPECT_EQ(button->tooltipText(), tips[i]);
    EXPECT_EQ(button->caption(), L"");
    EXPECT_EQ(button->style(), office::msoButtonIcon);
    EXPECT_EQ(button->parameter(), kTags[i]);
    EXPECT_EQ(button->onAction(), L"!<LockfolioAddIn.Connect>");
    EXPECT_TRUE(button->isTemporary());
    EXPECT_TRUE(button->enabled());
  }
}

TEST(ToolbarTest, ADraggedToolbarComesBackThereInTheNextRunOfThatHost) {
  OfficeFixture office(sim::HostKind::Excel);
  office.toolbar()->dragTo(office::msoBarBottom, 2, 150);
  office.restart();
  EXPECT_EQ(std::make_tuple(office.toolbar()->position(), office.toolbar()->rowIndex(), office.toolbar()->left()),
            std::make_tuple(office::msoBarBottom, 2, 150));
  EXPECT_EQ(office.countLockfolioToolbars(), 1);
  EXPECT_EQ(office.toolbarTags(), kTags);

  // The other hosts keep their own placement.
  office.app->quit();
  office.addInObject.reset();
  office.start(sim::HostKind::Word);
  office.connect();
  EXPECT_EQ(std::make_pair(office.toolbar()->position(), office.toolbar()->rowIndex()), std::make_pair(office::msoBarTop, 3));
}

TEST(ToolbarTest, AToolbarLeftByAnInterruptedRunIsFilledAgain) {
  OfficeFixture office(sim::HostKind::PowerPoint);
  office.app->terminate();  // no disconnection: the bar stays, its temporary buttons go
  office.addInObject.reset();
  office.start(sim::HostKind::PowerPoint);
  ASSERT_TRUE(office.toolbar());
  EXPECT_TRUE(office.toolbar()->controls().empty());
  office.connect();
  EXPECT_EQ(office.countLockfolioToolbars(), 1);
  EXPECT_EQ(office.toolbarTags(), kTags);
}

TEST(ToolbarTest, ALaterBuildAddsOnlyTheButtonTheUserDeleted) {
  OfficeFixture office(sim::HostKind::Word);
  const auto openFace = office.button(kTags[0])->pictureDib();
  office.button(kTags[1])->remove(false);
  office.app->newDocument();
  EXPECT_EQ(office.toolbarTags(), (std::vector<std::wstring>{kTags[0], kTags[2], kTags[1]}));
  EXPECT_FALSE(office.button(kTags[1])->hasFace());  // faces are set only at connection
  EXPECT_EQ(office.button(kTags[0])->pictureDib(), openFace);
  EXPECT_TRUE(office.app->eventFailures().empty());
  office.app->newDocument();
  EXPECT_EQ(office.toolbarTags().size(), 3u);
}

TEST(ToolbarTest, ARenamedToolbarStaysInUseWithinTheRun) {
  OfficeFixture office(sim::HostKind::Word);
  office.toolbar()->rename(L"My tools");
  office.app->newDocument();
  EXPECT_EQ(office.countLockfolioToolbars(), 0);
  EXPECT_EQ(office.app->commandBar(L"My tools")->controls().size(), 3u);
  EXPECT_TRUE(office.app->eventFailures().empty());
}

TEST(ToolbarTest, TheStoredWidthHasNoEffect) {
  OfficeFixture office;
  RegIntfc::SaveToolbarPlacement(office.env.platform(), 1, 10, 4, 500, office::msoBarTop);
  office.start(sim::HostKind::Word);
  office.connect();
  EXPECT_NE(office.toolbar()->width(), 500);
  EXPECT_EQ(std::make_pair(office.toolbar()->left(), office.toolbar()->rowIndex()), std::make_pair(10, 4));
}

TEST(ToolbarTest, AFailedBuildReportsTwoMessagesAndKeepsWhatWasMade) {
  OfficeFixture office;
  {
    support::RegOp reg(office.env.platform());
    reg.Key(RegIntfc::ToolbarPlacementKey(2));
    reg.Value(L"Index", automation::Variant(L"top row"));
  }
  office.start(sim::HostKind::Excel);
  office.connect();
  ASSERT_EQ(office.boxes().size(), 2u);
  EXPECT_EQ(office.boxes()[0].text, L"Error = Type mismatch");
  EXPECT_EQ(office.boxes()[0].title, L"LockfolioAddIn");
  EXPECT_EQ(office.boxes()[1].text, L"Error adding toolbar.\r\n\r\nError: 13 - Type mismatch");
  EXPECT_EQ(office.boxes()[1].title, L"Lockfolio");
  EXPECT_EQ(office.boxes()[1].flags, 0x10030u);
  EXPECT_EQ(office.toolbarTags(), kTags);
  EXPECT_TRUE(office.menu());
  EXPECT_TRUE(office.button(kTags[0])->hasFace());  // the faces come after, and still come
}

// Version 10.0 and later set Picture and Mask on buttons and menu items; 9.0 has no Picture, so
// each button's face is pasted through the clipboard (the menu's items get none).
TEST(ButtonFacesTest, NewerHostsGetPicturesAndMasksAndVersion9PastesFacesThroughTheClipboard) {
  const wchar_t* items[] = {L"mOpenEncryptedFile", L"mSaveCloseEncrypt", L"mSaveAsCloseEncrypt"};
  for (const auto& [kind, version] :
       {std::pair{sim::HostKind::Excel, L"10.0"}, std::pair{sim::HostKind::Word, L"9.0"}}) {
    SCOPED_TRACE(platform::toUtf8(version));
    const bool pasted = version[0] == L'9';
    OfficeFixture office(kind, version);
    const auto none = std::optional<std::vector<std::uint8_t>>();
    for (std::size_t i = 0; i < 3; ++i) {
      const auto face = office.env.resources.loadBitmap(101 + 2 * static_cast<std::int32_t>(i));
      const auto mask = office.env.resources.loadBitmap(102 + 2 * static_cast<std::int32_t>(i));
      EXPECT_EQ(office.button(kTags[i])->pastedFace(), pasted ? face : none);
      EXPECT_EQ(office.button(kTags[i])->pictureDib(), pasted ? none : face);
      EXPECT_EQ(office.button(kTags[i])->maskDib(), pasted ? none : mask);
      EXPECT_EQ(office.menuItem(items[i])->pictureDib(), pasted ? none : face);
      EXPECT_EQ(office.menuItem(items[i])->maskDib(), pasted ? none : mask);
      EXPECT_EQ(office.menuItem(items[i])->hasFace(), !pasted);
    }
    EXPECT_EQ(office.env.ui.clipboardClears, pasted ? 1 : 0);
    EXPECT_EQ(office.env.ui.clipboard, pasted ? office.env.resources.loadBitmap(105) : none);
    EXPECT_TRUE(office.boxes().empty());
  }
}

}  // namespace

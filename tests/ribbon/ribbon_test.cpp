#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "helpers/office_fixture.h"
#include "platform/text.h"
#include "ribbon/custom_ui.h"
#include "sim/custom_ui_rules.h"

using testing_support::OfficeFixture;

namespace {

const wchar_t kOpen[] = L"PalvantisLockfolio.tbOpenEncryptedFile";

// The add-in's ribbon with its XML changed (where a change is given) on the way to the host.
class ChangedXml : public sim::RibbonExtensibility {
 public:
  ChangedXml(sim::RibbonExtensibility& inner, std::function<void(std::wstring&)> change)
      : inner_(inner), change_(std::move(change)) {}
  std::wstring GetCustomUI(const std::wstring& id) override {
    std::wstring xml = inner_.GetCustomUI(id);
    if (change_) change_(xml);
    return xml;
  }
  automation::Variant invokeCallback(const std::wstring& name, std::vector<automation::Arg>& args) override {
    return inner_.invokeCallback(name, args);
  }

 private:
  sim::RibbonExtensibility& inner_;
  std::function<void(std::wstring&)> change_;
};

// The add-in, counting the host's QueryInterface for IRibbonExtensibility.
class TestAddIn : public app::NativeAddIn {
 public:
  explicit TestAddIn(OfficeFixture& office, std::function<void(std::wstring&)> change = {})
      : NativeAddIn(office.env.platform(), office.objects),
        xml_(*NativeAddIn::queryRibbonExtensibility(), std::move(change)) {}
  sim::RibbonExtensibility* queryRibbonExtensibility() override {
    ++queries;
    return &xml_;
  }
  int queries = 0;

 private:
  ChangedXml xml_;
};

// An IRibbonControl of another add-in.
class ForeignControl : public sim::SimObject {
 public:
  ForeignControl() {
    property(L"Id", [](sim::Params&) { return automation::Variant(std::wstring(L"OtherAddIn.Button")); });
  }
};

std::vector<std::uint8_t> bitmap(OfficeFixture& office, std::int32_t id) { return *office.env.resources.loadBitmap(id); }

}  // namespace

TEST(RibbonTest, EachHostShowsTheTabInTheUsersLanguageWithPicturesDrawnForTheDisplayScale) {
  struct Case {
    sim::HostKind kind;
    std::uint16_t language;
    std::wstring tabCaption;  // replaces message 105 when not empty
    std::wstring tab;
    std::wstring open;
    std::uint32_t dpi;
    std::int32_t side;  // of the pictures: Office's 32 pixels at 96 dpi, or the next drawn above
  } cases[] = {
      {sim::HostKind::Word, 1033, L"", L"Lockfolio", L"Open Encrypted File...", 96, 32},
      {sim::HostKind::Excel, 1031, L"", L"Lockfolio", L"Verschlüsselte Datei öffnen...", 120, 40},
      {sim::HostKind::PowerPoint, 1041, L"", L"Lockfolio", L"暗号化ファイルを開く…", 144, 48},
      {sim::HostKind::Word, 1033, L"Lock & <\"folio\">", L"Lock & <\"folio\">", L"Open Encrypted File...", 192, 64},
      {sim::HostKind::Excel, 1033, L"", L"Lockfolio", L"Open Encrypted File...", 72, 32},
      {sim::HostKind::Excel, 1033, L"", L"Lockfolio", L"Open Encrypted File...", 168, 64},
      {sim::HostKind::Excel, 1033, L"", L"Lockfolio", L"Open Encrypted File...", 384, 64},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(platform::toUtf8(c.tab) + " " + std::to_string(c.language) + " " + std::to_string(c.dpi));
    OfficeFixture office(c.language);
    if (!c.tabCaption.empty()) office.env.overrides.strings[105] = c.tabCaption;
    office.env.ui.dpi = c.dpi;
    office.start(c.kind, L"12.0");
    ASSERT_TRUE(office.connect());
    EXPECT_TRUE(office.app->eventFailures().empty());
    const auto ribbon = office.ribbon();
    ASSERT_TRUE(ribbon);
    ASSERT_EQ(ribbon->tabs().size(), 1u);
    EXPECT_EQ(ribbon->tabs()[0].label, c.tab);
    ASSERT_EQ(ribbon->tabs()[0].groups.size(), 1u);
    const auto& buttons = ribbon->tabs()[0].groups[0].buttons;
    ASSERT_EQ(buttons.size(), 3u);
    EXPECT_EQ(buttons[0].id, kOpen);
    EXPECT_EQ(buttons[0].label, c.open);
    for (std::size_t i = 0; i < buttons.size(); ++i) {
      const auto& button = buttons[i];
      EXPECT_EQ(button.size, L"large");
      EXPECT_EQ(button.screentip, button.label);
      EXPECT_EQ(button.label, office.button(button.id.substr(std::wcslen(L"PalvantisLockfolio.")))->tooltipText());
      EXPECT_TRUE(button.enabled);
      // The command's own 32-bit picture for the size, as drawn (its alpha checked where it is drawn).
      ASSERT_TRUE(button.image);
      EXPECT_TRUE(button.image->pixelWidth() == c.side && button.image->pixelHeight() == c.side);
      const std::int32_t size = 0 + (c.side == 40) + 2 * (c.side == 48) + 3 * (c.side == 64);
      EXPECT_EQ(button.image->dib(), bitmap(office, static_cast<std::int32_t>(201 + 10 * i) + size));
    }
    // The toolbar keeps its 16-pixel face and mask.
    EXPECT_EQ(*office.button(L"tbOpenEncryptedFile")->pictureDib(), bitmap(office, 101));
    // The window moves to a display at 150 %: Office keeps the pictures it got until the add-in,
    // at its next event, finds the scale changed and invalidates them.
    office.env.ui.dpi = 144;
    EXPECT_EQ(ribbon->button(kOpen)->image->pixelWidth(), c.side);
    office.app->newDocument();
    for (const auto& button : buttons) EXPECT_EQ(ribbon->button(button.id)->image->pixelWidth(), 48);
  }
  OfficeFixture office;
  app::NativeAddIn addIn(office.env.platform(), office.objects);
  EXPECT_EQ(addIn.queryRibbonExtensibility()->GetCustomUI(L"Microsoft.Word.Mail.Compose"), L"");
}

TEST(RibbonTest, OnlyHostsOfVersion12AndLaterAskForTheRibbonAndTheCommandBarsStayEverywhere) {
  const struct {
    const wchar_t* version;
    bool ribbon;
  } versions[] = {{L"9.0", false}, {L"10.0", false}, {L"11.0", false}, {L"12.0", true}, {L"16.0", true}};
  for (const auto kind : {sim::HostKind::Word, sim::HostKind::Excel, sim::HostKind::PowerPoint}) {
    for (const auto& [version, ribbon] : versions) {
      SCOPED_TRACE(platform::toUtf8(version));
      OfficeFixture office;
      office.start(kind, version);
      TestAddIn addIn(office);
      ASSERT_TRUE(office.app->connectAddIn(addIn, sim::kConnectStartup));
      EXPECT_EQ(addIn.queries, ribbon ? 1 : 0);
      EXPECT_EQ(office.app->customUi(addIn) != nullptr, ribbon);
      EXPECT_TRUE(office.app->commandBar(L"Lockfolio"));
      EXPECT_TRUE(office.app->menuBar()->controlByTag(L"Lockfolio"));
      EXPECT_TRUE(office.app->eventFailures().empty());
      office.app->disconnectAddIn(addIn, sim::kDisconnectUserClosed);
      EXPECT_FALSE(office.app->customUi(addIn));
    }
  }
}

TEST(RibbonTest, FailingCallbacksAndForeignControlsReachTheHostAsNothing) {
  // A command that fails reports it in its own way.
  OfficeFixture office;
  office.start(sim::HostKind::Word, L"12.0");
  ASSERT_TRUE(office.connect());

  // Another add-in's control is none of ours.
  auto& ribbon = office.addInObject->ribbon();
  const automation::Object foreign = std::make_shared<ForeignControl>()->self();
  ribbon.OnAction(foreign);
  EXPECT_TRUE(ribbon.GetEnabled(foreign));
  EXPECT_FALSE(ribbon.GetImage(foreign));
  EXPECT_TRUE(office.boxTexts().empty());
  EXPECT_EQ(office.vaults.loginWindowsShown(), 0);
}

namespace {

// Inserts `text` right after the first occurrence of `after`.
std::function<void(std::wstring&)> insert(std::wstring after, std::wstring text) {
  return [after, text](std::wstring& x) { x.insert(x.find(after) + after.size(), text); };
}

std::function<void(std::wstring&)> replace(std::wstring what, std::wstring with) {
  return [what, with](std::wstring& x) { x.replace(x.find(what), what.size(), with); };
}

}  // namespace

TEST(RibbonTest, TheHostRefusesXmlThatOfficeWouldRefuseAndAcceptsWhatOfficeAccepts) {
  const std::wstring tab = L"<tab id=\"PalvantisLockfolio.Tab\"";
  const std::wstring button = L"<button id=\"PalvantisLockfolio.tbSaveCloseEncrypt\"";
  struct Case {
    const char* fault;
    std::function<void(std::wstring&)> change;
    const wchar_t* reason;  // nullptr: Office accepts it
    std::function<void(OfficeFixture&)> before = {};
  } cases[] = {
      {"another namespace", replace(L"2006/01", L"2009/07"), L"namespace"},
      {"an id twice", replace(L"tbSaveCloseEncrypt", L"tbOpenEncryptedFile"), L"used twice"},
      {"an id with a leading digit", replace(L"PalvantisLockfolio.Tab", L"1Lockfolio"), L"XML name"},
      {"an id with a blank", replace(L"PalvantisLockfolio.Group", L"Lockfolio Group"), L"XML name"},
      {"an id with a colon", replace(L"PalvantisLockfolio.Group", L"Lockfolio:Group"), L"XML name"},
      {"an idQ of an undeclared prefix", replace(L"id=\"PalvantisLockfolio.Group\"", L"idQ=\"x:Group\""),
       L"not declared"},
      {"an empty label", replace(L" label=\"Lockfolio\"", L" label=\"\""), L"1 to 1024"},
      {"a label of 1,025 characters", insert(tab + L" label=\"", std::wstring(1025, L'L')), L"1 to 1024"},
      {"a keytip of four characters", insert(tab, L" keytip=\"LOCK\""), L"1 to 3"},
      {"a Boolean that is none", insert(tab, L" visible=\"yes\""), L"Boolean"},
      {"a size that is none", replace(L"size=\"large\"", L"size=\"big\""), L"normal or large"},
      {"no tab in <tabs>", [](std::wstring& x) { x.erase(x.find(L"<tab "), x.find(L"</tab>") + 6 - x.find(L"<tab ")); },
       L"holds 0 elements"},
      {"two placements", insert(tab, L" insertBeforeMso=\"TabHome\""), L"both insertAfterMso and insertBeforeMso"},
      {"keytip and getKeytip", insert(tab, L" keytip=\"L\" getKeytip=\"K\""), L"both keytip and getKeytip"},
      {"supertip and getSupertip", insert(button, L" supertip=\"S\" getSupertip=\"G\""), L"both supertip"},
      {"visible and getVisible", insert(button, L" visible=\"true\" getVisible=\"V\""), L"both visible"},
      {"imageMso and getImage", insert(button, L" imageMso=\"FileSave\""), L"both imageMso and getImage"},
      {"an unknown attribute", replace(L"screentip=", L"tooltip="), L"no attribute"},
      {"a control character", insert(tab + L" label=\"Lock", L"\u0001"), L"not well-formed"},
      {"a name that begins with a digit", insert(tab, L" 1st=\"x\""), L"not well-formed"},
      {"a document type", [](std::wstring& x) { x.insert(0, L"<!DOCTYPE customUI>\n"); }, L"document type"},
      {"not XML", [](std::wstring& x) { x.erase(x.rfind(L"</customUI>")); }, L"not well-formed"},
      {"a callback that does not resolve", replace(L"_GetEnabled", L"_GetEnable"), nullptr},
      {"a picture that does not load", [](std::wstring&) {}, nullptr,
       [](OfficeFixture& o) { o.env.overrides.missingBitmaps.insert(211); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault);
    OfficeFixture office;
    if (c.before) c.before(office);
    office.start(sim::HostKind::Excel, L"12.0");
    TestAddIn addIn(office, c.change);
    ASSERT_TRUE(office.app->connectAddIn(addIn, sim::kConnectStartup));
    EXPECT_TRUE(office.app->commandBar(L"Lockfolio"));  // the command bars do not depend on it
    if (c.reason) {
      EXPECT_FALSE(office.app->customUi(addIn));
      ASSERT_EQ(office.app->eventFailures().size(), 1u);
      EXPECT_EQ(office.app->eventFailures()[0].event, L"GetCustomUI");
      EXPECT_NE(office.app->eventFailures()[0].error.description().find(c.reason), std::wstring::npos)
          << platform::toUtf8(office.app->eventFailures()[0].error.description());
      continue;
    }
    // Accepted: the tab is there; an unknown callback is reported when it is called, a missing
    // picture leaves its button without one.
    const auto ribbon = office.app->customUi(addIn);
    ASSERT_TRUE(ribbon);
    const auto* save = ribbon->button(L"PalvantisLockfolio.tbSaveCloseEncrypt");
    EXPECT_EQ(static_cast<bool>(save->image), c.before == nullptr);
    std::vector<std::wstring> failed;
    for (const auto& failure : office.app->eventFailures()) failed.push_back(failure.event);
    EXPECT_EQ(failed, c.before ? std::vector<std::wstring>{} : std::vector<std::wstring>{L"LockfolioRibbon_GetEnable"});
  }
  // The product's XML passes in every language, for each document window.
  for (const int language : {1028, 1031, 1033, 1036, 1040, 1041, 1042, 1046, 1049, 2052, 3082}) {
    OfficeFixture office(static_cast<std::uint16_t>(language));
    for (const auto* window : {L"Microsoft.Word.Document", L"Microsoft.Excel.Workbook", L"Microsoft.PowerPoint.Presentation"}) {
      const std::wstring xml = ribbon::CustomUi(office.env.platform(), window);
      EXPECT_NO_THROW(sim::checkCustomUi(sim::parseXml(xml))) << language;
    }
  }
}

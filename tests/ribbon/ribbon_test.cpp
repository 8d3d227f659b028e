#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "helpers/office_fixture.h"
#include "platform/text.h"

using testing_support::OfficeFixture;

namespace {

const wchar_t kOpen[] = L"PalvantisLockfolio.tbOpenEncryptedFile";

// Counts the host's QueryInterface for IRibbonExtensibility.
class CountingAddIn : public app::NativeAddIn {
 public:
  using NativeAddIn::NativeAddIn;
  sim::RibbonExtensibility* queryRibbonExtensibility() override {
    ++queries;
    return NativeAddIn::queryRibbonExtensibility();
  }
  int queries = 0;
};

// The add-in's ribbon with its XML changed on the way to the host.
class ChangedXml : public sim::RibbonExtensibility {
 public:
  ChangedXml(sim::RibbonExtensibility& inner, std::function<void(std::wstring&)> change)
      : inner_(inner), change_(std::move(change)) {}
  std::wstring GetCustomUI(const std::wstring& id) override {
    std::wstring xml = inner_.GetCustomUI(id);
    change_(xml);
    return xml;
  }
  bool resolves(const std::wstring& name) override { return inner_.resolves(name); }
  automation::Variant invokeCallback(const std::wstring& name, std::vector<automation::Arg>& args) override {
    return inner_.invokeCallback(name, args);
  }

 private:
  sim::RibbonExtensibility& inner_;
  std::function<void(std::wstring&)> change_;
};

class ChangedAddIn : public sim::ComAddIn {
 public:
  ChangedAddIn(app::NativeAddIn& inner, std::function<void(std::wstring&)> change)
      : inner_(inner), xml_(*inner.queryRibbonExtensibility(), std::move(change)) {}
  void OnConnection(automation::Object a, std::int32_t m, automation::Object i, automation::Variant& c) override {
    inner_.OnConnection(a, m, i, c);
  }
  void OnDisconnection(std::int32_t m, automation::Variant& c) override { inner_.OnDisconnection(m, c); }
  sim::RibbonExtensibility* queryRibbonExtensibility() override { return &xml_; }

 private:
  app::NativeAddIn& inner_;
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

TEST(RibbonTest, EachHostShowsTheTabInTheUsersLanguageWithFacesThatKeepTheirMasks) {
  struct Case {
    sim::HostKind kind;
    std::uint16_t language;
    std::wstring tabCaption;  // replaces message 105 when not empty
    std::wstring tab;
    std::wstring open;
  } cases[] = {
      {sim::HostKind::Word, 1033, L"", L"Lockfolio", L"Open Encrypted File..."},
      {sim::HostKind::Excel, 1031, L"", L"Lockfolio", L"Verschlüsselte Datei öffnen..."},
      {sim::HostKind::PowerPoint, 1041, L"", L"Lockfolio", L"暗号化ファイルを開く…"},
      {sim::HostKind::Word, 1033, L"Lock & <\"folio\">", L"Lock & <\"folio\">", L"Open Encrypted File..."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(platform::toUtf8(c.tab) + " " + std::to_string(c.language));
    OfficeFixture office(c.language);
    if (!c.tabCaption.empty()) office.env.overrides.strings[105] = c.tabCaption;
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
      // Alpha 255 where the mask is black, nothing at all where it is white; the face's colours.
      ASSERT_TRUE(button.image);
      const auto& dib = button.image->dib();
      const auto face = bitmap(office, static_cast<std::int32_t>(101 + 2 * i));
      const auto mask = bitmap(office, static_cast<std::int32_t>(102 + 2 * i));
      ASSERT_EQ(dib.size(), 40u + 16 * 16 * 4);
      EXPECT_EQ(dib[14], 32);
      for (std::size_t p = 0; p < 16 * 16; ++p) {
        const std::size_t in = 40 + (p / 16) * 48 + (p % 16) * 3;
        const bool opaque = mask[in] == 0;
        const std::uint8_t expected[4] = {opaque ? face[in] : std::uint8_t{0}, opaque ? face[in + 1] : std::uint8_t{0},
                                          opaque ? face[in + 2] : std::uint8_t{0}, opaque ? std::uint8_t{255} : std::uint8_t{0}};
        ASSERT_EQ(0, std::memcmp(&dib[40 + p * 4], expected, 4)) << "button " << i << " pixel " << p;
      }
    }
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
      CountingAddIn addIn(office.env.platform(), office.objects);
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
  // Without a user interface there is no toolbar button to follow: the tab's buttons are grey.
  OfficeFixture external;
  external.start(sim::HostKind::Word, L"12.0");
  ASSERT_TRUE(external.connect(sim::kConnectExternal));
  EXPECT_FALSE(external.ribbon()->button(kOpen)->enabled);
  EXPECT_TRUE(external.app->eventFailures().empty());

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

TEST(RibbonTest, TheHostRefusesXmlThatOfficeWouldRefuse) {
  struct Case {
    const char* fault;
    std::function<void(std::wstring&)> change;
    std::function<void(OfficeFixture&)> before;
    const wchar_t* reason;
  } cases[] = {
      {"another namespace", [](std::wstring& x) { x.replace(x.find(L"2006/01"), 7, L"2009/07"); }, {}, L"namespace"},
      {"an id twice", [](std::wstring& x) { x.replace(x.find(L"tbSaveCloseEncrypt"), 18, L"tbOpenEncryptedFile"); }, {},
       L"used twice"},
      {"an unknown callback", [](std::wstring& x) { x.replace(x.find(L"_GetEnabled"), 11, L"_GetEnable"); }, {},
       L"does not resolve"},
      {"an unknown attribute", [](std::wstring& x) { x.replace(x.find(L"screentip="), 9, L"tooltip"); }, {},
       L"no attribute"},
      {"a face that does not load", [](std::wstring&) {}, [](OfficeFixture& o) { o.env.overrides.missingBitmaps.insert(104); },
       L"did not load"},
      {"not XML", [](std::wstring& x) { x.erase(x.rfind(L"</customUI>")); }, {}, L"not well-formed"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault);
    OfficeFixture office;
    if (c.before) c.before(office);
    office.start(sim::HostKind::Excel, L"12.0");
    app::NativeAddIn inner(office.env.platform(), office.objects);
    ChangedAddIn addIn(inner, c.change);
    ASSERT_TRUE(office.app->connectAddIn(addIn, sim::kConnectStartup));
    EXPECT_FALSE(office.app->customUi(addIn));
    ASSERT_EQ(office.app->eventFailures().size(), 1u);
    EXPECT_EQ(office.app->eventFailures()[0].event, L"GetCustomUI");
    EXPECT_NE(office.app->eventFailures()[0].error.description().find(c.reason), std::wstring::npos)
        << platform::toUtf8(office.app->eventFailures()[0].error.description());
    EXPECT_TRUE(office.app->commandBar(L"Lockfolio"));  // the command bars do not depend on it
  }
}

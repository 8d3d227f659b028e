#include <gtest/gtest.h>

#include "helpers/office_fixture.h"
#include "sim/user_script.h"
#include "platform/text.h"

#include <filesystem>
#include <functional>

using testing_support::OfficeFixture;

namespace {

const wchar_t kDocuments[] = L"C:\\Users\\User\\Documents";
const wchar_t kErrorPrefix[] = L"Lockfolio has detected an error - ";

class CommandsTest : public ::testing::Test {
 protected:
  void startWith(sim::HostKind kind, std::wstring version = L"11.0") {
    office.start(kind, std::move(version));
    office.connect();
    office.boxes().clear();
  }
  void logIn() { office.vaults.answerLogin(L"Demo", L"secret"); }
  const sim::ShownDialog* lastDialog() { return office.machine->user().lastDialog(); }
  std::size_t dialogCount() { return office.machine->user().shownDialogs().size(); }
  std::wstring excelDefaultFilePath() { return office.app->self().get(L"DefaultFilePath").toString(); }
  void vaultFile(const std::string& name, const std::string& content) {
    office.env.drive.write("vaults/Demo/" + name, content);
  }

  OfficeFixture office;
};

// --- Open Encrypted File -------------------------------------------------------------------------

// Open Encrypted File and Save As and Encrypt (of a new document) show each host's own dialog in
// the vault's drive.
TEST_F(CommandsTest, OpenAndSaveAsShowEachHostsDialogInTheVaultsDrive) {
  struct Case {
    sim::HostKind kind;
    bool open;
    const wchar_t* source;
    const wchar_t* fileNameBox;
    const wchar_t* proposal;  // what confirming without typing gives, where it matters
    const wchar_t* file;
  } cases[] = {
      {sim::HostKind::Word, true, L"Dialogs(80)", nullptr, nullptr, L"V:\\report.doc"},
      {sim::HostKind::Excel, true, L"Dialogs(1)", nullptr, nullptr, L"V:\\report.doc"},
      {sim::HostKind::PowerPoint, true, L"FileDialog(1)", L"*.*", nullptr, L"V:\\report.doc"},
      {sim::HostKind::Word, false, L"Dialogs(84)", nullptr, nullptr, L"V:\\Notes.doc"},
      {sim::HostKind::Excel, false, L"Dialogs(5)", nullptr, L"V:\\Book1.xls", L"V:\\Book1.xls"},
      {sim::HostKind::PowerPoint, false, L"FileDialog(2)", L"*.ppt", nullptr, L"V:\\Slides.ppt"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(platform::toUtf8(c.source));
    OfficeFixture fixture(c.kind);
    fixture.env.drive.write("vaults/Demo/report.doc", "secret report");
    const auto created = c.open ? nullptr : fixture.app->newDocument();
    if (created) created->setText(L"plain text");
    fixture.vaults.answerLogin(L"Demo", L"secret");
    if (c.proposal) {
      fixture.machine->user().accept();
    } else {
      fixture.machine->user().choose(c.file);
    }
    if (c.open) {
      fixture.addIn().OpenEncryptedFile();
    } else {
      fixture.addIn().SaveAsAndEncrypt();
    }
    const auto* dialog = fixture.machine->user().lastDialog();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->request.source, c.source);
    EXPECT_EQ(dialog->request.initialFolder, L"V:\\");
    if (c.fileNameBox) { EXPECT_EQ(dialog->request.initialFileName, c.fileNameBox); }
    if (c.proposal) { EXPECT_EQ(dialog->request.proposal, c.proposal); }
    const auto document = c.open ? fixture.app->activeDocument() : created;
    ASSERT_TRUE(document);
    EXPECT_EQ(document->fullName(), c.file);
    EXPECT_EQ(document->text(), c.open ? L"secret report" : L"plain text");
    EXPECT_TRUE(fixture.env.exists(c.file));
    EXPECT_EQ(fixture.addIn().strCurrentOperation, c.open ? L"Open" : L"SaveAs");
    EXPECT_TRUE(fixture.boxes().empty());
    EXPECT_TRUE(fixture.app->eventFailures().empty());
  }
}

TEST_F(CommandsTest, OpenPutsTheUsersSettingsBackWhateverTheDialogDid) {
  office.env.drive.write("vaults/Demo/report.doc", "secret report");
  startWith(sim::HostKind::Word);
  for (const bool chosen : {false, true}) {
    logIn();
    if (chosen) {
      // Word makes the folder the user browsed to its document folder.
      office.machine->user().choose(L"V:\\report.doc");
    } else {
      office.machine->user().cancel();
    }
    office.addIn().OpenEncryptedFile();
    EXPECT_EQ(office.app->documents().size(), chosen ? 1u : 0u)
        << (office.boxes().empty() ? std::string() : platform::toUtf8(office.boxes().back().text));
    const auto& changes = office.machine->wordFileLocationChanges();
    ASSERT_FALSE(changes.empty());
    EXPECT_EQ(changes.back().key, L"DOC-PATH");
    EXPECT_EQ(changes.back().folder, kDocuments);
    EXPECT_EQ(office.machine->wordFileLocation(L"DOC-PATH"), std::wstring(kDocuments));
  }

  OfficeFixture excel(sim::HostKind::Excel);
  excel.vaults.answerLogin(L"Demo", L"secret");
  excel.addIn().OpenEncryptedFile();  // nobody answers the dialog: cancelled
  EXPECT_EQ(excel.app->self().get(L"DefaultFilePath").toString(), kDocuments);
  EXPECT_EQ(excel.env.fileSystem.currentDirectory(), L"V:\\");
  EXPECT_TRUE(excel.app->documents().empty());
}

TEST_F(CommandsTest, OpenStoresTheToolbarPlacement) {
  startWith(sim::HostKind::Excel);
  office.toolbar()->dragTo(3, 4, 25);
  office.addIn().OpenEncryptedFile();  // the log-in is cancelled: the placement is stored before it
  EXPECT_EQ(office.storedPlacement(2), std::make_tuple(25, 4, office.toolbar()->width(), 3));
  EXPECT_EQ(office.vaults.loginWindowsShown(), 1);
}

TEST_F(CommandsTest, ARefusedOrCancelledLogInEndsQuietly) {
  startWith(sim::HostKind::Word);
  office.vaults.answerLogin(L"Demo", L"wrong");
  office.addIn().OpenEncryptedFile();
  office.vaults.answerCancel();
  office.addIn().SaveAsAndEncrypt();  // needs a document first
  office.app->newDocument();
  office.vaults.answerLogin(L"Nowhere", L"secret");
  office.addIn().SaveAsAndEncrypt();
  EXPECT_EQ(dialogCount(), 0u);
  EXPECT_EQ(office.addIn().strCurrentOperation, L"SaveAs");
  ASSERT_EQ(office.boxes().size(), 1u);  // only the missing document of the second command
}

TEST_F(CommandsTest, PowerPoint9PressesCtrlOAndNeverContactsTheVault) {
  startWith(sim::HostKind::PowerPoint, L"9.0");
  office.addIn().OpenEncryptedFile();
  EXPECT_EQ(office.env.ui.sentKeys, std::vector<std::wstring>{L"^o"});
  EXPECT_EQ(office.objects.createdCount(L"Morvane.Vault"), 0);
  ASSERT_TRUE(lastDialog());
  EXPECT_EQ(lastDialog()->request.source, L"Ctrl+O");
  EXPECT_EQ(office.addIn().strCurrentOperation, L"Open");

  office.app->newDocument();
  const std::size_t shown = dialogCount();
  office.addIn().SaveAsAndEncrypt();
  EXPECT_EQ(dialogCount(), shown);  // no dialog at all
  EXPECT_EQ(office.objects.createdCount(L"Morvane.Vault"), 0);
  EXPECT_TRUE(office.boxes().empty());
}

TEST_F(CommandsTest, WithoutAVaultServerTheUserIsToldWhy) {
  startWith(sim::HostKind::Word);
  office.objects.unregisterClass(L"Morvane.Vault");
  office.addIn().OpenEncryptedFile();
  ASSERT_EQ(office.boxes().size(), 1u);
  EXPECT_EQ(office.boxes()[0].text, std::wstring(kErrorPrefix) + L"ActiveX component can't create object");
  EXPECT_EQ(office.boxes()[0].title, L"LockfolioAddIn");
  EXPECT_EQ(office.boxes()[0].flags, 0u);
  EXPECT_EQ(office.addIn().strCurrentOperation, L"None");

  office.objects.registerClass(L"Morvane.Vault", [] { return automation::Object(); });
  office.addIn().OpenEncryptedFile();
  ASSERT_EQ(office.boxes().size(), 2u);
  EXPECT_EQ(office.boxes()[1].text, L"Cannot Access the Vault - Server cannot be found");
  EXPECT_EQ(office.addIn().strCurrentOperation, L"Open");
}

TEST_F(CommandsTest, AnUnknownHostIsReportedByTheCommands) {
  office.start(testing_support::host(sim::HostKind::PowerPoint, L"11.0", L"Microsoft Works"));
  office.connect();
  office.boxes().clear();
  office.addIn().OpenEncryptedFile();
  ASSERT_EQ(office.boxes().size(), 1u);
  EXPECT_EQ(office.boxes()[0].text,
            std::wstring(kErrorPrefix) + L"Object variable or With block variable not set");
  EXPECT_EQ(office.addIn().strCurrentOperation, L"None");
  office.addIn().SaveAsAndEncrypt();  // no vault, no document test, no dialog in an unknown host
  EXPECT_EQ(office.addIn().strCurrentOperation, L"SaveAs");
  EXPECT_EQ(office.vaults.loginWindowsShown(), 0);
}

// --- Save As and Encrypt -------------------------------------------------------------------------

TEST_F(CommandsTest, ExcelProposesTheWorkbooksOwnNameInTheVault) {
  office.env.writeFile(L"C:\\Work\\Budget.xls", "numbers");
  startWith(sim::HostKind::Excel);
  office.app->openDocument(L"C:\\Work\\Budget.xls");
  logIn();
  office.machine->user().accept();
  office.addIn().SaveAsAndEncrypt();
  EXPECT_EQ(lastDialog()->request.proposal, L"V:\\Budget.xls");
  EXPECT_TRUE(office.env.exists(L"V:\\Budget.xls"));
  EXPECT_EQ(excelDefaultFilePath(), kDocuments);
}

TEST_F(CommandsTest, AProtectedDocumentIsRefusedAfterTheLogIn) {
  office.env.writeFile(L"C:\\Apps\\Palvantis\\settings.doc", "config");
  startWith(sim::HostKind::Word);
  office.app->openDocument(L"C:\\Apps\\Palvantis\\settings.doc");
  const std::size_t shown = dialogCount();
  logIn();
  office.addIn().SaveAsAndEncrypt();
  EXPECT_EQ(office.vaults.loginWindowsShown(), 1);
  EXPECT_EQ(dialogCount(), shown);
  ASSERT_EQ(office.boxes().size(), 1u);
  EXPECT_EQ(office.boxes()[0].text, L"Lockfolio has detected a critical file that it will not encrypt.");
  EXPECT_EQ(office.boxes()[0].title, L"LockfolioAddIn");
  EXPECT_EQ(office.boxes()[0].flags, 0x10u);
  EXPECT_EQ(office.addIn().strCurrentOperation, L"SaveAs");
}

TEST_F(CommandsTest, WithNoDocumentOpenSaveAsFailsBeforeAnyLogIn) {
  for (const sim::HostKind kind : {sim::HostKind::Word, sim::HostKind::Excel, sim::HostKind::PowerPoint}) {
    OfficeFixture fixture(kind);
    fixture.addIn().SaveAsAndEncrypt();
    EXPECT_EQ(fixture.vaults.loginWindowsShown(), 0);
    ASSERT_EQ(fixture.boxes().size(), 1u);
    EXPECT_EQ(fixture.boxes()[0].text.rfind(kErrorPrefix, 0), 0u);
    EXPECT_GT(fixture.boxes()[0].text.size(), std::wstring(kErrorPrefix).size());
    EXPECT_EQ(fixture.addIn().strCurrentOperation, L"None");
  }
}

TEST_F(CommandsTest, ACancelledSaveAsSavesNothingAndRestoresTheSettings) {
  startWith(sim::HostKind::Word);
  auto document = office.app->newDocument();
  logIn();
  office.machine->user().cancel();
  office.addIn().SaveAsAndEncrypt();
  EXPECT_FALSE(document->everSaved());
  ASSERT_FALSE(office.machine->wordFileLocationChanges().empty());
  EXPECT_EQ(office.machine->wordFileLocationChanges().back().folder, kDocuments);
  EXPECT_EQ(office.addIn().strCurrentOperation, L"SaveAs");
}

// --- Save and Encrypt ----------------------------------------------------------------------------

TEST_F(CommandsTest, SaveNeedsADefaultVault) {
  startWith(sim::HostKind::Word);
  office.app->newDocument();
  office.addIn().SaveAndEncrypt();
  ASSERT_EQ(office.boxes().size(), 1u);
  EXPECT_EQ(office.boxes()[0].text,
            L"You need a Default Vault to use this feature, however, one has not been created.See the Lockfolio Help "
            L"to create a vault.");
  EXPECT_EQ(office.boxes()[0].title, L"LockfolioAddIn");
  EXPECT_EQ(office.objects.createdCount(L"Morvane.Vault"), 0);
  EXPECT_EQ(office.addIn().strCurrentOperation, L"Save");
}

TEST_F(CommandsTest, SaveSendsANewDocumentToSaveAs) {
  office.setDefaultVault();
  startWith(sim::HostKind::Excel);
  auto workbook = office.app->newDocument();
  logIn();
  office.machine->user().accept();
  office.addIn().SaveAndEncrypt();
  EXPECT_EQ(office.objects.createdCount(L"Morvane.Vault"), 1);  // the log-in's, none of its own
  EXPECT_EQ(workbook->fullName(), L"V:\\Book1.xls");
  EXPECT_EQ(office.addIn().strCurrentOperation, L"SaveAs");
}

TEST_F(CommandsTest, SaveKeepsAVaultDocumentWhereItIsUntilAnotherVaultTakesItsDrive) {
  office.setDefaultVault();
  office.env.drive.makeDirectory("vaults/Other");
  office.vaults.addVault({L"Other", L'V', L"other"});
  vaultFile("plan.doc", "v1");
  startWith(sim::HostKind::Word);
  logIn();
  office.machine->user().choose(L"V:\\plan.doc");
  office.addIn().OpenEncryptedFile();
  auto document = office.app->activeDocument();
  ASSERT_TRUE(document);
  document->setText(L"v2");
  const std::size_t shown = dialogCount();
  office.addIn().SaveAndEncrypt();
  EXPECT_EQ(dialogCount(), shown);
  EXPECT_EQ(office.env.readFile(L"V:\\plan.doc"), "v2");
  EXPECT_EQ(office.vaults.queriedPaths(), std::vector<std::wstring>{L"V:\\plan.doc"});
  EXPECT_EQ(office.addIn().strCurrentOperation, L"Save");
  EXPECT_TRUE(office.boxes().empty());

  // Another program logs in to the second vault, which takes V:. The document is no vault's now:
  // Save As asks for a vault (the user declines) instead of a save into the second vault.
  office.vaults.answerLogin(L"Other", L"other");
  std::wstring drive;
  ASSERT_EQ(office.vaults.selectAndLogin(drive), sim::kVaultLoggedIn);
  EXPECT_EQ(drive, L"V");
  document->setText(L"v3");
  office.vaults.answerCancel();
  office.addIn().SaveAndEncrypt();
  EXPECT_EQ(office.vaults.queriedPaths().size(), 2u);
  EXPECT_EQ(office.vaults.loginWindowsShown(), 3);
  EXPECT_FALSE(office.env.drive.exists("vaults/Other/plan.doc"));
  EXPECT_EQ(office.env.drive.read("vaults/Demo/plan.doc"), "v2");
  EXPECT_EQ(office.addIn().strCurrentOperation, L"SaveAs");
}

TEST_F(CommandsTest, SaveSendsADocumentOutsideTheVaultToSaveAs) {
  office.setDefaultVault();
  office.env.writeFile(L"C:\\Work\\memo.doc", "memo");
  startWith(sim::HostKind::Word);
  office.app->openDocument(L"C:\\Work\\memo.doc");
  logIn();  // not logged in yet: the Save As part asks
  office.machine->user().choose(L"V:\\memo.doc");
  office.addIn().SaveAndEncrypt();
  EXPECT_EQ(office.vaults.queriedPaths(), std::vector<std::wstring>{L"C:\\Work\\memo.doc"});
  EXPECT_TRUE(office.env.exists(L"V:\\memo.doc"));
  EXPECT_EQ(office.addIn().strCurrentOperation, L"SaveAs");
}

TEST_F(CommandsTest, SaveAsksAboutAGoneFolderWithItsTextUnchanged) {
  office.setDefaultVault();
  office.env.writeFile(L"C:\\Gone\\memo.doc", "memo");
  startWith(sim::HostKind::Word);
  office.app->openDocument(L"C:\\Gone\\memo.doc");
  office.env.drive.write("Gone/.keep", "");
  std::filesystem::remove_all(office.env.drive.file("Gone"));
  office.addIn().SaveAndEncrypt();  // Save As then finds nobody at the log-in
  EXPECT_EQ(office.vaults.queriedPaths(), std::vector<std::wstring>{L"C:\\Gone\\memo.doc"});
}

TEST_F(CommandsTest, SaveReportsErrorsAndMissingServers) {
  office.setDefaultVault();
  startWith(sim::HostKind::Word);
  office.addIn().SaveAndEncrypt();  // no document open
  ASSERT_EQ(office.boxes().size(), 1u);
  EXPECT_EQ(office.boxes()[0].text,
            std::wstring(kErrorPrefix) + L"This command is not available because no document is open.");
  EXPECT_EQ(office.addIn().strCurrentOperation, L"None");

  office.env.writeFile(L"C:\\Work\\memo.doc", "memo");
  office.app->openDocument(L"C:\\Work\\memo.doc");
  office.objects.registerClass(L"Morvane.Vault", [] { return automation::Object(); });
  office.addIn().SaveAndEncrypt();
  EXPECT_EQ(office.boxes().back().text, L"Cannot Access the Vault - Server cannot be found");
  EXPECT_EQ(office.addIn().strCurrentOperation, L"Save");
}

// --- Clicks ----------------------------------------------------------------------------------------

TEST_F(CommandsTest, EveryControlStartsItsCommand) {
  office.setDefaultVault();
  startWith(sim::HostKind::Word, L"12.0");
  office.app->newDocument();
  // Menu items, toolbar buttons and the ribbon tab's buttons (through onAction).
  const auto bar = [&](std::shared_ptr<sim::CommandBarControl> control) {
    return [this, control] {
      const auto outcome = office.app->click(control);
      EXPECT_FALSE(outcome.cancelDefault);
      return outcome.clicked;
    };
  };
  const auto tab = [&](std::wstring tag) {
    return [this, tag] { return office.ribbon()->click(L"PalvantisLockfolio." + tag); };
  };
  struct Case {
    const char* control;
    std::function<bool()> click;
    const wchar_t* operation;
  } cases[] = {
      {"open item", bar(office.menuItem(L"mOpenEncryptedFile")), L"Open"},
      {"open button", bar(office.button(L"tbOpenEncryptedFile")), L"Open"},
      {"open on the tab", tab(L"tbOpenEncryptedFile"), L"Open"},
      {"save item", bar(office.menuItem(L"mSaveCloseEncrypt")), L"SaveAs"},
      {"save button", bar(office.button(L"tbSaveCloseEncrypt")), L"SaveAs"},
      {"save on the tab", tab(L"tbSaveCloseEncrypt"), L"SaveAs"},
      {"save as item", bar(office.menuItem(L"mSaveAsCloseEncrypt")), L"SaveAs"},
      {"save as button", bar(office.button(L"tbSaveAsCloseEncrypt")), L"SaveAs"},
      {"save as on the tab", tab(L"tbSaveAsCloseEncrypt"), L"SaveAs"},
  };
  int logins = 0;
  for (const auto& c : cases) {
    office.addIn().strCurrentOperation = L"None";
    ASSERT_TRUE(c.click()) << c.control;
    EXPECT_EQ(office.addIn().strCurrentOperation, c.operation) << c.control;
    EXPECT_EQ(office.vaults.loginWindowsShown(), ++logins) << c.control;
  }
  EXPECT_TRUE(office.app->eventFailures().empty());
  EXPECT_TRUE(office.boxes().empty());
}

}  // namespace

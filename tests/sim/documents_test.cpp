// Documents of the simulated hosts on disk: their names before and after saving, what opening and
// saving read and write, the hosts' errors for missing files, folders and documents, and
// Excel's cells as the double-click and selection events pass them.

#include <gtest/gtest.h>

#include "helpers/variant_printer.h"
#include "sim/host_errors.h"
#include "sim/test_machine.h"

namespace {

using namespace sim_testing;

// Records the events of an application, each as "Event(first argument's name or address)".
class EventLog {
 public:
  EventLog(sim::Application& app, const wchar_t* eventsInterface)
      : connection_(app.self().connect(eventsInterface, automation::EventHandler([this](std::wstring_view event,
                                                                                            auto& args) {
          std::wstring what;
          if (!args.empty() && args[0].value().isObject()) what = args[0].value().toObject().get(L"Name").toString();
          if (args.size() > 1 && args[1].value().isObject()) what += L"," + args[1].value().toObject().get(L"Address").toString();
          entries.push_back(std::wstring(event) + L"(" + what + L")");
          if (onEvent) onEvent(event, args);
        }))) {}

  std::vector<std::wstring> entries;
  std::function<void(std::wstring_view, std::vector<Arg>&)> onEvent;

 private:
  automation::Connection connection_;
};

const wchar_t* eventsOf(HostKind host) {
  switch (host) {
    case HostKind::Word: return L"ApplicationEvents2";
    case HostKind::Excel: return L"AppEvents";
    case HostKind::PowerPoint: return L"EApplication";
  }
  return L"";
}

TEST(DocumentsTest, NewDocumentsAreNamedAsTheHostNamesThemAndHaveNoPathUntilSaved) {
  struct Case {
    HostKind host;
    const wchar_t* newEvent;
    std::wstring first, second, savedName;
  } cases[] = {
      {HostKind::Word, L"NewDocument", L"Document1", L"Document2", L"Document1.doc"},
      {HostKind::Excel, L"NewWorkbook", L"Book1", L"Book2", L"Book1.xls"},
      {HostKind::PowerPoint, L"NewPresentation", L"Presentation1", L"Presentation2", L"Presentation1.ppt"},
  };
  for (const auto& c : cases) {
    sim_testing::TestMachine machine;
    auto app = machine.start(c.host);
    EventLog log(*app, eventsOf(c.host));
    auto first = app->newDocument();
    auto second = app->newDocument();
    EXPECT_EQ(log.entries, (std::vector<std::wstring>{std::wstring(c.newEvent) + L"(" + c.first + L")",
                                                      std::wstring(c.newEvent) + L"(" + c.second + L")"}));
    Object document = first->self();
    EXPECT_EQ(document.get(L"Name").toString(), c.first);
    EXPECT_EQ(document.get(L"Path").toString(), L"");
    EXPECT_EQ(document.get(L"FullName").toString(), c.first);
    EXPECT_EQ(app->activeDocument(), second);

    first->setText(L"Quarterly figures \u00e9\u4e2d");
    machine.test.drive.makeDirectory("vault/Reports");
    ASSERT_TRUE(app->saveDocumentAs(first, L"V:\\Reports\\" + c.savedName));
    EXPECT_EQ(document.get(L"Name").toString(), c.savedName);
    EXPECT_EQ(document.get(L"Path").toString(), L"V:\\Reports");
    EXPECT_EQ(document.get(L"FullName").toString(), L"V:\\Reports\\" + c.savedName);
    EXPECT_EQ(machine.test.readFile(L"V:\\Reports\\" + c.savedName), "Quarterly figures \xc3\xa9\xe4\xb8\xad");
    EXPECT_TRUE(first->saved());
    // A file in a drive's root has the root as its path.
    ASSERT_TRUE(app->saveDocumentAs(second, L"V:\\" + c.savedName));
    EXPECT_EQ(second->path(), L"V:\\");
    EXPECT_EQ(second->fullName(), L"V:\\" + c.savedName);
  }
}

TEST(DocumentsTest, SavingIntoAFolderThatDoesNotExistRaisesTheHostsError) {
  struct Case {
    HostKind host;
    std::int32_t error;
  } cases[] = {
      {HostKind::Word, sim::host_errors::kWordCommandFailed},
      {HostKind::Excel, sim::host_errors::kExcelFailure},
      {HostKind::PowerPoint, sim::host_errors::kFail},
  };
  for (const auto& c : cases) {
    sim_testing::TestMachine machine;
    auto app = machine.start(c.host);
    auto document = app->newDocument();
    EXPECT_EQ(errorOf([&] { app->saveDocumentAs(document, L"V:\\Missing\\x.doc"); }), c.error);
    EXPECT_EQ(errorOf([&] { app->saveDocumentAs(document, L"Q:\\x.doc"); }), c.error) << "an unmapped drive";
    EXPECT_EQ(document->path(), L"");
  }
}

TEST(DocumentsTest, OpeningReadsTheFileAndAMissingFileRaisesTheHostsFileNotFound) {
  struct Case {
    HostKind host;
    const wchar_t* openEvent;
    std::int32_t notFound;
  } cases[] = {
      {HostKind::Word, L"DocumentOpen", sim::host_errors::kWordFileNotFound},
      {HostKind::Excel, L"WorkbookOpen", sim::host_errors::kExcelFailure},
      {HostKind::PowerPoint, L"PresentationOpen", sim::host_errors::kFail},
  };
  for (const auto& c : cases) {
    sim_testing::TestMachine machine;
    machine.test.writeFile(L"V:\\Budget.xls", "numbers");
    auto app = machine.start(c.host);
    EventLog log(*app, eventsOf(c.host));
    auto document = app->openDocument(L"V:\\Budget.xls");
    EXPECT_EQ(document->text(), L"numbers");
    EXPECT_EQ(document->fullName(), L"V:\\Budget.xls");
    EXPECT_EQ(log.entries, std::vector<std::wstring>{std::wstring(c.openEvent) + L"(Budget.xls)"});

    EXPECT_EQ(app->openDocument(L"v:\\BUDGET.XLS"), document) << "an open file is only activated";
    EXPECT_EQ(log.entries.size(), 1u);
    EXPECT_EQ(app->documents().size(), 1u);

    EXPECT_EQ(errorOf([&] { app->openDocument(L"V:\\Missing.xls"); }), c.notFound);
    EXPECT_EQ(errorOf([&] { app->openDocument(L"Q:\\Budget.xls"); }), c.notFound) << "an unmapped drive";
    EXPECT_EQ(errorOf([&] { app->openDocument(L"V:\\"); }), c.notFound) << "a folder is no document";
    EXPECT_EQ(app->documents().size(), 1u);
  }
}

TEST(DocumentsTest, TheActiveDocumentWhenNoneIsOpenIsAnErrorInWordAndPowerPointAndNothingInExcel) {
  struct Case {
    HostKind host;
    const wchar_t* member;
    std::int32_t error;
    std::wstring description;
  } cases[] = {
      {HostKind::Word, L"ActiveDocument", static_cast<std::int32_t>(0x800A1098u),
       L"This command is not available because no document is open."},
      {HostKind::PowerPoint, L"ActivePresentation", static_cast<std::int32_t>(0x80048240u),
       L"Application.ActivePresentation : Invalid request.  There is no active presentation."},
  };
  for (const auto& c : cases) {
    sim_testing::TestMachine machine;
    auto app = machine.start(c.host);
    try {
      app->self().get(c.member);
      ADD_FAILURE() << "no error";
    } catch (const automation::ComError& e) {
      EXPECT_EQ(e.number(), c.error);
      EXPECT_EQ(e.description(), c.description);
    }
    auto document = app->newDocument();
    EXPECT_EQ(app->self().get(c.member).toObject(), document->self());
  }
  sim_testing::TestMachine machine;
  auto excel = machine.start(HostKind::Excel);
  EXPECT_FALSE(excel->self().get(L"ActiveWorkbook").toObject());
  EXPECT_EQ(errorOf([&] { excel->self().get(L"ActiveDocument"); }), static_cast<std::int32_t>(0x80020006u));
}

TEST(DocumentsTest, TheUsersSaveOfANewDocumentGoesThroughTheSaveAsDialog) {
  sim_testing::TestMachine machine;
  auto app = machine.start(HostKind::Word);
  auto document = app->newDocument();
  document->setText(L"draft");
  auto& user = machine.machine->user();

  user.cancel();
  EXPECT_FALSE(app->saveDocument(document));
  EXPECT_EQ(document->path(), L"");
  ASSERT_TRUE(user.lastDialog());
  EXPECT_EQ(user.lastDialog()->request.kind, sim::DialogKind::SaveAs);
  EXPECT_EQ(user.lastDialog()->request.initialFolder, L"C:\\Users\\User\\Documents");
  EXPECT_EQ(user.lastDialog()->request.initialFileName, L"Document1.doc");

  user.accept();
  EXPECT_TRUE(app->saveDocument(document));
  EXPECT_EQ(document->fullName(), L"C:\\Users\\User\\Documents\\Document1.doc");
  EXPECT_EQ(machine.test.readFile(L"C:\\Users\\User\\Documents\\Document1.doc"), "draft");

  // Saved once, Save writes in place without asking.
  document->setText(L"final");
  EXPECT_FALSE(document->saved());
  const std::size_t dialogs = user.shownDialogs().size();
  EXPECT_TRUE(app->saveDocument(document));
  EXPECT_EQ(user.shownDialogs().size(), dialogs);
  EXPECT_EQ(machine.test.readFile(L"C:\\Users\\User\\Documents\\Document1.doc"), "final");
}

class ExcelCellsTest : public ::testing::Test {
 protected:
  sim_testing::TestMachine machine;
  std::shared_ptr<sim::Application> app = machine.start(HostKind::Excel);
  std::shared_ptr<sim::Document> workbook = app->newDocument();
  EventLog log{*app, L"AppEvents"};
};

TEST_F(ExcelCellsTest, ADoubleClickSelectsTheCellFirstThenEditsItUnlessCancelled) {
  EXPECT_EQ(app->selection(), L"$A$1");
  EXPECT_FALSE(app->doubleClickCell(L"b2"));
  EXPECT_EQ(log.entries, (std::vector<std::wstring>{L"SheetSelectionChange(Sheet1,$B$2)",
                                                    L"SheetBeforeDoubleClick(Sheet1,$B$2)"}));
  EXPECT_EQ(app->editingCell(), L"$B$2");

  log.entries.clear();
  log.onEvent = [](std::wstring_view event, std::vector<Arg>& args) {
    if (event == L"SheetBeforeDoubleClick") args[2].ref() = Variant(true);
  };
  app->selectCell(L"B2");
  EXPECT_EQ(app->editingCell(), L"") << "selecting leaves edit mode";
  EXPECT_TRUE(app->doubleClickCell(L"$B$2"));
  EXPECT_EQ(log.entries, std::vector<std::wstring>{L"SheetBeforeDoubleClick(Sheet1,$B$2)"})
      << "the cell was selected already";
  EXPECT_EQ(app->editingCell(), L"") << "a cancelled double-click does not edit";
}

TEST_F(ExcelCellsTest, SelectionChangeIsRaisedOnlyWhenTheSelectionChanges) {
  app->selectCell(L"C3");
  app->selectCell(L"$C$3");
  app->selectCell(L"A1:B4");
  EXPECT_EQ(log.entries, (std::vector<std::wstring>{L"SheetSelectionChange(Sheet1,$C$3)",
                                                    L"SheetSelectionChange(Sheet1,$A$1:$B$4)"}));
  EXPECT_EQ(app->selection(), L"$A$1:$B$4");
}

}  // namespace

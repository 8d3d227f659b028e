// The hosts' file dialogs and the simulated user who answers them: where each dialog opens, what
// it proposes, what the user's answer makes the host do, and the record of every dialog shown.

#include <gtest/gtest.h>

#include "helpers/variant_printer.h"
#include "sim/folder_vault.h"
#include "sim/host_errors.h"
#include "sim/signature_check.h"
#include "sim/test_machine.h"

namespace {

using namespace sim_testing;
using sim::DialogAnswer;
using sim::DialogKind;

class DialogsTest : public ::testing::Test {
 protected:
  sim::UserScript& user() { return machine.machine->user(); }
  const sim::ShownDialog& last() { return *user().lastDialog(); }
  // Dialogs(number) read as the Basic family reads it: Word's Item is a method.
  Object dialog(sim::Application& app, std::int32_t number) {
    std::vector<Arg> args{Arg(Variant(number))};
    return app.self().target()->invoke(L"Dialogs", automation::InvokeKind::Read, args).toObject();
  }

  sim_testing::TestMachine machine;
};

TEST_F(DialogsTest, WordsFileOpenOpensThePickedFileInTheFolderItWasGiven) {
  machine.test.writeFile(L"V:\\Q3.doc", "q3");
  auto word = machine.start(HostKind::Word);
  int opened = 0;
  automation::Connection events = word->self().connect(
      L"ApplicationEvents2", automation::EventHandler([&](std::wstring_view event, auto&) {
        opened += event == L"DocumentOpen";
      }));

  struct Case {
    std::function<void()> answer;
    std::int32_t result;
    DialogAnswer recorded;
    int opened;
  } cases[] = {
      {[&] { user().choose(L"Q3.doc"); }, -1, DialogAnswer::Chosen, 1},
      {[&] { user().cancel(); }, 0, DialogAnswer::Cancelled, 1},
      {[] {}, 0, DialogAnswer::Unanswered, 1},
      {[&] { user().accept(); }, 0, DialogAnswer::Accepted, 1},  // nothing picked: nothing to confirm
  };
  for (auto& c : cases) {
    Object open = dialog(*word, 80);
    open.put(L"Name", L"V:\\");
    c.answer();
    EXPECT_EQ(open.call(L"Show").toInt32(), c.result);
    EXPECT_EQ(opened, c.opened);
    EXPECT_EQ(last().request.source, L"Dialogs(80)");
    EXPECT_EQ(last().request.kind, DialogKind::Open);
    EXPECT_EQ(last().request.initialFolder, L"V:\\");
    EXPECT_EQ(last().answer, c.recorded);
  }
  EXPECT_EQ(word->activeDocument()->fullName(), L"V:\\Q3.doc");
  EXPECT_EQ(machine.machine->documentsFolder(HostKind::Word), L"V:\\") << "Word's document folder follows the user";
  EXPECT_EQ(user().shownDialogs().size(), 4u);
  EXPECT_EQ(user().pendingAnswers(), 0u);

  Object open = dialog(*word, 80);
  user().choose(L"Missing.doc");
  open.put(L"Name", L"V:\\");
  EXPECT_EQ(errorOf([&] { open.call(L"Show"); }), sim::host_errors::kWordFileNotFound);
  Object unnamed = dialog(*word, 80);
  user().cancel();
  unnamed.call(L"Show", {Arg::named(L"TimeOut", std::int32_t{0})});
  EXPECT_EQ(last().request.initialFolder, L"V:\\") << "Word's document folder";
}

TEST_F(DialogsTest, WordsFileSaveAsProposesTheDocumentsNameAndSavesItWhereTheUserConfirms) {
  auto word = machine.start(HostKind::Word);
  EXPECT_EQ(errorOf([&] { dialog(*word, 84).call(L"Show"); }), sim::host_errors::kWordNoDocument);
  auto document = word->newDocument();
  document->setText(L"secret");
  Object saveAs = dialog(*word, 84);
  saveAs.put(L"Name", L"V:\\");
  user().accept();
  EXPECT_EQ(saveAs.call(L"Show").toInt32(), -1);
  EXPECT_EQ(last().request.initialFolder, L"V:\\");
  EXPECT_EQ(last().request.initialFileName, L"Document1.doc");
  EXPECT_EQ(last().result, L"V:\\Document1.doc");
  EXPECT_EQ(document->fullName(), L"V:\\Document1.doc");
  EXPECT_EQ(machine.test.readFile(L"V:\\Document1.doc"), "secret");
  EXPECT_EQ(saveAs.get(L"Name").toString(), L"V:\\Document1.doc");
}

TEST_F(DialogsTest, WordsFileLocationsDialogReadsAndAppliesTheDocumentsFolder) {
  auto word = machine.start(HostKind::Word);
  machine.machine->setWordFileLocation(L"DOC-PATH", L"C:\\Mine");
  Object locations = dialog(*word, 225);
  EXPECT_EQ(locations.get(L"Path").toString(), L"DOC-PATH");
  EXPECT_EQ(locations.get(L"Setting").toString(), L"C:\\Mine");

  locations.put(L"Setting", L"V:\\");
  EXPECT_EQ(machine.machine->documentsFolder(HostKind::Word), L"C:\\Mine") << "pending until Execute";
  locations.call(L"Execute");
  EXPECT_EQ(machine.machine->documentsFolder(HostKind::Word), L"V:\\");

  locations.put(L"Setting", L"C:\\Mine");
  locations.call(L"Execute");
  locations.call(L"Update");
  EXPECT_EQ(locations.get(L"Setting").toString(), L"C:\\Mine");

  const auto& changes = machine.machine->wordFileLocationChanges();
  ASSERT_EQ(changes.size(), 2u);
  EXPECT_EQ(changes[0].folder, L"V:\\");
  EXPECT_EQ(changes[1].folder, L"C:\\Mine");
  EXPECT_EQ(changes[1].key, L"DOC-PATH");
  EXPECT_EQ(errorOf([&] { dialog(*word, 81); }), sim::host_errors::kWordNoSuchMember);
}

TEST_F(DialogsTest, ExcelsOpenAndSaveAsTakeTheFileNameBoxAsTheirFirstArgument) {
  machine.test.writeFile(L"V:\\Budget.xls", "b");
  auto excel = machine.start(HostKind::Excel);
  Variant root(L"V:\\");
  user().choose(L"Budget.xls");
  EXPECT_EQ(dialog(*excel, 1).call(L"Show", {Arg::byRef(root)}), Variant(true));
  EXPECT_EQ(last().request.initialFolder, L"V:\\");
  EXPECT_EQ(last().request.initialFileName, L"");
  EXPECT_EQ(excel->activeDocument()->fullName(), L"V:\\Budget.xls");

  user().cancel();
  EXPECT_EQ(dialog(*excel, 1).call(L"Show"), Variant(false));
  EXPECT_EQ(last().request.initialFolder, L"C:\\Users\\User\\Documents") << "DefaultFilePath";

  auto book = excel->newDocument();
  user().accept();
  EXPECT_EQ(dialog(*excel, 5).call(L"Show", {Arg(L"V:\\Book1.xls")}), Variant(true));
  EXPECT_EQ(last().request.kind, DialogKind::SaveAs);
  EXPECT_EQ(last().request.initialFileName, L"Book1.xls");
  EXPECT_EQ(book->fullName(), L"V:\\Book1.xls");
  EXPECT_TRUE(machine.test.exists(L"V:\\Book1.xls"));

  excel->closeDocument(book);
  excel->closeDocument(excel->activeDocument());
  EXPECT_EQ(errorOf([&] { dialog(*excel, 5).call(L"Show"); }), sim::host_errors::kExcelFailure);
}

TEST_F(DialogsTest, PowerPointsFileDialogsShowThenExecute) {
  machine.test.writeFile(L"V:\\Deck.ppt", "d");
  auto ppt = machine.start(HostKind::PowerPoint);
  Object open = ppt->self().get(L"FileDialog", {Variant(std::int32_t{1})}).toObject();
  EXPECT_EQ(ppt->self().get(L"FileDialog", {Variant(std::int32_t{1})}).toObject(), open) << "one per type";
  open.put(L"InitialFileName", L"V:\\*.*");
  user().choose(L"Deck.ppt");
  EXPECT_EQ(open.call(L"Show"), Variant(std::int32_t{-1}));
  EXPECT_EQ(last().request.source, L"FileDialog(1)");
  EXPECT_EQ(last().request.initialFolder, L"V:\\");
  EXPECT_EQ(last().request.initialFileName, L"*.*");
  EXPECT_TRUE(ppt->documents().empty()) << "Show alone opens nothing";
  Object selected = open.get(L"SelectedItems").toObject();
  EXPECT_EQ(selected.get(L"Count").toInt32(), 1);
  EXPECT_EQ(selected.get(L"", {Variant(std::int32_t{1})}).toString(), L"V:\\Deck.ppt");
  open.call(L"Execute");
  EXPECT_EQ(ppt->activeDocument()->fullName(), L"V:\\Deck.ppt");

  auto fresh = ppt->newDocument();
  Object saveAs = ppt->self().get(L"FileDialog", {Variant(std::int32_t{2})}).toObject();
  saveAs.put(L"InitialFileName", L"V:\\*.ppt");
  user().cancel();
  EXPECT_EQ(saveAs.call(L"Show"), Variant(std::int32_t{0}));
  saveAs.call(L"Execute");
  EXPECT_EQ(fresh->path(), L"") << "nothing chosen, nothing saved";
  user().accept();
  EXPECT_EQ(saveAs.call(L"Show"), Variant(std::int32_t{-1}));
  EXPECT_EQ(last().result, L"V:\\Presentation1.ppt");
  saveAs.call(L"Execute");
  EXPECT_EQ(fresh->fullName(), L"V:\\Presentation1.ppt");
  EXPECT_EQ(errorOf([&] { ppt->self().get(L"FileDialog", {Variant(std::int32_t{3})}); }),
            sim::host_errors::kInvalidArgument);
}

TEST_F(DialogsTest, PowerPoint2000HasNoFileDialogButCtrlOOpensItsOwn) {
  machine.test.writeFile(L"C:\\Users\\User\\Documents\\Old.ppt", "o");
  auto ppt = machine.start(HostKind::PowerPoint, L"9.0");
  EXPECT_EQ(errorOf([&] { ppt->self().get(L"FileDialog", {Variant(std::int32_t{1})}); }),
            static_cast<std::int32_t>(0x80020003u));
  user().choose(L"Old.ppt");
  EXPECT_TRUE(ppt->pressKeys(L"^o"));
  EXPECT_EQ(last().request.source, L"Ctrl+O");
  EXPECT_EQ(ppt->activeDocument()->name(), L"Old.ppt");
  EXPECT_FALSE(ppt->pressKeys(L"^q"));
}

TEST_F(DialogsTest, TheUserAnswersInOrderAndAnAbsolutePathIsTakenAsItIs) {
  sim::UserScript script;
  script.choose(L"Z:\\Elsewhere\\x.doc");
  script.choose(L"\\\\server\\share\\y.doc");
  script.choose(L"sub\\z.doc");
  script.accept();
  sim::DialogRequest request;
  request.initialFolder = L"V:\\";
  request.proposal = L"V:\\proposed.doc";
  EXPECT_EQ(script.answer(request), std::optional<std::wstring>(L"Z:\\Elsewhere\\x.doc"));
  EXPECT_EQ(script.answer(request), std::optional<std::wstring>(L"\\\\server\\share\\y.doc"));
  EXPECT_EQ(script.answer(request), std::optional<std::wstring>(L"V:\\sub\\z.doc"));
  EXPECT_EQ(script.answer(request), std::optional<std::wstring>(L"V:\\proposed.doc"));
  EXPECT_EQ(script.answer(request), std::nullopt);
  EXPECT_EQ(script.shownDialogs().back().answer, DialogAnswer::Unanswered);
  EXPECT_EQ(script.shownDialogs().size(), 5u);
}

// The calls oleaut32's standard dispatcher refuses for Office's type libraries are refused here
// too, with its HRESULTs, and the same calls made the right way go through.
TEST_F(DialogsTest, EveryCallIsCheckedAgainstTheRealSignaturesAsTheStandardDispatcherChecksIt) {
  using automation::InvokeKind;
  constexpr std::int32_t kMemberNotFound = static_cast<std::int32_t>(0x80020003u);
  constexpr std::int32_t kTypeMismatch = static_cast<std::int32_t>(0x80020005u);
  constexpr std::int32_t kBadCount = static_cast<std::int32_t>(0x8002000Eu);
  auto word = machine.start(HostKind::Word);
  word->newDocument();
  sim::VaultService service([](const sim::VaultDefinition&) {}, [](const std::wstring&) { return false; });
  service.addVault({L"Demo", L'V', L"pw"});
  const Object vault = service.createObject();
  const Object dialogs = word->self().get(L"Dialogs").toObject();
  const Object bars = word->self().get(L"CommandBars").toObject();
  Variant drive = std::wstring();
  Variant number = std::int32_t{1};

  struct Case {
    const char* what;
    Object target;
    const wchar_t* member;
    InvokeKind kind;
    std::function<std::vector<Arg>()> args;
    std::int32_t refused;  // 0: accepted
  } cases[] = {
      {"unknown name", word->self(), L"NoSuchMember", InvokeKind::Read, [] { return std::vector<Arg>{}; },
       sim::kUnknownName},
      {"_Default is Excel's only", word->self(), L"_Default", InvokeKind::Read, [] { return std::vector<Arg>{}; },
       sim::kUnknownName},
      {"a get alone of Dialogs.Item, a method", dialogs, L"", InvokeKind::PropertyGet,
       [] { return std::vector<Arg>{Arg(std::int32_t{80})}; }, kMemberNotFound},
      {"a method alone of a property", word->self(), L"Name", InvokeKind::Method, [] { return std::vector<Arg>{}; },
       kMemberNotFound},
      {"a read of Dialogs.Item", dialogs, L"", InvokeKind::Read, [] { return std::vector<Arg>{Arg(std::int32_t{80})}; },
       0},
      {"Dialogs.Item called", dialogs, L"Item", InvokeKind::Method,
       [] { return std::vector<Arg>{Arg(std::int32_t{84})}; }, 0},
      {"Dialogs.Item without its index", dialogs, L"Item", InvokeKind::Read, [] { return std::vector<Arg>{}; },
       kBadCount},
      {"an argument too many", word->self(), L"Version", InvokeKind::Read,
       [] { return std::vector<Arg>{Arg(std::int32_t{1})}; }, kBadCount},
      {"an unknown named argument", bars, L"Add", InvokeKind::Method,
       [] { return std::vector<Arg>{Arg::named(L"Colour", std::int32_t{1})}; }, sim::kUnknownName},
      {"a named argument of the member", bars, L"Add", InvokeKind::Method,
       [] { return std::vector<Arg>{Arg::named(L"name", L"Strict"), Arg::named(L"Temporary", true)}; }, 0},
      {"a reference to a Variant for BSTR*", vault, L"SelectAndLogin", InvokeKind::Method,
       [&] { return std::vector<Arg>{Arg::byRefVariant(drive)}; }, kTypeMismatch},
      {"a reference to a Long for BSTR*", vault, L"IsFileFromVault", InvokeKind::Method,
       [&] { return std::vector<Arg>{Arg::byRef(number)}; }, kTypeMismatch},
      {"a reference to a String for BSTR*", vault, L"SelectAndLogin", InvokeKind::Method,
       [&] { return std::vector<Arg>{Arg::byRef(drive)}; }, 0},
      {"a put of a read-only property", bars, L"Count", InvokeKind::PropertyPut,
       [] { return std::vector<Arg>{Arg(L"abc")}; }, kMemberNotFound},
      {"a text that is no number for an enum", word->menuBar()->self(), L"Position", InvokeKind::PropertyPut,
       [] { return std::vector<Arg>{Arg(L"abc")}; }, kTypeMismatch},
      {"a number too large for an int", word->menuBar()->self(), L"Left", InvokeKind::PropertyPut,
       [] { return std::vector<Arg>{Arg(1e12)}; }, sim::kOverflow},
      {"a number as text for an int", word->menuBar()->self(), L"RowIndex", InvokeKind::PropertyPut,
       [] { return std::vector<Arg>{Arg(L"2")}; }, 0},
  };
  for (auto& c : cases) {
    std::vector<Arg> args = c.args();
    if (user().pendingAnswers() == 0) user().cancel();
    service.answerCancel();
    EXPECT_EQ(errorOf([&] { c.target.target()->invoke(c.member, c.kind, args); }), c.refused) << c.what;
  }
  EXPECT_EQ(word->menuBar()->self().get(L"RowIndex"), Variant(std::int32_t{2})) << "converted as it was declared";
  EXPECT_EQ(bars.get(L"Count").type(), Variant::Type::Int32);
  EXPECT_EQ(drive, Variant(std::wstring())) << "nothing came back through the refused reference";

  // A member of a later version of Office is unknown to an earlier one.
  auto excel = machine.start(HostKind::Excel, L"9.0");
  EXPECT_EQ(excel->self().get(L"_Default"), Variant(L"Microsoft Excel"));
  EXPECT_EQ(errorOf([&] { excel->self().get(L"FileDialog", {Arg(std::int32_t{1})}); }), sim::kUnknownName);
}

}  // namespace

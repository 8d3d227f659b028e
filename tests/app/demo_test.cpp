#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>
#include <sstream>

#include "app/demo_script.h"
#include "app/demo_world.h"
#include "commandbars/reg_intfc.h"
#include "helpers/temp_dir.h"
#include "support/reg_op.h"

namespace {

struct StoryOutcome {
  std::string output;
  std::vector<std::string> vaultFiles;
  std::tuple<std::int32_t, std::int32_t, std::int32_t> placement;  // position, row, left
};

StoryOutcome runStory(sim::HostKind host, const std::wstring& version, const std::string& state) {
  StoryOutcome outcome;
  std::ostringstream out;
  {
    app::DemoOptions options;
    options.stateFolder = state;
    options.host = host;
    options.version = version;
    options.fresh = true;
    options.out = &out;
    app::DemoWorld world(options);
    app::ScriptRunner runner(world, out, false);
    std::istringstream story(app::defaultStory(host, version));
    runner.run(story, "story");
  }
  outcome.output = out.str();
  for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(state) / "vaults" / "Demo")) {
    outcome.vaultFiles.push_back(entry.path().filename().string());
  }
  // A second world reads what the first one left in the registry file.
  app::DemoOptions options;
  options.stateFolder = state;
  options.out = &out;
  app::DemoWorld again(options);
  support::RegOp reg(again.platform().platform());
  const std::int16_t kind = host == sim::HostKind::Word ? 1 : host == sim::HostKind::Excel ? 2 : 3;
  reg.Key(RegIntfc::ToolbarPlacementKey(kind));
  outcome.placement = {reg.Value(L"Position").toInt32(), reg.Value(L"Index").toInt32(), reg.Value(L"Left").toInt32()};
  return outcome;
}

TEST(DemoTest, TheStoryPutsTheDocumentInTheVaultAndKeepsThePlacement) {
  struct Case {
    sim::HostKind host;
    const wchar_t* version;
    const char* file;
    const char* clicked;  // where the commands are clicked
  } cases[] = {{sim::HostKind::Word, L"11.0", "Quarterly report.doc", "on the Lockfolio toolbar"},
               {sim::HostKind::Excel, L"11.0", "Quarterly report.xls", "on the Lockfolio toolbar"},
               {sim::HostKind::PowerPoint, L"11.0", "Quarterly report.ppt", "on the Lockfolio toolbar"},
               {sim::HostKind::Word, L"16.0", "Quarterly report.doc", "on the Lockfolio tab"}};
  for (const auto& c : cases) {
    testing_support::TempDir state;
    const StoryOutcome outcome = runStory(c.host, c.version, state.path());
    EXPECT_NE(outcome.output.find(std::string("\"Save and Encrypt...\" ") + c.clicked), std::string::npos);
    EXPECT_EQ(outcome.vaultFiles, std::vector<std::string>{c.file});
    const std::string saved = state.read(std::string("vaults/Demo/") + c.file);
    EXPECT_NE(saved.find("revised"), std::string::npos);  // saved in place after the change
    EXPECT_EQ(outcome.placement, std::make_tuple(3, 1, 40));
    EXPECT_NE(outcome.output.find("critical file"), std::string::npos);  // the refusal was shown
    EXPECT_EQ(outcome.output.find("handler failed"), std::string::npos);
  }
}

TEST(DemoTest, PowerPoint9ToldWithoutTheVault) {
  testing_support::TempDir state;
  const StoryOutcome outcome = runStory(sim::HostKind::PowerPoint, L"9.0", state.path());
  EXPECT_TRUE(outcome.vaultFiles.empty());
  EXPECT_EQ(outcome.placement, std::make_tuple(0, 1, 0));
  EXPECT_NE(outcome.output.find("(Ctrl+O)"), std::string::npos);
}

TEST(DemoTest, BadScriptLinesAreReportedWithTheirLine) {
  testing_support::TempDir state;
  std::ostringstream out;
  app::DemoOptions options;
  options.stateFolder = state.path();
  options.out = &out;
  app::DemoWorld world(options);
  app::ScriptRunner runner(world, out, false);
  struct Case {
    const char* script;
    const char* error;
  } cases[] = {
      {"type hello\n", "s:1: No host is running"},
      {"start word\nconnect\nclick print\n", "s:3: unknown command \"print\""},
      {"show\n", "s:1: \"show\" needs what to show"},
      {"type hello\n", "s:1: no document is open to type into"},
      {"start excel\nconnect\ndrag sideways\n", "s:3: unknown position \"sideways\""},
      {"start word\nopen C:\\missing.doc\n", "s:2: "},
      {"say \"unclosed\n", "s:1: a quoted text has no closing quote"},
      {"start word\nconnect 2\nclick open\n", "s:3: there is no Lockfolio button \"open\""},
      {"start word 9.0\nconnect\ndrag top x\n", "s:3: the row must be a whole number"},
  };
  for (const auto& c : cases) {
    std::istringstream script(c.script);
    try {
      runner.run(script, "s");
      ADD_FAILURE() << "expected an error for: " << c.script;
    } catch (const app::ScriptError& e) {
      EXPECT_EQ(std::string(e.what()).rfind(c.error, 0), 0u) << e.what();
    }
  }
}

}  // namespace

#pragma once
// The demo's little language of user actions, one per line: the default story is written in it,
// --script runs a file of it, and the interactive mode reads it line by line. After each action
// the runner tells what the host and the vault server showed.

#include <istream>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/demo_world.h"

namespace app {

// A line the runner cannot carry out: a mistake in the script, or an action the situation refuses.
class ScriptError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class ScriptRunner {
 public:
  ScriptRunner(DemoWorld& world, std::ostream& out, bool color);
  ~ScriptRunner();
  ScriptRunner(const ScriptRunner&) = delete;
  ScriptRunner& operator=(const ScriptRunner&) = delete;

  // Runs every line; the first line that fails stops the run with "<source>:<line>: <reason>".
  void run(std::istream& script, const std::string& source);
  // Runs one line; false when the line asks to leave ("exit").
  bool execute(const std::string& line);

  static std::string help();

 private:
  void report();  // what the last action made the host and the vault server show
  void clickOnTab(const std::string& command);
  std::string require(const std::vector<std::string>& words, std::size_t index, const char* what) const;
  std::shared_ptr<sim::CommandBarControl> control(const std::string& command, bool menu);

  DemoWorld& world_;
  std::ostream& out_;
  bool color_;
  int step_ = 0;
  std::size_t dialogsSeen_ = 0;
  std::size_t loginsSeen_ = 0;
  std::size_t failuresSeen_ = 0;
};

// The default story for a host, in the script language.
std::string defaultStory(sim::HostKind host, const std::wstring& version);

}  // namespace app

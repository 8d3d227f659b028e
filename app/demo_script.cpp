#include "app/demo_script.h"

#include <cctype>
#include <filesystem>
#include <sstream>

#include "app/demo_render.h"
#include "platform/com_error.h"
#include "platform/posix/posix_file_system.h"
#include "platform/text.h"
#include "sim/command_bar.h"
#include "sim/command_bar_control.h"
#include "sim/documents.h"
#include "sim/user_script.h"

namespace app {

namespace {

// Words separated by blanks; "double quotes" keep blanks inside one word.
std::vector<std::string> split(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  bool quoted = false;
  bool inWord = false;
  for (char c : line) {
    if (c == '"') {
      quoted = !quoted;
      inWord = true;
    } else if (!quoted && std::isspace(static_cast<unsigned char>(c))) {
      if (inWord) words.push_back(word);
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (quoted) throw ScriptError("a quoted text has no closing quote");
  if (inWord) words.push_back(word);
  return words;
}

// What follows the first word, as written.
std::string rest(const std::string& line) {
  const std::size_t start = line.find_first_not_of(" \t");
  const std::size_t blank = line.find_first_of(" \t", start);
  if (blank == std::string::npos) return {};
  const std::size_t text = line.find_first_not_of(" \t", blank);
  return text == std::string::npos ? std::string() : line.substr(text);
}

std::string lower(std::string text) {
  for (auto& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::int32_t number(const std::string& text, const char* what) {
  try {
    std::size_t used = 0;
    const long value = std::stol(text, &used);
    if (used == text.size()) return static_cast<std::int32_t>(value);
  } catch (...) {
  }
  throw ScriptError(std::string(what) + " must be a whole number, not \"" + text + "\"");
}

sim::HostKind hostKind(const std::string& name) {
  const std::string host = lower(name);
  if (host == "word") return sim::HostKind::Word;
  if (host == "excel") return sim::HostKind::Excel;
  if (host == "powerpoint") return sim::HostKind::PowerPoint;
  throw ScriptError("unknown host \"" + name + "\" (word, excel or powerpoint)");
}

std::string hostName(sim::HostKind kind) {
  switch (kind) {
    case sim::HostKind::Word: return "Word";
    case sim::HostKind::Excel: return "Excel";
    default: return "PowerPoint";
  }
}

std::string extension(sim::HostKind kind) {
  switch (kind) {
    case sim::HostKind::Word: return ".doc";
    case sim::HostKind::Excel: return ".xls";
    default: return ".ppt";
  }
}

std::int32_t position(const std::string& name) {
  static const char* const kNames[] = {"left", "top", "right", "bottom", "floating"};
  for (std::int32_t i = 0; i < 5; ++i) {
    if (lower(name) == kNames[i]) return i;
  }
  throw ScriptError("unknown position \"" + name + "\" (top, bottom, left, right or floating)");
}

std::string dialogKind(sim::DialogKind kind) {
  switch (kind) {
    case sim::DialogKind::Open: return "Open";
    case sim::DialogKind::SaveAs: return "Save As";
    default: return "file locations";
  }
}

}  // namespace

ScriptRunner::ScriptRunner(DemoWorld& world, std::ostream& out, bool color) : world_(world), out_(out), color_(color) {
  world_.platform().ui().setBeforeMessageBox([this] { report(); });
}

ScriptRunner::~ScriptRunner() { world_.platform().ui().setBeforeMessageBox({}); }

std::string ScriptRunner::help() {
  return R"(Actions, one per line ("quotes" keep blanks in one word; # starts a comment):
  start [word|excel|powerpoint] [VERSION]   start a host (Word 11.0 unless told otherwise)
  connect [MODE]                            load the add-in (mode 1: at start-up; 2: without user interface)
  quit | restart                            quit the host | quit it and start it again with the add-in
  show menubar|menu|toolbar|ribbon|documents|vault|registry|dialogs
  new [TEXT]                                a new document, with TEXT in it
  type TEXT                                 replace the active document's text
  open PATH | save | saveas PATH | close    the user's own File menu
  login VAULT PASSWORD | login cancel       how the user answers the vault server's next log-in window
  choose PATH | accept | cancel             how the user answers the host's next file dialog
  click open|save|saveas [menu|ribbon]      click a Lockfolio toolbar button (or menu item, or the
                                            button on the Lockfolio tab of a host of version 12.0 or later)
  doubleclick CELL | select CELL            Excel: double-click a cell | select one
  drag top|bottom|left|right|floating [ROW] [LEFT]   drag the Lockfolio toolbar there
  delete toolbar                            the user deletes the Lockfolio toolbar
  scale PERCENT                             the display's scale: 100, 125, 150, 200 (the ribbon's
                                            pictures follow at the add-in's next event or click)
  file PATH TEXT                            put a file on the simulated disk
  attrib PATH readonly|hidden|system        give a file that attribute
  say TEXT | step TEXT                      narrate | start a new numbered step
  help | exit
Paths are Windows paths: C: is the simulated disk, V: the vault once the user logged in.
)";
}

std::string ScriptRunner::require(const std::vector<std::string>& words, std::size_t index, const char* what) const {
  if (index >= words.size()) throw ScriptError("\"" + words[0] + "\" needs " + what);
  return words[index];
}

namespace {

struct CommandTags {
  const char* name;
  const wchar_t* buttonTag;
  const wchar_t* menuTag;
};

const CommandTags& commandTags(const std::string& command) {
  static const CommandTags kCommands[] = {{"open", L"tbOpenEncryptedFile", L"mOpenEncryptedFile"},
                                          {"save", L"tbSaveCloseEncrypt", L"mSaveCloseEncrypt"},
                                          {"saveas", L"tbSaveAsCloseEncrypt", L"mSaveAsCloseEncrypt"}};
  for (const auto& entry : kCommands) {
    if (lower(command) == entry.name) return entry;
  }
  throw ScriptError("unknown command \"" + command + "\" (open, save or saveas)");
}

}  // namespace

std::shared_ptr<sim::CommandBarControl> ScriptRunner::control(const std::string& command, bool menu) {
  const CommandTags& entry = commandTags(command);
  sim::Application& app = world_.app();
  std::shared_ptr<sim::CommandBarControl> found;
  if (menu) {
    auto bar = app.menuBar();
    auto popup = bar ? bar->controlByTag(L"Lockfolio") : nullptr;
    if (popup) {
      for (const auto& item : popup->controls()) {
        if (item->tag() == entry.menuTag) found = item;
      }
    }
  } else {
    auto bar = app.commandBar(L"Lockfolio");
    found = bar ? bar->controlByTag(entry.buttonTag) : nullptr;
  }
  if (!found) throw ScriptError(std::string("there is no Lockfolio ") + (menu ? "menu item" : "button") + " \"" + command + "\"");
  return found;
}

void ScriptRunner::clickOnTab(const std::string& command) {
  // The tab's buttons carry the toolbar buttons' tags in their ids, whether or not the toolbar is there.
  const std::wstring tag = commandTags(command).buttonTag;
  const auto shown = world_.app().customUis();
  for (const auto& ui : shown) {
    for (const auto& tab : ui->tabs()) {
      for (const auto& group : tab.groups) {
        for (const auto& button : group.buttons) {
          if (button.id.size() < tag.size() || button.id.compare(button.id.size() - tag.size(), tag.size(), tag) != 0) continue;
          out_ << "   The user clicks \"" << platform::toUtf8(button.label) << "\" on the " << platform::toUtf8(tab.label)
               << " tab.\n";
          if (!ui->click(button.id)) out_ << "   Nothing happens: the button is disabled.\n";
          return;
        }
      }
    }
  }
  throw ScriptError("there is no Lockfolio tab (hosts of version 12.0 and later have one)");
}

void ScriptRunner::report() {
  for (const auto& problem : world_.deliverKeystrokes()) {
    out_ << "   The host could not act on the keystrokes: " << platform::toUtf8(problem) << "\n";
  }
  const auto& logins = world_.vaults().logins();
  for (; loginsSeen_ < logins.size(); ++loginsSeen_) {
    const auto& login = logins[loginsSeen_];
    switch (login.result) {
      case sim::kVaultLoggedIn:
        out_ << "   Vault server: the user logs in to vault \"" << platform::toUtf8(login.vault) << "\", mounted as "
             << platform::toUtf8(login.drive) << ":\n";
        break;
      case sim::kVaultWrongPassword:
        out_ << "   Vault server: wrong password for vault \"" << platform::toUtf8(login.vault) << "\"\n";
        break;
      case sim::kVaultUnknown:
        out_ << "   Vault server: there is no vault \"" << platform::toUtf8(login.vault) << "\"\n";
        break;
      default:
        out_ << "   Vault server: the user closes the log-in window\n";
    }
  }
  const auto& dialogs = world_.machine().user().shownDialogs();
  for (; dialogsSeen_ < dialogs.size(); ++dialogsSeen_) {
    const auto& dialog = dialogs[dialogsSeen_];
    out_ << "   " << hostName(dialog.request.host) << " shows its " << dialogKind(dialog.request.kind) << " dialog ("
         << platform::toUtf8(dialog.request.source) << ") in " << platform::toUtf8(dialog.request.initialFolder);
    if (!dialog.request.initialFileName.empty()) out_ << ", file name " << platform::toUtf8(dialog.request.initialFileName);
    out_ << "\n     ";
    if (dialog.confirmed()) {
      out_ << "the user picks " << platform::toUtf8(dialog.result) << "\n";
    } else {
      out_ << "the user cancels it\n";
    }
  }
  if (world_.running()) {
    const auto& failures = world_.app().eventFailures();
    if (failuresSeen_ > failures.size()) failuresSeen_ = 0;
    for (; failuresSeen_ < failures.size(); ++failuresSeen_) {
      out_ << "   The add-in's " << platform::toUtf8(failures[failuresSeen_].event) << " handler failed: "
           << platform::toUtf8(failures[failuresSeen_].error.description()) << "\n";
    }
  } else {
    failuresSeen_ = 0;
  }
}

bool ScriptRunner::execute(const std::string& line) {
  const std::vector<std::string> words = split(line);
  if (words.empty() || words[0][0] == '#') return true;
  const std::string verb = lower(words[0]);
  try {
    if (verb == "exit") return false;
    if (verb == "help") {
      out_ << help();
    } else if (verb == "say") {
      out_ << "   " << rest(line) << "\n";
    } else if (verb == "step") {
      out_ << "\n== " << ++step_ << ". " << rest(line) << "\n";
    } else if (verb == "start") {
      const sim::HostKind kind = words.size() > 1 ? hostKind(words[1]) : world_.options().host;
      const std::wstring version = words.size() > 2 ? platform::fromUtf8(words[2]) : world_.options().version;
      world_.start(kind, version);
      out_ << "   " << platform::toUtf8(world_.app().name()) << " " << platform::toUtf8(version) << " starts.\n";
    } else if (verb == "connect") {
      world_.connect(words.size() > 1 ? number(words[1], "the connection mode") : 1);
      out_ << "   It loads the Lockfolio add-in.\n";
    } else if (verb == "quit") {
      world_.quit();
      out_ << "   The host quits; the add-in stores the toolbar's placement and removes its menu and toolbar.\n";
    } else if (verb == "restart") {
      world_.restart();
      out_ << "   The host starts again and loads the add-in.\n";
    } else if (verb == "show") {
      const std::string what = lower(require(words, 1, "what to show"));
      if (what == "menubar") out_ << renderMenuBar(world_.app());
      else if (what == "menu") out_ << renderLockfolioMenu(world_.app());
      else if (what == "toolbar") out_ << renderToolbar(world_.app(), color_);
      else if (what == "ribbon") out_ << renderRibbon(world_.app(), color_);
      else if (what == "documents") out_ << renderDocuments(world_.app());
      else if (what == "vault") out_ << renderVault(world_);
      else if (what == "registry") out_ << renderRegistry(world_);
      else if (what == "dialogs") {
        for (const auto& dialog : world_.machine().user().shownDialogs()) {
          out_ << "   " << platform::toUtf8(dialog.request.source) << " in " << platform::toUtf8(dialog.request.initialFolder)
               << ": " << (dialog.confirmed() ? platform::toUtf8(dialog.result) : "cancelled") << "\n";
        }
      } else {
        throw ScriptError("cannot show \"" + words[1] + "\" (menubar, menu, toolbar, ribbon, documents, vault, registry, dialogs)");
      }
    } else if (verb == "new") {
      auto document = world_.app().newDocument();
      document->setText(platform::fromUtf8(rest(line)));
      out_ << "   A new document, " << platform::toUtf8(document->name()) << ".\n";
    } else if (verb == "type") {
      auto document = world_.app().activeDocument();
      if (!document) throw ScriptError("no document is open to type into");
      document->setText(platform::fromUtf8(rest(line)));
    } else if (verb == "open") {
      auto document = world_.app().openDocument(platform::fromUtf8(require(words, 1, "a path")));
      out_ << "   The user opens " << platform::toUtf8(document->fullName()) << ".\n";
    } else if (verb == "save") {
      auto document = world_.app().activeDocument();
      if (!document) throw ScriptError("no document is open to save");
      world_.app().saveDocument(document);
    } else if (verb == "saveas") {
      auto document = world_.app().activeDocument();
      if (!document) throw ScriptError("no document is open to save");
      world_.app().saveDocumentAs(document, platform::fromUtf8(require(words, 1, "a path")));
    } else if (verb == "close") {
      auto document = world_.app().activeDocument();
      if (!document) throw ScriptError("no document is open to close");
      const std::string name = platform::toUtf8(document->fullName());
      if (world_.app().closeDocument(document)) out_ << "   The user closes " << name << ".\n";
    } else if (verb == "login") {
      const std::string vault = require(words, 1, "a vault and a password, or cancel");
      if (lower(vault) == "cancel") {
        world_.vaults().answerCancel();
      } else {
        world_.vaults().answerLogin(platform::fromUtf8(vault), platform::fromUtf8(require(words, 2, "a password")));
      }
    } else if (verb == "choose") {
      world_.machine().user().choose(platform::fromUtf8(require(words, 1, "a path")));
    } else if (verb == "accept") {
      world_.machine().user().accept();
    } else if (verb == "cancel") {
      world_.machine().user().cancel();
    } else if (verb == "click" && words.size() > 2 && lower(words[2]) == "ribbon") {
      clickOnTab(require(words, 1, "open, save or saveas"));
    } else if (verb == "click") {
      const bool menu = words.size() > 2 && lower(words[2]) == "menu";
      if (words.size() > 2 && !menu) throw ScriptError("click takes \"menu\", \"ribbon\" or nothing after the command");
      auto target = control(require(words, 1, "open, save or saveas"), menu);
      out_ << "   The user clicks \"" << platform::toUtf8(target->caption().empty() ? target->tooltipText() : target->caption())
           << "\" on the Lockfolio " << (menu ? "menu" : "toolbar") << ".\n";
      if (!world_.app().click(target)) out_ << "   Nothing happens: the control cannot be clicked now.\n";
    } else if (verb == "doubleclick") {
      world_.app().doubleClickCell(platform::fromUtf8(require(words, 1, "a cell")));
    } else if (verb == "select") {
      world_.app().selectCell(platform::fromUtf8(require(words, 1, "a cell")));
    } else if (verb == "drag") {
      auto bar = world_.app().commandBar(L"Lockfolio");
      if (!bar) throw ScriptError("there is no Lockfolio toolbar to drag");
      const std::int32_t where = position(require(words, 1, "where to"));
      const std::int32_t row = words.size() > 2 ? number(words[2], "the row") : bar->rowIndex();
      const std::int32_t left = words.size() > 3 ? number(words[3], "the left edge") : bar->left();
      bar->dragTo(where, row, left);
      out_ << "   The user drags the Lockfolio toolbar: " << describePosition(where) << ", row " << row << ", left " << left
           << ".\n";
    } else if (verb == "delete" && lower(require(words, 1, "\"toolbar\"")) == "toolbar") {
      if (!world_.app().deleteToolbarByUser(L"Lockfolio")) throw ScriptError("there is no Lockfolio toolbar to delete");
      out_ << "   The user deletes the Lockfolio toolbar.\n";
    } else if (verb == "scale") {
      const std::int32_t percent = number(require(words, 1, "a percentage"), "the scale");
      if (percent < 100 || percent > 400) throw ScriptError("the scale is 100 to 400 percent");
      world_.platform().ui().setWindowDpi(static_cast<std::uint32_t>(percent) * 96 / 100);
      out_ << "   The display's scale is now " << percent << " %.\n";
    } else if (verb == "file") {
      const std::wstring path = platform::fromUtf8(require(words, 1, "a path and a text"));
      std::string text;
      for (std::size_t i = 2; i < words.size(); ++i) text += (i > 2 ? " " : "") + words[i];
      std::error_code error;
      std::filesystem::create_directories(
          std::filesystem::path(world_.platform().fileSystem().toNative(path)).parent_path(), error);
      if (error || !world_.machine().writeFile(path, platform::fromUtf8(text))) {
        throw ScriptError("cannot write " + words[1]);
      }
    } else if (verb == "attrib") {
      const std::string native = world_.platform().fileSystem().toNative(platform::fromUtf8(require(words, 1, "a path")));
      const std::string attribute = lower(require(words, 2, "readonly, hidden or system"));
      std::uint32_t bit = 0;
      if (attribute == "readonly") bit = platform::kAttributeReadOnly;
      else if (attribute == "hidden") bit = platform::kAttributeHidden;
      else if (attribute == "system") bit = platform::kAttributeSystem;
      else throw ScriptError("unknown attribute \"" + words[2] + "\" (readonly, hidden or system)");
      if (!platform::posix::setDosAttributes(native, bit)) throw ScriptError("cannot set attributes of " + words[1]);
    } else {
      throw ScriptError("unknown action \"" + words[0] + "\"; \"help\" lists them");
    }
  } catch (const platform::ComError& e) {
    report();
    throw ScriptError(platform::toUtf8(e.description()));
  }
  report();
  return true;
}

void ScriptRunner::run(std::istream& script, const std::string& source) {
  std::size_t number = 0;
  for (std::string line; std::getline(script, line);) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    try {
      if (!execute(line)) return;
    } catch (const ScriptError& e) {
      throw ScriptError(source + ":" + std::to_string(number) + ": " + e.what());
    }
  }
}

std::string defaultStory(sim::HostKind host, const std::wstring& versionText) {
  const std::string name = hostName(host);
  const std::string version = platform::toUtf8(versionText);
  double number = 0;
  try {
    number = std::stod(version);
  } catch (...) {
  }
  if (host == sim::HostKind::PowerPoint && number < 10) {
    // PowerPoint 2000 has no file dialog that the add-in can place in the vault's drive.
    std::ostringstream story;
    story << "step PowerPoint " << version << " starts and loads the Lockfolio add-in\n"
          << "start powerpoint " << version << "\n"
          << "connect\n"
          << "show menubar\nshow menu\nshow toolbar\n"
          << "step PowerPoint " << version << " has no file dialog the add-in can open in the vault\n"
          << "new Slides\n"
          << "say Save As and Encrypt shows nothing here, and contacts no vault.\n"
          << "click saveas\n"
          << "say Open Encrypted File presses Ctrl+O: PowerPoint's own Open dialog appears.\n"
          << "cancel\n"
          << "click open\n"
          << "step The toolbar is dragged to the left, and is there again after a restart\n"
          << "drag left 1 0\n"
          << "restart\n"
          << "show toolbar\n"
          << "step The registry keeps the placement per host\n"
          << "quit\n"
          << "show registry\n";
    return story.str();
  }
  // From version 12.0 the commands are on the Lockfolio tab; the menu and the toolbar wait on the Add-Ins tab.
  const bool ribbon = number >= 12;
  const std::string shown = ribbon ? "show ribbon\n" : "show menubar\nshow menu\nshow toolbar\n";
  const std::string where = ribbon ? " ribbon\n" : "\n";
  const std::string report = "\"V:\\Quarterly report" + extension(host) + "\"";
  const std::string licence = "\"C:\\Apps\\Palvantis\\licence" + extension(host) + "\"";
  std::ostringstream story;
  story << "step " << name << " starts and loads the Lockfolio add-in\n"
        << "start " << lower(name) << " " << version << "\n"
        << "connect\n"
        << shown
        << "step A new document goes into the vault with Save As and Encrypt\n"
        << "new Quarterly figures: revenue up 12%.\n"
        << "login Demo lockfolio\n"
        << "choose " << report << "\n"
        << "click saveas" << where
        << "step The vault now holds it\n"
        << "show vault\n"
        << "step It is closed, opened again with Open Encrypted File, changed and saved in place\n"
        << "close\n"
        << "login Demo lockfolio\n"
        << "choose " << report << "\n"
        << "click open" << where
        << "type Quarterly figures: revenue up 14% (revised).\n"
        << "say It already lives in the vault, so Save and Encrypt saves it where it is.\n"
        << "click save" << where
        << "show vault\n"
        << "step A file the product itself needs is refused\n"
        << "file " << licence << " Palvantis licence\n"
        << "open " << licence << "\n"
        << "login Demo lockfolio\n"
        << "click saveas" << where
        << "close\n"
        << "step The toolbar is dragged to the bottom, and is there again after a restart\n"
        << "drag bottom 1 40\n"
        << "restart\n"
        << "show toolbar\n"
        << "step The registry keeps the placement per host\n"
        << "quit\n"
        << "show registry\n";
  return story.str();
}

}  // namespace app

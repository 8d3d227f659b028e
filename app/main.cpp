// lockfolio-sim: the Lockfolio add-in inside a simulated Word, Excel or PowerPoint.

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "app/demo_script.h"
#include "app/demo_world.h"
#include "platform/com_error.h"
#include "platform/posix/message_table_resources.h"
#include "platform/text.h"

namespace {

const char kUsage[] = R"(Usage: lockfolio-sim [options]

Runs the Lockfolio Office add-in inside a simulated Office. Without options it tells the
add-in's story in Word: connection, menu and toolbar, a document saved into a vault with
Save As and Encrypt, opened again and saved in place, a protected file refused, and the
toolbar's placement kept across a restart.

Options:
  --host word|excel|powerpoint   the host (default: word)
  --version TEXT                 the host's version, e.g. 9.0, 11.0, or 16.0 for a host with
                                 the ribbon (default: 11.0)
  --lang LOCALE                  the user's language, e.g. de-DE, fr-FR, ja-JP, zh-TW (default: English)
  --script FILE                  run the actions in FILE instead of the story ("help" in the
                                 interactive mode lists the actions)
  --interactive, -i              type the actions yourself
  --state DIR                    where the demo keeps its disk, vault and registry
                                 (default: $LOCKFOLIO_SIM_STATE, else ~/.local/state/lockfolio-sim)
  --keep                         keep what an earlier run left in the state folder (the story
                                 starts afresh unless told so)
  --color, --no-color            draw the button faces in colour (default: on a terminal)
  --help                         this text
)";

struct Arguments {
  app::DemoOptions demo;
  std::string script;
  bool interactive = false;
  bool keep = false;
  int color = -1;  // -1: when the output is a terminal
};

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

std::uint16_t parseLanguage(const std::string& locale) {
  static const char* const kKnown[] = {"en", "de", "fr", "it", "ja", "ko", "pt", "ru", "es", "zh"};
  const std::string language = locale.substr(0, locale.find_first_of("-_"));
  for (const char* known : kKnown) {
    if (language == known) return platform::posix::languageOfLocale(platform::fromUtf8(locale));
  }
  throw UsageError("unknown language \"" + locale +
                   "\" (en-US, de-DE, fr-FR, it-IT, ja-JP, ko-KR, pt-BR, ru-RU, es-ES, zh-CN or zh-TW)");
}

Arguments parse(int argc, char** argv) {
  Arguments arguments;
  const char* state = std::getenv("LOCKFOLIO_SIM_STATE");
  const char* home = std::getenv("HOME");
  arguments.demo.stateFolder = state && *state ? std::filesystem::path(state)
                               : home && *home ? std::filesystem::path(home) / ".local/state/lockfolio-sim"
                                               : std::filesystem::path(".lockfolio-sim");
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    const auto value = [&]() -> std::string {
      if (i + 1 >= argc) throw UsageError(option + " needs a value");
      return argv[++i];
    };
    if (option == "--help" || option == "-h") {
      std::cout << kUsage;
      std::exit(0);
    } else if (option == "--host") {
      const std::string host = value();
      if (host == "word") arguments.demo.host = sim::HostKind::Word;
      else if (host == "excel") arguments.demo.host = sim::HostKind::Excel;
      else if (host == "powerpoint") arguments.demo.host = sim::HostKind::PowerPoint;
      else throw UsageError("unknown host \"" + host + "\" (word, excel or powerpoint)");
    } else if (option == "--version") {
      const std::string version = value();
      try {
        std::size_t used = 0;
        std::stod(version, &used);
        if (used != version.size()) throw std::invalid_argument(version);
      } catch (const std::exception&) {
        throw UsageError("the version must be a number such as 9.0 or 11.0, not \"" + version + "\"");
      }
      arguments.demo.version = platform::fromUtf8(version);
    } else if (option == "--lang") {
      arguments.demo.language = parseLanguage(value());
    } else if (option == "--script") {
      arguments.script = value();
    } else if (option == "--interactive" || option == "-i") {
      arguments.interactive = true;
    } else if (option == "--state") {
      arguments.demo.stateFolder = value();
    } else if (option == "--keep") {
      arguments.keep = true;
    } else if (option == "--color") {
      arguments.color = 1;
    } else if (option == "--no-color") {
      arguments.color = 0;
    } else {
      throw UsageError("unknown option \"" + option + "\"");
    }
  }
  if (arguments.interactive && !arguments.script.empty()) throw UsageError("--script and --interactive exclude each other");
  return arguments;
}

int interact(app::ScriptRunner& runner) {
  std::cout << "Type actions for the simulated Office; \"help\" lists them, \"exit\" leaves.\n";
  for (;;) {
    std::cout << "lockfolio> " << std::flush;
    std::string line;
    if (!std::getline(std::cin, line)) break;
    try {
      if (!runner.execute(line)) break;
    } catch (const app::ScriptError& e) {
      std::cout << "   ! " << e.what() << "\n";
    }
  }
  std::cout << "\n";
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Arguments arguments;
  try {
    arguments = parse(argc, argv);
  } catch (const UsageError& e) {
    std::cerr << "lockfolio-sim: " << e.what() << "\nTry lockfolio-sim --help.\n";
    return 2;
  }
  const bool story = arguments.script.empty() && !arguments.interactive;
  arguments.demo.fresh = story && !arguments.keep;
  const bool color = arguments.color == -1 ? ::isatty(STDOUT_FILENO) != 0 : arguments.color == 1;
  try {
    std::string scriptText;
    std::string source = "story";
    if (!arguments.script.empty()) {
      std::ifstream file(arguments.script);
      if (!file) throw app::ScriptError("cannot read the script " + arguments.script);
      std::ostringstream content;
      content << file.rdbuf();
      scriptText = content.str();
      source = arguments.script;
    } else if (story) {
      scriptText = app::defaultStory(arguments.demo.host, arguments.demo.version);
    }

    app::DemoWorld world(arguments.demo);
    std::cout << "Lockfolio add-in in a simulated Office\n"
              << "   State folder: " << world.options().stateFolder.string()
              << (arguments.demo.fresh ? " (started afresh)" : "") << "\n"
              << "   Vault \"Demo\" (password \"lockfolio\") appears as drive V: once the user logs in.\n";
    app::ScriptRunner runner(world, std::cout, color);
    if (arguments.interactive) return interact(runner);
    std::istringstream script(scriptText);
    runner.run(script, source);
    std::cout << "\nDone. Try --host excel, --lang de-DE or --interactive.\n";
    return 0;
  } catch (const app::ScriptError& e) {
    std::cerr << "lockfolio-sim: " << e.what() << "\n";
    return 1;
  } catch (const platform::ComError& e) {
    std::cerr << "lockfolio-sim: " << platform::toUtf8(e.description()) << "\n";
    return 1;
  } catch (const std::exception& e) {
    std::cerr << "lockfolio-sim: " << e.what() << "\n";
    return 1;
  }
}

#pragma once
// What outlives one run of a simulated host on the simulated machine: each host's command bars,
// the hosts' document folders, the user at the dialogs, and the documents on disk.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "sim/bar_store.h"
#include "sim/path_mapper.h"
#include "sim/user_script.h"

namespace sim {

class Machine {
 public:
  Machine(platform::Platform platform, std::unique_ptr<PathMapper> paths);

  platform::Platform& platform() { return platform_; }
  PathMapper& paths() { return *paths_; }
  UserScript& user() { return user_; }

  // The host's command bars; at first use, its built-in menu bar and toolbars.
  std::shared_ptr<BarStore> barStore(HostKind host);
  BarStore& commandBars(HostKind host) { return *barStore(host); }

  // The folder a host proposes for documents: Word's "DOC-PATH" file location, Excel's
  // DefaultFilePath, PowerPoint's default file location. Initially C:\Users\User\Documents.
  std::wstring documentsFolder(HostKind host) const;
  void setDocumentsFolder(HostKind host, std::wstring folder);

  // Word's file locations, by the names its file-locations dialog uses ("DOC-PATH",
  // "PICTURE-PATH", "USER-DOT-PATH", ...); nothing for a name Word does not know.
  std::optional<std::wstring> wordFileLocation(const std::wstring& key) const;
  // Sets a location as test set-up (not recorded); raises for an unknown name.
  void setWordFileLocation(const std::wstring& key, std::wstring folder);
  // Word's file-locations dialog applies a setting: changed and recorded.
  void applyWordFileLocation(const std::wstring& key, std::wstring folder);
  struct LocationChange {
    std::wstring key;
    std::wstring folder;
  };
  const std::vector<LocationChange>& wordFileLocationChanges() const { return locationChanges_; }
  void forgetWordFileLocationChanges() { locationChanges_.clear(); }

  // The documents on disk, through the path mapper. A path that has no place on disk reads as
  // missing and cannot be written.
  bool fileExists(const std::wstring& path);
  bool folderExists(const std::wstring& path);
  std::optional<std::wstring> readFile(const std::wstring& path);
  bool writeFile(const std::wstring& path, const std::wstring& text);

 private:
  std::optional<std::filesystem::path> native(const std::wstring& path);

  platform::Platform platform_;
  std::unique_ptr<PathMapper> paths_;
  UserScript user_;
  std::map<HostKind, std::shared_ptr<BarStore>> bars_;
  std::map<std::wstring, std::wstring> wordLocations_;  // by folded name
  std::wstring excelDefaultFilePath_;
  std::wstring powerPointFolder_;
  std::vector<LocationChange> locationChanges_;
};

}  // namespace sim

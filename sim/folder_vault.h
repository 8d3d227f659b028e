#pragma once
// A vault server for tests and the demo, reached by the ProgID "Morvane.Vault" like the product's
// own. Each vault is a folder; logging in to one mounts it under its drive letter, in place of
// whichever vault that letter held before. Who picks which vault with which password comes from a
// queue of answers, as a person would give them at the server's own log-in window.

#include <deque>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "sim/sim_object.h"

namespace sim {

struct VaultDefinition {
  std::wstring name;
  wchar_t drive = L'V';
  std::wstring password;
};

// The results of SelectAndLogin: 0 means logged in; the rest say why not.
enum VaultLoginResult : std::int32_t {
  kVaultLoggedIn = 0,
  kVaultCancelled = 1,
  kVaultUnknown = 2,
  kVaultWrongPassword = 3,
};

class VaultService {
 public:
  // `mount` makes the vault's folder reachable under its drive letter; `fileExists` tells whether
  // there is a file at a path, through the letters as they are mounted now.
  VaultService(std::function<void(const VaultDefinition&)> mount, std::function<bool(const std::wstring&)> fileExists)
      : mount_(std::move(mount)), fileExists_(std::move(fileExists)) {}

  void addVault(VaultDefinition vault) { vaults_.push_back(std::move(vault)); }
  const std::vector<VaultDefinition>& vaults() const { return vaults_; }

  // The next log-in window is answered with this vault and password, or cancelled.
  void answerLogin(const std::wstring& vaultName, const std::wstring& password);
  void answerCancel();
  std::size_t pendingAnswers() const { return answers_.size(); }

  // What the server's object members do.
  std::int32_t selectAndLogin(std::wstring& drive);
  // 0 for a file of the vault that its drive letter holds now, -1 for anything else: a document
  // of a vault whose letter another vault took over is no longer a document of any vault there.
  std::int32_t isFileFromVault(const std::wstring& path);

  int loginWindowsShown() const { return loginWindowsShown_; }
  // Every log-in window and how it ended.
  struct Login {
    std::wstring vault;  // empty when cancelled
    std::int32_t result;
    std::wstring drive;  // the drive letter handed back when logged in
  };
  const std::vector<Login>& logins() const { return logins_; }
  // The paths IsFileFromVault was asked about, in order.
  const std::vector<std::wstring>& queriedPaths() const { return queried_; }
  // Forgets the log-ins and the paths asked about (a long run's record would grow with it).
  void forgetHistory() {
    logins_.clear();
    queried_.clear();
  }
  int objectsCreated() const { return objectsCreated_; }
  // A new server object, as creating "Morvane.Vault" gives one.
  Object createObject();

 private:
  struct Answer {
    bool cancel;
    std::wstring vault;
    std::wstring password;
  };
  std::function<void(const VaultDefinition&)> mount_;
  std::function<bool(const std::wstring&)> fileExists_;
  std::vector<VaultDefinition> vaults_;
  // The drive letters mounted (in capitals); each leads into the vault that took it last.
  std::set<wchar_t> mounted_;
  std::deque<Answer> answers_;
  std::vector<std::wstring> queried_;
  std::vector<Login> logins_;
  int loginWindowsShown_ = 0;
  int objectsCreated_ = 0;
};

}  // namespace sim

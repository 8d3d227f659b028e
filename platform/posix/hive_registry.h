#pragma once
// The native registry: an in-memory hive, optionally kept in a .reg file. Every operation takes an
// exclusive lock on "<file>.lock", reloads the file when another process changed it, and a change
// is written to a temporary file, flushed and renamed over the old one, so that a crash or a second
// process never leaves a torn file. A damaged file raises ComError naming the file and line, and is
// never overwritten.

#include <functional>
#include <string>

#include <sys/types.h>

#include "platform/posix/registry_hive.h"
#include "platform/registry.h"

namespace platform::posix {

class HiveRegistry : public Registry {
 public:
  HiveRegistry() = default;                    // in memory only
  explicit HiveRegistry(std::string filePath);  // reads the file now, so a damaged one is reported at once

  long createKey(std::int32_t root, const std::wstring& path, std::uint32_t access,
                 std::unique_ptr<RegistryKey>& key) override;
  bool treeDeleteAvailable() override { return true; }

  const std::string& filePath() const { return file_; }

  // Runs `operation` on the current hive under the lock; writes the file when it sets `changed`.
  long access(const std::function<long(Hive&, bool& changed)>& operation);

 private:
  struct Stamp {
    bool valid = false;
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    long long modifiedNs = 0;
    bool operator==(const Stamp& other) const;
  };

  Stamp currentStamp() const;
  void reloadIfChanged();
  void save();

  std::string file_;
  Hive hive_;
  Stamp stamp_;
};

}  // namespace platform::posix

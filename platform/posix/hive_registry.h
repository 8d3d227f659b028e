#pragma once
// The native registry: an in-memory hive, optionally kept in a .reg file. Every operation takes an
// exclusive lock on "<file>.lock" and reads the file again; it is parsed again when its bytes differ
// from those this process last read or wrote. Nothing about the file but its content tells: another
// process's save can leave the same inode, size and modification time. A change is written to a
// temporary file, flushed and renamed over the old one, so that a crash or a second process never
// leaves a torn file. A damaged file is never overwritten: the constructor raises ComError naming
// the file and line; found later, every operation returns ERROR_BADDB. Like every other failure of
// the file, it comes back as the code Windows' registry would return, never raised.

#include <functional>
#include <string>
#include <vector>

#include "platform/posix/registry_hive.h"
#include "platform/registry.h"

namespace platform::posix {

class HiveRegistry : public Registry {
 public:
  HiveRegistry() = default;                    // in memory only
  explicit HiveRegistry(std::string filePath);  // reads the file now, so a damaged one is reported at once

  long createKey(std::int32_t root, const std::wstring& path, std::uint32_t access,
                 std::unique_ptr<RegistryKey>& key) override;
  long openKey(std::int32_t root, const std::wstring& path, std::uint32_t access,
               std::unique_ptr<RegistryKey>& key) override;
  bool treeDeleteAvailable() override { return true; }

  const std::string& filePath() const { return file_; }

  // Runs `operation` on the current hive under the lock; writes the file when it sets `changed`.
  long access(const std::function<long(Hive&, bool& changed)>& operation);

 private:
  // The file's content as this process last read or wrote it; the hive is that content parsed.
  struct Snapshot {
    bool known = false;
    bool exists = false;
    std::vector<char> bytes;
  };

  void reloadIfChanged();
  void save();

  std::string file_;
  Hive hive_;
  Snapshot snapshot_;
};

}  // namespace platform::posix

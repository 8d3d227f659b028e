#include "platform/posix/hive_registry.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "platform/com_error.h"
#include "platform/posix/reg_file_format.h"
#include "platform/text.h"

namespace platform::posix {
namespace {

// A failure of the registry file itself, with the system's reason.
class FileFailure : public ComError {
 public:
  FileFailure(const ComError& error, int reason) : ComError(error), reason_(reason) {}
  // What Windows' registry functions return for such a failure.
  long win32Code() const {
    switch (reason_) {
      case ENOSPC: return kErrorDiskFull;
      case EACCES:
      case EPERM:
      case EROFS: return kErrorAccessDenied;
      default: return kErrorRegistryIoFailed;
    }
  }

 private:
  int reason_;
};

[[noreturn]] void fileFailure(const std::string& what, const std::string& file, int error) {
  throw FileFailure(ComError(errors::kPathFileAccessError, fromUtf8("Cannot " + what + " the registry file \"" + file +
                                                                    "\": " + std::strerror(error))),
                    error);
}

class FileLock {
 public:
  explicit FileLock(const std::string& file) : path_(file + ".lock") {
    fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) fileFailure("lock", file, errno);
    while (::flock(fd_, LOCK_EX) != 0) {
      if (errno != EINTR) {
        const int error = errno;
        ::close(fd_);
        fileFailure("lock", file, error);
      }
    }
  }
  ~FileLock() {
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
  }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

 private:
  std::string path_;
  int fd_ = -1;
};

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  int release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

// The file's bytes; false when there is no file.
bool readAll(const std::string& file, std::vector<char>& bytes) {
  FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0 && errno == ENOENT) return false;
  if (fd.get() < 0) fileFailure("read", file, errno);
  bytes.clear();
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) fileFailure("read", file, errno);
    if (n == 0) break;
    bytes.insert(bytes.end(), buffer, buffer + n);
  }
  return true;
}

void writeAll(int fd, const std::string& text, const std::string& file) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) fileFailure("write", file, errno);
    done += static_cast<std::size_t>(n);
  }
}

std::string directoryOf(const std::string& file) {
  const std::size_t slash = file.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : file.substr(0, slash);
}

// Keys are located by path at every call, so an open key survives reloads of the file.
class HiveRegistryKey : public RegistryKey {
 public:
  HiveRegistryKey(HiveRegistry& registry, std::int32_t root, std::vector<std::wstring> path)
      : registry_(registry), root_(root), path_(std::move(path)) {}

  long queryInfo(RegistryKeyInfo& info) override {
    return withKey([&](HiveKey& key, bool&) {
      info = {};
      info.subKeyCount = static_cast<std::uint32_t>(key.subKeys.size());
      info.valueCount = static_cast<std::uint32_t>(key.values.size());
      for (const auto& sub : key.subKeys) {
        info.maxSubKeyNameLength = std::max(info.maxSubKeyNameLength, static_cast<std::uint32_t>(sub->name.size()));
      }
      for (const auto& value : key.values) {
        info.maxValueNameLength = std::max(info.maxValueNameLength, static_cast<std::uint32_t>(value.name.size()));
        info.maxValueDataBytes = std::max(info.maxValueDataBytes, static_cast<std::uint32_t>(value.data.size()));
      }
      return kErrorSuccess;
    });
  }

  long enumValue(std::uint32_t index, RegistryValue& value) override {
    return withKey([&](HiveKey& key, bool&) {
      if (index >= key.values.size()) return kErrorNoMoreItems;
      value = key.values[index];
      return kErrorSuccess;
    });
  }

  long enumSubKey(std::uint32_t index, std::wstring& name) override {
    return withKey([&](HiveKey& key, bool&) {
      if (index >= key.subKeys.size()) return kErrorNoMoreItems;
      name = key.subKeys[index]->name;
      return kErrorSuccess;
    });
  }

  long queryValue(const std::wstring& name, std::uint32_t& type, std::vector<std::uint8_t>* data) override {
    return withKey([&](HiveKey& key, bool&) {
      const RegistryValue* value = key.findValue(name);
      if (!value) return kErrorFileNotFound;
      type = value->type;
      if (data) *data = value->data;
      return kErrorSuccess;
    });
  }

  long setValue(const std::wstring& name, std::uint32_t type, const std::vector<std::uint8_t>& data) override {
    return withKey([&](HiveKey& key, bool& changed) {
      key.setValue(name, type, data);
      changed = true;
      return kErrorSuccess;
    });
  }

  long deleteValue(const std::wstring& name) override {
    return withKey([&](HiveKey& key, bool& changed) {
      changed = key.removeValue(name);
      return changed ? kErrorSuccess : kErrorFileNotFound;
    });
  }

  long deleteSubKeyTree(const std::wstring& name) override {
    return withKey([&](HiveKey& key, bool& changed) {
      changed = key.removeSubKey(name);
      return changed ? kErrorSuccess : kErrorFileNotFound;
    });
  }

  long deleteSubKey(const std::wstring& name) override {
    return withKey([&](HiveKey& key, bool& changed) {
      const HiveKey* sub = key.findSubKey(name);
      if (!sub) return kErrorFileNotFound;
      if (!sub->subKeys.empty()) return kErrorAccessDenied;
      changed = key.removeSubKey(name);
      return kErrorSuccess;
    });
  }

 private:
  long withKey(const std::function<long(HiveKey&, bool&)>& operation) {
    return registry_.access([&](Hive& hive, bool& changed) {
      HiveKey* key = hive.find(root_, path_);
      if (!key) return kErrorKeyDeleted;
      return operation(*key, changed);
    });
  }

  HiveRegistry& registry_;
  std::int32_t root_;
  std::vector<std::wstring> path_;
};

}  // namespace

HiveRegistry::HiveRegistry(std::string filePath) : file_(std::move(filePath)) {
  FileLock lock(file_);
  reloadIfChanged();
}

void HiveRegistry::reloadIfChanged() {
  Snapshot now;
  now.known = true;
  now.exists = readAll(file_, now.bytes);
  if (snapshot_.known && now.exists == snapshot_.exists && now.bytes == snapshot_.bytes) return;
  Hive loaded;
  if (now.exists) parseRegFile(now.bytes, file_, loaded);
  std::swap(hive_, loaded);
  snapshot_ = std::move(now);
}

void HiveRegistry::save() {
  const std::string text = formatRegFile(hive_);
  const std::string temporary = file_ + ".tmp" + std::to_string(::getpid());
  {
    FileDescriptor fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    if (fd.get() < 0) fileFailure("write", file_, errno);
    try {
      writeAll(fd.get(), text, file_);
      if (::fsync(fd.get()) != 0) fileFailure("write", file_, errno);
    } catch (...) {
      ::unlink(temporary.c_str());
      throw;
    }
    if (::close(fd.release()) != 0) {
      const int error = errno;
      ::unlink(temporary.c_str());
      fileFailure("write", file_, error);
    }
  }
  if (::rename(temporary.c_str(), file_.c_str()) != 0) {
    const int error = errno;
    ::unlink(temporary.c_str());
    fileFailure("replace", file_, error);
  }
  FileDescriptor directory(::open(directoryOf(file_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (directory.get() >= 0) ::fsync(directory.get());
  snapshot_.known = true;
  snapshot_.exists = true;
  snapshot_.bytes.assign(text.begin(), text.end());
}

// Failures of the file come back as the codes Windows' registry functions return, never raised:
// callers of the registry handle codes on both builds.
long HiveRegistry::access(const std::function<long(Hive&, bool& changed)>& operation) {
  bool changed = false;
  if (file_.empty()) return operation(hive_, changed);
  try {
    FileLock lock(file_);
    try {
      reloadIfChanged();
    } catch (const FileFailure&) {
      throw;
    } catch (const ComError&) {
      return kErrorBadDatabase;  // a damaged file, which is never overwritten
    }
    const long result = operation(hive_, changed);
    if (changed) {
      try {
        save();
      } catch (...) {
        snapshot_ = Snapshot{};  // the next access reloads what is really on disk
        throw;
      }
    }
    return result;
  } catch (const FileFailure& failure) {
    return failure.win32Code();
  } catch (const ComError&) {
    return kErrorInvalidParameter;  // a name or value the file cannot hold
  }
}

long HiveRegistry::createKey(std::int32_t root, const std::wstring& path, std::uint32_t /*access*/,
                             std::unique_ptr<RegistryKey>& key) {
  // As on Windows: a path below a root is relative, the root itself is the empty path.
  if (!path.empty() && path[0] == L'\\') return kErrorBadPathname;
  std::vector<std::wstring> parts = splitKeyPath(path);
  const long result = access([&](Hive& hive, bool& changed) {
    if (!hive.root(root)) return kErrorInvalidHandle;
    if (!hive.find(root, parts)) {
      hive.create(root, parts);
      changed = true;
    }
    return kErrorSuccess;
  });
  if (result == kErrorSuccess) key = std::make_unique<HiveRegistryKey>(*this, root, std::move(parts));
  return result;
}

long HiveRegistry::openKey(std::int32_t root, const std::wstring& path, std::uint32_t /*access*/,
                           std::unique_ptr<RegistryKey>& key) {
  if (!path.empty() && path[0] == L'\\') return kErrorBadPathname;
  std::vector<std::wstring> parts = splitKeyPath(path);
  const long result = access([&](Hive& hive, bool&) {
    if (!hive.root(root)) return kErrorInvalidHandle;
    return hive.find(root, parts) ? kErrorSuccess : kErrorFileNotFound;
  });
  if (result == kErrorSuccess) key = std::make_unique<HiveRegistryKey>(*this, root, std::move(parts));
  return result;
}

}  // namespace platform::posix

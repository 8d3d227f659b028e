#include "platform/posix/posix_file_system.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "platform/com_error.h"
#include "platform/local_share.h"
#include "platform/posix/posix_this_machine.h"
#include "platform/text.h"

namespace platform::posix {
namespace {

const char kDosAttributeName[] = "user.DOSATTRIB";

ComError errorFromErrno(int error, std::int32_t notFound) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return ComError::automation(notFound);
    case EACCES:
    case EPERM:
    case EROFS:
    case EBUSY:
    case ETXTBSY:
      return ComError::automation(errors::kPermissionDenied);
    case EEXIST:
    case ENOTEMPTY:
      return ComError::automation(errors::kFileAlreadyExists);
    default:
      return ComError(errors::kPathFileAccessError,
                      automationErrorDescription(errors::kPathFileAccessError) + L" (" + fromUtf8(std::strerror(error)) + L")");
  }
}

std::uint32_t dosAttributes(const std::string& nativePath) {
  char buffer[64] = {};
  const ssize_t n = ::getxattr(nativePath.c_str(), kDosAttributeName, buffer, sizeof buffer - 1);
  if (n <= 2 || buffer[0] != '0' || (buffer[1] != 'x' && buffer[1] != 'X')) return 0;
  return static_cast<std::uint32_t>(std::strtoul(buffer + 2, nullptr, 16));
}

std::string baseName(const std::string& nativePath) {
  const std::size_t slash = nativePath.rfind('/');
  return slash == std::string::npos ? nativePath : nativePath.substr(slash + 1);
}

struct DirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

struct MallocFree {
  void operator()(char* memory) const { std::free(memory); }
};

// Removes the entry `name` of the folder open as `parent`, and everything below it. Each folder is
// opened relative to its parent without following a link, and judged by what its descriptor is:
// a link swapped in after it was looked at is removed itself, never followed.
void removeAt(int parent, const std::string& name) {
  struct stat info {};
  if (::fstatat(parent, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) throw errorFromErrno(errno, errors::kPathNotFound);
  if (!S_ISDIR(info.st_mode)) {
    if (::unlinkat(parent, name.c_str(), 0) != 0) throw errorFromErrno(errno, errors::kPathNotFound);
    return;
  }
  // Forced deletion: a folder the owner may not write would keep its entries.
  if ((info.st_mode & S_IWUSR) == 0) ::fchmodat(parent, name.c_str(), info.st_mode | S_IWUSR | S_IXUSR, 0);
  {
    const int folder = ::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folder < 0) throw errorFromErrno(errno, errors::kPathNotFound);
    DirHandle dir(::fdopendir(folder));
    if (!dir) {
      ::close(folder);
      throw errorFromErrno(errno, errors::kPathNotFound);
    }
    std::vector<std::string> names;
    while (dirent* entry = ::readdir(dir.get())) {
      const std::string child = entry->d_name;
      if (child != "." && child != "..") names.push_back(child);
    }
    for (const std::string& child : names) removeAt(::dirfd(dir.get()), child);
  }
  if (::unlinkat(parent, name.c_str(), AT_REMOVEDIR) != 0) throw errorFromErrno(errno, errors::kPathNotFound);
}

void removeTree(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  const std::size_t slash = path.find_last_of('/');
  const std::string parentPath = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  const int parent = ::open(parentPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (parent < 0) throw errorFromErrno(errno, errors::kPathNotFound);
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{parent};
  removeAt(parent, path.substr(slash == std::string::npos ? 0 : slash + 1));
}

}  // namespace

PosixFileSystem::PosixFileSystem(DriveMap drives, std::wstring tempPath, std::wstring currentDirectory)
    : drives_(std::move(drives)), tempPath_(std::move(tempPath)), currentDirectory_(std::move(currentDirectory)) {
  if (!tempPath_.empty() && tempPath_.back() != L'\\') tempPath_ += L'\\';
}

bool PosixFileSystem::folderExists(const std::wstring& path) {
  try {
    struct stat info {};
    return ::stat(toNative(path).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
  } catch (const ComError&) {
    return false;
  }
}

bool PosixFileSystem::fileExists(const std::wstring& path) {
  try {
    struct stat info {};
    return ::stat(toNative(path).c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
  } catch (const ComError&) {
    return false;
  }
}

void PosixFileSystem::createFolder(const std::wstring& path) {
  const std::string native = toNative(path);
  if (::mkdir(native.c_str(), 0777) != 0) throw errorFromErrno(errno, errors::kPathNotFound);
}

std::vector<std::wstring> PosixFileSystem::subFolderNames(const std::wstring& path) {
  const std::string native = toNative(path);
  DirHandle dir(::opendir(native.c_str()));
  if (!dir) throw errorFromErrno(errno, errors::kPathNotFound);
  std::vector<std::wstring> names;
  while (dirent* entry = ::readdir(dir.get())) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    struct stat info {};
    if (::stat((native + "/" + name).c_str(), &info) == 0 && S_ISDIR(info.st_mode)) names.push_back(fromUtf8(name));
  }
  return names;
}

void PosixFileSystem::deleteFolder(const std::wstring& path) {
  const std::string native = toNative(path);
  // A link to a folder is a folder to the caller, as subFolderNames lists it; removeTree, which
  // looks at the entry itself, then removes the link and nothing of what it points at.
  struct stat info {};
  if (::stat(native.c_str(), &info) != 0) throw errorFromErrno(errno, errors::kPathNotFound);
  if (!S_ISDIR(info.st_mode)) throw ComError::automation(errors::kPathNotFound);
  removeTree(native);
}

std::uint32_t PosixFileSystem::attributes(const std::wstring& path) {
  const std::string native = toNative(path);
  struct stat info {};
  if (::stat(native.c_str(), &info) != 0) throw errorFromErrno(errno, errors::kFileNotFound);
  std::uint32_t bits = dosAttributes(native) & (kAttributeReadOnly | kAttributeHidden | kAttributeSystem);
  if (S_ISDIR(info.st_mode)) bits |= kAttributeDirectory;
  if ((info.st_mode & S_IWUSR) == 0) bits |= kAttributeReadOnly;
  const std::string name = baseName(native);
  if (name.size() > 1 && name[0] == '.' && name != "..") bits |= kAttributeHidden;
  return bits;
}

bool PosixFileSystem::canOpenForWriting(const std::wstring& path) noexcept {
  try {
    // The owner's write bit stands for the read-only attribute, which even root must respect.
    if (attributes(path) & (kAttributeReadOnly | kAttributeDirectory)) return false;
    const std::string native = toNative(path);
    const int fd = ::open(native.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false;
    // POSIX has no share modes; a program that holds the file locks it, so a held lock means in use.
    const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    if (free) ::flock(fd, LOCK_UN);
    ::close(fd);
    return free;
  } catch (...) {
    return false;
  }
}

std::wstring PosixFileSystem::canonicalPath(const std::wstring& path) {
  // A share of this machine reached through the network stands for a local folder.
  PosixThisMachine thisMachine;
  const std::wstring local = localPathOfUncPath(path, thisMachine).value_or(path);
  const std::unique_ptr<char, MallocFree> real(::realpath(toNative(local).c_str(), nullptr));
  if (!real) throw errorFromErrno(errno, errors::kFileNotFound);
  // A drive's directory may itself lie behind a link: compare real paths with real paths.
  DriveMap realDrives;
  realDrives.unmap(L'Z');
  for (const auto& [letter, directory] : drives_.drives()) {
    const std::unique_ptr<char, MallocFree> realDirectory(::realpath(directory.c_str(), nullptr));
    if (realDirectory) realDrives.map(letter, realDirectory.get());
  }
  // A link may lead where no drive does: no Windows path names that file.
  auto windows = realDrives.toWindows(real.get());
  if (!windows) throw ComError::automation(errors::kFileNotFound);
  return *std::move(windows);
}

std::optional<std::wstring> PosixFileSystem::longPathName(const std::wstring& path) {
  // POSIX names have no short 8.3 forms: an existing path is already in its long form.
  try {
    struct stat info {};
    if (path.empty() || ::stat(toNative(path).c_str(), &info) != 0) return std::nullopt;
    return path;
  } catch (const ComError&) {
    return std::nullopt;
  }
}

void PosixFileSystem::setCurrentDirectory(const std::wstring& path) {
  std::wstring absolute = path;
  if (!(path.size() >= 2 && path[1] == L':')) {
    absolute = currentDirectory_;
    if (!absolute.empty() && absolute.back() != L'\\') absolute += L'\\';
    absolute += path;
  }
  if (!folderExists(absolute)) throw ComError::automation(errors::kPathNotFound);
  currentDirectory_ = absolute;
}

bool setDosAttributes(const std::string& nativePath, std::uint32_t bits) {
  char value[32];
  std::snprintf(value, sizeof value, "0x%x", bits);
  return ::setxattr(nativePath.c_str(), kDosAttributeName, value, std::strlen(value), 0) == 0;
}

}  // namespace platform::posix

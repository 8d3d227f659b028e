#pragma once
// File-system services, with Windows-style paths ("C:\Docs\Q3.doc") on both builds.
// Failures raise ComError with the Automation numbers: 53 file not found, 58 file already exists,
// 70 permission denied, 75 path/file access error, 76 path not found.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

inline constexpr std::uint32_t kAttributeReadOnly = 0x1;
inline constexpr std::uint32_t kAttributeHidden = 0x2;
inline constexpr std::uint32_t kAttributeSystem = 0x4;
inline constexpr std::uint32_t kAttributeDirectory = 0x10;

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  virtual bool folderExists(const std::wstring& path) = 0;
  virtual bool fileExists(const std::wstring& path) = 0;
  // Creates one folder; its parent must exist.
  virtual void createFolder(const std::wstring& path) = 0;
  // Names of the direct subfolders, in the order the file system lists them.
  virtual std::vector<std::wstring> subFolderNames(const std::wstring& path) = 0;
  // Deletes the folder with everything in it, read-only files included. A link (a symbolic link,
  // a junction) is removed itself, where it is the folder and where it is inside: nothing it
  // points at is touched.
  virtual void deleteFolder(const std::wstring& path) = 0;
  // The attribute bits of a file or folder.
  virtual std::uint32_t attributes(const std::wstring& path) = 0;
  // Whether the file can be opened for writing right now, without creating or changing it.
  virtual bool canOpenForWriting(const std::wstring& path) noexcept = 0;
  // The one path the file system reports for an existing file or folder, however it is spelt:
  // absolute, links followed, in long form, without a "\\?\" prefix. A named stream ("a.doc:s")
  // keeps its ":name" after its file's path. Raises 53 when nothing is there.
  virtual std::wstring canonicalPath(const std::wstring& path) = 0;
  // The long form of an existing path; nothing when it does not exist or cannot be converted.
  virtual std::optional<std::wstring> longPathName(const std::wstring& path) = 0;
  // The user's temporary folder, ending in a backslash.
  virtual std::wstring tempPath() = 0;
  // The process's current directory. Setting it to a folder that is not there raises 76.
  virtual std::wstring currentDirectory() = 0;
  virtual void setCurrentDirectory(const std::wstring& path) = 0;
  // Whether the file system compares names without regard to letter case.
  virtual bool namesIgnoreCase() const = 0;
};

}  // namespace platform

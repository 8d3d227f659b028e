#pragma once
// The file system of the native build, reached through Windows-style paths (see DriveMap).
// The read-only, hidden and system attributes come from the POSIX file: read-only when its owner
// may not write it, hidden when its name starts with a dot; and, as Wine and Samba keep them, from
// the "user.DOSATTRIB" extended attribute ("0x<bits>"), which is the only place a system bit lives.

#include <string>

#include "platform/file_system.h"
#include "platform/posix/drive_map.h"

namespace platform::posix {

class PosixFileSystem : public FileSystem {
 public:
  PosixFileSystem(DriveMap drives, std::wstring tempPath, std::wstring currentDirectory);

  bool folderExists(const std::wstring& path) override;
  bool fileExists(const std::wstring& path) override;
  void createFolder(const std::wstring& path) override;
  std::vector<std::wstring> subFolderNames(const std::wstring& path) override;
  void deleteFolder(const std::wstring& path) override;
  std::uint32_t attributes(const std::wstring& path) override;
  bool canOpenForWriting(const std::wstring& path) noexcept override;
  std::wstring canonicalPath(const std::wstring& path) override;
  std::optional<std::wstring> longPathName(const std::wstring& path) override;
  std::wstring tempPath() override { return tempPath_; }
  bool namesIgnoreCase() const override { return false; }

  const DriveMap& drives() const { return drives_; }
  DriveMap& drives() { return drives_; }
  std::string toNative(const std::wstring& path) const { return drives_.toNative(path, currentDirectory_); }
  std::wstring currentDirectory() override { return currentDirectory_; }
  // The native process keeps its own directory: only the add-in's Windows-style one changes.
  void setCurrentDirectory(const std::wstring& path) override;

 private:
  DriveMap drives_;
  std::wstring tempPath_;
  std::wstring currentDirectory_;
};

// Sets the DOS attribute bits of a native file the way Wine keeps them (used by tests and the demo).
bool setDosAttributes(const std::string& nativePath, std::uint32_t bits);

}  // namespace platform::posix

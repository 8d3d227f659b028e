#pragma once
// The file system through the kernel32 wide-character functions.

#include "platform/file_system.h"

namespace platform::win32 {

class Win32FileSystem final : public FileSystem {
 public:
  bool folderExists(const std::wstring& path) override;
  bool fileExists(const std::wstring& path) override;
  void createFolder(const std::wstring& path) override;
  std::vector<std::wstring> subFolderNames(const std::wstring& path) override;
  void deleteFolder(const std::wstring& path) override;
  std::uint32_t attributes(const std::wstring& path) override;
  bool canOpenForWriting(const std::wstring& path) noexcept override;
  std::wstring canonicalPath(const std::wstring& path) override;
  std::optional<std::wstring> longPathName(const std::wstring& path) override;
  std::wstring tempPath() override;
  std::wstring currentDirectory() override;
  void setCurrentDirectory(const std::wstring& path) override;
  bool namesIgnoreCase() const override { return true; }

 private:
  // The final path of a handle to the file, in long form, without the "\\?\" prefix.
  std::wstring finalPathOf(const std::wstring& path);
};

}  // namespace platform::win32

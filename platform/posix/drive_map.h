#pragma once
// Windows-style paths on a POSIX file system: each drive letter maps to a directory, as Wine maps
// them (Z: to "/" unless told otherwise). "V:\Reports\Q3.doc" with V: -> /srv/vault is
// /srv/vault/Reports/Q3.doc.

#include <map>
#include <optional>
#include <string>

namespace platform::posix {

class DriveMap {
 public:
  DriveMap();  // Z: -> "/"

  void map(wchar_t letter, const std::string& directory);
  void unmap(wchar_t letter);
  std::optional<std::string> directoryOf(wchar_t letter) const;
  const std::map<wchar_t, std::string>& drives() const { return drives_; }

  // The POSIX path of a Windows path, spelt in any way Windows accepts: forward slashes, repeated
  // separators, "\\?\" and "\\.\" prefixes, "." and "..", trailing dots and blanks in names, the
  // default stream's "::$DATA". Relative paths are taken from `currentDirectory`.
  // Raises ComError 76 (path not found) for an unmapped drive or a network path.
  std::string toNative(const std::wstring& windowsPath, const std::wstring& currentDirectory) const;
  // The Windows path of a POSIX path, through the drive whose directory holds it most closely.
  std::optional<std::wstring> toWindows(const std::string& nativePath) const;

 private:
  std::map<wchar_t, std::string> drives_;
};

}  // namespace platform::posix

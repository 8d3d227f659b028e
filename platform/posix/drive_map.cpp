#include "platform/posix/drive_map.h"

#include <cwctype>
#include <vector>

#include "platform/com_error.h"
#include "platform/text.h"

namespace platform::posix {
namespace {

wchar_t upper(wchar_t letter) { return static_cast<wchar_t>(std::towupper(static_cast<wint_t>(letter))); }

bool isDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

std::string withoutTrailingSlash(std::string directory) {
  while (directory.size() > 1 && directory.back() == '/') directory.pop_back();
  return directory;
}

[[noreturn]] void pathNotFound() { throw ComError::automation(errors::kPathNotFound); }

}  // namespace

DriveMap::DriveMap() { map(L'Z', "/"); }

void DriveMap::map(wchar_t letter, const std::string& directory) {
  drives_[upper(letter)] = withoutTrailingSlash(directory);
}

void DriveMap::unmap(wchar_t letter) { drives_.erase(upper(letter)); }

std::optional<std::string> DriveMap::directoryOf(wchar_t letter) const {
  auto it = drives_.find(upper(letter));
  if (it == drives_.end()) return std::nullopt;
  return it->second;
}

std::string DriveMap::toNative(const std::wstring& windowsPath, const std::wstring& currentDirectory) const {
  std::wstring path = windowsPath;
  for (auto& c : path) {
    if (c == L'/') c = L'\\';
  }
  // "\\?\C:\..." and "\\.\C:\..." reach a drive through the device namespace; what is left of
  // "\\?\UNC\server\..." is a network path.
  if (path.size() >= 4 && path[0] == L'\\' && path[1] == L'\\' && (path[2] == L'?' || path[2] == L'.') &&
      path[3] == L'\\') {
    path.erase(0, 4);
  }
  if (path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\') pathNotFound();  // network paths
  if (!(path.size() >= 2 && isDriveLetter(path[0]) && path[1] == L':')) {
    if (currentDirectory.empty()) pathNotFound();
    if (!path.empty() && path[0] == L'\\') {
      path = currentDirectory.substr(0, 2) + path;  // rooted on the current drive
    } else {
      std::wstring base = currentDirectory;
      if (!base.empty() && base.back() != L'\\') base += L'\\';
      path = base + path;
    }
    if (!(path.size() >= 2 && isDriveLetter(path[0]) && path[1] == L':')) pathNotFound();
  }
  const auto directory = directoryOf(path[0]);
  if (!directory) pathNotFound();

  // The names as Windows reads them, so that every spelling of a file reaches that file and no
  // ".." leads out of the drive's directory.
  std::vector<std::wstring> names;
  std::size_t start = 2;
  while (start <= path.size()) {
    std::size_t end = path.find(L'\\', start);
    if (end == std::wstring::npos) end = path.size();
    std::wstring name = path.substr(start, end - start);
    start = end + 1;
    if (end == path.size() && name.size() > 7 && equalsIgnoreCase(name.substr(name.size() - 7), L"::$DATA")) {
      name.erase(name.size() - 7);  // the file's own (default) data stream
    }
    if (name == L"..") {
      if (!names.empty()) names.pop_back();
      continue;
    }
    while (!name.empty() && (name.back() == L'.' || name.back() == L' ')) name.pop_back();
    if (!name.empty()) names.push_back(std::move(name));  // "." and repeated separators name nothing
  }
  std::string native = *directory;
  for (const std::wstring& name : names) {
    if (native.empty() || native.back() != '/') native += '/';
    native += toUtf8(name);
  }
  return native;
}

std::optional<std::wstring> DriveMap::toWindows(const std::string& nativePath) const {
  const std::pair<const wchar_t, std::string>* best = nullptr;
  for (const auto& drive : drives_) {
    const std::string& dir = drive.second;
    const bool inside = dir == "/" ? (!nativePath.empty() && nativePath[0] == '/')
                                   : (nativePath == dir || nativePath.rfind(dir + "/", 0) == 0);
    if (inside && (!best || dir.size() > best->second.size())) best = &drive;
  }
  if (!best) return std::nullopt;
  std::string rest = nativePath.substr(best->second == "/" ? 1 : best->second.size());
  if (!rest.empty() && rest[0] == '/') rest.erase(0, 1);
  std::wstring windows = std::wstring(1, best->first) + L":\\" + fromUtf8(rest);
  for (auto& c : windows) {
    if (c == L'/') c = L'\\';
  }
  return windows;
}

}  // namespace platform::posix

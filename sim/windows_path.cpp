#include "sim/windows_path.h"

#include "platform/text.h"

namespace sim::windows_path {
namespace {

bool isSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

std::size_t lastSeparator(const std::wstring& path) { return path.find_last_of(L"\\/"); }

bool isDriveOnly(const std::wstring& text) { return text.size() == 2 && text[1] == L':'; }

}  // namespace

std::wstring fileNameOf(const std::wstring& path) {
  const std::size_t at = lastSeparator(path);
  return at == std::wstring::npos ? path : path.substr(at + 1);
}

std::wstring folderOf(const std::wstring& path) {
  const std::size_t at = lastSeparator(path);
  if (at == std::wstring::npos) return {};
  std::wstring folder = path.substr(0, at);
  if (isDriveOnly(folder)) folder += L'\\';
  return folder;
}

std::wstring join(const std::wstring& folder, const std::wstring& name) {
  if (folder.empty()) return name;
  if (isSeparator(folder.back())) return folder + name;
  return folder + L'\\' + name;
}

bool isAbsolute(const std::wstring& path) {
  if (path.size() >= 3 && path[1] == L':' && isSeparator(path[2])) return true;
  return path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1]);
}

bool hasWildcard(const std::wstring& text) { return text.find_first_of(L"*?") != std::wstring::npos; }

bool hasExtension(const std::wstring& name) {
  const std::wstring file = fileNameOf(name);
  const std::size_t dot = file.rfind(L'.');
  return dot != std::wstring::npos && dot > 0 && dot + 1 < file.size();
}

bool sameFile(const std::wstring& a, const std::wstring& b) { return platform::equalsIgnoreCase(a, b); }

DialogText splitDialogText(const std::wstring& text, const std::function<bool(const std::wstring&)>& isFolder) {
  if (text.empty()) return {};
  if (isSeparator(text.back())) return {text, {}};
  if (isDriveOnly(text)) return {text + L'\\', {}};
  if (!hasWildcard(text) && isFolder && isFolder(text)) return {text, {}};
  return {folderOf(text), fileNameOf(text)};
}

}  // namespace sim::windows_path

#include "platform/win32/win32_folder_listing.h"

#include <windows.h>

#include "platform/caller_path.h"
#include "platform/com_error.h"
#include "platform/win32/win32_error.h"
#include "platform/win32/win32_handles.h"

namespace platform::win32 {
namespace {

bool isDotEntry(const wchar_t* name) {
  return (name[0] == L'.' && name[1] == L'\0') || (name[0] == L'.' && name[1] == L'.' && name[2] == L'\0');
}

// The find data carries the reparse tag in dwReserved0 when the entry is a reparse point. No tag
// is 0, yet a reparse point can come without one (Wine shows a POSIX symbolic link so): not knowing
// what it is, it counts as a link, whose contents are left alone.
bool isLink(const WIN32_FIND_DATAW& found) {
  if ((found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return false;
  return found.dwReserved0 == 0 || IsReparseTagNameSurrogate(found.dwReserved0) != 0;
}

// Whether the reparse point at `path` is a link. Searching for the path itself (no wildcard)
// finds its own directory entry, tag included. When that cannot be read, the answer is yes:
// treating a folder as a link only means its contents are left alone.
bool reparsePointIsLink(std::wstring path) {
  while (path.size() > 1 && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
  if (path.find_first_of(L"*?") != std::wstring::npos) return true;
  WIN32_FIND_DATAW found{};
  const UniqueFind search(
      FindFirstFileExW(path.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0));
  return !search || isLink(found);
}

}  // namespace

FolderEntry existingFolder(const std::wstring& folder) {
  const DWORD attributes = GetFileAttributesW(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD code = GetLastError();
    // The caller names a folder, so a missing last component is a missing path too.
    if (code == ERROR_FILE_NOT_FOUND) throw ComError::automation(errors::kPathNotFound);
    throw errorFromWin32(code, folder);
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) throw ComError::automation(errors::kPathNotFound);
  const bool link = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && reparsePointIsLink(folder);
  return {folder, attributes, link};
}

std::vector<FolderEntry> folderEntries(const std::wstring& folder) {
  std::vector<FolderEntry> entries;
  const std::wstring pattern = childPath(folder, L"*");
  WIN32_FIND_DATAW found{};
  // Entries are read in full before the caller acts on them, and the handle is closed on return,
  // so that deleting them (or recursing into them) never happens under an open search.
  const UniqueFind search(
      FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0));
  if (!search) {
    const DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND) return entries;  // nothing at all, not even "." (a drive root)
    throw errorFromWin32(code, folder);
  }
  do {
    if (!isDotEntry(found.cFileName)) entries.push_back({found.cFileName, found.dwFileAttributes, isLink(found)});
  } while (FindNextFileW(search.get(), &found));
  const DWORD code = GetLastError();
  if (code != ERROR_NO_MORE_FILES) throw errorFromWin32(code, folder);
  return entries;
}

std::wstring childPath(const std::wstring& folder, const std::wstring& name) {
  if (!folder.empty() && folder.back() == L':') return folder + name;  // "C:": the drive's current folder
  return joinPath(folder, name);
}

}  // namespace platform::win32

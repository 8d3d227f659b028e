#include "platform/win32/win32_folder_removal.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/com_error.h"
#include "platform/win32/win32_error.h"
#include "platform/win32/win32_folder_listing.h"
#include "platform/win32/win32_handles.h"

namespace platform::win32 {
namespace {

// The attribute bits that can be set on an existing entry.
constexpr DWORD kSettableAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                      FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE |
                                      FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// The entry at `path` itself, never what a link there points at, open for reading and changing its
// attributes, listing it and deleting it. Shared with no one who would delete or rename it: while
// it is open, nothing else (a junction swapped in) can take its place under that path.
UniqueFile openOwnEntry(const std::wstring& path) {
  UniqueFile entry(CreateFileW(path.c_str(), DELETE | FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS | SECURITY_SQOS_PRESENT |
                                   SECURITY_IDENTIFICATION,
                               nullptr));
  if (!entry) throw errorFromWin32(GetLastError(), path);
  if (GetFileType(entry.get()) != FILE_TYPE_DISK) throw ComError::automation(errors::kPathFileAccessError);
  return entry;
}

// What the open entry is, asked of the handle rather than of an earlier listing. A reparse point
// without a tag (Wine shows a POSIX link so) or with a name-surrogate tag is a link.
FolderEntry describe(HANDLE entry, const std::wstring& path) {
  FILE_ATTRIBUTE_TAG_INFO tag{};
  if (GetFileInformationByHandleEx(entry, FileAttributeTagInfo, &tag, sizeof tag)) {
    const bool reparse = (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    return {path, tag.FileAttributes, reparse && (tag.ReparseTag == 0 || IsReparseTagNameSurrogate(tag.ReparseTag))};
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(entry, &info)) throw errorFromWin32(GetLastError(), path);
  // Not knowing the tag, a reparse point counts as a link, whose contents are left alone.
  return {path, info.dwFileAttributes, (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0};
}

// Deleting a read-only entry fails, so the flag goes first, through the handle.
void clearReadOnly(HANDLE entry, const FolderEntry& own) {
  if ((own.attributes & FILE_ATTRIBUTE_READONLY) == 0) return;
  FILE_BASIC_INFO info{};  // zero times leave the entry's times as they are
  info.FileAttributes = own.attributes & kSettableAttributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
  if (info.FileAttributes == 0) info.FileAttributes = FILE_ATTRIBUTE_NORMAL;  // 0 would change nothing
  if (!SetFileInformationByHandle(entry, FileBasicInfo, &info, sizeof info)) {
    throw errorFromWin32(GetLastError(), own.name);
  }
}

// The names in the folder open as `folder`, read through that handle: opening the folder again by
// its path would meet the handle's refusal to share deletion.
std::vector<std::wstring> entryNames(HANDLE folder, const std::wstring& path) {
  std::vector<std::wstring> names;
  std::vector<std::uint64_t> buffer(8192);  // 64 KB, aligned for the records
  FILE_INFO_BY_HANDLE_CLASS kind = FileIdBothDirectoryRestartInfo;
  while (GetFileInformationByHandleEx(folder, kind, buffer.data(), static_cast<DWORD>(buffer.size() * sizeof buffer[0]))) {
    kind = FileIdBothDirectoryInfo;
    const BYTE* at = reinterpret_cast<const BYTE*>(buffer.data());
    for (;;) {
      const auto* info = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(at);
      const std::wstring name(info->FileName, info->FileNameLength / sizeof(wchar_t));
      if (name != L"." && name != L"..") names.push_back(name);
      if (info->NextEntryOffset == 0) break;
      at += info->NextEntryOffset;
    }
  }
  const DWORD code = GetLastError();
  if (code != ERROR_NO_MORE_FILES) throw errorFromWin32(code, path);
  return names;
}

void removeEntry(const std::wstring& path) {
  // A link as the folder's path shows it is removed itself, by its path: a system that cannot open
  // a link itself (Wine's view of a POSIX link) would hand out its target instead.
  const DWORD listed = GetFileAttributesW(path.c_str());
  if (listed != INVALID_FILE_ATTRIBUTES && (listed & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    const bool folder = (listed & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (!(folder ? RemoveDirectoryW(path.c_str()) : DeleteFileW(path.c_str()))) throw errorFromWin32(GetLastError(), path);
    return;
  }
  const UniqueFile entry = openOwnEntry(path);
  const FolderEntry own = describe(entry.get(), path);
  clearReadOnly(entry.get(), own);
  // A junction or a symbolic link to a folder is not descended into: its entries are the target's.
  if ((own.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && !own.link) {
    for (const std::wstring& name : entryNames(entry.get(), path)) removeEntry(childPath(path, name));
  }
  // Deleted through the handle: the entry that was looked at, a link itself and not its target.
  FILE_DISPOSITION_INFO disposition{};
  disposition.DeleteFile = TRUE;
  if (!SetFileInformationByHandle(entry.get(), FileDispositionInfo, &disposition, sizeof disposition)) {
    throw errorFromWin32(GetLastError(), path);
  }
}

}  // namespace

void removeFolderTree(const FolderEntry& folder) { removeEntry(folder.name); }

}  // namespace platform::win32

#include "platform/win32/win32_folder_removal.h"

#include <windows.h>

#include "platform/win32/win32_error.h"
#include "platform/win32/win32_folder_listing.h"
#include "platform/win32/win32_handles.h"

namespace platform::win32 {
namespace {

// The attribute bits that can be set on an existing entry.
constexpr DWORD kSettableAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                      FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE |
                                      FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// Sets the attributes of a reparse point itself: opening it with FILE_FLAG_OPEN_REPARSE_POINT
// keeps the change off a link's target, which may lie outside the folder being deleted.
void setOwnAttributes(const std::wstring& path, DWORD attributes) {
  const UniqueFile entry(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!entry) throw errorFromWin32(GetLastError(), path);
  FILE_BASIC_INFO info{};  // zero times leave the entry's times as they are
  info.FileAttributes = attributes;
  if (!SetFileInformationByHandle(entry.get(), FileBasicInfo, &info, sizeof info)) {
    throw errorFromWin32(GetLastError(), path);
  }
}

// Deleting a read-only file or removing a read-only folder fails, so the flag goes first.
void clearReadOnly(const std::wstring& path, DWORD attributes) {
  if ((attributes & FILE_ATTRIBUTE_READONLY) == 0) return;
  DWORD kept = attributes & kSettableAttributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
  if (kept == 0) kept = FILE_ATTRIBUTE_NORMAL;  // 0 would mean "leave the attributes as they are"
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    setOwnAttributes(path, kept);
  } else if (!SetFileAttributesW(path.c_str(), kept)) {
    throw errorFromWin32(GetLastError(), path);
  }
}

void deleteFile(const std::wstring& path, DWORD attributes) {
  clearReadOnly(path, attributes);
  // For a symbolic link to a file this deletes the link, not its target.
  if (!DeleteFileW(path.c_str())) throw errorFromWin32(GetLastError(), path);
}

}  // namespace

void removeFolderTree(const FolderEntry& folder) {
  const std::wstring& path = folder.name;
  clearReadOnly(path, folder.attributes);
  // A junction or a symbolic link to a folder is not descended into: its entries are the target's.
  if (!folder.link) {
    for (FolderEntry& entry : folderEntries(path)) {
      entry.name = childPath(path, entry.name);
      if ((entry.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        removeFolderTree(entry);
      } else {
        deleteFile(entry.name, entry.attributes);
      }
    }
  }
  // For a link this removes the link itself.
  if (!RemoveDirectoryW(path.c_str())) throw errorFromWin32(GetLastError(), path);
}

}  // namespace platform::win32

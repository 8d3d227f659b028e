#pragma once
// Reading folders: what a folder holds, and the paths of its entries.

#include <cstdint>
#include <string>
#include <vector>

namespace platform::win32 {

struct FolderEntry {
  std::wstring name;
  std::uint32_t attributes = 0;  // FILE_ATTRIBUTE_* bits of the entry itself (a link's, not its target's)
  // A junction or symbolic link, or a reparse point without a tag: its contents are another
  // folder's. Other reparse points (cloud placeholders, deduplicated files) hold their own contents
  // and are not links.
  bool link = false;
};

// An existing folder, its name being `folder` as given. A missing folder, or a file in its place,
// raises ComError 76 "Path not found"; other failures raise through errorFromWin32.
FolderEntry existingFolder(const std::wstring& folder);

// The entries of an existing folder except "." and "..", in the order the file system lists them.
// Raises ComError through errorFromWin32 when the folder cannot be read.
std::vector<FolderEntry> folderEntries(const std::wstring& folder);

// `name` inside `folder`; accepts a folder with or without its trailing backslash, and "C:".
std::wstring childPath(const std::wstring& folder, const std::wstring& name);

}  // namespace platform::win32

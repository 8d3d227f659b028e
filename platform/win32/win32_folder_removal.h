#pragma once
// Deleting a folder with everything in it.

#include <cstdint>
#include <string>

namespace platform::win32 {

// Deletes `folder` (whose attributes the caller has read) and everything below it, read-only
// entries included. A link (junction or symbolic link) is removed itself: nothing of its target
// is touched. Raises ComError through errorFromWin32 on the first entry that cannot be deleted.
void removeFolderTree(const std::wstring& folder, std::uint32_t attributes);

}  // namespace platform::win32

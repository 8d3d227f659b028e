#pragma once
// Deleting a folder with everything in it.

#include "platform/win32/win32_folder_listing.h"

namespace platform::win32 {

// Deletes `folder` (its name being the folder's path) and everything below it, read-only entries
// included. Each entry is opened itself (a link is never followed), judged by what its handle
// says, and deleted through that handle; a link is removed itself: nothing of its target is
// touched. Raises ComError through errorFromWin32 at the first entry that cannot be deleted.
void removeFolderTree(const FolderEntry& folder);

}  // namespace platform::win32

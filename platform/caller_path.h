#pragma once
// Paths that callers hand in, taken apart before anything is opened: a base folder and a name
// joined with one separator, and the spellings that name a device or a pipe instead of a file or
// folder (a raw disk, a console, a pipe whose server could act as the user), which are refused.

#include <string>

namespace platform {

// `base` and `name` with one backslash between them; a base that ends in a separator (or is
// empty) gets none.
std::wstring joinPath(const std::wstring& base, const std::wstring& name);

// Whether `path` names a device or a pipe: "\\.\" or "\\?\" not followed by a drive's path or
// "UNC\", "\??\", a share's "pipe" or "mailslot" (\\server\pipe\x), or a reserved device name as
// the last name (CON, NUL.txt, COM1, LPT1, CONIN$...), with either kind of slash.
bool namesDevice(const std::wstring& path);

// Raises ComError 75 (path/file access error) when `path` names a device or a pipe.
void refuseDevicePath(const std::wstring& path);

}  // namespace platform

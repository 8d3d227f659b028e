#pragma once
// Turns a Win32 error code into the ComError a user sees.

#include <string>

#include "platform/com_error.h"

namespace platform::win32 {

// `code` is a DWORD (unsigned long on Windows, 32 bits on both architectures).
// Codes with an Automation equivalent become it, with its standard description: 53 file not found,
// 58 file already exists, 70 permission denied, 76 path not found. Any other code becomes
// HRESULT_FROM_WIN32(code) with the system's message text, followed by `context` (a path, say)
// in parentheses when one is given.
ComError errorFromWin32(unsigned long code, const std::wstring& context = {});

}  // namespace platform::win32

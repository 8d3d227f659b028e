#pragma once
// Names for the two Win32 handle types that the service headers mention, so that those headers
// need not pull in <windows.h>. They are the very types <windows.h> declares (with STRICT, its
// default): win32_types_check.cpp verifies that at compile time.

struct HINSTANCE__;
struct HKEY__;

namespace platform::win32 {

using ModuleHandle = HINSTANCE__*;  // HMODULE / HINSTANCE
using KeyHandle = HKEY__*;          // HKEY

}  // namespace platform::win32

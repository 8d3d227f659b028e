// Keeps the forward-declared handle names of win32_types.h in step with <windows.h>.
#include "platform/win32/win32_types.h"

#include <windows.h>

#include <type_traits>

static_assert(std::is_same_v<platform::win32::ModuleHandle, HMODULE>,
              "ModuleHandle must be HMODULE (build with STRICT handle types)");
static_assert(std::is_same_v<platform::win32::KeyHandle, HKEY>,
              "KeyHandle must be HKEY (build with STRICT handle types)");

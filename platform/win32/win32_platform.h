#pragma once
// The Windows build's services, one of each, for the add-in to be given as a platform::Platform.

#include "platform/platform.h"
#include "platform/win32/win32_environment.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_resources.h"
#include "platform/win32/win32_types.h"
#include "platform/win32/win32_ui.h"

namespace platform::win32 {

class Win32Platform {
 public:
  // `module` is the add-in DLL's HMODULE; the string resources are read from it.
  explicit Win32Platform(ModuleHandle module) noexcept : resources_(module) {}
  // The Platform handed out refers to the members, so this stays where it was made.
  Win32Platform(const Win32Platform&) = delete;
  Win32Platform& operator=(const Win32Platform&) = delete;

  // References to the services owned here; valid as long as this object lives.
  Platform platform() noexcept;

 private:
  Win32Registry registry_;
  Win32FileSystem fileSystem_;
  Win32Environment environment_;
  Win32Resources resources_;
  Win32Ui ui_;
};

}  // namespace platform::win32

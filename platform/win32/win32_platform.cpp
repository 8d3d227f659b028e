#include "platform/win32/win32_platform.h"

namespace platform::win32 {

Platform Win32Platform::platform() noexcept {
  return Platform{registry_, fileSystem_, environment_, resources_, ui_};
}

}  // namespace platform::win32

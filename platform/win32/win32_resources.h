#pragma once
// The add-in module's string and bitmap resources.

#include "platform/resources.h"
#include "platform/win32/win32_types.h"

namespace platform::win32 {

class Win32Resources final : public Resources {
 public:
  // `module` is the add-in's own HMODULE (the DLL's, not the host's), which must outlive this.
  explicit Win32Resources(ModuleHandle module) noexcept : module_(module) {}
  // The language is the resource loader's choice for the user: the thread's UI language with the
  // system's fallback.
  std::optional<std::wstring> loadString(std::int32_t id) override;
  // The English (United States) bitmap, else the one the resource loader picks; a copy of the
  // resource's bytes, which are the packed DIB.
  std::optional<std::vector<std::uint8_t>> loadBitmap(std::int32_t id) override;

 private:
  ModuleHandle module_;
};

}  // namespace platform::win32

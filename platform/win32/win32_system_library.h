#pragma once
// A DLL loaded from the system folder only, never through the ordinary DLL search order (which a
// file planted in the current or application folder could win), and freed when this goes away.

#include "platform/win32/win32_types.h"

namespace platform::win32 {

class SystemLibrary {
 public:
  // Loads `fileName` ("shlwapi.dll") from the system folder; loaded() says whether that worked.
  explicit SystemLibrary(const wchar_t* fileName) noexcept;
  ~SystemLibrary();
  SystemLibrary(const SystemLibrary&) = delete;
  SystemLibrary& operator=(const SystemLibrary&) = delete;

  bool loaded() const noexcept { return module_ != nullptr; }

  // The exported function `name`, typed as Function (a pointer to a function); nullptr when the
  // library is not loaded or does not export it. The caller must name the function's true type.
  template <typename Function>
  Function function(const char* name) const noexcept {
    return reinterpret_cast<Function>(address(name));
  }

 private:
  using AnyFunction = void (*)();
  AnyFunction address(const char* name) const noexcept;

  ModuleHandle module_ = nullptr;
};

}  // namespace platform::win32

#pragma once
// Owning wrappers for Win32 handles, so that every handle is closed on every path.
// For the .cpp files of this folder only: it includes <windows.h>.

#include <windows.h>

namespace platform::win32 {

template <typename Traits>
class UniqueHandle {
 public:
  using Handle = typename Traits::Handle;

  UniqueHandle() noexcept = default;
  explicit UniqueHandle(Handle handle) noexcept : handle_(handle) {}
  ~UniqueHandle() { reset(); }

  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  Handle get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return handle_ != Traits::invalid(); }

  Handle release() noexcept {
    Handle handle = handle_;
    handle_ = Traits::invalid();
    return handle;
  }

  void reset(Handle handle = Traits::invalid()) noexcept {
    if (handle_ != Traits::invalid()) Traits::close(handle_);
    handle_ = handle;
  }

 private:
  Handle handle_ = Traits::invalid();
};

struct KeyTraits {
  using Handle = HKEY;
  static Handle invalid() noexcept { return nullptr; }
  static void close(Handle handle) noexcept { RegCloseKey(handle); }
};

struct FindTraits {
  using Handle = HANDLE;
  static Handle invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void close(Handle handle) noexcept { FindClose(handle); }
};

struct FileTraits {
  using Handle = HANDLE;
  static Handle invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void close(Handle handle) noexcept { CloseHandle(handle); }
};

struct ModuleTraits {
  using Handle = HMODULE;
  static Handle invalid() noexcept { return nullptr; }
  static void close(Handle handle) noexcept { FreeLibrary(handle); }
};

struct EnvironmentBlockTraits {
  using Handle = LPWCH;
  static Handle invalid() noexcept { return nullptr; }
  static void close(Handle handle) noexcept { FreeEnvironmentStringsW(handle); }
};

// Memory that a system function allocated with LocalAlloc (FormatMessageW's buffer).
struct LocalMemoryTraits {
  using Handle = wchar_t*;
  static Handle invalid() noexcept { return nullptr; }
  static void close(Handle handle) noexcept { LocalFree(handle); }
};

using UniqueKey = UniqueHandle<KeyTraits>;
using UniqueFind = UniqueHandle<FindTraits>;
using UniqueFile = UniqueHandle<FileTraits>;
using UniqueModule = UniqueHandle<ModuleTraits>;
using UniqueEnvironmentBlock = UniqueHandle<EnvironmentBlockTraits>;
using UniqueLocalMemory = UniqueHandle<LocalMemoryTraits>;

}  // namespace platform::win32

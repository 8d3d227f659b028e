#pragma once
// An owning COM interface pointer: every reference taken is released on every path.
// Windows only: it includes the COM headers.

#include <objbase.h>

#include <cstddef>
#include <utility>

namespace automation::win32 {

template <typename T>
class ComPtr {
 public:
  ComPtr() noexcept = default;
  ComPtr(std::nullptr_t) noexcept {}
  ~ComPtr() { reset(); }

  // Takes over a reference the caller already owns (a fresh object, an out parameter).
  static ComPtr adopt(T* pointer) noexcept {
    ComPtr result;
    result.pointer_ = pointer;
    return result;
  }
  // Takes a reference of its own to an interface the caller only borrows.
  static ComPtr retain(T* pointer) noexcept {
    if (pointer != nullptr) pointer->AddRef();
    return adopt(pointer);
  }

  ComPtr(const ComPtr& other) noexcept : pointer_(other.pointer_) {
    if (pointer_ != nullptr) pointer_->AddRef();
  }
  ComPtr(ComPtr&& other) noexcept : pointer_(other.pointer_) { other.pointer_ = nullptr; }
  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(pointer_, other.pointer_);
    return *this;
  }

  T* get() const noexcept { return pointer_; }
  T* operator->() const noexcept { return pointer_; }
  explicit operator bool() const noexcept { return pointer_ != nullptr; }

  void reset() noexcept {
    if (pointer_ != nullptr) {
      // Cleared first: the release may run code that looks at this pointer again.
      T* pointer = pointer_;
      pointer_ = nullptr;
      pointer->Release();
    }
  }
  // The reference, handed over to the caller.
  T* detach() noexcept {
    T* pointer = pointer_;
    pointer_ = nullptr;
    return pointer;
  }
  // For an out parameter that returns a new reference; what was held before is released.
  T** put() noexcept {
    reset();
    return &pointer_;
  }
  void** putVoid() noexcept { return reinterpret_cast<void**>(put()); }

  // The same object's interface `iid`; null when it does not offer it.
  template <typename U>
  ComPtr<U> query(REFIID iid) const noexcept {
    ComPtr<U> result;
    if (pointer_ != nullptr && FAILED(pointer_->QueryInterface(iid, result.putVoid()))) result.reset();
    return result;
  }

 private:
  T* pointer_ = nullptr;
};

}  // namespace automation::win32

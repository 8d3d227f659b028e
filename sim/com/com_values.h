#pragma once
// Owning holders for the values that cross IDispatch: a BSTR, a VARIANT and the strings of an
// EXCEPINFO. Each frees what it holds on every path.

#include <windows.h>

#include <ole2.h>
#include <oleauto.h>

#include <new>
#include <string>
#include <utility>
#include <vector>

namespace wine_host {

// A BSTR owned here; raises std::bad_alloc when there is no memory for it.
class Bstr {
 public:
  Bstr() noexcept = default;
  explicit Bstr(const std::wstring& text) : value_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {
    if (!value_) throw std::bad_alloc();
  }
  ~Bstr() { SysFreeString(value_); }
  Bstr(Bstr&& other) noexcept : value_(std::exchange(other.value_, nullptr)) {}
  Bstr& operator=(Bstr&& other) noexcept {
    std::swap(value_, other.value_);
    return *this;
  }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;

  BSTR get() const noexcept { return value_; }
  // The string, handed over to the caller.
  BSTR detach() noexcept { return std::exchange(value_, nullptr); }
  // For an in/out parameter: the string held, which the callee may free and replace.
  BSTR* inOut() noexcept { return &value_; }
  // For an out parameter that returns a new string.
  BSTR* put() noexcept {
    SysFreeString(value_);
    value_ = nullptr;
    return &value_;
  }

 private:
  BSTR value_ = nullptr;
};

// The text of a BSTR, embedded NULs included; a null BSTR is the empty text.
inline std::wstring textOf(BSTR value) { return value ? std::wstring(value, SysStringLen(value)) : std::wstring(); }

// A VARIANT owned here: initialised empty, cleared when destroyed.
class VariantValue {
 public:
  VariantValue() noexcept { VariantInit(&value_); }
  ~VariantValue() { VariantClear(&value_); }
  VariantValue(VariantValue&& other) noexcept : value_(other.value_) { VariantInit(&other.value_); }
  VariantValue& operator=(VariantValue&& other) noexcept {
    std::swap(value_, other.value_);
    return *this;
  }
  VariantValue(const VariantValue&) = delete;
  VariantValue& operator=(const VariantValue&) = delete;

  VARIANT& get() noexcept { return value_; }
  const VARIANT& get() const noexcept { return value_; }
  VARIANT* ptr() noexcept { return &value_; }
  // Empties it (releasing what it held) for a fresh out value.
  VARIANT* put() noexcept {
    VariantClear(&value_);
    return &value_;
  }
  // The contents, handed over to the caller's VARIANT (which must hold nothing).
  void moveTo(VARIANT& target) noexcept {
    target = value_;
    VariantInit(&value_);
  }

 private:
  VARIANT value_;
};

// A row of VARIANTs laid out as DISPPARAMS::rgvarg wants them; each is cleared when this goes.
// A by-reference slot only points at its value, and clearing it leaves the value alone.
class VariantSlots {
 public:
  explicit VariantSlots(std::size_t count) : values_(count) {
    for (auto& value : values_) VariantInit(&value);
  }
  ~VariantSlots() {
    for (auto& value : values_) VariantClear(&value);
  }
  VariantSlots(const VariantSlots&) = delete;
  VariantSlots& operator=(const VariantSlots&) = delete;

  VARIANT* data() noexcept { return values_.empty() ? nullptr : values_.data(); }
  VARIANT& operator[](std::size_t index) noexcept { return values_[index]; }
  std::size_t size() const noexcept { return values_.size(); }

 private:
  std::vector<VARIANT> values_;
};

// An EXCEPINFO whose strings are freed here; `fill()` runs the deferred fill-in when there is one.
class ExceptionInfo {
 public:
  ExceptionInfo() noexcept { ZeroMemory(&value_, sizeof value_); }
  ~ExceptionInfo() { clear(); }
  ExceptionInfo(const ExceptionInfo&) = delete;
  ExceptionInfo& operator=(const ExceptionInfo&) = delete;

  EXCEPINFO* ptr() noexcept { return &value_; }
  const EXCEPINFO& get() const noexcept { return value_; }
  void fill() noexcept {
    if (value_.pfnDeferredFillIn) {
      auto fillIn = value_.pfnDeferredFillIn;
      value_.pfnDeferredFillIn = nullptr;
      fillIn(&value_);
    }
  }
  void clear() noexcept {
    SysFreeString(value_.bstrSource);
    SysFreeString(value_.bstrDescription);
    SysFreeString(value_.bstrHelpFile);
    ZeroMemory(&value_, sizeof value_);
  }

 private:
  EXCEPINFO value_;
};

}  // namespace wine_host

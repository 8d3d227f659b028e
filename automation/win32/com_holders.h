#pragma once
// Owners of the Automation values that must be freed by their own functions: BSTR (SysFreeString),
// VARIANT (VariantClear), SAFEARRAY (SafeArrayDestroy), the strings of an EXCEPINFO.
// Windows only: it includes the OLE Automation headers.

#include <objbase.h>
#include <oleauto.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace automation::win32 {

class Bstr {
 public:
  Bstr() noexcept = default;
  // A copy of the text; raises ComError 7 when there is no memory for it.
  explicit Bstr(std::wstring_view text);
  static Bstr adopt(BSTR value) noexcept {
    Bstr result;
    result.value_ = value;
    return result;
  }
  ~Bstr() { SysFreeString(value_); }
  Bstr(Bstr&& other) noexcept : value_(other.value_) { other.value_ = nullptr; }
  Bstr& operator=(Bstr&& other) noexcept {
    if (this != &other) {
      SysFreeString(value_);
      value_ = other.value_;
      other.value_ = nullptr;
    }
    return *this;
  }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;

  BSTR get() const noexcept { return value_; }
  // For an out parameter; what was held before is freed.
  BSTR* put() noexcept {
    SysFreeString(value_);
    value_ = nullptr;
    return &value_;
  }
  BSTR release() noexcept {
    BSTR value = value_;
    value_ = nullptr;
    return value;
  }
  std::wstring text() const { return textOf(value_); }
  // A null BSTR is the empty string; embedded NULs are kept. Raises ComError 7 without memory.
  static std::wstring textOf(BSTR value);

 private:
  BSTR value_ = nullptr;
};

class UniqueVariant {
 public:
  UniqueVariant() noexcept { VariantInit(&value_); }
  ~UniqueVariant() { VariantClear(&value_); }
  UniqueVariant(UniqueVariant&& other) noexcept : value_(other.value_) { VariantInit(&other.value_); }
  UniqueVariant& operator=(UniqueVariant&& other) noexcept {
    if (this != &other) {
      VariantClear(&value_);
      value_ = other.value_;
      VariantInit(&other.value_);
    }
    return *this;
  }
  UniqueVariant(const UniqueVariant&) = delete;
  UniqueVariant& operator=(const UniqueVariant&) = delete;

  VARIANT& get() noexcept { return value_; }
  const VARIANT& get() const noexcept { return value_; }
  VARIANT* ptr() noexcept { return &value_; }
  // The value, handed over to the caller (who must VariantClear it); this one is left empty.
  VARIANT release() noexcept {
    VARIANT value = value_;
    VariantInit(&value_);
    return value;
  }
  void reset() noexcept { VariantClear(&value_); }

 private:
  VARIANT value_;
};

// A fixed number of VARIANTs in one block, as DISPPARAMS wants them; every one is cleared at the end.
class VariantVector {
 public:
  explicit VariantVector(std::size_t count) : items_(count) {
    for (VARIANT& item : items_) VariantInit(&item);
  }
  ~VariantVector() {
    for (VARIANT& item : items_) VariantClear(&item);
  }
  VariantVector(const VariantVector&) = delete;
  VariantVector& operator=(const VariantVector&) = delete;

  VARIANT* data() noexcept { return items_.empty() ? nullptr : items_.data(); }
  std::size_t size() const noexcept { return items_.size(); }
  VARIANT& operator[](std::size_t index) noexcept { return items_[index]; }

 private:
  std::vector<VARIANT> items_;  // never resized, so that pointers to the items stay valid
};

class UniqueSafeArray {
 public:
  UniqueSafeArray() noexcept = default;
  explicit UniqueSafeArray(SAFEARRAY* array) noexcept : array_(array) {}
  ~UniqueSafeArray() {
    if (array_ != nullptr) SafeArrayDestroy(array_);
  }
  UniqueSafeArray(UniqueSafeArray&& other) noexcept : array_(other.release()) {}
  UniqueSafeArray& operator=(UniqueSafeArray&& other) noexcept {
    if (this != &other) {
      if (array_ != nullptr) SafeArrayDestroy(array_);
      array_ = other.release();
    }
    return *this;
  }
  UniqueSafeArray(const UniqueSafeArray&) = delete;
  UniqueSafeArray& operator=(const UniqueSafeArray&) = delete;

  SAFEARRAY* get() const noexcept { return array_; }
  SAFEARRAY* release() noexcept {
    SAFEARRAY* array = array_;
    array_ = nullptr;
    return array;
  }

 private:
  SAFEARRAY* array_ = nullptr;
};

// The elements of a SAFEARRAY, locked in place while this lives (a locked array cannot be destroyed).
class SafeArrayData {
 public:
  // Raises ComError when the array cannot be locked.
  explicit SafeArrayData(SAFEARRAY* array);
  ~SafeArrayData() { SafeArrayUnaccessData(array_); }
  SafeArrayData(const SafeArrayData&) = delete;
  SafeArrayData& operator=(const SafeArrayData&) = delete;

  template <typename T>
  T* as() const noexcept {
    return static_cast<T*>(data_);
  }

 private:
  SAFEARRAY* array_;
  void* data_ = nullptr;
};

// An EXCEPINFO that a callee may fill; its strings are freed at the end.
class ExcepInfoHolder {
 public:
  ExcepInfoHolder() noexcept : info_() {}
  ~ExcepInfoHolder() { clear(); }
  ExcepInfoHolder(const ExcepInfoHolder&) = delete;
  ExcepInfoHolder& operator=(const ExcepInfoHolder&) = delete;

  EXCEPINFO* ptr() noexcept { return &info_; }
  EXCEPINFO& get() noexcept { return info_; }
  void clear() noexcept {
    SysFreeString(info_.bstrSource);
    SysFreeString(info_.bstrDescription);
    SysFreeString(info_.bstrHelpFile);
    info_ = EXCEPINFO();
  }

 private:
  EXCEPINFO info_;
};

}  // namespace automation::win32

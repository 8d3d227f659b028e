#pragma once
// Handing texts and flags across the COM boundary.

#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

#include <new>
#include <string>

#include "automation/com_error.h"

namespace com {

// A BSTR the caller owns; raises std::bad_alloc when there is no memory for it.
inline BSTR makeBstr(const std::wstring& text) {
  BSTR value = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  if (!value) throw std::bad_alloc();
  return value;
}

inline std::wstring fromBstr(BSTR value) { return value ? std::wstring(value, SysStringLen(value)) : std::wstring(); }

inline VARIANT_BOOL toVariantBool(bool value) { return value ? VARIANT_TRUE : VARIANT_FALSE; }

// An [out] pointer a caller must give.
template <typename T>
T* required(T* pointer) {
  if (!pointer) throw automation::ComError(static_cast<std::int32_t>(E_POINTER), L"Invalid pointer");
  return pointer;
}

}  // namespace com

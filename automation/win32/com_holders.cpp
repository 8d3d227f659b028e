#include "automation/win32/com_holders.h"

#include <limits>

#include "automation/com_error.h"
#include "automation/win32/com_errors.h"

namespace automation::win32 {

Bstr::Bstr(std::wstring_view text) {
  if (text.size() > std::numeric_limits<UINT>::max() / sizeof(wchar_t)) throw ComError(7, L"Out of memory");
  value_ = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  if (value_ == nullptr) throw ComError(7, L"Out of memory");
}

std::wstring Bstr::textOf(BSTR value) {
  if (value == nullptr) return {};
  return onlyComErrors([&] { return std::wstring(value, SysStringLen(value)); });
}

SafeArrayData::SafeArrayData(SAFEARRAY* array) : array_(array) {
  const HRESULT hr = SafeArrayAccessData(array, &data_);
  if (FAILED(hr)) throw errorFromHresult(hr);
}

}  // namespace automation::win32

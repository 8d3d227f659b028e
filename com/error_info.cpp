#include "com/error_info.h"

#include <oleauto.h>

#include "automation/dispatch.h"

namespace com {

HRESULT hresultOf(const automation::ComError& error) {
  const std::int32_t number = error.number();
  if (number < 0) return static_cast<HRESULT>(number);
  if (number == 0) return E_FAIL;
  return static_cast<HRESULT>(0x800A0000u | (static_cast<std::uint32_t>(number) & 0xFFFFu));
}

HRESULT reportCurrentException(REFIID interfaceId) noexcept {
  try {
    const automation::ComError error = automation::currentError(std::current_exception());
    ICreateErrorInfo* create = nullptr;
    if (SUCCEEDED(CreateErrorInfo(&create)) && create) {
      create->SetGUID(interfaceId);
      create->SetSource(const_cast<LPOLESTR>(L"LockfolioAddIn"));
      create->SetDescription(const_cast<LPOLESTR>(error.description().c_str()));
      IErrorInfo* info = nullptr;
      if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info))) && info) {
        SetErrorInfo(0, info);
        info->Release();
      }
      create->Release();
    }
    return hresultOf(error);
  } catch (...) {
    return E_FAIL;
  }
}

}  // namespace com

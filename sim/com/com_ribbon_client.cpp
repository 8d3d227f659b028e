#include "sim/com/com_ribbon_client.h"

#include "sim/com/com_values.h"
#include "sim/com/dispatch_client.h"
#include "sim/com/picture_conversion.h"
#include "sim/picture.h"

namespace wine_host {

using automation::ComError;
using automation::Variant;

std::wstring ComRibbonClient::GetCustomUI(const std::wstring& ribbonId) {
  Bstr id(ribbonId);
  Bstr xml;
  const HRESULT result = ribbon_->GetCustomUI(id.get(), xml.put());
  if (FAILED(result)) throw ComError(static_cast<std::int32_t>(result), L"GetCustomUI failed");
  return textOf(xml.get());
}

Variant ComRibbonClient::invokeCallback(const std::wstring& callback, std::vector<automation::Arg>& args) {
  LPOLESTR names[] = {const_cast<LPOLESTR>(callback.c_str())};
  DISPID id = DISPID_UNKNOWN;
  HRESULT result = addIn_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(result)) throw ComError(static_cast<std::int32_t>(result), L"Unknown callback " + callback);
  VariantSlots slots(args.size());
  for (std::size_t i = 0; i < args.size(); ++i) bridge_.toVariant(args[i].value(), slots[args.size() - 1 - i]);
  DISPPARAMS params{slots.data(), nullptr, static_cast<UINT>(args.size()), 0};
  VariantValue value;
  ExceptionInfo exception;
  UINT argumentError = 0;
  result = addIn_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, value.ptr(), exception.ptr(),
                          &argumentError);
  if (FAILED(result)) {
    exception.fill();
    throw invokeError(result, exception.get(), callback);
  }
  const VARIANT& returned = value.get();
  if ((returned.vt == VT_DISPATCH || returned.vt == VT_UNKNOWN) && returned.punkVal) {
    if (auto dib = pictureToDib(returned.punkVal)) return Variant(sim::Picture::fromDib(std::move(*dib))->self());
  }
  return bridge_.fromVariant(returned);
}

}  // namespace wine_host

#include "sim/com/dispatch_client.h"

#include <dispex.h>

#include <cstdio>
#include <string>

#include "sim/com/com_values.h"

namespace wine_host {

using automation::Arg;
using automation::ComError;
using automation::InvokeKind;
using automation::Variant;
using automation::win32::ComPtr;
namespace dispatch_errors = automation::dispatch_errors;

namespace {

std::wstring hex(HRESULT value) {
  wchar_t text[16];
  std::swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(value));
  return text;
}

const wchar_t* describe(HRESULT value) {
  switch (value) {
    case DISP_E_MEMBERNOTFOUND:
      return L"Member not found";
    case DISP_E_UNKNOWNNAME:
      return L"Unknown name";
    case DISP_E_TYPEMISMATCH:
      return L"Type mismatch";
    case DISP_E_BADPARAMCOUNT:
      return L"Invalid number of parameters";
    case DISP_E_PARAMNOTOPTIONAL:
      return L"Parameter not optional";
    case DISP_E_PARAMNOTFOUND:
      return L"Parameter not found";
    case DISP_E_OVERFLOW:
      return L"Overflow";
    case DISP_E_NONAMEDARGS:
      return L"Object does not support named arguments";
    case E_NOTIMPL:
      return L"Not implemented";
    default:
      return L"Automation error";
  }
}

}  // namespace

ComError invokeError(HRESULT result, const EXCEPINFO& exception, std::wstring_view what) {
  if (result == DISP_E_EXCEPTION) {
    std::int32_t number = static_cast<std::int32_t>(exception.scode);
    if (number == 0) {
      number = exception.wCode != 0 ? static_cast<std::int32_t>(0x800A0000u | exception.wCode) : dispatch_errors::kFail;
    }
    std::wstring description = textOf(exception.bstrDescription);
    if (description.empty())
      description = std::wstring(L"Automation error ") + hex(number) + L" in " + std::wstring(what);
    return ComError(number, std::move(description));
  }
  return ComError(static_cast<std::int32_t>(result),
                  std::wstring(describe(result)) + L" (" + hex(result) + L"): " + std::wstring(what));
}

DispatchClient::DispatchClient(ComPtr<IDispatch> dispatch, std::shared_ptr<ValueConverter> converter)
    : dispatch_(std::move(dispatch)), converter_(std::move(converter)) {
  if (!dispatch_) throw ComError::automation(automation::errors::kObjectNotSet);
  unknown_ = dispatch_.query<IUnknown>(IID_IUnknown);
  if (!unknown_) unknown_ = ComPtr<IUnknown>::retain(dispatch_.get());
}

DISPID DispatchClient::memberId(std::wstring_view member, const std::vector<Arg>& args, std::vector<DISPID>& named) {
  std::vector<std::wstring> names{std::wstring(member)};
  for (const auto& arg : args) {
    if (arg.isNamed()) names.push_back(arg.name());
  }
  named.clear();
  if (member.empty() && names.size() == 1) return DISPID_VALUE;

  std::vector<LPOLESTR> pointers;
  for (auto& name : names) pointers.push_back(name.data());
  std::vector<DISPID> ids(names.size(), DISPID_UNKNOWN);
  HRESULT result = dispatch_->GetIDsOfNames(IID_NULL, pointers.data(), static_cast<UINT>(pointers.size()),
                                            LOCALE_USER_DEFAULT, ids.data());
  if (FAILED(result) && names.size() == 1 && !member.empty()) {
    // Script objects of Wine answer only through IDispatchEx.
    if (auto extended = dispatch_.query<IDispatchEx>(__uuidof(IDispatchEx))) {
      Bstr name{std::wstring(member)};
      if (SUCCEEDED(extended->GetDispID(name.get(), fdexNameCaseInsensitive, &ids[0]))) result = S_OK;
    }
  }
  if (FAILED(result)) {
    const ExceptionInfo none;
    throw invokeError(result, none.get(), member);
  }
  named.assign(ids.begin() + 1, ids.end());
  return member.empty() ? DISPID_VALUE : ids[0];
}

Variant DispatchClient::invoke(std::wstring_view member, InvokeKind kind, std::vector<Arg>& args) {
  const bool put = kind == InvokeKind::PropertyPut || kind == InvokeKind::PropertyPutRef;
  if (put && args.empty()) throw ComError(dispatch_errors::kBadParameterCount, L"Invalid number of parameters.");
  const std::size_t valueIndex = put ? args.size() - 1 : args.size();

  std::vector<DISPID> namedIds;
  const DISPID memberDispid = memberId(member, args, namedIds);

  // rgvarg: the named arguments first (the new value of a put leading), then the positional ones
  // from the last to the first.
  std::vector<std::size_t> named;
  std::vector<std::size_t> positional;
  std::vector<DISPID> dispids;
  if (put) {
    named.push_back(valueIndex);
    dispids.push_back(DISPID_PROPERTYPUT);
  }
  std::size_t nameIndex = 0;
  for (std::size_t i = 0; i < valueIndex; ++i) {
    if (args[i].isNamed()) {
      named.push_back(i);
      dispids.push_back(namedIds[nameIndex++]);
    } else {
      positional.push_back(i);
    }
  }

  const std::size_t count = args.size();
  VariantSlots slots(count);
  VariantSlots references(count);
  std::vector<std::size_t> slotOf(count);
  for (std::size_t k = 0; k < named.size(); ++k) slotOf[named[k]] = k;
  for (std::size_t j = 0; j < positional.size(); ++j) slotOf[positional[j]] = named.size() + positional.size() - 1 - j;

  for (std::size_t i = 0; i < count; ++i) {
    VARIANT& slot = slots[slotOf[i]];
    Arg& arg = args[i];
    if (arg.isMissing()) {
      slot.vt = VT_ERROR;
      slot.scode = DISP_E_PARAMNOTFOUND;
    } else if (arg.isByRef()) {
      converter_->toVariant(arg.value(), references[i]);
      slot.vt = VT_BYREF | VT_VARIANT;
      slot.pvarVal = &references[i];
    } else {
      converter_->toVariant(arg.value(), slot);
    }
  }

  WORD flags = DISPATCH_METHOD | DISPATCH_PROPERTYGET;
  if (kind == InvokeKind::PropertyPut) flags = DISPATCH_PROPERTYPUT;
  if (kind == InvokeKind::PropertyPutRef) flags = DISPATCH_PROPERTYPUTREF;
  DISPPARAMS params{slots.data(), dispids.empty() ? nullptr : dispids.data(), static_cast<UINT>(count),
                    static_cast<UINT>(dispids.size())};
  VariantValue result;
  ExceptionInfo exception;
  UINT argumentError = 0;
  const HRESULT outcome = dispatch_->Invoke(memberDispid, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                                            put ? nullptr : result.ptr(), exception.ptr(), &argumentError);
  if (FAILED(outcome)) {
    exception.fill();
    throw invokeError(outcome, exception.get(), member.empty() ? std::wstring_view(L"(default)") : member);
  }
  for (std::size_t i = 0; i < count; ++i) {
    if (args[i].isByRef()) args[i].ref() = converter_->fromVariant(references[i]);
  }
  return put ? Variant() : converter_->fromVariant(result.get());
}

}  // namespace wine_host

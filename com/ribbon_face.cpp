#include "com/ribbon_face.h"

#include "com/bstr.h"
#include "com/dispatch_server.h"
#include "com/error_info.h"

namespace com {

HRESULT RibbonFace::GetCustomUI(BSTR RibbonID, BSTR* RibbonXml) {
  return comCall(IID_IRibbonExtensibility, [&] {
    BSTR* out = required(RibbonXml);
    *out = nullptr;
    *out = makeBstr(ribbon_.GetCustomUI(fromBstr(RibbonID)));
  });
}

HRESULT RibbonFace::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT RibbonFace::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return E_NOTIMPL;
}

HRESULT RibbonFace::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (const HRESULT invalid = checkNames(names, count, ids); FAILED(invalid)) return invalid;
  HRESULT result = S_OK;
  for (UINT i = 0; i < count; ++i) {
    // The one member, without named arguments.
    ids[i] = i == 0 && names[i] && _wcsicmp(names[i], L"GetCustomUI") == 0 ? 1 : DISPID_UNKNOWN;
    if (ids[i] == DISPID_UNKNOWN) result = DISP_E_UNKNOWNNAME;
  }
  return result;
}

HRESULT RibbonFace::Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                           EXCEPINFO*, UINT* argumentError) {
  if (member != 1 || !(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
  if (const HRESULT invalid = checkParameters(params, argumentError); FAILED(invalid)) return invalid;
  if (params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
  if (params->cNamedArgs) return DISP_E_NONAMEDARGS;
  if (holdsObject(params->rgvarg[0]) || (heldType(params->rgvarg[0]) & VT_ARRAY) != 0) {
    if (argumentError) *argumentError = 0;
    return DISP_E_TYPEMISMATCH;
  }
  VARIANT id;
  VariantInit(&id);
  HRESULT outcome = VariantChangeType(&id, &params->rgvarg[0], 0, VT_BSTR);
  if (FAILED(outcome)) {
    if (argumentError) *argumentError = 0;
    return outcome;
  }
  BSTR xml = nullptr;
  outcome = GetCustomUI(id.bstrVal, &xml);
  VariantClear(&id);
  if (FAILED(outcome)) return outcome;
  if (result) {
    VariantInit(result);
    result->vt = VT_BSTR;
    result->bstrVal = xml;
  } else {
    SysFreeString(xml);
  }
  return S_OK;
}

}  // namespace com

#include "com/dispatch_server.h"

#include <vector>

namespace com {

namespace {

// The function description of the member for this kind of call; release it with the type info.
FUNCDESC* findFunction(ITypeInfo* info, DISPID member, WORD flags) {
  TYPEATTR* attributes = nullptr;
  if (FAILED(info->GetTypeAttr(&attributes)) || !attributes) return nullptr;
  const WORD functions = attributes->cFuncs;
  info->ReleaseTypeAttr(attributes);
  for (WORD i = 0; i < functions; ++i) {
    FUNCDESC* description = nullptr;
    if (FAILED(info->GetFuncDesc(i, &description)) || !description) continue;
    if (description->memid == member && (description->invkind & flags)) return description;
    info->ReleaseFuncDesc(description);
  }
  return nullptr;
}

bool adaptable(VARTYPE target) {
  switch (target) {
    case VT_I2:
    case VT_I4:
    case VT_BOOL:
    case VT_BSTR:
    case VT_R8:
      return true;
    default:
      return false;
  }
}

}  // namespace

HRESULT invokeAdapted(ITypeInfo* info, void* instance, DISPID member, WORD flags, DISPPARAMS* params,
                      VARIANT* result, EXCEPINFO* exception, UINT* argumentError) {
  FUNCDESC* function = params && params->cArgs ? findFunction(info, member, flags) : nullptr;
  if (!function) return info->Invoke(instance, member, flags, params, result, exception, argumentError);

  const UINT count = params->cArgs;
  std::vector<VARIANTARG> arguments(params->rgvarg, params->rgvarg + count);
  std::vector<VARIANT> temporaries(count);
  for (auto& temporary : temporaries) VariantInit(&temporary);
  std::vector<VARIANT*> writeBack(count, nullptr);
  HRESULT outcome = S_OK;

  for (UINT k = 0; k < count && SUCCEEDED(outcome); ++k) {
    // Named arguments come first, in the order of their DISPIDs; positional ones follow, reversed.
    const LONG parameter = k < params->cNamedArgs ? params->rgdispidNamedArgs[k] : static_cast<LONG>(count - 1 - k);
    if (parameter < 0 || parameter >= function->cParams) continue;
    const TYPEDESC& declared = function->lprgelemdescParam[parameter].tdesc;
    if (declared.vt != VT_PTR || !declared.lptdesc || !adaptable(declared.lptdesc->vt)) continue;
    const VARTYPE target = declared.lptdesc->vt;
    VARIANTARG& given = arguments[k];
    if (given.vt == (VT_BYREF | target)) continue;
    VARIANT value;
    VariantInit(&value);
    outcome = VariantCopyInd(&value, &given);
    if (SUCCEEDED(outcome)) outcome = VariantChangeType(&temporaries[k], &value, 0, target);
    VariantClear(&value);
    if (FAILED(outcome)) {
      if (argumentError) *argumentError = k;
      break;
    }
    if (given.vt == (VT_BYREF | VT_VARIANT)) writeBack[k] = given.pvarVal;
    given.vt = static_cast<VARTYPE>(VT_BYREF | target);
    given.byref = &temporaries[k].lVal;  // the value's place in the variant, whatever its type
  }

  if (SUCCEEDED(outcome)) {
    DISPPARAMS adapted = *params;
    adapted.rgvarg = arguments.data();
    outcome = info->Invoke(instance, member, flags, &adapted, result, exception, argumentError);
    // Written back whatever the outcome: a call may advance a counter and then fail.
    for (UINT k = 0; k < count; ++k) {
      if (!writeBack[k]) continue;
      VARIANT copy;
      VariantInit(&copy);
      if (SUCCEEDED(VariantCopy(&copy, &temporaries[k]))) {
        VariantClear(writeBack[k]);
        *writeBack[k] = copy;
      }
    }
  }
  for (auto& temporary : temporaries) VariantClear(&temporary);
  info->ReleaseFuncDesc(function);
  return outcome;
}

}  // namespace com

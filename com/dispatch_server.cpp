#include "com/dispatch_server.h"

#include <vector>

#include "automation/com_error.h"
#include "automation/win32/com_ptr.h"
#include "automation/win32/variant_conversion.h"

namespace com {

namespace {

using automation::win32::kMaximumNesting;

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

// The types our by-reference parameters point at that a caller's value is converted to.
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

// Whether a caller's variable of this type can take a number, a flag or a text back.
bool holdsScalar(VARTYPE type) {
  switch (type) {
    case VT_I1: case VT_UI1: case VT_I2: case VT_UI2: case VT_I4: case VT_UI4: case VT_INT: case VT_UINT:
    case VT_I8: case VT_UI8: case VT_R4: case VT_R8: case VT_CY: case VT_DATE: case VT_BSTR: case VT_BOOL:
      return true;
    default:
      return false;
  }
}

// The VARIANT a reference to a Variant finally leads to: a script variable may be seen through
// further references to Variants. Null for a chain that refers to nothing or loops.
VARIANT* lastVariant(VARIANT& reference) {
  VARIANT* at = &reference;
  for (int depth = 0; depth <= kMaximumNesting; ++depth) {
    if ((at->vt & VT_BYREF) != 0 && !at->byref) return nullptr;  // a reference to nothing
    if (at->vt != (VT_BYREF | VT_VARIANT)) return at;
    at = at->pvarVal;
  }
  return nullptr;
}

// A reference to the place that holds the caller's value, as the caller typed it: a typed
// reference as it came, a Variant that holds a value as a reference to that value's own type, and
// an Empty or Null Variant as a reference to the whole Variant (it takes any type back).
VARIANT referenceTo(VARIANT& place) {
  VARIANT reference;
  VariantInit(&reference);
  if ((place.vt & VT_BYREF) != 0) return place;
  if (place.vt == VT_EMPTY || place.vt == VT_NULL) {
    reference.vt = VT_BYREF | VT_VARIANT;
    reference.pvarVal = &place;
  } else {
    reference.vt = static_cast<VARTYPE>(VT_BYREF | place.vt);
    reference.byref = &place.llVal;
  }
  return reference;
}

HRESULT dispatchFailureOf(const automation::ComError& error) {
  if (error.number() == automation::errors::kOverflow) return DISP_E_OVERFLOW;
  if (error.number() == automation::errors::kTypeMismatch) return DISP_E_TYPEMISMATCH;
  return error.number() < 0 ? static_cast<HRESULT>(error.number()) : E_FAIL;
}

// One argument for a by-reference parameter, made into what the type information's Invoke takes
// (a reference to the declared type), and what goes back to the caller after the call.
struct Adapted {
  VARIANT temporary;  // the converted value the member receives a reference to
  VARIANT given;      // the caller's argument as it came, which leads to where the result goes back
  VARIANT read;       // what an object given for a plain value read as
  bool writeBack = false;
  VARIANT* arrayPlace = nullptr;  // a caller's Empty Variant that takes an array the member made
};

// Whether a declared parameter type takes a plain value, not an object or a Variant.
bool plainValue(const TYPEDESC& declared) {
  const VARTYPE type = declared.vt == VT_PTR && declared.lptdesc ? declared.lptdesc->vt : declared.vt;
  return type != VT_DISPATCH && type != VT_UNKNOWN && type != VT_VARIANT && type != VT_SAFEARRAY &&
         type != VT_PTR && type != VT_USERDEFINED;
}

// An object given for a plain value is read through its default member here, once: the standard
// conversion follows a default member that returns an object again, without end. An object in a
// variable passed for a by-reference parameter is refused by adapt.
HRESULT readObject(VARIANTARG& given, bool byValueParameter, Adapted& adapted) {
  VARIANT* place = lastVariant(given);
  if (!place) return DISP_E_TYPEMISMATCH;
  if (!holdsObject(*place) || ((given.vt & VT_BYREF) != 0 && !byValueParameter)) return S_OK;
  IUnknown* object = (place->vt & VT_BYREF) != 0 ? *place->ppunkVal : place->punkVal;
  IDispatch* dispatch = nullptr;
  if (!object || FAILED(object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch))) || !dispatch) {
    return DISP_E_TYPEMISMATCH;
  }
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  const HRESULT hr = dispatch->Invoke(DISPID_VALUE, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &adapted.read, nullptr, nullptr);
  dispatch->Release();
  if (FAILED(hr) || (adapted.read.vt & VT_BYREF) != 0 || holdsObject(adapted.read)) return DISP_E_TYPEMISMATCH;
  given = adapted.read;  // owned by adapted.read
  return S_OK;
}

// An array is refused where the parameter takes none, and checked against the type it claims
// where it may: the standard conversion copies an array before it finds the type it claims
// (VT_ARRAY|VT_BLOB over an array of objects) invalid, and then cannot clear the copy, which keeps
// a reference to every object in it.
HRESULT checkArray(const VARIANTARG& given, const TYPEDESC& declared) {
  if ((heldType(given) & VT_ARRAY) == 0) return S_OK;
  const VARTYPE type = declared.vt == VT_PTR && declared.lptdesc ? declared.lptdesc->vt : declared.vt;
  if (type != VT_SAFEARRAY && type != VT_VARIANT) return DISP_E_TYPEMISMATCH;
  try {
    automation::win32::fromVariant(given);
    return S_OK;
  } catch (const automation::ComError& error) {
    return dispatchFailureOf(error);
  }
}

// Whether the parameter takes an object, and as which interface: IDispatch, IUnknown, or an
// interface of the library.
bool declaredInterface(ITypeInfo* info, const TYPEDESC& declared, IID& iid) {
  if (declared.vt == VT_DISPATCH || declared.vt == VT_UNKNOWN) {
    iid = declared.vt == VT_DISPATCH ? IID_IDispatch : IID_IUnknown;
    return true;
  }
  if (declared.vt != VT_PTR || !declared.lptdesc || declared.lptdesc->vt != VT_USERDEFINED) return false;
  automation::win32::ComPtr<ITypeInfo> referred;
  if (FAILED(info->GetRefTypeInfo(declared.lptdesc->hreftype, referred.put())) || !referred) return false;
  TYPEATTR* attributes = nullptr;
  bool found = false;
  if (SUCCEEDED(referred->GetTypeAttr(&attributes)) && attributes) {
    found = attributes->typekind == TKIND_INTERFACE || attributes->typekind == TKIND_DISPATCH;
    iid = attributes->guid;
    referred->ReleaseTypeAttr(attributes);
  }
  return found;
}

// An object parameter takes Empty, Nothing or an object of its interface. The standard dispatcher
// converts an object before it finds that it lacks the interface, or fails on a later argument
// that is no object, and keeps the reference the conversion took.
HRESULT checkObject(VARIANTARG& given, REFIID iid) {
  const VARIANT* place = lastVariant(given);
  if (!place) return DISP_E_TYPEMISMATCH;
  const VARTYPE held = place->vt & ~VT_BYREF;
  if (held == VT_EMPTY) return S_OK;
  if (held != VT_DISPATCH && held != VT_UNKNOWN) return DISP_E_TYPEMISMATCH;
  IUnknown* object = (place->vt & VT_BYREF) != 0 ? *place->ppunkVal : place->punkVal;
  if (!object) return S_OK;
  automation::win32::ComPtr<IUnknown> face;
  return SUCCEEDED(object->QueryInterface(iid, face.putVoid())) && face ? S_OK : DISP_E_TYPEMISMATCH;
}

// Adapts `given` for a parameter declared as a reference to `declared`. Returns a failure when the
// caller's value does not convert, or its variable could not take the result back.
HRESULT adapt(VARIANTARG& given, const TYPEDESC& declared, Adapted& adapted) {
  const VARTYPE target = declared.vt;
  VARIANT* place = lastVariant(given);
  if (!place) return DISP_E_TYPEMISMATCH;

  if (target == VT_VARIANT) {
    // A Variant parameter takes any value; a typed reference goes on inside a Variant, so that the
    // member writes through it to the caller's own variable.
    if (given.vt == (VT_BYREF | VT_VARIANT)) return S_OK;
    if ((given.vt & VT_BYREF) == 0) {
      // A value passed by value becomes the member's own copy: what the member writes there must
      // not free what the caller still owns. It is checked (nesting, arrays) before it is copied.
      try {
        automation::win32::fromVariant(given);
      } catch (const automation::ComError& error) {
        return dispatchFailureOf(error);
      }
      const HRESULT copied = VariantCopy(&adapted.temporary, &given);
      if (FAILED(copied)) return copied;
      given.vt = VT_BYREF | VT_VARIANT;
      given.pvarVal = &adapted.temporary;
      return S_OK;
    }
    adapted.temporary = given;  // a reference: nothing of it is owned here
    given.vt = VT_BYREF | VT_VARIANT;
    given.pvarVal = &adapted.temporary;
    return S_OK;
  }

  if (target == VT_SAFEARRAY) {
    // An array of Variants, changed in place: the member receives the caller's own array.
    if (!declared.lptdesc || declared.lptdesc->vt != VT_VARIANT) return S_OK;
    if (given.vt == (VT_BYREF | VT_ARRAY | VT_VARIANT)) return S_OK;
    if (place->vt == VT_EMPTY || place->vt == VT_NULL) {
      // No array (all a JScript caller can give): the member receives none.
      adapted.temporary.vt = VT_ARRAY | VT_VARIANT;
      adapted.temporary.parray = nullptr;
      if (place != &given) adapted.arrayPlace = place;
      given.vt = VT_BYREF | VT_ARRAY | VT_VARIANT;
      given.pparray = &adapted.temporary.parray;
      return S_OK;
    }
    if (given.vt != (VT_BYREF | VT_VARIANT)) return S_OK;  // by value: the type information's Invoke copies it
    if (place->vt == (VT_BYREF | VT_ARRAY | VT_VARIANT)) {
      given = *place;
      return S_OK;
    }
    if (place->vt != (VT_ARRAY | VT_VARIANT)) return DISP_E_TYPEMISMATCH;
    given.vt = VT_BYREF | VT_ARRAY | VT_VARIANT;
    given.pparray = &place->parray;
    return S_OK;
  }

  if (!adaptable(target) || given.vt == (VT_BYREF | target)) return S_OK;
  if (place->vt == (VT_BYREF | target)) {
    given = *place;  // a Variant that refers on to a variable of the declared type
    return S_OK;
  }
  const bool byReference = (given.vt & VT_BYREF) != 0;
  if (byReference) {
    const VARTYPE own = place->vt & ~VT_BYREF;
    if (own != VT_EMPTY && own != VT_NULL && !holdsScalar(own)) return DISP_E_TYPEMISMATCH;
  }
  VARIANT value;
  VariantInit(&value);
  HRESULT outcome = VariantCopyInd(&value, place);
  if (SUCCEEDED(outcome)) outcome = VariantChangeType(&adapted.temporary, &value, 0, target);
  VariantClear(&value);
  if (FAILED(outcome)) return outcome;
  if (byReference) {
    adapted.given = given;
    adapted.writeBack = true;
  }
  given.vt = static_cast<VARTYPE>(VT_BYREF | target);
  given.byref = &adapted.temporary.llVal;  // the value's place in the variant, whatever its type
  return S_OK;
}

// Stores what the member left in the temporary into the caller's variable, in the type the
// variable has now: the call (an object's default property it read) may have changed it.
HRESULT giveBack(Adapted& adapted) {
  VARIANT* place = lastVariant(adapted.given);
  if (!place) return DISP_E_TYPEMISMATCH;
  try {
    automation::win32::storeThroughReference(referenceTo(*place), automation::win32::fromVariant(adapted.temporary));
    return S_OK;
  } catch (const automation::ComError& error) {
    return dispatchFailureOf(error);
  }
}

}  // namespace

HRESULT checkParameters(const DISPPARAMS* params, UINT* argumentError) {
  if (!params) return E_INVALIDARG;
  if (params->cArgs > 0 && !params->rgvarg) return E_INVALIDARG;
  if (params->cNamedArgs > 0 && !params->rgdispidNamedArgs) return E_INVALIDARG;
  if (params->cNamedArgs > params->cArgs) return DISP_E_BADPARAMCOUNT;
  // A reference to nothing, or a chain of references too long, is refused before anything reads it.
  for (UINT k = 0; k < params->cArgs; ++k) {
    if (!lastVariant(params->rgvarg[k])) {
      if (argumentError) *argumentError = k;
      return DISP_E_TYPEMISMATCH;
    }
  }
  return S_OK;
}

VARTYPE heldType(const VARIANT& argument) {
  const VARIANT* place = &argument;
  for (int depth = 0; depth <= kMaximumNesting && place->vt == (VT_BYREF | VT_VARIANT) && place->pvarVal; ++depth) {
    place = place->pvarVal;
  }
  return place->vt & ~VT_BYREF;
}

HRESULT checkNames(const LPOLESTR* names, UINT count, const DISPID* ids) {
  if (!names || !ids) return E_INVALIDARG;
  for (UINT i = 0; i < count; ++i) {
    if (!names[i]) return E_INVALIDARG;
  }
  return S_OK;
}

HRESULT invokeAdapted(ITypeInfo* info, void* instance, DISPID member, WORD flags, DISPPARAMS* params,
                      VARIANT* result, EXCEPINFO* exception, UINT* argumentError) {
  if (const HRESULT invalid = checkParameters(params, argumentError); FAILED(invalid)) return invalid;
  FUNCDESC* function = params->cArgs ? findFunction(info, member, flags) : nullptr;
  if (!function) return info->Invoke(instance, member, flags, params, result, exception, argumentError);
  // Every parameter is required, and no more are taken. The standard dispatcher would hand an
  // extra argument to the default member of what a property returned, be it Nothing, and keeps a
  // reference to an argument it converted before it found one missing.
  const SHORT last = static_cast<SHORT>(function->cParams - 1);
  const bool returns = last >= 0 && (function->lprgelemdescParam[last].paramdesc.wParamFlags & PARAMFLAG_FRETVAL) != 0;
  const LONG parameters = returns ? last : last + 1;
  if (params->cArgs != static_cast<UINT>(parameters)) {
    info->ReleaseFuncDesc(function);
    return DISP_E_BADPARAMCOUNT;
  }
  // A name that is no parameter fails there too, after arguments were converted and kept.
  for (UINT k = 0; k < params->cNamedArgs; ++k) {
    const DISPID named = params->rgdispidNamedArgs[k];
    const bool value = named == DISPID_PROPERTYPUT && (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    if (!value && (named < 0 || named >= parameters)) {
      if (argumentError) *argumentError = k;
      info->ReleaseFuncDesc(function);
      return DISP_E_PARAMNOTFOUND;
    }
  }

  const UINT count = params->cArgs;
  std::vector<VARIANTARG> arguments(params->rgvarg, params->rgvarg + count);
  std::vector<Adapted> adapted(count);
  for (auto& each : adapted) {
    VariantInit(&each.temporary);
    VariantInit(&each.given);
    VariantInit(&each.read);
  }
  HRESULT outcome = S_OK;

  for (UINT k = 0; k < count && SUCCEEDED(outcome); ++k) {
    // Named arguments come first, in the order of their DISPIDs; positional ones follow, reversed.
    // The value named DISPID_PROPERTYPUT is the last parameter, as the standard dispatcher takes
    // it: left unconverted here, its failure there would keep what was converted before it.
    LONG parameter = k < params->cNamedArgs ? params->rgdispidNamedArgs[k] : static_cast<LONG>(count - 1 - k);
    if (parameter == DISPID_PROPERTYPUT && k < params->cNamedArgs) parameter = parameters - 1;
    if (parameter < 0 || parameter >= function->cParams) continue;
    const ELEMDESC& description = function->lprgelemdescParam[parameter];
    if ((description.paramdesc.wParamFlags & PARAMFLAG_FRETVAL) != 0) continue;
    const TYPEDESC& declared = description.tdesc;
    outcome = checkArray(arguments[k], declared);
    IID face{};
    if (SUCCEEDED(outcome) && declaredInterface(info, declared, face)) outcome = checkObject(arguments[k], face);
    if (SUCCEEDED(outcome) && plainValue(declared)) outcome = readObject(arguments[k], declared.vt != VT_PTR, adapted[k]);
    if (SUCCEEDED(outcome) && plainValue(declared) && declared.vt != VT_PTR) {
      // A value that does not convert is refused here: the standard dispatcher keeps what it
      // converted of the arguments before it.
      VARIANT converted;
      VariantInit(&converted);
      outcome = VariantChangeType(&converted, &arguments[k], 0, declared.vt);
      VariantClear(&converted);
    }
    if (SUCCEEDED(outcome) && declared.vt == VT_PTR && declared.lptdesc) {
      outcome = adapt(arguments[k], *declared.lptdesc, adapted[k]);
    }
    if (FAILED(outcome) && argumentError) *argumentError = k;
  }

  if (SUCCEEDED(outcome)) {
    DISPPARAMS call = *params;
    call.rgvarg = arguments.data();
    outcome = info->Invoke(instance, member, flags, &call, result, exception, argumentError);
    // Written back whatever the outcome: a call may advance a counter and then fail.
    for (UINT k = 0; k < count; ++k) {
      if (adapted[k].arrayPlace && adapted[k].temporary.parray) {
        VariantClear(adapted[k].arrayPlace);
        *adapted[k].arrayPlace = adapted[k].temporary;  // handed over to the caller's variable
        VariantInit(&adapted[k].temporary);
      }
      if (!adapted[k].writeBack) continue;
      const HRESULT stored = giveBack(adapted[k]);
      if (FAILED(stored) && SUCCEEDED(outcome)) {
        // The caller's variable cannot hold what the member gave back: the call does not
        // pretend to have succeeded.
        if (result) VariantClear(result);
        if (argumentError) *argumentError = k;
        outcome = stored;
      }
    }
  }
  for (auto& each : adapted) {
    // A temporary that wraps a caller's reference owns nothing (clearing a reference frees
    // nothing); one that holds a copy owns it.
    VariantClear(&each.temporary);
    VariantClear(&each.read);
  }
  info->ReleaseFuncDesc(function);
  return outcome;
}

}  // namespace com

#include "automation/win32/variant_conversion.h"

#include <cstring>
#include <limits>
#include <memory>
#include <string>

#include "automation/dispatch.h"
#include "automation/win32/com_errors.h"
#include "automation/win32/com_ptr.h"
#include "automation/win32/dispatch_object.h"

namespace automation::win32 {
namespace {


[[noreturn]] void mismatch(const std::wstring& description) {
  throw ComError::automation(errors::kTypeMismatch, description);
}

std::wstring typeName(VARTYPE type) { return L"variant type " + std::to_wstring(type); }

// A coercion's failure as the Automation number it stands for.
[[noreturn]] void coercionFailed(HRESULT hr, VARTYPE from, VARTYPE to) {
  if (hr == DISP_E_OVERFLOW) throw ComError::automation(errors::kOverflow);
  if (hr == E_OUTOFMEMORY) throw ComError(7, L"Out of memory");
  mismatch(L"Type mismatch: " + typeName(from) + L" does not convert to " + typeName(to));
}

// The source of a copy or coercion: the MinGW-w64 headers declare it without const, though the
// functions only read it.
VARIANT* readOnly(const VARIANT& value) { return const_cast<VARIANT*>(&value); }

// The non-integer numbers as Double (VT_R4, VT_CY, VT_DATE, VT_DECIMAL).
Variant asDouble(const VARIANT& value) {
  UniqueVariant copy;
  const HRESULT hr = VariantChangeType(copy.ptr(), readOnly(value), 0, VT_R8);
  if (FAILED(hr)) coercionFailed(hr, value.vt, VT_R8);
  return Variant(copy.get().dblVal);
}

// An integer in the narrowest of Int32 and Double that holds it exactly enough. Read directly:
// Wine's VariantChangeType wraps VT_UI4 values above 2^31 into negative VT_I4 instead of
// reporting the overflow.
Variant fromInteger(long long value) {
  if (value >= std::numeric_limits<std::int32_t>::min() && value <= std::numeric_limits<std::int32_t>::max()) {
    return Variant(static_cast<std::int32_t>(value));
  }
  return Variant(static_cast<double>(value));
}

Variant fromUnsigned(unsigned long long value) {
  if (value <= static_cast<unsigned long long>(std::numeric_limits<std::int32_t>::max())) {
    return Variant(static_cast<std::int32_t>(value));
  }
  return Variant(static_cast<double>(value));
}

Variant convertIn(const VARIANT& value, int depth);
UniqueVariant convertOut(const Variant& value);

bool isArrayElementType(VARTYPE type) {
  switch (type) {
    case VT_I1: case VT_UI1: case VT_I2: case VT_UI2: case VT_I4: case VT_UI4: case VT_INT: case VT_UINT:
    case VT_I8: case VT_UI8: case VT_R4: case VT_R8: case VT_CY: case VT_DATE: case VT_BSTR: case VT_DISPATCH:
    case VT_UNKNOWN: case VT_ERROR: case VT_BOOL: case VT_DECIMAL: case VT_VARIANT:
      return true;
    default:
      return false;
  }
}

// The size of one element of an array of `type`, and the feature flag that says how
// SafeArrayGetElement copies it, as SafeArrayCreate makes them.
ULONG elementSize(VARTYPE type) {
  switch (type) {
    case VT_I1: case VT_UI1: return 1;
    case VT_I2: case VT_UI2: case VT_BOOL: return 2;
    case VT_I4: case VT_UI4: case VT_INT: case VT_UINT: case VT_R4: case VT_ERROR: return 4;
    case VT_I8: case VT_UI8: case VT_R8: case VT_CY: case VT_DATE: return 8;
    case VT_BSTR: case VT_DISPATCH: case VT_UNKNOWN: return sizeof(void*);
    case VT_DECIMAL: return sizeof(DECIMAL);
    default: return sizeof(VARIANT);
  }
}
USHORT copyFeature(VARTYPE type) {
  switch (type) {
    case VT_BSTR: return FADF_BSTR;
    case VT_DISPATCH: return FADF_DISPATCH;
    case VT_UNKNOWN: return FADF_UNKNOWN;
    case VT_VARIANT: return FADF_VARIANT;
    default: return 0;
  }
}

// SafeArrayGetElement copies as the array's own descriptor says, whatever the VARIANT claims: the
// claim must match the descriptor, or an element would be written past the slot it goes into, or
// a value read as a pointer the caller chose.
void requireElementType(SAFEARRAY* array, VARTYPE claimed) {
  constexpr USHORT kCopyFeatures = FADF_BSTR | FADF_UNKNOWN | FADF_DISPATCH | FADF_VARIANT | FADF_RECORD;
  VARTYPE own = VT_EMPTY;
  if (FAILED(SafeArrayGetVartype(array, &own)) || own != claimed || array->cbElements != elementSize(claimed) ||
      (array->fFeatures & kCopyFeatures) != copyFeature(claimed)) {
    mismatch(L"Type mismatch: the array holds other elements than its variant says");
  }
}

Variant fromSafeArray(SAFEARRAY* array, VARTYPE elementType, int depth) {
  if (array == nullptr) return Variant(VariantArray{});  // an array variable that was never dimensioned
  if (depth >= kMaximumNesting) mismatch(L"Type mismatch: arrays nested too deep");
  if (SafeArrayGetDim(array) != 1) mismatch(L"Type mismatch: arrays of more than one dimension are not supported");
  if (!isArrayElementType(elementType)) mismatch(L"Type mismatch: an array of " + typeName(elementType));
  requireElementType(array, elementType);
  LONG lower = 0;
  LONG upper = -1;
  HRESULT hr = SafeArrayGetLBound(array, 1, &lower);
  if (SUCCEEDED(hr)) hr = SafeArrayGetUBound(array, 1, &upper);
  if (FAILED(hr)) throw errorFromHresult(hr);
  VariantArray elements;
  if (upper >= lower) elements.reserve(static_cast<std::size_t>(static_cast<long long>(upper) - lower + 1));
  for (long long index = lower; index <= upper; ++index) {
    LONG position = static_cast<LONG>(index);
    UniqueVariant element;
    VARIANT& slot = element.get();
    // A Variant element is read where it is: a copy would copy every array nested in it, as deep
    // as the caller made them, before the nesting limit could refuse them.
    if (elementType == VT_VARIANT) {
      void* place = nullptr;
      hr = SafeArrayLock(array);
      if (FAILED(hr)) throw errorFromHresult(hr);
      struct Unlock {
        SAFEARRAY* locked;
        ~Unlock() { SafeArrayUnlock(locked); }
      } unlock{array};
      hr = SafeArrayPtrOfIndex(array, &position, &place);
      if (FAILED(hr) || !place) throw errorFromHresult(FAILED(hr) ? hr : E_UNEXPECTED);
      elements.push_back(convertIn(*static_cast<const VARIANT*>(place), depth + 1));
      continue;
    }
    // SafeArrayGetElement copies (SysAllocString, AddRef), so the holder owns what it receives.
    if (elementType == VT_DECIMAL) {
      DECIMAL decimal{};
      hr = SafeArrayGetElement(array, &position, &decimal);
      if (SUCCEEDED(hr)) slot.decVal = decimal;  // the DECIMAL overlays the whole VARIANT, type included
    } else {
      hr = SafeArrayGetElement(array, &position, &slot.llVal);  // every other value starts where llVal does
    }
    if (FAILED(hr)) throw errorFromHresult(hr);
    if (elementType != VT_VARIANT) slot.vt = elementType;
    elements.push_back(convertIn(slot, depth + 1));
  }
  return Variant(std::move(elements));
}

Variant convertIn(const VARIANT& value, int depth) {
  const VARTYPE type = value.vt;
  if ((type & VT_BYREF) != 0) {
    if (value.byref == nullptr) mismatch(L"Type mismatch: a by-reference value that refers to nothing");
    if (depth >= kMaximumNesting) mismatch(L"Type mismatch: too many levels of reference");
    if (type == (VT_BYREF | VT_VARIANT)) return convertIn(*value.pvarVal, depth + 1);
    if ((type & VT_ARRAY) != 0) return fromSafeArray(*value.pparray, type & VT_TYPEMASK, depth + 1);
    UniqueVariant copy;
    const HRESULT hr = VariantCopyInd(copy.ptr(), readOnly(value));
    if (FAILED(hr)) coercionFailed(hr, type, type & ~VT_BYREF);
    return convertIn(copy.get(), depth + 1);
  }
  if ((type & VT_ARRAY) != 0) return fromSafeArray(value.parray, type & VT_TYPEMASK, depth);
  switch (type) {
    case VT_EMPTY: return Variant();
    case VT_NULL: return Variant::null();
    case VT_BOOL: return Variant(value.boolVal != VARIANT_FALSE);
    case VT_I2: return Variant(static_cast<std::int16_t>(value.iVal));
    case VT_I4: return Variant(static_cast<std::int32_t>(value.lVal));
    case VT_R8: return Variant(value.dblVal);
    case VT_BSTR: return Variant(Bstr::textOf(value.bstrVal));
    case VT_DISPATCH: return Variant(fromDispatch(value.pdispVal));
    case VT_UNKNOWN: {
      if (value.punkVal == nullptr) return Variant(Object());
      ComPtr<IDispatch> dispatch;
      if (FAILED(value.punkVal->QueryInterface(IID_IDispatch, dispatch.putVoid())) || !dispatch) {
        mismatch(L"Type mismatch: the object offers no IDispatch");
      }
      return Variant(Object(std::make_shared<DispatchObject>(std::move(dispatch))));
    }
    case VT_ERROR:
      if (value.scode == DISP_E_PARAMNOTFOUND) return Variant();
      return Variant(static_cast<std::int32_t>(value.scode));
    case VT_I1: return Variant(static_cast<std::int16_t>(value.cVal));
    case VT_UI1: return Variant(static_cast<std::int16_t>(value.bVal));
    case VT_UI2: return Variant(static_cast<std::int32_t>(value.uiVal));
    case VT_UI4: return fromUnsigned(value.ulVal);
    case VT_UINT: return fromUnsigned(value.uintVal);
    case VT_UI8: return fromUnsigned(value.ullVal);
    case VT_INT: return Variant(static_cast<std::int32_t>(value.intVal));
    case VT_I8: return fromInteger(value.llVal);
    case VT_R4:
    case VT_CY:
    case VT_DATE:
    case VT_DECIMAL:
      return asDouble(value);
    default:
      mismatch(L"Type mismatch: " + typeName(type) + L" has no equivalent");
  }
}

UniqueVariant objectToVariant(const Object& object) {
  UniqueVariant result;
  IDispatch* dispatch = nullptr;
  if (object) {
    dispatch = toDispatch(object);
    if (dispatch == nullptr) mismatch(L"Type mismatch: the object has no COM interface to pass on");
  }
  result.get().vt = VT_DISPATCH;
  result.get().pdispVal = dispatch;  // Nothing is a null object reference
  return result;
}

UniqueVariant arrayToVariant(const VariantArray& elements) {
  if (elements.size() > static_cast<std::size_t>(std::numeric_limits<LONG>::max())) {
    throw ComError(7, L"Out of memory");
  }
  UniqueSafeArray array(SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(elements.size())));
  if (!array.get()) throw ComError(7, L"Out of memory");
  {
    const SafeArrayData data(array.get());
    VARIANT* slots = data.as<VARIANT>();
    for (std::size_t i = 0; i < elements.size(); ++i) {
      slots[i] = convertOut(elements[i]).release();  // the array owns it now, also if a later one fails
    }
  }
  UniqueVariant result;
  result.get().vt = VT_ARRAY | VT_VARIANT;
  result.get().parray = array.release();
  return result;
}

UniqueVariant convertOut(const Variant& value) {
  UniqueVariant result;
  VARIANT& v = result.get();
  switch (value.type()) {
    case Variant::Type::Empty:
      break;
    case Variant::Type::Null:
      v.vt = VT_NULL;
      break;
    case Variant::Type::Bool:
      v.vt = VT_BOOL;
      v.boolVal = value.toBool() ? VARIANT_TRUE : VARIANT_FALSE;
      break;
    case Variant::Type::Int16:
      v.vt = VT_I2;
      v.iVal = value.toInt16();
      break;
    case Variant::Type::Int32:
      v.vt = VT_I4;
      v.lVal = value.toInt32();
      break;
    case Variant::Type::Double:
      v.vt = VT_R8;
      v.dblVal = value.toDouble();
      break;
    case Variant::Type::String:
      v.bstrVal = Bstr(value.toString()).release();
      v.vt = VT_BSTR;
      break;
    case Variant::Type::Object:
      return objectToVariant(value.toObject());
    case Variant::Type::Array:
      return arrayToVariant(value.array());
  }
  return result;
}

}  // namespace

UniqueVariant toVariant(const Variant& value) {
  return onlyComErrors([&] { return convertOut(value); });
}

Variant fromVariant(const VARIANT& value) {
  return onlyComErrors([&] { return convertIn(value, 0); });
}

bool isMissingArgument(const VARIANT& value) noexcept {
  if (value.vt == VT_ERROR) return value.scode == DISP_E_PARAMNOTFOUND;
  if (value.vt == (VT_BYREF | VT_ERROR)) return value.pscode != nullptr && *value.pscode == DISP_E_PARAMNOTFOUND;
  if (value.vt == (VT_BYREF | VT_VARIANT)) return value.pvarVal != nullptr && isMissingArgument(*value.pvarVal);
  return false;
}

namespace {

void storeAt(const VARIANT& reference, const Variant& value, int depth) {
  if ((reference.vt & VT_BYREF) == 0 || reference.byref == nullptr) {
    mismatch(L"Type mismatch: the argument is not passed by reference");
  }
  const VARTYPE target = reference.vt & ~VT_BYREF;
  if (target == VT_VARIANT) {
    VARIANT& slot = *reference.pvarVal;
    // A variant that refers on (a script engine's variable seen through another reference):
    // the value belongs where the last reference points.
    if ((slot.vt & VT_BYREF) != 0) {
      if (depth >= kMaximumNesting) mismatch(L"Type mismatch: too many levels of reference");
      storeAt(slot, value, depth + 1);
      return;
    }
    UniqueVariant fresh = convertOut(value);
    VariantClear(&slot);
    slot = fresh.release();
    return;
  }
  if ((target & VT_ARRAY) != 0) mismatch(L"Type mismatch: an array passed by reference cannot be replaced");

  UniqueVariant fresh = convertOut(value);
  if (fresh.get().vt != target) {
    const VARTYPE from = fresh.get().vt;
    const HRESULT hr = VariantChangeType(fresh.ptr(), fresh.ptr(), 0, target);
    if (FAILED(hr)) coercionFailed(hr, from, target);
  }
  VARIANT& v = fresh.get();
  switch (target) {
    case VT_BOOL: *reference.pboolVal = v.boolVal; break;
    case VT_I1: *reference.pcVal = v.cVal; break;
    case VT_UI1: *reference.pbVal = v.bVal; break;
    case VT_I2: *reference.piVal = v.iVal; break;
    case VT_UI2: *reference.puiVal = v.uiVal; break;
    case VT_I4: *reference.plVal = v.lVal; break;
    case VT_UI4: *reference.pulVal = v.ulVal; break;
    case VT_INT: *reference.pintVal = v.intVal; break;
    case VT_UINT: *reference.puintVal = v.uintVal; break;
    case VT_I8: *reference.pllVal = v.llVal; break;
    case VT_UI8: *reference.pullVal = v.ullVal; break;
    case VT_R4: *reference.pfltVal = v.fltVal; break;
    case VT_R8: *reference.pdblVal = v.dblVal; break;
    case VT_CY: *reference.pcyVal = v.cyVal; break;
    case VT_DATE: *reference.pdate = v.date; break;
    case VT_ERROR: *reference.pscode = v.scode; break;
    case VT_DECIMAL: {
      DECIMAL decimal = v.decVal;
      decimal.wReserved = 0;  // it held the VARIANT's type
      *reference.pdecVal = decimal;
      break;
    }
    case VT_BSTR:
      SysFreeString(*reference.pbstrVal);
      *reference.pbstrVal = v.bstrVal;
      v.vt = VT_EMPTY;  // handed over to the reference
      break;
    case VT_DISPATCH:
      if (*reference.ppdispVal != nullptr) (*reference.ppdispVal)->Release();
      *reference.ppdispVal = v.pdispVal;
      v.vt = VT_EMPTY;
      break;
    case VT_UNKNOWN:
      if (*reference.ppunkVal != nullptr) (*reference.ppunkVal)->Release();
      *reference.ppunkVal = v.punkVal;
      v.vt = VT_EMPTY;
      break;
    default:
      mismatch(L"Type mismatch: a reference to " + typeName(target) + L" cannot be written");
  }
}

}  // namespace

void storeThroughReference(const VARIANT& reference, const Variant& value) {
  onlyComErrors([&] { storeAt(reference, value, 0); });
}

}  // namespace automation::win32

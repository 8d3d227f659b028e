#pragma once
// The add-in's Variant to and from the OLE Automation VARIANT.
// Windows only: it includes the OLE Automation headers.

#include <objbase.h>
#include <oleauto.h>

#include "automation/variant.h"
#include "automation/win32/com_holders.h"

namespace automation::win32 {

// How deep references to references and arrays inside arrays may go, together: legal values are
// never deep, and a cycle or a deep nesting is a caller's bug that must not exhaust the stack.
inline constexpr int kMaximumNesting = 8;

// Empty, Null, Bool, Int16, Int32, Double and String become VT_EMPTY, VT_NULL, VT_BOOL, VT_I2,
// VT_I4, VT_R8 and VT_BSTR; an object VT_DISPATCH (Nothing a null one); an array a one-dimensional
// SAFEARRAY of VARIANT with lower bound 0. Raises ComError 13 for an object that has no IDispatch.
UniqueVariant toVariant(const Variant& value);

// The value of a VARIANT. By-reference forms are read through. Types the Variant has no room for
// are converted: VT_I1 and VT_UI1 to Int16; VT_UI2, VT_UI4, VT_INT, VT_UINT, VT_I8 and VT_UI8 to
// Int32, or Double when they do not fit; VT_R4, VT_CY, VT_DATE and VT_DECIMAL to Double
// (VariantChangeType). VT_ERROR
// is Empty for an omitted argument (DISP_E_PARAMNOTFOUND) and Int32 of its code otherwise.
// VT_UNKNOWN is an object when it answers IDispatch. Arrays must have one dimension; their
// elements may be of any of these types, and of the type the array's own descriptor has. Raises
// ComError 13 for anything else, and for nesting deeper than kMaximumNesting.
Variant fromVariant(const VARIANT& value);

// Whether the VARIANT is an omitted optional argument (VT_ERROR DISP_E_PARAMNOTFOUND).
bool isMissingArgument(const VARIANT& value) noexcept;

// Writes `value` through a by-reference VARIANT (VT_BYREF|type), coerced to the type that the
// reference points at; through VT_BYREF|VT_VARIANT the new value replaces the old whatever
// its type. Raises ComError 13 (or 6) when the value does not convert.
void storeThroughReference(const VARIANT& reference, const Variant& value);

}  // namespace automation::win32

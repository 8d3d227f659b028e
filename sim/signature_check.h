#pragma once
// A late-bound call checked against its interface's signature the way oleaut32's standard
// dispatcher checks it, so that the native simulator refuses what Office's dual interfaces refuse:
// - names: an unknown name is DISP_E_UNKNOWNNAME (GetIDsOfNames fails), also for a named
//   argument; a member absent from the object's version of Office is unknown too;
// - invoke kinds are flags: a read (method | get) matches a method or a property get, a get
//   alone never matches a method and a method alone never a get (DISP_E_MEMBERNOTFOUND); a putref
//   of an object property declared put only is taken as its put, as the add-in's Windows backend
//   retries it;
// - more arguments than parameters, or a required parameter left out, is DISP_E_BADPARAMCOUNT,
//   except that a property get without parameters hands the arguments to the default member of
//   the object it returns;
// - a typed by-reference parameter (BSTR*, long*, VARIANT_BOOL*) refuses a reference to a Variant
//   (what a script passes) or to another type with DISP_E_TYPEMISMATCH; a by-value argument goes
//   through a temporary, so nothing comes back;
// - a by-value argument is converted to the parameter's type as VariantChangeType converts it
//   (DISP_E_TYPEMISMATCH, DISP_E_OVERFLOW), and the result to the member's declared type.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "automation/dispatch.h"
#include "sim/signatures/signatures.h"

namespace sim {

inline constexpr std::int32_t kUnknownName = static_cast<std::int32_t>(0x80020006u);
inline constexpr std::int32_t kOverflow = static_cast<std::int32_t>(0x8002000Au);

// The call as the member receives it: the simulated object's name for the member (L"" for the
// table's _Default), the invoke kind it is, and the arguments in the order of its parameters.
struct CheckedCall {
  const signatures::Member* member = nullptr;
  std::wstring name;
  automation::InvokeKind kind = automation::InvokeKind::Method;
  std::vector<automation::Arg> args;
  // A property get without parameters that was given arguments: they go to the default member of
  // the object it returns (`args` holds them as given).
  bool forwardToDefault = false;
};

// Raises ComError with the HRESULT the standard dispatcher gives; nullopt for a name the table
// does not know on an interface whose object resolves names at run time.
std::optional<CheckedCall> checkCall(const signatures::Interface& signature, int version, std::wstring_view member,
                                     automation::InvokeKind kind, std::vector<automation::Arg>& args);

// The member's result in its declared type.
automation::Variant declaredResult(const signatures::Member& member, const automation::Variant& value);

}  // namespace sim

#pragma once
// The signatures of the interfaces the simulated Office and the vault server double serve, as
// their type libraries declare them (generated from office.sig beside this file). The native
// simulator checks every call against them; the Wine test host builds its type library from the
// same source.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace sim::signatures {

// How a parameter, a result or a property's value travels (see office.sig for the mapping onto
// automation::Variant).
enum class Type { Void, String, Long, Int, Bool, Variant, Object, VariantRef, StringRef, LongRef, BoolRef };

// The invoke kinds a member answers; the same flags as automation::InvokeKind.
enum Kind : unsigned { kMethod = 1, kGet = 2, kPut = 4 };

struct Param {
  const wchar_t* name;
  Type type;
  bool optional;
};

struct Member {
  const wchar_t* name;
  std::int32_t dispid;
  Kind kind;
  Type type;  // the result of a get or method, the new value of a put
  const Param* params;  // index parameters of a property, arguments of a method
  std::size_t paramCount;
  int since;  // the first major version of Office that has it; 0 for all
  int until;  // the last one; 0 for all

  bool existsIn(int version) const {
    return (since == 0 || version == 0 || version >= since) && (until == 0 || version == 0 || version <= until);
  }
};

struct Interface {
  const wchar_t* name;      // "Word._Application"
  const wchar_t* typeName;  // its name in the generated type library
  const wchar_t* iid;
  bool nonextensible;
  bool dynamic;  // names unknown to the type library are the object's to resolve at run time
  bool locale;   // its own IDispatch, which takes the caller's locale (Excel)
  const Member* members;
  std::size_t memberCount;
  // 0, or the major version from which the interface has its full form: some members exist only
  // from or up to a version, and the type library holds a second form (typeName + "_before" +
  // split) for the versions before.
  int split;
};

// The interface named so ("Office.CommandBar"), or null.
const Interface* find(std::wstring_view name);

// Every interface of the table.
const Interface* begin();
const Interface* end();

}  // namespace sim::signatures

#include "sim/signature_check.h"

#include "automation/variant.h"
#include "platform/text.h"

namespace sim {

using automation::Arg;
using automation::ComError;
using automation::InvokeKind;
using automation::Variant;
using signatures::Type;
namespace dispatch_errors = automation::dispatch_errors;

namespace {

[[noreturn]] void refuse(std::int32_t hresult, const std::wstring& what) {
  const wchar_t* text = L"Type mismatch.";
  switch (hresult) {
    case kUnknownName: text = L"Unknown name."; break;
    case dispatch_errors::kMemberNotFound: text = L"Member not found."; break;
    case dispatch_errors::kBadParameterCount: text = L"Invalid number of parameters."; break;
    case kOverflow: text = L"Out of present range."; break;
    default: break;
  }
  throw ComError(hresult, std::wstring(text) + L" " + what);
}

bool isReference(Type type) {
  return type == Type::StringRef || type == Type::LongRef || type == Type::BoolRef;
}

// A value converted to a by-value type as VariantChangeType does it.
Variant converted(Type type, const Variant& value, const std::wstring& what) {
  try {
    switch (type) {
      case Type::String:
      case Type::StringRef:
        if (value.isNull() || value.isArray()) refuse(dispatch_errors::kTypeMismatch, what);
        return Variant(value.toString());
      case Type::Long:
      case Type::Int:
      case Type::LongRef:
        if (value.isNull() || value.isArray()) refuse(dispatch_errors::kTypeMismatch, what);
        return Variant(value.toInt32());
      case Type::Bool:
      case Type::BoolRef:
        if (value.isNull() || value.isArray()) refuse(dispatch_errors::kTypeMismatch, what);
        return Variant(value.toBool());
      case Type::Object:
        if (value.isEmpty()) return Variant(automation::Object());
        if (!value.isObject()) refuse(dispatch_errors::kTypeMismatch, what);
        return value;
      default:
        return value;
    }
  } catch (const ComError& error) {
    if (error.number() == automation::errors::kOverflow) refuse(kOverflow, what);
    if (error.number() < 0) throw;
    refuse(dispatch_errors::kTypeMismatch, what);
  }
}

// The type a typed reference must hold.
bool holdsReferenceType(Type type, const Variant& value) {
  switch (type) {
    case Type::StringRef: return value.type() == Variant::Type::String;
    case Type::LongRef: return value.type() == Variant::Type::Int32;
    default: return value.type() == Variant::Type::Bool;
  }
}

Arg parameterArg(const signatures::Param& param, Arg& given, const std::wstring& what) {
  if (given.isMissing()) {
    // A missing value travels as an error value: a Variant parameter takes it as "not given",
    // a typed one cannot hold it.
    if (param.type == Type::Variant || param.type == Type::VariantRef) return Arg::missing();
    refuse(dispatch_errors::kTypeMismatch, what);
  }
  if (param.type == Type::VariantRef) return given.isByRef() ? Arg::byRefVariant(given.ref()) : Arg(given.value());
  if (isReference(param.type) && given.isByRef()) {
    if (given.isVariantRef() || !holdsReferenceType(param.type, given.value())) {
      refuse(dispatch_errors::kTypeMismatch, what);
    }
    return Arg::byRef(given.ref());
  }
  return Arg(converted(param.type, given.value(), what));
}

const signatures::Member* resolve(const signatures::Interface& signature, int version, std::wstring_view name,
                                  InvokeKind kind, bool& known) {
  unsigned flags = static_cast<unsigned>(kind);
  if (kind == InvokeKind::PropertyPutRef) flags = signatures::kPut;
  known = false;
  for (std::size_t i = 0; i < signature.memberCount; ++i) {
    const auto& member = signature.members[i];
    if (!member.existsIn(version)) continue;
    const bool named = name.empty() ? member.dispid == 0 : platform::equalsIgnoreCase(member.name, name);
    if (!named) continue;
    known = true;
    if ((flags & member.kind) == 0) continue;
    // A putref reaches a put only where the value is an object.
    if (kind == InvokeKind::PropertyPutRef && member.type != Type::Object) continue;
    return &member;
  }
  return nullptr;
}

}  // namespace

std::optional<CheckedCall> checkCall(const signatures::Interface& signature, int version, std::wstring_view memberName,
                                     InvokeKind kind, std::vector<Arg>& args) {
  const std::wstring what = memberName.empty() ? std::wstring(L"(default member)") : std::wstring(memberName);
  bool known = false;
  const signatures::Member* member = resolve(signature, version, memberName, kind, known);
  if (!member) {
    // DISPID_VALUE always has a number; a name has one only if the type library knows it.
    if (!known && !memberName.empty()) {
      if (signature.dynamic) return std::nullopt;
      refuse(kUnknownName, what);
    }
    refuse(dispatch_errors::kMemberNotFound, what);
  }

  const bool put = member->kind == signatures::kPut;
  CheckedCall call;
  call.member = member;
  call.name = platform::equalsIgnoreCase(member->name, L"_Default") ? std::wstring() : std::wstring(member->name);
  call.kind = put ? kind : (member->kind == signatures::kMethod ? InvokeKind::Method : InvokeKind::PropertyGet);

  // The new value of a put is the last argument; the rest are parameters, positional first.
  std::size_t given = args.size();
  if (put) {
    if (given == 0) refuse(dispatch_errors::kBadParameterCount, what);
    --given;
  }
  std::vector<Arg*> slots(member->paramCount, nullptr);
  std::size_t positional = 0;
  for (std::size_t i = 0; i < given; ++i) {
    Arg& arg = args[i];
    if (!arg.isNamed()) {
      ++positional;
      if (positional <= slots.size()) slots[positional - 1] = &arg;
      continue;
    }
    std::size_t found = member->paramCount;
    for (std::size_t p = 0; p < member->paramCount; ++p) {
      if (platform::equalsIgnoreCase(member->params[p].name, arg.name())) found = p;
    }
    if (found == member->paramCount) refuse(kUnknownName, what + L": " + arg.name());
    slots[found] = &arg;
  }
  if (positional > member->paramCount) {
    if (!put && member->kind == signatures::kGet && member->paramCount == 0 && member->type == Type::Object) {
      call.forwardToDefault = true;
      call.args = args;
      return call;
    }
    refuse(dispatch_errors::kBadParameterCount, what);
  }

  std::size_t last = 0;  // the parameters up to the last one given
  for (std::size_t p = 0; p < slots.size(); ++p) {
    if (slots[p]) last = p + 1;
  }
  for (std::size_t p = 0; p < slots.size(); ++p) {
    const auto& param = member->params[p];
    if (!slots[p]) {
      if (!param.optional) refuse(dispatch_errors::kBadParameterCount, what);
      if (p < last) call.args.push_back(Arg::missing());
      continue;
    }
    call.args.push_back(parameterArg(param, *slots[p], what + L": " + param.name));
  }
  if (put) call.args.push_back(Arg(converted(member->type, args.back().value(), what)));
  return call;
}

Variant declaredResult(const signatures::Member& member, const Variant& value) {
  switch (member.type) {
    case Type::Void: return Variant();
    case Type::String: return Variant(value.toString());
    case Type::Long:
    case Type::Int: return Variant(value.toInt32());
    case Type::Bool: return Variant(value.toBool());
    case Type::Object: return Variant(value.toObject());
    default: return value;
  }
}

}  // namespace sim

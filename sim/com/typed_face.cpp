#include "sim/com/typed_face.h"

#include <utility>

#include "automation/variant.h"
#include "sim/com/com_values.h"
#include "sim/com/dispatch_client.h"

namespace wine_host {

using automation::Arg;
using automation::ComError;
using automation::InvokeKind;
using automation::Variant;
using automation::win32::ComPtr;
using sim::signatures::Type;

namespace {

// What an English Excel answers for a locale it has no language pack for.
constexpr HRESULT kUnsupportedLocale = static_cast<HRESULT>(0x80028018u);

HRESULT scodeOf(std::int32_t number) {
  if (number < 0) return static_cast<HRESULT>(number);
  if (number == 0) return E_FAIL;
  return static_cast<HRESULT>(0x800A0000u | (static_cast<std::uint32_t>(number) & 0xFFFFu));
}

bool isOmitted(const VARIANT& value) {
  if (value.vt == VT_ERROR) return value.scode == DISP_E_PARAMNOTFOUND;
  if (value.vt == (VT_BYREF | VT_VARIANT) && value.pvarVal) return isOmitted(*value.pvarVal);
  return false;
}

InvokeKind invokeKindOf(sim::signatures::Kind kind) {
  switch (kind) {
    case sim::signatures::kGet: return InvokeKind::PropertyGet;
    case sim::signatures::kPut: return InvokeKind::PropertyPut;
    default: return InvokeKind::Method;
  }
}

}  // namespace

// --- TypedFace ------------------------------------------------------------------------------------------

TypedFace::TypedFace(FaceOwner& owner, ITypeInfo* info, bool dynamic, bool locale, Destroy destroyFace)
    : owner_(owner), info_(ComPtr<ITypeInfo>::retain(info)), dynamic_(dynamic), locale_(locale), destroy_(destroyFace) {}

HRESULT TypedFace::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 1;
  return S_OK;
}

HRESULT TypedFace::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
  if (!info) return E_POINTER;
  *info = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  info_->AddRef();
  *info = info_.get();
  return S_OK;
}

HRESULT TypedFace::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) {
  if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  if (const HRESULT fault = owner_.injectedFault(BridgeCall::GetIDsOfNames, nullptr); FAILED(fault)) return fault;
  if (locale_ && !owner_.acceptsLocale(locale)) return kUnsupportedLocale;
  const HRESULT typed = info_->GetIDsOfNames(names, count, ids);
  if (typed != DISP_E_UNKNOWNNAME || !dynamic_ || count == 0 || !names || !ids) return typed;
  // A name the type library does not know may be one the object resolves at run time; its
  // members' named arguments are the object's too.
  try {
    if (ids[0] != DISPID_UNKNOWN && count > 1) return typed;  // a known member with an unknown argument
    ids[0] = owner_.dynamicDispid(names[0], false);
    for (UINT i = 1; i < count; ++i) ids[i] = owner_.dynamicDispid(names[i], true);
    return S_OK;
  } catch (...) {
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    return E_OUTOFMEMORY;
  }
}

HRESULT TypedFace::Invoke(DISPID member, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                          EXCEPINFO* exception, UINT* argumentError) {
  if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  if (const HRESULT fault = owner_.injectedFault(BridgeCall::Invoke, exception); FAILED(fault)) return fault;
  if (locale_ && !owner_.acceptsLocale(locale)) return kUnsupportedLocale;
  if (dynamic_) {
    // Members the type library knows have their DISPIDs there; any other is the object's own.
    ComPtr<ITypeInfo> info = ComPtr<ITypeInfo>::retain(info_.get());
    BSTR name = nullptr;
    UINT found = 0;
    const bool known = SUCCEEDED(info->GetNames(member, &name, 1, &found)) && found == 1;
    SysFreeString(name);
    if (!known) return owner_.invokeDynamic(member, flags, params, result, exception, argumentError);
  }
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  if (params && tooManyArguments(member, flags, *params)) return DISP_E_BADPARAMCOUNT;
  return info_->Invoke(static_cast<IDispatch*>(this), member, flags, params ? params : &none, result, exception,
                       argumentError);
}

bool TypedFace::tooManyArguments(DISPID member, WORD flags, const DISPPARAMS& params) const {
  // Windows' oleaut32 refuses more arguments than a member has parameters; Wine's passes the
  // surplus over. A property get without parameters is the exception: its arguments go to the
  // default member of the object it returns.
  // The functions are walked by index: a dual interface's dispatch view counts IDispatch's own
  // first, which ITypeInfo2::GetFuncIndexOfMemId does not.
  FUNCDESC* function = nullptr;
  for (UINT index = 0; SUCCEEDED(info_->GetFuncDesc(index, &function)); ++index) {
    const bool matches = function->memid == member && (flags & function->invkind) != 0;
    UINT declared = 0;
    for (SHORT i = 0; i < function->cParams; ++i) {
      if ((function->lprgelemdescParam[i].paramdesc.wParamFlags & PARAMFLAG_FRETVAL) == 0) ++declared;
    }
    const bool forwarded = function->invkind == INVOKE_PROPERTYGET && declared == 0;
    info_->ReleaseFuncDesc(function);
    if (matches) return params.cArgs > declared && !forwarded;
  }
  return false;
}

// --- TypedCall ------------------------------------------------------------------------------------------

TypedCall::TypedCall(TypedFace& face, const wchar_t* member, sim::signatures::Kind kind) noexcept
    : face_(face), member_(member), kind_(kind) {}

template <class Convert>
void TypedCall::add(Convert convert) noexcept {
  if (error_) return;
  try {
    args_.push_back(convert());
  } catch (...) {
    error_ = automation::currentError(std::current_exception());
  }
}

void TypedCall::bstr(BSTR value) noexcept {
  add([&] { return Arg(Variant(textOf(value))); });
}
void TypedCall::i4(long value) noexcept {
  add([&] { return Arg(Variant(static_cast<std::int32_t>(value))); });
}
void TypedCall::integer(int value) noexcept {
  add([&] { return Arg(Variant(static_cast<std::int32_t>(value))); });
}
void TypedCall::boolean(VARIANT_BOOL value) noexcept {
  add([&] { return Arg(Variant(value != VARIANT_FALSE)); });
}
void TypedCall::variant(const VARIANT& value) noexcept {
  add([&] { return isOmitted(value) ? Arg::missing() : Arg(face_.owner().values().fromVariant(value)); });
}
void TypedCall::object(IDispatch* value) noexcept {
  add([&] {
    VARIANT wrapped;
    wrapped.vt = VT_DISPATCH;
    wrapped.pdispVal = value;
    return Arg(face_.owner().values().fromVariant(wrapped));
  });
}

void TypedCall::addReference(Type type, void* target, Variant value, bool variantRef) noexcept {
  if (error_) return;
  try {
    references_.push_back(std::move(value));
    writeBacks_.push_back(WriteBack{type, target, references_.size() - 1});
    args_.push_back(variantRef ? Arg::byRefVariant(references_.back()) : Arg::byRef(references_.back()));
  } catch (...) {
    error_ = automation::currentError(std::current_exception());
  }
}

void TypedCall::variantRef(VARIANT* value) noexcept {
  if (!value || isOmitted(*value)) {
    add([] { return Arg::missing(); });
    return;
  }
  try {
    addReference(Type::VariantRef, value, face_.owner().values().fromVariant(*value), true);
  } catch (...) {
    if (!error_) error_ = automation::currentError(std::current_exception());
  }
}
void TypedCall::bstrRef(BSTR* value) noexcept {
  try {
    addReference(Type::StringRef, value, Variant(value ? textOf(*value) : std::wstring()), false);
  } catch (...) {
    if (!error_) error_ = automation::currentError(std::current_exception());
  }
}
void TypedCall::i4Ref(long* value) noexcept {
  addReference(Type::LongRef, value, Variant(static_cast<std::int32_t>(value ? *value : 0)), false);
}
void TypedCall::booleanRef(VARIANT_BOOL* value) noexcept {
  addReference(Type::BoolRef, value, Variant(value && *value != VARIANT_FALSE), false);
}

HRESULT TypedCall::fail(const ComError& error) noexcept {
  // The standard dispatcher fills EXCEPINFO from the error info of the thread.
  ComPtr<ICreateErrorInfo> created;
  if (SUCCEEDED(CreateErrorInfo(created.put()))) {
    created->SetSource(const_cast<LPOLESTR>(face_.owner().errorSource().c_str()));
    created->SetDescription(const_cast<LPOLESTR>(error.description().c_str()));
    ComPtr<IErrorInfo> info;
    if (SUCCEEDED(created->QueryInterface(IID_IErrorInfo, info.putVoid()))) SetErrorInfo(0, info.get());
  }
  return scodeOf(error.number());
}

template <class Store>
HRESULT TypedCall::run(Store store) noexcept {
  try {
    if (error_) return fail(*error_);
    const Variant returned = face_.owner().target().target()->invoke(member_, invokeKindOf(kind_), args_);
    ValueConverter& values = face_.owner().values();
    for (const auto& written : writeBacks_) {
      if (!written.target) continue;
      const Variant& value = references_[written.reference];
      switch (written.type) {
        case Type::StringRef: {
          Bstr fresh(value.toString());
          BSTR* target = static_cast<BSTR*>(written.target);
          SysFreeString(*target);
          *target = fresh.detach();
          break;
        }
        case Type::LongRef: *static_cast<long*>(written.target) = value.toInt32(); break;
        case Type::BoolRef: *static_cast<VARIANT_BOOL*>(written.target) = value.toBool() ? VARIANT_TRUE : VARIANT_FALSE; break;
        default: {
          VariantValue fresh;
          values.toVariant(value, fresh.get());
          VARIANT* target = static_cast<VARIANT*>(written.target);
          // A VARIANT* argument may itself point further; the value goes where it ends.
          while (target->vt == (VT_BYREF | VT_VARIANT) && target->pvarVal) target = target->pvarVal;
          VariantClear(target);
          fresh.moveTo(*target);
          break;
        }
      }
    }
    store(returned);
    return S_OK;
  } catch (...) {
    return fail(automation::currentError(std::current_exception()));
  }
}

HRESULT TypedCall::finish() noexcept {
  return run([](const Variant&) {});
}
HRESULT TypedCall::finish(BSTR* result) noexcept {
  if (!result) return E_POINTER;
  *result = nullptr;
  return run([&](const Variant& value) { *result = Bstr(value.toString()).detach(); });
}
HRESULT TypedCall::finish(long* result) noexcept {
  if (!result) return E_POINTER;
  return run([&](const Variant& value) { *result = value.toInt32(); });
}
HRESULT TypedCall::finish(int* result) noexcept {
  if (!result) return E_POINTER;
  return run([&](const Variant& value) { *result = value.toInt32(); });
}
HRESULT TypedCall::finish(VARIANT_BOOL* result) noexcept {
  if (!result) return E_POINTER;
  return run([&](const Variant& value) { *result = value.toBool() ? VARIANT_TRUE : VARIANT_FALSE; });
}
HRESULT TypedCall::finish(VARIANT* result) noexcept {
  if (!result) return E_POINTER;
  VariantInit(result);
  return run([&](const Variant& value) { face_.owner().values().toVariant(value, *result); });
}
HRESULT TypedCall::finish(IDispatch** result) noexcept {
  if (!result) return E_POINTER;
  *result = nullptr;
  return run([&](const Variant& value) {
    VariantValue converted;
    face_.owner().values().toVariant(Variant(value.toObject()), converted.get());
    *result = converted.get().pdispVal;
    converted.get().vt = VT_EMPTY;  // the reference now belongs to the caller
  });
}

// --- The type library -----------------------------------------------------------------------------------

ITypeLib* simulatedOfficeTypeLibrary() {
  static ITypeLib* library = [] {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    ITypeLib* loaded = nullptr;
    if (length == 0 || length >= MAX_PATH || FAILED(LoadTypeLibEx(path, REGKIND_NONE, &loaded))) return loaded;
    return loaded;
  }();
  return library;
}

}  // namespace wine_host

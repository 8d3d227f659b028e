#include "sim/com/dispatch_bridge.h"

#include <olectl.h>

#include <cstring>
#include <deque>
#include <map>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "automation/variant.h"
#include "automation/win32/com_ptr.h"
#include "automation/win32/dispatch_object.h"
#include "platform/text.h"
#include "sim/com/com_object.h"
#include "sim/com/com_values.h"
#include "sim/com/dispatch_client.h"
#include "sim/com/office_ids.h"
#include "sim/com/picture_conversion.h"
#include "sim/com/typed_face.h"
#include "sim/picture.h"
#include "sim/sim_object.h"

namespace wine_host {

using automation::Arg;
using automation::ComError;
using automation::InvokeKind;
using automation::Object;
using automation::Variant;
using automation::win32::ComPtr;
namespace dispatch_errors = automation::dispatch_errors;

namespace {

// Answered only by the bridge's own objects: how an IDispatch coming back in is recognised as one.
constexpr IID kIidBridgeTarget = {0x01f7cc0b, 0x72aa, 0x404a, {0x8a, 0x34, 0x94, 0x5d, 0xde, 0x35, 0x93, 0x40}};

struct IBridgeTarget : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetBridgedTarget(Object* target) = 0;
};

// Named arguments get DISPIDs from here on, apart from those of members.
constexpr DISPID kFirstArgumentDispid = 0x10000;
// The names a typed object resolves at run time get DISPIDs from here on, apart from the type
// library's.
constexpr DISPID kFirstDynamicDispid = 0x40000000;

// The HRESULT a ComError stands for: a host's HRESULT as it is, an Automation error number as
// 0x800A0000 | number.
HRESULT scodeOf(std::int32_t number) {
  if (number < 0) return static_cast<HRESULT>(number);
  if (number == 0) return E_FAIL;
  return static_cast<HRESULT>(0x800A0000u | (static_cast<std::uint32_t>(number) & 0xFFFFu));
}

HRESULT hresultOfCurrentException() noexcept {
  try {
    return scodeOf(automation::currentError(std::current_exception()).number());
  } catch (...) {
    return E_UNEXPECTED;
  }
}

ComError typeMismatch(const wchar_t* what) {
  return ComError(dispatch_errors::kTypeMismatch, std::wstring(L"Type mismatch: ") + what);
}

bool isOmitted(const VARIANT& value) {
  if (value.vt == VT_ERROR) return value.scode == DISP_E_PARAMNOTFOUND;
  if (value.vt == (VT_BYREF | VT_VARIANT) && value.pvarVal) return isOmitted(*value.pvarVal);
  return false;
}

// Bytes of a by-reference target of a fixed-size type that VariantChangeType produces; 0 for the
// types written back otherwise or not at all.
std::size_t fixedSize(VARTYPE type) {
  switch (type) {
    case VT_I1:
    case VT_UI1:
      return 1;
    case VT_UI2:
      return 2;
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_ERROR:
      return 4;
    case VT_I8:
    case VT_UI8:
    case VT_DATE:
    case VT_CY:
      return 8;
    default:
      return 0;
  }
}

// MinGW declares the source of VariantCopyInd and VariantChangeType without const; neither
// changes it.
VARIANT* readOnly(const VARIANT& value) { return const_cast<VARIANT*>(&value); }

class BridgeObject;

}  // namespace

// What the bridges of one DispatchBridge share: the bridges alive (by the identity of the object
// each shows), the DISPIDs given to names, and the advised event subscriptions.
class BridgeRegistry final : public ValueConverter, public std::enable_shared_from_this<BridgeRegistry> {
 public:
  explicit BridgeRegistry(std::wstring source) : source_(std::move(source)) {}

  IDispatch* bridge(const Object& object);
  Object unwrap(IDispatch* dispatch);
  Variant fromVariant(const VARIANT& value) override;
  void toVariant(const Variant& value, VARIANT& out) override;
  // The value of a by-reference variant, read through the reference.
  Variant fromReference(const VARIANT& value);
  // Stores `value` where the by-reference variant points, in the type it points at.
  void writeBack(VARIANT& target, const Variant& value);

  const std::wstring& source() const { return source_; }
  // The type information of a form of an interface in the simulated Office's type library; null
  // when the program carries no type library.
  ITypeInfo* typeInfo(const std::wstring& typeName);
  bool englishExcel = false;
  DISPID memberDispid(std::wstring_view name) { return dispidOf(members_, name, 1); }
  DISPID argumentDispid(std::wstring_view name) { return dispidOf(arguments_, name, kFirstArgumentDispid); }
  const std::wstring* memberName(DISPID dispid) const { return nameOf(members_, dispid, 1); }
  const std::wstring* argumentName(DISPID dispid) const { return nameOf(arguments_, dispid, kFirstArgumentDispid); }

  void forget(const void* identity, const BridgeObject* bridge) {
    auto it = bridges_.find(identity);
    if (it != bridges_.end() && it->second == bridge) bridges_.erase(it);
  }
  std::size_t liveBridges() const { return bridges_.size(); }

  DWORD advise(const Object& target, const std::wstring& eventsInterface, REFIID iid, ComPtr<IDispatch> sink);
  bool unadvise(DWORD cookie, const void* identity, REFIID iid);
  void deliver(IDispatch& sink, const std::wstring& eventsInterface, std::wstring_view event, std::vector<Arg>& args);
  void disconnectAll();
  std::size_t connections() const { return advised_.size(); }
  BridgeFaults faults;

 private:
  struct NameTable {
    std::vector<std::wstring> names;
    std::map<std::wstring, DISPID> ids;  // by folded name
  };
  static DISPID dispidOf(NameTable& table, std::wstring_view name, DISPID first) {
    const std::wstring folded = platform::foldCase(name);
    auto it = table.ids.find(folded);
    if (it != table.ids.end()) return it->second;
    const DISPID dispid = first + static_cast<DISPID>(table.names.size());
    table.names.emplace_back(name);
    table.ids.emplace(folded, dispid);
    return dispid;
  }
  static const std::wstring* nameOf(const NameTable& table, DISPID dispid, DISPID first) {
    if (dispid < first || static_cast<std::size_t>(dispid - first) >= table.names.size()) return nullptr;
    return &table.names[static_cast<std::size_t>(dispid - first)];
  }

  struct Advised {
    const void* identity;
    IID iid;
    ComPtr<IDispatch> sink;
    automation::Connection connection;
  };

  std::wstring source_;
  std::map<std::wstring, ComPtr<ITypeInfo>> typeInfos_;
  std::map<const void*, BridgeObject*> bridges_;
  NameTable members_;
  NameTable arguments_;
  std::map<DWORD, Advised> advised_;
  DWORD nextCookie_ = 1;
};

namespace {

class BridgeConnectionPoint;

class BridgeObject final : public IDispatch, public IConnectionPointContainer, public IBridgeTarget, public FaceOwner {
 public:
  BridgeObject(std::shared_ptr<BridgeRegistry> registry, Object target);
  ~BridgeObject() {
    if (face_) TypedFace::destroy(face_);
    registry_->forget(identity_, this);
  }
  BridgeObject(const BridgeObject&) = delete;
  BridgeObject& operator=(const BridgeObject&) = delete;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (!info) return E_POINTER;
    *info = nullptr;
    return DISP_E_BADINDEX;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* exception, UINT* argumentError) override;

  // IConnectionPointContainer
  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** points) override {
    if (!points) return E_POINTER;
    *points = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;

  // IBridgeTarget
  HRESULT STDMETHODCALLTYPE GetBridgedTarget(Object* target) override {
    if (!target) return E_POINTER;
    *target = target_;
    return S_OK;
  }

  // FaceOwner
  HRESULT queryInterface(REFIID iid, void** out) override { return QueryInterface(iid, out); }
  ULONG addRef() override { return AddRef(); }
  ULONG release() override { return Release(); }
  ValueConverter& values() override { return *registry_; }
  const std::wstring& errorSource() const override { return registry_->source(); }
  DISPID dynamicDispid(std::wstring_view name, bool argument) override {
    return argument ? registry_->argumentDispid(name) : kFirstDynamicDispid + registry_->memberDispid(name);
  }
  HRESULT invokeDynamic(DISPID member, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                        UINT* argumentError) override {
    if (member < kFirstDynamicDispid) return DISP_E_MEMBERNOTFOUND;
    // The face counted the call already.
    return invokeChecked(member - kFirstDynamicDispid, flags, params, result, exception, argumentError);
  }
  bool acceptsLocale(LCID locale) const override {
    return !registry_->englishExcel || locale == 1033 || locale == LOCALE_NEUTRAL;
  }
  HRESULT injectedFault(BridgeCall call, EXCEPINFO* exception) override {
    return registry_->faults.enter(call, exception);
  }

  // What clients get: the typed face of an object that has a signature, else the generic bridge.
  IDispatch* dispatch() { return face_ ? static_cast<IDispatch*>(face_) : static_cast<IDispatch*>(this); }
  BridgeRegistry& registry() { return *registry_; }
  const Object& target() const override { return target_; }
  const void* identity() const { return identity_; }
  void forgetPoint(const BridgeConnectionPoint* point) {
    for (auto it = points_.begin(); it != points_.end(); ++it) {
      if (it->second == point) {
        points_.erase(it);
        return;
      }
    }
  }

 private:
  HRESULT invokeChecked(DISPID member, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                        UINT* argumentError);
  HRESULT invoke(DISPID member, WORD flags, const DISPPARAMS& params, VARIANT* result, UINT* argumentError);
  HRESULT fail(const ComError& error, EXCEPINFO* exception) const;
  bool raisesEvents(const std::wstring& eventsInterface) const;

  ULONG references_ = 1;
  std::shared_ptr<BridgeRegistry> registry_;
  Object target_;
  const void* identity_;
  TypedFace* face_ = nullptr;
  IID faceIid_ = IID_NULL;
  std::vector<std::pair<IID, BridgeConnectionPoint*>> points_;  // alive; each removes itself
};

class BridgeConnectionPoint final : public ComObject<IConnectionPoint> {
 public:
  BridgeConnectionPoint(BridgeObject* container, REFIID iid, std::wstring eventsInterface)
      : ComObject({IID_IConnectionPoint}),
        container_(ComPtr<BridgeObject>::retain(container)), iid_(iid), eventsInterface_(std::move(eventsInterface)) {}
  ~BridgeConnectionPoint() override { container_->forgetPoint(this); }

  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override {
    if (!iid) return E_POINTER;
    *iid = iid_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** container) override {
    if (!container) return E_POINTER;
    *container = static_cast<IConnectionPointContainer*>(container_.get());
    (*container)->AddRef();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override {
    if (!sink || !cookie) return E_POINTER;
    *cookie = 0;
    try {
      // Office hands events only to a sink that says it implements the events interface.
      if (const HRESULT fault = container_->injectedFault(BridgeCall::Advise, nullptr); FAILED(fault)) return fault;
      ComPtr<IDispatch> events;
      if (FAILED(sink->QueryInterface(iid_, events.putVoid())) || !events) return CONNECT_E_CANNOTCONNECT;
      *cookie = container_->registry().advise(container_->target(), eventsInterface_, iid_, std::move(events));
      return S_OK;
    } catch (const ComError&) {
      return CONNECT_E_CANNOTCONNECT;
    } catch (...) {
      return hresultOfCurrentException();
    }
  }
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override {
    try {
      if (const HRESULT fault = container_->injectedFault(BridgeCall::Unadvise, nullptr); FAILED(fault)) {
        if (serverGone(fault)) container_->registry().unadvise(cookie, container_->identity(), iid_);
        return fault;
      }
      return container_->registry().unadvise(cookie, container_->identity(), iid_) ? S_OK : CONNECT_E_NOCONNECTION;
    } catch (...) {
      return hresultOfCurrentException();
    }
  }
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** connections) override {
    if (!connections) return E_POINTER;
    *connections = nullptr;
    return E_NOTIMPL;
  }

 private:
  ComPtr<BridgeObject> container_;
  IID iid_;
  std::wstring eventsInterface_;
};

BridgeObject::BridgeObject(std::shared_ptr<BridgeRegistry> registry, Object target)
    : registry_(std::move(registry)), target_(std::move(target)), identity_(target_.target()->identity()) {
  // An object with a signature is served through its interface in the type library, dispatched
  // by oleaut32 as Office's dual interfaces are; its version of Office picks the form.
  const auto* simulated = target_.as<sim::SimObject>();
  const sim::signatures::Interface* signature = simulated ? simulated->signature() : nullptr;
  if (!signature) return;
  std::wstring typeName = signature->typeName;
  const int version = simulated->signatureVersion();
  if (signature->split != 0 && version != 0 && version < signature->split) {
    typeName += L"_before" + std::to_wstring(signature->split);
  }
  ITypeInfo* info = registry_->typeInfo(typeName);
  if (!info) throw ComError(dispatch_errors::kFail, L"The type library has no interface " + typeName);
  if (FAILED(IIDFromString(signature->iid, &faceIid_))) faceIid_ = IID_NULL;
  face_ = createTypedFace(typeName, *this, info, signature->dynamic, signature->locale);
  if (!face_) throw ComError(dispatch_errors::kFail, L"No vtable for the interface " + typeName);
}

HRESULT BridgeObject::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  try {
    if (IsEqualIID(iid, IID_IUnknown)) {
      *out = static_cast<IDispatch*>(this);
    } else if (IsEqualIID(iid, IID_IDispatch) || (face_ && IsEqualIID(iid, faceIid_))) {
      *out = dispatch();
    } else if (IsEqualIID(iid, IID_IConnectionPointContainer)) {
      *out = static_cast<IConnectionPointContainer*>(this);
    } else if (IsEqualIID(iid, kIidBridgeTarget)) {
      *out = static_cast<IBridgeTarget*>(this);
    } else if (const wchar_t* typed = typedInterfaceName(iid)) {
      // An object that knows which host it belongs to says yes to that host's interface only;
      // one that does not know (it says yes to all) is no application.
      if (!target_.implements(typed)) return E_NOINTERFACE;
      for (const IID* other : {&kIidWordApplication, &kIidExcelApplication, &kIidPowerPointApplication}) {
        if (!IsEqualIID(*other, iid) && target_.implements(typedInterfaceName(*other))) return E_NOINTERFACE;
      }
      *out = dispatch();
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  } catch (...) {
    *out = nullptr;
    return hresultOfCurrentException();
  }
}

HRESULT BridgeObject::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  if (count == 0) return S_OK;
  if (!names || !ids) return E_POINTER;
  if (const HRESULT fault = injectedFault(BridgeCall::GetIDsOfNames, nullptr); FAILED(fault)) return fault;
  try {
    for (UINT i = 0; i < count; ++i) {
      if (!names[i]) return E_POINTER;
    }
    // Every name is taken: whether the object has such a member shows when it is called.
    ids[0] = names[0][0] == L'\0' ? DISPID_VALUE : registry_->memberDispid(names[0]);
    for (UINT i = 1; i < count; ++i) ids[i] = registry_->argumentDispid(names[i]);
    return S_OK;
  } catch (...) {
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    return hresultOfCurrentException();
  }
}

HRESULT BridgeObject::Invoke(DISPID member, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                             EXCEPINFO* exception, UINT* argumentError) {
  if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  if (const HRESULT fault = injectedFault(BridgeCall::Invoke, exception); FAILED(fault)) return fault;
  return invokeChecked(member, flags, params, result, exception, argumentError);
}

HRESULT BridgeObject::invokeChecked(DISPID member, WORD flags, DISPPARAMS* params, VARIANT* result,
                                    EXCEPINFO* exception, UINT* argumentError) {
  try {
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    const DISPPARAMS& given = params ? *params : none;
    if ((given.cArgs > 0 && !given.rgvarg) || given.cNamedArgs > given.cArgs ||
        (given.cNamedArgs > 0 && !given.rgdispidNamedArgs)) {
      return E_INVALIDARG;
    }
    return invoke(member, flags, given, result, argumentError);
  } catch (...) {
    return fail(automation::currentError(std::current_exception()), exception);
  }
}

HRESULT BridgeObject::fail(const ComError& error, EXCEPINFO* exception) const {
  const HRESULT scode = scodeOf(error.number());
  if (!exception) return scode;  // nowhere to describe it: the failure itself
  ZeroMemory(exception, sizeof *exception);
  exception->wCode = 0;
  exception->scode = scode;
  const std::wstring& source = registry_->source();
  exception->bstrSource = SysAllocStringLen(source.data(), static_cast<UINT>(source.size()));
  const std::wstring& description = error.description();
  exception->bstrDescription = SysAllocStringLen(description.data(), static_cast<UINT>(description.size()));
  return DISP_E_EXCEPTION;
}

HRESULT BridgeObject::invoke(DISPID member, WORD flags, const DISPPARAMS& params, VARIANT* result,
                             UINT* argumentError) {
  std::wstring name;
  if (member != DISPID_VALUE) {
    const std::wstring* known = registry_->memberName(member);
    if (!known) return DISP_E_MEMBERNOTFOUND;
    name = *known;
  }
  const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
  if (!put && (flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) == 0) return E_INVALIDARG;

  const UINT count = params.cArgs;
  const UINT namedCount = params.cNamedArgs;
  std::deque<Variant> references;                     // what by-reference arguments point at, at stable addresses
  std::vector<std::pair<UINT, Variant*>> writeBacks;  // rgvarg index, value
  std::vector<Arg> args;
  const auto argumentAt = [&](UINT index) -> Arg {
    VARIANT& source = params.rgvarg[index];
    if (isOmitted(source)) return Arg::missing();
    try {
      if ((source.vt & VT_BYREF) != 0) {
        references.push_back(registry_->fromReference(source));
        writeBacks.emplace_back(index, &references.back());
        return Arg::byRef(references.back());
      }
      return Arg(registry_->fromVariant(source));
    } catch (const ComError&) {
      if (argumentError) *argumentError = index;
      throw;
    }
  };

  // Positional arguments: rgvarg holds them from the last to the first, after the named ones.
  try {
    for (UINT index = count; index > namedCount; --index) args.push_back(argumentAt(index - 1));
  } catch (const ComError& error) {
    if (error.number() == dispatch_errors::kTypeMismatch) return DISP_E_TYPEMISMATCH;
    throw;
  }

  // Named arguments; DISPID_PROPERTYPUT marks the new value of a put.
  std::optional<Arg> value;
  UINT valueIndex = count;  // where in rgvarg the new value of a put is
  std::vector<Arg> named;
  try {
    for (UINT index = 0; index < namedCount; ++index) {
      const DISPID dispid = params.rgdispidNamedArgs[index];
      if (dispid == DISPID_PROPERTYPUT) {
        value.emplace(argumentAt(index));
        valueIndex = index;
        continue;
      }
      const std::wstring* argumentName = registry_->argumentName(dispid);
      if (!argumentName) {
        if (argumentError) *argumentError = index;
        return DISP_E_PARAMNOTFOUND;
      }
      const Arg given = argumentAt(index);
      if (given.isMissing()) continue;  // an omitted named argument is not given
      // A named argument goes by value (Arg has no named by-reference form): nothing comes back.
      if (given.isByRef()) writeBacks.pop_back();
      named.push_back(Arg::named(*argumentName, given.value()));
    }
  } catch (const ComError& error) {
    if (error.number() == dispatch_errors::kTypeMismatch) return DISP_E_TYPEMISMATCH;
    throw;
  }

  InvokeKind kind = InvokeKind::Method;
  if (put) {
    if (!value) {
      // A caller that did not name the new value passes it last, in rgvarg[0].
      if (args.empty()) return DISP_E_PARAMNOTOPTIONAL;
      value.emplace(std::move(args.back()));
      args.pop_back();
      valueIndex = namedCount;
    }
    const bool byReference = (flags & DISPATCH_PROPERTYPUTREF) != 0;
    const bool byValue = (flags & DISPATCH_PROPERTYPUT) != 0;
    kind =
        byReference && (!byValue || value->value().isObject()) ? InvokeKind::PropertyPutRef : InvokeKind::PropertyPut;
  } else if ((flags & DISPATCH_PROPERTYGET) != 0) {
    kind = InvokeKind::PropertyGet;
  }
  for (auto& arg : named) args.push_back(std::move(arg));
  if (value) args.push_back(std::move(*value));

  const Variant returned = target_.target()->invoke(name, kind, args);

  for (const auto& [index, written] : writeBacks) {
    if (index == valueIndex) continue;  // the new value of a put is only read
    try {
      registry_->writeBack(params.rgvarg[index], *written);
    } catch (const ComError&) {
      if (argumentError) *argumentError = index;
      throw;
    }
  }
  if (result && !put) {
    VariantInit(result);
    registry_->toVariant(returned, *result);
  }
  return S_OK;
}

bool BridgeObject::raisesEvents(const std::wstring& eventsInterface) const {
  try {
    const automation::Connection probe =
        target_.connect(eventsInterface, automation::EventHandler([](std::wstring_view, std::vector<Arg>&) {}));
    return static_cast<bool>(probe);
  } catch (const ComError&) {
    return false;
  }
}

HRESULT BridgeObject::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
  if (!point) return E_POINTER;
  *point = nullptr;
  try {
    const wchar_t* eventsInterface = eventsInterfaceName(iid);
    if (!eventsInterface || !raisesEvents(eventsInterface)) return CONNECT_E_NOCONNECTION;
    for (const auto& [pointIid, existing] : points_) {
      if (IsEqualIID(pointIid, iid)) {
        existing->AddRef();
        *point = existing;
        return S_OK;
      }
    }
    auto* created = new BridgeConnectionPoint(this, iid, eventsInterface);
    try {
      points_.emplace_back(iid, created);
    } catch (...) {
      created->Release();
      throw;
    }
    *point = created;
    return S_OK;
  } catch (...) {
    return hresultOfCurrentException();
  }
}

}  // namespace

namespace {

// A picture from outside (IPictureDisp): the simulator sees the simulator's picture of its bitmap,
// and it goes back out as the very picture it came in as.
class IncomingPicture final : public sim::Picture {
 public:
  IncomingPicture(const sim::Picture& copy, ComPtr<IDispatch> original)
      : sim::Picture(copy.dib(), copy.pixelWidth(), copy.pixelHeight()), original_(std::move(original)) {}
  IDispatch* original() const { return original_.get(); }

 private:
  ComPtr<IDispatch> original_;
};

}  // namespace

// --- BridgeRegistry -------------------------------------------------------------------------------------

ITypeInfo* BridgeRegistry::typeInfo(const std::wstring& typeName) {
  auto it = typeInfos_.find(typeName);
  if (it != typeInfos_.end()) return it->second.get();
  ITypeLib* library = simulatedOfficeTypeLibrary();
  if (!library) return nullptr;
  for (UINT index = 0, count = library->GetTypeInfoCount(); index < count; ++index) {
    BSTR name = nullptr;
    if (FAILED(library->GetDocumentation(static_cast<INT>(index), &name, nullptr, nullptr, nullptr))) continue;
    const bool found = textOf(name) == typeName;
    SysFreeString(name);
    if (!found) continue;
    ComPtr<ITypeInfo> info;
    if (FAILED(library->GetTypeInfo(index, info.put()))) return nullptr;
    return typeInfos_.emplace(typeName, std::move(info)).first->second.get();
  }
  return nullptr;
}

IDispatch* BridgeRegistry::bridge(const Object& object) {
  if (!object) return nullptr;
  // An object that stands for an IDispatch from outside goes back out as that IDispatch, whichever
  // wrapper holds it: ours, or the add-in's own (automation/win32).
  if (auto* client = object.as<DispatchClient>()) {
    client->dispatch()->AddRef();
    return client->dispatch();
  }
  if (auto* picture = object.as<IncomingPicture>()) {
    picture->original()->AddRef();
    return picture->original();
  }
  if (IDispatch* outside = automation::win32::toDispatch(object)) return outside;
  const void* identity = object.target()->identity();
  auto it = bridges_.find(identity);
  if (it != bridges_.end()) {
    it->second->AddRef();
    return it->second->dispatch();
  }
  auto* created = new BridgeObject(shared_from_this(), object);
  try {
    bridges_.emplace(identity, created);
  } catch (...) {
    created->Release();
    throw;
  }
  return created->dispatch();
}

Object BridgeRegistry::unwrap(IDispatch* dispatch) {
  if (!dispatch) return Object();
  ComPtr<IBridgeTarget> own;
  if (SUCCEEDED(dispatch->QueryInterface(kIidBridgeTarget, own.putVoid())) && own) {
    Object target;
    if (SUCCEEDED(own->GetBridgedTarget(&target))) return target;
  }
  // A picture (IPictureDisp) becomes the simulator's picture of the same bitmap, as Office takes
  // a button's face from it.
  if (auto dib = pictureToDib24(dispatch)) {
    const auto checked = sim::Picture::fromDib(std::move(*dib));
    return Object(std::make_shared<IncomingPicture>(*checked, ComPtr<IDispatch>::retain(dispatch)));
  }
  return Object(std::make_shared<DispatchClient>(ComPtr<IDispatch>::retain(dispatch), shared_from_this()));
}

Variant BridgeRegistry::fromReference(const VARIANT& value) {
  VariantValue copy;
  if (FAILED(VariantCopyInd(copy.ptr(), readOnly(value)))) throw typeMismatch(L"unreadable by-reference argument");
  return fromVariant(copy.get());
}

Variant BridgeRegistry::fromVariant(const VARIANT& value) {
  if ((value.vt & VT_BYREF) != 0) return fromReference(value);
  if ((value.vt & VT_ARRAY) != 0) {
    automation::VariantArray items;
    SAFEARRAY* array = value.parray;
    if (!array) return Variant(items);
    if (SafeArrayGetDim(array) != 1) throw typeMismatch(L"an array of more than one dimension");
    if (SafeArrayGetElemsize(array) > sizeof(VARIANT)) throw typeMismatch(L"an array of records");
    const VARTYPE elementType = static_cast<VARTYPE>(value.vt & VT_TYPEMASK);
    LONG lower = 0;
    LONG upper = -1;
    if (FAILED(SafeArrayGetLBound(array, 1, &lower)) || FAILED(SafeArrayGetUBound(array, 1, &upper))) {
      throw typeMismatch(L"an array without bounds");
    }
    for (LONG index = lower; index <= upper; ++index) {
      VariantValue element;
      if (elementType == VT_VARIANT) {
        if (FAILED(SafeArrayGetElement(array, &index, element.ptr()))) throw typeMismatch(L"an unreadable array");
      } else {
        // The element is copied into the union first; the type is set once the copy is owned.
        VARIANT raw;
        VariantInit(&raw);
        if (FAILED(SafeArrayGetElement(array, &index, &raw.bVal))) throw typeMismatch(L"an unreadable array");
        raw.vt = elementType;
        *element.ptr() = raw;
      }
      items.push_back(fromVariant(element.get()));
    }
    return Variant(std::move(items));
  }
  switch (value.vt) {
    case VT_EMPTY:
      return Variant();
    case VT_NULL:
      return Variant::null();
    case VT_BOOL:
      return Variant(value.boolVal != VARIANT_FALSE);
    case VT_I2:
      return Variant(static_cast<std::int16_t>(value.iVal));
    case VT_I4:
      return Variant(static_cast<std::int32_t>(value.lVal));
    case VT_R8:
      return Variant(value.dblVal);
    case VT_BSTR:
      return Variant(textOf(value.bstrVal));
    case VT_DISPATCH:
      return Variant(unwrap(value.pdispVal));
    case VT_UNKNOWN: {
      if (!value.punkVal) return Variant(Object());
      ComPtr<IDispatch> dispatch;
      if (FAILED(value.punkVal->QueryInterface(IID_IDispatch, dispatch.putVoid())) || !dispatch) {
        throw typeMismatch(L"an object without IDispatch");
      }
      return Variant(unwrap(dispatch.get()));
    }
    case VT_I1:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_I8:
    case VT_UI8:
    case VT_R4:
    case VT_CY:
    case VT_DATE:
    case VT_DECIMAL: {
      // Whole numbers that fit a Long stay whole; the rest become Doubles.
      VariantValue converted;
      const bool whole = value.vt != VT_R4 && value.vt != VT_CY && value.vt != VT_DATE && value.vt != VT_DECIMAL;
      if (whole && SUCCEEDED(VariantChangeType(converted.ptr(), readOnly(value), 0, VT_I4))) {
        return Variant(static_cast<std::int32_t>(converted.get().lVal));
      }
      if (SUCCEEDED(VariantChangeType(converted.put(), readOnly(value), 0, VT_R8)))
        return Variant(converted.get().dblVal);
      throw ComError(automation::errors::kOverflow, L"Overflow");
    }
    default:
      throw typeMismatch(L"a VARIANT of an unsupported type");
  }
}

void BridgeRegistry::toVariant(const Variant& value, VARIANT& out) {
  VariantInit(&out);
  switch (value.type()) {
    case Variant::Type::Empty:
      return;
    case Variant::Type::Null:
      out.vt = VT_NULL;
      return;
    case Variant::Type::Bool:
      out.boolVal = value.toBool() ? VARIANT_TRUE : VARIANT_FALSE;
      out.vt = VT_BOOL;
      return;
    case Variant::Type::Int16:
      out.iVal = value.toInt16();
      out.vt = VT_I2;
      return;
    case Variant::Type::Int32:
      out.lVal = value.toInt32();
      out.vt = VT_I4;
      return;
    case Variant::Type::Double:
      out.dblVal = value.toDouble();
      out.vt = VT_R8;
      return;
    case Variant::Type::String:
      out.bstrVal = Bstr(value.toString()).detach();
      out.vt = VT_BSTR;
      return;
    case Variant::Type::Object:
      out.pdispVal = bridge(value.toObject());
      out.vt = VT_DISPATCH;
      return;
    case Variant::Type::Array: {
      const auto& items = value.array();
      SAFEARRAYBOUND bound{static_cast<ULONG>(items.size()), 0};
      SAFEARRAY* array = SafeArrayCreate(VT_VARIANT, 1, &bound);
      if (!array) throw std::bad_alloc();
      try {
        for (std::size_t i = 0; i < items.size(); ++i) {
          VariantValue element;
          toVariant(items[i], element.get());
          LONG index = static_cast<LONG>(i);
          if (FAILED(SafeArrayPutElement(array, &index, element.ptr()))) throw std::bad_alloc();
        }
      } catch (...) {
        SafeArrayDestroy(array);
        throw;
      }
      out.parray = array;
      out.vt = VT_ARRAY | VT_VARIANT;
      return;
    }
  }
  throw typeMismatch(L"a value of an unknown type");
}

void BridgeRegistry::writeBack(VARIANT& target, const Variant& value) {
  if (!target.byref) throw typeMismatch(L"a null by-reference argument");
  const VARTYPE type = static_cast<VARTYPE>(target.vt & ~VT_BYREF);
  switch (type) {
    case VT_VARIANT: {
      VariantValue fresh;
      toVariant(value, fresh.get());
      VariantClear(target.pvarVal);
      fresh.moveTo(*target.pvarVal);
      return;
    }
    case VT_BOOL:
      *target.pboolVal = value.toBool() ? VARIANT_TRUE : VARIANT_FALSE;
      return;
    case VT_I2:
      *target.piVal = value.toInt16();
      return;
    case VT_I4:
      *target.plVal = value.toInt32();
      return;
    case VT_R8:
      *target.pdblVal = value.toDouble();
      return;
    case VT_BSTR: {
      Bstr fresh(value.toString());
      SysFreeString(*target.pbstrVal);
      *target.pbstrVal = fresh.detach();
      return;
    }
    case VT_DISPATCH: {
      IDispatch* fresh = bridge(value.toObject());
      if (*target.ppdispVal) (*target.ppdispVal)->Release();
      *target.ppdispVal = fresh;
      return;
    }
    default:
      break;
  }
  const std::size_t size = fixedSize(type);
  if (size == 0) throw typeMismatch(L"a by-reference argument of an unsupported type");
  VariantValue given;
  toVariant(value, given.get());
  VariantValue converted;
  if (FAILED(VariantChangeType(converted.ptr(), given.ptr(), 0, type))) {
    throw typeMismatch(L"a value that does not fit the by-reference argument");
  }
  std::memcpy(target.byref, &converted.get().bVal, size);
}

DWORD BridgeRegistry::advise(const Object& target, const std::wstring& eventsInterface, REFIID iid,
                             ComPtr<IDispatch> sink) {
  const std::weak_ptr<BridgeRegistry> weak = shared_from_this();
  automation::EventHandler handler([weak, eventsInterface, sink](std::wstring_view event, std::vector<Arg>& args) {
    // The subscriptions end with the registry, so a live handler finds it.
    if (auto registry = weak.lock()) registry->deliver(*sink.get(), eventsInterface, event, args);
  });
  automation::Connection connection = target.connect(eventsInterface, std::move(handler));
  const DWORD cookie = nextCookie_++;
  advised_.emplace(cookie, Advised{target.target()->identity(), iid, std::move(sink), std::move(connection)});
  return cookie;
}

bool BridgeRegistry::unadvise(DWORD cookie, const void* identity, REFIID iid) {
  auto it = advised_.find(cookie);
  if (it == advised_.end() || it->second.identity != identity || !IsEqualIID(it->second.iid, iid)) return false;
  // Taken out first: ending it releases the sink, which may call back in here.
  Advised ended = std::move(it->second);
  advised_.erase(it);
  ended.connection.reset();
  return true;
}

void BridgeRegistry::disconnectAll() {
  std::map<DWORD, Advised> ending;
  ending.swap(advised_);
  ending.clear();
}

void BridgeRegistry::deliver(IDispatch& sink, const std::wstring& eventsInterface, std::wstring_view event,
                             std::vector<Arg>& args) {
  DISPID dispid = DISPID_UNKNOWN;
  if (!eventDispid(eventsInterface, event, dispid)) {
    throw ComError(dispatch_errors::kFail,
                   L"No DISPID known for the event " + std::wstring(event) + L" of " + eventsInterface);
  }
  const std::size_t count = args.size();
  VariantSlots slots(count);                              // rgvarg: the last argument first
  VariantSlots references(count);                         // what VT_BYREF | VT_VARIANT arguments point at
  std::vector<VARIANT_BOOL> flags(count, VARIANT_FALSE);  // what VT_BYREF | VT_BOOL arguments point at
  for (std::size_t i = 0; i < count; ++i) {
    VARIANT& slot = slots[count - 1 - i];
    const Arg& arg = args[i];
    if (arg.isMissing()) {
      slot.vt = VT_ERROR;
      slot.scode = DISP_E_PARAMNOTFOUND;
    } else if (arg.isByRef() && arg.value().type() == Variant::Type::Bool) {
      // Cancel, CancelDefault, SaveAsUI: Office passes a VARIANT_BOOL by reference.
      flags[i] = arg.value().toBool() ? VARIANT_TRUE : VARIANT_FALSE;
      slot.vt = VT_BYREF | VT_BOOL;
      slot.pboolVal = &flags[i];
    } else if (arg.isByRef()) {
      toVariant(arg.value(), references[i]);
      slot.vt = VT_BYREF | VT_VARIANT;
      slot.pvarVal = &references[i];
    } else {
      toVariant(arg.value(), slot);
    }
  }
  DISPPARAMS params{slots.data(), nullptr, static_cast<UINT>(count), 0};
  ExceptionInfo exception;
  UINT argumentError = 0;
  const HRESULT outcome = sink.Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr,
                                      exception.ptr(), &argumentError);
  if (FAILED(outcome)) {
    exception.fill();
    throw invokeError(outcome, exception.get(), std::wstring(event) + L" event");
  }
  for (std::size_t i = 0; i < count; ++i) {
    if (!args[i].isByRef() || args[i].isMissing()) continue;
    if (slots[count - 1 - i].vt == (VT_BYREF | VT_BOOL)) {
      args[i].ref() = Variant(flags[i] != VARIANT_FALSE);
    } else {
      args[i].ref() = fromVariant(references[i]);
    }
  }
}

// --- DispatchBridge -------------------------------------------------------------------------------------

DispatchBridge::DispatchBridge(std::wstring errorSource)
    : registry_(std::make_shared<BridgeRegistry>(std::move(errorSource))) {}

DispatchBridge::~DispatchBridge() { registry_->disconnectAll(); }

IDispatch* DispatchBridge::bridge(const Object& object) { return registry_->bridge(object); }
Object DispatchBridge::unwrap(IDispatch* dispatch) { return registry_->unwrap(dispatch); }
Variant DispatchBridge::fromVariant(const VARIANT& value) { return registry_->fromVariant(value); }
void DispatchBridge::toVariant(const Variant& value, VARIANT& out) { registry_->toVariant(value, out); }
void DispatchBridge::setEnglishExcel(bool english) { registry_->englishExcel = english; }
std::size_t DispatchBridge::liveBridges() const { return registry_->liveBridges(); }
std::size_t DispatchBridge::advisedConnections() const { return registry_->connections(); }
void DispatchBridge::disconnectAll() { registry_->disconnectAll(); }
BridgeFaults& DispatchBridge::faults() { return registry_->faults; }

}  // namespace wine_host

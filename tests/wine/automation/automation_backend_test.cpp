// The Windows automation backend against real COM under Wine: OLE pictures, oleaut32's standard
// dispatcher, and COM objects of this program that record exactly what arrives through IDispatch
// and fire events.
// Prints every failed check and ends with "N passed, N failed" (cases); exits 1 when a check failed.

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <olectl.h>
#include <ocidl.h>
#include <dispex.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

#include "automation/dispatch.h"
#include "automation/object.h"
#include "automation/variant.h"
#include "automation/win32/com_errors.h"
#include "automation/win32/com_holders.h"
#include "automation/win32/com_object_factory.h"
#include "automation/win32/com_ptr.h"
#include "automation/win32/dispatch_object.h"
#include "automation/win32/variant_conversion.h"
#include "platform/text.h"
#include "tests/wine/host/test_harness.h"

using automation::Arg;
using automation::ComError;
using automation::Connection;
using automation::EventHandler;
using automation::InvokeKind;
using automation::Object;
using automation::Variant;
using automation::VariantArray;
using namespace automation::win32;

namespace {

// ------------------------------------------------------------------------------------------------
// The shared harness, with checks that say what they compared.

class Check {
 public:
  bool that(bool condition, const std::wstring& what) {
    wine_host::testing::harness.check(condition, platform::toUtf8(what).c_str(), 0);
    return condition;
  }
  template <typename A, typename B>
  bool equal(const A& actual, const B& expected, const std::wstring& what) {
    const bool same = actual == expected;
    return that(same, what + L": got " + show(actual) + L", expected " + show(expected));
  }
  // `body` must raise ComError with `number` (and, when given, exactly `description`).
  template <typename Body>
  void raises(Body&& body, std::int32_t number, const std::wstring& what, const wchar_t* description = nullptr) {
    try {
      body();
      that(false, what + L": no error raised");
    } catch (const ComError& error) {
      equal(error.number(), number, what + L" (number)");
      if (description != nullptr) equal(error.description(), std::wstring(description), what + L" (description)");
    }
  }

 private:
  static std::wstring show(const std::wstring& text) { return L"\"" + text + L"\""; }
  static std::wstring show(const wchar_t* text) { return show(std::wstring(text)); }
  static std::wstring show(bool value) { return value ? L"true" : L"false"; }
  static std::wstring show(const Variant& value) {
    switch (value.type()) {
      case Variant::Type::Empty: return L"Empty";
      case Variant::Type::Null: return L"Null";
      case Variant::Type::Object: return value.toObject() ? L"<object>" : L"Nothing";
      case Variant::Type::Array: {
        std::wstring text = L"(";
        for (const Variant& element : value.array()) text += (text.size() > 1 ? L", " : L"") + show(element);
        return text + L")";
      }
      case Variant::Type::String: return show(value.toString());
      default: return value.toString() + L" [type " + std::to_wstring(static_cast<int>(value.type())) + L"]";
    }
  }
  template <typename T>
  static std::wstring show(const T& value) {
    if constexpr (std::is_integral_v<T> || std::is_floating_point_v<T>) {
      return std::to_wstring(value);
    } else {
      return L"<value>";
    }
  }

};

// What a VARIANT holds, read without the code under test: "I4:5", "BSTR:two", "REF->I4:5" (a
// reference to a Variant), "&BOOL:true" (a typed reference).
std::wstring describe(const VARIANT& v) {
  switch (v.vt) {
    case VT_EMPTY: return L"EMPTY";
    case VT_NULL: return L"NULL";
    case VT_BOOL: return v.boolVal == VARIANT_TRUE ? L"BOOL:true" : v.boolVal == VARIANT_FALSE ? L"BOOL:false" : L"BOOL:?";
    case VT_I2: return L"I2:" + std::to_wstring(v.iVal);
    case VT_I4: return L"I4:" + std::to_wstring(v.lVal);
    case VT_R8: {
      wchar_t buffer[64];
      std::swprintf(buffer, 64, L"R8:%g", v.dblVal);
      return buffer;
    }
    case VT_BSTR: return L"BSTR:" + Bstr::textOf(v.bstrVal);
    case VT_DISPATCH: return v.pdispVal ? L"DISPATCH" : L"DISPATCH:null";
    case VT_UNKNOWN: return v.punkVal ? L"UNKNOWN" : L"UNKNOWN:null";
    case VT_ERROR: return L"ERROR:" + wine_host::testing::hex(v.scode);
    case VT_BYREF | VT_VARIANT: return L"REF->" + describe(*v.pvarVal);
    case VT_ARRAY | VT_VARIANT: {
      LONG lower = 0, upper = -1;
      SafeArrayGetLBound(v.parray, 1, &lower);
      SafeArrayGetUBound(v.parray, 1, &upper);
      std::wstring text = L"ARRAY" + std::to_wstring(SafeArrayGetDim(v.parray)) + L"@" + std::to_wstring(lower) + L"{";
      VARIANT* items = nullptr;
      SafeArrayAccessData(v.parray, reinterpret_cast<void**>(&items));
      for (LONG i = 0; i <= upper - lower; ++i) text += (i ? L"," : L"") + describe(items[i]);
      SafeArrayUnaccessData(v.parray);
      return text + L"}";
    }
    default: {
      UniqueVariant referent;
      if ((v.vt & VT_BYREF) != 0 && SUCCEEDED(VariantCopyInd(referent.ptr(), const_cast<VARIANT*>(&v)))) {
        return L"&" + describe(referent.get());
      }
      return L"VT:" + std::to_wstring(v.vt);
    }
  }
}

template <typename Body>
std::optional<ComError> errorOf(Body&& body) {
  try {
    body();
  } catch (const ComError& error) {
    return error;
  }
  return std::nullopt;
}

// ------------------------------------------------------------------------------------------------
// COM objects of the test.

// The reference counting and the type information (none) that the test objects share; each
// answers QueryInterface itself.
template <typename Derived, typename... Interfaces>
class Counted : public Interfaces... {
 public:
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const long remaining = --references_;
    if (remaining == 0) delete static_cast<Derived*>(this);
    return static_cast<ULONG>(remaining);
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  long references() const { return references_; }

 private:
  long references_ = 1;
};

const IID kWordApplicationIid = {0x00020970, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID kButtonEventsIid = {0x000C0351, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// Records every call as it arrives and answers as its members say:
//   Record(...)          returns the number of arguments
//   Bump(...)            adds 1 to every I4 and appends "!" to every BSTR passed by reference, as
//                        a reference to a Variant or to its own type
//   Fail*                fail in the ways an object can fail (see the error cases)
//   PutOnly              a property that takes only DISPATCH_PROPERTYPUT
//   Self / SelfUnknown   return the object itself as VT_DISPATCH / VT_UNKNOWN
//   default member       returns "default value"
class Recorder final : public Counted<Recorder, IDispatch> {
 public:
  struct Call {
    DISPID dispid = 0;
    WORD flags = 0;
    std::vector<std::wstring> args;  // as they arrive in rgvarg: the last positional first
    std::vector<DISPID> namedIds;
    bool wantsResult = false;
  };
  enum : DISPID {
    kRecord = 1, kBump, kFailExcepInfo, kFailWCode, kFailDeferred, kFailPlain, kFailMember, kFailControl,
    kFailArgument, kPutOnly, kSelf, kSelfUnknown, kAlpha = 100, kBeta = 101
  };

  explicit Recorder(bool word = false) : word_(word) {}

  std::vector<Call> calls;
  int nameLookups = 0;
  std::vector<std::wstring> lastNames;
  LCID lookupLocale = 0;
  LCID callLocale = 0;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || (word_ && IsEqualIID(iid, kWordApplicationIid))) {
      *object = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override {
    lookupLocale = locale;
    static const struct {
      const wchar_t* name;
      DISPID id;
    } known[] = {{L"Record", kRecord},         {L"Bump", kBump},           {L"FailExcepInfo", kFailExcepInfo},
                 {L"FailWCode", kFailWCode},   {L"FailDeferred", kFailDeferred}, {L"FailPlain", kFailPlain},
                 {L"FailMember", kFailMember}, {L"FailControl", kFailControl}, {L"FailArgument", kFailArgument},
                 {L"PutOnly", kPutOnly},       {L"Self", kSelf},           {L"SelfUnknown", kSelfUnknown},
                 {L"Alpha", kAlpha},           {L"Beta", kBeta}};
    ++nameLookups;
    lastNames.assign(names, names + count);
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) {
      ids[i] = DISPID_UNKNOWN;
      for (const auto& entry : known) {
        if (lstrcmpiW(entry.name, names[i]) == 0) ids[i] = entry.id;
      }
      if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
  }

  static HRESULT STDMETHODCALLTYPE fillInLater(EXCEPINFO* info) {
    info->bstrDescription = SysAllocString(L"Filled in later");
    info->scode = static_cast<SCODE>(0x800A0035);  // 53, file not found
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID, LCID locale, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override {
    callLocale = locale;
    Call call;
    call.dispid = dispid;
    call.flags = flags;
    call.wantsResult = result != nullptr;
    for (UINT i = 0; i < params->cArgs; ++i) call.args.push_back(describe(params->rgvarg[i]));
    call.namedIds.assign(params->rgdispidNamedArgs, params->rgdispidNamedArgs + params->cNamedArgs);
    calls.push_back(call);
    switch (dispid) {
      case DISPID_VALUE:
        if (result) {
          result->vt = VT_BSTR;
          result->bstrVal = SysAllocString(L"default value");
        }
        return S_OK;
      case kRecord:
        if (result) {
          result->vt = VT_I4;
          result->lVal = static_cast<LONG>(params->cArgs);
        }
        return S_OK;
      case kBump:
        for (UINT i = 0; i < params->cArgs; ++i) {
          VARIANT& arg = params->rgvarg[i];
          const VARTYPE type = arg.vt == (VT_BYREF | VT_VARIANT) ? arg.pvarVal->vt : arg.vt & ~VT_BYREF;
          if ((arg.vt & VT_BYREF) == 0) continue;
          void* place = arg.vt == (VT_BYREF | VT_VARIANT) ? static_cast<void*>(&arg.pvarVal->llVal) : arg.byref;
          if (type == VT_I4) {
            ++*static_cast<LONG*>(place);
          } else if (type == VT_BSTR) {
            BSTR& text = *static_cast<BSTR*>(place);
            const std::wstring bumped = Bstr::textOf(text) + L"!";
            SysFreeString(text);
            text = SysAllocString(bumped.c_str());
          }
        }
        return S_OK;
      case kFailExcepInfo:
        exception->scode = static_cast<SCODE>(0x80041234);
        exception->bstrSource = SysAllocString(L"Recorder");
        exception->bstrDescription = SysAllocString(L"The vault is locked");
        return DISP_E_EXCEPTION;
      case kFailWCode:
        exception->wCode = 1004;
        exception->bstrDescription = SysAllocString(L"Method failed");
        return DISP_E_EXCEPTION;
      case kFailDeferred:
        exception->pfnDeferredFillIn = &Recorder::fillInLater;
        return DISP_E_EXCEPTION;
      case kFailPlain: return E_INVALIDARG;
      case kFailMember: return DISP_E_MEMBERNOTFOUND;
      case kFailControl: return static_cast<HRESULT>(0x800A01C9);  // 457
      case kFailArgument:
        *argumentError = params->cArgs - 1;  // the first positional argument
        return DISP_E_TYPEMISMATCH;
      case kPutOnly: return flags == DISPATCH_PROPERTYPUT ? S_OK : DISP_E_MEMBERNOTFOUND;
      case kSelf:
        result->vt = VT_DISPATCH;
        result->pdispVal = this;
        AddRef();
        return S_OK;
      case kSelfUnknown:
        result->vt = VT_UNKNOWN;
        result->punkVal = this;
        AddRef();
        return S_OK;
      default: return DISP_E_MEMBERNOTFOUND;
    }
  }

 private:
  friend class Counted<Recorder, IDispatch>;
  ~Recorder() = default;
  bool word_;
};

// A script object's way of naming: GetIDsOfNames is not implemented, IDispatchEx::GetDispID is.
class ScriptLike final : public Counted<ScriptLike, IDispatchEx> {
 public:
  DWORD lastGrfdex = 0;
  WORD lastFlags = 0;
  int invokeExCalls = 0;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, __uuidof(IDispatchEx))) {
      *object = static_cast<IDispatchEx*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetDispID(BSTR name, DWORD grfdex, DISPID* id) override {
    lastGrfdex = grfdex;
    const bool insensitive = (grfdex & fdexNameCaseInsensitive) != 0;
    if ((insensitive ? lstrcmpiW(name, L"Twice") : lstrcmpW(name, L"Twice")) == 0) {
      *id = 7;
      return S_OK;
    }
    *id = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT STDMETHODCALLTYPE InvokeEx(DISPID id, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                                     IServiceProvider*) override {
    ++invokeExCalls;
    lastFlags = flags;
    if (id != 7 || params->cArgs != 1 || params->rgvarg[0].vt != VT_I4) return DISP_E_MEMBERNOTFOUND;
    result->vt = VT_I4;
    result->lVal = params->rgvarg[0].lVal * 2;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DeleteMemberByName(BSTR, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DeleteMemberByDispID(DISPID) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMemberProperties(DISPID, DWORD, DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMemberName(DISPID, BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetNextDispID(DWORD, DISPID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetNameSpaceParent(IUnknown**) override { return E_NOTIMPL; }

 private:
  friend class Counted<ScriptLike, IDispatchEx>;
  ~ScriptLike() = default;
};

// An event source with one connection point, as an Office object offers it. Its IUnknown is
// deliberately not its IDispatch pointer, so that identity must go through QueryInterface.
class EventSource final : public Counted<EventSource, IDispatch, IConnectionPointContainer, IConnectionPoint> {
 public:
  explicit EventSource(const IID& events) : events_(events) {}

  int advises = 0;
  int unadvises = 0;
  bool sinkAnswersDispatch = false;
  long releaseAtUnadvise = -1;  // what the sink's Release answered when the advice ended

  IDispatch* dispatch() { return static_cast<IDispatch*>(this); }
  IUnknown* unknown() { return static_cast<IConnectionPointContainer*>(this); }
  bool connected() const { return static_cast<bool>(sink_); }

  // Calls the sink as a source does: holding its own reference during the call.
  HRESULT fire(DISPID dispid, std::vector<VARIANT> argsLastFirst, EXCEPINFO* exception) {
    ComPtr<IDispatch> sink = sink_;
    if (!sink) return S_FALSE;
    DISPPARAMS params{argsLastFirst.empty() ? nullptr : argsLastFirst.data(), nullptr,
                      static_cast<UINT>(argsLastFirst.size()), 0};
    UINT argumentError = 0;
    return sink->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, exception,
                        &argumentError);
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IConnectionPointContainer)) {
      *object = static_cast<IConnectionPointContainer*>(this);
    } else if (IsEqualIID(iid, IID_IDispatch)) {
      *object = static_cast<IDispatch*>(this);
    } else if (IsEqualIID(iid, IID_IConnectionPoint)) {
      *object = static_cast<IConnectionPoint*>(this);
    } else {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return DISP_E_MEMBERNOTFOUND;
  }
  // IConnectionPointContainer
  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** point) override {
    if (!IsEqualIID(iid, events_)) {
      *point = nullptr;
      return CONNECT_E_NOCONNECTION;
    }
    *point = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
  }
  // IConnectionPoint
  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override {
    *iid = events_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** container) override {
    *container = this;
    AddRef();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override {
    ++advises;
    if (sink_) return CONNECT_E_ADVISELIMIT;
    // As Office does: the sink is held as the events interface.
    ComPtr<IDispatch> asEvents;
    if (FAILED(sink->QueryInterface(events_, asEvents.putVoid()))) return CONNECT_E_CANNOTCONNECT;
    sinkAnswersDispatch = static_cast<bool>(ComPtr<IUnknown>::retain(sink).query<IDispatch>(IID_IDispatch));
    sink_ = asEvents;
    *cookie = 42;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override {
    ++unadvises;
    if (cookie != 42 || !sink_) return CONNECT_E_NOCONNECTION;
    releaseAtUnadvise = static_cast<long>(sink_.detach()->Release());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

 private:
  friend class Counted<EventSource, IDispatch, IConnectionPointContainer, IConnectionPoint>;
  ~EventSource() = default;
  IID events_;
  ComPtr<IDispatch> sink_;
};

// A vault server that types its members, served by oleaut32's standard dispatcher from type
// information: like Office's dual interfaces, it refuses a by-reference argument of another type
// and a read of a method made as a property get alone.
//   Login([in, out] BSTR* Drive) -> long       an empty drive becomes "V"; answers 0
//   Bump([in, out] long*, short*, VARIANT_BOOL*, double*, VARIANT*) -> long
//                                               adds 1, adds 1, negates, adds 0.5, appends "!"
//   Pick([in] long Index) -> long               a method: twice the index
class TypedServer {
 public:
  virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  // Lives on its test's stack, longer than the dispatcher made for it.
  virtual ULONG STDMETHODCALLTYPE AddRef() { return 1; }
  virtual ULONG STDMETHODCALLTYPE Release() { return 1; }
  virtual LONG STDMETHODCALLTYPE Login(BSTR* drive) {
    if (SysStringLen(*drive) != 0) return 1;
    SysFreeString(*drive);
    *drive = SysAllocString(L"V");
    return 0;
  }
  virtual LONG STDMETHODCALLTYPE Bump(LONG* number, SHORT* small, VARIANT_BOOL* flag, double* real, VARIANT* text) {
    ++*number;
    ++*small;
    *flag = *flag ? VARIANT_FALSE : VARIANT_TRUE;
    *real += 0.5;
    if (text->vt != VT_BSTR) return 1;
    const std::wstring bumped = Bstr::textOf(text->bstrVal) + L"!";
    SysFreeString(text->bstrVal);
    text->bstrVal = SysAllocString(bumped.c_str());
    return 0;
  }
  virtual LONG STDMETHODCALLTYPE Pick(LONG index) { return index * 2; }

  // Its IDispatch: the standard dispatcher over the interface's type information.
  ComPtr<IDispatch> dispatch() {
    static PARAMDATA login[] = {{const_cast<OLECHAR*>(L"Drive"), VT_BYREF | VT_BSTR}};
    static PARAMDATA bump[] = {{const_cast<OLECHAR*>(L"Number"), VT_BYREF | VT_I4},
                               {const_cast<OLECHAR*>(L"Small"), VT_BYREF | VT_I2},
                               {const_cast<OLECHAR*>(L"Flag"), VT_BYREF | VT_BOOL},
                               {const_cast<OLECHAR*>(L"Real"), VT_BYREF | VT_R8},
                               {const_cast<OLECHAR*>(L"Text"), VT_BYREF | VT_VARIANT}};
    static PARAMDATA pick[] = {{const_cast<OLECHAR*>(L"Index"), VT_I4}};
    static METHODDATA methods[] = {
        {const_cast<OLECHAR*>(L"Login"), login, 1, 3, CC_STDCALL, 1, DISPATCH_METHOD, VT_I4},
        {const_cast<OLECHAR*>(L"Bump"), bump, 2, 4, CC_STDCALL, 5, DISPATCH_METHOD, VT_I4},
        {const_cast<OLECHAR*>(L"Pick"), pick, 3, 5, CC_STDCALL, 1, DISPATCH_METHOD, VT_I4},
    };
    static INTERFACEDATA data = {methods, 3};
    // The dispatcher invokes through the interface's type information, not the class's.
    ComPtr<ITypeInfo> coclass;
    ComPtr<ITypeInfo> interfaceInfo;
    HREFTYPE reference = 0;
    ComPtr<IUnknown> dispatcher;
    if (FAILED(CreateDispTypeInfo(&data, LOCALE_SYSTEM_DEFAULT, coclass.put())) ||
        FAILED(coclass->GetRefTypeOfImplType(0, &reference)) ||
        FAILED(coclass->GetRefTypeInfo(reference, interfaceInfo.put())) ||
        FAILED(CreateStdDispatch(nullptr, this, interfaceInfo.get(), dispatcher.put()))) {
      return ComPtr<IDispatch>();
    }
    return dispatcher.query<IDispatch>(IID_IDispatch);
  }
};

// A test object of this program for one case: when the case ends, the code under test must have
// let go of every reference it took, and the object is released.
template <typename T>
class Held {
 public:
  template <typename... Arguments>
  Held(Check& check, const wchar_t* name, Arguments&&... arguments)
      : check_(check), name_(name), object_(new T(std::forward<Arguments>(arguments)...)) {}
  ~Held() {
    check_.equal(object_->references(), 1L, name_ + L": no reference left behind");
    object_->Release();
  }
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;
  T* operator->() const { return object_; }
  operator T*() const { return object_; }

 private:
  Check& check_;
  std::wstring name_;
  T* object_;
};

// A native object: not a DispatchObject, so it has no IDispatch to pass on.
class NativeObject final : public automation::Dispatchable {
 public:
  Variant invoke(std::wstring_view, InvokeKind, std::vector<Arg>&) override { return Variant(); }
};

// A VARIANT of `type`; a reference's place, an array or an object's pointer in `pointer`.
VARIANT variantOf(VARTYPE type, void* pointer = nullptr) {
  VARIANT v;
  VariantInit(&v);
  v.vt = type;
  v.byref = pointer;
  return v;
}

// ------------------------------------------------------------------------------------------------
// Cases

void variantsRoundTrip(Check& check) {
  const struct {
    const wchar_t* name;
    Variant value;
    const wchar_t* passed;  // what arrives at a COM callee
  } rows[] = {
      {L"Empty", Variant(), L"EMPTY"},
      {L"Null", Variant::null(), L"NULL"},
      {L"True", Variant(true), L"BOOL:true"},
      {L"False", Variant(false), L"BOOL:false"},
      {L"Int16", Variant(static_cast<std::int16_t>(-7)), L"I2:-7"},
      {L"Int32", Variant(100000), L"I4:100000"},
      {L"Double", Variant(2.5), L"R8:2.5"},
      {L"String", Variant(L"Gr\u00fc\u00dfe \u20ac"), L"BSTR:Gr\u00fc\u00dfe \u20ac"},
      {L"empty String", Variant(L""), L"BSTR:"},
      {L"String with NUL", Variant(std::wstring(L"a\0b", 3)), nullptr},
      {L"Nothing", Variant(Object()), L"DISPATCH:null"},
      {L"Array", Variant(VariantArray{Variant(1), Variant(L"a"), Variant(VariantArray{Variant(2.5)})}),
       L"ARRAY1@0{I4:1,BSTR:a,ARRAY1@0{R8:2.5}}"},
      {L"empty Array", Variant(VariantArray{}), L"ARRAY1@0{}"},
  };
  for (const auto& row : rows) {
    UniqueVariant passed = toVariant(row.value);
    if (row.passed != nullptr) check.equal(describe(passed.get()), std::wstring(row.passed), row.name + std::wstring(L" passed"));
    check.equal(fromVariant(passed.get()), row.value, row.name + std::wstring(L" read back"));
  }
}

void variantsComingIn(Check& check) {
  VARIANT inner = variantOf(VT_I4);
  inner.lVal = 77;
  LONG longValue = -12;
  BSTR text = SysAllocString(L"by ref");
  DECIMAL decimal{};
  VarDecFromR8(1.25, &decimal);
  CY currency{};
  currency.int64 = 12345;  // 1.2345

  struct Row {
    const wchar_t* name;
    VARIANT value;
    Variant expected;
  };
  std::vector<Row> rows;
  auto add = [&](const wchar_t* name, VARTYPE type, auto fill, Variant expected) {
    VARIANT v = variantOf(type);
    fill(v);
    rows.push_back({name, v, std::move(expected)});
  };
  add(L"I1", VT_I1, [](VARIANT& v) { v.cVal = -5; }, Variant(static_cast<std::int16_t>(-5)));
  add(L"UI1", VT_UI1, [](VARIANT& v) { v.bVal = 200; }, Variant(static_cast<std::int16_t>(200)));
  add(L"UI2", VT_UI2, [](VARIANT& v) { v.uiVal = 60000; }, Variant(60000));
  add(L"UI4 small", VT_UI4, [](VARIANT& v) { v.ulVal = 7; }, Variant(7));
  add(L"UI4 large", VT_UI4, [](VARIANT& v) { v.ulVal = 4000000000u; }, Variant(4000000000.0));
  add(L"UI4 2^31", VT_UI4, [](VARIANT& v) { v.ulVal = 0x80000000u; }, Variant(2147483648.0));
  add(L"UINT large", VT_UINT, [](VARIANT& v) { v.uintVal = 3000000000u; }, Variant(3000000000.0));
  add(L"UI8 large", VT_UI8, [](VARIANT& v) { v.ullVal = 5000000000ull; }, Variant(5000000000.0));
  add(L"I8 smallest Int32", VT_I8, [](VARIANT& v) { v.llVal = -2147483648LL; }, Variant(-2147483647 - 1));
  add(L"I8 below Int32", VT_I8, [](VARIANT& v) { v.llVal = -2147483649LL; }, Variant(-2147483649.0));
  add(L"I8", VT_I8, [](VARIANT& v) { v.llVal = -3; }, Variant(-3));
  add(L"I8 large", VT_I8, [](VARIANT& v) { v.llVal = 10000000000LL; }, Variant(10000000000.0));
  add(L"UI8", VT_UI8, [](VARIANT& v) { v.ullVal = 9; }, Variant(9));
  add(L"INT", VT_INT, [](VARIANT& v) { v.intVal = -100; }, Variant(-100));
  add(L"UINT", VT_UINT, [](VARIANT& v) { v.uintVal = 100; }, Variant(100));
  add(L"R4", VT_R4, [](VARIANT& v) { v.fltVal = 1.5f; }, Variant(1.5));
  add(L"CY", VT_CY, [&](VARIANT& v) { v.cyVal = currency; }, Variant(1.2345));
  add(L"DATE", VT_DATE, [](VARIANT& v) { v.date = 45000.5; }, Variant(45000.5));
  add(L"DECIMAL", VT_DECIMAL, [&](VARIANT& v) { v.decVal = decimal; v.vt = VT_DECIMAL; }, Variant(1.25));
  add(L"ERROR missing", VT_ERROR, [](VARIANT& v) { v.scode = DISP_E_PARAMNOTFOUND; }, Variant());
  add(L"ERROR other", VT_ERROR, [](VARIANT& v) { v.scode = static_cast<SCODE>(0x800A07FA); },
      Variant(static_cast<std::int32_t>(0x800A07FA)));
  add(L"BYREF VARIANT", VT_BYREF | VT_VARIANT, [&](VARIANT& v) { v.pvarVal = &inner; }, Variant(77));
  add(L"BYREF I4", VT_BYREF | VT_I4, [&](VARIANT& v) { v.plVal = &longValue; }, Variant(-12));
  add(L"BYREF BSTR", VT_BYREF | VT_BSTR, [&](VARIANT& v) { v.pbstrVal = &text; }, Variant(L"by ref"));
  add(L"BYREF DECIMAL", VT_BYREF | VT_DECIMAL, [&](VARIANT& v) { v.pdecVal = &decimal; }, Variant(1.25));
  add(L"null BSTR", VT_BSTR, [](VARIANT& v) { v.bstrVal = nullptr; }, Variant(L""));
  add(L"null UNKNOWN", VT_UNKNOWN, [](VARIANT& v) { v.punkVal = nullptr; }, Variant(Object()));
  for (const Row& row : rows) {
    const auto error = errorOf([&] { check.equal(fromVariant(row.value), row.expected, row.name); });
    if (error) check.that(false, std::wstring(row.name) + L": raised " + error->description());
  }

  VARIANT missing = variantOf(VT_ERROR);
  missing.scode = DISP_E_PARAMNOTFOUND;
  VARIANT missingByRef = variantOf(VT_BYREF | VT_VARIANT, &missing);
  VARIANT other = variantOf(VT_ERROR);
  other.scode = E_FAIL;
  check.that(isMissingArgument(missing), L"DISP_E_PARAMNOTFOUND is a missing argument");
  check.that(isMissingArgument(missingByRef), L"a missing argument by reference");
  check.that(!isMissingArgument(other), L"another VT_ERROR is not missing");

  // What has no equivalent (VT_VOID, a reference to nothing or to itself, an array of two
  // dimensions) the hostile-caller sweep passes through the DLL.

  // A native object has no COM face yet: passing it is refused, never sent as Nothing.
  check.raises([&] { toVariant(Variant(Object(std::make_shared<NativeObject>()))); },
               automation::errors::kTypeMismatch, L"native object to VARIANT");

  SysFreeString(text);
}

void variantArraysComingIn(Check& check) {
  // VT_ARRAY|VT_BSTR, lower bound 0
  {
    UniqueSafeArray array(SafeArrayCreateVector(VT_BSTR, 0, 2));
    for (LONG index = 0; index < 2; ++index) SafeArrayPutElement(array.get(), &index, Bstr(index ? L"two" : L"one").get());
    const VARIANT v = variantOf(VT_ARRAY | VT_BSTR, array.get());
    check.equal(fromVariant(v), Variant(VariantArray{Variant(L"one"), Variant(L"two")}), L"array of BSTR");
  }
  // VT_ARRAY|VT_I4 with lower bound 1, as Office collections give them
  {
    SAFEARRAYBOUND bound{3, 1};
    UniqueSafeArray array(SafeArrayCreate(VT_I4, 1, &bound));
    for (LONG index = 1; index <= 3; ++index) {
      LONG value = index * 10;
      SafeArrayPutElement(array.get(), &index, &value);
    }
    const VARIANT v = variantOf(VT_ARRAY | VT_I4, array.get());
    check.equal(fromVariant(v), Variant(VariantArray{Variant(10), Variant(20), Variant(30)}), L"array of I4 from 1");
    SAFEARRAY* pointer = array.get();
    const VARIANT byRef = variantOf(VT_BYREF | VT_ARRAY | VT_I4, &pointer);
    check.equal(fromVariant(byRef), Variant(VariantArray{Variant(10), Variant(20), Variant(30)}), L"array by reference");
  }
  // VT_ARRAY|VT_DECIMAL: the element overlays the whole VARIANT
  {
    UniqueSafeArray array(SafeArrayCreateVector(VT_DECIMAL, 0, 1));
    DECIMAL decimal{};
    VarDecFromR8(-2.75, &decimal);
    LONG index = 0;
    SafeArrayPutElement(array.get(), &index, &decimal);
    const VARIANT v = variantOf(VT_ARRAY | VT_DECIMAL, array.get());
    check.equal(fromVariant(v), Variant(VariantArray{Variant(-2.75)}), L"array of DECIMAL");
  }
}

void writingThroughReferences(Check& check) {
  // Typed references keep their type; a VARIANT reference takes the new value's type. The rows
  // run in order on the same places; a failed store leaves its place as it was.
  VARIANT_BOOL flag = VARIANT_FALSE;
  SHORT shortValue = 0;
  BSTR text = SysAllocString(L"old");
  VARIANT slot = variantOf(VT_BSTR);
  slot.bstrVal = SysAllocString(L"was text");
  LONG target = 0;
  VARIANT typed = variantOf(VT_BYREF | VT_I4, &target);
  using namespace automation::errors;
  const struct {
    const wchar_t* name;
    VARIANT reference;
    Variant value;
    const wchar_t* after;  // the place read through the reference
    std::int32_t error;
  } rows[] = {
      {L"BOOL set to True", variantOf(VT_BYREF | VT_BOOL, &flag), Variant(true), L"&BOOL:true", 0},
      {L"BOOL set from 0", variantOf(VT_BYREF | VT_BOOL, &flag), Variant(0), L"&BOOL:false", 0},
      {L"BOOL from text", variantOf(VT_BYREF | VT_BOOL, &flag), Variant(L"abc"), L"&BOOL:false", kTypeMismatch},
      {L"I2 from Int32", variantOf(VT_BYREF | VT_I2, &shortValue), Variant(1234), L"&I2:1234", 0},
      {L"I2 overflow", variantOf(VT_BYREF | VT_I2, &shortValue), Variant(40000), L"&I2:1234", kOverflow},
      {L"BSTR replaced", variantOf(VT_BYREF | VT_BSTR, &text), Variant(L"new"), L"&BSTR:new", 0},
      {L"VARIANT takes the new type", variantOf(VT_BYREF | VT_VARIANT, &slot), Variant(5), L"REF->I4:5", 0},
      // A script variable seen through another: a VARIANT reference to a typed reference.
      {L"through two references", variantOf(VT_BYREF | VT_VARIANT, &typed), Variant(L"17"), L"REF->&I4:17", 0},
      {L"not a reference", variantOf(VT_EMPTY), Variant(1), L"EMPTY", kTypeMismatch},
  };
  for (const auto& row : rows) {
    const auto error = errorOf([&] { storeThroughReference(row.reference, row.value); });
    check.equal(error ? error->number() : 0, row.error, std::wstring(row.name) + L": error number");
    check.equal(describe(row.reference), std::wstring(row.after), row.name);
  }
  SysFreeString(text);
  VariantClear(&slot);

  const Held<Recorder> recorder(check, L"recorder");
  IDispatch* held = nullptr;
  VARIANT objectRef = variantOf(VT_BYREF | VT_DISPATCH, &held);
  storeThroughReference(objectRef, Variant(fromDispatch(recorder)));
  check.that(held == recorder, L"DISPATCH reference set");
  check.equal(recorder->references(), 2L, L"the reference holds one count");
  storeThroughReference(objectRef, Variant(Object()));
  check.that(held == nullptr, L"DISPATCH reference set to Nothing");
  check.equal(recorder->references(), 1L, L"the old object released");
}

void argumentLayout(Check& check) {
  const Held<Recorder> recorder(check, L"recorder");
  const Object object = fromDispatch(recorder);
  auto& target = *object.target();
  const struct {
    const wchar_t* name;
    InvokeKind kind;
    const wchar_t* member;
    std::vector<Arg> args;
    WORD flags;
    std::vector<std::wstring> arrived;  // in rgvarg order
    std::vector<DISPID> named;
    bool wantsResult;
  } rows[] = {
      {L"method, positional reversed", InvokeKind::Method, L"Record", {Arg(Variant(1)), Arg(L"two"), Arg(3.5)},
       DISPATCH_METHOD | DISPATCH_PROPERTYGET, {L"R8:3.5", L"BSTR:two", L"I4:1"}, {}, true},
      {L"property get", InvokeKind::PropertyGet, L"Record", {Arg(Variant(1))}, DISPATCH_PROPERTYGET, {L"I4:1"}, {}, true},
      {L"missing argument", InvokeKind::Method, L"Record", {Arg(Variant(1)), Arg::missing(), Arg(Variant(3))},
       DISPATCH_METHOD | DISPATCH_PROPERTYGET, {L"I4:3", L"ERROR:0x80020004", L"I4:1"}, {}, true},
      {L"named after positional", InvokeKind::Method, L"Record",
       {Arg(Variant(1)), Arg::named(L"Beta", Variant(2)), Arg::named(L"alpha", Variant(3))},
       DISPATCH_METHOD | DISPATCH_PROPERTYGET, {L"I4:2", L"I4:3", L"I4:1"}, {Recorder::kBeta, Recorder::kAlpha}, true},
      {L"put", InvokeKind::PropertyPut, L"Record", {Arg(Variant(9))}, DISPATCH_PROPERTYPUT, {L"I4:9"},
       {DISPID_PROPERTYPUT}, false},
      {L"put with an index", InvokeKind::PropertyPut, L"Record", {Arg(L"key"), Arg(Variant(9))}, DISPATCH_PROPERTYPUT,
       {L"I4:9", L"BSTR:key"}, {DISPID_PROPERTYPUT}, false},
      {L"put with a named index", InvokeKind::PropertyPut, L"Record",
       {Arg::named(L"Alpha", Variant(L"key")), Arg(Variant(9))}, DISPATCH_PROPERTYPUT, {L"I4:9", L"BSTR:key"},
       {DISPID_PROPERTYPUT, Recorder::kAlpha}, false},
      {L"putref", InvokeKind::PropertyPutRef, L"Record", {Arg(Variant(fromDispatch(recorder)))},
       DISPATCH_PROPERTYPUTREF, {L"DISPATCH"}, {DISPID_PROPERTYPUT}, false},
      {L"putref Nothing", InvokeKind::PropertyPutRef, L"Record", {Arg(Variant(Object()))}, DISPATCH_PROPERTYPUTREF,
       {L"DISPATCH:null"}, {DISPID_PROPERTYPUT}, false},
      {L"read", InvokeKind::Read, L"Record", {Arg(Variant(1))}, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {L"I4:1"},
       {}, true},
  };
  for (const auto& row : rows) {
    std::vector<Arg> args = row.args;
    recorder->calls.clear();
    const auto error = errorOf([&] { target.invoke(row.member, row.kind, args); });
    if (!check.that(!error && recorder->calls.size() == 1, std::wstring(row.name) + L": one call arrives")) continue;
    const Recorder::Call& call = recorder->calls[0];
    check.equal(call.dispid, static_cast<DISPID>(Recorder::kRecord), std::wstring(row.name) + L" dispid");
    check.equal(call.flags, row.flags, std::wstring(row.name) + L" flags");
    check.that(call.args == row.arrived, std::wstring(row.name) + L" arguments");
    check.that(call.namedIds == row.named, std::wstring(row.name) + L" named DISPIDs");
    check.equal(call.wantsResult, row.wantsResult, std::wstring(row.name) + L" result slot");
  }
  // A by-reference argument goes as a reference to its own type, which a typed parameter (BSTR*,
  // long*) takes; as a reference to a Variant where it is one by design or has no type of its own.
  const struct {
    const wchar_t* name;
    Variant value;
    bool variantByDesign;
    const wchar_t* arrived;
    Variant after;  // what Bump leaves where it was passed
  } references[] = {
      {L"String", Variant(L"V"), false, L"&BSTR:V", Variant(L"V!")},
      {L"Int32", Variant(5), false, L"&I4:5", Variant(6)},
      {L"Int16", Variant(std::int16_t{7}), false, L"&I2:7", Variant(std::int16_t{7})},
      {L"Bool", Variant(true), false, L"&BOOL:true", Variant(true)},
      {L"Double", Variant(2.5), false, L"&R8:2.5", Variant(2.5)},
      {L"object", Variant(fromDispatch(recorder)), false, L"&DISPATCH", Variant(fromDispatch(recorder))},
      {L"array", Variant(VariantArray{Variant(1)}), false, L"&ARRAY1@0{I4:1}", Variant(VariantArray{Variant(1)})},
      {L"Empty", Variant(), false, L"REF->EMPTY", Variant()},
      {L"Null", Variant::null(), false, L"REF->NULL", Variant::null()},
      {L"an Int32 as a Variant by design", Variant(5), true, L"REF->I4:5", Variant(6)},
      {L"a String as a Variant by design", Variant(L"ho"), true, L"REF->BSTR:ho", Variant(L"ho!")},
  };
  for (const auto& row : references) {
    Variant referent = row.value;
    std::vector<Arg> args{row.variantByDesign ? Arg::byRefVariant(referent) : Arg::byRef(referent)};
    recorder->calls.clear();
    target.invoke(L"Bump", InvokeKind::Method, args);
    check.that(!recorder->calls.empty() && recorder->calls[0].args == std::vector<std::wstring>{row.arrived},
               std::wstring(L"by reference, ") + row.name + L": " +
                   (recorder->calls.empty() || recorder->calls[0].args.empty() ? L"nothing" : recorder->calls[0].args[0]));
    check.equal(referent, row.after, std::wstring(L"by reference, ") + row.name + L", read back");
  }
  check.raises([&] {
    std::vector<Arg> none;
    target.invoke(L"Record", InvokeKind::PropertyPut, none);
  }, static_cast<std::int32_t>(DISP_E_BADPARAMCOUNT), L"put without a value");
}

void byReferenceWrittenBack(Check& check) {
  const Held<Recorder> recorder(check, L"recorder");
  const Object object = fromDispatch(recorder);
  Variant counter(5);
  Variant untouched(7);
  object.call(L"Bump", {Arg::byRef(counter), Arg(untouched)});
  check.equal(counter, Variant(6), L"beside a value");
  check.equal(untouched, Variant(7), L"by value stays");
  Variant named(1);
  object.call(L"Bump", {Arg::named(L"Alpha", Variant(0)), Arg::byRef(named)});
  check.equal(named, Variant(2), L"by reference beside a named argument");
  // The result of a failed call leaves the caller's variables alone.
  Variant kept(10);
  check.raises([&] { object.call(L"FailPlain", {Arg::byRef(kept)}); }, static_cast<std::int32_t>(E_INVALIDARG),
               L"failing call");
  check.equal(kept, Variant(10), L"not written after a failure");
}

void typedServer(Check& check) {
  TypedServer server;
  const ComPtr<IDispatch> dispatch = server.dispatch();
  if (!check.that(static_cast<bool>(dispatch), L"served by the standard dispatcher")) return;
  const Object vault = fromDispatch(dispatch.get());
  check.equal(vault.get(L"Pick", {Arg(Variant(21))}), Variant(42), L"a read finds a method");
  std::vector<Arg> index{Arg(Variant(1))};
  check.raises([&] { vault.target()->invoke(L"Pick", InvokeKind::PropertyGet, index); },
               static_cast<std::int32_t>(DISP_E_MEMBERNOTFOUND), L"the dispatcher matches invoke kinds");

  Variant drive = std::wstring();
  check.equal(vault.call(L"Login", {Arg::byRef(drive)}), Variant(0), L"a string by reference to BSTR*");
  check.equal(drive, Variant(L"V"), L"read back from where it was passed");
  Variant asVariant = std::wstring();
  check.raises([&] { vault.call(L"Login", {Arg::byRefVariant(asVariant)}); },
               static_cast<std::int32_t>(DISP_E_TYPEMISMATCH), L"BSTR* refuses a reference to a Variant");

  Variant number(5);
  Variant small(std::int16_t{7});
  Variant flag(false);
  Variant real(1.5);
  Variant text(L"x");
  check.equal(vault.call(L"Bump", {Arg::byRef(number), Arg::byRef(small), Arg::byRef(flag), Arg::byRef(real),
                                   Arg::byRefVariant(text)}),
              Variant(0), L"every typed reference accepted");
  check.equal(number, Variant(6), L"long*");
  check.equal(small, Variant(std::int16_t{8}), L"short*");
  check.equal(flag, Variant(true), L"VARIANT_BOOL*");
  check.equal(real, Variant(2.0), L"double*");
  check.equal(text, Variant(L"x!"), L"VARIANT*");
}

void locales(Check& check) {
  const Held<Recorder> recorder(check, L"recorder");
  const Held<EventSource> source(check, L"source", kButtonEventsIid);
  const Object plain = fromDispatch(recorder);
  const Object english = plain.withLocale(1033);
  check.that(english == plain && english.target() != plain.target(), L"the same object through another wrapper");
  english.call(L"Record");
  check.equal(recorder->lookupLocale, static_cast<LCID>(1033), L"names looked up in the object's locale");
  check.equal(recorder->callLocale, static_cast<LCID>(1033), L"called in the object's locale");
  english.get(L"Self").toObject().call(L"Record");
  check.equal(recorder->lookupLocale, static_cast<LCID>(1033), L"an object it returns looks up names so");
  check.equal(recorder->callLocale, static_cast<LCID>(1033), L"and calls so");
  english.get(L"SelfUnknown").toObject().get(L"");
  check.equal(recorder->callLocale, static_cast<LCID>(1033), L"also one returned as IUnknown");
  plain.call(L"Record");
  check.equal(recorder->lookupLocale, static_cast<LCID>(LOCALE_USER_DEFAULT), L"the plain object: the user's");
  check.equal(recorder->callLocale, static_cast<LCID>(LOCALE_USER_DEFAULT), L"in calls too");

  // The objects an event brings were reached from the source: they keep its locale.
  LCID seen = 0;
  Connection connection = fromDispatch(source->dispatch())
                              .withLocale(1033)
                              .connect(L"_CommandBarButtonEvents", EventHandler([&](std::wstring_view, std::vector<Arg>& args) {
                                args[0].value().toObject().call(L"Record");
                                seen = recorder->callLocale;
                              }));
  VARIANT ctrl = variantOf(VT_DISPATCH, static_cast<IDispatch*>(recorder));
  VARIANT_BOOL cancel = VARIANT_FALSE;
  VARIANT cancelArg = variantOf(VT_BYREF | VT_BOOL, &cancel);
  check.equal(source->fire(1, {cancelArg, ctrl}, nullptr), S_OK, L"event answered");
  check.equal(seen, static_cast<LCID>(1033), L"an object an event brings calls in the source's locale");
  check.that(static_cast<bool>(Object().withLocale(1033)) == false, L"Nothing stays Nothing");
}

void defaultMemberAndCaching(Check& check) {
  const Held<Recorder> recorder(check, L"recorder");
  const Object object = fromDispatch(recorder);
  check.equal(object.get(L""), Variant(L"default value"), L"default member");
  check.that(!recorder->calls.empty() && recorder->calls.back().dispid == DISPID_VALUE, L"as DISPID_VALUE");
  // A read goes as the Basic family's: the member may be a method (Word's Dialogs.Item) or a property.
  check.equal(recorder->calls.back().flags, static_cast<WORD>(DISPATCH_METHOD | DISPATCH_PROPERTYGET),
              L"a read may find a method or a property");
  check.equal(recorder->nameLookups, 0, L"the default member needs no name lookup");

  object.call(L"Record");
  object.call(L"record");
  object.call(L"RECORD", {Arg(Variant(1))});
  check.equal(recorder->nameLookups, 1, L"one lookup for one name in any case");
  object.call(L"Record", {Arg::named(L"Alpha", Variant(1))});
  check.equal(recorder->nameLookups, 2, L"named arguments looked up with the member");
  check.that(recorder->lastNames == std::vector<std::wstring>{L"Record", L"Alpha"}, L"member and names together");
  object.call(L"Record", {Arg::named(L"ALPHA", Variant(2))});
  check.equal(recorder->nameLookups, 2, L"and cached");
}

void errors(Check& check) {
  const Held<Recorder> recorder(check, L"recorder");
  const Object object = fromDispatch(recorder);
  const struct {
    const wchar_t* member;
    std::int32_t number;
    const wchar_t* description;
  } rows[] = {
      {L"FailExcepInfo", static_cast<std::int32_t>(0x80041234), L"The vault is locked"},
      {L"FailWCode", 1004, L"Method failed"},
      {L"FailDeferred", 53, L"Filled in later"},
      {L"FailPlain", static_cast<std::int32_t>(E_INVALIDARG), nullptr},
      {L"FailMember", static_cast<std::int32_t>(DISP_E_MEMBERNOTFOUND), L"Member not found. (FailMember)"},
      {L"FailControl", 457, L"Application-defined or object-defined error (FailControl)"},
      {L"FailArgument", static_cast<std::int32_t>(DISP_E_TYPEMISMATCH), L"Type mismatch. (FailArgument, argument 1)"},
      {L"NoSuchMember", static_cast<std::int32_t>(DISP_E_UNKNOWNNAME), L"Unknown name. (NoSuchMember)"},
  };
  for (const auto& row : rows) {
    const auto error = errorOf([&] { object.call(row.member, {Arg(Variant(1)), Arg(Variant(2))}); });
    if (!check.that(error.has_value(), std::wstring(row.member) + L" raises")) continue;
    check.equal(error->number(), row.number, std::wstring(row.member) + L" number");
    if (row.description) {
      check.equal(error->description(), std::wstring(row.description), std::wstring(row.member) + L" description");
    } else {
      check.that(!error->description().empty(), std::wstring(row.member) + L" has the system's text");
    }
  }
  const auto named = errorOf([&] { object.call(L"Record", {Arg::named(L"Gamma", Variant(1))}); });
  check.that(named && named->number() == static_cast<std::int32_t>(DISP_E_UNKNOWNNAME) &&
                 named->description().find(L"Gamma") != std::wstring::npos,
             L"an unknown named argument is named in the error");

  // The text of an HRESULT without EXCEPINFO, and the way back to a COM caller.
  check.equal(errorNumberOf(static_cast<HRESULT>(0x800A01AD)), 429, L"FACILITY_CONTROL is an Automation number");
  check.equal(errorNumberOf(E_FAIL), static_cast<std::int32_t>(E_FAIL), L"other HRESULTs stay");
  check.equal(hresultOf(13), static_cast<HRESULT>(0x800A000D), L"13 to a COM caller");
  check.equal(hresultOf(static_cast<std::int32_t>(E_ACCESSDENIED)), E_ACCESSDENIED, L"an HRESULT stays");
  check.equal(hresultOf(0), E_FAIL, L"0 is no failure to report");
}

void putAndPutRefFallBack(Check& check) {
  const Held<Recorder> recorder(check, L"recorder");
  const Object object = fromDispatch(recorder);
  recorder->calls.clear();
  object.putref(L"PutOnly", fromDispatch(recorder));
  check.that(recorder->calls.size() == 2 && recorder->calls[0].flags == DISPATCH_PROPERTYPUTREF &&
                 recorder->calls[1].flags == DISPATCH_PROPERTYPUT,
             L"putref tries PROPERTYPUTREF, then PROPERTYPUT");
  recorder->calls.clear();
  check.raises([&] { object.put(L"FailMember", Variant(1)); }, static_cast<std::int32_t>(DISP_E_MEMBERNOTFOUND),
               L"a put of a plain value does not retry");
  check.equal(recorder->calls.size(), std::size_t{1}, L"one attempt for a plain value");
}

void dispatchExFallback(Check& check) {
  const Held<ScriptLike> script(check, L"script");
  const Object object = fromDispatch(script);
  check.equal(object.call(L"twice", {Arg(Variant(21))}), Variant(42), L"called through InvokeEx");
  check.that((script->lastGrfdex & fdexNameCaseInsensitive) != 0, L"looked up case-insensitively");
  check.equal(script->lastFlags, static_cast<WORD>(DISPATCH_METHOD | DISPATCH_PROPERTYGET), L"method flags");
  check.raises([&] { object.call(L"Twice", {Arg::named(L"x", Variant(1))}); },
               static_cast<std::int32_t>(DISP_E_NONAMEDARGS), L"script procedures take no named arguments");
  check.raises([&] { object.call(L"Thrice"); }, static_cast<std::int32_t>(DISP_E_UNKNOWNNAME), L"unknown name");
}

void identityAndInterfaces(Check& check) {
  const Held<EventSource> source(check, L"source", IID_IDispatch);
  const Held<Recorder> recorder(check, L"recorder");
  const Held<Recorder> word(check, L"word", true);
  const Object viaDispatch = fromDispatch(source->dispatch());
  VARIANT unknown = variantOf(VT_UNKNOWN, source->unknown());
  const Object viaUnknown = fromVariant(unknown).toObject();
  check.that(static_cast<const void*>(source->dispatch()) != static_cast<const void*>(source->unknown()),
             L"the test object's IUnknown is not its IDispatch");
  check.that(viaDispatch == viaUnknown, L"two ways to one object are the same object");
  check.that(viaDispatch != fromDispatch(recorder), L"two objects differ");
  const Object self = fromDispatch(recorder).call(L"Self").toObject();
  const Object selfUnknown = fromDispatch(recorder).call(L"SelfUnknown").toObject();
  check.that(self == fromDispatch(recorder) && selfUnknown == self, L"an object returned is the same object");
  check.that(!fromDispatch(nullptr), L"null is Nothing");

  check.that(!fromDispatch(recorder).implements(L"Word._Application"), L"not Word");
  check.that(fromDispatch(word).implements(L"Word._Application"), L"Word");
  check.that(!fromDispatch(word).implements(L"Excel._Application"), L"Word is not Excel");
  check.that(fromDispatch(recorder).implements(L"Some.Other"), L"unknown names are answered yes");

  IDispatch* out = toDispatch(self);
  check.that(out == static_cast<IDispatch*>(recorder), L"toDispatch gives the object's IDispatch");
  if (out) out->Release();
  check.that(toDispatch(Object()) == nullptr, L"toDispatch of Nothing");
  check.that(toDispatch(Object(std::make_shared<NativeObject>())) == nullptr, L"toDispatch of a native object");
}

// A 24-bit DIB of blank pixels: the pixels' way to a button is checked by the host's test.
std::vector<std::uint8_t> testDib(int width, int height) {
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  const std::size_t row = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
  std::vector<std::uint8_t> dib(sizeof header + row * static_cast<std::size_t>(height));
  std::memcpy(dib.data(), &header, sizeof header);
  return dib;
}

void factoryCreationsAndPictures(Check& check) {
  ComObjectFactory factory;
  check.raises([&] { factory.create(L"Lockfolio.NoSuchClass"); }, 429, L"unknown ProgID",
               L"ActiveX component can't create object");
  check.raises([&] { factory.create(L""); }, 429, L"empty ProgID", L"ActiveX component can't create object");
  const std::vector<std::uint8_t> dib = testDib(16, 16);
  Object picture = factory.picture(dib);
  if (!check.that(static_cast<bool>(picture), L"created")) return;
  HDC screen = GetDC(nullptr);
  const int dpiX = GetDeviceCaps(screen, LOGPIXELSX);
  const int dpiY = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  check.equal(picture.get(L"Type"), Variant(static_cast<std::int16_t>(PICTYPE_BITMAP)), L"Type");
  check.equal(picture.get(L"Width").toInt32(), MulDiv(16, 2540, dpiX), L"Width in HIMETRIC");
  check.equal(picture.get(L"Height").toInt32(), MulDiv(16, 2540, dpiY), L"Height in HIMETRIC");

  const auto handle = static_cast<HBITMAP>(reinterpret_cast<HANDLE>(
      static_cast<std::uintptr_t>(static_cast<std::uint32_t>(picture.get(L"Handle").toInt32()))));
  BITMAP shape{};
  check.that(GetObjectW(handle, sizeof shape, &shape) == sizeof shape, L"the handle is a bitmap");
  check.that(shape.bmWidth == 16 && shape.bmHeight == 16 && shape.bmBitsPixel == 24, L"16x16, 24 bits");

  picture = Object();
  check.that(GetObjectW(handle, sizeof shape, &shape) == 0, L"the last reference gone, the picture deleted its bitmap");

  // What is no DIB is refused.
  std::vector<std::uint8_t> tooShort(10);
  std::vector<std::uint8_t> truncated = dib;
  truncated.resize(truncated.size() - 1);
  std::vector<std::uint8_t> oddDepth = dib;
  reinterpret_cast<BITMAPINFOHEADER*>(oddDepth.data())->biBitCount = 3;
  std::vector<std::uint8_t> compressed = dib;
  reinterpret_cast<BITMAPINFOHEADER*>(compressed.data())->biCompression = BI_RLE8;
  std::vector<std::uint8_t> huge = dib;
  reinterpret_cast<BITMAPINFOHEADER*>(huge.data())->biWidth = 0x7FFFFFFF;
  const struct {
    const wchar_t* name;
    const std::vector<std::uint8_t>* data;
  } invalid[] = {{L"too short", &tooShort}, {L"truncated", &truncated}, {L"3 bits", &oddDepth},
                 {L"compressed", &compressed}, {L"huge", &huge}};
  for (const auto& row : invalid) {
    check.raises([&] { factory.picture(*row.data); }, automation::errors::kInvalidProcedureCall, row.name);
  }
}

void buttonClick(Check& check) {
  const Held<EventSource> source(check, L"source", kButtonEventsIid);
  const Held<Recorder> button(check, L"button");
  auto token = std::make_shared<int>(0);
  enum class Mode { SetCancel, ThrowComError, ThrowOther } mode = Mode::SetCancel;
  int calls = 0;
  std::wstring seen;
  bool ctrlIsButton = false;
  bool cancelWasByRef = false;
  Object sourceObject = fromDispatch(source->dispatch());
  Connection connection = sourceObject.connect(
      L"_CommandBarButtonEvents", EventHandler([&, token](std::wstring_view event, std::vector<Arg>& args) {
        ++calls;
        seen = event;
        if (args.size() == 2) {
          ctrlIsButton = args[0].value().toObject() == fromDispatch(button);
          cancelWasByRef = args[1].isByRef() && args[1].value() == Variant(false);
          // As Excel's double-click without a user interface: Cancel is set, then the handler fails.
          args[1].ref() = Variant(true);
          if (mode == Mode::ThrowComError) throw ComError(1234, L"nope");
          if (mode == Mode::ThrowOther) throw std::runtime_error("not a ComError");
        }
      }));
  check.equal(source->advises, 1, L"advised once");
  check.that(source->connected() && source->sinkAnswersDispatch, L"the sink answers the events IID and IDispatch");

  // The weak reference shows the sink does not keep the wrapper alive.
  std::weak_ptr<automation::Dispatchable> wrapper = sourceObject.target();
  sourceObject = Object();
  check.that(wrapper.expired(), L"the connection keeps no wrapper alive");

  // Office's form: (Ctrl, CancelDefault as VT_BYREF|VT_BOOL).
  VARIANT_BOOL cancel = VARIANT_FALSE;
  VARIANT ctrl = variantOf(VT_DISPATCH, static_cast<IDispatch*>(button));
  VARIANT cancelArg = variantOf(VT_BYREF | VT_BOOL, &cancel);
  ExcepInfoHolder exception;
  check.equal(source->fire(1, {cancelArg, ctrl}, exception.ptr()), S_OK, L"Click answered");
  check.equal(calls, 1, L"handler called");
  check.equal(seen, std::wstring(L"Click"), L"event name");
  check.that(ctrlIsButton, L"Ctrl is the button");
  check.that(cancelWasByRef, L"CancelDefault by reference, False");
  check.equal(cancel, static_cast<VARIANT_BOOL>(VARIANT_TRUE), L"CancelDefault set to True reaches the source");

  // A script host's form: VT_BYREF|VT_VARIANT.
  VARIANT scriptCancel = variantOf(VT_BOOL);
  scriptCancel.boolVal = VARIANT_FALSE;
  VARIANT scriptArg = variantOf(VT_BYREF | VT_VARIANT, &scriptCancel);
  check.equal(source->fire(1, {scriptArg, ctrl}, exception.ptr()), S_OK, L"script form answered");
  check.equal(describe(scriptCancel), std::wstring(L"BOOL:true"), L"script form written back");

  check.equal(source->fire(99, {}, exception.ptr()), S_OK, L"unknown DISPID answered");
  check.equal(calls, 2, L"unknown DISPID not handed on");

  mode = Mode::ThrowComError;
  cancel = VARIANT_FALSE;
  check.equal(source->fire(1, {cancelArg, ctrl}, exception.ptr()), DISP_E_EXCEPTION, L"a ComError is an exception");
  check.equal(exception.get().scode, static_cast<SCODE>(0x800A04D2), L"its number");
  check.equal(Bstr::textOf(exception.get().bstrDescription), std::wstring(L"nope"), L"its description");
  check.equal(cancel, static_cast<VARIANT_BOOL>(VARIANT_TRUE), L"what a failing handler set reaches the source");
  exception.clear();
  check.equal(source->fire(1, {cancelArg, ctrl}, nullptr), static_cast<HRESULT>(0x800A04D2),
              L"without EXCEPINFO, the number's HRESULT");
  mode = Mode::ThrowOther;
  cancel = VARIANT_FALSE;
  scriptCancel.boolVal = VARIANT_FALSE;
  check.equal(source->fire(1, {cancelArg, ctrl}, exception.ptr()), E_FAIL, L"another exception is E_FAIL");
  check.equal(cancel, static_cast<VARIANT_BOOL>(VARIANT_TRUE), L"and what the handler set still reaches the source");
  check.equal(source->fire(1, {scriptArg, ctrl}, exception.ptr()), E_FAIL, L"script form, failing");
  check.equal(describe(scriptCancel), std::wstring(L"BOOL:true"), L"script form written back after a failure");

  VARIANT badArg = variantOf(VT_VOID);
  mode = Mode::SetCancel;
  check.equal(source->fire(1, {badArg, ctrl}, exception.ptr()), DISP_E_TYPEMISMATCH, L"an argument of no known type");

  connection.reset();
  check.equal(source->unadvises, 1, L"unadvised");
  check.that(!source->connected(), L"no sink left");
  check.equal(source->releaseAtUnadvise, 0L, L"the sink's last reference was the source's");
  check.equal(token.use_count(), 1L, L"the handler is gone with the sink");
  const int before = calls;
  check.equal(source->fire(1, {cancelArg, ctrl}, exception.ptr()), S_FALSE, L"nothing to fire at");
  check.equal(calls, before, L"no call after the end");
  connection.reset();
  check.equal(source->unadvises, 1, L"a second reset does nothing");
}

// Each events interface is found by its name and names its events by DISPID. Word's NewDocument,
// Excel's selection and double-click and a button's Click reach the add-in in the host's test.
void eventTables(Check& check) {
  const IID officeBase = {0, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
  auto office = [&](unsigned long first) {
    IID iid = officeBase;
    iid.Data1 = first;
    return iid;
  };
  const IID powerPoint = {0x914934C2, 0x5A91, 0x11CF, {0x87, 0x00, 0x00, 0xAA, 0x00, 0x60, 0x26, 0x3B}};
  const struct {
    const wchar_t* interfaceName;
    IID iid;
    DISPID dispid;
    const wchar_t* event;
  } rows[] = {
      {L"ApplicationEvents2", office(0x000209FE), 8, L"DocumentBeforeSave"},
      {L"ApplicationEvents3", office(0x00020A00), 4, L"DocumentOpen"},
      {L"ApplicationEvents4", office(0x00020A01), 6, L"DocumentBeforeClose"},
      {L"AppEvents", office(0x00024413), 1567, L"WorkbookOpen"},
      {L"AppEvents", office(0x00024413), 1570, L"WorkbookBeforeClose"},
      {L"EApplication", powerPoint, 2006, L"PresentationOpen"},
      {L"EApplication", powerPoint, 2004, L"PresentationClose"},
      {L"_CommandBarButtonEvents", kButtonEventsIid, 1, L"Click"},
  };
  for (const auto& row : rows) {
    const Held<EventSource> source(check, L"source", row.iid);
    std::wstring seen;
    std::size_t count = 0;
    const std::wstring name = std::wstring(row.interfaceName) + L" " + row.event;
    const auto error = errorOf([&] {
      Connection connection = fromDispatch(source->dispatch())
                                  .connect(row.interfaceName, EventHandler([&](std::wstring_view event, std::vector<Arg>& args) {
                                    seen = event;
                                    count = args.size();
                                  }));
      VARIANT document = variantOf(VT_I4);
      document.lVal = 3;
      check.equal(source->fire(row.dispid, {document}, nullptr), S_OK, name + L" answered");
    });
    if (error) check.that(false, name + L" raised " + error->description());
    check.equal(seen, std::wstring(row.event), name);
    check.equal(count, std::size_t{1}, name + L" arguments");
    check.that(!source->connected(), name + L" disconnected");
  }
}

void connectionFailures(Check& check) {
  const Held<EventSource> source(check, L"source", kButtonEventsIid);
  const Object object = fromDispatch(source->dispatch());
  const EventHandler ignore([](std::wstring_view, std::vector<Arg>&) {});
  check.raises([&] { object.connect(L"NoSuchEvents", ignore); }, automation::dispatch_errors::kNoConnection,
               L"unknown events interface");
  check.raises([&] { object.connect(L"AppEvents", ignore); }, static_cast<std::int32_t>(CONNECT_E_NOCONNECTION),
               L"events the object does not raise");
  const Held<Recorder> recorder(check, L"recorder");
  check.raises([&] { fromDispatch(recorder).connect(L"AppEvents", ignore); },
               automation::dispatch_errors::kNoConnection, L"an object without connection points");

  // A handler that ends its own connection while it runs.
  Connection connection;
  int calls = 0;
  auto token = std::make_shared<int>(0);
  connection = object.connect(L"_CommandBarButtonEvents", EventHandler([&, token](std::wstring_view, std::vector<Arg>& args) {
                                ++calls;
                                connection.reset();
                                if (!args.empty()) args[0].ref() = Variant(true);
                              }));
  VARIANT_BOOL cancel = VARIANT_FALSE;
  VARIANT cancelArg = variantOf(VT_BYREF | VT_BOOL, &cancel);
  check.equal(source->fire(1, {cancelArg}, nullptr), S_OK, L"disconnecting inside the handler");
  check.equal(calls, 1, L"called once");
  check.equal(cancel, static_cast<VARIANT_BOOL>(VARIANT_TRUE), L"still written back");
  check.that(!source->connected() && source->unadvises == 1, L"unadvised from inside");
  // The firing source's own reference and the sink's guard over its running call.
  check.equal(source->releaseAtUnadvise, 2L, L"the running call still held the sink");
  const std::weak_ptr<int> watch = token;
  token.reset();
  check.that(watch.expired(), L"the sink and its handler are gone once the call returned");
}

const struct {
  const char* name;
  void (*run)(Check&);
} kCases[] = {
    {"variants round trip", variantsRoundTrip},
    {"variants coming in", variantsComingIn},
    {"variant arrays coming in", variantArraysComingIn},
    {"writing through references", writingThroughReferences},
    {"argument layout", argumentLayout},
    {"by-reference arguments written back", byReferenceWrittenBack},
    {"default member and name cache", defaultMemberAndCaching},
    {"a typed server under the standard dispatcher", typedServer},
    {"locales", locales},
    {"errors", errors},
    {"put and putref fall back", putAndPutRefFallBack},
    {"IDispatchEx fallback", dispatchExFallback},
    {"identity and interfaces", identityAndInterfaces},
    {"the object factory: creation failures and pictures", factoryCreationsAndPictures},
    {"button click", buttonClick},
    {"event tables", eventTables},
    {"connection failures", connectionFailures},
};

}  // namespace

int main() {
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
    std::printf("COM could not be initialised\n0 passed, 1 failed\n");
    return 1;
  }
  std::vector<wine_host::testing::TestCase> tests;
  for (const auto& test : kCases) {
    tests.push_back({test.name, [run = test.run] {
                       Check check;
                       run(check);
                     }});
  }
  const int result = wine_host::testing::runTests(tests);
  CoUninitialize();
  return result;
}

#pragma once
// The base of the module's COM objects: reference counting, QueryInterface, and IDispatch served
// from the interface's type information. Invoke first adapts what callers pass for a by-reference
// parameter, which the type information's own Invoke takes only as a reference to the declared
// type: a script passes every variable as VT_BYREF|VT_VARIANT (also through further references),
// a compiled caller a reference to its own type (VT_BYREF|VT_I4 for a `short*`), JScript values
// only. Such an argument is converted to the declared type and passed by reference, and the
// result goes back into the caller's own variable in the caller's own type, so that a counter
// advances for every kind of caller; a variable that could not take it back (an object) is refused
// with a type mismatch before the call. A script's array goes to a `SAFEARRAY(VARIANT)*` as it is,
// and an Empty or Null as no array.

#include <windows.h>
#include <ole2.h>
#include <oaidl.h>

#include <atomic>

#include "com/error_info.h"
#include "com/module.h"
#include "com/type_library.h"

namespace com {

// What every IDispatch of the module refuses before reading anything: no parameters, a null array
// where a count says there are entries (E_INVALIDARG), more named arguments than arguments; no
// names or DISPIDs, or a null name; an argument that refers to nothing (DISP_E_TYPEMISMATCH).
HRESULT checkParameters(const DISPPARAMS* params, UINT* argumentError);
HRESULT checkNames(const LPOLESTR* names, UINT count, const DISPID* ids);
// The type an argument holds, also through references. The standard conversion of an object to
// a plain value follows its default member without end, and a copy of an array of a type no
// VARIANT has cannot be cleared: the faces refuse both where they take a plain value.
VARTYPE heldType(const VARIANT& argument);
inline bool holdsObject(const VARIANT& argument) {
  const VARTYPE type = heldType(argument);
  return type == VT_DISPATCH || type == VT_UNKNOWN;
}

// Invoke through the type information with by-reference arguments adapted as above.
HRESULT invokeAdapted(ITypeInfo* info, void* instance, DISPID member, WORD flags, DISPPARAMS* params,
                      VARIANT* result, EXCEPINFO* exception, UINT* argumentError);

template <class Interface>
class DispatchServer : public Interface, public ISupportErrorInfo {
 public:
  explicit DispatchServer(const IID& interfaceId) : interfaceId_(interfaceId) { objectCreated(); }
  virtual ~DispatchServer() { objectDestroyed(); }
  DispatchServer(const DispatchServer&) = delete;
  DispatchServer& operator=(const DispatchServer&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, interfaceId_)) {
      *out = static_cast<Interface*>(this);
    } else if (IsEqualIID(riid, IID_ISupportErrorInfo)) {
      *out = static_cast<ISupportErrorInfo*>(this);
    } else if (!(*out = otherInterface(riid))) {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const long left = --references_;
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = interfaceTypeInfo(interfaceId_) ? 1 : 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    ITypeInfo* found = interfaceTypeInfo(interfaceId_);
    if (!found) return TYPE_E_CANTLOADLIBRARY;
    found->AddRef();
    *info = found;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    if (const HRESULT invalid = checkNames(names, count, ids); FAILED(invalid)) return invalid;
    ITypeInfo* info = interfaceTypeInfo(interfaceId_);
    if (!info) return TYPE_E_CANTLOADLIBRARY;
    return DispGetIDsOfNames(info, names, count, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* exception, UINT* argumentError) override {
    ITypeInfo* info = interfaceTypeInfo(interfaceId_);
    if (!info) return TYPE_E_CANTLOADLIBRARY;
    return invokeAdapted(info, static_cast<Interface*>(this), member, flags, params, result, exception, argumentError);
  }

  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) override {
    return IsEqualIID(riid, interfaceId_) ? S_OK : S_FALSE;
  }

 protected:
  // Further interfaces a class offers (Connect's _IDTExtensibility2), not AddRef'ed.
  virtual void* otherInterface(REFIID) { return nullptr; }
  // Runs a method body as a COM entry point.
  template <typename Body>
  HRESULT call(Body&& body) noexcept {
    return comCall(interfaceId_, std::forward<Body>(body));
  }

 private:
  const IID interfaceId_;
  std::atomic<long> references_{1};
};

}  // namespace com

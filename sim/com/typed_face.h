#pragma once
// The typed face of a bridged simulator object: the vtable of its interface in the simulated
// Office's type library (the classes are generated from sim/signatures/office.sig), with IDispatch
// answered by that type library, so that oleaut32's standard dispatcher refuses what Office's
// dual interfaces refuse (unknown names, wrong invoke kinds, argument counts, unknown named
// arguments, by-reference arguments of the wrong type). Each vtable member hands its call to the
// simulated object. The face has no identity of its own: IUnknown goes to the bridge that owns it.

#include <windows.h>

#include <oaidl.h>
#include <ole2.h>

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "automation/dispatch.h"
#include "automation/win32/com_ptr.h"
#include "sim/com/bridge_faults.h"
#include "sim/signatures/signatures.h"

namespace wine_host {

class ValueConverter;

// What a face needs from the bridge object that owns it.
class FaceOwner {
 public:
  virtual HRESULT queryInterface(REFIID iid, void** out) = 0;
  virtual ULONG addRef() = 0;
  virtual ULONG release() = 0;
  virtual const automation::Object& target() const = 0;
  virtual ValueConverter& values() = 0;
  // What EXCEPINFO::bstrSource says when a member fails.
  virtual const std::wstring& errorSource() const = 0;
  // A name the type library does not know, for an interface whose object resolves names at run
  // time: the DISPID the generic bridge gives it, and the call by that DISPID.
  virtual DISPID dynamicDispid(std::wstring_view name, bool argument) = 0;
  virtual HRESULT invokeDynamic(DISPID member, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                UINT* argumentError) = 0;
  // Whether an object that takes the caller's locale accepts this one.
  virtual bool acceptsLocale(LCID locale) const = 0;
  // S_OK, or the failure injected into this call.
  virtual HRESULT injectedFault(BridgeCall call, EXCEPINFO* exception) = 0;

 protected:
  ~FaceOwner() = default;
};

class TypedFace : public IDispatch {
 public:
  using Destroy = void (*)(TypedFace*);
  // `dynamic`: names the type library does not know go to the owner; `locale`: only the locales
  // the owner accepts get through, in GetIDsOfNames and Invoke alike.
  TypedFace(FaceOwner& owner, ITypeInfo* info, bool dynamic, bool locale, Destroy destroy);
  TypedFace(const TypedFace&) = delete;
  TypedFace& operator=(const TypedFace&) = delete;
  // The face's class is generated; this deletes it as that class.
  static void destroy(TypedFace* face) { face->destroy_(face); }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override { return owner_.queryInterface(iid, out); }
  ULONG STDMETHODCALLTYPE AddRef() override { return owner_.addRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return owner_.release(); }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override;

  FaceOwner& owner() { return owner_; }

 protected:
  ~TypedFace() = default;

 private:
  bool tooManyArguments(DISPID member, WORD flags, const DISPPARAMS& params) const;

  FaceOwner& owner_;
  automation::win32::ComPtr<ITypeInfo> info_;
  bool dynamic_;
  bool locale_;
  Destroy destroy_;
};

// One vtable call handed to the simulated object: the arguments as the generated member receives
// them, then `finish` makes the call, writes the by-reference arguments back and returns the
// result in the member's declared type. A failure becomes the HRESULT with the error info set, which
// the standard dispatcher turns into DISP_E_EXCEPTION with EXCEPINFO.
class TypedCall {
 public:
  TypedCall(TypedFace& face, const wchar_t* member, sim::signatures::Kind kind) noexcept;
  TypedCall(const TypedCall&) = delete;
  TypedCall& operator=(const TypedCall&) = delete;

  void bstr(BSTR value) noexcept;
  void i4(long value) noexcept;
  void integer(int value) noexcept;
  void boolean(VARIANT_BOOL value) noexcept;
  void variant(const VARIANT& value) noexcept;
  void object(IDispatch* value) noexcept;
  void variantRef(VARIANT* value) noexcept;
  void bstrRef(BSTR* value) noexcept;
  void i4Ref(long* value) noexcept;
  void booleanRef(VARIANT_BOOL* value) noexcept;

  HRESULT finish() noexcept;
  HRESULT finish(BSTR* result) noexcept;
  HRESULT finish(long* result) noexcept;
  HRESULT finish(int* result) noexcept;
  HRESULT finish(VARIANT_BOOL* result) noexcept;
  HRESULT finish(VARIANT* result) noexcept;
  HRESULT finish(IDispatch** result) noexcept;

 private:
  struct WriteBack {
    sim::signatures::Type type;
    void* target;
    std::size_t reference;  // index into references_
  };
  template <class Convert>
  void add(Convert convert) noexcept;
  void addReference(sim::signatures::Type type, void* target, automation::Variant value, bool variantRef) noexcept;
  template <class Store>
  HRESULT run(Store store) noexcept;
  HRESULT fail(const automation::ComError& error) noexcept;

  TypedFace& face_;
  const wchar_t* member_;
  sim::signatures::Kind kind_;
  std::vector<automation::Arg> args_;
  std::deque<automation::Variant> references_;  // what by-reference arguments point at, at stable addresses
  std::vector<WriteBack> writeBacks_;
  std::optional<automation::ComError> error_;  // the first argument that could not be taken
};

// The face of the interface whose type-library form is named so, or null; generated.
TypedFace* createTypedFace(std::wstring_view typeName, FaceOwner& owner, ITypeInfo* info, bool dynamic, bool locale);

// The simulated Office's type library: the TYPELIB resource 1 of the running program; null when
// it has none.
ITypeLib* simulatedOfficeTypeLibrary();

}  // namespace wine_host

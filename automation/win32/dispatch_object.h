#pragma once
// An automation object reached through IDispatch, by member name, as Visual Basic reaches it by
// late binding. Windows only: it includes the COM headers.

#include <objbase.h>
#include <oaidl.h>
#include <dispex.h>

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "automation/dispatch.h"
#include "automation/win32/com_ptr.h"

namespace automation::win32 {

class DispatchObject final : public Dispatchable {
 public:
  explicit DispatchObject(ComPtr<IDispatch> dispatch);

  // GetIDsOfNames (once per member and named-argument names; objects that only know
  // IDispatchEx, such as script objects, through GetDispID), then IDispatch::Invoke: get with
  // DISPATCH_PROPERTYGET, call with DISPATCH_METHOD | DISPATCH_PROPERTYGET, put and putref with
  // the value as the DISPID_PROPERTYPUT named argument. By-reference arguments receive what the
  // callee left in them. Failures raise ComError with the callee's number and description.
  Variant invoke(std::wstring_view member, InvokeKind kind, std::vector<Arg>& args) override;

  // Advises a sink at the connection point of the events interface of that name; the connection
  // unadvises it. The sink holds only the handler, never this object.
  Connection connect(std::wstring_view eventsInterface, EventHandler handler) override;

  // The object's IUnknown: the same for every interface pointer of one object.
  const void* identity() const override;

  // QueryInterface for the typed interfaces the add-in names ("Word._Application"); true for names
  // it does not know.
  bool implements(std::wstring_view interfaceName) const override;

  // Borrowed: valid as long as this object.
  IDispatch* dispatch() const noexcept { return dispatch_.get(); }

 private:
  struct Ids {
    DISPID member = DISPID_UNKNOWN;
    std::vector<DISPID> named;
    bool dispatchEx = false;  // invoked through IDispatchEx::InvokeEx
  };
  const Ids& resolve(std::wstring_view member, const std::vector<std::wstring>& namedArguments);
  IDispatchEx* dispatchEx();
  Variant invokeOnce(std::wstring_view member, WORD flags, std::vector<Arg>& args, bool put);

  ComPtr<IDispatch> dispatch_;
  ComPtr<IUnknown> unknown_;
  ComPtr<IDispatchEx> dispatchEx_;
  bool dispatchExQueried_ = false;
  // By case-folded member name and named-argument names: names are case-insensitive in IDispatch.
  std::map<std::wstring, Ids> ids_;
};

// An Object for the IDispatch (a reference of its own is taken); Nothing for null.
Object fromDispatch(IDispatch* dispatch);

// The IDispatch of an Object that wraps one, with a reference for the caller to release;
// null for Nothing and for objects of other kinds.
IDispatch* toDispatch(const Object& object) noexcept;

}  // namespace automation::win32

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
  // Calls carry `locale` as their LCID: the user's default unless the object is told otherwise.
  explicit DispatchObject(ComPtr<IDispatch> dispatch, LCID locale = LOCALE_USER_DEFAULT);

  // GetIDsOfNames (once per member and named-argument names; objects that only know
  // IDispatchEx, such as script objects, through GetDispID), then IDispatch::Invoke: a read and
  // a call with DISPATCH_METHOD | DISPATCH_PROPERTYGET, a plain property get with
  // DISPATCH_PROPERTYGET, put and putref with the value as the DISPID_PROPERTYPUT named argument.
  // A by-reference argument goes as a reference to its own type (a string VT_BYREF|VT_BSTR, an
  // Int32 VT_BYREF|VT_I4, Int16 VT_BYREF|VT_I2, Bool VT_BYREF|VT_BOOL, Double VT_BYREF|VT_R8, an
  // object VT_BYREF|VT_DISPATCH, an array VT_BYREF|VT_ARRAY|VT_VARIANT; Empty and Null, which have
  // no type of their own, and Arg::byRefVariant as VT_BYREF|VT_VARIANT) and receives what the
  // callee left where it was passed. Objects that come back inherit this object's locale.
  // Failures raise ComError with the callee's number and description.
  Variant invoke(std::wstring_view member, InvokeKind kind, std::vector<Arg>& args) override;

  // Advises a sink at the connection point of the events interface of that name; the connection
  // unadvises it. The sink holds only the handler, never this object.
  Connection connect(std::wstring_view eventsInterface, EventHandler handler) override;

  // The object's IUnknown: the same for every interface pointer of one object.
  const void* identity() const override;

  // QueryInterface for the typed interfaces the add-in names ("Word._Application"); true for names
  // it does not know.
  bool implements(std::wstring_view interfaceName) const override;

  // Another DispatchObject on the same IDispatch whose calls and name lookups carry `locale`.
  std::shared_ptr<Dispatchable> withLocale(std::uint32_t locale) const override;
  LCID locale() const noexcept { return locale_; }

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

  // What comes back from a call: its objects carry this object's locale.
  Variant inherited(Variant value) const;

  ComPtr<IDispatch> dispatch_;
  LCID locale_;
  ComPtr<IUnknown> unknown_;
  ComPtr<IDispatchEx> dispatchEx_;
  bool dispatchExQueried_ = false;
  // By case-folded member name and named-argument names: names are case-insensitive in IDispatch.
  std::map<std::wstring, Ids> ids_;
};

// An Object for the IDispatch (a reference of its own is taken); Nothing for null.
Object fromDispatch(IDispatch* dispatch);

// `value` with every object in it (also inside arrays) calling with `locale`.
Variant inLocale(Variant value, LCID locale);

// The IDispatch of an Object that wraps one, with a reference for the caller to release;
// null for Nothing and for objects of other kinds.
IDispatch* toDispatch(const Object& object) noexcept;

}  // namespace automation::win32

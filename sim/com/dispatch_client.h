#pragma once
// An automation object reached through an IDispatch that came in from outside the simulator: an
// object of the add-in (its own classes, a picture made with OleCreatePictureIndirect) handed to a
// bridged simulator object. Calls go by name through GetIDsOfNames and Invoke.

#include <windows.h>

#include <oaidl.h>
#include <ole2.h>

#include <memory>
#include <string_view>
#include <vector>

#include "automation/dispatch.h"
#include "automation/win32/com_ptr.h"

namespace wine_host {

// Converts values between VARIANT and automation::Variant, objects included (the bridge does it).
class ValueConverter {
 public:
  virtual ~ValueConverter() = default;
  // Raises ComError (type mismatch) for a VARIANT that has no Variant form.
  virtual automation::Variant fromVariant(const VARIANT& value) = 0;
  // `out` must hold nothing; it receives a value the caller owns.
  virtual void toVariant(const automation::Variant& value, VARIANT& out) = 0;
};

class DispatchClient final : public automation::Dispatchable {
 public:
  DispatchClient(automation::win32::ComPtr<IDispatch> dispatch, std::shared_ptr<ValueConverter> converter);

  // Method and property get both go as DISPATCH_METHOD | DISPATCH_PROPERTYGET, as late-bound
  // Visual Basic calls them when it uses the result; by-reference arguments go as
  // VT_BYREF | VT_VARIANT and come back into the caller's Variant. A failure raises ComError with
  // the object's EXCEPINFO (scode, or 0x800A0000 | wCode) or, without one, the HRESULT.
  automation::Variant invoke(std::wstring_view member, automation::InvokeKind kind,
                             std::vector<automation::Arg>& args) override;
  // The object's IUnknown.
  const void* identity() const override { return unknown_.get(); }

  IDispatch* dispatch() const { return dispatch_.get(); }

 private:
  DISPID memberId(std::wstring_view member, const std::vector<automation::Arg>& args, std::vector<DISPID>& named);

  automation::win32::ComPtr<IDispatch> dispatch_;
  automation::win32::ComPtr<IUnknown> unknown_;
  std::shared_ptr<ValueConverter> converter_;
};

// The ComError that a failed IDispatch::Invoke stands for.
automation::ComError invokeError(HRESULT result, const EXCEPINFO& exception, std::wstring_view what);

}  // namespace wine_host

#pragma once
// The IRibbonExtensibility face of a Connect object: it shares the object's identity and count,
// and hands the host the Lockfolio tab's XML. Office calls it through its vtable; late-bound
// callers reach GetCustomUI by name (DISPID 1) as well.

#include <windows.h>
#include <ole2.h>

#include "ribbon/lockfolio_ribbon.h"
#include "ribbon_h.h"

namespace com {

class RibbonFace final : public IRibbonExtensibility {
 public:
  RibbonFace(IUnknown& owner, const ribbon::LockfolioRibbon& ribbon) : owner_(owner), ribbon_(ribbon) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override { return owner_.QueryInterface(riid, out); }
  ULONG STDMETHODCALLTYPE AddRef() override { return owner_.AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return owner_.Release(); }

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* exception, UINT* argumentError) override;

  HRESULT STDMETHODCALLTYPE GetCustomUI(BSTR RibbonID, BSTR* RibbonXml) override;

 private:
  IUnknown& owner_;
  const ribbon::LockfolioRibbon& ribbon_;
};

}  // namespace com

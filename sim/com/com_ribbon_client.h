#pragma once
// A real add-in's ribbon as a simulated host of version 12.0 and later reaches it: the XML through
// IRibbonExtensibility's vtable, and the callbacks by name through the add-in's own IDispatch
// (GetIDsOfNames, then Invoke as a method with the arguments by value), as Office calls them. A
// picture that a callback returns comes back as a sim::Picture that keeps a 32-bit bitmap's alpha.

#include <windows.h>

#include <oaidl.h>

#include "automation/win32/com_ptr.h"
#include "sim/com/dispatch_bridge.h"
#include "sim/ribbon_extensibility.h"

namespace wine_host {

inline constexpr IID kIidRibbonExtensibility = {
    0x000C0396, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// IRibbonExtensibility: dual; GetCustomUI follows IDispatch's seven slots.
struct RibbonExtensibilityVtable : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE GetCustomUI(BSTR ribbonId, BSTR* xml) = 0;
};

class ComRibbonClient final : public sim::RibbonExtensibility {
 public:
  ComRibbonClient(automation::win32::ComPtr<RibbonExtensibilityVtable> ribbon,
                  automation::win32::ComPtr<IDispatch> addIn, DispatchBridge& bridge)
      : ribbon_(std::move(ribbon)), addIn_(std::move(addIn)), bridge_(bridge) {}

  std::wstring GetCustomUI(const std::wstring& ribbonId) override;
  automation::Variant invokeCallback(const std::wstring& callback, std::vector<automation::Arg>& args) override;

 private:
  automation::win32::ComPtr<RibbonExtensibilityVtable> ribbon_;
  automation::win32::ComPtr<IDispatch> addIn_;
  DispatchBridge& bridge_;
};

}  // namespace wine_host

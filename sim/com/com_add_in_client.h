#pragma once
// A real COM add-in, loaded by its ProgID and connected to a simulated host through
// _IDTExtensibility2, called through its vtable as Office calls it. The host's objects reach it as
// bridges of the simulator's objects.

#include <windows.h>

#include <oaidl.h>
#include <ole2.h>

#include <memory>
#include <string>

#include "automation/win32/com_ptr.h"
#include "sim/com/com_ribbon_client.h"
#include "sim/com_add_in.h"
#include "sim/com/dispatch_bridge.h"

namespace wine_host {

// _IDTExtensibility2: dual, derived from IDispatch; the five notifications follow IDispatch's
// seven slots in this order.
inline constexpr IID kIidExtensibility2 = {
    0xB65AD801, 0xABAF, 0x11D0, {0xBB, 0x8B, 0x00, 0xA0, 0xC9, 0x0F, 0x27, 0x44}};

struct Extensibility2 : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE OnConnection(IDispatch* application, int connectMode, IDispatch* addInInst,
                                                 SAFEARRAY** custom) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnDisconnection(int removeMode, SAFEARRAY** custom) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY** custom) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY** custom) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY** custom) = 0;
};

class ComAddInClient final : public sim::ComAddIn {
 public:
  // CLSIDFromProgID, CoCreateInstance (in-process) and QueryInterface for _IDTExtensibility2, as
  // Office loads an add-in. Raises ComError with the failing step's HRESULT.
  ComAddInClient(const std::wstring& progId, DispatchBridge& bridge);
  // An add-in object the caller created itself (for example from a class factory it found);
  // `name` appears in the error raised when the object does not implement _IDTExtensibility2.
  ComAddInClient(const automation::win32::ComPtr<IUnknown>& object, const std::wstring& name, DispatchBridge& bridge);
  ~ComAddInClient() override = default;
  ComAddInClient(const ComAddInClient&) = delete;
  ComAddInClient& operator=(const ComAddInClient&) = delete;

  // Each raises ComError for a failure HRESULT, with the description the add-in left in the
  // thread's error information (IErrorInfo) when it left one.
  void OnConnection(automation::Object application, std::int32_t connectMode, automation::Object addInInst,
                    automation::Variant& custom) override;
  void OnDisconnection(std::int32_t removeMode, automation::Variant& custom) override;
  void OnAddInsUpdate(automation::Variant& custom) override;
  void OnStartupComplete(automation::Variant& custom) override;
  void OnBeginShutdown(automation::Variant& custom) override;

  // QueryInterface for IRibbonExtensibility, counted; null when the add-in has none.
  sim::RibbonExtensibility* queryRibbonExtensibility() override;
  int ribbonQueries() const { return ribbonQueries_; }

  // Lets go of the add-in, as Office does after a failed connection or a disconnection.
  void release() {
    ribbon_.reset();
    addIn_.reset();
  }
  bool loaded() const { return static_cast<bool>(addIn_); }
  Extensibility2* extensibility() const { return addIn_.get(); }

 private:
  Extensibility2& require() const;

  DispatchBridge& bridge_;
  automation::win32::ComPtr<Extensibility2> addIn_;
  std::unique_ptr<ComRibbonClient> ribbon_;
  int ribbonQueries_ = 0;
};

}  // namespace wine_host

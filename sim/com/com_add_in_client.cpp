#include "sim/com/com_add_in_client.h"

#include <functional>

#include "sim/com/com_values.h"
#include "sim/com/dispatch_client.h"

namespace wine_host {

using automation::ComError;
using automation::Variant;
using automation::win32::ComPtr;

namespace {

// The failure of an add-in's notification: its HRESULT, described by the error information the
// add-in set (SetErrorInfo), if any.
ComError notificationError(HRESULT result, const wchar_t* notification) {
  ComPtr<IErrorInfo> info;
  std::wstring description;
  if (GetErrorInfo(0, info.put()) == S_OK && info) {
    Bstr text;
    if (SUCCEEDED(info->GetDescription(text.put()))) description = textOf(text.get());
  }
  if (description.empty()) {
    const ExceptionInfo none;
    return invokeError(result, none.get(), notification);
  }
  return ComError(static_cast<std::int32_t>(result), std::move(description));
}

// The custom array of a notification: a SAFEARRAY of VARIANT, owned for the call.
class CustomArray {
 public:
  CustomArray(DispatchBridge& bridge, const Variant& custom) {
    VariantValue value;
    const Variant array = custom.isArray() ? custom : Variant(automation::VariantArray{});
    bridge.toVariant(array, value.get());
    value_ = std::move(value);
  }
  SAFEARRAY** get() { return &value_.get().parray; }

 private:
  VariantValue value_;
};

// Calls a notification with no stale error information around it.
template <typename Call>
void notify(const wchar_t* notification, Call&& call) {
  SetErrorInfo(0, nullptr);
  const HRESULT result = call();
  if (FAILED(result)) throw notificationError(result, notification);
}

ComPtr<Extensibility2> extensibilityOf(const ComPtr<IUnknown>& object, const std::wstring& name) {
  ComPtr<Extensibility2> addIn;
  const HRESULT result = object ? object->QueryInterface(kIidExtensibility2, addIn.putVoid()) : E_POINTER;
  if (FAILED(result) || !addIn) {
    throw ComError(static_cast<std::int32_t>(FAILED(result) ? result : E_NOINTERFACE),
                   name + L" does not implement _IDTExtensibility2");
  }
  return addIn;
}

}  // namespace

ComAddInClient::ComAddInClient(const std::wstring& progId, DispatchBridge& bridge) : bridge_(bridge) {
  CLSID clsid{};
  HRESULT result = CLSIDFromProgID(progId.c_str(), &clsid);
  if (FAILED(result)) throw ComError(static_cast<std::int32_t>(result), L"CLSIDFromProgID failed for " + progId);
  ComPtr<IUnknown> object;
  result = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, object.putVoid());
  if (FAILED(result)) throw ComError(static_cast<std::int32_t>(result), L"CoCreateInstance failed for " + progId);
  addIn_ = extensibilityOf(object, progId);
}

ComAddInClient::ComAddInClient(const ComPtr<IUnknown>& object, const std::wstring& name, DispatchBridge& bridge)
    : bridge_(bridge), addIn_(extensibilityOf(object, name)) {}

Extensibility2& ComAddInClient::require() const {
  if (!addIn_) throw ComError::automation(automation::errors::kObjectNotSet, L"The add-in was released");
  return *addIn_.get();
}

void ComAddInClient::OnConnection(automation::Object application, std::int32_t connectMode,
                                  automation::Object addInInst, Variant& custom) {
  Extensibility2& addIn = require();
  const auto app = ComPtr<IDispatch>::adopt(bridge_.bridge(application));
  const auto instance = ComPtr<IDispatch>::adopt(bridge_.bridge(addInInst));
  CustomArray array(bridge_, custom);
  notify(L"OnConnection",
         [&] { return addIn.OnConnection(app.get(), static_cast<int>(connectMode), instance.get(), array.get()); });
}

sim::RibbonExtensibility* ComAddInClient::queryRibbonExtensibility() {
  ++ribbonQueries_;
  ribbon_.reset();
  ComPtr<RibbonExtensibilityVtable> ribbon;
  ComPtr<IDispatch> dispatch;
  Extensibility2& addIn = require();
  if (FAILED(addIn.QueryInterface(kIidRibbonExtensibility, ribbon.putVoid())) || !ribbon) return nullptr;
  if (FAILED(addIn.QueryInterface(IID_IDispatch, dispatch.putVoid())) || !dispatch) return nullptr;
  ribbon_ = std::make_unique<ComRibbonClient>(std::move(ribbon), std::move(dispatch), bridge_);
  return ribbon_.get();
}

void ComAddInClient::OnDisconnection(std::int32_t removeMode, Variant& custom) {
  CustomArray array(bridge_, custom);
  notify(L"OnDisconnection", [&] { return require().OnDisconnection(static_cast<int>(removeMode), array.get()); });
}

void ComAddInClient::OnAddInsUpdate(Variant& custom) {
  CustomArray array(bridge_, custom);
  notify(L"OnAddInsUpdate", [&] { return require().OnAddInsUpdate(array.get()); });
}

void ComAddInClient::OnStartupComplete(Variant& custom) {
  CustomArray array(bridge_, custom);
  notify(L"OnStartupComplete", [&] { return require().OnStartupComplete(array.get()); });
}

void ComAddInClient::OnBeginShutdown(Variant& custom) {
  CustomArray array(bridge_, custom);
  notify(L"OnBeginShutdown", [&] { return require().OnBeginShutdown(array.get()); });
}

}  // namespace wine_host

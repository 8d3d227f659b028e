// Connect as a COM class: the object Office creates from the add-in's registration. Office
// connects it through _IDTExtensibility2, whose connection and disconnection go to its one
// ClassAddIn and whose other notifications are answered with S_OK. Office 2007 and later also ask
// it for IRibbonExtensibility, and call the ribbon's callbacks by name through its own interface,
// served by the standard dispatcher from the type library like every class of the module.

#include "LockfolioAddIn_h.h"
#include "addin/connect.h"
#include "automation/win32/dispatch_object.h"
#include "com/add_in_servers.h"
#include "com/bstr.h"
#include "com/dispatch_server.h"
#include "com/ribbon_face.h"
#include "extensibility_h.h"
#include "ribbon/lockfolio_ribbon.h"

namespace com {

namespace {

using automation::Variant;
using automation::win32::fromDispatch;
using automation::win32::toDispatch;

class ConnectServer;

// The _IDTExtensibility2 face of a Connect object; it shares the object's identity and count.
class ExtensibilityFace final : public _IDTExtensibility2 {
 public:
  explicit ExtensibilityFace(ConnectServer& owner) : owner_(owner) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // Office calls the interface through its vtable; for late-bound callers the five members are
  // served by name as well.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info) *info = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* exception, UINT* argumentError) override;

  HRESULT STDMETHODCALLTYPE OnConnection(IDispatch* Application, int ConnectMode, IDispatch* AddInInst,
                                         SAFEARRAY** custom) override;
  HRESULT STDMETHODCALLTYPE OnDisconnection(int RemoveMode, SAFEARRAY** custom) override;
  HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY**) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY**) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY**) override { return S_OK; }

 private:
  ConnectServer& owner_;
};

class ConnectServer final : public DispatchServer<_Connect> {
 public:
  ConnectServer()
      : DispatchServer(IID__Connect),
        connect_(modulePlatform(), moduleObjects()),
        face_(*this),
        ribbon_(connect_, modulePlatform(), moduleObjects()),
        ribbonFace_(*static_cast<_Connect*>(this), ribbon_) {}

  addin::Connect& connect() { return connect_; }

  // The ribbon's callbacks; each answers S_OK whatever happened inside.
  HRESULT STDMETHODCALLTYPE LockfolioRibbon_OnLoad(IDispatch* ribbon) override {
    return call([&] { ribbon_.OnLoad(fromDispatch(ribbon)); });
  }
  HRESULT STDMETHODCALLTYPE LockfolioRibbon_OnAction(IDispatch* control) override {
    return call([&] { ribbon_.OnAction(fromDispatch(control)); });
  }
  HRESULT STDMETHODCALLTYPE LockfolioRibbon_GetEnabled(IDispatch* control, VARIANT_BOOL* enabled) override {
    return call([&] { *required(enabled) = toVariantBool(ribbon_.GetEnabled(fromDispatch(control))); });
  }
  HRESULT STDMETHODCALLTYPE LockfolioRibbon_GetImage(IDispatch* control, IDispatch** image) override {
    return call([&] {
      IDispatch** out = required(image);
      *out = nullptr;
      *out = toDispatch(ribbon_.GetImage(fromDispatch(control)));
    });
  }

 protected:
  void* otherInterface(REFIID riid) override {
    if (IsEqualIID(riid, IID__IDTExtensibility2)) return static_cast<_IDTExtensibility2*>(&face_);
    if (IsEqualIID(riid, IID_IRibbonExtensibility)) return static_cast<IRibbonExtensibility*>(&ribbonFace_);
    return nullptr;
  }

 private:
  addin::Connect connect_;
  ExtensibilityFace face_;
  ribbon::LockfolioRibbon ribbon_;
  RibbonFace ribbonFace_;
};

HRESULT ExtensibilityFace::QueryInterface(REFIID riid, void** out) {
  return static_cast<_Connect&>(owner_).QueryInterface(riid, out);
}
ULONG ExtensibilityFace::AddRef() { return static_cast<_Connect&>(owner_).AddRef(); }
ULONG ExtensibilityFace::Release() { return static_cast<_Connect&>(owner_).Release(); }

HRESULT ExtensibilityFace::OnConnection(IDispatch* Application, int ConnectMode, IDispatch* AddInInst,
                                        SAFEARRAY** /*custom*/) {
  return comCall(IID__IDTExtensibility2, [&] {
    Variant custom;
    owner_.connect().AddinInstance_OnConnection(fromDispatch(Application), ConnectMode, fromDispatch(AddInInst), custom);
  });
}

HRESULT ExtensibilityFace::OnDisconnection(int RemoveMode, SAFEARRAY** /*custom*/) {
  return comCall(IID__IDTExtensibility2, [&] {
    Variant custom;
    owner_.connect().AddinInstance_OnDisconnection(RemoveMode, custom);
  });
}

HRESULT ExtensibilityFace::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  static const wchar_t* const kMembers[] = {L"OnConnection", L"OnDisconnection", L"OnAddInsUpdate",
                                             L"OnStartupComplete", L"OnBeginShutdown"};
  if (const HRESULT invalid = checkNames(names, count, ids); FAILED(invalid)) return invalid;
  HRESULT result = S_OK;
  for (UINT i = 0; i < count; ++i) {
    ids[i] = DISPID_UNKNOWN;
    for (DISPID id = 0; id < 5; ++id) {
      if (i == 0 && _wcsicmp(names[i], kMembers[id]) == 0) ids[i] = id + 1;
    }
    if (ids[i] == DISPID_UNKNOWN) result = DISP_E_UNKNOWNNAME;
  }
  return result;
}

HRESULT ExtensibilityFace::Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                  EXCEPINFO* exception, UINT* argumentError) {
  if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
  if (const HRESULT invalid = checkParameters(params, argumentError); FAILED(invalid)) return invalid;
  if (result) VariantInit(result);
  if (params->cNamedArgs) return DISP_E_NONAMEDARGS;
  const UINT count = params->cArgs;
  // Arguments arrive reversed; objects and numbers may come by reference from script callers.
  const auto argument = [&](UINT position, VARTYPE type, VARIANT& out) -> HRESULT {
    VariantInit(&out);
    if (position >= count) return DISP_E_BADPARAMCOUNT;
    const VARIANT& given = params->rgvarg[count - 1 - position];
    if ((heldType(given) & VT_ARRAY) != 0 || (type != VT_DISPATCH && holdsObject(given))) {
      if (argumentError) *argumentError = count - 1 - position;
      return DISP_E_TYPEMISMATCH;
    }
    const HRESULT copied = VariantCopyInd(&out, &params->rgvarg[count - 1 - position]);
    if (FAILED(copied)) return copied;
    const HRESULT changed = VariantChangeType(&out, &out, 0, type);
    if (FAILED(changed) && argumentError) *argumentError = count - 1 - position;
    return changed;
  };
  HRESULT outcome = S_OK;
  // Cleared whichever of them an earlier failure left unconverted.
  VARIANT first, second, third;
  VariantInit(&first);
  VariantInit(&second);
  VariantInit(&third);
  switch (member) {
    case 1:
      if (SUCCEEDED(outcome = argument(0, VT_DISPATCH, first)) && SUCCEEDED(outcome = argument(1, VT_I4, second)) &&
          SUCCEEDED(outcome = argument(2, VT_DISPATCH, third))) {
        outcome = OnConnection(first.pdispVal, static_cast<int>(second.lVal), third.pdispVal, nullptr);
      }
      VariantClear(&first);
      VariantClear(&second);
      VariantClear(&third);
      break;
    case 2:
      if (SUCCEEDED(outcome = argument(0, VT_I4, first))) outcome = OnDisconnection(static_cast<int>(first.lVal), nullptr);
      VariantClear(&first);
      break;
    case 3:
    case 4:
    case 5:
      return S_OK;
    default:
      return DISP_E_MEMBERNOTFOUND;
  }
  if (FAILED(outcome) && exception && outcome != DISP_E_BADPARAMCOUNT && outcome != DISP_E_TYPEMISMATCH) {
    // The thread's error information holds the description the failed call recorded.
    memset(exception, 0, sizeof(EXCEPINFO));
    exception->scode = outcome;
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) == S_OK && info) {
      info->GetSource(&exception->bstrSource);
      info->GetDescription(&exception->bstrDescription);
      info->Release();
    }
    return DISP_E_EXCEPTION;
  }
  return outcome;
}

}  // namespace

IUnknown* createConnect() { return static_cast<_Connect*>(new ConnectServer()); }

}  // namespace com

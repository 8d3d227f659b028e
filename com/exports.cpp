// The module's four exports.

#include <windows.h>
#include <ole2.h>

#include "automation/win32/event_sink.h"
#include "com/class_factory.h"
#include "com/error_info.h"
#include "com/module.h"
#include "com/registration.h"

extern "C" {

HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID classId, REFIID riid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  IClassFactory* factory = nullptr;
  const HRESULT made = com::comCall(IID_IClassFactory, [&] { factory = com::classFactoryFor(classId); });
  if (FAILED(made)) return made;
  if (!factory) return CLASS_E_CLASSNOTAVAILABLE;
  const HRESULT result = factory->QueryInterface(riid, out);
  factory->Release();
  return result;
}

HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  // A host that refused to end a subscription may accept now, and so let the module go.
  automation::win32::retryFailedUnadvises();
  return com::canUnload() ? S_OK : S_FALSE;
}

HRESULT STDAPICALLTYPE DllRegisterServer() {
  HRESULT result = E_FAIL;
  com::comCall(IID_IUnknown, [&] { result = com::registerServer(); });
  return result;
}

HRESULT STDAPICALLTYPE DllUnregisterServer() {
  HRESULT result = E_FAIL;
  com::comCall(IID_IUnknown, [&] { result = com::unregisterServer(); });
  return result;
}

}  // extern "C"

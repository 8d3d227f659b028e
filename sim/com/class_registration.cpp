#include "sim/com/class_registration.h"

#include "automation/com_error.h"
#include "automation/dispatch.h"
#include "automation/win32/com_ptr.h"
#include "sim/com/com_object.h"

namespace wine_host {

using automation::ComError;
using automation::win32::ComPtr;

class HostClassFactory final : public ComObject<IClassFactory> {
 public:
  HostClassFactory(DispatchBridge& bridge, ClassRegistration::Create create)
      : ComObject({IID_IClassFactory}), bridge_(bridge), create_(std::move(create)) {}

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    try {
      const auto object = ComPtr<IDispatch>::adopt(bridge_.bridge(create_()));
      if (!object) return E_UNEXPECTED;
      const HRESULT result = object->QueryInterface(iid, out);
      if (SUCCEEDED(result)) ++created_;
      return result;
    } catch (const ComError& error) {
      return error.number() < 0 ? static_cast<HRESULT>(error.number()) : E_FAIL;
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    } catch (...) {
      return E_UNEXPECTED;
    }
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

  int created() const { return created_; }

 private:
  DispatchBridge& bridge_;
  ClassRegistration::Create create_;
  int created_ = 0;
};

namespace {

std::wstring textOf(const CLSID& clsid) {
  wchar_t text[40] = {};
  if (StringFromGUID2(clsid, text, 40) == 0) throw ComError(static_cast<std::int32_t>(E_UNEXPECTED), L"Bad CLSID");
  return text;
}

void setDefaultValue(const std::wstring& key, const std::wstring& value) {
  HKEY handle = nullptr;
  LONG status =
      RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle, nullptr);
  if (status == ERROR_SUCCESS) {
    status = RegSetValueExW(handle, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(handle);
  }
  if (status != ERROR_SUCCESS) {
    throw ComError(static_cast<std::int32_t>(HRESULT_FROM_WIN32(static_cast<DWORD>(status))),
                   L"Cannot write HKEY_CLASSES_ROOT\\" + key);
  }
}

}  // namespace

ClassObjectRegistration::ClassObjectRegistration(std::wstring progId, const CLSID& clsid, IClassFactory* factory)
    : progId_(std::move(progId)), clsidText_(textOf(clsid)) {
  try {
    setDefaultValue(progId_ + L"\\CLSID", clsidText_);
    setDefaultValue(L"CLSID\\" + clsidText_ + L"\\ProgID", progId_);
    const HRESULT result = CoRegisterClassObject(clsid, factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie_);
    if (FAILED(result)) throw ComError(static_cast<std::int32_t>(result), L"CoRegisterClassObject failed for " + progId_);
  } catch (...) {
    removeKeys();
    throw;
  }
}

ClassObjectRegistration::~ClassObjectRegistration() {
  CoRevokeClassObject(cookie_);
  removeKeys();
}

void ClassObjectRegistration::removeKeys() const {
  RegDeleteTreeW(HKEY_CLASSES_ROOT, progId_.c_str());
  RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"CLSID\\" + clsidText_).c_str());
}

ClassRegistration::ClassRegistration(std::wstring progId, const CLSID& clsid, DispatchBridge& bridge, Create create)
    : factory_(ComPtr<HostClassFactory>::adopt(new HostClassFactory(bridge, std::move(create)))),
      registration_(std::move(progId), clsid, factory_.get()) {}

// Out of line, where HostClassFactory is complete.
ClassRegistration::~ClassRegistration() = default;

int ClassRegistration::created() const { return factory_->created(); }

}  // namespace wine_host

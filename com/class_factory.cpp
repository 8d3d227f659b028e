#include "com/class_factory.h"

#include <atomic>

#include "LockfolioAddIn_h.h"
#include "com/add_in_servers.h"
#include "com/error_info.h"
#include "com/module.h"
#include "com/support_servers.h"

namespace com {

namespace {

class ClassFactory final : public IClassFactory {
 public:
  explicit ClassFactory(Creator creator) : creator_(creator) { objectCreated(); }
  ~ClassFactory() { objectDestroyed(); }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory)) return E_NOINTERFACE;
    *out = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const long left = --references_;
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    IUnknown* object = nullptr;
    const HRESULT made = comCall(IID_IClassFactory, [&] { object = creator_(); });
    if (FAILED(made)) return made;
    if (!object) return E_OUTOFMEMORY;
    const HRESULT result = object->QueryInterface(riid, out);
    object->Release();
    return result;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    lockServer(lock != FALSE);
    return S_OK;
  }

 private:
  Creator creator_;
  std::atomic<long> references_{1};
};

}  // namespace

IClassFactory* classFactoryFor(REFCLSID classId) {
  struct Entry {
    const CLSID* classId;
    Creator creator;
  };
  static const Entry kClasses[] = {
      {&CLSID_Connect, createConnect},
      {&CLSID_ClassAddIn, createClassAddIn},
      {&CLSID_clsResStr, createResStr},
      {&CLSID_Restrictions, createRestrictions},
      {&CLSID_clsSessionFolder, createSessionFolder},
  };
  for (const Entry& entry : kClasses) {
    if (IsEqualCLSID(classId, *entry.classId)) return new ClassFactory(entry.creator);
  }
  return nullptr;
}

}  // namespace com

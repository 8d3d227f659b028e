#pragma once
// The IUnknown part of the COM objects a host serves itself through one interface (class
// factories, connection points, do-nothing add-ins and event sinks): a reference count, and
// QueryInterface answering IUnknown and the interfaces it is given, all through that interface.

#include <windows.h>

#include <ole2.h>

#include <initializer_list>
#include <utility>
#include <vector>

namespace wine_host {

template <class Interface>
class ComObject : public Interface {
 public:
  // The IIDs besides IUnknown that QueryInterface answers with this object.
  explicit ComObject(std::initializer_list<IID> interfaces) : interfaces_(interfaces) {}
  explicit ComObject(std::vector<IID> interfaces) : interfaces_(std::move(interfaces)) {}
  virtual ~ComObject() = default;
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    bool answered = IsEqualIID(iid, IID_IUnknown);
    for (const IID& offered : interfaces_) answered = answered || IsEqualIID(iid, offered);
    if (!answered) return E_NOINTERFACE;
    *out = static_cast<Interface*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

 private:
  std::vector<IID> interfaces_;
  ULONG references_ = 1;
};

}  // namespace wine_host

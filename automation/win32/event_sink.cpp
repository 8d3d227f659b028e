#include "automation/win32/event_sink.h"

#include "automation/win32/module_lifetime.h"

#include <ocidl.h>
#include <olectl.h>

#include <memory>
#include <new>
#include <string>
#include <vector>

#include "automation/win32/com_errors.h"
#include "automation/win32/com_ptr.h"
#include "automation/win32/dispatch_object.h"
#include "automation/win32/variant_conversion.h"

namespace automation::win32 {

EventSink::EventSink(const EventsInterface& events, EventHandler handler, LCID locale) noexcept
    : events_(events), handler_(std::move(handler)), locale_(locale) {
  notifyObjectCreated();
}

void EventSink::detach() noexcept { handler_ = EventHandler(); }

HRESULT STDMETHODCALLTYPE EventSink::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, events_.iid)) {
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

EventSink::~EventSink() { notifyObjectDestroyed(); }

ULONG STDMETHODCALLTYPE EventSink::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&references_)); }

ULONG STDMETHODCALLTYPE EventSink::Release() {
  const LONG remaining = InterlockedDecrement(&references_);
  if (remaining == 0) delete this;
  return static_cast<ULONG>(remaining);
}

HRESULT STDMETHODCALLTYPE EventSink::GetTypeInfoCount(UINT* count) {
  if (count == nullptr) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE EventSink::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info != nullptr) *info = nullptr;
  return DISP_E_BADINDEX;
}

HRESULT STDMETHODCALLTYPE EventSink::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* dispids) {
  if (count == 0) return S_OK;
  if (names == nullptr || dispids == nullptr) return E_POINTER;
  HRESULT hr = S_OK;
  for (UINT i = 0; i < count; ++i) {
    // Only the event names are known; events take no named arguments.
    dispids[i] = i == 0 && names[0] != nullptr ? events_.dispidOf(names[0]) : DISPID_UNKNOWN;
    if (dispids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
  }
  return hr;
}

HRESULT STDMETHODCALLTYPE EventSink::Invoke(DISPID dispid, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                            EXCEPINFO* exception, UINT* argumentError) {
  const wchar_t* event = events_.nameOf(dispid);
  if (event == nullptr || !handler_) return S_OK;
  const UINT count = params != nullptr ? params->cArgs : 0;
  if (params != nullptr && params->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
  if (count != 0 && params->rgvarg == nullptr) return E_INVALIDARG;

  // Kept alive and kept callable while the handler runs, even if it ends this very connection.
  const ComPtr<EventSink> self = ComPtr<EventSink>::retain(this);
  try {
    const EventHandler handler = handler_;
    std::vector<Variant> referents(count);  // by argument position; never resized
    std::vector<Variant> received(count);
    std::vector<bool> byRef(count, false);
    std::vector<Arg> args;
    args.reserve(count);
    for (UINT position = 0; position < count; ++position) {
      // The source passes the arguments from last to first.
      const UINT index = count - 1 - position;
      const VARIANT& source = params->rgvarg[index];
      try {
        if (isMissingArgument(source)) {
          args.push_back(Arg::missing());
        } else if ((source.vt & VT_BYREF) != 0) {
          received[position] = inLocale(fromVariant(source), locale_);
          referents[position] = received[position];
          byRef[position] = true;
          args.push_back(Arg::byRef(referents[position]));
        } else {
          args.emplace_back(inLocale(fromVariant(source), locale_));
        }
      } catch (const ComError&) {
        if (argumentError != nullptr) *argumentError = index;
        return DISP_E_TYPEMISMATCH;
      }
    }

    // What the handler set reaches the source also when it then fails: a handler may clear
    // Cancel and fail afterwards, and the source must see both.
    const auto writeBack = [&] {
      for (UINT position = 0; position < count; ++position) {
        const VARIANT& source = params->rgvarg[count - 1 - position];
        // Values the handler left alone are not written: a round trip through Variant could narrow
        // them (a DECIMAL, a currency).
        if (byRef[position] && referents[position] != received[position]) {
          storeThroughReference(source, referents[position]);
        }
      }
    };
    try {
      handler(event, args);
    } catch (...) {
      try {
        writeBack();
      } catch (const ComError&) {
        // The handler's own failure is what the source hears about.
      }
      throw;
    }
    writeBack();
    return S_OK;
  } catch (const ComError& error) {
    return reportToCaller(error, exception);
  } catch (...) {
    return E_FAIL;
  }
}

namespace {

// A subscription whose Unadvise failed (a busy host, a call rejected): the source may still hold
// the sink, and with it the module. Its connection point is kept until an Unadvise goes through,
// tried again on the thread that advised it.
struct FailedUnadvise {
  ComPtr<IConnectionPoint> point;
  DWORD cookie;
  DWORD thread;
};

// Locks the list only (never across a call out): DllCanUnloadNow may come on any thread.
SRWLOCK g_failedLock = SRWLOCK_INIT;
struct FailedListLock {
  FailedListLock() { AcquireSRWLockExclusive(&g_failedLock); }
  ~FailedListLock() { ReleaseSRWLockExclusive(&g_failedLock); }
  FailedListLock(const FailedListLock&) = delete;
  FailedListLock& operator=(const FailedListLock&) = delete;
};
// Never destroyed: at process exit its references may point into hosts that are gone.
std::vector<FailedUnadvise>& failedUnadvises() {
  static auto* failed = new std::vector<FailedUnadvise>;
  return *failed;
}

// Whether an Unadvise that failed so has nothing left to end: the source no longer knows the
// subscription, or it is out of reach and COM drops its remote references itself.
bool nothingLeftToEnd(HRESULT hr) {
  return hr == CONNECT_E_NOCONNECTION || hr == RPC_E_DISCONNECTED || hr == HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE) ||
         hr == CO_E_OBJNOTCONNECTED;
}

void unadvise(FailedUnadvise advice) noexcept {
  const HRESULT hr = advice.point->Unadvise(advice.cookie);
  if (SUCCEEDED(hr) || nothingLeftToEnd(hr)) return;
  try {
    const FailedListLock lock;
    failedUnadvises().push_back(std::move(advice));
  } catch (const std::bad_alloc&) {
    // Not kept: the source keeps the sink as before.
  }
}

}  // namespace

void retryFailedUnadvises() noexcept {
  std::vector<FailedUnadvise> retrying;
  const DWORD thread = GetCurrentThreadId();
  try {
    // Taken out before the calls: an Unadvise may call back into the module.
    const FailedListLock lock;
    auto& failed = failedUnadvises();
    for (auto it = failed.begin(); it != failed.end();) {
      if (it->thread == thread) {
        retrying.push_back(std::move(*it));
        it = failed.erase(it);
      } else {
        ++it;
      }
    }
  } catch (const std::bad_alloc&) {
    // What was taken out is tried; the rest waits for the next time.
  }
  for (auto& advice : retrying) unadvise(std::move(advice));
}

Connection connectEvents(IDispatch& source, std::wstring_view eventsInterface, EventHandler handler, LCID locale) {
  retryFailedUnadvises();
  const EventsInterface* events = findEventsInterface(eventsInterface);
  if (events == nullptr) {
    throw ComError(dispatch_errors::kNoConnection,
                   L"No events interface is known by the name " + std::wstring(eventsInterface));
  }
  ComPtr<IConnectionPointContainer> container;
  if (FAILED(source.QueryInterface(IID_IConnectionPointContainer, container.putVoid())) || !container) {
    throw ComError(dispatch_errors::kNoConnection, L"The object raises no events (" + std::wstring(eventsInterface) + L")");
  }
  ComPtr<IConnectionPoint> point;
  HRESULT hr = container->FindConnectionPoint(events->iid, point.put());
  if (FAILED(hr) || !point) throw errorFromHresult(FAILED(hr) ? hr : CONNECT_E_NOCONNECTION, eventsInterface);

  // Everything the disconnection needs exists before the advice, so that nothing can fail between
  // a successful Advise and the Connection that undoes it.
  struct Advice {
    ComPtr<IConnectionPoint> point;
    ComPtr<EventSink> sink;
    DWORD cookie = 0;
    bool advised = false;
  };
  auto advice = std::make_shared<Advice>();
  advice->point = point;
  advice->sink = ComPtr<EventSink>::adopt(new EventSink(*events, std::move(handler), locale));
  std::function<void()> disconnect = [advice] {
    if (!advice->advised) return;
    advice->advised = false;
    // The sink goes inert first (a source may still hold it), and our reference goes before the
    // Unadvise, whose release is then the sink's last. A failed Unadvise is tried again later
    // rather than forgotten: a source that keeps the sink keeps the module loaded.
    advice->sink->detach();
    advice->sink.reset();
    unadvise(FailedUnadvise{std::move(advice->point), advice->cookie, GetCurrentThreadId()});
  };
  hr = advice->point->Advise(advice->sink.get(), &advice->cookie);
  if (FAILED(hr)) throw errorFromHresult(hr, eventsInterface);
  advice->advised = true;
  return Connection(std::move(disconnect));
}

}  // namespace automation::win32

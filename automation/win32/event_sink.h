#pragma once
// Receives the events of an Office object through a connection point and hands them, by name,
// to an EventHandler. Windows only: it includes the COM headers.

#include <objbase.h>
#include <oaidl.h>

#include <string_view>

#include "automation/dispatch.h"
#include "automation/win32/interface_names.h"

namespace automation::win32 {

// The sink object: IDispatch, answering QueryInterface for IUnknown, IDispatch and the events IID.
// Its Invoke names the event by its DISPID (unknown DISPIDs are received and ignored), passes the
// arguments in the order the event declares them (objects calling with the source's locale,
// by-reference ones writable, their new values stored back with the type the source gave them,
// also when the handler fails after setting them) and reports a handler's ComError to the source
// as a failure described in EXCEPINFO, any other exception as E_FAIL.
class EventSink final : public IDispatch {
 public:
  EventSink(const EventsInterface& events, EventHandler handler, LCID locale) noexcept;
  EventSink(const EventSink&) = delete;
  EventSink& operator=(const EventSink&) = delete;

  // Ends the deliveries: a source that still fires reaches no handler.
  void detach() noexcept;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                          DISPID* dispids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override;

 private:
  ~EventSink();  // through Release only

  LONG references_ = 1;
  const EventsInterface& events_;
  EventHandler handler_;
  LCID locale_;
};

// Advises a new sink at `source`'s connection point for the events interface of that name.
// The connection unadvises it when it ends. Objects the events bring call with `locale`. Raises
// ComError when the name is unknown, the object raises no such events, or the advice fails.
Connection connectEvents(IDispatch& source, std::wstring_view eventsInterface, EventHandler handler,
                         LCID locale = LOCALE_USER_DEFAULT);

// Tries again, on this thread, the Unadvise calls that failed here (a host busy or rejecting the
// call when the connection ended). Each new connection does so first, and so does the module
// before it answers whether it can unload.
void retryFailedUnadvises() noexcept;

}  // namespace automation::win32

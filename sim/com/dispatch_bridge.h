#pragma once
// Shows automation objects (the simulator's) to COM clients through real COM: each object becomes
// a COM object implementing IDispatch, with connection points for its events. What comes back in
// through those interfaces is turned into automation values again: one of our bridges into the
// object it shows, any other IDispatch into an object whose calls go to that IDispatch.

#include <windows.h>

#include <oaidl.h>
#include <ole2.h>

#include <cstddef>
#include <memory>
#include <string>

#include "automation/dispatch.h"
#include "sim/com/bridge_faults.h"

namespace wine_host {

class BridgeRegistry;

class DispatchBridge {
 public:
  // `errorSource` is what EXCEPINFO::bstrSource says when a bridged member fails.
  explicit DispatchBridge(std::wstring errorSource);
  // Ends every event connection still advised, releasing the sinks. Bridges that clients still
  // hold keep working.
  ~DispatchBridge();
  DispatchBridge(const DispatchBridge&) = delete;
  DispatchBridge& operator=(const DispatchBridge&) = delete;

  // The object as a COM object: a new reference that the caller releases; null for Nothing. While
  // a reference to it lives, the same underlying object gives the same COM object. An object that
  // stands for an incoming IDispatch gives that IDispatch back.
  //
  // An object with a signature (sim/signatures) is served through its interface of the simulated
  // Office's type library: QueryInterface answers that IID, and GetIDsOfNames and Invoke are the
  // type library's, so that oleaut32's standard dispatcher checks every call as Office's dual
  // interfaces do and the vtable hands it to the object. Names the type library does not know go
  // on as below for an interface whose object resolves names at run time (Word's dialogs).
  //
  // What the COM object of any other object does:
  // - GetIDsOfNames: every name gets a DISPID, the same for the same name (without regard to
  //   case) on every object; L"" is DISPID_VALUE. The names after the first (named arguments) get
  //   DISPIDs of their own from which Invoke passes them on as Arg::named.
  // - Invoke: DISPPARAMS become Args in call order (rgvarg is reversed); VT_ERROR
  //   DISP_E_PARAMNOTFOUND is an omitted argument; a VT_BYREF argument is passed by reference and
  //   what the callee left is written back into the caller's variable, in the caller's type. The
  //   new value of a put is the last argument. Objects in results are bridged in turn. A ComError
  //   becomes DISP_E_EXCEPTION with EXCEPINFO (scode: the number when negative, else
  //   0x800A0000 | number).
  // - QueryInterface answers a host's typed application interface (Word, Excel or PowerPoint
  //   _Application) with its IDispatch when the object implements that host's interface and no
  //   other host's.
  // - IConnectionPointContainer::FindConnectionPoint: for the events IIDs of Office whose events
  //   the object raises. Advise wants a sink that answers QueryInterface for that IID; each event
  //   then calls the sink's Invoke with the event's DISPID, by-reference Booleans (Cancel,
  //   CancelDefault, SaveAsUI) as VT_BYREF | VT_BOOL, and a failed call becomes a ComError raised
  //   into the simulator. Unadvise ends the subscription and releases the sink.
  IDispatch* bridge(const automation::Object& object);
  // The reverse: a bridge gives the object it shows, a bitmap picture (IPicture) a sim::Picture
  // of its pixels as a 24-bit DIB (which goes back out as that picture), any other IDispatch an object whose calls go to that
  // IDispatch, null gives Nothing.
  automation::Object unwrap(IDispatch* dispatch);

  // The conversions the bridge makes. fromVariant raises ComError for what has no Variant form;
  // `out` of toVariant must hold nothing and receives a value the caller owns.
  automation::Variant fromVariant(const VARIANT& value);
  void toVariant(const automation::Variant& value, VARIANT& out);

  // Plays an English Excel under other regional settings, without their language pack: Excel's
  // objects refuse every locale but 1033 and LOCALE_NEUTRAL with 0x80028018 ("Old format or
  // invalid type library"), in GetIDsOfNames and Invoke alike.
  void setEnglishExcel(bool english);

  // For leak checks: the bridges alive now, and the event subscriptions advised and not ended.
  std::size_t liveBridges() const;
  std::size_t advisedConnections() const;
  // Ends every subscription, as when the host goes away.
  void disconnectAll();
  // The failures injected into the calls clients make: every Invoke and GetIDsOfNames of every
  // bridge (typed or not), and every Advise and Unadvise. An Unadvise failing because the server is
  // gone ends the subscription all the same, as COM drops what a dead server held.
  BridgeFaults& faults();

 private:
  std::shared_ptr<BridgeRegistry> registry_;
};

}  // namespace wine_host

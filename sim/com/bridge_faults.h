#pragma once
// Failures injected into the calls a client makes through the dispatch bridges, as real Office
// and out-of-process servers fail them: a busy Excel, a call rejected or to be retried later, a
// server gone, a member the host refuses. The calls of a road are counted first; then the road runs
// again with call k failing, either once (a transient failure) or from k on (the object is gone).

#include <windows.h>

#include <oaidl.h>

#include <cstddef>

namespace wine_host {

// The bridge's entry points that fail.
enum class BridgeCall { Invoke, GetIDsOfNames, Advise, Unadvise };

// Whether a call failing so says that the server is gone: COM then drops what it held of the
// caller's (event sinks), as it does for a server process that died.
bool serverGone(HRESULT failure);

class BridgeFaults {
 public:
  // Counts from zero again; call `at` (1-based) fails, and with `gone` every call after it too.
  // `at` 0 fails nothing.
  void arm(std::size_t at, bool gone);
  void disarm() { arm(0, false); }

  // Counts the call; S_OK lets it through, else the HRESULT it returns (with EXCEPINFO filled
  // where the host describes its refusal there).
  HRESULT enter(BridgeCall call, EXCEPINFO* exception);

  std::size_t calls() const { return calls_; }
  std::size_t injected() const { return injected_; }

 private:
  std::size_t calls_ = 0;
  std::size_t at_ = 0;
  bool gone_ = false;
  std::size_t injected_ = 0;
};

}  // namespace wine_host

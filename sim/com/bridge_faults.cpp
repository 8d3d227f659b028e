#include "sim/com/bridge_faults.h"

namespace wine_host {

namespace {

constexpr HRESULT kExcelBusy = static_cast<HRESULT>(0x800AC472);
constexpr HRESULT kExcelMethodFailed = static_cast<HRESULT>(0x800A03EC);  // Excel's 1004
constexpr HRESULT kWordCommandFailed = static_cast<HRESULT>(0x800A1066);  // Word's 4198

// The codes each entry point fails with in real life, taken in turn by the call's number so that
// one enumeration meets all of them.
constexpr HRESULT kInvokeCodes[] = {kExcelBusy,         RPC_E_CALL_REJECTED, RPC_E_SERVERCALL_RETRYLATER,
                                    RPC_E_DISCONNECTED, kExcelMethodFailed,  static_cast<HRESULT>(0x800706BA),
                                    kWordCommandFailed};
// Name look-ups and connections only return their failure.
constexpr HRESULT kPlainCodes[] = {RPC_E_CALL_REJECTED, RPC_E_DISCONNECTED, kExcelBusy,
                                   static_cast<HRESULT>(0x800706BA), RPC_E_SERVERCALL_RETRYLATER};

template <std::size_t N>
HRESULT pick(const HRESULT (&codes)[N], std::size_t number) {
  return codes[number % N];
}

}  // namespace

bool serverGone(HRESULT failure) {
  return failure == RPC_E_DISCONNECTED || failure == static_cast<HRESULT>(0x800706BA);
}

void BridgeFaults::arm(std::size_t at, bool gone) {
  calls_ = 0;
  at_ = at;
  gone_ = gone;
  injected_ = 0;
}

HRESULT BridgeFaults::enter(BridgeCall call, EXCEPINFO* exception) {
  const std::size_t number = ++calls_;
  if (at_ == 0 || number < at_ || (number > at_ && !gone_)) return S_OK;
  ++injected_;
  if (call != BridgeCall::Invoke) return pick(kPlainCodes, at_);
  const HRESULT code = pick(kInvokeCodes, at_);
  // A host that refuses a member says so in EXCEPINFO; a busy or unreachable one only returns.
  if ((code == kExcelMethodFailed || code == kWordCommandFailed) && exception) {
    ZeroMemory(exception, sizeof *exception);
    exception->scode = code;
    exception->bstrDescription = SysAllocString(L"The host refused the call.");
    return DISP_E_EXCEPTION;
  }
  return code;
}

}  // namespace wine_host

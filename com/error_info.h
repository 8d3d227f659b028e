#pragma once
// How failures leave the module: every COM entry point runs its body through `comCall`, which
// catches everything, records the description as the thread's error information (from which
// IDispatch fills EXCEPINFO) and returns an HRESULT. No C++ exception crosses the boundary.

#include <windows.h>
#include <ole2.h>

#include <exception>
#include <string>

#include "automation/com_error.h"

namespace com {

// The HRESULT of an error: host failures keep theirs; our own Automation numbers become 0x800A0000 | n.
HRESULT hresultOf(const automation::ComError& error);
// Records the current exception as the thread's error information and returns its HRESULT.
HRESULT reportCurrentException(REFIID interfaceId) noexcept;

template <typename Body>
HRESULT comCall(REFIID interfaceId, Body&& body) noexcept {
  try {
    body();
    return S_OK;
  } catch (...) {
    return reportCurrentException(interfaceId);
  }
}

}  // namespace com

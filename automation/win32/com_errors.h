#pragma once
// Failures between COM and the add-in's ComError, in both directions, with the numbers a Visual
// Basic caller sees: an HRESULT of FACILITY_CONTROL (0x800Annnn) is the Automation error nnnn,
// any other failure keeps its HRESULT.
// Windows only: it includes the OLE Automation headers.

#include <objbase.h>
#include <oleauto.h>

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

#include "automation/dispatch.h"

namespace automation::win32 {

// The error number of a failure HRESULT: 0x800A01AD gives 429, 0x80020003 stays as it is.
std::int32_t errorNumberOf(HRESULT hr);
// The HRESULT that carries an error number to a COM caller: negative numbers are HRESULTs
// already, 1 to 65535 become 0x800Annnn, anything else E_FAIL.
HRESULT hresultOf(std::int32_t number);

// A short text for an HRESULT: the usual text of the DISP_E_ codes, of the Automation numbers,
// the system's message otherwise.
std::wstring describeHresult(HRESULT hr);

// A failure without EXCEPINFO; `context` (a member name, a ProgID) is added in parentheses.
ComError errorFromHresult(HRESULT hr, std::wstring_view context = {});
// A failure that a callee described in an EXCEPINFO (DISP_E_EXCEPTION). Runs the deferred
// fill-in first; the strings stay with `info` (whose owner frees them).
ComError errorFromExcepInfo(EXCEPINFO& info);

// Describes `error` to a COM caller: the EXCEPINFO (when there is one) gets its number and
// description, and the result is the HRESULT to return (DISP_E_EXCEPTION when described).
HRESULT reportToCaller(const ComError& error, EXCEPINFO* info) noexcept;

// Runs `body`; any exception other than ComError leaves it as the ComError that currentError makes.
template <typename Body>
auto onlyComErrors(Body&& body) -> decltype(body()) {
  try {
    return body();
  } catch (const ComError&) {
    throw;
  } catch (...) {
    throw currentError(std::current_exception());
  }
}

}  // namespace automation::win32

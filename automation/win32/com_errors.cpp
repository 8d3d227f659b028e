#include "automation/win32/com_errors.h"

#include <windows.h>

#include <cstdio>

#include "automation/win32/com_holders.h"

namespace automation::win32 {
namespace {

// Visual Basic's text for an error number it has no text of its own for.
constexpr wchar_t kApplicationDefined[] = L"Application-defined or object-defined error";

bool isControlFailure(HRESULT hr) {
  return FAILED(hr) && HRESULT_FACILITY(hr) == FACILITY_CONTROL && HRESULT_CODE(hr) != 0;
}

// The texts Windows gives the dispatch failures; Wine's message tables do not all have them,
// and the same words on both keep messages (and tests) alike.
const wchar_t* dispatchFailureText(HRESULT hr) {
  switch (hr) {
    case DISP_E_UNKNOWNINTERFACE: return L"Unknown interface.";
    case DISP_E_MEMBERNOTFOUND: return L"Member not found.";
    case DISP_E_PARAMNOTFOUND: return L"Parameter not found.";
    case DISP_E_TYPEMISMATCH: return L"Type mismatch.";
    case DISP_E_UNKNOWNNAME: return L"Unknown name.";
    case DISP_E_NONAMEDARGS: return L"No named arguments.";
    case DISP_E_BADVARTYPE: return L"Bad variable type.";
    case DISP_E_EXCEPTION: return L"Exception occurred.";
    case DISP_E_OVERFLOW: return L"Out of present range.";
    case DISP_E_BADINDEX: return L"Invalid index.";
    case DISP_E_UNKNOWNLCID: return L"Unknown language.";
    case DISP_E_ARRAYISLOCKED: return L"Memory is locked.";
    case DISP_E_BADPARAMCOUNT: return L"Invalid number of parameters.";
    case DISP_E_PARAMNOTOPTIONAL: return L"Parameter not optional.";
    case DISP_E_BADCALLEE: return L"Invalid callee.";
    case DISP_E_NOTACOLLECTION: return L"Does not support a collection.";
    case DISP_E_DIVBYZERO: return L"Division by zero.";
    default: return nullptr;
  }
}

std::wstring systemMessage(HRESULT hr) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      static_cast<DWORD>(hr), 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
  std::wstring text;
  if (length != 0 && buffer != nullptr) text.assign(buffer, length);
  LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) text.pop_back();
  return text;
}

std::wstring hexCode(HRESULT hr) {
  wchar_t buffer[16];
  std::swprintf(buffer, sizeof buffer / sizeof buffer[0], L"0x%08lX", static_cast<unsigned long>(hr));
  return buffer;
}

// Every ComError must carry a failure: a callee that fails with a success code is still a failure.
HRESULT asFailure(HRESULT hr) { return FAILED(hr) ? hr : E_FAIL; }

}  // namespace

std::int32_t errorNumberOf(HRESULT hr) {
  if (isControlFailure(hr)) return HRESULT_CODE(hr);
  return static_cast<std::int32_t>(hr);
}

HRESULT hresultOf(std::int32_t number) {
  if (number < 0) return static_cast<HRESULT>(number);
  if (number > 0 && number <= 0xFFFF) {
    return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, static_cast<unsigned long>(number));
  }
  return E_FAIL;
}

std::wstring describeHresult(HRESULT hr) {
  if (const wchar_t* text = dispatchFailureText(hr)) return text;
  if (isControlFailure(hr)) {
    std::wstring text = platform::automationErrorDescription(HRESULT_CODE(hr));
    return text.empty() ? std::wstring(kApplicationDefined) : text;
  }
  std::wstring text = systemMessage(hr);
  return text.empty() ? L"Automation error " + hexCode(hr) : text;
}

ComError errorFromHresult(HRESULT hr, std::wstring_view context) {
  hr = asFailure(hr);
  std::wstring description = describeHresult(hr);
  if (!context.empty()) description += L" (" + std::wstring(context) + L")";
  return ComError(errorNumberOf(hr), std::move(description));
}

ComError errorFromExcepInfo(EXCEPINFO& info) {
  if (info.pfnDeferredFillIn != nullptr) {
    auto fillIn = info.pfnDeferredFillIn;
    info.pfnDeferredFillIn = nullptr;  // once only, whatever it answers
    fillIn(&info);
  }
  std::int32_t number = 0;
  if (info.wCode != 0) {
    number = info.wCode;
  } else {
    number = errorNumberOf(info.scode != 0 ? asFailure(info.scode) : DISP_E_EXCEPTION);
  }
  std::wstring description = Bstr::textOf(info.bstrDescription);
  if (description.empty()) {
    if (info.wCode != 0) {
      description = platform::automationErrorDescription(number);
      if (description.empty()) description = kApplicationDefined;
    } else {
      description = describeHresult(info.scode != 0 ? asFailure(info.scode) : DISP_E_EXCEPTION);
    }
  }
  return ComError(number, std::move(description));
}

HRESULT reportToCaller(const ComError& error, EXCEPINFO* info) noexcept {
  const HRESULT hr = hresultOf(error.number());
  if (info == nullptr) return hr;
  *info = EXCEPINFO();
  info->scode = hr;
  const std::wstring& description = error.description();
  // Without memory the caller still learns the number; the text is what it loses.
  info->bstrDescription = SysAllocStringLen(description.data(), static_cast<UINT>(description.size()));
  return DISP_E_EXCEPTION;
}

}  // namespace automation::win32

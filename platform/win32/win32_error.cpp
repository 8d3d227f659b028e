#include "platform/win32/win32_error.h"

#include <windows.h>

#include <cstdint>
#include <type_traits>

#include "platform/win32/win32_handles.h"

namespace platform::win32 {
namespace {

static_assert(std::is_same_v<DWORD, unsigned long>, "errorFromWin32 takes a DWORD");

std::int32_t automationNumberOf(DWORD code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
      return errors::kFileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
    case ERROR_INVALID_DRIVE:
      return errors::kPathNotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
      return errors::kPermissionDenied;
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS:
      return errors::kFileAlreadyExists;
    default:
      return 0;
  }
}

// The system's text for a message id (a Win32 code or an HRESULT) in the user's language,
// without its trailing line break; empty when the system has none.
std::wstring systemMessage(DWORD messageId) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, messageId, 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
  const UniqueLocalMemory owner(buffer);
  if (length == 0 || buffer == nullptr) return {};
  std::wstring text(buffer, length);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) {
    text.pop_back();
  }
  return text;
}

}  // namespace

ComError errorFromWin32(unsigned long code, const std::wstring& context) {
  if (const std::int32_t number = automationNumberOf(code); number != 0) {
    return ComError::automation(number);
  }
  // A failure reported with no code at all must still read as a failure, never as number 0.
  const HRESULT hr = code == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(code);
  // The plain Win32 code finds the text on every system; not every system lists the HRESULT form.
  std::wstring description = systemMessage(code == ERROR_SUCCESS ? static_cast<DWORD>(hr) : code);
  if (description.empty()) description = L"System error " + std::to_wstring(code);
  if (!context.empty()) description += L" (" + context + L")";
  return ComError(static_cast<std::int32_t>(hr), std::move(description));
}

}  // namespace platform::win32

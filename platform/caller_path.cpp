#include "platform/caller_path.h"

#include <algorithm>

#include "platform/com_error.h"
#include "platform/text.h"

namespace platform {
namespace {

bool isSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool startsWith(const std::wstring& text, const wchar_t* prefix) {
  const std::wstring head(prefix);
  return text.size() >= head.size() && equalsIgnoreCase(text.substr(0, head.size()), head);
}

// "X:\..." (a drive's path) at `at`.
bool drivePathAt(const std::wstring& path, std::size_t at) {
  return path.size() > at + 2 && ((path[at] | 0x20) >= L'a' && (path[at] | 0x20) <= L'z') && path[at + 1] == L':' && path[at + 2] == L'\\';
}

// A share's path "server\share\..." at `at` whose share is a pipe or mailslot namespace.
bool pipeShareAt(const std::wstring& path, std::size_t at) {
  const std::size_t server = path.find(L'\\', at);
  if (server == std::wstring::npos) return false;
  const std::size_t share = path.find(L'\\', server + 1);
  const std::wstring name = path.substr(server + 1, share == std::wstring::npos ? std::wstring::npos : share - server - 1);
  return equalsIgnoreCase(name, L"pipe") || equalsIgnoreCase(name, L"mailslot");
}

// The last name without its extension, stream and trailing blanks and dots: what Windows compares
// with its reserved device names.
bool reservedLastName(const std::wstring& path) {
  const std::size_t slash = path.find_last_of(L'\\');
  std::wstring name = path.substr(slash == std::wstring::npos ? 0 : slash + 1);
  if (slash == std::wstring::npos && name.size() >= 2 && name[1] == L':') name.erase(0, 2);  // "C:CON"
  name = name.substr(0, name.find_first_of(L".:"));
  while (!name.empty() && name.back() == L' ') name.pop_back();
  static const wchar_t* const kReserved[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$", L"CLOCK$"};
  for (const wchar_t* reserved : kReserved) {
    if (equalsIgnoreCase(name, reserved)) return true;
  }
  return name.size() == 4 && (startsWith(name, L"COM") || startsWith(name, L"LPT")) && name[3] >= L'1' &&
         name[3] <= L'9';
}

}  // namespace

std::wstring joinPath(const std::wstring& base, const std::wstring& name) {
  if (base.empty() || isSeparator(base.back())) return base + name;
  return base + L'\\' + name;
}

bool namesDevice(const std::wstring& given) {
  std::wstring path = given;
  std::replace(path.begin(), path.end(), L'/', L'\\');
  if (startsWith(path, L"\\??\\")) return true;
  if (startsWith(path, L"\\\\.\\") || startsWith(path, L"\\\\?\\")) {
    if (startsWith(path.substr(4), L"UNC\\")) return pipeShareAt(path, 8) || reservedLastName(path);
    return !drivePathAt(path, 4) || reservedLastName(path);
  }
  if (startsWith(path, L"\\\\")) return pipeShareAt(path, 2) || reservedLastName(path);
  return reservedLastName(path);
}

void refuseDevicePath(const std::wstring& path) {
  if (namesDevice(path)) throw ComError::automation(errors::kPathFileAccessError);
}

}  // namespace platform

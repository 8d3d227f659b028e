#include "platform/local_share.h"

#include "platform/com_error.h"
#include "platform/text.h"

namespace platform {
namespace {

bool isSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

struct UncParts {
  std::wstring server;
  std::wstring share;
  std::wstring rest;  // what follows the share, without its leading separator
};

std::optional<UncParts> splitUncPath(const std::wstring& path) {
  if (path.size() < 3 || !isSeparator(path[0]) || !isSeparator(path[1])) return std::nullopt;
  // "\\?\" and "\\.\" are the local namespaces, not servers.
  if (path[2] == L'?' || (path[2] == L'.' && (path.size() == 3 || isSeparator(path[3])))) return std::nullopt;
  const auto nextSeparator = [&](std::size_t from) {
    for (std::size_t i = from; i < path.size(); ++i) {
      if (isSeparator(path[i])) return i;
    }
    return path.size();
  };
  const std::size_t serverEnd = nextSeparator(2);
  if (serverEnd == 2 || serverEnd == path.size()) return std::nullopt;
  const std::size_t shareEnd = nextSeparator(serverEnd + 1);
  if (shareEnd == serverEnd + 1) return std::nullopt;
  UncParts parts{path.substr(2, serverEnd - 2), path.substr(serverEnd + 1, shareEnd - serverEnd - 1), {}};
  if (shareEnd < path.size()) parts.rest = path.substr(shareEnd + 1);
  return parts;
}

std::optional<std::wstring> administrativeShareFolder(const std::wstring& share) {
  if (share.size() != 2 || share[1] != L'$') return std::nullopt;
  const wchar_t drive = foldCase(share[0]);
  if (drive < L'A' || drive > L'Z') return std::nullopt;
  return std::wstring{drive, L':', L'\\'};
}

}  // namespace

std::wstring serverAddressText(std::wstring_view server) {
  static constexpr std::wstring_view kLiteralSuffix = L".ipv6-literal.net";
  if (server.size() > kLiteralSuffix.size() &&
      equalsIgnoreCase(server.substr(server.size() - kLiteralSuffix.size()), kLiteralSuffix)) {
    std::wstring address(server.substr(0, server.size() - kLiteralSuffix.size()));
    for (wchar_t& c : address) {
      if (c == L'-') c = L':';
      else if (c == L's' || c == L'S') c = L'%';  // the zone index follows an "s"
    }
    return address;
  }
  if (server.size() > 2 && server.front() == L'[' && server.back() == L']') {
    return std::wstring(server.substr(1, server.size() - 2));
  }
  return std::wstring(server);
}

std::optional<std::wstring> localPathOfUncPath(const std::wstring& path, ThisMachine& machine) {
  const auto parts = splitUncPath(path);
  if (!parts || !machine.isNamed(parts->server)) return std::nullopt;
  auto folder = administrativeShareFolder(parts->share);
  if (!folder) folder = machine.shareFolder(parts->share);
  if (!folder) {
    throw ComError::automation(errors::kPermissionDenied,
                               L"Cannot tell which folder the share " + parts->share + L" of this computer serves");
  }
  if (parts->rest.empty()) return folder;
  if (!folder->empty() && !isSeparator(folder->back())) folder->push_back(L'\\');
  return *folder + parts->rest;
}

}  // namespace platform

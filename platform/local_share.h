#pragma once
// A UNC path may lead back to this machine ("\\localhost\C$\Windows\x.doc", "\\127.0.0.1\docs\a.doc"):
// the file system then reports the UNC path itself as the file's final path, which names none of
// the local folders a caller looks for. This finds the local path such a UNC path stands for.

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// What the machine knows about itself.
class ThisMachine {
 public:
  virtual ~ThisMachine() = default;
  // Whether a UNC server name names this machine: its own names, "localhost", its addresses.
  virtual bool isNamed(std::wstring_view server) = 0;
  // The local folder a share of this machine serves; nothing when it cannot be learned.
  virtual std::optional<std::wstring> shareFolder(std::wstring_view share) = 0;
};

// The local path that a UNC path to this machine stands for; nothing for a path that is no UNC path
// or leads to another machine. An administrative share ("C$") stands for its drive's root. Raises
// ComError 70 (permission denied) for a share of this machine whose folder cannot be learned: what
// such a path names cannot be judged, so it is not let through.
std::optional<std::wstring> localPathOfUncPath(const std::wstring& path, ThisMachine& machine);

// The address an IPv6 literal host name spells ("fe80--1s4.ipv6-literal.net" gives "fe80::1%4"),
// a bracketed address without its brackets, anything else as it is.
std::wstring serverAddressText(std::wstring_view server);

}  // namespace platform

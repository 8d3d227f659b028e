#include "platform/posix/posix_this_machine.h"

#include <arpa/inet.h>
#include <unistd.h>

#include <array>

#include "platform/text.h"

namespace platform::posix {

bool PosixThisMachine::isNamed(std::wstring_view server) {
  if (equalsIgnoreCase(server, L"localhost")) return true;
  std::array<char, 256> host{};
  if (::gethostname(host.data(), host.size() - 1) == 0 && host[0] != '\0' &&
      equalsIgnoreCase(server, fromUtf8(host.data()))) {
    return true;
  }
  std::string address = toUtf8(serverAddressText(server));
  if (const std::size_t zone = address.find('%'); zone != std::string::npos) address.erase(zone);
  in_addr v4{};
  if (::inet_pton(AF_INET, address.c_str(), &v4) == 1) return (ntohl(v4.s_addr) >> 24) == 127;
  in6_addr v6{};
  return ::inet_pton(AF_INET6, address.c_str(), &v6) == 1 && IN6_IS_ADDR_LOOPBACK(&v6);
}

}  // namespace platform::posix

#include "platform/win32/win32_this_machine.h"

// winsock2 before windows.h, or windows.h brings in the old winsock.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <iphlpapi.h>
#include <lm.h>

#include <array>
#include <cstring>
#include <vector>

#include "platform/text.h"

namespace platform::win32 {
namespace {

struct Address {
  int family = AF_UNSPEC;
  std::array<unsigned char, 16> bytes{};
};

std::optional<Address> parseAddress(std::wstring text) {
  const std::size_t zone = text.find(L'%');  // a link-local address's zone says which adapter, not which host
  if (zone != std::wstring::npos) text.erase(zone);
  Address address;
  in_addr v4{};
  in6_addr v6{};
  if (InetPtonW(AF_INET, text.c_str(), &v4) == 1) {
    address.family = AF_INET;
    std::memcpy(address.bytes.data(), &v4, sizeof v4);
  } else if (InetPtonW(AF_INET6, text.c_str(), &v6) == 1) {
    address.family = AF_INET6;
    std::memcpy(address.bytes.data(), &v6, sizeof v6);
  } else {
    return std::nullopt;
  }
  return address;
}

bool isLoopback(const Address& address) {
  if (address.family == AF_INET) return address.bytes[0] == 127;
  static constexpr std::array<unsigned char, 16> kIpv6Loopback{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
  return address.bytes == kIpv6Loopback;
}

bool sameAddress(const Address& address, const SOCKADDR* socketAddress) {
  if (socketAddress->sa_family != address.family) return false;
  if (address.family == AF_INET) {
    const auto* v4 = reinterpret_cast<const sockaddr_in*>(socketAddress);
    return std::memcmp(&v4->sin_addr, address.bytes.data(), sizeof v4->sin_addr) == 0;
  }
  const auto* v6 = reinterpret_cast<const sockaddr_in6*>(socketAddress);
  return std::memcmp(&v6->sin6_addr, address.bytes.data(), sizeof v6->sin6_addr) == 0;
}

bool isOwnAddress(const Address& address) {
  if (isLoopback(address)) return true;
  const ULONG flags = GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
  ULONG size = 16 * 1024;
  std::vector<unsigned char> buffer;
  ULONG result = ERROR_BUFFER_OVERFLOW;
  for (int attempt = 0; attempt < 4 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
    buffer.resize(size);
    result = GetAdaptersAddresses(AF_UNSPEC, flags, nullptr, reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()),
                                  &size);
  }
  if (result != ERROR_SUCCESS) return false;
  for (auto* adapter = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()); adapter; adapter = adapter->Next) {
    for (auto* unicast = adapter->FirstUnicastAddress; unicast; unicast = unicast->Next) {
      if (sameAddress(address, unicast->Address.lpSockaddr)) return true;
    }
  }
  return false;
}

std::optional<std::wstring> computerName(COMPUTER_NAME_FORMAT format) {
  DWORD size = 0;
  GetComputerNameExW(format, nullptr, &size);
  if (size == 0) return std::nullopt;
  std::wstring name(size, L'\0');
  if (!GetComputerNameExW(format, name.data(), &size)) return std::nullopt;
  name.resize(size);
  return name;
}

// Frees what the network management functions hand out.
class NetBuffer {
 public:
  NetBuffer() = default;
  ~NetBuffer() {
    if (buffer_) NetApiBufferFree(buffer_);
  }
  NetBuffer(const NetBuffer&) = delete;
  NetBuffer& operator=(const NetBuffer&) = delete;
  LPBYTE* out() { return &buffer_; }
  LPBYTE get() const { return buffer_; }

 private:
  LPBYTE buffer_ = nullptr;
};

}  // namespace

bool Win32ThisMachine::isNamed(std::wstring_view server) {
  if (equalsIgnoreCase(server, L"localhost")) return true;
  for (const COMPUTER_NAME_FORMAT format :
       {ComputerNameNetBIOS, ComputerNameDnsHostname, ComputerNameDnsFullyQualified}) {
    const auto name = computerName(format);
    if (name && !name->empty() && equalsIgnoreCase(server, *name)) return true;
  }
  const auto address = parseAddress(serverAddressText(server));
  return address && isOwnAddress(*address);
}

std::optional<std::wstring> Win32ThisMachine::shareFolder(std::wstring_view share) {
  std::wstring name(share);
  NetBuffer info;
  if (NetShareGetInfo(nullptr, name.data(), 2, info.out()) != NERR_Success || !info.get()) return std::nullopt;
  const auto* details = reinterpret_cast<const SHARE_INFO_2*>(info.get());
  if (!details->shi2_path || details->shi2_path[0] == L'\0') return std::nullopt;
  return std::wstring(details->shi2_path);
}

}  // namespace platform::win32

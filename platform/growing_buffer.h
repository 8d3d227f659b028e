#pragma once
// Win32 text functions fill a caller's buffer and, when it is too small, answer with the size they
// need instead. This fetches the whole text whatever its length, so that nothing is ever cut.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// `fill(buffer, capacity)` returns the length written (without the NUL), 0 on failure, or the
// capacity needed (with the NUL) when `capacity` is too small, as GetLongPathNameW and GetTempPathW do.
template <typename Fill>
std::optional<std::wstring> fetchGrowing(std::uint32_t firstCapacity, Fill&& fill) {
  std::vector<wchar_t> buffer(firstCapacity == 0 ? 1 : firstCapacity);
  // The needed size can change between two calls (a folder renamed meanwhile), so retry a few times.
  for (int attempt = 0; attempt < 8; ++attempt) {
    const auto capacity = static_cast<std::uint32_t>(buffer.size());
    const std::uint32_t result = fill(buffer.data(), capacity);
    if (result == 0) return std::nullopt;
    if (result < capacity) return std::wstring(buffer.data(), result);
    buffer.assign(static_cast<std::size_t>(result) + 1, L'\0');
  }
  return std::nullopt;
}

}  // namespace platform

#pragma once
// The add-in module's own resources, in the user's interface language.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

class Resources {
 public:
  virtual ~Resources() = default;
  // The string resource `id` in the language the platform picks for the user; nothing when absent.
  virtual std::optional<std::wstring> loadString(std::int32_t id) = 0;
  // The bitmap resource `id` as a packed DIB (a BITMAPINFOHEADER, then the pixel rows, as a
  // BITMAP resource holds it); nothing when absent.
  virtual std::optional<std::vector<std::uint8_t>> loadBitmap(std::int32_t id) = 0;
};

}  // namespace platform

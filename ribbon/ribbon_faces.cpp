#include "ribbon/ribbon_faces.h"

#include <cstdlib>

#include "automation/dispatch.h"

namespace ribbon {
namespace {

constexpr std::size_t kInfoHeader = 40;

std::int32_t readInt32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
                                   static_cast<std::uint32_t>(bytes[at + 2]) << 16 |
                                   static_cast<std::uint32_t>(bytes[at + 3]) << 24);
}

void writeInt32(std::vector<std::uint8_t>& bytes, std::size_t at, std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  for (int i = 0; i < 4; ++i) bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(bits >> (8 * i));
}

struct Dib24 {
  std::int32_t width = 0;
  std::int32_t height = 0;  // as stored: negative for top-down rows
  std::size_t pixels = 0;   // where the rows start
  std::size_t stride = 0;
};

Dib24 layoutOf(const std::vector<std::uint8_t>& dib) {
  const automation::ComError invalid = automation::ComError::automation(
      automation::errors::kInvalidProcedureCall, L"The button face is not a 24-bit bitmap");
  if (dib.size() < kInfoHeader) throw invalid;
  const std::int32_t headerSize = readInt32(dib, 0);
  Dib24 layout;
  layout.width = readInt32(dib, 4);
  layout.height = readInt32(dib, 8);
  const bool plain = (dib[14] | dib[15] << 8) == 24 && readInt32(dib, 16) == 0;
  if (headerSize < static_cast<std::int32_t>(kInfoHeader) || !plain || layout.width <= 0 || layout.width > 4096 ||
      layout.height == 0 || std::abs(layout.height) > 4096) {
    throw invalid;
  }
  layout.pixels = static_cast<std::size_t>(headerSize);
  layout.stride = (static_cast<std::size_t>(layout.width) * 3 + 3) & ~std::size_t{3};
  if (dib.size() < layout.pixels + layout.stride * static_cast<std::size_t>(std::abs(layout.height))) throw invalid;
  return layout;
}

}  // namespace

std::vector<std::uint8_t> FaceWithAlpha(const std::vector<std::uint8_t>& face, const std::vector<std::uint8_t>& mask) {
  const Dib24 faceLayout = layoutOf(face);
  const Dib24 maskLayout = layoutOf(mask);
  if (faceLayout.width != maskLayout.width || std::abs(faceLayout.height) != std::abs(maskLayout.height)) {
    throw automation::ComError::automation(automation::errors::kInvalidProcedureCall,
                                           L"The button face and its mask differ in size");
  }
  const std::size_t width = static_cast<std::size_t>(faceLayout.width);
  const std::size_t rows = static_cast<std::size_t>(std::abs(faceLayout.height));
  std::vector<std::uint8_t> out(kInfoHeader + width * 4 * rows, 0);
  writeInt32(out, 0, static_cast<std::int32_t>(kInfoHeader));
  writeInt32(out, 4, faceLayout.width);
  writeInt32(out, 8, static_cast<std::int32_t>(rows));  // bottom-up, whatever the inputs
  out[12] = 1;   // planes
  out[14] = 32;  // bits per pixel; BI_RGB
  writeInt32(out, 20, static_cast<std::int32_t>(width * 4 * rows));
  // Row r counted from the bottom of the picture, in a DIB stored either way up.
  const auto rowAt = [](const Dib24& layout, std::size_t r, std::size_t count) {
    return layout.pixels + layout.stride * (layout.height > 0 ? r : count - 1 - r);
  };
  for (std::size_t r = 0; r < rows; ++r) {
    const std::size_t faceRow = rowAt(faceLayout, r, rows);
    const std::size_t maskRow = rowAt(maskLayout, r, rows);
    for (std::size_t x = 0; x < width; ++x) {
      const std::size_t m = maskRow + x * 3;
      const bool opaque = mask[m] + mask[m + 1] + mask[m + 2] < 3 * 128;  // black in the mask
      if (!opaque) continue;
      const std::size_t f = faceRow + x * 3;
      const std::size_t o = kInfoHeader + (r * width + x) * 4;
      out[o] = face[f];
      out[o + 1] = face[f + 1];
      out[o + 2] = face[f + 2];
      out[o + 3] = 255;
    }
  }
  return out;
}

}  // namespace ribbon

#include "sim/picture.h"

#include <cmath>
#include <cstdlib>

#include "sim/host_errors.h"

namespace sim {
namespace {

std::int32_t readInt32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  const std::uint32_t value = static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
                              static_cast<std::uint32_t>(bytes[at + 2]) << 16 |
                              static_cast<std::uint32_t>(bytes[at + 3]) << 24;
  return static_cast<std::int32_t>(value);
}

std::uint16_t readUint16(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

[[noreturn]] void notABitmap() {
  throw ComError(host_errors::kInvalidParameter, L"The parameter is incorrect.");
}

// The size of a picture as IPicture reports it, in HIMETRIC units (0.01 mm) at 96 pixels per inch.
std::int32_t himetric(std::int32_t pixels) {
  return static_cast<std::int32_t>(std::lround(static_cast<double>(pixels) * 2540.0 / 96.0));
}

std::int32_t nextHandle() {
  static std::int32_t next = 0x2000;
  next += 4;
  return next;
}

}  // namespace

std::shared_ptr<Picture> Picture::fromDib(std::vector<std::uint8_t> dib) {
  constexpr std::size_t kInfoHeader = 40;
  if (dib.size() < kInfoHeader) notABitmap();
  const std::int32_t headerSize = readInt32(dib, 0);
  const std::int32_t width = readInt32(dib, 4);
  const std::int32_t height = readInt32(dib, 8);
  const std::uint16_t planes = readUint16(dib, 12);
  const std::uint16_t bits = readUint16(dib, 14);
  const std::int32_t compression = readInt32(dib, 16);
  const std::int32_t colorsUsed = readInt32(dib, 32);
  if (headerSize < static_cast<std::int32_t>(kInfoHeader) || static_cast<std::size_t>(headerSize) > dib.size()) {
    notABitmap();
  }
  if (width <= 0 || height == 0 || height == INT32_MIN || planes != 1) notABitmap();
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) notABitmap();
  const std::int32_t rows = std::abs(height);
  if (compression == 0) {  // BI_RGB: the rows must all be there
    const std::size_t stride = ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4;
    std::size_t colors = 0;
    if (bits <= 8) colors = colorsUsed > 0 ? static_cast<std::size_t>(colorsUsed) : (std::size_t{1} << bits);
    const std::size_t needed = static_cast<std::size_t>(headerSize) + colors * 4 + stride * static_cast<std::size_t>(rows);
    if (dib.size() < needed) notABitmap();
  }
  return std::make_shared<Picture>(std::move(dib), width, rows);
}

Picture::Picture(std::vector<std::uint8_t> dib, std::int32_t width, std::int32_t height)
    : dib_(std::move(dib)), width_(width), height_(height), handle_(nextHandle()) {
  property(L"Handle", [this](Params&) { return Variant(handle_); });
  property(L"hPal", [](Params&) { return Variant(std::int32_t{0}); });
  property(L"Type", [](Params&) { return Variant(std::int16_t{1}); });  // PICTYPE_BITMAP
  property(L"Width", [this](Params&) { return Variant(himetric(width_)); });
  property(L"Height", [this](Params&) { return Variant(himetric(height_)); });
  defaultMember(L"Handle");
}

}  // namespace sim

#pragma once
// The add-in's bitmap resources as the native build carries them (the Windows build carries the
// same bitmaps as BITMAP resources). Generated from resources/bitmaps.

#include <cstddef>
#include <cstdint>

namespace resources {

struct BitmapEntry {
  std::int32_t id;
  const std::uint8_t* dib;  // a packed DIB: BITMAPINFOHEADER, colour table if any, pixel rows
  std::size_t size;         // bytes at `dib`
};

extern const BitmapEntry kBitmaps[];
extern const std::size_t kBitmapCount;

}  // namespace resources

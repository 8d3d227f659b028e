#pragma once
// Bitmaps as the simulator keeps them: a bottom-up, uncompressed 24-bit packed DIB (a
// BITMAPINFOHEADER followed by the pixel rows, each padded to four bytes). What comes in through
// COM as a picture (IPicture) is read back into that form, and so are bitmaps for comparison.

#include <windows.h>

#include <oaidl.h>

#include <cstdint>
#include <optional>
#include <vector>

namespace wine_host {

// The bitmap's pixels as a 24-bit packed DIB; nothing when GDI cannot read it.
std::optional<std::vector<std::uint8_t>> bitmapToDib24(HBITMAP bitmap);
// The bitmap a picture object shows (IPicture of type PICTYPE_BITMAP) as a 24-bit packed DIB;
// nothing when the object is no such picture.
std::optional<std::vector<std::uint8_t>> pictureToDib24(IUnknown* picture);
// The same, but a 32-bit bitmap stays a 32-bit DIB with its alpha bytes (a ribbon's picture).
std::optional<std::vector<std::uint8_t>> pictureToDib(IUnknown* picture);

// The width, height and pixel rows of a 24-bit packed DIB, for comparisons that ignore the
// header's other fields (resolution, image size); nothing for another kind of DIB.
struct DibPixels {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint8_t> rows;
  bool operator==(const DibPixels& other) const {
    return width == other.width && height == other.height && rows == other.rows;
  }
};
std::optional<DibPixels> dibPixels(const std::vector<std::uint8_t>& dib);

}  // namespace wine_host

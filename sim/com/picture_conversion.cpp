#include "sim/com/picture_conversion.h"

#include <ocidl.h>
#include <olectl.h>

#include <cstring>

#include "automation/win32/com_ptr.h"

namespace wine_host {
namespace {

std::size_t rowBytes(std::int32_t width, WORD bits = 24) {
  return (static_cast<std::size_t>(width) * bits / 8 + 3) & ~std::size_t{3};
}

struct ScreenDc {
  ScreenDc() : dc(GetDC(nullptr)) {}
  ~ScreenDc() {
    if (dc) ReleaseDC(nullptr, dc);
  }
  ScreenDc(const ScreenDc&) = delete;
  ScreenDc& operator=(const ScreenDc&) = delete;
  HDC dc;
};

// The bitmap as a bottom-up packed DIB of 24 or 32 bits per pixel.
std::optional<std::vector<std::uint8_t>> bitmapToDib(HBITMAP bitmap, WORD bits) {
  BITMAP described = {};
  if (!bitmap || GetObjectW(bitmap, sizeof described, &described) == 0) return std::nullopt;
  const std::int32_t width = described.bmWidth;
  const std::int32_t height = described.bmHeight < 0 ? -described.bmHeight : described.bmHeight;
  if (width <= 0 || height <= 0) return std::nullopt;
  BITMAPINFOHEADER header = {};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = height;  // bottom-up
  header.biPlanes = 1;
  header.biBitCount = bits;
  header.biCompression = BI_RGB;
  header.biSizeImage = static_cast<DWORD>(rowBytes(width, bits) * static_cast<std::size_t>(height));
  std::vector<std::uint8_t> dib(sizeof header + header.biSizeImage);
  std::memcpy(dib.data(), &header, sizeof header);
  ScreenDc screen;
  if (!screen.dc) return std::nullopt;
  auto* info = reinterpret_cast<BITMAPINFO*>(dib.data());
  const int lines = GetDIBits(screen.dc, bitmap, 0, static_cast<UINT>(height), dib.data() + sizeof header, info,
                              DIB_RGB_COLORS);
  if (lines != height) return std::nullopt;
  return dib;
}

// The bitmap a picture shows; null when it is no bitmap picture.
HBITMAP bitmapOf(IUnknown* unknown) {
  if (!unknown) return nullptr;
  automation::win32::ComPtr<IPicture> picture;
  if (FAILED(unknown->QueryInterface(IID_IPicture, picture.putVoid())) || !picture) return nullptr;
  SHORT type = PICTYPE_UNINITIALIZED;
  OLE_HANDLE handle = 0;
  if (FAILED(picture->get_Type(&type)) || type != PICTYPE_BITMAP) return nullptr;
  if (FAILED(picture->get_Handle(&handle)) || handle == 0) return nullptr;
  // OLE_HANDLE holds 32 bits; GDI handles fit in them on 64-bit Windows as well.
  return reinterpret_cast<HBITMAP>(static_cast<std::uintptr_t>(handle));
}

}  // namespace

std::optional<std::vector<std::uint8_t>> bitmapToDib24(HBITMAP bitmap) { return bitmapToDib(bitmap, 24); }

std::optional<std::vector<std::uint8_t>> pictureToDib24(IUnknown* unknown) {
  const HBITMAP bitmap = bitmapOf(unknown);
  return bitmap ? bitmapToDib(bitmap, 24) : std::nullopt;
}

std::optional<std::vector<std::uint8_t>> pictureToDib(IUnknown* unknown) {
  const HBITMAP bitmap = bitmapOf(unknown);
  BITMAP described = {};
  if (!bitmap || GetObjectW(bitmap, sizeof described, &described) == 0) return std::nullopt;
  return bitmapToDib(bitmap, described.bmBitsPixel == 32 ? 32 : 24);
}

std::optional<DibPixels> dibPixels(const std::vector<std::uint8_t>& dib) {
  BITMAPINFOHEADER header = {};
  if (dib.size() < sizeof header) return std::nullopt;
  std::memcpy(&header, dib.data(), sizeof header);
  if (header.biSize < sizeof header || header.biBitCount != 24 || header.biCompression != BI_RGB ||
      header.biWidth <= 0 || header.biHeight <= 0) {
    return std::nullopt;
  }
  const std::size_t size = rowBytes(header.biWidth) * static_cast<std::size_t>(header.biHeight);
  if (dib.size() < header.biSize + size) return std::nullopt;
  DibPixels pixels;
  pixels.width = header.biWidth;
  pixels.height = header.biHeight;
  pixels.rows.assign(dib.begin() + header.biSize, dib.begin() + static_cast<std::ptrdiff_t>(header.biSize + size));
  return pixels;
}

}  // namespace wine_host

#include "automation/win32/com_object_factory.h"

#include <windows.h>
#include <objbase.h>
#include <olectl.h>

#include <cstring>
#include <memory>

#include "automation/win32/com_errors.h"
#include "automation/win32/com_ptr.h"
#include "automation/win32/dispatch_object.h"

namespace automation::win32 {
namespace {

// A side longer than this is no button face; the limit also keeps the size arithmetic far from overflow.
constexpr std::uint64_t kMaximumSide = 65535;

class UniqueBitmap {
 public:
  explicit UniqueBitmap(HBITMAP bitmap) noexcept : bitmap_(bitmap) {}
  ~UniqueBitmap() {
    if (bitmap_ != nullptr) DeleteObject(bitmap_);
  }
  UniqueBitmap(const UniqueBitmap&) = delete;
  UniqueBitmap& operator=(const UniqueBitmap&) = delete;
  HBITMAP get() const noexcept { return bitmap_; }
  HBITMAP release() noexcept {
    HBITMAP bitmap = bitmap_;
    bitmap_ = nullptr;
    return bitmap;
  }

 private:
  HBITMAP bitmap_;
};

struct DibLayout {
  std::size_t pixelOffset = 0;  // where the rows start: after header, masks and colour table
  std::size_t pixelBytes = 0;
};

// Where the parts of a packed DIB lie; raises ComError 5 for anything that is not an
// uncompressed (or bit-field) DIB held completely in `dib`.
DibLayout layoutOf(const std::vector<std::uint8_t>& dib) {
  const ComError invalid =
      ComError::automation(errors::kInvalidProcedureCall, L"The picture is not a device-independent bitmap");
  BITMAPINFOHEADER header{};
  if (dib.size() < sizeof header) throw invalid;
  std::memcpy(&header, dib.data(), sizeof header);
  const WORD bits = header.biBitCount;
  const bool knownDepth = bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
  const bool uncompressed =
      header.biCompression == BI_RGB || (header.biCompression == BI_BITFIELDS && (bits == 16 || bits == 32));
  const std::int64_t height = header.biHeight;
  const std::uint64_t rows = static_cast<std::uint64_t>(height < 0 ? -height : height);
  if (header.biSize < sizeof header || header.biSize > dib.size() || header.biWidth <= 0 || rows == 0 ||
      static_cast<std::uint64_t>(header.biWidth) > kMaximumSide || rows > kMaximumSide || header.biPlanes != 1 ||
      !knownDepth || !uncompressed) {
    throw invalid;
  }
  const std::uint64_t maximumColours = bits <= 8 ? (std::uint64_t{1} << bits) : 0;
  if (bits <= 8 && header.biClrUsed > maximumColours) throw invalid;
  if (bits > 8 && header.biClrUsed > 256) throw invalid;
  const std::uint64_t colours = header.biClrUsed != 0 ? header.biClrUsed : maximumColours;
  // A plain BITMAPINFOHEADER is followed by its three masks; the later headers hold them inside.
  const std::uint64_t masks = header.biCompression == BI_BITFIELDS && header.biSize == sizeof header ? 3 : 0;
  const std::uint64_t offset = header.biSize + 4 * (masks + colours);
  const std::uint64_t rowBytes = (static_cast<std::uint64_t>(header.biWidth) * bits + 31) / 32 * 4;
  const std::uint64_t pixelBytes = rowBytes * rows;
  if (offset + pixelBytes > dib.size()) throw invalid;
  return {static_cast<std::size_t>(offset), static_cast<std::size_t>(pixelBytes)};
}

bool meansUnknownClass(HRESULT hr) { return hr == REGDB_E_CLASSNOTREG || hr == CO_E_CLASSSTRING; }

[[noreturn]] void cannotCreate(HRESULT hr, const std::wstring& progId) {
  if (meansUnknownClass(hr)) throw ComError::automation(errors::kCannotCreateObject);
  throw errorFromHresult(hr, progId);
}

}  // namespace

Object ComObjectFactory::create(const std::wstring& progId) {
  return onlyComErrors([&] {
    CLSID clsid{};
    HRESULT hr = CLSIDFromProgID(progId.c_str(), &clsid);
    if (FAILED(hr)) cannotCreate(hr, progId);
    ComPtr<IDispatch> dispatch;
    hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IDispatch,
                          dispatch.putVoid());
    if (FAILED(hr)) cannotCreate(hr, progId);
    if (!dispatch) return Object();
    return Object(std::make_shared<DispatchObject>(std::move(dispatch)));
  });
}

Object ComObjectFactory::picture(const std::vector<std::uint8_t>& dib) {
  return onlyComErrors([&] {
    const DibLayout layout = layoutOf(dib);
    // A DIB section needs no device: it keeps the DIB's own format, whatever the screen's.
    void* bits = nullptr;
    UniqueBitmap bitmap(CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(dib.data()), DIB_RGB_COLORS,
                                         &bits, nullptr, 0));
    if (bitmap.get() == nullptr || bits == nullptr) {
      const DWORD code = GetLastError();
      throw errorFromHresult(code != ERROR_SUCCESS ? HRESULT_FROM_WIN32(code) : E_OUTOFMEMORY, L"CreateDIBSection");
    }
    std::memcpy(bits, dib.data() + layout.pixelOffset, layout.pixelBytes);
    GdiFlush();

    PICTDESC description{};
    description.cbSizeofstruct = sizeof description;
    description.picType = PICTYPE_BITMAP;
    description.bmp.hbitmap = bitmap.get();
    description.bmp.hpal = nullptr;
    ComPtr<IDispatch> picture;
    const HRESULT hr = OleCreatePictureIndirect(&description, IID_IPictureDisp, TRUE, picture.putVoid());
    if (FAILED(hr) || !picture) throw errorFromHresult(FAILED(hr) ? hr : E_UNEXPECTED, L"OleCreatePictureIndirect");
    bitmap.release();  // the picture owns it now (fOwn) and deletes it with itself
    return Object(std::make_shared<DispatchObject>(std::move(picture)));
  });
}

}  // namespace automation::win32

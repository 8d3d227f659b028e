#include "platform/win32/win32_ui.h"

#include <windows.h>

#include <cstdint>
#include <cstring>

#include "platform/com_error.h"
#include "platform/key_sequence.h"
#include "platform/win32/win32_handles.h"

namespace platform::win32 {
namespace {

// Clipboard managers and remote-desktop clients open the clipboard for a moment after each change;
// a short wait gets past them, while a program that keeps it open still ends in an error.
constexpr int kOpenAttempts = 10;
constexpr DWORD kOpenRetryMilliseconds = 20;

// A failed call's error with our own description; GetLastError is read at once, before any
// clean-up can change it.
ComError failure(const wchar_t* description) {
  const DWORD code = GetLastError();
  const HRESULT hr = code == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(code);
  return ComError(static_cast<std::int32_t>(hr), description);
}

// The clipboard, open for this thread from construction until destruction.
class OpenClipboardGuard {
 public:
  OpenClipboardGuard() {
    for (int attempt = 1; !OpenClipboard(nullptr); ++attempt) {
      if (attempt == kOpenAttempts) {
        throw ComError(static_cast<std::int32_t>(CLIPBRD_E_CANT_OPEN), L"The clipboard is in use by another program");
      }
      Sleep(kOpenRetryMilliseconds);
    }
  }
  ~OpenClipboardGuard() { CloseClipboard(); }
  OpenClipboardGuard(const OpenClipboardGuard&) = delete;
  OpenClipboardGuard& operator=(const OpenClipboardGuard&) = delete;
};

// The screen's device context, whose format the clipboard's bitmaps take.
class ScreenDc {
 public:
  ScreenDc() : dc_(GetDC(nullptr)) {
    if (dc_ == nullptr) throw failure(L"The screen's device context is not available");
  }
  ~ScreenDc() { ReleaseDC(nullptr, dc_); }
  ScreenDc(const ScreenDc&) = delete;
  ScreenDc& operator=(const ScreenDc&) = delete;
  HDC get() const noexcept { return dc_; }

 private:
  HDC dc_;
};

struct BitmapTraits {
  using Handle = HBITMAP;
  static Handle invalid() noexcept { return nullptr; }
  static void close(Handle handle) noexcept { DeleteObject(handle); }
};
using UniqueBitmap = UniqueHandle<BitmapTraits>;

std::uint64_t rowBytes(std::uint64_t width, std::uint64_t bitsPerPixel) { return (width * bitsPerPixel + 31) / 32 * 4; }

// Where the pixels of a packed DIB start: after the header, the bit-field masks of a plain
// BITMAPINFOHEADER, and the colour table. Raises error 5 for anything CreateDIBitmap could read
// beyond the buffer, or that is not an uncompressed or bit-field DIB.
std::size_t pixelOffset(const std::vector<std::uint8_t>& dib, BITMAPINFOHEADER& header) {
  const ComError invalid =
      ComError::automation(errors::kInvalidProcedureCall, L"The picture is not a device-independent bitmap");
  if (dib.size() < sizeof header) throw invalid;
  std::memcpy(&header, dib.data(), sizeof header);
  const WORD bits = header.biBitCount;
  const bool knownDepth = bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
  const bool uncompressed =
      header.biCompression == BI_RGB || (header.biCompression == BI_BITFIELDS && (bits == 16 || bits == 32));
  if (header.biSize < sizeof header || header.biSize > dib.size() || header.biWidth <= 0 || header.biHeight == 0 ||
      header.biPlanes != 1 || !knownDepth || !uncompressed) {
    throw invalid;
  }
  const std::uint64_t maxColours = bits <= 8 ? (std::uint64_t{1} << bits) : 0;
  if (bits <= 8 && header.biClrUsed > maxColours) throw invalid;
  const std::uint64_t colours = header.biClrUsed != 0 ? header.biClrUsed : maxColours;
  const std::uint64_t masks = header.biCompression == BI_BITFIELDS && header.biSize == sizeof header ? 3 : 0;
  const std::uint64_t offset = header.biSize + 4 * (masks + colours);
  const std::int64_t height = header.biHeight;
  const std::uint64_t rows = static_cast<std::uint64_t>(height < 0 ? -height : height);
  const std::uint64_t needed = offset + rowBytes(static_cast<std::uint64_t>(header.biWidth), bits) * rows;
  if (needed > dib.size()) throw invalid;
  return static_cast<std::size_t>(offset);
}

}  // namespace

namespace {

INPUT keyInput(WORD virtualKey, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = virtualKey;
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return input;
}

}  // namespace

void Win32Ui::sendKeys(const std::wstring& keys) {
  std::vector<INPUT> inputs;
  for (const KeyStroke& stroke : parseKeySequence(keys)) {
    const SHORT scan = VkKeyScanW(stroke.key);
    if (scan == -1) throw ComError::automation(errors::kInvalidProcedureCall, L"No key types this character");
    const auto virtualKey = static_cast<WORD>(scan & 0xFF);
    const bool shift = stroke.shift || (scan & 0x100);
    const bool ctrl = stroke.ctrl || (scan & 0x200);
    const bool alt = stroke.alt || (scan & 0x400);
    if (ctrl) inputs.push_back(keyInput(VK_CONTROL, false));
    if (shift) inputs.push_back(keyInput(VK_SHIFT, false));
    if (alt) inputs.push_back(keyInput(VK_MENU, false));
    inputs.push_back(keyInput(virtualKey, false));
    inputs.push_back(keyInput(virtualKey, true));
    if (alt) inputs.push_back(keyInput(VK_MENU, true));
    if (shift) inputs.push_back(keyInput(VK_SHIFT, true));
    if (ctrl) inputs.push_back(keyInput(VK_CONTROL, true));
  }
  if (inputs.empty()) return;
  // The keys are queued for the active window; nothing waits for them to be handled.
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

int Win32Ui::messageBox(const std::wstring& text, const std::wstring& title, std::uint32_t flags) {
  // Owned by the thread's active window (the host's), so that the box is modal to it.
  return MessageBoxW(GetActiveWindow(), text.c_str(), title.c_str(), flags);
}

void Win32Ui::clearClipboard() {
  const OpenClipboardGuard clipboard;
  if (!EmptyClipboard()) throw failure(L"The clipboard could not be emptied");
}

void Win32Ui::setClipboardBitmap(const std::vector<std::uint8_t>& dib) {
  BITMAPINFOHEADER header{};
  const std::size_t offset = pixelOffset(dib, header);
  UniqueBitmap bitmap;
  {
    const ScreenDc screen;
    bitmap.reset(CreateDIBitmap(screen.get(), &header, CBM_INIT, dib.data() + offset,
                                reinterpret_cast<const BITMAPINFO*>(dib.data()), DIB_RGB_COLORS));
  }
  if (!bitmap) throw failure(L"The picture could not be made into a bitmap for the clipboard");
  // Opened only now, so that the clipboard is held no longer than the hand-over takes.
  const OpenClipboardGuard clipboard;
  if (SetClipboardData(CF_BITMAP, bitmap.get()) == nullptr)
    throw failure(L"The bitmap could not be put on the clipboard");
  bitmap.release();  // the clipboard owns it now and deletes it when it is replaced or emptied
}

std::optional<std::vector<std::uint8_t>> Win32Ui::clipboardBitmap() {
  const OpenClipboardGuard clipboard;
  // The clipboard keeps owning this bitmap: it is read, never deleted.
  const auto bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
  if (bitmap == nullptr) return std::nullopt;
  BITMAP shape{};
  if (GetObjectW(bitmap, sizeof shape, &shape) == 0 || shape.bmWidth <= 0 || shape.bmHeight <= 0) {
    throw failure(L"The clipboard's bitmap could not be read");
  }
  const std::uint64_t imageSize =
      rowBytes(static_cast<std::uint64_t>(shape.bmWidth), 24) * static_cast<std::uint64_t>(shape.bmHeight);
  if (imageSize > 0x7FFFFFFF)
    throw ComError(static_cast<std::int32_t>(E_OUTOFMEMORY), L"The clipboard's bitmap is too large");

  BITMAPINFO format{};
  format.bmiHeader.biSize = sizeof format.bmiHeader;
  format.bmiHeader.biWidth = shape.bmWidth;
  format.bmiHeader.biHeight = shape.bmHeight;  // positive: bottom-up rows, as in a BITMAP resource
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 24;
  format.bmiHeader.biCompression = BI_RGB;
  format.bmiHeader.biSizeImage = static_cast<DWORD>(imageSize);
  std::vector<std::uint8_t> dib(sizeof format.bmiHeader + static_cast<std::size_t>(imageSize));
  const ScreenDc screen;
  const int rows = GetDIBits(screen.get(), bitmap, 0, static_cast<UINT>(shape.bmHeight),
                             dib.data() + sizeof format.bmiHeader, &format, DIB_RGB_COLORS);
  if (rows != shape.bmHeight) throw failure(L"The clipboard's bitmap could not be read");
  // A 24-bit BI_RGB DIB has no colour table, so the header alone goes in front of the rows.
  std::memcpy(dib.data(), &format.bmiHeader, sizeof format.bmiHeader);
  return dib;
}

std::uint32_t Win32Ui::windowDpi() {
  // user32 is loaded in every process with windows; GetDpiForWindow exists from Windows 10 1607 on.
  using DpiForWindow = UINT(WINAPI*)(HWND);
  const HMODULE user32 = GetModuleHandleW(L"user32.dll");
  const auto dpiForWindow =
      user32 ? reinterpret_cast<DpiForWindow>(reinterpret_cast<void*>(GetProcAddress(user32, "GetDpiForWindow")))
             : nullptr;
  if (const HWND window = GetActiveWindow(); window != nullptr && dpiForWindow != nullptr) {
    if (const UINT dpi = dpiForWindow(window); dpi != 0) return dpi;
  }
  const HDC screen = GetDC(nullptr);
  if (screen == nullptr) return USER_DEFAULT_SCREEN_DPI;
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<std::uint32_t>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

}  // namespace platform::win32

#pragma once
// What the user sees and does outside the host's own windows.

#include <cstdint>
#include <string>

namespace platform {

inline constexpr std::uint32_t kMbOk = 0x0;
inline constexpr std::uint32_t kMbIconHand = 0x10;
inline constexpr std::uint32_t kMbIconExclamation = 0x30;
inline constexpr std::uint32_t kMbSetForeground = 0x10000;
inline constexpr int kIdOk = 1;

class Ui {
 public:
  virtual ~Ui() = default;
  // A modal message box; returns the button the user chose.
  virtual int messageBox(const std::wstring& text, const std::wstring& title, std::uint32_t flags) = 0;
};

}  // namespace platform

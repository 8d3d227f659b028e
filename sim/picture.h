#pragma once
// A picture object showing a bitmap, what IPictureDisp is on Windows: the value a button's Picture
// and Mask take. Its bytes stay readable from C++ so that tests can see which face a button got.

#include <cstdint>
#include <memory>
#include <vector>

#include "sim/sim_object.h"

namespace sim {

class Picture : public SimObject {
 public:
  // A picture of a packed DIB (a BITMAPINFOHEADER, the colour table, the pixel rows). Raises
  // E_INVALIDARG, as OleCreatePictureIndirect does, for bytes that are not one.
  static std::shared_ptr<Picture> fromDib(std::vector<std::uint8_t> dib);

  const std::vector<std::uint8_t>& dib() const { return dib_; }
  std::int32_t pixelWidth() const { return width_; }
  std::int32_t pixelHeight() const { return height_; }
  std::int32_t handle() const { return handle_; }

  // Not for direct use: fromDib checks the bytes first.
  Picture(std::vector<std::uint8_t> dib, std::int32_t width, std::int32_t height);

 private:
  std::vector<std::uint8_t> dib_;
  std::int32_t width_;
  std::int32_t height_;
  std::int32_t handle_;
};

}  // namespace sim

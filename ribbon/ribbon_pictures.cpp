#include "ribbon/ribbon_pictures.h"

#include <iterator>

namespace ribbon {

std::int32_t PictureSide(std::uint32_t dpi) {
  const std::uint64_t wanted = (std::uint64_t{32} * dpi + 95) / 96;  // rounded up
  for (const std::int32_t side : kPictureSides) {
    if (static_cast<std::uint64_t>(side) >= wanted) return side;
  }
  return kPictureSides[std::size(kPictureSides) - 1];
}

std::int32_t PictureId(std::size_t index, std::int32_t side) {
  std::int32_t at = 0;
  while (at + 1 < static_cast<std::int32_t>(std::size(kPictureSides)) && kPictureSides[at] != side) ++at;
  return 201 + 10 * static_cast<std::int32_t>(index) + at;
}

}  // namespace ribbon

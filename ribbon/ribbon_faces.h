#pragma once
// A button face for the ribbon: the toolbar's face bitmap with its mask turned into an alpha
// channel, since a ribbon picture carries its own transparency instead of a separate mask.

#include <cstdint>
#include <vector>

namespace ribbon {

// A 32-bit packed DIB (BI_RGB, alpha in the fourth byte) of the face where the mask is black, and
// fully transparent (all four bytes 0, the same premultiplied or not) where it is white. Both
// inputs are uncompressed 24-bit packed DIBs of the same size; anything else raises ComError 5.
std::vector<std::uint8_t> FaceWithAlpha(const std::vector<std::uint8_t>& face, const std::vector<std::uint8_t>& mask);

}  // namespace ribbon

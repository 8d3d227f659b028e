#pragma once
// The tab's pictures: each command's artwork drawn for each size Office shows a large button at
// (32, 40, 48 and 64 pixels at 100, 125, 150 and 200 % display scale), as 32-bit bitmaps with
// straight alpha. Office stretches whatever it gets to its size, so the add-in picks the one drawn
// for the scale itself. The toolbar's 16-pixel faces and masks are other bitmaps.

#include <cstddef>
#include <cstdint>

namespace ribbon {

// The sides the pictures are drawn at, smallest first.
inline constexpr std::int32_t kPictureSides[] = {32, 40, 48, 64};

// The side to show a large button's picture at on a display of `dpi`: the smallest drawn that is
// at least Office's size there (32 pixels a 96 dpi), the largest above 200 %.
std::int32_t PictureSide(std::uint32_t dpi);

// The bitmap resource of the command at `index` among the toolbar buttons, drawn at `side`
// (one of kPictureSides): 201 to 204 for the first command, 211 to 214 for the second, ...
std::int32_t PictureId(std::size_t index, std::int32_t side);

}  // namespace ribbon

// The button bitmaps as the add-in loads them. Their artwork is guarded where it is drawn
// (generate_bitmaps.py and generate_ribbon_pictures.py --check stop the build on a stale file);
// what is left to prove here is that
// each reviewed file reaches the add-in under its own identifier, whole and in the form it needs.

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "platform/posix/message_table_resources.h"

using platform::posix::MessageTableResources;

namespace {

// The packed DIB inside a reviewed .bmp file: the file without its 14-byte BITMAPFILEHEADER.
std::vector<std::uint8_t> reviewedDib(std::int32_t id) {
  std::ifstream in(std::string(LOCKFOLIO_SOURCE_DIR "/resources/bitmaps/") + std::to_string(id) + ".bmp",
                   std::ios::binary);
  const std::vector<std::uint8_t> file{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (file.size() <= 14) return {};
  return std::vector<std::uint8_t>(file.begin() + 14, file.end());
}

std::uint32_t u32(const std::vector<std::uint8_t>& d, std::size_t at) {
  return static_cast<std::uint32_t>(d[at]) | static_cast<std::uint32_t>(d[at + 1]) << 8 |
         static_cast<std::uint32_t>(d[at + 2]) << 16 | static_cast<std::uint32_t>(d[at + 3]) << 24;
}

TEST(BitmapResourcesTest, EachIdentifierLoadsItsReviewedFaceMaskOrRibbonPictureInEveryLanguage) {
  // The toolbar's faces and masks: 16 pixels, 24 bits. The ribbon's pictures: each command at 32,
  // 40, 48 and 64 pixels, 32 bits whose fourth byte is alpha, partial on the smooth edges.
  std::vector<std::pair<std::int32_t, std::uint32_t>> bitmaps;
  for (std::int32_t id = 101; id <= 106; ++id) bitmaps.emplace_back(id, 16);
  for (std::int32_t base : {201, 211, 221}) {
    for (const std::uint32_t side : {32u, 40u, 48u, 64u}) bitmaps.emplace_back(base++, side);
  }
  for (const auto& [id, side] : bitmaps) {
    SCOPED_TRACE(id);
    const std::uint32_t bits = side == 16 ? 24 : 32;
    const auto expected = reviewedDib(id);
    ASSERT_EQ(expected.size(), 40u + side * ((side * bits / 8 + 3) & ~3u)) << "the reviewed file is missing or of another size";
    EXPECT_EQ(u32(expected, 0), 40u);  // a BITMAPINFOHEADER,
    EXPECT_EQ(u32(expected, 4), side);  // as wide
    EXPECT_EQ(u32(expected, 8), side);  // as high, bottom-up,
    EXPECT_EQ(u32(expected, 12), 1u | bits << 16);  // one plane,
    EXPECT_EQ(u32(expected, 16), 0u);  // uncompressed,
    EXPECT_EQ(u32(expected, 32), 0u);  // no colour table in front of the pixels
    if (bits == 32) {
      int partial = 0;
      for (std::size_t at = 40; at < expected.size(); at += 4) {
        const std::uint8_t alpha = expected[at + 3];
        partial += alpha > 0 && alpha < 255;
        EXPECT_TRUE(alpha != 0 || u32(expected, at) == 0) << "a transparent pixel has no colour";
      }
      EXPECT_GT(partial, static_cast<int>(side)) << "the edges are smooth";
    }
    for (const int language : {1033, 1031, 1041, 2052}) {
      EXPECT_EQ(MessageTableResources(static_cast<std::uint16_t>(language)).loadBitmap(id), std::optional(expected))
          << language;
    }
  }
}

TEST(BitmapResourcesTest, UnknownIdentifiersGiveNothing) {
  MessageTableResources resources(1033);
  for (std::int32_t id : {0, -1, 1, 100, 107, 150, 200, 205, 225, 65536 + 101, INT_MIN, INT_MAX}) {
    EXPECT_EQ(resources.loadBitmap(id), std::nullopt) << id;
  }
}

}  // namespace

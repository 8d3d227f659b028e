// The button bitmaps as the add-in loads them. Their artwork is guarded where it is drawn
// (generate_bitmaps.py --check stops the build on a stale file); what is left to prove here is that
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

TEST(BitmapResourcesTest, EachIdentifierLoadsItsReviewedSixteenPixel24BitFaceOrMaskInEveryLanguage) {
  for (std::int32_t id = 101; id <= 106; ++id) {
    SCOPED_TRACE(id);
    const auto expected = reviewedDib(id);
    ASSERT_EQ(expected.size(), 40u + 16 * 16 * 3) << "the reviewed file is missing or not 16 x 16 at 24 bits";
    EXPECT_EQ(u32(expected, 0), 40u);  // a BITMAPINFOHEADER,
    EXPECT_EQ(u32(expected, 4), 16u);  // 16 wide,
    EXPECT_EQ(u32(expected, 8), 16u);  // 16 high bottom-up,
    EXPECT_EQ(u32(expected, 12), 1u | 24u << 16);  // one plane of 24 bits,
    EXPECT_EQ(u32(expected, 16), 0u);  // uncompressed,
    EXPECT_EQ(u32(expected, 32), 0u);  // no colour table in front of the pixels
    for (const int language : {1033, 1031, 1041, 2052}) {
      EXPECT_EQ(MessageTableResources(static_cast<std::uint16_t>(language)).loadBitmap(id), std::optional(expected))
          << language;
    }
  }
}

TEST(BitmapResourcesTest, UnknownIdentifiersGiveNothing) {
  MessageTableResources resources(1033);
  for (std::int32_t id : {0, -1, 1, 100, 107, 150, 65536 + 101, INT_MIN, INT_MAX}) {
    EXPECT_EQ(resources.loadBitmap(id), std::nullopt) << id;
  }
}

}  // namespace

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <map>
#include <optional>
#include <ostream>
#include <set>
#include <tuple>
#include <vector>

#include "platform/posix/message_table_resources.h"

using platform::posix::MessageTableResources;

namespace {

constexpr int kSide = 16;
constexpr std::size_t kHeaderSize = 40;
constexpr std::size_t kRowBytes = kSide * 3;  // 48: already a multiple of four, so no padding
constexpr std::size_t kPixelBytes = kRowBytes * kSide;

struct Rgb {
  std::uint8_t r, g, b;
  bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
  bool operator!=(const Rgb& o) const { return !(*this == o); }
  bool operator<(const Rgb& o) const { return std::tie(r, g, b) < std::tie(o.r, o.g, o.b); }
};
void PrintTo(const Rgb& c, std::ostream* os) { *os << "rgb(" << +c.r << ", " << +c.g << ", " << +c.b << ")"; }

// The colour the faces are painted in where they are transparent; no artwork uses it.
constexpr Rgb kTransparent{192, 192, 192};
constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kWhite{255, 255, 255};

struct Button {
  const char* command;
  std::int32_t face;
  std::int32_t mask;
};
constexpr Button kButtons[] = {{"Open", 101, 102}, {"Save", 103, 104}, {"Save As", 105, 106}};

std::uint32_t u32(const std::vector<std::uint8_t>& d, std::size_t at) {
  return static_cast<std::uint32_t>(d[at]) | static_cast<std::uint32_t>(d[at + 1]) << 8 |
         static_cast<std::uint32_t>(d[at + 2]) << 16 | static_cast<std::uint32_t>(d[at + 3]) << 24;
}
std::int32_t i32(const std::vector<std::uint8_t>& d, std::size_t at) { return static_cast<std::int32_t>(u32(d, at)); }
std::uint16_t u16(const std::vector<std::uint8_t>& d, std::size_t at) {
  return static_cast<std::uint16_t>(d[at] | d[at + 1] << 8);
}

using Image = std::vector<std::vector<Rgb>>;  // [row from the top][column]

std::vector<std::uint8_t> load(std::int32_t id, std::uint16_t language = 1033) {
  MessageTableResources resources(language);
  auto dib = resources.loadBitmap(id);
  if (!dib) {
    ADD_FAILURE() << "bitmap " << id << " is missing";
    return {};
  }
  return *dib;
}

// The pixels of one of the 16 x 16 bottom-up 24-bit bitmaps, top row first.
Image pixels(std::int32_t id) {
  const auto dib = load(id);
  if (dib.size() != kHeaderSize + kPixelBytes) {
    ADD_FAILURE() << "bitmap " << id << " has " << dib.size() << " bytes";
    return Image(kSide, std::vector<Rgb>(kSide, kTransparent));
  }
  Image image(kSide, std::vector<Rgb>(kSide));
  for (int y = 0; y < kSide; ++y) {
    const std::size_t row = kHeaderSize + static_cast<std::size_t>(kSide - 1 - y) * kRowBytes;
    for (int x = 0; x < kSide; ++x) {
      const std::size_t at = row + static_cast<std::size_t>(x) * 3;
      image[y][x] = Rgb{dib[at + 2], dib[at + 1], dib[at]};  // stored blue, green, red
    }
  }
  return image;
}

std::map<Rgb, int> histogram(const Image& image) {
  std::map<Rgb, int> counts;
  for (const auto& row : image)
    for (const auto& c : row) ++counts[c];
  return counts;
}

bool yellow(const Rgb& c) { return c.r >= 200 && c.g >= 140 && c.b <= 100; }
bool blue(const Rgb& c) { return c.b >= c.r + 80 && c.b >= c.g + 40; }

int countOf(const Image& image, bool (*kind)(const Rgb&)) {
  int n = 0;
  for (const auto& row : image)
    for (const auto& c : row) n += kind(c) ? 1 : 0;
  return n;
}

TEST(BitmapResourcesTest, EveryButtonBitmapIsASixteenPixelSquareUncompressed24BitDib) {
  for (std::int32_t id = 101; id <= 106; ++id) {
    SCOPED_TRACE(id);
    const auto dib = load(id);
    ASSERT_EQ(dib.size(), kHeaderSize + kPixelBytes);
    EXPECT_EQ(u32(dib, 0), kHeaderSize);  // biSize: a BITMAPINFOHEADER
    EXPECT_EQ(i32(dib, 4), kSide);        // biWidth
    EXPECT_EQ(i32(dib, 8), kSide);        // biHeight, positive: rows bottom-up
    EXPECT_EQ(u16(dib, 12), 1);           // biPlanes
    EXPECT_EQ(u16(dib, 14), 24);          // biBitCount
    EXPECT_EQ(u32(dib, 16), 0u);          // biCompression BI_RGB
    const std::uint32_t sizeImage = u32(dib, 20);
    EXPECT_TRUE(sizeImage == 0 || sizeImage == kPixelBytes) << sizeImage;
    EXPECT_EQ(u32(dib, 32), 0u);  // biClrUsed: no colour table in front of the pixels
  }
}

TEST(BitmapResourcesTest, MasksAreBlackExactlyWhereTheirFacesAreOpaque) {
  for (const auto& button : kButtons) {
    SCOPED_TRACE(button.command);
    const Image face = pixels(button.face);
    const Image mask = pixels(button.mask);
    int opaque = 0, transparent = 0;
    for (int y = 0; y < kSide; ++y) {
      for (int x = 0; x < kSide; ++x) {
        const Rgb& m = mask[y][x];
        ASSERT_TRUE(m == kBlack || m == kWhite) << "mask pixel " << x << "," << y << " is neither black nor white";
        EXPECT_EQ(m == kBlack, face[y][x] != kTransparent) << "at " << x << "," << y;
        (m == kBlack ? opaque : transparent) += 1;
      }
    }
    // A mask of one colour would hide the face entirely or show its background as a square.
    EXPECT_GE(opaque, kSide * kSide / 2);
    EXPECT_GE(transparent, 1);
  }
}

TEST(BitmapResourcesTest, FacesAreDrawnAndDifferFromEachOther) {
  std::vector<Image> faces;
  for (const auto& button : kButtons) {
    SCOPED_TRACE(button.command);
    faces.push_back(pixels(button.face));
    const auto colours = histogram(faces.back());
    EXPECT_GE(colours.size(), 6u) << "too few colours for a drawing";
    EXPECT_EQ(colours.count(kTransparent), 1u) << "the face has no transparent background";
  }
  for (std::size_t i = 0; i < faces.size(); ++i)
    for (std::size_t j = i + 1; j < faces.size(); ++j)
      EXPECT_NE(faces[i], faces[j]) << kButtons[i].command << " and " << kButtons[j].command << " look the same";
}

// The folder is yellow and the two diskettes blue, so a face under the wrong identifier shows.
TEST(BitmapResourcesTest, EachFaceHasTheColourOfItsSubject) {
  const struct {
    std::int32_t face;
    bool folder;
  } cases[] = {{101, true}, {103, false}, {105, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.face);
    const Image face = pixels(c.face);
    const int yellowPixels = countOf(face, yellow);
    const int bluePixels = countOf(face, blue);
    if (c.folder) {
      EXPECT_GE(yellowPixels, 40);
      EXPECT_EQ(bluePixels, 0);
    } else {
      EXPECT_GE(bluePixels, 40);
      EXPECT_EQ(yellowPixels, 0);
    }
  }
}

// The same grey dial sits in front of every face, in its lower right corner.
TEST(BitmapResourcesTest, EveryFaceWearsTheSameGreyDialInTheLowerRight) {
  const Image open = pixels(101);
  const Image save = pixels(103);
  const Image saveAs = pixels(105);
  std::set<Rgb> dialColours;
  for (int y = 10; y <= 14; ++y) {
    for (int x = 9; x <= 13; ++x) {
      const Rgb& c = open[y][x];
      dialColours.insert(c);
      EXPECT_TRUE(c.r == c.g && c.g == c.b && c != kTransparent) << "dial pixel " << x << "," << y << " is not grey";
      EXPECT_EQ(save[y][x], c) << "Save face at " << x << "," << y;
      EXPECT_EQ(saveAs[y][x], c) << "Save As face at " << x << "," << y;
    }
  }
  EXPECT_GE(dialColours.size(), 3u) << "rim, ring and knob need distinct greys";
}

TEST(BitmapResourcesTest, TheBitmapsAreTheSameInEveryLanguage) {
  for (std::int32_t id = 101; id <= 106; ++id) {
    SCOPED_TRACE(id);
    const auto english = load(id);
    for (const std::uint16_t language : {std::uint16_t{1031}, std::uint16_t{1041}, std::uint16_t{2052}}) {
      EXPECT_EQ(load(id, language), english) << language;
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

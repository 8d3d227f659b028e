// The object factory of the native build and the pictures it makes, and what a button does with
// pictures and with a face pasted from the clipboard.

#include <gtest/gtest.h>

#include <stdexcept>

#include "helpers/variant_printer.h"
#include "sim/host_errors.h"
#include "sim/picture.h"
#include "sim/sim_object_factory.h"
#include "sim/test_machine.h"

namespace {

using namespace sim_testing;

// A packed DIB: a BITMAPINFOHEADER and the rows, 24 bits per pixel.
std::vector<std::uint8_t> dib(std::int32_t width, std::int32_t height, std::uint8_t fill, std::uint16_t bits = 24) {
  std::vector<std::uint8_t> bytes(40, 0);
  auto put32 = [&](std::size_t at, std::int32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> (8 * i));
  };
  put32(0, 40);
  put32(4, width);
  put32(8, height);
  bytes[12] = 1;
  bytes[14] = static_cast<std::uint8_t>(bits);
  const std::size_t stride = ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4;
  bytes.resize(bytes.size() + stride * static_cast<std::size_t>(height < 0 ? -height : height), fill);
  return bytes;
}

TEST(SimObjectFactoryTest, CreatesRegisteredClassesByProgIdWithoutRegardToCase) {
  sim::SimObjectFactory factory;
  auto vault = std::make_shared<sim::Picture>(dib(1, 1, 0), 1, 1);
  factory.registerClass(L"Morvane.Vault", [vault] { return Object(vault); });
  EXPECT_EQ(factory.create(L"morvane.VAULT"), Object(vault));
  EXPECT_EQ(factory.createdCount(L"Morvane.Vault"), 1);
  factory.unregisterClass(L"MORVANE.VAULT");
  EXPECT_EQ(errorOf([&] { factory.create(L"Morvane.Vault"); }), 429);
  factory.registerClass(L"Fails", [] () -> Object { throw ComError(70, L"Permission denied"); });
  factory.registerClass(L"Breaks", [] () -> Object { throw std::runtime_error("broken"); });
  factory.registerClass(L"Nothing", [] { return Object(); });
  EXPECT_EQ(errorOf([&] { factory.create(L"Fails"); }), 70);
  EXPECT_EQ(errorOf([&] { factory.create(L"Breaks"); }), sim::host_errors::kFail);
  EXPECT_FALSE(factory.create(L"Nothing"));
}

TEST(SimObjectFactoryTest, PicturesShowTheirBitmapAndRefuseBytesThatAreNone) {
  sim::SimObjectFactory factory;
  const auto face = dib(16, 16, 0x7f);
  Object picture = factory.picture(face);
  EXPECT_EQ(picture.get(L"Type"), Variant(std::int16_t{1}));
  EXPECT_EQ(picture.get(L"Width").toInt32(), 423) << "16 pixels in HIMETRIC";
  EXPECT_EQ(picture.get(L"Height").toInt32(), 423);
  EXPECT_NE(picture.get(L"Handle").toInt32(), 0);
  EXPECT_NE(picture.get(L"Handle"), factory.picture(face).get(L"Handle"));
  EXPECT_EQ(picture.as<sim::Picture>()->dib(), face);
  EXPECT_EQ(factory.picture(dib(16, -16, 0)).as<sim::Picture>()->pixelHeight(), 16) << "top-down rows";

  auto truncated = face;
  truncated.pop_back();
  auto badDepth = dib(16, 16, 0);
  badDepth[14] = 7;
  const std::vector<std::vector<std::uint8_t>> invalid = {
      {}, std::vector<std::uint8_t>(39, 0), dib(0, 16, 0), dib(16, 0, 0), truncated, badDepth};
  for (const auto& bytes : invalid) {
    EXPECT_EQ(errorOf([&] { factory.picture(bytes); }), sim::host_errors::kInvalidParameter) << bytes.size();
  }
}

TEST(ButtonFaceTest, PictureAndMaskOrAPastedFaceMakeTheButtonsFace) {
  sim_testing::TestMachine machine;
  auto word = machine.start(sim::HostKind::Word);
  sim::SimObjectFactory factory;
  Object bar = word->self().get(L"CommandBars").toObject().call(L"Add").toObject();
  Object button = bar.get(L"Controls").toObject().call(L"Add").toObject();
  auto* control = button.as<sim::CommandBarControl>();

  EXPECT_EQ(errorOf([&] { button.call(L"PasteFace"); }), sim::host_errors::kFail) << "an empty clipboard";
  EXPECT_FALSE(control->hasFace());

  button.putref(L"Picture", factory.picture(dib(16, 16, 1)));
  button.putref(L"Mask", factory.picture(dib(16, 16, 2)));
  EXPECT_EQ(control->pictureDib(), dib(16, 16, 1));
  EXPECT_EQ(control->maskDib(), dib(16, 16, 2));
  EXPECT_EQ(errorOf([&] { button.put(L"Picture", Variant(L"face.bmp")); }), static_cast<std::int32_t>(0x80020005u))
      << "a text is no IPictureDisp";

  machine.test.ui.setClipboardBitmap(dib(16, 16, 3));
  button.call(L"PasteFace");
  EXPECT_EQ(control->pastedFace(), dib(16, 16, 3));
  EXPECT_FALSE(control->pictureDib()) << "pasting replaces the picture";
  EXPECT_EQ(button.get(L"Picture").toObject().as<sim::Picture>()->dib(), dib(16, 16, 3));

  button.putref(L"Picture", factory.picture(dib(16, 16, 4)));
  EXPECT_FALSE(control->pastedFace());
  machine.test.ui.clearClipboard();
  button.call(L"CopyFace");
  EXPECT_EQ(machine.test.ui.clipboard, dib(16, 16, 4));
}

}  // namespace

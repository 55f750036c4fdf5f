#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <filesystem>
#include <vector>

#include "framework/graphics/MemoryImage.h"
#include "framework/resources/ImageBridge.h"
#include "framework/resources/ImageLib.h"

namespace Orva {
namespace {

namespace fs = std::filesystem;

// Reads a PNG back with libpng as 8-bit RGBA bytes.
std::vector<uint8_t> ReadRGBA(const std::string& path, int& w, int& h) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
  image.format = PNG_FORMAT_RGBA;
  std::vector<uint8_t> out(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, out.data(), 0, nullptr)) return {};
  w = int(image.width);
  h = int(image.height);
  return out;
}

class ImageWriterTest : public ::testing::Test {
 protected:
  fs::path dir = fs::temp_directory_path() / ("orva-png-" + std::to_string(::getpid()));
  void SetUp() override { fs::create_directories(dir); }
  void TearDown() override { fs::remove_all(dir); }
};

TEST_F(ImageWriterTest, PixelsRoundTripWithTheirAlpha) {
  MemoryImage image;
  image.Create(3, 2);
  uint32_t* px = image.GetPixels();
  const uint32_t colours[6] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0x80FFFFFF, 0x00000000, 0x40102030};
  std::copy(colours, colours + 6, px);
  image.PixelsChanged();
  const std::string path = (dir / "shot.png").string();
  ASSERT_TRUE(WriteImagePNG(&image, path));

  int w = 0, h = 0;
  const std::vector<uint8_t> rgba = ReadRGBA(path, w, h);
  ASSERT_EQ(w, 3);
  ASSERT_EQ(h, 2);
  for (int i = 0; i < 6; ++i) {
    const uint32_t c = colours[i];
    EXPECT_EQ(rgba[i * 4 + 0], (c >> 16) & 0xFF) << i;
    EXPECT_EQ(rgba[i * 4 + 1], (c >> 8) & 0xFF) << i;
    EXPECT_EQ(rgba[i * 4 + 2], c & 0xFF) << i;
    EXPECT_EQ(rgba[i * 4 + 3], c >> 24) << i;
  }
  EXPECT_FALSE(fs::exists(path + ".tmp")) << "the temporary file is renamed away";
}

TEST_F(ImageWriterTest, FailuresAreReportedAndLeaveNoFile) {
  MemoryImage empty;
  EXPECT_FALSE(WriteImagePNG(&empty, (dir / "empty.png").string()));
  EXPECT_FALSE(fs::exists(dir / "empty.png"));

  ImageLib::Image image(4, 4);
  EXPECT_FALSE(ImageLib::WritePNGImage((dir / "missing" / "x.png").string(), &image));
  EXPECT_FALSE(ImageLib::WritePNGImage((dir / "x.png").string(), nullptr));
}

TEST_F(ImageWriterTest, AFailedWriteKeepsTheOldFile) {
  const std::string path = (dir / "keep.png").string();
  ImageLib::Image good(2, 2);
  ASSERT_TRUE(ImageLib::WritePNGImage(path, &good));
  const auto before = fs::file_size(path);
  ImageLib::Image impossible(0, 5);
  EXPECT_FALSE(ImageLib::WritePNGImage(path, &impossible));
  EXPECT_EQ(fs::file_size(path), before);
}

}  // namespace
}  // namespace Orva

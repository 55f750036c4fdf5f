#include <dlfcn.h>
#include <gtest/gtest.h>
#include <openjpeg.h>
#include <png.h>
#include <unistd.h>

#include <csetjmp>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>
// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

#include "framework/graphics/MemoryImage.h"
#include "framework/resources/ImageBridge.h"
#include "framework/resources/ImageLib.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
using ImageLib::Image;

void WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void Put16(Bytes& b, int v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}

std::unique_ptr<Image> MakePixels(int w, int h, const std::vector<uint32_t>& pixels) {
  auto image = std::make_unique<Image>(w, h);
  std::copy(pixels.begin(), pixels.end(), image->bits.get());
  return image;
}

uint32_t At(const Image& image, int x, int y) { return image.bits[size_t(y) * image.width + x]; }

// Each channel of a within tolerance of b's.
::testing::AssertionResult Near(uint32_t a, uint32_t b, int tolerance) {
  for (int shift = 0; shift < 32; shift += 8) {
    const int d = int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF);
    if (d > tolerance || d < -tolerance) return ::testing::AssertionFailure() << std::hex << a << " is not near " << b;
  }
  return ::testing::AssertionSuccess();
}

// --- TGA ------------------------------------------------------------------------------------

Bytes MakeTga(int w, int h, const std::vector<uint32_t>& pixels, int depth = 32, int descriptor = 0x28) {
  Bytes b = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  Put16(b, w);
  Put16(b, h);
  b.push_back(uint8_t(depth));
  b.push_back(uint8_t(descriptor));
  for (uint32_t p : pixels)
    for (int s = 0; s < 32; s += 8) b.push_back(uint8_t(p >> s));
  return b;
}

// --- GIF ------------------------------------------------------------------------------------

class BitWriter {
 public:
  Bytes bytes;
  void Put(int code, int size) {
    acc_ |= uint32_t(code) << bits_;
    bits_ += size;
    while (bits_ >= 8) {
      bytes.push_back(uint8_t(acc_));
      acc_ >>= 8;
      bits_ -= 8;
    }
  }
  void Flush() {
    if (bits_ > 0) bytes.push_back(uint8_t(acc_));
    acc_ = 0;
    bits_ = 0;
  }

 private:
  uint32_t acc_ = 0;
  int bits_ = 0;
};

// A plain LZW encoder. With clearWhenFull false it keeps going on 12-bit codes once the
// dictionary is full, without a clear code (which decoders must accept).
Bytes LzwEncode(const Bytes& indices, int minCodeSize, bool clearWhenFull = true) {
  const int clear = 1 << minCodeSize;
  int next = clear + 2, size = minCodeSize + 1;
  std::map<std::pair<int, int>, int> dict;
  BitWriter out;
  out.Put(clear, size);
  int w = -1;
  for (uint8_t k : indices) {
    if (w < 0) {
      w = k;
      continue;
    }
    const auto found = dict.find({w, k});
    if (found != dict.end()) {
      w = found->second;
      continue;
    }
    out.Put(w, size);
    if (next >= (1 << size) && size < 12) ++size;
    if (next < 4096) dict[{w, k}] = next++;
    if (next == 4096 && clearWhenFull) {
      out.Put(clear, size);
      dict.clear();
      next = clear + 2;
      size = minCodeSize + 1;
    }
    w = k;
  }
  if (w >= 0) {
    out.Put(w, size);
    if (next >= (1 << size) && size < 12) ++size;
  }
  out.Put(clear + 1, size);
  out.Flush();
  return out.bytes;
}

struct GifOptions {
  int width = 0, height = 0;
  std::vector<uint32_t> global;  // 0xRRGGBB entries, a power of two in number (or none)
  std::vector<uint32_t> local;
  bool interlaced = false;
  int transparent = -1;
  int minCodeSize = 2;
  bool extensions = false;  // a comment, a looping block and an unknown extension first
  bool clearWhenFull = true;
};

void PutTable(Bytes& b, const std::vector<uint32_t>& table) {
  for (uint32_t c : table) {
    b.push_back(uint8_t(c >> 16));
    b.push_back(uint8_t(c >> 8));
    b.push_back(uint8_t(c));
  }
}

int TableBits(size_t n) {
  int bits = 0;
  while ((2u << bits) < n) ++bits;
  return bits;
}

void PutSubBlocks(Bytes& b, const Bytes& data) {
  for (size_t i = 0; i < data.size(); i += 255) {
    const size_t n = std::min<size_t>(255, data.size() - i);
    b.push_back(uint8_t(n));
    b.insert(b.end(), data.begin() + long(i), data.begin() + long(i + n));
  }
  b.push_back(0);
}

// A GIF from indices in row order (the encoder puts interlaced rows in pass order).
Bytes MakeGif(const GifOptions& o, const Bytes& indices) {
  Bytes b = {'G', 'I', 'F', '8', '9', 'a'};
  Put16(b, o.width);
  Put16(b, o.height);
  b.push_back(uint8_t(o.global.empty() ? 0 : 0x80 | TableBits(o.global.size())));
  b.push_back(0);
  b.push_back(0);
  PutTable(b, o.global);
  if (o.extensions) {
    b.insert(b.end(), {'!', 0xFE});
    PutSubBlocks(b, Bytes{'h', 'e', 'l', 'l', 'o'});
    b.insert(b.end(), {'!', 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1, 0, 0, 0});
    b.insert(b.end(), {'!', 0x01, 2, 9, 9, 0});
  }
  if (o.transparent >= 0) b.insert(b.end(), {'!', 0xF9, 4, 1, 0, 0, uint8_t(o.transparent), 0});
  b.push_back(',');
  Put16(b, 0);
  Put16(b, 0);
  Put16(b, o.width);
  Put16(b, o.height);
  b.push_back(uint8_t((o.local.empty() ? 0 : 0x80 | TableBits(o.local.size())) | (o.interlaced ? 0x40 : 0)));
  PutTable(b, o.local);
  Bytes ordered;
  if (o.interlaced) {
    const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
      for (int y = start[pass]; y < o.height; y += step[pass])
        ordered.insert(ordered.end(), indices.begin() + long(y) * o.width, indices.begin() + long(y + 1) * o.width);
  } else {
    ordered = indices;
  }
  b.push_back(uint8_t(o.minCodeSize));
  PutSubBlocks(b, LzwEncode(ordered, o.minCodeSize, o.clearWhenFull));
  b.push_back(';');
  return b;
}

// --- PNG and JPEG written directly with the libraries -----------------------------------------

// rows: one byte vector per row, already in the PNG's own layout.
void WritePng(const std::string& path, int w, int h, int depth, int colourType, const std::vector<Bytes>& rows,
              const std::vector<png_color>& palette = {}, const Bytes& alphas = {}, bool interlaced = false) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, f);
  png_set_IHDR(png, info, png_uint_32(w), png_uint_32(h), depth, colourType,
               interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (!palette.empty()) png_set_PLTE(png, info, palette.data(), int(palette.size()));
  if (!alphas.empty()) png_set_tRNS(png, info, alphas.data(), int(alphas.size()), nullptr);
  png_write_info(png, info);
  std::vector<png_bytep> pointers;
  for (const Bytes& row : rows) pointers.push_back(const_cast<png_bytep>(row.data()));
  png_write_image(png, pointers.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(f);
}

// A JPEG of 1 (grey), 3 (RGB) or 4 (CMYK) components from interleaved samples.
void WriteJpeg(const std::string& path, int w, int h, int components, const Bytes& samples) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  jpeg_compress_struct cinfo;
  jpeg_error_mgr errors;
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, f);
  cinfo.image_width = JDIMENSION(w);
  cinfo.image_height = JDIMENSION(h);
  cinfo.input_components = components;
  cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 95, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(samples.data() + size_t(cinfo.next_scanline) * w * components);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::fclose(f);
}

// --- The fixture: a scratch folder as the working directory -----------------------------------

class ImageLoadTest : public ::testing::Test {
 protected:
  fs::path saved = fs::current_path();
  fs::path dir = fs::temp_directory_path() / ("orva-imgload-" + std::to_string(::getpid()));

  void SetUp() override {
    fs::remove_all(dir);
    fs::create_directories(dir / "images");
    fs::current_path(dir);
  }
  void TearDown() override {
    fs::current_path(saved);
    fs::remove_all(dir);
  }

  // Every prefix of the file (and the file with garbage in place of its tail) loads as nothing or
  // as a whole image of the right size.
  template <typename Loader>
  void ExpectDamageHandled(const Bytes& file, const std::string& name, Loader load, int w, int h) {
    for (size_t n = 0; n < file.size(); ++n) {
      WriteFile(name, Bytes(file.begin(), file.begin() + long(n)));
      std::unique_ptr<Image> image = load(name);
      if (image) {
        EXPECT_EQ(image->width, w) << "cut at " << n;
        EXPECT_EQ(image->height, h) << "cut at " << n;
        ASSERT_NE(image->bits, nullptr);
      }
    }
    for (size_t start = 8; start < file.size(); start += std::max<size_t>(1, file.size() / 16)) {
      Bytes damaged = file;
      for (size_t i = start; i < damaged.size(); ++i) damaged[i] = uint8_t(i * 167 + 13);
      WriteFile(name, damaged);
      std::unique_ptr<Image> image = load(name);
      if (image) {
        EXPECT_TRUE(image->bits != nullptr && image->width > 0 && image->height > 0);
      }
    }
  }
};

// --- Finding files by name --------------------------------------------------------------------

TEST_F(ImageLoadTest, ANameWithoutExtensionFindsTheFormatsInTheirOrder) {
  const auto red = MakePixels(2, 2, {0xFFFF0000, 0xFFFF0000, 0xFFFF0000, 0xFFFF0000});
  const auto blue = MakePixels(2, 2, {0xFF0000FF, 0xFF0000FF, 0xFF0000FF, 0xFF0000FF});
  ASSERT_TRUE(ImageLib::WriteJPEGImage("images/bkg.jpg", red.get()));
  ASSERT_TRUE(ImageLib::WritePNGImage("images/bkg.png", blue.get()));
  auto image = ImageLib::LoadImageFile("images/bkg");
  ASSERT_TRUE(image);
  EXPECT_TRUE(Near(At(*image, 0, 0), 0xFFFF0000, 8)) << "the JPEG comes before the PNG";

  WriteFile("images/bkg.tga", MakeTga(1, 1, {0x80102030}));
  image = ImageLib::LoadImageFile("images/bkg");
  ASSERT_TRUE(image);
  EXPECT_EQ(At(*image, 0, 0), 0x80102030u) << "and the TGA before both";

  // A dot in a folder name is no extension.
  fs::create_directories("data.v2");
  ASSERT_TRUE(ImageLib::WritePNGImage("data.v2/tile.png", blue.get()));
  image = ImageLib::LoadImageFile("data.v2/tile");
  ASSERT_TRUE(image);
  EXPECT_EQ(At(*image, 1, 1), 0xFF0000FFu);
}

TEST_F(ImageLoadTest, AnExtensionNamesTheOnlyFormatTried) {
  const auto red = MakePixels(1, 1, {0xFFFF0000});
  ASSERT_TRUE(ImageLib::WriteJPEGImage("images/bkg.jpg", red.get()));
  EXPECT_FALSE(ImageLib::LoadImageFile("images/bkg.png")) << "never falls back to the JPEG";
  EXPECT_FALSE(ImageLib::LoadImageFile("images/bkg.bmp"));
  EXPECT_FALSE(ImageLib::LoadImageFile("images/bkg.jpeg")) << "only the listed extensions";
  // The extension matches in any case; the file looked for has the lower-case one.
  EXPECT_TRUE(ImageLib::LoadImageFile("images/bkg.JPG"));
  EXPECT_FALSE(ImageLib::LoadImageFile("images/missing"));
}

TEST_F(ImageLoadTest, AnAlphaImageOfTheSameSizeGivesItsBlueAsAlpha) {
  const auto colour = MakePixels(2, 1, {0xFF112233, 0x80445566});
  ASSERT_TRUE(ImageLib::WritePNGImage("images/ball.png", colour.get()));
  GifOptions o;
  o.width = 2;
  o.height = 1;
  o.global = {0x0000C0, 0xFFFF10, 0, 0};
  WriteFile("images/_ball.gif", MakeGif(o, {1, 0}));

  auto image = ImageLib::LoadImageFile("images/ball.png");
  ASSERT_TRUE(image);
  EXPECT_EQ(At(*image, 0, 0), 0x10112233u);
  EXPECT_EQ(At(*image, 1, 0), 0xC0445566u);

  image = ImageLib::LoadImageFile("images/ball.png", false);
  ASSERT_TRUE(image);
  EXPECT_EQ(At(*image, 0, 0), 0xFF112233u) << "no alpha search asked for";

  // The second place looked at: the name with "_" after it.
  fs::remove("images/_ball.gif");
  WriteFile("images/ball_.tga", MakeTga(2, 1, {0x000000AA, 0xFFFFFF05}));
  image = ImageLib::LoadImageFile("images/ball");
  ASSERT_TRUE(image);
  EXPECT_EQ(At(*image, 0, 0), 0xAA112233u);
  EXPECT_EQ(At(*image, 1, 0), 0x05445566u);
}

TEST_F(ImageLoadTest, AnAlphaImageOfAnotherSizeIsIgnored) {
  const auto colour = MakePixels(2, 1, {0xFF112233, 0x80445566});
  ASSERT_TRUE(ImageLib::WritePNGImage("images/ball.png", colour.get()));
  WriteFile("images/_ball.tga", MakeTga(1, 1, {0xFF000010}));
  auto image = ImageLib::LoadImageFile("images/ball.png");
  ASSERT_TRUE(image);
  EXPECT_EQ(At(*image, 0, 0), 0xFF112233u);
  EXPECT_EQ(At(*image, 1, 0), 0x80445566u);
}

TEST_F(ImageLoadTest, AnAlphaImageAloneIsTheComposeColourUnderItsBlue) {
  WriteFile("images/_glow.tga", MakeTga(2, 1, {0xFF1234C8, 0x00000001}));
  auto image = ImageLib::LoadImageFile("images/glow");
  ASSERT_TRUE(image);
  EXPECT_EQ(At(*image, 0, 0), 0xC8FFFFFFu);
  EXPECT_EQ(At(*image, 1, 0), 0x01FFFFFFu);

  const uint32_t saved = ImageLib::alphaComposeColor;
  ImageLib::alphaComposeColor = 0x203040;
  image = ImageLib::LoadImageFile("images/glow.png");
  ImageLib::alphaComposeColor = saved;
  ASSERT_TRUE(image) << "the alpha image is found whatever the colour image's extension";
  EXPECT_EQ(At(*image, 0, 0), 0xC8203040u);

  EXPECT_FALSE(ImageLib::LoadImageFile("images/glow", false));
}

TEST_F(ImageLoadTest, TheBridgeMakesAMemoryImageWithItsAlphaFlags) {
  const auto colour = MakePixels(2, 2, {0xFF000000, 0x80FFFFFF, 0xFF00FF00, 0xFF0000FF});
  ASSERT_TRUE(ImageLib::WritePNGImage("images/pane.png", colour.get()));
  auto image = Orva::LoadMemoryImage("images/pane", nullptr);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->width, 2);
  EXPECT_EQ(image->height, 2);
  EXPECT_EQ(image->filePath, "images/pane");
  EXPECT_EQ(image->GetPixels()[1], 0x80FFFFFFu);
  EXPECT_EQ(image->GetPixels()[3], 0xFF0000FFu);
  EXPECT_TRUE(image->hasTranslucent);
  EXPECT_FALSE(image->hasTransparent);
  EXPECT_TRUE(image->GuardIntact());

  EXPECT_FALSE(Orva::LoadMemoryImage("images/none", nullptr));
  EXPECT_FALSE(Orva::CreateMemoryImage(Image(), nullptr));
}

// --- TGA ------------------------------------------------------------------------------------

TEST_F(ImageLoadTest, TgaPixelsAreTakenAsTheyStand) {
  WriteFile("a.tga", MakeTga(3, 2, {0xFF102030, 0x00405060, 0x80FFFFFF, 1, 2, 3}));
  auto image = ImageLib::GetTGAImage("a.tga");
  ASSERT_TRUE(image);
  ASSERT_EQ(image->width, 3);
  ASSERT_EQ(image->height, 2);
  EXPECT_EQ(At(*image, 0, 0), 0xFF102030u);
  EXPECT_EQ(At(*image, 1, 0), 0x00405060u);
  EXPECT_EQ(At(*image, 2, 0), 0x80FFFFFFu);
  EXPECT_EQ(At(*image, 2, 1), 3u);
}

TEST_F(ImageLoadTest, TgaOtherThan32BitTopDownIsRefused) {
  WriteFile("a.tga", MakeTga(1, 1, {0xFFFFFFFF}, 24, 0x28));
  EXPECT_FALSE(ImageLib::GetTGAImage("a.tga"));
  WriteFile("a.tga", MakeTga(1, 1, {0xFFFFFFFF}, 32, 0x08));
  EXPECT_FALSE(ImageLib::GetTGAImage("a.tga")) << "bottom-up";
  WriteFile("a.tga", MakeTga(0, 4, {}));
  EXPECT_FALSE(ImageLib::GetTGAImage("a.tga"));
}

TEST_F(ImageLoadTest, TgaShortOrHugeGivesNothing) {
  const Bytes file = MakeTga(4, 3, std::vector<uint32_t>(12, 0xFF00FF00));
  for (size_t n = 0; n < file.size(); ++n) {
    WriteFile("a.tga", Bytes(file.begin(), file.begin() + long(n)));
    EXPECT_FALSE(ImageLib::GetTGAImage("a.tga")) << "cut at " << n;
  }
  // 65535 x 65535 would be 16 GiB; the header alone says so.
  Bytes huge = MakeTga(65535, 65535, std::vector<uint32_t>(16, 0));
  WriteFile("a.tga", huge);
  EXPECT_FALSE(ImageLib::GetTGAImage("a.tga"));
}

// --- PNG ------------------------------------------------------------------------------------

TEST_F(ImageLoadTest, PngRgbaRoundTripsExactly) {
  const auto colour = MakePixels(3, 1, {0xFF102030, 0x00000000, 0x7F8090A0});
  ASSERT_TRUE(ImageLib::WritePNGImage("a.png", colour.get()));
  auto image = ImageLib::GetPNGImage("a.png");
  ASSERT_TRUE(image);
  EXPECT_EQ(At(*image, 0, 0), 0xFF102030u);
  EXPECT_EQ(At(*image, 1, 0), 0x00000000u);
  EXPECT_EQ(At(*image, 2, 0), 0x7F8090A0u);
}

TEST_F(ImageLoadTest, PngPaletteGreyAndDeepFormsBecomeFullPixels) {
  // 2-bit palette, entries 1 and 2 with alpha from tRNS; entry 3 has none (opaque).
  WritePng("pal.png", 4, 1, 2, PNG_COLOR_TYPE_PALETTE, {{0b00011011}},
           {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}, {255, 0, 128}}, {255, 0x80, 0});
  auto image = ImageLib::GetPNGImage("pal.png");
  ASSERT_TRUE(image);
  EXPECT_EQ(At(*image, 0, 0), 0xFF0A141Eu);
  EXPECT_EQ(At(*image, 1, 0), 0x8028323Cu);
  EXPECT_EQ(At(*image, 2, 0), 0x0046505Au);
  EXPECT_EQ(At(*image, 3, 0), 0xFFFF0080u);

  // 1-bit grey: 0 and 1 are black and white.
  WritePng("g1.png", 3, 1, 1, PNG_COLOR_TYPE_GRAY, {{0b10100000}});
  image = ImageLib::GetPNGImage("g1.png");
  ASSERT_TRUE(image);
  EXPECT_EQ(At(*image, 0, 0), 0xFFFFFFFFu);
  EXPECT_EQ(At(*image, 1, 0), 0xFF000000u);
  EXPECT_EQ(At(*image, 2, 0), 0xFFFFFFFFu);

  WritePng("g8.png", 2, 1, 8, PNG_COLOR_TYPE_GRAY_ALPHA, {{0x40, 0xFF, 0x99, 0x10}});
  image = ImageLib::GetPNGImage("g8.png");
  ASSERT_TRUE(image);
  EXPECT_EQ(At(*image, 0, 0), 0xFF404040u);
  EXPECT_EQ(At(*image, 1, 0), 0x10999999u);

  // 16-bit channels keep their high byte.
  WritePng("rgb16.png", 1, 1, 16, PNG_COLOR_TYPE_RGB, {{0x12, 0x34, 0xAB, 0xCD, 0x00, 0xFF}});
  image = ImageLib::GetPNGImage("rgb16.png");
  ASSERT_TRUE(image);
  EXPECT_EQ(At(*image, 0, 0), 0xFF12AB00u);
}

TEST_F(ImageLoadTest, InterlacedPngFillsEveryPixel) {
  const int w = 11, h = 9;
  std::vector<Bytes> rows;
  for (int y = 0; y < h; ++y) {
    Bytes row;
    for (int x = 0; x < w; ++x) row.insert(row.end(), {uint8_t(x * 20), uint8_t(y * 25), uint8_t(x + y)});
    rows.push_back(row);
  }
  WritePng("lace.png", w, h, 8, PNG_COLOR_TYPE_RGB, rows, {}, {}, true);
  auto image = ImageLib::GetPNGImage("lace.png");
  ASSERT_TRUE(image);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      ASSERT_EQ(At(*image, x, y), 0xFF000000u | uint32_t(x * 20) << 16 | uint32_t(y * 25) << 8 | uint32_t(x + y))
          << x << "," << y;
}

TEST_F(ImageLoadTest, DamagedPngsGiveNothingOrAWholeImage) {
  std::vector<uint32_t> pixels(24 * 16);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = uint32_t(i * 2654435761u);
  const auto colour = MakePixels(24, 16, pixels);
  ASSERT_TRUE(ImageLib::WritePNGImage("a.png", colour.get()));
  const Bytes file = ReadFile("a.png");
  ExpectDamageHandled(file, "a.png", ImageLib::GetPNGImage, 24, 16);
  WriteFile("a.png", Bytes(file.begin(), file.begin() + long(file.size() / 2)));
  EXPECT_FALSE(ImageLib::GetPNGImage("a.png")) << "rows missing";
}

// --- JPEG -----------------------------------------------------------------------------------

TEST_F(ImageLoadTest, JpegRoundTripKeepsColoursNearlyAndDropsAlpha) {
  // Quarters as big as the colour blocks of a subsampled JPEG, so each block is one colour.
  std::vector<uint32_t> pixels(32 * 32);
  const uint32_t quarters[4] = {0x40FF0000, 0x4000FF00, 0x400000FF, 0x40E0C020};
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) pixels[size_t(y * 32 + x)] = quarters[(y / 16) * 2 + x / 16];
  const auto colour = MakePixels(32, 32, pixels);
  ASSERT_TRUE(ImageLib::WriteJPEGImage("a.jpg", colour.get()));
  EXPECT_FALSE(fs::exists("a.jpg.tmp"));
  auto image = ImageLib::GetJPEGImage("a.jpg");
  ASSERT_TRUE(image);
  ASSERT_EQ(image->width, 32);
  ASSERT_EQ(image->height, 32);
  EXPECT_TRUE(Near(At(*image, 5, 5), 0xFFFF0000, 8));
  EXPECT_TRUE(Near(At(*image, 26, 5), 0xFF00FF00, 8));
  EXPECT_TRUE(Near(At(*image, 5, 26), 0xFF0000FF, 8));
  EXPECT_TRUE(Near(At(*image, 26, 26), 0xFFE0C020, 8));

  EXPECT_FALSE(ImageLib::WriteJPEGImage("missing/a.jpg", colour.get()));
  EXPECT_FALSE(ImageLib::WriteJPEGImage("b.jpg", nullptr));
  EXPECT_FALSE(fs::exists("b.jpg"));
}

TEST_F(ImageLoadTest, JpegGreyIsSpreadToEveryChannelAndCmykIsRefused) {
  Bytes grey(8 * 8, 0x60);
  WriteJpeg("grey.jpg", 8, 8, 1, grey);
  auto image = ImageLib::GetJPEGImage("grey.jpg");
  ASSERT_TRUE(image);
  const uint32_t p = At(*image, 4, 4);
  EXPECT_EQ(p >> 24, 0xFFu);
  EXPECT_EQ((p >> 16) & 0xFF, p & 0xFF);
  EXPECT_EQ((p >> 8) & 0xFF, p & 0xFF);
  EXPECT_NEAR(int(p & 0xFF), 0x60, 2);

  WriteJpeg("cmyk.jpg", 8, 8, 4, Bytes(8 * 8 * 4, 0x30));
  EXPECT_FALSE(ImageLib::GetJPEGImage("cmyk.jpg"));
}

TEST_F(ImageLoadTest, DamagedJpegsGiveNothingOrAWholeImage) {
  Bytes samples(24 * 16 * 3);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = uint8_t(i * 37);
  WriteJpeg("a.jpg", 24, 16, 3, samples);
  ExpectDamageHandled(ReadFile("a.jpg"), "a.jpg", ImageLib::GetJPEGImage, 24, 16);
  WriteFile("a.jpg", Bytes{'n', 'o', 't'});
  EXPECT_FALSE(ImageLib::GetJPEGImage("a.jpg"));
}

// --- GIF ------------------------------------------------------------------------------------

// A 2 x 2 picture assembled by hand: codes clear, 0, 1, 2, 3, end at 3, 3, 3, 3, 4, 4 bits (the
// third code fills entry 7, so the next ones need 4 bits), packed from the low bit up.
const Bytes kTinyGif = {'G', 'I', 'F', '8', '7', 'a', 2, 0, 2, 0, 0x81, 0, 0,
                        // colours 0..3
                        0xFF, 0, 0, 0, 0xFF, 0, 0, 0, 0xFF, 0x10, 0x20, 0x30,
                        // image descriptor, code size 2, one sub-block of three bytes
                        ',', 0, 0, 0, 0, 2, 0, 2, 0, 0, 2, 3, 0x44, 0x34, 0x05, 0, ';'};

TEST_F(ImageLoadTest, GifCodesBecomeColoursOfTheGlobalTable) {
  WriteFile("a.gif", kTinyGif);
  auto image = ImageLib::GetGIFImage("a.gif");
  ASSERT_TRUE(image);
  ASSERT_EQ(image->width, 2);
  ASSERT_EQ(image->height, 2);
  EXPECT_EQ(At(*image, 0, 0), 0xFFFF0000u);
  EXPECT_EQ(At(*image, 1, 0), 0xFF00FF00u);
  EXPECT_EQ(At(*image, 0, 1), 0xFF0000FFu);
  EXPECT_EQ(At(*image, 1, 1), 0xFF102030u);
}

TEST_F(ImageLoadTest, GifLocalTableReplacesTheGlobalOne) {
  GifOptions o;
  o.width = 3;
  o.height = 1;
  o.global = {0x111111, 0x222222, 0x333333, 0x444444};
  o.local = {0xA00000, 0x00B000, 0x0000C0, 0xDDDDDD};
  o.extensions = true;
  WriteFile("a.gif", MakeGif(o, {2, 1, 0}));
  auto image = ImageLib::GetGIFImage("a.gif");
  ASSERT_TRUE(image);
  EXPECT_EQ(At(*image, 0, 0), 0xFF0000C0u);
  EXPECT_EQ(At(*image, 1, 0), 0xFF00B000u);
  EXPECT_EQ(At(*image, 2, 0), 0xFFA00000u);
}

TEST_F(ImageLoadTest, GifTransparentIndexIsZeroWhereverItOccurs) {
  GifOptions o;
  o.width = 4;
  o.height = 2;
  o.global = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
  o.transparent = 3;
  WriteFile("a.gif", MakeGif(o, {3, 0, 3, 3, 1, 3, 2, 3}));
  auto image = ImageLib::GetGIFImage("a.gif");
  ASSERT_TRUE(image);
  const uint32_t expected[8] = {0, 0xFFFF0000, 0, 0, 0xFF00FF00, 0, 0xFF0000FF, 0};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(image->bits[size_t(i)], expected[i]) << i;
}

TEST_F(ImageLoadTest, InterlacedGifRowsLandInPassOrder) {
  // One column of 10 rows, row y in colour y: the file holds rows 0, 8, 4, 2, 6, 1, 3, 5, 7, 9.
  GifOptions o;
  o.width = 1;
  o.height = 10;
  o.interlaced = true;
  o.minCodeSize = 4;
  for (int i = 0; i < 16; ++i) o.global.push_back(uint32_t(i * 0x101010));
  WriteFile("a.gif", MakeGif(o, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
  auto image = ImageLib::GetGIFImage("a.gif");
  ASSERT_TRUE(image);
  for (int y = 0; y < 10; ++y) EXPECT_EQ(At(*image, 0, y), 0xFF000000u | uint32_t(y * 0x101010)) << y;
}

TEST_F(ImageLoadTest, GifLongStreamsDecodeAcrossDictionaryResets) {
  // Enough varied data to fill the dictionary several times, cleared or continued on 12 bits.
  const int w = 300, h = 200;
  Bytes indices(size_t(w) * h);
  uint32_t seed = 1;
  for (size_t i = 0; i < indices.size(); ++i) {
    seed = seed * 1103515245u + 12345u;
    indices[i] = (i % 7 < 3) ? uint8_t(i / 640) : uint8_t(seed >> 24);
  }
  GifOptions o;
  o.width = w;
  o.height = h;
  o.minCodeSize = 8;
  for (int i = 0; i < 256; ++i) o.global.push_back(uint32_t(i * 0x010203) & 0xFFFFFF);
  for (bool clearWhenFull : {true, false}) {
    o.clearWhenFull = clearWhenFull;
    WriteFile("a.gif", MakeGif(o, indices));
    auto image = ImageLib::GetGIFImage("a.gif");
    ASSERT_TRUE(image);
    int wrong = 0;
    for (size_t i = 0; i < indices.size(); ++i) wrong += image->bits[i] != (0xFF000000u | o.global[indices[i]]);
    EXPECT_EQ(wrong, 0) << "clear when full: " << clearWhenFull;
  }
}

TEST_F(ImageLoadTest, GifIndicesWithoutAColourAreOpaqueBlack) {
  // A two-entry table under code size 2: index 3 has no colour; without any table none has.
  GifOptions o;
  o.width = 3;
  o.height = 1;
  o.global = {0xFFFFFF, 0x808080};
  WriteFile("a.gif", MakeGif(o, {1, 3, 0}));
  auto image = ImageLib::GetGIFImage("a.gif");
  ASSERT_TRUE(image);
  EXPECT_EQ(At(*image, 0, 0), 0xFF808080u);
  EXPECT_EQ(At(*image, 1, 0), 0xFF000000u);
  EXPECT_EQ(At(*image, 2, 0), 0xFFFFFFFFu);

  o.global.clear();
  WriteFile("a.gif", MakeGif(o, {1, 3, 0}));
  image = ImageLib::GetGIFImage("a.gif");
  ASSERT_TRUE(image);
  EXPECT_EQ(At(*image, 0, 0), 0xFF000000u);
}

TEST_F(ImageLoadTest, GifWithoutAnUsableImageGivesNothing) {
  Bytes trailerFirst(kTinyGif.begin(), kTinyGif.begin() + 25);
  trailerFirst.push_back(';');
  WriteFile("a.gif", trailerFirst);
  EXPECT_FALSE(ImageLib::GetGIFImage("a.gif"));

  Bytes b = kTinyGif;
  b[0] = 'X';
  WriteFile("a.gif", b);
  EXPECT_FALSE(ImageLib::GetGIFImage("a.gif"));

  b = kTinyGif;
  b[30] = 0;  // width 0
  WriteFile("a.gif", b);
  EXPECT_FALSE(ImageLib::GetGIFImage("a.gif"));

  for (uint8_t codeSize : {0, 1, 12, 200}) {
    b = kTinyGif;
    b[35] = codeSize;
    WriteFile("a.gif", b);
    EXPECT_FALSE(ImageLib::GetGIFImage("a.gif")) << int(codeSize);
  }

  // 65535 x 65535 is refused before anything is allocated.
  b = kTinyGif;
  b[30] = b[31] = b[32] = b[33] = 0xFF;
  WriteFile("a.gif", b);
  EXPECT_FALSE(ImageLib::GetGIFImage("a.gif"));
}

TEST_F(ImageLoadTest, GifDataThatGoesWrongLeavesTheRestTransparent) {
  // Codes clear, 0, then 7 while the next free entry is 6: decoding stops after one pixel.
  Bytes b(kTinyGif.begin(), kTinyGif.begin() + 36);
  b.insert(b.end(), {2, 0xC4, 0x01, 0, ';'});
  WriteFile("a.gif", b);
  auto image = ImageLib::GetGIFImage("a.gif");
  ASSERT_TRUE(image);
  EXPECT_EQ(At(*image, 0, 0), 0xFFFF0000u);
  EXPECT_EQ(At(*image, 1, 0), 0u);
  EXPECT_EQ(At(*image, 1, 1), 0u);

  // Cut inside the image data: what was decoded stays.
  Bytes cut(kTinyGif.begin(), kTinyGif.begin() + 38);
  WriteFile("a.gif", cut);
  image = ImageLib::GetGIFImage("a.gif");
  ASSERT_TRUE(image);
  EXPECT_EQ(At(*image, 0, 0), 0xFFFF0000u);
  EXPECT_EQ(At(*image, 1, 1), 0u);
}

TEST_F(ImageLoadTest, DamagedGifsGiveNothingOrAWholeImage) {
  GifOptions o;
  o.width = 20;
  o.height = 12;
  o.interlaced = true;
  o.transparent = 5;
  o.minCodeSize = 3;
  o.global = {0, 0x111111, 0x222222, 0x333333, 0x444444, 0x555555, 0x666666, 0x777777};
  Bytes indices(240);
  for (size_t i = 0; i < indices.size(); ++i) indices[i] = uint8_t((i * i) % 8);
  ExpectDamageHandled(MakeGif(o, indices), "a.gif", ImageLib::GetGIFImage, 20, 12);
}

// --- JPEG 2000 ------------------------------------------------------------------------------

// Encodes with the same library the loader opens, losslessly, when it is on this machine.
class Jpeg2000Writer {
 public:
  Jpeg2000Writer() : library_(dlopen("libopenjp2.so.7", RTLD_NOW | RTLD_LOCAL)) {}
  ~Jpeg2000Writer() {
    if (library_) dlclose(library_);
  }
  bool Available() const { return library_ != nullptr; }

  // components: 1 (grey) or 3 (RGB), samples interleaved, 8 bits each.
  bool Write(const std::string& path, bool jp2, int w, int h, int components, const Bytes& samples) {
    auto createCompress = Get<decltype(&opj_create_compress)>("opj_create_compress");
    auto setDefaults = Get<decltype(&opj_set_default_encoder_parameters)>("opj_set_default_encoder_parameters");
    auto imageCreate = Get<decltype(&opj_image_create)>("opj_image_create");
    auto setup = Get<decltype(&opj_setup_encoder)>("opj_setup_encoder");
    auto fileStream = Get<decltype(&opj_stream_create_default_file_stream)>("opj_stream_create_default_file_stream");
    auto start = Get<decltype(&opj_start_compress)>("opj_start_compress");
    auto encode = Get<decltype(&opj_encode)>("opj_encode");
    auto end = Get<decltype(&opj_end_compress)>("opj_end_compress");
    auto streamDestroy = Get<decltype(&opj_stream_destroy)>("opj_stream_destroy");
    auto destroyCodec = Get<decltype(&opj_destroy_codec)>("opj_destroy_codec");
    auto imageDestroy = Get<decltype(&opj_image_destroy)>("opj_image_destroy");
    if (!createCompress || !setDefaults || !imageCreate || !setup || !fileStream || !start || !encode || !end ||
        !streamDestroy || !destroyCodec || !imageDestroy)
      return false;
    opj_cparameters_t parameters;
    setDefaults(&parameters);
    parameters.tcp_numlayers = 1;
    parameters.tcp_rates[0] = 0;
    parameters.cp_disto_alloc = 1;
    parameters.numresolution = 2;
    std::vector<opj_image_cmptparm_t> params(static_cast<size_t>(components));
    for (auto& p : params) {
      p = {};
      p.dx = p.dy = 1;
      p.w = OPJ_UINT32(w);
      p.h = OPJ_UINT32(h);
      p.prec = 8;
    }
    opj_image_t* image =
        imageCreate(OPJ_UINT32(components), params.data(), components == 1 ? OPJ_CLRSPC_GRAY : OPJ_CLRSPC_SRGB);
    image->x1 = OPJ_UINT32(w);
    image->y1 = OPJ_UINT32(h);
    for (int c = 0; c < components; ++c)
      for (int i = 0; i < w * h; ++i) image->comps[c].data[i] = samples[size_t(i * components + c)];
    opj_codec_t* codec = createCompress(jp2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K);
    opj_stream_t* stream = fileStream(path.c_str(), OPJ_FALSE);
    const bool ok = setup(codec, &parameters, image) && stream && start(codec, image, stream) &&
                    encode(codec, stream) && end(codec, stream);
    if (stream) streamDestroy(stream);
    destroyCodec(codec);
    imageDestroy(image);
    return ok;
  }

 private:
  template <typename F>
  F Get(const char* name) {
    return reinterpret_cast<F>(dlsym(library_, name));
  }
  void* library_;
};

TEST_F(ImageLoadTest, Jpeg2000CodestreamAndFileDecodeLosslessly) {
  Jpeg2000Writer writer;
  if (!writer.Available()) GTEST_SKIP() << "libopenjp2.so.7 is not installed";
  const Bytes rgb = {255, 0, 0, 0, 255, 0, 0, 0, 255, 10, 20, 30, 200, 100, 50, 1, 2, 3};
  ASSERT_TRUE(writer.Write("images/pic.j2k", false, 3, 2, 3, rgb));
  auto image = ImageLib::LoadImageFile("images/pic");
  ASSERT_TRUE(image);
  ASSERT_EQ(image->width, 3);
  ASSERT_EQ(image->height, 2);
  const uint32_t expected[6] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF0A141E, 0xFFC86432, 0xFF010203};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(image->bits[size_t(i)], expected[i]) << i;

  const Bytes grey = {0, 0x40, 0x80, 0xFF};
  ASSERT_TRUE(writer.Write("images/grey.jp2", true, 2, 2, 1, grey));
  image = ImageLib::LoadImageFile("images/grey.jp2");
  ASSERT_TRUE(image);
  EXPECT_EQ(At(*image, 0, 0), 0xFF000000u);
  EXPECT_EQ(At(*image, 1, 0), 0xFF404040u);
  EXPECT_EQ(At(*image, 1, 1), 0xFFFFFFFFu);

  const Bytes file = ReadFile("images/pic.j2k");
  ExpectDamageHandled(file, "images/pic.j2k", ImageLib::GetJPEG2000Image, 3, 2);
}

}  // namespace

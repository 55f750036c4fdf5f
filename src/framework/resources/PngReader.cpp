#include <png.h>

#include <csetjmp>
#include <cstdlib>

#include "framework/resources/ImageLib.h"
#include "framework/resources/ImageReading.h"
#include "framework/resources/PakInterface.h"

namespace ImageLib {
namespace {

void ReadThroughArchive(png_structp png, png_bytep data, size_t length) {
  auto* file = static_cast<PakFile*>(png_get_io_ptr(png));
  if (p_fread(data, 1, length, file) != length) png_error(png, "Read Error");
}

// Damaged files are expected here; they give no image, quietly.
void QuietError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void QuietWarning(png_structp, png_const_charp) {}

// Decodes into a malloc'd pixel array. libpng reports errors by longjmp, so nothing with a
// destructor lives in this function; the pixels are a raw pointer freed on the error path.
uint32_t* DecodePNG(PakFile* file, int* outWidth, int* outHeight) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, QuietError, QuietWarning);
  if (!png) return nullptr;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return nullptr;
  }
  uint32_t* volatile pixels = nullptr;
  if (setjmp(png_jmpbuf(png))) {
    std::free(pixels);
    png_destroy_read_struct(&png, &info, nullptr);
    return nullptr;
  }
  png_set_read_fn(png, file, ReadThroughArchive);
  png_read_info(png, info);
  png_uint_32 width = 0, height = 0;
  int depth = 0, colourType = 0;
  png_get_IHDR(png, info, &width, &height, &depth, &colourType, nullptr, nullptr, nullptr);
  if (!Reading::SizeAllowed(width, height)) png_error(png, "Too large");

  // Every kind of PNG becomes 8-bit B, G, R, A bytes: 0xAARRGGBB words.
  const bool transparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (colourType == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (transparency) png_set_tRNS_to_alpha(png);
  if (depth == 16) png_set_strip_16(png);
  if (!(colourType & PNG_COLOR_MASK_COLOR)) png_set_gray_to_rgb(png);
  png_set_bgr(png);
  if (!(colourType & PNG_COLOR_MASK_ALPHA) && !transparency) png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != size_t(width) * 4) png_error(png, "Unexpected row size");

  pixels = Reading::AllocatePixels(int(width), int(height), false);
  if (!pixels) png_error(png, "Out of memory");
  for (int pass = 0; pass < passes; ++pass)
    for (png_uint_32 y = 0; y < height; ++y)
      png_read_row(png, reinterpret_cast<png_bytep>(pixels + size_t(y) * width), nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  *outWidth = int(width);
  *outHeight = int(height);
  return pixels;
}

}  // namespace

std::unique_ptr<Image> GetPNGImage(const std::string& fileName) {
  PakFile* file = p_fopen(fileName.c_str(), "rb");
  if (!file) return nullptr;
  int width = 0, height = 0;
  uint32_t* pixels = DecodePNG(file, &width, &height);
  p_fclose(file);
  return Reading::AdoptPixels(pixels, width, height);
}

}  // namespace ImageLib

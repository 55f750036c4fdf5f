#include "framework/resources/ImageLib.h"

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

#include "framework/resources/ImageReading.h"

namespace ImageLib {

Image::Image(int w, int h) {
  if (w <= 0 || h <= 0 || uint64_t(w) * uint64_t(h) * 4 > 0xFFFFFFFFull) return;
  bits.reset(static_cast<uint32_t*>(std::calloc(size_t(w) * size_t(h), 4)));
  if (!bits) return;
  width = w;
  height = h;
}

namespace {

bool WritePNGToFile(std::FILE* file, const Image* image) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  std::vector<png_bytep> rows(size_t(image->height));
  for (int y = 0; y < image->height; ++y)
    rows[size_t(y)] = reinterpret_cast<png_bytep>(image->bits.get() + size_t(y) * image->width);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, png_uint_32(image->width), png_uint_32(image->height), 8, PNG_COLOR_TYPE_RGB_ALPHA,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_color_8 sig{8, 8, 8, 8, 8};
  png_set_sBIT(png, info, &sig);
  png_write_info(png, info);
  // Pixel words 0xAARRGGBB lie in memory as B, G, R, A.
  png_set_bgr(png);
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

namespace Reading {

bool WriteAtomically(const std::string& fileName, const std::function<bool(std::FILE*)>& write) {
  const std::string temp = fileName + ".tmp";
  std::FILE* file = std::fopen(temp.c_str(), "wb");
  if (!file) return false;
  const bool written = write(file);
  const bool closed = std::fclose(file) == 0;
  std::error_code ec;
  if (!written || !closed) {
    std::filesystem::remove(temp, ec);
    return false;
  }
  std::filesystem::rename(temp, fileName, ec);
  if (ec) {
    std::filesystem::remove(temp, ec);
    return false;
  }
  return true;
}

}  // namespace Reading

bool WritePNGImage(const std::string& fileName, const Image* image) {
  if (!image || !image->bits || image->width <= 0 || image->height <= 0) return false;
  return Reading::WriteAtomically(fileName, [image](std::FILE* file) { return WritePNGToFile(file, image); });
}

}  // namespace ImageLib

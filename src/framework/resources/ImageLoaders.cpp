#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "framework/resources/ImageLib.h"
#include "framework/resources/ImageReading.h"
#include "framework/resources/PakInterface.h"

namespace ImageLib {

thread_local uint32_t alphaComposeColor = 0xFFFFFF;
thread_local std::string loadProblem;

namespace Reading {

uint32_t* AllocatePixels(int width, int height, bool zeroed) {
  if (!SizeAllowed(width, height)) return nullptr;
  const size_t count = size_t(width) * size_t(height);
  return static_cast<uint32_t*>(zeroed ? std::calloc(count, 4) : std::malloc(count * 4));
}

std::unique_ptr<Image> AdoptPixels(uint32_t* pixels, int width, int height) {
  if (!pixels) return nullptr;
  auto image = std::make_unique<Image>();
  image->bits.reset(pixels);
  image->width = width;
  image->height = height;
  return image;
}

bool ReadWholeFile(const std::string& fileName, std::vector<uint8_t>& out) {
  std::string problem;
  if (p_readwhole(fileName, out, kMaxImageFileBytes, &problem)) return true;
  // A missing file is the usual answer while the formats are tried one by one; anything else is
  // worth telling.
  if (problem != "no such file") loadProblem = fileName + ": " + problem;
  return false;
}

}  // namespace Reading

namespace {

using Reading::AdoptPixels;
using Reading::AllocatePixels;

uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }

using Loader = std::unique_ptr<Image> (*)(const std::string&);

struct Format {
  const char* extension;
  Loader load;
};

// The order matters: a name without an extension finds the first format present.
constexpr Format kFormats[] = {
    {".tga", GetTGAImage}, {".jpg", GetJPEGImage},     {".png", GetPNGImage},
    {".gif", GetGIFImage}, {".j2k", GetJPEG2000Image}, {".jp2", GetJPEG2000Image},
};

bool EqualNoCase(const std::string& a, const char* b) {
  const size_t n = std::strlen(b);
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

// Splits "dir/name.ext" into "dir/name" and ".ext"; a dot before the last separator is no extension.
void SplitExtension(const std::string& fileName, std::string& base, std::string& extension) {
  const size_t dot = fileName.rfind('.');
  const size_t slash = fileName.find_last_of("\\/");
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
    base = fileName.substr(0, dot);
    extension = fileName.substr(dot);
  } else {
    base = fileName;
    extension.clear();
  }
}

std::unique_ptr<Image> LoadColourImage(const std::string& fileName) {
  std::string base, extension;
  SplitExtension(fileName, base, extension);
  for (const Format& format : kFormats) {
    if (!extension.empty() && !EqualNoCase(extension, format.extension)) continue;
    if (auto image = format.load(base + format.extension)) return image;
  }
  return nullptr;
}

std::unique_ptr<Image> FindAlphaImage(const std::string& fileName) {
  std::string base, extension;
  SplitExtension(fileName, base, extension);
  const size_t slash = base.find_last_of("\\/");
  const size_t filePart = slash == std::string::npos ? 0 : slash + 1;
  if (auto alpha = LoadColourImage(base.substr(0, filePart) + "_" + base.substr(filePart))) return alpha;
  return LoadColourImage(base + "_");
}

}  // namespace

std::unique_ptr<Image> LoadImageFile(const std::string& fileName, bool lookForAlphaImage) {
  loadProblem.clear();
  std::unique_ptr<Image> image = LoadColourImage(fileName);
  if (!lookForAlphaImage) return image;
  std::unique_ptr<Image> alpha = FindAlphaImage(fileName);
  if (!alpha) return image;
  const size_t count = size_t(alpha->width) * size_t(alpha->height);
  if (!image) {
    const uint32_t colour = alphaComposeColor & 0xFFFFFF;
    for (size_t i = 0; i < count; ++i) alpha->bits[i] = ((alpha->bits[i] & 0xFF) << 24) | colour;
    return alpha;
  }
  // An alpha image of another size is ignored.
  if (image->width == alpha->width && image->height == alpha->height) {
    uint32_t* px = image->bits.get();
    const uint32_t* a = alpha->bits.get();
    for (size_t i = 0; i < count; ++i) px[i] = (px[i] & 0xFFFFFF) | ((a[i] & 0xFF) << 24);
  }
  return image;
}

// Uncompressed 32-bit TGA with its origin at the top left and 8 alpha bits (descriptor 0x28) is
// the only kind taken. The image type is not looked at and no id or colour map is skipped: the
// pixels start right after the 18-byte header.
std::unique_ptr<Image> GetTGAImage(const std::string& fileName) {
  PakFile* file = p_fopen(fileName.c_str(), "rb");
  if (!file) return nullptr;
  uint8_t header[18];
  uint32_t* pixels = nullptr;
  int width = 0, height = 0;
  if (p_fread(header, 1, sizeof header, file) == sizeof header && header[16] == 32 && header[17] == 0x28) {
    width = Le16(header + 12);
    height = Le16(header + 14);
    const size_t bytes = size_t(width) * size_t(height) * 4;
    // A header promising more than the file holds is refused before anything is allocated.
    long end = -1;
    if (p_fseek(file, 0, SEEK_END) == 0) end = p_ftell(file);
    const bool fits = end < 0 || uint64_t(end) >= sizeof header + bytes;
    if (fits && p_fseek(file, sizeof header, SEEK_SET) == 0) pixels = AllocatePixels(width, height, false);
    // B, G, R, A bytes are little-endian 0xAARRGGBB words as they stand. A short file gives nothing.
    if (pixels && p_fread(pixels, 1, bytes, file) != bytes) {
      std::free(pixels);
      pixels = nullptr;
    }
  }
  p_fclose(file);
  return AdoptPixels(pixels, width, height);
}

}  // namespace ImageLib

#pragma once

#include <cstdint>
#include <memory>
#include <string>

// The image file library: plain 32-bit pixel arrays in and out of image files. It does not
// depend on the rest of the framework.
namespace ImageLib {

class Image {
 public:
  int width = 0;
  int height = 0;
  std::unique_ptr<uint32_t[]> bits;  // width * height pixels, 0xAARRGGBB, top row first

  Image() = default;
  Image(int w, int h);  // zeroed pixels; an impossible size leaves the image empty
  virtual ~Image() = default;
};

// 8-bit RGBA PNG. The file appears whole or not at all: it is written beside and renamed.
bool WritePNGImage(const std::string& fileName, const Image* image);

}  // namespace ImageLib

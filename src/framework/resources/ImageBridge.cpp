#include "framework/resources/ImageBridge.h"

#include <cstring>

#include "framework/graphics/MemoryImage.h"
#include "framework/resources/ImageLib.h"

namespace Orva {

bool WriteImagePNG(MemoryImage* image, const std::string& fileName) {
  if (!image) return false;
  const uint32_t* pixels = image->GetPixels();
  if (!pixels) return false;
  ImageLib::Image copy(image->width, image->height);
  if (!copy.bits) return false;
  std::memcpy(copy.bits.get(), pixels, size_t(image->width) * size_t(image->height) * 4);
  return ImageLib::WritePNGImage(fileName, &copy);
}

}  // namespace Orva

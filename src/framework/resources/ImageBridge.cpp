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

std::unique_ptr<MemoryImage> CreateMemoryImage(const ImageLib::Image& image, ImageHost* host) {
  if (!image.bits || image.width <= 0 || image.height <= 0) return nullptr;
  auto memoryImage = std::make_unique<MemoryImage>(host);
  memoryImage->SetPixels(image.bits.get(), image.width, image.height, true);
  if (!memoryImage->GetPixels()) return nullptr;
  return memoryImage;
}

std::unique_ptr<MemoryImage> LoadMemoryImage(const std::string& fileName, ImageHost* host, bool lookForAlphaImage) {
  const std::unique_ptr<ImageLib::Image> image = ImageLib::LoadImageFile(fileName, lookForAlphaImage);
  if (!image) return nullptr;
  std::unique_ptr<MemoryImage> memoryImage = CreateMemoryImage(*image, host);
  if (memoryImage) memoryImage->filePath = fileName;
  return memoryImage;
}

}  // namespace Orva

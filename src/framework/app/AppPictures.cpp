// Pictures the resource manager asks for, read from files and shared between users.
#include "framework/app/OrvaAppBase.h"
#include "framework/graphics/DDImage.h"
#include "framework/resources/ImageLib.h"

namespace Orva {

std::unique_ptr<MemoryImage> OrvaAppBase::CreateImageFromFile(const std::string& path, bool commitBits) {
  std::unique_ptr<ImageLib::Image> file = ImageLib::LoadImageFile(path);
  if (file == nullptr || file->bits == nullptr) return nullptr;
  auto image = std::make_unique<DDImage>(display.get(), &images);
  image->SetPixels(file->bits.get(), file->width, file->height, commitBits);
  image->filePath = path;
  return image;
}

SharedPictureRef OrvaAppBase::AcquireSharedImage(const std::string& path, const std::string& variant, bool* isNew) {
  return sharedImages.Acquire(path, variant, isNew);
}

void OrvaAppBase::DiscardSharedImage(const std::string& path, const std::string& variant) {
  sharedImages.Discard(path, variant);
}

}  // namespace Orva

#include "framework/resourcemanager/ResourceHost.h"

#include "framework/graphics/MemoryImage.h"
#include "framework/resources/ImageBridge.h"

namespace Orva {

StandaloneResourceHost::StandaloneResourceHost()
    : sharedImages(
          displayLock, [this](const std::string& path) { return CreateImageFromFile(path, true); },
          [this](const std::string&) { return std::make_unique<MemoryImage>(&registry); }) {}

// Members go in reverse order: the shared pictures before the registry they are registered in.
StandaloneResourceHost::~StandaloneResourceHost() = default;

SharedPictureRef StandaloneResourceHost::AcquireSharedImage(const std::string& path, const std::string& variant,
                                                            bool* isNew) {
  return sharedImages.Acquire(path, variant, isNew);
}

std::unique_ptr<MemoryImage> StandaloneResourceHost::CreateImageFromFile(const std::string& path, bool) {
  return LoadMemoryImage(path, &registry);
}

}  // namespace Orva

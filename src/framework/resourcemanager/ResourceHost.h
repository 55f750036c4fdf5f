#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "framework/graphics/ImageHost.h"
#include "framework/resourcemanager/SharedImage.h"
#include "framework/sound/SoundManager.h"

namespace Orva {

class MemoryImage;

// What the resource manager needs of the application that owns it: where pictures register,
// the shared image table, picture files made into display pictures, and the sound manager.
// The application base implements it; StandaloneResourceHost serves tests, tools and benchmarks.
class ResourceHost {
 public:
  virtual ~ResourceHost() = default;
  virtual ImageHost* GetImageHost() = 0;
  // A reference on the shared picture of (path, variant); isNew tells whether it was created.
  virtual SharedPictureRef AcquireSharedImage(const std::string& path, const std::string& variant, bool* isNew) = 0;
  // Drops the shared picture of (path, variant) at once when no reference holds it.
  virtual void DiscardSharedImage(const std::string& path, const std::string& variant) = 0;
  // A picture read from a file, named by the path; null when the file cannot be read.
  virtual std::unique_ptr<MemoryImage> CreateImageFromFile(const std::string& path, bool commitBits) = 0;
  virtual SoundManager* GetSoundManager() = 0;
  // True when the display runs the accelerated back-end (never, on this platform).
  virtual bool Is3D() const { return false; }
};

// Everything a resource manager needs without an application: a display lock, an image
// registry, a shared image table and the silent sound manager.
class StandaloneResourceHost : public ResourceHost {
 public:
  StandaloneResourceHost();
  ~StandaloneResourceHost() override;

  ImageHost* GetImageHost() override { return &registry; }
  SharedPictureRef AcquireSharedImage(const std::string& path, const std::string& variant, bool* isNew) override;
  void DiscardSharedImage(const std::string& path, const std::string& variant) override {
    sharedImages.Discard(path, variant);
  }
  std::unique_ptr<MemoryImage> CreateImageFromFile(const std::string& path, bool commitBits) override;
  SoundManager* GetSoundManager() override { return &soundManager; }

  std::recursive_mutex displayLock;
  ImageRegistry registry{displayLock};
  SilentSoundManager soundManager;
  SharedImageTable sharedImages;
};

}  // namespace Orva

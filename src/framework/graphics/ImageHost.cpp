#include "framework/graphics/ImageHost.h"

namespace Orva {

void ImageRegistry::AddMemoryImage(MemoryImage* image) {
  std::lock_guard guard(lock_);
  images_.insert(image);
}

void ImageRegistry::RemoveMemoryImage(MemoryImage* image) {
  std::lock_guard guard(lock_);
  images_.erase(image);
}

size_t ImageRegistry::Count() const {
  std::lock_guard guard(lock_);
  return images_.size();
}

bool ImageRegistry::Contains(MemoryImage* image) const {
  std::lock_guard guard(lock_);
  return images_.count(image) != 0;
}

void ImageRegistry::ForEach(const std::function<void(MemoryImage*)>& f) {
  std::lock_guard guard(lock_);
  // A copy, so f may create or destroy images without invalidating the walk.
  const std::set<MemoryImage*> snapshot = images_;
  for (MemoryImage* image : snapshot)
    if (images_.count(image)) f(image);
}

}  // namespace Orva

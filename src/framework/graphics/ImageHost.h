#pragma once

#include <cstddef>
#include <functional>
#include <mutex>
#include <set>

#include "framework/graphics/NativeDisplay.h"

namespace Orva {

class MemoryImage;

// What a memory image needs of the application that owns it: somewhere to register while it
// lives (the application walks the live images when the display is rebuilt) and the screen's
// pixel format. The application base implements it; tests and tools use ImageRegistry alone.
class ImageHost {
 public:
  virtual ~ImageHost() = default;
  virtual void AddMemoryImage(MemoryImage* image) = 0;
  virtual void RemoveMemoryImage(MemoryImage* image) = 0;
  virtual const NativeDisplay& GetNativeDisplay() const = 0;
  // True when the display runs the accelerated back-end (never, on this platform).
  virtual bool Is3D() const { return false; }
};

// The set of live memory images, changed only under the display lock it is given.
class ImageRegistry : public ImageHost {
 public:
  explicit ImageRegistry(std::recursive_mutex& displayLock) : lock_(displayLock) {}

  void AddMemoryImage(MemoryImage* image) override;
  void RemoveMemoryImage(MemoryImage* image) override;
  const NativeDisplay& GetNativeDisplay() const override { return display_; }
  void SetNativeDisplay(const NativeDisplay& display) { display_ = display; }

  size_t Count() const;
  bool Contains(MemoryImage* image) const;
  // Runs f on every live image under the display lock.
  void ForEach(const std::function<void(MemoryImage*)>& f);

 private:
  std::recursive_mutex& lock_;
  std::set<MemoryImage*> images_;
  NativeDisplay display_;
};

}  // namespace Orva

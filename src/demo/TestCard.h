#pragma once

#include <memory>

#include "demo/PixelFont.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/MemoryImage.h"

namespace Orva {

class ImageHost;

// The drawing test card: every operation of the drawing context on one 640 x 480 screen,
// animated by the update count.
class TestCard {
 public:
  explicit TestCard(ImageHost* host);
  void Draw(Graphics& g, int updateCount);

 private:
  std::unique_ptr<MemoryImage> orb_;       // 30 x 30, soft alpha edges
  std::unique_ptr<MemoryImage> spark_;     // 16 x 16 glow for additive drawing
  std::unique_ptr<MemoryImage> cels_;      // 4 x 2 grid of 24 x 24 numbered cels
  std::unique_ptr<MemoryImage> frame_;     // 24 x 24 nine-slice frame
  std::unique_ptr<MemoryImage> arrow_;     // 40 x 24 arrow, to show mirroring and rotation
  std::unique_ptr<MemoryImage> backdrop_;  // 64 x 48 opaque gradient for stretching
  PixelFont font_;

  void Label(Graphics& g, const Rect& panel, const std::string& text);
};

}  // namespace Orva

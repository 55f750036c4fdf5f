#pragma once

#include "framework/graphics/MemoryImage.h"

namespace Orva {

class DDInterface;

// An image that lives on the display: the screen's back buffer above all. In software mode its
// pixels are the memory image's and it draws like one, plus the mirrored blits, which only
// display images have.
class DDImage : public MemoryImage {
 public:
  DDImage(DDInterface* display, ImageHost* host);

  DDInterface* display = nullptr;

  void BlitMirrored(Image* image, int x, int y, const Rect& srcRect, const Color& color, int drawMode) override;
  void BlitStretchedMirrored(Image* image, const Rect& destRect, const Rect& srcRect, const Rect& clipRect,
                             const Color& color, int drawMode, bool fastStretch) override;
};

}  // namespace Orva

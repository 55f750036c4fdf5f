#include "framework/graphics/DDImage.h"

namespace Orva {

DDImage::DDImage(DDInterface* owner, ImageHost* host) : MemoryImage(host), display(owner) {}

void DDImage::BlitMirrored(Image* image, int x, int y, const Rect& srcRect, const Color& color, int drawMode) {
  BlitMirroredSoftware(dynamic_cast<MemoryImage*>(image), x, y, srcRect, color, drawMode);
}

void DDImage::BlitStretchedMirrored(Image* image, const Rect& destRect, const Rect& srcRect, const Rect& clipRect,
                                    const Color& color, int, bool fastStretch) {
  BlitStretchedSoftware(dynamic_cast<MemoryImage*>(image), destRect, srcRect, clipRect, color, fastStretch, true);
}

}  // namespace Orva

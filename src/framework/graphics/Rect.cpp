#include "framework/graphics/Rect.h"

#include <algorithm>

namespace Orva {

Rect Rect::Intersection(const Rect& other) const {
  // 64-bit sums: rectangles near the int range must not overflow while being compared.
  const int64_t left = std::max<int64_t>(x, other.x);
  const int64_t top = std::max<int64_t>(y, other.y);
  const int64_t right = std::min<int64_t>(int64_t(x) + width, int64_t(other.x) + other.width);
  const int64_t bottom = std::min<int64_t>(int64_t(y) + height, int64_t(other.y) + other.height);
  const int64_t w = right - left;
  const int64_t h = bottom - top;
  if (w < 0 || h < 0) return Rect();
  return Rect(int(left), int(top), int(std::min<int64_t>(w, INT32_MAX)), int(std::min<int64_t>(h, INT32_MAX)));
}

}  // namespace Orva

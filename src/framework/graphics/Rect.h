#pragma once

#include <cmath>
#include <cstdint>

namespace Orva {

// Pixel coordinates come from sums that hostile input can push past the int range. These
// conversions saturate instead of overflowing; NaN becomes 0.
inline int SaturateInt(int64_t v) { return v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : int(v); }
inline int TruncToInt(double v) {
  if (std::isnan(v)) return 0;
  if (v <= double(INT32_MIN)) return INT32_MIN;
  if (v >= double(INT32_MAX)) return INT32_MAX;
  return int(v);
}

struct Point {
  int x = 0;
  int y = 0;

  bool operator==(const Point& other) const = default;
};

// x, y, width, height. Extents may be zero or negative; only Intersection gives them meaning.
struct Rect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;

  Rect() = default;
  Rect(int x_, int y_, int width_, int height_) : x(x_), y(y_), width(width_), height(height_) {}

  // Overlap of the two rectangles. Rectangles that only touch give a zero extent with the
  // position kept; rectangles apart give the all-zero rectangle.
  Rect Intersection(const Rect& other) const;
  bool Contains(int px, int py) const { return px >= x && py >= y && px < x + width && py < y + height; }
  bool IsEmpty() const { return width <= 0 || height <= 0; }

  bool operator==(const Rect& other) const = default;
};

// One horizontal run for scan-line filling: pixels (x .. x + width - 1, y).
struct Span {
  int y = 0;
  int x = 0;
  int width = 0;
};

}  // namespace Orva

#pragma once

#include <cstdint>

namespace Orva {

// An ARGB colour with 8-bit channels kept as ints, so arithmetic on them does not wrap.
class Color {
 public:
  int red = 0;
  int green = 0;
  int blue = 0;
  int alpha = 255;

  static const Color Black;
  static const Color White;

  Color() = default;
  // A packed 0xAARRGGBB value. Values below 0x01000000 are read as opaque, so 0x00RRGGBB is
  // opaque too and a fully transparent colour needs the separate-alpha form.
  Color(uint32_t argb);  // NOLINT(google-explicit-constructor): colours are written as numbers
  Color(uint32_t rgb, int alpha);
  Color(int red, int green, int blue);
  Color(int red, int green, int blue, int alpha);

  uint32_t ToARGB() const;

  bool operator==(const Color& other) const = default;
};

}  // namespace Orva

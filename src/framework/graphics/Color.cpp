#include "framework/graphics/Color.h"

namespace Orva {

const Color Color::Black(0, 0, 0, 255);
const Color Color::White(255, 255, 255, 255);

Color::Color(uint32_t argb)
    : red((argb >> 16) & 0xFF),
      green((argb >> 8) & 0xFF),
      blue(argb & 0xFF),
      alpha(argb < 0x01000000u ? 255 : static_cast<int>(argb >> 24)) {}

Color::Color(uint32_t rgb, int a) : red((rgb >> 16) & 0xFF), green((rgb >> 8) & 0xFF), blue(rgb & 0xFF), alpha(a) {}

Color::Color(int r, int g, int b) : red(r), green(g), blue(b), alpha(255) {}

Color::Color(int r, int g, int b, int a) : red(r), green(g), blue(b), alpha(a) {}

uint32_t Color::ToARGB() const {
  return (static_cast<uint32_t>(alpha) << 24) | (static_cast<uint32_t>(red) << 16) |
         (static_cast<uint32_t>(green) << 8) | static_cast<uint32_t>(blue);
}

}  // namespace Orva

#pragma once

namespace Orva {

// The screen's pixel format. Display-format copies of images (MemoryImage::GetDisplayAlphaData)
// are built from exactly these values: each 8-bit channel cut to its bit count and shifted.
struct NativeDisplay {
  int rgbBits = 32;
  int redMask = 0xFF0000;
  int greenMask = 0x00FF00;
  int blueMask = 0x0000FF;
  int redBits = 8;
  int greenBits = 8;
  int blueBits = 8;
  int redShift = 16;
  int greenShift = 8;
  int blueShift = 0;
};

}  // namespace Orva

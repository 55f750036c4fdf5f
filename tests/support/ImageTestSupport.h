#pragma once

// Small helpers for pixel tests: images from literal pixels, and pixel reads.
#include <initializer_list>
#include <memory>
#include <vector>

#include "framework/graphics/MemoryImage.h"

namespace Orva::Testing {

// A w x h image whose pixels are the given list, row by row (missing ones are 0).
inline std::unique_ptr<MemoryImage> MakeImage(int w, int h, std::initializer_list<uint32_t> pixels = {}) {
  auto image = std::make_unique<MemoryImage>();
  image->Create(w, h);
  uint32_t* px = image->GetPixels();
  size_t i = 0;
  for (uint32_t p : pixels) px[i++] = p;
  image->PixelsChanged();
  return image;
}

// A w x h image filled with one colour.
inline std::unique_ptr<MemoryImage> MakeFilled(int w, int h, uint32_t argb) {
  auto image = MakeImage(w, h);
  uint32_t* px = image->GetPixels();
  for (int i = 0; i < w * h; ++i) px[i] = argb;
  image->PixelsChanged();
  return image;
}

// An opaque back buffer, as the display makes it.
inline std::unique_ptr<MemoryImage> MakeScreen(int w, int h, uint32_t argb = 0xFF000000u) {
  auto image = MakeFilled(w, h, argb);
  image->ForceAlphaFlags(false, false);
  return image;
}

inline uint32_t PixelAt(MemoryImage& image, int x, int y) { return image.GetPixels()[y * image.width + x]; }

// Counts pixels that differ from the given colour.
inline int CountNot(MemoryImage& image, uint32_t argb) {
  int n = 0;
  const uint32_t* px = image.GetPixels();
  for (int i = 0; i < image.width * image.height; ++i) n += px[i] != argb;
  return n;
}

}  // namespace Orva::Testing

#include "framework/graphics/BlitKernels.h"

#include <algorithm>
#include <cstring>

namespace Orva::Kernels {

void RowRunAlpha(uint32_t* dst, const uint32_t* src, const uint8_t* runs, int n) {
  int i = 0;
  while (i < n) {
    const int run = std::min<int>(runs[i], n - i);
    const uint32_t a = src[i] >> 24;
    if (a == 255) {
      std::memcpy(dst + i, src + i, size_t(run) * 4);
    } else if (a != 0) {
      for (int k = i; k < i + run; ++k) dst[k] = Blend::OverOpaque(dst[k], src[k]);
    }
    i += run;
  }
}

void RowOverOpaqueDest(uint32_t* dst, const uint32_t* src, int n) {
  for (int i = 0; i < n; ++i) dst[i] = Blend::OverOpaqueCopy(dst[i], src[i]);
}

void RowOver(uint32_t* dst, const uint32_t* src, int n) {
  for (int i = 0; i < n; ++i) dst[i] = Blend::Over(dst[i], src[i]);
}

void RowOverTinted(uint32_t* dst, const uint32_t* src, int n, const Blend::Tint& tint) {
  for (int i = 0; i < n; ++i) dst[i] = Blend::OverTinted(dst[i], src[i], tint);
}

void RowAdd(uint32_t* dst, const uint32_t* src, int n, bool partialAlpha) {
  for (int i = 0; i < n; ++i) dst[i] = Blend::Add(dst[i], src[i], partialAlpha);
}

void RowAddTinted(uint32_t* dst, const uint32_t* src, int n, bool partialAlpha, const Blend::Tint& tint) {
  for (int i = 0; i < n; ++i) dst[i] = Blend::AddTinted(dst[i], src[i], partialAlpha, tint);
}

void RowFill(uint32_t* dst, uint32_t argb, int n) { std::fill(dst, dst + n, argb); }

void RowFillBlend(uint32_t* dst, int n, uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
  for (int i = 0; i < n; ++i) dst[i] = Blend::OverColor(dst[i], r, g, b, a);
}

}  // namespace Orva::Kernels

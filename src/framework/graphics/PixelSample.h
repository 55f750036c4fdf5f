#pragma once

// How the scaled, rotated and sub-pixel draws read their source: the per-pixel equations that
// the sampling kernels follow. Pixels are 0xAARRGGBB, not premultiplied.

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace Orva::Sample {

// The bilinear filter of four neighbours p = {top left, top right, bottom left, bottom right} at
// fractions fx and fy (out of 256). Colours are interpolated weighted by their alpha, so
// transparent neighbours do not darken edges. Weights are out of 65536; every sum fits 32 bits
// (65536 * 255 * 255 < 2^32).
inline uint32_t Bilerp(const uint32_t p[4], uint32_t fx, uint32_t fy) {
  const uint32_t wt[4] = {(256 - fx) * (256 - fy), fx * (256 - fy), (256 - fx) * fy, fx * fy};
  if ((p[0] & p[1] & p[2] & p[3]) >> 24 == 255) {
    // All four opaque: a plain weighted average.
    uint32_t r = 32768, g = 32768, b = 32768;
    for (int k = 0; k < 4; ++k) {
      r += wt[k] * ((p[k] >> 16) & 0xFF);
      g += wt[k] * ((p[k] >> 8) & 0xFF);
      b += wt[k] * (p[k] & 0xFF);
    }
    return 0xFF000000u | (r >> 16) << 16 | (g >> 16) << 8 | (b >> 16);
  }
  uint32_t a = 0, r = 0, g = 0, b = 0;
  for (int k = 0; k < 4; ++k) {
    const uint32_t wa = wt[k] * (p[k] >> 24);
    a += wa;
    r += wa * ((p[k] >> 16) & 0xFF);
    g += wa * ((p[k] >> 8) & 0xFF);
    b += wa * (p[k] & 0xFF);
  }
  const uint32_t alpha = (a + 32768) >> 16;
  if (alpha == 0) return 0;
  const float inv = 1.0f / float(a);
  const auto channel = [inv](uint32_t c) { return std::min<uint32_t>(255, uint32_t(float(c) * inv + 0.5f)); };
  return alpha << 24 | channel(r) << 16 | channel(g) << 8 | channel(b);
}

// Bilinear sample at (u, v), 16.16 fixed point in source pixels with pixel centres on whole
// numbers, from the pixels of the rectangle (x, y, w, h) only: outside neighbours count as
// transparent.
inline uint32_t Bilinear(const uint32_t* px, ptrdiff_t stride, int x, int y, int w, int h, int64_t u, int64_t v) {
  const int64_t x0 = u >> 16, y0 = v >> 16;
  uint32_t p[4];
  const int64_t right = int64_t(x) + w, bottom = int64_t(y) + h;
  if (x0 >= x && y0 >= y && x0 + 1 < right && y0 + 1 < bottom) {
    const uint32_t* row = px + ptrdiff_t(y0) * stride + ptrdiff_t(x0);
    p[0] = row[0];
    p[1] = row[1];
    p[2] = row[stride];
    p[3] = row[stride + 1];
  } else {
    for (int k = 0; k < 4; ++k) {
      const int64_t sx = x0 + (k & 1), sy = y0 + (k >> 1);
      p[k] = (sx >= x && sy >= y && sx < right && sy < bottom) ? px[ptrdiff_t(sy) * stride + ptrdiff_t(sx)] : 0;
    }
  }
  return Bilerp(p, uint32_t(u >> 8) & 0xFF, uint32_t(v >> 8) & 0xFF);
}

// The smooth stretch works on premultiplied pixels, rounded to the nearest value.
inline uint32_t Premultiply(uint32_t p) {
  const uint32_t a = p >> 24;
  if (a == 255) return p;
  const auto c = [a](uint32_t v) { return (v * a + 127) / 255; };
  return a << 24 | c((p >> 16) & 0xFF) << 16 | c((p >> 8) & 0xFF) << 8 | c(p & 0xFF);
}

// 255 / a in 16.16 fixed point, so un-premultiplying needs no division per pixel.
struct UnpremultiplyTable {
  uint32_t scale[256];
  constexpr UnpremultiplyTable() : scale() {
    for (uint32_t a = 1; a < 256; ++a) scale[a] = (255u * 65536u + a / 2) / a;
  }
};
inline constexpr UnpremultiplyTable kUnpremultiply;

inline uint32_t Unpremultiply(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
  if (a == 0) return 0;
  if (a == 255) return 0xFF000000u | r << 16 | g << 8 | b;
  const uint32_t k = kUnpremultiply.scale[a];
  const auto c = [k](uint32_t v) { return std::min<uint32_t>(255, (v * k + 32768) >> 16); };
  return a << 24 | c(r) << 16 | c(g) << 8 | c(b);
}

}  // namespace Orva::Sample

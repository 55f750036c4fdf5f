#pragma once

// The per-pixel equations every software draw follows. Pixels are 0xAARRGGBB. These scalar
// forms are the reference: faster row kernels must give exactly the same results.

#include <algorithm>
#include <cstdint>

namespace Orva::Blend {

inline uint32_t Alpha(uint32_t p) { return p >> 24; }

// Normal composition of colour (sr, sg, sb) with alpha sA (1..255) over d. The weight w is out
// of 256 and reaches at most 255, so even an opaque source keeps 1/256 of the destination:
// only the run-alpha copy and an opaque fill write a source value unchanged.
inline uint32_t Compose(uint32_t d, uint32_t srb, uint32_t sg, uint32_t sA) {
  const uint32_t dA = d >> 24;
  uint32_t nA, w;
  if (dA == 255) {
    nA = 255;
    w = sA;
  } else {
    nA = dA + (255 - dA) * sA / 255;
    w = sA * 255 / nA;
  }
  const uint32_t iw = 256 - w;
  const uint32_t rb = ((srb * w + (d & 0xFF00FF) * iw) >> 8) & 0xFF00FF;
  const uint32_t g = ((sg * w + ((d >> 8) & 0xFF) * iw) >> 8) & 0xFF;
  return (nA << 24) | rb | (g << 8);
}

// Composes source pixel s (its own alpha) over d; alpha 0 leaves d.
inline uint32_t Over(uint32_t d, uint32_t s) {
  const uint32_t sA = s >> 24;
  if (sA == 0) return d;
  return Compose(d, s & 0xFF00FF, (s >> 8) & 0xFF, sA);
}

// Composes s over a destination known to be opaque (the run-alpha path's translucent runs).
inline uint32_t OverOpaque(uint32_t d, uint32_t s) {
  const uint32_t w = s >> 24;
  if (w == 0) return d;
  const uint32_t iw = 256 - w;
  const uint32_t rb = (((s & 0xFF00FF) * w + (d & 0xFF00FF) * iw) >> 8) & 0xFF00FF;
  const uint32_t g = ((((s >> 8) & 0xFF) * w + ((d >> 8) & 0xFF) * iw) >> 8) & 0xFF;
  return 0xFF000000u | rb | (g << 8);
}

// The run-alpha rule for one pixel over an opaque destination: opaque copied, transparent
// skipped, translucent composed.
inline uint32_t OverOpaqueCopy(uint32_t d, uint32_t s) {
  const uint32_t a = s >> 24;
  return a == 255 ? s : OverOpaque(d, s);
}

// A tint colour prepared for per-pixel use: channels and alpha 0..255.
struct Tint {
  uint32_t r, g, b, a;
  bool grey;  // r == g == b: one multiplier serves all three channels (same result)
};

inline Tint MakeTint(int r, int g, int b, int a) {
  const auto c = [](int v) { return uint32_t(std::clamp(v, 0, 255)); };
  return {c(r), c(g), c(b), c(a), r == g && g == b};
}

// Tinted normal composition: alpha m = tint.a * sA / 255, channels multiplied by the tint / 255.
inline uint32_t OverTinted(uint32_t d, uint32_t s, const Tint& t) {
  const uint32_t m = t.a * (s >> 24) / 255;
  if (m == 0) return d;
  const uint32_t r = ((s >> 16) & 0xFF) * t.r / 255;
  const uint32_t g = ((s >> 8) & 0xFF) * t.g / 255;
  const uint32_t b = (s & 0xFF) * t.b / 255;
  return Compose(d, (r << 16) | b, g, m);
}

inline uint32_t Saturate(uint32_t v) { return v > 255 ? 255 : v; }

// Additive: each colour channel becomes min(255, d + s'), with s' = s * sA / 256 when the source
// has partial alpha and s otherwise. The destination alpha is kept.
inline uint32_t Add(uint32_t d, uint32_t s, bool partialAlpha) {
  uint32_t r = (s >> 16) & 0xFF, g = (s >> 8) & 0xFF, b = s & 0xFF;
  if (partialAlpha) {
    const uint32_t sA = s >> 24;
    r = r * sA >> 8;
    g = g * sA >> 8;
    b = b * sA >> 8;
  }
  return (d & 0xFF000000u) | (Saturate(((d >> 16) & 0xFF) + r) << 16) | (Saturate(((d >> 8) & 0xFF) + g) << 8) |
         Saturate((d & 0xFF) + b);
}

// Additive with a tint: the source channels are first scaled by tint * tint.a / 255 (out of 255).
inline uint32_t AddTinted(uint32_t d, uint32_t s, bool partialAlpha, const Tint& t) {
  const uint32_t fr = t.r * t.a / 255, fg = t.g * t.a / 255, fb = t.b * t.a / 255;
  const uint32_t r = ((s >> 16) & 0xFF) * fr / 255;
  const uint32_t g = ((s >> 8) & 0xFF) * fg / 255;
  const uint32_t b = (s & 0xFF) * fb / 255;
  return Add(d, (s & 0xFF000000u) | (r << 16) | (g << 8) | b, partialAlpha);
}

// A plain colour (fill, line) composed over d.
inline uint32_t OverColor(uint32_t d, uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
  if (a == 0) return d;
  return Compose(d, (r << 16) | b, g, a);
}

}  // namespace Orva::Blend

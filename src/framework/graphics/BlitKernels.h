#pragma once

// Kernels of the software blitter: the inner loops of every unscaled draw, over one row or a
// rectangle of rows. Each gives exactly the result of the per-pixel equations in PixelBlend.h;
// vectorised forms are used where the processor has them.

#include <cstddef>
#include <cstdint>

#include "framework/graphics/PixelBlend.h"

namespace Orva::Kernels {

// A rectangle to draw: height rows of width pixels. Row y of the destination starts at
// dst + y * dstStride, of the source at src + y * srcStride (strides in pixels). Source and
// destination must not overlap.
struct Area {
  uint32_t* dst = nullptr;
  ptrdiff_t dstStride = 0;
  const uint32_t* src = nullptr;
  ptrdiff_t srcStride = 0;
  int width = 0;
  int height = 0;
};

// Source over an opaque destination driven by the source's run-alpha bytes (rows srcStride
// apart, like the source): opaque runs are copied, translucent runs composed, transparent runs
// skipped. Each byte counts its pixel and the following ones of the same class, so a run may
// reach past the area's right edge. Null runs draw pixel by pixel by the same rule.
void AreaRunAlpha(const Area& area, const uint8_t* runs);
// The same rule without run data, pixel by pixel.
void AreaOverOpaqueDest(const Area& area);
// Source over any destination (each pixel with alpha > 0 composed).
void AreaOver(const Area& area);
void AreaOverTinted(const Area& area, const Blend::Tint& tint);
void AreaAdd(const Area& area, bool partialAlpha);
void AreaAddTinted(const Area& area, bool partialAlpha, const Blend::Tint& tint);
// Fills ignore the source.
void AreaFill(const Area& area, uint32_t argb);
void AreaFillBlend(const Area& area, uint32_t r, uint32_t g, uint32_t b, uint32_t a);

// Copies the source rows unchanged: what every rule above does for an opaque source over an
// opaque destination.
void AreaCopy(const Area& area);

// The unscaled blit's choice of rule: additive (tinted unless tint is null); tinted normal
// composition; over an opaque destination the run-alpha rule (when runs is given) or the
// opaque-destination rule; otherwise plain composition.
void AreaCompose(const Area& area, const uint8_t* runs, const Blend::Tint* tint, bool additive, bool opaqueDest,
                 bool partialAlpha);

// One-row forms of the same kernels.
void RowRunAlpha(uint32_t* dst, const uint32_t* src, const uint8_t* runs, int n);
void RowOverOpaqueDest(uint32_t* dst, const uint32_t* src, int n);
void RowOver(uint32_t* dst, const uint32_t* src, int n);
void RowOverTinted(uint32_t* dst, const uint32_t* src, int n, const Blend::Tint& tint);
void RowAdd(uint32_t* dst, const uint32_t* src, int n, bool partialAlpha);
void RowAddTinted(uint32_t* dst, const uint32_t* src, int n, bool partialAlpha, const Blend::Tint& tint);
void RowFill(uint32_t* dst, uint32_t argb, int n);
void RowFillBlend(uint32_t* dst, int n, uint32_t r, uint32_t g, uint32_t b, uint32_t a);

// ---- Sampling: the source pixels of scaled, rotated and sub-pixel draws, which the rules above
// then compose. The scalar forms are the reference equations of PixelSample.h.

// A source image's pixels, rows stride pixels apart. Only the rectangle (x, y, width, height)
// exists: a sample reaching outside it sees transparent pixels.
struct Source {
  const uint32_t* px = nullptr;
  ptrdiff_t stride = 0;
  int x = 0, y = 0, width = 0, height = 0;
};

// out[i] is the bilinear sample at (u + i * du, v + i * dv), 16.16 fixed point with pixel centres
// on whole numbers. Every position must lie less than a pixel outside the rectangle.
void RowSampleBilinear(uint32_t* out, const Source& src, int64_t u, int64_t v, int64_t du, int64_t dv, int n);

// The bilinear sample with the same fractions fx and fy (out of 256) for every pixel: out[i] from
// above[i], above[i + 1], below[i] and below[i + 1]. above and below hold n + 1 pixels.
void RowFilter2x2(uint32_t* out, const uint32_t* above, const uint32_t* below, uint32_t fx, uint32_t fy, int n);

// out[i] = row[index[i]]: the nearest-pixel stretch's columns.
void RowGather(uint32_t* out, const uint32_t* row, const int32_t* index, int n);

// The smooth stretch's passes over premultiplied pixels, in the reference's arithmetic:
// out[i] = the premultiplied form of in[i];
void RowPremultiply(uint32_t* out, const uint32_t* in, int n);
// the horizontal pass: destination pixel i sums taps pixels from in + first[i], pixel k weighted by
// weights[k * n + i] (out of 256, both 16-bit halves holding it; the weights of a pixel add up to
// 256). Channels times 256 land in two planes: even[i] holds blue and red, odd[i] green and alpha,
// each in a 16-bit half;
void RowStretchHorizontal(uint32_t* even, uint32_t* odd, const uint32_t* in, const int32_t* first,
                          const uint32_t* weights, int taps, int n);
// the vertical pass and the way back to straight pixels: rows[k] is the (even, odd) plane pair
// of tap k, weighted by weights[k] (out of 256, adding up to at most 256).
struct PlaneRow {
  const uint32_t* even;
  const uint32_t* odd;
};
void RowStretchVertical(uint32_t* out, const PlaneRow* rows, const uint16_t* weights, int taps, int n);

// The implementations this build carries: the scalar equations (any processor), vector code for
// the build's base instruction set (16-byte registers: SSE2 on x86-64), and the same vector code
// compiled for AVX2 (32-byte registers). The fastest one the processor runs is chosen on first
// use.
enum class KernelSet { Scalar, Vector, Avx2 };

bool IsSupported(KernelSet set);
KernelSet ActiveKernelSet();
// Switches all kernels to set if the processor runs it; returns whether it did. Meant for tests
// and benchmarks, which compare the sets; not to be called while another thread draws.
bool UseKernelSet(KernelSet set);
const char* KernelSetName(KernelSet set);

}  // namespace Orva::Kernels

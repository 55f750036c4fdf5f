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

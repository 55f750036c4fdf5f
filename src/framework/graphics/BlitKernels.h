#pragma once

// Row kernels of the software blitter: the inner loops of every unscaled draw. Each gives
// exactly the result of the per-pixel equations in PixelBlend.h; vectorised forms are used where
// the processor has them.

#include <cstdint>

#include "framework/graphics/PixelBlend.h"

namespace Orva::Kernels {

// Source over an opaque destination driven by the source's run-alpha bytes: opaque runs are
// copied, translucent runs composed, transparent runs skipped.
void RowRunAlpha(uint32_t* dst, const uint32_t* src, const uint8_t* runs, int n);
// The same rule without run data (mirrored rows), pixel by pixel.
void RowOverOpaqueDest(uint32_t* dst, const uint32_t* src, int n);
// Source over any destination (each pixel with alpha > 0 composed).
void RowOver(uint32_t* dst, const uint32_t* src, int n);
void RowOverTinted(uint32_t* dst, const uint32_t* src, int n, const Blend::Tint& tint);
void RowAdd(uint32_t* dst, const uint32_t* src, int n, bool partialAlpha);
void RowAddTinted(uint32_t* dst, const uint32_t* src, int n, bool partialAlpha, const Blend::Tint& tint);
void RowFill(uint32_t* dst, uint32_t argb, int n);
void RowFillBlend(uint32_t* dst, int n, uint32_t r, uint32_t g, uint32_t b, uint32_t a);

}  // namespace Orva::Kernels

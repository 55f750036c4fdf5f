// Software drawing onto memory images: fills, lines, spans and the blit family.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <vector>

#include "framework/graphics/BlitKernels.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/graphics/PixelBlend.h"
#include "framework/graphics/PixelSample.h"

namespace Orva {

namespace {

constexpr int kAdditive = 1;

int Clamp255(int v) { return std::clamp(v, 0, 255); }

uint32_t Pack(const Color& c) {
  return (uint32_t(Clamp255(c.alpha)) << 24) | (uint32_t(Clamp255(c.red)) << 16) | (uint32_t(Clamp255(c.green)) << 8) |
         uint32_t(Clamp255(c.blue));
}

bool IsWhite(const Color& c) { return c == Color::White; }

MemoryImage* AsMemoryImage(Image* image) { return dynamic_cast<MemoryImage*>(image); }

// A float rectangle, for clipping that must not lose sub-pixel positions or overflow.
struct RectF {
  double left, top, right, bottom;
  bool Empty() const { return !(right > left && bottom > top); }
};

RectF Intersect(const RectF& a, const RectF& b) {
  return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
}

// The whole pixels whose top-left corner lies in a (non-empty, image-bounded) float box.
Rect PixelBox(const RectF& box) {
  const int x0 = int(std::ceil(box.left)), y0 = int(std::ceil(box.top));
  return Rect(x0, y0, std::max(0, int(std::ceil(box.right)) - x0), std::max(0, int(std::ceil(box.bottom)) - y0));
}

RectF ToRectF(const Rect& r) { return {double(r.x), double(r.y), double(r.x) + r.width, double(r.y) + r.height}; }

// Bilinear sample of the source at (u, v), 16.16 fixed point in source pixels, from the pixels
// inside the source rectangle only (Sample::Bilinear).
uint32_t SampleBilinear(const uint32_t* px, int stride, const Rect& area, int64_t u, int64_t v) {
  return Sample::Bilinear(px, stride, area.x, area.y, area.width, area.height, u, v);
}

// The same from floating-point source positions that are known to lie near the source rectangle.
uint32_t SampleBilinear(const uint32_t* px, int stride, const Rect& area, double u, double v) {
  return SampleBilinear(px, stride, area, int64_t(std::llround(u * 65536.0)), int64_t(std::llround(v * 65536.0)));
}

uint32_t SampleNearest(const uint32_t* px, int stride, const Rect& area, double u, double v) {
  const double fu = std::floor(u + 0.5), fv = std::floor(v + 0.5);
  if (fu < area.x || fv < area.y || fu >= double(area.x) + area.width || fv >= double(area.y) + area.height) return 0;
  return px[size_t(fv) * stride + size_t(fu)];
}

// The working rows of the sampling draws, kept per thread: drawing happens every frame.
struct SampleScratch {
  std::vector<uint32_t> line;   // one destination run of samples
  std::vector<uint32_t> above;  // the sub-pixel draw's two source rows, padded
  std::vector<uint32_t> below;
  std::vector<uint32_t> alphas;    // destination alpha kept across a compose
  std::vector<uint32_t> selfCopy;  // the source area, when an image is drawn onto itself
};

SampleScratch& TheSampleScratch() {
  thread_local SampleScratch scratch;
  return scratch;
}

// What a sampling draw reads: the source image's pixels, or, for an image drawn onto itself, a
// copy of the area taken before anything is drawn. Positions (16.16) less the offsets address
// the view.
struct SampleSource {
  Kernels::Source view;
  int64_t offsetU = 0, offsetV = 0;
};

SampleSource SourceOf(const uint32_t* px, int stride, const Rect& area, bool self, SampleScratch& scratch) {
  if (!self) return {{px, stride, area.x, area.y, area.width, area.height}};
  std::vector<uint32_t>& copy = scratch.selfCopy;
  copy.resize(size_t(area.width) * size_t(area.height));
  for (int r = 0; r < area.height; ++r)
    std::memcpy(&copy[size_t(r) * size_t(area.width)], px + size_t(area.y + r) * size_t(stride) + size_t(area.x),
                size_t(area.width) * 4);
  return {{copy.data(), area.width, 0, 0, area.width, area.height}, int64_t(area.x) << 16, int64_t(area.y) << 16};
}

// What every sampling draw settles before its rows: whether the source has alpha to blend, the
// tint (null for plain white), the working rows, and what to read (a copy when an image is drawn
// onto itself). It points into itself, so it is made in place and never copied.
struct SamplingDraw {
  SamplingDraw(MemoryImage& src, const Rect& area, const Color& color, bool self)
      : partial((src.UpdateAlphaFlags(), src.hasTransparent || src.hasTranslucent)),
        tintValue(Blend::MakeTint(color.red, color.green, color.blue, color.alpha)),
        tint(IsWhite(color) ? nullptr : &tintValue),
        scratch(TheSampleScratch()),
        source(SourceOf(src.bits.get(), src.width, area, self, scratch)) {}
  SamplingDraw(const SamplingDraw&) = delete;
  SamplingDraw& operator=(const SamplingDraw&) = delete;

  const bool partial;
  const Blend::Tint tintValue;
  const Blend::Tint* const tint;
  SampleScratch& scratch;
  const SampleSource source;
};

}  // namespace

bool MemoryImage::IsOpaqueDestination() const {
  // Flags that may be stale count only when forced; otherwise only freshly computed ones do.
  return (modeForced || !pixelsDirty) && !hasTransparent && !hasTranslucent;
}

const uint32_t* MemoryImage::SourceRow(int x, int y, int n, uint32_t* scratch) {
  if (!bits && !palette) GetPixels();
  const size_t start = size_t(y) * width + x;
  if (bits) return bits.get() + start;
  if (palette && paletteIndices) {
    for (int i = 0; i < n; ++i) scratch[i] = palette[paletteIndices[start + i]];
    return scratch;
  }
  return nullptr;
}

void MemoryImage::ComposeRow(int x, int y, const uint32_t* src, const uint8_t* runs, int n, const Color& color,
                             int drawMode, bool opaqueDest, bool partialAlpha) {
  const Blend::Tint tint = Blend::MakeTint(color.red, color.green, color.blue, color.alpha);
  const Kernels::Area row{bits.get() + size_t(y) * width + x, 0, src, 0, n, 1};
  Kernels::AreaCompose(row, runs, IsWhite(color) ? nullptr : &tint, drawMode == kAdditive, opaqueDest, partialAlpha);
}

void MemoryImage::FillRect(const Rect& rect, const Color& color, int) {
  const Rect r = rect.Intersection(Rect(0, 0, width, height));
  if (r.IsEmpty() || !GetPixels()) return;
  const uint32_t argb = Pack(color);
  const uint32_t a = argb >> 24;
  const Kernels::Area area{bits.get() + size_t(r.y) * width + r.x, width, nullptr, 0, r.width, r.height};
  if (a == 255)
    Kernels::AreaFill(area, argb);
  else
    Kernels::AreaFillBlend(area, (argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF, a);
  PixelsChanged();
}

void MemoryImage::ClearRect(const Rect& rect) {
  const Rect r = rect.Intersection(Rect(0, 0, width, height));
  if (r.IsEmpty() || !GetPixels()) return;
  for (int y = r.y; y < r.y + r.height; ++y) std::memset(bits.get() + size_t(y) * width + r.x, 0, size_t(r.width) * 4);
  PixelsChanged();
}

void MemoryImage::BlendPixel(int x, int y, const Color& color, int drawMode, int alphaScale) {
  if (x < 0 || y < 0 || x >= width || y >= height) return;
  uint32_t& p = bits[size_t(y) * width + x];
  const uint32_t argb = Pack(color);
  const uint32_t a = (argb >> 24) * uint32_t(alphaScale) / 256;
  if (drawMode == kAdditive) {
    p = Blend::Add(p, (a << 24) | (argb & 0xFFFFFF), a < 255);
  } else if (a == 255) {
    p = argb;
  } else {
    p = Blend::OverColor(p, (argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF, a);
  }
}

void MemoryImage::DrawLine(double x1, double y1, double x2, double y2, const Color& color, int drawMode) {
  if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2)) return;
  // Far-away ends are first brought near the image, so the integer walk stays in range.
  const double lim = 1 << 24;
  if (std::fabs(x1) > lim || std::fabs(y1) > lim || std::fabs(x2) > lim || std::fabs(y2) > lim) return;
  int ix1 = int(x1), iy1 = int(y1), ix2 = int(x2), iy2 = int(y2);
  if (iy1 == iy2) {
    FillRect(Rect(std::min(ix1, ix2), iy1, std::abs(ix2 - ix1) + 1, 1), color, drawMode);
    return;
  }
  if (ix1 == ix2) {
    FillRect(Rect(ix1, std::min(iy1, iy2), 1, std::abs(iy2 - iy1) + 1), color, drawMode);
    return;
  }
  if (!GetPixels()) return;
  if (iy1 > iy2) {
    std::swap(ix1, ix2);
    std::swap(iy1, iy2);
  }
  const int dx = std::abs(ix2 - ix1), dy = iy2 - iy1;
  const int sx = ix2 > ix1 ? 1 : -1;
  int x = ix1, y = iy1;
  if (dx >= dy) {
    int err = 2 * dy - dx;
    for (int i = 0; i <= dx; ++i) {
      BlendPixel(x, y, color, drawMode, 256);
      if (err > 0) {
        y += 1;
        err -= 2 * dx;
      }
      err += 2 * dy;
      x += sx;
    }
  } else {
    int err = 2 * dx - dy;
    for (int i = 0; i <= dy; ++i) {
      BlendPixel(x, y, color, drawMode, 256);
      if (err > 0) {
        x += sx;
        err -= 2 * dy;
      }
      err += 2 * dx;
      y += 1;
    }
  }
  PixelsChanged();
}

void MemoryImage::DrawLineSmooth(double x1, double y1, double x2, double y2, const Color& color, int drawMode) {
  if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2)) return;
  const double lim = 1 << 14;
  if (std::fabs(x1) > lim || std::fabs(y1) > lim || std::fabs(x2) > lim || std::fabs(y2) > lim) return;
  if (int(y1) == int(y2) || int(x1) == int(x2)) {
    DrawLine(x1, y1, x2, y2, color, drawMode);
    return;
  }
  if (drawMode == kAdditive || !GetPixels()) {
    PixelsChanged();
    return;
  }
  // Stepped along the major axis in 16.16 fixed point; the two pixels straddling the exact line
  // share the colour's alpha by their coverage.
  const bool steep = std::fabs(y2 - y1) > std::fabs(x2 - x1);
  double a1 = steep ? y1 : x1, b1 = steep ? x1 : y1, a2 = steep ? y2 : x2, b2 = steep ? x2 : y2;
  if (a1 > a2) {
    std::swap(a1, a2);
    std::swap(b1, b2);
  }
  const int start = int(a1), end = int(a2);
  const int64_t slope = int64_t((b2 - b1) / (a2 - a1) * 65536.0);
  int64_t pos = int64_t(b1 * 65536.0);
  for (int a = start; a <= end; ++a, pos += slope) {
    const int b = int(pos >> 16);
    const int frac = int((pos >> 8) & 0xFF);
    if (steep) {
      BlendPixel(b, a, color, drawMode, 256 - frac);
      BlendPixel(b + 1, a, color, drawMode, frac);
    } else {
      BlendPixel(a, b, color, drawMode, 256 - frac);
      BlendPixel(a, b + 1, color, drawMode, frac);
    }
  }
  PixelsChanged();
}

void MemoryImage::FillSpansCovered(const Span* spans, int count, const Color& color, int, const uint8_t* coverage,
                                   int coverX, int coverY, int coverWidth, int coverHeight) {
  if (!spans || !coverage || count <= 0 || coverWidth <= 0 || coverHeight <= 0 || !GetPixels()) return;
  const uint32_t argb = Pack(color);
  for (int i = 0; i < count; ++i) {
    const Span& s = spans[i];
    if (s.y < 0 || s.y >= height) continue;
    const int64_t cy = int64_t(s.y) - coverY;
    if (cy < 0 || cy >= coverHeight) continue;
    const int x0 = std::max(0, s.x);
    const int x1 = int(std::min<int64_t>(width, int64_t(s.x) + s.width));
    for (int x = x0; x < x1; ++x) {
      const int64_t cx = int64_t(x) - coverX;
      if (cx < 0 || cx >= coverWidth) continue;
      const uint32_t g = (argb >> 24) * (uint32_t(coverage[size_t(cy) * coverWidth + cx]) + 1);
      if (g < 256) continue;
      uint32_t& p = bits[size_t(s.y) * width + x];
      p = Blend::OverColor(p, (argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF, g / 256);
    }
  }
  PixelsChanged();
}

void MemoryImage::Blit(Image* image, int x, int y, const Rect& srcRect, const Color& color, int drawMode) {
  MemoryImage* src = AsMemoryImage(image);
  if (!src) return;
  src->drawn = true;
  // Graphics has clipped already; clipping again here keeps any direct caller inside both images.
  // Rectangles already inside both (the usual case, many times a frame) need no clipping.
  Rect s = srcRect, d(x, y, srcRect.width, srcRect.height);
  const bool inside = s.x >= 0 && s.y >= 0 && s.width > 0 && s.height > 0 && s.width <= src->width - s.x &&
                      s.height <= src->height - s.y && x >= 0 && y >= 0 && s.width <= width - x &&
                      s.height <= height - y;
  if (!inside) {
    s = srcRect.Intersection(Rect(0, 0, src->width, src->height));
    const int dx = SaturateInt(int64_t(x) + (int64_t(s.x) - srcRect.x));
    const int dy = SaturateInt(int64_t(y) + (int64_t(s.y) - srcRect.y));
    d = Rect(dx, dy, s.width, s.height).Intersection(Rect(0, 0, width, height));
    if (d.IsEmpty()) return;
    s.x += d.x - dx;
    s.y += d.y - dy;
  }
  if (!GetPixels()) return;
  src->UpdateAlphaFlags();
  const bool opaqueDest = IsOpaqueDestination();
  const bool partial = src->hasTransparent || src->hasTranslucent;
  const uint8_t* runs =
      (drawMode != kAdditive && opaqueDest && IsWhite(color) && src != this) ? src->GetRunAlphaData() : nullptr;
  // Another image's 32-bit pixels are read in place: the whole rectangle is one kernel call.
  if (src != this && !src->bits && !src->palette) src->GetPixels();
  if (src != this && src->bits) {
    const Blend::Tint tint = Blend::MakeTint(color.red, color.green, color.blue, color.alpha);
    const Kernels::Area area{bits.get() + size_t(d.y) * width + d.x,
                             width,
                             src->bits.get() + size_t(s.y) * src->width + s.x,
                             src->width,
                             d.width,
                             d.height};
    // Flags just worked out from the pixels (not forced) can prove every source pixel opaque;
    // then the run-alpha rule is a plain copy.
    const bool provenOpaque = !src->modeForced && !src->pixelsDirty && !partial;
    if (runs && provenOpaque)
      Kernels::AreaCopy(area);
    else
      Kernels::AreaCompose(area, runs ? runs + size_t(s.y) * src->width + s.x : nullptr,
                           IsWhite(color) ? nullptr : &tint, drawMode == kAdditive, opaqueDest, partial);
    PixelsChanged();
    return;
  }
  // A palette source is expanded a row at a time. Rows of glyph and sprite widths fit on the
  // stack, so drawing from a palette sheet (a font's) allocates nothing.
  uint32_t stackRow[512];
  std::vector<uint32_t> heapRow;
  uint32_t* scratch = stackRow;
  if (!src->bits && d.width > int(std::size(stackRow))) {
    heapRow.resize(size_t(d.width));
    scratch = heapRow.data();
  }
  // Drawing an image onto itself reads from a copy, so overlapping rows stay correct.
  std::vector<uint32_t> selfCopy;
  if (src == this) {
    selfCopy.resize(size_t(s.width) * s.height);
    for (int row = 0; row < s.height; ++row)
      std::memcpy(&selfCopy[size_t(row) * s.width], bits.get() + size_t(s.y + row) * width + s.x, size_t(s.width) * 4);
  }
  for (int row = 0; row < d.height; ++row) {
    const uint32_t* line =
        src == this ? &selfCopy[size_t(row) * s.width] : src->SourceRow(s.x, s.y + row, d.width, scratch);
    if (!line) return;
    const uint8_t* runRow = runs ? runs + size_t(s.y + row) * src->width + s.x : nullptr;
    ComposeRow(d.x, d.y + row, line, runRow, d.width, color, drawMode, opaqueDest, partial);
  }
  PixelsChanged();
}

void MemoryImage::BlitMirroredSoftware(MemoryImage* src, int x, int y, const Rect& srcRect, const Color& color,
                                       int drawMode) {
  if (!src) return;
  src->drawn = true;
  // The flipped copy of srcRect lands at x: destination column i shows source column
  // srcRect.x + srcRect.width - 1 - i. Pieces outside either image are dropped on both sides.
  const Rect s = srcRect.Intersection(Rect(0, 0, src->width, src->height));
  if (s.IsEmpty()) return;
  const int64_t right = int64_t(srcRect.x) + srcRect.width;  // one past the source's rightmost column
  const int64_t destLeft = int64_t(x) + (right - (int64_t(s.x) + s.width));
  const int64_t destTop = int64_t(y) + (s.y - srcRect.y);
  const RectF df =
      Intersect({double(destLeft), double(destTop), double(destLeft) + s.width, double(destTop) + s.height},
                {0, 0, double(width), double(height)});
  if (df.Empty() || !GetPixels()) return;
  const Rect d(int(df.left), int(df.top), int(df.right - df.left), int(df.bottom - df.top));
  src->UpdateAlphaFlags();
  const bool opaqueDest = IsOpaqueDestination();
  const bool partial = src->hasTransparent || src->hasTranslucent;
  std::vector<uint32_t> scratch(size_t(s.width)), flipped(size_t(d.width));
  for (int row = 0; row < d.height; ++row) {
    const int sy = int(s.y + (d.y - destTop) + row);
    const uint32_t* line = src->SourceRow(s.x, sy, s.width, scratch.data());
    if (!line) return;
    for (int i = 0; i < d.width; ++i) {
      const int64_t srcCol = right - 1 - ((d.x + i) - int64_t(x));
      flipped[size_t(i)] = line[srcCol - s.x];
    }
    ComposeRow(d.x, d.y + row, flipped.data(), nullptr, d.width, color, drawMode, opaqueDest, partial);
  }
  PixelsChanged();
}

// The rotated draw at angle zero, with the same positions and samples: every pixel's position has
// the same fractions, so a row is a fixed 2 x 2 filter over two source rows, and with no fraction
// at all the draw is an ordinary blit.
void MemoryImage::BlitSubpixel(Image* image, float x, float y, const Rect& srcRect, const Rect& clipRect,
                               const Color& color, int drawMode) {
  MemoryImage* src = AsMemoryImage(image);
  if (!src || !std::isfinite(x) || !std::isfinite(y)) return;
  src->drawn = true;
  const Rect area = srcRect.Intersection(Rect(0, 0, src->width, src->height));
  if (area.IsEmpty()) return;
  RectF box = Intersect({std::floor(double(x)), std::floor(double(y)), std::ceil(double(x) + srcRect.width),
                         std::ceil(double(y) + srcRect.height)},
                        ToRectF(clipRect));
  box = Intersect(box, {0, 0, double(width), double(height)});
  if (box.Empty() || !GetPixels()) return;
  const Rect walk = PixelBox(box);
  if (walk.IsEmpty()) return;
  if (!src->bits && !src->GetPixels()) return;
  // Source position of the walk's top-left pixel, exactly as the rotated draw works it out; each
  // pixel right or down adds one whole source pixel.
  const double u0 = walk.x + 0.5 - double(x) + (srcRect.x - 0.5), v0 = walk.y + 0.5 - double(y) + (srcRect.y - 0.5);
  if (!(std::fabs(u0) < 1e9 && std::fabs(v0) < 1e9)) return;
  const int64_t u = int64_t(std::llround(u0 * 65536.0)), v = int64_t(std::llround(v0 * 65536.0));
  const uint32_t fx = uint32_t(u >> 8) & 0xFF, fy = uint32_t(v >> 8) & 0xFF;
  const int64_t sx0 = u >> 16, sy0 = v >> 16;  // source pixel at the walk's top-left, before the fractions
  if (fx == 0 && fy == 0) {
    // Whole source pixels land on whole destination pixels.
    const int64_t left = walk.x - sx0, top = walk.y - sy0;  // where source pixel (0, 0) lands
    const Rect drawn = Rect(int(left + area.x), int(top + area.y), area.width, area.height).Intersection(walk);
    if (drawn.IsEmpty()) return;
    Blit(image, drawn.x, drawn.y, Rect(int(drawn.x - left), int(drawn.y - top), drawn.width, drawn.height), color,
         drawMode);
    return;
  }
  const SamplingDraw draw(*src, area, color, src == this);
  const Kernels::Source& view = draw.source.view;
  const int n = walk.width;
  // Source row sy from column sx0 on, n + 1 pixels, with pixels outside the area transparent.
  const int64_t viewX0 = sx0 - (draw.source.offsetU >> 16);
  const auto fetch = [&](std::vector<uint32_t>& row, int64_t sy) {
    row.assign(size_t(n) + 1, 0);
    if (sy < view.y || sy >= int64_t(view.y) + view.height) return;
    const int64_t from = std::max<int64_t>(viewX0, view.x),
                  to = std::min<int64_t>(viewX0 + n + 1, int64_t(view.x) + view.width);
    if (from < to)
      std::memcpy(&row[size_t(from - viewX0)], view.px + size_t(sy) * size_t(view.stride) + size_t(from),
                  size_t(to - from) * 4);
  };
  draw.scratch.line.resize(size_t(n));
  int64_t fetchedBelow = INT64_MIN;
  for (int Y = walk.y; Y < walk.y + walk.height; ++Y) {
    const int64_t sy = sy0 + (Y - walk.y) - (draw.source.offsetV >> 16);
    if (sy + 1 < view.y || sy >= int64_t(view.y) + view.height) continue;
    // Going down a row, the row below becomes the row above.
    if (sy == fetchedBelow)
      std::swap(draw.scratch.above, draw.scratch.below);
    else
      fetch(draw.scratch.above, sy);
    fetch(draw.scratch.below, sy + 1);
    fetchedBelow = sy + 1;
    Kernels::RowFilter2x2(draw.scratch.line.data(), draw.scratch.above.data(), draw.scratch.below.data(), fx, fy, n);
    Kernels::AreaCompose({bits.get() + size_t(Y) * width + walk.x, 0, draw.scratch.line.data(), 0, n, 1}, nullptr,
                         draw.tint, drawMode == kAdditive, false, draw.partial);
  }
  PixelsChanged();
}

void MemoryImage::BlitRotated(Image* image, float x, float y, const Rect& srcRect, const Rect& clipRect,
                              const Color& color, int drawMode, double rot, float rotCenterX, float rotCenterY) {
  MemoryImage* src = AsMemoryImage(image);
  if (!src || !std::isfinite(rot) || !std::isfinite(x) || !std::isfinite(y) || !std::isfinite(rotCenterX) ||
      !std::isfinite(rotCenterY))
    return;
  src->drawn = true;
  const Rect area = srcRect.Intersection(Rect(0, 0, src->width, src->height));
  if (area.IsEmpty()) return;
  const double ca = std::cos(rot), sa = std::sin(rot);
  const double cx = double(x) + rotCenterX, cy = double(y) + rotCenterY;
  // Corners of the source rectangle placed at (x, y), rotated about the centre.
  double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
  for (int corner = 0; corner < 4; ++corner) {
    const double px = double(x) + ((corner & 1) ? srcRect.width : 0) - cx;
    const double py = double(y) + ((corner & 2) ? srcRect.height : 0) - cy;
    const double rx = cx + ca * px + sa * py, ry = cy - sa * px + ca * py;
    minX = std::min(minX, rx);
    maxX = std::max(maxX, rx);
    minY = std::min(minY, ry);
    maxY = std::max(maxY, ry);
  }
  RectF box = Intersect({std::floor(minX), std::floor(minY), std::ceil(maxX), std::ceil(maxY)}, ToRectF(clipRect));
  box = Intersect(box, {0, 0, double(width), double(height)});
  if (box.Empty() || !GetPixels()) return;
  const Rect walk = PixelBox(box);
  const int bx0 = walk.x, by0 = walk.y, by1 = walk.y + walk.height;
  if (walk.IsEmpty()) return;
  if (!src->bits && !src->GetPixels()) return;  // a palette source reads through its expanded pixels
  const SamplingDraw draw(*src, area, color, src == this);
  // Source position of destination pixel (X, Y): its centre turned back about the rotation
  // centre, then offset into the source rectangle, where pixel centres lie on whole numbers.
  // Stepped along each row in 16.16 fixed point.
  const double baseU = srcRect.x + double(rotCenterX) - 0.5, baseV = srcRect.y + double(rotCenterY) - 0.5;
  const int64_t stepU = int64_t(ca * 65536.0), stepV = int64_t(sa * 65536.0);
  // Positions more than a pixel outside the source rectangle sample nothing.
  const int64_t minU = (int64_t(area.x) - 1) << 16, minV = (int64_t(area.y) - 1) << 16;
  const int64_t maxU = (int64_t(area.x) + area.width) << 16, maxV = (int64_t(area.y) + area.height) << 16;
  draw.scratch.line.resize(size_t(walk.width));
  for (int Y = by0; Y < by1; ++Y) {
    const double ddx = bx0 + 0.5 - cx, ddy = Y + 0.5 - cy;
    const double u0 = ca * ddx - sa * ddy + baseU, v0 = sa * ddx + ca * ddy + baseV;
    // Positions this far away sample nothing (and would not fit the fixed-point form).
    if (!(std::fabs(u0) < 1e9 && std::fabs(v0) < 1e9)) continue;
    // Rounded, not floored: a position a hair left of a pixel centre is that centre.
    const int64_t u = int64_t(std::llround(u0 * 65536.0));
    const int64_t v = int64_t(std::llround(v0 * 65536.0));
    // The positions that sample something lie on a line, so they are one run of the row: it is
    // sampled into a line that the row kernels compose.
    const auto inside = [&](int i) {
      const int64_t pu = u + i * stepU, pv = v + i * stepV;
      return pu > minU && pv > minV && pu < maxU && pv < maxV;
    };
    int first = 0, last = walk.width;
    while (first < last && !inside(first)) ++first;
    while (last > first && !inside(last - 1)) --last;
    if (first == last) continue;
    Kernels::RowSampleBilinear(draw.scratch.line.data(), draw.source.view, u + first * stepU - draw.source.offsetU,
                               v + first * stepV - draw.source.offsetV, stepU, stepV, last - first);
    Kernels::AreaCompose(
        {bits.get() + size_t(Y) * width + bx0 + first, 0, draw.scratch.line.data(), 0, last - first, 1}, nullptr,
        draw.tint, drawMode == kAdditive, false, draw.partial);
  }
  PixelsChanged();
}

void MemoryImage::BlitStretched(Image* image, const Rect& destRect, const Rect& srcRect, const Rect& clipRect,
                                const Color& color, int, bool fastStretch) {
  BlitStretchedSoftware(AsMemoryImage(image), destRect, srcRect, clipRect, color, fastStretch, false);
}

namespace {

// Resampling filter along one axis for a run of destination pixels: for each, the first source
// pixel it reads and its weights, out of 256 and summing to 256. Shrinking averages the source
// pixels a destination pixel covers, each by the part covered; enlarging interpolates between the
// two nearest source pixels, with the first and last source pixels landing on the first and last
// destination pixels.
struct AxisFilter {
  int taps = 0;                  // weights per destination pixel
  std::vector<int> first;        // source index (from the source rectangle's start) per pixel
  std::vector<uint16_t> weight;  // taps weights per pixel
};

// Fills f (its vectors keep their capacity from one call to the next).
void MakeAxisFilter(int destFrom, int destTo, int srcSize, int dstSize, bool mirror, AxisFilter& f) {
  const int count = destTo - destFrom;
  const bool enlarge = dstSize > srcSize;
  const double scale = double(srcSize) / double(dstSize);
  f.taps = enlarge ? 2 : int(std::ceil(scale)) + 1;
  f.first.resize(size_t(count));
  f.weight.assign(size_t(count) * size_t(f.taps), 0);
  for (int n = 0; n < count; ++n) {
    const int i = mirror ? dstSize - 1 - (destFrom + n) : destFrom + n;
    uint16_t* w = &f.weight[size_t(n) * size_t(f.taps)];
    if (enlarge) {
      const double step = dstSize > 1 ? double(srcSize - 1) / double(dstSize - 1) : double(srcSize);
      const double pos = i * step;
      const int p0 = std::min(int(pos), srcSize - 1);
      const int frac = p0 + 1 < srcSize ? int((pos - p0) * 256.0 + 0.5) : 0;
      f.first[size_t(n)] = p0;
      w[0] = uint16_t(256 - frac);
      w[1] = uint16_t(frac);
      continue;
    }
    const double from = i * scale, to = (i + 1) * scale;
    const int p0 = int(from);
    const int p1 = std::min(srcSize, int(std::ceil(to)));
    f.first[size_t(n)] = p0;
    int total = 0, largest = 0;
    for (int p = p0; p < p1 && p - p0 < f.taps; ++p) {
      const double covered = std::min(to, double(p + 1)) - std::max(from, double(p));
      const int k = p - p0;
      w[k] = uint16_t(std::max(0, int(covered / scale * 256.0 + 0.5)));
      total += w[k];
      if (w[k] > w[largest]) largest = k;
    }
    // Rounding is settled on the biggest weight, so every pixel's weights sum to exactly 256.
    w[largest] = uint16_t(w[largest] + 256 - total);
  }
}

// The smooth stretch's working rows. Drawing happens every frame: they are kept per thread and only
// grow, so a stretch allocates nothing once one as large has been drawn.
struct StretchScratch {
  AxisFilter cols, rows;
  std::vector<int32_t> colFirst;     // the column filter in the kernels' form
  std::vector<uint32_t> colWeights;  // tap by tap, each weight in both 16-bit halves
  std::vector<uint32_t> premul;      // one source row, premultiplied
  std::vector<uint32_t> planes;      // horizontally filtered rows: a ring of (even, odd) planes
  std::vector<Kernels::PlaneRow> taps;
  std::vector<uint32_t> line;      // one destination row, straight pixels
  std::vector<uint32_t> selfCopy;  // the source rectangle, when an image is drawn onto itself
};

}  // namespace

void MemoryImage::BlitStretchedSoftware(MemoryImage* src, const Rect& destRect, const Rect& srcRect,
                                        const Rect& clipRect, const Color& color, bool fastStretch, bool mirror) {
  if (!src) return;
  src->drawn = true;
  if (destRect.width <= 0 || destRect.height <= 0 || srcRect.width <= 0 || srcRect.height <= 0) return;
  // The source must lie inside its image; a rectangle reaching outside draws nothing.
  if (srcRect.x < 0 || srcRect.y < 0 || int64_t(srcRect.x) + srcRect.width > src->width ||
      int64_t(srcRect.y) + srcRect.height > src->height)
    return;
  const RectF dest = ToRectF(destRect);
  const RectF visible = Intersect(Intersect(dest, ToRectF(clipRect)), {0, 0, double(width), double(height)});
  if (visible.Empty() || !GetPixels()) return;
  const int x0 = int(visible.left), y0 = int(visible.top);
  const int x1 = int(visible.right), y1 = int(visible.bottom);
  if (x1 <= x0 || y1 <= y0) return;
  if (!src->bits && !src->GetPixels()) return;
  thread_local StretchScratch scratch;
  // The source rows, read through rowAt(y) from column srcRect.x on. An image drawn onto itself
  // reads from a copy taken before anything is drawn.
  const uint32_t* spx = src->bits.get();
  ptrdiff_t sw = src->width;
  if (src == this) {
    std::vector<uint32_t>& copy = scratch.selfCopy;
    copy.resize(size_t(srcRect.width) * size_t(srcRect.height));
    for (int r = 0; r < srcRect.height; ++r)
      std::memcpy(&copy[size_t(r) * size_t(srcRect.width)], spx + size_t(srcRect.y + r) * size_t(sw) + srcRect.x,
                  size_t(srcRect.width) * 4);
    spx = copy.data();
    sw = srcRect.width;
  }
  const bool copied = src == this;
  const auto rowAt = [&](int sy) {
    return copied ? spx + size_t(sy - srcRect.y) * size_t(sw) : spx + size_t(sy) * size_t(sw) + size_t(srcRect.x);
  };
  const int outW = x1 - x0;
  std::vector<uint32_t>& line = scratch.line;
  line.resize(size_t(outW));

  if (fastStretch) {
    // Nearest pixel, and only in plain white. Each destination row is gathered from its source row
    // (rows repeated by an enlargement are gathered once) and composed by the row kernels.
    if (!IsWhite(color)) return;
    const bool opaqueDest = IsOpaqueDestination();
    const double stepX = double(srcRect.width) / destRect.width, stepY = double(srcRect.height) / destRect.height;
    std::vector<int32_t>& cols = scratch.colFirst;
    cols.resize(size_t(outW));
    for (int X = x0; X < x1; ++X) {
      int64_t i = int64_t(X) - destRect.x;
      if (mirror) i = destRect.width - 1 - i;
      cols[size_t(X - x0)] = std::min(srcRect.width - 1, int(i * stepX));
    }
    int gathered = -1;
    for (int Y = y0; Y < y1; ++Y) {
      const int sy = srcRect.y + std::min(srcRect.height - 1, int((int64_t(Y) - destRect.y) * stepY));
      if (sy != gathered) Kernels::RowGather(line.data(), rowAt(sy), cols.data(), outW);
      gathered = sy;
      Kernels::AreaCompose({bits.get() + size_t(Y) * width + x0, 0, line.data(), 0, outW, 1}, nullptr, nullptr, false,
                           opaqueDest, false);
    }
    PixelsChanged();
    return;
  }

  // Separable resampling of premultiplied pixels: a horizontal pass over each source row that the
  // visible destination rows need, into planes of 16-bit channels (value * 256), then a vertical
  // pass per destination row. Source rows are filtered when first needed and kept in a ring as
  // deep as the vertical filter, so the working rows stay in cache.
  MakeAxisFilter(int(x0 - int64_t(destRect.x)), int(x1 - int64_t(destRect.x)), srcRect.width, destRect.width, mirror,
                 scratch.cols);
  MakeAxisFilter(int(y0 - int64_t(destRect.y)), int(y1 - int64_t(destRect.y)), srcRect.height, destRect.height, false,
                 scratch.rows);
  const AxisFilter& cols = scratch.cols;
  const AxisFilter& rows = scratch.rows;
  const int needTop = rows.first.front();
  const int needBottom = std::min(srcRect.height, rows.first.back() + rows.taps);
  const int needRows = needBottom - needTop;
  const int colFrom = *std::min_element(cols.first.begin(), cols.first.end());
  const int colTo = std::min(srcRect.width, *std::max_element(cols.first.begin(), cols.first.end()) + cols.taps);
  const int srcSpan = colTo - colFrom;
  scratch.colFirst.resize(size_t(outW));
  scratch.colWeights.resize(size_t(outW) * size_t(cols.taps));
  for (int n = 0; n < outW; ++n) {
    scratch.colFirst[size_t(n)] = cols.first[size_t(n)] - colFrom;
    for (int k = 0; k < cols.taps; ++k) {
      const uint32_t w = cols.weight[size_t(n) * size_t(cols.taps) + size_t(k)];
      scratch.colWeights[size_t(k) * size_t(outW) + size_t(n)] = w | w << 16;
    }
  }
  std::vector<uint32_t>& premul = scratch.premul;
  premul.assign(size_t(srcSpan) + size_t(cols.taps), 0);  // padded: trailing weights are 0
  const int ring = std::min(rows.taps, needRows);
  const size_t planeSize = size_t(outW);
  scratch.planes.resize(size_t(ring) * 2 * planeSize);
  const auto plane = [&](int r) { return &scratch.planes[size_t(r % ring) * 2 * planeSize]; };
  scratch.taps.resize(size_t(rows.taps));
  int filtered = 0;  // source rows (from needTop) filtered so far
  const Blend::Tint tint = Blend::MakeTint(color.red, color.green, color.blue, color.alpha);
  for (int Y = y0; Y < y1; ++Y) {
    const int n = Y - y0;
    const int top = rows.first[size_t(n)] - needTop;
    const int taps = std::min(rows.taps, needRows - top);
    for (; filtered < top + taps; ++filtered) {
      Kernels::RowPremultiply(premul.data(), rowAt(srcRect.y + needTop + filtered) + colFrom, srcSpan);
      uint32_t* even = plane(filtered);
      Kernels::RowStretchHorizontal(even, even + planeSize, premul.data(), scratch.colFirst.data(),
                                    scratch.colWeights.data(), cols.taps, outW);
    }
    for (int k = 0; k < taps; ++k) scratch.taps[size_t(k)] = {plane(top + k), plane(top + k) + planeSize};
    Kernels::RowStretchVertical(line.data(), scratch.taps.data(), &rows.weight[size_t(n) * size_t(rows.taps)], taps,
                                outW);
    uint32_t* dst = bits.get() + size_t(Y) * width + x0;
    if (IsWhite(color))
      Kernels::RowOver(dst, line.data(), outW);
    else
      Kernels::RowOverTinted(dst, line.data(), outW, tint);
  }
  PixelsChanged();
}

void MemoryImage::BlitTransformed(Image* image, float x, float y, const Matrix3& matrix, const Rect& clipRect,
                                  const Color& color, int, const Rect& srcRect, bool blend) {
  MemoryImage* src = AsMemoryImage(image);
  if (!src) return;
  src->drawn = true;
  // The matrix works on source positions relative to the centre of srcRect; (x, y) is where
  // that centre lands. So the identity draws the picture centred on (x, y).
  Matrix3 placed = matrix;
  placed.Translate(x, y);
  Matrix3 toCentre;
  toCentre.m[0][2] = -srcRect.width / 2.0f;
  toCentre.m[1][2] = -srcRect.height / 2.0f;
  const Matrix3 forward = placed * toCentre;
  Matrix3 inverse;
  if (!forward.Inverse(inverse)) return;
  DrawMapped(src, srcRect, clipRect, forward, inverse, color, blend);
}

void MemoryImage::DrawMapped(MemoryImage* src, const Rect& srcRect, const Rect& clipRect, const Matrix3& forward,
                             const Matrix3& inverse, const Color& color, bool blend) {
  const Rect area = srcRect.Intersection(Rect(0, 0, src->width, src->height));
  if (area.IsEmpty()) return;
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c)
      if (!std::isfinite(forward.m[r][c]) || !std::isfinite(inverse.m[r][c])) return;
  double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
  for (int corner = 0; corner < 4; ++corner) {
    const Vector2 p =
        forward * Vector2{(corner & 1) ? float(srcRect.width) : 0.0f, (corner & 2) ? float(srcRect.height) : 0.0f};
    minX = std::min(minX, double(p.x));
    maxX = std::max(maxX, double(p.x));
    minY = std::min(minY, double(p.y));
    maxY = std::max(maxY, double(p.y));
  }
  const RectF box =
      Intersect(Intersect({std::floor(minX), std::floor(minY), std::ceil(maxX), std::ceil(maxY)}, ToRectF(clipRect)),
                {0, 0, double(width), double(height)});
  if (box.Empty() || !GetPixels()) return;
  if (!src->bits && !src->GetPixels()) return;
  WalkAndSample(src, area, srcRect, PixelBox(box), inverse, color, blend, nullptr);
}

void MemoryImage::WalkAndSample(MemoryImage* src, const Rect& area, const Rect& srcRect, const Rect& box,
                                const Matrix3& inverse, const Color& color, bool blend, const TriangleEdges* tri) {
  const uint32_t* spx = src->bits.get();
  const bool white = IsWhite(color);
  const Blend::Tint tint = Blend::MakeTint(color.red, color.green, color.blue, color.alpha);
  // A forced-opaque destination is drawn as plain RGB: its alpha is left alone.
  const bool keepAlpha = modeForced && !hasTransparent && !hasTranslucent;
  const bool stepped = blend && !tri && std::fabs(inverse.m[0][0]) < 256 && std::fabs(inverse.m[1][0]) < 256;
  if (stepped) {
    // Bilinear draws of a plain affine map step along each row in 16.16 fixed point, from a start
    // worked out as the per-pixel form does every kSpan pixels, so rounding cannot drift. Each
    // piece's positions that sample something form one run, sampled and composed by the kernels.
    constexpr int kSpan = 32;
    SampleScratch& scratch = TheSampleScratch();
    const SampleSource source = SourceOf(spx, src->width, area, src == this, scratch);
    scratch.line.resize(kSpan);
    scratch.alphas.resize(kSpan);
    const int64_t stepU = std::llround(double(inverse.m[0][0]) * 65536.0);
    const int64_t stepV = std::llround(double(inverse.m[1][0]) * 65536.0);
    const int64_t minU = (int64_t(area.x) - 1) << 16, minV = (int64_t(area.y) - 1) << 16;
    const int64_t maxU = (int64_t(area.x) + area.width) << 16, maxV = (int64_t(area.y) + area.height) << 16;
    for (int Y = box.y; Y < box.y + box.height; ++Y) {
      uint32_t* dst = bits.get() + size_t(Y) * width;
      for (int from = box.x; from < box.x + box.width; from += kSpan) {
        const int count = std::min(kSpan, box.x + box.width - from);
        const Vector2 local = inverse * Vector2{from + 0.5f, Y + 0.5f};
        const double u0 = srcRect.x + double(local.x) - 0.5, v0 = srcRect.y + double(local.y) - 0.5;
        if (!(std::fabs(u0) < 1e9 && std::fabs(v0) < 1e9)) continue;
        const int64_t u = std::llround(u0 * 65536.0), v = std::llround(v0 * 65536.0);
        const auto inside = [&](int i) {
          const int64_t pu = u + i * stepU, pv = v + i * stepV;
          return pu > minU && pv > minV && pu < maxU && pv < maxV;
        };
        int first = 0, last = count;
        while (first < last && !inside(first)) ++first;
        while (last > first && !inside(last - 1)) --last;
        if (first == last) continue;
        const int runLength = last - first;
        uint32_t* out = dst + from + first;
        if (keepAlpha) std::memcpy(scratch.alphas.data(), out, size_t(runLength) * 4);
        Kernels::RowSampleBilinear(scratch.line.data(), source.view, u + first * stepU - source.offsetU,
                                   v + first * stepV - source.offsetV, stepU, stepV, runLength);
        Kernels::AreaCompose({out, 0, scratch.line.data(), 0, runLength, 1}, nullptr, white ? nullptr : &tint, false,
                             false, false);
        if (keepAlpha)
          for (int i = 0; i < runLength; ++i) out[i] = (out[i] & 0xFFFFFF) | (scratch.alphas[size_t(i)] & 0xFF000000u);
      }
    }
    PixelsChanged();
    return;
  }
  for (int Y = box.y; Y < box.y + box.height; ++Y) {
    uint32_t* dst = bits.get() + size_t(Y) * width;
    for (int X = box.x; X < box.x + box.width; ++X) {
      const float cxp = X + 0.5f, cyp = Y + 0.5f;
      if (tri && !tri->Inside(cxp, cyp)) continue;
      const Vector2 local = inverse * Vector2{cxp, cyp};
      const double u = srcRect.x + double(local.x) - 0.5, v = srcRect.y + double(local.y) - 0.5;
      if (u <= area.x - 1.0 || v <= area.y - 1.0 || u >= area.x + area.width || v >= area.y + area.height) continue;
      const uint32_t s =
          blend ? SampleBilinear(spx, src->width, area, u, v) : SampleNearest(spx, src->width, area, u, v);
      const uint32_t before = dst[X];
      dst[X] = white ? Blend::Over(before, s) : Blend::OverTinted(before, s, tint);
      if (keepAlpha) dst[X] = (dst[X] & 0xFFFFFF) | (before & 0xFF000000u);
    }
  }
  PixelsChanged();
}

bool MemoryImage::TriangleEdges::Inside(float px, float py) const {
  float sign = 0;
  for (int i = 0; i < 3; ++i) {
    const int j = (i + 1) % 3;
    const float e = (x[j] - x[i]) * (py - y[i]) - (y[j] - y[i]) * (px - x[i]);
    if (e == 0) continue;
    if (sign == 0)
      sign = e;
    else if ((e > 0) != (sign > 0))
      return false;
  }
  return true;
}

void MemoryImage::BlitTriangles(Image* texture, const TriVertex (*triangles)[3], int count, const Rect& clipRect,
                                const Color& color, int, float tx, float ty, bool blend) {
  MemoryImage* src = AsMemoryImage(texture);
  if (!src || !triangles || count <= 0 || src->width <= 0 || src->height <= 0) return;
  src->drawn = true;
  const Rect whole(0, 0, src->width, src->height);
  for (int t = 0; t < count; ++t) {
    const TriVertex* v = triangles[t];
    // The affine map from texture pixels to destination pixels through the three corners.
    const double u0 = v[0].u * src->width, v0 = v[0].v * src->height;
    const double u1 = v[1].u * src->width, v1 = v[1].v * src->height;
    const double u2 = v[2].u * src->width, v2 = v[2].v * src->height;
    Matrix3 texToUv;
    texToUv.m[0][0] = float(u1 - u0), texToUv.m[0][1] = float(u2 - u0), texToUv.m[0][2] = float(u0);
    texToUv.m[1][0] = float(v1 - v0), texToUv.m[1][1] = float(v2 - v0), texToUv.m[1][2] = float(v0);
    Matrix3 texToXy;
    texToXy.m[0][0] = v[1].x - v[0].x, texToXy.m[0][1] = v[2].x - v[0].x, texToXy.m[0][2] = v[0].x + tx;
    texToXy.m[1][0] = v[1].y - v[0].y, texToXy.m[1][1] = v[2].y - v[0].y, texToXy.m[1][2] = v[0].y + ty;
    Matrix3 xyToTex, uvToTex;
    if (!texToXy.Inverse(xyToTex) || !texToUv.Inverse(uvToTex)) continue;
    const Matrix3 forward = texToXy * uvToTex;
    const Matrix3 inverse = texToUv * xyToTex;
    TriangleEdges edges;
    double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
    bool finite = true;
    for (int i = 0; i < 3; ++i) {
      edges.x[i] = v[i].x + tx;
      edges.y[i] = v[i].y + ty;
      finite = finite && std::isfinite(edges.x[i]) && std::isfinite(edges.y[i]);
      minX = std::min(minX, double(edges.x[i]));
      maxX = std::max(maxX, double(edges.x[i]));
      minY = std::min(minY, double(edges.y[i]));
      maxY = std::max(maxY, double(edges.y[i]));
    }
    if (!finite) continue;
    bool matrixFinite = true;
    for (int r = 0; r < 3; ++r)
      for (int c = 0; c < 3; ++c)
        matrixFinite = matrixFinite && std::isfinite(forward.m[r][c]) && std::isfinite(inverse.m[r][c]);
    if (!matrixFinite) continue;
    const RectF box =
        Intersect(Intersect({std::floor(minX), std::floor(minY), std::ceil(maxX), std::ceil(maxY)}, ToRectF(clipRect)),
                  {0, 0, double(width), double(height)});
    if (box.Empty() || !GetPixels() || (!src->bits && !src->GetPixels())) continue;
    // Vertex colours multiply the draw colour (the first corner's colour stands for the face).
    const Color vc(v[0].color, int(v[0].color >> 24));
    const Color tintColor(color.red * vc.red / 255, color.green * vc.green / 255, color.blue * vc.blue / 255,
                          color.alpha * vc.alpha / 255);
    WalkAndSample(src, whole, whole, PixelBox(box), inverse, tintColor, blend, &edges);
  }
}

}  // namespace Orva

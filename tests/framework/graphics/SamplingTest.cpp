// Scaled, rotated, sub-pixel and matrix draws against their per-pixel equations, for every kernel
// set: random pictures, positions, angles, clips, tints and modes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "framework/graphics/BlitKernels.h"
#include "framework/graphics/Matrix3.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/graphics/PixelBlend.h"
#include "framework/graphics/PixelSample.h"

namespace Orva {
namespace {

using Kernels::KernelSet;
using Px = std::vector<uint32_t>;

// Largest difference of any channel (alpha included) between two pixels.
int Distance(uint32_t a, uint32_t b) {
  int most = 0;
  for (int shift = 0; shift < 32; shift += 8)
    most = std::max(most, std::abs(int((a >> shift) & 255) - int((b >> shift) & 255)));
  return most;
}

// Pixels mixing transparent, opaque and translucent stretches, as sprites have.
Px RandomPixels(std::mt19937& rng, size_t n) {
  Px px(n);
  std::uniform_int_distribution<uint32_t> any(0, 0xFFFFFFFF), cls(0, 2), len(1, 9);
  for (size_t i = 0; i < n;) {
    const uint32_t c = cls(rng);
    for (int k = int(len(rng)); k > 0 && i < n; --k, ++i) {
      const uint32_t a = c == 0 ? 0 : c == 1 ? 255 : 1 + any(rng) % 254;
      px[i] = (a << 24) | (any(rng) & 0xFFFFFF);
    }
  }
  return px;
}

std::unique_ptr<MemoryImage> ImageOf(const Px& px, int w, int h) {
  auto image = std::make_unique<MemoryImage>();
  image->SetPixels(px.data(), w, h, true);
  return image;
}

bool Partial(const Px& px) {
  return std::any_of(px.begin(), px.end(), [](uint32_t p) { return p >> 24 != 255; });
}

uint32_t ComposeOne(uint32_t d, uint32_t s, const Color& color, bool additive, bool partial) {
  const Blend::Tint tint = Blend::MakeTint(color.red, color.green, color.blue, color.alpha);
  const bool white = color == Color::White;
  if (additive) return white ? Blend::Add(d, s, partial) : Blend::AddTinted(d, s, partial, tint);
  return white ? Blend::Over(d, s) : Blend::OverTinted(d, s, tint);
}

// The rotated draw (and the sub-pixel one, at angle zero) pixel by pixel, as written before rows
// were sampled by kernels.
void ReferenceRotated(Px& d, int dw, int dh, const Px& s, int sw, int sh, float x, float y, const Rect& srcRect,
                      const Rect& clip, const Color& color, bool additive, double rot, float rcx, float rcy) {
  const Rect area = srcRect.Intersection(Rect(0, 0, sw, sh));
  if (area.IsEmpty()) return;
  const double ca = std::cos(rot), sa = std::sin(rot);
  const double cx = double(x) + rcx, cy = double(y) + rcy;
  double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
  for (int corner = 0; corner < 4; ++corner) {
    const double px = double(x) + ((corner & 1) ? srcRect.width : 0) - cx;
    const double py = double(y) + ((corner & 2) ? srcRect.height : 0) - cy;
    const double rx = cx + ca * px + sa * py, ry = cy - sa * px + ca * py;
    minX = std::min(minX, rx), maxX = std::max(maxX, rx), minY = std::min(minY, ry), maxY = std::max(maxY, ry);
  }
  const double left = std::max({std::floor(minX), double(clip.x), 0.0});
  const double top = std::max({std::floor(minY), double(clip.y), 0.0});
  const double right = std::min({std::ceil(maxX), double(clip.x) + clip.width, double(dw)});
  const double bottom = std::min({std::ceil(maxY), double(clip.y) + clip.height, double(dh)});
  if (!(right > left && bottom > top)) return;
  const bool partial = Partial(s);
  const double baseU = srcRect.x + double(rcx) - 0.5, baseV = srcRect.y + double(rcy) - 0.5;
  const int64_t stepU = int64_t(ca * 65536.0), stepV = int64_t(sa * 65536.0);
  const int64_t minU = (int64_t(area.x) - 1) << 16, minV = (int64_t(area.y) - 1) << 16;
  const int64_t maxU = (int64_t(area.x) + area.width) << 16, maxV = (int64_t(area.y) + area.height) << 16;
  const int bx0 = int(std::ceil(left)), bx1 = int(std::ceil(right));
  for (int Y = int(std::ceil(top)); Y < int(std::ceil(bottom)); ++Y) {
    const double ddx = bx0 + 0.5 - cx, ddy = Y + 0.5 - cy;
    int64_t u = std::llround((ca * ddx - sa * ddy + baseU) * 65536.0);
    int64_t v = std::llround((sa * ddx + ca * ddy + baseV) * 65536.0);
    for (int X = bx0; X < bx1; ++X, u += stepU, v += stepV) {
      if (u <= minU || v <= minV || u >= maxU || v >= maxV) continue;
      const uint32_t p = Sample::Bilinear(s.data(), sw, area.x, area.y, area.width, area.height, u, v);
      if (p != 0) d[size_t(Y) * dw + X] = ComposeOne(d[size_t(Y) * dw + X], p, color, additive, partial);
    }
  }
}

// The matrix draw, bilinear, pixel by pixel. keepAlpha: the destination is forced opaque.
void ReferenceMapped(Px& d, int dw, int dh, const Px& s, int sw, int sh, float x, float y, const Matrix3& matrix,
                     const Rect& clip, const Color& color, const Rect& srcRect, bool keepAlpha) {
  Matrix3 placed = matrix;
  placed.Translate(x, y);
  Matrix3 toCentre;
  toCentre.m[0][2] = -srcRect.width / 2.0f;
  toCentre.m[1][2] = -srcRect.height / 2.0f;
  const Matrix3 forward = placed * toCentre;
  Matrix3 inverse;
  if (!forward.Inverse(inverse)) return;
  const Rect area = srcRect.Intersection(Rect(0, 0, sw, sh));
  if (area.IsEmpty()) return;
  double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
  for (int corner = 0; corner < 4; ++corner) {
    const Vector2 p =
        forward * Vector2{(corner & 1) ? float(srcRect.width) : 0.0f, (corner & 2) ? float(srcRect.height) : 0.0f};
    minX = std::min(minX, double(p.x)), maxX = std::max(maxX, double(p.x));
    minY = std::min(minY, double(p.y)), maxY = std::max(maxY, double(p.y));
  }
  const int x0 = int(std::ceil(std::max({std::floor(minX), double(clip.x), 0.0})));
  const int y0 = int(std::ceil(std::max({std::floor(minY), double(clip.y), 0.0})));
  const int x1 = int(std::ceil(std::min({std::ceil(maxX), double(clip.x) + clip.width, double(dw)})));
  const int y1 = int(std::ceil(std::min({std::ceil(maxY), double(clip.y) + clip.height, double(dh)})));
  for (int Y = y0; Y < y1; ++Y)
    for (int X = x0; X < x1; ++X) {
      const Vector2 local = inverse * Vector2{X + 0.5f, Y + 0.5f};
      const double u = srcRect.x + double(local.x) - 0.5, v = srcRect.y + double(local.y) - 0.5;
      if (u <= area.x - 1.0 || v <= area.y - 1.0 || u >= area.x + area.width || v >= area.y + area.height) continue;
      const uint32_t p = Sample::Bilinear(s.data(), sw, area.x, area.y, area.width, area.height,
                                          std::llround(u * 65536.0), std::llround(v * 65536.0));
      uint32_t& out = d[size_t(Y) * dw + X];
      const uint32_t before = out;
      out = ComposeOne(before, p, color, false, false);
      if (keepAlpha) out = (out & 0xFFFFFF) | (before & 0xFF000000u);
    }
}

// The nearest-pixel stretch pixel by pixel (white only).
void ReferenceNearest(Px& d, int dw, int dh, const Px& s, int sw, const Rect& dest, const Rect& srcRect,
                      const Rect& clip, bool opaqueDest) {
  const int x0 = std::max({dest.x, clip.x, 0}), y0 = std::max({dest.y, clip.y, 0});
  const int x1 = std::min({dest.x + dest.width, clip.x + clip.width, dw});
  const int y1 = std::min({dest.y + dest.height, clip.y + clip.height, dh});
  const double stepX = double(srcRect.width) / dest.width, stepY = double(srcRect.height) / dest.height;
  for (int Y = y0; Y < y1; ++Y) {
    const int sy = srcRect.y + std::min(srcRect.height - 1, int((Y - dest.y) * stepY));
    for (int X = x0; X < x1; ++X) {
      const int sx = srcRect.x + std::min(srcRect.width - 1, int((X - dest.x) * stepX));
      uint32_t& out = d[size_t(Y) * dw + X];
      out =
          opaqueDest ? Blend::OverOpaqueCopy(out, s[size_t(sy) * sw + sx]) : Blend::Over(out, s[size_t(sy) * sw + sx]);
    }
  }
}

class SamplingTest : public ::testing::TestWithParam<KernelSet> {
 protected:
  void SetUp() override {
    previous_ = Kernels::ActiveKernelSet();
    if (!Kernels::UseKernelSet(GetParam())) GTEST_SKIP() << Kernels::KernelSetName(GetParam()) << " does not run here";
  }
  void TearDown() override { Kernels::UseKernelSet(previous_); }

 private:
  KernelSet previous_ = KernelSet::Scalar;
};

// The sampling kernels on their own: the bilinear ones within 2 of the equations (single
// precision may round a channel the other way), the rest exactly; none writes past its row.
TEST_P(SamplingTest, KernelsFollowTheEquations) {
  std::mt19937 rng(4242);
  std::uniform_int_distribution<int> size(1, 37), count(1, 70);
  constexpr uint32_t kGuard = 0xDEADBEEF;
  int worst = 0;
  for (int round = 0; round < 300; ++round) {
    const int w = size(rng), h = size(rng), n = count(rng);
    const Px src = RandomPixels(rng, size_t(w) * h);
    const Kernels::Source view{src.data(), w, 0, 0, w, h};
    // A start and step anywhere in or just around the picture, as a rotation or scale gives.
    std::uniform_int_distribution<int64_t> pos(-65535, (int64_t(std::max(w, h)) << 16) - 1), step(-90000, 90000);
    const int64_t u = pos(rng) % (int64_t(w) << 16), v = pos(rng) % (int64_t(h) << 16);
    const int64_t du = step(rng), dv = round % 3 == 0 ? 0 : step(rng);
    Px out(size_t(n) + 8, kGuard);
    Kernels::RowSampleBilinear(out.data(), view, u, v, du, dv, n);
    for (int i = 0; i < n; ++i) {
      const uint32_t want = Sample::Bilinear(src.data(), w, 0, 0, w, h, u + i * du, v + i * dv);
      worst = std::max(worst, Distance(out[size_t(i)], want));
      ASSERT_LE(Distance(out[size_t(i)], want), 2) << "sample " << i << " of " << n << " in " << w << "x" << h;
    }
    ASSERT_EQ(out[size_t(n)], kGuard);

    // Sub-pixel rows: two rows of n + 1 pixels, fixed fractions.
    const Px above = RandomPixels(rng, size_t(n) + 1), below = RandomPixels(rng, size_t(n) + 1);
    const uint32_t fx = rng() % 256, fy = rng() % 256;
    std::fill(out.begin(), out.end(), kGuard);
    Kernels::RowFilter2x2(out.data(), above.data(), below.data(), fx, fy, n);
    for (int i = 0; i < n; ++i) {
      const uint32_t p[4] = {above[size_t(i)], above[size_t(i) + 1], below[size_t(i)], below[size_t(i) + 1]};
      worst = std::max(worst, Distance(out[size_t(i)], Sample::Bilerp(p, fx, fy)));
      ASSERT_LE(Distance(out[size_t(i)], Sample::Bilerp(p, fx, fy)), 2) << "filter " << i << " of " << n;
    }
    ASSERT_EQ(out[size_t(n)], kGuard);

    // The stretch passes: premultiply, gather, and a horizontal then vertical filter of random
    // weights (adding up to 256 per pixel) compared with the same arithmetic written out here.
    const Px row = RandomPixels(rng, size_t(n));
    std::fill(out.begin(), out.end(), kGuard);
    Kernels::RowPremultiply(out.data(), row.data(), n);
    for (int i = 0; i < n; ++i) ASSERT_EQ(out[size_t(i)], Sample::Premultiply(row[size_t(i)])) << i;
    ASSERT_EQ(out[size_t(n)], kGuard);
    std::vector<int32_t> index(static_cast<size_t>(n)), first(static_cast<size_t>(n));
    for (int32_t& k : index) k = int32_t(rng() % uint32_t(n));
    Kernels::RowGather(out.data(), row.data(), index.data(), n);
    for (int i = 0; i < n; ++i) ASSERT_EQ(out[size_t(i)], row[size_t(index[size_t(i)])]);
    const int taps = 1 + int(rng() % 4);
    Px premul(static_cast<size_t>(n + taps));
    for (size_t i = 0; i < premul.size(); ++i) premul[i] = Sample::Premultiply(RandomPixels(rng, 1)[0]);
    Px weights(static_cast<size_t>(taps * n));
    std::vector<uint16_t> vertical(static_cast<size_t>(taps));
    for (int i = 0; i < n; ++i) {
      first[size_t(i)] = int32_t(rng() % uint32_t(n));
      uint32_t left = 256;
      for (int k = 0; k < taps; ++k) {
        const uint32_t wk = k + 1 == taps ? left : rng() % (left + 1);
        left -= wk;
        weights[size_t(k) * size_t(n) + size_t(i)] = wk | wk << 16;
      }
    }
    std::vector<Px> planes(size_t(taps), Px(2 * size_t(n)));
    std::vector<Kernels::PlaneRow> rows;
    for (int t = 0; t < taps; ++t) {
      Px& plane = planes[size_t(t)];
      Kernels::RowStretchHorizontal(plane.data(), plane.data() + n, premul.data(), first.data(), weights.data(), taps,
                                    n);
      for (int i = 0; i < n; ++i) {
        uint32_t c[4] = {};
        for (int k = 0; k < taps; ++k) {
          const uint32_t wk = weights[size_t(k) * size_t(n) + size_t(i)] & 0xFFFF,
                         p = premul[size_t(first[size_t(i)] + k)];
          for (int ch = 0; ch < 4; ++ch) c[ch] += wk * ((p >> (8 * ch)) & 255);
        }
        ASSERT_EQ(plane[size_t(i)], c[0] | c[2] << 16) << "even plane " << i;
        ASSERT_EQ(plane[size_t(n + i)], c[1] | c[3] << 16) << "odd plane " << i;
      }
      rows.push_back({plane.data(), plane.data() + n});
    }
    uint32_t left = 256;  // the vertical weights add up to at most 256
    for (int k = 0; k < taps; ++k) {
      vertical[size_t(k)] = uint16_t(rng() % (left + 1));
      left -= vertical[size_t(k)];
    }
    std::fill(out.begin(), out.end(), kGuard);
    Kernels::RowStretchVertical(out.data(), rows.data(), vertical.data(), taps, n);
    for (int i = 0; i < n; ++i) {
      uint32_t c[4] = {32768, 32768, 32768, 32768};  // blue, red, green, alpha
      for (int k = 0; k < taps; ++k) {
        const uint32_t e = rows[size_t(k)].even[i], o = rows[size_t(k)].odd[i];
        c[0] += vertical[size_t(k)] * (e & 0xFFFF), c[1] += vertical[size_t(k)] * (e >> 16);
        c[2] += vertical[size_t(k)] * (o & 0xFFFF), c[3] += vertical[size_t(k)] * (o >> 16);
      }
      const auto ch = [&c](int k) { return std::min<uint32_t>(255, c[k] >> 16); };
      ASSERT_EQ(out[size_t(i)], Sample::Unpremultiply(ch(3), ch(1), ch(2), ch(0))) << "vertical " << i;
    }
    ASSERT_EQ(out[size_t(n)], kGuard);
  }
  std::printf("largest channel difference from the sampling equations: %d\n", worst);
}

// Whole draws through MemoryImage: rotated and sub-pixel draws (tinted, additive, clipped, over
// opaque and translucent destinations), matrix draws onto a forced-opaque destination, and
// nearest-pixel stretches, each against its pixel-by-pixel form.
TEST_P(SamplingTest, DrawsMatchTheirPerPixelForm) {
  std::mt19937 rng(777);
  std::uniform_int_distribution<int> size(1, 33), coord(-12, 40);
  std::uniform_real_distribution<float> place(-14.0f, 44.0f), frac(0.0f, 1.0f);
  constexpr int kW = 48, kH = 40;
  int worst = 0;
  for (int round = 0; round < 400; ++round) {
    const int sw = size(rng), sh = size(rng);
    const Px spx = RandomPixels(rng, size_t(sw) * sh);
    auto sprite = ImageOf(spx, sw, sh);
    const bool opaque = round % 2 == 0;
    Px start = RandomPixels(rng, size_t(kW) * kH);
    if (opaque)
      for (uint32_t& p : start) p |= 0xFF000000u;
    auto screen = ImageOf(start, kW, kH);
    if (opaque) screen->ForceAlphaFlags(false, false);
    Rect srcRect(int(rng() % uint32_t(sw)), int(rng() % uint32_t(sh)), 0, 0);
    srcRect.width = 1 + int(rng() % uint32_t(sw - srcRect.x + 2));  // may reach past the picture
    srcRect.height = 1 + int(rng() % uint32_t(sh - srcRect.y + 2));
    const Rect clip = round % 3 == 0 ? Rect(0, 0, kW, kH) : Rect(coord(rng), coord(rng), size(rng), size(rng));
    const Color color =
        round % 4 < 2 ? Color::White : Color(int(rng() % 256), int(rng() % 256), int(rng() % 256), int(rng() % 256));
    const bool additive = round % 5 == 1;
    const float x = round % 7 == 0 ? float(coord(rng)) : place(rng), y = place(rng);
    Px want = start;
    const int kind = round % 4;
    std::string what;
    if (kind == 0) {
      what = "rotated";
      const double angle = (frac(rng) - 0.5) * 7.0;
      const float cx = frac(rng) * sw, cy = frac(rng) * sh;
      screen->BlitRotated(sprite.get(), x, y, srcRect, clip, color, additive, angle, cx, cy);
      ReferenceRotated(want, kW, kH, spx, sw, sh, x, y, srcRect, clip, color, additive, angle, cx, cy);
    } else if (kind == 1) {
      what = "sub-pixel";
      screen->BlitSubpixel(sprite.get(), x, y, srcRect, clip, color, additive);
      ReferenceRotated(want, kW, kH, spx, sw, sh, x, y, srcRect, clip, color, additive, 0.0, 0.0f, 0.0f);
    } else if (kind == 2) {
      what = "matrix";
      Matrix3 m;
      m.Rotate(frac(rng) * 6.0f);
      m.Scale(0.5f + frac(rng) * 2.0f, 0.5f + frac(rng) * 2.0f);
      screen->BlitTransformed(sprite.get(), x, y, m, clip, color, 0, srcRect, true);
      ReferenceMapped(want, kW, kH, spx, sw, sh, x, y, m, clip, color, srcRect, opaque);
    } else {
      what = "nearest stretch";
      const Rect inside = srcRect.Intersection(Rect(0, 0, sw, sh));
      const Rect dest(coord(rng), coord(rng), size(rng) * 2, size(rng) * 2);
      screen->BlitStretched(sprite.get(), dest, inside, clip, Color::White, 0, true);
      ReferenceNearest(want, kW, kH, spx, sw, dest, inside, clip, opaque);
    }
    const uint32_t* got = screen->GetPixels();
    for (int i = 0; i < kW * kH; ++i) {
      worst = std::max(worst, Distance(got[i], want[size_t(i)]));
      ASSERT_LE(Distance(got[i], want[size_t(i)]), 2)
          << what << " round " << round << " pixel " << i % kW << "," << i / kW << std::hex << " got " << got[i]
          << " want " << want[size_t(i)];
    }
    ASSERT_TRUE(screen->GuardIntact());
  }
  std::printf("largest channel difference from the per-pixel draws: %d\n", worst);
}

// The smooth stretch does the reference arithmetic in every set, so all sets agree exactly; an
// image drawn onto itself (rotated, sub-pixel or stretched) reads what it held before the draw.
TEST_P(SamplingTest, SmoothStretchAgreesAcrossSetsAndSelfDrawsReadTheOldPicture) {
  std::mt19937 rng(31337);
  std::uniform_int_distribution<int> size(1, 40), coord(-20, 50);
  const KernelSet set = Kernels::ActiveKernelSet();
  for (int round = 0; round < 150; ++round) {
    const int sw = size(rng), sh = size(rng);
    const Px spx = RandomPixels(rng, size_t(sw) * sh);
    auto sprite = ImageOf(spx, sw, sh);
    const Px start = RandomPixels(rng, 64 * 56);
    const Rect dest(coord(rng), coord(rng), size(rng) * (1 + round % 3), size(rng));
    const Rect clip(coord(rng), coord(rng), 30 + size(rng), 30 + size(rng));
    const Color color = round % 2 ? Color::White : Color(200, 90, 30, 170);
    Px results[2];
    for (int pass = 0; pass < 2; ++pass) {
      Kernels::UseKernelSet(pass == 0 ? KernelSet::Scalar : set);
      auto screen = ImageOf(start, 64, 56);
      screen->BlitStretched(sprite.get(), dest, Rect(0, 0, sw, sh), clip, color, 0, false);
      results[pass].assign(screen->GetPixels(), screen->GetPixels() + 64 * 56);
    }
    ASSERT_EQ(results[0], results[1]) << "round " << round << " " << dest.width << "x" << dest.height;
  }
  for (int kind = 0; kind < 4; ++kind) {
    const Px start = RandomPixels(rng, 40 * 30);
    auto self = ImageOf(start, 40, 30);
    auto target = ImageOf(start, 40, 30);
    auto copy = ImageOf(start, 40, 30);
    const auto draw = [&](MemoryImage* dst, MemoryImage* src) {
      if (kind == 0)
        dst->BlitRotated(src, 3.5f, 2.25f, Rect(0, 0, 40, 30), Rect(0, 0, 40, 30), Color::White, 0, 0.3, 20, 15);
      if (kind == 1) dst->BlitSubpixel(src, 2.4f, 1.7f, Rect(0, 0, 40, 30), Rect(0, 0, 40, 30), Color::White, 0);
      if (kind >= 2)
        dst->BlitStretched(src, Rect(-5, 3, 70, 50), Rect(0, 0, 40, 30), Rect(0, 0, 40, 30), Color::White, 0,
                           kind == 3);
    };
    draw(self.get(), self.get());
    draw(target.get(), copy.get());
    EXPECT_TRUE(std::equal(self->GetPixels(), self->GetPixels() + 40 * 30, target->GetPixels())) << "kind " << kind;
  }
}

INSTANTIATE_TEST_SUITE_P(Sets, SamplingTest, ::testing::Values(KernelSet::Scalar, KernelSet::Vector, KernelSet::Avx2),
                         [](const ::testing::TestParamInfo<KernelSet>& set) {
                           return std::string(Kernels::KernelSetName(set.param));
                         });

}  // namespace
}  // namespace Orva

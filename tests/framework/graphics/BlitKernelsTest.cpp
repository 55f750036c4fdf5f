#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "framework/graphics/BlitKernels.h"
#include "framework/graphics/PixelBlend.h"

namespace Orva::Kernels {
namespace {

using Row = std::vector<uint32_t>;
using Reference = std::function<uint32_t(uint32_t d, uint32_t s)>;

constexpr uint32_t kGuard = 0x5EEDF00D;

std::string Hex(uint32_t v) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", v);
  return text;
}

// A destination row placed `offset` pixels into a buffer with guard words on both sides, so a
// kernel writing outside the row shows, and rows start at every alignment.
class GuardedRow {
 public:
  GuardedRow(const Row& pixels, int offset) : offset_(offset), n_(int(pixels.size())) {
    buffer_.assign(pixels.size() + size_t(offset) + 9, kGuard);
    std::copy(pixels.begin(), pixels.end(), buffer_.begin() + offset);
  }
  uint32_t* data() { return buffer_.data() + offset_; }
  Row Pixels() const { return Row(buffer_.begin() + offset_, buffer_.begin() + offset_ + n_); }
  bool GuardsIntact() const {
    for (int i = 0; i < int(buffer_.size()); ++i)
      if ((i < offset_ || i >= offset_ + n_) && buffer_[size_t(i)] != kGuard) return false;
    return true;
  }

 private:
  Row buffer_;
  int offset_, n_;
};

// Checks a kernel's output row against the per-pixel reference applied to the inputs.
::testing::AssertionResult MatchesReference(const Row& dst, const Row& src, const Row& got, const Reference& ref) {
  for (size_t i = 0; i < dst.size(); ++i) {
    const uint32_t want = ref(dst[i], src[i]);
    if (got[i] != want)
      return ::testing::AssertionFailure() << "pixel " << i << " of " << dst.size() << ": d=" << Hex(dst[i])
                                           << " s=" << Hex(src[i]) << " got " << Hex(got[i]) << " want " << Hex(want);
  }
  return ::testing::AssertionSuccess();
}

// Runs kernel(dst, src, n) on a guarded copy of dst and compares every pixel with ref.
template <class Kernel>
::testing::AssertionResult Check(const Row& dst, const Row& src, Kernel kernel, const Reference& ref, int offset = 0) {
  GuardedRow out(dst, offset);
  kernel(out.data(), src.data(), int(dst.size()));
  if (!out.GuardsIntact()) return ::testing::AssertionFailure() << "wrote outside the row of " << dst.size();
  return MatchesReference(dst, src, out.Pixels(), ref);
}

// Run-alpha bytes by their definition: each pixel's byte counts it and the following pixels of
// the same class (transparent, opaque, translucent) in the row, at most 255.
std::vector<uint8_t> RunsOf(const Row& px) {
  const auto cls = [](uint32_t p) { return (p >> 24) == 0 ? 0 : (p >> 24) == 255 ? 1 : 2; };
  std::vector<uint8_t> runs(px.size());
  size_t same = 0;  // pixels of this class from here to the end of the stretch
  for (size_t i = px.size(); i-- > 0;) {
    same = i + 1 < px.size() && cls(px[i + 1]) == cls(px[i]) ? same + 1 : 1;
    runs[i] = uint8_t(std::min<size_t>(same, 255));
  }
  return runs;
}

const auto kOver = [](uint32_t d, uint32_t s) { return Blend::Over(d, s); };
const auto kOverOpaqueCopy = [](uint32_t d, uint32_t s) { return Blend::OverOpaqueCopy(d, s); };

void RunAlphaKernel(uint32_t* d, const uint32_t* s, int n) {
  const Row src(s, s + n);
  RowRunAlpha(d, s, RunsOf(src).data(), n);
}

// Every test runs once per kernel set this build carries; sets the processor lacks are skipped.
class BlitKernelsTest : public ::testing::TestWithParam<KernelSet> {
 protected:
  void SetUp() override {
    previous_ = ActiveKernelSet();
    if (!UseKernelSet(GetParam())) GTEST_SKIP() << KernelSetName(GetParam()) << " does not run here";
  }
  void TearDown() override { UseKernelSet(previous_); }

 private:
  KernelSet previous_ = KernelSet::Scalar;
};

// --- hand-worked values -------------------------------------------------------------------------

TEST_P(BlitKernelsTest, HandWorkedValues) {
  uint32_t px = 0x00000000;
  const uint32_t red128 = 0x80FF0000;
  // nA = 0 + 255 * 128 / 255 = 128, w = 128 * 255 / 128 = 255, red = 255 * 255 / 256 = 254.
  RowOver(&px, &red128, 1);
  EXPECT_EQ(px, 0x80FE0000u);

  // The general path keeps 1/256 of the destination even for an opaque source: 255*255/256.
  const uint32_t white = 0xFFFFFFFF;
  px = 0xFF000000;
  RowOver(&px, &white, 1);
  EXPECT_EQ(px, 0xFFFEFEFEu);
  // The run-alpha path copies opaque pixels.
  px = 0xFF000000;
  const uint8_t one = 1;
  RowRunAlpha(&px, &white, &one, 1);
  EXPECT_EQ(px, 0xFFFFFFFFu);

  // Tint (255, 0, 0, 128) on opaque white: m = 128, colour (255, 0, 0); over opaque black
  // w = 128, red = 255 * 128 / 256 = 127.
  px = 0xFF000000;
  RowOverTinted(&px, &white, 1, Blend::MakeTint(255, 0, 0, 128));
  EXPECT_EQ(px, 0xFF7F0000u);

  // White at alpha 128 filled over opaque black: 255 * 128 / 256 = 127.
  px = 0xFF000000;
  RowFillBlend(&px, 1, 255, 255, 255, 128);
  EXPECT_EQ(px, 0xFF7F7F7Fu);

  // Additive: red saturates, green 0x20 + 0x80, blue 0x30 + 0x40; destination alpha kept.
  const uint32_t glow = 0x80FF8040;
  px = 0xFF102030;
  RowAdd(&px, &glow, 1, false);
  EXPECT_EQ(px, 0xFFFFA070u);
  // With partial alpha the source is scaled by 128/256 first: 127, 64, 32.
  px = 0xFF102030;
  RowAdd(&px, &glow, 1, true);
  EXPECT_EQ(px, 0xFF8F6050u);
  // Tinted additive, tint (255, 128, 0, 255): white becomes (255, 128, 0).
  px = 0x40000000;
  RowAddTinted(&px, &white, 1, false, Blend::MakeTint(255, 128, 0, 255));
  EXPECT_EQ(px, 0x40FF8000u);
}

// --- exhaustive sweeps ---------------------------------------------------------------------------

TEST_P(BlitKernelsTest, OverEveryAlphaPair) {
  // One row per source alpha, the destination alpha running 0..255 along it.
  const uint32_t colours[][2] = {{0xC86403, 0x11FA80}, {0xFFFFFF, 0x000000}, {0x000000, 0xFFFFFF}};
  for (const auto& c : colours) {
    for (uint32_t sA = 0; sA < 256; ++sA) {
      Row src(256), dst(256);
      for (uint32_t dA = 0; dA < 256; ++dA) {
        src[dA] = (sA << 24) | c[0];
        dst[dA] = (dA << 24) | c[1];
      }
      ASSERT_TRUE(Check(dst, src, RowOver, kOver)) << "sA " << sA;
    }
  }
}

// Colour channels 0..255 against each other under every source alpha, over an opaque row (where
// the weight is the source alpha itself): all three opaque-destination kernels.
TEST_P(BlitKernelsTest, OpaqueDestinationEveryAlphaAndChannel) {
  const Reference overOpaque = kOverOpaqueCopy;
  for (uint32_t sA = 0; sA < 256; ++sA) {
    Row src(256), dst(256);
    for (uint32_t v = 0; v < 256; ++v) {
      src[v] = (sA << 24) | (v << 16) | ((255 - v) << 8) | (v * 37 & 255);
      dst[v] = 0xFF000000u | ((255 - v) << 16) | (v << 8) | ((v * 91 + 13) & 255);
    }
    ASSERT_TRUE(Check(dst, src, RowOver, kOver)) << "sA " << sA;
    ASSERT_TRUE(Check(dst, src, RowOverOpaqueDest, overOpaque)) << "sA " << sA;
    ASSERT_TRUE(Check(dst, src, RunAlphaKernel, overOpaque)) << "sA " << sA;
  }
}

// Every (source, destination) channel pair at the weights where rounding is tightest.
TEST_P(BlitKernelsTest, OpaqueDestinationEveryChannelPair) {
  for (const uint32_t sA : {1u, 2u, 127u, 128u, 129u, 254u}) {
    Row src(65536), dst(65536);
    for (uint32_t i = 0; i < 65536; ++i) {
      const uint32_t s = i >> 8, d = i & 255;
      src[i] = (sA << 24) | (s << 16) | (d << 8) | s;
      dst[i] = 0xFF000000u | (d << 16) | (s << 8) | d;
    }
    ASSERT_TRUE(Check(dst, src, RowOver, kOver)) << "sA " << sA;
    ASSERT_TRUE(Check(dst, src, RunAlphaKernel, kOverOpaqueCopy)) << "sA " << sA;
  }
}

TEST_P(BlitKernelsTest, TintedEveryAlphaPairAndChannelPair) {
  // m = tint.a * sA / 255 for every pair, over opaque and over translucent rows.
  for (uint32_t ta = 0; ta < 256; ++ta) {
    const Blend::Tint tint = Blend::MakeTint(200, 90, 255, int(ta));
    const auto ref = [&](uint32_t d, uint32_t s) { return Blend::OverTinted(d, s, tint); };
    const auto kernel = [&](uint32_t* d, const uint32_t* s, int n) { RowOverTinted(d, s, n, tint); };
    Row src(256), opaque(256), translucent(256);
    for (uint32_t sA = 0; sA < 256; ++sA) {
      src[sA] = (sA << 24) | 0xF0407F;
      opaque[sA] = 0xFF2080C0;
      translucent[sA] = ((sA * 7 & 255) << 24) | 0x2080C0;
    }
    ASSERT_TRUE(Check(opaque, src, kernel, ref)) << "tint alpha " << ta;
    ASSERT_TRUE(Check(translucent, src, kernel, ref)) << "tint alpha " << ta;
  }
  // s * t / 255 for every source channel and tint channel.
  for (uint32_t t = 0; t < 256; ++t) {
    const Blend::Tint tint = Blend::MakeTint(int(t), int(255 - t), int(t / 2), 255);
    const auto ref = [&](uint32_t d, uint32_t s) { return Blend::OverTinted(d, s, tint); };
    const auto kernel = [&](uint32_t* d, const uint32_t* s, int n) { RowOverTinted(d, s, n, tint); };
    Row src(256), dst(256, 0xFF000000u);
    for (uint32_t v = 0; v < 256; ++v) src[v] = 0xFF000000u | (v << 16) | (v << 8) | v;
    ASSERT_TRUE(Check(dst, src, kernel, ref)) << "tint " << t;
  }
}

TEST_P(BlitKernelsTest, AdditiveEveryChannelPair) {
  // Saturation: every (source, destination) channel pair, with and without partial alpha.
  Row src(65536), dst(65536);
  for (uint32_t i = 0; i < 65536; ++i) {
    const uint32_t s = i >> 8, d = i & 255;
    src[i] = ((i * 13 & 255) << 24) | (s << 16) | (d << 8) | s;
    dst[i] = ((i * 29 & 255) << 24) | (d << 16) | (s << 8) | d;
  }
  for (const bool partial : {false, true}) {
    const auto ref = [&](uint32_t d, uint32_t s) { return Blend::Add(d, s, partial); };
    const auto kernel = [&](uint32_t* d, const uint32_t* s, int n) { RowAdd(d, s, n, partial); };
    EXPECT_TRUE(Check(dst, src, kernel, ref)) << "partial " << partial;
  }
  // Partial alpha scaling: every (channel, alpha) pair.
  for (uint32_t i = 0; i < 65536; ++i) src[i] = (i << 16) | ((i & 255) << 8) | (255 - (i & 255));
  const auto ref = [](uint32_t d, uint32_t s) { return Blend::Add(d, s, true); };
  const auto kernel = [](uint32_t* d, const uint32_t* s, int n) { RowAdd(d, s, n, true); };
  EXPECT_TRUE(Check(dst, src, kernel, ref));
}

TEST_P(BlitKernelsTest, AdditiveTintedEveryTintAndChannel) {
  Row src(256 * 4), dst(256 * 4);
  for (uint32_t i = 0; i < src.size(); ++i) {
    const uint32_t v = i & 255;
    src[i] = ((i * 57 & 255) << 24) | (v << 16) | ((255 - v) << 8) | v;
    dst[i] = 0xFF000000u | ((i * 3 & 255) << 16) | (v << 8) | 0x40;
  }
  for (uint32_t t = 0; t < 256; ++t) {
    for (const int ta : {255, 128, 3}) {
      const Blend::Tint tint = Blend::MakeTint(int(t), int(255 - t), int(t * 5 & 255), ta);
      for (const bool partial : {false, true}) {
        const auto ref = [&](uint32_t d, uint32_t s) { return Blend::AddTinted(d, s, partial, tint); };
        const auto kernel = [&](uint32_t* d, const uint32_t* s, int n) { RowAddTinted(d, s, n, partial, tint); };
        ASSERT_TRUE(Check(dst, src, kernel, ref)) << "tint " << t << " alpha " << ta << " partial " << partial;
      }
    }
  }
}

TEST_P(BlitKernelsTest, FillBlendEveryAlphaPair) {
  for (uint32_t a = 0; a < 256; ++a) {
    Row dst(256);
    for (uint32_t dA = 0; dA < 256; ++dA) dst[dA] = (dA << 24) | 0x3C9D01;
    const auto ref = [&](uint32_t d, uint32_t) { return Blend::OverColor(d, 0xE1, 0x05, 0x77, a); };
    const auto kernel = [&](uint32_t* d, const uint32_t*, int n) { RowFillBlend(d, n, 0xE1, 0x05, 0x77, a); };
    ASSERT_TRUE(Check(dst, dst, kernel, ref)) << "alpha " << a;
    // And over an all-opaque row.
    std::fill(dst.begin(), dst.end(), 0xFF3C9D01u);
    ASSERT_TRUE(Check(dst, dst, kernel, ref)) << "alpha " << a;
  }
}

// --- odd lengths and alignments -------------------------------------------------------------------

// Pixels mixing the three alpha classes in random stretches, as sprite rows do.
Row RandomRow(std::mt19937& rng, int n) {
  Row row(static_cast<size_t>(n));
  std::uniform_int_distribution<uint32_t> any(0, 0xFFFFFFFF), cls(0, 2), len(1, 12);
  for (int i = 0; i < n;) {
    const uint32_t c = cls(rng);
    for (int k = int(len(rng)); k > 0 && i < n; --k, ++i) {
      const uint32_t rgb = any(rng) & 0xFFFFFF;
      const uint32_t a = c == 0 ? 0 : c == 1 ? 255 : 1 + any(rng) % 254;
      row[size_t(i)] = (a << 24) | rgb;
    }
  }
  return row;
}

TEST_P(BlitKernelsTest, RandomRowsOfOddLengthsAndAlignments) {
  std::mt19937 rng(20240607);
  const Blend::Tint tint = Blend::MakeTint(250, 128, 7, 190);
  struct Case {
    const char* name;
    std::function<void(uint32_t*, const uint32_t*, int)> kernel;
    Reference ref;
  };
  const Case cases[] = {
      {"over", RowOver, kOver},
      {"over opaque dest", RowOverOpaqueDest, kOverOpaqueCopy},
      {"run alpha", RunAlphaKernel, kOverOpaqueCopy},
      {"tinted", [&](uint32_t* d, const uint32_t* s, int n) { RowOverTinted(d, s, n, tint); },
       [&](uint32_t d, uint32_t s) { return Blend::OverTinted(d, s, tint); }},
      {"add", [](uint32_t* d, const uint32_t* s, int n) { RowAdd(d, s, n, true); },
       [](uint32_t d, uint32_t s) { return Blend::Add(d, s, true); }},
      {"add opaque", [](uint32_t* d, const uint32_t* s, int n) { RowAdd(d, s, n, false); },
       [](uint32_t d, uint32_t s) { return Blend::Add(d, s, false); }},
      {"add tinted", [&](uint32_t* d, const uint32_t* s, int n) { RowAddTinted(d, s, n, true, tint); },
       [&](uint32_t d, uint32_t s) { return Blend::AddTinted(d, s, true, tint); }},
      {"fill", [](uint32_t* d, const uint32_t*, int n) { RowFill(d, 0x12345678, n); },
       [](uint32_t, uint32_t) { return 0x12345678u; }},
      {"fill blend", [](uint32_t* d, const uint32_t*, int n) { RowFillBlend(d, n, 9, 200, 77, 99); },
       [](uint32_t d, uint32_t) { return Blend::OverColor(d, 9, 200, 77, 99); }},
  };
  for (const int n : {1, 2, 3, 4, 5, 7, 8, 9, 15, 16, 17, 30, 31, 33, 64, 100, 257}) {
    for (int offset = 0; offset < 8; ++offset) {
      const Row src = RandomRow(rng, n);
      Row translucent = RandomRow(rng, n), opaque = RandomRow(rng, n);
      for (uint32_t& p : opaque) p |= 0xFF000000u;
      for (const Case& c : cases) {
        EXPECT_TRUE(Check(translucent, src, c.kernel, c.ref, offset)) << c.name << " n " << n << " offset " << offset;
        EXPECT_TRUE(Check(opaque, src, c.kernel, c.ref, offset)) << c.name << " n " << n << " offset " << offset;
      }
    }
  }
  // Drawing nothing touches nothing.
  GuardedRow empty(Row{}, 3);
  RowOver(empty.data(), nullptr, 0);
  RowFill(empty.data(), 0, 0);
  EXPECT_TRUE(empty.GuardsIntact());
}

// --- run-alpha rows -----------------------------------------------------------------------------

// Rows built from runs of given classes and lengths: runs crossing every register boundary,
// runs longer than 255 (split into several bytes), and draws clipped on either side so that a
// run reaches past the pixels drawn.
TEST_P(BlitKernelsTest, RunAlphaRowsWithLongAndClippedRuns) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<uint32_t> any(0, 0xFFFFFF), mid(1, 254);
  const auto build = [&](const std::vector<std::pair<int, int>>& pattern) {
    Row row;
    for (const auto& [cls, len] : pattern)
      for (int k = 0; k < len; ++k) {
        const uint32_t a = cls == 0 ? 0 : cls == 1 ? 255 : mid(rng);
        row.push_back((a << 24) | any(rng));
      }
    return row;
  };
  const std::vector<std::vector<std::pair<int, int>>> patterns = {
      {{0, 3}, {2, 2}, {1, 20}, {2, 2}, {0, 3}},   // a sprite row: rim, body, rim
      {{1, 7}, {2, 1}, {1, 9}, {0, 15}, {1, 17}},  // runs just either side of 8 and 16
      {{1, 600}, {2, 5}, {0, 300}, {1, 40}},       // opaque and transparent runs past 255
      {{2, 300}, {1, 1}, {0, 1}, {2, 31}},         // a translucent run past 255, single pixels
      {{0, 1}, {1, 1}, {2, 1}, {0, 1}, {1, 1}, {2, 1}, {1, 33}},
  };
  for (const auto& pattern : patterns) {
    const Row src = build(pattern);
    const std::vector<uint8_t> runs = RunsOf(src);
    Row dst(src.size());
    for (uint32_t& p : dst) p = 0xFF000000u | any(rng);
    const int total = int(src.size());
    // Every left clip up to 40 pixels and every right clip up to 40, plus a few deep ones.
    std::vector<std::pair<int, int>> spans;
    for (int cut = 0; cut <= 40; ++cut) {
      spans.emplace_back(cut, total - cut);
      spans.emplace_back(0, total - cut);
    }
    spans.emplace_back(total / 3, total / 3);
    spans.emplace_back(total - 1, 1);
    for (const auto& [start, count] : spans) {
      if (count <= 0 || start + count > total) continue;
      const Row d(dst.begin() + start, dst.begin() + start + count),
          s(src.begin() + start, src.begin() + start + count);
      const auto kernel = [&](uint32_t* out, const uint32_t* in, int n) {
        RowRunAlpha(out, in, runs.data() + start, n);
      };
      ASSERT_TRUE(Check(d, s, kernel, kOverOpaqueCopy, start % 8))
          << "row of " << total << " from " << start << " for " << count;
    }
  }
}

// --- rectangles ---------------------------------------------------------------------------------

// Areas whose rows lie a stride apart: every pixel inside follows the per-pixel rule, every
// pixel between the rows stays as it was, for widths either side of the register sizes.
TEST_P(BlitKernelsTest, AreasKeepToTheirRows) {
  std::mt19937 rng(99);
  const Blend::Tint tint = Blend::MakeTint(30, 255, 140, 230);
  struct Case {
    const char* name;
    std::function<void(const Area&, const uint8_t* runs)> kernel;
    Reference ref;
  };
  const Case cases[] = {
      {"run alpha", [](const Area& a, const uint8_t* runs) { AreaRunAlpha(a, runs); }, kOverOpaqueCopy},
      {"run alpha without bytes", [](const Area& a, const uint8_t*) { AreaRunAlpha(a, nullptr); }, kOverOpaqueCopy},
      {"over opaque dest", [](const Area& a, const uint8_t*) { AreaOverOpaqueDest(a); }, kOverOpaqueCopy},
      {"over", [](const Area& a, const uint8_t*) { AreaOver(a); }, kOver},
      {"tinted", [&](const Area& a, const uint8_t*) { AreaOverTinted(a, tint); },
       [&](uint32_t d, uint32_t s) { return Blend::OverTinted(d, s, tint); }},
      {"add", [](const Area& a, const uint8_t*) { AreaAdd(a, true); },
       [](uint32_t d, uint32_t s) { return Blend::Add(d, s, true); }},
      {"add tinted", [&](const Area& a, const uint8_t*) { AreaAddTinted(a, false, tint); },
       [&](uint32_t d, uint32_t s) { return Blend::AddTinted(d, s, false, tint); }},
      {"copy", [](const Area& a, const uint8_t*) { AreaCopy(a); }, [](uint32_t, uint32_t s) { return s; }},
      {"fill", [](const Area& a, const uint8_t*) { AreaFill(a, 0xFF00FF00); },
       [](uint32_t, uint32_t) { return 0xFF00FF00u; }},
      {"fill blend", [](const Area& a, const uint8_t*) { AreaFillBlend(a, 1, 2, 3, 4); },
       [](uint32_t d, uint32_t) { return Blend::OverColor(d, 1, 2, 3, 4); }},
  };
  for (const int w : {1, 3, 4, 7, 8, 13, 30, 40}) {
    for (const int h : {1, 2, 5}) {
      // The source rows run on past the area, as a sub-rectangle's rows do in their image, and
      // the run bytes describe the whole image rows.
      const int srcStride = w + 5, dstStride = w + 11;
      const Row src = RandomRow(rng, srcStride * h);
      std::vector<uint8_t> runs;
      for (int y = 0; y < h; ++y) {
        const auto rowRuns = RunsOf(Row(src.begin() + y * srcStride, src.begin() + (y + 1) * srcStride));
        runs.insert(runs.end(), rowRuns.begin(), rowRuns.end());
      }
      Row dst = RandomRow(rng, dstStride * h);
      for (uint32_t& p : dst) p |= 0xFF000000u;
      for (const Case& c : cases) {
        Row out = dst;
        c.kernel({out.data() + 2, dstStride, src.data() + 1, srcStride, w, h}, runs.data() + 1);
        for (int y = 0; y < h; ++y)
          for (int x = 0; x < dstStride; ++x) {
            const size_t at = size_t(y) * dstStride + x;
            const bool inside = x >= 2 && x < 2 + w;
            const uint32_t want = inside ? c.ref(dst[at], src[size_t(y) * srcStride + x - 1]) : dst[at];
            ASSERT_EQ(Hex(out[at]), Hex(want)) << c.name << " " << w << "x" << h << " at " << x << "," << y;
          }
      }
    }
  }
}

// The blit's choice of rule, seen on opaque white over opaque black: only plain composition
// keeps 1/256 of the destination.
TEST_P(BlitKernelsTest, ComposeChoosesTheBlitRule) {
  const uint32_t white = 0xFFFFFFFF;
  const uint8_t run = 1;
  const Blend::Tint half = Blend::MakeTint(255, 255, 255, 128);
  const auto draw = [&](const uint8_t* runs, const Blend::Tint* tint, bool additive, bool opaqueDest) {
    uint32_t px = 0xFF000000;
    AreaCompose({&px, 1, &white, 1, 1, 1}, runs, tint, additive, opaqueDest, false);
    return px;
  };
  EXPECT_EQ(draw(&run, nullptr, false, true), 0xFFFFFFFFu);      // run alpha copies
  EXPECT_EQ(draw(nullptr, nullptr, false, true), 0xFFFFFFFFu);   // so does the opaque-destination rule
  EXPECT_EQ(draw(nullptr, nullptr, false, false), 0xFFFEFEFEu);  // plain composition
  EXPECT_EQ(draw(&run, &half, false, true), 0xFF7F7F7Fu);        // tinted: m = 128, 255 * 128 / 256
  EXPECT_EQ(draw(&run, nullptr, true, true), 0xFFFFFFFFu);       // additive saturates
  EXPECT_EQ(draw(nullptr, &half, true, true), 0xFF808080u);      // tinted additive: 255 * 128 / 255 = 128
}

INSTANTIATE_TEST_SUITE_P(Sets, BlitKernelsTest,
                         ::testing::Values(KernelSet::Scalar, KernelSet::Vector, KernelSet::Avx2),
                         [](const ::testing::TestParamInfo<KernelSet>& set) {
                           return std::string(KernelSetName(set.param));
                         });

}  // namespace
}  // namespace Orva::Kernels

#include "framework/graphics/BlitKernels.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>

#include "framework/graphics/PixelSample.h"

namespace Orva::Kernels {

namespace {

struct Table {
  void (*runAlpha)(const Area&, const uint8_t*);
  void (*overOpaqueDest)(const Area&);
  void (*over)(const Area&);
  void (*overTinted)(const Area&, const Blend::Tint&);
  void (*add)(const Area&, bool);
  void (*addTinted)(const Area&, bool, const Blend::Tint&);
  void (*fill)(const Area&, uint32_t);
  void (*fillBlend)(const Area&, uint32_t, uint32_t, uint32_t, uint32_t);
  void (*copy)(const Area&);
  void (*sampleBilinear)(uint32_t*, const Source&, int64_t, int64_t, int64_t, int64_t, int);
  void (*filter2x2)(uint32_t*, const uint32_t*, const uint32_t*, uint32_t, uint32_t, int);
  void (*gather)(uint32_t*, const uint32_t*, const int32_t*, int);
  void (*premultiply)(uint32_t*, const uint32_t*, int);
  void (*stretchHorizontal)(uint32_t*, uint32_t*, const uint32_t*, const int32_t*, const uint32_t*, int, int);
  void (*stretchVertical)(uint32_t*, const PlaneRow*, const uint16_t*, int, int);
};

uint32_t* DstRow(const Area& a, int y) { return a.dst + y * a.dstStride; }
const uint32_t* SrcRow(const Area& a, int y) { return a.src + y * a.srcStride; }

// ---------------------------------------------------------------------------------------------
// Scalar forms: PixelBlend.h pixel by pixel. They run where no vector form does.

void ScalarRunAlpha(const Area& area, const uint8_t* runs) {
  const int n = area.width;
  for (int y = 0; y < area.height; ++y) {
    uint32_t* dst = DstRow(area, y);
    const uint32_t* src = SrcRow(area, y);
    const uint8_t* run = runs + y * area.srcStride;
    int i = 0;
    while (i < n) {
      // A zero byte never comes from GetRunAlphaData; stepping one pixel keeps bad data finite.
      const int count = std::min<int>(std::max<int>(run[i], 1), n - i);
      const uint32_t a = src[i] >> 24;
      if (a == 255) {
        std::memcpy(dst + i, src + i, size_t(count) * 4);
      } else if (a != 0) {
        for (int k = i; k < i + count; ++k) dst[k] = Blend::OverOpaque(dst[k], src[k]);
      }
      i += count;
    }
  }
}

// Applies f(d, s) to every pixel of the area. Simple loops like these the compiler may
// vectorise by itself.
template <class F>
void ScalarEach(const Area& area, F f) {
  for (int y = 0; y < area.height; ++y) {
    uint32_t* dst = DstRow(area, y);
    const uint32_t* src = SrcRow(area, y);
    for (int i = 0; i < area.width; ++i) dst[i] = f(dst[i], src[i]);
  }
}

void ScalarOverOpaqueDest(const Area& area) {
  ScalarEach(area, [](uint32_t d, uint32_t s) { return Blend::OverOpaqueCopy(d, s); });
}

void ScalarOver(const Area& area) {
  ScalarEach(area, [](uint32_t d, uint32_t s) { return Blend::Over(d, s); });
}

void ScalarOverTinted(const Area& area, const Blend::Tint& tint) {
  ScalarEach(area, [&tint](uint32_t d, uint32_t s) { return Blend::OverTinted(d, s, tint); });
}

void ScalarAdd(const Area& area, bool partialAlpha) {
  if (partialAlpha)
    ScalarEach(area, [](uint32_t d, uint32_t s) { return Blend::Add(d, s, true); });
  else
    ScalarEach(area, [](uint32_t d, uint32_t s) { return Blend::Add(d, s, false); });
}

void ScalarAddTinted(const Area& area, bool partialAlpha, const Blend::Tint& tint) {
  if (partialAlpha)
    ScalarEach(area, [&tint](uint32_t d, uint32_t s) { return Blend::AddTinted(d, s, true, tint); });
  else
    ScalarEach(area, [&tint](uint32_t d, uint32_t s) { return Blend::AddTinted(d, s, false, tint); });
}

void ScalarFill(const Area& area, uint32_t argb) {
  for (int y = 0; y < area.height; ++y) std::fill(DstRow(area, y), DstRow(area, y) + std::max(area.width, 0), argb);
}

void ScalarFillBlend(const Area& area, uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
  for (int y = 0; y < area.height; ++y) {
    uint32_t* dst = DstRow(area, y);
    for (int i = 0; i < area.width; ++i) dst[i] = Blend::OverColor(dst[i], r, g, b, a);
  }
}

void ScalarCopy(const Area& area) {
  for (int y = 0; y < area.height; ++y) std::memcpy(DstRow(area, y), SrcRow(area, y), size_t(area.width) * 4);
}

void ScalarSampleBilinear(uint32_t* out, const Source& s, int64_t u, int64_t v, int64_t du, int64_t dv, int n) {
  for (int i = 0; i < n; ++i, u += du, v += dv)
    out[i] = Sample::Bilinear(s.px, s.stride, s.x, s.y, s.width, s.height, u, v);
}

void ScalarFilter2x2(uint32_t* out, const uint32_t* above, const uint32_t* below, uint32_t fx, uint32_t fy, int n) {
  for (int i = 0; i < n; ++i) {
    const uint32_t p[4] = {above[i], above[i + 1], below[i], below[i + 1]};
    out[i] = Sample::Bilerp(p, fx, fy);
  }
}

void ScalarGather(uint32_t* out, const uint32_t* row, const int32_t* index, int n) {
  for (int i = 0; i < n; ++i) out[i] = row[index[i]];
}

void ScalarPremultiply(uint32_t* out, const uint32_t* in, int n) {
  for (int i = 0; i < n; ++i) out[i] = Sample::Premultiply(in[i]);
}

void ScalarStretchHorizontal(uint32_t* even, uint32_t* odd, const uint32_t* in, const int32_t* first,
                             const uint32_t* weights, int taps, int n) {
  for (int i = 0; i < n; ++i) {
    const uint32_t* p = in + first[i];
    uint32_t a = 0, r = 0, g = 0, b = 0;
    for (int k = 0; k < taps; ++k) {
      const uint32_t w = weights[size_t(k) * size_t(n) + size_t(i)] & 0xFFFF;
      a += w * (p[k] >> 24);
      r += w * ((p[k] >> 16) & 0xFF);
      g += w * ((p[k] >> 8) & 0xFF);
      b += w * (p[k] & 0xFF);
    }
    even[i] = b | r << 16;
    odd[i] = g | a << 16;
  }
}

void ScalarStretchVertical(uint32_t* out, const PlaneRow* rows, const uint16_t* weights, int taps, int n) {
  for (int i = 0; i < n; ++i) {
    uint32_t c[4] = {32768, 32768, 32768, 32768};  // blue, red, green, alpha
    for (int k = 0; k < taps; ++k) {
      const uint32_t w = weights[k], e = rows[k].even[i], o = rows[k].odd[i];
      c[0] += w * (e & 0xFFFF);
      c[1] += w * (e >> 16);
      c[2] += w * (o & 0xFFFF);
      c[3] += w * (o >> 16);
    }
    const auto ch = [&c](int k) { return std::min<uint32_t>(255, c[k] >> 16); };
    out[i] = Sample::Unpremultiply(ch(3), ch(1), ch(2), ch(0));
  }
}

constexpr Table kScalarTable = {ScalarRunAlpha,    ScalarOverOpaqueDest,    ScalarOver,           ScalarOverTinted,
                                ScalarAdd,         ScalarAddTinted,         ScalarFill,           ScalarFillBlend,
                                ScalarCopy,        ScalarSampleBilinear,    ScalarFilter2x2,      ScalarGather,
                                ScalarPremultiply, ScalarStretchHorizontal, ScalarStretchVertical};

}  // namespace

// -----------------------------------------------------------------------------------------------
// Vector forms, written once with the compiler's generic vectors and instantiated per register
// width. Every helper is forced inline, so each entry point below is compiled whole for its own
// instruction set: 16-byte registers for the build's base set and, on x86, 32-byte ones for
// AVX2. Nothing vector-typed crosses a real call, which is what keeps the two compilations from
// disagreeing about how such values are passed.

#if defined(__GNUC__)
#define ORVA_VECTOR_KERNELS 1
#endif

#if ORVA_VECTOR_KERNELS

// The wide vector types are only ever passed between forced-inline helpers, so the warning that
// their calling convention differs between instruction sets does not apply. GCC reports it at
// the end of the file, hence no matching pop.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace {

#define ORVA_INLINE inline __attribute__((always_inline))

// The vector types of one register width: kBytes / 4 pixels.
template <int kBytes>
struct VectorTypes;

template <>
struct VectorTypes<16> {
  typedef uint32_t Px __attribute__((vector_size(16)));
  typedef int32_t Ints __attribute__((vector_size(16)));
  typedef float Floats __attribute__((vector_size(16)));
  typedef uint8_t Bytes __attribute__((vector_size(16)));
  typedef uint16_t Halves __attribute__((vector_size(16)));
  typedef uint64_t Quads __attribute__((vector_size(16)));
};

template <>
struct VectorTypes<32> {
  typedef uint32_t Px __attribute__((vector_size(32)));
  typedef int32_t Ints __attribute__((vector_size(32)));
  typedef float Floats __attribute__((vector_size(32)));
  typedef uint8_t Bytes __attribute__((vector_size(32)));
  typedef uint16_t Halves __attribute__((vector_size(32)));
  typedef uint64_t Quads __attribute__((vector_size(32)));
};

// Pixel arithmetic on one register of pixels (Px: 0xAARRGGBB lanes). The channel products are
// done in 16-bit lanes without moving any byte between pixels: the even bytes of a pixel (blue,
// red) and its odd bytes (green, alpha) each fill the two 16-bit halves of its 32-bit lane.
template <int kBytes>
struct Simd {
  using Types = VectorTypes<kBytes>;
  using Px = typename Types::Px;
  using Ints = typename Types::Ints;
  using Floats = typename Types::Floats;
  using Bytes = typename Types::Bytes;
  using Halves = typename Types::Halves;
  using Quads = typename Types::Quads;
  static constexpr int kLanes = kBytes / 4;

  static ORVA_INLINE Px Load(const uint32_t* p) {
    Px v;
    std::memcpy(&v, p, sizeof v);
    return v;
  }
  static ORVA_INLINE void Store(uint32_t* p, Px v) { std::memcpy(p, &v, sizeof v); }
  static ORVA_INLINE Px Splat(uint32_t v) { return Px{} + v; }

  // (blue, red) and (green, alpha) of each pixel.
  static ORVA_INLINE Halves Even(Px v) { return (Halves)(v & 0x00FF00FFu); }
  static ORVA_INLINE Halves Odd(Px v) { return (Halves)v >> 8; }
  // A per-pixel value (at most 255) in both halves of its pixel.
  static ORVA_INLINE Halves Pair(Px v) { return (Halves)(v | (v << 16)); }

  // The alpha half of (green, alpha) halves copied over the green half: one 16-bit shuffle.
  template <size_t... e>
  static ORVA_INLINE Halves PairHigh(Halves odd, std::index_sequence<e...>) {
    return __builtin_shufflevector(odd, odd, int(e | 1)...);
  }
  static ORVA_INLINE Halves PairHigh(Halves odd) { return PairHigh(odd, std::make_index_sequence<kBytes / 2>()); }
  // Each pixel's alpha in both halves.
  static ORVA_INLINE Halves PairAlpha(Px v) { return PairHigh(Odd(v)); }
  // Pixels from even and odd halves holding channel values (at most 255).
  static ORVA_INLINE Px Join(Halves even, Halves odd) { return (Px)(even | (odd << 8)); }
  // Pixels from even and odd 16-bit sums whose high bytes are the channel values.
  static ORVA_INLINE Px JoinHigh(Halves even, Halves odd) { return (Px)((even >> 8) | (odd & 0xFF00)); }

  static ORVA_INLINE bool AllZero(Px v) {
    const Quads q = (Quads)v;
    uint64_t any = 0;
    for (int i = 0; i < kBytes / 8; ++i) any |= q[i];
    return any == 0;
  }
  static ORVA_INLINE bool AllOpaque(Px v) { return AllZero((v & 0xFF000000u) ^ 0xFF000000u); }

  // x / 255 rounded down for x up to 255 * 255, a product of two bytes (checked below). The
  // sum stays below 2^16, so it also works in 16-bit lanes.
  static ORVA_INLINE Halves Div255(Halves x) { return (x + 1 + (x >> 8)) >> 8; }
  static ORVA_INLINE Px Div255(Px x) { return (x + 1 + (x >> 8)) >> 8; }

  // s * w + d * (256 - w) per channel, w <= 256, whose high byte is the composed channel. The
  // value is at most 255 * 256, so working it out as d * 256 + (s - d) * w modulo 2^16, with
  // one product instead of two, gives it exactly.
  static ORVA_INLINE Halves Mix(Halves s, Halves d, Halves w) { return (d << 8) + (s - d) * w; }

  // Bytewise min(255, a + b), as a + min(b, 255 - a).
  static ORVA_INLINE Px AddSaturate(Px a, Px b) {
    const Bytes x = (Bytes)a, y = (Bytes)b, room = ~x;
    return (Px)(x + (y < room ? y : room));
  }

  // Normal composition of source halves (blue, red) and (green, alpha) over d; alpha 0 leaves d.
  // Over an all-opaque block the weight is the source alpha itself; otherwise it is
  // sA * 255 / nA, divided in single precision: both operands are exact, and a quotient that is
  // not a whole number lies at least 1/255 from one, far more than the division's rounding, so
  // truncating it is exact.
  static ORVA_INLINE Px Compose(Px d, Halves sEven, Halves sOdd) {
    const Halves dEven = Even(d), dOdd = Odd(d);
    const Px sA = (Px)sOdd >> 16;
    Px out;
    if (AllOpaque(d)) {
      const Halves w = PairHigh(sOdd);
      out = JoinHigh(Mix(sEven, dEven, w), Mix(sOdd, dOdd, w)) | 0xFF000000u;
    } else {
      const Px dA = d >> 24;
      const Px nA = dA + Div255((255 - dA) * sA);
      const Px divisor = nA == 0 ? Splat(1) : nA;
      const Floats q =
          __builtin_convertvector((Ints)(sA * 255), Floats) / __builtin_convertvector((Ints)divisor, Floats);
      const Halves w = Pair((Px) __builtin_convertvector(q, Ints));
      out = (JoinHigh(Mix(sEven, dEven, w), Mix(sOdd, dOdd, w)) & 0xFFFFFFu) | (nA << 24);
    }
    return sA == 0 ? d : out;
  }
};

// The two exact-arithmetic shortcuts above, checked over every input they can meet.
constexpr bool Div255IsExact() {
  for (uint32_t x = 0; x <= 255 * 255; ++x)
    if (((x + 1 + (x >> 8)) >> 8) != x / 255 || x + 1 + (x >> 8) > 0xFFFF) return false;
  return true;
}
static_assert(Div255IsExact());

// The premultiplying division rounds: (v * a + 127) / 255, up to 255 * 255 + 127.
constexpr bool Div255RoundedIsExact() {
  for (uint32_t x = 0; x <= 255 * 255 + 127; ++x)
    if (((x + 1 + (x >> 8)) >> 8) != x / 255 || x + 1 + (x >> 8) > 0xFFFF) return false;
  return true;
}
static_assert(Div255RoundedIsExact());

constexpr bool FloatWeightIsExact() {
  for (uint32_t sA = 1; sA < 256; ++sA)
    for (uint32_t nA = 1; nA < 256; ++nA)
      if (uint32_t(float(sA * 255) / float(nA)) != sA * 255 / nA) return false;
  return true;
}
static_assert(FloatWeightIsExact());

// Per-block operations: each maps a destination block and a source block to the new
// destination block.

template <class S>
struct OverOpaqueCopyOp {
  using Px = typename S::Px;
  ORVA_INLINE Px operator()(Px d, Px s) const {
    const Px a = s >> 24;
    const auto w = S::PairAlpha(s);
    const Px mixed = S::JoinHigh(S::Mix(S::Even(s), S::Even(d), w), S::Mix(S::Odd(s), S::Odd(d), w)) | 0xFF000000u;
    return a == 0 ? d : a == 255 ? s : mixed;
  }
};

template <class S>
struct OverOp {
  using Px = typename S::Px;
  ORVA_INLINE Px operator()(Px d, Px s) const { return S::Compose(d, S::Even(s), S::Odd(s)); }
};

// The tint's (blue, red) and (green, alpha) halves: the alpha half turns sA into m.
template <class S>
struct OverTintedOp {
  using Px = typename S::Px;
  Px tintEven, tintOdd;
  ORVA_INLINE Px operator()(Px d, Px s) const {
    const auto even = S::Div255(S::Even(s) * (typename S::Halves)tintEven);
    const auto odd = S::Div255(S::Odd(s) * (typename S::Halves)tintOdd);
    return S::Compose(d, even, odd);
  }
};

template <class S, bool partial>
struct AddOp {
  using Px = typename S::Px;
  ORVA_INLINE Px operator()(Px d, Px s) const {
    Px add;
    if (partial) {
      const auto w = S::PairAlpha(s);
      add = (Px)((S::Even(s) * w) >> 8) | ((Px)(S::Odd(s) * w) & 0xFF00u);
    } else {
      add = s & 0xFFFFFFu;
    }
    return S::AddSaturate(d, add);
  }
};

// The prepared tint * tint.a / 255 as (blue, red) and (green, 0) halves.
template <class S, bool partial>
struct AddTintedOp {
  using Px = typename S::Px;
  Px factorEven, factorOdd;
  ORVA_INLINE Px operator()(Px d, Px s) const {
    auto even = S::Div255(S::Even(s) * (typename S::Halves)factorEven);
    auto odd = S::Div255(S::Odd(s) * (typename S::Halves)factorOdd);
    if (partial) {
      const auto w = S::PairAlpha(s);
      even = (even * w) >> 8;
      odd = (odd * w) >> 8;
    }
    return S::AddSaturate(d, S::Join(even, odd));
  }
};

template <class S>
struct FillOp {
  using Px = typename S::Px;
  Px colour;
  ORVA_INLINE Px operator()(Px, Px) const { return colour; }
};

template <class S>
struct FillBlendOp {
  using Px = typename S::Px;
  Px colour;
  ORVA_INLINE Px operator()(Px d, Px) const { return OverOp<S>{}(d, colour); }
};

// A row too short for one register, through a padded copy. src is null for ops that ignore
// the source.
template <class S, class Op>
ORVA_INLINE void ShortRow(uint32_t* dst, const uint32_t* src, int n, const Op& op) {
  constexpr int kLanes = S::kLanes;
  uint32_t d[kLanes] = {}, s[kLanes] = {};
  std::memcpy(d, dst, size_t(n) * 4);
  if (src) std::memcpy(s, src, size_t(n) * 4);
  S::Store(d, op(S::Load(d), S::Load(s)));
  std::memcpy(dst, d, size_t(n) * 4);
}

// The row's last register of pixels, read before anything in the row is stored. Every pixel's
// result depends only on its own destination and source values, so when the row's length is
// not a whole number of registers its end is finished by working out this register from the
// values read here and storing all of it: the pixels it shares with registers already stored
// get the same values again. (Reading it only then would also be right, but reading just
// stored data across two stores stalls the processor.)
template <class S>
struct RowTail {
  using Px = typename S::Px;
  int last;
  Px d, s;
  ORVA_INLINE RowTail(const uint32_t* dst, const uint32_t* src, int n)
      : last(n - S::kLanes), d(S::Load(dst + last)), s(src ? S::Load(src + last) : Px{}) {}
  template <class Op>
  ORVA_INLINE void Finish(uint32_t* dst, const Op& op) const {
    S::Store(dst + last, op(d, s));
  }
};

// Runs op over the first n pixels of a row, n a whole number of registers.
template <class S, class Op>
ORVA_INLINE void Blocks(uint32_t* dst, const uint32_t* src, int n, const Op& op) {
  using Px = typename S::Px;
  for (int i = 0; i < n; i += S::kLanes) S::Store(dst + i, op(S::Load(dst + i), src ? S::Load(src + i) : Px{}));
}

// Asks for destination row y + 2 of the area ahead of use: sprites land anywhere on a back buffer
// too big for the first-level cache, and the processor does not foresee the jump between their
// rows.
ORVA_INLINE void PrefetchAhead(const Area& area, int y) {
  if (y + 2 >= area.height) return;
  const uint32_t* row = DstRow(area, y + 2);
  __builtin_prefetch(row, 1);
  __builtin_prefetch(row + area.width - 1, 1);
}

// Runs op over every row, one register of pixels at a time. The choice between whole registers,
// a ragged end and rows shorter than a register is made once for the area, since narrow
// sprites have many short rows.
template <class S, class Op>
ORVA_INLINE void ForArea(const Area& area, const Op& op) {
  constexpr int kLanes = S::kLanes;
  const int n = area.width;
  if (n < kLanes) {
    for (int y = 0; y < area.height; ++y) {
      PrefetchAhead(area, y);
      ShortRow<S>(DstRow(area, y), area.src ? SrcRow(area, y) : nullptr, n, op);
    }
  } else if (n % kLanes == 0) {
    for (int y = 0; y < area.height; ++y) {
      PrefetchAhead(area, y);
      Blocks<S>(DstRow(area, y), area.src ? SrcRow(area, y) : nullptr, n, op);
    }
  } else {
    const int whole = n - n % kLanes;
    for (int y = 0; y < area.height; ++y) {
      PrefetchAhead(area, y);
      uint32_t* dst = DstRow(area, y);
      const uint32_t* src = area.src ? SrcRow(area, y) : nullptr;
      const RowTail<S> tail(dst, src, n);
      Blocks<S>(dst, src, whole, op);
      tail.Finish(dst, op);
    }
  }
}

// The run-alpha rule a register at a time over the first n pixels of a row (n a whole number of
// registers). A register inside one transparent run (its first pixel's byte says the run covers
// it) is skipped and one inside an opaque run copied; any other goes through the per-pixel
// rule, which gives the run rule's result. Testing the bytes only where registers start keeps
// the position independent of the data, so rows do not wait on their bytes one run at a time.
template <class S>
ORVA_INLINE void RunAlphaBlocks(uint32_t* dst, const uint32_t* src, const uint8_t* runs, int n) {
  constexpr int kLanes = S::kLanes;
  const OverOpaqueCopyOp<S> op;
  for (int i = 0; i < n; i += kLanes) {
    const uint32_t a = src[i] >> 24;
    if (runs[i] >= kLanes && a == 0) continue;
    if (runs[i] >= kLanes && a == 255)
      S::Store(dst + i, S::Load(src + i));
    else
      S::Store(dst + i, op(S::Load(dst + i), S::Load(src + i)));
  }
}

template <class S>
ORVA_INLINE void RunAlphaRow(uint32_t* dst, const uint32_t* src, const uint8_t* runs, int n) {
  constexpr int kLanes = S::kLanes;
  const OverOpaqueCopyOp<S> op;
  const int whole = n - n % kLanes;
  if (n < kLanes) {
    ShortRow<S>(dst, src, n, op);
  } else if (whole == n) {
    RunAlphaBlocks<S>(dst, src, runs, n);
  } else {
    const RowTail<S> tail(dst, src, n);
    RunAlphaBlocks<S>(dst, src, runs, whole);
    // A ragged end that is one transparent run changes nothing.
    if (!(runs[whole] >= n - whole && src[whole] >> 24 == 0)) tail.Finish(dst, op);
  }
}

template <class S>
ORVA_INLINE void RunAlphaArea(const Area& area, const uint8_t* runs) {
  for (int y = 0; y < area.height; ++y) {
    PrefetchAhead(area, y);
    RunAlphaRow<S>(DstRow(area, y), SrcRow(area, y), runs + y * area.srcStride, area.width);
  }
}

template <class S>
ORVA_INLINE void OverTintedArea(const Area& area, const Blend::Tint& t) {
  ForArea<S>(area, OverTintedOp<S>{S::Splat((t.r << 16) | t.b), S::Splat((t.a << 16) | t.g)});
}

template <class S>
ORVA_INLINE void AddArea(const Area& area, bool partialAlpha) {
  if (partialAlpha)
    ForArea<S>(area, AddOp<S, true>{});
  else
    ForArea<S>(area, AddOp<S, false>{});
}

template <class S>
ORVA_INLINE void AddTintedArea(const Area& area, bool partialAlpha, const Blend::Tint& t) {
  const auto even = S::Splat(((t.r * t.a / 255) << 16) | (t.b * t.a / 255)), odd = S::Splat(t.g * t.a / 255);
  if (partialAlpha)
    ForArea<S>(area, AddTintedOp<S, true>{even, odd});
  else
    ForArea<S>(area, AddTintedOp<S, false>{even, odd});
}

template <class S>
ORVA_INLINE void FillBlendArea(const Area& area, uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
  ForArea<S>({area.dst, area.dstStride, nullptr, 0, area.width, area.height},
             FillBlendOp<S>{S::Splat((a << 24) | (r << 16) | (g << 8) | b)});
}

// A plain copy, four registers at a time: loading a few registers ahead of the stores keeps the
// copy at memory speed. The row's last register is loaded first, as in RowTail. Copying a pixel
// twice does no harm, so the first and last registers may overlap the others. Every set copies
// and fills with 16-byte registers: measured on full-screen rows, 32-byte stores were no faster
// and often slower.
template <class S>
ORVA_INLINE void CopyArea(const Area& area) {
  constexpr int k = S::kLanes;
  const int n = area.width;
  for (int y = 0; y < area.height; ++y) {
    uint32_t* dst = DstRow(area, y);
    const uint32_t* src = SrcRow(area, y);
    if (n < k) {
      std::memcpy(dst, src, size_t(n) * 4);
      continue;
    }
    const auto last = S::Load(src + n - k);
    // One unaligned register first, then stores aligned to the register size, none of which
    // straddles two cache lines. (Rows of pixels are 4-byte aligned.)
    int i = 0;
    if (const int past = int(reinterpret_cast<uintptr_t>(dst) % (4 * k)) / 4) {
      S::Store(dst, S::Load(src));
      i = k - past;
    }
    for (; i + 4 * k <= n; i += 4 * k) {
      const auto a = S::Load(src + i), b = S::Load(src + i + k), c = S::Load(src + i + 2 * k),
                 d = S::Load(src + i + 3 * k);
      S::Store(dst + i, a);
      S::Store(dst + i + k, b);
      S::Store(dst + i + 2 * k, c);
      S::Store(dst + i + 3 * k, d);
    }
    for (; i + k <= n; i += k) S::Store(dst + i, S::Load(src + i));
    if (i < n) S::Store(dst + n - k, last);
  }
}

// An opaque fill: stores aligned to the register size, four registers at a time, after one
// unaligned register at the start; the end is one more unaligned register, overlapping. Unlike
// the copy, the fill gains from 32-byte stores. Rows shorter than a register take the per-pixel
// op.
template <class S>
ORVA_INLINE void FillArea(const Area& area, uint32_t argb) {
  constexpr int k = S::kLanes;
  const int n = area.width;
  if (n < k) {
    ForArea<S>({area.dst, area.dstStride, nullptr, 0, n, area.height}, FillOp<S>{S::Splat(argb)});
    return;
  }
  const auto colour = S::Splat(argb);
  for (int y = 0; y < area.height; ++y) {
    uint32_t* dst = DstRow(area, y);
    S::Store(dst, colour);
    int i = (k - int(reinterpret_cast<uintptr_t>(dst) % (4 * k)) / 4) % k;
    for (; i + 4 * k <= n; i += 4 * k) {
      S::Store(dst + i, colour);
      S::Store(dst + i + k, colour);
      S::Store(dst + i + 2 * k, colour);
      S::Store(dst + i + 3 * k, colour);
    }
    for (; i + k <= n; i += k) S::Store(dst + i, colour);
    S::Store(dst + n - k, colour);
  }
}

// ---- Sampling ----------------------------------------------------------------------------------

// Lanes of pixels fetched from base at per-lane indices.
ORVA_INLINE VectorTypes<16>::Px Gather(const uint32_t* base, VectorTypes<16>::Ints index) {
  VectorTypes<16>::Px v;
  for (int i = 0; i < 4; ++i) v[i] = base[index[i]];
  return v;
}

#if defined(__x86_64__) || defined(__i386__)
// Only ever inlined into AVX2 code. Written as the instruction itself: its intrinsic is a function
// of its own for AVX2, which the helpers in between (compiled for any set) could not inline.
ORVA_INLINE VectorTypes<32>::Px Gather(const uint32_t* base, VectorTypes<32>::Ints index) {
  VectorTypes<32>::Px v = {};
  VectorTypes<32>::Ints mask = VectorTypes<32>::Ints{} - 1;
  asm("vpgatherdd %[mask], (%[base],%[index],4), %[v]"
      : [v] "+&x"(v), [mask] "+&x"(mask)
      : [base] "r"(base), [index] "x"(index)
      : "memory");
  return v;
}
#else
ORVA_INLINE VectorTypes<32>::Px Gather(const uint32_t* base, VectorTypes<32>::Ints index) {
  VectorTypes<32>::Px v;
  for (int i = 0; i < 8; ++i) v[i] = base[index[i]];
  return v;
}
#endif

// Sample::Bilerp's all-opaque branch for a register of pixels whose neighbours are all opaque,
// exactly: a horizontal pass h = (256 - fx) * left + fx * right, then the vertical one in the
// high and low bytes of h, as the vertical stretch pass does, all in 16-bit lanes.
template <class S>
ORVA_INLINE typename S::Halves OpaqueBilerpHalves(typename S::Halves p0, typename S::Halves p1, typename S::Halves p2,
                                                  typename S::Halves p3, typename S::Halves wx0, typename S::Halves wx1,
                                                  typename S::Halves wy0, typename S::Halves wy1) {
  using Halves = typename S::Halves;
  const Halves h0 = p0 * wx0 + p1 * wx1, h1 = p2 * wx0 + p3 * wx1;
  const Halves high = (h0 >> 8) * wy0 + (h1 >> 8) * wy1, low = (h0 & 0xFF) * wy0 + (h1 & 0xFF) * wy1;
  return (high + (low >> 8) + 128) >> 8;
}

template <class S>
ORVA_INLINE typename S::Px OpaqueBilerp(const typename S::Px (&p)[4], typename S::Px fx, typename S::Px fy) {
  using Halves = typename S::Halves;
  const Halves wx1 = S::Pair(fx), wx0 = 256 - wx1, wy1 = S::Pair(fy), wy0 = 256 - wy1;
  const Halves even =
      OpaqueBilerpHalves<S>(S::Even(p[0]), S::Even(p[1]), S::Even(p[2]), S::Even(p[3]), wx0, wx1, wy0, wy1);
  const Halves odd = OpaqueBilerpHalves<S>(S::Odd(p[0]), S::Odd(p[1]), S::Odd(p[2]), S::Odd(p[3]), wx0, wx1, wy0, wy1);
  return S::Join(even, odd) | 0xFF000000u;
}

template <class S>
ORVA_INLINE typename S::Floats ToFloats(typename S::Px v) {
  return __builtin_convertvector((typename S::Ints)v, typename S::Floats);
}

// c * inv rounded, at most 255.
template <class S>
ORVA_INLINE typename S::Px RoundedChannel(typename S::Floats c, typename S::Floats inv) {
  using Ints = typename S::Ints;
  const Ints v = __builtin_convertvector(c * inv + 0.5f, Ints);
  return (typename S::Px)(v > 255 ? Ints{} + 255 : v);
}

// Sample::Bilerp for a register of pixels, each with its own four neighbours p and fractions fx
// and fy (0..255). Registers of opaque neighbours take the exact integer form, transparent ones
// give transparent pixels, and the rest work in single precision, which holds every
// alpha-weighted weight and the alpha sum exactly; the colour sums may round in their last bit,
// so a channel can come out one away from the reference where it lies on a rounding boundary.
template <class S>
ORVA_INLINE typename S::Px BilerpLanes(const typename S::Px (&p)[4], typename S::Px fx, typename S::Px fy) {
  using Px = typename S::Px;
  using Ints = typename S::Ints;
  using Floats = typename S::Floats;
  if (S::AllOpaque(p[0] & p[1] & p[2] & p[3])) return OpaqueBilerp<S>(p, fx, fy);
  if (S::AllZero((p[0] | p[1] | p[2] | p[3]) & 0xFF000000u)) return Px{};
  const Floats gx = ToFloats<S>(fx), gy = ToFloats<S>(fy);
  const Floats w[4] = {(256.0f - gx) * (256.0f - gy), gx * (256.0f - gy), (256.0f - gx) * gy, gx * gy};
  Floats a = {}, r = {}, g = {}, b = {};
  for (int k = 0; k < 4; ++k) {
    const Floats wa = w[k] * ToFloats<S>(p[k] >> 24);
    a += wa;
    r += wa * ToFloats<S>((p[k] >> 16) & 0xFFu);
    g += wa * ToFloats<S>((p[k] >> 8) & 0xFFu);
    b += wa * ToFloats<S>(p[k] & 0xFFu);
  }
  const Px alpha = (Px) __builtin_convertvector((a + 32768.0f) * (1.0f / 65536.0f), Ints);
  const Floats inv = 1.0f / (a > 0.0f ? a : Floats{} + 1.0f);
  const Px out =
      alpha << 24 | RoundedChannel<S>(r, inv) << 16 | RoundedChannel<S>(g, inv) << 8 | RoundedChannel<S>(b, inv);
  return alpha == 0 ? Px{} : out;
}

// Stores the first n pixels of a register (n up to a register).
template <class S>
ORVA_INLINE void StorePart(uint32_t* out, typename S::Px v, int n) {
  if (n >= S::kLanes)
    S::Store(out, v);
  else
    std::memcpy(out, &v, size_t(n) * 4);
}

// x limited to 0..hi.
template <class S>
ORVA_INLINE typename S::Ints ClampLanes(typename S::Ints x, int32_t hi) {
  using Ints = typename S::Ints;
  const Ints low = x < 0 ? Ints{} : x;
  return low > hi ? Ints{} + hi : low;
}

// Each lane steps its own position along the row: lane i starts at (u + i * du, v + i * dv),
// relative to the rectangle's corner, which keeps positions in 32 bits. Neighbours outside the
// rectangle are read clamped to it and then masked to transparent.
template <class S>
ORVA_INLINE void SampleBilinearRow(uint32_t* out, const Source& src, int64_t u, int64_t v, int64_t du, int64_t dv,
                                   int n) {
  using Px = typename S::Px;
  using Ints = typename S::Ints;
  constexpr int kLanes = S::kLanes;
  const uint32_t* base = src.px + src.y * src.stride + src.x;
  const int32_t stride = int32_t(src.stride), w = src.width, h = src.height;
  Ints lane;
  for (int i = 0; i < kLanes; ++i) lane[i] = i;
  Ints ur = int32_t(u - (int64_t(src.x) << 16)) + lane * int32_t(du);
  Ints vr = int32_t(v - (int64_t(src.y) << 16)) + lane * int32_t(dv);
  const int32_t stepU = int32_t(du) * kLanes, stepV = int32_t(dv) * kLanes;
  for (int i = 0; i < n; i += kLanes, ur += stepU, vr += stepV) {
    const Ints x0 = ur >> 16, y0 = vr >> 16, x1 = x0 + 1, y1 = y0 + 1;
    const Ints inX0 = (x0 >= 0) & (x0 < w), inX1 = (x1 >= 0) & (x1 < w);
    const Ints inY0 = (y0 >= 0) & (y0 < h), inY1 = (y1 >= 0) & (y1 < h);
    const Ints row0 = ClampLanes<S>(y0, h - 1) * stride, row1 = ClampLanes<S>(y1, h - 1) * stride;
    const Ints col0 = ClampLanes<S>(x0, w - 1), col1 = ClampLanes<S>(x1, w - 1);
    const Px p[4] = {Gather(base, row0 + col0) & (Px)(inX0 & inY0), Gather(base, row0 + col1) & (Px)(inX1 & inY0),
                     Gather(base, row1 + col0) & (Px)(inX0 & inY1), Gather(base, row1 + col1) & (Px)(inX1 & inY1)};
    StorePart<S>(out + i, BilerpLanes<S>(p, (Px)((ur >> 8) & 0xFF), (Px)((vr >> 8) & 0xFF)), n - i);
  }
}

template <class S>
ORVA_INLINE void Filter2x2Row(uint32_t* out, const uint32_t* above, const uint32_t* below, uint32_t fx, uint32_t fy,
                              int n) {
  constexpr int kLanes = S::kLanes;
  if (n < kLanes) {
    ScalarFilter2x2(out, above, below, fx, fy, n);
    return;
  }
  const typename S::Px wx = S::Splat(fx), wy = S::Splat(fy);
  for (int i = 0; i < n; i += kLanes) {
    // The ragged end as one whole register ending at the last pixel (outputs are not inputs).
    if (i + kLanes > n) i = n - kLanes;
    const typename S::Px p[4] = {S::Load(above + i), S::Load(above + i + 1), S::Load(below + i),
                                 S::Load(below + i + 1)};
    S::Store(out + i, BilerpLanes<S>(p, wx, wy));
  }
}

template <class S>
ORVA_INLINE void GatherRow(uint32_t* out, const uint32_t* row, const int32_t* index, int n) {
  using Ints = typename S::Ints;
  int i = 0;
  for (; i + S::kLanes <= n; i += S::kLanes) {
    Ints at;
    std::memcpy(&at, index + i, sizeof at);
    S::Store(out + i, Gather(row, at));
  }
  for (; i < n; ++i) out[i] = row[index[i]];
}

// (v * a + 127) / 255 for each colour byte v of a pixel with alpha a; alpha stays.
template <class S>
struct PremultiplyOp {
  using Px = typename S::Px;
  ORVA_INLINE Px operator()(Px, Px p) const {
    const auto a = S::PairAlpha(p);
    const auto even = S::Div255(S::Even(p) * a + 127), odd = S::Div255(S::Odd(p) * a + 127);
    return (S::Join(even, odd) & 0xFFFFFFu) | (p & 0xFF000000u);
  }
};

// kTaps > 0 fixes the tap count at compile time (every enlargement has two); 0 takes taps.
template <class S, int kTaps>
ORVA_INLINE void StretchHorizontalBlocks(uint32_t* even, uint32_t* odd, const uint32_t* in, const int32_t* first,
                                         const uint32_t* weights, int taps, int n) {
  using Ints = typename S::Ints;
  using Halves = typename S::Halves;
  constexpr int kLanes = S::kLanes;
  if (kTaps > 0) taps = kTaps;
  // Products and sums stay below 255 * 256 (the weights add up to 256): 16-bit lanes hold them.
  for (int i = 0; i < n; i += kLanes) {
    if (i + kLanes > n) i = n - kLanes;
    Ints at;
    std::memcpy(&at, first + i, sizeof at);
    Halves e = {}, o = {};
    for (int k = 0; k < taps; ++k) {
      const auto p = Gather(in + k, at);
      const Halves w = (Halves)S::Load(weights + size_t(k) * size_t(n) + size_t(i));
      e += S::Even(p) * w;
      o += S::Odd(p) * w;
    }
    S::Store(even + i, (typename S::Px)e);
    S::Store(odd + i, (typename S::Px)o);
  }
}

template <class S>
ORVA_INLINE void StretchHorizontalRow(uint32_t* even, uint32_t* odd, const uint32_t* in, const int32_t* first,
                                      const uint32_t* weights, int taps, int n) {
  if (n < S::kLanes)
    ScalarStretchHorizontal(even, odd, in, first, weights, taps, n);
  else if (taps == 2)
    StretchHorizontalBlocks<S, 2>(even, odd, in, first, weights, taps, n);
  else
    StretchHorizontalBlocks<S, 0>(even, odd, in, first, weights, taps, n);
}

// (c * k + 32768) >> 16, at most 255.
template <class S>
ORVA_INLINE typename S::Px Unpremultiplied(typename S::Px c, typename S::Px k) {
  const typename S::Px v = (c * k + 32768) >> 16;
  return v > 255 ? typename S::Px{} + 255 : v;
}

// (sum of w * m + 32768) >> 16 over the taps, in 16-bit lanes: with m = 256 * high + low, it is
// (A + (B >> 8) + 128) >> 8 for A = sum of w * high and B = sum of w * low, exactly, and since
// the weights add up to at most 256 no sum passes 65408.
template <class S, int kTaps>
ORVA_INLINE void StretchVerticalBlocks(uint32_t* out, const PlaneRow* rows, const uint16_t* weights, int taps, int n) {
  using Px = typename S::Px;
  using Halves = typename S::Halves;
  constexpr int kLanes = S::kLanes;
  if (kTaps > 0) taps = kTaps;
  for (int i = 0; i < n; i += kLanes) {
    if (i + kLanes > n) i = n - kLanes;
    Halves eHigh = {}, eLow = {}, oHigh = {}, oLow = {};
    for (int k = 0; k < taps; ++k) {
      const Halves w = Halves{} + weights[k];
      const Halves e = (Halves)S::Load(rows[k].even + i), o = (Halves)S::Load(rows[k].odd + i);
      eHigh += (e >> 8) * w;
      eLow += (e & 0xFF) * w;
      oHigh += (o >> 8) * w;
      oLow += (o & 0xFF) * w;
    }
    const Px e = (Px)((eHigh + (eLow >> 8) + 128) >> 8), o = (Px)((oHigh + (oLow >> 8) + 128) >> 8);
    // Back to straight colour: c * (255 / a) in 16.16, from the reference's table. Its entries
    // for 0 and 255 give 0 and the value itself, which registers of only those alphas take as is.
    const Px a = o >> 16;
    Px result;
    if (S::AllZero(a ^ 255)) {
      result = 0xFF000000u | (e >> 16) << 16 | (o & 0xFFFF) << 8 | (e & 0xFFFF);
    } else if (S::AllZero(a)) {
      result = Px{};
    } else {
      const Px k = Gather(Sample::kUnpremultiply.scale, (typename S::Ints)a);
      result = a << 24 | Unpremultiplied<S>(e >> 16, k) << 16 | Unpremultiplied<S>(o & 0xFFFF, k) << 8 |
               Unpremultiplied<S>(e & 0xFFFF, k);
    }
    S::Store(out + i, result);
  }
}

template <class S>
ORVA_INLINE void StretchVerticalRow(uint32_t* out, const PlaneRow* rows, const uint16_t* weights, int taps, int n) {
  if (n < S::kLanes)
    ScalarStretchVertical(out, rows, weights, taps, n);
  else if (taps == 2)
    StretchVerticalBlocks<S, 2>(out, rows, weights, taps, n);
  else
    StretchVerticalBlocks<S, 0>(out, rows, weights, taps, n);
}

// One set of entry points per instruction set: BYTES is its register width, ATTR its target.
#define ORVA_DEFINE_KERNEL_SET(NAME, BYTES, ATTR)                                                                  \
  using NAME##Simd = Simd<BYTES>;                                                                                  \
  ATTR void NAME##RunAlpha(const Area& a, const uint8_t* runs) { RunAlphaArea<NAME##Simd>(a, runs); }              \
  ATTR void NAME##OverOpaqueDest(const Area& a) { ForArea<NAME##Simd>(a, OverOpaqueCopyOp<NAME##Simd>{}); }        \
  ATTR void NAME##Over(const Area& a) { ForArea<NAME##Simd>(a, OverOp<NAME##Simd>{}); }                            \
  ATTR void NAME##OverTinted(const Area& a, const Blend::Tint& t) { OverTintedArea<NAME##Simd>(a, t); }            \
  ATTR void NAME##Add(const Area& a, bool partial) { AddArea<NAME##Simd>(a, partial); }                            \
  ATTR void NAME##AddTinted(const Area& a, bool partial, const Blend::Tint& t) {                                   \
    AddTintedArea<NAME##Simd>(a, partial, t);                                                                      \
  }                                                                                                                \
  ATTR void NAME##Fill(const Area& a, uint32_t argb) { FillArea<NAME##Simd>(a, argb); }                            \
  ATTR void NAME##FillBlend(const Area& a, uint32_t r, uint32_t g, uint32_t b, uint32_t alpha) {                   \
    FillBlendArea<NAME##Simd>(a, r, g, b, alpha);                                                                  \
  }                                                                                                                \
  ATTR void NAME##Copy(const Area& a) { CopyArea<Simd<16>>(a); }                                                   \
  ATTR void NAME##SampleBilinear(uint32_t* out, const Source& src, int64_t u, int64_t v, int64_t du, int64_t dv,   \
                                 int n) {                                                                          \
    SampleBilinearRow<NAME##Simd>(out, src, u, v, du, dv, n);                                                      \
  }                                                                                                                \
  ATTR void NAME##Filter2x2(uint32_t* out, const uint32_t* above, const uint32_t* below, uint32_t fx, uint32_t fy, \
                            int n) {                                                                               \
    Filter2x2Row<NAME##Simd>(out, above, below, fx, fy, n);                                                        \
  }                                                                                                                \
  ATTR void NAME##Gather(uint32_t* out, const uint32_t* row, const int32_t* index, int n) {                        \
    GatherRow<NAME##Simd>(out, row, index, n);                                                                     \
  }                                                                                                                \
  ATTR void NAME##Premultiply(uint32_t* out, const uint32_t* in, int n) {                                          \
    ForArea<NAME##Simd>({out, 0, in, 0, n, 1}, PremultiplyOp<NAME##Simd>{});                                       \
  }                                                                                                                \
  ATTR void NAME##StretchHorizontal(uint32_t* even, uint32_t* odd, const uint32_t* in, const int32_t* first,       \
                                    const uint32_t* weights, int taps, int n) {                                    \
    StretchHorizontalRow<NAME##Simd>(even, odd, in, first, weights, taps, n);                                      \
  }                                                                                                                \
  ATTR void NAME##StretchVertical(uint32_t* out, const PlaneRow* rows, const uint16_t* weights, int taps, int n) { \
    StretchVerticalRow<NAME##Simd>(out, rows, weights, taps, n);                                                   \
  }                                                                                                                \
  constexpr Table k##NAME##Table = {                                                                               \
      NAME##RunAlpha,    NAME##OverOpaqueDest,    NAME##Over,           NAME##OverTinted,                          \
      NAME##Add,         NAME##AddTinted,         NAME##Fill,           NAME##FillBlend,                           \
      NAME##Copy,        NAME##SampleBilinear,    NAME##Filter2x2,      NAME##Gather,                              \
      NAME##Premultiply, NAME##StretchHorizontal, NAME##StretchVertical};

ORVA_DEFINE_KERNEL_SET(Vector, 16, )

#if defined(__x86_64__) || defined(__i386__)
#define ORVA_AVX2_KERNELS 1
ORVA_DEFINE_KERNEL_SET(Avx2, 32, __attribute__((target("avx2"))))
#endif

#undef ORVA_DEFINE_KERNEL_SET
#undef ORVA_INLINE

}  // namespace

#endif  // ORVA_VECTOR_KERNELS

// -----------------------------------------------------------------------------------------------
// Choosing the set.

namespace {

const Table* TableFor(KernelSet set) {
  switch (set) {
    case KernelSet::Scalar: return &kScalarTable;
    case KernelSet::Vector:
#if ORVA_VECTOR_KERNELS
      return &kVectorTable;
#else
      return nullptr;
#endif
    case KernelSet::Avx2:
#if ORVA_AVX2_KERNELS
      __builtin_cpu_init();
      return __builtin_cpu_supports("avx2") ? &kAvx2Table : nullptr;
#else
      return nullptr;
#endif
  }
  return nullptr;
}

std::atomic<const Table*> gActive{nullptr};
std::atomic<KernelSet> gActiveSet{KernelSet::Scalar};

const Table& Active() {
  if (const Table* t = gActive.load(std::memory_order_acquire)) return *t;
  for (const KernelSet set : {KernelSet::Avx2, KernelSet::Vector}) {
    if (UseKernelSet(set)) return *gActive.load(std::memory_order_acquire);
  }
  UseKernelSet(KernelSet::Scalar);
  return kScalarTable;
}

bool Empty(const Area& area) { return area.width <= 0 || area.height <= 0; }

}  // namespace

bool IsSupported(KernelSet set) { return TableFor(set) != nullptr; }

KernelSet ActiveKernelSet() {
  Active();
  return gActiveSet.load(std::memory_order_relaxed);
}

bool UseKernelSet(KernelSet set) {
  const Table* t = TableFor(set);
  if (!t) return false;
  gActiveSet.store(set, std::memory_order_relaxed);
  gActive.store(t, std::memory_order_release);
  return true;
}

const char* KernelSetName(KernelSet set) {
  switch (set) {
    case KernelSet::Scalar: return "scalar";
    case KernelSet::Vector: return "vector";
    case KernelSet::Avx2: return "avx2";
  }
  return "?";
}

void AreaRunAlpha(const Area& area, const uint8_t* runs) {
  if (Empty(area)) return;
  // Without run bytes the pixel-by-pixel form of the same rule does the job.
  if (runs)
    Active().runAlpha(area, runs);
  else
    Active().overOpaqueDest(area);
}

void AreaOverOpaqueDest(const Area& area) {
  if (!Empty(area)) Active().overOpaqueDest(area);
}

void AreaOver(const Area& area) {
  if (!Empty(area)) Active().over(area);
}

void AreaOverTinted(const Area& area, const Blend::Tint& tint) {
  if (!Empty(area)) Active().overTinted(area, tint);
}

void AreaAdd(const Area& area, bool partialAlpha) {
  if (!Empty(area)) Active().add(area, partialAlpha);
}

void AreaAddTinted(const Area& area, bool partialAlpha, const Blend::Tint& tint) {
  if (!Empty(area)) Active().addTinted(area, partialAlpha, tint);
}

void AreaFill(const Area& area, uint32_t argb) {
  if (!Empty(area)) Active().fill(area, argb);
}

void AreaFillBlend(const Area& area, uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
  if (!Empty(area)) Active().fillBlend(area, r, g, b, a);
}

void AreaCopy(const Area& area) {
  if (!Empty(area)) Active().copy(area);
}

void AreaCompose(const Area& area, const uint8_t* runs, const Blend::Tint* tint, bool additive, bool opaqueDest,
                 bool partialAlpha) {
  if (Empty(area)) return;
  const Table& k = Active();
  if (additive) {
    if (tint)
      k.addTinted(area, partialAlpha, *tint);
    else
      k.add(area, partialAlpha);
  } else if (tint) {
    k.overTinted(area, *tint);
  } else if (opaqueDest && runs) {
    k.runAlpha(area, runs);
  } else if (opaqueDest) {
    k.overOpaqueDest(area);
  } else {
    k.over(area);
  }
}

void RowSampleBilinear(uint32_t* out, const Source& src, int64_t u, int64_t v, int64_t du, int64_t dv, int n) {
  if (n <= 0) return;
  // The vector forms keep positions relative to the rectangle and pixel offsets in 32-bit lanes.
  // Sources too large for that, or steps of more than 64 pixels, take the scalar form.
  constexpr int kMostPixels = 30000;
  constexpr int64_t kMostStep = int64_t(64) << 16;
  const bool fits = src.width <= kMostPixels && src.height <= kMostPixels && std::abs(du) <= kMostStep &&
                    std::abs(dv) <= kMostStep && src.stride * src.height < (int64_t(1) << 31);
  (fits ? Active() : kScalarTable).sampleBilinear(out, src, u, v, du, dv, n);
}

void RowFilter2x2(uint32_t* out, const uint32_t* above, const uint32_t* below, uint32_t fx, uint32_t fy, int n) {
  if (n > 0) Active().filter2x2(out, above, below, fx, fy, n);
}

void RowGather(uint32_t* out, const uint32_t* row, const int32_t* index, int n) {
  if (n > 0) Active().gather(out, row, index, n);
}

void RowPremultiply(uint32_t* out, const uint32_t* in, int n) {
  if (n > 0) Active().premultiply(out, in, n);
}

void RowStretchHorizontal(uint32_t* even, uint32_t* odd, const uint32_t* in, const int32_t* first,
                          const uint32_t* weights, int taps, int n) {
  if (n > 0 && taps > 0) Active().stretchHorizontal(even, odd, in, first, weights, taps, n);
}

void RowStretchVertical(uint32_t* out, const PlaneRow* rows, const uint16_t* weights, int taps, int n) {
  if (n > 0) Active().stretchVertical(out, rows, weights, taps, n);
}

void RowRunAlpha(uint32_t* dst, const uint32_t* src, const uint8_t* runs, int n) {
  AreaRunAlpha({dst, 0, src, 0, n, 1}, runs);
}

void RowOverOpaqueDest(uint32_t* dst, const uint32_t* src, int n) { AreaOverOpaqueDest({dst, 0, src, 0, n, 1}); }

void RowOver(uint32_t* dst, const uint32_t* src, int n) { AreaOver({dst, 0, src, 0, n, 1}); }

void RowOverTinted(uint32_t* dst, const uint32_t* src, int n, const Blend::Tint& tint) {
  AreaOverTinted({dst, 0, src, 0, n, 1}, tint);
}

void RowAdd(uint32_t* dst, const uint32_t* src, int n, bool partialAlpha) {
  AreaAdd({dst, 0, src, 0, n, 1}, partialAlpha);
}

void RowAddTinted(uint32_t* dst, const uint32_t* src, int n, bool partialAlpha, const Blend::Tint& tint) {
  AreaAddTinted({dst, 0, src, 0, n, 1}, partialAlpha, tint);
}

void RowFill(uint32_t* dst, uint32_t argb, int n) { AreaFill({dst, 0, nullptr, 0, n, 1}, argb); }

void RowFillBlend(uint32_t* dst, int n, uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
  AreaFillBlend({dst, 0, nullptr, 0, n, 1}, r, g, b, a);
}

}  // namespace Orva::Kernels

#include "framework/graphics/BlitKernels.h"

#include <algorithm>
#include <atomic>
#include <cstring>

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

constexpr Table kScalarTable = {ScalarRunAlpha,  ScalarOverOpaqueDest, ScalarOver,      ScalarOverTinted, ScalarAdd,
                                ScalarAddTinted, ScalarFill,           ScalarFillBlend, ScalarCopy};

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

template <class S>
ORVA_INLINE void FillArea(const Area& area, uint32_t argb) {
  ForArea<S>({area.dst, area.dstStride, nullptr, 0, area.width, area.height}, FillOp<S>{S::Splat(argb)});
}

// One set of entry points per instruction set: BYTES is its register width, ATTR its target.
#define ORVA_DEFINE_KERNEL_SET(NAME, BYTES, ATTR)                                                           \
  using NAME##Simd = Simd<BYTES>;                                                                           \
  ATTR void NAME##RunAlpha(const Area& a, const uint8_t* runs) { RunAlphaArea<NAME##Simd>(a, runs); }       \
  ATTR void NAME##OverOpaqueDest(const Area& a) { ForArea<NAME##Simd>(a, OverOpaqueCopyOp<NAME##Simd>{}); } \
  ATTR void NAME##Over(const Area& a) { ForArea<NAME##Simd>(a, OverOp<NAME##Simd>{}); }                     \
  ATTR void NAME##OverTinted(const Area& a, const Blend::Tint& t) { OverTintedArea<NAME##Simd>(a, t); }     \
  ATTR void NAME##Add(const Area& a, bool partial) { AddArea<NAME##Simd>(a, partial); }                     \
  ATTR void NAME##AddTinted(const Area& a, bool partial, const Blend::Tint& t) {                            \
    AddTintedArea<NAME##Simd>(a, partial, t);                                                               \
  }                                                                                                         \
  ATTR void NAME##Fill(const Area& a, uint32_t argb) { FillArea<Simd<16>>(a, argb); }                       \
  ATTR void NAME##FillBlend(const Area& a, uint32_t r, uint32_t g, uint32_t b, uint32_t alpha) {            \
    FillBlendArea<NAME##Simd>(a, r, g, b, alpha);                                                           \
  }                                                                                                         \
  ATTR void NAME##Copy(const Area& a) { CopyArea<Simd<16>>(a); }                                            \
  constexpr Table k##NAME##Table = {                                                                        \
      NAME##RunAlpha,  NAME##OverOpaqueDest, NAME##Over,      NAME##OverTinted, NAME##Add,                  \
      NAME##AddTinted, NAME##Fill,           NAME##FillBlend, NAME##Copy};

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

#include "framework/graphics/MemoryImage.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <new>

#include "framework/graphics/ImageHost.h"
#include "framework/graphics/NativeDisplay.h"

namespace Orva {

namespace {

template <typename T>
std::unique_ptr<T[]> Allocate(size_t count) {
  return std::unique_ptr<T[]>(new (std::nothrow) T[count]);
}

template <typename T>
std::unique_ptr<T[]> CopyArray(const std::unique_ptr<T[]>& from, size_t count) {
  if (!from) return nullptr;
  auto to = Allocate<T>(count);
  if (to) std::memcpy(to.get(), from.get(), count * sizeof(T));
  return to;
}

const NativeDisplay kDefaultDisplay;

// Which kinds of alpha the pixels have: none (0) and partial (1 to 254).
struct AlphaKinds {
  bool transparent = false;
  bool translucent = false;
};

// Looks in branch-free chunks the compiler can vectorise, and stops once both kinds are seen.
// With copyTo, the pixels are also copied there, chunk by chunk so that each is looked at while
// it is in cache (the copy goes on to the end).
AlphaKinds FindAlphaKinds(const uint32_t* px, size_t count, uint32_t* copyTo) {
  constexpr size_t kChunk = 4096;
  AlphaKinds kinds;
  size_t start = 0;
  for (; start < count && !(kinds.transparent && kinds.translucent); start += kChunk) {
    const size_t end = std::min(count, start + kChunk);
    if (copyTo) std::memcpy(copyTo + start, px + start, (end - start) * 4);
    uint32_t zero = 0, partial = 0;
    for (size_t i = start; i < end; ++i) {
      const uint32_t a = px[i] >> 24;
      zero |= a == 0;
      partial |= a - 1 < 254u;
    }
    kinds.transparent = kinds.transparent || zero != 0;
    kinds.translucent = kinds.translucent || partial != 0;
  }
  if (copyTo && start < count) std::memcpy(copyTo + start, px + start, (count - start) * 4);
  return kinds;
}

// Up to 256 distinct colours numbered in the order first seen, in an open-addressed hash table
// that is at most a quarter full.
class ColourIndex {
 public:
  ColourIndex() { std::fill(std::begin(slots_), std::end(slots_), int16_t(-1)); }

  // The colour's number, given to it now if it is new; -1 when it is new and 256 are taken.
  int Find(uint32_t c) {
    size_t slot = (c * 0x9E3779B1u) >> (32 - kSlotBits);
    while (slots_[slot] >= 0) {
      if (keys_[slot] == c) return slots_[slot];
      slot = (slot + 1) & kSlotMask;
    }
    if (count_ == 256) return -1;
    keys_[slot] = c;
    slots_[slot] = int16_t(count_);
    return count_++;
  }
  int Count() const { return count_; }

 private:
  static constexpr int kSlotBits = 10;
  static constexpr size_t kSlotMask = (size_t(1) << kSlotBits) - 1;
  uint32_t keys_[kSlotMask + 1];
  int16_t slots_[kSlotMask + 1];
  int count_ = 0;
};

}  // namespace

MemoryImage::MemoryImage(ImageHost* host) : app(host) {
  if (app) app->AddMemoryImage(this);
}

MemoryImage::MemoryImage(const MemoryImage& other)
    : Image(other),
      changeCount(other.changeCount),
      surfaceFlags(other.surfaceFlags),
      modeForced(other.modeForced),
      hasTransparent(other.hasTransparent),
      hasTranslucent(other.hasTranslucent),
      volatileContents(other.volatileContents),
      purgeAfterUpload(other.purgeAfterUpload),
      wantPalette(other.wantPalette),
      pixelsDirty(other.pixelsDirty),
      app(other.app),
      displayAlphaCount_(other.displayAlphaCount_) {
  const size_t n = PixelCount();
  auto& source = const_cast<MemoryImage&>(other);
  if (!other.bits && !other.palette && n) {
    // A purged source: rebuild its pixels just for the copy, then let it go back to purged.
    if (const uint32_t* pixels = source.GetPixels()) {
      bits = Allocate<uint32_t>(n + 1);
      if (bits) {
        std::memcpy(bits.get(), pixels, n * 4);
        bits[n] = kGuardWord;
      }
      source.bits.reset();
    }
  } else {
    bits = CopyArray(other.bits, n + 1);
  }
  palette = CopyArray(other.palette, 256);
  paletteIndices = CopyArray(other.paletteIndices, n);
  displayAlphaData = CopyArray(other.displayAlphaData, displayAlphaCount_);
  runAlphaData = CopyArray(other.runAlphaData, n);
  runAdditiveData = CopyArray(other.runAdditiveData, n);
  if (app) app->AddMemoryImage(this);
}

MemoryImage::~MemoryImage() {
  if (app) app->RemoveMemoryImage(this);
}

size_t MemoryImage::PixelCount() const {
  if (width <= 0 || height <= 0) return 0;
  const uint64_t bytes = uint64_t(width) * uint64_t(height) * 4;
  if (bytes > 0xFFFFFFFFull) return 0;  // an impossible size is an allocation failure
  return size_t(width) * size_t(height);
}

const NativeDisplay& MemoryImage::Display() const { return app ? app->GetNativeDisplay() : kDefaultDisplay; }

bool MemoryImage::GuardIntact() const {
  const size_t n = PixelCount();
  return !bits || n == 0 || bits[n] == kGuardWord;
}

void MemoryImage::FreePixelForms() {
  bits.reset();
  palette.reset();
  paletteIndices.reset();
}

void MemoryImage::PixelsChanged() {
  ++changeCount;
  pixelsDirty = true;
  displayAlphaData.reset();
  displayAlphaCount_ = 0;
  runAlphaData.reset();
  runAdditiveData.reset();
}

void MemoryImage::Create(int w, int h) {
  FreePixelForms();
  width = std::max(0, w);
  height = std::max(0, h);
  hasTransparent = true;
  hasTranslucent = true;
  PixelsChanged();
}

uint32_t* MemoryImage::GetPixels() {
  if (bits) return bits.get();
  const size_t n = PixelCount();
  if (n == 0) return nullptr;
  bits = Allocate<uint32_t>(n + 1);
  if (!bits) return nullptr;
  bits[n] = kGuardWord;
  uint32_t* out = bits.get();
  if (palette && paletteIndices) {
    for (size_t i = 0; i < n; ++i) out[i] = palette[paletteIndices[i]];
    palette.reset();
    paletteIndices.reset();
    displayAlphaData.reset();
    displayAlphaCount_ = 0;
  } else if (displayAlphaData && displayAlphaCount_ == n) {
    const NativeDisplay& d = Display();
    const auto channel = [](uint32_t px, int shift, int nbits, uint32_t a) {
      const uint32_t v = ((px >> shift) & ((1u << nbits) - 1)) << (8 - nbits);
      return std::min<uint32_t>(255, v * 256 / (a + 1));
    };
    for (size_t i = 0; i < n; ++i) {
      const uint32_t px = displayAlphaData[i];
      const uint32_t a = px >> 24;
      out[i] = (a << 24) | (channel(px, d.redShift, d.redBits, a) << 16) |
               (channel(px, d.greenShift, d.greenBits, a) << 8) | channel(px, d.blueShift, d.blueBits, a);
    }
  } else {
    std::memset(out, 0, n * 4);
  }
  return out;
}

void MemoryImage::SetPixels(const uint32_t* data, int w, int h, bool commit) {
  if (data != nullptr && data == bits.get()) return;
  palette.reset();
  paletteIndices.reset();
  if (w != width || h != height) {
    bits.reset();
    width = std::max(0, w);
    height = std::max(0, h);
  }
  const size_t n = PixelCount();
  if (n && !bits) bits = Allocate<uint32_t>(n + 1);
  // Committed pixels are looked at for alpha as they are copied.
  const bool lookWhileCopying = commit && data && n && bits && !modeForced;
  AlphaKinds kinds;
  if (n && bits) {
    if (lookWhileCopying)
      kinds = FindAlphaKinds(data, n, bits.get());
    else if (data)
      std::memcpy(bits.get(), data, n * 4);
    else
      std::memset(bits.get(), 0, n * 4);
    bits[n] = kGuardWord;
  }
  PixelsChanged();
  if (lookWhileCopying) {
    hasTransparent = kinds.transparent;
    hasTranslucent = kinds.translucent;
    pixelsDirty = false;
  } else if (commit) {
    UpdateAlphaFlags();
  }
}

void MemoryImage::UpdateAlphaFlags() {
  if (!pixelsDirty || modeForced) return;
  hasTranslucent = false;
  const auto look = [this](const uint32_t* px, size_t count) {
    const AlphaKinds kinds = FindAlphaKinds(px, count, nullptr);
    hasTransparent = kinds.transparent;
    hasTranslucent = kinds.translucent;
  };
  if (bits)
    look(bits.get(), PixelCount());
  else if (palette)
    look(palette.get(), 256);
  else
    hasTransparent = true;
  pixelsDirty = false;
}

void MemoryImage::ForceAlphaFlags(bool transparent, bool translucent) {
  modeForced = true;
  hasTransparent = transparent;
  hasTranslucent = translucent;
}

void MemoryImage::SetVolatile(bool isVolatile) { volatileContents = isVolatile; }

void MemoryImage::Clear() {
  if (uint32_t* px = GetPixels()) std::memset(px, 0, PixelCount() * 4);
  PixelsChanged();
}

bool MemoryImage::Palettize() {
  UpdateAlphaFlags();
  if (palette) return true;
  const size_t n = PixelCount();
  const uint32_t* px = bits ? bits.get() : nullptr;
  if (!px || n == 0) {
    wantPalette = false;
    return false;
  }
  // More than 256 colours among a sparse sample settles it without the full pass: shaded art and
  // photographs are found out after a few thousand pixels.
  constexpr size_t kSampleStride = 31;
  ColourIndex sample;
  for (size_t i = 0; i < n; i += kSampleStride) {
    if (sample.Find(px[i]) < 0) {
      wantPalette = false;
      return false;
    }
  }
  auto table = Allocate<uint32_t>(256);
  auto indices = Allocate<uint8_t>(n);
  if (!table || !indices) return false;
  // Table order is first appearance. A pixel like the one before it needs no lookup.
  ColourIndex colours;
  uint32_t last = ~px[0];
  uint8_t lastIndex = 0;
  for (size_t i = 0; i < n; ++i) {
    const uint32_t c = px[i];
    if (c != last) {
      const int index = colours.Find(c);
      if (index < 0) {
        wantPalette = false;
        return false;
      }
      table[size_t(index)] = c;
      last = c;
      lastIndex = uint8_t(index);
    }
    indices[i] = lastIndex;
  }
  // Entries no pixel uses are opaque, so they never change the alpha flags.
  for (size_t k = size_t(colours.Count()); k < 256; ++k) table[k] = 0xFF000000u;
  palette = std::move(table);
  paletteIndices = std::move(indices);
  bits.reset();
  displayAlphaData.reset();
  displayAlphaCount_ = 0;
  wantPalette = true;
  return true;
}

uint8_t* MemoryImage::GetRunAlphaData() {
  UpdateAlphaFlags();
  if (runAlphaData) return runAlphaData.get();
  const size_t n = PixelCount();
  if (n == 0) return nullptr;
  if (!bits && !palette) GetPixels();
  if (!bits && !palette) return nullptr;
  auto runs = Allocate<uint8_t>(n);
  if (!runs) return nullptr;
  const auto classOf = [](uint32_t p) -> int {
    const uint32_t a = p >> 24;
    return a == 0 ? 0 : a == 255 ? 1 : 2;
  };
  for (int y = 0; y < height; ++y) {
    const size_t row = size_t(y) * width;
    int run = 0;
    // Walk each row from its right end, so a pixel's byte counts itself and what follows.
    for (int x = width - 1; x >= 0; --x) {
      const uint32_t p = bits ? bits[row + x] : palette[paletteIndices[row + x]];
      const int nextClass =
          x + 1 < width ? (bits ? classOf(bits[row + x + 1]) : classOf(palette[paletteIndices[row + x + 1]])) : 3;
      run = classOf(p) == nextClass ? run + 1 : 1;
      runs[row + x] = uint8_t(std::min(run, 255));
    }
  }
  runAlphaData = std::move(runs);
  return runAlphaData.get();
}

uint8_t* MemoryImage::GetRunAdditiveData(const NativeDisplay&) {
  UpdateAlphaFlags();
  if (runAdditiveData) return runAdditiveData.get();
  const size_t n = PixelCount();
  if (n == 0) return nullptr;
  const uint32_t* px = bits ? bits.get() : nullptr;
  if (!px && !palette) px = GetPixels();
  if (!px && !palette) return nullptr;
  auto runs = Allocate<uint8_t>(n);
  if (!runs) return nullptr;
  const bool partial = hasTransparent || hasTranslucent;
  // For adding, a pixel either adds something or nothing; runs of nothing are skipped whole.
  const auto adds = [partial](uint32_t p) {
    if ((p & 0xFFFFFF) == 0) return 0;
    return partial && (p >> 24) == 0 ? 0 : 1;
  };
  for (int y = 0; y < height; ++y) {
    const size_t row = size_t(y) * width;
    int run = 0;
    int next = -1;
    for (int x = width - 1; x >= 0; --x) {
      const int c = adds(px ? px[row + x] : palette[paletteIndices[row + x]]);
      run = c == next ? run + 1 : 1;
      next = c;
      runs[row + x] = uint8_t(std::min(run, 255));
    }
  }
  runAdditiveData = std::move(runs);
  return runAdditiveData.get();
}

uint32_t* MemoryImage::GetDisplayAlphaData(const NativeDisplay& d) {
  UpdateAlphaFlags();
  if (displayAlphaData) return displayAlphaData.get();
  const size_t n = PixelCount();
  const uint32_t* px = bits.get();
  size_t count = n;
  if (!px && palette) {
    px = palette.get();
    count = 256;
  }
  if (!px || count == 0) return nullptr;
  auto out = Allocate<uint32_t>(count);
  if (!out) return nullptr;
  const auto place = [](uint32_t c, uint32_t a, int shift, int nbits) {
    const uint32_t pre = c * (a + 1) / 256;
    return (pre >> (8 - nbits)) << shift;
  };
  for (size_t i = 0; i < count; ++i) {
    const uint32_t p = px[i];
    const uint32_t a = p >> 24;
    out[i] = (a << 24) | place((p >> 16) & 0xFF, a, d.redShift, d.redBits) |
             place((p >> 8) & 0xFF, a, d.greenShift, d.greenBits) | place(p & 0xFF, a, d.blueShift, d.blueBits);
  }
  displayAlphaData = std::move(out);
  displayAlphaCount_ = count;
  return displayAlphaData.get();
}

void MemoryImage::PurgePixels() {
  purgeAfterUpload = true;
  if (app && app->Is3D()) {
    if (surfaceData) bits.reset();
  } else if (bits || palette) {
    // Only a display copy of the whole picture may stand in for the 32-bit pixels.
    if (bits && GetDisplayAlphaData(Display())) bits.reset();
  }
  if (surfaceData) {
    palette.reset();
    paletteIndices.reset();
  }
}

void MemoryImage::DropSoftwareCaches() {
  if (!bits && !palette) GetPixels();
  displayAlphaData.reset();
  displayAlphaCount_ = 0;
  runAlphaData.reset();
  runAdditiveData.reset();
}

void MemoryImage::DropDisplayData() {
  if (!bits && !palette) GetPixels();
  displayAlphaData.reset();
  displayAlphaCount_ = 0;
  runAdditiveData.reset();
}

void MemoryImage::DropTexture() {
  // No accelerated back-end on this platform: there is never a texture to drop.
}

void MemoryImage::DropAllCaches() {
  DropSoftwareCaches();
  DropTexture();
}

void MemoryImage::ReapplyModes() {
  if (wantPalette) Palettize();
  if (purgeAfterUpload) PurgePixels();
}

}  // namespace Orva

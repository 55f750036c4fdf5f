#include "framework/graphics/MemoryImage.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

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
  if (n && bits) {
    if (data)
      std::memcpy(bits.get(), data, n * 4);
    else
      std::memset(bits.get(), 0, n * 4);
    bits[n] = kGuardWord;
  }
  PixelsChanged();
  if (commit) UpdateAlphaFlags();
}

void MemoryImage::UpdateAlphaFlags() {
  if (!pixelsDirty || modeForced) return;
  hasTranslucent = false;
  const auto look = [this](const uint32_t* px, size_t count) {
    hasTransparent = false;
    for (size_t i = 0; i < count; ++i) {
      const uint32_t a = px[i] >> 24;
      if (a == 0)
        hasTransparent = true;
      else if (a != 255)
        hasTranslucent = true;
    }
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
  auto table = Allocate<uint32_t>(256);
  auto indices = Allocate<uint8_t>(n);
  if (!table || !indices) return false;
  // Colours seen so far, sorted, each with its index: table order is first appearance.
  std::vector<std::pair<uint32_t, uint8_t>> sorted;
  sorted.reserve(256);
  for (size_t i = 0; i < n; ++i) {
    const uint32_t c = px[i];
    auto it = std::lower_bound(sorted.begin(), sorted.end(), c,
                               [](const std::pair<uint32_t, uint8_t>& e, uint32_t v) { return e.first < v; });
    if (it != sorted.end() && it->first == c) {
      indices[i] = it->second;
      continue;
    }
    if (sorted.size() == 256) {
      wantPalette = false;
      return false;
    }
    const auto index = uint8_t(sorted.size());
    table[index] = c;
    sorted.insert(it, {c, index});
    indices[i] = index;
  }
  // Entries no pixel uses are opaque, so they never change the alpha flags.
  for (size_t k = sorted.size(); k < 256; ++k) table[k] = 0xFF000000u;
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

#include <algorithm>
#include <cstring>
#include <vector>

#include "framework/resources/ImageLib.h"
#include "framework/resources/ImageReading.h"

namespace ImageLib {
namespace {

constexpr int kMaxCodeBits = 12;
constexpr int kMaxCodes = 1 << kMaxCodeBits;
// Index values without a colour (beyond the table, or no table at all) are opaque black.
constexpr uint32_t kNoColour = 0xFF000000;

struct Cursor {
  const uint8_t* p;
  const uint8_t* end;
  size_t Left() const { return size_t(end - p); }
};

uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }

// Skips a chain of sub-blocks up to its empty block; false when the data ends first.
bool SkipSubBlocks(Cursor& c) {
  while (c.p < c.end) {
    const size_t n = *c.p++;
    if (n == 0) return true;
    if (c.Left() < n) break;
    c.p += n;
  }
  c.p = c.end;
  return false;
}

// Reads 2^(n+1) RGB entries into colours; false when the data ends first.
bool ReadColourTable(Cursor& c, int n, uint32_t* colours, int& count) {
  count = 2 << n;
  if (c.Left() < size_t(count) * 3) return false;
  for (int i = 0; i < count; ++i, c.p += 3) colours[i] = 0xFF000000u | (c.p[0] << 16) | (c.p[1] << 8) | c.p[2];
  return true;
}

// Decodes LZW codes into out (total pixels) through the literal colours. Every string in the
// dictionary is a stretch of pixels already written (the previous string plus the first pixel
// written after it), so an entry is a position and a length and decoding is copying.
// Codes beyond the next free entry end the data; a full dictionary takes no more entries until
// a clear code. Decoding stops when the picture is full. Returns the pixels written.
size_t DecodeLZW(const uint8_t* data, size_t size, int minCodeSize, const uint32_t* literals, uint32_t* out,
                 size_t total) {
  struct Entry {
    uint32_t pos;
    uint32_t len;
  };
  static thread_local Entry dict[kMaxCodes];
  const int clear = 1 << minCodeSize;
  const int endCode = clear + 1;
  int next = clear + 2;
  int codeSize = minCodeSize + 1;
  int prev = -1;
  size_t prevPos = 0, prevLen = 0;
  uint64_t acc = 0;
  int bits = 0;
  const uint8_t* s = data;
  const uint8_t* const se = data + size;
  size_t pos = 0;
  while (pos < total) {
    if (bits < codeSize) {
      if (se - s >= 8) {
        // Top up the bit buffer to at least 56 bits in one go.
        uint64_t word;
        std::memcpy(&word, s, 8);
        acc |= word << bits;
        const int take = (63 - bits) >> 3;
        s += take;
        bits += take * 8;
      } else {
        while (bits <= 56 && s < se) {
          acc |= uint64_t(*s++) << bits;
          bits += 8;
        }
        if (bits < codeSize) break;
      }
    }
    const int code = int(acc & ((1u << codeSize) - 1));
    acc >>= codeSize;
    bits -= codeSize;

    if (code == clear) {
      next = clear + 2;
      codeSize = minCodeSize + 1;
      prev = -1;
      continue;
    }
    if (code == endCode) break;
    size_t len;
    if (code < clear) {
      out[pos] = literals[code];
      len = 1;
    } else if (code < next && prev >= 0) {
      const Entry e = dict[code];
      len = e.len;
      const size_t n = std::min(len, total - pos);
      const uint32_t* from = out + e.pos;
      uint32_t* to = out + pos;
      // The source always ends at or before pos, so the stretches never overlap.
      if (n <= 8) {
        for (size_t i = 0; i < n; ++i) to[i] = from[i];
      } else {
        std::memcpy(to, from, n * 4);
      }
    } else if (code == next && prev >= 0) {
      // The string being defined: the previous one and its own first pixel.
      len = prevLen + 1;
      const size_t n = std::min(len, total - pos);
      for (size_t i = 0; i < n; ++i) out[pos + i] = out[prevPos + (i < prevLen ? i : 0)];
    } else {
      break;  // out of range: damaged data
    }
    if (prev >= 0 && next < kMaxCodes) {
      dict[next] = {uint32_t(prevPos), uint32_t(prevLen + 1)};
      ++next;
      if (next == (1 << codeSize) && codeSize < kMaxCodeBits) ++codeSize;
    }
    prev = code;
    prevPos = pos;
    prevLen = len;
    pos += len;
  }
  return std::min(pos, total);
}

std::unique_ptr<Image> DecodeGIF(const uint8_t* data, size_t size) {
  Cursor c{data, data + size};
  if (size < 13 || (std::memcmp(data, "GIF87", 5) != 0 && std::memcmp(data, "GIF89", 5) != 0)) return nullptr;
  const uint8_t screenFlags = data[10];
  c.p = data + 13;
  uint32_t globalColours[256];
  int globalCount = 0;
  if ((screenFlags & 0x80) && !ReadColourTable(c, screenFlags & 7, globalColours, globalCount)) return nullptr;

  int transparent = -1;
  for (;;) {
    if (c.p >= c.end) return nullptr;
    const uint8_t introducer = *c.p++;
    if (introducer == ',') break;
    if (introducer == ';') return nullptr;
    if (introducer != '!') continue;  // stray byte between blocks
    if (c.p >= c.end) return nullptr;
    const uint8_t label = *c.p++;
    if (label == 0xF9 && c.Left() >= 5 && c.p[0] >= 4) transparent = (c.p[1] & 1) ? c.p[4] : -1;
    // Comments and application blocks (looping animations included) mean nothing to a still image.
    if (!SkipSubBlocks(c)) return nullptr;
  }

  if (c.Left() < 9) return nullptr;
  const int width = Le16(c.p + 4);
  const int height = Le16(c.p + 6);
  const uint8_t flags = c.p[8];
  c.p += 9;
  if (!Reading::SizeAllowed(width, height)) return nullptr;
  uint32_t localColours[256];
  int localCount = 0;
  if ((flags & 0x80) && !ReadColourTable(c, flags & 7, localColours, localCount)) return nullptr;
  const uint32_t* table = (flags & 0x80) ? localColours : globalColours;
  const int count = (flags & 0x80) ? localCount : globalCount;

  auto image = std::make_unique<Image>(width, height);
  if (!image->bits) return nullptr;
  // Past here a damaged or short picture is still returned; pixels never decoded stay 0.
  if (c.p >= c.end) return image;
  const int minCodeSize = *c.p++;
  if (minCodeSize < 2 || minCodeSize > 11) return nullptr;

  uint32_t literals[1 << 11];
  const int clear = 1 << minCodeSize;
  for (int i = 0; i < clear; ++i) literals[i] = i < count ? table[i] : kNoColour;
  if (transparent >= 0 && transparent < clear) literals[transparent] = 0;

  // The image data's sub-blocks joined into one run of bytes.
  std::vector<uint8_t> stream;
  stream.reserve(c.Left());
  while (c.p < c.end) {
    const size_t n = *c.p++;
    if (n == 0) break;
    const size_t take = std::min(n, c.Left());
    stream.insert(stream.end(), c.p, c.p + take);
    c.p += take;
  }

  const size_t total = size_t(width) * size_t(height);
  if (!(flags & 0x40)) {
    DecodeLZW(stream.data(), stream.size(), minCodeSize, literals, image->bits.get(), total);
    return image;
  }
  // Interlaced rows arrive in four passes: every 8th from 0, every 8th from 4, every 4th from 2,
  // every 2nd from 1.
  const PixelArray rows(Reading::AllocatePixels(width, height, false));
  if (!rows) return nullptr;
  const size_t written = DecodeLZW(stream.data(), stream.size(), minCodeSize, literals, rows.get(), total);
  const size_t rowsWritten = (written + size_t(width) - 1) / size_t(width);
  // Only whole rows are copied; the undecoded end of the last one is cleared first.
  std::fill(rows.get() + written, rows.get() + rowsWritten * size_t(width), 0u);
  static constexpr int kStart[4] = {0, 4, 2, 1};
  static constexpr int kStep[4] = {8, 8, 4, 2};
  size_t source = 0;
  for (int pass = 0; pass < 4; ++pass)
    for (int y = kStart[pass]; y < height && source < rowsWritten; y += kStep[pass], ++source)
      std::memcpy(image->bits.get() + size_t(y) * width, rows.get() + source * width, size_t(width) * 4);
  return image;
}

}  // namespace

// Only the first image of the file is read; animation and its timing are ignored.
std::unique_ptr<Image> GetGIFImage(const std::string& fileName) {
  std::vector<uint8_t> data;
  if (!Reading::ReadWholeFile(fileName, data)) return nullptr;
  return DecodeGIF(data.data(), data.size());
}

}  // namespace ImageLib

#pragma once

// Helpers shared by the image file readers (not part of the library's public interface).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/resources/ImageLib.h"

namespace ImageLib::Reading {

// True for a size the loaders accept: positive, within kMaxImageSide a side and kMaxImagePixels.
inline bool SizeAllowed(int64_t width, int64_t height) {
  return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
         width * height <= kMaxImagePixels;
}

// A pixel array for an allowed size (see SizeAllowed), zeroed or not; null otherwise or when
// memory runs out. Owned by the caller (std::free), so it can live across a longjmp.
uint32_t* AllocatePixels(int width, int height, bool zeroed);

// Wraps pixels from AllocatePixels (taking them over) into an image.
std::unique_ptr<Image> AdoptPixels(uint32_t* pixels, int width, int height);

// The whole file, read through the archive layer; false when it cannot be opened or holds more
// than kMaxImageFileBytes (then loadProblem says so).
bool ReadWholeFile(const std::string& fileName, std::vector<uint8_t>& out);

// Runs write on "fileName.tmp" and renames it over fileName when it succeeds; otherwise the
// temporary file is removed and an existing fileName is left as it was.
bool WriteAtomically(const std::string& fileName, const std::function<bool(std::FILE*)>& write);

}  // namespace ImageLib::Reading

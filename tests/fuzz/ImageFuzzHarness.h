#pragma once

// The shared body of the image loader fuzz targets: the input becomes a file on disk (read
// through the archive layer's disk fall-back) and is handed to one loader.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "framework/resources/ImageLib.h"

namespace Orva::Fuzz {

struct TempFile {
  std::string path;
  ~TempFile() { std::remove(path.c_str()); }
};

// Where the pixels read from a returned image go, so the reads are not optimised away.
inline volatile uint32_t pixelSum = 0;

// Writes the input to a per-process file named for the format and loads it with loader.
template <typename Loader>
int FuzzImageLoader(const uint8_t* data, size_t size, const char* format, Loader loader) {
  // One file per process, rewritten for every input and removed at exit.
  static const TempFile temp{std::string("/tmp/orva-fuzz-") + format + "-" + std::to_string(::getpid()) + "." + format};
  const std::string& path = temp.path;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return 0;
  const bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
  std::fclose(file);
  if (!written) return 0;
  std::unique_ptr<ImageLib::Image> image = loader(path);
  // A returned image is whole: the first and last pixel of every row can be read (reading them
  // all would make each huge picture take seconds under the sanitizers).
  if (image) {
    uint32_t sum = 0;
    const size_t width = size_t(image->width);
    for (size_t y = 0; y < size_t(image->height); ++y)
      sum += image->bits[y * width] + image->bits[y * width + width - 1];
    pixelSum = sum;
  }
  return 0;
}

}  // namespace Orva::Fuzz

// Feeds the input to the TGA loader as a file on disk.
#include "fuzz/ImageFuzzHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return Orva::Fuzz::FuzzImageLoader(data, size, "tga",
                                     [](const std::string& path) { return ImageLib::GetTGAImage(path); });
}

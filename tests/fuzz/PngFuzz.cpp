// Feeds the input to the PNG loader as a file on disk.
#include "fuzz/ImageFuzzHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return Orva::Fuzz::FuzzImageLoader(data, size, "png",
                                     [](const std::string& path) { return ImageLib::GetPNGImage(path); });
}

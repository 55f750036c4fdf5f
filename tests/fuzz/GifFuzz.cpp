// Feeds the input to the GIF loader as a file on disk.
#include "fuzz/ImageFuzzHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return Orva::Fuzz::FuzzImageLoader(data, size, "gif",
                                     [](const std::string& path) { return ImageLib::GetGIFImage(path); });
}

// Feeds the input to the JPEG 2000 loader as a file on disk (a JP2 file or a bare codestream,
// told apart by the first bytes).
#include "fuzz/ImageFuzzHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return Orva::Fuzz::FuzzImageLoader(data, size, "jp2",
                                     [](const std::string& path) { return ImageLib::GetJPEG2000Image(path); });
}

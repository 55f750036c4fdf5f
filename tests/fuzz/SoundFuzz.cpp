// Any bytes as a sound file, named once as Ogg Vorbis and once as WAV (the format is found from
// the first bytes either way). A file that opens is decoded to its end in chunks: a read gives
// at most what was asked, a short read is the end and nothing follows it, and a rewind starts the
// sound again with the same first frames. The frames read are bounded, so one input cannot take
// minutes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "framework/audio/SampleSource.h"
#include "fuzz/FuzzSupport.h"

namespace {

using Orva::Fuzz::Check;

constexpr int kChunk = 700;  // not a power of two, so chunks end in odd places
constexpr int kMaxFrames = 1 << 17;

void Decode(const Orva::Fuzz::InputFile& file) {
  std::string error;
  std::unique_ptr<Orva::SampleSource> source = Orva::OpenSampleSource(file.Path(), &error);
  if (!source) {
    Check(!error.empty(), "a sound that did not open gave no reason");
    return;
  }
  Check(source->GetLength() >= -1, "a negative length");
  std::vector<float> chunk(size_t(kChunk) * 2), first(size_t(kChunk) * 2);
  int total = 0;
  int firstFrames = -1;
  for (;;) {
    const int got = source->Read(chunk.data(), kChunk);
    Check(got >= 0 && got <= kChunk, "a read gave more than asked");
    if (firstFrames < 0) {
      firstFrames = got;
      std::copy(chunk.begin(), chunk.begin() + got * 2, first.begin());
    }
    total += got;
    if (got < kChunk) {
      Check(source->Read(chunk.data(), kChunk) == 0, "frames after the end");
      break;
    }
    if (total >= kMaxFrames) break;
  }
  if (!source->Reset()) {
    Check(source->Read(chunk.data(), kChunk) == 0, "a sound that could not rewind still plays");
    return;
  }
  const int again = source->Read(chunk.data(), kChunk);
  Check(again == firstFrames, "a rewound sound starts with another number of frames");
  Check(std::memcmp(chunk.data(), first.data(), size_t(again) * 2 * sizeof(float)) == 0,
        "a rewound sound starts with other frames");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const Orva::Fuzz::InputFile ogg("sound.ogg"), wav("sound.wav");
  for (const Orva::Fuzz::InputFile* file : {&ogg, &wav})
    if (file->Write(data, size)) Decode(*file);
  return 0;
}

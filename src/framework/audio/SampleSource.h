#pragma once

// Decoded sound files: Ogg Vorbis and 16-bit PCM WAV, read through the archive layer, so sounds in
// "main.pak" open like loose ones. Whatever the file's rate and channel count, a source delivers
// stereo float frames at kAudioRate.

#include <cstdint>
#include <memory>
#include <string>

namespace Orva {

class SampleSource {
 public:
  virtual ~SampleSource() = default;

  // Fills up to frames interleaved stereo frames; fewer only at the end of the sound (or when the
  // file can no longer be read, which ends it early), 0 once it has ended.
  virtual int Read(float* out, int frames) = 0;
  // Back to the first frame; false when the file can no longer be read (the source then stays ended).
  virtual bool Reset() = 0;
  // Length in output frames as the file's header announces it; -1 when unknown.
  virtual int64_t GetLength() const = 0;
};

// Opens a file by its name (through the archive), detecting the format from its first bytes.
// Null when it is missing, empty, not a sound file or damaged; error then tells why.
std::unique_ptr<SampleSource> OpenSampleSource(const std::string& fileName, std::string* error = nullptr);

}  // namespace Orva

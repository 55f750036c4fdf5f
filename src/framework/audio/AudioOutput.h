#pragma once

// A sound output device as the mixer sees it: it asks, on its own thread, for blocks of
// interleaved stereo float frames at kAudioRate. The SDL back-end lives in the platform folder.

#include <functional>
#include <memory>
#include <string>

namespace Orva {

// Fills frames frames into out. Runs on the device's thread: it must not allocate or wait.
using AudioRenderFunction = std::function<void(float* out, int frames)>;

class AudioOutput {
 public:
  virtual ~AudioOutput() = default;  // closes the device; no render call runs after it
  virtual void Start() = 0;
  virtual void Stop() = 0;
  virtual int GetBufferFrames() const = 0;  // frames per render call: the output latency
};

// Opens an output that renders through the given function; null, with the reason, when none
// can be opened.
using AudioOutputOpener = std::function<std::unique_ptr<AudioOutput>(AudioRenderFunction render, std::string& error)>;

}  // namespace Orva

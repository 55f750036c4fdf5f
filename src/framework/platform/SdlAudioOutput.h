#pragma once

// The default sound output device through SDL2 audio: float stereo at kAudioRate, a buffer of
// kAudioBufferFrames (SDL converts when the hardware wants another format).

#include <cstdint>
#include <memory>
#include <string>

#include "framework/audio/AudioOutput.h"

namespace Orva {

class SdlAudioOutput final : public AudioOutput {
 public:
  // Null with a reason in error when there is no device to open. The device starts paused.
  static std::unique_ptr<SdlAudioOutput> Open(AudioRenderFunction render, std::string& error);
  // SDL keeps state (its error text) for each thread that calls it, and frees it by itself only
  // for threads it made: a thread of ours that opened a device calls this before it ends.
  static void ReleaseThreadState();
  ~SdlAudioOutput() override;
  SdlAudioOutput(const SdlAudioOutput&) = delete;
  SdlAudioOutput& operator=(const SdlAudioOutput&) = delete;

  void Start() override;
  void Stop() override;
  int GetBufferFrames() const override { return bufferFrames_; }

 private:
  explicit SdlAudioOutput(AudioRenderFunction render) : render_(std::move(render)) {}
  static void Callback(void* user, uint8_t* stream, int length);

  AudioRenderFunction render_;
  uint32_t device_ = 0;
  int bufferFrames_ = 0;
};

}  // namespace Orva

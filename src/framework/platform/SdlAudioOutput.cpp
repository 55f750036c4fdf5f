#include "framework/platform/SdlAudioOutput.h"

#include <SDL.h>

#include "framework/audio/AudioFormat.h"

namespace Orva {

std::unique_ptr<SdlAudioOutput> SdlAudioOutput::Open(AudioRenderFunction render, std::string& error) {
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    error = SDL_GetError();
    return nullptr;
  }
  auto output = std::unique_ptr<SdlAudioOutput>(new SdlAudioOutput(std::move(render)));
  SDL_AudioSpec want{};
  want.freq = kAudioRate;
  want.format = AUDIO_F32SYS;
  want.channels = kAudioChannels;
  want.samples = kAudioBufferFrames;
  want.callback = &SdlAudioOutput::Callback;
  want.userdata = output.get();
  SDL_AudioSpec have{};
  // No changes allowed: SDL converts to whatever the hardware takes, so the callback always
  // sees our own format.
  output->device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (output->device_ == 0) {
    error = SDL_GetError();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return nullptr;
  }
  output->bufferFrames_ = have.samples;
  return output;
}

SdlAudioOutput::~SdlAudioOutput() {
  // Closing waits for a running callback to return.
  SDL_CloseAudioDevice(device_);
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void SdlAudioOutput::ReleaseThreadState() { SDL_TLSCleanup(); }

void SdlAudioOutput::Start() { SDL_PauseAudioDevice(device_, 0); }
void SdlAudioOutput::Stop() { SDL_PauseAudioDevice(device_, 1); }

void SdlAudioOutput::Callback(void* user, uint8_t* stream, int length) {
  auto* self = static_cast<SdlAudioOutput*>(user);
  self->render_(reinterpret_cast<float*>(stream), length / int(sizeof(float) * kAudioChannels));
}

}  // namespace Orva

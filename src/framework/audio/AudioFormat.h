#pragma once

// The one output format of the audio module: every source is converted to it when read, and the
// mixer and the device work in it alone.
namespace Orva {

inline constexpr int kAudioRate = 44100;         // frames per second
inline constexpr int kAudioChannels = 2;         // interleaved left, right
inline constexpr int kAudioBufferFrames = 1024;  // device buffer: 23.2 ms at 44.1 kHz

}  // namespace Orva

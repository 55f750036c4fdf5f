// Mixing the game's load at once, offline: 18 buffered effects and one streamed Ogg Vorbis music
// track, all playing and repeating, for a number of seconds of audio (default 60). Prints the
// real-time factor, the share of one core it means at real time, and the device buffer latency.
// The sounds are made here (the track is encoded with the reference encoder, as the tests do).
//   audio_bench [SECONDS] [MUSIC FILE]
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "framework/audio/AudioDevice.h"
#include "framework/audio/AudioTestFiles.h"

using namespace Orva;

namespace {

// A tone with a little seeded noise, different in each channel, as a 16-bit stereo WAV file.
void WriteWav(const std::string& path, int frames, double frequency, unsigned seed) {
  std::vector<int16_t> samples;
  samples.reserve(size_t(frames) * 2);
  unsigned noise = seed;
  for (int i = 0; i < frames; ++i) {
    noise = noise * 1103515245u + 12345u;
    const double tone = 0.5 * std::sin(2 * M_PI * frequency * i / kAudioRate);
    const double n = 0.1 * ((noise >> 16) / 32768.0 - 1.0);
    samples.push_back(int16_t(20000 * (tone + n)));
    samples.push_back(int16_t(20000 * (tone - n)));
  }
  std::ofstream(path, std::ios::binary) << Testing::WavBytes(samples, 2, kAudioRate);
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 60.0;
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "orva_audio_bench";
  std::filesystem::create_directories(dir);
  std::string music = argc > 2 ? argv[2] : "";
  if (music.empty()) {
    music = (dir / "music.ogg").string();
    std::vector<float> track = Testing::StereoSine(kAudioRate * 20, kAudioRate, 110, 0.3f);
    const std::vector<float> melody = Testing::StereoSine(kAudioRate * 20, kAudioRate, 443, 0.2f);
    for (size_t i = 0; i < track.size(); ++i) track[i] += melody[i] * float(i % 20000 < 10000);
    std::ofstream(music, std::ios::binary) << Testing::OggBytes(track, 2, kAudioRate);
  }

  // Offline: Mix decodes the stream itself, so the time measured is all the audio work.
  AudioDevicePtr device = AudioDevice::OpenNull(NullClock::Manual, false);
  std::vector<OutputStreamPtr> sounds;
  std::string error;
  for (int i = 0; i < 18; ++i) {
    const std::string path = (dir / ("effect" + std::to_string(i) + ".wav")).string();
    WriteWav(path, kAudioRate / 4 + i * 2000, 200 + 40 * i, unsigned(i));
    sounds.push_back(OpenSound(device, path, false, &error));
  }
  sounds.push_back(OpenSound(device, music, true, &error));
  for (auto& s : sounds) {
    if (!s) {
      std::fprintf(stderr, "audio_bench: %s\n", error.c_str());
      return 1;
    }
    s->SetRepeat(true);
    s->SetVolume(0.8f);
    s->Play();
  }

  const int block = device->GetBufferFrames();
  std::vector<float> out(size_t(block) * kAudioChannels);
  const int64_t total = int64_t(seconds * kAudioRate);
  const auto start = std::chrono::steady_clock::now();
  for (int64_t done = 0; done < total; done += block) device->Mix(out.data(), block);
  const double used = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  std::printf("audio: 18 buffered effects + 1 streamed track (%s), %.0f s of audio in %.3f s\n",
              music.substr(music.size() - 3).c_str(), seconds, used);
  std::printf("%-34s %12s\n", "measure", "value");
  std::printf("%-34s %12.0f\n", "real-time factor (x)", seconds / used);
  std::printf("%-34s %12.3f\n", "share of one core at real time (%)", 100.0 * used / seconds);
  std::printf("%-34s %12.1f\n", "device buffer latency (ms)", device->GetLatencyMs());
  std::filesystem::remove_all(dir);
  return 0;
}

// orvaplay: plays one sound file through the default output device, so a person can listen.
//   orvaplay FILE [--stream] [--loop] [--volume V] [--pak ARCHIVE]
// The file is read through the archive layer (with --pak, names inside the archive work too). It
// exits when the sound has ended; with --loop it plays until interrupted.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "framework/audio/AudioDevice.h"
#include "framework/resources/PakInterface.h"

using namespace Orva;

namespace {

int Usage() {
  std::fprintf(stderr, "usage: orvaplay FILE [--stream] [--loop] [--volume V] [--pak ARCHIVE]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string file;
  bool stream = false;
  bool loop = false;
  float volume = 1.0f;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--stream") {
      stream = true;
    } else if (arg == "--loop") {
      loop = true;
    } else if (arg == "--volume" && i + 1 < argc) {
      volume = std::strtof(argv[++i], nullptr);
    } else if (arg == "--pak" && i + 1 < argc) {
      std::string problem;
      if (!GetPakInterfaceImpl()->AddPakFile(argv[++i], &problem)) {
        std::fprintf(stderr, "orvaplay: cannot read the archive %s: %s\n", argv[i],
                     problem.empty() ? "no such file" : problem.c_str());
        return 1;
      }
    } else if (arg.starts_with("--") || !file.empty()) {
      return Usage();
    } else {
      file = arg;
    }
  }
  if (file.empty()) return Usage();

  AudioDevicePtr device = AudioDevice::Open();
  if (device->IsNull()) std::fprintf(stderr, "orvaplay: no sound output device; playing silently\n");
  std::string error;
  OutputStreamPtr sound = OpenSound(device, file, stream, &error);
  if (!sound) {
    std::fprintf(stderr, "orvaplay: %s\n", error.c_str());
    return 1;
  }
  sound->SetRepeat(loop);
  sound->SetVolume(volume);
  sound->Play();
  std::printf("orvaplay: %s, %.2f s, %s, volume %.2f%s\n", file.c_str(),
              sound->GetLength() < 0 ? -1.0 : double(sound->GetLength()) / kAudioRate, stream ? "streamed" : "buffered",
              sound->GetVolume(), loop ? ", looping (Ctrl+C ends)" : "");
  // Asleep between looks, a tenth of a second apart; then one device buffer more, so the end is heard.
  while (sound->IsPlaying()) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  std::this_thread::sleep_for(std::chrono::milliseconds(int(2 * device->GetLatencyMs())));
  return 0;
}

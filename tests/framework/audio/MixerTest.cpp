#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <filesystem>
#include <mutex>
#include <thread>

#include "framework/audio/AudioDevice.h"
#include "framework/audio/AudioTestFiles.h"
#include "support/TempFolder.h"

using namespace Orva;
using Orva::Testing::TempFolder;

namespace {

constexpr float kStep = 1 / 32768.0f;

class MixerTest : public ::testing::Test {
 protected:
  // A WAV of a stereo ramp: frame i is (n, -n) / 32768 with n = (start + i) mod 20000.
  std::string Ramp(const std::string& name, int frames, int start = 0) {
    folder.Write(name, Testing::WavBytes(Testing::StereoRamp(frames, start), 2, kAudioRate));
    return (folder / name).string();
  }
  OutputStreamPtr Sound(const std::string& path, bool streaming, const AudioDevicePtr& on = nullptr) {
    std::string error;
    OutputStreamPtr sound = OpenSound(on ? on : device, path, streaming, &error);
    EXPECT_TRUE(sound) << error;
    return sound;
  }
  std::vector<float> Mix(int frames, const AudioDevicePtr& on = nullptr) {
    std::vector<float> out(size_t(frames) * 2, 123.0f);
    (on ? on : device)->Mix(out.data(), frames);
    return out;
  }
  float Left(const std::vector<float>& mix, int frame) { return mix[size_t(frame) * 2]; }

  TempFolder folder{"audio_mixer"};
  AudioDevicePtr device = AudioDevice::OpenNull();
};

TEST_F(MixerTest, NullDeviceIsSilentAndKeepsTime) {
  EXPECT_TRUE(device->IsNull());
  const std::vector<float> out = Mix(300);
  for (float s : out) ASSERT_EQ(s, 0.0f);
  Mix(200);
  EXPECT_EQ(device->GetFramesRendered(), 500);
  EXPECT_LE(device->GetLatencyMs(), 25.0);
}

// Play, stop, reset and the end of a buffered sound.
TEST_F(MixerTest, BufferedSoundPlaysFromItsStartAndStopsAtItsEnd) {
  auto sound = Sound(Ramp("a.wav", 1000), false);
  EXPECT_FALSE(sound->IsPlaying());
  EXPECT_EQ(sound->GetLength(), 1000);
  EXPECT_EQ(Left(Mix(10), 5), 0.0f);  // not started: silent
  sound->Play();
  EXPECT_TRUE(sound->IsPlaying());
  std::vector<float> out = Mix(600);
  EXPECT_FLOAT_EQ(Left(out, 0), 0.0f);
  EXPECT_FLOAT_EQ(Left(out, 599), 599 * kStep);
  EXPECT_FLOAT_EQ(out[599 * 2 + 1], -599 * kStep);
  out = Mix(600);
  EXPECT_FLOAT_EQ(Left(out, 399), 999 * kStep);
  EXPECT_EQ(Left(out, 400), 0.0f);  // ended: silence after the last frame
  EXPECT_FALSE(sound->IsPlaying());
  // Played again after its end, it starts from the beginning.
  sound->Play();
  EXPECT_FLOAT_EQ(Left(Mix(3), 2), 2 * kStep);
}

TEST_F(MixerTest, PlayingABufferedSoundAgainRestartsIt) {
  auto sound = Sound(Ramp("a.wav", 1000), false);
  sound->Play();
  Mix(300);
  sound->Play();
  EXPECT_TRUE(sound->IsPlaying());
  const std::vector<float> out = Mix(2);
  EXPECT_EQ(Left(out, 0), 0.0f);
  EXPECT_FLOAT_EQ(Left(out, 1), kStep);
}

TEST_F(MixerTest, StopHoldsThePlaceAndResetRewinds) {
  for (bool streaming : {false, true}) {
    SCOPED_TRACE(streaming ? "streamed" : "buffered");
    auto sound = Sound(Ramp("s.wav", 5000), streaming);
    sound->Play();
    Mix(300);
    sound->Stop();
    EXPECT_FALSE(sound->IsPlaying());
    EXPECT_EQ(Left(Mix(100), 50), 0.0f);
    EXPECT_EQ(sound->GetPosition(), 300);
    sound->Play();  // resumes where it stopped
    EXPECT_FLOAT_EQ(Left(Mix(1), 0), 300 * kStep);
    sound->Reset();  // rewinds while playing
    EXPECT_TRUE(sound->IsPlaying());
    EXPECT_FLOAT_EQ(Left(Mix(2), 1), 1 * kStep);
    sound->Stop();
    sound->Reset();  // rewinds while stopped; stays stopped
    Mix(10);
    EXPECT_EQ(sound->GetPosition(), 0);
    EXPECT_FALSE(sound->IsPlaying());
    sound->Play();
    EXPECT_FLOAT_EQ(Left(Mix(1), 0), 0.0f);
    EXPECT_FLOAT_EQ(Left(Mix(1), 0), kStep);
  }
}

TEST_F(MixerTest, RepeatLoopsWithoutAGapOrAJump) {
  // 1500 frames starting at 100, so the loop point (1599 -> 100) is a known jump of the file itself
  // and any extra or missing frame shows.
  for (bool streaming : {false, true}) {
    SCOPED_TRACE(streaming ? "streamed" : "buffered");
    auto sound = Sound(Ramp("loop.wav", 1500, 100), streaming);
    sound->SetRepeat(true);
    EXPECT_TRUE(sound->GetRepeat());
    sound->Play();
    for (int block = 0; block < 40; ++block) {
      const std::vector<float> out = Mix(512);
      for (int i = 0; i < 512; ++i) {
        const int frame = (block * 512 + i) % 1500;
        ASSERT_FLOAT_EQ(Left(out, i), (100 + frame) * kStep) << "block " << block << " frame " << i;
      }
    }
    EXPECT_TRUE(sound->IsPlaying());
  }
}

TEST_F(MixerTest, VolumeScalesAndIsClampedToZeroToOne) {
  auto sound = Sound(Ramp("v.wav", 20000, 10000), false);
  sound->SetRepeat(true);
  sound->Play();
  sound->SetVolume(0.25f);
  EXPECT_FLOAT_EQ(Left(Mix(1), 0), 0.25f * 10000 * kStep);
  sound->SetVolume(30.0f);  // what the game asks for its menu music: full volume
  EXPECT_EQ(sound->GetVolume(), 1.0f);
  EXPECT_FLOAT_EQ(Left(Mix(1), 0), 10001 * kStep);
  sound->SetVolume(-2.0f);
  EXPECT_EQ(sound->GetVolume(), 0.0f);
  EXPECT_EQ(Left(Mix(1), 0), 0.0f);
  sound->SetVolume(std::nanf(""));
  EXPECT_EQ(sound->GetVolume(), 0.0f);
}

TEST_F(MixerTest, StreamedOggDecodesTheSameSamplesAsBuffered) {
  folder.Write("music.ogg",
               Testing::OggBytes(Testing::StereoSine(3 * kAudioRate / 2, kAudioRate, 220, 0.4f), 2, kAudioRate));
  const std::string path = (folder / "music.ogg").string();
  auto other = AudioDevice::OpenNull();
  auto buffered = Sound(path, false);
  auto streamed = Sound(path, true, other);
  buffered->Play();
  streamed->Play();
  // Blocks longer than the stream's read-ahead: Mix decodes ahead itself on a manual device.
  for (int block = 0; block < 20; ++block) {
    const std::vector<float> a = Mix(4000);
    const std::vector<float> b = Mix(4000, other);
    ASSERT_EQ(a, b) << "block " << block;
  }
  EXPECT_FALSE(buffered->IsPlaying());
  EXPECT_FALSE(streamed->IsPlaying());
}

TEST_F(MixerTest, DecoderThreadFeedsStreamsAheadOfTheMixer) {
  auto threaded = AudioDevice::OpenNull(NullClock::Manual, true);
  auto streamed = Sound(Ramp("t.wav", 30000), true, threaded);
  streamed->SetRepeat(true);
  streamed->Play();
  for (int block = 0; block < 100; ++block) {
    threaded->WaitForStreams();
    const std::vector<float> out = Mix(1024, threaded);
    for (int i = 0; i < 1024; i += 97) ASSERT_FLOAT_EQ(Left(out, i), ((block * 1024 + i) % 30000 % 20000) * kStep);
  }
}

TEST_F(MixerTest, ManyFullVolumeSoundsNeverClip) {
  std::vector<int16_t> square;
  for (int i = 0; i < 20000; ++i) square.insert(square.end(), 2, int16_t((i / 50) % 2 ? 32767 : -32767));
  folder.Write("square.wav", Testing::WavBytes(square, 2, kAudioRate));
  std::vector<OutputStreamPtr> sounds;
  for (int i = 0; i < 8; ++i) {
    sounds.push_back(Sound((folder / "square.wav").string(), i % 2));
    sounds.back()->Play();
  }
  float peak = 0;
  for (int block = 0; block < 20; ++block)
    for (float s : Mix(1000)) peak = std::max(peak, std::fabs(s));
  EXPECT_LE(peak, 0.95f);
  EXPECT_GT(peak, 0.9f);

  // One sound below the ceiling passes unchanged once the limiter has recovered.
  sounds.clear();
  Mix(2 * kAudioRate);
  auto quiet = Sound(Ramp("q.wav", 1000, 29000), false);
  quiet->Play();
  EXPECT_FLOAT_EQ(Left(Mix(1), 0), 9000 * kStep);
}

TEST_F(MixerTest, ReleasingTheLastHandleStopsTheSound) {
  auto sound = Sound(Ramp("r.wav", 5000, 1000), true);
  sound->Play();
  Mix(100);
  sound.reset();
  for (float s : Mix(500)) ASSERT_EQ(s, 0.0f);
}

TEST_F(MixerTest, AFileCutShortWhileStreamingFallsSilent) {
  const std::string path = Ramp("cut.wav", 200000, 1);
  auto sound = Sound(path, true);
  sound->Play();
  Mix(1000);
  std::filesystem::resize_file(path, 44 + 10000);
  std::filesystem::remove(path);
  for (int i = 0; i < 300 && sound->IsPlaying(); ++i) Mix(1024);
  EXPECT_FALSE(sound->IsPlaying());
  for (float s : Mix(1000)) ASSERT_EQ(s, 0.0f);
}

TEST_F(MixerTest, OpeningBadFilesFailsCleanly) {
  folder.Write("empty.ogg", "");
  folder.Write("text.wav", "hello");
  std::string error;
  for (const char* name : {"empty.ogg", "text.wav", "missing.ogg"}) {
    for (bool streaming : {false, true}) {
      error.clear();
      EXPECT_FALSE(OpenSound(device, (folder / name).string(), streaming, &error)) << name;
      EXPECT_FALSE(error.empty());
    }
  }
  EXPECT_FALSE(OpenSound(nullptr, Ramp("x.wav", 10), false, &error));
}

// Calls from the main thread while another thread renders, and sounds released mid-mix, as
// the game does (run under ThreadSanitizer).
TEST_F(MixerTest, CallsFromOtherThreadsWhileTheMixerRuns) {
  auto threaded = AudioDevice::OpenNull(NullClock::Manual, true);
  const std::string path = Ramp("m.wav", 3000);
  std::atomic<bool> done{false};
  std::thread mixer([&] {
    std::vector<float> out(512 * 2);
    // At least one mix, however late the thread gets going.
    do {
      threaded->Mix(out.data(), 512);
    } while (!done);
  });
  for (int round = 0; round < 40; ++round) {
    auto effect = Sound(path, false, threaded);
    auto music = Sound(path, true, threaded);
    music->SetRepeat(true);
    music->Play();
    effect->Play();
    effect->SetVolume(0.5f);
    effect->Play();
    music->Reset();
    music->Stop();
    effect->IsPlaying();
  }
  done = true;
  mixer.join();
  EXPECT_GT(threaded->GetFramesRendered(), 0);
}

}  // namespace

// The game opens its output in the background. Until the output is there the mix stands still,
// so a sound started meanwhile plays from its first frame once it is; a device dropped while its
// output is still opening waits for the opener. The output is a stand-in whose render calls the
// test makes.
TEST_F(MixerTest, ADeviceOpenedInTheBackgroundLosesNothingStartedBeforeItsOutput) {
  struct HeldOutput : AudioOutput {
    void Start() override {}
    void Stop() override {}
    int GetBufferFrames() const override { return 256; }
  };
  std::mutex gate;
  std::unique_lock<std::mutex> held(gate);
  AudioRenderFunction render;
  const auto opener = [&](AudioRenderFunction f, std::string&) {
    std::lock_guard<std::mutex> wait(gate);
    render = std::move(f);
    return std::unique_ptr<AudioOutput>(new HeldOutput());
  };
  AudioDevicePtr background = AudioDevice::OpenInBackground(opener);
  auto sound = Sound(Ramp("early.wav", 1000), false, background);
  sound->Play();
  EXPECT_TRUE(background->IsNull()) << "the output is still opening";
  EXPECT_EQ(background->GetFramesRendered(), 0);
  held.unlock();
  background->WaitForOutput();
  ASSERT_FALSE(background->IsNull());
  ASSERT_TRUE(render);
  std::vector<float> out(2 * 300);
  render(out.data(), 300);
  EXPECT_EQ(Left(out, 0), 0.0f);
  EXPECT_FLOAT_EQ(Left(out, 1), kStep) << "the sound starts at its first frame";
  EXPECT_EQ(background->GetLatencyMs(), 1000.0 * 256 / kAudioRate);

  const auto failing = [](AudioRenderFunction, std::string& error) {
    error = "no card";
    return std::unique_ptr<AudioOutput>();
  };
  AudioDevicePtr silent = AudioDevice::OpenInBackground(failing);
  silent->WaitForOutput();
  EXPECT_TRUE(silent->IsNull()) << "without an output the device plays on silently";
  AudioDevice::OpenInBackground(failing).reset();
}

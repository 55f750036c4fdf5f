#pragma once

// The game's audio: one output device mixing any number of sounds, each either decoded whole into
// memory (buffered) or decoded ahead by the device's decoder thread while it plays (streamed).
// Devices and sounds are shared handles: a sound keeps its device alive, and releasing the last
// handle of a playing sound stops it and frees it safely while the mixer runs.
//
// Threads: play, stop, reset, repeat and volume calls may come from any thread and never wait on
// the mixer. The device's render call only reads decoded samples: it neither allocates nor decodes,
// and the one lock it takes is held by other threads only to swap a list of sounds in or out.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "framework/audio/AudioFormat.h"
#include "framework/audio/AudioOutput.h"
#include "framework/audio/SampleSource.h"

namespace Orva {

struct Voice;
class AudioDevice;
class OutputStream;
using AudioDevicePtr = std::shared_ptr<AudioDevice>;
using OutputStreamPtr = std::shared_ptr<OutputStream>;

// How a null device (no sound card) keeps time.
enum class NullClock {
  Manual,   // time advances only by Mix: tests and benchmarks drive it
  RealTime  // a thread renders and discards the mix in real time, so sounds still end
};

class AudioDevice {
 public:
  // The default output device; when none can be opened, a silent real-time null device (the
  // reason goes to standard error). The name "null" asks for the null device; parameters are
  // accepted and ignored.
  static AudioDevicePtr Open(const std::string& name = "", const std::string& parameters = "");
  // A silent device. With decoderThread false, Mix decodes the streams itself before mixing, so
  // offline runs are exactly repeatable.
  static AudioDevicePtr OpenNull(NullClock clock = NullClock::Manual, bool decoderThread = false);
  // The default output device, opened on a thread of its own: finding one can take a tenth of a
  // second (a sound server that is not there times out), and a program's first frame need not
  // wait for it. Until the output is open the mix stands still, so nothing played meanwhile is
  // lost, only started late; when none can be opened the device plays silently in real time.
  // opener stands in for the system's default output (tests).
  static AudioDevicePtr OpenInBackground(AudioOutputOpener opener = nullptr);
  // Waits until a device opened in the background has its output, or knows it has none.
  void WaitForOutput();

  ~AudioDevice();
  AudioDevice(const AudioDevice&) = delete;
  AudioDevice& operator=(const AudioDevice&) = delete;

  // True while a device opened in the background has no output yet, and for good without one.
  bool IsNull() const { return !hasOutput_.load(std::memory_order_acquire); }
  int GetBufferFrames() const { return bufferFrames_.load(std::memory_order_relaxed); }
  double GetLatencyMs() const;
  // Frames rendered since the device opened: the device's clock.
  int64_t GetFramesRendered() const { return framesRendered_.load(std::memory_order_relaxed); }

  // Renders the next frames of the mix into out (interleaved stereo). The output device calls it;
  // on a null device with a manual clock, tests and benchmarks do.
  void Mix(float* out, int frames);

  // Decodes ahead into every stream's buffer on the calling thread (what the decoder thread does).
  void FillStreams();
  // With a decoder thread: waits until it has completed a full pass begun after this call.
  void WaitForStreams();

 private:
  friend class OutputStream;
  friend OutputStreamPtr OpenSound(const AudioDevicePtr&, std::unique_ptr<SampleSource>, bool, std::string*);

  AudioDevice() = default;
  void StartThreads(NullClock clock, bool decoderThread);
  void OpenOutput(const AudioOutputOpener& opener);
  void AddVoice(const std::shared_ptr<Voice>& voice);
  void RemoveVoice(const Voice* voice);
  void WakeDecoder();
  void DecoderLoop();
  void ClockLoop();
  void Limit(float* out, int frames);

  std::unique_ptr<AudioOutput> output_;
  std::atomic<bool> hasOutput_{false};
  std::atomic<int> bufferFrames_{kAudioBufferFrames};
  std::thread openerThread_;  // OpenInBackground's

  // The sounds being mixed. The list is replaced whole (built outside the lock, one writer at a
  // time under listLock_), so the render call holds mixLock_ only while it mixes and nobody
  // allocates while holding it.
  std::mutex listLock_;
  std::mutex mixLock_;
  std::shared_ptr<std::vector<std::shared_ptr<Voice>>> voices_;
  std::atomic<int64_t> framesRendered_{0};
  double limiterGain_ = 1.0;  // owned by the render call

  // Decoding ahead.
  std::mutex fillLock_;  // one filler at a time
  std::mutex decoderLock_;
  std::condition_variable decoderWake_;
  std::condition_variable decoderPassDone_;
  std::condition_variable clockWake_;
  uint64_t decoderPasses_ = 0;
  bool decoderWakeRequested_ = false;
  int streamWaiters_ = 0;
  bool quit_ = false;
  bool hasDecoderThread_ = false;
  std::thread decoderThread_;
  std::thread clockThread_;
};

class OutputStream {
 public:
  ~OutputStream();  // stops the sound and takes it off the mixer
  OutputStream(const OutputStream&) = delete;
  OutputStream& operator=(const OutputStream&) = delete;

  // Starts or resumes playing. A buffered sound already playing starts again from its beginning;
  // a stream already playing carries on.
  void Play();
  // Stops where it is; Play resumes from there.
  void Stop();
  bool IsPlaying() const;
  // Back to the beginning, playing or not.
  void Reset();
  void SetRepeat(bool repeat);
  bool GetRepeat() const;
  // 0 (silent) to 1 (as recorded); values outside are clamped, and a value that is not a number is 0.
  void SetVolume(float volume);
  float GetVolume() const;

  bool IsStreamed() const { return streamed_; }
  // Frames played since the beginning (the mixer's count, so it follows what was heard).
  int64_t GetPosition() const;
  // Frames in the sound; -1 when a stream's file does not say.
  int64_t GetLength() const { return length_; }

 private:
  friend OutputStreamPtr OpenSound(const AudioDevicePtr&, std::unique_ptr<SampleSource>, bool, std::string*);
  OutputStream(AudioDevicePtr device, std::shared_ptr<Voice> voice, bool streamed, int64_t length);

  AudioDevicePtr device_;
  std::shared_ptr<Voice> voice_;
  bool streamed_;
  int64_t length_;
};

// A sound on the device from an open source (which the sound takes over): decoded whole now, or
// streamed. Null with error set when the device is missing or the source yields no sound.
OutputStreamPtr OpenSound(const AudioDevicePtr& device, std::unique_ptr<SampleSource> source, bool streaming,
                          std::string* error = nullptr);
// The same from a file name (read through the archive).
OutputStreamPtr OpenSound(const AudioDevicePtr& device, const std::string& fileName, bool streaming,
                          std::string* error = nullptr);

}  // namespace Orva

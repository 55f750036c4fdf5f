#include "framework/audio/AudioDevice.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "framework/platform/SdlAudioOutput.h"

namespace Orva {

namespace {

// A stream decodes ahead into a ring of chunks: 16 x 1024 frames is 0.37 s, far more than the
// decoder thread's 20 ms wake-up period.
constexpr int kChunkFrames = 1024;
constexpr uint32_t kChunks = 16;
constexpr auto kDecoderPeriod = std::chrono::milliseconds(20);
// Whole-memory sounds longer than this are cut (a damaged header cannot make us decode forever).
constexpr int64_t kMaxBufferedFrames = int64_t(kAudioRate) * 60 * 20;

// The limiter: gain drops at once to keep every frame's peak at or under the ceiling, and recovers
// with a 100 ms time constant.
constexpr float kLimiterCeiling = 0.95f;
const double kLimiterRelease = 1.0 - std::exp(-1.0 / (0.1 * kAudioRate));

struct StreamChunk {
  uint32_t generation = 0;  // the rewind count the decoder saw when it filled the chunk
  int frames = 0;
  bool end = false;  // the sound ends after this chunk's frames
  float data[kChunkFrames * kAudioChannels];
};

// True when generation a is older than b (counts wrap around).
bool Older(uint32_t a, uint32_t b) { return int32_t(a - b) < 0; }

}  // namespace

struct Voice {
  // Bit 0: playing. The bits above count the Play and Stop calls, so the mixer's "ended" update
  // (a compare-and-swap) never overwrites a call that came in meanwhile.
  std::atomic<uint32_t> state{0};
  std::atomic<bool> repeat{false};
  std::atomic<float> volume{1.0f};
  // Requests to go back to the beginning, from Reset, from Play on a playing buffered sound and
  // from the mixer when a stream ends. For streams it is also the generation of decoded chunks.
  std::atomic<uint32_t> rewinds{0};
  std::atomic<int64_t> position{0};

  // The mixer's own.
  uint32_t rewindsSeen = 0;
  int64_t mixPosition = 0;
  int readOffset = 0;

  // Buffered sounds.
  std::vector<float> samples;
  int64_t frames = 0;

  // Streams: the ring (the decoder writes, the mixer reads) and the decoder's own state.
  bool streamed = false;
  std::unique_ptr<StreamChunk[]> chunks;
  std::atomic<uint32_t> written{0};
  std::atomic<uint32_t> read{0};
  std::unique_ptr<SampleSource> source;
  uint32_t decodedGeneration = 0;
  bool decodedEnd = false;
};

namespace {

// Sets or clears the playing bit as a new call; answers whether it was playing.
bool SetPlaying(Voice& v, bool playing) {
  uint32_t s = v.state.load(std::memory_order_acquire);
  while (!v.state.compare_exchange_weak(s, (((s >> 1) + 1) << 1) | (playing ? 1u : 0u), std::memory_order_acq_rel)) {
  }
  return s & 1;
}

// The mixer's end of a sound: stops it unless a call came in meanwhile.
void EndVoice(Voice& v, uint32_t seenState) {
  v.state.compare_exchange_strong(seenState, seenState & ~1u, std::memory_order_acq_rel);
}

void AddScaled(float* out, const float* in, int frames, float volume) {
  for (int i = 0; i < frames * kAudioChannels; ++i) out[i] += in[i] * volume;
}

// Decodes ahead into a stream's free chunks (decoder side of the ring). The decoder always goes on
// from the start after the end of the file and marks the chunk the file ends in: a repeating
// stream plays straight on (no gap at the loop), and one that stops there finds its beginning
// already decoded for the next Play.
void FillVoice(Voice& v) {
  const uint32_t generation = v.rewinds.load(std::memory_order_acquire);
  if (generation != v.decodedGeneration) {
    v.decodedGeneration = generation;
    v.decodedEnd = !v.source->Reset();  // the file is gone: the mixer finds the ring empty
  }
  while (!v.decodedEnd) {
    const uint32_t w = v.written.load(std::memory_order_relaxed);
    if (w - v.read.load(std::memory_order_acquire) >= kChunks) return;
    StreamChunk& c = v.chunks[w % kChunks];
    c.generation = generation;
    c.frames = v.source->Read(c.data, kChunkFrames);
    c.end = c.frames < kChunkFrames;
    // A file that yields nothing, or can no longer be rewound, is decoded no further.
    if (c.end) v.decodedEnd = c.frames == 0 || !v.source->Reset();
    v.written.store(w + 1, std::memory_order_release);
  }
}

// Takes in rewind requests (mixer side).
void SeeRewinds(Voice& v) {
  const uint32_t rewinds = v.rewinds.load(std::memory_order_acquire);
  if (rewinds != v.rewindsSeen) {
    v.rewindsSeen = rewinds;
    v.mixPosition = 0;
  }
}

// Throws away what a stream decoded before its latest rewind (mixer side of the ring).
void DropStaleChunks(Voice& v) {
  for (;;) {
    const uint32_t r = v.read.load(std::memory_order_relaxed);
    if (r == v.written.load(std::memory_order_acquire) || !Older(v.chunks[r % kChunks].generation, v.rewindsSeen))
      return;
    v.read.store(r + 1, std::memory_order_release);
    v.readOffset = 0;
  }
}

// Mixes one sound's next frames into out. Runs in the render call: reads only.
void MixVoice(Voice& v, float* out, int frames) {
  const uint32_t state = v.state.load(std::memory_order_acquire);
  SeeRewinds(v);
  if (state & 1) {
    const float volume = v.volume.load(std::memory_order_relaxed);
    const bool repeat = v.repeat.load(std::memory_order_relaxed);
    int done = 0;
    if (!v.streamed) {
      while (done < frames) {
        if (v.mixPosition >= v.frames) {
          v.mixPosition = 0;
          if (repeat) continue;
          EndVoice(v, state);
          break;
        }
        const int n = int(std::min<int64_t>(frames - done, v.frames - v.mixPosition));
        AddScaled(out + done * kAudioChannels, &v.samples[size_t(v.mixPosition) * kAudioChannels], n, volume);
        done += n;
        v.mixPosition += n;
      }
    } else {
      DropStaleChunks(v);
      while (done < frames) {
        const uint32_t r = v.read.load(std::memory_order_relaxed);
        if (r == v.written.load(std::memory_order_acquire)) break;  // not decoded yet: silence
        StreamChunk& c = v.chunks[r % kChunks];
        if (c.generation != v.rewindsSeen) {
          // A rewind newer than the one read above.
          v.rewindsSeen = c.generation;
          v.mixPosition = 0;
        }
        const int n = std::min(frames - done, c.frames - v.readOffset);
        AddScaled(out + done * kAudioChannels, c.data + v.readOffset * kAudioChannels, n, volume);
        done += n;
        v.readOffset += n;
        v.mixPosition += n;
        if (v.readOffset < c.frames) continue;
        // Read all of the chunk before handing it back: the decoder may refill it at once.
        const bool fileEnds = c.end;
        v.read.store(r + 1, std::memory_order_release);
        v.readOffset = 0;
        if (fileEnds) {
          v.mixPosition = 0;
          if (repeat) continue;
          EndVoice(v, state);
          break;
        }
      }
    }
  }
  v.position.store(v.mixPosition, std::memory_order_relaxed);
}

}  // namespace

AudioDevicePtr AudioDevice::Open(const std::string& name, const std::string& /*parameters*/) {
  if (name == "null") return OpenNull(NullClock::RealTime, true);
  auto device = AudioDevicePtr(new AudioDevice());
  device->StartThreads(NullClock::Manual, true);
  device->OpenOutput(nullptr);
  return device;
}

AudioDevicePtr AudioDevice::OpenInBackground(AudioOutputOpener opener) {
  auto device = AudioDevicePtr(new AudioDevice());
  device->StartThreads(NullClock::Manual, true);
  device->openerThread_ = std::thread([raw = device.get(), opener = std::move(opener)] {
    raw->OpenOutput(opener);
    SdlAudioOutput::ReleaseThreadState();
  });
  return device;
}

void AudioDevice::WaitForOutput() {
  if (openerThread_.joinable()) openerThread_.join();
}

void AudioDevice::OpenOutput(const AudioOutputOpener& opener) {
  std::string error;
  AudioRenderFunction render = [this](float* out, int frames) { Mix(out, frames); };
  std::unique_ptr<AudioOutput> output =
      opener ? opener(std::move(render), error) : std::unique_ptr<AudioOutput>(SdlAudioOutput::Open(render, error));
  if (!output) {
    std::fprintf(stderr, "audio: no output device (%s); playing silently\n", error.c_str());
    clockThread_ = std::thread(&AudioDevice::ClockLoop, this);
    return;
  }
  bufferFrames_.store(output->GetBufferFrames(), std::memory_order_relaxed);
  output_ = std::move(output);
  output_->Start();
  hasOutput_.store(true, std::memory_order_release);
}

AudioDevicePtr AudioDevice::OpenNull(NullClock clock, bool decoderThread) {
  auto device = AudioDevicePtr(new AudioDevice());
  device->StartThreads(clock, decoderThread);
  return device;
}

void AudioDevice::StartThreads(NullClock clock, bool decoderThread) {
  voices_ = std::make_shared<std::vector<std::shared_ptr<Voice>>>();
  hasDecoderThread_ = decoderThread;
  if (decoderThread) decoderThread_ = std::thread(&AudioDevice::DecoderLoop, this);
  if (!output_ && clock == NullClock::RealTime) clockThread_ = std::thread(&AudioDevice::ClockLoop, this);
}

AudioDevice::~AudioDevice() {
  WaitForOutput();  // the output and the clock are settled
  output_.reset();  // no render call after this
  {
    std::lock_guard<std::mutex> lock(decoderLock_);
    quit_ = true;
  }
  decoderWake_.notify_all();
  clockWake_.notify_all();
  if (decoderThread_.joinable()) decoderThread_.join();
  if (clockThread_.joinable()) clockThread_.join();
}

double AudioDevice::GetLatencyMs() const { return 1000.0 * GetBufferFrames() / kAudioRate; }

void AudioDevice::Mix(float* out, int frames) {
  if (frames <= 0) return;
  if (!hasDecoderThread_) {
    // Offline, the ring is emptied of what a rewind made stale before decoding, so a rewound
    // stream goes on without a gap. (With the decoder thread the gap lasts until its next pass.)
    {
      std::lock_guard<std::mutex> lock(mixLock_);
      for (const auto& voice : *voices_) {
        if (!voice->streamed) continue;
        SeeRewinds(*voice);
        DropStaleChunks(*voice);
      }
    }
    FillStreams();
  }
  std::memset(out, 0, sizeof(float) * size_t(frames) * kAudioChannels);
  {
    std::lock_guard<std::mutex> lock(mixLock_);
    for (const auto& voice : *voices_) MixVoice(*voice, out, frames);
  }
  Limit(out, frames);
  framesRendered_.fetch_add(frames, std::memory_order_relaxed);
}

void AudioDevice::Limit(float* out, int frames) {
  // In double: in float the slow recovery would stall a little under 1.
  double gain = limiterGain_;
  for (int i = 0; i < frames; ++i) {
    float* f = out + i * kAudioChannels;
    float peak = std::max(std::fabs(f[0]), std::fabs(f[1]));
    // A damaged file may decode to non-numbers or absurd values: such frames are silenced.
    if (!(peak < 1e6f)) {
      f[0] = f[1] = 0.0f;
      peak = 0.0f;
    }
    const double target = peak > kLimiterCeiling ? double(kLimiterCeiling) / peak : 1.0;
    gain = target < gain ? target : gain + (target - gain) * kLimiterRelease;
    f[0] = float(f[0] * gain);
    f[1] = float(f[1] * gain);
  }
  limiterGain_ = gain;
}

void AudioDevice::FillStreams() {
  std::shared_ptr<std::vector<std::shared_ptr<Voice>>> snapshot;
  {
    std::lock_guard<std::mutex> lock(mixLock_);
    snapshot = voices_;
  }
  std::lock_guard<std::mutex> fill(fillLock_);
  for (const auto& voice : *snapshot)
    if (voice->streamed) FillVoice(*voice);
}

void AudioDevice::WaitForStreams() {
  if (!hasDecoderThread_) {
    FillStreams();
    return;
  }
  std::unique_lock<std::mutex> lock(decoderLock_);
  // The pass under way may have begun before the call: wait for the one after it.
  const uint64_t target = decoderPasses_ + 2;
  ++streamWaiters_;
  decoderWake_.notify_all();
  decoderPassDone_.wait(lock, [&] { return decoderPasses_ >= target || quit_; });
  --streamWaiters_;
}

void AudioDevice::WakeDecoder() {
  if (!hasDecoderThread_) return;
  {
    std::lock_guard<std::mutex> lock(decoderLock_);
    decoderWakeRequested_ = true;
  }
  decoderWake_.notify_all();
}

void AudioDevice::DecoderLoop() {
  std::unique_lock<std::mutex> lock(decoderLock_);
  while (!quit_) {
    lock.unlock();
    FillStreams();
    lock.lock();
    ++decoderPasses_;
    decoderPassDone_.notify_all();
    decoderWake_.wait_for(lock, kDecoderPeriod, [&] { return quit_ || decoderWakeRequested_ || streamWaiters_ > 0; });
    decoderWakeRequested_ = false;
  }
}

void AudioDevice::ClockLoop() {
  const int frames = GetBufferFrames();
  std::vector<float> scratch(size_t(frames) * kAudioChannels);
  const auto period = std::chrono::microseconds(int64_t(1000000) * frames / kAudioRate);
  auto next = std::chrono::steady_clock::now();
  std::unique_lock<std::mutex> lock(decoderLock_);
  while (!quit_) {
    next += period;
    if (clockWake_.wait_until(lock, next, [&] { return quit_; })) break;
    lock.unlock();
    Mix(scratch.data(), frames);
    lock.lock();
  }
}

void AudioDevice::AddVoice(const std::shared_ptr<Voice>& voice) {
  std::lock_guard<std::mutex> writer(listLock_);
  auto list = std::make_shared<std::vector<std::shared_ptr<Voice>>>(*voices_);
  list->push_back(voice);
  std::lock_guard<std::mutex> lock(mixLock_);
  voices_.swap(list);
}

void AudioDevice::RemoveVoice(const Voice* voice) {
  std::shared_ptr<std::vector<std::shared_ptr<Voice>>> old;
  {
    std::lock_guard<std::mutex> writer(listLock_);
    auto list = std::make_shared<std::vector<std::shared_ptr<Voice>>>();
    list->reserve(voices_->size());
    for (const auto& v : *voices_)
      if (v.get() != voice) list->push_back(v);
    std::lock_guard<std::mutex> lock(mixLock_);
    voices_.swap(list);
    old = std::move(list);
  }
  // The old list (and with it, perhaps, the sound) is freed here, outside both locks.
}

OutputStream::OutputStream(AudioDevicePtr device, std::shared_ptr<Voice> voice, bool streamed, int64_t length)
    : device_(std::move(device)), voice_(std::move(voice)), streamed_(streamed), length_(length) {}

OutputStream::~OutputStream() {
  SetPlaying(*voice_, false);
  device_->RemoveVoice(voice_.get());
}

void OutputStream::Play() {
  if (!streamed_ && IsPlaying()) voice_->rewinds.fetch_add(1, std::memory_order_acq_rel);
  SetPlaying(*voice_, true);
}

void OutputStream::Stop() { SetPlaying(*voice_, false); }

bool OutputStream::IsPlaying() const { return voice_->state.load(std::memory_order_acquire) & 1; }

void OutputStream::Reset() {
  voice_->rewinds.fetch_add(1, std::memory_order_acq_rel);
  if (streamed_) device_->WakeDecoder();
}

void OutputStream::SetRepeat(bool repeat) { voice_->repeat.store(repeat, std::memory_order_relaxed); }
bool OutputStream::GetRepeat() const { return voice_->repeat.load(std::memory_order_relaxed); }

void OutputStream::SetVolume(float volume) {
  // The game asks for 30.0 at full volume: out-of-range values are clamped, not refused.
  voice_->volume.store(std::isnan(volume) ? 0.0f : std::clamp(volume, 0.0f, 1.0f), std::memory_order_relaxed);
}
float OutputStream::GetVolume() const { return voice_->volume.load(std::memory_order_relaxed); }

int64_t OutputStream::GetPosition() const { return voice_->position.load(std::memory_order_relaxed); }

OutputStreamPtr OpenSound(const AudioDevicePtr& device, std::unique_ptr<SampleSource> source, bool streaming,
                          std::string* error) {
  auto fail = [&](const char* why) {
    if (error) *error = why;
    return OutputStreamPtr();
  };
  if (!device) return fail("no audio device");
  if (!source) return fail("no sound source");
  auto voice = std::make_shared<Voice>();
  int64_t length = source->GetLength();
  if (!streaming) {
    if (length > 0) voice->samples.reserve(size_t(std::min(length, kMaxBufferedFrames)) * kAudioChannels);
    constexpr int kBlock = 16384;
    while (voice->frames < kMaxBufferedFrames) {
      voice->samples.resize(size_t(voice->frames + kBlock) * kAudioChannels);
      const int got = source->Read(&voice->samples[size_t(voice->frames) * kAudioChannels], kBlock);
      voice->frames += got;
      if (got < kBlock) break;
    }
    voice->samples.resize(size_t(voice->frames) * kAudioChannels);
    voice->samples.shrink_to_fit();
    if (voice->frames == 0) return fail("the sound has no samples");
    length = voice->frames;
  } else {
    voice->streamed = true;
    voice->chunks = std::make_unique<StreamChunk[]>(kChunks);
    voice->source = std::move(source);
    // The first chunks are decoded now: the stream is checked, and it starts without a gap.
    FillVoice(*voice);
    if (voice->chunks[0].frames == 0) return fail("the sound has no samples");
  }
  device->AddVoice(voice);
  if (streaming) device->WakeDecoder();
  return OutputStreamPtr(new OutputStream(device, voice, streaming, length));
}

OutputStreamPtr OpenSound(const AudioDevicePtr& device, const std::string& fileName, bool streaming,
                          std::string* error) {
  std::unique_ptr<SampleSource> source = OpenSampleSource(fileName, error);
  if (!source) return nullptr;
  return OpenSound(device, std::move(source), streaming, error);
}

}  // namespace Orva

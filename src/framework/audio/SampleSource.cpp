#include "framework/audio/SampleSource.h"

#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "framework/audio/AudioFormat.h"
#include "framework/resources/PakInterface.h"

namespace Orva {
namespace {

struct PakFileCloser {
  void operator()(PakFile* file) const { p_fclose(file); }
};
using PakFilePtr = std::unique_ptr<PakFile, PakFileCloser>;

// A file's own samples: planar-free interleaved float at its own rate and channel count.
class Decoder {
 public:
  virtual ~Decoder() = default;
  virtual int Channels() const = 0;
  virtual int Rate() const = 0;
  virtual int64_t Length() const = 0;            // frames at the file's rate, -1 when unknown
  virtual int Read(float* out, int frames) = 0;  // interleaved, Channels() per frame
  virtual bool Rewind() = 0;
};

// Sane limits for a header's numbers, so a damaged header cannot ask for absurd work.
constexpr int kMaxChannels = 8;
constexpr int kMinRate = 4000;
constexpr int kMaxRate = 192000;

uint32_t Le32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }
uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }

class WavDecoder final : public Decoder {
 public:
  static std::unique_ptr<WavDecoder> Open(PakFilePtr file, std::string& error) {
    auto d = std::unique_ptr<WavDecoder>(new WavDecoder(std::move(file)));
    return d->ReadHeader(error) ? std::move(d) : nullptr;
  }
  int Channels() const override { return channels_; }
  int Rate() const override { return rate_; }
  int64_t Length() const override { return frames_; }

  int Read(float* out, int frames) override {
    const int64_t left = frames_ - position_;
    const int want = int(std::min<int64_t>(frames, left));
    if (want <= 0) return 0;
    bytes_.resize(size_t(want) * channels_ * 2);
    // A file cut short ends the sound where its bytes end.
    const size_t got = p_fread(bytes_.data(), 1, bytes_.size(), file_.get());
    const int gotFrames = int(got / (size_t(channels_) * 2));
    for (int i = 0; i < gotFrames * channels_; ++i) out[i] = int16_t(Le16(&bytes_[size_t(i) * 2])) / 32768.0f;
    position_ += gotFrames;
    if (gotFrames < want) frames_ = position_;
    return gotFrames;
  }

  bool Rewind() override {
    position_ = 0;
    return p_fseek(file_.get(), long(dataStart_), SEEK_SET) == 0;
  }

 private:
  explicit WavDecoder(PakFilePtr file) : file_(std::move(file)) {}

  bool ReadHeader(std::string& error) {
    uint8_t riff[12];
    if (p_fread(riff, 1, 12, file_.get()) != 12 || std::memcmp(riff, "RIFF", 4) || std::memcmp(riff + 8, "WAVE", 4)) {
      error = "not a WAV file";
      return false;
    }
    bool haveFormat = false;
    for (;;) {
      uint8_t chunk[8];
      if (p_fread(chunk, 1, 8, file_.get()) != 8) {
        error = haveFormat ? "WAV file has no data" : "WAV file has no format";
        return false;
      }
      const uint32_t size = Le32(chunk + 4);
      const long start = p_ftell(file_.get());
      if (std::memcmp(chunk, "fmt ", 4) == 0) {
        uint8_t fmt[24] = {};
        if (size < 16 || p_fread(fmt, 1, std::min<uint32_t>(size, 24), file_.get()) < 16) {
          error = "WAV format chunk cut short";
          return false;
        }
        uint16_t tag = Le16(fmt);
        // The extensible form names the real format in its sub-format GUID's first two bytes.
        if (tag == 0xFFFE && size >= 26) {
          uint8_t ext[26];
          p_fseek(file_.get(), start + 24, SEEK_SET);
          tag = p_fread(ext, 1, 2, file_.get()) == 2 ? Le16(ext) : 0;
        }
        channels_ = Le16(fmt + 2);
        rate_ = int(Le32(fmt + 4));
        const int bits = Le16(fmt + 14);
        if (tag != 1 || bits != 16) {
          error = "WAV file is not 16-bit PCM";
          return false;
        }
        if (channels_ < 1 || channels_ > kMaxChannels || rate_ < kMinRate || rate_ > kMaxRate) {
          error = "WAV file has an unsupported channel count or rate";
          return false;
        }
        haveFormat = true;
      } else if (std::memcmp(chunk, "data", 4) == 0) {
        if (!haveFormat) {
          error = "WAV data before its format";
          return false;
        }
        dataStart_ = start;
        frames_ = size / (uint32_t(channels_) * 2);
        if (frames_ == 0) {
          error = "WAV file has no samples";
          return false;
        }
        return true;
      }
      // Chunks are padded to even sizes.
      if (p_fseek(file_.get(), start + long(size) + long(size & 1), SEEK_SET) != 0) {
        error = "WAV file cut short";
        return false;
      }
    }
  }

  PakFilePtr file_;
  std::vector<uint8_t> bytes_;
  int channels_ = 0;
  int rate_ = 0;
  long dataStart_ = 0;
  int64_t frames_ = 0;
  int64_t position_ = 0;
};

size_t OggRead(void* ptr, size_t size, size_t count, void* file) {
  return p_fread(ptr, size, count, static_cast<PakFile*>(file));
}
int OggSeek(void* file, ogg_int64_t offset, int whence) {
  return p_fseek(static_cast<PakFile*>(file), long(offset), whence);
}
long OggTell(void* file) { return p_ftell(static_cast<PakFile*>(file)); }

class OggDecoder final : public Decoder {
 public:
  static std::unique_ptr<OggDecoder> Open(PakFilePtr file, std::string& error) {
    auto d = std::unique_ptr<OggDecoder>(new OggDecoder(std::move(file)));
    // The file stays ours: vorbisfile gets no close function.
    const ov_callbacks callbacks = {OggRead, OggSeek, nullptr, OggTell};
    if (ov_open_callbacks(d->file_.get(), &d->vorbis_, nullptr, 0, callbacks) < 0) {
      error = "not a readable Ogg Vorbis file";
      return nullptr;
    }
    d->open_ = true;
    const vorbis_info* info = ov_info(&d->vorbis_, -1);
    if (!info || info->channels < 1 || info->channels > kMaxChannels || info->rate < kMinRate ||
        info->rate > kMaxRate) {
      error = "Ogg Vorbis file has an unsupported channel count or rate";
      return nullptr;
    }
    d->channels_ = info->channels;
    d->rate_ = int(info->rate);
    const ogg_int64_t total = ov_pcm_total(&d->vorbis_, -1);
    d->length_ = total >= 0 ? total : -1;
    return d;
  }
  ~OggDecoder() override {
    if (open_) ov_clear(&vorbis_);
  }
  int Channels() const override { return channels_; }
  int Rate() const override { return rate_; }
  int64_t Length() const override { return length_; }

  int Read(float* out, int frames) override {
    int done = 0;
    int holes = 0;
    while (done < frames && !ended_) {
      float** pcm = nullptr;
      int section = 0;
      const long n = ov_read_float(&vorbis_, &pcm, frames - done, &section);
      if (n == OV_HOLE && ++holes < 16) continue;  // a gap in the data: carry on after it
      if (n <= 0) {
        ended_ = true;  // the end, or damage that cannot be read past
        break;
      }
      // A chained stream may change its channel count; map what there is onto ours.
      const vorbis_info* info = ov_info(&vorbis_, section);
      const int have = info ? info->channels : channels_;
      for (long i = 0; i < n; ++i)
        for (int c = 0; c < channels_; ++c) out[(done + i) * channels_ + c] = pcm[std::min(c, have - 1)][i];
      done += int(n);
    }
    return done;
  }

  bool Rewind() override {
    ended_ = ov_pcm_seek(&vorbis_, 0) != 0;
    return !ended_;
  }

 private:
  explicit OggDecoder(PakFilePtr file) : file_(std::move(file)) {}

  PakFilePtr file_;
  OggVorbis_File vorbis_{};
  bool open_ = false;
  bool ended_ = false;
  int channels_ = 0;
  int rate_ = 0;
  int64_t length_ = -1;
};

// Turns a decoder's frames into stereo at the output rate: mono goes to both sides, more than two
// channels keep the first two; other rates are converted by linear interpolation.
class ConvertingSource final : public SampleSource {
 public:
  explicit ConvertingSource(std::unique_ptr<Decoder> decoder)
      : decoder_(std::move(decoder)), step_(double(decoder_->Rate()) / kAudioRate) {}

  int Read(float* out, int frames) override {
    if (decoder_->Rate() == kAudioRate) return ReadStereo(out, frames);
    int done = 0;
    while (done < frames) {
      while (phase_ >= 1.0) {
        prev_[0] = next_[0];
        prev_[1] = next_[1];
        if (!NextFrame(next_)) return done;
        phase_ -= 1.0;
      }
      const float t = float(phase_);
      out[done * 2] = prev_[0] + (next_[0] - prev_[0]) * t;
      out[done * 2 + 1] = prev_[1] + (next_[1] - prev_[1]) * t;
      phase_ += step_;
      ++done;
    }
    return done;
  }

  bool Reset() override {
    pending_ = used_ = 0;
    primed_ = false;
    phase_ = 2.0;
    return decoder_->Rewind();
  }

  int64_t GetLength() const override {
    const int64_t n = decoder_->Length();
    return n < 0 ? -1 : int64_t(double(n) / step_);
  }

 private:
  // Stereo frames at the file's rate.
  int ReadStereo(float* out, int frames) {
    const int channels = decoder_->Channels();
    if (channels == 2) return decoder_->Read(out, frames);
    int done = 0;
    while (done < frames) {
      const int want = std::min(frames - done, kBlock);
      native_.resize(size_t(kBlock) * channels);
      const int got = decoder_->Read(native_.data(), want);
      for (int i = 0; i < got; ++i) {
        out[(done + i) * 2] = native_[size_t(i) * channels];
        out[(done + i) * 2 + 1] = native_[size_t(i) * channels + (channels > 1 ? 1 : 0)];
      }
      done += got;
      if (got < want) break;
    }
    return done;
  }

  bool NextFrame(float* frame) {
    if (used_ == pending_) {
      stereo_.resize(size_t(kBlock) * 2);
      pending_ = ReadStereo(stereo_.data(), kBlock);
      used_ = 0;
      if (pending_ == 0) return false;
    }
    frame[0] = stereo_[size_t(used_) * 2];
    frame[1] = stereo_[size_t(used_) * 2 + 1];
    ++used_;
    if (!primed_) {
      // The first output frame is the file's first frame exactly.
      primed_ = true;
      prev_[0] = frame[0];
      prev_[1] = frame[1];
    }
    return true;
  }

  static constexpr int kBlock = 1024;
  std::unique_ptr<Decoder> decoder_;
  const double step_;
  std::vector<float> native_;
  std::vector<float> stereo_;
  int pending_ = 0;
  int used_ = 0;
  bool primed_ = false;
  double phase_ = 2.0;  // forces two frames in before the first output
  float prev_[2] = {};
  float next_[2] = {};
};

}  // namespace

std::unique_ptr<SampleSource> OpenSampleSource(const std::string& fileName, std::string* error) {
  std::string why;
  std::unique_ptr<Decoder> decoder;
  PakFilePtr file(p_fopen(fileName.c_str(), "rb"));
  if (!file) {
    why = "cannot open the file";
  } else {
    uint8_t magic[4] = {};
    const size_t got = p_fread(magic, 1, 4, file.get());
    if (got == 0) {
      why = "the file is empty";
    } else if (got < 4 || p_fseek(file.get(), 0, SEEK_SET) != 0) {
      why = "not a sound file";
    } else if (std::memcmp(magic, "OggS", 4) == 0) {
      decoder = OggDecoder::Open(std::move(file), why);
    } else if (std::memcmp(magic, "RIFF", 4) == 0) {
      decoder = WavDecoder::Open(std::move(file), why);
    } else {
      why = "not a sound file";
    }
  }
  if (!decoder) {
    if (error) *error = fileName + ": " + why;
    return nullptr;
  }
  return std::make_unique<ConvertingSource>(std::move(decoder));
}

}  // namespace Orva

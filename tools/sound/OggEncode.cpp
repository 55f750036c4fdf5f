// oggencode: encodes a 16-bit PCM WAV file (mono or stereo, 44.1 kHz) to Ogg Vorbis.
//   oggencode IN.wav OUT.ogg [--quality Q]     Q from -0.1 to 1.0, default 0.4
// The output depends only on the input and the quality: the stream serial number is fixed and no
// time or random field is written, so building the game's sounds twice gives identical files.

#include <vorbis/vorbisenc.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kSampleRate = 44100;
constexpr int kSerialNumber = 0x4d56534e;
constexpr long kBlockFrames = 4096;
constexpr float kDefaultQuality = 0.4f;

struct Pcm {
  int channels = 0;
  std::vector<int16_t> samples;  // interleaved
};

int Usage() {
  std::fprintf(stderr, "usage: oggencode IN.wav OUT.ogg [--quality Q]   (Q from -0.1 to 1.0, default %.1f)\n",
               double(kDefaultQuality));
  return 2;
}

bool ReadFile(const std::string& path, std::vector<unsigned char>& bytes, std::string& error) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) {
    error = std::strerror(errno);
    return false;
  }
  unsigned char buffer[65536];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.insert(bytes.end(), buffer, buffer + got);
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) error = "read error";
  return !failed;
}

uint32_t Le32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }
uint16_t Le16(const unsigned char* p) { return uint16_t(p[0] | p[1] << 8); }

// Walks the RIFF chunks; only "fmt " and "data" matter, the others (LIST, fact...) are skipped.
bool ParseWav(const std::vector<unsigned char>& bytes, Pcm& pcm, std::string& error) {
  if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 || std::memcmp(bytes.data() + 8, "WAVE", 4) != 0) {
    error = "not a RIFF WAVE file";
    return false;
  }
  bool haveFormat = false;
  const unsigned char* data = nullptr;
  size_t dataSize = 0;
  size_t pos = 12;
  while (pos + 8 <= bytes.size()) {
    const unsigned char* chunk = bytes.data() + pos;
    const size_t size = Le32(chunk + 4);
    const size_t available = bytes.size() - pos - 8;
    if (std::memcmp(chunk, "fmt ", 4) == 0) {
      if (size < 16 || size > available) {
        error = "format chunk is truncated";
        return false;
      }
      const uint16_t tag = Le16(chunk + 8);
      const uint16_t bits = Le16(chunk + 22);
      // WAVE_FORMAT_EXTENSIBLE (0xFFFE) carries PCM in its sub-format; the first two bytes say which.
      const bool pcmTag = tag == 1 || (tag == 0xFFFE && size >= 26 && Le16(chunk + 32) == 1);
      if (!pcmTag || bits != 16) {
        error = "only 16-bit PCM is supported";
        return false;
      }
      pcm.channels = Le16(chunk + 10);
      if (pcm.channels != 1 && pcm.channels != 2) {
        error = "only mono or stereo is supported (file has " + std::to_string(pcm.channels) + " channels)";
        return false;
      }
      if (Le32(chunk + 12) != kSampleRate) {
        error = "sample rate must be 44100 Hz (file has " + std::to_string(Le32(chunk + 12)) + ")";
        return false;
      }
      haveFormat = true;
    } else if (std::memcmp(chunk, "data", 4) == 0) {
      // A writer that could not seek back leaves the size too large; take what is there.
      data = chunk + 8;
      dataSize = size < available ? size : available;
      break;
    }
    if (size > available) break;
    pos += 8 + size + (size & 1);
  }
  if (!haveFormat) {
    error = "no format chunk before the data";
    return false;
  }
  if (!data) {
    error = "no data chunk";
    return false;
  }
  const size_t frameBytes = size_t(2 * pcm.channels);
  const size_t frames = dataSize / frameBytes;
  pcm.samples.resize(frames * pcm.channels);
  for (size_t i = 0; i < pcm.samples.size(); ++i) pcm.samples[i] = int16_t(Le16(data + 2 * i));
  return true;
}

bool WritePages(FILE* out, ogg_stream_state& stream, bool flush) {
  ogg_page page;
  while (flush ? ogg_stream_flush(&stream, &page) : ogg_stream_pageout(&stream, &page)) {
    if (std::fwrite(page.header, 1, size_t(page.header_len), out) != size_t(page.header_len) ||
        std::fwrite(page.body, 1, size_t(page.body_len), out) != size_t(page.body_len))
      return false;
  }
  return true;
}

bool Encode(const Pcm& pcm, float quality, FILE* out, std::string& error) {
  vorbis_info info;
  vorbis_info_init(&info);
  if (vorbis_encode_init_vbr(&info, pcm.channels, kSampleRate, quality) != 0) {
    vorbis_info_clear(&info);
    error = "the encoder refused the settings";
    return false;
  }
  vorbis_comment comment;
  vorbis_comment_init(&comment);
  vorbis_dsp_state dsp;
  vorbis_block block;
  vorbis_analysis_init(&dsp, &info);
  vorbis_block_init(&dsp, &block);
  ogg_stream_state stream;
  ogg_stream_init(&stream, kSerialNumber);

  bool ok = true;
  ogg_packet id, comments, codebooks;
  vorbis_analysis_headerout(&dsp, &comment, &id, &comments, &codebooks);
  ogg_stream_packetin(&stream, &id);
  ogg_stream_packetin(&stream, &comments);
  ogg_stream_packetin(&stream, &codebooks);
  // The headers end on their own page, as decoders expect.
  ok = WritePages(out, stream, true);

  const long frames = long(pcm.samples.size()) / pcm.channels;
  long done = 0;
  bool ended = false;
  while (ok && !ended) {
    const long count = frames - done < kBlockFrames ? frames - done : kBlockFrames;
    if (count == 0) {
      vorbis_analysis_wrote(&dsp, 0);
    } else {
      float** buffer = vorbis_analysis_buffer(&dsp, int(count));
      for (long i = 0; i < count; ++i)
        for (int c = 0; c < pcm.channels; ++c)
          buffer[c][i] = float(pcm.samples[size_t((done + i) * pcm.channels + c)]) / 32768.0f;
      vorbis_analysis_wrote(&dsp, int(count));
      done += count;
    }
    while (ok && vorbis_analysis_blockout(&dsp, &block) == 1) {
      vorbis_analysis(&block, nullptr);
      vorbis_bitrate_addblock(&block);
      ogg_packet packet;
      while (ok && vorbis_bitrate_flushpacket(&dsp, &packet)) {
        ogg_stream_packetin(&stream, &packet);
        ok = WritePages(out, stream, false);
        if (packet.e_o_s) ended = true;
      }
    }
    if (count == 0) ended = true;
  }
  if (ok) ok = WritePages(out, stream, true);
  if (!ok) error = std::string("write failed: ") + std::strerror(errno);

  ogg_stream_clear(&stream);
  vorbis_block_clear(&block);
  vorbis_dsp_clear(&dsp);
  vorbis_comment_clear(&comment);
  vorbis_info_clear(&info);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 5) return Usage();
  const std::string inPath = argv[1], outPath = argv[2];
  float quality = kDefaultQuality;
  if (argc == 5) {
    char* end = nullptr;
    const double q = std::strtod(argv[4], &end);
    if (std::strcmp(argv[3], "--quality") != 0 || end == argv[4] || *end != '\0' || !(q >= -0.1 && q <= 1.0))
      return Usage();
    quality = float(q);
  }

  std::vector<unsigned char> bytes;
  std::string error;
  if (!ReadFile(inPath, bytes, error)) {
    std::fprintf(stderr, "oggencode: %s: %s\n", inPath.c_str(), error.c_str());
    return 1;
  }
  Pcm pcm;
  if (!ParseWav(bytes, pcm, error)) {
    std::fprintf(stderr, "oggencode: %s: %s\n", inPath.c_str(), error.c_str());
    return 1;
  }

  // Written beside the target and renamed, so a failure never leaves a half file under the real name.
  const std::string tmpPath = outPath + ".tmp";
  FILE* out = std::fopen(tmpPath.c_str(), "wb");
  if (!out) {
    std::fprintf(stderr, "oggencode: %s: %s\n", tmpPath.c_str(), std::strerror(errno));
    return 1;
  }
  bool ok = Encode(pcm, quality, out, error);
  if (std::fclose(out) != 0 && ok) {
    ok = false;
    error = std::string("write failed: ") + std::strerror(errno);
  }
  if (ok && std::rename(tmpPath.c_str(), outPath.c_str()) != 0) {
    ok = false;
    error = std::string("cannot rename into place: ") + std::strerror(errno);
  }
  if (!ok) {
    std::remove(tmpPath.c_str());
    std::fprintf(stderr, "oggencode: %s: %s\n", outPath.c_str(), error.c_str());
    return 1;
  }
  return 0;
}

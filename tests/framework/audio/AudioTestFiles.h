#pragma once

// Test sounds made in the test itself: 16-bit PCM WAV files and Ogg Vorbis files encoded with the
// reference encoder, from sample values the tests know.

#include <vorbis/vorbisenc.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace Orva::Testing {

// Interleaved 16-bit samples as a WAV file's bytes.
inline std::string WavBytes(const std::vector<int16_t>& samples, int channels, int rate, int bits = 16) {
  std::string b;
  auto u32 = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(char(v >> (8 * i)));
  };
  auto u16 = [&](uint16_t v) {
    b.push_back(char(v));
    b.push_back(char(v >> 8));
  };
  const uint32_t dataBytes = uint32_t(samples.size() * 2);
  b += "RIFF";
  u32(36 + 8 + dataBytes + 8);
  b += "WAVE";
  // An unknown chunk before the format, as some editors write: it must be skipped.
  b += "LIST";
  u32(4);
  b += "INFO";
  b += "fmt ";
  u32(16);
  u16(1);
  u16(uint16_t(channels));
  u32(uint32_t(rate));
  u32(uint32_t(rate * channels * bits / 8));
  u16(uint16_t(channels * bits / 8));
  u16(uint16_t(bits));
  b += "data";
  u32(dataBytes);
  for (int16_t s : samples) u16(uint16_t(s));
  return b;
}

// A stereo ramp whose every frame differs: left counts up, right counts down.
inline std::vector<int16_t> StereoRamp(int frames, int start = 0) {
  std::vector<int16_t> s;
  for (int i = 0; i < frames; ++i) {
    s.push_back(int16_t((start + i) % 20000));
    s.push_back(int16_t(-((start + i) % 20000)));
  }
  return s;
}

// Interleaved float samples encoded as an Ogg Vorbis file (quality 0.5, fixed serial number).
inline std::string OggBytes(const std::vector<float>& samples, int channels, int rate) {
  vorbis_info vi;
  vorbis_info_init(&vi);
  vorbis_encode_init_vbr(&vi, channels, rate, 0.5f);
  vorbis_comment vc;
  vorbis_comment_init(&vc);
  vorbis_dsp_state vd;
  vorbis_analysis_init(&vd, &vi);
  vorbis_block vb;
  vorbis_block_init(&vd, &vb);
  ogg_stream_state os;
  ogg_stream_init(&os, 1234);
  std::string out;
  ogg_page og;
  ogg_packet op;
  auto writePage = [&] {
    out.append(reinterpret_cast<const char*>(og.header), size_t(og.header_len));
    out.append(reinterpret_cast<const char*>(og.body), size_t(og.body_len));
  };
  ogg_packet header, comments, codebooks;
  vorbis_analysis_headerout(&vd, &vc, &header, &comments, &codebooks);
  ogg_stream_packetin(&os, &header);
  ogg_stream_packetin(&os, &comments);
  ogg_stream_packetin(&os, &codebooks);
  while (ogg_stream_flush(&os, &og)) writePage();
  const long frames = long(samples.size()) / channels;
  long done = 0;
  bool eos = false;
  while (!eos) {
    const long n = std::min(1024L, frames - done);
    if (n > 0) {
      float** buffer = vorbis_analysis_buffer(&vd, int(n));
      for (long i = 0; i < n; ++i)
        for (int c = 0; c < channels; ++c) buffer[c][i] = samples[size_t((done + i) * channels + c)];
      vorbis_analysis_wrote(&vd, int(n));
      done += n;
    } else {
      vorbis_analysis_wrote(&vd, 0);
    }
    while (vorbis_analysis_blockout(&vd, &vb) == 1) {
      vorbis_analysis(&vb, nullptr);
      vorbis_bitrate_addblock(&vb);
      while (vorbis_bitrate_flushpacket(&vd, &op)) {
        ogg_stream_packetin(&os, &op);
        while (ogg_stream_pageout(&os, &og)) {
          writePage();
          if (ogg_page_eos(&og)) eos = true;
        }
      }
    }
  }
  ogg_stream_clear(&os);
  vorbis_block_clear(&vb);
  vorbis_dsp_clear(&vd);
  vorbis_comment_clear(&vc);
  vorbis_info_clear(&vi);
  return out;
}

// A stereo sine (left at f, right at 1.5 f) of the given amplitude.
inline std::vector<float> StereoSine(int frames, int rate, double frequency, float amplitude) {
  std::vector<float> s;
  for (int i = 0; i < frames; ++i) {
    s.push_back(amplitude * float(std::sin(2 * M_PI * frequency * i / rate)));
    s.push_back(amplitude * float(std::sin(2 * M_PI * frequency * 1.5 * i / rate)));
  }
  return s;
}

}  // namespace Orva::Testing

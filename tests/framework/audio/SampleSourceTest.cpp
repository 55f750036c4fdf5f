#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "framework/audio/AudioFormat.h"
#include "framework/audio/AudioTestFiles.h"
#include "framework/audio/SampleSource.h"
#include "framework/resources/PakFormat.h"
#include "framework/resources/PakInterface.h"
#include "support/TempFolder.h"

using namespace Orva;
using Orva::Testing::TempFolder;

namespace {

std::vector<float> ReadAll(SampleSource& source) {
  std::vector<float> all;
  std::vector<float> block(1000 * 2);
  for (;;) {
    const int got = source.Read(block.data(), 1000);
    all.insert(all.end(), block.begin(), block.begin() + got * 2);
    if (got < 1000) return all;
  }
}

class SampleSourceTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& bytes) {
    folder.Write(name, bytes);
    return (folder / name).string();
  }
  std::unique_ptr<SampleSource> Open(const std::string& path) {
    error.clear();
    return OpenSampleSource(path, &error);
  }
  TempFolder folder{"audio_source"};
  std::string error;
};

TEST_F(SampleSourceTest, WavStereoReadsItsSamplesExactly) {
  auto source = Open(Write("ramp.wav", Testing::WavBytes(Testing::StereoRamp(3000), 2, kAudioRate)));
  ASSERT_TRUE(source) << error;
  EXPECT_EQ(source->GetLength(), 3000);
  const std::vector<float> all = ReadAll(*source);
  ASSERT_EQ(all.size(), 6000u);
  EXPECT_FLOAT_EQ(all[2 * 1234], 1234 / 32768.0f);
  EXPECT_FLOAT_EQ(all[2 * 1234 + 1], -1234 / 32768.0f);
  std::vector<float> first(20);
  EXPECT_EQ(source->Read(first.data(), 10), 0);  // ended stays ended
  ASSERT_TRUE(source->Reset());
  ASSERT_EQ(source->Read(first.data(), 1), 1);
  EXPECT_EQ(first[0], 0.0f);
}

TEST_F(SampleSourceTest, MonoGoesToBothSidesAndOtherRatesAreConverted) {
  std::vector<int16_t> mono;
  for (int i = 0; i < 1000; ++i) mono.push_back(int16_t(i * 10));
  auto same = Open(Write("mono.wav", Testing::WavBytes(mono, 1, kAudioRate)));
  ASSERT_TRUE(same) << error;
  std::vector<float> all = ReadAll(*same);
  ASSERT_EQ(all.size(), 2000u);
  EXPECT_EQ(all[2 * 500], all[2 * 500 + 1]);
  EXPECT_FLOAT_EQ(all[2 * 500], 5000 / 32768.0f);

  // At half the rate each file frame lasts two output frames; between two file frames the output
  // is their midpoint (a straight line from 0 to 9990).
  auto half = Open(Write("half.wav", Testing::WavBytes(mono, 1, kAudioRate / 2)));
  ASSERT_TRUE(half) << error;
  EXPECT_EQ(half->GetLength(), 2000);
  all = ReadAll(*half);
  ASSERT_GE(all.size(), 2u * 1998);
  EXPECT_FLOAT_EQ(all[0], 0.0f);
  EXPECT_FLOAT_EQ(all[2 * 100], 500 / 32768.0f);
  EXPECT_FLOAT_EQ(all[2 * 101], 505 / 32768.0f);
}

TEST_F(SampleSourceTest, OggDecodesCloseToWhatWasEncoded) {
  const std::vector<float> sine = Testing::StereoSine(kAudioRate / 2, kAudioRate, 440, 0.5f);
  auto source = Open(Write("sine.ogg", Testing::OggBytes(sine, 2, kAudioRate)));
  ASSERT_TRUE(source) << error;
  EXPECT_EQ(source->GetLength(), kAudioRate / 2);
  const std::vector<float> all = ReadAll(*source);
  ASSERT_EQ(all.size(), sine.size());
  double error2 = 0, signal2 = 0;
  for (size_t i = 0; i < all.size(); ++i) {
    error2 += (all[i] - sine[i]) * (all[i] - sine[i]);
    signal2 += sine[i] * sine[i];
  }
  EXPECT_LT(error2 / signal2, 0.01);  // better than 20 dB signal to noise
}

TEST_F(SampleSourceTest, BadFilesFailWithAReason) {
  const std::string ogg = Testing::OggBytes(Testing::StereoSine(8000, kAudioRate, 300, 0.5f), 2, kAudioRate);
  std::string junk(4000, '\0');
  std::mt19937 random(7);
  for (char& c : junk) c = char(random());
  std::string oggHeaderThenJunk = ogg.substr(0, 60) + junk;
  const std::string wav8 = Testing::WavBytes(Testing::StereoRamp(100), 2, kAudioRate, 8);
  const std::string wavNoData = Testing::WavBytes({}, 2, kAudioRate);
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"empty.ogg", ""},
      {"text.ogg", "This is not a sound at all.\n"},
      {"abc", "ab"},
      {"random.ogg", junk},
      {"truncated_header.ogg", ogg.substr(0, 100)},
      {"broken_header.ogg", oggHeaderThenJunk},
      {"eight_bit.wav", wav8},
      {"no_samples.wav", wavNoData},
      {"riff_only.wav", "RIFF"},
  };
  for (const auto& [name, bytes] : cases) {
    EXPECT_FALSE(Open(Write(name, bytes))) << name;
    EXPECT_NE(error.find(name), std::string::npos) << error;
  }
  EXPECT_FALSE(Open((folder / "missing.ogg").string()));
  EXPECT_NE(error.find("missing.ogg"), std::string::npos);
}

TEST_F(SampleSourceTest, DamagedSoundDataEndsOrPlaysOnWithoutHarm) {
  std::string ogg = Testing::OggBytes(Testing::StereoSine(kAudioRate, kAudioRate, 300, 0.5f), 2, kAudioRate);
  const std::string cut = ogg.substr(0, ogg.size() / 2);
  std::mt19937 random(11);
  std::string scrambled = ogg;
  for (size_t i = scrambled.size() / 3; i < scrambled.size(); i += 7) scrambled[i] = char(random());
  const std::string wav = Testing::WavBytes(Testing::StereoRamp(2000), 2, kAudioRate);
  for (const auto& [name, bytes] : std::vector<std::pair<std::string, std::string>>{
           {"cut.ogg", cut}, {"scrambled.ogg", scrambled}, {"cut.wav", wav.substr(0, wav.size() / 2)}}) {
    auto source = Open(Write(name, bytes));
    if (!source) continue;  // refusing is as good as playing what is there
    const std::vector<float> all = ReadAll(*source);
    EXPECT_LT(all.size(), 2u * kAudioRate) << name;
    for (float s : all) ASSERT_TRUE(std::isfinite(s)) << name;
  }
}

TEST_F(SampleSourceTest, OpensSoundsFromTheArchive) {
  const std::string wav = Testing::WavBytes(Testing::StereoRamp(500, 100), 2, kAudioRate);
  const std::string ogg = Testing::OggBytes(Testing::StereoSine(4000, kAudioRate, 300, 0.5f), 2, kAudioRate);
  const std::vector<uint8_t> image = BuildPakImage({
      {"audiotest\\tone.wav", std::vector<uint8_t>(wav.begin(), wav.end()), 0},
      {"audiotest\\tone.ogg", std::vector<uint8_t>(ogg.begin(), ogg.end()), 0},
  });
  const std::string pak = Write("sounds.pak", std::string(image.begin(), image.end()));
  ASSERT_TRUE(GetPakInterfaceImpl()->AddPakFile(pak));

  auto fromWav = Open("audiotest/tone.wav");
  ASSERT_TRUE(fromWav) << error;
  std::vector<float> frame(2);
  ASSERT_EQ(fromWav->Read(frame.data(), 1), 1);
  EXPECT_FLOAT_EQ(frame[0], 100 / 32768.0f);
  auto fromOgg = Open("AUDIOTEST\\TONE.OGG");
  ASSERT_TRUE(fromOgg) << error;
  EXPECT_EQ(ReadAll(*fromOgg).size(), 8000u);
}

}  // namespace

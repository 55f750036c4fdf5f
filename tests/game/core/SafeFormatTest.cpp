#include <gtest/gtest.h>

#include <climits>

#include "game/core/SafeFormat.h"
#include "game/core/StringTable.h"

namespace Orva {
namespace {

class GameFormats : public ::testing::Test {
 protected:
  void SetUp() override { table_.Load(std::string(ORVA_SOURCE_DIR) + "/data/properties/strt.txt"); }
  const std::string& S(int i) const { return table_.Get(i); }
  StringTable table_;
};

TEST_F(GameFormats, HudAndMapFormats) {
  EXPECT_EQ(SafeFormat(S(27), {3, 2, 5, 4, 12345}), "Level: 3\nStage: 2 of 5\nLives: 4\nScore: 12345");
  EXPECT_EQ(SafeFormat(S(29), {3, 2}), "Level 3 - Stage 2");
  EXPECT_EQ(SafeFormat(S(36), {9}), "Triple! x9");
  EXPECT_EQ(SafeFormat(S(69), {S(52)}), "Speed: Swift");
}

TEST_F(GameFormats, ResultTextsJoinedWithTheTime) {
  // Story: stage score, total, minutes, seconds, shots, largest group.
  EXPECT_EQ(SafeFormat(S(62) + " 0%i:" + "0%i" + S(63), {1500, 21500, 5, 7, 42, 9}),
            "Stage score: 1500\nTotal score: 21500\nTime: 05:07\nShots: 42\nLongest chain: 9");
  EXPECT_EQ(SafeFormat(S(62) + "%i:" + "%i" + S(63), {1500, 21500, 12, 34, 42, 9}),
            "Stage score: 1500\nTotal score: 21500\nTime:12:34\nShots: 42\nLongest chain: 9");
  // Endless and custom: stage score, minutes, seconds, shots, largest group.
  EXPECT_EQ(SafeFormat(S(64) + " 0%i:" + " 0%i" + S(65), {800, 5, 7, 30, 6}),
            "Score: 800\nTime: 05: 07\nShots: 30\nLongest chain: 6");
  // The last endless result: score, speed name, minutes, seconds, longest chain.
  EXPECT_EQ(SafeFormat(S(67) + " 0%i:" + "%i" + S(68), {5000, S(54), 3, 15, 11}),
            "Last game: 5000 points\nSpeed: Frantic\nTime: 03:15\nLongest chain: 11");
}

TEST_F(GameFormats, StringsWithoutPlaceholdersComeOutUnchanged) {
  for (int i = 0; i < StringTable::kCount; ++i) {
    if (S(i).find('%') != std::string::npos) continue;
    EXPECT_EQ(SafeFormat(S(i), {}), S(i)) << i;
    EXPECT_EQ(SafeFormat(S(i), {1, "x"}), S(i)) << i;
  }
}

TEST(SafeFormat, AcceptedConversions) {
  EXPECT_EQ(SafeFormat("%d/%i/%s", {1, -2, "three"}), "1/-2/three");
  EXPECT_EQ(SafeFormat("%02d:%02d", {5, 7}), "05:07");
  EXPECT_EQ(SafeFormat("[%-3d][%3d][%+d][% d][%.3d]", {7, 7, 7, 7, 7}), "[7  ][  7][+7][ 7][007]");
  EXPECT_EQ(SafeFormat("[%5s][%-5s][%.2s]", {"ab", "ab", "abc"}), "[   ab][ab   ][ab]");
  EXPECT_EQ(SafeFormat("%d %d", {INT_MIN, INT_MAX}), "-2147483648 2147483647");
  EXPECT_EQ(SafeFormat("100%% of %d", {3}), "100% of 3");
  EXPECT_EQ(SafeFormat("%%d", {3}), "%d");
  EXPECT_EQ(SafeFormat("%64d", {1}), std::string(63, ' ') + "1");
  const std::string name = "Ann";
  EXPECT_EQ(SafeFormat("%s", {name}), "Ann");
  EXPECT_EQ(SafeFormat("%s", {static_cast<const char*>(nullptr)}), "");
}

TEST(SafeFormat, HostileFormatsRenderLiterally) {
  EXPECT_EQ(SafeFormat("%s", {5}), "%s");
  EXPECT_EQ(SafeFormat("%d", {"text"}), "%d");
  EXPECT_EQ(SafeFormat("%d%d%d", {1}), "1%d%d");
  EXPECT_EQ(SafeFormat("%s%s", {}), "%s%s");
  EXPECT_EQ(SafeFormat("%n", {1}), "%n");
  EXPECT_EQ(SafeFormat("%999999d", {1}), "%999999d");
  EXPECT_EQ(SafeFormat("%99999999999999999999d", {1}), "%99999999999999999999d");
  EXPECT_EQ(SafeFormat("%.65d|%65s", {1, "x"}), "%.65d|%65s");
  EXPECT_EQ(SafeFormat("%", {1}), "%");
  EXPECT_EQ(SafeFormat("100%", {1}), "100%");
  EXPECT_EQ(SafeFormat("%5", {1}), "%5");
  EXPECT_EQ(SafeFormat("%*d", {5, 6}), "%*d");
  EXPECT_EQ(SafeFormat("%ld %lld %hd %x %p %c %f", {1, 2, 3, 4, 5, 6, 7}), "%ld %lld %hd %x %p %c %f");
  EXPECT_EQ(SafeFormat("%1$d", {1}), "%1$d");
}

TEST(SafeFormat, WrongConversionsKeepLaterOnesInPlace) {
  // A mismatched conversion still uses up its value, so the next one gets its own.
  EXPECT_EQ(SafeFormat("Level %s - Stage %i", {3, 2}), "Level %s - Stage 2");
  // Unknown conversions take no value.
  EXPECT_EQ(SafeFormat("%*d %d", {5}), "%*d 5");
  EXPECT_EQ(SafeFormat("%n%d", {4}), "%n4");
  // Values nobody asks for are not shown.
  EXPECT_EQ(SafeFormat("plain", {1, "two"}), "plain");
}

TEST(SafeFormat, AnyShortFormatIsSafe) {
  // Every format of up to three characters from the characters that matter: no crash, and the
  // output never grows beyond the format plus the two values at the widest allowed width.
  const std::string alphabet = "%ds*.0-9n ";
  std::string format;
  for (char a : alphabet) {
    for (char b : alphabet) {
      for (char c : alphabet) {
        format = {'%', a, b, c};
        const std::string out = SafeFormat(format, {12345, "text"});
        EXPECT_LE(out.size(), format.size() + 2 * size_t(kMaxFormatWidth)) << format;
      }
    }
  }
}

}  // namespace
}  // namespace Orva

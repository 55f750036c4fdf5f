// The text card drawn headless: deterministic, opaque, with text where the samples are, and with
// the bitmap font the build makes (or a note where it would be).
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>

#include "demo/TextCard.h"
#include "framework/graphics/ImageHost.h"
#include "framework/graphics/MemoryImage.h"

namespace Orva {
namespace {

const std::string kGameFont = std::string(ORVA_GAME_DIR "/") + kTextCardFont;

TEST(TextCardTest, DrawsTheSameOpaqueCardEveryTimeWithTextOnIt) {
  std::recursive_mutex lock;
  ImageRegistry images(lock);
  MemoryImage first(&images), second(&images);
  for (MemoryImage* screen : {&first, &second}) {
    screen->Create(640, 480);
    Graphics g(screen);
    TextCard(&images, kGameFont).Draw(g);
  }
  const uint32_t* a = first.GetPixels();
  const uint32_t* b = second.GetPixels();
  int lit = 0;
  for (int i = 0; i < 640 * 480; ++i) {
    ASSERT_EQ(a[i], b[i]);
    ASSERT_EQ(a[i] >> 24, 0xFFu);
    lit += (a[i] >> 16 & 0xFF) > 0xC0;  // near-white text pixels
  }
  EXPECT_GT(lit, 2000);
  // The sample rows are text on the panel, not empty panel.
  int row = 0;
  for (int x = 20; x < 300; ++x) row += a[55 * 640 + x] != a[55 * 640 + 305];
  EXPECT_GT(row, 5);
}

// The card drawn once with the given bitmap font.
struct DrawnCard {
  std::recursive_mutex lock;
  ImageRegistry images{lock};
  MemoryImage screen{&images};
  std::string problem;

  explicit DrawnCard(const std::string& fontPath) {
    screen.Create(640, 480);
    Graphics g(&screen);
    TextCard card(&images, fontPath);
    problem = card.BitmapFontProblem();
    card.Draw(g);
  }
  int Count(const Rect& r, const std::function<bool(int red, int green, int blue)>& test) {
    int n = 0;
    for (int y = r.y; y < r.y + r.height; ++y) {
      for (int x = r.x; x < r.x + r.width; ++x) {
        const uint32_t p = screen.GetPixels()[y * 640 + x];
        n += test(int(p >> 16 & 0xFF), int(p >> 8 & 0xFF), int(p & 0xFF));
      }
    }
    return n;
  }
};

// Inside the bitmap font's two panels (the justified lines, and the panel bottom right).
const Rect kLinesInside(331, 225, 298, 84);
const Rect kPanelInside(330, 320, 300, 150);
// Darker than the panel in every channel: only a shadow puts such pixels there.
bool Shadow(int r, int g, int b) { return r < 0x2A && g < 0x30 && b < 0x3E; }
bool Light(int r, int g, int b) { return r > 0xC0 && g > 0xC0 && b > 0xC0; }

TEST(TextCardTest, BitmapFontDrawsJustifiedShadowedAndGlowingText) {
  if (!std::filesystem::exists(kGameFont)) GTEST_SKIP() << "the build made no bitmap font (face not installed)";
  DrawnCard card(kGameFont);
  EXPECT_EQ(card.problem, "");
  EXPECT_GT(card.Count(kLinesInside, Light), 300);
  EXPECT_GT(card.Count(kLinesInside, Shadow), 300);
  EXPECT_GT(card.Count(kPanelInside, Light), 500);
  EXPECT_GT(card.Count(kPanelInside, Shadow), 1000);
  // The first line starts at the box's left edge and the last ends at its right edge.
  const auto bright = [](int r, int g, int b) { return std::max({r, g, b}) > 0xC0; };
  const auto lit = [&](int x, int top) { return card.Count(Rect(x, top, 1, 20), bright) > 0; };
  int firstLeft = 330, lastRight = 630;
  while (firstLeft < 630 && !lit(firstLeft, 230)) ++firstLeft;
  while (lastRight > 330 && !lit(lastRight - 1, 272)) --lastRight;
  EXPECT_LT(firstLeft, 345);
  EXPECT_GT(lastRight, 610);
  // The glow (a tagged layer of the same font) adds gold around one word of the title.
  const auto gold = [](int r, int g, int b) { return r > 0x90 && r - b > 0x50 && g > b; };
  EXPECT_GT(card.Count(Rect(330, 322, 300, 34), gold), 50);
}

TEST(TextCardTest, WithoutTheBitmapFontTheCardStillDrawsAndSaysWhy) {
  DrawnCard whole(kGameFont);
  const std::filesystem::path damaged =
      std::filesystem::temp_directory_path() / ("orva_textcard_" + std::to_string(getpid()) + ".txt");
  std::ofstream(damaged) << "CreateLayer Main;\nLayerSetImage Main \"nothing.png\";\n";
  const struct {
    std::string path, problem;
  } cases[] = {
      {"/nonexistent/vale_sans.txt", "vale_sans.txt: Unable to open file"},
      {damaged.string(), damaged.filename().string() + ": Failed to Load Image on Line 2"},
      {"", "no font file given"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    DrawnCard card(c.path);
    EXPECT_EQ(card.problem, c.problem);
    EXPECT_EQ(card.Count(kLinesInside, Shadow), 0);
    EXPECT_EQ(card.Count(kPanelInside, Shadow), 0);
    // The note is written in the panel, and the system-font half of the card is unchanged.
    EXPECT_GT(card.Count(kPanelInside, [](int r, int, int) { return r > 0x60; }), 100);
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 320; ++x)
        ASSERT_EQ(card.screen.GetPixels()[y * 640 + x], whole.screen.GetPixels()[y * 640 + x]) << x << "," << y;
  }
  std::filesystem::remove(damaged);
}

}  // namespace
}  // namespace Orva

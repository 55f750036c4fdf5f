// System fonts: face lookup, metrics, measuring and drawing through Graphics.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>

#include "framework/fonts/SysFont.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/MemoryImage.h"
#include "support/ImageTestSupport.h"

namespace Orva {
namespace {

using Testing::CountNot;
using Testing::MakeScreen;
using Testing::PixelAt;

constexpr uint32_t kBlack = 0xFF000000u;

TEST(SysFontSizeTest, PointsBecomePixelsRoundedToNearest) {
  EXPECT_EQ(SysFont::PointsToPixels(12, 96), 16);
  EXPECT_EQ(SysFont::PointsToPixels(10, 96), 13);  // 13.33
  EXPECT_EQ(SysFont::PointsToPixels(9, 96), 12);
  EXPECT_EQ(SysFont::PointsToPixels(3, 12), 1);  // 0.5 rounds away from zero
  EXPECT_EQ(SysFont::PointsToPixels(-3, 12), -1);
  EXPECT_EQ(SysFont::PointsToPixels(0, 96), 0);
}

TEST(SysFontLookupTest, ClassicFaceNamesMapToFreeFamilies) {
  EXPECT_EQ(SysFont::SubstituteFaceName("TAHOMA").find("Sans") != std::string::npos, true);
  EXPECT_NE(SysFont::SubstituteFaceName("Times New Roman").find("Serif"), std::string::npos);
  EXPECT_NE(SysFont::SubstituteFaceName("courier new").find("Mono"), std::string::npos);
  EXPECT_EQ(SysFont::SubstituteFaceName("Some Face"), "Some Face");
}

TEST(SysFontLookupTest, ClassicFacesResolveToAScalableSans) {
  for (const char* name : {"Arial", "Tahoma", "Verdana", "MS Sans Serif"}) {
    SysFont font(nullptr, name, 12);
    ASSERT_TRUE(font.IsValid()) << name;
    EXPECT_NE(font.GetFamilyName().find("Sans"), std::string::npos) << name << " gave " << font.GetFamilyName();
    EXPECT_EQ(font.GetFamilyName().find("Mono"), std::string::npos) << name;
  }
}

TEST(SysFontLookupTest, AnUnknownFaceFallsBackToSomeFont) {
  SysFont font(nullptr, "No Such Face: weight=1000", 12);
  EXPECT_TRUE(font.IsValid());
  EXPECT_GT(font.GetHeight(), 0);
  EXPECT_GT(font.StringWidth("abc"), 0);
}

TEST(SysFontFailureTest, AFontThatCannotBeLoadedHasZeroMetricsAndDrawsNothing) {
  const std::string garbage = ::testing::TempDir() + "/sysfont_not_a_font.ttf";
  {
    std::ofstream out(garbage, std::ios::binary);
    out << "this is not a font file at all";
  }
  auto screen = MakeScreen(40, 40);
  Graphics g(screen.get());
  for (const std::string& path : {garbage, std::string("/nonexistent/font.ttf")}) {
    auto font = SysFont::FromFile(nullptr, path, 16);
    EXPECT_FALSE(font->IsValid());
    EXPECT_EQ(font->GetAscent(), 0);
    EXPECT_EQ(font->GetHeight(), 0);
    EXPECT_EQ(font->StringWidth("Hello"), 0);
    font->DrawString(&g, 5, 20, "Hello", Color::White, g.GetClipRect());
    std::unique_ptr<Font> copy(font->Duplicate());
    EXPECT_EQ(copy->GetHeight(), 0);
  }
  EXPECT_EQ(CountNot(*screen, kBlack), 0);
  std::remove(garbage.c_str());
}

TEST(SysFontFailureTest, AbsurdSizesMakeNoFont) {
  EXPECT_FALSE(SysFont(nullptr, "Arial", 0).IsValid());
  EXPECT_FALSE(SysFont(nullptr, "Arial", -12).IsValid());
  EXPECT_FALSE(SysFont(nullptr, "Arial", 100000).IsValid());
}

class SysFontDrawTest : public ::testing::Test {
 protected:
  SysFont font{nullptr, "Arial", 15};  // 20 pixels
};

TEST_F(SysFontDrawTest, MetricsFitTheEmHeight) {
  ASSERT_TRUE(font.IsValid());
  EXPECT_GT(font.GetAscent(), 14);
  EXPECT_LE(font.GetAscent(), 22);
  EXPECT_GT(font.GetDescent(), 2);
  EXPECT_EQ(font.GetHeight(), font.GetAscent() + font.GetDescent());
  EXPECT_EQ(font.GetAscentPadding(), 0);
  EXPECT_EQ(font.GetLineSpacing(), font.GetHeight());
}

TEST_F(SysFontDrawTest, WidthsAddUpAndAmpersandIsACharacter) {
  EXPECT_GT(font.StringWidth("WW"), font.StringWidth("ii"));
  EXPECT_EQ(font.StringWidth(""), 0);
  EXPECT_EQ(font.CharWidth('&'), font.StringWidth("&"));
  EXPECT_GT(font.CharWidth('&'), 0);
  EXPECT_EQ(font.StringWidth("a&b"), font.CharWidth('a') + font.CharWidth('&') + font.CharWidth('b'));
  // Latin-1 bytes above 127 are letters too.
  EXPECT_GT(font.StringWidth("\xe9"), 0);
  SysFont bold(nullptr, "Arial", 15, 0, true, false, false, false);
  EXPECT_GE(bold.StringWidth("Bold text"), font.StringWidth("Bold text"));
}

TEST_F(SysFontDrawTest, DuplicateIsAnEqualFontWithoutTheDrawingFlags) {
  font.drawShadow = true;
  font.simulateBold = true;
  std::unique_ptr<Font> copy(font.Duplicate());
  auto* sys = dynamic_cast<SysFont*>(copy.get());
  ASSERT_NE(sys, nullptr);
  EXPECT_FALSE(sys->drawShadow);
  EXPECT_FALSE(sys->simulateBold);
  EXPECT_EQ(sys->GetAscent(), font.GetAscent());
  EXPECT_EQ(sys->GetHeight(), font.GetHeight());
  EXPECT_EQ(sys->StringWidth("Quick fox"), font.StringWidth("Quick fox"));
}

TEST_F(SysFontDrawTest, WhiteTextIsOpaqueInsideAndPartlyTransparentAtTheEdges) {
  auto screen = MakeScreen(120, 40);
  Graphics g(screen.get());
  const int x = 10, baseline = 25;
  font.DrawString(&g, x, baseline, "Hallo", Color::White, g.GetClipRect());
  const int w = font.StringWidth("Hallo");
  int solid = 0, partial = 0;
  for (int py = 0; py < 40; ++py)
    for (int px = 0; px < 120; ++px) {
      const uint32_t p = PixelAt(*screen, px, py);
      if (p == kBlack) continue;
      const bool inBox = px >= x && px < x + w && py >= baseline - font.GetAscent() &&
                         py < baseline - font.GetAscent() + font.GetHeight();
      ASSERT_TRUE(inBox) << px << "," << py;
      // White over black: a grey whose three channels agree.
      const uint32_t r = p >> 16 & 0xFF, gr = p >> 8 & 0xFF, b = p & 0xFF;
      EXPECT_EQ(r, gr);
      EXPECT_EQ(r, b);
      (r == 255 ? solid : partial)++;
    }
  EXPECT_GT(solid, 10);
  EXPECT_GT(partial, 10);
  // The vertical stem of 'H' is solid white.
  bool stem = false;
  for (int px = x; px < x + 6; ++px) stem = stem || PixelAt(*screen, px, baseline - 5) == 0xFFFFFFFFu;
  EXPECT_TRUE(stem);
}

TEST_F(SysFontDrawTest, TheTemporaryImageCarriesColourAndCoverageAsAlpha) {
  // Onto a transparent image the pixels keep the text colour and the coverage lands in alpha.
  auto image = Testing::MakeImage(60, 30);
  Graphics g(image.get());
  font.DrawString(&g, 2, 20, "Ox", Color(255, 255, 255), g.GetClipRect());
  int partial = 0, opaque = 0;
  for (int i = 0; i < 60 * 30; ++i) {
    const uint32_t p = image->GetPixels()[i];
    const uint32_t a = p >> 24;
    if (a == 0) continue;
    EXPECT_GE(p >> 16 & 0xFF, 250u) << i;
    EXPECT_GE(p & 0xFF, 250u) << i;
    (a == 255 ? opaque : partial)++;
  }
  EXPECT_GT(opaque, 0);
  EXPECT_GT(partial, 0);
}

TEST_F(SysFontDrawTest, ColourAlphaScalesTheCoverage) {
  auto full = MakeScreen(60, 30), half = MakeScreen(60, 30);
  Graphics gf(full.get()), gh(half.get());
  font.DrawString(&gf, 2, 20, "M", Color(255, 0, 0), gf.GetClipRect());
  font.DrawString(&gh, 2, 20, "M", Color(255, 0, 0, 128), gh.GetClipRect());
  int brightest = 0;
  for (int i = 0; i < 60 * 30; ++i) {
    EXPECT_LE(half->GetPixels()[i] >> 16 & 0xFF, (full->GetPixels()[i] >> 16 & 0xFF) / 2 + 2);
    brightest = std::max(brightest, int(half->GetPixels()[i] >> 16 & 0xFF));
  }
  EXPECT_NEAR(brightest, 128, 2);
}

TEST_F(SysFontDrawTest, TranslationMovesAndClippingCutsTheText) {
  auto plain = MakeScreen(100, 60), moved = MakeScreen(100, 60);
  Graphics gp(plain.get()), gm(moved.get());
  font.DrawString(&gp, 5, 20, "Hug", Color::White, gp.GetClipRect());
  gm.Translate(7, 11);
  font.DrawString(&gm, 5, 20, "Hug", Color::White, gm.GetClipRect());
  for (int py = 0; py < 40; ++py)
    for (int px = 0; px < 80; ++px) ASSERT_EQ(PixelAt(*plain, px, py), PixelAt(*moved, px + 7, py + 11));

  // Clipped through the middle of the text: the visible part is pixel for pixel the unclipped one.
  auto clipped = MakeScreen(100, 60);
  Graphics gc(clipped.get());
  gc.IntersectClip(12, 8, 10, 9);
  font.DrawString(&gc, 5, 20, "Hug", Color::White, gc.GetClipRect());
  int inside = 0;
  for (int py = 0; py < 60; ++py)
    for (int px = 0; px < 100; ++px) {
      const bool in = px >= 12 && px < 22 && py >= 8 && py < 17;
      const uint32_t p = PixelAt(*clipped, px, py);
      if (!in) {
        ASSERT_EQ(p, kBlack) << px << "," << py;
      } else {
        ASSERT_EQ(p, PixelAt(*plain, px, py)) << px << "," << py;
        inside += p != kBlack;
      }
    }
  EXPECT_GT(inside, 0);
}

TEST_F(SysFontDrawTest, TextFarOutsideTheClipAndHugeStringsAreCheap) {
  auto screen = MakeScreen(50, 50);
  Graphics g(screen.get());
  font.DrawString(&g, -100000, 20, "Far away", Color::White, g.GetClipRect());
  font.DrawString(&g, 10, 2000000000, "Far down", Color::White, g.GetClipRect());
  EXPECT_EQ(CountNot(*screen, kBlack), 0);
  // Two hundred thousand characters render only the 50 x 50 pixels that show.
  font.DrawString(&g, 0, 20, std::string(200000, 'W'), Color::White, g.GetClipRect());
  EXPECT_GT(CountNot(*screen, kBlack), 0);
}

TEST_F(SysFontDrawTest, ShadowBoldAndUnderlineAddWhereExpected) {
  auto plain = MakeScreen(100, 40), styled = MakeScreen(100, 40);
  Graphics gp(plain.get()), gs(styled.get());
  // On a white background the shadow shows as dark pixels below and right of the text.
  gp.SetColor(Color::White);
  gp.FillRect(0, 0, 100, 40);
  gs.SetColor(Color::White);
  gs.FillRect(0, 0, 100, 40);
  font.DrawString(&gp, 5, 25, "l", Color::White, gp.GetClipRect());
  EXPECT_EQ(CountNot(*plain, 0xFFFFFFFFu), 0);
  font.drawShadow = true;
  font.DrawString(&gs, 5, 25, "l", Color::White, gs.GetClipRect());
  EXPECT_GT(CountNot(*styled, 0xFFFFFFFFu), 0);

  auto thin = MakeScreen(100, 40), thick = MakeScreen(100, 40);
  Graphics gt(thin.get()), gk(thick.get());
  font.drawShadow = false;
  font.DrawString(&gt, 5, 25, "l", Color::White, gt.GetClipRect());
  font.simulateBold = true;
  font.DrawString(&gk, 5, 25, "l", Color::White, gk.GetClipRect());
  const auto light = [](MemoryImage& image) {
    int sum = 0;
    for (int i = 0; i < image.width * image.height; ++i) sum += int(image.GetPixels()[i] >> 16 & 0xFF);
    return sum;
  };
  EXPECT_GT(light(*thick), light(*thin) * 5 / 4);

  SysFont underlined(nullptr, "Arial", 15, 0, false, false, true, true);
  auto under = MakeScreen(100, 40);
  Graphics gu(under.get());
  underlined.DrawString(&gu, 5, 25, "ooo", Color::White, gu.GetClipRect());
  // Some row below the baseline is lit across the whole width of the text.
  bool line = false;
  for (int py = 26; py < 25 + underlined.GetDescent(); ++py) {
    bool full = true;
    for (int px = 5; px < 5 + underlined.StringWidth("ooo"); ++px) full = full && PixelAt(*under, px, py) != kBlack;
    line = line || full;
  }
  EXPECT_TRUE(line);
}

TEST_F(SysFontDrawTest, DrawingOntoTheSharedEmptyImageOrWithoutGraphicsDoesNothing) {
  Graphics g(nullptr);
  ASSERT_EQ(g.destImage, Graphics::SharedEmptyImage());
  font.DrawString(&g, 0, 10, "Nothing", Color::White, g.GetClipRect());
  EXPECT_EQ(g.destImage->width, 0);
  font.DrawString(nullptr, 0, 10, "Nothing", Color::White, Rect());
}

TEST_F(SysFontDrawTest, GraphicsLaysOutWithTheFont) {
  auto screen = MakeScreen(200, 40);
  Graphics g(screen.get());
  g.SetFont(&font);
  g.SetColor(Color::White);
  EXPECT_EQ(g.WriteString("a&b", 0, 20, -1, JUSTIFY_LEFT, false), font.StringWidth("a&b"));
  g.SetTintImages(true);
  g.SetColor(Color(0, 255, 0));
  g.DrawString("Green", 5, 25);
  // The text colour is not applied twice when the context tints images.
  bool green = false;
  for (int i = 0; i < 200 * 40; ++i) green = green || screen->GetPixels()[i] == 0xFF00FF00u;
  EXPECT_TRUE(green);
}

}  // namespace
}  // namespace Orva

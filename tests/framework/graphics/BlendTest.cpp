// Blend results for chosen pixels, worked out by hand from the blend equations, and the fast
// paths (run-alpha, palette) against the general one.
#include <gtest/gtest.h>

#include "framework/graphics/Graphics.h"
#include "framework/graphics/MemoryImage.h"
#include "support/ImageTestSupport.h"

namespace Orva {
namespace {

using Testing::MakeFilled;
using Testing::MakeImage;
using Testing::MakeScreen;
using Testing::PixelAt;

// Draws a 1 x 1 source pixel onto a 1 x 1 destination through Graphics and answers the result.
uint32_t DrawOne(uint32_t dest, uint32_t src, bool opaqueDest = false, const Color* tint = nullptr,
                 int mode = DRAWMODE_NORMAL) {
  auto d = opaqueDest ? MakeScreen(1, 1, dest) : MakeFilled(1, 1, dest);
  auto s = MakeFilled(1, 1, src);
  Graphics g(d.get());
  g.SetDrawMode(mode);
  if (tint) {
    g.SetTintImages(true);
    g.SetColor(*tint);
  }
  g.DrawImage(s.get(), 0, 0);
  EXPECT_TRUE(d->GuardIntact());
  return PixelAt(*d, 0, 0);
}

TEST(NormalBlendTest, HalfRedOverTransparentKeepsItsColourAlmostWhole) {
  // nA = 128; w = 128 * 255 / 128 = 255; red = 255 * 255 / 256 = 254.
  EXPECT_EQ(DrawOne(0x00000000, 0x80FF0000), 0x80FE0000u);
}

TEST(NormalBlendTest, OpaqueSourceKeepsOnePartOfTheDestinationOnTheGeneralPath) {
  // w = 255 out of 256: (255 * 255 + 0) / 256 = 254.
  EXPECT_EQ(DrawOne(0xFF000000, 0xFFFFFFFF), 0xFFFEFEFEu);
  // The run-alpha path onto an opaque target copies opaque runs unchanged.
  EXPECT_EQ(DrawOne(0xFF000000, 0xFFFFFFFF, true), 0xFFFFFFFFu);
}

TEST(NormalBlendTest, TranslucentOverOpaqueIsTheSameOnBothPaths) {
  // dA = 255: w = sA = 128; red = 255 * 128 / 256 = 127, blue = 255 * 128 / 256 = 127.
  EXPECT_EQ(DrawOne(0xFF0000FF, 0x80FF0000), 0xFF7F007Fu);
  EXPECT_EQ(DrawOne(0xFF0000FF, 0x80FF0000, true), 0xFF7F007Fu);
}

TEST(NormalBlendTest, TranslucentOverTranslucentCombinesTheAlphas) {
  // nA = 128 + 127 * 128 / 255 = 191; w = 128 * 255 / 191 = 170; grey = 255 * 170 / 256 = 169.
  EXPECT_EQ(DrawOne(0x80000000, 0x80FFFFFF), 0xBFA9A9A9u);
}

TEST(NormalBlendTest, TransparentSourceLeavesTheDestination) {
  EXPECT_EQ(DrawOne(0x12345678, 0x00FFFFFF), 0x12345678u);
  EXPECT_EQ(DrawOne(0xFF345678, 0x00FFFFFF, true), 0xFF345678u);
}

TEST(TintedBlendTest, TintAlphaScalesTheSourceAlphaAndChannelsMultiply) {
  // m = 128 * 255 / 255 = 128; red 255 * 255 / 255; over black w = 128: 255 * 128 / 256 = 127.
  const Color halfRed(255, 0, 0, 128);
  EXPECT_EQ(DrawOne(0xFF000000, 0xFFFFFFFF, true, &halfRed), 0xFF7F0000u);
}

TEST(TintedBlendTest, GreyTintDarkensEachChannelAlike) {
  // Channels * 128 / 255: 128 -> 64, 64 -> 32, 32 -> 16; then over black with w = 255: 63, 31, 15.
  const Color grey(128, 128, 128);
  EXPECT_EQ(DrawOne(0xFF000000, 0xFF804020, true, &grey), 0xFF3F1F0Fu);
}

TEST(TintedBlendTest, PureWhiteIsNoTint) {
  const Color white = Color::White;
  EXPECT_EQ(DrawOne(0xFF000000, 0xFFFFFFFF, true, &white), 0xFFFFFFFFu) << "white takes the untinted run path";
}

TEST(AdditiveBlendTest, ChannelsAddAndSaturateWhileDestinationAlphaStays) {
  EXPECT_EQ(DrawOne(0x7F101010, 0xFF203040, false, nullptr, DRAWMODE_ADDITIVE), 0x7F304050u);
  EXPECT_EQ(DrawOne(0xFFF0F0F0, 0xFF203040, true, nullptr, DRAWMODE_ADDITIVE), 0xFFFFFFFFu);
}

TEST(AdditiveBlendTest, SourceWithPartialAlphaIsWeightedByIt) {
  // The image has a transparent pixel too, so it has partial alpha: s * 128 / 256.
  auto dest = MakeScreen(2, 1);
  auto src = MakeImage(2, 1, {0x80FF8040, 0x00FFFFFF});
  Graphics g(dest.get());
  g.SetDrawMode(DRAWMODE_ADDITIVE);
  g.DrawImage(src.get(), 0, 0);
  EXPECT_EQ(PixelAt(*dest, 0, 0), 0xFF7F4020u);
  EXPECT_EQ(PixelAt(*dest, 1, 0), 0xFF000000u) << "a transparent pixel adds nothing";
}

TEST(AdditiveBlendTest, TintScalesTheSourceByColourAndAlpha) {
  // Factor 255 * 128 / 255 = 128 per channel: 255 -> 128, 128 -> 64, 64 -> 32.
  const Color halfWhite(255, 255, 255, 128);
  EXPECT_EQ(DrawOne(0xFF000000, 0xFFFF8040, true, &halfWhite, DRAWMODE_ADDITIVE), 0xFF804020u);
}

TEST(FillBlendTest, OpaqueFillWritesTheColourAndTranslucentComposes) {
  auto d = MakeFilled(2, 1, 0xFF0000FF);
  Graphics g(d.get());
  g.SetColor(Color(0x11, 0x22, 0x33));
  g.FillRect(0, 0, 1, 1);
  g.SetColor(Color(255, 0, 0, 128));
  g.FillRect(1, 0, 1, 1);
  EXPECT_EQ(PixelAt(*d, 0, 0), 0xFF112233u);
  EXPECT_EQ(PixelAt(*d, 1, 0), 0xFF7F007Fu);
}

TEST(FillBlendTest, FillsIgnoreTheDrawMode) {
  auto d = MakeFilled(1, 1, 0xFF808080);
  Graphics g(d.get());
  g.SetDrawMode(DRAWMODE_ADDITIVE);
  g.SetColor(Color(0x10, 0x10, 0x10));
  g.FillRect(0, 0, 1, 1);
  EXPECT_EQ(PixelAt(*d, 0, 0), 0xFF101010u);
}

// A sprite row with every alpha class, long runs and run boundaries in odd places.
std::unique_ptr<MemoryImage> MakeMixedSprite() {
  auto s = MakeImage(40, 3);
  uint32_t* px = s->GetPixels();
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 40; ++x) {
      const int k = (x * 7 + y * 13) % 40;
      const uint32_t a = k < 8 ? 0 : k < 20 ? 255 : uint32_t(k * 6);
      px[y * 40 + x] = (a << 24) | uint32_t((x * 37) & 0xFF) << 16 | uint32_t((y * 91) & 0xFF) << 8 | uint32_t(k * 5);
    }
  s->PixelsChanged();
  return s;
}

TEST(FastPathTest, RunAlphaPathMatchesTheGeneralPathExceptOpaquePixelsAreCopied) {
  auto sprite = MakeMixedSprite();
  auto viaRuns = MakeScreen(50, 5, 0xFF336699);
  auto viaGeneral = MakeFilled(50, 5, 0xFF336699);  // not forced: the general path
  Graphics(viaRuns.get()).DrawImage(sprite.get(), 3, 1);
  Graphics(viaGeneral.get()).DrawImage(sprite.get(), 3, 1);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 40; ++x) {
      const uint32_t s = PixelAt(*sprite, x, y);
      const uint32_t fast = PixelAt(*viaRuns, x + 3, y + 1);
      if (s >> 24 == 255)
        EXPECT_EQ(fast, s) << x << "," << y;
      else
        EXPECT_EQ(fast, PixelAt(*viaGeneral, x + 3, y + 1)) << x << "," << y;
    }
}

TEST(FastPathTest, RunAlphaPathHonoursClippingInsideARun) {
  auto sprite = MakeMixedSprite();
  auto clipped = MakeScreen(50, 5, 0xFF000000);
  Graphics g(clipped.get());
  g.IntersectClip(10, 0, 17, 5);
  g.DrawImage(sprite.get(), 3, 1);
  for (int y = 1; y < 4; ++y)
    for (int x = 0; x < 50; ++x) {
      if (x < 10 || x >= 27) {
        EXPECT_EQ(PixelAt(*clipped, x, y), 0xFF000000u) << x;
      } else {
        const uint32_t s = PixelAt(*sprite, x - 3, y - 1);
        if (s >> 24 == 255) {
          EXPECT_EQ(PixelAt(*clipped, x, y), s) << x;
        }
      }
    }
}

TEST(FastPathTest, PaletteSourceDrawsTheSamePixelsAsItsTrueColourForm) {
  auto sprite = MakeMixedSprite();
  auto palettised = std::make_unique<MemoryImage>(*sprite);
  ASSERT_TRUE(palettised->Palettize());
  ASSERT_FALSE(palettised->bits);
  for (bool opaqueTarget : {true, false})
    for (int mode : {DRAWMODE_NORMAL, DRAWMODE_ADDITIVE})
      for (bool tinted : {false, true}) {
        auto a = opaqueTarget ? MakeScreen(45, 4, 0xFF202020) : MakeFilled(45, 4, 0x80202020);
        auto b = opaqueTarget ? MakeScreen(45, 4, 0xFF202020) : MakeFilled(45, 4, 0x80202020);
        for (auto* target : {a.get(), b.get()}) {
          Graphics g(target);
          g.SetDrawMode(mode);
          g.SetTintImages(tinted);
          g.SetColor(Color(200, 100, 50, 180));
          g.DrawImage(target == a.get() ? sprite.get() : palettised.get(), 2, 0);
        }
        EXPECT_EQ(Testing::CountNot(*a, 0), Testing::CountNot(*b, 0));
        for (int i = 0; i < 45 * 4; ++i)
          ASSERT_EQ(a->GetPixels()[i], b->GetPixels()[i])
              << "pixel " << i << " opaque " << opaqueTarget << " mode " << mode << " tinted " << tinted;
      }
}

}  // namespace
}  // namespace Orva

// The drawing context: state, translation and clipping, image draws, lines and text layout.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

#include "framework/graphics/DDImage.h"
#include "framework/graphics/Font.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/MemoryImage.h"
#include "support/ImageTestSupport.h"

namespace Orva {
namespace {

using Testing::CountNot;
using Testing::MakeFilled;
using Testing::MakeImage;
using Testing::MakeScreen;
using Testing::PixelAt;

// An image that only records the stretched draws it receives.
class RecordingImage : public MemoryImage {
 public:
  RecordingImage() { Create(640, 480); }
  Rect lastDest, lastSrc;
  int stretchCalls = 0;
  void BlitStretched(Image*, const Rect& dest, const Rect& src, const Rect&, const Color&, int, bool) override {
    lastDest = dest;
    lastSrc = src;
    ++stretchCalls;
  }
};

// A 4 x 4 image whose pixel (x, y) is 0xFF0000yx, so every drawn pixel tells where it came from.
std::unique_ptr<MemoryImage> MakeNumbered(int w = 4, int h = 4) {
  auto image = MakeImage(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) image->GetPixels()[y * w + x] = 0xFF000000u | uint32_t(y << 4 | x);
  image->PixelsChanged();
  return image;
}

TEST(GraphicsStateTest, ANullDestinationDrawsIntoTheEmptyImage) {
  Graphics g(nullptr);
  EXPECT_EQ(g.GetClipRect(), Rect(0, 0, 0, 0));
  g.SetColor(Color::White);
  g.FillRect(0, 0, 10, 10);
  g.DrawImage(MakeNumbered().get(), 0, 0);
  EXPECT_EQ(g.destImage->width, 0);
}

TEST(GraphicsStateTest, PushPopRestoresStateAndExtraPopsAreHarmless) {
  auto screen = MakeScreen(20, 20);
  Graphics g(screen.get());
  g.PushState();
  g.Translate(5, 6);
  g.IntersectClip(0, 0, 4, 4);
  g.SetColor(Color(1, 2, 3));
  EXPECT_EQ(g.GetClipRect(), Rect(5, 6, 4, 4));
  g.PopState();
  EXPECT_EQ(g.GetClipRect(), Rect(0, 0, 20, 20));
  EXPECT_EQ(g.transX, 0);
  EXPECT_EQ(g.GetColor(), Color::Black);
  g.PopState();
  g.PopState();
  EXPECT_EQ(g.GetClipRect(), Rect(0, 0, 20, 20));
}

TEST(GraphicsStateTest, TheClipOnlyShrinksAndCopiesStartWithoutTheStack) {
  auto screen = MakeScreen(20, 20);
  Graphics g(screen.get());
  g.IntersectClip(2, 2, 10, 10);
  g.IntersectClip(0, 0, 100, 100);
  EXPECT_EQ(g.GetClipRect(), Rect(2, 2, 10, 10));
  g.PushState();
  Graphics copy(g);
  copy.IntersectClip(0, 0, 5, 5);
  copy.PopState();  // the copy has no saved states
  EXPECT_EQ(copy.GetClipRect(), Rect(2, 2, 3, 3));
  std::unique_ptr<Graphics> clone(g.Clone());
  EXPECT_EQ(clone->GetClipRect(), Rect(2, 2, 10, 10));
}

TEST(GraphicsFillTest, DrawRectCoversOneMorePixelEachWay) {
  auto screen = MakeScreen(20, 20);
  Graphics g(screen.get());
  g.SetColor(Color::White);
  g.DrawRect(0, 0, 10, 5);
  EXPECT_EQ(CountNot(*screen, 0xFF000000), 11 * 2 + 4 * 2);
  EXPECT_EQ(PixelAt(*screen, 10, 5), 0xFFFFFFFFu);
  EXPECT_EQ(PixelAt(*screen, 11, 5), 0xFF000000u);
  EXPECT_EQ(PixelAt(*screen, 5, 3), 0xFF000000u);
}

TEST(GraphicsFillTest, DrawRectPartlyOutsideTheClipDrawsOnlyTheInsidePart) {
  auto screen = MakeScreen(20, 20);
  Graphics g(screen.get());
  g.SetColor(Color::White);
  g.IntersectClip(0, 0, 8, 8);
  g.DrawRect(4, 4, 10, 10);
  EXPECT_EQ(PixelAt(*screen, 7, 4), 0xFFFFFFFFu);
  EXPECT_EQ(PixelAt(*screen, 4, 7), 0xFFFFFFFFu);
  EXPECT_EQ(CountNot(*screen, 0xFF000000), 4 + 3);
}

TEST(GraphicsFillTest, TransparentColoursDrawNothing) {
  auto screen = MakeScreen(4, 4);
  Graphics g(screen.get());
  g.SetColor(Color(255, 255, 255, 0));
  g.FillRect(0, 0, 4, 4);
  g.DrawRect(0, 0, 2, 2);
  EXPECT_EQ(CountNot(*screen, 0xFF000000), 0);
}

TEST(GraphicsFillTest, TranslationIsTruncatedTowardZero) {
  auto screen = MakeScreen(10, 10);
  Graphics g(screen.get());
  g.SetColor(Color::White);
  g.TranslateF(2.9f, -0.5f);
  g.FillRect(0, 1, 1, 1);  // 2.9 -> 2, 0.5 -> 0
  EXPECT_EQ(PixelAt(*screen, 2, 0), 0xFFFFFFFFu);
  EXPECT_EQ(CountNot(*screen, 0xFF000000), 1);
}

TEST(GraphicsImageTest, ClippingAtEachEdgeTakesTheMatchingSourcePixels) {
  auto sprite = MakeNumbered();
  struct Case {
    int x, y;
  } cases[] = {{-2, 1}, {1, -3}, {7, 2}, {3, 8}, {-1, -1}, {8, 8}};
  for (const Case& c : cases) {
    auto screen = MakeScreen(10, 10, 0xFFFFFFFF);
    Graphics(screen.get()).DrawImage(sprite.get(), c.x, c.y);
    int drawn = 0;
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 10; ++x) {
        const int sx = x - c.x, sy = y - c.y;
        const bool inside = sx >= 0 && sy >= 0 && sx < 4 && sy < 4;
        const uint32_t expected = inside ? 0xFF000000u | uint32_t(sy << 4 | sx) : 0xFFFFFFFFu;
        ASSERT_EQ(PixelAt(*screen, x, y), expected) << "at " << x << "," << y << " drawn at " << c.x << "," << c.y;
        drawn += inside;
      }
    EXPECT_GT(drawn, 0);
  }
}

TEST(GraphicsImageTest, SourceRectangleOutsideTheImageDrawsNothing) {
  auto sprite = MakeNumbered();
  auto screen = MakeScreen(10, 10, 0xFFFFFFFF);
  Graphics g(screen.get());
  g.DrawImage(sprite.get(), 0, 0, Rect(2, 2, 3, 2));
  g.DrawImage(sprite.get(), 0, 0, Rect(0, 3, 4, 2));
  EXPECT_EQ(CountNot(*screen, 0xFFFFFFFF), 0);
  g.DrawImage(sprite.get(), 5, 5, Rect(1, 2, 3, 2));
  EXPECT_EQ(PixelAt(*screen, 5, 5), 0xFF000021u);
  EXPECT_EQ(PixelAt(*screen, 7, 6), 0xFF000033u);
}

TEST(GraphicsImageTest, ScaledSourceRectangleDrawIsStretchedAboutTheOrigin) {
  RecordingImage target;
  auto sprite = MakeNumbered(10, 4);
  Graphics g(&target);
  g.SetScale(2, 2, 0, 0);
  g.DrawImage(sprite.get(), 3, 0, Rect(0, 0, 10, 4));
  ASSERT_EQ(target.stretchCalls, 1);
  EXPECT_EQ(target.lastDest, Rect(6, 0, 20, 8));
  g.SetScale(1.5f, 1, 100, 0);
  g.DrawImage(sprite.get(), 110, 0, Rect(0, 0, 3, 4));
  EXPECT_EQ(target.lastDest, Rect(115, 0, 5, 4));  // floor((110 - 100) * 1.5) + 100, ceil(3 * 1.5)
}

TEST(GraphicsImageTest, CelsAreAddressedByIndexOrColumnAndRow) {
  auto sheet = MakeNumbered(4, 4);
  sheet->numCols = 2;
  sheet->numRows = 2;
  auto screen = MakeScreen(4, 4, 0xFFFFFFFF);
  Graphics g(screen.get());
  g.DrawImageCel(sheet.get(), 0, 0, 3);  // column 1, row 1: source (2, 2)
  EXPECT_EQ(PixelAt(*screen, 0, 0), 0xFF000022u);
  EXPECT_EQ(PixelAt(*screen, 1, 1), 0xFF000033u);
  EXPECT_EQ(CountNot(*screen, 0xFFFFFFFF), 4);
  g.DrawImageCel(sheet.get(), 2, 2, 4);  // one past the last cel
  g.DrawImageCel(sheet.get(), 2, 2, -1);
  g.DrawImageCel(sheet.get(), 2, 2, 2, 0);
  EXPECT_EQ(CountNot(*screen, 0xFFFFFFFF), 4);
}

TEST(GraphicsImageTest, MirroredDrawFlipsAndClipsFromTheRightOfTheSource) {
  auto sprite = MakeNumbered();
  DDImage screen(nullptr, nullptr);
  screen.Create(6, 4);
  screen.FillRect(Rect(0, 0, 6, 4), Color::White, 0);
  screen.ForceAlphaFlags(false, false);
  Graphics g(&screen);
  g.DrawImageMirrored(sprite.get(), -1, 0, Rect(0, 0, 4, 4));
  // Column 0 of the screen is destination column 1 of the flipped picture: source column 2.
  EXPECT_EQ(PixelAt(screen, 0, 0), 0xFF000002u);
  EXPECT_EQ(PixelAt(screen, 2, 1), 0xFF000010u);
  EXPECT_EQ(PixelAt(screen, 3, 0), 0xFFFFFFFFu);

  // A plain memory image has no mirrored drawing of its own.
  auto plain = MakeScreen(6, 4, 0xFFFFFFFF);
  Graphics(plain.get()).DrawImageMirrored(sprite.get(), 0, 0, Rect(0, 0, 4, 4));
  EXPECT_EQ(CountNot(*plain, 0xFFFFFFFF), 0);
}

TEST(GraphicsImageTest, AnUntransformedTransformCentresThePicture) {
  auto sprite = MakeNumbered();
  auto screen = MakeScreen(10, 10, 0xFFFFFFFF);
  Transform none;
  Graphics(screen.get()).DrawImageByTransform(sprite.get(), none, 5, 5);
  EXPECT_EQ(PixelAt(*screen, 3, 3), 0xFF000000u);
  EXPECT_EQ(PixelAt(*screen, 6, 6), 0xFF000033u);
  EXPECT_EQ(CountNot(*screen, 0xFFFFFFFF), 16);
}

TEST(GraphicsImageTest, NineSliceKeepsCornersAndTilesEdgesAndCentre) {
  // A 3 x 3 source: corners 1, edges 2, centre 3 in the blue channel.
  auto box = MakeImage(
      3, 3,
      {0xFF000001, 0xFF000002, 0xFF000001, 0xFF000002, 0xFF000003, 0xFF000002, 0xFF000001, 0xFF000002, 0xFF000001});
  auto screen = MakeScreen(8, 6, 0xFFFFFFFF);
  Graphics(screen.get()).DrawImageNineSlice(Rect(1, 1, 6, 4), box.get());
  EXPECT_EQ(PixelAt(*screen, 1, 1), 0xFF000001u);
  EXPECT_EQ(PixelAt(*screen, 6, 4), 0xFF000001u);
  EXPECT_EQ(PixelAt(*screen, 3, 1), 0xFF000002u);
  EXPECT_EQ(PixelAt(*screen, 1, 3), 0xFF000002u);
  EXPECT_EQ(PixelAt(*screen, 4, 3), 0xFF000003u);
  EXPECT_EQ(CountNot(*screen, 0xFFFFFFFF), 24);
  Graphics(screen.get()).DrawImageNineSlice(Rect(0, 0, 0, 0), Rect(0, 0, 8, 6), box.get());  // empty source
  EXPECT_EQ(CountNot(*screen, 0xFFFFFFFF), 24);
}

TEST(GraphicsImageTest, SubpixelDrawAtAWholePositionIsAPlainDraw) {
  auto sprite = MakeImage(3, 2, {0xFF112233, 0x80FF0000, 0x00000000, 0xC0102030, 0xFF00FF00, 0x40FFFFFF});
  auto a = MakeFilled(8, 8, 0x80404040);
  auto b = MakeFilled(8, 8, 0x80404040);
  Graphics(a.get()).DrawImage(sprite.get(), 2, 3);
  Graphics(b.get()).DrawImageSubpixel(sprite.get(), 2.0f, 3.0f);
  for (int i = 0; i < 64; ++i) ASSERT_EQ(a->GetPixels()[i], b->GetPixels()[i]) << i;
}

TEST(GraphicsImageTest, HalfTurnRotationFlipsBothWays) {
  auto sprite = MakeNumbered(2, 2);
  auto screen = MakeScreen(6, 6, 0xFFFFFFFF);
  Graphics(screen.get()).DrawImageRotated(sprite.get(), 2, 2, std::numbers::pi, 1, 1);
  EXPECT_EQ(PixelAt(*screen, 2, 2) & 0xFFFFFF, 0x11u);
  EXPECT_EQ(PixelAt(*screen, 3, 3) & 0xFFFFFF, 0x00u);
  EXPECT_EQ(PixelAt(*screen, 3, 2) & 0xFFFFFF, 0x10u);
}

TEST(GraphicsImageTest, StretchingRulesForFastAndSmooth) {
  auto pair = MakeImage(2, 1, {0xFF0000FF, 0xFFFF0000});
  auto screen = MakeFilled(5, 1, 0x00000000);
  Graphics g(screen.get());
  g.DrawImage(pair.get(), 0, 0, 5, 1);
  // Enlarging lands the ends on the ends (composed with the normal weight of 255 out of 256).
  EXPECT_EQ(PixelAt(*screen, 0, 0), 0xFF0000FEu);
  EXPECT_EQ(PixelAt(*screen, 4, 0), 0xFFFE0000u);
  const uint32_t mid = PixelAt(*screen, 2, 0);
  EXPECT_NEAR(int((mid >> 16) & 0xFF), 127, 2);
  EXPECT_NEAR(int(mid & 0xFF), 127, 2);

  auto fast = MakeScreen(4, 1);
  Graphics f(fast.get());
  f.SetFastStretch(true);
  f.DrawImage(pair.get(), 0, 0, 4, 1);
  EXPECT_EQ(PixelAt(*fast, 1, 0), 0xFF0000FFu);
  EXPECT_EQ(PixelAt(*fast, 2, 0), 0xFFFF0000u);
  auto tintedFast = MakeScreen(4, 1);
  Graphics tf(tintedFast.get());
  tf.SetFastStretch(true);
  tf.SetTintImages(true);
  tf.SetColor(Color(255, 0, 0));
  tf.DrawImage(pair.get(), 0, 0, 4, 1);
  EXPECT_EQ(CountNot(*tintedFast, 0xFF000000), 0) << "a fast stretch draws only in white";
  tf.SetFastStretch(false);
  tf.DrawImage(pair.get(), 0, 0, 4, 1);
  EXPECT_EQ(PixelAt(*tintedFast, 0, 0) & 0xFF, 0u) << "a smooth stretch is tinted";
  EXPECT_GT((PixelAt(*tintedFast, 3, 0) >> 16) & 0xFF, 200u);
}

TEST(GraphicsImageTest, SmoothStretchKeepsAUniformPictureUniformAtAnySize) {
  // Weights that do not add up show as a drift in colour somewhere along the stretch.
  auto plain = MakeFilled(7, 5, 0xFF3C8AD2);
  for (const Rect dest :
       {Rect(0, 0, 23, 11), Rect(1, 2, 3, 2), Rect(0, 0, 7, 5), Rect(-5, -3, 40, 31), Rect(2, 1, 1, 1)}) {
    auto screen = MakeScreen(30, 25, 0xFF3C8AD2);
    Graphics(screen.get()).DrawImage(plain.get(), dest, Rect(0, 0, 7, 5));
    EXPECT_EQ(CountNot(*screen, 0xFF3C8AD2), 0) << dest.width << "x" << dest.height;
  }
}

TEST(GraphicsImageTest, ShrinkingAveragesWhatEachPixelCovers) {
  auto stripes = MakeImage(4, 1, {0xFFFF0000, 0xFFFF0000, 0xFF0000FF, 0xFF0000FF});
  auto screen = MakeFilled(2, 1, 0);
  Graphics(screen.get()).DrawImage(stripes.get(), 0, 0, 2, 1);
  EXPECT_EQ(PixelAt(*screen, 0, 0), 0xFFFE0000u) << "two red pixels make one red";
  EXPECT_EQ(PixelAt(*screen, 1, 0), 0xFF0000FEu);

  auto three = MakeImage(3, 1, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF});
  auto two = MakeScreen(2, 1);
  Graphics(two.get()).DrawImage(three.get(), 0, 0, 2, 1);
  // The first pixel covers red and half of green: two parts red to one part green.
  const uint32_t first = PixelAt(*two, 0, 0);
  EXPECT_NEAR(int((first >> 16) & 0xFF), 170, 2);
  EXPECT_NEAR(int((first >> 8) & 0xFF), 85, 2);
  EXPECT_EQ(first & 0xFF, 0u);
}

TEST(GraphicsImageTest, MatrixAndTriangleDrawsMapThePicture) {
  auto sprite = MakeNumbered();
  auto viaMatrix = MakeScreen(10, 10, 0xFFFFFFFF);
  Graphics(viaMatrix.get()).DrawImageTransformed(sprite.get(), Matrix3(), Rect(0, 0, 4, 4), 5, 5);
  EXPECT_EQ(PixelAt(*viaMatrix, 3, 3) & 0xFFFFFF, 0x00u);
  EXPECT_EQ(PixelAt(*viaMatrix, 6, 6) & 0xFFFFFF, 0x33u);
  EXPECT_EQ(CountNot(*viaMatrix, 0xFFFFFFFF), 16);

  auto viaTriangles = MakeScreen(10, 10, 0xFFFFFFFF);
  const TriVertex quad[2][3] = {{{2, 2, 0, 0}, {6, 2, 1, 0}, {2, 6, 0, 1}}, {{6, 2, 1, 0}, {6, 6, 1, 1}, {2, 6, 0, 1}}};
  viaTriangles->BlitTriangles(sprite.get(), quad, 2, Rect(0, 0, 10, 10), Color::White, 0, 0, 0, false);
  EXPECT_EQ(PixelAt(*viaTriangles, 2, 2) & 0xFFFFFF, 0x00u);
  EXPECT_EQ(PixelAt(*viaTriangles, 5, 5) & 0xFFFFFF, 0x33u);
  EXPECT_EQ(PixelAt(*viaTriangles, 5, 2) & 0xFFFFFF, 0x03u);
  EXPECT_EQ(CountNot(*viaTriangles, 0xFFFFFFFF), 16);
}

TEST(GraphicsLineTest, StraightLinesCoverBothEnds) {
  auto screen = MakeScreen(10, 10);
  Graphics g(screen.get());
  g.SetColor(Color::White);
  g.DrawLine(7, 2, 2, 2);
  g.DrawLine(1, 9, 1, 5);
  EXPECT_EQ(CountNot(*screen, 0xFF000000), 6 + 5);
  EXPECT_EQ(PixelAt(*screen, 7, 2), 0xFFFFFFFFu);
  EXPECT_EQ(PixelAt(*screen, 1, 9), 0xFFFFFFFFu);
}

TEST(GraphicsLineTest, DiagonalLinesStayInsideTheClip) {
  auto screen = MakeScreen(20, 20);
  Graphics g(screen.get());
  g.SetColor(Color::White);
  g.IntersectClip(5, 5, 10, 10);
  g.DrawLine(-100, -90, 120, 100);
  g.DrawLineAA(-50, 60, 60, -50);
  g.DrawLine(0, 0, 4, 19);  // wholly left of the clip
  int inside = 0;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) {
      if (PixelAt(*screen, x, y) == 0xFF000000u) continue;
      ASSERT_TRUE(x >= 5 && x < 15 && y >= 5 && y < 15) << x << "," << y;
      ++inside;
    }
  EXPECT_GE(inside, 5);
}

// A monospaced font that records what it was asked to draw.
class FakeFont : public Font {
 public:
  struct Call {
    int x, y;
    std::string text;
    Color color;
  };
  std::vector<Call> calls;
  FakeFont() {
    ascent = 8;
    height = 12;
    ascentPadding = 1;
    lineSpacingOffset = 2;
  }
  int StringWidth(const std::string& text) override { return int(text.size()) * 10; }
  void DrawString(Graphics*, int x, int y, const std::string& text, const Color& color, const Rect&) override {
    calls.push_back({x, y, text, color});
  }
};

class GraphicsTextTest : public ::testing::Test {
 protected:
  std::unique_ptr<MemoryImage> screen = MakeScreen(200, 200);
  Graphics g{screen.get()};
  FakeFont font;
  void SetUp() override {
    g.SetFont(&font);
    g.SetColor(Color(10, 20, 30));
  }
};

TEST_F(GraphicsTextTest, FontBaseAnswersItsMetrics) {
  Font plain;
  plain.height = 20;
  plain.ascent = 16;
  plain.lineSpacingOffset = -2;
  EXPECT_EQ(plain.GetDescent(), 4);
  EXPECT_EQ(plain.GetLineSpacing(), 18);
  EXPECT_EQ(plain.StringWidth("anything"), 0);
}

TEST_F(GraphicsTextTest, ColourCodesSwitchColourBetweenSegments) {
  const int width = g.WriteString("a^ff0000^b", 5, 50);
  EXPECT_EQ(width, 20);
  ASSERT_EQ(font.calls.size(), 2u);
  EXPECT_EQ(font.calls[0].text, "a");
  EXPECT_EQ(font.calls[0].color, Color(10, 20, 30));
  EXPECT_EQ(font.calls[1].text, "b");
  EXPECT_EQ(font.calls[1].x, 15);
  EXPECT_EQ(font.calls[1].color, Color(255, 0, 0));
  EXPECT_EQ(g.GetColor(), Color(255, 0, 0)) << "the last code's colour stays";
}

TEST_F(GraphicsTextTest, WithoutColourCodesTheTextIsLiteral) {
  g.SetColorCodes(false);
  EXPECT_EQ(g.WriteString("a^ff0000^b", 0, 0), 100);
  ASSERT_EQ(font.calls.size(), 1u);
  EXPECT_EQ(font.calls[0].text, "a^ff0000^b");
}

TEST_F(GraphicsTextTest, DoubleCaretsAndShortCodesAndOldColour) {
  EXPECT_EQ(g.WriteString("x^^y", 0, 0), 30);
  EXPECT_EQ(font.calls.back().text, "x^y");
  font.calls.clear();
  EXPECT_EQ(g.WriteString("ab^1234", 0, 0), 20) << "a caret in the last 7 characters ends the text";
  font.calls.clear();
  g.WriteString("^00ff00^g^oldclr^o^oops!!^z", 0, 0, -1, JUSTIFY_LEFT, true, 0, -1, 0x00123456);
  ASSERT_EQ(font.calls.size(), 3u);
  EXPECT_EQ(font.calls[0].color, Color(0, 255, 0));
  EXPECT_EQ(font.calls[1].color, Color(0x12, 0x34, 0x56));
  EXPECT_EQ(font.calls[2].color, Color(0, 0, 0)) << "a code starting with o that is not oldclr is black";
}

TEST_F(GraphicsTextTest, JustificationMovesTheStart) {
  g.WriteString("abcd", 10, 0, 100, JUSTIFY_CENTER);
  EXPECT_EQ(font.calls.back().x, 10 + 30);
  g.WriteString("abcd", 10, 0, 100, JUSTIFY_RIGHT);
  EXPECT_EQ(font.calls.back().x, 10 + 60);
  g.WriteString("abcd", 10, 0, 100, JUSTIFY_LEFT, true, 1, 2);
  EXPECT_EQ(font.calls.back().text, "bc");
}

TEST_F(GraphicsTextTest, WrappingBreaksAtTheLastSpaceThatFitsAndSkipsTheRest) {
  const int height = g.WriteWrapped(Rect(0, 0, 60, 0), "one two   three");
  ASSERT_EQ(font.calls.size(), 3u);
  EXPECT_EQ(font.calls[0].text, "one");
  // A line ends at the last space that fit, so the spaces before it stay on the line.
  EXPECT_EQ(font.calls[1].text, "two  ");
  EXPECT_EQ(font.calls[2].text, "three");
  // Baselines: ascent - padding = 7, then + line spacing 14 each.
  EXPECT_EQ(font.calls[0].y, 7);
  EXPECT_EQ(font.calls[2].y, 35);
  EXPECT_EQ(height, 35 + 14 + 4 - 14);
  EXPECT_EQ(g.GetColor(), Color(10, 20, 30));
}

TEST_F(GraphicsTextTest, LongWordsBreakWithAtLeastOneCharacterPerLine) {
  g.WriteWrapped(Rect(0, 0, 25, 0), "abcde");
  ASSERT_EQ(font.calls.size(), 3u);
  EXPECT_EQ(font.calls[0].text, "ab");
  EXPECT_EQ(font.calls[2].text, "e");
  font.calls.clear();
  g.WriteWrapped(Rect(0, 0, 5, 0), "xyz");
  EXPECT_EQ(font.calls.size(), 3u);
}

TEST_F(GraphicsTextTest, ATrailingNewlineAddsOneLine) {
  const int plain = g.GetWrappedHeight(100, "ab\ncd");
  const int trailing = g.GetWrappedHeight(100, "ab\ncd\n");
  EXPECT_EQ(trailing - plain, font.GetLineSpacing());
  EXPECT_EQ(g.GetWrappedHeight(100, "ab\ncd"), 7 + 14 + 4) << "two lines";
}

TEST_F(GraphicsTextTest, LinesFarBelowTheClipAreNotDrawn) {
  g.IntersectClip(0, 0, 200, 20);
  g.WriteWrapped(Rect(0, 0, 30, 0), "aa bb cc dd ee");
  EXPECT_LT(font.calls.size(), 5u);
  EXPECT_GE(font.calls.size(), 2u);
}

TEST_F(GraphicsTextTest, NoFontNoText) {
  g.SetFont(nullptr);
  g.DrawString("text", 0, 0);
  EXPECT_EQ(g.WriteString("text", 0, 0), 0);
  EXPECT_TRUE(font.calls.empty());
}

// Hostile coordinates through every entry point: nothing is written outside the image.
TEST(GraphicsBadInputTest, NoCoordinateWritesOutsideTheDestination) {
  auto sprite = MakeNumbered();
  DDImage screen(nullptr, nullptr);
  screen.Create(16, 16);
  screen.GetPixels();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const int big = std::numeric_limits<int>::max(), small = std::numeric_limits<int>::min();
  const int coords[] = {small, small / 2, -100000, -17, -1, 0, 7, 15, 16, 100000, big / 2, big};
  Graphics g(&screen);
  g.SetColor(Color(255, 255, 255, 200));
  for (int a : coords)
    for (int b : coords) {
      g.FillRect(a, b, b, a);
      g.DrawRect(a, b, 20, 20);
      g.DrawLine(a, b, b, a);
      g.DrawLineAA(a, 3, b, 9);
      g.DrawImage(sprite.get(), a, b);
      g.DrawImage(sprite.get(), a, b, Rect(a, b, 4, 4));
      g.DrawImage(sprite.get(), a, b, b, a);
      g.DrawImage(sprite.get(), Rect(a, b, 40, 40), Rect(1, 1, 2, 2));
      g.DrawImageMirrored(sprite.get(), a, b, Rect(0, 0, 4, 4));
      g.DrawImageMirrored(sprite.get(), Rect(a, b, -30, 30), Rect(0, 0, 4, 4), true);
      g.DrawImageRotated(sprite.get(), a, b, 0.7, 2, 2);
      g.DrawImageCel(sprite.get(), a, b, a);
      g.DrawImageNineSlice(Rect(a, b, 40, a), sprite.get());
      screen.Blit(sprite.get(), a, b, Rect(a, b, 4, 4), Color::White, 0);
      screen.FillRect(Rect(a, b, 30, 30), Color::White, 0);
      screen.BlitMirrored(sprite.get(), a, b, Rect(a, 0, 5, 5), Color::White, 0);
    }
  for (float f : {nan, inf, -inf, 1e30f, -1e30f}) {
    g.DrawImageRotatedSubpixel(sprite.get(), 4, 4, f, 2, 2);
    g.DrawImageRotatedSubpixel(sprite.get(), f, 4, 1.0, 2, 2);
    g.DrawImageSubpixel(sprite.get(), f, f);
    Matrix3 m;
    m.m[0][0] = f;
    g.DrawImageTransformed(sprite.get(), m, Rect(0, 0, 4, 4), 5, 5);
    Transform t;
    t.Rotate(f);
    g.DrawImageByTransformSubpixel(sprite.get(), t, 8, 8);
    screen.DrawLine(f, 0, 5, 5, Color::White, 0);
    screen.DrawLineSmooth(0, f, 5, 9, Color::White, 0);
    const TriVertex tri[1][3] = {{{f, 0, 0, 0}, {10, f, 1, 0}, {0, 10, 0, 1}}};
    screen.BlitTriangles(sprite.get(), tri, 1, Rect(0, 0, 16, 16), Color::White, 0, 0, 0, true);
  }
  const Span spans[] = {{-5, 0, 10}, {3, -100, 1000}, {20, 0, 5}, {4, big - 2, 10}};
  const uint8_t coverage[4] = {255, 255, 255, 255};
  screen.FillSpansCovered(spans, 4, Color::White, 0, coverage, 0, 0, 2, 2);
  screen.FillSpans(spans, 4, Color::White, 0);
  EXPECT_TRUE(screen.GuardIntact());
  EXPECT_GT(CountNot(screen, 0), 0);
}

}  // namespace
}  // namespace Orva

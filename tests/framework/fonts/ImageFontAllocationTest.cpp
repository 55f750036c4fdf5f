// Drawing and measuring text with a bitmap font allocate nothing once the font is prepared: games
// draw many lines a frame. Allocations are counted by the allocation counter linked into this
// test program (every other test in it runs through the counting versions too, unaffected).

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "framework/fonts/FontData.h"
#include "framework/fonts/ImageFont.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/MemoryImage.h"
#include "support/AllocationCounter.h"
#include "support/ImageTestSupport.h"

namespace Orva {
namespace {

template <typename F>
uint64_t AllocationsDuring(F&& f) {
  const uint64_t before = ::Testing::CountedAllocations();
  f();
  return ::Testing::CountedAllocations() - before;
}

// Longer than any short-string buffer, so a copy of it would show as an allocation.
const std::string kLine = "Stage 12 cleared! Bonus x3, 4850 points.";
constexpr uint32_t kBackground = 0xFF204060u;

// A descriptor whose layer image is a sheet made in memory.
class SheetFontData : public FontData {
 public:
  explicit SheetFontData(std::shared_ptr<MemoryImage> sheet) : sheet_(std::move(sheet)) {}

 protected:
  std::shared_ptr<MemoryImage> LoadLayerImage(const std::string&) override { return sheet_; }

 private:
  std::shared_ptr<MemoryImage> sheet_;
};

// A body and, drawn under it, a half-transparent shadow, over a sheet with one 6 x 9 glyph per
// character of kLine: an opaque block inside a half-covered rim, the way anti-aliased glyphs are.
// paletteSheet: the sheet in its 256-colour form, as FontData keeps the sheets it loads.
std::unique_ptr<ImageFont> MakeTwoLayerFont(bool paletteSheet) {
  // Every glyph advances 7, the space 4; two pairs are kerned one pixel closer.
  std::string descriptor = "Define Chars (";
  std::string rects, widths;
  std::string seen;
  for (const char c : kLine) {
    if (c == ' ' || seen.find(c) != std::string::npos) continue;
    char item[32];
    std::snprintf(item, sizeof item, "(%d 0 6 9) ", int(seen.size()) * 6);
    rects += item;
    widths += "7 ";
    seen += c;
    std::snprintf(item, sizeof item, "'%c' ", c);
    descriptor += item;
  }
  descriptor += ");\nDefine Rects (";
  descriptor += rects;
  descriptor += ");\nDefine Widths (";
  descriptor += widths;
  descriptor +=
      ");\n"
      "CreateLayer Main;\n"
      "LayerSetImage Main 'sheet.png';\n"
      "LayerSetImageMap Main Chars Rects;\n"
      "LayerSetCharWidths Main Chars Widths;\n"
      "LayerSetCharWidths Main (' ') (4);\n"
      "LayerSetAscent Main 9;\n"
      "LayerSetKerningPairs Main ('St' 'x3') (-1 -1);\n"
      "CreateLayerFrom Shadow Main;\n"
      "LayerSetColorMult Shadow (0 0 0 0.5);\n"
      "LayerSetOffset Shadow (1 1);\n"
      "LayerSetBaseOrder Shadow -1;\n";

  const int sheetWidth = int(seen.size()) * 6;
  auto sheet = std::make_shared<MemoryImage>();
  sheet->Create(sheetWidth, 9);
  uint32_t* px = sheet->GetPixels();
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < sheetWidth; ++x) {
      const int gx = x % 6;
      const bool rim = gx == 0 || gx == 5 || y == 0 || y == 8;
      px[y * sheetWidth + x] = rim ? 0x80FFFFFFu : 0xFFFFFFFFu;
    }
  sheet->PixelsChanged();
  if (paletteSheet && !sheet->Palettize()) return nullptr;

  auto data = std::make_shared<SheetFontData>(sheet);
  if (!data->LoadFromText(nullptr, "sheet.txt", descriptor)) {
    ADD_FAILURE() << data->error;
    return nullptr;
  }
  auto font = std::make_unique<ImageFont>(data);
  if (font->activeLayers.size() != 2) {
    ADD_FAILURE() << "expected two active layers";
    return nullptr;
  }
  return font;
}

// Pixels in rows [top, top + 12) that are no longer the background.
int ChangedInBand(MemoryImage& screen, int top) {
  int n = 0;
  for (int y = top; y < top + 12; ++y)
    for (int x = 0; x < screen.width; ++x) n += Testing::PixelAt(screen, x, y) != kBackground;
  return n;
}

TEST(ImageFontAllocation, SteadyDrawOfATwoLayerLineAllocatesNothing) {
  for (const bool palette : {true, false}) {
    SCOPED_TRACE(palette ? "palette sheet" : "32-bit sheet");
    auto font = MakeTwoLayerFont(palette);
    ASSERT_NE(font, nullptr);
    auto screen = Testing::MakeScreen(400, 60, kBackground);
    Graphics g(screen.get());
    g.SetFont(font.get());
    g.SetColor(Color(255, 220, 120));
    // The first draw may make the sheet's derived forms; later ones only draw.
    g.DrawString(kLine, 4, 12);
    EXPECT_EQ(AllocationsDuring([&] { g.DrawString(kLine, 4, 40); }), 0u);
    // The counted draw did draw: the body and its shadow.
    EXPECT_GT(ChangedInBand(*screen, 30), 34 * 6 * 9);
    // Untinted glyphs are drawn by the sheet's run table, made by the first such draw.
    const auto white = [&] { font->DrawString(&g, 4, 52, kLine, Color::White, g.GetClipRect()); };
    white();
    EXPECT_EQ(AllocationsDuring(white), 0u);
  }
}

TEST(ImageFontAllocation, GlyphRectanglesGoIntoTheCallersListWithoutAllocating) {
  auto font = MakeTwoLayerFont(true);
  ASSERT_NE(font, nullptr);
  auto screen = Testing::MakeScreen(400, 30, kBackground);
  Graphics g(screen.get());
  std::vector<Rect> rects;
  rects.reserve(2 * kLine.size());
  int width = 0;
  font->DrawStringEx(&g, 0, 12, kLine, Color::White, g.GetClipRect(), &rects, &width);
  const std::vector<Rect> first = rects;
  EXPECT_EQ(
      AllocationsDuring([&] { font->DrawStringEx(&g, 0, 12, kLine, Color::White, g.GetClipRect(), &rects, &width); }),
      0u);
  // Two per character, the same as the first time.
  EXPECT_EQ(rects.size(), 2 * kLine.size());
  EXPECT_EQ(rects, first);
  EXPECT_EQ(width, font->StringWidth(kLine));
}

TEST(ImageFontAllocation, MeasuringAllocatesNothing) {
  auto font = MakeTwoLayerFont(true);
  ASSERT_NE(font, nullptr);
  int width = 0, kerned = 0;
  EXPECT_EQ(AllocationsDuring([&] {
              width = font->StringWidth(kLine);
              kerned = font->CharWidthKerned('t', 'S');
            }),
            0u);
  // 34 glyphs of 7 and 6 spaces of 4, less the two kerned pairs; the shadow advances the same.
  EXPECT_EQ(width, 34 * 7 + 6 * 4 - 2);
  EXPECT_EQ(kerned, 6);
}

TEST(ImageFontAllocation, ScaledFontAllocatesOnlyWhenItsLayersAreRebuilt) {
  auto font = MakeTwoLayerFont(true);
  ASSERT_NE(font, nullptr);
  auto screen = Testing::MakeScreen(640, 60, kBackground);
  Graphics g(screen.get());
  g.SetFont(font.get());
  font->SetScale(1.5);
  // The first draw after a change of scale builds the rescaled sheets.
  EXPECT_GT(AllocationsDuring([&] { g.DrawString(kLine, 0, 20); }), 0u);
  EXPECT_EQ(AllocationsDuring([&] { g.DrawString(kLine, 0, 50); }), 0u);
  EXPECT_GT(ChangedInBand(*screen, 38), 0);
}

}  // namespace
}  // namespace Orva

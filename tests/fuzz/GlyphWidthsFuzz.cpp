// Any bytes as the widths table of a glyph-strip font, over a small strip made here. Every glyph
// the table gives lies inside the strip without overlapping another; the font then measures and
// draws a text (part of it taken from the input, so the table's own characters are met), and the
// width drawn is the width measured.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/fonts/ImageFont.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/MemoryImage.h"
#include "fuzz/FuzzSupport.h"

namespace {

using Orva::Rect;
using Orva::Fuzz::Check;

constexpr int kStripWidth = 40;
constexpr int kStripHeight = 10;

std::shared_ptr<Orva::MemoryImage> Strip() {
  static const std::shared_ptr<Orva::MemoryImage> strip = [] {
    auto image = std::make_shared<Orva::MemoryImage>();
    image->Create(kStripWidth, kStripHeight);
    uint32_t* px = image->GetPixels();
    for (int i = 0; i < kStripWidth * kStripHeight; ++i) px[i] = i % 3 ? 0xFFFFFFFFu : 0u;
    image->PixelsChanged();
    return image;
  }();
  return strip;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const Orva::Fuzz::InputFile file("widths.txt");
  if (!file.Write(data, size)) return 0;
  Orva::ImageFont font(Strip(), file.Path());
  if (!font.fontData->initialized) return 0;
  Check(font.fontData->layers.size() == 1, "a strip font with other than one layer");

  const Orva::FontLayer& layer = font.fontData->layers.front();
  std::vector<Rect> glyphs;
  for (const Orva::CharData& c : layer.charData) {
    const Rect& r = c.imageRect;
    if (r.width == 0) continue;
    Check(r.width > 0 && r.x >= 0 && r.x <= kStripWidth - r.width, "a glyph outside the strip");
    Check(r.y == 0 && r.height == kStripHeight, "a glyph not the strip's height");
    glyphs.push_back(r);
  }
  std::sort(glyphs.begin(), glyphs.end(), [](const Rect& a, const Rect& b) { return a.x < b.x; });
  for (size_t i = 1; i < glyphs.size(); ++i)
    Check(glyphs[i - 1].x + glyphs[i - 1].width <= glyphs[i].x, "glyphs overlap in the strip");

  const std::string text = "Ab c, 09" + std::string(reinterpret_cast<const char*>(data), std::min<size_t>(size, 24));
  const int measured = font.StringWidth(text);
  Orva::MemoryImage screen;
  screen.Create(64, 24);
  Orva::Graphics g(&screen);
  std::vector<Rect> drawn;
  int width = -1;
  font.DrawStringEx(&g, 3, 18, text, Orva::Color::White, Rect(0, 0, 64, 24), &drawn, &width);
  Check(drawn.size() == text.size(), "not one glyph drawn per character");
  // Past the int range measuring and drawing clamp at different points; a table that wide is no
  // font's.
  const int space = layer.charData[' '].width;
  if (space > -(1 << 20) && space < (1 << 20)) Check(width == measured, "the width drawn is not the width measured");
  return 0;
}

#include "demo/PixelFont.h"

#include <cctype>
#include <cstdint>

#include "framework/graphics/Graphics.h"

namespace Orva {

namespace {

// Seven rows of five bits each, the high bit on the left.
struct Glyph {
  char ch;
  uint8_t rows[7];
};

constexpr Glyph kGlyphs[] = {
    {'A', {14, 17, 17, 31, 17, 17, 17}}, {'B', {30, 17, 17, 30, 17, 17, 30}}, {'C', {14, 17, 16, 16, 16, 17, 14}},
    {'D', {30, 17, 17, 17, 17, 17, 30}}, {'E', {31, 16, 16, 30, 16, 16, 31}}, {'F', {31, 16, 16, 30, 16, 16, 16}},
    {'G', {14, 17, 16, 23, 17, 17, 15}}, {'H', {17, 17, 17, 31, 17, 17, 17}}, {'I', {14, 4, 4, 4, 4, 4, 14}},
    {'J', {7, 2, 2, 2, 2, 18, 12}},      {'K', {17, 18, 20, 24, 20, 18, 17}}, {'L', {16, 16, 16, 16, 16, 16, 31}},
    {'M', {17, 27, 21, 21, 17, 17, 17}}, {'N', {17, 17, 25, 21, 19, 17, 17}}, {'O', {14, 17, 17, 17, 17, 17, 14}},
    {'P', {30, 17, 17, 30, 16, 16, 16}}, {'Q', {14, 17, 17, 17, 21, 18, 13}}, {'R', {30, 17, 17, 30, 20, 18, 17}},
    {'S', {15, 16, 16, 14, 1, 1, 30}},   {'T', {31, 4, 4, 4, 4, 4, 4}},       {'U', {17, 17, 17, 17, 17, 17, 14}},
    {'V', {17, 17, 17, 17, 17, 10, 4}},  {'W', {17, 17, 17, 21, 21, 21, 10}}, {'X', {17, 17, 10, 4, 10, 17, 17}},
    {'Y', {17, 17, 10, 4, 4, 4, 4}},     {'Z', {31, 1, 2, 4, 8, 16, 31}},     {'0', {14, 17, 19, 21, 25, 17, 14}},
    {'1', {4, 12, 4, 4, 4, 4, 14}},      {'2', {14, 17, 1, 2, 4, 8, 31}},     {'3', {31, 2, 4, 2, 1, 17, 14}},
    {'4', {2, 6, 10, 18, 31, 2, 2}},     {'5', {31, 16, 30, 1, 1, 17, 14}},   {'6', {6, 8, 16, 30, 17, 17, 14}},
    {'7', {31, 1, 2, 4, 8, 8, 8}},       {'8', {14, 17, 17, 14, 17, 17, 14}}, {'9', {14, 17, 17, 15, 1, 2, 12}},
    {'.', {0, 0, 0, 0, 0, 12, 12}},      {',', {0, 0, 0, 0, 12, 4, 8}},       {':', {0, 12, 12, 0, 12, 12, 0}},
    {'-', {0, 0, 0, 31, 0, 0, 0}},       {'+', {0, 4, 4, 31, 4, 4, 0}},       {'/', {1, 1, 2, 4, 8, 16, 16}},
    {'(', {2, 4, 8, 8, 8, 4, 2}},        {')', {8, 4, 2, 2, 2, 4, 8}},        {'^', {4, 10, 17, 0, 0, 0, 0}},
    {'=', {0, 0, 31, 0, 31, 0, 0}},      {'x', {0, 17, 10, 4, 10, 17, 0}},    {'%', {24, 25, 2, 4, 8, 19, 3}},
};

const Glyph* Find(char ch) {
  const char upper = ch == 'x' ? 'x' : char(std::toupper(static_cast<unsigned char>(ch)));
  for (const Glyph& g : kGlyphs)
    if (g.ch == upper) return &g;
  return nullptr;
}

}  // namespace

PixelFont::PixelFont(int scale) : scale_(scale < 1 ? 1 : scale) {
  ascent = 7 * scale_;
  height = 9 * scale_;
  lineSpacingOffset = scale_;
}

int PixelFont::StringWidth(const std::string& text) { return int(text.size()) * 6 * scale_; }

void PixelFont::DrawString(Graphics* g, int x, int y, const std::string& text, const Color& color, const Rect&) {
  // The Graphics applies its own translation and clip to each filled pixel.
  const Color saved = g->GetColor();
  g->SetColor(color);
  const int top = y - ascent;
  for (size_t i = 0; i < text.size(); ++i) {
    const Glyph* glyph = Find(text[i]);
    if (!glyph) continue;
    const int left = x + int(i) * 6 * scale_;
    for (int row = 0; row < 7; ++row)
      for (int col = 0; col < 5; ++col)
        if (glyph->rows[row] & (16 >> col)) g->FillRect(left + col * scale_, top + row * scale_, scale_, scale_);
  }
  g->SetColor(saved);
}

}  // namespace Orva

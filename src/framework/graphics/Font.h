#pragma once

#include <string>

#include "framework/graphics/Color.h"
#include "framework/graphics/Rect.h"

namespace Orva {

class Graphics;

// The font that Graphics measures and draws text with. Strings are 8-bit; one byte is one
// character. The base measures nothing and draws nothing; bitmap and system fonts fill it in.
class Font {
 public:
  int ascent = 0;
  int ascentPadding = 0;  // empty pixels at the top of the ascent; wrapped layout starts that much higher
  int height = 0;
  int lineSpacingOffset = 0;

  Font() = default;
  Font(const Font&) = default;
  Font& operator=(const Font&) = default;
  virtual ~Font() = default;

  virtual int GetAscent() { return ascent; }
  virtual int GetAscentPadding() { return ascentPadding; }
  virtual int GetDescent() { return height - ascent; }
  virtual int GetHeight() { return height; }
  virtual int GetLineSpacingOffset() { return lineSpacingOffset; }
  virtual int GetLineSpacing() { return height + lineSpacingOffset; }
  virtual int StringWidth(const std::string& text);
  virtual int CharWidth(char ch);
  virtual int CharWidthKerned(char ch, char prevCh);
  // y is the baseline.
  virtual void DrawString(Graphics* g, int x, int y, const std::string& text, const Color& color, const Rect& clipRect);
  virtual Font* Duplicate();
};

}  // namespace Orva

#pragma once

#include "framework/graphics/Font.h"

namespace Orva {

// A tiny 5 x 7 pixel font for the test card's labels, drawn with filled rectangles, so the card
// can show text (and colour codes) before the real fonts exist. Upper-case letters, digits and a
// little punctuation; lower case is drawn as upper case, anything else as a blank.
class PixelFont : public Font {
 public:
  explicit PixelFont(int scale = 1);
  int StringWidth(const std::string& text) override;
  void DrawString(Graphics* g, int x, int y, const std::string& text, const Color& color,
                  const Rect& clipRect) override;
  Font* Duplicate() override { return new PixelFont(*this); }

 private:
  int scale_;
};

}  // namespace Orva

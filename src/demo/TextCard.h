#pragma once

#include <memory>
#include <string>
#include <vector>

#include "framework/fonts/FontData.h"
#include "framework/fonts/ImageFont.h"
#include "framework/fonts/SysFont.h"
#include "framework/graphics/Graphics.h"

namespace Orva {

class ImageHost;

// The card's bitmap font, relative to the game folder; the build makes it with tools/fontsheet.
inline constexpr const char* kTextCardFont = "fonts/vale_sans.txt";

// The text test card: system fonts in their sizes and styles, justification, word wrapping and
// colour codes, and the same with a bitmap font, on one 640 x 480 screen, so a look at it shows
// whether text sits right.
class TextCard {
 public:
  // A bitmap font that cannot be read leaves its part of the card with a note instead.
  TextCard(ImageHost* host, const std::string& bitmapFontPath);
  void Draw(Graphics& g);

  // Why the bitmap font could not be used, in one line; empty when it loaded.
  const std::string& BitmapFontProblem() const { return bitmapProblem_; }

 private:
  void DrawBitmapSamples(Graphics& g);

  std::unique_ptr<SysFont> sans10_, sans14_, sans20_;
  std::unique_ptr<SysFont> bold_, italic_, underline_, shadow_, fakeBold_;
  std::unique_ptr<SysFont> serif_, mono_;
  std::unique_ptr<ImageFont> bitmap_, bitmapGlow_;
  std::string bitmapProblem_;
};

}  // namespace Orva

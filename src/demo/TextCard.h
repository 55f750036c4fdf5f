#pragma once

#include <memory>
#include <vector>

#include "framework/fonts/SysFont.h"
#include "framework/graphics/Graphics.h"

namespace Orva {

class ImageHost;

// The text test card: system fonts in their sizes and styles, justification, word wrapping and
// colour codes, on one 640 x 480 screen, so a look at it shows whether text sits right.
class TextCard {
 public:
  explicit TextCard(ImageHost* host);
  void Draw(Graphics& g);

 private:
  std::unique_ptr<SysFont> sans10_, sans14_, sans20_;
  std::unique_ptr<SysFont> bold_, italic_, underline_, shadow_, fakeBold_;
  std::unique_ptr<SysFont> serif_, mono_;
};

}  // namespace Orva

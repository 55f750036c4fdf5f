#pragma once

// A font for widget tests: every character 6 pixels wide, ascent 8, height 10. It draws no pixels
// but writes down each string it is asked to draw, with the translation of the Graphics applied.
// Copies (Duplicate) write into the same record, so a widget's own copy can be inspected.
#include <memory>
#include <string>
#include <vector>

#include "framework/graphics/Font.h"
#include "framework/graphics/Graphics.h"

namespace Orva::Testing {

class RecordingFont : public Font {
 public:
  struct Drawn {
    int x, y;  // baseline position on the destination
    std::string text;
    Color color;
  };
  std::shared_ptr<std::vector<Drawn>> drawn = std::make_shared<std::vector<Drawn>>();

  RecordingFont() {
    ascent = 8;
    height = 10;
  }
  int StringWidth(const std::string& text) override { return 6 * int(text.size()); }
  int CharWidth(char) override { return 6; }
  int CharWidthKerned(char, char) override { return 6; }
  void DrawString(Graphics* g, int x, int y, const std::string& text, const Color& color, const Rect&) override {
    drawn->push_back({x + int(g->transX), y + int(g->transY), text, color});
  }
  Font* Duplicate() override { return new RecordingFont(*this); }

  // The last drawn string with this text, or null.
  const Drawn* Find(const std::string& text) const {
    for (auto it = drawn->rbegin(); it != drawn->rend(); ++it)
      if (it->text == text) return &*it;
    return nullptr;
  }
};

}  // namespace Orva::Testing

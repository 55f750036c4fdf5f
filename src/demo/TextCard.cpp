#include "demo/TextCard.h"

#include <string>

namespace Orva {

namespace {

const Color kBackground(0x1C, 0x20, 0x2A);
const Color kPanel(0x2A, 0x30, 0x3E);
const Color kGuide(0x55, 0x60, 0x78);
const Color kText(0xF0, 0xF0, 0xF0);
const Color kDim(0xA0, 0xA8, 0xB8);

// A baseline guide under a sample, so the text's placement against its baseline shows.
void Sample(Graphics& g, Font* font, int x, int baseline, const std::string& text) {
  g.SetColor(kGuide);
  g.FillRect(x - 4, baseline, 300, 1);
  g.SetFont(font);
  g.SetColor(kText);
  g.WriteString(text, x, baseline);
}

}  // namespace

TextCard::TextCard(ImageHost* host)
    : sans10_(std::make_unique<SysFont>(host, "Arial", 10)),
      sans14_(std::make_unique<SysFont>(host, "Arial", 14)),
      sans20_(std::make_unique<SysFont>(host, "Arial", 20)),
      bold_(std::make_unique<SysFont>(host, "Arial", 14, 0, true, false, false, true)),
      italic_(std::make_unique<SysFont>(host, "Arial", 14, 0, false, true, false, true)),
      underline_(std::make_unique<SysFont>(host, "Arial", 14, 0, false, false, true, true)),
      shadow_(std::make_unique<SysFont>(host, "Arial", 14)),
      fakeBold_(std::make_unique<SysFont>(host, "Arial", 14)),
      serif_(std::make_unique<SysFont>(host, "Times New Roman", 14)),
      mono_(std::make_unique<SysFont>(host, "Courier New", 12)) {
  shadow_->drawShadow = true;
  fakeBold_->simulateBold = true;
}

void TextCard::Draw(Graphics& g) {
  g.PushState();
  g.SetColor(kBackground);
  g.FillRect(0, 0, 640, 480);

  // Left column: sizes and styles, each on a baseline guide.
  g.SetColor(kPanel);
  g.FillRect(10, 10, 310, 300);
  Sample(g, sans10_.get(), 20, 32, "Sans 10 pt: The quick brown fox & co.");
  Sample(g, sans14_.get(), 20, 60, "Sans 14 pt: Jumpy quartz");
  Sample(g, sans20_.get(), 20, 98, "Sans 20 pt: Hg Qy");
  Sample(g, bold_.get(), 20, 126, "Bold: Sphinx of black quartz");
  Sample(g, italic_.get(), 20, 152, "Italic: judge my vow");
  Sample(g, underline_.get(), 20, 178, "Underlined text, gjpqy");
  Sample(g, shadow_.get(), 20, 204, "Shadowed text");
  Sample(g, fakeBold_.get(), 20, 230, "Simulated bold");
  Sample(g, serif_.get(), 20, 256, "Serif: Times-like roman");
  Sample(g, mono_.get(), 20, 282, "Mono: 0123456789 {}[]");
  // Latin-1 beyond ASCII: one byte per character.
  Sample(g, sans14_.get(), 20, 302, "Caf\xe9 \xe0 la cr\xe8me, \xdf \xf1 \xfc \xa9");

  // Right column: justification inside boxes.
  const int boxX = 330, boxW = 300;
  const int justifications[] = {JUSTIFY_LEFT, JUSTIFY_CENTER, JUSTIFY_RIGHT};
  const char* names[] = {"Left justified", "Centred", "Right justified"};
  for (int i = 0; i < 3; ++i) {
    const int top = 10 + i * 34;
    g.SetColor(kPanel);
    g.FillRect(boxX, top, boxW, 28);
    g.SetColor(kGuide);
    g.DrawRect(boxX, top, boxW - 1, 27);
    g.SetFont(sans14_.get());
    g.SetColor(kText);
    g.WriteString(names[i], boxX + 6, top + 6 + sans14_->GetAscent(), boxW - 12, justifications[i]);
  }

  // A wrapped paragraph with colour codes, in a box.
  const Rect para(boxX, 116, boxW, 194);
  g.SetColor(kPanel);
  g.FillRect(para);
  g.SetColor(kGuide);
  g.DrawRect(para.x, para.y, para.width - 1, para.height - 1);
  g.SetFont(sans10_.get());
  g.SetColor(kDim);
  g.WriteWrapped(Rect(para.x + 8, para.y + 6, para.width - 16, para.height - 12),
                 "Word wrapping keeps whole words together inside the box. Colour codes switch the "
                 "colour in the middle of a line: ^ff8040^orange^oldclr^, ^60d060^green^oldclr^ and "
                 "^80a0ff^blue^oldclr^, then back to the paragraph's own grey. A long line of text "
                 "runs on until the edge of the box, where the next word moves down to a new line.",
                 -1, JUSTIFY_LEFT);

  // Bottom strip: large text, clipping and translucency.
  g.SetColor(kPanel);
  g.FillRect(10, 320, 620, 150);
  g.SetFont(sans20_.get());
  g.SetColor(Color(0xFF, 0xD0, 0x60));
  g.WriteString("^ff8040^Colour ^ffd060^codes ^80ff80^in ^80c0ff^one ^ff80ff^line", 20, 356);
  g.PushState();
  g.IntersectClip(20, 372, 200, 18);
  g.SetColor(kGuide);
  g.FillRect(20, 372, 200, 18);
  g.SetColor(kText);
  g.WriteString("Clipped to the band: cut through", 20, 394);
  g.PopState();
  g.SetColor(Color(255, 255, 255, 110));
  g.WriteString("Translucent white (alpha 110)", 240, 390);
  g.SetFont(sans10_.get());
  g.SetColor(kDim);
  g.WriteString("Translated +20,+20:", 20, 420);
  g.PushState();
  g.Translate(20, 20);
  g.SetColor(kText);
  g.WriteString("text moves with the context", 140, 400);
  g.PopState();
  // Bitmap (image) font sample goes here once ImageFont exists: one line in the bottom strip at
  // baseline 450, drawn with the same Sample() helper.
  g.PopState();
}

}  // namespace Orva

#include "demo/TextCard.h"

#include <filesystem>
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

// The reason a descriptor failed, without the header naming the file or the command text after it.
std::string ShortReason(const FontData& data) {
  std::string reason = data.error.compare(0, data.errorHeader.size(), data.errorHeader) == 0
                           ? data.error.substr(data.errorHeader.size())
                           : data.error;
  reason = reason.substr(0, reason.find_first_of("\r\n"));
  if (!reason.empty() && reason.back() == ':') reason.pop_back();
  return reason.empty() ? "unreadable" : reason;
}

}  // namespace

TextCard::TextCard(ImageHost* host, const std::string& bitmapFontPath)
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
  auto data = std::make_shared<FontData>();
  if (data->Load(host, bitmapFontPath) && !data->layers.empty()) {
    bitmap_ = std::make_unique<ImageFont>(data);
    // A copy sharing the descriptor, with the tag that switches its glow layer on.
    bitmapGlow_ = std::make_unique<ImageFont>(*bitmap_);
    bitmapGlow_->AddTag("glow");
  } else {
    const std::string name = std::filesystem::path(bitmapFontPath).filename().string();
    const std::string reason = data->initialized ? "no layers" : ShortReason(*data);
    bitmapProblem_ = name.empty() ? std::string("no font file given") : name + ": " + reason;
  }
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
  const Rect para(boxX, 116, boxW, 102);
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

  // Bottom left: large text, clipping, translucency and translation.
  g.SetColor(kPanel);
  g.FillRect(10, 320, 310, 150);
  g.SetFont(sans20_.get());
  g.SetColor(Color(0xFF, 0xD0, 0x60));
  g.WriteString("^ff8040^Colour ^ffd060^codes ^80ff80^in ^80c0ff^one ^ff80ff^line", 20, 352);
  g.PushState();
  g.IntersectClip(20, 366, 200, 18);
  g.SetColor(kGuide);
  g.FillRect(20, 366, 200, 18);
  g.SetColor(kText);
  g.WriteString("Clipped to the band: cut through", 20, 388);
  g.PopState();
  g.SetColor(Color(255, 255, 255, 110));
  g.WriteString("Translucent, alpha 110", 20, 420);
  g.SetFont(sans10_.get());
  g.SetColor(kDim);
  g.WriteString("Translated +20,+20:", 20, 452);
  g.PushState();
  g.Translate(20, 20);
  g.SetColor(kText);
  g.WriteString("text moves with the context", 128, 432);
  g.PopState();

  DrawBitmapSamples(g);
  g.PopState();
}

// The bitmap font: justified lines under the system-font paragraph, and a panel bottom right with
// its shadow, its glow (a tag), wrapping and colour codes.
void TextCard::DrawBitmapSamples(Graphics& g) {
  const int boxX = 330, boxW = 300;
  const Rect lines(boxX, 224, boxW, 86);
  const Rect panel(boxX, 320, boxW, 150);
  g.SetColor(kPanel);
  g.FillRect(lines);
  g.FillRect(panel);
  g.SetColor(kGuide);
  g.DrawRect(lines.x, lines.y, lines.width - 1, lines.height - 1);
  if (bitmap_ == nullptr) {
    g.SetFont(sans10_.get());
    g.SetColor(kDim);
    g.WriteString("No bitmap font:", panel.x + 10, panel.y + 20);
    g.WriteWrapped(Rect(panel.x + 10, panel.y + 28, panel.width - 20, panel.height - 36),
                   bitmapProblem_ + "\nThe build makes it with tools/fontsheet.");
    return;
  }

  g.SetFont(bitmap_.get());
  const int lineSpacing = bitmap_->GetLineSpacing();
  const int justifications[] = {JUSTIFY_LEFT, JUSTIFY_CENTER, JUSTIFY_RIGHT};
  const char* names[] = {"Left: AWAY To", "Centred", "Right: Yarn 42"};
  const Color colours[] = {kText, Color(0xFF, 0xE0, 0x90), Color(0x90, 0xD0, 0xFF)};
  for (int i = 0; i < 3; ++i) {
    const int baseline = lines.y + 27 + i * lineSpacing;
    g.SetColor(kGuide);
    g.FillRect(lines.x + 4, baseline, lines.width - 8, 1);
    g.SetColor(colours[i]);
    g.WriteString(names[i], lines.x + 8, baseline, lines.width - 16, justifications[i]);
  }

  // Body over shadow, then one word from the copy carrying the glow tag.
  const int left = panel.x + 10, width = panel.width - 20;
  g.SetColor(kText);
  const int titleWidth = g.WriteString("Vale Sans 18 ", left, panel.y + 26);
  g.SetFont(bitmapGlow_.get());
  g.WriteString("glow", left + titleWidth, panel.y + 26);
  g.SetFont(bitmap_.get());
  g.SetColor(kDim);
  g.WriteWrapped(Rect(left, panel.y + 34, width, 3 * lineSpacing),
                 "Kerning pulls AV, To and Ya together; long lines wrap at the box.");
  g.SetColor(kText);
  g.WriteString("^ff9050^Ember ^80e080^moss ^80b8ff^sky ^oldclr^snow", left, panel.y + 124);
  g.SetFont(sans10_.get());
  g.SetColor(kDim);
  g.WriteString("image font: body, shadow and a glow tag", left, panel.y + 142);
}

}  // namespace Orva

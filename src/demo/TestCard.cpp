#include "demo/TestCard.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace Orva {

namespace {

uint32_t Argb(int a, int r, int g, int b) {
  const auto c = [](int v) { return uint32_t(std::clamp(v, 0, 255)); };
  return c(a) << 24 | c(r) << 16 | c(g) << 8 | c(b);
}

std::unique_ptr<MemoryImage> MakeImage(ImageHost* host, int w, int h) {
  auto image = std::make_unique<MemoryImage>(host);
  image->Create(w, h);
  image->GetPixels();
  return image;
}

// A lit sphere whose rim fades out over two pixels.
std::unique_ptr<MemoryImage> MakeOrb(ImageHost* host) {
  auto image = MakeImage(host, 30, 30);
  uint32_t* px = image->GetPixels();
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 30; ++x) {
      const double dx = x + 0.5 - 15, dy = y + 0.5 - 15;
      const double d = std::sqrt(dx * dx + dy * dy);
      const double edge = std::clamp((14.0 - d) / 2.0, 0.0, 1.0);
      const double light = std::clamp(1.0 - std::hypot(dx + 5, dy + 5) / 22.0, 0.0, 1.0);
      px[y * 30 + x] = Argb(int(edge * 255), int(60 + 195 * light), int(90 + 120 * light), int(200 + 55 * light));
    }
  image->PixelsChanged();
  return image;
}

std::unique_ptr<MemoryImage> MakeSpark(ImageHost* host) {
  auto image = MakeImage(host, 16, 16);
  uint32_t* px = image->GetPixels();
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      const double d = std::hypot(x + 0.5 - 8, y + 0.5 - 8) / 8.0;
      const double glow = std::clamp(1.0 - d, 0.0, 1.0);
      px[y * 16 + x] = Argb(int(255 * glow), int(255 * glow), int(200 * glow * glow), int(90 * glow * glow * glow));
    }
  image->PixelsChanged();
  return image;
}

std::unique_ptr<MemoryImage> MakeCels(ImageHost* host) {
  auto image = MakeImage(host, 96, 48);
  image->numCols = 4;
  image->numRows = 2;
  uint32_t* px = image->GetPixels();
  for (int cel = 0; cel < 8; ++cel) {
    const int ox = (cel % 4) * 24, oy = (cel / 4) * 24;
    const int hue = cel * 32;
    for (int y = 0; y < 24; ++y)
      for (int x = 0; x < 24; ++x) {
        const bool border = x < 2 || y < 2 || x > 21 || y > 21;
        // cel + 1 dots in a row show which cel is which
        const bool dot = y >= 10 && y < 14 && x >= 3 && (x - 3) % 5 < 3 && (x - 3) / 5 <= cel % 4 && y < 14;
        const bool bar = cel >= 4 && y >= 16 && y < 19 && x >= 3 && x < 21;
        uint32_t c = Argb(255, 40 + hue / 2, 80 + (255 - hue) / 3, 120 + hue / 3);
        if (border) c = Argb(255, 230, 230, 240);
        if (dot || bar) c = Argb(255, 20, 20, 30);
        px[(oy + y) * 96 + ox + x] = c;
      }
  }
  image->PixelsChanged();
  return image;
}

std::unique_ptr<MemoryImage> MakeFrame(ImageHost* host) {
  auto image = MakeImage(host, 24, 24);
  uint32_t* px = image->GetPixels();
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < 24; ++x) {
      const int edge = std::min(std::min(x, y), std::min(23 - x, 23 - y));
      uint32_t c = Argb(200, 30, 50, 70);  // translucent middle
      if (edge < 2)
        c = Argb(255, 200, 160, 60);
      else if (edge < 4)
        c = Argb(255, 120, 90, 30);
      px[y * 24 + x] = c;
    }
  image->PixelsChanged();
  return image;
}

std::unique_ptr<MemoryImage> MakeArrow(ImageHost* host) {
  auto image = MakeImage(host, 40, 24);
  uint32_t* px = image->GetPixels();
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < 40; ++x) {
      const bool shaft = x < 26 && y >= 9 && y < 15;
      const bool head = x >= 26 && std::abs(y - 12) <= (39 - x);
      px[y * 40 + x] = (shaft || head) ? Argb(255, 240, 90 + x * 3, 60) : 0;
    }
  image->PixelsChanged();
  return image;
}

std::unique_ptr<MemoryImage> MakeBackdrop(ImageHost* host) {
  auto image = MakeImage(host, 64, 48);
  uint32_t* px = image->GetPixels();
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x)
      px[y * 64 + x] = ((x / 8 + y / 8) % 2) ? Argb(255, 40 + x * 3, 60, 140 + y) : Argb(255, 230, 210, 120 + y * 2);
  image->PixelsChanged();
  return image;
}

}  // namespace

TestCard::TestCard(ImageHost* host)
    : orb_(MakeOrb(host)),
      spark_(MakeSpark(host)),
      cels_(MakeCels(host)),
      frame_(MakeFrame(host)),
      arrow_(MakeArrow(host)),
      backdrop_(MakeBackdrop(host)) {}

// A caption in the panel's bottom-right corner, on a dark plate; colour codes pick out words.
void TestCard::Label(Graphics& g, const Rect& panel, const std::string& text) {
  g.PushState();
  g.SetFont(&font_);
  const int width = g.WriteString(text, 0, 0, -1, JUSTIFY_LEFT, false);
  const int right = panel.x + panel.width - 4, baseline = panel.y + panel.height - 4;
  g.SetColor(Color(0, 0, 0, 150));
  g.FillRect(right - width - 3, baseline - 9, width + 5, 12);
  g.SetColor(Color(230, 230, 240));
  g.WriteString(text, right - width, baseline);
  g.PopState();
}

void TestCard::Draw(Graphics& g, int t) {
  const double phase = t / 100.0;  // seconds of the fixed clock

  // Background: a vertical gradient of one-pixel fills.
  for (int y = 0; y < 480; y += 4) {
    g.SetColor(Color(16 + y / 12, 20 + y / 10, 40 + y / 6));
    g.FillRect(0, y, 640, 4);
  }

  // Panel outlines, one per section.
  g.SetColor(Color(255, 255, 255, 90));
  const Rect panels[] = {{10, 10, 200, 140},   {220, 10, 200, 140},  {430, 10, 200, 140}, {10, 160, 200, 150},
                         {220, 160, 200, 150}, {430, 160, 200, 150}, {10, 320, 300, 150}, {320, 320, 310, 150}};
  for (const Rect& r : panels) g.DrawRect(r);

  // 1. Fills: opaque, translucent overlapping, additive.
  g.SetColor(Color(200, 60, 60));
  g.FillRect(20, 20, 60, 40);
  g.SetColor(Color(60, 200, 60, 128));
  g.FillRect(50, 40, 60, 40);
  g.SetDrawMode(DRAWMODE_ADDITIVE);
  g.SetColor(Color(60, 60, 200));
  g.FillRect(80, 60, 60, 40);
  g.SetDrawMode(DRAWMODE_NORMAL);
  g.SetColor(Color::White);
  g.DrawRect(150, 20, 50, 50);
  g.SetColor(Color(255, 220, 0, 160));
  g.FillRect(160, 110, 40, 30);

  // 2. Lines: a fan of plain lines and of smoothed lines, sweeping slowly.
  for (int i = 0; i < 12; ++i) {
    const double a = phase * 0.5 + i * std::numbers::pi / 12;
    const int x2 = 280 + int(60 * std::cos(a)), y2 = 80 + int(60 * std::sin(a));
    g.SetColor(Color(255, 120 + i * 10, 80));
    if (i % 2)
      g.DrawLine(280, 80, x2, y2);
    else
      g.DrawLineAA(360, 80, x2 + 80, y2);
  }

  // 3. Normal, additive and tinted blits of the soft sprite.
  for (int i = 0; i < 5; ++i) g.DrawImage(orb_.get(), 440 + i * 36, 20);
  g.SetDrawMode(DRAWMODE_ADDITIVE);
  for (int i = 0; i < 10; ++i)
    g.DrawImage(spark_.get(), 440 + i * 18 + int(4 * std::sin(phase * 3 + i)), 62 + int(6 * std::cos(phase * 2 + i)));
  g.SetDrawMode(DRAWMODE_NORMAL);
  g.SetTintImages(true);
  const Color tints[] = {Color(255, 80, 80), Color(80, 255, 80), Color(255, 255, 80, 160), Color(120, 120, 120),
                         Color(255, 255, 255, 64)};
  for (int i = 0; i < 5; ++i) {
    g.SetColor(tints[i]);
    g.DrawImage(orb_.get(), 440 + i * 36, 100);
  }
  g.SetTintImages(false);

  // 4. Stretching: smooth and nearest-pixel, enlarged and shrunk.
  g.DrawImage(backdrop_.get(), 20, 170, 96, 72);
  g.SetFastStretch(true);
  g.DrawImage(backdrop_.get(), 120, 170, 80, 60);
  g.SetFastStretch(false);
  g.DrawImage(backdrop_.get(), Rect(20, 250, 32, 24), Rect(0, 0, 64, 48));
  g.DrawImage(orb_.get(), 60, 246, 60, 60);
  g.SetScale(1.5f, 1.5f, 130, 246);
  g.DrawImage(orb_.get(), 130, 246, Rect(0, 0, 30, 30));
  g.SetScale(1, 1, 0, 0);

  // 5. Mirrored and rotated blits.
  g.DrawImage(arrow_.get(), 230, 170);
  g.DrawImageMirrored(arrow_.get(), 290, 170, Rect(0, 0, 40, 24));
  g.DrawImageMirrored(arrow_.get(), Rect(350, 170, 60, 24), Rect(0, 0, 40, 24), true);
  g.DrawImageRotatedSubpixel(arrow_.get(), 250, 230, phase, 20, 12);
  g.DrawImageRotated(arrow_.get(), 330, 230, -phase * 0.7, 20, 12);
  Transform spin;
  spin.Scale(0.75f, 0.75f);
  spin.Rotate(float(phase * 1.3));
  spin.Translate(0, 0);
  g.SetBilinear(true);
  g.DrawImageByTransformSubpixel(orb_.get(), spin, 390.0f, 272.0f);
  g.SetBilinear(false);
  Transform mirror;
  mirror.Scale(-1, 1);
  g.DrawImageByTransform(orb_.get(), mirror, 250, 290);

  // 6. A cel grid drawn cel by cel, and the current animation cel.
  for (int cel = 0; cel < 8; ++cel) g.DrawImageCel(cels_.get(), 440 + (cel % 4) * 28, 170 + (cel / 4) * 28, cel);
  g.DrawImageCel(cels_.get(), 560, 240, (t / 25) % 8);
  g.DrawImageNineSlice(Rect(440, 240, 110, 60), frame_.get());

  // 7. Clipping: sprites and lines cut by a moving clip rectangle.
  g.PushState();
  const int clipX = 40 + int(60 * (1 + std::sin(phase)));
  g.SetColor(Color(255, 255, 255, 200));
  g.DrawRect(clipX - 1, 349, 121, 91);
  g.IntersectClip(clipX, 350, 120, 90);
  g.SetColor(Color(30, 30, 60));
  g.FillRect(0, 320, 640, 160);
  for (int i = 0; i < 16; ++i) g.DrawImage(orb_.get(), 20 + i * 18, 340 + (i % 4) * 24);
  g.SetColor(Color(255, 200, 80));
  g.DrawLine(0, 330, 320, 470);
  g.DrawLineAA(0, 470, 320, 330);
  g.PopState();

  // 8. The field a game draws: a grid of soft sprites with a glow travelling over it.
  g.PushState();
  g.Translate(330, 328);
  g.IntersectClip(0, 0, 290, 136);
  for (int row = 0; row < 4; ++row)
    for (int col = 0; col < 9; ++col) {
      g.SetTintImages(true);
      g.SetColor(Color(150 + ((row * 9 + col) * 37) % 105, 150 + ((row * 5 + col) * 53) % 105, 255));
      g.DrawImage(orb_.get(), col * 32, row * 32);
    }
  g.SetTintImages(false);
  g.SetDrawMode(DRAWMODE_ADDITIVE);
  const int gx = int((phase * 80)) % 300 - 10;
  for (int i = 0; i < 6; ++i) g.DrawImage(spark_.get(), gx + i * 6, 50 + int(20 * std::sin(phase * 4 + i)));
  g.SetDrawMode(DRAWMODE_NORMAL);
  g.PopState();

  Label(g, panels[0], "FILLS ^80ff80^ALPHA^oldclr^ OUTLINE");
  Label(g, panels[1], "LINES + ^ffd060^SMOOTH");
  Label(g, panels[2], "NORMAL ^ffa040^ADD^oldclr^ ^ff6060^TINT");
  Label(g, panels[3], "STRETCH ^a0c0ff^FAST/SMOOTH");
  Label(g, panels[4], "MIRROR ROTATE");
  Label(g, panels[5], "CELS NINE-SLICE");
  Label(g, panels[6], "CLIP");
  Label(g, panels[7], "TICK " + std::to_string(t));
}

}  // namespace Orva

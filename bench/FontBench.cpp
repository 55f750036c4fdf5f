// Drawing one 40-character line of bitmap-font text (a body layer over a shadow layer) onto the
// 640 x 480 back buffer through Graphics, next to the same glyphs blitted one by one with
// Graphics::DrawImage: the same sheet, source rectangles, positions and colours, in the order the
// font draws them. The difference is what the font itself costs: mapping characters, placing
// each layer's glyph, kerning, sorting the draws into layer order, setting colour and mode.
// Rates are glyph blits per second; a ratio table follows the usual output.
//
// This program links the allocation counter (it replaces the global operator new). Each draw is
// counted on its own (after one warm-up draw), and the count is reported as the "allocs"
// counter: drawing text is expected to allocate nothing.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "framework/fonts/FontData.h"
#include "framework/fonts/ImageFont.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/MemoryImage.h"
#include "support/AllocationCounter.h"

namespace {

constexpr int kScreenW = 640, kScreenH = 480;
const std::string kLine = "Stage 12 cleared! Bonus x3, 4850 points.";
constexpr int kLineX = 24, kBaseline = 300;
const Orva::Color kTextColor(255, 226, 150);

// ----- the glyph sheet --------------------------------------------------------------------------

// Every printable character but the space, in rows of 16 cells, 16 pixels high with the baseline
// 12 pixels down. Glyphs are white, their alpha the anti-aliased coverage of a few strokes picked
// per character (so each glyph differs); narrow characters are narrow, wide ones wide.
struct Glyph {
  char ch;
  Orva::Rect rect;
  int advance;
};

constexpr int kCellH = 16, kAscent = 12, kPerRow = 16;

int GlyphWidth(char c) {
  const std::string narrow = "!.,:;'|il1`", wide = "MWmw@%&";
  if (narrow.find(c) != std::string::npos) return 4;
  if (wide.find(c) != std::string::npos) return 12;
  return std::isupper(static_cast<unsigned char>(c)) ? 10 : 8;
}

// Coverage of a pixel by a stroke from (x0, y0) to (x1, y1), 1.6 pixels thick.
double StrokeCoverage(double px, double py, double x0, double y0, double x1, double y1) {
  const double dx = x1 - x0, dy = y1 - y0;
  const double len2 = dx * dx + dy * dy;
  const double t = len2 > 0 ? std::clamp(((px - x0) * dx + (py - y0) * dy) / len2, 0.0, 1.0) : 0.0;
  const double d = std::hypot(px - (x0 + t * dx), py - (y0 + t * dy));
  return std::clamp(1.3 - d, 0.0, 1.0);
}

struct Sheet {
  std::shared_ptr<Orva::MemoryImage> image = std::make_shared<Orva::MemoryImage>();
  std::vector<Glyph> glyphs;

  Sheet() {
    std::vector<char> chars;
    for (int c = 33; c < 127; ++c) chars.push_back(char(c));
    const int rows = int(chars.size() + kPerRow - 1) / kPerRow;
    int sheetW = 0;
    for (int row = 0; row < rows; ++row) {
      int w = 0;
      for (int i = row * kPerRow; i < std::min<int>(int(chars.size()), (row + 1) * kPerRow); ++i)
        w += GlyphWidth(chars[size_t(i)]) + 1;
      sheetW = std::max(sheetW, w);
    }
    std::vector<uint32_t> px(size_t(sheetW) * rows * kCellH, 0);
    for (int row = 0, i = 0; row < rows; ++row) {
      int x = 0;
      for (int col = 0; col < kPerRow && i < int(chars.size()); ++col, ++i) {
        const char c = chars[size_t(i)];
        const int w = GlyphWidth(c);
        Draw(px, sheetW, x, row * kCellH, w, c);
        glyphs.push_back({c, Orva::Rect(x, row * kCellH, w, kCellH), w + 1});
        x += w + 1;
      }
    }
    image->SetPixels(px.data(), sheetW, rows * kCellH, true);
  }

  // A few strokes in the glyph's box: capitals and digits from 2 down to the baseline, small
  // letters from 5, with descenders to 15 for the letters that have them.
  static void Draw(std::vector<uint32_t>& px, int stride, int left, int top, int w, char c) {
    const bool small = std::islower(static_cast<unsigned char>(c)) != 0;
    const bool descends = std::string("gjpqy,;").find(c) != std::string::npos;
    const double t = small ? 5.5 : 2.5, b = descends ? 14.5 : 11.5, r = w - 1.5, l = 0.8, m = (t + b) / 2;
    struct S {
      double x0, y0, x1, y1;
    };
    const S strokes[] = {{l, t, l, b}, {r, t, r, b}, {l, t, r, t}, {l, m, r, m},
                         {l, b, r, b}, {l, b, r, t}, {l, t, r, b}, {(l + r) / 2, t, (l + r) / 2, b}};
    uint32_t pick = uint32_t(c) * 2654435761u;
    const int count = w <= 4 ? 1 : 2 + int(pick % 3);
    for (int k = 0; k < count; ++k, pick = pick * 1103515245u + 12345u) {
      const S& s = w <= 4 ? strokes[7] : strokes[(pick >> 16) % 8];
      for (int y = 0; y < kCellH; ++y)
        for (int x = 0; x < w; ++x) {
          uint32_t& p = px[size_t(top + y) * stride + left + x];
          const double cover = StrokeCoverage(x + 0.5, y + 0.5, s.x0, s.y0, s.x1, s.y1);
          const uint32_t a = std::max(p >> 24, uint32_t(std::lround(cover * 255)));
          p = a != 0 ? a << 24 | 0xFFFFFF : 0;
        }
    }
  }

  // The descriptor: every glyph's rectangle and advance on the body layer, a few kerning pairs,
  // and a half-transparent black shadow two pixels down and right, drawn first.
  std::string Descriptor() const {
    std::string chars, rects, widths;
    char item[64];
    for (const Glyph& g : glyphs) {
      // The quote and the backslash are escaped inside quotes.
      const bool escape = g.ch == '\'' || g.ch == '\\';
      std::snprintf(item, sizeof item, escape ? "'\\%c' " : "'%c' ", g.ch);
      chars += item;
      std::snprintf(item, sizeof item, "(%d %d %d %d) ", g.rect.x, g.rect.y, g.rect.width, g.rect.height);
      rects += item;
      std::snprintf(item, sizeof item, "%d ", g.advance);
      widths += item;
    }
    std::string text = "Define Chars (";
    text += chars;
    text += ");\nDefine Rects (";
    text += rects;
    text += ");\nDefine Widths (";
    text += widths;
    text += ");\n";
    return text +
           "SetDefaultPointSize 12;\n"
           "CreateLayer Main;\n"
           "LayerSetImage Main 'sheet.png';\n"
           "LayerSetImageMap Main Chars Rects;\n"
           "LayerSetCharWidths Main Chars Widths;\n"
           "LayerSetCharWidths Main (' ') (4);\n"
           "LayerSetAscent Main " +
           std::to_string(kAscent) +
           ";\n"
           "LayerSetKerningPairs Main ('To' 'Ta' 'Vo' 'AV' 'r.') (-1 -1 -1 -2 -1);\n"
           "LayerSetSpacing Main 0;\n"
           "CreateLayerFrom Shadow Main;\n"
           "LayerSetColorMult Shadow (0 0 0 0.5);\n"
           "LayerSetOffset Shadow (2 2);\n"
           "LayerSetBaseOrder Shadow -1;\n";
  }
};

// A descriptor whose layer image is the sheet made above, palettized as loaded sheets are.
class SheetFontData : public Orva::FontData {
 public:
  explicit SheetFontData(std::shared_ptr<Orva::MemoryImage> sheet) : sheet_(std::move(sheet)) {}

 protected:
  std::shared_ptr<Orva::MemoryImage> LoadLayerImage(const std::string&) override {
    sheet_->Palettize();
    return sheet_;
  }

 private:
  std::shared_ptr<Orva::MemoryImage> sheet_;
};

// ----- the two ways of drawing ------------------------------------------------------------------

// One glyph blit of the plain way.
struct Blit {
  int x, y;
  Orva::Rect src;
  Orva::Color color;
};

struct Fixture {
  Sheet sheet;
  std::unique_ptr<Orva::ImageFont> font;
  Orva::MemoryImage screen;
  std::unique_ptr<Orva::Graphics> graphics;
  std::vector<Blit> blits;  // shadow layer first, as the font draws it
  bool ready = false;

  Fixture() {
    auto data = std::make_shared<SheetFontData>(sheet.image);
    if (!data->LoadFromText(nullptr, "sheet.txt", sheet.Descriptor())) {
      std::fprintf(stderr, "font_bench: %s\n", data->error.c_str());
      return;
    }
    font = std::make_unique<Orva::ImageFont>(data);
    std::vector<uint32_t> back(size_t(kScreenW) * kScreenH);
    for (int y = 0; y < kScreenH; ++y)
      for (int x = 0; x < kScreenW; ++x)
        back[size_t(y) * kScreenW + x] =
            0xFF000000u | uint32_t(x * 255 / kScreenW) << 16 | uint32_t(y * 255 / kScreenH);
    screen.SetPixels(back.data(), kScreenW, kScreenH, true);
    screen.ForceAlphaFlags(false, false);
    graphics = std::make_unique<Orva::Graphics>(&screen);
    graphics->SetFont(font.get());
    graphics->SetColor(kTextColor);

    // Where the font puts each glyph of each layer (character by character, layer by layer),
    // with the colours its layers give the text colour.
    std::vector<Orva::Rect> placed;
    font->DrawStringEx(nullptr, kLineX, kBaseline, kLine, kTextColor, Orva::Rect(), &placed, nullptr);
    const size_t layers = font->activeLayers.size();
    if (layers != 2 || placed.size() != kLine.size() * layers) {
      std::fprintf(stderr, "font_bench: expected two layers, got %zu\n", layers);
      return;
    }
    const Orva::Color shadow(0, 0, 0, 127);
    for (size_t layer : {size_t(1), size_t(0)}) {
      for (size_t i = 0; i < kLine.size(); ++i) {
        const Orva::Rect& at = placed[i * layers + layer];
        const Orva::Rect& src = font->activeLayers[layer].scaledCharImageRects[uint8_t(kLine[i])];
        blits.push_back({at.x, at.y, src, layer == 1 ? shadow : kTextColor});
      }
    }
    ready = true;
  }

  void DrawFont() { graphics->DrawString(kLine, kLineX, kBaseline); }

  void DrawPlain() {
    Orva::Graphics& g = *graphics;
    const Orva::Color old = g.GetColor();
    g.SetTintImages(true);
    for (const Blit& b : blits) {
      g.SetColor(b.color);
      g.DrawImage(sheet.image.get(), b.x, b.y, b.src);
    }
    g.SetTintImages(false);
    g.SetColor(old);
  }
};

Fixture& TheFixture() {
  static Fixture fixture;
  return fixture;
}

// The most allocations any run of each way made in its timed loop.
uint64_t gFontAllocations = 0, gPlainAllocations = 0;

template <void (Fixture::*Draw)()>
void Run(benchmark::State& state, uint64_t& most) {
  Fixture& f = TheFixture();
  if (!f.ready) {
    state.SkipWithError("could not build the font");
    return;
  }
  (f.*Draw)();  // warm-up: caches the sheet's derived forms
  uint64_t allocations = 0;
  for (auto _ : state) {
    const uint64_t before = ::Testing::CountedAllocations();
    (f.*Draw)();
    allocations += ::Testing::CountedAllocations() - before;
    benchmark::ClobberMemory();
  }
  most = std::max(most, allocations);
  state.counters["glyphs/s"] =
      benchmark::Counter(double(f.blits.size()) * double(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["allocs"] = double(allocations);
}

void FontLine(benchmark::State& state) { Run<&Fixture::DrawFont>(state, gFontAllocations); }
void PlainBlits(benchmark::State& state) { Run<&Fixture::DrawPlain>(state, gPlainAllocations); }

BENCHMARK(FontLine)->Unit(benchmark::kMicrosecond);
BENCHMARK(PlainBlits)->Unit(benchmark::kMicrosecond);

void PrintSummary(const RateCollector& results) {
  const double font = results.Rate("FontLine"), plain = results.Rate("PlainBlits");
  std::printf("\nMedian glyph blits per second, a %zu-character line in two layers\n", kLine.size());
  std::printf("%-12s%14s%14s%18s\n", "", "font", "plain blits", "font time/plain");
  if (font > 0 && plain > 0) std::printf("%-12s%14.0f%14.0f%18.3f\n", "line", font, plain, plain / font);
  std::printf("\nAllocations in the timed loops (all runs, worst): font %llu, plain blits %llu\n",
              static_cast<unsigned long long>(gFontAllocations), static_cast<unsigned long long>(gPlainAllocations));
  std::printf(
      "\nfont time/plain is the font's drawing time over the plain blits': the aim is at most 1.5, and no\n"
      "allocation at all while drawing.\n");
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<char*> args(argv, argv + argc);
  if (!InitializeBenchmarks(args)) return 1;
  RateCollector collector("glyphs/s");
  benchmark::RunSpecifiedBenchmarks(&collector);
  PrintSummary(collector);
  benchmark::Shutdown();
  return 0;
}

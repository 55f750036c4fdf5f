// Throughput of the software blitter on the 640 x 480 back buffer, in megapixels per second,
// next to the same work done by SDL2's surface blitter, by pixman and by memcpy (the physical
// limit: the same rectangles copied). Each case draws the same pictures at the same places in
// every engine; the pixel count of a case is the area of what it draws (for the stretch, the
// destination), so the rates compare directly. A table of ratios follows the usual output.
//
// Where an engine has no equivalent operation:
//  - SDL2 surfaces cannot be rotated or placed between pixels; the rotated and sub-pixel cases
//    have no SDL2 figure.
//  - SDL2's scaled blit picks the nearest pixel: it is the same work as the nearest-pixel stretch,
//    and stands in for the bilinear one too, where ours and pixman's filter bilinearly.
//  - pixman composes premultiplied pixels; its sprites are premultiplied copies of ours. Its
//    tinted case draws a copy with the tint colour applied beforehand, through a solid mask
//    that carries the tint's alpha, so it does the alpha half of the tint work per pixel.

#include <SDL.h>
#include <benchmark/benchmark.h>
#include <pixman.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "framework/graphics/BlitKernels.h"
#include "framework/graphics/Color.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/MemoryImage.h"

namespace {

constexpr int kScreenW = 640, kScreenH = 480;

// ----- the pictures ---------------------------------------------------------------------------

// Straight (not premultiplied) 0xAARRGGBB pixels.
struct Picture {
  int w = 0, h = 0;
  std::vector<uint32_t> px;
  Picture(int width, int height) : w(width), h(height), px(size_t(width) * height) {}
  uint32_t& at(int x, int y) { return px[size_t(y) * w + x]; }
};

uint32_t Argb(int a, int r, int g, int b) {
  const auto c = [](int v) { return uint32_t(std::clamp(v, 0, 255)); };
  return (c(a) << 24) | (c(r) << 16) | (c(g) << 8) | c(b);
}

// A shaded ball: opaque middle, a translucent rim about three pixels wide, transparent corners.
Picture Ball(int size, int r, int g, int b) {
  Picture p(size, size);
  const double c = (size - 1) / 2.0, radius = size / 2.0;
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      const double d = std::hypot(x - c, y - c);
      const int a = d >= radius ? 0 : d <= radius - 3 ? 255 : int((radius - d) / 3 * 254) + 1;
      const double light = 1.1 - d / radius * 0.6;
      p.at(x, y) = a ? Argb(a, int(r * light), int(g * light), int(b * light)) : 0;
    }
  return p;
}

// A glow particle: alpha falling off from the centre, nothing at the corners.
Picture Glow(int size) {
  Picture p(size, size);
  const double c = (size - 1) / 2.0;
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      const double d = std::hypot(x - c, y - c) / (size / 2.0);
      const int a = d >= 1 ? 0 : int((1 - d) * (1 - d) * 255);
      p.at(x, y) = Argb(a, 255, 200, 120);
    }
  return p;
}

// A text-sized glyph: an anti-aliased ring, mostly transparent.
Picture Glyph() {
  Picture p(8, 12);
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 8; ++x) {
      const double d = std::hypot((x - 3.5) / 3.5, (y - 5.5) / 5.5);
      const double edge = 1 - std::fabs(d - 0.75) * 4;
      const int a = edge <= 0 ? 0 : edge >= 0.6 ? 255 : int(edge / 0.6 * 255);
      p.at(x, y) = a ? Argb(a, 255, 255, 255) : 0;
    }
  return p;
}

Picture Background() {
  Picture p(kScreenW, kScreenH);
  for (int y = 0; y < kScreenH; ++y)
    for (int x = 0; x < kScreenW; ++x) p.at(x, y) = Argb(255, x * 255 / kScreenW, y * 255 / kScreenH, (x ^ y) & 255);
  return p;
}

// Blocks of transparent, opaque and graded translucent pixels, as an overlay picture has.
Picture MixedAlpha(int w, int h) {
  Picture p(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int block = (x / 40 + y / 40 * 3) % 4;
      const int a = block == 0 ? 0 : block == 1 ? 255 : 1 + (x * 7 + y * 3) % 254;
      p.at(x, y) = a ? Argb(a, x & 255, y & 255, 128) : 0;
    }
  return p;
}

struct Spot {
  int x, y;
};

// The inputs every engine draws.
struct Scene {
  Picture background = Background();
  Picture overlay = MixedAlpha(kScreenW, kScreenH);
  Picture ball = Ball(30, 90, 160, 255);
  Picture glow = Glow(16);
  Picture glyph = Glyph();
  Picture half = MixedAlpha(kScreenW / 2, kScreenH / 2);
  Picture big = Ball(64, 255, 120, 40);
  std::vector<Spot> grid, particles, glyphs, rotated;
  // The tint: a non-white colour with alpha.
  static constexpr int kTintR = 255, kTintG = 170, kTintB = 60, kTintA = 200;
  static constexpr double kAngle = 0.5;
  // The sub-pixel case's offset from the grid's whole positions.
  static constexpr float kSubX = 0.37f, kSubY = 0.61f;
  static constexpr uint32_t kFill = 0xFF283C5A;

  Scene() {
    // The sprite grid: 15 columns by 9 rows, not overlapping.
    for (int row = 0; row < 9; ++row)
      for (int col = 0; col < 15; ++col) grid.push_back({8 + col * 42, 6 + row * 52});
    uint32_t seed = 12345;
    const auto next = [&seed](int range) {
      seed = seed * 1103515245u + 12345u;
      return int((seed >> 8) % uint32_t(range));
    };
    for (int i = 0; i < 300; ++i) particles.push_back({next(kScreenW - 16), next(kScreenH - 16)});
    for (int i = 0; i < 10; ++i) glyphs.push_back({40 + i * 9, 440});
    for (int i = 0; i < 20; ++i) rotated.push_back({20 + (i % 5) * 120, 20 + (i / 5) * 110});
  }
};

const Scene& TheScene() {
  static const Scene scene;
  return scene;
}

// ----- the cases --------------------------------------------------------------------------------

enum class Case {
  SpriteGrid,
  Additive,
  Tinted,
  OpaqueFull,
  AlphaFull,
  Fill,
  Stretch,
  StretchNearest,
  Rotated,
  Subpixel,
  Frame
};

struct CaseInfo {
  Case id;
  const char* name;
  int64_t pixels;  // per iteration
};

std::vector<CaseInfo> Cases() {
  const Scene& s = TheScene();
  const int64_t screen = int64_t(kScreenW) * kScreenH;
  const int64_t grid = int64_t(s.grid.size()) * 30 * 30;
  return {
      {Case::SpriteGrid, "SpriteGrid30", grid},
      {Case::Additive, "Additive16", int64_t(s.particles.size()) * 16 * 16},
      {Case::Tinted, "Tinted30", grid},
      {Case::OpaqueFull, "OpaqueFullScreen", screen},
      {Case::AlphaFull, "AlphaFullScreen", screen},
      {Case::Fill, "SolidFill", screen},
      {Case::Stretch, "Stretch2x", screen},
      {Case::StretchNearest, "StretchNearest2x", screen},
      {Case::Rotated, "Rotated64", int64_t(s.rotated.size()) * 64 * 64},
      {Case::Subpixel, "Subpixel30", grid},
      {Case::Frame, "TypicalFrame", screen + grid + 50 * 16 * 16 + int64_t(s.glyphs.size()) * 8 * 12},
  };
}

// ----- the engines ------------------------------------------------------------------------------

// Ours: memory images drawn through Graphics onto an opaque back buffer, as the game draws.
class Ours {
 public:
  Ours() {
    const Scene& s = TheScene();
    Load(background_, s.background);
    Load(overlay_, s.overlay);
    Load(ball_, s.ball);
    Load(glow_, s.glow);
    Load(glyph_, s.glyph);
    Load(half_, s.half);
    Load(big_, s.big);
    Reset();
    // Graphics takes its clip from the back buffer's size, so it comes after the pixels.
    graphics_ = std::make_unique<Orva::Graphics>(&back_);
  }

  void Reset() {
    const Picture& bg = TheScene().background;
    back_.SetPixels(bg.px.data(), bg.w, bg.h, true);
    back_.ForceAlphaFlags(false, false);
  }

  bool Draw(Case c) {
    const Scene& s = TheScene();
    Orva::Graphics& g = *graphics_;
    switch (c) {
      case Case::SpriteGrid:
        for (const Spot& p : s.grid) g.DrawImage(&ball_, p.x, p.y);
        return true;
      case Case::Additive: Particles(s.particles.size()); return true;
      case Case::Tinted:
        g.SetTintImages(true);
        g.SetColor(Orva::Color(Scene::kTintR, Scene::kTintG, Scene::kTintB, Scene::kTintA));
        for (const Spot& p : s.grid) g.DrawImage(&ball_, p.x, p.y);
        g.SetTintImages(false);
        return true;
      case Case::OpaqueFull: g.DrawImage(&background_, 0, 0); return true;
      case Case::AlphaFull: g.DrawImage(&overlay_, 0, 0); return true;
      case Case::Fill:
        g.SetColor(Orva::Color(Scene::kFill));
        g.FillRect(0, 0, kScreenW, kScreenH);
        return true;
      case Case::Stretch: g.DrawImage(&half_, 0, 0, kScreenW, kScreenH); return true;
      case Case::StretchNearest:
        g.SetFastStretch(true);
        g.DrawImage(&half_, 0, 0, kScreenW, kScreenH);
        g.SetFastStretch(false);
        return true;
      case Case::Rotated:
        for (const Spot& p : s.rotated)
          g.DrawImageRotatedSubpixel(&big_, float(p.x), float(p.y), Scene::kAngle, 32, 32);
        return true;
      case Case::Subpixel:
        for (const Spot& p : s.grid) g.DrawImageSubpixel(&ball_, float(p.x) + Scene::kSubX, float(p.y) + Scene::kSubY);
        return true;
      case Case::Frame:
        g.DrawImage(&background_, 0, 0);
        for (const Spot& p : s.grid) g.DrawImage(&ball_, p.x, p.y);
        Particles(50);
        for (const Spot& p : s.glyphs) g.DrawImage(&glyph_, p.x, p.y);
        return true;
    }
    return false;
  }

 private:
  static void Load(Orva::MemoryImage& image, const Picture& p) { image.SetPixels(p.px.data(), p.w, p.h, true); }

  void Particles(size_t count) {
    const Scene& s = TheScene();
    graphics_->SetDrawMode(Orva::DRAWMODE_ADDITIVE);
    for (size_t i = 0; i < count; ++i) graphics_->DrawImage(&glow_, s.particles[i].x, s.particles[i].y);
    graphics_->SetDrawMode(Orva::DRAWMODE_NORMAL);
  }

  Orva::MemoryImage back_, background_, overlay_, ball_, glow_, glyph_, half_, big_;
  std::unique_ptr<Orva::Graphics> graphics_;
};

// SDL2 surfaces in the same ARGB8888 format.
class Sdl {
 public:
  Sdl() {
    const Scene& s = TheScene();
    back_ = Make(s.background, SDL_BLENDMODE_NONE);
    background_ = Make(s.background, SDL_BLENDMODE_NONE);
    overlay_ = Make(s.overlay, SDL_BLENDMODE_BLEND);
    ball_ = Make(s.ball, SDL_BLENDMODE_BLEND);
    tinted_ = Make(s.ball, SDL_BLENDMODE_BLEND);
    SDL_SetSurfaceColorMod(tinted_.get(), Scene::kTintR, Scene::kTintG, Scene::kTintB);
    SDL_SetSurfaceAlphaMod(tinted_.get(), Scene::kTintA);
    glow_ = Make(s.glow, SDL_BLENDMODE_ADD);
    glyph_ = Make(s.glyph, SDL_BLENDMODE_BLEND);
    half_ = Make(s.half, SDL_BLENDMODE_BLEND);
    Reset();
  }

  void Reset() { SDL_BlitSurface(background_.get(), nullptr, back_.get(), nullptr); }

  bool Draw(Case c) {
    const Scene& s = TheScene();
    switch (c) {
      case Case::SpriteGrid:
        for (const Spot& p : s.grid) Blit(ball_.get(), p);
        return true;
      case Case::Additive:
        for (const Spot& p : s.particles) Blit(glow_.get(), p);
        return true;
      case Case::Tinted:
        for (const Spot& p : s.grid) Blit(tinted_.get(), p);
        return true;
      case Case::OpaqueFull: Blit(background_.get(), {0, 0}); return true;
      case Case::AlphaFull: Blit(overlay_.get(), {0, 0}); return true;
      case Case::Fill: SDL_FillRect(back_.get(), nullptr, Scene::kFill); return true;
      case Case::Stretch:
      case Case::StretchNearest: {
        SDL_Rect dest{0, 0, kScreenW, kScreenH};
        SDL_BlitScaled(half_.get(), nullptr, back_.get(), &dest);
        return true;
      }
      case Case::Rotated:
      case Case::Subpixel: return false;
      case Case::Frame:
        Blit(background_.get(), {0, 0});
        for (const Spot& p : s.grid) Blit(ball_.get(), p);
        for (size_t i = 0; i < 50; ++i) Blit(glow_.get(), s.particles[i]);
        for (const Spot& p : s.glyphs) Blit(glyph_.get(), p);
        return true;
    }
    return false;
  }

 private:
  struct Free {
    void operator()(SDL_Surface* surface) const { SDL_FreeSurface(surface); }
  };
  using Surface = std::unique_ptr<SDL_Surface, Free>;

  static Surface Make(const Picture& p, SDL_BlendMode mode) {
    Surface surface(SDL_CreateRGBSurfaceWithFormat(0, p.w, p.h, 32, SDL_PIXELFORMAT_ARGB8888));
    if (!surface) {
      std::fprintf(stderr, "SDL_CreateRGBSurfaceWithFormat: %s\n", SDL_GetError());
      std::abort();
    }
    for (int y = 0; y < p.h; ++y)
      std::memcpy(static_cast<uint8_t*>(surface->pixels) + size_t(y) * surface->pitch, &p.px[size_t(y) * p.w],
                  size_t(p.w) * 4);
    SDL_SetSurfaceBlendMode(surface.get(), mode);
    return surface;
  }

  void Blit(SDL_Surface* src, Spot at) {
    SDL_Rect dest{at.x, at.y, src->w, src->h};
    SDL_BlitSurface(src, nullptr, back_.get(), &dest);
  }

  Surface back_, background_, overlay_, ball_, tinted_, glow_, glyph_, half_;
};

// pixman images over premultiplied copies of the same pictures.
class Pixman {
 public:
  Pixman() {
    const Scene& s = TheScene();
    back_ = Make(s.background);
    background_ = Make(s.background);
    overlay_ = Make(s.overlay);
    ball_ = Make(s.ball);
    Picture tinted = s.ball;
    for (uint32_t& p : tinted.px)
      p = (p & 0xFF000000u) | (((p >> 16) & 255) * Scene::kTintR / 255) << 16 |
          (((p >> 8) & 255) * Scene::kTintG / 255) << 8 | ((p & 255) * Scene::kTintB / 255);
    tinted_ = Make(tinted);
    const pixman_color_t alpha{0, 0, 0, uint16_t(Scene::kTintA * 257)};
    tintMask_ = Image(pixman_image_create_solid_fill(&alpha));
    glow_ = Make(s.glow);
    glyph_ = Make(s.glyph);
    half_ = Make(s.half);
    pixman_transform_t scale;
    pixman_transform_init_scale(&scale, pixman_double_to_fixed(0.5), pixman_double_to_fixed(0.5));
    pixman_image_set_transform(half_.get(), &scale);
    pixman_image_set_filter(half_.get(), PIXMAN_FILTER_BILINEAR, nullptr, 0);
    halfNearest_ = Make(s.half);
    pixman_image_set_transform(halfNearest_.get(), &scale);
    pixman_image_set_filter(halfNearest_.get(), PIXMAN_FILTER_NEAREST, nullptr, 0);
    // The ball moved right and down by the sub-pixel offset: destination positions go back by it.
    subBall_ = Make(s.ball);
    pixman_transform_t shift;
    pixman_transform_init_translate(&shift, pixman_double_to_fixed(-Scene::kSubX),
                                    pixman_double_to_fixed(-Scene::kSubY));
    pixman_image_set_transform(subBall_.get(), &shift);
    pixman_image_set_filter(subBall_.get(), PIXMAN_FILTER_BILINEAR, nullptr, 0);
    big_ = Make(s.big);
    // Destination pixel centre -> source position: about the centre of the 64 x 64 picture,
    // placed in the middle of a 92 x 92 box (its bounds at any angle).
    const double c = std::cos(Scene::kAngle), sn = std::sin(Scene::kAngle), mid = kRotBox / 2.0;
    const pixman_transform_t rot = {
        {{pixman_double_to_fixed(c), pixman_double_to_fixed(sn), pixman_double_to_fixed(32 - (c * mid + sn * mid))},
         {pixman_double_to_fixed(-sn), pixman_double_to_fixed(c), pixman_double_to_fixed(32 - (-sn * mid + c * mid))},
         {0, 0, pixman_fixed_1}}};
    pixman_image_set_transform(big_.get(), &rot);
    pixman_image_set_filter(big_.get(), PIXMAN_FILTER_BILINEAR, nullptr, 0);
    Reset();
  }

  void Reset() { Composite(PIXMAN_OP_SRC, background_.get(), nullptr, {0, 0}, kScreenW, kScreenH); }

  bool Draw(Case c) {
    const Scene& s = TheScene();
    switch (c) {
      case Case::SpriteGrid:
        for (const Spot& p : s.grid) Composite(PIXMAN_OP_OVER, ball_.get(), nullptr, p, 30, 30);
        return true;
      case Case::Additive:
        for (const Spot& p : s.particles) Composite(PIXMAN_OP_ADD, glow_.get(), nullptr, p, 16, 16);
        return true;
      case Case::Tinted:
        for (const Spot& p : s.grid) Composite(PIXMAN_OP_OVER, tinted_.get(), tintMask_.get(), p, 30, 30);
        return true;
      case Case::OpaqueFull:
        Composite(PIXMAN_OP_SRC, background_.get(), nullptr, {0, 0}, kScreenW, kScreenH);
        return true;
      case Case::AlphaFull: Composite(PIXMAN_OP_OVER, overlay_.get(), nullptr, {0, 0}, kScreenW, kScreenH); return true;
      case Case::Fill: {
        const pixman_color_t colour{0x2828, 0x3C3C, 0x5A5A, 0xFFFF};
        const pixman_rectangle16_t all{0, 0, kScreenW, kScreenH};
        pixman_image_fill_rectangles(PIXMAN_OP_SRC, back_.get(), &colour, 1, &all);
        return true;
      }
      case Case::Stretch: Composite(PIXMAN_OP_OVER, half_.get(), nullptr, {0, 0}, kScreenW, kScreenH); return true;
      case Case::StretchNearest:
        Composite(PIXMAN_OP_OVER, halfNearest_.get(), nullptr, {0, 0}, kScreenW, kScreenH);
        return true;
      case Case::Subpixel:
        // The shifted ball covers one more column and row.
        for (const Spot& p : s.grid) Composite(PIXMAN_OP_OVER, subBall_.get(), nullptr, p, 31, 31);
        return true;
      case Case::Rotated:
        for (const Spot& p : s.rotated)
          Composite(PIXMAN_OP_OVER, big_.get(), nullptr, {p.x - (kRotBox - 64) / 2, p.y - (kRotBox - 64) / 2}, kRotBox,
                    kRotBox);
        return true;
      case Case::Frame:
        Composite(PIXMAN_OP_SRC, background_.get(), nullptr, {0, 0}, kScreenW, kScreenH);
        for (const Spot& p : s.grid) Composite(PIXMAN_OP_OVER, ball_.get(), nullptr, p, 30, 30);
        for (size_t i = 0; i < 50; ++i) Composite(PIXMAN_OP_ADD, glow_.get(), nullptr, s.particles[i], 16, 16);
        for (const Spot& p : s.glyphs) Composite(PIXMAN_OP_OVER, glyph_.get(), nullptr, p, 8, 12);
        return true;
    }
    return false;
  }

 private:
  static constexpr int kRotBox = 92;

  struct Unref {
    void operator()(pixman_image_t* image) const { pixman_image_unref(image); }
  };
  using Image = std::unique_ptr<pixman_image_t, Unref>;

  // The image owns a premultiplied copy of p, kept in pixels_.
  Image Make(const Picture& p) {
    auto& store = pixels_.emplace_back(p.px.size());
    for (size_t i = 0; i < p.px.size(); ++i) {
      const uint32_t v = p.px[i], a = v >> 24;
      const auto pre = [a](uint32_t ch) { return (ch * a + 127) / 255; };
      store[i] = (a << 24) | pre((v >> 16) & 255) << 16 | pre((v >> 8) & 255) << 8 | pre(v & 255);
    }
    Image image(pixman_image_create_bits(PIXMAN_a8r8g8b8, p.w, p.h, store.data(), p.w * 4));
    if (!image) {
      std::fprintf(stderr, "pixman_image_create_bits failed\n");
      std::abort();
    }
    return image;
  }

  void Composite(pixman_op_t op, pixman_image_t* src, pixman_image_t* mask, Spot at, int w, int h) {
    pixman_image_composite32(op, src, mask, back_.get(), 0, 0, 0, 0, at.x, at.y, w, h);
  }

  std::vector<std::vector<uint32_t>> pixels_;
  Image back_, background_, overlay_, ball_, tinted_, tintMask_, glow_, glyph_, half_, halfNearest_, subBall_, big_;
};

// The physical limit: each case's rectangles copied row by row.
class Memcpy {
 public:
  Memcpy() : back_(TheScene().background.px), fillRow_(kScreenW, Scene::kFill) {}

  void Reset() { back_ = TheScene().background.px; }

  bool Draw(Case c) {
    const Scene& s = TheScene();
    switch (c) {
      case Case::SpriteGrid:
      case Case::Tinted:
      case Case::Subpixel:
        for (const Spot& p : s.grid) Copy(s.ball, p);
        return true;
      case Case::Additive:
        for (const Spot& p : s.particles) Copy(s.glow, p);
        return true;
      case Case::OpaqueFull:
      case Case::AlphaFull:
      case Case::Stretch:
      case Case::StretchNearest: Copy(s.background, {0, 0}); return true;
      case Case::Fill:
        for (int y = 0; y < kScreenH; ++y) std::memcpy(&back_[size_t(y) * kScreenW], fillRow_.data(), kScreenW * 4);
        return true;
      case Case::Rotated:
        for (const Spot& p : s.rotated) Copy(s.big, p);
        return true;
      case Case::Frame:
        Copy(s.background, {0, 0});
        for (const Spot& p : s.grid) Copy(s.ball, p);
        for (size_t i = 0; i < 50; ++i) Copy(s.glow, s.particles[i]);
        for (const Spot& p : s.glyphs) Copy(s.glyph, p);
        return true;
    }
    return false;
  }

 private:
  void Copy(const Picture& p, Spot at) {
    for (int y = 0; y < p.h; ++y)
      std::memcpy(&back_[size_t(at.y + y) * kScreenW + at.x], &p.px[size_t(y) * p.w], size_t(p.w) * 4);
  }

  std::vector<uint32_t> back_;
  std::vector<uint32_t> fillRow_;
};

// ----- running and reporting --------------------------------------------------------------------

const char* const kEngines[] = {"ours", "pixman", "sdl2", "memcpy"};

template <class Engine>
Engine& Instance() {
  static Engine engine;
  return engine;
}

template <class Engine>
void Register(const CaseInfo& info, const char* engineName) {
  if (!Instance<Engine>().Draw(info.id)) return;  // no such operation in this engine
  const std::string name = std::string(info.name) + "/" + engineName;
  benchmark::RegisterBenchmark(name.c_str(), [info](benchmark::State& state) {
    Engine& engine = Instance<Engine>();
    engine.Reset();
    for (auto _ : state) {
      engine.Draw(info.id);
      benchmark::ClobberMemory();
    }
    state.counters["MP/s"] =
        benchmark::Counter(double(info.pixels) * double(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
  })->Unit(benchmark::kMicrosecond);
}

void PrintSummary(const RateCollector& results) {
  const auto cell = [](double v) {
    char text[32];
    if (v < 0)
      std::snprintf(text, sizeof text, "%10s", "n/a");
    else
      std::snprintf(text, sizeof text, "%10.1f", v);
    return std::string(text);
  };
  const auto ratio = [](double a, double b) {
    char text[32];
    if (a < 0 || b <= 0)
      std::snprintf(text, sizeof text, "%12s", "n/a");
    else
      std::snprintf(text, sizeof text, "%12.2f", a / b);
    return std::string(text);
  };
  std::printf("\nMedian megapixels per second (kernels: %s)\n",
              Orva::Kernels::KernelSetName(Orva::Kernels::ActiveKernelSet()));
  std::printf("%-18s%10s%10s%10s%10s%12s%12s%12s\n", "case", "ours", "pixman", "sdl2", "memcpy", "ours/pixman",
              "ours/sdl2", "memcpy/ours");
  for (const CaseInfo& info : Cases()) {
    const std::string base = std::string(info.name) + "/";
    const double ours = results.Rate(base + "ours"), pixman = results.Rate(base + "pixman"),
                 sdl = results.Rate(base + "sdl2"), mem = results.Rate(base + "memcpy");
    if (ours < 0 && pixman < 0 && sdl < 0 && mem < 0) continue;
    // memcpy time / our time is our rate over memcpy's.
    std::printf("%-18s%s%s%s%s%s%s%s\n", info.name, cell(ours).c_str(), cell(pixman).c_str(), cell(sdl).c_str(),
                cell(mem).c_str(), ratio(ours, pixman).c_str(), ratio(ours, sdl).c_str(), ratio(ours, mem).c_str());
  }
  std::printf(
      "\nRatios above 1 mean ours is faster. memcpy/ours is memcpy's time over ours: the opaque full-screen\n"
      "blit aims for at least 0.77 (ours within 1.3x of memcpy). SDL2 has no surface rotation or\n"
      "sub-pixel placement; its scaled blit is nearest-pixel in both stretch cases.\n");
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<char*> args(argv, argv + argc);
  // --kernels=scalar|vector|avx2 measures one kernel set instead of the fastest one.
  for (auto it = args.begin() + 1; it != args.end(); ++it) {
    if (std::strncmp(*it, "--kernels=", 10) != 0) continue;
    using Orva::Kernels::KernelSet;
    bool chosen = false;
    for (const KernelSet set : {KernelSet::Scalar, KernelSet::Vector, KernelSet::Avx2})
      if (std::strcmp(*it + 10, Orva::Kernels::KernelSetName(set)) == 0) chosen = Orva::Kernels::UseKernelSet(set);
    if (!chosen) {
      std::fprintf(stderr, "%s: unknown kernel set, or one this processor cannot run\n", *it);
      return 1;
    }
    args.erase(it);
    break;
  }
  if (!InitializeBenchmarks(args)) return 1;

  for (const CaseInfo& info : Cases()) {
    Register<Ours>(info, kEngines[0]);
    Register<Pixman>(info, kEngines[1]);
    Register<Sdl>(info, kEngines[2]);
    Register<Memcpy>(info, kEngines[3]);
  }
  RateCollector collector("MP/s");
  benchmark::RunSpecifiedBenchmarks(&collector);
  PrintSummary(collector);
  benchmark::Shutdown();
  return 0;
}

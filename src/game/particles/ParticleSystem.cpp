#include "game/particles/ParticleSystem.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

#include "framework/graphics/Color.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/graphics/Transform.h"
#include "framework/resources/PakInterface.h"

namespace Orva {

namespace {

constexpr float kPi = 3.14159265358979f;

uint32_t randomState = 0;
bool randomSeeded = false;

uint32_t U32At(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

float FloatAt(const uint8_t* p) {
  const uint32_t bits = U32At(p);
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}

// 1 / sqrt(d2) by the bit-pattern guess and one Newton step (a zero length gives a finite
// number, and the zero vector then stays zero).
float FastInverseLength(float d2) {
  uint32_t i;
  std::memcpy(&i, &d2, sizeof i);
  i = 0x5F3759DF - (i >> 1);
  float y;
  std::memcpy(&y, &i, sizeof y);
  return y * (1.5f - y * y * d2 * 0.4999f);
}

// Larger sizes only come from damaged parameters; they would cover the screen many times over.
constexpr float kMaxDrawSize = 64;

// The software renderer's additive sprites: one per whole-pixel size up to 64 pixels a side (every
// effect of the game stays below), then in steps of 4 pixels up to 128, where they stop growing.
// A square picture thus has at most about 80 scaled copies (near 1 MB) whatever sizes a file asks
// for; at full size a shrinking giant made a new sprite of up to 2048 pixels a side every frame
// and kept them all.
constexpr int kExactSpriteSide = 64;
constexpr int kSpriteSideStep = 4;
constexpr int kMaxSpriteSide = 128;

int Channel(float value) { return int(std::lround(std::clamp(value, 0.0f, 1.0f) * 255.0f)); }

}  // namespace

bool ParticleParams::Parse(const uint8_t* data, size_t size, ParticleParams& out) {
  if (!data || size < kFileSize) return false;
  ParticleParams p;
  p.emission = int32_t(U32At(data + 4));
  float* floats[] = {&p.lifetime, &p.lifeMin, &p.lifeMax, &p.direction, &p.spread};
  for (int i = 0; i < 5; ++i) *floats[i] = FloatAt(data + 8 + 4 * i);
  p.relative = data[28] != 0;
  float* rest[] = {&p.speedMin,       &p.speedMax,       &p.gravityMin,     &p.gravityMax,   &p.radialMin,
                   &p.radialMax,      &p.tangentialMin,  &p.tangentialMax,  &p.sizeStart,    &p.sizeEnd,
                   &p.sizeVar,        &p.spinStart,      &p.spinEnd,        &p.spinVar,      &p.colourStart[0],
                   &p.colourStart[1], &p.colourStart[2], &p.colourStart[3], &p.colourEnd[0], &p.colourEnd[1],
                   &p.colourEnd[2],   &p.colourEnd[3],   &p.colourVar,      &p.alphaVar};
  for (size_t i = 0; i < std::size(rest); ++i) *rest[i] = FloatAt(data + 32 + 4 * i);
  for (float* f : floats)
    if (!std::isfinite(*f)) return false;
  for (float* f : rest)
    if (!std::isfinite(*f)) return false;
  out = p;
  return true;
}

ParticleSystem::ParticleSystem()
    : particles_(std::make_unique<Particle[]>(kMaxParticles)), scaled_(std::make_shared<ScaledSprites>()) {
  if (!randomSeeded) {
    // Fixed default seed: runs stay reproducible until the application seeds the generator.
    std::mt19937 framework;
    SeedRandom(uint32_t(framework()));
  }
}

void ParticleSystem::SeedRandom(uint32_t seed) {
  randomState = seed;
  randomSeeded = true;
}

float ParticleSystem::RandomDraw() {
  randomState = randomState * 214013u + 2531011u;
  return float(randomState >> 16) / 65535.0f;
}

void ParticleSystem::SetImage(Image* image) {
  image_ = image;
  if (scaled_->source != image) scaled_ = std::make_shared<ScaledSprites>();
}

void ParticleSystem::SetStepsPerSecond(float stepsPerSecond) {
  fixedStep_ = stepsPerSecond > 0 && std::isfinite(stepsPerSecond) ? 1.0f / stepsPerSecond : 0.0f;
  accumulator_ = 0;
}

bool ParticleSystem::Load(const std::string& path, Image* image, float stepsPerSecond) {
  params_ = ParticleParams();
  error_.clear();
  uint8_t data[ParticleParams::kFileSize];
  size_t got = 0;
  if (PakFile* file = p_fopen(path.c_str(), "rb")) {
    got = p_fread(data, 1, sizeof data, file);
    p_fclose(file);
    if (got < sizeof data)
      error_ = path + ": " + std::to_string(got) + " bytes, a particle file has 128";
    else if (!ParticleParams::Parse(data, got, params_))
      error_ = path + ": damaged particle file (a number is not finite)";
  } else {
    error_ = path + ": cannot be opened";
  }
  SetImage(image);
  additive_ = false;
  smoothSpawn_ = true;
  emissionMode_ = kModeContinuous;
  liveCount_ = 0;
  age_ = kStopped;
  ending_ = singleEmitted_ = emittedSinceFire_ = false;
  residue_ = 0;
  SetStepsPerSecond(stepsPerSecond);
  return error_.empty();
}

std::unique_ptr<ParticleSystem> ParticleSystem::Copy() const {
  auto copy = std::make_unique<ParticleSystem>();
  copy->params_ = params_;
  copy->image_ = image_;
  copy->scaled_ = scaled_;
  copy->additive_ = additive_;
  copy->smoothSpawn_ = smoothSpawn_;
  copy->emissionMode_ = emissionMode_;
  copy->fixedStep_ = fixedStep_;
  copy->offsetX_ = offsetX_;
  copy->offsetY_ = offsetY_;
  return copy;
}

void ParticleSystem::Fire(float x, float y) {
  Stop();
  MoveTo(x, y);
  age_ = params_.lifetime == kEndless ? kEndless : 0.0f;
  accumulator_ = 0;
  // A single-particle system emits once per firing.
  ending_ = singleEmitted_ = emittedSinceFire_ = false;
}

void ParticleSystem::MoveTo(float x, float y) {
  if (age_ == kStopped) {
    prevX_ = x;
    prevY_ = y;
  } else {
    prevX_ = curX_;
    prevY_ = curY_;
  }
  curX_ = x;
  curY_ = y;
}

void ParticleSystem::Update(float dt) {
  // A negative or non-finite time step is ignored rather than let it poison the state.
  if (!(dt >= 0) || !std::isfinite(dt)) return;
  if (fixedStep_ <= 0) {
    Simulate(dt);
    return;
  }
  accumulator_ += dt;
  if (accumulator_ >= fixedStep_) {
    Simulate(fixedStep_);
    // Whatever is over is dropped in whole steps: at most one step is simulated per call.
    accumulator_ = std::fmod(accumulator_, fixedStep_);
  }
}

void ParticleSystem::Simulate(float dt) {
  // The stop waits until this system has emitted at least once since it was fired, so a very
  // short lifetime still shows something; the flag is the system's own, so one system's
  // emission never decides when another stops. A system that can never emit (no rate, or a file
  // that failed to load) does not wait, or it would never finish.
  if (age_ >= 0) {
    age_ += dt;
    if (age_ >= params_.lifetime && (emittedSinceFire_ || !CanEmit())) {
      emittedSinceFire_ = false;
      Stop();
    }
  }

  for (int i = 0; i < liveCount_;) {
    Particle& p = particles_[i];
    p.age += dt;
    if (p.age >= p.life) {
      p = particles_[--liveCount_];
      continue;
    }
    if (emissionMode_ == kModeSingleEnding && p.age + 2 * dt >= p.life) ending_ = true;
    const float dx = p.x - curX_, dy = p.y - curY_;
    const float inv = FastInverseLength(dx * dx + dy * dy);
    const float nx = dx * inv, ny = dy * inv;
    p.velX += (p.radial * nx - p.tangential * ny) * dt;
    p.velY += (p.radial * ny + p.tangential * nx) * dt;
    p.velY += p.gravity * dt;
    // Speeds are pixels per step, so the position moves by the whole velocity.
    p.x += p.velX;
    p.y += p.velY;
    p.spin += p.spinRate * dt;
    p.size += p.sizeRate * dt;
    p.red += p.redRate * dt;
    p.green += p.greenRate * dt;
    p.blue += p.blueRate * dt;
    p.alpha += p.alphaRate * dt;
    ++i;
  }

  if (age_ != kStopped) Emit(dt);
  prevX_ = curX_;
  prevY_ = curY_;
}

bool ParticleSystem::CanEmit() const {
  return emissionMode_ == kModeSingleEnding || emissionMode_ == kModeSingle || params_.emission > 0;
}

void ParticleSystem::Emit(float dt) {
  const bool single = emissionMode_ == kModeSingleEnding || emissionMode_ == kModeSingle;
  long count;
  if (single) {
    count = liveCount_ == 0 && !singleEmitted_ ? 1 : 0;
  } else {
    // Rounded in double and bounded, so a huge emission rate cannot overflow the count; the
    // remainder is carried (and used up even when the 500 limit cuts emission short).
    const double want = double(residue_) + double(params_.emission) * double(dt);
    const double rounded = std::round(std::clamp(want, -1e9, 1e9));
    count = long(rounded);
    residue_ = float(std::clamp(want - rounded, -1.0, 1.0));
  }
  const ParticleParams& q = params_;
  for (long n = 0; n < count && liveCount_ < kMaxParticles; ++n) {
    Particle& p = particles_[liveCount_++];
    if (single) singleEmitted_ = true;
    emittedSinceFire_ = true;
    p.age = 0;
    p.life = Uniform(q.lifeMin, q.lifeMax);
    if (smoothSpawn_) {
      const float t = RandomDraw();
      p.x = prevX_ + t * (curX_ - prevX_);
      p.y = prevY_ + t * (curY_ - prevY_);
      p.x += Uniform(-2, 2);
      p.y += Uniform(-2, 2);
    } else {
      p.x = prevX_;
      p.y = prevY_;
    }
    float angle = q.direction - kPi / 2 + Uniform(0, q.spread) - q.spread / 2;
    if (q.relative) angle += std::atan2(prevY_ - curY_, prevX_ - curX_) + kPi / 2;
    const float speed = Uniform(q.speedMin, q.speedMax);
    p.velX = std::cos(angle) * speed;
    p.velY = std::sin(angle) * speed;
    p.gravity = Uniform(q.gravityMin, q.gravityMax);
    p.radial = Uniform(q.radialMin, q.radialMax);
    p.tangential = Uniform(q.tangentialMin, q.tangentialMax);
    p.size = q.sizeStart + RandomDraw() * (q.sizeEnd - q.sizeStart) * q.sizeVar;
    p.spin = q.spinStart;
    if (smoothSpawn_) p.spin += RandomDraw() * (q.spinEnd - q.spinStart) * q.spinVar;
    float* channels[] = {&p.red, &p.green, &p.blue, &p.alpha};
    for (int c = 0; c < 4; ++c) {
      const float var = c < 3 ? q.colourVar : q.alphaVar;
      *channels[c] = q.colourStart[c] + RandomDraw() * (q.colourEnd[c] - q.colourStart[c]) * var;
    }
    // A particle with no life dies on the next step; rates of 0 spare a division by zero.
    const float inv = p.life > 0 ? 1.0f / p.life : 0.0f;
    p.sizeRate = (q.sizeEnd - p.size) * inv;
    p.spinRate = (q.spinEnd - p.spin) * inv;
    p.redRate = (q.colourEnd[0] - p.red) * inv;
    p.greenRate = (q.colourEnd[1] - p.green) * inv;
    p.blueRate = (q.colourEnd[2] - p.blue) * inv;
    p.alphaRate = (q.colourEnd[3] - p.alpha) * inv;
  }
}

MemoryImage* ParticleSystem::ScaledSprite(int w, int h) const {
  if (scaled_->source != image_) {
    scaled_->source = image_;
    scaled_->bySize.clear();
  }
  std::unique_ptr<MemoryImage>& sprite = scaled_->bySize[uint32_t(w) << 16 | uint32_t(h)];
  if (!sprite) {
    sprite = std::make_unique<MemoryImage>();
    sprite->Create(w, h);
    Graphics sg(sprite.get());
    sg.DrawImage(image_, Rect(0, 0, w, h), Rect(0, 0, image_->width, image_->height));
  }
  return sprite.get();
}

size_t ParticleSystem::ScaledSpriteBytes() const {
  size_t bytes = 0;
  for (const auto& [size, sprite] : scaled_->bySize) bytes += size_t(sprite->width) * size_t(sprite->height) * 4;
  return bytes;
}

Rect ParticleSystem::Bounds() const {
  if (!image_ || liveCount_ == 0 || image_->width <= 0 || image_->height <= 0) return Rect();
  // Half the image's diagonal covers it at any spin; two pixels more cover the rounding of
  // positions and sizes on either drawing path.
  const float halfDiagonal = 0.5f * std::hypot(float(image_->width), float(image_->height));
  float left = 0, top = 0, right = 0, bottom = 0;
  bool any = false;
  for (int i = 0; i < liveCount_; ++i) {
    const Particle& p = particles_[i];
    if (!(p.size > 0) || !(p.size < kMaxDrawSize)) continue;
    const float reach = halfDiagonal * p.size + 2;
    const float x = offsetX_ + p.x, y = offsetY_ + p.y;
    if (!std::isfinite(x) || !std::isfinite(y)) continue;
    left = any ? std::min(left, x - reach) : x - reach;
    top = any ? std::min(top, y - reach) : y - reach;
    right = any ? std::max(right, x + reach) : x + reach;
    bottom = any ? std::max(bottom, y + reach) : y + reach;
    any = true;
  }
  if (!any) return Rect();
  // Kept to a range where the rectangle's arithmetic cannot overflow.
  const auto whole = [](float v) { return int(std::clamp(v, -1e6f, 1e6f)); };
  const int x0 = whole(std::floor(left)), y0 = whole(std::floor(top));
  return Rect(x0, y0, whole(std::ceil(right)) - x0, whole(std::ceil(bottom)) - y0);
}

void ParticleSystem::Draw(Graphics* g) const {
  if (!image_ || !g || liveCount_ == 0 || image_->width <= 0 || image_->height <= 0) return;
  g->SetDrawMode(additive_ ? DRAWMODE_ADDITIVE : DRAWMODE_NORMAL);
  g->SetTintImages(true);
  // The software renderer draws additive particles unrotated; since its scaling blits only blend
  // normally, they are drawn from copies of the image scaled to whole pixels, at whole-pixel
  // positions: a sub-pixel placement would send every particle through the bilinear blit, which
  // costs several times the plain one for no visible gain on sparks this small.
  const bool software = additive_ && !g->is3D;
  for (int i = 0; i < liveCount_; ++i) {
    const Particle& p = particles_[i];
    if (!(p.size > 0) || !(p.size < kMaxDrawSize)) continue;
    g->SetColor(Color(Channel(p.red), Channel(p.green), Channel(p.blue), Channel(p.alpha)));
    const float x = offsetX_ + p.x, y = offsetY_ + p.y;
    if (software) {
      float scale = p.size;
      const int longest = std::max(image_->width, image_->height);
      if (float(longest) * scale > float(kExactSpriteSide)) {
        const float side = std::round(float(longest) * scale / float(kSpriteSideStep)) * float(kSpriteSideStep);
        scale = std::min(side, float(kMaxSpriteSide)) / float(longest);
      }
      const int w = std::max(1, int(std::lround(float(image_->width) * scale)));
      const int h = std::max(1, int(std::lround(float(image_->height) * scale)));
      g->DrawImage(ScaledSprite(w, h), int(std::lround(x - float(w) / 2)), int(std::lround(y - float(h) / 2)));
    } else {
      Transform t;
      t.Scale(p.size, p.size);
      if (p.spin != 0) t.Rotate(p.spin);
      g->DrawImageByTransformSubpixel(image_, t, x, y);
    }
  }
  g->SetDrawMode(DRAWMODE_NORMAL);
  g->SetTintImages(false);
}

}  // namespace Orva

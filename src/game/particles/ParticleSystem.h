#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "framework/graphics/Rect.h"

namespace Orva {

class Graphics;
class Image;
class MemoryImage;

// The emitter parameters, as stored in a 128-byte .psi file (little-endian, no header).
struct ParticleParams {
  static constexpr size_t kFileSize = 128;

  int32_t emission = 0;  // particles per second
  float lifetime = 0;    // seconds the system emits; -1 = endless
  float lifeMin = 0, lifeMax = 0;
  float direction = 0;  // radians, 0 = up, growing clockwise
  float spread = 0;
  bool relative = false;             // direction follows the system's own movement
  float speedMin = 0, speedMax = 0;  // pixels per simulation step
  float gravityMin = 0, gravityMax = 0;
  float radialMin = 0, radialMax = 0;
  float tangentialMin = 0, tangentialMax = 0;
  float sizeStart = 0, sizeEnd = 0, sizeVar = 0;
  float spinStart = 0, spinEnd = 0, spinVar = 0;
  float colourStart[4] = {0, 0, 0, 0};  // red, green, blue, alpha, 0 to 1
  float colourEnd[4] = {0, 0, 0, 0};
  float colourVar = 0, alphaVar = 0;

  // Reads the 128-byte layout. False (and out untouched) when fewer than 128 bytes are given or
  // a number is not finite.
  static bool Parse(const uint8_t* data, size_t size, ParticleParams& out);
};

struct Particle {
  float x, y;
  float velX, velY;
  float gravity, radial, tangential;
  float spin, spinRate;
  float size, sizeRate;
  float red, green, blue, alpha;
  float redRate, greenRate, blueRate, alphaRate;
  float age, life;
};

// An emitter of up to 500 textured particles. The game loads a few as templates, and copies a
// template each time an effect is wanted: places it, fires it, updates and draws it, and deletes
// it once it is finished.
class ParticleSystem {
 public:
  static constexpr int kMaxParticles = 500;
  static constexpr float kStopped = -2;
  static constexpr float kEndless = -1;

  // Emission modes: single particle (0: also raises the ending flag just before it dies; 3) or
  // continuous (any other value).
  static constexpr int kModeSingleEnding = 0;
  static constexpr int kModeContinuous = 1;
  static constexpr int kModeSingle = 3;

  ParticleSystem();
  ParticleSystem(const ParticleSystem&) = delete;
  ParticleSystem& operator=(const ParticleSystem&) = delete;

  // Reads the parameters through the archive layer, sets the image and the defaults, stops the
  // system, and simulates in fixed steps of 1 / stepsPerSecond (none when 0). A missing, short
  // or damaged file leaves every parameter at 0 and returns false (see GetError).
  bool Load(const std::string& path, Image* image, float stepsPerSecond);
  const std::string& GetError() const { return error_; }

  // A new system with this one's parameters, image, flags, mode and step; stopped, no particles.
  std::unique_ptr<ParticleSystem> Copy() const;

  void Fire(float x, float y);
  void Stop() { age_ = kStopped; }
  void MoveTo(float x, float y);
  // At most one simulation step per call with a fixed step; otherwise simulates dt.
  void Update(float dt);
  void Draw(Graphics* g) const;
  // The area Draw covers now (empty when nothing would be drawn), in the coordinates it draws to.
  Rect Bounds() const;
  // Stopped with no particle alive: the owner may delete it.
  bool IsFinished() const { return age_ == kStopped && liveCount_ == 0; }
  bool IsStopped() const { return age_ == kStopped; }
  // Mode 0: the single particle is about to die.
  bool IsEnding() const { return ending_; }

  ParticleParams& Params() { return params_; }
  const ParticleParams& Params() const { return params_; }
  void SetImage(Image* image);
  Image* GetImage() const { return image_; }
  void SetAdditive(bool additive) { additive_ = additive; }
  bool IsAdditive() const { return additive_; }
  void SetSmoothSpawn(bool smooth) { smoothSpawn_ = smooth; }
  bool IsSmoothSpawn() const { return smoothSpawn_; }
  void SetEmissionMode(int mode) { emissionMode_ = mode; }
  int GetEmissionMode() const { return emissionMode_; }
  void SetStepsPerSecond(float stepsPerSecond);
  float GetFixedStep() const { return fixedStep_; }
  void SetDrawOffset(float x, float y) {
    offsetX_ = x;
    offsetY_ = y;
  }
  float GetAge() const { return age_; }
  float GetX() const { return curX_; }
  float GetY() const { return curY_; }
  int LiveCount() const { return liveCount_; }
  const Particle& GetParticle(int i) const { return particles_[i]; }
  // Memory held by the scaled copies of the image that additive particles are drawn from.
  size_t ScaledSpriteBytes() const;

  // The generator all systems share: state = state * 214013 + 2531011; a draw is
  // (state >> 16) / 65535. It is seeded once, when the first system is made, unless seeded first.
  static void SeedRandom(uint32_t seed);
  static float RandomDraw();

 private:
  // The image scaled to whole pixels, for the software renderer's additive drawing (its scaling
  // blits ignore the draw mode). Built once per pixel size and shared with copies.
  struct ScaledSprites {
    Image* source = nullptr;
    std::map<uint32_t, std::unique_ptr<MemoryImage>> bySize;
  };
  MemoryImage* ScaledSprite(int w, int h) const;

  // Single-particle modes always emit; a continuous one only with a positive rate.
  bool CanEmit() const;
  void Simulate(float dt);
  void Emit(float dt);
  float Uniform(float a, float b) const { return a + RandomDraw() * (b - a); }

  ParticleParams params_;
  Image* image_ = nullptr;
  bool additive_ = false;
  bool smoothSpawn_ = true;
  int emissionMode_ = kModeContinuous;
  std::unique_ptr<Particle[]> particles_;
  float age_ = kStopped;
  bool ending_ = false;
  bool singleEmitted_ = false;
  bool emittedSinceFire_ = false;
  float fixedStep_ = 0;
  float accumulator_ = 0;
  float residue_ = 0;
  float prevX_ = 0, prevY_ = 0, curX_ = 0, curY_ = 0;
  float offsetX_ = 0, offsetY_ = 0;
  int liveCount_ = 0;
  std::string error_;
  std::shared_ptr<ScaledSprites> scaled_;
};

}  // namespace Orva

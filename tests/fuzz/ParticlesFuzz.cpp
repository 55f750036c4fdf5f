// Any bytes as a particle file. A file that is refused leaves the parameters it was given as they
// were; one that reads has only finite numbers, and plays: fired, moved, simulated in fixed and
// free steps and drawn, normally and additively, it never holds more particles than the system
// has room for and its scaled sprites stay within their memory bound.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "framework/graphics/Graphics.h"
#include "framework/graphics/MemoryImage.h"
#include "fuzz/FuzzSupport.h"
#include "game/particles/ParticleSystem.h"

namespace {

using Orva::ParticleParams;
using Orva::ParticleSystem;
using Orva::Fuzz::Check;

bool AllFinite(const ParticleParams& p) {
  const float fields[] = {p.lifetime,      p.lifeMin,    p.lifeMax,    p.direction, p.spread,    p.speedMin,
                          p.speedMax,      p.gravityMin, p.gravityMax, p.radialMin, p.radialMax, p.tangentialMin,
                          p.tangentialMax, p.sizeStart,  p.sizeEnd,    p.sizeVar,   p.spinStart, p.spinEnd,
                          p.spinVar,       p.colourVar,  p.alphaVar};
  for (const float f : fields)
    if (!std::isfinite(f)) return false;
  for (int c = 0; c < 4; ++c)
    if (!std::isfinite(p.colourStart[c]) || !std::isfinite(p.colourEnd[c])) return false;
  return true;
}

// Not square, so scaled copies have sides of two lengths.
Orva::MemoryImage& Sprite() {
  static Orva::MemoryImage sprite;
  if (sprite.width == 0) {
    sprite.Create(6, 3);
    uint32_t* px = sprite.GetPixels();
    for (int i = 0; i < 6 * 3; ++i) px[i] = i % 2 ? 0xFFFFFFFFu : 0x80FF8040u;
    sprite.PixelsChanged();
  }
  return sprite;
}

void Play(const ParticleParams& params, int mode, bool additive, float stepsPerSecond) {
  ParticleSystem system;
  system.Params() = params;
  system.SetImage(&Sprite());
  system.SetEmissionMode(mode);
  system.SetAdditive(additive);
  system.SetStepsPerSecond(stepsPerSecond);
  system.Fire(32, 32);
  Orva::MemoryImage screen;
  screen.Create(64, 64);
  Orva::Graphics g(&screen);
  for (int step = 0; step < 45; ++step) {
    system.MoveTo(32.0f + float(step % 7), 32.0f - float(step % 5));
    system.Update(step % 3 == 0 ? 0.05f : 1.0f / 30.0f);
    Check(system.LiveCount() >= 0 && system.LiveCount() <= ParticleSystem::kMaxParticles, "particles past the room");
    if (step % 15 == 14) system.Draw(&g);
  }
  // About 80 copies of at most 128 pixels a side for a picture of any size.
  Check(system.ScaledSpriteBytes() <= (size_t(3) << 20), "scaled sprites past their bound");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ParticleParams params;
  params.emission = 12345;
  params.lifetime = 6.5f;
  ParticleParams before;
  std::memcpy(static_cast<void*>(&before), &params, sizeof params);
  if (!ParticleParams::Parse(data, size, params)) {
    Check(std::memcmp(static_cast<void*>(&before), &params, sizeof params) == 0,
          "a refused file changed the parameters");
    return 0;
  }
  Check(size >= ParticleParams::kFileSize, "a short file was read");
  Check(AllFinite(params), "a number read is not finite");
  Play(params, ParticleSystem::kModeContinuous, false, 30);
  Play(params, ParticleSystem::kModeContinuous, true, 0);
  Play(params, ParticleSystem::kModeSingleEnding, true, 60);
  return 0;
}

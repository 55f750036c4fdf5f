#include "game/board/ParticleTemplates.h"

#include <cstdint>
#include <cstdlib>

#include "game/core/ResourceIds.h"
#include "game/particles/ParticleSystem.h"

namespace Orva {

ParticleTemplates::ParticleTemplates() = default;
ParticleTemplates::~ParticleTemplates() = default;

bool ParticleTemplates::Load(std::string& error) {
  error.clear();
  // The effects draw from a generator of their own. Seeded from the application's (rand(), which
  // the framework seeds from -seed), one seed gives one run, particles included.
  ParticleSystem::SeedRandom(uint32_t(std::rand()));
  auto load = [&](const char* path, Image* image, bool additive, bool smoothSpawn) {
    auto system = std::make_unique<ParticleSystem>();
    if (!system->Load(path, image, kStepsPerSecond) && error.empty()) error = system->GetError();
    system->SetAdditive(additive);
    system->SetSmoothSpawn(smoothSpawn);
    return system;
  };
  flyrunsBubbles_ = load("particles/flyruns_bubbles.psi", IMAGE_FBUBBLES, true, true);
  bonus_ = load("particles/bonus.psi", IMAGE_BONUSPART, true, true);
  exp_ = load("particles/exp.psi", IMAGE_EXPPART, true, true);
  nextStage0_ = load("particles/next_stage_0.psi", IMAGE_NEXTSTAGE, false, false);
  nextStage1_ = load("particles/next_stage_1.psi", IMAGE_NEXTSTAGE, false, true);
  redRadial_ = load("particles/red_radial.psi", IMAGE_FBUBBLES, true, false);
  return error.empty();
}

BoardParticles ParticleTemplates::ForBoard() const {
  return BoardParticles{flyrunsBubbles_.get(), bonus_.get(), exp_.get(), nextStage0_.get(), nextStage1_.get()};
}

}  // namespace Orva

#pragma once

#include <memory>
#include <string>

#include "game/board/Board.h"

namespace Orva {

class ParticleSystem;

// The game's six particle templates, read from "particles/" with their pictures (the bound
// resource ids) and drawing flags, simulated in steps of 1/30 s. Five are the board's effects; the
// red radial glow marks the level map's way-point. Effects are copies of these.
class ParticleTemplates {
 public:
  static constexpr float kStepsPerSecond = 30;

  ParticleTemplates();
  ~ParticleTemplates();
  ParticleTemplates(const ParticleTemplates&) = delete;
  ParticleTemplates& operator=(const ParticleTemplates&) = delete;

  // Seeds the effects' generator from rand() (so -seed reaches the effects), then loads all six;
  // a file that fails leaves its template with no particles. False with the first failure's
  // message in error.
  bool Load(std::string& error);

  BoardParticles ForBoard() const;
  ParticleSystem* RedRadial() const { return redRadial_.get(); }

 private:
  std::unique_ptr<ParticleSystem> flyrunsBubbles_, bonus_, exp_, nextStage0_, nextStage1_, redRadial_;
};

}  // namespace Orva

// What plays around the runes: explosions, particle effects, rising texts and the stage-won
// effect, with the stage clock, the extra life earned by the score and its blinking icon.
#include <algorithm>
#include <string>

#include "game/board/Board.h"
#include "game/board/BoardHost.h"
#include "game/board/BoardInternal.h"
#include "game/particles/ParticleSystem.h"

namespace Orva {

namespace {

constexpr int kFloatingTextLife = 25;
constexpr int kExtraLifeEvery = 250000;
constexpr int kMaxLives = 5;
constexpr int kExplosionRuneOffset = 24;
constexpr int kExplosionBonusOffset = 84;

}  // namespace

const int Board::kSparks[5][2] = {{170, 230}, {200, 230}, {250, 260}, {300, 230}, {350, 240}};

void Board::GiveExtraLifeIfEarned() {
  if (mode != MODE_STORY || !host_) return;
  const long long total = host_->GetTotalScore() + score_.GetScore();
  if (total - host_->GetLastLifeTotal() < kExtraLifeEvery || host_->GetLives() >= kMaxLives) return;
  host_->SetLastLifeTotal(total);
  host_->SetLives(host_->GetLives() + 1);
  lifeCount_ = host_->GetLives();
  lifeBlink_ = true;
  lifeBlinkPhase_ = true;
  lifeBlinkTicks_ = 0;
  lifeBlinkFlips_ = 0;
  PlaySound(EFFECT_GOT_BONUS);
}

void Board::AddFloatingText(const std::string& text, float textX, float textY, int colour) {
  FloatingText floating;
  floating.text = text.substr(0, 100);
  floating.x = textX;
  floating.y = textY;
  floating.colour = colour;
  texts_.push_back(floating);
}

void Board::AddExplosion(int type, const Rune& rune, int colour) {
  ExplosionSprite sprite;
  sprite.type = type;
  sprite.colour = colour;
  const int offset = type == ExplosionSprite::kBonus ? kExplosionBonusOffset : kExplosionRuneOffset;
  sprite.x = int(rune.x) - offset;
  sprite.y = int(rune.y) - offset;
  explosions_.push_back(sprite);
  // The sparks fly from the rune's middle, for the small and the large blast alike.
  AddParticles(particles_.exp, rune.x + kRuneSize / 2, rune.y + kRuneSize / 2);
}

ParticleSystem* Board::AddParticles(ParticleSystem* templ, float px, float py) {
  if (!templ) return nullptr;
  particleSystems_.push_back(templ->Copy());
  ParticleSystem* system = particleSystems_.back().get();
  system->Fire(px, py);
  return system;
}

bool Board::IsTrailInFlight(const ParticleSystem* system) const {
  for (const auto& column : inFlight_) {
    for (const Rune* rune : column)
      if (rune->trail == system) return true;
  }
  return false;
}

void Board::UpdateParticles() {
  for (auto it = particleSystems_.begin(); it != particleSystems_.end();) {
    // A trail with a finite lifetime can finish while its rune still flies and moves it; it is
    // kept until the rune lands or bursts.
    if ((*it)->IsFinished() && it->get() != stageWonFirst_ && !IsTrailInFlight(it->get())) {
      it = particleSystems_.erase(it);
    } else {
      (*it)->Update(0.01f);
      ++it;
    }
  }
}

void Board::StartStageWonEffect() {
  stageWonTrigger_ = false;
  stageWonFirst_ = AddParticles(particles_.nextStage0, 260, 230);
  if (stageWonFirst_) stageWonFirst_->SetEmissionMode(ParticleSystem::kModeSingleEnding);
}

void Board::UpdateStageWonEffect() {
  if (stageWonTrigger_) StartStageWonEffect();
  if (!stageWonFirst_ || !(stageWonFirst_->IsEnding() || stageWonFirst_->IsFinished())) return;
  stageWonFirst_ = nullptr;
  if (ParticleSystem* second = AddParticles(particles_.nextStage1, 260, 230))
    second->SetEmissionMode(ParticleSystem::kModeSingle);
  for (const auto& spark : kSparks) AddParticles(particles_.exp, float(spark[0]), float(spark[1]));
}

void Board::UpdateExplosions() {
  for (auto it = explosions_.begin(); it != explosions_.end();) {
    if (++it->ticks >= it->frameDelay) {
      it->ticks = 0;
      if (++it->frame >= it->frameCount) {
        it = explosions_.erase(it);
        continue;
      }
    }
    ++it;
  }
}

void Board::UpdateFloatingTexts() {
  for (auto it = texts_.begin(); it != texts_.end();) {
    it->y -= 1;
    it->alpha = std::max(0, it->alpha - 10);
    if (++it->age >= kFloatingTextLife) {
      it = texts_.erase(it);
    } else {
      ++it;
    }
  }
}

void Board::UpdateClock() {
  if (++clockTicks_ < 100) return;
  clockTicks_ = 0;
  if (++seconds_ < 60) return;
  seconds_ = 0;
  ++minutes_;
}

void Board::UpdateLifeBlink() {
  if (!lifeBlink_ || ++lifeBlinkTicks_ < 30) return;
  lifeBlinkTicks_ = 0;
  lifeBlinkPhase_ = !lifeBlinkPhase_;
  if (++lifeBlinkFlips_ >= 10) {
    lifeBlink_ = false;
    lifeBlinkPhase_ = true;
  }
}

}  // namespace Orva

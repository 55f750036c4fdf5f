// The carriage's shots: firing a rune or the flash's strike and its lightning, runes in flight
// landing or bursting, and the carriage's rune rising into place or changing colour.
#include <cmath>

#include "game/board/Board.h"
#include "game/board/BoardInternal.h"
#include "game/particles/ParticleSystem.h"

namespace Orva {

namespace {

constexpr int kLightningStep = 60;
constexpr int kLightningLength = 300;

}  // namespace

void Board::Shoot() {
  if (inputLock_ || !active_ || paused_) return;
  if (carriageRune_.kind == -1 || changing_ || raising_) return;
  const Rune& row12 = Cell(kLastRow - 2, carriageColumn_);
  const Rune& row13 = Cell(kLastRow - 1, carriageColumn_);
  if (sliding_ && !flashActive_ && row12.kind != -1) return;
  if (row13.kind != -1 && !flashActive_) return;
  const auto& flying = inFlight_[size_t(carriageColumn_)];
  if (!flying.empty() && flying.back()->y < 400) return;

  if (!flashActive_) {
    auto* rune = new Rune(carriageRune_);
    rune->column = carriageColumn_;
    rune->bonus = nullptr;
    rune->trail = AddParticles(particles_.flyrunsBubbles, rune->x + 15, rune->y + 15);
    inFlight_[size_t(carriageColumn_)].push_back(rune);
    carriageRune_ = Rune();
    carriageRune_.x = float(carriageX_ + 34);
    carriageRune_.y = kCarriageRuneY;
    carriageRune_.column = carriageColumn_;
    carriageRune_.kind = PickCarriageColour();
    PlaySound(EFFECT_SHOOT);
    raising_ = true;
    raiseCounter_ = 0;
  } else {
    --flashShots_;
    timerBar_.FlashShotFired();
    inputLock_ = true;
    flashLightning_ = 0;
    flashLightningTicks_ = 0;
    FlashStrike();
    PlaySound(EFFECT_FLASH);
  }
  ++shots_;
}

void Board::FlashStrike() {
  int budget = 3;
  bool hit = false;
  flashTargetY_ = Cell(kLastRow - 1, carriageColumn_).y;
  for (int row = kLastRow - 1; row >= topRow_ && budget > 0; --row) {
    Rune* rune = CellPtr(row, carriageColumn_);
    flashTargetY_ = rune->y;
    if (rune->kind == -1) {
      if (hit) --budget;
    } else {
      hit = true;
      CheckMatch(rune, false);
      --budget;
    }
  }
}

void Board::LandRunes() {
  for (int column = 0; column < kColumns; ++column) {
    auto& flying = inFlight_[size_t(column)];
    if (flying.empty()) continue;
    Rune* rune = flying.front();
    const int row = int(rune->y / float(kCell));
    Rune* target = nullptr;
    if (row > topRow_) {
      for (int r = kLastRow - 2; r >= topRow_; --r) {
        Rune* above = CellPtr(r, column);
        if (above->kind == -1) continue;
        if (std::fabs(above->y - rune->y) < 31) target = CellPtr(r + 1, column);
        break;
      }
    } else {
      target = CellPtr(topRow_, column);
    }
    if (!target) continue;
    // A slide can move runes into the cell meant for the shot; it then takes the first free
    // cell below rather than overwriting a rune.
    while (target->kind != -1 && target->row < kLastRow) target = CellPtr(target->row + 1, column);
    if (target->kind != -1) target = nullptr;
    flying.pop_front();
    Land(rune, target);
  }
}

// Shots still flying when the field is cleared burst where they are, scoring nothing: landed,
// they would stand alone on the won field through the sweep.
void Board::BurstRunesInFlight() {
  for (auto& column : inFlight_) {
    for (Rune* rune : column) {
      if (rune->trail) rune->trail->Stop();
      AddExplosion(ExplosionSprite::kRune, *rune, ColourRow(rune->kind));
      delete rune;
    }
    column.clear();
  }
}

void Board::Land(Rune* flying, Rune* cell) {
  if (flying->trail) flying->trail->Stop();
  const int kind = flying->kind;
  delete flying;
  if (!cell) return;
  cell->kind = kind;
  if (kind >= 0 && kind < kColours) {
    ++colourCounts_[kind];
    ++liveRunes_;
  }
  CheckMatch(cell, true);
  PlaySound(EFFECT_HIT);
}

void Board::RaiseOrChange() {
  if (raising_) {
    carriageRune_.y -= 4;
    raiseCounter_ += 4;
    if (raiseCounter_ >= kCell) {
      raising_ = false;
      raiseCounter_ = 0;
    }
  } else if (changing_) {
    carriageRune_.y += 4;
    raiseCounter_ += 4;
    if (raiseCounter_ >= kCell) {
      if (!flashActive_) carriageRune_.kind = NextChangeColour(carriageRune_.kind);
      changing_ = false;
      raising_ = true;
      raiseCounter_ = 0;
      if (flashActive_ && flashShots_ <= 0) flashActive_ = false;
    }
  }
}

void Board::UpdateFlashLightning() {
  if (flashLightning_ < 0) return;
  if (++flashLightningTicks_ < 5) return;
  flashLightningTicks_ = 0;
  flashLightning_ += kLightningStep;
  if (flashLightning_ >= kLightningLength) {
    flashLightning_ = -1;
    inputLock_ = endState_ != END_PLAYING;
    if (flashShots_ <= 0) changing_ = true;
  }
}

}  // namespace Orva

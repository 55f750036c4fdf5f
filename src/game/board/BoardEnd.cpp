// The end of a stage: the sweep that lights and scores every cell of a won field, and handing
// the won or lost stage over to the host.
#include "game/board/Board.h"
#include "game/board/BoardHost.h"
#include "game/board/BoardInternal.h"

namespace Orva {

namespace {

constexpr int kSweepDelay = 11;

}  // namespace

void Board::StartSweep() {
  sweepStarted_ = true;
  sweepFinished_ = false;
  sweepRow_ = sliding_ ? topRow_ + 1 : topRow_;
  sweepColumn_ = 0;
  sweepDirection_ = 1;
  sweepCounter_ = 0;
  sweepColour_ = 0;
  if (sweepRow_ > kLastRow) sweepFinished_ = true;
}

void Board::SweepStep() {
  if (!sweepFinished_ && ++sweepCounter_ >= kSweepDelay) {
    sweepCounter_ = 0;
    const Rune& cell = Cell(sweepRow_, sweepColumn_);
    AddFloatingText("250", cell.homeX, cell.homeY, sweepColour_);
    sweepColour_ = (sweepColour_ + 1) % 5;
    score_.Add(250);
    GiveExtraLifeIfEarned();
    AddParticles(particles_.bonus, cell.homeX + kRuneSize / 2, cell.homeY + kRuneSize / 2);
    litCells_.emplace_back(sweepRow_, sweepColumn_);
    PlaySound(EFFECT_CELL_LIGHTNING);
    const int rowEnd = sweepDirection_ > 0 ? kColumns - 1 : 0;
    if (sweepColumn_ == rowEnd) {
      if (sweepRow_ == kLastRow) {
        sweepFinished_ = true;
      } else {
        ++sweepRow_;
        sweepDirection_ = -sweepDirection_;
      }
    } else {
      sweepColumn_ += sweepDirection_;
    }
  }
  if (sweepFinished_ && texts_.empty()) StageWon();
}

void Board::StageWon() {
  if (ended_) return;
  ended_ = true;
  PlaySound(EFFECT_LEVEL_UP);
  active_ = false;
  if (host_) host_->StageEnded(this, END_WON, 140, 480, 243, 300);
}

void Board::StageLost() {
  if (ended_) return;
  ended_ = true;
  PlaySound(EFFECT_LOOSE);
  if (lifeCount_ > 0) --lifeCount_;
  if (mode == MODE_STORY && host_) host_->SetLives(host_->GetLives() - 1);
  active_ = false;
  if (host_) {
    if (mode == MODE_ENDLESS) {
      host_->StageEnded(this, -1, 140, 480, 243, 300);
    } else {
      host_->StageEnded(this, END_LOST, 140, 480, 243, 200);
    }
  }
}

}  // namespace Orva

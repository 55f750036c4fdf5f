// The update cycle: a tick of the stage and a frame's share of it, the initial fill, the rows that
// come in and slide the field down, and the board sliding out when it is left.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "game/board/Board.h"
#include "game/board/BoardInternal.h"
#include "game/particles/ParticleSystem.h"

namespace Orva {

namespace {

constexpr int kLossFreezeEnd = 101;
constexpr int kRecheckDelay = 40;
constexpr int kFillDelay = 6;
constexpr int kFloatingTextDelay = 6;
constexpr float kFlightSpeed = 12;  // pixels per update of a rune in flight

}  // namespace

void Board::Update() {
  Widget::Update();
  UpdateSlideOut();
  if (!active_ || paused_) return;

  UpdateLifeBlink();
  UpdateClock();
  if (++textTicker_ >= kFloatingTextDelay) {
    textTicker_ = 0;
    UpdateFloatingTexts();
  }

  if (lossCountdown_ == 0) {
    UpdateParticles();
    UpdateStageWonEffect();
    rowsIndicator_.Update();
    if (filling_) {
      InitialFillStep();
    } else {
      timerBar_.Update(slowTimer_, flashShots_);
      UpdateSlowTimer();

      if (!recheck_.empty() && ++recheckCounter_ > kRecheckDelay) {
        recheckCounter_ = 0;
        std::vector<Rune*> pending;
        pending.swap(recheck_);
        for (Rune* rune : pending) {
          // Dead runes never match; only colours are checked again.
          if (rune->kind >= 0 && rune->kind < kColours) CheckMatch(rune, true);
        }
      }

      LandRunes();
      BonusAppearance();
      UpdateTokens();
      RaiseOrChange();

      // A won stage is only swept and ended: no row comes in and nothing can lose it any more.
      if (endState_ != END_WON) {
        for (int column = 0; column < kColumns; ++column) {
          if (Cell(kLastRow, column).kind != -1) {
            lossCountdown_ = 1;
            inputLock_ = true;
            endState_ = END_LOST;
            MarkDirty();
            return;
          }
        }
        bool colourLeft = false;
        for (const Rune& rune : grid_) colourLeft = colourLeft || (rune.kind >= 0 && rune.kind < kColours);
        if (liveRunes_ <= 0 || (mRowsLeft <= 0 && !colourLeft)) {
          inputLock_ = true;
          endState_ = END_WON;
          BurstRunesInFlight();
        }
      }
      if (endState_ == END_WON && explosions_.empty()) {
        if (!sweepStarted_) StartSweep();
        SweepStep();
      }
      if (sliding_) {
        // A dead row sliding in when the stage is won finishes its slide; no row follows it.
        slideStepToggle_ = !slideStepToggle_;
        if (!slideStepToggle_) slideStepRequested_ = true;
      } else if (endState_ != END_WON) {
        // The interval can shrink under the counter (a slow ending, the endless game speeding
        // up): the column is then due at once rather than never.
        if (pushCounter_ < mSpeed) {
          ++pushCounter_;
        } else {
          pushCounter_ = 0;
          PrepareNextRowColumn();
        }
      }
      UpdateExplosions();
    }
    UpdateFlashLightning();
  } else if (lossCountdown_ >= kLossFreezeEnd) {
    StageLost();
  } else {
    ++lossCountdown_;
  }
  MarkDirty();
}

void Board::UpdateSlideOut() {
  if (!slidingOut_) return;
  if (slideOutLeft_ > 0) {
    slideOutLeft_ -= 10;
    Move(x - 10, y);
    return;
  }
  slidingOut_ = false;
  if (mode == MODE_CUSTOM) FreeStagePictures();
  active_ = false;
  if (parent) parent->RemoveWidget(this);
}

void Board::UpdateSmooth(float fraction) {
  Widget::UpdateSmooth(fraction);
  if (!active_ || paused_ || lossCountdown_ != 0) return;
  if (slideStepRequested_) {
    slideStepRequested_ = false;
    // At least a pixel, so a display running faster than the updates cannot stall the slide.
    SlideStep(std::max(1, int(std::lround(fraction))));
  }
  for (auto& column : inFlight_) {
    for (Rune* rune : column) {
      rune->y -= fraction * kFlightSpeed;
      if (rune->trail) rune->trail->MoveTo(rune->x + 15, rune->y + 15);
    }
  }
  if (runeMoved_ && !sliding_) CloseGaps(fraction);
  MarkDirty();
}

void Board::InitialFillStep() {
  if (++fillCounter_ < kFillDelay) return;
  fillCounter_ = 0;
  if (fillLeft_ > 0 && fillRow_ < kLastRow) {
    Cell(fillRow_, fillColumn_).kind = PickRowColour();
    --fillLeft_;
  }
  if (fillLeft_ <= 0 || fillRow_ >= kLastRow) {
    filling_ = false;
    inputLock_ = false;
    raising_ = true;
    raiseCounter_ = 0;
    return;
  }
  if (fillColumn_ == fillTurnColumn_) {
    ++fillRow_;
    fillDirection_ = -fillDirection_;
    fillTurnColumn_ = fillDirection_ > 0 ? kColumns - 1 : 0;
  } else {
    fillColumn_ += fillDirection_;
  }
}

void Board::PrepareNextRowColumn() {
  if (nextColumnCounter_ < kColumns) {
    nextRow_[size_t(nextColumnCounter_)] = mRowsLeft > 0 ? PickRowColour() : kDeadKind;
    ++nextColumnCounter_;
  }
  if (nextColumnCounter_ < kColumns) return;

  if (mode == MODE_ENDLESS) {
    ++rowsPushed_;
    if (rowsPushed_ == 7 || rowsPushed_ == 15) {
      mBaseSpeed -= 20;
      mSpeed -= 20;
      ++speedLevel_;
    } else if (rowsPushed_ == 25 || rowsPushed_ == 40) {
      mBaseSpeed -= 10;
      mSpeed -= 10;
      ++speedLevel_;
    } else if (rowsPushed_ == 60) {
      mBaseSpeed -= 10;
      mSpeed -= 10;
    }
  }
  sliding_ = true;
  slideStepToggle_ = false;
  slideStepRequested_ = false;
  pixelsSlid_ = 0;
  nextColumnCounter_ = 0;
  const bool realRow = mRowsLeft > 0;
  --mRowsLeft;
  if (mRowsLeft < 1) mRowsLeft = -1;
  if (realRow) rowsIndicator_.RowPushed(mRowsLeft == -1);
  for (int column = 0; column < kColumns; ++column) {
    int kind = nextRow_[size_t(column)];
    if (kind == kDeadKind) kind = kDeadKind + rand() % kColours;
    Cell(0, column).kind = kind;
    nextRow_[size_t(column)] = kNotChosen;
  }
  PlaySound(EFFECT_ROW_SLIDED);
}

void Board::SlideStep(int step) {
  for (Rune& rune : grid_) rune.y += float(step);
  const int from = std::max(0, carriageColumn_ - 1);
  const int to = std::min(kColumns - 1, carriageColumn_ + 1);
  for (int column = from; column <= to; ++column) {
    if (Cell(kLastRow - 1, column).kind != -1) {
      carriageY_ += step;
      carriageRune_.y += float(step);
      inputLock_ = true;
      break;
    }
  }
  pixelsSlid_ += float(step);
  if (pixelsSlid_ >= float(kCell) - 1) EndSlide();
}

void Board::EndSlide() {
  sliding_ = false;
  slideStepRequested_ = false;
  for (int row = kLastRow; row >= 1; --row) {
    for (int column = 0; column < kColumns; ++column) {
      Rune& below = Cell(row, column);
      Rune& above = Cell(row - 1, column);
      below.kind = above.kind;
      below.bonus = above.bonus;
      if (below.bonus) below.bonus->rune = &below;
      above.kind = -1;
      above.bonus = nullptr;
    }
  }
  for (Rune& rune : grid_) {
    rune.x = rune.homeX;
    rune.y = rune.homeY;
  }
  // Once the supply is used up the top row moves down with every slide, from the slide of the
  // last row of colours on: that row stays above it, reached only through the groups it joins.
  if (mRowsLeft < 0 && topRow_ < kLastRow) ++topRow_;
}

}  // namespace Orva

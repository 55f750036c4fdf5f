#include "game/board/Board.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "framework/graphics/Font.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/platform/KeyCodes.h"
#include "framework/platform/WindowMessage.h"
#include "framework/widgets/ButtonWidget.h"
#include "game/board/BoardHost.h"
#include "game/board/BoardInternal.h"
#include "game/core/ResourceIds.h"
#include "game/core/SafeFormat.h"
#include "game/particles/ParticleSystem.h"

namespace Orva {

namespace {

constexpr int kLossFreezeEnd = 101;
constexpr int kRecheckDelay = 40;
constexpr int kFillDelay = 6;
constexpr int kFloatingTextDelay = 6;
constexpr float kFlightSpeed = 12;  // pixels per update of a rune in flight

}  // namespace

Board::Board(BoardHost* host) : host_(host) {
  for (int row = 0; row < kRows; ++row) {
    for (int column = 0; column < kColumns; ++column) {
      Rune& rune = Cell(row, column);
      rune.row = row;
      rune.column = column;
      rune.homeX = float(kGridLeft + kCell * column);
      rune.homeY = float(kGridTop + kCell * row);
      rune.x = rune.homeX;
      rune.y = rune.homeY;
    }
  }
  carriageRune_.x = float(carriageX_ + 34);
  carriageRune_.y = kCarriageRuneY;
  nextRow_.fill(kNotChosen);

  menuButton_ = std::make_unique<ButtonWidget>(kMenuButtonId, this);
  // Enter and the pad's Start open the game menu; the field keeps the keyboard focus.
  menuButton_->navigable = false;
  menuButton_->SetColor(ButtonWidget::COLOR_LABEL, Color(200, 235, 255));
  menuButton_->SetColor(ButtonWidget::COLOR_LABEL_HILITE, Color(255, 255, 255));
  menuButton_->Resize(565, 400, 69, 69);
}

Board::~Board() {
  if (menuButton_ && menuButton_->parent) menuButton_->parent->RemoveWidget(menuButton_.get());
  ClearDynamicState();
}

void Board::PlaySound(int effect) {
  if (host_) host_->PlaySound(effect);
}

// ---- Widget

void Board::Attached(WidgetManager* manager) {
  Widget::Attached(manager);
  menuButton_->upPicture = IMAGE_MENU_B;
  menuButton_->hoverPicture = IMAGE_MENU_F;
  menuButton_->pressedPicture = IMAGE_MENU_D;
  if (FONT_MAIN_MENU) menuButton_->SetFont(FONT_MAIN_MENU);
  menuButton_->label = host_ ? host_->GetGameString(TEXT_MENU) : std::string();
  if (!HasWidget(menuButton_.get())) AddWidget(menuButton_.get());
}

void Board::Detached(WidgetManager* manager) {
  if (HasWidget(menuButton_.get())) RemoveWidget(menuButton_.get());
  Widget::Detached(manager);
}

void Board::Resize(int newX, int newY, int newWidth, int newHeight) {
  Widget::Resize(newX, newY, newWidth, newHeight);
  menuButton_->Resize(565, 400, 69, 69);
}

void Board::OnButtonReleased(int id) {
  if (id != kMenuButtonId || (host_ && host_->IsScreenSlideActive())) return;
  PlaySound(EFFECT_BIG_BUTTON_CLICKED);
  if (host_ && host_->OpenGameMenu(this)) active_ = false;
}

void Board::OnButtonHoverStart(int id) {
  if (id == kMenuButtonId && !(host_ && host_->IsScreenSlideActive())) PlaySound(EFFECT_BIG_BUTTON_FOCUSED);
}

// ---- Controls

void Board::SetColumn(int column) {
  carriageColumn_ = std::clamp(column, 0, kColumns - 1);
  carriageX_ = int(Cell(0, carriageColumn_).homeX) - 34;
  carriageRune_.x = float(carriageX_ + 34);
  carriageRune_.column = carriageColumn_;
}

void Board::AimAtColumn(int column) {
  if (inputLock_ || !active_ || paused_) return;
  SetColumn(column);
  MarkDirty();
}

void Board::RequestRuneChange() {
  if (inputLock_ || !active_ || paused_) return;
  changing_ = true;
}

void Board::KeyDown(int key) {
  if (inputLock_ || !active_) return;
  if (key == KEYCODE_RETURN && !paused_) {
    OnButtonReleased(kMenuButtonId);
    return;
  }
  if (key == KEYCODE_ESCAPE) {
    if (paused_) {
      if (host_) host_->HidePauseOverlay();
      paused_ = false;
      if (host_) host_->PlayLevelMusic(-1);
    } else {
      if (host_) host_->ShowPauseOverlay();
      if (host_) host_->StopLevelMusic();
      paused_ = true;
    }
    return;
  }
  if (paused_) return;
  switch (key) {
    case KEYCODE_SPACE: Shoot(); break;
    case KEYCODE_LEFT:
      if (carriageColumn_ > 0) SetColumn(carriageColumn_ - 1);
      break;
    case KEYCODE_RIGHT:
      if (carriageColumn_ < kColumns - 1) SetColumn(carriageColumn_ + 1);
      break;
    case KEYCODE_UP:
    case KEYCODE_DOWN:
      if (!flashActive_) {
        RequestRuneChange();
        PlaySound(EFFECT_CHANGE_RUNE);
      }
      break;
    default: break;
  }
  MarkDirty();
}

bool Board::PadButtonDown(int button) {
  // The field keeps every pad button while it has the focus, as it keeps every key.
  if (inputLock_ || !active_) return true;
  const PadButton pressed = PadButton(button);
  if (paused_) {
    if (pressed == PadButton::SOUTH || pressed == PadButton::START) KeyDown(KEYCODE_ESCAPE);
    return pressed != PadButton::BACK && pressed != PadButton::EAST;  // those are Escape already
  }
  switch (pressed) {
    case PadButton::SOUTH: KeyDown(KEYCODE_SPACE); return true;
    case PadButton::WEST:
    case PadButton::NORTH: KeyDown(KEYCODE_UP); return true;
    case PadButton::LEFT_SHOULDER: SetColumn(carriageColumn_ - kShoulderColumns); break;
    case PadButton::RIGHT_SHOULDER: SetColumn(carriageColumn_ + kShoulderColumns); break;
    // The stick's up and down come with its sideways moves too often to change the rune.
    case PadButton::STICK_UP:
    case PadButton::STICK_DOWN:
    case PadButton::EAST: return true;
    default: return false;
  }
  MarkDirty();
  return true;
}

void Board::MouseMove(int mx, int /*my*/) {
  if (inputLock_ || !active_ || paused_) return;
  int column = 8;
  if (mx < kGridLeft) {
    column = 0;
  } else if (mx < 371) {
    column = (mx - kGridLeft) / kCell;
  }
  SetColumn(column);
  MarkDirty();
}

void Board::MouseDown(int /*mx*/, int /*my*/, int clickCount) {
  if (inputLock_ || !active_ || paused_) return;
  if (clickCount > 0) {
    Shoot();
  } else if (clickCount < 0 && !flashActive_) {
    RequestRuneChange();
    PlaySound(EFFECT_CHANGE_RUNE);
  }
}

// ---- Colour picks

int Board::PickRowColour() {
  // A stage always has a colour (reading a stage without one falls back to three); the guard
  // keeps a hand-made board from indexing an empty list.
  const int kind = currentColours_.empty() ? 0 : currentColours_[size_t(rand()) % currentColours_.size()];
  ++colourCounts_[kind];
  return kind;
}

int Board::PickCarriageColour() {
  auto randomListColour = [&] {
    return currentColours_.empty() ? 0 : currentColours_[size_t(rand()) % currentColours_.size()];
  };
  // Passes over the colours still in the game, each taken on an odd draw. When no colour is
  // counted at all (the field was cleared while rows are still to come and none of the next row
  // is chosen yet) no pass could take one: the stage's colours are used instead.
  bool anyCounted = false;
  for (int count : colourCounts_) anyCounted = anyCounted || count != 0;
  if (!anyCounted) return randomListColour();
  for (;;) {
    for (int colour = 0; colour < kColours; ++colour) {
      if (colourCounts_[colour] != 0 && (rand() & 1)) return colour;
    }
    if (liveRunes_ == 0) return randomListColour();
  }
}

int Board::NextChangeColour(int current) {
  const int from = (current >= 0 && current < kColours) ? current : kColours - 1;
  for (int step = 1; step <= kColours; ++step) {
    const int colour = (from + step) % kColours;
    if (colourCounts_[colour] != 0) return colour;
  }
  return currentColours_.empty() ? 0 : currentColours_[size_t(rand()) % currentColours_.size()];
}

// ---- Prepared fields

void Board::SetCell(int row, int column, int kind) {
  Rune& rune = Cell(row, column);
  if (rune.kind >= 0 && rune.kind < kColours) {
    --colourCounts_[rune.kind];
    --liveRunes_;
  }
  rune.kind = kind;
  if (kind >= 0 && kind < kColours) {
    ++colourCounts_[kind];
    ++liveRunes_;
  }
}

BonusToken* Board::PlaceToken(int row, int column, int kind) {
  Rune& rune = Cell(row, column);
  if (rune.bonus) DeleteToken(rune.bonus);
  auto* token = new BonusToken();
  token->kind = kind;
  token->phase = BonusToken::kStable;
  token->rune = &rune;
  rune.bonus = token;
  tokens_.push_back(token);
  return token;
}

void Board::SkipInitialFill() {
  if (!filling_) return;
  filling_ = false;
  fillLeft_ = 0;
  inputLock_ = false;
  raising_ = true;
}

int Board::CountRunesInFlight() const {
  int count = 0;
  for (const auto& column : inFlight_) count += int(column.size());
  return count;
}

void Board::SetLifeCount(int lives) { lifeCount_ = lives == -1 ? 3 : lives; }

void Board::ClearGrid() {
  for (Rune& rune : grid_) {
    if (rune.bonus) DeleteToken(rune.bonus);
    rune.kind = -1;
    rune.marked = 0;
  }
  MarkDirty();
}

void Board::StartSlideOut() {
  slidingOut_ = true;
  slideOutLeft_ = 640;
}

// ---- Update

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

// ---- Clean-up

void Board::ClearDynamicState() {
  for (auto& column : inFlight_) {
    for (Rune* rune : column) delete rune;
    column.clear();
  }
  for (BonusToken* token : tokens_) {
    if (token->rune && token->rune->bonus == token) token->rune->bonus = nullptr;
    delete token;
  }
  tokens_.clear();
  for (Rune& rune : grid_) rune.bonus = nullptr;
  stageWonFirst_ = nullptr;
  particleSystems_.clear();
  explosions_.clear();
  texts_.clear();
  recheck_.clear();
}

}  // namespace Orva

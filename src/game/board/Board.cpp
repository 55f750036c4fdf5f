// The board itself: its construction, the widget hooks and the menu button, the controls, the
// colour picks, the prepared fields tests and tools set up, and clearing what a stage leaves.
#include "game/board/Board.h"

#include <algorithm>
#include <cstdlib>

#include "framework/graphics/Color.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/platform/KeyCodes.h"
#include "framework/platform/WindowMessage.h"
#include "framework/widgets/ButtonWidget.h"
#include "game/board/BoardHost.h"
#include "game/board/BoardInternal.h"
#include "game/core/ResourceIds.h"
#include "game/particles/ParticleSystem.h"

namespace Orva {

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

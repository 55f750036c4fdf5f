// Drawing the field: the stage's pictures, the runes and their tokens, the sweep's lit cells, the
// effects, the carriage and its rune, and the HUD beside the field.
#include <algorithm>
#include <string>

#include "framework/graphics/Font.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/MemoryImage.h"
#include "game/board/Board.h"
#include "game/board/BoardHost.h"
#include "game/board/BoardInternal.h"
#include "game/core/ResourceIds.h"
#include "game/core/SafeFormat.h"
#include "game/particles/ParticleSystem.h"

namespace Orva {

const int Board::kTextColours[kColours][3] = {{254, 181, 144}, {206, 240, 143}, {253, 243, 141},
                                              {254, 171, 236}, {232, 219, 215}, {187, 188, 203}};

void Board::Draw(Graphics* g) {
  if (background_) g->DrawImage(background_.get(), 0, 0);
  if (IMAGE_BOARD) g->DrawImage(IMAGE_BOARD, 85, 0);
  // The area's plaque behind the score, lives and stage texts.
  if (leaf_) g->DrawImage(leaf_.get(), 432, 2);
  if (boss_) g->DrawImage(boss_.get(), 530 - boss_->GetWidth() / 2, 175);

  const bool carriageAtRest = !filling_ && !raising_ && !changing_ && carriageRune_.kind != -1;
  if (carriageAtRest && IMAGE_KARETKASL) g->DrawImage(IMAGE_KARETKASL, kGridLeft + kCell * carriageColumn_, 21);

  for (const Rune& rune : grid_) {
    if (rune.kind == -1) continue;
    const int rx = int(rune.x);
    const int ry = int(rune.y);
    const BonusToken* token = rune.bonus;
    const int sheetRow = ColourRow(rune.kind);
    const Rect runeCell(kRuneSize * rune.kind, 0, kRuneSize, kRuneSize);
    const Rect tokenCell(kRuneSize * (token ? token->kind : 0), kRuneSize * sheetRow, kRuneSize, kRuneSize);
    // A token shows on its rune once it has blinked in; a dead rune has no bonus picture of its
    // own, so its token is only ever shown over it.
    const bool tokenShown = token && rune.kind < kColours && (token->phase == BonusToken::kStable || token->phase < 0);
    if (tokenShown) {
      if (IMAGE_BONUSES) g->DrawImage(IMAGE_BONUSES, rx, ry, tokenCell);
    } else if (IMAGE_RUNES) {
      g->DrawImage(IMAGE_RUNES, rx, ry, runeCell);
    }
    if (token && IMAGE_BONUSES && (token->blinkOn || rune.kind >= kColours)) {
      g->SetTintImages(true);
      g->SetColor(Color(255, 255, 255, 155));
      g->DrawImage(IMAGE_BONUSES, rx, ry, tokenCell);
      g->SetTintImages(false);
    }
  }
  if (IMAGE_TOPBRICK) g->DrawImage(IMAGE_TOPBRICK, 85, 0);

  if (IMAGE_LIGHTEDCELL && !litCells_.empty()) {
    g->SetTintImages(true);
    g->SetColor(Color(255, 255, 255, 55));
    for (const auto& [row, column] : litCells_) {
      const Rune& cell = Cell(row, column);
      g->DrawImage(IMAGE_LIGHTEDCELL, int(cell.homeX), int(cell.homeY));
    }
    g->SetTintImages(false);
  }

  for (const auto& system : particleSystems_) system->Draw(g);

  for (const ExplosionSprite& sprite : explosions_) {
    if (sprite.type == ExplosionSprite::kBonus) {
      if (IMAGE_BEXP) g->DrawImage(IMAGE_BEXP, sprite.x, sprite.y, Rect(198 * sprite.frame, 0, 198, 198));
    } else if (IMAGE_REXP) {
      g->DrawImage(IMAGE_REXP, sprite.x, sprite.y, Rect(78 * sprite.frame, 78 * sprite.colour, 78, 78));
    }
  }

  if (IMAGE_RUNES) {
    for (const auto& column : inFlight_) {
      for (const Rune* rune : column)
        g->DrawImageSubpixel(IMAGE_RUNES, rune->x, rune->y, Rect(kRuneSize * rune->kind, 0, kRuneSize, kRuneSize));
    }
  }

  if (FONT_MAIN_MENU) {
    g->SetFont(FONT_MAIN_MENU);
    for (const FloatingText& text : texts_) {
      const int* rgb = kTextColours[text.colour];
      g->SetColor(Color(rgb[0], rgb[1], rgb[2], text.alpha));
      g->DrawString(text.text, int(text.x), int(text.y));
    }
  }

  if (flashLightning_ >= 0 && IMAGE_LIGHTNING) {
    // The bolt reaches from the carriage up to the last rune the strike visited.
    const int reach = std::max(0, 437 - int(flashTargetY_));
    const int length = std::min({flashLightning_, IMAGE_LIGHTNING->GetHeight(), reach});
    const int lx = kGridLeft + kCell * carriageColumn_ - 9;
    if (length > 0)
      g->DrawImage(IMAGE_LIGHTNING, lx, 437 - length,
                   Rect(0, IMAGE_LIGHTNING->GetHeight() - length, IMAGE_LIGHTNING->GetWidth(), length));
  }

  if (carriageRune_.kind != -1) {
    if (flashActive_ && carriageRune_.kind < kColours) {
      if (IMAGE_BONUSES)
        g->DrawImage(IMAGE_BONUSES, int(carriageRune_.x), int(carriageRune_.y),
                     Rect(kRuneSize * BONUS_FLASH, kRuneSize * carriageRune_.kind, kRuneSize, kRuneSize));
    } else if (IMAGE_RUNES) {
      g->DrawImage(IMAGE_RUNES, int(carriageRune_.x), int(carriageRune_.y),
                   Rect(kRuneSize * carriageRune_.kind, 0, kRuneSize, kRuneSize));
    }
  }
  if (IMAGE_KARETKA) g->DrawImage(IMAGE_KARETKA, carriageX_, carriageY_);

  DrawHud(g);
}

void Board::DrawHud(Graphics* g) {
  for (int i = 0; i < 5; ++i) {
    const bool activeIcon = lifeCount_ > i;
    if (activeIcon && lifeBlink_ && !lifeBlinkPhase_ && i == lifeCount_ - 1) continue;
    Image* icon = activeIcon ? IMAGE_LIVEACTIVE : IMAGE_LIVEINACTIVE;
    if (icon) g->DrawImage(icon, 440 + 28 * i, 125);
  }
  if (IMAGE_INDIC) g->DrawImage(IMAGE_INDIC, 8, 47);
  timerBar_.Draw(g, IMAGE_INDIC_RED, IMAGE_SMALL_BONUS);
  rowsIndicator_.Draw(g, IMAGE_INDIC_BLUE);
  score_.Draw(g, IMAGE_DIGITS);

  if (!FONT_MAIN_MENU || !host_) return;
  g->SetFont(FONT_MAIN_MENU);
  g->SetColor(Color::White);
  std::string heading;
  if (mode == MODE_ENDLESS) {
    heading = SafeFormat(host_->GetGameString(TEXT_SPEED), {host_->GetGameString(TEXT_FIRST_SPEED_NAME + speedLevel_)});
  } else {
    heading = SafeFormat(host_->GetGameString(TEXT_LEVEL_STAGE), {level, stage});
  }
  g->DrawString(heading, 440, 25);
  g->DrawString(host_->GetGameString(TEXT_SCORE), 440, 58);
  g->DrawString(host_->GetGameString(TEXT_LIVES), 440, 116);
}

}  // namespace Orva

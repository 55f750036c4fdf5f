// Bonus tokens: where they appear, how they blink in and out, what each does when its rune
// explodes, and the slow bonus's timer.
#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "game/board/Board.h"
#include "game/board/BoardHost.h"
#include "game/board/BoardInternal.h"
#include "game/core/SafeFormat.h"

namespace Orva {

void Board::BonusAppearance() {
  if (bonusInterval <= 0 || ++bonusCounter_ < bonusInterval) return;
  bonusCounter_ = 0;
  if (enabledBonuses.empty()) return;
  for (int attempt = 0; attempt < 3; ++attempt) {
    const int row = topRow_ + rand() % (kRows - topRow_);
    const int column = rand() % kColumns;
    Rune& rune = Cell(row, column);
    if (rune.kind == -1 || rune.bonus) continue;
    auto* token = new BonusToken();
    token->kind = enabledBonuses[size_t(rand()) % enabledBonuses.size()];
    token->rune = &rune;
    rune.bonus = token;
    tokens_.push_back(token);
    break;
  }
}

void Board::UpdateTokens() {
  for (auto it = tokens_.begin(); it != tokens_.end();) {
    BonusToken* token = *it++;
    if (token->phase == BonusToken::kStable) {
      if (++token->age >= bonusLifetime) {
        token->phase = -1;
        token->blinkOn = 0;
        token->age = 0;
      }
    } else if (token->phase == 6) {
      token->phase = BonusToken::kStable;
    } else if (token->phase == -6) {
      DeleteToken(token);
    } else if (token->blinkCounter < 50) {
      ++token->blinkCounter;
    } else {
      token->blinkCounter = 0;
      token->blinkOn = !token->blinkOn;
      token->phase += token->phase > 0 ? 1 : -1;
    }
  }
}

std::string Board::ApplyToken(BonusToken* token, std::vector<Rune*>& group, int groupKind, int& multiplier) {
  const Rune* at = token->rune;
  std::string text;
  switch (token->kind) {
    case BONUS_TRIPPLE:
      // Held at the largest int like the points it multiplies (3 to the 20th is past it).
      multiplier = multiplier > INT_MAX / 3 ? INT_MAX : multiplier * 3;
      text = SafeFormat(host_ ? host_->GetGameString(TEXT_TRIPPLE) : std::string(), {multiplier});
      break;
    case BONUS_SLOW:
      if (slowTimer_ < 0) mSpeed *= 2;
      slowTimer_ = mSpeed * 20 + 128;
      if (host_) text = host_->GetGameString(TEXT_SLOW);
      break;
    case BONUS_WIPE:
      for (int row = topRow_; row <= kLastRow; ++row) {
        for (int column = 0; column < kColumns; ++column) {
          Rune* rune = CellPtr(row, column);
          if (rune->kind == groupKind && !rune->marked) {
            rune->marked = 1;
            group.push_back(rune);
          }
        }
      }
      if (host_) text = host_->GetGameString(TEXT_WIPE);
      break;
    case BONUS_BOMB:
      for (int row = at->row - 1; row <= at->row + 1; ++row) {
        for (int column = at->column - 1; column <= at->column + 1; ++column) {
          if (row < topRow_ || row > kLastRow || column < 0 || column >= kColumns) continue;
          Rune* rune = CellPtr(row, column);
          if (rune->kind != -1 && !rune->marked) {
            rune->marked = 1;
            group.push_back(rune);
          }
        }
      }
      if (host_) text = host_->GetGameString(TEXT_BOMB);
      break;
    case BONUS_FLASH:
      if (!flashActive_) {
        flashActive_ = true;
        changing_ = true;
      }
      carriageRune_.kind = groupKind;
      flashShots_ += 6;
      if (host_) text = host_->GetGameString(TEXT_FLASH);
      break;
    default: break;
  }
  if (timerBar_.Offer(token->kind, ColourRow(groupKind), slowTimer_, flashShots_)) PlaySound(EFFECT_GOT_BONUS);
  return text;
}

void Board::DeleteToken(BonusToken* token) {
  if (token->rune && token->rune->bonus == token) token->rune->bonus = nullptr;
  tokens_.remove(token);
  delete token;
}

void Board::UpdateSlowTimer() {
  if (slowTimer_ < 0) return;
  if (--slowTimer_ <= 0) {
    slowTimer_ = -1;
    mSpeed = mBaseSpeed;
  }
}

}  // namespace Orva

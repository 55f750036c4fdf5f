#pragma once

// What the board's own source files share, and nothing outside the board includes: the sounds and
// strings of the game's tables the board uses, the bonus kinds, and a rune's row in the colour sheets.
#include "game/board/Board.h"

namespace Orva {

// Effects of the game's sound table the board plays.
enum BoardEffect {
  EFFECT_SHOOT = 0,
  EFFECT_HIT = 1,
  EFFECT_EXPLODE = 2,
  EFFECT_GOT_BONUS = 3,
  EFFECT_FLASH = 4,
  EFFECT_ROW_SLIDED = 5,
  EFFECT_BIG_BUTTON_FOCUSED = 6,
  EFFECT_BIG_BUTTON_CLICKED = 7,
  EFFECT_CHANGE_RUNE = 11,
  EFFECT_BONUS_EXPLOSION = 12,
  EFFECT_LEVEL_UP = 13,
  EFFECT_LOOSE = 14,
  EFFECT_CELL_LIGHTNING = 17,
};

enum BonusKind { BONUS_TRIPPLE = 0, BONUS_SLOW = 1, BONUS_WIPE = 2, BONUS_BOMB = 3, BONUS_FLASH = 4 };

// Strings of the string table the board shows.
enum BoardText {
  TEXT_MENU = 28,
  TEXT_LEVEL_STAGE = 29,
  TEXT_SCORE = 30,
  TEXT_LIVES = 31,
  TEXT_TRIPPLE = 36,
  TEXT_BOMB = 37,
  TEXT_WIPE = 38,
  TEXT_FLASH = 39,
  TEXT_FIRST_SPEED_NAME = 50,
  TEXT_SPEED = 69,
  TEXT_SLOW = 77,
};

// The colour row a rune's kind uses in the colour sheets: dead runes use their colour's row.
inline int ColourRow(int kind) { return kind < 0 ? 0 : kind % Board::kColours; }

}  // namespace Orva

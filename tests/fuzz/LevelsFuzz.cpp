// Any bytes as the level file: a stage that loads holds only values a stage can play (the limits
// of the level reader), and a stage that does not load leaves the board as it was. Each input is
// asked for the first stages of the first levels, and for the level and stage its last two bytes
// name, so a mutated file can move its ids out of reach of the fixed ones and still be read.
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "game/board/Board.h"

namespace {

using Orva::Board;
using Orva::Fuzz::Check;

bool Increasing(const std::vector<int>& kinds, int count) {
  for (size_t i = 0; i < kinds.size(); ++i) {
    if (kinds[i] < 0 || kinds[i] >= count) return false;
    if (i > 0 && kinds[i] <= kinds[i - 1]) return false;
  }
  return true;
}

// Values no stage can have, so a load that fails can be seen to have written nothing.
void Poison(Board& board) {
  board.level = board.stage = -7;
  board.mRowsLeft = board.mStartRunes = board.mBaseSpeed = board.mSpeed = -7;
  board.bonusInterval = board.bonusLifetime = -7;
  board.enabledBonuses = {-7};
  board.enabledColours = {-7};
}

bool Poisoned(const Board& board) {
  return board.level == -7 && board.stage == -7 && board.mRowsLeft == -7 && board.mStartRunes == -7 &&
         board.mBaseSpeed == -7 && board.mSpeed == -7 && board.bonusInterval == -7 && board.bonusLifetime == -7 &&
         board.enabledBonuses == std::vector<int>{-7} && board.enabledColours == std::vector<int>{-7};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The level reader never asks the application for anything.
  static Board board(nullptr);
  const std::string xml(reinterpret_cast<const char*>(data), size);
  std::vector<std::pair<int, int>> wanted = {{1, 1}, {1, 2}, {2, 1}, {3, 4}};
  if (size >= 2) wanted.emplace_back(data[size - 2] % 32, data[size - 1] % 32);
  for (const auto& [level, stage] : wanted) {
    Poison(board);
    if (!board.LoadStageFromText(xml, level, stage)) {
      Check(Poisoned(board), "a stage that did not load changed the board");
      continue;
    }
    Check(board.level == level && board.stage == stage, "the board holds another stage than the one asked for");
    Check(board.mRowsLeft >= 0 && board.mRowsLeft <= 50, "rows out of range");
    Check(board.mStartRunes >= 0 && board.mStartRunes <= 12 * Board::kColumns, "starting runes out of range");
    Check(board.mBaseSpeed >= 1 && board.mBaseSpeed <= 400 && board.mSpeed == board.mBaseSpeed, "speed out of range");
    Check(board.bonusInterval >= 0 && board.bonusInterval <= 6000, "bonus interval out of range");
    Check(board.bonusLifetime >= 0 && board.bonusLifetime <= 6000, "bonus lifetime out of range");
    Check(Increasing(board.enabledBonuses, 5), "bonus kinds out of range or repeated");
    Check(Increasing(board.enabledColours, Board::kColours), "colours out of range or repeated");
  }
  return 0;
}

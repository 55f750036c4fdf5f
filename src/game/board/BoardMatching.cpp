// Matching: a rune joins its colour's neighbours, a group of three or more explodes and scores,
// and the runes below the gaps it leaves rise to close them.
#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "game/board/Board.h"
#include "game/board/BoardInternal.h"

namespace Orva {

namespace {

constexpr int kRiseBeforeMove = 27;
constexpr int kBonusTextLine = 22;

int PointsPerRune(int groupSize) {
  if (groupSize <= 5) return 51;
  if (groupSize <= 8) return 72;
  if (groupSize <= 11) return 93;
  return 114;
}

// A group's points: every tripple token triples them, so a group carrying a few dozen would pass
// any integer. Worked out wide and held at the largest int, where the score counter stops too.
int GroupPoints(int groupSize, int multiplier) {
  const long long points = static_cast<long long>(PointsPerRune(groupSize)) * groupSize * multiplier;
  return static_cast<int>(std::min<long long>(points, INT_MAX));
}

}  // namespace

void Board::LowerColour(int kind, int count) {
  if (kind < 0 || kind >= kColours) return;
  colourCounts_[kind] -= count;
  liveRunes_ -= count;
  if (colourCounts_[kind] <= 0 && carriageRune_.kind == kind && !flashActive_) changing_ = true;
}

void Board::CheckMatch(Rune* rune, bool flood) {
  if (!rune || rune->kind == -1) return;
  const int kind = rune->kind;
  rune->kind = -1;
  std::vector<Rune*> group{rune};
  if (flood) {
    for (size_t i = 0; i < group.size(); ++i) {
      const Rune* at = group[i];
      const int neighbours[4][2] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}};
      for (const auto& d : neighbours) {
        const int row = at->row + d[0];
        const int column = at->column + d[1];
        if (row < 0 || row > kLastRow || column < 0 || column >= kColumns) continue;
        Rune* next = CellPtr(row, column);
        if (next->kind == kind) {
          next->kind = -1;
          group.push_back(next);
        }
      }
    }
    largestGroup_ = std::max(largestGroup_, int(group.size()));
    if (group.size() < 3) {
      for (Rune* member : group) member->kind = kind;
      return;
    }
  }
  LowerColour(kind, int(group.size()));
  ExplodeGroup(group, kind, rune);
}

void Board::ExplodeGroup(std::vector<Rune*>& group, int kind, Rune* origin) {
  int multiplier = 1;
  bool bonusHit = false;
  int bonusTexts = 0;
  for (size_t i = 0; i < group.size(); ++i) {
    Rune* rune = group[i];
    int runeKind = kind;
    if (rune->kind != -1) {
      runeKind = rune->kind;
      rune->kind = -1;
      LowerColour(runeKind, 1);
    }
    BonusToken* token = rune->bonus;
    const bool bigBlast = (token && (token->kind == BONUS_BOMB || token->kind == BONUS_WIPE)) || rune->marked;
    if (!bigBlast) AddExplosion(ExplosionSprite::kRune, *rune, ColourRow(runeKind));
    if (bigBlast) {
      AddExplosion(ExplosionSprite::kBonus, *rune, ColourRow(runeKind));
      rune->marked = 0;
    }
    if (token) {
      if (token->kind == BONUS_BOMB || token->kind == BONUS_WIPE) bonusHit = true;
      // Each bonus's text rises a line above the last, clear of the points written at the rune.
      const std::string text = ApplyToken(token, group, kind, multiplier);
      AddFloatingText(text, origin->x, origin->y - float(kBonusTextLine * ++bonusTexts), ColourRow(kind));
      DeleteToken(token);
    }
  }

  const int points = GroupPoints(int(group.size()), multiplier);
  score_.Add(points);
  GiveExtraLifeIfEarned();
  AddFloatingText(std::to_string(points), origin->x, origin->y, ColourRow(kind));
  runeMoved_ = true;
  PlaySound(bonusHit ? EFFECT_BONUS_EXPLOSION : EFFECT_EXPLODE);
}

void Board::CloseGaps(float fraction) {
  const int step = int(fraction);
  bool moved = false;
  for (int column = 0; column < kColumns; ++column) {
    int gap = -1;
    for (int row = topRow_; row <= kLastRow - 1; ++row) {
      if (Cell(row, column).kind == -1) {
        gap = row;
        break;
      }
    }
    if (gap < 0) continue;
    int first = -1;
    for (int row = gap + 1; row <= kLastRow - 1; ++row) {
      if (Cell(row, column).kind != -1) {
        first = row;
        break;
      }
    }
    if (first < 0) continue;
    moved = true;
    const Rune& lead = Cell(first, column);
    if (lead.homeY - lead.y < float(kRiseBeforeMove)) {
      for (int row = gap + 1; row <= kLastRow - 1; ++row) {
        Rune& rune = Cell(row, column);
        if (rune.kind != -1) rune.y -= float(step);
      }
      continue;
    }
    const bool closesGap = first == gap + 1;
    for (int row = first; row <= kLastRow - 1; ++row) {
      Rune& from = Cell(row, column);
      if (from.kind == -1) continue;
      Rune& to = Cell(row - 1, column);
      to.kind = from.kind;
      to.bonus = from.bonus;
      if (to.bonus) to.bonus->rune = &to;
      from.kind = -1;
      from.bonus = nullptr;
      to.x = to.homeX;
      to.y = to.homeY;
      from.x = from.homeX;
      from.y = from.homeY;
      if (closesGap) recheck_.push_back(&to);
    }
  }
  if (!moved) runeMoved_ = false;
}

}  // namespace Orva

#pragma once

#include <deque>
#include <vector>

namespace Orva {

class Graphics;
class Image;

// The stage score in seven digit slots drawn from a strip of ten 25 x 25 digits. The slots keep
// what was last written into them: a reset shows seven zeros, and adding points writes the new
// score's digits right-aligned, leaving the slots before them as they were.
class ScoreCounter {
 public:
  static constexpr int kSlots = 7;
  static constexpr int kY = 70;
  static constexpr int kSlotX[kSlots] = {440, 471, 497, 523, 554, 580, 606};

  void Reset();
  // Negative points are ignored (a group never costs points); the score stops at the largest int,
  // and a score of more than seven digits shows as 9999999.
  void Add(int points);
  int GetScore() const { return score_; }
  int GetSlot(int i) const { return i >= 0 && i < kSlots ? slots_[i] : 0; }
  void Draw(Graphics* g, Image* digits) const;

 private:
  int score_ = 0;
  int slots_[kSlots] = {};
};

// The rows still to come, as a bar that rises when a stage starts and drops a step per row.
class RowsIndicator {
 public:
  static constexpr int kFullHeight = 362;
  static constexpr int kX = 31;
  static constexpr int kBottom = 446;

  // A new stage: the bar rises from 0 to full at 2 pixels per tick; each row then lowers it by
  // full / rowsToPush (integer part; nothing when rowsToPush is not positive).
  void Start(int rowsToPush);
  // A row was pushed; the last one lowers it to 0. The bar follows at 1 pixel per tick.
  void RowPushed(bool lastRow);
  void Update();  // one tick
  int GetHeight() const { return height_; }
  int GetTarget() const { return target_; }
  void Draw(Graphics* g, Image* blueBar) const;

 private:
  int height_ = 0;
  int target_ = 0;
  int drop_ = 0;
};

// Counts down the bonuses taken: a red bar beside the rows indicator and the small icon of the
// bonus it is showing. Bonus kinds: 0 tripple, 1 slow, 2 colour wipe, 3 bomb, 4 flash.
class BonusTimerBar {
 public:
  static constexpr int kFullHeight = 362;
  static constexpr int kX = 59;
  static constexpr int kBottom = 446;
  static constexpr int kIconX = 33;
  static constexpr int kIconY = 447;

  void Clear();
  // A bonus of this kind exploded on a rune of this colour (called after its effect is applied).
  // True when the bar was idle and now shows it (the board then plays the bonus sound). A busy
  // bar queues only slow and flash, and not when that kind is first or second in the queue; the
  // same kind as the one shown restarts it with the new colour. Unknown kinds or colours are
  // refused.
  bool Offer(int kind, int colour, int slowTicksLeft, int flashShotsLeft);
  // One flash shot was fired: queues one drain step of the flash entry, if a flash is shown.
  void FlashShotFired();
  // One tick. slowTicksLeft: the slow timer (-1 off); flashShotsLeft: flash shots still to fire.
  void Update(int slowTicksLeft, int flashShotsLeft);

  bool IsIdle() const { return entries_.empty(); }
  // Whole pixels shown; the bar itself moves in fractions of a pixel.
  int GetHeight() const { return int(height_); }
  float GetExactHeight() const { return height_; }
  // The entry shown: kind and colour, or -1, -1 when idle.
  int ShownKind() const;
  int ShownColour() const;
  int QueuedEntries() const { return int(entries_.size()); }
  void Draw(Graphics* g, Image* redBar, Image* smallBonus) const;

 private:
  struct Entry {
    int kind;
    int colour;
    int flashShotsAtStart;
  };
  enum class MoveKind { Fill, Drain };
  struct Move {
    MoveKind kind;
    float remaining;    // pixels still to lower (drains)
    int slowStepsLeft;  // a slow drain's ticks still to run; 0 until it is first taken
  };
  // Starts the front entry over: pending moves are dropped and a fill is queued.
  void StartEntry(int flashShotsLeft);
  bool StepMove(Move& move, int slowTicksLeft);  // true when the move is done
  bool Waiting(int slowTicksLeft, int flashShotsLeft) const;
  void StartNext(int slowTicksLeft, int flashShotsLeft);

  std::deque<Entry> entries_;
  std::deque<Move> moves_;
  float height_ = 0;
};

}  // namespace Orva

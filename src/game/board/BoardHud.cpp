#include "game/board/BoardHud.h"

#include <algorithm>
#include <climits>

#include "framework/graphics/Graphics.h"
#include "framework/graphics/Image.h"
#include "framework/graphics/Rect.h"

namespace Orva {
namespace {

constexpr int kDigitSize = 25;
constexpr int kLargestShown = 9999999;  // seven slots

constexpr int kIconSize = 30;
constexpr int kBonusKinds = 5;
constexpr int kColours = 6;

constexpr int kSlow = 1;
constexpr int kFlash = 4;

constexpr int kRowsRise = 2;  // pixels per tick while a stage starts
constexpr int kRowsDrop = 1;  // pixels per tick after a row

constexpr float kSlowEntryStep = 4;  // slow and flash entries, fill and flash drain
constexpr float kFastFill = 12;
constexpr float kFastDrain = 24;

bool IsTimed(int kind) { return kind == kSlow || kind == kFlash; }

// The bottom `height` rows of a bar picture, standing on `bottom`.
void DrawBar(Graphics* g, Image* bar, int x, int bottom, int height) {
  if (!g || !bar) return;
  const int shown = std::min(height, bar->height);
  if (shown <= 0) return;
  g->DrawImage(bar, x, bottom - shown, Rect(0, bar->height - shown, bar->width, shown));
}

}  // namespace

void ScoreCounter::Reset() {
  score_ = 0;
  std::fill(std::begin(slots_), std::end(slots_), 0);
}

void ScoreCounter::Add(int points) {
  if (points < 0) return;
  score_ = points > INT_MAX - score_ ? INT_MAX : score_ + points;
  // Only the new score's own digits are written; the slots before them keep what they held.
  int rest = std::min(score_, kLargestShown);
  int slot = kSlots - 1;
  do {
    slots_[slot--] = rest % 10;
    rest /= 10;
  } while (rest > 0 && slot >= 0);
}

void ScoreCounter::Draw(Graphics* g, Image* digits) const {
  if (!g || !digits) return;
  for (int i = 0; i < kSlots; ++i) {
    g->DrawImage(digits, kSlotX[i], kY, Rect(kDigitSize * slots_[i], 0, kDigitSize, kDigitSize));
  }
}

void RowsIndicator::Start(int rowsToPush) {
  height_ = 0;
  target_ = kFullHeight;
  drop_ = rowsToPush > 0 ? kFullHeight / rowsToPush : 0;
}

void RowsIndicator::RowPushed(bool lastRow) { target_ = lastRow ? 0 : std::max(0, target_ - drop_); }

void RowsIndicator::Update() {
  // The target only goes up when a stage starts, so rising is always the start-up climb.
  if (height_ < target_) {
    height_ = std::min(target_, height_ + kRowsRise);
  } else if (height_ > target_) {
    height_ = std::max(target_, height_ - kRowsDrop);
  }
}

void RowsIndicator::Draw(Graphics* g, Image* blueBar) const { DrawBar(g, blueBar, kX, kBottom, height_); }

void BonusTimerBar::Clear() {
  entries_.clear();
  moves_.clear();
  height_ = 0;
}

int BonusTimerBar::ShownKind() const { return entries_.empty() ? -1 : entries_.front().kind; }

int BonusTimerBar::ShownColour() const { return entries_.empty() ? -1 : entries_.front().colour; }

// A slow entry reads the timer when its drain begins, not when it is offered.
bool BonusTimerBar::Offer(int kind, int colour, int /*slowTicksLeft*/, int flashShotsLeft) {
  if (kind < 0 || kind >= kBonusKinds || colour < 0 || colour >= kColours) return false;
  if (entries_.empty()) {
    height_ = 0;
    entries_.push_back({kind, colour, 0});
    StartEntry(flashShotsLeft);
    return true;
  }
  if (!IsTimed(kind)) return false;
  if (entries_.front().kind == kind) {
    // Taken again while it is shown: the bar follows the renewed timer or shot count.
    entries_.front().colour = colour;
    StartEntry(flashShotsLeft);
    return false;
  }
  if (entries_.size() >= 2 && entries_[1].kind == kind) return false;
  entries_.push_back({kind, colour, 0});
  return false;
}

void BonusTimerBar::StartEntry(int flashShotsLeft) {
  Entry& entry = entries_.front();
  entry.flashShotsAtStart = flashShotsLeft;
  moves_.clear();
  moves_.push_back({MoveKind::Fill, 0, 0});
  // A flash drains one step per shot fired; the others drain as soon as they are full.
  if (entry.kind != kFlash) moves_.push_back({MoveKind::Drain, float(kFullHeight), 0});
}

void BonusTimerBar::FlashShotFired() {
  if (entries_.empty() || entries_.front().kind != kFlash) return;
  const int shots = std::max(1, entries_.front().flashShotsAtStart);
  moves_.push_back({MoveKind::Drain, float(kFullHeight) / float(shots), 0});
}

bool BonusTimerBar::StepMove(Move& move, int slowTicksLeft) {
  const int kind = entries_.front().kind;
  const bool fast = !IsTimed(kind);
  if (move.kind == MoveKind::Fill) {
    height_ = std::min(float(kFullHeight), height_ + (fast ? kFastFill : kSlowEntryStep));
    return height_ >= float(kFullHeight);
  }
  float step;
  if (kind == kSlow) {
    // The drain is spread evenly over the slow ticks left when it begins, so the bar runs out
    // together with the timer; a timer already out empties it at once. The last step takes what
    // is left, so no rounding is carried over.
    if (move.slowStepsLeft == 0) move.slowStepsLeft = std::max(1, slowTicksLeft);
    step = move.remaining / float(move.slowStepsLeft--);
  } else {
    step = std::min(move.remaining, fast ? kFastDrain : kSlowEntryStep);
  }
  move.remaining -= step;
  height_ = std::max(0.0f, height_ - step);
  return move.remaining <= 0;
}

bool BonusTimerBar::Waiting(int slowTicksLeft, int flashShotsLeft) const {
  switch (entries_.front().kind) {
    case kSlow: return slowTicksLeft > 0;
    case kFlash: return flashShotsLeft > 0;
    default: return height_ >= 1;
  }
}

void BonusTimerBar::StartNext(int slowTicksLeft, int flashShotsLeft) {
  entries_.pop_front();
  while (!entries_.empty()) {
    const int kind = entries_.front().kind;
    const bool spent = (kind == kSlow && slowTicksLeft <= 0) || (kind == kFlash && flashShotsLeft <= 0);
    if (!spent) break;
    entries_.pop_front();
  }
  if (entries_.empty()) {
    moves_.clear();
  } else {
    StartEntry(flashShotsLeft);
  }
}

void BonusTimerBar::Update(int slowTicksLeft, int flashShotsLeft) {
  if (entries_.empty()) return;
  if (!moves_.empty()) {
    if (StepMove(moves_.front(), slowTicksLeft)) moves_.pop_front();
  }
  if (moves_.empty() && !Waiting(slowTicksLeft, flashShotsLeft)) StartNext(slowTicksLeft, flashShotsLeft);
}

void BonusTimerBar::Draw(Graphics* g, Image* redBar, Image* smallBonus) const {
  if (!g) return;
  DrawBar(g, redBar, kX, kBottom, GetHeight());
  if (!smallBonus || entries_.empty()) return;
  const Entry& shown = entries_.front();
  g->DrawImage(smallBonus, kIconX, kIconY,
               Rect(kIconSize * shown.kind, kIconSize * shown.colour, kIconSize, kIconSize));
}

}  // namespace Orva

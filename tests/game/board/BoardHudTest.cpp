// The board's HUD pieces: score slots, the rows indicator's climb and steps, and the bonus timer
// bar's queue, fill and drain timings and drawing.
#include <gtest/gtest.h>

#include <climits>

#include "framework/graphics/Graphics.h"
#include "framework/graphics/MemoryImage.h"
#include "game/board/BoardHud.h"
#include "support/ImageTestSupport.h"

namespace Orva {
namespace {

using Testing::CountNot;
using Testing::MakeImage;
using Testing::MakeScreen;
using Testing::PixelAt;

constexpr int kTripple = 0, kSlow = 1, kWipe = 2, kBomb = 3, kFlash = 4;
constexpr uint32_t kBackground = 0xFF123456u;  // no numbered pixel has this value

// An opaque picture whose pixel (x, y) is 0xFF000000 | y << 12 | x, so a drawn pixel tells where
// in the picture it came from.
std::unique_ptr<MemoryImage> MakeNumbered(int w, int h) {
  auto image = MakeImage(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) image->GetPixels()[y * w + x] = 0xFF000000u | uint32_t(y) << 12 | uint32_t(x);
  image->PixelsChanged();
  return image;
}

uint32_t Numbered(int x, int y) { return 0xFF000000u | uint32_t(y) << 12 | uint32_t(x); }

std::vector<int> Slots(const ScoreCounter& score) {
  std::vector<int> slots;
  for (int i = 0; i < ScoreCounter::kSlots; ++i) slots.push_back(score.GetSlot(i));
  return slots;
}

// ---- ScoreCounter ----

TEST(ScoreCounterTest, ResetShowsSevenZeros) {
  ScoreCounter score;
  score.Add(4321);
  score.Reset();
  EXPECT_EQ(score.GetScore(), 0);
  EXPECT_EQ(Slots(score), std::vector<int>(7, 0));
}

TEST(ScoreCounterTest, PointsAccumulateAndShowRightAlignedWithLeadingZeros) {
  ScoreCounter score;
  score.Reset();
  score.Add(153);
  EXPECT_EQ(score.GetScore(), 153);
  EXPECT_EQ(Slots(score), (std::vector<int>{0, 0, 0, 0, 1, 5, 3}));
  score.Add(9900);
  EXPECT_EQ(score.GetScore(), 10053);
  EXPECT_EQ(Slots(score), (std::vector<int>{0, 0, 1, 0, 0, 5, 3}));
  score.Add(0);
  EXPECT_EQ(Slots(score), (std::vector<int>{0, 0, 1, 0, 0, 5, 3}));
}

TEST(ScoreCounterTest, NegativePointsAreIgnored) {
  ScoreCounter score;
  score.Reset();
  score.Add(1000);
  score.Add(-1);
  EXPECT_EQ(score.GetScore(), 1000);
  EXPECT_EQ(Slots(score), (std::vector<int>{0, 0, 0, 1, 0, 0, 0}));
}

TEST(ScoreCounterTest, ScoresBeyondSevenDigitsShowAllNinesAndStopAtTheLargestInt) {
  ScoreCounter score;
  score.Reset();
  score.Add(9999999);
  EXPECT_EQ(Slots(score), std::vector<int>(7, 9));
  score.Add(1);
  EXPECT_EQ(score.GetScore(), 10000000);
  EXPECT_EQ(Slots(score), std::vector<int>(7, 9));
  score.Add(INT_MAX);
  EXPECT_EQ(score.GetScore(), INT_MAX);
  EXPECT_EQ(score.GetSlot(-1), 0);
  EXPECT_EQ(score.GetSlot(7), 0);
}

TEST(ScoreCounterTest, DrawsEachSlotsDigitCellAtItsPosition) {
  auto digits = MakeNumbered(250, 25);
  auto screen = MakeScreen(640, 100, kBackground);
  Graphics g(screen.get());
  ScoreCounter score;
  score.Reset();
  score.Add(1234567);
  score.Draw(&g, digits.get());
  for (int i = 0; i < ScoreCounter::kSlots; ++i) {
    const int digit = i + 1;
    const int x = ScoreCounter::kSlotX[i];
    EXPECT_EQ(PixelAt(*screen, x, 70), Numbered(25 * digit, 0)) << "slot " << i;
    EXPECT_EQ(PixelAt(*screen, x + 24, 94), Numbered(25 * digit + 24, 24)) << "slot " << i;
  }
  EXPECT_EQ(PixelAt(*screen, 440, 69), kBackground);
  EXPECT_EQ(PixelAt(*screen, 440, 95), kBackground);
  EXPECT_EQ(PixelAt(*screen, 465, 70), kBackground);  // the wide gap after the first slot
  EXPECT_EQ(CountNot(*screen, kBackground), 7 * 25 * 25);

  auto untouched = MakeScreen(640, 100, kBackground);
  Graphics g2(untouched.get());
  score.Draw(&g2, nullptr);
  score.Draw(nullptr, digits.get());
  EXPECT_EQ(CountNot(*untouched, kBackground), 0);
}

// ---- RowsIndicator ----

TEST(RowsIndicatorTest, RisesTwoPixelsPerTickToFullIn181Ticks) {
  RowsIndicator rows;
  rows.Start(10);
  EXPECT_EQ(rows.GetHeight(), 0);
  EXPECT_EQ(rows.GetTarget(), 362);
  for (int i = 0; i < 180; ++i) rows.Update();
  EXPECT_EQ(rows.GetHeight(), 360);
  rows.Update();
  EXPECT_EQ(rows.GetHeight(), 362);
  rows.Update();
  EXPECT_EQ(rows.GetHeight(), 362);
}

TEST(RowsIndicatorTest, EachRowLowersByTheWholePartOfFullOverRowsAtOnePixelPerTick) {
  RowsIndicator rows;
  rows.Start(5);  // 362 / 5 = 72
  for (int i = 0; i < 181; ++i) rows.Update();
  rows.RowPushed(false);
  EXPECT_EQ(rows.GetTarget(), 290);
  rows.Update();
  EXPECT_EQ(rows.GetHeight(), 361);
  for (int i = 0; i < 70; ++i) rows.Update();
  EXPECT_EQ(rows.GetHeight(), 291);
  rows.Update();
  EXPECT_EQ(rows.GetHeight(), 290);
  rows.Update();
  EXPECT_EQ(rows.GetHeight(), 290);
  // Rows pushed before the bar has caught up add up.
  rows.RowPushed(false);
  rows.RowPushed(false);
  EXPECT_EQ(rows.GetTarget(), 146);
  for (int i = 0; i < 144; ++i) rows.Update();
  EXPECT_EQ(rows.GetHeight(), 146);
}

TEST(RowsIndicatorTest, TheLastRowTakesItToZero) {
  RowsIndicator rows;
  rows.Start(3);
  for (int i = 0; i < 181; ++i) rows.Update();
  rows.RowPushed(true);
  EXPECT_EQ(rows.GetTarget(), 0);
  for (int i = 0; i < 361; ++i) rows.Update();
  EXPECT_EQ(rows.GetHeight(), 1);
  rows.Update();
  EXPECT_EQ(rows.GetHeight(), 0);
}

TEST(RowsIndicatorTest, NoRowsOrTooManyRowsNeverDropBelowZero) {
  RowsIndicator none;
  none.Start(0);
  for (int i = 0; i < 181; ++i) none.Update();
  none.RowPushed(false);
  none.Update();
  EXPECT_EQ(none.GetHeight(), 362);

  RowsIndicator many;
  many.Start(10000);  // endless: 362 / 10000 is 0, the bar stays full
  for (int i = 0; i < 181; ++i) many.Update();
  many.RowPushed(false);
  EXPECT_EQ(many.GetTarget(), 362);

  RowsIndicator two;
  two.Start(2);
  for (int i = 0; i < 3; ++i) two.RowPushed(false);
  EXPECT_EQ(two.GetTarget(), 0);
}

TEST(RowsIndicatorTest, ARowPushedDuringTheClimbStopsItAtTheLowerTarget) {
  RowsIndicator rows;
  rows.Start(2);  // drop 181
  for (int i = 0; i < 50; ++i) rows.Update();
  rows.RowPushed(false);
  for (int i = 0; i < 40; ++i) rows.Update();
  EXPECT_EQ(rows.GetHeight(), 180);
  rows.Update();
  EXPECT_EQ(rows.GetHeight(), 181);
  rows.Update();
  EXPECT_EQ(rows.GetHeight(), 181);
}

TEST(RowsIndicatorTest, DrawsTheBottomRowsOfThePictureStandingOnTheBottomLine) {
  auto bar = MakeNumbered(8, 362);
  auto screen = MakeScreen(640, 480, kBackground);
  Graphics g(screen.get());
  RowsIndicator rows;
  rows.Start(4);
  for (int i = 0; i < 50; ++i) rows.Update();
  ASSERT_EQ(rows.GetHeight(), 100);
  rows.Draw(&g, bar.get());
  EXPECT_EQ(PixelAt(*screen, 31, 346), Numbered(0, 262));
  EXPECT_EQ(PixelAt(*screen, 38, 445), Numbered(7, 361));
  EXPECT_EQ(PixelAt(*screen, 31, 345), kBackground);
  EXPECT_EQ(PixelAt(*screen, 31, 446), kBackground);
  EXPECT_EQ(CountNot(*screen, kBackground), 8 * 100);
}

TEST(RowsIndicatorTest, AnEmptyBarOrMissingPictureDrawsNothing) {
  auto bar = MakeNumbered(8, 362);
  auto screen = MakeScreen(640, 480, kBackground);
  Graphics g(screen.get());
  RowsIndicator rows;
  rows.Start(4);
  rows.Draw(&g, bar.get());
  rows.Update();
  rows.Draw(&g, nullptr);
  rows.Draw(nullptr, bar.get());
  EXPECT_EQ(CountNot(*screen, kBackground), 0);
}

// ---- BonusTimerBar ----

// Runs the bar for n ticks with a slow timer counting down as the board's does (passed, then
// lowered; it stops at 0 and reads -1 from then on) and a fixed number of flash shots.
struct BarDriver {
  BonusTimerBar bar;
  int slowTicks = -1;
  int flashShots = 0;
  void Tick(int n = 1) {
    for (int i = 0; i < n; ++i) {
      bar.Update(slowTicks, flashShots);
      if (slowTicks > 0 && --slowTicks == 0) slowTicks = -1;
    }
  }
};

TEST(BonusTimerBarTest, AnIdleBarShowsTheFirstBonusAtOnce) {
  BonusTimerBar bar;
  EXPECT_TRUE(bar.IsIdle());
  EXPECT_EQ(bar.ShownKind(), -1);
  EXPECT_EQ(bar.ShownColour(), -1);
  EXPECT_TRUE(bar.Offer(kBomb, 2, -1, 0));
  EXPECT_FALSE(bar.IsIdle());
  EXPECT_EQ(bar.ShownKind(), kBomb);
  EXPECT_EQ(bar.ShownColour(), 2);
  EXPECT_EQ(bar.GetHeight(), 0);
}

TEST(BonusTimerBarTest, FastEntriesFillAtTwelveAndDrainAtTwentyFourThenLeave) {
  for (int kind : {kTripple, kWipe, kBomb}) {
    SCOPED_TRACE(kind);
    BarDriver d;
    d.bar.Offer(kind, 0, -1, 0);
    d.Tick(30);
    EXPECT_EQ(d.bar.GetHeight(), 360);
    d.Tick();
    EXPECT_EQ(d.bar.GetHeight(), 362);
    d.Tick();
    EXPECT_EQ(d.bar.GetHeight(), 338);
    d.Tick(14);
    EXPECT_EQ(d.bar.GetHeight(), 2);
    EXPECT_FALSE(d.bar.IsIdle());
    d.Tick();
    EXPECT_EQ(d.bar.GetHeight(), 0);
    EXPECT_TRUE(d.bar.IsIdle());
  }
}

TEST(BonusTimerBarTest, ASlowEntryFillsAtFourThenEmptiesWithTheTimer) {
  BarDriver d;
  d.slowTicks = 1000;
  EXPECT_TRUE(d.bar.Offer(kSlow, 1, d.slowTicks, 0));
  d.Tick(90);
  EXPECT_EQ(d.bar.GetHeight(), 360);
  d.Tick();
  EXPECT_EQ(d.bar.GetHeight(), 362);
  // The drain starts with 909 ticks left on the timer and spreads 362 pixels over them.
  ASSERT_EQ(d.slowTicks, 909);
  d.Tick(101);
  EXPECT_NEAR(d.bar.GetExactHeight(), 362.0f * 808 / 909, 0.01f);
  d.Tick(807);
  EXPECT_EQ(d.slowTicks, 1);
  EXPECT_GT(d.bar.GetExactHeight(), 0.0f);
  d.Tick();
  EXPECT_EQ(d.bar.GetExactHeight(), 0.0f);
  EXPECT_EQ(d.slowTicks, -1);
  EXPECT_FALSE(d.bar.IsIdle());  // the timer ran this tick; the bar lets go on the next
  d.Tick();
  EXPECT_TRUE(d.bar.IsIdle());
}

TEST(BonusTimerBarTest, ASlowEntryWhoseTimerIsOutEmptiesInOneTick) {
  BarDriver d;
  d.slowTicks = 50;  // runs out during the 91-tick fill
  d.bar.Offer(kSlow, 1, d.slowTicks, 0);
  d.Tick(91);
  EXPECT_EQ(d.bar.GetHeight(), 362);
  d.Tick();
  EXPECT_EQ(d.bar.GetHeight(), 0);
  EXPECT_TRUE(d.bar.IsIdle());
}

TEST(BonusTimerBarTest, AFlashEntryDrainsOneShareAtFourPixelsPerShotFired) {
  BarDriver d;
  d.flashShots = 6;
  d.bar.Offer(kFlash, 3, -1, d.flashShots);
  d.Tick(91);
  EXPECT_EQ(d.bar.GetHeight(), 362);
  d.Tick(200);
  EXPECT_EQ(d.bar.GetHeight(), 362);  // waits while shots are left
  d.flashShots = 5;
  d.bar.FlashShotFired();
  d.Tick(15);
  EXPECT_EQ(d.bar.GetHeight(), 302);
  d.Tick();
  EXPECT_NEAR(d.bar.GetExactHeight(), 362.0f * 5 / 6, 0.01f);
  d.Tick(10);
  EXPECT_EQ(d.bar.GetHeight(), 301);
  // The remaining five shots queue their steps even when fired at once.
  for (int i = 0; i < 5; ++i) d.bar.FlashShotFired();
  d.flashShots = 0;
  d.Tick(5 * 16 - 1);
  EXPECT_FALSE(d.bar.IsIdle());
  EXPECT_LT(d.bar.GetExactHeight(), 1.0f);
  d.Tick();
  EXPECT_NEAR(d.bar.GetExactHeight(), 0.0f, 0.001f);
  EXPECT_TRUE(d.bar.IsIdle());
}

TEST(BonusTimerBarTest, ShotsFiredDuringTheFillDrainAfterIt) {
  BarDriver d;
  d.flashShots = 6;
  d.bar.Offer(kFlash, 0, -1, 6);
  d.Tick(10);
  d.flashShots = 5;
  d.bar.FlashShotFired();
  d.Tick(81);
  EXPECT_EQ(d.bar.GetHeight(), 362);
  d.Tick(16);
  EXPECT_EQ(d.bar.GetHeight(), 301);
}

TEST(BonusTimerBarTest, ShotsFiredWhileAnotherEntryIsShownAreNotCounted) {
  BarDriver d;
  d.bar.FlashShotFired();  // idle: nothing to drain
  EXPECT_TRUE(d.bar.IsIdle());
  d.bar.Offer(kTripple, 0, -1, 0);
  d.flashShots = 6;
  d.bar.Offer(kFlash, 5, -1, 6);
  d.Tick(10);
  d.flashShots = 4;
  d.bar.FlashShotFired();
  d.bar.FlashShotFired();
  d.Tick(37);  // the tripple is done; the flash starts with 4 shots
  EXPECT_EQ(d.bar.ShownKind(), kFlash);
  d.Tick(91);
  EXPECT_EQ(d.bar.GetHeight(), 362);
  d.Tick(100);
  EXPECT_EQ(d.bar.GetHeight(), 362);
  d.flashShots = 3;
  d.bar.FlashShotFired();
  d.Tick(23);
  EXPECT_EQ(d.bar.GetHeight(), 271);  // one quarter: 90.5 pixels
}

TEST(BonusTimerBarTest, ABusyBarQueuesOnlySlowAndFlashNotAlreadyFirstOrSecond) {
  BonusTimerBar bar;
  EXPECT_TRUE(bar.Offer(kTripple, 0, -1, 0));
  EXPECT_FALSE(bar.Offer(kBomb, 1, -1, 0));
  EXPECT_FALSE(bar.Offer(kWipe, 1, -1, 0));
  EXPECT_FALSE(bar.Offer(kTripple, 1, -1, 0));
  EXPECT_EQ(bar.QueuedEntries(), 1);
  EXPECT_FALSE(bar.Offer(kSlow, 1, 500, 0));
  EXPECT_EQ(bar.QueuedEntries(), 2);
  EXPECT_FALSE(bar.Offer(kSlow, 2, 500, 0));  // already second
  EXPECT_EQ(bar.QueuedEntries(), 2);
  EXPECT_FALSE(bar.Offer(kFlash, 3, 500, 6));
  EXPECT_EQ(bar.QueuedEntries(), 3);
  // Only the first two entries are looked at, so a third-place kind can be queued again.
  EXPECT_FALSE(bar.Offer(kFlash, 4, 500, 12));
  EXPECT_EQ(bar.QueuedEntries(), 4);
  EXPECT_EQ(bar.ShownKind(), kTripple);
  EXPECT_EQ(bar.ShownColour(), 0);

  BonusTimerBar flashFirst;
  flashFirst.Offer(kFlash, 0, -1, 6);
  EXPECT_FALSE(flashFirst.Offer(kSlow, 1, 500, 6));
  EXPECT_FALSE(flashFirst.Offer(kFlash, 2, 500, 12));  // shown: restarted, not queued
  EXPECT_EQ(flashFirst.QueuedEntries(), 2);
}

TEST(BonusTimerBarTest, UnknownKindsOrColoursAreRefused) {
  BonusTimerBar bar;
  EXPECT_FALSE(bar.Offer(5, 0, -1, 0));
  EXPECT_FALSE(bar.Offer(-1, 0, -1, 0));
  EXPECT_FALSE(bar.Offer(kBomb, 6, -1, 0));
  EXPECT_FALSE(bar.Offer(kBomb, -1, -1, 0));
  EXPECT_TRUE(bar.IsIdle());
}

TEST(BonusTimerBarTest, ASecondFlashWhileShownTakesItsColourAndRefillsForTheNewShots) {
  BarDriver d;
  d.flashShots = 6;
  d.bar.Offer(kFlash, 1, -1, 6);
  d.Tick(91);
  d.flashShots = 4;
  d.bar.FlashShotFired();
  d.bar.FlashShotFired();
  d.Tick(16);
  EXPECT_EQ(d.bar.GetHeight(), 301);
  d.flashShots = 10;
  EXPECT_FALSE(d.bar.Offer(kFlash, 4, -1, 10));
  EXPECT_EQ(d.bar.ShownColour(), 4);
  EXPECT_EQ(d.bar.QueuedEntries(), 1);
  // The second shot's pending step is dropped; the bar climbs back at 4 pixels per tick.
  d.Tick(15);
  EXPECT_EQ(d.bar.GetHeight(), 361);
  d.Tick();
  EXPECT_EQ(d.bar.GetHeight(), 362);
  d.Tick(30);
  EXPECT_EQ(d.bar.GetHeight(), 362);
  d.flashShots = 9;
  d.bar.FlashShotFired();
  d.Tick(10);
  EXPECT_EQ(d.bar.GetHeight(), 325);  // 362 / 10 per shot
}

TEST(BonusTimerBarTest, ASecondSlowWhileShownRefillsAndSpreadsOverTheNewTimer) {
  BarDriver d;
  d.slowTicks = 600;
  d.bar.Offer(kSlow, 2, 600, 0);
  d.Tick(91 + 100);
  EXPECT_LT(d.bar.GetHeight(), 362);
  d.slowTicks = 2000;
  EXPECT_FALSE(d.bar.Offer(kSlow, 5, 2000, 0));
  EXPECT_EQ(d.bar.ShownColour(), 5);
  d.Tick(17);  // from 290.9 at 4 pixels per tick
  EXPECT_EQ(d.bar.GetHeight(), 358);
  d.Tick();
  EXPECT_EQ(d.bar.GetHeight(), 362);
  const int left = d.slowTicks;
  d.Tick(left - 1);
  EXPECT_GT(d.bar.GetExactHeight(), 0.0f);
  d.Tick();
  EXPECT_EQ(d.bar.GetExactHeight(), 0.0f);
  d.Tick();
  EXPECT_TRUE(d.bar.IsIdle());
}

TEST(BonusTimerBarTest, TheNextEntryStartsWhenTheShownOneLeaves) {
  BarDriver d;
  d.slowTicks = 800;
  d.bar.Offer(kBomb, 0, -1, 0);
  d.bar.Offer(kSlow, 3, 800, 0);
  d.Tick(47);
  EXPECT_EQ(d.bar.ShownKind(), kSlow);
  EXPECT_EQ(d.bar.ShownColour(), 3);
  EXPECT_EQ(d.bar.QueuedEntries(), 1);
  d.Tick(91);
  EXPECT_EQ(d.bar.GetHeight(), 362);
}

TEST(BonusTimerBarTest, QueuedEntriesWithNothingLeftAreSkipped) {
  BarDriver spentBoth;
  spentBoth.bar.Offer(kTripple, 0, -1, 0);
  spentBoth.bar.Offer(kSlow, 1, 20, 0);
  spentBoth.bar.Offer(kFlash, 2, 20, 6);
  spentBoth.Tick(47);  // slow timer off, no shots left
  EXPECT_TRUE(spentBoth.bar.IsIdle());

  BarDriver slowSpent;
  slowSpent.flashShots = 3;
  slowSpent.bar.Offer(kTripple, 0, -1, 0);
  slowSpent.bar.Offer(kSlow, 1, 20, 3);
  slowSpent.bar.Offer(kFlash, 2, 20, 3);
  slowSpent.Tick(47);
  EXPECT_EQ(slowSpent.bar.ShownKind(), kFlash);
  EXPECT_EQ(slowSpent.bar.QueuedEntries(), 1);
}

TEST(BonusTimerBarTest, ClearEmptiesEverything) {
  BarDriver d;
  d.slowTicks = 500;
  d.bar.Offer(kSlow, 1, 500, 0);
  d.bar.Offer(kFlash, 1, 500, 6);
  d.Tick(40);
  d.bar.Clear();
  EXPECT_TRUE(d.bar.IsIdle());
  EXPECT_EQ(d.bar.GetHeight(), 0);
  d.Tick(10);
  EXPECT_EQ(d.bar.GetHeight(), 0);
  // A new bonus starts from an empty bar.
  EXPECT_TRUE(d.bar.Offer(kBomb, 0, -1, 0));
  d.Tick();
  EXPECT_EQ(d.bar.GetHeight(), 12);
}

TEST(BonusTimerBarTest, DrawsTheBarAndTheShownEntrysIcon) {
  auto red = MakeNumbered(8, 362);
  auto icons = MakeNumbered(150, 180);
  auto screen = MakeScreen(640, 480, kBackground);
  Graphics g(screen.get());
  BarDriver d;
  d.bar.Offer(kWipe, 4, -1, 0);
  d.Tick(5);  // 60 pixels
  d.bar.Draw(&g, red.get(), icons.get());
  EXPECT_EQ(PixelAt(*screen, 59, 386), Numbered(0, 302));
  EXPECT_EQ(PixelAt(*screen, 66, 445), Numbered(7, 361));
  EXPECT_EQ(PixelAt(*screen, 59, 385), kBackground);
  // Icon: column = bonus kind, row = colour.
  EXPECT_EQ(PixelAt(*screen, 33, 447), Numbered(60, 120));
  EXPECT_EQ(PixelAt(*screen, 62, 476), Numbered(89, 149));
  EXPECT_EQ(CountNot(*screen, kBackground), 8 * 60 + 30 * 30);
}

TEST(BonusTimerBarTest, AnIdleBarOrMissingPicturesDrawNothing) {
  auto red = MakeNumbered(8, 362);
  auto icons = MakeNumbered(150, 180);
  auto screen = MakeScreen(640, 480, kBackground);
  Graphics g(screen.get());
  BonusTimerBar bar;
  bar.Draw(&g, red.get(), icons.get());
  EXPECT_EQ(CountNot(*screen, kBackground), 0);
  bar.Offer(kSlow, 0, 100, 0);
  bar.Update(100, 0);
  bar.Draw(&g, nullptr, nullptr);
  bar.Draw(nullptr, red.get(), icons.get());
  EXPECT_EQ(CountNot(*screen, kBackground), 0);
  // A bar picture shorter than the bar shows whole.
  auto shortBar = MakeNumbered(8, 2);
  bar.Draw(&g, shortBar.get(), nullptr);
  EXPECT_EQ(CountNot(*screen, kBackground), 16);
  EXPECT_EQ(PixelAt(*screen, 59, 444), Numbered(0, 0));
}

}  // namespace
}  // namespace Orva

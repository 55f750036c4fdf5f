// The test card drawn headless through the whole stack: deterministic, in bounds, as designed.
#include <gtest/gtest.h>

#include <mutex>
#include <vector>

#include "demo/TestCard.h"
#include "framework/graphics/DDImage.h"
#include "framework/graphics/DDInterface.h"
#include "framework/graphics/ImageHost.h"
#include "framework/platform/HeadlessWindowSystem.h"

namespace Orva {
namespace {

struct Stage {
  HeadlessWindowSystem system;
  std::recursive_mutex lock;
  ImageRegistry images{lock};
  DDInterface display{&system, &images, lock};
  Stage() { EXPECT_EQ(display.Init(system.CreateMainWindow(WindowOptions{}), true, 640, 480), DDInterface::RESULT_OK); }
  std::vector<uint32_t> Draw(TestCard& card, int tick) {
    Graphics g(display.GetScreenImage());
    card.Draw(g, tick);
    EXPECT_TRUE(display.Redraw());
    return system.Frame();
  }
};

TEST(TestCardTest, DrawsTheSameFrameForTheSameTickAndStaysInBounds) {
  Stage stage;
  TestCard card(&stage.images);
  const std::vector<uint32_t> first = stage.Draw(card, 150);
  const std::vector<uint32_t> again = stage.Draw(card, 150);
  EXPECT_EQ(first, again);
  EXPECT_NE(stage.Draw(card, 151), first) << "the card is animated";
  EXPECT_TRUE(stage.display.GetScreenImage()->GuardIntact());
  // The opaque red fill at the top left is written unchanged.
  EXPECT_EQ(first[30 * 640 + 30], 0xFFC83C3Cu);
  for (uint32_t p : first) ASSERT_EQ(p >> 24, 0xFFu) << "the back buffer stays opaque";
}

}  // namespace
}  // namespace Orva

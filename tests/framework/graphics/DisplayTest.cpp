// The display: the back buffer it makes and how frames reach the window.
#include <gtest/gtest.h>

#include "framework/graphics/DDImage.h"
#include "framework/graphics/DDInterface.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/ImageHost.h"
#include "framework/platform/HeadlessWindowSystem.h"

namespace Orva {
namespace {

class DisplayTest : public ::testing::Test {
 protected:
  HeadlessWindowSystem system;
  std::recursive_mutex lock;
  ImageRegistry images{lock};
  DDInterface display{&system, &images, lock};
  WindowHandle window = system.CreateMainWindow(WindowOptions{});
};

TEST_F(DisplayTest, InitMakesAnOpaqueBackBufferInTheScreenFormat) {
  ASSERT_EQ(display.Init(window, true, 640, 480), DDInterface::RESULT_OK);
  DDImage* screen = display.GetScreenImage();
  ASSERT_NE(screen, nullptr);
  EXPECT_EQ(screen->width, 640);
  EXPECT_EQ(screen->GetPixels()[0], 0xFF000000u);
  EXPECT_TRUE(screen->modeForced);
  EXPECT_FALSE(screen->hasTransparent);
  EXPECT_EQ(display.rgbBits, 32);
  EXPECT_EQ(display.redMask, 0xFF0000);
  EXPECT_EQ(display.blueShift, 0);
  EXPECT_TRUE(images.Contains(screen)) << "the back buffer is a live image like any other";
}

TEST_F(DisplayTest, RedrawPresentsTheChangedRectangleOnly) {
  ASSERT_EQ(display.Init(window, true, 640, 480), DDInterface::RESULT_OK);
  Graphics g(display.GetScreenImage());
  g.SetColor(Color(255, 0, 0));
  g.FillRect(0, 0, 640, 480);
  const Rect corner(600, 440, 40, 40);
  ASSERT_TRUE(display.Redraw(&corner));
  EXPECT_EQ(system.Frame()[479 * 640 + 639], 0xFFFF0000u);
  EXPECT_EQ(system.Frame()[0], 0xFF000000u) << "outside the changed rectangle the old frame stays";
  ASSERT_TRUE(display.Redraw());
  EXPECT_EQ(system.Frame()[0], 0xFFFF0000u);
}

TEST_F(DisplayTest, FailuresAnswerResultCodesWithText) {
  EXPECT_EQ(display.Init(0, true, 640, 480), DDInterface::RESULT_DD_CREATE_FAIL);
  EXPECT_FALSE(display.errorText.empty());
  EXPECT_EQ(display.Init(window, true, 0, 480), DDInterface::RESULT_SURFACE_FAIL);
  EXPECT_FALSE(display.Redraw()) << "no back buffer yet";
  EXPECT_STREQ(DDInterface::ResultName(DDInterface::RESULT_INVALID_COLORDEPTH), "RESULT_INVALID_COLORDEPTH");
  EXPECT_STREQ(DDInterface::ResultName(7), "RESULT_UNKNOWN");
  EXPECT_STREQ(DDInterface::ResultName(-1), "RESULT_UNKNOWN");
}

}  // namespace
}  // namespace Orva

#include <gtest/gtest.h>

#include "framework/platform/HeadlessWindowSystem.h"
#include "framework/platform/KeyCodes.h"

namespace Orva {
namespace {

class HeadlessWindowSystemTest : public ::testing::Test {
 protected:
  HeadlessWindowSystem system;
  WindowHandle window = system.CreateMainWindow(WindowOptions{});
};

TEST_F(HeadlessWindowSystemTest, ScriptedInputComesOutInOrderAsWindowMessages) {
  system.QueueKeyDown(KEYCODE_ESCAPE);
  system.QueueChar('q');
  system.QueueMouseDown(100, 200, 1);
  system.QueueMouseUp(101, 201, 1);

  WindowMessage msg;
  ASSERT_TRUE(system.PollMessage(msg));
  EXPECT_EQ(msg.message, MSG_KEYDOWN);
  EXPECT_EQ(msg.wParam, 27u);
  EXPECT_EQ(msg.window, window);
  ASSERT_TRUE(system.PollMessage(msg));
  EXPECT_EQ(msg.message, MSG_CHAR);
  EXPECT_EQ(msg.wParam, uint64_t('q'));
  ASSERT_TRUE(system.PollMessage(msg));
  EXPECT_EQ(msg.message, MSG_RBUTTONDOWN);
  EXPECT_EQ(msg.wParam & MK_RBUTTON, MK_RBUTTON);
  EXPECT_EQ(LParamX(msg.lParam), 100);
  EXPECT_EQ(LParamY(msg.lParam), 200);
  ASSERT_TRUE(system.PollMessage(msg));
  EXPECT_EQ(msg.message, MSG_RBUTTONUP);
  EXPECT_EQ(msg.wParam & MK_RBUTTON, 0u);
  EXPECT_FALSE(system.PollMessage(msg));

  int x = 0, y = 0;
  EXPECT_TRUE(system.GetMousePosition(window, x, y));
  EXPECT_EQ(x, 101);
  EXPECT_EQ(y, 201);
}

TEST_F(HeadlessWindowSystemTest, MouseCoordinatesKeepTheirSignThroughTheRecord) {
  system.QueueMouseMove(-5, -7);
  system.QueueMouseWheel(10, 10, -240);
  WindowMessage msg;
  ASSERT_TRUE(system.PollMessage(msg));
  EXPECT_EQ(LParamX(msg.lParam), -5);
  EXPECT_EQ(LParamY(msg.lParam), -7);
  int x, y;
  EXPECT_FALSE(system.GetMousePosition(window, x, y)) << "outside the window";
  ASSERT_TRUE(system.PollMessage(msg));
  EXPECT_EQ(msg.message, MSG_MOUSEWHEEL);
  EXPECT_EQ(WheelDelta(msg.wParam), -240);
}

TEST_F(HeadlessWindowSystemTest, TheClockMovesOnlyWhenToldOrWhenSleeping) {
  const uint32_t start = system.GetTickCount();
  EXPECT_EQ(system.GetTickCount(), start);
  system.Sleep(25);
  EXPECT_EQ(system.GetTickCount(), start + 25);
  system.AdvanceClock(5);
  EXPECT_EQ(system.GetTickCount(), start + 30);
}

TEST_F(HeadlessWindowSystemTest, TimersFireOnTheManualClockAfterQueuedInput) {
  system.SetTimer(window, 100, 10);
  WindowMessage msg;
  EXPECT_FALSE(system.PollMessage(msg));
  system.AdvanceClock(10);
  system.QueueKeyDown('A');
  ASSERT_TRUE(system.PollMessage(msg));
  EXPECT_EQ(msg.message, MSG_KEYDOWN);
  ASSERT_TRUE(system.PollMessage(msg));
  EXPECT_EQ(msg.message, MSG_TIMER);
  EXPECT_EQ(msg.wParam, 100u);
  EXPECT_FALSE(system.PollMessage(msg)) << "one tick per period";
  system.KillTimer(window, 100);
  system.AdvanceClock(50);
  EXPECT_FALSE(system.PollMessage(msg));
}

TEST_F(HeadlessWindowSystemTest, PresentCopiesOnlyTheChangedRectangleAndClampsIt) {
  std::vector<uint32_t> pixels(640 * 480, 0xFF112233u);
  ASSERT_TRUE(system.Present(window, pixels.data(), 640, 480, 0, 0, 640, 480));
  std::fill(pixels.begin(), pixels.end(), 0xFFFFFFFFu);
  ASSERT_TRUE(system.Present(window, pixels.data(), 640, 480, 630, 470, 1000, 1000));
  EXPECT_EQ(system.Frame()[0], 0xFF112233u);
  EXPECT_EQ(system.Frame()[479 * 640 + 639], 0xFFFFFFFFu);
  EXPECT_EQ(system.Frame()[469 * 640 + 639], 0xFF112233u);
  EXPECT_TRUE(system.Present(window, pixels.data(), 640, 480, -50, -50, 10, 10)) << "nothing left to copy is fine";
  EXPECT_FALSE(system.Present(window + 1, pixels.data(), 640, 480, 0, 0, 640, 480)) << "not our window";
  EXPECT_EQ(system.PresentCount(), 3);
}

TEST_F(HeadlessWindowSystemTest, MessageBoxesAnswerAtOnceAndAreLogged) {
  system.SetMessageBoxAnswer(IDNO);
  EXPECT_EQ(system.ShowMessageBox(window, "Keep it?", "Question", MB_YESNO), IDNO);
  ASSERT_EQ(system.MessageBoxLog().size(), 1u);
  EXPECT_EQ(system.MessageBoxLog()[0], "Question: Keep it?");
}

TEST_F(HeadlessWindowSystemTest, ClipboardAndCursorsKeepWhatWasSet) {
  system.SetClipboardText("rune");
  EXPECT_EQ(system.GetClipboardText(), "rune");
  const uint32_t pixels[4] = {0xFFFFFFFF, 0, 0, 0xFF000000};
  const CursorHandle cursor = system.CreateColorCursor(pixels, 2, 2, 0, 0);
  ASSERT_NE(cursor, 0u);
  system.SetCursor(cursor);
  EXPECT_EQ(system.CurrentCustomCursor(), cursor);
  system.DestroyCursor(cursor);
  EXPECT_EQ(system.CurrentCustomCursor(), 0u);
  EXPECT_EQ(system.CreateColorCursor(pixels, 0, 2, 0, 0), 0u);
}

}  // namespace
}  // namespace Orva

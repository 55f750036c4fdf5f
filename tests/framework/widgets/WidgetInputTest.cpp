// Mouse, keyboard and focus as the manager hands them out: hover and capture, hit testing, click
// translation, Tab order, modal cut-off, transient widgets and the mouse mapping.
#include <gtest/gtest.h>

#include "ProbeWidget.h"

namespace Orva {
namespace {

using Testing::EventLog;
using Testing::ProbeWidget;

// back fills the screen; a sits at (10, 20); b at (300, 300) holds q at (10, 10) inside it.
class MouseTest : public ::testing::Test {
 protected:
  EventLog log;
  WidgetManager manager;
  ProbeWidget back{"back", &log, 0, 0, 640, 480};
  ProbeWidget a{"a", &log, 10, 20, 100, 50};
  ProbeWidget b{"b", &log, 300, 300, 100, 100};
  ProbeWidget q{"q", &log, 10, 10, 50, 50};
  void SetUp() override {
    manager.AddWidget(&back);
    manager.AddWidget(&a);
    manager.AddWidget(&b);
    b.AddWidget(&q);
    log.Take();
  }
};

TEST_F(MouseTest, EnterMoveLeaveInWidgetCoordinates) {
  manager.MouseMove(15, 25);
  EXPECT_EQ(log.Take(), "a:enter a:move@5,5");
  manager.MouseMove(15, 25);
  EXPECT_EQ(log.Take(), "");
  manager.MouseMove(16, 25);
  EXPECT_EQ(log.Take(), "a:move@6,5");
  manager.MouseMove(315, 320);
  EXPECT_EQ(log.Take(), "a:leave q:enter q:move@5,10");
  EXPECT_TRUE(q.isOver);
  manager.MouseLeftWindow();
  EXPECT_EQ(log.Take(), "q:leave");
  EXPECT_FALSE(q.isOver);
  ProbeWidget late("late", &log, 0, 0, 640, 480);
  manager.AddWidget(&late);  // the mouse is outside: nothing lights up
  EXPECT_EQ(log.Take(), "late:attached");
}

TEST_F(MouseTest, APressedWidgetHoldsTheMouseUntilReleasedThenHoverMovesOn) {
  manager.MouseMove(15, 25);
  manager.MouseDown(15, 25, 1);
  EXPECT_EQ(log.Take(), "a:enter a:move@5,5 a:down@5,5,0,1");
  EXPECT_TRUE(a.isDown);
  manager.MouseMove(320, 320);
  EXPECT_EQ(log.Take(), "a:drag@310,300 a:leave");
  manager.MouseMove(20, 25);
  EXPECT_EQ(log.Take(), "a:drag@10,5 a:enter");
  manager.MouseMove(330, 330);
  EXPECT_EQ(log.Take(), "a:drag@320,310 a:leave");
  manager.MouseUp(330, 330, 1);
  EXPECT_EQ(log.Take(), "a:up@320,310 a:up@320,310,0,1 q:enter q:move@20,20");
  EXPECT_FALSE(a.isDown);
  EXPECT_EQ(manager.pressedWidget, nullptr);
  EXPECT_EQ(manager.hoverWidget, &q);
}

TEST_F(MouseTest, AnotherButtonGoesToThePressedWidgetWhichKeepsTheMouseUntilAllAreUp) {
  manager.MouseDown(15, 25, 1);
  manager.MouseMove(320, 320);
  log.Take();
  manager.MouseDown(320, 320, -1);
  EXPECT_EQ(log.Take(), "a:down@310,300,1,1");
  EXPECT_EQ(manager.capturedButtons, 3);
  manager.MouseUp(320, 320, 1);
  EXPECT_EQ(log.Take(), "a:up@310,300 a:up@310,300,0,1");
  EXPECT_EQ(manager.pressedWidget, &a);
  manager.MouseUp(320, 320, -1);
  EXPECT_EQ(log.Take(), "a:up@310,300 a:up@310,300,1,1 q:enter q:move@10,10");
  EXPECT_EQ(manager.heldButtons, 0);
}

TEST_F(MouseTest, ClickCountsBecomeButtonAndCount) {
  const struct {
    int clickCount;
    const char* events;
    int lastPressed;
  } cases[] = {{1, "q:down@5,5,0,1 q:up@5,5 q:up@5,5,0,1", 1},
               {2, "q:down@5,5,0,2 q:up@5,5 q:up@5,5,0,2", 1},
               {-1, "q:down@5,5,1,1 q:up@5,5 q:up@5,5,1,1", -1},
               {-2, "q:down@5,5,1,2 q:up@5,5 q:up@5,5,1,2", -1},
               {3, "q:down@5,5,2,1 q:up@5,5 q:up@5,5,2,1", 2}};
  manager.MouseMove(315, 315);
  log.Take();
  for (const auto& c : cases) {
    manager.MouseDown(315, 315, c.clickCount);
    EXPECT_EQ(manager.lastPressedButton, c.lastPressed);
    manager.MouseUp(315, 315, c.clickCount);
    EXPECT_EQ(log.Take(), c.events);
  }
}

// A nested widget gets its own coordinates on release, as on press and drag.
TEST_F(MouseTest, ReleasesUseTheWidgetsOwnCoordinates) {
  manager.MouseMove(315, 315);
  manager.MouseDown(315, 315, 1);
  log.Take();
  manager.MouseUp(317, 316, 1);
  EXPECT_EQ(log.Take(), "q:up@7,6 q:up@7,6,0,1 q:move@7,6");
  manager.MouseDown(315, 315, 1);
  manager.MouseDown(315, 315, 3);
  manager.MouseMove(320, 325);
  log.Take();
  manager.ReleaseMouseButtons();
  EXPECT_EQ(log.Take(), "q:up@10,15 q:up@10,15,0,1 q:up@10,15 q:up@10,15,2,1");
  EXPECT_EQ(manager.pressedWidget, nullptr);
  EXPECT_EQ(manager.capturedButtons, 0);
}

TEST_F(MouseTest, HitTestingHonoursDisabledShapeInsetsAndFlags) {
  int lx = -1, ly = -1;
  a.SetDisabled(true);
  EXPECT_EQ(manager.FindWidgetAt(15, 25), nullptr);
  EXPECT_EQ(manager.FindAnyWidgetAt(15, 25, &lx, &ly), &a);
  EXPECT_EQ(lx, 5);
  EXPECT_EQ(ly, 5);
  manager.MouseDown(15, 25, 1);  // goes nowhere: not to a, not to back below it
  manager.MouseUp(15, 25, 1);
  EXPECT_EQ(log.Take(), "");
  a.SetDisabled(false);

  struct RightHalf : ProbeWidget {
    using ProbeWidget::ProbeWidget;
    bool HitsPoint(int mx, int) override { return mx >= width / 2; }
  } shaped("shaped", &log, 0, 0, 100, 100);
  manager.AddWidget(&shaped);
  EXPECT_EQ(manager.FindWidgetAt(20, 25), &a);
  EXPECT_EQ(manager.FindWidgetAt(60, 25), &shaped);

  shaped.hitInsets = Insets(0, 0, 0, 70);
  EXPECT_EQ(manager.FindWidgetAt(60, 25), &shaped);
  EXPECT_EQ(manager.FindWidgetAt(60, 35), &a);

  b.hittable = false;
  EXPECT_EQ(manager.FindWidgetAt(315, 315, &lx, &ly), &q);
  EXPECT_EQ(manager.FindWidgetAt(390, 390), &back);
  b.flagsMod.removeFlags = kAllowMouse;
  EXPECT_EQ(manager.FindWidgetAt(315, 315), &back);
  b.flagsMod = FlagsMod{};
  q.visible = false;
  EXPECT_EQ(manager.FindWidgetAt(315, 315), &back);
}

TEST_F(MouseTest, DisablingHidingAndMovingRecheckTheMouse) {
  manager.MouseMove(15, 25);
  log.Take();
  a.SetDisabled(true);
  EXPECT_EQ(log.Take(), "a:leave");
  a.SetDisabled(false);
  EXPECT_EQ(log.Take(), "a:enter a:move@5,5");
  a.SetVisible(false);
  EXPECT_EQ(log.Take(), "a:leave back:enter back:move@15,25");
  a.SetVisible(true);
  EXPECT_EQ(log.Take(), "back:leave a:enter a:move@5,5");
  a.Move(200, 200);
  EXPECT_EQ(log.Take(), "a:leave back:enter back:move@15,25");
}

TEST_F(MouseTest, ATransientWidgetGoesWhenTheMouseIsPressedOutsideIt) {
  ProbeWidget menu("menu", &log, 50, 50, 20, 20);
  manager.AddWidget(&menu);
  manager.transientWidget = &menu;
  manager.MouseDown(55, 55, 1);
  manager.MouseUp(55, 55, 1);
  EXPECT_EQ(menu.parent, &manager);
  log.Take();
  manager.MouseDown(15, 25, 1);
  EXPECT_EQ(menu.parent, nullptr);
  EXPECT_EQ(manager.transientWidget, nullptr);
  EXPECT_EQ(log.Take(), "menu:leave a:enter a:move@5,5 menu:detached a:down@5,5,0,1");
}

TEST_F(MouseTest, AModalWidgetCutsOffMouseAndFocusBelowButNotUpdates) {
  ProbeWidget dialog("dialog", &log, 200, 200, 50, 50);
  ProbeWidget above("above", &log, 0, 400, 50, 50);
  manager.AddWidget(&dialog);
  manager.MouseMove(15, 25);
  manager.SetFocus(&a);
  manager.MouseDown(15, 25, 1);
  log.Take();
  manager.PushModalLayer(&dialog);
  EXPECT_EQ(log.Take(), "a:leave a:up@5,5 a:up@5,5,0,1 a:lostfocus");
  manager.MouseUp(15, 25, 1);
  manager.MouseMove(16, 25);
  manager.MouseDown(16, 25, 1);
  manager.MouseUp(16, 25, 1);
  EXPECT_EQ(log.Take(), "");
  manager.AddWidget(&above);  // added later, so above the dialog
  manager.MouseMove(10, 410);
  manager.MouseMove(210, 210);
  EXPECT_EQ(log.Take(), "above:attached above:enter above:move@10,10 above:leave dialog:enter dialog:move@10,10");
  const int before = a.updates;
  manager.UpdateWidgets();
  EXPECT_EQ(a.updates, before + 1);

  manager.PopModalLayer(&dialog);
  EXPECT_EQ(manager.focusWidget, &a);
  EXPECT_EQ(log.Take(), "a:gotfocus");
  manager.MouseMove(15, 25);
  EXPECT_EQ(log.Take(), "dialog:leave a:enter a:move@5,5");
}

// A modal widget inside another widget cuts off everything drawn before it, its holder included.
TEST_F(MouseTest, ANestedModalWidgetCutsOffItsHolderAndWhatLiesBelow) {
  ProbeWidget above("above", &log, 0, 400, 50, 50);
  manager.AddWidget(&above);
  manager.PushModalLayer(&q);
  EXPECT_EQ(manager.FindWidgetAt(315, 315), &q);
  EXPECT_EQ(manager.FindWidgetAt(390, 390), nullptr);
  EXPECT_EQ(manager.FindWidgetAt(15, 25), nullptr);
  EXPECT_EQ(manager.FindWidgetAt(10, 410), &above);
}

TEST_F(MouseTest, TheMappingScalesWindowPositionsIntoTheCentredScreen) {
  manager.Resize(Rect(0, 0, 1280, 960), Rect(80, 60, 640, 480));
  EXPECT_EQ(manager.width, 800);
  EXPECT_EQ(manager.height, 600);
  const struct {
    int x, y, mappedX, mappedY;
  } cases[] = {{0, 0, 80, 60}, {640, 480, 400, 300}, {1279, 959, 719, 539}, {3, 1, 81, 60}};
  for (const auto& c : cases) {
    int x = c.x, y = c.y;
    manager.RemapMouse(x, y);
    EXPECT_EQ(x, c.mappedX);
    EXPECT_EQ(y, c.mappedY);
  }
  manager.Resize(Rect(0, 0, 0, 0), Rect(0, 0, 640, 480));  // a degenerate source leaves positions alone
  int x = 7, y = 9;
  manager.RemapMouse(x, y);
  EXPECT_EQ(x, 7);
  EXPECT_EQ(y, 9);
}

TEST_F(MouseTest, TheWheelGoesToTheFocusWidget) {
  manager.SetFocus(&q);
  manager.MouseMove(15, 25);
  log.Take();
  manager.MouseWheel(-2);
  EXPECT_EQ(log.Take(), "q:wheel@-2");
}

class KeyboardTest : public MouseTest {};

TEST_F(KeyboardTest, TheFocusWidgetGetsKeysAndTabFollowsTheOrder) {
  manager.SetFocus(&a);
  a.tabNext = &q;
  q.tabPrev = &a;
  manager.KeyDown(65);
  manager.KeyChar('x');
  manager.KeyUp(65);
  manager.KeyDown(300);
  EXPECT_EQ(log.Take(), "a:gotfocus a:keydown@65 a:char@120 a:keyup@65 a:keydown@300");
  EXPECT_FALSE(manager.IsKeyDown(300));
  manager.KeyUp(300);
  log.Take();

  manager.KeyDown(9);
  manager.KeyUp(9);
  EXPECT_EQ(log.Take(), "a:keydown@9 a:lostfocus q:gotfocus q:keyup@9");
  manager.KeyDown(16);
  manager.KeyDown(9);
  EXPECT_EQ(log.Take(), "q:keydown@16 q:keydown@9 q:lostfocus a:gotfocus");
  manager.KeyUp(16);
  manager.KeyDown(9);
  EXPECT_EQ(manager.focusWidget, &q);
  manager.KeyDown(9);  // q has no tabNext: the focus stays
  EXPECT_EQ(manager.focusWidget, &q);
}

TEST_F(KeyboardTest, CtrlTabGoesToItsTargetAndItsKeyUpIsHeldBack) {
  manager.SetFocus(&a);
  manager.ctrlTabTarget = &b;
  manager.KeyDown(17);
  log.Take();
  manager.KeyChar('\t');
  manager.KeyUp(9);
  EXPECT_EQ(log.Take(), "b:char@9");
  manager.KeyUp(17);
  manager.KeyChar('\t');
  EXPECT_EQ(log.Take(), "a:keyup@17 a:char@9");
}

TEST_F(KeyboardTest, LosingTheApplicationFocusReleasesHeldKeysAndKeepsTheFocusWidget) {
  manager.SetFocus(&a);
  manager.KeyDown(65);
  manager.MouseDown(15, 25, 1);
  log.Take();
  manager.LostFocus();
  EXPECT_EQ(log.Take(), "a:keyup@65 a:lostfocus");
  EXPECT_FALSE(manager.IsKeyDown(65));
  EXPECT_EQ(manager.heldButtons, 0);
  manager.LostFocus();
  EXPECT_EQ(log.Take(), "");
  manager.SetFocus(&q);  // while unfocused: no GotFocus until the application has it back
  EXPECT_EQ(log.Take(), "a:lostfocus");
  manager.GotFocus();
  EXPECT_EQ(log.Take(), "q:gotfocus");
}

TEST_F(KeyboardTest, FocusGoesOnlyToAttachedWidgetsAndWithAClickWhenAsked) {
  ProbeWidget loose("loose", &log);
  manager.SetFocus(&a);
  manager.SetFocus(&loose);
  EXPECT_EQ(manager.focusWidget, nullptr);
  EXPECT_EQ(log.Take(), "a:gotfocus a:lostfocus");
  manager.MouseDown(15, 25, 1);
  EXPECT_EQ(manager.focusWidget, nullptr);
  manager.MouseUp(15, 25, 1);
  a.takesFocusOnClick = true;
  log.Take();
  manager.MouseDown(15, 25, 1);
  EXPECT_EQ(log.Take(), "a:gotfocus a:down@5,5,0,1");
}

}  // namespace
}  // namespace Orva

// Push buttons: what their listener hears for scripted input through the widget manager, the hover
// fade, and the pixels of each look (plain bevel, pictures, strip cells, the dialog's nine-slice).
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "ProbeWidget.h"
#include "RecordingFont.h"
#include "framework/graphics/Graphics.h"
#include "framework/platform/KeyCodes.h"
#include "framework/platform/WindowMessage.h"
#include "framework/widgets/ButtonWidget.h"
#include "framework/widgets/DialogButton.h"
#include "framework/widgets/EditWidget.h"
#include "framework/widgets/ListWidget.h"
#include "framework/widgets/Slider.h"
#include "framework/widgets/WidgetManager.h"
#include "support/ImageTestSupport.h"

namespace Orva {
namespace {

using Testing::MakeFilled;
using Testing::MakeImage;
using Testing::MakeScreen;
using Testing::PixelAt;
using Testing::RecordingFont;

class RecordingListener : public ButtonListener {
 public:
  std::string heard;
  bool logMoves = false;

  void OnButtonMousePressed(int id, int clickCount) override {
    Add("press" + std::to_string(id) + "/" + std::to_string(clickCount));
  }
  void OnButtonReleased(int id) override { Add("release" + std::to_string(id)); }
  void OnButtonHeld(int id) override { Add("held" + std::to_string(id)); }
  void OnButtonHoverStart(int id) override { Add("enter" + std::to_string(id)); }
  void OnButtonHoverEnd(int id) override { Add("leave" + std::to_string(id)); }
  void OnButtonHoverMove(int id, int x, int y) override {
    if (logMoves) Add("move" + std::to_string(id) + "@" + std::to_string(x) + "," + std::to_string(y));
  }
  std::string Take() {
    std::string all;
    all.swap(heard);
    return all;
  }

 private:
  void Add(const std::string& entry) { heard += (heard.empty() ? "" : " ") + entry; }
};

// A 60 x 20 button with id 7 at (10, 10) in a manager without an application.
class ButtonInputTest : public ::testing::Test {
 protected:
  RecordingListener listener;
  WidgetManager manager;
  ButtonWidget button{7, &listener};

  void SetUp() override {
    button.Resize(10, 10, 60, 20);
    manager.AddWidget(&button);
  }
  void TearDown() override { manager.RemoveWidget(&button); }
  void Updates(int n) {
    for (int i = 0; i < n; ++i) manager.UpdateWidgets();
  }
};

TEST_F(ButtonInputTest, AClickOverTheButtonIsPressedThenReleased) {
  listener.logMoves = true;
  manager.MouseMove(20, 15);
  manager.MouseDown(20, 15, 1);
  manager.MouseUp(20, 15, 1);
  EXPECT_EQ(listener.Take(), "enter7 move7@10,5 press7/1 release7");
}

TEST_F(ButtonInputTest, MovingOffBeforeReleasingCancelsTheClick) {
  manager.MouseMove(20, 15);
  manager.MouseDown(20, 15, 1);
  manager.MouseMove(150, 80);
  manager.MouseUp(150, 80, 1);
  EXPECT_EQ(listener.Take(), "enter7 press7/1 leave7");
}

TEST_F(ButtonInputTest, MovingBackOnBeforeReleasingKeepsTheClick) {
  manager.MouseMove(20, 15);
  manager.MouseDown(20, 15, 1);
  manager.MouseMove(150, 80);
  manager.MouseMove(30, 20);
  manager.MouseUp(30, 20, 1);
  EXPECT_EQ(listener.Take(), "enter7 press7/1 leave7 enter7 release7");
}

TEST_F(ButtonInputTest, TheListenerCanTellTheMouseButtonsApart) {
  manager.MouseMove(20, 15);
  listener.Take();
  manager.MouseDown(20, 15, 2);
  manager.MouseUp(20, 15, 1);
  manager.MouseDown(20, 15, -1);
  manager.MouseUp(20, 15, -1);
  manager.MouseDown(20, 15, 3);
  manager.MouseUp(20, 15, 3);
  EXPECT_EQ(listener.Take(), "press7/2 release7 press7/-1 release7 press7/3 release7");
}

TEST_F(ButtonInputTest, AReleaseWhileTheApplicationLacksTheFocusDoesNotCount) {
  manager.MouseMove(20, 15);
  manager.MouseDown(20, 15, 1);
  manager.LostFocus();
  manager.MouseUp(20, 15, 1);
  EXPECT_EQ(listener.Take(), "enter7 press7/1");
  manager.GotFocus();
  manager.MouseDown(20, 15, 1);
  manager.MouseUp(20, 15, 1);
  EXPECT_EQ(listener.Take(), "press7/1 release7");
}

TEST_F(ButtonInputTest, ADisabledButtonGetsNoClicksAndLightsUpWhenEnabledUnderTheMouse) {
  button.SetDisabled(true);
  manager.MouseMove(20, 15);
  manager.MouseDown(20, 15, 1);
  manager.MouseUp(20, 15, 1);
  EXPECT_EQ(listener.Take(), "");
  button.SetDisabled(false);
  EXPECT_EQ(listener.Take(), "enter7");
  // Disabling a hovered button lets go of its hover; a held one of its press.
  manager.MouseDown(20, 15, 1);
  button.SetDisabled(true);
  manager.MouseUp(20, 15, 1);
  EXPECT_EQ(listener.Take(), "press7/1 leave7");
}

TEST_F(ButtonInputTest, HeldIsReportedEachUpdateOnlyWhileDownAndOver) {
  manager.MouseMove(20, 15);
  Updates(2);
  EXPECT_EQ(listener.Take(), "enter7");
  manager.MouseDown(20, 15, 1);
  Updates(3);
  EXPECT_EQ(listener.Take(), "press7/1 held7 held7 held7");
  manager.MouseMove(150, 80);
  Updates(2);
  EXPECT_EQ(listener.Take(), "leave7");
  manager.MouseMove(20, 15);
  Updates(1);
  manager.MouseUp(20, 15, 1);
  Updates(1);
  EXPECT_EQ(listener.Take(), "enter7 held7 release7");
}

TEST_F(ButtonInputTest, HoverChangesRedrawOnlyWhenTheLookChanges) {
  auto screen = MakeScreen(200, 100);
  manager.SetScreenImage(screen.get());
  manager.DrawDirtyWidgets();
  // Plain look, equal label colours: hovering changes nothing on screen.
  manager.MouseMove(20, 15);
  EXPECT_FALSE(button.dirty);
  manager.MouseMove(150, 80);
  button.SetColor(ButtonWidget::COLOR_LABEL_HILITE, Color(255, 0, 0));
  manager.DrawDirtyWidgets();
  manager.MouseMove(20, 15);
  EXPECT_TRUE(button.dirty);
}

// Hover fading: a hover picture and the blend that fades it in and out.
class ButtonFadeTest : public ButtonInputTest {
 protected:
  std::unique_ptr<MemoryImage> up = MakeFilled(4, 4, 0xFFFF0000u);
  std::unique_ptr<MemoryImage> hover = MakeFilled(4, 4, 0xFF0000FFu);
  void SetUp() override {
    ButtonInputTest::SetUp();
    button.upPicture = up.get();
    button.hoverPicture = hover.get();
  }
};

TEST_F(ButtonFadeTest, FadingInAtOneTenthTakesExactlyTenUpdates) {
  button.hoverFadeIn = 0.1;
  manager.MouseMove(20, 15);
  Updates(9);
  EXPECT_LT(button.hoverBlend, 1.0);
  EXPECT_GT(button.hoverBlend, 0.85);
  Updates(1);
  EXPECT_EQ(button.hoverBlend, 1.0);
  // Once full, updates leave the button alone.
  button.dirty = false;
  Updates(1);
  EXPECT_FALSE(button.dirty);
}

TEST_F(ButtonFadeTest, LeavingWithoutAFadeOutSpeedDropsTheHoverAtOnce) {
  button.hoverFadeIn = 0.5;
  manager.MouseMove(20, 15);
  Updates(2);
  EXPECT_EQ(button.hoverBlend, 1.0);
  manager.MouseMove(150, 80);
  EXPECT_EQ(button.hoverBlend, 0.0);
}

TEST_F(ButtonFadeTest, APlainHoverStillFadesOutFromFull) {
  button.hoverFadeOut = 0.25;
  manager.MouseMove(20, 15);
  Updates(3);
  EXPECT_EQ(button.hoverBlend, 0.0);  // no fade-in speed: the hover look shows at once
  manager.MouseMove(150, 80);
  EXPECT_EQ(button.hoverBlend, 1.0);
  Updates(3);
  EXPECT_EQ(button.hoverBlend, 0.25);
  Updates(1);
  EXPECT_EQ(button.hoverBlend, 0.0);
}

TEST_F(ButtonFadeTest, TheFadeWaitsWhileTheButtonIsHeldOffIt) {
  button.hoverFadeIn = 0.5;
  button.hoverFadeOut = 0.5;
  manager.MouseMove(20, 15);
  Updates(1);
  manager.MouseDown(20, 15, 1);
  manager.MouseMove(150, 80);
  Updates(3);
  EXPECT_EQ(button.hoverBlend, 0.5);
  manager.MouseUp(150, 80, 1);
  Updates(1);
  EXPECT_EQ(button.hoverBlend, 0.0);
}

TEST_F(ButtonFadeTest, EnteringWithoutAFadeInSpeedForgetsAnUnfinishedFadeOut) {
  button.hoverFadeOut = 0.1;
  manager.MouseMove(20, 15);
  manager.MouseMove(150, 80);
  Updates(2);
  EXPECT_GT(button.hoverBlend, 0.0);
  manager.MouseMove(20, 15);
  EXPECT_EQ(button.hoverBlend, 0.0);
}

// Drawing straight into a small image; the state fields are set by hand.
class ButtonDrawTest : public ::testing::Test {
 protected:
  static constexpr uint32_t kBackground = 0xFF102030u;
  static constexpr uint32_t kBkg = 0xFFD4D4D4u;
  static constexpr uint32_t kLight = 0xFFFFFFFFu;
  static constexpr uint32_t kDark = 0xFF000000u;
  static constexpr uint32_t kMedium = 0xFF848484u;

  ButtonWidget button{1, nullptr};

  std::unique_ptr<MemoryImage> DrawAt(int w, int h) {
    auto screen = MakeScreen(w, h, kBackground);
    Graphics g(screen.get());
    button.Draw(&g);
    return screen;
  }
};

TEST_F(ButtonDrawTest, ThePlainButtonIsLitFromTheTopLeft) {
  button.Resize(0, 0, 6, 5);
  auto s = DrawAt(6, 5);
  const uint32_t expected[5][6] = {
      {kLight, kLight, kLight, kLight, kLight, kDark}, {kLight, kBkg, kBkg, kBkg, kMedium, kDark},
      {kLight, kBkg, kBkg, kBkg, kMedium, kDark},      {kLight, kMedium, kMedium, kMedium, kMedium, kDark},
      {kDark, kDark, kDark, kDark, kDark, kDark},
  };
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(PixelAt(*s, x, y), expected[y][x]) << x << "," << y;
}

TEST_F(ButtonDrawTest, APressedPlainButtonIsSunken) {
  button.Resize(0, 0, 6, 5);
  button.isDown = button.isOver = true;
  auto s = DrawAt(6, 5);
  const uint32_t expected[5][6] = {
      {kDark, kDark, kDark, kDark, kDark, kLight},      {kDark, kMedium, kMedium, kMedium, kBkg, kLight},
      {kDark, kMedium, kBkg, kBkg, kBkg, kLight},       {kDark, kBkg, kBkg, kBkg, kBkg, kLight},
      {kLight, kLight, kLight, kLight, kLight, kLight},
  };
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(PixelAt(*s, x, y), expected[y][x]) << x << "," << y;
}

TEST_F(ButtonDrawTest, InvertedSwapsThePressedAndReleasedLooks) {
  button.Resize(0, 0, 6, 5);
  button.inverted = true;
  EXPECT_EQ(PixelAt(*DrawAt(6, 5), 0, 0), kDark);
  button.isDown = button.isOver = true;
  EXPECT_EQ(PixelAt(*DrawAt(6, 5), 0, 0), kLight);
}

TEST_F(ButtonDrawTest, HeldOffTheButtonOrDisabledLooksReleased) {
  button.Resize(0, 0, 6, 5);
  button.isDown = true;
  EXPECT_EQ(PixelAt(*DrawAt(6, 5), 0, 0), kLight);
  button.isOver = true;
  button.disabled = true;
  EXPECT_EQ(PixelAt(*DrawAt(6, 5), 0, 0), kLight);
}

TEST_F(ButtonDrawTest, BareLabelAndNoDrawLeaveTheBackgroundAlone) {
  button.Resize(0, 0, 6, 5);
  button.bareLabel = true;
  EXPECT_EQ(Testing::CountNot(*DrawAt(6, 5), kBackground), 0);
  button.bareLabel = false;
  button.noDraw = true;
  EXPECT_EQ(Testing::CountNot(*DrawAt(6, 5), kBackground), 0);
}

TEST_F(ButtonDrawTest, TheLabelIsPlacedByAlignmentAndMovedWhilePressed) {
  RecordingFont font;
  button.SetFont(&font);
  auto& drawn = *font.drawn;
  button.label = "OK";
  button.Resize(0, 0, 60, 20);
  button.SetColor(ButtonWidget::COLOR_LABEL, Color(1, 2, 3));
  button.SetColor(ButtonWidget::COLOR_LABEL_HILITE, Color(4, 5, 6));
  // Centred: (60 - 12) / 2; baseline (8 + 20 - 8 / 6 - 1) / 2.
  DrawAt(60, 20);
  ASSERT_EQ(drawn.size(), 1u);
  EXPECT_EQ(drawn[0].x, 24);
  EXPECT_EQ(drawn[0].y, 13);
  EXPECT_EQ(drawn[0].color, Color(1, 2, 3));
  button.isDown = button.isOver = true;
  DrawAt(60, 20);
  EXPECT_EQ(drawn[1].x, 25);
  EXPECT_EQ(drawn[1].y, 14);
  EXPECT_EQ(drawn[1].color, Color(4, 5, 6));
  button.isDown = button.isOver = false;
  button.labelAlign = ButtonWidget::LABEL_RIGHT;
  DrawAt(60, 20);
  EXPECT_EQ(drawn[2].x, 48);
  button.labelAlign = ButtonWidget::LABEL_LEFT;
  DrawAt(60, 20);
  EXPECT_EQ(drawn[3].x, 0);
}

// Pictures: up red, hover green, pressed blue, disabled grey; 4 x 3 each, on a 6 x 5 button.
class ButtonPictureTest : public ButtonDrawTest {
 protected:
  static constexpr uint32_t kUp = 0xFFFF0000u, kHover = 0xFF00FF00u, kPressed = 0xFF0000FFu, kDisabled = 0xFF808080u;
  std::unique_ptr<MemoryImage> up = MakeFilled(4, 3, kUp);
  std::unique_ptr<MemoryImage> hover = MakeFilled(4, 3, kHover);
  std::unique_ptr<MemoryImage> pressed = MakeFilled(4, 3, kPressed);
  std::unique_ptr<MemoryImage> disabledLook = MakeFilled(4, 3, kDisabled);

  void SetUp() override {
    button.Resize(0, 0, 6, 5);
    button.upPicture = up.get();
    button.hoverPicture = hover.get();
    button.pressedPicture = pressed.get();
    button.disabledPicture = disabledLook.get();
  }
};

TEST_F(ButtonPictureTest, EachStateShowsItsPicture) {
  EXPECT_EQ(PixelAt(*DrawAt(6, 5), 0, 0), kUp);
  button.isOver = true;
  EXPECT_EQ(PixelAt(*DrawAt(6, 5), 0, 0), kHover);
  button.isDown = true;
  auto s = DrawAt(6, 5);
  EXPECT_EQ(PixelAt(*s, 0, 0), kPressed);
  EXPECT_EQ(PixelAt(*s, 4, 0), kBackground);  // pictures are not stretched
  button.isDown = button.isOver = false;
  button.disabled = true;
  EXPECT_EQ(PixelAt(*DrawAt(6, 5), 0, 0), kDisabled);
}

TEST_F(ButtonPictureTest, WithoutAPressedPictureThePressedButtonShowsItsHoverLookMovedByOne) {
  button.pressedPicture = nullptr;
  button.isDown = button.isOver = true;
  auto s = DrawAt(6, 5);
  EXPECT_EQ(PixelAt(*s, 0, 0), kBackground);
  EXPECT_EQ(PixelAt(*s, 1, 1), kHover);
  EXPECT_EQ(PixelAt(*s, 4, 3), kHover);
  button.hoverPicture = nullptr;
  EXPECT_EQ(PixelAt(*DrawAt(6, 5), 1, 1), kUp);
}

TEST_F(ButtonPictureTest, APartialHoverBlendMixesTheHoverPictureOverTheNormalOne) {
  button.hoverBlend = 0.5;
  const uint32_t mixed = PixelAt(*DrawAt(6, 5), 0, 0);
  EXPECT_NEAR(int((mixed >> 16) & 0xFF), 128, 2);
  EXPECT_NEAR(int((mixed >> 8) & 0xFF), 127, 2);
  EXPECT_EQ(mixed & 0xFF, 0u);
  button.hoverBlend = 1.0;
  const uint32_t full = PixelAt(*DrawAt(6, 5), 0, 0);
  EXPECT_LE(int((full >> 16) & 0xFF), 2);
  EXPECT_GE(int((full >> 8) & 0xFF), 253);
}

TEST_F(ButtonPictureTest, CellsOfOneStripStandInForSeparatePictures) {
  // Cells side by side: up, hover, pressed, disabled.
  auto strip = MakeImage(8, 1);
  const uint32_t colours[4] = {kUp, kHover, kPressed, kDisabled};
  for (int i = 0; i < 8; ++i) strip->GetPixels()[i] = colours[i / 2];
  strip->PixelsChanged();
  ButtonWidget cells(2, nullptr);
  cells.Resize(0, 0, 2, 1);
  cells.upPicture = strip.get();
  cells.upCell = Rect(0, 0, 2, 1);
  cells.hoverCell = Rect(2, 0, 2, 1);
  cells.pressedCell = Rect(4, 0, 2, 1);
  cells.disabledCell = Rect(6, 0, 2, 1);
  const auto draw = [&] {
    auto s = MakeScreen(2, 1, kBackground);
    Graphics g(s.get());
    cells.Draw(&g);
    return PixelAt(*s, 1, 0);
  };
  EXPECT_EQ(draw(), kUp);
  cells.isOver = true;
  EXPECT_EQ(draw(), kHover);
  cells.isDown = true;
  EXPECT_EQ(draw(), kPressed);
  cells.isDown = cells.isOver = false;
  cells.disabled = true;
  EXPECT_EQ(draw(), kDisabled);
}

// The dialog's button: a 3 x 3 frame picture whose nine one-pixel slices all differ.
class DialogButtonDrawTest : public ::testing::Test {
 protected:
  static constexpr uint32_t kBackground = 0xFF102030u;
  // Row by row: corners 0xA0.., edges 0xB0.., centre 0xC0...
  std::unique_ptr<MemoryImage> frame = MakeImage(3, 3,
                                                 {0xFFA00001u, 0xFFB00001u, 0xFFA00002u,  //
                                                  0xFFB00002u, 0xFFC00000u, 0xFFB00003u,  //
                                                  0xFFA00003u, 0xFFB00004u, 0xFFA00004u});
  DialogButton button{frame.get(), 1000, nullptr};

  std::unique_ptr<MemoryImage> Draw() {
    auto screen = MakeScreen(button.width, button.height, kBackground);
    Graphics g(screen.get());
    button.Draw(&g);
    return screen;
  }
};

TEST_F(DialogButtonDrawTest, TheFramePictureIsNineSlicedToTheButton) {
  button.Resize(0, 0, 10, 6);
  auto s = Draw();
  EXPECT_EQ(PixelAt(*s, 0, 0), 0xFFA00001u);
  EXPECT_EQ(PixelAt(*s, 9, 0), 0xFFA00002u);
  EXPECT_EQ(PixelAt(*s, 0, 5), 0xFFA00003u);
  EXPECT_EQ(PixelAt(*s, 9, 5), 0xFFA00004u);
  EXPECT_EQ(PixelAt(*s, 5, 0), 0xFFB00001u);
  EXPECT_EQ(PixelAt(*s, 0, 3), 0xFFB00002u);
  EXPECT_EQ(PixelAt(*s, 9, 3), 0xFFB00003u);
  EXPECT_EQ(PixelAt(*s, 5, 5), 0xFFB00004u);
  EXPECT_EQ(PixelAt(*s, 5, 3), 0xFFC00000u);
}

TEST_F(DialogButtonDrawTest, PressedTheWholeFrameMovesByThePressShift) {
  button.Resize(0, 0, 10, 6);
  button.isDown = button.isOver = true;
  auto s = Draw();
  EXPECT_EQ(PixelAt(*s, 0, 0), kBackground);
  EXPECT_EQ(PixelAt(*s, 1, 1), 0xFFA00001u);
  EXPECT_EQ(PixelAt(*s, 9, 5), 0xFFC00000u);  // the far corner is cut off by the button's edge
}

TEST_F(DialogButtonDrawTest, TheLabelIsCentredAndShiftedWhilePressed) {
  RecordingFont font;
  font.ascentPadding = 2;
  button.SetFont(&font);
  auto& drawn = *font.drawn;
  button.label = "OK";
  button.Resize(0, 0, 60, 20);
  // (60 - 12) / 2; baseline (8 + 20 - 8 / 6 - 2 - 1) / 2.
  Draw();
  ASSERT_EQ(drawn.size(), 1u);
  EXPECT_EQ(drawn[0].x, 24);
  EXPECT_EQ(drawn[0].y, 12);
  EXPECT_EQ(drawn[0].color, Color::White);
  button.isDown = button.isOver = true;
  button.pressShiftX = 2;
  button.labelShiftX = -4;
  button.labelShiftY = 3;
  Draw();
  EXPECT_EQ(drawn[1].x, 24 + 2 - 4);
  EXPECT_EQ(drawn[1].y, 12 + 1 + 3);
  // The translation is undone: the next draw starts unshifted.
  button.isDown = false;
  Draw();
  EXPECT_EQ(drawn[2].x, 24 - 4);
}

TEST_F(DialogButtonDrawTest, CellsOfTheFramePictureStayPutWhilePressed) {
  // Two 3 x 3 frames side by side: the normal one, then the pressed one (its colours + 0x10).
  auto strip = MakeImage(6, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 6; ++x)
      strip->GetPixels()[y * 6 + x] = frame->GetPixels()[y * 3 + x % 3] + (x >= 3 ? 0x10u : 0u);
  strip->PixelsChanged();
  button.framePicture = strip.get();
  button.upCell = Rect(0, 0, 3, 3);
  button.pressedCell = Rect(3, 0, 3, 3);
  button.Resize(0, 0, 10, 6);
  EXPECT_EQ(PixelAt(*Draw(), 0, 0), 0xFFA00001u);
  button.isDown = button.isOver = true;
  auto s = Draw();
  EXPECT_EQ(PixelAt(*s, 0, 0), 0xFFA00011u);
  EXPECT_EQ(PixelAt(*s, 9, 5), 0xFFA00014u);
  // A state without a cell of its own shows the normal cell, never nothing.
  button.pressedCell = Rect();
  EXPECT_EQ(PixelAt(*Draw(), 0, 0), 0xFFA00001u);
}

TEST_F(DialogButtonDrawTest, WithoutAFramePictureItIsAPlainButton) {
  button.framePicture = nullptr;
  button.Resize(0, 0, 6, 5);
  auto s = Draw();
  EXPECT_EQ(PixelAt(*s, 0, 0), 0xFFFFFFFFu);
  EXPECT_EQ(PixelAt(*s, 5, 4), 0xFF000000u);
  EXPECT_EQ(PixelAt(*s, 2, 2), 0xFFD4D4D4u);
  EXPECT_TRUE(button.handCursorOnHover);
}

// Keyboard and pad navigation through the manager: a screen of four buttons in a square (the
// bottom right one disabled), a list, a slider and a text field beside them, and a modal dialog.
class NavigationTest : public ::testing::Test {
 protected:
  RecordingListener listener;
  WidgetManager manager;
  Widget screen;
  ButtonWidget topLeft{1, &listener}, topRight{2, &listener}, bottomLeft{3, &listener}, bottomRight{4, &listener};

  void SetUp() override {
    screen.Resize(0, 0, 640, 480);
    manager.AddWidget(&screen);
    topLeft.Resize(10, 10, 60, 20);
    topRight.Resize(100, 12, 60, 20);
    bottomLeft.Resize(10, 100, 60, 20);
    bottomRight.Resize(100, 100, 60, 20);
    bottomRight.SetDisabled(true);
    bottomLeft.navCancel = true;
    for (ButtonWidget* b : {&topLeft, &topRight, &bottomLeft, &bottomRight}) screen.AddWidget(b);
  }
  void TearDown() override { manager.RemoveAllWidgets(false, true); }
  void Key(int key) {
    manager.KeyDown(key);
    manager.KeyUp(key);
  }
};

TEST_F(NavigationTest, ArrowsShowThenMoveTheFocusEnterPressesAndEscapeCancels) {
  // The first arrow only shows the focus, on the first button in reading order, as a hover.
  Key(KEYCODE_RIGHT);
  EXPECT_EQ(manager.focusWidget, &topLeft);
  EXPECT_TRUE(topLeft.LooksHovered());
  EXPECT_EQ(listener.Take(), "enter1");
  Key(KEYCODE_RIGHT);
  EXPECT_EQ(listener.Take(), "leave1 enter2");
  // Down from the top right: the disabled button below is passed over for the one beside it.
  Key(KEYCODE_DOWN);
  EXPECT_EQ(manager.focusWidget, &bottomLeft);
  Key(KEYCODE_DOWN);  // nothing further down: the focus stays
  EXPECT_EQ(manager.focusWidget, &bottomLeft);
  listener.Take();
  Key(KEYCODE_UP);
  Key(KEYCODE_RETURN);
  EXPECT_EQ(listener.Take(), "leave3 enter1 press1/1 release1");
  Key(KEYCODE_ESCAPE);
  EXPECT_EQ(listener.Take(), "press3/1 release3");

  // The mouse in hand hides the focus look (the listener hears it go); a key brings it back.
  manager.MouseMove(300, 300);
  EXPECT_FALSE(topLeft.LooksHovered());
  EXPECT_EQ(listener.Take(), "leave1");
  Key(KEYCODE_DOWN);
  EXPECT_EQ(manager.focusWidget, &topLeft);
  EXPECT_EQ(listener.Take(), "enter1");

  // A modal dialog takes the shown focus while it is up, and gives it back when it goes.
  Widget dialog;
  ButtonWidget ok{9, &listener};
  dialog.Resize(200, 200, 200, 100);
  ok.Resize(20, 60, 60, 20);
  dialog.AddWidget(&ok);
  manager.AddWidget(&dialog);
  manager.PushModalLayer(&dialog);
  manager.UpdateWidgets();
  EXPECT_EQ(manager.focusWidget, &ok);
  Key(KEYCODE_LEFT);  // nothing beside it within the dialog
  EXPECT_EQ(manager.focusWidget, &ok);
  manager.PopModalLayer(&dialog);
  manager.RemoveWidget(&dialog);
  EXPECT_EQ(manager.focusWidget, &topLeft);

  // A focused widget that is not navigable (a playing field) keeps every key.
  Testing::EventLog log;
  Testing::ProbeWidget field("field", &log, 300, 0, 100, 100);
  manager.AddWidget(&field);
  manager.SetFocus(&field);
  log.Take();
  Key(KEYCODE_LEFT);
  Key(KEYCODE_ESCAPE);
  EXPECT_EQ(manager.focusWidget, &field);
  const std::string heard = log.Take();
  EXPECT_NE(heard.find("field:keydown@37"), std::string::npos) << heard;
  EXPECT_NE(heard.find("field:keydown@27"), std::string::npos) << heard;
  manager.RemoveWidget(&field);
}

TEST_F(NavigationTest, PadDirectionsRepeatLikeKeysAndFieldsListsAndSlidersTakeTheirOwnArrows) {
  // The d-pad is the arrows, south is Enter; a held direction repeats after the delay.
  manager.PadButtonDown(int(PadButton::DPAD_RIGHT), 0);
  EXPECT_EQ(manager.focusWidget, &topLeft);
  manager.PadButtonUp(int(PadButton::DPAD_RIGHT), 0);
  manager.PadButtonDown(int(PadButton::DPAD_DOWN), 0);
  EXPECT_EQ(manager.focusWidget, &bottomLeft);
  manager.PadButtonDown(int(PadButton::DPAD_UP), 0);  // held
  EXPECT_EQ(manager.focusWidget, &topLeft);
  manager.SetFocus(&bottomLeft);
  for (int i = 1; i < WidgetManager::kPadRepeatDelay; ++i) manager.UpdateWidgets();
  EXPECT_EQ(manager.focusWidget, &bottomLeft);
  manager.UpdateWidgets();
  EXPECT_EQ(manager.focusWidget, &topLeft);
  manager.PadRemoved(0);  // its held buttons stop
  manager.SetFocus(&bottomLeft);
  for (int i = 0; i < 2 * WidgetManager::kPadRepeatDelay; ++i) manager.UpdateWidgets();
  EXPECT_EQ(manager.focusWidget, &bottomLeft);
  listener.Take();
  manager.PadButtonDown(int(PadButton::SOUTH), 1);
  EXPECT_EQ(listener.Take(), "press3/1 release3");
  EXPECT_EQ(manager.lastPad, 1);

  // A text field typed a letter at a time; a full field keeps its letters.
  EditWidget edit(5, nullptr);
  edit.maxChars = 2;
  edit.Resize(200, 10, 100, 20);
  screen.AddWidget(&edit);
  manager.SetFocus(&edit);
  auto pad = [&](PadButton b) { manager.PadButtonDown(int(b), 0); };
  pad(PadButton::DPAD_DOWN);  // a letter, turned back from the first to the last
  EXPECT_EQ(edit.text, "_");
  pad(PadButton::DPAD_UP);
  pad(PadButton::DPAD_RIGHT);
  pad(PadButton::DPAD_UP);
  EXPECT_EQ(edit.text, "AB");
  pad(PadButton::DPAD_RIGHT);  // full
  pad(PadButton::DPAD_UP);
  EXPECT_EQ(edit.text, "AC");
  pad(PadButton::DPAD_LEFT);
  EXPECT_EQ(edit.text, "A");
  Key(KEYCODE_LEFT);  // the field's own: the cursor moves
  EXPECT_EQ(manager.focusWidget, &edit);
  Key(KEYCODE_DOWN);  // not the field's: the focus moves on
  EXPECT_NE(manager.focusWidget, &edit);
  screen.RemoveWidget(&edit);

  // A list takes up and down until its first or last line; a slider its own direction.
  // The list shows about three of its eight lines and scrolls to keep the selected one in view.
  ListWidget list(6, nullptr, nullptr);
  list.itemHeight = 10;
  list.Resize(200, 40, 100, 40);
  for (const char* line : {"a", "b", "c", "d", "e", "f", "g", "h"}) list.InsertLine(line, false);
  Slider slider(nullptr, nullptr, 7, nullptr);
  slider.Resize(200, 100, 100, 10);
  screen.AddWidget(&list);
  screen.AddWidget(&slider);
  manager.SetFocus(&list);
  for (int i = 0; i < 8; ++i) Key(KEYCODE_DOWN);
  EXPECT_EQ(list.selectedIndex, 7);
  EXPECT_GT(list.topLine, 0);
  EXPECT_LE(list.topLine, 7);
  EXPECT_GE(list.topLine + list.pageLines, 8);
  EXPECT_EQ(manager.focusWidget, &list);
  list.dirty = slider.dirty = false;  // as after a draw
  Key(KEYCODE_DOWN);
  EXPECT_EQ(manager.focusWidget, &slider);
  EXPECT_TRUE(list.dirty && slider.dirty);  // the frame leaves one and comes to the other
  Key(KEYCODE_RIGHT);
  EXPECT_DOUBLE_EQ(slider.value, Slider::kKeyStep);
  EXPECT_EQ(manager.focusWidget, &slider);
  screen.RemoveWidget(&list);
  screen.RemoveWidget(&slider);
}

}  // namespace
}  // namespace Orva

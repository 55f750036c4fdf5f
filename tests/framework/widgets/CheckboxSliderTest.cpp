// Check boxes and sliders driven through the widget manager: toggling and its reports, thumb
// dragging and track clicks, the cursor they ask for, their looks, and values that must not get
// through (out of range, not a number, a thumb with no room to move).
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "FakeWidgetHost.h"
#include "framework/widgets/Checkbox.h"
#include "framework/widgets/Slider.h"
#include "framework/widgets/WidgetManager.h"
#include "support/ImageTestSupport.h"

namespace Orva {
namespace {

using Testing::MakeFilled;
using Testing::MakeImage;
using Testing::MakeScreen;
using Testing::PixelAt;

constexpr uint32_t kRed = 0xFFFF0000u;
constexpr uint32_t kGreen = 0xFF00FF00u;
constexpr uint32_t kBlue = 0xFF0000FFu;
constexpr uint32_t kWhite = 0xFFFFFFFFu;
constexpr uint32_t kScreen = 0xFF000000u;

class Recorder : public CheckboxListener, public SliderListener {
 public:
  std::vector<std::string> calls;
  void OnCheckboxToggled(int id, bool checked) override {
    calls.push_back(std::to_string(id) + (checked ? ":on" : ":off"));
  }
  std::vector<double> values;
  void OnSliderMoved(int, double value) override { values.push_back(value); }
  std::string Take() {
    std::string all;
    for (const std::string& c : calls) all += (all.empty() ? "" : " ") + c;
    calls.clear();
    return all;
  }
};

// The host is there only to receive cursor requests.
class ToggleTest : public ::testing::Test {
 protected:
  Testing::FakeWidgetHost app;
  WidgetManager manager{&app};
  std::unique_ptr<MemoryImage> screen = MakeScreen(200, 100, kScreen);
  Recorder recorder;
  void SetUp() override { manager.SetScreenImage(screen.get()); }
  void Click(int mx, int my, int count = 1) {
    manager.MouseDown(mx, my, count);
    manager.MouseUp(mx, my, count);
  }
};

// ---- Check box

TEST_F(ToggleTest, EveryPressTogglesAndReportsWhateverTheButtonOrCount) {
  Checkbox box(nullptr, nullptr, 4, &recorder);
  box.Resize(10, 10, 12, 12);
  manager.AddWidget(&box);
  Click(15, 15);
  EXPECT_TRUE(box.IsChecked());
  Click(15, 15, 2);   // the second press of a double click
  Click(15, 15, -1);  // right button
  Click(15, 15, 3);   // middle button
  EXPECT_EQ(recorder.Take(), "4:on 4:off 4:on 4:off");
  EXPECT_FALSE(box.IsChecked());
}

TEST_F(ToggleTest, SetCheckedTellsTheListenerOnlyWhenAskedAndAlwaysRedraws) {
  Checkbox box(nullptr, nullptr, 2, &recorder);
  box.Resize(0, 0, 12, 12);
  manager.AddWidget(&box);
  manager.DrawDirtyWidgets();
  box.SetChecked(true, false);
  EXPECT_EQ(recorder.Take(), "");
  EXPECT_TRUE(box.dirty);
  box.SetChecked(true, true);  // unchanged, still reported
  EXPECT_EQ(recorder.Take(), "2:on");
  Checkbox silent(nullptr, nullptr, 3, nullptr);
  silent.Resize(20, 0, 12, 12);
  manager.AddWidget(&silent);
  Click(25, 5);  // no listener: toggles all the same
  EXPECT_TRUE(silent.IsChecked());
}

TEST_F(ToggleTest, CheckBoxShowsTheHandWhileHovered) {
  Checkbox box(nullptr, nullptr, 1, nullptr);
  box.Resize(10, 10, 12, 12);
  manager.AddWidget(&box);
  manager.MouseMove(15, 15);
  EXPECT_EQ(app.cursorKind, CURSOR_HAND);
  manager.MouseMove(100, 80);
  EXPECT_EQ(app.cursorKind, CURSOR_POINTER);
}

TEST_F(ToggleTest, PlainCheckBoxIsAFramedBoxWithACrossInsideTheFrame) {
  Checkbox box(nullptr, nullptr, 1, nullptr);
  box.Resize(10, 10, 10, 10);
  manager.AddWidget(&box);
  manager.DrawDirtyWidgets();
  EXPECT_EQ(PixelAt(*screen, 10, 10), kWhite);
  EXPECT_EQ(PixelAt(*screen, 19, 19), kWhite);
  EXPECT_EQ(PixelAt(*screen, 11, 11), 0xFF505050u);
  EXPECT_EQ(PixelAt(*screen, 18, 18), 0xFF505050u);

  box.SetChecked(true, false);
  manager.DrawDirtyWidgets();
  const uint32_t yellow = 0xFFFFFF00u;
  // Both strokes run corner to corner of the inside: (1, 1)-(8, 8) and (8, 1)-(1, 8).
  for (int k = 1; k <= 8; ++k) {
    EXPECT_EQ(PixelAt(*screen, 10 + k, 10 + k), yellow) << k;
    EXPECT_EQ(PixelAt(*screen, 10 + 9 - k, 10 + k), yellow) << k;
  }
  EXPECT_EQ(PixelAt(*screen, 19, 11), kWhite);  // the frame is left whole
  EXPECT_EQ(PixelAt(*screen, 12, 11), 0xFF505050u);
}

TEST_F(ToggleTest, PictureCheckBoxDrawsItsPictureOrItsCell) {
  auto off = MakeFilled(6, 6, kRed);
  auto on = MakeFilled(6, 6, kGreen);
  Checkbox box(off.get(), on.get(), 1, nullptr);
  box.Resize(0, 0, 6, 6);
  manager.AddWidget(&box);
  manager.DrawDirtyWidgets();
  EXPECT_EQ(PixelAt(*screen, 3, 3), kRed);
  box.SetChecked(true, false);
  manager.DrawDirtyWidgets();
  EXPECT_EQ(PixelAt(*screen, 3, 3), kGreen);

  // One strip: left half unchecked (blue), right half checked (white).
  auto strip = MakeImage(8, 4);
  for (int py = 0; py < 4; ++py)
    for (int px = 0; px < 8; ++px) strip->GetPixels()[py * 8 + px] = px < 4 ? kBlue : kWhite;
  strip->PixelsChanged();
  Checkbox cells(strip.get(), nullptr, 2, nullptr);
  cells.uncheckedCell = Rect(0, 0, 4, 4);
  cells.checkedCell = Rect(4, 0, 4, 4);
  cells.Resize(50, 0, 4, 4);
  manager.AddWidget(&cells);
  manager.DrawDirtyWidgets();
  EXPECT_EQ(PixelAt(*screen, 51, 1), kBlue);
  cells.SetChecked(true, false);
  manager.DrawDirtyWidgets();
  EXPECT_EQ(PixelAt(*screen, 51, 1), kWhite);
}

// ---- Slider

// A 100 x 20 slider at (10, 10) with a 10 x 10 thumb: the thumb travels 90 pixels.
class SliderTest : public ToggleTest {
 protected:
  std::unique_ptr<MemoryImage> thumb = MakeFilled(10, 10, kWhite);
  Slider slider{nullptr, thumb.get(), 7, &recorder};
  void SetUp() override {
    ToggleTest::SetUp();
    slider.Resize(10, 10, 100, 20);
    manager.AddWidget(&slider);
  }
};

TEST_F(SliderTest, DraggingTheThumbReportsEachNewValueAndAgainOnRelease) {
  manager.MouseMove(15, 15);
  EXPECT_EQ(app.cursorKind, CURSOR_DRAGGING);  // over the thumb
  manager.MouseDown(15, 15, 1);                // grabbed 5 pixels into the thumb
  EXPECT_TRUE(slider.dragging);
  manager.MouseMove(60, 15);  // thumb at 45 of 90
  EXPECT_DOUBLE_EQ(slider.value, 0.5);
  manager.MouseMove(60, 40);  // off the slider across: only the position along counts
  EXPECT_EQ(recorder.values, std::vector<double>{0.5});
  manager.MouseMove(500, 15);
  manager.MouseMove(600, 15);  // still 1: nothing new to report
  EXPECT_EQ(recorder.values, (std::vector<double>{0.5, 1.0}));
  manager.MouseMove(-300, 15);
  EXPECT_EQ(app.cursorKind, CURSOR_DRAGGING);  // leaving while dragging keeps it
  manager.MouseUp(-300, 15, 1);
  EXPECT_EQ(recorder.values, (std::vector<double>{0.5, 1.0, 0.0, 0.0}));
  EXPECT_FALSE(slider.dragging);
  EXPECT_EQ(app.cursorKind, CURSOR_POINTER);
}

TEST_F(SliderTest, APressOnTheTrackJumpsAtOnceAndReportsOnRelease) {
  slider.SetValue(0.5);  // thumb over 45..54
  EXPECT_TRUE(recorder.values.empty());
  manager.MouseMove(30, 15);
  EXPECT_EQ(app.cursorKind, CURSOR_POINTER);
  manager.MouseDown(30, 15, 1);  // 20 of 100: the thumb's left edge goes to 20 % of its travel
  EXPECT_DOUBLE_EQ(slider.value, 0.2);
  EXPECT_EQ(slider.ThumbPosition(), 18);
  EXPECT_FALSE(slider.dragging);
  manager.MouseMove(80, 15);  // not dragging: the thumb stays
  EXPECT_TRUE(recorder.values.empty());
  manager.MouseUp(80, 15, 1);
  EXPECT_EQ(recorder.values, std::vector<double>{0.2});
}

TEST_F(SliderTest, VerticalSliderWorksAlongY) {
  slider.horizontal = false;
  slider.Resize(10, 10, 20, 100);
  manager.MouseDown(20, 12, 1);  // 2 pixels into the thumb at the top
  manager.MouseMove(20, 12 + 27);
  EXPECT_DOUBLE_EQ(slider.value, 0.3);
  manager.MouseUp(20, 39, 1);
  manager.MouseDown(20, 100, 1);  // on the track, 90 of 100
  EXPECT_DOUBLE_EQ(slider.value, 0.9);
}

TEST_F(SliderTest, ValuesAreClampedAndNotANumberIsIgnored) {
  slider.SetValue(0.25);
  slider.SetValue(std::nan(""));
  EXPECT_DOUBLE_EQ(slider.value, 0.25);
  slider.SetValue(7);
  EXPECT_DOUBLE_EQ(slider.value, 1);
  slider.SetValue(-INFINITY);
  EXPECT_DOUBLE_EQ(slider.value, 0);
  EXPECT_TRUE(recorder.values.empty());
}

TEST_F(SliderTest, AThumbWithNoRoomToMoveKeepsItsValue) {
  slider.SetValue(0.5);
  for (int thumbWidth : {100, 140}) {  // as long as the track, and longer
    auto wide = MakeFilled(thumbWidth, 10, kWhite);
    slider.thumbPicture = wide.get();
    manager.MouseDown(20, 15, 1);
    ASSERT_TRUE(slider.dragging) << thumbWidth;
    manager.MouseMove(80, 15);
    manager.MouseUp(80, 15, 1);
    EXPECT_DOUBLE_EQ(slider.value, 0.5) << thumbWidth;
  }
  EXPECT_EQ(recorder.values, (std::vector<double>{0.5, 0.5}));  // only the releases
  slider.thumbPicture = thumb.get();

  Slider flat(nullptr, nullptr, 8, &recorder);  // no size, no pictures
  flat.MouseDown(0, 0, 1);
  flat.MouseUp(0, 0);
  EXPECT_DOUBLE_EQ(flat.value, 0);
}

// Track picture 30 x 4: left end red, middle green, right end blue (10 pixels each).
std::unique_ptr<MemoryImage> MakeTrack(bool vertical) {
  const int w = vertical ? 4 : 30, h = vertical ? 30 : 4;
  auto track = MakeImage(w, h);
  for (int py = 0; py < h; ++py)
    for (int px = 0; px < w; ++px) {
      const int cell = (vertical ? py : px) / 10;
      track->GetPixels()[py * w + px] = cell == 0 ? kRed : cell == 1 ? kGreen : kBlue;
    }
  track->PixelsChanged();
  return track;
}

TEST_F(SliderTest, TrackEndsAndRepeatedMiddleWithTheThumbCentredAcross) {
  auto track = MakeTrack(false);
  auto small = MakeFilled(6, 12, kWhite);
  Slider drawn(track.get(), small.get(), 1, nullptr);
  drawn.Resize(0, 50, 55, 20);
  drawn.SetValue(0.5);  // thumb at trunc(49 * 0.5) = 24, y (20 - 12) / 2 = 4
  manager.RemoveWidget(&slider);
  manager.AddWidget(&drawn);
  manager.DrawDirtyWidgets();
  const int ty = 50 + 8;  // track centred: (20 - 4) / 2
  EXPECT_EQ(PixelAt(*screen, 0, ty), kRed);
  EXPECT_EQ(PixelAt(*screen, 9, ty + 3), kRed);
  EXPECT_EQ(PixelAt(*screen, 10, ty), kGreen);
  EXPECT_EQ(PixelAt(*screen, 44, ty), kGreen);  // the third middle copy, cut before the end
  EXPECT_EQ(PixelAt(*screen, 45, ty), kBlue);
  EXPECT_EQ(PixelAt(*screen, 54, ty), kBlue);
  EXPECT_EQ(PixelAt(*screen, 0, ty - 1), kScreen);
  EXPECT_EQ(PixelAt(*screen, 24, 54), kWhite);
  EXPECT_EQ(PixelAt(*screen, 29, 65), kWhite);
  EXPECT_EQ(PixelAt(*screen, 23, ty), kGreen);
  EXPECT_EQ(PixelAt(*screen, 30, ty), kGreen);
}

TEST_F(SliderTest, ATrackTwoCellsLongDrawsOnlyItsEnds) {
  auto track = MakeTrack(false);
  Slider drawn(track.get(), nullptr, 1, nullptr);
  drawn.Resize(0, 0, 20, 4);
  manager.RemoveWidget(&slider);
  manager.AddWidget(&drawn);
  manager.DrawDirtyWidgets();
  for (int px = 0; px < 20; ++px) EXPECT_EQ(PixelAt(*screen, px, 1), px < 10 ? kRed : kBlue) << px;

  auto sliver = MakeFilled(2, 4, kGreen);  // too narrow to hold three cells: nothing to draw
  drawn.trackPicture = sliver.get();
  drawn.MarkDirty();
  screen = MakeScreen(200, 100, kScreen);
  manager.SetScreenImage(screen.get());
  manager.DrawDirtyWidgets();
  EXPECT_EQ(Testing::CountNot(*screen, kScreen), 0);
}

TEST_F(SliderTest, VerticalTrackStacksItsCellsAtTheLeft) {
  auto track = MakeTrack(true);
  Slider drawn(track.get(), nullptr, 1, nullptr);
  drawn.horizontal = false;
  drawn.Resize(0, 0, 10, 45);
  manager.RemoveWidget(&slider);
  manager.AddWidget(&drawn);
  manager.DrawDirtyWidgets();
  EXPECT_EQ(PixelAt(*screen, 0, 9), kRed);
  EXPECT_EQ(PixelAt(*screen, 3, 10), kGreen);
  EXPECT_EQ(PixelAt(*screen, 3, 34), kGreen);
  EXPECT_EQ(PixelAt(*screen, 3, 35), kBlue);
  EXPECT_EQ(PixelAt(*screen, 4, 20), kScreen);
}

}  // namespace
}  // namespace Orva

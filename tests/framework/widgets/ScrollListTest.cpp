// Scroll bars and lists driven through the widget manager: the bar's position rules and idle
// state, knob dragging, paging and arrow repeats counted in updates, its plain look; the list's
// hover, clicks, scrolling, colours, sorting and chained columns, and bad input to both.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "FakeWidgetHost.h"
#include "framework/graphics/Font.h"
#include "framework/graphics/Graphics.h"
#include "framework/widgets/ListWidget.h"
#include "framework/widgets/ScrollbarWidget.h"
#include "framework/widgets/WidgetManager.h"
#include "support/ImageTestSupport.h"

namespace Orva {
namespace {

using Testing::MakeScreen;
using Testing::PixelAt;

constexpr uint32_t kScreen = 0xFF000000u;
constexpr uint32_t kTrack = 0xFFE8E8E8u;
constexpr uint32_t kTrackPaging = 0xFF303030u;
constexpr uint32_t kFace = 0xFFD4D4D4u;
constexpr uint32_t kShade = 0xFF848484u;
constexpr uint32_t kWhite = 0xFFFFFFFFu;
constexpr uint32_t kBlack = 0xFF000000u;

std::string Join(std::vector<std::string>& entries) {
  std::string all;
  for (const std::string& e : entries) all += (all.empty() ? "" : " ") + e;
  entries.clear();
  return all;
}

std::string Number(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", v);
  return text;
}

class ScrollRecorder : public ScrollListener {
 public:
  std::vector<std::string> calls;
  void OnScrolled(int id, double position) override { calls.push_back(std::to_string(id) + ":" + Number(position)); }
  std::string Take() { return Join(calls); }
};

// A vertical bar at (100, 0), 16 wide and 132 high: arrows over 0..15 and 116..131, a track of
// 100 pixels between them.
class ScrollbarTest : public ::testing::Test {
 protected:
  Testing::FakeWidgetHost app;
  WidgetManager manager{&app};
  std::unique_ptr<MemoryImage> screen = MakeScreen(200, 200, kScreen);
  ScrollRecorder recorder;
  ScrollbarWidget bar{6, &recorder};
  void SetUp() override {
    manager.SetScreenImage(screen.get());
    bar.PlaceBar(100, 0, 16, 132);
    manager.AddWidget(&bar);
  }
  void Updates(int n) {
    for (int i = 0; i < n; ++i) manager.UpdateWidgets();
  }
};

// ---- Position, total and span

TEST_F(ScrollbarTest, PositionStaysWithinTotalMinusSpan) {
  bar.SetTotal(10);
  bar.SetSpan(4);
  EXPECT_EQ(recorder.Take(), "");
  bar.SetPosition(3);
  bar.SetPosition(3);  // unchanged: still told
  EXPECT_EQ(recorder.Take(), "6:3 6:3");
  bar.SetPosition(50);  // clamped: heard from the clamp, then from SetPosition
  EXPECT_EQ(bar.position, 6);
  EXPECT_EQ(recorder.Take(), "6:6 6:6");
  bar.SetPosition(-2);
  EXPECT_EQ(bar.position, 0);
  EXPECT_EQ(recorder.Take(), "6:0 6:0");
  bar.SetPosition(5);
  recorder.Take();
  bar.SetSpan(5);  // the position still fits: nothing heard
  EXPECT_EQ(recorder.Take(), "");
  bar.SetTotal(8);  // now it does not
  EXPECT_EQ(bar.position, 3);
  EXPECT_EQ(recorder.Take(), "6:3");
}

TEST_F(ScrollbarTest, AtEndMeansWithinOneLineAndScrollToEndGoesThere) {
  bar.SetTotal(20);
  bar.SetSpan(5);
  bar.SetPosition(13.5);
  EXPECT_FALSE(bar.IsAtEnd());
  bar.SetPosition(14);
  EXPECT_TRUE(bar.IsAtEnd());
  bar.SetPosition(0);
  recorder.Take();
  bar.ScrollToEnd();
  EXPECT_EQ(bar.position, 15);
  EXPECT_EQ(recorder.Take(), "6:15");
}

TEST_F(ScrollbarTest, AnIdleBarIsDisabledAndWithHideWhenIdleHidden) {
  EXPECT_TRUE(bar.disabled);
  EXPECT_TRUE(bar.lessButton->disabled);
  bar.SetTotal(10);
  bar.SetSpan(10);  // equal: still idle
  EXPECT_TRUE(bar.disabled);
  bar.SetTotal(11);
  EXPECT_FALSE(bar.disabled);
  EXPECT_FALSE(bar.moreButton->disabled);

  bar.SetHideWhenIdle(true);  // something to scroll: stays
  EXPECT_TRUE(bar.visible);
  bar.SetTotal(3);
  EXPECT_FALSE(bar.visible);
  EXPECT_FALSE(bar.lessButton->visible);
  EXPECT_FALSE(bar.moreButton->visible);
  EXPECT_TRUE(bar.disabled);
  bar.SetTotal(30);
  EXPECT_TRUE(bar.visible);
  EXPECT_TRUE(bar.moreButton->visible);
  EXPECT_FALSE(bar.disabled);
}

TEST_F(ScrollbarTest, KnobSizeAndPlace) {
  bar.SetTotal(10);
  bar.SetSpan(5);
  EXPECT_EQ(bar.TrackLength(), 100);
  EXPECT_EQ(bar.KnobLength(), 50);
  EXPECT_EQ(bar.KnobOffset(), 16);
  bar.SetPosition(5);
  EXPECT_EQ(bar.KnobOffset(), 66);
  bar.SetPosition(2.5);
  EXPECT_EQ(bar.KnobOffset(), 41);
  EXPECT_EQ(bar.CompareWithKnob(0, 40), -1);
  EXPECT_EQ(bar.CompareWithKnob(0, 41), 0);
  EXPECT_EQ(bar.CompareWithKnob(0, 90), 0);
  EXPECT_EQ(bar.CompareWithKnob(0, 91), 1);

  bar.SetTotal(1000);
  bar.SetSpan(1);  // a tenth of a pixel by the ratio
  EXPECT_EQ(bar.KnobLength(), 8);
}

TEST_F(ScrollbarTest, NothingToScrollGivesNoDivisionByZero) {
  bar.SetTotal(3);
  bar.SetSpan(5);  // total below span: no knob
  EXPECT_EQ(bar.KnobLength(), 0);
  EXPECT_EQ(bar.KnobOffset(), 16);
  bar.SetTotal(5);  // equal: the knob fills the track from its start
  EXPECT_EQ(bar.KnobLength(), 100);
  EXPECT_EQ(bar.KnobOffset(), 16);
  bar.SetTotal(0);
  bar.SetSpan(0);
  EXPECT_EQ(bar.KnobLength(), 100);
  EXPECT_EQ(bar.KnobOffset(), 16);
  bar.SetKnobOffset(50);
  EXPECT_EQ(bar.position, 0);
  manager.DrawDirtyWidgets();
  EXPECT_EQ(PixelAt(*screen, 108, 60), kFace);
}

TEST_F(ScrollbarTest, NegativeAndNonNumericValues) {
  bar.SetTotal(-4);
  bar.SetSpan(-2);
  EXPECT_EQ(bar.total, 0);
  EXPECT_EQ(bar.span, 0);
  bar.SetTotal(10);
  bar.SetSpan(2);
  bar.SetPosition(3);
  recorder.Take();
  bar.SetPosition(std::nan(""));
  bar.SetTotal(std::nan(""));
  bar.SetSpan(INFINITY);
  EXPECT_EQ(recorder.Take(), "");
  EXPECT_EQ(bar.position, 3);
  EXPECT_EQ(bar.total, 10);
  EXPECT_EQ(bar.span, 2);
  bar.SetPosition(INFINITY);
  EXPECT_EQ(bar.position, 8);
  bar.SetPosition(-INFINITY);
  EXPECT_EQ(bar.position, 0);
}

// ---- Mouse

TEST_F(ScrollbarTest, DraggingTheKnobMovesThePositionByItsShare) {
  bar.SetTotal(10);
  bar.SetSpan(5);
  manager.MouseDown(108, 30, 1);  // on the knob (16..65)
  EXPECT_TRUE(bar.dragging);
  EXPECT_EQ(recorder.Take(), "");
  manager.MouseMove(108, 55);  // 25 of the knob's 50 pixels of travel
  EXPECT_EQ(recorder.Take(), "6:2.5");
  manager.MouseMove(300, -100);  // far off the bar: held, and stopped at 0
  EXPECT_EQ(bar.position, 0);
  manager.MouseMove(108, 500);
  EXPECT_EQ(bar.position, 5);
  manager.MouseUp(108, 500, 1);
  EXPECT_FALSE(bar.dragging);
  manager.MouseMove(108, 90);  // no button: no drag
  EXPECT_EQ(bar.position, 5);
}

TEST_F(ScrollbarTest, AKnobWithNoRoomStaysPut) {
  bar.PlaceBar(100, 0, 16, 38);  // a 6-pixel track under an 8-pixel knob
  bar.SetTotal(10);
  bar.SetSpan(5);
  manager.MouseDown(108, 18, 1);
  ASSERT_TRUE(bar.dragging);
  manager.MouseMove(108, 25);
  manager.MouseUp(108, 25, 1);
  EXPECT_EQ(bar.position, 0);
  EXPECT_EQ(recorder.Take(), "");
}

TEST_F(ScrollbarTest, APressOnTheTrackPagesAtOnceThenAfter25UpdatesThenEvery5) {
  bar.SetTotal(100);
  bar.SetSpan(10);  // a 10-pixel knob over 90 pixels of travel: one pixel per line
  manager.MouseDown(108, 110, 1);
  EXPECT_EQ(bar.position, 10);
  EXPECT_EQ(bar.pagingState, ScrollbarWidget::PAGING_FORWARD);
  Updates(24);
  EXPECT_EQ(bar.position, 10);
  Updates(1);
  EXPECT_EQ(bar.position, 20);
  Updates(4);
  EXPECT_EQ(bar.position, 20);
  Updates(1);
  EXPECT_EQ(bar.position, 30);
  // The track after the knob is dark while it pages towards it.
  manager.DrawDirtyWidgets();
  EXPECT_EQ(PixelAt(*screen, 108, 100), kTrackPaging);
  EXPECT_EQ(PixelAt(*screen, 108, 20), kTrack);

  Updates(30);  // 80 is below the mouse, 90 (knob 106..115) reaches it
  EXPECT_EQ(bar.position, 90);
  Updates(1);
  EXPECT_EQ(bar.pagingState, ScrollbarWidget::PAGING_NONE);
  Updates(40);
  EXPECT_EQ(bar.position, 90);
  manager.MouseUp(108, 110, 1);
  manager.DrawDirtyWidgets();
  EXPECT_EQ(PixelAt(*screen, 108, 110), kFace);  // the knob under the mouse, light track all round
  EXPECT_EQ(PixelAt(*screen, 108, 100), kTrack);
}

TEST_F(ScrollbarTest, PagingBackStopsWhenReleased) {
  bar.SetTotal(100);
  bar.SetSpan(10);
  bar.SetPosition(90);
  manager.MouseDown(108, 20, 1);
  EXPECT_EQ(bar.position, 80);
  EXPECT_EQ(bar.pagingState, ScrollbarWidget::PAGING_BACK);
  Updates(25);
  EXPECT_EQ(bar.position, 70);
  manager.MouseUp(108, 20, 1);
  Updates(50);
  EXPECT_EQ(bar.position, 70);
}

TEST_F(ScrollbarTest, AnArrowHeldDownStepsAtOnceThenAfter25UpdatesThenEveryUpdate) {
  bar.SetTotal(100);
  bar.SetSpan(10);
  manager.MouseDown(108, 120, 1);  // the lower arrow
  EXPECT_EQ(bar.position, 1);
  Updates(24);
  EXPECT_EQ(bar.position, 1);
  Updates(1);
  EXPECT_EQ(bar.position, 2);
  Updates(3);
  EXPECT_EQ(bar.position, 5);
  manager.MouseMove(150, 120);  // off the arrow: held but not stepping
  Updates(5);
  EXPECT_EQ(bar.position, 5);
  manager.MouseUp(150, 120, 1);
  manager.MouseDown(108, 5, 1);  // the upper arrow starts its own delay
  EXPECT_EQ(bar.position, 4);
  Updates(24);
  EXPECT_EQ(bar.position, 4);
  Updates(2);
  EXPECT_EQ(bar.position, 2);
  manager.MouseUp(108, 5, 1);
}

TEST_F(ScrollbarTest, AnIdleBarTakesNoClicks) {
  bar.SetTotal(5);
  bar.SetSpan(10);
  manager.MouseDown(108, 120, 1);
  manager.MouseUp(108, 120, 1);
  manager.MouseDown(108, 60, 1);
  Updates(30);
  EXPECT_EQ(recorder.Take(), "");
  EXPECT_EQ(bar.pagingState, ScrollbarWidget::PAGING_NONE);
}

TEST_F(ScrollbarTest, HorizontalBarWorksAlongX) {
  bar.SetOrientation(true);
  bar.PlaceBar(0, 150, 132, 16);
  EXPECT_EQ(bar.moreButton->GetRect(), Rect(116, 0, 16, 16));
  bar.SetTotal(10);
  bar.SetSpan(5);
  manager.MouseDown(100, 158, 1);  // after the knob (16..65)
  EXPECT_EQ(bar.position, 5);
  manager.MouseUp(100, 158, 1);
  manager.MouseDown(70, 158, 1);  // on it now (66..115)
  manager.MouseMove(45, 158);
  EXPECT_EQ(bar.position, 2.5);
  manager.MouseUp(45, 158, 1);
}

// ---- Plain look

TEST_F(ScrollbarTest, TrackKnobAndArrowsInTheirColours) {
  bar.SetTotal(10);
  bar.SetSpan(5);
  bar.SetPosition(5);  // knob over 66..115
  manager.DrawDirtyWidgets();
  EXPECT_EQ(PixelAt(*screen, 108, 40), kTrack);
  // The light bevel lies one pixel inside the top and left edges, the dark one on the bottom and
  // right edges with the grey one just inside.
  EXPECT_EQ(PixelAt(*screen, 108, 66), kFace);
  EXPECT_EQ(PixelAt(*screen, 108, 67), kWhite);
  EXPECT_EQ(PixelAt(*screen, 100, 90), kFace);
  EXPECT_EQ(PixelAt(*screen, 101, 90), kWhite);
  EXPECT_EQ(PixelAt(*screen, 108, 90), kFace);
  EXPECT_EQ(PixelAt(*screen, 114, 90), kShade);
  EXPECT_EQ(PixelAt(*screen, 115, 90), kBlack);
  EXPECT_EQ(PixelAt(*screen, 108, 115), kBlack);
  EXPECT_EQ(PixelAt(*screen, 108, 114), kShade);

  // Upper arrow, 16 x 16, pointing up: rows 6..9, the tip at column 7, the base over 4..10.
  EXPECT_EQ(PixelAt(*screen, 107, 6), kBlack);
  EXPECT_EQ(PixelAt(*screen, 106, 6), kFace);
  EXPECT_EQ(PixelAt(*screen, 104, 9), kBlack);
  EXPECT_EQ(PixelAt(*screen, 110, 9), kBlack);
  EXPECT_EQ(PixelAt(*screen, 111, 9), kFace);
  // Lower arrow pointing down: the base on row 116 + 6, the tip at row 116 + 9.
  EXPECT_EQ(PixelAt(*screen, 104, 122), kBlack);
  EXPECT_EQ(PixelAt(*screen, 107, 125), kBlack);
  EXPECT_EQ(PixelAt(*screen, 106, 125), kFace);

  // Held down, the arrow moves one pixel right and down inside a grey outline.
  manager.MouseDown(108, 5, 1);
  manager.DrawDirtyWidgets();
  EXPECT_EQ(PixelAt(*screen, 108, 7), kBlack);
  EXPECT_EQ(PixelAt(*screen, 107, 6), kFace);
  EXPECT_EQ(PixelAt(*screen, 100, 0), kShade);
  EXPECT_EQ(PixelAt(*screen, 115, 15), kShade);
  EXPECT_EQ(PixelAt(*screen, 101, 1), kFace);
  manager.MouseUp(108, 5, 1);

  bar.SetTotal(2);  // idle: grey arrows
  manager.DrawDirtyWidgets();
  EXPECT_EQ(PixelAt(*screen, 107, 6), kShade);
}

// ---- List

// Every character is 6 pixels wide; the text is drawn as a solid block of the font's height.
class BlockFont : public Font {
 public:
  std::vector<std::string> draws;
  BlockFont() {
    ascent = 8;
    height = 10;
  }
  int StringWidth(const std::string& text) override { return 6 * int(text.size()); }
  void DrawString(Graphics* g, int x, int y, const std::string& text, const Color& color, const Rect&) override {
    draws.push_back(text + "@" + std::to_string(x) + "," + std::to_string(y));
    g->PushState();
    g->SetColor(color);
    g->FillRect(x, y - ascent, StringWidth(text), height);
    g->PopState();
  }
  Font* Duplicate() override { return new BlockFont(*this); }
};

class ListRecorder : public ListListener {
 public:
  std::vector<std::string> calls;
  void OnListClicked(int id, int index, int count) override {
    calls.push_back("click" + std::to_string(id) + ":" + std::to_string(index) + "x" + std::to_string(count));
  }
  void OnListDetached(int id) override { calls.push_back("detached" + std::to_string(id)); }
  void OnListHoverChanged(int id, int oldIndex, int newIndex) override {
    calls.push_back("hover" + std::to_string(id) + ":" + std::to_string(oldIndex) + ">" + std::to_string(newIndex));
  }
  std::string Take() { return Join(calls); }
};

// A 100 x 58 list at (0, 0) with 10-pixel lines (five fit) and its bar at (100, 0).
class ListTest : public ::testing::Test {
 protected:
  Testing::FakeWidgetHost app;
  WidgetManager manager{&app};
  std::unique_ptr<MemoryImage> screen = MakeScreen(200, 200, kScreen);
  BlockFont font;
  ListRecorder recorder;
  ListWidget list{5, &font, &recorder};
  ScrollbarWidget bar{6, &list};
  void SetUp() override {
    manager.SetScreenImage(screen.get());
    list.scrollbar = &bar;
    manager.AddWidget(&list);
    manager.AddWidget(&bar);
    list.Resize(0, 0, 100, 58);
    bar.PlaceBar(100, 0, 16, 58);
  }
  void Fill(int count) {
    for (int i = 0; i < count; ++i) list.InsertLine("line" + std::to_string(i), false);
  }
  std::vector<std::string> Lines(ListWidget& l) { return l.lines; }
};

TEST_F(ListTest, LinesFeedTheBarTotalAndTheHeightFeedsItsSpan) {
  EXPECT_EQ(list.itemHeight, 10);
  EXPECT_EQ(list.pageLines, 5);
  EXPECT_EQ(bar.span, 5);
  Fill(20);
  EXPECT_EQ(bar.total, 20);
  EXPECT_FALSE(bar.disabled);
  EXPECT_EQ(list.TotalHeight(), 208);
  EXPECT_EQ(list.WidestLineWidth(), 6 * 6 + 16);
  list.RemoveLine(3);
  EXPECT_EQ(bar.total, 19);
  EXPECT_EQ(list.LineText(3), "line4");
  list.RemoveAll();
  EXPECT_EQ(bar.total, 0);
  EXPECT_TRUE(bar.disabled);
}

TEST_F(ListTest, HoverFollowsTheMouseAndAClickReportsTheLine) {
  Fill(3);
  manager.MouseMove(50, 1);  // in the top margin: still the first line
  EXPECT_EQ(list.hoverIndex, 0);
  EXPECT_EQ(app.cursorKind, CURSOR_HAND);
  manager.MouseMove(50, 25);  // (25 - 4) / 10 = 2.1
  EXPECT_EQ(recorder.Take(), "hover5:-1>0 hover5:0>2");
  manager.MouseDown(50, 25, 1);
  manager.MouseUp(50, 25, 1);
  manager.MouseDown(50, 25, 2);
  manager.MouseUp(50, 25, 2);
  EXPECT_EQ(recorder.Take(), "click5:2x1 click5:2x2");
  EXPECT_EQ(list.selectedIndex, -1);  // selecting is the owner's business

  manager.MouseMove(50, 40);  // below the last line
  EXPECT_EQ(list.hoverIndex, -1);
  EXPECT_EQ(app.cursorKind, CURSOR_POINTER);
  manager.MouseDown(50, 40, 1);
  manager.MouseUp(50, 40, 1);
  manager.MouseMove(50, 5);
  manager.MouseMove(150, 150);  // off the list
  EXPECT_EQ(recorder.Take(), "hover5:2>-1 hover5:-1>0 hover5:0>-1");
  EXPECT_EQ(app.cursorKind, CURSOR_POINTER);

  list.handOverLines = false;
  manager.MouseMove(50, 5);
  EXPECT_EQ(app.cursorKind, CURSOR_POINTER);
}

TEST_F(ListTest, ALineRemovedUnderTheMouseIsNotReported) {
  Fill(3);
  manager.MouseMove(50, 25);
  list.RemoveLine(2);
  recorder.Take();
  manager.MouseDown(50, 25, 1);
  manager.MouseUp(50, 25, 1);
  EXPECT_EQ(recorder.Take(), "");
}

TEST_F(ListTest, TheBarScrollsTheLinesAndTheWheelMovesTheBar) {
  Fill(20);
  bar.SetPosition(7);
  EXPECT_EQ(list.topLine, 7);
  manager.MouseMove(50, 5);
  EXPECT_EQ(list.hoverIndex, 7);

  manager.SetFocus(&list);
  manager.MouseWheel(-1);
  EXPECT_EQ(bar.position, 12);
  manager.MouseWheel(-3);
  EXPECT_EQ(list.topLine, 15);  // the end: 20 - 5
  manager.MouseWheel(1);
  EXPECT_EQ(list.topLine, 10);
  manager.MouseWheel(0);
  EXPECT_EQ(list.topLine, 10);

  // Scrolling the selection into view draws it highlighted where it now lies.
  list.SetSelected(12);
  manager.MouseMove(150, 150);
  manager.DrawDirtyWidgets();
  const int rowY = (12 - 10) * 10 + 4;
  EXPECT_EQ(PixelAt(*screen, 90, rowY + 5), 0xFF000080u);  // selection background, right of the text
  EXPECT_EQ(PixelAt(*screen, 5, rowY + 5), kWhite);        // selected text
  EXPECT_EQ(PixelAt(*screen, 90, rowY - 5), kWhite);       // plain background above
  EXPECT_EQ(PixelAt(*screen, 5, rowY - 5), kBlack);        // line 11 in its own colour
}

TEST_F(ListTest, LinesAreDrawnFromTheScrollPositionInsideTheMargins) {
  Fill(20);
  bar.SetPosition(2.5);  // half a line scrolled
  font.draws.clear();
  manager.DrawDirtyWidgets();
  // Lines 2 to 8: the first and the last are cut by the margins.
  ASSERT_EQ(font.draws.size(), 7u);
  EXPECT_EQ(font.draws.front(), "line2@4,7");  // y = (2 - 2.5) * 10 + 4 = -1, baseline + 8
  EXPECT_EQ(font.draws.back(), "line8@4,67");
  EXPECT_EQ(PixelAt(*screen, 5, 3), kWhite);  // the margin stays background
  EXPECT_EQ(PixelAt(*screen, 5, 4), kBlack);
  EXPECT_EQ(PixelAt(*screen, 5, 53), kBlack);
  EXPECT_EQ(PixelAt(*screen, 5, 54), kWhite);
}

TEST_F(ListTest, ColoursJustificationAndTheHoverLook) {
  Fill(3);
  list.SetColor(ListWidget::COLOR_BKG, Color(10, 10, 10));
  list.SetColor(ListWidget::COLOR_OUTLINE, Color(200, 0, 0));
  list.SetLineColor("line1", Color(0, 0, 255));
  list.SetLineColor(7, Color(1, 2, 3));  // no such line: ignored
  list.justification = ListWidget::LIST_ALIGN_CENTER;
  manager.MouseMove(50, 5);  // hover line 0
  font.draws.clear();
  manager.DrawDirtyWidgets();
  EXPECT_EQ(font.draws[0], "line0@35,12");  // (100 - 30) / 2
  EXPECT_EQ(PixelAt(*screen, 40, 8), 0xFF00C000u);
  EXPECT_EQ(PixelAt(*screen, 40, 18), 0xFF0000FFu);
  EXPECT_EQ(PixelAt(*screen, 40, 28), kBlack);
  EXPECT_EQ(PixelAt(*screen, 10, 8), 0xFF0A0A0Au);  // not filled while hovered
  EXPECT_EQ(PixelAt(*screen, 0, 0), 0xFFC80000u);
  EXPECT_EQ(PixelAt(*screen, 99, 57), 0xFFC80000u);

  list.fillHoverLine = true;
  list.justification = ListWidget::LIST_ALIGN_RIGHT;
  list.MarkDirty();
  font.draws.clear();
  manager.DrawDirtyWidgets();
  EXPECT_EQ(font.draws[0], "line0@66,12");  // 100 - 30 - 4
  EXPECT_EQ(PixelAt(*screen, 10, 8), 0xFF000080u);
}

// A list that writes a heading of its own under its lines, centred by the drawing context.
class HeadedList : public ListWidget {
 public:
  using ListWidget::ListWidget;
  void Draw(Graphics* g) override {
    ListWidget::Draw(g);
    g->SetFont(font);
    g->WriteString("head", 0, 50, width, JUSTIFY_CENTER);
  }
};

TEST_F(ListTest, ListAlignmentAndTheDrawingContextsJustificationAreNotConfused) {
  HeadedList headed{7, &font, nullptr};
  headed.Resize(0, 100, 100, 58);
  manager.AddWidget(&headed);
  headed.InsertLine("ab", false);
  headed.justification = ListWidget::LIST_ALIGN_CENTER;
  font.draws.clear();
  manager.DrawDirtyWidgets();
  // Both centred in 100 pixels: the line (12 wide) at 44, the heading (24 wide) at 38.
  ASSERT_EQ(font.draws.size(), 2u);
  EXPECT_EQ(font.draws[0].substr(0, 6), "ab@44,");
  EXPECT_EQ(font.draws[1].substr(0, 8), "head@38,");
  manager.RemoveWidget(&headed);
}

TEST_F(ListTest, SortedInsertKeepsByteOrderAndEqualLinesInArrivalOrder) {
  for (const char* text : {"pear", "apple", "Zebra", "pear", "\xE9t\xE9", "fig"}) list.InsertLine(text, true);
  EXPECT_EQ(Lines(list), (std::vector<std::string>{"Zebra", "apple", "fig", "pear", "pear", "\xE9t\xE9"}));
  list.SetLineColor(3, Color(1, 1, 1));
  EXPECT_EQ(list.InsertLine("pear", true), 5);  // after both others
  EXPECT_EQ(list.lineColors[3], Color(1, 1, 1));
  EXPECT_EQ(list.FindLine("pear"), 3);
  EXPECT_EQ(list.FindLine("Pear"), -1);
}

TEST_F(ListTest, SortingPadsNumbersAndCarriesColours) {
  for (const char* text : {"100", "9", "10", "9"}) list.InsertLine(text, false);
  list.SetLineColor(1, Color(1, 0, 0));
  list.SetLineColor(3, Color(3, 0, 0));
  list.sortPadWidth = 3;
  EXPECT_EQ(list.SortKeyOf(1), "009");
  list.SortLines(true);
  EXPECT_EQ(Lines(list), (std::vector<std::string>{"9", "9", "10", "100"}));
  EXPECT_EQ(list.lineColors[0], Color(1, 0, 0));  // equal keys kept their order
  EXPECT_EQ(list.lineColors[1], Color(3, 0, 0));
  list.SortLines(false);
  EXPECT_EQ(Lines(list), (std::vector<std::string>{"100", "10", "9", "9"}));
  EXPECT_EQ(list.lineColors[2], Color(1, 0, 0));

  list.sortPadWidth = 0;
  list.SortLines(true);  // as text now
  EXPECT_EQ(Lines(list), (std::vector<std::string>{"10", "100", "9", "9"}));
}

// Three columns a | b | c sharing one bar held by a.
class ChainTest : public ListTest {
 protected:
  ListWidget b{7, &font, &recorder};
  ListWidget c{8, &font, &recorder};
  void SetUp() override {
    ListTest::SetUp();
    list.nextList = &b;
    b.prevList = &list;
    b.nextList = &c;
    c.prevList = &b;
    b.Resize(100, 0, 50, 58);
    c.Resize(150, 0, 50, 58);
    bar.PlaceBar(200, 0, 16, 58);
    manager.AddWidget(&b);
    manager.AddWidget(&c);
  }
};

TEST_F(ChainTest, InsertingIntoAMiddleColumnFillsTheOthersWithDashes) {
  list.InsertLine("x", false);
  b.SetLineText(0, "c");
  c.SetLineText(0, "z");
  b.SetColor(ListWidget::COLOR_TEXT, Color(9, 9, 9));
  EXPECT_EQ(b.InsertLine("b", true), 0);
  EXPECT_EQ(Lines(list), (std::vector<std::string>{"-", "x"}));
  EXPECT_EQ(Lines(b), (std::vector<std::string>{"b", "c"}));
  EXPECT_EQ(Lines(c), (std::vector<std::string>{"-", "z"}));
  for (ListWidget* l : {&list, &b, &c}) EXPECT_EQ(l->lineColors[0], Color(9, 9, 9));

  c.RemoveLine(0);
  EXPECT_EQ(Lines(list), std::vector<std::string>{"x"});
  EXPECT_EQ(Lines(b), std::vector<std::string>{"c"});
  c.SetSelected(0);
  b.SetLineColor(0, Color(4, 4, 4));
  for (ListWidget* l : {&list, &b, &c}) {
    EXPECT_EQ(l->selectedIndex, 0);
    EXPECT_EQ(l->lineColors[0], Color(4, 4, 4));
  }
  b.SetLineText(0, "only b");
  EXPECT_EQ(list.LineText(0), "x");
  b.RemoveAll();
  EXPECT_EQ(list.LineCount() + b.LineCount() + c.LineCount(), 0);
  EXPECT_EQ(c.selectedIndex, -1);
}

TEST_F(ChainTest, ColumnsScrollHoverAndSortTogether) {
  const char* names[] = {"cat", "ant", "bee", "ant"};
  const char* sizes[] = {"4", "12", "1", "3"};
  for (int i = 0; i < 4; ++i) {
    list.InsertLine(names[i], false);
    b.SetLineText(i, sizes[i]);
    c.SetLineText(i, std::to_string(i));
  }
  b.sortPadWidth = 2;
  list.SortLines(true);  // by name, then size
  EXPECT_EQ(Lines(list), (std::vector<std::string>{"ant", "ant", "bee", "cat"}));
  EXPECT_EQ(Lines(b), (std::vector<std::string>{"3", "12", "1", "4"}));
  EXPECT_EQ(Lines(c), (std::vector<std::string>{"3", "1", "2", "0"}));
  list.sortNextFirst = true;
  list.SortLines(true);  // by size first
  EXPECT_EQ(Lines(b), (std::vector<std::string>{"1", "3", "4", "12"}));
  EXPECT_EQ(Lines(list), (std::vector<std::string>{"bee", "ant", "cat", "ant"}));

  for (int i = 0; i < 10; ++i) list.InsertLine("more", false);
  bar.SetPosition(4);
  EXPECT_EQ(b.topLine, 4);
  EXPECT_EQ(c.topLine, 4);

  recorder.Take();
  manager.MouseMove(120, 15);  // column b, line 4 + 1
  EXPECT_EQ(recorder.Take(), "hover5:-1>5 hover7:-1>5 hover8:-1>5");
  manager.MouseMove(170, 15);  // across to c on the same line: b's leave clears it first
  EXPECT_EQ(recorder.Take(), "hover5:5>-1 hover7:5>-1 hover8:5>-1 hover5:-1>5 hover7:-1>5 hover8:-1>5");
  manager.MouseDown(170, 15, 1);
  manager.MouseUp(170, 15, 1);
  EXPECT_EQ(recorder.Take(), "click8:5x1");
}

TEST_F(ChainTest, BringingAColumnForwardBringsTheNextColumnsAndTheBar) {
  ListWidget other(9, &font, nullptr);
  manager.AddWidget(&other);
  manager.BringToFront(&list);
  std::vector<Widget*> order(manager.children.begin(), manager.children.end());
  EXPECT_EQ(order, (std::vector<Widget*>{&other, &list, &bar, &b, &c}));
}

// ---- Lists with nothing in them, and bad input

TEST_F(ListTest, AnEmptyListBehaves) {
  EXPECT_EQ(list.WidestLineWidth(), 16);
  EXPECT_EQ(list.TotalHeight(), 8);
  EXPECT_EQ(list.LineText(0), "");
  manager.MouseMove(50, 10);
  EXPECT_EQ(list.hoverIndex, -1);
  manager.MouseDown(50, 10, 1);
  manager.MouseUp(50, 10, 1);
  EXPECT_EQ(recorder.Take(), "");
  list.RemoveLine(-1);
  list.RemoveLine(0);
  list.SetLineText(0, "x");
  list.SetLineColor(0, Color::White);
  list.SortLines(true);
  list.SetSelected(3);  // stored as given, draws nothing
  EXPECT_EQ(list.LineCount(), 0);
  manager.DrawDirtyWidgets();
  EXPECT_EQ(PixelAt(*screen, 50, 30), kWhite);
}

TEST_F(ListTest, OutOfRangeIndicesAndPositionsAreRefused) {
  Fill(3);
  list.SetLineText(3, "x");
  list.SetLineText(-2, "x");
  list.RemoveLine(7);
  EXPECT_EQ(Lines(list), (std::vector<std::string>{"line0", "line1", "line2"}));
  list.OnScrolled(6, -4);
  EXPECT_EQ(list.topLine, 0);
  list.OnScrolled(6, std::nan(""));
  EXPECT_EQ(list.topLine, 0);
  list.OnScrolled(6, 1e300);
  EXPECT_EQ(list.topLine, 3);
  manager.DrawDirtyWidgets();  // nothing left to draw, and no index below 0 or past the end
  list.OnScrolled(6, 1);
  manager.MouseMove(50, 5);
  EXPECT_EQ(list.hoverIndex, 1);
}

TEST_F(ListTest, AListWithoutAFontStillMapsTheMouse) {
  ListWidget bare(1, nullptr, &recorder);
  EXPECT_EQ(bare.itemHeight, -1);
  bare.Resize(0, 100, 50, 50);
  manager.AddWidget(&bare);
  bare.InsertLine("a", false);
  bare.InsertLine("b", false);
  EXPECT_EQ(bare.pageLines, 42);  // one-pixel lines
  recorder.Take();
  manager.MouseMove(10, 105);
  EXPECT_EQ(bare.hoverIndex, 1);
  manager.DrawDirtyWidgets();
  EXPECT_EQ(bare.WidestLineWidth(), 16);
}

TEST_F(ListTest, ARingOfListsIsWalkedOnce) {
  ListWidget other(9, &font, nullptr);
  list.nextList = &other;
  list.prevList = &other;
  other.nextList = &list;
  other.prevList = &list;
  list.InsertLine("b", false);
  list.InsertLine("a", false);
  EXPECT_EQ(other.LineCount(), 2);
  list.SortLines(true);
  EXPECT_EQ(Lines(list), (std::vector<std::string>{"a", "b"}));
  list.OnScrolled(6, 1);
  EXPECT_EQ(other.topLine, 1);
  manager.AddWidget(&other);
  manager.BringToFront(&list);
  list.nextList = list.prevList = nullptr;
}

TEST_F(ListTest, TheListenerHearsWhenTheListLeavesTheTree) {
  manager.RemoveWidget(&list);
  EXPECT_EQ(recorder.Take(), "detached5");
}

}  // namespace
}  // namespace Orva

// Drawing: dirty marking and its spread between top-level widgets, what DrawDirtyWidgets draws
// and reports, overlays, clipping, the text and digit helpers, and the dialog panel.
#include <gtest/gtest.h>

#include <climits>
#include <memory>

#include "ProbeWidget.h"
#include "framework/widgets/Dialog.h"
#include "support/ImageTestSupport.h"

namespace Orva {
namespace {

using Testing::EventLog;
using Testing::MakeScreen;
using Testing::PixelAt;
using Testing::ProbeWidget;

// Fills its rectangle (or a given area) with one colour.
class Painter : public ProbeWidget {
 public:
  uint32_t argb;
  Rect area;  // widget coordinates; empty means the whole widget
  Painter(std::string n, EventLog* l, Rect r, uint32_t colour)
      : ProbeWidget(n, l, r.x, r.y, r.width, r.height), argb(colour) {}
  void Draw(Graphics* g) override {
    ProbeWidget::Draw(g);
    g->SetColor(Color(argb));
    g->FillRect(area.IsEmpty() ? Rect(0, 0, width, height) : area);
  }
};

class DirtyTest : public ::testing::Test {
 protected:
  EventLog log;
  WidgetManager manager;
  std::unique_ptr<MemoryImage> screen = MakeScreen(200, 100);
  void SetUp() override { manager.SetScreenImage(screen.get()); }
  // Draws, and returns what was drawn in order.
  std::string Draw() {
    log.Take();
    manager.DrawDirtyWidgets();
    return log.Take();
  }
};

TEST_F(DirtyTest, OnlyDirtyTopLevelWidgetsAreDrawnEachWhole) {
  Painter a("a", &log, Rect(0, 0, 50, 50), 0xFF0000FF), b("b", &log, Rect(100, 0, 50, 50), 0xFF00FF00);
  Painter inner("i", &log, Rect(10, 10, 10, 10), 0xFFFF0000);
  a.AddWidget(&inner);
  manager.AddWidget(&a);
  manager.AddWidget(&b);
  EXPECT_EQ(Draw(), "a:draw i:draw b:draw");
  EXPECT_EQ(manager.lastDrawnRect, Rect(0, 0, 150, 50));
  EXPECT_EQ(manager.lastDrawnPixels, 5000);
  EXPECT_EQ(PixelAt(*screen, 15, 15), 0xFFFF0000u);
  EXPECT_FALSE(manager.dirty);

  EXPECT_FALSE(manager.DrawDirtyWidgets());
  EXPECT_EQ(manager.lastDrawnRect, Rect());
  EXPECT_EQ(manager.lastDrawnPixels, 0);

  inner.MarkDirty();
  EXPECT_TRUE(manager.dirty);
  EXPECT_EQ(Draw(), "a:draw i:draw");
  EXPECT_EQ(manager.lastDrawnRect, Rect(0, 0, 50, 50));

  // The logical screen shifted inside a larger widget area: reports are in screen pixels.
  manager.Resize(Rect(0, 0, 200, 100), Rect(20, 10, 200, 100));
  b.Move(160, 50);
  EXPECT_EQ(Draw(), "b:draw");
  EXPECT_EQ(manager.lastDrawnRect, Rect(140, 40, 50, 50));
  EXPECT_EQ(PixelAt(*screen, 140, 40), 0xFF00FF00u);
  b.Move(200, 80);  // partly off the screen
  Draw();
  EXPECT_EQ(manager.lastDrawnRect, Rect(180, 70, 20, 30));
  EXPECT_EQ(manager.lastDrawnPixels, 600);
}

TEST_F(DirtyTest, MarksSpreadOverAndUnderAsOpacityRequires) {
  Painter bottom("z", &log, Rect(0, 0, 100, 100), 0xFF111111), cover("c", &log, Rect(0, 0, 100, 100), 0xFF222222);
  Painter top("t", &log, Rect(10, 10, 20, 20), 0x80FFFFFF), aside("s", &log, Rect(150, 0, 10, 10), 0xFF333333);
  top.notOpaque = true;
  for (Painter* w : {&bottom, &cover, &top, &aside}) manager.AddWidget(w);
  Draw();

  top.MarkDirty();  // the opaque cover hides everything under the change
  EXPECT_EQ(Draw(), "c:draw t:draw");
  cover.hasHoles = true;
  top.MarkDirty();
  EXPECT_EQ(Draw(), "z:draw c:draw t:draw");
  bottom.MarkDirty();  // opaque: only what overlaps it from above
  EXPECT_EQ(Draw(), "z:draw c:draw t:draw");
  cover.hasHoles = false;
  cover.MarkDirty();
  EXPECT_EQ(Draw(), "c:draw t:draw");
  top.SetVisible(false);
  EXPECT_EQ(Draw(), "c:draw");
  aside.MarkDirty();
  EXPECT_EQ(Draw(), "s:draw");
}

// A widget hidden while a redraw was pending used to keep its dirty mark, so showing it again
// was taken for an already pending redraw and it never appeared.
TEST_F(DirtyTest, AWidgetHiddenWhileDirtyIsDrawnWhenShownAgain) {
  Painter holder("h", &log, Rect(0, 0, 100, 100), 0xFF000080), child("c", &log, Rect(10, 10, 10, 10), 0xFFFFFF00);
  holder.AddWidget(&child);
  manager.AddWidget(&holder);
  Draw();
  child.SetVisible(false);
  EXPECT_EQ(Draw(), "h:draw");
  EXPECT_EQ(PixelAt(*screen, 15, 15), 0xFF000080u);
  child.SetVisible(true);
  EXPECT_EQ(Draw(), "h:draw c:draw");
  EXPECT_EQ(PixelAt(*screen, 15, 15), 0xFFFFFF00u);
}

// Moving a widget marked only its old area, so a higher widget standing where it moved to was
// painted over.
TEST_F(DirtyTest, AMovedWidgetStaysUnderTheWidgetsAboveItsNewPlace) {
  Painter mover("m", &log, Rect(0, 0, 10, 10), 0xFFFF0000), higher("h", &log, Rect(50, 50, 10, 10), 0xFF0000FF);
  manager.AddWidget(&mover);
  manager.AddWidget(&higher);
  Draw();
  mover.Move(50, 50);
  EXPECT_EQ(Draw(), "m:draw h:draw");
  EXPECT_EQ(PixelAt(*screen, 55, 55), 0xFF0000FFu);
}

TEST_F(DirtyTest, NothingIsDrawnWithoutAScreenAndTheMarksWait) {
  Painter a("a", &log, Rect(0, 0, 10, 10), 0xFFFFFFFF);
  manager.AddWidget(&a);
  manager.SetScreenImage(nullptr);
  EXPECT_FALSE(manager.DrawDirtyWidgets());
  EXPECT_TRUE(a.dirty);
  manager.SetScreenImage(screen.get());
  EXPECT_TRUE(manager.DrawDirtyWidgets());
  EXPECT_EQ(a.draws, 1);
}

TEST_F(DirtyTest, WidgetsBelowAModalLayerStillDrawWithTheBelowFlags) {
  Painter below("b", &log, Rect(0, 0, 50, 50), 0xFF00FF00), dialog("d", &log, Rect(100, 0, 50, 50), 0xFFFF0000);
  manager.AddWidget(&below);
  manager.AddWidget(&dialog);
  manager.PushModalLayer(&dialog);
  EXPECT_EQ(Draw(), "b:draw d:draw");
  manager.PopModalLayer(&dialog);
  manager.PushModalLayer(&dialog, FlagsMod{0, kAllowDraw});
  manager.InvalidateAll();
  EXPECT_EQ(Draw(), "d:draw");
}

TEST_F(DirtyTest, OverlaysDrawBeforeTheFirstWidgetOfHigherPriorityOrAtTheEnd) {
  Painter low("l", &log, Rect(0, 0, 10, 10), 0xFF000000), high("h", &log, Rect(20, 0, 10, 10), 0xFF000000);
  Painter last("x", &log, Rect(40, 0, 10, 10), 0xFF000000);
  high.priority = 2;
  low.onDraw = [&](Graphics*) {
    manager.AddPendingOverlay(&low, 5);
    manager.AddPendingOverlay(&last, 1);
  };
  for (Painter* w : {&low, &high, &last}) manager.AddWidget(w);
  EXPECT_EQ(Draw(), "l:draw x:overlay@1 h:draw x:draw l:overlay@5");
  EXPECT_TRUE(manager.pendingOverlays.empty());
  EXPECT_EQ(manager.minPendingOverlayPriority, INT_MAX);
}

TEST_F(DirtyTest, ChildrenAreClippedToThemselvesUnlessTheySayOtherwise) {
  Painter holder("h", &log, Rect(0, 0, 100, 100), 0xFF000000), spill("s", &log, Rect(10, 10, 10, 10), 0xFFFFFFFF);
  spill.area = Rect(-5, 0, 200, 1);
  holder.AddWidget(&spill);
  manager.AddWidget(&holder);
  Draw();
  EXPECT_EQ(PixelAt(*screen, 9, 10), 0xFF000000u);
  EXPECT_EQ(PixelAt(*screen, 10, 10), 0xFFFFFFFFu);
  EXPECT_EQ(PixelAt(*screen, 20, 10), 0xFF000000u);
  spill.clip = false;  // still inside its parent
  holder.MarkDirty();
  Draw();
  EXPECT_EQ(PixelAt(*screen, 5, 10), 0xFFFFFFFFu);
  EXPECT_EQ(PixelAt(*screen, 99, 10), 0xFFFFFFFFu);
  EXPECT_EQ(PixelAt(*screen, 100, 10), 0xFF000000u);
}

// Every character 6 pixels wide; ascent 8, height 10. Records what it draws.
class FixedFont : public Font {
 public:
  struct Drawn {
    int x, y;
    std::string text;
    Color color;
  };
  std::shared_ptr<std::vector<Drawn>> drawn = std::make_shared<std::vector<Drawn>>();
  FixedFont() {
    ascent = 8;
    height = 10;
  }
  int StringWidth(const std::string& text) override { return 6 * int(text.size()); }
  void DrawString(Graphics*, int x, int y, const std::string& text, const Color& color, const Rect&) override {
    drawn->push_back({x, y, text, color});
  }
  Font* Duplicate() override { return new FixedFont(*this); }
};

TEST(WidgetHelpersTest, CenteredTextAndItsShadow) {
  Widget w;
  w.width = 100;
  FixedFont font;
  Graphics g;
  g.SetFont(&font);
  const Rect covered = w.DrawCenteredText(&g, 20, "abcd", Color::White, Color::Black, Point{2, 3});
  ASSERT_EQ(font.drawn->size(), 2u);
  EXPECT_EQ((*font.drawn)[0].x, 40);
  EXPECT_EQ((*font.drawn)[0].y, 23);
  EXPECT_EQ((*font.drawn)[0].color, Color::Black);
  EXPECT_EQ((*font.drawn)[1].x, 38);
  EXPECT_EQ((*font.drawn)[1].color, Color::White);
  EXPECT_EQ(covered, Rect(38, 12, 26, 13));
  EXPECT_EQ(w.DrawCenteredText(&g, 20, "ab"), Rect(44, 12, 12, 10));
}

TEST(WidgetHelpersTest, WrappedTextAlwaysReadsColourCodesAndRestoresTheSetting) {
  Widget w;
  FixedFont font;
  Graphics g;
  g.SetFont(&font);
  g.SetColorCodes(false);
  w.WriteWrapped(&g, Rect(0, 0, 100, 0), "a^ff0000^b");
  EXPECT_FALSE(g.colorCodes);
  ASSERT_EQ(font.drawn->size(), 2u);
  EXPECT_EQ((*font.drawn)[1].text, "b");
  EXPECT_EQ((*font.drawn)[1].color, Color(255, 0, 0));
}

TEST(WidgetHelpersTest, DigitsAreCountedAndDrawnFromTheirCells) {
  Widget w;
  EXPECT_EQ(w.CountDigits(0), 1);
  EXPECT_EQ(w.CountDigits(9), 1);
  EXPECT_EQ(w.CountDigits(10), 2);
  EXPECT_EQ(w.CountDigits(-12345), 5);
  EXPECT_EQ(w.CountDigits(INT_MIN), 10);

  // Cell d is 2 x 1 pixels of colour 0xFF0000D0 + d.
  auto strip = Testing::MakeImage(20, 1);
  for (int i = 0; i < 20; ++i) strip->GetPixels()[i] = 0xFF0000D0u + uint32_t(i / 2);
  strip->PixelsChanged();
  auto screen = MakeScreen(12, 1);
  Graphics g(screen.get());
  w.DrawDigitsFromStrip(&g, 305, 1, 0, strip.get(), 1);
  const uint32_t expected[] = {0xFF000000, 0xFF0000D3, 0xFF0000D3, 0xFF000000, 0xFF0000D0, 0xFF0000D0,
                               0xFF000000, 0xFF0000D5, 0xFF0000D5, 0xFF000000, 0xFF000000, 0xFF000000};
  for (int x = 0; x < 12; ++x) EXPECT_EQ(PixelAt(*screen, x, 0), expected[x]) << x;
}

TEST(DialogTest, PreferredHeightAddsTheLinesThatShow) {
  FixedFont font;
  Dialog empty(nullptr, 7, true, "", "", "", Dialog::BUTTONS_NONE);
  EXPECT_EQ(empty.MeasureHeight(300), 48);
  EXPECT_TRUE(empty.IsModalDialog());

  Dialog buttonsOnly(nullptr, 7, false, "", "", "footnote on the button", Dialog::BUTTONS_FOOTNOTE);
  buttonsOnly.UseTitleFont(&font);
  EXPECT_EQ(buttonsOnly.MeasureHeight(300), 48 + 24 + 8);

  Dialog full(nullptr, 7, false, "Title", "aaaa bbbb", "note", Dialog::BUTTONS_OK_CANCEL);
  full.UseTitleFont(&font);
  full.UseBodyFont(&font);
  // Body: 100 - 48 - 4 = 48 pixels wide, two lines: 8 + 2 * 10 + 2 - 10 = 20.
  EXPECT_EQ(full.MeasureHeight(100), 48 + 10 + 10 + 20 + 8 + 10 + 8 + 24 + 8);
}

TEST(DialogTest, PlainPanelAndText) {
  auto screen = MakeScreen(100, 80, 0xFFFFFFFF);
  WidgetManager manager;
  manager.SetScreenImage(screen.get());
  FixedFont font;
  Dialog dialog(nullptr, 1, true, "T", "body", "", Dialog::BUTTONS_NONE);
  dialog.UseTitleFont(&font);
  dialog.UseBodyFont(&font);
  dialog.Resize(0, 0, 100, 80);
  manager.AddWidget(&dialog);
  manager.DrawDirtyWidgets();
  EXPECT_EQ(PixelAt(*screen, 12, 12), 0xFFFFFFFFu);
  EXPECT_EQ(PixelAt(*screen, 50, 40), 0xFF505050u);
  EXPECT_EQ(PixelAt(*screen, 5, 5), 0xFFFFFFFFu);
  const uint32_t shadow = PixelAt(*screen, 94, 40) & 0xFF;
  EXPECT_NEAR(int(shadow), 127, 2);
  // The title centred on its line, the body below it, both in their colours.
  const FixedFont* drawnBy = static_cast<FixedFont*>(dialog.titleFont.get());
  ASSERT_EQ(drawnBy->drawn->size(), 2u);
  EXPECT_EQ((*drawnBy->drawn)[0].text, "T");
  EXPECT_EQ((*drawnBy->drawn)[0].x, 47);
  EXPECT_EQ((*drawnBy->drawn)[0].y, 32);
  EXPECT_EQ((*drawnBy->drawn)[0].color, Color::White);
  EXPECT_EQ((*drawnBy->drawn)[1].text, "body");
  EXPECT_EQ((*drawnBy->drawn)[1].y, 52);
  EXPECT_EQ((*drawnBy->drawn)[1].color, Color(255, 255, 0));
}

TEST(DialogTest, ButtonEventsAnswerAndReachTheListener) {
  struct Listener : DialogListener {
    std::string heard;
    void OnDialogButtonPressed(int dialog, int button) override {
      heard += "p" + std::to_string(dialog) + "/" + std::to_string(button) + " ";
    }
    void OnDialogButtonReleased(int dialog, int button) override {
      heard += "r" + std::to_string(dialog) + "/" + std::to_string(button) + " ";
    }
  } listener;
  Dialog dialog(nullptr, 42, true, "", "", "", Dialog::BUTTONS_YES_NO);
  dialog.dialogListener = &listener;
  dialog.OnButtonPressed(5);
  dialog.OnButtonReleased(5);
  EXPECT_EQ(dialog.answer, INT_MAX);
  dialog.OnButtonMousePressed(1001, 1);
  dialog.OnButtonReleased(1001);
  EXPECT_EQ(dialog.answer, 1001);
  EXPECT_EQ(listener.heard, "p42/1001 r42/1001 ");
}

}  // namespace
}  // namespace Orva

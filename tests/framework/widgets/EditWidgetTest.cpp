// The edit field driven through the real widget manager: typing and its filters, undo, selection
// with Shift, the mouse and double clicks, word moves, limits, scrolling and drawing; the clipboard
// through a headless application; and a long random run that must never leave the field unsound.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <initializer_list>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "ProbeWidget.h"
#include "framework/app/OrvaAppBase.h"
#include "framework/fonts/SysFont.h"
#include "framework/platform/HeadlessWindowSystem.h"
#include "framework/platform/KeyCodes.h"
#include "framework/widgets/EditWidget.h"
#include "framework/widgets/WidgetManager.h"
#include "support/ImageTestSupport.h"

namespace Orva {
namespace {

using Testing::MakeScreen;
using Testing::PixelAt;

constexpr uint32_t kWhite = 0xFFFFFFFFu;
constexpr uint32_t kBlack = 0xFF000000u;

// Every byte is one cell wide and 10 high (ascent 8); a drawn character is a 4 x 8 box one pixel
// into its cell, so positions can be worked out by hand. Drawn strings are logged.
class GridFont : public Font {
 public:
  explicit GridFont(int cellWidth = 6) : cell(cellWidth) {
    ascent = 8;
    height = 10;
  }
  int StringWidth(const std::string& s) override { return cell * int(s.size()); }
  void DrawString(Graphics* g, int x, int y, const std::string& s, const Color& color, const Rect&) override {
    if (drawn) drawn->push_back(s);
    Graphics pen(*g);
    pen.SetColor(color);
    for (size_t i = 0; i < s.size(); ++i)
      if (s[i] != ' ') pen.FillRect(x + cell * int(i) + 1, y - 8, 4, 8);
  }
  Font* Duplicate() override { return new GridFont(*this); }
  int cell;
  std::vector<std::string>* drawn = nullptr;
};

struct Listener : EditListener {
  std::set<int> refusedKeys;
  std::function<bool(char)> allowChar;
  std::function<bool(const std::string&)> allowText;
  std::function<void(const std::string&)> onEntered;
  void OnTextEntered(int, const std::string& t) override {
    if (onEntered) onEntered(t);
  }
  bool AllowKey(int, int key) override { return refusedKeys.count(key) == 0; }
  bool AllowChar(int, char c) override { return !allowChar || allowChar(c); }
  bool AllowText(int, const std::string& t) override { return !allowText || allowText(t); }
};

// The key a character is typed with (letters by their upper-case code), or 0.
int KeyFor(char c) {
  if (c >= 'a' && c <= 'z') return c - 'a' + 'A';
  if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ') return c;
  return 0;
}

// Keys as the desktop sends them: the key, then the character, then the key up; modifiers held
// around.
struct Keyboard {
  WidgetManager& m;
  void Type(const std::string& s) {
    for (char c : s) {
      if (KeyFor(c)) m.KeyDown(KeyFor(c));
      m.KeyChar(c);
      if (KeyFor(c)) m.KeyUp(KeyFor(c));
    }
  }
  void Press(int key, std::initializer_list<int> held = {}) {
    for (int h : held) m.KeyDown(h);
    m.KeyDown(key);
    m.KeyUp(key);
    for (int h : held) m.KeyUp(h);
  }
};

std::string Selected(EditWidget& e) {
  if (!e.HasSelection()) return "";
  const int from = std::min(e.cursorPos, e.selectionStart);
  return e.text.substr(size_t(from), size_t(std::abs(e.cursorPos - e.selectionStart)));
}

// The field at (10, 10), 108 x 20: its text area is 100 pixels (16 cells) wide, one cell per
// character, text boxes from y 15 to 22 on the screen and the band from y 15 to 24.
class EditTest : public ::testing::Test {
 protected:
  void SetUp() override {
    manager.SetScreenImage(screen.get());
    font.drawn = &drawn;
    edit.SetFont(&font);
    edit.Resize(10, 10, 108, 20);
    manager.AddWidget(&edit);
    manager.SetFocus(&edit);
    listener.onEntered = [this](const std::string& t) { entered.push_back(t); };
  }
  void Type(const std::string& s) { keys.Type(s); }
  void Press(int key, std::initializer_list<int> held = {}) { keys.Press(key, held); }
  // Down and up at the cursor place for a text index (6 per cell; past the cell's middle plus 5
  // goes after it), as a single or double click.
  void Click(int index, bool twice = false) { ClickAt(6 * index + 5, twice); }
  void ClickAt(int x, bool twice = false) {
    manager.MouseDown(10 + x, 20, 1);
    manager.MouseUp(10 + x, 20, 1);
    if (twice) {
      manager.MouseDown(10 + x, 20, 2);
      manager.MouseUp(10 + x, 20, 2);
    }
  }
  uint32_t Pixel(int x, int y) {
    manager.DrawDirtyWidgets();
    return PixelAt(*screen, x, y);
  }

  WidgetManager manager;
  std::unique_ptr<MemoryImage> screen = MakeScreen(200, 60);
  std::vector<std::string> drawn, entered;
  GridFont font;
  Listener listener;
  EditWidget edit{7, &listener};
  Keyboard keys{manager};
};

TEST_F(EditTest, TypingAndDeletingWorkAtTheCursorAndStopAtTheEnds) {
  Type("helo");
  Press(KEYCODE_LEFT);
  Type("l");
  EXPECT_EQ(edit.text, "hello");
  EXPECT_EQ(edit.cursorPos, 4);
  Press(KEYCODE_END);
  Press(KEYCODE_BACK);
  Press(KEYCODE_HOME);
  Press(KEYCODE_DELETE);
  Press(KEYCODE_BACK);  // at the start: nothing
  EXPECT_EQ(edit.text, "ell");
  EXPECT_EQ(edit.cursorPos, 0);
  Press(KEYCODE_END);
  Press(KEYCODE_DELETE);  // at the end: nothing
  EXPECT_EQ(edit.text, "ell");
  EXPECT_EQ(edit.cursorPos, 3);
}

TEST_F(EditTest, SetTextSelectsAllSoTheNextCharacterReplacesIt) {
  edit.SetText("old name");
  EXPECT_EQ(Selected(edit), "old name");
  Type("7");  // the digit's key message comes first and must not drop the selection
  EXPECT_EQ(edit.text, "7");
  EXPECT_FALSE(edit.HasSelection());
}

TEST_F(EditTest, ControlCharactersAreNeverTypedButLatin1LettersAre) {
  for (int c = 1; c < 256; ++c)
    if (c < 32 || c == 127 || (c >= 128 && c < 160)) manager.KeyChar(char(c));
  EXPECT_EQ(edit.text, "");
  manager.KeyChar('\xE9');
  EXPECT_EQ(edit.text, "\xE9");
}

TEST_F(EditTest, TheListenerFiltersKeysCharactersAndTextsAndHearsEnter) {
  listener.allowChar = [](char c) { return c < '0' || c > '9'; };
  Type("a1b2");
  EXPECT_EQ(edit.text, "ab");
  listener.refusedKeys = {KEYCODE_BACK};
  Press(KEYCODE_BACK);
  EXPECT_EQ(edit.text, "ab");
  listener.allowText = [](const std::string& t) { return t.size() <= 3; };
  Type("cd");
  EXPECT_EQ(edit.text, "abc");
  EXPECT_EQ(edit.cursorPos, 3);
  // The listener may empty the field while it is told of Enter.
  listener.onEntered = [this](const std::string& t) {
    entered.push_back(t);
    edit.SetText("");
  };
  Press(KEYCODE_RETURN);
  EXPECT_EQ(entered, std::vector<std::string>{"abc"});
  EXPECT_EQ(edit.text, "");
  EXPECT_EQ(edit.cursorPos, 0);
}

TEST_F(EditTest, UndoTakesBackOneEditAndASecondUndoRedoesIt) {
  Type("hello");
  Press('Z', {KEYCODE_CONTROL});
  EXPECT_EQ(edit.text, "");
  Press('Z', {KEYCODE_CONTROL});
  EXPECT_EQ(edit.text, "hello");
  for (int i = 0; i < 3; ++i) Press(KEYCODE_BACK);
  Press('Z', {KEYCODE_CONTROL});  // a run of backspaces is one step
  EXPECT_EQ(edit.text, "hello");
  Press(KEYCODE_HOME);
  Type("ab");
  Press('Z', {KEYCODE_CONTROL});  // typing elsewhere started a new step
  EXPECT_EQ(edit.text, "hello");
  edit.SetText("xyz");
  Press('Z', {KEYCODE_CONTROL});  // nothing to undo right after SetText
  EXPECT_EQ(edit.text, "xyz");
  Type("q");
  Press('Z', {KEYCODE_CONTROL});
  EXPECT_EQ(Selected(edit), "xyz");  // the replaced selection comes back selected
}

TEST_F(EditTest, ShiftArrowsSelectAndPlainArrowsLeaveTheSelectionAtItsEnds) {
  Type("abcdef");
  Press(KEYCODE_LEFT, {KEYCODE_SHIFT});
  Press(KEYCODE_LEFT, {KEYCODE_SHIFT});
  EXPECT_EQ(Selected(edit), "ef");
  Press(KEYCODE_HOME, {KEYCODE_SHIFT});
  EXPECT_EQ(Selected(edit), "abcdef");
  Press(KEYCODE_RIGHT);
  EXPECT_EQ(edit.cursorPos, 6);
  EXPECT_FALSE(edit.HasSelection());
  Press(KEYCODE_HOME);
  Press(KEYCODE_RIGHT, {KEYCODE_SHIFT});
  Press(KEYCODE_RIGHT, {KEYCODE_SHIFT});
  keys.m.KeyDown(KEYCODE_SHIFT);
  Type("X");  // typed with Shift held: replaces, and selects nothing
  keys.m.KeyUp(KEYCODE_SHIFT);
  EXPECT_EQ(edit.text, "Xcdef");
  EXPECT_FALSE(edit.HasSelection());
}

TEST_F(EditTest, CtrlArrowsMoveByWords) {
  edit.SetText("one two, three");
  Press(KEYCODE_HOME);
  std::vector<int> stops;
  for (int i = 0; i < 4; ++i) {
    Press(KEYCODE_RIGHT, {KEYCODE_CONTROL});
    stops.push_back(edit.cursorPos);
  }
  for (int i = 0; i < 4; ++i) {
    Press(KEYCODE_LEFT, {KEYCODE_CONTROL});
    stops.push_back(edit.cursorPos);
  }
  EXPECT_EQ(stops, (std::vector<int>{4, 9, 14, 14, 9, 4, 0, 0}));
  Press(KEYCODE_END);
  Press(KEYCODE_LEFT, {KEYCODE_CONTROL, KEYCODE_SHIFT});
  EXPECT_EQ(Selected(edit), "three");
}

TEST_F(EditTest, TheMouseSetsTheCursorDragsASelectionAndDoubleClicksAWord) {
  edit.SetText("one two, three");
  Click(5);
  EXPECT_EQ(edit.cursorPos, 5);
  EXPECT_FALSE(edit.HasSelection());
  manager.MouseDown(10 + 6 * 1 + 5, 20, 1);
  manager.MouseMove(10 + 6 * 6 + 5, 20);
  manager.MouseUp(10 + 6 * 6 + 5, 20, 1);
  EXPECT_EQ(Selected(edit), "ne tw");
  Click(5, true);
  EXPECT_EQ(Selected(edit), "two");
  Click(8, true);  // between ',' and ' ': the one character there
  EXPECT_EQ(Selected(edit), " ");
  ClickAt(100, true);  // past the end: the last word
  EXPECT_EQ(Selected(edit), "three");
}

TEST_F(EditTest, ScrollingKeepsTheCursorInViewAndNeverHangs) {
  Type(std::string(30, 'a'));
  EXPECT_EQ(edit.leftPos, 20);  // in steps of 10: 17 characters reach the 100-pixel area
  Press(KEYCODE_HOME);
  EXPECT_EQ(edit.leftPos, 0);
  Press(KEYCODE_END);
  EXPECT_EQ(edit.leftPos, 20);
  ClickAt(2);  // left of the first visible character of a scrolled field: the start
  EXPECT_EQ(edit.cursorPos, 0);
  EXPECT_EQ(edit.leftPos, 0);
  edit.Resize(10, 10, 12, 20);  // narrower than one character
  Press(KEYCODE_END);
  EXPECT_EQ(edit.leftPos, 29);
}

TEST_F(EditTest, LimitsKeepWhatFitsAndNeverPushTheEndOut) {
  edit.maxChars = 8;
  Type("abcdefghi");
  EXPECT_EQ(edit.text, "abcdefgh");
  Press(KEYCODE_HOME);
  Type("X");
  EXPECT_EQ(edit.text, "abcdefgh");
  Press(KEYCODE_RIGHT);
  Press(KEYCODE_RIGHT);
  Press(KEYCODE_RIGHT, {KEYCODE_SHIFT});
  Press(KEYCODE_RIGHT, {KEYCODE_SHIFT});
  manager.KeyChar('X');
  manager.KeyChar('Y');
  manager.KeyChar('Z');
  EXPECT_EQ(edit.text, "abXYefgh");
  EXPECT_EQ(edit.cursorPos, 4);

  edit.maxChars = -1;
  edit.maxPixels = 30;
  edit.SetText("");
  Type("abcdefg");
  EXPECT_EQ(edit.text, "abcde");
  GridFont wide(12);
  edit.AddWidthCheckFont(&wide, 40);  // its own limit; the field's font is no longer measured
  edit.SetText("");
  Type("abcdef");
  EXPECT_EQ(edit.text, "abc");
}

TEST_F(EditTest, PositionsOutsideTheTextAndAZeroWidthFontNeverBreakTheField) {
  edit.SetText("abc");
  edit.cursorPos = 99;
  edit.selectionStart = 50;
  edit.leftPos = 70;
  edit.MarkDirty();
  manager.DrawDirtyWidgets();
  Press(KEYCODE_LEFT);
  EXPECT_EQ(edit.cursorPos, 2);
  EXPECT_EQ(edit.selectionStart, -1);
  EXPECT_EQ(edit.leftPos, 0);
  edit.selectionStart = -7;
  Type("x");
  EXPECT_EQ(edit.text, "abxc");
  Font nothing;  // nothing has a width: nothing can be typed, and no measuring loop runs on
  edit.SetFont(&nothing);
  edit.maxPixels = 10;
  Type("abc");
  ClickAt(3);
  Press(KEYCODE_END);
  EXPECT_EQ(edit.text, "abxc");
  EXPECT_EQ(edit.cursorPos, 4);
  EXPECT_EQ(edit.leftPos, 0);
  manager.DrawDirtyWidgets();
}

TEST_F(EditTest, DrawsTheTextAndTheSelectionInvertedOnlyWhileFocused) {
  Type("abcd");
  Press(KEYCODE_LEFT, {KEYCODE_SHIFT});
  Press(KEYCODE_LEFT, {KEYCODE_SHIFT});
  EXPECT_EQ(Pixel(10, 10), kBlack);  // outline
  EXPECT_EQ(Pixel(117, 29), kBlack);
  EXPECT_EQ(Pixel(12, 12), kWhite);  // background
  EXPECT_EQ(Pixel(16, 18), kBlack);  // 'a' in the text colour
  EXPECT_EQ(Pixel(26, 24), kBlack);  // the band behind "cd": x 26 to 37, y 15 to 24
  EXPECT_EQ(Pixel(28, 18), kWhite);  // 'c' in the selected-text colour
  EXPECT_EQ(Pixel(26, 25), kWhite);
  manager.SetFocus(nullptr);
  EXPECT_EQ(Pixel(26, 24), kWhite);
  EXPECT_EQ(Pixel(28, 18), kBlack);
  edit.alwaysShowSelection = true;
  edit.MarkDirty();
  EXPECT_EQ(Pixel(28, 18), kWhite);
}

TEST_F(EditTest, TheCursorIsATwoPixelBandThatBlinksInUpdates) {
  Type("ab");
  EXPECT_EQ(Pixel(26, 18), kBlack);  // x 26 and 27, after two cells
  EXPECT_EQ(Pixel(28, 18), kWhite);
  for (int i = 0; i < 40; ++i) manager.UpdateWidgets();
  EXPECT_TRUE(edit.cursorShown);
  manager.UpdateWidgets();
  EXPECT_FALSE(edit.cursorShown);
  EXPECT_EQ(Pixel(26, 18), kWhite);
  Type("c");  // a moved cursor shows at once
  EXPECT_EQ(Pixel(32, 18), kBlack);
}

TEST_F(EditTest, APasswordFieldDrawsOnlyItsMask) {
  edit.passwordChar = '*';
  Type("secret");
  manager.DrawDirtyWidgets();
  ASSERT_FALSE(drawn.empty());
  for (const std::string& s : drawn) EXPECT_EQ(s, "******");
}

TEST_F(EditTest, ASeeThroughBackgroundRedrawsWhatLiesBelow) {
  Testing::EventLog log;
  Testing::ProbeWidget below("below", &log, 0, 0, 200, 60);
  manager.AddWidget(&below);
  manager.BringToBack(&below);
  manager.DrawDirtyWidgets();
  Type("a");
  EXPECT_FALSE(below.dirty);
  edit.SetColor(EditWidget::COLOR_BKG, Color(255, 255, 255, 128));
  manager.DrawDirtyWidgets();
  Type("b");
  EXPECT_TRUE(below.dirty);
  manager.RemoveWidget(&below);
}

TEST_F(EditTest, WithoutAnApplicationTheClipboardKeysDoNothing) {
  edit.SetText("abc");
  Press('X', {KEYCODE_CONTROL});
  Press('V', {KEYCODE_CONTROL});
  EXPECT_EQ(edit.text, "");  // cut still deletes
  EXPECT_EQ(edit.cursorPos, 0);
}

class TestApp : public OrvaAppBase {
 public:
  explicit TestApp(const std::string& folder) {
    productName = "OrvaEditTest";
    registryKey = "OrvaTest\\Edit";
    dataDirectory = folder;
    singleInstance = false;
    startLoaderOnRun = false;
    commandLineParsed = true;
    auto system = std::make_unique<HeadlessWindowSystem>();
    input = system.get();
    SetWindowSystem(std::move(system));
  }
  bool WorkingDirHook(const std::string&) override { return true; }
  void Drain() {
    for (int i = 0; i < 200; ++i) {
      bool updated = false;
      StepLoop(&updated);
      if (input->PendingMessages() == 0 && deferredMessages.empty() && loopState != 0) break;
    }
  }
  HeadlessWindowSystem* input = nullptr;
};

// Two fields, a at (10, 10) and b at (10, 40), in a headless application with its clipboard.
class EditAppTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = (std::filesystem::temp_directory_path() / ("orva_edit_" + std::to_string(getpid()))).string() + "/";
    app = std::make_unique<TestApp>(folder);
    app->Init();
    for (EditWidget* e : {&a, &b}) {
      e->SetFont(&font);
      e->Resize(10, e == &a ? 10 : 40, 108, 20);
      app->widgetManager->AddWidget(e);
    }
    app->widgetManager->SetFocus(&a);
  }
  void TearDown() override {
    for (EditWidget* e : {&a, &b}) app->widgetManager->RemoveWidget(e);
    app.reset();
    std::filesystem::remove_all(folder);
  }
  void Press(int key, std::initializer_list<int> held = {}) { Keyboard{*app->widgetManager}.Press(key, held); }

  std::string folder;
  std::unique_ptr<TestApp> app;
  GridFont font;
  Listener listener;
  EditWidget a{1, &listener}, b{2, &listener};
};

TEST_F(EditAppTest, CopyAndPasteRoundTripThroughThePlatformClipboard) {
  a.SetText("one two");
  HeadlessWindowSystem& input = *app->input;
  input.QueueMouseMove(10 + 6 * 5 + 5, 20);
  input.QueueMouseDown(10 + 6 * 5 + 5, 20);
  input.QueueMouseUp(10 + 6 * 5 + 5, 20);
  input.QueueMouseDown(10 + 6 * 5 + 5, 20, 0, true);
  input.QueueMouseUp(10 + 6 * 5 + 5, 20);
  for (int key : {int(KEYCODE_CONTROL), int('C')}) input.QueueKeyDown(key);
  for (int key : {int('C'), int(KEYCODE_CONTROL)}) input.QueueKeyUp(key);
  input.QueueMouseDown(20, 50);  // into b
  input.QueueMouseUp(20, 50);
  for (int key : {int(KEYCODE_CONTROL), int('V')}) input.QueueKeyDown(key);
  for (int key : {int('V'), int(KEYCODE_CONTROL)}) input.QueueKeyUp(key);
  app->Drain();
  EXPECT_EQ(input.GetClipboardText(), "two");
  EXPECT_EQ(b.text, "two");
  EXPECT_EQ(a.text, "one two");
  EXPECT_EQ(app->cursorKind, CURSOR_TEXT);  // the mouse rests on a field
}

TEST_F(EditAppTest, PasteTakesWhatFitsOfTheFirstLineAndUndoTakesItBack) {
  listener.allowChar = [](char c) { return c != '#'; };
  a.maxChars = 30;
  for (const std::string clip : {"a\tb\x01#c\xE9\r\nsecond", "d\ne", "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"}) {
    app->input->SetClipboardText(clip);
    Press('V', {KEYCODE_CONTROL});
  }
  EXPECT_EQ(a.text, "abc\xE9" + std::string("d") + std::string(25, 'x'));
  EXPECT_EQ(a.leftPos, 20);
  Press('Z', {KEYCODE_CONTROL});
  EXPECT_EQ(a.text,
            "abc\xE9"
            "d");
  EXPECT_EQ(a.cursorPos, 5);
  EXPECT_EQ(a.leftPos, 0);  // the shorter text scrolls back into view
}

TEST_F(EditAppTest, CutTakesTheSelectionAPasswordCopiesItsMaskAndEachKeyActsOnce) {
  a.SetText("abc");
  Press('X', {KEYCODE_CONTROL});
  EXPECT_EQ(a.text, "");
  EXPECT_EQ(app->input->GetClipboardText(), "abc");
  // A desktop that also sends the control character after the key: one paste, not two.
  WidgetManager& m = *app->widgetManager;
  m.KeyDown(KEYCODE_CONTROL);
  m.KeyDown('V');
  m.KeyChar(22);
  m.KeyUp('V');
  m.KeyUp(KEYCODE_CONTROL);
  EXPECT_EQ(a.text, "abc");
  m.KeyChar(22);  // the character alone
  EXPECT_EQ(a.text, "abcabc");
  a.passwordChar = '*';
  a.SetText("secret");
  Press('C', {KEYCODE_CONTROL});
  EXPECT_EQ(app->input->GetClipboardText(), "******");
}

// Thousands of random keys, characters, pastes, clicks and drags: after each step the cursor,
// the selection and the first visible character are inside the text, the text holds no control
// character and nothing the listener refused, and fits its limit; two undos give the text back.
void RandomRun(TestApp& app, EditWidget& e, Font* textFont, unsigned seed) {
  e.SetFont(textFont);
  e.SetText("");
  std::mt19937 rng(seed);
  WidgetManager& m = *app.widgetManager;
  Keyboard keys{m};
  auto pick = [&](int n) { return int(rng() % unsigned(n)); };
  auto randomBytes = [&](int n) {
    std::string s;
    for (int i = pick(n); i > 0; --i) s += char(1 + pick(255));
    return s;
  };
  auto image = MakeScreen(200, 40);
  const int keysOfNote[] = {KEYCODE_BACK, KEYCODE_DELETE, KEYCODE_LEFT,  KEYCODE_RIGHT,
                            KEYCODE_HOME, KEYCODE_END,    KEYCODE_RETURN};
  for (int step = 0; step < 4000; ++step) {
    const int x = e.x - 40 + pick(200), y = e.y + 10;
    switch (pick(11)) {
      case 0: m.KeyDown(pick(255)); break;
      case 1: m.KeyUp(pick(3) == 0 ? pick(255) : KEYCODE_SHIFT + pick(2)); break;
      case 2:
      case 3: m.KeyChar(char(1 + pick(255))); break;
      case 4: keys.Press(keysOfNote[pick(7)], {KEYCODE_SHIFT + pick(2)}); break;
      case 5: app.input->SetClipboardText(randomBytes(60) + (pick(2) ? "\r\n" : "") + randomBytes(10)); [[fallthrough]];
      case 6: keys.Press("CXVZ" [pick(4)], { KEYCODE_CONTROL }); break;
      case 7: m.MouseDown(x, y, pick(2) + 1); break;
      case 8: m.MouseMove(x, y); break;
      case 9: m.MouseUp(x, y, 1); break;
      case 10: {
        if (pick(4) == 0) e.SetText(std::string(size_t(pick(8)), "ab _.W1"[pick(7)]), pick(2));
        const std::string before = e.text;
        keys.Press('Z', {KEYCODE_CONTROL});
        keys.Press('Z', {KEYCODE_CONTROL});
        ASSERT_EQ(e.text, before) << "step " << step;
      }
    }
    const int length = int(e.text.size());
    ASSERT_TRUE(e.cursorPos >= 0 && e.cursorPos <= length) << "step " << step;
    ASSERT_TRUE(e.selectionStart == -1 || (e.selectionStart >= 0 && e.selectionStart <= length)) << "step " << step;
    ASSERT_TRUE(e.leftPos >= 0 && e.leftPos <= e.cursorPos) << "step " << step;
    for (char c : e.text) {
      const auto u = static_cast<unsigned char>(c);
      ASSERT_TRUE(u >= 32 && u != 127 && (u < 128 || u >= 160) && c != '#') << "step " << step;
    }
    ASSERT_EQ(e.text.find("zz"), std::string::npos);
    ASSERT_TRUE(e.maxChars < 0 || length <= e.maxChars) << "step " << step;
    ASSERT_TRUE(e.maxPixels <= 0 || textFont->StringWidth(e.text) <= e.maxPixels) << "step " << step;
    if (step % 16 == 0) {
      Graphics g(image.get());
      e.Draw(&g);
    }
  }
}

TEST_F(EditAppTest, RandomInputNeverLeavesTheFieldUnsound) {
  listener.allowChar = [](char c) { return c != '#'; };
  listener.allowText = [](const std::string& t) { return t.find("zz") == std::string::npos; };
  a.maxChars = 40;
  RandomRun(*app, a, &font, 12345);
  a.maxChars = -1;
  a.maxPixels = 150;
  a.passwordChar = '*';
  SysFont arial(nullptr, "Arial", 12);
  RandomRun(*app, a, &arial, 777);
}

}  // namespace
}  // namespace Orva

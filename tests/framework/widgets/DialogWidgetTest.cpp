// The dialog as a whole: its buttons (which set, where, how they follow the dialog in the tree),
// answers by scripted clicks, dragging within the screen, its text, and the application side:
// registration, button ids for the application, the drag cursor and the loop that waits for an
// answer, through the headless window system.
#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "ProbeWidget.h"
#include "RecordingFont.h"
#include "framework/app/OrvaAppBase.h"
#include "framework/graphics/Graphics.h"
#include "framework/platform/HeadlessWindowSystem.h"
#include "framework/widgets/Dialog.h"
#include "framework/widgets/WidgetManager.h"
#include "support/ImageTestSupport.h"
#include "support/TempFolder.h"

namespace Orva {
namespace {

using Testing::EventLog;
using Testing::MakeScreen;
using Testing::PixelAt;
using Testing::ProbeWidget;
using Testing::RecordingFont;

class RecordingDialogListener : public DialogListener {
 public:
  std::string heard;
  void OnDialogButtonPressed(int dialogId, int buttonId) override {
    Add("p" + std::to_string(dialogId) + "/" + std::to_string(buttonId));
  }
  void OnDialogButtonReleased(int dialogId, int buttonId) override {
    Add("r" + std::to_string(dialogId) + "/" + std::to_string(buttonId));
  }

 private:
  void Add(const std::string& entry) { heard += (heard.empty() ? "" : " ") + entry; }
};

Rect RectOf(const Widget& w) { return Rect(w.x, w.y, w.width, w.height); }

std::vector<Widget*> TopLevel(WidgetManager& manager) { return {manager.children.begin(), manager.children.end()}; }

// ---------------------------------------------------------------------------------------------
// Buttons: which ones, labels, layout, place in the tree

TEST(DialogButtonSetTest, EachButtonSetMakesItsButtons) {
  Dialog none(nullptr, 1, false, "", "", "", Dialog::BUTTONS_NONE);
  EXPECT_EQ(none.firstButton, nullptr);
  EXPECT_EQ(none.secondButton, nullptr);

  Dialog yesNo(nullptr, 1, false, "", "", "", Dialog::BUTTONS_YES_NO);
  ASSERT_NE(yesNo.firstButton, nullptr);
  ASSERT_NE(yesNo.secondButton, nullptr);
  EXPECT_EQ(yesNo.firstButton->id, 1000);
  EXPECT_EQ(yesNo.firstButton->label, "YES");
  EXPECT_EQ(yesNo.secondButton->id, 1001);
  EXPECT_EQ(yesNo.secondButton->label, "NO");
  EXPECT_EQ(yesNo.firstButton->listener, &yesNo);
  EXPECT_EQ(yesNo.firstButton->framePicture, nullptr);

  Dialog okCancel(nullptr, 1, false, "", "", "", Dialog::BUTTONS_OK_CANCEL);
  EXPECT_EQ(okCancel.firstButton->label, "OK");
  EXPECT_EQ(okCancel.secondButton->label, "CANCEL");

  Dialog footnote(nullptr, 1, false, "", "", "Continue", Dialog::BUTTONS_FOOTNOTE);
  ASSERT_NE(footnote.firstButton, nullptr);
  EXPECT_EQ(footnote.secondButton, nullptr);
  EXPECT_EQ(footnote.firstButton->label, "Continue");

  Dialog unknown(nullptr, 1, false, "", "", "", 7);
  EXPECT_EQ(unknown.firstButton, nullptr);
  EXPECT_EQ(unknown.MeasureHeight(300), 48);
}

TEST(DialogButtonSetTest, ButtonsLieAlongTheBottomInsideTheMargins) {
  Dialog dialog(nullptr, 1, false, "", "", "", Dialog::BUTTONS_YES_NO);
  dialog.Resize(20, 30, 300, 200);
  // (300 - 48 - 8) / 2 wide; 24 in from the left and bottom.
  EXPECT_EQ(RectOf(*dialog.firstButton), Rect(44, 182, 122, 24));
  EXPECT_EQ(RectOf(*dialog.secondButton), Rect(174, 182, 122, 24));

  dialog.frameInsets = Insets(5, 5, 5, 5);
  dialog.buttonMargin = 10;
  dialog.buttonRowHeight = 30;
  dialog.Resize(20, 30, 300, 200);  // the same rectangle still lays the buttons out anew
  EXPECT_EQ(RectOf(*dialog.firstButton), Rect(59, 171, 107, 30));
  EXPECT_EQ(RectOf(*dialog.secondButton), Rect(174, 171, 107, 30));

  dialog.Move(0, 0);
  EXPECT_EQ(RectOf(*dialog.firstButton), Rect(39, 141, 107, 30));

  Dialog single(nullptr, 1, false, "", "", "Go on", Dialog::BUTTONS_FOOTNOTE);
  single.Resize(20, 30, 300, 200);
  EXPECT_EQ(RectOf(*single.firstButton), Rect(44, 182, 252, 24));

  // Narrower than its margins: the buttons shrink to nothing, never to a negative width.
  dialog.Resize(0, 0, 20, 100);
  single.Resize(0, 0, 20, 100);
  EXPECT_EQ(dialog.firstButton->width, 0);
  EXPECT_EQ(single.firstButton->width, 0);
}

TEST(DialogButtonSetTest, ColoursThreeAndFourAndTheButtonFontReachTheButtons) {
  Dialog dialog(nullptr, 1, false, "", "", "", Dialog::BUTTONS_OK_CANCEL);
  dialog.SetColor(Dialog::COLOR_BUTTON_TEXT, Color(10, 20, 30));
  dialog.SetColor(Dialog::COLOR_BUTTON_TEXT_HOVER, Color(40, 50, 60));
  dialog.SetColor(Dialog::COLOR_BACKGROUND, Color(70, 80, 90));
  for (DialogButton* button : {dialog.firstButton.get(), dialog.secondButton.get()}) {
    EXPECT_EQ(button->GetColor(ButtonWidget::COLOR_LABEL), Color(10, 20, 30));
    EXPECT_EQ(button->GetColor(ButtonWidget::COLOR_LABEL_HILITE), Color(40, 50, 60));
    EXPECT_EQ(button->GetColor(ButtonWidget::COLOR_BKG), Color(212, 212, 212));
  }
  RecordingFont font;
  dialog.UseButtonFont(&font);
  ASSERT_NE(dialog.firstButton->font, nullptr);
  EXPECT_NE(dialog.firstButton->font.get(), &font);
  EXPECT_NE(dialog.firstButton->font.get(), dialog.secondButton->font.get());
}

class DialogTreeTest : public ::testing::Test {
 protected:
  EventLog log;
  WidgetManager manager;
  ProbeWidget bottom{"bottom", &log, 0, 0, 640, 480};
  ProbeWidget top{"top", &log, 0, 0, 10, 10};
  Dialog dialog{nullptr, 9, false, "", "", "", Dialog::BUTTONS_YES_NO};

  void SetUp() override { dialog.Resize(100, 100, 300, 200); }
  void TearDown() override { manager.RemoveAllWidgets(); }
};

TEST_F(DialogTreeTest, TheButtonsJoinAndLeaveTheManagerWithTheDialogJustInFrontOfIt) {
  manager.AddWidget(&bottom);
  manager.AddWidget(&dialog);
  Widget* first = dialog.firstButton.get();
  Widget* second = dialog.secondButton.get();
  EXPECT_EQ(TopLevel(manager), (std::vector<Widget*>{&bottom, &dialog, first, second}));
  manager.AddWidget(&top);
  manager.BringToBack(&dialog);
  EXPECT_EQ(TopLevel(manager), (std::vector<Widget*>{&dialog, first, second, &bottom, &top}));
  manager.BringToFront(&dialog);
  EXPECT_EQ(TopLevel(manager), (std::vector<Widget*>{&bottom, &top, &dialog, first, second}));

  manager.RemoveWidget(&dialog);
  EXPECT_EQ(TopLevel(manager), (std::vector<Widget*>{&bottom, &top}));
  EXPECT_EQ(first->parent, nullptr);
  EXPECT_EQ(first->widgetManager, nullptr);
}

TEST_F(DialogTreeTest, ButtonsShareTheDialogsZOrderSoTheyAreNeverBehindIt) {
  dialog.zOrder = 3;
  manager.AddWidget(&dialog);
  manager.AddWidget(&top);
  EXPECT_EQ(TopLevel(manager),
            (std::vector<Widget*>{&top, &dialog, dialog.firstButton.get(), dialog.secondButton.get()}));
}

TEST_F(DialogTreeTest, HidingTheDialogHidesItsButtons) {
  manager.AddWidget(&dialog);
  dialog.SetVisible(false);
  EXPECT_FALSE(dialog.firstButton->visible);
  EXPECT_FALSE(dialog.secondButton->visible);
  manager.MouseMove(dialog.firstButton->x + 5, dialog.firstButton->y + 5);
  manager.MouseDown(dialog.firstButton->x + 5, dialog.firstButton->y + 5, 1);
  manager.MouseUp(dialog.firstButton->x + 5, dialog.firstButton->y + 5, 1);
  EXPECT_EQ(dialog.answer, INT_MAX);
  dialog.SetVisible(true);
  EXPECT_TRUE(dialog.secondButton->visible);
}

TEST_F(DialogTreeTest, ADialogDeletedInTheTreeTakesItsButtonsAlong) {
  auto* doomed = new Dialog(nullptr, 2, false, "", "", "", Dialog::BUTTONS_OK_CANCEL);
  doomed->Resize(0, 0, 200, 100);
  manager.AddWidget(&bottom);
  manager.AddWidget(doomed);
  manager.MouseMove(doomed->firstButton->x + 1, doomed->firstButton->y + 1);
  EXPECT_EQ(manager.hoverWidget, doomed->firstButton.get());
  delete doomed;
  EXPECT_EQ(TopLevel(manager), (std::vector<Widget*>{&bottom}));
  EXPECT_EQ(manager.hoverWidget, nullptr);
}

TEST_F(DialogTreeTest, ClicksOnTheButtonsAnswerAndReachTheListener) {
  RecordingDialogListener listener;
  dialog.dialogListener = &listener;
  manager.AddWidget(&dialog);
  const int nx = dialog.secondButton->x + 10, ny = dialog.secondButton->y + 10;
  // Pressed, then released off the button: heard, but no answer.
  manager.MouseMove(nx, ny);
  manager.MouseDown(nx, ny, 1);
  manager.MouseMove(5, 5);
  manager.MouseUp(5, 5, 1);
  EXPECT_EQ(dialog.answer, INT_MAX);
  EXPECT_EQ(listener.heard, "p9/1001");
  manager.MouseMove(nx, ny);
  manager.MouseDown(nx, ny, 1);
  manager.MouseUp(nx, ny, 1);
  EXPECT_EQ(dialog.answer, 1001);
  EXPECT_EQ(listener.heard, "p9/1001 p9/1001 r9/1001");
  const int yx = dialog.firstButton->x + 10, yy = dialog.firstButton->y + 10;
  manager.MouseMove(yx, yy);
  manager.MouseDown(yx, yy, 1);
  manager.MouseUp(yx, yy, 1);
  EXPECT_EQ(dialog.answer, 1000);
}

// ---------------------------------------------------------------------------------------------
// Dragging (a manager of 640 x 480 without an application)

class DialogDragTest : public DialogTreeTest {
 protected:
  void SetUp() override {
    DialogTreeTest::SetUp();
    manager.AddWidget(&dialog);
  }
  // Grabs the dialog at (gx, gy) of its own and drags the mouse to (tx, ty) on the screen.
  void Grab(int gx, int gy) {
    manager.MouseMove(dialog.x + gx, dialog.y + gy);
    manager.MouseDown(dialog.x + gx, dialog.y + gy, 1);
  }
};

TEST_F(DialogDragTest, TheDialogAndItsButtonsFollowTheMouse) {
  const Rect buttonBefore = RectOf(*dialog.firstButton);
  Grab(50, 5);
  EXPECT_TRUE(dialog.beingDragged);
  manager.MouseMove(180, 125);
  EXPECT_EQ(dialog.x, 130);
  EXPECT_EQ(dialog.y, 120);
  EXPECT_EQ(RectOf(*dialog.firstButton), Rect(buttonBefore.x + 30, buttonBefore.y + 20, 122, 24));
  manager.MouseUp(180, 125, 1);
  EXPECT_FALSE(dialog.beingDragged);
  manager.MouseMove(300, 300);
  EXPECT_EQ(dialog.x, 130);
}

TEST_F(DialogDragTest, AgainstTheScreenEdgesItStaysAtMostEightPixelsBeyond) {
  Grab(50, 5);
  manager.MouseMove(-500, -500);
  EXPECT_EQ(dialog.x, -8);
  EXPECT_EQ(dialog.y, -8);
  manager.MouseMove(5000, 5000);
  EXPECT_EQ(dialog.x, 640 + 8 - 300);
  EXPECT_EQ(dialog.y, 480 + 8 - 200);
  manager.MouseUp(5000, 5000, 1);
}

TEST_F(DialogDragTest, PastTheEdgeTheGrabPointSlidesSoTheDialogComesBackAtOnce) {
  Grab(50, 5);
  manager.MouseMove(-500, 105);
  EXPECT_EQ(dialog.x, -8);
  EXPECT_EQ(dialog.grabX, 8);  // slid to the left end of its range
  manager.MouseMove(10, 105);
  EXPECT_EQ(dialog.x, 2);
  // The grab point stays inside the dialog, 8 pixels from its edges.
  manager.MouseMove(5000, 105);
  EXPECT_EQ(dialog.grabX, 300 - 9);
  manager.MouseUp(5000, 105, 1);
}

TEST_F(DialogDragTest, OnlyASingleLeftClickStartsADrag) {
  manager.MouseMove(150, 110);
  manager.MouseDown(150, 110, 2);
  manager.MouseMove(200, 150);
  EXPECT_FALSE(dialog.beingDragged);
  EXPECT_EQ(dialog.x, 100);
  manager.MouseUp(200, 150, 2);
}

TEST_F(DialogDragTest, ADialogWiderThanTheScreenKeepsItsLeftEdgeInReach) {
  dialog.Resize(0, 0, 700, 600);
  Grab(100, 100);
  manager.MouseMove(400, 300);
  EXPECT_EQ(dialog.x, -8);
  EXPECT_EQ(dialog.y, -8);
  manager.MouseMove(-400, -300);
  EXPECT_EQ(dialog.x, -8);
  EXPECT_EQ(dialog.y, -8);
  manager.MouseUp(-400, -300, 1);
}

// ---------------------------------------------------------------------------------------------
// Text and drawing

class DialogTextTest : public ::testing::Test {
 protected:
  RecordingFont titleFont;
  RecordingFont bodyFont;

  void UseFonts(Dialog& dialog) {
    dialog.UseTitleFont(&titleFont);
    dialog.UseBodyFont(&bodyFont);
  }
  static std::unique_ptr<MemoryImage> DrawAlone(Dialog& dialog) {
    auto screen = MakeScreen(640, 480);
    Graphics g(screen.get());
    g.IntersectClip(dialog.x, dialog.y, dialog.width, dialog.height);
    g.Translate(dialog.x, dialog.y);
    dialog.Draw(&g);
    return screen;
  }
};

TEST_F(DialogTextTest, AOneButtonDialogCarriesTheFootnoteOnItsButtonNotAsALine) {
  Dialog withLine(nullptr, 1, false, "T", "", "note", Dialog::BUTTONS_OK_CANCEL);
  UseFonts(withLine);
  withLine.Resize(0, 0, 300, withLine.MeasureHeight(300));
  DrawAlone(withLine);
  // Title line: 24 + 10 + 10 below the top; the footnote one line spacing and 8 further down.
  const RecordingFont::Drawn* note = titleFont.Find("note");
  ASSERT_NE(note, nullptr);
  EXPECT_EQ(note->y, 44 + 10 + 8);
  EXPECT_EQ(note->x, (300 - 24) / 2);

  titleFont.drawn->clear();
  Dialog onButton(nullptr, 1, false, "T", "", "note", Dialog::BUTTONS_FOOTNOTE);
  UseFonts(onButton);
  DrawAlone(onButton);
  EXPECT_EQ(titleFont.Find("note"), nullptr);
  EXPECT_EQ(onButton.firstButton->label, "note");
  // Title, gap, and the button row: no room for a footnote line.
  EXPECT_EQ(onButton.MeasureHeight(300), 48 + 10 + 8 + 24 + 8);
}

TEST_F(DialogTextTest, AnEmptyBodyTakesNoRoomAndDrawsNothing) {
  Dialog dialog(nullptr, 1, false, "Title", "", "", Dialog::BUTTONS_NONE);
  UseFonts(dialog);
  EXPECT_EQ(dialog.MeasureHeight(300), 48 + 10);
  dialog.Resize(0, 0, 300, 58);
  DrawAlone(dialog);
  EXPECT_TRUE(bodyFont.drawn->empty());
  EXPECT_EQ(titleFont.drawn->size(), 1u);
}

TEST_F(DialogTextTest, AVeryLongBodyWrapsMeasuresAndDrawsClipped) {
  std::string body;
  for (int i = 0; i < 3000; ++i) body += "lorem ";
  Dialog dialog(nullptr, 1, false, "", body, "", Dialog::BUTTONS_YES_NO);
  UseFonts(dialog);
  // 268 pixels of line hold seven 30-pixel words with their spaces: 429 lines of 10 pixels.
  const int height = dialog.MeasureHeight(320);
  EXPECT_GE(height, 48 + 428 * 10);
  EXPECT_LE(height, 48 + 430 * 10 + 8 + 24 + 8);
  dialog.Resize(0, 0, 320, height);
  auto screen = DrawAlone(dialog);
  EXPECT_EQ(PixelAt(*screen, 100, 479), 0xFF505050u);  // the panel runs on past the screen
  EXPECT_GT(bodyFont.drawn->size(), 40u);

  // One unbreakable word, measured even narrower than the margins: a character per line at worst.
  Dialog word(nullptr, 1, false, "", std::string(2000, 'x'), "", Dialog::BUTTONS_NONE);
  UseFonts(word);
  EXPECT_GT(word.MeasureHeight(10), 1000);
  word.Resize(0, 0, 10, 480);
  DrawAlone(word);
}

TEST_F(DialogTextTest, ThePlainPanelAndItsButtonsOnScreen) {
  auto screen = MakeScreen(640, 480, 0xFF000080u);
  WidgetManager manager;
  manager.SetScreenImage(screen.get());
  Dialog dialog(nullptr, 1, false, "T", "body", "", Dialog::BUTTONS_YES_NO);
  UseFonts(dialog);
  dialog.UseButtonFont(&titleFont);
  dialog.Resize(100, 100, 300, 200);
  manager.AddWidget(&dialog);
  manager.DrawDirtyWidgets();
  const Rect yes = RectOf(*dialog.firstButton);
  EXPECT_EQ(PixelAt(*screen, yes.x, yes.y), 0xFFFFFFFFu);                      // light bevel
  EXPECT_EQ(PixelAt(*screen, yes.x + yes.width - 1, yes.y + 5), 0xFF000000u);  // dark bevel
  EXPECT_EQ(PixelAt(*screen, yes.x + yes.width - 2, yes.y + 5), 0xFF848484u);  // medium bevel
  EXPECT_EQ(PixelAt(*screen, yes.x + 5, yes.y + 5), 0xFFD4D4D4u);              // face
  EXPECT_EQ(PixelAt(*screen, 250, 150), 0xFF505050u);                          // panel
  const RecordingFont::Drawn* label = titleFont.Find("YES");
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->color, Color::White);
  EXPECT_EQ(label->x, yes.x + (yes.width - 18) / 2);
  manager.RemoveWidget(&dialog);
}

// ---------------------------------------------------------------------------------------------
// With the application: registration, application button ids, the drag cursor, waiting loops

struct FatalExitCalled : std::runtime_error {
  FatalExitCalled() : std::runtime_error("fatal exit") {}
};

// A dialog that says when it is deleted.
class WatchedDialog : public Dialog {
 public:
  using Dialog::Dialog;
  bool* deleted = nullptr;
  ~WatchedDialog() override {
    if (deleted) *deleted = true;
  }
};

class DialogApp : public OrvaAppBase {
 public:
  explicit DialogApp(const std::string& folder) {
    productName = "OrvaDialogTest";
    registryKey = "OrvaTest\\Dialog";
    dataDirectory = folder;
    singleInstance = false;
    startLoaderOnRun = false;
    commandLineParsed = true;
    fatalExitHandler = [](int) { throw FatalExitCalled(); };
    auto system = std::make_unique<HeadlessWindowSystem>();
    input = system.get();
    SetWindowSystem(std::move(system));
  }

  bool WorkingDirHook(const std::string&) override { return true; }
  Dialog* CreateDialogObject(int id, bool modal, const std::string& dialogTitle, const std::string& body,
                             const std::string& footnote, int buttonSet) override {
    auto* dialog = new WatchedDialog(nullptr, id, modal, dialogTitle, body, footnote, buttonSet);
    dialog->dialogListener = this;
    dialog->deleted = nextDeletedFlag;
    nextDeletedFlag = nullptr;
    return dialog;
  }
  void OnButtonPressed(int id) override { Add("p" + std::to_string(id)); }
  void OnButtonReleased(int id) override { Add("r" + std::to_string(id)); }

  // Runs loop steps until the scripted input is used up and handled.
  void Drain() {
    for (int i = 0; i < 200; ++i) {
      bool updated = false;
      StepLoop(&updated);
      if (input->PendingMessages() == 0 && deferredMessages.empty() && loopState != 0) break;
    }
  }
  void Click(int x, int y) {
    input->QueueMouseMove(x, y);
    input->QueueMouseDown(x, y);
    input->QueueMouseUp(x, y);
  }

  HeadlessWindowSystem* input = nullptr;
  bool* nextDeletedFlag = nullptr;
  std::string heard;

 private:
  void Add(const std::string& entry) { heard += (heard.empty() ? "" : " ") + entry; }
};

class DialogAppTest : public ::testing::Test {
 protected:
  Testing::TempFolder folder{"dialog"};
  std::unique_ptr<DialogApp> app;
  EventLog log;

  void SetUp() override {
    app = std::make_unique<DialogApp>(folder.Path().string() + "/");
    app->Init();
    app->Drain();
  }
  static Point CentreOf(const Widget& w) { return {w.x + w.width / 2, w.y + w.height / 2}; }
};

TEST_F(DialogAppTest, AZeroWidthDialogIsHalfTheScreenWideAFifthDown) {
  Dialog* dialog = app->ShowDialog(5, true, "Title", "Some words in the body", "", Dialog::BUTTONS_OK_CANCEL);
  EXPECT_EQ(RectOf(*dialog), Rect(160, 96, 320, dialog->MeasureHeight(320)));
  EXPECT_EQ(RectOf(*dialog->firstButton), Rect(184, 96 + dialog->height - 48, 132, 24));
  EXPECT_EQ(dialog->secondButton->x, 184 + 132 + 8);
  EXPECT_EQ(dialog->secondButton->parent, app->widgetManager.get());
}

TEST_F(DialogAppTest, ButtonLabelsComeFromTheApplicationsStrings) {
  app->SetString("DIALOG_BUTTON_OK", "Fine");
  app->SetString("DIALOG_BUTTON_NO", "Nope");
  EXPECT_EQ(app->ShowDialog(1, false, "", "", "", Dialog::BUTTONS_OK_CANCEL)->firstButton->label, "Fine");
  Dialog* yesNo = app->ShowDialog(2, false, "", "", "", Dialog::BUTTONS_YES_NO);
  EXPECT_EQ(yesNo->firstButton->label, "YES");
  EXPECT_EQ(yesNo->secondButton->label, "Nope");
}

TEST_F(DialogAppTest, ClickedButtonsAnswerAndBecomeApplicationButtonIds) {
  Dialog* dialog = app->ShowDialog(5, true, "Sure?", "Really?", "", Dialog::BUTTONS_YES_NO);
  const Point yes = CentreOf(*dialog->firstButton);
  app->Click(yes.x, yes.y);
  app->Drain();
  EXPECT_EQ(dialog->answer, 1000);
  EXPECT_EQ(app->heard, "p2005 r2005");
  const Point no = CentreOf(*dialog->secondButton);
  app->Click(no.x, no.y);
  app->Drain();
  EXPECT_EQ(dialog->answer, 1001);
  EXPECT_EQ(app->heard, "p2005 r2005 p3005 r3005");
}

TEST_F(DialogAppTest, DraggingShowsTheDragCursorUntilReleasedOrRemoved) {
  Dialog* dialog = app->ShowDialog(5, false, "Drag me", "", "", Dialog::BUTTONS_NONE);
  app->input->QueueMouseMove(200, 110);
  app->input->QueueMouseDown(200, 110);
  app->input->QueueMouseMove(230, 120);
  app->Drain();
  EXPECT_EQ(app->cursorKind, CURSOR_DRAGGING);
  EXPECT_EQ(dialog->x, 190);
  app->input->QueueMouseUp(230, 120);
  app->Drain();
  EXPECT_EQ(app->cursorKind, CURSOR_POINTER);

  app->input->QueueMouseDown(230, 120);
  app->Drain();
  EXPECT_EQ(app->cursorKind, CURSOR_DRAGGING);
  app->CloseDialog(5);
  EXPECT_EQ(app->cursorKind, CURSOR_POINTER);
  app->input->QueueMouseUp(230, 120);
  app->Drain();
}

TEST_F(DialogAppTest, RunUntilAnsweredReturnsTheButtonClickedAndClosesTheDialog) {
  bool deleted = false;
  app->nextDeletedFlag = &deleted;
  Dialog* dialog = app->ShowDialog(5, true, "Sure?", "Really?", "", Dialog::BUTTONS_YES_NO);
  const Point no = CentreOf(*dialog->secondButton);
  app->Click(no.x, no.y);
  EXPECT_EQ(dialog->RunUntilAnswered(true), 1001);
  EXPECT_EQ(app->CountDialogs(), 0);
  EXPECT_EQ(app->heard, "p3005 r3005");
  EXPECT_FALSE(deleted);  // deleted later, by the loop that called this one
  app.reset();
  EXPECT_TRUE(deleted);
}

TEST_F(DialogAppTest, WithoutAutoKillTheAnsweredDialogStays) {
  Dialog* dialog = app->ShowDialog(5, false, "", "", "", Dialog::BUTTONS_FOOTNOTE);
  const Point ok = CentreOf(*dialog->firstButton);
  app->Click(ok.x, ok.y);
  EXPECT_EQ(dialog->RunUntilAnswered(false), 1000);
  EXPECT_EQ(app->FindDialog(5), dialog);
}

TEST_F(DialogAppTest, RunUntilAnsweredEndsWithNoAnswerWhenOtherCodeClosesAndDeletesTheDialog) {
  bool deleted = false;
  app->nextDeletedFlag = &deleted;
  Dialog* dialog = app->ShowDialog(5, true, "Waiting", "", "", Dialog::BUTTONS_YES_NO);
  ProbeWidget closer("closer", &log);
  closer.onUpdate = [&] {
    if (closer.updates == 3) app->CloseDialog(5);
  };
  app->widgetManager->AddWidget(&closer);
  // Closed and deleted inside the loop's own update: the loop must not touch the dialog again.
  EXPECT_EQ(dialog->RunUntilAnswered(true), INT_MAX);
  EXPECT_TRUE(deleted);
  EXPECT_EQ(closer.updates, 3);
  app->widgetManager->RemoveWidget(&closer);
}

TEST_F(DialogAppTest, AutoKillLeavesANewDialogOfTheSameIdAlone) {
  Dialog* dialog = app->ShowDialog(5, false, "Old", "", "", Dialog::BUTTONS_YES_NO);
  Dialog* replacement = nullptr;
  ProbeWidget replacer("replacer", &log);
  replacer.onUpdate = [&] {
    if (replacer.updates != 2) return;
    app->CloseDialog(5, true, false);  // taken out, not deleted: this test owns it now
    replacement = app->ShowDialog(5, false, "New", "", "", Dialog::BUTTONS_NONE);
  };
  app->widgetManager->AddWidget(&replacer);
  EXPECT_EQ(dialog->RunUntilAnswered(true), INT_MAX);
  ASSERT_NE(replacement, nullptr);
  EXPECT_EQ(app->FindDialog(5), replacement);
  EXPECT_EQ(replacement->parent, app->widgetManager.get());
  app->widgetManager->RemoveWidget(&replacer);
  delete dialog;
}

TEST_F(DialogAppTest, RunUntilAnsweredEndsWhenTheApplicationShutsDown) {
  Dialog* dialog = app->ShowDialog(5, true, "", "", "", Dialog::BUTTONS_OK_CANCEL);
  ProbeWidget quitter("quitter", &log);
  quitter.onUpdate = [&] {
    if (quitter.updates == 2) app->Shutdown();
  };
  app->widgetManager->AddWidget(&quitter);
  EXPECT_EQ(dialog->RunUntilAnswered(false), INT_MAX);
  EXPECT_EQ(app->FindDialog(5), dialog);
  app->widgetManager->RemoveWidget(&quitter);
}

TEST_F(DialogAppTest, ADialogDeletedWhileRegisteredLeavesTheRegistry) {
  auto* dialog = new Dialog(nullptr, 5, true, "Gone", "", "", Dialog::BUTTONS_OK_CANCEL);
  app->RegisterDialog(dialog);
  ASSERT_EQ(app->FindDialog(5), dialog);
  delete dialog;
  EXPECT_EQ(app->FindDialog(5), nullptr);
  EXPECT_EQ(app->CountDialogs(), 0);
  EXPECT_TRUE(app->dialogOrder.empty());
  EXPECT_TRUE(app->widgetManager->modalLayers.empty());

  // The id is free again. Registering the same dialog twice keeps it, and the application's end
  // deletes it exactly once.
  bool deleted = false;
  app->nextDeletedFlag = &deleted;
  Dialog* again = app->ShowDialog(5, true, "Again", "", "", Dialog::BUTTONS_NONE);
  app->RegisterDialog(again);
  app->ProcessDeferredDeletes();
  EXPECT_FALSE(deleted);
  EXPECT_EQ(app->FindDialog(5), again);
  EXPECT_EQ(app->dialogOrder.size(), 1u);
  app.reset();
  EXPECT_TRUE(deleted);
}

TEST_F(DialogAppTest, AWidgetDeferredTwiceIsDeletedOnce) {
  bool deleted = false;
  app->nextDeletedFlag = &deleted;
  Dialog* dialog = app->ShowDialog(5, false, "Closing", "", "", Dialog::BUTTONS_NONE);
  app->CloseDialog(5);  // deletion deferred
  app->DeferDelete(dialog);
  EXPECT_EQ(app->deferredDeletes.size(), 1u);
  app->ProcessDeferredDeletes();
  EXPECT_TRUE(deleted);
  EXPECT_TRUE(app->deferredDeletes.empty());
}

TEST(DialogLoopTest, WithoutAnApplicationRunUntilAnsweredReturnsAtOnce) {
  WidgetManager manager;
  Dialog dialog(nullptr, 1, true, "", "", "", Dialog::BUTTONS_YES_NO);
  EXPECT_EQ(dialog.RunUntilAnswered(true), INT_MAX);
  manager.AddWidget(&dialog);
  dialog.OnButtonReleased(1000);
  EXPECT_EQ(dialog.RunUntilAnswered(true), 1000);
  manager.RemoveWidget(&dialog);
}

}  // namespace
}  // namespace Orva

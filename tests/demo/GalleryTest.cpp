// The widget gallery driven like a player would: clicks, typing and a dialog, through the real
// application loop with scripted input.
#include <gtest/gtest.h>

#include <memory>

#include "demo/DemoApp.h"
#include "demo/WidgetGallery.h"
#include "framework/platform/HeadlessWindowSystem.h"
#include "framework/platform/KeyCodes.h"
#include "framework/widgets/Dialog.h"
#include "framework/widgets/DialogButton.h"
#include "framework/widgets/EditWidget.h"
#include "framework/widgets/WidgetManager.h"

namespace Orva {
namespace {

class GalleryApp : public DemoApp {
 public:
  GalleryApp() {
    registryKey.clear();  // no settings file
    singleInstance = false;
    commandLineParsed = true;
    auto system = std::make_unique<HeadlessWindowSystem>();
    input = system.get();
    SetWindowSystem(std::move(system));
  }
  bool WorkingDirHook(const std::string&) override { return true; }

  // Handles the scripted input and a few updates after it.
  void Run() {
    for (int i = 0; i < 400 && (input->PendingMessages() > 0 || !deferredMessages.empty()); ++i) {
      bool updated = false;
      StepLoop(&updated);
    }
    for (int i = 0; i < 3; ++i) StepUntilUpdate();
  }
  void Click(int x, int y) {
    input->QueueMouseMove(x, y);
    input->QueueMouseDown(x, y);
    input->QueueMouseUp(x, y);
  }
  void Type(char c) {
    input->QueueKeyDown(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    input->QueueChar(c);
  }

  HeadlessWindowSystem* input = nullptr;
};

class GalleryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app = std::make_unique<GalleryApp>();
    app->Init();
    ASSERT_NE(app->Gallery(), nullptr);
    app->Run();
  }
  std::unique_ptr<GalleryApp> app;
};

TEST_F(GalleryTest, ButtonsReportClicksAndTheDisabledOneDoesNot) {
  app->Click(100, 108);  // the plain button
  app->Run();
  EXPECT_EQ(app->Gallery()->Status(), "The plain button was clicked.");
  app->Click(100, 144);  // the disabled button
  app->Run();
  EXPECT_EQ(app->Gallery()->Status(), "The plain button was clicked.");
}

TEST_F(GalleryTest, TheNameFieldTakesLettersRefusesDigitsAndSubmitsOnEnter) {
  EditWidget* name = app->Gallery()->NameField();
  name->SetText("");
  app->Click(450, 342);
  for (char c : std::string("Ivy7")) app->Type(c);
  app->Run();
  EXPECT_EQ(name->text, "Ivy");
  EXPECT_EQ(app->Gallery()->Status(), "The name field refused '7'.");
  app->input->QueueKeyDown(KEYCODE_RETURN);
  app->input->QueueChar('\r');
  app->Run();
  EXPECT_EQ(app->Gallery()->Status(), "Name entered: Ivy");
}

TEST_F(GalleryTest, TheDialogIsModalAndItsAnswerCloses) {
  app->Gallery()->OpenDialog();
  app->Run();
  ASSERT_EQ(app->CountDialogs(), 1);
  Dialog* dialog = app->dialogOrder.back();
  // Below the modal dialog the plain button hears nothing.
  app->Click(60, 108);
  app->Run();
  EXPECT_EQ(app->Gallery()->Status(), "A dialog is open.");
  ASSERT_NE(dialog->firstButton, nullptr);
  const Rect yes = dialog->firstButton->GetRect();
  app->Click(yes.x + yes.width / 2, yes.y + yes.height / 2);
  app->Run();
  EXPECT_EQ(app->Gallery()->Status(), "The dialog was answered YES.");
  EXPECT_EQ(app->CountDialogs(), 0);
}

TEST_F(GalleryTest, FunctionKeysSwitchScreensWhateverHasTheKeyboard) {
  app->Click(450, 342);  // the name field takes the keyboard
  app->input->QueueKeyDown(KEYCODE_F1 + 1);
  app->Run();
  EXPECT_FALSE(app->widgetManager->HasWidget(app->Gallery()));
  app->input->QueueKeyDown(KEYCODE_F1);
  app->Run();
  EXPECT_TRUE(app->widgetManager->HasWidget(app->Gallery()));
  app->input->QueueKeyDown(KEYCODE_ESCAPE);
  app->Run();
  EXPECT_TRUE(app->shutdown);
}

}  // namespace
}  // namespace Orva

#include "demo/DemoApp.h"

#include "demo/TestCard.h"
#include "demo/TextCard.h"
#include "framework/graphics/Graphics.h"
#include "framework/platform/KeyCodes.h"
#include "framework/widgets/Widget.h"
#include "framework/widgets/WidgetManager.h"

namespace Orva {

namespace {

// A full-screen card; keys and clicks go to the application.
class CardWidget : public Widget {
 public:
  explicit CardWidget(DemoApp* app) : app_(app) {
    Resize(0, 0, 640, 480);
    takesFocusOnClick = true;
  }
  void KeyDown(int key) override {
    if (key == KEYCODE_ESCAPE) {
      app_->Shutdown();
    } else if (key == KEYCODE_TAB || key == KEYCODE_SPACE) {
      SwitchCards();
    } else {
      Widget::KeyDown(key);
    }
  }
  void MouseDown(int, int, int button, int) override {
    if (button == 0) SwitchCards();
  }

 protected:
  virtual void SwitchCards() = 0;
  DemoApp* app_;
};

class TestCardWidget : public CardWidget {
 public:
  explicit TestCardWidget(DemoApp* app) : CardWidget(app), card_(&app->images) {}
  void Update() override {
    CardWidget::Update();
    ++ticks_;
    MarkDirty();  // the card animates
  }
  void Draw(Graphics* g) override { card_.Draw(*g, ticks_); }

 private:
  void SwitchCards() override { app_->ShowTextCard(true); }
  TestCard card_;
  int ticks_ = 0;
};

class TextCardWidget : public CardWidget {
 public:
  explicit TextCardWidget(DemoApp* app) : CardWidget(app), card_(&app->images, kTextCardFont) {}
  void Draw(Graphics* g) override { card_.Draw(*g); }

 private:
  void SwitchCards() override { app_->ShowTextCard(false); }
  TextCard card_;
};

}  // namespace

DemoApp::DemoApp() {
  productName = "OrvaDemo";
  title = "Orva test card";
  registryKey = "Kvorn\\OrvaDemo";
}

DemoApp::~DemoApp() {
  if (testCard_) widgetManager->RemoveWidget(testCard_.get());
  if (textCard_) widgetManager->RemoveWidget(textCard_.get());
}

void DemoApp::Init() {
  OrvaAppBase::Init();
  if (shutdown) return;
  testCard_ = std::make_unique<TestCardWidget>(this);
  textCard_ = std::make_unique<TextCardWidget>(this);
  ShowTextCard(startWithText_);
}

void DemoApp::ShowTextCard(bool show) {
  Widget* shown = show ? textCard_.get() : testCard_.get();
  Widget* hidden = show ? testCard_.get() : textCard_.get();
  widgetManager->RemoveWidget(hidden);
  widgetManager->AddWidget(shown);
  widgetManager->SetFocus(shown);
}

int RunDemoApp(int argc, const char* const* argv, bool startWithText) {
  DemoApp app;
  app.startWithText_ = startWithText;
  app.SetCommandLine(argc, argv);
  app.Init();
  app.Start();
  return 0;
}

}  // namespace Orva

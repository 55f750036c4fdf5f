#include "demo/DemoApp.h"

#include <cstdio>
#include <filesystem>

#include "demo/TestCard.h"
#include "demo/TextCard.h"
#include "demo/WidgetGallery.h"
#include "framework/graphics/DDImage.h"
#include "framework/graphics/Graphics.h"
#include "framework/platform/KeyCodes.h"
#include "framework/resources/ImageBridge.h"
#include "framework/widgets/Widget.h"
#include "framework/widgets/WidgetManager.h"

namespace Orva {

namespace {

class TestCardWidget : public Widget {
 public:
  explicit TestCardWidget(ImageHost* host) : card_(host) { Resize(0, 0, 640, 480); }
  void Update() override {
    Widget::Update();
    ++ticks_;
    MarkDirty();  // the card animates
  }
  void Draw(Graphics* g) override { card_.Draw(*g, ticks_); }

 private:
  TestCard card_;
  int ticks_ = 0;
};

class TextCardWidget : public Widget {
 public:
  explicit TextCardWidget(ImageHost* host) : card_(host, kTextCardFont) { Resize(0, 0, 640, 480); }
  void Draw(Graphics* g) override { card_.Draw(*g); }

 private:
  TextCard card_;
};

}  // namespace

DemoApp::DemoApp() {
  productName = "OrvaDemo";
  title = "Orva demonstration";
  registryKey = "Kvorn\\OrvaDemo";
}

DemoApp::~DemoApp() {
  for (auto& card : cards_)
    if (card) widgetManager->RemoveWidget(card.get());
}

void DemoApp::Init() {
  OrvaAppBase::Init();
  if (shutdown) return;
  auto gallery = std::make_unique<WidgetGallery>(this);
  gallery_ = gallery.get();
  cards_[CARD_GALLERY] = std::move(gallery);
  cards_[CARD_DRAWING] = std::make_unique<TestCardWidget>(&images);
  cards_[CARD_TEXT] = std::make_unique<TextCardWidget>(&images);
  ShowCard(firstCard);
}

void DemoApp::ShowCard(int card) {
  if (card < 0 || card > 2 || card == shownCard_) return;
  // A dialog belongs to the gallery; it goes when the gallery does.
  if (shownCard_ == CARD_GALLERY)
    while (!dialogOrder.empty()) CloseDialog(dialogOrder.back());
  if (shownCard_ >= 0) widgetManager->RemoveWidget(cards_[shownCard_].get());
  shownCard_ = card;
  widgetManager->AddWidget(cards_[card].get());
  widgetManager->SetFocus(cards_[card].get());
}

// The screen keys are the demonstration's own, whichever widget has the keyboard.
bool DemoApp::HandleQueuedMessage() {
  if (!deferredMessages.empty() && deferredMessages.front().message == MSG_KEYDOWN) {
    const int key = int(deferredMessages.front().wParam);
    const int card = key == KEYCODE_F1       ? CARD_GALLERY
                     : key == KEYCODE_F1 + 1 ? CARD_DRAWING
                     : key == KEYCODE_F1 + 2 ? CARD_TEXT
                                             : -1;
    if (card >= 0 || key == KEYCODE_ESCAPE) {
      deferredMessages.pop_front();
      if (card >= 0) {
        ShowCard(card);
      } else {
        Shutdown();
      }
      return !deferredMessages.empty();
    }
  }
  return OrvaAppBase::HandleQueuedMessage();
}

int RunDemoApp(int argc, const char* const* argv, int firstCard) {
  DemoApp app;
  app.firstCard = firstCard;
  app.SetCommandLine(argc, argv);
  app.Init();
  app.Start();
  return 0;
}

int WriteDemoScreenshot(int card, bool openDialog, const std::string& name) {
  // The application works from the program's folder; the picture goes where it was asked for.
  std::error_code error;
  const std::string fileName = std::filesystem::absolute(name, error).string();
  DemoApp app;
  const char* argv[] = {"testcard", "-headless"};
  app.SetCommandLine(2, argv);
  app.singleInstance = false;
  app.registryKey.clear();  // a screenshot leaves no settings behind
  app.firstCard = card;
  app.Init();
  if (openDialog && app.Gallery() != nullptr) app.Gallery()->OpenDialog();
  for (int i = 0; i < 20; ++i) app.StepUntilUpdate();
  if (!WriteImagePNG(app.GetScreenImage(), fileName)) {
    std::fprintf(stderr, "testcard: could not write %s\n", fileName.c_str());
    return 1;
  }
  std::printf("testcard: wrote %s\n", fileName.c_str());
  return 0;
}

}  // namespace Orva

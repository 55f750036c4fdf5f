#pragma once

#include <memory>
#include <string>

#include "framework/app/OrvaAppBase.h"

namespace Orva {

class Widget;
class WidgetGallery;

// The framework's demonstration on its own application loop, three screens:
//  - the widget gallery (one of each standard widget, usable with mouse and keyboard),
//  - the drawing test card (animated, so redrawn every update),
//  - the text card (drawn once, then left alone until something changes).
// F1, F2 and F3 switch between them; Escape ends; Alt+Enter or F11 toggles full screen.
class DemoApp : public OrvaAppBase {
 public:
  enum Card { CARD_GALLERY = 0, CARD_DRAWING = 1, CARD_TEXT = 2 };

  DemoApp();
  ~DemoApp() override;

  void Init() override;
  bool HandleQueuedMessage() override;
  void ShowCard(int card);
  WidgetGallery* Gallery() { return gallery_; }

  int firstCard = CARD_GALLERY;

 private:
  std::unique_ptr<Widget> cards_[3];
  WidgetGallery* gallery_ = nullptr;
  int shownCard_ = -1;
};

// Runs the demonstration in a window until it is closed; the exit code.
int RunDemoApp(int argc, const char* const* argv, int firstCard);

// Draws one screen of the demonstration without a display and writes it as a PNG (with the
// gallery's dialog open when openDialog); the exit code.
int WriteDemoScreenshot(int card, bool openDialog, const std::string& name);

}  // namespace Orva

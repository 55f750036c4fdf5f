#pragma once

#include <memory>

#include "framework/app/OrvaAppBase.h"

namespace Orva {

class Widget;

// The cards as an application on the framework's own loop: the drawing test card (animated, so
// redrawn every update) and the text card (drawn once, then left alone until something changes).
// Tab, Space or a click switches between them; Escape ends; Alt+Enter or F11 toggles full screen.
class DemoApp : public OrvaAppBase {
 public:
  DemoApp();
  ~DemoApp() override;

  void Init() override;
  void ShowTextCard(bool show);

 private:
  std::unique_ptr<Widget> testCard_;
  std::unique_ptr<Widget> textCard_;
  bool startWithText_ = false;

  friend int RunDemoApp(int argc, const char* const* argv, bool startWithText);
};

// Runs the demo in a window until it is closed; the exit code.
int RunDemoApp(int argc, const char* const* argv, bool startWithText);

}  // namespace Orva

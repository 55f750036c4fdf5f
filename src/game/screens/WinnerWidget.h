#pragma once

#include <memory>

#include "framework/widgets/ButtonListener.h"
#include "framework/widgets/ButtonWidget.h"
#include "framework/widgets/Widget.h"

namespace Orva {

class GameApp;
struct ScreenSlide;

// The screen after the last stage of the campaign: a picture and an OK button that leads back to
// the main menu. It deletes itself once it has slid away.
class WinnerWidget : public Widget, public ButtonListener {
 public:
  explicit WinnerWidget(GameApp* app);
  ~WinnerWidget() override;

  void Attached(WidgetManager* manager) override;
  void Update() override;
  void Draw(Graphics* g) override;
  void OnButtonReleased(int id) override;
  void OnButtonHoverStart(int id) override;

  ButtonWidget* Button() { return button_.get(); }

 private:
  GameApp* app_;
  std::unique_ptr<ButtonWidget> button_;
  ScreenSlide* slide_ = nullptr;
};

}  // namespace Orva

#pragma once

#include <array>
#include <memory>

#include "framework/graphics/Rect.h"
#include "framework/widgets/ButtonListener.h"
#include "framework/widgets/ButtonWidget.h"
#include "framework/widgets/Widget.h"

namespace Orva {

class GameApp;
struct ScreenSlide;

// The custom game: replays any level of an area the player has opened, outside the campaign (no
// progress is saved). Six areas as guardian medallions, each with its five levels; pointing at an
// area and clicking a way-point chooses a level, Play starts it. From the keyboard or a pad the
// screen itself has the focus: left and right step through the open levels, up and down through
// the open areas, Enter plays and Escape goes back.
class CustomGWidget : public Widget, public ButtonListener {
 public:
  enum ButtonId { BACK = 0, PLAY = 1 };
  static constexpr int kAreas = 6;
  static const std::array<Point, kAreas> kCentres;

  explicit CustomGWidget(GameApp* app);
  ~CustomGWidget() override;

  int selectedLevel = 0;  // 0..29
  int selectedArea = 0;   // 0..5

  bool IsUnlocked(int area) const { return areas_[size_t(area)] == area; }
  int HoveredArea() const { return hovered_; }
  // Where way-point k (0..4) of an area is drawn.
  static Point WayPoint(int area, int k);

  void Attached(WidgetManager* manager) override;
  void Update() override;
  void Draw(Graphics* g) override;
  void MouseMove(int mx, int my) override;
  void MouseDown(int mx, int my, int clickCount) override;
  bool WantsKey(int key) override;
  void KeyDown(int key) override;
  bool Activate() override;
  using Widget::MouseDown;
  void OnButtonReleased(int id) override;
  void OnButtonHoverStart(int id) override;

  ButtonWidget* Button(int id) { return id == BACK ? back_.get() : play_.get(); }

 private:
  GameApp* app_;
  std::array<int, kAreas> areas_{};
  int hovered_ = -1;
  std::unique_ptr<ButtonWidget> back_;
  std::unique_ptr<ButtonWidget> play_;
  ScreenSlide* slide_ = nullptr;
};

}  // namespace Orva

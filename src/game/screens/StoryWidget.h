#pragma once

#include <array>
#include <memory>

#include "framework/graphics/Rect.h"
#include "framework/widgets/ButtonListener.h"
#include "framework/widgets/ButtonWidget.h"
#include "framework/widgets/Widget.h"

namespace Orva {

class GameApp;
class ParticleSystem;
struct ScreenSlide;

// The campaign's travel map: 30 way-points in six areas of five levels, the six area guardians,
// an information window with the player's progress, and two buttons: play the current stage, or
// back to the main menu. It keeps the campaign position of the current profile, introduces an
// area's guardian when the player reaches it, blinks the current way-point, and starts stages.
// Made once at start-up; shown and hidden, never deleted until shutdown.
class StoryWidget : public Widget, public ButtonListener {
 public:
  static constexpr int kLevels = 30;
  static constexpr int kAreas = 6;
  static constexpr int kLevelsPerArea = 5;
  enum ButtonId { PLAY = 0, BACK = 1 };
  static const std::array<Point, kLevels> kWayPoints;
  static const std::array<Point, kAreas> kBossPoints;
  // Where the marker glows, from a way-point's corner.
  static constexpr int kMarkerX = 12, kMarkerY = 11;
  static constexpr int kBlinkTicks = 45;
  static constexpr int kBlinks = 5;

  explicit StoryWidget(GameApp* app);
  ~StoryWidget() override;

  // ---- The campaign position of the current profile
  int mLevel = 1;
  int mStage = 1;
  int mFirstBoss = 0;  // 1 while the guardian's introduction is still to be shown
  // Entry b (1..5) is b once area b's guardian has been met, b + 5 before; entry 0 is 0. It is the
  // cel each guardian is drawn with.
  std::array<int, kAreas> mAreas{0, 6, 7, 8, 9, 10};

  bool reloadImages = false;  // the stage pictures are read again before the next stage
  bool newArea = false;       // a new area was reached: its guardian is introduced
  int blinkCounter = -1;      // -1: not blinking; the guardian dialog writes 0 to start
  int blinkToggle = 0;
  int blinksLeft = kBlinks;
  int currentArea = 0;  // the area whose guardian is introduced (0..5)

  // The marker is a copy of this glow; it is placed at the current way-point.
  void SetMarker(const ParticleSystem* templ);
  void MoveMarker();
  // Starts the glow again at the current way-point.
  void RestartMarker();
  void RecomputeAreas();
  // The number of the area the player is in, 1..6: its stage pictures.
  int CurrentAreaNumber() const;
  const ParticleSystem* Marker() const { return marker_.get(); }

  void Attached(WidgetManager* manager) override;
  void Update() override;
  void Draw(Graphics* g) override;

  // ---- ButtonListener
  void OnButtonReleased(int id) override;
  void OnButtonHoverStart(int id) override;

  ButtonWidget* Button(int id) { return id == PLAY ? play_.get() : back_.get(); }

 private:
  void IntroduceGuardian();
  void UpdateBlink();
  void Play();
  // Everything the map's picture shows but the marker: while it stays the same, only the marker's
  // area is redrawn.
  using Look = std::array<int64_t, 11 + kAreas>;
  Look LookKey() const;

  GameApp* app_;
  std::unique_ptr<ButtonWidget> play_;
  std::unique_ptr<ButtonWidget> back_;
  std::unique_ptr<ParticleSystem> marker_;
  bool bossIntro_ = false;
  ScreenSlide* slide_ = nullptr;  // the application's, while the map slides away
  Look drawnLook_{};
};

}  // namespace Orva

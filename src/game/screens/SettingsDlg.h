#pragma once

#include <memory>
#include <string>

#include "framework/widgets/Checkbox.h"
#include "framework/widgets/CheckboxListener.h"
#include "framework/widgets/Slider.h"
#include "framework/widgets/SliderListener.h"
#include "game/screens/GameDialog.h"

namespace Orva {

// The music and sound volumes, which act while their sliders move, and full screen, which is
// applied on OK; OK also writes all three to the current profile. There is no cancel.
class SettingsDlg : public GameDialog, public SliderListener, public CheckboxListener {
 public:
  static constexpr int kDialogId = 3;
  enum { MUSIC = 0, SOUND = 1 };
  static constexpr int kOk = 1;

  explicit SettingsDlg(GameApp* app);
  ~SettingsDlg() override;

  // A volume as the profile keeps it: the shortest decimal with at most three significant digits.
  static std::string VolumeText(double volume);

  void Attached(WidgetManager* manager) override;
  void Update() override;
  void Draw(Graphics* g) override;
  void OnButtonReleased(int buttonId) override;
  void OnSliderMoved(int id, double value) override;

  Slider* MusicSlider() { return music_.get(); }
  Slider* SoundSlider() { return sound_.get(); }
  Checkbox* FullScreenBox() { return fullScreen_.get(); }

 private:
  std::unique_ptr<Slider> music_;
  std::unique_ptr<Slider> sound_;
  std::unique_ptr<Checkbox> fullScreen_;
};

}  // namespace Orva

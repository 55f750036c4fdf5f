#include "game/screens/SettingsDlg.h"

#include <cstdio>

#include "framework/graphics/Font.h"
#include "framework/graphics/Graphics.h"
#include "game/app/GameApp.h"
#include "game/core/ResourceIds.h"

namespace Orva {

namespace {
constexpr int kOkLabel = 8;
constexpr int kMusicText = 21;
constexpr int kSoundText = 22;
constexpr int kFullScreenText = 23;
constexpr int kSampleEffect = 0;  // "shoot.ogg" stands for every effect's volume
}  // namespace

SettingsDlg::SettingsDlg(GameApp* app) : GameDialog(app, kDialogId) {
  music_ = std::make_unique<Slider>(IMAGE_SLIDER, IMAGE_THUMB, MUSIC, this);
  sound_ = std::make_unique<Slider>(IMAGE_SLIDER, IMAGE_THUMB, SOUND, this);
  fullScreen_ = std::make_unique<Checkbox>(IMAGE_CHECK_BOX, IMAGE_CHECK_BOX, 0, this);
  fullScreen_->checkedCell = Rect(22, 0, 22, 25);
  fullScreen_->uncheckedCell = Rect(0, 0, 22, 25);
  music_->Resize(20, 90, 294, 25);
  sound_->Resize(20, 160, 294, 25);
  fullScreen_->Resize(20, 200, 22, 25);
  for (Widget* child : std::initializer_list<Widget*>{music_.get(), sound_.get(), fullScreen_.get()}) AddWidget(child);
  AddButton(kOk, kOkLabel, 110, 250)->navCancel = true;
}

SettingsDlg::~SettingsDlg() {
  for (Widget* child : std::initializer_list<Widget*>{music_.get(), sound_.get(), fullScreen_.get()})
    if (child->parent) child->parent->RemoveWidget(child);
}

std::string SettingsDlg::VolumeText(double volume) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3g", volume);
  return text;
}

void SettingsDlg::Attached(WidgetManager* manager) {
  GameDialog::Attached(manager);
  slide_.SlideIn();
  music_->SetValue(app_->mThemeMusic ? app_->mThemeMusic->GetVolume() : 0.0);
  const OutputStreamPtr& sample = app_->mSounds[kSampleEffect];
  sound_->SetValue(sample ? sample->GetVolume() : 0.0);
  fullScreen_->SetChecked(!app_->windowIsWindowed, false);
}

void SettingsDlg::Update() {
  GameDialog::Update();
  if (StepSlide()) Close();
}

void SettingsDlg::Draw(Graphics* g) {
  GameDialog::Draw(g);
  if (!FONT_MAIN_MENU) return;
  const int h = FONT_MAIN_MENU->GetHeight();
  g->SetFont(FONT_MAIN_MENU);
  g->SetColor(Color::White);
  g->DrawString(app_->GetGameString(kMusicText), 20, 90 - h);
  g->DrawString(app_->GetGameString(kSoundText), 20, 160 - h);
  g->DrawString(app_->GetGameString(kFullScreenText), 48, 205 + h);
}

void SettingsDlg::OnSliderMoved(int id, double value) {
  if (id == MUSIC) {
    if (app_->mThemeMusic) app_->mThemeMusic->SetVolume(float(value));
    if (app_->mLevelMusic) app_->mLevelMusic->SetVolume(float(value));
    return;
  }
  app_->SetEffectsVolume(float(value));
  // A click on the track plays a sample of the new volume; a drag of the thumb would play it
  // over and over.
  if (!sound_->dragging) app_->PlaySound(kSampleEffect);
}

void SettingsDlg::OnButtonReleased(int) {
  if (slide_.active) return;
  app_->PlaySound(EFFECT_SIMPLE_BUTTON_CLICKED);
  const bool full = fullScreen_->IsChecked();
  app_->ChangeScreenMode(!full);
  app_->WriteProfileKey("FULLSCR", full ? "1" : "0");
  app_->WriteProfileKey("MUSIC", VolumeText(app_->mThemeMusic ? app_->mThemeMusic->GetVolume() : 0.0));
  const OutputStreamPtr& sample = app_->mSounds[kSampleEffect];
  app_->WriteProfileKey("SOUND", VolumeText(sample ? sample->GetVolume() : 0.0));
  slide_.SlideOut();
}

}  // namespace Orva

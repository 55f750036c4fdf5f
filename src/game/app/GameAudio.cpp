// The game's sound: the effects and the two music streams of GameApp.
#include <cstdio>
#include <string>

#include "game/app/GameApp.h"

namespace Orva {

const std::array<const char*, GameApp::kEffectCount> GameApp::kEffectFiles = {"shoot.ogg",
                                                                              "hit.ogg",
                                                                              "explode.ogg",
                                                                              "gotbonus.ogg",
                                                                              "flash.ogg",
                                                                              "rowslided.ogg",
                                                                              "big_btn_focused.ogg",
                                                                              "big_btn_clicked.ogg",
                                                                              "medium_btn_clicked.ogg",
                                                                              "medium_btn_focused.ogg",
                                                                              "simple_btn_clicked.ogg",
                                                                              "change_rune.ogg",
                                                                              "bonus_explosion.ogg",
                                                                              "level_up.ogg",
                                                                              "loose.ogg",
                                                                              "got_award.ogg",
                                                                              "full_win.ogg",
                                                                              "cell_lightning.ogg"};

AudioDevicePtr GameApp::OpenAudioDevice() {
  // Without a window nobody listens, and runs must not depend on a sound card.
  if (headless) return AudioDevice::OpenNull();
  return AudioDevice::OpenInBackground();
}

void GameApp::PlaySound(int effect) {
  // An effect that never loaded (loading failed, or a number out of the table) stays silent.
  if (effect < 0 || effect >= kEffectCount || !mSounds[size_t(effect)]) return;
  OutputStream& sound = *mSounds[size_t(effect)];
  sound.Reset();
  sound.Play();
}

void GameApp::PlayLevelMusic(int n) {
  if (n != -1) {
    // A file that cannot be opened leaves no in-game music.
    const std::string file = "sound/level" + std::to_string(n) + ".ogg";
    std::string error = "no audio device";
    mLevelMusic = mSoundDevice ? OpenSound(mSoundDevice, file, true, &error) : nullptr;
    // The stage plays on without music, but says why.
    if (!mLevelMusic)
      std::fprintf(stderr, "%s: cannot play %s: %s\n", productName.c_str(), file.c_str(), error.c_str());
  }
  if (!mLevelMusic) return;
  // The game's music follows the menu music's volume, so the settings reach the next game too.
  if (mThemeMusic) mLevelMusic->SetVolume(mThemeMusic->GetVolume());
  mLevelMusic->SetRepeat(true);
  mLevelMusic->Play();
}

void GameApp::StopLevelMusic() {
  if (mLevelMusic) mLevelMusic->Stop();
}

void GameApp::StopThemeMusic() {
  if (mThemeMusic) mThemeMusic->Stop();
}

void GameApp::PlayThemeMusic() {
  if (mThemeMusic) mThemeMusic->Play();
}

void GameApp::SetEffectsVolume(float volume) {
  for (auto& sound : mSounds)
    if (sound) sound->SetVolume(volume);
}

}  // namespace Orva

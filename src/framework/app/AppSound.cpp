// The sound levels the framework keeps and saves (its own sound is silent).
#include <algorithm>

#include "framework/app/OrvaAppBase.h"

namespace Orva {

void OrvaAppBase::ApplyVolumes() {
  if (musicPlayer) musicPlayer->SetVolume(muteCount > 0 ? 0.0 : musicVolume);
  if (soundManager) soundManager->SetVolume(muteCount > 0 ? 0.0 : sfxVolume);
}

void OrvaAppBase::PlayEffect(int id, int pan) {
  if (soundManager) soundManager->PlayEffect(id, pan);
}

void OrvaAppBase::PlayEffect(int id) { PlayEffect(id, 0); }

double OrvaAppBase::GetMasterVolume() { return sfxVolume; }
double OrvaAppBase::GetMusicVolume() { return musicVolume; }
double OrvaAppBase::GetSfxVolume() { return sfxVolume; }
bool OrvaAppBase::IsMuted() { return muteCount > 0; }

// There is no separate master volume: it is the effects volume, as saved.
void OrvaAppBase::SetMasterVolume(double volume) { SetSfxVolume(volume); }

void OrvaAppBase::SetMusicVolume(double volume) {
  musicVolume = std::clamp(volume, 0.0, 1.0);
  ApplyVolumes();
}

void OrvaAppBase::SetSfxVolume(double volume) {
  sfxVolume = std::clamp(volume, 0.0, 1.0);
  ApplyVolumes();
}

void OrvaAppBase::Mute(bool autoMute) {
  ++muteCount;
  if (autoMute) ++autoMuteCount;
  ApplyVolumes();
}

void OrvaAppBase::Unmute(bool autoMute) {
  if (muteCount <= 0) return;
  --muteCount;
  if (autoMute && autoMuteCount > 0) --autoMuteCount;
  ApplyVolumes();
}

}  // namespace Orva

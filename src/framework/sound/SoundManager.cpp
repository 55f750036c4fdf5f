#include "framework/sound/SoundManager.h"

#include "framework/resources/PakInterface.h"

namespace Orva {

namespace {
bool ValidId(int id) { return id >= 0 && id < SilentSoundManager::kMaxSounds; }
}  // namespace

int SilentSoundManager::GetFreeSoundId() {
  for (int id = 0; id < kMaxSounds; ++id)
    if (!slots_[id].loaded) return id;
  return -1;
}

bool SilentSoundManager::LoadSound(int id, const std::string& fileName) {
  if (!ValidId(id)) return false;
  PakFile* file = p_fopen(fileName.c_str(), "rb");
  if (file == nullptr) return false;
  // One byte proves the file can be read; the silent manager needs nothing more of it.
  char probe;
  const bool readable = p_fread(&probe, 1, 1, file) == 1;
  p_fclose(file);
  if (!readable) return false;
  slots_[id] = Slot{true, fileName, 1.0, 0};
  return true;
}

void SilentSoundManager::ReleaseSound(int id) {
  if (ValidId(id)) slots_[id] = Slot{};
}

bool SilentSoundManager::IsLoaded(int id) const { return ValidId(id) && slots_[id].loaded; }

void SilentSoundManager::SetBaseVolume(int id, double volume) {
  if (ValidId(id)) slots_[id].baseVolume = volume;
}

void SilentSoundManager::SetBasePan(int id, int pan) {
  if (ValidId(id)) slots_[id].basePan = pan;
}

double SilentSoundManager::GetBaseVolume(int id) const { return ValidId(id) ? slots_[id].baseVolume : 0.0; }

int SilentSoundManager::GetBasePan(int id) const { return ValidId(id) ? slots_[id].basePan : 0; }

}  // namespace Orva

#pragma once

#include <array>
#include <string>

namespace Orva {

// The framework's sound-effect manager: a table of numbered sounds loaded from files, each with
// a base volume and pan. The game plays its own audio and keeps the framework's sound switched
// off, so the only manager here is the silent one; the interface is what the application base and
// the resource manager need of any manager.
class SoundManager {
 public:
  virtual ~SoundManager() = default;

  // A sound id with nothing loaded into it, or -1 when every id is taken.
  virtual int GetFreeSoundId() = 0;
  // Loads the file into the id (replacing what it held); false when the file cannot be read or
  // the id is out of range.
  virtual bool LoadSound(int id, const std::string& fileName) = 0;
  virtual void ReleaseSound(int id) = 0;
  virtual bool IsLoaded(int id) const = 0;
  virtual void SetBaseVolume(int id, double volume) = 0;
  virtual void SetBasePan(int id, int pan) = 0;
  virtual void SetVolume(double volume) = 0;
  virtual void Mute(bool mute) = 0;
  // Plays the sound once at the given pan; it frees itself when done.
  virtual void PlayEffect(int id, int pan) = 0;
};

// Keeps the table and checks that each file exists and can be read (through the archive layer,
// so sounds in a packed archive count), but makes no sound.
class SilentSoundManager : public SoundManager {
 public:
  static constexpr int kMaxSounds = 256;

  int GetFreeSoundId() override;
  bool LoadSound(int id, const std::string& fileName) override;
  void ReleaseSound(int id) override;
  bool IsLoaded(int id) const override;
  void SetBaseVolume(int id, double volume) override;
  void SetBasePan(int id, int pan) override;
  void SetVolume(double volume) override { volume_ = volume; }
  void Mute(bool mute) override { muted_ = mute; }
  void PlayEffect(int, int) override {}

  double GetBaseVolume(int id) const;
  int GetBasePan(int id) const;
  double GetVolume() const { return volume_; }
  bool IsMuted() const { return muted_; }

 private:
  struct Slot {
    bool loaded = false;
    std::string fileName;
    double baseVolume = 1.0;
    int basePan = 0;
  };
  std::array<Slot, kMaxSounds> slots_;
  double volume_ = 1.0;
  bool muted_ = false;
};

}  // namespace Orva

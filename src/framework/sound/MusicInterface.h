#pragma once

namespace Orva {

// The framework's music player. The game plays its music itself, so the only player here is
// this silent one: it keeps the volume it is given and plays nothing.
class MusicInterface {
 public:
  virtual ~MusicInterface() = default;
  virtual void SetVolume(double volume) { volume_ = volume; }
  virtual double GetVolume() const { return volume_; }
  virtual void Update() {}
  virtual void StopAll() {}

 private:
  double volume_ = 1.0;
};

}  // namespace Orva

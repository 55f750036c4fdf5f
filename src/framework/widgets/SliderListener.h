#pragma once

namespace Orva {

// Hears a slider's value (0..1): while its thumb is dragged, and once more on every release.
class SliderListener {
 public:
  virtual ~SliderListener() = default;

  virtual void OnSliderMoved(int id, double value) {
    (void)id;
    (void)value;
  }
};

}  // namespace Orva

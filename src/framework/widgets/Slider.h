#pragma once

#include "framework/widgets/SliderListener.h"
#include "framework/widgets/Widget.h"

namespace Orva {

class Graphics;
class Image;

// A horizontal or vertical track with a thumb holding a value from 0 to 1. The track picture is
// three cells (one end, the middle, the other end) side by side, or stacked for a vertical
// slider; the middle cell is repeated to fill the length. The thumb is dragged, or a press on the
// track makes it jump there; the listener hears the value while dragging and on every release.
class Slider : public Widget {
 public:
  SliderListener* listener = nullptr;  // not owned
  double value = 0;
  int id = 0;
  Image* trackPicture = nullptr;  // not owned
  Image* thumbPicture = nullptr;
  bool horizontal = true;
  bool dragging = false;
  int grabOffsetX = 0;  // where on the thumb it was grabbed
  int grabOffsetY = 0;

  Slider(Image* track, Image* thumb, int sliderId, SliderListener* sliderListener);

  // Clamped to 0..1 (NaN is ignored); the listener is not told.
  virtual void SetValue(double newValue);
  // The pictures leave parts of the rectangle showing what lies below.
  virtual bool HasTransparencies();

  // Left (or top) edge of the thumb along the track.
  int ThumbPosition() const;

  void Draw(Graphics* g) override;
  void MouseDown(int mx, int my, int clickCount) override;
  void MouseMove(int mx, int my) override;
  void MouseDrag(int mx, int my) override;
  void MouseUp(int mx, int my) override;
  void MouseLeave() override;
  // The arrows along it (left and right, or up and down) move the value by kKeyStep; the
  // listener hears each step.
  bool WantsKey(int key) override;
  void KeyDown(int key) override;
  static constexpr double kKeyStep = 0.05;
  using Widget::MouseDown;
  using Widget::MouseUp;

 private:
  int ThumbLength() const;
  bool OnThumb(int mx, int my) const;
  void SetCursor(int kind);
  void DrawTrack(Graphics* g);
};

}  // namespace Orva

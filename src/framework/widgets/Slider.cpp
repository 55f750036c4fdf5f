#include "framework/widgets/Slider.h"

#include <algorithm>
#include <cmath>

#include "framework/graphics/Graphics.h"
#include "framework/graphics/Image.h"
#include "framework/platform/KeyCodes.h"
#include "framework/widgets/WidgetManager.h"

namespace Orva {

namespace {
// Dark enough to stand out on light dialogs, where sliders usually sit.
const Color kFocusFrameColor(120, 80, 20);
}  // namespace

Slider::Slider(Image* track, Image* thumb, int sliderId, SliderListener* sliderListener)
    : listener(sliderListener), id(sliderId), trackPicture(track), thumbPicture(thumb) {
  navigable = true;
}

bool Slider::WantsKey(int key) {
  return horizontal ? key == KEYCODE_LEFT || key == KEYCODE_RIGHT : key == KEYCODE_UP || key == KEYCODE_DOWN;
}

void Slider::KeyDown(int key) {
  if (!WantsKey(key)) {
    Widget::KeyDown(key);
    return;
  }
  const double step = key == KEYCODE_RIGHT || key == KEYCODE_DOWN ? kKeyStep : -kKeyStep;
  const double old = value;
  SetValue(value + step);
  if (value == old) return;
  MarkDirty();
  if (listener) listener->OnSliderMoved(id, value);
}

void Slider::SetValue(double newValue) {
  if (std::isnan(newValue)) return;
  value = std::clamp(newValue, 0.0, 1.0);
  MarkDirtyDeep();
}

bool Slider::HasTransparencies() { return true; }

int Slider::ThumbLength() const {
  if (!thumbPicture) return 0;
  return horizontal ? thumbPicture->width : thumbPicture->height;
}

int Slider::ThumbPosition() const {
  const int length = horizontal ? width : height;
  return int((length - ThumbLength()) * value);
}

bool Slider::OnThumb(int mx, int my) const {
  const int along = horizontal ? mx : my;
  const int start = ThumbPosition();
  return along >= start && along < start + ThumbLength();
}

void Slider::SetCursor(int kind) {
  if (widgetManager && widgetManager->app) widgetManager->app->SetCursorKind(kind);
}

void Slider::MouseDown(int mx, int my, int) {
  if (OnThumb(mx, my)) {
    SetCursor(CURSOR_DRAGGING);
    dragging = true;
    if (horizontal)
      grabOffsetX = mx - ThumbPosition();
    else
      grabOffsetY = my - ThumbPosition();
    return;
  }
  // The thumb jumps; the listener hears the value on release.
  const int length = horizontal ? width : height;
  if (length > 0) SetValue(double(horizontal ? mx : my) / length);
}

void Slider::MouseMove(int mx, int my) { SetCursor(OnThumb(mx, my) ? CURSOR_DRAGGING : CURSOR_POINTER); }

void Slider::MouseDrag(int mx, int my) {
  if (!dragging) return;
  // A thumb as long as the track (or longer) has nowhere to go; dividing by its travel would
  // give an infinite or reversed value.
  const int travel = (horizontal ? width : height) - ThumbLength();
  if (travel <= 0) return;
  const int along = horizontal ? mx - grabOffsetX : my - grabOffsetY;
  const double newValue = std::clamp(double(along) / travel, 0.0, 1.0);
  if (newValue == value) return;
  value = newValue;
  if (listener) listener->OnSliderMoved(id, value);
  MarkDirtyDeep();
}

void Slider::MouseUp(int, int) {
  dragging = false;
  SetCursor(CURSOR_POINTER);
  // Also how a press on the track reaches the listener.
  if (listener) listener->OnSliderMoved(id, value);
}

void Slider::MouseLeave() {
  if (!dragging) SetCursor(CURSOR_POINTER);
}

void Slider::DrawTrack(Graphics* g) {
  Image* track = trackPicture;
  if (horizontal) {
    const int c = track->width / 3;
    const int t = track->height;
    if (c <= 0) return;
    const int ty = (height - t) / 2;
    g->DrawImage(track, 0, ty, Rect(0, 0, c, t));
    g->PushState();
    g->IntersectClip(c, ty, width - 2 * c, t);
    const int copies = (width - c - 1) / c;
    for (int k = 0; k < copies; ++k) g->DrawImage(track, c + k * c, ty, Rect(c, 0, c, t));
    g->PopState();
    g->DrawImage(track, width - c, ty, Rect(2 * c, 0, c, t));
  } else {
    const int c = track->height / 3;
    const int t = track->width;
    if (c <= 0) return;
    g->DrawImage(track, 0, 0, Rect(0, 0, t, c));
    g->PushState();
    g->IntersectClip(0, c, t, height - 2 * c);
    const int copies = (height - c - 1) / c;
    for (int k = 0; k < copies; ++k) g->DrawImage(track, 0, c + k * c, Rect(0, c, t, c));
    g->PopState();
    g->DrawImage(track, 0, height - c, Rect(0, 2 * c, t, c));
  }
}

void Slider::Draw(Graphics* g) {
  if (trackPicture) DrawTrack(g);
  if (thumbPicture) {
    if (horizontal)
      g->DrawImage(thumbPicture, ThumbPosition(), (height - thumbPicture->height) / 2);
    else
      g->DrawImage(thumbPicture, (width - thumbPicture->width) / 2, ThumbPosition());
  }
  DrawFocusFrame(g, kFocusFrameColor);
}

}  // namespace Orva

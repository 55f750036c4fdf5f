#pragma once

#include <memory>

#include "framework/widgets/ButtonListener.h"
#include "framework/widgets/ScrollListener.h"
#include "framework/widgets/ScrollbuttonWidget.h"
#include "framework/widgets/Widget.h"

namespace Orva {

class Graphics;

// A plain-drawn scroll bar: a track with a draggable knob between two arrow buttons. It holds a
// position from 0 to total - span (in lines) and tells its listener of every change. A press on
// the track pages towards the mouse, and keeps paging while held; an arrow held down keeps
// stepping. Both repeat after a delay counted in updates.
//
// The bar is idle while the total fits in the span: it and its buttons are disabled then, and
// hidden too with hideWhenIdle. Totals and spans are never negative (a negative one counts as 0);
// values that are not numbers are ignored.
class ScrollbarWidget : public Widget, public ButtonListener {
 public:
  // Updates before a held press repeats; then the track pages every 5 updates and the arrows
  // step every update.
  static constexpr int kRepeatDelay = 25;
  static constexpr int kPageRepeatPeriod = 5;

  enum PagingState { PAGING_NONE = 0, PAGING_BACK = 1, PAGING_FORWARD = 2 };

  // Children of the bar, owned by it; ids 0 (towards 0) and 1 (towards the end).
  std::unique_ptr<ScrollbuttonWidget> lessButton;
  std::unique_ptr<ScrollbuttonWidget> moreButton;
  bool hideWhenIdle = false;
  int id = 0;
  double position = 0;
  double total = 0;
  double span = 0;
  bool horizontal = false;
  bool dragging = false;
  int dragStartKnob = 0;  // knob offset and mouse point when a knob drag began
  int pressX = 0;
  int pressY = 0;
  int pagingState = PAGING_NONE;
  int pageRepeat = 0;   // track paging counter
  int arrowRepeat = 0;  // arrow auto-repeat counter
  int lastX = 0;        // the last mouse point seen by a press or a drag
  int lastY = 0;
  ScrollListener* listener = nullptr;  // not owned

  ScrollbarWidget(int barId, ScrollListener* scrollListener);
  ~ScrollbarWidget() override;

  // With hide, the bar and its buttons are hidden while idle and shown otherwise.
  virtual void SetHideWhenIdle(bool hide);
  virtual void SetTotal(double newTotal);
  virtual void SetSpan(double newSpan);
  // Tells the listener even when nothing changed (twice when the value had to be clamped).
  virtual void SetPosition(double newPosition);
  virtual void SetOrientation(bool isHorizontal);
  // Places the bar and its two square buttons at its ends.
  virtual void PlaceBar(int barX, int barY, int barWidth, int barHeight);
  // Within one line of the end.
  virtual bool IsAtEnd();
  virtual void ScrollToEnd();
  virtual void DrawKnob(Graphics* g, int kx, int ky, int kw, int kh);
  // Pixels between the two buttons.
  virtual int TrackLength();
  // 0 while the total is below the span; never below 8 pixels otherwise.
  virtual int KnobLength();
  // From the bar's top (left) edge, buttons included.
  virtual int KnobOffset();
  // Keeps the position within 0 .. total - span, updates the idle state, and tells the listener
  // when the position moved.
  virtual void ClampPosition();
  // Moves the position so that the knob starts at that offset.
  virtual void SetKnobOffset(int offset);
  // -1 before the knob, 1 after it, 0 on it.
  virtual int CompareWithKnob(int mx, int my);

  void Update() override;
  void Draw(Graphics* g) override;
  void MouseDown(int mx, int my, int button, int clickCount) override;
  void MouseUp(int mx, int my, int button, int clickCount) override;
  void MouseDrag(int mx, int my) override;
  using Widget::MouseDown;
  using Widget::MouseUp;

  void OnButtonPressed(int buttonId) override;
  void OnButtonHeld(int buttonId) override;

 private:
  int ButtonLength() const { return lessButton->width; }
  bool IsIdle() const { return total <= span; }
  void ApplyIdleState();
};

}  // namespace Orva

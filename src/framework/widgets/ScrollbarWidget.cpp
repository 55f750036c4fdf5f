#include "framework/widgets/ScrollbarWidget.h"

#include <algorithm>
#include <cmath>

#include "framework/graphics/Graphics.h"

namespace Orva {

namespace {

const Color kTrack(232, 232, 232);
const Color kTrackPaging(48, 48, 48);
const Color kFace(212, 212, 212);
const Color kShade(132, 132, 132);
constexpr int kMinKnobLength = 8;

}  // namespace

ScrollbarWidget::ScrollbarWidget(int barId, ScrollListener* scrollListener)
    : lessButton(std::make_unique<ScrollbuttonWidget>(0, this)),
      moreButton(std::make_unique<ScrollbuttonWidget>(1, this)),
      id(barId),
      listener(scrollListener) {
  lessButton->SetDisabled(true);
  moreButton->SetDisabled(true);
  AddWidget(lessButton.get());
  AddWidget(moreButton.get());
  disabled = true;
}

ScrollbarWidget::~ScrollbarWidget() {
  RemoveWidget(lessButton.get());
  RemoveWidget(moreButton.get());
}

void ScrollbarWidget::SetHideWhenIdle(bool hide) {
  hideWhenIdle = hide;
  // Hides only an idle bar: one with something to scroll stays usable.
  if (hideWhenIdle) ApplyIdleState();
}

void ScrollbarWidget::SetTotal(double newTotal) {
  if (!std::isfinite(newTotal)) return;
  total = std::max(newTotal, 0.0);
  ClampPosition();
  MarkDirty();
}

void ScrollbarWidget::SetSpan(double newSpan) {
  if (!std::isfinite(newSpan)) return;
  span = std::max(newSpan, 0.0);
  ClampPosition();
  MarkDirty();
}

void ScrollbarWidget::SetPosition(double newPosition) {
  if (std::isnan(newPosition)) return;
  position = newPosition;
  ClampPosition();
  if (listener) listener->OnScrolled(id, position);
  MarkDirty();
}

void ScrollbarWidget::SetOrientation(bool isHorizontal) {
  horizontal = isHorizontal;
  lessButton->horizontal = isHorizontal;
  moreButton->horizontal = isHorizontal;
  lessButton->MarkDirty();
  moreButton->MarkDirty();
  MarkDirty();
}

void ScrollbarWidget::PlaceBar(int barX, int barY, int barWidth, int barHeight) {
  Resize(barX, barY, barWidth, barHeight);
  if (horizontal) {
    lessButton->Resize(0, 0, barHeight, barHeight);
    moreButton->Resize(barWidth - barHeight, 0, barHeight, barHeight);
  } else {
    lessButton->Resize(0, 0, barWidth, barWidth);
    moreButton->Resize(0, barHeight - barWidth, barWidth, barWidth);
  }
}

bool ScrollbarWidget::IsAtEnd() { return total - span - position <= 1; }

void ScrollbarWidget::ScrollToEnd() {
  position = total - span;
  ClampPosition();
  SetPosition(position);
}

int ScrollbarWidget::TrackLength() { return (horizontal ? width : height) - 2 * ButtonLength(); }

int ScrollbarWidget::KnobLength() {
  if (total < span) return 0;
  // Everything fits (total equal to span, both possibly 0): the knob fills the track.
  if (total <= span) return std::max(TrackLength(), kMinKnobLength);
  return std::max(int(TrackLength() * span / total + 0.5), kMinKnobLength);
}

int ScrollbarWidget::KnobOffset() {
  // With nothing to scroll the knob rests at the start of the track.
  if (total <= span) return ButtonLength();
  return int((TrackLength() - KnobLength()) * position / (total - span) + 0.5) + ButtonLength();
}

void ScrollbarWidget::SetKnobOffset(int offset) {
  // A knob that fills the track (or a track shorter than the knob) cannot move.
  const int travel = TrackLength() - KnobLength();
  if (travel <= 0 || total <= span) return;
  SetPosition((total - span) * (offset - ButtonLength()) / travel);
}

int ScrollbarWidget::CompareWithKnob(int mx, int my) {
  const int along = horizontal ? mx : my;
  const int start = KnobOffset();
  if (along < start) return -1;
  if (along >= start + KnobLength()) return 1;
  return 0;
}

void ScrollbarWidget::ClampPosition() {
  const double old = position;
  position = std::min(position, total - span);
  if (position < 0) position = 0;
  ApplyIdleState();
  if (position != old && listener) listener->OnScrolled(id, position);
}

void ScrollbarWidget::ApplyIdleState() {
  const bool idle = IsIdle();
  SetDisabled(idle);
  lessButton->SetDisabled(idle);
  moreButton->SetDisabled(idle);
  if (hideWhenIdle) {
    SetVisible(!idle);
    lessButton->SetVisible(!idle);
    moreButton->SetVisible(!idle);
  }
}

void ScrollbarWidget::Update() {
  Widget::Update();
  if (pagingState == PAGING_NONE) return;
  const int towards = pagingState == PAGING_BACK ? -1 : 1;
  if (CompareWithKnob(lastX, lastY) != towards) {
    // The knob has reached the mouse.
    pagingState = PAGING_NONE;
    MarkDirty();
    return;
  }
  if (++pageRepeat >= kRepeatDelay) {
    SetPosition(position + towards * span);
    pageRepeat = kRepeatDelay - kPageRepeatPeriod;
  }
}

void ScrollbarWidget::DrawKnob(Graphics* g, int kx, int ky, int kw, int kh) {
  g->SetColor(kFace);
  g->FillRect(kx, ky, kw, kh);
  g->SetColor(Color::White);
  g->FillRect(kx + 1, ky + 1, kw - 2, 1);
  g->FillRect(kx + 1, ky + 1, 1, kh - 2);
  g->SetColor(Color::Black);
  g->FillRect(kx, ky + kh - 1, kw, 1);
  g->FillRect(kx + kw - 1, ky, 1, kh);
  g->SetColor(kShade);
  g->FillRect(kx + 1, ky + kh - 2, kw - 2, 1);
  g->FillRect(kx + kw - 2, ky + 1, 1, kh - 2);
}

void ScrollbarWidget::Draw(Graphics* g) {
  const int knobOffset = KnobOffset();
  const int knobLength = KnobLength();
  const int knobEnd = knobOffset + knobLength;
  const Color& before = pagingState == PAGING_BACK ? kTrackPaging : kTrack;
  const Color& after = pagingState == PAGING_FORWARD ? kTrackPaging : kTrack;
  if (horizontal) {
    g->SetColor(before);
    g->FillRect(0, 0, knobOffset, height);
    g->SetColor(after);
    g->FillRect(knobEnd, 0, width - knobEnd, height);
    if (knobLength > 0) DrawKnob(g, knobOffset, 0, knobLength, height);
  } else {
    g->SetColor(before);
    g->FillRect(0, 0, width, knobOffset);
    g->SetColor(after);
    g->FillRect(0, knobEnd, width, height - knobEnd);
    if (knobLength > 0) DrawKnob(g, 0, knobOffset, width, knobLength);
  }
}

void ScrollbarWidget::MouseDown(int mx, int my, int, int) {
  if (disabled) return;
  switch (CompareWithKnob(mx, my)) {
    case -1:
      SetPosition(position - span);
      pagingState = PAGING_BACK;
      pageRepeat = 0;
      break;
    case 1:
      SetPosition(position + span);
      pagingState = PAGING_FORWARD;
      pageRepeat = 0;
      break;
    default:
      dragging = true;
      dragStartKnob = KnobOffset();
      pressX = mx;
      pressY = my;
      break;
  }
  lastX = mx;
  lastY = my;
}

void ScrollbarWidget::MouseDrag(int mx, int my) {
  if (dragging) SetKnobOffset(dragStartKnob + (horizontal ? mx - pressX : my - pressY));
  lastX = mx;
  lastY = my;
}

void ScrollbarWidget::MouseUp(int, int, int, int) {
  pagingState = PAGING_NONE;
  dragging = false;
  MarkDirty();
}

void ScrollbarWidget::OnButtonPressed(int buttonId) {
  arrowRepeat = 0;
  SetPosition(position + (buttonId == 1 ? 1 : -1));
}

void ScrollbarWidget::OnButtonHeld(int buttonId) {
  if (++arrowRepeat < kRepeatDelay) return;
  SetPosition(position + (buttonId == 1 ? 1 : -1));
  arrowRepeat = kRepeatDelay - 1;
}

}  // namespace Orva

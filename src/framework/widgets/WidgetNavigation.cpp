// The widget manager's keyboard and pad navigation: which widget the arrows reach, what Enter and
// Escape do where no widget wants them, pad buttons and their repeat.
#include <algorithm>
#include <climits>
#include <cstdlib>

#include "framework/platform/KeyCodes.h"
#include "framework/platform/WindowMessage.h"
#include "framework/widgets/Widget.h"
#include "framework/widgets/WidgetManager.h"

namespace Orva {

namespace {

bool IsArrow(int key) {
  return key == KEYCODE_LEFT || key == KEYCODE_RIGHT || key == KEYCODE_UP || key == KEYCODE_DOWN;
}

bool IsNavigationKey(int key) {
  return IsArrow(key) || key == KEYCODE_RETURN || key == KEYCODE_SPACE || key == KEYCODE_ESCAPE;
}

// Shift, Ctrl and Alt alone do not show the focus (they come with mouse use too).
bool IsModifier(int key) { return key == KEYCODE_SHIFT || key == KEYCODE_CONTROL || key == KEYCODE_MENU; }

// The key a pad button stands for where no widget takes the button itself; 0 for none.
int PadKey(int button) {
  switch (PadButton(button)) {
    case PadButton::DPAD_UP:
    case PadButton::STICK_UP: return KEYCODE_UP;
    case PadButton::DPAD_DOWN:
    case PadButton::STICK_DOWN: return KEYCODE_DOWN;
    case PadButton::DPAD_LEFT:
    case PadButton::STICK_LEFT: return KEYCODE_LEFT;
    case PadButton::DPAD_RIGHT:
    case PadButton::STICK_RIGHT: return KEYCODE_RIGHT;
    case PadButton::SOUTH:
    case PadButton::START: return KEYCODE_RETURN;
    case PadButton::EAST:
    case PadButton::BACK: return KEYCODE_ESCAPE;
    default: return 0;
  }
}

bool Repeats(int button) { return IsArrow(PadKey(button)); }

Rect ScreenRect(Widget* widget) {
  const Point pos = widget->GetScreenPos();
  return Rect(pos.x, pos.y, widget->width, widget->height);
}

// How far the ranges [a, a + aLength) and [b, b + bLength) lie apart; 0 when they overlap.
int Gap(int a, int aLength, int b, int bLength) {
  if (b >= a + aLength) return b - (a + aLength);
  if (a >= b + bLength) return a - (b + bLength);
  return 0;
}

}  // namespace

void WidgetManager::SetFocusShown(bool shown) {
  if (focusShown == shown) return;
  focusShown = shown;
  if (focusWidget) focusWidget->FocusLookChanged();
}

bool WidgetManager::CanNavigateTo(Widget* widget) {
  if (!widget || !widget->navigable || widget->widgetManager != this) return false;
  if (modalWidget && !widget->IsWithin(modalWidget)) return false;
  for (WidgetContainer* c = widget; c && c != this; c = c->parent) {
    const auto* w = static_cast<Widget*>(c);
    if (!w->visible || w->disabled) return false;
  }
  return true;
}

void WidgetManager::CollectNavigable(Widget* root) {
  navigables_.clear();
  if (!root) return;
  // Depth first, without recursion on the call stack of a deep tree.
  std::vector<Widget*>& pending = navPending_;
  pending.assign(1, root);
  while (!pending.empty()) {
    Widget* widget = pending.back();
    pending.pop_back();
    if (!widget->visible || widget->disabled) continue;
    if (widget->navigable && CanNavigateTo(widget)) navigables_.push_back(widget);
    for (auto it = widget->children.rbegin(); it != widget->children.rend(); ++it) pending.push_back(*it);
  }
}

Widget* WidgetManager::NavigationRoot() {
  if (modalWidget) return modalWidget->visible ? modalWidget : nullptr;
  for (auto it = children.rbegin(); it != children.rend(); ++it) {
    Widget* widget = *it;
    if (!widget->visible) continue;
    if (focusWidget && focusWidget->IsWithin(widget)) return widget;
    CollectNavigable(widget);
    if (!navigables_.empty()) return widget;
  }
  return nullptr;
}

Widget* WidgetManager::DefaultNavigable(Widget* root) {
  CollectNavigable(root);
  Widget* first = nullptr;
  Rect firstRect;
  for (Widget* widget : navigables_) {
    if (widget->navDefault) return widget;
    const Rect r = ScreenRect(widget);
    if (!first || r.y < firstRect.y || (r.y == firstRect.y && r.x < firstRect.x)) {
      first = widget;
      firstRect = r;
    }
  }
  return first;
}

bool WidgetManager::MoveFocus(int arrowKey) {
  Widget* from = focusWidget;
  Widget* root = NavigationRoot();
  if (!from || !root) return false;
  CollectNavigable(root);
  const Rect a = ScreenRect(from);
  const int ax = a.x + a.width / 2;
  const int ay = a.y + a.height / 2;
  const bool horizontal = arrowKey == KEYCODE_LEFT || arrowKey == KEYCODE_RIGHT;
  const int sign = arrowKey == KEYCODE_RIGHT || arrowKey == KEYCODE_DOWN ? 1 : -1;

  Widget* best = nullptr;
  long long bestScore = LLONG_MAX;
  for (Widget* widget : navigables_) {
    if (widget == from) continue;
    const Rect b = ScreenRect(widget);
    const int bx = b.x + b.width / 2;
    const int by = b.y + b.height / 2;
    const int along = sign * (horizontal ? bx - ax : by - ay);
    if (along <= 0) continue;
    // Distance along the move counts most; a widget level with this one (overlapping across the
    // move) is preferred to one beside it, and of two level ones the better aligned wins.
    const int across = horizontal ? Gap(a.y, a.height, b.y, b.height) : Gap(a.x, a.width, b.x, b.width);
    const int offset = std::abs(horizontal ? by - ay : bx - ax);
    const long long score = 4LL * along + (across == 0 ? offset : 8LL * offset);
    if (score < bestScore) {
      bestScore = score;
      best = widget;
    }
  }
  if (!best) return false;
  SetFocus(best);
  return true;
}

void WidgetManager::RouteKey(int key, bool wasShown) {
  Widget* focus = focusWidget;
  // A focused widget that is not navigable (a playing field) owns the keyboard.
  const bool focusOwnsKeys = focus && !focus->navigable;
  if (IsNavigationKey(key) && !focusOwnsKeys && !(focus && focus->WantsKey(key)) && Navigate(key, wasShown)) return;
  if (focusWidget) focusWidget->KeyDown(key);
}

bool WidgetManager::Navigate(int key, bool wasShown) {
  Widget* root = NavigationRoot();
  if (!root) return false;
  Widget* focus = focusWidget && CanNavigateTo(focusWidget) && focusWidget->IsWithin(root) ? focusWidget : nullptr;
  if (key == KEYCODE_ESCAPE) {
    CollectNavigable(root);
    for (Widget* widget : navigables_)
      if (widget->navCancel) return widget->Activate();
    return false;
  }
  if (!focus) {
    focus = DefaultNavigable(root);
    if (!focus) return false;
    SetFocus(focus);
    if (IsArrow(key)) return true;  // the first arrow only shows where the focus is
  } else if (IsArrow(key) && !wasShown) {
    return true;
  }
  if (IsArrow(key)) {
    MoveFocus(key);
    return true;
  }
  return focusWidget == focus && focus->Activate();
}

void WidgetManager::PadButtonDown(int button, int pad) {
  NoteInput();
  const bool wasShown = focusShown;
  SetFocusShown(true);
  lastPad = pad;
  lastInputFromPad = true;
  if (Repeats(button)) {
    std::erase_if(heldPadButtons_, [&](const HeldPadButton& held) { return held.pad == pad && held.button == button; });
    heldPadButtons_.push_back({pad, button, updateCount});
  }
  DeliverPadButton(button, wasShown);
}

void WidgetManager::PadButtonUp(int button, int pad) {
  NoteInput();
  std::erase_if(heldPadButtons_, [&](const HeldPadButton& held) { return held.pad == pad && held.button == button; });
  if (focusWidget) focusWidget->PadButtonUp(button);
}

void WidgetManager::PadRemoved(int pad) {
  std::erase_if(heldPadButtons_, [&](const HeldPadButton& held) { return held.pad == pad; });
}

void WidgetManager::DeliverPadButton(int button, bool wasShown) {
  if (focusWidget && focusWidget->PadButtonDown(button)) return;
  if (const int key = PadKey(button)) RouteKey(key, wasShown);
}

void WidgetManager::RepeatHeldPadButtons() {
  if (heldPadButtons_.empty() || !hasFocus) return;
  // By index over a copy of the entry: a delivery may open a screen or release buttons.
  for (size_t i = 0; i < heldPadButtons_.size(); ++i) {
    const HeldPadButton held = heldPadButtons_[i];
    const int elapsed = updateCount - held.heldSince;
    if (elapsed >= kPadRepeatDelay && (elapsed - kPadRepeatDelay) % kPadRepeatInterval == 0)
      DeliverPadButton(held.button, true);
  }
}

void WidgetManager::KeepFocusInFront() {
  if (!focusShown) return;
  Widget* root = NavigationRoot();
  if (!root) return;
  if (focusWidget && focusWidget->IsWithin(root) && (!focusWidget->navigable || CanNavigateTo(focusWidget))) return;
  if (Widget* first = DefaultNavigable(root)) SetFocus(first);
}

void WidgetManager::KeyDown(int key) {
  NoteInput();
  if (key >= 0 && key < kTrackedKeys) keyDown[key] = true;
  lastInputFromPad = false;
  const bool wasShown = focusShown;
  if (!IsModifier(key)) SetFocusShown(true);
  RouteKey(key, wasShown);
}

}  // namespace Orva

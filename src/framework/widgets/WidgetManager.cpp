#include "framework/widgets/WidgetManager.h"

#include <algorithm>

#include "framework/graphics/Graphics.h"
#include "framework/graphics/Image.h"
#include "framework/widgets/Widget.h"

namespace Orva {

namespace {

constexpr int kKeyTab = 9;
constexpr int kKeyControl = 17;

constexpr int kLeftButton = 1;
constexpr int kRightButton = 2;
constexpr int kMiddleButton = 4;

int ButtonBit(int clickCount) {
  if (clickCount < 0) return kRightButton;
  if (clickCount == 3) return kMiddleButton;
  return kLeftButton;
}

// Stretched draws into an accelerated surface filter; into memory they take the nearest pixel.
void SetStretchModes(Graphics& g) {
  g.SetFastStretch(!g.is3D);
  g.SetBilinear(g.is3D);
}

}  // namespace

WidgetHost* gWidgetHost = nullptr;

WidgetManager::WidgetManager(WidgetHost* application) : app(application) {
  widgetManager = this;
  Resize(mouseSourceRect, mouseDestRect);
}

WidgetManager::~WidgetManager() {
  // The application is going away with its manager; the widgets outlive both and must not keep
  // pointing here. No cursor calls into a half-destroyed application.
  app = nullptr;
  RemoveAllWidgets(false, false);
  modalLayers.clear();
}

void WidgetManager::AttachSubtree(Widget* widget) {
  widget->widgetManager = this;
  widget->Attached(this);
  if (widget->widgetManager != this) return;  // its hook removed it again
  const std::vector<Widget*> snapshot(widget->children.begin(), widget->children.end());
  for (Widget* child : snapshot)
    if (child->parent == widget && child->widgetManager != this) AttachSubtree(child);
}

void WidgetManager::DetachSubtree(Widget* widget) {
  if (widget->widgetManager != this) return;
  const std::vector<Widget*> snapshot(widget->children.begin(), widget->children.end());
  for (Widget* child : snapshot)
    if (child->parent == widget) DetachSubtree(child);

  ForgetWidget(widget);
  for (ModalLayer& layer : modalLayers) {
    if (layer.prevModalWidget == widget) layer.prevModalWidget = nullptr;
    if (layer.prevFocusWidget == widget) layer.prevFocusWidget = nullptr;
  }
  widget->Detached(this);
  // Children its Detached hook added are let go as well.
  for (Widget* child : std::vector<Widget*>(widget->children.begin(), widget->children.end()))
    if (child->parent == widget) DetachSubtree(child);
  widget->MarkDirtyDeep();
  widget->widgetManager = nullptr;
}

void WidgetManager::EnterSequence(Widget* widget) {
  widget->isOver = true;
  widget->MouseEnter();
  if (widget->handCursorOnHover) widget->ShowHandCursor(true);
}

void WidgetManager::LeaveSequence(Widget* widget) {
  widget->isOver = false;
  widget->MouseLeave();
  if (widget->handCursorOnHover) widget->ShowHandCursor(false);
}

void WidgetManager::ClearHover() {
  Widget* old = hoverWidget;
  hoverWidget = nullptr;
  if (old) LeaveSequence(old);
}

void WidgetManager::ReleaseWidgetInput(Widget* widget) {
  if (!widget) return;
  if (widget == hoverWidget) ClearHover();
  if (widget == pressedWidget) {
    const int buttons = capturedButtons;
    pressedWidget = nullptr;
    capturedButtons = 0;
    ReleaseButtons(widget, buttons);
  }
  if (widget == focusWidget) {
    focusWidget = nullptr;
    widget->LostFocus();
  }
}

void WidgetManager::ForgetWidget(Widget* widget) {
  if (!widget) return;
  ReleaseWidgetInput(widget);
  if (widget == modalWidget) modalWidget = nullptr;
  if (widget == transientWidget) transientWidget = nullptr;
  if (widget == ctrlTabTarget) ctrlTabTarget = nullptr;
  for (PendingOverlay& overlay : pendingOverlays)
    if (overlay.widget == widget) overlay.widget = nullptr;
}

void WidgetManager::SetFocus(Widget* widget) {
  if (widget == focusWidget) return;
  Widget* old = focusWidget;
  focusWidget = nullptr;
  if (old) old->LostFocus();
  if (widget && widget->widgetManager == this) {
    focusWidget = widget;
    if (hasFocus) widget->GotFocus();
  }
  // The shown focus is drawn by the widgets that have it: both redraw.
  if (focusShown) {
    if (old && old->widgetManager == this) old->FocusLookChanged();
    if (focusWidget) focusWidget->FocusLookChanged();
  }
}

void WidgetManager::Resize(const Rect& source, const Rect& dest) {
  mouseSourceRect = source;
  mouseDestRect = dest;
  width = dest.width + 2 * dest.x;
  height = dest.height + 2 * dest.y;
}

void WidgetManager::RemapMouse(int& mx, int& my) const {
  if (mouseSourceRect.width != 0)
    mx = SaturateInt((int64_t(mx) - mouseSourceRect.x) * mouseDestRect.width / mouseSourceRect.width + mouseDestRect.x);
  if (mouseSourceRect.height != 0)
    my = SaturateInt((int64_t(my) - mouseSourceRect.y) * mouseDestRect.height / mouseSourceRect.height +
                     mouseDestRect.y);
}

int WidgetManager::GetWidgetFlags() const { return hasFocus ? defaultFlags : unfocusedMod.Apply(defaultFlags); }

FlagsRecord WidgetManager::GetFlagsRecord() const {
  FlagsRecord record;
  record.aboveModalFlags = GetWidgetFlags();
  record.belowModalFlags = belowModalMod.Apply(record.aboveModalFlags);
  record.pastModal = modalWidget == nullptr;
  return record;
}

bool WidgetManager::UpdateWidgets() {
  FlagsRecord flags = GetFlagsRecord();
  ++updateCount;
  // The manager's own Update is skipped: its updateCount counts frames, not calls.
  lastUpdateCount = updateCount;
  RepeatHeldPadButtons();
  KeepFocusInFront();
  UpdateTree(&flags);
  return dirty;
}

bool WidgetManager::UpdateFrameSmooth(float fraction) {
  FlagsRecord flags = GetFlagsRecord();
  UpdateSmoothAll(&flags, fraction);
  return dirty;
}

bool WidgetManager::DrawDirtyWidgets() {
  lastDrawnRect = Rect();
  lastDrawnPixels = 0;
  if (!screenImage) return false;

  FlagsRecord flags = GetFlagsRecord();
  const bool anyDirty = std::any_of(children.begin(), children.end(), [](Widget* w) { return w->dirty; });
  pendingOverlays.clear();
  minPendingOverlayPriority = INT_MAX;

  Graphics screen(screenImage);
  currentGraphics = &screen;
  const Rect screenArea(0, 0, screenImage->width, screenImage->height);
  bool drew = false;
  if (anyDirty) {
    Graphics base(screen);
    base.Translate(-mouseDestRect.x, -mouseDestRect.y);
    for (Widget* widget : children) {
      if (widget == modalWidget) flags.pastModal = true;
      if (!widget->dirty) continue;
      if (widget->visible) {
        Graphics g(base);
        SetStretchModes(g);
        g.Translate(widget->x, widget->y);
        Rect drawn(0, 0, widget->width, widget->height);
        if (widget->dirtyAreaOnly) {
          drawn = widget->dirtyArea;
          g.IntersectClip(drawn.x, drawn.y, drawn.width, drawn.height);
          widget->dirtyAreaOnly = false;
        }
        widget->DrawTree(&flags, &g);
        drew = true;
        const Rect onScreen = Rect(widget->x + drawn.x - mouseDestRect.x, widget->y + drawn.y - mouseDestRect.y,
                                   drawn.width, drawn.height)
                                  .Intersection(screenArea);
        if (!onScreen.IsEmpty()) {
          lastDrawnRect = BoundingRect(lastDrawnRect, onScreen);
          lastDrawnPixels += int64_t(onScreen.width) * onScreen.height;
        }
        widget->dirty = false;
      } else {
        ClearDirtyTree(widget);
      }
    }
  }
  DrawPendingOverlays(INT_MAX);
  currentGraphics = nullptr;
  // Every mark has been drawn; without this UpdateWidgets would report dirty forever.
  dirty = false;
  return drew;
}

void WidgetManager::AddPendingOverlay(Widget* widget, int overlayPriority) {
  if (!widget) return;
  pendingOverlays.push_back({widget, overlayPriority});
  minPendingOverlayPriority = std::min(minPendingOverlayPriority, overlayPriority);
}

void WidgetManager::DrawPendingOverlays(int maxPriority) {
  if (!currentGraphics) return;
  while (!pendingOverlays.empty() && (minPendingOverlayPriority < maxPriority || maxPriority == INT_MAX)) {
    const int current = minPendingOverlayPriority;
    // By index: an overlay may ask for further overlays while it draws.
    for (size_t i = 0; i < pendingOverlays.size(); ++i) {
      const PendingOverlay entry = pendingOverlays[i];
      if (!entry.widget || entry.priority != current) continue;
      pendingOverlays[i].widget = nullptr;
      Graphics g(*currentGraphics);
      SetStretchModes(g);
      const Point pos = entry.widget->GetScreenPos();
      g.Translate(pos.x - mouseDestRect.x, pos.y - mouseDestRect.y);
      entry.widget->DrawOverlay(&g, entry.priority);
    }
    int next = INT_MAX;
    for (const PendingOverlay& entry : pendingOverlays)
      if (entry.widget) next = std::min(next, entry.priority);
    minPendingOverlayPriority = next;
    if (next == INT_MAX) pendingOverlays.clear();
  }
}

void WidgetManager::InvalidateAll() { MarkTreeDirty(); }

Widget* WidgetManager::FindIn(WidgetContainer* container, int mx, int my, int flags, bool& belowModal, int* localX,
                              int* localY) {
  const int containerFlags = container->flagsMod.Apply(flags);
  for (auto it = container->children.rbegin(); it != container->children.rend(); ++it) {
    Widget* child = *it;
    // A child holding the modal widget somewhere inside is itself drawn before it.
    const bool holdsModal = !belowModal && modalWidget && child != modalWidget && modalWidget->IsWithin(child);
    int childFlags = child->flagsMod.Apply(containerFlags);
    if (belowModal) childFlags = belowModalMod.Apply(childFlags);
    if (child->visible && (childFlags & kAllowMouse)) {
      if (Widget* hit = FindIn(child, mx - child->x, my - child->y, childFlags, belowModal, localX, localY)) return hit;
      if (holdsModal) childFlags = belowModalMod.Apply(childFlags);
      if ((childFlags & kAllowMouse) && child->hittable && child->GetHitRect().Contains(mx, my) &&
          child->HitsPoint(mx - child->x, my - child->y)) {
        if (localX) *localX = mx - child->x;
        if (localY) *localY = my - child->y;
        return child;
      }
    }
    if (child == modalWidget || holdsModal) belowModal = true;
  }
  return nullptr;
}

Widget* WidgetManager::FindAnyWidgetAt(int mx, int my, int* localX, int* localY) {
  bool belowModal = false;
  return FindIn(this, mx, my, GetWidgetFlags(), belowModal, localX, localY);
}

Widget* WidgetManager::FindWidgetAt(int mx, int my, int* localX, int* localY) {
  Widget* widget = FindAnyWidgetAt(mx, my, localX, localY);
  return widget && widget->disabled ? nullptr : widget;
}

void WidgetManager::TrackMouseAt(int mx, int my) {
  const bool moved = mx != lastMouseX || my != lastMouseY;
  lastMouseX = mx;
  lastMouseY = my;
  int localX = 0, localY = 0;
  Widget* widget = FindWidgetAt(mx, my, &localX, &localY);
  if (widget == hoverWidget) {
    if (!moved || !widget) return;
  } else {
    ClearHover();
    // The leave hook may have taken the new widget out of the tree.
    if (widget && widget->widgetManager != this) return;
    hoverWidget = widget;
    if (widget) EnterSequence(widget);
  }
  if (widget && widget == hoverWidget) widget->MouseMove(localX, localY);
}

void WidgetManager::TrackUnlessPressed(int mx, int my) {
  if (pressedWidget) {
    lastMouseX = mx;
    lastMouseY = my;
  } else {
    TrackMouseAt(mx, my);
  }
}

void WidgetManager::MouseMove(int mx, int my) {
  NoteInput();
  // The mouse in hand again: the keyboard's focus look goes until a key or pad button comes.
  if (mx != lastMouseX || my != lastMouseY) {
    SetFocusShown(false);
    lastInputFromPad = false;
  }
  if (heldButtons || capturedButtons) {
    MouseDrag(mx, my);
    return;
  }
  mouseIn = true;
  TrackMouseAt(mx, my);
}

void WidgetManager::MouseDrag(int mx, int my) {
  NoteInput();
  mouseIn = true;
  lastMouseX = mx;
  lastMouseY = my;
  if (hoverWidget && hoverWidget != pressedWidget) ClearHover();
  Widget* pressed = pressedWidget;
  if (!pressed) return;
  const Point pos = pressed->GetScreenPos();
  pressed->MouseDrag(mx - pos.x, my - pos.y);
  if (pressedWidget != pressed) return;  // released or removed by its own drag
  if (FindWidgetAt(mx, my) == pressed) {
    if (!hoverWidget) {
      hoverWidget = pressed;
      EnterSequence(pressed);
    }
  } else {
    ClearHover();
  }
}

void WidgetManager::MouseDown(int mx, int my, int clickCount) {
  NoteInput();
  const int bit = ButtonBit(clickCount);
  heldButtons |= bit;
  // While another button holds a widget, only that widget may be the hover widget.
  TrackUnlessPressed(mx, my);

  if (Widget* transient = transientWidget) {
    const Point pos = transient->GetScreenPos();
    if (!Rect(pos.x, pos.y, transient->width, transient->height).Contains(mx, my)) {
      transientWidget = nullptr;
      if (transient->parent) transient->parent->RemoveWidget(transient);
    }
  }

  int localX = 0, localY = 0;
  Widget* widget = pressedWidget;
  if (widget) {
    const Point pos = widget->GetScreenPos();
    localX = mx - pos.x;
    localY = my - pos.y;
  } else {
    widget = FindWidgetAt(mx, my, &localX, &localY);
  }
  capturedButtons |= bit;
  lastPressedButton = bit == kRightButton ? -1 : bit == kMiddleButton ? 2 : 1;
  pressedWidget = widget;
  if (!widget) return;
  if (widget->TakesFocusOnClick()) SetFocus(widget);
  if (pressedWidget != widget) return;  // the focus change took it out of the tree
  widget->isDown = true;
  widget->MouseDown(localX, localY, clickCount);
}

void WidgetManager::MouseUp(int mx, int my, int clickCount) {
  NoteInput();
  const int bit = ButtonBit(clickCount);
  heldButtons &= ~bit;
  Widget* pressed = pressedWidget;
  if (pressed && (capturedButtons & bit)) {
    capturedButtons &= ~bit;
    if (!capturedButtons) pressedWidget = nullptr;
    pressed->isDown = false;
    // Widget coordinates, as for MouseDown and MouseDrag, also for nested widgets.
    const Point pos = pressed->GetScreenPos();
    pressed->MouseUp(mx - pos.x, my - pos.y, clickCount);
  } else {
    capturedButtons &= ~bit;
  }
  TrackUnlessPressed(mx, my);
}

void WidgetManager::ReleaseButtons(Widget* widget, int buttons) {
  if (!widget) return;
  static constexpr int kBits[] = {kLeftButton, kRightButton, kMiddleButton};
  static constexpr int kCounts[] = {1, -1, 3};
  for (int i = 0; i < 3; ++i) {
    if (!(buttons & kBits[i])) continue;
    widget->isDown = false;
    const Point pos = widget->GetScreenPos();
    widget->MouseUp(lastMouseX - pos.x, lastMouseY - pos.y, kCounts[i]);
  }
}

void WidgetManager::ReleaseMouseButtons() {
  Widget* pressed = pressedWidget;
  const int buttons = capturedButtons;
  pressedWidget = nullptr;
  capturedButtons = 0;
  if (pressed && buttons) ReleaseButtons(pressed, buttons);
}

void WidgetManager::MouseWheel(int delta) {
  NoteInput();
  if (focusWidget) focusWidget->MouseWheel(delta);
}

void WidgetManager::MouseLeftWindow() {
  NoteInput();
  mouseIn = false;
  ClearHover();
}

void WidgetManager::RecheckMouse() {
  if (!pressedWidget) {
    if (mouseIn) TrackMouseAt(lastMouseX, lastMouseY);
  } else if (hoverWidget && FindWidgetAt(lastMouseX, lastMouseY) != pressedWidget) {
    ClearHover();
  }
}

void WidgetManager::KeyUp(int key) {
  NoteInput();
  if (key >= 0 && key < kTrackedKeys) keyDown[key] = false;
  if (key == kKeyTab && keyDown[kKeyControl]) return;
  if (focusWidget) focusWidget->KeyUp(key);
}

void WidgetManager::KeyChar(char c) {
  NoteInput();
  if (c == '\t' && keyDown[kKeyControl]) {
    if (ctrlTabTarget) ctrlTabTarget->KeyChar('\t');
    return;
  }
  if (focusWidget) focusWidget->KeyChar(c);
}

void WidgetManager::GotFocus() {
  if (hasFocus) return;
  hasFocus = true;
  if (focusWidget) focusWidget->GotFocus();
}

void WidgetManager::LostFocus() {
  if (!hasFocus) return;
  heldButtons = 0;
  // Keys held while the application loses the keyboard would otherwise never come up.
  for (int key = 0; key < kTrackedKeys; ++key)
    if (keyDown[key]) KeyUp(key);
  hasFocus = false;
  heldPadButtons_.clear();
  if (focusWidget) focusWidget->LostFocus();
}

void WidgetManager::CutOffBelowModal(const FlagsMod& mod) {
  if (!modalWidget) return;
  if (mod.removeFlags & kAllowMouse) {
    if (hoverWidget && IsDrawnBefore(hoverWidget, modalWidget)) ClearHover();
    if (pressedWidget && IsDrawnBefore(pressedWidget, modalWidget)) {
      Widget* pressed = pressedWidget;
      const int buttons = capturedButtons;
      pressedWidget = nullptr;
      capturedButtons = 0;
      ReleaseButtons(pressed, buttons);
    }
  }
  if ((mod.removeFlags & kAllowFocus) && focusWidget && modalWidget && IsDrawnBefore(focusWidget, modalWidget)) {
    Widget* focused = focusWidget;
    focusWidget = nullptr;
    focused->LostFocus();
  }
}

void WidgetManager::PushModalLayer(Widget* widget) { PushModalLayer(widget, defaultBelowModalMod); }

void WidgetManager::PushModalLayer(Widget* widget, const FlagsMod& mod) {
  if (!widget) return;
  modalLayers.push_back({widget, modalWidget, focusWidget, belowModalMod});
  modalWidget = widget;
  belowModalMod = mod;
  CutOffBelowModal(mod);
}

void WidgetManager::PopModalLayer(Widget* widget) {
  if (modalLayers.empty() || modalLayers.back().widget != widget) return;
  // A focus given inside the layer (by the keyboard's navigation) goes back to where it was.
  if (focusWidget && focusWidget->IsWithin(widget)) SetFocus(nullptr);
  // A layer whose previous modal widget is gone belongs to a widget already removed: it goes too.
  while (!modalLayers.empty()) {
    const ModalLayer layer = modalLayers.back();
    modalLayers.pop_back();
    modalWidget = layer.prevModalWidget;
    belowModalMod = layer.prevBelowModalMod;
    CutOffBelowModal(belowModalMod);
    if (!focusWidget && layer.prevFocusWidget) SetFocus(layer.prevFocusWidget);
    if (layer.prevModalWidget) break;
  }
}

}  // namespace Orva

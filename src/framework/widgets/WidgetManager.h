#pragma once

#include <climits>
#include <cstdint>
#include <vector>

#include "framework/graphics/Rect.h"
#include "framework/widgets/Flags.h"
#include "framework/widgets/WidgetContainer.h"
#include "framework/widgets/WidgetHost.h"

namespace Orva {

class Graphics;
class Image;
class Widget;

// The root of the widget tree. The application feeds it input in widget coordinates (RemapMouse),
// updates it once per tick (UpdateWidgets) and fractionally per frame (UpdateFrameSmooth), and has
// it redraw the dirty top-level widgets into the back buffer (DrawDirtyWidgets). It decides which
// widget is under the mouse (hoverWidget), which holds the mouse while a button is down
// (pressedWidget), which has the keyboard (focusWidget), and how modal widgets cut off the ones
// below them.
//
// Removing a widget from the tree clears every pointer the manager holds to it (hover, pressed,
// focus, modal, the modal layers' saved widgets, transient, Ctrl+Tab target, pending overlays)
// before its Detached hook runs. A modal layer keeps its own widget only as a key for
// PopModalLayer; it is never used through that pointer.
class WidgetManager : public WidgetContainer {
 public:
  struct PendingOverlay {
    Widget* widget = nullptr;
    int priority = 0;
  };
  struct ModalLayer {
    Widget* widget = nullptr;
    Widget* prevModalWidget = nullptr;
    Widget* prevFocusWidget = nullptr;
    FlagsMod prevBelowModalMod;
  };

  Widget* ctrlTabTarget = nullptr;      // receives Ctrl+Tab characters
  Graphics* currentGraphics = nullptr;  // during DrawDirtyWidgets only
  WidgetHost* app = nullptr;            // the application; not owned; may be null
  Image* screenImage = nullptr;         // the back buffer; null while the display is rebuilt
  Widget* transientWidget = nullptr;    // removed when the mouse is pressed outside it
  std::vector<PendingOverlay> pendingOverlays;
  int minPendingOverlayPriority = INT_MAX;
  bool hasFocus = true;  // the application has the keyboard focus
  Widget* focusWidget = nullptr;
  Widget* pressedWidget = nullptr;
  Widget* hoverWidget = nullptr;
  Widget* modalWidget = nullptr;
  FlagsMod unfocusedMod;  // applied to all flags while the application lacks the focus
  FlagsMod belowModalMod;
  FlagsMod defaultBelowModalMod{0, kAllowMouse | kAllowFocus};
  std::vector<ModalLayer> modalLayers;
  // Mouse mapping (Resize): window positions in the source become widget positions in the dest.
  Rect mouseDestRect{0, 0, 640, 480};
  Rect mouseSourceRect{0, 0, 640, 480};
  bool mouseIn = false;
  int lastMouseX = 0;
  int lastMouseY = 0;
  int capturedButtons = 0;  // bits 1 left, 2 right, 4 middle
  int heldButtons = 0;
  int lastInputUpdateCount = 0;
  int lastPressedButton = 0;  // 1 left, -1 right, 2 middle
  static constexpr int kTrackedKeys = 255;
  bool keyDown[kTrackedKeys] = {};  // key codes 0 to 254
  int defaultFlags = kDefaultWidgetFlags;
  // What the last DrawDirtyWidgets drew, for partial presents: the union of the top-level widgets
  // it drew in screen (back buffer) coordinates, clipped to the screen, and the sum of their
  // clipped areas. Empty and 0 when it drew nothing. Overlays drawn beyond their widget's own
  // top-level widget are not counted.
  Rect lastDrawnRect;
  int64_t lastDrawnPixels = 0;
  // Keyboard and pad navigation (WidgetNavigation.cpp). While focusShown the focused widget looks
  // hovered: keys and pad buttons show it, a move of the mouse hides it. lastPad is the pad whose
  // button came last (-1: none yet).
  bool focusShown = false;
  int lastPad = -1;
  bool lastInputFromPad = false;  // the last key, pad button or mouse move came from a pad
  // A held pad direction repeats like a held key: after the delay, every interval (updates).
  static constexpr int kPadRepeatDelay = 35;
  static constexpr int kPadRepeatInterval = 5;

  explicit WidgetManager(WidgetHost* application = nullptr);
  ~WidgetManager() override;

  void ForgetWidget(Widget* widget) override;
  // Null clears the focus. A widget not attached to this manager clears it too.
  void SetFocus(Widget* widget) override;

  void SetScreenImage(Image* image) { screenImage = image; }
  // The manager becomes (dest.w + 2 dest.x) by (dest.h + 2 dest.y); mouse positions map from the
  // source rectangle onto the destination rectangle.
  void Resize(const Rect& source, const Rect& dest);
  void RemapMouse(int& mx, int& my) const;

  // Each returns whether anything is dirty (DrawDirtyWidgets: whether anything was drawn).
  bool UpdateWidgets();
  bool UpdateFrameSmooth(float fraction);
  bool DrawDirtyWidgets();

  // Positions in manager coordinates. clickCount: 1 left, 2 double left, -1 right, -2 double
  // right, 3 middle.
  void MouseMove(int mx, int my);
  void MouseDrag(int mx, int my);
  void MouseDown(int mx, int my, int clickCount);
  void MouseUp(int mx, int my, int clickCount);
  void MouseWheel(int delta);
  void MouseLeftWindow();
  void TrackMouseAt(int mx, int my);
  void RecheckMouse();
  void ReleaseMouseButtons();
  // Gives the widget MouseUp for each of the button bits, at the last mouse position.
  void ReleaseButtons(Widget* widget, int buttons);

  void KeyDown(int key);
  void KeyUp(int key);
  void KeyChar(char c);
  // button is a PadButton; pad the pad's number.
  void PadButtonDown(int button, int pad);
  void PadButtonUp(int button, int pad);
  // Its held buttons stop repeating.
  void PadRemoved(int pad);
  void GotFocus();
  void LostFocus();
  bool IsKeyDown(int key) const { return key >= 0 && key < kTrackedKeys && keyDown[key]; }

  void PushModalLayer(Widget* widget);
  void PushModalLayer(Widget* widget, const FlagsMod& mod);
  void PopModalLayer(Widget* widget);

  // The widget under the point, or null; localX/localY get the point in its coordinates. A
  // disabled widget found there gives null (the point does not fall through to what is below).
  Widget* FindWidgetAt(int mx, int my, int* localX = nullptr, int* localY = nullptr);
  Widget* FindAnyWidgetAt(int mx, int my, int* localX = nullptr, int* localY = nullptr);

  int GetWidgetFlags() const;
  FlagsRecord GetFlagsRecord() const;

  // Asks for widget->DrawOverlay(g, overlayPriority) later in this DrawDirtyWidgets: before the
  // first container whose priority is above it, or at the end.
  void AddPendingOverlay(Widget* widget, int overlayPriority);
  void DrawPendingOverlays(int maxPriority);

  void InvalidateAll();

  // ---- Navigation
  // Arrows move the focus between navigable widgets (Widget::navigable) of the screen in front,
  // to the nearest one in that direction; Enter and Space activate the focused one; Escape
  // activates the screen's cancel widget (Widget::navCancel). A focused widget that is not
  // navigable (a playing field) keeps every key, as does a navigable one for the keys it wants.
  void SetFocusShown(bool shown);
  // The screen the arrows move in: the modal widget, else the front-most visible top-level widget
  // that holds the focus or a navigable widget. Null when there is none.
  Widget* NavigationRoot();
  // Visible, enabled, in the tree and not cut off by a modal widget.
  bool CanNavigateTo(Widget* widget);
  // The widget root gives the focus first: its navDefault widget, else its first in reading order.
  Widget* DefaultNavigable(Widget* root);
  // To the nearest navigable widget that way (a KEYCODE arrow) from the focused one; whether it
  // moved.
  bool MoveFocus(int arrowKey);

  // Drops the hover, press and focus of a widget that stops taking input (disabled).
  void ReleaseWidgetInput(Widget* widget);

 private:
  friend class WidgetContainer;

  void AttachSubtree(Widget* widget);
  void DetachSubtree(Widget* widget);
  void NoteInput() { lastInputUpdateCount = updateCount; }
  void EnterSequence(Widget* widget);
  void LeaveSequence(Widget* widget);
  void ClearHover();
  // Clears what the current modal widget cuts off under mod.
  void CutOffBelowModal(const FlagsMod& mod);
  Widget* FindIn(WidgetContainer* container, int mx, int my, int flags, bool& belowModal, int* localX, int* localY);
  // Follows the mouse, except while a widget holds it (then only the position is noted).
  void TrackUnlessPressed(int mx, int my);

  struct HeldPadButton {
    int pad;
    int button;
    int heldSince;  // updateCount
  };
  // wasShown: whether the focus was shown before this key; a first arrow only shows it.
  void RouteKey(int key, bool wasShown);
  bool Navigate(int key, bool wasShown);
  void DeliverPadButton(int button, bool wasShown);
  void RepeatHeldPadButtons();
  // While the focus is shown it stays on the screen in front (a dialog that opens takes it).
  void KeepFocusInFront();
  // The navigable widgets under root (root too), in tree order, into navigables_.
  void CollectNavigable(Widget* root);

  std::vector<HeldPadButton> heldPadButtons_;
  std::vector<Widget*> navigables_;  // scratch for CollectNavigable, kept to spare allocations
  std::vector<Widget*> navPending_;
};

}  // namespace Orva

#pragma once

#include <string>
#include <vector>

#include "framework/graphics/Color.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/Rect.h"
#include "framework/widgets/WidgetContainer.h"

namespace Orva {

class Image;

struct Insets {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  Insets() = default;
  Insets(int left_, int top_, int right_, int bottom_) : left(left_), top(top_), right(right_), bottom(bottom_) {}
};

// Anything on screen. Input arrives in the widget's own coordinates (its top-left is 0, 0); a
// widget's Draw gets a Graphics translated to its top-left and clipped to it.
//
// Mouse buttons in the four-argument MouseDown/MouseUp: 0 left, 1 right, 2 middle. The manager's
// click count (1 left, 2 double left, -1 right, -2 double right, 3 middle) arrives through the
// three-argument forms, which translate it.
class Widget : public WidgetContainer {
 public:
  bool visible = true;
  bool hittable = true;  // the widget itself can be hit (its children still can when not)
  bool disabled = false;
  bool hasFocus = false;
  bool isDown = false;
  bool isOver = false;
  bool hasHoles = false;      // parts of its rectangle show what lies below
  std::vector<Color> colors;  // indexed by colour ids each kind of widget defines
  Insets hitInsets;           // shrink the rectangle used for hit testing
  bool handCursorOnHover = false;
  bool takesFocusOnClick = false;
  Widget* tabPrev = nullptr;  // focus order for Tab and Shift+Tab
  Widget* tabNext = nullptr;
  // Keyboard and pad navigation (the manager's arrows, Enter, Escape): the widget can be given
  // the focus by the arrows; it is the first to get it when its screen comes to the front; it is
  // what Escape (or the pad's east button) activates there, the screen's back or cancel action.
  bool navigable = false;
  bool navDefault = false;
  bool navCancel = false;

  Widget();
  // A widget deleted while still in a tree takes itself out first.
  ~Widget() override;

  virtual void ZOrderChanged();
  virtual void SetVisible(bool isVisible);
  virtual void SetColors(const int (*rgba)[4], int count);
  virtual void SetColors(const int (*rgb)[3], int count);
  virtual void SetColor(int index, const Color& color);
  virtual Color GetColor(int index, const Color& fallback);
  // Opaque black beyond the array.
  virtual const Color& GetColor(int index);
  virtual void SetDisabled(bool isDisabled);
  virtual void ShowHandCursor(bool show);
  virtual void Resize(const Rect& rect);
  virtual void Resize(int newX, int newY, int newWidth, int newHeight);
  virtual void Move(int newX, int newY);
  virtual bool TakesFocusOnClick();
  virtual void DrawOverlay(Graphics* g, int overlayPriority);
  virtual void DrawOverlay(Graphics* g);
  virtual void GotFocus();
  virtual void LostFocus();
  virtual void KeyChar(char c);
  // Tab moves the focus to tabNext, Shift+Tab to tabPrev.
  virtual void KeyDown(int key);
  virtual void KeyUp(int key);
  // Whether the widget itself uses this key while it has the focus. Arrows, Enter, Space and
  // Escape that it does not use move the focus or activate instead (see WidgetManager).
  virtual bool WantsKey(int key);
  // What Enter, Space or the pad's south button does to the focused widget; false when nothing.
  virtual bool Activate();
  // A pad button (a PadButton) while the widget has the focus; false leaves it to the manager,
  // which treats it as the key it stands for. Held directions repeat, as keys do.
  virtual bool PadButtonDown(int button);
  virtual void PadButtonUp(int button);
  // The focus is shown (keyboard or pad in use) or hidden (the mouse moved) while this widget
  // has it; the default redraws.
  virtual void FocusLookChanged();
  // Has the focus and the manager shows it.
  bool ShowsFocus() const;
  // A frame inside the widget's rectangle while it ShowsFocus, for widgets without a hover look
  // of their own.
  void DrawFocusFrame(Graphics* g, const Color& color);
  virtual void MouseEnter();
  virtual void MouseLeave();
  virtual void MouseMove(int mx, int my);
  virtual void MouseDown(int mx, int my, int button, int clickCount);
  virtual void MouseDown(int mx, int my, int clickCount);
  virtual void MouseUp(int mx, int my, int button, int clickCount);
  // Calls MouseUp(x, y), then the four-argument form.
  virtual void MouseUp(int mx, int my, int clickCount);
  virtual void MouseUp(int mx, int my);
  virtual void MouseDrag(int mx, int my);
  virtual void MouseWheel(int delta);
  // A widget of irregular shape refuses points (widget coordinates); they fall through to what
  // lies below.
  virtual bool HitsPoint(int mx, int my);

  // Centred horizontally in the widget at baseline textY: first in shadowColor moved by
  // shadowOffset, then in color. Returns the rectangle both cover.
  virtual Rect DrawCenteredText(Graphics* g, int textY, const std::string& text, const Color& color,
                                const Color& shadowColor, const Point& shadowOffset);
  // In the current colour, no shadow.
  virtual Rect DrawCenteredText(Graphics* g, int textY, const std::string& text);
  // The word-wrapping text operations of Graphics with colour codes switched on for the call.
  virtual int WriteWrapped(Graphics* g, const Rect& rect, const std::string& text, int lineSpacing = -1,
                           int justification = JUSTIFY_LEFT);
  virtual void DrawStringWrapped(Graphics* g, const std::string& text, int textX, int textY, int wrapWidth,
                                 int lineSpacing = -1, int justification = JUSTIFY_LEFT);
  virtual int GetWrappedHeight(Graphics* g, int wrapWidth, const std::string& text, int lineSpacing = -1);
  // Decimal digits of n, the sign not counted (1 for 0).
  virtual int CountDigits(int n);
  // Draws the digits of n (the sign is not drawn) from a strip holding 0 to 9 side by side, each
  // cell a tenth of its width, cells placed cell width + spacing apart.
  virtual void DrawDigitsFromStrip(Graphics* g, int n, int digitX, int digitY, Image* strip, int spacing);
  // In parent coordinates.
  virtual bool Contains(int px, int py);
  virtual Rect GetHitRect();
};

}  // namespace Orva

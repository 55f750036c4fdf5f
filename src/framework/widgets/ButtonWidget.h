#pragma once

#include <memory>
#include <string>

#include "framework/graphics/Font.h"
#include "framework/graphics/Rect.h"
#include "framework/widgets/ButtonListener.h"
#include "framework/widgets/Widget.h"

namespace Orva {

class Graphics;
class Image;

// The framework's push button: drawn as a plain bevelled rectangle or from pictures (separate
// pictures, or cells of one strip picture, for the normal, hover, pressed and disabled looks),
// optionally fading its hover picture in and out. It tells its listener of presses, releases
// (only those that end over the button), holding and hovering.
class ButtonWidget : public Widget {
 public:
  enum ColorId {
    COLOR_LABEL = 0,
    COLOR_LABEL_HILITE = 1,  // while hovered (and while pressed in picture mode)
    COLOR_DARK_OUTLINE = 2,
    COLOR_LIGHT_OUTLINE = 3,
    COLOR_MEDIUM_OUTLINE = 4,
    COLOR_BKG = 5,
  };
  enum LabelAlign { LABEL_CENTER = 0, LABEL_RIGHT = 1, LABEL_LEFT = 2 };

  int id = 0;
  // The shown keyboard focus is the hover look with this much of the same picture added again on
  // top (0..255): the hover looks of most pictures differ too little to be found at a glance, and
  // a dark picture needs more than a light one.
  int focusGlow = 80;
  std::string label;
  int labelAlign = LABEL_CENTER;
  std::unique_ptr<Font> font;  // made on the first draw with a label when not set
  Image* upPicture = nullptr;  // not owned
  Image* hoverPicture = nullptr;
  Image* pressedPicture = nullptr;
  Image* disabledPicture = nullptr;
  Rect upCell;  // cells of upPicture used instead of the separate pictures when their width is not 0
  Rect hoverCell;
  Rect pressedCell;
  Rect disabledCell;
  bool inverted = false;               // the released button shows the pressed look and the other way round
  bool noDraw = false;                 // draws nothing
  bool bareLabel = false;              // the plain look draws only the label
  ButtonListener* listener = nullptr;  // not owned
  double hoverBlend = 0;               // strength of the hover picture, 0..1
  double hoverFadeOut = 0;             // change of hoverBlend per update
  double hoverFadeIn = 0;

  ButtonWidget(int buttonId, ButtonListener* buttonListener);
  ~ButtonWidget() override;

  void Update() override;
  void Draw(Graphics* g) override;
  void SetDisabled(bool isDisabled) override;
  void MouseEnter() override;
  void MouseLeave() override;
  void MouseMove(int mx, int my) override;
  void MouseDown(int mx, int my, int button, int clickCount) override;
  void MouseUp(int mx, int my, int button, int clickCount) override;
  using Widget::MouseDown;
  using Widget::MouseUp;
  // Keyboard and pad focus: while shown it looks and sounds like the mouse over the button (the
  // listener hears a hover start and end); Enter, Space and the pad's south button press it.
  void GotFocus() override;
  void LostFocus() override;
  void FocusLookChanged() override;
  bool Activate() override;

  // Draws rect of upPicture at (x, y) when rect has a width, else the whole image.
  virtual void DrawButtonPart(Graphics* g, Image* image, const Rect& rect, int x, int y);
  // Keeps a copy of the font.
  virtual void SetFont(Font* newFont);
  virtual bool LooksPressed();

  // Under the mouse, or showing the keyboard's focus.
  bool LooksHovered() const { return isOver || ShowsFocus(); }
  bool HasUpLook() const { return upPicture != nullptr || upCell.width != 0; }
  bool HasOverLook() const { return hoverPicture != nullptr || hoverCell.width != 0; }
  bool HasDownLook() const { return pressedPicture != nullptr || pressedCell.width != 0; }
  bool HasDisabledLook() const { return disabledPicture != nullptr || disabledCell.width != 0; }

 protected:
  // Pictures drawn between the two calls are added on top at focusGlow's strength.
  void BeginFocusGlow(Graphics* g);
  void EndFocusGlow(Graphics* g);

 private:
  // Tells the listener of the focus look coming and going, as of the mouse's hover.
  void FollowFocusLook();

  bool focusHover_ = false;  // the listener heard a hover start for the focus look
};

}  // namespace Orva

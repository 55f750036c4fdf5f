#pragma once

#include "framework/graphics/Color.h"
#include "framework/graphics/Rect.h"
#include "framework/widgets/CheckboxListener.h"
#include "framework/widgets/Widget.h"

namespace Orva {

class Graphics;
class Image;

// A two-state toggle. Drawn from two pictures, from two cells of one picture, or (with no
// pictures) as a framed box with a cross. Every press toggles it, whatever the button and the
// click count, and the listener hears each change.
class Checkbox : public Widget {
 public:
  CheckboxListener* listener = nullptr;  // not owned
  int id = 0;
  bool checked = false;
  Image* uncheckedPicture = nullptr;  // not owned
  Image* checkedPicture = nullptr;
  // When checkedCell has a width, both looks are these cells of uncheckedPicture.
  Rect checkedCell;
  Rect uncheckedCell;
  // The plain look.
  Color outlineColor = Color::White;
  Color backgroundColor{80, 80, 80};
  Color checkColor{255, 255, 0};

  Checkbox(Image* unchecked, Image* checkedImage, int checkboxId, CheckboxListener* checkboxListener);

  // notify: tell the listener too.
  virtual void SetChecked(bool isChecked, bool notify = true);
  virtual bool IsChecked();

  void Draw(Graphics* g) override;
  void MouseDown(int mx, int my, int button, int clickCount) override;
  using Widget::MouseDown;
  // Enter, Space and the pad's south button toggle it, as a press does.
  bool Activate() override;
};

}  // namespace Orva

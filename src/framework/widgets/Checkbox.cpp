#include "framework/widgets/Checkbox.h"

#include "framework/graphics/Graphics.h"
#include "framework/graphics/Image.h"

namespace Orva {

Checkbox::Checkbox(Image* unchecked, Image* checkedImage, int checkboxId, CheckboxListener* checkboxListener)
    : listener(checkboxListener), id(checkboxId), uncheckedPicture(unchecked), checkedPicture(checkedImage) {
  handCursorOnHover = true;
  navigable = true;
}

bool Checkbox::Activate() {
  SetChecked(!checked);
  return true;
}

void Checkbox::SetChecked(bool isChecked, bool notify) {
  checked = isChecked;
  if (notify && listener) listener->OnCheckboxToggled(id, checked);
  MarkDirty();
}

bool Checkbox::IsChecked() { return checked; }

void Checkbox::MouseDown(int, int, int, int) { SetChecked(!checked, true); }

void Checkbox::Draw(Graphics* g) {
  const auto drawBox = [&] {
    if (!uncheckedPicture && !checkedPicture) {
      g->SetColor(outlineColor);
      g->FillRect(0, 0, width, height);
      g->SetColor(backgroundColor);
      g->FillRect(1, 1, width - 2, height - 2);
      if (checked) {
        g->SetColor(checkColor);
        g->DrawLine(1, 1, width - 2, height - 2);
        // Mirrors the first stroke inside the frame (starting at width - 1 would paint over the
        // frame's right edge and tilt the cross).
        g->DrawLine(width - 2, 1, 1, height - 2);
      }
      return;
    }
    if (checkedCell.width != 0) {
      if (uncheckedPicture) g->DrawImage(uncheckedPicture, 0, 0, checked ? checkedCell : uncheckedCell);
      return;
    }
    if (uncheckedPicture && checkedPicture) g->DrawImage(checked ? checkedPicture : uncheckedPicture, 0, 0);
  };
  drawBox();
  DrawFocusFrame(g, outlineColor);
}

}  // namespace Orva

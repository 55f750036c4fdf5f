#include "framework/widgets/DialogButton.h"

#include <memory>

#include "framework/fonts/SysFont.h"
#include "framework/graphics/Graphics.h"

namespace Orva {

namespace {

const char* const kDialogButtonFace = "Arial Unicode MS";
constexpr int kDialogButtonPoints = 12;
constexpr int kDialogButtonCharSet = 1;

}  // namespace

DialogButton::DialogButton(Image* framePicture_, int buttonId, ButtonListener* buttonListener)
    : ButtonWidget(buttonId, buttonListener), framePicture(framePicture_) {
  handCursorOnHover = true;
  colors = {Color(255, 255, 255), Color(255, 255, 255), Color(0, 0, 0),
            Color(255, 255, 255), Color(132, 132, 132), Color(212, 212, 212)};
}

void DialogButton::DrawFocusGlow(Graphics* g, const Rect& cell) {
  if (!ShowsFocus() || !framePicture) return;
  const Rect area(0, 0, width, height);
  BeginFocusGlow(g);
  if (cell.width != 0)
    g->DrawImageNineSlice(cell, area, framePicture);
  else
    g->DrawImageNineSlice(area, framePicture);
  EndFocusGlow(g);
}

void DialogButton::Draw(Graphics* g) {
  if (noDraw) return;
  if (!framePicture) {
    ButtonWidget::Draw(g);
    return;
  }
  if (!font && !label.empty())
    font = std::make_unique<SysFont>(nullptr, kDialogButtonFace, kDialogButtonPoints, kDialogButtonCharSet);

  const bool down = LooksPressed();
  const Rect area(0, 0, width, height);
  int shiftX = 0;
  int shiftY = 0;

  if (upCell.width != 0) {
    // A state without a cell of its own shows the normal cell rather than nothing.
    const auto cellOr = [this](const Rect& cell) { return cell.width != 0 ? cell : upCell; };
    if (disabled && disabledCell.width > 0 && disabledCell.height > 0) {
      g->DrawImageNineSlice(disabledCell, area, framePicture);
    } else if (down) {
      g->DrawImageNineSlice(cellOr(pressedCell), area, framePicture);
    } else if (hoverBlend > 0) {
      if (hoverBlend < 1) g->DrawImageNineSlice(upCell, area, framePicture);
      g->SetColor(Color(255, 255, 255, int(hoverBlend * 255)));
      g->SetTintImages(true);
      g->DrawImageNineSlice(cellOr(hoverCell), area, framePicture);
      g->SetTintImages(false);
    } else if (LooksHovered()) {
      g->DrawImageNineSlice(cellOr(hoverCell), area, framePicture);
    } else {
      g->DrawImageNineSlice(upCell, area, framePicture);
    }
    if (!down) DrawFocusGlow(g, cellOr(hoverCell));
    if (down) {
      shiftX = pressShiftX;
      shiftY = pressShiftY;
      g->Translate(shiftX, shiftY);
    }
  } else {
    if (down) {
      shiftX = pressShiftX;
      shiftY = pressShiftY;
      g->Translate(shiftX, shiftY);
    }
    g->DrawImageNineSlice(area, framePicture);
    if (!down) DrawFocusGlow(g, Rect());
  }

  if (font && !label.empty()) {
    g->SetFont(font.get());
    g->SetColor(GetColor(LooksHovered() ? COLOR_LABEL_HILITE : COLOR_LABEL));
    const int ascent = font->GetAscent();
    const int labelX = (width - font->StringWidth(label)) / 2 + labelShiftX;
    const int labelY = labelShiftY + (ascent + height - ascent / 6 - font->GetAscentPadding() - 1) / 2;
    g->DrawString(label, labelX, labelY);
  }
  g->Translate(-shiftX, -shiftY);
}

}  // namespace Orva

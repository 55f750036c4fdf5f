#include "framework/widgets/ButtonWidget.h"

#include <algorithm>

#include "framework/fonts/SysFont.h"
#include "framework/graphics/Graphics.h"
#include "framework/widgets/WidgetManager.h"

namespace Orva {

namespace {

const char* const kButtonFace = "Arial Unicode MS";
constexpr int kButtonPoints = 10;

// Steps such as 0.1 do not add up to exactly 1 in binary; a blend this close to either end is
// taken as being there, so ten steps of 0.1 make a full fade and not eleven.
constexpr double kBlendSnap = 1e-9;

double SnapBlend(double blend) {
  if (blend >= 1 - kBlendSnap) return 1;
  if (blend <= kBlendSnap) return 0;
  return blend;
}

}  // namespace

ButtonWidget::ButtonWidget(int buttonId, ButtonListener* buttonListener) : id(buttonId), listener(buttonListener) {
  notOpaque = true;
  navigable = true;
  colors = {Color(0, 0, 0),       Color(0, 0, 0),       Color(0, 0, 0),
            Color(255, 255, 255), Color(132, 132, 132), Color(212, 212, 212)};
}

ButtonWidget::~ButtonWidget() = default;

void ButtonWidget::SetFont(Font* newFont) {
  font.reset(newFont ? newFont->Duplicate() : nullptr);
  MarkDirty();
}

bool ButtonWidget::LooksPressed() { return isDown && isOver && !disabled; }

void ButtonWidget::DrawButtonPart(Graphics* g, Image* image, const Rect& rect, int partX, int partY) {
  if (rect.width != 0) {
    if (upPicture) g->DrawImage(upPicture, partX, partY, rect);
  } else if (image) {
    g->DrawImage(image, partX, partY);
  }
}

void ButtonWidget::SetDisabled(bool isDisabled) {
  Widget::SetDisabled(isDisabled);
  if (HasDisabledLook()) MarkDirty();
}

void ButtonWidget::MouseEnter() {
  if (hoverFadeIn == 0 && hoverBlend > 0) hoverBlend = 0;
  if (isDown || HasOverLook() || GetColor(COLOR_LABEL) != GetColor(COLOR_LABEL_HILITE)) MarkDirty();
  if (listener) listener->OnButtonHoverStart(id);
}

void ButtonWidget::MouseLeave() {
  if (hoverFadeOut == 0 && hoverBlend > 0) hoverBlend = 0;
  // A button left at once after a plain (unfaded) hover still fades its hover picture out.
  if (hoverFadeOut > 0 && hoverBlend == 0) hoverBlend = 1;
  if (isDown || HasOverLook() || GetColor(COLOR_LABEL) != GetColor(COLOR_LABEL_HILITE)) MarkDirty();
  if (listener) listener->OnButtonHoverEnd(id);
}

void ButtonWidget::MouseMove(int mx, int my) {
  if (listener) listener->OnButtonHoverMove(id, mx, my);
}

void ButtonWidget::MouseDown(int mx, int my, int button, int clickCount) {
  (void)mx;
  (void)my;
  // The listener hears the manager's numbering (negative for the right button, 3 for the middle
  // one), as ButtonListener documents, so it can tell the buttons apart.
  const int reported = button == 1 ? -clickCount : button == 2 ? 3 : clickCount;
  if (listener) listener->OnButtonMousePressed(id, reported);
  MarkDirty();
}

void ButtonWidget::MouseUp(int mx, int my, int button, int clickCount) {
  (void)mx;
  (void)my;
  (void)button;
  (void)clickCount;
  // Only a release over the button counts, and none while another program has the focus.
  if (isOver && widgetManager && widgetManager->hasFocus && listener) listener->OnButtonReleased(id);
  MarkDirty();
}

void ButtonWidget::GotFocus() {
  Widget::GotFocus();
  FollowFocusLook();
}

void ButtonWidget::LostFocus() {
  Widget::LostFocus();
  FollowFocusLook();
}

void ButtonWidget::FocusLookChanged() {
  Widget::FocusLookChanged();
  FollowFocusLook();
}

void ButtonWidget::FollowFocusLook() {
  const bool shown = ShowsFocus();
  if (shown == focusHover_) return;
  focusHover_ = shown;
  MarkDirty();
  // Under the mouse the listener has heard of the hover already.
  if (isOver || !listener) return;
  if (shown)
    listener->OnButtonHoverStart(id);
  else
    listener->OnButtonHoverEnd(id);
}

void ButtonWidget::BeginFocusGlow(Graphics* g) {
  g->SetDrawMode(DRAWMODE_ADDITIVE);
  g->SetColor(Color(255, 255, 255, focusGlow));
  g->SetTintImages(true);
}

void ButtonWidget::EndFocusGlow(Graphics* g) {
  g->SetTintImages(false);
  g->SetDrawMode(DRAWMODE_NORMAL);
}

bool ButtonWidget::Activate() {
  if (disabled || !listener) return false;
  MarkDirty();
  // Copies: the listener may delete this button when it hears the press.
  ButtonListener* const heard = listener;
  const int buttonId = id;
  heard->OnButtonMousePressed(buttonId, 1);
  heard->OnButtonReleased(buttonId);
  return true;
}

void ButtonWidget::Update() {
  Widget::Update();
  if (isDown && isOver && listener) listener->OnButtonHeld(id);

  if (LooksHovered()) {
    if (hoverFadeIn > 0 && hoverBlend < 1) {
      hoverBlend = SnapBlend(std::min(1.0, hoverBlend + hoverFadeIn));
      MarkDirty();
    }
  } else if (!isDown) {
    if (hoverBlend > 0) {
      hoverBlend = hoverFadeOut > 0 ? SnapBlend(std::max(0.0, hoverBlend - hoverFadeOut)) : 0;
      MarkDirty();
    }
  }
}

void ButtonWidget::Draw(Graphics* g) {
  if (noDraw) return;
  if (!font && !label.empty()) font = std::make_unique<SysFont>(nullptr, kButtonFace, kButtonPoints, 0);

  const bool down = LooksPressed() != inverted;

  int labelX = 0;
  int labelY = 0;
  if (font) {
    const int labelWidth = font->StringWidth(label);
    if (labelAlign == LABEL_CENTER)
      labelX = (width - labelWidth) / 2;
    else if (labelAlign == LABEL_RIGHT)
      labelX = width - labelWidth;
    const int ascent = font->GetAscent();
    labelY = (ascent + height - ascent / 6 - 1) / 2;
  }
  g->SetFont(font.get());

  Color labelColor;
  if (upPicture || pressedPicture) {
    if (down) {
      if (HasDownLook())
        DrawButtonPart(g, pressedPicture, pressedCell, 0, 0);
      else if (HasOverLook())
        DrawButtonPart(g, hoverPicture, hoverCell, 1, 1);
      else
        DrawButtonPart(g, upPicture, upCell, 1, 1);
      labelColor = GetColor(COLOR_LABEL_HILITE);
      ++labelX;
      ++labelY;
    } else {
      if (disabled && HasDisabledLook()) {
        DrawButtonPart(g, disabledPicture, disabledCell, 0, 0);
      } else if (hoverBlend > 0 && HasOverLook()) {
        if (hoverBlend < 1 && HasUpLook()) DrawButtonPart(g, upPicture, upCell, 0, 0);
        g->SetColor(Color(255, 255, 255, int(hoverBlend * 255)));
        g->SetTintImages(true);
        DrawButtonPart(g, hoverPicture, hoverCell, 0, 0);
        g->SetTintImages(false);
      } else if ((LooksHovered() || isDown) && HasOverLook()) {
        DrawButtonPart(g, hoverPicture, hoverCell, 0, 0);
      } else if (HasUpLook()) {
        DrawButtonPart(g, upPicture, upCell, 0, 0);
      }
      if (ShowsFocus() && (HasOverLook() || HasUpLook())) {
        BeginFocusGlow(g);
        if (HasOverLook())
          DrawButtonPart(g, hoverPicture, hoverCell, 0, 0);
        else
          DrawButtonPart(g, upPicture, upCell, 0, 0);
        EndFocusGlow(g);
      }
      labelColor = GetColor(LooksHovered() ? COLOR_LABEL_HILITE : COLOR_LABEL);
    }
  } else {
    if (!bareLabel) {
      g->SetColor(GetColor(COLOR_BKG));
      g->FillRect(0, 0, width, height);
    }
    if (down) {
      if (!bareLabel) {
        g->SetColor(GetColor(COLOR_DARK_OUTLINE));
        g->FillRect(0, 0, width - 1, 1);
        g->FillRect(0, 0, 1, height - 1);
        g->SetColor(GetColor(COLOR_LIGHT_OUTLINE));
        g->FillRect(0, height - 1, width, 1);
        g->FillRect(width - 1, 0, 1, height);
        g->SetColor(GetColor(COLOR_MEDIUM_OUTLINE));
        g->FillRect(1, 1, width - 3, 1);
        g->FillRect(1, 1, 1, height - 3);
      }
      ++labelX;
      ++labelY;
    } else if (!bareLabel) {
      g->SetColor(GetColor(COLOR_LIGHT_OUTLINE));
      g->FillRect(0, 0, width - 1, 1);
      g->FillRect(0, 0, 1, height - 1);
      g->SetColor(GetColor(COLOR_DARK_OUTLINE));
      g->FillRect(0, height - 1, width, 1);
      g->FillRect(width - 1, 0, 1, height);
      g->SetColor(GetColor(COLOR_MEDIUM_OUTLINE));
      g->FillRect(1, height - 2, width - 2, 1);
      g->FillRect(width - 2, 1, 1, height - 2);
    }
    labelColor = GetColor(LooksHovered() ? COLOR_LABEL_HILITE : COLOR_LABEL);
    // The plain look has no hover picture: the focus is a frame in the label's colour.
    if (!bareLabel && ShowsFocus()) DrawFocusFrame(g, GetColor(COLOR_DARK_OUTLINE));
  }

  if (!label.empty()) {
    g->SetColor(labelColor);
    g->DrawString(label, labelX, labelY);
  }
}

}  // namespace Orva

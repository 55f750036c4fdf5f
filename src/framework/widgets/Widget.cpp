#include "framework/widgets/Widget.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "framework/graphics/Font.h"
#include "framework/graphics/Image.h"
#include "framework/widgets/WidgetManager.h"

namespace Orva {

namespace {

constexpr int kKeyTab = 9;
constexpr int kKeyShift = 16;

}  // namespace

Widget::Widget() = default;

Widget::~Widget() {
  if (parent) parent->RemoveWidget(this);
}

void Widget::ZOrderChanged() {}

void Widget::SetVisible(bool isVisible) {
  if (visible == isVisible) return;
  visible = isVisible;
  if (visible)
    MarkDirty();
  else
    MarkDirtyDeep();
  if (widgetManager) widgetManager->RecheckMouse();
}

void Widget::SetColors(const int (*rgba)[4], int count) {
  colors.clear();
  for (int i = 0; rgba && i < count; ++i) colors.emplace_back(rgba[i][0], rgba[i][1], rgba[i][2], rgba[i][3]);
  MarkDirty();
}

void Widget::SetColors(const int (*rgb)[3], int count) {
  colors.clear();
  for (int i = 0; rgb && i < count; ++i) colors.emplace_back(rgb[i][0], rgb[i][1], rgb[i][2], 255);
  MarkDirty();
}

void Widget::SetColor(int index, const Color& color) {
  if (index < 0) return;
  if (size_t(index) >= colors.size()) colors.resize(size_t(index) + 1);
  colors[size_t(index)] = color;
  MarkDirty();
}

Color Widget::GetColor(int index, const Color& fallback) {
  if (index < 0 || size_t(index) >= colors.size()) return fallback;
  return colors[size_t(index)];
}

const Color& Widget::GetColor(int index) {
  static const Color kMissing = Color::Black;
  if (index < 0 || size_t(index) >= colors.size()) return kMissing;
  return colors[size_t(index)];
}

void Widget::SetDisabled(bool isDisabled) {
  if (disabled == isDisabled) return;
  disabled = isDisabled;
  // Hover, press and focus go; a disabled modal widget keeps its cut-off (it is still shown).
  if (disabled && widgetManager) widgetManager->ReleaseWidgetInput(this);
  MarkDirty();
  if (!disabled && widgetManager) {
    // The mouse may be resting on the widget; it should light up without waiting for a move.
    const Point p = GetScreenPos();
    if (Rect(p.x, p.y, width, height).Contains(widgetManager->lastMouseX, widgetManager->lastMouseY))
      widgetManager->RecheckMouse();
  }
}

void Widget::ShowHandCursor(bool show) {
  if (widgetManager && widgetManager->app) widgetManager->app->SetCursorKind(show ? CURSOR_HAND : CURSOR_POINTER);
}

void Widget::Resize(const Rect& rect) { Resize(rect.x, rect.y, rect.width, rect.height); }

void Widget::Resize(int newX, int newY, int newWidth, int newHeight) {
  if (x == newX && y == newY && width == newWidth && height == newHeight) return;
  MarkDirtyDeep();
  x = newX;
  y = newY;
  width = newWidth;
  height = newHeight;
  // The old area is already marked, which leaves this widget dirty; marking it afresh is what
  // makes the widgets overlapping its new area redraw over it.
  dirty = false;
  MarkDirty();
  if (widgetManager) widgetManager->RecheckMouse();
}

void Widget::Move(int newX, int newY) { Resize(newX, newY, width, height); }

bool Widget::TakesFocusOnClick() { return takesFocusOnClick; }

void Widget::DrawOverlay(Graphics* g, int) { DrawOverlay(g); }
void Widget::DrawOverlay(Graphics*) {}

void Widget::GotFocus() { hasFocus = true; }
void Widget::LostFocus() { hasFocus = false; }

void Widget::KeyChar(char) {}

void Widget::KeyDown(int key) {
  if (key != kKeyTab || !widgetManager) return;
  Widget* target = widgetManager->keyDown[kKeyShift] ? tabPrev : tabNext;
  if (target) widgetManager->SetFocus(target);
}

void Widget::KeyUp(int) {}
bool Widget::WantsKey(int) { return false; }
bool Widget::Activate() { return false; }
bool Widget::PadButtonDown(int) { return false; }
void Widget::PadButtonUp(int) {}
void Widget::FocusLookChanged() { MarkDirty(); }

bool Widget::ShowsFocus() const { return hasFocus && widgetManager != nullptr && widgetManager->focusShown; }

void Widget::DrawFocusFrame(Graphics* g, const Color& color) {
  if (!ShowsFocus() || width < 4 || height < 4) return;
  g->SetColor(color);
  g->FillRect(0, 0, width, 2);
  g->FillRect(0, height - 2, width, 2);
  g->FillRect(0, 2, 2, height - 4);
  g->FillRect(width - 2, 2, 2, height - 4);
}
void Widget::MouseEnter() {}
void Widget::MouseLeave() {}
void Widget::MouseMove(int, int) {}
void Widget::MouseDown(int, int, int, int) {}

void Widget::MouseDown(int mx, int my, int clickCount) {
  if (clickCount == 3)
    MouseDown(mx, my, 2, 1);
  else if (clickCount < 0)
    MouseDown(mx, my, 1, -clickCount);
  else
    MouseDown(mx, my, 0, clickCount);
}

void Widget::MouseUp(int, int, int, int) {}

void Widget::MouseUp(int mx, int my, int clickCount) {
  MouseUp(mx, my);
  if (clickCount == 3)
    MouseUp(mx, my, 2, 1);
  else if (clickCount < 0)
    MouseUp(mx, my, 1, -clickCount);
  else
    MouseUp(mx, my, 0, clickCount);
}

void Widget::MouseUp(int, int) {}
void Widget::MouseDrag(int, int) {}
void Widget::MouseWheel(int) {}

bool Widget::HitsPoint(int, int) { return true; }

Rect Widget::DrawCenteredText(Graphics* g, int textY, const std::string& text, const Color& color,
                              const Color& shadowColor, const Point& shadowOffset) {
  Font* font = g->GetFont();
  if (!font) return Rect();
  const int textWidth = font->StringWidth(text);
  const int textX = (width - textWidth) / 2;
  g->SetColor(shadowColor);
  g->DrawString(text, textX + shadowOffset.x, textY + shadowOffset.y);
  g->SetColor(color);
  g->DrawString(text, textX, textY);
  const Rect box(textX, textY - font->GetAscent(), textWidth, font->GetHeight());
  return BoundingRect(box, Rect(box.x + shadowOffset.x, box.y + shadowOffset.y, box.width, box.height));
}

Rect Widget::DrawCenteredText(Graphics* g, int textY, const std::string& text) {
  Font* font = g->GetFont();
  if (!font) return Rect();
  const int textWidth = font->StringWidth(text);
  const int textX = (width - textWidth) / 2;
  g->DrawString(text, textX, textY);
  return Rect(textX, textY - font->GetAscent(), textWidth, font->GetHeight());
}

int Widget::WriteWrapped(Graphics* g, const Rect& rect, const std::string& text, int lineSpacing, int justification) {
  const bool saved = g->colorCodes;
  g->SetColorCodes(true);
  const int used = g->WriteWrapped(rect, text, lineSpacing, justification);
  g->SetColorCodes(saved);
  return used;
}

void Widget::DrawStringWrapped(Graphics* g, const std::string& text, int textX, int textY, int wrapWidth,
                               int lineSpacing, int justification) {
  const bool saved = g->colorCodes;
  g->SetColorCodes(true);
  g->DrawStringWrapped(text, textX, textY, wrapWidth, lineSpacing, justification);
  g->SetColorCodes(saved);
}

int Widget::GetWrappedHeight(Graphics* g, int wrapWidth, const std::string& text, int lineSpacing) {
  const bool saved = g->colorCodes;
  g->SetColorCodes(true);
  const int used = g->GetWrappedHeight(wrapWidth, text, lineSpacing);
  g->SetColorCodes(saved);
  return used;
}

int Widget::CountDigits(int n) {
  int64_t v = std::llabs(int64_t(n));
  int count = 1;
  while (v >= 10) {
    v /= 10;
    ++count;
  }
  return count;
}

void Widget::DrawDigitsFromStrip(Graphics* g, int n, int digitX, int digitY, Image* strip, int spacing) {
  if (!strip || strip->width < 10) return;
  const int cell = strip->width / 10;
  const std::string digits = std::to_string(std::llabs(int64_t(n)));
  for (char d : digits) {
    g->DrawImage(strip, digitX, digitY, Rect((d - '0') * cell, 0, cell, strip->height));
    digitX += cell + spacing;
  }
}

bool Widget::Contains(int px, int py) { return px >= x && px < x + width && py >= y && py < y + height; }

Rect Widget::GetHitRect() {
  return Rect(x + hitInsets.left, y + hitInsets.top, width - hitInsets.left - hitInsets.right,
              height - hitInsets.top - hitInsets.bottom);
}

}  // namespace Orva

#include "framework/widgets/Dialog.h"

#include <algorithm>

#include "framework/fonts/SysFont.h"
#include "framework/graphics/Graphics.h"
#include "framework/widgets/WidgetManager.h"

namespace Orva {

namespace {

const char* const kDialogFace = "Arial Unicode MS";
constexpr int kTitlePoints = 14;
constexpr int kBodyPoints = 12;
constexpr int kFootnoteGap = 8;
// How far a dragged dialog may leave the screen, and how far inside the dialog the grab point stays.
constexpr int kDragOverhang = 8;

// The application's wording of a button label when there is an application.
std::string ButtonLabel(const char* stringId, const char* fallback) {
  return gWidgetHost ? gWidgetHost->GetString(stringId, fallback) : std::string(fallback);
}

// Keeps v between low and high; when they cross, low wins.
int ClampLowWins(int v, int low, int high) { return std::max(low, std::min(v, high)); }

}  // namespace

Dialog::Dialog(Image* framePicture_, int id_, bool modal_, const std::string& title_, const std::string& body_,
               const std::string& footnote_, int buttonSet_)
    : framePicture(framePicture_),
      title(title_),
      footnote(footnote_),
      body(body_),
      buttonSet(buttonSet_),
      id(id_),
      modal(modal_) {
  notOpaque = true;
  hasHoles = true;
  priority = 1;
  colors = {Color::White, Color(255, 255, 0), Color::White, Color::White,
            Color::White, Color(80, 80, 80),  Color::White};

  switch (buttonSet) {
    case BUTTONS_YES_NO:
      firstButton = std::make_unique<DialogButton>(nullptr, kFirstButtonId, this);
      firstButton->label = ButtonLabel("DIALOG_BUTTON_YES", "YES");
      secondButton = std::make_unique<DialogButton>(nullptr, kSecondButtonId, this);
      secondButton->label = ButtonLabel("DIALOG_BUTTON_NO", "NO");
      break;
    case BUTTONS_OK_CANCEL:
      firstButton = std::make_unique<DialogButton>(nullptr, kFirstButtonId, this);
      firstButton->label = ButtonLabel("DIALOG_BUTTON_OK", "OK");
      secondButton = std::make_unique<DialogButton>(nullptr, kSecondButtonId, this);
      secondButton->label = ButtonLabel("DIALOG_BUTTON_CANCEL", "CANCEL");
      break;
    case BUTTONS_FOOTNOTE:
      firstButton = std::make_unique<DialogButton>(nullptr, kFirstButtonId, this);
      firstButton->label = footnote;
      break;
    default: break;
  }
  // Escape answers No or Cancel; a dialog with one button, with it.
  if (DialogButton* cancel = secondButton ? secondButton.get() : firstButton.get()) cancel->navCancel = true;
  for (DialogButton* button : {firstButton.get(), secondButton.get()}) {
    if (!button) continue;
    button->SetColor(ButtonWidget::COLOR_LABEL, GetColor(COLOR_BUTTON_TEXT));
    button->SetColor(ButtonWidget::COLOR_LABEL_HILITE, GetColor(COLOR_BUTTON_TEXT_HOVER));
  }
}

Dialog::~Dialog() {
  // A RunUntilAnswered still running on this dialog (further up the stack) must not touch it again.
  if (runWatch_) {
    runWatch_->deleted = true;
    runWatch_->answer = answer;
  }
  // Deleted while registered: out of the application's registry (and its modal layer) first, or
  // the next dialog of this id and the application's end would use it.
  if (registeredWith) registeredWith->ForgetDialog(this);
  // Out of the tree while still a Dialog, so Detached takes the buttons out with it.
  if (parent) parent->RemoveWidget(this);
}

void Dialog::Attached(WidgetManager* manager) {
  for (DialogButton* button : {firstButton.get(), secondButton.get()}) {
    if (!button) continue;
    // The buttons share the dialog's z-order, or the sorted list could keep them behind it.
    button->zOrder = zOrder;
    button->visible = visible;
    manager->AddWidget(button);
  }
  ZOrderChanged();
}

void Dialog::Detached(WidgetManager* manager) {
  // A dialog taken away mid-drag must not leave the drag cursor behind.
  if (beingDragged) {
    beingDragged = false;
    if (manager->app) manager->app->SetCursorKind(CURSOR_POINTER);
  }
  for (DialogButton* button : {firstButton.get(), secondButton.get()})
    if (button) manager->RemoveWidget(button);
}

void Dialog::ZOrderChanged() {
  if (!widgetManager) return;
  Widget* below = this;
  for (DialogButton* button : {firstButton.get(), secondButton.get()}) {
    if (!button || button->parent != widgetManager) continue;
    button->zOrder = zOrder;
    widgetManager->PlaceInFront(button, below);
    below = button;
  }
}

void Dialog::SetVisible(bool isVisible) {
  Widget::SetVisible(isVisible);
  for (DialogButton* button : {firstButton.get(), secondButton.get()})
    if (button) button->SetVisible(isVisible);
}

void Dialog::SetColor(int index, const Color& color) {
  Widget::SetColor(index, color);
  const int buttonColor = index == COLOR_BUTTON_TEXT         ? ButtonWidget::COLOR_LABEL
                          : index == COLOR_BUTTON_TEXT_HOVER ? ButtonWidget::COLOR_LABEL_HILITE
                                                             : -1;
  if (buttonColor < 0) return;
  for (DialogButton* button : {firstButton.get(), secondButton.get()})
    if (button) button->SetColor(buttonColor, color);
}

void Dialog::Resize(int newX, int newY, int newWidth, int newHeight) {
  Widget::Resize(newX, newY, newWidth, newHeight);
  const int left = x + frameInsets.left + innerInsets.left;
  const int top = y + height - innerInsets.bottom - frameInsets.bottom - buttonRowHeight;
  if (firstButton && secondButton) {
    const int buttonWidth = std::max(0, (width - 2 * buttonMargin - HorizontalInsets() - buttonGap) / 2);
    firstButton->Resize(left + buttonMargin, top, buttonWidth, buttonRowHeight);
    secondButton->Resize(left + buttonMargin + buttonWidth + buttonGap, top, buttonWidth, buttonRowHeight);
  } else if (firstButton) {
    firstButton->Resize(left, top, std::max(0, width - HorizontalInsets()), buttonRowHeight);
  }
}

void Dialog::SetDragCursor(bool dragging) {
  if (widgetManager && widgetManager->app)
    widgetManager->app->SetCursorKind(dragging ? CURSOR_DRAGGING : CURSOR_POINTER);
}

void Dialog::MouseDown(int mx, int my, int button, int clickCount) {
  (void)button;
  if (clickCount != 1) return;
  SetDragCursor(true);
  beingDragged = true;
  grabX = mx;
  grabY = my;
}

void Dialog::MouseDrag(int mx, int my) {
  if (!beingDragged) return;
  const int wantX = x + mx - grabX;
  const int wantY = y + my - grabY;
  int newX = wantX;
  int newY = wantY;
  if (widgetManager) {
    // At most kDragOverhang pixels beyond any edge; a dialog wider than that allows keeps its
    // left (top) edge in reach.
    newX = ClampLowWins(wantX, -kDragOverhang, widgetManager->width + kDragOverhang - width);
    newY = ClampLowWins(wantY, -kDragOverhang, widgetManager->height + kDragOverhang - height);
  }
  // Where the mouse went on past the limit, the grab point slides along, so the dialog follows as
  // soon as the mouse comes back.
  grabX = ClampLowWins(grabX + wantX - newX, kDragOverhang, width - kDragOverhang - 1);
  grabY = ClampLowWins(grabY + wantY - newY, kDragOverhang, height - kDragOverhang - 1);
  Move(newX, newY);
}

void Dialog::MouseUp(int mx, int my, int button, int clickCount) {
  (void)mx;
  (void)my;
  (void)button;
  (void)clickCount;
  beingDragged = false;
  SetDragCursor(false);
}

void Dialog::UseButtonFont(Font* font) {
  for (DialogButton* button : {firstButton.get(), secondButton.get()})
    if (button) button->SetFont(font);
}

Font* Dialog::TitleFont() {
  if (!titleFont) titleFont = std::make_unique<SysFont>(nullptr, kDialogFace, kTitlePoints);
  return titleFont.get();
}

Font* Dialog::BodyFont() {
  if (!bodyFont) bodyFont = std::make_unique<SysFont>(nullptr, kDialogFace, kBodyPoints);
  return bodyFont.get();
}

void Dialog::UseTitleFont(Font* font) {
  titleFont.reset(font ? font->Duplicate() : nullptr);
  MarkDirty();
}

void Dialog::UseBodyFont(Font* font) {
  bodyFont.reset(font ? font->Duplicate() : nullptr);
  MarkDirty();
}

int Dialog::MeasureHeight(int forWidth) {
  int h = innerInsets.top + innerInsets.bottom + frameInsets.top + frameInsets.bottom;
  bool any = false;
  if (!title.empty()) {
    Font* font = TitleFont();
    h += font->GetHeight() - font->GetAscentPadding();
    any = true;
  }
  if (!body.empty()) {
    if (any) h += titleGap;
    Font* font = BodyFont();
    Graphics measure;
    measure.SetFont(font);
    h += measure.GetWrappedHeight(forWidth - HorizontalInsets() - 4, body, font->GetLineSpacing() + bodyLineGap);
    any = true;
  }
  if (!footnote.empty() && buttonSet != BUTTONS_FOOTNOTE) {
    if (any) h += kFootnoteGap;
    h += TitleFont()->GetLineSpacing();
    any = true;
  }
  if (HasButtons()) {
    if (any) h += kFootnoteGap;
    h += buttonRowHeight + kFootnoteGap;
  }
  return h;
}

bool Dialog::IsModalDialog() { return modal; }

int Dialog::RunUntilAnswered(bool autoKill) {
  WidgetHost* app = widgetManager ? widgetManager->app : nullptr;
  if (!app) return answer;

  if (!runWatch_) runWatch_ = std::make_shared<RunWatch>();
  const std::shared_ptr<RunWatch> watch = runWatch_;
  while (!watch->deleted && widgetManager && answer == kNoAnswer) {
    bool updated = false;
    if (!app->StepLoop(&updated)) break;
  }
  if (watch->deleted) return watch->answer;

  const int answered = answer;
  // Removed by other code, the id may already belong to another dialog; that one stays.
  if (autoKill && app->FindDialog(id) == this) app->CloseDialog(id);
  return answered;
}

void Dialog::Draw(Graphics* g) {
  const Rect frame(frameInsets.left, frameInsets.top, width - frameInsets.left - frameInsets.right,
                   height - frameInsets.top - frameInsets.bottom);
  if (framePicture) {
    g->DrawImageNineSlice(frame, framePicture);
  } else {
    g->SetColor(GetColor(COLOR_OUTLINE));
    g->DrawRect(12, 12, width - 25, height - 25);
    g->SetColor(GetColor(COLOR_BACKGROUND));
    g->FillRect(13, 13, width - 26, height - 26);
    g->SetColor(Color(0, 0, 0, 128));
    g->FillRect(width - 12, 24, 12, height - 36);
    g->FillRect(24, height - 12, width - 24, 12);
  }

  int textY = innerInsets.top + frameInsets.top;
  if (!title.empty()) {
    Font* font = TitleFont();
    g->SetFont(font);
    g->SetColor(GetColor(COLOR_TITLE));
    DrawCenteredText(g, textY - font->GetAscentPadding() + font->GetAscent(), title);
    textY += font->GetHeight() - font->GetAscentPadding() + titleGap;
  }

  int bodyHeight = 0;
  if (!body.empty()) {
    Font* font = BodyFont();
    g->SetFont(font);
    g->SetColor(GetColor(COLOR_BODY));
    const Rect area(frameInsets.left + innerInsets.left + 2, textY, width - HorizontalInsets() - 4, 0);
    bodyHeight = WriteWrapped(g, area, body, font->GetLineSpacing() + bodyLineGap, bodyAlign);
  }

  if (!footnote.empty() && buttonSet != BUTTONS_FOOTNOTE) {
    Font* font = TitleFont();
    g->SetFont(font);
    g->SetColor(GetColor(COLOR_FOOTNOTE));
    DrawCenteredText(g, textY + bodyHeight + font->GetLineSpacing() + kFootnoteGap, footnote);
  }
}

void Dialog::OnButtonPressed(int buttonId) {
  if (buttonId != kFirstButtonId && buttonId != kSecondButtonId) return;
  if (dialogListener) dialogListener->OnDialogButtonPressed(id, buttonId);
}

void Dialog::OnButtonReleased(int buttonId) {
  if (buttonId != kFirstButtonId && buttonId != kSecondButtonId) return;
  answer = buttonId;
  if (dialogListener) dialogListener->OnDialogButtonReleased(id, buttonId);
}

}  // namespace Orva

#include "framework/widgets/Dialog.h"

#include "framework/fonts/SysFont.h"
#include "framework/graphics/Graphics.h"

namespace Orva {

namespace {

const char* const kDialogFace = "Arial Unicode MS";
constexpr int kTitlePoints = 14;
constexpr int kBodyPoints = 12;
constexpr int kFootnoteGap = 8;

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
}

Dialog::~Dialog() = default;

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

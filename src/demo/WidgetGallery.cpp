#include "demo/WidgetGallery.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "framework/app/OrvaAppBase.h"
#include "framework/graphics/Graphics.h"
#include "framework/widgets/ButtonWidget.h"
#include "framework/widgets/Checkbox.h"
#include "framework/widgets/Dialog.h"
#include "framework/widgets/DialogButton.h"
#include "framework/widgets/EditWidget.h"
#include "framework/widgets/ListWidget.h"
#include "framework/widgets/ScrollbarWidget.h"
#include "framework/widgets/Slider.h"

namespace Orva {

namespace {

enum WidgetId {
  ID_PLAIN = 1,
  ID_FRAMED,
  ID_DISABLED,
  ID_OPEN_DIALOG,
  ID_MUSIC,
  ID_EFFECTS,
  ID_VOLUME,
  ID_LIST,
  ID_LIST_BAR,
  ID_NAME,
  ID_PASSWORD
};
constexpr int kDialogId = 40;

const Color kBackground(28, 34, 46);
const Color kPanel(40, 48, 64);
const Color kPanelEdge(70, 82, 104);
const Color kHeading(236, 200, 120);
const Color kText(214, 222, 236);

// A rounded, softly lit frame for the framed buttons, drawn nine-sliced: 24 x 24 with 8-pixel
// corners.
std::unique_ptr<MemoryImage> MakeFramePicture(ImageHost* host) {
  auto picture = std::make_unique<MemoryImage>(host);
  constexpr int kSize = 24;
  picture->Create(kSize, kSize);
  uint32_t* pixels = picture->GetPixels();
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      // Distance outside a rounded square of radius 7, for a one-pixel soft edge.
      const double cx = x < 8 ? 8 - (x + 0.5) : (x >= kSize - 8 ? (x + 0.5) - (kSize - 8) : 0);
      const double cy = y < 8 ? 8 - (y + 0.5) : (y >= kSize - 8 ? (y + 0.5) - (kSize - 8) : 0);
      const double outside = std::sqrt(cx * cx + cy * cy) - 7.5;
      const double coverage = outside <= -0.5 ? 1.0 : (outside >= 0.5 ? 0.0 : 0.5 - outside);
      const bool edge = outside > -1.5;
      // Lit from above: lighter at the top, darker at the bottom.
      const int shade = 96 - y * 2;
      const int r = edge ? 150 : 52 + shade / 2, g = edge ? 170 : 70 + shade / 2, b = edge ? 210 : 104 + shade / 2;
      const auto alpha = uint32_t(coverage * 255 + 0.5);
      pixels[y * kSize + x] = (alpha << 24) | (uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b);
    }
  }
  picture->PixelsChanged();
  return picture;
}

// A soft-edged rounded shape of w x h with corner radius r, in one colour lit from above.
std::unique_ptr<MemoryImage> MakeRounded(ImageHost* host, int w, int h, double r, uint32_t top, uint32_t bottom) {
  auto picture = std::make_unique<MemoryImage>(host);
  picture->Create(w, h);
  uint32_t* pixels = picture->GetPixels();
  for (int y = 0; y < h; ++y) {
    const double t = h > 1 ? double(y) / (h - 1) : 0;
    auto mix = [&](int shift) {
      const int a = int((top >> shift) & 255), b = int((bottom >> shift) & 255);
      return uint32_t(a + (b - a) * t + 0.5);
    };
    const uint32_t rgb = (mix(16) << 16) | (mix(8) << 8) | mix(0);
    for (int x = 0; x < w; ++x) {
      const double px = x + 0.5, py = y + 0.5;
      const double cx = px < r ? r - px : (px > w - r ? px - (w - r) : 0);
      const double cy = py < r ? r - py : (py > h - r ? py - (h - r) : 0);
      const double outside = std::sqrt(cx * cx + cy * cy) - (r - 0.5);
      const double coverage = outside <= -0.5 ? 1.0 : (outside >= 0.5 ? 0.0 : 0.5 - outside);
      pixels[y * w + x] = (uint32_t(coverage * 255 + 0.5) << 24) | rgb;
    }
  }
  picture->PixelsChanged();
  return picture;
}

void DrawPanel(Graphics* g, const Rect& r, SysFont* headingFont, const std::string& heading) {
  g->SetColor(kPanel);
  g->FillRect(r);
  g->SetColor(kPanelEdge);
  g->DrawRect(r.x, r.y, r.width - 1, r.height - 1);
  g->SetFont(headingFont);
  g->SetColor(kHeading);
  g->DrawString(heading, r.x + 12, r.y + 6 + headingFont->GetAscent());
}

}  // namespace

WidgetGallery::WidgetGallery(OrvaAppBase* app) : app_(app) {
  ImageHost* host = &app->images;
  titleFont_ = std::make_unique<SysFont>(host, "Arial", 20, 0, true, false, false, false);
  headingFont_ = std::make_unique<SysFont>(host, "Arial", 12, 0, true, false, false, false);
  labelFont_ = std::make_unique<SysFont>(host, "Arial", 11);
  framePicture_ = MakeFramePicture(host);
  Resize(0, 0, 640, 480);

  auto makeButton = [&](int id, const std::string& label, int bx, int by) {
    auto button = std::make_unique<ButtonWidget>(id, this);
    button->label = label;
    button->SetFont(labelFont_.get());
    button->Resize(bx, by, 132, 26);
    AddWidget(button.get());
    return button;
  };
  auto makeFramed = [&](int id, const std::string& label, int bx, int by) {
    auto button = std::make_unique<DialogButton>(framePicture_.get(), id, this);
    button->label = label;
    button->SetFont(labelFont_.get());
    button->SetColor(ButtonWidget::COLOR_LABEL, Color(236, 240, 250));
    button->SetColor(ButtonWidget::COLOR_LABEL_HILITE, Color(255, 226, 150));
    button->Resize(bx, by, 132, 30);
    AddWidget(button.get());
    return button;
  };

  // Buttons.
  plainButton_ = makeButton(ID_PLAIN, "Plain button", 36, 96);
  framedButton_ = makeFramed(ID_FRAMED, "Framed button", 176, 94);
  disabledButton_ = makeButton(ID_DISABLED, "Disabled", 36, 132);
  disabledButton_->SetDisabled(true);
  disabledButton_->SetColor(ButtonWidget::COLOR_LABEL, Color(150, 150, 150));
  disabledButton_->SetColor(ButtonWidget::COLOR_LABEL_HILITE, Color(150, 150, 150));
  dialogButton_ = makeFramed(ID_OPEN_DIALOG, "Open a dialog...", 176, 130);

  // Check boxes and the slider.
  music_ = std::make_unique<Checkbox>(nullptr, nullptr, ID_MUSIC, this);
  music_->Resize(36, 222, 20, 20);
  music_->SetChecked(true, false);
  AddWidget(music_.get());
  effects_ = std::make_unique<Checkbox>(nullptr, nullptr, ID_EFFECTS, this);
  effects_->Resize(176, 222, 20, 20);
  AddWidget(effects_.get());
  // The slider's track is three cells (left end, middle repeated, right end) of one picture.
  trackPicture_ = MakeRounded(host, 24, 8, 4, 0xFF141A26, 0xFF3A465C);
  thumbPicture_ = MakeRounded(host, 14, 22, 5, 0xFFF2DCA0, 0xFFB88A3C);
  volume_ = std::make_unique<Slider>(trackPicture_.get(), thumbPicture_.get(), ID_VOLUME, this);
  volume_->Resize(36, 284, 240, 20);
  volume_->SetValue(volumeValue_);
  AddWidget(volume_.get());

  // The list and its bar.
  list_ = std::make_unique<ListWidget>(ID_LIST, labelFont_.get(), this);
  list_->Resize(336, 96, 250, 160);
  static const char* const kRunes[] = {"Ember", "Moss",   "Tide",  "Dusk",   "Frost", "Amber", "Storm",
                                       "Ash",   "Willow", "Flint", "Heron",  "Quill", "Sable", "Thorn",
                                       "Vale",  "Wren",   "Briar", "Cinder", "Dew",   "Gale"};
  int n = 1;
  for (const char* rune : kRunes) {
    char line[64];
    std::snprintf(line, sizeof line, "%2d. %s rune", n++, rune);
    list_->InsertLine(line, false);
  }
  AddWidget(list_.get());
  listBar_ = std::make_unique<ScrollbarWidget>(ID_LIST_BAR, list_.get());
  list_->scrollbar = listBar_.get();
  AddWidget(listBar_.get());
  listBar_->PlaceBar(586, 96, 16, 160);
  listBar_->SetTotal(list_->LineCount());
  listBar_->SetSpan(list_->pageLines > 0 ? list_->pageLines : 160.0 / std::max(1, list_->LineHeight()));

  // Text entry.
  name_ = std::make_unique<EditWidget>(ID_NAME, this);
  name_->SetFont(labelFont_.get());
  name_->Resize(336, 330, 266, 24);
  name_->maxChars = 24;
  name_->SetText("Ann of the Vale");
  AddWidget(name_.get());
  password_ = std::make_unique<EditWidget>(ID_PASSWORD, this);
  password_->SetFont(labelFont_.get());
  password_->Resize(336, 378, 266, 24);
  password_->passwordChar = '*';
  password_->SetText("secret");
  AddWidget(password_.get());

  plainButton_->tabNext = framedButton_.get();
  name_->tabNext = password_.get();
  password_->tabNext = name_.get();
  password_->tabPrev = name_.get();
  name_->tabPrev = password_.get();

  status_ = "Click, drag and type: what the widgets report shows here.";
}

WidgetGallery::~WidgetGallery() {
  if (app_ != nullptr) app_->CloseDialog(kDialogId);
  // Children go before the members that own them.
  RemoveAllWidgets(false, false);
}

void WidgetGallery::SetStatus(const std::string& text) {
  status_ = text;
  MarkDirty();
}

void WidgetGallery::Draw(Graphics* g) {
  g->SetColor(kBackground);
  g->FillRect(0, 0, width, height);
  g->SetFont(titleFont_.get());
  g->SetColor(Color(244, 236, 214));
  g->DrawString("Widget gallery", 24, 22 + titleFont_->GetAscent());
  g->SetFont(labelFont_.get());
  g->SetColor(Color(150, 162, 184));
  g->WriteString("F1, F2, F3 switch screens; Esc quits", 300, 22 + titleFont_->GetAscent() - 4, 320, JUSTIFY_RIGHT);

  DrawPanel(g, Rect(20, 64, 298, 112), headingFont_.get(), "Buttons");
  DrawPanel(g, Rect(20, 190, 298, 130), headingFont_.get(), "Check boxes and slider");
  DrawPanel(g, Rect(320, 64, 300, 204), headingFont_.get(), "List with scroll bar");
  DrawPanel(g, Rect(320, 282, 300, 136), headingFont_.get(), "Text entry");

  g->SetFont(labelFont_.get());
  g->SetColor(kText);
  const int ascent = labelFont_->GetAscent();
  g->DrawString("Music", 62, 232 + ascent / 2);
  g->DrawString("Sound effects", 202, 232 + ascent / 2);
  char volume[48];
  std::snprintf(volume, sizeof volume, "Volume: %d %%", int(volumeValue_ * 100 + 0.5));
  g->DrawString(volume, 36, 276);
  g->DrawString("Name (letters only; Enter submits)", 336, 324);
  g->DrawString("Password", 336, 372);

  g->SetColor(Color(20, 24, 32));
  g->FillRect(20, 430, 600, 30);
  g->SetColor(Color(160, 220, 170));
  g->DrawString(status_, 30, 450);
}

void WidgetGallery::OnButtonReleased(int id) {
  switch (id) {
    case ID_PLAIN: SetStatus("The plain button was clicked."); break;
    case ID_FRAMED: SetStatus("The framed button was clicked."); break;
    case ID_OPEN_DIALOG: OpenDialog(); break;
    default: break;
  }
}

void WidgetGallery::OpenDialog() {
  if (app_ == nullptr) return;
  Dialog* dialog = app_->ShowDialog(kDialogId, true, "A modal dialog",
                                    "Widgets below a modal dialog get no mouse and no keys until it is answered. "
                                    "Drag it by its panel.",
                                    "", Dialog::BUTTONS_YES_NO);
  dialog->dialogListener = this;
  SetStatus("A dialog is open.");
}

void WidgetGallery::OnCheckboxToggled(int id, bool checked) {
  SetStatus(std::string(id == ID_MUSIC ? "Music" : "Sound effects") + (checked ? " on." : " off."));
}

void WidgetGallery::OnSliderMoved(int, double value) {
  volumeValue_ = value;
  char text[48];
  std::snprintf(text, sizeof text, "The slider moved to %.2f.", value);
  SetStatus(text);
}

void WidgetGallery::OnListClicked(int, int index, int clickCount) {
  list_->SetSelected(index);
  SetStatus((clickCount == 2 ? "Double-clicked: " : "Selected: ") + list_->LineText(index));
}

void WidgetGallery::OnTextEntered(int id, const std::string& text) {
  SetStatus(id == ID_NAME ? "Name entered: " + text : "A password of " + std::to_string(text.size()) + " letters.");
}

bool WidgetGallery::AllowChar(int id, char c) {
  if (id != ID_NAME) return true;
  const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == ' ';
  if (!letter) SetStatus(std::string("The name field refused '") + c + "'.");
  return letter;
}

void WidgetGallery::OnDialogButtonReleased(int dialogId, int buttonId) {
  SetStatus(buttonId == Dialog::kFirstButtonId ? "The dialog was answered YES." : "The dialog was answered NO.");
  if (app_ != nullptr) app_->CloseDialog(dialogId);
}

}  // namespace Orva

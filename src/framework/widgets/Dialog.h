#pragma once

#include <climits>
#include <memory>
#include <string>

#include "framework/graphics/Font.h"
#include "framework/widgets/ButtonListener.h"
#include "framework/widgets/DialogListener.h"
#include "framework/widgets/Widget.h"

namespace Orva {

class Image;

// The framework's message box as a widget: a framed panel with a title line, word-wrapped body
// text and an optional footnote line, possibly modal. The application registers dialogs by id and
// hears about their buttons through its DialogListener side.
//
// So far this holds what the application's dialog registry needs (id, modal, answer, result, the
// preferred height) and draws the panel and its text. The buttons, dragging and the loop that runs
// until the dialog is answered are still to come: buttonSet is stored but draws nothing yet.
class Dialog : public Widget, public ButtonListener {
 public:
  static constexpr int kFirstButtonId = 1000;
  static constexpr int kSecondButtonId = 1001;

  // buttonSet: no buttons, YES/NO, OK/CANCEL, or one button labelled with the footnote.
  enum ButtonSet { BUTTONS_NONE = 0, BUTTONS_YES_NO = 1, BUTTONS_OK_CANCEL = 2, BUTTONS_FOOTNOTE = 3 };
  enum ColorId {
    COLOR_TITLE = 0,
    COLOR_BODY = 1,
    COLOR_FOOTNOTE = 2,
    COLOR_BUTTON_TEXT = 3,
    COLOR_BUTTON_TEXT_HOVER = 4,
    COLOR_BACKGROUND = 5,  // plain panel (no frame picture)
    COLOR_OUTLINE = 6,
  };

  DialogListener* dialogListener = nullptr;  // not owned
  Image* framePicture = nullptr;             // not owned; drawn nine-sliced when set
  std::string title;
  std::string footnote;
  std::string body;
  int buttonSet = BUTTONS_NONE;
  std::unique_ptr<Font> titleFont;  // system fonts made on first use when not given
  std::unique_ptr<Font> bodyFont;
  int bodyAlign = JUSTIFY_CENTER;
  int bodyLineGap = 0;
  int buttonRowHeight = 24;
  Insets frameInsets;                  // where the frame lies inside the widget
  Insets innerInsets{24, 24, 24, 24};  // margins of the contents inside the frame
  int titleGap = 10;
  bool beingDragged = false;
  int grabX = 0;
  int grabY = 0;
  int id = 0;
  bool modal = false;
  int answer = INT_MAX;  // the id of the button that answered, INT_MAX until then
  int result = -1;       // set by whoever closes the dialog; 0 when closed unanswered
  int buttonGap = 8;
  int buttonMargin = 0;

  Dialog(Image* framePicture, int id, bool modal, const std::string& title, const std::string& body,
         const std::string& footnote, int buttonSet);
  ~Dialog() override;

  void Draw(Graphics* g) override;

  // Keep a copy of the font.
  virtual void UseTitleFont(Font* font);
  virtual void UseBodyFont(Font* font);
  // The height that shows everything at the given width.
  virtual int MeasureHeight(int forWidth);
  virtual bool IsModalDialog();

  using ButtonListener::OnButtonPressed;
  void OnButtonPressed(int buttonId) override;
  void OnButtonReleased(int buttonId) override;

 protected:
  Font* TitleFont();
  Font* BodyFont();
  bool HasButtons() const { return buttonSet >= BUTTONS_YES_NO && buttonSet <= BUTTONS_FOOTNOTE; }
  int HorizontalInsets() const { return frameInsets.left + frameInsets.right + innerInsets.left + innerInsets.right; }
};

}  // namespace Orva

#pragma once

#include <climits>
#include <memory>
#include <string>

#include "framework/graphics/Font.h"
#include "framework/widgets/ButtonListener.h"
#include "framework/widgets/DialogButton.h"
#include "framework/widgets/DialogListener.h"
#include "framework/widgets/Widget.h"

namespace Orva {

class Image;
class WidgetHost;

// The framework's message box as a widget: a framed panel with a title line, word-wrapped body
// text, an optional footnote line and up to two DialogButtons along the bottom, possibly modal,
// dragged about with the mouse, and able to run the application's loop until it is answered. The
// application registers dialogs by id and hears about their buttons through its DialogListener
// side.
//
// The buttons are top-level widgets of the manager, not children of the dialog: they join the
// manager when the dialog does, leave with it and are kept just in front of it.
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

  DialogListener* dialogListener = nullptr;    // not owned
  Image* framePicture = nullptr;               // not owned; drawn nine-sliced when set
  std::unique_ptr<DialogButton> firstButton;   // id 1000; null when the button set has none
  std::unique_ptr<DialogButton> secondButton;  // id 1001
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
  // A dialog's answer is the id of the button that gave it; kNoAnswer until then. The game's
  // dialogs report theirs the same way, into an integer their opener owns.
  static constexpr int kNoAnswer = INT_MAX;
  int answer = kNoAnswer;
  int buttonGap = 8;
  int buttonMargin = 0;
  // The application whose registry holds this dialog (RegisterDialog); it is told when the
  // dialog is deleted, so its registry never keeps a deleted dialog. Not owned.
  WidgetHost* registeredWith = nullptr;

  Dialog(Image* framePicture, int id, bool modal, const std::string& title, const std::string& body,
         const std::string& footnote, int buttonSet);
  ~Dialog() override;

  void Attached(WidgetManager* manager) override;
  void Detached(WidgetManager* manager) override;
  void ZOrderChanged() override;
  void Draw(Graphics* g) override;
  void SetVisible(bool isVisible) override;
  // Colours 3 and 4 are also the buttons' label colours (their 0 and 1).
  void SetColor(int index, const Color& color) override;
  using Widget::Resize;
  // Also lays the buttons out along the bottom.
  void Resize(int newX, int newY, int newWidth, int newHeight) override;
  void MouseDown(int mx, int my, int button, int clickCount) override;
  void MouseUp(int mx, int my, int button, int clickCount) override;
  void MouseDrag(int mx, int my) override;
  using Widget::MouseDown;
  using Widget::MouseUp;

  virtual void UseButtonFont(Font* font);
  // Keep a copy of the font.
  virtual void UseTitleFont(Font* font);
  virtual void UseBodyFont(Font* font);
  // The height that shows everything at the given width.
  virtual int MeasureHeight(int forWidth);
  virtual bool IsModalDialog();
  // Runs the application's loop until a button answers, the dialog leaves the widget tree or the
  // loop ends; returns the answer (kNoAnswer when there was none). autoKill then closes the dialog
  // through the application, when it is still the one registered under its id. Returns at once
  // without an application.
  virtual int RunUntilAnswered(bool autoKill);

  void OnButtonPressed(int buttonId) override;
  void OnButtonReleased(int buttonId) override;

 protected:
  // Shared with RunUntilAnswered, so the loop learns when the dialog is deleted under it (closed
  // and deleted by code that runs inside the loop) and what its answer was.
  struct RunWatch {
    bool deleted = false;
    int answer = kNoAnswer;
  };

  Font* TitleFont();
  Font* BodyFont();
  bool HasButtons() const { return buttonSet >= BUTTONS_YES_NO && buttonSet <= BUTTONS_FOOTNOTE; }
  int HorizontalInsets() const { return frameInsets.left + frameInsets.right + innerInsets.left + innerInsets.right; }
  void SetDragCursor(bool dragging);

  std::shared_ptr<RunWatch> runWatch_;
};

}  // namespace Orva

#pragma once

#include <memory>
#include <string>

#include "framework/fonts/SysFont.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/widgets/ButtonListener.h"
#include "framework/widgets/CheckboxListener.h"
#include "framework/widgets/DialogListener.h"
#include "framework/widgets/EditListener.h"
#include "framework/widgets/ListListener.h"
#include "framework/widgets/SliderListener.h"
#include "framework/widgets/Widget.h"

namespace Orva {

class ButtonWidget;
class Checkbox;
class DialogButton;
class EditWidget;
class ListWidget;
class OrvaAppBase;
class ScrollbarWidget;
class Slider;

// One of each standard widget on a 640 x 480 screen, usable with mouse and keyboard: buttons
// (plain, framed, disabled), check boxes, a slider, a list with its scroll bar, text entry (plain
// and password) and a button that opens a modal yes/no dialog. The line at the bottom tells what
// the last widget reported to its listener.
class WidgetGallery : public Widget,
                      public ButtonListener,
                      public CheckboxListener,
                      public SliderListener,
                      public ListListener,
                      public EditListener,
                      public DialogListener {
 public:
  explicit WidgetGallery(OrvaAppBase* app);
  ~WidgetGallery() override;

  void Draw(Graphics* g) override;

  void OnButtonReleased(int id) override;
  void OnCheckboxToggled(int id, bool checked) override;
  void OnSliderMoved(int id, double value) override;
  void OnListClicked(int id, int index, int clickCount) override;
  void OnTextEntered(int id, const std::string& text) override;
  bool AllowChar(int id, char c) override;
  void OnDialogButtonReleased(int dialogId, int buttonId) override;

  // Opens the modal yes/no dialog, as the "Open a dialog..." button does.
  void OpenDialog();
  const std::string& Status() const { return status_; }
  EditWidget* NameField() { return name_.get(); }

 private:
  void SetStatus(const std::string& text);

  OrvaAppBase* app_;
  std::unique_ptr<SysFont> titleFont_, headingFont_, labelFont_;
  std::unique_ptr<MemoryImage> framePicture_, trackPicture_, thumbPicture_;
  std::unique_ptr<ButtonWidget> plainButton_, disabledButton_;
  std::unique_ptr<DialogButton> framedButton_, dialogButton_;
  std::unique_ptr<Checkbox> music_, effects_;
  std::unique_ptr<Slider> volume_;
  std::unique_ptr<ListWidget> list_;
  std::unique_ptr<ScrollbarWidget> listBar_;
  std::unique_ptr<EditWidget> name_, password_;
  double volumeValue_ = 0.65;
  std::string status_;
};

}  // namespace Orva

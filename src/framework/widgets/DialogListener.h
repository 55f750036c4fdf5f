#pragma once

namespace Orva {

// Receives the button events of dialogs; buttonId is the dialog's own button id (1000 or 1001).
class DialogListener {
 public:
  virtual ~DialogListener() = default;

  virtual void OnDialogButtonPressed(int dialogId, int buttonId) {
    (void)dialogId;
    (void)buttonId;
  }
  virtual void OnDialogButtonReleased(int dialogId, int buttonId) {
    (void)dialogId;
    (void)buttonId;
  }
};

}  // namespace Orva

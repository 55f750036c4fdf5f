#pragma once

namespace Orva {

// Hears every change of a check box, whether made by a click or by SetChecked with notify.
class CheckboxListener {
 public:
  virtual ~CheckboxListener() = default;

  virtual void OnCheckboxToggled(int id, bool checked) {
    (void)id;
    (void)checked;
  }
};

}  // namespace Orva

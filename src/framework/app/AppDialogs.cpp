// The dialog registry: dialogs by id, in the order they were shown.
#include "framework/app/OrvaAppBase.h"
#include "framework/widgets/Dialog.h"
#include "framework/widgets/WidgetManager.h"

namespace Orva {

Dialog* OrvaAppBase::CreateDialogObject(int id, bool modal, const std::string& dialogTitle, const std::string& body,
                                        const std::string& footnote, int buttonSet) {
  auto* dialog = new Dialog(nullptr, id, modal, dialogTitle, body, footnote, buttonSet);
  dialog->dialogListener = this;
  return dialog;
}

Dialog* OrvaAppBase::ShowDialog(int id, bool modal, const std::string& dialogTitle, const std::string& body,
                                const std::string& footnote, int buttonSet) {
  CloseDialog(id);
  Dialog* dialog = CreateDialogObject(id, modal, dialogTitle, body, footnote, buttonSet);
  RegisterDialog(id, dialog);
  return dialog;
}

Dialog* OrvaAppBase::FindDialog(int id) {
  auto found = dialogs.find(id);
  return found == dialogs.end() ? nullptr : found->second;
}

void OrvaAppBase::RegisterDialog(Dialog* dialog) { RegisterDialog(dialog->id, dialog); }

void OrvaAppBase::RegisterDialog(int id, Dialog* dialog) {
  // Already registered under this id: closing it first would delete the dialog being registered.
  if (FindDialog(id) == dialog) return;
  CloseDialog(id);
  if (dialog->width == 0) {
    const int dialogWidth = width / 2;
    dialog->Resize((width - dialogWidth) / 2, height / 5, dialogWidth, dialog->MeasureHeight(dialogWidth));
  }
  dialogs[id] = dialog;
  dialogOrder.push_back(dialog);
  dialog->registeredWith = this;
  widgetManager->AddWidget(dialog);
  if (dialog->IsModalDialog()) {
    widgetManager->PushModalLayer(dialog);
    ModalShownHook();
  }
}

bool OrvaAppBase::CloseDialog(Dialog* dialog) { return CloseDialog(dialog->id); }

bool OrvaAppBase::CloseDialog(int id) { return CloseDialog(id, true, true); }

bool OrvaAppBase::CloseDialog(int id, bool removeWidget, bool deleteWidget) {
  auto found = dialogs.find(id);
  if (found == dialogs.end()) return false;
  Dialog* dialog = found->second;
  dialogOrder.remove(dialog);
  dialogs.erase(found);
  if (std::none_of(dialogs.begin(), dialogs.end(), [&](const auto& entry) { return entry.second == dialog; }))
    dialog->registeredWith = nullptr;
  if (removeWidget || deleteWidget) widgetManager->RemoveWidget(dialog);
  if (dialog->IsModalDialog()) {
    ModalHiddenHook();
    widgetManager->PopModalLayer(dialog);
  }
  if (deleteWidget) DeferDelete(dialog);
  return true;
}

int OrvaAppBase::CountDialogs() { return int(dialogs.size()); }

void OrvaAppBase::ForgetDialog(Dialog* dialog) {
  bool registered = false;
  for (auto entry = dialogs.begin(); entry != dialogs.end();) {
    if (entry->second == dialog) {
      entry = dialogs.erase(entry);
      registered = true;
    } else {
      ++entry;
    }
  }
  dialogOrder.remove(dialog);
  if (widgetManager) {
    widgetManager->RemoveWidget(dialog);
    if (registered && dialog->IsModalDialog()) {
      ModalHiddenHook();
      widgetManager->PopModalLayer(dialog);
    }
  }
  std::lock_guard guard(frameworkLock);
  deferredDeletes.remove_if([&](const DeferredDelete& waiting) { return waiting.widget == dialog; });
}

void OrvaAppBase::OnDialogButtonPressed(int dialogId, int buttonId) {
  if (buttonId == 1000) OnButtonPressed(dialogId + 2000);
  if (buttonId == 1001) OnButtonPressed(dialogId + 3000);
}

void OrvaAppBase::OnDialogButtonReleased(int dialogId, int buttonId) {
  if (buttonId == 1000) OnButtonReleased(dialogId + 2000);
  if (buttonId == 1001) OnButtonReleased(dialogId + 3000);
}

}  // namespace Orva

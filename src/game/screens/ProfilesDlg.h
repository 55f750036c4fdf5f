#pragma once

#include <memory>
#include <string>

#include "framework/widgets/ListListener.h"
#include "framework/widgets/ListWidget.h"
#include "framework/widgets/ScrollbarWidget.h"
#include "game/screens/GameDialog.h"

namespace Orva {

// The players: a list of the profiles with the current one highlighted, and rename, delete, new
// and OK (which switches to the selected profile after a question). Names are checked as
// everywhere else; the last profile cannot be deleted and there are at most eight.
class ProfilesDlg : public GameDialog, public ListListener {
 public:
  static constexpr int kDialogId = 6;
  enum ButtonId { RENAME = 0, DELETE = 1, NEW = 2, OK = 3 };
  static constexpr int kMaxProfiles = 8;

  explicit ProfilesDlg(GameApp* app);
  ~ProfilesDlg() override;

  void Attached(WidgetManager* manager) override;
  void Update() override;
  void Draw(Graphics* g) override;
  void OnButtonReleased(int buttonId) override;
  void OnButtonHoverStart(int buttonId) override;
  void OnListClicked(int id, int index, int clickCount) override;

  ButtonWidget* Button(int id) { return buttons_[size_t(id)].get(); }
  ListWidget* List() { return list_.get(); }

 private:
  enum { CREATE_ANSWERED = 4 };

  void FillList();
  void Colour(int index);
  std::string Selected();
  void AskForName(int prompt);
  // Says why a name entered for a new profile or a rename cannot be taken; false when it can.
  bool Refuse(const std::string& name, const std::string& except);
  void Handle(int result);

  std::unique_ptr<ListWidget> list_;
  std::unique_ptr<ScrollbarWidget> scrollbar_;
  std::string workingName_;
  std::string oldName_;
  int answer_ = kNoAnswer;
  int pending_ = -1;
};

}  // namespace Orva

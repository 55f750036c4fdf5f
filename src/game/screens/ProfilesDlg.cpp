#include "game/screens/ProfilesDlg.h"

#include "framework/graphics/Graphics.h"
#include "game/app/GameApp.h"
#include "game/core/Profile.h"
#include "game/core/ResourceIds.h"
#include "game/screens/EnterValDlg.h"
#include "game/screens/ScreenButtons.h"

namespace Orva {

namespace {
constexpr int kLabels[] = {11, 12, 13, 8};
constexpr int kHeading = 71;
constexpr int kRenamePrompt = 14;
constexpr int kNewPrompt = 18;
constexpr int kNameTaken = 16;
constexpr int kDeleteCurrent = 17;
constexpr int kDeleteOther = 73;
constexpr int kLastProfile = 72;
constexpr int kTooMany = 76;
constexpr int kMakeCurrent = 19;
constexpr int kSwitchTo = 20;
const Color kCurrentLine(255, 231, 96);
const Color kOtherLine(0, 30, 160);
}  // namespace

ProfilesDlg::ProfilesDlg(GameApp* app) : GameDialog(app, kDialogId) {
  for (int id = RENAME; id <= OK; ++id) {
    DialogButton* button = AddButton(id, kLabels[id], id < NEW ? 90 : 218, 255 + 35 * (id % 2));
    button->navCancel = id == OK;
    button->framePicture = nullptr;
    UseSmallButtonLook(*button, button->label);
    button->Resize(button->x, button->y, 118, 30);
  }
  list_ = std::make_unique<ListWidget>(0, FONT_BALOON, this);
  const int colours[6][3] = {{255, 255, 255}, {6, 16, 100}, {0, 30, 160}, {0, 255, 55}, {0, 0, 255}, {255, 255, 255}};
  list_->SetColors(colours, 6);
  scrollbar_ = std::make_unique<ScrollbarWidget>(0, list_.get());
  scrollbar_->hideWhenIdle = true;
  list_->scrollbar = scrollbar_.get();
  list_->Resize(45, 70, 330, 170);
  scrollbar_->Resize(45 + 330, 70, 15, 170);
  AddWidget(list_.get());
  AddWidget(scrollbar_.get());
}

ProfilesDlg::~ProfilesDlg() {
  for (Widget* child : std::initializer_list<Widget*>{list_.get(), scrollbar_.get()})
    if (child->parent) child->parent->RemoveWidget(child);
}

void ProfilesDlg::Attached(WidgetManager* manager) {
  GameDialog::Attached(manager);
  slide_.SlideIn();
  FillList();
}

void ProfilesDlg::FillList() {
  list_->RemoveAll();
  for (const std::string& name : app_->mProfiles.Names()) {
    const int index = list_->InsertLine(name, false);
    Colour(index);
    if (name == app_->mProfileName) list_->SetSelected(index);
  }
}

void ProfilesDlg::Colour(int index) {
  list_->SetLineColor(index, list_->LineText(index) == app_->mProfileName ? kCurrentLine : kOtherLine);
}

std::string ProfilesDlg::Selected() {
  const int index = list_->selectedIndex;
  return index >= 0 && index < list_->LineCount() ? list_->LineText(index) : std::string();
}

void ProfilesDlg::Draw(Graphics* g) {
  GameDialog::Draw(g);
  if (!FONT_MAIN_MENU) return;
  g->SetFont(FONT_MAIN_MENU);
  g->SetColor(Color::White);
  g->DrawString(app_->GetGameString(kHeading), 50, 60);
}

void ProfilesDlg::OnButtonHoverStart(int) {
  if (!slide_.active) app_->PlaySound(EFFECT_MEDIUM_BUTTON_FOCUSED);
}

void ProfilesDlg::OnListClicked(int, int index, int) {
  if (index >= 0) list_->SetSelected(index);
}

void ProfilesDlg::AskForName(int prompt) {
  auto* entry = new EnterValDlg(true, &answer_, &workingName_, app_, false);
  entry->prompt = app_->GetGameString(prompt);
  app_->RegisterDialog(entry);
}

void ProfilesDlg::OnButtonReleased(int buttonId) {
  if (slide_.active) return;
  app_->PlaySound(EFFECT_MEDIUM_BUTTON_CLICKED);
  pending_ = buttonId;
  switch (buttonId) {
    case RENAME:
      oldName_ = Selected();
      if (!oldName_.empty()) AskForName(kRenamePrompt);
      break;
    case DELETE:
      if (list_->LineCount() <= 1) {
        app_->ShowMessage(app_->GetGameString(kLastProfile));
        break;
      }
      workingName_ = Selected();
      if (workingName_.empty()) break;
      app_->ShowMessage(app_->GetGameString(workingName_ == app_->mProfileName ? kDeleteCurrent : kDeleteOther),
                        &answer_, true);
      break;
    case NEW:
      if (list_->LineCount() >= kMaxProfiles) {
        app_->ShowMessage(app_->GetGameString(kTooMany));
      } else {
        AskForName(kNewPrompt);
      }
      break;
    case OK:
      workingName_ = Selected();
      if (workingName_.empty() || workingName_ == app_->mProfileName) {
        slide_.SlideOut();
      } else {
        app_->ShowMessage(app_->GetGameString(kSwitchTo) + workingName_ + "\"", &answer_, true);
      }
      break;
    default: break;
  }
}

bool ProfilesDlg::Refuse(const std::string& name, const std::string& except) {
  std::string problem = ProfileNameProblem(name);
  if (problem.empty() && name != except && app_->mProfiles.Contains(name)) problem = app_->GetGameString(kNameTaken);
  if (problem.empty()) return false;
  app_->ShowMessage(problem);
  return true;
}

void ProfilesDlg::Update() {
  GameDialog::Update();
  if (answer_ != kNoAnswer) {
    const int result = answer_;
    answer_ = kNoAnswer;
    Handle(result);
  }
  if (StepSlide()) Close();
}

void ProfilesDlg::Handle(int result) {
  ProfileStore& profiles = app_->mProfiles;
  const bool yes = result == YesNoDlg::kYes;  // also OK of the name entry
  switch (pending_) {
    case RENAME: {
      if (!yes || Refuse(workingName_, oldName_) || !profiles.Rename(oldName_, workingName_)) break;
      if (app_->mProfileName == oldName_) {
        app_->mProfileName = workingName_;
        app_->StoreText("luser", workingName_);
      }
      list_->SetLineText(list_->selectedIndex, workingName_);
      break;
    }
    case DELETE: {
      if (!yes) break;
      const bool wasCurrent = workingName_ == app_->mProfileName;
      profiles.Delete(workingName_);
      int index = list_->FindLine(workingName_);
      if (index >= 0) list_->RemoveLine(index);
      if (index >= list_->LineCount()) index = list_->LineCount() - 1;
      list_->SetSelected(index);
      if (wasCurrent && index >= 0) {
        app_->mProfileName = list_->LineText(index);
        profiles.Load(app_->mProfileName);
        Colour(index);
      }
      break;
    }
    case NEW:
      if (!yes || Refuse(workingName_, "")) break;
      // One more question: play as the new profile now?
      pending_ = CREATE_ANSWERED;
      app_->ShowMessage(app_->GetGameString(kMakeCurrent), &answer_, true);
      return;
    case OK:
      if (yes) {
        app_->mProfileName = workingName_;
        profiles.Load(workingName_);
      }
      slide_.SlideOut();
      break;
    case CREATE_ANSWERED: {
      profiles.Create(workingName_, yes);
      const int index = list_->InsertLine(workingName_, false);
      for (int i = 0; i < list_->LineCount(); ++i) Colour(i);
      if (yes) list_->SetSelected(index);
      break;
    }
    default: break;
  }
  pending_ = -1;
}

}  // namespace Orva

#include "game/screens/MainMenu.h"

#include "framework/graphics/Font.h"
#include "framework/graphics/Graphics.h"
#include "framework/widgets/WidgetManager.h"
#include "game/app/GameApp.h"
#include "game/core/Profile.h"
#include "game/core/ResourceIds.h"
#include "game/screens/Credits.h"
#include "game/screens/CustomGWidget.h"
#include "game/screens/EndlessScreen.h"
#include "game/screens/EnterValDlg.h"
#include "game/screens/GameDialog.h"
#include "game/screens/HelpWidget.h"
#include "game/screens/ProfilesDlg.h"
#include "game/screens/SettingsDlg.h"
#include "game/screens/StoryWidget.h"

namespace Orva {

namespace {

struct ButtonLayout {
  int label, hint, x, y, width, height;
};
// Label and hint strings and places; the credits button has no hint (it shows the welcome line).
constexpr ButtonLayout kLayout[MainMenu::kButtonCount] = {
    {6, 57, 460, 41, 171, 73}, {7, 56, 460, 155, 171, 73}, {5, 55, 460, 269, 171, 73}, {0, 58, 9, 406, 69, 69},
    {1, 59, 96, 427, 118, 30}, {2, 60, 224, 427, 118, 30}, {4, 61, 352, 427, 118, 30}, {3, -1, 480, 427, 118, 30},
};
constexpr int kWelcomeText = 66;
constexpr int kNamePrompt = 18;
constexpr int kQuitQuestion = 24;
constexpr int kCustomLocked = 79;
constexpr int kEndlessLocked = 80;
constexpr int kCustomFromLevel = 6;
constexpr int kEndlessFromLevel = 16;
const Rect kHintRect(270, 120, 150, 100);

bool IsLargeButton(int id) { return id <= MainMenu::EXIT; }

}  // namespace

MainMenu::MainMenu(GameApp* app) : app_(app) {
  for (int id = 0; id < kButtonCount; ++id) buttons_[size_t(id)] = std::make_unique<ButtonWidget>(id, this);
  // Escape asks whether to quit, as the exit button does.
  buttons_[EXIT]->navCancel = true;
}

MainMenu::~MainMenu() {
  for (auto& button : buttons_)
    if (button->parent) button->parent->RemoveWidget(button.get());
}

void MainMenu::Attached(WidgetManager* manager) {
  Widget::Attached(manager);
  app_->PlayThemeMusic();
  LayOutButtons();
  for (int id = 0; id < kButtonCount; ++id) {
    const int hint = kLayout[id].hint;
    texts_[size_t(id)] = app_->GetGameString(hint >= 0 ? hint : kWelcomeText);
  }
}

void MainMenu::LayOutButtons() {
  for (int id = 0; id < kButtonCount; ++id) {
    ButtonWidget& button = *buttons_[size_t(id)];
    const ButtonLayout& at = kLayout[id];
    if (id <= ENDLESS) {
      button.upPicture = IMAGE_MENUBUTTON;
      button.hoverPicture = IMAGE_FOCMENUBUTTON;
      button.pressedPicture = IMAGE_PRESSMENUBUTTON;
      button.SetColor(ButtonWidget::COLOR_LABEL, Color(200, 235, 255));
    } else if (id == EXIT) {
      button.upPicture = IMAGE_EXITBUTTON;
      button.hoverPicture = IMAGE_EXITBUTTONF;
      button.pressedPicture = IMAGE_EXITBUTTONP;
      button.SetColor(ButtonWidget::COLOR_LABEL, Color(255, 220, 220));
    } else {
      button.upPicture = IMAGE_HMBUTTON;
      button.hoverPicture = IMAGE_FOCHMBUTTON;
      button.pressedPicture = IMAGE_PRESSHMBUTTON;
      button.SetColor(ButtonWidget::COLOR_LABEL, Color(205, 235, 255));
    }
    button.SetColor(ButtonWidget::COLOR_LABEL_HILITE, Color::White);
    if (FONT_MAIN_MENU && !button.font) button.SetFont(FONT_MAIN_MENU);
    button.label = app_->GetGameString(at.label);
    // Children: they travel with the menu as it slides.
    button.Resize(at.x, at.y, at.width, at.height);
    if (!HasWidget(&button)) AddWidget(&button);
  }
}

std::string MainMenu::BalloonText() const {
  if (hovered_ >= 0 && hovered_ < kNoHint) return texts_[size_t(hovered_)];
  return texts_[kNoHint] + app_->mProfileName + "!";
}

void MainMenu::Update() {
  Widget::Update();
  const bool balloon = !app_->mSlide.active;
  if (balloon != balloonVisible_) {
    balloonVisible_ = balloon;
    MarkDirty();
  }
  if (balloon && askName && visible) {
    askName = false;
    AskForName();
  }

  if (answer_ != Dialog::kNoAnswer) {
    const int result = answer_;
    const int pending = pending_;
    pending_ = NONE;
    answer_ = Dialog::kNoAnswer;
    if (result == YesNoDlg::kYes && pending == CREATE_PROFILE) {
      const std::string problem = ProfileNameProblem(enteredName_);
      if (!problem.empty()) {
        // Asked again once the player has read why.
        app_->ShowMessage(problem, &answer_, false, YesNoDlg::kYes);
        pending_ = ASK_AGAIN;
        return;
      }
      app_->mProfiles.Create(enteredName_, true);
      MarkDirty();
    } else if (result == YesNoDlg::kYes && pending == QUIT) {
      app_->Shutdown();
    } else if (result == YesNoDlg::kYes && pending == ASK_AGAIN) {
      askName = true;
      return;
    }
  }

  if (slide_ != nullptr) {
    if (slide_->delay != kSlideDelay && slide_->delay != -1) {
      ++slide_->delay;
      return;
    }
    slide_->delay = -1;
    slide_->Step();
    MarkDirty();
    if (!slide_->active) {
      slide_ = nullptr;
      visible = false;
    }
  }
}

void MainMenu::AskForName() {
  pending_ = CREATE_PROFILE;
  enteredName_.clear();
  auto* entry = new EnterValDlg(false, &answer_, &enteredName_, app_, true);
  entry->prompt = app_->GetGameString(kNamePrompt);
  app_->RegisterDialog(entry);
}

void MainMenu::Draw(Graphics* g) {
  if (IMAGE_MENUBKG) g->DrawImage(IMAGE_MENUBKG, 0, 0);
  if (!balloonVisible_) return;
  if (IMAGE_BALOON) g->DrawImage(IMAGE_BALOON, 175, 100);
  if (!FONT_BALOON) return;
  g->SetFont(FONT_BALOON);
  g->SetColor(Color(0, 70, 130));
  WriteWrapped(g, kHintRect, BalloonText(), -1, JUSTIFY_LEFT);
}

void MainMenu::OnButtonHoverStart(int id) {
  if (app_->mSlide.active) return;
  app_->PlaySound(IsLargeButton(id) ? EFFECT_BIG_BUTTON_FOCUSED : EFFECT_MEDIUM_BUTTON_FOCUSED);
  hovered_ = id;
  MarkDirty();
}

void MainMenu::OnButtonHoverEnd(int) {
  hovered_ = kNoHint;
  MarkDirty();
}

void MainMenu::OnButtonReleased(int id) {
  // Nothing starts before the player has a name: the prompt is about to open, or is open.
  if (app_->mSlide.active || askName || pending_ == CREATE_PROFILE || pending_ == ASK_AGAIN) return;
  visible = true;
  app_->PlaySound(IsLargeButton(id) ? EFFECT_BIG_BUTTON_CLICKED : EFFECT_MEDIUM_BUTTON_CLICKED);
  const int level = app_->mStoryWidget->mLevel;
  const bool passed = app_->mGamePassed == 1;
  switch (id) {
    case STORY: {
      StoryWidget* map = app_->mStoryWidget.get();
      map->reloadImages = true;
      map->visible = true;
      LeaveFor(map, GameApp::STATE_MAP);
      break;
    }
    case CUSTOM:
      if (passed || level >= kCustomFromLevel) {
        LeaveFor(app_->AdoptScreen(std::make_unique<CustomGWidget>(app_)), GameApp::STATE_CUSTOM);
      } else {
        app_->ShowMessage(app_->GetGameString(kCustomLocked));
      }
      break;
    case ENDLESS:
      if (passed || level >= kEndlessFromLevel) {
        LeaveFor(app_->AdoptScreen(std::make_unique<EndlessScreen>(app_)), GameApp::STATE_ENDLESS);
      } else {
        app_->ShowMessage(app_->GetGameString(kEndlessLocked));
      }
      break;
    case EXIT: {
      pending_ = QUIT;
      app_->ShowMessage(app_->GetGameString(kQuitQuestion), &answer_, true);
      break;
    }
    case HELP: LeaveFor(app_->AdoptScreen(std::make_unique<HelpWidget>(app_)), GameApp::STATE_CUSTOM); break;
    case SETTINGS: {
      auto* settings = new SettingsDlg(app_);
      settings->Resize(150, 480, 336, 300);
      app_->RegisterDialog(settings);
      break;
    }
    case PROFILES: {
      auto* profiles = new ProfilesDlg(app_);
      profiles->Resize(120, 480, 425, 350);
      app_->RegisterDialog(profiles);
      break;
    }
    case CREDITS: app_->RegisterDialog(new Credits(app_)); break;
    default: break;
  }
}

void MainMenu::LeaveFor(Widget* screen, int screenState) {
  app_->mScreenState = screenState;
  screen->Resize(0, 0, 640, 480);
  if (!widgetManager->HasWidget(screen)) widgetManager->AddWidget(screen);
  widgetManager->BringToBack(screen);
  widgetManager->BringToFront(this);
  app_->mSlide.Start(this);
  slide_ = &app_->mSlide;
}

}  // namespace Orva

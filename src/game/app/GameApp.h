#pragma once

#include <array>
#include <atomic>
#include <list>
#include <memory>
#include <string>

#include "framework/app/OrvaAppBase.h"
#include "framework/audio/AudioDevice.h"
#include "framework/widgets/Dialog.h"
#include "game/app/ProfileStore.h"
#include "game/board/BoardHost.h"
#include "game/board/ParticleTemplates.h"
#include "game/core/StringTable.h"
#include "game/screens/PauseWidget.h"
#include "game/screens/ScreenSlide.h"

namespace Orva {

class Board;
class Dialog;
class LoadingScreen;
class MainMenu;
class StoryWidget;
class Widget;
class WinnerWidget;

// The effects by number (PlaySound); GameApp::kEffectFiles names their files.
enum GameEffect {
  EFFECT_BIG_BUTTON_FOCUSED = 6,
  EFFECT_BIG_BUTTON_CLICKED = 7,
  EFFECT_MEDIUM_BUTTON_CLICKED = 8,
  EFFECT_MEDIUM_BUTTON_FOCUSED = 9,
  EFFECT_SIMPLE_BUTTON_CLICKED = 10,
  EFFECT_FULL_WIN = 16,
};

// What the command line asked to play right after loading ("-play=...").
struct PlayRequest {
  enum Kind { NONE, STORY, CUSTOM, ENDLESS };
  Kind kind = NONE;
  int level = 1;  // 1-based
  int stage = 1;  // 1-based (story only)

  // "story:LEVEL:STAGE", "custom:LEVEL" or "endless"; false when the text is none of them.
  static bool Parse(const std::string& text, PlayRequest& out);
};

// The game's application: start-up and loading of its resources, the sound device and music,
// the string table, the playing field and the screens around it, the screen state and the pause
// that follows loss of focus.
//
// Threads: LoaderThreadBody runs on the loading thread and touches only the resource manager, the
// task counters, the effects (mSounds) and the loading failure it records; everything else runs
// on the main thread.
class GameApp : public OrvaAppBase, public BoardHost {
 public:
  static constexpr int kEffectCount = 18;
  // The effects in the order of their numbers (PlaySound), as files under "sound/".
  static const std::array<const char*, kEffectCount> kEffectFiles;

  // Screen states (mScreenState): which screen is in front.
  enum ScreenState {
    STATE_LOADING = 0,
    STATE_MENU = 1,
    STATE_MAP = 2,
    STATE_STAGE = 3,
    STATE_LAST_RESULT = 4,
    STATE_ENDLESS = 5,
    STATE_CUSTOM = 6
  };

  GameApp();
  ~GameApp() override;

  // ---- OrvaAppBase
  void Init() override;
  void LoaderThreadBody() override;
  void LoaderFinishedHook() override;
  void LostFocusHook() override;
  void GotFocusHook() override;
  // Unplugging the pad in play pauses a stage, as the loss of focus does.
  void PadRemovedHook(int pad) override;
  void ApplySwitch(const std::string& name, const std::string& value) override;
  std::string SwitchHelp() const override;

  // ---- Audio (GameAudio.cpp)
  // The output device; the null device when running headless. Null when none opens.
  virtual AudioDevicePtr OpenAudioDevice();
  void PlaySound(int effect) override;
  void PlayLevelMusic(int n) override;
  void StopLevelMusic() override;
  void StopThemeMusic() override;
  void PlayThemeMusic();
  void SetEffectsVolume(float volume);

  // ---- BoardHost
  const std::string& GetGameString(int index) override;
  int GetLives() override { return mLives; }
  void SetLives(int lives) override { mLives = lives; }
  long long GetTotalScore() override { return mTotalScore; }
  long long GetLastLifeTotal() override { return mLastLifeScore; }
  void SetLastLifeTotal(long long total) override { mLastLifeScore = total; }
  void SetScreenState(int state) override { mScreenState = state; }
  bool IsScreenSlideActive() override { return mSlide.active; }
  int GetMapLevel() override;
  int GetMapStage() override;
  void ShowPauseOverlay() override;
  void HidePauseOverlay() override;
  bool OpenGameMenu(Board* board) override;
  void StageEnded(Board* board, int result, int x, int y, int w, int h) override;
  std::unique_ptr<MemoryImage> LoadPicture(const std::string& path) override;

  // ---- What the screens share
  // Adds a one-button message (or, with twoButtons, a yes/no question) over everything. The
  // answer goes to *answerTo when given: the button's id for a question, the fallback for a
  // message (by default none: closing a message answers nothing).
  void ShowMessage(const std::string& text, int* answerTo = nullptr, bool twoButtons = false,
                   int fallback = Dialog::kNoAnswer);
  // Writes one key of the current profile. A failure is told to the player once (until a write
  // succeeds again) and the game goes on; nothing is written without a current profile, or in a
  // run that -play started.
  bool WriteProfileKey(const std::string& key, const std::string& value);
  bool WriteProfileKey(const std::string& key, long long value);
  // Tells the player, once until a write succeeds again, that progress could not be saved.
  void TellProfileWriteFailed(const std::string& path, const std::string& reason);
  // The file of the current profile (empty without one).
  std::string CurrentProfilePath() const;
  // Shows the main menu behind the screen in front (which then slides away over it).
  void ShowMainMenuBehind();
  // A stage that starts while the window is in the background waits under the pause overlay.
  void PauseIfInBackground();
  // The board, uncovered by the screen that slid away over it, takes the keyboard and plays.
  void PlayBoardInFront();
  // Screens made anew each time they are shown (the endless screen): the application owns them
  // until, having slid away, they are released to the deferred deletion.
  Widget* AdoptScreen(std::unique_ptr<Widget> screen);
  void ReleaseScreen(Widget* screen);

  // ---- State others read
  bool LoadingFailed() const { return loadingFailed_; }
  // What main returns: 1 when loading failed, otherwise 0.
  int ExitCode() const { return loadingFailed_ ? 1 : 0; }
  const PlayRequest& GetPlayRequest() const { return playRequest_; }
  // The one line printed when a stage ends, e.g. "stage result: won level=1 stage=2 score=1234 ...".
  static std::string DescribeResult(const Board& board, int result);

  // The six particle templates (the board copies five; red_radial is the level map's).
  // Null until loading has finished.
  const ParticleTemplates* Templates() const { return particles_.get(); }

  // ---- Members the screens share
  AudioDevicePtr mSoundDevice;
  std::array<OutputStreamPtr, kEffectCount> mSounds;
  OutputStreamPtr mThemeMusic;
  OutputStreamPtr mLevelMusic;
  ProfileStore mProfiles{this};
  std::unique_ptr<StoryWidget> mStoryWidget;
  std::unique_ptr<Board> mBoard;
  PauseWidget mPauseWidget;
  // Shown while loading, and the winner screen after the campaign: each hands itself to
  // DeferDelete (releasing the pointer here) once it has slid away.
  std::unique_ptr<LoadingScreen> mLoadingScreen;
  std::unique_ptr<WinnerWidget> mWinnerWidget;
  std::list<std::unique_ptr<Widget>> mScreens;  // see AdoptScreen
  std::unique_ptr<MainMenu> mMainMenu;
  ScreenSlide mSlide;
  StringTable mStrings;
  int mScreenState = STATE_LOADING;

  // The current profile (written by ProfileStore and the screens).
  std::string mProfileName;  // empty until a profile exists
  long long mTotalScore = 0;
  int mLives = 3;  // carried from stage to stage in the campaign, at most 5
  int mGamePassed = 0;
  long long mEndlessScore = 0;
  int mEndlessSpeed = 0;
  int mEndlessMinutes = 0;
  int mEndlessSeconds = 0;
  int mEndlessChain = 0;
  long long mLastLifeScore = 0;  // the total score at the last extra life

 private:
  // Marks loading as failed; the text is shown (in a "Message" box, or as the resource error)
  // on the main thread once the loading thread has ended.
  void FailLoading(const std::string& message, bool resourceError);
  // Shows a failure of start-up; headless, nobody could close the window, so the program ends.
  void ReportLoadingFailure(const std::string& message, bool resourceError);
  void LoadParticles();
  // Starts what -play asked for right after loading.
  void StartRequestedGame();
  void ShowBoard();

  std::atomic<bool> loadingFailed_{false};
  std::string loaderMessage_;  // written by the loading thread, read after it has ended
  bool loaderResourceError_ = false;
  PlayRequest playRequest_;
  bool endAfterStage_ = false;       // "-onestage": the program ends when the first stage does
  bool profileWritesOff_ = false;    // a run that -play started never writes the player's profile
  bool profileWriteFailed_ = false;  // told to the player; quiet until a write succeeds again

  std::unique_ptr<ParticleTemplates> particles_;
};

}  // namespace Orva

#pragma once

#include <array>
#include <atomic>
#include <memory>
#include <string>

#include "framework/app/OrvaAppBase.h"
#include "framework/audio/AudioDevice.h"
#include "game/board/BoardHost.h"
#include "game/board/ParticleTemplates.h"
#include "game/core/StringTable.h"
#include "game/screens/PauseWidget.h"

namespace Orva {

class Board;
class Widget;

// The horizontal slide of a full-screen screen: the widget moves 10 pixels left per update until
// it has travelled the distance (640, so a slide lasts 64 updates). The screen that owns a
// pointer to it advances it; while it is active the menu screens ignore their buttons.
struct ScreenSlide {
  Widget* widget = nullptr;
  bool active = false;
  int distance = 640;
  int delay = 0;  // updates the main menu holds its slide back
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
  void ApplySwitch(const std::string& name, const std::string& value) override;

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
  long long GetLastLifeTotal() override { return mLastLifeTotal; }
  void SetLastLifeTotal(long long total) override { mLastLifeTotal = total; }
  void SetScreenState(int state) override { mScreenState = state; }
  bool IsScreenSlideActive() override { return mSlide.active; }
  int GetMapLevel() override { return mMapLevel; }
  int GetMapStage() override { return mMapStage; }
  void ShowPauseOverlay() override;
  void HidePauseOverlay() override;
  bool OpenGameMenu(Board* board) override;
  void StageEnded(Board* board, int result, int x, int y, int w, int h) override;
  std::unique_ptr<MemoryImage> LoadPicture(const std::string& path) override;

  // ---- State others read
  bool LoadingFailed() const { return loadingFailed_; }
  // What main returns: 1 when loading failed, otherwise 0.
  int ExitCode() const { return loadingFailed_ ? 1 : 0; }
  const PlayRequest& GetPlayRequest() const { return playRequest_; }
  // The one line StageEnded prints, e.g. "stage result: won level=1 stage=2 score=1234 ...".
  static std::string DescribeResult(const Board& board, int result);
  // The six particle templates (the board copies five; red_radial is the level map's).

  // Null until loading has finished.
  const ParticleTemplates* Templates() const { return particles_.get(); }

  // ---- Members the screens share
  AudioDevicePtr mSoundDevice;
  std::array<OutputStreamPtr, kEffectCount> mSounds;
  OutputStreamPtr mThemeMusic;
  OutputStreamPtr mLevelMusic;
  std::unique_ptr<Board> mBoard;
  PauseWidget mPauseWidget;
  ScreenSlide mSlide;
  StringTable mStrings;
  int mScreenState = STATE_LOADING;
  int mLives = 3;
  // Seam for the profile store: the player's total score and the total at which the last extra
  // life was given live here until profiles exist.
  long long mTotalScore = 0;
  long long mLastLifeTotal = 0;
  // Seam for the level map: the level and stage it has chosen (1-based).
  int mMapLevel = 1;
  int mMapStage = 1;

 private:
  // Marks loading as failed; the text is shown (in a "Message" box, or as the resource error)
  // on the main thread once the loading thread has ended.
  void FailLoading(const std::string& message, bool resourceError);
  // Shows a failure of start-up; headless, nobody could close the window, so the program ends.
  void ReportLoadingFailure(const std::string& message, bool resourceError);
  void LoadParticles();
  // Starts what -play asked for (or, until the main menu exists, story level 1 stage 1).
  void StartRequestedGame();
  void ShowBoard();

  std::atomic<bool> loadingFailed_{false};
  std::string loaderMessage_;  // written by the loading thread, read after it has ended
  bool loaderResourceError_ = false;
  PlayRequest playRequest_;

  std::unique_ptr<ParticleTemplates> particles_;
};

}  // namespace Orva

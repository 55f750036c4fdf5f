#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "framework/platform/UserFolders.h"
#include "support/ScopedEnv.h"

namespace Orva {
namespace {

using ::Testing::ScopedEnv;

TEST(UserFolders, FoldersComeFromTheRegistryKeyBelowTheDesktopsFolders) {
  ScopedEnv config("XDG_CONFIG_HOME", "/cfg");
  ScopedEnv data("XDG_DATA_HOME", "/data/");
  EXPECT_EQ(ConfigFolderFor("Kvorn\\MiroVale"), "/cfg/Kvorn/MiroVale/");
  EXPECT_EQ(DataFolderFor("Kvorn\\MiroVale\\"), "/data/Kvorn/MiroVale/");
  // A key cannot climb out of the folder or name the root.
  EXPECT_EQ(ConfigFolderFor("..\\..\\etc"), "/cfg/etc/");
  EXPECT_EQ(ConfigFolderFor("\\"), "");
  EXPECT_EQ(ConfigFolderFor(""), "");
}

TEST(UserFolders, WithoutTheVariablesTheHomeFoldersAreUsed) {
  ScopedEnv config("XDG_CONFIG_HOME", nullptr);
  ScopedEnv data("XDG_DATA_HOME", "relative/is/ignored");
  ScopedEnv home("HOME", "/home/ann");
  EXPECT_EQ(ConfigFolderFor("V\\P"), "/home/ann/.config/V/P/");
  EXPECT_EQ(DataFolderFor("V\\P"), "/home/ann/.local/share/V/P/");
}

TEST(UserFolders, OnlyOneHolderOfAnInstanceLockAtATime) {
  const std::string runtime = std::filesystem::temp_directory_path() / ("orva_lock_" + std::to_string(getpid()));
  std::filesystem::create_directories(runtime);
  ScopedEnv env("XDG_RUNTIME_DIR", runtime.c_str());
  SingleInstanceLock first, second;
  ASSERT_TRUE(first.Acquire("Miro/ValeMutex"));
  EXPECT_FALSE(second.Acquire("Miro/ValeMutex"));
  EXPECT_TRUE(second.Acquire("OtherMutex"));
  first.Release();
  EXPECT_FALSE(first.Acquire("OtherMutex"));
  second.Release();
  EXPECT_TRUE(first.Acquire("Miro/ValeMutex"));
  std::filesystem::remove_all(runtime);
}

TEST(UserFolders, OnlyALockHeldByAnotherCopyMeansAlreadyRunning) {
  SingleInstanceLock lock;
  {
    // An unusable runtime folder: no lock can be taken, but nothing else runs either.
    ScopedEnv env("XDG_RUNTIME_DIR", "/proc/no/such/folder");
    EXPECT_EQ(lock.Take("Miro/ValeMutex"), SingleInstanceLock::UNAVAILABLE);
    EXPECT_FALSE(lock.Held());
  }
  {
    // Without a runtime folder the lock lives in the shared temporary folder under a name of
    // this user's own, so it locks out no other user.
    ScopedEnv env("XDG_RUNTIME_DIR", nullptr);
    const std::string name = "OrvaLockTest" + std::to_string(getpid());
    ASSERT_EQ(lock.Take(name), SingleInstanceLock::TAKEN);
    SingleInstanceLock second;
    EXPECT_EQ(second.Take(name), SingleInstanceLock::HELD_ELSEWHERE);
    bool ownName = false;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::temp_directory_path())) {
      const std::string file = entry.path().filename().string();
      if (file.find(name) != std::string::npos) ownName = file.find(std::to_string(getuid())) != std::string::npos;
    }
    EXPECT_TRUE(ownName);
    lock.Release();
  }
}

// A second launch asks the running copy to show its window, then ends quietly.
TEST(UserFolders, ASecondCopyCanAskTheRunningOneToComeToTheFront) {
  ScopedEnv env("XDG_RUNTIME_DIR", nullptr);
  const std::string name = "OrvaRaiseTest" + std::to_string(getpid());
  SingleInstanceLock running;
  ASSERT_EQ(running.Take(name), SingleInstanceLock::TAKEN);
  EXPECT_FALSE(running.TakeActivationRequest()) << "nobody asked yet";

  SingleInstanceLock second;
  ASSERT_EQ(second.Take(name), SingleInstanceLock::HELD_ELSEWHERE);
  EXPECT_TRUE(second.RequestActivation(name));
  EXPECT_TRUE(running.TakeActivationRequest());
  EXPECT_FALSE(running.TakeActivationRequest()) << "one request, one answer";

  running.Release();
  EXPECT_FALSE(second.RequestActivation(name)) << "nobody listens any more";
}

// Run from the build, the data lies beside the program; installed, it lies under the prefix's
// share folder, found from the program's own folder so that the prefix may be anywhere.
TEST(UserFolders, TheDataIsBesideTheProgramOrUnderTheInstallPrefix) {
  namespace fs = std::filesystem;
  const fs::path root = fs::temp_directory_path() / ("orva_datafolder_" + std::to_string(::getpid()));
  fs::remove_all(root);
  fs::create_directories(root / "build/game/properties");
  fs::create_directories(root / "prefix/bin");
  fs::create_directories(root / "prefix/share/orvatest");
  { std::ofstream(root / "prefix/share/orvatest/main.pak") << "x"; }
  fs::create_directories(root / "empty/bin");

  const std::string beside = (root / "build/game").string() + "/";
  EXPECT_EQ(ProgramDataFolder(beside, "../share/orvatest/"), beside);
  EXPECT_EQ(ProgramDataFolder((root / "prefix/bin").string() + "/", "../share/orvatest/"),
            (root / "prefix/share/orvatest").string() + "/");
  const std::string nowhere = (root / "empty/bin").string() + "/";
  EXPECT_EQ(ProgramDataFolder(nowhere, "../share/orvatest/"), nowhere) << "nothing found: where the program is";
  EXPECT_EQ(ProgramDataFolder(nowhere, ""), nowhere);
  fs::remove_all(root);
}

TEST(UserFolders, TheExecutableFolderHoldsThisProgram) {
  const std::string folder = ExecutableFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '/');
  EXPECT_TRUE(std::filesystem::exists(folder + "orva_platform_tests"));
}

}  // namespace
}  // namespace Orva

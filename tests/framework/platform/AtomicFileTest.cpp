#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "framework/platform/AtomicFile.h"
#include "support/FileSizeLimit.h"
#include "support/TempFolder.h"

namespace Orva {
namespace {

namespace fs = std::filesystem;
using Testing::TempFolder;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> Names(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(AtomicFile, TwoWritersAtOnceAlwaysLeaveOneWholeFile) {
  TempFolder folder("atomic_race");
  const fs::path path = folder / "registry.reg";
  // Different lengths and bytes, so a file spliced from both or cut short cannot pass for either.
  const std::string first(96 * 1024, 'a');
  const std::string second(64 * 1024 + 7, 'b');
  ASSERT_TRUE(WriteFileAtomically(path.string(), first));

  std::atomic<int> writersLeft{2};
  std::atomic<int> failedWrites{0};
  auto writer = [&](const std::string& text) {
    for (int i = 0; i < 100; ++i)
      if (!WriteFileAtomically(path.string(), text)) ++failedWrites;
    --writersLeft;
  };
  std::thread one(writer, first);
  std::thread two(writer, second);
  int reads = 0, torn = 0;
  while (writersLeft > 0 || reads < 10) {
    const std::string seen = ReadAll(path);
    if (seen != first && seen != second) ++torn;
    ++reads;
  }
  one.join();
  two.join();
  EXPECT_EQ(failedWrites, 0);
  EXPECT_EQ(torn, 0) << "of " << reads << " reads";
  EXPECT_EQ(Names(folder.Path()), std::vector<std::string>{"registry.reg"}) << "no temporary file is left";
}

TEST(AtomicFile, PlantedLinksAreNeitherFollowedNorReplaced) {
  TempFolder folder("atomic_links");
  const fs::path victim = folder / "elsewhere/victim";
  ASSERT_TRUE(folder.Write("elsewhere/victim", "precious"));
  const fs::path path = folder / "profiles/p.ini";
  fs::create_directories(path.parent_path());
  // Planted where the writer used to put its temporary file.
  fs::create_symlink(victim, path.string() + ".tmp");

  ASSERT_TRUE(WriteFileAtomically(path.string(), "fresh"));
  EXPECT_EQ(ReadAll(victim), "precious");
  EXPECT_FALSE(fs::is_symlink(path));
  EXPECT_EQ(ReadAll(path), "fresh");
  EXPECT_TRUE(fs::is_symlink(path.string() + ".tmp"));
  EXPECT_EQ(fs::read_symlink(path.string() + ".tmp"), victim);
  EXPECT_EQ(Names(folder / "elsewhere"), std::vector<std::string>{"victim"});
  EXPECT_EQ(Names(path.parent_path()), (std::vector<std::string>{"p.ini", "p.ini.tmp"}));
}

// A player who keeps the file elsewhere behind a link (a synced folder, a dotfiles repository)
// keeps the link, and a file made private stays private.
TEST(AtomicFile, ARewriteGoesThroughTheFilesOwnLinkAndKeepsItsPermissions) {
  TempFolder folder("atomic_own_link");
  ASSERT_TRUE(folder.Write("synced/settings.reg", "old"));
  fs::permissions(folder / "synced/settings.reg", fs::perms::owner_read | fs::perms::owner_write);
  fs::create_directories(folder / "config");
  fs::create_symlink("../synced/settings.reg", folder / "config/settings.reg");
  fs::create_symlink("settings.reg", folder / "config/again.reg");  // a link to the link

  ASSERT_TRUE(WriteFileAtomically((folder / "config/again.reg").string(), "new"));
  EXPECT_TRUE(fs::is_symlink(folder / "config/settings.reg"));
  EXPECT_TRUE(fs::is_symlink(folder / "config/again.reg"));
  EXPECT_EQ(ReadAll(folder / "synced/settings.reg"), "new");
  EXPECT_EQ(fs::status(folder / "synced/settings.reg").permissions(), fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(Names(folder / "synced"), std::vector<std::string>{"settings.reg"});

  // A link to nothing yet makes its target.
  fs::create_symlink("../synced/later.reg", folder / "config/later.reg");
  ASSERT_TRUE(WriteFileAtomically((folder / "config/later.reg").string(), "made"));
  EXPECT_TRUE(fs::is_symlink(folder / "config/later.reg"));
  EXPECT_EQ(ReadAll(folder / "synced/later.reg"), "made");
}

TEST(AtomicFile, AFailedWriteLeavesTheOldFileAndNoTemporaryAndSaysWhy) {
  TempFolder folder("atomic_fail");
  const fs::path locked = folder / "locked";
  const fs::path path = locked / "p.ini";
  ASSERT_TRUE(folder.Write("locked/p.ini", "old"));
  fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                              fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);

  // A read-only folder. The superuser writes anywhere, so then the writer runs as nobody in a
  // child process.
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
    std::string reason;
    const bool wrote = WriteFileAtomically(path.string(), "new", reason);
    _exit(!wrote && reason == "Permission denied" ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 2) {
    ADD_FAILURE() << "could not give up the superuser's rights to test a read-only folder";
  } else {
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the write must fail with the folder's reason";
  }
  EXPECT_EQ(ReadAll(path), "old");
  EXPECT_EQ(Names(locked), std::vector<std::string>{"p.ini"});
  fs::permissions(locked, fs::perms::owner_all);

  // Failures after the temporary file is made: while writing it, and at the rename (a folder
  // stands where the file goes).
  std::string reason;
  {
    Testing::FileSizeLimit limit(1024);
    EXPECT_FALSE(WriteFileAtomically(path.string(), std::string(4096, 'x'), reason));
  }
  EXPECT_EQ(reason, "File too large");
  EXPECT_EQ(ReadAll(path), "old");
  EXPECT_EQ(Names(locked), std::vector<std::string>{"p.ini"});
  fs::create_directories(folder / "taken/p.ini/inside");
  EXPECT_FALSE(WriteFileAtomically((folder / "taken/p.ini").string(), "new", reason));
  EXPECT_EQ(reason, "Is a directory");
  EXPECT_EQ(Names(folder / "taken"), std::vector<std::string>{"p.ini"});
  EXPECT_EQ(Names(folder / "taken/p.ini"), std::vector<std::string>{"inside"});

  // The plain form answers the same, without the reason.
  EXPECT_FALSE(WriteFileAtomically((folder / "taken/p.ini").string(), "new"));
  EXPECT_FALSE(WriteFileAtomically("", "new", reason));
  EXPECT_FALSE(reason.empty());
}

}  // namespace
}  // namespace Orva

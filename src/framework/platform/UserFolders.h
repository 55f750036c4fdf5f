#pragma once

#include <string>

namespace Orva {

// The folders the program keeps its own files in, after the desktop's conventions: settings under
// $XDG_CONFIG_HOME (~/.config), files it writes (profiles, screenshots) under $XDG_DATA_HOME
// (~/.local/share), each in a folder made from the registry key ("Vendor\Product" becomes
// "Vendor/Product"). Every result ends in "/"; empty when the key is empty or no home is known.
std::string ConfigFolderFor(const std::string& registryKey);
std::string DataFolderFor(const std::string& registryKey);

// The folder holding the running executable, ending in "/"; empty when it cannot be found.
std::string ExecutableFolder();

// Where a program finds its data: its own folder when the data lies there (a "main.pak" or a
// "properties" folder, as in the build), else installedRelative below it when the data lies there
// (an installed program: "../share/name/" from its "bin"), else its own folder. Ends in "/".
std::string ProgramDataFolder(const std::string& programFolder, const std::string& installedRelative);

// One running copy per product: an advisory lock on a file in $XDG_RUNTIME_DIR (or the temporary
// folder). The lock goes with the process, also when it crashes.
class SingleInstanceLock {
 public:
  SingleInstanceLock() = default;
  ~SingleInstanceLock() { Release(); }
  SingleInstanceLock(const SingleInstanceLock&) = delete;
  SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

  enum Outcome {
    TAKEN,           // this process holds the lock now
    HELD_ELSEWHERE,  // another copy of this user's program holds it: that copy is running
    UNAVAILABLE,     // no lock could be taken (an unusable folder): nothing says another copy runs
  };
  // Takes the lock of this name. Without $XDG_RUNTIME_DIR the lock file lies in the shared
  // temporary folder with the user's id in its name, so users do not lock each other out; it is
  // never opened through a symbolic link.
  Outcome Take(const std::string& name);
  // Take, answering whether the lock is held now.
  bool Acquire(const std::string& name) { return Take(name) == TAKEN; }
  void Release();
  bool Held() const { return fd_ >= 0; }

  // The holder listens on a socket beside the lock file; another copy that finds the lock held
  // asks through it that the running copy show itself (RequestActivation, false when nobody
  // listens), and the holder collects the requests without waiting (TakeActivationRequest).
  bool RequestActivation(const std::string& name);
  bool TakeActivationRequest();

 private:
  int fd_ = -1;
  int listener_ = -1;
  std::string socketPath_;
};

}  // namespace Orva

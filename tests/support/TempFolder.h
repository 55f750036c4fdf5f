#pragma once

// A private folder under the system's temporary folder for tests that need files on disk, removed
// with everything in it when the object goes; and a guard that works inside another folder for a
// while, for code that opens files by relative names the way the game does.
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace Orva::Testing {

class TempFolder {
 public:
  // The name is a hint; the process id and a counter keep parallel test programs apart.
  explicit TempFolder(const std::string& hint) {
    static std::atomic<int> serial{0};
    path_ = std::filesystem::temp_directory_path() /
            ("orva_" + hint + "_" + std::to_string(getpid()) + "_" + std::to_string(serial++));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  std::filesystem::path operator/(const std::string& relative) const { return path_ / relative; }

  // Writes the bytes to a file below the folder, creating the folders on its way; false on failure.
  bool Write(const std::string& relative, std::string_view bytes) const {
    const std::filesystem::path file = path_ / relative;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    return bool(out);
  }

 private:
  std::filesystem::path path_;
};

// Makes the folder the working folder until the guard goes.
class WorkingFolder {
 public:
  explicit WorkingFolder(const std::filesystem::path& folder) : saved_(std::filesystem::current_path()) {
    std::filesystem::current_path(folder);
  }
  ~WorkingFolder() {
    std::error_code ec;
    std::filesystem::current_path(saved_, ec);
  }
  WorkingFolder(const WorkingFolder&) = delete;
  WorkingFolder& operator=(const WorkingFolder&) = delete;

 private:
  std::filesystem::path saved_;
};

}  // namespace Orva::Testing

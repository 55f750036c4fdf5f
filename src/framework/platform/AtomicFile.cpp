#include "framework/platform/AtomicFile.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <system_error>

namespace Orva {

namespace {

std::string Reason(int error) { return std::generic_category().message(error); }

// Six letters and digits nobody can guess; a clash with a name already there only costs a try.
std::string RandomSuffix() {
  static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  uint64_t bits = 0;
  if (::getrandom(&bits, sizeof bits, GRND_NONBLOCK) != ssize_t(sizeof bits)) {
    // Without the kernel's generator: different per process, per call and per moment.
    static std::atomic<uint64_t> calls{0};
    bits = uint64_t(::getpid()) * 0x9E3779B97F4A7C15u ^ (++calls << 40) ^
           uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());
  }
  std::string suffix;
  for (int i = 0; i < 6; ++i, bits /= 62) suffix += kAlphabet[bits % 62];
  return suffix;
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t written = ::write(fd, data.data(), data.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      if (written == 0) errno = EIO;
      return false;
    }
    data.remove_prefix(size_t(written));
  }
  return true;
}

// Makes the rename itself last through a power cut. The new file is in place by then, so a folder
// that cannot be flushed (some file systems refuse) does not turn the write into a failure.
void SyncFolder(const std::filesystem::path& folder) {
  const std::string name = folder.empty() ? std::string(".") : folder.string();
  const int fd = ::open(name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// The file a write should replace: path itself, or, when path is a symbolic link (the player keeps
// the file elsewhere), what the link finally names, so that the rename replaces the file and not
// the link. A link to nothing yet names the file to make.
std::string FinalTarget(const std::string& path) {
  std::filesystem::path current(path);
  for (int hop = 0; hop < 40; ++hop) {
    std::error_code error;
    if (!std::filesystem::is_symlink(std::filesystem::symlink_status(current, error)) || error) break;
    const std::filesystem::path next = std::filesystem::read_symlink(current, error);
    if (error) break;
    current = next.is_absolute() ? next : current.parent_path() / next;
  }
  return current.string();
}

}  // namespace

bool WriteFileAtomically(const std::string& path, std::string_view data) {
  std::string ignored;
  return WriteFileAtomically(path, data, ignored);
}

bool WriteFileAtomically(const std::string& linkOrPath, std::string_view data, std::string& reason) {
  reason.clear();
  if (linkOrPath.empty()) {
    reason = Reason(ENOENT);
    return false;
  }
  const std::string path = FinalTarget(linkOrPath);
  const std::filesystem::path target(path);
  if (target.has_parent_path()) {
    std::error_code error;
    std::filesystem::create_directories(target.parent_path(), error);
    if (error) {
      reason = error.message();
      return false;
    }
  }

  // A name of this write's own in the target's folder (so the rename stays on one file system).
  // O_EXCL with O_NOFOLLOW refuses anything already there, a planted link above all.
  std::string temporary;
  int fd = -1;
  int error = 0;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temporary = path + "." + RandomSuffix() + ".tmp";
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    error = fd < 0 ? errno : 0;
    if (fd < 0 && error != EEXIST) break;
  }
  if (fd < 0) {
    reason = Reason(error);
    return false;
  }

  // The new file takes the old one's permission bits: a file the player made private stays so.
  struct stat old {};
  if (::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) ::fchmod(fd, old.st_mode & 0777);

  if (!WriteAll(fd, data) || ::fsync(fd) != 0) error = errno;
  // Delayed write errors (a full disk over the network) may only show here.
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && ::rename(temporary.c_str(), path.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temporary.c_str());
    reason = Reason(error);
    return false;
  }
  SyncFolder(target.parent_path());
  return true;
}

}  // namespace Orva

#include "framework/platform/UserFolders.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace Orva {

namespace {

std::string EnvOr(const char* name, const std::string& fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && value[0] == '/' ? std::string(value) : fallback;
}

std::string Home() {
  const char* home = std::getenv("HOME");
  return home != nullptr ? std::string(home) : std::string();
}

// "Vendor\Product\" -> "Vendor/Product/"; names that would climb out of the folder are dropped.
std::string KeyAsFolders(const std::string& registryKey) {
  std::string out;
  std::string part;
  auto flush = [&] {
    if (!part.empty() && part != "." && part != "..") out += part + "/";
    part.clear();
  };
  for (char c : registryKey) {
    if (c == '\\' || c == '/') {
      flush();
    } else {
      part += c;
    }
  }
  flush();
  return out;
}

std::string FolderFor(const char* variable, const char* homeFallback, const std::string& registryKey) {
  const std::string key = KeyAsFolders(registryKey);
  if (key.empty()) return std::string();
  const std::string home = Home();
  std::string base = EnvOr(variable, home.empty() ? std::string() : home + homeFallback);
  if (base.empty()) return std::string();
  if (base.back() != '/') base += '/';
  return base + key;
}

}  // namespace

std::string ConfigFolderFor(const std::string& registryKey) {
  return FolderFor("XDG_CONFIG_HOME", "/.config", registryKey);
}

std::string DataFolderFor(const std::string& registryKey) {
  return FolderFor("XDG_DATA_HOME", "/.local/share", registryKey);
}

std::string ExecutableFolder() {
  std::error_code error;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error || !exe.has_parent_path()) return std::string();
  std::string folder = exe.parent_path().string();
  if (folder.back() != '/') folder += '/';
  return folder;
}

std::string ProgramDataFolder(const std::string& programFolder, const std::string& installedRelative) {
  const auto holdsData = [](const std::filesystem::path& folder) {
    std::error_code error;
    return std::filesystem::exists(folder / "main.pak", error) ||
           std::filesystem::is_directory(folder / "properties", error);
  };
  const auto withSlash = [](std::string folder) {
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder;
  };
  if (programFolder.empty() || installedRelative.empty() || holdsData(programFolder)) return withSlash(programFolder);
  const std::filesystem::path installed = (std::filesystem::path(programFolder) / installedRelative).lexically_normal();
  return holdsData(installed) ? withSlash(installed.string()) : withSlash(programFolder);
}

namespace {

// The lock's file name without its extension: in $XDG_RUNTIME_DIR, or in the shared temporary
// folder under a name of this user's own.
std::string InstancePathStem(const std::string& name) {
  std::string fileName;
  for (char c : name) fileName += (c == '/' || c == '\\') ? '_' : c;
  std::string folder = EnvOr("XDG_RUNTIME_DIR", "");
  if (folder.empty()) {
    folder = std::filesystem::temp_directory_path().string();
    fileName += "-" + std::to_string(::getuid());
  }
  if (folder.back() != '/') folder += '/';
  return folder + fileName;
}

bool SocketAddress(const std::string& path, sockaddr_un& address) {
  address = {};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

}  // namespace

SingleInstanceLock::Outcome SingleInstanceLock::Take(const std::string& name) {
  Release();
  const std::string stem = InstancePathStem(name);
  const std::string path = stem + ".lock";
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return UNAVAILABLE;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    ::close(fd);
    errno = error;  // the caller may tell why
    return error == EWOULDBLOCK ? HELD_ELSEWHERE : UNAVAILABLE;
  }
  fd_ = fd;
  // The activation socket. Holding the lock, this copy owns the name: a socket left by a copy that
  // crashed is removed first. Without the socket the lock still works; only raising does not.
  sockaddr_un address;
  const std::string socketPath = stem + ".sock";
  if (SocketAddress(socketPath, address)) {
    ::unlink(socketPath.c_str());
    listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (listener_ >= 0 && (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
                           ::listen(listener_, 4) != 0)) {
      ::close(listener_);
      listener_ = -1;
    }
    if (listener_ >= 0) socketPath_ = socketPath;
  }
  return TAKEN;
}

void SingleInstanceLock::Release() {
  if (listener_ >= 0) {
    ::close(listener_);
    ::unlink(socketPath_.c_str());
    listener_ = -1;
    socketPath_.clear();
  }
  if (fd_ < 0) return;
  ::flock(fd_, LOCK_UN);
  ::close(fd_);
  fd_ = -1;
}

bool SingleInstanceLock::RequestActivation(const std::string& name) {
  sockaddr_un address;
  if (!SocketAddress(InstancePathStem(name) + ".sock", address)) return false;
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const bool sent = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                    ::send(fd, "R", 1, MSG_NOSIGNAL) == 1;
  ::close(fd);
  return sent;
}

bool SingleInstanceLock::TakeActivationRequest() {
  if (listener_ < 0) return false;
  // Asked ten times a second: a failed accept costs the kernel a file made and thrown away, a
  // poll of the listener nothing.
  pollfd waiting{listener_, POLLIN, 0};
  if (::poll(&waiting, 1, 0) != 1) return false;
  const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

}  // namespace Orva

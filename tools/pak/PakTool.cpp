// paktool: packs a data folder into an archive the game reads through PakInterface, and lists one.
//   paktool pack <folder> <archive>
//   paktool list <archive>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "framework/resources/PakFormat.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: paktool pack <folder> <archive>   pack every file under folder\n"
               "       paktool list <archive>            list an archive's files\n");
  return 2;
}

// A FILETIME as local "YYYY-MM-DD HH:MM:SS", or "-" when it has none.
std::string TimeText(uint64_t fileTime) {
  constexpr uint64_t kTicksPerSecond = 10000000, kSecondsFrom1601 = 11644473600;
  if (fileTime / kTicksPerSecond < kSecondsFrom1601) return "-";
  const time_t seconds = time_t(fileTime / kTicksPerSecond - kSecondsFrom1601);
  tm local{};
  char text[32];
  if (!localtime_r(&seconds, &local) || !std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local)) return "-";
  return text;
}

int Pack(const std::string& folder, const std::string& archive) {
  std::string error;
  if (!WritePakFile(folder, archive, error)) {
    std::fprintf(stderr, "paktool: %s\n", error.c_str());
    return 1;
  }
  PakDirectory directory;
  if (!ReadPakDirectory(archive, directory, error)) {
    std::fprintf(stderr, "paktool: %s: the new archive does not read back: %s\n", archive.c_str(), error.c_str());
    return 1;
  }
  std::printf("paktool: packed %zu files, %llu bytes, into %s\n", directory.entries.size(),
              static_cast<unsigned long long>(directory.dataSize), archive.c_str());
  return 0;
}

int List(const std::string& archive) {
  PakDirectory directory;
  std::string error;
  if (!ReadPakDirectory(archive, directory, error)) {
    std::fprintf(stderr, "paktool: %s: damaged or not an archive: %s\n", archive.c_str(), error.c_str());
    return 1;
  }
  for (const PakDirectoryEntry& e : directory.entries)
    std::printf("%12u  %-19s  %s\n", e.size, TimeText(e.fileTime).c_str(), e.name.c_str());
  std::printf("%zu files, %llu bytes\n", directory.entries.size(), static_cast<unsigned long long>(directory.dataSize));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "pack") == 0) return Pack(argv[2], argv[3]);
  if (argc == 3 && std::strcmp(argv[1], "list") == 0) return List(argv[2]);
  return Usage();
}

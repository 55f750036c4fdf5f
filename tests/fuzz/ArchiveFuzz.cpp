// Feeds the input to AddPakFile as an archive file, then reads every file it entered in every way
// the interface offers. A fresh interface per input, so nothing carries over between runs.

#include <fcntl.h>
#include <unistd.h>

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "framework/resources/PakFormat.h"
#include "framework/resources/PakInterface.h"

namespace {

namespace fs = std::filesystem;

// The input's file sits beside (not inside) an empty folder that is the working folder while an
// input runs, so the disk half of a search finds nothing and stays cheap. The previous working
// folder comes back afterwards: the replay program opens its inputs by relative names.
struct Scratch {
  std::string base;
  std::string archive;
  std::string empty;
  int home = -1;
};

void RemoveScratch();

const Scratch& GetScratch() {
  static const Scratch scratch = [] {
    const fs::path base = fs::temp_directory_path() / ("orva-archive-fuzz-" + std::to_string(::getpid()));
    std::error_code ec;
    fs::create_directories(base / "empty", ec);
    return Scratch{base.string(), (base / "input.pak").string(), (base / "empty").string(),
                   ::open(".", O_RDONLY | O_DIRECTORY)};
  }();
  // Registered after the scratch exists, so it runs before the scratch is destroyed.
  [[maybe_unused]] static const int cleanup = std::atexit(RemoveScratch);
  return scratch;
}

void RemoveScratch() {
  std::error_code ec;
  fs::remove_all(GetScratch().base, ec);
}

// A name not in the archive is opened on the disk; names that cannot leave the empty working
// folder keep the harness off endless or blocking files such as /dev/zero and /dev/stdin.
bool StaysInside(const std::string& name) {
  return !name.empty() && name[0] != '/' && name[0] != '\\' && name.find("..") == std::string::npos;
}

void ReadEveryWay(PakInterface& pak, const std::string& name) {
  PakFile* f = pak.FOpen(name.c_str(), "rb");
  if (!f) return;
  std::vector<uint8_t> buffer(4096);
  while (pak.FRead(buffer.data(), 1, buffer.size(), f) > 0) {
  }
  for (const long offset : {0L, 1L, 7L, -3L, LONG_MAX, LONG_MIN})
    for (const int origin : {SEEK_SET, SEEK_CUR, SEEK_END}) {
      pak.FSeek(f, offset, origin);
      pak.FTell(f);
      pak.FRead(buffer.data(), 3, 5, f);
      pak.FEof(f);
    }
  pak.FSeek(f, 0, SEEK_SET);
  char line[64];
  while (pak.FGetS(line, sizeof line, f)) {
  }
  pak.FGetS(line, 1, f);
  pak.FSeek(f, 0, SEEK_SET);
  while (pak.FGetC(f) != EOF) {
  }
  pak.UnGetC('x', f);
  pak.FGetC(f);
  pak.FClose(f);
}

// The names as stored, read straight from the input: a search reports only a name's last part.
std::vector<std::string> StoredNames(const uint8_t* data, size_t size) {
  size_t at = 0;
  const auto read = [&](void* out, size_t n) {
    if (n > size - at) return false;
    PakUnscramble(static_cast<uint8_t*>(out), data + at, n);
    at += n;
    return true;
  };
  PakDirectory directory;
  std::string error;
  std::vector<std::string> names;
  if (ParsePakDirectory(read, directory, error))
    for (const PakDirectoryEntry& e : directory.entries) names.push_back(e.name);
  return names;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const Scratch& scratch = GetScratch();
  const std::string& path = scratch.archive;
  if (FILE* out = std::fopen(path.c_str(), "wb")) {
    if (size > 0) std::fwrite(data, 1, size, out);
    std::fclose(out);
  }
  if (::chdir(scratch.empty.c_str()) != 0) return 0;
  {
    PakInterface pak;
    pak.AddPakFile(path);
    for (const char* pattern : {"*", "A*\\*.TXT"}) {
      PakFindData found;
      PakSearchHandle search = pak.FindFirstFile(pattern, &found);
      if (search == kInvalidPakSearch) continue;
      int count = 0;
      do {
        if (StaysInside(found.fileName)) ReadEveryWay(pak, found.fileName);
      } while (++count < 1000 && pak.FindNextFile(search, &found));
      pak.FindClose(search);
    }
    ReadEveryWay(pak, path);
    int count = 0;
    for (const std::string& name : StoredNames(data, size))
      if (++count <= 1000 && StaysInside(name)) ReadEveryWay(pak, name);
  }
  if (scratch.home >= 0 && ::fchdir(scratch.home) != 0) std::abort();
  return 0;
}

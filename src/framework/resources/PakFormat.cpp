#include "framework/resources/PakFormat.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

namespace fs = std::filesystem;

namespace {

uint32_t Le32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void PutLe32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

// Header and directory of the given entries, not yet scrambled.
std::vector<uint8_t> DirectoryBytes(const std::vector<PakDirectoryEntry>& entries) {
  std::vector<uint8_t> out;
  PutLe32(out, kPakMagic);
  PutLe32(out, kPakVersion);
  for (const PakDirectoryEntry& e : entries) {
    out.push_back(0);
    out.push_back(uint8_t(e.name.size()));
    out.insert(out.end(), e.name.begin(), e.name.end());
    PutLe32(out, e.size);
    PutLe32(out, uint32_t(e.fileTime));
    PutLe32(out, uint32_t(e.fileTime >> 32));
  }
  out.push_back(kPakEndFlag);
  return out;
}

// Four registers a step. The mapping and the caller's buffer may overlap as far
// as the compiler knows, so a plain byte loop would stay byte by byte at -O2.
typedef uint8_t Block16 __attribute__((vector_size(16)));
typedef uint8_t Block32 __attribute__((vector_size(32)));

template <class Block>
inline void UnscrambleBlocks(uint8_t* dst, const uint8_t* src, size_t n) {
  constexpr size_t Width = sizeof(Block);
  const Block key = Block{} + kPakScramble;
  size_t i = 0;
  for (; i + 4 * Width <= n; i += 4 * Width) {
    Block a, b, c, d;
    std::memcpy(&a, src + i, Width);
    std::memcpy(&b, src + i + Width, Width);
    std::memcpy(&c, src + i + 2 * Width, Width);
    std::memcpy(&d, src + i + 3 * Width, Width);
    a ^= key;
    b ^= key;
    c ^= key;
    d ^= key;
    std::memcpy(dst + i, &a, Width);
    std::memcpy(dst + i + Width, &b, Width);
    std::memcpy(dst + i + 2 * Width, &c, Width);
    std::memcpy(dst + i + 3 * Width, &d, Width);
  }
  for (; i + Width <= n; i += Width) {
    Block v;
    std::memcpy(&v, src + i, Width);
    v ^= key;
    std::memcpy(dst + i, &v, Width);
  }
  for (; i < n; ++i) dst[i] = src[i] ^ kPakScramble;
}

#if defined(__x86_64__)
__attribute__((target("avx2"))) void UnscrambleAvx2(uint8_t* dst, const uint8_t* src, size_t n) {
  UnscrambleBlocks<Block32>(dst, src, n);
}
#endif

}  // namespace

void PakUnscramble(uint8_t* dst, const uint8_t* src, size_t n) {
  // Chosen once: 32-byte registers where the processor has them.
  static void (*const unscramble)(uint8_t*, const uint8_t*, size_t) =
#if defined(__x86_64__)
      __builtin_cpu_supports("avx2") ? UnscrambleAvx2 :
#endif
                                     UnscrambleBlocks<Block16>;
  unscramble(dst, src, n);
}

bool ParsePakDirectory(const PakByteReader& read, PakDirectory& directory, std::string& error) {
  directory = PakDirectory{};
  uint8_t header[8];
  if (!read(header, sizeof header)) {
    error = "too short for an archive header";
    return false;
  }
  if (Le32(header) != kPakMagic) {
    error = "not an archive (wrong magic number)";
    return false;
  }
  if (const uint32_t version = Le32(header + 4); version != kPakVersion) {
    error = "unsupported archive version " + std::to_string(version);
    return false;
  }
  const auto cutShort = [&] {
    error = "directory cut short in entry " + std::to_string(directory.entries.size() + 1);
    return false;
  };
  uint64_t position = sizeof header;
  for (;;) {
    uint8_t flags = 0;
    if (!read(&flags, 1)) return cutShort();
    position += 1;
    if (flags & kPakEndFlag) break;
    uint8_t length = 0;
    if (!read(&length, 1)) return cutShort();
    PakDirectoryEntry entry;
    entry.name.resize(length);
    uint8_t fields[12];
    if ((length > 0 && !read(entry.name.data(), length)) || !read(fields, sizeof fields)) return cutShort();
    position += 1 + length + sizeof fields;
    entry.size = Le32(fields);
    entry.fileTime = uint64_t(Le32(fields + 4)) | uint64_t(Le32(fields + 8)) << 32;
    entry.startPos = directory.dataSize;
    // Sizes are 32-bit and each entry takes at least 14 bytes of input, so this sum cannot wrap.
    directory.dataSize += entry.size;
    directory.entries.push_back(std::move(entry));
  }
  directory.dataStart = position;
  return true;
}

bool ReadPakDirectory(const std::string& archive, PakDirectory& directory, std::string& error) {
  std::error_code ec;
  if (!fs::is_regular_file(archive, ec)) {
    error = fs::exists(archive, ec) ? "not a regular file" : "no such file";
    return false;
  }
  const uint64_t fileSize = fs::file_size(archive, ec);
  FilePtr in(std::fopen(archive.c_str(), "rb"));
  if (ec || !in) {
    error = "cannot read it";
    return false;
  }
  const auto read = [&](void* out, size_t n) {
    if (std::fread(out, 1, n, in.get()) != n) return false;
    PakUnscramble(static_cast<uint8_t*>(out), static_cast<const uint8_t*>(out), n);
    return true;
  };
  if (!ParsePakDirectory(read, directory, error)) return false;
  if (directory.dataSize > fileSize - directory.dataStart) {
    error = "the directory lists " + std::to_string(directory.dataSize) + " bytes of contents but only " +
            std::to_string(fileSize - directory.dataStart) + " follow it";
    return false;
  }
  return true;
}

uint64_t PakFileTimeFromUnix(int64_t seconds, int64_t nanoseconds) {
  constexpr int64_t kSecondsFrom1601 = 11644473600;
  constexpr int64_t kTicksPerSecond = 10000000;
  if (seconds < -kSecondsFrom1601) return 0;
  const uint64_t whole = uint64_t(seconds + kSecondsFrom1601);
  if (whole > UINT64_MAX / kTicksPerSecond - 1) return UINT64_MAX;
  return whole * kTicksPerSecond + uint64_t(std::clamp<int64_t>(nanoseconds, 0, 999999999) / 100);
}

bool PakLastWriteTime(const std::string& path, uint64_t& fileTime) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  fileTime = PakFileTimeFromUnix(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
  return true;
}

std::vector<uint8_t> BuildPakImage(const std::vector<PakMemoryFile>& files) {
  std::vector<PakDirectoryEntry> entries;
  for (const PakMemoryFile& f : files)
    entries.push_back({f.name.substr(0, kPakMaxName), 0, uint32_t(f.data.size()), f.fileTime});
  std::vector<uint8_t> out = DirectoryBytes(entries);
  for (const PakMemoryFile& f : files) out.insert(out.end(), f.data.begin(), f.data.end());
  PakUnscramble(out.data(), out.data(), out.size());
  return out;
}

bool WritePakFile(const std::string& folder, const std::string& archive, std::string& error) {
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) {
    error = folder + ": not a folder";
    return false;
  }
  struct Item {
    PakDirectoryEntry entry;
    fs::path path;
  };
  std::vector<Item> items;
  fs::recursive_directory_iterator it(folder, ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    const fs::directory_entry& file = *it;
    std::error_code fileEc;
    if (!file.is_regular_file(fileEc)) continue;
    // An archive written into the folder it packs would otherwise take in its previous self.
    if (fs::equivalent(file.path(), archive, fileEc)) continue;
    std::string name;
    for (const fs::path& part : file.path().lexically_relative(folder)) {
      if (!name.empty()) name += '\\';
      name += part.string();
    }
    if (name.size() > kPakMaxName) {
      error = name + ": name longer than " + std::to_string(kPakMaxName) + " bytes";
      return false;
    }
    const uint64_t size = file.file_size(fileEc);
    if (fileEc) {
      error = name + ": cannot read its size";
      return false;
    }
    if (size > kPakMaxFileSize) {
      error = name + ": 4 GiB or larger; an archive holds files of at most 4 GiB - 1 byte";
      return false;
    }
    uint64_t time = 0;
    PakLastWriteTime(file.path().string(), time);
    Item item;
    item.entry.name = name;
    item.entry.size = uint32_t(size);
    item.entry.fileTime = time;
    item.path = file.path();
    items.push_back(std::move(item));
  }
  if (ec) {
    error = folder + ": cannot list it (" + ec.message() + ")";
    return false;
  }
  std::sort(items.begin(), items.end(), [](const Item& a, const Item& b) { return a.entry.name < b.entry.name; });

  std::vector<PakDirectoryEntry> entries;
  for (const Item& item : items) entries.push_back(item.entry);
  std::vector<uint8_t> head = DirectoryBytes(entries);
  PakUnscramble(head.data(), head.data(), head.size());

  const std::string temporary = archive + ".tmp";
  const auto fail = [&](const std::string& why) {
    error = why;
    std::remove(temporary.c_str());
    return false;
  };
  FilePtr out(std::fopen(temporary.c_str(), "wb"));
  if (!out) return fail(temporary + ": cannot create it");
  if (std::fwrite(head.data(), 1, head.size(), out.get()) != head.size()) return fail(temporary + ": write failed");
  std::vector<uint8_t> chunk(1 << 20);
  for (const Item& item : items) {
    FilePtr in(std::fopen(item.path.c_str(), "rb"));
    if (!in) return fail(item.entry.name + ": cannot read it");
    uint64_t copied = 0;
    while (size_t n = std::fread(chunk.data(), 1, chunk.size(), in.get())) {
      copied += n;
      if (copied > item.entry.size) break;
      PakUnscramble(chunk.data(), chunk.data(), n);
      if (std::fwrite(chunk.data(), 1, n, out.get()) != n) return fail(temporary + ": write failed");
    }
    if (std::ferror(in.get()) || copied != item.entry.size) return fail(item.entry.name + ": changed while packing");
  }
  if (std::fclose(out.release()) != 0) return fail(temporary + ": write failed");
  if (std::rename(temporary.c_str(), archive.c_str()) != 0) return fail(archive + ": cannot rename the new archive");
  return true;
}

#include "framework/resources/PakInterface.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "framework/resources/PakFormat.h"

namespace fs = std::filesystem;

// One open archive, open until the interface goes away. Its bytes are read with pread rather
// than mapped: a mapped file that shrinks under the game (an update, a full disk) raises SIGBUS on
// the next touch, while a read merely comes up short.
struct PakCollection {
  int fd = -1;
  uint64_t size = 0;  // when it was opened

  PakCollection(int descriptor, uint64_t length) : fd(descriptor), size(length) {}
  ~PakCollection() { ::close(fd); }
  PakCollection(const PakCollection&) = delete;
  PakCollection& operator=(const PakCollection&) = delete;

  // Up to n bytes at offset, as stored (scrambled); fewer when the file ends sooner or fails.
  size_t ReadAt(uint64_t offset, uint8_t* out, size_t n) const {
    size_t done = 0;
    while (done < n) {
      const ssize_t got = ::pread(fd, out + done, n - done, off_t(offset + done));
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) break;
      done += size_t(got);
    }
    return done;
  }
};

// One file inside an archive (or the archive itself).
struct PakRecord {
  PakCollection* collection = nullptr;
  std::string name;       // as stored
  uint64_t startPos = 0;  // from the start of the archive
  uint64_t size = 0;
  uint64_t fileTime = 0;
};

struct PakFile {
  PakRecord* record = nullptr;  // null for a disk file
  int64_t pos = 0;              // from the record's start
  FILE* fp = nullptr;
  // Read-ahead for the byte and line readers, unscrambled: bytes [aheadStart, aheadStart + size).
  std::vector<uint8_t> ahead;
  int64_t aheadStart = 0;
};

namespace {

// One directory entry found on the disk.
struct DiskEntry {
  std::string name;
  bool directory = false;
  uint64_t size = 0;
  uint64_t lastWrite = 0;
  uint64_t lastAccess = 0;
};

// A '*' pattern split around its first '*'.
struct Wildcard {
  bool hasStar = false;
  std::string prefix;
  std::string suffix;
  bool anySuffix = false;  // the suffix is empty or ".*"
};

Wildcard SplitPattern(const std::string& pattern) {
  Wildcard w;
  const size_t star = pattern.find('*');
  if (star == std::string::npos) {
    w.prefix = pattern;
    return w;
  }
  w.hasStar = true;
  w.prefix = pattern.substr(0, star);
  w.suffix = pattern.substr(star + 1);
  w.anySuffix = w.suffix.empty() || w.suffix == ".*";
  return w;
}

// The '*' covers zero or more characters, so prefix and suffix may not overlap.
bool Matches(const Wildcard& w, const std::string& key) {
  if (!key.starts_with(w.prefix)) return false;
  if (w.anySuffix) return true;
  return key.size() >= w.prefix.size() + w.suffix.size() && key.ends_with(w.suffix);
}

char Upper(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }

std::string UpperCase(std::string text) {
  for (char& c : text) c = Upper(c);
  return text;
}

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

bool IsArchiveMode(const char* mode) {
  const std::string m = UpperCase(mode);
  return m == "R" || m == "RB" || m == "RT";
}

int64_t Remaining(const PakFile* file) {
  const int64_t size = int64_t(file->record->size);
  return file->pos < size ? size - file->pos : 0;
}

// The record's bytes from the current position, unscrambled; fewer than n when the record or the
// archive file ends sooner.
size_t ReadRecord(PakFile* file, uint8_t* out, size_t n) {
  n = size_t(std::min<uint64_t>(n, uint64_t(Remaining(file))));
  const size_t got = file->record->collection->ReadAt(file->record->startPos + uint64_t(file->pos), out, n);
  PakUnscramble(out, out, got);
  return got;
}

// The byte at the current position (not consumed), or EOF; refills the read-ahead as needed.
int PeekByte(PakFile* file) {
  const int64_t offset = file->pos - file->aheadStart;
  if (offset < 0 || offset >= int64_t(file->ahead.size())) {
    constexpr size_t kReadAhead = 4096;
    file->ahead.resize(kReadAhead);
    file->ahead.resize(ReadRecord(file, file->ahead.data(), kReadAhead));
    file->aheadStart = file->pos;
    if (file->ahead.empty()) return EOF;
    return file->ahead[0];
  }
  return file->ahead[size_t(offset)];
}

// Everything in the pattern's folder that matches its last component, case-insensitively.
std::vector<DiskEntry> ListDisk(const std::string& pattern) {
  std::string folder = ".", namePattern = pattern;
  const size_t slash = pattern.find_last_of("/\\");
  if (slash != std::string::npos) {
    folder = slash == 0 ? "/" : pattern.substr(0, slash);
    std::replace(folder.begin(), folder.end(), '\\', '/');
    namePattern = pattern.substr(slash + 1);
  }
  const Wildcard w = SplitPattern(UpperCase(namePattern));
  std::vector<DiskEntry> found;
  std::error_code ec;
  fs::directory_iterator it(folder, ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    DiskEntry entry;
    entry.name = it->path().filename().string();
    const std::string key = UpperCase(entry.name);
    if (w.hasStar ? !Matches(w, key) : key != w.prefix) continue;
    std::error_code entryEc;
    entry.directory = it->is_directory(entryEc);
    if (!entry.directory) {
      entry.size = it->file_size(entryEc);
      if (entryEc) entry.size = 0;
    }
    struct stat st {};
    if (::stat(it->path().c_str(), &st) == 0) {
      entry.lastWrite = PakFileTimeFromUnix(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
      entry.lastAccess = PakFileTimeFromUnix(st.st_atim.tv_sec, st.st_atim.tv_nsec);
    }
    found.push_back(std::move(entry));
  }
  // In the order of the archive's upper-case keys.
  std::sort(found.begin(), found.end(), [](const DiskEntry& a, const DiskEntry& b) {
    const std::string ua = UpperCase(a.name), ub = UpperCase(b.name);
    return ua != ub ? ua < ub : a.name < b.name;
  });
  return found;
}

}  // namespace

struct PakSearch {
  std::string original;   // the pattern as given, for the disk
  Wildcard archive;       // from the normalised pattern
  bool inArchive = true;  // still walking the archive's keys
  bool started = false;   // lastKey is set
  std::string lastKey;    // the last archive key returned
  std::vector<DiskEntry> disk;
  size_t nextDisk = 0;
};

namespace {

bool NextDiskMatch(PakSearch* search, PakFindData* findData) {
  if (search->nextDisk >= search->disk.size()) return false;
  const DiskEntry& e = search->disk[search->nextDisk++];
  *findData = PakFindData{};
  findData->attributes = e.directory ? kPakAttributeDirectory : 0;
  findData->creationTime = e.lastWrite;
  findData->lastAccessTime = e.lastAccess;
  findData->lastWriteTime = e.lastWrite;
  findData->sizeHigh = uint32_t(e.size >> 32);
  findData->sizeLow = uint32_t(e.size);
  findData->fileName = e.name;
  return true;
}

// Leaves the archive's keys for the disk listing.
bool TurnToDisk(PakSearch* search, PakFindData* findData) {
  if (search->inArchive) {
    search->inArchive = false;
    search->disk = ListDisk(search->original);
  }
  return NextDiskMatch(search, findData);
}

}  // namespace

PakInterface::PakInterface() = default;
PakInterface::~PakInterface() = default;

void PakInterface::EnterRecord(const std::string& key, std::unique_ptr<PakRecord> record) {
  std::unique_ptr<PakRecord>& slot = records_[key];
  if (slot) replaced_.push_back(std::move(slot));
  slot = std::move(record);
}

bool PakInterface::AddPakFile(const std::string& fileName, std::string* problem) {
  const auto fail = [&](const std::string& what) {
    if (problem) *problem = what;
    return false;
  };
  if (problem) problem->clear();
  // O_NONBLOCK so that a FIFO in its place cannot hang the open; it is refused just below.
  const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return errno == ENOENT ? false : fail(std::string("cannot be opened: ") + std::strerror(errno));
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0) {
    const bool regular = S_ISREG(st.st_mode);
    ::close(fd);
    return fail(regular ? "the file is empty" : "not a regular file");
  }
  const uint64_t size = uint64_t(st.st_size);
  collections_.push_back(std::make_unique<PakCollection>(fd, size));
  PakCollection* collection = collections_.back().get();

  // Keyed by the normalised name (not merely upper-cased) so that the FOpen below finds it
  // whatever separators the name uses.
  auto self = std::make_unique<PakRecord>();
  self->collection = collection;
  self->name = fileName;
  self->size = size;
  self->fileTime = PakFileTimeFromUnix(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
  EnterRecord(NormalizeName(fileName), std::move(self));

  PakFile* file = FOpen(fileName.c_str(), "rb");
  if (!file) return fail("cannot be read");
  PakDirectory directory;
  std::string error;
  const bool parsed =
      ParsePakDirectory([&](void* out, size_t n) { return FRead(out, 1, n, file) == n; }, directory, error);
  FClose(file);
  // A damaged archive (cut-short directory, contents past the end) enters none of its files.
  if (!parsed) return fail(error);
  if (directory.dataSize > size - directory.dataStart)
    return fail("the directory lists " + std::to_string(directory.dataSize) + " bytes of contents but only " +
                std::to_string(size - directory.dataStart) + " follow it");

  for (const PakDirectoryEntry& entry : directory.entries) {
    auto record = std::make_unique<PakRecord>();
    record->collection = collection;
    record->name = entry.name;
    record->startPos = directory.dataStart + entry.startPos;
    record->size = entry.size;
    record->fileTime = entry.fileTime;
    EnterRecord(UpperCase(entry.name), std::move(record));
  }
  return true;
}

std::string PakInterface::NormalizeName(const std::string& name) {
  std::string rest = name;
  const bool drive =
      name.size() >= 2 && ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z')) && name[1] == ':';
  if (drive || name.starts_with('/')) {
    std::error_code ec;
    const std::string cwd = fs::current_path(ec).string();
    if (!ec && !cwd.empty()) {
      if (drive) {
        const std::string prefix = UpperCase(cwd + '\\');
        if (UpperCase(name.substr(0, prefix.size())) == prefix) rest = name.substr(prefix.size());
      } else {
        const std::string prefix = cwd.ends_with('/') ? cwd : cwd + '/';
        if (name.starts_with(prefix)) rest = name.substr(prefix.size());
      }
    }
  }

  std::string out;
  out.reserve(rest.size());
  bool afterSeparator = false;
  for (size_t i = 0; i < rest.size(); ++i) {
    const char c = rest[i];
    if (IsSeparator(c)) {
      if (!afterSeparator) out += '\\';
      afterSeparator = true;
      continue;
    }
    const bool parent = afterSeparator && c == '.' && i + 1 < rest.size() && rest[i + 1] == '.' &&
                        (i + 2 == rest.size() || IsSeparator(rest[i + 2]));
    if (parent) {
      // Drop the separator just written and the component before it; with nothing before it
      // (a leading or repeated ".."), there is nothing to drop.
      if (!out.empty()) out.pop_back();
      while (!out.empty() && out.back() != '\\') out.pop_back();
      ++i;
      continue;
    }
    out += Upper(c);
    afterSeparator = false;
  }
  return out;
}

PakFile* PakInterface::FOpen(const wchar_t*, const wchar_t*) { return nullptr; }

PakFile* PakInterface::FOpen(const char* name, const char* mode) {
  if (!name || !mode) return nullptr;
  const bool reading = IsArchiveMode(mode);
  if (reading) {
    const auto it = records_.find(NormalizeName(name));
    if (it != records_.end()) {
      auto* file = new PakFile;
      file->record = it->second.get();
      return file;
    }
  }
  // The game spells paths with backslashes.
  std::string path = name;
  std::replace(path.begin(), path.end(), '\\', '/');
  FILE* fp = nullptr;
  if (reading) {
    // Data files are read from regular files only: a FIFO would block the open (and the game)
    // until something writes to it, a device would never end, and a folder reads nothing while
    // claiming an endless size. O_NONBLOCK keeps the open itself from waiting on a FIFO.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return nullptr;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
      ::close(fd);
      errno = EINVAL;
      return nullptr;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    fp = ::fdopen(fd, "rb");
    if (!fp) {
      ::close(fd);
      return nullptr;
    }
  } else {
    fp = std::fopen(path.c_str(), mode);
    if (!fp) return nullptr;
    struct stat info {};
    if (fstat(fileno(fp), &info) != 0 || S_ISDIR(info.st_mode)) {
      std::fclose(fp);
      return nullptr;
    }
  }
  auto* file = new PakFile;
  file->fp = fp;
  return file;
}

int PakInterface::FClose(PakFile* file) {
  if (!file) return EOF;
  if (file->fp) std::fclose(file->fp);
  delete file;
  return 0;
}

int PakInterface::FSeek(PakFile* file, long offset, int origin) {
  if (!file) return -1;
  if (!file->record) return std::fseek(file->fp, offset, origin);
  const int64_t size = int64_t(file->record->size);
  int64_t target = file->pos;
  switch (origin) {
    case SEEK_SET: target = offset; break;
    case SEEK_CUR:
      if (__builtin_add_overflow(file->pos, int64_t(offset), &target)) target = offset < 0 ? 0 : size;
      break;
    // From the end the offset counts backwards: (h, 10, SEEK_END) is 10 bytes before the end.
    case SEEK_END:
      if (__builtin_sub_overflow(size, int64_t(offset), &target)) target = offset < 0 ? size : 0;
      break;
    default: break;
  }
  file->pos = std::clamp<int64_t>(target, 0, size);
  return 0;
}

long PakInterface::FTell(PakFile* file) {
  if (!file) return -1;
  if (!file->record) return std::ftell(file->fp);
  return long(file->pos);
}

size_t PakInterface::FRead(void* buffer, size_t elementSize, size_t count, PakFile* file) {
  if (!file || !buffer || elementSize == 0 || count == 0) return 0;
  if (!file->record) return std::fread(buffer, elementSize, count, file->fp);
  const size_t wanted = count > SIZE_MAX / elementSize ? SIZE_MAX : elementSize * count;
  const size_t n = ReadRecord(file, static_cast<uint8_t*>(buffer), wanted);
  file->pos += int64_t(n);
  return n / elementSize;
}

int PakInterface::FGetC(PakFile* file) {
  if (!file) return EOF;
  if (!file->record) return std::fgetc(file->fp);
  for (int c = PeekByte(file); c != EOF; c = PeekByte(file)) {
    ++file->pos;
    if (c != '\r') return c;
  }
  return EOF;
}

int PakInterface::UnGetC(int ch, PakFile* file) {
  if (!file) return EOF;
  if (!file->record) return std::ungetc(ch, file->fp);
  if (file->pos > 0) --file->pos;
  return ch;
}

wchar_t* PakInterface::FGetS(wchar_t* buffer, int, PakFile*) { return buffer; }

char* PakInterface::FGetS(char* buffer, int size, PakFile* file) {
  if (!file || !buffer || size <= 0) return nullptr;
  if (!file->record) return std::fgets(buffer, size, file->fp);
  int copied = 0;
  bool ended = false;
  while (copied < size - 1) {
    const int next = PeekByte(file);
    if (next == EOF) {
      ended = true;
      break;
    }
    ++file->pos;
    const char c = char(next);
    if (c == '\r') continue;
    buffer[copied++] = c;
    if (c == '\n') break;
  }
  buffer[copied] = '\0';
  return copied == 0 && ended ? nullptr : buffer;
}

int PakInterface::FEof(PakFile* file) {
  if (!file) return 1;
  if (!file->record) return std::feof(file->fp);
  return Remaining(file) == 0 ? 1 : 0;
}

bool PakInterface::NextArchiveMatch(PakSearch* search, PakFindData* findData) {
  const Wildcard& w = search->archive;
  if (!w.hasStar) return false;
  auto it = search->started ? records_.upper_bound(search->lastKey) : records_.lower_bound(w.prefix);
  // Keys that begin with the prefix sit together in the sorted map.
  for (; it != records_.end() && it->first.starts_with(w.prefix); ++it) {
    if (!Matches(w, it->first)) continue;
    const PakRecord& record = *it->second;
    search->started = true;
    search->lastKey = it->first;
    *findData = PakFindData{};
    const bool inFolder = it->first.find('\\', w.prefix.size()) != std::string::npos;
    findData->attributes = inFolder ? kPakAttributeDirectory : 0;
    findData->creationTime = findData->lastAccessTime = findData->lastWriteTime = record.fileTime;
    findData->sizeHigh = uint32_t(record.size >> 32);
    findData->sizeLow = uint32_t(record.size);
    const size_t slash = record.name.rfind('\\');
    findData->fileName = slash == std::string::npos ? record.name : record.name.substr(slash + 1);
    return true;
  }
  return false;
}

PakSearchHandle PakInterface::FindFirstFile(const char* pattern, PakFindData* findData) {
  if (!pattern) return kInvalidPakSearch;
  PakFindData unused;
  if (!findData) findData = &unused;
  auto search = std::make_unique<PakSearch>();
  search->original = pattern;
  search->archive = SplitPattern(NormalizeName(pattern));
  if (NextArchiveMatch(search.get(), findData) || TurnToDisk(search.get(), findData)) return search.release();
  return kInvalidPakSearch;
}

int PakInterface::FindNextFile(PakSearchHandle search, PakFindData* findData) {
  if (!search || search == kInvalidPakSearch) return 0;
  PakFindData unused;
  if (!findData) findData = &unused;
  if (search->inArchive && NextArchiveMatch(search, findData)) return 1;
  return TurnToDisk(search, findData) ? 1 : 0;
}

int PakInterface::FindClose(PakSearchHandle search) {
  if (search && search != kInvalidPakSearch) delete search;
  return 1;
}

PakInterface* GetPakInterfaceImpl() {
  static PakInterface instance;
  return &instance;
}

PakInterfaceBase* GetPakInterface() { return GetPakInterfaceImpl(); }

bool PakInterfaceBase::ReadWholeFile(const std::string& name, std::vector<uint8_t>& out, uint64_t limit,
                                     std::string* problem) {
  out.clear();
  const auto fail = [&](const std::string& what) {
    if (problem) *problem = what;
    return false;
  };
  PakFile* file = FOpen(name.c_str(), "rb");
  if (!file) {
    std::string path = name;
    std::replace(path.begin(), path.end(), '\\', '/');
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return fail(errno == ENOENT ? "no such file" : std::strerror(errno));
    return fail(S_ISREG(info.st_mode) ? "it cannot be opened" : "not a regular file");
  }
  const auto tooLarge = [&] {
    FClose(file);
    out.clear();
    out.shrink_to_fit();
    return fail(limit >= (uint64_t(1) << 20) ? "larger than " + std::to_string(limit >> 20) + " MB"
                                             : "larger than " + std::to_string(limit) + " bytes");
  };
  long size = -1;
  if (FSeek(file, 0, SEEK_END) == 0) size = FTell(file);
  if (FSeek(file, 0, SEEK_SET) != 0) size = -1;
  if (size > 0 && uint64_t(size) > limit) return tooLarge();
  // Chunk by chunk past the size told, in case the file grows while it is read.
  if (size > 0) out.reserve(size_t(size));
  uint8_t chunk[65536];
  for (size_t got; (got = FRead(chunk, 1, sizeof chunk, file)) > 0;) {
    if (out.size() + got > limit) return tooLarge();
    out.insert(out.end(), chunk, chunk + got);
  }
  FClose(file);
  return true;
}

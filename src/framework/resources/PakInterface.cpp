#include "framework/resources/PakInterface.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <system_error>

#include "framework/resources/PakFormat.h"

namespace fs = std::filesystem;

// One mapped archive, mapped until the interface goes away.
struct PakCollection {
  const uint8_t* data = nullptr;
  size_t size = 0;

  PakCollection(const uint8_t* mapped, size_t length) : data(mapped), size(length) {}
  ~PakCollection() { ::munmap(const_cast<uint8_t*>(data), size); }
  PakCollection(const PakCollection&) = delete;
  PakCollection& operator=(const PakCollection&) = delete;
};

// One file inside a mapped archive (or the archive itself).
struct PakRecord {
  PakCollection* collection = nullptr;
  std::string name;       // as stored
  uint64_t startPos = 0;  // from the start of the mapping
  uint64_t size = 0;
  uint64_t fileTime = 0;
};

struct PakFile {
  PakRecord* record = nullptr;  // null for a disk file
  int64_t pos = 0;              // from the record's start
  FILE* fp = nullptr;
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

const uint8_t* Bytes(const PakFile* file) {
  return file->record->collection->data + file->record->startPos + uint64_t(file->pos);
}

int64_t Remaining(const PakFile* file) {
  const int64_t size = int64_t(file->record->size);
  return file->pos < size ? size - file->pos : 0;
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

bool PakInterface::AddPakFile(const std::string& fileName) {
  const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0) {
    ::close(fd);
    return false;
  }
  const size_t size = size_t(st.st_size);
  void* mapped = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
  ::close(fd);
  if (mapped == MAP_FAILED) return false;
  collections_.push_back(std::make_unique<PakCollection>(static_cast<const uint8_t*>(mapped), size));
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
  if (!file) return false;
  PakDirectory directory;
  std::string error;
  const bool parsed =
      ParsePakDirectory([&](void* out, size_t n) { return FRead(out, 1, n, file) == n; }, directory, error);
  FClose(file);
  // A damaged archive (cut-short directory, contents past the end) enters none of its files.
  if (!parsed || directory.dataSize > size - directory.dataStart) return false;

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
  if (IsArchiveMode(mode)) {
    const auto it = records_.find(NormalizeName(name));
    if (it != records_.end()) return new PakFile{it->second.get(), 0, nullptr};
  }
  // The game spells paths with backslashes.
  std::string path = name;
  std::replace(path.begin(), path.end(), '\\', '/');
  FILE* fp = std::fopen(path.c_str(), mode);
  if (!fp) return nullptr;
  // A folder opens like a file here, but reads nothing and claims an endless size.
  struct stat info;
  if (fstat(fileno(fp), &info) != 0 || S_ISDIR(info.st_mode)) {
    std::fclose(fp);
    return nullptr;
  }
  return new PakFile{nullptr, 0, fp};
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
  const size_t n = size_t(std::min<uint64_t>(wanted, uint64_t(Remaining(file))));
  PakUnscramble(static_cast<uint8_t*>(buffer), Bytes(file), n);
  file->pos += int64_t(n);
  return n / elementSize;
}

int PakInterface::FGetC(PakFile* file) {
  if (!file) return EOF;
  if (!file->record) return std::fgetc(file->fp);
  for (int64_t left = Remaining(file); left > 0; --left) {
    const uint8_t c = *Bytes(file) ^ kPakScramble;
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
  for (int64_t left = Remaining(file); left > 0 && copied < size - 1; --left) {
    const char c = char(*Bytes(file) ^ kPakScramble);
    ++file->pos;
    if (c == '\r') continue;
    buffer[copied++] = c;
    if (c == '\n') break;
  }
  buffer[copied] = '\0';
  return copied == 0 && Remaining(file) == 0 ? nullptr : buffer;
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

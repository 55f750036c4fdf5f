#pragma once

// The packed archive: data files served from "main.pak" (read from its open file) when they are
// in it, and from the disk otherwise, through operations shaped like the C stdio reading
// functions and a directory search. Every reader of data files goes through here.
//
// Archive layout (every byte stored XOR 0x9D; integers little-endian):
//   magic uint32 0xBAC04AC0, version uint32 0,
//   directory entries: flags byte (bit 7 ends the directory, nothing follows it), name length
//   byte, name (backslash-separated), size uint32, last-write time uint64 (Windows FILETIME),
//   then the file contents back to back in directory order.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

// Directory attribute in PakFindData::attributes.
inline constexpr uint32_t kPakAttributeDirectory = 0x10;

// One entry found by a directory search (the fields a search result carries on the classic
// desktop; times are Windows FILETIMEs, 100 ns units since 1601).
struct PakFindData {
  uint32_t attributes = 0;
  uint64_t creationTime = 0;
  uint64_t lastAccessTime = 0;
  uint64_t lastWriteTime = 0;
  uint32_t sizeHigh = 0;
  uint32_t sizeLow = 0;
  std::string fileName;  // the name after its last separator
};

struct PakCollection;
struct PakRecord;
struct PakFile;    // an open file: an archive record or a disk stream
struct PakSearch;  // a directory search in progress

using PakSearchHandle = PakSearch*;
// What FindFirstFile answers when nothing matches.
inline PakSearchHandle const kInvalidPakSearch = reinterpret_cast<PakSearchHandle>(intptr_t(-1));

class PakInterfaceBase {
 public:
  virtual ~PakInterfaceBase() = default;
  virtual PakFile* FOpen(const wchar_t* name, const wchar_t* mode) = 0;  // not supported: null
  virtual PakFile* FOpen(const char* name, const char* mode) = 0;
  virtual int FClose(PakFile* file) = 0;
  virtual int FSeek(PakFile* file, long offset, int origin) = 0;
  virtual long FTell(PakFile* file) = 0;
  virtual size_t FRead(void* buffer, size_t elementSize, size_t count, PakFile* file) = 0;
  virtual int FGetC(PakFile* file) = 0;
  virtual int UnGetC(int ch, PakFile* file) = 0;
  virtual wchar_t* FGetS(wchar_t* buffer, int size, PakFile* file) = 0;  // not supported: buffer untouched
  virtual char* FGetS(char* buffer, int size, PakFile* file) = 0;
  virtual int FEof(PakFile* file) = 0;
  virtual PakSearchHandle FindFirstFile(const char* pattern, PakFindData* findData) = 0;
  virtual int FindNextFile(PakSearchHandle search, PakFindData* findData) = 0;
  virtual int FindClose(PakSearchHandle search) = 0;

  // The whole of a data file when it holds at most limit bytes; otherwise false, out empty, and
  // the reason in problem ("no such file", "not a regular file", "larger than 64 MB"). For
  // readers that need their input in one piece.
  bool ReadWholeFile(const std::string& name, std::vector<uint8_t>& out, uint64_t limit,
                     std::string* problem = nullptr);
};

class PakInterface : public PakInterfaceBase {
 public:
  PakInterface();
  ~PakInterface() override;
  PakInterface(const PakInterface&) = delete;
  PakInterface& operator=(const PakInterface&) = delete;

  // Opens an archive and enters its files; false when it cannot be read or is not an archive,
  // with what is wrong in problem (left empty when there is no such file at all).
  // A later archive's files replace an earlier one's of the same name.
  bool AddPakFile(const std::string& fileName, std::string* problem = nullptr);

  PakFile* FOpen(const wchar_t* name, const wchar_t* mode) override;
  PakFile* FOpen(const char* name, const char* mode) override;
  int FClose(PakFile* file) override;
  int FSeek(PakFile* file, long offset, int origin) override;
  long FTell(PakFile* file) override;
  size_t FRead(void* buffer, size_t elementSize, size_t count, PakFile* file) override;
  int FGetC(PakFile* file) override;
  int UnGetC(int ch, PakFile* file) override;
  wchar_t* FGetS(wchar_t* buffer, int size, PakFile* file) override;
  char* FGetS(char* buffer, int size, PakFile* file) override;
  int FEof(PakFile* file) override;
  PakSearchHandle FindFirstFile(const char* pattern, PakFindData* findData) override;
  int FindNextFile(PakSearchHandle search, PakFindData* findData) override;
  int FindClose(PakSearchHandle search) override;

  // The lookup key of a name: upper case, separators folded to single backslashes, ".." after
  // a separator removing the component before it, a leading current-directory prefix dropped.
  static std::string NormalizeName(const std::string& name);

 private:
  // Enters a record under key; a record it replaces is kept, since open files may point at it.
  void EnterRecord(const std::string& key, std::unique_ptr<PakRecord> record);
  bool NextArchiveMatch(PakSearch* search, PakFindData* findData);

  std::vector<std::unique_ptr<PakCollection>> collections_;
  std::map<std::string, std::unique_ptr<PakRecord>> records_;
  std::vector<std::unique_ptr<PakRecord>> replaced_;
};

// The one process-wide instance, created on first use.
PakInterfaceBase* GetPakInterface();
PakInterface* GetPakInterfaceImpl();

// Shorthands through the process-wide instance.
inline PakFile* p_fopen(const char* name, const char* mode) { return GetPakInterface()->FOpen(name, mode); }
inline int p_fclose(PakFile* file) { return GetPakInterface()->FClose(file); }
inline int p_fseek(PakFile* file, long offset, int origin) { return GetPakInterface()->FSeek(file, offset, origin); }
inline long p_ftell(PakFile* file) { return GetPakInterface()->FTell(file); }
inline size_t p_fread(void* buffer, size_t elementSize, size_t count, PakFile* file) {
  return GetPakInterface()->FRead(buffer, elementSize, count, file);
}
inline int p_fgetc(PakFile* file) { return GetPakInterface()->FGetC(file); }
inline int p_ungetc(int ch, PakFile* file) { return GetPakInterface()->UnGetC(ch, file); }
inline char* p_fgets(char* buffer, int size, PakFile* file) { return GetPakInterface()->FGetS(buffer, size, file); }
inline int p_feof(PakFile* file) { return GetPakInterface()->FEof(file); }
inline bool p_readwhole(const std::string& name, std::vector<uint8_t>& out, uint64_t limit,
                        std::string* problem = nullptr) {
  return GetPakInterface()->ReadWholeFile(name, out, limit, problem);
}

#pragma once

// Reading and writing the packed archive's layout (described in PakInterface.h) outside the
// archive interface: the directory parser both share, the packer, and the time conversion.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

inline constexpr uint8_t kPakScramble = 0x9D;  // every stored byte is XORed with this
inline constexpr uint32_t kPakMagic = 0xBAC04AC0;
inline constexpr uint32_t kPakVersion = 0;
inline constexpr uint8_t kPakEndFlag = 0x80;
inline constexpr size_t kPakMaxName = 255;
inline constexpr uint64_t kPakMaxFileSize = 0xFFFFFFFFu;

// Stores n bytes XOR the scramble byte into dst (dst may equal src).
void PakUnscramble(uint8_t* dst, const uint8_t* src, size_t n);

// One directory entry; startPos is relative to the data area, which follows the directory.
struct PakDirectoryEntry {
  std::string name;
  uint64_t startPos = 0;
  uint32_t size = 0;
  uint64_t fileTime = 0;
};

struct PakDirectory {
  std::vector<PakDirectoryEntry> entries;
  uint64_t dataStart = 0;  // bytes of header and directory, end flag included
  uint64_t dataSize = 0;   // sum of the entries' sizes
};

// Fills exactly n unscrambled bytes, or answers false at the end of the input.
using PakByteReader = std::function<bool(void* out, size_t n)>;

// Reads header and directory; false with a reason in error when they are not an archive's or are
// cut short. Does not check the data area against the file size: the caller knows that size.
bool ParsePakDirectory(const PakByteReader& read, PakDirectory& directory, std::string& error);

// Reads an archive file's directory and checks that the data area fits in the file.
bool ReadPakDirectory(const std::string& archive, PakDirectory& directory, std::string& error);

// Windows FILETIME (100 ns units since 1601) of a Unix time; 0 before 1601.
uint64_t PakFileTimeFromUnix(int64_t seconds, int64_t nanoseconds);

// The last-write time of a file or folder as a FILETIME; false when it cannot be read.
bool PakLastWriteTime(const std::string& path, uint64_t& fileTime);

// A file to put in an archive from memory.
struct PakMemoryFile {
  std::string name;  // as stored, backslash-separated
  std::vector<uint8_t> data;
  uint64_t fileTime = 0;
};

// The archive bytes of the given files, in the given order.
std::vector<uint8_t> BuildPakImage(const std::vector<PakMemoryFile>& files);

// Packs every regular file under folder into archive (names relative to folder with backslashes,
// sorted, times from the files' last-write times), through archive.tmp renamed into place.
// False with a reason in error; the old archive then stays.
bool WritePakFile(const std::string& folder, const std::string& archive, std::string& error);

#pragma once

// Small helpers the fuzz targets share: a check that stops the run with a message, a file on disk
// that holds the current input, and a reader that turns the input's bytes into choices.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace Orva::Fuzz {

// Stops the run (a finding) when an invariant does not hold.
inline void Check(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::abort();
}

// One file per process and suffix, rewritten for every input and removed at exit.
class InputFile {
 public:
  explicit InputFile(const std::string& suffix)
      : path_("/tmp/orva-fuzz-" + std::to_string(::getpid()) + "-" + suffix) {}
  ~InputFile() { std::remove(path_.c_str()); }
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  // False when the file could not be written (the input is then skipped).
  bool Write(const uint8_t* data, size_t size) const {
    std::FILE* file = std::fopen(path_.c_str(), "wb");
    if (!file) return false;
    const bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
  }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// Takes bytes off the front of the input; once it is used up every read gives zeros and empty
// texts, so a short input still makes a whole (if dull) run.
class ByteReader {
 public:
  ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  bool Empty() const { return at_ >= size_; }
  uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  // Up to length bytes as they stand.
  std::string Bytes(size_t length) {
    const size_t n = length < size_ - at_ ? length : size_ - at_;
    std::string out(reinterpret_cast<const char*>(data_ + at_), n);
    at_ += n;
    return out;
  }
  // The bytes up to the next NUL (or the end), the NUL skipped.
  std::string Field() {
    std::string out;
    while (at_ < size_ && data_[at_] != 0) out += char(data_[at_++]);
    if (at_ < size_) ++at_;
    return out;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

}  // namespace Orva::Fuzz

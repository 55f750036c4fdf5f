#pragma once

#include <string>
#include <vector>

namespace Orva {

// The game's numbered texts, read from the translatable profile file "properties/strt.txt":
// section "STRINGS", keys "0" to "84". In a value a backslash stands for a line break and a slash
// for a tab. Several entries are printf formats; fill them with SafeFormat, never with printf.
class StringTable {
 public:
  static constexpr int kCount = 88;
  // The longest value kept, in bytes; longer values are cut.
  static constexpr size_t kMaxLength = 799;

  // Reads every entry through the archive layer; a missing file or key gives "STRING" for that
  // entry (an empty value stays empty), so the table is always complete afterwards. False when
  // the file could not be read (missing, not a regular file, far too large), with the reason.
  bool Load(const std::string& path, std::string* problem = nullptr);

  // Entry i; out of range (or before Load): an empty text.
  const std::string& Get(int i) const;
  int Count() const { return int(strings_.size()); }

  // A raw value as the table keeps it: cut, then "\" -> line feed and "/" -> tab.
  static std::string Convert(std::string value);

 private:
  std::vector<std::string> strings_;
};

}  // namespace Orva

#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Orva {

// A profile file in the classic INI layout:
//
//   ; comment
//   [Section]
//   key = value
//
// Sections and keys are found without regard to (ASCII) case; the first of two equal sections or
// keys wins. Values are read with the blanks around them trimmed. Lines outside any section, lines
// without "=", comments and damaged bytes are kept as they are but never read as keys, so a
// damaged file gives what can be read. CR LF and lone CR endings are read like LF; a rewrite uses
// the file's own ending (CR LF when its first line ends so, else LF), keeps a header line as it was
// written (a comment after it included) and a leading byte order mark.
//
// Every write rewrites the whole file atomically (WriteFileAtomically): the text goes to a
// temporary file of its own beside it, is flushed to the disk and then renamed over the file. When
// that fails the old file stays as it was, the change is undone in memory too, and the write
// reports false.
class IniFile {
 public:
  IniFile() = default;
  explicit IniFile(std::string path) : path_(std::move(path)) {}

  const std::string& Path() const { return path_; }
  void SetPath(std::string path) { path_ = std::move(path); }

  // No profile is anywhere near this large; a larger file is damaged and is not read.
  static constexpr uintmax_t kMaxFileSize = 256 * 1024;

  // Reads the file, replacing what is in memory. A missing file is an empty profile (true); false
  // only when the file exists but cannot be read (not a regular file, too large, unreadable).
  bool Load();
  // Writes everything in memory to the file, atomically.
  bool Save();
  // Why the last Load or Save failed, in words for the player ("Permission denied").
  const std::string& Error() const { return error_; }

  // The whole profile as file text, and back (Load and Save go through these).
  std::string ToText() const;
  void FromText(std::string_view text);

  std::string GetString(std::string_view section, std::string_view key, std::string_view fallback) const;
  // The leading decimal number of the value (with an optional sign), 0 when it has none;
  // the fallback only when the key is absent.
  int GetInt(std::string_view section, std::string_view key, int fallback) const;
  bool HasKey(std::string_view section, std::string_view key) const;

  // Sets the key, creating the section (at the end) and the file as needed; no value removes the
  // key (nothing is written when it did not exist). Then saves. Refuses (false, nothing changed)
  // an empty key, a key with "=" or starting with "[", ";" or "#", a section with "]", and line
  // breaks anywhere: they would come back as other lines (a header, a comment).
  bool SetString(std::string_view section, std::string_view key, std::optional<std::string_view> value);
  bool SetInt(std::string_view section, std::string_view key, int value);
  // Removes every section of that name with all its keys, then saves.
  bool RemoveSection(std::string_view section);

  // Names as written in the file, in file order, without repeats (compared without case).
  std::vector<std::string> SectionNames() const;
  std::vector<std::string> KeyNames(std::string_view section) const;

  // One call each, reading the file afresh, the way the game reads a single setting.
  static std::string Read(const std::string& path, std::string_view section, std::string_view key,
                          std::string_view fallback);
  static bool Write(const std::string& path, std::string_view section, std::string_view key,
                    std::optional<std::string_view> value, std::string* error = nullptr);

 private:
  struct Line {
    std::string text;      // the line as written (without its line break)
    bool isEntry = false;  // "key=value" inside a section
    std::string key;       // trimmed, for entries
    std::string value;     // trimmed, for entries
  };
  struct Section {
    std::string name;  // empty for the lines before the first section header
    bool hasHeader = false;
    std::vector<Line> lines;
    std::string headerText;  // the header line as read (empty: written as "[name]")
  };

  const Line* FindEntry(std::string_view section, std::string_view key) const;
  bool SaveOrUndo(std::vector<Section> previous);

  std::string path_;
  std::vector<Section> sections_;
  std::string error_;
  std::string byteOrderMark_;  // written back before the first line
  std::string lineEnd_ = "\n";
};

}  // namespace Orva

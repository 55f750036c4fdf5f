#include "game/core/IniFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>

#include "framework/platform/AtomicFile.h"

namespace Orva {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

bool HasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

// A key line that starts like a header or a comment is read back as one, and the key is lost.
bool StartsAnotherLine(std::string_view key) {
  return !key.empty() && (key[0] == '[' || key[0] == ';' || key[0] == '#');
}

}  // namespace

bool IniFile::Load() {
  sections_.clear();
  error_.clear();
  std::error_code error;
  const auto status = std::filesystem::status(path_, error);
  if (status.type() == std::filesystem::file_type::not_found) return true;
  if (error) {
    error_ = error.message();
    return false;
  }
  if (status.type() != std::filesystem::file_type::regular) {
    error_ = "it is not a regular file";
    return false;
  }
  const auto size = std::filesystem::file_size(path_, error);
  if (!error && size > kMaxFileSize) {
    error_ = "it is larger than " + std::to_string(kMaxFileSize / 1024) + " KB";
    return false;
  }
  std::ifstream in(path_, std::ios::binary);
  if (!in) {
    error_ = std::strerror(errno);
    return false;
  }
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) {
    error_ = "it could not be read";
    return false;
  }
  FromText(text.str());
  return true;
}

void IniFile::FromText(std::string_view text) {
  sections_.clear();
  sections_.push_back(Section{});
  // A UTF-8 byte order mark written by some editors is not part of the first line; it is written
  // back as it was, so the next read sees the same lines.
  byteOrderMark_.clear();
  if (text.substr(0, 3) == "\xEF\xBB\xBF") {
    byteOrderMark_ = "\xEF\xBB\xBF";
    text.remove_prefix(3);
  }
  // Lines are written back with the file's own ending.
  const size_t firstBreak = text.find_first_of("\r\n");
  lineEnd_ = firstBreak != std::string_view::npos && text.substr(firstBreak, 2) == "\r\n" ? "\r\n" : "\n";
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view raw = text.substr(pos, end - pos);
    pos = end;
    if (pos < text.size() && text[pos] == '\r') ++pos;
    if (pos < text.size() && text[pos] == '\n') ++pos;

    const std::string_view line = Trim(raw);
    if (!line.empty() && line.front() == '[') {
      const size_t close = line.find(']');
      if (close != std::string_view::npos) {
        // The header is written back as it stands, with anything after it (a comment).
        sections_.push_back(Section{std::string(Trim(line.substr(1, close - 1))), true, {}, std::string(raw)});
        continue;
      }
    }
    Line entry{std::string(raw), false, {}, {}};
    const size_t equals = line.find('=');
    if (sections_.back().hasHeader && equals != std::string_view::npos && line.front() != ';' && line.front() != '#') {
      entry.key = std::string(Trim(line.substr(0, equals)));
      entry.value = std::string(Trim(line.substr(equals + 1)));
      entry.isEntry = !entry.key.empty();
    }
    sections_.back().lines.push_back(std::move(entry));
  }
}

std::string IniFile::ToText() const {
  std::string out = byteOrderMark_;
  for (const Section& section : sections_) {
    if (section.hasHeader)
      out += (section.headerText.empty() ? "[" + section.name + "]" : section.headerText) + lineEnd_;
    for (const Line& line : section.lines) out += line.text + lineEnd_;
  }
  return out;
}

bool IniFile::Save() {
  if (path_.empty()) return false;
  std::string reason;
  if (WriteFileAtomically(path_, ToText(), reason)) return true;
  error_ = reason.empty() ? "it could not be written" : reason;
  return false;
}

const IniFile::Line* IniFile::FindEntry(std::string_view section, std::string_view key) const {
  section = Trim(section);
  key = Trim(key);
  for (const Section& s : sections_) {
    if (!s.hasHeader || !SameName(s.name, section)) continue;
    for (const Line& line : s.lines) {
      if (line.isEntry && SameName(line.key, key)) return &line;
    }
  }
  return nullptr;
}

std::string IniFile::GetString(std::string_view section, std::string_view key, std::string_view fallback) const {
  const Line* line = FindEntry(section, key);
  return line ? line->value : std::string(fallback);
}

int IniFile::GetInt(std::string_view section, std::string_view key, int fallback) const {
  const Line* line = FindEntry(section, key);
  if (!line) return fallback;
  const std::string& text = line->value;
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  long long number = 0;
  // Digits past the int range stop counting instead of overflowing.
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    number = number * 10 + (text[i] - '0');
    if (number > 2147483648LL) number = 2147483648LL;
  }
  if (negative) number = -number;
  if (number > 2147483647LL) number = 2147483647LL;
  return int(number);
}

bool IniFile::HasKey(std::string_view section, std::string_view key) const {
  return FindEntry(section, key) != nullptr;
}

bool IniFile::SaveOrUndo(std::vector<Section> previous) {
  if (Save()) return true;
  sections_ = std::move(previous);
  return false;
}

bool IniFile::SetString(std::string_view section, std::string_view key, std::optional<std::string_view> value) {
  section = Trim(section);
  key = Trim(key);
  if (key.empty() || key.find('=') != std::string_view::npos || StartsAnotherLine(key) ||
      section.find(']') != std::string_view::npos || HasLineBreak(section) || HasLineBreak(key) ||
      (value && HasLineBreak(*value))) {
    return false;
  }
  std::vector<Section> previous = sections_;
  Section* target = nullptr;
  for (Section& s : sections_) {
    if (s.hasHeader && SameName(s.name, section)) {
      for (auto it = s.lines.begin(); it != s.lines.end(); ++it) {
        if (!it->isEntry || !SameName(it->key, key)) continue;
        if (!value) {
          s.lines.erase(it);
        } else {
          it->value = std::string(Trim(*value));
          it->text = it->key + "=" + it->value;
        }
        return SaveOrUndo(std::move(previous));
      }
      if (!target) target = &s;
    }
  }
  // Removing a key that is not there changes nothing, and does not create the file.
  if (!value) return true;
  if (!target) {
    if (sections_.empty()) sections_.push_back(Section{});
    sections_.push_back(Section{std::string(section), true, {}, {}});
    target = &sections_.back();
  }
  // After the section's last entry, so the comments and blank lines that follow it stay after it;
  // in a section without entries, before its trailing blank lines.
  auto at = target->lines.end();
  auto lastEntry = std::find_if(target->lines.rbegin(), target->lines.rend(), [](const Line& l) { return l.isEntry; });
  if (lastEntry != target->lines.rend()) {
    at = lastEntry.base();
  } else {
    while (at != target->lines.begin() && Trim(std::prev(at)->text).empty()) --at;
  }
  Line line{std::string(key) + "=" + std::string(Trim(*value)), true, std::string(key), std::string(Trim(*value))};
  target->lines.insert(at, std::move(line));
  return SaveOrUndo(std::move(previous));
}

bool IniFile::SetInt(std::string_view section, std::string_view key, int value) {
  return SetString(section, key, std::to_string(value));
}

bool IniFile::RemoveSection(std::string_view section) {
  section = Trim(section);
  std::vector<Section> previous = sections_;
  const size_t before = sections_.size();
  std::erase_if(sections_, [&](const Section& s) { return s.hasHeader && SameName(s.name, section); });
  if (sections_.size() == before) return true;
  return SaveOrUndo(std::move(previous));
}

std::vector<std::string> IniFile::SectionNames() const {
  std::vector<std::string> names;
  for (const Section& s : sections_) {
    if (!s.hasHeader) continue;
    bool seen = false;
    for (const std::string& name : names) seen = seen || SameName(name, s.name);
    if (!seen) names.push_back(s.name);
  }
  return names;
}

std::vector<std::string> IniFile::KeyNames(std::string_view section) const {
  section = Trim(section);
  std::vector<std::string> names;
  for (const Section& s : sections_) {
    if (!s.hasHeader || !SameName(s.name, section)) continue;
    for (const Line& line : s.lines) {
      if (!line.isEntry) continue;
      bool seen = false;
      for (const std::string& name : names) seen = seen || SameName(name, line.key);
      if (!seen) names.push_back(line.key);
    }
  }
  return names;
}

std::string IniFile::Read(const std::string& path, std::string_view section, std::string_view key,
                          std::string_view fallback) {
  IniFile file(path);
  file.Load();
  return file.GetString(section, key, fallback);
}

bool IniFile::Write(const std::string& path, std::string_view section, std::string_view key,
                    std::optional<std::string_view> value, std::string* error) {
  IniFile file(path);
  // An existing file that cannot be read is never replaced by one holding only this key.
  const bool written = file.Load() && file.SetString(section, key, value);
  if (!written && error) *error = file.Error().empty() ? "the value cannot be stored" : file.Error();
  return written;
}

}  // namespace Orva

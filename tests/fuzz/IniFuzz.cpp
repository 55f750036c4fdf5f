// Any bytes as an INI profile. The text up to the first NUL is the file; after it come a section, a
// key and a value (NUL-separated) to set in it.
//  - Read, written and read again, the file gives the same sections, keys and values, and writing
//    it again gives the same text.
//  - Setting the key either is refused with nothing changed, or reads back as set (in memory and
//    from the file the write left) with every other value as it was; removing a key that was new
//    gives back the values the file had.
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "fuzz/FuzzSupport.h"
#include "game/core/IniFile.h"

namespace {

using Orva::IniFile;
using Orva::Fuzz::Check;

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return out;
}

std::string_view Trim(std::string_view text) {
  const std::string_view blanks = " \t\r\n\v\f";
  const size_t first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// Every value the file gives, by section and key as the reader finds them (without case).
using Values = std::map<std::pair<std::string, std::string>, std::string>;

Values ReadAll(const IniFile& file) {
  Values values;
  for (const std::string& section : file.SectionNames())
    for (const std::string& key : file.KeyNames(section))
      values[{Lower(section), Lower(key)}] = file.GetString(section, key, "");
  return values;
}

// The values without the one key.
Values Without(Values values, std::string_view section, std::string_view key) {
  values.erase({Lower(Trim(section)), Lower(Trim(key))});
  return values;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Orva::Fuzz::ByteReader input(data, size);
  const std::string text = input.Field();
  const std::string section = input.Field(), key = input.Field(), value = input.Field();

  IniFile first;
  first.FromText(text);
  const std::string written = first.ToText();
  IniFile second;
  second.FromText(written);
  const Values before = ReadAll(first);
  Check(ReadAll(second) == before, "sections, keys or values changed on the way through the file");
  Check(first.SectionNames() == second.SectionNames(), "section names changed on the way through the file");
  Check(second.ToText() == written, "the text changed when written a second time");

  static const Orva::Fuzz::InputFile file("profile.ini");
  IniFile edited(file.Path());
  edited.FromText(text);
  if (!edited.SetString(section, key, value)) {
    Check(edited.ToText() == written, "a refused key changed the file");
    return 0;
  }
  Check(edited.HasKey(section, key) && edited.GetString(section, key, "") == Trim(value),
        "a key set does not read back");
  IniFile reread(file.Path());
  Check(reread.Load(), "the file written cannot be read");
  const Values after = ReadAll(reread);
  Check(reread.HasKey(section, key) && reread.GetString(section, key, "") == Trim(value),
        "a key set does not read back from the file");
  Check(Without(after, section, key) == Without(before, section, key), "setting a key changed another");

  // A damaged file may hold the key twice; only a key that was new is sure to be gone again.
  if (before.count({Lower(Trim(section)), Lower(Trim(key))}) != 0) return 0;
  Check(reread.SetString(section, key, std::nullopt), "a key set cannot be removed");
  Check(!reread.HasKey(section, key), "a key removed is still there");
  IniFile removed(file.Path());
  Check(removed.Load(), "the file written cannot be read");
  Check(!removed.HasKey(section, key), "a key removed is still in the file");
  Check(ReadAll(removed) == Without(before, section, key), "removing a key changed another");
  return 0;
}

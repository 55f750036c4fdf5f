// Any bytes as the string table's file, read through the archive layer: the table is always whole
// afterwards, no entry is longer than the table keeps, and an entry cut to that length is never
// left with half a UTF-8 character when its text was whole UTF-8.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/FuzzSupport.h"
#include "game/core/IniFile.h"
#include "game/core/StringTable.h"

namespace {

using Orva::Fuzz::Check;

bool ValidUtf8(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    size_t length = 0;
    uint32_t code = 0;
    if (lead < 0x80) {
      ++i;
      continue;
    } else if ((lead & 0xE0) == 0xC0) {
      length = 2, code = lead & 0x1Fu;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3, code = lead & 0x0Fu;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4, code = lead & 0x07u;
    } else {
      return false;
    }
    if (text.size() - i < length) return false;
    for (size_t k = 1; k < length; ++k) {
      const unsigned char c = static_cast<unsigned char>(text[i + k]);
      if ((c & 0xC0) != 0x80) return false;
      code = code << 6 | (c & 0x3Fu);
    }
    const uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < smallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    i += length;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const Orva::Fuzz::InputFile file("strt.txt");
  if (!file.Write(data, size)) return 0;
  Orva::StringTable table;
  std::string problem;
  const bool read = table.Load(file.Path(), &problem);
  Check(read || !problem.empty(), "a table that could not be read gave no reason");
  Check(table.Count() == Orva::StringTable::kCount, "the table is not whole");
  Check(table.Get(-1).empty() && table.Get(Orva::StringTable::kCount).empty(), "entries outside the table");

  // The raw values, to see whether a cut entry kept whole characters.
  Orva::IniFile raw;
  raw.FromText(std::string_view(reinterpret_cast<const char*>(data), size));
  for (int i = 0; i < table.Count(); ++i) {
    const std::string& entry = table.Get(i);
    Check(entry.size() <= Orva::StringTable::kMaxLength, "an entry longer than the table keeps");
    if (read && ValidUtf8(raw.GetString("STRINGS", std::to_string(i), "STRING")))
      Check(ValidUtf8(entry), "an entry cut inside a UTF-8 character");
  }
  return 0;
}

#include "game/core/StringTable.h"

#include "framework/resources/PakInterface.h"
#include "game/core/IniFile.h"

namespace Orva {

std::string StringTable::Convert(std::string value) {
  if (value.size() > kMaxLength) {
    size_t cut = kMaxLength;
    // Never keep half of a UTF-8 character: step back over its continuation bytes.
    while (cut > 0 && (static_cast<unsigned char>(value[cut]) & 0xC0) == 0x80) --cut;
    value.resize(cut);
  }
  for (char& c : value) {
    if (c == '\\') {
      c = '\n';
    } else if (c == '/') {
      c = '\t';
    }
  }
  return value;
}

bool StringTable::Load(const std::string& path, std::string* problem) {
  // Through the archive layer like every data file, and bounded like a profile: the table is a
  // few kilobytes, so anything near the limit is not one.
  std::vector<uint8_t> bytes;
  std::string why;
  const bool read = p_readwhole(path, bytes, IniFile::kMaxFileSize, &why);
  IniFile file;
  if (read) file.FromText(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  strings_.assign(kCount, std::string());
  for (int i = 0; i < kCount; ++i) strings_[i] = Convert(file.GetString("STRINGS", std::to_string(i), "STRING"));
  if (!read && problem) *problem = why;
  return read;
}

const std::string& StringTable::Get(int i) const {
  static const std::string empty;
  if (i < 0 || i >= int(strings_.size())) return empty;
  return strings_[size_t(i)];
}

}  // namespace Orva

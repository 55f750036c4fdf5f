#include "framework/app/RegistryStore.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <system_error>
#include <vector>

#include "framework/platform/AtomicFile.h"

namespace Orva {

namespace {

constexpr const char* kHeader = "REGEDIT4";
constexpr const char* kRoot = "HKEY_CURRENT_USER\\";
// A settings file is a few hundred bytes; anything this large is not one.
constexpr std::uintmax_t kMaxFileSize = 4u << 20;

std::string Lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return text;
}

std::string TrimRight(std::string text) {
  while (!text.empty() && (text.back() == '\r' || text.back() == ' ' || text.back() == '\t')) text.pop_back();
  return text;
}

// Quoted text with backslash escapes for '\' and '"'.
std::string Quote(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}

// Reads a quoted text starting at line[pos] == '"'; pos ends after the closing quote.
bool Unquote(const std::string& line, size_t& pos, std::string& out) {
  if (pos >= line.size() || line[pos] != '"') return false;
  out.clear();
  for (++pos; pos < line.size(); ++pos) {
    char c = line[pos];
    if (c == '"') {
      ++pos;
      return true;
    }
    if (c == '\\') {
      if (++pos >= line.size()) return false;
      c = line[pos];
    }
    out += c;
  }
  return false;
}

bool IsPlainText(const std::string& text) {
  for (unsigned char c : text)
    if (c < 0x20 || c == 0x7F) return false;
  return true;
}

std::string HexBytes(const std::string& data) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (size_t i = 0; i < data.size(); ++i) {
    if (i) out += ',';
    const unsigned char b = static_cast<unsigned char>(data[i]);
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "aa,bb,cc" (blanks allowed around the commas) into bytes.
bool ParseHexBytes(const std::string& text, std::string& out) {
  out.clear();
  size_t i = 0;
  auto skipBlanks = [&] {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  };
  skipBlanks();
  if (i == text.size()) return true;
  for (;;) {
    skipBlanks();
    if (i >= text.size()) return false;
    const int hi = i < text.size() ? HexDigit(text[i]) : -1;
    const int lo = i + 1 < text.size() ? HexDigit(text[i + 1]) : -1;
    if (hi < 0 || lo < 0) return false;
    out += char(hi * 16 + lo);
    i += 2;
    skipBlanks();
    if (i == text.size()) return true;
    if (text[i] != ',') return false;
    ++i;
  }
}

std::string DwordBytes(uint32_t value) {
  std::string data(4, '\0');
  for (int i = 0; i < 4; ++i) data[size_t(i)] = char((value >> (8 * i)) & 0xFF);
  return data;
}

}  // namespace

void RegistryStore::SetFile(const std::string& path) {
  path_ = path;
  unreadable_ = false;
  keys_.clear();
}

bool RegistryStore::Load() {
  keys_.clear();
  unreadable_ = false;
  if (path_.empty()) return false;
  // Whatever stops the file being read whole also stops it being replaced: it may hold the
  // player's settings, and a save would put the defaults in their place.
  unreadable_ = true;
  std::error_code error;
  if (!std::filesystem::exists(path_, error)) {
    unreadable_ = bool(error);
    return !error;
  }
  const std::uintmax_t size = std::filesystem::file_size(path_, error);
  if (error || size > kMaxFileSize) return false;
  std::FILE* file = std::fopen(path_.c_str(), "rb");
  if (file == nullptr) return false;
  std::string text;
  char buffer[4096];
  size_t got = 0;
  while (text.size() <= kMaxFileSize && (got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
    text.append(buffer, got);
  const bool failed = std::ferror(file) != 0 || text.size() > kMaxFileSize;
  std::fclose(file);
  if (failed) return false;
  unreadable_ = false;
  return FromText(text);
}

bool RegistryStore::FromText(const std::string& text) {
  keys_.clear();
  bool clean = true;
  // Join continued lines (a trailing backslash after hex data) and walk the rest line by line.
  std::vector<std::string> lines;
  {
    std::istringstream in(text);
    std::string line, pending;
    while (std::getline(in, line)) {
      line = TrimRight(line);
      if (!pending.empty()) {
        size_t start = line.find_first_not_of(" \t");
        line = pending + (start == std::string::npos ? std::string() : line.substr(start));
        pending.clear();
      }
      if (!line.empty() && line.back() == '\\' && line.find("=hex") != std::string::npos) {
        line.pop_back();
        pending = line;
        continue;
      }
      lines.push_back(line);
    }
    if (!pending.empty()) {
      lines.push_back(pending);
      clean = false;
    }
  }

  Key* current = nullptr;
  bool sawHeader = false;
  for (const std::string& line : lines) {
    if (line.empty() || line[0] == ';') continue;
    if (!sawHeader) {
      sawHeader = true;
      if (line == kHeader) continue;
      clean = false;  // no header: read what looks right anyway
    }
    if (line[0] == '[') {
      current = nullptr;
      const std::string root = kRoot;
      if (line.back() != ']' || Lower(line.substr(1, root.size())) != Lower(root)) {
        clean = false;
        continue;
      }
      const std::string keyPath = line.substr(1 + root.size(), line.size() - 2 - root.size());
      if (keyPath.empty() || !IsPlainText(keyPath)) {
        clean = false;
        continue;
      }
      Key& key = keys_[Lower(keyPath)];
      if (key.path.empty()) key.path = keyPath;
      current = &key;
      continue;
    }
    size_t pos = 0;
    std::string name;
    if (current == nullptr || !Unquote(line, pos, name) || pos >= line.size() || line[pos] != '=') {
      clean = false;
      continue;
    }
    const std::string rest = line.substr(pos + 1);
    Value value;
    bool ok = false;
    if (!rest.empty() && rest[0] == '"') {
      size_t at = 0;
      ok = Unquote(rest, at, value.data) && at == rest.size();
      value.type = Type::String;
    } else if (rest.rfind("dword:", 0) == 0) {
      const std::string digits = rest.substr(6);
      ok = digits.size() == 8;
      uint32_t number = 0;
      for (char c : digits) {
        const int d = HexDigit(c);
        if (d < 0) ok = false;
        number = number * 16 + uint32_t(d < 0 ? 0 : d);
      }
      value.type = Type::Dword;
      value.data = DwordBytes(number);
    } else if (rest.rfind("hex(", 0) == 0) {
      // hex(1) is a text with bytes that cannot stand in quotes; any other number is a type this
      // program does not use (expandable or multi-line texts, 64-bit numbers), kept as it is.
      const size_t close = rest.find("):");
      unsigned number = 0;
      ok = close > 4 && close <= 12;
      for (size_t i = 4; ok && i < close; ++i) {
        const int d = HexDigit(rest[i]);
        ok = d >= 0;
        number = number * 16 + unsigned(d < 0 ? 0 : d);
      }
      ok = ok && number <= 0x7fffffffu && ParseHexBytes(rest.substr(close + 2), value.data);
      value.type = Type(int(number));
    } else if (rest.rfind("hex:", 0) == 0) {
      ok = ParseHexBytes(rest.substr(4), value.data);
      value.type = Type::Binary;
    }
    if (!ok) {
      clean = false;
      continue;
    }
    current->values[Lower(name)] = {name, value};
  }
  return clean;
}

std::string RegistryStore::ToText() const {
  std::string out = std::string(kHeader) + "\n";
  for (const auto& [lowerPath, key] : keys_) {
    if (key.values.empty()) continue;
    out += "\n[" + std::string(kRoot) + key.path + "]\n";
    for (const auto& [lowerName, entry] : key.values) {
      const auto& [name, value] = entry;
      out += Quote(name) + "=";
      switch (value.type) {
        case Type::String: out += IsPlainText(value.data) ? Quote(value.data) : "hex(1):" + HexBytes(value.data); break;
        case Type::Dword: {
          // Only four bytes make a "dword:" line; other lengths keep their bytes as they are.
          if (value.data.size() != 4) {
            out += "hex(4):" + HexBytes(value.data);
            break;
          }
          uint32_t number = 0;
          for (size_t i = 0; i < 4; ++i) number |= uint32_t(static_cast<unsigned char>(value.data[i])) << (8 * i);
          char digits[16];
          std::snprintf(digits, sizeof digits, "dword:%08x", number);
          out += digits;
          break;
        }
        case Type::Binary: out += "hex:" + HexBytes(value.data); break;
        default: {
          char type[24];
          std::snprintf(type, sizeof type, "hex(%x):", unsigned(value.type));
          out += type + HexBytes(value.data);
          break;
        }
      }
      out += "\n";
    }
  }
  return out;
}

bool RegistryStore::Save() const {
  if (path_.empty() || unreadable_) return false;
  return WriteFileAtomically(path_, ToText());
}

bool RegistryStore::Store(const std::string& keyPath, const std::string& name, Type type, const std::string& data) {
  if (path_.empty() || keyPath.empty()) return false;
  Key& key = keys_[Lower(keyPath)];
  if (key.path.empty()) key.path = keyPath;
  key.values[Lower(name)] = {name, Value{type, data}};
  return Save();
}

bool RegistryStore::Fetch(const std::string& keyPath, const std::string& name, Value& out) const {
  if (path_.empty()) return false;
  auto key = keys_.find(Lower(keyPath));
  if (key == keys_.end()) return false;
  auto value = key->second.values.find(Lower(name));
  if (value == key->second.values.end()) return false;
  out = value->second.second;
  return true;
}

bool RegistryStore::Erase(const std::string& keyPath, const std::string& name) {
  if (path_.empty()) return false;
  auto key = keys_.find(Lower(keyPath));
  if (key == keys_.end() || key->second.values.erase(Lower(name)) == 0) return false;
  return Save();
}

}  // namespace Orva

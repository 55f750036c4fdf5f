// Any bytes as the settings file: what it gives, written and read again, reads cleanly as the same
// keys, names, types and bytes, and writing that again gives the same text.
#include <cstddef>
#include <cstdint>
#include <set>
#include <sstream>
#include <string>
#include <utility>

#include "framework/app/RegistryStore.h"
#include "fuzz/FuzzSupport.h"

namespace {

using Orva::RegistryStore;
using Orva::Fuzz::Check;

// The (key path, value name) pairs a written text holds, read from the lines the writer makes:
// "[HKEY_CURRENT_USER\path]" and "\"name\"=..." with backslash escapes in the name.
std::set<std::pair<std::string, std::string>> Entries(const std::string& text) {
  const std::string root = "[HKEY_CURRENT_USER\\";
  std::set<std::pair<std::string, std::string>> entries;
  std::istringstream in(text);
  std::string line, path;
  while (std::getline(in, line)) {
    if (line.compare(0, root.size(), root) == 0 && line.back() == ']') {
      path = line.substr(root.size(), line.size() - root.size() - 1);
    } else if (!line.empty() && line[0] == '"') {
      std::string name;
      for (size_t i = 1; i < line.size() && line[i] != '"'; ++i) name += line[i] == '\\' ? line[++i] : line[i];
      entries.emplace(path, name);
    }
  }
  return entries;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A file is named so values can be fetched; nothing here stores, so it is never written.
  const std::string path = "/nonexistent/orva-settings-fuzz/settings.reg";
  RegistryStore first;
  first.SetFile(path);
  first.FromText(std::string(reinterpret_cast<const char*>(data), size));
  const std::string written = first.ToText();

  RegistryStore second;
  second.SetFile(path);
  Check(second.FromText(written), "the text written does not read cleanly");
  Check(second.ToText() == written, "the text changed when written a second time");
  for (const auto& [key, name] : Entries(written)) {
    RegistryStore::Value was, is;
    Check(first.Fetch(key, name, was), "a value written is not in the store it came from");
    Check(second.Fetch(key, name, is), "a value written does not read back");
    Check(was.type == is.type, "a value changed its type on the way through the file");
    Check(was.data == is.data, "a value changed its bytes on the way through the file");
  }
  return 0;
}

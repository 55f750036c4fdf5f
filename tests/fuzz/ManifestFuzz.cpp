// Any bytes as a resource manifest: reading must end with success or an error text, never a
// crash, and a failed read must leave no resource behind. A manifest that reads is then loaded
// group by group from an empty folder, where every file is missing: each group loads (when it
// names no files) or fails with an error text, every lookup answers or throws the manager's
// exception, and unloading everything frees every picture.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "framework/resourcemanager/ResourceHost.h"
#include "framework/resourcemanager/ResourceManager.h"

namespace {

// A folder with nothing in it, made once and removed when the program ends.
class EmptyFolder {
 public:
  EmptyFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "orva-manifest-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    path_ = pattern + "/";
  }
  ~EmptyFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

const std::string& EmptyFolderPath() {
  static const EmptyFolder folder;
  return folder.Path();
}

// Moves a file name into the empty folder; false when it could climb out of it (".."). A name cut
// short by a NUL character then stands for the folder itself, which must not read as a file.
bool Confine(std::string& path) {
  if (path.empty() || path[0] == '!') return true;
  if (path.find("..") != std::string::npos) return false;
  path = EmptyFolderPath() + path;
  return true;
}

// Every file a description names, moved into the empty folder; false when one cannot be.
bool ConfineFiles(Orva::ResourceManager& manager) {
  for (auto& [id, res] : manager.images) {
    auto* image = static_cast<Orva::ImageRes*>(res.get());
    if (!Confine(image->path) || !Confine(image->alphaImage) || !Confine(image->alphaGrid)) return false;
  }
  for (auto& [id, res] : manager.sounds)
    if (!Confine(res->path)) return false;
  for (auto& [id, res] : manager.fonts) {
    auto* font = static_cast<Orva::FontRes*>(res.get());
    // A system font's path is a face name, not a file.
    if ((!font->sysFont && !Confine(font->path)) || !Confine(font->imagePath)) return false;
  }
  return true;
}

template <typename F>
void LookUp(Orva::ResourceManager& manager, F lookup) {
  try {
    lookup();
  } catch (const Orva::ResourceManagerException&) {
    if (!manager.HasError()) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Orva::StandaloneResourceHost host;
  Orva::ResourceManager manager(&host);
  const bool ok = manager.ReadManifestFromText(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.xml");
  const bool empty = manager.images.empty() && manager.sounds.empty() && manager.fonts.empty();
  if (!ok && (!empty || manager.ErrorText().empty())) __builtin_trap();
  if (!ok || !ConfineFiles(manager)) return 0;

  for (const auto& [name, list] : manager.groups) {
    if (manager.LoadGroup(name)) {
      if (!manager.IsGroupReady(name)) __builtin_trap();
    } else if (!manager.HasError() || manager.ErrorText().empty()) {
      __builtin_trap();
    }
  }
  for (const auto& entry : manager.images) LookUp(manager, [&] { manager.RequireImage(entry.first); });
  for (const auto& entry : manager.sounds) LookUp(manager, [&] { manager.RequireSound(entry.first); });
  for (const auto& entry : manager.fonts) LookUp(manager, [&] { manager.RequireFont(entry.first); });

  manager.UnloadGroup("");
  host.sharedImages.PurgeUnreferenced();
  if (host.registry.Count() != 0 || host.sharedImages.Count() != 0) __builtin_trap();
  return 0;
}

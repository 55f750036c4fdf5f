#pragma once

#include <list>
#include <string>

namespace Orva {

class GameApp;

// The player profiles: one small file per player in the profile folder, named as the player,
// holding the options and the progress (see ProfileValues). The store keeps the list of names,
// creates, loads, renames and deletes the files, and remembers the last player in the settings
// ("luser"). Loading applies the profile to the application: screen mode, volumes, the map's
// place in the campaign, lives and scores.
class ProfileStore {
 public:
  explicit ProfileStore(GameApp* app) : app_(app) {}

  // The folder the files live in (ends in "/"); set once the application knows it.
  void SetFolder(std::string folder) { folder_ = std::move(folder); }
  const std::string& Folder() const { return folder_; }
  std::string PathOf(const std::string& name) const { return folder_ + name; }

  // Lists the profile folder: every regular file whose name could be a profile's, sorted.
  void Enumerate();
  // After loading: loads the last player's profile, or the first listed; with none, the main menu
  // asks for a name.
  void LoadLastUsed();
  // Writes a new profile file and lists it; the first profile, or one made current, becomes the
  // current profile with a fresh campaign. A name that cannot be a profile's, or that a listed
  // profile or a profile file of the folder already has, is refused: false, and nothing is
  // written, listed or made current. False too when the file could not be written; the player
  // has been told, and the name is listed anyway (the player plays on under it, unsaved).
  bool Create(const std::string& name, bool makeCurrent);
  // Reads the profile and applies it. The callers make it current.
  void Load(const std::string& name);
  // Removes the list entry and the file; a name that cannot be a profile's removes no file.
  void Delete(const std::string& name);
  // Renames the file and the list entry. False when the new name is another profile's, either
  // name cannot be a profile's, or the file could not be moved.
  bool Rename(const std::string& oldName, const std::string& newName);
  void Clear() { names_.clear(); }

  const std::list<std::string>& Names() const { return names_; }
  int Count() const { return int(names_.size()); }
  bool Contains(const std::string& name) const;

 private:
  GameApp* app_;
  std::string folder_;
  std::list<std::string> names_;
};

}  // namespace Orva

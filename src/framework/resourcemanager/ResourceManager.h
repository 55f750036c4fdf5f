#pragma once

#include <exception>
#include <list>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "framework/graphics/Image.h"
#include "framework/resourcemanager/SharedImage.h"

namespace Orva {

class Font;
class MemoryImage;
class ResourceHost;
class SoundManager;
class XMLParser;
struct XMLItem;

// A resource as the manifest declares it. The loaded object (if any) belongs to the derived
// description; FreeLoaded lets it go but keeps the description, so the resource can load again.
class BaseRes {
 public:
  enum Type { kImage = 0, kSound = 1, kFont = 2 };

  Type type = kImage;
  std::string id;
  std::string resGroup;
  std::string path;  // with the path prefix applied, or as written when it begins with "!"
  std::map<std::string, std::string> sourceAttributes;
  bool madeByCode = false;  // "!program": code makes the object; loading skips it

  explicit BaseRes(Type kind) : type(kind) {}
  virtual ~BaseRes() = default;
  virtual void FreeLoaded() {}
  virtual bool IsLoaded() const = 0;
};

class ImageRes : public BaseRes {
 public:
  SharedPictureRef image;
  std::string alphaImage;
  std::string alphaGrid;
  std::string variant;
  bool useAlpha = true;
  bool palletize = true;
  bool a4r4g4b4 = false;
  bool a8r8g8b8 = false;
  bool ddSurface = false;
  bool purgeBits = false;
  bool minSubdivide = false;
  int rows = 1;
  int cols = 1;
  uint32_t alphaColor = 0xFFFFFF;
  CelAnimation anim;

  ImageRes() : BaseRes(kImage) {}
  void FreeLoaded() override { image.Release(); }
  bool IsLoaded() const override { return static_cast<bool>(image); }
};

class SoundRes : public BaseRes {
 public:
  int soundId = -1;
  double volume = -1.0;  // below 0: not given
  int pan = 0;
  SoundManager* soundManager = nullptr;  // the manager the id was taken from

  SoundRes() : BaseRes(kSound) {}
  void FreeLoaded() override;
  bool IsLoaded() const override { return soundId >= 0; }
};

class FontRes : public BaseRes {
 public:
  std::unique_ptr<Font> font;
  std::shared_ptr<MemoryImage> fontImage;  // the "image" picture replacing the descriptor's
  std::string imagePath;
  std::string tags;
  bool sysFont = false;
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool shadow = false;
  int size = 0;

  FontRes();
  ~FontRes() override;
  void FreeLoaded() override;
  bool IsLoaded() const override { return font != nullptr; }
};

// Thrown by the Require lookups when a resource is missing; what() is the manager's error text.
// The one exception of the framework: the game's resource bindings rely on it to stop at the
// first missing resource.
class ResourceManagerException : public std::exception {
 public:
  explicit ResourceManagerException(std::string text) : text_(std::move(text)) {}
  const char* what() const noexcept override { return text_.c_str(); }

 private:
  std::string text_;
};

// Reads the resource manifest (groups of images, sounds and fonts) and loads groups on demand,
// at once or one resource at a time (the loading thread's way, to count progress). Objects are
// then fetched by id. Errors are kept as one text: the first one, with line and file while a
// manifest is read.
//
// Not locked: one thread at a time loads or unloads. Pictures are created and registered under
// the application's display lock, so the main thread may draw while a loading thread loads.
class ResourceManager {
 public:
  using ResMap = std::map<std::string, std::unique_ptr<BaseRes>>;
  using ResList = std::list<BaseRes*>;

  std::set<std::string> loadedGroups;
  ResMap images;
  ResMap sounds;
  ResMap fonts;
  XMLParser* parser = nullptr;  // only while a manifest is read
  std::string errorText;
  ResourceHost* app = nullptr;
  std::string currentGroup;
  std::string pathPrefix;
  std::string idPrefix;
  bool tolerateMissingCodeMade = false;
  bool allowRedefine = false;
  bool duplicateSeen = false;
  bool hasFailed = false;
  std::map<std::string, ResList> groups;
  ResList* loadList = nullptr;
  ResList::iterator loadIterator;

  explicit ResourceManager(ResourceHost* host);
  virtual ~ResourceManager();
  ResourceManager(const ResourceManager&) = delete;
  ResourceManager& operator=(const ResourceManager&) = delete;

  // Manifest reading. The element readers return false when the manifest must stop.
  virtual bool ReadCommonEntry(const XMLItem& item, BaseRes* res, ResMap& map);
  virtual bool ReadSoundEntry(const XMLItem& item);
  virtual bool ReadImageEntry(const XMLItem& item);
  virtual bool ReadFontEntry(const XMLItem& item);
  virtual bool ReadDefaultsEntry(const XMLItem& item);
  virtual bool ReadGroupBody();

  // Frees the loaded objects of a group (every group when the name is empty).
  virtual void UnloadGroup(const std::string& group);
  virtual void UnloadKind(ResMap& map, const std::string& group);

  virtual bool LoadImageEntry(ImageRes* res);
  virtual bool LoadFontEntry(FontRes* res);
  virtual bool LoadSoundEntry(SoundRes* res);

  // Loads the next resource of the group begun with BeginGroupLoad that is not loaded yet;
  // false at the end of the group or on an error.
  virtual bool LoadNextEntry();
  // Called after each resource that loaded.
  virtual void EntryLoadedHook(BaseRes* res);
  virtual void BeginGroupLoad(const std::string& group);
  virtual bool LoadGroup(const std::string& group);

  // The loaded objects by id. Unknown or not loaded: the error is recorded and
  // ResourceManagerException thrown.
  virtual SharedPictureRef RequireImage(const std::string& id);
  virtual int RequireSound(const std::string& id);
  virtual Font* RequireFont(const std::string& id);

  // Reads a manifest file through the archive layer. A manifest that fails adds no resource.
  bool ReadManifest(const std::string& fileName);
  // The same over text in memory; `fileName` only names it in error texts.
  bool ReadManifestFromText(std::string_view text, const std::string& fileName);

  bool HasError() const { return hasFailed; }
  const std::string& ErrorText() const { return errorText; }
  // Images, sounds and fonts of the group, not counting those code makes.
  int CountGroupEntries(const std::string& group) const;
  // The font when it is loaded; null otherwise.
  Font* FindFont(const std::string& id) const;
  bool IsGroupReady(const std::string& group) const { return loadedGroups.count(group) != 0; }

 protected:
  // Keeps the first error (with line and file while a manifest is read); always false.
  bool RecordError(const std::string& message);
  void ClearError();

 private:
  bool ReadManifestWith(XMLParser& reader, bool opened, const std::string& fileName);
  bool ReadManifestBody();
  // Registers a description read by an element reader, or merges it into the one already
  // registered under its id when redefinition is allowed. Takes ownership either way.
  template <typename Res>
  Res* Register(const XMLItem& item, std::unique_ptr<Res> res, ResMap& map);
  void ForgetIfJustAdded(BaseRes* res, ResMap& map);
  void ForgetNewEntries();

  // What the manifest being read has added, so that a manifest that fails adds nothing.
  struct ManifestUndo {
    std::vector<std::pair<ResMap*, std::string>> entries;
    std::vector<std::string> groups;
    std::string pathPrefix;
    std::string idPrefix;
  };
  ManifestUndo undo_;
  BaseRes* lastAdded_ = nullptr;  // registered by the element being read
};

}  // namespace Orva

#include "framework/resourcemanager/ResourceManager.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "framework/fonts/FontData.h"
#include "framework/fonts/ImageFont.h"
#include "framework/fonts/SysFont.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/resourcemanager/ResourceHost.h"
#include "framework/resources/ImageLib.h"
#include "framework/resources/XMLParser.h"
#include "framework/sound/SoundManager.h"

namespace Orva {

namespace {

constexpr uint32_t kDefaultAlphaColor = 0xFFFFFF;

// A parser over text in memory that still names a file in its errors.
class NamedXMLParser : public XMLParser {
 public:
  void SetFileName(const std::string& name) { fileName = name; }
};

bool Has(const XMLItem& item, const char* name) { return item.attributes.count(name) != 0; }

const std::string* Find(const XMLItem& item, const char* name) {
  auto found = item.attributes.find(name);
  return found == item.attributes.end() ? nullptr : &found->second;
}

// Decimal numbers read the forgiving way the manifest always has: leading digits count, anything
// else is 0.
int ToInt(const std::string& text) {
  int value = 0;
  return std::sscanf(text.c_str(), "%d", &value) == 1 ? value : 0;
}

std::vector<int> ToIntList(const std::string& text) {
  std::vector<int> values;
  size_t start = 0;
  while (start <= text.size()) {
    size_t comma = text.find(',', start);
    if (comma == std::string::npos) comma = text.size();
    values.push_back(ToInt(text.substr(start, comma - start)));
    start = comma + 1;
  }
  return values;
}

// Prefix values lose one trailing separator: "images\" and "images" both mean "images".
std::string WithoutTrailingSeparator(std::string value) {
  if (!value.empty() && (value.back() == '/' || value.back() == '\\')) value.pop_back();
  return value;
}

// The file name without directory and extension: the id a resource gets when it names none.
std::string IdFromPath(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.erase(dot);
  return name;
}

// Fills the "%s" places of a message one after the other; the values are never read as patterns.
std::string Format(const char* pattern, const std::string& a, const std::string& b = std::string()) {
  std::string text = pattern;
  size_t at = text.find("%s");
  if (at == std::string::npos) return text;
  text.replace(at, 2, a);
  at = text.find("%s", at + a.size());
  if (at != std::string::npos) text.replace(at, 2, b);
  return text;
}

bool EqualsNoCase(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i] != '\0'; ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return i == a.size() && b[i] == '\0';
}

// The first colour byte (blue) of `alpha` becomes the alpha of `pixels`, cel by cel when the
// alpha picture is one cel of a grid.
void ApplyAlpha(uint32_t* pixels, int width, int height, const ImageLib::Image& alpha) {
  for (int y = 0; y < height; ++y) {
    const uint32_t* alphaRow = alpha.bits.get() + size_t(y % alpha.height) * size_t(alpha.width);
    uint32_t* row = pixels + size_t(y) * size_t(width);
    for (int x = 0; x < width; ++x) row[x] = (row[x] & 0x00FFFFFF) | ((alphaRow[x % alpha.width] & 0xFF) << 24);
  }
}

}  // namespace

void SoundRes::FreeLoaded() {
  if (soundId >= 0 && soundManager != nullptr) soundManager->ReleaseSound(soundId);
  soundId = -1;
}

FontRes::FontRes() : BaseRes(kFont) {}
FontRes::~FontRes() = default;

void FontRes::FreeLoaded() {
  font.reset();
  fontImage.reset();
}

ResourceManager::ResourceManager(ResourceHost* host) : app(host) {}

ResourceManager::~ResourceManager() {
  // Loaded objects go before their descriptions; the fonts first, as they may draw from images.
  UnloadGroup("");
}

bool ResourceManager::RecordError(const std::string& message) {
  if (hasFailed) return false;
  hasFailed = true;
  errorText = message;
  if (parser != nullptr) {
    if (parser->LineNumber() > 0) errorText += " on Line " + std::to_string(parser->LineNumber());
    if (!parser->FileName().empty()) errorText += " in File '" + parser->FileName() + "'";
  }
  return false;
}

void ResourceManager::ClearError() {
  hasFailed = false;
  errorText.clear();
}

// ---------------------------------------------------------------------------------------------
// Reading the manifest

bool ResourceManager::ReadManifest(const std::string& fileName) {
  NamedXMLParser reader;
  const bool opened = reader.OpenFile(fileName);
  return ReadManifestWith(reader, opened, fileName);
}

bool ResourceManager::ReadManifestFromText(std::string_view text, const std::string& fileName) {
  NamedXMLParser reader;
  const bool opened = reader.OpenBuffer(text);
  reader.SetFileName(fileName);
  return ReadManifestWith(reader, opened, fileName);
}

bool ResourceManager::ReadManifestWith(XMLParser& reader, bool opened, const std::string& fileName) {
  // Each manifest is judged on its own: an error kept from before would fail a good one.
  ClearError();
  undo_ = ManifestUndo{{}, {}, pathPrefix, idPrefix};
  if (!opened) {
    RecordError("Resource file not found: " + fileName);
    return false;
  }
  parser = &reader;
  XMLItem item;
  bool sawStart = false;
  while (!hasFailed && reader.NextItem(item)) {
    if (item.kind == XMLItem::Start) {
      sawStart = true;
      break;
    }
  }
  if (!sawStart && reader.Failed()) RecordError(reader.ErrorText());
  if (!sawStart || item.value != "ResourceManifest") RecordError("Expecting ResourceManifest tag");

  const bool ok = ReadManifestBody();
  if (!ok) ForgetNewEntries();
  undo_ = ManifestUndo{};
  lastAdded_ = nullptr;
  return ok;
}

bool ResourceManager::ReadManifestBody() {
  XMLItem item;
  while (!hasFailed && parser->NextItem(item)) {
    if (item.kind == XMLItem::Start) {
      if (item.value != "Resources") {
        RecordError("Invalid Section '" + item.value + "'");
        break;
      }
      const std::string* id = Find(item, "id");
      if (id == nullptr || id->empty()) {
        RecordError("No id specified.");
        break;
      }
      currentGroup = *id;
      if (groups.try_emplace(currentGroup).second) undo_.groups.push_back(currentGroup);
      if (!ReadGroupBody()) break;
    } else if (item.kind == XMLItem::Text) {
      RecordError("Element Not Expected '" + item.value + "'");
      break;
    }
  }
  if (parser->Failed()) RecordError(parser->ErrorText());
  parser = nullptr;
  return !hasFailed;
}

bool ResourceManager::ReadGroupBody() {
  XMLItem item;
  while (parser->NextItem(item)) {
    if (item.kind == XMLItem::Start) {
      bool parsed;
      if (item.value == "Image") {
        parsed = ReadImageEntry(item);
      } else if (item.value == "Sound") {
        parsed = ReadSoundEntry(item);
      } else if (item.value == "Font") {
        parsed = ReadFontEntry(item);
      } else if (item.value == "SetDefaults") {
        parsed = ReadDefaultsEntry(item);
      } else {
        return RecordError("Invalid Section '" + item.value + "'");
      }
      if (!parsed) return false;
      if (!parser->NextItem(item)) return false;
      if (item.kind != XMLItem::End) return RecordError("Unexpected element found.");
    } else if (item.kind == XMLItem::Text) {
      return RecordError("Element Not Expected '" + item.value + "'");
    } else if (item.kind == XMLItem::End) {
      return true;
    }
  }
  return false;
}

bool ResourceManager::ReadCommonEntry(const XMLItem& item, BaseRes* res, ResMap& map) {
  duplicateSeen = false;
  const std::string* path = Find(item, "path");
  if (path == nullptr || path->empty()) return RecordError("No path specified.");

  res->sourceAttributes = item.attributes;
  res->madeByCode = false;
  if ((*path)[0] == '!') {
    res->path = *path;
    res->madeByCode = *path == "!program";
  } else {
    res->path = pathPrefix + *path;
  }
  const std::string* id = Find(item, "id");
  res->id = idPrefix + (id != nullptr ? *id : IdFromPath(res->path));
  res->resGroup = currentGroup;

  if (map.count(res->id) != 0) {
    duplicateSeen = true;
    return RecordError("Resource already defined.");
  }
  return true;
}

template <typename Res>
Res* ResourceManager::Register(const XMLItem& item, std::unique_ptr<Res> res, ResMap& map) {
  lastAdded_ = nullptr;
  if (!ReadCommonEntry(item, res.get(), map)) {
    if (!duplicateSeen || !allowRedefine) return nullptr;
    // A redefinition takes the new path and attributes; the caller applies the rest to it.
    ClearError();
    Res* existing = static_cast<Res*>(map[res->id].get());
    existing->path = res->path;
    existing->sourceAttributes = res->sourceAttributes;
    existing->madeByCode = res->madeByCode;
    return existing;
  }
  Res* added = res.get();
  groups[currentGroup].push_back(added);
  undo_.entries.emplace_back(&map, added->id);
  lastAdded_ = added;
  map[added->id] = std::move(res);
  return added;
}

bool ResourceManager::ReadSoundEntry(const XMLItem& item) {
  SoundRes* res = Register(item, std::make_unique<SoundRes>(), sounds);
  if (res == nullptr) return false;
  if (const std::string* volume = Find(item, "volume")) {
    double value = 0;
    if (std::sscanf(volume->c_str(), "%lf", &value) == 1) res->volume = value;
  }
  if (const std::string* pan = Find(item, "pan")) res->pan = ToInt(*pan);
  return true;
}

bool ResourceManager::ReadImageEntry(const XMLItem& item) {
  ImageRes* res = Register(item, std::make_unique<ImageRes>(), images);
  if (res == nullptr) return false;

  res->palletize = !Has(item, "nopal");
  res->a4r4g4b4 = Has(item, "a4r4g4b4");
  res->a8r8g8b8 = Has(item, "a8r8g8b8");
  res->minSubdivide = Has(item, "minsubdivide");
  res->ddSurface = Has(item, "ddsurface");
  const bool is3D = app != nullptr && app->Is3D();
  res->purgeBits = Has(item, "nobits") || (is3D && Has(item, "nobits3d")) || (!is3D && Has(item, "nobits2d"));
  res->useAlpha = !Has(item, "noalpha");
  if (const std::string* alpha = Find(item, "alphaimage")) res->alphaImage = pathPrefix + *alpha;
  if (const std::string* color = Find(item, "alphacolor")) {
    unsigned int value = 0;
    if (std::sscanf(color->c_str(), "%x", &value) == 1) res->alphaColor = value;
  }
  if (const std::string* variant = Find(item, "variant")) res->variant = *variant;
  if (const std::string* grid = Find(item, "alphagrid")) res->alphaGrid = pathPrefix + *grid;
  // A grid of no cels cannot be cut; it counts as one cel. Nor can a picture hold more cels a
  // side than it can have pixels, so the animation tables stay small whatever the file says.
  if (const std::string* rows = Find(item, "rows")) res->rows = std::clamp(ToInt(*rows), 1, ImageLib::kMaxImageSide);
  if (const std::string* cols = Find(item, "cols")) res->cols = std::clamp(ToInt(*cols), 1, ImageLib::kMaxImageSide);

  const std::string* anim = Find(item, "anim");
  const std::string mode = anim != nullptr ? *anim : "none";
  int loopMode;
  if (EqualsNoCase(mode, "none")) {
    loopMode = 0;
  } else if (EqualsNoCase(mode, "once")) {
    loopMode = 1;
  } else if (EqualsNoCase(mode, "loop")) {
    loopMode = 3;
  } else if (EqualsNoCase(mode, "pingpong")) {
    loopMode = 2;
  } else {
    ForgetIfJustAdded(res, images);
    return RecordError("Invalid animation type.");
  }
  res->anim.loopMode = loopMode;
  if (loopMode != 0) {
    if (const std::string* delay = Find(item, "framedelay")) res->anim.frameDelay = ToInt(*delay);
    const std::string* begin = Find(item, "begindelay");
    const std::string* end = Find(item, "enddelay");
    if (const std::string* delays = Find(item, "perframedelay")) res->anim.frameDelays = ToIntList(*delays);
    if (const std::string* cels = Find(item, "framemap")) res->anim.frameCels = ToIntList(*cels);
    res->anim.Setup(std::max(res->rows, res->cols), begin ? ToInt(*begin) : 0, end ? ToInt(*end) : 0);
  }
  return true;
}

bool ResourceManager::ReadFontEntry(const XMLItem& item) {
  FontRes* res = Register(item, std::make_unique<FontRes>(), fonts);
  if (res == nullptr) return false;

  if (const std::string* image = Find(item, "image")) res->imagePath = *image;
  if (const std::string* tags = Find(item, "tags")) res->tags = *tags;
  static const std::string kSysPrefix = "!sys:";
  if (res->path.compare(0, kSysPrefix.size(), kSysPrefix) == 0) {
    res->sysFont = true;
    const std::string* size = Find(item, "size");
    res->size = size != nullptr ? ToInt(*size) : 0;
    if (res->size < 1) {
      ForgetIfJustAdded(res, fonts);
      return RecordError("SysFont needs point size");
    }
  } else if (const std::string* size = Find(item, "size")) {
    res->size = ToInt(*size);
  }
  res->bold = Has(item, "bold");
  res->italic = Has(item, "italic");
  res->underline = Has(item, "underline");
  res->shadow = Has(item, "shadow");
  return true;
}

bool ResourceManager::ReadDefaultsEntry(const XMLItem& item) {
  if (const std::string* path = Find(item, "path")) {
    // An empty value goes back to no prefix rather than to the root folder.
    const std::string base = WithoutTrailingSeparator(*path);
    pathPrefix = base.empty() ? std::string() : base + "/";
  }
  if (const std::string* prefix = Find(item, "idprefix")) idPrefix = WithoutTrailingSeparator(*prefix);
  return true;
}

// An element that fails after its description was registered takes the description with it.
void ResourceManager::ForgetIfJustAdded(BaseRes* res, ResMap& map) {
  if (res != lastAdded_) return;
  lastAdded_ = nullptr;
  groups[res->resGroup].remove(res);
  undo_.entries.pop_back();
  map.erase(res->id);
}

void ResourceManager::ForgetNewEntries() {
  for (auto it = undo_.entries.rbegin(); it != undo_.entries.rend(); ++it) {
    ResMap& map = *it->first;
    auto found = map.find(it->second);
    if (found == map.end()) continue;
    BaseRes* res = found->second.get();
    groups[res->resGroup].remove(res);
    map.erase(found);
  }
  for (const std::string& group : undo_.groups) groups.erase(group);
  pathPrefix = undo_.pathPrefix;
  idPrefix = undo_.idPrefix;
}

// ---------------------------------------------------------------------------------------------
// Loading and unloading

void ResourceManager::UnloadKind(ResMap& map, const std::string& group) {
  for (auto& [id, res] : map)
    if (group.empty() || res->resGroup == group) res->FreeLoaded();
}

void ResourceManager::UnloadGroup(const std::string& group) {
  // Fonts first: a font may draw from a picture that an image resource also holds.
  UnloadKind(fonts, group);
  UnloadKind(images, group);
  UnloadKind(sounds, group);
  if (group.empty()) {
    loadedGroups.clear();
  } else {
    loadedGroups.erase(group);
  }
}

void ResourceManager::BeginGroupLoad(const std::string& group) {
  ClearError();
  currentGroup = group;
  loadList = &groups[group];
  loadIterator = loadList->begin();
}

bool ResourceManager::LoadNextEntry() {
  if (hasFailed || loadList == nullptr) return false;
  while (loadIterator != loadList->end()) {
    BaseRes* res = *loadIterator++;
    if (res->madeByCode || res->IsLoaded()) continue;
    switch (res->type) {
      case BaseRes::kImage: return LoadImageEntry(static_cast<ImageRes*>(res));
      case BaseRes::kSound: return LoadSoundEntry(static_cast<SoundRes*>(res));
      case BaseRes::kFont: return LoadFontEntry(static_cast<FontRes*>(res));
    }
  }
  return false;
}

void ResourceManager::EntryLoadedHook(BaseRes*) {}

bool ResourceManager::LoadGroup(const std::string& group) {
  ClearError();
  BeginGroupLoad(group);
  while (LoadNextEntry()) {
  }
  if (hasFailed) return false;
  loadedGroups.insert(group);
  return true;
}

bool ResourceManager::LoadImageEntry(ImageRes* res) {
  bool isNew = false;
  ImageLib::alphaComposeColor = res->alphaColor;
  SharedPictureRef ref = app->AcquireSharedImage(res->path, res->variant, &isNew);
  ImageLib::alphaComposeColor = kDefaultAlphaColor;
  MemoryImage* image = ref.Get();
  if (image == nullptr) {
    const std::string why = ImageLib::loadProblem.empty() ? "" : "\n" + ImageLib::loadProblem;
    return RecordError(Format("Failed to load image: %s", res->path) + why);
  }

  if (isNew) {
    // A picture made here is finished here: when its alpha cannot be applied it is dropped from
    // the shared table again, so that a later load starts over instead of finding it half made.
    const auto fail = [&](const std::string& message) {
      ref.Release();
      app->DiscardSharedImage(res->path, res->variant);
      return RecordError(message);
    };
    if (!res->alphaImage.empty()) {
      std::unique_ptr<ImageLib::Image> alpha = ImageLib::LoadImageFile(res->alphaImage, false);
      if (alpha == nullptr) return fail(Format("Failed to load image: %s", res->alphaImage));
      if (alpha->width != image->width || alpha->height != image->height || image->GetPixels() == nullptr)
        return fail(Format("AlphaImage size mismatch between %s and %s", res->path, res->alphaImage));
      ApplyAlpha(image->GetPixels(), image->width, image->height, *alpha);
      image->PixelsChanged();
    }
    if (!res->alphaGrid.empty()) {
      std::unique_ptr<ImageLib::Image> alpha = ImageLib::LoadImageFile(res->alphaGrid, false);
      if (alpha == nullptr) return fail(Format("Failed to load image: %s", res->alphaGrid));
      if (alpha->width != image->width / res->cols || alpha->height != image->height / res->rows || alpha->width == 0 ||
          alpha->height == 0 || image->GetPixels() == nullptr)
        return fail(Format("GridAlphaImage size mismatch between %s and %s", res->path, res->alphaGrid));
      ApplyAlpha(image->GetPixels(), image->width, image->height, *alpha);
      image->PixelsChanged();
    }
  }

  image->UpdateAlphaFlags();
  res->image = ref;
  image->purgeAfterUpload = res->purgeBits;
  // Software pictures already live in the display's form: keeping one on a display surface
  // comes down to not keeping its 32-bit pixels as well.
  bool onDisplaySurface = false;
  if (res->ddSurface) {
    image->UpdateAlphaFlags();
    if (!image->hasTranslucent) {
      onDisplaySurface = true;
      image->purgeAfterUpload = true;
    }
  }
  if (res->palletize) {
    if (onDisplaySurface) {
      image->wantPalette = true;
    } else {
      image->Palettize();
    }
  }
  if (res->a4r4g4b4) image->surfaceFlags |= 4;
  if (res->a8r8g8b8) image->surfaceFlags |= 8;
  if (res->minSubdivide) image->surfaceFlags |= 1;
  if (res->anim.loopMode != 0) image->animation = std::make_unique<CelAnimation>(res->anim);
  image->numRows = res->rows;
  image->numCols = res->cols;
  if (image->purgeAfterUpload) image->PurgePixels();
  EntryLoadedHook(res);
  return true;
}

bool ResourceManager::LoadSoundEntry(SoundRes* res) {
  SoundManager* manager = app->GetSoundManager();
  const int id = manager != nullptr ? manager->GetFreeSoundId() : -1;
  if (id < 0) return RecordError("Out of free sound ids");
  if (!manager->LoadSound(id, res->path)) return RecordError(Format("Failed to load sound: %s", res->path));
  if (res->volume >= 0) manager->SetBaseVolume(id, res->volume);
  if (res->pan != 0) manager->SetBasePan(id, res->pan);
  res->soundId = id;
  res->soundManager = manager;
  EntryLoadedHook(res);
  return true;
}

bool ResourceManager::LoadFontEntry(FontRes* res) {
  std::unique_ptr<Font> font;
  if (res->sysFont) {
    auto sysFont = std::make_unique<SysFont>(app->GetImageHost(), res->path.substr(5), res->size, 0, res->bold,
                                             res->italic, res->underline, false);
    sysFont->drawShadow = res->shadow;
    font = std::move(sysFont);
  } else if (res->path.compare(0, 5, "!ref:") == 0) {
    const std::string refId = res->path.substr(5);
    Font* original = FindFont(refId);
    if (original == nullptr) return RecordError("Ref font not found: " + refId);
    font.reset(original->Duplicate());
  } else {
    std::shared_ptr<MemoryImage> fontImage;
    std::unique_ptr<ImageFont> imageFont;
    std::string detail;
    if (!res->imagePath.empty()) {
      fontImage = app->CreateImageFromFile(res->imagePath, true);
      if (fontImage == nullptr) return RecordError(Format("Failed to load image: %s", res->imagePath));
      imageFont = std::make_unique<ImageFont>(fontImage, res->path);
    } else {
      auto data = std::make_shared<FontData>();
      data->onError = [&detail](const std::string& text) { detail = text; };
      data->Load(app->GetImageHost(), res->path);
      data->onError = nullptr;
      imageFont = std::make_unique<ImageFont>(data);
    }
    if (imageFont->fontData == nullptr || !imageFont->fontData->initialized) {
      // The descriptor's own complaint (command and line) follows on the next line.
      return RecordError(Format("Failed to load font: %s", res->path) + (detail.empty() ? "" : "\n" + detail));
    }
    res->fontImage = std::move(fontImage);
    font = std::move(imageFont);
  }
  // Tags switch layers of any bitmap font, a copy made with "!ref:" included.
  auto* imageFont = dynamic_cast<ImageFont*>(font.get());
  if (imageFont != nullptr && !res->tags.empty()) {
    size_t start = 0;
    while (start < res->tags.size()) {
      const size_t end = res->tags.find_first_of(", \t\r\n", start);
      const size_t stop = end == std::string::npos ? res->tags.size() : end;
      if (stop > start) imageFont->AddTag(res->tags.substr(start, stop - start));
      start = stop + 1;
    }
    imageFont->Prepare();
  }
  res->font = std::move(font);
  EntryLoadedHook(res);
  return true;
}

// ---------------------------------------------------------------------------------------------
// Lookups

SharedPictureRef ResourceManager::RequireImage(const std::string& id) {
  auto found = images.find(id);
  if (found != images.end()) {
    auto* res = static_cast<ImageRes*>(found->second.get());
    if (res->image || (res->madeByCode && tolerateMissingCodeMade)) return res->image;
  }
  RecordError(Format("Image resource not found: %s", id));
  throw ResourceManagerException(errorText);
}

int ResourceManager::RequireSound(const std::string& id) {
  auto found = sounds.find(id);
  if (found != sounds.end()) {
    auto* res = static_cast<SoundRes*>(found->second.get());
    if (res->soundId >= 0 || (res->madeByCode && tolerateMissingCodeMade)) return res->soundId;
  }
  RecordError(Format("Sound resource not found: %s", id));
  throw ResourceManagerException(errorText);
}

Font* ResourceManager::RequireFont(const std::string& id) {
  auto found = fonts.find(id);
  if (found != fonts.end()) {
    auto* res = static_cast<FontRes*>(found->second.get());
    if (res->font != nullptr || (res->madeByCode && tolerateMissingCodeMade)) return res->font.get();
  }
  RecordError(Format("Font resource not found: %s", id));
  throw ResourceManagerException(errorText);
}

Font* ResourceManager::FindFont(const std::string& id) const {
  auto found = fonts.find(id);
  if (found == fonts.end()) return nullptr;
  return static_cast<FontRes*>(found->second.get())->font.get();
}

int ResourceManager::CountGroupEntries(const std::string& group) const {
  auto found = groups.find(group);
  if (found == groups.end()) return 0;
  return int(
      std::count_if(found->second.begin(), found->second.end(), [](const BaseRes* res) { return !res->madeByCode; }));
}

}  // namespace Orva

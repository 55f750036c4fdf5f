#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/fonts/DescParser.h"
#include "framework/graphics/Color.h"
#include "framework/graphics/Rect.h"

namespace Orva {

class FontData;
class ImageHost;
class MemoryImage;

struct CharData {
  Rect imageRect;
  Point offset;
  std::array<int8_t, 256> kerningOffsets{};  // extra advance when the indexed character follows
  int width = 0;
  int order = 0;
};

// One look of the glyphs (shadow, body, outline...), drawn with its own colour and mode.
class FontLayer {
 public:
  FontData* fontData = nullptr;
  std::vector<std::string> requiredTags;
  std::vector<std::string> excludedTags;
  std::array<CharData, 256> charData{};
  Color colorMult = Color(255, 255, 255, 255);
  Color colorAdd = Color(0, 0, 0, 0);
  std::shared_ptr<MemoryImage> image;
  int drawMode = -1;  // -1: the Graphics' current mode
  Point offset;
  int spacing = 0;
  int minPointSize = -1;
  int maxPointSize = -1;
  int pointSize = 0;  // 0: not scaled by point size
  int ascent = 0;
  int ascentPadding = 0;
  int height = 0;
  int defaultHeight = 0;
  int lineSpacingOffset = 0;
  int baseOrder = 0;
};

// A font descriptor, read once and then shared (read-only) by an ImageFont and its copies.
class FontData : public DescParser {
 public:
  // Layers cost about 70 KB each; a descriptor asking for more than this is refused.
  static constexpr size_t kMaxLayers = 256;

  bool initialized = false;
  ImageHost* app = nullptr;
  int defaultPointSize = 0;
  std::array<uint8_t, 256> charMap{};
  std::list<FontLayer> layers;  // creation order; a list so layerMap pointers stay valid
  std::map<std::string, FontLayer*> layerMap;
  std::string sourceFile;
  std::string errorHeader;
  // Receives the full error text of a failed load (the application shows it to the user).
  std::function<void(const std::string&)> onError;

  FontData();

  bool Error(const std::string& message) override;
  bool HandleCommand(const ListDataElement& params) override;

  // Once per FontData; the result is also left in `initialized`.
  bool Load(ImageHost* host, const std::string& path);
  // The same from text in memory; `path` names it in errors and anchors relative image names.
  bool LoadFromText(ImageHost* host, const std::string& path, std::string_view text);

  FontLayer* FindLayer(const std::string& name);
  uint8_t Map(char ch) const { return charMap[static_cast<uint8_t>(ch)]; }

 protected:
  // Loads (or takes from this descriptor's cache) an image for a layer; null when it cannot.
  virtual std::shared_ptr<MemoryImage> LoadLayerImage(const std::string& path);

 private:
  bool Begin(ImageHost* host, const std::string& path);
  void ForgetPartialLoad();
  // A descriptor that made no layer gives a font that draws nothing: an error.
  bool HasLayers();
  bool GetName(DataElement* element, std::string& out);
  bool GetLayer(DataElement* element, FontLayer*& layer);
  bool GetChars(DataElement* element, std::vector<uint8_t>& out, size_t length);
  bool GetColor(DataElement* element, Color& out);
  bool GetRect(DataElement* element, Rect& out);
  bool GetPoint(DataElement* element, Point& out);
  bool AddLayer(const std::string& name, const FontLayer* from);

  std::map<std::string, std::shared_ptr<MemoryImage>> imageCache_;
  bool loadTried_ = false;
};

}  // namespace Orva

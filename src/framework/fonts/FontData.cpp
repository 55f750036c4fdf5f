#include "framework/fonts/FontData.h"

#include <algorithm>
#include <cstdlib>

#include "framework/graphics/MemoryImage.h"
#include "framework/resources/ImageBridge.h"

namespace Orva {

namespace {

// Metric values (widths, offsets, ascents...) beyond this are refused so that pen positions and
// scaled sizes stay far inside int.
constexpr int kMaxMetric = 1 << 16;

}  // namespace

FontData::FontData() {
  for (int i = 0; i < 256; ++i) charMap[size_t(i)] = uint8_t(i);
}

bool FontData::Error(const std::string& message) {
  DescParser::Error(message);
  error = errorHeader + error;
  if (onError) onError(error);
  return false;
}

bool FontData::Begin(ImageHost* host, const std::string& path) {
  if (loadTried_) return false;
  loadTried_ = true;
  app = host;
  errorHeader = "Font Descriptor Error in " + path + "\r\n";
  sourceFile = path;
  return true;
}

// A failed descriptor leaves an empty font, not the commands that ran before the error.
void FontData::ForgetPartialLoad() {
  layers.clear();
  layerMap.clear();
  defines.clear();
  for (int i = 0; i < 256; ++i) charMap[size_t(i)] = uint8_t(i);
  defaultPointSize = 0;
}

bool FontData::Load(ImageHost* host, const std::string& path) {
  if (!Begin(host, path)) return initialized;
  initialized = LoadDescriptor(path) && HasLayers();
  if (!initialized) ForgetPartialLoad();
  return initialized;
}

bool FontData::LoadFromText(ImageHost* host, const std::string& path, std::string_view text) {
  if (!Begin(host, path)) return initialized;
  initialized = LoadDescriptorText(text) && HasLayers();
  if (!initialized) ForgetPartialLoad();
  return initialized;
}

bool FontData::HasLayers() {
  if (!layers.empty()) return true;
  // Said after the last line, not on it.
  currentLineNum = 0;
  return Error("The descriptor defines no layer");
}

FontLayer* FontData::FindLayer(const std::string& name) {
  auto it = layerMap.find(ToUpper(name));
  return it == layerMap.end() ? nullptr : it->second;
}

std::shared_ptr<MemoryImage> FontData::LoadLayerImage(const std::string& path) {
  auto it = imageCache_.find(path);
  if (it != imageCache_.end()) return it->second;
  std::shared_ptr<MemoryImage> image = LoadMemoryImage(path, app);
  if (image == nullptr) return nullptr;
  image->Palettize();
  imageCache_[path] = image;
  return image;
}

bool FontData::GetName(DataElement* element, std::string& out) {
  // Layer names are written as plain words; a word that is also a define means the define.
  if (element != nullptr && !element->isList) {
    const std::string& word = static_cast<SingleDataElement*>(element)->value;
    if (!IsImmediate(word) && GetDefine(word) == nullptr) {
      out = word;
      return true;
    }
  }
  return DataToString(element, out);
}

bool FontData::GetLayer(DataElement* element, FontLayer*& layer) {
  std::string name;
  if (!GetName(element, name)) return false;
  layer = FindLayer(name);
  if (layer == nullptr) return Error("Undefined Layer");
  return true;
}

bool FontData::GetChars(DataElement* element, std::vector<uint8_t>& out, size_t length) {
  std::vector<std::string> strings;
  if (!DataToStringVector(element, strings)) return false;
  out.clear();
  for (const auto& s : strings) {
    // One byte per character; anything longer (a multi-byte character among them) is refused.
    if (s.size() != length) return Error("Invalid Paramater Type");
    for (const char c : s) out.push_back(static_cast<uint8_t>(c));
  }
  return true;
}

bool FontData::GetColor(DataElement* element, Color& out) {
  DataElement* value = Dereference(element);
  if (value == nullptr) return false;
  if (!value->isList) {
    int packed = 0;
    if (!DataToInt(value, packed)) return false;
    out = Color(uint32_t(packed));
    return true;
  }
  const auto& elements = static_cast<ListDataElement*>(value)->elements;
  if (elements.size() != 4) return Error("Invalid Paramater Type");
  int channels[4];
  for (size_t i = 0; i < 4; ++i) {
    double v = 0;
    if (!DataToDouble(elements[i].get(), v)) return false;
    if (v < 0.0 || v > 1.0) return Error("Invalid Paramater Type");
    channels[i] = int(v * 255.0);
  }
  out = Color(channels[0], channels[1], channels[2], channels[3]);
  return true;
}

bool FontData::GetRect(DataElement* element, Rect& out) {
  std::vector<int> v;
  if (!DataToIntVector(element, v)) return false;
  if (v.size() != 4) return Error("Invalid Paramater Type");
  for (const int n : v)
    if (n < -kMaxMetric || n > kMaxMetric) return Error("Invalid Paramater Type");
  out = Rect(v[0], v[1], v[2], v[3]);
  return true;
}

bool FontData::GetPoint(DataElement* element, Point& out) {
  std::vector<int> v;
  if (!DataToIntVector(element, v)) return false;
  if (v.size() != 2) return Error("Invalid Paramater Type");
  for (const int n : v)
    if (n < -kMaxMetric || n > kMaxMetric) return Error("Invalid Paramater Type");
  out = Point{v[0], v[1]};
  return true;
}

bool FontData::AddLayer(const std::string& name, const FontLayer* from) {
  const std::string key = ToUpper(name);
  if (layerMap.count(key) != 0) return Error("Layer Already Exists");
  if (layers.size() >= kMaxLayers) return Error("Too Many Layers");
  layers.push_back(from != nullptr ? *from : FontLayer());
  layers.back().fontData = this;
  layerMap[key] = &layers.back();
  return true;
}

bool FontData::HandleCommand(const ListDataElement& params) {
  const auto& p = params.elements;
  const std::string cmd = ToUpper(static_cast<SingleDataElement*>(p[0].get())->value);
  const size_t n = p.size();
  auto count = [&](size_t want) { return n == want ? true : Error("Invalid Number of Parameters"); };
  // An int argument within the metric range.
  auto metric = [&](DataElement* e, int& out) {
    if (!DataToInt(e, out)) return false;
    return out >= -kMaxMetric && out <= kMaxMetric ? true : Error("Invalid Paramater Type");
  };
  // Commands of the form: layer, one int, stored in a layer field.
  static const std::map<std::string, int FontLayer::*> kLayerInts = {
      {"LAYERSETHEIGHT", &FontLayer::height},
      {"LAYERSETASCENT", &FontLayer::ascent},
      {"LAYERSETASCENTPADDING", &FontLayer::ascentPadding},
      {"LAYERSETLINESPACINGOFFSET", &FontLayer::lineSpacingOffset},
      {"LAYERSETSPACING", &FontLayer::spacing},
      {"LAYERSETBASEORDER", &FontLayer::baseOrder},
  };

  if (cmd == "DEFINE") {
    if (!count(3)) return false;
    if (p[1]->isList) return Error("Invalid Paramater Type");
    const std::string& name = static_cast<SingleDataElement*>(p[1].get())->value;
    if (IsImmediate(name)) return Error("Invalid Paramater Type");
    auto value = Resolve(p[2].get());
    if (value == nullptr) return false;
    defines[ToUpper(name)] = std::move(value);
    return true;
  }
  if (cmd == "CREATEHORZSPANRECTLIST") {
    if (!count(4)) return false;
    if (p[1]->isList) return Error("Invalid Paramater Type");
    const std::string& name = static_cast<SingleDataElement*>(p[1].get())->value;
    if (IsImmediate(name)) return Error("Invalid Paramater Type");
    Rect r;
    std::vector<int> widths;
    if (!GetRect(p[2].get(), r) || !DataToIntVector(p[3].get(), widths)) return false;
    auto list = std::make_unique<ListDataElement>();
    long long x = r.x;
    for (const int w : widths) {
      if (w < 0 || w > kMaxMetric || x > kMaxMetric) return Error("Invalid Paramater Type");
      auto rect = std::make_unique<ListDataElement>();
      for (const long long v : {x, (long long)r.y, (long long)w, (long long)r.height})
        rect->elements.push_back(std::make_unique<SingleDataElement>(std::to_string(v)));
      list->elements.push_back(std::move(rect));
      x += w;
    }
    defines[ToUpper(name)] = std::move(list);
    return true;
  }
  if (cmd == "SETDEFAULTPOINTSIZE") {
    int size = 0;
    if (!count(2) || !metric(p[1].get(), size)) return false;
    if (size < 0) return Error("Invalid Paramater Type");
    defaultPointSize = size;
    return true;
  }
  if (cmd == "SETCHARMAP") {
    std::vector<uint8_t> from, to;
    if (!count(3) || !GetChars(p[1].get(), from, 1) || !GetChars(p[2].get(), to, 1)) return false;
    if (from.size() != to.size()) return Error("List Size Mismatch");
    for (size_t i = 0; i < from.size(); ++i) charMap[from[i]] = to[i];
    return true;
  }
  if (cmd == "CREATELAYER") {
    std::string name;
    if (!count(2) || !GetName(p[1].get(), name)) return false;
    return AddLayer(name, nullptr);
  }
  if (cmd == "CREATELAYERFROM") {
    std::string name;
    FontLayer* from = nullptr;
    if (!count(3) || !GetName(p[1].get(), name) || !GetLayer(p[2].get(), from)) return false;
    return AddLayer(name, from);
  }

  // Everything else works on a layer named by the first argument.
  static const char* const kLayerCommands[] = {
      "LAYERREQUIRETAGS", "LAYEREXCLUDETAGS",    "LAYERPOINTRANGE",      "LAYERSETPOINTSIZE", "LAYERSETIMAGE",
      "LAYERSETDRAWMODE", "LAYERSETCOLORMULT",   "LAYERSETCOLORADD",     "LAYERSETOFFSET",    "LAYERSETCHARWIDTHS",
      "LAYERSETIMAGEMAP", "LAYERSETCHAROFFSETS", "LAYERSETKERNINGPAIRS", "LAYERSETCHARORDERS"};
  const bool known = kLayerInts.count(cmd) != 0 ||
                     std::find(std::begin(kLayerCommands), std::end(kLayerCommands), cmd) != std::end(kLayerCommands);
  if (!known) return Error("Unknown Command");
  if (n < 2) return Error("Invalid Number of Parameters");
  FontLayer* layer = nullptr;
  if (!GetLayer(p[1].get(), layer)) return false;

  if (auto it = kLayerInts.find(cmd); it != kLayerInts.end()) {
    int v = 0;
    if (!count(3) || !metric(p[2].get(), v)) return false;
    layer->*(it->second) = v;
    return true;
  }
  if (cmd == "LAYERREQUIRETAGS" || cmd == "LAYEREXCLUDETAGS") {
    std::vector<std::string> tags;
    if (!count(3) || !DataToStringVector(p[2].get(), tags)) return false;
    auto& into = cmd == "LAYERREQUIRETAGS" ? layer->requiredTags : layer->excludedTags;
    for (auto& t : tags) into.push_back(ToUpper(t));
    return true;
  }
  if (cmd == "LAYERPOINTRANGE") {
    int lo = 0, hi = 0;
    if (!count(4) || !metric(p[2].get(), lo) || !metric(p[3].get(), hi)) return false;
    layer->minPointSize = lo;
    layer->maxPointSize = hi;
    return true;
  }
  if (cmd == "LAYERSETPOINTSIZE") {
    int size = 0;
    if (!count(3) || !metric(p[2].get(), size)) return false;
    // It divides every scaled size, so it cannot be negative.
    if (size < 0) return Error("Invalid Paramater Type");
    layer->pointSize = size;
    return true;
  }
  if (cmd == "LAYERSETIMAGE") {
    std::string name;
    if (!count(3) || !DataToString(p[2].get(), name)) return false;
    const size_t slash = sourceFile.find_last_of("/\\");
    const std::string path = slash == std::string::npos ? name : sourceFile.substr(0, slash + 1) + name;
    auto image = LoadLayerImage(path);
    if (image == nullptr) return Error("Failed to Load Image");
    layer->image = std::move(image);
    return true;
  }
  if (cmd == "LAYERSETDRAWMODE") {
    int mode = 0;
    if (!count(3) || !DataToInt(p[2].get(), mode)) return false;
    if (mode != 0 && mode != 1) return Error("Invalid Paramater Type");
    layer->drawMode = mode;
    return true;
  }
  if (cmd == "LAYERSETCOLORMULT" || cmd == "LAYERSETCOLORADD") {
    Color c;
    if (!count(3) || !GetColor(p[2].get(), c)) return false;
    (cmd == "LAYERSETCOLORMULT" ? layer->colorMult : layer->colorAdd) = c;
    return true;
  }
  if (cmd == "LAYERSETOFFSET") {
    Point pt;
    if (!count(3) || !GetPoint(p[2].get(), pt)) return false;
    layer->offset = pt;
    return true;
  }
  if (!count(4)) return false;
  // The rest pair a list of characters with a list of values; both are read in full before any
  // character changes, so a bad element leaves the layer as it was.
  const size_t charLength = cmd == "LAYERSETKERNINGPAIRS" ? 2 : 1;
  std::vector<uint8_t> chars;
  if (!GetChars(p[2].get(), chars, charLength)) return false;
  const size_t keys = chars.size() / charLength;
  ListDataElement* values = nullptr;
  if (!DataToList(p[3].get(), values)) return false;
  if (values->elements.size() != keys) return Error("List Size Mismatch");

  if (cmd == "LAYERSETCHARWIDTHS" || cmd == "LAYERSETCHARORDERS" || cmd == "LAYERSETKERNINGPAIRS") {
    std::vector<int> ints;
    for (const auto& e : values->elements) {
      int v = 0;
      if (!metric(e.get(), v)) return false;
      if (cmd == "LAYERSETKERNINGPAIRS" && (v < -128 || v > 127)) return Error("Invalid Paramater Type");
      ints.push_back(v);
    }
    for (size_t i = 0; i < keys; ++i) {
      if (cmd == "LAYERSETCHARWIDTHS")
        layer->charData[chars[i]].width = ints[i];
      else if (cmd == "LAYERSETCHARORDERS")
        layer->charData[chars[i]].order = ints[i];
      else
        layer->charData[chars[2 * i]].kerningOffsets[chars[2 * i + 1]] = int8_t(ints[i]);
    }
    return true;
  }
  if (cmd == "LAYERSETCHAROFFSETS") {
    std::vector<Point> points(keys);
    for (size_t i = 0; i < keys; ++i)
      if (!GetPoint(values->elements[i].get(), points[i])) return false;
    for (size_t i = 0; i < keys; ++i) layer->charData[chars[i]].offset = points[i];
    return true;
  }
  // LAYERSETIMAGEMAP
  if (layer->image == nullptr) return Error("Layer image not set");
  std::vector<Rect> rects(keys);
  for (size_t i = 0; i < keys; ++i) {
    Rect& r = rects[i];
    if (!GetRect(values->elements[i].get(), r)) return false;
    if (r.x < 0 || r.y < 0 || r.width < 0 || r.height < 0 || r.x + r.width > layer->image->width ||
        r.y + r.height > layer->image->height)
      return Error("Image rectangle out of bounds");
  }
  for (size_t i = 0; i < keys; ++i) layer->charData[chars[i]].imageRect = rects[i];
  int tallest = 0;
  for (const auto& cd : layer->charData) tallest = std::max(tallest, cd.imageRect.height + cd.offset.y);
  layer->defaultHeight = tallest;
  return true;
}

}  // namespace Orva

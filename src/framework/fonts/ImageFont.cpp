#include "framework/fonts/ImageFont.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <sstream>

#include "framework/graphics/Graphics.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/resources/PakInterface.h"

namespace Orva {

namespace {

// Rescaled glyph sheets larger than this many pixels are not built; such layers measure but draw
// nothing (a huge scale must not exhaust memory).
constexpr int64_t kMaxScaledPixels = int64_t(1) << 24;

int Trunc(double v) {
  if (!(v > -2147483648.0 && v < 2147483647.0)) return v > 0 ? 2147483647 : (v < 0 ? -2147483647 - 1 : 0);
  return int(v);
}

bool Contains(const std::vector<std::string>& list, const std::string& item) {
  return std::find(list.begin(), list.end(), item) != list.end();
}

// The glyph draws of one DrawStringEx call, sorted into buckets by draw order. One pool for the
// process so that drawing text allocates nothing; guarded because of that.
struct GlyphRecord {
  MemoryImage* image;
  int x, y;
  Rect src;
  Color color;
  int drawMode;
  int next;
};
constexpr int kPoolSize = 4096;
std::mutex gPoolLock;
GlyphRecord gPool[kPoolSize];
int gBucketHead[256];
int gBucketTail[256];

}  // namespace

ImageFont::ImageFont(ImageHost* host, const std::string& descriptorPath) : fontData(std::make_shared<FontData>()) {
  fontData->Load(host, descriptorPath);
  pointSize = fontData->defaultPointSize;
  GenerateActiveFontLayers();
  activeListValid = true;
}

ImageFont::ImageFont(std::shared_ptr<FontData> data) : fontData(std::move(data)) {
  if (fontData == nullptr) fontData = std::make_shared<FontData>();
  pointSize = fontData->defaultPointSize;
  GenerateActiveFontLayers();
  activeListValid = true;
}

namespace {

// A widths table is a few hundred bytes; anything near this is not one.
constexpr uint64_t kMaxWidthsTableBytes = 1 << 20;
// The space width and ascent of a table, as the font descriptor's metrics: beyond this they are
// damage, and pen positions computed from them would leave int.
constexpr int kMaxWidthsMetric = 1 << 16;

bool MetricAllowed(int value) { return value >= -kMaxWidthsMetric && value <= kMaxWidthsMetric; }

}  // namespace

ImageFont::ImageFont(std::shared_ptr<MemoryImage> image, const std::string& widthsPath)
    : fontData(std::make_shared<FontData>()) {
  std::vector<uint8_t> bytes;
  const bool found = p_readwhole(widthsPath, bytes, kMaxWidthsTableBytes);
  const std::string table(bytes.begin(), bytes.end());
  if (found && image != nullptr) {
    std::istringstream file(table);
    FontLayer layer;
    layer.fontData = fontData.get();
    layer.image = image;
    layer.ascent = image->height;
    layer.defaultHeight = image->height;
    int spaceWidth = 0;
    int ascent = 0;
    // A table whose metrics cannot be read, or are far out of range, gives no glyphs.
    if (file >> spaceWidth >> ascent && MetricAllowed(spaceWidth) && MetricAllowed(ascent)) {
      layer.ascent = ascent;
      layer.charData[' '].width = spaceWidth;
      int x = 0;
      char ch[1] = {};
      int width = 0;
      // Glyphs lie side by side in table order; a width that would leave the strip ends the table.
      while (file >> ch[0] >> width) {
        if (width < 0 || width > image->width - x) break;
        CharData& cd = layer.charData[static_cast<uint8_t>(ch[0])];
        cd.imageRect = Rect(x, 0, width, image->height);
        cd.width = width;
        x += width;
      }
    }
    // A strip with only one case of a letter serves both.
    for (int c = 0; c < 256; ++c) {
      if (!std::isalpha(c) || layer.charData[size_t(c)].width != 0) continue;
      const int other = std::isupper(c) ? std::tolower(c) : std::toupper(c);
      if (other != c && layer.charData[size_t(other)].width != 0) fontData->charMap[size_t(c)] = uint8_t(other);
    }
    fontData->layers.push_back(layer);
    fontData->layerMap[""] = &fontData->layers.back();
    fontData->initialized = true;
  }
  GenerateActiveFontLayers();
  activeListValid = true;
}

ImageFont::ImageFont(const ImageFont& other)
    : Font(other),
      fontData(other.fontData),
      pointSize(other.pointSize),
      tags(other.tags),
      activeListValid(other.activeListValid),
      activeLayers(other.activeListValid ? other.activeLayers : std::vector<ActiveFontLayer>()),
      scale(other.scale),
      forceScaledImagesWhite(other.forceScaledImagesWhite) {}

Font* ImageFont::Duplicate() { return new ImageFont(*this); }

double ImageFont::LayerScale(const FontLayer& layer) const {
  return layer.pointSize != 0 ? scale * pointSize / layer.pointSize : scale;
}

void ImageFont::GenerateActiveFontLayers() {
  if (fontData == nullptr || !fontData->initialized) return;
  activeLayers.clear();
  ascent = ascentPadding = height = lineSpacingOffset = 0;
  bool first = true;
  for (FontLayer& layer : fontData->layers) {
    if (pointSize < layer.minPointSize || (layer.maxPointSize != -1 && layer.maxPointSize < pointSize)) continue;
    bool tagsFit = true;
    for (const auto& t : layer.requiredTags) tagsFit = tagsFit && Contains(tags, t);
    for (const auto& t : layer.excludedTags) tagsFit = tagsFit && !Contains(tags, t);
    if (!tagsFit) continue;

    ActiveFontLayer active;
    active.baseLayer = &layer;
    double num = 1, den = 1;
    if (scale == 1.0 && (layer.pointSize == 0 || layer.pointSize == pointSize)) {
      active.image = layer.image;
      for (size_t c = 0; c < 256; ++c) active.scaledCharImageRects[c] = layer.charData[c].imageRect;
    } else {
      num = layer.pointSize != 0 ? pointSize * scale : scale;
      den = layer.pointSize != 0 ? layer.pointSize : 1;
      int64_t x = 0;
      int tallest = 0;
      for (size_t c = 0; c < 256; ++c) {
        const Rect& r = layer.charData[c].imageRect;
        const int w = std::max(0, Trunc(num * r.width / den));
        const int h = std::max(0, Trunc(num * r.height / den));
        active.scaledCharImageRects[c] = Rect(int(std::min<int64_t>(x, 2147483647)), 0, w, h);
        x += w;
        tallest = std::max(tallest, h);
      }
      if (layer.image != nullptr && x > 0 && tallest > 0 && x * tallest <= kMaxScaledPixels) {
        auto scaled = std::make_shared<MemoryImage>(layer.image->app);
        scaled->Create(int(x), tallest);
        Graphics g(scaled.get());
        g.SetDrawMode(DRAWMODE_NORMAL);
        g.SetFastStretch(false);
        for (size_t c = 0; c < 256; ++c) {
          const Rect& dst = active.scaledCharImageRects[c];
          if (dst.width > 0 && dst.height > 0) g.DrawImage(layer.image.get(), dst, layer.charData[c].imageRect);
        }
        if (forceScaledImagesWhite) {
          uint32_t* bits = scaled->GetPixels();
          for (size_t i = 0; bits != nullptr && i < scaled->PixelCount(); ++i) bits[i] |= 0x00FFFFFF;
          scaled->PixelsChanged();
        }
        scaled->Palettize();
        active.image = std::move(scaled);
        active.ownsImage = true;
      }
    }
    const int layerAscent = Trunc(layer.ascent * num / den);
    const int layerHeight = Trunc((layer.height != 0 ? layer.height : layer.defaultHeight) * num / den);
    const int layerPadding = Trunc(layer.ascentPadding * num / den);
    const int layerSpacing = Trunc(layer.lineSpacingOffset * num / den);
    ascent = std::max(ascent, layerAscent);
    height = std::max(height, layerHeight);
    ascentPadding = first ? layerPadding : std::min(ascentPadding, layerPadding);
    lineSpacingOffset = first ? layerSpacing : std::max(lineSpacingOffset, layerSpacing);
    first = false;
    activeLayers.push_back(std::move(active));
  }
}

void ImageFont::Prepare() {
  if (!activeListValid) {
    GenerateActiveFontLayers();
    activeListValid = true;
  }
}

int ImageFont::CharWidthKerned(char ch, char prevCh) {
  Prepare();
  const uint8_t c = fontData->Map(ch);
  const uint8_t prev = fontData->Map(prevCh);
  int best = 0;
  bool first = true;
  for (const ActiveFontLayer& active : activeLayers) {
    const FontLayer& layer = *active.baseLayer;
    const double s = LayerScale(layer);
    const int w = Trunc(layer.charData[c].width * s);
    // A previous character of 0 means none.
    const int k = prevCh == 0 ? 0 : Trunc((layer.charData[prev].kerningOffsets[c] + layer.spacing) * s);
    best = first ? w + k : std::max(best, w + k);
    first = false;
  }
  return best;
}

int ImageFont::CharWidth(char ch) { return CharWidthKerned(ch, 0); }

int ImageFont::StringWidth(const std::string& text) {
  int64_t total = 0;
  char prev = 0;
  for (const char ch : text) {
    total += CharWidthKerned(ch, prev);
    prev = ch;
  }
  return int(std::clamp<int64_t>(total, -2147483647, 2147483647));
}

void ImageFont::DrawString(Graphics* g, int x, int y, const std::string& text, const Color& color,
                           const Rect& clipRect) {
  DrawStringEx(g, x, y, text, color, clipRect, nullptr, nullptr);
}

void ImageFont::DrawStringEx(Graphics* g, int x, int y, const std::string& text, const Color& color, const Rect&,
                             std::vector<Rect>* rectList, int* widthOut) {
  std::lock_guard<std::mutex> lock(gPoolLock);
  if (rectList != nullptr) rectList->clear();
  Prepare();
  int used = 0;
  std::fill(std::begin(gBucketHead), std::end(gBucketHead), -1);
  std::fill(std::begin(gBucketTail), std::end(gBucketTail), -1);

  int64_t penX = x;
  for (size_t i = 0; i < text.size(); ++i) {
    const uint8_t ch = fontData->Map(text[i]);
    const bool last = i + 1 == text.size();
    const uint8_t next = last ? 0 : fontData->Map(text[i + 1]);
    int advance = 0;
    bool first = true;
    for (const ActiveFontLayer& active : activeLayers) {
      const FontLayer& layer = *active.baseLayer;
      const CharData& cd = layer.charData[ch];
      const double m = LayerScale(layer);
      int gx, gy;
      if (m == 1.0) {
        gx = int(penX) + cd.offset.x + layer.offset.x;
        gy = y - (layer.ascent - cd.offset.y - layer.offset.y);
      } else {
        gx = int(penX) + Trunc(m * (cd.offset.x + layer.offset.x));
        gy = y - Trunc(m * (layer.ascent - cd.offset.y - layer.offset.y));
      }
      const Rect& src = active.scaledCharImageRects[ch];
      if (used < kPoolSize && active.image != nullptr) {
        GlyphRecord& r = gPool[used];
        r.image = active.image.get();
        r.x = gx;
        r.y = gy;
        r.src = src;
        r.color = Color(std::min(255, layer.colorMult.red * color.red / 255 + layer.colorAdd.red),
                        std::min(255, layer.colorMult.green * color.green / 255 + layer.colorAdd.green),
                        std::min(255, layer.colorMult.blue * color.blue / 255 + layer.colorAdd.blue),
                        std::min(255, layer.colorMult.alpha * color.alpha / 255 + layer.colorAdd.alpha));
        r.drawMode = layer.drawMode;
        r.next = -1;
        const int bucket = std::clamp(cd.order + layer.baseOrder, -128, 127) + 128;
        if (gBucketTail[bucket] < 0)
          gBucketHead[bucket] = used;
        else
          gPool[gBucketTail[bucket]].next = used;
        gBucketTail[bucket] = used;
        ++used;
      }
      if (rectList != nullptr) rectList->push_back(Rect(gx, gy, src.width, src.height));
      int layerAdvance = Trunc(m * cd.width);
      if (!last) layerAdvance += Trunc(m * (cd.kerningOffsets[next] + layer.spacing));
      advance = first ? layerAdvance : std::max(advance, layerAdvance);
      first = false;
    }
    penX = std::clamp<int64_t>(penX + advance, -2147483647, 2147483647);
  }
  if (widthOut != nullptr) *widthOut = int(penX - x);
  if (g == nullptr) return;

  const Color oldColor = g->GetColor();
  const bool oldTint = g->GetTintImages();
  g->SetTintImages(true);
  for (int bucket = 0; bucket < 256; ++bucket) {
    for (int idx = gBucketHead[bucket]; idx >= 0; idx = gPool[idx].next) {
      const GlyphRecord& r = gPool[idx];
      g->SetColor(r.color);
      const int oldMode = g->GetDrawMode();
      if (r.drawMode != -1) g->SetDrawMode(r.drawMode);
      g->DrawImage(r.image, r.x, r.y, r.src);
      g->SetDrawMode(oldMode);
    }
  }
  g->SetTintImages(oldTint);
  g->SetColor(oldColor);
}

void ImageFont::SetPointSize(int size) {
  pointSize = size;
  activeListValid = false;
}

int ImageFont::GetPointSize() { return pointSize; }

void ImageFont::SetScale(double newScale) {
  scale = newScale;
  activeListValid = false;
}

int ImageFont::GetDefaultPointSize() { return fontData->defaultPointSize; }

bool ImageFont::AddTag(const std::string& tag) {
  const std::string upper = DescParser::ToUpper(tag);
  if (Contains(tags, upper)) return false;
  tags.push_back(upper);
  activeListValid = false;
  return true;
}

bool ImageFont::RemoveTag(const std::string& tag) {
  auto it = std::find(tags.begin(), tags.end(), DescParser::ToUpper(tag));
  if (it == tags.end()) return false;
  tags.erase(it);
  activeListValid = false;
  return true;
}

bool ImageFont::HasTag(const std::string& tag) { return Contains(tags, DescParser::ToUpper(tag)); }

namespace {

std::string DefineText(const DataElement& e) {
  if (!e.isList) return static_cast<const SingleDataElement&>(e).value;
  std::string out = "(";
  bool first = true;
  for (const auto& inner : static_cast<const ListDataElement&>(e).elements) {
    if (!first) out += ", ";
    out += DefineText(*inner);
    first = false;
  }
  return out + ")";
}

}  // namespace

std::string ImageFont::GetDefine(const std::string& name) {
  DataElement* e = fontData->GetDefine(name);
  return e == nullptr ? std::string() : DefineText(*e);
}

}  // namespace Orva

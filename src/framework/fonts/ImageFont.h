#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "framework/fonts/FontData.h"
#include "framework/graphics/Font.h"

namespace Orva {

class Graphics;
class ImageHost;
class MemoryImage;

// A layer chosen for the current point size, scale and tags, with the image it draws from: the
// layer's own, or a rescaled copy owned here.
struct ActiveFontLayer {
  FontLayer* baseLayer = nullptr;
  std::shared_ptr<MemoryImage> image;
  bool ownsImage = false;
  std::array<Rect, 256> scaledCharImageRects{};
};

// A bitmap font: glyph rectangles cut from images, in layers, as read from a font descriptor.
class ImageFont : public Font {
 public:
  std::shared_ptr<FontData> fontData;
  int pointSize = 0;
  std::vector<std::string> tags;
  bool activeListValid = false;
  std::vector<ActiveFontLayer> activeLayers;
  double scale = 1.0;
  bool forceScaledImagesWhite = false;

  // Reads the descriptor; one that fails leaves an empty font (no layers, zero metrics).
  ImageFont(ImageHost* host, const std::string& descriptorPath);
  // A font over an already loaded descriptor.
  explicit ImageFont(std::shared_ptr<FontData> data);
  // One glyph strip plus a text table of widths ("space-width ascent", then "c width" pairs).
  ImageFont(std::shared_ptr<MemoryImage> image, const std::string& widthsPath);
  ImageFont(const ImageFont& other);

  int StringWidth(const std::string& text) override;
  int CharWidth(char ch) override;
  int CharWidthKerned(char ch, char prevCh) override;
  void DrawString(Graphics* g, int x, int y, const std::string& text, const Color& color,
                  const Rect& clipRect) override;
  Font* Duplicate() override;

  virtual void GenerateActiveFontLayers();
  // rectList, when given, receives each drawn glyph rectangle; widthOut the total advance.
  virtual void DrawStringEx(Graphics* g, int x, int y, const std::string& text, const Color& color,
                            const Rect& clipRect, std::vector<Rect>* rectList, int* widthOut);
  virtual void SetPointSize(int size);
  virtual int GetPointSize();
  virtual void SetScale(double newScale);
  virtual int GetDefaultPointSize();
  virtual bool AddTag(const std::string& tag);
  virtual bool RemoveTag(const std::string& tag);
  virtual bool HasTag(const std::string& tag);
  virtual std::string GetDefine(const std::string& name);
  virtual void Prepare();

 private:
  // The factor a layer is drawn at: scale, times pointSize / layer.pointSize when it has one.
  double LayerScale(const FontLayer& layer) const;
};

}  // namespace Orva

// Reads the input as a font descriptor. Every image name resolves to one small glyph sheet, so
// image maps are checked without touching the disk. A descriptor that loads is then measured and
// drawn at its default point size.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "framework/fonts/FontData.h"
#include "framework/fonts/ImageFont.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/MemoryImage.h"

namespace {

class SheetFontData : public Orva::FontData {
 protected:
  std::shared_ptr<Orva::MemoryImage> LoadLayerImage(const std::string& path) override {
    if (path.find("missing") != std::string::npos) return nullptr;
    auto sheet = std::make_shared<Orva::MemoryImage>();
    sheet->Create(16, 16);
    uint32_t* px = sheet->GetPixels();
    for (int i = 0; i < 16 * 16; ++i) px[i] = (i % 3 == 0) ? 0xFFFFFFFFu : 0u;
    sheet->PixelsChanged();
    return sheet;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto font = std::make_shared<SheetFontData>();
  font->LoadFromText(nullptr, "fonts/fuzz.txt", std::string_view(reinterpret_cast<const char*>(data), size));
  if (!font->initialized) return 0;
  // Rescaled sheets are built at the cost of their size; keep runs quick by measuring only fonts
  // drawn at their own size.
  for (const auto& layer : font->layers)
    if (layer.pointSize != 0 && layer.pointSize != font->defaultPointSize) return 0;
  Orva::ImageFont imageFont(font);
  for (const auto& define : font->defines) (void)imageFont.GetDefine(define.first);
  const std::string text = "AVa Bq\x01\xff";
  int width = imageFont.StringWidth(text) + imageFont.GetLineSpacing();
  Orva::MemoryImage screen;
  screen.Create(32, 32);
  Orva::Graphics g(&screen);
  imageFont.DrawStringEx(&g, 2, 20, text, Orva::Color::White, Orva::Rect(0, 0, 32, 32), nullptr, &width);
  return 0;
}

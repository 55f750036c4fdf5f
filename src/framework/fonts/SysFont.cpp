#include "framework/fonts/SysFont.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <mutex>
#include <vector>

#include "framework/graphics/Graphics.h"
#include "framework/graphics/MemoryImage.h"

namespace Orva {

namespace {

// Classic desktop face names and the free families drawn in their place, best first. fontconfig's
// own aliases cover some of these (Arial, Times New Roman, Courier New) but not all (Tahoma,
// Verdana), so the whole mapping lives here rather than in whatever configuration a machine has.
struct FaceSubstitute {
  const char* name;
  const char* families;
};
constexpr std::array kFaceSubstitutes = {
    FaceSubstitute{"arial", "Liberation Sans,DejaVu Sans,sans-serif"},
    FaceSubstitute{"helvetica", "Liberation Sans,DejaVu Sans,sans-serif"},
    FaceSubstitute{"tahoma", "DejaVu Sans,Liberation Sans,sans-serif"},
    FaceSubstitute{"verdana", "DejaVu Sans,Liberation Sans,sans-serif"},
    FaceSubstitute{"ms sans serif", "Liberation Sans,DejaVu Sans,sans-serif"},
    FaceSubstitute{"microsoft sans serif", "Liberation Sans,DejaVu Sans,sans-serif"},
    FaceSubstitute{"times new roman", "Liberation Serif,DejaVu Serif,serif"},
    FaceSubstitute{"courier new", "Liberation Mono,DejaVu Sans Mono,monospace"},
};

std::string Lower(const std::string& s) {
  std::string out = s;
  for (char& c : out) c = char(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// 26.6 fixed point to whole pixels, halves up.
int Pixels26(FT_Pos v) { return int((v + 32) >> 6); }

struct Resolved {
  std::string path;
  int index = 0;
  bool embolden = false;
  bool oblique = false;
};

// Face names are added as family values rather than parsed as a pattern string, so a name with
// ':' or '-' in it cannot be read as extra pattern properties.
bool ResolveFace(const std::string& faceName, bool bold, bool italic, Resolved& out) {
  // fontconfig's matching keeps shared caches; one lookup at a time keeps that simple.
  static std::mutex lock;
  std::lock_guard guard(lock);
  FcPattern* pattern = FcPatternCreate();
  if (!pattern) return false;
  const std::string families = SysFont::SubstituteFaceName(faceName);
  size_t start = 0;
  while (start <= families.size() && !families.empty()) {
    const size_t comma = std::min(families.find(',', start), families.size());
    const std::string family = families.substr(start, comma - start);
    if (!family.empty()) FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    start = comma + 1;
  }
  FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (!match) return false;
  FcChar8* file = nullptr;
  bool found = FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file;
  if (found) {
    out.path = reinterpret_cast<const char*>(file);
    int index = 0;
    if (FcPatternGetInteger(match, FC_INDEX, 0, &index) == FcResultMatch) out.index = index;
    FcBool embolden = FcFalse;
    if (FcPatternGetBool(match, FC_EMBOLDEN, 0, &embolden) == FcResultMatch) out.embolden = embolden;
    int weight = FC_WEIGHT_REGULAR;
    if (bold && FcPatternGetInteger(match, FC_WEIGHT, 0, &weight) == FcResultMatch && weight < FC_WEIGHT_DEMIBOLD)
      out.embolden = true;
    int slant = FC_SLANT_ROMAN;
    if (italic && FcPatternGetInteger(match, FC_SLANT, 0, &slant) == FcResultMatch && slant == FC_SLANT_ROMAN)
      out.oblique = true;
  }
  FcPatternDestroy(match);
  return found;
}

}  // namespace

// The FreeType handles of one font. Each font has its own library instance, so fonts never share
// FreeType state and may live on different threads.
struct SysFont::Face {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  // Per byte: the glyph index and its advance in pixels (-1 until first asked).
  std::array<FT_UInt, 256> glyph{};
  std::array<int, 256> advance{};
  bool hasKerning = false;

  Face() { advance.fill(-1); }
  ~Face() {
    if (face) FT_Done_Face(face);
    if (library) FT_Done_FreeType(library);
  }
  Face(const Face&) = delete;
  Face& operator=(const Face&) = delete;
};

int SysFont::PointsToPixels(int pointSize, int dpi) {
  const int64_t product = int64_t(pointSize) * dpi;
  const int64_t magnitude = ((product < 0 ? -product : product) + 36) / 72;
  return SaturateInt(product < 0 ? -magnitude : magnitude);
}

std::string SysFont::SubstituteFaceName(const std::string& faceName) {
  const std::string key = Lower(faceName);
  for (const FaceSubstitute& s : kFaceSubstitutes)
    if (key == s.name) return s.families;
  return faceName;
}

SysFont::SysFont(ImageHost* app, const std::string& faceName, int pointSize, int, bool bold, bool italic,
                 bool underline, bool)
    : app_(app), bold_(bold), italic_(italic), underline_(underline) {
  pixelSize_ = PointsToPixels(pointSize, kDpi);
  if (pixelSize_ < 1 || pixelSize_ > kMaxPixelSize) return;
  Resolved resolved;
  if (!ResolveFace(faceName, bold, italic, resolved)) return;
  embolden_ = resolved.embolden;
  oblique_ = resolved.oblique;
  Load(resolved.path, resolved.index);
}

SysFont::SysFont(ImageHost* app, const std::string& faceName, int pointSize, int charSet)
    : SysFont(app, faceName, pointSize, charSet, false, false, false, true) {}

SysFont::SysFont(FileTag, ImageHost* app, const std::string& path, int faceIndex, int pixelSize, bool bold, bool italic,
                 bool underline, bool embolden, bool oblique)
    : app_(app),
      pixelSize_(pixelSize),
      bold_(bold),
      italic_(italic),
      underline_(underline),
      embolden_(embolden),
      oblique_(oblique) {
  if (pixelSize_ < 1 || pixelSize_ > kMaxPixelSize) return;
  Load(path, faceIndex);
}

SysFont::~SysFont() = default;

std::unique_ptr<SysFont> SysFont::FromFile(ImageHost* app, const std::string& path, int pixelSize, bool bold,
                                           bool italic, bool underline) {
  return std::unique_ptr<SysFont>(
      new SysFont(FileTag{}, app, path, 0, pixelSize, bold, italic, underline, bold, italic));
}

void SysFont::Load(const std::string& path, int faceIndex) {
  auto face = std::make_unique<Face>();
  if (FT_Init_FreeType(&face->library) != 0) return;
  if (FT_New_Face(face->library, path.c_str(), faceIndex, &face->face) != 0) return;
  // The pixel size is the em height (a character height, not a cell height).
  if (FT_Set_Pixel_Sizes(face->face, 0, FT_UInt(pixelSize_)) != 0) return;
  FT_Select_Charmap(face->face, FT_ENCODING_UNICODE);
  // Latin-1 bytes are their own Unicode code points.
  for (int c = 0; c < 256; ++c) face->glyph[size_t(c)] = FT_Get_Char_Index(face->face, FT_ULong(c));
  face->hasKerning = FT_HAS_KERNING(face->face);
  const FT_Size_Metrics& m = face->face->size->metrics;
  const int fontAscent = Pixels26(m.ascender);
  const int fontDescent = Pixels26(-m.descender);
  if (fontAscent <= 0 || fontDescent < 0) return;
  ascent = fontAscent;
  height = fontAscent + fontDescent;
  ascentPadding = 0;
  lineSpacingOffset = 0;
  filePath_ = path;
  faceIndex_ = faceIndex;
  face_ = std::move(face);
}

bool SysFont::IsValid() const { return face_ != nullptr; }

std::string SysFont::GetFamilyName() const {
  return face_ && face_->face->family_name ? std::string(face_->face->family_name) : std::string();
}

namespace {

// Loads a glyph the same way for measuring and drawing, so widths and pictures agree.
bool LoadGlyph(FT_Face face, FT_UInt index, bool embolden, bool oblique) {
  if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) != 0) return false;
  if (oblique) FT_GlyphSlot_Oblique(face->glyph);
  if (embolden) FT_GlyphSlot_Embolden(face->glyph);
  return true;
}

}  // namespace

int SysFont::Advance(unsigned char c) {
  int& advance = face_->advance[c];
  if (advance < 0)
    advance =
        LoadGlyph(face_->face, face_->glyph[c], embolden_, oblique_) ? Pixels26(face_->face->glyph->advance.x) : 0;
  return advance;
}

int SysFont::StringWidth(const std::string& text) {
  if (!face_) return 0;
  int64_t width = 0;
  FT_UInt prev = 0;
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    const int advance = Advance(c);
    const FT_UInt index = face_->glyph[c];
    if (face_->hasKerning && prev && index) {
      FT_Vector kern{};
      if (FT_Get_Kerning(face_->face, prev, index, FT_KERNING_DEFAULT, &kern) == 0) width += Pixels26(kern.x);
    }
    width += advance;
    prev = index;
  }
  return SaturateInt(std::max<int64_t>(width, 0));
}

void SysFont::RenderPass(const std::string& text, uint8_t* coverage, int bufW, int bufH, int originX, int originY) {
  // Adds coverage the way one anti-aliased drawing lands on another: c + g - c * g.
  const auto add = [](uint8_t& c, int g) { c = uint8_t(c + g - (c * g + 127) / 255); };
  int64_t pen = 0;
  FT_UInt prev = 0;
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    const FT_UInt index = face_->glyph[c];
    if (face_->hasKerning && prev && index) {
      FT_Vector kern{};
      if (FT_Get_Kerning(face_->face, prev, index, FT_KERNING_DEFAULT, &kern) == 0) pen += Pixels26(kern.x);
    }
    prev = index;
    const int advance = Advance(c);
    // Glyphs wholly left of the buffer are only stepped over, and nothing right of it is looked at;
    // a glyph's ink stays within an em of its pen position.
    if (originX + pen - pixelSize_ > bufW) break;
    if (originX + pen + advance + pixelSize_ < 0) {
      pen += advance;
      continue;
    }
    FT_GlyphSlot slot = face_->face->glyph;
    if (LoadGlyph(face_->face, index, embolden_, oblique_) && FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) == 0 &&
        slot->bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) {
      const FT_Bitmap& bm = slot->bitmap;
      const int64_t left = originX + pen + slot->bitmap_left;
      const int64_t top = int64_t(originY) + ascent - slot->bitmap_top;
      for (int row = 0; row < int(bm.rows); ++row) {
        const int64_t by = top + row;
        if (by < 0 || by >= bufH) continue;
        const uint8_t* src = bm.buffer + int64_t(row) * bm.pitch;
        for (int col = 0; col < int(bm.width); ++col) {
          const int64_t bx = left + col;
          if (bx < 0 || bx >= bufW || src[col] == 0) continue;
          add(coverage[by * bufW + bx], src[col]);
        }
      }
    }
    pen += advance;
  }
  if (underline_) {
    const int64_t width = StringWidth(text);
    const FT_Fixed yScale = face_->face->size->metrics.y_scale;
    const FT_Pos position = FT_MulFix(face_->face->underline_position, yScale);
    const int thickness = std::max(1, Pixels26(FT_MulFix(face_->face->underline_thickness, yScale)));
    // FreeType gives the centre of the stroke, negative below the baseline; keep it off the baseline row.
    const int top = originY + ascent + std::max(1, Pixels26(-position) - thickness / 2);
    for (int by = std::max(0, top); by < std::min(bufH, top + thickness); ++by)
      for (int64_t bx = std::max<int64_t>(0, originX); bx < std::min<int64_t>(bufW, originX + width); ++bx)
        coverage[by * bufW + bx] = 255;
  }
}

void SysFont::DrawString(Graphics* g, int x, int y, const std::string& text, const Color& color, const Rect&) {
  if (!g || !face_ || text.empty() || !g->destImage || g->destImage == Graphics::SharedEmptyImage()) return;
  const int w = StringWidth(text);
  const int h = height;
  if (w <= 0 || h <= 0) return;
  const int boxTop = SaturateInt(int64_t(y) - ascent);

  // Only the part of the text box inside the clip is rendered, so a long string at a large size
  // costs no more than the screen it lands on. That needs the plain integer placement DrawImage
  // uses without scaling or fractional translation; otherwise the whole box is rendered, if sane.
  int64_t x0 = 0, y0 = 0, x1 = w, y1 = h;
  const bool plain =
      g->scaleX == 1 && g->scaleY == 1 && g->transX == std::floor(g->transX) && g->transY == std::floor(g->transY);
  if (plain) {
    const int64_t destX = int64_t(x) + TruncToInt(g->transX);
    const int64_t destY = int64_t(boxTop) + TruncToInt(g->transY);
    const Rect& clip = g->clipRect;
    x0 = std::max<int64_t>(0, clip.x - destX);
    y0 = std::max<int64_t>(0, clip.y - destY);
    x1 = std::min<int64_t>(w, int64_t(clip.x) + clip.width - destX);
    y1 = std::min<int64_t>(h, int64_t(clip.y) + clip.height - destY);
    if (x1 <= x0 || y1 <= y0) return;
  } else if (int64_t(w) * h > (int64_t(1) << 24)) {
    return;
  }
  const int bufW = int(x1 - x0), bufH = int(y1 - y0);
  const size_t count = size_t(bufW) * size_t(bufH);

  std::vector<uint8_t> text8(count, 0);
  std::vector<uint8_t> shadow8;
  const int ox = int(-x0), oy = int(-y0);
  if (drawShadow) {
    shadow8.assign(count, 0);
    RenderPass(text, shadow8.data(), bufW, bufH, ox + 1, oy + 1);
    if (simulateBold) RenderPass(text, shadow8.data(), bufW, bufH, ox + 2, oy + 1);
  }
  RenderPass(text, text8.data(), bufW, bufH, ox, oy);
  if (simulateBold) RenderPass(text, text8.data(), bufW, bufH, ox + 1, oy);

  const int ca = std::clamp(color.alpha, 0, 255);
  const uint32_t r = uint32_t(std::clamp(color.red, 0, 255));
  const uint32_t gr = uint32_t(std::clamp(color.green, 0, 255));
  const uint32_t b = uint32_t(std::clamp(color.blue, 0, 255));
  MemoryImage image(app_);
  image.Create(bufW, bufH);
  uint32_t* px = image.GetPixels();
  if (!px) return;
  bool any = false;
  for (size_t i = 0; i < count; ++i) {
    const int t = (text8[i] * ca + 127) / 255;
    const int s = shadow8.empty() ? 0 : (shadow8[i] * ca + 127) / 255;
    // The text lies over its black shadow: the shadow only darkens what the text leaves uncovered.
    const int a = t + (s * (255 - t) + 127) / 255;
    if (a == 0) {
      px[i] = 0;
      continue;
    }
    any = true;
    const auto channel = [&](uint32_t v) { return (v * uint32_t(t) + uint32_t(a) / 2) / uint32_t(a); };
    px[i] = uint32_t(a) << 24 | channel(r) << 16 | channel(gr) << 8 | channel(b);
  }
  if (!any) return;
  image.PixelsChanged();
  // The colour is already in the pixels; tinting would apply it a second time.
  const bool tint = g->tintImages;
  g->tintImages = false;
  g->DrawImage(&image, SaturateInt(int64_t(x) + x0), SaturateInt(int64_t(boxTop) + y0));
  g->tintImages = tint;
}

Font* SysFont::Duplicate() {
  return new SysFont(FileTag{}, app_, filePath_, faceIndex_, pixelSize_, bold_, italic_, underline_, embolden_,
                     oblique_);
}

}  // namespace Orva

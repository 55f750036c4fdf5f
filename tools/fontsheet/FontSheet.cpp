// fontsheet: renders the printable ASCII characters (32..126) of a TrueType or OpenType face into a
// glyph sheet and writes a font descriptor for ImageFont beside it.
//
//   fontsheet [options] FONTFILE PIXELSIZE OUT
//
// writes OUT.txt (the descriptor) and OUT.png (white glyphs, coverage as alpha); the descriptor
// names the sheet by its file name alone, so the two travel together. Output depends only on the
// face, the FreeType version and the options. The descriptor's layers:
//   Main    the glyphs, with advance widths, the face's kerning between letters and digits, ascent,
//           line height and a point size;
//   Shadow  the same glyphs, darkened and shifted, drawn under everything; dropped below a point size;
//   Glow    glyphs grown by a soft edge, added on between shadow and body only while the font
//           carries a tag;
//   Outline (only with --outline) glyphs grown by a hard edge, drawn under the body.
//
// options (colours are RRGGBB or RRGGBBAA in hex):
//   --face N              face index inside a collection file (default 0)
//   --hinting MODE        normal, light or none (default normal: crisp stems at small sizes)
//   --point-size N        point size the glyphs stand for; the font's default size (default PIXELSIZE)
//   --body COLOUR         colour of the body (default FFFFFF)
//   --spacing N           extra pixels after every character (default 0)
//   --shadow COLOUR       colour of the shadow (default 000000B4)
//   --shadow-offset X,Y   shift of the shadow (default 1,1, growing with the size)
//   --shadow-min N        smallest point size that still draws the shadow (default two thirds of the point size)
//   --glow COLOUR         colour of the glow (default FFC040FF)
//   --glow-radius N       pixels the glow reaches beyond the glyph (default 2, growing with the size)
//   --glow-tag TAG        tag that switches the glow on (default glow)
//   --outline COLOUR      adds the Outline layer in this colour
//   --outline-width N     its width in pixels (default 1, growing with the size)
//   --sheet-width N       widest a row of glyphs in the sheet may be (default 256)
//   --padding N           empty pixels around every glyph in the sheet (default 1)

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_BITMAP_H
#include <hb-ft.h>
#include <hb.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "framework/resources/ImageLib.h"

namespace {

constexpr int kFirstChar = 32;
constexpr int kLastChar = 126;

struct Options {
  std::string fontFile;
  int pixelSize = 0;
  std::string out;
  int faceIndex = 0;
  FT_Int32 hinting = FT_LOAD_TARGET_NORMAL;
  bool noHinting = false;
  int pointSize = 0;
  uint32_t body = 0xFFFFFFFF;  // RRGGBBAA
  int spacing = 0;
  uint32_t shadow = 0x000000B4;
  int shadowX = 0, shadowY = 0;
  bool shadowOffsetGiven = false;
  int shadowMin = -1;
  uint32_t glow = 0xFFC040FF;
  int glowRadius = 0;
  std::string glowTag = "glow";
  bool outline = false;
  uint32_t outlineColor = 0;
  int outlineWidth = 0;
  int sheetWidth = 256;
  int padding = 1;
};

// One rendered picture: coverage 0..255, row by row, placed relative to the pen and the line top.
struct Bitmap {
  int width = 0, height = 0;
  int left = 0, top = 0;  // from the pen to the left edge; from the line top down to the top row
  std::vector<uint8_t> coverage;
  int sheetX = 0, sheetY = 0;
};

struct Glyph {
  int ch = 0;
  unsigned index = 0;
  int advance = 0;
  Bitmap body, glow, outline;
};

int Usage() {
  std::fprintf(stderr,
               "usage: fontsheet [options] FONTFILE PIXELSIZE OUT   (writes OUT.txt and OUT.png)\n"
               "options: --face N  --hinting normal|light|none  --point-size N  --body RRGGBB[AA]  --spacing N\n"
               "         --shadow RRGGBB[AA]  --shadow-offset X,Y  --shadow-min N  --glow RRGGBB[AA]  --glow-radius N\n"
               "         --glow-tag TAG  --outline RRGGBB[AA]  --outline-width N  --sheet-width N  --padding N\n");
  return 2;
}

bool ParseInt(const char* text, int lo, int hi, int& out) {
  char* end = nullptr;
  const long v = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || v < lo || v > hi) return false;
  out = int(v);
  return true;
}

// RRGGBB (opaque) or RRGGBBAA, answered as RRGGBBAA.
bool ParseColour(const char* text, uint32_t& out) {
  const size_t n = std::strlen(text);
  if (n != 6 && n != 8) return false;
  for (size_t i = 0; i < n; ++i)
    if (!std::isxdigit(static_cast<unsigned char>(text[i]))) return false;
  const uint32_t v = uint32_t(std::strtoul(text, nullptr, 16));
  out = n == 6 ? (v << 8 | 0xFF) : v;
  return true;
}

bool ParsePair(const char* text, int& x, int& y) {
  const char* comma = std::strchr(text, ',');
  if (comma == nullptr) return false;
  const std::string first(text, comma);
  return ParseInt(first.c_str(), -64, 64, x) && ParseInt(comma + 1, -64, 64, y);
}

bool ParseOptions(int argc, char** argv, Options& o) {
  std::vector<std::string> positional;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
      positional.push_back(arg);
      continue;
    }
    if (i + 1 >= argc) return false;
    const char* value = argv[++i];
    bool ok = true;
    if (arg == "--face") {
      ok = ParseInt(value, 0, 65535, o.faceIndex);
    } else if (arg == "--hinting") {
      const std::string mode = value;
      ok = mode == "normal" || mode == "light" || mode == "none";
      o.hinting = mode == "light" ? FT_LOAD_TARGET_LIGHT : FT_LOAD_TARGET_NORMAL;
      o.noHinting = mode == "none";
    } else if (arg == "--point-size") {
      ok = ParseInt(value, 1, 1000, o.pointSize);
    } else if (arg == "--body") {
      ok = ParseColour(value, o.body);
    } else if (arg == "--spacing") {
      ok = ParseInt(value, -64, 64, o.spacing);
    } else if (arg == "--shadow") {
      ok = ParseColour(value, o.shadow);
    } else if (arg == "--shadow-offset") {
      ok = ParsePair(value, o.shadowX, o.shadowY);
      o.shadowOffsetGiven = true;
    } else if (arg == "--shadow-min") {
      ok = ParseInt(value, 0, 1000, o.shadowMin);
    } else if (arg == "--glow") {
      ok = ParseColour(value, o.glow);
    } else if (arg == "--glow-radius") {
      ok = ParseInt(value, 1, 32, o.glowRadius);
    } else if (arg == "--glow-tag") {
      o.glowTag = value;
      // The tag is written inside double quotes in the descriptor.
      ok = !o.glowTag.empty() && o.glowTag.find_first_of("\"\\\n") == std::string::npos;
    } else if (arg == "--outline") {
      ok = ParseColour(value, o.outlineColor);
      o.outline = true;
    } else if (arg == "--outline-width") {
      ok = ParseInt(value, 1, 32, o.outlineWidth);
    } else if (arg == "--sheet-width") {
      ok = ParseInt(value, 16, 8192, o.sheetWidth);
    } else if (arg == "--padding") {
      ok = ParseInt(value, 0, 16, o.padding);
    } else {
      ok = false;
    }
    if (!ok) {
      std::fprintf(stderr, "fontsheet: bad option %s %s\n", arg.c_str(), value);
      return false;
    }
  }
  if (positional.size() != 3) return false;
  o.fontFile = positional[0];
  o.out = positional[2];
  if (!ParseInt(positional[1].c_str(), 4, 256, o.pixelSize)) {
    std::fprintf(stderr, "fontsheet: the pixel size must be a whole number from 4 to 256\n");
    return false;
  }
  // Sizes grow the defaults: one pixel up to 23 px, two from 24, three from 40...
  const int step = std::max(1, (o.pixelSize + 8) / 16);
  if (o.pointSize == 0) o.pointSize = o.pixelSize;
  if (!o.shadowOffsetGiven) o.shadowX = o.shadowY = step;
  if (o.shadowMin < 0) o.shadowMin = o.pointSize * 2 / 3;
  if (o.glowRadius == 0) o.glowRadius = 2 * step;
  if (o.outlineWidth == 0) o.outlineWidth = step;
  return true;
}

int Round26(FT_Pos v) { return int(std::lround(double(v) / 64.0)); }

// Drops empty rows and columns at the edges (grid fitting can leave some), keeping the ink where it
// was. A glyph without ink (the space) becomes an empty picture at the pen.
void Trim(Bitmap& b) {
  int x0 = b.width, y0 = b.height, x1 = -1, y1 = -1;
  for (int y = 0; y < b.height; ++y) {
    for (int x = 0; x < b.width; ++x) {
      if (b.coverage[size_t(y * b.width + x)] == 0) continue;
      x0 = std::min(x0, x);
      x1 = std::max(x1, x);
      y0 = std::min(y0, y);
      y1 = std::max(y1, y);
    }
  }
  Bitmap t;
  if (x1 >= 0) {
    t.width = x1 - x0 + 1;
    t.height = y1 - y0 + 1;
    t.left = b.left + x0;
    t.top = b.top + y0;
    t.coverage.resize(size_t(t.width) * size_t(t.height));
    for (int y = 0; y < t.height; ++y)
      std::copy_n(&b.coverage[size_t((y0 + y) * b.width + x0)], t.width, &t.coverage[size_t(y * t.width)]);
  }
  b = std::move(t);
}

// The glyph the slot holds, as 8-bit coverage whatever form FreeType rendered it in.
bool TakeBitmap(FT_Library library, FT_GlyphSlot slot, int ascent, Bitmap& out) {
  FT_Bitmap gray;
  FT_Bitmap_Init(&gray);
  if (FT_Bitmap_Convert(library, &slot->bitmap, &gray, 1) != 0) return false;
  out.width = int(gray.width);
  out.height = int(gray.rows);
  out.left = slot->bitmap_left;
  out.top = ascent - slot->bitmap_top;
  out.coverage.assign(size_t(out.width) * size_t(out.height), 0);
  const int levels = std::max(2, int(gray.num_grays));
  for (int y = 0; y < out.height; ++y) {
    const uint8_t* row = gray.buffer + ptrdiff_t(y) * gray.pitch;
    for (int x = 0; x < out.width; ++x) out.coverage[size_t(y * out.width + x)] = uint8_t(row[x] * 255 / (levels - 1));
  }
  FT_Bitmap_Done(library, &gray);
  Trim(out);
  return true;
}

// The glyph grown by `radius` pixels: each pixel takes the strongest coverage within reach. A hard
// edge (an outline) keeps full strength up to the radius and fades over the last pixel; a soft one
// (a glow) fades all the way out.
Bitmap Grow(const Bitmap& b, int radius, bool soft) {
  Bitmap h;
  if (b.width == 0 || b.height == 0) return h;
  h.width = b.width + 2 * radius;
  h.height = b.height + 2 * radius;
  h.left = b.left - radius;
  h.top = b.top - radius;
  h.coverage.assign(size_t(h.width) * size_t(h.height), 0);
  for (int y = 0; y < h.height; ++y) {
    for (int x = 0; x < h.width; ++x) {
      double best = 0;
      for (int dy = -radius; dy <= radius; ++dy) {
        for (int dx = -radius; dx <= radius; ++dx) {
          const int sx = x - radius + dx, sy = y - radius + dy;
          if (sx < 0 || sy < 0 || sx >= b.width || sy >= b.height) continue;
          const double distance = std::sqrt(double(dx * dx + dy * dy));
          const double reach = std::clamp(soft ? 1 - distance / (radius + 1) : radius + 1 - distance, 0.0, 1.0);
          best = std::max(best, b.coverage[size_t(sy * b.width + sx)] * reach);
        }
      }
      h.coverage[size_t(y * h.width + x)] = uint8_t(std::lround(best));
    }
  }
  return h;
}

// Places the pictures in rows, in the order given; answers the sheet's size.
void Pack(std::vector<Bitmap*>& items, int maxWidth, int padding, int& sheetWidth, int& sheetHeight) {
  int widest = 0;
  for (const Bitmap* b : items) widest = std::max(widest, b->width);
  maxWidth = std::max(maxWidth, widest + 2 * padding);
  int x = padding, y = padding, rowHeight = 0, right = 0;
  for (Bitmap* b : items) {
    if (b->width == 0 || b->height == 0) continue;
    if (x + b->width + padding > maxWidth) {
      y += rowHeight + padding;
      x = padding;
      rowHeight = 0;
    }
    b->sheetX = x;
    b->sheetY = y;
    x += b->width + padding;
    right = std::max(right, x);
    rowHeight = std::max(rowHeight, b->height);
  }
  sheetWidth = std::max(1, right);
  sheetHeight = std::max(1, y + rowHeight + padding);
}

// A character as a descriptor string: double quotes unless it is one, and backslash escapes.
std::string Quote(const std::string& text) {
  const char q = text.find('"') == std::string::npos ? '"' : '\'';
  std::string out(1, q);
  for (const char c : text) {
    if (c == '\\' || c == q) out += '\\';
    out += c;
  }
  return out + q;
}

// A colour as the descriptor's list of four fractions; each byte comes back exactly when the
// reader multiplies by 255 and truncates.
std::string ColourList(uint32_t rgba) {
  std::string out = "(";
  for (int shift = 24; shift >= 0; shift -= 8) {
    const int c = int(rgba >> shift & 0xFF);
    char text[16];
    if (c == 0 || c == 255)
      std::snprintf(text, sizeof text, "%d", c / 255);
    else
      std::snprintf(text, sizeof text, "%.4f", (c + 0.5) / 255.0);
    out += text;
    out += shift > 0 ? " " : ")";
  }
  return out;
}

// A list command with its elements wrapped onto indented lines.
std::string ListOf(const std::vector<std::string>& items, size_t perLine) {
  std::string out = "(";
  for (size_t i = 0; i < items.size(); ++i) {
    if (i > 0) out += i % perLine == 0 ? "\n  " : " ";
    out += items[i];
  }
  return out + ")";
}

std::string RectText(const Bitmap& b) {
  if (b.width == 0 || b.height == 0) return "(0 0 0 0)";
  return "(" + std::to_string(b.sheetX) + " " + std::to_string(b.sheetY) + " " + std::to_string(b.width) + " " +
         std::to_string(b.height) + ")";
}

std::string OffsetText(const Bitmap& b) { return "(" + std::to_string(b.left) + " " + std::to_string(b.top) + ")"; }

bool WriteTextFile(const std::string& path, const std::string& text) {
  const std::string temp = path + ".tmp";
  FILE* file = std::fopen(temp.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  if (std::fclose(file) != 0 || !written || std::rename(temp.c_str(), path.c_str()) != 0) {
    std::remove(temp.c_str());
    return false;
  }
  return true;
}

struct Metrics {
  int ascent = 0, height = 0, lineGap = 0, ascentPadding = 0;
};

std::string Descriptor(const Options& o, const std::vector<Glyph>& glyphs, const Metrics& m,
                       const std::vector<std::pair<std::string, int>>& kerning, const std::string& sheetName) {
  std::vector<std::string> chars, widths;
  std::vector<std::string> rects[3], offsets[3];  // body, glow, outline
  for (const Glyph& g : glyphs) {
    chars.push_back(Quote(std::string(1, char(g.ch))));
    widths.push_back(std::to_string(g.advance));
    const Bitmap* kinds[3] = {&g.body, &g.glow, &g.outline};
    for (int k = 0; k < 3; ++k) {
      rects[k].push_back(RectText(*kinds[k]));
      offsets[k].push_back(OffsetText(*kinds[k]));
    }
  }
  std::vector<std::string> pairs, amounts;
  for (const auto& [pair, amount] : kerning) {
    pairs.push_back(Quote(pair));
    amounts.push_back(std::to_string(amount));
  }
  const std::string face = std::filesystem::path(o.fontFile).filename().string();
  const std::string tag = "\"" + o.glowTag + "\"";
  const auto n = [](int v) { return std::to_string(v); };
  std::string d;
  d += "# " + face + " at " + n(o.pixelSize) + " px, made by fontsheet from the face; remade on every build.\n";
  d += "Define Chars " + ListOf(chars, 16) + ";\n";
  d += "Define Widths " + ListOf(widths, 16) + ";\n";
  const char* kindNames[3] = {"Body", "Glow", "Outline"};
  for (int k = 0; k < (o.outline ? 3 : 2); ++k) {
    d += std::string("Define ") + kindNames[k] + "Rects " + ListOf(rects[k], 8) + ";\n";
    d += std::string("Define ") + kindNames[k] + "Offsets " + ListOf(offsets[k], 12) + ";\n";
  }
  d += "SetDefaultPointSize " + n(o.pointSize) + ";\n\n";

  d += "CreateLayer Main;\n";
  d += "LayerSetImage Main " + Quote(sheetName) + ";\n";
  // Offsets first: the image map works out the layer's default height from them.
  d += "LayerSetCharOffsets Main Chars BodyOffsets;\n";
  d += "LayerSetImageMap Main Chars BodyRects;\n";
  d += "LayerSetCharWidths Main Chars Widths;\n";
  d += "LayerSetAscent Main " + n(m.ascent) + ";\n";
  d += "LayerSetAscentPadding Main " + n(m.ascentPadding) + ";\n";
  d += "LayerSetHeight Main " + n(m.height) + ";\n";
  d += "LayerSetLineSpacingOffset Main " + n(m.lineGap) + ";\n";
  d += "LayerSetPointSize Main " + n(o.pointSize) + ";\n";
  if (o.spacing != 0) d += "LayerSetSpacing Main " + n(o.spacing) + ";\n";
  if (o.body != 0xFFFFFFFF) d += "LayerSetColorMult Main " + ColourList(o.body) + ";\n";
  if (!pairs.empty()) d += "LayerSetKerningPairs Main " + ListOf(pairs, 16) + "\n  " + ListOf(amounts, 16) + ";\n";

  // The other layers start as copies of the body, so they advance and kern alike.
  d += "\n# Drawn under everything; small text stays clearer without it.\n";
  d += "CreateLayerFrom Shadow Main;\n";
  d += "LayerSetColorMult Shadow " + ColourList(o.shadow) + ";\n";
  d += "LayerSetOffset Shadow (" + n(o.shadowX) + " " + n(o.shadowY) + ");\n";
  d += "LayerSetBaseOrder Shadow -3;\n";
  d += "LayerPointRange Shadow " + n(o.shadowMin) + " -1;\n";
  if (o.outline) {
    d += "\nCreateLayerFrom Outline Main;\n";
    d += "LayerSetCharOffsets Outline Chars OutlineOffsets;\n";
    d += "LayerSetImageMap Outline Chars OutlineRects;\n";
    d += "LayerSetColorMult Outline " + ColourList(o.outlineColor) + ";\n";
    d += "LayerSetBaseOrder Outline -2;\n";
  }
  d += "\n# Added on between shadow and body, only while the font carries the tag.\n";
  d += "CreateLayerFrom Glow Main;\n";
  d += "LayerSetCharOffsets Glow Chars GlowOffsets;\n";
  d += "LayerSetImageMap Glow Chars GlowRects;\n";
  d += "LayerSetColorMult Glow " + ColourList(o.glow) + ";\n";
  d += "LayerSetDrawMode Glow 1;\n";
  d += "LayerSetBaseOrder Glow -1;\n";
  d += "LayerRequireTags Glow (" + tag + ");\n";
  return d;
}

int Run(const Options& o) {
  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) {
    std::fprintf(stderr, "fontsheet: FreeType could not start\n");
    return 1;
  }
  FT_Face face = nullptr;
  if (FT_New_Face(library, o.fontFile.c_str(), o.faceIndex, &face) != 0) {
    std::fprintf(stderr, "fontsheet: %s: not a font file FreeType can read\n", o.fontFile.c_str());
    FT_Done_FreeType(library);
    return 1;
  }
  auto fail = [&](const char* what) {
    std::fprintf(stderr, "fontsheet: %s: %s\n", o.fontFile.c_str(), what);
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    return 1;
  };
  if (FT_Set_Pixel_Sizes(face, 0, FT_UInt(o.pixelSize)) != 0) return fail("the face has no such size");

  Metrics m;
  const FT_Size_Metrics& sm = face->size->metrics;
  m.ascent = Round26(sm.ascender);
  m.height = m.ascent - Round26(sm.descender);
  m.lineGap = Round26(sm.height) - m.height;

  const FT_Int32 flags = FT_LOAD_RENDER | (o.noHinting ? FT_LOAD_NO_HINTING : o.hinting);
  std::vector<Glyph> glyphs;
  int highestTop = m.ascent;
  for (int ch = kFirstChar; ch <= kLastChar; ++ch) {
    Glyph g;
    g.ch = ch;
    g.index = FT_Get_Char_Index(face, FT_ULong(ch));
    if (g.index == 0) {
      std::fprintf(stderr, "fontsheet: %s has no '%c'; it is left out\n", o.fontFile.c_str(), ch);
      continue;
    }
    if (FT_Load_Glyph(face, g.index, flags) != 0 || !TakeBitmap(library, face->glyph, m.ascent, g.body))
      return fail("a glyph could not be rendered");
    g.advance = Round26(face->glyph->advance.x);
    g.glow = Grow(g.body, o.glowRadius, true);
    if (o.outline) g.outline = Grow(g.body, o.outlineWidth, false);
    if (g.body.height > 0) highestTop = std::min(highestTop, g.body.top);
    glyphs.push_back(std::move(g));
  }
  // Rows of the line top that no glyph reaches; wrapped text may start that much higher.
  m.ascentPadding = std::max(0, highestTop);

  // Kerning as a text layout engine applies it: each pair of letters and digits is shaped with
  // HarfBuzz, which reads the face's OpenType positioning as well as an old-style kerning table,
  // and the pair's first advance is compared with the letter's own.
  std::vector<std::pair<std::string, int>> kerning;
  {
    hb_font_t* font = hb_ft_font_create_referenced(face);
    hb_ft_font_set_load_flags(font, flags & ~FT_LOAD_RENDER);
    hb_buffer_t* buffer = hb_buffer_create();
    const auto kernable = [](int c) { return std::isalnum(c) != 0; };
    for (const Glyph& left : glyphs) {
      if (!kernable(left.ch)) continue;
      for (const Glyph& right : glyphs) {
        if (!kernable(right.ch)) continue;
        const char pair[2] = {char(left.ch), char(right.ch)};
        hb_buffer_reset(buffer);
        hb_buffer_add_utf8(buffer, pair, 2, 0, 2);
        hb_buffer_guess_segment_properties(buffer);
        hb_shape(font, buffer, nullptr, 0);
        unsigned int count = 0;
        const hb_glyph_position_t* positions = hb_buffer_get_glyph_positions(buffer, &count);
        if (count != 2) continue;
        const int amount = std::clamp(Round26(positions[0].x_advance) - left.advance, -128, 127);
        if (amount != 0) kerning.push_back({std::string{pair[0], pair[1]}, amount});
      }
    }
    hb_buffer_destroy(buffer);
    hb_font_destroy(font);
  }
  FT_Done_Face(face);
  FT_Done_FreeType(library);

  // One kind after the other, so each stays together in the sheet.
  std::vector<Bitmap*> items;
  for (Glyph& g : glyphs) items.push_back(&g.body);
  for (Glyph& g : glyphs) items.push_back(&g.glow);
  for (Glyph& g : glyphs) items.push_back(&g.outline);
  int width = 0, height = 0;
  Pack(items, o.sheetWidth, o.padding, width, height);
  ImageLib::Image sheet(width, height);
  if (sheet.bits == nullptr) {
    std::fprintf(stderr, "fontsheet: a %d x %d sheet is too large\n", width, height);
    return 1;
  }
  // White throughout, so the sheet has at most 256 colours (one per alpha) and stays palettised.
  std::fill(sheet.bits.get(), sheet.bits.get() + size_t(width) * size_t(height), 0x00FFFFFFu);
  for (const Bitmap* b : items) {
    for (int y = 0; y < b->height; ++y)
      for (int x = 0; x < b->width; ++x)
        sheet.bits[size_t(b->sheetY + y) * size_t(width) + size_t(b->sheetX + x)] =
            uint32_t(b->coverage[size_t(y * b->width + x)]) << 24 | 0x00FFFFFFu;
  }

  const std::string sheetPath = o.out + ".png";
  const std::string sheetName = std::filesystem::path(sheetPath).filename().string();
  if (!ImageLib::WritePNGImage(sheetPath, &sheet)) {
    std::fprintf(stderr, "fontsheet: could not write %s\n", sheetPath.c_str());
    return 1;
  }
  const std::string descriptorPath = o.out + ".txt";
  if (!WriteTextFile(descriptorPath, Descriptor(o, glyphs, m, kerning, sheetName))) {
    std::fprintf(stderr, "fontsheet: could not write %s\n", descriptorPath.c_str());
    return 1;
  }
  std::printf("fontsheet: %s: %zu glyphs, %zu kerning pairs, %d x %d sheet\n", descriptorPath.c_str(), glyphs.size(),
              kerning.size(), width, height);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) return Usage();
  return Run(options);
}

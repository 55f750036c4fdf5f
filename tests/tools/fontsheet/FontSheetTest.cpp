// fontsheet: the font the build makes for the game, and the tool run here with other options.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "framework/fonts/FontData.h"
#include "framework/fonts/ImageFont.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/resources/ImageLib.h"

namespace Orva {
namespace {

namespace fs = std::filesystem;

// A fresh folder for one test's output, removed afterwards.
struct OutFolder {
  fs::path path;
  explicit OutFolder(const std::string& name)
      : path(fs::temp_directory_path() / ("orva_fontsheet_" + name + "_" + std::to_string(getpid()))) {
    fs::remove_all(path);
    fs::create_directories(path);
  }
  ~OutFolder() {
    std::error_code ignored;
    fs::remove_all(path, ignored);
  }
};

// Runs the tool; answers its exit status.
int RunFontSheet(const std::string& args) {
  const int status = std::system(("'" ORVA_FONTSHEET "' " + args + " >/dev/null 2>&1").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::shared_ptr<FontData> LoadFont(const std::string& path) {
  auto data = std::make_shared<FontData>();
  EXPECT_TRUE(data->Load(nullptr, path)) << data->error;
  return data;
}

// Without the face (scripts/setup.sh installs it) the build makes no game font; CMake warns.
#define SKIP_WITHOUT_FACE() \
  if (std::string(ORVA_GAME_FONT).empty()) GTEST_SKIP() << "DejaVuSans-Bold.ttf is not installed"

constexpr char kPrintable[] =
    "!\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`abcdefghijklmnopqrstuvwxyz{|}~";

TEST(GameFont, LoadsWithBodyShadowAndTaggedGlow) {
  SKIP_WITHOUT_FACE();
  auto data = LoadFont(ORVA_GAME_FONT);
  ASSERT_EQ(data->layers.size(), 3u);
  FontLayer* main = data->FindLayer("Main");
  FontLayer* shadow = data->FindLayer("Shadow");
  FontLayer* glow = data->FindLayer("Glow");
  ASSERT_TRUE(main && shadow && glow);
  EXPECT_EQ(main->pointSize, 18);
  // The shadow is dark and drawn first; the glow is additive, between the two.
  EXPECT_LT(shadow->colorMult.red, 64);
  EXPECT_LT(shadow->baseOrder, glow->baseOrder);
  EXPECT_LT(glow->baseOrder, main->baseOrder);
  EXPECT_EQ(glow->drawMode, 1);

  ImageFont font(data);
  font.Prepare();
  EXPECT_EQ(font.activeLayers.size(), 2u);
  EXPECT_GT(font.GetDescent(), 0);
  ASSERT_TRUE(font.AddTag("Glow"));
  font.Prepare();
  EXPECT_EQ(font.activeLayers.size(), 3u);
  // Small text drops the shadow (its point range starts at two thirds of the size).
  font.RemoveTag("glow");
  font.SetPointSize(11);
  font.Prepare();
  EXPECT_EQ(font.activeLayers.size(), 1u);
  font.SetPointSize(12);
  font.Prepare();
  EXPECT_EQ(font.activeLayers.size(), 2u);
}

TEST(GameFont, KernsPairsTheFaceKerns) {
  SKIP_WITHOUT_FACE();
  auto data = LoadFont(ORVA_GAME_FONT);
  ASSERT_FALSE(data->layers.empty());
  const FontLayer& main = *data->FindLayer("Main");
  EXPECT_LT(main.charData['A'].kerningOffsets['V'], 0);
  EXPECT_LT(main.charData['T'].kerningOffsets['o'], 0);
  EXPECT_EQ(main.charData['o'].kerningOffsets['o'], 0);
  // Copies of the body kern alike, so every layer advances the same.
  EXPECT_EQ(data->FindLayer("Shadow")->charData['T'].kerningOffsets['o'], main.charData['T'].kerningOffsets['o']);
  ImageFont font(data);
  EXPECT_LT(font.StringWidth("To"), font.CharWidth('T') + font.CharWidth('o'));
  EXPECT_EQ(font.StringWidth("oo"), 2 * font.CharWidth('o'));
}

TEST(GameFont, GlyphRectanglesHoldWholeGlyphsOnOneBaseline) {
  SKIP_WITHOUT_FACE();
  auto data = LoadFont(ORVA_GAME_FONT);
  ASSERT_FALSE(data->layers.empty());
  const FontLayer& main = *data->FindLayer("Main");
  const auto sheet = ImageLib::GetPNGImage(fs::path(ORVA_GAME_FONT).replace_extension(".png").string());
  ASSERT_TRUE(sheet);
  // White everywhere, so any colour tints it, and at most one colour per alpha level.
  for (int i = 0; i < sheet->width * sheet->height; ++i) ASSERT_EQ(sheet->bits[i] & 0xFFFFFF, 0xFFFFFFu) << i;
  const auto alpha = [&](int x, int y) {
    if (x < 0 || y < 0 || x >= sheet->width || y >= sheet->height) return 0u;
    return sheet->bits[y * sheet->width + x] >> 24;
  };
  EXPECT_GT(main.charData[' '].width, 0);
  for (const char* p = kPrintable; *p != '\0'; ++p) {
    const CharData& cd = main.charData[static_cast<uint8_t>(*p)];
    const Rect& r = cd.imageRect;
    SCOPED_TRACE(std::string("glyph ") + *p);
    ASSERT_GT(r.width, 0);
    ASSERT_GT(r.height, 0);
    EXPECT_GT(cd.width, 0);
    // Every edge row and column of the rectangle has ink, and the ring around it has none: the
    // glyph is neither cut off nor padded, and its neighbours do not reach in.
    unsigned top = 0, bottom = 0, left = 0, right = 0, ring = 0;
    for (int x = r.x; x < r.x + r.width; ++x) {
      top |= alpha(x, r.y);
      bottom |= alpha(x, r.y + r.height - 1);
    }
    for (int y = r.y; y < r.y + r.height; ++y) {
      left |= alpha(r.x, y);
      right |= alpha(r.x + r.width - 1, y);
    }
    for (int x = r.x - 1; x <= r.x + r.width; ++x) ring |= alpha(x, r.y - 1) | alpha(x, r.y + r.height);
    for (int y = r.y - 1; y <= r.y + r.height; ++y) ring |= alpha(r.x - 1, y) | alpha(r.x + r.width, y);
    EXPECT_TRUE(top && bottom && left && right);
    EXPECT_EQ(ring, 0u);
  }
  // Flat-bottomed glyphs end on the baseline; descenders go below it.
  const auto bottomBelowTop = [&](char c) {
    const CharData& cd = main.charData[static_cast<uint8_t>(c)];
    return cd.offset.y + cd.imageRect.height;
  };
  for (const char c : std::string("HEx1zk")) EXPECT_EQ(bottomBelowTop(c), main.ascent) << c;
  for (const char c : std::string("gjpqy")) EXPECT_GT(bottomBelowTop(c), main.ascent) << c;
  // Tall glyphs reach into the ascent; the padding above them is the empty part.
  EXPECT_EQ(main.charData['H'].offset.y, main.ascent - main.charData['H'].imageRect.height);
  EXPECT_GE(main.ascentPadding, 0);
  EXPECT_LE(main.ascentPadding, main.charData['H'].offset.y);
  // The face's figures are all one width, so columns of numbers line up.
  for (const char c : std::string("123456789")) EXPECT_EQ(main.charData[uint8_t(c)].width, main.charData['0'].width);
  EXPECT_LT(main.charData['i'].width, main.charData['W'].width);
}

TEST(FontSheetTool, SameInputGivesTheSameFilesAsTheBuild) {
  SKIP_WITHOUT_FACE();
  OutFolder out("same");
  ASSERT_EQ(RunFontSheet("'" ORVA_FONT_FACE "' 18 '" + (out.path / "vale_sans").string() + "'"), 0);
  EXPECT_EQ(ReadFile(out.path / "vale_sans.txt"), ReadFile(ORVA_GAME_FONT));
  EXPECT_EQ(ReadFile(out.path / "vale_sans.png"), ReadFile(fs::path(ORVA_GAME_FONT).replace_extension(".png")));
  // Only the two files: the temporary ones were renamed into place.
  EXPECT_EQ(std::distance(fs::directory_iterator(out.path), fs::directory_iterator()), 2);
}

TEST(FontSheetTool, OptionsShapeTheLayers) {
  SKIP_WITHOUT_FACE();
  OutFolder out("options");
  const std::string base = (out.path / "menu").string();
  ASSERT_EQ(RunFontSheet(
                "--point-size 20 --spacing 1 --body FFF0C0 --shadow 10203080 --shadow-offset 2,3 "
                "--shadow-min 16 --glow 40C0FF --glow-tag Shine --outline 202020FF --outline-width 2 '" ORVA_FONT_FACE
                "' 24 '" +
                base + "'"),
            0);
  auto data = LoadFont(base + ".txt");
  ASSERT_EQ(data->layers.size(), 4u);
  const FontLayer& main = *data->FindLayer("Main");
  const FontLayer& shadow = *data->FindLayer("Shadow");
  const FontLayer& outline = *data->FindLayer("Outline");
  const FontLayer& glow = *data->FindLayer("Glow");
  EXPECT_EQ(data->defaultPointSize, 20);
  EXPECT_EQ(main.pointSize, 20);
  EXPECT_EQ(main.spacing, 1);
  // Colours arrive byte for byte.
  EXPECT_EQ(main.colorMult, Color(0xFF, 0xF0, 0xC0, 0xFF));
  EXPECT_EQ(shadow.colorMult, Color(0x10, 0x20, 0x30, 0x80));
  EXPECT_EQ(outline.colorMult, Color(0x20, 0x20, 0x20, 0xFF));
  EXPECT_EQ(glow.colorMult, Color(0x40, 0xC0, 0xFF, 0xFF));
  EXPECT_EQ(shadow.offset.x, 2);
  EXPECT_EQ(shadow.offset.y, 3);
  EXPECT_EQ(shadow.minPointSize, 16);
  EXPECT_EQ(glow.requiredTags, std::vector<std::string>{"SHINE"});
  // The outline's glyphs are the body's grown by its width on every side, drawn between shadow and body.
  const CharData& body = main.charData['O'];
  const CharData& grown = outline.charData['O'];
  EXPECT_EQ(grown.imageRect.width, body.imageRect.width + 4);
  EXPECT_EQ(grown.imageRect.height, body.imageRect.height + 4);
  EXPECT_EQ(grown.offset.x, body.offset.x - 2);
  EXPECT_EQ(grown.offset.y, body.offset.y - 2);
  EXPECT_GT(outline.baseOrder, shadow.baseOrder);
  EXPECT_LT(outline.baseOrder, main.baseOrder);
}

TEST(FontSheetTool, RefusesBadInputAndWritesNothing) {
  SKIP_WITHOUT_FACE();
  OutFolder out("bad");
  const std::string base = "'" + (out.path / "f").string() + "'";
  EXPECT_NE(RunFontSheet("'" + (out.path / "missing.ttf").string() + "' 18 " + base), 0);
  // Not a font: the descriptor it would have written is itself no face.
  ASSERT_EQ(RunFontSheet("'" ORVA_FONT_FACE "' 18 " + base), 0);
  fs::remove(out.path / "f.png");
  EXPECT_NE(RunFontSheet("'" + (out.path / "f.txt").string() + "' 18 '" + (out.path / "g").string() + "'"), 0);
  EXPECT_FALSE(fs::exists(out.path / "g.txt"));
  EXPECT_FALSE(fs::exists(out.path / "g.png"));
  EXPECT_EQ(RunFontSheet("'" ORVA_FONT_FACE "' 3 " + base), 2);
  EXPECT_EQ(RunFontSheet("'" ORVA_FONT_FACE "' 18x " + base), 2);
  EXPECT_EQ(RunFontSheet("--glow 12345 '" ORVA_FONT_FACE "' 18 " + base), 2);
  EXPECT_EQ(RunFontSheet("--shadow-offset 1 '" ORVA_FONT_FACE "' 18 " + base), 2);
  EXPECT_EQ(RunFontSheet("--unknown 1 '" ORVA_FONT_FACE "' 18 " + base), 2);
  EXPECT_EQ(RunFontSheet("'" ORVA_FONT_FACE "' 18"), 2);
  // A folder that does not exist cannot take the output.
  EXPECT_EQ(RunFontSheet("'" ORVA_FONT_FACE "' 18 '" + (out.path / "no" / "f").string() + "'"), 1);
}

}  // namespace
}  // namespace Orva

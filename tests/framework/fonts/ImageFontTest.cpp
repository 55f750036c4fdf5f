#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "framework/fonts/DescParser.h"
#include "framework/fonts/FontData.h"
#include "framework/fonts/ImageFont.h"
#include "framework/graphics/Graphics.h"
#include "framework/resources/ImageLib.h"
#include "support/ImageTestSupport.h"

namespace Orva {
namespace {

// Records each command as its tokens joined by '|', lists shown in brackets.
class RecordingParser : public DescParser {
 public:
  std::vector<std::string> commands;
  std::vector<int> lines;

  static std::string Show(const DataElement& e) {
    if (!e.isList) return static_cast<const SingleDataElement&>(e).value;
    std::string out = "[";
    for (const auto& inner : static_cast<const ListDataElement&>(e).elements)
      out += (out.size() > 1 ? " " : "") + Show(*inner);
    return out + "]";
  }
  bool HandleCommand(const ListDataElement& params) override {
    std::string joined;
    for (const auto& e : params.elements) joined += (joined.empty() ? "" : "|") + Show(*e);
    if (joined == "fail") return Error("Told to Fail");
    commands.push_back(joined);
    lines.push_back(currentLineNum);
    return true;
  }
};

TEST(DescParserTest, SplitsCommandsAndTokens) {
  RecordingParser p;
  ASSERT_TRUE(p.LoadDescriptorText("A b,c\td;\n  # note; not a command\nB (1 2 (3)) 'x y';C \"q\"\"r\"\n\nc2;\n\n D"));
  EXPECT_EQ(p.commands, (std::vector<std::string>{"A|b|c|d", "B|[1 2 [3]]|'x y'", "C|\"q\"\"r\"|c2", "D"}));
  // Each command is numbered by the line it starts on; the last needs no ';'.
  EXPECT_EQ(p.lines, (std::vector<int>{1, 3, 3, 7}));
}

TEST(DescParserTest, LineStartCanEndCommands) {
  RecordingParser p;
  p.cmdSepFlags = DescParser::kSepLineStart;
  ASSERT_TRUE(p.LoadDescriptorText("A b\n  c\nB d;e\n"));
  EXPECT_EQ(p.commands, (std::vector<std::string>{"A|b|c", "B|d;e"}));
  EXPECT_EQ(p.lines, (std::vector<int>{1, 3}));
}

TEST(DescParserTest, QuotesAndEscapes) {
  RecordingParser p;
  // An escaped quote does not end quoted text, and ';' inside quotes or escaped does not end a command.
  ASSERT_TRUE(p.LoadDescriptorText("A 'it\\'s;' b\\;c \\(d\r\n;"));
  EXPECT_EQ(p.commands, (std::vector<std::string>{"A|'it's;'|b;c|(d"}));
  EXPECT_EQ(DescParser::Unquote("'it''s'"), "it's");
  EXPECT_EQ(DescParser::Unquote("\"a\""), "a");
  EXPECT_EQ(DescParser::Unquote("plain"), "plain");
  EXPECT_TRUE(DescParser::IsImmediate("-3"));
  EXPECT_TRUE(DescParser::IsImmediate("'x'"));
  EXPECT_FALSE(DescParser::IsImmediate("Name"));
}

TEST(DescParserTest, EmptyInputAndEmptyCommandsSucceed) {
  RecordingParser p;
  EXPECT_TRUE(p.LoadDescriptorText(""));
  EXPECT_TRUE(p.LoadDescriptorText(";;  ;\n# only a comment"));
  EXPECT_TRUE(p.commands.empty());
}

TEST(DescParserTest, SyntaxErrorsNameTheLineAndCommand) {
  const struct {
    const char* text;
    const char* message;
  } cases[] = {
      {"A;\nB c(d)", "Unexpected List Start on Line 2:\r\n\r\nB c(d)"},
      {"A b)", "Unexpected List End on Line 1:\r\n\r\nA b)"},
      {"A 'b", "Unterminated Single Quotes on Line 1:\r\n\r\nA 'b"},
      {"\n\nA \"b;\nc", "Unterminated Double Quotes on Line 3:\r\n\r\nA \"b;\nc"},
      {"A (b c", "Unterminated List on Line 1:\r\n\r\nA (b c"},
      {"(a) b", "Missing Command on Line 1:\r\n\r\n(a) b"},
      {"ok;\n  fail ;", "Told to Fail on Line 2:\r\n\r\nfail "},
  };
  for (const auto& c : cases) {
    RecordingParser p;
    EXPECT_FALSE(p.LoadDescriptorText(c.text)) << c.text;
    EXPECT_EQ(p.error, c.message) << c.text;
  }
}

TEST(DescParserTest, RefusesRunawayNesting) {
  RecordingParser p;
  EXPECT_FALSE(p.LoadDescriptorText("A " + std::string(100000, '(')));
  EXPECT_EQ(p.error.substr(0, 24), "Lists Nested Too Deeply ");
}

TEST(DescParserTest, ListCopiesAreDeep) {
  ListDataElement outer;
  auto inner = std::make_unique<ListDataElement>();
  inner->elements.push_back(std::make_unique<SingleDataElement>("x"));
  outer.elements.push_back(std::move(inner));
  auto copy = outer.Duplicate();
  static_cast<SingleDataElement*>(static_cast<ListDataElement*>(outer.elements[0].get())->elements[0].get())->value =
      "changed";
  EXPECT_EQ(RecordingParser::Show(*copy), "[[x]]");
}

// The test font: tests/data/fonts/blocky.txt copied beside a glyph sheet drawn here. The sheet is
// 16 x 8, transparent, with white blocks: 'A' 4 x 6 at x 0, 'V' 3 x 6 at x 4, 'B' 5 x 4 at x 7.
class BlockyFont : public ::testing::Test {
 protected:
  static std::filesystem::path dir;

  static void SetUpTestSuite() {
    dir = std::filesystem::temp_directory_path() / ("orva_blocky_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    ImageLib::Image sheet(16, 8);
    auto block = [&](int x0, int w, int h) {
      for (int y = 0; y < h; ++y)
        for (int x = x0; x < x0 + w; ++x) sheet.bits[size_t(y * 16 + x)] = 0xFFFFFFFFu;
    };
    block(0, 4, 6);
    block(4, 3, 6);
    block(7, 5, 4);
    ASSERT_TRUE(ImageLib::WritePNGImage((dir / "blocky.png").string(), &sheet));
    const char* data = std::getenv("ORVA_TEST_DATA");
    ASSERT_NE(data, nullptr);
    std::filesystem::copy_file(std::filesystem::path(data) / "fonts" / "blocky.txt", dir / "blocky.txt",
                               std::filesystem::copy_options::overwrite_existing);
  }
  static void TearDownTestSuite() { std::filesystem::remove_all(dir); }

  static std::string Path(const char* name) { return (dir / name).string(); }

  // Loads the blocky descriptor with `extra` appended; answers the FontData (error text inside).
  static std::shared_ptr<FontData> LoadWith(const std::string& extra) {
    std::ifstream in(dir / "blocky.txt");
    std::stringstream text;
    text << in.rdbuf() << ";\n" << extra;
    auto data = std::make_shared<FontData>();
    data->LoadFromText(nullptr, Path("damaged.txt"), text.str());
    return data;
  }
};
std::filesystem::path BlockyFont::dir;

// Lines of blocky.txt; LoadWith ends its last command on the next line and adds the damage after.
constexpr int kBlockyLines = 39;

TEST_F(BlockyFont, LoadsEveryLayerWithItsSettings) {
  ImageFont font(nullptr, Path("blocky.txt"));
  ASSERT_TRUE(font.fontData->initialized) << font.fontData->error;
  FontData& d = *font.fontData;
  EXPECT_EQ(d.defaultPointSize, 12);
  EXPECT_EQ(font.GetPointSize(), 12);
  ASSERT_EQ(d.layers.size(), 3u);
  FontLayer* main = d.FindLayer("main");
  FontLayer* shadow = d.FindLayer("SHADOW");
  FontLayer* glow = d.FindLayer("Glow");
  ASSERT_TRUE(main && shadow && glow);
  EXPECT_EQ(main->charData['V'].imageRect, Rect(4, 0, 3, 6));
  EXPECT_EQ(main->charData['B'].imageRect, Rect(7, 0, 5, 6));
  EXPECT_EQ(main->charData['B'].width, 6);
  EXPECT_EQ(main->charData['A'].kerningOffsets['V'], -2);
  EXPECT_EQ(main->charData['V'].kerningOffsets['A'], 3);
  EXPECT_EQ(main->defaultHeight, 6);
  EXPECT_EQ(main->pointSize, 12);
  EXPECT_EQ(main->drawMode, -1);
  // The shadow starts as a copy of the body, image included, then differs where told.
  EXPECT_EQ(shadow->charData['A'].width, 5);
  EXPECT_EQ(shadow->image, main->image);
  EXPECT_EQ(shadow->colorMult, Color(0, 0, 0, 255));
  EXPECT_EQ(shadow->offset, (Point{1, 1}));
  EXPECT_EQ(shadow->baseOrder, -1);
  EXPECT_EQ(shadow->excludedTags, std::vector<std::string>{"FLAT"});
  EXPECT_EQ(shadow->maxPointSize, 12);
  EXPECT_EQ(main->maxPointSize, -1);
  EXPECT_EQ(glow->requiredTags, std::vector<std::string>{"GLOW"});
  EXPECT_EQ(glow->charData['B'].offset, (Point{-1, 2}));
  EXPECT_EQ(glow->charData['B'].order, 5);
  EXPECT_EQ(glow->drawMode, 1);
  // A packed colour below 0x01000000 is opaque.
  EXPECT_EQ(glow->colorMult, Color(255, 0, 0, 255));
  EXPECT_EQ(glow->colorAdd, Color(0, 0, 16, 32));
  EXPECT_EQ(glow->height, 9);
  EXPECT_EQ(d.charMap['a'], 'A');
  EXPECT_EQ(d.charMap['b'], 'b');
  EXPECT_EQ(font.GetDefine("glyphs"), "('A', 'V', 'B')");
  EXPECT_EQ(font.GetDefine("Rects"), "((0, 0, 4, 6), (4, 0, 3, 6), (7, 0, 5, 6))");
  EXPECT_EQ(font.GetDefine("Nothing"), "");
}

TEST_F(BlockyFont, MetricsFollowPointSizeAndTags) {
  ImageFont font(nullptr, Path("blocky.txt"));
  // Body and shadow: ascent 6, height the glyph height 6, line spacing 6 + 2.
  EXPECT_EQ(font.activeLayers.size(), 2u);
  EXPECT_EQ(font.GetAscent(), 6);
  EXPECT_EQ(font.GetHeight(), 6);
  EXPECT_EQ(font.GetAscentPadding(), 1);
  EXPECT_EQ(font.GetLineSpacing(), 8);

  // The glow's height 9 wins; its ascent padding 0 is the smallest.
  EXPECT_TRUE(font.AddTag("Glow"));
  EXPECT_FALSE(font.AddTag("GLOW"));
  EXPECT_TRUE(font.HasTag("glow"));
  font.Prepare();
  EXPECT_EQ(font.activeLayers.size(), 3u);
  EXPECT_EQ(font.GetHeight(), 9);
  EXPECT_EQ(font.GetAscentPadding(), 0);
  EXPECT_EQ(font.GetLineSpacingOffset(), 2);
  EXPECT_TRUE(font.RemoveTag("glow"));
  EXPECT_FALSE(font.RemoveTag("glow"));
  font.Prepare();
  EXPECT_EQ(font.activeLayers.size(), 2u);

  // An excluded tag drops the shadow.
  font.AddTag("flat");
  font.Prepare();
  ASSERT_EQ(font.activeLayers.size(), 1u);
  EXPECT_EQ(font.activeLayers[0].baseLayer, font.fontData->FindLayer("Main"));
  font.RemoveTag("flat");

  // The shadow lives in 10..12, the body from 10 up.
  font.SetPointSize(13);
  font.Prepare();
  EXPECT_EQ(font.activeLayers.size(), 1u);
  font.SetPointSize(10);
  font.Prepare();
  EXPECT_EQ(font.activeLayers.size(), 2u);
  font.SetPointSize(9);
  EXPECT_EQ(font.StringWidth("AV"), 0);
  EXPECT_EQ(font.GetHeight(), 0);
  EXPECT_EQ(font.GetAscent(), 0);
}

TEST_F(BlockyFont, WidthsUseKerningSpacingAndTheCharMap) {
  ImageFont font(nullptr, Path("blocky.txt"));
  EXPECT_EQ(font.CharWidth('A'), 5);
  // V after A: 4 + (-2 + 1).
  EXPECT_EQ(font.CharWidthKerned('V', 'A'), 3);
  EXPECT_EQ(font.StringWidth("AV"), 8);
  // A after V: 5 + (3 + 1).
  EXPECT_EQ(font.StringWidth("VA"), 4 + 9);
  EXPECT_EQ(font.StringWidth("av"), 8);
  EXPECT_EQ(font.CharWidth('Q'), 0);
  // With the glow, B is the widest of the layers: glow 9 against body 6 + spacing 1.
  font.AddTag("glow");
  EXPECT_EQ(font.CharWidthKerned('B', 'A'), 9);
  EXPECT_EQ(font.CharWidth('A'), 5);
}

TEST_F(BlockyFont, ScaledLayersMeasureAndDrawLarger) {
  ImageFont font(nullptr, Path("blocky.txt"));
  font.SetPointSize(24);
  EXPECT_EQ(font.CharWidth('A'), 10);
  EXPECT_EQ(font.GetAscent(), 12);
  EXPECT_EQ(font.GetHeight(), 12);
  ASSERT_EQ(font.activeLayers.size(), 1u);
  const ActiveFontLayer& active = font.activeLayers[0];
  EXPECT_TRUE(active.ownsImage);
  // The glyphs laid side by side at twice their size, in character order: A (8), B (10), V.
  EXPECT_EQ(active.scaledCharImageRects['V'], Rect(18, 0, 6, 12));
  ASSERT_NE(active.image, nullptr);
  EXPECT_EQ(active.image->width, 24);
  EXPECT_EQ(active.image->height, 12);

  auto screen = Testing::MakeScreen(20, 20);
  Graphics g(screen.get());
  font.DrawString(&g, 0, 12, "A", Color::White, Rect(0, 0, 20, 20));
  // Inside the doubled A (8 x 12): white, give or take the filter's rounding.
  EXPECT_EQ(Testing::PixelAt(*screen, 4, 6) & 0xF0F0F0F0u, 0xF0F0F0F0u);
  EXPECT_EQ(Testing::PixelAt(*screen, 12, 6), 0xFF000000u);

  // Half scale at the layer's own size: widths and ascent halve, truncated.
  font.SetPointSize(12);
  font.SetScale(0.5);
  EXPECT_EQ(font.CharWidth('A'), 2);
  EXPECT_EQ(font.GetAscent(), 3);
}

TEST_F(BlockyFont, DrawsShadowUnderBodyAtThePenPositions) {
  ImageFont font(nullptr, Path("blocky.txt"));
  auto screen = Testing::MakeScreen(16, 12, 0xFF808080u);
  Graphics g(screen.get());
  g.SetColor(Color(1, 2, 3));
  std::vector<Rect> rects;
  int width = 0;
  font.DrawStringEx(&g, 2, 8, "AV", Color::White, Rect(0, 0, 16, 12), &rects, &width);
  // The advance after A is 5 - 2 + 1 = 4; V ends with its width alone.
  EXPECT_EQ(width, 8);
  // Body at (pen, baseline - ascent); shadow one pixel right and down.
  EXPECT_EQ(rects, (std::vector<Rect>{Rect(2, 2, 4, 6), Rect(3, 3, 4, 6), Rect(6, 2, 3, 6), Rect(7, 3, 3, 6)}));
  const uint32_t white = 0xFFFFFFFFu, black = 0xFF000000u, grey = 0xFF808080u;
  EXPECT_EQ(Testing::PixelAt(*screen, 2, 2), white);
  // The shadow was made after the body but lies under it.
  EXPECT_EQ(Testing::PixelAt(*screen, 3, 3), white);
  EXPECT_EQ(Testing::PixelAt(*screen, 6, 8), black);
  EXPECT_EQ(Testing::PixelAt(*screen, 9, 3), black);
  EXPECT_EQ(Testing::PixelAt(*screen, 8, 7), white);
  EXPECT_EQ(Testing::PixelAt(*screen, 2, 8), grey);
  EXPECT_EQ(Testing::PixelAt(*screen, 10, 3), grey);
  EXPECT_EQ(Testing::PixelAt(*screen, 9, 1), grey);
  // The drawing context's colour and tinting are as before.
  EXPECT_EQ(g.GetColor(), Color(1, 2, 3));
  EXPECT_FALSE(g.GetTintImages());
}

TEST_F(BlockyFont, MappedCharactersDrawAsTheirTargets) {
  ImageFont font(nullptr, Path("blocky.txt"));
  font.AddTag("flat");
  auto upper = Testing::MakeScreen(12, 8);
  auto lower = Testing::MakeScreen(12, 8);
  Graphics gu(upper.get()), gl(lower.get());
  font.DrawString(&gu, 0, 7, "AV", Color::White, Rect(0, 0, 12, 8));
  font.DrawString(&gl, 0, 7, "av", Color::White, Rect(0, 0, 12, 8));
  EXPECT_EQ(Testing::CountNot(*upper, 0xFF000000u), 4 * 6 + 3 * 6);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 12; ++x)
      ASSERT_EQ(Testing::PixelAt(*lower, x, y), Testing::PixelAt(*upper, x, y)) << x << "," << y;
}

TEST_F(BlockyFont, GlyphsPastTheDrawPoolAreDropped) {
  // Two layers: 4096 records hold the first 2048 characters; each advances 5 + 1.
  ImageFont font(nullptr, Path("blocky.txt"));
  auto screen = Testing::MakeScreen(2 + 6 * 2050, 8);
  Graphics g(screen.get());
  std::vector<Rect> rects;
  font.DrawStringEx(&g, 0, 6, std::string(2050, 'A'), Color::White, Rect(0, 0, screen->width, 8), &rects, nullptr);
  EXPECT_EQ(rects.size(), 2u * 2050);
  EXPECT_EQ(Testing::PixelAt(*screen, 6 * 2047, 0), 0xFFFFFFFFu);
  EXPECT_EQ(Testing::PixelAt(*screen, 6 * 2048, 0), 0xFF000000u);
}

TEST_F(BlockyFont, GlowLayerDrawsAdditivelyWithItsColourTransform) {
  ImageFont font(nullptr, Path("blocky.txt"));
  font.AddTag("glow");
  auto screen = Testing::MakeScreen(20, 20);
  Graphics g(screen.get());
  font.DrawString(&g, 0, 10, "b", Color::White, Rect(0, 0, 20, 20));
  // 'b' is not mapped: nothing drawn.
  EXPECT_EQ(Testing::CountNot(*screen, 0xFF000000u), 0);
  font.DrawString(&g, 0, 10, "B", Color::White, Rect(0, 0, 20, 20));
  // Glow: red (255, 0, 0) times white plus (0, 0, 16), added at (-1, 10 + 2); its 5 x 4 block
  // shows from x 0 to 3. The sheet has transparent pixels, so the added source is weighted by its
  // alpha: 255 * 255 / 256 = 254 and 16 * 255 / 256 = 15.
  EXPECT_EQ(Testing::PixelAt(*screen, 0, 12), 0xFFFE000Fu);
  EXPECT_EQ(Testing::PixelAt(*screen, 3, 15), 0xFFFE000Fu);
  EXPECT_EQ(Testing::PixelAt(*screen, 4, 12), 0xFF000000u);
  // Body at (0, 4), 5 x 4.
  EXPECT_EQ(Testing::PixelAt(*screen, 0, 4), 0xFFFFFFFFu);
  EXPECT_EQ(Testing::PixelAt(*screen, 4, 7), 0xFFFFFFFFu);
}

TEST_F(BlockyFont, CopiesShareTheDescriptor) {
  ImageFont font(nullptr, Path("blocky.txt"));
  font.AddTag("glow");
  font.Prepare();
  std::unique_ptr<Font> copy(font.Duplicate());
  auto* image = dynamic_cast<ImageFont*>(copy.get());
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->fontData, font.fontData);
  EXPECT_EQ(font.fontData.use_count(), 2);
  EXPECT_TRUE(image->HasTag("GLOW"));
  EXPECT_EQ(image->GetHeight(), 9);
  EXPECT_EQ(image->activeLayers.size(), 3u);
}

TEST_F(BlockyFont, GlyphStripWithWidthTable) {
  std::ofstream(dir / "strip.txt") << "3 6\nA 4\nV 3\nB 5\n";
  auto sheet = std::shared_ptr<MemoryImage>(Testing::MakeFilled(16, 8, 0xFFFFFFFFu));
  ImageFont font(sheet, Path("strip.txt"));
  EXPECT_EQ(font.CharWidth(' '), 3);
  EXPECT_EQ(font.CharWidth('V'), 3);
  // Lower case borrows the capitals.
  EXPECT_EQ(font.StringWidth("ab"), 9);
  EXPECT_EQ(font.fontData->layers.front().charData['B'].imageRect, Rect(7, 0, 5, 8));
  EXPECT_EQ(font.GetAscent(), 6);
  EXPECT_EQ(font.GetHeight(), 8);
  ImageFont missing(sheet, Path("no-such-table.txt"));
  EXPECT_EQ(missing.StringWidth("AB"), 0);
}

TEST_F(BlockyFont, EmptyAndMissingDescriptors) {
  std::ofstream(dir / "empty.txt") << "# nothing here\n";
  ImageFont empty(nullptr, Path("empty.txt"));
  EXPECT_FALSE(empty.fontData->initialized) << "a font without layers draws nothing";
  EXPECT_EQ(empty.GetHeight(), 0);
  ImageFont missing(nullptr, Path("absent.txt"));
  EXPECT_FALSE(missing.fontData->initialized);
  auto screen = Testing::MakeScreen(4, 4);
  Graphics g(screen.get());
  missing.DrawString(&g, 0, 2, "AV", Color::White, Rect(0, 0, 4, 4));
  EXPECT_EQ(Testing::CountNot(*screen, 0xFF000000u), 0);
}

TEST_F(BlockyFont, DamagedDescriptorsReportAndLeaveNothing) {
  const struct {
    const char* text;
    const char* message;
  } cases[] = {
      {"Bogus 1", "Unknown Command"},
      {"LayerSetAscent Main 'x'", "Invalid Paramater Type"},
      {"LayerSetAscent Main 1 2", "Invalid Number of Parameters"},
      {"LayerSetAscent Nowhere 1", "Undefined Layer"},
      {"CreateLayer MAIN", "Layer Already Exists"},
      {"Define X 'open", "Unterminated Single Quotes"},
      {"Define X (1 2", "Unterminated List"},
      {"Define 'X' 1", "Invalid Paramater Type"},
      {"LayerSetImageMap Main ('A') ((12 0 5 6))", "Image rectangle out of bounds"},
      {"LayerSetImageMap Main ('A') ((-1 0 2 2))", "Image rectangle out of bounds"},
      {"LayerSetImageMap Main ('A') ((0 0 4))", "Invalid Paramater Type"},
      {"LayerSetCharWidths Main ('AB') (3)", "Invalid Paramater Type"},
      {"LayerSetCharWidths Main ('\xC3\xA9') (3)", "Invalid Paramater Type"},
      {"LayerSetCharWidths Main ('A' 'V') (3 'x')", "Invalid Paramater Type"},
      {"LayerSetCharWidths Main ('A' 'V') (3)", "List Size Mismatch"},
      {"LayerSetKerningPairs Main ('AV') (200)", "Invalid Paramater Type"},
      {"LayerSetImage Main 'missing.png'", "Failed to Load Image"},
      {"CreateLayer Bare; LayerSetImageMap Bare ('A') ((0 0 1 1))", "Layer image not set"},
      {"SetCharMap ('a') ('A' 'B')", "List Size Mismatch"},
      {"LayerSetDrawMode Main 2", "Invalid Paramater Type"},
      {"LayerSetColorMult Main (1 1 1)", "Invalid Paramater Type"},
      {"LayerSetColorMult Main (1 1 1 2)", "Invalid Paramater Type"},
      {"LayerSetPointSize Main -4", "Invalid Paramater Type"},
      {"LayerSetOffset Main Missing", "Unable to Dereference \"Missing\""},
      {"(Main) 1", "Missing Command"},
  };
  for (const auto& c : cases) {
    auto data = LoadWith(c.text);
    EXPECT_FALSE(data->initialized) << c.text;
    const std::string start = "Font Descriptor Error in " + Path("damaged.txt") + "\r\n" + c.message + " on Line " +
                              std::to_string(kBlockyLines + 2) + ":\r\n\r\n";
    EXPECT_EQ(data->error.substr(0, start.size()), start) << c.text;
    // Nothing that ran before the error stays.
    EXPECT_TRUE(data->layers.empty()) << c.text;
    EXPECT_TRUE(data->defines.empty()) << c.text;
    EXPECT_EQ(data->charMap['a'], 'a') << c.text;
    ImageFont font(data);
    EXPECT_EQ(font.StringWidth("AV"), 0) << c.text;
  }
}

TEST_F(BlockyFont, ErrorsGoToTheErrorReceiver) {
  FontData data;
  std::string shown;
  data.onError = [&](const std::string& text) { shown = text; };
  EXPECT_FALSE(data.LoadFromText(nullptr, "x.txt", "\n\nCreateLayer L;\nLayerSetSpacing L (1);"));
  EXPECT_EQ(shown, "Font Descriptor Error in x.txt\r\nInvalid Paramater Type on Line 4:\r\n\r\nLayerSetSpacing L (1)");
  // A FontData loads once.
  EXPECT_FALSE(data.LoadFromText(nullptr, "x.txt", ""));

  // A descriptor that makes no layer (empty, or only comments and defines) would give a font that
  // draws nothing at all: that is an error too, said like the others.
  for (const char* text : {"", "# nothing but a comment\n", "Define Unused 4;\n"}) {
    FontData empty;
    shown.clear();
    empty.onError = [&](const std::string& message) { shown = message; };
    EXPECT_FALSE(empty.LoadFromText(nullptr, "empty.txt", text)) << text;
    EXPECT_EQ(shown, "Font Descriptor Error in empty.txt\r\nThe descriptor defines no layer") << text;
  }
}

}  // namespace
}  // namespace Orva

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "framework/fonts/ImageFont.h"
#include "framework/fonts/SysFont.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/resourcemanager/ResourceHost.h"
#include "framework/resourcemanager/ResourceManager.h"
#include "framework/resources/ImageLib.h"
#include "support/ImageTestSupport.h"
#include "support/TempFolder.h"

namespace Orva {
namespace {

namespace fs = std::filesystem;
using Testing::PixelAt;

// --- The files the test manifest names -------------------------------------------------------
//
// tests/data/manifest/resources.xml is copied to properties/resources.xml of a scratch folder,
// which is the working folder while the tests run; the pictures are drawn here.

void WritePicture(const fs::path& file, int w, int h, const std::function<uint32_t(int, int)>& pixel,
                  bool jpeg = false) {
  ImageLib::Image image(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) image.bits[size_t(y * w + x)] = pixel(x, y);
  fs::create_directories(file.parent_path());
  ASSERT_TRUE(jpeg ? ImageLib::WriteJPEGImage(file.string(), &image) : ImageLib::WritePNGImage(file.string(), &image));
}

// Alpha masks: the blue byte of each pixel counts, so the other channels carry noise.
uint32_t Mask(uint32_t blue) { return 0xFF123400u | blue; }
uint32_t BallAlpha(int x, int y) { return uint32_t(y * 4 + x) * 17; }
constexpr uint32_t kCellAlpha[4] = {0x00, 0x40, 0x80, 0xFF};
constexpr uint32_t kGlowAlpha[4] = {0x00, 0x55, 0xAA, 0xFF};

class ManifestFiles : public ::testing::Environment {
 public:
  void SetUp() override {
    folder_ = std::make_unique<Testing::TempFolder>("manifest");
    const fs::path dir = folder_->Path();
    const char* data = std::getenv("ORVA_TEST_DATA");
    ASSERT_NE(data, nullptr) << "ORVA_TEST_DATA names tests/data";
    const auto copy = [&](const fs::path& from, const fs::path& to) {
      fs::create_directories((dir / to).parent_path());
      fs::copy_file(fs::path(data) / from, dir / to, fs::copy_options::overwrite_existing);
    };
    copy("manifest/resources.xml", "properties/resources.xml");
    copy("manifest/strip.txt", "fonts/strip.txt");
    copy("fonts/blocky.txt", "fonts/blocky.txt");

    WritePicture(dir / "images/menu.png", 4, 2, [](int x, int y) {
      return y == 1 ? 0xFF708090u : x < 2 ? 0xFF102030u : 0xFF405060u;
    });
    WritePicture(dir / "images/ball.png", 4, 4, [](int, int) { return 0xFFFF0000u; });
    WritePicture(dir / "images/ball_alpha.png", 4, 4, [](int x, int y) { return Mask(BallAlpha(x, y)); });
    WritePicture(dir / "images/cells.png", 6, 4, [](int, int) { return 0xFF00FF00u; });
    WritePicture(dir / "images/cell_alpha.png", 2, 2, [](int x, int y) { return Mask(kCellAlpha[y * 2 + x]); });
    WritePicture(dir / "images/spin.png", 8, 2, [](int x, int) { return 0xFF000000u | uint32_t(x); });
    WritePicture(dir / "images/spark.png", 8, 2, [](int x, int) { return 0xFF000100u * uint32_t(x); });
    // Only the alpha file exists: the picture is the alpha colour under the mask.
    WritePicture(dir / "images/_glowmask.png", 2, 2, [](int x, int y) { return Mask(kGlowAlpha[y * 2 + x]); });
    WritePicture(
        dir / "images/backdrop.jpg", 8, 8, [](int, int) { return 0xFF808080u; }, true);
    WritePicture(dir / "images/fade.png", 2, 2, [](int, int) { return 0x80FFFFFFu; });
    WritePicture(dir / "images/texture.png", 2, 2, [](int, int) { return 0xFF0000FFu; });
    // The glyph sheet of blocky.txt (see ImageFontTest) and a strip for strip.txt: A 2, B 3 wide.
    WritePicture(dir / "fonts/blocky.png", 16, 8, [](int x, int y) {
      const bool lit = (x < 4 && y < 6) || (x >= 4 && x < 7 && y < 6) || (x >= 7 && x < 12 && y < 4);
      return lit ? 0xFFFFFFFFu : 0u;
    });
    WritePicture(dir / "fonts/strip.png", 5, 4, [](int, int) { return 0xFFFFFFFFu; });
    ASSERT_TRUE(folder_->Write("fonts/broken.txt", "CreateLayer (Main;\n"));
    // The silent sound manager only needs the files to be readable.
    ASSERT_TRUE(folder_->Write("sounds/click.ogg", "OggS"));
    ASSERT_TRUE(folder_->Write("sounds/beep.wav", "RIFF"));
    working_ = std::make_unique<Testing::WorkingFolder>(dir);
  }
  void TearDown() override {
    working_.reset();
    folder_.reset();
  }

 private:
  std::unique_ptr<Testing::TempFolder> folder_;
  std::unique_ptr<Testing::WorkingFolder> working_;
};

::testing::Environment* const kFiles = ::testing::AddGlobalTestEnvironment(new ManifestFiles);

constexpr const char* kManifest = "properties/resources.xml";

template <typename Res>
Res* Find(ResourceManager::ResMap& map, const std::string& id) {
  auto it = map.find(id);
  return it == map.end() ? nullptr : static_cast<Res*>(it->second.get());
}
ImageRes* ImageOf(ResourceManager& m, const std::string& id) { return Find<ImageRes>(m.images, id); }
SoundRes* SoundOf(ResourceManager& m, const std::string& id) { return Find<SoundRes>(m.sounds, id); }
FontRes* FontOf(ResourceManager& m, const std::string& id) { return Find<FontRes>(m.fonts, id); }

// One group "G" around the given elements.
std::string InGroup(const std::string& elements) {
  return "<ResourceManifest><Resources id=\"G\">" + elements + "</Resources></ResourceManifest>";
}

class TestManifest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(manager.ReadManifest(kManifest)) << manager.ErrorText(); }

  StandaloneResourceHost host;
  ResourceManager manager{&host};
};

// --- Reading the manifest --------------------------------------------------------------------

TEST_F(TestManifest, EntriesKeepTheirGroupAndAttributes) {
  const ImageRes* menu = ImageOf(manager, "IMAGE_menu");
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(menu->path, "images/menu.png");
  EXPECT_EQ(menu->resGroup, "Init");
  EXPECT_FALSE(menu->madeByCode);
  EXPECT_TRUE(ImageOf(manager, "IMAGE_GENERATED")->madeByCode);
  EXPECT_EQ(ImageOf(manager, "IMAGE_GENERATED")->path, "!program");
  // Defaults hold across groups: SetDefaults without a path keeps the folder, and a written id
  // is prefixed too.
  EXPECT_NE(SoundOf(manager, "CODE_CHIME"), nullptr);
  EXPECT_EQ(ImageOf(manager, "IMAGE_BALL")->alphaImage, "images/ball_alpha.png");
  // The font picture is named as it stands, without the folder.
  EXPECT_EQ(FontOf(manager, "FONT_STRIP")->imagePath, "fonts/strip.png");
  EXPECT_FALSE(ImageOf(manager, "IMAGE_TEXTURE")->useAlpha);
  EXPECT_EQ(ImageOf(manager, "IMAGE_SPARK")->sourceAttributes.at("framemap"), "0,1,2,3,2");
}

TEST_F(TestManifest, FontPathsBeginningWithBangStandAsWritten) {
  EXPECT_EQ(FontOf(manager, "FONT_GLOWING_COPY")->path, "!ref:FONT_GLOWING");
  EXPECT_EQ(FontOf(manager, "FONT_SYSTEM")->path, "!sys:Arial");
}

TEST_F(TestManifest, GroupsListTheirEntriesInOrder) {
  std::vector<std::string> ids;
  for (BaseRes* res : manager.groups.at("Init")) ids.push_back(res->id);
  EXPECT_EQ(ids, (std::vector<std::string>{"IMAGE_menu", "IMAGE_GENERATED", "SOUND_click", "SOUND_BEEP"}));
  // Entries code makes are not counted.
  EXPECT_EQ(manager.CountGroupEntries("Init"), 3);
  EXPECT_EQ(manager.CountGroupEntries("LoadingScreen"), 6);
  EXPECT_EQ(manager.CountGroupEntries("Game"), 10);
  EXPECT_EQ(manager.CountGroupEntries("Code"), 0);
  EXPECT_EQ(manager.CountGroupEntries("Nowhere"), 0);
}

TEST_F(TestManifest, FrameMapsAndDelayListsMakeTheAnimation) {
  // The frame map sets the frame count; delays missing or 0 take the frame delay.
  const CelAnimation& spark = ImageOf(manager, "IMAGE_SPARK")->anim;
  EXPECT_EQ(spark.loopMode, 1);
  EXPECT_EQ(spark.celCount, 5);
  EXPECT_EQ(spark.frameCels, (std::vector<int>{0, 1, 2, 3, 2}));
  EXPECT_EQ(spark.frameDelays, (std::vector<int>{5, 2, 7, 2, 2}));
  EXPECT_EQ(spark.totalTime, 18);
}

TEST(ManifestReading, IdsAndPathsFromDefaults) {
  const struct {
    const char* elements;
    const char* id;
    const char* path;
  } cases[] = {
      {"<SetDefaults path=\"images\\\" idprefix=\"IMAGE_\"/><Image path=\"menu.png\"/>", "IMAGE_menu",
       "images/menu.png"},
      {"<SetDefaults path=\"images\" idprefix=\"IMAGE_\\\"/><Image path=\"menu.png\"/>", "IMAGE_menu",
       "images/menu.png"},
      // The file name keeps its case and loses only the last extension.
      {"<Image path=\"art/ui\\Title.Big.png\"/>", "Title.Big", "art/ui\\Title.Big.png"},
      {"<Image path=\"noext\"/>", "noext", "noext"},
      {"<SetDefaults path=\"a\"/><SetDefaults idprefix=\"P_\"/><Image path=\"x.png\"/>", "P_x", "a/x.png"},
      {"<SetDefaults path=\"a\"/><Image id=\"ID\" path=\"!program\"/>", "ID", "!program"},
      // An empty folder default means no folder at all, not the root of the file system.
      {"<SetDefaults path=\"images\"/><SetDefaults path=\"\"/><Image path=\"menu.png\"/>", "menu", "menu.png"},
  };
  for (const auto& c : cases) {
    StandaloneResourceHost host;
    ResourceManager manager(&host);
    ASSERT_TRUE(manager.ReadManifestFromText(InGroup(c.elements), "m.xml"))
        << c.elements << ": " << manager.ErrorText();
    ASSERT_EQ(manager.images.size(), 1u) << c.elements;
    EXPECT_EQ(manager.images.begin()->first, c.id) << c.elements;
    EXPECT_EQ(manager.images.begin()->second->path, c.path) << c.elements;
  }
}

TEST(ManifestReading, AnimationNamesIgnoreCase) {
  const struct {
    const char* anim;
    int loopMode;
  } cases[] = {{"none", 0}, {"NONE", 0}, {"once", 1},     {"Once", 1},
               {"loop", 3}, {"LOOP", 3}, {"pingpong", 2}, {"pingPONG", 2}};
  for (const auto& c : cases) {
    StandaloneResourceHost host;
    ResourceManager manager(&host);
    ASSERT_TRUE(manager.ReadManifestFromText(
        InGroup(std::string("<Image id=\"A\" path=\"a.png\" cols=\"3\" anim=\"") + c.anim + "\"/>"), "m.xml"))
        << c.anim << ": " << manager.ErrorText();
    EXPECT_EQ(ImageOf(manager, "A")->anim.loopMode, c.loopMode) << c.anim;
  }
}

TEST(ManifestReading, ErrorsNameLineAndFile) {
  const std::string top = "<ResourceManifest>\n<Resources id=\"G\">\n";
  const std::string end = "\n</Resources>\n</ResourceManifest>\n";
  const struct {
    std::string text;
    std::string error;
  } cases[] = {
      {top + "<Image id=\"A\" path=\"a.png\"/>\n<Image id=\"A\" path=\"b.png\"/>" + end,
       "Resource already defined. on Line 4 in File 'm.xml'"},
      {top + "<Music path=\"a.ogg\"/>" + end, "Invalid Section 'Music' on Line 3 in File 'm.xml'"},
      {top + "<Image path=\"a.png\">x</Image>" + end, "Unexpected element found. on Line 3 in File 'm.xml'"},
      {top + "<Image path=\"a.png\"><Sound path=\"b.ogg\"/></Image>" + end,
       "Unexpected element found. on Line 3 in File 'm.xml'"},
      {top + "<Sound id=\"S\"/>" + end, "No path specified. on Line 3 in File 'm.xml'"},
      {top + "<Font id=\"F\" path=\"\"/>" + end, "No path specified. on Line 3 in File 'm.xml'"},
      {top + "<Image path=\"a.png\" anim=\"bounce\"/>" + end, "Invalid animation type. on Line 3 in File 'm.xml'"},
      {top + "<Font id=\"F\" path=\"!sys:Arial\"/>" + end, "SysFont needs point size on Line 3 in File 'm.xml'"},
      {top + "<Font id=\"F\" path=\"!sys:Arial\" size=\"0\"/>" + end,
       "SysFont needs point size on Line 3 in File 'm.xml'"},
      {top + "hello</Resources></ResourceManifest>", "Element Not Expected 'hello' on Line 3 in File 'm.xml'"},
      {"<ResourceManifest>\n<Resources>\n</Resources></ResourceManifest>",
       "No id specified. on Line 2 in File 'm.xml'"},
      {"<ResourceManifest>\n<Group id=\"G\"/></ResourceManifest>", "Invalid Section 'Group' on Line 2 in File 'm.xml'"},
      {"<ResourceManifest>\nstray</ResourceManifest>", "Element Not Expected 'stray' on Line 2 in File 'm.xml'"},
      {"<?xml version=\"1.0\"?>\n<Manifest>\n</Manifest>", "Expecting ResourceManifest tag on Line 2 in File 'm.xml'"},
      // The reader's own errors carry the place too.
      {top + "<Image path=\"a.png\"/>\n</Wrong>",
       "End 'Wrong' Doesn't Match Start 'Resources' on Line 4 in File 'm.xml'"},
      // Only the first error is kept.
      {top + "<Image path=\"a.png\" anim=\"x\"/>\n<Music/>" + end, "Invalid animation type. on Line 3 in File 'm.xml'"},
  };
  for (const auto& c : cases) {
    StandaloneResourceHost host;
    ResourceManager manager(&host);
    EXPECT_FALSE(manager.ReadManifestFromText(c.text, "m.xml")) << c.text;
    EXPECT_TRUE(manager.HasError());
    EXPECT_EQ(manager.ErrorText(), c.error) << c.text;
    // A manifest that fails declares nothing.
    EXPECT_TRUE(manager.images.empty() && manager.sounds.empty() && manager.fonts.empty()) << c.text;
  }
}

TEST(ManifestReading, MissingFileAndInputWithoutTags) {
  StandaloneResourceHost host;
  ResourceManager manager(&host);
  EXPECT_FALSE(manager.ReadManifest("properties/nothere.xml"));
  EXPECT_EQ(manager.ErrorText(), "Resource file not found: properties/nothere.xml");
  // Input with no start tag at all ends with an error rather than a search past its end.
  for (const char* text : {"", "just words", "<?xml version=\"1.0\"?>\n<!-- nothing else -->\n"}) {
    ResourceManager empty(&host);
    EXPECT_FALSE(empty.ReadManifestFromText(text, "e.xml")) << text;
    EXPECT_FALSE(empty.ErrorText().empty()) << text;
  }
}

TEST(ManifestReading, HugeGridsKeepTheAnimationTablesSmall) {
  // The cel count of an animation is the grid's: a grid of two thousand million columns must not
  // ask for frame tables that long.
  for (const char* element : {R"(<Image id="A" path="a.png" cols="2000000000" anim="once" enddelay="1"/>)",
                              R"(<Image id="A" path="a.png" rows="2000000000" anim="pingpong"/>)"}) {
    StandaloneResourceHost host;
    ResourceManager manager(&host);
    if (!manager.ReadManifestFromText(InGroup(element), "m.xml")) continue;  // refusing it is fine too
    const CelAnimation& anim = ImageOf(manager, "A")->anim;
    EXPECT_LE(anim.frameDelays.size(), size_t(2 * ImageLib::kMaxImageSide)) << element;
    EXPECT_LE(anim.frameCels.size(), size_t(2 * ImageLib::kMaxImageSide)) << element;
  }
}

TEST(ManifestReading, InputCutShortIsAnError) {
  // A manifest cut off inside a group has lost its tail: the reader's complaint stops it.
  StandaloneResourceHost host;
  ResourceManager manager(&host);
  EXPECT_FALSE(manager.ReadManifestFromText("<ResourceManifest><Resources id=\"G\">\n<Image id=\"A\" path=\"a.png\"/>",
                                            "m.xml"));
  EXPECT_EQ(manager.ErrorText(), "Unexpected End of File on Line 2 in File 'm.xml'");
  EXPECT_TRUE(manager.images.empty());
  EXPECT_EQ(manager.CountGroupEntries("G"), 0);
}

TEST(ManifestReading, AFailedManifestLeavesEarlierOnesAlone) {
  StandaloneResourceHost host;
  ResourceManager manager(&host);
  ASSERT_TRUE(manager.ReadManifestFromText(
      InGroup("<Image id=\"A\" path=\"images/menu.png\"/><Sound id=\"S\" path=\"sounds/click.ogg\"/>"), "one.xml"))
      << manager.ErrorText();
  // Adds to the same group and a new one, then redefines A: everything it added goes.
  EXPECT_FALSE(manager.ReadManifestFromText(
      "<ResourceManifest><Resources id=\"G\"><Image id=\"B\" path=\"images/ball.png\"/><Sound id=\"T\" path=\"x.ogg\"/>"
      "</Resources><Resources id=\"H\"><Font id=\"F\" path=\"fonts/blocky.txt\"/></Resources>"
      "<Resources id=\"G\"><Image id=\"A\" path=\"images/other.png\"/></Resources></ResourceManifest>",
      "two.xml"));
  EXPECT_EQ(manager.ErrorText(), "Resource already defined. on Line 1 in File 'two.xml'");
  EXPECT_EQ(manager.images.size(), 1u);
  EXPECT_EQ(manager.sounds.size(), 1u);
  EXPECT_TRUE(manager.fonts.empty());
  EXPECT_EQ(ImageOf(manager, "A")->path, "images/menu.png");
  EXPECT_EQ(manager.CountGroupEntries("G"), 2);
  EXPECT_EQ(manager.CountGroupEntries("H"), 0);
  // The group list holds only live descriptions: loading it touches nothing that was forgotten.
  EXPECT_TRUE(manager.LoadGroup("G")) << manager.ErrorText();
  EXPECT_TRUE(manager.LoadGroup("H"));
}

TEST(ManifestReading, EachManifestStartsWithoutTheLastError) {
  // An error kept from before must not fail a later, good manifest.
  StandaloneResourceHost host;
  ResourceManager manager(&host);
  EXPECT_FALSE(manager.ReadManifestFromText(InGroup("<Music/>"), "bad.xml"));
  EXPECT_TRUE(manager.ReadManifestFromText(InGroup("<Image id=\"A\" path=\"a.png\"/>"), "good.xml"))
      << manager.ErrorText();
  EXPECT_FALSE(manager.HasError());
  // Nor does a failed lookup spoil the next manifest.
  EXPECT_THROW(manager.RequireImage("A"), ResourceManagerException);
  EXPECT_TRUE(manager.ReadManifestFromText(InGroup("<Image id=\"B\" path=\"b.png\"/>"), "more.xml"))
      << manager.ErrorText();
  EXPECT_EQ(manager.CountGroupEntries("G"), 2);
}

TEST(ManifestReading, RedefinitionWhenAllowed) {
  StandaloneResourceHost host;
  ResourceManager manager(&host);
  manager.allowRedefine = true;
  ASSERT_TRUE(manager.ReadManifestFromText(InGroup("<Image id=\"A\" path=\"a.png\"/>"), "one.xml"));
  ASSERT_TRUE(manager.ReadManifestFromText(InGroup("<Image id=\"A\" path=\"b.png\" rows=\"2\"/>"), "two.xml"))
      << manager.ErrorText();
  EXPECT_EQ(ImageOf(manager, "A")->path, "b.png");
  EXPECT_EQ(ImageOf(manager, "A")->rows, 2);
  EXPECT_EQ(ImageOf(manager, "A")->sourceAttributes.at("path"), "b.png");
  EXPECT_EQ(manager.CountGroupEntries("G"), 1);
}

// --- Loading groups --------------------------------------------------------------------------

TEST_F(TestManifest, LoadGroupLoadsPicturesAndSounds) {
  ASSERT_TRUE(manager.LoadGroup("Init")) << manager.ErrorText();
  EXPECT_TRUE(manager.IsGroupReady("Init"));
  EXPECT_FALSE(manager.IsGroupReady("Game"));
  SharedPictureRef menu = manager.RequireImage("IMAGE_menu");
  ASSERT_TRUE(menu);
  EXPECT_EQ(menu->width, 4);
  EXPECT_EQ(menu->height, 2);
  // Palette form unless "nopal"; the pixels come back from it unchanged.
  EXPECT_NE(menu->palette, nullptr);
  EXPECT_TRUE(menu->wantPalette);
  EXPECT_EQ(PixelAt(*menu.Get(), 1, 0), 0xFF102030u);
  EXPECT_EQ(PixelAt(*menu.Get(), 2, 0), 0xFF405060u);
  EXPECT_EQ(PixelAt(*menu.Get(), 3, 1), 0xFF708090u);

  const int click = manager.RequireSound("SOUND_click");
  const int beep = manager.RequireSound("SOUND_BEEP");
  ASSERT_GE(click, 0);
  ASSERT_GE(beep, 0);
  EXPECT_NE(click, beep);
  EXPECT_TRUE(host.soundManager.IsLoaded(click));
  EXPECT_DOUBLE_EQ(host.soundManager.GetBaseVolume(click), 0.5);
  EXPECT_EQ(host.soundManager.GetBasePan(click), -10);
  EXPECT_DOUBLE_EQ(host.soundManager.GetBaseVolume(beep), 1.0);
  EXPECT_EQ(host.soundManager.GetBasePan(beep), 0);
}

TEST_F(TestManifest, SteppingThroughAGroupCountsItsEntries) {
  manager.BeginGroupLoad("Game");
  int steps = 0;
  while (manager.LoadNextEntry()) ++steps;
  EXPECT_FALSE(manager.HasError()) << manager.ErrorText();
  EXPECT_EQ(steps, manager.CountGroupEntries("Game"));
  EXPECT_FALSE(manager.LoadNextEntry());
  EXPECT_FALSE(manager.IsGroupReady("Game"));  // only LoadGroup marks it ready

  // Loading again skips what is loaded: same pictures, nothing new registered.
  MemoryImage* ball = manager.RequireImage("IMAGE_BALL").Get();
  const size_t live = host.registry.Count();
  EXPECT_TRUE(manager.LoadGroup("Game"));
  EXPECT_TRUE(manager.IsGroupReady("Game"));
  EXPECT_EQ(manager.RequireImage("IMAGE_BALL").Get(), ball);
  EXPECT_EQ(host.registry.Count(), live);
  manager.BeginGroupLoad("Game");
  EXPECT_FALSE(manager.LoadNextEntry());
}

TEST_F(TestManifest, AGroupMadeByCodeLoadsNothing) {
  const size_t live = host.registry.Count();
  EXPECT_TRUE(manager.LoadGroup("Code")) << manager.ErrorText();
  EXPECT_TRUE(manager.IsGroupReady("Code"));
  EXPECT_EQ(host.registry.Count(), live);
  EXPECT_EQ(host.sharedImages.Count(), 0u);
}

TEST_F(TestManifest, AlphaFilesAreAppliedToThePixels) {
  ASSERT_TRUE(manager.LoadGroup("Game")) << manager.ErrorText();
  SharedPictureRef ball = manager.RequireImage("IMAGE_BALL");
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(PixelAt(*ball.Get(), x, y), (BallAlpha(x, y) << 24) | 0xFF0000u);
  EXPECT_TRUE(ball->hasTransparent);
  EXPECT_TRUE(ball->hasTranslucent);
  // The grid mask repeats in every 2 x 2 cel of the 3 x 2 grid.
  SharedPictureRef cells = manager.RequireImage("IMAGE_CELLS");
  EXPECT_EQ(cells->numRows, 2);
  EXPECT_EQ(cells->numCols, 3);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x)
      EXPECT_EQ(PixelAt(*cells.Get(), x, y), (kCellAlpha[(y % 2) * 2 + x % 2] << 24) | 0x00FF00u) << x << "," << y;
  // A picture that is only an alpha file takes the manifest's colour.
  SharedPictureRef glow = manager.RequireImage("IMAGE_GLOW");
  for (int i = 0; i < 4; ++i) EXPECT_EQ(PixelAt(*glow.Get(), i % 2, i / 2), (kGlowAlpha[i] << 24) | 0xFF8000u);
  // The colour is handed to the loader for that picture only.
  EXPECT_EQ(ImageLib::alphaComposeColor & 0xFFFFFFu, 0xFFFFFFu);
}

TEST_F(TestManifest, PicturesGetTheirGridAnimationAndSurfaceOptions) {
  ASSERT_TRUE(manager.LoadGroup("Game")) << manager.ErrorText();
  SharedPictureRef spin = manager.RequireImage("IMAGE_SPIN");
  EXPECT_EQ(spin->numCols, 4);
  EXPECT_EQ(spin->numRows, 1);
  ASSERT_NE(spin->animation, nullptr);
  // Ping-pong over 4 cels plays 0 1 2 3 2 1; the begin and end delays replace the first and last.
  EXPECT_EQ(spin->animation->loopMode, 2);
  EXPECT_EQ(spin->animation->frameCels, (std::vector<int>{0, 1, 2, 3, 2, 1}));
  EXPECT_EQ(spin->animation->frameDelays, (std::vector<int>{2, 4, 4, 4, 4, 3}));
  EXPECT_EQ(spin->animation->totalTime, 21);
  EXPECT_EQ(manager.RequireImage("IMAGE_BALL")->animation, nullptr);

  // An opaque picture kept on a display surface drops its 32-bit pixels; a translucent one cannot.
  SharedPictureRef backdrop = manager.RequireImage("IMAGE_BACKDROP");
  EXPECT_TRUE(backdrop->purgeAfterUpload);
  EXPECT_EQ(backdrop->bits, nullptr);
  SharedPictureRef fade = manager.RequireImage("IMAGE_FADE");
  EXPECT_FALSE(fade->purgeAfterUpload);
  EXPECT_NE(fade->bits, nullptr);
  // The same file under a variant is a picture of its own.
  SharedPictureRef dim = manager.RequireImage("IMAGE_BACKDROP_DIM");
  EXPECT_NE(dim.Get(), backdrop.Get());
  EXPECT_TRUE(dim->purgeAfterUpload);
  EXPECT_EQ(dim->bits, nullptr);
  // Purged pixels can still be read back for drawing.
  ASSERT_NE(dim->GetPixels(), nullptr);
  EXPECT_EQ(PixelAt(*dim.Get(), 3, 3) >> 24, 0xFFu);

  SharedPictureRef texture = manager.RequireImage("IMAGE_TEXTURE");
  EXPECT_EQ(texture->surfaceFlags, 4u | 8u | 1u);
  EXPECT_NE(texture->bits, nullptr);
  EXPECT_EQ(texture->palette, nullptr);
  SharedPictureRef overlay = manager.RequireImage("IMAGE_OVERLAY");
  EXPECT_NE(overlay.Get(), texture.Get());
  EXPECT_EQ(overlay->surfaceFlags, 0u);
  EXPECT_EQ(overlay->bits, nullptr);
}

TEST_F(TestManifest, FontsLoadWithTagsPicturesAndReferences) {
  EXPECT_EQ(manager.FindFont("FONT_blocky"), nullptr);
  ASSERT_TRUE(manager.LoadGroup("LoadingScreen")) << manager.ErrorText();
  auto* blocky = dynamic_cast<ImageFont*>(manager.RequireFont("FONT_blocky"));
  ASSERT_NE(blocky, nullptr);
  EXPECT_EQ(blocky, manager.FindFont("FONT_blocky"));
  EXPECT_EQ(blocky->CharWidth('A'), 5);
  EXPECT_EQ(blocky->GetHeight(), 6);
  // The tags switch the glow layer on (9 high); blanks and commas separate them.
  auto* glowing = dynamic_cast<ImageFont*>(manager.RequireFont("FONT_GLOWING"));
  ASSERT_NE(glowing, nullptr);
  EXPECT_TRUE(glowing->HasTag("glow"));
  EXPECT_TRUE(glowing->HasTag("flat"));
  EXPECT_EQ(glowing->GetHeight(), 9);
  // A reference is a copy of its own.
  auto* copy = dynamic_cast<ImageFont*>(manager.RequireFont("FONT_GLOWING_COPY"));
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy, glowing);
  EXPECT_TRUE(copy->HasTag("glow"));
  EXPECT_EQ(copy->GetHeight(), 9);
  // A glyph strip with a width table; the lower case letter falls back on the upper.
  EXPECT_EQ(manager.RequireFont("FONT_STRIP")->CharWidth('A'), 2);
  EXPECT_EQ(manager.RequireFont("FONT_STRIP")->CharWidth('b'), 3);
  ASSERT_NE(FontOf(manager, "FONT_STRIP")->fontImage, nullptr);
  EXPECT_EQ(FontOf(manager, "FONT_STRIP")->fontImage->width, 5);
  auto* sys = dynamic_cast<SysFont*>(manager.RequireFont("FONT_SYSTEM"));
  ASSERT_NE(sys, nullptr);
  EXPECT_TRUE(sys->drawShadow);
  EXPECT_FALSE(sys->simulateBold);
}

// A font descriptor's own complaint follows the manager's message on the lines after it.
std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

TEST_F(TestManifest, ARefFontSwitchesOnTagsOfItsOwn) {
  ASSERT_TRUE(manager.LoadGroup("LoadingScreen")) << manager.ErrorText();
  auto* copy = dynamic_cast<ImageFont*>(manager.RequireFont("FONT_BLOCKY_GLOWING"));
  ASSERT_NE(copy, nullptr);
  EXPECT_TRUE(copy->HasTag("glow"));
  EXPECT_EQ(copy->GetHeight(), 9);
  // The original is untouched.
  EXPECT_FALSE(dynamic_cast<ImageFont*>(manager.RequireFont("FONT_blocky"))->HasTag("glow"));
  EXPECT_EQ(manager.RequireFont("FONT_blocky")->GetHeight(), 6);
}

TEST(GroupLoading, FailuresNameTheFileAndRepeat) {
  const struct {
    const char* elements;
    const char* error;
  } cases[] = {
      {"<Image id=\"A\" path=\"images/nothere.png\"/>", "Failed to load image: images/nothere.png"},
      {"<Image id=\"A\" path=\"images/ball.png\" alphaimage=\"images/noalpha.png\"/>",
       "Failed to load image: images/noalpha.png"},
      {"<Image id=\"A\" path=\"images/ball.png\" alphaimage=\"images/cell_alpha.png\"/>",
       "AlphaImage size mismatch between images/ball.png and images/cell_alpha.png"},
      {"<Image id=\"A\" path=\"images/cells.png\" rows=\"2\" cols=\"3\" alphagrid=\"images/nogrid.png\"/>",
       "Failed to load image: images/nogrid.png"},
      {"<Image id=\"A\" path=\"images/cells.png\" rows=\"2\" cols=\"3\" alphagrid=\"images/ball_alpha.png\"/>",
       "GridAlphaImage size mismatch between images/cells.png and images/ball_alpha.png"},
      {"<Sound id=\"S\" path=\"sounds/nothere.ogg\"/>", "Failed to load sound: sounds/nothere.ogg"},
      {"<Font id=\"F\" path=\"fonts/nothere.txt\"/>", "Failed to load font: fonts/nothere.txt"},
      {"<Font id=\"F\" path=\"fonts/broken.txt\"/>", "Failed to load font: fonts/broken.txt"},
      {"<Font id=\"F\" path=\"fonts/strip.txt\" image=\"fonts/nothere.png\"/>",
       "Failed to load image: fonts/nothere.png"},
      {"<Font id=\"F\" path=\"fonts/nowidths.txt\" image=\"fonts/strip.png\"/>",
       "Failed to load font: fonts/nowidths.txt"},
      {"<Font id=\"F\" path=\"!ref:NOPE\"/>", "Ref font not found: NOPE"},
  };
  for (const auto& c : cases) {
    StandaloneResourceHost host;
    ResourceManager manager(&host);
    ASSERT_TRUE(manager.ReadManifestFromText(InGroup(c.elements), "m.xml")) << manager.ErrorText();
    EXPECT_FALSE(manager.LoadGroup("G")) << c.elements;
    EXPECT_EQ(FirstLine(manager.ErrorText()), c.error);
    EXPECT_FALSE(manager.IsGroupReady("G"));
    // A failed picture is not kept half made: the next attempt fails the same way.
    EXPECT_FALSE(manager.LoadGroup("G")) << c.elements;
    EXPECT_EQ(FirstLine(manager.ErrorText()), c.error);
  }
}

TEST(GroupLoading, AFolderIsNoFile) {
  // A folder is not a file: opened as one, its size would read as 2^63 - 1 and a picture read whole
  // would ask for that much memory.
  Testing::TempFolder scratch("folder-as-file");
  for (const char* name : {"art.tga", "art.jpg", "art.png", "art.gif"}) {
    fs::create_directories(scratch / name);
    const std::string path = (scratch / name).string();
    StandaloneResourceHost host;
    ResourceManager manager(&host);
    ASSERT_TRUE(manager.ReadManifestFromText(InGroup("<Image id=\"A\" path=\"" + path + "\"/>"), "m.xml"));
    EXPECT_FALSE(manager.LoadGroup("G"));
    EXPECT_EQ(FirstLine(manager.ErrorText()), "Failed to load image: " + path);
  }
  const std::string folder = scratch.Path().string();
  for (const char* element : {"<Sound id=\"S\" path=\"%\"/>", "<Font id=\"F\" path=\"%\"/>",
                              "<Font id=\"F\" path=\"fonts/strip.txt\" image=\"%/art.jpg\"/>",
                              "<Font id=\"F\" path=\"%\" image=\"fonts/strip.png\"/>"}) {
    std::string text = element;
    text.replace(text.find('%'), 1, folder);
    StandaloneResourceHost host;
    ResourceManager manager(&host);
    ASSERT_TRUE(manager.ReadManifestFromText(InGroup(text), "m.xml"));
    EXPECT_FALSE(manager.LoadGroup("G")) << text;
    EXPECT_FALSE(manager.ErrorText().empty()) << text;
  }
  StandaloneResourceHost host;
  ResourceManager manager(&host);
  EXPECT_FALSE(manager.ReadManifest(folder));
}

TEST(GroupLoading, ARefNeedsItsFontLoaded) {
  StandaloneResourceHost host;
  ResourceManager manager(&host);
  ASSERT_TRUE(manager.ReadManifestFromText(
      "<ResourceManifest><Resources id=\"Fonts\"><Font id=\"F\" path=\"fonts/blocky.txt\"/></Resources>"
      "<Resources id=\"Refs\"><Font id=\"R\" path=\"!ref:F\"/></Resources></ResourceManifest>",
      "m.xml"));
  EXPECT_FALSE(manager.LoadGroup("Refs"));
  EXPECT_EQ(manager.ErrorText(), "Ref font not found: F");
  ASSERT_TRUE(manager.LoadGroup("Fonts"));
  EXPECT_TRUE(manager.LoadGroup("Refs")) << manager.ErrorText();
  EXPECT_FALSE(manager.HasError());
}

TEST(GroupLoading, OutOfSoundIds) {
  StandaloneResourceHost host;
  for (int id = 0; id < SilentSoundManager::kMaxSounds; ++id)
    ASSERT_TRUE(host.soundManager.LoadSound(id, "sounds/beep.wav"));
  ResourceManager manager(&host);
  ASSERT_TRUE(manager.ReadManifestFromText(InGroup("<Sound id=\"S\" path=\"sounds/click.ogg\"/>"), "m.xml"));
  EXPECT_FALSE(manager.LoadGroup("G"));
  EXPECT_EQ(manager.ErrorText(), "Out of free sound ids");
}

TEST(GroupLoading, OddGridSizesDoNotBreakLoading) {
  for (const char* grid : {"rows=\"0\" cols=\"0\"", "rows=\"-2\" cols=\"3\"", "rows=\"1\" cols=\"-1\""}) {
    StandaloneResourceHost host;
    ResourceManager manager(&host);
    const std::string element = std::string("<Image id=\"A\" path=\"images/cells.png\" ") + grid +
                                " alphagrid=\"images/cell_alpha.png\" anim=\"loop\"/>";
    if (!manager.ReadManifestFromText(InGroup(element), "m.xml")) continue;  // refusing them is fine too
    if (manager.LoadGroup("G")) {
      SharedPictureRef picture = manager.RequireImage("A");
      EXPECT_GE(picture->numRows, 1) << grid;
      EXPECT_GE(picture->numCols, 1) << grid;
    } else {
      EXPECT_FALSE(manager.ErrorText().empty()) << grid;
    }
  }
}

TEST(GroupLoading, APartlyFailedGroupKeepsWhatLoadedAndTheNextLoadClearsTheError) {
  StandaloneResourceHost host;
  ResourceManager manager(&host);
  ASSERT_TRUE(manager.ReadManifestFromText(
      "<ResourceManifest><Resources id=\"G\"><Image id=\"OK\" path=\"images/menu.png\"/>"
      "<Image id=\"BAD\" path=\"images/nothere.png\"/></Resources>"
      "<Resources id=\"H\"><Image id=\"FINE\" path=\"images/ball.png\"/></Resources></ResourceManifest>",
      "m.xml"))
      << manager.ErrorText();
  EXPECT_FALSE(manager.LoadGroup("G"));
  EXPECT_TRUE(ImageOf(manager, "OK")->IsLoaded());
  EXPECT_TRUE(manager.LoadGroup("H"));
  EXPECT_FALSE(manager.HasError());
  EXPECT_TRUE(manager.ErrorText().empty());
}

// --- Unloading -------------------------------------------------------------------------------

TEST_F(TestManifest, UnloadFreesAGroupAndItLoadsAgain) {
  ASSERT_TRUE(manager.LoadGroup("Init"));
  const size_t afterInit = host.registry.Count();
  const size_t tableAfterInit = host.sharedImages.Count();
  ASSERT_TRUE(manager.LoadGroup("Game")) << manager.ErrorText();

  manager.UnloadGroup("Game");
  EXPECT_FALSE(manager.IsGroupReady("Game"));
  EXPECT_TRUE(manager.IsGroupReady("Init"));
  EXPECT_FALSE(ImageOf(manager, "IMAGE_BALL")->IsLoaded());
  EXPECT_TRUE(ImageOf(manager, "IMAGE_menu")->IsLoaded());
  EXPECT_TRUE(host.sharedImages.PurgeRequested());
  EXPECT_GE(host.sharedImages.PurgeUnreferenced(), 10);
  EXPECT_EQ(host.sharedImages.Count(), tableAfterInit);
  EXPECT_EQ(host.registry.Count(), afterInit);

  // Loaded afresh, the masks are applied again.
  ASSERT_TRUE(manager.LoadGroup("Game")) << manager.ErrorText();
  EXPECT_EQ(PixelAt(*manager.RequireImage("IMAGE_BALL").Get(), 3, 3), (BallAlpha(3, 3) << 24) | 0xFF0000u);
  for (BaseRes* res : manager.groups.at("Game")) EXPECT_TRUE(res->madeByCode || res->IsLoaded()) << res->id;
}

TEST_F(TestManifest, UnloadingEverythingReleasesEveryObject) {
  const size_t before = host.registry.Count();
  for (const char* group : {"Init", "LoadingScreen", "Game", "Code"}) ASSERT_TRUE(manager.LoadGroup(group)) << group;
  const int click = manager.RequireSound("SOUND_click");
  ASSERT_GT(host.registry.Count(), before);

  manager.UnloadGroup("");
  host.sharedImages.PurgeUnreferenced();
  EXPECT_EQ(host.registry.Count(), before);
  EXPECT_EQ(host.sharedImages.Count(), 0u);
  EXPECT_FALSE(host.soundManager.IsLoaded(click));
  EXPECT_EQ(manager.FindFont("FONT_blocky"), nullptr);
  EXPECT_TRUE(manager.loadedGroups.empty());
  // The descriptions stay, ready to load again.
  EXPECT_EQ(manager.CountGroupEntries("Game"), 10);
}

TEST_F(TestManifest, AHeldPictureOutlivesItsUnloadedGroup) {
  ASSERT_TRUE(manager.LoadGroup("Init"));
  SharedPictureRef menu = manager.RequireImage("IMAGE_menu");
  manager.UnloadGroup("Init");
  EXPECT_EQ(host.sharedImages.PurgeUnreferenced(), 0);
  EXPECT_EQ(host.sharedImages.Count(), 1u);
  EXPECT_EQ(menu->width, 4);
  menu.Release();
  EXPECT_EQ(host.sharedImages.PurgeUnreferenced(), 1);
  EXPECT_EQ(host.sharedImages.Count(), 0u);
}

// --- Lookups ---------------------------------------------------------------------------------

// Runs the lookup and answers the text it threw ("" when it did not throw).
template <typename F>
std::string Thrown(F lookup) {
  try {
    lookup();
  } catch (const ResourceManagerException& e) {
    return e.what();
  }
  return "";
}

TEST_F(TestManifest, MissingResourcesThrowWithTheError) {
  // Declared but not loaded is as missing as unknown.
  EXPECT_EQ(Thrown([&] { manager.RequireImage("IMAGE_menu"); }), "Image resource not found: IMAGE_menu");
  EXPECT_EQ(manager.ErrorText(), "Image resource not found: IMAGE_menu");
  ASSERT_TRUE(manager.LoadGroup("Init"));  // clears the error
  EXPECT_EQ(Thrown([&] { manager.RequireImage("IMAGE_NOPE"); }), "Image resource not found: IMAGE_NOPE");
  ASSERT_TRUE(manager.LoadGroup("Init"));
  EXPECT_EQ(Thrown([&] { manager.RequireSound("SOUND_NOPE"); }), "Sound resource not found: SOUND_NOPE");
  ASSERT_TRUE(manager.LoadGroup("Init"));
  EXPECT_EQ(Thrown([&] { manager.RequireFont("FONT_blocky"); }), "Font resource not found: FONT_blocky");
  ASSERT_TRUE(manager.LoadGroup("Init"));
  EXPECT_EQ(Thrown([&] { manager.RequireImage("IMAGE_GENERATED"); }), "Image resource not found: IMAGE_GENERATED");
}

TEST_F(TestManifest, ResourcesMadeByCodeMayBeToleratedAsMissing) {
  ASSERT_TRUE(manager.LoadGroup("Code"));
  manager.tolerateMissingCodeMade = true;
  EXPECT_FALSE(manager.RequireImage("CODE_SCREENSHOT"));
  EXPECT_EQ(manager.RequireSound("CODE_CHIME"), -1);
  EXPECT_FALSE(manager.HasError());
  // Only those: a missing file-made image still throws.
  EXPECT_EQ(Thrown([&] { manager.RequireImage("IMAGE_menu"); }), "Image resource not found: IMAGE_menu");
}

// --- The shared image table ------------------------------------------------------------------

class SharedImages : public ::testing::Test {
 protected:
  std::recursive_mutex lock;
  ImageRegistry registry{lock};
  int files = 0;
  int empties = 0;
  SharedImageTable table{lock,
                         [this](const std::string& path) -> std::unique_ptr<MemoryImage> {
                           ++files;
                           if (path == "missing.png") return nullptr;
                           auto image = std::make_unique<MemoryImage>(&registry);
                           image->Create(2, 2);
                           return image;
                         },
                         [this](const std::string&) {
                           ++empties;
                           return std::make_unique<MemoryImage>(&registry);
                         }};
};

TEST_F(SharedImages, OnePicturePerPathAndVariant) {
  bool isNew = false;
  SharedPictureRef a = table.Acquire("a.png", "", &isNew);
  ASSERT_TRUE(a);
  EXPECT_TRUE(isNew);
  SharedPictureRef again = table.Acquire("a.png", "", &isNew);
  EXPECT_FALSE(isNew);
  EXPECT_EQ(again.Get(), a.Get());
  EXPECT_EQ(files, 1);
  EXPECT_EQ(a.Entry()->refCount, 2);
  // Another variant, or the path spelled otherwise, is another picture.
  SharedPictureRef variant = table.Acquire("a.png", "dim", &isNew);
  EXPECT_TRUE(isNew);
  EXPECT_NE(variant.Get(), a.Get());
  SharedPictureRef spelled = table.Acquire("A.png", "", nullptr);
  EXPECT_NE(spelled.Get(), a.Get());
  EXPECT_EQ(table.Count(), 3u);
  // A file that cannot be read leaves nothing behind; "!" names an empty picture made on the spot.
  EXPECT_FALSE(table.Acquire("missing.png", "", nullptr));
  EXPECT_EQ(table.Count(), 3u);
  SharedPictureRef made = table.Acquire("!program", "", nullptr);
  EXPECT_TRUE(made);
  EXPECT_EQ(empties, 1);
  EXPECT_EQ(files, 4);
}

TEST_F(SharedImages, CopiesCountAndTheLastOneAsksForAPurge) {
  SharedPictureRef a = table.Acquire("a.png", "", nullptr);
  SharedPictureRef kept = table.Acquire("kept.png", "", nullptr);
  const SharedImage* entry = a.Entry();
  SharedPictureRef copy(a);
  EXPECT_EQ(entry->refCount, 2);
  SharedPictureRef moved(std::move(copy));
  EXPECT_FALSE(copy);  // NOLINT(bugprone-use-after-move): a moved-from reference is empty
  EXPECT_EQ(entry->refCount, 2);
  SharedPictureRef assigned;
  assigned = a;
  EXPECT_EQ(entry->refCount, 3);
  SharedPictureRef& alias = assigned;
  assigned = alias;
  EXPECT_EQ(entry->refCount, 3);
  // Assigning over a reference lets go of what it held.
  SharedPictureRef other = kept;
  EXPECT_EQ(kept.Entry()->refCount, 2);
  other = std::move(moved);
  EXPECT_EQ(kept.Entry()->refCount, 1);
  EXPECT_EQ(entry->refCount, 3);

  a.Release();
  a.Release();
  EXPECT_FALSE(a);
  assigned.Release();
  EXPECT_FALSE(table.PurgeRequested());
  other.Release();
  EXPECT_TRUE(table.PurgeRequested());
  // Only the unreferenced picture goes.
  const size_t live = registry.Count();
  EXPECT_EQ(table.PurgeUnreferenced(), 1);
  EXPECT_FALSE(table.PurgeRequested());
  EXPECT_EQ(table.Count(), 1u);
  EXPECT_EQ(registry.Count(), live - 1);
  EXPECT_EQ(kept->width, 2);
  EXPECT_EQ(table.PurgeUnreferenced(), 0);
}

TEST_F(SharedImages, PrivatePicturesOutsideTheTable) {
  {
    SharedPictureRef owned(std::make_unique<MemoryImage>(&registry));
    EXPECT_EQ(owned.Entry(), nullptr);
    SharedPictureRef copy = owned;
    EXPECT_EQ(copy.Get(), owned.Get());
    owned.Release();
    EXPECT_EQ(registry.Count(), 1u);  // the copy still holds it
  }
  EXPECT_EQ(registry.Count(), 0u);
  MemoryImage local(&registry);
  {
    SharedPictureRef unowned = SharedPictureRef::Unowned(&local);
    SharedPictureRef copy = unowned;
    EXPECT_EQ(copy.Get(), &local);
  }
  EXPECT_TRUE(registry.Contains(&local));
  EXPECT_FALSE(table.PurgeRequested());
}

// --- A loading thread beside the drawing thread ----------------------------------------------

TEST_F(TestManifest, AGroupLoadsOnAnotherThreadWhileTheMainThreadDraws) {
  ASSERT_TRUE(manager.LoadGroup("Init"));
  SharedPictureRef menu = manager.RequireImage("IMAGE_menu");
  auto screen = Testing::MakeScreen(4, 2);
  Graphics g(screen.get());

  std::atomic<int> progress{0};
  std::atomic<bool> done{false};
  bool failed = true;
  std::thread loader([&] {
    manager.BeginGroupLoad("Game");
    while (manager.LoadNextEntry()) ++progress;
    failed = manager.HasError();
    done = true;
  });
  // The main thread keeps drawing and walking the live pictures until the loader is through.
  size_t seen = 0;
  int frames = 0;
  do {
    {
      std::lock_guard guard(host.displayLock);
      host.registry.ForEach([&](MemoryImage*) { ++seen; });
    }
    g.DrawImage(menu.Get(), 0, 0);
    ++frames;
  } while (!done);
  loader.join();

  EXPECT_FALSE(failed) << manager.ErrorText();
  EXPECT_EQ(progress, manager.CountGroupEntries("Game"));
  EXPECT_GE(frames, 1);
  EXPECT_GT(seen, 0u);
  EXPECT_EQ(PixelAt(*screen, 0, 0), 0xFF102030u);
  EXPECT_EQ(PixelAt(*screen, 3, 1), 0xFF708090u);
  // The loader's pictures are whole, masks and alpha colour included.
  EXPECT_EQ(PixelAt(*manager.RequireImage("IMAGE_BALL").Get(), 1, 2), (BallAlpha(1, 2) << 24) | 0xFF0000u);
  EXPECT_EQ(PixelAt(*manager.RequireImage("IMAGE_GLOW").Get(), 1, 0), (kGlowAlpha[1] << 24) | 0xFF8000u);
}

}  // namespace
}  // namespace Orva

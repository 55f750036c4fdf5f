// The game's data as built into the game folder: the manifest loads and binds every id the game
// looks up, the particle files have their fixed size and sane ranges, every level and stage reads
// as the playing field reads it, and every format string carries what its callers pass.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "framework/graphics/Font.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/resourcemanager/ResourceHost.h"
#include "framework/resourcemanager/ResourceManager.h"
#include "framework/resources/PakInterface.h"
#include "framework/resources/XMLParser.h"
#include "support/TempFolder.h"

namespace Orva {
namespace {

namespace fs = std::filesystem;

// The game folder is the working folder, as when the game runs.
class GameFolder : public ::testing::Environment {
 public:
  void SetUp() override { working_ = std::make_unique<Testing::WorkingFolder>(fs::path(ORVA_GAME_DIR)); }
  void TearDown() override { working_.reset(); }

 private:
  std::unique_ptr<Testing::WorkingFolder> working_;
};
::testing::Environment* const kGameFolder = ::testing::AddGlobalTestEnvironment(new GameFolder);

// --- Resource manifest -----------------------------------------------------------------------

struct GroupIds {
  const char* group;
  std::vector<std::string> fonts;
  std::vector<std::string> images;
};

// Every id the game binds, by the group it is bound after.
const std::vector<GroupIds>& BoundIds() {
  static const std::vector<GroupIds> ids = {
      {"Init", {"FONT_BALOON", "FONT_MAIN_MENU"}, {"IMAGE_CUS_CURSOR"}},
      {"LoadingScreen", {}, {"IMAGE_LOADBKG", "IMAGE_PROGRESS"}},
      {"Game", {}, {"IMAGE_BALOON",        "IMAGE_BEXP",          "IMAGE_BOARD",
                    "IMAGE_BONUSES",       "IMAGE_BKG",           "IMAGE_BONUSPART",
                    "IMAGE_BOSSES",        "IMAGE_BUTTON",        "IMAGE_CHECK_BOX",
                    "IMAGE_CUSTOMBKG",     "IMAGE_CUS_CIRCLE",    "IMAGE_DIALOG",
                    "IMAGE_DIGITS",        "IMAGE_EXITBUTTON",    "IMAGE_EXITBUTTONF",
                    "IMAGE_EXITBUTTONP",   "IMAGE_EXPPART",       "IMAGE_FBUBBLES",
                    "IMAGE_FOCHMBUTTON",   "IMAGE_FOCMENUBUTTON", "IMAGE_FOCUS_CIRCLE",
                    "IMAGE_HELPBKG",       "IMAGE_HMBUTTON",      "IMAGE_INDIC",
                    "IMAGE_INDIC_BLUE",    "IMAGE_INDIC_RED",     "IMAGE_INFINITEBKG",
                    "IMAGE_INFOWND",       "IMAGE_KARETKA",       "IMAGE_KARETKASL",
                    "IMAGE_LIGHTEDCELL",   "IMAGE_LIGHTNING",     "IMAGE_LIVEACTIVE",
                    "IMAGE_LIVEINACTIVE",  "IMAGE_MENUBKG",       "IMAGE_MENUBUTTON",
                    "IMAGE_MENU_B",        "IMAGE_MENU_D",        "IMAGE_MENU_F",
                    "IMAGE_MOUSE_CHANGER", "IMAGE_MOUSE_MOVE",    "IMAGE_MOUSE_SHOOT",
                    "IMAGE_NEXTSTAGE",     "IMAGE_PRESSHMBUTTON", "IMAGE_PRESSMENUBUTTON",
                    "IMAGE_REXP",          "IMAGE_RUNES",         "IMAGE_SELECTED_CIRCLE",
                    "IMAGE_SHADOWED_CUP",  "IMAGE_SLIDER",        "IMAGE_THUMB",
                    "IMAGE_SMALL_BONUS",   "IMAGE_STORYBKG",      "IMAGE_TOPBRICK",
                    "IMAGE_TRAVELBKG",     "IMAGE_WAYPOINTS",     "IMAGE_WINBKG",
                    "IMAGE_WINTITLE"}},
  };
  return ids;
}

class Manifest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(manager.ReadManifest("properties/resources.xml")) << manager.ErrorText(); }

  StandaloneResourceHost host;
  ResourceManager manager{&host};
};

TEST_F(Manifest, HoldsExactlyTheBoundIdsInTheirGroups) {
  size_t total = 0;
  for (const GroupIds& g : BoundIds()) {
    std::set<std::string> expected(g.fonts.begin(), g.fonts.end());
    expected.insert(g.images.begin(), g.images.end());
    std::set<std::string> declared;
    for (const BaseRes* res : manager.groups[g.group]) declared.insert(res->id);
    EXPECT_EQ(declared, expected) << "group " << g.group;
    for (const std::string& id : g.fonts) EXPECT_EQ(manager.fonts.count(id), 1u) << id << " is not a font";
    for (const std::string& id : g.images) EXPECT_EQ(manager.images.count(id), 1u) << id << " is not an image";
    total += expected.size();
  }
  EXPECT_EQ(total, 63u);
  EXPECT_EQ(manager.groups.size(), 3u);
}

TEST_F(Manifest, FontsAreDescriptorFiles) {
  for (const auto& [id, res] : manager.fonts) {
    EXPECT_EQ(res->path.rfind("fonts/", 0), 0u) << id;
    EXPECT_NE(res->path[0], '!') << id << " must be a bitmap font, not a system font";
  }
}

// Every group loads from the built game folder and binds as the game binds it: the throwing
// lookups find every id. A picture not drawn yet fails here with the manager's message naming it.
TEST_F(Manifest, EveryGroupLoadsAndBinds) {
  for (const GroupIds& g : BoundIds()) {
    if (!manager.LoadGroup(g.group)) {
      ADD_FAILURE() << "group " << g.group << ": " << manager.ErrorText();
      continue;
    }
    for (const std::string& id : g.fonts) {
      EXPECT_NO_THROW(EXPECT_NE(manager.RequireFont(id), nullptr) << id) << manager.ErrorText();
    }
    for (const std::string& id : g.images) {
      EXPECT_NO_THROW(EXPECT_TRUE(manager.RequireImage(id)) << id) << manager.ErrorText();
    }
  }
}

// The sheets the drawing code cuts by fixed cel sizes: the grid in the manifest and the picture's
// size must agree with them.
TEST_F(Manifest, SheetsMatchTheCelsTheGameCuts) {
  struct Sheet {
    const char* id;
    int rows, cols, celWidth, celHeight;  // cel size 0: any, but the picture must divide evenly
  };
  const Sheet sheets[] = {
      {"IMAGE_RUNES", 1, 12, 30, 30},  {"IMAGE_BONUSES", 6, 5, 30, 30},   {"IMAGE_SMALL_BONUS", 6, 5, 30, 30},
      {"IMAGE_DIGITS", 1, 10, 25, 25}, {"IMAGE_CHECK_BOX", 1, 2, 22, 25}, {"IMAGE_WAYPOINTS", 1, 3, 0, 0},
      {"IMAGE_BOSSES", 1, 11, 0, 0},   {"IMAGE_REXP", 6, 13, 0, 0},       {"IMAGE_BEXP", 1, 13, 0, 0},
  };
  ASSERT_TRUE(manager.LoadGroup("Game")) << manager.ErrorText();
  for (const Sheet& s : sheets) {
    SCOPED_TRACE(s.id);
    const auto* res = static_cast<const ImageRes*>(manager.images.at(s.id).get());
    EXPECT_EQ(res->rows, s.rows);
    EXPECT_EQ(res->cols, s.cols);
    const MemoryImage* picture = res->image.Get();
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->GetWidth() % s.cols, 0);
    EXPECT_EQ(picture->GetHeight() % s.rows, 0);
    if (s.celWidth != 0) {
      EXPECT_EQ(picture->GetWidth(), s.cols * s.celWidth);
      EXPECT_EQ(picture->GetHeight(), s.rows * s.celHeight);
    }
  }
}

// --- Particle files --------------------------------------------------------------------------

float FloatAt(const std::string& bytes, size_t offset) {
  float v;
  std::memcpy(&v, bytes.data() + offset, sizeof v);
  return v;
}

TEST(ParticleFiles, SixFilesOf128BytesWithSaneRanges) {
  for (const char* name : {"flyruns_bubbles", "bonus", "exp", "next_stage_0", "next_stage_1", "red_radial"}) {
    SCOPED_TRACE(name);
    const fs::path file = fs::path("particles") / (std::string(name) + ".psi");
    ASSERT_TRUE(fs::exists(file));
    ASSERT_EQ(fs::file_size(file), 128u);
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    int32_t emission;
    std::memcpy(&emission, bytes.data() + 4, sizeof emission);
    EXPECT_GT(emission, 0);
    const float lifetime = FloatAt(bytes, 8);
    EXPECT_TRUE(lifetime == -1.0f || lifetime > 0.0f) << lifetime;
    EXPECT_GT(FloatAt(bytes, 12), 0.0f);                   // a particle lives
    EXPECT_LE(FloatAt(bytes, 12), FloatAt(bytes, 16));     // life min <= max
    EXPECT_LE(FloatAt(bytes, 32), FloatAt(bytes, 36));     // speed min <= max
    for (size_t colour = 88; colour < 120; colour += 4) {  // both colours, 0 to 1
      EXPECT_GE(FloatAt(bytes, colour), 0.0f) << colour;
      EXPECT_LE(FloatAt(bytes, colour), 1.0f) << colour;
    }
    EXPECT_LE(static_cast<uint8_t>(bytes[28]), 1);
  }
}

// --- Levels ----------------------------------------------------------------------------------

bool IsPlainDecimal(const std::string& text) {
  if (text.empty() || (text.size() > 1 && text[0] == '0')) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

struct Stage {
  int line;
  std::map<std::string, std::string> attributes;
};
struct Level {
  std::map<std::string, std::string> attributes;
  std::vector<Stage> stages;
};

// The file read as the playing field reads it: only Level and Stage start tags count.
std::vector<Level> ReadLevels(std::string* error) {
  XMLParser parser;
  if (!parser.OpenFile("properties/levels.xml")) {
    *error = parser.ErrorText();
    return {};
  }
  std::vector<Level> levels;
  XMLItem item;
  while (parser.NextItem(item)) {
    if (item.kind != XMLItem::Start) continue;
    if (item.value == "Level") levels.push_back({item.attributes, {}});
    if (item.value == "Stage" && !levels.empty())
      levels.back().stages.push_back({parser.LineNumber(), item.attributes});
  }
  if (parser.Failed()) *error = parser.ErrorText();
  return levels;
}

TEST(Levels, ThirtyLevelsWithTheirStagesInOrder) {
  std::string error;
  const std::vector<Level> levels = ReadLevels(&error);
  ASSERT_TRUE(error.empty()) << error;
  ASSERT_EQ(levels.size(), 30u);
  for (size_t i = 0; i < levels.size(); ++i) {
    const Level& level = levels[i];
    SCOPED_TRACE("level " + std::to_string(i + 1));
    // The lookup compares the id as text with the level number.
    EXPECT_EQ(level.attributes.count("id") ? level.attributes.at("id") : "", std::to_string(i + 1));
    ASSERT_TRUE(IsPlainDecimal(level.attributes.count("stages") ? level.attributes.at("stages") : ""));
    EXPECT_EQ(std::stoul(level.attributes.at("stages")), level.stages.size());
    EXPECT_GE(level.stages.size(), 1u);
    for (size_t s = 0; s < level.stages.size(); ++s) {
      const auto& a = level.stages[s].attributes;
      EXPECT_EQ(a.count("id") ? a.at("id") : "", std::to_string(s + 1)) << "line " << level.stages[s].line;
    }
  }
}

TEST(Levels, EveryStageIsPlayable) {
  std::string error;
  const std::vector<Level> levels = ReadLevels(&error);
  ASSERT_TRUE(error.empty()) << error;
  const char* const numbers[] = {"rows", "runsats", "speed", "bonusswt", "bonuslifet"};
  const char* const bonuses[] = {"tripple", "slow", "runsdeath", "bomb", "flash"};
  const char* const colours[] = {"r", "g", "y", "p", "br", "bl"};
  for (const Level& level : levels) {
    for (const Stage& stage : level.stages) {
      SCOPED_TRACE("line " + std::to_string(stage.line));
      std::map<std::string, int> v;
      for (const auto& [name, text] : stage.attributes) {
        ASSERT_TRUE(IsPlainDecimal(text)) << name << "=\"" << text << "\"";
        v[name] = std::stoi(text);
      }
      for (const char* name : numbers) EXPECT_EQ(stage.attributes.count(name), 1u) << name;
      EXPECT_GT(v["rows"], 0);
      EXPECT_GT(v["speed"], 0);
      // The start fill must leave the bottom row (14) free: rows 1 to 13 hold 9 runes each.
      EXPECT_GE(v["runsats"], 1);
      EXPECT_LE(v["runsats"], 13 * 9);
      int enabledColours = 0;
      for (const char* c : colours) enabledColours += v[c] != 0;
      EXPECT_GE(enabledColours, 2);
      int enabledBonuses = 0;
      for (const char* b : bonuses) enabledBonuses += v[b] != 0;
      if (enabledBonuses > 0) {
        EXPECT_GT(v["bonusswt"], 0);
        EXPECT_GT(v["bonuslifet"], 0);
      }
    }
  }
}

// --- String table ----------------------------------------------------------------------------

// Section STRINGS of the profile-format file, values trimmed as the profile reader trims them.
std::map<int, std::string> ReadStrings() {
  std::ifstream in("properties/strt.txt");
  std::map<int, std::string> strings;
  std::string line, section;
  const auto trim = [](std::string s) {
    const size_t a = s.find_first_not_of(" \t\r");
    const size_t b = s.find_last_not_of(" \t\r");
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
  };
  while (std::getline(in, line)) {
    line = trim(line);
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      section = line;
      continue;
    }
    const size_t eq = line.find('=');
    if (section != "[STRINGS]" || eq == std::string::npos) continue;
    const std::string key = trim(line.substr(0, eq));
    EXPECT_TRUE(IsPlainDecimal(key)) << key;
    if (IsPlainDecimal(key)) {
      EXPECT_EQ(strings.count(std::stoi(key)), 0u) << "key " << key << " twice";
      strings[std::stoi(key)] = trim(line.substr(eq + 1));
    }
  }
  return strings;
}

// The conversions of a printf format in order: "i", "s", ...; "%%" is no conversion.
std::string Conversions(const std::string& format) {
  std::string found;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') continue;
    size_t j = i + 1;
    while (j < format.size() && std::strchr("-+ #0123456789.l", format[j])) ++j;
    if (j < format.size() && format[j] == '%' && j == i + 1) {
      i = j;
      continue;
    }
    found += j < format.size() ? format[j] : '?';
    i = j;
  }
  return found;
}

TEST(Strings, AllArePresentAndFit) {
  const std::map<int, std::string> strings = ReadStrings();
  ASSERT_EQ(strings.size(), 88u);
  EXPECT_EQ(strings.begin()->first, 0);
  EXPECT_EQ(strings.rbegin()->first, 87);
  for (const auto& [number, text] : strings) {
    EXPECT_LT(text.size(), 800u) << number;
    // Labels and messages need words; only the empty line is never wanted.
    EXPECT_FALSE(text.empty()) << number;
  }
}

TEST(Strings, FormatsCarryWhatTheirCallersPass) {
  // Number -> conversions its caller fills, in order (i: integer, s: text). The statistics and
  // endless texts are halves joined around the time ("%i:%i" added by the caller).
  const std::map<int, std::string> callers = {
      {27, "iiiii"},  // level, stage, stages, lives, total score
      {29, "ii"},     // level, stage
      {36, "i"},      // multiplier
      {62, "ii"},     // stage score, total score
      {63, "ii"},     // shots, largest group
      {64, "i"},      // stage score
      {65, "ii"},     // shots, largest group
      {67, "is"},     // score, speed name
      {68, "i"},      // largest group
      {69, "s"},      // speed name
  };
  const std::map<int, std::string> strings = ReadStrings();
  for (const auto& [number, text] : strings) {
    const auto expected = callers.find(number);
    EXPECT_EQ(Conversions(text), expected == callers.end() ? "" : expected->second)
        << "string " << number << ": " << text;
  }
  // Joined as the result dialog joins them, the story statistics take six integers.
  EXPECT_EQ(Conversions(strings.at(62) + " 0%i:" + "0%i" + strings.at(63)), "iiiiii");
  EXPECT_EQ(Conversions(strings.at(67) + " 0%i:" + "0%i" + strings.at(68)), "isiii");
}

TEST(Strings, ConversionsAreFoundAsPrintfReadsThem) {
  EXPECT_EQ(Conversions("a %i b %s"), "is");
  EXPECT_EQ(Conversions("100%% sure"), "");
  EXPECT_EQ(Conversions("%5.2f then %-3d"), "fd");
  EXPECT_EQ(Conversions("ends in %"), "?");
}

}  // namespace
}  // namespace Orva

namespace Orva {
namespace {

// The same groups from main.pak alone: the working folder is empty, so every file (manifest,
// pictures, font descriptors and their sheets) must come out of the archive. Last in this
// program, because the archive stays open for the rest of the process.
TEST(PackedData, EveryGroupLoadsFromTheArchiveAlone) {
  Testing::TempFolder empty("packed-data");
  Testing::WorkingFolder inside(empty.Path());
  ASSERT_TRUE(GetPakInterfaceImpl()->AddPakFile(ORVA_MAIN_PAK));
  StandaloneResourceHost host;
  ResourceManager manager(&host);
  ASSERT_TRUE(manager.ReadManifest("properties/resources.xml")) << manager.ErrorText();
  for (const char* group : {"Init", "LoadingScreen", "Game"})
    EXPECT_TRUE(manager.LoadGroup(group)) << group << ": " << manager.ErrorText();
  EXPECT_NO_THROW(manager.RequireFont("FONT_MAIN_MENU"));
  EXPECT_NO_THROW(manager.RequireImage("IMAGE_WINTITLE"));
  PakFile* levels = p_fopen("properties/levels.xml", "rb");
  EXPECT_NE(levels, nullptr);
  if (levels != nullptr) p_fclose(levels);
}

}  // namespace
}  // namespace Orva

// The bindings of the game's resource ids, over the real manifest and the built game folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "framework/resourcemanager/ResourceHost.h"
#include "framework/resourcemanager/ResourceManager.h"
#include "game/core/ResourceIds.h"
#include "support/TempFolder.h"

namespace Orva {
namespace {

std::vector<void*> AllIds() {
  std::vector<void*> ids;
#define ORVA_COLLECT(name) ids.push_back(name);
  ORVA_INIT_FONTS(ORVA_COLLECT)
  ORVA_INIT_IMAGES(ORVA_COLLECT)
  ORVA_LOADING_SCREEN_IMAGES(ORVA_COLLECT)
  ORVA_GAME_IMAGES(ORVA_COLLECT)
#undef ORVA_COLLECT
  return ids;
}

std::string ReadManifestText() {
  std::ifstream in("properties/resources.xml", std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class ResourceIdsTest : public ::testing::Test {
 protected:
  void SetUp() override { ClearResourceIds(); }
  void TearDown() override { ClearResourceIds(); }

  Testing::WorkingFolder inGameFolder{ORVA_GAME_DIR};
  StandaloneResourceHost host;
  ResourceManager manager{&host};
};

TEST_F(ResourceIdsTest, EverySixtyThreeIdsAreBoundAfterTheirGroupsLoad) {
  ASSERT_TRUE(manager.ReadManifest("properties/resources.xml")) << manager.ErrorText();
  ASSERT_EQ(AllIds().size(), 63u);
  ASSERT_TRUE(manager.LoadGroup("Init")) << manager.ErrorText();
  EXPECT_TRUE(BindInitResources(&manager));
  EXPECT_NE(FONT_MAIN_MENU, nullptr);
  EXPECT_EQ(IMAGE_LOADBKG, nullptr);
  ASSERT_TRUE(manager.LoadGroup("LoadingScreen")) << manager.ErrorText();
  EXPECT_TRUE(BindLoadingScreenResources(&manager));
  ASSERT_TRUE(manager.LoadGroup("Game")) << manager.ErrorText();
  EXPECT_TRUE(BindGameResources(&manager));
  for (void* id : AllIds()) EXPECT_NE(id, nullptr);
  // The pointers are the manager's pictures, alive while the group is loaded.
  EXPECT_EQ(IMAGE_RUNES->width, 360);
}

TEST_F(ResourceIdsTest, AGroupMissingItsLastIdFailsButKeepsTheOthers) {
  std::string text = ReadManifestText();
  const size_t at = text.find("IMAGE_WINTITLE");
  ASSERT_NE(at, std::string::npos);
  const size_t start = text.rfind('<', at), end = text.find('>', at);
  text.erase(start, end - start + 1);
  ASSERT_TRUE(manager.ReadManifestFromText(text, "resources.xml")) << manager.ErrorText();
  ASSERT_TRUE(manager.LoadGroup("Game")) << manager.ErrorText();
  EXPECT_FALSE(BindGameResources(&manager));
  EXPECT_EQ(manager.ErrorText(), "Image resource not found: IMAGE_WINTITLE");
  EXPECT_NE(IMAGE_BALOON, nullptr);
  EXPECT_NE(IMAGE_WINBKG, nullptr);
  EXPECT_EQ(IMAGE_WINTITLE, nullptr);
}

TEST_F(ResourceIdsTest, BindingBeforeTheGroupLoadsStopsAtTheFirstId) {
  ASSERT_TRUE(manager.ReadManifest("properties/resources.xml")) << manager.ErrorText();
  EXPECT_FALSE(BindInitResources(&manager));
  EXPECT_EQ(manager.ErrorText(), "Font resource not found: FONT_BALOON");
  EXPECT_EQ(FONT_BALOON, nullptr);
}

}  // namespace
}  // namespace Orva

#include <gtest/gtest.h>

#include "framework/resourcemanager/ResourceHost.h"
#include "framework/resourcemanager/ResourceManager.h"

namespace Orva {
namespace {

TEST(ResourceManagerManifest, SetDefaultsPrefixPathAndId) {
  StandaloneResourceHost host;
  ResourceManager manager(&host);
  ASSERT_TRUE(
      manager.ReadManifestFromText("<ResourceManifest><Resources id=\"Init\">"
                                   "<SetDefaults path=\"images\\\" idprefix=\"IMAGE_\"/><Image path=\"menu.png\"/>"
                                   "</Resources></ResourceManifest>",
                                   "test.xml"))
      << manager.ErrorText();
  ASSERT_EQ(manager.images.count("IMAGE_menu"), 1u);
  EXPECT_EQ(manager.images["IMAGE_menu"]->path, "images/menu.png");
}

}  // namespace
}  // namespace Orva

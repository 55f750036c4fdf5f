#include "game/core/ResourceIds.h"

#include "framework/graphics/MemoryImage.h"
#include "framework/resourcemanager/ResourceManager.h"

namespace Orva {

#define ORVA_DEFINE_IMAGE(name) Image* name = nullptr;
#define ORVA_DEFINE_FONT(name) Font* name = nullptr;
ORVA_INIT_FONTS(ORVA_DEFINE_FONT)
ORVA_INIT_IMAGES(ORVA_DEFINE_IMAGE)
ORVA_LOADING_SCREEN_IMAGES(ORVA_DEFINE_IMAGE)
ORVA_GAME_IMAGES(ORVA_DEFINE_IMAGE)
#undef ORVA_DEFINE_IMAGE
#undef ORVA_DEFINE_FONT

// The image stays alive after the reference goes: the manager's own description holds another.
#define ORVA_BIND_IMAGE(name) name = manager->RequireImage(#name).Get();
#define ORVA_BIND_FONT(name) name = manager->RequireFont(#name);

bool BindInitResources(ResourceManager* manager) {
  try {
    ORVA_INIT_FONTS(ORVA_BIND_FONT)
    ORVA_INIT_IMAGES(ORVA_BIND_IMAGE)
  } catch (const ResourceManagerException&) {
    return false;
  }
  return true;
}

bool BindLoadingScreenResources(ResourceManager* manager) {
  try {
    ORVA_LOADING_SCREEN_IMAGES(ORVA_BIND_IMAGE)
  } catch (const ResourceManagerException&) {
    return false;
  }
  return true;
}

bool BindGameResources(ResourceManager* manager) {
  try {
    ORVA_GAME_IMAGES(ORVA_BIND_IMAGE)
  } catch (const ResourceManagerException&) {
    return false;
  }
  return true;
}

#undef ORVA_BIND_IMAGE
#undef ORVA_BIND_FONT

void ClearResourceIds() {
#define ORVA_CLEAR(name) name = nullptr;
  ORVA_INIT_FONTS(ORVA_CLEAR)
  ORVA_INIT_IMAGES(ORVA_CLEAR)
  ORVA_LOADING_SCREEN_IMAGES(ORVA_CLEAR)
  ORVA_GAME_IMAGES(ORVA_CLEAR)
#undef ORVA_CLEAR
}

}  // namespace Orva

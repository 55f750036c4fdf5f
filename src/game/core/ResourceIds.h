#pragma once

namespace Orva {

class Font;
class Image;
class ResourceManager;

// The game's pictures and fonts, one global per id of the resource manifest, named as the id.
// They are filled by the binding function of their group once that group has loaded, and stay
// valid while the resource manager keeps the group loaded; they do not own what they point at.
// Drawing code uses them directly.
//
// The lists are in binding order; ORVA_*_IMAGES(X) calls X(name) for each id of the group.
#define ORVA_INIT_FONTS(X) \
  X(FONT_BALOON)           \
  X(FONT_MAIN_MENU)
#define ORVA_INIT_IMAGES(X) X(IMAGE_CUS_CURSOR)
#define ORVA_LOADING_SCREEN_IMAGES(X) \
  X(IMAGE_LOADBKG)                    \
  X(IMAGE_PROGRESS)
#define ORVA_GAME_IMAGES(X) \
  X(IMAGE_BALOON)           \
  X(IMAGE_BEXP)             \
  X(IMAGE_BOARD)            \
  X(IMAGE_BONUSES)          \
  X(IMAGE_BKG)              \
  X(IMAGE_BONUSPART)        \
  X(IMAGE_BOSSES)           \
  X(IMAGE_BUTTON)           \
  X(IMAGE_CHECK_BOX)        \
  X(IMAGE_CUSTOMBKG)        \
  X(IMAGE_CUS_CIRCLE)       \
  X(IMAGE_DIALOG)           \
  X(IMAGE_DIGITS)           \
  X(IMAGE_EXITBUTTON)       \
  X(IMAGE_EXITBUTTONF)      \
  X(IMAGE_EXITBUTTONP)      \
  X(IMAGE_EXPPART)          \
  X(IMAGE_FBUBBLES)         \
  X(IMAGE_FOCHMBUTTON)      \
  X(IMAGE_FOCMENUBUTTON)    \
  X(IMAGE_FOCUS_CIRCLE)     \
  X(IMAGE_HELPBKG)          \
  X(IMAGE_HMBUTTON)         \
  X(IMAGE_INDIC)            \
  X(IMAGE_INDIC_BLUE)       \
  X(IMAGE_INDIC_RED)        \
  X(IMAGE_INFINITEBKG)      \
  X(IMAGE_INFOWND)          \
  X(IMAGE_KARETKA)          \
  X(IMAGE_KARETKASL)        \
  X(IMAGE_LIGHTEDCELL)      \
  X(IMAGE_LIGHTNING)        \
  X(IMAGE_LIVEACTIVE)       \
  X(IMAGE_LIVEINACTIVE)     \
  X(IMAGE_MENUBKG)          \
  X(IMAGE_MENUBUTTON)       \
  X(IMAGE_MENU_B)           \
  X(IMAGE_MENU_D)           \
  X(IMAGE_MENU_F)           \
  X(IMAGE_MOUSE_CHANGER)    \
  X(IMAGE_MOUSE_MOVE)       \
  X(IMAGE_MOUSE_SHOOT)      \
  X(IMAGE_NEXTSTAGE)        \
  X(IMAGE_PRESSHMBUTTON)    \
  X(IMAGE_PRESSMENUBUTTON)  \
  X(IMAGE_REXP)             \
  X(IMAGE_RUNES)            \
  X(IMAGE_SELECTED_CIRCLE)  \
  X(IMAGE_SHADOWED_CUP)     \
  X(IMAGE_SLIDER)           \
  X(IMAGE_THUMB)            \
  X(IMAGE_SMALL_BONUS)      \
  X(IMAGE_STORYBKG)         \
  X(IMAGE_TOPBRICK)         \
  X(IMAGE_TRAVELBKG)        \
  X(IMAGE_WAYPOINTS)        \
  X(IMAGE_WINBKG)           \
  X(IMAGE_WINTITLE)

#define ORVA_DECLARE_IMAGE(name) extern Image* name;
#define ORVA_DECLARE_FONT(name) extern Font* name;
ORVA_INIT_FONTS(ORVA_DECLARE_FONT)
ORVA_INIT_IMAGES(ORVA_DECLARE_IMAGE)
ORVA_LOADING_SCREEN_IMAGES(ORVA_DECLARE_IMAGE)
ORVA_GAME_IMAGES(ORVA_DECLARE_IMAGE)
#undef ORVA_DECLARE_IMAGE
#undef ORVA_DECLARE_FONT

// Each looks up every id of its group with the manager's throwing lookups and stores the plain
// pointer. At the first missing id the manager's error is recorded, the binding stops (ids bound
// before keep their pointers, later ones stay as they were) and the answer is false.
bool BindInitResources(ResourceManager* manager);
bool BindLoadingScreenResources(ResourceManager* manager);
bool BindGameResources(ResourceManager* manager);

// Sets every global back to null (when the groups are unloaded).
void ClearResourceIds();

}  // namespace Orva

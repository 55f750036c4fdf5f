#include "game/screens/LoadingScreen.h"

#include "framework/graphics/Graphics.h"
#include "framework/resourcemanager/ResourceManager.h"
#include "framework/widgets/WidgetManager.h"
#include "game/app/GameApp.h"
#include "game/core/ResourceIds.h"

namespace Orva {

void LoadingScreen::Draw(Graphics* g) {
  progressWidth_ = int(kBarWidth * app_->LoaderProgress());
  drawnWidth_ = progressWidth_;
  if (IMAGE_LOADBKG) g->DrawImage(IMAGE_LOADBKG, 0, 0);
  if (IMAGE_PROGRESS) g->DrawImage(IMAGE_PROGRESS, 128, 416, Rect(0, 0, progressWidth_, 37));
}

void LoadingScreen::Update() {
  Widget::Update();
  // The bar follows the loading thread's task counters; it is redrawn when it has grown (the
  // loading thread itself touches no widget).
  if (drawnWidth_ != int(kBarWidth * app_->LoaderProgress())) MarkDirty();
  if (slide == nullptr || progressWidth_ < kBarWidth) return;
  if (slide->Step()) {
    MarkDirty();
    return;
  }
  slide = nullptr;
  // The loading screen's pictures are not needed again.
  app_->resourceManager->UnloadGroup("LoadingScreen");
  IMAGE_LOADBKG = nullptr;
  IMAGE_PROGRESS = nullptr;
  if (parent) parent->RemoveWidget(this);
  app_->DeferDelete(app_->mLoadingScreen.release());
}

}  // namespace Orva

// Miro Vale: the game in a window, or without one.
//
//   mirovale [SWITCHES]
//     -play=story:LEVEL:STAGE   start that stage of the story right after loading (LEVEL 1-30)
//     -play=custom:LEVEL        a custom game of that level
//     -play=endless             an endless game
//     -headless                 no window: the headless display and a manual clock, so a stage
//                               runs as fast as it can be computed; with -play and -seed=N it
//                               prints the stage's result as one line and ends
//   and the application's other switches (-seed=N, -datadir=PATH, -changedir=PATH; see README).
#include <memory>

#include "game/app/GameApp.h"

int main(int argc, char** argv) {
  auto app = std::make_unique<Orva::GameApp>();
  app->SetCommandLine(argc, argv);
  app->Init();
  app->Start();
  const int code = app->ExitCode();
  app.reset();
  return code;
}
